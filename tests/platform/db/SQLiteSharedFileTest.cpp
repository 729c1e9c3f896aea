// The SQLite dataset on a file that other programs use at the same time: a
// second connection or a child process changes the file between the
// dataset's steps (commits, locks, a backup copied over it, a rename), and
// each test checks the rows the dataset shows and the file as SQLite reads it.
//
// Ideas for tests:
// - a file in WAL mode checkpointed by another process during a walk.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "SQLiteTestUtil.h"

namespace kvp::test {
namespace {

// Another program: Body runs in a child process, which ends when it returns.
class TOtherProgram {
 public:
  explicit TOtherProgram(const std::function<void()>& Body) {
    FPid = ::fork();
    if (FPid == 0) {
      Body();
      ::_exit(0);
    }
  }
  ~TOtherProgram() { Wait(); }
  TOtherProgram(const TOtherProgram&) = delete;
  TOtherProgram& operator=(const TOtherProgram&) = delete;
  // True when the child ran to its end.
  bool Wait() {
    if (FPid <= 0) return FExited;
    int Status = 0;
    ::waitpid(FPid, &Status, 0);
    FPid = 0;
    FExited = WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
    return FExited;
  }

 private:
  pid_t FPid = -1;
  bool FExited = false;
};

void SleepMs(int Ms) { std::this_thread::sleep_for(std::chrono::milliseconds(Ms)); }

// The child's own connection: SQL run in one go, nothing checked (a child
// must not report through the test framework).
void ChildSQL(const String& File, const String& SQL, int HoldMs = 0) {
  sqlite3* DB = nullptr;
  sqlite3_open(File.c_str(), &DB);
  sqlite3_busy_timeout(DB, 10000);
  sqlite3_exec(DB, SQL.c_str(), nullptr, nullptr, nullptr);
  if (HoldMs > 0) SleepMs(HoldMs);
  sqlite3_exec(DB, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(DB);
}

// Every cell of Table read through the row id name Alias: "id | cell | ...".
std::vector<String> StoredRowsBy(const String& File, const String& Table, const String& Alias) {
  std::vector<String> Rows;
  sqlite3* DB = nullptr;
  EXPECT_EQ(sqlite3_open_v2(File.c_str(), &DB, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* Stmt = nullptr;
  const String SQL = "SELECT " + Alias + ", * FROM \"" + Table + "\" ORDER BY " + Alias;
  EXPECT_EQ(sqlite3_prepare_v2(DB, SQL.c_str(), -1, &Stmt, nullptr), SQLITE_OK)
      << sqlite3_errmsg(DB);
  while (Stmt && sqlite3_step(Stmt) == SQLITE_ROW) {
    String Row;
    for (int Column = 0; Column < sqlite3_column_count(Stmt); ++Column)
      Row += (Column ? " | " : "") + StoredCell(Stmt, Column);
    Rows.push_back(Row);
  }
  sqlite3_finalize(Stmt);
  sqlite3_close(DB);
  return Rows;
}

// The values of one field over a walk from the first record.
std::vector<String> Walk(TSQLiteDataSet* DS, const char* Field, Integer Limit = 100000) {
  std::vector<String> Values;
  for (DS->First(); !DS->GetEof() && Integer(Values.size()) < Limit; DS->Next())
    Values.push_back(DS->FieldByName(Field)->GetAsString());
  return Values;
}

String Pad4(Integer N) {
  char Text[16];
  std::snprintf(Text, sizeof Text, "%04d", N);
  return Text;
}

String Numbered(const char* Table, Integer Rows, const char* Payload = "'row '||x") {
  return String("CREATE TABLE ") + Table +
         " (id INTEGER PRIMARY KEY, name TEXT, amount INTEGER);"
         "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < " +
         IntToStr(Rows) + ") INSERT INTO " + Table + " SELECT x, " + Payload + ", x FROM n;";
}

// [1] A backup copied over the open file, or the file emptied, while the
// dataset reads it: reads fail with the database's error, the process lives,
// and once the file is whole again the rows read are the file's.
TEST(SQLiteSharedFile, ABackupCopiedOverTheOpenFileFailsReadsButNeverKillsTheProcess) {
  TTempDatabase Db("copyover");
  RunSQL(Db.File, Numbered("items", 20000, "printf('%.200c', 'x') || x"));
  const String Backup = FileBytes(Db.File);
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "items");
  const String File = Db.File;
  TOtherProgram Copier([&] {
    // cp backup.db data.db, again and again, now and then leaving it empty.
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    for (int Round = 0; std::chrono::steady_clock::now() < End; ++Round) {
      const int Fd = ::open(File.c_str(), O_WRONLY | O_TRUNC);
      if (Fd < 0) continue;
      if (Round % 3 == 2) SleepMs(2);
      for (std::size_t At = 0; At < Backup.size(); At += 65536)
        if (::write(Fd, Backup.data() + At, std::min<std::size_t>(65536, Backup.size() - At)) < 0)
          break;
      ::close(Fd);
    }
  });
  Integer Failed = 0;
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (std::chrono::steady_clock::now() < End) {
    try {
      DS->Refresh();
      DS->Last();
      DS->SetRecNo(7000);
      DS->MoveBy(-300);
      (void)DS->GetRecordCount();
    } catch (const EDatabaseError&) {
      ++Failed;
    }
  }
  ASSERT_TRUE(Copier.Wait());
  SCOPED_TRACE(IntToStr(Failed) + " reads failed while the file was being copied");
  ASSERT_TRUE(FileBytes(Db.File) == Backup);
  DS->Close();
  DS->Open();
  EXPECT_EQ(DS->GetRecordCount(), 20000);
  DS->Last();
  EXPECT_EQ(DS->FieldByName("amount")->GetAsInteger(), 20000);
}

TEST(SQLiteSharedFile, AFileEmptiedUnderTheDatasetRaisesTheDatabasesError) {
  TTempDatabase Db("emptied");
  RunSQL(Db.File, Numbered("items", 5000));
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "items");
  DS->MoveBy(10);
  ASSERT_EQ(::truncate(Db.File.c_str(), 0), 0);
  EXPECT_THROW(
      {
        DS->Refresh();
        DS->Last();
      },
      EDatabaseError);
}

// [2] Locks another program holds for a moment are waited for; one held past
// the wait fails the post, which says so and keeps the edit.
TEST(SQLiteSharedFile, OpensReadsAndPostsWaitForAMomentaryLock) {
  TTempDatabase Db("busy");
  RunSQL(Db.File, Numbered("items", 300));
  const String File = Db.File;
  TOtherProgram Writer([&] {
    // Small commits, one after another, for a second and a half.
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    for (int I = 0; std::chrono::steady_clock::now() < End; ++I)
      ChildSQL(File,
               "BEGIN IMMEDIATE; UPDATE items SET amount = amount + 1 WHERE id = " +
                   IntToStr(200 + I % 50) + ";",
               3);
  });
  SleepMs(50);
  Integer Posts = 0;
  for (Integer I = 0; I < 30; ++I) {
    SCOPED_TRACE(I);
    TObjectPtr<TSQLiteDataSet> DS;
    ASSERT_NO_THROW(DS = OpenSQLite(File, "items"));
    ASSERT_NO_THROW(DS->MoveBy(I));
    DS->Edit();
    DS->FieldByName("name")->SetAsString("posted " + IntToStr(I));
    ASSERT_NO_THROW(DS->Post());
    ++Posts;
  }
  EXPECT_TRUE(Writer.Wait());
  EXPECT_EQ(Posts, 30);
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(File, "items");
  DS->MoveBy(29);
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "posted 29");
}

TEST(SQLiteSharedFile, ALockHeldPastTheWaitFailsThePostSayingSoAndKeepsTheEdit) {
  TTempDatabase Db("locked");
  RunSQL(Db.File, Numbered("items", 10));
  const String File = Db.File;
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(File, "items");
  DS->Edit();
  DS->FieldByName("name")->SetAsString("mine");
  TOtherProgram Holder(
      [&] { ChildSQL(File, "BEGIN EXCLUSIVE;", TSQLiteDataSet::BusyTimeoutMs + 1500); });
  SleepMs(300);
  const auto Start = std::chrono::steady_clock::now();
  try {
    DS->Post();
    FAIL() << "the lock is held past the wait";
  } catch (const EDatabaseError& E) {
    EXPECT_NE(E.GetMessage().find("locked"), String::npos) << E.GetMessage();
    EXPECT_NE(E.GetMessage().find("seconds waited"), String::npos) << E.GetMessage();
  }
  EXPECT_GE(std::chrono::steady_clock::now() - Start,
            std::chrono::milliseconds(TSQLiteDataSet::BusyTimeoutMs - 500));
  EXPECT_EQ(DS->GetState(), dsEdit);
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "mine");
  ASSERT_TRUE(Holder.Wait());
  DS->Post();
  EXPECT_EQ(StoredRows(File, "items")[0], "integer 1 | integer 1 | text 'mine' | integer 1");
}

// [3] A table with a column of its own named like the row id.
TEST(SQLiteSharedFile, AColumnNamedRowidIsTheUsersAndTheRowsAreReadByAnotherName) {
  TTempDatabase Db("rowidcol");
  RunSQL(Db.File,
         "CREATE TABLE t (rowid TEXT, v INTEGER);"
         "INSERT INTO t VALUES ('a', 1), ('a', 2), ('b', 3), ('a', 4);");
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "t");
  EXPECT_EQ(Walk(DS.get(), "v"), (std::vector<String>{"1", "2", "3", "4"}));
  EXPECT_EQ(Walk(DS.get(), "rowid"), (std::vector<String>{"a", "a", "b", "a"}));
  DS->SetRecNo(2);
  DS->Edit();
  DS->FieldByName("v")->SetAsInteger(20);
  DS->Post();
  DS->SetRecNo(4);
  DS->Delete();
  EXPECT_EQ(StoredRowsBy(Db.File, "t", "oid"),
            (std::vector<String>{"integer 1 | text 'a' | integer 1",
                                 "integer 2 | text 'a' | integer 20",
                                 "integer 3 | text 'b' | integer 3"}));
  EXPECT_EQ(Walk(DS.get(), "v"), (std::vector<String>{"1", "20", "3"}));
}

TEST(SQLiteSharedFile, ATableTakingAllThreeRowIdNamesIsReadAndWrittenByItsKey) {
  TTempDatabase Db("allnames");
  RunSQL(Db.File,
         "CREATE TABLE t (rowid INTEGER, oid INTEGER, _rowid_ INTEGER, v TEXT NOT NULL, "
         "PRIMARY KEY (v));"
         "INSERT INTO t VALUES (7, 7, 7, 'x'), (7, 7, 7, 'y'), (8, 8, 8, 'z');"
         "CREATE TABLE u (rowid, oid, _rowid_);"
         "INSERT INTO u VALUES (1, 1, 1), (1, 1, 1);");
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "t");
  EXPECT_EQ(Walk(DS.get(), "v"), (std::vector<String>{"x", "y", "z"}));
  ASSERT_TRUE(DS->Locate("v", "y", {}));
  DS->Edit();
  DS->FieldByName("oid")->SetAsInteger(70);
  DS->Post();
  EXPECT_EQ(DS->FieldByName("v")->GetAsString(), "y");
  DS->First();
  DS->Delete();
  EXPECT_EQ(Walk(DS.get(), "oid"), (std::vector<String>{"70", "8"}));
  sqlite3* Check = nullptr;
  ASSERT_EQ(sqlite3_open(Db.File.c_str(), &Check), SQLITE_OK);
  sqlite3_stmt* Stmt = nullptr;
  sqlite3_prepare_v2(Check, "SELECT group_concat(v || '=' || oid, ',') FROM t", -1, &Stmt,
                     nullptr);
  ASSERT_EQ(sqlite3_step(Stmt), SQLITE_ROW);
  EXPECT_EQ(StoredCell(Stmt, 0), "text 'y=70,z=8'");
  sqlite3_finalize(Stmt);
  sqlite3_close(Check);
  // Without a key such a table cannot name one row: it is read-only.
  TObjectPtr<TSQLiteDataSet> U = OpenSQLite(Db.File, "u");
  EXPECT_EQ(U->GetRecordCount(), 2);
  EXPECT_FALSE(U->GetCanModify());
}

// [4] The row id alias exactly as SQLite decides it.
TEST(SQLiteSharedFile, OnlyAColumnSQLiteReadsFromTheRowIdMovesTheRowWhenChanged) {
  TTempDatabase Db("alias");
  RunSQL(Db.File,
         "CREATE TABLE descending (id INTEGER PRIMARY KEY DESC, name TEXT);"
         "INSERT INTO descending VALUES (10, 'a'), (20, 'b'), (30, 'c');"
         "CREATE TABLE tablekey (id INTEGER, name TEXT, PRIMARY KEY (id DESC));"
         "INSERT INTO tablekey VALUES (10, 'a'), (20, 'b'), (30, 'c');");
  {
    SCOPED_TRACE("INTEGER PRIMARY KEY DESC: an ordinary column");
    TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "descending");
    DS->SetRecNo(2);
    DS->Edit();
    DS->FieldByName("id")->SetAsInteger(5);
    ASSERT_NO_THROW(DS->Post());
    EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "b") << "the cursor stays on the row";
    EXPECT_EQ(DS->GetRecNo(), 2) << "rows stay in row id order";
    EXPECT_EQ(StoredRowsBy(Db.File, "descending", "rowid"),
              (std::vector<String>{"integer 1 | integer 10 | text 'a'",
                                   "integer 2 | integer 5 | text 'b'",
                                   "integer 3 | integer 30 | text 'c'"}));
  }
  {
    SCOPED_TRACE("PRIMARY KEY (id DESC) as a table constraint: the row id");
    TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "tablekey");
    DS->SetRecNo(2);
    DS->Edit();
    DS->FieldByName("id")->SetAsInteger(40);
    ASSERT_NO_THROW(DS->Post());
    EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "b");
    EXPECT_EQ(StoredRowsBy(Db.File, "tablekey", "rowid"),
              (std::vector<String>{"integer 10 | integer 10 | text 'a'",
                                   "integer 30 | integer 30 | text 'c'",
                                   "integer 40 | integer 40 | text 'b'"}));
  }
}

// [5] The largest row id is a row like any other.
TEST(SQLiteSharedFile, PriorFromTheLargestRowIdMovesOn) {
  TTempDatabase Db("maxrowid");
  RunSQL(Db.File,
         "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT);"
         "INSERT INTO t VALUES (-9223372036854775808, 'least'), (1, 'one'), "
         "(9223372036854775806, 'almost'), (9223372036854775807, 'most');");
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "t");
  std::vector<String> Backward;
  for (DS->Last(); !DS->GetBof(); DS->Prior()) {
    Backward.push_back(DS->FieldByName("name")->GetAsString());
    ASSERT_LT(Backward.size(), 10u) << "Prior does not move";
  }
  EXPECT_EQ(Backward, (std::vector<String>{"most", "almost", "one", "least"}));
  EXPECT_EQ(Walk(DS.get(), "name"), (std::vector<String>{"least", "one", "almost", "most"}));
  ASSERT_TRUE(DS->Locate("name", "most", {}));
  DS->Prior();
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "almost");
}

// [6] Another user deletes the row the dataset stands on and inserts one that
// SQLite gives the same row id: the post and the delete refuse, keeping the
// other user's row and the edit.
TEST(SQLiteSharedFile, ARowReplacedUnderTheSameRowIdIsNeitherOverwrittenNorDeleted) {
  TTempDatabase Db("reused");
  RunSQL(Db.File, Numbered("items", 3));
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "items");
  DS->Last();
  ASSERT_EQ(DS->FieldByName("name")->GetAsString(), "row 3");
  DS->Edit();
  DS->FieldByName("name")->SetAsString("mine");
  RunSQL(Db.File, "DELETE FROM items WHERE id = 3; INSERT INTO items (name, amount) VALUES ('theirs', 30);");
  const std::vector<String> Theirs = StoredRows(Db.File, "items");
  ASSERT_EQ(Theirs.back(), "integer 3 | integer 3 | text 'theirs' | integer 30");
  try {
    DS->Post();
    FAIL() << "the row is another user's now";
  } catch (const EDatabaseError& E) {
    EXPECT_NE(E.GetMessage().find("deleted by another user"), String::npos) << E.GetMessage();
  }
  EXPECT_EQ(DS->GetState(), dsEdit);
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "mine");
  EXPECT_EQ(StoredRows(Db.File, "items"), Theirs);
  DS->Cancel();
  // A delete of the row as read refuses the same way.
  DS->First();
  (void)DS->FieldByName("name")->GetAsString();
  RunSQL(Db.File, "DELETE FROM items WHERE id = 1; INSERT INTO items VALUES (1, 'new one', 10);");
  const std::vector<String> Before = StoredRows(Db.File, "items");
  EXPECT_THROW(DS->Delete(), EDatabaseError);
  EXPECT_EQ(StoredRows(Db.File, "items"), Before);
  // A record deleted while the user edits it is compared as read, not as
  // typed: the row goes, in a table with row ids and in one keyed by its key.
  DS->Refresh();
  DS->SetRecNo(3);
  DS->Edit();
  DS->FieldByName("name")->SetAsString("typed, then deleted");
  DS->Delete();
  EXPECT_EQ(StoredRows(Db.File, "items").size(), 2u);
  EXPECT_EQ(DS->GetState(), dsBrowse);
  RunSQL(Db.File, "CREATE TABLE k (code TEXT PRIMARY KEY, n INTEGER) WITHOUT ROWID;"
                  "INSERT INTO k VALUES ('a', 1), ('b', 2);");
  TObjectPtr<TSQLiteDataSet> Keyed = OpenSQLite(Db.File, "k");
  Keyed->Last();
  Keyed->Edit();
  Keyed->FieldByName("n")->SetAsInteger(20);
  Keyed->Delete();
  EXPECT_EQ(StoredRows(Db.File, "k", false), std::vector<String>{"text 'a' | integer 1"});
  // Another user's change of a column this user did not write is kept.
  DS->Refresh();
  DS->SetRecNo(2);
  DS->Edit();
  DS->FieldByName("name")->SetAsString("named here");
  RunSQL(Db.File, "UPDATE items SET amount = 222 WHERE id = 2");
  DS->Post();
  EXPECT_EQ(StoredRows(Db.File, "items")[1], "integer 2 | integer 2 | text 'named here' | integer 222");
}

// [7] Rows read once each: a query in random order, and a table without row
// ids that another connection changes during the walk.
TEST(SQLiteSharedFile, AQueryInRandomOrderShowsEveryRowOnce) {
  TTempDatabase Db("random");
  RunSQL(Db.File, Numbered("items", 1000));
  TObjectPtr<TSQLiteDataSet> DS =
      OpenSQLite(Db.File, "", "SELECT id, name FROM items ORDER BY random()");
  std::vector<String> Seen = Walk(DS.get(), "id");
  ASSERT_EQ(Seen.size(), 1000u);
  std::sort(Seen.begin(), Seen.end());
  EXPECT_EQ(std::unique(Seen.begin(), Seen.end()), Seen.end()) << "a row shown twice";
  // The same order backwards, and after moving about.
  std::vector<String> Back;
  for (DS->Last(); !DS->GetBof(); DS->Prior()) Back.push_back(DS->FieldByName("id")->GetAsString());
  std::vector<String> Forward = Walk(DS.get(), "id");
  std::reverse(Back.begin(), Back.end());
  EXPECT_EQ(Back, Forward);
}

TEST(SQLiteSharedFile, RowsAnotherConnectionChangesDuringAWalkAreShownOnceEach) {
  TTempDatabase Db("keyedwalk");
  String SQL = "CREATE TABLE k (code TEXT PRIMARY KEY, n INTEGER) WITHOUT ROWID;";
  for (Integer I = 0; I < 600; ++I)
    SQL += "INSERT INTO k VALUES ('c" + Pad4(I * 2) + "', " + IntToStr(I * 2) + ");";
  RunSQL(Db.File, SQL);
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "k");
  std::vector<String> Seen;
  for (DS->First(); !DS->GetEof(); DS->Next()) {
    Seen.push_back(DS->FieldByName("code")->GetAsString());
    if (Seen.size() == 100) {
      // Another user: rows before the cursor go, rows behind it come.
      RunSQL(Db.File,
             "DELETE FROM k WHERE n < 50; INSERT INTO k VALUES ('c0001', 1), ('c0003', 3), "
             "('c0999', 999), ('c1001', 1001);");
    }
  }
  std::vector<String> Sorted = Seen;
  std::sort(Sorted.begin(), Sorted.end());
  EXPECT_EQ(Sorted, Seen) << "in key order";
  EXPECT_EQ(std::unique(Sorted.begin(), Sorted.end()), Sorted.end()) << "a row shown twice";
  EXPECT_EQ(Seen.size(), 602u) << "600 read, and the two added after the cursor";
  EXPECT_NE(std::find(Seen.begin(), Seen.end(), "c0999"), Seen.end());
}

TEST(SQLiteSharedFile, AQueryOnAFileInWalModeIsReadAsNeededAndLetsOthersWrite) {
  TTempDatabase Db("wal");
  RunSQL(Db.File, "PRAGMA journal_mode = WAL;" + Numbered("items", 5000));
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "", "SELECT * FROM items ORDER BY random()");
  DS->MoveBy(10);
  EXPECT_LT(DS->GetReadCount(), 5000) << "read as far as needed";
  RunSQL(Db.File, "UPDATE items SET name = 'written' WHERE id = 1");
  std::vector<String> Seen = Walk(DS.get(), "id");
  std::sort(Seen.begin(), Seen.end());
  EXPECT_EQ(Seen.size(), 5000u);
  EXPECT_EQ(std::unique(Seen.begin(), Seen.end()), Seen.end());
  EXPECT_EQ(DS->GetReadCount(), 5000);
}

// [8] Keys that print alike are different rows.
TEST(SQLiteSharedFile, KeysDifferingPastWhatTheyPrintAreDifferentRows) {
  TTempDatabase Db("keys");
  RunSQL(Db.File,
         "CREATE TABLE r (k REAL PRIMARY KEY, v TEXT) WITHOUT ROWID;"
         "INSERT INTO r VALUES (0.1000000000000001, 'a'), (0.1000000000000002, 'b'), "
         "(0.1000000000000003, 'c');"
         "CREATE TABLE d (k DATETIME PRIMARY KEY, v TEXT) WITHOUT ROWID;"
         "INSERT INTO d VALUES ('2024-01-01 10:00:00.001', 'a'), ('2024-01-01 10:00:00.002', 'b'), "
         "('2024-01-01T10:00:00.003', 'c');");
  for (const char* Table : {"r", "d"}) {
    SCOPED_TRACE(Table);
    TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, Table);
    std::vector<TBookmark> Marks;
    for (DS->First(); !DS->GetEof(); DS->Next()) Marks.push_back(DS->GetBookmark());
    ASSERT_EQ(Marks.size(), 3u);
    EXPECT_NE(Marks[0], Marks[1]);
    EXPECT_NE(Marks[1], Marks[2]);
    DS->GotoBookmark(Marks[1]);
    EXPECT_EQ(DS->FieldByName("v")->GetAsString(), "b");
    DS->Edit();
    DS->FieldByName("v")->SetAsString("B");
    DS->Post();
    DS->GotoBookmark(Marks[2]);
    EXPECT_EQ(DS->FieldByName("v")->GetAsString(), "c");
    DS->Delete();
    EXPECT_EQ(Walk(DS.get(), "v"), (std::vector<String>{"a", "B"}));
    sqlite3* Check = nullptr;
    ASSERT_EQ(sqlite3_open(Db.File.c_str(), &Check), SQLITE_OK);
    sqlite3_stmt* Stmt = nullptr;
    sqlite3_prepare_v2(Check, ("SELECT group_concat(v, ',') FROM " + String(Table)).c_str(), -1,
                       &Stmt, nullptr);
    ASSERT_EQ(sqlite3_step(Stmt), SQLITE_ROW);
    EXPECT_EQ(StoredCell(Stmt, 0), "text 'a,B'");
    sqlite3_finalize(Stmt);
    sqlite3_close(Check);
  }
}

// [9] Another connection changes the table's columns: the dataset refuses to
// read or write until it is opened again, and then shows the new columns.
TEST(SQLiteSharedFile, ColumnsChangedByAnotherConnectionAreRefusedUntilTheDatasetIsOpenedAgain) {
  struct {
    const char* Name;
    const char* SQL;
  } Changes[] = {
      {"a column added", "ALTER TABLE items ADD COLUMN extra TEXT DEFAULT 'x'"},
      {"a column dropped", "ALTER TABLE items DROP COLUMN name"},
      {"the table made again, columns in another order",
       "CREATE TABLE t2 (id INTEGER PRIMARY KEY, amount INTEGER, name TEXT);"
       "INSERT INTO t2 SELECT id, amount, name FROM items; DROP TABLE items;"
       "ALTER TABLE t2 RENAME TO items"},
      {"a column's type changed",
       "CREATE TABLE t2 (id INTEGER PRIMARY KEY, name TEXT, amount REAL);"
       "INSERT INTO t2 SELECT * FROM items; DROP TABLE items; ALTER TABLE t2 RENAME TO items"},
  };
  for (const auto& Change : Changes) {
    SCOPED_TRACE(Change.Name);
    TTempDatabase Db("columns");
    RunSQL(Db.File, Numbered("items", 3000));
    TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "items");
    TObjectPtr<TSQLiteDataSet> Walker = OpenSQLite(Db.File, "items");
    Walker->MoveBy(3);
    DS->MoveBy(3);
    DS->Edit();
    DS->FieldByName("amount")->SetAsInteger(-1);
    RunSQL(Db.File, Change.SQL);
    EXPECT_THROW(Walker->MoveBy(2000), EDatabaseError) << "the walk's statement reads them";
    const std::vector<String> Stored = StoredRows(Db.File, "items");
    try {
      DS->Post();
      FAIL() << "the post must be refused";
    } catch (const EDatabaseError& E) {
      EXPECT_NE(E.GetMessage().find("changed since the dataset was opened"), String::npos)
          << E.GetMessage();
    }
    EXPECT_EQ(StoredRows(Db.File, "items"), Stored);
    EXPECT_THROW(DS->Cancel(), EDatabaseError) << "the edit is dropped, the row not read again";
    EXPECT_EQ(DS->GetState(), dsBrowse);
    EXPECT_THROW(DS->MoveBy(2000), EDatabaseError) << "a walk on past the rows held";
    EXPECT_THROW(DS->Refresh(), EDatabaseError);
    DS->Close();
    DS->Open();
    DS->MoveBy(3);
    EXPECT_EQ(DS->FieldByName("id")->GetAsInteger(), 4);
    if (DS->FindField("name")) {
      EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "row 4");
    }
    EXPECT_EQ(DS->FieldByName("amount")->GetAsInteger(), 4);
  }
}

// A walk with the controls disabled (a pass summing a column) that meets
// columns another connection changed stops with the reason; it never reads
// the new columns as the old fields.
TEST(SQLiteSharedFile, AWalkWithTheControlsDisabledStopsAtColumnsChangedElsewhere) {
  struct {
    const char* Name;
    const char* SQL;
  } Changes[] = {
      {"a column's type changed",
       "CREATE TABLE t2 (id INTEGER PRIMARY KEY, name TEXT, amount TEXT);"
       "INSERT INTO t2 SELECT id, name, 'was ' || amount FROM items; DROP TABLE items;"
       "ALTER TABLE t2 RENAME TO items"},
      {"the column read dropped", "ALTER TABLE items DROP COLUMN amount"},
  };
  for (const auto& Change : Changes) {
    SCOPED_TRACE(Change.Name);
    TTempDatabase Db("walkcolumns");
    RunSQL(Db.File, Numbered("items", 5000));
    TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "items");
    TField* Amount = DS->FieldByName("amount");
    TDisableControlsGuard Hold(DS.get());
    Int64 Total = 0;
    Integer Rows = 0;
    DS->First();
    for (; Rows < 100; ++Rows, DS->Next()) Total += Amount->GetAsInteger();
    RunSQL(Db.File, Change.SQL);
    try {
      for (; !DS->GetEof(); ++Rows, DS->Next()) Total += Amount->GetAsInteger();
      FAIL() << "the walk read " << Rows << " rows to the end";
    } catch (const EDatabaseError& E) {
      SUCCEED() << E.GetMessage();
    }
    EXPECT_LE(Total, Int64(Rows) * (Rows + 1) / 2) << "no value read from the changed table";
  }
}

// [10] A file put under the name by a rename: Refresh reads it; a post before
// that says what happened.
TEST(SQLiteSharedFile, RefreshReadsTheFileRenamedOverTheOpenOne) {
  TTempDatabase Db("renamed");
  TTempDatabase Other("renamed_new");
  RunSQL(Db.File, Numbered("items", 50));
  RunSQL(Other.File, Numbered("items", 80, "'new '||x"));
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "items");
  DS->MoveBy(4);
  ASSERT_EQ(std::rename(Other.File.c_str(), Db.File.c_str()), 0);
  DS->Edit();
  DS->FieldByName("name")->SetAsString("lost?");
  try {
    DS->Post();
    FAIL() << "the file written would be the one no longer there";
  } catch (const EDatabaseError& E) {
    EXPECT_NE(E.GetMessage().find("replaced or moved"), String::npos) << E.GetMessage();
  }
  DS->Cancel();
  DS->Refresh();
  EXPECT_EQ(DS->GetRecordCount(), 80);
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "new 5");
  DS->Edit();
  DS->FieldByName("name")->SetAsString("kept");
  DS->Post();
  EXPECT_EQ(StoredRows(Db.File, "items")[4], "integer 5 | integer 5 | text 'kept' | integer 5");
  // A name with no file behind it any more.
  ASSERT_EQ(std::remove(Db.File.c_str()), 0);
  try {
    DS->Refresh();
    FAIL() << "the file is gone";
  } catch (const EDatabaseError& E) {
    EXPECT_NE(E.GetMessage().find("removed or renamed"), String::npos) << E.GetMessage();
  }
}

// [11] Rows of large pictures: the cache keeps to its limit in bytes, and a
// picture is read from the file when a field asks for it.
TEST(SQLiteSharedFile, LargeValuesKeepTheCacheToItsLimitAndAreReadWhenAsked) {
  TTempDatabase Db("large");
  RunSQL(Db.File,
         "CREATE TABLE pictures (id INTEGER PRIMARY KEY, title TEXT, picture BLOB, caption TEXT);"
         "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 40) "
         "INSERT INTO pictures SELECT x, 'picture ' || x, "
         "  CAST(printf('%.*c', 1000000 + x, char(64 + x % 26)) AS BLOB), "
         "  printf('%.*c', 200000, 'c') || x FROM n;");
  const std::size_t Limit = 1 << 20;
  TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(Db.File);
  DS->SetTableName("pictures");
  DS->SetCacheLimit(Limit);
  DS->Open();
  auto Expected = [&](Integer Id, const char* Column) {
    sqlite3* Check = nullptr;
    sqlite3_open(Db.File.c_str(), &Check);
    sqlite3_stmt* Stmt = nullptr;
    sqlite3_prepare_v2(Check,
                       ("SELECT " + String(Column) + " FROM pictures WHERE id = " + IntToStr(Id))
                           .c_str(),
                       -1, &Stmt, nullptr);
    sqlite3_step(Stmt);
    String Value(static_cast<const char*>(sqlite3_column_blob(Stmt, 0)),
                 std::size_t(sqlite3_column_bytes(Stmt, 0)));
    sqlite3_finalize(Stmt);
    sqlite3_close(Check);
    return Value;
  };
  // [a] The first row, its picture as stored.
  EXPECT_LE(DS->GetCachedBytes(), Limit);
  EXPECT_TRUE(DS->FieldByName("picture")->GetAsString() == Expected(1, "picture"));
  EXPECT_TRUE(DS->FieldByName("caption")->GetAsString() == Expected(1, "caption"));
  // [b] Walking shown rows, both ways, and jumping.
  std::size_t Most = 0;
  Integer Rows = 0;
  for (DS->First(); !DS->GetEof(); DS->Next(), ++Rows) {
    EXPECT_EQ(DS->FieldByName("title")->GetAsString(), "picture " + IntToStr(Rows + 1));
    Most = std::max(Most, DS->GetCachedBytes());
  }
  EXPECT_EQ(Rows, 40);
  DS->Last();
  EXPECT_TRUE(DS->FieldByName("picture")->GetAsString() == Expected(40, "picture"));
  for (; !DS->GetBof(); DS->Prior()) Most = std::max(Most, DS->GetCachedBytes());
  EXPECT_LE(Most, Limit);
  // [c] A walk with the controls disabled reading the pictures.
  {
    TDisableControlsGuard Disabled(DS.get());
    std::size_t Total = 0;
    for (DS->First(); !DS->GetEof(); DS->Next()) {
      Total += DS->FieldByName("picture")->GetAsString().size();
      Most = std::max(Most, DS->GetCachedBytes());
    }
    EXPECT_EQ(Total, std::size_t(40 * 1000000 + 40 * 41 / 2));
  }
  EXPECT_LE(Most, Limit);
  // [d] A post of another column keeps the picture; a new picture is stored.
  ASSERT_TRUE(DS->Locate("id", 7, {}));
  DS->Edit();
  DS->FieldByName("title")->SetAsString("seven");
  DS->Post();
  EXPECT_TRUE(DS->FieldByName("picture")->GetAsString() == Expected(7, "picture"));
  DS->Edit();
  DS->FieldByName("picture")->SetAsString(String(300000, 'z'));
  DS->Post();
  EXPECT_TRUE(Expected(7, "picture") == String(300000, 'z'));
  EXPECT_EQ(Expected(7, "title"), "seven");
  EXPECT_LE(DS->GetCachedBytes(), Limit);
}

// [12] A table's count is kept for the next dataset on the same file only
// while nothing changed the file.
TEST(SQLiteSharedFile, ACountTakenBeforeIsTakenAgainWhenAnotherProgramChangedTheFile) {
  for (const char* Mode : {"DELETE", "WAL"}) {
    SCOPED_TRACE(Mode);
    TTempDatabase Db("counted");
    RunSQL(Db.File, "PRAGMA journal_mode = " + String(Mode) + ";" + Numbered("items", 100));
    TObjectPtr<TSQLiteDataSet> First = OpenSQLite(Db.File, "items");
    EXPECT_EQ(First->GetRecordCount(), 100);
    EXPECT_EQ(OpenSQLite(Db.File, "items")->GetRecordCount(), 100);
    sqlite3* Other = nullptr;
    ASSERT_EQ(sqlite3_open(Db.File.c_str(), &Other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(Other, "INSERT INTO items (name) VALUES ('a'), ('b'), ('c')", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    TObjectPtr<TSQLiteDataSet> Second = OpenSQLite(Db.File, "items");
    EXPECT_EQ(Second->GetRecordCount(), 103);
    First->Refresh();
    EXPECT_EQ(First->GetRecordCount(), 103);
    First->Last();
    EXPECT_EQ(First->GetRecNo(), 103);
    ASSERT_EQ(sqlite3_exec(Other, "DELETE FROM items WHERE id <= 50", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(Other);
    EXPECT_EQ(OpenSQLite(Db.File, "items")->GetRecordCount(), 53);
    // A file made again under the name, once no dataset holds the old one.
    First.reset();
    Second.reset();
    std::remove(Db.File.c_str());
    RunSQL(Db.File, "PRAGMA journal_mode = " + String(Mode) + ";" + Numbered("items", 120));
    EXPECT_EQ(OpenSQLite(Db.File, "items")->GetRecordCount(), 120);
  }
  // Another file's bytes copied over the file, headers alike to the byte.
  TTempDatabase Db("copied");
  TTempDatabase Other("copied_other");
  RunSQL(Db.File, Numbered("items", 100));
  RunSQL(Other.File, Numbered("items", 101));
  const String Bytes = FileBytes(Db.File);
  const String OtherBytes = FileBytes(Other.File);
  ASSERT_EQ(Bytes.substr(0, 100), OtherBytes.substr(0, 100));
  EXPECT_EQ(OpenSQLite(Db.File, "items")->GetRecordCount(), 100);
  std::ofstream(Db.File, std::ios::binary | std::ios::trunc) << OtherBytes;
  EXPECT_EQ(OpenSQLite(Db.File, "items")->GetRecordCount(), 101);
}

// [13] Another user writes while a grid shows a window of rows: the rows the
// grid scrolls to are numbered on from the ones it shows, each row shows
// once, and a new row taking the row id of one deleted elsewhere is shown
// once, in row id order and sorted.
TEST(SQLiteSharedFile, AnotherUsersWritesKeepTheShownRowsNumberedOnAndEachShownOnce) {
  for (const char* Order : {"", "name"}) {
    SCOPED_TRACE(String("order '") + Order + "'");
    TTempDatabase Db("window");
    RunSQL(Db.File, Numbered("items", 200, "'row ' || printf('%03d', x)"));
    TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
    DS->SetDatabaseName(Db.File);
    DS->SetTableName("items");
    DS->SetIndexFieldNames(Order);
    DS->SetCacheLimit(1024);  // a window of a few rows, read again as the grid scrolls
    TObjectPtr<TDataSource> Source(TDataSource::Create(nullptr));
    Source->SetDataSet(DS.get());
    TDataLink* Link = TDataLink::Create();
    Link->SetDataSource(Source.get());
    Link->SetBufferCount(7);
    DS->Open();
    auto Shown = [&] {
      String Text;
      const Integer Active = Link->GetActiveRecord();
      for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
        Link->SetActiveRecord(I);
        Text += IntToStr(DS->GetRecNo()) + ":" + DS->FieldByName("name")->GetAsString() + " ";
      }
      Link->SetActiveRecord(Active);
      return Text;
    };
    ASSERT_EQ(DS->GetRecordCount(), 200);
    // Rows deleted and added before the window, then a scroll past its end.
    DS->SetRecNo(30);
    RunSQL(Db.File, "DELETE FROM items WHERE id IN (3, 4, 5); INSERT INTO items (id, name, amount) "
                    "VALUES (0, 'row 000', 0), (-1, 'a row', 0);");
    DS->MoveBy(12);
    EXPECT_NO_THROW(DS->CheckConsistency()) << Shown();
    EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "row 042");
    // Up from the last row to the first: the rows added before are met at
    // the top (the small cache reads them again there), numbered from 1 on.
    DS->Last();
    EXPECT_EQ(DS->GetRecNo(), 200) << "the count as read";
    for (Integer Step = 0; Step < 60; ++Step) DS->MoveBy(-5);
    EXPECT_TRUE(DS->GetBof());
    EXPECT_EQ(DS->GetRecNo(), 1);
    EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "a row");
    EXPECT_NO_THROW(DS->CheckConsistency()) << Shown();
    // Rows another user renames, each to sort just after its old name, are
    // met once each.
    DS->SetRecNo(20);
    RunSQL(Db.File, "UPDATE items SET name = name || 'b' WHERE id >= 15");
    for (Integer Step = 0; Step < 170; ++Step) {
      DS->Next();
      ASSERT_NO_THROW(DS->CheckConsistency()) << Shown();
    }
    // The last row deleted elsewhere, and a row appended here takes its id.
    DS->Last();
    RunSQL(Db.File, "DELETE FROM items WHERE id = 200");
    DS->Append();
    DS->FieldByName("name")->SetAsString("row 999");
    DS->Post();
    EXPECT_EQ(DS->FieldByName("id")->GetAsInteger(), 200);
    EXPECT_NO_THROW(DS->CheckConsistency()) << Shown();
    DS->MoveBy(-6);
    DS->MoveBy(6);
    EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "row 999");
    EXPECT_NO_THROW(DS->CheckConsistency()) << Shown();
    // That row deleted elsewhere too, and its id taken again here.
    RunSQL(Db.File, "DELETE FROM items WHERE id = 200");
    DS->Append();
    DS->FieldByName("name")->SetAsString("row 998");
    DS->Post();
    EXPECT_EQ(DS->FieldByName("id")->GetAsInteger(), 200);
    DS->MoveBy(-6);
    DS->MoveBy(6);
    EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "row 998");
    EXPECT_NO_THROW(DS->CheckConsistency()) << Shown();
    DS->Refresh();
    EXPECT_EQ(DS->GetRecordCount(), 199);
    Link->Free();
  }
}

// A group of writes: posts and deletes inside it reach the file as one
// change when the outermost group ends, or when it is saved (before a
// question to the user); till then another program reads the file as it
// was, and afterwards finds it free.
TEST(SQLiteSharedFile, WritesInAGroupReachTheFileWhenTheOutermostGroupEndsOrIsSaved) {
  TTempDatabase Db("group");
  RunSQL(Db.File, Numbered("items", 10));
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "items");
  auto Stored = [&] { return StoredRows(Db.File, "items").size(); };
  {
    TWriteGroupGuard Outer(DS.get());
    {
      TWriteGroupGuard Inner(DS.get());
      DS->Delete();
      DS->AppendRecord({Variant(), "new", 1});
      Inner.End();
    }
    EXPECT_EQ(StoredRows(Db.File, "items").front().find("integer 1 |"), 0u)
        << "nothing reaches the file before the outermost group ends";
    DS->SaveWriteGroup();
    EXPECT_EQ(Stored(), 10u);  // one deleted, one added
    EXPECT_EQ(StoredRows(Db.File, "items").front().find("integer 1 |"), String::npos);
    DS->First();
    DS->Delete();
    EXPECT_EQ(Stored(), 10u);
    Outer.End();
  }
  EXPECT_EQ(Stored(), 9u);
  RunSQL(Db.File, "INSERT INTO items (name) VALUES ('other')");  // the file is free
  DS->Refresh();
  EXPECT_EQ(DS->GetRecordCount(), 10);
}

// Another program adds a row before the first one while the grid reads the
// rows around it: the new row is number 1 and the rows shown after it are
// numbered on from 2.
TEST(SQLiteSharedFile, ARowAddedBeforeTheFirstWhileTheGridReadsItIsNumberOne) {
  TTempDatabase Db("before_first");
  RunSQL(Db.File, Numbered("items", 300, "'row ' || printf('%03d', x)"));
  TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(Db.File);
  DS->SetTableName("items");
  DS->SetIndexFieldNames("name");
  for (const char* Name : {"id", "name", "amount"}) {
    TField* Field = String(Name) == "name" ? static_cast<TField*>(TStringField::Create(DS.get()))
                                           : static_cast<TField*>(TLargeintField::Create(DS.get()));
    Field->SetFieldName(Name);
    Field->SetDataSet(DS.get());
  }
  TIntegerField* Calc = TIntegerField::Create(DS.get());
  Calc->SetFieldName("calc");
  Calc->SetFieldKind(fkCalculated);
  Calc->SetDataSet(DS.get());
  bool Armed = false;
  DS->OnCalcFields = [&](TDataSet*) {
    if (!Armed) return;
    Armed = false;
    RunSQL(Db.File, "INSERT INTO items (name, amount) VALUES ('a row', 0)");
  };
  TObjectPtr<TDataSource> Source(TDataSource::Create(nullptr));
  Source->SetDataSet(DS.get());
  TDataLink* Link = TDataLink::Create();
  Link->SetDataSource(Source.get());
  Link->SetBufferCount(7);
  DS->Open();
  DS->Last();
  Armed = true;  // as the first row is read, before the rows around it
  DS->GotoBookmark(String("\x01\0\0\0\0\0\0\0", 8));
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "row 001");
  EXPECT_EQ(DS->GetRecNo(), 2);
  EXPECT_NO_THROW(DS->CheckConsistency());
  DS->MoveBy(-1);
  EXPECT_EQ(DS->FieldByName("name")->GetAsString(), "a row");
  EXPECT_EQ(DS->GetRecNo(), 1);
  Link->Free();
}

}  // namespace
}  // namespace kvp::test
