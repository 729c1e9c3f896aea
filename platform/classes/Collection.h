// TCollection and TCollectionItem: an ordered list of items of one class that
// a component publishes (a grid's columns, an edit's buttons) and that streams
// as `< item ... end >`. Changes reach the collection's virtual Update, which
// owners override to follow them; BeginUpdate/EndUpdate fold many changes
// into one Update(nullptr).
#pragma once

#include <vector>

#include "platform/classes/Persistent.h"

namespace kvp {

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// TCollectionItem: one element; it joins a collection when created with it
// and leaves it when freed.
class TCollectionItem : public TPersistent {
  KV_CLASS(TCollectionItem, TPersistent)
 public:
  using TCreateArg = TCollection*;
  explicit TCollectionItem(TCollection* ACollection) : FCreateCollection(ACollection) {}

  TCollection* GetCollection() const { return FCollection; }
  // Moves the item to another collection (null: out of any).
  virtual void SetCollection(TCollection* Value);
  Integer GetID() const { return FID; }
  Integer GetIndex() const;
  // Moves the item within its collection; an index out of range raises
  // EListError.
  virtual void SetIndex(Integer Value);
  String GetDisplayName() const { return DoGetDisplayName(); }
  virtual void SetDisplayName(const String& Value);
  String GetNamePath() override;
  TPersistent* GetOwner() override;

 protected:
  void Construct() override;
  void Destroy() override;
  virtual String DoGetDisplayName() const { return ClassName(); }
  // Tells the collection that this item (AllItems false) or every item
  // changed; nothing while the collection is updating.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* FCreateCollection = nullptr;  // the collection given to the constructor
  TCollection* FCollection = nullptr;
  Integer FID = 0;  // unique within the collection, never reused
};

// TCollection: owns its items and frees them when cleared or freed.
//
// Change contract: adding, removing or moving an item calls Changed, which
// calls Update(nullptr) unless BeginUpdate is in force; an item's own change
// calls Update(Item) (or Update(nullptr) for a change of every item). The last
// EndUpdate calls Update(nullptr) once.
class TCollection : public TPersistent {
  KV_CLASS(TCollection, TPersistent)
 public:
  explicit TCollection(TClass ItemClass) : FItemClass(ItemClass) {}

  TCollectionItem* Add();
  TCollectionItem* Insert(Integer Index);
  void Delete(Integer Index);
  void Clear();
  Integer GetCount() const { return Integer(FItems.size()); }
  TCollectionItem* GetItems(Integer Index) const;
  // Assigns Value to the item at Index.
  void SetItems(Integer Index, TCollectionItem* Value);
  TCollectionItem* FindItemID(Integer ID) const;
  TClass GetItemClass() const { return FItemClass; }
  Integer GetUpdateCount() const { return FUpdateCount; }

  virtual void BeginUpdate() { ++FUpdateCount; }
  virtual void EndUpdate();
  void Assign(TPersistent* Source) override;
  String GetNamePath() override;
  TPersistent* GetOwner() override { return nullptr; }

 protected:
  void Destroy() override;
  void Changed();
  // Called for every change when not updating: Item null means the whole
  // collection changed.
  virtual void Update(TCollectionItem* /*Item*/) {}
  virtual void Notify(TCollectionItem* /*Item*/, TCollectionNotification /*Action*/) {}
  // The name of the owner's property that holds this collection.
  String GetPropName();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  TClass FItemClass = nullptr;
  std::vector<TCollectionItem*> FItems;
  Integer FUpdateCount = 0;
  Integer FNextID = 0;
};

// TOwnedCollection: a collection that names its owner for name paths and for
// the code that follows its changes.
class TOwnedCollection : public TCollection {
  KV_CLASS(TOwnedCollection, TCollection)
 public:
  TOwnedCollection(TPersistent* AOwner, TClass ItemClass)
      : TCollection(ItemClass), FOwner(AOwner) {}
  TPersistent* GetOwner() override { return FOwner; }

 private:
  TPersistent* FOwner = nullptr;
};

namespace detail {
// Lets a stored-form reader hear of every collection item freed while it
// reads, so that it never touches one afterwards.
struct TItemFreeWatch {
  void (*Proc)(void* Context, TCollectionItem* Item) = nullptr;
  void* Context = nullptr;
  TItemFreeWatch* Next = nullptr;
};
void AddItemFreeWatch(TItemFreeWatch* Watch);
void RemoveItemFreeWatch(TItemFreeWatch* Watch);
}  // namespace detail

}  // namespace kvp
