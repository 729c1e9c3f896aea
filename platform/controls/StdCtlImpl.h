// Implementation detail of the standard window classes and controls, not API:
// what they share: the code-point text helpers, the device-context holders,
// the per-window state table, parent notification and class registration.
// The edit, list box and mask engine work on std::u32string so that every
// position counts code points.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "platform/graphics/Gdi.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Types.h"
#include "platform/win/Cursors.h"
#include "platform/win/Messages.h"
#include "platform/win/Paint.h"
#include "platform/win/Windows.h"

namespace kvp::stdctl {

inline std::u32string ToChars(std::string_view S) {
  std::u32string R;
  std::size_t P = 0;
  while (P < S.size()) R.push_back(Utf8Decode(S, P));
  return R;
}

inline String FromChars(std::u32string_view S) {
  String R;
  for (Char C : S) Utf8Append(R, C);
  return R;
}

// The state of each window of one class: made on the window's first message
// (with its Wnd set) and dropped when the window procedure forgets it at
// WM_NCDESTROY.
template <class TState>
class TWindowStates {
 public:
  // The window's state; Made, when given, tells whether it was made just now.
  TState& Of(HWND Wnd, bool* Made = nullptr) {
    auto& Slot = FStates[Wnd];
    if (Made) *Made = !Slot;
    if (!Slot) {
      Slot = std::make_unique<TState>();
      Slot->Wnd = Wnd;
    }
    return *Slot;
  }
  void Forget(HWND Wnd) { FStates.erase(Wnd); }

 private:
  std::unordered_map<HWND, std::unique_ptr<TState>> FStates;
};

// Sends the parent of Wnd, if it has one, the notification Code as
// WM_COMMAND with the window's id and handle.
inline void NotifyParent(HWND Wnd, WORD Code) {
  HWND Parent = GetParent(Wnd);
  if (!Parent) return;
  auto Id = Integer(GetWindowLongPtr(Wnd, GWLP_ID));
  SendMessage(Parent, WM_COMMAND, MAKEWPARAM(Id & 0xFFFF, Code), reinterpret_cast<LPARAM>(Wnd));
}

// Registers a window class of this layer once; a later call finds it and
// does nothing.
inline void RegisterStandardClass(const char* Name, WNDPROC Proc, UINT Style, const char* Cursor) {
  WNDCLASS C;
  if (GetClassInfo(nullptr, Name, &C)) return;
  C.style = Style;
  C.lpfnWndProc = Proc;
  C.hCursor = LoadCursor(nullptr, Cursor);
  C.lpszClassName = Name;
  RegisterClass(&C);
}

// A DC of Wnd (of the screen when Wnd is null) with Font selected, or the
// stock font Fallback when Font is null, for measuring text; the font is
// deselected and the DC given back when this goes.
class TFontDC {
 public:
  TFontDC(HWND Wnd, HGDIOBJ Font, Integer Fallback) : FWnd(Wnd), FDc(GetDC(Wnd)) {
    FOld = SelectObject(FDc, Font ? Font : GetStockObject(Fallback));
  }
  ~TFontDC() {
    SelectObject(FDc, FOld);
    ReleaseDC(FWnd, FDc);
  }
  TFontDC(const TFontDC&) = delete;
  TFontDC& operator=(const TFontDC&) = delete;
  HDC Dc() const { return FDc; }

 private:
  HWND FWnd;
  HDC FDc;
  HGDIOBJ FOld = nullptr;
};

// The DC of a WM_PAINT: the one in wParam when the caller gives one (a
// control that paints its window through its class's procedure does), else
// BeginPaint's, ended when this goes.
class TPaintDC {
 public:
  TPaintDC(HWND Wnd, WPARAM W) : FWnd(Wnd), FDc(reinterpret_cast<HDC>(W)) {
    if (!FDc) FDc = BeginPaint(Wnd, &FPs);
    FOwn = W == 0;
  }
  ~TPaintDC() {
    if (FOwn) EndPaint(FWnd, &FPs);
  }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  HDC Dc() const { return FDc; }

 private:
  HWND FWnd;
  HDC FDc;
  bool FOwn = false;
  PAINTSTRUCT FPs;
};

}  // namespace kvp::stdctl
