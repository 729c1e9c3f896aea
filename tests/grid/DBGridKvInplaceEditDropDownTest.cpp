// The grid's in-place editor's drop-downs and buttons as a user meets them:
// a pick list, the month calendar and the calculator open next to the cell
// from the keyboard or the button, are browsed, and write their choice back
// on Enter or a click, or leave the field as it was on Escape, a click
// elsewhere or a move to another cell; a size the user gave the pick list is
// kept; the up-down button steps the value (and repeats while held); the
// column's own buttons fire their events and pop up their menus. Over the
// sample SQLite file, the choices reach the file when the record posts.
#include <gtest/gtest.h>

#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKv.h"
#include "platform/controls/EditClass.h"
#include "platform/controls/MonthCalClass.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SampleDatabase.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Queue.h"
#include "platform/win/Win.h"
#include "tests/grid/TestCellEditing.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvDropDownTest : public DBGridShopTest {
 protected:
  void SetUp() override {
    DBGridShopTest::SetUp();
    Column(cItem)->GetPickList()->SetCommaText("Apple,Banana,Cherry,Pear,Plum");
  }
  TEditButtonControlKv* Button(Integer Index) { return Editor()->GetEditButtonControl(Index); }
  // A point inside button Index, in the editor's client coordinates; Top
  // picks the upper half of an up-down pair.
  TPoint OnButton(Integer Index, bool Top = true) {
    const TRect B = Button(Index)->GetBoundsRect();
    return Point((B.Left + B.Right) / 2, Top ? B.Top + 2 : B.Bottom - 3);
  }
  void ClickButton(Integer Index, bool Top = true) {
    Advance(600);  // no double click with the last one
    Input.Click(Editor()->GetHandle(), OnButton(Index, Top));
  }
  bool Shown(TWinControl* List) {
    return List && List->HandleAllocated() && IsWindowVisible(List->GetHandle());
  }
  TRect ScreenBox(TWinControl* Control) {
    TRect R;
    GetWindowRect(Control->GetHandle(), &R);
    return R;
  }
  // The client point of the pick list's line Index.
  TPoint OnLine(Integer Index) {
    TPopupListboxKv* List = Editor()->GetPickList();
    const Integer H = List->GetItemHeight();
    return Point(5, (Index - List->GetTopIndex()) * H + H / 2);
  }
  void AltDown() { Input.KeyPress(VK_DOWN, {ssAlt}); }
};

TEST_F(DBGridKvDropDownTest, APickListOpensUnderTheCellAndEnterTakesTheBrowsedLine) {
  EditCell(cItem);
  AltDown();
  TPopupListboxKv* List = Editor()->GetPickList();
  ASSERT_TRUE(Shown(List));
  EXPECT_TRUE(Editor()->GetDroppedDown());
  EXPECT_TRUE(Button(0)->GetAlwaysDown()) << "the main button shows pressed";
  EXPECT_EQ(List->GetItemIndex(), 0) << "the cell's own line";
  // Five lines under the default of seven rows, the frame included.
  EXPECT_EQ(List->GetHeight(), 5 * List->GetItemHeight() + 4);
  EXPECT_EQ(ScreenBox(List).Top, ScreenBox(Editor()).Bottom);
  EXPECT_EQ(ScreenBox(List).Left, ScreenBox(Editor()).Left);
  EXPECT_GE(List->GetWidth(), Editor()->GetWidth());
  EXPECT_EQ(GetFocus(), Editor()->GetHandle()) << "the focus stays in the cell";
  // Browsing shows each line in the cell; Enter keeps the last.
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Editor()->GetText(), "Cherry");
  EXPECT_EQ(Field("Item")->GetAsString(), "Apple") << "nothing is written while browsing";
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(Shown(List));
  EXPECT_FALSE(Button(0)->GetAlwaysDown());
  EXPECT_EQ(Editor()->GetText(), "Cherry");
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Cherry");
}

TEST_F(DBGridKvDropDownTest, EscapeOrAClickElsewhereLeavesTheFieldAsItWas) {
  EditCell(cItem);
  AltDown();
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_DOWN);
  ASSERT_EQ(Editor()->GetText(), "Cherry");
  Input.KeyPress(VK_ESCAPE);
  EXPECT_FALSE(Shown(Editor()->GetPickList()));
  EXPECT_EQ(Editor()->GetText(), "Apple") << "the text from before the list opened";
  EXPECT_TRUE(EditorShown()) << "Escape closed only the list";
  // The focus goes to another control: the list closes, refusing.
  auto* Other = TEdit::Create(Form);
  Other->SetBounds(0, 220, 100, 24);
  Other->SetParent(Form);
  Input.KeyPress(VK_DOWN, {ssAlt});
  Input.KeyPress(VK_UP);  // already on the first line
  Input.KeyPress(VK_DOWN);
  ASSERT_EQ(Editor()->GetText(), "Banana");
  Input.Click(Other->GetHandle(), Point(5, 5));
  EXPECT_FALSE(Shown(Editor()->GetPickList()));
  EXPECT_FALSE(Editor()->GetListVisible());
  if (Orders->GetState() == dsEdit) Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Apple");
}

TEST_F(DBGridKvDropDownTest, AltUpAcceptsAndTheWheelOverAnOpenListChangesNothing) {
  EditCell(cItem);
  AltDown();
  Input.KeyPress(VK_NEXT);  // a page down: the last line
  EXPECT_EQ(Editor()->GetText(), "Plum");
  const Integer Record = Orders->GetRecNo();
  Input.Wheel(Editor()->GetHandle(), -120, Point(5, 5));
  Input.Wheel(Editor()->GetHandle(), -120, Point(5, 5));
  EXPECT_EQ(Orders->GetRecNo(), Record) << "the grid did not scroll";
  EXPECT_TRUE(Shown(Editor()->GetPickList()));
  EXPECT_EQ(Editor()->GetText(), "Plum");
  Input.KeyPress(VK_UP, {ssAlt});
  EXPECT_FALSE(Shown(Editor()->GetPickList()));
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Plum");
}

TEST_F(DBGridKvDropDownTest, ThePressOfTheButtonOpensTheListAndALaterClickClosesIt) {
  EditCell(cItem);
  TPopupListboxKv* List = nullptr;
  // Press and release on the button: the list opens and stays.
  ClickButton(0);
  List = Editor()->GetPickList();
  ASSERT_TRUE(Shown(List));
  EXPECT_FALSE(Editor()->GetDropDownByButton()) << "the click after the press was seen";
  // The second click closes it without taking anything.
  Input.KeyPress(VK_DOWN);
  ClickButton(0);
  EXPECT_FALSE(Shown(List));
  EXPECT_EQ(Editor()->GetText(), "Apple");
  // Open again, and a click on a line takes that line.
  ClickButton(0);
  ASSERT_TRUE(Shown(List));
  Input.Click(List->GetHandle(), OnLine(3));
  EXPECT_FALSE(Shown(List));
  EXPECT_EQ(Editor()->GetText(), "Pear");
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Pear");
}

TEST_F(DBGridKvDropDownTest, PressingTheButtonAndDraggingIntoTheListChoosesWhereReleased) {
  EditCell(cItem);
  const TPoint From = OnButton(0);
  Input.MouseDown(mbLeft, Editor()->GetHandle(), From);
  TPopupListboxKv* List = Editor()->GetPickList();
  ASSERT_TRUE(Shown(List));
  // Down the list to its third line, still holding the button.
  const TPoint Target = Editor()->ScreenToClient(List->ClientToScreen(OnLine(2)));
  Input.MouseMove(Editor()->GetHandle(), Point(From.X, From.Y + 10));
  Input.MouseMove(Editor()->GetHandle(), Target);
  Input.MouseUp(mbLeft, Editor()->GetHandle(), Target);
  EXPECT_FALSE(Shown(List));
  EXPECT_EQ(Editor()->GetText(), "Cherry");
}

TEST_F(DBGridKvDropDownTest, AKeyListOffersOnlyTheLinesWithAKeyAndWritesTheKey) {
  Column(cStatus)->GetKeyList()->SetCommaText("Y,N");
  Column(cStatus)->GetPickList()->SetCommaText("Yes,No,Maybe");
  EditCell(cStatus);
  ASSERT_EQ(Editor()->GetText(), "Yes");
  AltDown();
  TPopupListboxKv* List = Editor()->GetPickList();
  ASSERT_EQ(List->GetItems()->GetCount(), 2);
  EXPECT_EQ(List->GetItemIndex(), 0);
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_DOWN);  // stays on the last line with a key
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Editor()->GetText(), "No");
  Orders->Post();
  EXPECT_EQ(Field("Status")->GetAsString(), "N");
  // A record without a value opens the list with no line chosen.
  Orders->Last();
  EditCell(cStatus);
  AltDown();
  EXPECT_EQ(Editor()->GetPickList()->GetItemIndex(), -1);
  Input.KeyPress(VK_RETURN);
  EXPECT_TRUE(Field("Status")->IsNull()) << "Enter on no line chose nothing";
}

TEST_F(DBGridKvDropDownTest, ALongListShowsItsRowsAndKeepsTheSizeTheUserGaveIt) {
  TStrings* Picks = Column(cItem)->GetPickList();
  Picks->Clear();
  for (int I = 1; I <= 12; ++I) Picks->Add("Fruit " + std::to_string(I));
  Column(cItem)->SetDropDownSizing(true);
  EditCell(cItem);
  AltDown();
  TPopupListboxKv* List = Editor()->GetPickList();
  const Integer H = List->GetItemHeight();
  EXPECT_EQ(List->GetHeight(), 7 * H + 4);
  ASSERT_TRUE(List->GetSizeGrip()->HandleAllocated() &&
              IsWindowVisible(List->GetSizeGrip()->GetHandle()));
  // Closed without sizing, the column keeps its settings.
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Column(cItem)->GetDropDownRows(), 7u);
  EXPECT_EQ(Column(cItem)->GetDropDownWidth(), 0);
  // The user drags the grip two rows lower and wider.
  AltDown();
  TSizeGripKv* Grip = List->GetSizeGrip();
  const TPoint G = Point(Grip->GetWidth() - 3, Grip->GetHeight() - 3);
  Input.Drag(Grip->GetHandle(), G, Point(G.X + 30, G.Y + 2 * H), 4);
  const Integer Width = List->GetWidth();
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Column(cItem)->GetDropDownRows(), 9u);
  EXPECT_EQ(Column(cItem)->GetDropDownWidth(), Width);
  // The next opening shows nine rows.
  AltDown();
  EXPECT_EQ(List->GetHeight(), 9 * H + 4);
}

TEST_F(DBGridKvDropDownTest, TheCalendarOpensOnTheCellsDateAndEnterWritesTheDayChosen) {
  EditCell(cOrdered);
  ASSERT_EQ(Editor()->GetEditStyle(), cesDateKv);
  AltDown();
  TPopupMonthCalendarKv* Calendar = Editor()->GetCalendar();
  ASSERT_TRUE(Shown(Calendar));
  EXPECT_EQ(Calendar->GetDate(), EncodeDate(2024, 1, 5));
  EXPECT_EQ(ScreenBox(Calendar).Top, ScreenBox(Editor()).Bottom);
  // The arrows move the day in the calendar, not the caret.
  Input.KeyPress(VK_RIGHT);
  Input.KeyPress(VK_RIGHT);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Calendar->GetDate(), EncodeDate(2024, 1, 14));
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(Shown(Calendar));
  EXPECT_EQ(Field("Ordered")->GetAsDateTime(), EncodeDate(2024, 1, 14));
  EXPECT_EQ(Editor()->GetText(), DateToStr(EncodeDate(2024, 1, 14)));
  Orders->Post();
  EXPECT_EQ(Field("Ordered")->GetAsDateTime(), EncodeDate(2024, 1, 14));
  // Escape leaves the date.
  EditCell(cOrdered);
  AltDown();
  Input.KeyPress(VK_LEFT);
  Input.KeyPress(VK_ESCAPE);
  EXPECT_FALSE(Shown(Calendar));
  EXPECT_EQ(Field("Ordered")->GetAsDateTime(), EncodeDate(2024, 1, 14));
}

TEST_F(DBGridKvDropDownTest, TheCalendarOfAnEmptyOrUnreadableTextStartsOnTodayOrTheStoredDay) {
  Orders->Last();  // no date
  EditCell(cOrdered);
  AltDown();
  EXPECT_EQ(Editor()->GetCalendar()->GetDate(), Date());
  Input.KeyPress(VK_ESCAPE);
  Orders->First();
  EditCell(cOrdered);
  Editor()->SelectAll();
  Input.Type("1/");  // not a date yet
  AltDown();
  EXPECT_EQ(Editor()->GetCalendar()->GetDate(), EncodeDate(2024, 1, 5));
  Input.KeyPress(VK_ESCAPE);
}

TEST_F(DBGridKvDropDownTest, TheCalculatorComputesFromTheCellsNumberAndEnterWritesTheResult) {
  Column(cWeight)->SetButtonStyle(cbsDropDown);
  EditCell(cWeight);
  ClickButton(0);
  TPopupCalculatorKv* Calculator = Editor()->GetCalculator();
  ASSERT_TRUE(Shown(Calculator));
  EXPECT_EQ(Calculator->GetValue().AsDouble(), 0.5);
  // Keys go to the calculator while it is open; the cell keeps its text.
  Input.Type("*4");
  Input.KeyPress(VK_RETURN);  // computes: 2
  EXPECT_TRUE(Shown(Calculator));
  EXPECT_EQ(Editor()->GetText(), "0.5");
  Input.KeyPress(VK_RETURN);  // nothing pending: takes it
  EXPECT_FALSE(Shown(Calculator));
  EXPECT_EQ(Editor()->GetText(), "2");
  Orders->Post();
  EXPECT_EQ(Field("Weight")->GetAsFloat(), 2.0);
  // Escape keeps what is there.
  EditCell(cWeight);
  ClickButton(0);
  Input.Type("9");
  Input.KeyPress(VK_ESCAPE);
  EXPECT_FALSE(Shown(Calculator));
  EXPECT_EQ(Editor()->GetText(), "2");
  EXPECT_FALSE(Orders->GetState() == dsEdit && Field("Weight")->GetAsFloat() != 2.0);
}

TEST_F(DBGridKvDropDownTest, TheCalculatorStaysShutOnATextThatIsNoNumber) {
  Column(cWeight)->SetButtonStyle(cbsDropDown);
  EditCell(cWeight);
  Editor()->SelectAll();
  Input.Type("1..5");
  AltDown();
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_FALSE(Shown(Editor()->GetCalculator()));
  ASSERT_EQ(Application()->GetHandledExceptions().size(), 1u) << "the conversion's error is shown";
  Application()->ClearHandledExceptions();
  EXPECT_EQ(Editor()->GetText(), "1..5") << "nothing typed is lost";
  // Mended, it opens.
  Input.KeyPress(VK_BACK);
  Input.KeyPress(VK_BACK);
  Input.KeyPress(VK_BACK);
  AltDown();
  EXPECT_TRUE(Shown(Editor()->GetCalculator()));
  EXPECT_EQ(Editor()->GetCalculator()->GetValue().AsDouble(), 1.0);
}

TEST_F(DBGridKvDropDownTest, AnOpenListClosesWithoutTakingItWhenTheEditorIsLoadedAgain) {
  EditCell(cItem);
  AltDown();
  Input.KeyPress(VK_DOWN);
  TPopupListboxKv* List = Editor()->GetPickList();
  ASSERT_TRUE(Shown(List));
  // The program changes the cell's field meanwhile: the editor takes the
  // new text, and the list of the old one does not stay behind.
  Orders->Edit();
  Field("Item")->SetAsString("Kiwi");
  ASSERT_EQ(Editor()->GetText(), "Kiwi");
  EXPECT_FALSE(Shown(List)) << "no list stays behind";
  EXPECT_FALSE(Editor()->GetDroppedDown());
  EXPECT_FALSE(Button(0)->GetAlwaysDown());
  // Opened again, it offers its lines and Escape keeps the new text.
  AltDown();
  ASSERT_TRUE(Shown(List));
  EXPECT_EQ(List->GetItemIndex(), -1);
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Editor()->GetText(), "Kiwi");
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Kiwi");
}

TEST_F(DBGridKvDropDownTest, TheEllipsisFiresTheGridsEventThenTheColumnsAndCtrlEnterTheGridsOnly) {
  Column(cItem)->GetPickList()->Clear();
  Column(cItem)->SetButtonStyle(cbsEllipsis);
  std::vector<String> Log;
  Grid->OnEditButtonClick = [&](TObject*) { Log.push_back("grid"); };
  Column(cItem)->OnEditButtonClick = [&](TObject*, bool&) { Log.push_back("column"); };
  EditCell(cItem);
  ClickButton(0);
  EXPECT_EQ(Log, (std::vector<String>{"grid", "column"}));
  Log.clear();
  Input.KeyPress(VK_END);
  Input.KeyPress(VK_RETURN, {ssCtrl});
  EXPECT_EQ(Log, (std::vector<String>{"grid"}));
  EXPECT_EQ(Editor()->GetText(), "Apple") << "no line feed was typed";
  EXPECT_TRUE(EditorShown());
}

TEST_F(DBGridKvDropDownTest, TheUpDownButtonStepsByTheIncrementAndRepeatsWhileHeld) {
  Column(cQty)->SetButtonStyle(cbsUpDown);
  Column(cQty)->SetIncrement(2);
  EditCell(cQty);
  ClickButton(0, true);
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 5);
  EXPECT_EQ(Editor()->GetText(), "5");
  ClickButton(0, false);
  ClickButton(0, false);
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 1);
  // Held down: once at the press, after 400 ms, then every 100 ms.
  Advance(600);
  Input.MouseDown(mbLeft, Editor()->GetHandle(), OnButton(0, true));
  Advance(400);
  Advance(100);
  Advance(100);
  Input.MouseUp(mbLeft, Editor()->GetHandle(), OnButton(0, true));
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 9);
  Advance(500);
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 9) << "released, it stops";
  // A typed number is the start of the step.
  Editor()->SelectAll();
  Input.Type("20");
  ClickButton(0, false);
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 18);
  Orders->Post();
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 18);
}

TEST_F(DBGridKvDropDownTest, TheUpDownButtonOfAListGoesBackUpwardsAndForwardDownwards) {
  Column(cItem)->SetButtonStyle(cbsUpDown);
  Column(cItem)->SetIncrement(2);  // a list moves one line whatever the step
  EditCell(cItem);
  ClickButton(0, false);
  EXPECT_EQ(Field("Item")->GetAsString(), "Banana");
  ClickButton(0, true);
  ClickButton(0, true);
  EXPECT_EQ(Field("Item")->GetAsString(), "Plum") << "back past the first line to the last";
}

TEST_F(DBGridKvDropDownTest, AColumnsButtonFiresItsEventsAndItsShortcutPressesIt) {
  TEditButtonKv* Extra = Column(cItem)->GetEditButtons()->Add();
  Extra->SetVisible(true);
  Extra->SetShortCut(ShortCut(VK_F4, {}));
  std::vector<String> Log;
  Extra->OnDown = [&](TObject*, bool Top, bool&, bool&) {
    Log.push_back(Top ? "down top" : "down");
  };
  Extra->OnClick = [&](TObject*, bool&) { Log.push_back("click"); };
  EditCell(cItem);
  ClickButton(1);
  EXPECT_EQ(Log, (std::vector<String>{"down top", "click"}));
  EXPECT_FALSE(Shown(Editor()->GetPickList())) << "only the main button drops the list";
  Log.clear();
  Input.KeyPress(VK_F4);
  EXPECT_EQ(Log, (std::vector<String>{"down", "click"}));
}

TEST_F(DBGridKvDropDownTest, AButtonsMenuOpensUnderItAndThePressThatClosesItDoesNotReopenIt) {
  TEditButtonKv* First = Column(cItem)->GetEditButtons()->Add();
  First->SetVisible(true);
  TEditButtonKv* Second = Column(cItem)->GetEditButtons()->Add();
  Second->SetVisible(true);
  auto Menu = [&](const char* Caption) {
    TPopupMenu* M = TPopupMenu::Create(Form);
    TMenuItem* Item = TMenuItem::Create(M);
    Item->SetCaption(Caption);
    M->GetItems()->Add(Item);
    return M;
  };
  TPopupMenu* MenuOne = Menu("One");
  TPopupMenu* MenuTwo = Menu("Two");
  First->SetDropdownMenu(MenuOne);
  Second->SetDropdownMenu(MenuTwo);
  EditCell(cItem);
  const TRect B1 = Button(1)->GetBoundsRect();
  // While the menu is up the user presses its button again: the menu goes,
  // and the press reaches the editor behind the menu's marker.
  MenuOne->OnPopup = [&](TObject*) {
    const LPARAM At = MAKELPARAM(WORD(B1.Left + 2), WORD(B1.Top + 2));
    PostMessage(Editor()->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    PostMessage(Editor()->GetHandle(), WM_LBUTTONUP, 0, At);
    MenuOne->OnPopup = nullptr;
  };
  ClickButton(1);
  ASSERT_EQ(GetPopupLog().size(), 1u);
  EXPECT_EQ(GetPopupLog()[0].Pos, Editor()->ClientToScreen(Point(B1.Left, B1.Bottom)));
  // The guard is the button's own: the other button's menu opens meanwhile.
  const TRect B2 = Button(2)->GetBoundsRect();
  MenuOne->OnPopup = [&](TObject*) {
    const LPARAM At = MAKELPARAM(WORD(B2.Left + 2), WORD(B2.Top + 2));
    PostMessage(Editor()->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    PostMessage(Editor()->GetHandle(), WM_LBUTTONUP, 0, At);
    MenuOne->OnPopup = nullptr;
  };
  ClickButton(1);
  ASSERT_EQ(GetPopupLog().size(), 3u);
  EXPECT_EQ(GetPopupLog()[2].Menu, MenuTwo);
  // Later presses open the menu again, at the right corner for paRight.
  MenuOne->SetAlignment(paRight);
  ClickButton(1);
  ASSERT_EQ(GetPopupLog().size(), 4u);
  EXPECT_EQ(GetPopupLog()[3].Pos, Editor()->ClientToScreen(Point(B1.Right, B1.Bottom)));
}

// Over the sample file: a pick list, the calendar and the calculator each
// change a customer, and the file has all three after the post.
class DBGridKvSampleDropDownTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    CreateSampleDatabase(File.Name);
    Customers = TSQLiteDataSet::Create(Form);
    Customers->SetDatabaseName(File.Name);
    Customers->SetTableName("customers");
    Customers->Open();
    Source = TDataSource::Create(Form);
    Source->SetDataSet(Customers);
    Grid->SetDataSource(Source);
    Grid->SetFocus();
  }
  void TearDown() override {
    ResetPopupScript();
    DBGridOnFormTest::TearDown();
  }
  Variant Stored(const char* FieldName) {
    TObjectPtr<TSQLiteDataSet> Check(TSQLiteDataSet::Create(nullptr));
    Check->SetDatabaseName(File.Name);
    Check->SetSQL("SELECT * FROM customers WHERE id = 1");
    Check->Open();
    return Check->FieldByName(FieldName)->GetValue();
  }
  TColumnKv* ColumnOf(const char* FieldName) {
    return Grid->Column(Customers->FieldByName(FieldName)->GetIndex());
  }
  void Edit(const char* FieldName) {
    Grid->SetCol(Customers->FieldByName(FieldName)->GetIndex() + Grid->GetIndicatorOffset());
    Grid->ShowEditor();
  }
  TDBGridInplaceEdit* Editor() { return Grid->GetDBInplaceEditor(); }
  TSQLiteDataSet* Customers = nullptr;
  TDataSource* Source = nullptr;
  TTempFile File{"dropdowns"};
};

TEST_F(DBGridKvSampleDropDownTest, ThreeDropDownsChangeACustomerAndTheFileHasEveryChange) {
  ColumnOf("city")->GetPickList()->SetCommaText("Lisbon,Oslo,Turin");
  ColumnOf("credit")->SetButtonStyle(cbsDropDown);
  const TDateTime Since = Customers->FieldByName("since")->GetAsDateTime();
  const double Credit = Customers->FieldByName("credit")->GetAsFloat();
  // The city from its pick list.
  Edit("city");
  Input.KeyPress(VK_DOWN, {ssAlt});
  Input.KeyPress(VK_NEXT);
  Input.KeyPress(VK_RETURN);
  Customers->Post();
  // The customer's first day one week later, in the calendar.
  Edit("since");
  Input.KeyPress(VK_DOWN, {ssAlt});
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_RETURN);
  Customers->Post();
  // Credit doubled in the calculator.
  Edit("credit");
  Input.KeyPress(VK_RETURN, {ssCtrl});
  ASSERT_TRUE(Editor()->GetListVisible());
  Input.Type("*2");
  Input.KeyPress(VK_RETURN);
  Input.KeyPress(VK_RETURN);
  Customers->Post();
  EXPECT_EQ(Stored("city"), Variant("Turin"));
  EXPECT_EQ(VarToStr(Stored("since")), DateToStr(Since + 7));
  EXPECT_EQ(Stored("credit").AsDouble(), Credit * 2);
}

}  // namespace
}  // namespace korvel
