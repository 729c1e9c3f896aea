// TSQLiteDataSet: a dataset over an SQLite database file. Given a TableName it
// reads the table's rows in row id order and writes edits, inserts and deletes
// back by row id (a table without row ids: in primary key order, by key; a
// view: read-only); given SQL it shows the query's rows read-only. Rows are read
// a page at a time, only as the cursor moves past those already read, and no
// statement stays open between pages, so other connections can still write.
// Declared column types map to field types (VARCHAR(n) -> ftString of n, INT
// -> ftInteger, REAL -> ftFloat, BOOLEAN, DATE, DATETIME, TIME, CURRENCY,
// DECIMAL, TEXT -> ftMemo, BLOB); dates are stored as ISO 8601 text. A
// Filter text is an SQL condition on the columns; OnFilterRecord also applies.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/db/DataSet.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kvp {

class TSQLiteDataSet : public TDataSet {
  KV_CLASS(TSQLiteDataSet, TDataSet)
 public:
  explicit TSQLiteDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

  const String& GetDatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const String& Value);
  const String& GetTableName() const { return FTableName; }
  void SetTableName(const String& Value);
  const String& GetSQL() const { return FSQL; }
  void SetSQL(const String& Value);

  Integer GetRecordCount() override;
  bool IsSequenced() override { return true; }
  bool GetCanModify() override;
  bool BookmarkValid(const TBookmark& Bookmark) override;
  Integer CompareBookmarks(const TBookmark& B1, const TBookmark& B2) override;
  KV_PUBLISHED;

  // Rows read from the statement so far (tests watch the lazy reading).
  Integer GetFetchedCount() const { return Integer(FRows.size()); }

 protected:
  void Destroy() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalFirst() override { FCursor = -1; }
  void InternalLast() override;
  TGetResult GetRecord(TRecordBuffer& Buffer, TGetMode Mode) override;
  void InternalSetToRecord(const TRecordBuffer& Buffer) override;
  bool InternalGotoBookmark(const TBookmark& Bookmark) override;
  void InternalSetRecNo(Integer Value) override;
  void InternalPost() override;
  void InternalDelete() override;
  void InternalRefresh() override;
  void InternalEdit() override;
  void FilterChanged() override;

 private:
  struct TRow {
    Int64 RowId = 0;            // the table's row id; the position for a query
    std::vector<Variant> Data;  // one value per field definition
  };

  void CheckInactiveFor(const char* What);
  [[noreturn]] void SQLiteError(const String& Operation);
  sqlite3_stmt* Prepare(const String& SQL, const std::vector<Variant>& Params,
                        const std::vector<TFieldType>& Types);
  void Exec(const String& SQL, const std::vector<Variant>& Params,
            const std::vector<TFieldType>& Types);
  bool Prepares(const String& SQL);
  void CheckFilter(const String& Text);
  bool IsView();
  void ReadKeyColumns();
  String KeyText(const std::vector<Variant>& Data) const;
  Int64 IdOfKey(const std::vector<Variant>& Data);
  String RowCondition() const;
  void RowParams(Int64 RowId, const std::vector<Variant>& Data, std::vector<Variant>& Params,
                 std::vector<TFieldType>& Types) const;
  void StartReading();
  void ReadPage();
  bool FetchNext();
  void FetchAll();
  bool Accepts(const TRow& Row);
  Integer IndexOfRowId(Int64 RowId);
  TRow ReadRow(sqlite3_stmt* Stmt) const;
  void FillBuffer(TRecordBuffer& Buffer, Integer Index) const;
  String SelectSQL() const;

  String FDatabaseName;
  String FTableName;
  String FSQL;
  sqlite3* FDB = nullptr;
  std::vector<TRow> FRows;           // rows read so far and accepted by the filter
  std::deque<TRow> FPending;         // rows of the last page not yet looked at
  std::vector<TFieldType> FTypes;    // field type of each column after the row id
  std::vector<Variant> FEditOriginal;  // the edited record as read, to find what changed
  Integer FCursor = -1;              // index in FRows; -1 before the first row
  Int64 FLastRowId = 0;              // table: the last row id read; pages go on after it
  Int64 FReadCount = 0;              // rows read from the database; a query's next offset
  std::set<Int64> FPlacedIds;        // rows inserted here beyond the last page read
  bool FHasRowId = false;            // a table with row ids: read and written by row id
  std::vector<Integer> FKeyColumns;  // otherwise the primary key's field definitions
  std::map<String, Int64> FKeyIds;   // key text -> the row's number (its bookmark)
  Int64 FNextKeyId = 1;
  bool FAtEnd = false;  // every row has been read from the database
};

}  // namespace kvp
