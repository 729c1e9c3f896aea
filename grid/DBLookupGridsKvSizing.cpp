// The lookup grid's size and its window messages: a height that is always a
// whole number of rows and the row count that follows from it, the one-off
// fitting of the columns into the width, and the focus, cursor, hint and
// size messages.
//
// Index:
//   [SECTION] Height and rows   SetBounds, CreateWnd, UpdateHeightForRows, SetShowTitles,
//                               SetUseMultiTitle, GetBorderExtra, GetSpecRowHeight,
//                               GetDataRowHeight, GetGridDataRowCount, GetDataRect
//   [SECTION] Column fitting    SetListAutoFitColWidths, GetColumnsWidth, RefitColumns,
//                               ColWidthsChanged, WMSize, CMRecreateWnd
//   [SECTION] Messages          WMGetDlgCode, WMSetFocus, WMKillFocus, WMSetCursor, CMHintShow
#include <algorithm>

#include "grid/DBLookupGridsKv.h"
#include "platform/rtl/FlagScope.h"

namespace korvel {

using namespace kvp;

// [SECTION] Height and rows

Integer TDBLookupGridKv::GetBorderExtra() {
  return HandleAllocated() ? GetHeight() - GetClientHeight() : 0;
}

Integer TDBLookupGridKv::GetSpecRowHeight() {
  return GetDefaultRowHeight() + (GetOptions().Contains(dgRowLinesKv) ? GetGridLineWidth() : 0);
}

Integer TDBLookupGridKv::GetDataRowHeight() { return GetSpecRowHeight(); }

Integer TDBLookupGridKv::GetGridDataRowCount() {
  if (GetDataLink()->GetActive()) return GetDataLink()->GetBufferCount();
  return std::max<Integer>(FListRowCount, 1);
}

// The height is snapped to whole rows below the title and the special row.
void TDBLookupGridKv::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  FSpecRowHeight = FSpecRow && FSpecRow->GetVisible() ? GetSpecRowHeight() : 0;
  const Integer Title = GetTitleRowHeight();
  const Integer Row = std::max<Integer>(GetDataRowHeight(), 1);
  FListRowCount = std::max<Integer>(1, (AHeight - GetBorderExtra() - Title - FSpecRowHeight) / Row);
  const Integer Line = GetOptions().Contains(dgRowLinesKv) ? GetGridLineWidth() : 0;
  inherited::SetBounds(ALeft, ATop, AWidth,
                       Title + GetBorderExtra() + FListRowCount * Row + FSpecRowHeight + Line);
}

void TDBLookupGridKv::CreateWnd() {
  inherited::CreateWnd();
  UpdateHeightForRows(FListRowCount);
}

// The special row counts as it is now, even before the bounds were set
// again since it was shown or hidden.
void TDBLookupGridKv::UpdateHeightForRows(Integer N) {
  N = std::clamp<Integer>(N, 1, 100);
  const bool RowLines = GetOptions().Contains(dgRowLinesKv);
  const Integer Line = RowLines ? GetGridLineWidth() : 0;
  const Integer SpecRow = FSpecRow->GetVisible() ? GetSpecRowHeight() : 0;
  SetHeight(GetTitleRowHeight() + Line + N * GetDefaultRowHeight() + N * Line + GetBorderExtra() +
            SpecRow);
}

void TDBLookupGridKv::SetShowTitles(bool Value) {
  if (GetShowTitles() == Value) return;
  TDBGridKvOptions Options = GetOptions();
  if (Value)
    Options += dgTitlesKv;
  else
    Options -= dgTitlesKv;
  TCustomDBGridKv::SetOptions(Options);
  SetHeight(GetDataRowHeight() * FListRowCount + GetBorderExtra() + GetTitleRowHeight() +
            (FSpecRow->GetVisible() ? GetSpecRowHeight() : 0));
}

void TDBLookupGridKv::SetUseMultiTitle(bool Value) {
  TCustomDBGridKv::SetUseMultiTitle(Value);
  UpdateHeightForRows(FListRowCount);
}

TRect TDBLookupGridKv::GetDataRect() {
  const Integer Top = FSpecRow->GetVisible() ? GetTitleOffset() - 1 : GetTitleOffset();
  return BoxRect(GetIndicatorOffset(), Top, GetColCount() - 1, GetRowCount() - 1);
}

// [SECTION] Column fitting

void TDBLookupGridKv::SetListAutoFitColWidths(bool Value) {
  if (FListAutoFitColWidths == Value) return;
  FListAutoFitColWidths = Value;
  GetHorzScrollBar()->SetVisible(!Value);
  UpdateHeightForRows(FListRowCount);
  UpdateScrollBar();
  RefitColumns();
}

Integer TDBLookupGridKv::GetColumnsWidth() {
  Integer Width = 0;
  TDBGridColumnsKv* Columns = GetColumns();
  for (Integer I = 0; I < Columns->GetCount(); ++I) {
    TColumnKv* Column = Columns->GetColumn(I);
    if (Column->GetVisible())
      Width += FListAutoFitColWidths ? Column->GetInitWidth() : Column->GetWidth();
  }
  if (GetOptions().Contains(dgColLinesKv)) Width += GetGridLineWidth() * Columns->GetCount();
  return Width;
}

// Fitted once: the fitted widths stay in the columns while the data-aware
// grid's own fitting is off again.
void TDBLookupGridKv::RefitColumns() {
  if (FFitting) return;
  {
    TFlagScope Fitting(FFitting);
    if (FListAutoFitColWidths) TCustomDBGridKv::SetAutoFitColWidths(true);
    TDBGridColumnsKv* Columns = GetColumns();
    for (Integer I = 0; I < Columns->GetCount(); ++I)
      Columns->GetColumn(I)->SetInitWidth(Columns->GetColumn(I)->GetWidth());
    TCustomDBGridKv::SetAutoFitColWidths(false);
  }
  UpdateHeightForRows(FListRowCount);
}

// A fitted list grows or shrinks with a column the user sizes.
void TDBLookupGridKv::ColWidthsChanged() {
  inherited::ColWidthsChanged();
  if (FFitting || !HandleAllocated() || GetGridState() != gsColSizing || !FListAutoFitColWidths)
    return;
  const bool Lines = GetOptions().Contains(dgColLinesKv);
  Integer Width = 0;
  for (Integer Col = 0; Col < GetColCount(); ++Col)
    Width += GetColWidths(Col) + (Lines ? GetGridLineWidth() : 0);
  TFlagScope Fitting(FFitting);
  SetClientWidth(Width);
  TDBGridColumnsKv* Columns = GetColumns();
  for (Integer I = 0; I < Columns->GetCount(); ++I)
    Columns->GetColumn(I)->SetInitWidth(Columns->GetColumn(I)->GetWidth());
}

void TDBLookupGridKv::WMSize(TWMSize& Message) {
  if (FFitting) {
    inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
    return;
  }
  TFlagScope Fitting(FFitting);
  if (FListAutoFitColWidths) FAutoFitColWidths = true;
  struct TClear {
    bool& Switch;
    ~TClear() { Switch = false; }
  } Clear{FAutoFitColWidths};
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TDBLookupGridKv::CMRecreateWnd(TMessage& Message) {
  if (FFitting) return;
  inherited::Dispatch(Message);
}

// [SECTION] Messages

void TDBLookupGridKv::WMGetDlgCode(TMessage& Message) {
  Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
}

void TDBLookupGridKv::WMSetFocus(TMessage& Message) {
  FSearchText.clear();
  FFocused = true;
  inherited::Dispatch(Message);
  Invalidate();
}

void TDBLookupGridKv::WMKillFocus(TMessage& Message) {
  FFocused = false;
  inherited::Dispatch(Message);
  Invalidate();
}

// Over the special row the grid offers no cursor of its own.
void TDBLookupGridKv::WMSetCursor(TWMSetCursor& Message) {
  if (FSpecRow->GetVisible() && GetRowCount() > 0) {
    const TGridCoord Cell = MouseCoord(FHitTest.X, FHitTest.Y);
    if (Cell.Y >= 0 && Cell.Y == GetTitleOffset() - 1) return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TDBLookupGridKv::CMHintShow(TCMHintShow& Message) {
  if (Message.HintInfo) Message.HintInfo->HintStr = GetHint();
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

}  // namespace korvel
