// DBGridKvImpl: implementation detail of the data-aware grid unit, not API.
// Small helpers that several of the grid's sources share.
#pragma once

#include <vector>

#include "grid/DBGridKv.h"

namespace korvel::dbgrid {

// The list exists and holds at least one line.
inline bool HasItems(kvp::TStrings* List) { return List && List->GetCount() > 0; }

// The fields an edit of a lookup field writes: its dataset's fields named by
// KeyFields. False, with Fields emptied, when Field is not a lookup field,
// has no dataset, or names a field the dataset lacks (nothing is raised).
bool LookupKeyFields(kvp::TField* Field, std::vector<kvp::TField*>& Fields);

// The index of the first line of Strings equal to Text, ignoring case; -1
// when there is none.
kvp::Integer IndexOfText(kvp::TStrings* Strings, const kvp::String& Text);

}  // namespace korvel::dbgrid
