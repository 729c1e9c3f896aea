// Editing in TDataSet: Edit, Insert, Append, Post, Cancel, Delete, the implicit
// post of CheckBrowseMode, UpdateRecord and Refresh, each sending its data
// events and firing its Before/After events in the order controls rely on.

#include <algorithm>

#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"

namespace kvp {

namespace {

bool IsEditing(TDataSetState State) { return State == dsEdit || State == dsInsert; }

}  // namespace

// Runs Body; when it raises a database error and Handler is set, the handler
// decides: fail (the error goes on), abort (silently) or retry.
void TDataSet::RunWithErrorHandler(const TDataSetErrorEvent& Handler, void (TDataSet::*Body)()) {
  for (;;) {
    try {
      (this->*Body)();
      return;
    } catch (EDatabaseError& E) {
      if (!Handler) throw;
      TDataAction Action = daFail;
      Handler(this, E, Action);
      if (Action == daFail) throw;
      if (Action == daAbort) Abort();
    }
  }
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (!ControlsDisabled()) DataEvent(deCheckBrowseMode, 0);
  switch (FState) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (FModified)
        Post();
      else
        Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::UpdateRecord() {
  if (!IsEditing(FState) && FState != dsSetKey)
    DatabaseError("Dataset not in edit or insert mode", this);
  DataEvent(deUpdateRecord, 0);
}

// [SECTION] Edit

void TDataSet::Edit() {
  if (IsEditing(FState)) return;
  if (FRecordCount == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  Fire(BeforeEdit);
  ReadAllValues(Buffer(FActiveRecord));  // the old values are the record as it was
  RunWithErrorHandler(OnEditError, &TDataSet::EditBody);
  FOldValues = Buffer(FActiveRecord);
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  Fire(AfterEdit);
}

void TDataSet::EditBody() {
  UpdateCursorPos();
  InternalEdit();
}

// [SECTION] Insert and Append

void TDataSet::Insert() { InsertOrAppend(false); }
void TDataSet::Append() { InsertOrAppend(true); }

void TDataSet::InsertOrAppend(bool AppendAtEnd) {
  // [Phase 1] Leave any edit, ask permission, announce the move.
  CheckBrowseMode();
  if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  Fire(BeforeInsert);
  DoBeforeScroll();
  // [Phase 2] Make room for the new buffer.
  FInsertAppend = AppendAtEnd || FRecordCount == 0;
  FInsertBefore.clear();
  const Integer B = GetBufferCount();
  if (AppendAtEnd) {
    ClearBuffers();
    InternalLast();
    while (FRecordCount < B - 1 && GetPriorRecord()) {
    }
    FActiveRecord = FRecordCount;
    ++FRecordCount;
    FBOF = false;
    FEOF = true;
  } else if (FRecordCount == 0) {
    FRecordCount = 1;
    FActiveRecord = 0;
  } else {
    FInsertBefore = Buffer(FActiveRecord).Bookmark;
    std::rotate(FBuffers.begin() + FActiveRecord, FBuffers.begin() + FRecordCount,
                FBuffers.begin() + FRecordCount + 1);
    if (FRecordCount < B) ++FRecordCount;
  }
  CursorPosChanged();
  // [Phase 3] The new record, the state, the defaults, the notifications.
  TRecordBuffer& New = Buffer(FActiveRecord);
  InternalInitRecord(New);
  New.Flag = bfInserted;
  New.Bookmark.clear();
  New.RecNo = -1;
  FOldValues = New;
  SetState(dsInsert);
  CalculateFields(New);
  if (OnNewRecord) OnNewRecord(this);
  FModified = false;
  DataEvent(deDataSetChange, 0);
  Fire(AfterInsert);
  DoAfterScroll();
}

// [SECTION] Post

void TDataSet::Post() {
  UpdateRecord();
  if (!IsEditing(FState)) {
    if (FState == dsSetKey) SetState(dsBrowse);
    return;
  }
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforePost);
  CheckRequiredFields();
  RunWithErrorHandler(OnPostError, &TDataSet::PostBody);
  SetState(dsBrowse);
  Resync(false, false);
  Fire(AfterPost);
}

void TDataSet::PostBody() {
  if (FState == dsEdit) UpdateCursorPos();
  InternalPost();
  CursorPosChanged();
}

// The first required, writable, empty data field takes the focus and stops the post.
void TDataSet::CheckRequiredFields() {
  for (TField* Field : *FFields) {
    if (Field->FFieldKind != fkData || !Field->FRequired || Field->FReadOnly) continue;
    if (!Field->IsNull()) continue;
    Field->FocusControl();
    DatabaseError(DBMessage("Field '%s' must have a value", {Field->GetDisplayName()}), this);
  }
}

// [SECTION] Cancel

void TDataSet::Cancel() {
  if (!IsEditing(FState) && FState != dsSetKey) return;
  const bool WasInsert = FState == dsInsert;
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforeCancel);
  if (WasInsert) DoBeforeScroll();
  InternalCancel();
  // [Phase 1] Put the cursor where the window should be rebuilt from: the
  // record the new one was inserted at, else the end or the start.
  if (WasInsert) {
    const bool Back = !FInsertBefore.empty() && InternalGotoBookmark(FInsertBefore);
    if (!Back) {
      if (FInsertAppend)
        InternalLast();
      else
        InternalFirst();
    }
    CursorPosChanged();
  } else {
    UpdateCursorPos();
  }
  // [Phase 2] Back to browsing with the stored records.
  SetState(dsBrowse);
  Resync(false, false);
  Fire(AfterCancel);
  if (WasInsert) DoAfterScroll();
}

// [SECTION] Delete

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert || FState == dsSetKey) {
    Cancel();
    return;
  }
  if (FRecordCount == 0) DatabaseError("Cannot perform this operation on an empty dataset", this);
  if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforeDelete);
  DoBeforeScroll();
  RunWithErrorHandler(OnDeleteError, &TDataSet::DeleteBody);
  if (FState == dsEdit)
    SetState(dsBrowse);
  else
    FModified = false;
  Resync(false, false);
  Fire(AfterDelete);
  DoAfterScroll();
}

void TDataSet::DeleteBody() {
  UpdateCursorPos();
  InternalDelete();
  CursorPosChanged();
}

// [SECTION] Refresh

void TDataSet::Refresh() {
  Fire(BeforeRefresh);
  CheckBrowseMode();
  if (FRecordCount > 0) {
    UpdateCursorPos();
  } else {
    InternalFirst();
    CursorPosChanged();
  }
  InternalRefresh();
  Resync(false, false);
  Fire(AfterRefresh);
}

void TDataSet::SetFields(std::initializer_list<Variant> Values) {
  Integer I = 0;
  for (const Variant& Value : Values) {
    if (I >= FFields->GetCount()) break;
    TField* Field = FFields->GetField(I++);
    if (!VarIsEmpty(Value)) Field->SetValue(Value);
  }
}

void TDataSet::AppendRecord(std::initializer_list<Variant> Values) {
  Append();
  SetFields(Values);
  Post();
}

}  // namespace kvp
