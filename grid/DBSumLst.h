// DBSumLst: the aggregate engine. A producer keeps sums, averages and counts
// of a dataset's fields current while the dataset is opened, edited, posted,
// deleted from, scrolled, filtered and refreshed. It takes over nine of the
// dataset's event properties (and its master's AfterScroll), calls on to the
// handlers the application had set there, and applies each change as a
// difference, so that a full pass over the records runs only on opening, on a
// new filter, on a scroll of the master, on a refresh and on request. Amounts
// are currency: ten-thousandths in a 64-bit integer, rounded half to even.
#pragma once

#include <vector>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Variants.h"

namespace korvel {

class TDBSumListProducer;

enum TGroupOperation { goSum, goAvg, goCount };
KV_ENUM_INFO(TGroupOperation, goSum, goAvg, goCount)

// ---------------------------------------------------------------------------
// TDBSum: one aggregate of the producer: a sum, an average or a count of a
// field (a count without field counts every record).
//
// A value that currency cannot hold (beyond its range, or not a number) is
// kept out of the total and counted apart: while any is counted, or while
// the total itself leaves the range, the aggregate has overflowed (its Value
// reads 0). It comes back by itself when such values are edited or deleted.
class TDBSum : public kvp::TCollectionItem {
  KV_CLASS(TDBSum, kvp::TCollectionItem)
 public:
  using kvp::TCollectionItem::TCollectionItem;

  void Assign(kvp::TPersistent* Source) override;
  const kvp::String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const kvp::String& Value);
  TGroupOperation GetGroupOperation() const { return FGroupOperation; }
  void SetGroupOperation(TGroupOperation Value);
  // The result: the sum, the average or the count (a count of 3 is 3.0000).
  // Reading it, or whether it overflowed, first runs a pass the producer
  // put off.
  kvp::Currency GetValue() const;
  bool GetOverflow() const;
  kvp::Currency GetOldValue() const { return FOldValue; }
  kvp::Integer GetAvgCount() const;
  kvp::Currency GetAvgSum() const;
  const kvp::Variant& GetOldVarValue() const { return FOldVarValue; }
  // Only a count or an aggregate with a field takes part in passes and updates.
  bool TakesPart() const { return FGroupOperation == goCount || !FFieldName.empty(); }

  KV_PUBLISHED;

 private:
  friend class TDBSumListProducer;
  using TWide = __int128;  // a running total that may pass currency's range
  TDBSumListProducer* Producer() const;
  // Value, AvgSum and Overflow from the total and what stayed out of it.
  void Settle();
  void Clear();
  kvp::String FFieldName;
  TGroupOperation FGroupOperation = goSum;
  kvp::Currency FOldValue;     // the current record's share before the edit or insert in progress
  bool FOldBeyond = false;     // ... had no share: its value lay beyond currency
  kvp::Integer FAvgCount = 0;  // non-null values (averages only)
  kvp::Currency FAvgSum;       // sum of all values (averages only); 0 while beyond the range
  kvp::Variant FOldVarValue;   // the field's value before the edit; Null for an insert
  kvp::Currency FValue;        // 0 while overflowed
  TWide FTotal = 0;            // the sum (an average's sum, a count) in ten-thousandths
  kvp::Integer FBeyond = 0;    // records counted whose value currency cannot hold
  bool FOverflow = false;      // FBeyond > 0, or the result does not fit
};

// ---------------------------------------------------------------------------
// TDBSumCollection: the producer's aggregates. Any change of an aggregate
// asks the producer for a full pass.
class TDBSumCollection : public kvp::TCollection {
  KV_CLASS(TDBSumCollection, kvp::TCollection)
 public:
  explicit TDBSumCollection(TDBSumListProducer* AProducer)
      : kvp::TCollection(TDBSum::StaticClass()), FProducer(AProducer) {}

  TDBSum* Add() { return static_cast<TDBSum*>(kvp::TCollection::Add()); }
  TDBSum* GetItem(kvp::Integer Index) const { return static_cast<TDBSum*>(GetItems(Index)); }
  // The first aggregate of the operation whose field name equals FieldName
  // without regard to case; null when there is none.
  TDBSum* FindSum(TGroupOperation Operation, const kvp::String& FieldName) const;
  TDBSumListProducer* GetProducer() const { return FProducer; }
  kvp::TPersistent* GetOwner() override;

 protected:
  void Update(kvp::TCollectionItem* Item) override;

 private:
  TDBSumListProducer* FProducer = nullptr;  // the owner
};

// ---------------------------------------------------------------------------
// TDBSumListProducer: see the unit comment.
//
// Hook contract. While attached, the dataset's AfterOpen, AfterClose,
// AfterEdit, AfterInsert, AfterPost, AfterCancel, AfterScroll, AfterRefresh
// and BeforeDelete (and the master's AfterScroll) are the producer's; each
// calls the handler that was there before with the same dataset: after its
// own work for the After-open/close/edit/insert/post/refresh handlers, before
// it for AfterCancel, BeforeDelete and the two AfterScroll handlers.
// Detaching gives back a handler only where it is still the producer's own;
// where another producer has chained behind it, that producer takes over its
// saved handler, so producers on one dataset attach and detach in any order.
// A producer that goes away always gives its handlers back.
//
// The producer's own work in a handler never raises: the dataset's operation
// has been done, and a failure to total it must not read as its failure. A
// value it cannot total counts as beyond the range (see TDBSum), an
// aggregate of a field the dataset lacks stays 0, and a pass that fails
// leaves the values cleared until the next one. The application's handlers
// and SumListChanged raise as they like. Only an explicit RecalcAll raises.
//
// The totals are those of the records the dataset shows: a posted record that
// its filter or its master hides leaves them, a refresh (after which such
// records go) counts again, and a pass that posts a pending edit counts that
// record once.
//
// Passes the producer starts itself (a change of the aggregates, opening,
// a new filter, a master's scroll, a refresh) run at once unless
// HoldsPassesBack says otherwise; then one pass runs later for all of them:
// when a value is asked for (with the dataset browsing, outside the
// producer's handlers) or when the owner calls EnsureCurrent. Such a pass
// leaves the dataset on the record it stood on.
class TDBSumListProducer : public kvp::TPersistent {
  KV_CLASS(TDBSumListProducer, kvp::TPersistent)
 public:
  using TCreateArg = kvp::TComponent*;
  explicit TDBSumListProducer(kvp::TComponent* AOwner) : FOwner(AOwner) {}

  void Assign(kvp::TPersistent* Source) override;

  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  kvp::TDataSet* GetDataSet() const { return FDataSet; }
  void SetDataSet(kvp::TDataSet* Value);
  bool GetDesignTimeWork() const { return FDesignTimeWork; }
  void SetDesignTimeWork(bool Value) { FDesignTimeWork = Value; }
  bool GetExternalRecalc() const { return FExternalRecalc; }
  void SetExternalRecalc(bool Value);
  bool GetVirtualRecords() const { return FVirtualRecords; }
  void SetVirtualRecords(bool Value);
  TDBSumCollection* GetSumCollection() const { return FSumCollection; }
  void SetSumCollection(TDBSumCollection* Value) { FSumCollection->Assign(Value); }
  kvp::TComponent* GetOwnerComponent() const { return FOwner; }
  bool GetHooked() const { return FHooked; }
  bool GetInRecalc() const { return FInRecalc; }
  // A pass was put off and has not run yet.
  bool GetRecalcPending() const { return FRecalcPending; }

  // The owner calls it from its own Loaded.
  void Loaded();
  void Activate(bool Recalc);
  void Deactivate(bool Clear);
  // A full pass (leaves the dataset on its first record).
  virtual void RecalcAll();
  // Every value to 0; fires SumListChanged.
  virtual void ClearSumValues();
  // Runs the pass that was put off, if any and if it can run now.
  void EnsureCurrent();
  // A pass the producer starts itself (the aggregates changed, say): now,
  // or put off while HoldsPassesBack. It never raises.
  void ScheduleRecalc();

  // -- Record positions, from the bookmark list of an unsequenced dataset --
  virtual bool IsSequenced();
  virtual kvp::Integer RecordCount();
  virtual kvp::Integer GetRecNo();
  virtual void SetRecNo(kvp::Integer Value);
  virtual kvp::Integer FindBookmarkIndex(const kvp::TBookmark& Bookmark);
  kvp::Integer GetBookmarkCount() const { return kvp::Integer(FBookmarks.size()); }
  const kvp::TBookmark& GetBookmarks(kvp::Integer Index) const {
    return FBookmarks.at(std::size_t(Index));
  }

  kvp::TNotifyEvent OnAfterRecalcAll;  // after a full pass
  kvp::TNotifyEvent OnRecalcAll;       // at the start of a full pass, the values cleared
  kvp::TNotifyEvent SumListChanged;    // whenever the values may have changed

  // Debug and test builds: raises EAssertionFailed when a total differs from
  // what its parts give.
  void CheckConsistency() const;

 protected:
  void Construct() override;
  void Destroy() override;
  kvp::TPersistent* GetOwner() override { return FOwner; }

  // -- The dataset's handlers while attached --
  virtual void DataSetAfterCancel(kvp::TDataSet* DataSet);
  virtual void DataSetAfterClose(kvp::TDataSet* DataSet);
  virtual void DataSetAfterEdit(kvp::TDataSet* DataSet);
  virtual void DataSetAfterInsert(kvp::TDataSet* DataSet);
  virtual void DataSetAfterOpen(kvp::TDataSet* DataSet);
  virtual void DataSetAfterPost(kvp::TDataSet* DataSet);
  virtual void DataSetAfterRefresh(kvp::TDataSet* DataSet);
  virtual void DataSetAfterScroll(kvp::TDataSet* DataSet);
  virtual void DataSetBeforeDelete(kvp::TDataSet* DataSet);
  virtual void MasterDataSetAfterScroll(kvp::TDataSet* DataSet);
  virtual void ReturnDataSetEvents();
  virtual void SetDataSetEvents();
  // Fires SumListChanged; every change of the values ends here.
  virtual void DoSumListChanged();
  // Whether passes the producer starts itself wait (see the class comment).
  virtual bool HoldsPassesBack() { return false; }
  bool OwnerLoading() const;
  bool OwnerDesigning() const;
  bool OwnerDestroying() const;
  // The owner is loading, or designed without DesignTimeWork: hands off.
  bool Dormant() const { return OwnerLoading() || (!FDesignTimeWork && OwnerDesigning()); }

  bool FVirtualRecords = false;
  bool FInRecalc = false;  // the pass's own First / Next must not start another
  bool FActive = false;
  kvp::TDataSet* FDataSet = nullptr;  // not owned; watched for its freeing
  bool FDesignTimeWork = false;
  bool FHooked = false;  // the dataset's events are the producer's
  bool FExternalRecalc = false;
  kvp::String FSavedFilter;  // the dataset's Filter and Filtered at the end of the last pass
  bool FSavedFiltered = false;
  kvp::TDataSet* FMasterDataSet = nullptr;  // behind the dataset's MasterSource; watched
  kvp::Integer FBookmarkCursor = -1;        // where the last search of the list ended
  kvp::TComponent* FOwner = nullptr;        // the grid, usually; steers by its state
  TDBSumCollection* FSumCollection = nullptr;  // owned
  bool FPendingInsert = false;  // an inserted record waits for its bookmark until it is posted
  std::vector<kvp::TBookmark> FBookmarks;  // all records in dataset order (VirtualRecords)

 private:
  class TWatch;
  friend class TWatch;
  class THandlerScope;
  static constexpr int SlotCount = 10;  // the nine dataset events and the master's AfterScroll
  kvp::TDataSetNotifyEvent OwnHandler(int Slot);
  void CallSaved(int Slot, kvp::TDataSet* DataSet) const;
  void Watched(kvp::TComponent* Component);
  // The current record's share of an aggregate, in raw ten-thousandths.
  void StoreContribution(TDBSum* Sum, kvp::TField* Field, bool Inserted);
  // Field is null when the posted record no longer shows: its share leaves.
  void ApplyPost(TDBSum* Sum, kvp::TField* Field, bool Shown);
  void ApplyDelete(TDBSum* Sum, kvp::TField* Field, bool Editing);
  void PlacePendingBookmark();
  bool DataSetSequenced() const;
  // The field of an aggregate; null for a count of records, and for a field
  // the dataset lacks unless Strict (then that raises).
  kvp::TField* FieldOf(TDBSum* Sum, bool Strict = false) const;
  // A filter or a master can hide a posted record: then the posts count.
  bool MayHidePosted() const;
  void NotePostStart(bool Inserting);
  // RecalcAll that never raises; its failure leaves the values cleared.
  void RecalcQuietly();
  // A pass that brings the dataset back to the record it stood on.
  void RecalcInPlace();
  // Whether the producer's handlers should apply changes now: active, and
  // no pass pending that will count them anyway.
  bool Following() const { return FActive && !FRecalcPending; }

  kvp::TDataSetNotifyEvent FSaved[SlotCount];  // the handlers there before, by slot
  TWatch* FWatch = nullptr;  // owned; hears of the dataset's and the master's freeing
  // The edit or insert in progress: the dataset's record count when it began
  // (-1 when no filter or master can hide the record, or when the producer
  // came in during it), whether it is an insert, and the edited record.
  kvp::Integer FPostCount = -1;
  bool FPostInsert = false;
  kvp::TBookmark FEditBookmark;  // kept only for the bookmark list
  bool FRecalcPending = false;   // a pass was put off (HoldsPassesBack)
  bool FQuiet = false;           // the pass under way must not raise
  kvp::Integer FHandlerDepth = 0;  // inside the producer's dataset handlers
};

}  // namespace korvel
