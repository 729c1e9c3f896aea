// TSpeedButton pressed with the input driver: the click on release only,
// groups, and the looks it paints.
//
// Ideas for tests: a glyph of four images picked per look.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/controls/Buttons.h"
#include "platform/controls/StdCtrls.h"
#include "platform/win/Cursors.h"

namespace kvp {
namespace {

class SpeedButtonTest : public testutil::TFormTest {
 protected:
  TSpeedButton* AddButton(const char* Name, Integer X, Integer Group = 0) {
    auto* B = Add<TSpeedButton>(Name, {X, 10, X + 60, 35});
    B->SetCaption(Name);
    B->SetGroupIndex(Group);
    return B;
  }
  HWND Wnd() { return Form->GetHandle(); }
  // A client point of the form inside B.
  TPoint In(TSpeedButton* B) { return {B->GetLeft() + 10, B->GetTop() + 10}; }
};

TEST_F(SpeedButtonTest, ClicksOnReleaseInsideOnly) {
  auto* B = AddButton("Go", 10);
  testutil::TEventCounter Clicks;
  B->OnClick = Clicks.Event();
  Form->Show();
  Input.MouseDown(mbLeft, Wnd(), In(B));
  EXPECT_EQ(B->GetState(), bsDown);
  EXPECT_EQ(Clicks.Count, 0);
  Input.MouseMove(Wnd(), {300, 200});
  EXPECT_EQ(B->GetState(), bsUp);  // off the button it is drawn up
  Input.MouseMove(Wnd(), In(B));
  EXPECT_EQ(B->GetState(), bsDown);
  Input.MouseMove(Wnd(), {300, 200});
  Input.MouseUp(mbLeft, Wnd(), {300, 200});
  EXPECT_EQ(Clicks.Count, 0);  // released outside: no click
  EXPECT_EQ(B->GetState(), bsUp);
  Advance(1000);
  Input.Click(Wnd(), In(B));
  EXPECT_EQ(Clicks.Count, 1);
  EXPECT_FALSE(B->GetDown());  // without a group it never stays down
  B->SetDown(true);
  EXPECT_FALSE(B->GetDown());  // not even when told to
  EXPECT_EQ(B->GetState(), bsUp);
  B->SetEnabled(false);
  Advance(1000);
  Input.Click(Wnd(), In(B));
  EXPECT_EQ(Clicks.Count, 1);
}

// A button freed while it holds the mouse (its own click handler closes the
// panel it sits on, say) lets the mouse go: the rest of the press reaches
// the form and nothing else.
TEST_F(SpeedButtonTest, AButtonFreedWhilePressedLetsTheMouseGo) {
  auto* B = AddButton("Go", 10);
  auto* Other = AddButton("Other", 150);
  testutil::TEventCounter Clicks;
  Other->OnClick = Clicks.Event();
  Form->Show();
  Input.MouseDown(mbLeft, Wnd(), In(B));
  ASSERT_EQ(B->GetState(), bsDown);
  B->Free();
  Input.MouseMove(Wnd(), In(Other));
  Input.MouseUp(mbLeft, Wnd(), In(Other));
  EXPECT_EQ(Clicks.Count, 0);
  Advance(1000);
  Input.Click(Wnd(), In(Other));
  EXPECT_EQ(Clicks.Count, 1);
}

// Taken off the form while it holds the mouse, a button lets the mouse go:
// an edit the mouse then moves over gets it and shows its own cursor.
TEST_F(SpeedButtonTest, AButtonTakenOffTheFormWhilePressedLetsTheMouseGo) {
  auto* B = AddButton("Go", 10);
  auto* E = Add<TEdit>("Edit", {150, 60, 250, 81});
  Form->Show();
  Input.MouseMove(Wnd(), {300, 200});
  Input.MouseDown(mbLeft, Wnd(), In(B));
  ASSERT_EQ(B->GetState(), bsDown);
  B->SetParent(nullptr);
  Input.MouseMove(E->GetHandle(), {20, 10});
  EXPECT_EQ(GetCursorName(GetCursor()), "IDC_IBEAM");
  Input.MouseUp(mbLeft, E->GetHandle(), {20, 10});
}

TEST_F(SpeedButtonTest, GroupsReleaseTheOthers) {
  auto* A = AddButton("A", 10, 1);
  auto* B = AddButton("B", 80, 1);
  auto* C = AddButton("C", 150, 2);
  C->SetDown(true);
  Form->Show();
  Input.Click(Wnd(), In(A));
  EXPECT_TRUE(A->GetDown());
  EXPECT_EQ(A->GetState(), bsExclusive);
  Advance(1000);
  Input.Click(Wnd(), In(B));
  EXPECT_TRUE(B->GetDown());
  EXPECT_FALSE(A->GetDown());
  EXPECT_EQ(A->GetState(), bsUp);
  EXPECT_TRUE(C->GetDown());  // another group
  // Without AllowAllUp the last one down stays down.
  Advance(1000);
  Input.Click(Wnd(), In(B));
  EXPECT_TRUE(B->GetDown());
  A->SetAllowAllUp(true);  // the whole group takes it
  EXPECT_TRUE(B->GetAllowAllUp());
  Advance(1000);
  Input.Click(Wnd(), In(B));
  EXPECT_FALSE(B->GetDown());
  A->SetDown(true);
  EXPECT_FALSE(B->GetDown());
}

TEST_F(SpeedButtonTest, PaintsUpDownAndDisabledLooks) {
  auto* Up = AddButton("Up", 10);
  auto* Down = AddButton("Down", 80, 1);
  auto* Off = AddButton("Off", 150);
  auto* Flat = AddButton("Flat", 220);
  Down->SetDown(true);
  Off->SetEnabled(false);
  Flat->SetFlat(true);
  // A 2-image glyph: a black square on a fuchsia (transparent) ground.
  TObjectPtr<TBitmap> G(TBitmap::Create());
  G->SetSize(16, 8);
  G->GetCanvas()->GetBrush()->SetColor(clFuchsia);
  G->GetCanvas()->FillRect({0, 0, 16, 8});
  G->GetCanvas()->GetBrush()->SetColor(clBlack);
  G->GetCanvas()->FillRect({2, 2, 6, 6});
  G->GetCanvas()->FillRect({10, 2, 14, 6});
  Up->SetGlyph(G.get());
  EXPECT_EQ(Up->GetNumGlyphs(), 2);
  Form->Show();
  TSurface* S = GetWindowSurface(Form->GetHandle());
  S->ClearRecords();
  Form->Repaint();
  Application()->ProcessMessages();
  bool UpFace = false, DownFace = false;
  for (const TDrawRecord& R : S->Records())
    if (R.Kind == TDrawKind::FrameControl && (R.Flags2 & DFCS_BUTTONPUSH)) {
      UpFace |= !(R.Flags2 & DFCS_PUSHED);
      DownFace |= (R.Flags2 & DFCS_PUSHED) != 0;
    }
  EXPECT_TRUE(UpFace);
  EXPECT_TRUE(DownFace);
  const TDrawRecord* OffText = S->FindText("Off");
  ASSERT_NE(OffText, nullptr);
  EXPECT_EQ(OffText->Color, ColorToRGB(clBtnShadow));  // etched caption
  EXPECT_EQ(S->FindText("Up")->Color, ColorToRGB(clBtnText));
  // The glyph's square is drawn, its fuchsia ground is not.
  // Client point (0, 0) of the form on its surface.
  TRect Win;
  GetWindowRect(Form->GetHandle(), &Win);
  TPoint Org{0, 0};
  ClientToScreen(Form->GetHandle(), &Org);
  TRect Box = GetWindowSurfaceRect(Form->GetHandle());
  OffsetRect(Box, Org.X - Win.Left, Org.Y - Win.Top);
  bool Black = false, Fuchsia = false;
  for (Integer Y = Up->GetTop(); Y < Up->GetTop() + Up->GetHeight(); ++Y)
    for (Integer X = Up->GetLeft(); X < Up->GetLeft() + Up->GetWidth(); ++X) {
      COLORREF P = S->GetPixel(Box.Left + X, Box.Top + Y);
      Black |= P == 0;
      Fuchsia |= P == ColorToRGB(clFuchsia);
    }
  EXPECT_TRUE(Black);
  EXPECT_FALSE(Fuchsia);
  SaveWindowPng(Form->GetHandle(), "stdctl-speedbutton.png");
}

TEST_F(SpeedButtonTest, FlatButtonRaisesWhileTheMouseIsOverIt) {
  auto* B = AddButton("Flat", 10);
  B->SetFlat(true);
  Form->Show();
  TSurface* S = GetWindowSurface(Form->GetHandle());
  auto Edges = [&] {
    Integer N = 0;
    for (const TDrawRecord& R : S->Records())
      N += R.Kind == TDrawKind::Edge && R.Flags == BDR_RAISEDINNER;
    return N;
  };
  S->ClearRecords();
  Form->Repaint();
  EXPECT_EQ(Edges(), 0);  // flat: no edge at rest
  Input.MouseMove(Wnd(), In(B));
  Application()->Idle();
  EXPECT_TRUE(B->GetMouseInControl());
  S->ClearRecords();
  Application()->ProcessMessages();
  EXPECT_EQ(Edges(), 1);
  Input.MouseMove(Wnd(), {300, 200});
  Application()->Idle();
  EXPECT_FALSE(B->GetMouseInControl());
}

}  // namespace
}  // namespace kvp
