// The scroll-bar settings objects: visibility modes, the external scroll bar
// that stands in for the grid's own (attach, hook, detach, refusal), and
// streaming with the grid.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/classes/Filer.h"
#include "platform/controls/ControlMessages.h"
#include "platform/controls/StdCtrls.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvScrollBarsTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    Bar = TScrollBar::Create(Form);
    Bar->SetName("ScrollBar1");
    Bar->SetKind(sbVertical);
    Bar->SetBounds(420, 0, 17, 200);
    Bar->SetParent(Form);
    Bar->OnScroll = [this](TObject*, TScrollCode, Integer&) { ++BarScrolls; };
  }
  TScrollBar* Bar = nullptr;
  Integer BarScrolls = 0;
};

TEST_F(DBGridKvScrollBarsTest, VisibleMapsOntoTheVisibleMode) {
  TDBGridKvScrollBar* V = Grid->GetVertScrollBar();
  EXPECT_EQ(V->GetVisibleMode(), sbAutoShowKv);
  EXPECT_TRUE(V->GetVisible());
  EXPECT_FALSE(V->GetTracking());
  V->SetVisibleMode(sbAlwaysShowKv);
  EXPECT_TRUE(V->GetVisible());
  V->SetVisible(false);
  EXPECT_EQ(V->GetVisibleMode(), sbNeverShowKv);
  EXPECT_FALSE(V->GetVisible());
  V->SetVisible(true);
  EXPECT_EQ(V->GetVisibleMode(), sbAutoShowKv) << "not back to always";
}

TEST_F(DBGridKvScrollBarsTest, AVerticalModeChangeRecountsRowsThenLaysOutOnlyWhenItChanges) {
  TDBGridKvScrollBar* V = Grid->GetVertScrollBar();
  Grid->Log.clear();
  V->SetVisibleMode(sbAlwaysShowKv);
  // (the layout counts the rows again at its end)
  EXPECT_EQ(Grid->Log, (std::vector<String>{"UpdateRowCount", "Layout", "UpdateRowCount"}));
  Grid->Log.clear();
  V->SetVisibleMode(sbAlwaysShowKv);
  EXPECT_TRUE(Grid->Log.empty());
  Grid->GetHorzScrollBar()->SetVisibleMode(sbNeverShowKv);
  EXPECT_EQ(Grid->Log, (std::vector<String>{"Layout", "UpdateRowCount"}))
      << "no row count before the layout for the horizontal bar";
}

TEST_F(DBGridKvScrollBarsTest, AnAttachedBarsScrollNotificationsReachTheGridAndTheBar) {
  Grid->GetVertScrollBar()->SetExtScrollBar(Bar);
  EXPECT_EQ(Grid->GetVertScrollBar()->GetExtScrollBar(), Bar);
  Bar->Perform(CN_VSCROLL, SB_LINEDOWN, 77);
  ASSERT_EQ(Grid->ScrollMessages.size(), 1u);
  EXPECT_EQ(Grid->ScrollMessages[0].Msg, WM_VSCROLL);
  EXPECT_EQ(Grid->ScrollMessages[0].WParam, WPARAM(SB_LINEDOWN));
  EXPECT_EQ(Grid->ScrollMessages[0].LParam, 77);
  EXPECT_EQ(BarScrolls, 1) << "the bar's own handling still runs";
  // Other messages pass straight to the bar.
  Bar->Perform(WM_USER + 7, 0, 0);
  EXPECT_EQ(Grid->ScrollMessages.size(), 1u);
}

TEST_F(DBGridKvScrollBarsTest, TheHorizontalSettingsSendHorizontalScrolls) {
  Bar->SetKind(sbHorizontal);
  Grid->GetHorzScrollBar()->SetExtScrollBar(Bar);
  Bar->Perform(CN_HSCROLL, SB_PAGERIGHT, 0);
  ASSERT_EQ(Grid->ScrollMessages.size(), 1u);
  EXPECT_EQ(Grid->ScrollMessages[0].Msg, WM_HSCROLL);
}

TEST_F(DBGridKvScrollBarsTest, ABarServesOneGridOnlyAndTheRefusalChangesNothing) {
  TTestDBGrid* Second = MakeGrid("Grid2");
  Grid->GetVertScrollBar()->SetExtScrollBar(Bar);
  Second->Log.clear();
  try {
    Second->GetVertScrollBar()->SetExtScrollBar(Bar);
    FAIL() << "attached twice";
  } catch (const Exception& E) {
    EXPECT_EQ(E.GetMessage(), "Possible ScrollBar1 already attached to the other control.");
  }
  EXPECT_EQ(Second->GetVertScrollBar()->GetExtScrollBar(), nullptr);
  EXPECT_TRUE(Second->Log.empty());
  Bar->Perform(CN_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(Grid->ScrollMessages.size(), 1u) << "still hooked to the first grid";
  EXPECT_TRUE(Second->ScrollMessages.empty());

  // Once the first grid lets go, the second may take it.
  Grid->GetVertScrollBar()->SetExtScrollBar(nullptr);
  EXPECT_TRUE(Bar->WindowProc == TWndMethod(Bar, &TControl::WndProc));
  Second->GetVertScrollBar()->SetExtScrollBar(Bar);
  Bar->Perform(CN_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(Second->ScrollMessages.size(), 1u);
  EXPECT_EQ(Grid->ScrollMessages.size(), 1u);
}

TEST_F(DBGridKvScrollBarsTest, SettingTheSameBarAgainDoesNothing) {
  Grid->GetVertScrollBar()->SetExtScrollBar(Bar);
  Grid->Log.clear();
  Grid->GetVertScrollBar()->SetExtScrollBar(Bar);
  EXPECT_TRUE(Grid->Log.empty());
}

TEST_F(DBGridKvScrollBarsTest, AttachingLaysTheGridOutAndShowsTheBarAsTheSettingsSay) {
  Grid->GetVertScrollBar()->SetVisible(false);
  Grid->Log.clear();
  Grid->GetVertScrollBar()->SetExtScrollBar(Bar);
  EXPECT_EQ(Grid->Log, (std::vector<String>{"UpdateRowCount", "Layout", "UpdateRowCount"}));
  EXPECT_FALSE(Bar->GetVisible());
  EXPECT_FALSE(Grid->GetVertScrollBar()->IsScrollBarShowing());
  Grid->GetVertScrollBar()->SetVisible(true);
  EXPECT_TRUE(Bar->GetVisible());
  EXPECT_TRUE(Grid->GetVertScrollBar()->IsScrollBarShowing());
}

TEST_F(DBGridKvScrollBarsTest, AFreedBarIsLetGoWithoutADanglingHook) {
  Grid->GetVertScrollBar()->SetExtScrollBar(Bar);
  FreeAndNil(Bar);
  EXPECT_EQ(Grid->GetVertScrollBar()->GetExtScrollBar(), nullptr);
  Grid->GetVertScrollBar()->SetVisible(false);  // touches no bar
}

TEST_F(DBGridKvScrollBarsTest, FreeingTheGridGivesTheBarItsOwnProcedureBack) {
  TTestDBGrid* Second = MakeGrid("Grid2");
  Grids.pop_back();
  Second->GetVertScrollBar()->SetExtScrollBar(Bar);
  FreeObject(Second);
  EXPECT_TRUE(Bar->WindowProc == TWndMethod(Bar, &TControl::WndProc));
  Bar->Perform(CN_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(BarScrolls, 1);
}

TEST_F(DBGridKvScrollBarsTest, WithoutAnExternalBarShowingFollowsTheGridWindowStyle) {
  TDBGridKvScrollBar* H = Grid->GetHorzScrollBar();
  TDBGridKvScrollBar* V = Grid->GetVertScrollBar();
  Grid->HandleNeeded();
  const LONG Style = GetWindowLong(Grid->GetHandle(), GWL_STYLE);
  EXPECT_EQ(H->IsScrollBarShowing(), (Style & WS_HSCROLL) != 0);
  SetWindowLong(Grid->GetHandle(), GWL_STYLE, Style | WS_VSCROLL | WS_HSCROLL);
  EXPECT_TRUE(V->IsScrollBarShowing());
  EXPECT_TRUE(H->IsScrollBarShowing());
  V->SetVisible(false);
  EXPECT_FALSE(V->IsScrollBarShowing());
  SetWindowLong(Grid->GetHandle(), GWL_STYLE, Style & ~WS_HSCROLL);
  EXPECT_FALSE(H->IsScrollBarShowing());
}

TEST_F(DBGridKvScrollBarsTest, ScrollInfoComesFromTheExternalBarWhenOneIsAttached) {
  Grid->GetVertScrollBar()->SetExtScrollBar(Bar);
  Bar->SetParams(30, 0, 90);
  SCROLLINFO Info;
  Info.fMask = SIF_ALL;
  ASSERT_TRUE(Grid->GetVertScrollBar()->GetScrollInfo(Info));
  EXPECT_EQ(Info.nPos, 30);
  EXPECT_EQ(Info.nMax, 90);
}

TEST_F(DBGridKvScrollBarsTest, AssignCopiesVisibleTrackingAndTheBar) {
  TTestDBGrid* Second = MakeGrid("Grid2");
  Grid->GetHorzScrollBar()->SetTracking(true);
  Grid->GetHorzScrollBar()->SetVisible(false);
  Second->GetHorzScrollBar()->Assign(Grid->GetHorzScrollBar());
  EXPECT_TRUE(Second->GetHorzScrollBar()->GetTracking());
  EXPECT_FALSE(Second->GetHorzScrollBar()->GetVisible());
  EXPECT_THROW(Second->GetVertScrollBar()->Assign(Form), EConvertError);
}

TEST(DBGridKvScrollBarsStreamingTest, SettingsAreStoredOnlyWhereTheyDifferAndReadBack) {
  ResetWindowSystem();
  RegisterClass(TTestDBGrid::StaticClass());
  TTestDBGrid* Source = TTestDBGrid::Create(nullptr);
  Source->SetName("Grid1");
  const String Plain = ComponentToText(Source);
  EXPECT_EQ(Plain.find("ScrollBar."), String::npos) << Plain;

  Source->GetVertScrollBar()->SetVisibleMode(sbAlwaysShowKv);
  Source->GetVertScrollBar()->SetTracking(true);
  Source->GetHorzScrollBar()->SetVisible(false);
  const String Text = ComponentToText(Source);
  EXPECT_NE(Text.find("VertScrollBar.VisibleMode = sbAlwaysShowKv"), String::npos) << Text;
  EXPECT_EQ(Text.find("VertScrollBar.Visible ="), String::npos) << "the mode carries it";
  EXPECT_NE(Text.find("HorzScrollBar.Visible = False"), String::npos) << Text;
  auto* Copy = static_cast<TTestDBGrid*>(ReadComponentFromText(Text, nullptr));
  EXPECT_EQ(Copy->GetVertScrollBar()->GetVisibleMode(), sbAlwaysShowKv);
  EXPECT_TRUE(Copy->GetVertScrollBar()->GetTracking());
  EXPECT_FALSE(Copy->GetHorzScrollBar()->GetVisible());
  FreeObject(Copy);
  FreeObject(Source);
  ResetWindowSystem();
}

}  // namespace
}  // namespace korvel
