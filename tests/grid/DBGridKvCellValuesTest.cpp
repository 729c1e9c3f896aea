// What a column shows and writes, as a user and the grid's other parts meet
// it: the kind of a column from its settings, the text of a cell (pick-list
// texts beside keys, display formats, memos, the special row of a lookup),
// check-box states read and written, stepping a value to the next one in
// the direction of the step's sign, whether a cell may be edited, the
// application's say in what is written and in texts not in a list, the
// most-recently-used list, the buttons' width and the cell parameters.
//
// Ideas for tests: stepping a lookup whose key is several fields; the cell
// parameters as the painting and the exporters hand them to their events,
// once they exist.
#include <gtest/gtest.h>

#include <functional>

#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKv.h"
#include "platform/classes/Filer.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"
#include "tests/grid/TestCellEditing.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvCellValuesTest : public DBGridShopTest {
 protected:
  // Puts the dataset on record N (1-based).
  void Record(Integer N) { Orders->SetRecNo(N); }
  String Text(Integer DataCol) { return Column(DataCol)->GetDisplayText(); }
  void Lists(Integer DataCol, const String& Keys, const String& Picks) {
    Column(DataCol)->GetKeyList()->SetCommaText(Keys);
    Column(DataCol)->GetPickList()->SetCommaText(Picks);
  }
};

TEST_F(DBGridKvCellValuesTest, AColumnsKindIsTheFirstSettingThatHoldsAndOnlyTypedKindsGetAnEditor) {
  TImageList* Images = MakeImages({clRed});
  const struct {
    const char* Name;
    Integer Col;
    std::function<void(TColumnKv*)> Set;
    TColumnKvType Kind;
    bool Editor;
  } Cases[] = {
      {"plain", cItem, [](TColumnKv*) {}, ctCommonKv, true},
      {"pick list", cItem, [](TColumnKv* C) { C->GetPickList()->SetCommaText("Apple,Pear"); },
       ctPickListKv, true},
      {"key list alone", cItem, [](TColumnKv* C) { C->GetKeyList()->SetCommaText("A,P"); },
       ctCommonKv, true},
      {"key and pick lists", cItem,
       [](TColumnKv* C) {
         C->GetKeyList()->SetCommaText("A,P");
         C->GetPickList()->SetCommaText("Apple,Pear");
       },
       ctKeyPickListKv, true},
      {"images before both lists", cItem,
       [&](TColumnKv* C) {
         C->SetImageList(Images);
         C->GetKeyList()->SetCommaText("A,P");
         C->GetPickList()->SetCommaText("Apple,Pear");
       },
       ctKeyImageListKv, false},
      {"images shown with their text", cItem,
       [&](TColumnKv* C) {
         C->SetImageList(Images);
         C->SetShowImageAndText(true);
         C->GetPickList()->SetCommaText("Apple,Pear");
       },
       ctPickListKv, true},
      {"check boxes before everything", cItem,
       [&](TColumnKv* C) {
         C->SetCheckboxes(true);
         C->SetImageList(Images);
         C->GetPickList()->SetCommaText("Apple,Pear");
       },
       ctCheckboxesKv, false},
      {"a lookup before its lists", cCustomer,
       [](TColumnKv* C) { C->GetPickList()->SetCommaText("Ann,Bob"); }, ctLookupFieldKv, true},
      {"a lookup with check boxes", cCustomer, [](TColumnKv* C) { C->SetCheckboxes(true); },
       ctCheckboxesKv, false},
      {"a boolean field", cPaid, [](TColumnKv*) {}, ctCheckboxesKv, false},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Grid->HideEditor();
    TColumnKv* C = Column(Case.Col);
    Case.Set(C);
    EXPECT_EQ(C->GetColumnType(), Case.Kind);
    EditCell(Case.Col);
    EXPECT_EQ(EditorShown(), Case.Editor);
    C->SetImageList(nullptr);
    C->SetShowImageAndText(false);
    C->RestoreDefaults();
  }
}

TEST_F(DBGridKvCellValuesTest, ACellShowsThePickTextBesideItsKeyItsFormattedValueOrItsMemo) {
  // [Case] Keys mapped to pick-list texts; a key not listed shows the text
  // NotInKeyListIndex points to, or nothing.
  Column(cItem)->GetKeyList()->SetCommaText("Apple,Pear");
  Column(cItem)->GetPickList()->SetText("Red apple\nGreen pear\nSpare");
  EXPECT_EQ(Text(cItem), "Red apple");
  Record(3);
  EXPECT_EQ(Text(cItem), "");
  Column(cItem)->SetNotInKeyListIndex(2);
  EXPECT_EQ(Text(cItem), "Spare");
  Column(cItem)->SetNotInKeyListIndex(3);
  EXPECT_EQ(Text(cItem), "") << "an index beyond the pick list";
  // [Case] A pick list without keys shows the field's own text; an image
  // column without text shows none.
  Record(1);
  Column(cStatus)->GetPickList()->SetCommaText("N,Y");
  EXPECT_EQ(Text(cStatus), "Y");
  Column(cQty)->SetImageList(MakeImages({clRed, clBlue}));
  EXPECT_EQ(Text(cQty), "");
  // [Case] Display formats: numbers, dates, null values.
  Column(cPrice)->SetDisplayFormat("0.00");
  Column(cWeight)->SetDisplayFormat("#,##0.000");
  Column(cOrdered)->SetDisplayFormat("yyyy-mm-dd");
  EXPECT_EQ(Text(cPrice), "1.10");
  EXPECT_EQ(Text(cWeight), "0.500");
  EXPECT_EQ(Text(cOrdered), "2024-01-05");
  Record(2);
  EXPECT_EQ(Text(cWeight), "") << "a null value shows nothing";
  Column(cOrdered)->SetDisplayFormat("");
  EXPECT_EQ(Text(cOrdered), "2/29/2024") << "without a format, the field's display text";
  // A format means nothing to a text: the text shows rather than nothing.
  Column(cItem)->SetDisplayFormat("0.00");
  Column(cItem)->GetKeyList()->Clear();
  EXPECT_EQ(Text(cItem), "Pear");
  // [Case] A memo is all of its text only while memos are edited as text.
  Record(1);
  EXPECT_EQ(Text(cNote), Field("Note")->GetDisplayText());
  EXPECT_NE(Text(cNote), "first");
  Grid->SetMemoEditing(true);
  EXPECT_EQ(Text(cNote), "first");
}

TEST_F(DBGridKvCellValuesTest, ALookupCellShowsItsSpecialRowForItsValueOrForUnknownKeys) {
  TSpecRowKv* SpecRow = Column(cCustomer)->GetDropDownSpecRow();
  EXPECT_EQ(Text(cCustomer), "Ann");
  Record(3);
  EXPECT_EQ(Text(cCustomer), "") << "customer 9 is unknown";
  SpecRow->SetCellsText("(nobody);-");
  SpecRow->SetVisible(true);
  EXPECT_EQ(Text(cCustomer), "(nobody)") << "shown for keys the customers lack";
  SpecRow->SetShowIfNotInKeyList(false);
  EXPECT_EQ(Text(cCustomer), "");
  SpecRow->SetValue(Variant(9));
  EXPECT_EQ(Text(cCustomer), "(nobody)") << "the row's own value";
  Record(1);
  EXPECT_EQ(Text(cCustomer), "Ann");
  // The editor shows the row's text and edits the row's value.
  Record(3);
  EditCell(cCustomer);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), "(nobody)");
  EXPECT_EQ(Grid->GetEditValue(), Variant(9));
  SpecRow->SetValue(Null());
  SpecRow->SetShowIfNotInKeyList(true);
  Grid->InvalidateEditor();
  EXPECT_EQ(Editor()->GetText(), "(nobody)");
  EXPECT_TRUE(VarIsNull(Grid->GetEditValue())) << "the special row stands for Null";
}

TEST_F(DBGridKvCellValuesTest, ACheckBoxIsCheckedByTrueOrByANameOfTheFirstKeyLine) {
  TColumnKv* Status = Column(cStatus);
  Status->SetCheckboxes(true);
  Status->GetKeyList()->SetText("Y;Yes\nN;No");
  Orders->Edit();
  const struct {
    Variant Value;
    TCheckBoxState State;
  } Cases[] = {{"Y", cbChecked},   {"yes", cbChecked},  {"No", cbUnchecked},
               {"n", cbUnchecked}, {"maybe", cbGrayed}, {Null(), cbGrayed}};
  for (const auto& Case : Cases) {
    SCOPED_TRACE(VarToStr(Case.Value));
    Field("Status")->SetValue(Case.Value);
    EXPECT_EQ(Status->GetCheckboxState(), Case.State);
  }
  Status->GetKeyList()->SetText("Y;Yes");
  Field("Status")->SetAsString("N");
  EXPECT_EQ(Status->GetCheckboxState(), cbGrayed) << "no second line: no unchecked name";
  Orders->Cancel();
  EXPECT_EQ(Column(cPaid)->GetCheckboxState(), cbChecked);
  Record(2);
  EXPECT_EQ(Column(cPaid)->GetCheckboxState(), cbUnchecked);
  Record(3);
  EXPECT_EQ(Column(cPaid)->GetCheckboxState(), cbGrayed);
}

TEST_F(DBGridKvCellValuesTest, WritingACheckBoxWritesTheFirstNameOfItsLineABooleanOrNull) {
  TColumnKv* Status = Column(cStatus);
  Status->SetCheckboxes(true);
  Status->GetKeyList()->SetText("Y;Yes\nN;No");
  std::vector<String> Written;
  Status->OnUpdateData = [&](TObject*, String& Text, Variant&, bool& UseText, bool&) {
    Written.push_back(Text + (UseText ? " as text" : " as value"));
  };
  Orders->Edit();
  Status->SetCheckboxState(cbUnchecked);
  EXPECT_EQ(Field("Status")->GetAsString(), "N");
  Status->SetCheckboxState(cbChecked);
  EXPECT_EQ(Field("Status")->GetAsString(), "Y");
  Status->SetCheckboxState(cbGrayed);
  EXPECT_TRUE(Field("Status")->IsNull());
  Status->GetKeyList()->SetText("Y;Yes");
  Status->SetCheckboxState(cbUnchecked);
  EXPECT_EQ(Field("Status")->GetAsString(), "") << "no line for unchecked";
  EXPECT_EQ(Written, (std::vector<String>{"N as text", "Y as text", " as value", " as text"}));
  Column(cPaid)->SetCheckboxState(cbUnchecked);
  EXPECT_FALSE(Field("Paid")->GetAsBoolean());
  EXPECT_FALSE(Field("Paid")->IsNull());
  Column(cPaid)->SetCheckboxState(cbChecked);
  EXPECT_TRUE(Field("Paid")->GetAsBoolean());
  Column(cPaid)->SetCheckboxState(cbGrayed);
  EXPECT_TRUE(Field("Paid")->IsNull());
}

TEST_F(DBGridKvCellValuesTest, SteppingWalksAListInTheDirectionOfTheStepsSignAndWraps) {
  Lists(cStatus, "Y,N,X", "Yes,No,Unknown");
  TColumnKv* Status = Column(cStatus);
  const struct {
    Extended Step;
    const char* Key;
  } Steps[] = {{1, "N"}, {1, "X"}, {1, "Y"}, {-1, "X"}, {2, "Y"}, {-2, "X"}, {-0.5, "N"}};
  for (const auto& S : Steps) {
    Status->SetNextFieldValue(S.Step);
    EXPECT_EQ(Field("Status")->GetAsString(), S.Key) << "step " << double(S.Step);
  }
  EXPECT_EQ(Orders->GetState(), dsEdit) << "a step edits the record";
  Orders->Post();
  EXPECT_EQ(Field("Status")->GetAsString(), "N");
  // A key not in the list starts at either end.
  Record(3);
  Status->SetNextFieldValue(1);
  EXPECT_EQ(Field("Status")->GetAsString(), "Y");
  Orders->Cancel();
  Status->SetNextFieldValue(-1);
  EXPECT_EQ(Field("Status")->GetAsString(), "X");
  Orders->Cancel();
  // A pick list writes its texts.
  Record(2);
  Column(cItem)->GetPickList()->SetCommaText("Apple,Pear,Plum");
  Column(cItem)->SetNextFieldValue(1);
  EXPECT_EQ(Field("Item")->GetAsString(), "Plum");
  Column(cItem)->SetNextFieldValue(1);
  EXPECT_EQ(Field("Item")->GetAsString(), "Apple");
  Column(cItem)->SetNextFieldValue(-1);
  EXPECT_EQ(Field("Item")->GetAsString(), "Plum");
  // A check box turns over; an empty one becomes checked.
  Column(cPaid)->SetNextFieldValue(1);
  EXPECT_TRUE(Field("Paid")->GetAsBoolean());
  Column(cPaid)->SetNextFieldValue(-1);
  EXPECT_FALSE(Field("Paid")->GetAsBoolean());
  Orders->Cancel();
  Record(3);
  Column(cPaid)->SetNextFieldValue(1);
  EXPECT_TRUE(Field("Paid")->GetAsBoolean());
}

// The editor of a key-list cell shows the pick-list text beside the key: a
// step starts from there (it once took that text for a key, found none, and
// went back to the first key every time).
TEST_F(DBGridKvCellValuesTest, SteppingAKeyListCellWhoseEditorShowsStartsFromTheShownText) {
  Lists(cStatus, "Y,N,X", "Yes,No,Unknown");
  EditCell(cStatus);
  ASSERT_EQ(Editor()->GetText(), "Yes");
  Column(cStatus)->SetNextFieldValue(1);
  EXPECT_EQ(Field("Status")->GetAsString(), "N");
  EXPECT_EQ(Editor()->GetText(), "No") << "the editor follows";
  Column(cStatus)->SetNextFieldValue(1);
  EXPECT_EQ(Field("Status")->GetAsString(), "X");
  Column(cStatus)->SetNextFieldValue(-1);
  EXPECT_EQ(Field("Status")->GetAsString(), "N");
}

TEST_F(DBGridKvCellValuesTest, SteppingANumberAddsTheStepInTheFieldsOwnType) {
  Column(cQty)->SetNextFieldValue(1);
  EXPECT_EQ(Field("Qty")->GetValue(), Variant(4));
  Column(cQty)->SetNextFieldValue(-2);
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 2);
  Column(cWeight)->SetNextFieldValue(0.25);
  EXPECT_EQ(Field("Weight")->GetAsFloat(), 0.75);
  // Money steps in exact tenths: ten of them add one whole.
  for (int I = 0; I < 10; ++I) Column(cPrice)->SetNextFieldValue(0.1);
  EXPECT_EQ(Field("Price")->GetAsCurrency(), Currency::FromRaw(21000));
  // An empty number becomes 0, whatever the step.
  Orders->Post();
  Record(3);
  Column(cQty)->SetNextFieldValue(5);
  EXPECT_EQ(Field("Qty")->GetValue(), Variant(0));
  Column(cPrice)->SetNextFieldValue(-1);
  EXPECT_EQ(Field("Price")->GetAsCurrency(), Currency(0));
  EXPECT_FALSE(Field("Price")->IsNull());
  // A value beyond its field is refused with the field's error.
  Orders->Cancel();
  Orders->Edit();
  Field("Qty")->SetAsInteger(2147483647);
  EXPECT_THROW(Column(cQty)->SetNextFieldValue(1), Exception);
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 2147483647);
}

// An image column shows the image of its number; stepping it steps the
// number (a key list it does not have was once walked and raised).
TEST_F(DBGridKvCellValuesTest, SteppingAnImageColumnWithoutAKeyListStepsItsNumber) {
  Column(cQty)->SetImageList(MakeImages({clRed, clLime, clBlue, clYellow, clAqua}));
  ASSERT_EQ(Column(cQty)->GetColumnType(), ctKeyImageListKv);
  EXPECT_EQ(Column(cQty)->GetImageIndex(), 3);
  EXPECT_NO_THROW(Column(cQty)->SetNextFieldValue(1));
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 4);
  EXPECT_EQ(Column(cQty)->GetImageIndex(), 4);
}

TEST_F(DBGridKvCellValuesTest, SteppingALookupTakesTheNextOrPriorCustomer) {
  TColumnKv* Customer = Column(cCustomer);
  Customer->SetNextFieldValue(1);
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 2);
  EXPECT_EQ(Field("Customer")->GetAsString(), "Bob");
  Customer->SetNextFieldValue(1);
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 3);
  Customer->SetNextFieldValue(1);
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 1) << "from the last to the first";
  Customer->SetNextFieldValue(-1);
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 3) << "from the first to the last";
  Orders->Post();
  Record(3);
  Customer->SetNextFieldValue(1);
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 1) << "an unknown customer: the first";
  Orders->Cancel();
  Customer->SetNextFieldValue(-1);
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 3) << "or the last";
}

TEST_F(DBGridKvCellValuesTest, NothingStepsWhereTheCellMayNotChange) {
  Column(cQty)->SetReadOnly(true);
  Column(cQty)->SetNextFieldValue(1);
  Grid->SetReadOnly(true);
  Column(cWeight)->SetNextFieldValue(1);
  EXPECT_EQ(Orders->GetState(), dsBrowse);
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 3);
  EXPECT_EQ(Field("Weight")->GetAsFloat(), 0.5);
}

TEST_F(DBGridKvCellValuesTest, ACellMayChangeWhenItsFieldItsRowAndTheGridAllowIt) {
  EXPECT_TRUE(Column(cItem)->CanModify(false));
  EXPECT_EQ(Orders->GetState(), dsBrowse) << "asking edits nothing";
  // [Case] Blobs: a memo as text only, other blobs through their own text.
  EXPECT_FALSE(Column(cNote)->CanModify(false));
  Grid->SetMemoEditing(true);
  EXPECT_TRUE(Column(cNote)->CanModify(false));
  EXPECT_FALSE(Column(cPicture)->CanModify(false)) << "a picture, even in an editable grid";
  Field("Picture")->OnSetText = [](TField* F, const String& Text) { F->SetAsString(Text); };
  EXPECT_TRUE(Column(cPicture)->CanModify(false));
  // [Case] A lookup writes its key fields: they decide.
  EXPECT_TRUE(Column(cCustomer)->CanModify(false));
  Field("CustID")->SetReadOnly(true);
  EXPECT_FALSE(Column(cCustomer)->CanModify(false));
  Field("CustID")->SetReadOnly(false);
  // A key field that does not exist refuses, and raises nothing.
  Field("Customer")->SetKeyFields("CustID;Nope");
  EXPECT_NO_THROW(EXPECT_FALSE(Column(cCustomer)->CanModify(false)));
  EditCell(cCustomer);
  EXPECT_NO_THROW(Input.Type("x"));
  EXPECT_EQ(Orders->GetState(), dsBrowse);
  Field("Customer")->SetKeyFields("CustID");
  Grid->HideEditor();
  // [Case] The row: updates allowed, or a record being inserted.
  Grid->SetAllowedOperations({alopInsertKv, alopDeleteKv, alopAppendKv});
  EXPECT_FALSE(Column(cItem)->CanModify(false));
  Orders->Append();
  EXPECT_TRUE(Column(cItem)->CanModify(false));
  Orders->Cancel();
  // An empty dataset takes a first record only where inserting is allowed.
  while (!Orders->IsEmpty()) Orders->Delete();
  Grid->SetAllowedOperations({alopUpdateKv});
  EXPECT_FALSE(Column(cItem)->CanModify(false));
  Grid->SetAllowedOperations({alopUpdateKv, alopAppendKv});
  EXPECT_TRUE(Column(cItem)->CanModify(false));
  // [Case] Trying puts the record into edit and marks the cell modified.
  EXPECT_TRUE(Column(cItem)->CanModify(true));
  EXPECT_EQ(Orders->GetState(), dsInsert);
  EXPECT_TRUE(Grid->GetDataLink()->GetModified());
}

TEST_F(DBGridKvCellValuesTest, TheApplicationMayWriteAnEditedValueItselfOrChangeIt) {
  TColumnKv* Item = Column(cItem);
  Item->GetMRUList()->SetActive(true);
  std::vector<String> Seen;
  bool Handle = true;
  Item->OnUpdateData = [&](TObject* Sender, String& Text, Variant&, bool& UseText, bool& Handled) {
    EXPECT_EQ(Sender, Item);
    Seen.push_back(Text);
    EXPECT_TRUE(UseText);
    Handled = Handle;
    Text += "!";
  };
  TypeInto(cItem, "Kiwi");
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Apple") << "the handler wrote it";
  EXPECT_EQ(Item->GetMRUList()->GetItems()->GetCount(), 0) << "nothing entered";
  Handle = false;
  TypeInto(cItem, "Lime");
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Lime!") << "the text the handler left";
  EXPECT_EQ(Seen, (std::vector<String>{"Kiwi", "Lime"}));
  // A lookup's key value goes to its key fields, element by element.
  Field("Customer")->SetKeyFields("CustID;Qty");
  Field("Customer")->SetLookupKeyFields("ID;ID");
  Orders->Edit();
  Column(cCustomer)->UpdateDataValues("", VarArrayOf({Variant(3), Variant(7)}), false);
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 3);
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 7);
}

TEST_F(DBGridKvCellValuesTest, TheMostRecentlyUsedListKeepsWhatTheUserEnteredInTheCell) {
  TMRUListKv* MRU = Column(cItem)->GetMRUList();
  MRU->SetActive(true);
  TypeInto(cItem, "Kiwi");
  Orders->Post();
  ASSERT_EQ(MRU->GetItems()->GetCount(), 1);
  EXPECT_EQ(MRU->GetItems()->GetStrings(0), "Kiwi");
  // A value written by code, with the editor away, is not the user's.
  Grid->HideEditor();
  Column(cItem)->GetPickList()->SetCommaText("Kiwi,Lime");
  Column(cItem)->SetNextFieldValue(1);
  EXPECT_EQ(Field("Item")->GetAsString(), "Lime");
  EXPECT_EQ(MRU->GetItems()->GetCount(), 1);
  Orders->Post();
  Column(cItem)->GetPickList()->Clear();
  MRU->SetAutoAdd(false);
  TypeInto(cItem, "Plum");
  Orders->Post();
  EXPECT_EQ(MRU->GetItems()->GetCount(), 1) << "automatic adding is off";
}

TEST_F(DBGridKvCellValuesTest, ATextNotInAPickListAsksTheApplication) {
  TColumnKv* Item = Column(cItem);
  Item->GetPickList()->SetCommaText("Apple,Pear,Plum");
  std::vector<String> Asked;
  Item->OnNotInList = [&](TObject* Sender, const String& Text, bool&) {
    EXPECT_EQ(Sender, Item);
    Asked.push_back(Text);
  };
  TypeInto(cItem, "Kiwi");
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Kiwi") << "a plain pick list takes any text";
  // Typed in other letters, a listed text is completed to the list's own.
  TypeInto(cItem, "pear");
  Orders->Post();
  EXPECT_EQ(Field("Item")->GetAsString(), "Pear");
  EXPECT_EQ(Asked, std::vector<String>{"Kiwi"}) << "a listed text is no question";
}

TEST_F(DBGridKvCellValuesTest, AKeyListCellWritesTheKeyOfItsTextOrWhatTheApplicationAdds) {
  Lists(cStatus, "Y,N", "Yes,No");
  Record(2);
  // Without a handler only listed texts can be typed: letters that lead to
  // none are dropped, the others complete a listed text, and its key is
  // written, even after a lookup cell left a key of its own behind.
  EditCell(cCustomer);
  ASSERT_EQ(Grid->GetEditValue(), Variant(2));
  TypeInto(cStatus, "Maybe");
  EXPECT_EQ(Editor()->GetText(), "Yes");
  Orders->Post();
  EXPECT_EQ(Field("Status")->GetAsString(), "Y");
  // A handler may add the text to the lists and have it looked up again.
  Column(cStatus)->OnNotInList = [&](TObject*, const String& Text, bool& Recheck) {
    if (Text != "Maybe") return;
    Column(cStatus)->GetKeyList()->Add("M");
    Column(cStatus)->GetPickList()->Add("Maybe");
    Recheck = true;
  };
  TypeInto(cStatus, "Maybe");
  Orders->Post();
  EXPECT_EQ(Field("Status")->GetAsString(), "M");
  // A handler that adds nothing leaves the cell empty; so does no text.
  TypeInto(cStatus, "Never");
  Orders->Post();
  EXPECT_TRUE(Field("Status")->IsNull());
  TypeInto(cStatus, "No");
  Orders->Post();
  EXPECT_EQ(Field("Status")->GetAsString(), "N");
  TypeInto(cStatus, "");
  Input.KeyPress(VK_DELETE);
  Orders->Post();
  EXPECT_TRUE(Field("Status")->IsNull());
}

TEST_F(DBGridKvCellValuesTest, ALookupCellWithoutAKeyFindsTheTypedNameOrAsksForIt) {
  Record(3);
  Orders->Edit();
  Field("CustID")->Clear();
  Orders->Post();
  std::vector<String> Asked;
  Column(cCustomer)->OnNotInList = [&](TObject*, const String& Text, bool& Recheck) {
    Asked.push_back(Text);
    Customers->AppendRecord({4, Text});
    Recheck = true;
  };
  TypeInto(cCustomer, "bob");
  Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 2) << "the customer of that name";
  Orders->Edit();
  Field("CustID")->Clear();
  Orders->Post();
  TypeInto(cCustomer, "Dan");
  Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 4) << "the customer the application added";
  EXPECT_EQ(Field("Customer")->GetAsString(), "Dan");
  EXPECT_EQ(Asked, std::vector<String>{"Dan"}) << "a name in the list is no question";
}

TEST_F(DBGridKvCellValuesTest, TheEditorsButtonsTakeTheirWidthsFlatOrNot) {
  const Integer SB = GetSystemMetrics(SM_CXVSCROLL);
  const Integer FB = FlatButtonWidth();
  TColumnKv* Item = Column(cItem);
  EXPECT_EQ(Item->EditButtonsWidth(), 0) << "a plain column shows none";
  Item->GetPickList()->SetCommaText("Apple,Pear");
  EXPECT_EQ(Item->EditButtonsWidth(), SB);
  TEditButtonKv* Wide = Item->GetEditButtons()->Add();
  Wide->SetWidth(20);
  Item->GetEditButtons()->Add();
  Item->GetEditButtons()->Add()->SetVisible(false);
  EXPECT_EQ(Item->EditButtonsWidth(), SB + 20 + SB);
  Grid->SetFlat(true);
  EXPECT_EQ(Item->EditButtonsWidth(), FB + 1 + 21 + FB + 1);
}

TEST_F(DBGridKvCellValuesTest, TheCellParametersCarryWhatTheColumnDecided) {
  TColumnKv* Status = Column(cStatus);
  Status->SetColor(clYellow);
  Status->SetAlignment(taCenter);
  Status->GetKeyList()->SetCommaText("Y,N");
  Status->GetPickList()->SetCommaText("Sure,Never");
  Status->SetImageList(MakeImages({clRed, clBlue}));
  Status->SetShowImageAndText(true);
  Status->SetReadOnly(true);
  TObjectPtr<TColCellParamsKv> Params(TColCellParamsKv::Create());
  Params->SetCol(4);
  Params->SetRow(5);
  Params->SetState({gdSelected});
  Status->FillColCellParams(Params.get());
  EXPECT_EQ(Params->GetCol(), -1);
  EXPECT_EQ(Params->GetRow(), -1);
  EXPECT_TRUE(Params->GetState().Empty());
  EXPECT_EQ(Params->GetFont(), Status->GetFont());
  EXPECT_EQ(Params->GetBackground(), clYellow);
  EXPECT_EQ(Params->GetAlignment(), taCenter);
  EXPECT_EQ(Params->GetText(), "Sure");
  EXPECT_EQ(Params->GetImageIndex(), 0);
  EXPECT_EQ(Params->GetCheckboxState(), cbChecked) << "Y is the first line's name";
  EXPECT_TRUE(Params->GetReadOnly());
}

TEST_F(DBGridKvCellValuesTest, AColumnOutsideAGridShowsNothingAndWritesNothing) {
  TObjectPtr<TDBGridColumnKv> Alone(TDBGridColumnKv::Create(nullptr));
  Alone->SetFieldName("Item");
  EXPECT_EQ(Alone->GetField(), nullptr);
  EXPECT_EQ(Alone->GetDisplayText(), "");
  EXPECT_EQ(Alone->GetCheckboxState(), cbUnchecked);
  EXPECT_EQ(Alone->GetImageIndex(), -1);
  EXPECT_FALSE(Alone->CanModify(true));
  bool Called = false;
  Alone->OnUpdateData = [&](TObject*, String&, Variant&, bool&, bool&) { Called = true; };
  Alone->UpdateDataValues("x", Variant("x"), true);
  Alone->SetNextFieldValue(1);
  EXPECT_FALSE(Called);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

using namespace kvp;

// A column's edit buttons, special row and most-recently-used list are kept
// with the form and copied with the column.
TEST(DBGridKvColumnEditingParts, AreStoredWithTheFormAndCopiedWithTheColumn) {
  ResetWindowSystem();
  RegisterClass(TTestDBGrid::StaticClass());
  TObjectPtr<TTestDBGrid> Grid(TTestDBGrid::Create(nullptr));
  Grid->SetName("Grid1");
  TColumnKv* Column = Grid->GetColumns()->Add();
  Column->SetFieldName("Item");
  TEditButtonKv* Button = Column->GetEditButtons()->Add();
  Button->SetStyle(ebsEllipsisKv);
  Button->SetWidth(20);
  Button->SetHint("More");
  Column->GetMRUList()->SetActive(true);
  Column->GetMRUList()->GetItems()->SetCommaText("Kiwi,Lime");
  Column->GetDropDownSpecRow()->SetVisible(true);
  Column->GetDropDownSpecRow()->SetCellsText("(nobody)");
  const String Text = ComponentToText(Grid.get());
  TObjectPtr<TComponent> Read(ReadComponentFromText(Text, nullptr));
  TColumnKv* Back = static_cast<TTestDBGrid*>(Read.get())->GetColumns()->GetColumn(0);
  ASSERT_EQ(Back->GetEditButtons()->GetCount(), 1) << Text;
  EXPECT_EQ(Back->GetEditButtons()->GetItems(0)->GetStyle(), ebsEllipsisKv);
  EXPECT_EQ(Back->GetEditButtons()->GetItems(0)->GetWidth(), 20);
  EXPECT_EQ(Back->GetEditButtons()->GetItems(0)->GetHint(), "More");
  EXPECT_TRUE(Back->GetMRUList()->GetActive());
  EXPECT_EQ(Back->GetMRUList()->GetItems()->GetCommaText(), "Kiwi,Lime");
  EXPECT_TRUE(Back->GetDropDownSpecRow()->GetVisible());
  EXPECT_EQ(Back->GetDropDownSpecRow()->GetCellsText(), "(nobody)");
  // A copy takes the buttons, the list and the parameter event.
  bool Called = false;
  Column->SetOnGetCellParams([&](TObject*, bool, TColCellParamsKv*) { Called = true; });
  TColumnKv* Copy = Grid->GetColumns()->Add();
  Copy->Assign(Column);
  EXPECT_EQ(Copy->GetEditButtons()->GetCount(), 1);
  EXPECT_EQ(Copy->GetEditButtons()->GetItems(0)->GetWidth(), 20);
  EXPECT_EQ(Copy->GetMRUList()->GetItems()->GetCount(), 2);
  Copy->GetCellParams(false, nullptr);
  EXPECT_TRUE(Called);
  Read.reset();
  Grid.reset();
  ResetWindowSystem();
}

}  // namespace
}  // namespace korvel
