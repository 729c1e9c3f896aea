// A customer form over the sample SQLite database, as a person uses it: an
// edit box for the name, a plain combo box of cities, a key-based combo box
// of countries, edits for the date and the credit, and a check box for the
// VIP flag, driven through the input driver on the virtual clock. What is
// checked is what the person sees on the form and what the database file
// holds afterwards. The test leaves a picture of the form,
// DBCtrlsKvForm.png, in the test output folder.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/db/SampleDatabase.h"
#include "tests/controls/DBCtrlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

// What the database file holds, read through a connection of its own.
String Stored(const String& File, const String& SQL) {
  sqlite3* DB = nullptr;
  String Out = "<error>";
  if (sqlite3_open(File.c_str(), &DB) == SQLITE_OK) {
    sqlite3_stmt* Stmt = nullptr;
    if (sqlite3_prepare_v2(DB, SQL.c_str(), -1, &Stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(Stmt) == SQLITE_ROW) {
      const unsigned char* Text = sqlite3_column_text(Stmt, 0);
      Out = Text ? String(reinterpret_cast<const char*>(Text)) : String("NULL");
    }
    sqlite3_finalize(Stmt);
  }
  sqlite3_close(DB);
  return Out;
}

class DBCtrlsKvFormTest : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    ResetMessageBeepCount();
    File = (std::filesystem::temp_directory_path() /
            ("kv_dbctrls_form_" + std::to_string(::getpid()) + ".sqlite"))
               .string();
    CreateSampleDatabase(File);
    Customers = TSQLiteDataSet::Create(Form);
    Customers->SetName("Customers");
    Customers->SetDatabaseName(File);
    Customers->SetTableName("customers");
    Customers->Open();
    Source = TDataSource::Create(Form);
    Source->SetDataSet(Customers);
    Form->SetCaption("Customer");
    Form->SetBounds(100, 100, 420, 300);
    // [Phase 1] The controls, top down, each with its label.
    Name = AddCombo("Name", "name", 20, 250);
    Name->GetEditButton()->SetVisible(false);
    City = AddCombo("City", "city", 50, 160);
    City->GetItems()->SetText("Besançon\nBrno\nChicago\nİstanbul\nKøbenhavn\nKraków\nMalmö\n"
                              "Reykjavík\nSão Paulo\nZürich");
    Country = AddCombo("Country", "country", 80, 160);
    Country->GetItems()->SetText("BR Brazil\nCH Switzerland\nCZ Czechia\nDK Denmark\nFR France\n"
                                 "IS Iceland\nPL Poland\nSE Sweden\nTR Türkiye\nUS United States");
    Country->GetKeyItems()->SetText("Brazil\nSwitzerland\nCzechia\nDenmark\nFrance\nIceland\n"
                                    "Poland\nSweden\nTürkiye\nUSA");
    Since = AddCombo("Since", "since", 110, 100);
    Since->GetEditButton()->SetVisible(false);
    Credit = AddCombo("Credit", "credit", 140, 120);
    Credit->GetEditButton()->SetVisible(false);
    Vip = TDBCheckBoxKv::Create(Form);
    Vip->SetName("Vip");
    Vip->SetCaption("&VIP customer");
    Vip->SetBounds(110, 172, 150, 17);
    Vip->SetParent(Form);
    Vip->SetDataSource(Source);
    Vip->SetDataField("vip");
    Form->Show();
  }
  void TearDown() override {
    TFormFixture::TearDown();
    std::remove(File.c_str());
    std::remove((File + "-journal").c_str());
  }
  TDBComboBoxKv* AddCombo(const char* Caption, const char* FieldName, Integer Top, Integer Width) {
    TLabel* Label = TLabel::Create(Form);
    Label->SetCaption(Caption);
    Label->SetBounds(16, Top + 4, 80, 16);
    Label->SetParent(Form);
    TDBComboBoxKv* C = TDBComboBoxKv::Create(Form);
    C->SetName(Caption);
    C->SetBounds(110, Top, Width, 24);
    C->SetParent(Form);
    C->SetDataSource(Source);
    C->SetDataField(FieldName);
    Label->SetFocusControl(C);
    return C;
  }
  String Shown(TWinControl* C) { return C->GetText(); }
  String Row(const char* Column, Integer Id) {
    return Stored(File, "SELECT " + String(Column) + " FROM customers WHERE id = " + IntToStr(Id));
  }

  String File;
  TSQLiteDataSet* Customers = nullptr;
  TDataSource* Source = nullptr;
  TDBComboBoxKv* Name = nullptr;
  TDBComboBoxKv* City = nullptr;
  TDBComboBoxKv* Country = nullptr;
  TDBComboBoxKv* Since = nullptr;
  TDBComboBoxKv* Credit = nullptr;
  TDBCheckBoxKv* Vip = nullptr;
};

TEST_F(DBCtrlsKvFormTest, MovingThroughTheRecordsShowsEachFieldsTexts) {
  // Name has the focus: its edit text; the others their display texts.
  ASSERT_TRUE(Name->Focused());
  EXPECT_EQ(Shown(Name), "Björn Öztürk");
  EXPECT_EQ(Shown(City), "København");
  EXPECT_EQ(City->GetItemIndex(), 4);
  EXPECT_EQ(Shown(Country), "DK Denmark");
  EXPECT_EQ(VarToStr(Country->GetValue()), "Denmark");
  EXPECT_EQ(Shown(Since), "7/13/2023");
  EXPECT_EQ(Shown(Credit), "$31,097.05");
  EXPECT_EQ(Vip->GetState(), cbUnchecked);
  Credit->SetFocus();
  EXPECT_EQ(Shown(Credit), "31097.05");
  Customers->Next();
  EXPECT_EQ(Shown(Name), "Mikko Nowak");
  EXPECT_EQ(Shown(Country), "CH Switzerland");
  EXPECT_EQ(Shown(Credit), "39421.48");
  Customers->Next();
  EXPECT_EQ(Shown(Country), "US United States");
  Name->SetFocus();
  EXPECT_EQ(Shown(Credit), "$33,175.48");
  // A customer without a city, a country or a credit.
  Customers->SetRecNo(17);
  EXPECT_EQ(Shown(City), "");
  EXPECT_EQ(City->GetItemIndex(), -1);
  EXPECT_EQ(Shown(Country), "");
  EXPECT_EQ(Country->GetItemIndex(), -1);
  EXPECT_EQ(VarToStr(Country->GetValue()), "");  // the Null field's edit text is the key
  Customers->SetRecNo(11);
  EXPECT_EQ(Shown(Credit), "");
  EXPECT_EQ(Customers->GetState(), dsBrowse);
}

// The form as a dialog: its OK and Cancel buttons answer Enter and Escape
// whenever the control with the focus has no use for them. A control uses
// Escape only to drop what the user changed and Enter or Escape only to close
// its open list.
TEST_F(DBCtrlsKvFormTest, EnterAndEscapeReachTheDialogsButtonsUnlessAControlUsesThem) {
  TButton* Ok = TButton::Create(Form);
  Ok->SetBounds(300, 230, 50, 24);
  Ok->SetParent(Form);
  Ok->SetDefault(true);
  Ok->SetModalResult(mrOk);
  TButton* Cancel = TButton::Create(Form);
  Cancel->SetBounds(355, 230, 50, 24);
  Cancel->SetParent(Form);
  Cancel->SetCancel(true);
  Cancel->SetModalResult(mrCancel);
  auto Press = [&](Word Key, TShiftState Shift = {}) {
    Form->SetModalResult(mrNone);
    Input.KeyPress(Key, Shift);
    return Form->GetModalResult();
  };
  // Nothing changed: the dialog's buttons answer, in each kind of control.
  for (TWinControl* C : std::initializer_list<TWinControl*>{Name, City, Country, Vip}) {
    SCOPED_TRACE(C->GetName());
    C->SetFocus();
    EXPECT_EQ(Press(VK_ESCAPE), mrCancel);
    EXPECT_EQ(Press(VK_RETURN), mrOk);
  }
  // A typed change: Escape drops it and the dialog stays; the next Escape is the dialog's.
  Name->SetFocus();
  Input.KeyPress(VK_END);
  Input.Type("x");
  EXPECT_EQ(Press(VK_ESCAPE), mrNone);
  EXPECT_EQ(Shown(Name), "Björn Öztürk");
  EXPECT_EQ(Press(VK_ESCAPE), mrCancel);
  // The check box the same way, after a toggle by the space key.
  Vip->SetFocus();
  const bool Was = Vip->GetChecked();
  Input.KeyPress(VK_SPACE);
  EXPECT_EQ(Press(VK_ESCAPE), mrNone);
  EXPECT_EQ(Vip->GetChecked(), Was);
  EXPECT_EQ(Press(VK_ESCAPE), mrCancel);
  // An open list takes Enter and Escape to close itself.
  City->SetFocus();
  Input.KeyPress(VK_DOWN, {ssAlt});
  ASSERT_TRUE(IsWindowVisible(City->GetPopupListbox()->GetHandle()));
  EXPECT_EQ(Press(VK_ESCAPE), mrNone);
  EXPECT_FALSE(IsWindowVisible(City->GetPopupListbox()->GetHandle()));
  Input.KeyPress(VK_DOWN, {ssAlt});
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Press(VK_RETURN), mrNone);
  EXPECT_FALSE(IsWindowVisible(City->GetPopupListbox()->GetHandle()));
  EXPECT_EQ(Shown(City), "Kraków");  // the row after København
  Customers->Cancel();
  // Nothing modified is left behind in the record.
  EXPECT_EQ(Customers->GetState(), dsBrowse);
}

TEST_F(DBCtrlsKvFormTest, TypedValuesAreWrittenOnLeavingAndPostedToTheFileOnMoving) {
  Input.Type("Ana Lima");
  EXPECT_EQ(Customers->GetState(), dsEdit);
  Input.KeyPress(VK_TAB);  // to City: the name is in the field, not yet in the file
  EXPECT_EQ(Customers->FieldByName("name")->GetAsString(), "Ana Lima");
  EXPECT_EQ(Row("name", 1), "Björn Öztürk");
  Input.Type("ch");  // completes to Chicago
  EXPECT_EQ(Shown(City), "Chicago");
  Input.KeyPress(VK_TAB);  // to Country: typing searches its items
  Input.Type("u");
  EXPECT_EQ(Shown(Country), "US United States");
  Input.KeyPress(VK_TAB);
  Input.KeyPress(VK_TAB);
  Input.KeyPress(VK_TAB);  // to the check box
  ASSERT_TRUE(Vip->Focused());
  Input.KeyPress(VK_SPACE);
  EXPECT_TRUE(Vip->GetChecked());
  Customers->Next();  // the record is posted
  EXPECT_EQ(Row("name", 1), "Ana Lima");
  EXPECT_EQ(Row("city", 1), "Chicago");
  EXPECT_EQ(Row("country", 1), "USA");  // the key, not the text shown
  EXPECT_EQ(Row("vip", 1), "1");
  EXPECT_EQ(Shown(Name), "Mikko Nowak");
  Customers->Prior();
  EXPECT_EQ(Shown(Country), "US United States");
}

TEST_F(DBCtrlsKvFormTest, EscapeRestoresTheFieldsTextAndALetterInTheCreditBeeps) {
  Input.Type("Wrong");
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Shown(Name), "Björn Öztürk");
  EXPECT_EQ(Name->GetSelLength(), Length(String("Björn Öztürk")));
  Credit->SetFocus();
  Input.KeyPress(VK_END);
  Input.Type("x");
  EXPECT_EQ(GetMessageBeepCount(), 1);
  EXPECT_EQ(Shown(Credit), "31097.05");
  Input.KeyPress(VK_BACK);
  Input.Type("9");
  Input.KeyPress(VK_TAB);
  Customers->Next();
  EXPECT_EQ(Row("credit", 1), "31097.09");
  Customers->Prior();
  EXPECT_EQ(Shown(Credit), "$31,097.09");
}

TEST_F(DBCtrlsKvFormTest, AFieldErrorOnLeavingKeepsTheFocusAndEverythingTyped) {
  Since->SetFocus();
  Input.Type("2/30/2024");  // no such day
  Input.KeyPress(VK_TAB);
  ASSERT_EQ(Application()->GetHandledExceptions().size(), 1u);
  EXPECT_EQ(Application()->GetHandledExceptions()[0].ClassName, "EConvertError");
  Application()->ClearHandledExceptions();
  EXPECT_TRUE(Since->Focused());
  EXPECT_EQ(Shown(Since), "2/30/2024");
  EXPECT_EQ(Since->GetSelStart(), 0);
  EXPECT_EQ(Since->GetSelLength(), 9);
  SaveWindowPng(FormWnd(), "DBCtrlsKvForm.png");
  Input.Type("2/29/2024");
  Input.KeyPress(VK_TAB);
  EXPECT_TRUE(Credit->Focused());
  Customers->Post();
  EXPECT_EQ(Row("since", 1), "2024-02-29");
}

}  // namespace
}  // namespace korvel
