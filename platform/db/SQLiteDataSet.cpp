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

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Values

namespace {

// The size in "VARCHAR(40)"; 0 without one.
Integer DeclaredSize(const String& Decl) {
  const auto Open = Decl.find('(');
  if (Open == String::npos) return 0;
  return std::atoi(Decl.c_str() + Open + 1);
}

bool Has(const String& Upper, const char* Part) { return Upper.find(Part) != String::npos; }

// The field type of a declared column type, by the words it contains.
TFieldType MapType(const char* DeclType, Integer& Size) {
  Size = 0;
  if (!DeclType || !*DeclType) return ftVariant;
  const String Upper = UpperCase(DeclType);
  if (Has(Upper, "BOOL")) return ftBoolean;
  if (Has(Upper, "DATETIME") || Has(Upper, "TIMESTAMP")) return ftDateTime;
  if (Has(Upper, "DATE")) return ftDate;
  if (Has(Upper, "TIME")) return ftTime;
  if (Has(Upper, "SMALLINT")) return ftSmallint;
  if (Has(Upper, "BIGINT")) return ftLargeint;
  if (Has(Upper, "INT")) return ftInteger;
  if (Has(Upper, "CHAR") || Has(Upper, "CLOB") || Has(Upper, "TEXT")) {
    Size = DeclaredSize(Upper);
    return Size > 0 ? ftString : ftMemo;
  }
  if (Has(Upper, "MONEY") || Has(Upper, "CURRENCY")) return ftCurrency;
  if (Has(Upper, "DEC") || Has(Upper, "NUMERIC")) return ftBCD;
  if (Has(Upper, "REAL") || Has(Upper, "FLOA") || Has(Upper, "DOUB")) return ftFloat;
  if (Has(Upper, "BLOB")) return ftBlob;
  return ftVariant;
}

// "2024-03-07", "2024-03-07 13:05:00" or "13:05:00"; false for anything else.
bool ParseIso(const char* Text, TDateTime& Value) {
  int Y = 0, Mo = 0, D = 0, H = 0, Mi = 0, S = 0;
  TDateTime Date = 0;
  TDateTime Time = 0;
  if (std::sscanf(Text, "%d-%d-%d %d:%d:%d", &Y, &Mo, &D, &H, &Mi, &S) >= 3) {
    if (!TryEncodeDate(Word(Y), Word(Mo), Word(D), Date)) return false;
    if (!TryEncodeTime(Word(H), Word(Mi), Word(S), 0, Time)) return false;
    Value = Date >= 0 ? Date + Time : Date - Time;
    return true;
  }
  if (std::sscanf(Text, "%d:%d:%d", &H, &Mi, &S) == 3 &&
      TryEncodeTime(Word(H), Word(Mi), Word(S), 0, Time)) {
    Value = Time;
    return true;
  }
  return false;
}

String FormatIso(TDateTime Value, TFieldType Type) {
  Word Y = 0, Mo = 0, D = 0, H = 0, Mi = 0, S = 0, Ms = 0;
  DecodeDateTime(Value, Y, Mo, D, H, Mi, S, Ms);
  char Buffer[64];
  if (Type == ftDate)
    std::snprintf(Buffer, sizeof Buffer, "%04d-%02d-%02d", Y, Mo, D);
  else if (Type == ftTime)
    std::snprintf(Buffer, sizeof Buffer, "%02d:%02d:%02d", H, Mi, S);
  else
    std::snprintf(Buffer, sizeof Buffer, "%04d-%02d-%02d %02d:%02d:%02d", Y, Mo, D, H, Mi, S);
  return Buffer;
}

String QuoteName(const String& Name) { return AnsiQuotedStr(Name, '"'); }

String ColumnText(sqlite3_stmt* Stmt, int Column) {
  const auto* Text = reinterpret_cast<const char*>(sqlite3_column_text(Stmt, Column));
  return Text ? Utf8Sanitize(std::string_view(Text, sqlite3_column_bytes(Stmt, Column))) : String();
}

// A value of a column whose type is not declared, by its storage class.
Variant ColumnVariant(sqlite3_stmt* Stmt, int Column) {
  switch (sqlite3_column_type(Stmt, Column)) {
    case SQLITE_INTEGER:
      return Variant(Int64(sqlite3_column_int64(Stmt, Column)));
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(Stmt, Column));
    case SQLITE_NULL:
      return Null();
    default:
      return Variant(ColumnText(Stmt, Column));
  }
}

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

// Holds one write transaction: rolled back unless Commit ran, so that a
// failed change leaves the file as it was.
class TTransaction {
 public:
  explicit TTransaction(sqlite3* DB) : FDB(DB) {}
  ~TTransaction() {
    if (FOpen) sqlite3_exec(FDB, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  TTransaction(const TTransaction&) = delete;
  TTransaction& operator=(const TTransaction&) = delete;
  bool Begin() {
    return FOpen = sqlite3_exec(FDB, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  bool Commit() {
    if (sqlite3_exec(FDB, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    FOpen = false;
    return true;
  }

 private:
  sqlite3* FDB;
  bool FOpen = false;
};

// Owns a prepared statement, so that one is finalized even when reading a
// row raises: an open statement keeps the connection from ever closing.
struct TFinalizeStatement {
  void operator()(sqlite3_stmt* Stmt) const { sqlite3_finalize(Stmt); }
};
using TStatement = std::unique_ptr<sqlite3_stmt, TFinalizeStatement>;

}  // namespace

TSQLiteDataSet::TRow TSQLiteDataSet::ReadRow(sqlite3_stmt* Stmt) const {
  TRow Row;
  Row.RowId = sqlite3_column_int64(Stmt, 0);
  for (std::size_t I = 0; I < FTypes.size(); ++I) {
    const int Column = int(I) + 1;
    if (sqlite3_column_type(Stmt, Column) == SQLITE_NULL) {
      Row.Data.push_back(Null());
      continue;
    }
    switch (FTypes[I]) {
      case ftSmallint:
      case ftInteger: {
        // The column may hold any 64-bit number: one past the Integer range is
        // kept whole (reading it AsInteger then raises) rather than wrapped.
        const Int64 Value = sqlite3_column_int64(Stmt, Column);
        const bool Fits = Value >= INT32_MIN && Value <= INT32_MAX;
        Row.Data.push_back(Fits ? Variant(Integer(Value)) : Variant(Value));
        break;
      }
      case ftLargeint:
        Row.Data.push_back(Variant(Int64(sqlite3_column_int64(Stmt, Column))));
        break;
      case ftFloat:
      case ftCurrency:
        Row.Data.push_back(Variant(sqlite3_column_double(Stmt, Column)));
        break;
      case ftBCD:
        Row.Data.push_back(Variant(Currency::FromDouble(sqlite3_column_double(Stmt, Column))));
        break;
      case ftBoolean:
        Row.Data.push_back(Variant(sqlite3_column_int64(Stmt, Column) != 0));
        break;
      case ftDate:
      case ftTime:
      case ftDateTime: {
        TDateTime Value = 0;
        if (sqlite3_column_type(Stmt, Column) == SQLITE_TEXT) {
          if (!ParseIso(ColumnText(Stmt, Column).c_str(), Value)) {
            Row.Data.push_back(Null());
            break;
          }
        } else {
          Value = sqlite3_column_double(Stmt, Column);
        }
        Row.Data.push_back(VarFromDateTime(Value));
        break;
      }
      case ftBlob: {
        const auto* Bytes = static_cast<const char*>(sqlite3_column_blob(Stmt, Column));
        Row.Data.push_back(Variant(String(Bytes ? Bytes : "", sqlite3_column_bytes(Stmt, Column))));
        break;
      }
      case ftVariant:
        Row.Data.push_back(ColumnVariant(Stmt, Column));
        break;
      default:
        Row.Data.push_back(Variant(ColumnText(Stmt, Column)));
        break;
    }
  }
  return Row;
}

void TSQLiteDataSet::BindValue(sqlite3_stmt* Stmt, int Index, const Variant& Value,
                               TFieldType Type) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) {
    sqlite3_bind_null(Stmt, Index);
    return;
  }
  switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftBoolean:
      sqlite3_bind_int64(Stmt, Index,
                         Type == ftBoolean ? (Value.AsBoolean() ? 1 : 0) : Value.AsInt64());
      break;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      sqlite3_bind_double(Stmt, Index, Value.AsDouble());
      break;
    case ftDate:
    case ftTime:
    case ftDateTime: {
      const String Text = FormatIso(Value.AsDateTime(), Type);
      sqlite3_bind_text(Stmt, Index, Text.c_str(), int(Text.size()), SQLITE_TRANSIENT);
      break;
    }
    case ftBlob: {
      const String Bytes = Value.AsString();
      sqlite3_bind_blob(Stmt, Index, Bytes.data(), int(Bytes.size()), SQLITE_TRANSIENT);
      break;
    }
    default: {
      const String Text = VarToStr(Value);
      sqlite3_bind_text(Stmt, Index, Text.c_str(), int(Text.size()), SQLITE_TRANSIENT);
      break;
    }
  }
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

// A filter text the database cannot read is refused here, before any row is
// dropped; the dataset then puts the old filter back.
void TSQLiteDataSet::FilterChanged() {
  sqlite3_stmt* Stmt = nullptr;
  const bool Valid =
      !FDB || sqlite3_prepare_v2(FDB, SelectSQL().c_str(), -1, &Stmt, nullptr) == SQLITE_OK;
  sqlite3_finalize(Stmt);
  if (!Valid) SQLiteError("Cannot apply the filter '" + GetFilter() + "'");
  FRows.clear();
  FCursor = -1;
  StartReading();
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

// Writes the edited or new row and re-reads it as stored inside one
// transaction, and leaves the cursor on it. Rows not yet read stay unread: a
// new row placed among those read is remembered, so that the page that
// reaches its row id does not show it a second time. A table read in key
// order is read to its end first when a row is added or its key changes,
// since the row's place among the unread ones is not known.
void TSQLiteDataSet::InternalPost() {
  if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  TRecordBuffer* Buffer = GetActiveBuffer();
  KV_ASSERT(Buffer, "posting needs the edited record");
  const bool Editing = GetState() == dsEdit;
  Int64 RowId = 0;
  if (Editing) BookmarkToRowId(Buffer->Bookmark, RowId);
  const Integer Stored = Editing ? IndexOfRowId(RowId) : -1;
  if (Editing && Stored < 0) DatabaseError("Record not found", this);
  if (!FHasRowId && (!Editing || KeyText(FRows[Stored].Data) != KeyText(Buffer->Data))) FetchAll();
  // [Phase 1] The statement: UPDATE of the stored row, or INSERT.
  TFieldDefs* Defs = GetFieldDefs();
  std::vector<Variant> Params(Buffer->Data.begin(), Buffer->Data.end());
  std::vector<TFieldType> Types(FTypes);
  String SQL;
  if (Editing) {
    SQL = "UPDATE " + QuoteName(FTableName) + " SET ";
    for (Integer I = 0; I < Defs->GetCount(); ++I)
      SQL += (I ? ", " : "") + QuoteName(Defs->GetItem(I)->GetName()) + " = ?";
    SQL += " WHERE " + RowCondition();
    RowParams(RowId, FRows[Stored].Data, Params, Types);
  } else {
    String Names;
    String Marks;
    for (Integer I = 0; I < Defs->GetCount(); ++I) {
      Names += (I ? ", " : "") + QuoteName(Defs->GetItem(I)->GetName());
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
  // [Phase 2] The row as stored (defaults, conversions), found by its new key.
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
  // [Phase 3] The row takes its place among those read.
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
