// The data-aware grid's window and component messages: the window's frame
// and styles, sizing and scrolling, the timers and the mouse modes a
// cancel ends, the focus coming and going, fonts and colours taken from the
// parent, the tool tips that show a clipped cell's whole text, and the
// platform's standard edit actions.
//
// Every handler runs the base grid's handling where the grid only adds to
// it; the keyboard (WM_CHAR), painting (WM_PAINT) and the cursor
// (WM_SETCURSOR) are in their own files.
//
// Index:
//   [SECTION] Window            CreateParams, WM_NCCALCSIZE, WM_NCPAINT, WM_ERASEBKGND,
//                               WM_GETDLGCODE, CalcSizingState, TopLeftChanged
//   [SECTION] Size and scroll   WM_SIZE, WM_VSCROLL, WM_HSCROLL, WM_USER+100
//   [SECTION] Timers and modes  WM_TIMER, WM_CANCELMODE, CM_CANCELMODE, WndProc, CM_MOUSEWHEEL
//   [SECTION] Focus             WM_SETFOCUS, WM_KILLFOCUS, column IME, WM_IME_STARTCOMPOSITION
//   [SECTION] Children          WM_COMMAND
//   [SECTION] Fonts and colours CM_FONTCHANGED, CM_PARENTCOLORCHANGED, CM_PARENTFONTCHANGED,
//                               CM_SYSCOLORCHANGE, CM_DESIGNHITTEST
//   [SECTION] Tool tips         CM_HINTSHOW, CM_HINTSHOWPAUSE, the tips of data, title and
//                               footer cells
//   [SECTION] Edit actions      ExecuteAction, UpdateAction
//   [SECTION] Aggregate list    SumListRecalcAll, SumListAfterRecalcAll
#include <algorithm>

#include "grid/DBGridKvImpl.h"
#include "platform/controls/EditClass.h"
#include "platform/controls/Forms.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

namespace {

constexpr UINT_PTR AutoScrollTimerId = 1;
constexpr UINT_PTR InplaceSearchTimerId = 2;
constexpr Integer TitleBorderState = 6;  // CalcMouseState: on a title column's border

}  // namespace

// [SECTION] Window

// A flat grid draws its own one-pixel border inside the window (see
// WM_NCCALCSIZE and PaintFlatBorder) instead of the system's 3-D edge.
void TCustomDBGridKv::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  FFlatBorderWidth = 0;
  if (GetFlat() && GetCtl3D()) {
    Params.Style &= ~DWORD(WS_BORDER);
    Params.ExStyle &= ~DWORD(WS_EX_CLIENTEDGE);
    if (GetBorderStyle() == bsSingle) FFlatBorderWidth = 1;
  }
  Params.Style |= WS_CLIPCHILDREN;
}

void TCustomDBGridKv::WMNCCalcSize(TMessage& Message) {
  inherited::Dispatch(Message);
  if (FFlatBorderWidth == 0 || !Message.LParam) return;
  TRect* Client = Message.WParam
                      ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]
                      : reinterpret_cast<TRect*>(Message.LParam);
  InflateRect(*Client, -FFlatBorderWidth, -FFlatBorderWidth);
}

void TCustomDBGridKv::WMNCPaint(TMessage& Message) {
  inherited::Dispatch(Message);
  PaintFlatBorder();
}

// Every pixel of the client area is painted by the cells: nothing to erase.
void TCustomDBGridKv::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

// Preferring the search, the grid wants typed characters even where the
// base grid would not edit.
void TCustomDBGridKv::WMGetDlgCode(TMessage& Message) {
  inherited::Dispatch(Message);
  if (FOptionsKv.Contains(dgPreferInplaceSearchKv)) Message.Result |= DLGC_WANTCHARS;
}

// Rows are sized only from the indicator column, not from frozen data
// columns (which the base grid counts among its fixed ones).
void TCustomDBGridKv::CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index,
                                      Integer& SizingPos, Integer& SizingOfs,
                                      const TGridDrawInfo& DrawInfo) {
  inherited::CalcSizingState(X, Y, State, Index, SizingPos, SizingOfs, DrawInfo);
  if (State != gsRowSizing) return;
  const Integer Indicator = FIndicatorOffset > 0 ? DrawInfo.Horz.GetExtent(0) : 0;
  const Integer Local = UseRightToLeftAlignment() ? DrawInfo.Horz.ClientExtent - X : X;
  if (Local < 0 || Local >= Indicator) {
    State = gsNormal;
    Index = -1;
  }
}

void TCustomDBGridKv::TopLeftChanged() {
  // [Phase 1] The fixed rows repaint when the first scrolling column comes
  // into or goes out of sight (the title joins to the frozen ones).
  const bool AtFirst = GetLeftCol() == GetFixedCols();
  if (AtFirst != FLeftColAtFirst) {
    FLeftColAtFirst = AtFirst;
    for (Integer Row = 0; Row < GetFixedRows() && HandleAllocated(); ++Row)
      InvalidateGridRow(this, Row);
  }
  // [Phase 2] The base grid, the horizontal bar, records of a tree.
  inherited::TopLeftChanged();
  UpdateHorzScrollBar();
  if (FMemTable) RequestFetchRecords();
  UpdateFilterEditor(false);
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

// [SECTION] Size and scroll

void TCustomDBGridKv::WMDeferredLayout(TMessage&) {
  if (AcquireLayoutLock())
    EndLayout();
  else
    DeferLayout();
}

void TCustomDBGridKv::WMSize(TWMSize& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (FUpdateLock > 0) {
    // The rows are counted again once the lock is gone.
    DeferLayout();
  } else if (FAutoFitColWidths && !Designing()) {
    LayoutChanged();
    ReloadEditor();
  } else {
    UpdateRowCount();
    UpdateScrollBar();
    UpdateFilterEditor(false);
  }
  UpdateHorzScrollBar();
}

// The bar moves the dataset: by rows, by pages, to either end, or to the
// record number under the thumb.
void TCustomDBGridKv::WMVScroll(TWMScroll& Message) {
  if (!AcquireFocus()) return;
  // [Phase 1] The thumb's position: the message carries 16 bits, so past
  // them the position comes from the bar while it is dragged, and the
  // dropped thumb stands where it was last dragged to.
  SCROLLINFO Info{};
  Info.cbSize = sizeof(SCROLLINFO);
  Info.fMask = SIF_TRACKPOS | SIF_RANGE;
  FVertScrollBar->GetScrollInfo(Info);
  const Integer Code = Message.ScrollCode();
  if (Code == SB_THUMBTRACK) FThumbTrackPos = Info.nTrackPos;
  const Integer ThumbPos = Info.nMax <= 0xFFFF     ? Integer(HIWORD(Message.WParam))
                           : Code == SB_THUMBTRACK ? Info.nTrackPos
                                                   : FThumbTrackPos;
  if (FMemTable) {
    HandleVertScroll(Code, ThumbPos);
    return;
  }
  if (!FDataLink->GetActive()) return;
  // [Phase 2] The move.
  TDataSet* DataSet = FDataLink->GetDataSet();
  const Integer Active = FDataLink->GetActiveRecord();
  switch (Code) {
    case SB_LINEUP:
      DataSet->MoveBy(-Active - 1);
      break;
    case SB_LINEDOWN:
      DataSet->MoveBy(FDataLink->GetRecordCount() - Active);
      break;
    case SB_PAGEUP:
      DataSet->MoveBy(-GetVisibleRowCount());
      break;
    case SB_PAGEDOWN:
      DataSet->MoveBy(GetVisibleRowCount());
      break;
    case SB_TOP:
      DataSet->First();
      break;
    case SB_BOTTOM:
      DataSet->Last();
      break;
    case SB_THUMBTRACK:
      // Only record numbers can be followed: an unnumbered dataset's bar has
      // five symbolic places, which the dropped thumb acts on.
      if (FVertScrollBar->GetTracking() && FSumList->IsSequenced()) {
        DataSet->MoveBy(ThumbPos - FSumList->GetRecNo());
        FIgnoreThumbPos = true;
      }
      break;
    case SB_THUMBPOSITION:
      if (FIgnoreThumbPos) {
        FIgnoreThumbPos = false;
        break;
      }
      if (FSumList->IsSequenced()) {
        if (ThumbPos <= 1)
          DataSet->First();
        else if (ThumbPos < FSumList->RecordCount())
          FSumList->SetRecNo(ThumbPos);
        else
          DataSet->Last();
      } else if (ThumbPos == 0) {
        DataSet->First();
      } else if (ThumbPos == 1) {
        DataSet->MoveBy(-GetVisibleRowCount());
      } else if (ThumbPos == 3) {
        DataSet->MoveBy(GetVisibleRowCount());
      } else if (ThumbPos == 4) {
        DataSet->Last();
      }
      break;
    default:
      break;
  }
}

// With tracking the columns follow the dragged thumb.
void TCustomDBGridKv::WMHScroll(TWMScroll& Message) {
  if (FHorzScrollBar->GetTracking() && Message.ScrollCode() == SB_THUMBTRACK)
    Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, HIWORD(Message.WParam)), Message.LParam);
  else
    inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  UpdateHorzScrollBar();
}

// [SECTION] Timers and modes

void TCustomDBGridKv::WMTimer(TWMTimer& Message) {
  inherited::WMTimer(Message);
  if (Message.TimerID == InplaceSearchTimerId) {
    InplaceSearchTimer();
    return;
  }
  if (Message.TimerID != AutoScrollTimerId) return;
  if (FMouseState == 7) {
    TPoint P;
    GetCursorPos(&P);
    P = ScreenToClient(P);
    TGridDrawInfo DrawInfo;
    CalcDrawInfo(DrawInfo);
    RowMoveDragOver(P.X, P.Y, DrawInfo);
  } else if (FMouseState != 0 || FRowSelectTracking || FCellSelectTracking) {
    AutoScrollTimer();
  }
}

void TCustomDBGridKv::EndMouseModes() {
  StopTracking();
  if (FMouseState != 0) StopTimer();
  FMouseState = 0;
}

void TCustomDBGridKv::WMCancelMode(TMessage& Message) {
  inherited::WMCancelMode(Message);
  EndMouseModes();
}

void TCustomDBGridKv::CMCancelMode(TMessage& Message) {
  inherited::Dispatch(Message);
  EndMouseModes();
  if (TInplaceFilterEditKv* Editor = GetFilterEditor())
    Editor->Perform(CM_CANCELMODE, Message.WParam, Message.LParam);
}

// In automatic drag mode a multi-select grid takes its left presses itself,
// so that a press on a selected cell can still start a drag when the mouse
// moves (and a press elsewhere selects).
void TCustomDBGridKv::WndProc(TMessage& Message) {
  // A press on a filter cell opens the filter-row editor there, and nothing
  // else.
  if ((Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_RBUTTONDOWN) && FilterCellPress(Message))
    return;
  const bool Press = Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK;
  if (!Press || GetDragMode() != dmAutomatic || !FOptions.Contains(dgMultiSelectKv) ||
      Designing()) {
    inherited::WndProc(Message);
    return;
  }
  struct TRestore {
    TCustomDBGridKv* Grid;
    ~TRestore() {
      Grid->SetDragMode(dmAutomatic);
      Grid->FAutoDragPress = false;
    }
  } Restore{this};
  SetDragMode(dmManual);
  FAutoDragPress = true;
  inherited::WndProc(Message);
}

// An open drop-down of the editor takes the wheel instead of the records.
void TCustomDBGridKv::CMMouseWheel(TCMMouseWheel& Message) {
  TDBGridInplaceEdit* Editor = GetDBInplaceEditor();
  if (Editor && Editor->GetListVisible() && Editor->GetActiveList()) {
    Editor->GetActiveList()->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
    Message.Result = 1;
    return;
  }
  if (GetFilterEditorActive() && GetFilterEditor()) {
    Message.Result = GetFilterEditor()->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

// [SECTION] Focus

namespace {

bool IsWindowOf(TWinControl* Control, HWND Wnd) {
  return Control && Wnd && Control->HandleAllocated() && Control->GetHandle() == Wnd;
}

}  // namespace

void TCustomDBGridKv::InvalidateSelectedRowBox() {
  if (!HandleAllocated() || GetRow() >= GetRowCount()) return;
  const TRect Box = CurrentRowBox();
  ::kvp::InvalidateRect(GetHandle(), &Box, FALSE);
}

void TCustomDBGridKv::WMSetFocus(TWMSetFocus& Message) {
  if (!IsWindowOf(GetInplaceEditor(), Message.FocusedWnd)) SetColumnIme();
  if (FOptions.Contains(dgRowSelectKv)) InvalidateSelectedRowBox();
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  // The filter-row editor in use takes the focus back, unless it is the
  // one giving it.
  if (FilterEditorShown() && !IsWindowOf(GetFilterEditor(), Message.FocusedWnd))
    GetFilterEditor()->SetFocus();
  if (FFocusedSeen != IsFocused()) SelectionChanged();
}

void TCustomDBGridKv::WMKillFocus(TWMKillFocus& Message) {
  const bool ToEditor = IsWindowOf(GetInplaceEditor(), Message.FocusedWnd);
  // [Phase 1] Ctrl-clicks on titles sort when the user leaves the grid
  // holding Ctrl.
  if (FSortingPending && !ToEditor) {
    FSortingPending = false;
    ApplySortingAfterCtrl();
  }
  if (FOptions.Contains(dgRowSelectKv)) InvalidateSelectedRowBox();
  // [Phase 2] The input method and the keyboard layout go back to the
  // screen's, unless the focus stays with the grid's editor.
  if (SysLocale.FarEast) {
    SetImeName(Screen()->GetDefaultIme());
    SetImeMode(imDontCare);
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (SysLocale.FarEast && !ToEditor)
    ActivateKeyboardLayout(Screen()->GetDefaultKbLayout(), KLF_ACTIVATE);
  // While the focus moves no window holds it: one that goes to the editor
  // stays the grid's.
  if (FFocusedSeen != ToEditor) SelectionChanged();
}

// The grid and its editor take the input method of the current column:
// its own when it stores one, else the grid's as the window was made.
void TCustomDBGridKv::SetColumnIme() {
  if (!SysLocale.FarEast) return;
  TImeName Name;
  TImeMode Mode = imDontCare;
  ColumnIme(Name, Mode);
  SetImeName(Name);
  SetImeMode(Mode);
  if (TInplaceEdit* Editor = GetInplaceEditor()) {
    Editor->SetImeName(Name);
    Editor->SetImeMode(Mode);
  }
}

void TCustomDBGridKv::ColumnIme(TImeName& Name, TImeMode& Mode) {
  Name = FGridImeName;
  Mode = FGridImeMode;
  const Integer Index = GetSelectedIndex();
  if (Index < 0 || Index >= FColumns->GetCount()) return;
  // A column's own pair is the one it was given: whether the form would
  // store it compares with the grid's, which this very routine changes.
  TColumnKv* Column = FColumns->GetColumn(Index);
  if (Column->GetAssignedValues().Contains(cvImeName)) Name = Column->GetImeName();
  if (Column->GetAssignedValues().Contains(cvImeMode)) Mode = Column->GetImeMode();
}

void TCustomDBGridKv::WMImeStartComposition(TMessage& Message) {
  inherited::Dispatch(Message);
  ShowCellEditor();
}

// [SECTION] Children

// The base handling reflects a child's notification to it; the editor's
// change of text also reaches the editor itself.
void TCustomDBGridKv::WMCommand(TWMCommand& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  TDBGridInplaceEdit* Editor = GetDBInplaceEditor();
  if (IsWindowOf(Editor, Message.Ctl) && Message.NotifyCode() == EN_CHANGE) Editor->TextChanged();
  // The filter-row editor's text is kept by the editor and becomes its
  // column's condition when the person leaves the cell or applies the
  // filter: a condition still being typed (">" alone) is not an error yet.
}

// [SECTION] Fonts and colours

void TCustomDBGridKv::CMFontChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  BeginLayout();
  struct TEnd {
    TCustomDBGridKv* Grid;
    ~TEnd() { Grid->EndLayout(); }
  } End{this};
  for (Integer I = 0; I < FColumns->GetCount(); ++I) FColumns->GetColumn(I)->RefreshDefaultFont();
}

// The footers take the parent's colour with the grid.
void TCustomDBGridKv::CMParentColorChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  if (!GetParentColor()) return;
  FFooterColor = GetColor();
  Invalidate();
}

// The titles and footers take the parent's font with the grid.
void TCustomDBGridKv::CMParentFontChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  if (!GetParentFont()) return;
  {
    TFlagScope Assigning(FAssigningTitleFont);
    FTitleFont->Assign(GetFont());
    FFooterFont->Assign(GetFont());
  }
  LayoutChanged();
}

void TCustomDBGridKv::CMSysColorChange(TMessage& Message) {
  inherited::Dispatch(Message);
  UpdateFlatColor();
  Invalidate();
}

// At design time a title border is the grid's to drag, where the grid shows
// columns of its own or fields of an open dataset.
void TCustomDBGridKv::CMDesignHitTest(TMessage& Message) {
  inherited::Dispatch(Message);
  if (Message.Result == 0) {
    const Integer X = SmallInt(LOWORD(std::uintptr_t(Message.LParam)));
    const Integer Y = SmallInt(HIWORD(std::uintptr_t(Message.LParam)));
    Integer State = 0, Index = -1, Pos = 0, Ofs = 0;
    CalcMouseState(X, Y, State, Index, Pos, Ofs);
    if (State == TitleBorderState) Message.Result = 1;
  }
  if (Message.Result != 0 && !FColumns->IsCustomized() &&
      !(FDataLink->GetActive() && FDataLink->GetDefaultFields()))
    Message.Result = 0;
}

// [SECTION] Tool tips

namespace {

// The cell under P when it lies in a data column; (-1, -1) elsewhere.
TGridCoord DataColumnCell(TCustomDBGridKv* Grid, const TPoint& P) {
  const TGridCoord Cell = Grid->MouseCoord(P.X, P.Y);
  const Integer DataCol = Grid->RawToDataColumn(Cell.X);
  if (Cell.X < 0 || Cell.Y < 0 || DataCol < 0 || DataCol >= Grid->GetColumns()->GetCount())
    return {-1, -1};
  return Cell;
}

}  // namespace

// A title's own hint shows as any hint; the cells of columns, titles and
// footers that have tips show their whole text when it is cut.
void TCustomDBGridKv::CMHintShow(TCMHintShow& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  THintInfo* Info = Message.HintInfo;
  if (Message.Result != 0 || !Info) return;
  const TGridCoord Cell = DataColumnCell(this, FHitTest);
  if (Cell.X < 0) return;
  TColumnKv* Column = FColumns->GetColumn(RawToDataColumn(Cell.X));
  Integer DataCol = 0, Index = 0;
  const TCellAreaKv Area = GetCellType(Cell.X, Cell.Y, DataCol, Index);
  // [Phase 1] A title's hint.
  if (Area.RowType == crtTitleKv && !Column->GetTitle()->GetHint().empty()) {
    Info->HintStr = GetShortHint(Column->GetTitle()->GetHint());
    Info->CursorRect = CellRect(Cell.X, Cell.Y);
    return;
  }
  // [Phase 2] No tip while the mouse is held or Ctrl is down.
  if (GetCaptureControl() == this || GetKeyState(VK_CONTROL) < 0) return;
  switch (Area.RowType) {
    case crtTitleKv:
      if (Column->GetTitle()->GetToolTips()) TitleCellToolTip(Cell.X, Cell.Y, Column, *Info);
      break;
    case crtDataKv:
      DataCellToolTip(Cell.X, Cell.Y, *Info);
      break;
    case crtFooterKv:
      FooterCellToolTip(Cell.X, Cell.Y, Index, Column, *Info);
      break;
    case crtFilterKv:
      break;
  }
}

// Cells with tips show them at once; elsewhere the application's pause.
void TCustomDBGridKv::CMHintShowPause(TCMHintShowPause& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (!Message.Pause) return;
  TPoint P;
  GetCursorPos(&P);
  const TGridCoord Cell = DataColumnCell(this, ScreenToClient(P));
  if (Cell.X < 0) return;
  TColumnKv* Column = FColumns->GetColumn(RawToDataColumn(Cell.X));
  Integer DataCol = 0, Index = 0;
  bool AtOnce = false;
  switch (GetCellType(Cell.X, Cell.Y, DataCol, Index).RowType) {
    case crtTitleKv:
      AtOnce = Column->GetTitle()->GetToolTips() && Column->GetTitle()->GetHint().empty();
      break;
    case crtDataKv:
      AtOnce = FDataLink->GetActive() && Column->GetToolTips();
      break;
    case crtFooterKv:
      AtOnce = Index < FFooterRowCount && Column->UsedFooter(Index)->GetToolTips();
      break;
    case crtFilterKv:
      break;
  }
  if (AtOnce) *Message.Pause = 0;
}

// The caption as the title shows it: a multi-level title's own part (no tip
// above it), beside the sort marker.
bool TCustomDBGridKv::TitleCellToolTip(Integer ACol, Integer ARow, TColumnKv* Column,
                                       THintInfo& Info) {
  TColumnTitleKv* Title = Column->GetTitle();
  const Integer DataCol = RawToDataColumn(ACol);
  TRect R = CellRect(ACol, ARow);
  const Integer Marking = Title->GetSortMarkingWidth();
  if (Marking > 2) R.Right -= Marking - 2;
  String Text = Title->GetCaption();
  const bool Multi = FUseMultiTitle && DataCol < GetLeafCount() && GetLeaf(DataCol)->FLeaf;
  if (Multi) {
    THeadTreeNode* Leaf = GetLeaf(DataCol)->FLeaf;
    R.Top = std::max(R.Top, R.Bottom - Leaf->Height + 3);
    if (FHitTest.Y < R.Top) return false;
    Text = Leaf->Text;
  }
  const bool Vertical = Title->GetOrientation() == tohVertical;
  const bool Wrap = !Vertical && (Multi || FTitleHeight != 0 || FTitleLines != 0);
  return ShowCellTip(Info, ACol, ARow, R, Text, Title->GetFont(),
                     Multi ? taCenter : Title->GetAlignment(), Multi ? tlCenter : tlTop, Wrap,
                     Vertical, false);
}

// The footer's value, in its font and alignment.
bool TCustomDBGridKv::FooterCellToolTip(Integer ACol, Integer ARow, Integer FooterRow,
                                        TColumnKv* Column, THintInfo& Info) {
  if (FooterRow < 0 || FooterRow >= FFooterRowCount) return false;
  TColumnFooterKv* Footer = Column->UsedFooter(FooterRow);
  if (!Footer || !Footer->GetToolTips()) return false;
  const TRect R = CellRect(ACol, ARow);
  return ShowCellTip(Info, ACol, ARow, R, FooterText(FooterRow, Column), Footer->GetFont(),
                     Footer->GetAlignment(), tlTop, Footer->GetWordWrap() && FWordWrapAllowed,
                     false, false);
}

// Measures Text in Font inside Room, the part of cell (ACol, ARow) its text
// is written in (a turned text with width and height exchanged), and, when
// it is cut or Always, lays the tip over it: the tip's letters stand where
// DrawCell writes the cell's.
bool TCustomDBGridKv::ShowCellTip(THintInfo& Info, Integer ACol, Integer ARow, TRect Room,
                                  const String& Text, TFont* Font, TAlignment Alignment,
                                  TTextLayout Layout, bool WordWrap, bool Vertical,
                                  bool Always) {
  if (Text.empty()) return false;
  // [Phase 1] The margins the cell is painted with.
  TGridDrawState State;
  if (ACol < GetFixedCols() || ARow < GetFixedRows()) State += gdFixed;
  Integer DX = 0, DY = 0;
  CellTextPlace(ACol, ARow, State, Room, DX, DY);
  // [Phase 2] Measure in the hint font.
  if (!FHintFont) FHintFont.reset(TFont::Create());
  if (Font != FHintFont.get()) FHintFont->Assign(Font);
  TRect Measured = Room;
  if (Vertical) TransposeRectSize(Measured);
  TObjectPtr<TCanvas> Measure(TCanvas::Create());
  const HDC DC = GetDC(nullptr);
  Measure->SetHandle(DC);
  Measure->SetFont(FHintFont.get());
  Integer TextWidth = 0, TextHeight = 0;
  const bool Clipped = IsTextClipped(DT_NOPREFIX, Measure.get(), DX, DY, Text, Measured, WordWrap,
                                     TextWidth, TextHeight);
  Measure->SetHandle(nullptr);
  ReleaseDC(nullptr, DC);
  if (!Always && !Clipped) return false;
  // [Phase 3] Where the cell writes the text (as WriteCellText does), less
  // the hint window's own inset: its one-pixel border and two pixels inside.
  // Cells lie where they show, right to left too, and a text aligned to
  // the column's start then stands at the cell's right.
  constexpr Integer HintTextInset = 3;
  if (UseRightToLeftAlignment() && Alignment != taCenter)
    Alignment = Alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  Integer X = Room.Left + DX;
  if (Alignment == taRightJustify)
    X = Room.Right - TextWidth - 3;
  else if (Alignment == taCenter)
    X = Room.Left + Room.Width() / 2 - TextWidth / 2;
  Integer Y = Room.Top + DY;
  if (!WordWrap && TextHeight < Room.Height() - DY) {
    if (Layout == tlCenter)
      Y = (Room.Top + Room.Bottom - TextHeight) / 2;
    else if (Layout == tlBottom)
      Y = Room.Bottom - TextHeight;
  }
  Info.HintStr = Text;
  Info.CursorRect = CellRect(ACol, ARow);
  Info.HintWindowClass = dbgrid::TToolTipsWindow::StaticClass();
  Info.HintData = FHintFont.get();
  Info.HintPos = ClientToScreen({X - HintTextInset, Y - HintTextInset});
  return true;
}

// [SECTION] Edit actions

namespace {

// The grid's five edit actions, in the order they are tried.
enum class TGridEditActionKv { None, Copy, Paste, Cut, SelectAll, Delete };

// Which of its edit actions the grid takes Action for, with its switch on in
// EditActions; None for any other action.
TGridEditActionKv GridEditActionOf(TBasicAction* Action, TDBGridKvEditActions Switches) {
  using A = TGridEditActionKv;
  if (DynCast<TEditCopy>(Action) && Switches.Contains(geaCopyKv)) return A::Copy;
  if (DynCast<TEditPaste>(Action) && Switches.Contains(geaPasteKv)) return A::Paste;
  if (DynCast<TEditCut>(Action) && Switches.Contains(geaCutKv)) return A::Cut;
  if (DynCast<TEditSelectAll>(Action) && Switches.Contains(geaSelectAllKv)) return A::SelectAll;
  if (DynCast<TEditDelete>(Action) && Switches.Contains(geaDeleteKv)) return A::Delete;
  return A::None;
}

// The same questions the clipboard keys ask.
bool EditActionAllowed(TCustomDBGridKv* Grid, TGridEditActionKv Kind) {
  switch (Kind) {
    case TGridEditActionKv::Copy:
      return Grid->CanCopySelection();
    case TGridEditActionKv::Paste:
      return Grid->CanPasteSelection();
    case TGridEditActionKv::Cut:
      return Grid->CanCutSelection();
    case TGridEditActionKv::SelectAll:
      return Grid->CanSelectAll();
    case TGridEditActionKv::Delete:
      return Grid->CanDeleteSelection();
    case TGridEditActionKv::None:
      break;
  }
  return false;
}

}  // namespace

// The data link may take the action first; then the focused grid runs its
// edit action when the action is one of them and may run now.
bool TCustomDBGridKv::ExecuteAction(TBasicAction* Action) {
  if (FDataLink->ExecuteAction(Action)) return true;
  const TGridEditActionKv Kind =
      Focused() ? GridEditActionOf(Action, FEditActions) : TGridEditActionKv::None;
  if (Kind == TGridEditActionKv::None || !EditActionAllowed(this, Kind))
    return inherited::ExecuteAction(Action);
  switch (Kind) {
    case TGridEditActionKv::Copy:
      CopySelectionToClipboard();
      break;
    case TGridEditActionKv::Paste:
      PasteSelectionFromClipboard();
      break;
    case TGridEditActionKv::Cut:
      CutSelectionToClipboard();
      break;
    case TGridEditActionKv::SelectAll:
      FSelection->SelectAll();
      break;
    case TGridEditActionKv::Delete:
      DeleteSelection();
      break;
    case TGridEditActionKv::None:
      break;
  }
  return true;
}

// The focused grid enables its edit actions as the clipboard keys would
// run now.
bool TCustomDBGridKv::UpdateAction(TBasicAction* Action) {
  if (FDataLink->UpdateAction(Action)) return true;
  const TGridEditActionKv Kind =
      Focused() ? GridEditActionOf(Action, FEditActions) : TGridEditActionKv::None;
  if (Kind == TGridEditActionKv::None) return inherited::UpdateAction(Action);
  if (auto* Custom = DynCast<TCustomAction>(Action))
    Custom->SetEnabled(EditActionAllowed(this, Kind));
  return true;
}

// [SECTION] Aggregate list

void TCustomDBGridKv::SumListRecalcAll(TObject*) {
  if (OnSumListRecalcAll) OnSumListRecalcAll(this);
}

void TCustomDBGridKv::SumListAfterRecalcAll(TObject*) {
  if (OnSumListAfterRecalcAll) OnSumListAfterRecalcAll(this);
}

}  // namespace korvel
