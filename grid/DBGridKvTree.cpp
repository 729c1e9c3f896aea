// The data-aware grid's operations on records and columns as a whole: tree
// nodes toggled by a press on their box, records dragged on the indicator
// column and dropped through the application, the dataset's tree interface or
// the data service, column filters cleared, and column widths fitted to what
// the columns show.
//
// Index:
//   [SECTION] Tree nodes      ToggleTreeNode
//   [SECTION] Record moving   StartRowMoving, RowMoveDragOver, EndRowMoving, CalcDropLineX,
//                             DrawDropLine, MoveRecordsDrop, MoveRecords, DefaultMoveRecords
//   [SECTION] Commands        OptimizeSelectedColsWidth, OptimizeColsWidth
#include <algorithm>

#include "grid/DBGridKv.h"
#include "grid/DBGridKvFilter.h"
#include "grid/DBGridKvImpl.h"
#include "grid/DbUtilsKv.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

namespace {

constexpr Integer TreeSlot = 18;         // pixels a tree level takes
constexpr Integer RowMoveInterval = 60;  // ms of timer 1 while records are dragged
constexpr COLORREF DropLineColour = 0xC0C0C0;
constexpr Integer DropLineWidth = 5;
constexpr Integer DropTickHalf = 5;  // the tick runs 5 pixels above and below the line

// Puts the record of a data row before the fields for the life of the guard.
class TRowRecordGuard {
 public:
  TRowRecordGuard(TCustomDBGridKv* Grid, Integer DataRow) : FGrid(Grid) {
    FGrid->SetActiveRecordIndex(DataRow);
  }
  ~TRowRecordGuard() { FGrid->RestoreActiveRecordIndex(); }
  TRowRecordGuard(const TRowRecordGuard&) = delete;
  TRowRecordGuard& operator=(const TRowRecordGuard&) = delete;

 private:
  TCustomDBGridKv* FGrid;
};

// Holds a layout lock for a scope; the outermost release lays out once.
class TLayoutGuard {
 public:
  explicit TLayoutGuard(TCustomDBGridKv* Grid) : FGrid(Grid) { FGrid->BeginLayout(); }
  ~TLayoutGuard() { FGrid->EndLayout(); }
  TLayoutGuard(const TLayoutGuard&) = delete;
  TLayoutGuard& operator=(const TLayoutGuard&) = delete;

 private:
  TCustomDBGridKv* FGrid;
};

// The bookmark of the record a data row shows; empty when there is none.
TBookmark RowBookmark(TCustomDBGridKv* Grid, Integer DataRow) {
  if (DataRow < 0 || DataRow >= Grid->GetRecordCount()) return TBookmark();
  TRowRecordGuard Record(Grid, DataRow);
  return Grid->GetDataSet()->GetBookmark();
}

bool KeyHeld(Integer VirtualKey) { return (GetKeyState(VirtualKey) & 0x8000) != 0; }

}  // namespace

// [SECTION] Tree nodes

bool TCustomDBGridKv::ToggleTreeNode(Integer X, Integer Y, bool TestOnly) {
  // [Phase 1] A data cell of the first column of a tree.
  if (!FMemTable || !FDataLink->GetActive() || !FMemTable->GetTreeViewMode()) return false;
  const TGridCoord Cell = MouseCoord(X, Y);
  const Integer DataRow = Cell.Y - FTitleOffset;
  if (Cell.X != FIndicatorOffset || DataRow < 0 || DataRow >= GetRecordCount() ||
      FColumns->GetCount() == 0)
    return false;
  const TRect R = CellRect(Cell.X, Cell.Y);
  // [Phase 2] The node's indent and state, read from its record.
  Integer Indent = 0;
  bool Expanded = false;
  {
    TRowRecordGuard Record(this, DataRow);
    Indent = GetTreeIndent();
    Expanded = FMemTable->GetNodeExpanded();
  }
  // [Phase 3] A hit in the indent; the box is its last slot.
  if (UseRightToLeftAlignment()) X = R.Right + R.Left - X;
  const bool Hit = X >= R.Left && X < R.Left + Indent;
  if (!Hit || TestOnly || X < R.Left + Indent - TreeSlot) return Hit;
  // [Phase 4] The node toggles with the controls held, so that the rows are
  // laid out once; the view keeps its top row where it can.
  TDataSet* DataSet = FDataLink->GetDataSet();
  const Integer Top = GetTopRow();
  {
    dbgrid::TPaintLockGuard Paint(this);
    {
      TDisableControlsGuard Controls(DataSet);
      FMemTable->SetNodeExpanded(DataRow, !Expanded);
    }
    ScrollDataRows(Top);
  }
  Invalidate();
  UpdateScrollBar();
  return true;
}

// [SECTION] Record moving

bool TCustomDBGridKv::StartRowMoving(Integer X, Integer Y, bool TestOnly) {
  // [Phase 1] A press on the indicator of a record, with moving allowed.
  if (!FDataLink->GetActive() || !FOptionsKv.Contains(dgRowMovingKv)) return false;
  const TGridCoord Cell = MouseCoord(X, Y);
  const Integer DataRow = Cell.Y - FTitleOffset;
  if (Cell.X < 0 || Cell.X >= FIndicatorOffset || DataRow < 0 || DataRow >= GetRecordCount() ||
      FDataLink->GetDataSet()->IsEmpty())
    return false;
  // [Phase 2] The record dragged.
  TBookmark Bookmark;
  Integer Level = -1;
  {
    TRowRecordGuard Record(this, DataRow);
    Bookmark = FDataLink->GetDataSet()->GetBookmark();
    if (FMemTable && FMemTable->GetTreeViewMode()) Level = FMemTable->GetNodeLevel();
  }
  if (Bookmark.empty()) return false;
  // [Phase 3] Where rows can be selected, only a selected row drags, and
  // only without Shift, Ctrl or Alt (those select).
  if (IsSelectionKindAllowed(gskRows)) {
    if (FBookmarks->IndexOf(Bookmark) < 0) return false;
    if (KeyHeld(VK_SHIFT) || KeyHeld(VK_CONTROL) || KeyHeld(VK_MENU)) return false;
  }
  if (TestOnly) return true;
  // [Phase 4] The drag starts.
  if (!CanStartRowMove()) return false;
  FRowMove = TRowMove{};
  FRowMove.StartRow = FRowMove.TargetRow = Cell.Y;
  FRowMove.StartLevel = Level;
  FRowMove.Bookmark = Bookmark;
  FMouseState = 7;
  FRowMove.LineX = CalcDropLineX(Cell.Y, {X, Y}, FRowMove.TargetLevel);
  DrawDropLine();
  StartTimer(RowMoveInterval);
  return true;
}

// The mouse beyond the data rows scrolls them by one; over them it picks the
// row. The line moves only to a place the drop would be accepted at. A scroll
// moves the window's pixels, the line's too, so the line is taken off first
// and drawn again once the uncovered rows are painted.
void TCustomDBGridKv::RowMoveDragOver(Integer X, Integer Y, const TGridDrawInfo& DrawInfo) {
  if (FMouseState != 7 || !FDataLink->GetActive()) return;
  // [Phase 1] The row under the mouse, scrolling at the edges.
  const Integer Records = GetRecordCount();
  if (Records <= 0) return;
  const Integer LastRecordRow = FTitleOffset + Records - 1;
  const Integer LastVisible = std::min(DrawInfo.Vert.LastFullVisibleCell, LastRecordRow);
  const Integer DataTop = DrawInfo.Vert.FixedBoundary;
  const Integer DataBottom = BoxRect(0, LastVisible, 0, LastVisible).Bottom;
  Integer Row = FRowMove.TargetRow;
  if (Y < DataTop || Y >= DataBottom) {
    const bool Up = Y < DataTop;
    if (FRowMove.Drawn) DrawDropLine();
    if (FMemTable) {
      ScrollDataRows(GetTopRow() + (Up ? -1 : 1));
    } else {
      // The window moves one record, the current one with it; a row that
      // showed the dragged record or the target shows its neighbour then.
      TDataSet* DataSet = FDataLink->GetDataSet();
      const TBookmark Top = RowBookmark(this, 0);
      const Integer Active = FDataLink->GetActiveRecord();
      DataSet->MoveBy(Up ? -Active - 1 : FDataLink->GetRecordCount() - Active);
      if (RowBookmark(this, 0) != Top) {
        const Integer Shift = Up ? 1 : -1;
        const Integer Last = FTitleOffset + FDataLink->GetRecordCount() - 1;
        FRowMove.StartRow += Shift;
        FRowMove.TargetRow = std::clamp(FRowMove.TargetRow + Shift, FTitleOffset, Last);
      }
    }
    // What the scroll uncovered is painted before the line goes over it.
    Update();
    TGridDrawInfo Now;
    CalcDrawInfo(Now);
    Row = Up ? GetTopRow()
             : std::min(Now.Vert.LastFullVisibleCell, FTitleOffset + GetRecordCount() - 1);
  } else {
    Row = std::clamp(MouseCoord(X, Y).Y, GetTopRow(), LastVisible);
  }
  // [Phase 2] The level and the line's start there; moved when acceptable.
  // The place the drag started from always is: a drop there moves nothing,
  // so that a person can take a drag back.
  Integer Level = -1;
  const Integer LineX = CalcDropLineX(Row, {X, Y}, Level);
  const bool Home = Row == FRowMove.StartRow && Level == FRowMove.StartLevel;
  const bool Moves =
      (Row != FRowMove.TargetRow || Level != FRowMove.TargetLevel || LineX != FRowMove.LineX) &&
      (Home || MoveRecordsDrop(Row - FTitleOffset, Level, true));
  if (Moves) {
    if (FRowMove.Drawn) DrawDropLine();
    FRowMove.TargetRow = Row;
    FRowMove.TargetLevel = Level;
    FRowMove.LineX = LineX;
  }
  if (!FRowMove.Drawn) DrawDropLine();
}

void TCustomDBGridKv::EndRowMoving(Integer X, Integer Y, bool Accept) {
  StopTimer();
  if (FRowMove.Drawn) DrawDropLine();
  FMouseState = 0;
  if (!Accept || !FDataLink->GetActive()) return;
  Integer Origin = FRowMove.StartRow, Destination = FRowMove.TargetRow;
  if (!EndRowDrag(Origin, Destination, {X, Y})) return;
  if (FRowMove.TargetRow == FRowMove.StartRow && FRowMove.TargetLevel == FRowMove.StartLevel)
    return;
  MoveRecordsDrop(FRowMove.TargetRow - FTitleOffset, FRowMove.TargetLevel, false);
}

// In a tree the line starts where a record dropped there would stand: at
// the target's level, or one deeper (its child) when the mouse lies right of
// that, never deeper than the level the dataset allows there.
Integer TCustomDBGridKv::CalcDropLineX(Integer Row, const TPoint& Point, Integer& Level) {
  Level = -1;
  if (!FMemTable || !FMemTable->GetTreeViewMode() || GetRecordCount() <= 0) return 0;
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer LastRow =
      std::min(DrawInfo.Vert.LastFullVisibleCell, FTitleOffset + GetRecordCount() - 1);
  Row = std::clamp(Row, GetTopRow(), std::max(GetTopRow(), LastRow));
  Integer Reference = 1, Limit = 1;
  {
    TRowRecordGuard Record(this, Row - FTitleOffset);
    Reference = std::max(FMemTable->GetNodeLevel(), 1);
    Limit = std::max(FMemTable->GetTreeLevelLimit(), 1);
  }
  const Integer Left = CellRect(FIndicatorOffset, Row).Left;
  Level = std::min(Reference, Limit);
  Integer X = Left + TreeSlot * Level;
  if (Point.X > X) {
    Level = std::clamp((Point.X - Left) / TreeSlot, Level, std::min(Reference + 1, Limit));
    X = Left + TreeSlot * Level;
  }
  return X;
}

// Drawn twice it is gone: a wide dotted XOR line along the target row's
// lower edge (a drop below the start row, or on it one level deeper) or its
// upper edge, with a tick where it starts.
void TCustomDBGridKv::DrawDropLine() {
  if (!HandleAllocated()) return;
  if (!FRowMove.Drawn) {
    const TRect R = BoxRect(0, FRowMove.TargetRow, 0, FRowMove.TargetRow);
    const bool Below =
        FRowMove.TargetRow > FRowMove.StartRow ||
        (FRowMove.TargetRow == FRowMove.StartRow && FRowMove.TargetLevel > FRowMove.StartLevel);
    FRowMove.DrawnY = Below ? R.Bottom : R.Top;
    FRowMove.DrawnX = FRowMove.LineX;
    FRowMove.DrawnRight = GetClientWidth();
  }
  TCanvas* Canvas = GetCanvas();
  TObjectPtr<TPen> Saved(TPen::Create());
  Saved->Assign(Canvas->GetPen());
  struct TRestorePen {
    TCanvas* C;
    TPen* P;
    ~TRestorePen() { C->GetPen()->Assign(P); }
  } Restore{Canvas, Saved.get()};
  TPen* Pen = Canvas->GetPen();
  Pen->SetStyle(psDot);
  Pen->SetMode(pmXor);
  Pen->SetWidth(DropLineWidth);
  Pen->SetColor(TColor(DropLineColour));
  const Integer Y = FRowMove.DrawnY;
  Canvas->MoveTo(FRowMove.DrawnX, Y);
  Canvas->LineTo(FRowMove.DrawnRight, Y);
  Canvas->MoveTo(FRowMove.DrawnX, Y - DropTickHalf);
  Canvas->LineTo(FRowMove.DrawnX, Y + DropTickHalf);
  FRowMove.Drawn = !FRowMove.Drawn;
}

bool TCustomDBGridKv::MoveRecordsDrop(Integer Target, Integer Level, bool TestOnly) {
  TObjectPtr<TStringList> Bookmarks(TStringList::Create());
  if (FBookmarks->GetCount() > 0) {
    for (Integer I = 0; I < FBookmarks->GetCount(); ++I) Bookmarks->Add(FBookmarks->GetItems(I));
  } else if (!FRowMove.Bookmark.empty()) {
    Bookmarks->Add(FRowMove.Bookmark);
  }
  if (Bookmarks->GetCount() == 0) return false;
  return MoveRecords(Bookmarks.get(), Target, TestOnly, Level);
}

bool TCustomDBGridKv::MoveRecords(TStrings* Bookmarks, Integer Target, bool TestOnly,
                                  Integer Level) {
  const Integer RecNo = GetRowRecNo(Target);
  if (OnMoveRecords) return OnMoveRecords(this, Bookmarks, RecNo, TestOnly, Level);
  return DefaultMoveRecords(Bookmarks, RecNo, TestOnly, Level);
}

bool TCustomDBGridKv::DefaultMoveRecords(TStrings* Bookmarks, Integer TargetRecNo, bool TestOnly,
                                         Integer Level) {
  // [Phase 1] A dataset showing its own rows moves the records itself.
  if (FMemTable) {
    std::vector<TBookmark> Marks;
    for (Integer I = 0; I < Bookmarks->GetCount(); ++I) Marks.push_back(Bookmarks->GetStrings(I));
    return FMemTable->MoveRecords(Marks, TargetRecNo - 1, Level, TestOnly);
  }
  // [Phase 2] Else the data service; afterwards the record that was at the
  // top is again, and the current row keeps its place.
  TDataSet* DataSet = GetDataSet();
  TDBGridKvDataService* Service = DBGridKvDataService();
  if (!DataSet || !DataSet->GetActive() || !Service) return false;
  if (TestOnly) return Service->DoMoveRecords(this, Bookmarks, TargetRecNo, true);
  const TBookmark Top = RowBookmark(this, 0);
  const Integer Offset = FDataLink->GetActiveRecord();
  const bool Moved = Service->DoMoveRecords(this, Bookmarks, TargetRecNo, false);
  if (DataSet->GetActive() && !Top.empty() && DataSet->BookmarkValid(Top)) {
    TDisableControlsGuard Controls(DataSet);
    DataSet->GotoBookmark(Top);
    DataSet->MoveBy(Offset);
  }
  return Moved;
}

// [SECTION] Commands

void TCustomDBGridKv::OptimizeSelectedColsWidth(TColumnKv* Column) {
  TColumnsKvList List;
  const TDBGridKvSelectionKind Kind = FSelection->GetSelectionType();
  if (Kind == gskColumns) {
    TDBGridKvSelectionCols* Selected = FSelection->GetColumns();
    for (Integer I = 0; I < Selected->GetCount(); ++I) List.Add(Selected->GetColumn(I));
  } else if (Kind == gskAll) {
    for (Integer I = 0; I < FColumns->GetCount(); ++I) List.Add(FColumns->GetColumn(I));
  }
  if (Column && List.IndexOf(Column) < 0) List.Add(Column);
  OptimizeColsWidth(&List);
}

namespace {

// A canvas on the screen for measuring text in a font.
class TMeasureCanvas {
 public:
  TMeasureCanvas() : FCanvas(TCanvas::Create()), FDC(GetDC(nullptr)) { FCanvas->SetHandle(FDC); }
  ~TMeasureCanvas() {
    FCanvas->SetHandle(nullptr);
    ReleaseDC(nullptr, FDC);
  }
  TMeasureCanvas(const TMeasureCanvas&) = delete;
  TMeasureCanvas& operator=(const TMeasureCanvas&) = delete;

  // The width Text takes in Font; wrapped at Limit pixels when WordWrap.
  Integer Width(TFont* Font, const String& Text, bool WordWrap, Integer Limit) {
    FCanvas->SetFont(Font);
    if (!WordWrap) return FCanvas->TextWidth(Text);
    TRect R{0, 0, std::max(Limit, 1), 0};
    DrawText(FCanvas->GetHandle(), Text, -1, &R, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return R.Width();
  }
  Integer Height(TFont* Font, const String& Text) {
    FCanvas->SetFont(Font);
    return FCanvas->TextHeight(Text);
  }

 private:
  TObjectPtr<TCanvas> FCanvas;
  HDC FDC;
};

}  // namespace

// Titles, every record's cells and the footers are measured; the walk holds
// the dataset's controls and comes back to where it was, however it ends.
void TCustomDBGridKv::OptimizeColsWidth(TColumnsKvList* List) {
  if (!List || List->GetCount() == 0) return;
  TMeasureCanvas Measure;
  std::vector<Integer> Widths(std::size_t(List->GetCount()), 0);
  auto Grow = [&](Integer I, Integer W) {
    Widths[std::size_t(I)] = std::max(Widths[std::size_t(I)], W);
  };
  // [Phase 1] Titles.
  const bool TitleWrap = FUseMultiTitle || FTitleLines > 0 || FTitleHeight > 0;
  for (Integer I = 0; I < List->GetCount(); ++I) {
    TColumnKv* Column = List->GetColumn(I);
    TColumnTitleKv* Title = Column->GetTitle();
    const Integer SortWidth = Title->GetSortMarkingWidth();
    const Integer Margin = SortWidth > 2 ? SortWidth + 2 : 4;
    if (FTitleImages && Title->GetImageIndex() != -1) {
      Grow(I, FTitleImages->GetWidth() + Margin);
      continue;
    }
    String Caption = Title->GetCaption();
    const Integer DataCol = Column->GetIndex();
    if (FUseMultiTitle && DataCol < GetLeafCount() && GetLeaf(DataCol)->FLeaf)
      Caption = GetLeaf(DataCol)->FLeaf->Text;
    if (Title->GetOrientation() == tohVertical)
      Grow(I, Margin + Measure.Height(Title->GetFont(), Caption));
    else
      Grow(I, Measure.Width(Title->GetFont(), Caption, TitleWrap, Column->GetWidth()) + Margin);
  }
  // [Phase 2] Every record's cells.
  if (FDataLink->GetActive()) {
    TDataSet* DataSet = FDataLink->GetDataSet();
    TDisableControlsGuard Controls(DataSet);
    SaveBookmark();
    struct TRestore {
      TCustomDBGridKv* Grid;
      ~TRestore() { Grid->RestoreBookmark(); }
    } Restore{this};
    TObjectPtr<TFont> Font(TFont::Create());
    const bool Sequenced = DataSet->IsSequenced();
    for (DataSet->First(); !DataSet->GetEof(); DataSet->Next()) {
      for (Integer I = 0; I < List->GetCount(); ++I) {
        TColumnKv* Column = List->GetColumn(I);
        Integer Margin = Column->GetAlwaysShowEditButton() ? Column->EditButtonsWidth() + 4 : 4;
        if (FColumns->GetCount() > 0 && Column == FColumns->GetColumn(0)) Margin += GetTreeIndent();
        if (Column->GetImageList() && Column->GetShowImageAndText())
          Margin += Column->GetImageList()->GetWidth() + 4;
        const TColumnKvType Kind = Column->GetColumnType();
        if (Kind == ctKeyImageListKv) {
          Grow(I, Margin + (Column->GetImageList() ? Column->GetImageList()->GetWidth() : 0));
        } else if (Kind == ctCheckboxesKv) {
          Grow(I, Margin + DefaultCheckBoxWidth());
        } else {
          Font->Assign(Column->GetFont());
          FillDataCellParams(Column, {}, Font.get(), Column->GetColor());
          const bool Wrap = Column->GetWordWrap() && FWordWrapAllowed;
          Grow(I, Measure.Width(FColCellParams->GetFont(), FColCellParams->GetText(), Wrap,
                                Column->GetWidth()) +
                      Margin);
        }
      }
      if (Sequenced && DataSet->GetRecNo() >= DataSet->GetRecordCount()) break;
    }
  }
  // [Phase 3] Footers.
  for (Integer I = 0; I < List->GetCount(); ++I) {
    TColumnKv* Column = List->GetColumn(I);
    for (Integer Row = 0; Row < FFooterRowCount; ++Row) {
      TColumnFooterKv* Footer = Column->UsedFooter(Row);
      if (!Footer) continue;
      const bool Wrap = Footer->GetWordWrap() && FWordWrapAllowed;
      Grow(I,
           Measure.Width(Footer->GetFont(), FooterText(Row, Column), Wrap, Column->GetWidth()) + 5);
    }
  }
  // [Phase 4] The widths, in one layout.
  TLayoutGuard Layout(this);
  for (Integer I = 0; I < List->GetCount(); ++I)
    List->GetColumn(I)->SetWidth(Widths[std::size_t(I)]);
}

}  // namespace korvel
