// The SQLite dataset over the sample database in a temporary file: types as
// a control sees them, lazy reading, and edits, inserts and deletes that are
// still there after reopening.

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "DbTestUtil.h"
#include "platform/db/SampleDatabase.h"
#include "platform/rtl/DateUtils.h"

namespace kvp::test {
namespace {

struct TSQLite : ::testing::Test {
  String File;
  TSQLiteDataSet* DS = nullptr;
  void SetUp() override {
    File = (std::filesystem::temp_directory_path() /
            ("kv_db_test_" + std::to_string(::getpid()) + ".sqlite"))
               .string();
    CreateSampleDatabase(File);
    DS = Reopen("customers");
  }
  void TearDown() override {
    FreeObject(DS);
    std::remove(File.c_str());
  }
  TSQLiteDataSet* Reopen(const String& Table) {
    FreeObject(DS);
    DS = TSQLiteDataSet::Create(nullptr);
    DS->SetName("Customers");
    DS->SetDatabaseName(File);
    DS->SetTableName(Table);
    DS->Open();
    return DS;
  }
  // A second dataset on the same file, as another user of the database has.
  TObjectPtr<TSQLiteDataSet> OpenSecond(const String& Table) {
    TObjectPtr<TSQLiteDataSet> Second(TSQLiteDataSet::Create(nullptr));
    Second->SetDatabaseName(File);
    Second->SetTableName(Table);
    Second->Open();
    return Second;
  }
};

TEST_F(TSQLite, ColumnsMapToFieldTypes) {
  struct {
    const char* Name;
    TFieldType Type;
  } Expected[] = {{"id", ftInteger}, {"name", ftString}, {"city", ftString},
                  {"since", ftDate}, {"vip", ftBoolean}, {"credit", ftCurrency}};
  for (auto [Name, Type] : Expected) {
    SCOPED_TRACE(Name);
    EXPECT_EQ(DS->FieldByName(Name)->GetDataType(), Type);
  }
  EXPECT_EQ(DS->FieldByName("name")->GetSize(), 40);
  Reopen("orders");
  EXPECT_EQ(DS->FieldByName("ordered")->GetDataType(), ftDateTime);
  EXPECT_EQ(DS->FieldByName("note")->GetDataType(), ftMemo);
}

TEST_F(TSQLite, ReadsRowsOnlyAsTheCursorNeedsThem) {
  EXPECT_LE(DS->GetFetchedCount(), 2);
  DS->Next();
  DS->Next();
  EXPECT_LE(DS->GetFetchedCount(), 4);
  EXPECT_EQ(DS->GetRecordCount(), SampleCustomerCount);
  EXPECT_LT(DS->GetFetchedCount(), SampleCustomerCount) << "the database counts the rows";
  DS->Last();
  EXPECT_EQ(DS->GetFetchedCount(), SampleCustomerCount);
  EXPECT_EQ(DS->FieldByName("id")->GetAsInteger(), SampleCustomerCount);
  EXPECT_EQ(DS->GetRecNo(), SampleCustomerCount);
}

TEST_F(TSQLite, ValuesKeepTextNullsAndDates) {
  EXPECT_TRUE(DS->Locate("id", 17, {}));
  EXPECT_TRUE(DS->FieldByName("city")->IsNull());
  EXPECT_TRUE(DS->Locate("id", 11, {}));
  EXPECT_TRUE(DS->FieldByName("credit")->IsNull());
  DS->First();
  const String Name = DS->FieldByName("name")->GetAsString();
  EXPECT_GT(Name.size(), size_t(Length(Name))) << "names hold non-ASCII letters: " << Name;
  EXPECT_GT(DS->FieldByName("since")->GetAsDateTime(), EncodeDate(2009, 12, 31));
}

TEST_F(TSQLite, EditsInsertsAndDeletesAreStored) {
  DS->SetRecNo(3);
  const Integer Third = DS->FieldByName("id")->GetAsInteger();
  DS->Edit();
  DS->FieldByName("name")->SetAsString("Øyvind Ærø");
  DS->FieldByName("since")->SetAsDateTime(EncodeDate(2001, 2, 3));
  DS->FieldByName("vip")->SetAsBoolean(true);
  DS->Post();
  DS->Append();
  DS->FieldByName("name")->SetAsString("Neu Kunde");
  DS->FieldByName("credit")->SetAsFloat(12.5);
  DS->Post();
  const Integer NewId = DS->FieldByName("id")->GetAsInteger();
  EXPECT_EQ(NewId, SampleCustomerCount + 1) << "the row as stored comes back";
  EXPECT_TRUE(DS->Locate("id", 1, {}));
  DS->Delete();
  EXPECT_NO_THROW(DS->CheckConsistency());

  Reopen("customers");
  EXPECT_EQ(DS->GetRecordCount(), SampleCustomerCount);
  EXPECT_FALSE(DS->Locate("id", 1, {}));
  ASSERT_TRUE(DS->Locate("id", Third, {}));
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "Øyvind Ærø");
  EXPECT_EQ(DS->FieldByName("since")->GetAsDateTime(), EncodeDate(2001, 2, 3));
  EXPECT_TRUE(DS->FieldByName("vip")->GetAsBoolean());
  ASSERT_TRUE(DS->Locate("id", NewId, {}));
  EXPECT_EQ(DS->FieldByName("credit")->GetAsFloat(), 12.5);
}

TEST_F(TSQLite, AFailedWriteKeepsTheEditAndTheRows) {
  DS->Edit();
  DS->FieldByName("name")->Clear();  // the column is NOT NULL
  try {
    DS->Post();
    FAIL() << "the database must refuse the row";
  } catch (const EDatabaseError& E) {
    EXPECT_NE(E.GetMessage().find("NOT NULL"), String::npos) << E.GetMessage();
  }
  EXPECT_EQ(DS->GetState(), dsEdit);
  // The refused change leaves no transaction holding the file.
  TObjectPtr<TSQLiteDataSet> Orders = OpenSecond("orders");
  Orders->Edit();
  Orders->FieldByName("quantity")->SetAsInteger(77);
  EXPECT_NO_THROW(Orders->Post());
  Orders.reset();
  DS->FieldByName("name")->SetAsString("Fixed Name");
  DS->Post();
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "Fixed Name");
  DS->Edit();
  DS->FieldByName("name")->Clear();
  EXPECT_THROW(DS->Post(), EDatabaseError);
  DS->Cancel();
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "Fixed Name");
  EXPECT_EQ(DS->GetRecordCount(), SampleCustomerCount);
}

TEST_F(TSQLite, EditOfARowDeletedElsewhereIsRefusedNotLost) {
  DS->SetRecNo(4);
  const Integer Id = DS->FieldByName("id")->GetAsInteger();
  TObjectPtr<TSQLiteDataSet> Other = OpenSecond("customers");
  ASSERT_TRUE(Other->Locate("id", Id, {}));
  Other->Delete();
  Other.reset();
  DS->Edit();
  DS->FieldByName("city")->SetAsString("Typed City");
  try {
    DS->Post();
    FAIL() << "the change has no row to go to";
  } catch (const EDatabaseError& E) {
    EXPECT_NE(E.GetMessage().find("deleted by another user"), String::npos) << E.GetMessage();
  }
  EXPECT_EQ(DS->GetState(), dsEdit);
  EXPECT_EQ(DS->FieldByName("city")->GetAsString(), "Typed City");
  DS->Cancel();
  DS->Refresh();
  EXPECT_FALSE(DS->Locate("id", Id, {}));
}

TEST_F(TSQLite, RowInsertedBeforeTheRestIsReadAppearsOnce) {
  DS->SetRecNo(10);
  ASSERT_LT(DS->GetFetchedCount(), SampleCustomerCount);
  DS->Insert();
  DS->FieldByName("name")->SetAsString("Inserted Early");
  DS->Post();
  const Integer NewId = DS->FieldByName("id")->GetAsInteger();
  EXPECT_EQ(DS->GetRecNo(), 10);
  EXPECT_EQ(DS->GetRecordCount(), SampleCustomerCount + 1);
  Integer Seen = 0;
  Integer Rows = 0;
  for (DS->First(); !DS->GetEof(); DS->Next()) {
    ++Rows;
    if (DS->FieldByName("id")->GetAsInteger() == NewId) ++Seen;
  }
  EXPECT_EQ(Seen, 1);
  EXPECT_EQ(Rows, SampleCustomerCount + 1);
  EXPECT_EQ(DS->GetRecordCount(), SampleCustomerCount + 1);
  EXPECT_NO_THROW(DS->CheckConsistency());
}

TEST_F(TSQLite, BookmarksAreRowIdsThatSurviveReopening) {
  DS->SetRecNo(50);
  const TBookmark B = DS->GetBookmark();
  EXPECT_EQ(B.size(), 8u);
  DS->First();
  EXPECT_LT(DS->CompareBookmarks(DS->GetBookmark(), B), 0);
  Reopen("customers");
  DS->GotoBookmark(B);
  EXPECT_EQ(DS->GetRecNo(), 50);
}

TEST_F(TSQLite, RefreshShowsChangesMadeElsewhereAndKeepsThePlace) {
  DS->SetRecNo(5);
  const Integer Id = DS->FieldByName("id")->GetAsInteger();
  TObjectPtr<TSQLiteDataSet> Other = OpenSecond("customers");
  ASSERT_TRUE(Other->Locate("id", Id, {}));
  Other->Edit();
  Other->FieldByName("city")->SetAsString("Tromsø");
  Other->Post();
  Other.reset();
  EXPECT_NE(DS->FieldByName("city")->GetAsString(), "Tromsø");
  DS->Refresh();
  EXPECT_EQ(DS->FieldByName("id")->GetAsInteger(), Id);
  EXPECT_EQ(DS->FieldByName("city")->GetAsString(), "Tromsø");
  EXPECT_NO_THROW(DS->CheckConsistency());
}

TEST_F(TSQLite, ALazilyReadTableDoesNotLockOutWritersOnTheSameFile) {
  DS->Next();  // customers: only the first rows read
  TObjectPtr<TSQLiteDataSet> Orders = OpenSecond("orders");
  Orders->Edit();
  Orders->FieldByName("quantity")->SetAsInteger(99);
  EXPECT_NO_THROW(Orders->Post());
  Orders.reset();
  EXPECT_LT(DS->GetFetchedCount(), SampleCustomerCount);
}

TEST_F(TSQLite, FilterTextSelectsRowsAndABadOneChangesNothing) {
  DS->SetFilter("vip = 1 AND credit > 10000");
  DS->SetFiltered(true);
  const Integer Shown = DS->GetRecordCount();
  EXPECT_GT(Shown, 0);
  EXPECT_LT(Shown, SampleCustomerCount);
  for (DS->First(); !DS->GetEof(); DS->Next()) {
    EXPECT_TRUE(DS->FieldByName("vip")->GetAsBoolean());
    EXPECT_GT(DS->FieldByName("credit")->GetAsFloat(), 10000);
  }
  DS->SetRecNo(2);
  const Integer Id = DS->FieldByName("id")->GetAsInteger();
  try {
    DS->SetFilter("vip ==== ");
    FAIL() << "the database cannot read the filter";
  } catch (const EDatabaseError& E) {
    EXPECT_NE(E.GetMessage().find("Cannot apply the filter 'vip ==== '"), String::npos)
        << E.GetMessage();
  }
  EXPECT_EQ(DS->GetFilter(), "vip = 1 AND credit > 10000");
  EXPECT_EQ(DS->FieldByName("id")->GetAsInteger(), Id) << "the rows shown stay";
  EXPECT_EQ(DS->GetRecordCount(), Shown);
  DS->SetFiltered(false);
  EXPECT_EQ(DS->GetRecordCount(), SampleCustomerCount);
}

// Runs SQL on the test's database file through a connection of its own.
void ExecOn(const String& File, const char* SQL) {
  sqlite3* DB = nullptr;
  ASSERT_EQ(sqlite3_open(File.c_str(), &DB), SQLITE_OK);
  char* Error = nullptr;
  EXPECT_EQ(sqlite3_exec(DB, SQL, nullptr, nullptr, &Error), SQLITE_OK) << (Error ? Error : "");
  sqlite3_free(Error);
  sqlite3_close(DB);
}

// The "code" and "region" of every row, in the order the dataset shows them.
std::vector<String> KeysShown(TDataSet* DS) {
  std::vector<String> Keys;
  for (DS->First(); !DS->GetEof(); DS->Next())
    Keys.push_back(DS->FieldByName("code")->GetAsString() + "/" +
                   DS->FieldByName("region")->GetAsString());
  return Keys;
}

TEST_F(TSQLite, TableWithoutRowIdsIsReadInKeyOrderAndWrittenByItsKey) {
  ExecOn(File,
         "CREATE TABLE codes (code VARCHAR(8), region INTEGER, label VARCHAR(20), "
         "PRIMARY KEY (region, code)) WITHOUT ROWID;"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
         "INSERT INTO codes SELECT printf('C%03d', i), i % 2, 'Label ' || i FROM n;");
  Reopen("codes");
  EXPECT_TRUE(DS->GetCanModify());
  EXPECT_LT(DS->GetFetchedCount(), 200) << "read a page at a time";
  EXPECT_EQ(DS->FieldByName("code")->GetAsString(), "C002") << "region 0 comes first";
  // [1] An edit of a non-key column, and a delete, before the rest is read.
  DS->SetRecNo(3);
  DS->Edit();
  DS->FieldByName("label")->SetAsString("Edited");
  DS->Post();
  DS->First();
  DS->Delete();
  EXPECT_LT(DS->GetFetchedCount(), 200);
  std::vector<String> Keys = KeysShown(DS);
  EXPECT_EQ(Keys.size(), 199u) << "no row skipped or shown twice after the delete";
  EXPECT_EQ(std::set<String>(Keys.begin(), Keys.end()).size(), 199u);
  // [2] A key change and an insert.
  ASSERT_TRUE(DS->Locate("code;region", VarArrayOf({"C010", 0}), {}));
  const TBookmark Moved = DS->GetBookmark();
  DS->Edit();
  DS->FieldByName("region")->SetAsInteger(7);
  DS->Post();
  DS->Insert();
  DS->FieldByName("code")->SetAsString("NEW");
  DS->FieldByName("region")->SetAsInteger(0);
  DS->Post();
  EXPECT_EQ(DS->GetRecordCount(), 200);
  DS->GotoBookmark(Moved);
  EXPECT_EQ(DS->FieldByName("region")->GetAsInteger(), 7) << "the bookmark follows the row";
  // [3] All of it is in the file.
  Reopen("codes");
  Keys = KeysShown(DS);
  EXPECT_EQ(Keys.size(), 200u);
  EXPECT_EQ(Keys.front(), "C004/0");
  EXPECT_EQ(Keys.back(), "C010/7");
  EXPECT_EQ(std::count(Keys.begin(), Keys.end(), "NEW/0"), 1);
  ASSERT_TRUE(DS->Locate("code", "C006", {}));
  EXPECT_EQ(DS->FieldByName("label")->GetAsString(), "Edited");
}

// Regression: a 64-bit value in an INTEGER column came out wrapped to 32 bits.
TEST_F(TSQLite, AWholeNumberPastTheIntegerRangeIsShownWholeNotWrapped) {
  ExecOn(File, "CREATE TABLE wide (n INTEGER); INSERT INTO wide VALUES (5000000000);");
  Reopen("wide");
  TField* N = DS->FieldByName("n");
  EXPECT_EQ(N->GetAsString(), "5000000000");
  EXPECT_EQ(N->GetAsLargeInt(), 5000000000LL);
  EXPECT_THROW(N->GetAsInteger(), EDatabaseError);
}

TEST_F(TSQLite, ViewsAreReadOnly) {
  ExecOn(File, "CREATE VIEW rich AS SELECT name, credit FROM customers WHERE credit > 10000");
  Reopen("rich");
  EXPECT_FALSE(DS->GetCanModify());
  EXPECT_THROW(DS->Edit(), EDatabaseError);
  Integer Rows = 0;
  for (DS->First(); !DS->GetEof(); DS->Next()) ++Rows;
  EXPECT_GT(Rows, 0);
  EXPECT_EQ(DS->GetRecordCount(), Rows);
}

TEST_F(TSQLite, QueriesAreReadOnly) {
  FreeObject(DS);
  DS = TSQLiteDataSet::Create(nullptr);
  DS->SetDatabaseName(File);
  DS->SetSQL("SELECT name, credit FROM customers WHERE vip = 1 ORDER BY name");
  DS->Open();
  EXPECT_GT(DS->GetRecordCount(), 0);
  EXPECT_FALSE(DS->GetCanModify());
  EXPECT_THROW(DS->Edit(), EDatabaseError);
  EXPECT_EQ(DS->FieldByName("credit")->GetDataType(), ftCurrency);
}

TEST_F(TSQLite, MissingFilesAndTablesRaiseAndLeaveTheDatasetClosed) {
  FreeObject(DS);
  DS = TSQLiteDataSet::Create(nullptr);
  DS->SetDatabaseName(File);
  DS->SetTableName("nope");
  EXPECT_THROW(DS->Open(), EDatabaseError);
  EXPECT_FALSE(DS->GetActive());
  DS->SetDatabaseName(File + ".missing");
  DS->SetTableName("customers");
  EXPECT_THROW(DS->Open(), EDatabaseError);
  EXPECT_FALSE(std::filesystem::exists(File + ".missing")) << "opening never creates a file";
}

// A grid over a million rows: only the rows it shows are read.
TEST(SQLiteLargeTable, ShowsTheFirst50OfAMillionRowsAndKeepsAnEditAfterReopening) {
  const String File = (std::filesystem::temp_directory_path() /
                       ("kv_db_big_" + std::to_string(::getpid()) + ".sqlite"))
                          .string();
  CreateNumbersDatabase(File, 1000000);
  auto OpenBig = [&File] {
    TSQLiteDataSet* DS = TSQLiteDataSet::Create(nullptr);
    DS->SetDatabaseName(File);
    DS->SetTableName("numbers");
    return DS;
  };
  TSQLiteDataSet* DS = OpenBig();
  TDataSource* Source = TDataSource::Create(nullptr);
  Source->SetDataSet(DS);
  TDataLink* Link = TDataLink::Create();
  Link->SetDataSource(Source);
  Link->SetBufferCount(50);
  DS->Open();
  EXPECT_EQ(Link->GetRecordCount(), 50);
  String Expected;
  for (Integer I = 1; I <= 50; ++I) Expected += (I > 1 ? " " : "") + IntToStr(I);
  String Shown;
  for (Integer I = 0; I < 50; ++I) {
    Link->SetActiveRecord(I);
    Shown += (I ? " " : "") + DS->FieldByName("id")->GetAsString();
  }
  Link->SetActiveRecord(0);
  EXPECT_EQ(Shown, Expected);
  EXPECT_EQ(DS->GetRecordCount(), 1000000) << "a scroll bar learns the size";
  DS->SetRecNo(3);
  DS->Edit();
  DS->FieldByName("name")->SetAsString("Edited row");
  DS->Post();
  EXPECT_LT(DS->GetFetchedCount(), 1000) << "neither opening nor posting reads the table";
  Link->Free();
  Source->Free();
  DS->Free();

  DS = OpenBig();
  DS->Open();
  ASSERT_TRUE(DS->Locate("id", 3, {}));
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "Edited row");
  EXPECT_LT(DS->GetFetchedCount(), 1000);
  DS->Free();
  std::remove(File.c_str());
}

}  // namespace
}  // namespace kvp::test
