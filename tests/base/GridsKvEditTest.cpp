// The in-place editor as a user meets it: typing opens it over the current
// cell with the grid's text, mask and length limit; every change reaches the
// grid at once; Enter, F2, arrows and Tab go between editor and grid; a
// read-only cell refuses typing; a quick second click is a double click.
//
// Ideas for tests: paste, cut and clear refused on a read-only cell once the
// platform clipboard is set up in this fixture.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/controls/StdCtrls.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"
#include "tests/base/TestGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class GridsKvEditTest : public GridOnFormTest {
 protected:
  void SetUp() override {
    GridOnFormTest::SetUp();
    Grid->SetOptions(Grid->GetOptions() + goEditing);
  }
  TInplaceEdit* Editor() { return Grid->GetInplaceEditor(); }
  String Stored(Integer Col, Integer Row) { return Grid->Texts[{int(Col), int(Row)}]; }
  bool EditorShown() { return Editor() && Editor()->Visible(); }
};

TEST_F(GridsKvEditTest, TypingOpensTheEditorOverTheCellAndHandsEveryChangeBack) {
  Grid->FocusCell(2, 3, true);
  Grid->Log.clear();
  Input.Type("a");
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetBoundsRect(), Grid->CellRect(2, 3));
  EXPECT_TRUE(Editor()->Focused());
  EXPECT_EQ(Grid->Log, (std::vector<String>{"GetEditMask", "GetEditText", "GetEditLimit"}));
  EXPECT_EQ(Editor()->GetText(), "a");  // the loaded "t23" was selected and replaced
  EXPECT_EQ(Stored(2, 3), "a");
  Input.Type("bc");
  EXPECT_EQ(Stored(2, 3), "abc");
  Paint();
  EXPECT_EQ(Grid->FindDrawn(2, 3), nullptr);  // the editor covers the cell
}

// A grid that keeps its texts where SetEditText writes them must not lose a
// cell's text to the editor's emptying before loading; and the grid learns the
// loaded text, so its pending text is the cell's text before any keystroke.
// A space is typing like any character: it opens the editor and is kept;
// refused by the grid, it beeps like any other refused character.
TEST_F(GridsKvEditTest, ASpaceOpensTheEditorAndIsRefusedWithABeepLikeAnyCharacter) {
  Input.Type(" ");
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), " ");
  EXPECT_EQ(Stored(1, 1), " ");
  Grid->AcceptKeys = false;
  ResetMessageBeepCount();
  Input.Type(" ");
  EXPECT_EQ(GetMessageBeepCount(), 1);
  EXPECT_EQ(Editor()->GetText(), " ");
}

// With editing on, a click on the current cell opens the editor there; a
// click on another cell moves to it with the editor closed; Shift does not
// stretch a selection while editing.
TEST_F(GridsKvEditTest, AClickOnTheCurrentCellOpensTheEditorAndNoRangeIsSelected) {
  Advance(1000);
  Input.Click(Grid->GetHandle(), Center(1, 1));
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetBoundsRect(), Grid->CellRect(1, 1));
  Advance(1000);
  Input.Click(Grid->GetHandle(), Center(3, 2));
  EXPECT_EQ(Grid->GetCol(), 3);
  EXPECT_FALSE(EditorShown());
  Advance(1000);
  Input.Click(Grid->GetHandle(), Center(2, 3), mbLeft, {ssShift});
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{2, 3, 2, 3}));
  Grid->FocusCell(1, 1, true);
  Input.KeyPress(VK_DOWN, {ssShift});
  Input.KeyPress(VK_RIGHT, {ssShift});
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 2, 2}));  // the keys still stretch it
}

TEST_F(GridsKvEditTest, LoadingTheEditorKeepsTheCellsTextAndHandsItBackOnce) {
  Grid->Texts[{1, 1}] = "hello";
  Grid->Texts[{2, 1}] = "world";
  Input.KeyPress(VK_F2);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), "hello");
  EXPECT_EQ(Grid->EditTexts, (std::vector<String>{"hello"}));
  Input.KeyPress(VK_RETURN);
  Input.KeyPress(VK_RIGHT);
  Input.KeyPress(VK_F2);
  ASSERT_EQ(Grid->GetCol(), 2);
  EXPECT_EQ(Editor()->GetText(), "world");
  EXPECT_EQ(Stored(1, 1), "hello");
  EXPECT_EQ(Stored(2, 1), "world");
  for (const String& T : Grid->EditTexts) EXPECT_FALSE(T.empty());
}

TEST_F(GridsKvEditTest, EnterClosesAndF2ReopensWithTheCaretAtTheEnd) {
  Grid->Texts[{1, 1}] = "hello";
  Input.KeyPress(VK_RETURN);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetSelLength(), 5);  // loaded with everything selected
  Input.Type("x");
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetEditorMode());
  EXPECT_TRUE(Grid->Focused());
  EXPECT_EQ(Stored(1, 1), "x");
  Grid->Texts[{1, 1}] = "hello";
  Input.KeyPress(VK_F2);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetSelStart(), 5);
  EXPECT_EQ(Editor()->GetSelLength(), 0);
}

// Enter in the editor toggles between everything selected and nothing; a
// part of the text selected, at either end, becomes everything.
TEST_F(GridsKvEditTest, EnterInTheEditorSelectsAllUnlessAllIsSelected) {
  Grid->SetOptions(Grid->GetOptions() + goAlwaysShowEditor);
  Grid->Texts[{1, 1}] = "hello";
  Grid->InvalidateEditor();
  ASSERT_TRUE(EditorShown());
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Editor()->GetSelLength(), 0);
  EXPECT_EQ(Editor()->GetSelStart(), 5);
  Input.KeyPress(VK_LEFT, {ssShift});
  Input.KeyPress(VK_LEFT, {ssShift});  // "lo" selected, up to the end
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Editor()->GetSelStart(), 0);
  EXPECT_EQ(Editor()->GetSelLength(), 5);
  Editor()->SetSelStart(0);
  Editor()->SetSelLength(2);  // "he" selected, from the start
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Editor()->GetSelStart(), 0);
  EXPECT_EQ(Editor()->GetSelLength(), 5);
  EXPECT_EQ(Editor()->GetText(), "hello");
  EXPECT_EQ(Grid->GetCol(), 1);
}

// Every change reaches the grid as it is typed, and hiding the editor hands
// the final text over once more, so a grid that commits on hiding gets it.
TEST_F(GridsKvEditTest, HidingTheEditorHandsItsTextOverOnceMore) {
  Input.Type("ab");
  ASSERT_EQ(Grid->EditTexts.back(), "ab");
  const std::size_t Before = Grid->EditTexts.size();
  Input.KeyPress(VK_RETURN);
  ASSERT_FALSE(EditorShown());
  EXPECT_EQ(Grid->EditTexts.size(), Before + 1);
  EXPECT_EQ(Grid->EditTexts.back(), "ab");
  Input.Type("c");  // typing opens the editor on the same cell again
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Stored(1, 1), "c");
  EXPECT_EQ(Grid->EditTexts.back(), "c");
}

TEST_F(GridsKvEditTest, NavigationKeysInTheEditorMoveTheGrid) {
  Grid->SetOptions(Grid->GetOptions() + goTabs);
  Input.KeyPress(VK_F2);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Grid->GetRow(), 2);
  EXPECT_FALSE(EditorShown());  // moving ends editing without goAlwaysShowEditor
  Input.KeyPress(VK_F2);
  Input.KeyPress(VK_TAB);
  EXPECT_EQ(Grid->GetCol(), 2);
}

TEST_F(GridsKvEditTest, WithAlwaysShowEditorArrowsLeaveTheTextOnlyAtItsEnds) {
  Grid->SetOptions(Grid->GetOptions() + goAlwaysShowEditor);
  Grid->Texts[{1, 1}] = "abcd";
  Grid->InvalidateEditor();
  ASSERT_TRUE(EditorShown());
  Input.KeyPress(VK_HOME);  // everything selected: Home stays in the text
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Editor()->GetSelStart(), 0);
  for (int I = 0; I < 3; ++I) Input.KeyPress(VK_RIGHT);  // in the middle: moves the caret
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Editor()->GetSelStart(), 3);
  Input.KeyPress(VK_RIGHT);
  EXPECT_EQ(Grid->GetCol(), 1);
  Input.KeyPress(VK_RIGHT);  // at the end: the next cell
  EXPECT_EQ(Grid->GetCol(), 2);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), "t21");
  Input.KeyPress(VK_RIGHT, {ssCtrl});  // a page of columns, whatever the caret
  EXPECT_EQ(Grid->GetCol(), 4);
}

// Which end of the text the caret stands at decides, not only the selection:
// with everything selected and the caret at the start (Shift+Home from the
// end), Left leaves the cell and Right stays in the text.
TEST_F(GridsKvEditTest, ArrowsLeaveTheTextOnlyFromTheEndWhereTheCaretIs) {
  Grid->SetOptions(Grid->GetOptions() + goAlwaysShowEditor);
  Grid->Texts[{2, 1}] = "abcd";
  Grid->FocusCell(2, 1, true);
  ASSERT_TRUE(EditorShown());
  auto SelectBackwards = [&] {
    Advance(1000);  // not a double click with the press that moved here
    Input.Click(Editor()->GetHandle(), {Editor()->GetWidth() - 3, 5});  // the caret at the end
    Input.KeyPress(VK_HOME, {ssShift});
    ASSERT_EQ(Editor()->GetSelStart(), 0);
    ASSERT_EQ(Editor()->GetSelLength(), 4);
  };
  SelectBackwards();
  Input.KeyPress(VK_RIGHT);
  EXPECT_EQ(Grid->GetCol(), 2);
  SelectBackwards();
  Input.KeyPress(VK_END);
  EXPECT_EQ(Grid->GetCol(), 2);
  SelectBackwards();
  Input.KeyPress(VK_LEFT);
  EXPECT_EQ(Grid->GetCol(), 1);

  // Loaded with everything selected and the caret at the end: the mirror.
  Grid->Texts[{1, 1}] = "xyz";
  Grid->InvalidateEditor();
  ASSERT_EQ(Editor()->GetSelLength(), 3);
  Input.KeyPress(VK_LEFT);
  EXPECT_EQ(Grid->GetCol(), 1);
  Grid->InvalidateEditor();
  Input.KeyPress(VK_HOME);
  EXPECT_EQ(Grid->GetCol(), 1);
  Grid->InvalidateEditor();
  Input.KeyPress(VK_RIGHT);
  EXPECT_EQ(Grid->GetCol(), 2);
}

// Which keys the editor hands to the grid (a descendant inserts a record on
// Insert, deletes one on Ctrl+Delete) and which it keeps (Shift+Insert
// pastes, Delete deletes text).
TEST_F(GridsKvEditTest, InsertAndCtrlDeleteGoToTheGridShiftInsertAndDeleteStay) {
  Grid->Texts[{1, 1}] = "abc";
  Input.KeyPress(VK_F2);
  ASSERT_TRUE(EditorShown());
  auto ReachedGrid = [&](Word Key, TShiftState Shift) {
    Grid->KeysDown.clear();
    Input.KeyPress(Key, Shift);
    return std::find(Grid->KeysDown.begin(), Grid->KeysDown.end(), Key) != Grid->KeysDown.end();
  };
  EXPECT_TRUE(ReachedGrid(VK_INSERT, {}));
  EXPECT_TRUE(ReachedGrid(VK_DELETE, {ssCtrl}));
  ASSERT_TRUE(EditorShown());
  EXPECT_FALSE(ReachedGrid(VK_INSERT, {ssShift}));
  Editor()->SetSelStart(0);
  EXPECT_FALSE(ReachedGrid(VK_DELETE, {}));
  EXPECT_EQ(Editor()->GetText(), "bc");
}

// F2 in the editor asks the application first: a handler that takes the key
// keeps the selection; otherwise the caret goes to the end.
TEST_F(GridsKvEditTest, F2InTheEditorAsksTheApplicationFirst) {
  Grid->Texts[{1, 1}] = "abc";
  Input.KeyPress(VK_F2);
  ASSERT_TRUE(EditorShown());
  Editor()->SelectAll();
  Integer Seen = 0;
  Grid->OnKeyDown = [&](TObject*, Word& Key, TShiftState) {
    if (Key == VK_F2) {
      ++Seen;
      Key = 0;
    }
  };
  Input.KeyPress(VK_F2);
  EXPECT_EQ(Seen, 1);
  EXPECT_EQ(Editor()->GetSelLength(), 3);
  Grid->OnKeyDown = nullptr;
  Input.KeyPress(VK_F2);
  EXPECT_EQ(Editor()->GetSelLength(), 0);
  EXPECT_EQ(Editor()->GetSelStart(), 3);
}

TEST_F(GridsKvEditTest, MaskAndLimitComeFromTheGrid) {
  Grid->EditLimit = 3;
  Input.Type("12345");
  EXPECT_EQ(Editor()->GetMaxLength(), 3);
  EXPECT_EQ(Stored(1, 1), "123");
  Input.KeyPress(VK_RETURN);
  Grid->EditLimit = 0;
  Grid->EditMask = "00;0;_";
  Grid->FocusCell(2, 2, true);
  Input.Type("7");
  EXPECT_EQ(Editor()->GetEditMask(), "00;0;_");
  Input.Type("x8");
  EXPECT_EQ(Stored(2, 2), "78");
}

TEST_F(GridsKvEditTest, AReadOnlyCellRefusesTypingAndBeepsOnlyForRefusedKeys) {
  Grid->EditLimit = -1;
  Grid->Texts[{1, 1}] = "keep";
  Input.KeyPress(VK_F2);
  ASSERT_TRUE(EditorShown());
  ResetMessageBeepCount();
  Input.Type("zz");
  Input.KeyPress(VK_BACK);
  Input.KeyPress(VK_DELETE);
  EXPECT_EQ(Editor()->GetText(), "keep");
  EXPECT_EQ(GetMessageBeepCount(), 0);
  Grid->AcceptKeys = false;
  Input.Type("q");
  EXPECT_EQ(GetMessageBeepCount(), 1);
  EXPECT_EQ(Stored(1, 1), "keep");
}

// A read-only cell's editor refuses a paste, a cut and a clear sent to it
// (an Edit menu does that), and keeps the clipboard as it was.
TEST_F(GridsKvEditTest, AReadOnlyCellRefusesPasteCutAndClearFromAMenu) {
  Grid->EditLimit = -1;
  Grid->Texts[{1, 1}] = "keep";
  Input.KeyPress(VK_F2);
  ASSERT_TRUE(EditorShown());
  Clipboard()->SetAsText("zz");
  Editor()->SelectAll();
  SendMessage(Editor()->GetHandle(), WM_PASTE, 0, 0);
  SendMessage(Editor()->GetHandle(), WM_CUT, 0, 0);
  SendMessage(Editor()->GetHandle(), WM_CLEAR, 0, 0);
  EXPECT_EQ(Editor()->GetText(), "keep");
  EXPECT_EQ(Clipboard()->GetAsText(), "zz");
  EXPECT_EQ(Stored(1, 1), "keep");
  // A cell that may change takes them.
  Grid->EditLimit = 0;
  Grid->Texts[{2, 1}] = "abc";
  Grid->FocusCell(2, 1, true);
  Input.KeyPress(VK_F2);
  Editor()->SelectAll();
  SendMessage(Editor()->GetHandle(), WM_CUT, 0, 0);
  EXPECT_EQ(Clipboard()->GetAsText(), "abc");
  SendMessage(Editor()->GetHandle(), WM_PASTE, 0, 0);
  SendMessage(Editor()->GetHandle(), WM_PASTE, 0, 0);
  EXPECT_EQ(Stored(2, 1), "abcabc");
}

TEST_F(GridsKvEditTest, AQuickSecondClickOnTheEditorIsADoubleClick) {
  Grid->SetOptions(Grid->GetOptions() + goAlwaysShowEditor);
  Integer DblClicks = 0;
  Grid->OnDblClick = [&](TObject*) { ++DblClicks; };
  Advance(2000);
  Input.Click(Grid->GetHandle(), Center(2, 2));
  ASSERT_TRUE(EditorShown());
  Advance(100);
  Input.Click(Editor()->GetHandle(), {5, 5});
  EXPECT_EQ(DblClicks, 1);
  Advance(2000);
  Input.Click(Grid->GetHandle(), Center(3, 2));
  Advance(900);
  Input.Click(Editor()->GetHandle(), {5, 5});
  EXPECT_EQ(DblClicks, 1);
}

TEST_F(GridsKvEditTest, LeavingTheGridHidesTheEditorAndKeepsTheText) {
  TEdit* Other = TEdit::Create(Form);
  Other->SetBounds(0, 200, 80, 20);
  Other->SetParent(Form);
  Input.Type("q");
  ASSERT_TRUE(EditorShown());
  Input.Click(Other->GetHandle(), {5, 5});
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetEditorMode());
  EXPECT_EQ(Stored(1, 1), "q");
}

// The editor hid when its row scrolled away, then the grid lost the focus.
// Scrolled back by the program, the editor comes back over its cell holding
// that cell's text, and what is typed into it reaches the grid.
TEST_F(GridsKvEditTest, ScrollingAnUnfocusedGridBringsBackAnEditorThatKeepsWhatIsTyped) {
  TEdit* Other = TEdit::Create(Form);
  Other->SetBounds(0, 200, 80, 20);
  Other->SetParent(Form);
  Grid->SetRowCount(20);
  Grid->SetOptions(Grid->GetOptions() + goAlwaysShowEditor);
  Grid->Texts[{1, 1}] = "abc";
  Grid->InvalidateEditor();
  ASSERT_TRUE(EditorShown());
  Grid->SetTopRow(5);
  EXPECT_FALSE(EditorShown());
  Input.Click(Other->GetHandle(), {5, 5});
  ASSERT_TRUE(Other->Focused());
  EXPECT_TRUE(Grid->GetEditorMode());
  Grid->SetTopRow(1);
  if (EditorShown()) {
    EXPECT_EQ(Editor()->GetBoundsRect(), Grid->CellRect(1, 1));
    EXPECT_EQ(Editor()->GetText(), "abc");
    Advance(1000);
    Input.Click(Editor()->GetHandle(), {Editor()->GetWidth() - 3, 5});
  } else {
    Input.Click(Grid->GetHandle(), Center(1, 1));
  }
  ASSERT_TRUE(EditorShown());
  Editor()->SetSelStart(3);
  Input.Type("z");
  EXPECT_EQ(Editor()->GetText(), "abcz");
  EXPECT_EQ(Stored(1, 1), "abcz");
}

TEST_F(GridsKvEditTest, AlwaysShowEditorShowsItAtOnceAndScrollingCarriesIt) {
  Grid->SetRowCount(10);
  Grid->SetOptions(Grid->GetOptions() + goAlwaysShowEditor);
  ASSERT_TRUE(EditorShown());
  Grid->FocusCell(1, 3, true);
  Grid->SetTopRow(3);
  EXPECT_EQ(Editor()->GetBoundsRect(), Grid->CellRect(1, 3));
  EXPECT_EQ(Editor()->GetBoundsRect().Top, 25);
}

}  // namespace
}  // namespace korvel
