// The example application's form (see CustomersForm.h).
#include "examples/CustomersForm.h"

namespace korvel::example {

using namespace kvp;

namespace {

// A column of the grid on a field, with its caption (levels parted by "|").
TColumnKv* AddColumn(TCustomDBGridKv* Grid, const String& Field, const String& Caption,
                     Integer Width) {
  TColumnKv* Column = Grid->GetColumns()->Add();
  Column->SetFieldName(Field);
  Column->GetTitle()->SetCaption(Caption);
  Column->SetWidth(Width);
  return Column;
}

}  // namespace

TCustomersForm CreateCustomersForm(const String& DbFile) {
  TCustomersForm Result;
  TObjectPtr<TForm> Form(TForm::Create(nullptr));
  Form->SetName("CustomersForm");
  Form->SetCaption("Customers");
  Form->SetBounds(40, 40, 760, 420);

  auto* Customers = TSQLiteDataSet::Create(Form.get());
  Customers->SetName("Customers");
  Customers->SetDatabaseName(DbFile);
  Customers->SetTableName("customers");
  auto* Source = TDataSource::Create(Form.get());
  Source->SetName("CustomersSource");
  Source->SetDataSet(Customers);

  // The grid: the id frozen at the left, name and address grouped under
  // titles of two levels, two footer rows: the count of customers and the
  // total and average credit.
  auto* Grid = TCustomersGrid::Create(Form.get());
  Grid->SetName("CustomersGrid");
  Grid->SetBounds(8, 8, 728, 364);
  Grid->SetParent(Form.get());
  Grid->SetUseMultiTitle(true);
  Grid->SetFooterRowCount(2);
  Grid->SetFrozenCols(1);
  AddColumn(Grid, "id", "Id", 40);
  TColumnKv* Name = AddColumn(Grid, "name", "Customer|Name", 150);
  AddColumn(Grid, "vip", "Customer|VIP", 40);
  AddColumn(Grid, "city", "Address|City", 110);
  AddColumn(Grid, "country", "Address|Country", 110);
  AddColumn(Grid, "since", "Since", 80);
  TColumnKv* Credit = AddColumn(Grid, "credit", "Credit", 120);
  Name->GetFooters()->Add()->SetValueType(fvtCount);
  TColumnFooterKv* Average = Name->GetFooters()->Add();
  Average->SetValueType(fvtStaticText);
  Average->SetValue("Average");
  Credit->GetFooters()->Add()->SetValueType(fvtSum);
  Credit->GetFooters()->Add()->SetValueType(fvtAvg);
  Name->GetTitle()->SetSortMarker(smDownKv);
  Grid->GetSumList()->SetActive(true);
  Grid->SetDataSource(Source);
  Customers->Open();

  Result.Customers = Customers;
  Result.Grid = Grid;
  Result.Credit = Credit;
  Result.Form = Form.release();
  return Result;
}

}  // namespace korvel::example
