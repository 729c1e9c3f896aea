// Field values and text as a user typing into a control, or code reading a
// record, sees them: conversions, formats, empty text, bad input, ranges,
// valid characters, events and presentation changes.

#include "DbTestUtil.h"
#include "platform/rtl/DateUtils.h"

namespace kvp::test {
namespace {

// One record with a field of every common kind, in edit state.
struct TFieldKinds : ::testing::Test {
  TMemoryDataSet* DS = nullptr;
  void SetUp() override {
    DS = TMemoryDataSet::Create(nullptr);
    DS->SetName("Orders");
    TFieldDefs* Defs = DS->GetFieldDefs();
    Defs->Add("Name", ftString, 5);
    Defs->Add("Qty", ftInteger);
    Defs->Add("Small", ftSmallint);
    Defs->Add("Price", ftFloat);
    Defs->Add("Amount", ftCurrency);
    Defs->Add("Exact", ftBCD);
    Defs->Add("Paid", ftBoolean);
    Defs->Add("Day", ftDate);
    Defs->Add("At", ftDateTime);
    Defs->Add("Notes", ftMemo);
    DS->Open();
    DS->Append();
  }
  void TearDown() override { DS->Free(); }
  TField* F(const char* Name) { return DS->FieldByName(Name); }
};

TEST_F(TFieldKinds, DefaultFieldsHaveTheClassesOfTheirTypes) {
  EXPECT_TRUE(F("Name")->Is<TStringField>());
  EXPECT_TRUE(F("Qty")->Is<TIntegerField>());
  EXPECT_TRUE(F("Small")->Is<TSmallintField>());
  EXPECT_TRUE(F("Amount")->Is<TFloatField>());
  EXPECT_TRUE(DynCast<TFloatField>(F("Amount"))->GetCurrency());
  EXPECT_TRUE(F("Exact")->Is<TBCDField>());
  EXPECT_TRUE(F("Day")->Is<TDateTimeField>());
  EXPECT_TRUE(F("Notes")->Is<TMemoField>());
  EXPECT_TRUE(F("Notes")->IsBlob());
  EXPECT_EQ(F("Qty")->GetAlignment(), taRightJustify);
  EXPECT_EQ(F("Name")->GetAlignment(), taLeftJustify);
  EXPECT_EQ(F("Price")->GetFieldNo(), 4);
  EXPECT_EQ(F("Price")->GetIndex(), 3);
}

TEST_F(TFieldKinds, EmptyTextClearsEveryKindToNull) {
  const std::pair<const char*, const char*> Samples[] = {
      {"Name", "x"}, {"Qty", "1"},        {"Price", "1.5"},        {"Exact", "2"},
      {"Paid", "T"}, {"Day", "1/2/2020"}, {"At", "1/2/2020 10:00"}};
  for (auto [Name, Text] : Samples) {
    SCOPED_TRACE(Name);
    F(Name)->SetAsString(Text);
    EXPECT_FALSE(F(Name)->IsNull());
    F(Name)->SetText("");
    EXPECT_TRUE(F(Name)->IsNull());
    EXPECT_EQ(F(Name)->GetText(), "");
    EXPECT_EQ(F(Name)->GetDisplayText(), "");
    EXPECT_TRUE(VarIsNull(F(Name)->GetValue()));
  }
}

TEST_F(TFieldKinds, StringsAreCutToTheirSizeInCharacters) {
  F("Name")->SetAsString("Ångström");
  EXPECT_EQ(F("Name")->GetAsString(), "Ångst");
}

TEST_F(TFieldKinds, IntegersParseDecimalTextAndRoundFloatsHalfToEven) {
  F("Qty")->SetAsString(" -42");
  EXPECT_EQ(F("Qty")->GetAsInteger(), -42);
  F("Qty")->SetAsFloat(2.5);
  EXPECT_EQ(F("Qty")->GetAsInteger(), 2);
  F("Qty")->SetAsFloat(3.5);
  EXPECT_EQ(F("Qty")->GetAsInteger(), 4);
  F("Price")->SetAsFloat(-2.5);
  EXPECT_EQ(F("Price")->GetAsInteger(), -2);
  try {
    F("Qty")->SetAsString("12a");
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "'12a' is not a valid integer value for field 'Qty'");
  }
  EXPECT_EQ(F("Qty")->GetAsInteger(), 4) << "a refused value leaves the old one";
  F("Price")->SetAsFloat(-3e9);
  EXPECT_THROW(F("Price")->GetAsInteger(), EDatabaseError) << "below the integer range";
  F("Price")->SetAsFloat(3e9);
  EXPECT_THROW(F("Price")->GetAsInteger(), EDatabaseError) << "above the integer range";
  EXPECT_EQ(F("Price")->GetAsLargeInt(), 3000000000LL);
}

TEST_F(TFieldKinds, NarrowIntegersAndRangesRefuseValuesOutside) {
  try {
    F("Small")->SetAsInteger(40000);
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(),
              "40000 is not a valid value for field 'Small'. The allowed range is -32768 to 32767");
  }
  DynCast<TIntegerField>(F("Qty"))->SetMinValue(1);
  DynCast<TIntegerField>(F("Qty"))->SetMaxValue(10);
  EXPECT_THROW(F("Qty")->SetAsInteger(11), EDatabaseError);
  F("Qty")->SetAsInteger(10);
  EXPECT_EQ(F("Qty")->GetAsInteger(), 10);
}

TEST_F(TFieldKinds, FloatTextFollowsFormatsAndCurrency) {
  auto* Price = DynCast<TFloatField>(F("Price"));
  Price->SetAsFloat(1234.5);
  EXPECT_EQ(Price->GetText(), "1234.5");
  EXPECT_EQ(Price->GetAsString(), "1234.5");
  Price->SetDisplayFormat("#,##0.00");
  EXPECT_EQ(Price->GetDisplayText(), "1,234.50");
  EXPECT_EQ(Price->GetText(), "1,234.50") << "without an edit format the display format edits";
  Price->SetEditFormat("0.0");
  EXPECT_EQ(Price->GetText(), "1234.5");
  F("Amount")->SetAsFloat(-3.5);
  EXPECT_EQ(F("Amount")->GetDisplayText(), "($3.50)");
  EXPECT_EQ(F("Amount")->GetText(), "-3.50");
  try {
    Price->SetText("1.2.3");
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "'1.2.3' is not a valid floating point value for field 'Price'");
  }
}

TEST_F(TFieldKinds, BcdKeepsExactDecimals) {
  F("Exact")->SetAsString("0.1");
  F("Exact")->SetAsCurrency(F("Exact")->GetAsCurrency() * Currency(3));
  EXPECT_EQ(F("Exact")->GetAsString(), "0.3");
  EXPECT_EQ(F("Exact")->GetAsCurrency(), Currency::FromRaw(3000));
}

TEST_F(TFieldKinds, BooleansReadPrefixesOfTheirDisplayValues) {
  auto* Paid = DynCast<TBooleanField>(F("Paid"));
  Paid->SetText("t");
  EXPECT_TRUE(Paid->GetAsBoolean());
  EXPECT_EQ(Paid->GetText(), "True");
  Paid->SetDisplayValues("Yes;No");
  Paid->SetText("n");
  EXPECT_FALSE(Paid->GetAsBoolean());
  EXPECT_EQ(Paid->GetDisplayText(), "No");
  try {
    Paid->SetText("maybe");
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "'maybe' is not a valid boolean value for field 'Paid'");
  }
  Paid->SetDisplayValues("On;Off");
  Paid->SetText("o");
  EXPECT_EQ(Paid->GetText(), "Off") << "a prefix of both texts is read as the false one";
  Paid->SetText("ON");
  EXPECT_EQ(Paid->GetText(), "On");
}

TEST_F(TFieldKinds, DatesShowTheirFormatsAndEditTheShortForm) {
  auto* Day = DynCast<TDateTimeField>(F("Day"));
  Day->SetAsDateTime(EncodeDate(2024, 3, 7) + 0.5);
  EXPECT_EQ(Day->GetAsDateTime(), EncodeDate(2024, 3, 7)) << "a date field keeps the day";
  EXPECT_EQ(Day->GetText(), "3/7/2024");
  Day->SetDisplayFormat("yyyy-mm-dd");
  EXPECT_EQ(Day->GetDisplayText(), "2024-03-07");
  EXPECT_EQ(Day->GetText(), "3/7/2024") << "the display format is not the edit text";
  Day->SetText("12/31/1999");
  EXPECT_EQ(Day->GetAsDateTime(), EncodeDate(1999, 12, 31));
  EXPECT_THROW(Day->SetText("31/31/1999"), EConvertError);
  F("At")->SetAsDateTime(EncodeDate(2024, 3, 7) + EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(F("At")->GetText(), "3/7/2024 1:05:00 PM");
}

TEST_F(TFieldKinds, MemosShowTheirKindAndKeepTheirText) {
  EXPECT_EQ(F("Notes")->GetDisplayText(), "(Memo)");
  F("Notes")->SetAsString("line 1\r\nline 2");
  EXPECT_EQ(F("Notes")->GetDisplayText(), "(MEMO)");
  EXPECT_EQ(F("Notes")->GetAsString(), "line 1\r\nline 2");
}

TEST_F(TFieldKinds, ValidCharactersDependOnTheKind) {
  EXPECT_TRUE(F("Qty")->IsValidChar(U'7'));
  EXPECT_TRUE(F("Qty")->IsValidChar(U'-'));
  EXPECT_FALSE(F("Qty")->IsValidChar(U'.'));
  EXPECT_TRUE(F("Price")->IsValidChar(U'.'));
  EXPECT_TRUE(F("Price")->IsValidChar(U'e'));
  EXPECT_FALSE(F("Exact")->IsValidChar(U'e'));
  EXPECT_TRUE(F("Name")->IsValidChar(U'ß'));
  // An application narrows or widens what may be typed.
  F("Qty")->SetValidChars(TFieldChars::Of(U"0123456789"));
  EXPECT_FALSE(F("Qty")->IsValidChar(U'-'));
  EXPECT_TRUE(F("Qty")->IsValidChar(U'5'));
  TFieldChars NoDigits = F("Name")->GetValidChars();
  for (Char C = U'0'; C <= U'9'; ++C) NoDigits.Exclude(C);
  F("Name")->SetValidChars(NoDigits);
  EXPECT_FALSE(F("Name")->IsValidChar(U'1'));
  EXPECT_TRUE(F("Name")->IsValidChar(U'ß'));
  EXPECT_TRUE(F("Name")->IsValidChar(U'€'));
}

TEST_F(TFieldKinds, PrecisionLimitsTheGeneralFormat) {
  auto* Price = DynCast<TFloatField>(F("Price"));
  Price->SetAsFloat(1234.5678);
  EXPECT_EQ(Price->GetDisplayText(), "1234.5678");
  Price->SetPrecision(4);
  EXPECT_EQ(Price->GetDisplayText(), "1235");
  EXPECT_EQ(Price->GetText(), "1235");
  EXPECT_EQ(Price->GetAsString(), "1234.5678") << "AsString keeps every digit";
}

TEST_F(TFieldKinds, EditMaskShapesOnlyTheDisplayText) {
  F("Name")->SetAsString("123");
  F("Name")->SetEditMask("0-00;0;_");
  EXPECT_EQ(F("Name")->GetDisplayText(), "1-23");
  EXPECT_EQ(F("Name")->GetText(), "123");
  EXPECT_EQ(F("Name")->GetAsString(), "123");
  F("Name")->SetEditMask("");
  EXPECT_EQ(F("Name")->GetDisplayText(), "123");
}

TEST_F(TFieldKinds, TextEventsReplaceFormattingAndParsing) {
  F("Qty")->OnGetText = [](TField* Sender, String& Text, bool Display) {
    Text = (Display ? "#" : "") + Sender->GetAsString();
  };
  F("Qty")->OnSetText = [](TField* Sender, const String& Text) {
    Sender->SetAsInteger(Integer(Text.size()));
  };
  F("Qty")->SetText("abcd");
  EXPECT_EQ(F("Qty")->GetAsInteger(), 4);
  EXPECT_EQ(F("Qty")->GetDisplayText(), "#4");
  EXPECT_EQ(F("Qty")->GetText(), "4");
}

TEST_F(TFieldKinds, OnValidateThatRaisesKeepsTheOldValue) {
  F("Qty")->SetAsInteger(1);
  F("Qty")->OnValidate = [](TField* Sender) {
    if (Sender->GetAsInteger() < 0) DatabaseError("no negatives");
  };
  EXPECT_THROW(F("Qty")->SetAsInteger(-5), EDatabaseError);
  EXPECT_EQ(F("Qty")->GetAsInteger(), 1);
}

TEST_F(TFieldKinds, LabelsWidthsAndIndexChanges) {
  EXPECT_EQ(F("Qty")->GetDisplayLabel(), "Qty");
  F("Qty")->SetDisplayLabel("Quantity");
  EXPECT_EQ(F("Qty")->GetDisplayName(), "Quantity");
  EXPECT_EQ(F("Name")->GetDisplayWidth(), 5);
  F("Notes")->SetIndex(0);
  EXPECT_EQ(DS->GetFields()->GetField(0)->GetFieldName(), "Notes");
  EXPECT_EQ(F("Name")->GetIndex(), 1);
  EXPECT_EQ(F("Notes")->GetFieldNo(), 10) << "moving a field keeps its definition";
  try {
    DS->FieldByName("Missing");
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Orders: Field 'Missing' not found");
  }
  EXPECT_EQ(DS->FindField("qty"), F("Qty")) << "names are found without case";
}

TEST_F(TFieldKinds, ReadOnlyAndCalculatedFieldsCannotBeWritten) {
  F("Qty")->SetReadOnly(true);
  EXPECT_FALSE(F("Qty")->GetCanModify());
  try {
    F("Qty")->SetAsInteger(3);
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Orders: Field 'Qty' cannot be modified");
  }
}

TEST(PersistentFields, FieldsMadeBeforeOpenAreBoundByName) {
  TMemoryDataSet* DS = TMemoryDataSet::Create(nullptr);
  TStringField* Name = TStringField::Create(DS);
  Name->SetFieldName("Name");
  Name->SetSize(10);
  Name->SetDataSet(DS);
  TIntegerField* Qty = TIntegerField::Create(DS);
  Qty->SetFieldName("Qty");
  Qty->SetDataSet(DS);
  TFloatField* Total = TFloatField::Create(DS);
  Total->SetFieldName("Total");
  Total->SetFieldKind(fkCalculated);
  Total->SetDataSet(DS);
  DS->OnCalcFields = [](TDataSet* D) {
    D->FieldByName("Total")->SetAsFloat(D->FieldByName("Qty")->GetAsInteger() * 1.5);
  };
  DS->Open();
  EXPECT_FALSE(DS->GetDefaultFields());
  EXPECT_EQ(DS->GetFieldDefs()->GetCount(), 2);
  DS->AppendRecord({"a", 4});
  EXPECT_EQ(Total->GetAsFloat(), 6.0);
  DS->Edit();
  Qty->SetAsInteger(2);
  EXPECT_EQ(Total->GetAsFloat(), 3.0) << "calculated fields follow the edit";
  EXPECT_THROW(Total->SetAsFloat(1), EDatabaseError);
  DS->Post();
  DS->Close();
  EXPECT_EQ(DS->GetFields()->GetCount(), 3) << "persistent fields outlive closing";
  Qty->Free();
  EXPECT_EQ(DS->GetFields()->GetCount(), 2) << "a freed field leaves the list";
  DS->Free();
}

}  // namespace
}  // namespace kvp::test
