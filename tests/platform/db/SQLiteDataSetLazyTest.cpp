// The SQLite dataset's record buffers that hold a row and read its values
// when a field asks: the values read are the row's wherever they come from
// (the walk's run, a cached page, the table), after the reading moved on,
// after the cache dropped the page, after Refresh, while editing and
// inserting, for calculated and lookup fields and OnFilterRecord; a walk with
// the controls disabled leaves the cache alone and the window rules hold.
//
// Ideas for tests: a table of more columns than a byte string page holds in
// one row; a walk that reads a blob column half way.

#include <algorithm>
#include <random>

#include "SQLiteTestUtil.h"
#include "platform/rtl/FloatFormat.h"

namespace kvp::test {
namespace {

// A table "items" of Count rows whose row ids have gaps (every third id
// missing): name "item <id>", grp id % 3, amount id * 0.5.
void MakeItems(const String& File, Integer Count) {
  RunSQL(File,
         "CREATE TABLE items (id INTEGER PRIMARY KEY, name VARCHAR(40), grp INTEGER, amount REAL);"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
             IntToStr(Count * 3 / 2 + 2) +
             ") INSERT INTO items SELECT i, 'item ' || i, i % 3, i * 0.5 FROM n WHERE i % 3 <> 2 "
             "LIMIT " +
             IntToStr(Count) + ";");
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

struct TSQLiteLazy : ::testing::Test {
  TTempDatabase Db{"lazy"};
  TObjectPtr<TSQLiteDataSet> DS;
  TObjectPtr<TDataSource> Source{TDataSource::Create(nullptr)};
  TLog Log;
  TRecordingLink* Link = new TRecordingLink(&Log);

  void Make(Integer Rows) {
    MakeItems(Db.File, Rows);
    DS.reset(TSQLiteDataSet::Create(nullptr));
    DS->SetName("Items");
    DS->SetDatabaseName(Db.File);
    DS->SetTableName("items");
  }
  void Open(Integer Rows, Integer Buffers = 29, std::size_t CacheLimit = 8 << 20) {
    Make(Rows);
    DS->SetCacheLimit(CacheLimit);
    Source->SetDataSet(DS.get());
    Link->SetDataSource(Source.get());
    Link->SetBufferCount(Buffers);
    DS->Open();
  }
  void TearDown() override {
    Link->Free();
    Source.reset();
    DS.reset();
  }
  Int64 Id() const { return DS->FieldByName("id")->GetAsLargeInt(); }
  // What the link's rows show: "id:name:grp:amount" a row, read as a grid
  // paints them (every field's display text, row by row).
  std::vector<String> ShownRows() {
    std::vector<String> Rows;
    const Integer Active = Link->GetActiveRecord();
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      String Row;
      for (TField* Field : *DS->GetFields())
        Row += (Field->GetIndex() == 0 ? "" : ":") + Field->GetDisplayText();
      Rows.push_back(Row);
    }
    Link->SetActiveRecord(Active);
    return Rows;
  }
};

// The row as stored, in ShownRows' form.
String Expected(Int64 Id, const String& Name = String()) {
  return IntToStr(Id) + ":" + (Name.empty() ? "item " + IntToStr(Id) : Name) + ":" +
         IntToStr(Id % 3) + ":" + FloatToStr(Id * 0.5);
}

std::vector<String> ExpectedRows(const std::vector<Int64>& Ids, std::size_t From,
                                 std::size_t Count) {
  std::vector<String> Rows;
  for (std::size_t I = From; I < From + Count && I < Ids.size(); ++I)
    Rows.push_back(Expected(Ids[I]));
  return Rows;
}

TEST_F(TSQLiteLazy, AWalkWithTheControlsDisabledReadsEveryRowAndLeavesTheCacheAlone) {
  Open(20000);
  const std::vector<Int64> Ids = StoredIds(Db.File);
  EXPECT_EQ(ShownRows(), ExpectedRows(Ids, 0, 29));
  const Integer Cached = DS->GetCachedCount();
  Log.clear();
  // [1] The walk: amount on every row, the name on every 97th.
  Integer Walked = 0;
  Double Sum = 0;
  {
    TDisableControlsGuard Guard(DS.get());
    for (DS->First(); !DS->GetEof(); DS->Next()) {
      ASSERT_EQ(DS->GetRecNo(), Walked + 1);
      Sum += DS->FieldByName("amount")->GetAsFloat();
      if (Walked % 97 == 0) {
        ASSERT_EQ(DS->FieldByName("name")->GetAsString(), "item " + IntToStr(Ids[Walked]));
      }
      ++Walked;
    }
    EXPECT_LE(DS->GetCachedCount(), Cached) << "rows walked past are not cached";
  }
  Double Stored = 0;
  for (Int64 I : Ids) Stored += I * 0.5;
  EXPECT_EQ(Walked, 20000);
  EXPECT_EQ(Sum, Stored);
  EXPECT_EQ(Join(Log), "DataSetChanged") << "one change when the controls come back";
  // [2] The window holds the last rows, read after the walk moved on.
  EXPECT_EQ(ShownRows(), ExpectedRows(Ids, 20000 - 29, 29));
  EXPECT_EQ(DS->GetRecNo(), 20000);
  EXPECT_TRUE(DS->GetEof());
  EXPECT_NO_THROW(DS->CheckConsistency());
  // [3] Back up from the end: the rows before the window and their numbers.
  DS->MoveBy(-40);
  EXPECT_EQ(Id(), Ids[20000 - 41]);
  EXPECT_EQ(DS->GetRecNo(), 20000 - 40);
  EXPECT_EQ(ShownRows(), ExpectedRows(Ids, 20000 - 41, 29));
  EXPECT_NO_THROW(DS->CheckConsistency());
}

TEST_F(TSQLiteLazy, AColumnFirstReadHalfWayThroughAWalkIsTheRowsOwn) {
  Open(6000, 1);
  const std::vector<Int64> Ids = StoredIds(Db.File);
  TDisableControlsGuard Guard(DS.get());
  Integer Row = 0;
  for (DS->First(); !DS->GetEof(); DS->Next(), ++Row) {
    ASSERT_EQ(Id(), Ids[Row]);
    if (Row >= 3000) {
      ASSERT_EQ(DS->FieldByName("name")->GetAsString(), "item " + IntToStr(Ids[Row]));
    }
    if (Row >= 4500) {
      ASSERT_EQ(DS->FieldByName("grp")->GetAsInteger(), Ids[Row] % 3);
    }
  }
  EXPECT_EQ(Row, 6000);
  EXPECT_LT(DS->GetReadCount(), 6000 + 2 * 4096) << "a new column reads the run again, no more";
}

TEST_F(TSQLiteLazy, ValuesNotReadYetComeFromTheTableWhenTheCacheDroppedTheirPage) {
  Open(5000, 29, 16 << 10);
  const std::vector<Int64> Ids = StoredIds(Db.File);
  // Nothing has read the window's values; a search through the whole table
  // (with the controls enabled, through the cache) pushes its page out.
  EXPECT_EQ(DS->Lookup("id", Ids.back(), "name").AsString(), "item " + IntToStr(Ids.back()));
  EXPECT_LT(DS->GetCachedCount(), 2000);
  EXPECT_EQ(ShownRows(), ExpectedRows(Ids, 0, 29));
  EXPECT_EQ(DS->GetRecNo(), 1);
}

TEST_F(TSQLiteLazy, RefreshShowsRowsChangedElsewhereWhateverWasReadBefore) {
  Open(200, 10);
  const std::vector<Int64> Ids = StoredIds(Db.File);
  DS->MoveBy(3);
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "item " + IntToStr(Ids[3]));
  RunSQL(Db.File, "UPDATE items SET name = 'changed', amount = 1.25 WHERE id IN (" +
                      IntToStr(Ids[3]) + ", " + IntToStr(Ids[7]) + ")");
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "item " + IntToStr(Ids[3]))
      << "a value read stays until Refresh";
  DS->Refresh();
  std::vector<String> Want = ExpectedRows(Ids, 0, 10);
  Want[3] = IntToStr(Ids[3]) + ":changed:" + IntToStr(Ids[3] % 3) + ":1.25";
  Want[7] = IntToStr(Ids[7]) + ":changed:" + IntToStr(Ids[7] % 3) + ":1.25";
  EXPECT_EQ(ShownRows(), Want);
  EXPECT_EQ(DS->GetRecNo(), 4);
}

TEST_F(TSQLiteLazy, EditingARecordNotReadYetKeepsItsOldValuesAndWritesOnlyTheChange) {
  Open(300, 12);
  const std::vector<Int64> Ids = StoredIds(Db.File);
  const std::vector<String> Before = StoredRows(Db.File, "items");
  // [1] Edit a record no field has read, change one value, post.
  DS->MoveBy(5);
  DS->Edit();
  DS->FieldByName("amount")->SetAsFloat(99.5);
  EXPECT_EQ(DS->FieldByName("name")->GetOldValue().AsString(), "item " + IntToStr(Ids[5]));
  EXPECT_EQ(DS->FieldByName("amount")->GetOldValue().AsDouble(), Ids[5] * 0.5);
  DS->Post();
  std::vector<String> After = Before;
  After[5] = "integer " + IntToStr(Ids[5]) + " | integer " + IntToStr(Ids[5]) + " | text 'item " +
             IntToStr(Ids[5]) + "' | integer " + IntToStr(Ids[5] % 3) +
             " | real 99.5 (0x4058e00000000000)";
  EXPECT_EQ(StoredRows(Db.File, "items"), After);
  // [2] Edit and cancel: the record reads as stored.
  DS->Next();
  DS->Edit();
  DS->FieldByName("name")->SetAsString("not kept");
  DS->Cancel();
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "item " + IntToStr(Ids[6]));
  // [3] Insert between records no field has read: the new record is empty,
  // its neighbours read as stored, before and after Cancel.
  DS->Refresh();
  DS->Insert();
  EXPECT_TRUE(DS->FieldByName("name")->IsNull());
  std::vector<String> Shown = ShownRows();
  std::vector<String> Want = ExpectedRows(Ids, 0, 12);
  Want[5] = IntToStr(Ids[5]) + ":item " + IntToStr(Ids[5]) + ":" + IntToStr(Ids[5] % 3) + ":99.5";
  Want.insert(Want.begin() + Link->GetActiveRecord(), ":::");
  Want.pop_back();
  EXPECT_EQ(Shown, Want);
  DS->Cancel();
  Want.erase(Want.begin() + Link->GetActiveRecord());
  Want.push_back(Expected(Ids[11]));
  EXPECT_EQ(ShownRows(), Want);
  EXPECT_NO_THROW(DS->CheckConsistency());
}

TEST_F(TSQLiteLazy, CalculatedAndLookupFieldsReadTheirSourcesDuringAWalk) {
  MakeItems(Db.File, 3000);
  RunSQL(Db.File,
         "CREATE TABLE groups (grp INTEGER PRIMARY KEY, title TEXT);"
         "INSERT INTO groups VALUES (0, 'zero'), (1, 'one'), (2, 'two');");
  TObjectPtr<TSQLiteDataSet> Groups = OpenSQLite(Db.File, "groups");
  DS.reset(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(Db.File);
  DS->SetTableName("items");
  auto Bind = [this](TField* Field, const char* Name) {
    Field->SetFieldName(Name);
    Field->SetDataSet(DS.get());
  };
  Bind(TLargeintField::Create(DS.get()), "id");
  Bind(TStringField::Create(DS.get()), "name");
  Bind(TIntegerField::Create(DS.get()), "grp");
  Bind(TFloatField::Create(DS.get()), "amount");
  TFloatField* Twice = TFloatField::Create(DS.get());
  Twice->SetFieldName("twice");
  Twice->SetFieldKind(fkCalculated);
  Twice->SetDataSet(DS.get());
  TStringField* Title = TStringField::Create(DS.get());
  Title->SetFieldName("title");
  Title->SetFieldKind(fkLookup);
  Title->SetKeyFields("grp");
  Title->SetLookupDataSet(Groups.get());
  Title->SetLookupKeyFields("grp");
  Title->SetLookupResultField("title");
  Title->SetDataSet(DS.get());
  DS->OnCalcFields = [](TDataSet* D) {
    D->FieldByName("twice")->SetAsFloat(D->FieldByName("amount")->GetAsFloat() * 2);
  };
  DS->Open();
  const std::vector<Int64> Ids = StoredIds(Db.File);
  const char* const Titles[] = {"zero", "one", "two"};
  TDisableControlsGuard Guard(DS.get());
  Integer Row = 0;
  for (DS->First(); !DS->GetEof(); DS->Next(), ++Row) {
    ASSERT_EQ(Twice->GetAsFloat(), Double(Ids[Row])) << Row;
    ASSERT_EQ(Title->GetAsString(), Titles[Ids[Row] % 3]) << Row;
  }
  EXPECT_EQ(Row, 3000);
}

TEST_F(TSQLiteLazy, OnFilterRecordSeesEachRowsValuesInAWalk) {
  Make(4000);
  DS->OnFilterRecord = [](TDataSet* D, bool& Accept) {
    Accept = D->FieldByName("name")->GetAsString().back() == '7';
  };
  DS->SetFiltered(true);
  DS->Open();
  const std::vector<Int64> Ids = StoredIds(Db.File, "id % 10 = 7");
  TDisableControlsGuard Guard(DS.get());
  Integer Row = 0;
  for (DS->First(); !DS->GetEof(); DS->Next(), ++Row) {
    ASSERT_EQ(Id(), Ids[Row]);
    ASSERT_EQ(DS->GetRecNo(), Row + 1);
    ASSERT_EQ(DS->FieldByName("amount")->GetAsFloat(), Ids[Row] * 0.5);
  }
  EXPECT_EQ(Row, Integer(Ids.size()));
}

// The window as the links see it: a walk with the controls disabled and
// everything after it follow the same rules as without one.
TEST_F(TSQLiteLazy, TheWindowRulesHoldThroughAndAfterAWalk) {
  Open(1000, 5);
  const std::vector<Int64> Ids = StoredIds(Db.File);
  DS->MoveBy(2);
  TBookmark Marks[3];
  Log.clear();
  {
    TDisableControlsGuard Guard(DS.get());
    Integer Row = 0;
    for (DS->First(); !DS->GetEof(); DS->Next(), ++Row) {
      if (Row == 250) Marks[0] = DS->GetBookmark();
      if (Row == 600) Marks[1] = DS->GetBookmark();
      if (Row == 998) Marks[2] = DS->GetBookmark();
    }
    EXPECT_EQ(DS->MoveBy(1), 0) << "Eof: no move";
  }
  EXPECT_EQ(Join(Log), "DataSetChanged");
  EXPECT_EQ(Link->GetActiveRecord(), 4);
  EXPECT_EQ(ShownRows(), ExpectedRows(Ids, 995, 5));
  Log.clear();
  // [1] Backwards out of the window: one row each.
  for (Integer Step = 0; Step < 6; ++Step) DS->Prior();
  String Steps;
  for (const String& Line : Log)
    if (Line != "CheckBrowseMode") Steps += (Steps.empty() ? "" : ",") + Line;
  EXPECT_EQ(Steps,
            "DataSetScrolled(0),DataSetScrolled(0),DataSetScrolled(0),"
            "DataSetScrolled(0),DataSetScrolled(-1),DataSetScrolled(-1)");
  EXPECT_EQ(DS->GetRecNo(), 994);
  EXPECT_EQ(Id(), Ids[993]);
  EXPECT_FALSE(DS->GetBof());
  // [2] Bookmarks taken in the walk: their rows, numbered, centred.
  const Integer Rows[] = {250, 600, 998};
  for (int I = 0; I < 3; ++I) {
    DS->GotoBookmark(Marks[I]);
    EXPECT_EQ(Id(), Ids[std::size_t(Rows[I])]);
    EXPECT_EQ(DS->GetRecNo(), Rows[I] + 1);
    EXPECT_EQ(ShownRows(), ExpectedRows(Ids, std::size_t(std::min(Rows[I] - 2, 995)), 5));
    EXPECT_NO_THROW(DS->CheckConsistency());
  }
  EXPECT_EQ(DS->CompareBookmarks(Marks[0], Marks[1]), -1);
  // [3] Last after the walk, and First.
  DS->Last();
  EXPECT_EQ(DS->GetRecNo(), 1000);
  DS->First();
  EXPECT_TRUE(DS->GetBof());
  EXPECT_EQ(ShownRows(), ExpectedRows(Ids, 0, 5));
}

// A walk that edits and deletes as it goes: every record is visited once,
// the numbers stay consecutive, and the file holds exactly the changes.
TEST_F(TSQLiteLazy, AWalkThatChangesRowsVisitsEachOnceWithTheRightNumbers) {
  Open(3000, 29);
  const std::vector<Int64> Original = StoredIds(Db.File);
  std::vector<Int64> Model = Original;
  std::vector<Int64> Visited;
  {
    TDisableControlsGuard Guard(DS.get());
    DS->First();
    while (!DS->GetEof()) {
      const Int64 Row = Id();
      ASSERT_EQ(DS->GetRecNo(),
                Integer(std::find(Model.begin(), Model.end(), Row) - Model.begin()) + 1);
      Visited.push_back(Row);
      if (Row % 7 == 0) {
        DS->Delete();
        Model.erase(std::find(Model.begin(), Model.end(), Row));
        continue;
      }
      if (Row % 5 == 0) {
        DS->Edit();
        DS->FieldByName("name")->SetAsString("five");
        DS->Post();
      }
      DS->Next();
    }
  }
  EXPECT_EQ(Visited, Original) << "every record visited once, in order";
  EXPECT_EQ(StoredIds(Db.File), Model);
  EXPECT_EQ(StoredIds(Db.File, "name = 'five'"), StoredIds(Db.File, "id % 5 = 0"));
  EXPECT_EQ(DS->GetRecordCount(), Integer(Model.size()));
  DS->Last();
  EXPECT_EQ(DS->GetRecNo(), Integer(Model.size()));
  // Numbers counted after the changes, from the rows whose places are known.
  std::mt19937 Random(7);
  for (int I = 0; I < 20; ++I) {
    const std::size_t At = Random() % Model.size();
    DS->SetRecNo(Integer(At) + 1);
    ASSERT_EQ(Id(), Model[At]);
    DS->GotoBookmark(DS->GetBookmark());
    ASSERT_EQ(DS->GetRecNo(), Integer(At) + 1);
  }
}

// Record numbers after a walk are counted from rows whose places the walk
// learnt; deleting rows before them moves those places up.
TEST_F(TSQLiteLazy, NumbersCountedAfterAWalkFollowDeletesBeforeThem) {
  Open(20000, 1, 16 << 10);
  std::vector<Int64> Ids = StoredIds(Db.File);
  std::vector<TBookmark> Marks;
  const Integer Rows[] = {4500, 9000, 12345, 19999};
  {
    TDisableControlsGuard Guard(DS.get());
    Integer Row = 0;
    for (DS->First(); !DS->GetEof(); DS->Next(), ++Row)
      if (std::find(std::begin(Rows), std::end(Rows), Row) != std::end(Rows))
        Marks.push_back(DS->GetBookmark());
  }
  DS->First();
  for (int I = 0; I < 3; ++I) DS->Delete();
  Ids.erase(Ids.begin(), Ids.begin() + 3);
  for (std::size_t I = 0; I < Marks.size(); ++I) {
    DS->GotoBookmark(Marks[I]);
    EXPECT_EQ(Id(), Ids[std::size_t(Rows[I]) - 3]);
    EXPECT_EQ(DS->GetRecNo(), Rows[I] - 2);
    DS->Prior();
    EXPECT_EQ(DS->GetRecNo(), Rows[I] - 3);
  }
}

// A walk through a filter text reads the rows it passes; a search in the
// middle of the walk moves the cursor, and the walk goes on from there.
TEST_F(TSQLiteLazy, AFilteredWalkAndASearchInItKeepRowsAndNumbersRight) {
  Open(8000, 3);
  DS->SetFilter("grp = 1");
  DS->SetFiltered(true);
  const std::vector<Int64> Ids = StoredIds(Db.File, "grp = 1");
  TDisableControlsGuard Guard(DS.get());
  Integer Row = 0;
  for (DS->First(); !DS->GetEof() && Row < 1000; DS->Next(), ++Row)
    ASSERT_EQ(Id(), Ids[std::size_t(Row)]);
  ASSERT_EQ(Ids.size(), 4000u);
  ASSERT_TRUE(DS->Locate("id", Ids[3000], {}));
  EXPECT_EQ(DS->GetRecNo(), 3001);
  for (Row = 3000; !DS->GetEof(); DS->Next(), ++Row) {
    ASSERT_EQ(Id(), Ids[std::size_t(Row)]);
    ASSERT_EQ(DS->GetRecNo(), Row + 1);
    ASSERT_EQ(DS->FieldByName("name")->GetAsString(), "item " + IntToStr(Ids[std::size_t(Row)]));
  }
  EXPECT_EQ(Row, Integer(Ids.size()));
  EXPECT_EQ(DS->GetRecordCount(), Integer(Ids.size()));
}

// A query's rows are read in order and kept: its buffers read their values
// from those rows too, in a walk and in the window afterwards.
TEST_F(TSQLiteLazy, AQueryWalkedAndShownReadsEachRowsValues) {
  MakeItems(Db.File, 3000);
  DS = OpenSQLite(Db.File, "",
                  "SELECT id, name, grp, amount FROM items WHERE grp = 1 ORDER BY id DESC");
  Source->SetDataSet(DS.get());
  Link->SetDataSource(Source.get());
  Link->SetBufferCount(7);
  std::vector<Int64> Ids = StoredIds(Db.File, "grp = 1");
  std::reverse(Ids.begin(), Ids.end());
  EXPECT_EQ(ShownRows(), ExpectedRows(Ids, 0, 7));
  {
    TDisableControlsGuard Guard(DS.get());
    Integer Row = 0;
    for (DS->First(); !DS->GetEof(); DS->Next(), ++Row)
      ASSERT_EQ(DS->FieldByName("amount")->GetAsFloat(), Ids[std::size_t(Row)] * 0.5);
    EXPECT_EQ(Row, Integer(Ids.size()));
  }
  EXPECT_EQ(ShownRows(), ExpectedRows(Ids, Ids.size() - 7, 7));
  DS->MoveBy(-10);
  EXPECT_EQ(ShownRows(), ExpectedRows(Ids, Ids.size() - 11, 7));
}

TEST_F(TSQLiteLazy, AWalkStoppedHalfWayDoesNotHoldTheFile) {
  Open(20000, 1);
  TDisableControlsGuard Guard(DS.get());
  DS->First();
  for (Integer I = 0; I < 10000; ++I) DS->Next();
  RunSQL(Db.File, "UPDATE items SET name = 'written meanwhile' WHERE id = 1");
  EXPECT_EQ(StoredIds(Db.File, "name = 'written meanwhile'"), std::vector<Int64>{1});
}

}  // namespace
}  // namespace kvp::test
