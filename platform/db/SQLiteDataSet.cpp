// TSQLiteDataSet: opening a table or query, mapping column types, reading rows
// lazily, and writing edits, inserts and deletes back by row id or key.
//
// Index
//   [SECTION] Values     type mapping, ISO dates, reading and binding values,
//                        TTransaction
//   [SECTION] Opening    InternalOpen, the statement and its pages, the key of
//                        a table without row ids, InternalClose, the filter
//   [SECTION] Cursor     GetRecord, bookmarks, RecNo, RecordCount
//   [SECTION] Writing    RowCondition, Exec, InternalPost, InternalDelete,
//                        InternalRefresh

#include "platform/db/SQLiteDataSet.h"

#include "platform/db/SQLiteDataSetImpl.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Values

using namespace sqlite_detail;

namespace {

TBookmark RowIdToBookmark(Int64 RowId) {
  TBookmark Result(8, '\0');
  for (int I = 0; I < 8; ++I) Result[I] = char((UInt64(RowId) >> (8 * I)) & 0xFF);
  return Result;
}

bool BookmarkToRowId(const TBookmark& Bookmark, Int64& RowId) {
  if (Bookmark.size() != 8) return false;
  UInt64 Value = 0;
  for (int I = 0; I < 8; ++I) Value |= UInt64(static_cast<unsigned char>(Bookmark[I])) << (8 * I);
  RowId = Int64(Value);
  return true;
}

}  // namespace

TSQLiteDataSet::TRow TSQLiteDataSet::ReadRow(sqlite3_stmt* Stmt) const {
  TRow Row;
  Row.RowId = sqlite3_column_int64(Stmt, 0);
  Row.Data.reserve(FTypes.size());
  for (std::size_t I = 0; I < FTypes.size(); ++I)
    Row.Data.push_back(ValueOfCell(CellOf(Stmt, int(I) + 1), FTypes[I]));
  return Row;
}

// [SECTION] Opening

void TSQLiteDataSet::Destroy() {
  inherited::Destroy();
  if (FDB) sqlite3_close(FDB);
  FDB = nullptr;
}

void TSQLiteDataSet::KvPublish(TPublisher<TSQLiteDataSet>& P) {
  P.Prop("DatabaseName", &TSQLiteDataSet::GetDatabaseName, &TSQLiteDataSet::SetDatabaseName);
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

void TSQLiteDataSet::SQLiteError(const String& Operation) {
  const String Reason = FDB ? sqlite3_errmsg(FDB) : "no database";
  DatabaseError(Operation + ": " + Reason, this);
}

// The rows after those already read: by row id for a table, by offset in key
// order for a table without row ids, by offset for a view or a query. The
// filter text, when filtering, is a condition in SQL over the columns.
String TSQLiteDataSet::SelectSQL() const {
  const bool Condition = GetFiltered() && !Trim(GetFilter()).empty();
  if (!FSQL.empty())
    return "SELECT NULL, * FROM (" + FSQL + ")" +
           (Condition ? " WHERE (" + GetFilter() + ")" : String()) + " LIMIT ? OFFSET ?";
  if (FHasRowId)
    return "SELECT rowid, * FROM " + QuoteName(FTableName) + " WHERE rowid > ?" +
           (Condition ? " AND (" + GetFilter() + ")" : String()) + " ORDER BY rowid LIMIT ?";
  String Order;
  for (Integer Column : FKeyColumns)
    Order += (Order.empty() ? " ORDER BY " : ", ") +
             QuoteName(GetFieldDefs()->GetItem(Column)->GetName());
  return "SELECT NULL, * FROM " + QuoteName(FTableName) +
         (Condition ? " WHERE (" + GetFilter() + ")" : String()) + Order + " LIMIT ? OFFSET ?";
}

void TSQLiteDataSet::StartReading() {
  FPending.clear();
  FPlacedIds.clear();
  FLastRowId = INT64_MIN;
  FReadCount = 0;
  FAtEnd = false;
}

// Reads one page of rows into FPending and lets the statement go at once.
void TSQLiteDataSet::ReadPage() {
  constexpr int PageRows = 64;
  sqlite3_stmt* Stmt = nullptr;
  if (sqlite3_prepare_v2(FDB, SelectSQL().c_str(), -1, &Stmt, nullptr) != SQLITE_OK)
    SQLiteError("Cannot read " + (FSQL.empty() ? "table " + FTableName : String("the query")));
  TStatement Owner(Stmt);
  if (FHasRowId) {
    sqlite3_bind_int64(Stmt, 1, FLastRowId);
    sqlite3_bind_int(Stmt, 2, PageRows);
  } else {
    sqlite3_bind_int(Stmt, 1, PageRows);
    sqlite3_bind_int64(Stmt, 2, FReadCount);
  }
  int Count = 0;
  int Step = SQLITE_ROW;
  while ((Step = sqlite3_step(Stmt)) == SQLITE_ROW) {
    TRow Row = ReadRow(Stmt);
    ++FReadCount;
    if (FHasRowId)
      FLastRowId = Row.RowId;
    else
      Row.RowId = FKeyColumns.empty() ? FReadCount : IdOfKey(Row.Data);
    FPending.push_back(std::move(Row));
    ++Count;
  }
  Owner.reset();
  if (Step != SQLITE_DONE) SQLiteError("Cannot read the next rows");
  if (Count < PageRows) FAtEnd = true;
}

void TSQLiteDataSet::InternalOpen() {
  // [Phase 1] The database and the statement.
  if (FTableName.empty() && FSQL.empty())
    DatabaseError("Neither a table name nor a query is given", this);
  if (!FDB &&
      sqlite3_open_v2(FDatabaseName.c_str(), &FDB, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    const String Reason = FDB ? sqlite3_errmsg(FDB) : "out of memory";
    if (FDB) sqlite3_close(FDB);
    FDB = nullptr;
    DatabaseError("Cannot open database '" + FDatabaseName + "': " + Reason, this);
  }
  FKeyColumns.clear();
  FKeyIds.clear();
  FHasRowId = FSQL.empty() && !IsView() &&
              Prepares("SELECT rowid FROM " + QuoteName(FTableName) + " LIMIT 0");
  sqlite3_stmt* Stmt = nullptr;
  if (sqlite3_prepare_v2(FDB, SelectSQL().c_str(), -1, &Stmt, nullptr) != SQLITE_OK)
    SQLiteError("Cannot read " + (FSQL.empty() ? "table " + FTableName : String("the query")));
  // [Phase 2] The field definitions from the columns after the row id.
  TFieldDefs* Defs = GetFieldDefs();
  Defs->Clear();
  FTypes.clear();
  const int Columns = sqlite3_column_count(Stmt);
  for (int Column = 1; Column < Columns; ++Column) {
    Integer Size = 0;
    const TFieldType Type = MapType(sqlite3_column_decltype(Stmt, Column), Size);
    Defs->Add(sqlite3_column_name(Stmt, Column), Type, Size);
    FTypes.push_back(Type);
  }
  sqlite3_finalize(Stmt);
  if (FSQL.empty() && !FHasRowId) ReadKeyColumns();
  FRows.clear();
  FCursor = -1;
  StartReading();
}

// A table without row ids is written through its primary key, whose columns
// are read from the table's description; a view has neither and stays
// read-only.
void TSQLiteDataSet::ReadKeyColumns() {
  std::vector<std::pair<int, Integer>> Keys;  // position in the key, field definition
  sqlite3_stmt* Stmt = nullptr;
  const String SQL = "PRAGMA table_info(" + QuoteName(FTableName) + ")";
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Stmt, nullptr) != SQLITE_OK)
    SQLiteError("Cannot read the columns of table " + FTableName);
  while (sqlite3_step(Stmt) == SQLITE_ROW) {
    const int Position = sqlite3_column_int(Stmt, 5);
    const Integer Def = GetFieldDefs()->IndexOf(ColumnText(Stmt, 1));
    if (Position > 0 && Def >= 0) Keys.emplace_back(Position, Def);
  }
  sqlite3_finalize(Stmt);
  std::sort(Keys.begin(), Keys.end());
  for (const auto& Key : Keys) FKeyColumns.push_back(Key.second);
}

// A view's rows have no row ids of their own (it answers NULL for them).
bool TSQLiteDataSet::IsView() {
  sqlite3_stmt* Stmt = nullptr;
  const char* SQL = "SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE";
  if (sqlite3_prepare_v2(FDB, SQL, -1, &Stmt, nullptr) != SQLITE_OK)
    SQLiteError("Cannot read the description of table " + FTableName);
  sqlite3_bind_text(Stmt, 1, FTableName.c_str(), int(FTableName.size()), SQLITE_TRANSIENT);
  const bool Result = sqlite3_step(Stmt) == SQLITE_ROW && ColumnText(Stmt, 0) == "view";
  sqlite3_finalize(Stmt);
  return Result;
}

bool TSQLiteDataSet::Prepares(const String& SQL) {
  sqlite3_stmt* Stmt = nullptr;
  const bool Result = sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Stmt, nullptr) == SQLITE_OK;
  sqlite3_finalize(Stmt);
  return Result;
}

// The key values of a row as one text, each with its storage type, so that
// equal keys give equal texts.
String TSQLiteDataSet::KeyText(const std::vector<Variant>& Data) const {
  String Result;
  for (Integer Column : FKeyColumns) {
    const Variant& V = Data[Column];
    Result += IntToStr(Integer(VarType(V))) + ':' + (VarIsNull(V) ? String() : VarToStr(V));
    Result += '\x1f';
  }
  return Result;
}

// Rows of a table without row ids are named by a number given to each key
// the first time it is read; it stays with the row while the dataset is open.
Int64 TSQLiteDataSet::IdOfKey(const std::vector<Variant>& Data) {
  const auto [It, Added] = FKeyIds.emplace(KeyText(Data), FNextKeyId);
  if (Added) ++FNextKeyId;
  return It->second;
}

void TSQLiteDataSet::InternalClose() {
  FKeyIds.clear();
  FPending.clear();
  FRows.clear();
  FCursor = -1;
  if (FDB) sqlite3_close(FDB);
  FDB = nullptr;
}

// Takes rows, reading pages as needed, until one passes the filter; false at the end.
bool TSQLiteDataSet::FetchNext() {
  for (;;) {
    if (FPending.empty()) {
      if (FAtEnd || !FDB) return false;
      ReadPage();
      continue;
    }
    TRow Row = std::move(FPending.front());
    FPending.pop_front();
    if (FPlacedIds.erase(Row.RowId) > 0) continue;  // inserted here, already in FRows
    if (!Accepts(Row)) continue;
    FRows.push_back(std::move(Row));
    return true;
  }
}

void TSQLiteDataSet::FetchAll() {
  while (FetchNext()) {
  }
}

bool TSQLiteDataSet::Accepts(const TRow& Row) {
  if (!GetFiltered()) return true;
  TRecordBuffer Buffer;
  InitBufferShape(Buffer);
  Buffer.Data = Row.Data;
  return RecordFilterAccepts(Buffer);
}

// A filter text is refused before any row is dropped, and the dataset then
// puts the old filter back, when it is more than one condition, when the
// database cannot read it, or when it fails on any row: the count of the rows
// it passes runs it over the whole table once.
void TSQLiteDataSet::FilterChanged() {
  if (FDB && GetFiltered() && !Trim(GetFilter()).empty()) CheckFilter(GetFilter());
  FRows.clear();
  FCursor = -1;
  StartReading();
}

void TSQLiteDataSet::CheckFilter(const String& Text) {
  const String Refused = "Cannot apply the filter '" + Text + "'";
  const String Fault = FilterTextFault(Text);
  if (!Fault.empty()) DatabaseError(Refused + ": " + Fault, this);
  const String Source = FSQL.empty() ? QuoteName(FTableName) : "(" + FSQL + ")";
  const String SQL = "SELECT COUNT(*) FROM " + Source + " WHERE (" + Text + ")";
  sqlite3_stmt* Raw = nullptr;
  const char* Tail = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), int(SQL.size()), &Raw, &Tail) != SQLITE_OK)
    SQLiteError(Refused);
  TStatement Stmt(Raw);
  if (!Raw || Trim(String(Tail)).size() > 0)
    DatabaseError(Refused + ": it is more than one condition", this);
  if (sqlite3_bind_parameter_count(Raw) > 0)
    DatabaseError(Refused + ": it may not hold parameters", this);
  if (sqlite3_step(Raw) != SQLITE_ROW) SQLiteError(Refused);
}

// [SECTION] Cursor

void TSQLiteDataSet::FillBuffer(TRecordBuffer& Buffer, Integer Index) const {
  Buffer.Data = FRows[Index].Data;
  Buffer.Bookmark = RowIdToBookmark(FRows[Index].RowId);
  Buffer.RecNo = Index + 1;
}

TGetResult TSQLiteDataSet::GetRecord(TRecordBuffer& Buffer, TGetMode Mode) {
  if (Mode == gmNext && FCursor + 1 >= Integer(FRows.size())) FetchNext();
  const TGetResult Result = StepCursor(FCursor, Integer(FRows.size()), Mode);
  if (Result != grOK) return Result;
  FillBuffer(Buffer, FCursor);
  return grOK;
}

void TSQLiteDataSet::InternalLast() {
  FetchAll();
  FCursor = Integer(FRows.size());
}

Integer TSQLiteDataSet::IndexOfRowId(Int64 RowId) {
  for (;;) {
    for (std::size_t I = 0; I < FRows.size(); ++I)
      if (FRows[I].RowId == RowId) return Integer(I);
    if (!FetchNext()) return -1;
  }
}

void TSQLiteDataSet::InternalSetToRecord(const TRecordBuffer& Buffer) {
  Int64 RowId = 0;
  if (!BookmarkToRowId(Buffer.Bookmark, RowId)) return;
  const Integer Index = IndexOfRowId(RowId);
  if (Index >= 0) FCursor = Index;
}

bool TSQLiteDataSet::InternalGotoBookmark(const TBookmark& Bookmark) {
  Int64 RowId = 0;
  if (!BookmarkToRowId(Bookmark, RowId)) return false;
  const Integer Index = IndexOfRowId(RowId);
  if (Index < 0) return false;
  FCursor = Index;
  return true;
}

void TSQLiteDataSet::InternalSetRecNo(Integer Value) {
  while (Integer(FRows.size()) < Value && FetchNext()) {
  }
  FCursor = std::min(Value, Integer(FRows.size())) - 1;
}

// Without a filter the database counts the rows, so that a scroll bar over a
// large table does not read it all; a filter can only be counted by reading.
Integer TSQLiteDataSet::GetRecordCount() {
  if (!GetActive()) return 0;
  if (FAtEnd && FPending.empty()) return Integer(FRows.size());
  if (GetFiltered()) {
    FetchAll();
    return Integer(FRows.size());
  }
  const String SQL = FSQL.empty() ? "SELECT COUNT(*) FROM " + QuoteName(FTableName)
                                  : "SELECT COUNT(*) FROM (" + FSQL + ")";
  sqlite3_stmt* Stmt = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Stmt, nullptr) != SQLITE_OK)
    SQLiteError("Cannot count the rows");
  const bool Counted = sqlite3_step(Stmt) == SQLITE_ROW;
  const Int64 Count = Counted ? sqlite3_column_int64(Stmt, 0) : 0;
  sqlite3_finalize(Stmt);
  if (!Counted) SQLiteError("Cannot count the rows");
  return Integer(std::min<Int64>(Count, INT32_MAX));
}

bool TSQLiteDataSet::GetCanModify() {
  if (GetReadOnly() || !FSQL.empty() || FTableName.empty()) return false;
  return !GetActive() || FHasRowId || !FKeyColumns.empty();
}

bool TSQLiteDataSet::BookmarkValid(const TBookmark& Bookmark) {
  Int64 RowId = 0;
  return GetActive() && BookmarkToRowId(Bookmark, RowId) && IndexOfRowId(RowId) >= 0;
}

// By position in the rows; an empty bookmark comes after every real one.
Integer TSQLiteDataSet::CompareBookmarks(const TBookmark& B1, const TBookmark& B2) {
  if (B1.empty() || B2.empty()) return B1.empty() == B2.empty() ? 0 : (B1.empty() ? 1 : -1);
  Int64 Id1 = 0;
  Int64 Id2 = 0;
  if (!BookmarkToRowId(B1, Id1) || !BookmarkToRowId(B2, Id2))
    return B1 < B2 ? -1 : (B1 == B2 ? 0 : 1);
  if (Id1 == Id2) return 0;
  const Integer I1 = IndexOfRowId(Id1);
  const Integer I2 = IndexOfRowId(Id2);
  if (I1 != I2) return (I1 < 0 ? INT32_MAX : I1) < (I2 < 0 ? INT32_MAX : I2) ? -1 : 1;
  return Id1 < Id2 ? -1 : 1;
}

// [SECTION] Writing

// The condition naming one row (by row id or by its key) for UPDATE, DELETE
// and re-reading; RowParams gives its values and their types.
String TSQLiteDataSet::RowCondition() const {
  if (FHasRowId) return "rowid = ?";
  String Result;
  for (Integer Column : FKeyColumns)
    Result += (Result.empty() ? "" : " AND ") +
              QuoteName(GetFieldDefs()->GetItem(Column)->GetName()) + " IS ?";
  return Result;
}

void TSQLiteDataSet::RowParams(Int64 RowId, const std::vector<Variant>& Data,
                               std::vector<Variant>& Params, std::vector<TFieldType>& Types) const {
  if (FHasRowId) {
    Params.push_back(Variant(RowId));
    Types.push_back(ftLargeint);
    return;
  }
  for (Integer Column : FKeyColumns) {
    Params.push_back(Data[Column]);
    Types.push_back(FTypes[Column]);
  }
}

sqlite3_stmt* TSQLiteDataSet::Prepare(const String& SQL, const std::vector<Variant>& Params,
                                      const std::vector<TFieldType>& Types) {
  sqlite3_stmt* Stmt = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Stmt, nullptr) != SQLITE_OK)
    SQLiteError("Cannot prepare the change");
  try {
    for (std::size_t I = 0; I < Params.size(); ++I)
      BindValue(Stmt, int(I) + 1, Params[I], Types[I]);
  } catch (...) {
    sqlite3_finalize(Stmt);  // a value that does not convert
    throw;
  }
  return Stmt;
}

void TSQLiteDataSet::Exec(const String& SQL, const std::vector<Variant>& Params,
                          const std::vector<TFieldType>& Types) {
  sqlite3_stmt* Stmt = Prepare(SQL, Params, Types);
  const int Step = sqlite3_step(Stmt);
  sqlite3_finalize(Stmt);
  if (Step != SQLITE_DONE) SQLiteError("Cannot store the change");
}

// The record as read when editing starts: a post writes only the columns
// whose values differ from it, so that an untouched value (text in a number
// column, a date with a time zone, a number no field type holds) stays as
// stored.
void TSQLiteDataSet::InternalEdit() {
  TRecordBuffer* Buffer = GetActiveBuffer();
  KV_ASSERT(Buffer, "editing needs the record");
  FEditOriginal = Buffer->Data;
}

// Writes the changed columns of the edited row, or the given columns of a new
// one (the others take their defaults), and re-reads it as stored inside one
// transaction, and leaves the cursor on it. A post that changed nothing writes
// nothing. Rows not yet read stay unread: a new row placed among those read is
// remembered, so that the page that reaches its row id does not show it a
// second time. A table read in key order is read to its end first when a row
// is added or its key changes, since the row's place among the unread ones is
// not known.
void TSQLiteDataSet::InternalPost() {
  if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  TRecordBuffer* Buffer = GetActiveBuffer();
  KV_ASSERT(Buffer, "posting needs the edited record");
  const bool Editing = GetState() == dsEdit;
  Int64 RowId = 0;
  if (Editing) BookmarkToRowId(Buffer->Bookmark, RowId);
  const Integer Stored = Editing ? IndexOfRowId(RowId) : -1;
  if (Editing && Stored < 0) DatabaseError("Record not found", this);
  // [Phase 1] The columns to write: those changed, or those given.
  TFieldDefs* Defs = GetFieldDefs();
  std::vector<Integer> Columns;
  for (Integer I = 0; I < Defs->GetCount(); ++I) {
    const Variant& Value = Buffer->Data[I];
    const bool Changed = Editing ? I >= Integer(FEditOriginal.size()) ||
                                       !SameValue(Value, FEditOriginal[I])
                                 : !VarIsNull(Value) && !VarIsEmpty(Value);
    if (Changed) Columns.push_back(I);
  }
  if (Editing && Columns.empty()) {
    FCursor = Stored;
    return;
  }
  if (!FHasRowId && (!Editing || KeyText(FRows[Stored].Data) != KeyText(Buffer->Data))) FetchAll();
  // [Phase 2] The statement: UPDATE of the stored row, or INSERT.
  std::vector<Variant> Params;
  std::vector<TFieldType> Types;
  for (Integer I : Columns) {
    Params.push_back(Buffer->Data[I]);
    Types.push_back(FTypes[I]);
  }
  String SQL;
  if (Editing) {
    SQL = "UPDATE " + QuoteName(FTableName) + " SET ";
    for (std::size_t I = 0; I < Columns.size(); ++I)
      SQL += (I ? ", " : "") + QuoteName(Defs->GetItem(Columns[I])->GetName()) + " = ?";
    SQL += " WHERE " + RowCondition();
    RowParams(RowId, FRows[Stored].Data, Params, Types);
  } else if (Columns.empty()) {
    SQL = "INSERT INTO " + QuoteName(FTableName) + " DEFAULT VALUES";
  } else {
    String Names;
    String Marks;
    for (std::size_t I = 0; I < Columns.size(); ++I) {
      Names += (I ? ", " : "") + QuoteName(Defs->GetItem(Columns[I])->GetName());
      Marks += I ? ", ?" : "?";
    }
    SQL = "INSERT INTO " + QuoteName(FTableName) + " (" + Names + ") VALUES (" + Marks + ")";
  }
  TTransaction Transaction(FDB);
  if (!Transaction.Begin()) SQLiteError("Cannot start the change");
  Exec(SQL, Params, Types);
  if (Editing && sqlite3_changes(FDB) == 0)
    DatabaseError("Cannot store the change: the row was deleted by another user", this);
  if (!Editing && FHasRowId) RowId = sqlite3_last_insert_rowid(FDB);
  // [Phase 3] The row as stored (defaults, conversions), found by its new key.
  std::vector<Variant> KeyParams;
  std::vector<TFieldType> KeyTypes;
  RowParams(RowId, Buffer->Data, KeyParams, KeyTypes);
  TStatement Stmt(Prepare(String(FHasRowId ? "SELECT rowid, * FROM " : "SELECT NULL, * FROM ") +
                              QuoteName(FTableName) + " WHERE " + RowCondition(),
                          KeyParams, KeyTypes));
  const bool Found = sqlite3_step(Stmt.get()) == SQLITE_ROW;
  TRow Row = Found ? ReadRow(Stmt.get()) : TRow{RowId, Buffer->Data};
  Stmt.reset();
  if (!Transaction.Commit()) SQLiteError("Cannot store the change");
  // [Phase 4] The row takes its place among those read.
  if (!FHasRowId) {
    if (Editing) FKeyIds.erase(KeyText(FRows[Stored].Data));
    if (Editing) FKeyIds[KeyText(Row.Data)] = RowId;
    RowId = Editing ? RowId : IdOfKey(Row.Data);
  }
  Row.RowId = RowId;
  if (!Editing && (!FAtEnd || !FPending.empty())) FPlacedIds.insert(RowId);
  Integer Index = Stored;
  if (Index >= 0) {
    FRows[Index] = std::move(Row);
  } else {
    Int64 BeforeId = 0;
    Index = Integer(FRows.size());
    if (!GetInsertAppend() && BookmarkToRowId(GetInsertBefore(), BeforeId)) {
      const Integer Before = IndexOfRowId(BeforeId);
      if (Before >= 0) Index = Before;
    }
    FRows.insert(FRows.begin() + Index, std::move(Row));
  }
  FCursor = Index;
}

void TSQLiteDataSet::InternalDelete() {
  if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  if (FCursor < 0 || FCursor >= Integer(FRows.size())) DatabaseError("Record not found", this);
  std::vector<Variant> Params;
  std::vector<TFieldType> Types;
  RowParams(FRows[FCursor].RowId, FRows[FCursor].Data, Params, Types);
  TTransaction Transaction(FDB);
  if (!Transaction.Begin()) SQLiteError("Cannot start the change");
  Exec("DELETE FROM " + QuoteName(FTableName) + " WHERE " + RowCondition(), Params, Types);
  if (!Transaction.Commit()) SQLiteError("Cannot store the change");
  if (!FHasRowId) {
    FKeyIds.erase(KeyText(FRows[FCursor].Data));
    if (sqlite3_changes(FDB) > 0) --FReadCount;  // later pages start one row earlier
  }
  FRows.erase(FRows.begin() + FCursor);
}

// Reads the rows again and goes back to the same row when it is still there.
void TSQLiteDataSet::InternalRefresh() {
  const bool OnRow = FCursor >= 0 && FCursor < Integer(FRows.size());
  const Int64 RowId = OnRow ? FRows[FCursor].RowId : 0;
  const Integer Position = FCursor;
  FRows.clear();
  StartReading();
  FCursor = -1;
  if (OnRow) {
    const Integer Index = IndexOfRowId(RowId);
    FCursor = Index >= 0 ? Index : std::min(Position, Integer(FRows.size()));
  }
}

}  // namespace kvp
