// The grid under the keyboard. A key is first decoded into a navigation
// request (where the current cell and the top-left cell should go), then one
// routine applies the request: scrolls, clamps and moves the current cell.
#include <algorithm>

#include "base/GridsKv.h"
#include "platform/rtl/VirtualKeys.h"

namespace korvel {

using namespace kvp;

namespace {

// What a key asks of the grid.
struct TNavigation {
  TGridCoord Current;            // the wanted current cell
  TGridCoord TopLeft;            // the wanted top-left cell
  bool ExtendSelection = false;  // keep the anchor (Shift held)
};

// Steps once from Coord through the scrolling columns in reading order,
// wrapping at the row ends and at the grid's ends.
TGridCoord TabStep(TGridCoord C, bool Backward, Integer FixedCols, Integer ColCount,
                   Integer FixedRows, Integer RowCount) {
  if (!Backward) {
    if (++C.X > ColCount - 1) {
      C.X = FixedCols;
      if (++C.Y > RowCount - 1) C.Y = FixedRows;
    }
  } else {
    if (--C.X < FixedCols) {
      C.X = ColCount - 1;
      if (--C.Y < FixedRows) C.Y = RowCount - 1;
    }
  }
  return C;
}

}  // namespace

void TCustomGridKv::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key != 0 && !CanGridAcceptKey(Key, Shift)) Key = 0;
  if (Key == 0) return;
  // [Phase 1] Decode the key.
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer PageWidth = std::max(1, DrawInfo.Horz.LastFullVisibleCell - FTopLeft.X);
  const Integer PageHeight = std::max(1, DrawInfo.Vert.LastFullVisibleCell - FTopLeft.Y);
  const bool RowSelect = FOptions.Contains(goRowSelect);
  // Right to left, Left moves on to the next column and Right back.
  const Integer RTL = RightToLeft() ? -1 : 1;
  bool RepaintAll = false;
  TNavigation Nav{FCurrent, FTopLeft};
  if (Shift.Contains(ssCtrl)) {
    switch (Key) {
      case VK_UP:
        --Nav.TopLeft.Y;
        break;
      case VK_DOWN:
        ++Nav.TopLeft.Y;
        break;
      case VK_LEFT:
        if (!RowSelect) {
          Nav.Current.X -= PageWidth * RTL;
          Nav.TopLeft.X -= PageWidth * RTL;
        }
        break;
      case VK_RIGHT:
        if (!RowSelect) {
          Nav.Current.X += PageWidth * RTL;
          Nav.TopLeft.X += PageWidth * RTL;
        }
        break;
      case VK_NEXT:
        Nav.Current.Y = DrawInfo.Vert.LastFullVisibleCell;
        break;
      case VK_PRIOR:
        Nav.Current.Y = FTopLeft.Y;
        break;
      case VK_HOME:
        Nav.Current = {FFixedCols, FFixedRows};
        RepaintAll = RTL < 0;
        break;
      case VK_END:
        Nav.Current = {FColCount - 1, FRowCount - 1};
        RepaintAll = RTL < 0;
        break;
      default:
        break;
    }
  } else {
    switch (Key) {
      case VK_UP:
        --Nav.Current.Y;
        break;
      case VK_DOWN:
        ++Nav.Current.Y;
        break;
      case VK_LEFT:
        (RowSelect ? Nav.Current.Y : Nav.Current.X) -= RTL;
        break;
      case VK_RIGHT:
        (RowSelect ? Nav.Current.Y : Nav.Current.X) += RTL;
        break;
      case VK_NEXT:
        Nav.Current.Y += PageHeight;
        Nav.TopLeft.Y += PageHeight;
        break;
      case VK_PRIOR:
        Nav.Current.Y -= PageHeight;
        Nav.TopLeft.Y -= PageHeight;
        break;
      case VK_HOME:
        if (RowSelect)
          Nav.Current.Y = FFixedRows;
        else
          Nav.Current.X = FFixedCols;
        break;
      case VK_END:
        if (RowSelect)
          Nav.Current.Y = FRowCount - 1;
        else
          Nav.Current.X = FColCount - 1;
        break;
      case VK_TAB:
        if (!Shift.Contains(ssAlt)) {
          const bool Backward = Shift.Contains(ssShift);
          Shift -= ssShift;
          // One full round of the scrolling columns at most: from a frozen
          // column with no tab stop anywhere the search would never end.
          TGridCoord C = FCurrent;
          bool Found = false;
          for (Integer Step = 0; Step < std::max(1, FColCount - FFixedCols); ++Step) {
            C = TabStep(C, Backward, FFixedCols, FColCount, FFixedRows, FRowCount);
            if (GetTabStops(C.X) || C.X == FCurrent.X) {
              Found = true;
              break;
            }
          }
          if (Found) Nav.Current = C;
        }
        break;
      case VK_F2:
        SetEditorMode(true);
        break;
      default:
        break;
    }
  }
  Nav.ExtendSelection = Shift.Contains(ssShift);
  // [Phase 2] Apply it.
  const TGridCoord Max = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo);
  const Integer MaxX = std::max(FFixedCols, Max.X), MaxY = std::max(FFixedRows, Max.Y);
  Nav.TopLeft.X = ShownTopLeftCell(DrawInfo.Horz, std::clamp(Nav.TopLeft.X, FFixedCols, MaxX),
                                   FFixedCols, MaxX, FTopLeft.X);
  Nav.TopLeft.Y = ShownTopLeftCell(DrawInfo.Vert, std::clamp(Nav.TopLeft.Y, FFixedRows, MaxY),
                                   FFixedRows, MaxY, FTopLeft.Y);
  if (!(Nav.TopLeft == FTopLeft)) MoveTopLeft(Nav.TopLeft.X, Nav.TopLeft.Y);
  // The cursor does not stop on a hidden cell either: it would vanish, and
  // keeping it in view would bring the hidden cell to the top left.
  const Integer MinCol = FFixedCols - FFrozenColCount;
  Nav.Current.X = ShownTopLeftCell(DrawInfo.Horz, std::clamp(Nav.Current.X, MinCol, FColCount - 1),
                                   MinCol, FColCount - 1, FCurrent.X);
  Nav.Current.Y =
      ShownTopLeftCell(DrawInfo.Vert, std::clamp(Nav.Current.Y, FFixedRows, FRowCount - 1),
                       FFixedRows, FRowCount - 1, FCurrent.Y);
  if (!(Nav.Current == FCurrent)) FocusCell(Nav.Current.X, Nav.Current.Y, !Nav.ExtendSelection);
  if (RepaintAll) Invalidate();
}

void TCustomGridKv::KeyPress(Char& Key) {
  inherited::KeyPress(Key);
  if (FOptions.Contains(goAlwaysShowEditor) || Key != U'\r') return;
  if (FEditorMode)
    HideEditor();
  else
    ShowEditor();
  Key = 0;
}

void TCustomGridKv::WMGetDlgCode(TMessage& Message) {
  Message.Result = DLGC_WANTARROWS;
  if (FOptions.Contains(goRowSelect)) return;
  if (FOptions.Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
  if (FOptions.Contains(goEditing)) Message.Result |= DLGC_WANTCHARS;
}

void TCustomGridKv::WMChar(TWMKey& Message) {
  const Char C = Char(Message.CharCode);
  if (FOptions.Contains(goEditing) && (C >= 32 || C == 8)) {
    ShowEditorChar(C);
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TCustomGridKv::CMWantSpecialKey(TWMKey& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (FOptions.Contains(goEditing) && Message.CharCode == VK_RETURN) Message.Result = 1;
}

}  // namespace korvel
