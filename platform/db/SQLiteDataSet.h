// TSQLiteDataSet: a dataset over an SQLite database file that other programs
// may read and write at the same time. Given a TableName it reads the table's
// rows in row id order and writes edits, inserts and deletes back by row id
// (read by the first of "rowid", "oid", "_rowid_" that no column takes; a
// table without row ids, or one whose columns take all three names: in
// primary key order, by key; a view: read-only); given SQL it shows the
// query's rows read-only. Declared column types map to field types
// (VARCHAR(n) -> ftString of width n that cuts nothing, INT -> ftInteger,
// REAL -> ftFloat, BOOLEAN, DATE, DATETIME, TIME, CURRENCY, DECIMAL(p, s),
// NUMERIC -> ftFloat, TEXT -> ftMemo, BLOB); dates are stored as ISO 8601
// text, and a stored value its field type cannot hold is read, and written
// back, in its stored form. A post writes only the columns that changed, and
// only while the row still holds what was read in them. A Filter text is one
// SQL condition on the columns; OnFilterRecord also applies.
//
// The file is shared: locks other connections hold are waited for
// (BusyTimeoutMs); it is never read through a memory map, whose vanished
// pages would kill the process when another program empties the file or
// copies over it; a file renamed over the open one is read from Refresh on;
// columns another connection changes stop every read and write until the
// dataset is opened again.
//
// A record buffer holds its row's id and position, and a value is decoded
// only when a field reads it, so that a walk summing one column decodes one
// column per row. A walk with the controls disabled reads its rows in forward
// runs of only the columns it reads and leaves the cache of pages to the rows
// a control shows; the positions it passes become anchors that later counts
// of the rows before a row start from.
//
// Reading a table with row ids: rows are kept compactly (one byte string per
// page of rows) in a cache bounded in bytes that drops the pages used least
// recently; a read stops at its share of the cache, and texts and blobs past
// 64 KiB stay in the file until a field asks for them. The record count is
// asked of the database once and then kept up to date through this dataset's
// own inserts and deletes (Refresh, a filter change and reopening ask again);
// a count of the whole table taken before in the process is reused while the
// file's header shows no change. A row edited out of the filter stays where it
// was until Refresh, as do rows inserted here. A page remembers the position
// of its first row, so that Last reads only the last rows ("ORDER BY rowid
// DESC") and knows their record numbers from the count. The two reading
// statements stay prepared and are reset after every read, so no read stays
// open while the dataset is idle and other connections can write to the file.
//
// Reading a query, a view or a table without row ids: each row once, kept
// compactly as long as the dataset is open. A table keyed by a primary key
// that is never NULL is read in key order in chunks, each after the last key
// read; anything else steps one statement on, which stays open between
// chunks only in a file in WAL mode (where an open read keeps no writer out)
// and is otherwise read through at the first read.
#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/db/DataSet.h"

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;
struct sqlite3_context;

namespace kvp {

namespace sqlite_detail {
struct TCell;
struct TWriteGroupState {
  bool Open = false;  // the group's transaction is begun
  bool Lost = false;  // SQLite took the whole transaction back (a full disk, an I/O error)
};
}

class TSQLiteDataSet : public TDataSet {
  KV_CLASS(TSQLiteDataSet, TDataSet)
 public:
  explicit TSQLiteDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

  // How long a read or a change waits for a lock another connection holds.
  static constexpr int BusyTimeoutMs = 5000;

  const String& GetDatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const String& Value);
  const String& GetTableName() const { return FTableName; }
  void SetTableName(const String& Value);
  const String& GetSQL() const { return FSQL; }
  void SetSQL(const String& Value);
  // The fields the rows are ordered by ("city;name"), and those of them that
  // order descending; empty: a table in row id order, a query as it reads.
  // SQLite orders the rows (NULL first ascending, ties by row id or key);
  // an unknown name is refused and the order in force kept.
  const String& GetIndexFieldNames() const { return FIndexFieldNames; }
  void SetIndexFieldNames(const String& Value);
  const String& GetDescFields() const { return FDescFields; }
  void SetDescFields(const String& Value);
  // Both at once: the rows are read in the new order once.
  void SetOrderFields(const String& IndexFieldNames, const String& DescFields);

  Integer GetRecordCount() override;
  bool IsSequenced() override { return true; }
  bool GetCanModify() override;
  bool BookmarkValid(const TBookmark& Bookmark) override;
  Integer CompareBookmarks(const TBookmark& B1, const TBookmark& B2) override;
  KV_PUBLISHED;

  // How far reading has got: the highest record number handed to a record
  // buffer since opening (tests watch the lazy reading).
  Integer GetFetchedCount() const { return FFetchedCount; }
  // Rows read from the database since opening, and rows held now.
  Int64 GetReadCount() const { return FReadRows; }
  // Reads of rows started since opening: each runs a statement once.
  Integer GetReadRuns() const { return FReadRuns; }
  Integer GetCachedCount() const;
  // Bytes of row data held now: the cache and a walk's run.
  std::size_t GetCachedBytes() const { return FCacheBytes + FRun.Held(); }
  // The most bytes of row data the cache of a table with row ids keeps.
  void SetCacheLimit(std::size_t Bytes) { FCacheLimit = Bytes; }

 protected:
  void Destroy() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalFirst() override;
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
  void ReadUnreadValue(TRecordBuffer& Buffer, Integer Index) override;
  void InternalSaveWrites() override;

 private:
  // [Rows by row id] SQLiteDataSetCache.cpp
  //
  // The rows a table shows are its rows that pass the filter ("database rows",
  // in row id order) with the rows placed here by Insert spliced in: each
  // placed row stands before the first database row whose row id is at least
  // its anchor. Every row has an order key (Major, Minor): a database row
  // (rowid, max), a placed row (anchor, its index among the placed rows).
  struct TKey {
    Int64 Major = 0;
    Int64 Minor = 0;
    bool operator<(const TKey& Other) const {
      return Major != Other.Major ? Major < Other.Major : Minor < Other.Minor;
    }
  };
  // Consecutive database rows, stored compactly.
  struct TPage {
    std::vector<Int64> RowIds;     // ascending
    std::vector<unsigned> Starts;  // where each row's cells start in Bytes
    std::string Bytes;             // the rows' cells, one after another
    Integer Base = 0;              // position of the first row among database rows; 0: unknown
    bool LinkedToPrev = false;     // the page before it ends with the row just before its first
    bool IsFirst = false;          // no database row comes before it
    bool IsLast = false;           // none comes after it
    UInt64 LastUse = 0;            // for dropping the least recently used page
    Integer Count() const { return Integer(RowIds.size()); }
    const char* Row(Integer I) const { return Bytes.data() + Starts[I]; }
  };
  using TPages = std::map<Int64, TPage>;  // by the first row id
  struct TPlaced {
    Int64 RowId = 0;
    Int64 Anchor = 0;   // stands before the first database row with a row id >= Anchor
    std::string Bytes;  // its cells
  };
  // A row found for the cursor: a database row in a page, or a placed row.
  struct TRowRef {
    Int64 RowId = 0;
    const char* Bytes = nullptr;
    bool Placed = false;
    TPages::iterator Page;
    Integer Index = 0;  // in the page, or among the placed rows
  };
  enum TCursorKind { ckBof, ckEof, ckRow, ckGap };
  // What one read from a row id found.
  struct TRead {
    Integer Stored = 0;       // rows added to the cache
    Int64 Answer = 0;         // the row nearest the start point among them
    bool Stopped = false;     // it reached a cached page, which holds the answer
    Int64 StopRowId = 0;      // that page's row nearest the start point
    bool End = false;         // no more rows that way
    Int64 LastRaw = 0;        // the last row id the database gave
    TPages::iterator Page;    // the page read into last
  };

  int LargestCachedCell() const;
  std::size_t ReadBudget() const;
  bool FindCached(Int64 RowId, TPages::iterator& Page, Integer& Index);
  TPages::iterator PageBefore(TPages::iterator Page);
  bool DbNext(Int64 From, TRowRef& Row);  // the first database row with a row id >= From
  bool DbPrior(Int64 To, TRowRef& Row);   // the last one with a row id <= To
  TRead ReadForward(Int64 From, TPages::iterator Continues);
  TRead ReadBackward(Int64 To, TPages::iterator Continues);
  bool RowFound(Int64 RowId, TRowRef& Row);
  bool RowAt(TPages::iterator Page, Integer Index, TRowRef& Row);
  TPages::iterator AddPage(Int64 FirstRowId);
  void LinkAfter(TPages::iterator Prev, TPages::iterator Page);
  void SpreadBases(TPages::iterator Page);
  void TrimCache(TPages::iterator Keep);
  void ClearCache();
  bool KeyedNext(const TKey& From, bool Inclusive, TRowRef& Row);
  bool KeyedPrior(const TKey& Before, bool FromEnd, TRowRef& Row);
  TKey KeyOf(Int64 RowId, bool& Placed, Integer& PlacedIndex) const;
  Integer PlacedIndexOf(Int64 RowId) const;
  Integer PlacedBelow(const TKey& Key) const;
  Int64 DbCountBelow(Int64 RowId);
  Int64 DbCount();
  Int64 CountTable();
  std::string FileFingerprint();
  Integer KeyedPosition(const TRowRef& Row);
  bool KeyedRowAt(Integer Position, TRowRef& Row);
  bool DbRowAt(Int64 Position, TRowRef& Row);
  bool IsDbRowShown(Int64 RowId);
  bool RowShown(const char* Bytes, Int64 RowId);
  TGetResult KeyedGetRecord(TRecordBuffer& Buffer, TGetMode Mode);
  bool CachedNext(Int64 From, TRowRef& Row, bool& Answered);
  String RowFilter() const;

  // [Values read on demand and forward runs] SQLiteDataSetRun.cpp
  //
  // A buffer holds its row's id and position; its values are read when a
  // field first asks (ReadUnreadValue): a query's from the rows read in
  // order; a table's with row ids from the forward run, else from the cached
  // page, else by row id from the table.
  // A walk with the controls disabled does not fill the cache: its rows come
  // in runs, chunks of consecutive rows read after the cursor that hold only
  // the columns the walk reads (a column read for the first time reads the
  // run again from the current row with it). A run is dropped by any change.
  // Its numbers go into a record as the cursor reaches it; a run's rows are
  // taken inside one step of a statement where the table gives them in row
  // id order (CollectRun), else stepped one by one (StepRun).
  //
  // One value of a run as SQLite gave it, of a fixed size, so that the
  // value of a row and column is found by its index.
  struct TRunCell {
    Int64 Payload = 0;       // a whole number; a real's bits; a text's or blob's offset in Bytes
    std::uint32_t Size = 0;  // bytes of a text or blob
    std::uint8_t Class = 0;  // SQLite's storage class
    bool Large = false;      // a text or blob left in the table: only its size is held
  };
  struct TRun {
    std::vector<Int64> RowIds;      // consecutive database rows, ascending unless Ordered
    std::vector<TRunCell> Cells;    // Columns.size() a row, row after row
    std::string Bytes;              // the texts and blobs of the cells
    std::vector<Integer> Columns;   // the field definitions held, in cell order
    std::vector<Integer> Slots;     // per field definition: its place in Columns, -1: not held
    Int64 FirstPos = 0;             // position of the first row among database rows
    Integer Index = -1;             // the row the cursor stands on; -1: none
    bool End = false;               // no database row follows the last one
    bool Ordered = false;           // rows in the order of IndexFieldNames (its columns first)
    Integer Count() const { return Integer(RowIds.size()); }
    // Bytes of memory the rows take.
    std::size_t Held() const {
      return RowIds.size() * sizeof(Int64) + Cells.size() * sizeof(TRunCell) + Bytes.size();
    }
  };
  bool RunAllowed() const;
  void ReadRun(Int64 From, Int64 FirstPos);
  void DropRun();
  bool RunNext(TRecordBuffer& Buffer, TGetResult& Result);
  bool StartRun(Int64 From, Int64 FirstPos, TRecordBuffer& Buffer, TGetResult& Result);
  bool EnterRun(Int64 FirstPos, TRecordBuffer& Buffer, TGetResult& Result);
  Integer RunIndexOf(Int64 RowId, Integer RecNo) const;
  sqlite_detail::TCell RunCell(Integer Row, Integer Slot) const;
  bool CellFromRun(Integer Row, Integer Column, Variant& Value);
  void PlaceRunNumbers(TRecordBuffer& Buffer, Integer Row);
  std::size_t AppendRunCell(sqlite3_value* Value, int Largest);
  String RunColumnList() const;
  void StepRun(Int64 From, bool& Cut);
  // What collecting a run's rows in one step (CollectRun) asks and found.
  struct TCollect {
    Integer Want = 0;             // rows the run takes
    std::size_t Budget = 0;       // bytes of rows after which it takes no more
    int Largest = 0;              // a larger text or blob is held by its size
    std::size_t Held = 0;         // bytes of the rows taken (AppendRunCell)
    bool Cut = false;             // it stopped at its budget
    bool OutOfOrder = false;      // a row came that does not follow the last one
    bool Stopped = false;         // the collector stopped the statement
    std::exception_ptr Failure;   // what the collector could not take a row for
  };
  void RegisterCollector();
  static void CollectStep(sqlite3_context* Context, int Count, sqlite3_value** Values);
  static void CollectFinal(sqlite3_context* Context);
  bool CollectRun(Int64 From, bool& Cut);
  bool RunColumnsKept();
  void ReadRowById(TRecordBuffer& Buffer, Int64 RowId);
  void DecodeInto(TRecordBuffer& Buffer, const char* Bytes, Int64 RowId, Integer Only);
  Variant CellValue(const sqlite_detail::TCell& Cell, Integer Column, Int64 RowId);
  void FillLazy(TRecordBuffer& Buffer, Int64 RowId, Int64 RecNo);
  Int64 DbPositionOf(Int64 RowId);
  void ShiftAnchors(Int64 RemovedRowId);

  // [Rows in read order] queries, views, tables without row ids
  struct TSeqRow {
    Int64 RowId = 0;        // the position for a query or view; a key's number
    std::size_t Start = 0;  // where its cells start in FSeqBytes
  };
  const char* SeqRow(std::size_t Index) const { return FSeqBytes.data() + FRows[Index].Start; }
  bool FetchNext();
  void FetchAll();
  void ReadChunk();
  Integer IndexOfRowId(Int64 RowId);
  Integer SeqIndexOf(Int64 RowId, Integer RecNo);
  TGetResult SeqGetRecord(TRecordBuffer& Buffer, TGetMode Mode);

  // [Ordered rows] SQLiteDataSetOrder.cpp
  //
  // A table with row ids read in the order of IndexFieldNames: SQLite sorts,
  // and the rows come in chunks read after (or before) the key of a row
  // (its order fields' cells and its row id), so that no more than a window
  // of consecutive rows is held. Rows placed by Insert stand before the row
  // they were inserted at (its key is their anchor) until Refresh. Every row
  // held here holds its order fields' texts and blobs whole, however long:
  // keys are compared and bound, and a size alone says nothing of either.
  struct TOrderField {
    Integer Column = -1;  // -1: the row id, which breaks ties
    bool Desc = false;
    int Collation = 0;    // 0 binary, 1 nocase, 2 rtrim
  };
  struct TOrderRow {
    Int64 RowId = 0;
    std::string Bytes;  // its cells
  };
  // Where a row stands: its cells and row id; placed rows by their anchor's
  // and their index among the placed rows (database rows: Minor = max).
  struct TOrderKey {
    std::string Bytes;
    Int64 RowId = 0;
    Int64 Minor = INT64_MAX;
    bool End = false;    // after every row
    bool Start = false;  // before every row
  };
  struct TOrderWindow {
    std::vector<TOrderRow> Rows;  // consecutive database rows in order
    bool AtStart = false;         // no database row before the first
    bool AtEnd = false;           // none after the last
    Int64 Base = 0;               // position of the first; 0: unknown
    std::size_t Bytes = 0;
    Integer Hint = 0;             // the row found last
  };
  bool Ordered() const { return FHasRowId && !FOrder.empty(); }
  std::vector<TOrderField> ResolveOrder(const String& IndexNames, const String& DescNames);
  void ApplyOrder(const String& IndexNames, const String& DescNames);
  void ClearOrderWindow();
  bool OrderCellsHeld(const std::string& Bytes) const;
  std::string OrderCellsKept(const std::string& Whole) const;
  int CompareOrderRows(const TOrderKey& A, const TOrderKey& B) const;
  int CompareOrderKeys(const TOrderKey& A, const TOrderKey& B) const;
  TOrderKey WindowKey(Integer Index) const;
  Integer WindowIndexOf(Int64 RowId);
  String OrderBy(bool Reversed) const;
  String OrderExpr(const TOrderField& Field) const;
  std::vector<String> OrderRanges(const TOrderKey& Key, bool After, bool Inclusive,
                                  std::vector<std::vector<sqlite_detail::TCell>>& Binds) const;
  Integer ReadOrdered(const TOrderKey& From, bool Backward, bool Inclusive, Integer Limit,
                      std::vector<TOrderRow>& Rows);
  bool OrderDbAfter(const TOrderKey& Key, bool Inclusive, Integer& Index);
  bool OrderDbBefore(const TOrderKey& Key, Integer& Index);
  void TrimOrderWindow(bool KeepEnd, Integer Keep);
  Int64 OrderDbBelow(const TOrderKey& Key);
  Integer OrderPlacedBelow(const TOrderKey& Key) const;
  bool OrderRowBytes(Int64 RowId, std::string& Bytes);
  bool OrderKeyOf(Int64 RowId, TOrderKey& Key);
  Integer OrderPosition(Int64 RowId, Integer Window, Integer Placed);
  TGetResult OrderGetRecord(TRecordBuffer& Buffer, TGetMode Mode);
  TGetResult OrderStep(TRecordBuffer& Buffer, TGetMode Mode);
  void OrderSetRecNo(Integer Value);
  Integer OrderCompare(Int64 Id1, Int64 Id2);
  void OrderRefresh();
  void OrderPost(bool Editing, Int64 RowId, const std::string& Stored, bool Shown);
  TOrderKey OrderGapBeforeDelete(Int64 RowId);
  void OrderDeleted(Int64 RowId, const TOrderKey& Gap);
  // A walk with the controls disabled in the order reads runs (FRun) of the
  // order fields' columns and the columns it reads. It starts with one scan
  // that samples the keys of the rows ahead (marks); each chunk then reads,
  // unsorted, the rows up to the farthest mark its budget holds and sorts
  // them itself, so that a chunk costs one scan and no sort by SQLite.
  struct TOrderMark {
    TOrderKey Key;
    Int64 Position = 0;  // its position among database rows when noted
  };
  // The rows of a chunk as read, before they are sorted and laid into the
  // run: each row's cells (AppendCells) one after another.
  struct TOrderRows {
    std::vector<Int64> RowIds;
    std::vector<unsigned> Starts;  // where each row's cells start in Bytes
    std::string Bytes;
    Integer Count() const { return Integer(RowIds.size()); }
  };
  bool OrderRunNext(TRecordBuffer& Buffer, TGetResult& Result);
  void NoteOrderMarks(const TOrderKey& From, Int64 FirstPos);
  void ReadOrderRun(const TOrderKey& From, bool Inclusive, Int64 FirstPos);
  std::vector<Integer> SortOrderRows(const TOrderRows& Rows) const;
  void LayOrderRun(const TOrderRows& Rows, const std::vector<Integer>& Order);
  TOrderKey OrderRunKey(Integer Row) const;
  std::size_t OrderRunBudget() const;
  String OrderBound(const TOrderKey& Key, int& Next, std::vector<sqlite_detail::TCell>& Binds) const;
  String SeqOrderBy(bool& KeyedTies) const;
  String SeqAfter(const std::string& Last, Integer FirstParam,
                  std::vector<sqlite_detail::TCell>& Binds) const;

  // [Both] SQLiteDataSet.cpp
  void CheckInactiveFor(const char* What);
  [[noreturn]] void SQLiteError(const String& Operation);
  bool StepRow(sqlite3_stmt* Stmt, const String& Operation);
  Int64 CursorRecNo() const;
  sqlite_detail::TWriteGroupState* WriteGroup();
  bool CommitWriteGroup();
  sqlite3_stmt* PrepareKept(sqlite3_stmt*& Kept, const String& SQL, int First = 1,
                            const std::vector<Integer>* Columns = nullptr);
  bool SameColumns(sqlite3_stmt* Stmt, int First, const std::vector<Integer>* Columns) const;
  void CheckReprepared(sqlite3_stmt* Stmt, int First = 1,
                       const std::vector<Integer>* Columns = nullptr);
  [[noreturn]] void ColumnsChanged();
  void CheckColumnsKept();
  void RememberFile();
  void OpenConnection();
  void OpenReplacedFile();
  bool FileReplaced() const;
  bool ChooseRowIdName(bool& WithoutRowId);
  bool ReadsRowId(const String& Column);
  void FinalizeKept();
  bool Prepares(const String& SQL);
  bool IsView();
  void ReadKeyColumns(bool WithoutRowId);
  bool InWalMode();
  Int64 CheckFilter(const String& Text);
  void ResetRows();
  void Decode(const char* Bytes, std::vector<Variant>& Data, Int64 RowId = 0);
  String SourceSQL() const;
  String Condition() const;

  // [Writing] SQLiteDataSetWriting.cpp
  sqlite3_stmt* Prepare(const String& SQL, const std::vector<Variant>& Params,
                        const std::vector<TFieldType>& Types);
  void Exec(const String& SQL, const std::vector<Variant>& Params,
            const std::vector<TFieldType>& Types);
  std::string KeyText(const char* Stored) const;
  Int64 IdOfKey(const char* Stored);
  String RowCondition() const;
  void RowParams(Int64 RowId, const char* Stored, std::vector<Variant>& Params,
                 std::vector<TFieldType>& Types);
  std::string ReadStoredRow(Int64 RowId, const std::vector<Variant>& KeyParams,
                            const std::vector<TFieldType>& KeyTypes, bool& Found,
                            int Largest = 0x7FFFFFFF);
  void CheckRowAsRead(Int64 RowId, const std::vector<Variant>& KeyParams,
                      const std::vector<TFieldType>& KeyTypes, const std::vector<Variant>& Read,
                      const std::vector<Integer>& Columns);
  bool KeyedPostShown(bool Editing, Int64 RowId, const std::string& Stored);
  void KeyedPost(bool Editing, Int64 RowId, const std::string& Stored, bool Shown);
  void SeqPost(bool Editing, Int64 RowId, Integer Index, std::string&& Stored);
  bool IsAtEndOfTable(Int64 RowId);
  bool PassesFilter(Int64 RowId, const std::string& Stored);
  void ForgetReusedRowId(Int64 RowId);
  void ReplaceCachedRow(Int64 RowId, const std::string& Bytes);
  void RemoveCachedRow(Int64 RowId);

  String FDatabaseName;
  String FTableName;
  String FSQL;
  String FIndexFieldNames;
  String FDescFields;
  std::vector<TOrderField> FOrder;     // resolved while open; the row id last
  TOrderWindow FWindow;
  std::vector<TOrderKey> FOrderAnchors;  // ordered: each placed row's anchor
  TOrderKey FOrderGap;                   // ordered ckGap: where the cursor stands
  std::vector<TOrderMark> FOrderMarks;   // keys sampled at the start of a walk, in order
  Int64 FOrderMarksEnd = 0;              // the position of the last row then
  std::size_t FOrderRowBytes = 0;        // bytes a run holds for a row of order fields then
  Int64 FOrderCursorId = 0;              // the row the cursor last stood on ...
  std::string FOrderCursorBytes;         // ... and its cells
  sqlite3* FDB = nullptr;
  sqlite_detail::TWriteGroupState FGroup;  // a group of writes' transaction
  std::vector<TFieldType> FTypes;      // field type of each column after the row id
  std::vector<Variant> FEditOriginal;  // the edited record as read, to find what changed
  bool FHasRowId = false;              // a table with row ids: the cache by row id
  String FRowId = "rowid";             // the name that reads the row id: no column takes it
  String FRowIdColumn;                 // the column that is the row id ("id"), if any
  bool FKeyed = false;                 // no row ids: rows are read in primary key order
  bool FWalMode = false;               // an open read lets other connections write
  std::vector<String> FShapeNames;     // the columns the fields were made from
  std::vector<String> FShapeDecls;     // their declared types
  bool FShapeChanged = false;          // another connection changed them: no reads
  bool FFileKnown = false;             // the file's identity when opened
  UInt64 FFileDevice = 0;
  UInt64 FFileInode = 0;
  Integer FFetchedCount = 0;
  Int64 FReadRows = 0;
  Integer FReadRuns = 0;

  // Rows by row id.
  TPages FPages;
  std::vector<TPlaced> FPlaced;  // in order of their keys
  std::size_t FCacheBytes = 0;
  std::size_t FCacheLimit = 8 << 20;
  UInt64 FUseTick = 0;
  Int64 FDbCount = -1;           // database rows shown; -1 until asked
  Integer FChunk = 64;           // rows the next forward read asks for
  TCursorKind FCursorKind = ckBof;
  Int64 FCursorRowId = 0;        // ckRow: the row; ckGap: where a deleted row was
  TKey FGapKey;                  // ckGap: the key the deleted row had
  // The number the window gave the row the cursor stands on (ckRow), so that
  // a step numbers the next row one on from it: rows others add or delete
  // before the window do not make its records' numbers disagree.
  Int64 FNumberedRowId = 0;
  Int64 FNumberedRecNo = 0;      // 0: not known
  TPages::iterator FHint;        // the page of the last row found, or end
  Integer FHintIndex = 0;        // that row's index in it
  sqlite3_stmt* FForward = nullptr;   // rows from a row id on, ascending
  sqlite3_stmt* FBackward = nullptr;  // rows up to a row id, descending
  sqlite3_stmt* FOneRow = nullptr;    // one row by row id, if it passes the filter
  sqlite3_stmt* FRowById = nullptr;   // one row by row id, filter or not
  sqlite3_stmt* FRunRead = nullptr;   // a run's rows: the columns of FRunReadColumns
  sqlite3_stmt* FWrite = nullptr;     // the last change's statement, FWriteSQL
  String FWriteSQL;
  std::vector<Integer> FRunReadColumns;
  bool FCollectRuns = false;           // runs are read by the collector (RegisterCollector)
  TCollect FCollect;                   // the collector's read in progress
  TRun FRun;
  Integer FRunChunk = 64;              // rows the next run reads
  std::vector<unsigned char> FWanted;  // columns a walk has read: the next run holds them
  std::map<Int64, Int64> FAnchors;     // row id -> its position among database rows

  // Rows in read order.
  std::vector<TSeqRow> FRows;        // rows read so far and accepted by the filter
  std::string FSeqBytes;             // their cells, row after row (a row written here: at the end)
  Integer FCursor = -1;              // index in FRows; -1 before the first row
  Int64 FSeqRead = 0;                // rows of the statement read
  std::string FSeqLast;              // keyed: the cells of the last row read
  sqlite3_stmt* FSeqStmt = nullptr;  // the rows in order (keyed: the first ones)
  sqlite3_stmt* FSeqAfter = nullptr;  // keyed: the rows after a key
  bool FAtEnd = false;               // every row of the statement has been read
  std::vector<Integer> FKeyColumns;  // a table without row ids: its primary key's fields
  std::map<std::string, Int64> FKeyIds;  // a key's stored cells -> the row's number (its bookmark)
  Int64 FNextKeyId = 1;
};

}  // namespace kvp
