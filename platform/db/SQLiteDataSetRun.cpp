// TSQLiteDataSet over a table with row ids: values read when a field first
// asks for them, and the forward runs a walk with the controls disabled reads
// its rows in (see SQLiteDataSet.h). A run holds only the columns the walk
// reads, so that a pass summing one column decodes one column per row, and it
// never enters the cache, so that the pages a grid shows stay there. Runs
// also leave anchors, the positions of rows, so that counting the rows before
// a row later counts from the nearest anchor.
//
// Index
//   [SECTION] Values     ReadUnreadValue, FillLazy, ReadRowById
//   [SECTION] Runs       RunNext, StartRun, EnterRun, ReadRun, StepRun
//   [SECTION] Collecting RegisterCollector, CollectStep, CollectRun
//   [SECTION] Positions  DbPositionOf, ShiftAnchors

#include <algorithm>
#include <bit>
#include <exception>

#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SQLiteDataSetImpl.h"
#include "platform/rtl/Strings.h"

namespace kvp {

using namespace sqlite_detail;

namespace {

constexpr Integer FirstRunRows = 64;      // rows the first chunk of a walk reads
constexpr Integer LargestRunRows = 65536;  // rows a chunk reads at most

}  // namespace

// [SECTION] Values

// Decodes the unread values of Buffer from a row of cells: only Only when it
// is a column, else every unread one.
void TSQLiteDataSet::DecodeInto(TRecordBuffer& Buffer, const char* Bytes, Int64 RowId,
                                Integer Only) {
  if (Only >= 0) {
    Buffer.Data[std::size_t(Only)] = CellValue(CellAt(Bytes, Only), Only, RowId);
    return;
  }
  const char* P = Bytes;
  for (std::size_t I = 0; I < FTypes.size() && I < Buffer.Data.size(); ++I) {
    const TCell Cell = NextCell(P);
    if (!Buffer.IsUnread(I)) continue;
    Buffer.Data[I] = CellValue(Cell, Integer(I), RowId);
    Buffer.MarkRead(I);
  }
}

// The value of a cached cell; a large one kept out of the cache is read from
// the table (Null when the row is gone).
Variant TSQLiteDataSet::CellValue(const TCell& Cell, Integer Column, Int64 RowId) {
  if (!Cell.Large) return ValueOfCell(Cell, FTypes[std::size_t(Column)]);
  const String SQL = "SELECT " + QuoteName(GetFieldDefs()->GetItem(Column)->GetName()) + " FROM " +
                     SourceSQL() + " WHERE " + FRowId + " = ?1";
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot read the value of field " + GetFieldDefs()->GetItem(Column)->GetName());
  TStatement Stmt(Raw);
  const std::vector<Integer> Columns{Column};
  if (!SameColumns(Raw, 0, &Columns)) ColumnsChanged();
  sqlite3_bind_int64(Raw, 1, RowId);
  if (!StepRow(Raw, "Cannot read the row")) return Null();
  return ValueOfCell(CellOf(Raw, 0), FTypes[std::size_t(Column)]);
}

// Only the row's name and position: values are read when asked for.
void TSQLiteDataSet::FillLazy(TRecordBuffer& Buffer, Int64 RowId, Int64 RecNo) {
  Buffer.MarkUnread();
  SetRowIdBookmark(Buffer.Bookmark, RowId);
  Buffer.RecNo = Integer(std::min<Int64>(RecNo, INT32_MAX));
  FFetchedCount = std::max(FFetchedCount, Buffer.RecNo);
}

// From the row as this dataset holds it: a query's row read in order; a
// placed row, the run, a cached page; else from the table by row id. While the controls are enabled a
// control is showing the record and will read every value, so a page or a
// placed row gives them all at once; a walk reads one value and the columns
// it reads are the ones the next run holds.
void TSQLiteDataSet::ReadUnreadValue(TRecordBuffer& Buffer, Integer Index) {
  CheckColumnsKept();
  // [Phase 0] The walk's own read: the row the run stands on, a column it holds.
  if (FRun.Index >= 0 && Buffer.RecNo == FRun.FirstPos + FRun.Index && ControlsDisabled() &&
      std::size_t(Index) < FWanted.size()) {
    Int64 RowId = 0;
    if (RowIdOfBookmark(Buffer.Bookmark, RowId) && RowId == FRun.RowIds[std::size_t(FRun.Index)] &&
        CellFromRun(FRun.Index, Index, Buffer.Data[std::size_t(Index)])) {
      FWanted[std::size_t(Index)] = 1;
      return;
    }
  }
  Int64 RowId = 0;
  if (!RowIdOfBookmark(Buffer.Bookmark, RowId) || std::size_t(Index) >= FTypes.size()) {
    inherited::ReadUnreadValue(Buffer, Index);
    return;
  }
  if (!FHasRowId) {
    const Integer Row = SeqIndexOf(RowId, Buffer.RecNo);
    if (Row < 0) {
      inherited::ReadUnreadValue(Buffer, Index);
      return;
    }
    DecodeInto(Buffer, SeqRow(std::size_t(Row)), RowId,
               ControlsDisabled() ? Index : -1);
    return;
  }
  // [Phase 1] What the walk reads.
  const bool Walking = ControlsDisabled();
  if (FWanted.size() != FTypes.size()) FWanted.assign(FTypes.size(), 0);
  if (Walking)
    FWanted[std::size_t(Index)] = 1;
  else
    std::fill(FWanted.begin(), FWanted.end(), 0);
  const Integer Only = Walking ? Index : -1;
  // [Phase 2] A placed row.
  const Integer Placed = FPlaced.empty() ? -1 : PlacedIndexOf(RowId);
  if (Placed >= 0) {
    DecodeInto(Buffer, FPlaced[std::size_t(Placed)].Bytes.data(), RowId, Only);
    return;
  }
  // [Phase 3] The run; a column it does not hold reads it again from the
  // row the cursor stands on, with that column.
  Integer Run = RunIndexOf(RowId, Buffer.RecNo);
  if (Run >= 0 && CellFromRun(Run, Index, Buffer.Data[std::size_t(Index)])) return;
  if (Run >= 0 && Run == FRun.Index && RunAllowed()) {
    if (FRun.Ordered)
      ReadOrderRun(OrderRunKey(Run), true, FRun.FirstPos + Run);
    else
      ReadRun(RowId, FRun.FirstPos + Run);
    FRun.Index = FRun.Count() > 0 && FRun.RowIds.front() == RowId ? 0 : -1;
    if (FRun.Index == 0 && CellFromRun(0, Index, Buffer.Data[std::size_t(Index)])) return;
  }
  // [Phase 4] A cached page, else the table.
  TPages::iterator Page;
  Integer At = 0;
  if (FindCached(RowId, Page, At)) {
    DecodeInto(Buffer, Page->second.Row(At), RowId, Only);
    return;
  }
  ReadRowById(Buffer, RowId);
}

// Every unread value of the row from the table, whether the filter passes it
// or not; a row deleted meanwhile reads Null.
void TSQLiteDataSet::ReadRowById(TRecordBuffer& Buffer, Int64 RowId) {
  sqlite3_stmt* Stmt = PrepareKept(FRowById, "SELECT * FROM " + SourceSQL() + " WHERE " + FRowId + " = ?1", 0);
  TResetOnExit Reset(Stmt);
  sqlite3_bind_int64(Stmt, 1, RowId);
  const int Step = sqlite3_step(Stmt);
  if (Step != SQLITE_ROW && Step != SQLITE_DONE) SQLiteError("Cannot read the row");
  CheckReprepared(Stmt, 0);
  for (std::size_t I = 0; I < FTypes.size() && I < Buffer.Data.size(); ++I) {
    if (!Buffer.IsUnread(I)) continue;
    Buffer.Data[I] = Step == SQLITE_ROW ? ValueOfCell(CellOf(Stmt, int(I)), FTypes[I]) : Null();
    Buffer.MarkRead(I);
  }
}

// [SECTION] Runs

// A run serves a walk with the controls disabled over database rows alone:
// rows placed by Insert and OnFilterRecord go the cache's way.
bool TSQLiteDataSet::RunAllowed() const {
  return ControlsDisabled() && FPlaced.empty() && !(GetFiltered() && OnFilterRecord) &&
         FDB != nullptr;
}

void TSQLiteDataSet::DropRun() {
  FRun = TRun{};
  FRunChunk = FirstRunRows;
}

// The index in the run of a row, found by its record number; -1 when the run
// does not hold it.
Integer TSQLiteDataSet::RunIndexOf(Int64 RowId, Integer RecNo) const {
  if (FRun.RowIds.empty()) return -1;
  const Int64 Guess = Int64(RecNo) - FRun.FirstPos;
  if (Guess >= 0 && Guess < FRun.Count() && FRun.RowIds[std::size_t(Guess)] == RowId)
    return Integer(Guess);
  if (FRun.Ordered) {  // not in row id order
    const auto At = std::find(FRun.RowIds.begin(), FRun.RowIds.end(), RowId);
    return At != FRun.RowIds.end() ? Integer(At - FRun.RowIds.begin()) : -1;
  }
  const auto At = std::lower_bound(FRun.RowIds.begin(), FRun.RowIds.end(), RowId);
  return At != FRun.RowIds.end() && *At == RowId ? Integer(At - FRun.RowIds.begin()) : -1;
}

// A run's cell as the cell of a row: texts and blobs point into the run.
TCell TSQLiteDataSet::RunCell(Integer Row, Integer Slot) const {
  const TRunCell& Held = FRun.Cells[std::size_t(Row) * FRun.Columns.size() + std::size_t(Slot)];
  TCell Cell;
  Cell.Class = Held.Class;
  switch (Held.Class) {
    case SQLITE_INTEGER:
      Cell.Int = Held.Payload;
      break;
    case SQLITE_FLOAT:
      Cell.Real = std::bit_cast<double>(Held.Payload);
      break;
    case SQLITE_TEXT:
    case SQLITE_BLOB:
      Cell.Size = int(Held.Size);
      Cell.Large = Held.Large;
      if (!Held.Large) Cell.Bytes = FRun.Bytes.data() + Held.Payload;
      break;
    default:
      break;
  }
  return Cell;
}

bool TSQLiteDataSet::CellFromRun(Integer Row, Integer Column, Variant& Value) {
  const Integer Slot = std::size_t(Column) < FRun.Slots.size() ? FRun.Slots[std::size_t(Column)] : -1;
  if (Slot < 0) return false;
  Value = CellValue(RunCell(Row, Slot), Column, FRun.RowIds[std::size_t(Row)]);
  return true;
}

// The numbers (and nulls) of the run's row go into the buffer as the cursor
// reaches it: the walk reads its columns on every row, and a number costs no
// more to place than to look up. Texts and blobs wait for a field to ask.
void TSQLiteDataSet::PlaceRunNumbers(TRecordBuffer& Buffer, Integer Row) {
  const std::size_t Count = FRun.Columns.size();
  const TRunCell* Cells = FRun.Cells.data() + std::size_t(Row) * Count;
  for (std::size_t Slot = 0; Slot < Count; ++Slot) {
    const TRunCell& Held = Cells[Slot];
    if (Held.Class == SQLITE_TEXT || Held.Class == SQLITE_BLOB) continue;
    const auto Column = std::size_t(FRun.Columns[Slot]);
    if (Column >= Buffer.Data.size()) continue;
    const TFieldType Type = FTypes[Column];
    if (Held.Class == SQLITE_FLOAT && (Type == ftFloat || Type == ftCurrency))
      Buffer.Data[Column] = Variant(std::bit_cast<double>(Held.Payload));  // the common case
    else
      Buffer.Data[Column] = ValueOfCell(RunCell(Row, Integer(Slot)), Type);
    Buffer.MarkRead(Column);
  }
}

// Appends a cell to the run, a text or blob of more than Largest bytes as
// its size alone, and answers the bytes it takes: the run's own, and a large
// text or blob whole, as SQLite hands it over.
std::size_t TSQLiteDataSet::AppendRunCell(sqlite3_value* Value, int Largest) {
  TRunCell& Cell = FRun.Cells.emplace_back();
  Cell.Class = std::uint8_t(sqlite3_value_type(Value));
  switch (Cell.Class) {
    case SQLITE_INTEGER:
      Cell.Payload = sqlite3_value_int64(Value);
      return sizeof(TRunCell);
    case SQLITE_FLOAT:
      Cell.Payload = std::bit_cast<Int64>(sqlite3_value_double(Value));
      return sizeof(TRunCell);
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
      const void* Payload =
          Cell.Class == SQLITE_TEXT ? sqlite3_value_text(Value) : sqlite3_value_blob(Value);
      Cell.Size = std::uint32_t(sqlite3_value_bytes(Value));
      if (Cell.Size > std::uint32_t(Largest)) {
        Cell.Large = true;
        return sizeof(TRunCell) + Cell.Size;
      }
      Cell.Payload = Int64(FRun.Bytes.size());
      if (Cell.Size > 0) FRun.Bytes.append(static_cast<const char*>(Payload), Cell.Size);
      return sizeof(TRunCell) + Cell.Size;
    }
    default:
      return sizeof(TRunCell);
  }
}

// The next record of a walk from a run: the run's next row, its next chunk,
// or a new run where the cache does not hold the next row. False when the
// step is the cache's to take.
bool TSQLiteDataSet::RunNext(TRecordBuffer& Buffer, TGetResult& Result) {
  // [Phase 1] On the run: its next row, else the next chunk.
  const bool OnRun = FCursorKind == ckRow && FRun.Index >= 0 && FRun.Index < FRun.Count() &&
                     FRun.RowIds[std::size_t(FRun.Index)] == FCursorRowId;
  if (OnRun) {
    if (FRun.Index + 1 < FRun.Count()) {
      ++FRun.Index;
      FCursorRowId = FRun.RowIds[std::size_t(FRun.Index)];
      FillLazy(Buffer, FCursorRowId, FRun.FirstPos + FRun.Index);
      PlaceRunNumbers(Buffer, FRun.Index);
      Result = grOK;
      return true;
    }
    if (FRun.End || FCursorRowId == INT64_MAX) {
      FCursorKind = ckEof;
      FRun.Index = -1;
      Result = grEOF;
      return true;
    }
    if (!RunAllowed()) return false;
    FRunChunk = std::min(FRunChunk * 2, LargestRunRows);
    return StartRun(FCursorRowId + 1, FRun.FirstPos + FRun.Index + 1, Buffer, Result);
  }
  // [Phase 2] Elsewhere a run starts where the cache does not know the next row.
  if (!RunAllowed()) return false;
  if (FCursorKind != ckBof && FCursorKind != ckRow) return false;
  if (FCursorKind == ckRow && FCursorRowId == INT64_MAX) return false;
  if (FCursorKind == ckRow && FHint != FPages.end() && FHintIndex + 1 < FHint->second.Count() &&
      FHint->second.RowIds[std::size_t(FHintIndex)] == FCursorRowId)
    return false;  // the next row is on the same page
  const Int64 From = FCursorKind == ckBof ? INT64_MIN : FCursorRowId + 1;
  TRowRef Row;
  bool Answered = false;
  CachedNext(From, Row, Answered);
  if (Answered) return false;
  const Int64 Numbered = CursorRecNo();
  const Int64 Position =
      FCursorKind == ckBof ? 1 : Numbered > 0 ? Numbered + 1 : DbPositionOf(FCursorRowId) + 1;
  FRunChunk = FirstRunRows;
  return StartRun(From, Position, Buffer, Result);
}

bool TSQLiteDataSet::StartRun(Int64 From, Int64 FirstPos, TRecordBuffer& Buffer,
                              TGetResult& Result) {
  ReadRun(From, FirstPos);
  return EnterRun(FirstPos, Buffer, Result);
}

// The cursor on the first row of the run just read (at FirstPos), or past the
// end when the run is empty.
bool TSQLiteDataSet::EnterRun(Int64 FirstPos, TRecordBuffer& Buffer, TGetResult& Result) {
  if (FRun.Count() == 0) {
    FCursorKind = ckEof;
    FRun.Index = -1;
    Result = grEOF;
    return true;
  }
  FRun.Index = 0;
  FCursorKind = ckRow;
  FCursorRowId = FRun.RowIds.front();
  FillLazy(Buffer, FCursorRowId, FirstPos);
  PlaceRunNumbers(Buffer, 0);
  Result = grOK;
  return true;
}

// Reads up to FRunChunk database rows from From on with the columns the
// walk has read, replacing the run. The first row's position becomes an
// anchor; a run that reaches the end gives the count.
void TSQLiteDataSet::ReadRun(Int64 From, Int64 FirstPos) {
  // [Phase 1] The columns wanted; a change of them prepares the read again.
  std::vector<Integer> Columns;
  for (std::size_t I = 0; I < FWanted.size(); ++I)
    if (FWanted[I]) Columns.push_back(Integer(I));
  if (FRunRead && Columns != FRunReadColumns) {
    sqlite3_finalize(FRunRead);
    FRunRead = nullptr;
  }
  ++FReadRuns;
  // [Phase 2] An empty run for them.
  FRun.RowIds.clear();
  FRun.Cells.clear();
  FRun.Bytes.clear();
  FRun.Slots.assign(FTypes.size(), -1);
  for (std::size_t I = 0; I < Columns.size(); ++I) FRun.Slots[std::size_t(Columns[I])] = Integer(I);
  FRun.Columns = std::move(Columns);
  FRun.FirstPos = FirstPos;
  FRun.Index = -1;
  FRun.Ordered = false;
  // [Phase 3] The rows, collected inside one step where the table lets them
  // come in row id order, else stepped one by one.
  bool Cut = false;
  if (!FCollectRuns || !CollectRun(From, Cut)) StepRun(From, Cut);
  FReadRows += FRun.Count();
  // [Phase 4] What the read tells of positions.
  FRun.End = !Cut && FRun.Count() < FRunChunk;
  if (FRun.Count() > 0) FAnchors[FRun.RowIds.front()] = FirstPos;
  if (FRun.End && FDbCount < 0) FDbCount = FirstPos + FRun.Count() - 1;
}

// The run's columns after the row id, as the statement's list.
String TSQLiteDataSet::RunColumnList() const {
  String List = FRowId;
  for (Integer Column : FRun.Columns)
    List += ", " + QuoteName(GetFieldDefs()->GetItem(Column)->GetName());
  return List;
}

// The rows one step of a statement at a time. Cut: the run stopped at its
// share of the cache.
void TSQLiteDataSet::StepRun(Int64 From, bool& Cut) {
  sqlite3_stmt* Stmt =
      PrepareKept(FRunRead, "SELECT " + RunColumnList() + " FROM " + SourceSQL() + " WHERE " +
                                FRowId + " >= ?1" + RowFilter() + " ORDER BY " + FRowId + " LIMIT ?2",
                  1, &FRun.Columns);
  FRunReadColumns = FRun.Columns;
  TResetOnExit Reset(Stmt);
  sqlite3_bind_int64(Stmt, 1, From);
  sqlite3_bind_int(Stmt, 2, FRunChunk);
  const int Largest = LargestCachedCell();
  const int Cells = int(FRun.Columns.size());
  std::size_t Held = 0;  // bytes of the rows read (AppendRunCell)
  int Step = SQLITE_ROW;
  while ((Step = sqlite3_step(Stmt)) == SQLITE_ROW) {
    if (FRun.RowIds.empty()) CheckReprepared(Stmt, 1, &FRun.Columns);
    if (Held >= ReadBudget()) {
      Cut = true;
      break;
    }
    FRun.RowIds.push_back(sqlite3_column_int64(Stmt, 0));
    Held += sizeof(Int64);
    for (int Column = 1; Column <= Cells; ++Column)
      Held += AppendRunCell(sqlite3_column_value(Stmt, Column), Largest);
  }
  if (FRun.RowIds.empty() && Step == SQLITE_DONE) CheckReprepared(Stmt, 1, &FRun.Columns);
  if (Step != SQLITE_DONE && !Cut) {
    DropRun();
    SQLiteError("Cannot read the next rows");
  }
}

// [SECTION] Collecting

// Returning each row from a statement costs SQLite about as much as reading
// it; an aggregate of the connection's own (RegisterCollector) takes the rows
// inside one step instead, in the order the table holds them, and stops the
// statement once the run has its rows: the read then costs little more than
// SQLite's own SUM over the column. The statement's table is read in row id
// order (NOT INDEXED keeps a filter from reading it through an index); a
// table that gives its rows in another order (a virtual one) is read one
// step at a time from then on.

namespace {

constexpr const char* CollectorName = "kv_collect_run";

}  // namespace

void TSQLiteDataSet::RegisterCollector() {
  FCollectRuns = sqlite3_create_function_v2(FDB, CollectorName, -1,
                                            SQLITE_UTF8 | SQLITE_DIRECTONLY, this, nullptr,
                                            CollectStep, CollectFinal, nullptr) == SQLITE_OK;
}

// One row for the run, or the end of the read: a row that does not follow
// the last one (the table's order is not the row ids'), the run's share of
// the cache reached, the run full. Nothing may leave it but a result: a
// failure is kept for ReadRun to raise.
void TSQLiteDataSet::CollectStep(sqlite3_context* Context, int Count, sqlite3_value** Values) {
  auto* Self = static_cast<TSQLiteDataSet*>(sqlite3_user_data(Context));
  TCollect& C = Self->FCollect;
  TRun& Run = Self->FRun;
  try {
    const Int64 RowId = sqlite3_value_int64(Values[0]);
    if (Count != int(Run.Columns.size()) + 1 || (!Run.RowIds.empty() && RowId <= Run.RowIds.back()))
      C.OutOfOrder = true;
    else if (C.Held >= C.Budget)
      C.Cut = true;
    if (!C.OutOfOrder && !C.Cut) {
      Run.RowIds.push_back(RowId);
      C.Held += sizeof(Int64);
      for (int I = 1; I < Count; ++I) {
        if (sqlite3_value_type(Values[I]) == SQLITE_FLOAT) {  // the common case, kept short
          Run.Cells.push_back({std::bit_cast<Int64>(sqlite3_value_double(Values[I])), 0,
                               SQLITE_FLOAT, false});
          C.Held += sizeof(TRunCell);
        } else {
          C.Held += Self->AppendRunCell(Values[I], C.Largest);
        }
      }
      if (Run.Count() < C.Want) return;
    }
  } catch (...) {
    C.Failure = std::current_exception();
  }
  C.Stopped = true;
  sqlite3_result_error_code(Context, SQLITE_ABORT);
}

void TSQLiteDataSet::CollectFinal(sqlite3_context* Context) { sqlite3_result_null(Context); }

// The rows collected in one step. False when the table does not give its
// rows in row id order: the run is then empty and read step by step.
bool TSQLiteDataSet::CollectRun(Int64 From, bool& Cut) {
  // [Phase 1] The statement; a table it cannot read (a virtual one may refuse
  // NOT INDEXED) is read step by step.
  if (!FRunRead) {
    if (!RunColumnsKept()) ColumnsChanged();
    const String SQL = "SELECT " + String(CollectorName) + "(" + RunColumnList() + ") FROM " +
                       SourceSQL() + " NOT INDEXED WHERE " + FRowId + " >= ?1" + RowFilter();
    if (sqlite3_prepare_v3(FDB, SQL.c_str(), int(SQL.size()), SQLITE_PREPARE_PERSISTENT, &FRunRead,
                           nullptr) != SQLITE_OK) {
      // Refused for good, or only this time (a lock held elsewhere).
      if (sqlite3_errcode(FDB) == SQLITE_ERROR) FCollectRuns = false;
      sqlite3_finalize(FRunRead);
      FRunRead = nullptr;
      return false;
    }
    FRunReadColumns = FRun.Columns;
  }
  // [Phase 2] The rows.
  FCollect = TCollect{};
  FCollect.Want = FRunChunk;
  FCollect.Budget = ReadBudget();
  FCollect.Largest = LargestCachedCell();
  int Step = SQLITE_ROW;
  bool Reprepared = false;  // another connection changed the table's schema
  {
    TResetOnExit Reset(FRunRead);
    sqlite3_bind_int64(FRunRead, 1, From);
    Step = sqlite3_step(FRunRead);
    Reprepared = sqlite3_stmt_status(FRunRead, SQLITE_STMTSTATUS_REPREPARE, 1) != 0;
  }
  // [Phase 3] Why it ended.
  if (Reprepared && !RunColumnsKept()) {
    DropRun();
    ColumnsChanged();
  }
  if (FCollect.Failure) {
    DropRun();
    std::rethrow_exception(FCollect.Failure);
  }
  if (FCollect.OutOfOrder) {
    sqlite3_finalize(FRunRead);
    FRunRead = nullptr;
    FCollectRuns = false;
    FRun.RowIds.clear();
    FRun.Cells.clear();
    FRun.Bytes.clear();
    return false;
  }
  if (Step != SQLITE_ROW && !(Step == SQLITE_ABORT && FCollect.Stopped)) {
    DropRun();
    SQLiteError("Cannot read the next rows");
  }
  Cut = FCollect.Cut;
  return true;
}

// Whether the run's columns are still those the fields were made from. A
// table that cannot be read now (another connection holds a lock on its
// schema) raises without condemning the dataset.
bool TSQLiteDataSet::RunColumnsKept() {
  const String SQL = "SELECT " + RunColumnList() + " FROM " + SourceSQL() + " LIMIT 0";
  sqlite3_stmt* Raw = nullptr;
  const bool Prepared =
      sqlite3_prepare_v2(FDB, SQL.c_str(), int(SQL.size()), &Raw, nullptr) == SQLITE_OK;
  TStatement Stmt(Raw);
  if (!Prepared) {
    DropRun();
    SQLiteError("Cannot read " + (FSQL.empty() ? "table " + FTableName : String("the query")));
  }
  return SameColumns(Raw, 1, &FRun.Columns);
}

// [SECTION] Positions

// The position of a database row: from its page, else counted.
Int64 TSQLiteDataSet::DbPositionOf(Int64 RowId) {
  TRowRef Row;
  if (RowFound(RowId, Row)) return KeyedPosition(Row);
  const Integer Run = RunIndexOf(RowId, 0);
  if (Run >= 0) return FRun.FirstPos + Run;
  return DbCountBelow(RowId) + 1;
}

// A database row left the rows shown: the anchors after it move up one.
void TSQLiteDataSet::ShiftAnchors(Int64 RemovedRowId) {
  FAnchors.erase(RemovedRowId);
  for (auto It = FAnchors.upper_bound(RemovedRowId); It != FAnchors.end(); ++It) --It->second;
  DropRun();
}

}  // namespace kvp
