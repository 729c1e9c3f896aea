// The grid's data model: construction, counts and their setters, the stored
// extents (with the counted-array routines), moving and deleting columns and
// rows, options, and the streaming of ColWidths and RowHeights.
//
// Index:
//   [SECTION] Counted extent arrays   ModifyExtents, UpdateExtents, MoveExtent, CompareExtents
//   [SECTION] Construction            Construct, Destroy, Initialize, CreateParams
//   [SECTION] Counts                  count setters, SetContraGridSize, ChangeSize, AdjustSize
//   [SECTION] Extents                 ColWidths, RowHeights, TabStops, DefaultRowHeight
//   [SECTION] Moving and deleting     MoveColumn, MoveRow, DeleteColumn, DeleteRow
//   [SECTION] Options and appearance  Options, Flat, ScrollBars, paint lock
//   [SECTION] Streaming               DefineProperties, ColWidths / RowHeights lists
//   [SECTION] Self-check              CheckConsistency
#include <algorithm>

#include "base/GridsKv.h"
#include "base/KorvelConsts.h"
#include "platform/classes/Filer.h"

namespace korvel {

using namespace kvp;

// [SECTION] Counted extent arrays

namespace {

constexpr Integer MaxExtentCount = 0x7FFFFFE;  // an array of more entries is refused

Integer ExtentCount(const TIntegerArray& A) { return A.empty() ? 0 : A[0]; }

// Entry Index of a counted array, or Default when absent or out of range.
Integer ExtentOrDefault(const TIntegerArray& A, Integer Index, Integer Default) {
  if (Index < 0 || Index >= ExtentCount(A)) return Default;
  return A[std::size_t(Index) + 1];
}

// Makes A present with Count entries of Default.
void EnsureExtents(TIntegerArray& A, Integer Count, Integer Default) {
  if (A.empty()) UpdateExtents(A, Count, Default);
}

}  // namespace

void ModifyExtents(TIntegerArray& A, Integer Index, Integer Amount, Integer Default) {
  if (Amount == 0) return;
  const Integer OldSize = ExtentCount(A);
  if (Index < 0 || Index > OldSize) throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  const Int64 NewSize = Int64(OldSize) + Amount;
  if (NewSize < 0) throw EInvalidGridOperationKv(STooManyDeleted);
  if (NewSize >= MaxExtentCount) throw EInvalidGridOperationKv(SGridTooLarge);
  if (NewSize == 0) {
    A.clear();
    return;
  }
  A.resize(std::size_t(NewSize) + 1);
  for (Integer I = Index; I < Integer(NewSize); ++I) A[std::size_t(I) + 1] = Default;
  A[0] = Integer(NewSize);
}

void UpdateExtents(TIntegerArray& A, Integer NewSize, Integer Default) {
  const Integer OldSize = ExtentCount(A);
  ModifyExtents(A, OldSize, NewSize - OldSize, Default);
}

void MoveExtent(TIntegerArray& A, Integer FromIndex, Integer ToIndex) {
  if (A.empty()) return;
  const Integer Count = A[0];
  if (FromIndex < 1 || FromIndex > Count || ToIndex < 1 || ToIndex > Count)
    throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  const Integer Value = A[std::size_t(FromIndex)];
  if (FromIndex < ToIndex)
    std::copy(A.begin() + FromIndex + 1, A.begin() + ToIndex + 1, A.begin() + FromIndex);
  else if (FromIndex > ToIndex)
    std::copy_backward(A.begin() + ToIndex, A.begin() + FromIndex, A.begin() + FromIndex + 1);
  A[std::size_t(ToIndex)] = Value;
}

bool CompareExtents(const TIntegerArray& A, const TIntegerArray& B) {
  if (A.empty() || B.empty()) return A.empty() && B.empty();
  return A == B;
}

// [SECTION] Construction

void TCustomGridKv::Construct() {
  inherited::Construct();
  FControlStyle = TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks, csNeedsBorderPaint};
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
  SetBounds(GetLeft(), GetTop(), FColCount * FDefaultColWidth, FRowCount * FDefaultRowHeight);
  Initialize();
  FFlatLineColor = clBlack;
  FGridLineColors = CreateGridLineColors();
}

void TCustomGridKv::Destroy() {
  // The editor's focus loss reaches the grid while the editor goes: forget
  // it first.
  TInplaceEdit* Editor = FInplaceEdit;
  FInplaceEdit = nullptr;
  if (Editor) Editor->Free();
  inherited::Destroy();
  FreeAndNil(FGridLineColors);
}

void TCustomGridKv::Initialize() {
  FTopLeft = {FFixedCols, FFixedRows};
  FCurrent = FTopLeft;
  FAnchor = FCurrent;
  if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
}

void TCustomGridKv::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FInplaceEdit) FInplaceEdit = nullptr;
}

TGridLineColorsKv* TCustomGridKv::CreateGridLineColors() { return TGridLineColorsKv::Create(this); }

void TCustomGridKv::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= WS_TABSTOP;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) Params.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= WS_HSCROLL;
  Params.WindowClass.style |= CS_DBLCLKS;
  if (FBorderStyle == bsSingle) {
    if (GetCtl3D()) {
      Params.Style &= ~DWORD(WS_BORDER);
      Params.ExStyle |= WS_EX_CLIENTEDGE;
    } else {
      Params.Style |= WS_BORDER;
    }
  }
}

// [SECTION] Counts

void TCustomGridKv::SetColCount(Integer Value) {
  if (FColCount == Value) return;
  if (Value < 1) Value = 1;
  if (Value <= FFixedCols) FFixedCols = Value - 1;
  if (FContraColCount != 0) {
    if (Value < FColCount)
      AdjustSize(Value, Value - FColCount, false);
    else
      AdjustSize(FColCount, Value - FColCount, false);
  } else {
    ChangeSize(Value, FRowCount);
  }
  if (FOptions.Contains(goRowSelect)) {
    FAnchor.X = FColCount - 1;
    Invalidate();
  }
}

void TCustomGridKv::SetRowCount(Integer Value) {
  if (FRowCount == Value) return;
  if (Value < 1) Value = 1;
  if (Value <= FFixedRows) FFixedRows = Value - 1;
  if (FContraRowCount != 0) {
    if (Value < FRowCount)
      AdjustSize(Value, Value - FRowCount, true);
    else
      AdjustSize(FRowCount, Value - FRowCount, true);
  } else {
    ChangeSize(FColCount, Value);
  }
}

void TCustomGridKv::SetFixedCols(Integer Value) {
  if (FFixedCols == Value) return;
  if (Value < 0) throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  if (Value >= FColCount) throw EInvalidGridOperationKv(SFixedColTooBig);
  FFixedCols = Value;
  Initialize();
  Invalidate();
}

void TCustomGridKv::SetFixedRows(Integer Value) {
  if (FFixedRows == Value) return;
  if (Value < 0) throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  if (Value >= FRowCount) throw EInvalidGridOperationKv(SFixedRowTooBig);
  FFixedRows = Value;
  Initialize();
  Invalidate();
}

void TCustomGridKv::SetContraColCount(Integer Value) {
  if (FContraColCount == Value) return;
  if (Value < 0) throw EInvalidGridOperationKv("FContraColCount can not be negative.");
  SetContraGridSize(Value, FContraRowCount);
}

void TCustomGridKv::SetContraRowCount(Integer Value) {
  if (FContraRowCount == Value) return;
  if (Value < 0) throw EInvalidGridOperationKv("FContraRowCount can not be negative.");
  SetContraGridSize(FContraColCount, Value);
}

void TCustomGridKv::SetFrozenColCount(Integer Value) {
  if (FFrozenColCount == Value) return;
  FFrozenColCount = Value;
  Invalidate();
}

void TCustomGridKv::SetContraGridSize(Integer AContraColCount, Integer AContraRowCount) {
  FContraColCount = AContraColCount;
  FContraRowCount = AContraRowCount;
  if (!FColWidths.empty()) UpdateExtents(FColWidths, GetFullColCount(), FDefaultColWidth);
  if (!FTabStops.empty()) UpdateExtents(FTabStops, GetFullColCount(), 1);
  if (!FRowHeights.empty()) UpdateExtents(FRowHeights, GetFullRowCount(), FDefaultRowHeight);
  Invalidate();
  UpdateScrollRange();
}

// Keeps Current and Anchor inside the counts even when SelectCell vetoed the
// move that should have brought them back, and TopLeft within reach.
void TCustomGridKv::RestoreCurrentInRange() {
  FCurrent.X = std::clamp(FCurrent.X, 0, FColCount - 1);
  FCurrent.Y = std::clamp(FCurrent.Y, 0, FRowCount - 1);
  FAnchor.X = std::clamp(FAnchor.X, 0, FColCount - 1);
  FAnchor.Y = std::clamp(FAnchor.Y, 0, FRowCount - 1);
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridCoord Max = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo);
  FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, std::max(FFixedCols, Max.X));
  FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, std::max(FFixedRows, Max.Y));
}

void TCustomGridKv::ChangeSize(Integer NewColCount, Integer NewRowCount) {
  // [Phase 1] Old layout and the new counts.
  const Integer OldColCount = FColCount, OldRowCount = FRowCount;
  const TGridCoord OldTopLeft = FTopLeft;
  TGridDrawInfo OldInfo;
  if (HandleAllocated()) CalcDrawInfo(OldInfo);
  FColCount = NewColCount;
  FRowCount = NewRowCount;
  if (FFixedCols > NewColCount - 1) FFixedCols = NewColCount - 1;
  if (FFixedRows > NewRowCount - 1) FFixedRows = NewRowCount - 1;
  if (!FColWidths.empty()) UpdateExtents(FColWidths, GetFullColCount(), FDefaultColWidth);
  if (!FTabStops.empty()) UpdateExtents(FTabStops, GetFullColCount(), 1);
  if (!FRowHeights.empty()) UpdateExtents(FRowHeights, GetFullRowCount(), FDefaultRowHeight);
  // [Phase 2] Current and anchor back inside.
  TGridCoord NewCur{std::min(FCurrent.X, FColCount - 1), std::min(FCurrent.Y, FRowCount - 1)};
  if (!(NewCur == FCurrent)) MoveCurrent(NewCur.X, NewCur.Y, true, true);
  if (!(FAnchor == FCurrent)) MoveAnchor(FCurrent);
  RestoreCurrentInRange();
  // [Phase 3] Repaint what changed.
  if (!FFullRepaintOnResize && OldTopLeft == FTopLeft && HandleAllocated()) {
    TGridDrawInfo NewInfo;
    CalcDrawInfo(NewInfo);
    TRect R = GetClientRect();
    const Integer LastCol =
        std::min(OldInfo.Horz.LastFullVisibleCell, NewInfo.Horz.LastFullVisibleCell);
    const Integer LastRow =
        std::min(OldInfo.Vert.LastFullVisibleCell, NewInfo.Vert.LastFullVisibleCell);
    TRect Cell = CellRect(LastCol, 0);
    if (OldColCount != FColCount) {
      // Right to left the new columns lie towards the left edge.
      TRect H = RightToLeft() ? TRect{0, 0, Cell.Right, R.Bottom}
                              : TRect{Cell.Left, 0, R.Right, R.Bottom};
      ::kvp::InvalidateRect(GetHandle(), &H, false);
    }
    Cell = CellRect(0, LastRow);
    if (OldRowCount != FRowCount) {
      TRect V{0, Cell.Top, R.Right, R.Bottom};
      ::kvp::InvalidateRect(GetHandle(), &V, false);
    }
  } else {
    Invalidate();
  }
  UpdateScrollRange();
  SizeChanged(OldColCount, OldRowCount);
}

// One axis of AdjustSize: extents, count and the current index.
void TCustomGridKv::ModifyAxis(Integer Index, Integer Amount, bool Rows) {
  Integer& Count = Rows ? FRowCount : FColCount;
  const Integer NewCount = Count + Amount;
  if (Index > NewCount || Index < 0) throw EInvalidGridOperationKv(STooManyDeleted);
  // Extents from Index on are reset, contra cells included: stored contra
  // sizes do not survive a count change.
  if (Rows) {
    if (!FRowHeights.empty()) ModifyExtents(FRowHeights, Index, Amount, FDefaultRowHeight);
  } else {
    if (!FTabStops.empty()) ModifyExtents(FTabStops, Index, Amount, 1);
    if (!FColWidths.empty()) ModifyExtents(FColWidths, Index, Amount, FDefaultColWidth);
  }
  Count = NewCount;
}

void TCustomGridKv::AdjustSize(Integer Index, Integer Amount, bool Rows) {
  if (Amount == 0) return;
  const Integer OldColCount = FColCount, OldRowCount = FRowCount;
  // [Phase 1] The scroll range before the change, for the pixel move.
  TGridRect ScrollRange{FFixedCols, FFixedRows, FColCount - 1, FRowCount - 1};
  const Integer FirstShown = Rows ? FTopLeft.Y : FTopLeft.X;
  Integer Pixels = 0;
  for (Integer I = Index; I < Index + std::abs(Amount); ++I)
    Pixels += Rows ? GetRowHeights(I) : GetColWidths(I);
  if (Amount < 0) Pixels = -Pixels;
  if (Rows) {
    ScrollRange.Top = Index;
    if (Index + std::abs(Amount) <= FirstShown) ScrollRange.Bottom = FirstShown - 1;
  } else {
    ScrollRange.Left = Index;
    if (Index + std::abs(Amount) <= FirstShown) ScrollRange.Right = FirstShown - 1;
  }
  TRect Scroll;
  GridRectToScreenRect(ScrollRange, Scroll, true);
  // [Phase 2] Counts, extents, the current cell.
  ModifyAxis(Index, Amount, Rows);
  Integer Cur = Rows ? FCurrent.Y : FCurrent.X;
  if (Cur >= Index) Cur = (Amount < 0 && Cur < Index - Amount) ? Index : Cur + Amount;
  Cur = std::min(Cur, (Rows ? FRowCount : FColCount) - 1);
  TGridCoord NewCur = FCurrent;
  (Rows ? NewCur.Y : NewCur.X) = Cur;
  if (FFixedCols > FColCount - 1) FFixedCols = FColCount - 1;
  if (FFixedRows > FRowCount - 1) FFixedRows = FRowCount - 1;
  // [Phase 3] Repaint.
  if (HandleAllocated() && !IsRectEmpty(Scroll)) {
    const Integer DX = Rows ? 0 : (RightToLeft() ? -Pixels : Pixels);
    ScrollWindowEx(GetHandle(), DX, Rows ? Pixels : 0, &Scroll, &Scroll, nullptr, nullptr,
                   SW_INVALIDATE);
    Update();
  }
  if (FContraRowCount > 0 || FContraColCount >= 1) Invalidate();
  SizeChanged(OldColCount, OldRowCount);
  if (!(NewCur == FCurrent)) MoveCurrent(NewCur.X, NewCur.Y, true, true);
  RestoreCurrentInRange();
  UpdateScrollRange();
}

// [SECTION] Extents

Integer TCustomGridKv::GetColWidths(Integer Index) const {
  return ExtentOrDefault(FColWidths, Index, FDefaultColWidth);
}

Integer TCustomGridKv::GetRowHeights(Integer Index) const {
  return ExtentOrDefault(FRowHeights, Index, FDefaultRowHeight);
}

bool TCustomGridKv::GetTabStops(Integer Index) const {
  return ExtentOrDefault(FTabStops, Index, 1) != 0;
}

void TCustomGridKv::SetColWidths(Integer Index, Integer Value) {
  if (Index < 0 || Index >= GetFullColCount()) throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  EnsureExtents(FColWidths, GetFullColCount(), FDefaultColWidth);
  Integer& Slot = FColWidths[std::size_t(Index) + 1];
  if (Slot == Value) return;
  Invalidate();
  Slot = Value;
  ColWidthsChanged();
}

void TCustomGridKv::SetRowHeights(Integer Index, Integer Value) {
  if (Index < 0 || Index >= GetFullRowCount()) throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  EnsureExtents(FRowHeights, GetFullRowCount(), FDefaultRowHeight);
  Integer& Slot = FRowHeights[std::size_t(Index) + 1];
  if (Slot == Value) return;
  Invalidate();
  Slot = Value;
  RowHeightsChanged();
}

void TCustomGridKv::SetTabStops(Integer Index, bool Value) {
  if (Index < 0 || Index >= GetFullColCount()) throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  EnsureExtents(FTabStops, GetFullColCount(), 1);
  FTabStops[std::size_t(Index) + 1] = Value ? 1 : 0;
}

void TCustomGridKv::SetDefaultRowHeight(Integer Value) {
  if (!FRowHeights.empty()) UpdateExtents(FRowHeights, 0, 0);
  FDefaultRowHeight = Value;
  RowHeightsChanged();
  Invalidate();
}

void TCustomGridKv::SetGridLineWidth(Integer Value) {
  if (FGridLineWidth == Value) return;
  FGridLineWidth = Value;
  ColWidthsChanged();
  Invalidate();
}

void TCustomGridKv::ColWidthsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

void TCustomGridKv::RowHeightsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

// [SECTION] Moving and deleting

namespace {

// Where an index lands when the cell at FromIndex moves to ToIndex.
Integer MoveAdjust(Integer Index, Integer FromIndex, Integer ToIndex) {
  if (Index == FromIndex) return ToIndex;
  if (FromIndex < Index && Index <= ToIndex) return Index - 1;
  if (ToIndex <= Index && Index < FromIndex) return Index + 1;
  return Index;
}

}  // namespace

void TCustomGridKv::MoveCells(Integer FromIndex, Integer ToIndex, bool Rows) {
  if (FromIndex == ToIndex) return;
  const Integer Count = Rows ? FRowCount : FColCount;
  if (FromIndex < 0 || FromIndex >= Count || ToIndex < 0 || ToIndex >= Count)
    throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  TIntegerArray& Extents = Rows ? FRowHeights : FColWidths;
  const bool Stored = !Extents.empty();
  MoveExtent(Extents, FromIndex + 1, ToIndex + 1);
  if (!Rows) MoveExtent(FTabStops, FromIndex + 1, ToIndex + 1);
  Integer TGridCoord::*Axis = Rows ? &TGridCoord::Y : &TGridCoord::X;
  FCurrent.*Axis = MoveAdjust(FCurrent.*Axis, FromIndex, ToIndex);
  FAnchor.*Axis = MoveAdjust(FAnchor.*Axis, FromIndex, ToIndex);
  Integer& Inplace = Rows ? FInplaceRow : FInplaceCol;
  if (Inplace >= 0) Inplace = MoveAdjust(Inplace, FromIndex, ToIndex);
  if (HandleAllocated()) {
    const Integer Lo = std::min(FromIndex, ToIndex), Hi = std::max(FromIndex, ToIndex);
    TRect R = Rows ? BoxRect(0, Lo, FColCount - 1, Hi) : BoxRect(Lo, 0, Hi, FRowCount - 1);
    const TRect Client = GetClientRect();
    if (Rows) {
      R.Left = 0;
      R.Right = Client.Right;
    } else {
      R.Bottom = Client.Bottom;
    }
    ::kvp::InvalidateRect(GetHandle(), &R, false);
  }
  if (Rows)
    RowMoved(FromIndex, ToIndex);
  else
    ColumnMoved(FromIndex, ToIndex);
  if (Stored) {
    if (Rows)
      RowHeightsChanged();
    else
      ColWidthsChanged();
  }
  UpdateEdit();
}

void TCustomGridKv::MoveColumn(Integer FromIndex, Integer ToIndex) {
  MoveCells(FromIndex, ToIndex, false);
}

void TCustomGridKv::MoveRow(Integer FromIndex, Integer ToIndex) {
  MoveCells(FromIndex, ToIndex, true);
}

void TCustomGridKv::DeleteColumn(Integer ACol) {
  MoveColumn(ACol, FColCount - 1);
  SetColCount(FColCount - 1);
}

void TCustomGridKv::DeleteRow(Integer ARow) {
  MoveRow(ARow, FRowCount - 1);
  SetRowCount(FRowCount - 1);
}

// [SECTION] Options and appearance

void TCustomGridKv::SetOptions(TGridOptions Value) {
  if (FOptions == Value) return;
  if (Value.Contains(goRowSelect)) Value -= goAlwaysShowEditor;
  FOptions = Value;
  if (!FEditorMode) {
    if (FOptions.Contains(goAlwaysShowEditor))
      ShowEditor();
    else
      HideEditor();
  }
  if (FOptions.Contains(goRowSelect)) MoveCurrent(FCurrent.X, FCurrent.Y, true, false);
  Invalidate();
}

void TCustomGridKv::SetFixedColor(TColor Value) {
  if (FFixedColor == Value) return;
  FFixedColor = Value;
  Invalidate();
}

void TCustomGridKv::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomGridKv::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  RecreateWnd();
}

void TCustomGridKv::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  UpdateFlatColor();
  FlatChanged();
  Invalidate();
}

void TCustomGridKv::UpdateFlatColor() { FFlatLineColor = FFlat ? clGray : clBlack; }

void TCustomGridKv::SetDefaultDrawing(bool Value) {
  if (FDefaultDrawing == Value) return;
  FDefaultDrawing = Value;
  Invalidate();
}

void TCustomGridKv::UnlockPaint() {
  if (FPaintLockCount > 0) --FPaintLockCount;
}

// [SECTION] Streaming

void TCustomGridKv::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  if (!FSaveCellExtents) return;
  auto* Ancestor = dynamic_cast<TCustomGridKv*>(Filer->GetAncestor());
  const bool StoreWidths =
      Ancestor ? !CompareExtents(Ancestor->FColWidths, FColWidths) : !FColWidths.empty();
  const bool StoreHeights =
      Ancestor ? !CompareExtents(Ancestor->FRowHeights, FRowHeights) : !FRowHeights.empty();
  Filer->DefineProperty("ColWidths", TReaderProc(this, &TCustomGridKv::ReadColWidths),
                        TWriterProc(this, &TCustomGridKv::WriteColWidths), StoreWidths);
  Filer->DefineProperty("RowHeights", TReaderProc(this, &TCustomGridKv::ReadRowHeights),
                        TWriterProc(this, &TCustomGridKv::WriteRowHeights), StoreHeights);
}

void TCustomGridKv::ReadColWidths(TReader* Reader) {
  Reader->ReadListBegin();
  for (Integer I = 0; I < FColCount; ++I) SetColWidths(I, Reader->ReadInteger());
  Reader->ReadListEnd();
}

void TCustomGridKv::WriteColWidths(TWriter* Writer) {
  Writer->WriteListBegin();
  for (Integer I = 0; I < FColCount; ++I) Writer->WriteInteger(GetColWidths(I));
  Writer->WriteListEnd();
}

void TCustomGridKv::ReadRowHeights(TReader* Reader) {
  Reader->ReadListBegin();
  for (Integer I = 0; I < FRowCount; ++I) SetRowHeights(I, Reader->ReadInteger());
  Reader->ReadListEnd();
}

void TCustomGridKv::WriteRowHeights(TWriter* Writer) {
  Writer->WriteListBegin();
  for (Integer I = 0; I < FRowCount; ++I) Writer->WriteInteger(GetRowHeights(I));
  Writer->WriteListEnd();
}

// [SECTION] Self-check

void TCustomGridKv::CheckConsistency() {
  auto Check = [](bool Condition, const char* What) { KV_ASSERT(Condition, What); };
  Check(FColCount >= 1 && FRowCount >= 1, "a grid has a cell");
  Check(FFixedCols >= 0 && FFixedCols < FColCount, "fixed columns inside the columns");
  Check(FFixedRows >= 0 && FFixedRows < FRowCount, "fixed rows inside the rows");
  Check(FCurrent.X >= 0 && FCurrent.X < FColCount && FCurrent.Y >= 0 && FCurrent.Y < FRowCount,
        "current cell inside the grid");
  Check(FAnchor.X >= 0 && FAnchor.X < FColCount && FAnchor.Y >= 0 && FAnchor.Y < FRowCount,
        "anchor inside the grid");
  Check(FTopLeft.X >= FFixedCols && FTopLeft.X < FColCount && FTopLeft.Y >= FFixedRows &&
            FTopLeft.Y < FRowCount,
        "top-left cell among the scrolling cells");
  auto CountedOk = [](const TIntegerArray& A, Integer Count) {
    return A.empty() || (A[0] == Count && Integer(A.size()) == Count + 1);
  };
  Check(CountedOk(FColWidths, GetFullColCount()), "a width per column, contra ones included");
  Check(CountedOk(FTabStops, GetFullColCount()), "a tab stop per column, contra ones included");
  Check(CountedOk(FRowHeights, GetFullRowCount()), "a height per row, contra ones included");
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  for (const TGridAxisDrawInfo* Axis : {&DrawInfo.Horz, &DrawInfo.Vert}) {
    Check(Axis->FullCellCount == Axis->GridCellCount + Axis->ContraCellCount,
          "full count is cells plus contra cells");
    Check(Axis->GridExtent == Axis->ContraBoundary, "scrolling cells stop at the contra area");
    Check(Axis->FullGridBoundary ==
              (Axis->ContraCellCount == 0 ? Axis->GridBoundary : Axis->ClientExtent),
          "full boundary");
    Check(Axis->LastFullVisibleCell >= Axis->FirstGridCell &&
              Axis->LastFullVisibleCell <= std::max(Axis->FirstGridCell, Axis->GridCellCount - 1),
          "last whole cell among the scrolling cells");
  }
}

}  // namespace korvel
