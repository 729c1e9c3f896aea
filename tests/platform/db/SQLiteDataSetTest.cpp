// The SQLite dataset over the sample database in a temporary file: types as
// a control sees them, lazy reading, and edits, inserts and deletes that are
// still there after reopening.

#include <cstdio>
#include <filesystem>

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
  EXPECT_EQ(DS->GetFetchedCount(), SampleCustomerCount);
  DS->Last();
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
  DS->Cancel();
  EXPECT_FALSE(DS->FieldByName("name")->IsNull());
  EXPECT_EQ(DS->GetRecordCount(), SampleCustomerCount);
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
  TSQLiteDataSet* Other = TSQLiteDataSet::Create(nullptr);
  Other->SetDatabaseName(File);
  Other->SetTableName("customers");
  Other->Open();
  ASSERT_TRUE(Other->Locate("id", Id, {}));
  Other->Edit();
  Other->FieldByName("city")->SetAsString("Tromsø");
  Other->Post();
  Other->Free();
  EXPECT_NE(DS->FieldByName("city")->GetAsString(), "Tromsø");
  DS->Refresh();
  EXPECT_EQ(DS->FieldByName("id")->GetAsInteger(), Id);
  EXPECT_EQ(DS->FieldByName("city")->GetAsString(), "Tromsø");
  EXPECT_NO_THROW(DS->CheckConsistency());
}

TEST_F(TSQLite, ALazilyReadTableDoesNotLockOutWritersOnTheSameFile) {
  DS->Next();  // customers: only the first rows read
  TSQLiteDataSet* Orders = TSQLiteDataSet::Create(nullptr);
  Orders->SetDatabaseName(File);
  Orders->SetTableName("orders");
  Orders->Open();
  Orders->Edit();
  Orders->FieldByName("quantity")->SetAsInteger(99);
  EXPECT_NO_THROW(Orders->Post());
  Orders->Free();
  EXPECT_LT(DS->GetFetchedCount(), SampleCustomerCount);
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

}  // namespace
}  // namespace kvp::test
