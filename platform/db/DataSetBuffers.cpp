// The record-buffer window of TDataSet: fetching next and prior records at the
// edges, Resync, resizing the window for the links, navigation (First, Last,
// MoveBy) with the Bof/Eof rules, and the window's self-check.
//
// Index
//   [SECTION] Fetching      Fetch, StepCursor, GetNextRecord, GetPriorRecord, ClearBuffers
//   [SECTION] Window size   UpdateBufferCount, SetBufListSize, ShiftLinks
//   [SECTION] Resync        Resync, UpdateCursorPos
//   [SECTION] Navigation    First, Last, MoveBy, SetRecNo, GotoBookmark
//   [SECTION] Self-check    CheckConsistency

#include <algorithm>

#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Fetching

TGetResult TDataSet::Fetch(TRecordBuffer& Buffer, TGetMode Mode) {
  InitBufferShape(Buffer);
  TGetResult Result = GetRecord(Buffer, Mode);
  if (Result == grOK) {
    Buffer.Flag = bfCurrent;
    CalculateFields(Buffer);
  }
  return Result;
}

TGetResult TDataSet::StepCursor(Integer& Cursor, Integer Count, TGetMode Mode) {
  switch (Mode) {
    case gmNext:
      if (Cursor < Count) ++Cursor;
      return Cursor >= Count ? grEOF : grOK;
    case gmPrior:
      if (Cursor >= 0) --Cursor;
      return Cursor < 0 ? grBOF : grOK;
    case gmCurrent:
      return Cursor < 0 || Cursor >= Count ? grError : grOK;
  }
  return grError;
}

void TDataSet::ClearBuffers() {
  FRecordCount = 0;
  FActiveRecord = 0;
  FCurrentRecord = -1;
}

// Fetches the record after the last buffered one. Below a full window it is
// appended; in a full window the buffers rotate up and the top one drops out.
bool TDataSet::GetNextRecord() {
  if (FRecordCount > 0 && FCurrentRecord != FRecordCount - 1) {
    InternalSetToRecord(FBuffers[FRecordCount - 1]);
    FCurrentRecord = FRecordCount - 1;
  }
  const Integer B = GetBufferCount();
  if (Fetch(FBuffers[FRecordCount], gmNext) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (FRecordCount < B) {
    ++FRecordCount;
  } else {
    std::rotate(FBuffers.begin(), FBuffers.begin() + 1, FBuffers.begin() + B + 1);
  }
  FCurrentRecord = FRecordCount - 1;
  return true;
}

// Fetches the record before the first buffered one into buffer 0, moving the
// others down; in a full window the bottom one drops out. The caller adjusts
// the active record.
bool TDataSet::GetPriorRecord() {
  if (FRecordCount > 0 && FCurrentRecord != 0) {
    InternalSetToRecord(FBuffers[0]);
    FCurrentRecord = 0;
  }
  const Integer B = GetBufferCount();
  if (Fetch(FBuffers[FRecordCount], gmPrior) != grOK) {
    CursorPosChanged();
    return false;
  }
  std::rotate(FBuffers.begin(), FBuffers.begin() + FRecordCount,
              FBuffers.begin() + FRecordCount + 1);
  if (FRecordCount < B) ++FRecordCount;
  FCurrentRecord = 0;
  return true;
}

void TDataSet::GetNextRecords() {
  while (FRecordCount < GetBufferCount() && GetNextRecord()) {
  }
}

void TDataSet::GetPriorRecords() {
  while (FRecordCount < GetBufferCount() && GetPriorRecord()) {
    if (FRecordCount > 1) ++FActiveRecord;
  }
}

// [SECTION] Window size

// B is the largest buffer count of any link of any attached source (at least 1).
void TDataSet::UpdateBufferCount() {
  Integer Wanted = 1;
  for (TDataSource* Source : FDataSources)
    for (TDataLink* Link : Source->FDataLinks) Wanted = std::max(Wanted, Link->FBufferCount);
  if (Wanted != GetBufferCount()) SetBufListSize(Wanted);
}

Integer TDataSet::SmallestLinkFirst() const {
  Integer Result = FActiveRecord;
  for (TDataSource* Source : FDataSources)
    for (TDataLink* Link : Source->FDataLinks)
      if (Link->FActive) Result = std::min(Result, Link->FFirstRecord);
  return Result;
}

void TDataSet::ShiftLinks(Integer Delta) {
  for (TDataSource* Source : FDataSources)
    for (TDataLink* Link : Source->FDataLinks)
      if (Link->FActive) Link->FFirstRecord = std::max(0, Link->FFirstRecord + Delta);
}

// Growing fetches more records below, then above the window (each one above
// moves the active record and the links' windows down one); shrinking drops
// buffers from the top (never the active one or a link's first) and then from
// the bottom.
void TDataSet::SetBufListSize(Integer Value) {
  const Integer Old = GetBufferCount();
  if (Value == Old) return;
  if (Value < Old && FRecordCount > Value) {
    Integer Top = std::min(FRecordCount - Value, SmallestLinkFirst());
    if (Top > 0) {
      FBuffers.erase(FBuffers.begin(), FBuffers.begin() + Top);
      FRecordCount -= Top;
      FActiveRecord -= Top;
      ShiftLinks(-Top);
    }
    FRecordCount = std::min(FRecordCount, Value);
    FActiveRecord = std::min(FActiveRecord, FRecordCount - 1);
  }
  FBuffers.resize(Value + 1);
  for (TRecordBuffer& Buffer : FBuffers) InitBufferShape(Buffer);
  CursorPosChanged();
  if (Value > Old && GetActive() && FRecordCount > 0 && FState != dsInsert) {
    GetNextRecords();
    while (FRecordCount < Value && GetPriorRecord()) {
      ++FActiveRecord;
      ShiftLinks(1);
    }
  }
}

// [SECTION] Resync

void TDataSet::UpdateCursorPos() {
  if (FRecordCount > 0 && FCurrentRecord != FActiveRecord) {
    InternalSetToRecord(FBuffers[FActiveRecord]);
    FCurrentRecord = FActiveRecord;
  }
}

// Re-reads the window around the record under the cursor: that record (or,
// unless Exact, the next or the prior one) goes to the centre when Center, else
// to the old active index, with neighbours filled around it as records allow.
void TDataSet::Resync(bool Exact, bool Center) {
  // [Phase 1] The record under the cursor, or a neighbour.
  TRecordBuffer& Scratch = FBuffers[GetBufferCount()];
  bool Found = Fetch(Scratch, gmCurrent) == grOK;
  if (!Found && Exact) DatabaseError("Record not found", this);
  if (!Found) Found = Fetch(Scratch, gmNext) == grOK;
  if (!Found) Found = Fetch(Scratch, gmPrior) == grOK;
  const Integer Keep = Center ? (GetBufferCount() - 1) / 2 : FActiveRecord;
  if (!Found) {
    ClearBuffers();
    FBOF = FEOF = true;
    DataEvent(deDataSetChange, 0);
    return;
  }
  // [Phase 2] It alone in buffer 0, then neighbours above and below.
  std::swap(FBuffers[0], Scratch);
  FRecordCount = 1;
  FActiveRecord = 0;
  FCurrentRecord = 0;
  FBOF = FEOF = false;
  while (FActiveRecord < Keep && GetPriorRecord()) ++FActiveRecord;
  GetNextRecords();
  GetPriorRecords();
  DataEvent(deDataSetChange, 0);
}

// [SECTION] Navigation

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  InternalFirst();
  GetNextRecords();
  FBOF = true;
  FEOF = FRecordCount == 0;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  InternalLast();
  GetPriorRecords();
  FActiveRecord = std::max(0, FRecordCount - 1);
  FEOF = true;
  FBOF = FRecordCount == 0;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

Integer TDataSet::MoveBy(Integer Distance) {
  CheckBrowseMode();
  DoBeforeScroll();
  if (Distance == 0 || (Distance > 0 && FEOF) || (Distance < 0 && FBOF)) return 0;
  FBOF = FEOF = false;
  Integer Moved = 0;
  Integer Shift = 0;  // how far the buffer contents moved, in buffer indexes
  if (Distance > 0) {
    while (Moved < Distance) {
      if (FActiveRecord < FRecordCount - 1) {
        ++FActiveRecord;
      } else {
        const bool Full = FRecordCount == GetBufferCount();
        if (!GetNextRecord()) {
          FEOF = true;
          break;
        }
        if (Full) --Shift;
        FActiveRecord = FRecordCount - 1;
      }
      ++Moved;
    }
  } else {
    while (Moved > Distance) {
      if (FActiveRecord > 0) {
        --FActiveRecord;
      } else {
        if (!GetPriorRecord()) {
          FBOF = true;
          break;
        }
        ++Shift;
      }
      --Moved;
    }
  }
  DataEvent(deDataSetScroll, Shift);
  DoAfterScroll();
  return Moved;
}

Integer TDataSet::GetRecNo() {
  TRecordBuffer* Buffer = GetActiveBuffer();
  if (!Buffer) return 0;
  return Buffer->RecNo;
}

// A number outside 1..RecordCount names no record and raises.
void TDataSet::SetRecNo(Integer Value) {
  CheckBrowseMode();
  if (FRecordCount > 0 && Value == GetRecNo()) return;
  if (Value < 1 || Value > GetRecordCount()) DatabaseError("Record not found", this);
  DoBeforeScroll();
  InternalSetRecNo(Value);
  CursorPosChanged();
  Resync(true, true);
  DoAfterScroll();
}

void TDataSet::GotoBookmark(const TBookmark& Bookmark) {
  if (Bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  if (!InternalGotoBookmark(Bookmark)) {
    CursorPosChanged();
    DatabaseError("Record not found", this);
  }
  CursorPosChanged();
  Resync(true, true);
  DoAfterScroll();
}

// [SECTION] Self-check

void TDataSet::CheckConsistency() const {
  const Integer B = GetBufferCount();
  KV_ASSERT(B >= 1, "the window has at least one buffer");
  KV_ASSERT(FRecordCount >= 0 && FRecordCount <= B, "filled buffers within the window");
  if (FRecordCount == 0) {
    KV_ASSERT(FActiveRecord == 0, "an empty window has active record 0");
  } else {
    KV_ASSERT(FActiveRecord >= 0 && FActiveRecord < FRecordCount,
              "the active record is a filled buffer");
  }
  KV_ASSERT(FCurrentRecord >= -1 && FCurrentRecord < std::max(FRecordCount, 1),
            "the cursor's buffer is filled or unknown");
  if (GetActive() && FRecordCount > 0 && FState != dsInsert && FState != dsSetKey) {
    for (Integer I = 1; I < FRecordCount; ++I) {
      KV_ASSERT(FBuffers[I].Bookmark != FBuffers[I - 1].Bookmark,
                "each buffer holds a different record");
      if (FBuffers[I].RecNo > 0 && FBuffers[I - 1].RecNo > 0)
        KV_ASSERT(FBuffers[I].RecNo == FBuffers[I - 1].RecNo + 1,
                  "buffers hold consecutive records");
    }
  }
  Integer Largest = 0;
  for (TDataSource* Source : FDataSources) {
    for (TDataLink* Link : Source->FDataLinks) {
      Largest = std::max(Largest, Link->FBufferCount);
      if (!Link->FActive) continue;
      const Integer F = Link->FFirstRecord;
      KV_ASSERT(F >= 0 && F <= FActiveRecord, "a link's window starts at or above the record");
      KV_ASSERT(FActiveRecord <= F + Link->FBufferCount - 1, "a link's window holds the record");
      KV_ASSERT(F + Link->FBufferCount <= B || F == 0, "a link's window lies in the buffers");
    }
  }
  if (GetActive())
    KV_ASSERT(B == std::max(1, Largest), "the window is as large as the largest link");
  for (TDataSource* Source : FDataSources)
    for (TDataLink* Link : Source->FDataLinks)
      if (Link->FActive && Link->FBufferCount == Largest)
        KV_ASSERT(Link->FFirstRecord == 0, "the largest link's window starts at buffer 0");
}

}  // namespace kvp
