// The "BUTTON" and "SCROLLBAR" classes driven by the mouse, the keyboard and
// the virtual clock.
//
// Ideas for tests: BS_OWNERDRAW's WM_DRAWITEM states; SBM_ENABLE_ARROWS painting.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/controls/ButtonClass.h"
#include "platform/controls/ScrollBarClass.h"

namespace kvp {
namespace {

using testutil::ParentLog;

class ButtonClassTest : public testutil::TStdCtlTest {
 protected:
  Integer Clicks(HWND From) const {
    Integer N = 0;
    for (const auto& T : ParentLog().Notices)
      N += T.Msg == WM_COMMAND && T.Code == BN_CLICKED && T.From == From;
    return N;
  }
};

TEST_F(ButtonClassTest, PushButtonClicksOnReleaseInsideOnly) {
  HWND B = CreateChild(ButtonClassName, BS_PUSHBUTTON | WS_TABSTOP, {10, 10, 85, 35}, 11, "&OK");
  Input.MouseDown(mbLeft, B, {10, 10});
  EXPECT_EQ(SendMessage(B, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
  EXPECT_EQ(Clicks(B), 0);
  Input.MouseMove(B, {200, 10});  // off the button: drawn up again
  EXPECT_EQ(SendMessage(B, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  Input.MouseUp(mbLeft, B, {200, 10});
  EXPECT_EQ(Clicks(B), 0);
  EXPECT_EQ(GetCapture(), nullptr);
  Input.Click(B, {20, 10});
  EXPECT_EQ(Clicks(B), 1);
  EXPECT_EQ(GetFocus(), B);
  // Space presses and releases it.
  Input.KeyDown(VK_SPACE);
  EXPECT_EQ(Clicks(B), 1);
  Input.KeyUp(VK_SPACE);
  EXPECT_EQ(Clicks(B), 2);
  SendMessage(B, BM_CLICK, 0, 0);
  EXPECT_EQ(Clicks(B), 3);
  EXPECT_EQ(ParentLog().Notices.back().Id, 11);
  EXPECT_EQ(SendMessage(B, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  SendMessage(B, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(SendMessage(B, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
}

TEST_F(ButtonClassTest, CheckBoxesAndRadioGroups) {
  HWND Auto = CreateChild(ButtonClassName, BS_AUTOCHECKBOX, {10, 10, 150, 30}, 1, "Auto");
  HWND Manual = CreateChild(ButtonClassName, BS_CHECKBOX, {10, 40, 150, 60}, 2, "Manual");
  HWND Three = CreateChild(ButtonClassName, BS_AUTO3STATE, {10, 70, 150, 90}, 3, "Three");
  Input.Click(Auto, {5, 10});
  EXPECT_EQ(SendMessage(Auto, BM_GETCHECK, 0, 0), BST_CHECKED);
  Advance(1000);
  Input.Click(Manual, {5, 10});
  EXPECT_EQ(SendMessage(Manual, BM_GETCHECK, 0, 0), BST_UNCHECKED);  // the parent decides
  EXPECT_EQ(Clicks(Manual), 1);
  SendMessage(Manual, BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(SendMessage(Manual, BM_GETCHECK, 0, 0), BST_CHECKED);  // two states only
  for (LRESULT Want : {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}) {
    Advance(1000);
    Input.Click(Three, {5, 10});
    EXPECT_EQ(SendMessage(Three, BM_GETCHECK, 0, 0), Want);
  }

  HWND R1 =
      CreateChild(ButtonClassName, BS_AUTORADIOBUTTON | WS_GROUP, {200, 10, 300, 30}, 4, "One");
  HWND R2 = CreateChild(ButtonClassName, BS_AUTORADIOBUTTON, {200, 40, 300, 60}, 5, "Two");
  HWND R3 =
      CreateChild(ButtonClassName, BS_AUTORADIOBUTTON | WS_GROUP, {200, 70, 300, 90}, 6, "Other");
  SendMessage(R3, BM_SETCHECK, BST_CHECKED, 0);
  Advance(1000);
  Input.Click(R1, {5, 10});
  Advance(1000);
  Input.Click(R2, {5, 10});
  EXPECT_EQ(SendMessage(R1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(R2, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessage(R3, BM_GETCHECK, 0, 0), BST_CHECKED);  // another group
  SaveWindowPng(Parent, "stdctl-buttons.png");
}

TEST_F(ButtonClassTest, PaintingUsesFrameControls) {
  HWND B = CreateChild(ButtonClassName, BS_PUSHBUTTON, {10, 10, 85, 35}, 1, "Push");
  HWND C = CreateChild(ButtonClassName, BS_AUTOCHECKBOX, {10, 50, 150, 70}, 2, "Check");
  SendMessage(C, BM_SETCHECK, BST_CHECKED, 0);
  EnableWindow(B, FALSE);
  TSurface* S = GetWindowSurface(B);
  S->ClearRecords();
  UpdateWindow(B);
  UpdateWindow(C);
  bool PushDisabled = false, CheckChecked = false;
  for (const TDrawRecord& R : S->Records()) {
    if (R.Kind != TDrawKind::FrameControl) continue;
    PushDisabled |= (R.Flags2 & DFCS_BUTTONPUSH) && (R.Flags2 & DFCS_INACTIVE);
    CheckChecked |= !(R.Flags2 & DFCS_BUTTONPUSH) && (R.Flags2 & DFCS_CHECKED);
  }
  EXPECT_TRUE(PushDisabled);
  EXPECT_TRUE(CheckChecked);
  EXPECT_EQ(S->FindText("Push")->Color, GetSysColor(COLOR_GRAYTEXT));
  EXPECT_NE(S->FindText("Check"), nullptr);
}

class ScrollBarClassTest : public testutil::TStdCtlTest {
 protected:
  HWND MakeBar(DWORD Style) {
    HWND B = CreateChild(ScrollBarClassName, Style, {10, 10, 27, 210}, 9);
    SCROLLINFO Si;
    Si.fMask = SIF_ALL;
    Si.nMin = 0;
    Si.nMax = 99;
    Si.nPage = 10;
    Si.nPos = 20;
    SendMessage(B, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&Si));
    return B;
  }
  std::vector<Integer> Codes() const {
    std::vector<Integer> R;
    for (const auto& T : ParentLog().Notices)
      if (T.Msg == WM_VSCROLL || T.Msg == WM_HSCROLL) R.push_back(T.Code);
    return R;
  }
};

TEST_F(ScrollBarClassTest, MessagesKeepRangePageAndPosition) {
  HWND B = MakeBar(SBS_VERT);
  EXPECT_EQ(SendMessage(B, SBM_GETPOS, 0, 0), 20);
  EXPECT_EQ(SendMessage(B, SBM_SETPOS, 500, TRUE), 20);
  EXPECT_EQ(SendMessage(B, SBM_GETPOS, 0, 0), 90);  // the last page starts at Max - Page + 1
  SendMessage(B, SBM_SETRANGE, 0, 50);
  Integer Min = -1, Max = -1;
  SendMessage(B, SBM_GETRANGE, reinterpret_cast<WPARAM>(&Min), reinterpret_cast<LPARAM>(&Max));
  EXPECT_EQ(Min, 0);
  EXPECT_EQ(Max, 50);
  SCROLLINFO Si;
  Si.fMask = SIF_ALL;
  SendMessage(B, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&Si));
  EXPECT_EQ(Si.nPos, 41);
  EXPECT_EQ(Si.nPage, 10u);
}

// Code that treats a scroll-bar control like a window's own bar (SB_CTL)
// reaches the control's state.
TEST_F(ScrollBarClassTest, ScrollBarRoutinesWithSbCtlTalkToTheControl) {
  HWND B = MakeBar(SBS_VERT);
  EXPECT_EQ(GetScrollPos(B, SB_CTL), 20);
  EXPECT_EQ(SetScrollPos(B, SB_CTL, 35, TRUE), 20);
  SCROLLINFO Si;
  Si.fMask = SIF_PAGE | SIF_POS;
  Si.nPage = 20;
  Si.nPos = 95;
  EXPECT_EQ(SetScrollInfo(B, SB_CTL, &Si, TRUE), 80);  // clamped to the last page
  Si = SCROLLINFO{};
  Si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(B, SB_CTL, &Si));
  EXPECT_EQ(Si.nPos, 80);
  EXPECT_EQ(Si.nPage, 20u);
  EXPECT_TRUE(SetScrollRange(B, SB_CTL, 5, 60, FALSE));
  Integer Min = 0, Max = 0;
  ASSERT_TRUE(GetScrollRange(B, SB_CTL, &Min, &Max));
  EXPECT_EQ(Min, 5);
  EXPECT_EQ(Max, 60);
  EXPECT_EQ(GetScrollPos(B, SB_CTL), 41);
}

TEST_F(ScrollBarClassTest, ArrowsRepeatAndThumbDragsNotifyTheParent) {
  HWND B = MakeBar(SBS_VERT);
  Input.MouseDown(mbLeft, B, {8, 5});  // the up arrow
  EXPECT_EQ(Codes(), (std::vector<Integer>{SB_LINEUP}));
  Advance(399);
  EXPECT_EQ(Codes().size(), 1u);
  Advance(1 + 100 * 3);  // the first repeat at 400 ms, then every 100 ms
  EXPECT_EQ(Codes().size(), 5u);
  Input.MouseUp(mbLeft, B, {8, 5});
  EXPECT_EQ(Codes().back(), SB_ENDSCROLL);
  Advance(1000);
  EXPECT_EQ(Codes().size(), 6u);  // the repeat stopped
  EXPECT_EQ(ParentLog().Notices.back().From, B);

  ParentLog().Notices.clear();
  Input.Click(B, {8, 195});  // the down arrow
  EXPECT_EQ(Codes(), (std::vector<Integer>{SB_LINEDOWN, SB_ENDSCROLL}));
  ParentLog().Notices.clear();
  Advance(1000);
  Input.Click(B, {8, 150});  // below the thumb
  EXPECT_EQ(Codes(), (std::vector<Integer>{SB_PAGEDOWN, SB_ENDSCROLL}));

  // Dragging the thumb to the bottom tracks to the last position.
  ParentLog().Notices.clear();
  Advance(1000);
  SCROLLINFO Si;
  Si.fMask = SIF_POS;
  Si.nPos = 0;
  SendMessage(B, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&Si));
  Input.Drag(B, {8, 20}, {8, 400});
  std::vector<Integer> C = Codes();
  ASSERT_GE(C.size(), 3u);
  EXPECT_EQ(C.front(), SB_THUMBTRACK);
  EXPECT_EQ(C[C.size() - 2], SB_THUMBPOSITION);
  EXPECT_EQ(ParentLog().Notices[C.size() - 2].Pos, 90);
  EXPECT_EQ(C.back(), SB_ENDSCROLL);
  EXPECT_EQ(SendMessage(B, SBM_GETPOS, 0, 0), 0);  // the parent moves the position, not the bar
  SaveWindowPng(Parent, "stdctl-scrollbar.png");
}

// The parent of a bar control reads the dropped thumb's place with
// SBM_GETSCROLLINFO while it handles SB_THUMBPOSITION, past 16 bits too.
TEST_F(ScrollBarClassTest, TheTrackPositionIsReadableWhileTheDroppedThumbIsTaken) {
  HWND B = MakeBar(SBS_VERT);
  SCROLLINFO Si;
  Si.fMask = SIF_ALL;
  Si.nMin = 0;
  Si.nMax = 200000;
  Si.nPage = 0;
  Si.nPos = 0;
  SendMessage(B, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&Si));
  std::vector<Integer> Taken;
  ParentLog().OnScroll = [&](HWND Bar, WORD Code) {
    if (Code != SB_THUMBPOSITION && Code != SB_ENDSCROLL) return;
    SCROLLINFO T;
    T.fMask = SIF_TRACKPOS;
    SendMessage(Bar, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&T));
    Taken.push_back(T.nTrackPos);
  };
  Input.Drag(B, {8, 20}, {8, 400});
  ParentLog().OnScroll = nullptr;
  ASSERT_EQ(Taken.size(), 2u);
  EXPECT_EQ(Taken[0], 200000) << "during SB_THUMBPOSITION";
  EXPECT_EQ(Taken[1], 0) << "during SB_ENDSCROLL the drag is over: the position";
}

// The thumb as painted is what a press drags: its first and last pixels
// take the thumb, the pixels just outside page up and down.
TEST_F(ScrollBarClassTest, APressOnTheThumbsEdgeDragsItAndJustOutsideItPages) {
  HWND B = MakeBar(SBS_VERT);
  TSurface* S = GetWindowSurface(B);
  S->ClearRecords();
  InvalidateRect(B, nullptr, TRUE);
  UpdateWindow(B);
  TRect Thumb;
  for (const TDrawRecord& R : S->Records())
    if (R.Kind == TDrawKind::Edge) Thumb = R.Rect;
  const TRect Client = GetWindowSurfaceRect(B);
  OffsetRect(Thumb, -Client.Left, -Client.Top);
  ASSERT_GT(Thumb.Height(), 4);
  struct TCase {
    Integer Y;
    Integer Code;
  };
  const TCase Cases[] = {{Thumb.Top - 1, SB_PAGEUP},
                         {Thumb.Top, SB_THUMBPOSITION},
                         {Thumb.Bottom - 1, SB_THUMBPOSITION},
                         {Thumb.Bottom, SB_PAGEDOWN}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Y);
    ParentLog().Notices.clear();
    Advance(1000);
    Input.Click(B, {8, C.Y});
    ASSERT_FALSE(Codes().empty());
    EXPECT_EQ(Codes().front(), C.Code);
  }
}

// Left and Up step back, Right and Down on, each on its own kind of bar.
TEST_F(ScrollBarClassTest, ArrowKeysStepTheWayTheyPoint) {
  HWND H = CreateChild(ScrollBarClassName, SBS_HORZ | WS_TABSTOP, {10, 10, 210, 27}, 9);
  HWND V = CreateChild(ScrollBarClassName, SBS_VERT | WS_TABSTOP, {250, 10, 267, 210}, 10);
  SendMessage(H, SBM_SETRANGE, 0, 10);
  SendMessage(V, SBM_SETRANGE, 0, 10);
  struct TCase {
    HWND Bar;
    Word Key;
    std::vector<Integer> Codes;
  };
  const TCase Cases[] = {
      {H, VK_LEFT, {SB_LINELEFT, SB_ENDSCROLL}},
      {H, VK_RIGHT, {SB_LINERIGHT, SB_ENDSCROLL}},
      {V, VK_UP, {SB_LINEUP, SB_ENDSCROLL}},
      {V, VK_DOWN, {SB_LINEDOWN, SB_ENDSCROLL}},
      {H, VK_UP, {SB_ENDSCROLL}},
      {V, VK_LEFT, {SB_ENDSCROLL}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Key);
    SetFocus(C.Bar);
    ParentLog().Notices.clear();
    Input.KeyPress(C.Key);
    EXPECT_EQ(Codes(), C.Codes);
  }
}

// Dragged a few pixels, the thumb stands for the nearest position: 150 free
// pixels for positions 0..90 make 0.6 of a position a pixel.
TEST_F(ScrollBarClassTest, ADraggedThumbTracksTheNearestPosition) {
  HWND B = MakeBar(SBS_VERT);
  SCROLLINFO Si;
  Si.fMask = SIF_POS;
  Si.nPos = 0;
  SendMessage(B, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&Si));
  Input.MouseDown(mbLeft, B, {8, 20});  // on the thumb at the top of the track
  for (Integer Dy : {1, 2, 3, 5}) {
    SCOPED_TRACE(Dy);
    Input.MouseMove(B, {8, 20 + Dy});
    const Integer Want = (Dy * 90 * 2 + 150) / 300;  // Dy * 0.6, rounded
    ASSERT_FALSE(ParentLog().Notices.empty());
    EXPECT_EQ(ParentLog().Notices.back().Code, SB_THUMBTRACK);
    EXPECT_EQ(ParentLog().Notices.back().Pos, Want);
  }
  Input.MouseUp(mbLeft, B, {8, 25});
}

// A held arrow repeats only while the mouse stays on it.
TEST_F(ScrollBarClassTest, AHeldArrowRepeatsOnlyWhileTheMouseIsOnIt) {
  HWND B = MakeBar(SBS_VERT);
  Input.MouseDown(mbLeft, B, {8, 195});  // the down arrow
  Advance(400);
  const std::size_t Held = Codes().size();
  EXPECT_EQ(Held, 2u);
  Input.MouseMove(B, {8, 100});  // off the arrow
  Advance(500);
  EXPECT_EQ(Codes().size(), Held);
  Input.MouseMove(B, {8, 195});  // back on it
  Advance(200);
  EXPECT_EQ(Codes().size(), Held + 2);
  Input.MouseUp(mbLeft, B, {8, 195});
}

TEST_F(ScrollBarClassTest, HorizontalBarSendsHScroll) {
  HWND B = CreateChild(ScrollBarClassName, SBS_HORZ | WS_TABSTOP, {10, 10, 210, 27}, 9);
  SendMessage(B, SBM_SETRANGE, 0, 10);
  Input.Click(B, {195, 8});
  ASSERT_FALSE(ParentLog().Notices.empty());
  EXPECT_EQ(ParentLog().Notices.front().Msg, WM_HSCROLL);
  EXPECT_EQ(ParentLog().Notices.front().Code, SB_LINERIGHT);
  ParentLog().Notices.clear();
  Input.KeyPress(VK_HOME);
  EXPECT_EQ(Codes(), (std::vector<Integer>{SB_TOP, SB_ENDSCROLL}));
}

}  // namespace
}  // namespace kvp
