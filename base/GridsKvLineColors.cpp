// The grid's line colours: slots left at clDefault follow the grid's Flat and
// Color at the moment of painting.
#include "base/GridsKv.h"
#include "base/KorvelConsts.h"

namespace korvel {

using namespace kvp;

TColor TGridLineColorsKv::GetColor(Integer Index) const {
  if (Index < 0 || Index >= ColorCount) throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  return FColors[Index];
}

void TGridLineColorsKv::SetColor(Integer Index, TColor Value) {
  if (Index < 0 || Index >= ColorCount) throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  if (FColors[Index] == Value) return;
  FColors[Index] = Value;
  if (FGrid) FGrid->Invalidate();
}

TColor TGridLineColorsKv::GetFixedLineColor() {
  if (FColors[1] != clDefault) return FColors[1];
  return FGrid->GetFlat() ? clGray : clBlack;
}

TColor TGridLineColorsKv::GetDataLineColor() {
  if (FColors[0] != clDefault) return FColors[0];
  // Silver lines would vanish on a silver background.
  return ColorToRGB(FGrid->GetColor()) == COLORREF(clSilver) ? clGray : clSilver;
}

TColor TGridLineColorsKv::GetCellLineColor(Integer ACol, Integer ARow) {
  if (ACol >= FGrid->GetFixedCols() - FGrid->GetFrozenColCount() && ARow >= FGrid->GetFixedRows())
    return GetDataLineColor();
  return GetFixedLineColor();
}

TColor TGridLineColorsKv::GetVertLineColor(Integer ACol) {
  return ACol == FGrid->GetColCount() ? GetContraVertLineColor() : GetDataLineColor();
}

TColor TGridLineColorsKv::GetHorzLineColor(Integer /*ACol*/, Integer ARow) {
  return ARow == FGrid->GetRowCount() ? GetContraHorzLineColor() : GetDataLineColor();
}

TColor TGridLineColorsKv::GetFrozenVertLineColor(Integer ACol) {
  if (FGrid->GetFrozenColCount() > 0 && ACol == FGrid->GetFixedCols() - 1)
    return GetFrozenBoundaryColor();
  return GetDataLineColor();
}

bool TGridLineColorsKv::SlotFallsBackToFixed(Integer Index) {
  switch (Index) {
    case 1:
    case 4:
    case 5:
    case 6:
    case 9:
    case 12:
    case 15:
      return true;
    default:
      return false;
  }
}

TColor TGridLineColorsKv::GetSlotColor(Integer Index) {
  if (Index < 0 || Index >= ColorCount) throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  if (FColors[Index] != clDefault) return FColors[Index];
  return SlotFallsBackToFixed(Index) ? GetFixedLineColor() : GetDataLineColor();
}

TColor TGridLineColorsKv::GetFrozenBoundaryColor() { return GetSlotColor(15); }
TColor TGridLineColorsKv::GetContraVertLineColor() { return GetSlotColor(12); }
TColor TGridLineColorsKv::GetContraHorzLineColor() { return GetSlotColor(6); }

}  // namespace korvel
