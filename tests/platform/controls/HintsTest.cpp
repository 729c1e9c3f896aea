// Hints on the virtual clock: a hint appears HintPause after the mouse came
// to rest over a control with ShowHint, shows the short part of its Hint in
// a topmost window sized to the text, goes after HintHidePause or on a key
// press, and a control's CM_HINTSHOW may rewrite or refuse it. Also the
// mouse-enter and mouse-leave messages of the idle step.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/controls/Forms.h"
#include "platform/controls/HintWindow.h"

namespace kvp {
namespace {

// A control that answers CM_HINTSHOW as a test tells it.
class THinted : public TCustomControl {
  KV_CLASS(THinted, TCustomControl)
 public:
  explicit THinted(TComponent* AOwner) : TCustomControl(AOwner) {}
  String Replace;       // non-empty: the hint text to show instead
  bool Refuse = false;  // answer non-zero: no hint
  Integer Pause = -1;   // >= 0: the pause to ask for in CM_HINTSHOWPAUSE
  std::vector<String> Log;

 protected:
  void CMHintShow(TCMHintShow& M) {
    Log.push_back("hintshow " + M.HintInfo->HintStr);
    if (!Replace.empty()) M.HintInfo->HintStr = Replace;
    M.Result = Refuse ? 1 : 0;
  }
  void CMHintShowPause(TCMHintShowPause& M) {
    if (Pause >= 0) *M.Pause = Pause;
  }
  void CMMouseEnter(TMessage& M) {
    Log.push_back("enter");
    inherited::Dispatch(M);
  }
  void CMMouseLeave(TMessage& M) {
    Log.push_back("leave");
    inherited::Dispatch(M);
  }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CM_HINTSHOW, CMHintShow)
  KV_MESSAGE(CM_HINTSHOWPAUSE, CMHintShowPause)
  KV_MESSAGE(CM_MOUSEENTER, CMMouseEnter)
  KV_MESSAGE(CM_MOUSELEAVE, CMMouseLeave)
  KV_END_MESSAGE_MAP
};

// A hint window of its own class: it records the data it is handed and
// asks for a fixed size.
class TDataHintWindow : public THintWindow {
  KV_CLASS(TDataHintWindow, THintWindow)
 public:
  explicit TDataHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}
  TRect CalcHintRect(Integer, const String&, void* AData) override {
    SizedFor = AData;
    return Rect(0, 0, 120, 40);
  }
  void ActivateHintData(TRect Rect, const String& AHint, void* AData) override {
    ShownWith = AData;
    THintWindow::ActivateHintData(Rect, AHint, AData);
  }
  void* SizedFor = nullptr;
  void* ShownWith = nullptr;
};

// A control that shows its hints in that window, at a place of its choosing.
class TDataHinted : public TCustomControl {
  KV_CLASS(TDataHinted, TCustomControl)
 public:
  explicit TDataHinted(TComponent* AOwner) : TCustomControl(AOwner) {}
  Integer Data = 42;

 protected:
  void CMHintShow(TCMHintShow& M) {
    M.HintInfo->HintWindowClass = TDataHintWindow::StaticClass();
    M.HintInfo->HintData = &Data;
    M.HintInfo->HintPos = ClientToScreen(Point(0, GetHeight()));
    M.HintInfo->HintColor = clYellow;
  }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CM_HINTSHOW, CMHintShow)
  KV_END_MESSAGE_MAP
};

class HintsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    Form = TForm::Create(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    A = THinted::Create(Form);
    A->SetBounds(10, 10, 100, 30);
    A->SetHint("Save the record|Writes the record to the table");
    A->SetShowHint(true);
    A->SetParent(Form);
    B = THinted::Create(Form);
    B->SetBounds(10, 100, 100, 30);
    B->SetParent(Form);  // no ShowHint
    Form->Show();
  }
  void TearDown() override {
    FreeAndNil(Form);
    Application()->CheckNoExceptions();
    ResetWindowSystem();
  }
  bool HintShown() {
    THintWindow* W = Application()->GetHintWindow();
    return W && W->HandleAllocated() && IsWindowVisible(W->GetHandle());
  }
  TForm* Form = nullptr;
  THinted* A = nullptr;
  THinted* B = nullptr;
};

TEST_F(HintsTest, TheShortHintAppearsAfterThePauseAndGoesAfterTheHidePause) {
  Input.MouseMove(A->GetHandle(), Point(20, 10));
  Advance(499);
  EXPECT_FALSE(HintShown());
  Advance(1);
  ASSERT_TRUE(HintShown());
  THintWindow* W = Application()->GetHintWindow();
  EXPECT_EQ(W->GetCaption(), "Save the record");
  EXPECT_EQ(W->GetColor(), clInfoBk);
  LONG_PTR ExStyle = GetWindowLongPtr(W->GetHandle(), GWL_EXSTYLE);
  EXPECT_TRUE(ExStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(ExStyle & WS_EX_TOOLWINDOW);
  EXPECT_NE(GetActiveWindow(), W->GetHandle());  // showing a hint activates nothing
  // Below the cursor, wide enough for the text.
  TPoint Cursor = A->ClientToScreen(Point(20, 10));
  EXPECT_EQ(W->GetLeft(), Cursor.X);
  EXPECT_GT(W->GetTop(), Cursor.Y);
  TRect Needed = W->CalcHintRect(1000, "Save the record", nullptr);
  EXPECT_EQ(W->GetWidth(), Needed.Width());
  EXPECT_GT(Needed.Width(), 40);

  Advance(2499);
  EXPECT_TRUE(HintShown());
  Advance(1);
  EXPECT_FALSE(HintShown());
}

TEST_F(HintsTest, ALongHintWrapsWithinTheMaximumWidth) {
  THintWindow* W = THintWindow::Create(Form);
  TRect One = W->CalcHintRect(1000, "alpha beta gamma delta", nullptr);
  TRect Wrapped = W->CalcHintRect(60, "alpha beta gamma delta", nullptr);
  EXPECT_LE(Wrapped.Width(), 60 + 6);
  EXPECT_GT(Wrapped.Height(), One.Height());
}

TEST_F(HintsTest, AKeyPressOrAClickTakesTheHintAway) {
  Input.MouseMove(A->GetHandle(), Point(20, 10));
  Advance(500);
  ASSERT_TRUE(HintShown());
  Input.KeyPress('X');
  EXPECT_FALSE(HintShown());
  Input.MouseMove(B->GetHandle(), Point(5, 5));
  Input.MouseMove(A->GetHandle(), Point(21, 10));
  Advance(500);
  ASSERT_TRUE(HintShown());
  Input.Click(A->GetHandle(), Point(21, 10));
  EXPECT_FALSE(HintShown());
}

TEST_F(HintsTest, AControlWithoutShowHintShowsNothing) {
  B->SetHint("never");
  Input.MouseMove(B->GetHandle(), Point(5, 5));
  Advance(3000);
  EXPECT_FALSE(HintShown());
}

TEST_F(HintsTest, CMHintShowMayRewriteOrRefuseTheHint) {
  A->Replace = "Rewritten";
  Input.MouseMove(A->GetHandle(), Point(20, 10));
  Advance(500);
  ASSERT_TRUE(HintShown());
  EXPECT_EQ(Application()->GetHintWindow()->GetCaption(), "Rewritten");
  EXPECT_EQ(A->Log.back(), "hintshow Save the record");

  Application()->CancelHint();
  A->Refuse = true;
  Input.MouseMove(A->GetHandle(), Point(30, 12));
  Advance(500);
  EXPECT_FALSE(HintShown());
}

TEST_F(HintsTest, CMHintShowPauseSetsTheWait) {
  A->Pause = 100;
  Input.MouseMove(A->GetHandle(), Point(20, 10));
  Advance(100);
  EXPECT_TRUE(HintShown());
}

TEST_F(HintsTest, TheIdleStepSendsMouseEnterAndMouseLeave) {
  Input.MouseMove(A->GetHandle(), Point(5, 5));
  Application()->Idle();
  Input.MouseMove(B->GetHandle(), Point(5, 5));
  Application()->Idle();
  Application()->Idle();
  EXPECT_EQ(A->Log, (std::vector<String>{"enter", "leave"}));
  EXPECT_EQ(B->Log, (std::vector<String>{"enter"}));
  EXPECT_EQ(Application()->GetMouseControl(), B);
}

TEST_F(HintsTest, AControlMayShowItsHintInItsOwnWindowClassWithItsData) {
  auto* C = TDataHinted::Create(Form);
  C->SetBounds(200, 10, 100, 30);
  C->SetHint("clipped text");
  C->SetShowHint(true);
  C->SetParent(Form);
  Input.MouseMove(C->GetHandle(), Point(5, 5));
  Advance(500);
  ASSERT_TRUE(HintShown());
  auto* W = dynamic_cast<TDataHintWindow*>(Application()->GetHintWindow());
  ASSERT_NE(W, nullptr);
  EXPECT_EQ(W->SizedFor, &C->Data);
  EXPECT_EQ(W->ShownWith, &C->Data);
  EXPECT_EQ(W->GetColor(), clYellow);
  TPoint Below = C->ClientToScreen(Point(0, 30));
  EXPECT_EQ(W->GetLeft(), Below.X);
  EXPECT_EQ(W->GetTop(), Below.Y);
  EXPECT_EQ(W->GetWidth(), 120);
  EXPECT_EQ(W->GetCaption(), "clipped text");
  // Back over an ordinary control, the hint window is of the default class again.
  Application()->CancelHint();
  Input.MouseMove(A->GetHandle(), Point(20, 10));
  Advance(500);
  ASSERT_TRUE(HintShown());
  EXPECT_EQ(Application()->GetHintWindow()->ClassType(), THintWindow::StaticClass());
}

// A hint window that shows its hints in a large bold font of its own.
class TBigHintWindow : public THintWindow {
  KV_CLASS(TBigHintWindow, THintWindow)
 public:
  explicit TBigHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}
  TRect CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) override {
    GetCanvas()->GetFont()->SetSize(20);
    GetCanvas()->GetFont()->SetStyle(TFontStyles{fsBold});
    GetCanvas()->GetFont()->SetColor(clRed);
    return THintWindow::CalcHintRect(MaxWidth, AHint, AData);
  }
};

// The right edge of what is painted on the window's client area in other
// colours than its background.
Integer InkRight(THintWindow* W) {
  TSurface* Surface = GetWindowSurface(W->GetHandle());
  const TRect On = GetWindowSurfaceRect(W->GetHandle());
  const COLORREF Back = ColorToRGB(W->GetColor());
  Integer Right = -1;
  for (Integer Y = On.Top + 1; Y < On.Bottom - 1; ++Y)
    for (Integer X = On.Left + 1; X < On.Right - 1; ++X)
      if (Surface->GetPixel(X, Y) != Back) Right = std::max(Right, X - On.Left);
  return Right;
}

TEST_F(HintsTest, AHintWindowMeasuresAndPaintsInItsCanvasFontInTheHintColour) {
  THintWindow* Plain = THintWindow::Create(Form);
  TBigHintWindow* Big = TBigHintWindow::Create(Form);
  const TRect P = Plain->CalcHintRect(1000, "Wide words", nullptr);
  const TRect B = Big->CalcHintRect(1000, "Wide words", nullptr);
  EXPECT_GT(B.Width(), P.Width() + 20);
  EXPECT_GT(B.Height(), P.Height());
  Plain->ActivateHint(Rect(50, 50, 50 + P.Width(), 50 + P.Height()), "Wide words");
  Big->ActivateHint(Rect(50, 150, 50 + B.Width(), 150 + B.Height()), "Wide words");
  UpdateWindow(Plain->GetHandle());
  UpdateWindow(Big->GetHandle());
  EXPECT_GT(InkRight(Big), P.Width()) << "the text is painted as large as it was measured";
  EXPECT_LT(InkRight(Plain), P.Width());
  // In the hint font's colour, not the one the measuring font had.
  TSurface* Surface = GetWindowSurface(Big->GetHandle());
  const TRect On = GetWindowSurfaceRect(Big->GetHandle());
  Integer Red = 0;
  for (Integer Y = On.Top; Y < On.Bottom; ++Y)
    for (Integer X = On.Left; X < On.Right; ++X)
      if (Surface->GetPixel(X, Y) == RGB(255, 0, 0)) ++Red;
  EXPECT_EQ(Red, 0);
}

}  // namespace
}  // namespace kvp
