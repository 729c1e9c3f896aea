// The record-buffer window of TDataSet: fetching next and prior records at the
// edges, Resync, resizing the window for the links, navigation (First, Last,
// MoveBy) with the Bof/Eof rules, and the window's self-check.
//
// Index
//   [SECTION] Fetching      Fetch, StepCursor, GetNextRecord, GetPriorRecord, ClearBuffers
//   [SECTION] Window size   UpdateBufferCount, SetBufListSize, ShiftLinks, ClampLinks
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
  if (Integer(Buffer.Data.size()) != FFieldDefs->GetCount() ||
      Integer(Buffer.Calc.size()) != FCalcFieldCount)
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

std::vector<std::unique_ptr<TRecordBuffer>> TDataSet::MakeBuffers(Integer Count) {
  std::vector<std::unique_ptr<TRecordBuffer>> Result(static_cast<std::size_t>(Count));
  for (auto& Each : Result) Each = std::make_unique<TRecordBuffer>();
  return Result;
}

// The pool and the window always hold the same buffers: shrinking frees those
// past the new end, growing makes new ones for the end.
void TDataSet::ResizeBuffers(Integer Count) {
  const auto Size = std::size_t(Count) + 1;
  if (Size < FBuffers.size()) {
    FBuffers.resize(Size);
    auto Kept = [this](const std::unique_ptr<TRecordBuffer>& Each) {
      return std::find(FBuffers.begin(), FBuffers.end(), Each.get()) != FBuffers.end();
    };
    FBufferPool.erase(std::stable_partition(FBufferPool.begin(), FBufferPool.end(), Kept),
                      FBufferPool.end());
  }
  while (FBufferPool.size() < Size) FBufferPool.push_back(std::make_unique<TRecordBuffer>());
  while (FBuffers.size() < Size) FBuffers.push_back(FBufferPool[FBuffers.size()].get());
  for (TRecordBuffer* Each : FBuffers) InitBufferShape(*Each);
}

void TDataSet::RenumberRecords(Integer Delta) {
  for (Integer I = 0; I < FRecordCount; ++I)
    if (Buffer(I).RecNo > 0) Buffer(I).RecNo += Delta;
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
    InternalSetToRecord(Buffer(FRecordCount - 1));
    FCurrentRecord = FRecordCount - 1;
  }
  const Integer B = GetBufferCount();
  if (Fetch(Buffer(FRecordCount), gmNext) != grOK) {
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
    InternalSetToRecord(Buffer(0));
    FCurrentRecord = 0;
  }
  const Integer B = GetBufferCount();
  if (Fetch(Buffer(FRecordCount), gmPrior) != grOK) {
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

// A smaller link whose window would now reach past the last buffer moves up
// to end there; it still holds the active record, which is in the buffers.
void TDataSet::ClampLinks(Integer Buffers) {
  for (TDataSource* Source : FDataSources)
    for (TDataLink* Link : Source->FDataLinks)
      if (Link->FActive)
        Link->FFirstRecord =
            std::max(0, std::min(Link->FFirstRecord, Buffers - Link->FBufferCount));
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
      std::rotate(FBuffers.begin(), FBuffers.begin() + Top, FBuffers.end());
      FRecordCount -= Top;
      FActiveRecord -= Top;
      ShiftLinks(-Top);
    }
    FRecordCount = std::min(FRecordCount, Value);
    FActiveRecord = std::min(FActiveRecord, FRecordCount - 1);
  }
  if (Value < Old) ClampLinks(Value);
  ResizeBuffers(Value);
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
    InternalSetToRecord(Buffer(FActiveRecord));
    FCurrentRecord = FActiveRecord;
  }
}

// Re-reads the window around the record under the cursor: that record (or,
// unless Exact, the next or the prior one) goes to the centre when Center, else
// to the old active index, with neighbours filled around it as records allow.
void TDataSet::Resync(bool Exact, bool Center) {
  // [Phase 1] The record under the cursor, or a neighbour.
  TRecordBuffer& Scratch = Buffer(GetBufferCount());
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
  std::swap(FBuffers.front(), FBuffers.back());
  FRecordCount = 1;
  FActiveRecord = 0;
  FCurrentRecord = 0;
  FBOF = FEOF = false;
  while (FActiveRecord < Keep && GetPriorRecord()) ++FActiveRecord;
  GetNextRecords();
  GetPriorRecords();
  DataEvent(deDataSetChange, 0);
}

void TDataSet::ResyncView() {
  CursorPosChanged();
  Resync(false, false);
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
  if (!ControlsDisabled()) DataEvent(deDataSetScroll, Shift);
  DoAfterScroll();
  return Moved;
}

Integer TDataSet::GetRecNo() {
  TRecordBuffer* Buffer = ReadingBuffer();
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
  // [Phase 1] The buffers themselves.
  const Integer B = GetBufferCount();
  KV_ASSERT(B >= 1, "the window has at least one buffer");
  for (std::size_t I = 0; I < FBuffers.size(); ++I) {
    KV_ASSERT(FBuffers[I], "every buffer exists");
    KV_ASSERT(FBufferPool.size() == FBuffers.size() &&
                  std::any_of(FBufferPool.begin(), FBufferPool.end(),
                              [&](const auto& Owned) { return Owned.get() == FBuffers[I]; }),
              "the window's buffers are the pool's");
    for (std::size_t J = 0; J < I; ++J)
      KV_ASSERT(FBuffers[I] != FBuffers[J], "no buffer is in the window twice");
    if (GetActive()) {
      KV_ASSERT(Integer(FBuffers[I]->Data.size()) == FFieldDefs->GetCount(),
                "every buffer has a value per field definition");
      KV_ASSERT(Integer(FBuffers[I]->Calc.size()) == FCalcFieldCount,
                "every buffer has a slot per calculated field");
    }
  }
  // [Phase 2] The filled ones, the cursor and the flags.
  KV_ASSERT(FRecordCount >= 0 && FRecordCount <= B, "filled buffers within the window");
  if (FRecordCount == 0) {
    KV_ASSERT(FActiveRecord == 0, "an empty window has active record 0");
  } else {
    KV_ASSERT(FActiveRecord >= 0 && FActiveRecord < FRecordCount,
              "the active record is a filled buffer");
  }
  KV_ASSERT(FCurrentRecord >= -1 && FCurrentRecord < std::max(FRecordCount, 1),
            "the cursor's buffer is filled or unknown");
  if (FState == dsBrowse)
    KV_ASSERT((FRecordCount == 0) == (FBOF && FEOF),
              "while browsing, Bof and Eof are both set exactly when there is no record");
  // [Phase 3] The records they hold.
  if (GetActive() && FState != dsSetKey) {
    Integer Inserted = 0;
    for (Integer I = 0; I < FRecordCount; ++I) {
      const TRecordBuffer& This = Buffer(I);
      if (This.Flag == bfInserted) {
        ++Inserted;
        KV_ASSERT(I == FActiveRecord && This.Bookmark.empty(),
                  "the record being inserted is the active one and has no bookmark");
        continue;
      }
      KV_ASSERT(This.Flag == bfCurrent, "a filled buffer holds a stored record");
      for (Integer J = I - 1; J >= 0; --J) {
        const TRecordBuffer& Above = Buffer(J);
        if (Above.Flag == bfInserted) continue;
        KV_ASSERT(This.Bookmark != Above.Bookmark, "each buffer holds a different record");
        if (This.RecNo > 0 && Above.RecNo > 0)
          KV_ASSERT(This.RecNo == Above.RecNo + 1, "buffers hold consecutive records");
        break;
      }
    }
    KV_ASSERT(Inserted == (FState == dsInsert ? 1 : 0),
              "exactly the insert state has a record being inserted");
  }
  // [Phase 4] The links' windows.
  Integer Largest = 0;
  for (TDataSource* Source : FDataSources) {
    for (TDataLink* Link : Source->FDataLinks) {
      Largest = std::max(Largest, Link->FBufferCount);
      if (!Link->FActive) continue;
      const Integer F = Link->FFirstRecord;
      KV_ASSERT(F >= 0, "a link's window starts in the buffers");
      KV_ASSERT(F + Link->FBufferCount <= B, "a link's window lies in the buffers");
      if (ControlsDisabled()) continue;  // links follow the record when they hear of it
      KV_ASSERT(F <= FActiveRecord, "a link's window starts at or above the record");
      KV_ASSERT(FActiveRecord <= F + Link->FBufferCount - 1, "a link's window holds the record");
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
