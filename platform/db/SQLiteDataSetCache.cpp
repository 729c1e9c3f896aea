// TSQLiteDataSet over a table with row ids: the bounded cache of compactly
// stored pages of rows, reading forward and backward from a row id with the two
// kept statements, the rows placed by Insert, record numbers anchored on the
// pages, and GetRecord for this way of reading. See the unit comment in
// SQLiteDataSet.h for the design.
//
// Index
//   [SECTION] Pages       finding a cached row, adding, linking and dropping pages
//   [SECTION] Reading     ReadForward, ReadBackward, DbNext, DbPrior, DbRowAt
//   [SECTION] Counting    DbCount, DbCountBelow, positions
//   [SECTION] Order       keys, placed rows, KeyedNext, KeyedPrior, KeyedGetRecord

#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SQLiteDataSetImpl.h"
#include "platform/rtl/Strings.h"

namespace kvp {

using namespace sqlite_detail;

namespace {

constexpr Integer PageRows = 512;     // rows a page holds at most
constexpr Integer FirstChunk = 64;    // rows read after a jump
constexpr Integer LargestChunk = 4096;  // rows read at once when walking on
constexpr Int64 DbMinor = INT64_MAX;  // the minor key of every database row

constexpr int LargestCell = 64 * 1024;  // a text or blob cached with its row, at most

std::size_t PageBytes(Integer Rows, std::size_t Bytes) {
  return Bytes + std::size_t(Rows) * (sizeof(Int64) + sizeof(unsigned));
}

// Counts of whole tables this process took (CountTable), each with the
// fingerprint of the file it was taken from.
using TCountKey = std::pair<std::pair<UInt64, UInt64>, String>;  // file identity, table
std::map<TCountKey, std::pair<std::string, Int64>>& CountsTaken() {
  static std::map<TCountKey, std::pair<std::string, Int64>> Taken;
  return Taken;
}
constexpr std::size_t MostCountsKept = 64;

// Holds a read transaction whose lock is taken at once, when none is open.
class TReadTransaction {
 public:
  explicit TReadTransaction(sqlite3* DB) : FDB(DB) {
    if (!sqlite3_get_autocommit(DB)) return;
    if (sqlite3_exec(DB, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return;
    FOpen = true;
    // The schema's version is on the first page: reading it takes the lock.
    FBegun = sqlite3_exec(DB, "PRAGMA schema_version", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~TReadTransaction() {
    if (FOpen) sqlite3_exec(FDB, "COMMIT", nullptr, nullptr, nullptr);
  }
  TReadTransaction(const TReadTransaction&) = delete;
  TReadTransaction& operator=(const TReadTransaction&) = delete;
  bool Begun() const { return FBegun; }

 private:
  sqlite3* FDB;
  bool FOpen = false;
  bool FBegun = false;
};

}  // namespace

// [SECTION] Pages

// Texts and blobs larger than this stay in the table until a field asks.
int TSQLiteDataSet::LargestCachedCell() const {
  return int(std::min<std::size_t>(LargestCell, std::max<std::size_t>(FCacheLimit / 16, 1)));
}

// The bytes one read may bring into the cache: rows of any size cannot take
// more than their share of the limit, however many were asked for.
std::size_t TSQLiteDataSet::ReadBudget() const { return std::max<std::size_t>(FCacheLimit / 4, 1); }

bool TSQLiteDataSet::FindCached(Int64 RowId, TPages::iterator& Page, Integer& Index) {
  auto Holds = [RowId](const TPage& P) {
    return !P.RowIds.empty() && P.RowIds.front() <= RowId && RowId <= P.RowIds.back();
  };
  TPages::iterator It = FHint;
  if (It == FPages.end() || !Holds(It->second)) {
    It = FPages.upper_bound(RowId);
    if (It == FPages.begin()) return false;
    --It;
    if (!Holds(It->second)) return false;
  }
  const auto& Ids = It->second.RowIds;
  const auto At = std::lower_bound(Ids.begin(), Ids.end(), RowId);
  if (*At != RowId) return false;
  Page = It;
  Index = Integer(At - Ids.begin());
  It->second.LastUse = FUseTick;
  FHint = It;
  FHintIndex = Index;
  return true;
}

TSQLiteDataSet::TPages::iterator TSQLiteDataSet::PageBefore(TPages::iterator Page) {
  return Page == FPages.begin() ? FPages.end() : std::prev(Page);
}

TSQLiteDataSet::TPages::iterator TSQLiteDataSet::AddPage(Int64 FirstRowId) {
  const auto It = FPages.emplace(FirstRowId, TPage{}).first;
  It->second.LastUse = FUseTick;
  return It;
}

void TSQLiteDataSet::LinkAfter(TPages::iterator Prev, TPages::iterator Page) {
  Page->second.LinkedToPrev = true;
  SpreadBases(Prev);
  SpreadBases(Page);
}

// Carries a known position along the pages linked to this one, both ways,
// and a first page's position 1; a last page with a known position gives the
// count.
void TSQLiteDataSet::SpreadBases(TPages::iterator Page) {
  TPage& P = Page->second;
  if (P.IsFirst) P.Base = 1;
  if (P.Base == 0) return;
  for (auto It = Page; std::next(It) != FPages.end(); ++It) {
    TPage& Next = std::next(It)->second;
    if (!Next.LinkedToPrev || It->second.Base == 0) break;
    Next.Base = It->second.Base + It->second.Count();
  }
  for (auto It = Page; It != FPages.begin() && It->second.LinkedToPrev; --It) {
    TPage& Prev = std::prev(It)->second;
    if (Prev.Base != 0) break;
    Prev.Base = It->second.Base - Prev.Count();
  }
  for (auto It = Page; It != FPages.end(); ++It) {
    if (It->second.Base == 0) break;
    if (It->second.IsLast && FDbCount < 0) FDbCount = It->second.Base + It->second.Count() - 1;
    if (std::next(It) == FPages.end() || !std::next(It)->second.LinkedToPrev) break;
  }
}

// Drops the pages used least recently until the cache fits its limit; pages
// used by the current call stay, since its rows may still be in hand.
void TSQLiteDataSet::TrimCache(TPages::iterator Keep) {
  while (FCacheBytes > FCacheLimit && FPages.size() > 1) {
    auto Oldest = FPages.end();
    for (auto It = FPages.begin(); It != FPages.end(); ++It)
      if (It != Keep && It->second.LastUse < FUseTick &&
          (Oldest == FPages.end() || It->second.LastUse < Oldest->second.LastUse))
        Oldest = It;
    if (Oldest == FPages.end()) return;
    const auto Next = std::next(Oldest);
    if (Next != FPages.end()) Next->second.LinkedToPrev = false;
    FCacheBytes -= PageBytes(Oldest->second.Count(), Oldest->second.Bytes.size());
    if (FHint == Oldest) FHint = FPages.end();
    FPages.erase(Oldest);
  }
}

void TSQLiteDataSet::ClearCache() {
  FPages.clear();
  FCacheBytes = 0;
  FHint = FPages.end();
  FAnchors.clear();
  DropRun();
}

// [SECTION] Reading

// The condition every read of database rows adds: the filter, and that a row
// placed by Insert is shown where it was placed, not by its row id.
String TSQLiteDataSet::RowFilter() const {
  String Result;
  if (!Condition().empty()) Result += " AND " + Condition();
  if (!FPlaced.empty()) {
    Result += " AND " + FRowId + " NOT IN (";
    for (std::size_t I = 0; I < FPlaced.size(); ++I)
      Result += (I ? "," : "") + IntToStr(FPlaced[I].RowId);
    Result += ")";
  }
  return Result;
}

// Reads database rows from From on into the cache, continuing the page
// Continues when they follow its last row directly. It stops at a row that is
// already cached, linking the pages, and marks the end when fewer rows than
// asked for come. Walking on from the end of a page reads ever more at once.
// Rows that OnFilterRecord refuses are not kept.
TSQLiteDataSet::TRead TSQLiteDataSet::ReadForward(Int64 From, TPages::iterator Continues) {
  const bool Walking = Continues != FPages.end();
  FChunk = Walking ? std::min(FChunk * 2, LargestChunk) : FirstChunk;
  sqlite3_stmt* Stmt = PrepareKept(FForward, "SELECT " + FRowId + ", * FROM " + SourceSQL() +
                                                 " WHERE " + FRowId + " >= ?1" + RowFilter() +
                                                 " ORDER BY " + FRowId + " LIMIT ?2");
  TResetOnExit Reset(Stmt);
  ++FReadRuns;
  sqlite3_bind_int64(Stmt, 1, From);
  sqlite3_bind_int(Stmt, 2, FChunk);
  TRead Read;
  auto Page = Continues;
  const auto Next = Walking ? std::next(Continues) : FPages.upper_bound(From);
  const bool FromStart = From == INT64_MIN;
  const bool Handler = GetFiltered() && OnFilterRecord;
  const int Columns = int(FTypes.size());
  std::string Scratch;  // a row OnFilterRecord looks at before it is kept
  const int Largest = LargestCachedCell();
  std::size_t Held = 0;  // bytes of the rows read, as SQLite holds them
  bool Cut = false;      // the read stopped at its share of the cache
  Integer Count = 0;
  int Step = SQLITE_ROW;
  bool Checked = false;
  while ((Step = sqlite3_step(Stmt)) == SQLITE_ROW) {
    if (!Checked) CheckReprepared(Stmt);
    Checked = true;
    const Int64 RowId = sqlite3_column_int64(Stmt, 0);
    if (Next != FPages.end() && RowId >= Next->first) {
      if (RowId == Next->first && Page != FPages.end()) LinkAfter(Page, Next);
      Next->second.LastUse = FUseTick;  // it holds the answer: not trimmed below
      Read.Stopped = true;
      Read.StopRowId = Next->first;
      break;
    }
    if (Held >= ReadBudget()) {
      Cut = true;
      break;
    }
    ++Count;
    ++FReadRows;
    Read.LastRaw = RowId;
    if (Handler) {
      Scratch.clear();
      Held += AppendCells(Scratch, Stmt, 1, Columns, Largest);
      if (!RowShown(Scratch.data(), RowId)) continue;
    }
    if (Page == FPages.end() || Page->second.Count() >= PageRows ||
        Page->second.Bytes.size() >= ReadBudget()) {
      const auto Prev = Page;
      Page = AddPage(RowId);
      Page->second.Bytes.reserve(Prev != FPages.end() ? Prev->second.Bytes.size() + 1024 : 0);
      if (Prev != FPages.end())
        LinkAfter(Prev, Page);
      else if (FromStart && Read.Stored == 0)
        Page->second.IsFirst = true;
    }
    TPage& P = Page->second;
    const std::size_t Before = P.Bytes.size();
    if (Handler)
      P.Bytes += Scratch;
    else
      Held += AppendCells(P.Bytes, Stmt, 1, Columns, Largest);
    P.RowIds.push_back(RowId);
    P.Starts.push_back(unsigned(Before));
    P.LastUse = FUseTick;
    FCacheBytes += PageBytes(1, P.Bytes.size() - Before);
    if (Read.Stored++ == 0) Read.Answer = RowId;
  }
  if (Step != SQLITE_ROW && Step != SQLITE_DONE) SQLiteError("Cannot read the next rows");
  if (!Checked) CheckReprepared(Stmt);
  Read.End = !Read.Stopped && !Cut && Count < FChunk;
  if (Read.End && Page != FPages.end()) Page->second.IsLast = true;
  if (Page != FPages.end()) {
    SpreadBases(Page);
    FHint = Page;
  }
  Read.Page = Page;
  TrimCache(Page);
  return Read;
}

// Reads database rows up to To backwards into a new page before Continues
// (when they end right before its first row). To = INT64_MAX reads the last
// rows of the table, whose positions the count gives.
TSQLiteDataSet::TRead TSQLiteDataSet::ReadBackward(Int64 To, TPages::iterator Continues) {
  const bool Walking = Continues != FPages.end() && To != INT64_MAX;
  FChunk = Walking ? std::min(FChunk * 2, PageRows) : FirstChunk;
  const Int64 Count = To == INT64_MAX ? DbCount() : -1;
  sqlite3_stmt* Stmt = PrepareKept(FBackward, "SELECT " + FRowId + ", * FROM " + SourceSQL() +
                                                  " WHERE " + FRowId + " <= ?1" + RowFilter() +
                                                  " ORDER BY " + FRowId + " DESC LIMIT ?2");
  TResetOnExit Reset(Stmt);
  ++FReadRuns;
  sqlite3_bind_int64(Stmt, 1, To);
  sqlite3_bind_int(Stmt, 2, FChunk);
  // [Phase 1] The rows, last first, until one is cached.
  const auto Next = FPages.upper_bound(To);
  const auto Prev = PageBefore(Next);
  const bool Handler = GetFiltered() && OnFilterRecord;
  TRead Read;
  std::vector<Int64> Ids;
  std::vector<std::string> Rows;
  const int Largest = LargestCachedCell();
  std::size_t Held = 0;  // bytes of the rows read, as SQLite holds them
  bool Cut = false;      // the read stopped at its share of the cache
  Integer Raw = 0;
  int Step = SQLITE_ROW;
  while ((Step = sqlite3_step(Stmt)) == SQLITE_ROW) {
    if (Raw == 0) CheckReprepared(Stmt);
    const Int64 RowId = sqlite3_column_int64(Stmt, 0);
    if (Prev != FPages.end() && RowId <= Prev->second.RowIds.back()) {
      Prev->second.LastUse = FUseTick;  // it holds the answer: not trimmed below
      Read.Stopped = true;
      Read.StopRowId = Prev->second.RowIds.back();
      if (RowId == Read.StopRowId) {
        if (!Ids.empty()) Read.Page = Prev;  // linked below
        else if (Continues != FPages.end()) LinkAfter(Prev, Continues);
      }
      break;
    }
    if (Held >= ReadBudget()) {
      Cut = true;
      break;
    }
    ++Raw;
    Read.LastRaw = RowId;
    std::string Bytes;
    Held += AppendCells(Bytes, Stmt, 1, int(FTypes.size()), Largest);
    if (Handler && !RowShown(Bytes.data(), RowId)) continue;
    Ids.push_back(RowId);
    Rows.push_back(std::move(Bytes));
  }
  if (Step != SQLITE_ROW && Step != SQLITE_DONE) SQLiteError("Cannot read the prior rows");
  if (Raw == 0) CheckReprepared(Stmt);
  FReadRows += Raw;
  Read.End = !Read.Stopped && !Cut && Raw < FChunk;
  Read.Stored = Integer(Ids.size());
  if (Ids.empty()) {
    if (Read.End && Continues != FPages.end()) {
      Continues->second.IsFirst = true;
      SpreadBases(Continues);
    }
    Read.Page = FPages.end();
    return Read;
  }
  // [Phase 2] They become one page, in ascending order, linked to both sides.
  Read.Answer = Ids.front();
  const bool LinkedToPrev = Read.Page == Prev && Prev != FPages.end();
  const auto Page = AddPage(Ids.back());
  TPage& P = Page->second;
  for (std::size_t I = Ids.size(); I-- > 0;) {
    P.RowIds.push_back(Ids[I]);
    P.Starts.push_back(unsigned(P.Bytes.size()));
    P.Bytes += Rows[I];
  }
  FCacheBytes += PageBytes(P.Count(), P.Bytes.size());
  P.IsFirst = Read.End;
  P.LinkedToPrev = LinkedToPrev;
  if (To == INT64_MAX) {
    P.IsLast = true;
    P.Base = Integer(Count - P.Count() + 1);
  }
  if (Continues != FPages.end()) Continues->second.LinkedToPrev = true;
  SpreadBases(Page);
  if (LinkedToPrev) SpreadBases(Prev);
  if (Continues != FPages.end()) SpreadBases(Continues);
  FHint = Page;
  Read.Page = Page;
  TrimCache(Page);
  return Read;
}

bool TSQLiteDataSet::RowAt(TPages::iterator Page, Integer Index, TRowRef& Row) {
  Page->second.LastUse = FUseTick;
  FHint = Page;
  FHintIndex = Index;
  Row = TRowRef{Page->second.RowIds[Index], Page->second.Row(Index), false, Page, Index};
  return true;
}

bool TSQLiteDataSet::RowFound(Int64 RowId, TRowRef& Row) {
  TPages::iterator Page;
  Integer Index = 0;
  if (!FindCached(RowId, Page, Index)) return false;
  Row = TRowRef{RowId, Page->second.Row(Index), false, Page, Index};
  return true;
}

// The first database row with a row id >= From as far as the cache knows:
// Answered when a page holds From, or when the gap before the next page (or
// after the last) is known; the result is then the answer.
bool TSQLiteDataSet::CachedNext(Int64 From, TRowRef& Row, bool& Answered) {
  Answered = true;
  auto After = FPages.upper_bound(From);
  auto Before = PageBefore(After);
  if (Before != FPages.end() && From <= Before->second.RowIds.back()) {
    const auto& Ids = Before->second.RowIds;
    return RowAt(Before, Integer(std::lower_bound(Ids.begin(), Ids.end(), From) - Ids.begin()),
                 Row);
  }
  if (Before != FPages.end() && Before->second.IsLast) return false;
  if (After != FPages.end() &&
      (Before != FPages.end() ? After->second.LinkedToPrev : After->second.IsFirst))
    return RowAt(After, 0, Row);
  Answered = false;
  return false;
}

// The first database row with a row id >= From, from the cache or read.
bool TSQLiteDataSet::DbNext(Int64 From, TRowRef& Row) {
  // [Phase 1] The cache answers when it knows.
  bool Answered = false;
  const bool Found = CachedNext(From, Row, Answered);
  if (Answered) return Found;
  // [Phase 2] Else read on until a row is kept or the rows end.
  const auto Before = PageBefore(FPages.upper_bound(From));
  auto Continues =
      Before != FPages.end() && Before->second.RowIds.back() == From - 1 ? Before : FPages.end();
  for (;;) {
    const TRead Read = ReadForward(From, Continues);
    if (Read.Stored > 0) return RowFound(Read.Answer, Row);
    if (Read.Stopped) return RowFound(Read.StopRowId, Row);
    if (Read.End || Read.LastRaw == INT64_MAX) return false;
    From = Read.LastRaw + 1;  // every row read was refused by OnFilterRecord
  }
}

// The last database row with a row id <= To, from the cache or read.
bool TSQLiteDataSet::DbPrior(Int64 To, TRowRef& Row) {
  auto After = FPages.upper_bound(To);
  auto Before = PageBefore(After);
  if (Before != FPages.end()) {
    const auto& Ids = Before->second.RowIds;
    if (To <= Ids.back()) return RowFound(*(std::upper_bound(Ids.begin(), Ids.end(), To) - 1), Row);
    if (Before->second.IsLast || (After != FPages.end() && After->second.LinkedToPrev))
      return RowFound(Ids.back(), Row);
  }
  if (After != FPages.end() && After->second.IsFirst && Before == FPages.end()) return false;
  auto Continues = After != FPages.end() && After->first == To + 1 ? After : FPages.end();
  for (;;) {
    const TRead Read = ReadBackward(To, Continues);
    if (Read.Stored > 0) return RowFound(Read.Answer, Row);
    if (Read.Stopped) return RowFound(Read.StopRowId, Row);
    if (Read.End || Read.LastRaw == INT64_MIN) return false;
    To = Read.LastRaw - 1;  // every row read was refused by OnFilterRecord
    Continues = FPages.end();
  }
}

// The Position-th database row (1-based): from a page whose position is
// known, else read with OFFSET (the database skips the rows before it).
bool TSQLiteDataSet::DbRowAt(Int64 Position, TRowRef& Row) {
  if (Position < 1 || Position > DbCount()) return false;
  for (auto It = FPages.begin(); It != FPages.end(); ++It) {
    const TPage& P = It->second;
    if (P.Base > 0 && Position >= P.Base && Position < P.Base + P.Count()) {
      const Integer I = Integer(Position - P.Base);
      Row = TRowRef{P.RowIds[I], P.Row(I), false, It, I};
      return true;
    }
  }
  if (GetFiltered() && OnFilterRecord) {
    // Only reading tells which rows the handler passes.
    Int64 Seen = 0;
    Int64 From = INT64_MIN;
    while (DbNext(From, Row)) {
      if (++Seen == Position) return true;
      if (Row.RowId == INT64_MAX) break;
      From = Row.RowId + 1;
    }
    return false;
  }
  const String SQL = "SELECT " + FRowId + " FROM " + SourceSQL() + " WHERE 1" + RowFilter() +
                     " ORDER BY " + FRowId + " LIMIT 1 OFFSET ?";
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot find record " + IntToStr(Position));
  TStatement Stmt(Raw);
  sqlite3_bind_int64(Raw, 1, Position - 1);
  if (!StepRow(Raw, "Cannot find record " + IntToStr(Position))) return false;
  const Int64 RowId = sqlite3_column_int64(Raw, 0);
  Stmt.reset();
  if (!DbNext(RowId, Row) || Row.RowId != RowId) return false;
  TPage& P = Row.Page->second;
  if (P.Base == 0) {
    P.Base = Integer(Position - Row.Index);
    SpreadBases(Row.Page);
  }
  return true;
}

// Whether a row id names a database row the dataset shows now.
bool TSQLiteDataSet::IsDbRowShown(Int64 RowId) {
  TPages::iterator Page;
  Integer Index = 0;
  if (FindCached(RowId, Page, Index)) return true;
  sqlite3_stmt* Stmt =
      PrepareKept(FOneRow, "SELECT " + FRowId + ", * FROM " + SourceSQL() + " WHERE " + FRowId + " = ?1" + RowFilter());
  TResetOnExit Reset(Stmt);
  sqlite3_bind_int64(Stmt, 1, RowId);
  const bool Found = StepRow(Stmt, "Cannot read the row");
  CheckReprepared(Stmt);
  if (!Found) return false;
  if (!GetFiltered() || !OnFilterRecord) return true;
  std::string Bytes;
  AppendCells(Bytes, Stmt, 1, int(FTypes.size()), LargestCachedCell());
  return RowShown(Bytes.data(), RowId);
}

// [SECTION] Counting

Int64 TSQLiteDataSet::DbCount() {
  if (FDbCount >= 0) return FDbCount;
  if (GetFiltered() && OnFilterRecord) {
    Int64 Count = 0;
    TRowRef Row;
    for (Int64 From = INT64_MIN; DbNext(From, Row); From = Row.RowId + 1) {
      ++Count;
      if (Row.RowId == INT64_MAX) break;
    }
    return FDbCount = Count;
  }
  // Without a condition the database counts the cells of the table's pages
  // without reading the rows.
  const String Filter = RowFilter();
  if (Filter.empty()) return FDbCount = CountTable();
  const String SQL = "SELECT COUNT(*) FROM " + SourceSQL() + " WHERE 1" + Filter;
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot count the rows");
  TStatement Stmt(Raw);
  if (!StepRow(Raw, "Cannot count the rows")) SQLiteError("Cannot count the rows");
  return FDbCount = sqlite3_column_int64(Raw, 0);
}

// The rows of the whole table. Counting reads every page of the table, so a
// count this process took before is taken again only when the file changed
// since: SQLite changes the file's header with every change it commits to a
// file not in WAL mode (its own cache of pages relies on that), so the same
// header, read in the same read transaction as the count, means the same rows.
Int64 TSQLiteDataSet::CountTable() {
  // [Phase 1] One read transaction, its lock taken, and the file it reads.
  TReadTransaction Reading(FDB);
  const String SQL = "SELECT COUNT(*) FROM " + SourceSQL();
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot count the rows");
  TStatement Stmt(Raw);
  const std::string Print = Reading.Begun() ? FileFingerprint() : std::string();
  const TCountKey Key{{FFileDevice, FFileInode}, FTableName};
  // [Phase 2] The count taken before, or the database's.
  auto& Taken = CountsTaken();
  if (!Print.empty()) {
    const auto Found = Taken.find(Key);
    if (Found != Taken.end() && Found->second.first == Print) return Found->second.second;
  }
  if (!StepRow(Raw, "Cannot count the rows")) SQLiteError("Cannot count the rows");
  const Int64 Count = sqlite3_column_int64(Raw, 0);
  if (!Print.empty()) {
    if (Taken.size() >= MostCountsKept) Taken.clear();
    Taken[Key] = {Print, Count};
  }
  return Count;
}

// What tells whether the file changed since a count, read inside the count's
// read transaction: the file's header (SQLite changes it with every change it
// commits to a file not in WAL mode, and trusts its own cache of pages on
// that), the table's first page, and the file's size and change times (any
// write by any program moves the change time). Empty where it cannot tell: a
// file in WAL mode, a file other than the one the dataset opened.
std::string TSQLiteDataSet::FileFingerprint() {
  struct stat Info {};
  if (!FFileKnown || ::stat(FDatabaseName.c_str(), &Info) != 0 ||
      UInt64(Info.st_dev) != FFileDevice || UInt64(Info.st_ino) != FFileInode)
    return std::string();
  sqlite3_file* File = nullptr;
  if (sqlite3_file_control(FDB, "main", SQLITE_FCNTL_FILE_POINTER, &File) != SQLITE_OK || !File ||
      !File->pMethods)
    return std::string();
  std::string Print(100, '\0');
  if (File->pMethods->xRead(File, Print.data(), 100, 0) != SQLITE_OK || Print[18] != 1 ||
      Print[19] != 1)
    return std::string();
  // [The table's first page] its number from the schema, its size from the header.
  const int PageSize = (static_cast<unsigned char>(Print[16]) << 8 |
                        static_cast<unsigned char>(Print[17])) == 1
                           ? 65536
                           : static_cast<unsigned char>(Print[16]) << 8 |
                                 static_cast<unsigned char>(Print[17]);
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, "SELECT rootpage FROM sqlite_master WHERE name = ?1", -1, &Raw,
                         nullptr) != SQLITE_OK)
    return std::string();
  TStatement Stmt(Raw);
  sqlite3_bind_text(Raw, 1, FTableName.c_str(), int(FTableName.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(Raw) != SQLITE_ROW || PageSize < 512) return std::string();
  const sqlite3_int64 Root = sqlite3_column_int64(Raw, 0);
  std::string Page(std::size_t(PageSize), '\0');
  if (Root < 1 || File->pMethods->xRead(File, Page.data(), PageSize, (Root - 1) * PageSize) !=
                      SQLITE_OK)
    return std::string();
  const Int64 Times[] = {Int64(Info.st_size), Int64(Info.st_mtim.tv_sec),
                         Int64(Info.st_mtim.tv_nsec), Int64(Info.st_ctim.tv_sec),
                         Int64(Info.st_ctim.tv_nsec)};
  Print.append(reinterpret_cast<const char*>(Times), sizeof Times);
  return Print + Page;
}


// Database rows shown with a row id below RowId. The database counts only
// the rows between RowId and the nearest row whose position is known (a
// page's, an anchor's), on the side nearer by row id.
Int64 TSQLiteDataSet::DbCountBelow(Int64 RowId) {
  TRowRef Row;
  if (GetFiltered() && OnFilterRecord) {
    Int64 Count = 0;
    for (Int64 From = INT64_MIN; From < RowId && DbNext(From, Row) && Row.RowId < RowId;
         From = Row.RowId + 1)
      ++Count;
    return Count;
  }
  // [Phase 1] The known positions nearest to RowId: below (or at) and above.
  bool HasBelow = false, HasAbove = false;
  Int64 BelowId = 0, BelowPos = 0, AboveId = 0, AbovePos = 0;
  auto Offer = [&](Int64 Id, Int64 Pos) {
    if (Id <= RowId && (!HasBelow || Id > BelowId)) HasBelow = true, BelowId = Id, BelowPos = Pos;
    if (Id > RowId && (!HasAbove || Id < AboveId)) HasAbove = true, AboveId = Id, AbovePos = Pos;
  };
  auto Anchor = FAnchors.upper_bound(RowId);
  if (Anchor != FAnchors.end()) Offer(Anchor->first, Anchor->second);
  if (Anchor != FAnchors.begin()) Offer(std::prev(Anchor)->first, std::prev(Anchor)->second);
  auto Page = FPages.upper_bound(RowId);
  if (Page != FPages.end() && Page->second.Base > 0) Offer(Page->first, Page->second.Base);
  if (Page != FPages.begin() && std::prev(Page)->second.Base > 0) {
    const TPage& P = std::prev(Page)->second;
    const auto At = std::upper_bound(P.RowIds.begin(), P.RowIds.end(), RowId) - 1;
    Offer(*At, P.Base + (At - P.RowIds.begin()));
  }
  if (HasBelow && BelowId == RowId) return BelowPos - 1;
  const bool UseAbove =
      HasAbove && (!HasBelow || UInt64(AboveId) - UInt64(RowId) < UInt64(RowId) - UInt64(BelowId));
  // [Phase 2] The database counts the rows in between.
  String Range = " WHERE " + FRowId + " < ?2";
  Int64 Low = INT64_MIN;
  if (UseAbove) {
    Range = " WHERE " + FRowId + " >= ?1 AND " + FRowId + " < ?2";
    Low = RowId;
  } else if (HasBelow) {
    Range = " WHERE " + FRowId + " >= ?1 AND " + FRowId + " < ?2";
    Low = BelowId;
  }
  const String SQL = "SELECT COUNT(*) FROM " + SourceSQL() + Range + RowFilter();
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot count the rows");
  TStatement Stmt(Raw);
  sqlite3_bind_int64(Raw, 1, Low);
  sqlite3_bind_int64(Raw, 2, UseAbove ? AboveId : RowId);
  if (sqlite3_step(Raw) != SQLITE_ROW) SQLiteError("Cannot count the rows");
  const Int64 Between = sqlite3_column_int64(Raw, 0);
  if (UseAbove) return AbovePos - 1 - Between;
  return HasBelow ? BelowPos - 1 + Between : Between;
}

// The record number of a row: the database rows and placed rows before it.
Integer TSQLiteDataSet::KeyedPosition(const TRowRef& Row) {
  if (Row.Placed) return Integer(DbCountBelow(FPlaced[Row.Index].Anchor) + Row.Index + 1);
  TPage& P = Row.Page->second;
  if (P.Base == 0) {
    P.Base = Integer(DbCountBelow(P.RowIds.front()) + 1);
    SpreadBases(Row.Page);
  }
  return P.Base + Row.Index + PlacedBelow(TKey{Row.RowId, DbMinor});
}

// The row with record number Position: a placed row, or the database row
// after as many placed rows as come before it.
bool TSQLiteDataSet::KeyedRowAt(Integer Position, TRowRef& Row) {
  Integer Before = 0;
  for (std::size_t I = 0; I < FPlaced.size(); ++I) {
    const Int64 At = DbCountBelow(FPlaced[I].Anchor) + Int64(I) + 1;
    if (At == Position) {
      Row = TRowRef{FPlaced[I].RowId, FPlaced[I].Bytes.data(), true, FPages.end(), Integer(I)};
      return true;
    }
    if (At > Position) break;
    Before = Integer(I) + 1;
  }
  return DbRowAt(Int64(Position) - Before, Row);
}

// [SECTION] Order

Integer TSQLiteDataSet::PlacedIndexOf(Int64 RowId) const {
  for (std::size_t I = 0; I < FPlaced.size(); ++I)
    if (FPlaced[I].RowId == RowId) return Integer(I);
  return -1;
}

TSQLiteDataSet::TKey TSQLiteDataSet::KeyOf(Int64 RowId, bool& Placed, Integer& PlacedIndex) const {
  PlacedIndex = PlacedIndexOf(RowId);
  Placed = PlacedIndex >= 0;
  return Placed ? TKey{FPlaced[PlacedIndex].Anchor, PlacedIndex} : TKey{RowId, DbMinor};
}

// Placed rows whose keys come before Key.
Integer TSQLiteDataSet::PlacedBelow(const TKey& Key) const {
  Integer Count = 0;
  for (std::size_t I = 0; I < FPlaced.size(); ++I)
    if (TKey{FPlaced[I].Anchor, Int64(I)} < Key) ++Count;
  return Count;
}

// The first row whose key is after From (or equal to it, when Inclusive).
bool TSQLiteDataSet::KeyedNext(const TKey& From, bool Inclusive, TRowRef& Row) {
  Integer Placed = -1;
  for (std::size_t I = 0; I < FPlaced.size() && Placed < 0; ++I) {
    const TKey Key{FPlaced[I].Anchor, Int64(I)};
    if (From < Key || (Inclusive && !(Key < From))) Placed = Integer(I);
  }
  const bool Strictly = !Inclusive && From.Minor == DbMinor;
  const bool DbFound = !(Strictly && From.Major == INT64_MAX) &&
                       DbNext(Strictly ? From.Major + 1 : From.Major, Row);
  if (Placed >= 0 && (!DbFound || FPlaced[Placed].Anchor <= Row.RowId)) {
    Row = TRowRef{FPlaced[Placed].RowId, FPlaced[Placed].Bytes.data(), true, FPages.end(), Placed};
    return true;
  }
  return DbFound;
}

// The last row whose key is before Before; the last row of all when FromEnd
// (a row's own key can be the largest there is: row id 2^63-1).
bool TSQLiteDataSet::KeyedPrior(const TKey& Before, bool FromEnd, TRowRef& Row) {
  Integer Placed = -1;
  for (std::size_t I = FPlaced.size(); I-- > 0 && Placed < 0;)
    if (FromEnd || TKey{FPlaced[I].Anchor, Int64(I)} < Before) Placed = Integer(I);
  const bool DbFound = FromEnd ? DbPrior(INT64_MAX, Row)
                               : Before.Major != INT64_MIN && DbPrior(Before.Major - 1, Row);
  if (Placed >= 0 && (!DbFound || FPlaced[Placed].Anchor > Row.RowId)) {
    Row = TRowRef{FPlaced[Placed].RowId, FPlaced[Placed].Bytes.data(), true, FPages.end(), Placed};
    return true;
  }
  return DbFound;
}

TGetResult TSQLiteDataSet::KeyedGetRecord(TRecordBuffer& Buffer, TGetMode Mode) {
  CheckColumnsKept();
  ++FUseTick;
  TRowRef Row;
  bool Placed = false;
  Integer Index = 0;
  const TKey First{INT64_MIN, INT64_MIN};
  switch (Mode) {
    case gmCurrent:
      if (FCursorKind != ckRow) return grError;
      KeyOf(FCursorRowId, Placed, Index);
      if (Placed) {
        Row = TRowRef{FCursorRowId, FPlaced[Index].Bytes.data(), true, FPages.end(), Index};
      } else if (!DbNext(FCursorRowId, Row) || Row.RowId != FCursorRowId) {
        return grError;
      }
      break;
    case gmNext: {
      bool Found = false;
      if (FCursorKind == ckEof) return grEOF;
      TGetResult RunResult = grOK;
      if (RunNext(Buffer, RunResult)) return RunResult;
      if (FCursorKind == ckBof) Found = KeyedNext(First, true, Row);
      if (FCursorKind == ckRow && FPlaced.empty() && FHint != FPages.end() &&
          FHintIndex + 1 < FHint->second.Count() &&
          FHint->second.RowIds[FHintIndex] == FCursorRowId) {
        Found = RowAt(FHint, FHintIndex + 1, Row);  // walking on inside a page
      } else if (FCursorKind == ckRow) {
        Found = KeyedNext(KeyOf(FCursorRowId, Placed, Index), false, Row);
      }
      if (FCursorKind == ckGap) Found = KeyedNext(FGapKey, true, Row);
      if (!Found) {
        FCursorKind = ckEof;
        return grEOF;
      }
      break;
    }
    case gmPrior: {
      bool Found = false;
      if (FCursorKind == ckBof) return grBOF;
      if (FCursorKind == ckEof) Found = KeyedPrior(TKey{}, true, Row);
      if (FCursorKind == ckRow) Found = KeyedPrior(KeyOf(FCursorRowId, Placed, Index), false, Row);
      if (FCursorKind == ckGap) Found = KeyedPrior(FGapKey, false, Row);
      if (!Found) {
        FCursorKind = ckBof;
        return grBOF;
      }
      break;
    }
  }
  FCursorKind = ckRow;
  FCursorRowId = Row.RowId;
  FRun.Index = -1;
  FillLazy(Buffer, Row.RowId, KeyedPosition(Row));
  return grOK;
}

}  // namespace kvp
