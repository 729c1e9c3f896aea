// The aggregate engine: aggregates and their collection, attaching to a
// dataset's events and detaching again, the full pass, the differences
// applied by the dataset's handlers, and record positions kept in a bookmark
// list for datasets that are not sequenced.
//
// Index:
//   [SECTION] Amounts            RoundRaw, Share
//   [SECTION] Aggregates         TDBSum, TDBSumCollection
//   [SECTION] Lifetime           Construct, Destroy, Assign, the dataset watch
//   [SECTION] Attaching          SetDataSet, Activate, Deactivate, SetDataSetEvents, ReturnDataSetEvents
//   [SECTION] Full pass          RecalcAll, ClearSumValues
//   [SECTION] Dataset handlers   DataSetAfter*, DataSetBeforeDelete, MasterDataSetAfterScroll
//   [SECTION] Record positions   IsSequenced, RecordCount, GetRecNo, SetRecNo, FindBookmarkIndex
#include "grid/DBSumLst.h"

#include <cmath>
#include <limits>

#include "base/KorvelVCL.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

// [SECTION] Amounts

namespace {

// An amount that does not fit raises, as currency arithmetic does.
Int64 RoundRawChecked(Extended X) {
  if (!std::isfinite(X) || X >= 9223372036854775807.0L || X < -9223372036854775808.0L)
    throw EOverflow("Floating point overflow");
  return std::llrint(X);  // the default rounding: to nearest, ties to even
}

// An amount in ten-thousandths rounded half to even, as currency stores it.
inline Int64 RoundRaw(Extended X) {
#if defined(__GNUC__) && defined(__x86_64__)
  // The x87 store rounds as llrint does (to nearest, ties to even) and gives
  // the lowest integer for anything that does not fit: the full pass takes
  // one of these per record and aggregate.
  Int64 Rounded;
  __asm__("fistpll %0" : "=m"(Rounded) : "t"(X) : "st");
  if (Rounded != std::numeric_limits<Int64>::min()) return Rounded;
#endif
  return RoundRawChecked(X);
}

// A field's value in ten-thousandths, in extended precision.
Extended Share(TField* Field) { return Extended(Field->GetAsFloat()) * 10000.0L; }

// The share of a value that is not null.
bool ReadShare(TField* Field, Extended& Result) {
  if (Field->IsNull()) return false;
  Result = Extended(Field->GetAsFloat()) * 10000.0L;
  return true;
}

Currency Raw(Int64 Value) { return Currency::FromRaw(Value); }

constexpr Int64 OneRecord = 10000;  // a count of one

// The dataset event properties the producer takes over, by slot; the last
// slot is the master's AfterScroll.
enum TSlot : int {
  slCancel,
  slClose,
  slEdit,
  slInsert,
  slOpen,
  slPost,
  slScroll,
  slDelete,
  slRefresh,
  slMaster
};
TDataSetNotifyEvent TDataSet::*const Slots[] = {
    &TDataSet::AfterCancel,  &TDataSet::AfterClose, &TDataSet::AfterEdit,   &TDataSet::AfterInsert,
    &TDataSet::AfterOpen,    &TDataSet::AfterPost,  &TDataSet::AfterScroll, &TDataSet::BeforeDelete,
    &TDataSet::AfterRefresh, &TDataSet::AfterScroll};
constexpr int MasterSlot = slMaster;

// Every attached producer, so that one that detaches can hand its saved
// handlers to a producer that chained behind it.
std::vector<TDBSumListProducer*>& Attached() {
  static std::vector<TDBSumListProducer*> List;
  return List;
}

}  // namespace

// [SECTION] Aggregates

void TDBSum::KvPublish(TPublisher<TDBSum>& P) {
  P.Prop("FieldName", &TDBSum::GetFieldName, &TDBSum::SetFieldName);
  P.Prop("GroupOperation", &TDBSum::GetGroupOperation, &TDBSum::SetGroupOperation)
      .Default(goSum);
}

void TDBSum::SetFieldName(const String& Value) {
  if (FFieldName == Value) return;
  FFieldName = Value;
  Changed(false);
}

void TDBSum::SetGroupOperation(TGroupOperation Value) {
  if (FGroupOperation == Value) return;
  FGroupOperation = Value;
  Changed(false);
}

void TDBSum::Assign(TPersistent* Source) {
  auto* S = DynCast<TDBSum>(Source);
  if (!S) return inherited::Assign(Source);
  SetGroupOperation(S->FGroupOperation);
  SetFieldName(S->FFieldName);
  FOldValue = S->FOldValue;
  FValue = S->FValue;
}

TDBSum* TDBSumCollection::FindSum(TGroupOperation Operation, const String& FieldName) const {
  for (Integer I = 0; I < GetCount(); ++I) {
    TDBSum* Sum = GetItem(I);
    if (Sum->GetGroupOperation() == Operation && AnsiCompareText(Sum->GetFieldName(), FieldName) == 0)
      return Sum;
  }
  return nullptr;
}

TPersistent* TDBSumCollection::GetOwner() { return FProducer; }

void TDBSumCollection::Update(TCollectionItem*) {
  if (!FProducer) return;
  TComponent* Owner = FProducer->GetOwnerComponent();
  if (Owner && (Owner->GetComponentState().Contains(csLoading) ||
                Owner->GetComponentState().Contains(csDestroying)))
    return;
  FProducer->RecalcAll();
}

// [SECTION] Lifetime

// TWatch: hears when the dataset or its master is freed, so that the
// producer never writes into a freed dataset.
class TDBSumListProducer::TWatch : public TComponent {
  KV_CLASS(TWatch, TComponent)
 public:
  explicit TWatch(TComponent* AOwner) : TComponent(AOwner) {}
  TDBSumListProducer* Producer = nullptr;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && Producer) Producer->Watched(AComponent);
  }
};

void TDBSumListProducer::Construct() {
  inherited::Construct();
  FDesignTimeWork = false;
  FSumCollection = TDBSumCollection::Create(this);
  FWatch = TWatch::Create(nullptr);
  FWatch->Producer = this;
  FActive = true;
}

// A producer that goes away gives the dataset's handlers back whatever its
// owner is doing: a dataset must never call into a freed producer.
void TDBSumListProducer::Destroy() {
  FActive = false;
  if (FSumCollection) ReturnDataSetEvents();
  if (FWatch) FWatch->Producer = nullptr;
  FreeAndNil(FWatch);
  FBookmarks.clear();
  FreeAndNil(FSumCollection);
  inherited::Destroy();
}

void TDBSumListProducer::Assign(TPersistent* Source) {
  auto* S = DynCast<TDBSumListProducer>(Source);
  if (!S) return inherited::Assign(Source);
  SetActive(S->FActive);
  SetDataSet(S->FDataSet);
  SetExternalRecalc(S->FExternalRecalc);
  FSumCollection->Assign(S->FSumCollection);
  SumListChanged = S->SumListChanged;
  SetVirtualRecords(S->FVirtualRecords);
  OnAfterRecalcAll = S->OnAfterRecalcAll;
  OnRecalcAll = S->OnRecalcAll;
}

bool TDBSumListProducer::OwnerLoading() const {
  return FOwner && FOwner->GetComponentState().Contains(csLoading);
}
bool TDBSumListProducer::OwnerDesigning() const {
  return FOwner && FOwner->GetComponentState().Contains(csDesigning);
}
bool TDBSumListProducer::OwnerDestroying() const {
  return FOwner && FOwner->GetComponentState().Contains(csDestroying);
}

void TDBSumListProducer::Watched(TComponent* Component) {
  if (Component == FDataSet) {
    // A dataset being freed is let go with its handlers given back.
    ReturnDataSetEvents();
    FDataSet = nullptr;
    return;
  }
  if (Component == FMasterDataSet) {
    // The master's handler is gone with it; whoever chained behind this
    // producer on the master takes over what it had saved.
    for (TDBSumListProducer* Other : Attached())
      if (Other != this && Other->FMasterDataSet == Component &&
          Other->FSaved[MasterSlot] == OwnHandler(MasterSlot))
        Other->FSaved[MasterSlot] = FSaved[MasterSlot];
    FSaved[MasterSlot] = nullptr;
    FMasterDataSet = nullptr;
  }
}

// [SECTION] Attaching

TDataSetNotifyEvent TDBSumListProducer::OwnHandler(int Slot) {
  switch (Slot) {
    case slCancel:
      return TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterCancel);
    case slClose:
      return TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterClose);
    case slEdit:
      return TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterEdit);
    case slInsert:
      return TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterInsert);
    case slOpen:
      return TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterOpen);
    case slPost:
      return TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterPost);
    case slScroll:
      return TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterScroll);
    case slDelete:
      return TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetBeforeDelete);
    case slRefresh:
      return TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterRefresh);
    default: return TDataSetNotifyEvent(this, &TDBSumListProducer::MasterDataSetAfterScroll);
  }
}

void TDBSumListProducer::CallSaved(int Slot, TDataSet* DataSet) const {
  if (FSaved[Slot]) FSaved[Slot](DataSet);
}

void TDBSumListProducer::SetDataSet(TDataSet* Value) {
  if (Value == FDataSet) {
    if (Value && Value->GetComponentState().Contains(csDestroying)) Watched(Value);
    return;
  }
  if (Dormant()) {
    if (FDataSet) FDataSet->RemoveFreeNotification(FWatch);
    FDataSet = Value;
    if (FDataSet) FDataSet->FreeNotification(FWatch);
    return;
  }
  const bool WasActive = FActive;
  Deactivate(true);
  if (FDataSet) FDataSet->RemoveFreeNotification(FWatch);
  FDataSet = Value;
  if (FDataSet) FDataSet->FreeNotification(FWatch);
  if (WasActive) Activate(true);
}

void TDBSumListProducer::SetActive(bool Value) {
  if (FActive == Value) return;
  if (Value)
    Activate(true);
  else
    Deactivate(true);
}

void TDBSumListProducer::Loaded() {
  if (FDataSet && FActive) Activate(true);
}

void TDBSumListProducer::Activate(bool Recalc) {
  FActive = true;
  if (Dormant()) return;
  SetDataSetEvents();
  if (Recalc) RecalcAll();
}

void TDBSumListProducer::Deactivate(bool Clear) {
  FActive = false;
  if (Dormant()) return;
  ReturnDataSetEvents();
  if (Clear) ClearSumValues();
}

void TDBSumListProducer::SetExternalRecalc(bool Value) {
  if (FExternalRecalc == Value) return;
  FExternalRecalc = Value;
  RecalcAll();
}

void TDBSumListProducer::SetVirtualRecords(bool Value) {
  if (FVirtualRecords == Value) return;
  FVirtualRecords = Value;
  if (Value) RecalcAll();
}

void TDBSumListProducer::SetDataSetEvents() {
  if (!FDataSet || FHooked) return;
  FMasterDataSet = GetDataSetOfDataSourceProp(FDataSet, GetPropInfo(FDataSet, "MasterSource"));
  if (FMasterDataSet) FMasterDataSet->FreeNotification(FWatch);
  for (int Slot = 0; Slot < SlotCount; ++Slot) {
    TDataSet* Target = Slot == MasterSlot ? FMasterDataSet : FDataSet;
    if (!Target) continue;
    FSaved[Slot] = Target->*Slots[Slot];
    Target->*Slots[Slot] = OwnHandler(Slot);
  }
  FHooked = true;
  Attached().push_back(this);
}

void TDBSumListProducer::ReturnDataSetEvents() {
  if (!FDataSet || !FHooked) return;
  for (int Slot = 0; Slot < SlotCount; ++Slot) {
    TDataSet* Target = Slot == MasterSlot ? FMasterDataSet : FDataSet;
    const TDataSetNotifyEvent Mine = OwnHandler(Slot);
    if (Target && Target->*Slots[Slot] == Mine) {
      Target->*Slots[Slot] = FSaved[Slot];
    } else if (Target) {
      // Someone chained behind this producer: that one now calls what this
      // one called. A handler put there by anything else stays.
      for (TDBSumListProducer* Other : Attached())
        if (Other != this && Other->FSaved[Slot] == Mine) Other->FSaved[Slot] = FSaved[Slot];
    }
    FSaved[Slot] = nullptr;
  }
  if (FMasterDataSet) FMasterDataSet->RemoveFreeNotification(FWatch);
  FMasterDataSet = nullptr;
  FHooked = false;
  std::erase(Attached(), this);
  FBookmarks.clear();
}

// [SECTION] Full pass

void TDBSumListProducer::DoSumListChanged() {
  if (SumListChanged) SumListChanged(this);
}

TField* TDBSumListProducer::FieldOf(TDBSum* Sum) const {
  return Sum->FFieldName.empty() ? nullptr : FDataSet->FieldByName(Sum->FFieldName);
}

bool TDBSumListProducer::DataSetSequenced() const { return FDataSet && FDataSet->IsSequenced(); }

void TDBSumListProducer::ClearSumValues() {
  for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
    TDBSum* Sum = FSumCollection->GetItem(I);
    Sum->FValue = 0;
    Sum->FOldValue = 0;
    Sum->FAvgSum = 0;
    Sum->FAvgCount = 0;
  }
  DoSumListChanged();
}

void TDBSumListProducer::RecalcAll() {
  // [Phase 1] Only an attached producer of an open dataset counts.
  if (!FDesignTimeWork && OwnerDesigning()) return;
  if (OwnerLoading() || !FActive || !FDataSet || !FDataSet->GetActive() || !FHooked) return;
  // The filter state is saved, the guard dropped and the change told on
  // every way out, an exception included.
  auto Finish = [this] {
    if (FDataSet) {
      FSavedFiltered = FDataSet->GetFiltered();
      FSavedFilter = FDataSet->GetFilter();
    }
    FInRecalc = false;
    DoSumListChanged();
  };
  try {
    // [Phase 2] A fresh start.
    ClearSumValues();
    FBookmarkCursor = -1;
    if (OnRecalcAll) OnRecalcAll(this);
    if (!FExternalRecalc) {
      const Integer Count = FSumCollection->GetCount();
      bool Scan = !DataSetSequenced() && FVirtualRecords;
      for (Integer I = 0; I < Count; ++I) Scan = Scan || FSumCollection->GetItem(I)->TakesPart();
      if (Scan) {
        // [Phase 3] One walk over the records with the controls held, so
        // that they are let go again whatever the walk meets.
        TDisableControlsGuard Hold(FDataSet);
        FBookmarks.clear();
        FInRecalc = true;
        std::vector<TDBSum*> Sums;
        std::vector<TField*> Fields;
        for (Integer I = 0; I < Count; ++I) {
          TDBSum* Sum = FSumCollection->GetItem(I);
          if (!Sum->TakesPart()) continue;
          Sums.push_back(Sum);
          Fields.push_back(FieldOf(Sum));
        }
        // Running totals in raw ten-thousandths: the sum (or an average's
        // sum) and an average's count of values.
        std::vector<Int64> Totals(Sums.size(), 0);
        std::vector<Integer> Counts(Sums.size(), 0);
        const bool ListRecords = !DataSetSequenced() && FVirtualRecords;
        FDataSet->First();
        while (!FDataSet->GetEof()) {
          for (std::size_t K = 0; K < Sums.size(); ++K) {
            TField* Field = Fields[K];
            Extended X = 0;
            if (Sums[K]->FGroupOperation == goCount) {
              if (!Field || !Field->IsNull()) Totals[K] += OneRecord;
            } else if (Sums[K]->FGroupOperation == goSum) {
              // A null value reads as 0 and adds nothing: one read a record.
              Totals[K] = RoundRaw(Share(Field) + Totals[K]);
            } else if (ReadShare(Field, X)) {
              Totals[K] = RoundRaw(X + Totals[K]);  // an average counts its null values as 0
              ++Counts[K];
            }
          }
          if (ListRecords) FBookmarks.push_back(FDataSet->GetBookmark());
          FDataSet->Next();
        }
        // [Phase 4] Back to the first record; averages from their sums.
        FDataSet->First();
        for (std::size_t K = 0; K < Sums.size(); ++K) {
          TDBSum* Sum = Sums[K];
          if (Sum->FGroupOperation != goAvg) {
            Sum->FValue = Raw(Totals[K]);
            continue;
          }
          Sum->FAvgSum = Raw(Totals[K]);
          Sum->FAvgCount = Counts[K];
          Sum->FValue = Sum->FAvgCount == 0
                            ? Currency()
                            : Raw(RoundRaw(Extended(Sum->FAvgSum.GetRaw()) / Sum->FAvgCount));
        }
      }
      if (OnAfterRecalcAll) OnAfterRecalcAll(this);
    }
  } catch (...) {
    Finish();
    throw;
  }
  Finish();
}

// [SECTION] Dataset handlers

void TDBSumListProducer::StoreContribution(TDBSum* Sum, TField* Field, bool Inserted) {
  if (Sum->FGroupOperation == goCount) {
    Sum->FOldValue = Inserted || (Field && Field->IsNull()) ? Currency() : Raw(OneRecord);
    return;
  }
  if (Inserted) {
    Sum->FOldValue = 0;
    Sum->FOldVarValue = Null();
    return;
  }
  Sum->FOldValue = Field->IsNull() ? Currency() : Raw(RoundRaw(Share(Field)));
  Sum->FOldVarValue = Field->GetValue();
}

void TDBSumListProducer::ApplyPost(TDBSum* Sum, TField* Field, bool Shown) {
  const Int64 Old = Sum->FOldValue.GetRaw();
  // A record that no longer shows counts as empty, for a count too.
  const bool Empty = !Shown || (Field && Field->IsNull());
  switch (Sum->FGroupOperation) {
    case goSum:
      Sum->FValue = Empty ? Raw(Sum->FValue.GetRaw() - Old)
                          : Raw(RoundRaw(Share(Field) + (Sum->FValue.GetRaw() - Old)));
      break;
    case goAvg:
      if (Empty) {
        if (!VarIsNull(Sum->FOldVarValue)) --Sum->FAvgCount;
        Sum->FAvgSum = Raw(Sum->FAvgSum.GetRaw() - Old);
      } else {
        if (VarIsNull(Sum->FOldVarValue)) ++Sum->FAvgCount;
        Sum->FAvgSum = Raw(RoundRaw(Share(Field) + (Sum->FAvgSum.GetRaw() - Old)));
      }
      Sum->FValue = Sum->FAvgCount == 0
                        ? Currency()
                        : Raw(RoundRaw(Extended(Sum->FAvgSum.GetRaw()) / Sum->FAvgCount));
      break;
    case goCount:
      Sum->FValue =
          Empty ? Raw(Sum->FValue.GetRaw() - Old) : Raw(Sum->FValue.GetRaw() - Old + OneRecord);
      break;
  }
}

// A record deleted while it is being edited still counts with its stored
// values: its share is the one kept when the edit began, not the edit's.
void TDBSumListProducer::ApplyDelete(TDBSum* Sum, TField* Field, bool Editing) {
  switch (Sum->FGroupOperation) {
    case goSum:
      Sum->FValue = Editing ? Raw(Sum->FValue.GetRaw() - Sum->FOldValue.GetRaw())
                            : Raw(RoundRaw(Extended(Sum->FValue.GetRaw()) - Share(Field)));
      break;
    case goAvg: {
      const bool WasNull = Editing ? VarIsNull(Sum->FOldVarValue) : Field->IsNull();
      Sum->FAvgSum = Editing ? Raw(Sum->FAvgSum.GetRaw() - Sum->FOldValue.GetRaw())
                             : Raw(RoundRaw(Extended(Sum->FAvgSum.GetRaw()) - Share(Field)));
      if (!WasNull) --Sum->FAvgCount;
      Sum->FValue = Sum->FAvgCount == 0
                        ? Currency()
                        : Raw(RoundRaw(Extended(Sum->FAvgSum.GetRaw()) / Sum->FAvgCount));
      break;
    }
    case goCount:
      if (Editing)
        Sum->FValue = Raw(Sum->FValue.GetRaw() - Sum->FOldValue.GetRaw());
      else if (!Field || !Field->IsNull())
        Sum->FValue = Raw(Sum->FValue.GetRaw() - OneRecord);
      break;
  }
}

void TDBSumListProducer::DataSetAfterOpen(TDataSet* DataSet) {
  if (FActive) RecalcAll();
  CallSaved(slOpen, DataSet);
}

void TDBSumListProducer::DataSetAfterClose(TDataSet* DataSet) {
  if (FActive) {
    ClearSumValues();
    DoSumListChanged();
    FInRecalc = false;
  }
  FBookmarks.clear();
  FPostCount = -1;
  CallSaved(slClose, DataSet);
}

bool TDBSumListProducer::MayHidePosted() const {
  return FDataSet && (FDataSet->GetFiltered() || FDataSet->GetDataSource() || FMasterDataSet);
}

// Where a filter or a master may hide the record being edited, the record
// count tells after the post whether it still shows: an edited record that
// shows keeps the count, an inserted one raises it.
void TDBSumListProducer::NotePostStart(bool Inserting) {
  FPostInsert = Inserting;
  FPostCount = MayHidePosted() ? FDataSet->GetRecordCount() : -1;
}

// The application's handler runs whether or not the producer is active.
void TDBSumListProducer::DataSetAfterEdit(TDataSet* DataSet) {
  if (FActive)
    for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
      TDBSum* Sum = FSumCollection->GetItem(I);
      if (Sum->TakesPart()) StoreContribution(Sum, FieldOf(Sum), false);
    }
  NotePostStart(false);
  FEditBookmark.clear();
  if (FVirtualRecords && !DataSetSequenced()) FEditBookmark = DataSet->GetBookmark();
  CallSaved(slEdit, DataSet);
}

// A new record joins the bookmark list when it is posted, at its place in
// dataset order; one cancelled never joins it.
void TDBSumListProducer::DataSetAfterInsert(TDataSet* DataSet) {
  for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
    TDBSum* Sum = FSumCollection->GetItem(I);
    if (Sum->TakesPart()) StoreContribution(Sum, nullptr, true);
  }
  NotePostStart(true);
  if (FVirtualRecords && !DataSetSequenced()) FPendingInsert = true;
  CallSaved(slInsert, DataSet);
}

void TDBSumListProducer::DataSetAfterPost(TDataSet* DataSet) {
  // [Phase 1] Does the posted record still show? Without a filter or a
  // master it does, and the dataset stands on it.
  bool Shown = true;
  if (FPostCount >= 0 && MayHidePosted()) {
    const Integer Count = DataSet->GetRecordCount();
    Shown = FPostInsert ? Count > FPostCount : Count >= FPostCount;
  }
  FPostCount = -1;
  // [Phase 2] Its difference. A pass that posts a pending edit with its
  // first move counts the record itself.
  if (FActive && !FInRecalc)
    for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
      TDBSum* Sum = FSumCollection->GetItem(I);
      if (Sum->TakesPart()) ApplyPost(Sum, Shown ? FieldOf(Sum) : nullptr, Shown);
    }
  // [Phase 3] The bookmark list follows.
  if (!DataSetSequenced() && FVirtualRecords && !FInRecalc) {
    if (FPendingInsert && Shown) PlacePendingBookmark();
    if (!Shown && !FEditBookmark.empty()) {
      const Integer Index = FindBookmarkIndex(FEditBookmark);
      if (Index >= 0) FBookmarks.erase(FBookmarks.begin() + Index);
    }
  }
  FPendingInsert = false;
  FEditBookmark.clear();
  DoSumListChanged();
  CallSaved(slPost, DataSet);
}

// The posted record goes to its place in dataset order, found by walking
// from where the last search ended.
void TDBSumListProducer::PlacePendingBookmark() {
  const TBookmark Current = FDataSet->GetBookmark();
  const Integer Count = Integer(FBookmarks.size());
  Integer Place = 0;
  if (Count > 0) {
    Place = FBookmarkCursor < 0 || FBookmarkCursor >= Count ? 0 : FBookmarkCursor;
    while (Place > 0 && DataSetCompareBookmarks(FDataSet, FBookmarks[std::size_t(Place)], Current) > 0)
      --Place;
    while (Place < Count &&
           DataSetCompareBookmarks(FDataSet, FBookmarks[std::size_t(Place)], Current) < 0)
      ++Place;
  }
  FBookmarks.insert(FBookmarks.begin() + Place, Current);
  FPendingInsert = false;
}

void TDBSumListProducer::DataSetAfterCancel(TDataSet* DataSet) {
  CallSaved(slCancel, DataSet);
  FPendingInsert = false;
  FPostCount = -1;
  FEditBookmark.clear();
}

void TDBSumListProducer::DataSetBeforeDelete(TDataSet* DataSet) {
  CallSaved(slDelete, DataSet);
  if (FActive) {
    const bool Editing = DataSet->GetState() == dsEdit;
    for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
      TDBSum* Sum = FSumCollection->GetItem(I);
      if (Sum->TakesPart()) ApplyDelete(Sum, FieldOf(Sum), Editing);
    }
  }
  if (FVirtualRecords && !DataSetSequenced()) {
    const Integer Index = FindBookmarkIndex(DataSet->GetBookmark());
    if (Index >= 0) FBookmarks.erase(FBookmarks.begin() + Index);
  }
  FPostCount = -1;
  FEditBookmark.clear();
  DoSumListChanged();
}

// A refresh may drop records (one edited out of the filter goes now) or
// bring others: the values are counted again, and the dataset goes back to
// the record it stood on.
void TDBSumListProducer::DataSetAfterRefresh(TDataSet* DataSet) {
  if (FActive && !FInRecalc && FHooked && DataSet->GetActive()) {
    TDisableControlsGuard Hold(DataSet);
    const TBookmark Current = DataSet->GetBookmark();
    RecalcAll();
    if (!Current.empty() && DataSet->BookmarkValid(Current)) DataSet->GotoBookmark(Current);
  }
  CallSaved(slRefresh, DataSet);
}

void TDBSumListProducer::DataSetAfterScroll(TDataSet* DataSet) {
  CallSaved(slScroll, DataSet);
  if (!FActive || FInRecalc) return;
  if ((DataSet->GetFiltered() && DataSet->GetFilter() != FSavedFilter) ||
      DataSet->GetFiltered() != FSavedFiltered)
    RecalcAll();
}

void TDBSumListProducer::MasterDataSetAfterScroll(TDataSet* DataSet) {
  CallSaved(slMaster, DataSet);
  if (FActive && !FInRecalc) RecalcAll();
}

// [SECTION] Record positions

bool TDBSumListProducer::IsSequenced() {
  if (DataSetSequenced()) return true;
  if (!FDataSet || !FVirtualRecords || !FActive) return false;
  return !FBookmarks.empty() || (FDataSet->GetBof() && FDataSet->GetEof());
}

Integer TDBSumListProducer::RecordCount() {
  if (!FDataSet) return 0;
  if (!DataSetSequenced() && FVirtualRecords && FActive) return Integer(FBookmarks.size());
  return FDataSet->GetRecordCount();
}

Integer TDBSumListProducer::GetRecNo() {
  if (!FDataSet) return 0;
  if (!DataSetSequenced() && FVirtualRecords && FActive)
    return FindBookmarkIndex(FDataSet->GetBookmark()) + 1;
  return FDataSet->GetRecNo();
}

void TDBSumListProducer::SetRecNo(Integer Value) {
  if (!FDataSet) return;
  if (!DataSetSequenced() && FVirtualRecords && FActive) {
    if (Value >= 1 && Value <= Integer(FBookmarks.size()))
      FDataSet->SetBookmark(FBookmarks[std::size_t(Value - 1)]);
    return;
  }
  FDataSet->SetRecNo(Value);
}

Integer TDBSumListProducer::FindBookmarkIndex(const TBookmark& Bookmark) {
  const Integer Count = Integer(FBookmarks.size());
  if (Count == 0) return -1;
  if (FBookmarkCursor < 0 || FBookmarkCursor >= Count) FBookmarkCursor = 0;
  const Integer First = DataSetCompareBookmarks(FDataSet, FBookmarks[std::size_t(FBookmarkCursor)], Bookmark);
  if (First == 0) return FBookmarkCursor;
  const Integer Step = First > 0 ? -1 : 1;
  // The cursor stays where the walk ended, so that a neighbour is found
  // in a step or two; one that ran off an end starts again at 0.
  for (FBookmarkCursor += Step; FBookmarkCursor >= 0 && FBookmarkCursor < Count;
       FBookmarkCursor += Step)
    if (DataSetCompareBookmarks(FDataSet, FBookmarks[std::size_t(FBookmarkCursor)], Bookmark) == 0)
      return FBookmarkCursor;
  return -1;
}

}  // namespace korvel
