// The grid's in-place editor at the keyboard: typing in a lookup or a list
// cell completes the text from its list (and drops what matches nothing,
// unless the application takes free text); Delete, Backspace and pasting in
// such cells; the special row's and the edit buttons' shortcuts; stepping
// by double click; opening a list as the first character is typed; and the
// most-recently-used list that drops down under the text, is browsed and
// chosen from with the keys, and goes away when the text is emptied.
#include <gtest/gtest.h>

#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKv.h"
#include "platform/controls/EditClass.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Queue.h"
#include "platform/win/Win.h"
#include "tests/grid/TestCellEditing.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvEditorKeysTest : public DBGridShopTest {
 protected:
  void SetUp() override {
    DBGridShopTest::SetUp();
    Customers->AppendRecord({4, "Bonnie"});
    Customers->First();
  }
  // The selected part of the editor's text.
  String Selected() {
    return Copy(Editor()->GetText(), Editor()->GetSelStart() + 1, Editor()->GetSelLength());
  }
  Integer Caret() { return Editor()->GetSelStart() + Editor()->GetSelLength(); }
  // Puts the caret at Pos with nothing selected.
  void CaretAt(Integer Pos) {
    Editor()->SetSelStart(Pos);
    Editor()->SetSelLength(0);
  }
  void Paste(const String& Text) {
    Clipboard()->SetAsText(Text);
    Input.KeyPress(Word('V'), {ssCtrl});
  }
  bool Shown(TWinControl* List) {
    return List && List->HandleAllocated() && IsWindowVisible(List->GetHandle());
  }
  TMRUListboxKv* MRUBox() { return Editor()->GetMRUListBox(); }
  void NotInList() {
    Column(cCustomer)->OnNotInList = [&](TObject*, const String&, bool&) {};
  }
};

TEST_F(DBGridKvEditorKeysTest, TypingInALookupCellCompletesTheNameAndWritesItsKey) {
  EditCell(cCustomer);
  ASSERT_EQ(Editor()->GetEditStyle(), cesDataListKv);
  ASSERT_EQ(Editor()->GetText(), "Ann");
  Input.Type("b");
  EXPECT_EQ(Editor()->GetText(), "Bob");
  EXPECT_EQ(Selected(), "ob") << "the completed tail is selected";
  EXPECT_EQ(Grid->GetEditValue(), Variant(2));
  // The next letter replaces the tail: "Bo" is still Bob, "Bon" is Bonnie.
  Input.Type("on");
  EXPECT_EQ(Editor()->GetText(), "Bonnie");
  EXPECT_EQ(Selected(), "nie");
  // A letter that leads to no name is dropped.
  Input.Type("x");
  EXPECT_EQ(Editor()->GetText(), "Bonnie");
  EXPECT_EQ(Selected(), "nie");
  Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 4);
  EXPECT_EQ(Field("Customer")->GetAsString(), "Bonnie");
}

TEST_F(DBGridKvEditorKeysTest, WithANotInListHandlerALookupCellTakesFreeTextWithoutAKey) {
  NotInList();
  EditCell(cCustomer);
  Input.Type("bz");
  EXPECT_EQ(Editor()->GetText(), "Bz");
  EXPECT_EQ(Selected(), "");
  EXPECT_EQ(Caret(), 2);
  EXPECT_TRUE(VarIsNull(Grid->GetEditValue()));
  // Backspace takes the typed character (and a completed tail with it).
  Input.KeyPress(VK_BACK);
  EXPECT_EQ(Editor()->GetText(), "B");
  Input.Type("o");
  ASSERT_EQ(Editor()->GetText(), "Bob");
  Input.KeyPress(VK_BACK);
  EXPECT_EQ(Editor()->GetText(), "B") << "the tail and the o";
  EXPECT_EQ(Caret(), 1);
  EXPECT_TRUE(VarIsNull(Grid->GetEditValue())) << "B is a name's start, not a name";
  // At the very start there is nothing before the caret to take.
  CaretAt(0);
  Input.KeyPress(VK_BACK);
  EXPECT_EQ(Editor()->GetText(), "B");
  EXPECT_EQ(Caret(), 0);
  // Delete takes the selection and nothing more.
  Input.KeyPress(VK_END);
  Input.Type("z");
  ASSERT_EQ(Editor()->GetText(), "Bz");
  CaretAt(0);
  Editor()->SetSelLength(1);
  Input.KeyPress(VK_DELETE);
  EXPECT_EQ(Editor()->GetText(), "z");
  EXPECT_EQ(Caret(), 0);
}

TEST_F(DBGridKvEditorKeysTest, DeleteClearsAWhollySelectedLookupButNoPartOfIt) {
  EditCell(cCustomer);
  ASSERT_EQ(Selected(), "Ann");
  // A part of the name cannot go: Delete and Backspace leave it whole, and
  // Backspace only moves the caret.
  CaretAt(1);
  Editor()->SetSelLength(1);
  Input.KeyPress(VK_DELETE);
  EXPECT_EQ(Editor()->GetText(), "Ann");
  CaretAt(2);
  Input.KeyPress(VK_BACK);
  EXPECT_EQ(Editor()->GetText(), "Ann");
  EXPECT_EQ(Caret(), 1);
  // The whole of it goes, and the record loses its customer.
  Editor()->SelectAll();
  Input.KeyPress(VK_DELETE);
  EXPECT_EQ(Editor()->GetText(), "");
  EXPECT_TRUE(VarIsNull(Grid->GetEditValue()));
  Orders->Post();
  EXPECT_TRUE(Field("CustID")->IsNull());
}

TEST_F(DBGridKvEditorKeysTest, APickListCompletesButTakesAnyTextAndAKeyListOnlyItsOwn) {
  Column(cItem)->GetPickList()->SetCommaText("Apple,Banana,Cherry");
  EditCell(cItem);
  Input.Type("c");
  EXPECT_EQ(Editor()->GetText(), "Cherry");
  EXPECT_EQ(Selected(), "herry");
  Input.Type("x");
  EXPECT_EQ(Editor()->GetText(), "Cx") << "no line starts so: typed as it is";
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Cx");
  // A key list takes only its lines.
  Column(cStatus)->GetKeyList()->SetCommaText("Y,N");
  Column(cStatus)->GetPickList()->SetCommaText("Yes,No");
  EditCell(cStatus);
  Input.Type("q");
  EXPECT_EQ(Editor()->GetText(), "Yes");
  Input.Type("n");
  EXPECT_EQ(Editor()->GetText(), "No");
  Orders->Post();
  EXPECT_EQ(Field("Status")->GetAsString(), "N");
}

TEST_F(DBGridKvEditorKeysTest, PastedTextIsCompletedLikeTypedText) {
  // Into a lookup cell: the first name that starts with it.
  EditCell(cCustomer);
  Paste("bonn");
  EXPECT_EQ(Editor()->GetText(), "Bonnie");
  EXPECT_EQ(Selected(), "ie");
  Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 4);
  // Into a key-list cell with a not-in-list handler: taken as it is.
  Column(cStatus)->GetKeyList()->SetCommaText("Y,N");
  Column(cStatus)->GetPickList()->SetCommaText("Yes,No");
  std::vector<String> Asked;
  Column(cStatus)->OnNotInList = [&](TObject*, const String& Text, bool&) {
    Asked.push_back(Text);
  };
  EditCell(cStatus);
  Paste("Mayb");
  EXPECT_EQ(Editor()->GetText(), "Mayb");
  EXPECT_EQ(Caret(), 4);
  Orders->Post();
  EXPECT_EQ(Asked, std::vector<String>{"Mayb"});
  // Into a plain cell: the edit's own paste.
  EditCell(cItem);
  Paste("Quince");
  EXPECT_EQ(Editor()->GetText(), "Quince");
}

TEST_F(DBGridKvEditorKeysTest, TheSpecialRowsShortcutChoosesItsValue) {
  TSpecRowKv* SpecRow = Column(cCustomer)->GetDropDownSpecRow();
  SpecRow->SetCellsText("(nobody)");
  SpecRow->SetValue(3);
  SpecRow->SetVisible(true);
  EditCell(cCustomer);
  Input.KeyPress(VK_DELETE, {ssAlt});
  EXPECT_EQ(Editor()->GetText(), "(nobody)");
  EXPECT_EQ(Grid->GetEditValue(), Variant(3));
  EXPECT_EQ(Selected(), "(nobody)");
  Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 3);
}

TEST_F(DBGridKvEditorKeysTest, ADoubleClickStepsTheValueAndShiftStepsBack) {
  Column(cItem)->GetPickList()->SetCommaText("Apple,Banana,Cherry");
  Column(cItem)->SetDblClickNextVal(true);
  EditCell(cItem);
  Input.DoubleClick(Editor()->GetHandle(), Point(8, 5));
  EXPECT_EQ(Field("Item")->GetAsString(), "Banana");
  Advance(1000);
  Input.DoubleClick(Editor()->GetHandle(), Point(8, 5), mbLeft, {ssShift});
  Advance(1000);
  Input.DoubleClick(Editor()->GetHandle(), Point(8, 5), mbLeft, {ssShift});
  EXPECT_EQ(Field("Item")->GetAsString(), "Cherry");
}

TEST_F(DBGridKvEditorKeysTest, AnAutoDropDownListOpensAtTheFirstCharacterWhichStillCompletes) {
  Column(cItem)->GetPickList()->SetCommaText("Apple,Banana,Cherry");
  Column(cItem)->SetAutoDropDown(true);
  EditCell(cItem);
  ASSERT_FALSE(Editor()->GetListVisible());
  Input.Type("b");
  ASSERT_TRUE(Shown(Editor()->GetPickList()));
  EXPECT_EQ(Editor()->GetText(), "Banana");
  EXPECT_EQ(Editor()->GetPickList()->GetItemIndex(), 1);
  Input.KeyPress(VK_RETURN);
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Banana");
}

TEST_F(DBGridKvEditorKeysTest, ControlEnterTypesNoLineFeedInAOneLineCell) {
  EditCell(cItem);
  Input.KeyPress(VK_END);
  Input.KeyPress(VK_RETURN, {ssCtrl});
  EXPECT_EQ(Editor()->GetText(), "Apple");
}

class DBGridKvMRUListTest : public DBGridKvEditorKeysTest {
 protected:
  void SetUp() override {
    DBGridKvEditorKeysTest::SetUp();
    MRU = Column(cItem)->GetMRUList();
    MRU->GetItems()->SetCommaText("Apricot,Anchovy,\"Banana bread\"");
    MRU->SetActive(true);
  }
  TMRUListKv* MRU = nullptr;
};

TEST_F(DBGridKvMRUListTest, TypingOffersTheEntriesThatStartSoAndEnterTakesTheOneChosen) {
  MRU->GetItems()->Add("Apple pie");
  EditCell(cItem);
  EXPECT_FALSE(MRU->DroppedDown) << "loading the cell's Apple offers nothing";
  Input.Type("a");
  ASSERT_TRUE(MRU->DroppedDown);
  TMRUListboxKv* Box = MRUBox();
  ASSERT_TRUE(Shown(Box));
  ASSERT_EQ(Box->GetItems()->GetCount(), 3);
  EXPECT_EQ(Box->GetItems()->GetStrings(0), "Anchovy") << "sorted";
  EXPECT_EQ(Box->GetItemIndex(), -1);
  // Under the text, as wide as the text's room.
  TRect BoxRect, EditRect;
  GetWindowRect(Box->GetHandle(), &BoxRect);
  GetWindowRect(Editor()->GetHandle(), &EditRect);
  EXPECT_EQ(BoxRect.Top, EditRect.Bottom);
  // The arrows browse it, and the text stays as typed until Enter.
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Box->GetItemIndex(), 2);
  EXPECT_EQ(Editor()->GetText(), "a");
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(Shown(Box));
  EXPECT_FALSE(MRU->DroppedDown);
  EXPECT_EQ(Editor()->GetText(), "Apricot");
  EXPECT_EQ(Selected(), "Apricot");
  EXPECT_TRUE(EditorShown()) << "Enter only closed the list";
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Apricot");
}

TEST_F(DBGridKvMRUListTest, TheListFollowsTheTextAndGoesWhenItIsEmptied) {
  MRU->SetRows(2);
  EditCell(cItem);
  Input.Type("a");
  ASSERT_TRUE(MRU->DroppedDown);
  EXPECT_EQ(MRUBox()->GetItems()->GetCount(), 2);
  EXPECT_EQ(MRUBox()->GetRowCount(), 2);
  Input.Type("n");
  EXPECT_EQ(MRUBox()->GetItems()->GetCount(), 1);
  EXPECT_EQ(MRUBox()->GetRowCount(), 1) << "the open list shrinks to its entries";
  Input.Type("x");
  EXPECT_FALSE(MRU->DroppedDown) << "no entry starts with anx";
  EXPECT_FALSE(Shown(MRUBox()));
  Input.KeyPress(VK_BACK);
  EXPECT_TRUE(MRU->DroppedDown);
  Input.KeyPress(VK_BACK);
  Input.KeyPress(VK_BACK);
  EXPECT_EQ(Editor()->GetText(), "");
  EXPECT_FALSE(MRU->DroppedDown) << "an empty text closes it";
  // Backspace on the empty text offers every entry.
  Input.KeyPress(VK_BACK);
  ASSERT_TRUE(MRU->DroppedDown);
  EXPECT_EQ(MRUBox()->GetItems()->GetCount(), 3);
  EXPECT_EQ(MRUBox()->GetRowCount(), 2) << "as many rows as the list asks for";
}

TEST_F(DBGridKvMRUListTest, EscapeClosesTheListAndKeepsWhatWasTyped) {
  EditCell(cItem);
  Input.Type("Banana b");
  ASSERT_TRUE(MRU->DroppedDown);
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_ESCAPE);
  EXPECT_FALSE(MRU->DroppedDown);
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), "Banana b");
  EXPECT_EQ(Orders->GetState(), dsEdit) << "the record's edit goes on";
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Banana b");
  // What was posted is offered next time; the list keeps it once.
  EXPECT_EQ(MRU->GetItems()->IndexOf("Banana b"), 3);
}

TEST_F(DBGridKvMRUListTest, AClickOnAnEntryTakesItAndAStyleDropDownClosesTheList) {
  Column(cItem)->GetPickList()->SetCommaText("Apple,Anchovy");
  MRU->GetItems()->Add("Apple pie");
  Orders->Next();  // Pear
  EditCell(cItem);
  Input.Type("a");
  Input.Type("p");
  EXPECT_EQ(Editor()->GetText(), "Apple") << "the pick list completes first";
  ASSERT_TRUE(MRU->DroppedDown);
  ASSERT_EQ(MRUBox()->GetItems()->GetCount(), 1) << "the entries that start with Apple";
  // Opening the pick list closes the other one.
  Input.KeyPress(VK_DOWN, {ssAlt});
  EXPECT_FALSE(MRU->DroppedDown);
  EXPECT_TRUE(Shown(Editor()->GetPickList()));
  Input.KeyPress(VK_ESCAPE);
  // A click on an entry chooses it.
  Column(cItem)->GetPickList()->Clear();
  EditCell(cNote);
  EditCell(cItem);
  Editor()->SelectAll();
  Input.Type("a");
  ASSERT_TRUE(MRU->DroppedDown);
  const Integer H = MRUBox()->GetItemHeight();
  Input.Click(MRUBox()->GetHandle(), Point(5, H + H / 2));  // the second entry
  EXPECT_FALSE(MRU->DroppedDown);
  EXPECT_EQ(Editor()->GetText(), "Apple pie");
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Apple pie");
}

TEST(LocateStringsTextTest, FindsTheFirstLineEqualOrStartingSoWhateverTheCase) {
  TObjectPtr<TStringList> Lines(TStringList::Create());
  Lines->SetCommaText("Berlin,Bonn,bonnet");
  EXPECT_EQ(LocateStringsText(Lines.get(), "BONN", {}), 1);
  EXPECT_EQ(LocateStringsText(Lines.get(), "bon", {}), -1);
  EXPECT_EQ(LocateStringsText(Lines.get(), "bon", {loPartialKey}), 1);
  EXPECT_EQ(LocateStringsText(Lines.get(), "bonne", {loPartialKey}), 2);
  EXPECT_EQ(LocateStringsText(Lines.get(), "x", {loPartialKey, loCaseInsensitive}), -1);
  EXPECT_EQ(LocateStringsText(Lines.get(), "", {loPartialKey}), 0);
}

}  // namespace
}  // namespace korvel
