// Basic types of the platform layer: the integer and floating types the
// library's code is written in, text, points and rectangles, and the handle
// and message types of the window system. Everything here is plain data; the
// routines that work on rectangles live in Types.cpp.
#pragma once

#include <cstdint>
#include <string>

namespace kvp {

using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using LongInt = std::int32_t;
using LongWord = std::uint32_t;
using SmallInt = std::int16_t;
using ShortInt = std::int8_t;
using Word = std::uint16_t;
using Byte = std::uint8_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using Single = float;
using Double = double;
using Extended = long double;

// Text is UTF-8; positions and lengths in text count code points.
using String = std::string;
// One character (a key press, WM_CHAR) is one code point.
using Char = char32_t;
// UTF-16 text, used only where bytes leave the library as "Unicode text".
using WideString = std::u16string;

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

struct TPoint {
  Integer X = 0;
  Integer Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  Integer cx = 0;
  Integer cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// A rectangle whose right and bottom edges are exclusive.
struct TRect {
  Integer Left = 0;
  Integer Top = 0;
  Integer Right = 0;
  Integer Bottom = 0;

  Integer Width() const { return Right - Left; }
  Integer Height() const { return Bottom - Top; }
  TPoint TopLeft() const { return {Left, Top}; }
  TPoint BottomRight() const { return {Right, Bottom}; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TPoint Point(Integer X, Integer Y) { return {X, Y}; }
inline TRect Rect(Integer Left, Integer Top, Integer Right, Integer Bottom) {
  return {Left, Top, Right, Bottom};
}
inline TRect Bounds(Integer Left, Integer Top, Integer Width, Integer Height) {
  return {Left, Top, Left + Width, Top + Height};
}

bool IsRectEmpty(const TRect& R);
bool PtInRect(const TRect& R, TPoint P);
// Both return false and an empty rectangle when the result is empty.
bool IntersectRect(TRect& Dest, const TRect& A, const TRect& B);
bool UnionRect(TRect& Dest, const TRect& A, const TRect& B);
void OffsetRect(TRect& R, Integer DX, Integer DY);
void InflateRect(TRect& R, Integer DX, Integer DY);
inline bool EqualRect(const TRect& A, const TRect& B) { return A == B; }

// ---------------------------------------------------------------------------
// Window-system handles and message types. Handles are opaque pointers of
// distinct types, so that a brush cannot be passed where a window is expected;
// every GDI object handle converts to HGDIOBJ.
#define KV_DECLARE_HANDLE(Name) \
  struct Name##__;              \
  using Name = Name##__*

KV_DECLARE_HANDLE(HWND);
KV_DECLARE_HANDLE(HDC);
KV_DECLARE_HANDLE(HPEN);
KV_DECLARE_HANDLE(HBRUSH);
KV_DECLARE_HANDLE(HFONT);
KV_DECLARE_HANDLE(HBITMAP);
KV_DECLARE_HANDLE(HRGN);
KV_DECLARE_HANDLE(HPALETTE);
KV_DECLARE_HANDLE(HCURSOR);
KV_DECLARE_HANDLE(HICON);
KV_DECLARE_HANDLE(HMONITOR);
KV_DECLARE_HANDLE(HINSTANCE);
KV_DECLARE_HANDLE(HMENU);
KV_DECLARE_HANDLE(HKL);
KV_DECLARE_HANDLE(HIMC);
KV_DECLARE_HANDLE(HIMAGELIST);
KV_DECLARE_HANDLE(HTHEME);
using HGDIOBJ = void*;
using HANDLE = void*;
using HGLOBAL = void*;
using HMODULE = HINSTANCE;

using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using LONG = std::int32_t;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using ATOM = std::uint16_t;
using COLORREF = std::uint32_t;
// A colour: 0x00BBGGRR for an RGB value, or a negative value naming a system
// colour (0x80000000 | COLOR_xxx).
using TColor = std::int32_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

inline constexpr COLORREF RGB(BYTE R, BYTE G, BYTE B) {
  return COLORREF(R) | (COLORREF(G) << 8) | (COLORREF(B) << 16);
}
inline constexpr BYTE GetRValue(COLORREF C) { return BYTE(C & 0xFF); }
inline constexpr BYTE GetGValue(COLORREF C) { return BYTE((C >> 8) & 0xFF); }
inline constexpr BYTE GetBValue(COLORREF C) { return BYTE((C >> 16) & 0xFF); }

inline constexpr WORD LOWORD(std::uintptr_t V) { return WORD(V & 0xFFFF); }
inline constexpr WORD HIWORD(std::uintptr_t V) { return WORD((V >> 16) & 0xFFFF); }
inline constexpr std::int16_t GET_X_LPARAM(LPARAM L) { return std::int16_t(L & 0xFFFF); }
inline constexpr std::int16_t GET_Y_LPARAM(LPARAM L) { return std::int16_t((L >> 16) & 0xFFFF); }
inline constexpr LPARAM MAKELPARAM(Integer Lo, Integer Hi) {
  return LPARAM(std::uint32_t((std::uint32_t(Lo) & 0xFFFF) | ((std::uint32_t(Hi) & 0xFFFF) << 16)));
}
inline constexpr WPARAM MAKEWPARAM(Integer Lo, Integer Hi) {
  return WPARAM(std::uint32_t(MAKELPARAM(Lo, Hi)));
}
inline constexpr LRESULT MAKELRESULT(Integer Lo, Integer Hi) { return MAKELPARAM(Lo, Hi); }

// A message as the component library sees it: number, parameters and the
// answer a handler leaves in Result.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;

  WORD WParamLo() const { return LOWORD(WParam); }
  WORD WParamHi() const { return HIWORD(WParam); }
  WORD LParamLo() const { return LOWORD(std::uintptr_t(LParam)); }
  WORD LParamHi() const { return HIWORD(std::uintptr_t(LParam)); }
};

// A queued message as the window system keeps it.
struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  TPoint pt;
};

}  // namespace kvp
