// The drop-down data grid of a lookup column as a person meets it: it opens
// under the cell with the lookup dataset's records and the cell's key
// chosen, follows the mouse, closes on a click on a row (writing the key),
// on Escape or a click elsewhere (leaving the field as it was), is resized
// by its grip and keeps that size, and never takes the focus from the cell.
#include <gtest/gtest.h>

#include "grid/DBLookupGridsKv.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SampleDatabase.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Queue.h"
#include "platform/win/Win.h"
#include "tests/grid/TestCellEditing.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvDropDownGridTest : public DBGridShopTest {
 protected:
  void SetUp() override {
    DBGridShopTest::SetUp();
    Grid->SetBounds(0, 0, 480, 200);
    Column(cCustomer)->SetWidth(90);
    Grid->SetLeftCol(Grid->DataToRawColumn(cCustomer));
  }
  TPopupDataGridKv* List() { return Editor() ? Editor()->GetDataList() : nullptr; }
  bool Shown() {
    return List() && List()->HandleAllocated() && IsWindowVisible(List()->GetHandle());
  }
  void Open() {
    EditCell(cCustomer);
    Input.KeyPress(VK_DOWN, {ssAlt});
  }
  // The list's client point in the middle of its row showing the customer.
  TPoint OnCustomer(const String& Name) {
    TPopupDataGridKv* L = List();
    for (Integer Row = L->GetTitleOffset(); Row < L->GetRowCount(); ++Row) {
      L->SetActiveRecordIndex(Row - L->GetTitleOffset());
      const String Shown = Customers->FieldByName("Name")->GetAsString();
      L->RestoreActiveRecordIndex();
      if (Shown == Name) {
        const TRect R = L->CellRect(L->GetIndicatorOffset(), Row);
        return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
      }
    }
    ADD_FAILURE() << Name << " is not shown";
    return {-1, -1};
  }
};

// [SECTION] Opening and choosing

TEST_F(DBGridKvDropDownGridTest, TheListOpensUnderTheCellWithTheCellsCustomerChosen) {
  Open();
  ASSERT_TRUE(Shown());
  TPopupDataGridKv* L = List();
  EXPECT_EQ(L->GetName(), "DataList");
  EXPECT_EQ(L, Column(cCustomer)->FindDataList());
  // Three customers, fewer than the seven rows a list may show.
  EXPECT_EQ(L->GetListRowCount(), 3);
  EXPECT_EQ(L->GetClientHeight(), 3 * L->GetDataRowHeight());
  EXPECT_EQ(VarToStr(L->GetKeyValue()), "1");
  EXPECT_EQ(L->GetText(), "Ann");
  // Right under the editor, at least as wide; the focus stays in the cell.
  TRect EditorBox, ListBox;
  GetWindowRect(Editor()->GetHandle(), &EditorBox);
  GetWindowRect(L->GetHandle(), &ListBox);
  EXPECT_EQ(ListBox.Top, EditorBox.Bottom);
  EXPECT_EQ(ListBox.Left, EditorBox.Left);
  EXPECT_GE(ListBox.Width(), EditorBox.Width());
  EXPECT_EQ(GetFocus(), Editor()->GetHandle());
  EXPECT_TRUE(Editor()->GetDroppedDown());
  // The chosen customer is painted highlighted.
  UpdateWindow(L->GetHandle());
  const TRect Ann = L->CellRect(0, L->GetTitleOffset());
  const TPoint P = L->ClientToScreen({Ann.Right - 3, (Ann.Top + Ann.Bottom) / 2});
  TRect Window;
  GetWindowRect(L->GetHandle(), &Window);
  EXPECT_EQ(GetWindowSurface(L->GetHandle())->GetPixel(P.X - Window.Left, P.Y - Window.Top),
            ColorToRGB(clHighlight));
}

TEST_F(DBGridKvDropDownGridTest, AClickOnACustomerClosesTheListAndWritesTheKey) {
  Open();
  Input.MouseMove(List()->GetHandle(), OnCustomer("Bob"));
  EXPECT_EQ(List()->GetText(), "Bob");  // the row under the mouse is the choice
  Input.Click(List()->GetHandle(), OnCustomer("Cid"));
  EXPECT_FALSE(Shown());
  EXPECT_FALSE(Editor()->GetDroppedDown());
  EXPECT_EQ(Editor()->GetText(), "Cid");
  EXPECT_EQ(GetFocus(), Editor()->GetHandle());
  EXPECT_EQ(Orders->GetState(), dsEdit);
  Input.KeyPress(VK_RETURN);
  Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 3);
  EXPECT_EQ(Field("Customer")->GetAsString(), "Cid");
}

TEST_F(DBGridKvDropDownGridTest, KeysBrowseTheOpenListAndEnterTakesTheCustomer) {
  Open();
  Input.KeyPress(VK_DOWN);
  EXPECT_TRUE(Shown());
  EXPECT_EQ(List()->GetText(), "Bob");
  EXPECT_EQ(Editor()->GetText(), "Bob");
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(Shown());
  Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 2);
}

TEST_F(DBGridKvDropDownGridTest, EscapeOrAClickOutsideLeavesTheCustomerAsItWas) {
  Open();
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_ESCAPE);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(Editor()->GetText(), "Ann");
  Open();
  Input.MouseMove(List()->GetHandle(), OnCustomer("Cid"));
  TRect Box;
  GetWindowRect(List()->GetHandle(), &Box);
  // Pressed in the list, released beyond it.
  Input.MouseDown(mbLeft, List()->GetHandle(), OnCustomer("Cid"));
  Input.MouseUp(mbLeft, List()->GetHandle(), {List()->GetWidth() + 20, 5});
  EXPECT_FALSE(Shown());
  EXPECT_EQ(Editor()->GetText(), "Ann");
  if (Orders->GetState() != dsBrowse) Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 1);
}

TEST_F(DBGridKvDropDownGridTest, AReleaseOnTheTitlesKeepsTheListOpen) {
  Column(cCustomer)->SetDropDownShowTitles(true);
  Open();
  ASSERT_TRUE(List()->GetShowTitles());
  EXPECT_EQ(List()->GetListRowCount(), 3);
  const TRect Title = List()->CellRect(0, 0);
  Input.Click(List()->GetHandle(), {(Title.Left + Title.Right) / 2, Title.Top + 3});
  EXPECT_TRUE(Shown());
  Input.Click(List()->GetHandle(), OnCustomer("Bob"));
  EXPECT_FALSE(Shown());
  EXPECT_EQ(Editor()->GetText(), "Bob");
}

TEST_F(DBGridKvDropDownGridTest, TheSpecialRowEmptiesTheCustomer) {
  TSpecRowKv* Spec = Column(cCustomer)->GetDropDownSpecRow();
  Spec->SetCellsText("(nobody)");
  Spec->SetVisible(true);
  Open();
  EXPECT_EQ(List()->GetListRowCount(), 3);
  EXPECT_EQ(List()->GetClientHeight(), 4 * List()->GetDataRowHeight());
  const TRect Row = List()->CellRect(0, 0);
  Input.Click(List()->GetHandle(), {(Row.Left + Row.Right) / 2, (Row.Top + Row.Bottom) / 2});
  EXPECT_FALSE(Shown());
  EXPECT_EQ(Editor()->GetText(), "(nobody)");
  Input.KeyPress(VK_RETURN);
  Orders->Post();
  EXPECT_TRUE(Field("CustID")->IsNull());
}

TEST_F(DBGridKvDropDownGridTest, WhatIsTypedIntoTheCellIsChosenInTheOpenList) {
  Open();
  Input.Type("c");
  EXPECT_TRUE(Shown());
  EXPECT_EQ(Editor()->GetText(), "Cid");
  EXPECT_EQ(VarToStr(List()->GetKeyValue()), "3");
  EXPECT_EQ(List()->GetText(), "Cid");
  // Clearing the cell clears the list's choice.
  Editor()->SelectAll();
  Input.KeyPress(VK_DELETE);
  EXPECT_TRUE(VarIsNull(List()->GetKeyValue()));
  EXPECT_EQ(List()->GetText(), "");
  Input.Type("b");
  EXPECT_EQ(List()->GetText(), "Bob");
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(Shown());
  Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 2);
}

TEST_F(DBGridKvDropDownGridTest, TheSpecialRowsShortcutChoosesItInTheOpenList) {
  TSpecRowKv* Spec = Column(cCustomer)->GetDropDownSpecRow();
  Spec->SetCellsText("(nobody)");
  Spec->SetVisible(true);
  Open();
  Input.KeyPress(VK_DELETE, {ssAlt});
  EXPECT_EQ(Editor()->GetText(), "(nobody)");
  EXPECT_TRUE(List()->GetSpecRow()->Selected);
  EXPECT_EQ(List()->GetText(), "(nobody)");
}

// [SECTION] The popup window

TEST_F(DBGridKvDropDownGridTest, TheListFollowsTheMouseAndTellsOfTheUsersChangesOnly) {
  Open();
  Integer Changes = 0;
  List()->OnUserKeyValueChange = [&Changes](TObject*) { ++Changes; };
  Input.MouseMove(List()->GetHandle(), OnCustomer("Cid"));
  EXPECT_EQ(List()->GetText(), "Cid");
  EXPECT_EQ(Changes, 1);
  List()->SetKeyValue(Variant(2));
  EXPECT_EQ(Changes, 1);
  Input.MouseMove(List()->GetHandle(), OnCustomer("Ann"));
  EXPECT_EQ(Changes, 2);
  // A list that may not choose does not follow.
  List()->GetLookupLink()->SetReadOnly(true);
  Input.MouseMove(List()->GetHandle(), OnCustomer("Bob"));
  EXPECT_EQ(List()->GetText(), "Ann");
  List()->GetLookupLink()->SetReadOnly(false);
  Input.KeyPress(VK_ESCAPE);
}

// Sizing a column of the open list is no choice.
TEST_F(DBGridKvDropDownGridTest, AReleaseThatEndsSizingAColumnKeepsTheListOpen) {
  Column(cCustomer)->SetDropDownShowTitles(true);
  Open();
  TPopupDataGridKv* L = List();
  L->SetLookupOptions({dlgColLinesKv, dlgColumnResizeKv});
  L->SetListAutoFitColWidths(false);
  const TRect Title = L->CellRect(0, 0);
  const Integer Width = L->GetColWidths(0);
  const TPoint Border{Title.Right - 1, (Title.Top + Title.Bottom) / 2};
  Input.MouseDown(mbLeft, L->GetHandle(), Border);
  ASSERT_EQ(L->GetGridState(), gsColSizing);
  Input.MouseMove(L->GetHandle(), {Border.X - 10, Border.Y + 30});
  Input.MouseUp(mbLeft, L->GetHandle(), {Border.X - 10, Border.Y + 30});
  EXPECT_TRUE(Shown());
  EXPECT_EQ(L->GetColWidths(0), Width - 10);
  EXPECT_EQ(Editor()->GetText(), "Ann");
  Input.KeyPress(VK_ESCAPE);
}

TEST_F(DBGridKvDropDownGridTest, AClickInTheListNeitherActivatesItNorTakesTheFocus) {
  Open();
  const HWND Active = GetActiveWindow();
  Input.MouseDown(mbLeft, List()->GetHandle(), OnCustomer("Bob"));
  EXPECT_EQ(GetActiveWindow(), Active);
  EXPECT_EQ(GetFocus(), Editor()->GetHandle());
  EXPECT_FALSE(List()->CanFocus());
  Input.MouseUp(mbLeft, List()->GetHandle(), OnCustomer("Bob"));
  EXPECT_EQ(Editor()->GetText(), "Bob");
}

TEST_F(DBGridKvDropDownGridTest, ItIsAToolWindowWithARaisedFrameOrABorder) {
  Open();
  TPopupDataGridKv* L = List();
  const LONG Style = GetWindowLong(L->GetHandle(), GWL_STYLE);
  const LONG ExStyle = GetWindowLong(L->GetHandle(), GWL_EXSTYLE);
  EXPECT_TRUE(Style & WS_POPUP);
  EXPECT_FALSE(Style & WS_BORDER);
  EXPECT_TRUE(ExStyle & WS_EX_TOOLWINDOW);
  EXPECT_EQ(L->GetFlatBorderWidth(), 1);
  EXPECT_EQ(L->GetWidth() - L->GetClientWidth(), 2 + GetSystemMetrics(SM_CXVSCROLL));
  Input.KeyPress(VK_ESCAPE);
  L->SetCtl3D(false);
  EXPECT_TRUE(GetWindowLong(L->GetHandle(), GWL_STYLE) & WS_BORDER);
  EXPECT_EQ(L->GetFlatBorderWidth(), 0);
}

TEST_F(DBGridKvDropDownGridTest, TheListIsNeverSmallerThanAScrollBarsButton) {
  Open();
  TPopupDataGridKv* L = List();
  SetWindowPos(L->GetHandle(), nullptr, 0, 0, 2, 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  TRect Box;
  GetWindowRect(L->GetHandle(), &Box);
  EXPECT_EQ(Box.Width(), GetSystemMetrics(SM_CXVSCROLL));
  const Integer Height = Box.Height();
  EXPECT_GE(Height, GetSystemMetrics(SM_CYVSCROLL));
  SetWindowPos(L->GetHandle(), nullptr, 5, 5, 2, 2, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(L->GetHandle(), &Box);
  EXPECT_EQ(Box.Height(), Height);
  Input.KeyPress(VK_ESCAPE);
}

TEST_F(DBGridKvDropDownGridTest, ASizeTheUserGivesTheListIsKeptForTheNextOpening) {
  Column(cCustomer)->SetDropDownSizing(true);
  Column(cCustomer)->SetDropDownRows(2);
  Open();
  TPopupDataGridKv* L = List();
  EXPECT_EQ(L->GetListRowCount(), 2);
  TSizeGripKv* Grip = L->GetSizeGrip();
  ASSERT_TRUE(Grip->HandleAllocated() && IsWindowVisible(Grip->GetHandle()));
  EXPECT_FALSE(L->GetSizedByUser());
  // The grip in the corner away from the cell is dragged down and right.
  const TRect G = Grip->GetClientRect();
  const TPoint From{G.Right - 2, G.Bottom - 2};
  const Integer Pitch = L->GetDataRowHeight();
  Input.Drag(Grip->GetHandle(), From, {From.X + 40, From.Y + Pitch + 2});
  EXPECT_TRUE(L->GetSizedByUser());
  EXPECT_EQ(L->GetListRowCount(), 3);
  const Integer Width = L->GetWidth();
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Column(cCustomer)->GetDropDownRows(), 3u);
  EXPECT_EQ(Column(cCustomer)->GetDropDownWidth(), Width);
  Open();
  EXPECT_EQ(List()->GetWidth(), Width);
  EXPECT_EQ(List()->GetListRowCount(), 3);
  Input.KeyPress(VK_ESCAPE);
}

// The grip's side message moves the grip; the grid's own deferred layout
// (a message of its own) no longer does.
TEST_F(DBGridKvDropDownGridTest, TheGripMovesOnItsOwnMessageAndTheLayoutRunsOnItsOwn) {
  Open();
  TPopupDataGridKv* L = List();
  TSizeGripKv* Grip = L->GetSizeGrip();
  const TSizeGripPositionKv Before = Grip->GetPosition();
  L->DeferLayout();
  ProcessMessages();
  EXPECT_EQ(Grip->GetPosition(), Before);
  SendMessage(L->GetHandle(), WM_SIZEGRIPSIDEKV, sgsTopKv, 0);
  EXPECT_EQ(Grip->GetPosition(), sgpTopRightKv);
  Input.KeyPress(VK_ESCAPE);
}

// [SECTION] Over the sample file

class DBGridKvSampleDropDownGridTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    CreateSampleDatabase(File.Name);
    Customers = TSQLiteDataSet::Create(Form);
    Customers->SetDatabaseName(File.Name);
    Customers->SetTableName("customers");
    Customers->Open();
    Orders = TSQLiteDataSet::Create(Form);
    Orders->SetDatabaseName(File.Name);
    Orders->SetTableName("orders");
    auto Bind = [this](TField* Field, const char* Name) {
      Field->SetFieldName(Name);
      Field->SetDataSet(Orders);
    };
    Bind(TLargeintField::Create(Orders), "id");
    Bind(TLargeintField::Create(Orders), "customer_id");
    Bind(TCurrencyField::Create(Orders), "amount");
    auto* Customer = TStringField::Create(Orders);
    Customer->SetSize(40);
    Customer->SetFieldKind(fkLookup);
    Customer->SetKeyFields("customer_id");
    Customer->SetLookupDataSet(Customers);
    Customer->SetLookupKeyFields("id");
    Customer->SetLookupResultField("name");
    Bind(Customer, "customer");
    Orders->Open();
    Source = TDataSource::Create(Form);
    Source->SetDataSet(Orders);
    Grid->SetDataSource(Source);
    Grid->SetFocus();
  }
  Variant StoredCustomer() {
    TObjectPtr<TSQLiteDataSet> Check(TSQLiteDataSet::Create(nullptr));
    Check->SetDatabaseName(File.Name);
    Check->SetSQL("SELECT customer_id FROM orders WHERE id = 1");
    Check->Open();
    return Check->FieldByName("customer_id")->GetValue();
  }
  TDBGridInplaceEdit* Editor() { return Grid->GetDBInplaceEditor(); }
  TSQLiteDataSet* Customers = nullptr;
  TSQLiteDataSet* Orders = nullptr;
  TDataSource* Source = nullptr;
  TTempFile File{"lookupdropdown"};
};

TEST_F(DBGridKvSampleDropDownGridTest, TheListOfCustomersScrollsAndItsChoiceReachesTheFile) {
  Grid->SetCol(3 + Grid->GetIndicatorOffset());
  Grid->ShowEditor();
  const Integer Before = Orders->FieldByName("customer_id")->GetAsInteger();
  Input.KeyPress(VK_DOWN, {ssAlt});
  TPopupDataGridKv* List = Editor()->GetDataList();
  ASSERT_TRUE(List && IsWindowVisible(List->GetHandle()));
  EXPECT_EQ(List->GetListRowCount(), 7);
  EXPECT_EQ(VarToStr(List->GetKeyValue()), std::to_string(Before));
  // Ten pages down the list of 120 customers, then the choice.
  for (Integer I = 0; I < 10; ++I) Input.KeyPress(VK_NEXT);
  const String Chosen = List->GetText();
  const Variant Key = List->GetKeyValue();
  EXPECT_EQ(Key.AsInteger(), std::min<Integer>(Before + 60, SampleCustomerCount));
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(IsWindowVisible(List->GetHandle()));
  EXPECT_EQ(Editor()->GetText(), Chosen);
  Input.KeyPress(VK_RETURN);
  Orders->Post();
  EXPECT_EQ(VarToStr(StoredCustomer()), VarToStr(Key));
}

}  // namespace
}  // namespace korvel
