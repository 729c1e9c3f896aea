// The style object: which grids it knows, its reaction to system colour
// changes, and how it colours current, selected and marked cells with and
// without the focus, at true colour and at 256 colours.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/controls/StdCtrls.h"
#include "platform/graphics/Gdi.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvStyleTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    Edit = TEdit::Create(Form);
    Edit->SetBounds(0, 250, 100, 20);
    Edit->SetParent(Form);
    Style = DefaultGridStyle();
    ASSERT_NE(Style, nullptr);
    Font = TFont::Create();
    Grid->LayoutChanged();
  }
  void TearDown() override {
    FreeObject(Font);
    SetDisplayColorDepth(32);
    Style->ReadScreenColors();
    DBGridOnFormTest::TearDown();
  }
  void Focus(bool OnGrid) {
    if (OnGrid)
      Grid->SetFocus();
    else
      Edit->SetFocus();
  }
  // The data cell's colour after the rule, and whether it was highlighted.
  struct TResult {
    bool Highlighted;
    TColor Color;
    TColor FontColor;
  };
  TResult Data(Integer ACol, Integer ARow, TGridDrawState State = {}) {
    TColor Color = clWindow;
    Font->SetColor(clWindowText);
    const bool H = Style->HighlightDataCellColor(Grid, ACol, ARow, ACol - 1, ARow - 1, "", State,
                                                 false, Color, Font);
    return {H, Color, Font->GetColor()};
  }
  TResult Fixed(TCellAreaKv Area, bool Highlighted) {
    TColor Color = clBtnFace;
    Font->SetColor(clWindowText);
    const bool H =
        Style->HighlightFixedCellColor(Grid, 1, 0, 0, 0, Area, Highlighted, Color, Font);
    return {H, Color, Font->GetColor()};
  }
  TEdit* Edit = nullptr;
  TDBGridKvStyle* Style = nullptr;
  TFont* Font = nullptr;
};

TEST_F(DBGridKvStyleTest, TheFocusedCurrentCellTakesTheHighlightColours) {
  Focus(true);
  const TResult R = Data(1, 1, {gdSelected});
  EXPECT_TRUE(R.Highlighted);
  EXPECT_EQ(R.Color, clHighlight);
  EXPECT_EQ(R.FontColor, clHighlightText);
}

TEST_F(DBGridKvStyleTest, OtherCellsOfTheCurrentRowAreBlendedDarkerWhileFocused) {
  Focus(true);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgRowHighlightKv);
  const TResult R = Data(2, 1);
  EXPECT_TRUE(R.Highlighted);
  EXPECT_EQ(R.Color, BlendColors(clWindow, clHighlight, true));
  EXPECT_EQ(R.FontColor, clWindowText) << "a blended cell keeps its font colour";
  // With blending off the plain highlight is used instead.
  Style->SetBlendSelection(false);
  EXPECT_EQ(Data(2, 1).Color, clHighlight);
  Style->SetBlendSelection(true);
}

TEST_F(DBGridKvStyleTest, WithRowSelectTheWholeCurrentRowTakesThePlainHighlight) {
  Focus(true);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelectKv);
  const TResult R = Data(3, 1);
  EXPECT_TRUE(R.Highlighted);
  EXPECT_EQ(R.Color, clHighlight);
  EXPECT_EQ(R.FontColor, clHighlightText);
  EXPECT_FALSE(Data(3, 2).Highlighted);
}

TEST_F(DBGridKvStyleTest, WithoutTheFocusOnlyAlwaysShowSelectionHighlightsTheCurrentCell) {
  Focus(false);
  EXPECT_FALSE(Data(1, 1, {gdSelected}).Highlighted);
  Grid->SetOptions(Grid->GetOptions() + dgAlwaysShowSelectionKv);
  const TResult Current = Data(1, 1, {gdSelected});
  EXPECT_TRUE(Current.Highlighted);
  EXPECT_EQ(Current.Color, clBtnShadow);
  EXPECT_EQ(Current.FontColor, clHighlightText);
  // Another cell of the current row: the lighter blend with the shadow.
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgRowHighlightKv);
  const TResult Other = Data(2, 1);
  EXPECT_EQ(Other.Color, BlendColors(clWindow, clBtnShadow, false));
  EXPECT_EQ(Other.FontColor, clWindowText);
}

TEST_F(DBGridKvStyleTest, At256ColoursAnUnfocusedSelectedCellIsButtonFace) {
  Focus(false);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgRowHighlightKv);
  SetDisplayColorDepth(8);
  SendMessage(Style->GetHandle(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(Style->GetNumColors(), 20);
  EXPECT_EQ(Data(2, 1).Color, clBtnFace);
  Focus(true);
  EXPECT_EQ(Data(2, 1).Color, clHighlight) << "no blending below true colour";
}

TEST_F(DBGridKvStyleTest, HighlightFocusNeedsTheFocusAndAnUpdateLockSuppressesIt) {
  Focus(true);
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgHighlightFocusKv);
  EXPECT_FALSE(Data(1, 1, {gdSelected}).Highlighted);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgHighlightFocusKv);
  EXPECT_TRUE(Data(1, 1, {gdSelected}).Highlighted);
  Grid->BeginUpdate();
  EXPECT_FALSE(Data(1, 1, {gdSelected}).Highlighted);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelectKv);
  EXPECT_TRUE(Data(1, 1, {gdSelected}).Highlighted) << "row select highlights even while updating";
  Grid->EndUpdate();
}

TEST_F(DBGridKvStyleTest, RowHighlightMarksTheOtherCellsOfTheCurrentRowOnly) {
  Focus(true);
  EXPECT_FALSE(Data(2, 1).Highlighted);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgRowHighlightKv);
  EXPECT_TRUE(Data(2, 1).Highlighted);
  EXPECT_FALSE(Data(2, 2).Highlighted) << "another row";
}

TEST_F(DBGridKvStyleTest, FixedCellsOfTitlesAndIndicatorTurnDarkGreyWithWhiteText) {
  Focus(true);
  for (TCellAreaKv Area : {TCellAreaKv{cctIndicatorKv, crtDataKv}, TCellAreaKv{cctDataKv, crtTitleKv},
                           TCellAreaKv{cctDataKv, crtFilterKv}}) {
    const TResult R = Fixed(Area, true);
    EXPECT_TRUE(R.Highlighted);
    EXPECT_EQ(R.Color, TColor(RGB(64, 64, 64)));
    EXPECT_EQ(R.FontColor, TColor(0xFFFFFF));
  }
  const TResult NotMarked = Fixed({cctIndicatorKv, crtDataKv}, false);
  EXPECT_FALSE(NotMarked.Highlighted);
  EXPECT_EQ(NotMarked.Color, clBtnFace);
  EXPECT_EQ(NotMarked.FontColor, clWindowText);
}

TEST_F(DBGridKvStyleTest, FooterCellsAreBlendedUnmappedOrTakeTheHighlight) {
  const TCellAreaKv Footer{cctDataKv, crtFooterKv};
  Focus(true);
  EXPECT_EQ(Fixed(Footer, true).Color, BlendColors(clBtnFace, clHighlight, true));
  Focus(false);
  EXPECT_EQ(Fixed(Footer, true).Color, BlendColors(clBtnFace, clBtnShadow, false));
  SetDisplayColorDepth(8);
  Style->ReadScreenColors();
  EXPECT_EQ(Fixed(Footer, true).Color, clBtnFace);
  Focus(true);
  const TResult R = Fixed(Footer, true);
  EXPECT_EQ(R.Color, clHighlight);
  EXPECT_EQ(R.FontColor, clHighlightText);
}

TEST_F(DBGridKvStyleTest, GridsJoinOnceAndFollowTheirStyleAway) {
  EXPECT_TRUE(Style->IndexOf(Grid));
  const Integer Count = Style->GetGridCount();
  Style->AddGrid(Grid);
  EXPECT_EQ(Style->GetGridCount(), Count) << "a grid is listed once";

  TDBGridKvStyle* Own = TDBGridKvStyle::Create();
  Grid->SetStyle(Own);
  EXPECT_FALSE(Style->IndexOf(Grid));
  EXPECT_TRUE(Own->IndexOf(Grid));
  FreeObject(Own);
  EXPECT_EQ(Grid->GetStyle(), Style) << "back to the default style";
  EXPECT_TRUE(Style->IndexOf(Grid));

  // Freeing the default style leaves its grids without one.
  FreeDefaultGridStyle();
  EXPECT_EQ(DefaultGridStyle(), nullptr);
  EXPECT_EQ(Grid->GetStyle(), nullptr);
  TTestDBGrid* Late = MakeGrid("Late");
  EXPECT_EQ(Late->GetStyle(), nullptr);
  CreateDefaultGridStyle();
  Style = DefaultGridStyle();
  Grid->SetStyle(nullptr);
  EXPECT_EQ(Grid->GetStyle(), Style);
  Late->SetStyle(nullptr);
}

TEST_F(DBGridKvStyleTest, AFreedGridLeavesItsStyle) {
  TTestDBGrid* Other = MakeGrid("Other");
  Grids.pop_back();
  EXPECT_TRUE(Style->IndexOf(Other));
  FreeObject(Other);
  EXPECT_FALSE(Style->IndexOf(Other));
}

TEST_F(DBGridKvStyleTest, SystemColourChangesReReadTheColourCountAndAnswerZero) {
  EXPECT_EQ(Style->GetNumColors(), -1);
  SetDisplayColorDepth(4);
  EXPECT_EQ(SendMessage(Style->GetHandle(), WM_SYSCOLORCHANGE, 0, 0), 0);
  EXPECT_EQ(Style->GetNumColors(), 16);
  EXPECT_TRUE(Style->GetDrawFocusFrame());
  EXPECT_TRUE(Style->GetBlendSelection());
  EXPECT_FALSE(Style->GetFilterApplyOnCloseUp());
}

}  // namespace
}  // namespace korvel
