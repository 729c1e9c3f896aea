// The SQLite dataset and values its field types do not hold: each is read
// without loss, and a post writes back only what the user changed, so that the
// file keeps every other cell exactly as SQLite stored it.

#include <cmath>

#include "SQLiteTestUtil.h"
#include "platform/rtl/DateUtils.h"

namespace kvp::test {
namespace {

// A table with a value of every awkward kind in every typed column.
const char* const OddTable =
    "CREATE TABLE odd (id INTEGER PRIMARY KEY, n INTEGER, r REAL, b BOOLEAN, d DATE, t TIME, "
    "dt DATETIME, money DECIMAL(12, 2), wide DECIMAL, label VARCHAR(5), note TEXT, data BLOB, "
    "status TEXT DEFAULT 'new');"
    "INSERT INTO odd VALUES (1, 'abc', 'n/a', 'yes', '2024-03-07 13:05:00', '13:05', "
    "  '2024-03-07 13:05:00.123', 12.3456, 1e20, 'longer than five', 'plain', x'00ff7f', 'a');"
    "INSERT INTO odd VALUES (2, 12.5, 5000000000000000123, 2, '10000-01-01', '25:00:00', "
    "  1700000000, 1.23456, 922337203685478, 'ok', 'ünïcode', 'text in a blob column', 'b');"
    "INSERT INTO odd VALUES (3, 9223372036854775807, 1e308, -1, '0000-01-01', '13:05:00.1234', "
    "  '2024-03-07T13:05:00Z', 'twelve', -922337203685477.5808, NULL, NULL, NULL, NULL);"
    "INSERT INTO odd VALUES (4, 42, 2.5, 1, '2024-02-29', '23:59:59', '2024-03-07 08:30:00', "
    "  99.99, 7, 'abc', 'note', x'01', 'c');"
    "INSERT INTO odd VALUES (5, 2147483648, 3, 0, 2460000.5, 0.5, 45000.25, 7, 0.1, 5, 6.5, 7, 8);";

struct TSQLiteValues : ::testing::Test {
  TTempDatabase Db{"values"};
  TObjectPtr<TSQLiteDataSet> DS;
  void SetUp() override {
    RunSQL(Db.File, OddTable);
    DS = OpenSQLite(Db.File, "odd");
  }
  TField* F(const char* Name) { return DS->FieldByName(Name); }
  void GoTo(Integer Id) { ASSERT_TRUE(DS->Locate("id", Id, {})) << Id; }
};

TEST_F(TSQLiteValues, ValuesTheFieldTypeCannotHoldKeepTheirStoredForm) {
  GoTo(1);
  EXPECT_EQ(VarType(F("n")->GetValue()), varString);
  EXPECT_EQ(F("n")->GetValue().AsString(), "abc");
  EXPECT_EQ(F("r")->GetValue().AsString(), "n/a");
  EXPECT_EQ(F("b")->GetValue().AsString(), "yes");
  EXPECT_EQ(F("d")->GetAsDateTime(), EncodeDateTime(2024, 3, 7, 13, 5, 0, 0))
      << "a DATE column keeps the time it holds";
  EXPECT_EQ(F("t")->GetAsDateTime(), EncodeTime(13, 5, 0, 0)) << "a time without seconds";
  EXPECT_EQ(F("dt")->GetAsDateTime(), EncodeDateTime(2024, 3, 7, 13, 5, 0, 123));
  EXPECT_EQ(F("money")->GetAsCurrency(), Currency::FromDouble(12.3456));
  EXPECT_EQ(F("wide")->GetAsFloat(), 1e20) << "past the Currency range: a float";
  EXPECT_EQ(F("label")->GetAsString(), "longer than five") << "not cut to the declared size";
  EXPECT_EQ(F("data")->GetValue().AsString(), String("\x00\xff\x7f", 3));
  GoTo(2);
  EXPECT_EQ(F("n")->GetAsFloat(), 12.5);
  EXPECT_EQ(F("r")->GetAsFloat(), 5000000000000000123.0);
  EXPECT_EQ(F("b")->GetValue().AsInt64(), 2) << "a Boolean holds only 0 and 1";
  EXPECT_EQ(F("d")->GetValue().AsString(), "10000-01-01") << "a year past 9999 is not wrapped";
  EXPECT_EQ(F("t")->GetValue().AsString(), "25:00:00");
  EXPECT_EQ(VarType(F("dt")->GetValue()), varInteger) << "a Unix time stays a number";
  EXPECT_EQ(F("dt")->GetValue().AsInt64(), 1700000000);
  EXPECT_EQ(F("money")->GetAsFloat(), 1.23456) << "five decimals are not cut to four";
  EXPECT_EQ(VarType(F("money")->GetValue()), varDouble);
  EXPECT_EQ(F("wide")->GetValue().AsInt64(), 922337203685478);
  GoTo(3);
  EXPECT_EQ(F("n")->GetAsLargeInt(), INT64_MAX);
  EXPECT_EQ(F("d")->GetValue().AsString(), "0000-01-01");
  EXPECT_EQ(F("t")->GetValue().AsString(), "13:05:00.1234") << "finer than milliseconds";
  EXPECT_EQ(F("dt")->GetValue().AsString(), "2024-03-07T13:05:00Z") << "a time zone";
  EXPECT_EQ(F("money")->GetValue().AsString(), "twelve");
  GoTo(4);
  EXPECT_EQ(F("b")->GetAsBoolean(), true);
  EXPECT_EQ(F("d")->GetAsDateTime(), EncodeDate(2024, 2, 29));
  EXPECT_EQ(F("money")->GetAsCurrency(), Currency::FromDouble(99.99));
  EXPECT_EQ(VarType(F("money")->GetValue()), varCurrency);
  EXPECT_EQ(F("wide")->GetAsCurrency(), Currency(7));
}

TEST_F(TSQLiteValues, PostingWithoutAChangeLeavesTheFileByteForByte) {
  const std::vector<String> Before = StoredRows(Db.File, "odd");
  const String Bytes = FileBytes(Db.File);
  for (DS->First(); !DS->GetEof(); DS->Next()) {
    DS->Edit();
    DS->Post();
  }
  GoTo(4);  // every value there fits its field: set each to itself
  DS->Edit();
  for (TField* Field : *DS->GetFields()) Field->SetValue(Field->GetValue());
  DS->Post();
  EXPECT_EQ(StoredRows(Db.File, "odd"), Before);
  EXPECT_TRUE(FileBytes(Db.File) == Bytes) << "nothing was written";
}

// What a grid shows and edits for values their field type cannot hold: the
// value's own text, never an error, and that text typed back keeps the value
// exactly as stored.
TEST_F(TSQLiteValues, ValuesTheTypeCannotHoldShowTheirOwnTextAndKeepItWhenWrittenBack) {
  // [1] Every cell of every row reads as text, as painting does.
  for (DS->First(); !DS->GetEof(); DS->Next())
    for (TField* Field : *DS->GetFields()) {
      SCOPED_TRACE(Field->GetFieldName());
      EXPECT_NO_THROW(Field->GetDisplayText());
      EXPECT_NO_THROW(Field->GetText());
    }
  struct {
    Integer Id;
    const char* Field;
    const char* Text;
  } Cells[] = {
      {1, "n", "abc"},
      {1, "r", "n/a"},
      {1, "b", "yes"},
      {1, "wide", "1E20"},
      {2, "n", "12.5"},
      {2, "b", "2"},
      {2, "d", "10000-01-01"},
      {2, "t", "25:00:00"},
      {2, "dt", "1700000000"},
      {2, "money", "1.23456"},
      {2, "wide", "922337203685478"},
      {3, "n", "9223372036854775807"},
      {3, "b", "-1"},
      {3, "d", "0000-01-01"},
      {3, "t", "13:05:00.1234"},
      {3, "dt", "2024-03-07T13:05:00Z"},
      {3, "money", "twelve"},
      {5, "n", "2147483648"},
      {5, "d", "2460000.5"},
      {5, "t", "0.5"},
      {5, "dt", "45000.25"},
      {5, "label", "5"},
  };
  for (const auto& Cell : Cells) {
    SCOPED_TRACE(String(Cell.Field) + " of " + IntToStr(Cell.Id));
    GoTo(Cell.Id);
    EXPECT_EQ(F(Cell.Field)->GetDisplayText(), Cell.Text);
    EXPECT_EQ(F(Cell.Field)->GetText(), Cell.Text);
  }
  // [2] Typed reads still refuse what does not convert.
  GoTo(1);
  EXPECT_THROW(F("n")->GetAsFloat(), EConvertError);
  GoTo(2);
  EXPECT_THROW(F("d")->GetAsDateTime(), EConvertError);
  // [3] Each text written back, as an editor does, changes nothing stored.
  const std::vector<String> Before = StoredRows(Db.File, "odd");
  for (const auto& Cell : Cells) {
    SCOPED_TRACE(String(Cell.Field) + " of " + IntToStr(Cell.Id));
    GoTo(Cell.Id);
    DS->Edit();
    F(Cell.Field)->SetText(F(Cell.Field)->GetText());
    EXPECT_EQ(F(Cell.Field)->GetText(), Cell.Text);
    DS->Post();
  }
  EXPECT_EQ(StoredRows(Db.File, "odd"), Before);
  // [4] Other text is the field's to parse as usual.
  GoTo(2);
  DS->Edit();
  F("n")->SetText("13");
  DS->Post();
  EXPECT_EQ(F("n")->GetValue().AsInt64(), 13);
  EXPECT_EQ(F("n")->GetText(), "13");
}

TEST_F(TSQLiteValues, PostingAChangeWritesThatCellAndNoOther) {
  std::vector<String> Expected = StoredRows(Db.File, "odd");
  ASSERT_EQ(Expected.size(), 5u);
  // [1] One cell of each row, a different column each time.
  struct {
    Integer Id;
    const char* Field;
    Variant Value;
    const char* Old;
    const char* New;
  } Changes[] = {
      {1, "note", "edited", "text 'plain'", "text 'edited'"},
      {2, "n", 7, "real 12.5 (0x4029000000000000)", "integer 7"},
      {3, "dt", VarFromDateTime(EncodeDateTime(2025, 1, 2, 3, 4, 5, 6)),
       "text '2024-03-07T13:05:00Z'", "text '2025-01-02 03:04:05.006'"},
      {4, "money", Currency::FromDouble(1.5), "real 99.989999999999995 (0x4058ff5c28f5c28f)",
       "real 1.5 (0x3ff8000000000000)"},
      {5, "b", true, "integer 0", "integer 1"},
  };
  for (const auto& Change : Changes) {
    SCOPED_TRACE(Change.Field);
    GoTo(Change.Id);
    DS->Edit();
    F(Change.Field)->SetValue(Change.Value);
    DS->Post();
    String& Row = Expected[Change.Id - 1];
    const auto At = Row.find(Change.Old);
    ASSERT_NE(At, String::npos) << Row;
    Row.replace(At, std::strlen(Change.Old), Change.New);
  }
  EXPECT_EQ(StoredRows(Db.File, "odd"), Expected);
  // [2] Clearing a value writes NULL there.
  GoTo(1);
  DS->Edit();
  F("label")->Clear();
  DS->Post();
  const char* Label = "text 'longer than five'";
  Expected[0].replace(Expected[0].find(Label), std::strlen(Label), "null");
  EXPECT_EQ(StoredRows(Db.File, "odd"), Expected);
}

TEST_F(TSQLiteValues, ANewRowWritesTheGivenColumnsAndTheOthersTakeTheirDefaults) {
  DS->Append();
  F("label")->SetAsString("new");
  F("d")->SetAsDateTime(EncodeDate(2020, 5, 6));
  F("t")->SetAsDateTime(EncodeTime(7, 8, 9, 10));
  DS->Post();
  EXPECT_EQ(F("status")->GetAsString(), "new") << "the row comes back as stored";
  const std::vector<String> Rows = StoredRows(Db.File, "odd");
  ASSERT_EQ(Rows.size(), 6u);
  EXPECT_EQ(Rows.back(),
            "integer 6 | integer 6 | null | null | null | text '2020-05-06' | "
            "text '07:08:09.010' | null | null | null | text 'new' | null | null | text 'new'");
}

// Regression: a DECIMAL past the Currency range raised EOverflow while the row
// was read, so the rows after it could not be reached and Last raised.
TEST(SQLiteDecimals, ADecimalPastTheCurrencyRangeDoesNotBlockTheRowsAfterIt) {
  TTempDatabase Db("decimals");
  String SQL = "CREATE TABLE amounts (id INTEGER PRIMARY KEY, amount DECIMAL, total DECIMAL(20, 2));";
  for (Integer I = 1; I <= 300; ++I)
    SQL += "INSERT INTO amounts VALUES (" + IntToStr(I) + ", " + (I == 2 ? "1e20" : IntToStr(I)) +
           ", " + (I == 150 ? "123456789012345678.5" : "0.25") + ");";
  RunSQL(Db.File, SQL);
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "amounts");
  EXPECT_EQ(DS->FieldByName("total")->GetDataType(), ftFloat) << "twenty digits: a float";
  DS->Next();
  EXPECT_EQ(DS->FieldByName("amount")->GetAsFloat(), 1e20);
  Integer Rows = 0;
  for (DS->First(); !DS->GetEof(); DS->Next()) ++Rows;
  EXPECT_EQ(Rows, 300);
  DS->Last();
  EXPECT_EQ(DS->GetRecNo(), 300);
  EXPECT_EQ(DS->GetRecordCount(), 300);
  ASSERT_TRUE(DS->Locate("id", 150, {}));
  EXPECT_EQ(DS->FieldByName("total")->GetAsFloat(), 123456789012345678.5);
}

// A value read and written back through Value keeps what is stored, whatever
// the field's type: INTEGER 12.5, '' in a REAL column, a CURRENCY past what
// a double holds.
TEST_F(TSQLiteValues, EveryValueWrittenBackAsReadKeepsTheFileAsItWas) {
  RunSQL(Db.File,
         "CREATE TABLE more (id INTEGER PRIMARY KEY, n INTEGER, r REAL, c CURRENCY, d DATE);"
         "INSERT INTO more VALUES (1, 0.5, '', 922337203685477580, ''), "
         "(2, '', x'00', 0.12345, 12), (3, 1e300, -0.0, 9007199254740993, '2024-02-30');");
  for (const char* Table : {"odd", "more"}) {
    SCOPED_TRACE(Table);
    DS = OpenSQLite(Db.File, Table);
    const std::vector<String> Before = StoredRows(Db.File, Table);
    if (String(Table) == "more") {
      DS->First();
      EXPECT_EQ(VarType(F("n")->GetValue()), varDouble);
      EXPECT_EQ(F("n")->GetValue().AsDouble(), 0.5) << "read as stored, not as 0";
      EXPECT_EQ(VarType(F("r")->GetValue()), varString) << "'' is not Null";
      EXPECT_EQ(F("c")->GetValue().AsInt64(), 922337203685477580) << "not rounded";
    }
    for (DS->First(); !DS->GetEof(); DS->Next()) {
      DS->Edit();
      for (TField* Field : *DS->GetFields()) {
        SCOPED_TRACE(Field->GetFieldName());
        Field->SetValue(Field->GetValue());
      }
      DS->Post();
    }
    const std::vector<String> After = StoredRows(Db.File, Table);
    ASSERT_EQ(After.size(), Before.size());
    for (std::size_t I = 0; I < After.size(); ++I) EXPECT_EQ(After[I], Before[I]);
  }
}

// A value as a reader sees it: its kind and its text.
String Seen(TField* Field) {
  const Variant V = Field->GetValue();
  return IntToStr(Integer(VarType(V))) + ":" + (VarIsNull(V) ? String("null") : VarToStr(V));
}

// A walk with the controls disabled reads its rows in runs of the columns it
// reads, placing numbers as it goes; every value must read as it does on a
// record a control shows, whatever its storage class, whichever column it is
// and in whatever order the fields are read, a text too large to keep in
// memory included. The odd rows come after rows enough that the walk reaches
// them past what opening read.
TEST_F(TSQLiteValues, AWalkWithTheControlsDisabledReadsEveryValueAsAShownRecordDoes) {
  RunSQL(Db.File,
         "INSERT INTO odd (id, n, r, note, data, status) VALUES "
         "(6, -7, NULL, printf('%.300c', 'x'), zeroblob(300), 'e'), "
         "(7, NULL, -0.25, '', x'', NULL);"
         "INSERT INTO odd SELECT id + 1000, n, r, b, d, t, dt, money, wide, label, note, data, "
         "status FROM odd;"
         "DELETE FROM odd WHERE id < 1000;"
         "WITH RECURSIVE k(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM k WHERE i < 399) "
         "INSERT INTO odd (id, n, r, note) SELECT i, i, i / 4.0, 'row ' || i FROM k;");
  DS->Close();
  DS->SetCacheLimit(4096);  // texts and blobs past 256 bytes stay in the file
  DS->Open();
  // Some of the columns, the last first: the run holds them in its own order.
  const std::vector<TField*> Read{F("data"), F("note"), F("money"), F("dt"), F("r"), F("n")};
  std::vector<std::vector<String>> Walked;
  const Integer Runs = DS->GetReadRuns();
  {
    TDisableControlsGuard Hold(DS.get());
    for (DS->First(); !DS->GetEof(); DS->Next()) {
      Walked.emplace_back();
      for (TField* Field : Read) Walked.back().push_back(Seen(Field));
    }
  }
  EXPECT_GT(DS->GetReadRuns(), Runs + 1) << "the walk read runs";
  std::vector<std::vector<String>> Shown;
  for (DS->First(); !DS->GetEof(); DS->Next()) {
    Shown.emplace_back();
    for (TField* Field : Read) Shown.back().push_back(Seen(Field));
  }
  ASSERT_EQ(Shown.size(), 307u);
  ASSERT_EQ(Walked.size(), Shown.size());
  for (std::size_t Row = 0; Row < Shown.size(); ++Row) {
    SCOPED_TRACE(Row + 1);
    EXPECT_EQ(Walked[Row], Shown[Row]);
  }
  EXPECT_EQ(Shown[305][1], "256:" + String(300, 'x')) << "the large text, read from the file";
}

// What a user types is stored as typed, or refused with the reason; it is
// never cut.
TEST_F(TSQLiteValues, TypedValuesAreStoredWholeOrRefusedNeverCut) {
  RunSQL(Db.File,
         "CREATE TABLE typed (id INTEGER PRIMARY KEY, num NUMERIC, dec DECIMAL, "
         "money DECIMAL(12, 2), code CHAR(3), name VARCHAR(5));"
         "INSERT INTO typed (id) VALUES (1);");
  DS = OpenSQLite(Db.File, "typed");
  EXPECT_EQ(F("num")->GetDataType(), ftFloat) << "NUMERIC declares no scale";
  EXPECT_EQ(F("money")->GetDataType(), ftBCD);
  EXPECT_EQ(F("name")->GetSize(), 5) << "the declared width";
  DS->Edit();
  F("num")->SetText("0.123456789");
  F("dec")->SetText("-1234.56789");
  F("code")->SetText("ABCDEF");
  F("name")->SetText("longer than five");
  F("money")->SetText("12.34");
  try {
    F("money")->SetText("1.23456");
    FAIL() << "five decimals in a field that keeps four";
  } catch (const EDatabaseError& E) {
    EXPECT_NE(E.GetMessage().find("more decimals"), String::npos) << E.GetMessage();
  }
  EXPECT_EQ(F("money")->GetText(), "12.34") << "the value before stays";
  DS->Post();
  EXPECT_EQ(StoredRows(Db.File, "typed")[0],
            "integer 1 | integer 1 | real 0.123456789 (0x3fbf9add3739635f) | "
            "real -1234.56789 (0xc0934a4584f4c6e7) | real 12.34 (0x4028ae147ae147ae) | "
            "text 'ABCDEF' | text 'longer than five'");
}

}  // namespace
}  // namespace kvp::test
