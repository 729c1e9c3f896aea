// TDataSet: the dataset model every data-aware control stands on. It keeps a
// window of record buffers over a cursor that a concrete dataset moves, the
// state machine of browsing and editing, navigation with the Bof/Eof rules,
// bookmarks, Locate and Lookup, and it sends the data events through its data
// sources to their links. Concrete datasets (MemoryDataSet.h, SQLiteDataSet.h)
// supply the records through the protected Internal... protocol below.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Lists.h"
#include "platform/classes/StringList.h"
#include "platform/db/DBCommon.h"
#include "platform/db/FieldDefs.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Delegate.h"
#include "platform/rtl/Variants.h"

namespace kvp {

// Where a record buffer stands: on a stored record, or a new one being inserted.
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };

// TRecordBuffer: one record held by the dataset. Data values are indexed by
// FieldNo - 1 (the field definitions' order); calculated and lookup values by
// the field's calculated slot. A concrete dataset may fill a buffer with its
// record's name alone and leave values unread (MarkUnread): the first read of
// such a value asks the dataset for it (TDataSet::ReadUnreadValue), so that a
// walk decodes only the columns somebody reads.
struct TRecordBuffer {
  std::vector<Variant> Data;  // one per field definition
  std::vector<Variant> Calc;  // one per calculated or lookup field
  TBookmark Bookmark;         // empty for a record being inserted
  Integer RecNo = -1;         // 1-based position in the dataset, -1 when unknown
  TBookmarkFlag Flag = bfCurrent;
  std::vector<unsigned char> Unread;  // per Data value: 1 while not read yet
  Integer UnreadCount = 0;            // values of Data still unread; 0: all held

  bool IsUnread(std::size_t Index) const { return UnreadCount > 0 && Unread[Index] != 0; }
  // Every Data value becomes unread (its old contents mean nothing).
  void MarkUnread() {
    if (Unread.size() != Data.size()) Unread.resize(Data.size());
    std::fill(Unread.begin(), Unread.end(), 1);
    UnreadCount = Integer(Data.size());
  }
  // Data[Index] now holds the record's value.
  void MarkRead(std::size_t Index) {
    if (IsUnread(Index)) {
      Unread[Index] = 0;
      --UnreadCount;
    }
  }
  void MarkAllRead() {
    Unread.clear();
    UnreadCount = 0;
  }
};

using TDataSetNotifyEvent = TDelegate<void(TDataSet* DataSet)>;
using TDataSetErrorEvent =
    TDelegate<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
using TFilterRecordEvent = TDelegate<void(TDataSet* DataSet, bool& Accept)>;

// TDataSet: see the unit comment. The buffer window: B = GetBufferCount()
// buffers of which the first FRecordCount are filled with consecutive records;
// FActiveRecord is the current one; a scratch buffer follows them for fetching.
//
// Protocol for a concrete dataset, in call order:
//   InternalOpen (fill FieldDefs, prepare the cursor) -> fields are bound ->
//   InternalFirst / InternalLast put the cursor on the crack before the first
//   or after the last record -> GetRecord(Buffer, gmNext / gmPrior / gmCurrent)
//   moves the cursor and fills the buffer (skipping records its filter
//   refuses, through RecordFilterAccepts) -> InternalSetToRecord puts the
//   cursor back on a buffer's record -> InternalPost / InternalDelete change
//   the store and leave the cursor on the posted record, or on the record that
//   followed the deleted one -> InternalClose.
class TDataSet : public TComponent {
  KV_CLASS(TDataSet, TComponent)
 public:
  explicit TDataSet(TComponent* AOwner) : TComponent(AOwner) {}

  // [Opening]
  void Open();
  void Close();
  bool GetActive() const { return FState != dsInactive && FState != dsOpening; }
  void SetActive(bool Value);
  TDataSetState GetState() const { return FState; }
  bool GetDefaultFields() const { return FDefaultFields; }

  // [Navigation]
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves by Distance records and answers the signed number actually moved.
  Integer MoveBy(Integer Distance);
  bool GetBof() const { return FBOF; }
  bool GetEof() const { return FEOF; }
  bool IsEmpty() const { return FRecordCount == 0; }
  virtual Integer GetRecNo();
  void SetRecNo(Integer Value);
  virtual Integer GetRecordCount() { return 0; }
  virtual bool IsSequenced() { return true; }
  void Refresh();

  // [Editing]
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();
  void UpdateRecord();
  bool GetModified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }
  virtual bool GetCanModify() { return !FReadOnly; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  // Append, then Values to the fields in order (Unassigned leaves a field
  // alone, Null clears it), then Post.
  void AppendRecord(std::initializer_list<Variant> Values);
  void SetFields(std::initializer_list<Variant> Values);

  // [Bookmarks] GetBookmark is also the Bookmark property; SetBookmark goes
  // to it. Bookmarks are values: FreeBookmark only empties the string.
  TBookmark GetBookmark();
  void SetBookmark(const TBookmark& Value) { GotoBookmark(Value); }
  void GotoBookmark(const TBookmark& Bookmark);
  void FreeBookmark(TBookmark& Bookmark) { Bookmark.clear(); }
  virtual bool BookmarkValid(const TBookmark& Bookmark);
  virtual Integer CompareBookmarks(const TBookmark& B1, const TBookmark& B2);

  // [Searching] KeyFields and ResultFields are ';'-separated; several key
  // fields take a variant array of values.
  bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options);
  Variant Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields);

  // [Fields]
  TFields* GetFields() const { return FFields.get(); }
  TFieldDefs* GetFieldDefs() const { return FFieldDefs.get(); }
  Integer GetFieldCount() const;
  TField* FindField(const String& FieldName) const;
  TField* FieldByName(const String& FieldName) const;
  TField* FieldByNumber(Integer FieldNo) const;
  // The fields named in a ';'-separated list, in order; an unknown name
  // raises "Field '%s' not found". A null List only checks the names.
  void GetFieldList(std::vector<TField*>& List, const String& FieldNames) const;
  void GetFieldList(TList* List, const String& FieldNames) const;
  Variant GetFieldValues(const String& FieldNames);
  void SetFieldValues(const String& FieldNames, const Variant& Value);
  // Makes the default fields from the field definitions.
  void CreateFields();
  void DestroyFields();

  // [Controls]
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }
  // True when DataSource leads, through master sources, to this dataset.
  bool IsLinkedTo(TDataSource* DataSource) const;
  // The master source of a detail dataset; none by default.
  virtual TDataSource* GetDataSource() const { return nullptr; }

  // [Groups of writes] A command that writes many records (deleting a
  // selection, a paste) opens a group around its loop, so that a store that
  // can keeps the group's writes as one change rather than one per record.
  // Every record still posts or is deleted on its own, with its events; a
  // record that fails takes back its own write alone, and what was written
  // before it stays. Groups nest: the store keeps what was written when the
  // outermost one ends (EndWriteGroup raises when it cannot), and at
  // SaveWriteGroup, which a command calls before it waits for the user, so
  // that the store is not held meanwhile. A store that has nothing to keep
  // together (the default) does nothing.
  void BeginWriteGroup() { ++FWriteGroups; }
  void EndWriteGroup();
  void SaveWriteGroup();
  bool InWriteGroup() const { return FWriteGroups > 0; }

  // [Filtering] The filter text is the concrete dataset's to interpret.
  const String& GetFilter() const { return FFilterText; }
  void SetFilter(const String& Value);
  bool GetFiltered() const { return FFiltered; }
  void SetFiltered(bool Value);
  TFilterOptions GetFilterOptions() const { return FFilterOptions; }
  void SetFilterOptions(TFilterOptions Value);

  // [Buffers] The window as links and tests see it.
  Integer GetBufferCount() const { return Integer(FBuffers.size()) - 1; }
  Integer GetActiveRecord() const { return FActiveRecord; }
  // Raises EAssertionFailed naming the first broken invariant of the window;
  // a concrete dataset adds the invariants of its store.
  virtual void CheckConsistency() const;

  // The data event entry: the dataset's own handling, then the sources.
  // While controls are disabled the events that nobody handles then, the
  // implicit post's deCheckBrowseMode and the scroll of a move, are not sent,
  // so that a walk costs no event per record.
  virtual void DataEvent(TDataEvent Event, TDataEventInfo Info);
  // Reads and writes of field values go through these (TField calls them).
  Variant GetFieldValue(const TField* Field) const;
  void SetFieldValue(TField* Field, const Variant& Value);

  bool GetAutoCalcFields() const { return FAutoCalcFields; }
  void SetAutoCalcFields(bool Value) { FAutoCalcFields = Value; }

  // Events, fired where the operations describe them.
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnCalcFields, OnNewRecord;
  TFilterRecordEvent OnFilterRecord;
  TDataSetErrorEvent OnPostError, OnEditError, OnDeleteError;

 protected:
  void Construct() override;
  void Destroy() override;

  // [Protocol for concrete datasets] See the class comment.
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual TGetResult GetRecord(TRecordBuffer& Buffer, TGetMode Mode) = 0;
  virtual void InternalSetToRecord(const TRecordBuffer& Buffer) = 0;
  // Puts the cursor on the record; false when no such record is visible.
  virtual bool InternalGotoBookmark(const TBookmark& Bookmark) = 0;
  // Puts the cursor on the Value-th visible record (1-based, in range).
  virtual void InternalSetRecNo(Integer Value) = 0;
  virtual void InternalPost() = 0;
  virtual void InternalDelete() = 0;
  virtual void InternalInitRecord(TRecordBuffer& Buffer);
  virtual void InternalEdit() {}
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}
  // The filter or its text changed while open; the store re-applies it.
  virtual void FilterChanged() {}
  // The store keeps what a group of writes wrote so far; raises when it
  // cannot (the store then holds none of it, and the dataset shows so).
  virtual void InternalSaveWrites() {}
  // A field reads Data[Index] of a buffer the store filled with that value
  // unread (TRecordBuffer::MarkUnread). The store puts the record's value
  // there; it may fill other unread values of the buffer at the same time,
  // marking each one read. Called wherever the buffer is read, in any state
  // and after any later fetch, so the store finds the record by the buffer's
  // own bookmark, not by its cursor. The default reads Null.
  virtual void ReadUnreadValue(TRecordBuffer& Buffer, Integer Index);
  // Reads every unread value of Buffer (before the values are copied or
  // compared as a whole: Edit's old values, a post).
  void ReadAllValues(TRecordBuffer& Buffer);

  // Runs the filter on a fetched record: OnFilterRecord in state dsFilter.
  // Concrete datasets call it from GetRecord when GetFiltered() is on.
  bool RecordFilterAccepts(TRecordBuffer& Buffer);
  // Moves a store's cursor over Count records for GetRecord: Cursor is a
  // record index, -1 before the first or Count after the last. grOK when it
  // lands on a record, else grBOF, grEOF or grError (gmCurrent off a record).
  static TGetResult StepCursor(Integer& Cursor, Integer Count, TGetMode Mode);
  // Fills the calculated and lookup values of a fetched record.
  void CalculateFields(TRecordBuffer& Buffer);
  virtual void DoOnCalcFields();
  // Where a record being inserted goes: before the record named by
  // GetInsertBefore(), or at the end when it is empty or GetInsertAppend().
  const TBookmark& GetInsertBefore() const { return FInsertBefore; }
  bool GetInsertAppend() const { return FInsertAppend; }
  // The buffer fields read and write in the current state, or null.
  TRecordBuffer* GetActiveBuffer() const;
  void CheckActive() const;
  void CheckInactive() const;
  // Resizes every buffer for the current fields.
  void InitBufferShape(TRecordBuffer& Buffer) const;
  // Resizes the window; growing fetches more records around the active one.
  virtual void SetBufListSize(Integer Value);
  // The filled buffers, for a concrete dataset's self-check.
  Integer GetFilledBufferCount() const { return FRecordCount; }
  const TRecordBuffer& GetBufferAt(Integer Index) const { return *FBuffers[Index]; }
  // The records held are numbered Delta on from what they were: a store whose
  // records others add before them renumbers them.
  void RenumberRecords(Integer Delta);
  // The store moved its cursor behind the window's back: the next fetch
  // puts it back on a buffer's record first.
  void CursorPosChanged() { FCurrentRecord = -1; }
  // A store that lets its records be read without moving the cursor (a grid
  // reading the rows it shows) points the fields at Buffer: while it is set,
  // field values, GetBookmark and GetRecNo in browse, edit and insert states
  // come from it; writes still go to the record being edited. Null ends it.
  void SetReadBuffer(TRecordBuffer* Buffer) { FReadBuffer = Buffer; }
  // The store's view changed under the window and its cursor stands on the
  // record to show: the window is read again around that record at the same
  // active index, and the links hear deDataSetChange.
  void ResyncView();

 private:
  friend class TDataSource;
  friend class TDataLink;
  friend class TField;
  friend class TFields;
  // Enters an internal state (dsCalcFields, dsFilter, dsOldValue) reading
  // Buffer, without any notification; restores state and buffer on exit.
  class TTempState {
   public:
    TTempState(TDataSet* DataSet, TDataSetState State, TRecordBuffer* Buffer)
        : FDataSet(DataSet), FOldState(DataSet->FState), FOldBuffer(DataSet->FTempBuffer) {
      DataSet->FState = State;
      DataSet->FTempBuffer = Buffer;
    }
    ~TTempState() {
      FDataSet->FState = FOldState;
      FDataSet->FTempBuffer = FOldBuffer;
    }
    TTempState(const TTempState&) = delete;
    TTempState& operator=(const TTempState&) = delete;

   private:
    TDataSet* FDataSet;
    TDataSetState FOldState;
    TRecordBuffer* FOldBuffer;
  };

  // [Buffers] DataSetBuffers.cpp
  static std::vector<std::unique_ptr<TRecordBuffer>> MakeBuffers(Integer Count);
  TRecordBuffer& Buffer(Integer Index) const { return *FBuffers[std::size_t(Index)]; }
  // Makes the window Count buffers plus the scratch one, keeping the first ones.
  void ResizeBuffers(Integer Count);
  void ClearBuffers();
  bool GetNextRecord();
  bool GetPriorRecord();
  void GetNextRecords();
  void GetPriorRecords();
  TGetResult Fetch(TRecordBuffer& Buffer, TGetMode Mode);
  void Resync(bool Exact, bool Center);
  void UpdateCursorPos();
  void UpdateBufferCount();
  void ShiftLinks(Integer Delta);
  void ClampLinks(Integer Buffers);
  Integer SmallestLinkFirst() const;
  void SetState(TDataSetState Value);
  void SendToSources(TDataEvent Event, TDataEventInfo Info);

  // The value a field reads in the current state, in its buffer (or a Null).
  const Variant& FieldData(const TField* Field) const;
  // The buffer reads see: the read buffer a store set, else the active one.
  TRecordBuffer* ReadingBuffer() const;

  // [Opening and editing] DataSet.cpp, DataSetEditing.cpp
  void DoInternalOpen();
  void BindFields(bool Binding);
  void DoBeforeScroll();
  void DoAfterScroll();
  void Fire(const TDataSetNotifyEvent& Event);
  void CheckRequiredFields();
  void InsertOrAppend(bool Append);
  void RunWithErrorHandler(const TDataSetErrorEvent& Handler, void (TDataSet::*Body)());
  void PostBody();
  void DeleteBody();
  void EditBody();
  bool FindRecord(const std::vector<TField*>& Fields, const Variant& KeyValues,
                  TLocateOptions Options, TRecordBuffer& Found);
  bool RecordMatches(const std::vector<TField*>& Fields, const Variant& KeyValues,
                     TLocateOptions Options) const;
  void AddDataSource(TDataSource* Source);
  void RemoveDataSource(TDataSource* Source);
  void FieldsChanged();
  void ApplyFilter(const String& Text, bool Filtered, TFilterOptions Options);

  std::unique_ptr<TFields> FFields;
  std::unique_ptr<TFieldDefs> FFieldDefs;
  std::vector<TDataSource*> FDataSources;  // attach order
  // B buffers then the scratch one, owned by FBufferPool. The window moves by
  // moving these pointers: a buffer keeps its values and its allocations
  // wherever it goes, and a step costs one move of B + 1 pointers.
  std::vector<std::unique_ptr<TRecordBuffer>> FBufferPool = MakeBuffers(1);
  std::vector<TRecordBuffer*> FBuffers{FBufferPool.front().get()};
  Integer FRecordCount = 0;                // filled buffers n, 0 <= n <= B
  Integer FActiveRecord = 0;               // a; 0 when n = 0
  Integer FCurrentRecord = -1;             // buffer the cursor is on, -1 unknown
  TRecordBuffer* FTempBuffer = nullptr;    // read by fields in dsCalcFields/dsFilter
  TRecordBuffer* FReadBuffer = nullptr;    // set by the store: what reads see (SetReadBuffer)
  TRecordBuffer FOldValues;                // the record as it was when Edit began
  TDataSetState FState = dsInactive;
  TDataSetState FDisableState = dsInactive;   // state when controls were disabled
  TDataEvent FEnableEvent = deDataSetChange;  // sent when the last EnableControls runs
  Integer FDisableCount = 0;
  Integer FWriteGroups = 0;
  Integer FCalcFieldCount = 0;  // slots of calculated and lookup values
  bool FBOF = true;
  bool FEOF = true;
  bool FModified = false;
  bool FReadOnly = false;
  bool FDefaultFields = false;  // the fields were made from FieldDefs
  bool FFiltered = false;
  bool FAutoCalcFields = true;
  bool FInsertAppend = false;
  TBookmark FInsertBefore;  // record the inserted one goes before
  String FFilterText;
  TFilterOptions FFilterOptions;
};

// Holds DisableControls for a scope, so that an exception never leaves the
// controls of a dataset frozen.
class TDisableControlsGuard {
 public:
  explicit TDisableControlsGuard(TDataSet* DataSet) : FDataSet(DataSet) {
    if (FDataSet) FDataSet->DisableControls();
  }
  ~TDisableControlsGuard() {
    if (FDataSet) FDataSet->EnableControls();
  }
  TDisableControlsGuard(const TDisableControlsGuard&) = delete;
  TDisableControlsGuard& operator=(const TDisableControlsGuard&) = delete;

 private:
  TDataSet* FDataSet;
};

// Holds a group of writes for a scope (TDataSet::BeginWriteGroup). End
// closes it where a failure to keep the writes is to be reported; a group
// left open when the scope ends, by an exception or otherwise, is closed
// quietly, keeping what was written.
class TWriteGroupGuard {
 public:
  explicit TWriteGroupGuard(TDataSet* DataSet) : FDataSet(DataSet) {
    if (FDataSet) FDataSet->BeginWriteGroup();
  }
  ~TWriteGroupGuard();
  void End();
  TWriteGroupGuard(const TWriteGroupGuard&) = delete;
  TWriteGroupGuard& operator=(const TWriteGroupGuard&) = delete;

 private:
  TDataSet* FDataSet;
};

}  // namespace kvp
