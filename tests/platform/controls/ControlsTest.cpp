// TControl and TWinControl as a user and a control writer meet them: clicks
// and double clicks through the input driver, typing, graphic controls under
// the mouse, parent font and colour, recreating a window, the message path
// (message maps, WindowProc, Perform against SendMessage), painting.
//
// Ideas for tests: BiDiMode propagation once a right-to-left locale can be
// switched on; WM_CONTEXTMENU from the keyboard (-1, -1).
//
// Index
//   [SECTION] Probes              the test controls and the fixture
//   [SECTION] Mouse and keyboard  clicks, capture, cancel mode, typing
//   [SECTION] Parent properties   ParentFont, ParentColor
//   [SECTION] Window and text     RecreateWnd, text with and without a window
//   [SECTION] The message path    message maps, Perform, WindowProc
//   [SECTION] Showing and bounds  visibility, bounds, painting, freeing
//   [SECTION] Behaviours          AutoSize, actions, wheel, cursor, drag, canvas
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/controls/Controls.h"
#include "platform/controls/Forms.h"
#include "platform/rtl/VirtualKeys.h"

namespace kvp {
namespace {

// [SECTION] Probes

// A windowed control that paints its colour and logs its events.
class TProbe : public TCustomControl {
  KV_CLASS(TProbe, TCustomControl)
 public:
  explicit TProbe(TComponent* AOwner) : TCustomControl(AOwner) {}
  std::vector<String> Log;
  LRESULT DlgCode = 0;
  Integer Paints = 0;
  using TControl::SetControlStyle;
  using TWinControl::RecreateWnd;

 protected:
  void Construct() override {
    inherited::Construct();
    FControlStyle += csAcceptsControls;
    FTabStop = true;
    SetBounds(0, 0, 60, 24);
  }
  void Paint() override {
    ++Paints;
    FCanvas->GetBrush()->SetColor(GetColor());
    FCanvas->FillRect(GetClientRect());
  }
  void MouseDown(TMouseButton B, TShiftState S, Integer X, Integer Y) override {
    Log.push_back("down" + String(S.Contains(ssDouble) ? "+double" : "") + " " + std::to_string(X) +
                  "," + std::to_string(Y) + (B == mbRight ? " right" : ""));
    inherited::MouseDown(B, S, X, Y);
  }
  void MouseUp(TMouseButton B, TShiftState S, Integer X, Integer Y) override {
    Log.push_back("up");
    inherited::MouseUp(B, S, X, Y);
  }
  void Click() override {
    Log.push_back("click");
    inherited::Click();
  }
  void DblClick() override {
    Log.push_back("dblclick");
    inherited::DblClick();
  }
  void KeyDown(Word& Key, TShiftState Shift) override {
    Log.push_back("keydown " + std::to_string(Key));
    inherited::KeyDown(Key, Shift);
  }
  void KeyPress(Char& Key) override {
    Log.push_back(String("keypress ") + char(Key));
    inherited::KeyPress(Key);
  }
  void WMGetDlgCode(TMessage& M) { M.Result = DlgCode; }
  void CMTextChanged(TMessage& M) {
    Log.push_back("textchanged");
    inherited::Dispatch(M);
  }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_GETDLGCODE, WMGetDlgCode)
  KV_MESSAGE(CM_TEXTCHANGED, CMTextChanged)
  KV_END_MESSAGE_MAP
};

// A probe that takes WM_USER itself, and one below it that takes it too and
// hands it on to its ancestor's handler.
class TBaseHandler : public TProbe {
  KV_CLASS(TBaseHandler, TProbe)
 public:
  explicit TBaseHandler(TComponent* AOwner) : TProbe(AOwner) {}
  void WMUser(TMessage& M) {
    Log.push_back("base");
    M.Result = 10;
  }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_USER, WMUser)
  KV_END_MESSAGE_MAP
};

class TDerivedHandler : public TBaseHandler {
  KV_CLASS(TDerivedHandler, TBaseHandler)
 public:
  explicit TDerivedHandler(TComponent* AOwner) : TBaseHandler(AOwner) {}
  void WMUserDerived(TMessage& M) {
    Log.push_back("derived");
    inherited::Dispatch(M);
    M.Result += 1;
  }
  void WMThrow(TMessage&) { throw EConvertError("bad value 'x'"); }
  void WMAbort(TMessage&) { Abort(); }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_USER, WMUserDerived)
  KV_MESSAGE(WM_USER + 1, WMThrow)
  KV_MESSAGE(WM_USER + 2, WMAbort)
  KV_END_MESSAGE_MAP
};

// A graphic control that logs its mouse events.
class TMark : public TGraphicControl {
  KV_CLASS(TMark, TGraphicControl)
 public:
  explicit TMark(TComponent* AOwner) : TGraphicControl(AOwner) {}
  std::vector<String> Log;

 protected:
  void Paint() override {
    FCanvas->GetBrush()->SetColor(clRed);
    FCanvas->FillRect(GetClientRect());
  }
  void MouseDown(TMouseButton, TShiftState, Integer X, Integer Y) override {
    Log.push_back("down " + std::to_string(X) + "," + std::to_string(Y));
  }
  void MouseMove(TShiftState, Integer X, Integer Y) override {
    Log.push_back("move " + std::to_string(X) + "," + std::to_string(Y));
  }
  void MouseUp(TMouseButton, TShiftState, Integer, Integer) override { Log.push_back("up"); }
  void Click() override { Log.push_back("click"); }
};

// A control whose automatic size is always 17 pixels high.
class TFixedHeight : public TProbe {
  KV_CLASS(TFixedHeight, TProbe)
 public:
  explicit TFixedHeight(TComponent* AOwner) : TProbe(AOwner) {}

 protected:
  bool CanAutoSize(Integer&, Integer& NewHeight) override {
    NewHeight = 17;
    return true;
  }
};

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    Form = TForm::Create(nullptr);
    Form->SetName("Form1");
    Form->SetBounds(100, 100, 300, 200);
  }
  void TearDown() override {
    FreeAndNil(Form);
    Application()->CheckNoExceptions();
    ResetWindowSystem();
  }
  template <class T>
  T* Add(TWinControl* Parent, const char* Name, Integer L, Integer T_, Integer W, Integer H) {
    T* C = T::Create(Form);
    C->SetName(Name);
    C->SetBounds(L, T_, W, H);
    C->SetParent(Parent);
    return C;
  }
  TForm* Form = nullptr;
};

// [SECTION] Mouse and keyboard

TEST_F(ControlsTest, AClickGivesDownClickUpAndADoubleClickTheWholeSequence) {
  auto* P = Add<TProbe>(Form, "P", 10, 10, 80, 30);
  Form->Show();
  Input.Click(P->GetHandle(), Point(5, 6));
  EXPECT_EQ(P->Log, (std::vector<String>{"down 5,6", "click", "up"}));
  EXPECT_FALSE(P->GetMouseCapture());  // released on the button's release

  P->Log.clear();
  Advance(1000);
  Input.DoubleClick(P->GetHandle(), Point(7, 8));
  EXPECT_EQ(P->Log,
            (std::vector<String>{"down 7,8", "click", "up", "dblclick", "down+double 7,8", "up"}));
}

TEST_F(ControlsTest, ReleasingOutsideTheControlIsNoClickAndCaptureKeepsTheMouse) {
  auto* P = Add<TProbe>(Form, "P", 10, 10, 80, 30);
  Form->Show();
  Input.MouseDown(mbLeft, P->GetHandle(), Point(5, 5));
  EXPECT_TRUE(P->GetMouseCapture());
  Input.MouseUp(mbLeft, P->GetHandle(), Point(150, 5));  // outside, but captured
  EXPECT_EQ(P->Log, (std::vector<String>{"down 5,5", "up"}));
}

TEST_F(ControlsTest, CancelModeEndsAGraphicControlsPressWithAMouseUpAndNoClick) {
  auto* M = Add<TMark>(Form, "M", 20, 30, 40, 20);
  Form->Show();
  Input.MouseDown(mbLeft, Form->GetHandle(), Point(25, 35));
  EXPECT_TRUE(M->GetMouseCapture());
  SendMessage(Form->GetHandle(), WM_CANCELMODE, 0, 0);
  EXPECT_FALSE(M->GetMouseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
  Input.MouseUp(mbLeft, Form->GetHandle(), Point(25, 35));  // the real release clicks nothing
  EXPECT_EQ(M->Log, (std::vector<String>{"move 5,5", "down 5,5", "up", "up"}));
}

TEST_F(ControlsTest, WithoutDoubleClicksTheSecondPressIsAPlainPress) {
  auto* P = Add<TProbe>(Form, "P", 10, 10, 80, 30);
  P->SetControlStyle(P->GetControlStyle() - csDoubleClicks);
  Form->Show();
  Input.DoubleClick(P->GetHandle(), Point(1, 1));
  EXPECT_EQ(P->Log, (std::vector<String>{"down 1,1", "click", "up", "down 1,1", "click", "up"}));
}

TEST_F(ControlsTest, GraphicControlsGetTheMouseThroughTheirParent) {
  auto* M = Add<TMark>(Form, "M", 20, 30, 40, 20);
  Form->Show();
  HWND FormWnd = Form->GetHandle();
  Input.MouseMove(FormWnd, Point(25, 35));
  Input.MouseDown(mbLeft, FormWnd, Point(25, 35));
  Input.MouseMove(FormWnd, Point(200, 150));  // outside it: still its, while pressed
  Input.MouseUp(mbLeft, FormWnd, Point(200, 150));
  EXPECT_EQ(M->Log, (std::vector<String>{"move 5,5", "down 5,5", "move 180,120", "up"}));
  M->Log.clear();
  Input.Click(FormWnd, Point(21, 31));
  EXPECT_EQ(M->Log, (std::vector<String>{"move 1,1", "down 1,1", "click", "up"}));
}

TEST_F(ControlsTest, TypedKeysReachKeyDownAndKeyPressInOrder) {
  auto* P = Add<TProbe>(Form, "P", 10, 10, 80, 30);
  Form->Show();
  P->SetFocus();
  Input.Type("a");
  EXPECT_EQ(P->Log, (std::vector<String>{"keydown 65", "keypress a"}));
}

// [SECTION] Parent properties

TEST_F(ControlsTest, ParentFontAndParentColorReachTheChildrenThatFollowTheirParent) {
  auto* Panel = Add<TProbe>(Form, "Panel", 0, 0, 200, 100);
  auto* Inner = Add<TProbe>(Panel, "Inner", 5, 5, 50, 20);
  auto* Own = Add<TProbe>(Panel, "Own", 60, 5, 50, 20);
  auto* Mark = Add<TMark>(Panel, "Mark", 5, 40, 20, 20);
  Own->SetColor(clYellow);
  Own->GetFont()->SetSize(20);
  EXPECT_FALSE(Own->GetParentColor());
  EXPECT_FALSE(Own->GetParentFont());

  Form->SetColor(clNavy);
  Form->GetFont()->SetName("Arial");
  Form->GetFont()->SetSize(14);

  for (TControl* C : std::vector<TControl*>{Panel, Inner, Mark}) {
    SCOPED_TRACE(C->GetName());
    EXPECT_EQ(C->GetColor(), clNavy);
    EXPECT_EQ(C->GetFont()->GetSize(), 14);
    EXPECT_EQ(C->GetFont()->GetName(), "Arial");
    EXPECT_TRUE(C->GetParentFont());  // a font taken from the parent keeps following it
    EXPECT_TRUE(C->GetParentColor());
  }
  EXPECT_EQ(Own->GetColor(), clYellow);
  EXPECT_EQ(Own->GetFont()->GetSize(), 20);

  Own->SetParentColor(true);
  Own->SetParentFont(true);
  EXPECT_EQ(Own->GetColor(), clNavy);
  EXPECT_EQ(Own->GetFont()->GetSize(), 14);
}

TEST_F(ControlsTest, AControlPutIntoAParentTakesItsFontAndColor) {
  Form->SetColor(clTeal);
  Form->GetFont()->SetSize(12);
  auto* P = TProbe::Create(Form);
  P->SetParent(Form);
  EXPECT_EQ(P->GetColor(), clTeal);
  EXPECT_EQ(P->GetFont()->GetSize(), 12);
}

// [SECTION] Window and text

TEST_F(ControlsTest, RecreateWndKeepsTextBoundsAndFocus) {
  auto* P = Add<TProbe>(Form, "P", 10, 20, 80, 30);
  Form->Show();
  P->SetText("kept");
  P->SetFocus();
  HWND Old = P->GetHandle();
  EXPECT_EQ(GetFocus(), Old);

  P->RecreateWnd();
  HWND New = P->GetHandle();
  EXPECT_NE(New, Old);
  EXPECT_FALSE(IsWindow(Old));
  EXPECT_EQ(P->GetText(), "kept");
  char Buffer[16] = {};
  GetWindowText(New, Buffer, 16);
  EXPECT_STREQ(Buffer, "kept");
  EXPECT_EQ(P->GetBoundsRect(), Rect(10, 20, 90, 50));
  EXPECT_TRUE(P->Focused());
  EXPECT_TRUE(IsWindowVisible(New));
  EXPECT_EQ(FindControl(New), P);
}

TEST_F(ControlsTest, TextLivesInTheWindowOnceThereIsOne) {
  auto* P = Add<TProbe>(Form, "P", 0, 0, 50, 20);
  P->SetText("before");
  EXPECT_FALSE(P->HandleAllocated());
  EXPECT_EQ(P->GetText(), "before");
  EXPECT_EQ(P->Log, (std::vector<String>{"textchanged"}));
  Form->Show();
  char Buffer[16] = {};
  GetWindowText(P->GetHandle(), Buffer, 16);
  EXPECT_STREQ(Buffer, "before");
  P->SetText("after");
  GetWindowText(P->GetHandle(), Buffer, 16);
  EXPECT_STREQ(Buffer, "after");
  P->SetText("after");  // the same text again changes nothing
  EXPECT_EQ(P->Log, (std::vector<String>{"textchanged", "textchanged"}));
}

TEST_F(ControlsTest, AShortTextBufferGetsWholeCharactersOnly) {
  auto* P = Add<TProbe>(Form, "P", 0, 0, 50, 20);
  P->SetText("a\u00e9b");  // 'a', a two-byte character, 'b'
  char Buffer[8];
  EXPECT_EQ(P->Perform(WM_GETTEXT, 3, Buffer), 1);  // room for two bytes: "a" only
  EXPECT_STREQ(Buffer, "a");
  EXPECT_EQ(P->Perform(WM_GETTEXT, 4, Buffer), 3);
  EXPECT_STREQ(Buffer, "a\u00e9");
  EXPECT_EQ(P->GetText(), "a\u00e9b");
}

// [SECTION] The message path

TEST_F(ControlsTest, HandlersOverrideTheAncestorsAndInheritedReachesThem) {
  auto* D = Add<TDerivedHandler>(Form, "D", 0, 0, 50, 20);
  EXPECT_EQ(D->Perform(WM_USER), 11);
  EXPECT_EQ(D->Log, (std::vector<String>{"derived", "base"}));

  // A replaced WindowProc sees the message first and may pass it on.
  std::vector<UINT> Seen;
  TWndMethod Old = D->WindowProc;
  D->WindowProc = [&](TMessage& M) {
    Seen.push_back(M.Msg);
    Old(M);
  };
  EXPECT_EQ(D->Perform(WM_USER), 11);
  EXPECT_EQ(Seen, (std::vector<UINT>{WM_USER}));
  D->WindowProc = Old;
  EXPECT_TRUE(D->WindowProc == TWndMethod(static_cast<TControl*>(D), &TControl::WndProc));
}

TEST_F(ControlsTest, PerformPassesExceptionsOnAndTheWindowProcedureHandsThemToTheApplication) {
  auto* D = Add<TDerivedHandler>(Form, "D", 0, 0, 50, 20);
  Form->Show();
  EXPECT_THROW(D->Perform(WM_USER + 1), EConvertError);
  EXPECT_TRUE(Application()->GetHandledExceptions().empty());

  EXPECT_EQ(SendMessage(D->GetHandle(), WM_USER + 1, 0, 0), 0);
  ASSERT_EQ(Application()->GetHandledExceptions().size(), 1u);
  EXPECT_EQ(Application()->GetHandledExceptions()[0].ClassName, "EConvertError");
  EXPECT_EQ(Application()->GetHandledExceptions()[0].Message, "bad value 'x'");
  EXPECT_EQ(Application()->GetHandledExceptions()[0].Sender, D);
  Application()->ClearHandledExceptions();

  SendMessage(D->GetHandle(), WM_USER + 2, 0, 0);  // EAbort is silent
  EXPECT_TRUE(Application()->GetHandledExceptions().empty());
}

// [SECTION] Showing and bounds

TEST_F(ControlsTest, VisibilityShowsAndHidesTheWindowAndInvisibleChildrenGetNoWindow) {
  auto* Shown = Add<TProbe>(Form, "Shown", 0, 0, 50, 20);
  auto* Hidden = Add<TProbe>(Form, "Hidden", 0, 30, 50, 20);
  Hidden->SetVisible(false);
  Form->Show();
  EXPECT_TRUE(Shown->GetShowing());
  EXPECT_TRUE(IsWindowVisible(Shown->GetHandle()));
  EXPECT_FALSE(Hidden->HandleAllocated());
  Hidden->Show();
  EXPECT_TRUE(Hidden->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(Hidden->GetHandle()));
  Shown->Hide();
  EXPECT_FALSE(IsWindowVisible(Shown->GetHandle()));
  EXPECT_FALSE(Shown->GetShowing());
}

TEST_F(ControlsTest, BoundsClientAreaAndScreenPoints) {
  auto* P = Add<TProbe>(Form, "P", 10, 20, 80, 30);
  EXPECT_EQ(P->GetClientRect(), Rect(0, 0, 80, 30));
  Form->Show();
  TPoint Origin = Form->GetClientOrigin();
  EXPECT_EQ(P->ClientToScreen(Point(1, 2)), Point(Origin.X + 11, Origin.Y + 22));
  EXPECT_EQ(P->ScreenToClient(Point(Origin.X + 11, Origin.Y + 22)), Point(1, 2));
  P->SetBounds(5, 6, 70, 40);
  TRect R;
  GetWindowRect(P->GetHandle(), &R);
  EXPECT_EQ(R, Rect(Origin.X + 5, Origin.Y + 6, Origin.X + 75, Origin.Y + 46));
  Integer Resizes = 0;
  P->OnResize = [&](TObject*) { ++Resizes; };
  P->SetWidth(71);
  EXPECT_EQ(Resizes, 1);
  EXPECT_EQ(P->GetClientWidth(), 71);
}

TEST_F(ControlsTest, APaintedFormShowsEachControlsColour) {
  Form->SetColor(clSilver);
  auto* P = Add<TProbe>(Form, "P", 10, 10, 60, 30);
  P->SetColor(clBlue);
  auto* M = Add<TMark>(Form, "M", 100, 10, 30, 30);
  (void)M;
  Form->Show();
  Application()->ProcessMessages();
  EXPECT_GT(P->Paints, 0);
  TPoint O = Form->GetClientOrigin();
  TRect FormRect;
  GetWindowRect(Form->GetHandle(), &FormRect);
  TSurface* S = GetWindowSurface(Form->GetHandle());
  ASSERT_NE(S, nullptr);
  auto At = [&](Integer X, Integer Y) {
    return S->GetPixel(O.X - FormRect.Left + X, O.Y - FormRect.Top + Y);
  };
  EXPECT_EQ(At(30, 20), ColorToRGB(clBlue));
  EXPECT_EQ(At(110, 20), ColorToRGB(clRed));
  EXPECT_EQ(At(200, 100), ColorToRGB(clSilver));
  std::filesystem::create_directories("controls-png");
  SaveWindowPng(Form->GetHandle(), "controls-png/form-with-controls.png");
}

TEST_F(ControlsTest, AParentFreesTheChildrenItHoldsEvenWhenItDoesNotOwnThem) {
  auto* Panel = Add<TProbe>(Form, "Panel", 0, 0, 200, 100);
  auto* Loose = TProbe::Create(nullptr);  // no owner: only its parent frees it
  Loose->SetParent(Panel);
  auto* Watcher = TComponent::Create(Form);
  Loose->FreeNotification(Watcher);
  Form->Show();
  HWND LooseWnd = Loose->GetHandle();
  Panel->Free();
  EXPECT_FALSE(IsWindow(LooseWnd));
  EXPECT_EQ(Form->GetControlCount(), 0);
}

// [SECTION] Behaviours

TEST_F(ControlsTest, AutoSizeSendsEverySizeThroughCanAutoSize) {
  auto* F = Add<TFixedHeight>(Form, "F", 0, 0, 80, 40);
  EXPECT_EQ(F->GetHeight(), 40);
  F->SetAutoSize(true);
  EXPECT_EQ(F->GetHeight(), 17);
  Form->Show();
  F->SetBounds(5, 5, 90, 60);
  EXPECT_EQ(F->GetBoundsRect(), Rect(5, 5, 95, 22));
  F->SetAutoSize(false);
  F->SetHeight(60);
  EXPECT_EQ(F->GetHeight(), 60);
}

TEST_F(ControlsTest, AnActionGivesTheControlItsCaptionStateAndClickAndIsFollowedWhileLinked) {
  auto* Act = TAction::Create(Form);
  Act->SetCaption("Save");
  Act->SetHint("Save the record");
  Integer Runs = 0;
  Act->OnExecute = [&](TObject*) { ++Runs; };
  auto* P = Add<TProbe>(Form, "P", 10, 10, 80, 30);
  P->SetAction(Act);
  EXPECT_EQ(P->GetCaption(), "Save");
  EXPECT_EQ(P->GetHint(), "Save the record");
  EXPECT_TRUE(P->GetControlStyle().Contains(csActionClient));
  Form->Show();
  Input.Click(P->GetHandle(), Point(5, 5));
  EXPECT_EQ(Runs, 1);

  Act->SetCaption("Store");
  EXPECT_EQ(P->GetCaption(), "Store");
  Act->SetEnabled(false);
  EXPECT_FALSE(P->GetEnabled());
  P->SetCaption("Own");  // no longer the action's caption
  EXPECT_FALSE(P->GetActionLink()->IsCaptionLinked());
  EXPECT_TRUE(P->GetActionLink()->IsHintLinked());

  Act->Free();
  EXPECT_EQ(P->GetAction(), nullptr);
}

TEST_F(ControlsTest, TheWheelGoesToTheFocusedControlThenUpItsParents) {
  auto* Panel = Add<TProbe>(Form, "Panel", 0, 0, 200, 100);
  auto* Inner = Add<TProbe>(Panel, "Inner", 5, 5, 50, 20);
  std::vector<String> Log;
  bool InnerTakesIt = false;
  Inner->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& Handled) {
    Log.push_back("inner down");
    Handled = InnerTakesIt;
  };
  Panel->OnMouseWheel = [&](TObject*, TShiftState, Integer Delta, TPoint, bool& Handled) {
    Log.push_back("panel wheel " + std::to_string(Delta));
    Handled = true;
  };
  Form->Show();
  Inner->SetFocus();
  Input.Wheel(Form->GetHandle(), -240, Point(150, 80));  // over the form, not the inner control
  EXPECT_EQ(Log, (std::vector<String>{"inner down", "inner down", "panel wheel -240"}));
  Log.clear();
  InnerTakesIt = true;
  Input.Wheel(Form->GetHandle(), -120, Point(150, 80));
  EXPECT_EQ(Log, (std::vector<String>{"inner down"}));
}

TEST_F(ControlsTest, TheCursorComesFromTheScreenThenTheGraphicChildThenTheControl) {
  auto* P = Add<TProbe>(Form, "P", 10, 10, 200, 100);
  auto* M = Add<TMark>(P, "M", 100, 10, 30, 30);
  P->SetCursor(crIBeam);
  M->SetCursor(crHandPoint);
  Form->Show();
  Input.MouseMove(P->GetHandle(), Point(5, 5));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_IBEAM));
  Input.MouseMove(P->GetHandle(), Point(105, 15));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
  Screen()->SetCursor(crHourGlass);
  Input.MouseMove(P->GetHandle(), Point(6, 6));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
  Screen()->SetCursor(crDefault);
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_IBEAM));
}

TEST_F(ControlsTest, AutomaticDragStartsOncePastTheThresholdAndEndsOnRelease) {
  auto* P = Add<TProbe>(Form, "P", 10, 10, 100, 50);
  auto* Target = Add<TProbe>(Form, "Target", 150, 10, 100, 50);
  P->SetDragMode(dmAutomatic);
  std::vector<String> Log;
  P->OnStartDrag = [&](TObject*) { Log.push_back("start"); };
  P->OnEndDrag = [&](TObject*, TObject* On, Integer X, Integer Y) {
    Log.push_back("end on " + (On ? static_cast<TComponent*>(On)->GetName() : String("nothing")) +
                  " " + std::to_string(X) + "," + std::to_string(Y));
  };
  Form->Show();
  Input.MouseDown(mbLeft, P->GetHandle(), Point(10, 10));
  EXPECT_TRUE(P->Dragging());
  Input.MouseMove(P->GetHandle(), Point(13, 10));  // within the threshold of 5
  EXPECT_TRUE(Log.empty());
  Input.MouseMove(P->GetHandle(), Point(16, 10));
  EXPECT_EQ(Log, (std::vector<String>{"start"}));
  Input.MouseMove(P->GetHandle(), Point(160, 20));  // over Target (at 150, 10 in the form)
  Input.MouseUp(mbLeft, P->GetHandle(), Point(160, 20));
  EXPECT_EQ(Log, (std::vector<String>{"start", "end on Target 20,20"}));
  EXPECT_FALSE(P->Dragging());
  EXPECT_TRUE(P->Log.empty());  // the press and the release belong to the drag
  (void)Target;
}

TEST_F(ControlsTest, ACanvasUsedOutsidePaintingGivesItsDeviceContextBackWhenIdle) {
  auto* P = Add<TProbe>(Form, "P", 10, 10, 100, 50);
  Form->Show();
  Application()->ProcessMessages();
  Application()->Idle();
  Integer Before = GetLiveDCCount();
  P->GetCanvas()->MoveTo(0, 0);
  P->GetCanvas()->LineTo(10, 10);
  EXPECT_EQ(GetLiveDCCount(), Before + 1);
  Application()->Idle();
  EXPECT_EQ(GetLiveDCCount(), Before);
}

}  // namespace
}  // namespace kvp
