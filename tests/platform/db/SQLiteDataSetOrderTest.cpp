// The SQLite dataset in the order of IndexFieldNames and DescFields: the
// rows as SQLite orders them (NULL first ascending, ties by row id or key),
// a window of rows however large the table, record numbers, bookmarks and
// Locate in the order, and rows that stay editable: a posted row moves to
// its place and is found again, an inserted one stays where it was put.

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <tuple>

#include "SQLiteTestUtil.h"

namespace kvp::test {
namespace {

// "items": Count rows; grp = id % 4 with every seventh NULL, name "n<id % 10>"
// (many ties), amount id * 0.5.
void MakeItems(const String& File, Integer Count) {
  RunSQL(File,
         "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT, grp INTEGER, amount REAL);"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
             IntToStr(Count) +
             ") INSERT INTO items SELECT i, 'n' || (i % 10), CASE WHEN i % 7 = 0 THEN NULL "
             "ELSE i % 4 END, i * 0.5 FROM n;");
}

// The ids as SQLite orders them.
std::vector<Int64> SQLiteOrder(const String& File, const String& OrderBy,
                               const String& Where = "1") {
  std::vector<Int64> Ids;
  sqlite3* DB = nullptr;
  sqlite3_open(File.c_str(), &DB);
  sqlite3_stmt* Stmt = nullptr;
  const String SQL = "SELECT id FROM items WHERE " + Where + " ORDER BY " + OrderBy;
  EXPECT_EQ(sqlite3_prepare_v2(DB, SQL.c_str(), -1, &Stmt, nullptr), SQLITE_OK) << SQL;
  while (sqlite3_step(Stmt) == SQLITE_ROW) Ids.push_back(sqlite3_column_int64(Stmt, 0));
  sqlite3_finalize(Stmt);
  sqlite3_close(DB);
  return Ids;
}

Int64 Id(TDataSet* DS) { return DS->FieldByName("id")->GetAsLargeInt(); }

std::vector<Int64> Walk(TDataSet* DS) {
  std::vector<Int64> Ids;
  for (DS->First(); !DS->GetEof(); DS->Next()) Ids.push_back(Id(DS));
  return Ids;
}

std::vector<Int64> WalkBack(TDataSet* DS) {
  std::vector<Int64> Ids;
  for (DS->Last(); !DS->GetBof(); DS->Prior()) Ids.push_back(Id(DS));
  std::reverse(Ids.begin(), Ids.end());
  return Ids;
}

TBookmark BookmarkOf(Int64 RowId) {
  TBookmark B(8, '\0');
  for (int I = 0; I < 8; ++I) B[std::size_t(I)] = char((UInt64(RowId) >> (8 * I)) & 0xFF);
  return B;
}

struct TSQLiteOrder : ::testing::Test {
  TTempDatabase Db{"order"};
  TObjectPtr<TSQLiteDataSet> DS;
  TObjectPtr<TDataSource> Source{TDataSource::Create(nullptr)};
  TDataLink* Link = TDataLink::Create();
  void Open(Integer Rows, const String& Index, const String& Desc = String(),
            std::size_t CacheLimit = 8 << 20) {
    MakeItems(Db.File, Rows);
    DS.reset(TSQLiteDataSet::Create(nullptr));
    DS->SetDatabaseName(Db.File);
    DS->SetTableName("items");
    DS->SetCacheLimit(CacheLimit);
    DS->SetIndexFieldNames(Index);
    DS->SetDescFields(Desc);
    Source->SetDataSet(DS.get());
    Link->SetDataSource(Source.get());
    Link->SetBufferCount(17);
    DS->Open();
  }
  void TearDown() override {
    Link->Free();
    Source.reset();
    DS.reset();
  }
};

TEST_F(TSQLiteOrder, RowsComeAsSQLiteOrdersThemBothWaysWithNullsFirstAndTiesByRowId) {
  Open(600, "grp;name", "name", 6 << 10);
  const std::vector<Int64> Expected = SQLiteOrder(Db.File, "grp, name DESC, id");
  EXPECT_EQ(Walk(DS.get()), Expected);
  EXPECT_EQ(WalkBack(DS.get()), Expected);
  EXPECT_EQ(DS->GetRecordCount(), 600);
  DS->First();
  EXPECT_TRUE(DS->FieldByName("grp")->IsNull()) << "NULL comes first ascending";
  // Descending on the first field puts NULL last.
  DS->SetOrderFields("grp;id", "grp");
  EXPECT_EQ(Walk(DS.get()), SQLiteOrder(Db.File, "grp DESC, id"));
  DS->Last();
  EXPECT_TRUE(DS->FieldByName("grp")->IsNull());
  EXPECT_EQ(DS->GetRecNo(), 600);
  // No order: row id order again.
  DS->SetIndexFieldNames("");
  EXPECT_EQ(Walk(DS.get()), SQLiteOrder(Db.File, "id"));
}

TEST_F(TSQLiteOrder, RecordNumbersBookmarksAndLocateFollowTheOrder) {
  Open(2000, "name;grp", "", 8 << 10);
  const std::vector<Int64> Expected = SQLiteOrder(Db.File, "name, grp, id");
  DS->Last();
  EXPECT_EQ(Id(DS.get()), Expected.back());
  EXPECT_EQ(DS->GetRecNo(), 2000);
  for (Integer RecNo : {1, 2, 777, 1999, 1000, 2000}) {
    DS->SetRecNo(RecNo);
    ASSERT_EQ(Id(DS.get()), Expected[std::size_t(RecNo - 1)]) << RecNo;
    ASSERT_EQ(DS->GetRecNo(), RecNo);
  }
  DS->GotoBookmark(BookmarkOf(Expected[1500]));
  EXPECT_EQ(DS->GetRecNo(), 1501);
  DS->MoveBy(-700);
  EXPECT_EQ(Id(DS.get()), Expected[800]);
  EXPECT_EQ(DS->GetRecNo(), 801);
  EXPECT_LT(DS->CompareBookmarks(BookmarkOf(Expected[3]), BookmarkOf(Expected[4])), 0);
  EXPECT_GT(DS->CompareBookmarks(BookmarkOf(Expected[1200]), BookmarkOf(Expected[40])), 0);
  ASSERT_TRUE(DS->Locate("amount", 700.0, {}));
  EXPECT_EQ(Id(DS.get()), 1400);
  EXPECT_EQ(Expected[std::size_t(DS->GetRecNo() - 1)], 1400);
  EXPECT_NO_THROW(DS->CheckConsistency());
}

// A pass over every row with the controls disabled (footer totals) reads in
// large chunks; the rows and their numbers are those of the order all the same.
TEST_F(TSQLiteOrder, AWalkWithTheControlsDisabledSeesEveryRowOnceInOrder) {
  Open(5000, "amount", "amount", 64 << 10);
  const std::vector<Int64> Expected = SQLiteOrder(Db.File, "amount DESC, id");
  std::vector<Int64> Seen;
  DS->DisableControls();
  const Int64 RunsBefore = DS->GetReadRuns();
  for (DS->First(); !DS->GetEof(); DS->Next()) {
    Seen.push_back(Id(DS.get()));
    ASSERT_EQ(DS->GetRecNo(), Integer(Seen.size()));
  }
  const Int64 Runs = DS->GetReadRuns() - RunsBefore;
  DS->EnableControls();
  EXPECT_EQ(Seen, Expected);
  EXPECT_LE(Runs, 12) << "reads for 5000 rows";
  DS->Last();
  EXPECT_EQ(Id(DS.get()), Expected.back());
  DS->MoveBy(-4000);
  EXPECT_EQ(Id(DS.get()), Expected[999]);
}

// A footer total over a sorted grid: a walk with the controls disabled reads
// the same rows, numbers and values as one with them enabled, whatever it
// reads (order fields or others, NULLs first, descending fields), while the
// rows it holds stay within the byte budget however long the table.
TEST_F(TSQLiteOrder, AWalkWithTheControlsDisabledReadsWhatAnEnabledWalkReads) {
  Open(9000, "grp;name", "name", 48 << 10);
  const std::vector<Int64> Expected = SQLiteOrder(Db.File, "grp, name DESC, id");
  struct TSeen {
    std::vector<Int64> Ids;
    std::vector<Integer> RecNos;
    double Sum = 0;
    Integer Nulls = 0;
  };
  auto Pass = [&](bool Disabled) {
    TSeen Seen;
    if (Disabled) DS->DisableControls();
    std::size_t MostBytes = 0;
    for (DS->First(); !DS->GetEof(); DS->Next()) {
      Seen.Ids.push_back(Id(DS.get()));
      Seen.RecNos.push_back(DS->GetRecNo());
      Seen.Sum += DS->FieldByName("amount")->GetAsFloat();
      if (DS->FieldByName("grp")->IsNull()) ++Seen.Nulls;
      MostBytes = std::max(MostBytes, DS->GetCachedBytes());
    }
    if (Disabled) DS->EnableControls();
    EXPECT_LE(MostBytes, std::size_t(48 << 10));
    return Seen;
  };
  const TSeen Off = Pass(true);
  const TSeen On = Pass(false);
  EXPECT_EQ(Off.Ids, Expected);
  EXPECT_EQ(On.Ids, Expected);
  std::vector<Integer> Numbers(Expected.size());
  for (std::size_t I = 0; I < Numbers.size(); ++I) Numbers[I] = Integer(I) + 1;
  EXPECT_EQ(Off.RecNos, Numbers);
  EXPECT_EQ(On.RecNos, Numbers);
  EXPECT_DOUBLE_EQ(Off.Sum, 9000.0 * 9001.0 / 4.0);
  EXPECT_DOUBLE_EQ(On.Sum, Off.Sum);
  EXPECT_EQ(Off.Nulls, 9000 / 7);
  EXPECT_EQ(On.Nulls, Off.Nulls);
}

// Texts and blobs come out of a walk with the controls disabled as they are
// stored: short and long ones (a long one is read from the table when
// asked), empty ones and NULLs, through chunks that end within a text key.
TEST_F(TSQLiteOrder, AWalkWithTheControlsDisabledReadsTextsAndBlobsAsStored) {
  MakeItems(Db.File, 3000);
  RunSQL(Db.File,
         "ALTER TABLE items ADD COLUMN note TEXT; ALTER TABLE items ADD COLUMN data BLOB;"
         "UPDATE items SET note = CASE WHEN id % 50 = 0 THEN printf('%.*c', 5000, 'x') || id "
         "WHEN id % 11 = 0 THEN '' WHEN id % 13 = 0 THEN NULL ELSE 'note ' || id END, "
         "data = CASE WHEN id % 9 = 0 THEN NULL ELSE CAST('b' || (id * 7) AS BLOB) END;");
  DS.reset(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(Db.File);
  DS->SetTableName("items");
  DS->SetCacheLimit(48 << 10);
  DS->SetIndexFieldNames("name;amount");
  DS->SetDescFields("name");
  Source->SetDataSet(DS.get());
  Link->SetDataSource(Source.get());
  Link->SetBufferCount(17);
  DS->Open();
  using TRow = std::tuple<Int64, String, bool, String, bool, double>;
  auto Pass = [&](bool Disabled) {
    std::vector<TRow> Rows;
    if (Disabled) DS->DisableControls();
    for (DS->First(); !DS->GetEof(); DS->Next()) {
      TField* Note = DS->FieldByName("note");
      TField* Data = DS->FieldByName("data");
      Rows.emplace_back(Id(DS.get()), Note->GetAsString(), Note->IsNull(), Data->GetAsString(),
                        Data->IsNull(), DS->FieldByName("amount")->GetAsFloat());
    }
    if (Disabled) DS->EnableControls();
    return Rows;
  };
  const std::vector<TRow> Off = Pass(true);
  const std::vector<TRow> On = Pass(false);
  const std::vector<Int64> Expected = SQLiteOrder(Db.File, "name DESC, amount, id");
  ASSERT_EQ(Off.size(), Expected.size());
  EXPECT_EQ(Off, On);
  for (std::size_t I = 0; I < Off.size(); ++I) {
    const auto& [RowId, Note, NoteNull, Data, DataNull, Amount] = Off[I];
    ASSERT_EQ(RowId, Expected[I]) << "row " << I;
    if (RowId % 50 == 0)
      EXPECT_EQ(Note, String(5000, 'x') + IntToStr(Integer(RowId)));
    else if (RowId % 11 == 0)
      EXPECT_TRUE(Note.empty() && !NoteNull) << RowId;
    else if (RowId % 13 == 0)
      EXPECT_TRUE(NoteNull) << RowId;
    else
      EXPECT_EQ(Note, "note " + IntToStr(Integer(RowId)));
    EXPECT_EQ(DataNull, RowId % 9 == 0) << RowId;
    if (!DataNull) {
      EXPECT_EQ(Data, "b" + IntToStr(Integer(RowId * 7)));
    }
    EXPECT_EQ(Amount, double(RowId) * 0.5);
  }
}

// A walk that stops part way and goes on with the controls enabled stands on
// the right row and moves both ways from it.
TEST_F(TSQLiteOrder, AWalkStoppedPartWayGoesOnFromItsRow) {
  Open(6000, "amount", "amount", 32 << 10);
  const std::vector<Int64> Expected = SQLiteOrder(Db.File, "amount DESC, id");
  DS->DisableControls();
  DS->First();
  for (Integer I = 0; I < 4321; ++I) DS->Next();
  ASSERT_EQ(Id(DS.get()), Expected[4321]);
  DS->EnableControls();
  EXPECT_EQ(Id(DS.get()), Expected[4321]);
  EXPECT_EQ(DS->GetRecNo(), 4322);
  DS->Prior();
  EXPECT_EQ(Id(DS.get()), Expected[4320]);
  DS->MoveBy(2);
  EXPECT_EQ(Id(DS.get()), Expected[4322]);
  EXPECT_EQ(DS->GetRecNo(), 4323);
  // Disabled again, on to the end from here.
  DS->DisableControls();
  std::vector<Int64> Rest;
  for (; !DS->GetEof(); DS->Next()) Rest.push_back(Id(DS.get()));
  DS->EnableControls();
  EXPECT_EQ(Rest, std::vector<Int64>(Expected.begin() + 4322, Expected.end()));
  EXPECT_NO_THROW(DS->CheckConsistency());
}

// Another program writes while a sorted walk is under way: the walk goes on
// after the row it stands on through the rows as the file holds them then,
// each once: a row inserted ahead is met, one deleted ahead is not, one moved
// from ahead to behind is not met again and one moved from behind to ahead is.
TEST_F(TSQLiteOrder, AWriteByAnotherProgramDuringASortedWalkIsSeenAndNothingTwice) {
  Open(8000, "amount", "", 32 << 10);
  DS->DisableControls();
  std::vector<Int64> Seen;
  DS->First();
  for (; !DS->GetEof() && Seen.size() < 1500; DS->Next()) Seen.push_back(Id(DS.get()));
  ASSERT_FALSE(DS->GetEof());
  const double Here = DS->FieldByName("amount")->GetAsFloat();
  const Int64 HereId = Id(DS.get());
  RunSQL(Db.File,
         "DELETE FROM items WHERE id = 7000;"
         "INSERT INTO items VALUES (9001, 'ahead', 1, 3000.25);"
         "INSERT INTO items VALUES (9002, 'behind', 1, 0.25);"
         "UPDATE items SET amount = 1.75 WHERE id = 6000;"
         "UPDATE items SET amount = 3500.75 WHERE id = 20;");
  const std::vector<Int64> Ahead =
      SQLiteOrder(Db.File, "amount, id",
                  "amount > " + String(std::to_string(Here)) + " OR (amount = " + String(std::to_string(Here)) +
                      " AND id > " + IntToStr(HereId) + ")");
  for (; !DS->GetEof(); DS->Next()) Seen.push_back(Id(DS.get()));
  DS->EnableControls();
  std::vector<Int64> Expected(Seen.begin(), Seen.begin() + 1500);
  Expected.push_back(HereId);
  Expected.insert(Expected.end(), Ahead.begin(), Ahead.end());
  EXPECT_EQ(Seen, Expected);
  EXPECT_EQ(std::count(Seen.begin(), Seen.end(), 9001), 1);
  EXPECT_EQ(std::count(Seen.begin(), Seen.end(), 7000), 0);
  EXPECT_EQ(std::count(Seen.begin(), Seen.end(), 6000), 0);
  EXPECT_EQ(std::count(Seen.begin(), Seen.end(), 20), 2);
}

// Many more rows than a chunk holds, added by another program past every key
// the walk knew of when it started, are all met, in order.
TEST_F(TSQLiteOrder, RowsAnotherProgramAddsBeyondTheEndDuringAWalkAreAllMet) {
  Open(3000, "amount", "", 32 << 10);
  DS->DisableControls();
  std::vector<Int64> Seen;
  DS->First();
  for (; !DS->GetEof() && Seen.size() < 1000; DS->Next()) Seen.push_back(Id(DS.get()));
  RunSQL(Db.File,
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 6000) "
         "INSERT INTO items SELECT 5000 + i, 'late', 1, 9000 - i * 0.25 FROM n;");
  for (; !DS->GetEof(); DS->Next()) Seen.push_back(Id(DS.get()));
  DS->EnableControls();
  EXPECT_EQ(Seen, SQLiteOrder(Db.File, "amount, id"));
}

// A large table, its row ids with a wide gap and its keys with many ties:
// the walk still meets every row once, in order, with its number.
TEST_F(TSQLiteOrder, AWalkOverALargeTableWithGapsInItsRowIdsMeetsEveryRowInOrder) {
  Open(100000, "name;grp", "grp", 256 << 10);
  RunSQL(Db.File, "DELETE FROM items WHERE id BETWEEN 20000 AND 50000;"
                  "UPDATE items SET id = id + 1000000 WHERE id > 95000;");
  DS->Refresh();
  const std::vector<Int64> Expected = SQLiteOrder(Db.File, "name, grp DESC, id");
  DS->DisableControls();
  std::vector<Int64> Seen;
  bool Numbered = true;
  for (DS->First(); !DS->GetEof(); DS->Next()) {
    Seen.push_back(Id(DS.get()));
    Numbered = Numbered && DS->GetRecNo() == Integer(Seen.size());
  }
  DS->EnableControls();
  EXPECT_EQ(Seen, Expected);
  EXPECT_TRUE(Numbered);
}

TEST_F(TSQLiteOrder, AnUnknownFieldIsRefusedAndTheOrderInForceKept) {
  Open(50, "grp");
  DS->SetRecNo(20);
  const Int64 Current = Id(DS.get());
  EXPECT_THROW(DS->SetIndexFieldNames("grp;nosuch"), EDatabaseError);
  EXPECT_THROW(DS->SetDescFields("nosuch"), EDatabaseError);
  EXPECT_EQ(DS->GetIndexFieldNames(), "grp");
  EXPECT_EQ(DS->GetDescFields(), "");
  EXPECT_EQ(Id(DS.get()), Current);
  EXPECT_EQ(Walk(DS.get()), SQLiteOrder(Db.File, "grp, id"));
  // Given before opening, the unknown name stops the opening.
  DS->Close();
  DS->SetIndexFieldNames("nosuch");
  EXPECT_THROW(DS->Open(), EDatabaseError);
}

TEST_F(TSQLiteOrder, ChangingTheOrderStaysOnTheRecordAndSendsOneChange) {
  Open(300, "");
  DS->SetRecNo(123);
  Integer Changes = 0;
  Source->OnDataChange = [&](TObject*, TField*) { ++Changes; };
  DS->SetOrderFields("name;amount", "amount");
  EXPECT_EQ(Id(DS.get()), 123);
  const std::vector<Int64> Expected = SQLiteOrder(Db.File, "name, amount DESC, id");
  EXPECT_EQ(Expected[std::size_t(DS->GetRecNo() - 1)], 123);
  EXPECT_EQ(Changes, 1);
  EXPECT_NO_THROW(DS->CheckConsistency());
}

TEST_F(TSQLiteOrder, AnEditedRowMovesToItsPlaceAndIsFoundAgain) {
  Open(400, "amount", "", 6 << 10);
  DS->SetRecNo(10);
  const Int64 Moved = Id(DS.get());
  DS->Edit();
  DS->FieldByName("amount")->SetAsFloat(1000.25);  // past every other row
  DS->Post();
  EXPECT_EQ(Id(DS.get()), Moved);
  EXPECT_EQ(DS->GetRecNo(), 400);
  EXPECT_EQ(Walk(DS.get()), SQLiteOrder(Db.File, "amount, id"));
  // An edit that keeps the order keeps the row where it is.
  DS->SetRecNo(50);
  const Int64 Stays = Id(DS.get());
  DS->Edit();
  DS->FieldByName("name")->SetAsString("renamed");
  DS->Post();
  EXPECT_EQ(Id(DS.get()), Stays);
  EXPECT_EQ(DS->GetRecNo(), 50);
  EXPECT_EQ(DS->GetState(), dsBrowse);
  EXPECT_TRUE(DS->GetCanModify());
}

TEST_F(TSQLiteOrder, InsertedRowsStayWherePutUntilRefreshAndFiltersApply) {
  Open(300, "grp;name");
  DS->SetRecNo(100);
  const Int64 At = Id(DS.get());
  DS->Insert();
  DS->FieldByName("name")->SetAsString("zz");
  DS->FieldByName("grp")->SetAsInteger(3);
  DS->Post();
  const Int64 New = Id(DS.get());
  EXPECT_EQ(DS->GetRecNo(), 100);
  EXPECT_EQ(DS->GetRecordCount(), 301);
  DS->Next();
  EXPECT_EQ(Id(DS.get()), At);
  DS->Refresh();
  std::vector<Int64> Expected = SQLiteOrder(Db.File, "grp, name, id");
  EXPECT_EQ(Walk(DS.get()), Expected);
  EXPECT_EQ(Expected.back(), New) << "(3, 'zz') sorts last";
  // A filter selects within the order.
  DS->SetFilter("grp = 1");
  DS->SetFiltered(true);
  Expected = SQLiteOrder(Db.File, "grp, name, id", "grp = 1");
  EXPECT_EQ(Walk(DS.get()), Expected);
  EXPECT_EQ(DS->GetRecordCount(), Integer(Expected.size()));
  DS->Last();
  EXPECT_EQ(DS->GetRecNo(), Integer(Expected.size()));
  // Deleting leaves the cursor on the next row.
  DS->SetRecNo(5);
  DS->Delete();
  Expected.erase(Expected.begin() + 4);
  EXPECT_EQ(Id(DS.get()), Expected[4]);
  EXPECT_EQ(DS->GetRecNo(), 5);
  EXPECT_EQ(Walk(DS.get()), Expected);
}

// A grid sorted by name with a footer total (a walk with the controls
// disabled) takes pasted names longer than the cache keeps with a row: a
// name of 25 bytes under a cache of 384 bytes, one of 100,000 bytes under
// the usual cache. Each posted row takes its place by its whole name, and
// Refresh finds it again there.
TEST_F(TSQLiteOrder, ALongPastedNameInATableSortedByNameTakesItsPlaceAndIsFoundAfterRefresh) {
  for (const std::size_t Cache : {std::size_t(384), std::size_t(8 << 20)}) {
    SCOPED_TRACE("cache of " + IntToStr(Integer(Cache)) + " bytes");
    TearDown();
    Link = TDataLink::Create();
    Source.reset(TDataSource::Create(nullptr));
    RunSQL(Db.File, "DROP TABLE IF EXISTS items");
    Open(60, "name", "", Cache);
    const String Pasted = Cache < 1024 ? String("n5 a pasted name, 25 byte") : String(100000, 'n');
    auto Footer = [&] {
      TDisableControlsGuard Hold(DS.get());
      double Sum = 0;
      for (DS->First(); !DS->GetEof(); DS->Next()) Sum += DS->FieldByName("amount")->GetAsFloat();
      return Sum;
    };
    const double Total = Footer();
    DS->SetRecNo(20);
    const Int64 Edited = Id(DS.get());
    DS->Edit();
    DS->FieldByName("name")->SetAsString(Pasted);
    DS->Post();
    EXPECT_EQ(Footer(), Total);
    DS->SetRecNo(7);
    DS->Insert();
    DS->FieldByName("name")->SetAsString(Pasted);
    DS->FieldByName("amount")->SetAsFloat(0.25);
    DS->Post();
    const Int64 Inserted = Id(DS.get());
    EXPECT_EQ(DS->GetRecNo(), 7) << "an inserted row stays where it was put";
    DS->SetRecNo(30);
    DS->Refresh();
    const std::vector<Int64> Expected = SQLiteOrder(Db.File, "name, id");
    EXPECT_EQ(Walk(DS.get()), Expected);
    for (const Int64 Row : {Edited, Inserted}) {
      DS->GotoBookmark(BookmarkOf(Row));
      EXPECT_EQ(Id(DS.get()), Row);
      EXPECT_EQ(DS->FieldByName("name")->GetAsString(), Pasted);
      EXPECT_EQ(Expected[std::size_t(DS->GetRecNo() - 1)], Row);
      DS->Refresh();  // stays on the row, found by its whole name
      EXPECT_EQ(Id(DS.get()), Row);
    }
    EXPECT_EQ(DS->CompareBookmarks(BookmarkOf(Edited), BookmarkOf(Inserted)) < 0, Edited < Inserted);
    EXPECT_NO_THROW(DS->CheckConsistency());
  }
}

// A row added outside the filter with a long name stays shown where it was
// put; sorting the grid by name then drops it and goes on where its name
// stands among the rows the filter passes.
TEST_F(TSQLiteOrder, SortingByNameFromARowOutsideTheFilterGoesOnWhereItsLongNameStands) {
  Open(60, "", "", 384);
  DS->SetFilter("amount > 5");
  DS->SetFiltered(true);
  DS->SetRecNo(10);
  DS->Insert();
  const String Name = "n4, a name longer than the cache keeps";
  DS->FieldByName("name")->SetAsString(Name);
  DS->FieldByName("amount")->SetAsFloat(1);
  DS->Post();
  const Int64 Outside = Id(DS.get());
  EXPECT_EQ(DS->GetRecNo(), 10);
  DS->SetIndexFieldNames("name");
  const std::vector<Int64> Expected = SQLiteOrder(Db.File, "name, id", "amount > 5");
  const std::vector<Int64> After =
      SQLiteOrder(Db.File, "name, id", "amount > 5 AND (name > '" + Name + "' OR (name = '" + Name +
                                           "' AND id > " + IntToStr(Integer(Outside)) + "))");
  ASSERT_FALSE(After.empty());
  EXPECT_EQ(Id(DS.get()), After.front());
  EXPECT_EQ(Walk(DS.get()), Expected);
}

// Random jumps, walks and changes with a window of a few kilobytes, checked
// against a model: the rows as SQLite orders them, rows inserted here where
// they were put, rows edited to a new key moved to it.
TEST_F(TSQLiteOrder, RandomNavigationAndChangesMatchAModelOfTheRows) {
  Open(1500, "grp;name", "name", 6 << 10);
  std::vector<Int64> Model = SQLiteOrder(Db.File, "grp, name DESC, id");
  std::map<Int64, std::tuple<bool, Integer, String>> Keys;  // id -> grp is null, grp, name
  {
    sqlite3* DB = nullptr;
    sqlite3_open(Db.File.c_str(), &DB);
    sqlite3_stmt* Stmt = nullptr;
    sqlite3_prepare_v2(DB, "SELECT id, grp, name FROM items", -1, &Stmt, nullptr);
    while (sqlite3_step(Stmt) == SQLITE_ROW)
      Keys[sqlite3_column_int64(Stmt, 0)] = {
          sqlite3_column_type(Stmt, 1) == SQLITE_NULL, sqlite3_column_int(Stmt, 1),
          reinterpret_cast<const char*>(sqlite3_column_text(Stmt, 2))};
    sqlite3_finalize(Stmt);
    sqlite3_close(DB);
  }
  std::vector<Int64> Placed;
  auto Before = [&](Int64 A, Int64 B) {  // A's key before B's
    const auto& [NullA, GrpA, NameA] = Keys[A];
    const auto& [NullB, GrpB, NameB] = Keys[B];
    if (NullA != NullB) return NullA;
    if (!NullA && GrpA != GrpB) return GrpA < GrpB;
    if (NameA != NameB) return NameA > NameB;
    return A < B;
  };
  std::mt19937 Random(4242);
  auto Pick = [&](Integer N) { return Integer(Random() % unsigned(N)); };
  for (Integer Step = 0; Step < 300; ++Step) {
    const Integer Op = Pick(11);
    SCOPED_TRACE("step " + IntToStr(Step) + ", operation " + IntToStr(Op));
    if (Op == 0) {
      DS->First();
    } else if (Op == 1) {
      DS->Last();
    } else if (Op <= 3) {
      DS->MoveBy(Pick(801) - 400);
    } else if (Op == 4) {
      DS->SetRecNo(1 + Pick(Integer(Model.size())));
    } else if (Op == 5) {
      DS->GotoBookmark(BookmarkOf(Model[std::size_t(Pick(Integer(Model.size())))]));
    } else if (Op == 6 && Model.size() > 10) {
      const Integer At = DS->GetRecNo() - 1;
      DS->Delete();
      Model.erase(Model.begin() + At);
    } else if (Op == 7) {
      const Integer At = DS->GetRecNo() - 1;
      DS->Insert();
      DS->FieldByName("name")->SetAsString("new");
      DS->FieldByName("grp")->SetAsInteger(Pick(4));
      DS->Post();
      Model.insert(Model.begin() + At, Id(DS.get()));
      Placed.push_back(Id(DS.get()));
    } else if (Op == 8) {
      DS->Append();
      DS->FieldByName("name")->SetAsString("end");
      DS->Post();
      Model.push_back(Id(DS.get()));
      Placed.push_back(Id(DS.get()));
    } else {
      // A new key for a row read from the table: it moves to its place
      // after the last row read from the table that comes before it.
      const Int64 Row = Id(DS.get());
      if (std::count(Placed.begin(), Placed.end(), Row)) continue;
      const Integer Grp = Pick(5);
      const String Name = "n" + IntToStr(Pick(10));
      DS->Edit();
      if (Grp == 4)
        DS->FieldByName("grp")->Clear();
      else
        DS->FieldByName("grp")->SetAsInteger(Grp);
      DS->FieldByName("name")->SetAsString(Name);
      DS->Post();
      Keys[Row] = {Grp == 4, Grp, Name};
      Model.erase(std::find(Model.begin(), Model.end(), Row));
      std::size_t At = 0;
      for (std::size_t I = 0; I < Model.size(); ++I)
        if (!std::count(Placed.begin(), Placed.end(), Model[I]) && Before(Model[I], Row))
          At = I + 1;
      Model.insert(Model.begin() + std::ptrdiff_t(At), Row);
      ASSERT_EQ(Id(DS.get()), Row) << "the edited row is found again";
    }
    ASSERT_FALSE(DS->IsEmpty());
    const Integer RecNo = DS->GetRecNo();
    ASSERT_GE(RecNo, 1);
    ASSERT_LE(RecNo, Integer(Model.size()));
    ASSERT_EQ(Id(DS.get()), Model[std::size_t(RecNo - 1)]) << "at record " << RecNo;
    ASSERT_EQ(DS->GetRecordCount(), Integer(Model.size()));
    ASSERT_NO_THROW(DS->CheckConsistency());
    const Integer Active = Link->GetActiveRecord();
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      ASSERT_EQ(Id(DS.get()), Model[std::size_t(DS->GetRecNo() - 1)]);
    }
    Link->SetActiveRecord(Active);
  }
  DS->Refresh();
  EXPECT_EQ(Walk(DS.get()), SQLiteOrder(Db.File, "grp, name DESC, id"));
}

TEST_F(TSQLiteOrder, OnFilterRecordRowsAreNumberedInTheOrder) {
  Open(400, "name", "name", 4 << 10);
  DS->OnFilterRecord = [](TDataSet* D, bool& Accept) {
    Accept = D->FieldByName("grp")->GetAsInteger() == 2;
  };
  DS->SetFiltered(true);
  const std::vector<Int64> Expected = SQLiteOrder(Db.File, "name DESC, id", "grp = 2");
  EXPECT_EQ(Walk(DS.get()), Expected);
  EXPECT_EQ(WalkBack(DS.get()), Expected);
  DS->SetRecNo(50);
  EXPECT_EQ(Id(DS.get()), Expected[49]);
  DS->GotoBookmark(BookmarkOf(Expected[70]));
  EXPECT_EQ(DS->GetRecNo(), 71);
}

// Text columns sort by their collation, as SQLite sorts them.
TEST(SQLiteOrderCollation, ACaseBlindColumnSortsWithoutCaseAndTiesByRowId) {
  TTempDatabase Db{"order_nocase"};
  RunSQL(Db.File,
         "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT COLLATE NOCASE, tail TEXT "
         "COLLATE RTRIM);"
         "INSERT INTO items (name, tail) VALUES ('b', 'x'), ('A', 'x  '), ('a', 'w'), ('B', "
         "'x '), ('c', 'w '), ('_', 'y');");
  TObjectPtr<TSQLiteDataSet> DS{TSQLiteDataSet::Create(nullptr)};
  DS->SetDatabaseName(Db.File);
  DS->SetTableName("items");
  DS->SetIndexFieldNames("name");
  DS->Open();
  EXPECT_EQ(Walk(DS.get()), SQLiteOrder(Db.File, "name, id"));
  DS->SetRecNo(4);
  EXPECT_EQ(Id(DS.get()), SQLiteOrder(Db.File, "name, id")[3]);
  EXPECT_GT(DS->CompareBookmarks(BookmarkOf(4), BookmarkOf(3)), 0) << "'B' after 'a'";
  EXPECT_LT(DS->CompareBookmarks(BookmarkOf(2), BookmarkOf(3)), 0) << "'A' before 'a' by id";
  DS->SetIndexFieldNames("tail");
  EXPECT_EQ(Walk(DS.get()), SQLiteOrder(Db.File, "tail, id"));
  // A walk with the controls disabled sorts the same way.
  for (const char* Order : {"name", "tail"}) {
    DS->SetIndexFieldNames(Order);
    DS->DisableControls();
    const std::vector<Int64> Ids = Walk(DS.get());
    DS->EnableControls();
    EXPECT_EQ(Ids, SQLiteOrder(Db.File, String(Order) + ", id")) << Order;
  }
  DS->Last();
  EXPECT_EQ(DS->GetRecNo(), 6);
  // A query is read in the order too.
  DS->Close();
  DS->SetTableName("");
  DS->SetSQL("SELECT id, name FROM items WHERE id > 1");
  DS->SetIndexFieldNames("name;id");
  DS->SetDescFields("name");
  DS->Open();
  EXPECT_EQ(Walk(DS.get()), SQLiteOrder(Db.File, "name DESC, id", "id > 1"));
}

TEST(SQLiteOrderKeyed, ATableWithoutRowIdsIsOrderedWithItsKeyBreakingTies) {
  TTempDatabase Db{"order_keyed"};
  RunSQL(Db.File,
         "CREATE TABLE pairs (a INTEGER, b TEXT, v TEXT, PRIMARY KEY (a, b)) WITHOUT ROWID;"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
         "INSERT INTO pairs SELECT i % 13, 'k' || i, CASE WHEN i % 5 = 0 THEN NULL ELSE "
         "'v' || (i % 3) END FROM n;");
  TObjectPtr<TSQLiteDataSet> DS{TSQLiteDataSet::Create(nullptr)};
  DS->SetDatabaseName(Db.File);
  DS->SetTableName("pairs");
  DS->SetIndexFieldNames("v");
  DS->SetDescFields("v");
  DS->Open();
  std::vector<String> Shown;
  for (DS->First(); !DS->GetEof(); DS->Next())
    Shown.push_back(DS->FieldByName("a")->GetAsString() + "/" + DS->FieldByName("b")->GetAsString());
  std::vector<String> Expected;
  sqlite3* DB = nullptr;
  sqlite3_open(Db.File.c_str(), &DB);
  sqlite3_stmt* Stmt = nullptr;
  sqlite3_prepare_v2(DB, "SELECT a || '/' || b FROM pairs ORDER BY v DESC, a, b", -1, &Stmt,
                     nullptr);
  while (sqlite3_step(Stmt) == SQLITE_ROW)
    Expected.push_back(reinterpret_cast<const char*>(sqlite3_column_text(Stmt, 0)));
  sqlite3_finalize(Stmt);
  sqlite3_close(DB);
  EXPECT_EQ(Shown, Expected);
  ASSERT_TRUE(DS->Locate("a;b", VarArrayOf({Variant(Integer(4)), Variant(String("k30"))}), {}));
  DS->Edit();
  DS->FieldByName("v")->SetAsString("edited");
  DS->Post();
  EXPECT_EQ(DS->FieldByName("b")->GetAsString(), "k30");
}

}  // namespace
}  // namespace kvp::test
