// The example application's form: the customers of a database file in the
// data-aware grid, the id frozen at the left, name and address under titles
// of two levels, a sort marker on the name and two footer rows of totals;
// below them the orders, whose customer a lookup column drops down a list
// of, and a lookup grid beside them showing the current order's customer.
// The example program shows it; tests open it as a person would.
#pragma once

#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SQLiteDataSet.h"

namespace korvel {
class TDBLookupGridKv;
}

namespace korvel::example {

// TCustomersGrid: the data-aware grid as a form publishes it.
class TCustomersGrid : public TCustomDBGridKv {
  KV_CLASS(TCustomersGrid, TCustomDBGridKv)
 public:
  explicit TCustomersGrid(kvp::TComponent* AOwner) : TCustomDBGridKv(AOwner) {}

  KV_PUBLISHED {
    P.Prop("DataSource", &TCustomersGrid::GetDataSource, &TCustomersGrid::SetDataSource);
    P.Prop("FooterRowCount", &TCustomersGrid::GetFooterRowCount,
           &TCustomersGrid::SetFooterRowCount)
        .Default(0);
    P.Prop("FrozenCols", &TCustomersGrid::GetFrozenCols, &TCustomersGrid::SetFrozenCols)
        .Default(0);
    P.Prop("UseMultiTitle", &TCustomersGrid::GetUseMultiTitle, &TCustomersGrid::SetUseMultiTitle)
        .Default(false);
  }
};

// The form and the parts of it the program and its tests use; the form owns
// the others.
struct TCustomersForm {
  kvp::TForm* Form = nullptr;
  kvp::TSQLiteDataSet* Customers = nullptr;
  TCustomersGrid* Grid = nullptr;
  TColumnKv* Credit = nullptr;  // the column with the credit totals
  kvp::TSQLiteDataSet* Orders = nullptr;
  TCustomersGrid* OrderGrid = nullptr;
  TColumnKv* CustomerColumn = nullptr;  // the orders' lookup column
  TDBLookupGridKv* CustomerChoice = nullptr;
};

// Builds the form over the sample database in DbFile and opens the
// customers; the form is not shown yet.
TCustomersForm CreateCustomersForm(const kvp::String& DbFile);

}  // namespace korvel::example
