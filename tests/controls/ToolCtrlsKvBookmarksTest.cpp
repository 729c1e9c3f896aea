// The bookmark list: records kept in the dataset's order whatever the order of
// selection, searches that cost a binary search (counted on 100,000 records)
// and nothing when repeated, deleting the listed records, the hooks it calls,
// its life while the dataset is closed, and records deleted elsewhere.
//
// Ideas for tests: a dataset ordered descending (the list follows the
// dataset's comparison, not the bookmark text).
#include <gtest/gtest.h>

#include <cmath>

#include "platform/db/DB.h"
#include "tests/controls/ControlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;

// An in-memory dataset that counts its bookmark comparisons.
class TCountingDataSet : public TMemoryDataSet {
  KV_CLASS(TCountingDataSet, TMemoryDataSet)
 public:
  explicit TCountingDataSet(TComponent* AOwner) : TMemoryDataSet(AOwner) {}
  Integer CompareBookmarks(const TBookmark& B1, const TBookmark& B2) override {
    ++Compares;
    return TMemoryDataSet::CompareBookmarks(B1, B2);
  }
  Integer Compares = 0;
};

// A read-only in-memory dataset of Count numbered records, quick to make in
// any size; it counts its bookmark comparisons too.
class TNumbersDataSet : public TDataSet {
  KV_CLASS(TNumbersDataSet, TDataSet)
 public:
  TNumbersDataSet(TComponent* AOwner, Integer ACount) : TDataSet(AOwner), FCount(ACount) {}
  Integer GetRecordCount() override { return FCount; }
  bool GetCanModify() override { return false; }
  bool BookmarkValid(const TBookmark& B) override {
    Integer I = 0;
    return Decode(B, I);
  }
  Integer CompareBookmarks(const TBookmark& B1, const TBookmark& B2) override {
    ++Compares;
    Integer I1 = 0, I2 = 0;
    Decode(B1, I1);
    Decode(B2, I2);
    return I1 < I2 ? -1 : (I1 > I2 ? 1 : 0);
  }
  Integer Compares = 0;

 protected:
  void InternalOpen() override {
    if (GetFieldDefs()->GetCount() == 0) GetFieldDefs()->Add("ID", ftInteger);
    FCursor = -1;
  }
  void InternalClose() override {}
  void InternalFirst() override { FCursor = -1; }
  void InternalLast() override { FCursor = FCount; }
  TGetResult GetRecord(TRecordBuffer& Buffer, TGetMode Mode) override {
    const TGetResult R = StepCursor(FCursor, FCount, Mode);
    if (R != grOK) return R;
    Buffer.Data.assign(1, Variant(FCursor + 1));
    Buffer.Bookmark = Encode(FCursor);
    Buffer.RecNo = FCursor + 1;
    Buffer.Flag = bfCurrent;
    return grOK;
  }
  void InternalSetToRecord(const TRecordBuffer& Buffer) override {
    Integer I = 0;
    if (Decode(Buffer.Bookmark, I)) FCursor = I;
  }
  bool InternalGotoBookmark(const TBookmark& B) override {
    Integer I = 0;
    if (!Decode(B, I)) return false;
    FCursor = I;
    return true;
  }
  void InternalSetRecNo(Integer Value) override { FCursor = Value - 1; }
  void InternalPost() override { DatabaseError("Cannot modify a read-only dataset", this); }
  void InternalDelete() override { DatabaseError("Cannot modify a read-only dataset", this); }

 private:
  // Bookmarks are the index as text, so that their string order is not the
  // records' order ("10" < "9").
  static TBookmark Encode(Integer I) { return IntToStr(I); }
  bool Decode(const TBookmark& B, Integer& I) const {
    return TryStrToInt(B, I) && I >= 0 && I < FCount;
  }
  Integer FCount = 0;
  Integer FCursor = -1;
};

// The list with its hooks logged, as the grid's selection overrides them.
class TTestBMList : public TBMListKv {
  KV_CLASS(TTestBMList, TBMListKv)
 public:
  TDataSet* DataSet = nullptr;
  std::vector<String> Log;

 protected:
  TDataSet* GetDataSet() override { return DataSet; }
  void Invalidate() override { Log.push_back("Invalidate"); }
  void SelectionChanged() override { Log.push_back("SelectionChanged"); }
};

class ToolCtrlsKvBookmarksTest : public ::testing::Test {
 protected:
  void SetUp() override { Make(20); }
  void Make(Integer Records) {
    List.reset();
    DS.reset(TCountingDataSet::Create(nullptr));
    DS->SetName("Table1");
    DS->GetFieldDefs()->Add("ID", ftInteger);
    DS->Open();
    {
      TDisableControlsGuard Quiet(DS.get());
      for (Integer I = 1; I <= Records; ++I) DS->AppendRecord({I});
    }
    DS->First();
    List.reset(TTestBMList::Create());
    List->DataSet = DS.get();
    List->LinkActive(true);
    List->Log.clear();
  }
  void TearDown() override {
    List.reset();
    DS.reset();
  }
  void Go(Integer RecNo) { DS->SetRecNo(RecNo); }
  void Select(Integer RecNo, bool Value = true) {
    Go(RecNo);
    List->SetCurrentRowSelected(Value);
  }
  TBookmark BookmarkOf(Integer RecNo) {
    Go(RecNo);
    return DS->GetBookmark();
  }
  // The ID of each listed record, in list order.
  std::vector<Integer> Listed() {
    std::vector<Integer> Ids;
    for (Integer I = 0; I < List->GetCount(); ++I) {
      DS->SetBookmark(List->GetItems(I));
      Ids.push_back(DS->FieldByName("ID")->GetAsInteger());
    }
    return Ids;
  }
  using V = std::vector<Integer>;
  TObjectPtr<TCountingDataSet> DS;
  TObjectPtr<TTestBMList> List;
};

TEST_F(ToolCtrlsKvBookmarksTest, RecordsAreListedInTheDatasetsOrder) {
  Select(5);
  Select(2);
  Select(9);
  EXPECT_EQ(Listed(), (V{2, 5, 9}));
  List->CheckConsistency();
  Go(5);
  EXPECT_TRUE(List->GetCurrentRowSelected());
  Go(6);
  EXPECT_FALSE(List->GetCurrentRowSelected());
  EXPECT_EQ(List->IndexOf(BookmarkOf(9)), 2);
  EXPECT_EQ(List->IndexOf(BookmarkOf(3)), -1);
  // Where a missing bookmark would go: the front, the middle, the end.
  Integer Index = -1;
  EXPECT_FALSE(List->Find(BookmarkOf(1), Index));
  EXPECT_EQ(Index, 0);
  EXPECT_FALSE(List->Find(BookmarkOf(7), Index));
  EXPECT_EQ(Index, 2);
  EXPECT_FALSE(List->Find(BookmarkOf(20), Index));
  EXPECT_EQ(Index, 3);
  EXPECT_TRUE(List->Find(BookmarkOf(2), Index));
  EXPECT_EQ(Index, 0);
  Select(5, false);
  EXPECT_EQ(Listed(), (V{2, 9}));
  EXPECT_TRUE(List->Log.empty());  // single changes call no hook
}

TEST_F(ToolCtrlsKvBookmarksTest, SelectingTwiceOrUnselectingAnUnlistedRecordChangesNothing) {
  Select(4);
  Select(4);
  EXPECT_EQ(Listed(), V{4});
  Select(7, false);
  EXPECT_EQ(Listed(), V{4});
  // The repeated question is answered from the kept answer.
  Go(4);
  List->GetCurrentRowSelected();
  DS->Compares = 0;
  EXPECT_TRUE(List->GetCurrentRowSelected());
  EXPECT_EQ(DS->Compares, 0);
  // Any change of the list forgets it.
  Select(8);
  Go(4);
  DS->Compares = 0;
  EXPECT_TRUE(List->GetCurrentRowSelected());
  EXPECT_GT(DS->Compares, 0);
}

TEST(ToolCtrlsKvBookmarksBigTest, OnAHundredThousandRecordsEveryStepIsABinarySearch) {
  TObjectPtr<TNumbersDataSet> DS(TNumbersDataSet::Create(nullptr, 100000));
  DS->Open();
  TObjectPtr<TTestBMList> List(TTestBMList::Create());
  List->DataSet = DS.get();
  List->LinkActive(true);
  const Integer Bound = Integer(std::ceil(std::log2(100001.0)));  // 17
  // Every record, in the dataset's order.
  Integer Worst = 0;
  DS->First();
  while (!DS->GetEof()) {
    DS->Compares = 0;
    List->SetCurrentRowSelected(true);
    Worst = std::max(Worst, DS->Compares);
    DS->Next();
  }
  EXPECT_EQ(List->GetCount(), 100000);
  EXPECT_LE(Worst, Bound);
  EXPECT_GE(Worst, Bound - 1);  // really a search, not a lucky guess
  // Finding, unlisting and listing again anywhere.
  for (Integer RecNo : {1, 33333, 50000, 77777, 100000}) {
    SCOPED_TRACE(RecNo);
    DS->SetRecNo(RecNo);
    const TBookmark B = DS->GetBookmark();
    DS->Compares = 0;
    EXPECT_EQ(List->IndexOf(B), RecNo - 1);
    EXPECT_LE(DS->Compares, Bound);
    DS->Compares = 0;
    List->SetCurrentRowSelected(false);
    EXPECT_LE(DS->Compares, Bound);
    EXPECT_EQ(List->GetCount(), 99999);
    DS->Compares = 0;
    List->SetCurrentRowSelected(true);
    EXPECT_LE(DS->Compares, Bound);
    EXPECT_EQ(List->IndexOf(B), RecNo - 1);
  }
  List->CheckConsistency();
}

TEST_F(ToolCtrlsKvBookmarksTest, DeleteRemovesTheListedRecordsLastFirst) {
  for (Integer R : {3, 6, 9}) Select(R);
  std::vector<Integer> Deleted;
  DS->BeforeDelete = [&Deleted](TDataSet* D) {
    Deleted.push_back(D->FieldByName("ID")->GetAsInteger());
  };
  List->Delete();
  EXPECT_EQ(Deleted, (V{9, 6, 3}));
  EXPECT_EQ(List->GetCount(), 0);
  EXPECT_EQ(DS->GetRecordCount(), 17);
  EXPECT_FALSE(DS->ControlsDisabled());
  EXPECT_EQ(List->Log, std::vector<String>{"SelectionChanged"});
}

TEST_F(ToolCtrlsKvBookmarksTest, AFailedDeletionKeepsWhatWasNotDeletedAndEnablesTheControls) {
  for (Integer R : {3, 6, 9}) Select(R);
  DS->BeforeDelete = [](TDataSet* D) {
    if (D->FieldByName("ID")->GetAsInteger() == 6) throw EDatabaseError("Record is locked");
  };
  EXPECT_THROW(List->Delete(), EDatabaseError);
  EXPECT_EQ(Listed(), (V{3, 6}));
  EXPECT_FALSE(DS->ControlsDisabled());
  EXPECT_TRUE(List->Log.empty());
  EXPECT_EQ(DS->GetRecordCount(), 19);
}

TEST_F(ToolCtrlsKvBookmarksTest, ClearCallsItsHooksOnlyWhenSomethingWasListed) {
  List->Clear();
  EXPECT_TRUE(List->Log.empty());
  Select(2);
  List->Clear();
  EXPECT_EQ(List->Log, (std::vector<String>{"SelectionChanged", "Invalidate"}));
  EXPECT_EQ(List->GetCount(), 0);
}

TEST_F(ToolCtrlsKvBookmarksTest, UnlinkedTheListRefusesTheCurrentRecord) {
  Select(2);
  List->LinkActive(false);
  EXPECT_EQ(List->Log, (std::vector<String>{"SelectionChanged", "Invalidate", "SelectionChanged"}));
  EXPECT_EQ(List->GetCount(), 0);
  for (auto Use : {+[](TBMListKv* L) { L->GetCurrentBookmark(); },
                   +[](TBMListKv* L) { L->GetCurrentRowSelected(); },
                   +[](TBMListKv* L) { L->SetCurrentRowSelected(true); }}) {
    try {
      Use(List.get());
      ADD_FAILURE() << "no error";
    } catch (const Exception& E) {
      EXPECT_EQ(E.GetMessage(), "Cannot perform this operation on a closed dataset");
    }
  }
  List->LinkActive(true);
  Select(3);
  EXPECT_EQ(Listed(), V{3});
}

// Regression: a record being inserted has no bookmark; listing it added an
// empty entry, and deleting the listed records then deleted whatever record
// was current.
TEST_F(ToolCtrlsKvBookmarksTest, ARecordWithoutABookmarkIsNotListed) {
  Select(4);
  DS->Insert();
  List->SetCurrentRowSelected(true);
  EXPECT_EQ(List->GetCount(), 1);
  DS->Cancel();
  List->CheckConsistency();
  std::vector<Integer> Deleted;
  DS->BeforeDelete = [&Deleted](TDataSet* D) {
    Deleted.push_back(D->FieldByName("ID")->GetAsInteger());
  };
  Go(10);
  List->Delete();
  EXPECT_EQ(Deleted, V{4});
}

TEST_F(ToolCtrlsKvBookmarksTest, RecordsDeletedElsewhereAreUnlistedAndTheRestStayInOrder) {
  for (Integer R : {2, 5, 8, 11, 14}) Select(R);
  const TBookmark Eleven = BookmarkOf(11);
  Go(8);
  DS->Delete();  // ID 8, by another control
  Go(2);
  DS->Delete();  // ID 2
  EXPECT_TRUE(List->Refresh());
  EXPECT_EQ(List->Log, std::vector<String>{"SelectionChanged"});
  EXPECT_EQ(Listed(), (V{5, 11, 14}));
  List->CheckConsistency();
  EXPECT_EQ(List->IndexOf(Eleven), 1);
  EXPECT_FALSE(List->Refresh());
  // Deleting the listed records passes over one already gone.
  Go(9);  // ID 11 after the two deletions
  DS->Delete();
  std::vector<Integer> Deleted;
  DS->BeforeDelete = [&Deleted](TDataSet* D) {
    Deleted.push_back(D->FieldByName("ID")->GetAsInteger());
  };
  List->Delete();
  EXPECT_EQ(Deleted, (V{14, 5}));
  EXPECT_EQ(List->GetCount(), 0);
}

}  // namespace
}  // namespace korvel
