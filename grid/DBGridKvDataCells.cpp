// The data cells of the data-aware grid: a cell of a data column in a row
// that shows a record, from its background to the application's own
// drawing over it. DrawCell (DBGridKvPaint.cpp) hands such a cell here with
// its font, brush and margins set.
//
// Order inside a cell: the link's active record moves to the cell's row for
// the whole cell (and back on every path) -> row colour -> tree area -> room
// for the edit buttons kept shown -> cell parameters and their events ->
// highlight -> hidden duplicates -> contents by the column's kind -> edit
// buttons -> required mark -> OnDrawDataCell / OnDrawColumnCell -> the
// type-ahead search's highlight -> the join of hidden duplicates.
//
// Index:
//   [SECTION] Row colours       SetOddRowColor, SetEvenRowColor
//   [SECTION] Highlight         GetDataCellHighlight
//   [SECTION] Cell parameters   FillDataCellParams, RowCellText
//   [SECTION] The cell          DrawDataRowCell
//   [SECTION] Parts             DrawCellCheckBox, DrawDataCellButtons,
//                               DrawInplaceSearchHighlight
//   [SECTION] Tool tips         DataCellToolTip (the messages are DBGridKvMessages.cpp)
#include <algorithm>

#include "base/KorvelVCL.h"
#include "controls/ToolCtrlsKv.h"
#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

namespace {

// Puts the record of a data row before the link (or the dataset's tree
// interface) for the life of the guard; nested guards each put back what
// they found.
class TRowRecord {
 public:
  TRowRecord(TCustomDBGridKv* Grid, Integer DataRow) : FGrid(Grid) {
    if (IMemTableKv* MemTable = Grid->GetMemTable()) {
      MemTable->SetActiveRecord(DataRow);
    } else {
      FSaved = Grid->GetDataLink()->GetActiveRecord();
      Grid->GetDataLink()->SetActiveRecord(DataRow);
    }
  }
  ~TRowRecord() {
    if (IMemTableKv* MemTable = FGrid->GetMemTable())
      MemTable->RestoreActiveRecord();
    else
      FGrid->GetDataLink()->SetActiveRecord(FSaved);
  }
  TRowRecord(const TRowRecord&) = delete;
  TRowRecord& operator=(const TRowRecord&) = delete;

 private:
  TCustomDBGridKv* FGrid;
  Integer FSaved = -1;
};

// DrawTextEx's flags by alignment (left, right, centre).
constexpr UINT SearchAlignFlags[] = {DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT,
                                     DT_EXPANDTABS | DT_NOPREFIX | DT_RIGHT,
                                     DT_EXPANDTABS | DT_NOPREFIX | DT_CENTER};

}  // namespace

// [SECTION] Row colours

void TCustomDBGridKv::SetOddRowColor(TColor Value) {
  if (FOddRowColorAssigned && FOddRowColor == Value) return;
  FOddRowColor = Value;
  FOddRowColorAssigned = true;
  Invalidate();
}

void TCustomDBGridKv::SetEvenRowColor(TColor Value) {
  if (FEvenRowColorAssigned && FEvenRowColor == Value) return;
  FEvenRowColor = Value;
  FEvenRowColorAssigned = true;
  Invalidate();
}

// [SECTION] Highlight

bool TCustomDBGridKv::GetDataCellHighlight(Integer ACol, Integer ARow, Integer DataCol,
                                           Integer DataRow, const String& Value, TFont* AFont,
                                           TColor& Background, TGridDrawState AState) {
  if (FStyle)
    return FStyle->HighlightDataCellColor(this, ACol, ARow, DataCol, DataRow, Value, AState, false,
                                          Background, AFont);
  // [Phase 1] A cell of the selection is highlighted.
  const bool Selected =
      FDataLink->GetActive() && FSelection->DataCellSelected(DataCol, GetDataSet()->GetBookmark());
  // [Phase 2] Otherwise the current cell, or the current row.
  const bool RowSelect = FOptions.Contains(dgRowSelectKv);
  const bool CurrentRow = ARow == GetRow();
  bool Focus =
      HandleAllocated() && GetFocus() == GetHandle() && FOptionsKv.Contains(dgHighlightFocusKv);
  if (FOptionsKv.Contains(dgRowHighlightKv) && CurrentRow && !SelectionExists() &&
      ACol != GetCol()) {
    Focus = true;
    AState += gdSelected;
  }
  const bool Highlighted =
      Selected ||
      ((AState.Contains(gdSelected) || (CurrentRow && RowSelect)) &&
       (FOptions.Contains(dgAlwaysShowSelectionKv) || Focus) && (FUpdateLock == 0 || RowSelect));
  if (!Highlighted) return false;
  // [Phase 3] The colours.
  if (IsFocused()) {
    Background = clHighlight;
    AFont->SetColor(clHighlightText);
  } else if (CurrentRow && (ACol == GetCol() || RowSelect) &&
             (FOptions.Contains(dgAlwaysShowSelectionKv) || Focus)) {
    Background = clBtnShadow;
    AFont->SetColor(clHighlightText);
  } else {
    Background = clBtnFace;
  }
  return true;
}

// [SECTION] Cell parameters

void TCustomDBGridKv::FillDataCellParams(TColumnKv* Column, TGridDrawState State, TFont* Font,
                                         TColor Background) {
  TColCellParamsKv* Params = FColCellParams;
  Params->SetState(State);
  Params->SetFont(Font);
  Params->SetAlignment(Column->GetAlignment());
  Params->SetBackground(Background);
  Params->SetText(Column->GetDisplayText());
  Params->SetImageIndex(Column->GetImageIndex());
  Params->SetCheckboxState(Column->GetCheckboxState());
  Params->SetReadOnly(Column->GetReadOnly());
  TColor Color = Params->GetBackground();
  GetCellParams(Column, Params->GetFont(), Color, State);
  Params->SetBackground(Color);
  Column->GetCellParams(false, Params);
}

// The events may change the font they are handed: a copy of the canvas font
// takes the row's changes, so that the cell being painted keeps its own.
String TCustomDBGridKv::RowCellText(TColumnKv* Column, Integer ARow, Integer DataRow,
                                    TGridDrawState State) {
  if (!FDuplicateFont) FDuplicateFont.reset(TFont::Create());
  FDuplicateFont->Assign(GetCanvas()->GetFont());
  const Integer Row = FColCellParams->GetRow();
  FColCellParams->SetRow(ARow);
  String Text;
  {
    TRowRecord Record(this, DataRow);
    FillDataCellParams(Column, State, FDuplicateFont.get(), Column->GetColor());
    Text = FColCellParams->GetText();
  }
  FColCellParams->SetRow(Row);
  return Text;
}

// [SECTION] The cell

void TCustomDBGridKv::DrawDataRowCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow,
                                      TColumnKv* Column, TRect ARect, TGridDrawState AState,
                                      bool Down, Integer HorzMargin, Integer VertMargin,
                                      bool& Highlighted) {
  TCanvas* Canvas = GetCanvas();
  // [Phase 1] Hidden duplicates compare with the row above, read first so
  // that the parameters end with this cell's. The first row shown has none.
  const Integer FirstShown = FMemTable ? GetTopRow() - FTitleOffset : 0;
  const bool HideDuplicates = Column->GetHideDuplicates() && DataRow > FirstShown;
  String Above;
  if (HideDuplicates) Above = RowCellText(Column, ARow - 1, DataRow - 1, AState);
  TRowRecord Record(this, DataRow);
  // [Phase 2] The row's colour by its record number.
  TDataSet* DataSet = GetDataSet();
  if (Column->GetColor() == GetColor() && FDataLink->GetActive() &&
      (DataSet->IsSequenced() || (FSumList->GetActive() && FSumList->GetVirtualRecords())))
    Canvas->GetBrush()->SetColor(FSumList->GetRecNo() % 2 ? GetOddRowColor() : GetEvenRowColor());
  // [Phase 3] The tree's node area, then the room of the buttons kept shown.
  TRect R = ARect;
  if (FMemTable && DataCol == 0 && FMemTable->GetTreeViewMode()) {
    DrawTreeCell(DataCol, DataRow, Down, R, AState);
    R.Left += GetTreeIndent() - (Down ? 1 : 0);
  }
  const TRect ButtonClip = R;
  const bool Buttons = Column->GetAlwaysShowEditButton();
  if (Buttons) R.Right -= Column->EditButtonsWidth();
  // [Phase 4] The cell parameters, as the application would have them.
  FillDataCellParams(Column, AState, Canvas->GetFont(), Canvas->GetBrush()->GetColor());
  TColCellParamsKv* Params = FColCellParams;
  if (Params->GetFont() != Canvas->GetFont()) Canvas->SetFont(Params->GetFont());
  String Text = Params->GetText();
  Integer ImageIndex = Params->GetImageIndex();
  // [Phase 5] The highlight.
  TColor Background = Params->GetBackground();
  Highlighted = GetDataCellHighlight(ACol, ARow, DataCol, DataRow, Text, Canvas->GetFont(),
                                     Background, AState);
  Params->SetBackground(Background);
  if (Highlighted) AState += gdSelected;
  Canvas->GetBrush()->SetColor(Background);
  // [Phase 6] A text equal to the one above shows nothing.
  const bool Duplicate = HideDuplicates && Text == Above;
  if (Duplicate) {
    Text.clear();
    ImageIndex = -1;
  }
  // [Phase 7] The contents by the column's kind.
  if (FDBDefaultDrawing && R.Right > R.Left) {
    if (Down && ThemedDrawingEnabled()) DrawFixedBackground(R, false, false);
    TRect TextRect = R;
    TCustomImageList* Images = Column->GetImageList();
    const TColumnKvType Kind = Column->GetColumnType();
    if (Images && Column->GetShowImageAndText() && Kind != ctKeyImageListKv &&
        Kind != ctCheckboxesKv) {
      // An image strip at the left in the column's colour; the text beside it.
      const TRect Strip{R.Left, R.Top, std::min(R.Right, R.Left + Images->GetWidth() + 4),
                        R.Bottom};
      const TColor Brush = Canvas->GetBrush()->GetColor();
      Canvas->GetBrush()->SetColor(Column->GetColor());
      Canvas->FillRect(Strip);
      DrawClippedImage(Images, Canvas, taCenter, 0, ImageIndex, Strip);
      Canvas->GetBrush()->SetColor(Brush);
      TextRect.Left = std::min(R.Right, Strip.Right + 1);
      Canvas->FillRect({Strip.Right, R.Top, TextRect.Left, R.Bottom});
    }
    if (Kind == ctKeyImageListKv) {
      Canvas->FillRect(R);
      if (Images) DrawClippedImage(Images, Canvas, taCenter, 0, ImageIndex, R);
    } else if (Kind == ctCheckboxesKv) {
      Canvas->FillRect(R);
      const Integer W = DefaultCheckBoxWidth(), H = DefaultCheckBoxHeight();
      TRect Box = R;
      if (R.Width() >= W) {
        Box.Left = R.Left + (R.Width() / 2 - W / 2);
        Box.Right = Box.Left + W;
      }
      if (R.Height() >= H) {
        Box.Top = R.Top + (R.Height() / 2 - H / 2);
        Box.Bottom = Box.Top + H;
      }
      DrawCellCheckBox(Column, Canvas, Box, Params->GetCheckboxState(), true, GetFlat(),
                       Canvas->GetBrush()->GetColor());
    } else if (TextRect.Right > TextRect.Left) {
      WriteCellText(Column, TextRect, true, HorzMargin, VertMargin, Text, Params->GetAlignment(),
                    Column->GetLayout(), Column->GetWordWrap() && FWordWrapAllowed,
                    Column->GetEndEllipsis(), 0, 0);
    }
  }
  // [Phase 8] The edit buttons kept shown.
  if (Buttons && FDBDefaultDrawing)
    DrawDataCellButtons(Column, R, ButtonClip, Down, Canvas->GetBrush()->GetColor());
  // [Phase 9] An empty required field of the record being edited.
  TField* Field = Column->GetField();
  if (Column->GetHighlightRequired() && Field && ARow == GetRow() &&
      (DataSet->GetState() == dsEdit || DataSet->GetState() == dsInsert) && Field->GetRequired() &&
      Field->IsNull()) {
    bool DrawState = true;
    if (Column->OnCheckDrawRequiredState) Column->OnCheckDrawRequiredState(Column, Text, DrawState);
    if (DrawState) {
      TObjectPtr<TPen> Saved(TPen::Create());
      Saved->Assign(Canvas->GetPen());
      Canvas->GetPen()->SetColor(TColor(255));
      Canvas->GetPen()->SetStyle(psDot);
      Canvas->MoveTo(ARect.Left + 2, ARect.Bottom - 1);
      Canvas->LineTo(ARect.Right - 3, ARect.Bottom - 1);
      Canvas->GetPen()->Assign(Saved.get());
    }
  }
  // [Phase 10] The application's drawing.
  if (!FColumns->IsCustomized()) DrawDataCell(ARect, Field, AState);
  DrawColumnCell(ARect, DataCol, Column, AState);
  // [Phase 11] The type-ahead search's text in its colours.
  if (InplaceSearching() && Highlighted && ARow == GetRow() && ACol == GetCol() &&
      (FOptions.Contains(dgAlwaysShowSelectionKv) || Focused()) && !Designing() &&
      FUpdateLock == 0) {
    TCustomForm* Form = GetParentForm(this);
    if (Form && Form->GetActiveControl() == this)
      DrawInplaceSearchHighlight(Column, R, HorzMargin, VertMargin, Text);
  }
  // [Phase 12] Equal cells read as one: the row line above goes.
  if (Duplicate && FOptions.Contains(dgRowLinesKv)) {
    const TColor Brush = Canvas->GetBrush()->GetColor();
    Canvas->GetBrush()->SetColor(Column->GetColor());
    Canvas->FillRect({ARect.Left, ARect.Top - GetGridLineWidth(), ARect.Right, ARect.Top});
    Canvas->GetBrush()->SetColor(Brush);
  }
  DrawFocusFrame(ARect, AState);
}

// [SECTION] Parts

void TCustomDBGridKv::DrawCellCheckBox(TColumnKv* Column, TCanvas* Canvas, const TRect& ARect,
                                       TCheckBoxState State, bool Enabled, bool Flat,
                                       TColor Background) {
  const HDC DC = Canvas->GetHandle();
  TRect R = ARect;
  const bool Unmirror = Column && Column->UseRightToLeftAlignment() && GetCanvasMirrored();
  if (Unmirror) {
    WindowsLPtoDP(DC, R);
    if (R.Left > R.Right) std::swap(R.Left, R.Right);
    MirrorCanvas(false);
  }
  struct TRestore {
    TCustomDBGridKv* Grid;
    bool Remirror;
    ~TRestore() {
      if (Remirror) Grid->MirrorCanvas(true);
    }
  } Restore{this, Unmirror};
  PaintButtonControl(DC, R, Background, State, Enabled, false, Flat, bdsUpKv, bcsCheckBoxKv);
}

// The main button at the cell's new right edge (moved a pixel right and up
// in the fixed look), then the column's visible extra buttons, each as wide
// as the room the column keeps for it; below buttons lower than the row the
// cell's background.
void TCustomDBGridKv::DrawDataCellButtons(TColumnKv* Column, const TRect& Cell, const TRect& Clip,
                                          bool Down, TColor Background) {
  TCanvas* Canvas = GetCanvas();
  const bool Flat = GetFlat();
  const Integer Line = Flat ? 1 : 0;
  const bool Enabled = FDataLink->GetActive();
  const Integer Top = Cell.Top;
  Integer X = Cell.Right;
  const TColumnEditStyleKv Style = GetColumnEditStyle(Column);
  if (Style != cesPlainKv) {
    TRect Button{X, Top, X + FButtonWidth + Line, Top + FButtonHeight};
    if (Down) OffsetRect(Button, 1, -1);
    const TEditButtonStyleKv Face = Style == cesEllipsisKv ? ebsEllipsisKv
                                    : Style == cesUpDownKv ? ebsUpDownKv
                                                           : ebsDropDownKv;
    DrawCellEditButton(this, Column, Canvas, nullptr, Background, false, Flat, false, Enabled,
                       Button, Clip, Face);
    X += FButtonWidth + Line;
  }
  TEditButtonsKv* Extra = Column->GetEditButtons();
  for (Integer I = 0; I < Extra->GetCount(); ++I) {
    TEditButtonKv* Button = Extra->GetItems(I);
    if (!Button->GetVisible()) continue;
    const Integer W = Button->GetWidth() < 1 ? FButtonWidth : Button->GetWidth();
    DrawCellEditButton(this, Column, Canvas, Button->GetGlyph(), Background, false, Flat, false,
                       Enabled, {X, Top, X + W + Line, Top + FButtonHeight}, Clip,
                       Button->GetStyle());
    X += W + Line;
  }
  if (FButtonHeight < GetDefaultRowHeight() && Top + FButtonHeight < Cell.Bottom) {
    Canvas->GetBrush()->SetColor(Background);
    Canvas->FillRect({Cell.Right, Top + FButtonHeight, Clip.Right, Cell.Bottom});
  }
}

// The part of the cell's text that the search has matched, over the same
// place, in the search's colours.
void TCustomDBGridKv::DrawInplaceSearchHighlight(TColumnKv* Column, const TRect& ARect,
                                                 Integer HorzMargin, Integer VertMargin,
                                                 const String& Text) {
  TCanvas* Canvas = GetCanvas();
  const Integer Matched = std::min(Length(InplaceSearchText()), Length(Text));
  if (Matched <= 0) return;
  const String Part = Copy(Text, 1, Matched);
  const String Rest = Copy(Text, Matched + 1, Length(Text) - Matched);
  TAlignment Alignment = Column->GetAlignment();
  if (Column->UseRightToLeftAlignment() && Alignment != taCenter)
    Alignment = Alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  UINT Flags = SearchAlignFlags[std::size_t(Alignment)];
  if (Column->GetWordWrap() && FWordWrapAllowed)
    Flags |= DT_WORDBREAK | (Column->UseRightToLeftReading() ? DT_RTLREADING : 0);
  DRAWTEXTPARAMS Margins{};
  Margins.cbSize = sizeof(DRAWTEXTPARAMS);
  Margins.iLeftMargin = 0;
  // A right-aligned cell text keeps one pixel more from the edge than the
  // margin: the searched part ends where the rest of the text begins.
  Margins.iRightMargin = Alignment == taLeftJustify    ? 0
                         : Alignment == taRightJustify ? Canvas->TextWidth(Rest) + 1
                                                       : Canvas->TextWidth(Rest);
  TRect R = ARect;
  InflateRect(R, -HorzMargin, -VertMargin);
  const TColor Brush = Canvas->GetBrush()->GetColor();
  const TColor FontColor = Canvas->GetFont()->GetColor();
  Canvas->GetBrush()->SetColor(InplaceSearchHighlightColor);
  Canvas->GetFont()->SetColor(InplaceSearchHighlightFontColor);
  SetBkColor(Canvas->GetHandle(), ColorToRGB(InplaceSearchHighlightColor));
  SetBkMode(Canvas->GetHandle(), OPAQUE);
  DrawTextEx(Canvas->GetHandle(), Part, -1, &R, Flags, &Margins);
  Canvas->GetBrush()->SetColor(Brush);
  Canvas->GetFont()->SetColor(FontColor);
}

// [SECTION] Tool tips

// The tip shows the cell's whole text, measured in the column's font as the
// application's parameter events leave it, laid exactly over the text in
// the cell; cells whose text fits show none, check boxes and images always
// name their value.
bool TCustomDBGridKv::DataCellToolTip(Integer ACol, Integer ARow, THintInfo& Info) {
  // [Phase 1] A record in the row, and a column with tips.
  const Integer DataCol = RawToDataColumn(ACol);
  const Integer DataRow = ARow - FTitleOffset;
  TColumnKv* Column = FColumns->GetColumn(DataCol);
  if (!FDataLink->GetActive() || !Column->GetToolTips() || DataRow >= GetRecordCount())
    return false;
  TRowRecord Record(this, DataRow);
  // [Phase 2] The text: a check box or an image names its value.
  const TColumnKvType Kind = Column->GetColumnType();
  const bool Named = Kind == ctCheckboxesKv || Kind == ctKeyImageListKv;
  String Text;
  if (Named) {
    TStrings* Picks = Column->GetPickList();
    Integer Index = -1;
    if (Kind == ctKeyImageListKv) {
      TField* Field = Column->GetField();
      Index = Field ? Column->GetKeyList()->IndexOf(Field->GetEditText()) : -1;
    } else {
      Index = Integer(Column->GetCheckboxState());
    }
    if (Index >= 0 && Index < Picks->GetCount()) Text = Picks->GetStrings(Index);
  } else {
    Text = Column->GetDisplayText();
  }
  // [Phase 3] The room the text has: the cell less the buttons kept shown,
  // the tree area and an image beside the text (no tip over those).
  // Right to left the buttons stand at the cell's left and the rest at its
  // right.
  TRect R = CellRect(ACol, ARow);
  const bool Mirrored = UseRightToLeftAlignment();
  const Integer Buttons = Column->GetAlwaysShowEditButton() ? Column->EditButtonsWidth() : 0;
  Integer Lead = 0;
  if (FMemTable && DataCol == 0 && FMemTable->GetTreeViewMode()) Lead += GetTreeIndent();
  if (Column->GetImageList() && Column->GetShowImageAndText() && !Named)
    Lead += Column->GetImageList()->GetWidth() + 5;
  if (Mirrored) {
    R.Left += Buttons;
    R.Right -= Lead;
  } else {
    R.Right -= Buttons;
    R.Left += Lead;
  }
  const TPoint P = Info.CursorPos;
  if (P.X < R.Left || P.X >= R.Right) return false;
  // [Phase 4] The font, text and alignment the application's events give.
  if (!FHintFont) FHintFont.reset(TFont::Create());
  FHintFont->Assign(Column->GetFont());
  TColCellParamsKv* Params = FColCellParams;
  Params->SetCol(ACol);
  Params->SetRow(ARow);
  Params->SetState({});
  Params->SetFont(FHintFont.get());
  Params->SetBackground(Column->GetColor());
  Params->SetAlignment(Named ? taLeftJustify : Column->GetAlignment());
  Params->SetText(Text);
  Params->SetImageIndex(Column->GetImageIndex());
  Params->SetCheckboxState(Column->GetCheckboxState());
  Params->SetReadOnly(Column->GetReadOnly());
  TColor Background = Params->GetBackground();
  GetCellParams(Column, FHintFont.get(), Background, {});
  Column->GetCellParams(false, Params);
  if (Params->GetFont() != FHintFont.get()) FHintFont->Assign(Params->GetFont());
  Text = Params->GetText();
  const TAlignment Alignment = Params->GetAlignment();
  if (Text.empty()) return false;
  // [Phase 5] Only a text that does not fit shows a tip.
  return ShowCellTip(Info, ACol, ARow, R, Text, FHintFont.get(), Alignment, Column->GetLayout(),
                     Column->GetWordWrap() && FWordWrapAllowed, false, Named);
}

}  // namespace korvel
