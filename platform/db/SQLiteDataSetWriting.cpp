// TSQLiteDataSet: writing edits, inserts and deletes back by row id or key.
// A post writes only the columns that changed (an insert only those given),
// and only while the row still holds what was read in them (a delete: what
// the user has seen of it); it re-reads the row as stored inside the same
// transaction, and puts it among the rows read: the cache of a table with row
// ids, or the rows read in order. Inside a group of writes (a grid's command
// over many records) each record's change is a savepoint of the group's one
// transaction, committed when the group is saved.
//
// Index
//   [SECTION] Statements   Prepare, Exec, the condition naming one row, keys,
//                          the check that a row still holds what was read
//   [SECTION] Post         InternalEdit, InternalPost and its two placings
//   [SECTION] Groups of writes  the group's transaction, InternalSaveWrites
//   [SECTION] Delete       InternalDelete, the cache after a change

#include <algorithm>
#include <cstddef>

#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SQLiteDataSetImpl.h"
#include "platform/rtl/Strings.h"

namespace kvp {

using namespace sqlite_detail;

namespace {

bool BookmarkRowId(const TBookmark& Bookmark, Int64& RowId) {
  return RowIdOfBookmark(Bookmark, RowId);
}

constexpr Int64 EndAnchor = INT64_MAX;  // a placed row after every database row

}  // namespace

// [SECTION] Statements

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

// The last change's statement stays prepared: a run of edits of the same
// columns prepares it once.
void TSQLiteDataSet::Exec(const String& SQL, const std::vector<Variant>& Params,
                          const std::vector<TFieldType>& Types) {
  if (FWrite && FWriteSQL == SQL) {
    sqlite3_reset(FWrite);
    sqlite3_clear_bindings(FWrite);
    for (std::size_t I = 0; I < Params.size(); ++I)
      BindValue(FWrite, int(I) + 1, Params[I], Types[I]);
  } else {
    sqlite3_finalize(FWrite);
    FWrite = nullptr;
    FWriteSQL.clear();
    FWrite = Prepare(SQL, Params, Types);
    FWriteSQL = SQL;
  }
  TResetOnExit Reset(FWrite);
  if (sqlite3_step(FWrite) != SQLITE_DONE) SQLiteError("Cannot store the change");
}

// The condition naming one row (by row id or by its key) for UPDATE, DELETE
// and re-reading; RowParams gives its values and their types.
String TSQLiteDataSet::RowCondition() const {
  if (FHasRowId) return FRowId + " = ?";
  String Result;
  for (Integer Column : FKeyColumns)
    Result += (Result.empty() ? "" : " AND ") +
              QuoteName(GetFieldDefs()->GetItem(Column)->GetName()) + " IS ?";
  return Result;
}

// A stored cell as a parameter that binds back to exactly the same value.
void CellParam(const TCell& Cell, std::vector<Variant>& Params, std::vector<TFieldType>& Types) {
  switch (Cell.Class) {
    case SQLITE_INTEGER:
      Params.push_back(Variant(Cell.Int));
      Types.push_back(ftLargeint);
      break;
    case SQLITE_FLOAT:
      Params.push_back(Variant(Cell.Real));
      Types.push_back(ftFloat);
      break;
    case SQLITE_TEXT:
    case SQLITE_BLOB:
      Params.push_back(Variant(String(Cell.Bytes ? Cell.Bytes : "", std::size_t(Cell.Size))));
      Types.push_back(Cell.Class == SQLITE_TEXT ? ftString : ftBlob);
      break;
    default:
      Params.push_back(Null());
      Types.push_back(ftUnknown);
      break;
  }
}

// The values naming the row: its row id, or its key's cells as stored. A key
// with a NULL (a table with row ids lets a key column hold several) names no
// single row: such a row cannot be changed.
void TSQLiteDataSet::RowParams(Int64 RowId, const char* Stored, std::vector<Variant>& Params,
                               std::vector<TFieldType>& Types) {
  if (FHasRowId) {
    Params.push_back(Variant(RowId));
    Types.push_back(ftLargeint);
    return;
  }
  for (Integer Column : FKeyColumns) {
    const TCell Cell = CellAt(Stored, Column);
    if (Cell.Class == SQLITE_NULL)
      DatabaseError("Cannot change the row: its key field '" +
                        GetFieldDefs()->GetItem(Column)->GetName() +
                        "' is empty, so the row cannot be told from others",
                    this);
    CellParam(Cell, Params, Types);
  }
}

// The key of a row as its cells' stored bytes, so that keys differing
// anywhere (past fifteen digits, in milliseconds) differ here too.
std::string TSQLiteDataSet::KeyText(const char* Stored) const {
  std::string Result;
  for (Integer Column : FKeyColumns) {
    const char* Start = Stored;
    for (Integer I = 0; I < Column; ++I) NextCell(Start);
    const char* End = Start;
    NextCell(End);
    Result.append(Start, std::size_t(End - Start));
  }
  return Result;
}

// Rows of a table without row ids are named by a number given to each key
// the first time it is read; it stays with the row while the dataset is open.
Int64 TSQLiteDataSet::IdOfKey(const char* Stored) {
  const auto [It, Added] = FKeyIds.emplace(KeyText(Stored), FNextKeyId);
  if (Added) ++FNextKeyId;
  return It->second;
}

// The row as stored now, named by row id or by the key in Params (RowParams).
std::string TSQLiteDataSet::ReadStoredRow(Int64 RowId, const std::vector<Variant>& KeyParams,
                                          const std::vector<TFieldType>& KeyTypes, bool& Found,
                                          int Largest) {
  std::string Bytes;
  if (FHasRowId) {
    sqlite3_stmt* Kept =
        PrepareKept(FRowById, "SELECT * FROM " + SourceSQL() + " WHERE " + FRowId + " = ?1", 0);
    TResetOnExit Reset(Kept);
    sqlite3_bind_int64(Kept, 1, RowId);
    Found = StepRow(Kept, "Cannot read the row");
    CheckReprepared(Kept, 0);
    if (Found) AppendCells(Bytes, Kept, 0, int(FTypes.size()), Largest);
    return Bytes;
  }
  TStatement Stmt(Prepare("SELECT NULL, * FROM " + QuoteName(FTableName) + " WHERE " +
                              RowCondition(),
                          KeyParams, KeyTypes));
  if (!SameColumns(Stmt.get(), 1, nullptr)) ColumnsChanged();
  Found = StepRow(Stmt.get(), "Cannot read the row");
  if (Found) AppendCells(Bytes, Stmt.get(), 1, int(FTypes.size()));
  return Bytes;
}

// Refuses a change when the row stored now no longer holds what the user
// read in Columns: another user changed it, or deleted it and SQLite gave a
// new row its row id. The transaction then rolls back.
void TSQLiteDataSet::CheckRowAsRead(Int64 RowId, const std::vector<Variant>& KeyParams,
                                    const std::vector<TFieldType>& KeyTypes,
                                    const std::vector<Variant>& Read,
                                    const std::vector<Integer>& Columns) {
  bool Found = false;
  const std::string Stored = ReadStoredRow(RowId, KeyParams, KeyTypes, Found);
  bool Same = Found;
  if (Found) {
    std::vector<Variant> Now;
    Decode(Stored.data(), Now, RowId);
    for (std::size_t I = 0; I < Columns.size() && Same; ++I) {
      const std::size_t Column = std::size_t(Columns[I]);
      Same = Column >= Read.size() || SameValue(Now[Column], Read[Column]);
    }
  }
  if (!Same) DatabaseError("Cannot store the change: the row was deleted by another user", this);
}

// [SECTION] Post

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
// one (the others take their defaults), re-reads it as stored inside one
// transaction, and leaves the cursor on it. A post that changed nothing writes
// nothing. A table read in key order is read to its end first when a row is
// added or its key changes, since the row's place among the unread ones is
// not known.
void TSQLiteDataSet::InternalPost() {
  if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  CheckColumnsKept();
  DropRun();  // its rows and positions may change
  TRecordBuffer* Buffer = GetActiveBuffer();
  KV_ASSERT(Buffer, "posting needs the edited record");
  const bool Editing = GetState() == dsEdit;
  Int64 RowId = 0;
  if (Editing) BookmarkRowId(Buffer->Bookmark, RowId);
  if (!FHasRowId && !FKeyed) FetchAll();  // the open read ends before the change
  const Integer Stored = Editing && !FHasRowId ? IndexOfRowId(RowId) : -1;
  if (Editing && !FHasRowId && Stored < 0) DatabaseError("Record not found", this);
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
    InternalSetToRecord(*Buffer);
    return;
  }
  // [Phase 2] The row named as read, and the statement: UPDATE or INSERT.
  const char* StoredBytes = Stored >= 0 ? SeqRow(std::size_t(Stored)) : nullptr;
  std::vector<Variant> KeyParams;
  std::vector<TFieldType> KeyTypes;
  if (Editing) RowParams(RowId, StoredBytes, KeyParams, KeyTypes);
  bool KeyChanged = !Editing;
  for (Integer Column : FKeyColumns)
    KeyChanged = KeyChanged || std::count(Columns.begin(), Columns.end(), Column) > 0;
  if (!FHasRowId && KeyChanged) FetchAll();  // the row's place among the unread ones is not known
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
    Params.insert(Params.end(), KeyParams.begin(), KeyParams.end());
    Types.insert(Types.end(), KeyTypes.begin(), KeyTypes.end());
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
  // [Phase 3] Inside one transaction: the row still holds what was read in
  // the columns written, the change, and the row as stored (defaults,
  // conversions) found by its new row id or key: a changed row id alias
  // moves the row.
  TTransaction Transaction(FDB, WriteGroup());
  if (!Transaction.Begin()) SQLiteError("Cannot start the change");
  if (Editing) CheckRowAsRead(RowId, KeyParams, KeyTypes, FEditOriginal, Columns);
  Exec(SQL, Params, Types);
  if (Editing && sqlite3_changes(FDB) == 0)
    DatabaseError("Cannot store the change: the row was deleted by another user", this);
  Int64 NewRowId = RowId;
  if (!Editing && FHasRowId) NewRowId = sqlite3_last_insert_rowid(FDB);
  const Integer IdField = FRowIdColumn.empty() ? -1 : Defs->IndexOf(FRowIdColumn);
  if (Editing && IdField >= 0 && std::count(Columns.begin(), Columns.end(), IdField) > 0)
    NewRowId = Buffer->Data[IdField].AsInt64();
  std::vector<Variant> NewKey;
  std::vector<TFieldType> NewKeyTypes;
  for (std::size_t I = 0; I < FKeyColumns.size(); ++I) {
    const Integer Column = FKeyColumns[I];
    if (!Editing || std::count(Columns.begin(), Columns.end(), Column) > 0) {
      NewKey.push_back(Buffer->Data[Column]);
      NewKeyTypes.push_back(FTypes[Column]);
    } else {
      NewKey.push_back(KeyParams[I]);
      NewKeyTypes.push_back(KeyTypes[I]);
    }
  }
  bool Found = false;
  // A row kept in the order holds its order fields whole, however long.
  std::string Row = ReadStoredRow(NewRowId, NewKey, NewKeyTypes, Found,
                                  FHasRowId && !Ordered() ? LargestCachedCell() : KeepAll);
  if (!Found) DatabaseError("Record not found", this);  // rolled back: nothing stored
  if (Ordered()) Row = OrderCellsKept(Row);
  // Where the row goes is asked of the database before the change is kept,
  // so that a post that raises has stored nothing.
  const bool Shown = FHasRowId && KeyedPostShown(Editing, Editing ? RowId : NewRowId, Row);
  if (!Transaction.Commit()) SQLiteError("Cannot store the change");
  // [Phase 4] The row takes its place among those read.
  if (!Editing && FHasRowId) ForgetReusedRowId(NewRowId);
  if (Ordered())
    OrderPost(Editing, Editing ? RowId : NewRowId, Row, Shown);
  else if (FHasRowId)
    KeyedPost(Editing, Editing ? RowId : NewRowId, Row, Shown);
  else
    SeqPost(Editing, RowId, Stored, std::move(Row));
  if (FHasRowId && Editing && NewRowId != RowId) {
    const Integer Placed = PlacedIndexOf(RowId);
    if (Placed >= 0) {
      FPlaced[Placed].RowId = NewRowId;
      FinalizeKept();
    } else {
      ClearCache();  // the row moved among the others
      ClearOrderWindow();
    }
    FCursorRowId = NewRowId;
  }
}

// A table with row ids: an edit replaces the cached row; a new row at the end
// of the table (by row id, passing the filter) is one of the database rows,
// anywhere else it is placed where it was inserted.
// Whether a posted row is one of the database rows shown: an edited row that
// still passes the filter, a new row that comes last and passes it.
bool TSQLiteDataSet::KeyedPostShown(bool Editing, Int64 RowId, const std::string& Stored) {
  if (Editing) return PlacedIndexOf(RowId) < 0 && PassesFilter(RowId, Stored);
  Int64 BeforeId = 0;
  const bool AtEnd = GetInsertAppend() || !BookmarkRowId(GetInsertBefore(), BeforeId);
  const bool EndPlaced = !FPlaced.empty() && FPlaced.back().Anchor == EndAnchor;
  return AtEnd && !EndPlaced && IsAtEndOfTable(RowId) && RowShown(Stored.data(), RowId);
}

void TSQLiteDataSet::KeyedPost(bool Editing, Int64 RowId, const std::string& Stored, bool Shown) {
  if (Editing) {
    const Integer Placed = PlacedIndexOf(RowId);
    if (Placed >= 0) {
      FPlaced[Placed].Bytes = Stored;
    } else if (Shown) {
      ReplaceCachedRow(RowId, Stored);
    } else {
      // Edited out of the filter: it stays where it is until Refresh, as a
      // placed row, so that the database's counts leave it out.
      RemoveCachedRow(RowId);
      if (FDbCount > 0) --FDbCount;
      std::size_t At = 0;
      while (At < FPlaced.size() && FPlaced[At].Anchor <= RowId) ++At;
      FPlaced.insert(FPlaced.begin() + std::ptrdiff_t(At), TPlaced{RowId, RowId, Stored});
      FinalizeKept();
    }
    FCursorKind = ckRow;
    FCursorRowId = RowId;
    return;
  }
  const Int64 NewRowId = RowId;
  Int64 BeforeId = 0;
  const bool AtEnd = GetInsertAppend() || !BookmarkRowId(GetInsertBefore(), BeforeId);
  if (Shown) {
    if (FDbCount >= 0) ++FDbCount;
    for (auto& [First, Page] : FPages) {
      if (!Page.IsLast) continue;
      Page.RowIds.push_back(NewRowId);
      Page.Starts.push_back(unsigned(Page.Bytes.size()));
      Page.Bytes += Stored;
      FCacheBytes += Stored.size() + sizeof(Int64) + sizeof(unsigned);
      break;
    }
  } else {
    TPlaced Row{NewRowId, EndAnchor, Stored};
    std::size_t At = FPlaced.size();
    if (!AtEnd) {
      const Integer Before = PlacedIndexOf(BeforeId);
      if (Before >= 0) {
        At = std::size_t(Before);
        Row.Anchor = FPlaced[At].Anchor;
      } else {
        Row.Anchor = BeforeId;
        At = 0;
        while (At < FPlaced.size() && FPlaced[At].Anchor <= BeforeId) ++At;
      }
    }
    FPlaced.insert(FPlaced.begin() + std::ptrdiff_t(At), std::move(Row));
    FinalizeKept();
  }
  FCursorKind = ckRow;
  FCursorRowId = NewRowId;
}

// Whether a stored row passes the filter text and OnFilterRecord.
bool TSQLiteDataSet::PassesFilter(Int64 RowId, const std::string& Stored) {
  if (!Condition().empty()) {
    const String SQL = "SELECT EXISTS (SELECT 1 FROM " + SourceSQL() + " WHERE " + FRowId + " = ? AND " +
                       Condition() + ")";
    sqlite3_stmt* Raw = nullptr;
    if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
      SQLiteError("Cannot apply the filter '" + GetFilter() + "'");
    TStatement Stmt(Raw);
    sqlite3_bind_int64(Raw, 1, RowId);
    if (!StepRow(Raw, "Cannot apply the filter '" + GetFilter() + "'") ||
        sqlite3_column_int(Raw, 0) == 0)
      return false;
  }
  return RowShown(Stored.data(), RowId);
}

// Whether a new row comes after every database row and passes the filter.
bool TSQLiteDataSet::IsAtEndOfTable(Int64 RowId) {
  const String Source = SourceSQL();
  const String SQL = "SELECT NOT EXISTS (SELECT 1 FROM " + Source + " WHERE " + FRowId + " > ?1" +
                     RowFilter() + ") AND EXISTS (SELECT 1 FROM " + Source +
                     " WHERE " + FRowId + " = ?1" + (Condition().empty() ? "" : " AND " + Condition()) +
                     ")";
  sqlite3_stmt* Raw = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), -1, &Raw, nullptr) != SQLITE_OK)
    SQLiteError("Cannot place the new row");
  TStatement Stmt(Raw);
  sqlite3_bind_int64(Raw, 1, RowId);
  return StepRow(Raw, "Cannot place the new row") && sqlite3_column_int(Raw, 0) != 0;
}

// Rows read in order: the row replaces the one edited, or goes before the
// record it was inserted at (at the end when appended).
void TSQLiteDataSet::SeqPost(bool Editing, Int64 RowId, Integer Index, std::string&& Stored) {
  if (Editing) {
    FKeyIds.erase(KeyText(SeqRow(std::size_t(Index))));
    FKeyIds[KeyText(Stored.data())] = RowId;
  } else {
    RowId = IdOfKey(Stored.data());
  }
  TSeqRow Row{RowId, FSeqBytes.size()};
  FSeqBytes += Stored;
  if (Index >= 0) {
    FRows[Index] = std::move(Row);
  } else {
    Int64 BeforeId = 0;
    Index = Integer(FRows.size());
    if (!GetInsertAppend() && BookmarkRowId(GetInsertBefore(), BeforeId)) {
      const Integer Before = IndexOfRowId(BeforeId);
      if (Before >= 0) Index = Before;
    }
    FRows.insert(FRows.begin() + Index, std::move(Row));
  }
  FCursor = Index;
}

// [SECTION] Groups of writes

// Inside a group of writes each record's write is a savepoint in the group's
// transaction, begun by the first write: the group commits once.
TWriteGroupState* TSQLiteDataSet::WriteGroup() { return InWriteGroup() ? &FGroup : nullptr; }

// Commits the group's transaction, if begun; false when SQLite refused (the
// transaction is then rolled back).
bool TSQLiteDataSet::CommitWriteGroup() {
  if (!FGroup.Open) return true;
  FGroup.Open = false;
  if (sqlite3_exec(FDB, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  FGroup.Lost = true;
  return false;
}

// The group's writes are kept: committed, and the next write of the group
// begins another transaction. Where SQLite refused them (or took them back
// itself), the dataset reads the rows again, so that it shows what the file
// holds, and says so.
void TSQLiteDataSet::InternalSaveWrites() {
  if (!FDB || (!FGroup.Open && !FGroup.Lost)) return;
  if (CommitWriteGroup() && !FGroup.Lost) return;
  const String Reason = sqlite3_errmsg(FDB);
  if (!sqlite3_get_autocommit(FDB)) sqlite3_exec(FDB, "ROLLBACK", nullptr, nullptr, nullptr);
  FGroup.Lost = false;
  if (GetState() == dsBrowse) Refresh();
  DatabaseError("Cannot store the changes: " + Reason, this);
}

// [SECTION] Delete

void TSQLiteDataSet::InternalDelete() {
  if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  CheckColumnsKept();
  DropRun();
  if (!FHasRowId && !FKeyed) FetchAll();  // the open read ends before the change
  const bool OnRow = FHasRowId ? FCursorKind == ckRow
                               : FCursor >= 0 && FCursor < Integer(FRows.size());
  if (!OnRow) DatabaseError("Record not found", this);
  const Int64 RowId = FHasRowId ? FCursorRowId : FRows[FCursor].RowId;
  const std::string Key = FHasRowId ? std::string() : KeyText(SeqRow(std::size_t(FCursor)));
  std::vector<Variant> Params;
  std::vector<TFieldType> Types;
  RowParams(RowId, FHasRowId ? nullptr : SeqRow(std::size_t(FCursor)), Params, Types);
  // The values the user has seen of the row are the ones it must still hold:
  // as read, not as typed into a record deleted while it is edited.
  std::vector<Integer> Seen;
  const TRecordBuffer* Buffer = GetActiveBuffer();
  for (std::size_t I = 0; Buffer && I < Buffer->Data.size() && I < FTypes.size(); ++I)
    if (!Buffer->IsUnread(I)) Seen.push_back(Integer(I));
  const std::vector<Variant>* Read = nullptr;
  if (Buffer) Read = GetState() == dsEdit ? &FEditOriginal : &Buffer->Data;
  const TOrderKey Gap = Ordered() ? OrderGapBeforeDelete(RowId) : TOrderKey{};
  TTransaction Transaction(FDB, WriteGroup());
  if (!Transaction.Begin()) SQLiteError("Cannot start the change");
  if (Read) CheckRowAsRead(RowId, Params, Types, *Read, Seen);
  Exec("DELETE FROM " + QuoteName(FTableName) + " WHERE " + RowCondition(), Params, Types);
  if (!Transaction.Commit()) SQLiteError("Cannot store the change");
  if (!FHasRowId) {
    FKeyIds.erase(Key);
    FRows.erase(FRows.begin() + FCursor);
    return;
  }
  // The cursor stays where the row was: the next row is the one after it.
  if (Ordered()) {
    OrderDeleted(RowId, Gap);
    return;
  }
  const Integer Placed = PlacedIndexOf(RowId);
  if (Placed >= 0) {
    FGapKey = TKey{FPlaced[Placed].Anchor, Placed};
    FPlaced.erase(FPlaced.begin() + Placed);
    FinalizeKept();
  } else {
    FGapKey = TKey{RowId, INT64_MAX};
    RemoveCachedRow(RowId);
    if (FDbCount > 0) --FDbCount;
  }
  FCursorKind = ckGap;
}

// A new row took the row id of a row that another program deleted and that
// this dataset still holds: that row is gone from the rows held (placed ones
// too), and the count, which may or may not have counted it, is asked again.
void TSQLiteDataSet::ForgetReusedRowId(Int64 RowId) {
  const Integer Placed = PlacedIndexOf(RowId);
  if (Placed >= 0) {
    if (Ordered()) FOrderAnchors.erase(FOrderAnchors.begin() + Placed);
    FPlaced.erase(FPlaced.begin() + Placed);
    FinalizeKept();
  }
  bool Held = false;
  const Integer Index = FWindow.Rows.empty() ? -1 : WindowIndexOf(RowId);
  if (Index >= 0) {
    FWindow.Bytes -= FWindow.Rows[std::size_t(Index)].Bytes.size() + sizeof(TOrderRow);
    FWindow.Rows.erase(FWindow.Rows.begin() + Index);
    FWindow.Hint = 0;
    Held = true;
  }
  TPages::iterator Page;
  Integer At = 0;
  if (FindCached(RowId, Page, At)) {
    RemoveCachedRow(RowId);
    Held = true;
  }
  if (Held) FDbCount = -1;
}

void TSQLiteDataSet::ReplaceCachedRow(Int64 RowId, const std::string& Bytes) {
  TPages::iterator Page;
  Integer Index = 0;
  if (!FindCached(RowId, Page, Index)) return;
  TPage& P = Page->second;
  const std::size_t Start = P.Starts[Index];
  const std::size_t End = Index + 1 < P.Count() ? P.Starts[Index + 1] : P.Bytes.size();
  P.Bytes.replace(Start, End - Start, Bytes);
  const long Delta = long(Bytes.size()) - long(End - Start);
  for (Integer I = Index + 1; I < P.Count(); ++I) P.Starts[I] = unsigned(long(P.Starts[I]) + Delta);
  FCacheBytes = std::size_t(long(FCacheBytes) + Delta);
}

// Takes a deleted database row out of the cache: the rows after it are one
// position earlier, and a page left empty goes, its neighbours then linked.
void TSQLiteDataSet::RemoveCachedRow(Int64 RowId) {
  for (auto It = FPages.upper_bound(RowId); It != FPages.end(); ++It)
    if (It->second.Base > 0) --It->second.Base;
  ShiftAnchors(RowId);
  TPages::iterator Page;
  Integer Index = 0;
  if (!FindCached(RowId, Page, Index)) return;
  TPage& P = Page->second;
  const std::size_t Start = P.Starts[Index];
  const std::size_t End = Index + 1 < P.Count() ? P.Starts[Index + 1] : P.Bytes.size();
  P.Bytes.erase(Start, End - Start);
  for (Integer I = Index + 1; I < P.Count(); ++I) P.Starts[I] -= unsigned(End - Start);
  P.Starts.erase(P.Starts.begin() + Index);
  P.RowIds.erase(P.RowIds.begin() + Index);
  FCacheBytes -= (End - Start) + sizeof(Int64) + sizeof(unsigned);
  if (P.Count() > 0) {
    if (Index == 0) {  // the page's key is its first row id
      auto Node = FPages.extract(Page);
      Node.key() = Node.mapped().RowIds.front();
      FPages.insert(std::move(Node));
      FHint = FPages.end();
    }
    return;
  }
  const auto Prev = PageBefore(Page);
  const auto Next = std::next(Page);
  if (Next != FPages.end()) {
    Next->second.LinkedToPrev = P.LinkedToPrev && Next->second.LinkedToPrev;
    Next->second.IsFirst = Next->second.IsFirst || (P.IsFirst && Next->second.LinkedToPrev);
  }
  if (Prev != FPages.end() && P.IsLast && P.LinkedToPrev) Prev->second.IsLast = true;
  FHint = FPages.end();
  FPages.erase(Page);
}

}  // namespace kvp
