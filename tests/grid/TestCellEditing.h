// The fixture of the tests of what columns show and write and of the grid's
// in-place editor: a grid on a form over a shop's orders in memory, with a
// lookup of their customers, a field of each kind the columns handle, and
// helpers that type into a cell through the input driver.
#pragma once

#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/db/MemoryDataSet.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageList.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/DateUtils.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {

// Customers (ID integer, Name string 20): 1 Ann, 2 Bob, 3 Cid.
// Orders, one persistent field each, in this order (data column = index):
//   0 ID integer        1 Item string 20     2 Qty integer     3 Price BCD
//   4 Weight float      5 Paid boolean       6 Status string 10
//   7 CustID integer    8 Customer lookup (CustID -> Customers.ID, Name)
//   9 Ordered date      10 Note memo         11 Picture blob
// Records:
//   1 Apple 3 1.10 0.5  true  Y 1 (Ann) 2024-01-05 "first"
//   2 Pear  0 2.00 null false N 2 (Bob) 2024-02-29 null
//   3 Plum  null null 1.25 null null 9 (no customer) null null
class DBGridShopTest : public DBGridOnFormTest {
 protected:
  enum : kvp::Integer {
    cID,
    cItem,
    cQty,
    cPrice,
    cWeight,
    cPaid,
    cStatus,
    cCustID,
    cCustomer,
    cOrdered,
    cNote,
    cPicture
  };
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    kvp::ResetMessageBeepCount();
    Customers = kvp::TMemoryDataSet::Create(Form);
    Customers->GetFieldDefs()->Add("ID", kvp::ftInteger);
    Customers->GetFieldDefs()->Add("Name", kvp::ftString, 20);
    Customers->Open();
    Customers->AppendRecord({1, "Ann"});
    Customers->AppendRecord({2, "Bob"});
    Customers->AppendRecord({3, "Cid"});
    Customers->First();
    Orders = kvp::TMemoryDataSet::Create(Form);
    Orders->SetName("Orders");
    kvp::TFieldDefs* Defs = Orders->GetFieldDefs();
    Defs->Add("ID", kvp::ftInteger);
    Defs->Add("Item", kvp::ftString, 20);
    Defs->Add("Qty", kvp::ftInteger);
    Defs->Add("Price", kvp::ftBCD);
    Defs->Add("Weight", kvp::ftFloat);
    Defs->Add("Paid", kvp::ftBoolean);
    Defs->Add("Status", kvp::ftString, 10);
    Defs->Add("CustID", kvp::ftInteger);
    Defs->Add("Ordered", kvp::ftDate);
    Defs->Add("Note", kvp::ftMemo);
    Defs->Add("Picture", kvp::ftBlob);
    for (kvp::Integer I = 0; I < Defs->GetCount(); ++I)
      Defs->GetItem(I)->CreateField(Orders, Orders);
    auto* Customer = kvp::TStringField::Create(Orders);
    Customer->SetFieldName("Customer");
    Customer->SetFieldKind(kvp::fkLookup);
    Customer->SetKeyFields("CustID");
    Customer->SetLookupDataSet(Customers);
    Customer->SetLookupKeyFields("ID");
    Customer->SetLookupResultField("Name");
    Customer->SetDataSet(Orders);
    Customer->SetIndex(cCustomer);
    Orders->Open();
    AddOrder({1, "Apple", 3, kvp::Currency::FromDouble(1.10), 0.5, true, "Y", 1,
              kvp::VarFromDateTime(kvp::EncodeDate(2024, 1, 5)), "first"});
    AddOrder({2, "Pear", 0, kvp::Currency(2), kvp::Null(), false, "N", 2,
              kvp::VarFromDateTime(kvp::EncodeDate(2024, 2, 29)), kvp::Null()});
    AddOrder({3, "Plum", kvp::Null(), kvp::Null(), 1.25, kvp::Null(), kvp::Null(), 9, kvp::Null(),
              kvp::Null()});
    Orders->First();
    Source = kvp::TDataSource::Create(Form);
    Source->SetDataSet(Orders);
    Grid->SetDataSource(Source);
    Grid->SetFocus();
  }
  void TearDown() override {
    kvp::ResetPopupScript();
    DBGridOnFormTest::TearDown();
  }
  // Appends a record with the values of the data fields, lookup skipped.
  void AddOrder(std::initializer_list<kvp::Variant> Values) {
    Orders->Append();
    kvp::Integer I = 0;
    for (const kvp::Variant& V : Values) {
      if (I == cCustomer) ++I;
      Orders->GetFields()->GetField(I++)->SetValue(V);
    }
    Orders->Post();
  }
  kvp::TField* Field(const char* Name) { return Orders->FieldByName(Name); }
  TColumnKv* Column(kvp::Integer DataCol) { return Grid->Column(DataCol); }
  TDBGridInplaceEdit* Editor() { return Grid->GetDBInplaceEditor(); }
  bool EditorShown() { return Editor() && Editor()->Visible(); }
  // Makes the cell of the data column current and shows its editor.
  void EditCell(kvp::Integer DataCol) {
    Grid->SetCol(DataCol + Grid->GetIndicatorOffset());
    Grid->ShowEditor();
  }
  // Replaces the text of the cell through the keyboard.
  void TypeInto(kvp::Integer DataCol, const kvp::String& Text) {
    EditCell(DataCol);
    ASSERT_TRUE(EditorShown());
    Editor()->SelectAll();
    kvp::Input.Type(Text);
  }
  // A list of Count images of W x H pixels, image i filled with Colours[i].
  kvp::TImageList* MakeImages(std::initializer_list<kvp::TColor> Colours, kvp::Integer W = 10,
                              kvp::Integer H = 10) {
    auto* Images = kvp::TImageList::Create(Form);
    Images->SetWidth(W);
    Images->SetHeight(H);
    for (kvp::TColor C : Colours) {
      kvp::TObjectPtr<kvp::TBitmap> B(kvp::TBitmap::Create());
      B->SetSize(W, H);
      B->GetCanvas()->GetBrush()->SetColor(C);
      B->GetCanvas()->FillRect(kvp::TRect{0, 0, W, H});
      Images->Add(B.get(), nullptr);
    }
    return Images;
  }
  kvp::TMemoryDataSet* Customers = nullptr;
  kvp::TMemoryDataSet* Orders = nullptr;
  kvp::TDataSource* Source = nullptr;
};

}  // namespace korvel
