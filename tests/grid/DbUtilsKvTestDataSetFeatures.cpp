// The conditions a person types into the grid's column filters, applied to
// the platform's in-memory dataset (its own filter text) and SQLite dataset
// (one SQL condition the database evaluates): the same records show for the
// same conditions in both; the sort markers order both, the SQLite table by
// the database.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "grid/DbUtilsKv.h"
#include "platform/rtl/DateUtils.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

void Exec(sqlite3* Db, const char* SQL) {
  char* Error = nullptr;
  ASSERT_EQ(sqlite3_exec(Db, SQL, nullptr, nullptr, &Error), SQLITE_OK) << (Error ? Error : "");
}

// Five people, in memory or in an SQLite file:
//   id, name (string 30), city (string 30), amount (float), born (date), paid (Boolean)
// The library's features objects registered for the platform's datasets, as
// an application does, for one test.
class TPlatformFeatures {
 public:
  TPlatformFeatures() {
    RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), TMemoryDataSetFeaturesKv::Create());
    RegisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass(), TSQLiteDataSetFeaturesKv::Create());
  }
  ~TPlatformFeatures() {
    UnregisterDatasetFeaturesKv(TMemoryDataSet::StaticClass());
    UnregisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass());
  }
  TPlatformFeatures(const TPlatformFeatures&) = delete;
  TPlatformFeatures& operator=(const TPlatformFeatures&) = delete;
};

class DbUtilsKvFeaturesTest : public DBGridOnFormTest,
                              public ::testing::WithParamInterface<TStore> {
 protected:
  TPlatformFeatures Features;
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    if (GetParam() == TStore::Memory) {
      auto* Memory = TMemoryDataSet::Create(Form);
      TFieldDefs* Defs = Memory->GetFieldDefs();
      Defs->Add("id", ftInteger);
      Defs->Add("name", ftString, 30);
      Defs->Add("city", ftString, 30);
      Defs->Add("amount", ftFloat);
      Defs->Add("born", ftDate);
      Defs->Add("paid", ftBoolean);
      Memory->Open();
      auto Date = [](int Y, int M, int D) {
        return VarFromDateTime(EncodeDate(Word(Y), Word(M), Word(D)));
      };
      Memory->AppendRecord({1, "Ann Lee", "Paris", 10.0, Date(2020, 1, 5), true});
      Memory->AppendRecord({2, "Bob", "Wien", 5.5, Date(2020, 2, 1), false});
      Memory->AppendRecord({3, "Joanna", "Paris", 99.0, Date(2019, 12, 31), true});
      Memory->AppendRecord({4, "O'Brien", Null(), Null(), Null(), Null()});
      Memory->AppendRecord({5, "anna", "Oslo", 100.0, Date(2020, 1, 10), false});
      Memory->First();
      DataSet = Memory;
    } else {
      sqlite3* Db = nullptr;
      ASSERT_EQ(sqlite3_open(File.Name.c_str(), &Db), SQLITE_OK);
      Exec(
          Db,
          "CREATE TABLE people (id INTEGER PRIMARY KEY, name VARCHAR(30), city VARCHAR(30), "
          "amount REAL, born DATE, paid BOOLEAN);"
          "INSERT INTO people VALUES (1, 'Ann Lee', 'Paris', 10.0, '2020-01-05', 1),"
          "(2, 'Bob', 'Wien', 5.5, '2020-02-01', 0), (3, 'Joanna', 'Paris', 99.0, '2019-12-31', 1),"
          "(4, 'O''Brien', NULL, NULL, NULL, NULL), (5, 'anna', 'Oslo', 100.0, '2020-01-10', 0);");
      sqlite3_close(Db);
      auto* Table = TSQLiteDataSet::Create(Form);
      Table->SetDatabaseName(File.Name);
      Table->SetTableName("people");
      Table->Open();
      DataSet = Table;
    }
    Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid->SetDataSource(Source);
  }
  TSTColumnFilterKv* Filter(const char* FieldName) {
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      if (Grid->Column(I)->GetFieldName() == FieldName) return Grid->Column(I)->GetSTFilter();
    ADD_FAILURE() << FieldName;
    return nullptr;
  }
  void ClearFilters() {
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      Grid->Column(I)->GetSTFilter()->ClearFilter();
  }
  // The ids of the records the grid's dataset shows now, in order.
  std::vector<Integer> Shown() {
    std::vector<Integer> Ids;
    for (DataSet->First(); !DataSet->GetEof(); DataSet->Next())
      Ids.push_back(DataSet->FieldByName("id")->GetAsInteger());
    EXPECT_EQ(Integer(Ids.size()), DataSet->GetRecordCount());
    return Ids;
  }
  TDataSet* DataSet = nullptr;
  TDataSource* Source = nullptr;
  TTempFile File{"people"};
};

TEST_P(DbUtilsKvFeaturesTest, EachTypedConditionShowsItsRecords) {
  const struct {
    std::vector<std::pair<const char*, const char*>> Typed;  // column, text
    std::vector<Integer> Ids;
  } Cases[] = {
      {{{"name", "ann"}}, {1, 3, 5}},
      {{{"name", "a*"}}, {1, 5}},
      {{{"name", "~_o%"}}, {2, 3}},
      {{{"name", "~b?b"}}, {2}},
      {{{"name", "!~ann"}}, {2, 4}},
      {{{"name", "= O'Brien"}}, {4}},
      {{{"name", "ann OR bob"}}, {1, 2, 3, 5}},
      {{{"amount", ">=10 AND <100"}}, {1, 3}},
      {{{"amount", "In(5.5,100)"}}, {2, 5}},
      {{{"amount", "=Null"}}, {4}},
      {{{"amount", "<>Null"}}, {1, 2, 3, 5}},
      {{{"city", "Paris,Wien"}}, {1, 2, 3}},
      {{{"city", "!In(Paris)"}}, {2, 5}},
      {{{"city", "!In(Paris,Wien)"}}, {5}},
      {{{"amount", "<>5.5,99"}}, {1, 5}},
      {{{"city", "<>Paris"}}, {2, 5}},
      {{{"born", ">= 1/5/2020"}}, {1, 2, 5}},
      {{{"born", "12/31/2019"}}, {3}},
      {{{"paid", "=True"}}, {1, 3}},
      {{{"paid", "False"}}, {2, 5}},
      {{{"city", "Paris"}, {"amount", ">50"}}, {3}},
      {{{"city", "=Null OR Oslo"}, {"paid", "=false"}}, {5}},
      {{}, {1, 2, 3, 4, 5}},
  };
  for (const auto& C : Cases) {
    ClearFilters();
    String Trace;
    for (const auto& [Column, Text] : C.Typed) {
      Filter(Column)->SetExpressionStr(Text);
      Trace += String(Column) + ": " + Text + "; ";
    }
    SCOPED_TRACE(Trace);
    Grid->DoApplyFilter();
    EXPECT_EQ(Shown(), C.Ids) << "filter " << DataSet->GetFilter();
    for (const auto& [Column, Text] : C.Typed)
      EXPECT_EQ(Filter(Column)->GetExpressionStr(), Text) << "the typed filter stays in its column";
  }
  EXPECT_FALSE(DataSet->GetFiltered()) << "no condition: no filter";
}

TEST_P(DbUtilsKvFeaturesTest, TheFilterIsTheDatasetsOwnText) {
  Filter("city")->SetExpressionStr("Paris,Wien");
  Filter("name")->SetExpressionStr("it's");
  Filter("amount")->SetExpressionStr(">=1e-7");
  Grid->DoApplyFilter();
  if (GetParam() == TStore::Memory)
    EXPECT_EQ(
        DataSet->GetFilter(),
        "(name like '%it''s%') and ((city = 'Paris') or (city = 'Wien')) and (amount >= 1E-7)");
  else
    EXPECT_EQ(DataSet->GetFilter(),
              "(\"name\" LIKE '%it''s%') AND ((\"city\" = 'Paris') OR (\"city\" = 'Wien')) AND "
              "(\"amount\" >= 1e-07)");
  EXPECT_TRUE(DataSet->GetFiltered());
  EXPECT_EQ(DataSet->GetRecordCount(), 0);
}

TEST_P(DbUtilsKvFeaturesTest, TheSortMarkersOrderTheDataset) {
  TColumnKv* Amount = Grid->Column(3);
  Amount->GetTitle()->SetSortMarker(smUpKv);
  Grid->RebuildSortMarkedColumns();
  Grid->ApplySorting();
  EXPECT_EQ(Shown(), (std::vector<Integer>{5, 3, 1, 2, 4})) << "descending, nulls last";
  Amount->GetTitle()->SetSortMarker(smDownKv);
  Grid->ApplySorting();
  EXPECT_EQ(Shown(), (std::vector<Integer>{4, 2, 1, 3, 5}));
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgMultiSortMarkingKv);
  Amount->GetTitle()->SetSortMarker(smNoneKv);
  Grid->Column(2)->GetTitle()->SetSortMarker(smDownKv);
  Amount->GetTitle()->SetSortMarker(smUpKv);
  Grid->RebuildSortMarkedColumns();
  Grid->ApplySorting();
  EXPECT_EQ(Shown(), (std::vector<Integer>{4, 5, 3, 1, 2})) << "by city, then by amount down";
  for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
    Grid->Column(I)->GetTitle()->SetSortMarker(smNoneKv);
  Grid->RebuildSortMarkedColumns();
  Grid->ApplySorting();
  EXPECT_EQ(Shown(), (std::vector<Integer>{1, 2, 3, 4, 5}));
}

INSTANTIATE_TEST_SUITE_P(Stores, DbUtilsKvFeaturesTest,
                         ::testing::Values(TStore::Memory, TStore::SQLite), StoreName);

class DbUtilsKvFeaturesOnFormTest : public DBGridOnFormTest {
 protected:
  TPlatformFeatures Features;
};

// The SQLite dataset is filtered by the database: applying a filter over a
// large table reads only the rows that pass it.
TEST_F(DbUtilsKvFeaturesOnFormTest, AnSQLiteTableIsFilteredByTheDatabaseNotByWalkingItsRows) {
  TTempFile File("filtered");
  CreateNumbersDatabase(File.Name, 20000);
  auto* Table = TSQLiteDataSet::Create(Form);
  Table->SetDatabaseName(File.Name);
  Table->SetTableName("numbers");
  Table->Open();
  auto* Source = TDataSource::Create(Form);
  Source->SetDataSet(Table);
  Grid->SetDataSource(Source);
  Grid->Column(0)->GetSTFilter()->SetExpressionStr(">19990 OR <3");
  Grid->Column(1)->GetSTFilter()->SetExpressionStr("~row 1%");
  const Int64 ReadBefore = Table->GetReadCount();
  Grid->DoApplyFilter();
  EXPECT_EQ(Table->GetRecordCount(), 10);
  std::vector<Integer> Ids;
  for (Table->First(); !Table->GetEof(); Table->Next())
    Ids.push_back(Table->FieldByName("id")->GetAsInteger());
  EXPECT_EQ(Ids, (std::vector<Integer>{1, 19991, 19992, 19993, 19994, 19995, 19996, 19997, 19998,
                                       19999}));
  EXPECT_LE(Table->GetReadCount() - ReadBefore, 40)
      << "rows read after the filter: " << Table->GetReadCount() - ReadBefore;
}

// A click on a title of a grid over an SQLite table sorts its rows by the
// database: the grid shows the rows in the new order at once, stays on its
// record, and reads a screenful of rows, not the table.
TEST_F(DbUtilsKvFeaturesOnFormTest, AClickOnATitleSortsAnSQLiteTable) {
  TTempFile File("sorted");
  CreateNumbersDatabase(File.Name, 3000);
  auto* Table = TSQLiteDataSet::Create(Form);
  Table->SetDatabaseName(File.Name);
  Table->SetTableName("numbers");
  Table->Open();
  Table->FieldByName("name")->SetDisplayWidth(10);  // every title on the screen
  auto* Source = TDataSource::Create(Form);
  Source->SetDataSet(Table);
  Grid->SetDataSource(Source);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgAutoSortMarkingKv);
  Grid->GetColumnDefValues()->GetTitle()->SetTitleButton(true);
  Grid->SetFocus();
  UpdateWindow(Grid->GetHandle());
  auto ClickTitle = [&](Integer Col) {
    Advance(1000);  // never a double click
    const TRect R = Grid->CellRect(Col, 0);
    Input.Click(Grid->GetHandle(), TPoint{(R.Left + R.Right) / 2, R.Top + 3});
    UpdateWindow(Grid->GetHandle());
  };
  // The ids of the grid's rows, top to bottom.
  auto Rows = [&]() {
    std::vector<Integer> Ids;
    auto* Link = Grid->GetDataLink();
    const Integer Active = Link->GetActiveRecord();
    for (Integer Row = 0; Row < Link->GetRecordCount(); ++Row) {
      Link->SetActiveRecord(Row);
      Ids.push_back(Table->FieldByName("id")->GetAsInteger());
    }
    Link->SetActiveRecord(Active);
    return Ids;
  };
  const Int64 ReadBefore = Table->GetReadCount();
  ClickTitle(3);  // amount, ascending: (id mod 1000) / 4, ties by id
  EXPECT_EQ(Grid->Column(2)->GetTitle()->GetSortMarker(), smDownKv);
  EXPECT_EQ(Table->GetIndexFieldNames(), "amount");
  EXPECT_EQ(Table->GetDescFields(), "");
  EXPECT_EQ(Table->FieldByName("id")->GetAsInteger(), 1) << "the grid stays on its record";
  EXPECT_EQ(Table->GetRecNo(), 4);
  Table->First();
  std::vector<Integer> Shown = Rows();
  ASSERT_GE(Shown.size(), 6u);
  EXPECT_EQ(std::vector<Integer>(Shown.begin(), Shown.begin() + 6),
            (std::vector<Integer>{1000, 2000, 3000, 1, 1001, 2001}));
  ClickTitle(3);  // descending
  EXPECT_EQ(Table->GetDescFields(), "amount");
  Table->First();
  Shown = Rows();
  EXPECT_EQ(std::vector<Integer>(Shown.begin(), Shown.begin() + 3),
            (std::vector<Integer>{999, 1999, 2999}));
  Table->Last();
  EXPECT_EQ(Table->FieldByName("id")->GetAsInteger(), 3000);
  EXPECT_EQ(Table->GetRecNo(), 3000);
  EXPECT_LE(Table->GetReadCount() - ReadBefore, 1000)
      << "rows read: " << Table->GetReadCount() - ReadBefore;
  // The table stays editable while sorted.
  Table->First();
  Table->Edit();
  Table->FieldByName("amount")->SetAsFloat(-1);
  Table->Post();
  EXPECT_EQ(Table->GetRecNo(), 3000) << "the row moved to its place and is still current";
  EXPECT_EQ(Table->FieldByName("id")->GetAsInteger(), 999);
}

// A lookup column is filtered on its key field with the key of the typed text.
TEST_F(DbUtilsKvFeaturesOnFormTest, ALookupColumnFiltersOnItsKey) {
  auto* Customers = TMemoryDataSet::Create(Form);
  Customers->GetFieldDefs()->Add("CustID", ftInteger);
  Customers->GetFieldDefs()->Add("CustName", ftString, 20);
  Customers->Open();
  Customers->AppendRecord({7, "Ann"});
  Customers->AppendRecord({8, "Bob"});
  auto* Orders = TMemoryDataSet::Create(Form);
  Orders->GetFieldDefs()->Add("OrderNo", ftInteger);
  Orders->GetFieldDefs()->Add("CustID", ftInteger);
  for (Integer I = 0; I < 2; ++I) Orders->GetFieldDefs()->GetItem(I)->CreateField(Orders, Orders);
  TStringField* Customer = TStringField::Create(Orders);
  Customer->SetFieldName("Customer");
  Customer->SetFieldKind(fkLookup);
  Customer->SetKeyFields("CustID");
  Customer->SetLookupDataSet(Customers);
  Customer->SetLookupKeyFields("CustID");
  Customer->SetLookupResultField("CustName");
  Customer->SetDataSet(Orders);
  Orders->Open();
  for (Integer I = 0; I < 6; ++I) Orders->AppendRecord({100 + I, I % 3 == 0 ? 7 : 8});
  auto* Source = TDataSource::Create(Form);
  Source->SetDataSet(Orders);
  Grid->SetDataSource(Source);
  Grid->Column(2)->GetSTFilter()->SetExpressionStr("Ann");
  Grid->DoApplyFilter();
  EXPECT_EQ(Orders->GetFilter(), "CustID = 7");
  EXPECT_EQ(Orders->GetRecordCount(), 2);
  Grid->Column(2)->GetSTFilter()->SetExpressionStr("Nobody");
  Grid->DoApplyFilter();
  EXPECT_EQ(Orders->GetFilter(), "CustID = null");
  EXPECT_EQ(Orders->GetRecordCount(), 0);
}

}  // namespace
}  // namespace korvel
