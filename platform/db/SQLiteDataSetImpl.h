// Implementation detail of TSQLiteDataSet, not API: how stored values become
// field values and back, the check that keeps a filter text one condition, and
// the small statement and transaction holders its source files share.
#pragma once

#include <sqlite3.h>

#include <bit>
#include <cstring>
#include <memory>
#include <string>

#include "platform/db/DBCommon.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/Variants.h"

namespace kvp::sqlite_detail {

// [Values] SQLiteDataSetValues.cpp

// One stored value as SQLite holds it: its storage class and its payload. Bytes
// point into the statement or a cached row and live only as long as those.
struct TCell {
  int Class = SQLITE_NULL;      // SQLITE_INTEGER, _FLOAT, _TEXT, _BLOB or _NULL
  Int64 Int = 0;                // SQLITE_INTEGER
  double Real = 0;              // SQLITE_FLOAT
  const char* Bytes = nullptr;  // SQLITE_TEXT (not terminated) and SQLITE_BLOB
  int Size = 0;                 // bytes of text or blob
  bool Large = false;           // a text or blob kept out of a cached row: Bytes is null
};

TCell CellOf(sqlite3_stmt* Stmt, int Column);

// Rows are cached as their cells one after another: a tag byte (the storage
// class, and for whole numbers how many bytes they take), then the payload.
// AppendCells adds Count columns of Stmt's row from First, a text or blob of
// more than Largest bytes as its class and size alone (a Large cell, read
// from the table when a field asks), and answers the bytes of the row as
// SQLite holds it; NextCell reads the cell at P and moves P past it.
constexpr int KeepAll = 0x7FFFFFFF;
std::size_t AppendCells(std::string& Out, sqlite3_stmt* Stmt, int First, int Count,
                        int Largest = KeepAll);
TCell NextCell(const char*& P);
// AppendCell adds one cell held elsewhere, as AppendCells would have.
void AppendCell(std::string& Out, const TCell& Cell);

// The field type of a declared column type, by the words it contains; Size
// takes the length of a CHAR(n) column.
TFieldType MapType(const char* DeclType, Integer& Size);

// The field value of a stored one. A value the field type holds exactly comes
// typed (ISO text in a date column as a date); anything else keeps its stored
// form (text as a string, a whole number as Integer or Int64, a real as Double,
// a blob as its bytes), so that nothing read is changed by the reading.
Variant ValueOfCell(const TCell& Cell, TFieldType Type);

// Binds a field value for writing: dates as ISO 8601 text (milliseconds when
// there are any), Booleans as 0 or 1, blobs as blobs, each other value by its
// own kind. Empty and Null bind NULL.
void BindValue(sqlite3_stmt* Stmt, int Index, const Variant& Value, TFieldType Type);

// True when A and B are the same value of the same kind: what decides whether a
// field was changed and must be written.
bool SameValue(const Variant& A, const Variant& B);

// Binds a stored cell as it is stored (SQLiteDataSetOrder.cpp).
void BindCell(sqlite3_stmt* Stmt, int Index, const TCell& Cell);

String QuoteName(const String& Name);
String ColumnText(sqlite3_stmt* Stmt, int Column);

// The bookmark of a row: its row id, 8 bytes little-endian.
inline void SetRowIdBookmark(TBookmark& Bookmark, Int64 RowId) {
  char Bytes[8];
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(Bytes, &RowId, 8);
  } else {
    for (int I = 0; I < 8; ++I) Bytes[I] = char((UInt64(RowId) >> (8 * I)) & 0xFF);
  }
  if (Bookmark.size() == 8)
    std::memcpy(Bookmark.data(), Bytes, 8);  // a walk refills the same buffers
  else
    Bookmark.assign(Bytes, 8);
}

inline bool RowIdOfBookmark(const TBookmark& Bookmark, Int64& RowId) {
  if (Bookmark.size() != 8) return false;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&RowId, Bookmark.data(), 8);
    return true;
  }
  UInt64 Value = 0;
  for (int I = 0; I < 8; ++I)
    Value |= UInt64(static_cast<unsigned char>(Bookmark[std::size_t(I)])) << (8 * I);
  RowId = Int64(Value);
  return true;
}

// The cell of column Column in a row of cells (AppendCells), skipping those
// before it.
TCell CellAt(const char* Bytes, Integer Column);

// [File layer] SQLiteDataSetFile.cpp

// The name of the file layer the dataset's connections use (SQLite's own,
// reading ahead where reads follow one another), or null when it cannot be
// had: the system's layer is then used.
const char* ReadAheadVfs();

// [Filter] SQLiteDataSetFilter.cpp

// Why a filter text cannot be one condition in a WHERE clause: a statement
// end, a comment, a parameter, a parenthesis closed before it opened or left
// open, an unterminated quote. Empty when the text passes; the database
// still has to accept the condition itself.
String FilterTextFault(const String& Text);

// [Statements]

// Owns a prepared statement, so that one is finalized even when reading a row
// raises: an open statement keeps the connection from ever closing.
struct TFinalizeStatement {
  void operator()(sqlite3_stmt* Stmt) const { sqlite3_finalize(Stmt); }
};
using TStatement = std::unique_ptr<sqlite3_stmt, TFinalizeStatement>;

// Resets a kept statement when a reading scope ends, however it ends, so that
// no read stays open between calls and other connections can write.
class TResetOnExit {
 public:
  explicit TResetOnExit(sqlite3_stmt* Stmt) : FStmt(Stmt) {}
  ~TResetOnExit() {
    if (FStmt) sqlite3_reset(FStmt);
  }
  TResetOnExit(const TResetOnExit&) = delete;
  TResetOnExit& operator=(const TResetOnExit&) = delete;

 private:
  sqlite3_stmt* FStmt;
};

// Holds one record's write: a transaction of its own, or inside a group of
// writes a savepoint in the group's transaction (begun by the first write).
// Rolled back unless Commit ran, so that a failed change leaves the file as
// it was before it: alone, the whole transaction; in a group, this record's
// changes, and the group's earlier ones stay.
class TTransaction {
 public:
  TTransaction(sqlite3* DB, TWriteGroupState* Group = nullptr) : FDB(DB), FGroup(Group) {}
  ~TTransaction() {
    if (!FOpen) return;
    if (!FGroup) {
      sqlite3_exec(FDB, "ROLLBACK", nullptr, nullptr, nullptr);
    } else if (sqlite3_get_autocommit(FDB)) {
      FGroup->Open = false;  // SQLite ended the group's transaction itself
      FGroup->Lost = true;
    } else {
      sqlite3_exec(FDB, "ROLLBACK TO kv_record; RELEASE kv_record", nullptr, nullptr, nullptr);
    }
  }
  TTransaction(const TTransaction&) = delete;
  TTransaction& operator=(const TTransaction&) = delete;
  bool Begin() {
    if (!FGroup) return FOpen = Exec("BEGIN IMMEDIATE");
    if (!FGroup->Open) {
      if (!Exec("BEGIN IMMEDIATE")) return false;
      FGroup->Open = true;
    }
    return FOpen = Exec("SAVEPOINT kv_record");
  }
  bool Commit() {
    if (!Exec(FGroup ? "RELEASE kv_record" : "COMMIT")) return false;
    FOpen = false;
    return true;
  }

 private:
  bool Exec(const char* SQL) { return sqlite3_exec(FDB, SQL, nullptr, nullptr, nullptr) == SQLITE_OK; }
  sqlite3* FDB;
  TWriteGroupState* FGroup;
  bool FOpen = false;
};

}  // namespace kvp::sqlite_detail
