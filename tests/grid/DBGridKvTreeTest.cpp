// The data-aware grid over a dataset shown as a tree, and the grid's
// commands on whole records and columns, as a person uses them through the
// input driver on the virtual clock: nodes expanded and collapsed with a
// press on their box, records dragged on the indicator column behind the
// XOR drop line and dropped beside or under another record, the same
// drag over a plain dataset handed to the application, column widths fitted
// to what the columns show, and the column filters cleared.
//
// Ideas for tests: fitting a vertical title and an image title; a
// right-to-left editor's node box; several selected records dropped between
// two of them in a tree.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "grid/DBGridKvFilter.h"
#include "grid/DbUtilsKv.h"
#include "platform/controls/EditClass.h"
#include "platform/controls/Forms.h"
#include "platform/db/MemoryDataSetTree.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

constexpr Integer Slot = 18;  // pixels a tree level takes

// A focused grid over folders shown as a tree (all collapsed at first):
//   1 Root A          5 Root B          7.. Root C, Root D, ...
//   2   A.1           6   B.1
//   4     A.1.a
//   3   A.2
// Columns: Name (120 pixels, the tree's), ID (40 pixels).
class DBGridKvTreeTest : public DBGridOnFormTest {
 protected:
  TDrawingLogOn DrawingLog;  // before the windows, so that their surfaces log
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    Tree = TMemoryTreeDataSet::Create(Form);
    Tree->SetName("Folders");
    Tree->GetFieldDefs()->Add("ID", ftInteger);
    Tree->GetFieldDefs()->Add("Parent", ftInteger);
    Tree->GetFieldDefs()->Add("Name", ftString, 20);
    Tree->SetTreeIdField("ID");
    Tree->SetTreeParentField("Parent");
    Tree->Open();
    Tree->AppendRecord({1, Null(), "Root A"});
    Tree->AppendRecord({2, 1, "A.1"});
    Tree->AppendRecord({3, 1, "A.2"});
    Tree->AppendRecord({4, 2, "A.1.a"});
    Tree->AppendRecord({5, Null(), "Root B"});
    Tree->AppendRecord({6, 5, "B.1"});
    IMemTableKv* Table = nullptr;
    Supports(Tree, Table);
    for (Integer Row = Table->GetRecordCount() - 1; Row >= 0; --Row)
      Table->SetNodeExpanded(Row, false);
    Tree->First();
    Source = TDataSource::Create(Form);
    Source->SetDataSet(Tree);
  }
  void Open(Integer ExtraRoots = 0) {
    for (Integer I = 0; I < ExtraRoots; ++I)
      Tree->AppendRecord({7 + I, Null(), "Root " + std::to_string(7 + I)});
    Tree->First();
    Grid->SetDataSource(Source);
    Grid->GetColumns()->Add()->SetFieldName("Name");
    Grid->GetColumns()->Add()->SetFieldName("ID");
    Grid->Column(0)->SetWidth(120);
    Grid->Column(1)->SetWidth(40);
    Grid->SetFocus();
    UpdateWindow(H());
  }
  HWND H() { return Grid->GetHandle(); }
  Integer First() { return Grid->GetIndicatorOffset(); }  // the tree's grid column
  Integer RowOf(Integer DataRow) { return Grid->GetTitleOffset() + DataRow; }
  TRect Cell(Integer Col, Integer DataRow) { return Grid->CellRect(Col, RowOf(DataRow)); }
  Integer Middle(Integer DataRow) {
    const TRect R = Cell(First(), DataRow);
    return (R.Top + R.Bottom) / 2;
  }
  // A point X pixels into the tree column's cell of a data row.
  TPoint InTree(Integer DataRow, Integer X) {
    return {Cell(First(), DataRow).Left + X, Middle(DataRow)};
  }
  TPoint OnIndicator(Integer DataRow) { return {Cell(0, DataRow).Left + 4, Middle(DataRow)}; }
  // The centre of a data row's node box: the last slot of its indent.
  TPoint Box(Integer DataRow, Integer Level) { return InTree(DataRow, Level * Slot - Slot / 2); }
  String Name() { return Tree->FieldByName("Name")->GetAsString(); }
  // The names of the rows the dataset shows, top down, leaving it where it was.
  std::vector<String> Shown() {
    std::vector<String> R;
    const TBookmark Here = Tree->GetBookmark();
    for (Tree->First(); !Tree->GetEof(); Tree->Next()) R.push_back(Name());
    Tree->GotoBookmark(Here);
    return R;
  }
  Variant ParentOf(Integer Id) {
    const TBookmark Here = Tree->GetBookmark();
    Tree->Locate("ID", Variant(Id), {});
    const Variant P = Tree->FieldByName("Parent")->GetValue();
    Tree->GotoBookmark(Here);
    return P;
  }
  // The window's pixels in a rectangle of client coordinates, as they are.
  std::vector<COLORREF> Pixels(const TRect& R) {
    TSurface* S = GetWindowSurface(H());
    TPoint Origin{0, 0};
    ClientToScreen(H(), &Origin);
    TRect W;
    GetWindowRect(Form->GetHandle(), &W);
    std::vector<COLORREF> P;
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left; X < R.Right; ++X)
        P.push_back(S->GetPixel(Origin.X - W.Left + X, Origin.Y - W.Top + Y));
    return P;
  }
  COLORREF Pixel(Integer X, Integer Y) { return Pixels({X, Y, X + 1, Y + 1})[0]; }
  // A client point of the grid on the form's surface, where the log records.
  TPoint OnSurface(TPoint P) {
    ClientToScreen(H(), &P);
    TRect W;
    GetWindowRect(Form->GetHandle(), &W);
    return {P.X - W.Left, P.Y - W.Top};
  }
  TRect Client() { return {0, 0, Grid->GetClientWidth(), Grid->GetClientHeight()}; }
  // The window shows what a fresh paint of the whole grid shows: no trace of
  // a drop line is left.
  bool Clean() {
    UpdateWindow(H());  // what is due to be painted is no trace
    const std::vector<COLORREF> Now = Pixels(Client());
    return Now == Repainted();
  }
  // What a fresh paint of the whole grid shows.
  std::vector<COLORREF> Repainted() {
    InvalidateRect(H(), nullptr, true);
    UpdateWindow(H());
    return Pixels(Client());
  }
  void SavePng(const char* Name) {
    GetWindowSurface(Form->GetHandle())
        ->SavePng((std::filesystem::temp_directory_path() / Name).string());
  }

  TMemoryTreeDataSet* Tree = nullptr;
  TDataSource* Source = nullptr;
};

// [SECTION] Tree nodes

TEST_F(DBGridKvTreeTest,
       APressOnANodesBoxExpandsOrCollapsesItAndTheRestOfTheIndentOnlyTakesThePress) {
  Open();
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "Root B"}));
  EXPECT_EQ(Grid->GetRowCount(), RowOf(2));
  const COLORREF Ink = ColorToRGB(clWindowText);
  // Collapsed: a plus in the box.
  UpdateWindow(H());
  EXPECT_EQ(Pixel(Box(0, 1).X, Box(0, 1).Y - 2), Ink) << "the plus's upright";
  Input.Click(H(), Box(0, 1));
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "A.1", "A.2", "Root B"}));
  EXPECT_EQ(Grid->GetRowCount(), RowOf(4)) << "a row for every node that shows";
  EXPECT_EQ(Name(), "Root A") << "the press took no other record";
  UpdateWindow(H());
  EXPECT_NE(Pixel(Box(0, 1).X, Box(0, 1).Y - 2), Ink) << "a minus now";
  EXPECT_EQ(Pixel(Box(0, 1).X, Box(0, 1).Y), Ink);
  // A.1 stands at level 2: its box is the second slot; the first slot is
  // the indent, where a press is taken and does nothing.
  Advance(1000);
  Input.Click(H(), InTree(1, Slot / 2));
  EXPECT_EQ(Shown().size(), 4u);
  EXPECT_EQ(Name(), "Root A") << "a press in the indent does not move the record";
  Advance(1000);
  Input.Click(H(), Box(1, 2));
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "A.1", "A.1.a", "A.2", "Root B"}));
  // Right of the indent the press is an ordinary one.
  Advance(1000);
  Input.Click(H(), InTree(2, 3 * Slot + 5));
  EXPECT_EQ(Name(), "A.1.a");
  // Collapsing the root hides the current record: the root becomes current.
  Advance(1000);
  Input.Click(H(), Box(0, 1));
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "Root B"}));
  EXPECT_EQ(Name(), "Root A");
  EXPECT_EQ(Grid->GetRow(), RowOf(0));
  // The second column has no tree.
  Advance(1000);
  Input.Click(H(), {Cell(First() + 1, 1).Left + Slot / 2, Middle(1)});
  EXPECT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Name(), "Root B");
  SavePng("kv_tree_nodes.png");
}

TEST_F(DBGridKvTreeTest, AToggleThatFailsLeavesTheGridAndTheDatasetLiveAndTheEditKept) {
  Open();
  // The pending edit is posted before the rows change, and the post is refused.
  Tree->BeforePost = TDataSetNotifyEvent([](TDataSet*) { throw EDatabaseError("refused"); });
  Tree->Edit();
  Tree->FieldByName("Name")->SetAsString("Root A, renamed");
  Input.Click(H(), Box(0, 1));
  const auto& Handled = Application()->GetHandledExceptions();
  ASSERT_EQ(Handled.size(), 1u);
  EXPECT_EQ(Handled[0].Message, "refused");
  Application()->ClearHandledExceptions();
  EXPECT_FALSE(Tree->ControlsDisabled());
  EXPECT_FALSE(Grid->PaintLocked());
  EXPECT_EQ(Tree->GetState(), dsEdit);
  EXPECT_EQ(Name(), "Root A, renamed");
  // Once the post is allowed, the next press toggles.
  Tree->BeforePost = TDataSetNotifyEvent();
  Advance(1000);
  Input.Click(H(), Box(0, 1));
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A, renamed", "A.1", "A.2", "Root B"}));
}

TEST_F(DBGridKvTreeTest, AToggleKeepsTheTopRowAndTheRowsBelowFollow) {
  Open(30);
  Grid->ScrollDataRows(RowOf(1));
  ASSERT_EQ(Grid->GetTopRow(), RowOf(1));
  Input.Click(H(), Box(1, 1));  // Root B
  EXPECT_EQ(Grid->GetTopRow(), RowOf(1));
  EXPECT_EQ(Grid->GetRowCount(), RowOf(33));
  EXPECT_EQ(Name(), "Root A") << "the current record stays, out of view";
  // The rows below the node show its child and then the next roots.
  InvalidateRect(H(), nullptr, true);
  UpdateWindow(H());
  TSurface* S = GetWindowSurface(Form->GetHandle());
  auto TextRow = [&](const String& Text) {
    for (const TDrawRecord& R : S->Records())
      if (R.Kind == TDrawKind::Text && R.Text == Text) return R.Rect.Top;
    return Integer(-1);
  };
  const Integer B1 = TextRow("B.1"), C = TextRow("Root 7");
  ASSERT_GE(B1, 0);
  EXPECT_LT(B1, C);
}

TEST_F(DBGridKvTreeTest, RightToLeftTheNodesBoxStandsAtTheCellsRightEdge) {
  SysLocale.MiddleEast = true;
  Grid->SetBiDiMode(bdRightToLeft);
  Open();
  SavePng("kv_tree_rtl.png");
  // The box of Root A: the last slot of its indent, from the cell's right.
  const TRect R = Cell(First(), 0);
  Input.Click(H(), {R.Left + Slot / 2, Middle(1)});  // Root B's text, far from its box
  EXPECT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Name(), "Root B");
  Advance(1000);
  Input.Click(H(), {R.Right - 1 - Slot / 2, Middle(0)});
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "A.1", "A.2", "Root B"}));
  EXPECT_EQ(Name(), "Root B");
  SysLocale.MiddleEast = false;
}

TEST_F(DBGridKvTreeTest, ASelectedRecordsNodeAreaTakesItsCellsHighlightColour) {
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  Open(1);  // Root A, Root B, Root 7
  const TColor Paper = TColor(0x80FFFF);
  Grid->Column(0)->SetColor(Paper);
  Input.Click(H(), OnIndicator(0));
  Advance(1000);
  Input.Click(H(), OnIndicator(1), mbLeft, {ssCtrl});
  ASSERT_EQ(Grid->GetSelectedRows()->GetCount(), 2);
  ASSERT_EQ(Name(), "Root B");
  UpdateWindow(H());
  // Away from the node's box and lines, past the text: background only.
  auto Area = [&](Integer DataRow) { return Pixel(Cell(First(), DataRow).Left + 2, Middle(DataRow)); };
  auto Back = [&](Integer DataRow) { return Pixel(Cell(First(), DataRow).Right - 3, Middle(DataRow)); };
  const COLORREF Highlight = Back(0);
  ASSERT_NE(Highlight, COLORREF(ColorToRGB(Paper))) << "the selected cell is highlighted";
  EXPECT_EQ(Area(0), Highlight);
  EXPECT_EQ(Area(1), Back(1)) << "the current record, selected too";
  EXPECT_EQ(Area(2), COLORREF(ColorToRGB(Paper))) << "a record outside the selection";
  EXPECT_EQ(Back(2), COLORREF(ColorToRGB(Paper)));
  // Out of the selection, the area has its column's colour again.
  Grid->GetSelectedRows()->Clear();
  UpdateWindow(H());
  EXPECT_EQ(Area(0), COLORREF(ColorToRGB(Paper)));
}

TEST_F(DBGridKvTreeTest, TheKeypadKeysExpandAndCollapseTheCurrentNodeAndOpenNoEditor) {
  Grid->SetOptions(Grid->GetOptions() + dgEditingKv);
  Open();
  Input.KeyPress(VK_ADD);
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "A.1", "A.2", "Root B"}));
  Input.KeyPress(VK_ADD);
  EXPECT_EQ(Shown().size(), 4u) << "an expanded node stays expanded";
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_MULTIPLY);
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "A.1", "A.1.a", "A.2", "Root B"}));
  Input.KeyPress(VK_MULTIPLY);
  EXPECT_EQ(Shown().size(), 4u);
  Input.KeyPress(VK_UP);
  Input.KeyPress(VK_SUBTRACT);
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "Root B"}));
  EXPECT_FALSE(Grid->GetEditorMode()) << "the keys typed nothing into a cell";
  EXPECT_EQ(Name(), "Root A");
}

TEST_F(DBGridKvTreeTest, TheEditorLeavesTheNodeAreaItsRoomAndItsBoxToggles) {
  Grid->SetOptions(Grid->GetOptions() + dgEditingKv + dgAlwaysShowEditorKv);
  Open();
  Input.Click(H(), Box(0, 1));
  Advance(1000);
  Input.Click(H(), InTree(1, 2 * Slot + 10));  // A.1, level 2
  ASSERT_EQ(Name(), "A.1");
  TInplaceEdit* Editor = Grid->GetInplaceEditor();
  ASSERT_TRUE(Editor && Editor->Visible());
  TRect Text{};
  SendMessage(Editor->GetHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Text));
  EXPECT_EQ(Text.Left, 2 + 2 * Slot + 1) << "the margin, the indent and a pixel";
  // The editor draws the node: an expanded-or-not box in its second slot.
  UpdateWindow(H());
  TPoint Origin{0, 0};
  ClientToScreen(Editor->GetHandle(), &Origin);
  ScreenToClient(H(), &Origin);
  const Integer BoxX = Origin.X + Slot + Slot / 2, BoxY = Origin.Y + Editor->GetHeight() / 2;
  EXPECT_EQ(Pixel(BoxX, BoxY - 2), ColorToRGB(clWindowText)) << "collapsed: a plus";
  // A press on it expands A.1; the editor stays on A.1.
  Input.Click(Editor->GetHandle(), {Slot + Slot / 2, Editor->GetHeight() / 2});
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "A.1", "A.1.a", "A.2", "Root B"}));
  EXPECT_EQ(Name(), "A.1");
  UpdateWindow(H());
  EXPECT_NE(Pixel(BoxX, BoxY - 2), ColorToRGB(clWindowText)) << "expanded: a minus";
  // A press in the first slot is the edit's own.
  Input.Click(Editor->GetHandle(), {Slot / 2, Editor->GetHeight() / 2});
  EXPECT_EQ(Shown().size(), 5u);
}

// [SECTION] Record moving

// Dragging in a tree: Root B's child B.1 and the roots, expanded.
class DBGridKvTreeMoveTest : public DBGridKvTreeTest {
 protected:
  void Open(Integer ExtraRoots = 0) {
    Grid->SetOptionsKv(Grid->GetOptionsKv() + dgRowMovingKv);
    DBGridKvTreeTest::Open(ExtraRoots);
    Input.Click(H(), Box(0, 1));  // Root A, A.1, A.2, Root B
    Advance(1000);
    Input.Click(H(), Box(3, 1));  // ..., Root B, B.1
    Advance(1000);
    const std::vector<String> Rows = Shown();
    ASSERT_EQ(std::vector<String>(Rows.begin(), Rows.begin() + 5),
              (std::vector<String>{"Root A", "A.1", "A.2", "Root B", "B.1"}));
  }
  // The drop lines drawn since the log was cleared.
  std::vector<TDrawRecord> DropLines() {
    std::vector<TDrawRecord> R;
    for (const TDrawRecord& D : GetWindowSurface(Form->GetHandle())->Records())
      if (D.Kind == TDrawKind::Line && D.PenWidth == 5) R.push_back(D);
    return R;
  }
};

TEST_F(DBGridKvTreeMoveTest, ARecordDroppedBelowAnotherGoesAfterItAndRightOfItsLevelUnderIt) {
  Open();
  const std::vector<COLORREF> Before = Repainted();
  TSurface* S = GetWindowSurface(Form->GetHandle());
  S->ClearRecords();
  // B.1 (row 4) is taken by its indicator and carried up over A.1 (row 1).
  Input.MouseDown(mbLeft, H(), OnIndicator(4));
  EXPECT_EQ(Grid->GetMouseState(), 7);
  ASSERT_FALSE(DropLines().empty());
  const TDrawRecord Start = DropLines().back();
  EXPECT_EQ(Start.Rop, R2_XORPEN);
  EXPECT_EQ(Start.Color, COLORREF(0xC0C0C0));
  EXPECT_EQ(Start.PenWidth, 5);
  EXPECT_NE(Pixels(Client()), Before) << "the line shows";
  Input.MouseMove(H(), InTree(1, 5));
  // Above the start row the line runs along the target's top edge, from
  // where its level starts to the client's right, with a tick at its start.
  SavePng("kv_tree_drag.png");
  const TRect A1 = Cell(First(), 1);
  const TDrawRecord Line = DropLines().at(DropLines().size() - 2);
  const TDrawRecord Tick = DropLines().back();
  EXPECT_EQ(Line.Points, (std::vector<TPoint>{OnSurface({A1.Left + 2 * Slot, A1.Top}),
                                              OnSurface({Grid->GetClientWidth(), A1.Top})}));
  EXPECT_EQ(Tick.Points, (std::vector<TPoint>{OnSurface({A1.Left + 2 * Slot, A1.Top - 5}),
                                              OnSurface({A1.Left + 2 * Slot, A1.Top + 5})}));
  Input.MouseUp(mbLeft, H(), InTree(1, 5));
  EXPECT_EQ(Grid->GetMouseState(), 0);
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "B.1", "A.1", "A.2", "Root B"}));
  EXPECT_EQ(ParentOf(6), Variant(1)) << "B.1 went beside A.1, under Root A";
  EXPECT_TRUE(Clean()) << "no trace of the line is left";
  // A.2 (row 3) dropped below Root B (row 4), right of Root B's level:
  // it becomes Root B's first child.
  Advance(1000);
  Input.MouseDown(mbLeft, H(), OnIndicator(3));
  Input.MouseMove(H(), InTree(4, 5 * Slot));
  // No deeper than a child of the row: the line starts at level 2, on the
  // lower edge (the drop is below the start row).
  const TRect B = Cell(First(), 4);
  EXPECT_EQ(DropLines().at(DropLines().size() - 2).Points,
            (std::vector<TPoint>{OnSurface({B.Left + 2 * Slot, B.Bottom}),
                                 OnSurface({Grid->GetClientWidth(), B.Bottom})}));
  Input.MouseUp(mbLeft, H(), InTree(4, 5 * Slot));
  EXPECT_EQ(ParentOf(3), Variant(5));
  EXPECT_EQ(Shown(), (std::vector<String>{"Root A", "B.1", "A.1", "Root B", "A.2"}));
  EXPECT_TRUE(Clean());
  SavePng("kv_tree_moved.png");
}

TEST_F(DBGridKvTreeMoveTest, DroppedOnItsOwnRowOrCancelledNothingMovesAndTheLineGoes) {
  Open();
  const std::vector<String> Rows = Shown();
  const std::vector<COLORREF> Before = Repainted();
  // Back to its own row at its own level.
  Input.MouseDown(mbLeft, H(), OnIndicator(2));
  Input.MouseMove(H(), InTree(0, 5));
  Input.MouseMove(H(), InTree(2, 5));
  Input.MouseUp(mbLeft, H(), InTree(2, 5));
  EXPECT_EQ(Shown(), Rows);
  EXPECT_EQ(Pixels(Client()), Before);
  // Cancelled half way: the line is erased and nothing moves.
  Advance(1000);
  Input.MouseDown(mbLeft, H(), OnIndicator(2));
  Input.MouseMove(H(), InTree(0, 5));
  EXPECT_NE(Pixels(Client()), Before);
  Input.KeyDown(VK_ESCAPE);
  Input.KeyUp(VK_ESCAPE);
  EXPECT_EQ(Grid->GetMouseState(), 0);
  EXPECT_EQ(Pixels(Client()), Before);
  Input.MouseUp(mbLeft, H(), InTree(0, 5));
  EXPECT_EQ(Shown(), Rows);
}

TEST_F(DBGridKvTreeMoveTest, DraggedBelowTheRowsTheViewScrollsOnTheTimerAndTheLineLeavesNoTrace) {
  Open(30);
  const std::vector<String> Rows = Shown();
  ASSERT_GT(Grid->GetRowCount() - Grid->GetTopRow(), Grid->GetVisibleRowCount());
  // Carried below the rows, the view scrolls on every tick of the timer;
  // back inside, the drag is let go with Escape.
  auto DragBelow = [&] {
    Input.MouseDown(mbLeft, H(), OnIndicator(1));  // A.1
    Input.MouseMove(H(), {InTree(0, 5).X, Grid->GetClientHeight() + 10});
    const Integer Top = Grid->GetTopRow();
    for (Integer Tick = 0; Tick < 3; ++Tick) Advance(60);
    EXPECT_EQ(Grid->GetTopRow(), Top + 3) << "a row a tick while the mouse is below";
    EXPECT_EQ(Name(), "Root A") << "the record stays where it was";
    TGridDrawInfo Info;
    Grid->CalcDrawInfo(Info);
    const Integer LastRow = Info.Vert.LastFullVisibleCell - Grid->GetTitleOffset();
    Input.MouseMove(H(), InTree(LastRow, 5));
    return LastRow;
  };
  const Integer Dropped = DragBelow();
  Input.KeyPress(VK_ESCAPE);
  EXPECT_TRUE(Clean()) << "no trace of the line";
  Input.MouseUp(mbLeft, H(), InTree(Dropped, 5));
  EXPECT_EQ(Shown(), Rows);
  // The same drag let go on the last full row: A.1 goes after that row.
  Grid->ScrollDataRows(RowOf(0));
  Advance(1000);
  const Integer Last = DragBelow();
  Input.MouseUp(mbLeft, H(), InTree(Last, 5));
  EXPECT_EQ(Shown().size(), Rows.size());
  EXPECT_EQ(Shown()[std::size_t(Last)], "A.1");
  EXPECT_TRUE(Clean());
}

// Dragging records of a plain dataset: the application moves them.
class DBGridKvRowMoveTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetDataSource(Source);
    Grid->GetColumns()->Add()->SetFieldName("Name");
    Grid->SetOptionsKv(Grid->GetOptionsKv() + dgRowMovingKv);
    Grid->OnMoveRecords = TDBGridKvMoveRecordsEvent(
        [this](TObject* Sender, TStrings* Bookmarks, Integer Target, bool TestOnly, Integer Level) {
          EXPECT_EQ(Sender, Grid);
          if (TestOnly) return Accept;
          Moves.push_back({{}, Target, Level});
          for (Integer I = 0; I < Bookmarks->GetCount(); ++I) {
            DataSet->GotoBookmark(Bookmarks->GetStrings(I));
            Moves.back().Names.push_back(Field("Name")->GetAsString());
          }
          return true;
        });
    Grid->SetFocus();
    UpdateWindow(Grid->GetHandle());
  }
  HWND H() { return Grid->GetHandle(); }
  TPoint OnIndicator(Integer DataRow) {
    const TRect R = Grid->CellRect(0, Grid->GetTitleOffset() + DataRow);
    return {R.Left + 4, (R.Top + R.Bottom) / 2};
  }
  TPoint OnData(Integer DataRow) {
    const TRect R = Grid->CellRect(1, Grid->GetTitleOffset() + DataRow);
    return {R.Left + 4, (R.Top + R.Bottom) / 2};
  }
  struct TMove {
    std::vector<String> Names;
    Integer Target, Level;
  };
  std::vector<TMove> Moves;
  bool Accept = true;
};

TEST_F(DBGridKvRowMoveTest, TheApplicationGetsTheDraggedRecordOrTheSelectedOnesAndTheTarget) {
  Input.MouseDown(mbLeft, H(), OnIndicator(1));  // Bob
  Input.MouseMove(H(), OnData(3));
  Input.MouseUp(mbLeft, H(), OnData(3));
  ASSERT_EQ(Moves.size(), 1u);
  EXPECT_EQ(Moves[0].Names, std::vector<String>{"Bob"});
  EXPECT_EQ(Moves[0].Target, 4) << "Dee's record number";
  EXPECT_EQ(Moves[0].Level, -1);
  // Taken back to its own row, it is not moved.
  Advance(1000);
  Input.MouseDown(mbLeft, H(), OnIndicator(1));
  Input.MouseMove(H(), OnData(3));
  Input.MouseMove(H(), OnData(1));
  Input.MouseUp(mbLeft, H(), OnData(1));
  EXPECT_EQ(Moves.size(), 1u);
  // With rows selected, only a selected row drags, and it takes the others.
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  Advance(1000);
  Input.Click(H(), OnIndicator(0));
  Advance(1000);
  Input.Click(H(), OnIndicator(2), mbLeft, {ssCtrl});
  ASSERT_EQ(Grid->GetSelectedRows()->GetCount(), 2);
  Advance(1000);
  Input.MouseDown(mbLeft, H(), OnIndicator(4));  // Eve, not selected
  EXPECT_EQ(Grid->GetMouseState() == 7, false) << "an unselected row does not drag";
  Input.MouseUp(mbLeft, H(), OnIndicator(4));
  EXPECT_EQ(Moves.size(), 1u);
  Advance(1000);
  Input.Click(H(), OnIndicator(0));
  Advance(1000);
  Input.Click(H(), OnIndicator(2), mbLeft, {ssCtrl});
  Advance(1000);
  Input.MouseDown(mbLeft, H(), OnIndicator(2));  // Cid, selected
  EXPECT_EQ(Grid->GetMouseState(), 7);
  Input.MouseMove(H(), OnData(4));
  Input.MouseUp(mbLeft, H(), OnData(4));
  ASSERT_EQ(Moves.size(), 2u);
  EXPECT_EQ(Moves[1].Names, (std::vector<String>{"Ann", "Cid"}));
  EXPECT_EQ(Moves[1].Target, 5);
  // With Ctrl held a press on a selected row selects, as ever: no drag.
  Advance(1000);
  Input.MouseDown(mbLeft, H(), OnIndicator(2), {ssCtrl});
  EXPECT_NE(Grid->GetMouseState(), 7);
  Input.MouseUp(mbLeft, H(), OnIndicator(2), {ssCtrl});
  EXPECT_EQ(Grid->GetSelectedRows()->GetCount(), 1) << "Cid left the selection";
}

TEST_F(DBGridKvRowMoveTest, WithNobodyToMoveThemTheRecordsStayWhereTheyAre) {
  Grid->OnMoveRecords = TDBGridKvMoveRecordsEvent();
  const std::vector<String> Before = [&] {
    std::vector<String> R;
    for (DataSet->First(); !DataSet->GetEof(); DataSet->Next())
      R.push_back(Field("Name")->GetAsString());
    DataSet->First();
    return R;
  }();
  Input.MouseDown(mbLeft, H(), OnIndicator(1));
  Input.MouseMove(H(), OnData(3));
  Input.MouseUp(mbLeft, H(), OnData(3));
  std::vector<String> After;
  for (DataSet->First(); !DataSet->GetEof(); DataSet->Next())
    After.push_back(Field("Name")->GetAsString());
  EXPECT_EQ(After, Before);
  // Asked in code, the grid answers that it could not.
  TObjectPtr<TStringList> Marks(TStringList::Create());
  DataSet->First();
  Marks->Add(DataSet->GetBookmark());
  EXPECT_FALSE(Grid->MoveRecords(Marks.get(), 2, false, -1));
}

// A features object for in-memory datasets that moves a dragged record by
// sending it to the end: it takes the dataset there, as a real move might.
class TMoveToEndFeatures : public TDatasetFeaturesKv {
  KV_CLASS(TMoveToEndFeatures, TDatasetFeaturesKv)
 public:
  std::vector<String>* Calls = nullptr;
  bool MoveRecords(TCustomDBGridKv* Grid, TStrings* Bookmarks, Integer Target,
                   bool TestOnly) override {
    if (TestOnly) return true;
    TDataSet* DataSet = Grid->GetDataSet();
    DataSet->GotoBookmark(Bookmarks->GetStrings(0));
    Calls->push_back(DataSet->FieldByName("id")->GetAsString() + " to " + std::to_string(Target));
    DataSet->Last();
    return true;
  }
};

class DBGridKvServiceMoveTest : public DBGridNumbersTest {
 protected:
  void SetUp() override {
    DBGridNumbersTest::SetUp();
    auto* Features = TMoveToEndFeatures::Create();
    Features->Calls = &Calls;
    RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), Features);
    OpenNumbers(TStore::Memory, 40);
    Grid->GetColumns()->Add()->SetFieldName("name");
    Grid->SetOptionsKv(Grid->GetOptionsKv() + dgRowMovingKv);
    Grid->SetFocus();
    UpdateWindow(Grid->GetHandle());
  }
  void TearDown() override {
    UnregisterDatasetFeaturesKv(TMemoryDataSet::StaticClass());
    DBGridNumbersTest::TearDown();
  }
  HWND H() { return Grid->GetHandle(); }
  TPoint At(Integer Col, Integer DataRow) {
    const TRect R = Grid->CellRect(Col, Grid->GetTitleOffset() + DataRow);
    return {R.Left + 4, (R.Top + R.Bottom) / 2};
  }
  Integer IdAt(Integer DataRow) {
    Grid->SetActiveRecordIndex(DataRow);
    const Integer Id = DataSet->FieldByName("id")->GetAsInteger();
    Grid->RestoreActiveRecordIndex();
    return Id;
  }
  // The window shows what a fresh paint shows: the drop line left no trace.
  bool Clean() {
    UpdateWindow(H());
    const TSurface Now = *GetWindowSurface(H());
    InvalidateRect(H(), nullptr, true);
    UpdateWindow(H());
    const TSurface* After = GetWindowSurface(H());
    for (Integer Y = 0; Y < Now.Height(); ++Y)
      if (!std::equal(Now.Scanline(Y), Now.Scanline(Y) + Now.Width(), After->Scanline(Y)))
        return false;
    return true;
  }
  std::vector<String> Calls;
};

TEST_F(DBGridKvServiceMoveTest, DraggedPastTheWindowTheRecordsScrollAndTheDropKeepsTheView) {
  DataSet->MoveBy(3);                      // id 4, row 3 current
  Input.MouseDown(mbLeft, H(), At(0, 1));  // id 2
  ASSERT_EQ(Grid->GetMouseState(), 7);
  Input.MouseMove(H(), {At(1, 0).X, Grid->GetClientHeight() + 10});
  Advance(60);
  Advance(60);
  EXPECT_EQ(IdAt(0), 3) << "the window moved two records down";
  // Released on the last row: the record shown there is the target.
  const Integer LastRow = Grid->GetDataLink()->GetRecordCount() - 1;
  Input.MouseMove(H(), At(1, LastRow));
  const Integer TopId = IdAt(0), CurrentRow = Grid->GetDataLink()->GetActiveRecord();
  const Integer TargetId = IdAt(LastRow);
  Input.MouseUp(mbLeft, H(), At(1, LastRow));
  EXPECT_EQ(Calls, std::vector<String>{"2 to " + std::to_string(TargetId)});
  EXPECT_EQ(IdAt(0), TopId) << "the same record at the top";
  EXPECT_EQ(Grid->GetDataLink()->GetActiveRecord(), CurrentRow) << "and the same row current";
  EXPECT_TRUE(Clean());
  // Carried one record past the window and back onto its own record, which
  // now shows one row higher: nothing moves.
  Calls.clear();
  DataSet->First();
  Advance(1000);
  Input.MouseDown(mbLeft, H(), At(0, 2));  // id 3
  Input.MouseMove(H(), {At(1, 0).X, Grid->GetClientHeight() + 10});
  Advance(60);
  ASSERT_EQ(IdAt(1), 3);
  Input.MouseMove(H(), At(1, 1));
  Input.MouseUp(mbLeft, H(), At(1, 1));
  EXPECT_TRUE(Calls.empty());
  EXPECT_TRUE(Clean());
}

// [SECTION] Commands

TEST_F(DBGridKvTreeTest, ADoubleClickOnATitleBorderFitsTheColumnToItsWidestCellWithTheTreeIndent) {
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgDblClickFitColWidthKv);
  Open();
  Input.Click(H(), Box(0, 1));
  Advance(1000);
  Input.Click(H(), Box(1, 2));  // A.1.a shows, at level 3
  Advance(1000);
  Input.Click(H(), InTree(3, 60));  // A.2 current
  ASSERT_EQ(Name(), "A.2");
  TObjectPtr<TBitmap> Measure(TBitmap::Create());
  Measure->GetCanvas()->GetFont()->Assign(Grid->Column(0)->GetFont());
  const Integer Deepest = 3 * Slot + Measure->GetCanvas()->TextWidth("A.1.a") + 4;
  const Integer Rooted = Slot + Measure->GetCanvas()->TextWidth("Root A") + 4;
  const TRect Title = Grid->CellRect(First(), 0);
  Input.DoubleClick(H(), {Title.Right, Title.Top + 3});
  EXPECT_EQ(Grid->Column(0)->GetWidth(), std::max(Deepest, Rooted));
  EXPECT_EQ(Name(), "A.2") << "the walk comes back to the record";
  EXPECT_FALSE(Tree->ControlsDisabled());
  // Fitting a column under a columns selection fits the selected ones too.
  Grid->Column(0)->SetWidth(300);
  Grid->Column(1)->SetWidth(300);
  Grid->GetSelection()->GetColumns()->Select(Grid->Column(0), false);
  Grid->OptimizeSelectedColsWidth(Grid->Column(1));
  EXPECT_EQ(Grid->Column(0)->GetWidth(), std::max(Deepest, Rooted));
  Measure->GetCanvas()->GetFont()->Assign(Grid->Column(1)->GetTitle()->GetFont());
  EXPECT_EQ(Grid->Column(1)->GetWidth(), Measure->GetCanvas()->TextWidth("ID") + 4)
      << "the title is the widest";
  // A footer wider than everything else sets the width, with 5 pixels.
  Grid->SetFooterRowCount(1);
  TColumnFooterKv* Footer = Grid->Column(1)->GetFooter();
  Footer->SetValueType(fvtStaticText);
  Footer->SetValue("Folders in the tree");
  Grid->GetSelection()->Clear();
  Grid->Column(0)->SetWidth(300);
  Grid->OptimizeSelectedColsWidth(Grid->Column(1));
  Measure->GetCanvas()->GetFont()->Assign(Footer->GetFont());
  EXPECT_EQ(Grid->Column(1)->GetWidth(),
            Measure->GetCanvas()->TextWidth("Folders in the tree") + 5);
  EXPECT_EQ(Grid->Column(0)->GetWidth(), 300) << "only the column asked";
}

TEST_F(DBGridKvTreeTest, AFitThatFailsHalfWayLeavesTheDatasetWhereItWasAndLive) {
  Open();
  ASSERT_EQ(Name(), "Root A");
  const Integer Width = Grid->Column(0)->GetWidth();
  Grid->Column(0)->SetOnGetCellParams(
      TGetColCellParamsEventKv([this](TObject*, bool, TColCellParamsKv*) {
        if (Name() == "Root B") throw EInvalidOperation("no parameters now");
      }));
  TColumnsKvList List;
  List.Add(Grid->Column(0));
  EXPECT_THROW(Grid->OptimizeColsWidth(&List), EInvalidOperation);
  EXPECT_FALSE(Tree->ControlsDisabled());
  EXPECT_EQ(Name(), "Root A");
  EXPECT_EQ(Grid->Column(0)->GetWidth(), Width);
  Grid->Column(0)->SetOnGetCellParams(TGetColCellParamsEventKv());
  Grid->Column(0)->SetWidth(77);
  EXPECT_EQ(Grid->GetColWidths(First()), 77) << "the layout is not left locked";
}

TEST_F(DBGridKvTreeTest, ClearingTheColumnFiltersEmptiesEveryOne) {
  Open();
  for (Integer I = 0; I < 2; ++I) {
    Grid->Column(I)->GetSTFilter()->SetExpressionStr("=1");
    Grid->Column(I)->GetSTFilter()->SetKeyValue(Variant(1));
  }
  Grid->ClearColumnsFilter();
  for (Integer I = 0; I < 2; ++I) {
    EXPECT_EQ(Grid->Column(I)->GetSTFilter()->GetExpressionStr(), "");
    EXPECT_TRUE(VarIsNull(Grid->Column(I)->GetSTFilter()->GetKeyValue()));
  }
}

}  // namespace
}  // namespace korvel
