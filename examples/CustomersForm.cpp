// The example application's form (see CustomersForm.h).
#include "examples/CustomersForm.h"

#include "grid/DBLookupGridsKv.h"

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
  Form->SetBounds(40, 40, 760, 640);

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

  // The orders: the customer of each order is a lookup column (it drops
  // down a list of the customers) and the choice of a lookup grid beside
  // the orders, which follows the current order.
  auto* CustomerList = TSQLiteDataSet::Create(Form.get());
  CustomerList->SetName("CustomerList");
  CustomerList->SetDatabaseName(DbFile);
  CustomerList->SetTableName("customers");
  CustomerList->Open();
  auto* Orders = TSQLiteDataSet::Create(Form.get());
  Orders->SetName("Orders");
  Orders->SetDatabaseName(DbFile);
  Orders->SetTableName("orders");
  auto AddField = [Orders](TField* Field, const char* FieldName) {
    Field->SetFieldName(FieldName);
    Field->SetDataSet(Orders);
    return Field;
  };
  AddField(TLargeintField::Create(Orders), "id");
  AddField(TLargeintField::Create(Orders), "customer_id");
  AddField(TDateTimeField::Create(Orders), "ordered");
  AddField(TCurrencyField::Create(Orders), "amount");
  auto* Customer = TStringField::Create(Orders);
  Customer->SetSize(40);
  Customer->SetFieldKind(fkLookup);
  Customer->SetKeyFields("customer_id");
  Customer->SetLookupDataSet(CustomerList);
  Customer->SetLookupKeyFields("id");
  Customer->SetLookupResultField("name");
  AddField(Customer, "customer");
  auto* OrderSource = TDataSource::Create(Form.get());
  OrderSource->SetName("OrderSource");
  OrderSource->SetDataSet(Orders);
  auto* OrderGrid = TCustomersGrid::Create(Form.get());
  OrderGrid->SetName("OrderGrid");
  OrderGrid->SetBounds(8, 380, 488, 220);
  OrderGrid->SetParent(Form.get());
  AddColumn(OrderGrid, "id", "Order", 50);
  AddColumn(OrderGrid, "ordered", "Ordered", 130);
  TColumnKv* CustomerColumn = AddColumn(OrderGrid, "customer", "Customer", 160);
  AddColumn(OrderGrid, "amount", "Amount", 100);
  OrderGrid->SetDataSource(OrderSource);
  Orders->Open();
  auto* CustomerChoice = TDBLookupGridKv::Create(Form.get());
  CustomerChoice->SetName("CustomerChoice");
  CustomerChoice->SetShowTitles(true);
  CustomerChoice->GetSpecRow()->SetCellsText("(no customer)");
  CustomerChoice->GetSpecRow()->SetVisible(true);
  CustomerChoice->SetBounds(504, 380, 232, 220);  // snapped to whole rows
  CustomerChoice->SetParent(Form.get());
  CustomerChoice->SetLinkDataSource(OrderSource);
  CustomerChoice->SetDataField("customer");
  CustomerChoice->SetListAutoFitColWidths(true);

  Result.Customers = Customers;
  Result.Grid = Grid;
  Result.Credit = Credit;
  Result.Orders = Orders;
  Result.OrderGrid = OrderGrid;
  Result.CustomerColumn = CustomerColumn;
  Result.CustomerChoice = CustomerChoice;
  Result.Form = Form.release();
  return Result;
}

}  // namespace korvel::example
