// The combo box with plain and key-based lists, driven through the input
// driver: values and texts of each kind, searching and completing as the
// user types, stepping with keys, the up-down button and the wheel, the
// drop-down list (its size, its events in order, keys and clicks while it is
// open, the wheel, right-to-left), AutoDrop, OnNotInList, the field's values
// (an empty key for Null), what a stored form keeps, and a long random run of
// user input.
//
// Ideas for tests: dragging from the main button into the open list chooses
// where the mouse is released (needs the list under a dragged capture).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/win/Clipboard.h"
#include "tests/controls/DBCtrlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

class DBCtrlsKvComboTest : public TDBFormFixture {
 protected:
  void SetUp() override {
    TDBFormFixture::SetUp();
    Combo = TDBComboBoxKv::Create(Form);
    Combo->SetName("Combo1");
    Combo->SetBounds(10, 10, 120, 24);
    Combo->SetParent(Form);
    Other = TEdit::Create(Form);
    Other->SetBounds(10, 200, 100, 24);
    Other->SetParent(Form);
    ShowForm();
  }
  void Colours() {
    Combo->GetItems()->SetText("Red\nGreen\nBlue");
    Combo->GetKeyItems()->SetText("R\nG");
  }
  void Fruit() { Combo->GetItems()->SetText("Apple\nApricot\nBanana\nCherry"); }
  bool Dropped() {
    return Combo->GetPopupListbox() && IsWindowVisible(Combo->GetPopupListbox()->GetHandle());
  }
  std::pair<Integer, Integer> Selection() { return {Combo->GetSelStart(), Combo->GetSelLength()}; }
  TRect MainButton() { return Combo->GetButtonRec(0).ButtonControl->GetBoundsRect(); }
  TPoint Centre(const TRect& R) { return Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2); }
  TDBComboBoxKv* Combo = nullptr;
  TEdit* Other = nullptr;
};

TEST_F(DBCtrlsKvComboTest, AKeyBasedListShowsTheItemOfTheKeyItStores) {
  Colours();
  EXPECT_TRUE(Combo->IsKeyBased());
  EXPECT_EQ(Combo->GetItemCount(), 2);  // Blue has no key and can never be chosen
  Combo->SetValue(Variant("G"));
  EXPECT_EQ(Combo->GetText(), "Green");
  EXPECT_EQ(Combo->GetItemIndex(), 1);
  EXPECT_EQ(VarToStr(Combo->GetValue()), "G");
  EXPECT_EQ(VarToStr(Combo->GetDataLink()->GetValue()), "G");
  Combo->SetValue(Variant("X"));  // not listed: no text, no item
  EXPECT_EQ(Combo->GetText(), "");
  EXPECT_EQ(Combo->GetItemIndex(), -1);
  Combo->SetValue(Null());
  EXPECT_EQ(Combo->GetText(), "");
  EXPECT_TRUE(VarIsNull(Combo->GetValue()));
  Combo->SetText("Red");  // a text chooses its item and key
  EXPECT_EQ(VarToStr(Combo->GetValue()), "R");
  Combo->SetText("Blue");  // not an item that can be chosen: ignored
  EXPECT_EQ(Combo->GetText(), "Red");
  EXPECT_EQ(VarToStr(Combo->GetValue()), "R");
  Combo->SetItemIndex(2);
  EXPECT_EQ(Combo->GetItemIndex(), -1);
  EXPECT_TRUE(VarIsNull(Combo->GetValue()));
  Combo->SetItemIndex(1);
  Combo->Clear();
  EXPECT_TRUE(VarIsNull(Combo->GetValue()));
  EXPECT_EQ(Combo->GetText(), "");
}

TEST_F(DBCtrlsKvComboTest, ChangingTheTextsKeepsShowingTheStoredKey) {
  Combo->GetKeyItems()->SetText("R\nG");
  Combo->SetValue(Variant("G"));
  EXPECT_EQ(Combo->GetText(), "");  // no texts yet
  EXPECT_EQ(Combo->GetItemIndex(), -1);
  Combo->GetItems()->SetText("Red\nGreen");
  EXPECT_EQ(Combo->GetText(), "Green");
  EXPECT_EQ(Combo->GetItemIndex(), 1);
  Combo->GetItems()->SetText("Rot\nGrün");
  EXPECT_EQ(Combo->GetText(), "Grün");
  EXPECT_EQ(VarToStr(Combo->GetValue()), "G");
  // Emptying the keys makes it plain again: the text is what it shows.
  Combo->GetKeyItems()->Clear();
  EXPECT_FALSE(Combo->IsKeyBased());
  EXPECT_EQ(Combo->GetItemCount(), 2);
}

TEST_F(DBCtrlsKvComboTest, TypingIntoAKeyBasedListSearchesItsItems) {
  Colours();
  Combo->SetFocus();
  Input.Type("g");
  EXPECT_EQ(Combo->GetText(), "Green");
  EXPECT_EQ(VarToStr(Combo->GetValue()), "G");
  EXPECT_EQ(Selection(), std::make_pair(1, 4));  // "reen" selected, the caret after "G"
  Input.Type("x");  // nothing starts with "Gx": the item stays
  EXPECT_EQ(Combo->GetText(), "Green");
  Input.KeyPress(VK_BACK);  // the selection grows back over the typed part
  EXPECT_EQ(Selection(), std::make_pair(0, 5));
  Input.Type("r");
  EXPECT_EQ(Combo->GetText(), "Red");
  EXPECT_EQ(VarToStr(Combo->GetValue()), "R");
  EXPECT_EQ(GetMessageBeepCount(), 0);
  // Pasting searches as typing does.
  Clipboard()->SetAsText("gr");
  Combo->SelectAll();
  SendMessage(Combo->GetHandle(), WM_PASTE, 0, 0);
  EXPECT_EQ(Combo->GetText(), "Green");
}

TEST_F(DBCtrlsKvComboTest, APlainListCompletesTheTypedTextWithTheFirstItemThatStartsWithIt) {
  Fruit();
  Combo->SetFocus();
  Input.Type("ap");
  EXPECT_EQ(Combo->GetText(), "Apple");
  EXPECT_EQ(Combo->GetItemIndex(), 0);
  EXPECT_EQ(Selection(), std::make_pair(2, 3));  // "ple"
  Input.Type("r");
  EXPECT_EQ(Combo->GetText(), "Apricot");
  Input.KeyPress(VK_END);
  Input.Type("s");  // nothing starts with it: typed as it is
  EXPECT_EQ(Combo->GetText(), "Apricots");
  EXPECT_EQ(Combo->GetItemIndex(), -1);
  Input.KeyPress(VK_BACK);  // Backspace finds a whole item again
  EXPECT_EQ(Combo->GetItemIndex(), 1);
  // A full stop never completes, nor does a key with Ctrl.
  Combo->SetText("");
  Combo->GetItems()->Add("B.C.");
  Input.Type("b.");
  EXPECT_EQ(Combo->GetText(), "B.");  // "b" completed to Banana, "." typed over the tail
  Combo->SetText("");
  Input.KeyPress('A', {ssCtrl});
  EXPECT_EQ(Combo->GetText(), "");
}

TEST_F(DBCtrlsKvComboTest, UpDownTheUpDownButtonAndTheWheelStepThroughTheItems) {
  Fruit();
  Combo->SetFocus();
  Input.KeyPress(VK_UP);  // no item: the last
  EXPECT_EQ(Combo->GetText(), "Cherry");
  Input.KeyPress(VK_DOWN);  // the last stays
  EXPECT_EQ(Combo->GetItemIndex(), 3);
  for (Integer I = 0; I < 5; ++I) Input.KeyPress(VK_UP);
  EXPECT_EQ(Combo->GetItemIndex(), 0);  // the first stays
  EXPECT_EQ(Selection(), std::make_pair(0, 5));
  Input.Wheel(Combo->GetHandle(), -120);  // down: the next
  EXPECT_EQ(Combo->GetText(), "Apricot");
  Input.Wheel(Combo->GetHandle(), 120);
  EXPECT_EQ(Combo->GetText(), "Apple");
  Combo->SetReadOnly(true);
  Input.Wheel(Combo->GetHandle(), -120);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Combo->GetText(), "Apple");
  Combo->SetReadOnly(false);
  // The up-down button: its upper half the previous item, its lower half the next.
  Combo->GetEditButton()->SetStyle(ebsUpDownKv);
  const TRect B = MainButton();
  Input.Click(Combo->GetHandle(), Point(B.Left + 3, B.Bottom - 2));
  EXPECT_EQ(Combo->GetText(), "Apricot");
  Advance(600);
  Input.Click(Combo->GetHandle(), Point(B.Left + 3, B.Top + 2));
  EXPECT_EQ(Combo->GetText(), "Apple");
  EXPECT_FALSE(Dropped());
}

// Regression (found by fuzzing): a wheel message of less than a notch, with
// the list open, went back and forth between the list and the combo box
// until the stack overflowed.
TEST_F(DBCtrlsKvComboTest, AWheelTheOpenListDoesNotUseGoesUpOnce) {
  Integer FormWheels = 0;
  Form->OnMouseWheel = [&](TObject*, TShiftState, Integer, TPoint, bool&) { ++FormWheels; };
  for (bool KeyBased : {false, true}) {
    SCOPED_TRACE(KeyBased);
    Fruit();
    if (KeyBased) Combo->GetKeyItems()->SetText("a\nb\nc\nd");
    Combo->SetFocus();
    Combo->SetItemIndex(1);
    // What the form hears of such a wheel with the list closed ...
    FormWheels = 0;
    for (Integer Delta : {0, 15, -15, -40, 40}) Input.Wheel(Combo->GetHandle(), Delta);
    const Integer Closed = FormWheels;
    ASSERT_GT(Closed, 0);
    // ... it hears with the list open: the list hands it to the combo box once.
    Input.KeyPress(VK_DOWN, {ssAlt});
    ASSERT_TRUE(Dropped());
    FormWheels = 0;
    for (Integer Delta : {0, 15, -15, -40, 40}) Input.Wheel(Combo->GetHandle(), Delta);
    EXPECT_EQ(FormWheels, Closed);
    EXPECT_TRUE(Dropped());
    EXPECT_EQ(Combo->GetItemIndex(), 1);
    // A whole notch still scrolls the list, and goes no further.
    FormWheels = 0;
    Input.Wheel(Combo->GetHandle(), -120);
    EXPECT_EQ(FormWheels, 0);
    EXPECT_EQ(Combo->GetItemIndex(), 1);
    Input.KeyPress(VK_ESCAPE);
    Combo->GetKeyItems()->Clear();
  }
}

TEST_F(DBCtrlsKvComboTest, TheListOpensBelowAsWideAsAskedAndKeepsTheUsersSize) {
  Fruit();
  Combo->GetItems()->Add("A rather long item for this little box");
  std::vector<String> Log;
  Combo->OnDropDown = [&](TObject*) { Log.push_back(Dropped() ? "drop (shown)" : "drop"); };
  Combo->OnBeforeCloseUp = [&](TObject*, bool& Accept) {
    Log.push_back(Accept ? "before(true)" : "before(false)");
  };
  Combo->OnCloseUp = [&](TObject*, bool Accept) { Log.push_back(Accept ? "close(true)" : "close(false)"); };
  Combo->DropDown();
  ASSERT_TRUE(Dropped());
  TPopupListboxKv* List = Combo->GetPopupListbox();
  EXPECT_EQ(List->GetWidth(), Combo->GetWidth());  // Width 0: the box's
  EXPECT_EQ(List->GetRowCount(), 5);
  TRect LR, CR;
  GetWindowRect(List->GetHandle(), &LR);
  GetWindowRect(Combo->GetHandle(), &CR);
  EXPECT_EQ(LR.Top, CR.Bottom);
  EXPECT_EQ(LR.Left, CR.Left);
  Combo->CloseUp(false);
  // The program's own sizing is not the user's: nothing is kept.
  EXPECT_EQ(Combo->GetDropDownBox()->GetRows(), 7);
  EXPECT_EQ(Combo->GetDropDownBox()->GetWidth(), 0);
  Combo->GetDropDownBox()->SetWidth(-1);
  Combo->GetDropDownBox()->SetRows(3);
  Combo->DropDown();
  EXPECT_GT(List->GetWidth(), Combo->GetWidth());
  EXPECT_EQ(List->GetClientWidth(), List->GetCanvas()->TextWidth("A rather long item for this little box") + 5);
  EXPECT_EQ(List->GetRowCount(), 3);
  // The user drags the grip: the size is kept for the next time.
  List->SetBounds(List->GetLeft(), List->GetTop(), 300, List->GetItemHeight() * 4 + List->GetBorderSize());
  Combo->CloseUp(false);
  EXPECT_EQ(Combo->GetDropDownBox()->GetRows(), 4);
  EXPECT_EQ(Combo->GetDropDownBox()->GetWidth(), 300);
  Combo->DropDown();
  EXPECT_EQ(List->GetWidth(), 300);
  EXPECT_EQ(List->GetRowCount(), 4);
  // The handler before closing may refuse the choice.
  Combo->OnBeforeCloseUp = [&](TObject*, bool& Accept) {
    Log.push_back("before");
    Accept = false;
  };
  List->SetItemIndex(2);
  Combo->CloseUp(true);
  EXPECT_EQ(Combo->GetText(), "");
  EXPECT_EQ(Log, (std::vector<String>{"drop", "before(false)", "close(false)", "drop", "before(false)",
                                      "close(false)", "drop", "before", "close(false)"}));
}

// The list opens on the side the text starts from: under right-to-left
// reading a list aligned "left" holds the box's right edge, and its grip
// goes to the corner away from it.
TEST_F(DBCtrlsKvComboTest, TheListOpensFromTheSideTheTextStartsFrom) {
  Fruit();
  Combo->GetDropDownBox()->SetWidth(200);  // wider than the box, so the sides differ
  Combo->GetDropDownBox()->SetSizable(true);
  struct TCase {
    bool RightToLeft;
    TDropDownAlign Align;
    bool RightEdgesMeet;
  };
  const TCase Cases[] = {
      {false, daLeft, false}, {false, daRight, true}, {true, daLeft, true}, {true, daRight, false}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.RightToLeft << int(C.Align));
    SysLocale.MiddleEast = C.RightToLeft;
    Combo->SetBiDiMode(C.RightToLeft ? bdRightToLeft : bdLeftToRight);
    Combo->GetDropDownBox()->SetAlign(C.Align);
    Combo->DropDown();
    ASSERT_TRUE(Dropped());
    TPopupListboxKv* List = Combo->GetPopupListbox();
    TRect LR, CR;
    GetWindowRect(List->GetHandle(), &LR);
    GetWindowRect(Combo->GetHandle(), &CR);
    if (C.RightEdgesMeet) {
      EXPECT_EQ(LR.Right, CR.Right);
      EXPECT_EQ(List->GetSizeGrip()->GetPosition(), sgpBottomLeftKv);
    } else {
      EXPECT_EQ(LR.Left, CR.Left);
      EXPECT_EQ(List->GetSizeGrip()->GetPosition(), sgpBottomRightKv);
    }
    Combo->CloseUp(false);
  }
  SysLocale.MiddleEast = false;
}

TEST_F(DBCtrlsKvComboTest, TheOpenListTakesTheArrowsEnterChoosesEscapeCloses) {
  Fruit();
  Combo->SetFocus();
  Input.KeyPress(VK_DOWN, {ssAlt});  // the main button's shortcut
  ASSERT_TRUE(Dropped());
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Combo->GetPopupListbox()->GetItemIndex(), 1);
  EXPECT_EQ(Combo->GetText(), "");  // only the list moved
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(Dropped());
  EXPECT_EQ(Combo->GetText(), "Apricot");
  EXPECT_EQ(Selection(), std::make_pair(0, 7));
  // Escape closes without taking the list's choice and keeps the text.
  Input.KeyPress(VK_DOWN, {ssAlt});
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_ESCAPE);
  EXPECT_FALSE(Dropped());
  EXPECT_EQ(Combo->GetText(), "Apricot");
  // Characters reach the text while the list is open, '(' among them.
  Input.KeyPress(VK_DOWN, {ssAlt});
  Input.KeyPress(VK_END);
  Input.Type("(");
  EXPECT_EQ(Combo->GetText(), "Apricot(");
  EXPECT_TRUE(Dropped());
  Input.KeyPress(VK_DOWN, {ssAlt});  // the shortcut again closes it
  EXPECT_FALSE(Dropped());
  // Leaving closes the list without a choice.
  Input.KeyPress(VK_DOWN, {ssAlt});
  Other->SetFocus();
  EXPECT_FALSE(Dropped());
}

TEST_F(DBCtrlsKvComboTest, TheMainButtonsPressOpensTheListAndItsNextClickClosesIt) {
  Fruit();
  Input.Click(Combo->GetHandle(), Centre(MainButton()));
  EXPECT_TRUE(Dropped());
  EXPECT_TRUE(Combo->Focused());
  Advance(600);
  Input.Click(Combo->GetHandle(), Centre(MainButton()));
  EXPECT_FALSE(Dropped());
  // A click on an item chooses it.
  Advance(600);
  Input.Click(Combo->GetHandle(), Centre(MainButton()));
  TPopupListboxKv* List = Combo->GetPopupListbox();
  Input.Click(List->GetHandle(), Centre(List->ItemRect(2)));
  EXPECT_FALSE(Dropped());
  EXPECT_EQ(Combo->GetText(), "Banana");
  // A key-based box opens on a click anywhere and closes on the next.
  Colours();
  Advance(600);
  Input.Click(Combo->GetHandle(), Point(10, 5));
  EXPECT_TRUE(Dropped());
  EXPECT_EQ(List->GetCount(), 2);  // only the items with a key
  Advance(600);
  Input.Click(Combo->GetHandle(), Point(10, 5));
  EXPECT_FALSE(Dropped());
}

TEST_F(DBCtrlsKvComboTest, ItemsAreAskedForWhenWantedAndShownWithTheirImages) {
  Integer Asked = 0;
  Combo->OnGetItems = [&](TObject*) {
    ++Asked;
    Fruit();
  };
  Combo->SetFocus();
  Input.Type("b");
  EXPECT_EQ(Asked, 1);
  EXPECT_EQ(Combo->GetText(), "Banana");
  Combo->DropDown();
  EXPECT_EQ(Asked, 1);  // filled: not asked again
  Combo->CloseUp(false);
  // Images: the list's rows as high as an image, each asked for its index.
  TImageList* Images = TImageList::Create(Form);
  Images->SetWidth(12);
  Images->SetHeight(30);
  Combo->SetImages(Images);
  EXPECT_TRUE(Combo->GetEditImage()->GetVisible());
  std::vector<Integer> ImageAsked;
  Combo->OnGetItemImageIndex = [&](TObject*, Integer Item, Integer& Index) {
    ImageAsked.push_back(Item);
    Index = Item + 10;
  };
  Combo->SetItemIndex(3);
  EXPECT_EQ(Combo->GetEditImage()->GetImageIndex(), 13);
  ImageAsked.clear();
  Combo->DropDown();
  UpdateWindow(Combo->GetPopupListbox()->GetHandle());
  EXPECT_EQ(Combo->GetPopupListbox()->GetItemHeight(), 30);
  std::sort(ImageAsked.begin(), ImageAsked.end());
  ImageAsked.erase(std::unique(ImageAsked.begin(), ImageAsked.end()), ImageAsked.end());
  EXPECT_EQ(ImageAsked, (std::vector<Integer>{0, 1, 2, 3}));  // each row drawn
  Combo->CloseUp(false);
  Combo->OnGetItemImageIndex = nullptr;
}

TEST_F(DBCtrlsKvComboTest, AClickOnAnotherControlClosesTheList) {
  Fruit();
  Combo->SetFocus();
  Combo->DropDown();
  ASSERT_TRUE(Dropped());
  Input.Click(Other->GetHandle(), Point(5, 5));
  EXPECT_FALSE(Dropped());
  EXPECT_EQ(Combo->GetText(), "");
}

TEST_F(DBCtrlsKvComboTest, NotInListIsAskedForAWrittenTextThatMatchesNoItem) {
  Fruit();
  std::vector<String> Asked;
  Combo->OnNotInList = [&](TObject*, const String& Text, bool& Recheck) {
    Asked.push_back(Text);
    EXPECT_FALSE(Recheck);
  };
  Combo->SetText("Banana");
  Combo->SetText("Durian");
  Combo->SetText("");
  EXPECT_EQ(Asked, std::vector<String>{"Durian"});
  Combo->SetFocus();
  Input.Type("Kiwi");
  Other->SetFocus();
  EXPECT_EQ(Asked, (std::vector<String>{"Durian", "Kiwi"}));
  EXPECT_EQ(VarToStr(Combo->GetDataLink()->GetValue()), "Kiwi");
}

TEST_F(DBCtrlsKvComboTest, BoundKeyBasedTheFieldsTextIsTheKey) {
  Combo->GetItems()->SetText("Yes\nNo");
  Combo->GetKeyItems()->SetText("yes\nno");
  Combo->SetDataSource(Source);
  Combo->SetDataField("Code");
  EXPECT_EQ(Combo->GetText(), "");  // "A-1" is no key
  EXPECT_EQ(VarToStr(Combo->GetValue()), "A-1");
  EXPECT_EQ(Combo->GetMaxLength(), 0);  // a key-based box takes no length
  People->Next();
  EXPECT_EQ(Combo->GetText(), "Yes");
  People->Next();  // null: its edit text, '', is the key
  EXPECT_EQ(Combo->GetText(), "");
  EXPECT_EQ(Combo->GetItemIndex(), -1);
  EXPECT_EQ(VarToStr(Combo->GetValue()), "");
  People->Prior();
  Combo->SetFocus();
  Input.Type("n");
  EXPECT_EQ(People->GetState(), dsEdit);
  Other->SetFocus();
  EXPECT_EQ(Field("Code")->GetAsString(), "no");
  People->Post();
  // Delete clears the value, unless the field is required.
  Combo->SetFocus();
  Input.KeyPress(VK_DELETE);
  EXPECT_TRUE(VarIsNull(Combo->GetValue()));
  Other->SetFocus();
  EXPECT_TRUE(Field("Code")->IsNull());
  People->Cancel();
  Field("Code")->SetRequired(true);
  Combo->SetFocus();
  Input.KeyPress(VK_DELETE);
  EXPECT_EQ(Combo->GetText(), "No");
}

// Regression: with an empty key among the keys, a Null field showed nothing,
// and the item of the empty key, chosen and posted, read back as no item.
TEST_F(DBCtrlsKvComboTest, AnEmptyKeysItemStandsForANullField) {
  for (const char* S : {"(none)", "Yes", "No"}) Combo->GetItems()->Add(S);
  for (const char* S : {"", "yes", "no"}) Combo->GetKeyItems()->Add(S);
  Combo->SetDataSource(Source);
  Combo->SetDataField("Code");
  People->Last();  // Cid: Code is Null
  EXPECT_EQ(Combo->GetText(), "(none)");
  EXPECT_EQ(Combo->GetItemIndex(), 0);
  // Bob's "yes" chosen away from, as the user does it: the list, the first row.
  People->Prior();
  ASSERT_EQ(Combo->GetText(), "Yes");
  Combo->SetFocus();
  Input.KeyPress(VK_DOWN, {ssAlt});
  TPopupListboxKv* List = Combo->GetPopupListbox();
  ASSERT_TRUE(Dropped());
  EXPECT_EQ(List->GetItemIndex(), 1);
  Input.Click(List->GetHandle(), Centre(List->ItemRect(0)));
  EXPECT_FALSE(Dropped());
  EXPECT_EQ(Combo->GetText(), "(none)");
  Other->SetFocus();
  People->Post();
  EXPECT_TRUE(Field("Code")->IsNull());
  People->First();
  People->Next();  // back on Bob
  EXPECT_EQ(Combo->GetText(), "(none)");
  EXPECT_EQ(Combo->GetItemIndex(), 0);
}

// With AutoDrop the first typed character opens the list, and the list
// follows what is typed: its selection is the item the text completes to.
TEST_F(DBCtrlsKvComboTest, AutoDropOpensTheListAsTheUserTypes) {
  Fruit();
  Combo->SetFocus();
  Input.Type("b");
  EXPECT_FALSE(Dropped());  // off by default
  Combo->SetText("");
  Combo->GetDropDownBox()->SetAutoDrop(true);
  Input.Type("a");
  ASSERT_TRUE(Dropped());
  TPopupListboxKv* List = Combo->GetPopupListbox();
  EXPECT_EQ(Combo->GetText(), "Apple");
  EXPECT_EQ(List->GetItemIndex(), 0);
  Input.Type("pr");
  EXPECT_EQ(Combo->GetText(), "Apricot");
  EXPECT_EQ(List->GetItemIndex(), 1);
  EXPECT_TRUE(Dropped());
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(Dropped());
  EXPECT_EQ(Combo->GetText(), "Apricot");
  // Key-based: the search opens it too, on the item found.
  Combo->GetKeyItems()->SetText("a\nb\nc\nd");
  Input.Type("c");
  ASSERT_TRUE(Dropped());
  EXPECT_EQ(Combo->GetText(), "Cherry");
  EXPECT_EQ(List->GetItemIndex(), 3);
  Input.KeyPress(VK_ESCAPE);
  EXPECT_FALSE(Dropped());
  // Keys that type nothing open nothing.
  Input.KeyPress(VK_LEFT);
  Input.KeyPress(VK_SHIFT);
  EXPECT_FALSE(Dropped());
}

// Focused over a field that cannot be modified, a plain combo box shows the
// field's display text, as it does unfocused.
TEST_F(DBCtrlsKvComboTest, AFocusedComboOverAFieldThatCannotChangeShowsTheDisplayText) {
  Combo->SetDataSource(Source);
  Combo->SetDataField("Price");
  Price()->SetReadOnly(true);
  Combo->SetFocus();
  EXPECT_EQ(Combo->GetText(), "1,234.50");
  Price()->SetReadOnly(false);
  EXPECT_EQ(Combo->GetText(), "1234.5");
}

TEST_F(DBCtrlsKvComboTest, BoundPlainTheDisplayTextShowsUntilFocused) {
  Fruit();
  Other->SetFocus();
  Combo->SetDataSource(Source);
  Combo->SetDataField("Price");
  EXPECT_EQ(Combo->GetText(), "1,234.50");
  Combo->SetFocus();
  EXPECT_EQ(Combo->GetText(), "1234.5");
  Other->SetFocus();
  Combo->SetDataField("Name");
  EXPECT_EQ(Combo->GetMaxLength(), 20);
  Combo->SetFocus();
  Input.Type("ch");  // completes from the items
  EXPECT_EQ(Combo->GetText(), "Cherry");
  Other->SetFocus();
  EXPECT_EQ(Field("Name")->GetAsString(), "Cherry");
  // The item set by a program is written at once.
  People->Post();
  Combo->SetItemIndex(1);
  EXPECT_EQ(Field("Name")->GetAsString(), "Apricot");
  EXPECT_EQ(People->GetState(), dsEdit);
}

// A long run of what a user may do to a form of these controls, chosen at
// random from a fixed seed: keys and characters, the wheel in whole notches
// and less, clicks on the boxes, their buttons and their open lists, records
// moved and fields made read-only or writable under them. Nothing may go
// wrong where the application would see it, and each combo box must stay
// consistent: its item is one it can choose, its text that item's, its value
// that item's key.
TEST_F(DBCtrlsKvComboTest, ARandomRunOfUserInputLeavesEveryControlConsistent) {
  // Key-based over Code, plain over Name with a most-recently-used list, and
  // an unbound edit box.
  Colours();
  Combo->SetDataSource(Source);
  Combo->SetDataField("Code");
  TDBComboBoxKv* Plain = TDBComboBoxKv::Create(Form);
  Plain->SetBounds(10, 50, 120, 24);
  Plain->SetParent(Form);
  Plain->GetItems()->SetText("Ann\nAnna\nBob\nCid\nZed");
  Plain->SetDataSource(Source);
  Plain->SetDataField("Name");
  Plain->GetMRUList()->SetActive(true);
  for (const char* S : {"alpha", "anchor", "beta"}) Plain->GetMRUList()->Add(S);
  Plain->GetDropDownBox()->SetSizable(true);
  TCustomDBEditKv* Free = TCustomDBEditKv::Create(Form);
  Free->SetBounds(10, 90, 120, 24);
  Free->SetParent(Form);
  Free->GetMRUList()->SetActive(true);
  for (const char* S : {"one", "two", "three"}) Free->GetMRUList()->Add(S);
  const std::vector<TCustomDBEditKv*> Controls = {Combo, Plain, Free};
  const Word Keys[] = {VK_UP,    VK_DOWN, VK_PRIOR,  VK_NEXT,   VK_HOME,   VK_END, VK_LEFT,
                       VK_RIGHT, VK_BACK, VK_DELETE, VK_RETURN, VK_ESCAPE, VK_TAB, VK_INSERT};
  const char* const Typed[] = {"a", "b", "g", "r", "(", "&", "!", "\"", "Z", " ", "7"};
  const Integer Deltas[] = {-240, -120, -40, 0, 15, 120};
  std::mt19937 Random(20261207);
  auto Pick = [&](Integer N) { return Integer(Random() % std::uint32_t(N)); };
  auto Check = [&](TCustomDBComboBoxKv* C) {
    const Integer I = C->GetItemIndex();
    ASSERT_GE(I, -1);
    ASSERT_LT(I, C->GetItemCount());
    if (I < 0) return;
    EXPECT_EQ(C->GetText(), C->GetItems()->Get(I));
    if (C->IsKeyBased()) {
      EXPECT_EQ(VarToStr(C->GetValue()), C->GetKeyItems()->Get(I));
    }
  };
  for (Integer Step = 0; Step < 1500; ++Step) {
    SCOPED_TRACE(Step);
    TCustomDBEditKv* C = Controls[std::size_t(Pick(3))];
    Advance(Pick(700));
    switch (Pick(10)) {
      case 0:
        Input.Click(C->GetHandle(), Point(Pick(C->GetWidth()), Pick(C->GetHeight())));
        break;
      case 1:
        Input.KeyPress(Keys[Pick(std::size(Keys))],
                       Pick(4) == 0 ? TShiftState{ssShift} : TShiftState{});
        break;
      case 2:
        Input.KeyPress(VK_DOWN, {ssAlt});
        break;
      case 3:
      case 4:
        Input.Type(Typed[Pick(std::size(Typed))]);
        break;
      case 5:
        Input.Wheel(C->GetHandle(), Deltas[Pick(std::size(Deltas))]);
        break;
      case 6: {
        auto* Box = DynCast<TCustomDBComboBoxKv>(C);
        TWinControl* List = Box ? static_cast<TWinControl*>(Box->GetPopupListbox())
                                : static_cast<TWinControl*>(C->GetMRUListbox());
        if (List && IsWindowVisible(List->GetHandle()))
          Input.Click(List->GetHandle(),
                      Point(Pick(List->GetClientWidth()), Pick(List->GetClientHeight())));
        break;
      }
      case 7:
        if (People->GetState() == dsBrowse) Pick(2) ? People->Next() : People->Prior();
        break;
      case 8: {
        TField* F = Field(Pick(2) ? "Name" : "Code");
        F->SetReadOnly(!F->GetReadOnly());
        break;
      }
      default:
        if (People->GetState() != dsBrowse) Pick(2) ? People->Post() : People->Cancel();
        break;
    }
    ASSERT_TRUE(Application()->GetHandledExceptions().empty())
        << Application()->GetHandledExceptions()[0].Message;
    Check(Combo);
    Check(Plain);
    if (HasFatalFailure()) return;
  }
  Field("Name")->SetReadOnly(false);
  Field("Code")->SetReadOnly(false);
  Other->SetFocus();
  if (People->GetState() != dsBrowse) People->Post();
  EXPECT_TRUE(Application()->GetHandledExceptions().empty());
}

TEST_F(DBCtrlsKvComboTest, AStoredFormKeepsTheListsAndOnlyWhatWasSet) {
  TForm* Dialog = TForm::Create(nullptr);
  Dialog->SetName("Dialog");
  TDBComboBoxKv* Keyed = TDBComboBoxKv::Create(Dialog);
  Keyed->SetName("Combo1");
  Keyed->SetParent(Dialog);
  Keyed->GetItems()->SetText("Red\nGreen\nBlue");
  Keyed->GetKeyItems()->SetText("R\nG");
  Keyed->GetDropDownBox()->SetRows(4);
  Keyed->GetDropDownBox()->SetAlign(daRight);
  TDBComboBoxKv* Bound = TDBComboBoxKv::Create(Dialog);
  Bound->SetName("Bound1");
  Bound->SetParent(Dialog);
  Bound->SetDataField("Name");  // bound, with no source yet
  Bound->SetText("shown");
  TDBComboBoxKv* Plain = TDBComboBoxKv::Create(Dialog);
  Plain->SetName("Plain1");
  Plain->SetParent(Dialog);
  Plain->SetText("typed");
  Plain->SetEditMask(">LLLLL;1;_");
  Plain->SetAlignment(taCenter);
  const String Text = ComponentToText(Dialog);
  FreeAndNil(Dialog);
  EXPECT_EQ(Text.find("EditMask"), Text.rfind("EditMask"));  // only the one set
  EXPECT_NE(Text.find("EditMask = '>LLLLL;1;_'"), String::npos);
  EXPECT_EQ(Text.find("Alignment"), Text.rfind("Alignment"));
  EXPECT_NE(Text.find("Text = 'TYPED'"), String::npos);
  EXPECT_EQ(Text.find("'shown'"), String::npos);  // a bound text is the field's
  TObjectPtr<TForm> Read(TForm::Create(nullptr));
  ReadComponentText(Text, Read.get());
  auto* C = static_cast<TDBComboBoxKv*>(Read->FindComponent("Combo1"));
  auto* P = static_cast<TDBComboBoxKv*>(Read->FindComponent("Plain1"));
  ASSERT_NE(C, nullptr);
  ASSERT_NE(P, nullptr);
  EXPECT_EQ(C->GetItemCount(), 2);
  EXPECT_TRUE(C->IsKeyBased());
  EXPECT_EQ(C->GetDropDownBox()->GetRows(), 4);
  EXPECT_EQ(C->GetDropDownBox()->GetAlign(), daRight);
  EXPECT_EQ(P->GetEditMask(), ">LLLLL;1;_");
  EXPECT_EQ(P->GetText(), "TYPED");
  EXPECT_EQ(P->GetAlignment(), taCenter);
}

}  // namespace
}  // namespace korvel
