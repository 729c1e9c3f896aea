// KorvelVCL: window-system wrappers, text and dataset helpers, and the global
// memory stream.
#include "base/KorvelVCL.h"

#include "base/KorvelConsts.h"
#include "platform/classes/TypInfo.h"
#include "platform/controls/EditClass.h"
#include "platform/db/DB.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Bmp.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/GlobalMemory.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

// [SECTION] Window-system wrappers

Integer WindowsDrawTextEx(HDC DC, const String& Text, Integer Count, TRect& Rect, UINT Format,
                          DRAWTEXTPARAMS DTParams) {
  return DrawTextEx(DC, Text, Count, &Rect, Format, &DTParams);
}

Integer WindowsDrawText(HDC DC, const String& Text, Integer Count, TRect& Rect, UINT Format) {
  return DrawText(DC, Text, Count, &Rect, Format);
}

BOOL WindowsExtTextOut(HDC DC, Integer X, Integer Y, UINT Options, const TRect& Rect,
                       const String& Text, Integer Count) {
  return ExtTextOut(DC, X, Y, Options, &Rect, Text, Count, nullptr);
}

UINT WindowsGetOutlineTextMetrics(HDC DC, UINT Size, OUTLINETEXTMETRIC& Metrics) {
  return GetOutlineTextMetrics(DC, Size, &Metrics);
}

LRESULT SendTextMessage(HWND Wnd, UINT Msg, WPARAM WParam, const String& Text) {
  return SendMessage(Wnd, Msg, WParam, reinterpret_cast<LPARAM>(Text.c_str()));
}

BOOL SystemParametersInfoPtr(UINT Action, UINT UiParam, void* PvParam, UINT WinIni) {
  return SystemParametersInfo(Action, UiParam, PvParam, WinIni);
}

BOOL WindowsInvalidateRect(HWND Wnd, const TRect& Rect, BOOL Erase) {
  return InvalidateRect(Wnd, &Rect, Erase);
}

BOOL WindowsValidateRect(HWND Wnd, const TRect& Rect) { return ValidateRect(Wnd, &Rect); }

Integer WindowsScrollWindowEx(HWND Wnd, Integer DX, Integer DY, const TRect& Scroll,
                              const TRect& Clip, HRGN UpdateRgn, TRect* UpdateRect, UINT Flags) {
  return ScrollWindowEx(Wnd, DX, DY, &Scroll, &Clip, UpdateRgn, UpdateRect, Flags);
}

BOOL WindowsLPtoDP(HDC DC, TRect& Rect) {
  TPoint Corners[2] = {Rect.TopLeft(), Rect.BottomRight()};
  BOOL Result = LPtoDP(DC, Corners, 2);
  Rect = kvp::Rect(Corners[0].X, Corners[0].Y, Corners[1].X, Corners[1].Y);
  return Result;
}

HRGN WindowsCreatePolygonRgn(const std::vector<TPoint>& Points, Integer FillMode) {
  return CreatePolygonRgn(Points.data(), Integer(Points.size()), FillMode);
}

LRESULT SendGetSelMessage(HWND Wnd, Integer& SelStart, Integer& SelEnd) {
  DWORD Start = 0;
  DWORD End = 0;
  LRESULT Result =
      SendMessage(Wnd, EM_GETSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
  SelStart = Integer(Start);
  SelEnd = Integer(End);
  return Result;
}

HBITMAP WindowsLoadBitmap(HINSTANCE Instance, const String& Name) {
  return LoadBitmap(Instance, Name);
}

// [SECTION] Text helpers

String UpperCaseText(const String& S) { return AnsiUpperCase(S); }
String LowerCaseText(const String& S) { return AnsiLowerCase(S); }

Integer CompareTextCaseSensitive(const String& S1, const String& S2) {
  return AnsiCompareStr(S1, S2);
}

Integer CompareTextIgnoreCase(const String& S1, const String& S2) {
  return AnsiCompareText(S1, S2);
}

// [SECTION] Dataset helpers

Integer DataSetCompareBookmarks(TDataSet* DataSet, const TBookmark& Bookmark1,
                                const TBookmark& Bookmark2) {
  return DataSet->CompareBookmarks(Bookmark1, Bookmark2);
}

TDataSet* GetDataSetOfDataSourceProp(TObject* Instance, const TPropInfo* PropInfo) {
  if (!Instance || !PropInfo || !PropInfo->PropType || PropInfo->PropType->Kind != tkClass)
    return nullptr;
  TDataSource* Source = As<TDataSource>(GetObjectProp(Instance, PropInfo));
  return Source ? Source->GetDataSet() : nullptr;
}

void LoadBitmapFromResourceName(TBitmap* Bitmap, HINSTANCE Instance, const String& Name) {
  Bitmap->LoadFromResourceName(Instance, Name);
}

void RedimVariantArray(Variant& A, Integer HighBound) { VarArrayRedim(A, HighBound); }

// [SECTION] TMemoryStreamKv

void TMemoryStreamKv::SetMemoryDelta(Integer Value) {
  if (FMemoryDelta == Value) return;
  if (Value < 1) throw EStreamError(Format("Invalid memory stream growth step %d", {Value}));
  FMemoryDelta = Value;
}

// The block is kept locked while the stream holds it; it is unlocked only to
// be resized or freed.
void* TMemoryStreamKv::Realloc(Integer& NewCapacity) {
  if (NewCapacity < 0) throw EStreamError(SMemoryStreamError);
  // Round up to a multiple of twice the step, except when the size is being
  // set to itself (SetSize then asks for its exact size).
  const Int64 Delta = Int64(FMemoryDelta) * 2;
  if (NewCapacity > 0 && NewCapacity != FSize) {
    const Int64 Rounded = (Int64(NewCapacity) + Delta - 1) / Delta * Delta;
    if (Rounded > MaxSize) throw EStreamError(SMemoryStreamError);
    NewCapacity = Integer(Rounded);
  }
  if (NewCapacity == FCapacity) return FMemory;
  HGLOBAL Handle = FMemory ? GlobalHandle(FMemory) : nullptr;
  if (NewCapacity == 0) {
    GlobalUnlock(Handle);
    GlobalFree(Handle);
    return nullptr;
  }
  if (!Handle) {
    Handle = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(NewCapacity));
    if (!Handle) throw EStreamError(SMemoryStreamError);
    return GlobalLock(Handle);
  }
  GlobalUnlock(Handle);
  HGLOBAL Resized = GlobalReAlloc(Handle, SIZE_T(NewCapacity), GMEM_MOVEABLE);
  if (!Resized) {
    // The old block is untouched; lock it again so the stream keeps it.
    [[maybe_unused]] void* Same = GlobalLock(Handle);
    KV_ASSERT(Same == FMemory, "a failed resize keeps the block where it was");
    throw EStreamError(SMemoryStreamError);
  }
  return GlobalLock(Resized);
}

}  // namespace korvel
