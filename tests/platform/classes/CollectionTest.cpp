// Collections: items joining and leaving, moves, change notification, copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/TypInfo.h"

using namespace kvp;

namespace {

class TBandItem : public TCollectionItem {
  KV_CLASS(TBandItem, TCollectionItem)
 public:
  using inherited::inherited;
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value) {
    if (FWidth == Value) return;
    FWidth = Value;
    Changed(false);
  }
  void Assign(TPersistent* Source) override {
    if (auto* Other = DynCast<TBandItem>(Source)) {
      SetWidth(Other->FWidth);
      return;
    }
    inherited::Assign(Source);
  }

 private:
  Integer FWidth = 0;
};

// Records every Update and Notify the collection receives.
class TBands : public TOwnedCollection {
  KV_CLASS(TBands, TOwnedCollection)
 public:
  explicit TBands(TPersistent* AOwner) : TOwnedCollection(AOwner, TBandItem::StaticClass()) {}
  std::vector<TCollectionItem*> Updates;
  std::vector<TCollectionNotification> Notes;
  TBandItem* Band(Integer I) { return static_cast<TBandItem*>(GetItems(I)); }

 protected:
  void Update(TCollectionItem* Item) override { Updates.push_back(Item); }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    inherited::Notify(Item, Action);
    Notes.push_back(Action);
  }
};

class TBandOwner : public TComponent {
  KV_CLASS(TBandOwner, TComponent)
 public:
  using inherited::inherited;
  TBands* GetBands() const { return FBands.get(); }
  void SetBands(TBands* Value) { FBands->Assign(Value); }
  KV_PUBLISHED { P.Prop("Bands", &TBandOwner::GetBands, &TBandOwner::SetBands); }

 private:
  TObjectPtr<TBands> FBands{TBands::Create(this)};
};

std::vector<Integer> Widths(TBands* Bands) {
  std::vector<Integer> W;
  for (Integer I = 0; I < Bands->GetCount(); ++I) W.push_back(Bands->Band(I)->GetWidth());
  return W;
}

}  // namespace

TEST(Collection, ItemsJoinLeaveAndKeepUniqueIDs) {
  TObjectPtr<TBands> Bands(TBands::Create(nullptr));
  auto* A = static_cast<TBandItem*>(Bands->Add());
  auto* B = static_cast<TBandItem*>(Bands->Add());
  EXPECT_EQ(A->GetCollection(), Bands.get());
  EXPECT_EQ(B->GetIndex(), 1);
  EXPECT_EQ(Bands->FindItemID(B->GetID()), B);
  Bands->Delete(0);
  EXPECT_EQ(Bands->GetCount(), 1);
  EXPECT_EQ(B->GetIndex(), 0);
  TCollectionItem* C = Bands->Add();
  EXPECT_NE(C->GetID(), B->GetID());
  EXPECT_NE(C->GetID(), 0);  // the deleted item's ID is not reused
  B->Free();                 // freeing an item takes it out
  EXPECT_EQ(Bands->GetCount(), 1);
  EXPECT_EQ(Bands->GetItems(0), C);
  EXPECT_EQ(Bands->FindItemID(12345), nullptr);
  EXPECT_THROW(Bands->GetItems(1), EListError);
}

TEST(Collection, AnItemOfAnotherClassIsRefused) {
  TObjectPtr<TBands> Bands(TBands::Create(nullptr));
  try {
    TCollectionItem::Create(Bands.get());
    ADD_FAILURE() << "joined";
  } catch (const EInvalidOperation& E) {
    EXPECT_EQ(E.GetMessage(), "Cannot add a TCollectionItem to a collection of TBandItem");
  }
  EXPECT_EQ(Bands->GetCount(), 0);
  EXPECT_TRUE(Bands->Notes.empty());
}

TEST(Collection, NotifyHearsEveryItemComeAndGoInOrder) {
  TObjectPtr<TBands> Bands(TBands::Create(nullptr));
  Bands->Add();
  Bands->Add();
  Bands->Insert(0);
  EXPECT_EQ(Bands->Notes, (std::vector<TCollectionNotification>{cnAdded, cnAdded, cnAdded}));
  Bands->Notes.clear();
  Bands->Delete(1);  // announced as a deletion, then taken out
  EXPECT_EQ(Bands->Notes, (std::vector<TCollectionNotification>{cnDeleting, cnExtracting}));
  Bands->Notes.clear();
  Bands->GetItems(0)->Free();  // an item freed on its own is only taken out
  EXPECT_EQ(Bands->Notes, (std::vector<TCollectionNotification>{cnExtracting}));
  Bands->Notes.clear();
  Bands->Clear();
  EXPECT_EQ(Bands->Notes, (std::vector<TCollectionNotification>{cnExtracting}));
  EXPECT_EQ(Bands->GetCount(), 0);
}

TEST(Collection, InsertPlacesTheNewItemAndSetIndexMovesOne) {
  TObjectPtr<TBands> Bands(TBands::Create(nullptr));
  for (Integer W : {10, 20, 30}) static_cast<TBandItem*>(Bands->Add())->SetWidth(W);
  static_cast<TBandItem*>(Bands->Insert(1))->SetWidth(15);
  EXPECT_EQ(Widths(Bands.get()), (std::vector<Integer>{10, 15, 20, 30}));

  Bands->Updates.clear();
  Bands->Band(2)->SetIndex(2);  // where it is already: nothing to tell
  EXPECT_TRUE(Bands->Updates.empty());
  Bands->Band(3)->SetIndex(0);
  EXPECT_EQ(Widths(Bands.get()), (std::vector<Integer>{30, 10, 15, 20}));
  EXPECT_EQ(Bands->Updates, (std::vector<TCollectionItem*>{nullptr}));  // a move changes all

  EXPECT_THROW(Bands->Band(0)->SetIndex(4), EListError);
  EXPECT_EQ(Widths(Bands.get()), (std::vector<Integer>{30, 10, 15, 20}));
  EXPECT_THROW(Bands->Insert(9), EListError);
  EXPECT_EQ(Bands->GetCount(), 4);  // the refused insert leaves no item behind
}

TEST(Collection, ChangesReachUpdateAndNestedUpdatesFoldIntoOne) {
  TObjectPtr<TBands> Bands(TBands::Create(nullptr));
  TBandItem* A = static_cast<TBandItem*>(Bands->Add());
  EXPECT_EQ(Bands->Updates, (std::vector<TCollectionItem*>{nullptr}));
  EXPECT_EQ(Bands->Notes, (std::vector<TCollectionNotification>{cnAdded}));
  Bands->Updates.clear();
  A->SetWidth(5);
  A->SetWidth(5);  // unchanged: no notification
  EXPECT_EQ(Bands->Updates, (std::vector<TCollectionItem*>{A}));

  Bands->Updates.clear();
  Bands->BeginUpdate();
  Bands->BeginUpdate();
  A->SetWidth(6);
  Bands->Add();
  Bands->EndUpdate();
  EXPECT_TRUE(Bands->Updates.empty());
  Bands->EndUpdate();
  EXPECT_EQ(Bands->Updates, (std::vector<TCollectionItem*>{nullptr}));

  Bands->Updates.clear();
  Bands->Notes.clear();
  Bands->Clear();
  EXPECT_EQ(Bands->GetCount(), 0);
  EXPECT_EQ(Bands->Updates, (std::vector<TCollectionItem*>{nullptr}));
  EXPECT_EQ(Bands->Notes, (std::vector<TCollectionNotification>{cnExtracting, cnExtracting}));
}

TEST(Collection, ItemsMoveBetweenCollectionsAndAssignCopiesItemWise) {
  TObjectPtr<TBands> A(TBands::Create(nullptr)), B(TBands::Create(nullptr));
  for (Integer W : {1, 2}) static_cast<TBandItem*>(A->Add())->SetWidth(W);
  static_cast<TBandItem*>(B->Add())->SetWidth(9);
  A->Band(0)->SetCollection(B.get());
  EXPECT_EQ(Widths(A.get()), (std::vector<Integer>{2}));
  EXPECT_EQ(Widths(B.get()), (std::vector<Integer>{9, 1}));

  B->Updates.clear();
  B->Assign(A.get());
  EXPECT_EQ(Widths(B.get()), (std::vector<Integer>{2}));
  EXPECT_EQ(B->Updates, (std::vector<TCollectionItem*>{nullptr}));
  EXPECT_NE(B->GetItems(0), A->GetItems(0));

  TObjectPtr<TComponent> NotACollection(TComponent::Create(nullptr));
  EXPECT_THROW(B->Assign(NotACollection.get()), EConvertError);
}

TEST(Collection, AssigningACollectionToItselfKeepsItsItems) {
  TObjectPtr<TBands> Bands(TBands::Create(nullptr));
  for (Integer W : {4, 5}) static_cast<TBandItem*>(Bands->Add())->SetWidth(W);
  TCollectionItem* First = Bands->GetItems(0);
  Bands->Assign(Bands.get());
  EXPECT_EQ(Widths(Bands.get()), (std::vector<Integer>{4, 5}));
  EXPECT_EQ(Bands->GetItems(0), First);
}

TEST(Collection, NamePathsGoThroughTheOwnersProperty) {
  TObjectPtr<TBandOwner> Owner(TBandOwner::Create(nullptr));
  Owner->SetName("Grid1");
  Owner->GetBands()->Add();
  TCollectionItem* Second = Owner->GetBands()->Add();
  EXPECT_EQ(Owner->GetBands()->GetNamePath(), "Grid1.Bands");
  EXPECT_EQ(Second->GetNamePath(), "Grid1.Bands[1]");
  EXPECT_EQ(Second->GetOwner(), Owner->GetBands());
  TObjectPtr<TBands> Loose(TBands::Create(nullptr));
  EXPECT_EQ(Loose->GetNamePath(), "TBands");
}
