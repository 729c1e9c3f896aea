// The "LISTBOX" class: items, searching, keys, clicks and drags, scrolling,
// owner drawing and virtual lists.
//
// Ideas for tests: the wheel; LBS_DISABLENOSCROLL keeping a disabled bar.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/controls/ListBoxClass.h"

namespace kvp {
namespace {

using testutil::ParentLog;

LPARAM Str(const char* S) { return reinterpret_cast<LPARAM>(S); }

class ListBoxTest : public testutil::TStdCtlTest {
 protected:
  HWND MakeList(DWORD Style = LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL,
                TRect B = {10, 10, 160, 110}) {
    HWND L = CreateChild(ListBoxClassName, Style | WS_BORDER, B, 5);
    return L;
  }
  void Fill(HWND L, Integer N) {
    for (Integer I = 0; I < N; ++I) {
      String S = "Item " + std::to_string(I);
      SendMessage(L, LB_ADDSTRING, 0, Str(S.c_str()));
    }
  }
  Integer SelChanges() const { return ParentLog().Count(WM_COMMAND, LBN_SELCHANGE); }
  // A client point inside item I as it is scrolled now.
  TPoint PointOfItem(HWND L, Integer I) {
    TRect R;
    SendMessage(L, LB_GETITEMRECT, WPARAM(I), reinterpret_cast<LPARAM>(&R));
    return {R.Left + 5, R.Top + R.Height() / 2};
  }
};

TEST_F(ListBoxTest, ItemsAddInsertDeleteAndText) {
  HWND L = MakeList();
  EXPECT_EQ(SendMessage(L, LB_ADDSTRING, 0, Str("banana")), 0);
  EXPECT_EQ(SendMessage(L, LB_ADDSTRING, 0, Str("cherry")), 1);
  EXPECT_EQ(SendMessage(L, LB_INSERTSTRING, 0, Str("apple")), 0);
  EXPECT_EQ(SendMessage(L, LB_INSERTSTRING, 9, Str("nowhere")), LB_ERR);
  EXPECT_EQ(SendMessage(L, LB_GETCOUNT, 0, 0), 3);
  char Buf[32] = {};
  EXPECT_EQ(SendMessage(L, LB_GETTEXT, 2, Str(Buf)), 6);
  EXPECT_STREQ(Buf, "cherry");
  EXPECT_EQ(SendMessage(L, LB_GETTEXTLEN, 1, 0), 6);
  SendMessage(L, LB_SETITEMDATA, 1, 42);
  EXPECT_EQ(SendMessage(L, LB_GETITEMDATA, 1, 0), 42);

  SendMessage(L, LB_SETCURSEL, 2, 0);
  EXPECT_EQ(SendMessage(L, LB_DELETESTRING, 0, 0), 2);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 1);  // the selection follows its item
  EXPECT_EQ(SendMessage(L, LB_DELETESTRING, 1, 0), 1);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), LB_ERR);
  SendMessage(L, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessage(L, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SelChanges(), 0);  // nothing a program does notifies

  HWND Sorted = MakeList(LBS_SORT | LBS_HASSTRINGS, {200, 10, 300, 100});
  for (const char* S : {"pear", "Apple", "fig"}) SendMessage(Sorted, LB_ADDSTRING, 0, Str(S));
  SendMessage(Sorted, LB_GETTEXT, 1, Str(Buf));
  EXPECT_STREQ(Buf, "fig");
}

// Items put in or taken out before the selected item move the selection
// with its item; the caret never points past the last item.
TEST_F(ListBoxTest, TheSelectionAndTheCaretFollowTheirItems) {
  HWND L = MakeList();
  Fill(L, 6);
  SendMessage(L, LB_SETCURSEL, 2, 0);
  SendMessage(L, LB_INSERTSTRING, 2, Str("new at 2"));  // in front of the selected item
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 3);
  SendMessage(L, LB_INSERTSTRING, 4, Str("new at 4"));  // after it
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 3);
  SendMessage(L, LB_INSERTSTRING, 0, Str("new at 0"));
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 4);
  SendMessage(L, LB_DELETESTRING, 5, 0);  // after it
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 4);
  char Buf[32] = {};
  SendMessage(L, LB_GETTEXT, 4, Str(Buf));
  EXPECT_STREQ(Buf, "Item 2");

  SendMessage(L, LB_DELETESTRING, 4, 0);  // the selected item itself: nothing is selected
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), LB_ERR);

  const Integer Last = Integer(SendMessage(L, LB_GETCOUNT, 0, 0)) - 1;
  SendMessage(L, LB_SETCARETINDEX, WPARAM(Last), 0);
  SendMessage(L, LB_DELETESTRING, WPARAM(Last), 0);
  EXPECT_EQ(SendMessage(L, LB_GETCARETINDEX, 0, 0), Last - 1);
}

TEST_F(ListBoxTest, FindAndSelectString) {
  HWND L = MakeList();
  for (const char* S : {"Alpha", "beta", "Bravo", "alphabet"})
    SendMessage(L, LB_ADDSTRING, 0, Str(S));
  EXPECT_EQ(SendMessage(L, LB_FINDSTRING, WPARAM(-1), Str("b")), 1);
  EXPECT_EQ(SendMessage(L, LB_FINDSTRING, 1, Str("b")), 2);
  EXPECT_EQ(SendMessage(L, LB_FINDSTRING, 2, Str("b")), 1);  // wraps round
  EXPECT_EQ(SendMessage(L, LB_FINDSTRINGEXACT, WPARAM(-1), Str("ALPHABET")), 3);
  EXPECT_EQ(SendMessage(L, LB_FINDSTRINGEXACT, WPARAM(-1), Str("alph")), LB_ERR);
  // A start past the end searches the whole list.
  EXPECT_EQ(SendMessage(L, LB_SELECTSTRING, 65535, Str("alpha")), 0);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessage(L, LB_SELECTSTRING, WPARAM(-1), Str("zulu")), LB_ERR);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 0);
}

TEST_F(ListBoxTest, KeysMoveTheSelectionAndNotify) {
  HWND L = MakeList();
  Fill(L, 20);
  SetFocus(L);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 0);  // the first key selects the caret item
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(SelChanges(), 3);
  Input.KeyPress(VK_END);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 19);
  EXPECT_GT(SendMessage(L, LB_GETTOPINDEX, 0, 0), 0);  // scrolled to show it
  EXPECT_EQ(GetScrollPos(L, SB_VERT), SendMessage(L, LB_GETTOPINDEX, 0, 0));
  Input.KeyPress(VK_END);
  EXPECT_EQ(SelChanges(), 4);  // no change, no notice
  Input.KeyPress(VK_HOME);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), 0);
  Input.KeyPress(VK_NEXT);
  Integer Page = Integer(SendMessage(L, LB_GETCURSEL, 0, 0));
  EXPECT_GT(Page, 1);
  Input.KeyPress(VK_PRIOR);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 0);
  // From the end PageUp steps back as far as PageDown steps on.
  Input.KeyPress(VK_END);
  Input.KeyPress(VK_PRIOR);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 19 - Page);
  // Up from the top item scrolls the list back to show the item above.
  const Integer Top = Integer(SendMessage(L, LB_GETTOPINDEX, 0, 0));
  ASSERT_GT(Top, 0);
  SendMessage(L, LB_SETCURSEL, WPARAM(Top), 0);
  Input.KeyPress(VK_UP);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), Top - 1);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), Top - 1);
  // A typed character jumps to the next item that starts with it, a space
  // too.
  SendMessage(L, LB_INSERTSTRING, 5, Str("Zebra"));
  Input.Type("z");
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 5);
  SendMessage(L, LB_INSERTSTRING, 8, Str(" Total"));
  Input.Type(" ");
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 8);
}

TEST_F(ListBoxTest, ClicksAndDragsSelect) {
  HWND L = MakeList();
  Fill(L, 20);
  Input.Click(L, PointOfItem(L, 3));
  EXPECT_EQ(GetFocus(), L);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(SelChanges(), 1);
  Advance(1000);
  Input.Drag(L, PointOfItem(L, 1), PointOfItem(L, 4));
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 4);
  EXPECT_EQ(SelChanges(), 2);  // one notice, at the release
  EXPECT_EQ(GetCapture(), nullptr);
  Advance(1000);
  Input.DoubleClick(L, PointOfItem(L, 2));
  EXPECT_EQ(ParentLog().Count(WM_COMMAND, LBN_DBLCLK), 1);
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 2);

  auto Hit = SendMessage(L, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 1000));
  EXPECT_EQ(LOWORD(Hit), 19);
  EXPECT_EQ(HIWORD(Hit), 1);  // below every item
  Hit = SendMessage(L, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, PointOfItem(L, 2).Y));
  EXPECT_EQ(LOWORD(Hit), 2);
  EXPECT_EQ(HIWORD(Hit), 0);
}

// Dragged above the list, the selection climbs item by item and the list
// scrolls back with it.
TEST_F(ListBoxTest, DraggingAboveTheListSelectsAndScrollsBack) {
  HWND L = MakeList();
  Fill(L, 20);
  SendMessage(L, LB_SETTOPINDEX, 5, 0);
  Input.MouseDown(mbLeft, L, PointOfItem(L, 6));
  Input.MouseMove(L, {5, -10});
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 4);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), 4);
  Input.MouseMove(L, {5, -12});
  Input.MouseMove(L, {5, -14});
  EXPECT_EQ(SendMessage(L, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), 2);
  Input.MouseUp(mbLeft, L, {5, -14});
  EXPECT_EQ(SelChanges(), 1);
}

TEST_F(ListBoxTest, TopIndexItemRectAndTheScrollBar) {
  HWND L = MakeList();
  Fill(L, 30);
  Integer H = Integer(SendMessage(L, LB_GETITEMHEIGHT, 0, 0));
  EXPECT_GT(H, 0);
  EXPECT_EQ(SendMessage(L, LB_SETTOPINDEX, 5, 0), LB_OKAY);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), 5);
  TRect R;
  SendMessage(L, LB_GETITEMRECT, 7, reinterpret_cast<LPARAM>(&R));
  EXPECT_EQ(R.Top, 2 * H);
  EXPECT_EQ(R.Height(), H);
  SendMessage(L, LB_SETTOPINDEX, 29, 0);
  TRect C;
  GetClientRect(L, &C);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), 30 - C.Height() / H);  // last page full
  // The window's own scroll bar scrolls the list.
  SendMessage(L, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), 0);
  SendMessage(L, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(GetScrollPos(L, SB_VERT), 1);
  // A page is the items that show whole, on and back alike.
  const Integer Page = C.Height() / H;
  SendMessage(L, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), 1 + Page);
  SendMessage(L, WM_VSCROLL, SB_PAGEUP, 0);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), 1);
  SendMessage(L, WM_VSCROLL, SB_BOTTOM, 0);
  SendMessage(L, WM_VSCROLL, SB_PAGEUP, 0);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), 30 - Page - Page);
  SendMessage(L, LB_SETITEMHEIGHT, 0, 20);
  EXPECT_EQ(SendMessage(L, LB_GETITEMHEIGHT, 0, 0), 20);
}

TEST_F(ListBoxTest, IntegralHeightShowsWholeItems) {
  HWND L = MakeList(LBS_HASSTRINGS, {10, 10, 160, 10 + 97});
  Integer H = Integer(SendMessage(L, LB_GETITEMHEIGHT, 0, 0));
  SetWindowPos(L, nullptr, 0, 0, 150, 103, SWP_NOMOVE | SWP_NOZORDER);
  TRect C;
  GetClientRect(L, &C);
  EXPECT_EQ(C.Height() % H, 0);
  // Scrolled to the end, the last item ends exactly on the bottom edge.
  Fill(L, 30);
  SendMessage(L, LB_SETTOPINDEX, 29, 0);
  EXPECT_EQ(SendMessage(L, LB_GETTOPINDEX, 0, 0), 30 - C.Height() / H);
  TRect R;
  SendMessage(L, LB_GETITEMRECT, 29, reinterpret_cast<LPARAM>(&R));
  EXPECT_EQ(R.Bottom, C.Bottom);
}

TEST_F(ListBoxTest, OwnerDrawFixedAndVariable) {
  std::vector<DRAWITEMSTRUCT> Drawn;
  ParentLog().OnMeasure = [](MEASUREITEMSTRUCT* M) { M->itemHeight = 18 + M->itemID * 0; };
  ParentLog().OnDraw = [&](const DRAWITEMSTRUCT* D) { Drawn.push_back(*D); };
  HWND L = MakeList(LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT);
  EXPECT_EQ(SendMessage(L, LB_GETITEMHEIGHT, 0, 0), 18);
  SendMessage(L, LB_ADDSTRING, 0, 1001);  // without LBS_HASSTRINGS: item data
  SendMessage(L, LB_ADDSTRING, 0, 1002);
  EXPECT_EQ(SendMessage(L, LB_GETITEMDATA, 1, 0), 1002);
  EXPECT_EQ(SendMessage(L, LB_FINDSTRING, WPARAM(-1), 1002), 1);
  SendMessage(L, LB_SETCURSEL, 1, 0);
  SetFocus(L);
  Drawn.clear();
  UpdateWindow(L);
  ASSERT_EQ(Drawn.size(), 2u);
  EXPECT_EQ(Drawn[1].itemID, 1u);
  EXPECT_EQ(Drawn[1].itemData, 1002u);
  EXPECT_EQ(Drawn[1].itemState, ODS_SELECTED | ODS_FOCUS);
  EXPECT_EQ(Drawn[0].itemState, 0u);
  EXPECT_EQ(Drawn[1].rcItem, (TRect{0, 18, Drawn[1].rcItem.Right, 36}));
  EXPECT_EQ(Drawn[1].CtlType, ODT_LISTBOX);
  EXPECT_EQ(Drawn[1].CtlID, 5u);

  ParentLog().OnMeasure = [](MEASUREITEMSTRUCT* M) { M->itemHeight = 10 + 5 * M->itemData; };
  HWND V = MakeList(LBS_OWNERDRAWVARIABLE | LBS_NOINTEGRALHEIGHT, {200, 10, 300, 110});
  for (LPARAM D : {0, 1, 2}) SendMessage(V, LB_ADDSTRING, 0, D);
  EXPECT_EQ(SendMessage(V, LB_GETITEMHEIGHT, 2, 0), 20);
  TRect R;
  SendMessage(V, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&R));
  EXPECT_EQ(R.Top, 25);
  auto Hit = SendMessage(V, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 12));
  EXPECT_EQ(LOWORD(Hit), 1);
  // Scrolled on, the items above the top lie above the client area, each
  // its own height up.
  for (LPARAM D : {3, 4, 5, 6, 7, 8}) SendMessage(V, LB_ADDSTRING, 0, D);
  SendMessage(V, LB_SETTOPINDEX, 2, 0);
  ASSERT_EQ(SendMessage(V, LB_GETTOPINDEX, 0, 0), 2);
  SendMessage(V, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&R));
  EXPECT_EQ(R.Top, -25);
  EXPECT_EQ(R.Bottom, -15);
  SendMessage(V, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&R));
  EXPECT_EQ(R.Top, -15);
  EXPECT_EQ(R.Bottom, 0);
}

TEST_F(ListBoxTest, VirtualListKeepsOnlyACount) {
  std::vector<UINT> Drawn;
  ParentLog().OnDraw = [&](const DRAWITEMSTRUCT* D) { Drawn.push_back(D->itemID); };
  HWND L = MakeList(LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_NOINTEGRALHEIGHT | WS_VSCROLL);
  EXPECT_EQ(SendMessage(L, LB_ADDSTRING, 0, Str("x")), LB_ERR);
  EXPECT_EQ(SendMessage(L, LB_SETCOUNT, 1000, 0), 0);
  EXPECT_EQ(SendMessage(L, LB_GETCOUNT, 0, 0), 1000);
  SendMessage(L, LB_SETCURSEL, 500, 0);
  EXPECT_GT(SendMessage(L, LB_GETTOPINDEX, 0, 0), 400);
  Drawn.clear();
  UpdateWindow(L);
  ASSERT_FALSE(Drawn.empty());
  EXPECT_NE(std::find(Drawn.begin(), Drawn.end(), 500u), Drawn.end());
  EXPECT_LT(Drawn.size(), 20u);  // only what shows is drawn
  HWND Plain = MakeList(LBS_HASSTRINGS, {200, 10, 300, 100});
  EXPECT_EQ(SendMessage(Plain, LB_SETCOUNT, 10, 0), LB_ERR);
}

TEST_F(ListBoxTest, PaintShowsItemsAndTheSelection) {
  HWND L = MakeList();
  Fill(L, 10);
  SendMessage(L, LB_SETCURSEL, 2, 0);
  SetFocus(L);
  TSurface* S = GetWindowSurface(L);
  S->ClearRecords();
  UpdateWindow(L);
  const TDrawRecord* Sel = S->FindText("Item 2");
  ASSERT_NE(Sel, nullptr);
  EXPECT_EQ(Sel->Color, GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(S->FindText("Item 1")->Color, GetSysColor(COLOR_WINDOWTEXT));
  SaveWindowPng(Parent, "stdctl-listbox.png");
  // A new selection repaints the old one plain, also when the caret had
  // moved away from it.
  SendMessage(L, LB_SETCARETINDEX, 3, 0);
  UpdateWindow(L);
  SendMessage(L, LB_SETCURSEL, 4, 0);
  S->ClearRecords();
  UpdateWindow(L);
  const TDrawRecord* Old = S->FindText("Item 2");
  ASSERT_NE(Old, nullptr);
  EXPECT_EQ(Old->Color, GetSysColor(COLOR_WINDOWTEXT));
  ASSERT_NE(S->FindText("Item 4"), nullptr);
  EXPECT_EQ(S->FindText("Item 4")->Color, GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(S->FindText("Item 0"), nullptr);  // only what changed was repainted
}

}  // namespace
}  // namespace kvp
