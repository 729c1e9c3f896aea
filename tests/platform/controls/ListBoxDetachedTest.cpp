// A list box moved out of its parent window (a drop-down list made
// top-level) keeps telling the parent it was created in about its items, and
// draws the focus as its own focus messages say, whoever holds the focus.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/controls/ListBoxClass.h"

namespace kvp {
namespace {

using testutil::ParentLog;

class ListBoxDetachedTest : public testutil::TStdCtlTest {
 protected:
  HWND MakeOwnerDrawn() {
    ParentLog().OnMeasure = [](MEASUREITEMSTRUCT* M) { M->itemHeight = 16; };
    ParentLog().OnDraw = [this](const DRAWITEMSTRUCT* D) { Drawn.push_back(*D); };
    HWND L = CreateChild(ListBoxClassName, LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT,
                         {10, 10, 110, 110}, 7);
    for (LPARAM D : {1, 2, 3}) SendMessage(L, LB_ADDSTRING, 0, D);
    return L;
  }
  std::vector<DRAWITEMSTRUCT> Drawn;
};

TEST_F(ListBoxDetachedTest, ATopLevelListStillAsksItsFirstParentToDrawItsItems) {
  HWND L = MakeOwnerDrawn();
  SetParent(L, nullptr);
  SetWindowPos(L, HWND_TOP, 300, 300, 100, 100, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  EXPECT_EQ(GetParent(L), nullptr);
  Drawn.clear();
  UpdateWindow(L);
  EXPECT_EQ(Drawn.size(), 3u);
  ParentLog().Notices.clear();
  Input.Click(L, {20, 20});
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(ParentLog().Count(WM_COMMAND, LBN_SELCHANGE), 1);
  // Once that parent is gone, nobody is asked.
  DestroyWindow(Parent);
  Parent = nullptr;
  SendMessage(L, LB_SETCURSEL, 2, 0);
  InvalidateRect(L, nullptr, TRUE);
  UpdateWindow(L);
  DestroyWindow(L);
}

TEST_F(ListBoxDetachedTest, TheFocusRectangleFollowsTheListsOwnFocusMessages) {
  HWND L = MakeOwnerDrawn();
  SendMessage(L, LB_SETCURSEL, 1, 0);
  ASSERT_NE(GetFocus(), L);
  // Told it has the focus, it draws the current item focused although the
  // focus is elsewhere.
  SendMessage(L, WM_SETFOCUS, 0, 0);
  Drawn.clear();
  InvalidateRect(L, nullptr, TRUE);
  UpdateWindow(L);
  ASSERT_EQ(Drawn.size(), 3u);
  EXPECT_EQ(Drawn[1].itemState, UINT(ODS_SELECTED | ODS_FOCUS));
  SendMessage(L, WM_KILLFOCUS, 0, 0);
  Drawn.clear();
  InvalidateRect(L, nullptr, TRUE);
  UpdateWindow(L);
  ASSERT_EQ(Drawn.size(), 3u);
  EXPECT_EQ(Drawn[1].itemState, UINT(ODS_SELECTED));
}

}  // namespace
}  // namespace kvp
