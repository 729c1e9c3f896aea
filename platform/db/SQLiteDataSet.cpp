// TSQLiteDataSet: opening a table or query, the kept statements, the protocol
// entries that choose between the two ways of reading (SQLiteDataSetCache.cpp
// for tables with row ids, the sequential reading here for the rest), the
// filter, bookmarks, RecNo and RecordCount.
//
// Index
//   [SECTION] Properties   published properties, errors, kept statements and
//                          the check of their columns, the file's identity
//   [SECTION] Opening      InternalOpen, the connection, the row id's name and
//                          the key, InternalClose, the filter, Refresh
//   [SECTION] Sequential   reading a query, a view or a table without row ids
//   [SECTION] Protocol     GetRecord, bookmarks, RecNo, RecordCount

#include "platform/db/SQLiteDataSet.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/db/SQLiteDataSetImpl.h"
#include "platform/rtl/Strings.h"

namespace kvp {

using namespace sqlite_detail;

namespace {

bool BookmarkToRowId(const TBookmark& Bookmark, Int64& RowId) {
  return RowIdOfBookmark(Bookmark, RowId);
}

}  // namespace

// [SECTION] Properties

void TSQLiteDataSet::Destroy() {
  inherited::Destroy();
  FinalizeKept();
  if (FDB) sqlite3_close(FDB);
  FDB = nullptr;
}

void TSQLiteDataSet::KvPublish(TPublisher<TSQLiteDataSet>& P) {
  P.Prop("DatabaseName", &TSQLiteDataSet::GetDatabaseName, &TSQLiteDataSet::SetDatabaseName);
  P.Prop("DescFields", &TSQLiteDataSet::GetDescFields, &TSQLiteDataSet::SetDescFields);
  P.Prop("IndexFieldNames", &TSQLiteDataSet::GetIndexFieldNames,
         &TSQLiteDataSet::SetIndexFieldNames);
  P.Prop("SQL", &TSQLiteDataSet::GetSQL, &TSQLiteDataSet::SetSQL);
  P.Prop("TableName", &TSQLiteDataSet::GetTableName, &TSQLiteDataSet::SetTableName);
}

void TSQLiteDataSet::CheckInactiveFor(const char* What) {
  if (GetActive()) DatabaseError(DBMessage("Cannot change %s of an open dataset", {What}), this);
}

void TSQLiteDataSet::SetDatabaseName(const String& Value) {
  if (FDatabaseName == Value) return;
  CheckInactiveFor("the database");
  FDatabaseName = Value;
}

void TSQLiteDataSet::SetTableName(const String& Value) {
  if (FTableName == Value) return;
  CheckInactiveFor("the table");
  FTableName = Value;
}

void TSQLiteDataSet::SetSQL(const String& Value) {
  if (FSQL == Value) return;
  CheckInactiveFor("the query");
  FSQL = Value;
}

// The database's reason, and what it means where the bare text would puzzle:
// a lock still held after the wait, a file replaced under the dataset.
void TSQLiteDataSet::SQLiteError(const String& Operation) {
  String Reason = FDB ? sqlite3_errmsg(FDB) : "no database";
  const int Code = FDB ? sqlite3_extended_errcode(FDB) : SQLITE_OK;
  if ((Code & 0xFF) == SQLITE_BUSY || (Code & 0xFF) == SQLITE_LOCKED)
    Reason += " (another connection held the lock for the " + IntToStr(BusyTimeoutMs / 1000) +
              " seconds waited)";
  else if (Code == SQLITE_READONLY_DBMOVED)
    Reason += " (the file was replaced or moved since the dataset opened it; open the dataset "
              "again)";
  DatabaseError(Operation + ": " + Reason, this);
}

// Steps a reading statement: true on a row, false at the end; anything else
// (a lock held too long, a damaged file) raises.
bool TSQLiteDataSet::StepRow(sqlite3_stmt* Stmt, const String& Operation) {
  const int Step = sqlite3_step(Stmt);
  if (Step == SQLITE_ROW) return true;
  if (Step == SQLITE_DONE) return false;
  SQLiteError(Operation);
}

// A statement kept prepared for reading, made on first use; the caller resets
// it when done (TResetOnExit). Its columns from First on must be the fields'
// (Columns of them, or all): a statement prepared after another connection
// changed the table is refused.
sqlite3_stmt* TSQLiteDataSet::PrepareKept(sqlite3_stmt*& Kept, const String& SQL, int First,
                                          const std::vector<Integer>* Columns) {
  CheckColumnsKept();
  if (Kept) return Kept;
  if (sqlite3_prepare_v3(FDB, SQL.c_str(), int(SQL.size()), SQLITE_PREPARE_PERSISTENT, &Kept,
                         nullptr) != SQLITE_OK) {
    sqlite3_finalize(Kept);
    Kept = nullptr;
    SQLiteError("Cannot read " + (FSQL.empty() ? "table " + FTableName : String("the query")));
  }
  if (!SameColumns(Kept, First, Columns)) {
    sqlite3_finalize(Kept);
    Kept = nullptr;
    ColumnsChanged();
  }
  return Kept;
}

// Whether the columns of Stmt from First on are those the fields were made
// from: their number, names and declared types.
bool TSQLiteDataSet::SameColumns(sqlite3_stmt* Stmt, int First,
                                 const std::vector<Integer>* Columns) const {
  const std::size_t Count = Columns ? Columns->size() : FShapeNames.size();
  if (sqlite3_column_count(Stmt) != First + int(Count)) return false;
  for (std::size_t I = 0; I < Count; ++I) {
    const std::size_t Def = Columns ? std::size_t((*Columns)[I]) : I;
    const int Column = First + int(I);
    const char* Name = sqlite3_column_name(Stmt, Column);
    const char* Decl = sqlite3_column_decltype(Stmt, Column);
    if (!Name || FShapeNames[Def] != Name || FShapeDecls[Def] != (Decl ? Decl : "")) return false;
  }
  return true;
}

// A kept statement that SQLite prepared again since its last read (another
// connection changed the schema) must still read the fields' columns; called
// once a step has run it.
void TSQLiteDataSet::CheckReprepared(sqlite3_stmt* Stmt, int First,
                                     const std::vector<Integer>* Columns) {
  if (sqlite3_stmt_status(Stmt, SQLITE_STMTSTATUS_REPREPARE, 0) == 0) return;
  if (!SameColumns(Stmt, First, Columns)) ColumnsChanged();
  sqlite3_stmt_status(Stmt, SQLITE_STMTSTATUS_REPREPARE, 1);
}

// The values would show under the wrong fields: nothing is read or written
// until the dataset is opened again.
void TSQLiteDataSet::ColumnsChanged() {
  FShapeChanged = true;
  DatabaseError("The columns of " + (FSQL.empty() ? "table " + FTableName : String("the query")) +
                    " changed since the dataset was opened; open it again",
                this);
}

void TSQLiteDataSet::CheckColumnsKept() {
  if (FShapeChanged) ColumnsChanged();
}

// The file the connection reads, to see when another one is put under the
// name (a rename over it).
void TSQLiteDataSet::RememberFile() {
  struct stat Info {};
  FFileKnown = ::stat(FDatabaseName.c_str(), &Info) == 0;
  FFileDevice = FFileKnown ? UInt64(Info.st_dev) : 0;
  FFileInode = FFileKnown ? UInt64(Info.st_ino) : 0;
}

bool TSQLiteDataSet::FileReplaced() const {
  if (!FFileKnown) return false;
  struct stat Info {};
  if (::stat(FDatabaseName.c_str(), &Info) != 0) return true;
  return UInt64(Info.st_dev) != FFileDevice || UInt64(Info.st_ino) != FFileInode;
}

// The kept statements depend on the filter and the placed rows: any change
// of those drops them.
void TSQLiteDataSet::FinalizeKept() {
  for (sqlite3_stmt** Kept :
       {&FForward, &FBackward, &FOneRow, &FRowById, &FRunRead, &FWrite, &FSeqStmt, &FSeqAfter}) {
    sqlite3_finalize(*Kept);
    *Kept = nullptr;
  }
  FWriteSQL.clear();
}

// The rows read: a table by its name, a query as a subquery.
String TSQLiteDataSet::SourceSQL() const {
  return FSQL.empty() ? QuoteName(FTableName) : "(" + FSQL + ")";
}

// The filter text as a condition ("(text)"), or empty when none is in force.
String TSQLiteDataSet::Condition() const {
  if (!GetFiltered() || Trim(GetFilter()).empty()) return String();
  return "(" + GetFilter() + ")";
}

// [SECTION] Opening

void TSQLiteDataSet::InternalOpen() {
  // [Phase 1] The database and what the dataset reads.
  if (FTableName.empty() && FSQL.empty())
    DatabaseError("Neither a table name nor a query is given", this);
  if (!FDB) OpenConnection();
  // [Phase 2] The name that reads the row id, and the columns.
  FKeyColumns.clear();
  FRowIdColumn.clear();
  FKeyed = false;
  bool WithoutRowId = false;
  FHasRowId = FSQL.empty() && !IsView() && ChooseRowIdName(WithoutRowId);
  const String SQL = (FHasRowId ? "SELECT " + FRowId + ", * FROM " : String("SELECT NULL, * FROM ")) +
                     SourceSQL();
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot read " + (FSQL.empty() ? "table " + FTableName : String("the query")));
  TStatement Stmt(Raw);
  // [Phase 3] The field definitions from the columns after the row id; the
  // names and declared types are kept to see when another connection
  // changes the table.
  TFieldDefs* Defs = GetFieldDefs();
  Defs->Clear();
  FTypes.clear();
  FShapeNames.clear();
  FShapeDecls.clear();
  FShapeChanged = false;
  const int Columns = sqlite3_column_count(Raw);
  for (int Column = 1; Column < Columns; ++Column) {
    Integer Size = 0;
    const char* Decl = sqlite3_column_decltype(Raw, Column);
    const TFieldType Type = MapType(Decl, Size);
    // SQLite keeps text of any length in a column declared VARCHAR(n): the
    // field takes n as its width and cuts nothing.
    Defs->Add(sqlite3_column_name(Raw, Column), Type, Size)->SetCutToSize(false);
    FTypes.push_back(Type);
    FShapeNames.push_back(sqlite3_column_name(Raw, Column));
    FShapeDecls.push_back(Decl ? Decl : "");
  }
  Stmt.reset();
  if (FSQL.empty()) ReadKeyColumns(WithoutRowId);
  RememberFile();
  FWalMode = !FHasRowId && !FKeyed && InWalMode();
  FReadRows = 0;
  FReadRuns = 0;
  FKeyIds.clear();  // a key keeps its number while the dataset is open
  FOrder = ResolveOrder(FIndexFieldNames, FDescFields);
  ResetRows();
}

// Opens the connection. Other programs write the file too: a lock they hold
// for a moment is waited for. The file is read with the system's reads (ahead
// where reads follow one another: SQLiteDataSetFile.cpp), never through a
// memory map, since a mapped page that vanishes (another program empties the
// file or copies a backup over it) kills the process instead of failing the
// read.
void TSQLiteDataSet::OpenConnection() {
  if (sqlite3_open_v2(FDatabaseName.c_str(), &FDB, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                      ReadAheadVfs()) != SQLITE_OK) {
    const String Reason = FDB ? sqlite3_errmsg(FDB) : "out of memory";
    if (FDB) sqlite3_close(FDB);
    FDB = nullptr;
    DatabaseError("Cannot open database '" + FDatabaseName + "': " + Reason, this);
  }
  sqlite3_busy_timeout(FDB, BusyTimeoutMs);
  sqlite3_exec(FDB, "PRAGMA mmap_size = 0", nullptr, nullptr, nullptr);
  RegisterCollector();
}

// Another file was put under the name (a rename over it): the connection
// reads that one from now on, when its table still has the fields' columns.
void TSQLiteDataSet::OpenReplacedFile() {
  struct stat Info {};
  if (::stat(FDatabaseName.c_str(), &Info) != 0)
    DatabaseError("The database file '" + FDatabaseName +
                      "' was removed or renamed since the dataset opened it",
                  this);
  CommitWriteGroup();  // the group's writes went to the file it had
  FinalizeKept();
  sqlite3_close(FDB);
  FDB = nullptr;
  FShapeChanged = true;  // until the new file is known to have the same table
  OpenConnection();
  RememberFile();
  FShapeChanged = false;
  const String SQL = (FHasRowId ? "SELECT " + FRowId + ", * FROM " : String("SELECT NULL, * FROM ")) +
                     SourceSQL() + " LIMIT 0";
  sqlite3_stmt* Raw = nullptr;
  const bool Prepared = sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) == SQLITE_OK;
  TStatement Stmt(Raw);
  if (!Prepared || !SameColumns(Raw, 1, nullptr)) ColumnsChanged();
}

// Whether the file is in WAL mode, where an open read keeps no writer out.
bool TSQLiteDataSet::InWalMode() {
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, "PRAGMA journal_mode", -1, &Raw, nullptr) != SQLITE_OK) return false;
  TStatement Stmt(Raw);
  return StepRow(Raw, "Cannot read the journal mode") && SameText(ColumnText(Raw, 0), "wal");
}

// A table reads its row id by the first of SQLite's three names for it that
// no column of its own takes ("rowid", else "oid", else "_rowid_"). False for
// a table without row ids (WithoutRowId) and for one whose columns take all
// three names: such a table is read and written by its primary key.
bool TSQLiteDataSet::ChooseRowIdName(bool& WithoutRowId) {
  WithoutRowId = false;
  sqlite3_stmt* Raw = nullptr;
  const String SQL = "SELECT * FROM " + QuoteName(FTableName) + " LIMIT 0";
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot read table " + FTableName);
  TStatement Stmt(Raw);
  for (const char* Name : {"rowid", "oid", "_rowid_"}) {
    bool Taken = false;
    for (int Column = 0; Column < sqlite3_column_count(Raw) && !Taken; ++Column)
      Taken = SameText(sqlite3_column_name(Raw, Column), Name);
    if (Taken) continue;
    if (!Prepares("SELECT " + String(Name) + " FROM " + QuoteName(FTableName) + " LIMIT 0")) {
      WithoutRowId = true;
      return false;
    }
    FRowId = Name;
    return true;
  }
  return false;
}

// The primary key's columns from the table's description: a table read
// without row ids is written through them, and a column that is the row id
// itself (changing it moves the row) is found as SQLite decides it: the
// column it reads from the row id. A view has neither and stays read-only.
void TSQLiteDataSet::ReadKeyColumns(bool WithoutRowId) {
  std::vector<std::pair<int, Integer>> Keys;  // position in the key, field definition
  bool NotNull = true;
  sqlite3_stmt* Raw = nullptr;
  const String SQL = "PRAGMA table_info(" + QuoteName(FTableName) + ")";
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot read the columns of table " + FTableName);
  TStatement Stmt(Raw);
  while (StepRow(Raw, "Cannot read the columns of table " + FTableName)) {
    const int Position = sqlite3_column_int(Raw, 5);
    const Integer Def = GetFieldDefs()->IndexOf(ColumnText(Raw, 1));
    if (Position <= 0 || Def < 0) continue;
    Keys.emplace_back(Position, Def);
    NotNull = NotNull && sqlite3_column_int(Raw, 3) != 0;
  }
  Stmt.reset();
  std::sort(Keys.begin(), Keys.end());
  if (FHasRowId) {
    if (Keys.size() == 1 && ReadsRowId(GetFieldDefs()->GetItem(Keys[0].second)->GetName()))
      FRowIdColumn = GetFieldDefs()->GetItem(Keys[0].second)->GetName();
    return;
  }
  for (const auto& Key : Keys) FKeyColumns.push_back(Key.second);
  // Keys that are never NULL order every row: rows are read in key order
  // from the last key read on.
  FKeyed = !FKeyColumns.empty() && (WithoutRowId || NotNull);
}

// Whether SQLite reads the column from the row id: its own plan for reading
// the column from the table says so.
bool TSQLiteDataSet::ReadsRowId(const String& Column) {
  const String SQL =
      "EXPLAIN SELECT " + QuoteName(Column) + " FROM " + QuoteName(FTableName) + " NOT INDEXED";
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK) return false;
  TStatement Stmt(Raw);
  while (StepRow(Raw, "Cannot read the columns of table " + FTableName))
    if (ColumnText(Raw, 1) == "Rowid") return true;
  return false;
}

// A view's rows have no row ids of their own (it answers NULL for them).
bool TSQLiteDataSet::IsView() {
  sqlite3_stmt* Raw = nullptr;
  const char* SQL = "SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE";
  if (sqlite3_prepare_v2(FDB, SQL, -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot read the description of table " + FTableName);
  TStatement Stmt(Raw);
  sqlite3_bind_text(Raw, 1, FTableName.c_str(), int(FTableName.size()), SQLITE_TRANSIENT);
  return StepRow(Raw, "Cannot read the description of table " + FTableName) &&
         ColumnText(Raw, 0) == "view";
}

bool TSQLiteDataSet::Prepares(const String& SQL) {
  sqlite3_stmt* Stmt = nullptr;
  const bool Result = sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Stmt, nullptr) == SQLITE_OK;
  sqlite3_finalize(Stmt);
  return Result;
}

void TSQLiteDataSet::InternalClose() {
  if (FDB) CommitWriteGroup();  // what a group wrote stays, as record by record
  FGroup = {};
  ResetRows();
  FinalizeKept();
  if (FDB) sqlite3_close(FDB);
  FDB = nullptr;
}

// Forgets every row read, the count and the cursor: the next read starts over.
void TSQLiteDataSet::ResetRows() {
  ClearCache();
  FWanted.assign(FTypes.size(), 0);
  FPlaced.clear();
  FOrderAnchors.clear();
  ClearOrderWindow();
  FDbCount = -1;
  FCursorKind = ckBof;
  FChunk = 64;
  FinalizeKept();
  FRows.clear();
  FSeqBytes.clear();
  FCursor = -1;
  FSeqRead = 0;
  FSeqLast.clear();
  FAtEnd = false;
  FFetchedCount = 0;
}

// A filter text is refused before any row is dropped, and the dataset then
// puts the old filter back, when it is more than one condition, when the
// database cannot read it, or when it fails on any row: the count of the rows
// it passes runs it over the whole table once, and is kept as the count.
void TSQLiteDataSet::FilterChanged() {
  Int64 Count = -1;
  if (FDB && !Condition().empty()) Count = CheckFilter(GetFilter());
  ResetRows();
  if (FHasRowId && !(GetFiltered() && OnFilterRecord)) FDbCount = Count;
}

Int64 TSQLiteDataSet::CheckFilter(const String& Text) {
  const String Refused = "Cannot apply the filter '" + Text + "'";
  const String Fault = FilterTextFault(Text);
  if (!Fault.empty()) DatabaseError(Refused + ": " + Fault, this);
  const String SQL = "SELECT COUNT(*) FROM " + SourceSQL() + " WHERE (" + Text + ")";
  sqlite3_stmt* Raw = nullptr;
  const char* Tail = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), int(SQL.size()), &Raw, &Tail) != SQLITE_OK)
    SQLiteError(Refused);
  TStatement Stmt(Raw);
  if (!Raw || !Trim(String(Tail)).empty())
    DatabaseError(Refused + ": it is more than one condition", this);
  if (sqlite3_bind_parameter_count(Raw) > 0)
    DatabaseError(Refused + ": it may not hold parameters", this);
  // The reading statements nest the condition deeper than the count does: the
  // deepest of them must take it too (SQLite's parser has a bounded depth).
  const String Deepest = "SELECT NOT EXISTS (SELECT 1 FROM " + SourceSQL() +
                         " WHERE 1 > ?1 AND (" + Text + ") AND 1 NOT IN (0)) AND EXISTS "
                         "(SELECT 1 FROM " + SourceSQL() + " WHERE 1 = ?1 AND (" + Text + "))";
  sqlite3_stmt* Probe = nullptr;
  const bool Nests =
      sqlite3_prepare_v2(FDB, Deepest.c_str(), int(Deepest.size()), &Probe, nullptr) == SQLITE_OK;
  TStatement Kept(Probe);
  if (!Nests) SQLiteError(Refused);
  if (!StepRow(Raw, Refused)) SQLiteError(Refused);
  return sqlite3_column_int64(Raw, 0);
}

// Reads the rows again, from the file now under the name when another one
// was put there, and goes back to the same row when it is still there, else
// to the one after it.
void TSQLiteDataSet::InternalRefresh() {
  CheckColumnsKept();
  if (FileReplaced()) OpenReplacedFile();
  if (Ordered()) {
    OrderRefresh();
    return;
  }
  if (FHasRowId) {
    const TCursorKind Kind = FCursorKind;
    const Int64 RowId = FCursorRowId;
    ResetRows();
    if (Kind == ckRow) {
      FCursorKind = ckGap;
      FCursorRowId = RowId;
      FGapKey = TKey{RowId, 0};  // the row itself, if still there, comes first
    }
    return;
  }
  const bool OnRow = FCursor >= 0 && FCursor < Integer(FRows.size());
  const Int64 RowId = OnRow ? FRows[FCursor].RowId : 0;
  const Integer Position = FCursor;
  ResetRows();
  if (OnRow) {
    const Integer Index = IndexOfRowId(RowId);
    FCursor = Index >= 0 ? Index : std::min(Position, Integer(FRows.size()));
  }
}

// [SECTION] Sequential

void TSQLiteDataSet::Decode(const char* Bytes, std::vector<Variant>& Data, Int64 RowId) {
  Data.resize(FTypes.size());
  for (std::size_t I = 0; I < FTypes.size(); ++I)
    Data[I] = CellValue(NextCell(Bytes), Integer(I), RowId);
}

// Passes the row through OnFilterRecord when it filters.
bool TSQLiteDataSet::RowShown(const char* Bytes, Int64 RowId) {
  if (!GetFiltered() || !OnFilterRecord) return true;
  TRecordBuffer Buffer;
  InitBufferShape(Buffer);
  Decode(Bytes, Buffer.Data, RowId);
  return RecordFilterAccepts(Buffer);
}

// Reads the next rows, each once, in a chunk that grows with the rows read:
// a table keyed by its primary key reads the rows after the last key read (a
// new statement each time, so that no read stays open between calls); a
// query, a view or a table without such a key steps its one statement on.
// That statement stays open between chunks only where an open read does not
// keep other connections from writing (a file in WAL mode); elsewhere the
// first chunk reads every row.
void TSQLiteDataSet::ReadChunk() {
  // [Phase 1] The statement: the first rows, or those after the last key.
  const String Where = Condition().empty() ? String() : " WHERE " + Condition();
  String Order;
  String After;
  for (Integer Column : FKeyed ? FKeyColumns : std::vector<Integer>()) {
    const String Name = QuoteName(GetFieldDefs()->GetItem(Column)->GetName());
    Order += (Order.empty() ? " ORDER BY " : ", ") + Name;
    After += (After.empty() ? "" : ", ") + Name;
  }
  const String Source = "SELECT NULL, * FROM " + SourceSQL();
  const bool Continues = FKeyed && !FSeqLast.empty();
  bool KeyedTies = false;
  if (!FOrder.empty()) Order = SeqOrderBy(KeyedTies);
  std::vector<TCell> OrderBinds;
  if (!FOrder.empty() && Continues) {
    // The condition has the NULLs of the last row written into it.
    sqlite3_finalize(FSeqAfter);
    FSeqAfter = nullptr;
    After = SeqAfter(FSeqLast, 2, OrderBinds);
  }
  sqlite3_stmt* Stmt = nullptr;
  if (!FOrder.empty() && Continues) {
    Stmt = PrepareKept(FSeqAfter, Source + (Where.empty() ? " WHERE " : Where + " AND ") + After +
                                      Order + " LIMIT ?1");
  } else if (!FKeyed) {
    Stmt = PrepareKept(FSeqStmt, Source + Where + Order);
  } else if (!Continues) {
    Stmt = PrepareKept(FSeqStmt, Source + Where + Order + " LIMIT ?1");
  } else {
    String Marks;
    for (std::size_t I = 0; I < FKeyColumns.size(); ++I)
      Marks += (I ? ", ?" : "?") + IntToStr(Integer(I) + 2);
    Stmt = PrepareKept(FSeqAfter, Source + (Where.empty() ? " WHERE " : Where + " AND ") + "(" +
                                      After + ") > (" + Marks + ")" + Order + " LIMIT ?1");
  }
  const Int64 Chunk = !FKeyed && !FWalMode ? INT64_MAX : std::clamp<Int64>(FSeqRead, 64, 4096);
  if (FKeyed) {
    sqlite3_reset(Stmt);
    sqlite3_bind_int64(Stmt, 1, Chunk);
    if (Continues && !FOrder.empty()) {
      for (std::size_t I = 0; I < OrderBinds.size(); ++I) BindCell(Stmt, int(I) + 2, OrderBinds[I]);
    } else if (Continues) {
      std::vector<Variant> Params;
      std::vector<TFieldType> Types;
      RowParams(0, FSeqLast.data(), Params, Types);
      for (std::size_t I = 0; I < Params.size(); ++I)
        BindValue(Stmt, int(I) + 2, Params[I], Types[I]);
    }
  }
  ++FReadRuns;
  // [Phase 2] The rows.
  const int Columns = int(FTypes.size());
  Int64 Count = 0;
  bool End = false;
  for (; Count < Chunk; ++Count) {
    const bool Stepped = StepRow(Stmt, "Cannot read the next rows");
    if (Count == 0) CheckReprepared(Stmt);
    if (!Stepped) {
      End = true;
      break;
    }
    TSeqRow Row{0, FSeqBytes.size()};
    AppendCells(FSeqBytes, Stmt, 1, Columns);
    ++FSeqRead;
    ++FReadRows;
    const char* Bytes = FSeqBytes.data() + Row.Start;
    Row.RowId = FKeyColumns.empty() ? FSeqRead : IdOfKey(Bytes);
    if (FKeyed) FSeqLast.assign(Bytes, FSeqBytes.size() - Row.Start);
    if (RowShown(Bytes, Row.RowId))
      FRows.push_back(Row);
    else
      FSeqBytes.resize(Row.Start);
  }
  // [Phase 3] A keyed read ends with every chunk; a stepped one at its end.
  if (FKeyed || End) sqlite3_reset(Stmt);
  if (End) FAtEnd = true;
}

// Reads chunks until a row past those held is there; false at the end.
bool TSQLiteDataSet::FetchNext() {
  const std::size_t Held = FRows.size();
  while (FRows.size() == Held && !FAtEnd && FDB) ReadChunk();
  return FRows.size() > Held;
}

void TSQLiteDataSet::FetchAll() {
  while (FetchNext()) {
  }
}

Integer TSQLiteDataSet::IndexOfRowId(Int64 RowId) {
  for (std::size_t I = 0;; ++I) {
    if (I == FRows.size() && !FetchNext()) return -1;
    if (FRows[I].RowId == RowId) return Integer(I);
  }
}

TGetResult TSQLiteDataSet::SeqGetRecord(TRecordBuffer& Buffer, TGetMode Mode) {
  CheckColumnsKept();
  if (Mode == gmNext && FCursor + 1 >= Integer(FRows.size())) FetchNext();
  const TGetResult Result = StepCursor(FCursor, Integer(FRows.size()), Mode);
  if (Result != grOK) return Result;
  FillLazy(Buffer, FRows[FCursor].RowId, FCursor + 1);
  return grOK;
}

// The index of a row read in order, found by its record number when no row
// has moved since, else searched.
Integer TSQLiteDataSet::SeqIndexOf(Int64 RowId, Integer RecNo) {
  if (RecNo >= 1 && RecNo <= Integer(FRows.size()) && FRows[std::size_t(RecNo - 1)].RowId == RowId)
    return RecNo - 1;
  return IndexOfRowId(RowId);
}

// [SECTION] Protocol

// A row reached by a step from the row the cursor stands on takes the number
// after (or before) that row's: the window's records stay numbered one after
// another whatever others add or delete before them meanwhile (Refresh and
// jumps count again). A row that others put before the first one numbered
// takes the number counted for it, and the records held move up with it;
// the first row, found to have none before it, is number 1 and the records
// held move down with it.
TGetResult TSQLiteDataSet::GetRecord(TRecordBuffer& Buffer, TGetMode Mode) {
  if (!FHasRowId) return SeqGetRecord(Buffer, Mode);
  const Int64 From = Mode == gmCurrent ? 0 : CursorRecNo();
  const TGetResult Result = Ordered() ? OrderGetRecord(Buffer, Mode) : KeyedGetRecord(Buffer, Mode);
  if (Result != grOK) {
    // Nothing before the row numbered From: it is the first, number 1.
    if (Result == grBOF && From > 1) RenumberRecords(Integer(1 - From));
    FNumberedRecNo = 0;
    return Result;
  }
  if (From > 0 && Buffer.RecNo > 0) {
    const Int64 Stepped = Mode == gmNext ? From + 1 : From - 1;
    if (Stepped >= 1)
      Buffer.RecNo = Integer(std::min<Int64>(Stepped, INT32_MAX));
    else
      RenumberRecords(Integer(Buffer.RecNo - Stepped));
    FFetchedCount = std::max(FFetchedCount, Buffer.RecNo);
  }
  FNumberedRowId = FCursorRowId;
  FNumberedRecNo = Buffer.RecNo;
  return Result;
}

// The number of the row the cursor stands on, as the window numbers it; 0
// when the cursor is not on a numbered row.
Int64 TSQLiteDataSet::CursorRecNo() const {
  return FCursorKind == ckRow && FNumberedRowId == FCursorRowId ? FNumberedRecNo : 0;
}

void TSQLiteDataSet::InternalFirst() {
  FCursorKind = ckBof;
  FRun.Index = -1;
  FCursor = -1;
}

void TSQLiteDataSet::InternalLast() {
  if (FHasRowId) {
    FCursorKind = ckEof;
    FRun.Index = -1;
    return;
  }
  FetchAll();
  FCursor = Integer(FRows.size());
}

void TSQLiteDataSet::InternalSetToRecord(const TRecordBuffer& Buffer) {
  Int64 RowId = 0;
  if (!BookmarkToRowId(Buffer.Bookmark, RowId)) return;
  if (FHasRowId) {
    FCursorKind = ckRow;
    FCursorRowId = RowId;
    FNumberedRowId = RowId;
    FNumberedRecNo = std::max(Buffer.RecNo, 0);
    FRun.Index = RunIndexOf(RowId, Buffer.RecNo);
    return;
  }
  const Integer Index = IndexOfRowId(RowId);
  if (Index >= 0) FCursor = Index;
}

bool TSQLiteDataSet::InternalGotoBookmark(const TBookmark& Bookmark) {
  CheckColumnsKept();
  Int64 RowId = 0;
  if (!BookmarkToRowId(Bookmark, RowId)) return false;
  if (FHasRowId) {
    if (PlacedIndexOf(RowId) < 0 && !IsDbRowShown(RowId)) return false;
    FCursorKind = ckRow;
    FCursorRowId = RowId;
    FRun.Index = -1;
    return true;
  }
  const Integer Index = IndexOfRowId(RowId);
  if (Index < 0) return false;
  FCursor = Index;
  return true;
}

void TSQLiteDataSet::InternalSetRecNo(Integer Value) {
  CheckColumnsKept();
  if (Ordered()) {
    OrderSetRecNo(Value);
    return;
  }
  if (FHasRowId) {
    TRowRef Row;
    if (!KeyedRowAt(Value, Row)) DatabaseError("Record not found", this);
    FCursorKind = ckRow;
    FCursorRowId = Row.RowId;
    FRun.Index = -1;
    return;
  }
  while (Integer(FRows.size()) < Value && FetchNext()) {
  }
  FCursor = std::min(Value, Integer(FRows.size())) - 1;
}

// A table's count is asked of the database once and kept (see the unit
// comment); a query's, a view's and a table's without row ids is counted by
// the database while rows remain unread; OnFilterRecord can only be counted
// by reading.
Integer TSQLiteDataSet::GetRecordCount() {
  if (!GetActive()) return 0;
  CheckColumnsKept();
  if (FHasRowId) return Integer(std::min<Int64>(DbCount() + Int64(FPlaced.size()), INT32_MAX));
  if (FAtEnd) return Integer(FRows.size());
  if (GetFiltered() && OnFilterRecord) {
    FetchAll();
    return Integer(FRows.size());
  }
  const String Where = Condition().empty() ? String() : " WHERE " + Condition();
  const String SQL = "SELECT COUNT(*) FROM " + SourceSQL() + Where;
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot count the rows");
  TStatement Stmt(Raw);
  if (sqlite3_step(Raw) != SQLITE_ROW) SQLiteError("Cannot count the rows");
  return Integer(std::min<Int64>(sqlite3_column_int64(Raw, 0), INT32_MAX));
}

Integer TSQLiteDataSet::GetCachedCount() const {
  if (!FHasRowId) return Integer(FRows.size());
  Integer Count = Integer(FPlaced.size());
  for (const auto& Entry : FPages) Count += Entry.second.Count();
  return Count;
}

bool TSQLiteDataSet::GetCanModify() {
  if (GetReadOnly() || !FSQL.empty() || FTableName.empty()) return false;
  return !GetActive() || FHasRowId || !FKeyColumns.empty();
}

bool TSQLiteDataSet::BookmarkValid(const TBookmark& Bookmark) {
  Int64 RowId = 0;
  if (!GetActive() || !BookmarkToRowId(Bookmark, RowId) || FShapeChanged) return false;
  if (FHasRowId) return PlacedIndexOf(RowId) >= 0 || IsDbRowShown(RowId);
  return IndexOfRowId(RowId) >= 0;
}

// By position in the rows; an empty bookmark comes after every real one. A
// table's rows compare by their keys, whether they are shown or not.
Integer TSQLiteDataSet::CompareBookmarks(const TBookmark& B1, const TBookmark& B2) {
  if (B1.empty() || B2.empty()) return B1.empty() == B2.empty() ? 0 : (B1.empty() ? 1 : -1);
  Int64 Id1 = 0;
  Int64 Id2 = 0;
  if (!BookmarkToRowId(B1, Id1) || !BookmarkToRowId(B2, Id2))
    return B1 < B2 ? -1 : (B1 == B2 ? 0 : 1);
  if (Id1 == Id2) return 0;
  if (Ordered()) return OrderCompare(Id1, Id2);
  if (FHasRowId) {
    bool Placed = false;
    Integer Index = 0;
    const TKey K1 = KeyOf(Id1, Placed, Index);
    const TKey K2 = KeyOf(Id2, Placed, Index);
    return K1 < K2 ? -1 : (K2 < K1 ? 1 : (Id1 < Id2 ? -1 : 1));
  }
  const Integer I1 = IndexOfRowId(Id1);
  const Integer I2 = IndexOfRowId(Id2);
  if (I1 != I2) return (I1 < 0 ? INT32_MAX : I1) < (I2 < 0 ? INT32_MAX : I2) ? -1 : 1;
  return Id1 < Id2 ? -1 : 1;
}

}  // namespace kvp
