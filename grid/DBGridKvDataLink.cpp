// The grid data link: the dataset's notifications turned into calls on the
// grid.
#include "grid/DBGridKv.h"

namespace korvel {

using namespace kvp;

void TGridDataLinkKv::ActiveChanged() { FGrid->LinkActive(GetActive()); }

void TGridDataLinkKv::LayoutChanged() {
  // While the link reports the change, an automatic column's unassigned
  // width is the field's, not one the layout hands it.
  const bool Saved = FGrid->FDataLinkLayout;
  FGrid->FDataLinkLayout = true;
  try {
    FGrid->LayoutChanged();
  } catch (...) {
    FGrid->FDataLinkLayout = Saved;
    throw;
  }
  FGrid->FDataLinkLayout = Saved;
  inherited::LayoutChanged();
}

}  // namespace korvel
