// The grid's in-place editor as a user meets it: each column's cells get the
// edit style of their button style and field, with the style's button at the
// cell's edge and the column's own buttons beside it, the text in the room
// that is left (margins, image, buttons), the image of the value, a red line
// under an empty required field, the arrow and no caret move beside the
// text, word wrap, and what the cell-parameter events change. Typed values
// reach the field through the column and the sample SQLite file when the
// record posts; a bad one is refused with the field's error and the typed
// text stays.
//
// Ideas for tests: the tree area of a dataset shown as a tree, once the grid
// draws trees. The buttons' presses and the drop-downs are tested in
// DBGridKvInplaceEditDropDownTest.cpp.
#include <gtest/gtest.h>

#include <functional>

#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKv.h"
#include "platform/controls/EditClass.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Cursors.h"
#include "platform/win/Win.h"
#include "tests/grid/TestCellEditing.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvInplaceEditTest : public DBGridShopTest {
 protected:
  TEditButtonControlKv* Button(Integer Index) { return Editor()->GetEditButtonControl(Index); }
  TRect ButtonBox(Integer Index) { return Button(Index)->GetBoundsRect(); }
  // The text rectangle the edit window was given.
  TRect FormatRect() {
    TRect R{};
    SendMessage(Editor()->GetHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&R));
    return R;
  }
  // A pixel of the editor's client area, as the screen shows it.
  COLORREF Pixel(Integer X, Integer Y) {
    UpdateWindow(Form->GetHandle());
    const TRect W = GetWindowSurfaceRect(Editor()->GetHandle());
    return GetWindowSurface(Form->GetHandle())->GetPixel(W.Left + X, W.Top + Y);
  }
  // The bounding box, in editor coordinates, of the editor's pixels of Colour.
  TRect ColourBox(TColor Colour) {
    UpdateWindow(Form->GetHandle());
    const TRect W = GetWindowSurfaceRect(Editor()->GetHandle());
    const TSurface* S = GetWindowSurface(Form->GetHandle());
    TRect Box{0, 0, 0, 0};
    bool Any = false;
    for (Integer Y = 0; Y < W.Height(); ++Y)
      for (Integer X = 0; X < W.Width(); ++X) {
        if (S->GetPixel(W.Left + X, W.Top + Y) != ColorToRGB(Colour)) continue;
        if (!Any) Box = TRect{X, Y, X + 1, Y + 1};
        Box.Left = std::min(Box.Left, X);
        Box.Top = std::min(Box.Top, Y);
        Box.Right = std::max(Box.Right, X + 1);
        Box.Bottom = std::max(Box.Bottom, Y + 1);
        Any = true;
      }
    return Box;
  }
  const Integer SB = GetSystemMetrics(SM_CXVSCROLL);
};

TEST_F(DBGridKvInplaceEditTest, EachCellGetsTheEditStyleOfItsColumnsButtonStyleAndField) {
  const struct {
    const char* Name;
    Integer Col;
    std::function<void()> Set;
    TColumnEditStyleKv Style;
    TEditButtonStyleKv Face;  // of the main button, when it shows
  } Cases[] = {
      {"a text", cItem, [] {}, cesPlainKv, ebsDropDownKv},
      {"an ellipsis", cItem, [&] { Column(cItem)->SetButtonStyle(cbsEllipsis); }, cesEllipsisKv,
       ebsEllipsisKv},
      {"an up-down", cQty, [&] { Column(cQty)->SetButtonStyle(cbsUpDown); }, cesUpDownKv,
       ebsUpDownKv},
      {"a drop-down on a text", cItem, [&] { Column(cItem)->SetButtonStyle(cbsDropDown); },
       cesDropDownKv, ebsDropDownKv},
      {"a drop-down on a number", cWeight, [&] { Column(cWeight)->SetButtonStyle(cbsDropDown); },
       cesDropDownKv, ebsDropDownKv},
      {"no button over a pick list", cItem,
       [&] {
         Column(cItem)->GetPickList()->SetCommaText("Apple,Pear");
         Column(cItem)->SetButtonStyle(cbsNone);
       },
       cesPlainKv, ebsDropDownKv},
      {"a pick list", cItem, [&] { Column(cItem)->GetPickList()->SetCommaText("Apple,Pear"); },
       cesPickListKv, ebsDropDownKv},
      {"a read-only pick list", cItem,
       [&] {
         Column(cItem)->GetPickList()->SetCommaText("Apple,Pear");
         Column(cItem)->SetReadOnly(true);
       },
       cesPlainKv, ebsDropDownKv},
      {"a date", cOrdered, [] {}, cesDateKv, ebsDropDownKv},
      {"a read-only date", cOrdered, [&] { Column(cOrdered)->SetReadOnly(true); }, cesPlainKv,
       ebsDropDownKv},
      {"a lookup", cCustomer, [] {}, cesDataListKv, ebsDropDownKv},
      {"a lookup with a read-only key", cCustomer, [&] { Field("CustID")->SetReadOnly(true); },
       cesPlainKv, ebsDropDownKv},
      {"a lookup in a read-only grid", cCustomer, [&] { Grid->SetReadOnly(true); }, cesPlainKv,
       ebsDropDownKv},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Grid->HideEditor();
    Case.Set();
    EditCell(Case.Col);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->GetEditStyle(), Case.Style);
    EXPECT_EQ(GetColumnEditStyle(Column(Case.Col)), Case.Style) << "the painting's answer too";
    EXPECT_EQ(Button(0)->GetVisible(), Case.Style != cesPlainKv);
    if (Case.Style != cesPlainKv) {
      EXPECT_EQ(Button(0)->GetStyle(), Case.Face);
    }
    Column(Case.Col)->RestoreDefaults();
    Column(Case.Col)->SetButtonStyle(cbsAuto);
    Field("CustID")->SetReadOnly(false);
    Grid->SetReadOnly(false);
  }
  // A lookup whose key cannot be written shows its list while the form is
  // designed, never in the editor.
  Field("CustID")->SetReadOnly(true);
  Grid->SetDesigning(true);
  EXPECT_EQ(GetColumnEditStyle(Column(cCustomer)), cesDataListKv);
  Grid->SetDesigning(false);
  EXPECT_EQ(GetColumnEditStyle(Column(cCustomer)), cesPlainKv);
  // A column without a field is plain.
  TObjectPtr<TDBGridColumnKv> Alone(TDBGridColumnKv::Create(nullptr));
  EXPECT_EQ(GetColumnEditStyle(Alone.get()), cesPlainKv);
}

TEST_F(DBGridKvInplaceEditTest, TheDropDownsAreMadeOnFirstUseAndKeptForLaterCells) {
  EditCell(cItem);
  EXPECT_EQ(Editor()->GetActiveList(), nullptr);
  EXPECT_EQ(Editor()->GetCalendar(), nullptr);
  EditCell(cOrdered);
  TPopupMonthCalendarKv* Calendar = Editor()->GetCalendar();
  ASSERT_NE(Calendar, nullptr);
  EXPECT_EQ(Editor()->GetActiveList(), Calendar);
  EXPECT_FALSE(Calendar->GetVisible()) << "made, not shown";
  EXPECT_EQ(Calendar->GetOwner(), Editor());
  Orders->Next();
  EditCell(cOrdered);
  EXPECT_EQ(Editor()->GetCalendar(), Calendar) << "the same calendar for the next date";
  // A pick list shows the column's images; a calculator comes only for numbers.
  TImageList* Images = MakeImages({clRed});
  Column(cStatus)->GetPickList()->SetCommaText("Y,N");
  Column(cStatus)->SetImageList(Images);
  Column(cStatus)->SetShowImageAndText(true);
  EditCell(cStatus);
  ASSERT_NE(Editor()->GetPickList(), nullptr);
  EXPECT_EQ(Editor()->GetActiveList(), Editor()->GetPickList());
  EXPECT_EQ(Editor()->GetPickList()->GetImages(), Images);
  Column(cItem)->SetButtonStyle(cbsDropDown);
  EditCell(cItem);
  EXPECT_EQ(Editor()->GetActiveList(), nullptr) << "no calculator for a text";
  EXPECT_EQ(Editor()->GetCalculator(), nullptr);
  Column(cWeight)->SetButtonStyle(cbsDropDown);
  EditCell(cWeight);
  ASSERT_NE(Editor()->GetCalculator(), nullptr);
  EXPECT_EQ(Editor()->GetActiveList(), Editor()->GetCalculator());
}

TEST_F(DBGridKvInplaceEditTest, TheStylesButtonStandsAtTheCellsEdgeAndTheTextBesideIt) {
  // [Case] Plain: no button; the text between the margins.
  EditCell(cItem);
  const Integer W = Editor()->GetWidth();
  const Integer H = Editor()->GetHeight();
  EXPECT_EQ(Editor()->GetClientWidth(), W) << "the editor has no border";
  EXPECT_EQ(Editor()->GetButtonWidth(), 0);
  EXPECT_EQ(FormatRect(), (TRect{2, 2, W - 2, H}));
  EXPECT_EQ(Pixel(W - 3, H / 2), ColorToRGB(clWindow));
  // [Case] A date: the drop-down button at the right edge, full height.
  EditCell(cOrdered);
  const Integer DW = Editor()->GetWidth();
  EXPECT_EQ(ButtonBox(0), (TRect{DW - SB, 0, DW, H}));
  EXPECT_FALSE(Editor()->GetEditButtonSeparator(0)->GetVisible());
  EXPECT_EQ(Editor()->GetButtonWidth(), SB);
  EXPECT_EQ(FormatRect(), (TRect{2, 2, DW - 2 - SB, H}));
  EXPECT_EQ(Button(0)->GetTag(), 0);
  EXPECT_TRUE(Button(0)->GetActive());
  EXPECT_EQ(Pixel(DW - SB + 2, H / 2), ColorToRGB(clBtnFace)) << "the button is painted";
  EXPECT_EQ(Pixel(DW - SB - 3, H / 2), ColorToRGB(clWindow));
  // [Case] Flat: the flat width, and a line of the button face beside it.
  Grid->SetFlat(true);
  Grid->SetFocus();
  EditCell(cOrdered);
  const Integer FB = FlatButtonWidth();
  const Integer FH = Editor()->GetHeight();
  TShape* Line = Editor()->GetEditButtonSeparator(0);
  EXPECT_EQ(ButtonBox(0).Left, DW - FB);
  EXPECT_EQ(ButtonBox(0).Width(), FB);
  EXPECT_TRUE(Line->GetVisible());
  EXPECT_EQ(Line->GetBoundsRect(), (TRect{DW - FB - 1, 0, DW - FB, ButtonBox(0).Height()}));
  EXPECT_EQ(Line->GetPen()->GetColor(), clBtnFace);
  EXPECT_EQ(Editor()->GetButtonWidth(), FB + 1);
  EXPECT_EQ(FormatRect(), (TRect{2, 1, DW - 2 - FB - 1, FH - 1}));
  // A font taller than the room takes the editor's last pixel row too.
  Column(cOrdered)->GetFont()->SetSize(20);
  Grid->HideEditor();
  EditCell(cOrdered);
  EXPECT_EQ(FormatRect().Bottom, FH);
}

TEST_F(DBGridKvInplaceEditTest, AColumnsButtonsStandOutsideTheMainOneAndShareTheSmallestHeight) {
  TColumnKv* Item = Column(cItem);
  TEditButtonsKv* Buttons = Item->GetEditButtons();
  TEditButtonKv* Wide = Buttons->Add();
  Wide->SetWidth(20);
  Wide->SetStyle(ebsEllipsisKv);
  Wide->SetHint("More");
  TEditButtonKv* Hidden = Buttons->Add();
  Hidden->SetVisible(false);
  TEditButtonKv* Narrow = Buttons->Add();
  Narrow->SetEnabled(false);
  Item->GetPickList()->SetCommaText("Apple,Pear");
  EditCell(cItem);
  ASSERT_EQ(Editor()->GetEditButtonCount(), 4);
  const Integer W = Editor()->GetWidth();
  const Integer H = Editor()->GetHeight();
  // From the right edge: the last button, then inwards to the main one.
  EXPECT_EQ(ButtonBox(3), (TRect{W - SB, 0, W, H}));
  EXPECT_FALSE(Button(2)->GetVisible());
  EXPECT_EQ(ButtonBox(1), (TRect{W - SB - 20, 0, W - SB, H}));
  EXPECT_EQ(ButtonBox(0), (TRect{W - 2 * SB - 20, 0, W - SB - 20, H}));
  EXPECT_EQ(Editor()->GetButtonWidth(), 2 * SB + 20);
  EXPECT_EQ(FormatRect().Right, W - 2 - 2 * SB - 20);
  EXPECT_EQ(Button(1)->GetStyle(), ebsEllipsisKv);
  EXPECT_EQ(Button(1)->GetHint(), "More");
  EXPECT_FALSE(Button(3)->GetEnabled());
  EXPECT_TRUE(Button(0)->GetEnabled());
  // Each button's tag is its place, so that a menu's guard stops only its own.
  for (Integer I = 0; I < 4; ++I) EXPECT_EQ(Button(I)->GetTag(), I);
  // In a cell 18 pixels high every button is 18 high; a flat main button of
  // 11 proposes 16, and then every button is 16 high.
  const TRect Cell = Editor()->GetBoundsRect();
  Editor()->Move(TRect{Cell.Left, Cell.Top, Cell.Right, Cell.Top + 18});
  for (Integer I : {0, 1, 3}) EXPECT_EQ(ButtonBox(I).Height(), 18) << I;
  // A flat narrow button of its own asks for its width: every button that
  // high; a wide one asks for the cell's height.
  Grid->SetFlat(true);
  Grid->SetFocus();
  EditCell(cItem);
  Editor()->Move(TRect{Cell.Left, Cell.Top, Cell.Right, Cell.Top + 18});
  for (Integer I : {0, 1, 3}) EXPECT_EQ(ButtonBox(I).Height(), FlatButtonWidth()) << I;
  Narrow->SetWidth(20);
  Grid->SetFocus();
  EditCell(cItem);
  ASSERT_EQ(FlatButtonWidth(), 11);
  Editor()->Move(TRect{Cell.Left, Cell.Top, Cell.Right, Cell.Top + 18});
  for (Integer I : {0, 1, 3}) EXPECT_EQ(ButtonBox(I).Height(), 16) << I;
  // Without the main button, two buttons of 20 in 18 pixels are 18 high.
  Item->GetPickList()->Clear();
  Grid->HideEditor();
  EditCell(cItem);
  Editor()->Move(TRect{Cell.Left, Cell.Top, Cell.Right, Cell.Top + 18});
  EXPECT_FALSE(Button(0)->GetVisible());
  for (Integer I : {1, 3}) EXPECT_EQ(ButtonBox(I).Height(), 18) << I;
  // Fewer buttons later: the surplus ones hide.
  Buttons->Clear();
  Grid->HideEditor();
  EditCell(cItem);
  EXPECT_EQ(Editor()->GetEditButtonCount(), 1);
  EXPECT_EQ(Editor()->GetButtonWidth(), 0);
}

TEST_F(DBGridKvInplaceEditTest, ARightToLeftColumnHasItsButtonsAndItsImageRoomAtTheOtherSides) {
  SysLocale.MiddleEast = true;
  TColumnKv* Status = Column(cStatus);
  Status->SetBiDiMode(bdRightToLeft);
  Status->GetPickList()->SetCommaText("Y,N");
  Status->SetImageList(MakeImages({clRed, clBlue}, 12, 12));
  Status->SetShowImageAndText(true);
  Status->GetEditButtons()->Add()->SetWidth(20);
  EditCell(cStatus);
  const Integer W = Editor()->GetWidth();
  EXPECT_EQ(ButtonBox(1).Left, 0) << "the column's button outermost, at the left";
  EXPECT_EQ(ButtonBox(0).Left, 20);
  EXPECT_EQ(FormatRect().Left, 2 + 20 + SB);
  EXPECT_EQ(FormatRect().Right, W - 2 - 12 - 5);
  // The image stands in that room, at the right; the text keeps its own.
  const TRect Image = ColourBox(clRed);
  EXPECT_EQ(Image.Left, W - 2 - 12);
  EXPECT_EQ(Image.Right, W - 2);
  SysLocale.MiddleEast = false;
}

TEST_F(DBGridKvInplaceEditTest, AnImageColumnShowsTheImageOfItsValueBesideItsText) {
  TColumnKv* Qty = Column(cQty);
  Qty->SetImageList(MakeImages({clRed, clLime, clBlue, clYellow}));
  Qty->SetShowImageAndText(true);
  Qty->SetNotInKeyListIndex(1);
  EditCell(cQty);
  const Integer H = Editor()->GetHeight();
  EXPECT_EQ(FormatRect().Left, 2 + 10 + 5);
  EXPECT_EQ(Editor()->GetImageIndex(), 3);
  EXPECT_EQ(ColourBox(clYellow), (TRect{2, (H - 10) / 2, 12, (H - 10) / 2 + 10}));
  // An empty number has no image of its own: NotInKeyListIndex's.
  Orders->Last();
  EditCell(cQty);
  EXPECT_EQ(Editor()->GetImageIndex(), 1);
  EXPECT_EQ(ColourBox(clLime).Left, 2);
  EXPECT_EQ(ColourBox(clYellow), (TRect{0, 0, 0, 0}));
  // A pick-list column's image follows the text as it is typed.
  Grid->HideEditor();
  TColumnKv* Status = Column(cStatus);
  Status->GetPickList()->SetCommaText("Y,N,X");
  Status->SetImageList(MakeImages({clRed, clLime, clBlue}));
  Status->SetShowImageAndText(true);
  Orders->First();
  TypeInto(cStatus, "N");
  EXPECT_EQ(Editor()->GetImageIndex(), 1);
  EXPECT_EQ(ColourBox(clLime).Left, 2);
  Input.Type("X");
  EXPECT_EQ(Editor()->GetImageIndex(), -1) << "NX is no line, and no image stands for it";
  EXPECT_EQ(ColourBox(clLime), (TRect{0, 0, 0, 0}));
  Status->SetNotInKeyListIndex(2);
  Input.KeyPress(VK_BACK);
  Input.KeyPress(VK_BACK);
  Input.Type("X");
  EXPECT_EQ(Editor()->GetImageIndex(), 2);
  EXPECT_EQ(ColourBox(clBlue).Left, 2);
  EXPECT_EQ(ColourBox(clLime), (TRect{0, 0, 0, 0}));
}

TEST_F(DBGridKvInplaceEditTest, ClicksBesideTheTextLeaveTheCaretAndTheArrowShowsThere) {
  TColumnKv* Qty = Column(cQty);
  Qty->SetImageList(MakeImages({clRed, clLime, clBlue, clYellow}));
  Qty->SetShowImageAndText(true);
  Qty->SetButtonStyle(cbsUpDown);
  EditCell(cQty);
  Editor()->SetSelStart(1);
  Editor()->SetSelLength(0);
  const Integer H = Editor()->GetHeight();
  const Integer W = Editor()->GetWidth();
  Advance(1000);
  Input.Click(Editor()->GetHandle(), {6, H / 2});
  EXPECT_EQ(Editor()->GetSelStart(), 1) << "a click on the image";
  EXPECT_EQ(Editor()->GetSelLength(), 0);
  Advance(1000);
  Input.Click(Editor()->GetHandle(), {FormatRect().Left + 1, H / 2});
  EXPECT_EQ(Editor()->GetSelStart(), 0) << "a click on the text places the caret";
  Input.MouseMove(Editor()->GetHandle(), {6, H / 2});
  EXPECT_EQ(GetCursorName(GetCursor()), "IDC_ARROW");
  Input.MouseMove(Editor()->GetHandle(), {FormatRect().Left + 4, H / 2});
  EXPECT_EQ(GetCursorName(GetCursor()), "IDC_IBEAM");
  Input.MouseMove(Editor()->GetHandle(), {W - 3, H / 2});
  EXPECT_EQ(GetCursorName(GetCursor()), "IDC_ARROW") << "over the button";
}

TEST_F(DBGridKvInplaceEditTest, AnEmptyRequiredFieldIsUnderlinedInRedWhileItsRecordIsEdited) {
  for (const char* Name : {"Item", "Status"}) Field(Name)->SetRequired(true);
  Column(cItem)->SetHighlightRequired(true);
  Column(cStatus)->SetHighlightRequired(true);
  // Only an empty field of a record being edited has the line.
  Orders->SetRecNo(3);
  EditCell(cStatus);
  EXPECT_EQ(ColourBox(clRed), (TRect{0, 0, 0, 0})) << "empty, but browsed";
  Orders->Edit();
  Editor()->Invalidate();
  EXPECT_EQ(ColourBox(clRed).Top, Editor()->GetClientHeight() - 1) << "empty and edited";
  Orders->Cancel();
  Orders->First();
  Orders->Edit();
  EditCell(cStatus);
  EXPECT_EQ(ColourBox(clRed), (TRect{0, 0, 0, 0})) << "edited, but not empty";
  Orders->Cancel();
  Grid->HideEditor();
  Orders->Append();
  EditCell(cItem);
  const TRect R = FormatRect();
  const Integer H = Editor()->GetClientHeight();
  const TRect Line = ColourBox(clRed);
  EXPECT_EQ(Line.Top, H - 1);
  EXPECT_EQ(Line.Bottom, H);
  EXPECT_EQ(Line.Left, R.Left + 2);
  EXPECT_GE(Line.Right, R.Right - 3 - 3) << "the last dot may be short";
  EXPECT_LE(Line.Right, R.Right - 3);
  EXPECT_EQ(Pixel(R.Left + 4, H - 1), ColorToRGB(clRed));
  EXPECT_NE(Pixel(R.Left + 5, H - 1), ColorToRGB(clRed)) << "dotted";
  // The column's handler has the last word, with the editor's text.
  std::vector<String> Texts;
  bool Draw = false;
  Column(cItem)->OnCheckDrawRequiredState = [&](TObject* Sender, const String& Text,
                                                bool& DrawState) {
    EXPECT_EQ(Sender, Editor());
    Texts.push_back(Text);
    DrawState = Draw;
  };
  Input.Type("K");
  Editor()->Invalidate();
  EXPECT_EQ(ColourBox(clRed), (TRect{0, 0, 0, 0}));
  EXPECT_FALSE(Texts.empty());
  EXPECT_EQ(Texts.back(), "K");
  Orders->Cancel();
  Draw = true;
  EditCell(cItem);
  Editor()->Invalidate();
  EXPECT_EQ(Orders->GetState(), dsBrowse);
  EXPECT_EQ(ColourBox(clRed).Top, H - 1) << "forced in a browsed record";
}

TEST_F(DBGridKvInplaceEditTest, AWrappingColumnGetsAMultiLineEditorThatKeepsItsText) {
  auto Style = [&] { return GetWindowLong(Editor()->GetHandle(), GWL_STYLE); };
  EditCell(cItem);
  EXPECT_TRUE(Column(cItem)->GetWordWrap()) << "a text wraps by default";
  EXPECT_FALSE(Editor()->GetWordWrap()) << "but the rows have room for one line";
  EXPECT_NE(Style() & ES_AUTOHSCROLL, 0);
  Grid->SetRowLines(2);
  Grid->HideEditor();
  EditCell(cItem);
  EXPECT_TRUE(Editor()->GetWordWrap());
  EXPECT_EQ(Style() & ES_AUTOHSCROLL, 0);
  EXPECT_NE(Style() & ES_MULTILINE, 0);
  EXPECT_EQ(Editor()->GetText(), "Apple");
  Editor()->Deselect();
  Input.Type("s are red");
  EXPECT_EQ(Editor()->GetText(), "Apples are red");
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Apples are red");
  EditCell(cQty);
  EXPECT_FALSE(Editor()->GetWordWrap()) << "a number does not wrap";
  EXPECT_NE(Style() & ES_AUTOHSCROLL, 0);
  EXPECT_EQ(Editor()->GetText(), "3");
}

TEST_F(DBGridKvInplaceEditTest, TheCellParameterEventsColourTheEditorChangeItsTextOrLockIt) {
  std::vector<String> Log;
  Grid->OnGetCellParams = [&](TObject*, TColumnKv* Column, TFont* AFont, TColor& Background,
                              TGridDrawState State) {
    if (AFont == Grid->GetCanvas()->GetFont()) return;  // a cell being painted
    Log.push_back("grid");
    EXPECT_EQ(Column, this->Column(cItem));
    EXPECT_TRUE(State.Contains(gdFocused));
    EXPECT_EQ(AFont, Editor()->GetFont());
    Background = clYellow;
  };
  bool Lock = false;
  Column(cItem)->SetOnGetCellParams([&](TObject*, bool EditMode, TColCellParamsKv* Params) {
    if (!EditMode) return;  // a cell being painted
    Log.push_back("column");
    Params->SetText(UpperCase(Params->GetText()));
    if (Lock) Params->SetReadOnly(true);
  });
  EditCell(cItem);
  EXPECT_EQ(Log.back(), "column");
  EXPECT_EQ(Log[Log.size() - 2], "grid") << "the grid's event, then the column's";
  EXPECT_EQ(Editor()->GetColor(), clYellow);
  EXPECT_EQ(Pixel(Editor()->GetWidth() - 4, 4), ColorToRGB(clYellow));
  EXPECT_EQ(Editor()->GetText(), "APPLE");
  EXPECT_FALSE(Editor()->GetReadOnly());
  Lock = true;
  Grid->HideEditor();
  EditCell(cItem);
  EXPECT_TRUE(Editor()->GetReadOnly());
  Input.Type("z");
  EXPECT_EQ(Editor()->GetText(), "APPLE") << "locked";
}

// A mask that shapes the field's text (upper case here) gave the editor a
// text other than the field's: the key that put the record into edit then
// reloaded the editor, put the caret at the end and was lost with a beep.
TEST_F(DBGridKvInplaceEditTest, TheColumnsMaskShapesWhatIsTypedAndMovesWithTheCell) {
  Column(cItem)->SetEditMask(">LLLLL;0;_");
  TypeInto(cItem, "kiwis");
  EXPECT_EQ(Editor()->GetText(), "KIWIS");
  EXPECT_EQ(GetMessageBeepCount(), 0);
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "KIWIS");
  EditCell(cQty);
  EXPECT_EQ(Editor()->GetEditMask(), "") << "the next cell has none";
  EXPECT_EQ(Editor()->GetText(), "3");
}

// The sample database's customers, edited through the grid and read back
// from the file.
class DBGridKvSampleEditTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    CreateSampleDatabase(File.Name);
    Customers = Open("customers");
    Source = TDataSource::Create(Form);
    Source->SetDataSet(Customers);
    Grid->SetDataSource(Source);
    Grid->SetFocus();
  }
  TSQLiteDataSet* Open(const String& Table) {
    auto* Set = TSQLiteDataSet::Create(Form);
    Set->SetDatabaseName(File.Name);
    Set->SetTableName(Table);
    Set->Open();
    return Set;
  }
  // A value of customer 1 as the file holds it now.
  Variant Stored(const char* FieldName) {
    TObjectPtr<TSQLiteDataSet> Check(TSQLiteDataSet::Create(nullptr));
    Check->SetDatabaseName(File.Name);
    Check->SetSQL("SELECT * FROM customers WHERE id = 1");
    Check->Open();
    return Check->FieldByName(FieldName)->GetValue();
  }
  Integer Col(const char* FieldName) {
    return Customers->FieldByName(FieldName)->GetIndex() + Grid->GetIndicatorOffset();
  }
  TDBGridInplaceEdit* Editor() { return Grid->GetDBInplaceEditor(); }
  void TypeInto(const char* FieldName, const String& Text) {
    Grid->SetCol(Col(FieldName));
    Grid->ShowEditor();
    ASSERT_TRUE(Editor() && Editor()->Visible());
    Editor()->SelectAll();
    Input.Type(Text);
  }
  TSQLiteDataSet* Customers = nullptr;
  TDataSource* Source = nullptr;
  TTempFile File{"customers"};
};

TEST_F(DBGridKvSampleEditTest, TypedValuesGoThroughTheColumnIntoTheFileWhenTheRecordPosts) {
  // Each text is written when the record posts (moving to another column
  // writes it too, through the grid's keyboard).
  TypeInto("name", "Zoë Quell");
  EXPECT_EQ(Customers->GetState(), dsEdit);
  Customers->Post();
  TypeInto("since", "3/15/2021");
  EXPECT_EQ(Editor()->GetEditStyle(), cesDateKv);
  Customers->Post();
  TypeInto("credit", "1234.5");
  Customers->Post();
  EXPECT_EQ(Stored("name"), Variant("Zoë Quell"));
  EXPECT_EQ(VarToStr(Stored("since")), DateToStr(EncodeDate(2021, 3, 15)));
  EXPECT_EQ(Stored("credit").AsDouble(), 1234.5);
  // The name holds forty characters: the forty-first is not taken.
  TypeInto("name", String(45, 'x'));
  EXPECT_EQ(Editor()->GetText(), String(40, 'x'));
  Customers->Post();
  EXPECT_EQ(VarToStr(Stored("name")), String(40, 'x'));
}

TEST_F(DBGridKvSampleEditTest, ABadValueIsRefusedWithTheFieldsErrorAndTheTypedTextStays) {
  const Variant Before = Stored("since");
  TypeInto("since", "2/30/2021");
  try {
    Customers->Post();
    FAIL() << "a day that does not exist was posted";
  } catch (const Exception& E) {
    EXPECT_NE(E.GetMessage().find("2/30/2021"), String::npos) << E.GetMessage();
  }
  EXPECT_EQ(Customers->GetState(), dsEdit);
  EXPECT_EQ(Editor()->GetText(), "2/30/2021") << "nothing typed is lost";
  EXPECT_EQ(Stored("since"), Before);
  // Mended by the user, it posts.
  Editor()->SelectAll();
  Input.Type("2/28/2021");
  Customers->Post();
  EXPECT_EQ(VarToStr(Stored("since")), DateToStr(EncodeDate(2021, 2, 28)));
}

TEST_F(DBGridKvSampleEditTest, StepsReachTheFileInTheFieldsOwnType) {
  TSQLiteDataSet* Orders = Open("orders");
  TDataSource* OrdersSource = TDataSource::Create(Form);
  OrdersSource->SetDataSet(Orders);
  Grid->SetDataSource(OrdersSource);
  TColumnKv* Quantity = Grid->Column(Orders->FieldByName("quantity")->GetIndex());
  TColumnKv* Amount = Grid->Column(Orders->FieldByName("amount")->GetIndex());
  TColumnKv* Paid = Grid->Column(Orders->FieldByName("paid")->GetIndex());
  const Integer Qty = Orders->FieldByName("quantity")->GetAsInteger();
  const Currency Money = Orders->FieldByName("amount")->GetAsCurrency();
  const bool WasPaid = Orders->FieldByName("paid")->GetAsBoolean();
  Quantity->SetIncrement(5);
  Quantity->SetNextFieldValue(Quantity->GetIncrement());  // the up button
  Amount->SetNextFieldValue(0.01);
  Paid->SetNextFieldValue(1);
  Orders->Post();
  // Money adds in exact cents: a hundred of them add one whole, to the cent.
  Orders->Next();
  TField* Second = Orders->FieldByName("amount");
  Orders->Edit();
  Second->SetAsFloat(0.1);
  for (int I = 0; I < 100; ++I) Amount->SetNextFieldValue(0.01);
  EXPECT_EQ(Second->GetAsFloat(), 1.1);
  Orders->Post();
  Orders->First();
  TObjectPtr<TSQLiteDataSet> Check(TSQLiteDataSet::Create(nullptr));
  Check->SetDatabaseName(File.Name);
  Check->SetSQL("SELECT quantity, amount, paid FROM orders WHERE id = 1");
  Check->Open();
  EXPECT_EQ(Check->FieldByName("quantity")->GetValue(), Variant(Qty + 5));
  EXPECT_EQ(Check->FieldByName("amount")->GetAsCurrency(), Money + Currency::FromRaw(100));
  EXPECT_EQ(Check->FieldByName("paid")->GetAsBoolean(), !WasPaid);
}

}  // namespace
}  // namespace korvel
