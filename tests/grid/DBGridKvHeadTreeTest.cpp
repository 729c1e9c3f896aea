// Multi-level titles: the words of a caption, the nodes and rings of the
// header tree, unions of neighbouring leaves, and the tree the grid builds
// from its columns and builds again when they move or hide.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/classes/Filer.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// The subtree as text: Text/width/height, children in brackets.
String Dump(const THeadTreeNode* Node) {
  String S = Node->Text + "/" + std::to_string(Node->Width) + "/" + std::to_string(Node->Height);
  const std::vector<THeadTreeNode*> Kids = Node->Children();
  if (Kids.empty()) return S;
  S += "[";
  for (std::size_t I = 0; I < Kids.size(); ++I) S += (I ? " " : "") + Dump(Kids[I]);
  return S + "]";
}

String Shape(const THeadTreeNode* Node) {
  String S = Node->Text;
  const std::vector<THeadTreeNode*> Kids = Node->Children();
  if (Kids.empty()) return S;
  S += "[";
  for (std::size_t I = 0; I < Kids.size(); ++I) S += (I ? " " : "") + Shape(Kids[I]);
  return S + "]";
}

TEST(DBGridKvHeadTreeWordsTest, WordsAreRunsBetweenDelimiters) {
  Integer Pos = -1;
  EXPECT_EQ(GetWordAndStart(2, "|A||B", "|", Pos), "B");
  EXPECT_EQ(Pos, 5);
  EXPECT_EQ(GetWordAndStart(3, "|A||B", "|", Pos), "");
  EXPECT_EQ(Pos, 0);
  EXPECT_EQ(GetWord(1, "Address|City", "|"), "Address");
  EXPECT_EQ(FindWordStart(2, "Address|City", "|"), 9);
  EXPECT_EQ(FindWordStart(2, "A|", "|"), 0) << "a trailing delimiter makes no word";
  EXPECT_EQ(GetWord(2, "Straße|Größe", "|"), "Größe");
  EXPECT_EQ(GetWord(1, "", "|"), "");
}

class THeadTreeNodeTest : public ::testing::Test {
 protected:
  void SetUp() override { Root = THeadTreeNode::CreateText("Root", 0, 0); }
  void TearDown() override {
    Root->CheckConsistency();
    FreeObject(Root);
  }
  THeadTreeNode* Root = nullptr;
};

TEST_F(THeadTreeNodeTest, ChildrenFormAClosedRingInOrder) {
  EXPECT_EQ(Root->Next, Root) << "a single node is its own ring";
  THeadTreeNode* A = Root->AddChild(Root, "A", 30, 10);
  EXPECT_EQ(Root->Child, A);
  EXPECT_EQ(A->Next, A);
  THeadTreeNode* C = Root->AddChild(Root, "C", 30, 30);
  THeadTreeNode* B = Root->Add(A, "B", 30, 20);
  EXPECT_EQ(Shape(Root), "Root[A B C]");
  EXPECT_EQ(C->Next, A);
  EXPECT_EQ(B->Parent, Root);
  THeadTreeNode* B1 = Root->AddChild(B, "B1", 10, 5);
  EXPECT_EQ(B1->GetLevel(), 2);
  EXPECT_EQ(A->GetLevel(), 1);
  EXPECT_TRUE(Root->Find(B1));
  Root->FreeChildren();
  EXPECT_EQ(Root->Child, nullptr);
  EXPECT_EQ(Shape(Root), "Root");
}

TEST_F(THeadTreeNodeTest, NodesOfAnotherTreeAreRefused) {
  TObjectPtr<THeadTreeNode> Other(THeadTreeNode::CreateText("Other", 0, 0));
  THeadTreeNode* Stranger = Other->AddChild(Other.get(), "S", 1, 1);
  THeadTreeNode* A = Root->AddChild(Root, "A", 30, 10);
  THeadTreeNode* B = Root->AddChild(Root, "B", 30, 10);
  for (auto Act : std::vector<std::function<void()>>{
           [&] { Root->Add(Stranger, "x", 1, 1); },
           [&] { Root->AddChild(Stranger, "x", 1, 1); },
           [&] { Root->Union(Stranger, Stranger, 20, "x"); }}) {
    try {
      Act();
      ADD_FAILURE() << "accepted a stranger";
    } catch (const Exception& E) {
      EXPECT_EQ(E.GetMessage(), "Node not in Tree");
    }
  }
  try {
    Root->Union(B, A, 20, "x");  // A comes before B
    ADD_FAILURE();
  } catch (const Exception& E) {
    EXPECT_EQ(E.GetMessage(), "ATo not in level");
  }
  EXPECT_EQ(Shape(Root), "Root[A B]") << "a refused union changes nothing";
}

TEST_F(THeadTreeNodeTest, AUnionSpansItsMembersAndLowersThem) {
  THeadTreeNode* A = Root->AddChild(Root, "A", 40, 10);
  THeadTreeNode* B = Root->AddChild(Root, "B", 40, 20);
  THeadTreeNode* C = Root->AddChild(Root, "C", 40, 30);
  for (THeadTreeNode* N : {A, B, C}) N->LineWidth = 1;
  THeadTreeNode* U = Root->Union(B, C, 20, "U");
  EXPECT_EQ(Dump(Root), "Root/0/0[A/10/40 U/51/20[B/20/20 C/30/20]]");
  EXPECT_EQ(U->LineWidth, 1);
  THeadTreeNode* All = Root->Union(A, U, 5, "All");
  EXPECT_EQ(Root->Child, All) << "the first child is replaced";
  EXPECT_EQ(All->Next, All);
  EXPECT_EQ(All->Width, 62);
  EXPECT_EQ(U->Height, 15);
  EXPECT_EQ(B->Height, 20);
}

class DBGridKvMultiTitleTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetDataSource(Source);
    Grid->SetUseMultiTitle(true);
  }
  // Columns of widths 50, 60, 70 ... with these captions.
  void Columns(std::initializer_list<const char*> Captions) {
    Grid->BeginLayout();
    Grid->GetColumns()->Clear();
    Integer Width = 50;
    for (const char* Caption : Captions) {
      TColumnKv* Column = Grid->GetColumns()->Add();
      Column->SetFieldName("Name");
      Column->SetWidth(Width);
      Width += 10;
      Column->GetTitle()->SetCaption(Caption);
    }
    Grid->EndLayout();
  }
  String Tree() { return Shape(Grid->GetHeadTree()); }
  Integer TitleHeight() { return Grid->GetRowHeights(0); }
};

TEST_F(DBGridKvMultiTitleTest, ALevelledCaptionMakesANodeOverALeaf) {
  Columns({"A|B"});
  const THeadTreeNode* A = Grid->GetHeadTree()->Child;
  EXPECT_EQ(Tree(), "Root[A[B]]");
  // The layout measures each level; the raised title row is drawn one
  // pixel shorter than the levels add up to.
  EXPECT_GT(A->Height, 0);
  EXPECT_EQ(A->Height + A->Child->Height, TitleHeight() + 1);
  EXPECT_EQ(A->Child->Column, Grid->Column(0));
  ASSERT_EQ(Grid->GetLeafCount(), 1);
  EXPECT_EQ(Grid->GetLeaf(0)->FLeaf, A->Child);
  EXPECT_EQ(Grid->GetLeaf(0)->FColumn, Grid->Column(0));
}

TEST_F(DBGridKvMultiTitleTest, NeighboursShareTheirLeadingPartAndItsWidth) {
  Columns({"X|1", "X|2", "Y"});
  EXPECT_EQ(Tree(), "Root[X[1 2] Y]");
  const THeadTreeNode* X = Grid->GetHeadTree()->Child;
  EXPECT_EQ(X->Width, 50 + 60 + 1) << "both widths and the line between";
  EXPECT_EQ(X->Next->GetLevel(), 1);
  Grid->SetOptions(Grid->GetOptions() - dgColLinesKv);
  EXPECT_EQ(Grid->GetHeadTree()->Child->Width, 110);
  EXPECT_EQ(Grid->GetHeadTree()->Child->Child->LineWidth, 0);
}

TEST_F(DBGridKvMultiTitleTest, ANewWidthWidensTheSharedCellAbove) {
  Columns({"X|1", "X|2", "Y"});
  Grid->Column(0)->SetWidth(80);
  const THeadTreeNode* X = Grid->GetHeadTree()->Child;
  EXPECT_EQ(X->Child->Width, 80);
  EXPECT_EQ(X->Width, 80 + 60 + 1);
  Grid->CheckConsistency();
}

TEST_F(DBGridKvMultiTitleTest, EqualPartsThatAreNotNeighboursStayApart) {
  Columns({"A|1", "B|2", "A|3"});
  EXPECT_EQ(Tree(), "Root[A[1] B[2] A[3]]");
}

TEST_F(DBGridKvMultiTitleTest, CaptionsWithoutASecondLevelStayWhole) {
  Columns({"A|", "Plain", "|B"});
  EXPECT_EQ(Tree(), "Root[A| Plain |B]");
}

TEST_F(DBGridKvMultiTitleTest, ADoubledDelimiterCostsNoNeighbourItsText) {
  Columns({"A||B", "A|C"});
  EXPECT_EQ(Tree(), "Root[A[B C]]");
}

TEST_F(DBGridKvMultiTitleTest, ARunAcrossLevelsLosesItsFirstPartWithoutASharedCell) {
  Columns({"A|B|1", "A|B|2", "B|3"});
  EXPECT_EQ(Tree(), "Root[A[1 2] 3]");
}

TEST_F(DBGridKvMultiTitleTest, TheTreeFollowsColumnsThatMoveHideAndChange) {
  Columns({"X|1", "Y|2", "X|3"});
  EXPECT_EQ(Tree(), "Root[X[1] Y[2] X[3]]");
  const String Before = Dump(Grid->GetHeadTree());
  Grid->LayoutChanged();
  EXPECT_EQ(Dump(Grid->GetHeadTree()), Before) << "built twice, the same tree";
  Grid->Column(2)->SetIndex(1);
  EXPECT_EQ(Tree(), "Root[X[1 3] Y[2]]");
  Grid->Column(0)->SetVisible(false);
  const THeadTreeNode* X = Grid->GetHeadTree()->Child;
  EXPECT_EQ(X->Child->Width, -1) << "hidden, with column lines";
  EXPECT_EQ(X->Width, -1 + 70 + 1);
  Grid->Column(2)->GetTitle()->SetCaption("Z|2");
  EXPECT_EQ(Tree(), "Root[X[1 3] Z[2]]");
  Grid->Column(1)->GetTitle()->SetSortMarker(smDownKv);
  EXPECT_EQ(Grid->GetHeadTree()->Child->Child->Next->SortMarkerWidth, 16);
  Grid->CheckConsistency();
  Grid->SetUseMultiTitle(false);
  EXPECT_EQ(Tree(), "Root");
  EXPECT_EQ(Grid->GetLeafCount(), 0);
}

TEST_F(DBGridKvMultiTitleTest, AHiddenColumnsNewCaptionOrFieldRegroupsTheTitles) {
  Columns({"X|a", "Z|b", "X|c"});
  Grid->Column(1)->SetVisible(false);
  ASSERT_EQ(Tree(), "Root[X[a] Z[b] X[c]]");
  Grid->Column(1)->GetTitle()->SetCaption("X|b");
  EXPECT_EQ(Tree(), "Root[X[a b c]]");
  // Without a caption of its own the title is the field's label.
  Field("ID")->SetDisplayLabel("Q|id");
  Grid->Column(1)->GetTitle()->RestoreDefaults();
  Grid->Column(1)->SetFieldName("ID");
  EXPECT_EQ(Tree(), "Root[X[a] Q[id] X[c]]");
}

TEST_F(DBGridKvMultiTitleTest, TitlesDeeperThanTheLimitAreRefusedAndTheTreeStaysBounded) {
  Columns({"A|B"});
  TColumnTitleKv* Title = Grid->Column(0)->GetTitle();
  String Deep = "A";
  for (Integer I = 1; I < MaxTitleLevels; ++I) Deep += "|A";
  Title->SetCaption(Deep);  // as deep as allowed
  THeadTreeNode* Leaf = Grid->GetLeaf(0)->FLeaf;
  EXPECT_EQ(Leaf->GetLevel(), MaxTitleLevels);
  EXPECT_EQ(Leaf->Text, "A");
  try {
    Title->SetCaption(Deep + "|A");
    ADD_FAILURE() << "a caption one level deeper was taken";
  } catch (const EInvalidGridOperationKv& E) {
    EXPECT_NE(E.GetMessage().find(std::to_string(MaxTitleLevels)), String::npos) << E.GetMessage();
  }
  EXPECT_EQ(Title->GetCaption(), Deep) << "the caption before stays";
  // A field's label is the field's own: a deeper one shows its last levels
  // whole in the lowest cell.
  String Deeper = Deep;
  for (Integer I = 0; I < 100000; ++I) Deeper += "|A";
  Field("Amount")->SetDisplayLabel(Deeper);
  TColumnKv* Column = Grid->GetColumns()->Add();
  Column->SetFieldName("Amount");
  Leaf = Grid->GetLeaf(1)->FLeaf;
  EXPECT_EQ(Leaf->GetLevel(), MaxTitleLevels);
  EXPECT_EQ(Leaf->Text.size(), 2 * 100001 - 1);
  Grid->CheckConsistency();
}

TEST_F(DBGridKvMultiTitleTest, AStoredFormWithADeepTitleIsRefusedWithAClearError) {
  RegisterClass(TTestDBGrid::StaticClass());
  Columns({"A|B"});
  String Text = ComponentToText(Grid);
  String Deep = "A";
  for (Integer I = 0; I < 100000; ++I) Deep += "|A";
  const std::size_t At = Text.find("'A|B'");
  ASSERT_NE(At, String::npos) << Text;
  Text.replace(At, 5, "'" + Deep + "'");
  try {
    TObjectPtr<TComponent> Read(ReadComponentFromText(Text, nullptr));
    ADD_FAILURE() << "read";
  } catch (const Exception& E) {
    EXPECT_NE(E.GetMessage().find("levels"), String::npos) << E.GetMessage();
  }
}

TEST(DBGridKvHeadTreeDepthTest, AVeryDeepTreeIsSearchedAndFreedWithoutDeepRecursion) {
  TObjectPtr<THeadTreeNode> Root(THeadTreeNode::CreateText("Root", 0, 0));
  // A chain of 200,000 levels, linked by hand as a union would link it.
  auto Chain = [&] {
    THeadTreeNode* Node = Root.get();
    for (Integer I = 0; I < 200000; ++I) {
      THeadTreeNode* Below = THeadTreeNode::CreateText("A", 20, 10);
      Below->Parent = Node;
      Node->Child = Below;
      Node = Below;
    }
    return Node;
  };
  THeadTreeNode* Bottom = Chain();
  EXPECT_TRUE(Root->Find(Bottom));
  EXPECT_EQ(Bottom->GetLevel(), 200000);
  Root->AddChild(Bottom, "B", 1, 1);
  Root->FreeChildren();
  EXPECT_EQ(Root->Child, nullptr);
  Chain();  // and freed with the root
}

}  // namespace
}  // namespace korvel
