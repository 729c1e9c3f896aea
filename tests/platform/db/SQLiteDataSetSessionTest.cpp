// Long seeded sessions over an SQLite table as a grid and its footers use
// it: a window of buffers through a data link, walks with the controls
// disabled, typed and pasted texts (short, empty, longer than a cached cell)
// posted, rows inserted, edited, deleted, Refresh, and in some sessions
// another connection writing between the steps. After every step the file
// must hold exactly what the model says, every record the window shows must
// hold its row's values, and the buffer window must be consistent.

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "SQLiteTestUtil.h"

namespace kvp::test {
namespace {

struct TRow {
  std::optional<String> Name;  // nullopt: NULL
  double Amount = 0;
  bool operator==(const TRow&) const = default;
};
using TRows = std::map<Int64, TRow>;

// The rows of "items" as stored, read through a connection of its own.
TRows ReadFile(const String& File) {
  TRows Rows;
  sqlite3* DB = nullptr;
  EXPECT_EQ(sqlite3_open_v2(File.c_str(), &DB, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_busy_timeout(DB, 5000);
  sqlite3_stmt* Stmt = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(DB, "SELECT id, name, amount FROM items", -1, &Stmt, nullptr),
            SQLITE_OK);
  while (Stmt && sqlite3_step(Stmt) == SQLITE_ROW) {
    TRow Row;
    if (sqlite3_column_type(Stmt, 1) != SQLITE_NULL)
      Row.Name = String(reinterpret_cast<const char*>(sqlite3_column_text(Stmt, 1)),
                        std::size_t(sqlite3_column_bytes(Stmt, 1)));
    Row.Amount = sqlite3_column_double(Stmt, 2);
    Rows[sqlite3_column_int64(Stmt, 0)] = Row;
  }
  sqlite3_finalize(Stmt);
  sqlite3_close(DB);
  return Rows;
}

// The ids as SQLite orders the rows by OrderBy.
std::vector<Int64> FileOrder(const String& File, const String& OrderBy) {
  std::vector<Int64> Ids;
  sqlite3* DB = nullptr;
  sqlite3_open_v2(File.c_str(), &DB, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* Stmt = nullptr;
  const String SQL = "SELECT id FROM items ORDER BY " + OrderBy;
  EXPECT_EQ(sqlite3_prepare_v2(DB, SQL.c_str(), -1, &Stmt, nullptr), SQLITE_OK);
  while (Stmt && sqlite3_step(Stmt) == SQLITE_ROW) Ids.push_back(sqlite3_column_int64(Stmt, 0));
  sqlite3_finalize(Stmt);
  sqlite3_close(DB);
  return Ids;
}

// Steps of a session; KV_SESSION_STEPS sets another number for long runs,
// KV_SESSION_SEED another first seed.
Integer SessionSteps(Integer Usual) {
  const char* Steps = std::getenv("KV_SESSION_STEPS");
  return Steps ? Integer(std::atoi(Steps)) : Usual;
}
UInt64 SessionSeed(UInt64 Usual) {
  const char* Seed = std::getenv("KV_SESSION_SEED");
  return Seed ? UInt64(std::strtoull(Seed, nullptr, 10)) + Usual : Usual;
}

String Describe(const TRow& Row) {
  const String Name = !Row.Name ? String("NULL")
                      : Row.Name->size() > 40
                          ? "'" + Row.Name->substr(0, 12) + "...' (" +
                                IntToStr(Integer(Row.Name->size())) + " bytes)"
                          : "'" + *Row.Name + "'";
  return Name + ", " + std::to_string(Row.Amount);
}

// One session: Steps random steps over a table of Rows rows, sorted by
// Order (empty: row id order), the cache limited to CacheLimit bytes; with
// Writer, another connection changes rows between the steps.
class TSession {
 public:
  TSession(const String& Tag, UInt64 Seed, const String& Order, const String& Desc,
           std::size_t CacheLimit, bool Writer)
      : FDb(Tag.c_str(), MemoryFolder()), FRandom(Seed), FOrder(Order), FDesc(Desc), FWriter(Writer) {
    RunSQL(FDb.File,
           "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT, amount REAL);"
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 120) "
           "INSERT INTO items SELECT i, CASE WHEN i % 17 = 0 THEN NULL WHEN i % 13 = 0 THEN '' "
           "WHEN i % 29 = 0 THEN printf('%.*c', 70000 + i, 'w') ELSE 'name ' || (i % 23) END, "
           "i * 0.25 FROM n;");
    FModel = ReadFile(FDb.File);
    DS.reset(TSQLiteDataSet::Create(nullptr));
    DS->SetName("Data");
    DS->SetDatabaseName(FDb.File);
    DS->SetTableName("items");
    DS->SetCacheLimit(CacheLimit);
    DS->SetIndexFieldNames(Order);
    DS->SetDescFields(Desc);
    Source->SetDataSet(DS.get());
    Link->SetDataSource(Source.get());
    Link->SetBufferCount(9);
    DS->Open();
    if (Writer) {
      EXPECT_EQ(sqlite3_open(FDb.File.c_str(), &FOther), SQLITE_OK);
      sqlite3_busy_timeout(FOther, 5000);
    }
  }
  ~TSession() {
    Link->Free();
    Source.reset();
    DS.reset();
    if (FOther) sqlite3_close(FOther);
  }

  void Run(Integer Steps) {
    for (Integer Step = 0; Step < Steps; ++Step) {
      const Integer Op = Pick(20);
      SCOPED_TRACE("step " + IntToStr(Step) + ", operation " + IntToStr(Op));
      FLog += " [" + IntToStr(Step) + ":" + IntToStr(Op) + "]";
      try {
        Do(Op);
      } catch (const Exception& E) {
        FAIL() << E.what() << "; steps:" << RecentSteps();
      }
      if (FWriter && Pick(3) == 0) WriteElsewhere();
      Check();
      if (::testing::Test::HasFatalFailure() || ::testing::Test::HasFailure()) return;
    }
  }

  TObjectPtr<TSQLiteDataSet> DS;

 private:
  Integer Pick(Integer N) { return Integer(FRandom() % UInt64(N)); }

  // A text as a user types or pastes it: short, one that just passes a
  // small cache's cell limit, longer than any cached cell, or empty.
  String Text() {
    switch (Pick(6)) {
      case 0:
        return String();
      case 1:
        return "A pasted name of 25 bytes";
      case 2:
        return String(std::size_t(65537 + Pick(40000)), char('a' + Pick(26)));
      case 3:
        return String(std::size_t(60 + Pick(200)), char('a' + Pick(26)));
      default:
        return "name " + IntToStr(Pick(30));
    }
  }

  // The row of the current record, by its bookmark (its row id): a row
  // another user deleted reads NULL in every field.
  Int64 CurrentId() {
    const TBookmark Bookmark = DS->GetBookmark();
    UInt64 Id = 0;
    for (std::size_t I = Bookmark.size(); I-- > 0;)
      Id = (Id << 8) | static_cast<unsigned char>(Bookmark[I]);
    return Int64(Id);
  }

  void SetRow(const String& Name, double Amount) {
    DS->FieldByName("name")->SetAsString(Name);
    DS->FieldByName("amount")->SetAsFloat(Amount);
  }
  // What a post of Name and Amount over the row Was stores: an empty text
  // is NULL, unless the row held an empty text, which stays as stored.
  static TRow Stored(const String& Name, double Amount, const TRow* Was = nullptr) {
    TRow Row;
    if (!Name.empty() || (Was && Was->Name && Was->Name->empty())) Row.Name = Name;
    Row.Amount = Amount;
    return Row;
  }

  // A walk over the rows (from the first, or on from the current one) that
  // reads one column or both, as footers and exports do.
  void Walk(bool Disabled, bool FromStart, Integer Most) {
    const bool ReadName = Pick(3) != 0, ReadAmount = Pick(3) != 0;
    std::optional<TDisableControlsGuard> Hold;
    if (Disabled) Hold.emplace(DS.get());
    if (FromStart) DS->First();
    std::set<Int64> Met;
    for (Integer I = 0; I < Most && !DS->GetEof(); ++I, DS->Next()) {
      const Int64 Id = CurrentId();
      // Sorted, a row another user moved from behind the walk to ahead of
      // it is met again where it stands now.
      const bool Again = !Met.insert(Id).second;
      ASSERT_FALSE(Again && (FOrder.empty() || FStale.empty())) << "row " << Id << " met twice";
      if (FStale.count(Id)) continue;
      auto It = FModel.find(Id);
      ASSERT_NE(It, FModel.end()) << "row " << Id << " is not stored";
      if (ReadName) {
        TField* Name = DS->FieldByName("name");
        ASSERT_EQ(Name->IsNull(), !It->second.Name) << "row " << Id;
        if (It->second.Name) {
          ASSERT_EQ(Name->GetAsString(), *It->second.Name) << "row " << Id;
        }
      }
      if (ReadAmount) {
        ASSERT_EQ(DS->FieldByName("amount")->GetAsFloat(), It->second.Amount);
      }
    }
    if (FromStart && DS->GetEof() && FStale.empty()) {
      ASSERT_EQ(Integer(Met.size()), Integer(FModel.size())) << "a whole walk meets every row";
    }
  }

  void Do(Integer Op) {
    if (Op <= 2) {
      const Integer Kind = Pick(4);
      if (Kind == 0) DS->First();
      else if (Kind == 1) DS->Last();
      else if (Kind == 2) DS->MoveBy(Pick(41) - 20);
      else if (!DS->IsEmpty()) {
        // The count is the rows as read: numbers past the rows another user
        // deleted since name no record.
        try {
          DS->SetRecNo(1 + Pick(DS->GetRecordCount()));
        } catch (const EDatabaseError&) {
          if (FStale.empty()) throw;
        }
      }
    } else if (Op <= 5) {
      Walk(true, Pick(3) != 0, Pick(2) ? 1 << 30 : 1 + Pick(80));
    } else if (Op == 6) {
      Walk(false, true, 1 << 30);
    } else if (Op <= 8) {
      // Typed or pasted into the current record.
      if (DS->IsEmpty()) return;
      const Int64 Id = CurrentId();
      if (FStale.count(Id)) return;
      const String Name = Text();
      const double Amount = Pick(1000) * 0.5;
      const bool Disabled = Pick(2) == 0;  // a paste walks with the controls disabled
      std::optional<TDisableControlsGuard> Hold;
      if (Disabled) Hold.emplace(DS.get());
      DS->Edit();
      SetRow(Name, Amount);
      if (Pick(6) == 0) {
        DS->Cancel();
        return;
      }
      DS->Post();
      FModel[Id] = Stored(Name, Amount, &FModel[Id]);
      if (Disabled && Pick(2)) DS->Next();
    } else if (Op <= 10) {
      const String Name = Text();
      const double Amount = Pick(1000) * 0.5;
      if (Op == 9)
        DS->Insert();
      else
        DS->Append();
      SetRow(Name, Amount);
      DS->Post();
      FModel[CurrentId()] = Stored(Name, Amount);
    } else if (Op == 11) {
      if (DS->IsEmpty() || FModel.size() < 20) return;
      const Int64 Id = CurrentId();
      if (FStale.count(Id)) return;
      DS->Delete();
      FModel.erase(Id);
    } else if (Op <= 13) {
      DS->Refresh();
      FStale.clear();
      if (!FOrder.empty()) {
        ASSERT_EQ(WalkIds(), FileOrder(FDb.File, OrderClause())) << "the rows in the order";
      }
    } else if (Op == 14) {
      // Several pasted rows, each posted by the move to the next, with the
      // controls disabled.
      TDisableControlsGuard Hold(DS.get());
      for (Integer I = 0, N = 1 + Pick(5); I < N && !DS->GetEof(); ++I) {
        if (DS->IsEmpty() || FStale.count(CurrentId())) break;
        const Int64 Id = CurrentId();
        const String Name = Text();
        DS->Edit();
        DS->FieldByName("name")->SetAsString(Name);
        DS->Next();
        FModel[Id].Name = Stored(Name, 0, &FModel[Id]).Name;
      }
    } else {
      DS->MoveBy(Pick(2) ? 1 : -1);
    }
  }

  String OrderClause() const {
    String Result;
    Integer Pos = 1;
    while (Pos <= Length(FOrder)) {
      const String Name = ExtractFieldName(FOrder, Pos);
      const bool Desc = Pos > 0 && FDesc.find(Name) != String::npos;
      Result += Name + (Desc ? " DESC" : "") + ", ";
    }
    return Result + "id";
  }

  std::vector<Int64> WalkIds() {
    std::vector<Int64> Ids;
    for (DS->First(); !DS->GetEof(); DS->Next()) Ids.push_back(CurrentId());
    return Ids;
  }

  // Another user inserts, changes or deletes a row.
  void WriteElsewhere() {
    const Integer Kind = Pick(3);
    String SQL;
    if (Kind == 0) {
      SQL = "INSERT INTO items (name, amount) VALUES ('other " + IntToStr(Pick(30)) + "', " +
            IntToStr(Pick(500)) + ")";
    } else {
      if (FModel.empty()) return;
      auto It = FModel.begin();
      std::advance(It, Pick(Integer(FModel.size())));
      const Int64 Id = It->first;
      if (DS->GetState() != dsBrowse) return;
      SQL = Kind == 1 ? "UPDATE items SET name = 'moved " + IntToStr(Pick(30)) +
                            "', amount = amount + 1 WHERE id = " + IntToStr(Integer(Id))
                      : "DELETE FROM items WHERE id = " + IntToStr(Integer(Id));
      FStale.insert(Id);
    }
    FLog += " {" + SQL + "}";
    char* Error = nullptr;
    ASSERT_EQ(sqlite3_exec(FOther, SQL.c_str(), nullptr, nullptr, &Error), SQLITE_OK)
        << (Error ? Error : "");
    if (Kind == 0) FStale.insert(sqlite3_last_insert_rowid(FOther));
    FModel = ReadFile(FDb.File);
  }

  // The window as "record number:row id", and the active buffer.
  String WindowText() {
    String Text;
    const Integer Active = Link->GetActiveRecord();
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      Text += " " + IntToStr(DS->GetRecNo()) + ":" + IntToStr(Integer(CurrentId()));
    }
    Link->SetActiveRecord(Active);
    return Text + " active " + IntToStr(Active);
  }

  // The last steps taken ([step:operation]) and another user's writes.
  String RecentSteps() const { return FLog.substr(FLog.size() > 1500 ? FLog.size() - 1500 : 0); }

  void Check() {
    ASSERT_NO_THROW(DS->CheckConsistency()) << "window" << WindowText() << "; steps:" << RecentSteps();
    // The file holds what was posted, nothing else.
    const TRows File = ReadFile(FDb.File);
    if (File != FModel) {
      for (const auto& [Id, Row] : FModel) {
        auto It = File.find(Id);
        ASSERT_NE(It, File.end()) << "row " << Id << " is missing from the file";
        ASSERT_EQ(It->second, Row) << "row " << Id << ": file " << Describe(It->second)
                                   << ", model " << Describe(Row);
      }
      FAIL() << "the file holds rows that were not posted";
    }
    if (DS->GetState() != dsBrowse) return;
    if (FStale.empty()) {
      ASSERT_EQ(DS->GetRecordCount(), Integer(FModel.size()));
    }
    // Every record the window shows holds its row's values.
    const Integer Active = Link->GetActiveRecord();
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      const Int64 Id = CurrentId();
      if (FStale.count(Id)) continue;
      auto It = FModel.find(Id);
      ASSERT_NE(It, FModel.end()) << "buffer " << I << " shows row " << Id << ", not stored";
      TRow Shown;
      if (!DS->FieldByName("name")->IsNull()) Shown.Name = DS->FieldByName("name")->GetAsString();
      Shown.Amount = DS->FieldByName("amount")->GetAsFloat();
      ASSERT_EQ(Shown, It->second) << "buffer " << I << ", row " << Id << ": shown "
                                   << Describe(Shown) << ", stored " << Describe(It->second);
    }
    Link->SetActiveRecord(Active);
  }

  TTempDatabase FDb;
  std::mt19937_64 FRandom;
  String FOrder, FDesc;
  bool FWriter = false;
  sqlite3* FOther = nullptr;
  TRows FModel;
  std::set<Int64> FStale;  // rows another user changed since the last Refresh
  String FLog;             // the steps taken and another user's writes
  TObjectPtr<TDataSource> Source{TDataSource::Create(nullptr)};
  TDataLink* Link = TDataLink::Create();
};

// A grid sorted by a text column, its footers walking with the controls
// disabled, texts of every length pasted and typed, Refresh: nothing read or
// bound is ever taken from a text the dataset does not hold (the sanitizers
// watch), and what is shown and stored is what was posted.
TEST(SQLiteSession, ASortedTableTakesWalksPastesEditsDeletesAndRefreshesAsPosted) {
  struct TConfig {
    UInt64 Seed;
    const char* Order;
    const char* Desc;
    std::size_t Cache;
  };
  for (const TConfig& C : {TConfig{11, "name", "", 512}, TConfig{12, "name", "name", 8 << 20},
                           TConfig{13, "name;amount", "amount", 2048},
                           TConfig{14, "name", "", 8 << 20}}) {
    const UInt64 Seed = SessionSeed(C.Seed);
    SCOPED_TRACE("seed " + std::to_string(Seed));
    TSession Session("session_sorted", Seed, C.Order, C.Desc, C.Cache, false);
    Session.Run(SessionSteps(150));
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
}  // namespace kvp::test

namespace kvp::test {
namespace {

// Another user inserts, changes and deletes rows between the steps of one
// working over the same table, in row id order and sorted: the window of
// buffers stays consistent after every step, and the file holds what both
// wrote.
TEST(SQLiteSession, AnotherConnectionWritingBetweenTheStepsKeepsTheWindowConsistent) {
  struct TConfig {
    UInt64 Seed;
    const char* Order;
    std::size_t Cache;
  };
  for (const TConfig& C : {TConfig{21, "", 8 << 20}, TConfig{22, "", 1024},
                           TConfig{23, "name", 8 << 20}, TConfig{24, "amount", 2048}}) {
    const UInt64 Seed = SessionSeed(C.Seed);
    SCOPED_TRACE("seed " + std::to_string(Seed) + ", order '" + C.Order + "'");
    TSession Session("session_shared", Seed, C.Order, "", C.Cache, true);
    Session.Run(SessionSteps(150));
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
}  // namespace kvp::test
