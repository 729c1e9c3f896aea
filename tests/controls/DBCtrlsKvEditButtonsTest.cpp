// The edit box's surroundings of its text, driven with the mouse and the
// keyboard: the row of buttons (sizes, order, flat dividers, right-to-left),
// the main button's press and click, drop-down menus and their re-open guard,
// shortcuts, the flat border, the image, the most-recently-used list dropping
// down as the user types (widened with its grip, turned by the wheel), and
// the in-place mode inside a holder.
#include <gtest/gtest.h>

#include "platform/controls/EditClass.h"
#include "platform/controls/Menus.h"
#include "platform/win/InputDriver.h"
#include "tests/controls/DBCtrlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

// An edit whose drop-down is a flag, as the combo box's list is, with a
// number as its value.
class TDropEdit : public TCustomDBEditKv {
  KV_CLASS(TDropEdit, TCustomDBEditKv)
 public:
  explicit TDropEdit(TComponent* AOwner) : TCustomDBEditKv(AOwner) {}
  std::vector<String> Log;
  Variant Number = Null();
  void DropDown() override {
    Log.push_back("DropDown");
    inherited::DropDown();
    FListVisible = true;
  }
  void CloseUp(bool Accept) override {
    Log.push_back(Accept ? "CloseUp(true)" : "CloseUp(false)");
    inherited::CloseUp(Accept);
    FListVisible = false;
  }
  using TCustomDBEditKv::UpdateImageIndex;

 protected:
  Variant GetVarValue() override { return VarIsNull(Number) ? inherited::GetVarValue() : Number; }
};

// A holder of an in-place edit that records what the edit asks of it.
class THolder : public TCustomControl, public IInplaceEditHolderKv {
  KV_CLASS(THolder, TCustomControl)
 public:
  explicit THolder(TComponent* AOwner) : TCustomControl(AOwner) {}
  bool CanModify = true;
  TPoint DownPos;
  Integer DownTime = 0;
  UINT SwallowMsg = 0;  // a message the holder answers itself
  Word EatKey = 0;   // a key-down the holder keeps
  Char EatChar = 0;  // a character it keeps
  std::vector<UINT> Seen;
  std::vector<String> Keys;
  bool WantTab = false;

  bool InplaceEditCanModify(TControl*) override { return CanModify; }
  void GetMouseDownInfo(TPoint& ScreenPos, Integer& Time) override {
    ScreenPos = DownPos;
    Time = DownTime;
  }
  void InplaceEditWndProc(TControl*, TMessage& Message) override {
    Seen.push_back(Message.Msg);
    if (Message.Msg == SwallowMsg) Message.Result = 1;
  }
  void InplaceEditKeyDown(TControl*, Word& Key, TShiftState) override {
    Keys.push_back("down " + IntToStr(Integer(Key)));
    if (Key == EatKey) Key = 0;
  }
  void InplaceEditKeyPress(TControl*, Char& Key) override {
    Keys.push_back("press " + Utf8Encode(Key));
    if (Key == EatChar) Key = 0;
  }
  void InplaceEditKeyUp(TControl*, Word& Key, TShiftState) override {
    Keys.push_back("up " + IntToStr(Integer(Key)));
  }

 protected:
  void Construct() override {
    inherited::Construct();
    SetTabStop(true);
  }
  void WMGetDlgCode(TMessage& Message) { Message.Result = WantTab ? DLGC_WANTTAB : 0; }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_GETDLGCODE, WMGetDlgCode)
  KV_END_MESSAGE_MAP
};

class DBCtrlsKvEditButtonsTest : public TDBFormFixture {
 protected:
  void SetUp() override {
    TDBFormFixture::SetUp();
    ResetPopupScript();
    Edit = TDropEdit::Create(Form);
    Edit->SetName("Edit1");
    Edit->SetParent(Form);
    Edit->SetBounds(10, 10, 200, 24);
    Other = TEdit::Create(Form);
    Other->SetBounds(10, 200, 100, 24);
    Other->SetParent(Form);
    ShowForm();
  }
  void TearDown() override {
    ResetPopupScript();
    TDBFormFixture::TearDown();
  }
  // The client height of the edit, which is the buttons' rectangle's.
  void SetClientHeight(Integer H) {
    Edit->SetAutoSize(false);
    Edit->SetClientHeight(H);
  }
  TRect ButtonBounds(Integer I) { return Edit->GetButtonRec(I).ButtonControl->GetBoundsRect(); }
  TRect DividerBounds(Integer I) { return Edit->GetButtonRec(I).Divider->GetBoundsRect(); }
  TPoint Centre(const TRect& R) { return Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2); }
  void ClickButton(Integer I) { Input.Click(Edit->GetHandle(), Centre(ButtonBounds(I))); }
  TRect FormatRect() {
    TRect R;
    SendMessage(Edit->GetHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&R));
    return R;
  }
  TDropEdit* Edit = nullptr;
  TEdit* Other = nullptr;
};

TEST_F(DBCtrlsKvEditButtonsTest, WithoutAVisibleButtonTheTextReachesTheRightEdge) {
  EXPECT_FALSE(Edit->GetEditButton()->GetVisible());
  EXPECT_EQ(Edit->GetButtonsWidth(), 0);
  EXPECT_EQ(Edit->GetEditRect(), Edit->GetClientRect());
  EXPECT_EQ(FormatRect(), Edit->GetClientRect());
  EXPECT_EQ(Edit->GetButtonHeight(), Edit->GetClientHeight());
  EXPECT_FALSE(Edit->GetButtonRec(0).ButtonControl->GetVisible());
}

TEST_F(DBCtrlsKvEditButtonsTest, ButtonHeightsFollowTheWidthTheFlatLookAndTheRoom) {
  struct TCase {
    Integer Room;
    bool Flat;
    Integer Height;
    Integer Divider;
  };
  // A flat 15-pixel button is 22 high (1.5 x 15 = 22.5, half to even), a
  // raised one 15; in a 22-pixel row both fill it.
  const TCase Cases[] = {{30, true, 22, 1}, {30, false, 15, 0}, {22, true, 22, 1}, {22, false, 22, 0}};
  Edit->GetEditButton()->SetVisible(true);
  Edit->GetEditButton()->SetWidth(15);
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Room << C.Flat);
    SetClientHeight(C.Room);
    Edit->SetFlat(C.Flat);
    EXPECT_EQ(Edit->GetButtonHeight(), C.Height);
    EXPECT_EQ(ButtonBounds(0).Height(), C.Height);
    EXPECT_EQ(ButtonBounds(0).Width(), 15);
    EXPECT_EQ(DividerBounds(0).Width(), C.Divider);
    EXPECT_EQ(Edit->GetButtonRec(0).Divider->GetVisible(), C.Flat);
    EXPECT_EQ(Edit->GetButtonsWidth(), 15 + C.Divider);
  }
}

TEST_F(DBCtrlsKvEditButtonsTest, ButtonsStandFromTheTextOutwardsAndMirrorRightToLeft) {
  Edit->GetEditButton()->SetVisible(true);  // width 0: the scroll bar's
  TEditButtonKv* A = Edit->GetEditButtons()->Add();
  A->SetWidth(12);
  TEditButtonKv* Hidden = Edit->GetEditButtons()->Add();
  Hidden->SetVisible(false);
  TEditButtonKv* B = Edit->GetEditButtons()->Add();
  B->SetWidth(9);
  const Integer CW = Edit->GetClientWidth();
  const Integer SB = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(Edit->GetButtonCount(), 4);
  EXPECT_EQ(ButtonBounds(3), Rect(CW - 9, 0, CW, ButtonBounds(3).Bottom));  // the last: outermost
  EXPECT_EQ(ButtonBounds(2).Width(), 0);                                  // invisible
  EXPECT_EQ(ButtonBounds(1).Right, CW - 9);
  EXPECT_EQ(ButtonBounds(1).Width(), 12);
  EXPECT_EQ(ButtonBounds(0).Right, CW - 21);  // the main button: next to the text
  EXPECT_EQ(ButtonBounds(0).Width(), SB);
  EXPECT_EQ(Edit->GetButtonsWidth(), 21 + SB);
  EXPECT_EQ(Edit->GetEditRect().Right, CW - 21 - SB);
  EXPECT_EQ(FormatRect().Right, CW - 21 - SB);
  for (Integer I = 0; I < 4; ++I) EXPECT_EQ(Edit->GetButtonRec(I).ButtonControl->GetTag(), I);
  // Flat: width 0 is the flat default, and each visible button has its line.
  Edit->SetFlat(true);
  EXPECT_EQ(ButtonBounds(0).Width(), FlatButtonWidth());
  EXPECT_EQ(Edit->GetButtonsWidth(), 21 + FlatButtonWidth() + 3);
  // Right to left: the same order from the left edge.
  Edit->SetFlat(false);
  SysLocale.MiddleEast = true;
  Edit->SetBiDiMode(bdRightToLeft);
  Edit->RecreateWnd();
  EXPECT_EQ(ButtonBounds(3).Left, 0);
  EXPECT_EQ(ButtonBounds(1).Left, 9);
  EXPECT_EQ(ButtonBounds(0).Left, 21);
  EXPECT_EQ(Edit->GetEditRect().Left, 21 + SB);
  EXPECT_EQ(Edit->ButtonsRect(), Rect(0, 0, 21 + SB, Edit->GetClientHeight()));
}

TEST_F(DBCtrlsKvEditButtonsTest, TheImageTakesItsWidthAtTheLeftOfTheText) {
  TImageList* Images = TImageList::Create(Form);
  Images->SetWidth(16);
  Images->SetHeight(16);
  Edit->GetEditImage()->SetImages(Images);
  EXPECT_EQ(Edit->GetEditRect().Left, 0);  // not visible yet
  Edit->GetEditImage()->SetVisible(true);
  EXPECT_EQ(Edit->GetImageWidth(), 20);
  EXPECT_EQ(Edit->GetEditRect().Left, 20);
  EXPECT_EQ(FormatRect().Left, 20);
  Edit->GetEditImage()->SetWidth(30);
  EXPECT_EQ(Edit->GetEditRect().Left, 34);
  EXPECT_EQ(Edit->ImageRect(), Rect(0, 0, 34, Edit->GetClientHeight()));
  // The index follows a number value rounded half to even, or the handler.
  Edit->Number = Variant(2.5);
  Edit->UpdateImageIndex();
  EXPECT_EQ(Edit->GetEditImage()->GetImageIndex(), 2);
  Edit->Number = Variant(3.5);
  Edit->UpdateImageIndex();
  EXPECT_EQ(Edit->GetEditImage()->GetImageIndex(), 4);
  Edit->Number = Null();
  Edit->SetText("text");  // a text value: the default index
  EXPECT_EQ(Edit->GetEditImage()->GetImageIndex(), -1);
  // A handler shows its index as soon as it is assigned, and follows the text.
  Edit->SetOnGetImageIndex([&](TObject*, Integer& I) { I = Edit->GetText() == "other" ? 8 : 7; });
  EXPECT_EQ(Edit->GetEditImage()->GetImageIndex(), 7);
  Edit->SetText("other");
  EXPECT_EQ(Edit->GetEditImage()->GetImageIndex(), 8);
  Edit->SetOnGetImageIndex(nullptr);
  EXPECT_EQ(Edit->GetEditImage()->GetImageIndex(), -1);
}

TEST_F(DBCtrlsKvEditButtonsTest, ThePressThatOpensTheDropDownDoesNotCloseItTheNextClickDoes) {
  Edit->GetEditButton()->SetVisible(true);
  TEditButtonControlKv* Main = Edit->GetButtonRec(0).ButtonControl;
  Input.MouseDown(mbLeft, Edit->GetHandle(), Centre(ButtonBounds(0)));
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(Edit->Log, std::vector<String>{"DropDown"});
  EXPECT_TRUE(Main->GetAlwaysDown());
  Input.MouseUp(mbLeft, Edit->GetHandle(), Centre(ButtonBounds(0)));
  EXPECT_TRUE(Edit->GetListVisible());  // the click that ended the opening press
  Advance(600);                         // no double click
  ClickButton(0);
  EXPECT_EQ(Edit->Log, (std::vector<String>{"DropDown", "CloseUp(false)"}));
  EXPECT_FALSE(Main->GetAlwaysDown());
  // Released outside, the opening press leaves the list open too, and the
  // next click closes it.
  Edit->Log.clear();
  Input.MouseDown(mbLeft, Edit->GetHandle(), Centre(ButtonBounds(0)));
  Input.MouseUp(mbLeft, Edit->GetHandle(), Point(-20, -20));
  EXPECT_TRUE(Edit->GetListVisible());
  Advance(600);
  ClickButton(0);
  EXPECT_EQ(Edit->Log, (std::vector<String>{"DropDown", "CloseUp(false)"}));
  // An up-down main button never drops down; its events still come.
  Edit->Log.clear();
  Edit->GetEditButton()->SetStyle(ebsUpDownKv);
  std::vector<bool> Tops;
  Edit->OnButtonDown = [&](TObject*, bool Top, bool&, bool&) { Tops.push_back(Top); };
  Advance(600);
  Input.Click(Edit->GetHandle(), Point(ButtonBounds(0).Left + 2, ButtonBounds(0).Top + 1));
  EXPECT_TRUE(Edit->Log.empty());
  EXPECT_EQ(Tops, std::vector<bool>{true});
}

TEST_F(DBCtrlsKvEditButtonsTest, AHandledPressOrAnActionKeepsTheDropDownClosed) {
  Edit->GetEditButton()->SetVisible(true);
  Integer Clicks = 0;
  Edit->OnButtonClick = [&](TObject*, bool&) { ++Clicks; };
  Edit->OnButtonDown = [](TObject*, bool, bool&, bool& Handled) { Handled = true; };
  ClickButton(0);
  EXPECT_TRUE(Edit->Log.empty());
  EXPECT_EQ(Clicks, 1);
  Edit->OnButtonDown = nullptr;
  TAction* Act = TAction::Create(Form);
  Integer Runs = 0;
  Act->OnExecute = [&](TObject*) { ++Runs; };
  Edit->GetEditButton()->SetAction(Act);
  Advance(600);
  ClickButton(0);
  EXPECT_TRUE(Edit->Log.empty());
  EXPECT_EQ(Runs, 1);
  EXPECT_EQ(Clicks, 1);  // the action handled the click
}

TEST_F(DBCtrlsKvEditButtonsTest, AButtonsMenuOpensBelowItAndItsClosingPressDoesNotOpenItAgain) {
  TEditButtonKv* Extra = Edit->GetEditButtons()->Add();
  Extra->SetWidth(16);
  TPopupMenu* Menu = TPopupMenu::Create(Form);
  TMenuItem* Item = TMenuItem::Create(Menu);
  Item->SetCaption("One");
  Menu->GetItems()->Add(Item);
  Extra->SetDropdownMenu(Menu);
  const TRect B = ButtonBounds(1);
  // While the menu is up the user presses the button again: the menu closes
  // and the press comes back to the edit after the menu's marker.
  Menu->OnPopup = [&](TObject*) {
    const LPARAM At = MAKELPARAM(WORD(B.Left + 3), WORD(B.Top + 3));
    PostMessage(Edit->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    PostMessage(Edit->GetHandle(), WM_LBUTTONUP, 0, At);
    Menu->OnPopup = nullptr;
  };
  Input.Click(Edit->GetHandle(), Centre(B));
  ASSERT_EQ(GetPopupLog().size(), 1u);  // the second press did not open it again
  EXPECT_EQ(GetPopupLog()[0].Pos, Edit->ClientToScreen(Point(B.Left, B.Bottom)));
  // A later press opens it again, at the button's bottom-right for paRight.
  Menu->SetAlignment(paRight);
  Advance(600);
  Input.Click(Edit->GetHandle(), Centre(B));
  ASSERT_EQ(GetPopupLog().size(), 2u);
  EXPECT_EQ(GetPopupLog()[1].Pos, Edit->ClientToScreen(Point(B.Right, B.Bottom)));
  // A handled press shows no menu.
  Extra->OnDown = [](TObject*, bool, bool&, bool& Handled) { Handled = true; };
  Advance(600);
  Input.Click(Edit->GetHandle(), Centre(B));
  EXPECT_EQ(GetPopupLog().size(), 2u);
}

TEST_F(DBCtrlsKvEditButtonsTest, AShortcutPressesAndClicksTheFirstButtonThatHasIt) {
  Edit->GetEditButton()->SetVisible(true);
  Edit->GetEditButton()->SetShortCut(ShortCut(VK_F4, {}));
  TEditButtonKv* A = Edit->GetEditButtons()->Add();
  TEditButtonKv* B = Edit->GetEditButtons()->Add();
  A->SetShortCut(ShortCut(VK_F5, {}));
  B->SetShortCut(ShortCut(VK_F5, {}));
  std::vector<String> Log;
  A->OnDown = [&](TObject*, bool Top, bool&, bool&) { Log.push_back(Top ? "A down top" : "A down"); };
  A->OnClick = [&](TObject*, bool&) { Log.push_back("A click"); };
  B->OnClick = [&](TObject*, bool&) { Log.push_back("B click"); };
  Edit->SetFocus();
  Input.KeyPress(VK_F5);
  EXPECT_EQ(Log, (std::vector<String>{"A down", "A click"}));
  Input.KeyPress(VK_F4);  // the main button: its drop-down, which stays open
  EXPECT_EQ(Edit->Log, std::vector<String>{"DropDown"});
  Input.KeyPress(VK_F4);  // and closes on the next
  EXPECT_EQ(Edit->Log, (std::vector<String>{"DropDown", "CloseUp(false)"}));
  EXPECT_EQ(Edit->GetText(), "");
}

TEST_F(DBCtrlsKvEditButtonsTest, TheFlatBorderIsSunkenWhileFocusedHoveredOrAlwaysShown) {
  Edit->SetFlat(true);
  Edit->GetEditButton()->SetVisible(true);
  TEditButtonControlKv* Main = Edit->GetButtonRec(0).ButtonControl;
  TShape* Divider = Edit->GetButtonRec(0).Divider;
  Other->SetFocus();
  EXPECT_FALSE(Edit->GetBorderActive());
  EXPECT_FALSE(Main->GetActive());
  EXPECT_EQ(Divider->GetPen()->GetColor(), Edit->GetColor());
  TSurface* S = GetWindowSurface(FormWnd());
  S->ClearRecords();
  Edit->SetFocus();
  EXPECT_TRUE(Edit->GetBorderActive());
  EXPECT_TRUE(Main->GetActive());
  EXPECT_EQ(Divider->GetPen()->GetColor(), clBtnFace);
  const TRect W = GetWindowSurfaceRect(Edit->GetHandle());
  bool Sunken = false;
  for (const TDrawRecord& R : S->Records())
    if (R.Kind == TDrawKind::Edge && R.Rect == W && R.Flags == BDR_SUNKENOUTER) Sunken = true;
  EXPECT_TRUE(Sunken);
  Other->SetFocus();
  EXPECT_FALSE(Edit->GetBorderActive());
  // The frame is the button face's colour all round when inactive.
  UpdateWindow(FormWnd());
  EXPECT_EQ(S->GetPixel(W.Left, W.Top), Rgb(clBtnFace));
  EXPECT_EQ(S->GetPixel(W.Left + 1, W.Top + 1), Rgb(clBtnFace));
  Input.MouseMove(Edit->GetHandle(), Point(5, 5));
  Application()->Idle();
  EXPECT_TRUE(Edit->GetBorderActive());
  Input.MouseMove(FormWnd(), Point(300, 250));
  Application()->Idle();
  EXPECT_FALSE(Edit->GetBorderActive());
  Edit->SetAlwaysShowBorder(true);
  EXPECT_TRUE(Edit->GetBorderActive());
}

class DBCtrlsKvMRUTest : public DBCtrlsKvEditButtonsTest {
 protected:
  void SetUp() override {
    DBCtrlsKvEditButtonsTest::SetUp();
    TMRUListKv* MRU = Edit->GetMRUList();
    for (const char* S : {"apple", "Apricot", "banana", "avocado", "cherry"}) MRU->Add(S);
    MRU->SetActive(true);
    Edit->SetFocus();
  }
  bool Open() {
    return Edit->GetMRUListbox() && IsWindowVisible(Edit->GetMRUListbox()->GetHandle());
  }
  std::vector<String> Shown() {
    std::vector<String> Out;
    TStrings* Items = Edit->GetMRUListbox()->GetItems();
    for (Integer I = 0; I < Items->GetCount(); ++I) Out.push_back(Items->Get(I));
    return Out;
  }
};

TEST_F(DBCtrlsKvMRUTest, TypingDropsTheMatchingEntriesDownAndDeletingAllTextClosesThem) {
  EXPECT_FALSE(Open());  // taking the focus offers nothing
  Input.Type("a");
  ASSERT_TRUE(Open());
  EXPECT_EQ(Shown(), (std::vector<String>{"apple", "Apricot", "avocado"}));
  TMRUListboxKv* List = Edit->GetMRUListbox();
  EXPECT_EQ(List->GetRowCount(), 3);
  EXPECT_EQ(List->GetWidth(), FormatRect().Width());
  EXPECT_EQ(List->GetItemIndex(), -1);
  TRect LR;
  GetWindowRect(List->GetHandle(), &LR);
  EXPECT_EQ(LR.Left, Edit->ClientToScreen(FormatRect().TopLeft()).X);
  EXPECT_EQ(LR.Top, Edit->ClientToScreen(Point(0, FormatRect().Bottom)).Y);
  Input.Type("p");
  EXPECT_EQ(Shown(), (std::vector<String>{"apple", "Apricot"}));
  Input.Type("x");  // nothing matches: the list goes
  EXPECT_FALSE(Open());
  Input.KeyPress(VK_BACK);
  EXPECT_TRUE(Open());
  Input.KeyPress(VK_BACK);
  Input.KeyPress(VK_BACK);
  EXPECT_EQ(Edit->GetText(), "");
  EXPECT_FALSE(Open());
  // Backspace in the empty text offers every entry.
  Input.KeyPress(VK_BACK);
  ASSERT_TRUE(Open());
  EXPECT_EQ(Shown().size(), 5u);
  EXPECT_EQ(List->GetRowCount(), 5);
  Edit->GetMRUList()->SetRows(2);
  Input.Type("a");
  EXPECT_EQ(List->GetRowCount(), 2);
}

TEST_F(DBCtrlsKvMRUTest, EnterTakesTheChosenEntryEscapeOnlyCloses) {
  Input.Type("a");
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Edit->GetMRUListbox()->GetItemIndex(), 1);
  EXPECT_EQ(Edit->GetText(), "a");  // the keys went to the list
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(Open());
  EXPECT_EQ(Edit->GetText(), "Apricot");
  EXPECT_EQ(Edit->GetSelLength(), 7);
  // Escape closes and keeps what was typed.
  Input.KeyPress(VK_END);
  Input.Type("s");
  Input.KeyPress(VK_BACK);
  ASSERT_TRUE(Open());
  Input.KeyPress(VK_ESCAPE);
  EXPECT_FALSE(Open());
  EXPECT_EQ(Edit->GetText(), "Apricot");
  // Characters that share their codes with the arrow keys are typed as always.
  Edit->SetText("");
  Input.Type("a(");
  EXPECT_EQ(Edit->GetText(), "a(");
  Input.Type("&");
  EXPECT_EQ(Edit->GetText(), "a(&");
}

TEST_F(DBCtrlsKvMRUTest, AClickChoosesLeavingClosesAndAResizeIsKept) {
  Input.Type("b");
  ASSERT_TRUE(Open());
  TMRUListboxKv* List = Edit->GetMRUListbox();
  const TRect Item = List->ItemRect(0);
  Input.Click(List->GetHandle(), Centre(Item));
  EXPECT_FALSE(Open());
  EXPECT_EQ(Edit->GetText(), "banana");
  Input.KeyPress(VK_END);
  Input.Type("x");
  Input.KeyPress(VK_BACK);
  Input.KeyPress(VK_BACK);
  ASSERT_TRUE(Open());
  Other->SetFocus();
  EXPECT_FALSE(Open());
  EXPECT_EQ(Edit->GetText(), "banan");
  // The user's size becomes the list's rows and width.
  Edit->SetFocus();
  Input.KeyPress(VK_BACK);
  Edit->SetText("");
  Edit->SetFocus();
  Input.KeyPress(VK_BACK);
  ASSERT_TRUE(Open());
  List->SetBounds(List->GetLeft(), List->GetTop(), 150, List->GetItemHeight() * 2 + List->GetBorderSize());
  List->GetSizeGrip()->OnParentResized(List->GetSizeGrip());
  EXPECT_EQ(Edit->GetMRUList()->GetRows(), 2);
  EXPECT_EQ(Edit->GetMRUList()->Width, 150);
}

// Regression: a list widened by the user with its grip snapped back to the
// text's width at the next keystroke.
TEST_F(DBCtrlsKvMRUTest, AListWidenedWithItsGripKeepsItsWidthWhileTheUserTypes) {
  Input.Type("a");
  ASSERT_TRUE(Open());
  TMRUListboxKv* List = Edit->GetMRUListbox();
  const Integer TextWidth = FormatRect().Width();
  ASSERT_EQ(List->GetWidth(), TextWidth);
  // The grip stands at the bottom right, away from the edit above the list.
  TRect G;
  GetWindowRect(List->GetSizeGrip()->GetHandle(), &G);
  const TPoint From = {G.Right - 3, G.Bottom - 3};
  Input.MouseMoveAt(From);
  Input.ButtonDownAt(mbLeft, From);
  Input.MouseMoveAt({From.X + 20, From.Y});
  Input.MouseMoveAt({From.X + 40, From.Y});
  Input.ButtonUpAt(mbLeft, {From.X + 40, From.Y});
  ASSERT_EQ(List->GetWidth(), TextWidth + 40);
  EXPECT_EQ(Edit->GetMRUList()->Width, TextWidth + 40);
  // Typing filters the entries and keeps the user's width and place.
  TRect Before;
  GetWindowRect(List->GetHandle(), &Before);
  EXPECT_TRUE(Edit->Focused());  // pressing the grip took nothing from the edit
  Input.Type("p");
  EXPECT_EQ(Edit->GetText(), "ap");
  ASSERT_TRUE(Open());
  EXPECT_EQ(Shown(), (std::vector<String>{"apple", "Apricot"}));
  EXPECT_EQ(List->GetWidth(), TextWidth + 40);
  TRect After;
  GetWindowRect(List->GetHandle(), &After);
  EXPECT_EQ(After.Left, Before.Left);
  EXPECT_EQ(After.Top, Before.Top);
  EXPECT_EQ(List->GetRowCount(), 2);  // fewer entries, fewer rows
  // Closed and opened again: the text's width once more.
  Input.KeyPress(VK_ESCAPE);
  ASSERT_FALSE(Open());
  Input.KeyPress(VK_BACK);
  ASSERT_TRUE(Open());
  EXPECT_EQ(List->GetWidth(), TextWidth);
}

// Regression: a wheel message of less than a notch went back and forth
// between the open list and the edit box until the stack overflowed.
TEST_F(DBCtrlsKvMRUTest, AWheelTheOpenListDoesNotUseGoesUpOnce) {
  Integer FormWheels = 0;
  Form->OnMouseWheel = [&](TObject*, TShiftState, Integer, TPoint, bool&) { ++FormWheels; };
  for (Integer Delta : {0, 15, -15, -40, 40}) Input.Wheel(Edit->GetHandle(), Delta);
  const Integer Closed = FormWheels;  // what the form hears with the list closed
  ASSERT_GT(Closed, 0);
  Input.Type("a");
  ASSERT_TRUE(Open());
  FormWheels = 0;
  for (Integer Delta : {0, 15, -15, -40, 40}) Input.Wheel(Edit->GetHandle(), Delta);
  EXPECT_EQ(FormWheels, Closed);
  EXPECT_TRUE(Open());
  EXPECT_EQ(Edit->GetText(), "a");
}

TEST_F(DBCtrlsKvMRUTest, AWrittenValueJoinsTheListAsItsNewestEntry) {
  Edit->SetText("durian");
  TStrings* Items = Edit->GetMRUList()->GetItems();
  EXPECT_EQ(Items->Get(Items->GetCount() - 1), "durian");
  Edit->GetMRUList()->SetAutoAdd(false);
  Edit->SetText("elder");
  EXPECT_EQ(Items->Get(Items->GetCount() - 1), "durian");
}

class DBCtrlsKvInplaceTest : public DBCtrlsKvEditButtonsTest {
 protected:
  void SetUp() override {
    DBCtrlsKvEditButtonsTest::SetUp();
    Holder = THolder::Create(Form);
    Holder->SetBounds(220, 10, 150, 150);
    Holder->SetParent(Form);
  }
  THolder* Holder = nullptr;
};

TEST_F(DBCtrlsKvInplaceTest, AHolderWithoutTheInterfaceIsRefusedAndChangesNothing) {
  EXPECT_THROW(Edit->SetInplaceEditHolder(Other), Exception);
  EXPECT_FALSE(Edit->GetInplaceMode());
  Edit->SetVisible(false);  // still an ordinary control
  EXPECT_FALSE(Edit->TControl::GetVisible());
  Edit->SetVisible(true);
  Edit->SetInplaceEditHolder(Holder);
  try {
    Edit->SetInplaceEditHolder(Other);
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.GetMessage(), "InplaceEditHolder have to support IInplaceEditHolderKv interface");
  }
  EXPECT_EQ(Edit->GetInplaceEditHolder(), Holder);
  EXPECT_TRUE(Edit->GetInplaceMode());
  Holder->CanModify = false;
  Edit->SetReadOnly(true);
  Edit->SetReadOnly(false);  // still asks the holder
  EXPECT_NE(GetWindowLong(Edit->GetHandle(), GWL_STYLE) & ES_READONLY, 0);
  Edit->SetInplaceEditHolder(nullptr);
  EXPECT_FALSE(Edit->GetInplaceMode());
  // A freed holder leaves the mode.
  Edit->SetInplaceEditHolder(Holder);
  Holder->Free();
  Holder = nullptr;
  EXPECT_FALSE(Edit->GetInplaceMode());
  EXPECT_EQ(Edit->GetInplaceEditHolder(), nullptr);
}

TEST_F(DBCtrlsKvInplaceTest, TheHolderSeesMessagesAndKeysFirstAndMayKeepThem) {
  // A holder reaches the edit through its in-place interface.
  IInplaceEditKv* Intf = nullptr;
  ASSERT_TRUE(Supports(Edit, Intf));
  Intf->SetInplaceEditHolder(Holder);
  Intf->SetColor(clYellow);
  EXPECT_EQ(Edit->TControl::GetColor(), clYellow);
  EXPECT_EQ(Intf->GetFont(), Edit->TControl::GetFont());
  EXPECT_EQ(PopupOwnerOf(TPopupListboxKv::Create(Edit)), static_cast<IPopupOwnerKv*>(Edit));
  Edit->ShowInplaceAt(Rect(220, 40, 320, 60), false);
  Holder->SetFocus();
  Edit->ShowInplaceAt(Rect(220, 40, 320, 60), false);
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(Form->GetActiveControl(), Holder);  // the holder stays the form's control
  Holder->Keys.clear();
  Input.Type("a");
  EXPECT_EQ(Holder->Keys, (std::vector<String>{"down 65", "press a", "up 65"}));
  Holder->EatChar = U'b';
  Input.Type("b");  // kept by the holder
  Holder->EatKey = VK_DELETE;
  Input.KeyPress(VK_HOME);
  Input.KeyPress(VK_DELETE);  // a key the holder keeps never reaches the text
  Holder->SwallowMsg = WM_CHAR;
  Input.Type("c");
  EXPECT_EQ(Edit->GetText(), "a");
  EXPECT_EQ(Edit->Perform(WM_GETDLGCODE) & DLGC_WANTTAB, 0);
  Holder->WantTab = true;
  Holder->SwallowMsg = 0;
  EXPECT_NE(Edit->Perform(WM_GETDLGCODE) & DLGC_WANTTAB, 0);
}

TEST_F(DBCtrlsKvInplaceTest, AClickSoonAfterTheHoldersPressArrivesAsADoubleClick) {
  Edit->SetInplaceEditHolder(Holder);
  Edit->ShowInplaceAt(Rect(220, 40, 320, 60), false);
  Integer DblClicks = 0;
  Edit->OnDblClick = [&](TObject*) { ++DblClicks; };
  // The holder's press at the same place, just before.
  Holder->DownPos = Edit->ClientToScreen(Point(10, 5));
  Holder->DownTime = Integer(GetTickCount());
  Advance(100);
  Input.Click(Edit->GetHandle(), Point(11, 6));
  EXPECT_EQ(DblClicks, 1);
  // Too late, or too far: a plain click.
  Holder->DownTime = Integer(GetTickCount());
  Advance(GetDoubleClickTime() + 1);
  Input.Click(Edit->GetHandle(), Point(10, 5));
  Advance(GetDoubleClickTime() + 1);
  Holder->DownTime = Integer(GetTickCount());
  Input.Click(Edit->GetHandle(), Point(40, 5));
  EXPECT_EQ(DblClicks, 1);
}

TEST_F(DBCtrlsKvInplaceTest, ShownAndHiddenOnlyThroughTheHolder) {
  Edit->SetInplaceEditHolder(Holder);
  Edit->HideInplace();
  EXPECT_FALSE(Edit->GetVisible());
  Edit->ShowInplaceAt(Rect(220, 40, 320, 62), false);
  EXPECT_TRUE(Edit->GetVisible());
  EXPECT_EQ(Edit->GetBoundsRect(), Rect(220, 40, 320, 62));
  Edit->SetInplaceBounds(Rect(230, 50, 330, 72));
  EXPECT_EQ(Edit->GetBoundsRect(), Rect(230, 50, 330, 72));
  Holder->SetFocus();
  Edit->SetFocus();
  EXPECT_TRUE(Edit->Focused());
  Edit->SetVisible(false);  // hides and hands the focus back
  EXPECT_FALSE(Edit->GetVisible());
  EXPECT_TRUE(Holder->Focused());
  Edit->SetFocus();  // hidden: it does not take the focus
  EXPECT_TRUE(Holder->Focused());
  Edit->ShowInplaceAt(Rect(0, 0, 0, 0), true);  // empty: hidden
  EXPECT_FALSE(Edit->GetVisible());
  Edit->SetVisible(true);  // only ShowInplaceAt shows it
  EXPECT_FALSE(Edit->GetVisible());
}

}  // namespace
}  // namespace korvel
