// The in-memory dataset's filter text beyond plain comparisons: groups in
// parentheses, LIKE patterns, and quoted values compared with numbers, dates
// and Booleans by value; each refused text keeps the filter that was there.

#include "DbTestUtil.h"
#include "platform/rtl/DateUtils.h"

namespace kvp::test {
namespace {

// People with a birthday, a balance and a flag.
struct TMemoryFilter : ::testing::Test {
  TMemoryDataSet* DS = nullptr;
  void SetUp() override {
    DS = TMemoryDataSet::Create(nullptr);
    DS->SetName("People");
    DS->GetFieldDefs()->Add("ID", ftInteger);
    DS->GetFieldDefs()->Add("Name", ftString, 30);
    DS->GetFieldDefs()->Add("City", ftString, 30);
    DS->GetFieldDefs()->Add("Born", ftDate);
    DS->GetFieldDefs()->Add("Balance", ftFloat);
    DS->GetFieldDefs()->Add("Active", ftBoolean);
    DS->Open();
    DS->AppendRecord(
        {1, "Émile Zola", "Paris", VarFromDateTime(EncodeDate(2020, 1, 5)), 9.0, true});
    DS->AppendRecord(
        {2, "Ödön Horváth", "Wien", VarFromDateTime(EncodeDate(2020, 2, 1)), 10.0, false});
    DS->AppendRecord(
        {3, "anna_b", "Paris", VarFromDateTime(EncodeDate(2019, 12, 31)), 100.0, true});
    DS->AppendRecord({4, "Anna Karenina", Null(), Null(), Null(), Null()});
    DS->AppendRecord(
        {5, "Bob 100%", "Oslo", VarFromDateTime(EncodeDate(2020, 1, 10)), -5.0, false});
    DS->First();
  }
  void TearDown() override { FreeObject(DS); }
  std::vector<Integer> Ids(const String& Filter) {
    DS->SetFilter(Filter);
    DS->SetFiltered(true);
    std::vector<Integer> Result;
    for (DS->First(); !DS->GetEof(); DS->Next())
      Result.push_back(DS->FieldByName("ID")->GetAsInteger());
    EXPECT_EQ(Integer(Result.size()), DS->GetRecordCount());
    return Result;
  }
};

TEST_F(TMemoryFilter, GroupsInParenthesesGoFirst) {
  const struct {
    const char* Filter;
    std::vector<Integer> Ids;
  } Cases[] = {
      {"City = 'Paris' or City = 'Wien' and ID > 2", {1, 3}},
      {"(City = 'Paris' or City = 'Wien') and ID > 2", {3}},
      {"(City = 'Paris' or City = 'Wien') and (ID = 2 or ID = 3)", {2, 3}},
      {"((ID = 1)) or (ID = 5 and (City = 'Oslo' or City = null))", {1, 5}},
      {"( ID < 3 ) and City <> 'Wien'", {1}},
      {"Name = '(x) or (y)' or (ID = 4)", {4}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Filter);
    EXPECT_EQ(Ids(C.Filter), C.Ids);
  }
}

TEST_F(TMemoryFilter, LikeMatchesThePatternWithoutLetterCase) {
  const struct {
    const char* Filter;
    std::vector<Integer> Ids;
  } Cases[] = {
      {"Name like 'anna%'", {3, 4}},
      {"Name LIKE '%ZOLA'", {1}},
      {"Name like 'anna_b'", {3}},
      {"Name like 'anna\\_b'", {}},
      {"Name like '%100\\%%' or Name like '%100%%'", {5}},
      {"Name like 'é%'", {1}},
      {"Name like 'ö_ö%'", {2}},
      {"Name like '%'", {1, 2, 3, 4, 5}},
      {"City like '%'", {1, 2, 3, 5}},
      {"City not like 'p%'", {2, 5}},
      {"Name not  like '%a%' and ID > 0", {2, 5}},  // Horváth has an á, not an a
      {"Balance like '1%'", {2, 3}},
      {"(Name like '%o%') and City like 'Wien'", {2}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Filter);
    EXPECT_EQ(Ids(C.Filter), C.Ids);
  }
}

// Regression: a quoted value was compared with a date's or a number's text,
// so 1/5/2020 came after 1/10/2020 and 9 after 10.
TEST_F(TMemoryFilter, QuotedValuesCompareWithNumbersDatesAndBooleansByValue) {
  const struct {
    const char* Filter;
    std::vector<Integer> Ids;
  } Cases[] = {
      {"Born > '1/10/2020'", {2}}, {"Born >= '1/5/2020' and Born < '2/1/2020'", {1, 5}},
      {"Balance > '10'", {3}},     {"Balance < '9.5'", {1, 5}},
      {"Active = 'true'", {1, 3}}, {"Active <> 'True'", {2, 5}},
      {"Born = 'not a date'", {}}, {"Born <> 'not a date'", {}},
      {"ID = '1*'", {1}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Filter);
    EXPECT_EQ(Ids(C.Filter), C.Ids);
  }
}

TEST_F(TMemoryFilter, MalformedGroupsAndPatternsAreRefusedAndTheOldFilterKept) {
  DS->SetFilter("City = 'Paris'");
  DS->SetFiltered(true);
  const struct {
    const char* Filter;
    const char* Message;
  } Refused[] = {
      {"()", "People: Invalid filter condition '()'"},
      {"(ID = 1) and ( )", "People: Invalid filter condition '( )'"},
      {"(ID = 1", "People: Field '(ID' not found"},
      {"(ID = 1) x", "People: Invalid filter condition '(ID = 1) x'"},
      {"Name like abc", "People: Invalid filter condition 'Name like abc'"},
      {"Name like null", "People: Invalid filter condition 'Name like null'"},
      {"Name like 5", "People: Invalid filter condition 'Name like 5'"},
      {"Name like 'a' 'b'", "People: Invalid filter condition 'Name like 'a' 'b''"},
      {"like 'a'", "People: Invalid filter condition 'like 'a''"},
      {"Nope like 'a'", "People: Field 'Nope' not found"},
  };
  const String Deep = String(65, '(') + "ID = 1" + String(65, ')');
  for (const auto& R : Refused) {
    SCOPED_TRACE(R.Filter);
    try {
      DS->SetFilter(R.Filter);
      ADD_FAILURE() << "accepted";
    } catch (const EDatabaseError& E) {
      EXPECT_EQ(E.GetMessage(), R.Message);
    }
    EXPECT_EQ(DS->GetFilter(), "City = 'Paris'");
    EXPECT_EQ(DS->GetRecordCount(), 2) << "the old filter still applies";
  }
  // Groups nest 64 deep at most, so that no text of parentheses can use up
  // the stack.
  EXPECT_EQ(Ids(String(64, '(') + "ID = 1" + String(64, ')')), (std::vector<Integer>{1}));
  try {
    DS->SetFilter(Deep);
    ADD_FAILURE() << "accepted";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "People: Invalid filter condition '(ID = 1)'");
  }
  EXPECT_EQ(DS->GetFilter(), String(64, '(') + "ID = 1" + String(64, ')'));
}

}  // namespace
}  // namespace kvp::test
