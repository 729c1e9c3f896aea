// The SQLite dataset's reading of large tables: a bounded cache of rows, a
// record count kept without asking again, Last without a walk, record numbers
// and bookmarks right wherever the cursor jumps and whatever the cache has
// dropped; and queries, views and tables without row ids read in one pass.

#include <algorithm>
#include <random>

#include "SQLiteTestUtil.h"

namespace kvp::test {
namespace {

// A table "items" of Count rows whose row ids have gaps (1, 3, 4, 6, 7, 9...:
// every third id missing), name "item <id>", group id % 3.
String MakeItems(const TTempDatabase& Db, Integer Count) {
  RunSQL(Db.File,
         "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT, grp INTEGER, amount REAL);"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
             IntToStr(Count * 3 / 2 + 2) +
             ") INSERT INTO items SELECT i, 'item ' || i, i % 3, i * 0.5 FROM n WHERE i % 3 <> 2 "
             "LIMIT " +
             IntToStr(Count) + ";");
  return Db.File;
}

std::vector<Int64> StoredIds(const String& File, const String& Where = "1") {
  std::vector<Int64> Ids;
  sqlite3* DB = nullptr;
  sqlite3_open(File.c_str(), &DB);
  sqlite3_stmt* Stmt = nullptr;
  const String SQL = "SELECT id FROM items WHERE " + Where + " ORDER BY id";
  sqlite3_prepare_v2(DB, SQL.c_str(), -1, &Stmt, nullptr);
  while (sqlite3_step(Stmt) == SQLITE_ROW) Ids.push_back(sqlite3_column_int64(Stmt, 0));
  sqlite3_finalize(Stmt);
  sqlite3_close(DB);
  return Ids;
}

Int64 Id(TDataSet* DS) { return DS->FieldByName("id")->GetAsLargeInt(); }

struct TSQLiteCache : ::testing::Test {
  TTempDatabase Db{"cache"};
  TObjectPtr<TSQLiteDataSet> DS;
  TObjectPtr<TDataSource> Source{TDataSource::Create(nullptr)};
  TDataLink* Link = TDataLink::Create();
  void Open(Integer Rows, std::size_t CacheLimit = 8 << 20) {
    MakeItems(Db, Rows);
    DS.reset(TSQLiteDataSet::Create(nullptr));
    DS->SetDatabaseName(Db.File);
    DS->SetTableName("items");
    DS->SetCacheLimit(CacheLimit);
    Source->SetDataSet(DS.get());
    Link->SetDataSource(Source.get());
    Link->SetBufferCount(29);
    DS->Open();
  }
  void TearDown() override {
    Link->Free();
    Source.reset();
    DS.reset();
  }
};

// Regression: a read that reached a page the cache held, then made room for
// itself, could drop that very page and lose the row it had found: after
// Refresh, First showed an empty table.
TEST(SQLiteCacheRoom, ARowFoundOnACachedPageSurvivesTheReadMakingRoom) {
  TTempDatabase Db("room");
  String SQL = "CREATE TABLE wide (tag TEXT";
  for (Integer I = 0; I < 40; ++I) SQL += ", c" + IntToStr(I);
  SQL += "); WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 38) "
         "INSERT INTO wide (tag) SELECT 'tag ' || x FROM n;";
  RunSQL(Db.File, SQL);
  TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(Db.File);
  DS->SetTableName("wide");
  DS->SetCacheLimit(2000);
  DS->Open();
  for (Integer Round = 0; Round < 2; ++Round) {
    SCOPED_TRACE(Round);
    DS->Refresh();
    DS->First();
    ASSERT_FALSE(DS->IsEmpty());
    Integer Rows = 0;
    for (; !DS->GetEof(); DS->Next())
      EXPECT_EQ(DS->FieldByName("tag")->GetAsString(), "tag " + IntToStr(++Rows));
    EXPECT_EQ(Rows, 38);
  }
}

TEST_F(TSQLiteCache, LastReadsOnlyTheLastRowsAndKnowsTheirNumbers) {
  Open(200000);
  const std::vector<Int64> Ids = StoredIds(Db.File);
  DS->Last();
  EXPECT_LT(DS->GetReadCount(), 200) << "no walk to the end";
  EXPECT_EQ(Id(DS.get()), Ids.back());
  EXPECT_EQ(DS->GetRecNo(), 200000);
  EXPECT_TRUE(DS->GetEof());
  DS->Prior();
  EXPECT_EQ(Id(DS.get()), Ids[199998]);
  EXPECT_EQ(DS->GetRecNo(), 199999);
  EXPECT_EQ(DS->MoveBy(-1000), -1000);
  EXPECT_EQ(Id(DS.get()), Ids[198998]);
  EXPECT_EQ(DS->GetRecNo(), 198999);
  DS->MoveBy(-29);
  EXPECT_EQ(DS->GetRecNo(), 198970);
  EXPECT_LT(DS->GetReadCount(), 3000);
  EXPECT_NO_THROW(DS->CheckConsistency());
  DS->SetRecNo(100000);
  EXPECT_EQ(Id(DS.get()), Ids[99999]);
  DS->Next();
  EXPECT_EQ(DS->GetRecNo(), 100001);
  EXPECT_EQ(Id(DS.get()), Ids[100000]);
  EXPECT_LT(DS->GetReadCount(), 4000) << "a jump reads around its target only";
  DS->First();
  EXPECT_EQ(Id(DS.get()), 1);
  EXPECT_TRUE(DS->GetBof());
}

TEST_F(TSQLiteCache, AWalkThroughTheTableKeepsTheCacheBoundedAndBookmarksValid) {
  Open(20000, 64 << 10);
  const std::vector<Int64> Ids = StoredIds(Db.File);
  DS->MoveBy(9);
  const TBookmark Tenth = DS->GetBookmark();
  Integer Walked = 0;
  Integer MostCached = 0;
  {
    TDisableControlsGuard Guard(DS.get());
    for (DS->First(); !DS->GetEof(); DS->Next()) {
      ASSERT_EQ(Id(DS.get()), Ids[Walked]);
      ASSERT_EQ(DS->GetRecNo(), Walked + 1);
      ++Walked;
      MostCached = std::max(MostCached, DS->GetCachedCount());
    }
  }
  EXPECT_EQ(Walked, 20000);
  EXPECT_LT(MostCached, 5000) << "the cache drops what was walked past";
  EXPECT_EQ(DS->GetReadCount(), 20000) << "each row read once";
  // Chunks grow to a read's share of the limit: some 680 rows of one number here.
  EXPECT_LT(DS->GetReadRuns(), 40) << "walking on reads ever larger chunks";
  const TBookmark Last = DS->GetBookmark();
  EXPECT_TRUE(DS->BookmarkValid(Tenth)) << "its page was dropped; the row is still there";
  EXPECT_LT(DS->CompareBookmarks(Tenth, Last), 0);
  EXPECT_GT(DS->CompareBookmarks(Last, Tenth), 0);
  DS->GotoBookmark(Tenth);
  EXPECT_EQ(Id(DS.get()), Ids[9]);
  EXPECT_EQ(DS->GetRecNo(), 10);
  DS->Prior();
  EXPECT_EQ(DS->GetRecNo(), 9);
  EXPECT_NO_THROW(DS->CheckConsistency());
}

// A walk with the controls disabled reading long texts: the rows it holds at
// once stay within the cache's limit however large its chunks have grown, and
// it still reads every row once, with its own text.
TEST(SQLiteCacheRuns, AWalkReadingLongTextsKeepsWithinTheCacheLimit) {
  TTempDatabase Db("texts");
  RunSQL(Db.File,
         "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT, n INTEGER);"
         "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < 3000) "
         "INSERT INTO notes SELECT i, printf('%.3000c', char(65 + i % 26)) || i, i FROM k;");
  const std::size_t Limit = 64 << 10;  // texts of 3000 bytes are held with their rows
  TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(Db.File);
  DS->SetTableName("notes");
  DS->SetCacheLimit(Limit);
  DS->Open();
  for (Integer Pass = 0; Pass < 2; ++Pass) {
    SCOPED_TRACE(Pass);
    const Integer ReadBefore = DS->GetReadCount();
    std::size_t Most = 0;
    Integer Row = 0;
    {
      TDisableControlsGuard Hold(DS.get());
      for (DS->First(); !DS->GetEof(); DS->Next()) {
        ++Row;
        const String Body = DS->FieldByName("body")->GetAsString();
        ASSERT_EQ(Body, String(3000, char(65 + Row % 26)) + IntToStr(Row));
        ASSERT_EQ(DS->FieldByName("n")->GetAsInteger(), Row);
        Most = std::max(Most, DS->GetCachedBytes());
      }
    }
    EXPECT_EQ(Row, 3000);
    EXPECT_LE(Most, Limit);
    // The first pass reads the rows opening did not; the second all of them,
    // the run holding the text beside the number from its first chunk.
    EXPECT_LE(DS->GetReadCount() - ReadBefore, 3000 + 64) << "each row read about once";
  }
}

// A walk with the controls disabled reading many numbers a row: the rows it
// holds beside the cache take no more than a read's share of the limit (a
// quarter), counted as they are held, not as the file stores them.
TEST(SQLiteCacheRuns, AWalkReadingManyNumbersHoldsNoMoreThanAReadsShare) {
  TTempDatabase Db("numbers");
  String Create = "CREATE TABLE wide (id INTEGER PRIMARY KEY";
  String Columns;
  for (Integer I = 0; I < 10; ++I) {
    Create += ", n" + IntToStr(I) + " INTEGER";
    Columns += String(I ? ", " : "") + "i + " + IntToStr(I);
  }
  RunSQL(Db.File, Create + "); WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k "
                           "WHERE i < 5000) INSERT INTO wide SELECT i, " + Columns + " FROM k;");
  const std::size_t Limit = 64 << 10;
  TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(Db.File);
  DS->SetTableName("wide");
  DS->SetCacheLimit(Limit);
  DS->Open();
  const std::size_t Cached = DS->GetCachedBytes();
  std::size_t Most = 0;
  Int64 Total = 0;
  {
    TDisableControlsGuard Hold(DS.get());
    for (DS->First(); !DS->GetEof(); DS->Next()) {
      for (Integer I = 0; I < 10; ++I) Total += DS->GetFields()->GetField(I + 1)->GetAsInteger();
      Most = std::max(Most, DS->GetCachedBytes());
    }
  }
  EXPECT_EQ(Total, Int64(10) * 5000 * 5001 / 2 + Int64(45) * 5000);
  EXPECT_LE(Most, Cached + Limit / 4 + 256) << "a quarter of the limit, and the row that reached it";
}

// A table whose own scan gives its rows out of row id order (an R*Tree keeps
// them by their boxes) is walked with the controls disabled in row id order
// all the same, every row once, with its own values.
TEST(SQLiteCacheRuns, ATableScannedOutOfRowIdOrderIsWalkedInRowIdOrder) {
  TTempDatabase Db("boxes");
  RunSQL(Db.File,
         "CREATE VIRTUAL TABLE boxes USING rtree(id, x0, x1);"
         "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < 500) "
         "INSERT INTO boxes SELECT i, (i * 7919) % 1000, (i * 7919) % 1000 + 1 FROM k;");
  TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(Db.File);
  DS->SetTableName("boxes");
  DS->Open();
  for (Integer Pass = 0; Pass < 2; ++Pass) {
    SCOPED_TRACE(Pass);
    Integer Row = 0;
    {
      TDisableControlsGuard Hold(DS.get());
      for (DS->First(); !DS->GetEof(); DS->Next()) {
        ++Row;
        ASSERT_EQ(DS->FieldByName("id")->GetAsInteger(), Row);
        ASSERT_EQ(DS->FieldByName("x0")->GetAsFloat(), double(Row * 7919 % 1000));
        ASSERT_EQ(DS->GetRecNo(), Row);
      }
    }
    EXPECT_EQ(Row, 500);
  }
}

TEST_F(TSQLiteCache, TheCountIsKeptThroughChangesHereAndAskedAgainOnRefresh) {
  Open(1000);
  EXPECT_EQ(DS->GetRecordCount(), 1000);
  // [1] Through the dataset: append, insert in the middle, delete.
  DS->Append();
  DS->FieldByName("name")->SetAsString("appended");
  DS->Post();
  EXPECT_EQ(DS->GetRecordCount(), 1001);
  EXPECT_EQ(DS->GetRecNo(), 1001);
  DS->SetRecNo(500);
  const Int64 At500 = Id(DS.get());
  DS->Insert();
  DS->FieldByName("name")->SetAsString("inserted");
  DS->Post();
  EXPECT_EQ(DS->GetRecordCount(), 1002);
  EXPECT_EQ(DS->GetRecNo(), 500) << "shown where it was inserted";
  DS->Next();
  EXPECT_EQ(Id(DS.get()), At500);
  EXPECT_EQ(DS->GetRecNo(), 501);
  DS->SetRecNo(10);
  DS->Delete();
  EXPECT_EQ(DS->GetRecordCount(), 1001);
  EXPECT_EQ(DS->GetRecNo(), 10);
  DS->Last();
  EXPECT_EQ(DS->GetRecNo(), 1001);
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "appended");
  // [2] By another connection: seen after Refresh.
  RunSQL(Db.File, "INSERT INTO items (name) VALUES ('x'), ('y'), ('z'); DELETE FROM items WHERE id = 1;");
  EXPECT_EQ(DS->GetRecordCount(), 1001) << "kept until Refresh";
  DS->Refresh();
  EXPECT_EQ(DS->GetRecordCount(), 1003);
  DS->Last();
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "z");
  EXPECT_EQ(DS->GetRecNo(), 1003);
  DS->First();
  EXPECT_EQ(Id(DS.get()), 3);
  // [3] Filters: counted with the filter, and after changes through it.
  DS->SetFilter("grp = 0");
  DS->SetFiltered(true);
  const Integer Group0 = Integer(StoredIds(Db.File, "grp = 0").size());
  EXPECT_EQ(DS->GetRecordCount(), Group0);
  DS->Delete();
  EXPECT_EQ(DS->GetRecordCount(), Group0 - 1);
  DS->SetFiltered(false);
  EXPECT_EQ(DS->GetRecordCount(), 1002);
  Integer Walked = 0;
  for (DS->First(); !DS->GetEof(); DS->Next()) ++Walked;
  EXPECT_EQ(Walked, 1002);
}

TEST_F(TSQLiteCache, RowsInsertedAtOnePlaceKeepTheirOrderUntilRefresh) {
  Open(300);
  DS->SetRecNo(100);
  const Int64 Before = Id(DS.get());
  auto InsertNamed = [this](const char* Name, bool Append) {
    if (Append)
      DS->Append();
    else
      DS->Insert();
    DS->FieldByName("name")->SetAsString(Name);
    DS->FieldByName("grp")->SetAsInteger(Name[0] == 'b' ? 1 : 0);
    DS->Post();
    return Id(DS.get());
  };
  const Int64 First = InsertNamed("first", false);
  const Int64 Second = InsertNamed("second", false);  // before "first"
  EXPECT_EQ(DS->GetRecNo(), 100);
  DS->Delete();
  EXPECT_EQ(Id(DS.get()), First) << "the row after the deleted one";
  EXPECT_EQ(DS->GetRecNo(), 100);
  DS->Next();
  EXPECT_EQ(Id(DS.get()), Before);
  EXPECT_FALSE(DS->Locate("id", Integer(Second), {}));
  // Appended rows stay in the order they came, a row the filter refuses too.
  DS->SetFilter("grp = 0");
  DS->SetFiltered(true);
  const Integer Shown = DS->GetRecordCount();
  const Int64 Refused = InsertNamed("b: outside the filter", true);
  const Int64 Passing = InsertNamed("a: inside it", true);
  EXPECT_EQ(DS->GetRecordCount(), Shown + 2);
  DS->Last();
  EXPECT_EQ(Id(DS.get()), Passing);
  DS->Prior();
  EXPECT_EQ(Id(DS.get()), Refused);
  EXPECT_EQ(DS->GetRecNo(), Shown + 1);
  DS->Refresh();
  EXPECT_EQ(DS->GetRecordCount(), Shown + 1) << "after Refresh the filter holds again";
  DS->Last();
  EXPECT_EQ(Id(DS.get()), Passing);
}

TEST_F(TSQLiteCache, ARowEditedOutOfTheFilterStaysUntilRefreshAndNumbersStayRight) {
  Open(3000, 16 << 10);
  DS->SetFilter("grp = 0");
  DS->SetFiltered(true);
  const std::vector<Int64> Ids = StoredIds(Db.File, "grp = 0");
  const Integer Count = Integer(Ids.size());
  DS->SetRecNo(10);
  DS->Edit();
  DS->FieldByName("grp")->SetAsInteger(1);
  DS->Post();
  EXPECT_EQ(Id(DS.get()), Ids[9]);
  EXPECT_EQ(DS->GetRecNo(), 10);
  EXPECT_EQ(DS->GetRecordCount(), Count);
  // Far rows, read after the edit, are numbered as the rows around the edit.
  DS->SetRecNo(Count - 100);
  EXPECT_EQ(Id(DS.get()), Ids[Count - 101]);
  DS->Last();
  EXPECT_EQ(DS->GetRecNo(), Count);
  DS->First();
  DS->MoveBy(20);
  EXPECT_EQ(Id(DS.get()), Ids[20]);
  EXPECT_EQ(DS->GetRecNo(), 21);
  EXPECT_NO_THROW(DS->CheckConsistency());
  DS->Refresh();
  EXPECT_EQ(DS->GetRecordCount(), Count - 1);
  DS->SetRecNo(10);
  EXPECT_EQ(Id(DS.get()), Ids[10]);
}

// Random jumps, walks and changes with a cache of a few pages, checked against
// the row ids SQLite holds and the order the dataset must show them in.
TEST_F(TSQLiteCache, RandomNavigationAndChangesMatchAModelOfTheRows) {
  Open(3000, 24 << 10);
  std::vector<Int64> Model = StoredIds(Db.File);  // the rows in the order shown
  std::mt19937 Random(12345);
  auto Pick = [&](Integer N) { return Integer(Random() % unsigned(N)); };
  for (Integer Step = 0; Step < 400; ++Step) {
    SCOPED_TRACE("step " + IntToStr(Step));
    const Integer Op = Pick(10);
    if (Op == 0) {
      DS->First();
    } else if (Op == 1) {
      DS->Last();
    } else if (Op <= 4) {
      DS->MoveBy(Pick(2001) - 1000);
    } else if (Op == 5) {
      DS->SetRecNo(1 + Pick(Integer(Model.size())));
    } else if (Op == 6) {
      const Integer Target = Pick(Integer(Model.size()));
      TBookmark B(8, '\0');
      for (int I = 0; I < 8; ++I) B[I] = char((UInt64(Model[Target]) >> (8 * I)) & 0xFF);
      DS->GotoBookmark(B);
    } else if (Op == 7 && Model.size() > 10) {
      const Integer At = DS->GetRecNo() - 1;
      DS->Delete();
      Model.erase(Model.begin() + At);
    } else if (Op == 8) {
      const Integer At = DS->GetRecNo() - 1;
      DS->Insert();
      DS->FieldByName("name")->SetAsString("new");
      DS->Post();
      Model.insert(Model.begin() + At, Id(DS.get()));
    } else {
      DS->Append();
      DS->FieldByName("name")->SetAsString("end");
      DS->Post();
      Model.push_back(Id(DS.get()));
    }
    ASSERT_FALSE(DS->IsEmpty());
    const Integer RecNo = DS->GetRecNo();
    ASSERT_GE(RecNo, 1);
    ASSERT_LE(RecNo, Integer(Model.size()));
    ASSERT_EQ(Id(DS.get()), Model[RecNo - 1]) << "at record " << RecNo;
    ASSERT_EQ(DS->GetRecordCount(), Integer(Model.size()));
    ASSERT_NO_THROW(DS->CheckConsistency());
    // Every row of the window is the one the model has there.
    const Integer Active = Link->GetActiveRecord();
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      ASSERT_EQ(Id(DS.get()), Model[DS->GetRecNo() - 1]);
    }
    Link->SetActiveRecord(Active);
  }
  // After Refresh the placed rows stand by row id, as a reopened dataset shows them.
  DS->Refresh();
  std::sort(Model.begin(), Model.end());
  std::vector<Int64> Shown;
  for (DS->First(); !DS->GetEof(); DS->Next()) Shown.push_back(Id(DS.get()));
  EXPECT_EQ(Shown, Model);
  EXPECT_EQ(StoredIds(Db.File), Model);
}

TEST_F(TSQLiteCache, OnFilterRecordIsCountedAndPositionedByReading) {
  Open(500, 16 << 10);
  DS->OnFilterRecord = [](TDataSet* D, bool& Accept) {
    Accept = D->FieldByName("grp")->GetAsInteger() == 1;
  };
  DS->SetFiltered(true);
  const std::vector<Int64> Ids = StoredIds(Db.File, "grp = 1");
  EXPECT_EQ(DS->GetRecordCount(), Integer(Ids.size()));
  DS->Last();
  EXPECT_EQ(Id(DS.get()), Ids.back());
  EXPECT_EQ(DS->GetRecNo(), Integer(Ids.size()));
  DS->SetRecNo(100);
  EXPECT_EQ(Id(DS.get()), Ids[99]);
  DS->MoveBy(-50);
  EXPECT_EQ(Id(DS.get()), Ids[49]);
  EXPECT_EQ(DS->GetRecNo(), 50);
}

TEST_F(TSQLiteCache, AnIdleDatasetDoesNotHoldTheFileAfterJumpsAndWalks) {
  Open(50000);
  DS->Last();
  DS->SetRecNo(25000);
  DS->MoveBy(500);
  RunSQL(Db.File, "UPDATE items SET name = 'changed elsewhere' WHERE id = 1");
  DS->Refresh();
  DS->First();
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "changed elsewhere");
}

TEST_F(TSQLiteCache, ChangingTheRowIdColumnMovesTheRow) {
  Open(100);
  DS->SetRecNo(5);
  const Int64 Old = Id(DS.get());
  DS->Edit();
  DS->FieldByName("id")->SetAsInteger(1000000);
  DS->Post();
  EXPECT_EQ(Id(DS.get()), 1000000);
  EXPECT_EQ(DS->GetRecNo(), 100) << "now the last by row id";
  EXPECT_FALSE(DS->Locate("id", Integer(Old), {}));
  DS->First();
  EXPECT_EQ(DS->MoveBy(200), 99);
  EXPECT_EQ(Id(DS.get()), 1000000);
}

// Queries, views and tables without row ids are read in one pass, and shown
// the same walked forwards and backwards.
struct TSQLiteQueries : ::testing::Test {
  TTempDatabase Db{"queries"};
  void SetUp() override {
    MakeItems(Db, 3000);
    RunSQL(Db.File,
           "CREATE TABLE groups (grp INTEGER PRIMARY KEY, label TEXT);"
           "INSERT INTO groups VALUES (0, 'zero'), (1, 'one');"
           "CREATE VIEW big AS SELECT * FROM items WHERE amount > 10;"
           "CREATE TABLE keyed (a TEXT, b INTEGER, PRIMARY KEY (b, a)) WITHOUT ROWID;"
           "INSERT INTO keyed SELECT name, id % 7 FROM items;");
  }
  static std::vector<String> Forward(TDataSet* DS, const char* Field) {
    std::vector<String> Values;
    Integer RecNo = 0;
    for (DS->First(); !DS->GetEof(); DS->Next()) {
      Values.push_back(DS->FieldByName(Field)->GetAsString());
      EXPECT_EQ(DS->GetRecNo(), ++RecNo);
    }
    return Values;
  }
  static std::vector<String> Backward(TDataSet* DS, const char* Field) {
    std::vector<String> Values;
    for (DS->Last(); !DS->GetBof(); DS->Prior())
      Values.insert(Values.begin(), DS->FieldByName(Field)->GetAsString());
    return Values;
  }
  std::vector<String> Direct(const String& SQL) {
    std::vector<String> Values;
    sqlite3* DB = nullptr;
    sqlite3_open(Db.File.c_str(), &DB);
    sqlite3_stmt* Stmt = nullptr;
    sqlite3_prepare_v2(DB, SQL.c_str(), -1, &Stmt, nullptr);
    while (sqlite3_step(Stmt) == SQLITE_ROW)
      Values.push_back(reinterpret_cast<const char*>(sqlite3_column_text(Stmt, 0)));
    sqlite3_finalize(Stmt);
    sqlite3_close(DB);
    return Values;
  }
};

TEST_F(TSQLiteQueries, AJoinInOrderIsWalkedOnceBothWays) {
  const String SQL =
      "SELECT i.name, g.label, i.amount FROM items i JOIN groups g ON g.grp = i.grp "
      "ORDER BY g.label DESC, i.amount DESC";
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "", SQL);
  const std::vector<String> Expected = Direct("SELECT name FROM (" + SQL + ")");
  ASSERT_EQ(Expected.size(), 3000u);
  EXPECT_EQ(Forward(DS.get(), "name"), Expected);
  EXPECT_LE(DS->GetReadCount(), 3000) << "no row read twice";
  EXPECT_LE(DS->GetReadRuns(), 8) << "chunks as large as all rows before them";
  EXPECT_EQ(Backward(DS.get(), "name"), Expected);
  EXPECT_EQ(DS->GetRecordCount(), 3000);
  DS->SetRecNo(1234);
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), Expected[1233]);
}

TEST_F(TSQLiteQueries, ViewsAndTablesWithoutRowIdsAreWalkedBothWays) {
  TObjectPtr<TSQLiteDataSet> View = OpenSQLite(Db.File, "big");
  const std::vector<String> InView = Direct("SELECT name FROM big");
  EXPECT_EQ(Forward(View.get(), "name"), InView);
  EXPECT_EQ(Backward(View.get(), "name"), InView);
  EXPECT_EQ(View->GetRecordCount(), Integer(InView.size()));
  TObjectPtr<TSQLiteDataSet> Keyed = OpenSQLite(Db.File, "keyed");
  const std::vector<String> InKeyed = Direct("SELECT a FROM keyed ORDER BY b, a");
  EXPECT_EQ(Forward(Keyed.get(), "a"), InKeyed);
  EXPECT_EQ(Backward(Keyed.get(), "a"), InKeyed);
  EXPECT_LE(Keyed->GetReadCount(), Int64(InKeyed.size()));
  ASSERT_TRUE(Keyed->Locate("a", InKeyed[100], {}));
  Keyed->Delete();
  EXPECT_EQ(Keyed->GetRecordCount(), Integer(InKeyed.size()) - 1);
}

TEST_F(TSQLiteQueries, AQueryReadHalfWayDoesNotLockOutWriters) {
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "", "SELECT * FROM items ORDER BY name");
  DS->MoveBy(100);
  TObjectPtr<TSQLiteDataSet> Writer = OpenSQLite(Db.File, "items");
  Writer->Edit();
  Writer->FieldByName("name")->SetAsString("written");
  EXPECT_NO_THROW(Writer->Post());
  DS->MoveBy(1000);
  EXPECT_EQ(DS->GetRecNo(), 1101);
}

}  // namespace
}  // namespace kvp::test
