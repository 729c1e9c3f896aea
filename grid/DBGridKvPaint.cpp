// Cell painting of the data-aware grid: DrawCell classifies each cell the
// base grid hands it (indicator or data column; title, filter, data, footer
// or empty row), sets the cell's font, brush and margins, paints the area it
// belongs to and frames cells drawn in the fixed look. The indicator shows
// the current record's state, titles their captions (one level or several),
// images, sort markers and sort indexes, footers their totals; data cells
// are DBGridKvDataCells.cpp's.
//
// Index:
//   [SECTION] Classification     GetCellType, CellTextPlace, CellIsDrawnFixed, CellIsSelected
//   [SECTION] Highlight          GetFixedCellHighlight, LightenColor
//   [SECTION] DrawCell           DrawCell
//   [SECTION] Indicator          DrawIndicatorCell
//   [SECTION] Titles             DrawTitleCell, DrawTitleAncestors, title images
//   [SECTION] Filter row         DrawFilterCell
//   [SECTION] Footer             DrawFooterCell, DrawFocusFrame
//   [SECTION] Frames, buttons    DrawButtonFrame, DrawCellEditButton
#include <algorithm>
#include <cmath>

#include "base/KorvelVCL.h"
#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/graphics/Themes.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

namespace {

// (A + B - Size) div 2, rounded towards minus infinity, so that an image
// taller than its cell still centres on it.
Integer CentredStart(Integer A, Integer B, Integer Size) {
  const Integer Sum = A + B - Size;
  return Sum >= 0 ? Sum / 2 : -((-Sum + 1) / 2);
}

// Puts the record of a data row before the link for the life of the guard.
class TActiveRecordGuard {
 public:
  TActiveRecordGuard(TCustomDBGridKv* Grid, Integer DataRow) : FGrid(Grid) {
    Grid->SetActiveRecordIndex(DataRow);
  }
  ~TActiveRecordGuard() { FGrid->RestoreActiveRecordIndex(); }
  TActiveRecordGuard(const TActiveRecordGuard&) = delete;
  TActiveRecordGuard& operator=(const TActiveRecordGuard&) = delete;

 private:
  TCustomDBGridKv* FGrid;
};

}  // namespace

// [SECTION] Classification

TCellAreaKv TCustomDBGridKv::GetCellType(Integer ACol, Integer ARow, Integer& DataCol,
                                         Integer& Index) {
  TCellAreaKv Area;
  Area.ColType = ACol < FIndicatorOffset ? cctIndicatorKv : cctDataKv;
  DataCol = ACol - FIndicatorOffset;
  const Integer Titles = TitlesVisible() ? 1 : 0;
  const Integer Filters = FilterRowVisible() ? 1 : 0;
  if (ARow < Titles) {
    Area.RowType = crtTitleKv;
    Index = ARow;
  } else if (ARow < Titles + Filters) {
    Area.RowType = crtFilterKv;
    Index = ARow - Titles;
  } else if (ARow >= FTitleOffset && ARow < GetRowCount()) {
    Area.RowType = crtDataKv;
    Index = ARow - FTitleOffset;
  } else if (ARow >= GetRowCount()) {
    Area.RowType = crtFooterKv;
    Index = ARow - GetRowCount();
  } else {
    throw Exception("Algorithm error in TCustomDBGridKv.GetCellType");
  }
  return Area;
}

bool TCustomDBGridKv::CellTextPlace(Integer ACol, Integer ARow, TGridDrawState AState,
                                    TRect& ARect, Integer& HorzMargin, Integer& VertMargin) {
  const bool Down = CellIsDrawnFixed(ACol, ARow, AState, ARect);
  VertMargin = 2;
  if (Down) {
    InflateRect(ARect, -1, -1);
    VertMargin = 1;
  }
  HorzMargin = GetFlat() ? VertMargin - 1 : VertMargin;
  return Down;
}

bool TCustomDBGridKv::CellIsDrawnFixed(Integer ACol, Integer ARow, TGridDrawState AState,
                                       const TRect& /*ARect*/) {
  Integer DataCol = 0, Index = 0;
  const TCellAreaKv Area = GetCellType(ACol, ARow, DataCol, Index);
  const bool Fixed = AState.Contains(gdFixed);
  const bool Result =
      (Fixed && FOptionsKv.Contains(dgFixed3DKv) &&
       (Area.ColType == cctIndicatorKv || ARow < FTitleOffset)) ||
      (FOptionsKv.Contains(dgFooter3DKv) && FFooterRowCount > 0 && Area.RowType == crtFooterKv) ||
      (FOptionsKv.Contains(dgData3DKv) && !Fixed && Area.RowType != crtFooterKv) ||
      (FOptionsKv.Contains(dgFrozen3DKv) && Fixed && Area.ColType == cctDataKv &&
       Area.RowType == crtDataKv);
  // A filter cell that shows its column's condition is an input, never raised.
  if (Result && Area.RowType == crtFilterKv && Area.ColType == cctDataKv &&
      FilterRowVisible() && ColumnHasFilterCell(DataCol))
    return false;
  return Result;
}

// Everything; the records of the indicator; data cells by record and
// column; and above or below the records, the cells of selected columns.
bool TCustomDBGridKv::CellIsSelected(Integer ACol, Integer ARow, const TBookmark& Bookmark,
                                     Integer DataCol) {
  const TDBGridKvSelectionKind Kind = FSelection->GetSelectionType();
  if (Kind == gskAll) return true;
  const bool DataRow = ARow >= FTitleOffset && ARow < GetRowCount();
  if (ACol < FIndicatorOffset)
    return DataRow && Kind == gskRows && FSelection->DataCellSelected(-1, Bookmark);
  if (DataRow) return FSelection->DataCellSelected(DataCol, Bookmark);
  return Kind == gskColumns && FSelection->DataCellSelected(DataCol, Bookmark);
}

// [SECTION] Highlight

bool TCustomDBGridKv::GetFixedCellHighlight(Integer ACol, Integer ARow, TFont* AFont,
                                            TColor& Background, bool Selected,
                                            TGridDrawState /*AState*/, TCellAreaKv CellType) {
  if (FStyle) {
    Integer DataCol = 0, Index = 0;
    GetCellType(ACol, ARow, DataCol, Index);
    return FStyle->HighlightFixedCellColor(this, ACol, ARow, DataCol, ARow - FTitleOffset,
                                           CellType, Selected, Background, AFont);
  }
  if (!Selected) return false;
  if (CellType.ColType == cctDataKv &&
      (CellType.RowType == crtDataKv || CellType.RowType == crtFooterKv)) {
    if (IsFocused()) {
      Background = clHighlight;
      AFont->SetColor(clHighlightText);
    } else {
      Background = clBtnFace;
    }
  } else {
    Background = TColor(RGB(64, 64, 64));
    AFont->SetColor(TColor(0xFFFFFF));
  }
  return true;
}

TColor LightenColor(TColor Color, Integer Divisor) {
  const COLORREF C = ColorToRGB(Color);
  auto Channel = [Divisor](Integer V) {
    return std::min<Integer>(255, V + Integer(Round(Extended(V) / Divisor)));
  };
  return TColor(RGB(Byte(Channel(GetRValue(C))), Byte(Channel(GetGValue(C))),
                    Byte(Channel(GetBValue(C)))));
}

// [SECTION] DrawCell

void TCustomDBGridKv::DrawCell(Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) {
  // [Phase 1] The cell parameters know the cell; an empty cell shows nothing
  // and a grid being read from its form only its background.
  FColCellParams->SetCol(ACol);
  FColCellParams->SetRow(ARow);
  if (ARect.Right <= ARect.Left) return;
  TCanvas* Canvas = GetCanvas();
  if (Loading()) {
    Canvas->FillRect(ARect);
    return;
  }
  // The base grid hands the data cells of frozen columns over as plain data
  // cells; here they are cells of the fixed area (which dgFrozen3DKv raises),
  // as they are for the cell tips.
  if (ARow >= GetFixedRows() && ARow < GetRowCount() && ACol < GetFixedCols() &&
      ACol >= GetFixedCols() - GetFrozenColCount())
    AState += gdFixed;
  // [Phase 2] Where the cell lies, and its margins: a cell in the fixed look
  // gives one pixel on every side to its frame.
  Integer HorzMargin = 0, VertMargin = 0;
  const bool Down = CellTextPlace(ACol, ARow, AState, ARect, HorzMargin, VertMargin);
  Integer DataCol = 0, AreaIndex = 0;
  const TCellAreaKv Area = GetCellType(ACol, ARow, DataCol, AreaIndex);
  const Integer DataRow = ARow - FTitleOffset;
  bool Highlighted = false;
  bool IsDown = false;
  bool TitleCell = false;
  Canvas->GetBrush()->SetStyle(bsSolid);
  // [Phase 3] The indicator, or the column's font and colour and its area.
  if (Area.ColType == cctIndicatorKv && AState.Contains(gdFixed)) {
    Canvas->SetFont(GetFont());
    DrawIndicatorCell(ARow, ARect, VertMargin, Highlighted);
  } else if (DataCol < 0 || DataCol >= FColumns->GetCount()) {
    Canvas->GetBrush()->SetColor(GetColor());
    Canvas->FillRect(ARect);
  } else {
    TColumnKv* Column = FColumns->GetColumn(DataCol);
    if (!AState.Contains(gdFixed) || Area.RowType == crtDataKv) {
      Canvas->SetFont(Column->GetFont());
      Canvas->GetBrush()->SetColor(Column->GetColor());
    } else {
      Canvas->SetFont(Column->GetTitle()->GetFont());
      Canvas->GetBrush()->SetColor(Column->GetTitle()->GetColor());
    }
    if (ARow == 0 && TitlesVisible()) {
      TitleCell = true;
      IsDown = GetTrackingCol() == ACol && GetTitlePressed();
      DrawTitleCell(ACol, ARow, Column, ARect, AState, HorzMargin, VertMargin, Highlighted);
    } else if (ARow < FTitleOffset) {
      DrawFilterCell(ACol, ARow, Highlighted, AState, ARect, Area, DataCol, HorzMargin,
                     VertMargin);
    } else if (!FDataLink->GetActive()) {
      Canvas->FillRect(ARect);
    } else if (Area.RowType == crtDataKv && DataRow < GetRecordCount()) {
      DrawDataRowCell(ACol, ARow, DataCol, DataRow, Column, ARect, AState, Down, HorzMargin,
                      VertMargin, Highlighted);
    } else if (Area.RowType == crtFooterKv) {
      DrawFooterCell(ACol, ARow, AreaIndex, Column, ARect, AState, Down, HorzMargin, VertMargin,
                     Highlighted);
    } else {
      // A row below the last record.
      TColor Background = Canvas->GetBrush()->GetColor();
      Highlighted = GetFixedCellHighlight(ACol, ARow, Canvas->GetFont(), Background,
                                          CellIsSelected(ACol, ARow, {}, DataCol), AState, Area);
      Canvas->GetBrush()->SetColor(Background);
      Canvas->FillRect(ARect);
      DrawFocusFrame(ARect, AState);
    }
  }
  // [Phase 4] The raised frame, then the upper levels of a multi-level title.
  if (Down) {
    InflateRect(ARect, 1, 1);
    if (!ThemedDrawingEnabled())
      DrawButtonFrame(Canvas, ARect, IsDown, Highlighted, true, true);
  }
  if (TitleCell && FUseMultiTitle && DataCol < GetLeafCount())
    DrawTitleAncestors(ACol, DataCol, ARect, AState, Highlighted);
}

// [SECTION] Indicator

void TCustomDBGridKv::DrawIndicatorCell(Integer ARow, TRect ARect, Integer VertMargin,
                                        bool& Highlighted) {
  TCanvas* Canvas = GetCanvas();
  Canvas->GetBrush()->SetColor(GetFixedColor());
  if (!FDataLink->GetActive()) {
    DrawFixedBackground(ARect, false, false);
    return;
  }
  // [Phase 1] Marked rows: everything selected, or with dgMultiSelectKv a
  // record among the selected ones.
  const Integer DataRow = ARow - FTitleOffset;
  const bool ShowsRecord = ARow >= FTitleOffset && ARow < GetRowCount() &&
                           DataRow < GetRecordCount();
  bool Marked = FSelection->GetSelectionType() == gskAll;
  if (ShowsRecord && FOptions.Contains(dgMultiSelectKv) && !Marked) {
    TActiveRecordGuard Record(this, DataRow);
    Marked = FSelection->DataCellSelected(-1, GetDataSet()->GetBookmark());
  }
  if (Marked) {
    TColor Background = Canvas->GetBrush()->GetColor();
    Highlighted = GetFixedCellHighlight(0, ARow, Canvas->GetFont(), Background, true, {gdFixed},
                                        TCellAreaKv{cctIndicatorKv, crtDataKv});
    Canvas->GetBrush()->SetColor(Background);
  }
  DrawFixedBackground(ARect, false, false);
  // [Phase 2] The image of the current record's state, or of a marked row.
  const bool Current = ShowsRecord && IsActiveRecordRow(DataRow);
  if (Current) FIndicatorRow = ARow;
  if (!Current && !Marked) return;
  Integer Index = 0;
  switch (GetDataSet()->GetState()) {
    case dsBrowse:
      Index = Current ? (Marked ? 5 : InplaceSearching() ? 6 : 0) : -1;
      break;
    case dsEdit:
      Index = 1;
      break;
    case dsInsert:
      Index = 2;
      break;
    default:
      Index = 0;
      break;
  }
  if (Index < 0 || !GridIndicatorImages) return;
  const Integer X = ARect.Right - GridIndicatorImages->GetWidth() - VertMargin;
  // A row lower than the image keeps it centred on the row rather than
  // sending it far off the cell.
  const Integer Y = CentredStart(ARect.Top, ARect.Bottom, GridIndicatorImages->GetHeight());
  GridIndicatorImages->Draw(Canvas, X, Y, Index, true);
}

// [SECTION] Titles

void TCustomDBGridKv::DrawTitleCell(Integer ACol, Integer ARow, TColumnKv* Column, TRect& ARect,
                                    TGridDrawState AState, Integer HorzMargin,
                                    Integer VertMargin, bool& Highlighted) {
  TCanvas* Canvas = GetCanvas();
  TColumnTitleKv* Title = Column->GetTitle();
  const Integer DataCol = ACol - FIndicatorOffset;
  const bool IsDown = GetTrackingCol() == ACol && GetTitlePressed();
  // [Phase 1] The caption: a multi-level title shows its leaf in the lower
  // part of the cell; a title with an image shows the image instead.
  const bool Multi = FUseMultiTitle && DataCol < GetLeafCount() && GetLeaf(DataCol)->FLeaf;
  String Text = Title->GetCaption();
  if (Multi) {
    THeadTreeNode* Leaf = GetLeaf(DataCol)->FLeaf;
    ARect.Top = std::max(ARect.Top, ARect.Bottom - Leaf->Height + 3);
    Text = Leaf->Text;
  }
  TRect TextRect = ARect;
  Integer ImageWidth = 0;
  const bool ShowsImage = FTitleImages && Title->GetImageIndex() != -1;
  if (ShowsImage) {
    Text.clear();
    ImageWidth = FTitleImages->GetWidth();
  }
  // [Phase 2] The application's colours and marker, asked for a column with
  // a field.
  TSortMarkerKv SortMarker = Title->GetSortMarker();
  if (OnGetTitleParams && Column->GetField()) {
    TColor Background = Canvas->GetBrush()->GetColor();
    OnGetTitleParams(this, Column, Canvas->GetFont(), Background, SortMarker, IsDown);
    Canvas->GetBrush()->SetColor(Background);
  }
  // [Phase 3] The pressed look moves the contents in.
  Integer Offset = 0;
  if (IsDown) {
    Offset = !FUseMultiTitle && FTitleHeight == 0 && FTitleLines == 0 ? 1 : 2;
    TextRect.Left += Offset;
    TextRect.Right -= Offset;
    TextRect.Top += Offset;
  }
  // [Phase 4] The marker and, with several sorted columns, the column's sort
  // index take room at the right: the image goes first when the title is too
  // narrow, then the index.
  Integer Marker = SortMarker == smDownKv ? 0 : SortMarker == smUpKv ? 1 : -1;
  String IndexText;
  Integer IndexWidth = 0;
  if (Marker >= 0 && GridSortMarkerImages) {
    Integer Reserved = 16;
    if (FSortMarkedColumns->GetCount() >= 2 && Title->GetSortIndex() > 0) {
      IndexText = IntToStr(Title->GetSortIndex());
      Canvas->SetFont(SortMarkerFont());
      IndexWidth = Canvas->TextWidth(IndexText);
      Reserved += IndexWidth;
    }
    const Integer TextStart = TextRect.Left + ImageWidth;
    if (TextRect.Right - Reserved < TextStart) {
      Marker = -1;
      Reserved -= 14;
      if (TextRect.Right - Reserved < TextStart) {
        Reserved -= IndexWidth + 2;
        IndexText.clear();
        IndexWidth = 0;
      }
    }
    TextRect.Right -= std::max(Reserved, 0);
  } else {
    Marker = -1;
  }
  // The font of the caption, with the application's changes made again.
  Canvas->SetFont(Title->GetFont());
  if (OnGetTitleParams && Column->GetField()) {
    TColor Background = Canvas->GetBrush()->GetColor();
    TSortMarkerKv Unused = SortMarker;
    OnGetTitleParams(this, Column, Canvas->GetFont(), Background, Unused, IsDown);
  }
  // [Phase 5] Highlight of a selected column.
  const bool Selected = CellIsSelected(ACol, ARow, {}, DataCol);
  TColor Background = Canvas->GetBrush()->GetColor();
  Highlighted = GetFixedCellHighlight(ACol, ARow, Canvas->GetFont(), Background, Selected, AState,
                                      TCellAreaKv{cctDataKv, crtTitleKv});
  Canvas->GetBrush()->SetColor(Background);
  const TColor HighlightFontColor = Canvas->GetFont()->GetColor();
  // [Phase 6] Background: the header face, or the cell's colour around the
  // caption (the caption's own rectangle is filled as it is written).
  const bool Themed = ThemedDrawingEnabled();
  if (Themed)
    DrawFixedBackground(ARect, IsDown, Selected);
  else
    Canvas->FillRect(ARect);
  // [Phase 7] The caption.
  if (!Text.empty()) {
    if (Title->GetOrientation() == tohVertical) {
      WriteVerticalCellText(Canvas, TextRect, !Themed, VertMargin, HorzMargin + 2, Text,
                            Multi ? taCenter : Title->GetAlignment(), taCenter,
                            Title->GetEndEllipsis(), false);
    } else {
      const bool Wrap = Multi || FTitleHeight != 0 || FTitleLines != 0;
      WriteCellText(Column, TextRect, !Themed, HorzMargin, VertMargin, Text,
                    Multi ? taCenter : Title->GetAlignment(), Multi ? tlCenter : tlTop, Wrap,
                    Title->GetEndEllipsis(), 0, 0);
    }
  }
  // [Phase 8] The title image, then the marker and the sort index.
  if (ShowsImage) {
    // Pressed, the image moves right by the offset in every alignment: it is
    // placed in the caption's room as it stands unpressed, then shifted.
    TRect ImageRect = TextRect;
    ImageRect.Left -= Offset;
    ImageRect.Right += Offset;
    DrawClippedImage(FTitleImages, Canvas, Multi ? taCenter : Title->GetAlignment(), Offset,
                     Title->GetImageIndex(), ImageRect);
  }
  if (Marker < 0 && IndexText.empty()) return;
  const Integer MarkerY =
      (ARect.Top + ARect.Bottom - GridSortMarkerImages->GetHeight()) / 2 + Offset;
  if (Marker >= 0)
    GridSortMarkerImages->Draw(
        Canvas, ARect.Right - GridSortMarkerImages->GetWidth() - 2 - IndexWidth + Offset, MarkerY,
        Marker, true);
  if (!IndexText.empty()) {
    Canvas->SetFont(SortMarkerFont());
    if (Highlighted) Canvas->GetFont()->SetColor(HighlightFontColor);
    const TBrushStyle Style = Canvas->GetBrush()->GetStyle();
    if (Themed) Canvas->GetBrush()->SetStyle(bsClear);
    Canvas->TextOut(ARect.Right - IndexWidth - 2 + Offset, MarkerY - 1, IndexText);
    Canvas->GetBrush()->SetStyle(Style);
    Canvas->SetFont(Title->GetFont());
  }
}

// The part of each upper level of a multi-level title that lies above this
// leaf: a level spanning several columns is put together from the parts its
// leaves paint, its caption centred over the whole level each time.
void TCustomDBGridKv::DrawTitleAncestors(Integer ACol, Integer DataCol, const TRect& Cell,
                                         TGridDrawState AState, bool Highlighted) {
  THeadTreeNode* Leaf = GetLeaf(DataCol)->FLeaf;
  if (!Leaf) return;
  TCanvas* Canvas = GetCanvas();
  const bool Fixed3D = AState.Contains(gdFixed) && FOptionsKv.Contains(dgFixed3DKv);
  const bool Themed = ThemedDrawingEnabled();
  const Integer RowLine = FOptions.Contains(dgRowLinesKv) ? 1 : 0;
  const Integer ColLine = FOptions.Contains(dgColLinesKv) ? 1 : 0;
  // The leaf's part starts where the title cell placed its caption.
  const Integer Inset = Fixed3D ? 1 : 0;
  TRect Below{Cell.Left, std::max(Cell.Top + Inset, Cell.Bottom - Inset - Leaf->Height + 3),
              Cell.Right, Cell.Bottom};
  const bool LastFixedScrolled = ACol == GetFixedCols() - 1 && GetLeftCol() != GetFixedCols();
  Canvas->SetFont(FTitleFont);
  THeadTreeNode* Child = Leaf;
  for (THeadTreeNode* Node = Leaf->Parent; Node && Node->Parent; Node = Node->Parent) {
    // [Phase 1] The level's rectangle, from the part below it.
    Integer Earlier = 0;
    for (THeadTreeNode* S = Node->Child; S && S != Child; S = S->Next)
      Earlier += S->Width + ColLine;
    TRect R;
    R.Bottom = Below.Top - RowLine;
    R.Top = R.Bottom - Node->Height;
    R.Left = Below.Left - Earlier;
    R.Right = R.Left + Node->Width;
    // [Phase 2] The part inside this cell; a level that goes on to the right
    // covers the column line too.
    TRect Part{std::max(R.Left, Cell.Left), R.Top, std::min(R.Right, Cell.Right), R.Bottom};
    if (R.Right > Part.Right && !LastFixedScrolled) ++Part.Right;
    if (Fixed3D) {
      ++Part.Top;
      --Part.Bottom;
    }
    // [Phase 3] Background and caption, centred over the whole level and
    // kept 2 pixels inside its ends.
    if (Part.Right > Part.Left && Part.Bottom > Part.Top) {
      if (Themed) DrawFixedBackground(R, false, false, Part);
      const Integer LeftMarg = R.Left + 2 - Part.Left;
      const Integer RightMarg = Part.Right - (R.Right - 2);
      WriteCellText(nullptr, Part, !Themed, 0, 0, Node->Text, taCenter, tlCenter, true, false,
                    LeftMarg, RightMarg);
    }
    // [Phase 4] The level's frame, open where it goes on into the next
    // cell, and the row line under it.
    if (Fixed3D && !Themed) {
      TRect Frame{Part.Left, Part.Top - 1, Part.Right, Part.Bottom + 1};
      DrawButtonFrame(Canvas, Frame, false, Highlighted, R.Left >= Cell.Left,
                      R.Right <= Cell.Right);
    }
    if (RowLine && !Themed) {
      TPen* Pen = Canvas->GetPen();
      const TColor Saved = Pen->GetColor();
      Pen->SetColor(GetFlat() ? clGray : clBlack);
      const Integer Y = R.Bottom;
      DrawPolyline({{Part.Left, Y}, {Part.Right, Y}});
      Pen->SetColor(Saved);
    }
    Below = R;
    Child = Node;
  }
}

void TCustomDBGridKv::SetTitleImages(TCustomImageList* Value) {
  if (FTitleImages == Value) return;
  if (FTitleImages) FTitleImages->UnRegisterChanges(FTitleImageChangeLink);
  FTitleImages = Value;
  if (FTitleImages) {
    FTitleImages->RegisterChanges(FTitleImageChangeLink);
    FTitleImages->FreeNotification(this);
  }
  LayoutChanged();
}

void TCustomDBGridKv::TitleImagesChanged(TObject* /*Sender*/) { LayoutChanged(); }

// [SECTION] Filter row

void TCustomDBGridKv::DrawFilterCell(Integer ACol, Integer ARow, bool& Highlighted,
                                     TGridDrawState AState, TRect ARect, TCellAreaKv CellType,
                                     Integer DataCol, Integer /*HorzMargin*/,
                                     Integer /*VertMargin*/) {
  TCanvas* Canvas = GetCanvas();
  const bool Real = FilterRowVisible() && CellType.RowType == crtFilterKv &&
                    CellType.ColType == cctDataKv && DataCol >= 0 &&
                    DataCol < FColumns->GetCount() && ColumnHasFilterCell(DataCol);
  const bool Selected = CellIsSelected(ACol, ARow, {}, DataCol);
  if (!Real) {
    // [Phase 1] Any other cell of the filter row: its title's colour.
    Canvas->GetBrush()->SetColor(CellType.ColType == cctDataKv && DataCol >= 0 &&
                                         DataCol < FColumns->GetCount()
                                     ? FColumns->GetColumn(DataCol)->GetTitle()->GetColor()
                                     : GetFixedColor());
    TColor Background = Canvas->GetBrush()->GetColor();
    Highlighted =
        GetFixedCellHighlight(ACol, ARow, Canvas->GetFont(), Background, Selected, AState, CellType);
    Canvas->GetBrush()->SetColor(Background);
    if (!ThemedDrawingEnabled()) Canvas->FillRect(ARect);
    return;
  }
  // [Phase 2] The condition, in blue on the fixed colour made lighter.
  TColumnKv* Column = FColumns->GetColumn(DataCol);
  const bool DropDown = ColumnFilterDropDown(DataCol);
  TRect TextRect = ARect;
  const Integer ButtonRoom = FButtonWidth + (GetFlat() ? 1 : 0);
  if (DropDown) TextRect.Right -= ButtonRoom;
  Canvas->SetFont(GetFont());
  Canvas->GetFont()->SetColor(clBlue);
  TColor Background = LightenColor(GetFixedColor(), 8);
  Highlighted =
      GetFixedCellHighlight(ACol, ARow, Canvas->GetFont(), Background, Selected, AState, CellType);
  Canvas->GetBrush()->SetColor(Background);
  String Text;
  GetColumnFilterText(DataCol, Text);
  WriteCellText(Column, TextRect, true, 1, 1, Text, taLeftJustify,
                Column->GetLayout(), false, false, 0, 0);
  if (!DropDown) return;
  // [Phase 3] The drop-down button at the top right, the strip under it
  // filled when the row is taller.
  TRect Button{TextRect.Right, ARect.Top, ARect.Right, ARect.Top + FButtonHeight};
  if (GetFlat()) {
    Canvas->FillRect({Button.Left, ARect.Top, Button.Left + 1, ARect.Bottom});
    ++Button.Left;
  }
  Button.Bottom = std::min(Button.Bottom, ARect.Bottom);
  DrawCellEditButton(this, Column, Canvas, nullptr, Background, false, GetFlat(), false,
                     FDataLink->GetActive(), Button, ARect, ebsDropDownKv);
  if (ARect.Bottom > Button.Bottom)
    Canvas->FillRect({Button.Left, Button.Bottom, ARect.Right, ARect.Bottom});
}

// [SECTION] Footer

void TCustomDBGridKv::DrawFooterCell(Integer ACol, Integer ARow, Integer FooterRow,
                                     TColumnKv* Column, TRect ARect, TGridDrawState AState,
                                     bool Down, Integer HorzMargin, Integer VertMargin,
                                     bool& Highlighted) {
  TCanvas* Canvas = GetCanvas();
  const Integer DataCol = ACol - FIndicatorOffset;
  TColumnFooterKv* Footer = Column->UsedFooter(FooterRow);
  Canvas->SetFont(Footer->GetFont());
  Canvas->GetBrush()->SetColor(Footer->GetColor());
  if (FDBDefaultDrawing) {
    // [Phase 1] Text, alignment and colour, as the application would have them.
    FColCellParams->SetBackground(Canvas->GetBrush()->GetColor());
    String Text = FooterText(FooterRow, Column);
    TAlignment Alignment = Footer->GetAlignment();
    TColor Background = Canvas->GetBrush()->GetColor();
    GetFooterParams(DataCol, FooterRow, Column, Canvas->GetFont(), Background, Alignment, AState,
                    Text);
    // [Phase 2] Highlight of a selected column.
    const bool Selected = CellIsSelected(ACol, ARow, {}, DataCol);
    Highlighted = GetFixedCellHighlight(ACol, ARow, Canvas->GetFont(), Background, Selected,
                                        AState, TCellAreaKv{cctDataKv, crtFooterKv});
    Canvas->GetBrush()->SetColor(Background);
    // [Phase 3] The header face in the fixed look, and the text.
    const bool Themed = Down && ThemedDrawingEnabled();
    if (Themed) DrawFixedBackground(ARect, false, Selected);
    const bool Fill = !(Themed && Background == clBtnFace);
    WriteCellText(Column, ARect, Fill, HorzMargin, VertMargin, Text, Alignment, tlTop,
                  Footer->GetWordWrap() && FWordWrapAllowed, Footer->GetEndEllipsis(), 0, 0);
  }
  if (OnDrawFooterCell) OnDrawFooterCell(this, DataCol, FooterRow, Column, ARect, AState);
}

void TCustomDBGridKv::DrawFocusFrame(TRect ARect, TGridDrawState AState) {
  if (!FDBDefaultDrawing || !AState.Contains(gdFocused) || !Focused() || Designing() ||
      FOptions.Contains(dgRowSelectKv) || FUpdateLock != 0)
    return;
  TCustomForm* Form = GetParentForm(this);
  if (!Form || Form->GetActiveControl() != this) return;
  if (FStyle && !FStyle->GetDrawFocusFrame()) return;
  GetCanvas()->DrawFocusRect(ARect);
}

// [SECTION] Frames, buttons

void TCustomDBGridKv::DrawButtonFrame(TCanvas* /*ACanvas*/, TRect ARect, bool IsDown,
                                      bool Highlighted, bool LeftEdge, bool RightEdge) {
  // The frame is always drawn on the grid's own canvas.
  TCanvas* Canvas = GetCanvas();
  const HDC DC = Canvas->GetHandle();
  const UINT Edge = IsDown || Highlighted ? BDR_SUNKENINNER : BDR_RAISEDINNER;
  // Right to left the frame keeps its light and dark sides: it is drawn
  // unmirrored over the cell's place, the logical left edge on the right.
  const bool Mirrored = GetCanvasMirrored();
  if (Mirrored) {
    WindowsLPtoDP(DC, ARect);
    if (ARect.Left > ARect.Right) std::swap(ARect.Left, ARect.Right);
    MirrorCanvas(false);
  }
  struct TRemirror {
    TCustomDBGridKv* Grid;
    bool On;
    ~TRemirror() {
      if (On) Grid->MirrorCanvas(true);
    }
  } Remirror{this, Mirrored};
  // The device's left and right sides of the logical edges.
  const UINT LeftSide = Mirrored ? BF_RIGHT : BF_LEFT;
  const UINT RightSide = Mirrored ? BF_LEFT : BF_RIGHT;
  if (!GetFlat()) {
    if (LeftEdge && RightEdge) {
      DrawEdge(DC, &ARect, Edge, BF_RECT);
    } else {
      DrawEdge(DC, &ARect, Edge, BF_TOP | (LeftEdge ? LeftSide : 0));
      DrawEdge(DC, &ARect, Edge, BF_BOTTOM | (RightEdge ? RightSide : 0));
    }
    return;
  }
  // Flat: only the top and the device's left side are raised; the bottom and
  // the device's right side are covered in the cell's colour.
  TPen* Pen = Canvas->GetPen();
  const TColor SavedColor = Pen->GetColor();
  Pen->SetColor(Canvas->GetBrush()->GetColor());
  const bool RightSideFlat = Mirrored ? LeftEdge : RightEdge;
  if (RightSideFlat)
    Canvas->Polyline({{ARect.Left, ARect.Bottom - 1},
                      {ARect.Right - 1, ARect.Bottom - 1},
                      {ARect.Right - 1, ARect.Top - 1}});
  else
    Canvas->Polyline({{ARect.Left, ARect.Bottom - 1}, {ARect.Right, ARect.Bottom - 1}});
  Pen->SetColor(SavedColor);
  if (Mirrored) {
    DrawEdge(DC, &ARect, Edge, BF_TOP);
    if (RightEdge) DrawEdge(DC, &ARect, Edge, BF_LEFT);
  } else {
    DrawEdge(DC, &ARect, Edge, BF_TOP | (LeftEdge ? BF_LEFT : 0));
  }
}

void DrawCellEditButton(TCustomDBGridKv* Grid, TColumnKv* Column, TCanvas* Canvas,
                        TBitmap* Glyph, TColor Color, bool Active, bool Flat, bool Pressed,
                        bool Enabled, TRect ARect, const TRect& AClipRect,
                        TEditButtonStyleKv Style) {
  const HDC DC = Canvas->GetHandle();
  // [Phase 1] A button wider than its cell is clipped to the cell.
  const HRGN Saved = CreateRectRgn(0, 0, 0, 0);
  const bool HadClip = GetClipRgn(DC, Saved) == 1;
  bool Clipped = false;
  if (ARect.Width() > AClipRect.Width()) {
    TRect Device = AClipRect;
    WindowsLPtoDP(DC, Device);
    if (Device.Left > Device.Right) std::swap(Device.Left, Device.Right);
    const HRGN Clip = CreateRectRgnIndirect(Device);
    ExtSelectClipRgn(DC, Clip, RGN_AND);
    DeleteObject(Clip);
    Clipped = true;
  }
  // [Phase 2] Right to left the button is painted unmirrored over its place.
  const bool RightToLeft = Column && Column->UseRightToLeftAlignment() && Grid &&
                           Grid->GetCanvasMirrored();
  if (RightToLeft) {
    WindowsLPtoDP(DC, ARect);
    if (ARect.Left > ARect.Right) std::swap(ARect.Left, ARect.Right);
    Grid->MirrorCanvas(false);
  }
  struct TRestore {
    TCustomDBGridKv* Grid;
    HDC DC;
    HRGN Saved;
    bool HadClip, Clipped, Remirror;
    ~TRestore() {
      if (Remirror) Grid->MirrorCanvas(true);
      if (Clipped) SelectClipRgn(DC, HadClip ? Saved : nullptr);
      DeleteObject(Saved);
    }
  } Restore{Grid, DC, Saved, HadClip, Clipped, RightToLeft};
  // [Phase 3] On a flat grid a one-pixel strip at the inner side parts the
  // button from the text.
  if (Flat) {
    TRect Strip = ARect;
    if (RightToLeft) {
      Strip.Left = ARect.Right - 1;
      --ARect.Right;
    } else {
      Strip.Right = ARect.Left + 1;
      ++ARect.Left;
    }
    Canvas->GetBrush()->SetColor(Pressed ? clBtnFace : Color);
    Canvas->FillRect(Strip);
  }
  // [Phase 4] A painted face, or the glyph on a plain face.
  if (Style != ebsGlyphKv) {
    PaintButtonControl(DC, ARect, Color, cbUnchecked, Enabled, Active, Flat,
                       Pressed ? bdsDownKv : bdsUpKv, EditButtonStyleToDrawStyle(Style));
    return;
  }
  if (Flat) {
    Canvas->GetBrush()->SetColor(Color);
    Canvas->FrameRect(ARect);
    InflateRect(ARect, -1, -1);
    Canvas->GetBrush()->SetColor(clBtnFace);
    Canvas->FillRect(ARect);
  } else {
    DrawEdge(DC, &ARect, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    InflateRect(ARect, -2, -2);
  }
  if (Glyph) DrawClippedImage(Glyph, Canvas, taCenter, 0, ARect);
}

}  // namespace korvel
