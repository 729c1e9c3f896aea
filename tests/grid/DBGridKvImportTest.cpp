// The grid's readers as a user meets them: the binary exchange format
// written and read back equal for every kind of field, its exact bytes, tab-
// separated text read line by line into the selection or from the current
// cell on (overwriting, then appending), the columns' lists, the question
// for a value a field refuses, and malformed input refused whole with the
// reader's message, nothing changed.
//
// Ideas for tests: importing from a file that cannot be opened; a lookup on
// two key fields pasted as text.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/controls/Dialogs.h"
#include "platform/rtl/DateUtils.h"
#include "tests/grid/TestCellEditing.h"
#include "tests/grid/TestImpExp.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace impexptest;

const String SBinaryError = "TDBGridKvImportAsVCLDBIF.ReadPrefix: Invalid VCLDBIF format";
const String STextError = "TDBGridKvImportAsText.CheckState: Invalid text format";

// Binary exchange data built by hand.
struct TBinary {
  String Bytes;
  explicit TBinary(Integer Columns, Byte Version = 1) {
    Bytes = String("VCLDBIF") + char(Version);
    Int32(Columns);
    for (Integer I = 0; I < Columns; ++I) Bytes += String("\1\0", 2);
  }
  TBinary& Int32(Integer V) {
    for (int S = 0; S < 32; S += 8) Bytes += char((std::uint32_t(V) >> S) & 0xFF);
    return *this;
  }
  TBinary& Int(Integer V) {
    Bytes += char(3);
    return Int32(V);
  }
  TBinary& Float(double V) {
    Bytes += char(4);
    char B[8];
    std::memcpy(B, &V, 8);
    Bytes.append(B, 8);
    return *this;
  }
  TBinary& Str(const String& S) {
    Bytes += char(5);
    Int32(Integer(S.size()));
    Bytes += S;
    return *this;
  }
  TBinary& Null() {
    Bytes += char(2);
    return *this;
  }
  TBinary& None() {
    Bytes += char(1);
    return *this;
  }
  String End() const { return Bytes + char(0); }
};

// [SECTION] The binary format over the shop's orders

class DBGridKvBinaryTest : public DBGridShopTest {
 protected:
  void TearDown() override {
    EXPECT_FALSE(Orders->ControlsDisabled());
    ResetMessageDlgScript();
    DBGridShopTest::TearDown();
  }
  String Binary(bool All = true) {
    return ExportText(TDBGridKvExportAsVCLDBIF::StaticClass(), Grid, All);
  }
  void Read(const String& Bytes, bool All = false) {
    ImportText(TDBGridKvImportAsVCLDBIF::StaticClass(), Grid, Bytes, All);
  }
};

TEST_F(DBGridKvBinaryTest, TheWriterWritesTaggedLittleEndianValuesWithNoPadding) {
  // Record 2 (Pear) in columns of ID, Item, Weight (Null), Paid, Customer,
  // Ordered, Picture and one with no field.
  for (const char* Name : {"ID", "Item", "Weight", "Paid", "Customer", "Ordered", "Picture", ""})
    Grid->GetColumns()->Add()->SetFieldName(Name);
  Orders->SetRecNo(2);
  Orders->Edit();
  Field("Picture")->SetAsString(String("\0\xff", 2));
  Orders->Post();
  SelectRecords(Grid, {2});
  TBinary Expected(8);
  Expected.Int(2).Str("Pear").Null().Str("False");
  Expected.Int(2);  // the customer lookup is written as its key
  Expected.Float(EncodeDate(2024, 2, 29));
  Expected.Bytes += String("\6\2\0\0\0\0\xff", 7);
  Expected.None();  // a column without a field has no value
  EXPECT_EQ(Binary(false), Expected.End());
}

TEST_F(DBGridKvBinaryTest, CopiedValuesReadBackEqualIncludingNullsAndBinaryBytes) {
  Orders->SetRecNo(3);
  Orders->Edit();
  Field("Picture")->SetAsString(String("\0\1\2\xff", 4));
  Field("Note")->SetAsString("line 1\r\nline 2 ✓");
  Orders->Post();
  const std::vector<String> Before = Records(Orders);
  const String Bytes = Binary();
  // Every record gone, then everything read back from the first cell.
  while (!Orders->IsEmpty()) Orders->Delete();
  Read(Bytes, true);
  EXPECT_EQ(Records(Orders), Before);
}

TEST_F(DBGridKvBinaryTest, ANullDateStaysNullWhileTheSameDataAsTextWritesItsEmptyText) {
  Grid->GetColumns()->Add()->SetFieldName("Ordered");
  Grid->GetColumns()->Add()->SetFieldName("Item");
  SelectRectangle(Grid, 0, 3, 1, 3);  // Plum, whose date is Null
  const String Bytes = Binary(false);
  const String Text = ExportText(TDBGridKvExportAsText::StaticClass(), Grid, false);
  ASSERT_EQ(Text, "Ordered\tItem\r\n\tPlum");
  Grid->GetSelection()->Clear();
  Orders->SetRecNo(1);
  Grid->SetSelectedIndex(0);
  Read(Bytes);
  EXPECT_EQ(Field("Item")->GetAsString(), "Plum");
  EXPECT_TRUE(Field("Ordered")->IsNull());
  Orders->Edit();
  Field("Ordered")->SetAsDateTime(EncodeDate(2024, 1, 5));
  Orders->Post();
  ImportText(TDBGridKvImportAsText::StaticClass(), Grid, Text.substr(Text.find("\r\n") + 2));
  EXPECT_TRUE(Field("Ordered")->IsNull()) << "the empty text of a date is no date";
}

TEST_F(DBGridKvBinaryTest, ValuesGoToColumnsByPositionAndExtraOnesAreDropped) {
  // Three values a record into the two columns from Status on (Status,
  // CustID) of records 1 and 2: the third value of each record is dropped
  // and the records stay aligned.
  for (Integer I = cCustomer; I < Grid->GetColumns()->GetCount(); ++I)
    Column(I)->SetVisible(false);
  Grid->SetSelectedIndex(cStatus);
  Orders->SetRecNo(1);
  Read(TBinary(3).Str("A").Int(3).Str("dropped").Str("B").Int(1).Str("dropped").End());
  EXPECT_EQ(Records(Orders)[0], "1|Apple|3|1.1|0.5|True|A|3|Cid|1/5/2024|first|<null>");
  EXPECT_EQ(Records(Orders)[1], "2|Pear|0|2|<null>|False|B|1|Ann|2/29/2024|<null>|<null>");
  EXPECT_EQ(Orders->GetRecordCount(), 3);
}

TEST_F(DBGridKvBinaryTest, MalformedStreamsAreRefusedWholeAndChangeNothing) {
  Grid->SetSelectedIndex(cItem);
  const std::vector<String> Before = Records(Orders);
  const TBinary Two = TBinary(2).Str("X").Int(1);
  const String Valid = Two.End();
  struct TCase {
    const char* Name;
    String Bytes;
  } Cases[] = {
      {"empty", ""},
      {"short header", "VCLDBI"},
      {"wrong signature", "VCLDBIX" + Valid.substr(7)},
      {"ends inside a value", Valid.substr(0, Valid.size() - 3)},
      {"no end tag", Valid.substr(0, Valid.size() - 1)},
      {"negative length", TBinary(1).Bytes + char(5) + String("\xff\xff\xff\xff\0", 5)},
      {"length past the end", TBinary(1).Bytes + char(5) + String("\x10\0\0\0ab", 6) + char(0)},
      {"huge column count", String("VCLDBIF\1\xff\xff\xff\x7f", 12) + String(8, '\0')},
      {"negative column count", String("VCLDBIF\1\xff\xff\xff\xff", 12) + char(0)},
      {"no columns but values", TBinary(0).Int(1).End()},
      {"half a record", TBinary(2).Str("X").Int(1).Str("Y").End()},
      {"a second record broken", TBinary(2).Str("X").Int(1).Str("Y").Bytes + char(3) + "\1\0"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    try {
      Read(Case.Bytes);
      ADD_FAILURE() << "accepted";
    } catch (const Exception& E) {
      EXPECT_EQ(E.GetMessage(), SBinaryError);
      EXPECT_EQ(String(E.ClassName()), "Exception");
    }
    EXPECT_EQ(Records(Orders), Before);
    EXPECT_EQ(Orders->GetState(), dsBrowse);
  }
  // Any version byte is read; names of columns are kept and not matched.
  TBinary Named(2, 7);
  Named.Bytes.replace(13, 1, String("first\0", 6));
  Read(Named.Str("Kiwi").Int(9).End());
  EXPECT_EQ(Field("Item")->GetAsString(), "Kiwi");
  EXPECT_EQ(Field("Qty")->GetAsInteger(), 9);
}

// [SECTION] Every field kind

TEST(DBGridKvBinaryKinds, EveryKindOfFieldIsWrittenAndReadBackEqual) {
  ResetWindowSystem();
  TObjectPtr<TForm> Form(TForm::Create(nullptr));
  Form->SetBounds(0, 0, 800, 300);
  Form->Show();
  const std::vector<std::pair<const char*, TFieldType>> Kinds = {
      {"Str", ftString},      {"Small", ftSmallint},   {"Int", ftInteger},
      {"Word", ftWord},       {"Bool", ftBoolean},     {"Float", ftFloat},
      {"Money", ftCurrency},  {"Bcd", ftBCD},          {"Day", ftDate},
      {"Clock", ftTime},      {"Stamp", ftDateTime},   {"Bytes", ftBytes},
      {"VarBytes", ftVarBytes}, {"Blob", ftBlob},      {"Memo", ftMemo},
      {"Graphic", ftGraphic}, {"FmtMemo", ftFmtMemo},  {"Typed", ftTypedBinary},
      {"Fixed", ftFixedChar}, {"Wide", ftWideString},  {"Large", ftLargeint},
      {"Guid", ftGuid},       {"TimeStamp", ftTimeStamp}, {"FmtBcd", ftFMTBcd}};
  auto Make = [&](const char* Name) {
    TMemoryDataSet* D = TMemoryDataSet::Create(Form.get());
    D->SetName(Name);
    for (const auto& [FieldName, Type] : Kinds)
      D->GetFieldDefs()->Add(FieldName, Type,
                             Type == ftString || Type == ftFixedChar || Type == ftWideString ? 40
                             : Type == ftGuid ? 38 : Type == ftBytes || Type == ftVarBytes ? 8 : 0);
    D->Open();
    return D;
  };
  TMemoryDataSet* From = Make("From");
  TMemoryDataSet* To = Make("To");
  From->AppendRecord({"Grüße", -32768, -2147483647 - 1, 65535, true, 1.0 / 3, Currency::FromDouble(-12.3456),
                      Currency::FromDouble(99.99), VarFromDateTime(EncodeDate(1899, 12, 30)),
                      VarFromDateTime(EncodeTime(23, 59, 58, 0)),
                      VarFromDateTime(EncodeDate(2024, 2, 29) + EncodeTime(12, 0, 1, 0)),
                      String("\0\1\2\3\4\5\6\7", 8), String("\xff\0", 2), String("\0blob\xfe", 6),
                      "memo\r\nline", String("\x89PNG\0", 5), "{\\rtf1 x}", String("\0\0", 2),
                      "fixed", "東京", Int64(9007199254740993), "{01234567-89AB-CDEF-0123-456789ABCDEF}",
                      VarFromDateTime(EncodeDate(2000, 1, 1)), Currency::FromDouble(0.0001)});
  From->AppendRecord({Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(),
                      Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(),
                      Null(), Null(), Null(), Null()});
  From->AppendRecord({"", 0, 0, 0, false, -0.0, Currency(), Currency(), VarFromDateTime(-1.5),
                      VarFromDateTime(0.0), VarFromDateTime(36526.75), "", "", "", "", "", "", "",
                      "", "", Int64(-1), "", VarFromDateTime(1.0), Currency::FromDouble(-1)});
  TDataSource* FromSource = TDataSource::Create(Form.get());
  FromSource->SetDataSet(From);
  TDataSource* ToSource = TDataSource::Create(Form.get());
  ToSource->SetDataSet(To);
  TCustomDBGridKv* FromGrid = TCustomDBGridKv::Create(Form.get());
  FromGrid->SetParent(Form.get());
  FromGrid->SetDataSource(FromSource);
  TCustomDBGridKv* ToGrid = TCustomDBGridKv::Create(Form.get());
  ToGrid->SetParent(Form.get());
  ToGrid->SetDataSource(ToSource);
  const String Bytes = ExportText(TDBGridKvExportAsVCLDBIF::StaticClass(), FromGrid, true);
  ImportText(TDBGridKvImportAsVCLDBIF::StaticClass(), ToGrid, Bytes, true);
  const std::vector<String> Expected = Records(From), Got = Records(To);
  ASSERT_EQ(Got.size(), 3u);
  for (std::size_t I = 0; I < 3; ++I) EXPECT_EQ(Got[I], Expected[I]) << "record " << I + 1;
  for (Integer F = 0; F < From->GetFields()->GetCount(); ++F) {
    From->First();
    To->First();
    SCOPED_TRACE(From->GetFields()->GetField(F)->GetFieldName());
    EXPECT_EQ(To->GetFields()->GetField(F)->GetValue(), From->GetFields()->GetField(F)->GetValue());
  }
  Form.reset();
  ResetWindowSystem();
}

// [SECTION] Text over three string columns

// A grid of three string columns A, B, C over records "a1 b1 c1" ... "a4".
class DBGridKvTextImportTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    DataSet = TMemoryDataSet::Create(Form);
    for (const char* Name : {"A", "B", "C"}) DataSet->GetFieldDefs()->Add(Name, ftString, 20);
    DataSet->Open();
    for (Integer I = 1; I <= 4; ++I) {
      const String N = std::to_string(I);
      DataSet->AppendRecord({"a" + N, "b" + N, "c" + N});
    }
    DataSet->First();
    Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid->SetDataSource(Source);
    Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  }
  void TearDown() override {
    EXPECT_FALSE(DataSet->ControlsDisabled());
    EXPECT_EQ(DataSet->GetState(), dsBrowse);
    ResetMessageDlgScript();
    DBGridOnFormTest::TearDown();
  }
  void Read(const String& Text, bool All = false) {
    ImportText(TDBGridKvImportAsText::StaticClass(), Grid, Text, All);
  }
  TMemoryDataSet* DataSet = nullptr;
  TDataSource* Source = nullptr;
};

TEST_F(DBGridKvTextImportTest, TabsAndLineEndsSplitValuesAsTheReaderReadsThem) {
  struct TCase {
    const char* Text;
    std::vector<String> Records;
  } Cases[] = {
      {"x\ty\r\n", {"x|y|c1", "a2|b2|c2"}},
      {"x\t\ty", {"x|<null>|y", "a2|b2|c2"}},
      {"\tx", {"<null>|x|c1", "a2|b2|c2"}},
      {"x\t\r\ny", {"x|b1|c1", "y|b2|c2"}},
      {"x\r\n\r\nz", {"x|b1|c1", "a2|b2|c2", "z|b3|c3"}},
      {"x\ty\tz\textra\tmore", {"x|y|z", "a2|b2|c2"}},
      {"Grüße\t東京\r\n", {"Grüße|東京|c1", "a2|b2|c2"}},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Text);
    DataSet->First();
    const std::vector<String> Before = Records(DataSet);
    Read(Case.Text);
    std::vector<String> Got = Records(DataSet);
    Got.resize(Case.Records.size());
    EXPECT_EQ(Got, Case.Records);
    // Back to the records as they were.
    for (std::size_t I = 0; I < Before.size(); ++I) {
      DataSet->SetRecNo(Integer(I + 1));
      DataSet->Edit();
      for (Integer F = 0; F < 3; ++F)
        DataSet->GetFields()->GetField(F)->SetAsString(GetWord(F + 1, Before[I], "|"));
      DataSet->Post();
    }
  }
}

TEST_F(DBGridKvTextImportTest, FromTheCurrentCellRecordsAreOverwrittenThenNewOnesAppended) {
  // From B of record 3: two lines overwrite records 3 and 4, the third is
  // appended; values past C are dropped.
  DataSet->SetRecNo(3);
  Grid->SetSelectedIndex(1);
  Read("p\tq\tdropped\r\nr\ts\r\nt\tu\r\n");
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"a1|b1|c1", "a2|b2|c2", "a3|p|q", "a4|r|s",
                                                   "<null>|t|u"}));
  EXPECT_EQ(DataSet->FieldByName("A")->GetAsString(), "a3") << "the grid stays where it was";
  // Without appending the surplus is not read.
  Grid->SetAllowedOperations(Grid->GetAllowedOperations() - alopAppendKv);
  DataSet->SetRecNo(5);
  Read("v\r\nw\r\n");
  EXPECT_EQ(DataSet->GetRecordCount(), 5);
  EXPECT_EQ(Records(DataSet).back(), "<null>|v|u");
}

TEST_F(DBGridKvTextImportTest, WhileARecordIsInsertedNothingIsOverwritten) {
  DataSet->SetRecNo(2);
  DataSet->Insert();
  Read("n1\tm1\r\nn2\tm2");
  // The untouched insert goes; the lines are inserted before record 2.
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"a1|b1|c1", "n1|m1|<null>", "n2|m2|<null>",
                                                   "a2|b2|c2", "a3|b3|c3", "a4|b4|c4"}));
}

TEST_F(DBGridKvTextImportTest, EachKindOfSelectionTakesTheLinesInItsOwnRecordsAndColumns) {
  SelectRecords(Grid, {2, 4});
  Read("r1\tr2\r\nr3\r\nnot read\r\n");
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"a1|b1|c1", "r1|r2|c2", "a3|b3|c3",
                                                   "r3|b4|c4"}));
  SelectRectangle(Grid, 1, 1, 2, 2);
  Read("x\ty\r\nz\r\nnot read");
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"a1|x|y", "r1|z|c2", "a3|b3|c3", "r3|b4|c4"}));
  Grid->GetSelection()->Clear();
  Grid->GetSelection()->GetColumns()->Add(Grid->Column(2));
  Read("1\r\n2\r\n3\r\n4\r\n5");
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"a1|x|1", "r1|z|2", "a3|b3|3", "r3|b4|4"}));
}

TEST_F(DBGridKvTextImportTest, AReadOnlyColumnIsPassedOverAndTheOthersStayInPlace) {
  Grid->GetColumns()->Add()->SetFieldName("A");
  Grid->GetColumns()->Add()->SetFieldName("B");
  Grid->GetColumns()->Add()->SetFieldName("C");
  Grid->Column(1)->SetReadOnly(true);
  Read("x\ty\tz\r\nu\tv\tw", true);
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"x|b1|z", "u|b2|w", "a3|b3|c3", "a4|b4|c4"}));
}

TEST_F(DBGridKvTextImportTest, ALoneCarriageReturnRefusesTheWholeTextBeforeAnyChange) {
  const std::vector<String> Before = Records(DataSet);
  for (const char* Text : {"x\ty\r\nz\rw", "x\r", "\r\r\n"}) {
    SCOPED_TRACE(Text);
    try {
      Read(Text, true);
      ADD_FAILURE() << "accepted";
    } catch (const Exception& E) {
      EXPECT_EQ(E.GetMessage(), STextError);
    }
    EXPECT_EQ(Records(DataSet), Before);
  }
}

// [SECTION] Values a field refuses

class DBGridKvImportErrorTest : public DBGridKvTextImportTest {
 protected:
  void SetUp() override {
    DBGridKvTextImportTest::SetUp();
    // B refuses "bad", and only that.
    DataSet->FieldByName("B")->OnValidate = TFieldNotifyEvent([](TField* Sender) {
      if (Sender->GetAsString() == "bad") throw EDatabaseError("'bad' is not a B");
    });
  }
  const std::vector<TMessageDlgRecord>& Asked() { return GetMessageDlgLog(); }
};

TEST_F(DBGridKvImportErrorTest, YesGoesOnWithTheNextValue) {
  QueueMessageDlgAnswer(mrYes);
  Read("x\tbad\tz\r\nu\tv\tw", true);
  ASSERT_EQ(Asked().size(), 1u);
  EXPECT_EQ(Asked()[0].Msg, "Error during insert value:\n'bad' is not a B\n\nIgnore error?");
  EXPECT_EQ(Asked()[0].DlgType, mtError);
  EXPECT_EQ(Asked()[0].Buttons, (TMsgDlgButtons{mbYes, mbNo, mbAll}));
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"x|b1|z", "u|v|w", "a3|b3|c3", "a4|b4|c4"}));
}

TEST_F(DBGridKvImportErrorTest, AllAsksNoMoreForThisImportOnly) {
  QueueMessageDlgAnswer(mrAll);
  Read("x\tbad\tz\r\nu\tbad\tw\r\np\tbad", true);
  EXPECT_EQ(Asked().size(), 1u);
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"x|b1|z", "u|b2|w", "p|b3|c3", "a4|b4|c4"}));
  QueueMessageDlgAnswer(mrYes);
  Read("bad\tbad", false);
  EXPECT_EQ(Asked().size(), 2u) << "the next import asks again";
}

TEST_F(DBGridKvImportErrorTest, NoEndsTheImportQuietlyAndDropsTheRecordItHadBegun) {
  QueueMessageDlgAnswer(mrNo);
  EXPECT_THROW(Read("x\ty\tz\r\nu\tbad\tw\r\np", true), EAbort);
  // The first record was finished; the second was begun (A written) and is
  // dropped whole; nothing after it was read.
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"x|y|z", "a2|b2|c2", "a3|b3|c3", "a4|b4|c4"}));
}

// [SECTION] Lists and lookups

class DBGridKvTextImportShopTest : public DBGridShopTest {
 protected:
  void TearDown() override {
    EXPECT_FALSE(Orders->ControlsDisabled());
    DBGridShopTest::TearDown();
  }
  void Read(const String& Text) {
    ImportText(TDBGridKvImportAsText::StaticClass(), Grid, Text);
  }
};

TEST_F(DBGridKvTextImportShopTest, APickTakesItsKeyAndALookupTheKeyOfTheRecordItNames) {
  Column(cStatus)->GetKeyList()->SetCommaText("Y,N");
  Column(cStatus)->GetPickList()->SetCommaText("Yes,No");
  Column(cCustID)->SetVisible(false);
  Grid->SetSelectedIndex(cStatus);
  // "no" is the pick No (case aside), "bo" finds Bob's record by its start.
  Read("no\tbo\r\nunknown\tnobody");
  Orders->First();
  EXPECT_EQ(Field("Status")->GetAsString(), "N");
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 2);
  EXPECT_EQ(Field("Customer")->GetAsString(), "Bob");
  Orders->Next();
  EXPECT_TRUE(Field("Status")->IsNull()) << "a text that is no pick clears the key";
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 2) << "a name no customer has changes nothing";
}

}  // namespace
}  // namespace korvel
