// Pointer and object lists: editing, notifications, ownership and sorting.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes/Lists.h"

using namespace kvp;

namespace {

int A = 1, B = 2, C = 3, D = 4;

// Records every notification as "added 1", "deleted 2", ...
class TRecordingList : public TList {
  KV_CLASS(TRecordingList, TList)
 public:
  std::vector<std::string> Log;

 protected:
  void Notify(void* Ptr, TListNotification Action) override {
    static const char* Names[] = {"added", "extracted", "deleted"};
    Log.push_back(std::string(Names[Action]) + " " + std::to_string(*static_cast<int*>(Ptr)));
  }
};

std::vector<int> Values(TList* L) {
  std::vector<int> Result;
  for (Integer I = 0; I < L->GetCount(); ++I) {
    void* P = L->GetItems(I);
    Result.push_back(P ? *static_cast<int*>(P) : 0);
  }
  return Result;
}

// Counts live instances, so that a test sees which objects were freed.
class TCounted : public TObject {
  KV_CLASS(TCounted, TObject)
 public:
  static inline int Live = 0;
  TCounted() { ++Live; }
  ~TCounted() override { --Live; }
};

using Ints = std::vector<int>;

}  // namespace

TEST(List, EditsKeepOrderAndReportEveryItemThatComesOrGoes) {
  TObjectPtr<TRecordingList> L(TRecordingList::Create());
  EXPECT_EQ(L->Add(&A), 0);
  EXPECT_EQ(L->Add(&C), 1);
  L->Insert(1, &B);
  L->Add(nullptr);  // null items are not reported
  EXPECT_EQ(Values(L.get()), (Ints{1, 2, 3, 0}));
  L->Pack();
  L->SetItems(0, &D);
  EXPECT_EQ(L->Extract(&C), &C);
  EXPECT_EQ(L->Extract(&C), nullptr);
  EXPECT_EQ(L->Remove(&B), 1);
  EXPECT_EQ(L->Remove(&B), -1);
  EXPECT_EQ(Values(L.get()), (Ints{4}));
  EXPECT_EQ(L->Log, (std::vector<std::string>{"added 1", "added 3", "added 2", "deleted 1",
                                              "added 4", "extracted 3", "deleted 2"}));
  L->Insert(1, &A);  // at the count: added at the end
  EXPECT_EQ(Values(L.get()), (Ints{4, 1}));
  EXPECT_THROW(L->Insert(3, &A), EListError);
  L->Delete(1);
  L->Log.clear();
  L->Add(&A);
  L->Clear();
  EXPECT_EQ(L->GetCount(), 0);
  EXPECT_EQ(L->GetCapacity(), 0);
  EXPECT_EQ(L->Log, (std::vector<std::string>{"added 1", "deleted 1", "deleted 4"}));
}

TEST(List, PackTakesOutEveryNilWhereverItIs) {
  TObjectPtr<TList> L(TList::Create());
  int X = 1, Y = 2;
  for (void* P : {static_cast<void*>(nullptr), static_cast<void*>(&X), static_cast<void*>(nullptr),
                  static_cast<void*>(nullptr), static_cast<void*>(&Y), static_cast<void*>(nullptr)})
    L->Add(P);
  L->Pack();
  EXPECT_EQ(Values(L.get()), (Ints{1, 2}));
}

TEST(List, MoveExchangeAndCountChangesDoTheirOwnJob) {
  TObjectPtr<TRecordingList> L(TRecordingList::Create());
  for (int* P : {&A, &B, &C, &D}) L->Add(P);
  L->Log.clear();
  L->Move(0, 2);
  EXPECT_EQ(Values(L.get()), (Ints{2, 3, 1, 4}));
  L->Move(3, 0);
  EXPECT_EQ(Values(L.get()), (Ints{4, 2, 3, 1}));
  L->Exchange(1, 3);
  EXPECT_EQ(Values(L.get()), (Ints{4, 1, 3, 2}));
  EXPECT_TRUE(L->Log.empty());
  EXPECT_EQ(L->First(), &D);
  EXPECT_EQ(L->Last(), &B);

  L->SetCount(6);
  EXPECT_EQ(Values(L.get()), (Ints{4, 1, 3, 2, 0, 0}));
  L->SetCount(2);
  EXPECT_EQ(Values(L.get()), (Ints{4, 1}));
  EXPECT_EQ(L->Log, (std::vector<std::string>{"deleted 2", "deleted 3"}));
}

TEST(List, GrowsInTheUsualStepsAndRefusesBadCapacities) {
  TObjectPtr<TList> L(TList::Create());
  for (int I = 0; I < 13; ++I) L->Add(nullptr);
  EXPECT_EQ(L->GetCapacity(), 28);  // 4, 8, 12, then steps of 16
  L->SetCapacity(13);
  EXPECT_EQ(L->Expand()->GetCapacity(), 29);
  EXPECT_THROW(L->SetCapacity(12), EListError);
  EXPECT_THROW(L->SetCount(-1), EListError);
  EXPECT_EQ(L->GetCount(), 13);
}

TEST(List, BadIndexesRaiseAndChangeNothing) {
  TObjectPtr<TList> L(TList::Create());
  L->Add(&A);
  L->Add(&B);
  std::pair<void (*)(TList*), const char*> Cases[] = {
      {[](TList* X) { X->GetItems(2); }, "List index out of bounds (2)"},
      {[](TList* X) { X->SetItems(-1, &C); }, "List index out of bounds (-1)"},
      {[](TList* X) { X->Insert(3, &C); }, "List index out of bounds (3)"},
      {[](TList* X) { X->Exchange(0, 5); }, "List index out of bounds (5)"},
      {[](TList* X) { X->Move(0, 2); }, "List index out of bounds (2)"},
  };
  for (auto [Run, Message] : Cases) {
    SCOPED_TRACE(Message);
    try {
      Run(L.get());
      ADD_FAILURE() << "no error";
    } catch (const EListError& E) {
      EXPECT_EQ(E.GetMessage(), Message);
    }
    EXPECT_EQ(Values(L.get()), (Ints{1, 2}));
  }
}

TEST(List, SortOrdersByTheCompareFunctionEvenWhenItIsInconsistent) {
  TObjectPtr<TList> L(TList::Create());
  int Data[] = {5, 3, 9, 1, 3, 7, 2, 8, 6, 4, 0};
  for (int& X : Data) L->Add(&X);
  L->Sort([](void* X, void* Y) { return *static_cast<int*>(X) - *static_cast<int*>(Y); });
  EXPECT_EQ(Values(L.get()), (Ints{0, 1, 2, 3, 3, 4, 5, 6, 7, 8, 9}));

  // A compare that answers "less" for everything must not run off the list.
  L->Sort([](void*, void*) { return -1; });
  EXPECT_EQ(L->GetCount(), 11);
  L->Sort([](void*, void*) { return 1; });
  EXPECT_EQ(L->GetCount(), 11);
}

TEST(List, SortNestsOnlyLogarithmicallyWhateverTheCompareFunctionAnswers) {
  // A compare that answers "less" for everything splits off one item at a
  // time; a sort that nested a call per split ran out of stack on long lists.
  static std::uintptr_t Lowest, Highest;
  Lowest = UINTPTR_MAX;
  Highest = 0;
  TObjectPtr<TList> L(TList::Create());
  std::vector<int> Data(4000);
  for (int& X : Data) L->Add(&X);
  L->Sort([](void*, void*) {
    auto Frame = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    Lowest = std::min(Lowest, Frame);
    Highest = std::max(Highest, Frame);
    return -1;
  });
  EXPECT_EQ(L->GetCount(), 4000);
  EXPECT_LT(Highest - Lowest, 64u * 1024);  // a few frames, not 4000 of them
}

TEST(ObjectList, OwningListFreesDeletedObjectsButNotExtractedOnes) {
  TCounted::Live = 0;
  TObjectPtr<TObjectList> L(TObjectList::Create());
  EXPECT_TRUE(L->GetOwnsObjects());
  TObject* Kept = TCounted::Create();
  for (int I = 0; I < 3; ++I) L->Add(TCounted::Create());
  L->Add(Kept);
  EXPECT_EQ(TCounted::Live, 4);
  L->Delete(0);
  EXPECT_EQ(TCounted::Live, 3);
  EXPECT_EQ(L->Extract(Kept), Kept);
  EXPECT_EQ(TCounted::Live, 3);
  L->SetItems(0, Kept);  // the object it replaces is freed
  EXPECT_EQ(TCounted::Live, 2);
  L->Extract(Kept);
  Kept->Free();
  L.reset();
  EXPECT_EQ(TCounted::Live, 0);

  TObjectPtr<TObjectList> Loose(TObjectList::Create(false));
  TObjectPtr<TObject> Obj(TCounted::Create());
  Loose->Add(Obj.get());
  Loose->Clear();
  EXPECT_EQ(TCounted::Live, 1);
}
