// The aggregate engine: aggregates and their collection, attaching to a
// dataset's events and detaching again, the full pass, the differences
// applied by the dataset's handlers, and record positions kept in a bookmark
// list for datasets that are not sequenced.
//
// Index:
//   [SECTION] Amounts            RoundRaw, AddShare, ReadShare, TTally
//   [SECTION] Aggregates         TDBSum (Settle), TDBSumCollection
//   [SECTION] Lifetime           Construct, Destroy, Assign, the dataset watch
//   [SECTION] Attaching          SetDataSet, Activate, Deactivate,
//                                SetDataSetEvents, ReturnDataSetEvents
//   [SECTION] Full pass          RecalcAll, ClearSumValues, ScheduleRecalc,
//                                EnsureCurrent, CheckConsistency
//   [SECTION] Dataset handlers   DataSetAfter*, DataSetBeforeDelete,
//                                MasterDataSetAfterScroll
//   [SECTION] Record positions   IsSequenced, RecordCount, GetRecNo, SetRecNo,
//                                FindBookmarkIndex
#include "grid/DBSumLst.h"

#include <cmath>
#include <limits>
#include <utility>

#include "base/KorvelVCL.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

// [SECTION] Amounts

namespace {

using TWide = __int128;

constexpr Int64 OneRecord = 10000;  // a count of one

constexpr bool FitsRaw(TWide X) {
  return X >= std::numeric_limits<Int64>::min() && X <= std::numeric_limits<Int64>::max();
}

// X rounded half to even into Result, when it fits in 64 bits. The x87
// store rounds as llrint does and gives the lowest integer for anything that
// does not fit; the full pass takes one of these per record and aggregate.
inline bool RoundRaw(Extended X, Int64& Result) {
#if defined(__GNUC__) && defined(__x86_64__)
  __asm__("fistpll %0" : "=m"(Result) : "t"(X) : "st");
  if (Result != std::numeric_limits<Int64>::min()) return true;
#endif
  if (!(X > -9223372036854775808.0L && X < 9223372036854775808.0L)) return false;
  Result = std::llrint(X);
  return true;
}

// A value's share in ten-thousandths, as read from its field.
struct TShare {
  enum TKind { Null, Amount, Beyond } Kind = Null;
  Extended X = 0;  // the share, a whole number when it came exact (integers, BCD)
};

// Total := round(X + Total) in extended precision, as the totals have always
// been rounded. |X| stays below 2^63, so in 64 bits the sum is exact enough
// to round once; a total already past 64 bits takes the rounded share.
TWide AddShare(TWide Total, Extended X) {
  if (FitsRaw(Total)) {
    const Extended Sum = X + Extended(Int64(Total));
    Int64 Rounded;
    if (RoundRaw(Sum, Rounded)) return Rounded;
    return TWide(std::nearbyintl(Sum));  // below 2^64: exact in extended
  }
  return Total + TWide(std::nearbyintl(X));
}

// Numerator / Denominator rounded half to even.
TWide DivideHalfEven(TWide Numerator, TWide Denominator) {
  TWide Quotient = Numerator / Denominator;
  const TWide Remainder = Numerator % Denominator;
  const TWide Twice = 2 * (Remainder < 0 ? -Remainder : Remainder);
  if (Twice > Denominator || (Twice == Denominator && Quotient % 2 != 0))
    Quotient += Numerator < 0 ? -1 : 1;
  return Quotient;
}

// A share currency can hold: finite, and below 2^63 ten-thousandths.
inline TShare::TKind Classify(Extended X) {
  return X > -9223372036854775808.0L && X < 9223372036854775808.0L ? TShare::Amount
                                                                   : TShare::Beyond;
}

// The share of a field's value: AsFloat times 10000 in extended precision,
// which reads a number held by the record without a copy or a conversion
// through text; text that is no number is beyond. With Nulls off, a null
// value is read as the 0 AsFloat gives it, which saves a look at the field.
TShare ReadShare(TField* Field, bool Nulls) {
  TShare Result;
  if (Nulls && Field->IsNull()) return Result;
  try {
    Result.X = Extended(Field->GetAsFloat()) * 10000.0L;
    Result.Kind = Classify(Result.X);
  } catch (const Exception&) {
    Result.Kind = TShare::Beyond;
  }
  return Result;
}

Currency Raw(Int64 Value) { return Currency::FromRaw(Value); }

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

// One aggregate's running total in a pass, kept in 64 bits while it fits,
// with what currency cannot hold counted apart: each record ends as
// AddShare and ReadShare would have it, one read of the field a record.
class TTally {
 public:
  TTally(TDBSum* Sum, TField* Field)
      : FSum(Sum),
        FField(Field),
        FKind(Sum->GetGroupOperation() == goCount ? (Field ? kNonNull : kRecords)
              : Sum->GetGroupOperation() == goAvg ? kAverage
                                                  : kSum) {}

  // The current record's share.
  void Add() {
    switch (FKind) {
      case kRecords:
        FFast += OneRecord;
        return;
      case kNonNull:
        if (!FField->IsNull()) FFast += OneRecord;
        return;
      case kAverage:
        // An average counts its values that are not null.
        if (FField->IsNull()) return;
        ++FValues;
        break;
      case kSum:
        break;  // a null value reads as the 0 it adds
    }
    Extended X;
    try {
      X = Extended(FField->GetAsFloat()) * 10000.0L;
    } catch (const Exception&) {
      ++FBeyond;  // text that is no number
      return;
    }
    if (!FInWide) {
      Int64 Rounded;
      if (RoundRaw(X + Extended(FFast), Rounded)) {
        FFast = Rounded;
        return;
      }
    }
    if (Classify(X) == TShare::Beyond) {
      ++FBeyond;
      return;
    }
    // The total leaves 64 bits: from here on it is kept wide.
    FWide = AddShare(FInWide ? FWide : TWide(FFast), X);
    FInWide = true;
  }

  TDBSum* Sum() const { return FSum; }
  TWide Total() const { return FInWide ? FWide : TWide(FFast); }
  Integer Beyond() const { return FBeyond; }
  Integer Values() const { return FValues; }

 private:
  enum TKind : Byte { kRecords, kNonNull, kSum, kAverage };

  TDBSum* FSum;
  TField* FField;  // null for a count of records
  TKind FKind;
  bool FInWide = false;  // the total left 64 bits: FWide holds it
  Int64 FFast = 0;
  TWide FWide = 0;
  Integer FValues = 0;  // an average's values that are not null
  Integer FBeyond = 0;
};

// Holds a dataset's controls for a walk. Release lets them go (and may
// raise, as the controls' refresh may); a walk that failed lets them go in
// the destructor, which raises nothing more.
class THeldControls {
 public:
  explicit THeldControls(TDataSet* DataSet) : FDataSet(DataSet) { FDataSet->DisableControls(); }
  ~THeldControls() {
    try {
      Release();
    } catch (...) {
      // The walk's own failure is on its way; this one would hide it.
    }
  }
  void Release() {
    if (TDataSet* D = std::exchange(FDataSet, nullptr)) D->EnableControls();
  }
  THeldControls(const THeldControls&) = delete;
  THeldControls& operator=(const THeldControls&) = delete;

 private:
  TDataSet* FDataSet;
};

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
  FOldBeyond = S->FOldBeyond;
  FValue = S->FValue;
  // The parts of the value go with it, so that the copy follows on.
  FTotal = S->FTotal;
  FBeyond = S->FBeyond;
  FOverflow = S->FOverflow;
  FAvgSum = S->FAvgSum;
  FAvgCount = S->FAvgCount;
}

TDBSumListProducer* TDBSum::Producer() const {
  auto* Sums = DynCast<TDBSumCollection>(GetCollection());
  return Sums ? Sums->GetProducer() : nullptr;
}

Currency TDBSum::GetValue() const {
  if (TDBSumListProducer* P = Producer()) P->EnsureCurrent();
  return FValue;
}

bool TDBSum::GetOverflow() const {
  if (TDBSumListProducer* P = Producer()) P->EnsureCurrent();
  return FOverflow;
}

Integer TDBSum::GetAvgCount() const {
  if (TDBSumListProducer* P = Producer()) P->EnsureCurrent();
  return FAvgCount;
}

Currency TDBSum::GetAvgSum() const {
  if (TDBSumListProducer* P = Producer()) P->EnsureCurrent();
  return FAvgSum;
}

// The results from the running total and what stayed out of it.
void TDBSum::Settle() {
  const bool Fits = FBeyond == 0 && FitsRaw(FTotal);
  if (FGroupOperation != goAvg) {
    FValue = Fits ? Raw(Int64(FTotal)) : Currency();
    FOverflow = !Fits;
    return;
  }
  FAvgSum = Fits ? Raw(Int64(FTotal)) : Currency();
  FOverflow = FBeyond > 0;
  FValue = Currency();
  if (FOverflow || FAvgCount <= 0) return;
  Int64 Rounded = 0;
  if (Fits && RoundRaw(Extended(Int64(FTotal)) / FAvgCount, Rounded)) {
    FValue = Raw(Rounded);
    return;
  }
  // A sum past 64 bits whose average may still fit.
  const TWide Average = DivideHalfEven(FTotal, FAvgCount);
  FOverflow = !FitsRaw(Average);
  if (!FOverflow) FValue = Raw(Int64(Average));
}

void TDBSum::Clear() {
  FValue = 0;
  FOldValue = 0;
  FOldBeyond = false;
  FAvgSum = 0;
  FAvgCount = 0;
  FTotal = 0;
  FBeyond = 0;
  FOverflow = false;
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
  FProducer->ScheduleRecalc();
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
  if (Recalc) ScheduleRecalc();
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
  ScheduleRecalc();
}

void TDBSumListProducer::SetVirtualRecords(bool Value) {
  if (FVirtualRecords == Value) return;
  FVirtualRecords = Value;
  if (Value) ScheduleRecalc();
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

TField* TDBSumListProducer::FieldOf(TDBSum* Sum, bool Strict) const {
  if (Sum->FFieldName.empty()) return nullptr;
  return Strict ? FDataSet->FieldByName(Sum->FFieldName) : FDataSet->FindField(Sum->FFieldName);
}

bool TDBSumListProducer::DataSetSequenced() const { return FDataSet && FDataSet->IsSequenced(); }

void TDBSumListProducer::ClearSumValues() {
  for (Integer I = 0; I < FSumCollection->GetCount(); ++I) FSumCollection->GetItem(I)->Clear();
  DoSumListChanged();
}

void TDBSumListProducer::RecalcAll() {
  // [Phase 1] Only an attached producer of an open dataset counts.
  if (!FDesignTimeWork && OwnerDesigning()) return;
  if (OwnerLoading() || !FActive || !FDataSet || !FDataSet->GetActive() || !FHooked) return;
  FRecalcPending = false;
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
        // [Phase 3] The aggregates that count, each with its field: a field
        // the dataset lacks raises here, before the walk, unless the pass
        // must not raise; then that aggregate stays 0.
        std::vector<TTally> Tallies;
        for (Integer I = 0; I < Count; ++I) {
          TDBSum* Sum = FSumCollection->GetItem(I);
          if (!Sum->TakesPart()) continue;
          TField* Field = FieldOf(Sum, !FQuiet);
          if (!Field && !Sum->FFieldName.empty()) continue;
          Tallies.emplace_back(Sum, Field);
        }
        // [Phase 4] One walk over the records with the controls held, so
        // that they are let go again whatever the walk meets.
        THeldControls Hold(FDataSet);
        FBookmarks.clear();
        FInRecalc = true;
        const bool ListRecords = !DataSetSequenced() && FVirtualRecords;
        FDataSet->First();
        while (!FDataSet->GetEof()) {
          for (TTally& Tally : Tallies) Tally.Add();
          if (ListRecords) FBookmarks.push_back(FDataSet->GetBookmark());
          FDataSet->Next();
        }
        // [Phase 5] Back to the first record; the results.
        FDataSet->First();
        for (const TTally& Tally : Tallies) {
          TDBSum* Sum = Tally.Sum();
          Sum->FTotal = Tally.Total();
          Sum->FBeyond = Tally.Beyond();
          Sum->FAvgCount = Tally.Values();
          Sum->Settle();
        }
        Hold.Release();
      }
      if (OnAfterRecalcAll) OnAfterRecalcAll(this);
    }
  } catch (...) {
    Finish();
    throw;
  }
  Finish();
}

void TDBSumListProducer::RecalcQuietly() {
  const bool WasQuiet = std::exchange(FQuiet, true);
  try {
    RecalcAll();
  } catch (...) {
    // The values were cleared when the pass began and stay so until the
    // next one; the dataset's operation that led here has been done.
  }
  FQuiet = WasQuiet;
}

// Under one hold of the controls, so that the dataset's controls refresh
// once, for a dataset that comes back where it was.
void TDBSumListProducer::RecalcInPlace() {
  TDataSet* DataSet = FDataSet;
  try {
    THeldControls Hold(DataSet);
    const TBookmark Here = DataSet->GetBookmark();
    RecalcQuietly();
    if (!Here.empty() && DataSet->GetActive() && DataSet->BookmarkValid(Here) &&
        DataSet->CompareBookmarks(Here, DataSet->GetBookmark()) != 0)
      DataSet->GotoBookmark(Here);
    Hold.Release();
  } catch (...) {
    // The totals are counted; a record that cannot be gone back to, or
    // controls that fail to refresh, are the dataset's business.
  }
}

void TDBSumListProducer::ScheduleRecalc() {
  if (HoldsPassesBack()) {
    FRecalcPending = true;
    return;
  }
  RecalcQuietly();
}

void TDBSumListProducer::EnsureCurrent() {
  if (!FRecalcPending || FInRecalc || FHandlerDepth > 0) return;
  if (!FDataSet || !FDataSet->GetActive()) return;
  // An edit in progress is the user's: the pass waits until it is posted
  // or cancelled rather than post it.
  if (FDataSet->GetState() != dsBrowse) return;
  FRecalcPending = false;
  RecalcInPlace();
}

void TDBSumListProducer::CheckConsistency() const {
  for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
    TDBSum* Sum = FSumCollection->GetItem(I);
    KV_ASSERT(Sum->FBeyond >= 0 && Sum->FAvgCount >= 0, "counts never fall below 0");
    KV_ASSERT(Sum->FGroupOperation != goCount || Sum->FBeyond == 0, "a count has no values beyond");
    // Settling again changes nothing in a consistent aggregate.
    const Currency Value = Sum->FValue, AvgSum = Sum->FAvgSum;
    const bool Overflow = Sum->FOverflow;
    Sum->Settle();
    const bool Same = Value == Sum->FValue && Overflow == Sum->FOverflow &&
                      (Sum->FGroupOperation != goAvg || AvgSum == Sum->FAvgSum);
    Sum->FValue = Value;
    Sum->FAvgSum = AvgSum;
    Sum->FOverflow = Overflow;
    KV_ASSERT(Same, "the value is what the total and the values beyond give");
  }
}

// [SECTION] Dataset handlers

// THandlerScope: marks the producer's own handlers, in which a pass that was
// put off does not run (the dataset is inside an operation).
class TDBSumListProducer::THandlerScope {
 public:
  explicit THandlerScope(TDBSumListProducer* P) : FProducer(P) { ++FProducer->FHandlerDepth; }
  ~THandlerScope() { --FProducer->FHandlerDepth; }
  THandlerScope(const THandlerScope&) = delete;
  THandlerScope& operator=(const THandlerScope&) = delete;

 private:
  TDBSumListProducer* FProducer;
};

void TDBSumListProducer::StoreContribution(TDBSum* Sum, TField* Field, bool Inserted) {
  Sum->FOldBeyond = false;
  if (Sum->FGroupOperation == goCount) {
    Sum->FOldValue = Inserted || (Field && Field->IsNull()) ? Currency() : Raw(OneRecord);
    return;
  }
  if (Inserted) {
    Sum->FOldValue = 0;
    Sum->FOldVarValue = Null();
    return;
  }
  const TShare Share = ReadShare(Field, true);
  Int64 Rounded = 0;
  Sum->FOldBeyond = Share.Kind == TShare::Beyond;
  Sum->FOldValue =
      Share.Kind == TShare::Amount && RoundRaw(Share.X, Rounded) ? Raw(Rounded) : Currency();
  Sum->FOldVarValue = Field->GetValue();
}

void TDBSumListProducer::ApplyPost(TDBSum* Sum, TField* Field, bool Shown) {
  // [Phase 1] The share the record had leaves.
  if (Sum->FOldBeyond)
    --Sum->FBeyond;
  else
    Sum->FTotal -= Sum->FOldValue.GetRaw();
  Sum->FOldBeyond = false;
  // [Phase 2] Its new share comes in, unless it no longer shows (which
  // counts as empty, for a count too).
  if (Sum->FGroupOperation == goCount) {
    if (Shown && (!Field || !Field->IsNull())) Sum->FTotal += OneRecord;
  } else {
    const bool WasNull = VarIsNull(Sum->FOldVarValue);
    const TShare Share = Shown ? ReadShare(Field, true) : TShare();
    if (Sum->FGroupOperation == goAvg) Sum->FAvgCount += (Share.Kind != TShare::Null) - !WasNull;
    if (Share.Kind == TShare::Beyond)
      ++Sum->FBeyond;
    else if (Share.Kind == TShare::Amount)
      Sum->FTotal = AddShare(Sum->FTotal, Share.X);
  }
  Sum->Settle();
}

// A record deleted while it is being edited still counts with its stored
// values: its share is the one kept when the edit began, not the edit's.
void TDBSumListProducer::ApplyDelete(TDBSum* Sum, TField* Field, bool Editing) {
  if (Sum->FGroupOperation == goCount) {
    if (Editing)
      Sum->FTotal -= Sum->FOldValue.GetRaw();
    else if (!Field || !Field->IsNull())
      Sum->FTotal -= OneRecord;
    Sum->Settle();
    return;
  }
  TShare Share;
  if (Editing) {
    Share.Kind = Sum->FOldBeyond                ? TShare::Beyond
                 : VarIsNull(Sum->FOldVarValue) ? TShare::Null
                                                : TShare::Amount;
    Share.X = Extended(Sum->FOldValue.GetRaw());
  } else {
    Share = ReadShare(Field, true);
  }
  if (Share.Kind == TShare::Beyond)
    --Sum->FBeyond;
  else if (Share.Kind == TShare::Amount)
    Sum->FTotal = AddShare(Sum->FTotal, -Share.X);
  if (Sum->FGroupOperation == goAvg && Share.Kind != TShare::Null) --Sum->FAvgCount;
  Sum->FOldBeyond = false;
  Sum->Settle();
}

void TDBSumListProducer::DataSetAfterOpen(TDataSet* DataSet) {
  {
    THandlerScope Scope(this);
    if (FActive) ScheduleRecalc();
  }
  CallSaved(slOpen, DataSet);
}

void TDBSumListProducer::DataSetAfterClose(TDataSet* DataSet) {
  THandlerScope Scope(this);
  if (FActive) {
    ClearSumValues();
    DoSumListChanged();
    FInRecalc = false;
  }
  FRecalcPending = false;  // the next open counts
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
  THandlerScope Scope(this);
  try {
    if (Following())
      for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
        TDBSum* Sum = FSumCollection->GetItem(I);
        TField* Field = Sum->TakesPart() ? FieldOf(Sum) : nullptr;
        if (Sum->TakesPart() && (Field || Sum->FFieldName.empty()))
          StoreContribution(Sum, Field, false);
      }
    NotePostStart(false);
    FEditBookmark.clear();
    if (FVirtualRecords && !DataSetSequenced()) FEditBookmark = DataSet->GetBookmark();
  } catch (...) {
    // Nothing of the engine's own may fail the edit: the post recounts.
    FRecalcPending = true;
  }
  CallSaved(slEdit, DataSet);
}

// A new record joins the bookmark list when it is posted, at its place in
// dataset order; one cancelled never joins it.
void TDBSumListProducer::DataSetAfterInsert(TDataSet* DataSet) {
  THandlerScope Scope(this);
  try {
    for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
      TDBSum* Sum = FSumCollection->GetItem(I);
      if (Sum->TakesPart()) StoreContribution(Sum, nullptr, true);
    }
    NotePostStart(true);
    if (FVirtualRecords && !DataSetSequenced()) FPendingInsert = true;
  } catch (...) {
    FRecalcPending = true;
  }
  CallSaved(slInsert, DataSet);
}

void TDBSumListProducer::DataSetAfterPost(TDataSet* DataSet) {
  THandlerScope Scope(this);
  try {
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
    if (Following() && !FInRecalc)
      for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
        TDBSum* Sum = FSumCollection->GetItem(I);
        if (!Sum->TakesPart()) continue;
        TField* Field = FieldOf(Sum);
        if (Field || Sum->FFieldName.empty()) ApplyPost(Sum, Shown ? Field : nullptr, Shown);
      }
    // [Phase 3] The bookmark list follows.
    if (!DataSetSequenced() && FVirtualRecords && !FInRecalc && !FRecalcPending) {
      if (FPendingInsert && Shown) PlacePendingBookmark();
      if (!Shown && !FEditBookmark.empty()) {
        const Integer Index = FindBookmarkIndex(FEditBookmark);
        if (Index >= 0) FBookmarks.erase(FBookmarks.begin() + Index);
      }
    }
  } catch (...) {
    // The row is stored: a total that could not follow it is counted
    // again when next asked for.
    FRecalcPending = true;
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
  THandlerScope Scope(this);
  CallSaved(slCancel, DataSet);
  FPendingInsert = false;
  FPostCount = -1;
  FEditBookmark.clear();
}

void TDBSumListProducer::DataSetBeforeDelete(TDataSet* DataSet) {
  THandlerScope Scope(this);
  CallSaved(slDelete, DataSet);
  try {
    if (Following()) {
      const bool Editing = DataSet->GetState() == dsEdit;
      for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
        TDBSum* Sum = FSumCollection->GetItem(I);
        if (!Sum->TakesPart()) continue;
        TField* Field = FieldOf(Sum);
        if (Field || Sum->FFieldName.empty()) ApplyDelete(Sum, Field, Editing);
      }
    }
    if (FVirtualRecords && !DataSetSequenced()) {
      const Integer Index = FindBookmarkIndex(DataSet->GetBookmark());
      if (Index >= 0) FBookmarks.erase(FBookmarks.begin() + Index);
    }
  } catch (...) {
    FRecalcPending = true;  // the delete goes on; the totals are counted again
  }
  FPostCount = -1;
  FEditBookmark.clear();
  DoSumListChanged();
}

// A refresh may drop records (one edited out of the filter goes now) or
// bring others: the values are counted again, and the dataset goes back to
// the record it stood on.
void TDBSumListProducer::DataSetAfterRefresh(TDataSet* DataSet) {
  {
    THandlerScope Scope(this);
    if (FActive && !FInRecalc && FHooked && DataSet->GetActive()) {
      if (HoldsPassesBack())
        FRecalcPending = true;
      else
        RecalcInPlace();
    }
  }
  CallSaved(slRefresh, DataSet);
}

void TDBSumListProducer::DataSetAfterScroll(TDataSet* DataSet) {
  THandlerScope Scope(this);
  CallSaved(slScroll, DataSet);
  if (!FActive || FInRecalc) return;
  if ((DataSet->GetFiltered() && DataSet->GetFilter() != FSavedFilter) ||
      DataSet->GetFiltered() != FSavedFiltered)
    ScheduleRecalc();
}

void TDBSumListProducer::MasterDataSetAfterScroll(TDataSet* DataSet) {
  THandlerScope Scope(this);
  CallSaved(slMaster, DataSet);
  if (FActive && !FInRecalc) ScheduleRecalc();
}

// [SECTION] Record positions

// The list is the one a pass put off would make: that pass runs first.
bool TDBSumListProducer::IsSequenced() {
  if (DataSetSequenced()) return true;
  if (!FDataSet || !FVirtualRecords || !FActive) return false;
  EnsureCurrent();
  return !FBookmarks.empty() || (FDataSet->GetBof() && FDataSet->GetEof());
}

Integer TDBSumListProducer::RecordCount() {
  if (!FDataSet) return 0;
  if (!DataSetSequenced() && FVirtualRecords && FActive) {
    EnsureCurrent();
    return Integer(FBookmarks.size());
  }
  return FDataSet->GetRecordCount();
}

Integer TDBSumListProducer::GetRecNo() {
  if (!FDataSet) return 0;
  if (!DataSetSequenced() && FVirtualRecords && FActive) {
    EnsureCurrent();
    return FindBookmarkIndex(FDataSet->GetBookmark()) + 1;
  }
  return FDataSet->GetRecNo();
}

void TDBSumListProducer::SetRecNo(Integer Value) {
  if (!FDataSet) return;
  if (!DataSetSequenced() && FVirtualRecords && FActive) {
    EnsureCurrent();
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
