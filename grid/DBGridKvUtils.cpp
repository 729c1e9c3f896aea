// The grid unit's small routines: rectangles and integers, canvas mirroring,
// text measuring, field conversions, queue clean-up, colour blending and the
// grid error.
#include <algorithm>
#include <cmath>

#include "grid/DBGridKv.h"
#include "platform/rtl/Numbers.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

void MirrorCanvas(TCanvas* Canvas, bool Mirror, Integer Width, Integer Height) {
  HDC DC = Canvas->GetHandle();
  SetMapMode(DC, MM_ANISOTROPIC);
  if (Mirror) {
    SetWindowOrgEx(DC, Width, 0, nullptr);
    SetWindowExtEx(DC, -Width, Height, nullptr);
  } else {
    SetWindowOrgEx(DC, 0, 0, nullptr);
    SetWindowExtEx(DC, Width, Height, nullptr);
  }
  SetViewportExtEx(DC, Width, Height, nullptr);
}

namespace {

constexpr Int64 MinInt32 = -2147483648LL;
constexpr Int64 MaxInt32 = 2147483647LL;

bool FitsInt32(Int64 Value) { return Value >= MinInt32 && Value <= MaxInt32; }

}  // namespace

// A null value has no number to give: Default, for every kind of field (an
// empty number cell then shows the "no value" choice, not the value 0).
Integer FieldAsIntegerDef(TField* Field, Integer Default) {
  if (!Field || Field->IsNull()) return Default;
  switch (Field->GetDataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
      return Field->GetAsInteger();
    case ftFloat: {
      const Double Value = Field->GetAsFloat();
      if (Value >= Double(MinInt32) && Value <= Double(MaxInt32)) return Field->GetAsInteger();
      return Default;
    }
    case ftCurrency: {
      const Currency Value = Field->GetAsCurrency();
      if (Value >= Currency(MinInt32) && Value <= Currency(MaxInt32)) return Field->GetAsInteger();
      return Default;
    }
    case ftBCD:
    case ftFMTBcd: {
      const Currency Value = Field->GetAsCurrency();
      if (Value >= Currency(MinInt32) && Value <= Currency(MaxInt32)) return Field->GetAsInteger();
      return Default;
    }
    default:
      break;
  }
  if (Field->InheritsFrom(TLargeintField::StaticClass())) {
    const Int64 Value = Field->GetAsLargeInt();
    if (FitsInt32(Value)) return Integer(Value);
  }
  return Default;
}

bool FieldsCanModify(const std::vector<TField*>& Fields) {
  return std::all_of(Fields.begin(), Fields.end(),
                     [](TField* F) { return F && F->GetCanModify(); });
}

void MakeRect(Integer Left, Integer Top, Integer Right, Integer Bottom, TRect& Rect) {
  Rect = TRect{Left, Top, Right, Bottom};
}

void RaiseGridError(const String& Message) { throw EInvalidGridOperationKv(Message); }

void KillMessage(HWND Window, UINT MessageId) {
  MSG Msg;
  if (PeekMessage(&Msg, Window, MessageId, MessageId, PM_REMOVE) && Msg.message == WM_QUIT)
    PostQuitMessage(Integer(Msg.wParam));
}

void InvalidateGridRow(TCustomGridKv* Grid, Integer Row) {
  for (Integer Col = 0; Col < Grid->GetFullColCount(); ++Col) Grid->InvalidateCell(Col, Row);
}

void TransposeRectSize(TRect& Rect) {
  const Integer Width = Rect.Right - Rect.Left;
  const Integer Height = Rect.Bottom - Rect.Top;
  Rect.Right = Rect.Left + Height;
  Rect.Bottom = Rect.Top + Width;
}

bool IsTextClipped(UINT DrawTextFlags, TCanvas* Canvas, Integer HorzMargin, Integer VertMargin,
                   const String& Text, const TRect& Rect, bool WordWrap, Integer& TextWidth,
                   Integer& TextHeight) {
  const Integer Room = Rect.Right - Rect.Left - 2 - HorzMargin;
  TRect Measure{0, 0, std::max(Room, 1), 0};
  UINT Flags = DrawTextFlags | DT_CALCRECT | DT_NOPREFIX;
  if (WordWrap) Flags |= DT_WORDBREAK;
  DrawText(Canvas->GetHandle(), Text, -1, &Measure, Flags);
  TextWidth = Measure.Right - Measure.Left;
  TextHeight = Measure.Bottom - Measure.Top;
  return TextWidth > Room || TextHeight > Rect.Bottom - Rect.Top - VertMargin + 1;
}

Integer TextWidthCalc(TCanvas* Canvas, const String& Text) {
  TRect Measure{0, 0, 1, 0};
  DrawText(Canvas->GetHandle(), Text, -1, &Measure, DT_CALCRECT | DT_NOPREFIX);
  return Measure.Right - Measure.Left;
}

TColor BlendColors(TColor Color1, TColor Color2, bool Darker) {
  const COLORREF C1 = ColorToRGB(Color1);
  const COLORREF C2 = ColorToRGB(Color2);
  auto Channel = [Darker](BYTE A, BYTE B) {
    double M = (double(B) - double(A)) * 0.5 + double(A);
    M = (225.0 - M) * 0.6 + M;
    if (Darker) M = M - (122.0 - M) * 0.25;
    return Integer(std::clamp<Int64>(Round(M), 0, 255));
  };
  const Integer R = Channel(GetRValue(C1), GetRValue(C2));
  const Integer G = Channel(GetGValue(C1), GetGValue(C2));
  const Integer B = Channel(GetBValue(C1), GetBValue(C2));
  return TColor(B * 65536 + G * 256 + R);
}

}  // namespace korvel
