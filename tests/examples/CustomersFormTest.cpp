// The example application's form used the way a person uses it, through the
// input driver on the virtual clock, over a fresh copy of the sample
// database: a click on a title sorts, a column is sized and another moved by
// dragging, three cells are edited through three kinds of cell editor (text,
// the date drop-down, a check box), a record is deleted after its question
// is answered; then the database file, read with SQLite itself, holds every
// change, and the grid keeps the widths and order the person left. A picture
// of the form is written to customers-form-script.png.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>

#include "examples/CustomersForm.h"
#include "grid/DbUtilsKv.h"
#include "platform/controls/Dialogs.h"
#include "platform/db/SampleDatabase.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Queue.h"
#include "platform/win/Win.h"

namespace korvel::example {
namespace {

using namespace kvp;

// One customer's row as SQLite holds it.
struct TStoredCustomer {
  String Name;
  String City;
  String Since;
  Integer Vip = 0;
};

std::map<Integer, TStoredCustomer> StoredCustomers(const String& File) {
  std::map<Integer, TStoredCustomer> Rows;
  sqlite3* DB = nullptr;
  EXPECT_EQ(sqlite3_open_v2(File.c_str(), &DB, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* Stmt = nullptr;
  sqlite3_prepare_v2(DB, "SELECT id, name, city, since, vip FROM customers", -1, &Stmt, nullptr);
  auto Text = [&](int Column) {
    const auto* P = sqlite3_column_text(Stmt, Column);
    return P ? String(reinterpret_cast<const char*>(P)) : String();
  };
  while (sqlite3_step(Stmt) == SQLITE_ROW)
    Rows[sqlite3_column_int(Stmt, 0)] = {Text(1), Text(2), Text(3), sqlite3_column_int(Stmt, 4)};
  sqlite3_finalize(Stmt);
  sqlite3_close(DB);
  return Rows;
}

class CustomersFormScript : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    ResetMessageDlgScript();
    std::remove(File.c_str());
    CreateSampleDatabase(File);
    // The application's side of sorting: its features objects, and titles
    // that sort when clicked.
    RegisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass(), TSQLiteDataSetFeaturesKv::Create());
    Parts = CreateCustomersForm(File);
    Grid = Parts.Grid;
    Grid->SetOptionsKv(Grid->GetOptionsKv() + dgAutoSortMarkingKv);
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      Grid->GetColumns()->GetColumn(I)->GetTitle()->SetTitleButton(true);
    Parts.Form->Show();
    Grid->SetFocus();
    UpdateWindow(Parts.Form->GetHandle());
  }
  void TearDown() override {
    FreeAndNil(Parts.Form);
    UnregisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass());
    Application()->CheckNoExceptions();
    ResetWindowSystem();
    std::remove(File.c_str());
  }
  HWND H() { return Grid->GetHandle(); }
  // The grid column of the field.
  Integer Col(const char* Field) {
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      if (Grid->GetColumns()->GetColumn(I)->GetFieldName() == Field) return I + Grid->GetIndicatorOffset();
    ADD_FAILURE() << Field;
    return -1;
  }
  TColumnKv* Column(const char* Field) {
    return Grid->GetColumns()->GetColumn(Col(Field) - Grid->GetIndicatorOffset());
  }
  // A point in the lowest caption of a title, above the strip that selects
  // the column.
  TPoint Title(const char* Field) {
    const TRect R = Grid->CellRect(Col(Field), 0);
    return {(R.Left + R.Right) / 2, R.Bottom - 10};
  }
  TPoint Cell(const char* Field, Integer DataRow) {
    const TRect R = Grid->CellRect(Col(Field), Grid->GetTitleOffset() + DataRow);
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
  }
  void Click(TPoint P) {
    Advance(1000);  // never a double click with the last one
    Input.Click(H(), P);
    UpdateWindow(H());
  }
  Integer CurrentId() { return Parts.Customers->FieldByName("id")->GetAsInteger(); }

  String File = "customers-form-script.db";
  TCustomersForm Parts;
  TCustomersGrid* Grid = nullptr;
};

TEST_F(CustomersFormScript, APersonsSortingSizingMovingEditsAndDeleteAreAllKept) {
  const std::map<Integer, TStoredCustomer> Before = StoredCustomers(File);
  TSQLiteDataSet* Customers = Parts.Customers;

  // [Sort] A click on "City": the customers in the order of their cities.
  Click(Title("city"));
  EXPECT_EQ(Column("city")->GetTitle()->GetSortMarker(), smDownKv);
  EXPECT_EQ(Column("name")->GetTitle()->GetSortMarker(), smNoneKv);
  EXPECT_EQ(Customers->GetIndexFieldNames(), "city");
  Input.KeyPress(VK_HOME, {ssCtrl});
  UpdateWindow(H());
  EXPECT_EQ(CurrentId(), 17) << "the first customer without a city, by id";
  std::vector<String> Cities;
  for (Integer I = 0; I < 12; ++I) {
    Cities.push_back(Customers->FieldByName("city")->GetAsString());
    Input.KeyPress(VK_DOWN);
  }
  EXPECT_TRUE(std::is_sorted(Cities.begin(), Cities.end())) << "as the rows come down the grid";
  Input.KeyPress(VK_HOME, {ssCtrl});

  // [Size] The right border of "Since" dragged 25 pixels to the right.
  const TRect Since = Grid->CellRect(Col("since"), 0);
  const TPoint Border{Since.Right, Since.Top + 4};
  Advance(1000);
  Input.MouseDown(mbLeft, H(), Border);
  Input.MouseMove(H(), {Border.X + 12, Border.Y});
  Input.MouseMove(H(), {Border.X + 25, Border.Y});
  Input.MouseUp(mbLeft, H(), {Border.X + 25, Border.Y});
  EXPECT_EQ(Column("since")->GetWidth(), 105);

  // [Move] "Credit" dragged by its title onto "Since": it takes that place.
  const TPoint From = Title("credit");
  const TPoint To = Title("since");
  Advance(1000);
  Input.MouseDown(mbLeft, H(), From);
  Input.MouseMove(H(), {From.X - 8, From.Y});
  Input.MouseMove(H(), To);
  Advance(60);
  Input.MouseUp(mbLeft, H(), To);
  UpdateWindow(H());
  EXPECT_EQ(Col("credit") + 1, Col("since"));
  EXPECT_EQ(Customers->GetIndexFieldNames(), "city") << "a moved title is no click";

  // [Text] The second customer's name typed over.
  Click(Cell("name", 1));
  const Integer Renamed = CurrentId();
  Input.Type("Zelda Quist");
  Input.KeyPress(VK_RETURN);

  // [Check box] A click on the third customer's VIP box: it flips.
  Click(Cell("vip", 2));
  const Integer Flipped = CurrentId();
  EXPECT_NE(Flipped, Renamed);

  // [Date] The fourth customer's date, two days on in the calendar.
  Click(Cell("since", 3));
  const Integer Redated = CurrentId();
  Input.KeyPress(VK_F2);
  Input.KeyPress(VK_DOWN, {ssAlt});
  Input.KeyPress(VK_RIGHT);
  Input.KeyPress(VK_RIGHT);
  Input.KeyPress(VK_RETURN);
  Input.KeyPress(VK_DOWN);  // leaving the row posts it

  // [Delete] The sixth customer, after the question is answered.
  Click(Cell("name", 5));
  const Integer Deleted = CurrentId();
  QueueMessageDlgAnswer(mrOk);
  Input.KeyPress(VK_DELETE, {ssCtrl});
  ASSERT_EQ(GetMessageDlgLog().size(), 1u);
  EXPECT_EQ(GetMessageDlgLog()[0].Msg, "Delete record?");
  ProcessMessages();
  UpdateWindow(Parts.Form->GetHandle());
  SaveWindowPng(Parts.Form->GetHandle(), "customers-form-script.png");

  // [The file] Every change, read with SQLite itself.
  const std::map<Integer, TStoredCustomer> After = StoredCustomers(File);
  EXPECT_EQ(After.size(), Before.size() - 1);
  EXPECT_EQ(After.count(Deleted), 0u);
  EXPECT_EQ(After.at(Renamed).Name, "Zelda Quist");
  EXPECT_EQ(After.at(Flipped).Vip, 1 - Before.at(Flipped).Vip);
  Word Y = 0, M = 0, D = 0;
  ASSERT_EQ(Before.at(Redated).Since.size(), 10u);
  const TDateTime Old =
      EncodeDate(Word(StrToInt(Before.at(Redated).Since.substr(0, 4))),
                 Word(StrToInt(Before.at(Redated).Since.substr(5, 2))),
                 Word(StrToInt(Before.at(Redated).Since.substr(8, 2))));
  DecodeDate(Old + 2, Y, M, D);
  char Expected[16];
  std::snprintf(Expected, sizeof Expected, "%04d-%02d-%02d", Y, M, D);
  EXPECT_EQ(After.at(Redated).Since, Expected);
  for (const auto& [Id, Row] : After) {
    if (Id == Renamed || Id == Flipped || Id == Redated) continue;
    EXPECT_EQ(Row.Name, Before.at(Id).Name) << Id;
    EXPECT_EQ(Row.Vip, Before.at(Id).Vip) << Id;
    EXPECT_EQ(Row.Since, Before.at(Id).Since) << Id;
  }
  // [The grid] The width and the order the person left.
  EXPECT_EQ(Column("since")->GetWidth(), 105);
  std::vector<String> Order;
  for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
    Order.push_back(Grid->GetColumns()->GetColumn(I)->GetFieldName());
  EXPECT_EQ(Order, (std::vector<String>{"id", "name", "vip", "city", "country", "credit", "since"}));
  EXPECT_EQ(Customers->GetRecordCount(), Integer(After.size()));
}

}  // namespace
}  // namespace korvel::example
