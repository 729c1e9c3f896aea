// The in-memory tree dataset as a grid and an application use it: records
// shown as a tree that expands and collapses, rows read without moving the
// cursor, records moved within the tree and between roots, the value lists of
// fields, and a tree that survives odd parent values.
//
// Ideas for tests: a master dataset driving a tree; index order among siblings
// while records are moved.

#include <functional>

#include "DbTestUtil.h"

namespace kvp::test {
namespace {

// Folders:          1 Root A        5 Root B
//                   2   A.1         6   B.1
//                   4     A.1.a
//                   3   A.2
TMemoryTreeDataSet* MakeFolders(bool Tree = true) {
  TMemoryTreeDataSet* DS = TMemoryTreeDataSet::Create(nullptr);
  DS->SetName("Folders");
  DS->GetFieldDefs()->Add("ID", ftInteger);
  DS->GetFieldDefs()->Add("Parent", ftInteger);
  DS->GetFieldDefs()->Add("Name", ftString, 20);
  if (Tree) {
    DS->SetTreeIdField("ID");
    DS->SetTreeParentField("Parent");
  }
  DS->Open();
  DS->AppendRecord({1, Null(), "Root A"});
  DS->AppendRecord({2, 1, "A.1"});
  DS->AppendRecord({3, 1, "A.2"});
  DS->AppendRecord({4, 2, "A.1.a"});
  DS->AppendRecord({5, Null(), "Root B"});
  DS->AppendRecord({6, 5, "B.1"});
  return DS;
}

struct MemoryTreeDataSetTest : ::testing::Test {
  TLog Events;  // the dataset's events, for the tests that hook them
  TMemoryTreeDataSet* DS = nullptr;
  IMemTableKv* Table = nullptr;
  void SetUp() override { Make(true); }
  void Make(bool Tree) {
    FreeObject(DS);
    DS = nullptr;
    DS = MakeFolders(Tree);
    ASSERT_TRUE(Supports(DS, Table));
    CollapseAll();
    DS->First();
  }
  void TearDown() override { FreeObject(DS); }
  Integer Id() { return DS->FieldByName("ID")->GetAsInteger(); }
  // The ids of the rows as the dataset walks them, leaving it where it was.
  std::vector<Integer> Rows() {
    std::vector<Integer> R;
    const TBookmark Here = DS->GetBookmark();
    for (DS->First(); !DS->GetEof(); DS->Next()) R.push_back(Id());
    if (!Here.empty()) DS->GotoBookmark(Here);
    return R;
  }
  Integer RowOfId(Integer Key) {
    for (Integer I = 0; I < Table->GetRecordCount(); ++I) {
      Table->SetActiveRecord(I);
      const Integer K = Id();
      Table->RestoreActiveRecord();
      if (K == Key) return I;
    }
    return -1;
  }
  void Expand(Integer Key, bool Expanded = true) {
    const Integer Row = RowOfId(Key);
    ASSERT_GE(Row, 0) << Key;
    Table->SetNodeExpanded(Row, Expanded);
  }
  void CollapseAll() {
    for (Integer Key : {11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1})
      if (RowOfId(Key) >= 0) Table->SetNodeExpanded(RowOfId(Key), false);
  }
  // What the grid reads for a row: level, children, expanded, the siblings
  // of the node and its ancestors, and the level the next row goes on at.
  String Node(Integer Row) {
    Table->SetActiveRecord(Row);
    String S = IntToStr(Id()) + " L" + IntToStr(Table->GetNodeLevel());
    if (Table->GetNodeHasChildren()) S += Table->GetNodeExpanded() ? " -" : " +";
    S += " next:";
    for (Integer L = 1; L <= Table->GetNodeLevel(); ++L)
      S += Table->GetNodeHasNextSibling(L) ? "1" : "0";
    S += " then:" + IntToStr(Table->GetNextNodeLevel());
    Table->RestoreActiveRecord();
    return S;
  }
};

TEST_F(MemoryTreeDataSetTest, NodesExpandAndCollapseAndTheDatasetWalksWhatShows) {
  EXPECT_TRUE(Table->GetTreeViewMode());
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 5})) << "nodes start collapsed";
  EXPECT_EQ(Table->GetRecordCount(), 2);
  EXPECT_EQ(DS->GetRecordCount(), 2);
  EXPECT_EQ(Node(0), "1 L1 + next:1 then:1");
  EXPECT_EQ(Node(1), "5 L1 + next:0 then:-1");
  // Links hear the new rows as a data-set change.
  TLog Log;
  TDataSource* Source = TDataSource::Create(nullptr);
  Source->SetDataSet(DS);
  TRecordingLink* Link = TRecordingLink::Create(&Log);
  Link->SetDataSource(Source);
  Log.clear();
  Table->SetNodeExpanded(0, true);
  EXPECT_EQ(Log, (TLog{"CheckBrowseMode", "DataSetChanged"}));
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 2, 3, 5}));
  Expand(2);
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 2, 4, 3, 5}));
  EXPECT_EQ(Node(0), "1 L1 - next:1 then:2");
  EXPECT_EQ(Node(1), "2 L2 - next:11 then:3");
  EXPECT_EQ(Node(2), "4 L3 next:110 then:2");
  EXPECT_EQ(Node(3), "3 L2 next:10 then:1");
  EXPECT_EQ(Table->GetParentRecordIndex(2), 1);
  EXPECT_EQ(Table->GetParentRecordIndex(0), -1);
  Table->SetActiveRecord(0);
  EXPECT_EQ(Table->GetNodeChildCount(), 2);
  EXPECT_EQ(Table->GetTreeLevelLimit(), 2) << "a record dropped at a root may become its child";
  Table->RestoreActiveRecord();
  // Expanding an expanded node changes nothing and says nothing.
  Log.clear();
  Table->SetNodeExpanded(0, true);
  EXPECT_TRUE(Log.empty());
  // Collapsing a node hides its whole subtree; the deeper node keeps its state.
  Table->SetNodeExpanded(0, false);
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 5}));
  Table->SetNodeExpanded(0, true);
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 2, 4, 3, 5}));
  DS->CheckConsistency();
  FreeObject(Link);
  FreeObject(Source);
}

TEST_F(MemoryTreeDataSetTest, ACollapseThatHidesTheCurrentRecordMakesTheCollapsedNodeCurrent) {
  Expand(1);
  Expand(2);
  ASSERT_TRUE(DS->Locate("ID", 4, {}));
  EXPECT_EQ(Table->GetActiveRecord(), 2);
  // Collapsing another node leaves the current record current.
  Expand(5);
  Table->SetNodeExpanded(RowOfId(5), false);
  EXPECT_EQ(Id(), 4);
  Table->SetNodeExpanded(RowOfId(1), false);
  EXPECT_EQ(Id(), 1) << "the collapsed node, not the record after it";
  EXPECT_EQ(Table->GetActiveRecord(), 0);
  // A pending edit is posted before the rows change.
  DS->Edit();
  DS->FieldByName("Name")->SetAsString("Root A, renamed");
  Table->SetNodeExpanded(0, true);
  EXPECT_EQ(DS->GetState(), dsBrowse);
  EXPECT_EQ(DS->FieldByName("Name")->GetAsString(), "Root A, renamed");
  DS->CheckConsistency();
}

TEST_F(MemoryTreeDataSetTest, RowsAreReadWithoutMovingTheCursorAndReadsNest) {
  Expand(1);
  DS->Last();  // Root B, row 3
  ASSERT_EQ(Id(), 5);
  HookDataSetEvents(DS, &Events);
  Table->SetActiveRecord(1);
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(DS->FieldByName("Name")->GetAsString(), "A.1");
  EXPECT_EQ(DS->GetRecNo(), 2);
  EXPECT_EQ(Table->GetRecordIndexByBookmark(DS->GetBookmark()), 1);
  Table->SetActiveRecord(0);
  EXPECT_EQ(Id(), 1);
  Table->SetActiveRecord(99);  // no such row: no record
  EXPECT_TRUE(DS->FieldByName("ID")->IsNull());
  EXPECT_TRUE(DS->GetBookmark().empty());
  Table->RestoreActiveRecord();
  EXPECT_EQ(Id(), 1);
  Table->RestoreActiveRecord();
  EXPECT_EQ(Id(), 2);
  Table->RestoreActiveRecord();
  EXPECT_EQ(Id(), 5) << "back on the dataset's own record";
  EXPECT_TRUE(Events.empty()) << "reading rows neither scrolls nor edits";
  EXPECT_EQ(Table->GetActiveRecord(), 3);
  // The current record being edited shows what was typed; the others what is stored.
  DS->Edit();
  DS->FieldByName("Name")->SetAsString("typed");
  Table->SetActiveRecord(3);
  EXPECT_EQ(DS->FieldByName("Name")->GetAsString(), "typed");
  Table->RestoreActiveRecord();
  Table->SetActiveRecord(0);
  EXPECT_EQ(DS->FieldByName("Name")->GetAsString(), "Root A");
  Table->RestoreActiveRecord();
  EXPECT_EQ(DS->FieldByName("Name")->GetAsString(), "typed");
  DS->Cancel();
  // A row's bookmark is its record's, and a row past the last has none.
  Table->SetActiveRecord(1);
  const TBookmark Second = DS->GetBookmark();
  Table->RestoreActiveRecord();
  EXPECT_FALSE(Second.empty());
  EXPECT_EQ(Table->GetBookmarkByRecordIndex(1), Second);
  EXPECT_TRUE(Table->GetBookmarkByRecordIndex(4).empty());
}

TEST_F(MemoryTreeDataSetTest, APostedRecordShowsAndANewParentMovesItInTheTree) {
  // A new child of a collapsed node opens the way to it.
  DS->AppendRecord({7, 2, "A.1.b"});
  EXPECT_EQ(Id(), 7);
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 2, 4, 7, 3, 5}));
  EXPECT_EQ(Node(Table->GetActiveRecord()), "7 L3 next:110 then:2");
  // A new parent value moves the record with its subtree.
  ASSERT_TRUE(DS->Locate("ID", 2, {}));
  DS->Edit();
  DS->FieldByName("Parent")->SetAsInteger(5);
  DS->Post();
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 3, 5, 2, 4, 7, 6})) << "children in storage order";
  EXPECT_EQ(Node(RowOfId(4)), "4 L3 next:011 then:3");
  // Deleting a parent leaves its children as roots.
  DS->Delete();
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 3, 4, 5, 6, 7}));
  EXPECT_EQ(Node(RowOfId(4)), "4 L1 next:1 then:1");
  DS->CheckConsistency();
}

TEST_F(MemoryTreeDataSetTest, ParentsThatNameNoRecordOrLoopMakeRootsAndLoseNothing) {
  DS->AppendRecord({8, 99, "orphan"});
  DS->AppendRecord({9, 10, "loop one"});
  DS->AppendRecord({10, 9, "loop two"});
  DS->AppendRecord({11, 11, "its own parent"});
  CollapseAll();
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 5, 8, 9, 11}));
  Expand(9);
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 5, 8, 9, 10, 11}));
  EXPECT_EQ(Node(RowOfId(10)), "10 L2 next:10 then:1");
  EXPECT_EQ(DS->GetStoredRecordCount(), 10);
  DS->CheckConsistency();
  // A filter that hides a parent makes its shown children roots.
  DS->SetFilter("ID <> 1");
  DS->SetFiltered(true);
  CollapseAll();
  EXPECT_EQ(Rows(), (std::vector<Integer>{2, 3, 5, 8, 9, 11}));
  DS->CheckConsistency();
}

TEST_F(MemoryTreeDataSetTest, RecordsMoveBesideTheTargetOrUnderIt) {
  Expand(1);
  Expand(5);
  // Rows: 1, 2, 3, 5, 6. Moving Root B's child to sit below A.2 (a drop below
  // the dragged row goes after the target).
  auto Mark = [&](Integer Key) {
    Table->SetActiveRecord(RowOfId(Key));
    const TBookmark B = DS->GetBookmark();
    Table->RestoreActiveRecord();
    return B;
  };
  ASSERT_EQ(Rows(), (std::vector<Integer>{1, 2, 3, 5, 6}));
  DS->First();  // Root A stays current through every move
  // A check changes nothing.
  EXPECT_TRUE(Table->MoveRecords({Mark(6)}, RowOfId(2), 2, true));
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 2, 3, 5, 6}));
  // Above the dragged row, at the target's level: before it, as its sibling.
  EXPECT_TRUE(Table->MoveRecords({Mark(6)}, RowOfId(2), 2, false));
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 6, 2, 3, 5}));
  EXPECT_EQ(DS->Lookup("ID", 6, "Parent").AsInteger(), 1) << "the parent field is written";
  EXPECT_EQ(Id(), 1);
  // One level deeper: first among the target's children, the target expanded.
  EXPECT_TRUE(Table->MoveRecords({Mark(3)}, RowOfId(2), 3, false));
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 6, 2, 3, 4, 5}));
  EXPECT_EQ(DS->Lookup("ID", 3, "Parent").AsInteger(), 2);
  // Below the dragged row, at a shallower level: after the target's root.
  EXPECT_TRUE(Table->MoveRecords({Mark(6)}, RowOfId(4), 1, false));
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 2, 3, 4, 6, 5}));
  EXPECT_TRUE(VarIsNull(DS->Lookup("ID", 6, "Parent")));
  // A node takes its subtree along: A.1 under Root B.
  EXPECT_TRUE(Table->MoveRecords({Mark(2), Mark(4)}, RowOfId(5), 2, false));
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 6, 5, 2, 3, 4}));
  EXPECT_EQ(DS->Lookup("ID", 4, "Parent").AsInteger(), 2) << "a moved child keeps its parent";
  EXPECT_EQ(Id(), 1);
  DS->CheckConsistency();
  // Into its own subtree, onto itself, or read-only: refused, nothing changes.
  EXPECT_FALSE(Table->MoveRecords({Mark(5)}, RowOfId(4), 4, true));
  EXPECT_FALSE(Table->MoveRecords({Mark(5)}, RowOfId(4), 4, false));
  EXPECT_FALSE(Table->MoveRecords({Mark(3)}, RowOfId(3), 2, false));
  DS->SetReadOnly(true);
  EXPECT_FALSE(Table->MoveRecords({Mark(6)}, RowOfId(1), 1, false));
  DS->SetReadOnly(false);
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 6, 5, 2, 3, 4}));
  EXPECT_FALSE(Table->MoveRecords({}, 0, 1, false));
}

TEST_F(MemoryTreeDataSetTest, WithoutTreeFieldsTheRowsAreTheRecordsAndMovesReorderThem) {
  Make(false);
  EXPECT_FALSE(Table->GetTreeViewMode());
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Node(3), "4 L1 next:0 then:-1");
  EXPECT_EQ(Table->GetTreeLevelLimit(), 0);
  auto Mark = [&](Integer Row) { return Table->GetBookmarkByRecordIndex(Row); };
  // Down: after the target; up: before it; a selection keeps its order.
  EXPECT_TRUE(Table->MoveRecords({Mark(0)}, 2, -1, false));
  EXPECT_EQ(Rows(), (std::vector<Integer>{2, 3, 1, 4, 5, 6}));
  EXPECT_TRUE(Table->MoveRecords({Mark(5), Mark(3)}, 1, -1, false));
  EXPECT_EQ(Rows(), (std::vector<Integer>{2, 4, 6, 3, 1, 5}));
  EXPECT_TRUE(VarIsNull(DS->Lookup("ID", 1, "Parent"))) << "no field is written";
  // Ordered by a key, the records cannot be placed.
  DS->SetIndexFieldNames("Name");
  EXPECT_FALSE(Table->MoveRecords({Mark(0)}, 2, -1, true));
  DS->CheckConsistency();
  // Naming the tree while open lays the rows out as one.
  DS->SetIndexFieldNames("");
  DS->SetTreeIdField("ID");
  DS->SetTreeParentField("Parent");
  EXPECT_TRUE(Table->GetTreeViewMode());
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 5}));
  // A name the definitions lack is refused and leaves the tree.
  EXPECT_THROW(DS->SetTreeParentField("Nope"), EDatabaseError);
  EXPECT_EQ(DS->GetTreeParentField(), "Parent");
  EXPECT_EQ(Rows(), (std::vector<Integer>{1, 5}));
  DS->CheckConsistency();
}

TEST_F(MemoryTreeDataSetTest, ValueListsHoldTheDistinctTextsAndFollowChanges) {
  DS->AppendRecord({7, 1, "A.1"});
  IMemTableDataFieldValueListKv* List = Table->GetFieldValueList("Name");
  ASSERT_NE(List, nullptr);
  EXPECT_EQ(Table->GetFieldValueList("Name"), List) << "one list a field";
  EXPECT_EQ(List->GetValues()->GetCommaText(), "A.1,A.1.a,A.2,B.1,\"Root A\",\"Root B\"");
  DS->AppendRecord({8, Null(), "Zeta"});
  EXPECT_EQ(List->GetValues()->GetCount(), 7);
  EXPECT_EQ(Id(), 8) << "reading the values moves nothing";
  EXPECT_EQ(Table->GetFieldValueList("Nope")->GetValues()->GetCount(), 0);
  // A list kept after its dataset is gone is empty.
  TInterfacePtr<IMemTableDataFieldValueListKv> Kept(List);
  FreeObject(DS);
  DS = nullptr;
  EXPECT_EQ(Kept->GetValues()->GetCount(), 0);
}

TEST(TreeDataSetOpening, AFieldNameTheDefinitionsLackStopsTheOpening) {
  TMemoryTreeDataSet* DS = TMemoryTreeDataSet::Create(nullptr);
  DS->SetName("Bad");
  DS->GetFieldDefs()->Add("ID", ftInteger);
  DS->SetTreeIdField("ID");
  DS->SetTreeParentField("Up");
  try {
    DS->Open();
    ADD_FAILURE() << "opened";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Bad: Field 'Up' not found");
  }
  EXPECT_FALSE(DS->GetActive());
  FreeObject(DS);
}

}  // namespace
}  // namespace kvp::test
