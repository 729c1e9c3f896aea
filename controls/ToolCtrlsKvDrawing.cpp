// The toolkit's free routines: the double-click test, a check box's place in
// a cell, images centred in a rectangle, tree lines and boxes, and the deep
// comparison of key values.
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "controls/ToolCtrlsKv.h"
#include "controls/ToolCtrlsKvImpl.h"
#include "platform/rtl/Numbers.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using toolctrls::TClipSaver;

bool IsDoubleClick(TPoint Pt1, TPoint Pt2, Cardinal Elapsed) {
  if (Elapsed > GetDoubleClickTime()) return false;
  if (std::abs(Pt2.X - Pt1.X) > GetSystemMetrics(SM_CXDOUBLECLK)) return false;
  if (std::abs(Pt2.Y - Pt1.Y) > GetSystemMetrics(SM_CYDOUBLECLK)) return false;
  return true;
}

TRect CheckBoxRectInCell(const TRect& Cell, TAlignment Alignment, TTextLayout Layout) {
  const Integer CellW = Cell.Width(), CellH = Cell.Height();
  const Integer W = std::min(DefaultCheckBoxWidth(), CellW);
  const Integer H = std::min(DefaultCheckBoxHeight(), CellH);
  TRect R = Cell;
  if (CellW > DefaultCheckBoxWidth()) {
    if (Alignment == taRightJustify)
      R.Left = Cell.Right - W;
    else if (Alignment == taCenter)
      R.Left = Cell.Left + CellW / 2 - W / 2;
  }
  if (CellH > DefaultCheckBoxHeight()) {
    if (Layout == tlCenter)
      R.Top = Cell.Top + CellH / 2 - H / 2;
    else if (Layout == tlBottom)
      R.Top = Cell.Bottom - H;
  }
  R.Right = R.Left + W;
  R.Bottom = R.Top + H;
  return R;
}

namespace {

// A colour as image-list calls take it.
COLORREF ImageListColor(TColor Color) {
  if (Color == clNone) return CLR_NONE;
  if (Color == clDefault) return CLR_DEFAULT;
  return ColorToRGB(Color);
}

}  // namespace

void DrawImageCentered(HDC DC, const TRect& Rect, TCustomImageList* Images, bool Selected,
                       Integer ImageIndex) {
  if (!Images) return;
  const Integer W = Images->GetWidth(), H = Images->GetHeight();
  const Integer Left = (Rect.Left + Rect.Right - W) / 2;
  const Integer Top = (Rect.Top + Rect.Bottom - H) / 2;
  const TRect Image = Bounds(Left, Top, W, H);
  if (!Images->HandleAllocated()) return;
  TRect Inside;
  const bool Clipped = !(IntersectRect(Inside, Image, Rect) && Inside == Image);
  std::optional<TClipSaver> Clip;
  if (Clipped) {
    Clip.emplace(DC);
    IntersectClipRect(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
  }
  const COLORREF Bk = ImageListColor(Images->GetBkColor());
  const COLORREF Fg = Selected ? ColorToRGB(clHighlight) : ImageListColor(Images->GetBlendColor());
  UINT Style = Images->GetImageType() == itMask ? ILD_MASK : ILD_NORMAL;
  if (Selected) Style |= ILD_SELECTED;
  ImageList_DrawEx(Images->GetHandle(), ImageIndex, DC, Left, Top, 0, 0, Bk, Fg, Style);
}

void DrawDottedLine(TCanvas* Canvas, Integer X, Integer Y, Integer Length, bool Horizontal,
                    bool DotPhase) {
  // Dots stand where x + y is even (odd with the phase): a start off that
  // rule moves one pixel along the line.
  const Integer Wanted = DotPhase ? 1 : 0;
  if (((X + Y) % 2 + 2) % 2 != Wanted) {
    if (Horizontal)
      ++X;
    else
      ++Y;
    --Length;
  }
  if (Length <= 0) return;
  const Integer Step = 2 * std::max(1, Canvas->GetPen()->GetWidth());
  const Integer Count = Length / Step + (Length % 2 == 1 ? 1 : 0);
  std::vector<TPoint> Points;
  std::vector<DWORD> Counts;
  for (Integer I = 0; I < Count; ++I) {
    const Integer D = I * Step;
    const TPoint From = Horizontal ? Point(X + D, Y) : Point(X, Y + D);
    const TPoint To = Horizontal ? Point(From.X + 1, From.Y) : Point(From.X, From.Y + 1);
    Points.push_back(From);
    Points.push_back(To);
    Counts.push_back(2);
  }
  PolyPolyline(Canvas->GetHandle(), Points.data(), Counts.data(), DWORD(Counts.size()));
}

void DrawTreeElement(TCanvas* Canvas, const TRect& Cell, TTreeElementKv Kind, bool ShiftLeft,
                     double ScaleY, double ScaleX, bool DotPhase) {
  const Integer CX = (Cell.Left + Cell.Right) / 2, CY = (Cell.Top + Cell.Bottom) / 2;
  auto SX = [ScaleX](double N) { return Integer(Round(N * ScaleX)); };
  auto SY = [ScaleY](double N) { return Integer(Round(N * ScaleY)); };
  TPen* Pen = Canvas->GetPen();
  Pen->SetStyle(psSolid);
  if (Kind <= tehPlusDown) {
    // [Phase 1] The box with its minus bar, and the plus bar for the plus kinds.
    TRect Box = Rect(CX - SX(4), CY - SY(4), CX + SX(4) + 1, CY + SY(4) + 1);
    if (ShiftLeft) OffsetRect(Box, -1, 0);
    Canvas->GetBrush()->SetColor(clWindow);
    Pen->SetColor(clBtnShadow);
    Canvas->Rectangle(Box);
    Pen->SetColor(clWindowText);
    Canvas->MoveTo(Box.Left + SX(2), CY);
    Canvas->LineTo(Box.Right - SX(2), CY);
    if (Kind >= tehPlusUpDown) {
      Canvas->MoveTo(CX, Box.Top + SY(2));
      Canvas->LineTo(CX, Box.Bottom - SY(2));
    }
    // [Phase 2] The connectors: to the right edge, up and down.
    Pen->SetColor(clBtnShadow);
    const Integer RightFrom = Box.Right + SX(1);
    DrawDottedLine(Canvas, RightFrom, CY, Cell.Right - RightFrom, true, false);
    const bool Up =
        Kind == tehMinusUpDown || Kind == tehMinusUp || Kind == tehPlusUpDown || Kind == tehPlusUp;
    const bool Down = Kind == tehMinusUpDown || Kind == tehMinusDown || Kind == tehPlusUpDown ||
                      Kind == tehPlusDown;
    if (Up) DrawDottedLine(Canvas, CX, Cell.Top, Box.Top - Cell.Top, false, DotPhase);
    if (Down) {
      const Integer DownFrom = Box.Bottom + SY(1);
      DrawDottedLine(Canvas, CX, DownFrom, Cell.Bottom - DownFrom, false, DotPhase);
    }
    return;
  }
  // Lines only.
  Pen->SetColor(clBtnShadow);
  switch (Kind) {
    case tehCrossUpDown:
    case tehVLine:
      DrawDottedLine(Canvas, CX, Cell.Top, Cell.Height(), false, DotPhase);
      break;
    case tehCrossUp:
      DrawDottedLine(Canvas, CX, Cell.Top, CY - Cell.Top, false, DotPhase);
      break;
    case tehCrossDown:
      DrawDottedLine(Canvas, CX, CY, Cell.Bottom - CY, false, DotPhase);
      break;
    default:
      break;
  }
  if (Kind != tehVLine) DrawDottedLine(Canvas, CX, CY, Cell.Right - CX, true, false);
}

bool VarEquals(const Variant& V1, const Variant& V2) {
  const bool Array1 = VarIsArray(V1), Array2 = VarIsArray(V2);
  if (Array1 != Array2) return false;
  // A comparison that cannot be made answers "unequal": callers store a key
  // or show a state on this answer, and must never take two different values
  // for the same.
  try {
    if (Array1) {
      const Integer Low = VarArrayLowBound(V1), High = VarArrayHighBound(V1);
      if (VarArrayDimCount(V1) != VarArrayDimCount(V2) || Low != VarArrayLowBound(V2) ||
          High != VarArrayHighBound(V2) || High < Low)
        return false;
      for (Integer I = Low; I <= High; ++I)
        if (!(V1[I] == V2[I])) return false;
      return true;
    }
    if (VarIsEmpty(V1) || VarIsEmpty(V2)) return VarIsEmpty(V1) && VarIsEmpty(V2);
    return V1 == V2;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace korvel
