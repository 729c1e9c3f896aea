// Focus and the keyboard on a form: Tab and Shift+Tab in tab order, arrows
// among siblings, the order of CM_EXIT and CM_ENTER along the parent chains,
// controls that want the keys the form would take, KeyPreview, and keys
// consumed before they are translated.
//
// Ideas for tests: moving the focus to another form and back sends no
// CM_EXIT / CM_ENTER; CM_CANCELMODE to the active control before a click.
#include <gtest/gtest.h>

#include "platform/controls/Forms.h"
#include "platform/controls/Menus.h"
#include "platform/rtl/VirtualKeys.h"

namespace kvp {
namespace {

std::vector<String>* Journal = nullptr;  // where the probes write, shared by a test

// A focusable control (a container too) that writes its focus and key events.
class TFocusProbe : public TCustomControl {
  KV_CLASS(TFocusProbe, TCustomControl)
 public:
  explicit TFocusProbe(TComponent* AOwner) : TCustomControl(AOwner) {}
  LRESULT DlgCode = 0;

 protected:
  void Construct() override {
    inherited::Construct();
    FControlStyle += csAcceptsControls;
    FTabStop = true;
  }
  void Note(const String& What) {
    if (Journal) Journal->push_back(GetName() + " " + What);
  }
  void DoEnter() override {
    Note("enter");
    inherited::DoEnter();
  }
  void DoExit() override {
    Note("exit");
    inherited::DoExit();
  }
  void KeyDown(Word& Key, TShiftState Shift) override {
    Note("keydown " + std::to_string(Key));
    inherited::KeyDown(Key, Shift);
  }
  void KeyPress(Char& Key) override {
    Note("keypress " + std::to_string(unsigned(Key)));
    inherited::KeyPress(Key);
  }
  void WMGetDlgCode(TMessage& M) { M.Result = DlgCode; }
  void CMCancelMode(TCMCancelMode& M) {
    Note("cancelmode from " + (M.Sender ? M.Sender->GetName() : String("nobody")));
  }
  void WMSetFocus(TMessage& M) {
    Note("setfocus");
    inherited::Dispatch(M);
  }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_GETDLGCODE, WMGetDlgCode)
  KV_MESSAGE(WM_SETFOCUS, WMSetFocus)
  KV_MESSAGE(CM_CANCELMODE, CMCancelMode)
  KV_END_MESSAGE_MAP
};

class FocusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    ResetPopupScript();
    Journal = &Log;
    Form = TForm::Create(nullptr);
    Form->SetBounds(50, 50, 400, 300);
  }
  void TearDown() override {
    Journal = nullptr;
    FreeAndNil(Form);
    Application()->CheckNoExceptions();
    ResetWindowSystem();
  }
  TFocusProbe* Add(TWinControl* Parent, const char* Name, Integer Top) {
    auto* C = TFocusProbe::Create(Form);
    C->SetName(Name);
    C->SetBounds(10, Top, 100, 30);
    C->SetParent(Parent);
    return C;
  }
  String Focused() {
    TWinControl* C = FindControl(GetFocus());
    return C ? C->GetName() : String("(none)");
  }
  std::vector<String> Log;
  TForm* Form = nullptr;
};

TEST_F(FocusTest, TabAndShiftTabFollowTheTabOrderAndSkipWhatCannotTakeTheFocus) {
  auto* A = Add(Form, "A", 10);
  auto* B = Add(Form, "B", 50);
  auto* C = Add(Form, "C", 90);
  auto* D = Add(Form, "D", 130);
  auto* E = Add(Form, "E", 170);
  C->SetTabOrder(0);  // C, A, B, D, E
  D->SetEnabled(false);
  E->SetTabStop(false);
  Form->Show();
  EXPECT_EQ(Focused(), "C");  // the first in tab order gets the focus on activation
  EXPECT_EQ(Form->GetActiveControl(), C);

  std::vector<String> Seen;
  for (int I = 0; I < 3; ++I) {
    Input.KeyPress(VK_TAB);
    Seen.push_back(Focused());
  }
  EXPECT_EQ(Seen, (std::vector<String>{"A", "B", "C"}));
  Input.KeyPress(VK_TAB, {ssShift});
  EXPECT_EQ(Focused(), "B");
  EXPECT_EQ(Screen()->GetActiveControl(), B);
  (void)A;
}

// A control freed, or moved to another parent, leaves the tab order of the
// one it left: Tab goes on to the next control there, and the numbers close
// up behind it.
TEST_F(FocusTest, AControlThatLeavesItsParentLeavesItsTabOrder) {
  auto* A = Add(Form, "A", 10);
  auto* B = Add(Form, "B", 50);
  auto* C = Add(Form, "C", 90);
  auto* Panel = Add(Form, "Panel", 130);
  auto* D = Add(Form, "D", 170);
  Form->Show();
  A->SetFocus();
  B->Free();
  Input.KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), "C");
  EXPECT_EQ(C->GetTabOrder(), 1);
  D->SetParent(Panel);
  EXPECT_EQ(D->GetTabOrder(), 0);
  Input.KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), "Panel");
  Input.KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), "D");
  Input.KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), "A");
}

TEST_F(FocusTest, TabIntoAContainerEntersItAndLeavingExitsInnermostFirst) {
  auto* A = Add(Form, "A", 10);
  auto* Panel = Add(Form, "Panel", 50);
  Panel->SetBounds(10, 50, 300, 200);
  Panel->SetTabStop(false);
  auto* Inner = Add(Panel, "Inner", 10);
  auto* Last = Add(Form, "Last", 260);
  (void)Inner;
  (void)Last;
  Form->Show();
  A->SetFocus();
  Log.clear();

  Input.KeyPress(VK_TAB);
  EXPECT_EQ(Log, (std::vector<String>{"A exit", "Panel enter", "Inner enter", "Inner setfocus"}));
  Log.clear();
  Input.KeyPress(VK_TAB);
  EXPECT_EQ(Log, (std::vector<String>{"Inner exit", "Panel exit", "Last enter", "Last setfocus"}));
}

TEST_F(FocusTest, OnExitSeesTheNewControlAlreadyActive) {
  auto* A = Add(Form, "A", 10);
  auto* B = Add(Form, "B", 50);
  Form->Show();
  A->SetFocus();
  TWinControl* ActiveDuringExit = nullptr;
  HWND FocusDuringExit = nullptr;
  A->OnExit = [&](TObject*) {
    ActiveDuringExit = Form->GetActiveControl();
    FocusDuringExit = GetFocus();
  };
  B->SetFocus();
  EXPECT_EQ(ActiveDuringExit, B);
  EXPECT_EQ(FocusDuringExit, B->GetHandle());
}

TEST_F(FocusTest, AnExitHandlerThatTakesTheFocusBackStopsTheMove) {
  auto* A = Add(Form, "A", 10);
  auto* B = Add(Form, "B", 50);
  Form->Show();
  A->SetFocus();
  A->OnExit = [&](TObject*) { A->SetFocus(); };
  Log.clear();
  B->SetFocus();
  EXPECT_EQ(Focused(), "A");
  EXPECT_EQ(Form->GetActiveControl(), A);
  // B never saw the focus arrive: its CM_ENTER and WM_SETFOCUS handlers did not run.
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "B enter"), 0);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "B setfocus"), 0);
}

TEST_F(FocusTest, AControlThatCannotTakeTheFocusRaises) {
  auto* A = Add(Form, "A", 10);
  auto* B = Add(Form, "B", 50);
  Form->Show();
  A->SetFocus();
  B->SetEnabled(false);
  EXPECT_FALSE(B->CanFocus());
  EXPECT_THROW(B->SetFocus(), EInvalidOperation);
  B->SetEnabled(true);
  B->SetVisible(false);
  EXPECT_THROW(B->SetFocus(), EInvalidOperation);
  EXPECT_EQ(Focused(), "A");
}

TEST_F(FocusTest, AControlThatWantsTabGetsItAsAKey) {
  auto* A = Add(Form, "A", 10);
  auto* B = Add(Form, "B", 50);
  (void)B;
  A->DlgCode = DLGC_WANTTAB | DLGC_WANTCHARS;
  Form->Show();
  A->SetFocus();
  Log.clear();
  Input.KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), "A");
  EXPECT_EQ(Log, (std::vector<String>{"A keydown 9", "A keypress 9"}));
}

TEST_F(FocusTest, ArrowsMoveAmongSiblingsUnlessTheControlWantsThem) {
  auto* A = Add(Form, "A", 10);
  auto* B = Add(Form, "B", 50);
  B->SetTabStop(false);  // arrows do not care about tab stops
  Form->Show();
  A->SetFocus();
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Focused(), "B");
  Input.KeyPress(VK_UP);
  EXPECT_EQ(Focused(), "A");
  A->DlgCode = DLGC_WANTARROWS;
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Focused(), "A");
}

TEST_F(FocusTest, KeyPreviewLetsTheFormSeeAndSwallowKeysFirst) {
  auto* A = Add(Form, "A", 10);
  Form->Show();
  A->SetFocus();
  std::vector<String> FormKeys;
  Form->OnKeyDown = [&](TObject*, Word& Key, TShiftState) {
    FormKeys.push_back("form keydown " + std::to_string(Key));
    if (Key == 'X') Key = 0;
  };
  Input.KeyPress('Y');
  EXPECT_TRUE(FormKeys.empty());  // without KeyPreview the form sees nothing
  Form->SetKeyPreview(true);
  Log.clear();
  Input.KeyPress('Y');
  Input.KeyPress('X');
  EXPECT_EQ(FormKeys, (std::vector<String>{"form keydown 89", "form keydown 88"}));
  // Y reached the control; X was swallowed by the form (its character still comes).
  EXPECT_EQ(Log, (std::vector<String>{"A keydown 89", "A keypress 121", "A keypress 120"}));
}

TEST_F(FocusTest, AKeyTakenAsAShortcutMakesNoKeyDownAndNoCharacter) {
  auto* A = Add(Form, "A", 10);
  auto* Menu = TPopupMenu::Create(Form);
  auto* Item = TMenuItem::Create(Form);
  Item->SetShortCut(ShortCut('S', {ssCtrl}));
  Integer Clicks = 0;
  Item->OnClick = [&](TObject*) { ++Clicks; };
  Menu->GetItems()->Add(Item);
  A->SetPopupMenu(Menu);
  Form->Show();
  A->SetFocus();
  Log.clear();
  Input.KeyPress('S', {ssCtrl});
  EXPECT_EQ(Clicks, 1);
  // Only the Ctrl key itself reached the control.
  EXPECT_EQ(Log, (std::vector<String>{"A keydown 17"}));
}

TEST_F(FocusTest, OnMessageSeesEveryQueuedMessageFirstAndMayTakeIt) {
  auto* A = Add(Form, "A", 10);
  Form->Show();
  A->SetFocus();
  Log.clear();
  Application()->OnMessage = [](MSG& Msg, bool& Handled) {
    Handled = (Msg.message == WM_KEYDOWN || Msg.message == WM_KEYUP) && Msg.wParam == 'Q';
  };
  Input.KeyPress('Q');
  Input.KeyPress('W');
  EXPECT_EQ(Log, (std::vector<String>{"A keydown 87", "A keypress 119"}));
  Application()->OnMessage = nullptr;
}

TEST_F(FocusTest, AClickTellsTheActiveControlFirstEvenWhenItIsTheOneClicked) {
  auto* A = Add(Form, "A", 10);
  auto* B = Add(Form, "B", 50);
  B->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, Integer, Integer) {
    Log.push_back("B mousedown");
    B->SetFocus();
  };
  Form->Show();
  A->SetFocus();
  Log.clear();
  Input.Click(B->GetHandle(), Point(3, 3));
  EXPECT_EQ(Log, (std::vector<String>{"A cancelmode from B", "B mousedown", "A exit", "B enter",
                                      "B setfocus"}));
  Log.clear();
  Input.Click(B->GetHandle(), Point(3, 3), mbRight);
  EXPECT_EQ(Log, (std::vector<String>{"B cancelmode from B", "B mousedown"}));
}

}  // namespace
}  // namespace kvp
