// Menus: a right click pops a control's menu at the mouse and runs the item
// the test chose; items by index, dismissal, disabled and hidden items;
// shortcuts; radio groups; the item tree (insert, delete, free).
#include <gtest/gtest.h>

#include "platform/controls/Forms.h"
#include "platform/controls/Menus.h"

namespace kvp {
namespace {

class TMenuProbe : public TCustomControl {
  KV_CLASS(TMenuProbe, TCustomControl)
 public:
  explicit TMenuProbe(TComponent* AOwner) : TCustomControl(AOwner) {}
};

class MenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    ResetPopupScript();
    Form = TForm::Create(nullptr);
    Form->SetBounds(100, 100, 300, 200);
    Probe = TMenuProbe::Create(Form);
    Probe->SetBounds(10, 10, 100, 50);
    Probe->SetParent(Form);
    Menu = TPopupMenu::Create(Form);
    Menu->OnPopup = [this](TObject*) { Log.push_back("popup"); };
    Cut = AddItem(Menu->GetItems(), "Cu&t");
    Copy = AddItem(Menu->GetItems(), "&Copy");
    Paste = AddItem(Menu->GetItems(), "&Paste");
    Probe->SetPopupMenu(Menu);
    Form->Show();
  }
  void TearDown() override {
    FreeAndNil(Form);
    ResetPopupScript();
    Application()->CheckNoExceptions();
    ResetWindowSystem();
  }
  TMenuItem* AddItem(TMenuItem* Parent, const String& Caption) {
    auto* Item = TMenuItem::Create(Form);
    Item->SetCaption(Caption);
    Item->OnClick = [this](TObject* Sender) {
      Log.push_back(StripHotkey(static_cast<TMenuItem*>(Sender)->GetCaption()));
    };
    Parent->Add(Item);
    return Item;
  }
  std::vector<String> Log;
  TForm* Form = nullptr;
  TMenuProbe* Probe = nullptr;
  TPopupMenu* Menu = nullptr;
  TMenuItem* Cut = nullptr;
  TMenuItem* Copy = nullptr;
  TMenuItem* Paste = nullptr;
};

TEST_F(MenusTest, ARightClickPopsTheControlsMenuAtTheMouseAndRunsTheChoice) {
  QueuePopupChoice("Copy");
  Input.Click(Probe->GetHandle(), Point(30, 20), mbRight);
  EXPECT_EQ(Log, (std::vector<String>{"popup", "Copy"}));
  ASSERT_EQ(GetPopupLog().size(), 1u);
  const TPopupRecord& R = GetPopupLog()[0];
  EXPECT_EQ(R.Menu, Menu);
  EXPECT_EQ(R.Pos, Probe->ClientToScreen(Point(30, 20)));
  EXPECT_EQ(R.PopupComponent, Probe);
  EXPECT_EQ(R.Items, (std::vector<String>{"Cut", "Copy", "Paste"}));
  EXPECT_EQ(R.Chosen, "Copy");
  EXPECT_EQ(Menu->GetPopupComponent(), Probe);
}

TEST_F(MenusTest, OnContextPopupCanTakeTheClickInstead) {
  Probe->OnContextPopup = [this](TObject*, TPoint P, bool& Handled) {
    Log.push_back("context " + std::to_string(P.X) + "," + std::to_string(P.Y));
    Handled = true;
  };
  Input.Click(Probe->GetHandle(), Point(30, 20), mbRight);
  EXPECT_EQ(Log, (std::vector<String>{"context 30,20"}));
  EXPECT_TRUE(GetPopupLog().empty());
}

TEST_F(MenusTest, ChoicesByVisibleIndexDismissalAndItemsThatCannotBeChosen) {
  Cut->SetVisible(false);
  Paste->SetEnabled(false);
  QueuePopupChoice(0);  // Copy: Cut is hidden
  QueuePopupDismiss();
  QueuePopupChoice("Paste");  // disabled: the menu closes without a command
  Menu->Popup(5, 6);
  Menu->Popup(5, 6);
  Menu->Popup(5, 6);
  Menu->Popup(5, 6);  // nothing queued: dismissed
  EXPECT_EQ(Log, (std::vector<String>{"popup", "Copy", "popup", "popup", "popup"}));
  ASSERT_EQ(GetPopupLog().size(), 4u);
  EXPECT_EQ(GetPopupLog()[0].Items, (std::vector<String>{"Copy", "Paste"}));
  EXPECT_EQ(GetPopupLog()[1].Chosen, "");
  EXPECT_EQ(GetPopupLog()[2].Chosen, "");

  QueuePopupChoice("Undo");
  EXPECT_THROW(Menu->Popup(0, 0), EListError);
}

TEST_F(MenusTest, AutoPopupOffLeavesTheRightClickToTheDefault) {
  Menu->SetAutoPopup(false);
  Input.Click(Probe->GetHandle(), Point(30, 20), mbRight);
  EXPECT_TRUE(GetPopupLog().empty());
}

TEST_F(MenusTest, ShortcutsFindEnabledVisibleItemsAtAnyDepth) {
  TMenuItem* Sub = AddItem(Menu->GetItems(), "More");
  TMenuItem* Deep = AddItem(Sub, "Deep");
  Deep->SetShortCut(ShortCut('D', {ssCtrl, ssShift}));
  Copy->SetShortCut(ShortCut('C', {ssCtrl}));
  EXPECT_EQ(Menu->FindItemByShortCut(ShortCut('D', {ssCtrl, ssShift})), Deep);
  Probe->SetFocus();
  Input.KeyPress('D', {ssCtrl, ssShift});
  Input.KeyPress('C', {ssCtrl});
  Copy->SetEnabled(false);
  Input.KeyPress('C', {ssCtrl});
  EXPECT_EQ(Log, (std::vector<String>{"Deep", "Copy"}));
}

TEST_F(MenusTest, CheckingARadioItemUnchecksTheOthersOfItsGroup) {
  for (TMenuItem* I : {Cut, Copy, Paste}) I->SetRadioItem(true);
  Paste->SetGroupIndex(1);
  Paste->SetChecked(true);
  Cut->SetChecked(true);
  Copy->SetChecked(true);
  EXPECT_FALSE(Cut->GetChecked());
  EXPECT_TRUE(Copy->GetChecked());
  EXPECT_TRUE(Paste->GetChecked());  // another group

  Copy->SetAutoCheck(true);
  Copy->Click();
  EXPECT_FALSE(Copy->GetChecked());

  // A checked radio item put into the menu unchecks the one checked there.
  Cut->SetChecked(true);
  TMenuItem* Extra = TMenuItem::Create(Form);
  Extra->SetRadioItem(true);
  Extra->SetChecked(true);
  Menu->GetItems()->Insert(1, Extra);
  EXPECT_TRUE(Extra->GetChecked());
  EXPECT_FALSE(Cut->GetChecked());
  EXPECT_TRUE(Paste->GetChecked());  // another group
}

TEST_F(MenusTest, TheItemTreeInsertsDeletesAndForgetsFreedItems) {
  TMenuItem* Root = Menu->GetItems();
  EXPECT_EQ(Root->IndexOf(Paste), 2);
  Root->Delete(0);
  EXPECT_EQ(Root->GetCount(), 2);
  EXPECT_EQ(Cut->GetParent(), nullptr);
  Root->Insert(1, Cut);
  EXPECT_EQ(Root->GetItems(1), Cut);
  EXPECT_EQ(Cut->GetMenuIndex(), 1);
  EXPECT_EQ(Root->Find("cut"), Cut);
  EXPECT_THROW(Root->Insert(0, Cut), EInvalidOperation);  // already in a menu
  EXPECT_THROW(Root->Insert(9, TMenuItem::Create(Form)), EListError);
  Cut->Free();
  EXPECT_EQ(Root->GetCount(), 2);
  EXPECT_EQ(Root->IndexOf(Copy), 0);
  EXPECT_EQ(Copy->GetMenu(), Menu);
}

// The menu remembers which control it popped for, until that control goes.
TEST_F(MenusTest, FreeingTheControlAMenuPoppedForClearsTheMenusReference) {
  QueuePopupChoice("Copy");
  Input.Click(Probe->GetHandle(), Point(30, 20), mbRight);
  ASSERT_EQ(Menu->GetPopupComponent(), Probe);
  FreeAndNil(Probe);
  EXPECT_EQ(Menu->GetPopupComponent(), nullptr);
}

TEST_F(MenusTest, FreeingTheMenuClearsTheControlsReference) {
  Menu->Free();
  EXPECT_EQ(Probe->GetPopupMenu(), nullptr);
  Input.Click(Probe->GetHandle(), Point(30, 20), mbRight);  // nothing to pop, nothing breaks
  EXPECT_TRUE(GetPopupLog().empty());
}

}  // namespace
}  // namespace kvp
