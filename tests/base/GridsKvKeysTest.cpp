// The grid under the keyboard, driven through the input driver: the key
// table, range selection with Shift, row selection, Tab with tab stops, and
// the dialog codes the grid answers.
#include <gtest/gtest.h>

#include <functional>

#include "platform/controls/StdCtrls.h"
#include "platform/rtl/VirtualKeys.h"
#include "tests/base/TestGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class GridsKvKeysTest : public GridOnFormTest {
 protected:
  void SetUp() override {
    GridOnFormTest::SetUp();
    Grid->SetColCount(10);
    Grid->SetRowCount(10);
  }
  TGridCoord Current() const { return {Grid->GetCol(), Grid->GetRow()}; }
  TGridCoord TopLeft() const { return {Grid->GetLeftCol(), Grid->GetTopRow()}; }
};

// 320 x 120: columns 1..3 and rows 1..3 are wholly visible from (1,1);
// the largest top-left cell is (7,7).
TEST_F(GridsKvKeysTest, KeyTableMovesTheCurrentCellAndTheTopLeftCell) {
  struct TCase {
    const char* Name;
    TGridCoord Start;
    Word Key;
    TShiftState Shift;
    TGridCoord Current;
    TGridCoord TopLeft;
    TGridCoord StartTopLeft{1, 1};
  };
  const TCase Cases[] = {
      {"Down", {2, 2}, VK_DOWN, {}, {2, 3}, {1, 1}},
      {"Up", {2, 2}, VK_UP, {}, {2, 1}, {1, 1}},
      {"Up at the top", {2, 1}, VK_UP, {}, {2, 1}, {1, 1}},
      {"Right", {2, 2}, VK_RIGHT, {}, {3, 2}, {1, 1}},
      {"Right scrolls into view", {3, 2}, VK_RIGHT, {}, {4, 2}, {2, 1}},
      {"Left at the first column", {1, 2}, VK_LEFT, {}, {1, 2}, {1, 1}},
      {"PageDown", {2, 1}, VK_NEXT, {}, {2, 3}, {1, 3}},
      {"Ctrl+PageDown", {2, 1}, VK_NEXT, {ssCtrl}, {2, 3}, {1, 1}},
      {"PageUp", {2, 5}, VK_PRIOR, {}, {2, 3}, {1, 1}},
      {"Ctrl+PageUp", {2, 3}, VK_PRIOR, {ssCtrl}, {2, 1}, {1, 1}},
      {"Ctrl+Right pages", {2, 2}, VK_RIGHT, {ssCtrl}, {4, 2}, {3, 1}},
      {"Ctrl+Left pages back", {4, 2}, VK_LEFT, {ssCtrl}, {2, 2}, {1, 1}},
      {"Ctrl+Down scrolls only", {2, 2}, VK_DOWN, {ssCtrl}, {2, 2}, {1, 2}},
      {"End", {2, 2}, VK_END, {}, {9, 2}, {7, 1}},
      {"Ctrl+End", {2, 2}, VK_END, {ssCtrl}, {9, 9}, {7, 7}},
      {"Ctrl+Home", {5, 5}, VK_HOME, {ssCtrl}, {1, 1}, {1, 1}},
      {"Home", {5, 2}, VK_HOME, {}, {1, 2}, {1, 1}},
      // Backwards from a scrolled view: the view follows the cell back.
      {"Left scrolls back into view", {4, 2}, VK_LEFT, {}, {3, 2}, {3, 1}, {4, 1}},
      {"Up scrolls back into view", {2, 4}, VK_UP, {}, {2, 3}, {1, 3}, {1, 4}},
      {"Ctrl+Left pages the view back", {6, 2}, VK_LEFT, {ssCtrl}, {4, 2}, {3, 1}, {5, 1}},
      {"Ctrl+Up scrolls back only", {2, 5}, VK_UP, {ssCtrl}, {2, 5}, {1, 3}, {1, 4}},
      {"PageUp from the bottom", {2, 9}, VK_PRIOR, {}, {2, 7}, {1, 5}, {1, 7}},
      {"Home scrolls back", {5, 2}, VK_HOME, {}, {1, 2}, {1, 1}, {3, 1}},
      {"Ctrl+PageUp stays in view", {2, 9}, VK_PRIOR, {ssCtrl}, {2, 7}, {1, 7}, {1, 7}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Grid->MoveColRow(1, 1, true, true);
    Grid->SetLeftCol(1);
    Grid->SetTopRow(1);
    Grid->MoveColRow(C.Start.X, C.Start.Y, true, true);
    Grid->SetLeftCol(C.StartTopLeft.X);
    Grid->SetTopRow(C.StartTopLeft.Y);
    ASSERT_EQ(TopLeft(), C.StartTopLeft);
    Paint();  // a fresh drawing log for each case keeps the test quick
    Press(C.Key, C.Shift);
    EXPECT_EQ(Current(), C.Current);
    EXPECT_EQ(TopLeft(), C.TopLeft);
    Grid->CheckConsistency();
  }
}

// Scrolling moves pixels and repaints only what was uncovered; the picture
// must be the one a full repaint gives, with and without a footer row. A 5 x 5
// grid scrolls one cell each way at once (both strips and the corner move); a
// row selection's focus rectangle is drawn again where the row now ends.
TEST_F(GridsKvKeysTest, ScrolledPictureMatchesAFullRepaint) {
  auto Snapshot = [&] {
    std::vector<COLORREF> Pixels;
    for (Integer Y = 0; Y < 120; ++Y)
      for (Integer X = 0; X < 320; ++X) Pixels.push_back(Pixel(X, Y));
    return Pixels;
  };
  auto Key = [&](Word K, TShiftState Shift = {}) { return [=, this] { Press(K, Shift); }; };
  auto Bar = [&](UINT Msg, Integer Code) {
    return [=, this] { SendMessage(Grid->GetHandle(), Msg, MAKEWPARAM(Code, 0), 0); };
  };
  const std::function<void()> None = [] {};
  const std::function<void()> ToTheEnd = Key(VK_END, {ssCtrl});
  const std::function<void()> ThirdColumnFirst = [this] { Grid->SetLeftCol(3); };
  struct TCase {
    const char* Name;
    Integer ContraRows, ContraCols;
    std::function<void()> Start;  // scrolls the grid to where the case starts
    std::function<void()> Act;
    Integer Size = 10;  // columns and rows
    bool RowSelect = false;
  };
  const TCase Cases[] = {
      {"right", 0, 0, None, Key(VK_RIGHT)},
      {"page down", 0, 0, None, Key(VK_NEXT)},
      {"both ways", 0, 0, None, Key(VK_END, {ssCtrl})},
      {"back home", 0, 0, ToTheEnd, Key(VK_HOME, {ssCtrl})},
      {"footer, down", 1, 0, None, Key(VK_NEXT)},
      {"footer, both", 1, 0, None, Key(VK_END, {ssCtrl})},
      {"contra column, down", 0, 1, None, Key(VK_NEXT)},
      {"contra column, both", 0, 1, None, Key(VK_END, {ssCtrl})},
      {"contra column, back", 0, 1, ToTheEnd, Key(VK_HOME, {ssCtrl})},
      {"one cell both ways", 0, 0, None, Key(VK_END, {ssCtrl}), 5},
      {"one cell both ways, footer", 1, 0, None, Key(VK_END, {ssCtrl}), 5},
      {"one cell both ways, contra column", 0, 1, None, Key(VK_END, {ssCtrl}), 5},
      {"one cell both ways, both", 1, 1, None, Key(VK_END, {ssCtrl}), 5},
      {"one cell back both ways, both", 1, 1, ToTheEnd, Key(VK_HOME, {ssCtrl}), 5},
      {"row selection, a column right", 0, 0, None, Bar(WM_HSCROLL, SB_LINEDOWN), 10, true},
      {"row selection, a column back", 0, 1, ThirdColumnFirst, Bar(WM_HSCROLL, SB_LINEUP), 10,
       true},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Grid->SetColCount(C.Size);
    Grid->SetRowCount(C.Size);
    Grid->SetOptions(C.RowSelect ? Grid->GetOptions() + goRowSelect
                                 : Grid->GetOptions() - goRowSelect);
    Grid->SetContraRowCount(C.ContraRows);
    Grid->SetContraColCount(C.ContraCols);
    Grid->FocusCell(3, 3, true);
    C.Start();
    const TGridCoord Before{Grid->GetLeftCol(), Grid->GetTopRow()};
    RepaintAll();
    C.Act();
    Paint();
    ASSERT_FALSE(Before == (TGridCoord{Grid->GetLeftCol(), Grid->GetTopRow()}))
        << "nothing scrolled";
    const auto Scrolled = Snapshot();
    RepaintAll();
    EXPECT_TRUE(Scrolled == Snapshot());
  }
}

TEST_F(GridsKvKeysTest, ShiftArrowsExtendTheSelectionFromTheAnchor) {
  Grid->FocusCell(2, 2, true);
  Press(VK_RIGHT, {ssShift});
  Press(VK_DOWN, {ssShift});
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{2, 2, 3, 3}));
  EXPECT_EQ(Grid->GetAnchor(), (TGridCoord{2, 2}));
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{2, 3, 2, 3}));
}

TEST_F(GridsKvKeysTest, FrozenColumnsAreTheFirstNavigableColumns) {
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Grid->FocusCell(2, 2, true);
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetCol(), 1);
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetCol(), 1);
}

TEST_F(GridsKvKeysTest, WithRowSelectLeftAndRightChangeTheRow) {
  Grid->SetOptions(Grid->GetOptions() + goRowSelect);
  Grid->FocusCell(1, 4, true);
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->GetRow(), 5);
  Press(VK_LEFT);
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetRow(), 3);
  Press(VK_END);
  EXPECT_EQ(Grid->GetRow(), 9);
  Press(VK_HOME);
  EXPECT_EQ(Grid->GetRow(), 1);
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 9, 1}));
}

TEST_F(GridsKvKeysTest, TabWalksTheTabStopsAndWrapsAtTheEnds) {
  Grid->SetOptions(Grid->GetOptions() + goTabs);
  Grid->SetTabStops(3, false);
  Grid->FocusCell(2, 1, true);
  Press(VK_TAB);
  EXPECT_EQ(Current(), (TGridCoord{4, 1}));  // column 3 has no tab stop
  Grid->FocusCell(9, 1, true);
  Press(VK_TAB);
  EXPECT_EQ(Current(), (TGridCoord{1, 2}));
  Press(VK_TAB, {ssShift});
  EXPECT_EQ(Current(), (TGridCoord{9, 1}));
  EXPECT_EQ(Grid->GetAnchor(), (TGridCoord{9, 1}));  // Shift+Tab does not extend the selection
  Grid->FocusCell(4, 1, true);
  Press(VK_TAB, {ssShift});
  EXPECT_EQ(Current(), (TGridCoord{2, 1}));  // backwards over column 3 too
  Grid->FocusCell(1, 1, true);
  Press(VK_TAB, {ssShift});
  EXPECT_EQ(Current(), (TGridCoord{9, 9}));  // from the first cell round to the last
  Grid->FocusCell(9, 9, true);
  Press(VK_TAB);
  EXPECT_EQ(Current(), (TGridCoord{1, 1}));
  Press(VK_TAB, {ssAlt});  // Alt+Tab is not the grid's
  EXPECT_EQ(Current(), (TGridCoord{1, 1}));
}

TEST_F(GridsKvKeysTest, TabWithoutOtherStopsComesBackToTheSameColumn) {
  Grid->SetOptions(Grid->GetOptions() + goTabs);
  for (Integer C = 0; C < 10; ++C) Grid->SetTabStops(C, C == 4);
  Grid->FocusCell(4, 2, true);
  Press(VK_TAB);
  EXPECT_EQ(Current(), (TGridCoord{4, 3}));
}

// From a frozen column with no tab stop among the scrolling columns the
// search never ended; it now stops after one round and stays.
TEST_F(GridsKvKeysTest, TabFromAFrozenColumnWithoutTabStopsEnds) {
  Grid->SetOptions(Grid->GetOptions() + goTabs);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  for (Integer C = 0; C < 10; ++C) Grid->SetTabStops(C, false);
  Grid->FocusCell(1, 2, true);
  Press(VK_TAB);
  EXPECT_EQ(Current(), (TGridCoord{1, 2}));
  Press(VK_TAB, {ssShift});
  EXPECT_EQ(Current(), (TGridCoord{1, 2}));
}

TEST_F(GridsKvKeysTest, DialogCodesFollowTheOptions) {
  struct TCase {
    TGridOptions Add;
    LRESULT Expected;
  };
  const TCase Cases[] = {
      {{}, DLGC_WANTARROWS},
      {{goTabs}, DLGC_WANTARROWS | DLGC_WANTTAB},
      {{goTabs, goEditing}, DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS},
      {{goTabs, goEditing, goRowSelect}, DLGC_WANTARROWS},
  };
  const TGridOptions Base = Grid->GetOptions();
  for (const TCase& C : Cases) {
    Grid->SetOptions(Base + C.Add);
    EXPECT_EQ(SendMessage(Grid->GetHandle(), WM_GETDLGCODE, 0, 0), C.Expected);
  }
}

TEST_F(GridsKvKeysTest, WithoutTabsTabLeavesTheGrid) {
  TEdit* Other = TEdit::Create(Form);
  Other->SetBounds(0, 200, 80, 20);
  Other->SetParent(Form);
  Grid->SetFocus();
  Press(VK_TAB);
  EXPECT_TRUE(Other->Focused());
  EXPECT_EQ(Grid->GetCol(), 1);
}

}  // namespace
}  // namespace korvel
