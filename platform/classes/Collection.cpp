#include "platform/classes/Collection.h"

#include <algorithm>

#include "platform/classes/TypInfo.h"

namespace kvp {

namespace {
[[noreturn]] void IndexError(Integer Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}
thread_local detail::TItemFreeWatch* GItemWatches = nullptr;  // a singly linked list
}  // namespace

void detail::AddItemFreeWatch(TItemFreeWatch* Watch) {
  Watch->Next = GItemWatches;
  GItemWatches = Watch;
}

void detail::RemoveItemFreeWatch(TItemFreeWatch* Watch) {
  for (TItemFreeWatch** P = &GItemWatches; *P; P = &(*P)->Next)
    if (*P == Watch) {
      *P = Watch->Next;
      return;
    }
}

// TCollectionItem

void TCollectionItem::Construct() {
  inherited::Construct();
  SetCollection(FCreateCollection);
}

void TCollectionItem::Destroy() {
  for (detail::TItemFreeWatch* W = GItemWatches; W; W = W->Next) W->Proc(W->Context, this);
  SetCollection(nullptr);
  inherited::Destroy();
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

Integer TCollectionItem::GetIndex() const {
  if (!FCollection) return -1;
  auto& Items = FCollection->FItems;
  return Integer(std::find(Items.begin(), Items.end(), this) - Items.begin());
}

void TCollectionItem::SetIndex(Integer Value) {
  Integer Cur = GetIndex();
  if (Cur < 0 || Cur == Value) return;
  auto& Items = FCollection->FItems;
  if (Value < 0 || Value >= Integer(Items.size())) IndexError(Value);
  Items.erase(Items.begin() + Cur);
  Items.insert(Items.begin() + Value, this);
  Changed(true);
}

void TCollectionItem::SetDisplayName(const String&) { Changed(false); }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

String TCollectionItem::GetNamePath() {
  if (!FCollection) return ClassName();
  return FCollection->GetNamePath() + "[" + std::to_string(GetIndex()) + "]";
}

TPersistent* TCollectionItem::GetOwner() { return FCollection; }

// TCollection

void TCollection::Destroy() {
  // Freeing the collection frees its items without telling Update.
  FUpdateCount = 1;
  Clear();
  inherited::Destroy();
}

TCollectionItem* TCollection::Add() {
  if (!FItemClass || !FItemClass->Factory)
    throw EInvalidOperation(String("Cannot create an item of class ") +
                            (FItemClass ? FItemClass->Name : "nil"));
  TObject* Item = FItemClass->Factory(this);
  return static_cast<TCollectionItem*>(Item);
}

TCollectionItem* TCollection::Insert(Integer Index) {
  TCollectionItem* Item = Add();
  try {
    Item->SetIndex(Index);
  } catch (...) {
    Item->Free();
    throw;
  }
  return Item;
}

void TCollection::Delete(Integer Index) {
  TCollectionItem* Item = GetItems(Index);
  Notify(Item, cnDeleting);
  Item->Free();
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  try {
    while (!FItems.empty()) FItems.back()->Free();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TCollectionItem* TCollection::GetItems(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
  return FItems[std::size_t(Index)];
}

void TCollection::SetItems(Integer Index, TCollectionItem* Value) {
  GetItems(Index)->Assign(Value);
}

TCollectionItem* TCollection::FindItemID(Integer ID) const {
  for (TCollectionItem* Item : FItems)
    if (Item->FID == ID) return Item;
  return nullptr;
}

void TCollection::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Assign(TPersistent* Source) {
  auto* Other = DynCast<TCollection>(Source);
  if (!Other) {
    inherited::Assign(Source);
    return;
  }
  // Clearing first would empty the source too.
  if (Other == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* Item : Other->FItems) Add()->Assign(Item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TCollection::GetPropName() {
  TPersistent* Owner = GetOwner();
  if (!Owner) return "";
  for (const TPropInfo* P : GetPropList(Owner->ClassType()))
    if (P->PropType->Kind == tkClass && P->Get && GetObjectProp(Owner, P) == this) return P->Name;
  return "";
}

String TCollection::GetNamePath() {
  TPersistent* Owner = GetOwner();
  if (!Owner) return ClassName();
  String OwnerPath = Owner->GetNamePath();
  if (OwnerPath.empty()) return ClassName();
  String Prop = GetPropName();
  if (Prop.empty()) return ClassName();
  return OwnerPath + "." + Prop;
}

void TCollection::InsertItem(TCollectionItem* Item) {
  if (FItemClass && !Item->InheritsFrom(FItemClass))
    throw EInvalidOperation(String("Cannot add a ") + Item->ClassName() + " to a collection of " +
                            FItemClass->Name);
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
  Item->FCollection = nullptr;
  Changed();
}

}  // namespace kvp
