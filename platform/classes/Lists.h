// Pointer lists: TList, an indexed list of untyped pointers that tells a
// virtual Notify about every item that enters or leaves it, and TObjectList,
// which can own its objects and free those it loses. Index errors raise
// EListError naming the bad index.
#pragma once

#include <vector>

#include "platform/classes/Object.h"

namespace kvp {

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Negative when Item1 sorts before Item2, 0 when equal, positive after.
using TListSortCompare = Integer (*)(void* Item1, void* Item2);

inline constexpr Integer MaxListSize = 0x7FFFFFFF / 16;

// ---------------------------------------------------------------------------
// TList: the items live in FList[0..Count-1]; FList.size() is the capacity.
// Notify contract: called after the list has changed, once per non-null item
// added (lnAdded), removed by Delete, Remove, Clear, a shrinking SetCount or
// an overwrite through SetItems (lnDeleted), or taken out by Extract
// (lnExtracted). Move and Exchange notify nothing.
class TList : public TObject {
  KV_CLASS(TList, TObject)
 public:
  Integer Add(void* Item);
  void Insert(Integer Index, void* Item);
  void Delete(Integer Index);
  // Both answer the item's former index, or -1 when it is not in the list.
  Integer Remove(void* Item);
  // Takes the item out without deleting it; answers it, or null.
  void* Extract(void* Item);
  Integer IndexOf(void* Item) const;
  void Exchange(Integer Index1, Integer Index2);
  void Move(Integer CurIndex, Integer NewIndex);
  virtual void Clear();
  // Removes the null items.
  void Pack();
  void Sort(TListSortCompare Compare);
  void* First() const { return GetItems(0); }
  void* Last() const { return GetItems(FCount - 1); }
  // Makes room for one more item when the list is full.
  TList* Expand();

  Integer GetCount() const { return FCount; }
  // Growing appends nulls; shrinking deletes the items from the end.
  void SetCount(Integer NewCount);
  Integer GetCapacity() const { return Integer(FList.size()); }
  virtual void SetCapacity(Integer NewCapacity);
  void* GetItems(Integer Index) const;
  void SetItems(Integer Index, void* Item);
  void** GetList() { return FList.data(); }

 protected:
  void Destroy() override;
  virtual void Notify(void* Ptr, TListNotification Action);
  virtual void Grow();
  [[noreturn]] static void Error(const char* Format, Integer Data);
  void CheckIndex(Integer Index) const;

 private:
  std::vector<void*> FList;  // capacity slots; only the first FCount are items
  Integer FCount = 0;
};

// ---------------------------------------------------------------------------
// TObjectList: a TList of objects. With OwnsObjects (the default) an object
// that is deleted from the list is freed; an extracted one is not.
class TObjectList : public TList {
  KV_CLASS(TObjectList, TList)
 public:
  TObjectList() = default;
  explicit TObjectList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}

  Integer Add(TObject* Obj) { return inherited::Add(Obj); }
  void Insert(Integer Index, TObject* Obj) { inherited::Insert(Index, Obj); }
  Integer Remove(TObject* Obj) { return inherited::Remove(Obj); }
  TObject* Extract(TObject* Obj) { return static_cast<TObject*>(inherited::Extract(Obj)); }
  Integer IndexOf(TObject* Obj) const { return inherited::IndexOf(Obj); }
  TObject* First() const { return static_cast<TObject*>(inherited::First()); }
  TObject* Last() const { return static_cast<TObject*>(inherited::Last()); }
  TObject* GetItems(Integer Index) const {
    return static_cast<TObject*>(inherited::GetItems(Index));
  }
  void SetItems(Integer Index, TObject* Obj) { inherited::SetItems(Index, Obj); }

  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

 protected:
  void Notify(void* Ptr, TListNotification Action) override;

 private:
  bool FOwnsObjects = true;
};

namespace detail {
// The lists' sort: quicksort on indexes with a middle pivot whose index follows
// it through the exchanges, so that items that compare equal end in the order
// the platform's sort leaves them. Compare(I, P) compares the items at two
// indexes; Exchange(I, J) swaps them. The scans stay within L..R even when
// Compare is inconsistent. Only the smaller part of each split is sorted by
// a nested call, so the nesting stays below log2 of the count whatever the
// items (the parts are disjoint: the order they are sorted in changes nothing).
template <class TCompare, class TExchange>
void QuickSortIndexes(Integer L, Integer R, TCompare Compare, TExchange Exchange) {
  while (L < R) {
    Integer I = L, J = R, P = L + (R - L) / 2;
    do {
      while (I < R && Compare(I, P) < 0) ++I;
      while (J > L && Compare(J, P) > 0) --J;
      if (I <= J) {
        if (I != J) Exchange(I, J);
        if (P == I)
          P = J;
        else if (P == J)
          P = I;
        ++I;
        --J;
      }
    } while (I <= J);
    if (J - L < R - I) {
      if (L < J) QuickSortIndexes(L, J, Compare, Exchange);
      L = I;
    } else {
      if (I < R) QuickSortIndexes(I, R, Compare, Exchange);
      R = J;
    }
  }
}
}  // namespace detail

}  // namespace kvp
