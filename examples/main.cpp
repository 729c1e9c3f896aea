// The example application: the customers of the sample database in the
// data-aware grid on a form, with titles on two levels, a sort marker and
// footer rows of totals, moved about as a user would (the wheel, a click on
// the scroll bar, the arrow keys); below them the orders, whose customer a
// lookup column drops down a list of and a lookup grid beside them shows;
// it saves a picture of the form and prints the form back in the text form
// format.
//
// Usage: korvel_example [output folder]   (default: the current folder)
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "grid/DBGridKv.h"
#include "grid/DBLookupGridsKv.h"
#include "platform/classes/Filer.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SampleDatabase.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

using namespace kvp;
using namespace korvel;

namespace {

// TCustomersGrid: the data-aware grid as a form publishes it.
class TCustomersGrid : public TCustomDBGridKv {
  KV_CLASS(TCustomersGrid, TCustomDBGridKv)
 public:
  explicit TCustomersGrid(TComponent* AOwner) : TCustomDBGridKv(AOwner) {}

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

int main(int argc, char** argv) {
  try {
    std::filesystem::path Out = argc > 1 ? argv[1] : ".";
    std::filesystem::create_directories(Out);
    String DbFile = (Out / "korvel-example.db").string();
    String PngFile = (Out / "korvel-example.png").string();

    CreateSampleDatabase(DbFile);
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

    Form->Show();
    // The customer of the first order, from the drop-down of its cell: the
    // list opens, goes two customers down, and Enter takes the customer.
    OrderGrid->SetFocus();
    OrderGrid->SetSelectedIndex(CustomerColumn->GetIndex());
    OrderGrid->ShowEditor();
    Input.KeyPress(VK_DOWN, {ssAlt});
    Input.KeyPress(VK_DOWN);
    Input.KeyPress(VK_DOWN);
    Input.KeyPress(VK_RETURN);
    Input.KeyPress(VK_RETURN);
    Orders->Post();
    Grid->SetFocus();
    // A user moving about: the wheel three notches down, a click on the
    // scroll bar below its thumb (a page of customers), a column to the
    // right.
    Input.Wheel(Grid->GetHandle(), -3 * 120, {100, 100});
    const Integer Bar = GetSystemMetrics(SM_CXVSCROLL);
    Input.Click(Grid->GetHandle(),
                {Grid->GetClientWidth() + Bar / 2,
                 Grid->GetClientHeight() - GetSystemMetrics(SM_CYVSCROLL) - 4});
    Input.KeyPress(VK_RIGHT);
    ProcessMessages();
    UpdateWindow(Form->GetHandle());
    SaveWindowPng(Form->GetHandle(), PngFile);

    std::cout << "Korvel example: " << Customers->GetRecordCount() << " customers from "
              << DbFile << "\n"
              << "Current customer: " << Customers->GetRecNo() << ", "
              << Customers->FieldByName("name")->GetDisplayText() << "\n"
              << "Total credit: " << Grid->FooterText(0, Credit) << "\n"
              << "Customer of the first order: " << CustomerChoice->GetText() << "\n"
              << "Picture of the form: " << PngFile << "\n\n"
              << "The form as stored:\n"
              << ComponentToText(Form.get());
    return 0;
  } catch (const Exception& E) {
    std::cerr << "Korvel example failed: " << E.ClassName() << ": " << E.GetMessage() << "\n";
    return 1;
  }
}
