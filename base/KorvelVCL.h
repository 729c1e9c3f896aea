// KorvelVCL: the library's helper unit. It gives the window-system calls that
// the controls use one named entry point each (so drawing and messaging code
// calls one place), a few text and dataset helpers, and TMemoryStreamKv, the
// memory stream that clipboard and exchange-format code writes into before the
// data goes to the clipboard or a file.
//
// Text is UTF-8 throughout; the text helpers use the platform's fixed case
// tables, so results never depend on the machine's locale.
#pragma once

#include <bit>
#include <cstring>
#include <type_traits>
#include <vector>

#include "platform/classes/Streams.h"
#include "platform/db/DBCommon.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Variants.h"
#include "platform/win/Win.h"

namespace kvp {
class TBitmap;
class TDataSet;
struct TPropInfo;
}  // namespace kvp

namespace korvel {

// [SECTION] Window-system wrappers
// Each passes its arguments through and answers the call's result.

// DrawTextEx with a copy of the caller's parameter record, so the caller's
// record is not changed by the call.
kvp::Integer WindowsDrawTextEx(kvp::HDC DC, const kvp::String& Text, kvp::Integer Count,
                               kvp::TRect& Rect, kvp::UINT Format, kvp::DRAWTEXTPARAMS DTParams);
kvp::Integer WindowsDrawText(kvp::HDC DC, const kvp::String& Text, kvp::Integer Count,
                             kvp::TRect& Rect, kvp::UINT Format);
// ExtTextOut without a spacing array.
kvp::BOOL WindowsExtTextOut(kvp::HDC DC, kvp::Integer X, kvp::Integer Y, kvp::UINT Options,
                            const kvp::TRect& Rect, const kvp::String& Text, kvp::Integer Count);
kvp::UINT WindowsGetOutlineTextMetrics(kvp::HDC DC, kvp::UINT Size,
                                       kvp::OUTLINETEXTMETRIC& Metrics);

// SendMessage with the address of Data as lParam.
template <class T>
kvp::LRESULT SendStructMessage(kvp::HWND Wnd, kvp::UINT Msg, kvp::WPARAM WParam, T& Data) {
  return kvp::SendMessage(Wnd, Msg, WParam, reinterpret_cast<kvp::LPARAM>(&Data));
}
// SendMessage with the text (null-terminated) as lParam.
kvp::LRESULT SendTextMessage(kvp::HWND Wnd, kvp::UINT Msg, kvp::WPARAM WParam,
                             const kvp::String& Text);
kvp::BOOL SystemParametersInfoPtr(kvp::UINT Action, kvp::UINT UiParam, void* PvParam,
                                  kvp::UINT WinIni);
kvp::BOOL WindowsInvalidateRect(kvp::HWND Wnd, const kvp::TRect& Rect, kvp::BOOL Erase);
kvp::BOOL WindowsValidateRect(kvp::HWND Wnd, const kvp::TRect& Rect);
kvp::Integer WindowsScrollWindowEx(kvp::HWND Wnd, kvp::Integer DX, kvp::Integer DY,
                                   const kvp::TRect& Scroll, const kvp::TRect& Clip,
                                   kvp::HRGN UpdateRgn, kvp::TRect* UpdateRect, kvp::UINT Flags);
// Maps both corners of Rect from logical to device coordinates.
kvp::BOOL WindowsLPtoDP(kvp::HDC DC, kvp::TRect& Rect);
kvp::HRGN WindowsCreatePolygonRgn(const std::vector<kvp::TPoint>& Points, kvp::Integer FillMode);
// EM_GETSEL: the selection's start and end, in code points.
kvp::LRESULT SendGetSelMessage(kvp::HWND Wnd, kvp::Integer& SelStart, kvp::Integer& SelEnd);
kvp::HBITMAP WindowsLoadBitmap(kvp::HINSTANCE Instance, const kvp::String& Name);

// Copies a message into a typed message record of the same layout.
template <class T>
void UnwrapMessage(const kvp::TMessage& Msg, T& Typed) {
  static_assert(sizeof(T) == sizeof(kvp::TMessage) && std::is_trivially_copyable_v<T>,
                "a typed message record has the layout of TMessage");
  std::memcpy(static_cast<void*>(&Typed), &Msg, sizeof(T));
}
template <class T>
T UnwrapMessageEx(const kvp::TMessage& Msg) {
  static_assert(sizeof(T) == sizeof(kvp::TMessage) && std::is_trivially_copyable_v<T>,
                "a typed message record has the layout of TMessage");
  return std::bit_cast<T>(Msg);
}

// A point already packed into an lParam, answered as it is.
inline kvp::LPARAM SmallPointToInteger(kvp::LPARAM Packed) { return Packed; }
inline kvp::TRect EmptyRect() { return kvp::TRect{0, 0, 0, 0}; }

// [SECTION] Text helpers
kvp::String UpperCaseText(const kvp::String& S);
kvp::String LowerCaseText(const kvp::String& S);
// Negative, 0 or positive, as S1 sorts before, with or after S2.
kvp::Integer CompareTextCaseSensitive(const kvp::String& S1, const kvp::String& S2);
kvp::Integer CompareTextIgnoreCase(const kvp::String& S1, const kvp::String& S2);

// [SECTION] Dataset helpers

// The dataset's own order of two bookmarks: negative, 0 or positive.
kvp::Integer DataSetCompareBookmarks(kvp::TDataSet* DataSet, const kvp::TBookmark& Bookmark1,
                                     const kvp::TBookmark& Bookmark2);
// The dataset of the data source held by a published property of class type
// (a dataset's "MasterSource", say). Null when PropInfo is null, the property
// is not of class type, or it holds nothing; a property that holds another
// kind of object raises EInvalidCast.
kvp::TDataSet* GetDataSetOfDataSourceProp(kvp::TObject* Instance, const kvp::TPropInfo* PropInfo);
// The bitmap loads itself from the module's bitmap resource of that name.
void LoadBitmapFromResourceName(kvp::TBitmap* Bitmap, kvp::HINSTANCE Instance,
                                const kvp::String& Name);
void RedimVariantArray(kvp::Variant& A, kvp::Integer HighBound);

// ---------------------------------------------------------------------------
// TMemoryStreamKv: a memory stream whose block is moveable global memory, so
// that the block can be handed to the clipboard (GlobalHandle of GetMemory()
// is its handle). Its capacity grows in multiples of twice the growth step
// (8192 bytes by default). A block that cannot grow raises EStreamError and
// leaves data, size and position as they were.
class TMemoryStreamKv : public kvp::TMemoryStream {
  KV_CLASS(TMemoryStreamKv, kvp::TMemoryStream)
 public:
  kvp::Integer GetMemoryDelta() const { return FMemoryDelta; }
  // A step below 1 would round every capacity to nothing or to less than the
  // data, so it raises EStreamError and keeps the old step.
  void SetMemoryDelta(kvp::Integer Value);

 protected:
  void* Realloc(kvp::Integer& NewCapacity) override;

 private:
  kvp::Integer FMemoryDelta = 4096;  // growth step in bytes; capacity rounds to 2 x step
};

}  // namespace korvel
