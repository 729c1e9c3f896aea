#include "platform/classes/Lists.h"

#include <algorithm>
#include <string>

namespace kvp {

// [SECTION] TList

void TList::Destroy() {
  Clear();
  inherited::Destroy();
}

void TList::Error(const char* Format, Integer Data) {
  String Message = Format;
  Message.replace(Message.find("%d"), 2, std::to_string(Data));
  throw EListError(Message);
}

void TList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= FCount) Error("List index out of bounds (%d)", Index);
}

Integer TList::Add(void* Item) {
  Integer Result = FCount;
  if (Result == GetCapacity()) Grow();
  FList[std::size_t(Result)] = Item;
  ++FCount;
  if (Item) Notify(Item, lnAdded);
  return Result;
}

void TList::Insert(Integer Index, void* Item) {
  if (Index < 0 || Index > FCount) Error("List index out of bounds (%d)", Index);
  if (FCount == GetCapacity()) Grow();
  auto At = FList.begin() + Index;
  std::move_backward(At, FList.begin() + FCount, FList.begin() + FCount + 1);
  *At = Item;
  ++FCount;
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(Integer Index) {
  CheckIndex(Index);
  void* Item = FList[std::size_t(Index)];
  std::move(FList.begin() + Index + 1, FList.begin() + FCount, FList.begin() + Index);
  --FCount;
  FList[std::size_t(FCount)] = nullptr;
  if (Item) Notify(Item, lnDeleted);
}

Integer TList::Remove(void* Item) {
  Integer Result = IndexOf(Item);
  if (Result >= 0) Delete(Result);
  return Result;
}

void* TList::Extract(void* Item) {
  Integer Index = IndexOf(Item);
  if (Index < 0) return nullptr;
  FList[std::size_t(Index)] = nullptr;  // so that Delete does not report it as deleted
  Delete(Index);
  Notify(Item, lnExtracted);
  return Item;
}

Integer TList::IndexOf(void* Item) const {
  auto End = FList.begin() + FCount;
  auto It = std::find(FList.begin(), End, Item);
  return It == End ? -1 : Integer(It - FList.begin());
}

void TList::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[std::size_t(Index1)], FList[std::size_t(Index2)]);
}

void TList::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(NewIndex);
  CheckIndex(CurIndex);
  auto Cur = FList.begin() + CurIndex;
  auto New = FList.begin() + NewIndex;
  if (CurIndex < NewIndex)
    std::rotate(Cur, Cur + 1, New + 1);
  else
    std::rotate(New, Cur, Cur + 1);
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Pack() {
  for (Integer I = FCount - 1; I >= 0; --I)
    if (!FList[std::size_t(I)]) Delete(I);
}

void TList::Sort(TListSortCompare Compare) {
  if (FCount < 2) return;
  detail::QuickSortIndexes(
      0, FCount - 1,
      [&](Integer I, Integer J) { return Compare(FList[std::size_t(I)], FList[std::size_t(J)]); },
      [&](Integer I, Integer J) { std::swap(FList[std::size_t(I)], FList[std::size_t(J)]); });
}

TList* TList::Expand() {
  if (FCount == GetCapacity()) Grow();
  return this;
}

void TList::Grow() {
  Integer Capacity = GetCapacity();
  Integer Delta = Capacity > 64 ? Capacity / 4 : Capacity > 8 ? 16 : 4;
  SetCapacity(Capacity + Delta);
}

void TList::SetCount(Integer NewCount) {
  if (NewCount < 0 || NewCount > MaxListSize) Error("List count out of bounds (%d)", NewCount);
  if (NewCount > GetCapacity()) SetCapacity(NewCount);
  if (NewCount > FCount) {
    std::fill(FList.begin() + FCount, FList.begin() + NewCount, nullptr);
    FCount = NewCount;
    return;
  }
  // One at a time from the end, re-reading the count: a freed item's
  // destructor may take other items out of the list.
  while (FCount > NewCount) Delete(FCount - 1);
}

void TList::SetCapacity(Integer NewCapacity) {
  if (NewCapacity < FCount || NewCapacity > MaxListSize)
    Error("List capacity out of bounds (%d)", NewCapacity);
  if (NewCapacity == GetCapacity()) return;
  FList.resize(std::size_t(NewCapacity));
  if (NewCapacity == 0) FList.shrink_to_fit();
}

void* TList::GetItems(Integer Index) const {
  CheckIndex(Index);
  return FList[std::size_t(Index)];
}

void TList::SetItems(Integer Index, void* Item) {
  CheckIndex(Index);
  void* Old = FList[std::size_t(Index)];
  if (Item == Old) return;
  FList[std::size_t(Index)] = Item;
  if (Old) Notify(Old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

void TList::Notify(void* /*Ptr*/, TListNotification /*Action*/) {}

// [SECTION] TObjectList

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (FOwnsObjects && Action == lnDeleted) static_cast<TObject*>(Ptr)->Free();
  inherited::Notify(Ptr, Action);
}

}  // namespace kvp
