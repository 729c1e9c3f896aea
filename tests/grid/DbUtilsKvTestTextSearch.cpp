// The library's own text search through a grid, as the find dialog and the
// type-ahead search use it: the three kinds of match with and without letter
// case, the three directions, one column or every visible column, the
// display format, and what the person sees afterwards: the found cell current,
// or the records where they were.
#include <gtest/gtest.h>

#include "grid/DbUtilsKv.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// Five records over four user columns: ID, Name, City, Amount ("#,##0.00").
class DbUtilsKvTextSearchTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    DataSet = TMemoryDataSet::Create(Form);
    DataSet->GetFieldDefs()->Add("ID", ftInteger);
    DataSet->GetFieldDefs()->Add("Name", ftString, 20);
    DataSet->GetFieldDefs()->Add("City", ftString, 20);
    DataSet->GetFieldDefs()->Add("Amount", ftFloat);
    DataSet->Open();
    DataSet->AppendRecord({1, "abc", "Paris", 1234.0});
    DataSet->AppendRecord({2, "xabcx", "Wien", 5.0});
    DataSet->AppendRecord({3, "ABC", "Oslo", 7.5});
    DataSet->AppendRecord({4, "Zed", "abc town", 0.0});
    DataSet->AppendRecord({5, "abcd", "end abc", 99.0});
    DataSet->First();
    for (const char* Name : {"ID", "Name", "City", "Amount"})
      Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->Column(3)->SetDisplayFormat("#,##0.00");
    Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid->SetDataSource(Source);
  }
  // Puts the cell (record RecNo, column Column) current.
  void GoTo(Integer RecNo, Integer Column) {
    DataSet->SetRecNo(RecNo);
    Grid->SetSelectedIndex(Column);
  }
  bool Find(const String& Text, TLocateTextMatchingKv Matching, TLocateTextDirectionKv Direction,
            TLocateTextOptionsKv Options, const String& FieldName = String()) {
    const bool Found = Grid->LocateText(FieldName, Text, Matching, Direction, Options);
    EXPECT_FALSE(DataSet->ControlsDisabled()) << "the dataset's controls are enabled again";
    return Found;
  }
  // Where the current cell is: "record,column".
  String Cell() {
    return std::to_string(DataSet->GetRecNo()) + "," + std::to_string(Grid->GetSelectedIndex());
  }
  TMemoryDataSet* DataSet = nullptr;
  TDataSource* Source = nullptr;
};

constexpr Integer IdCol = 0, NameCol = 1, CityCol = 2, AmountCol = 3;
const TLocateTextOptionsKv NoCase{ltoCaseInsensitiveKv};
const TLocateTextOptionsKv WithCase{};

TEST_F(DbUtilsKvTextSearchTest, EachKindOfMatchWithAndWithoutLetterCase) {
  const struct {
    const char* Text;
    TLocateTextMatchingKv Matching;
    TLocateTextOptionsKv Options;
    Integer RecNo;  // 0: not found
  } Cases[] = {
      {"abc", ltmAnyPartKv, NoCase, 2},         {"bcx", ltmAnyPartKv, WithCase, 2},
      {"abc", ltmWholeKv, NoCase, 3},           {"ABC", ltmWholeKv, WithCase, 3},
      {"Abc", ltmWholeKv, WithCase, 0},         {"abc", ltmFromBeginningKv, NoCase, 3},
      {"abc", ltmFromBeginningKv, WithCase, 5}, {"bc", ltmFromBeginningKv, NoCase, 0},
      {"abcde", ltmFromBeginningKv, NoCase, 0},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text + std::to_string(C.Matching));
    GoTo(1, NameCol);
    EXPECT_EQ(Find(C.Text, C.Matching, ltdDownKv, C.Options), C.RecNo != 0);
    EXPECT_EQ(DataSet->GetRecNo(), C.RecNo != 0 ? C.RecNo : 1);
    EXPECT_EQ(Grid->GetSelectedIndex(), NameCol);
  }
}

TEST_F(DbUtilsKvTextSearchTest, UpDownAndAllStartWhereTheyShould) {
  GoTo(3, NameCol);
  EXPECT_FALSE(Find("abc", ltmWholeKv, ltdDownKv, NoCase))
      << "down starts after the current record";
  EXPECT_EQ(DataSet->GetRecNo(), 3);
  EXPECT_TRUE(Find("abc", ltmWholeKv, ltdAllKv, NoCase)) << "all starts at the first record";
  EXPECT_EQ(DataSet->GetRecNo(), 1);
  EXPECT_FALSE(Find("abc", ltmWholeKv, ltdUpKv, NoCase)) << "nothing above the first record";
  EXPECT_EQ(DataSet->GetRecNo(), 1);
  GoTo(5, NameCol);
  EXPECT_TRUE(Find("abc", ltmWholeKv, ltdUpKv, NoCase));
  EXPECT_EQ(DataSet->GetRecNo(), 3);
  EXPECT_TRUE(Find("abc", ltmWholeKv, ltdUpKv, NoCase));
  EXPECT_EQ(DataSet->GetRecNo(), 1);
}

// Regression: with letter case the matched column did not become current,
// so "Find next" began again from the old column and found the same cell.
TEST_F(DbUtilsKvTextSearchTest, AllColumnsFindEveryCellInTurnAndMakeItCurrent) {
  const TLocateTextOptionsKv Modes[] = {NoCase + ltoAllFieldsKv, WithCase + ltoAllFieldsKv};
  for (const TLocateTextOptionsKv& Options : Modes) {
    SCOPED_TRACE(Options.GetBits());
    GoTo(1, NameCol);
    std::vector<String> Cells;
    while (Cells.size() < 10 && Find("abc", ltmAnyPartKv, ltdDownKv, Options))
      Cells.push_back(Cell());
    const std::vector<String> Expected =
        Options.Contains(ltoCaseInsensitiveKv)
            ? std::vector<String>{"2,1", "3,1", "4,2", "5,1", "5,2"}
            : std::vector<String>{"2,1", "4,2", "5,1", "5,2"};
    EXPECT_EQ(Cells, Expected);
    EXPECT_EQ(Cell(), "5,2") << "the last find stays current";
  }
  GoTo(5, CityCol);
  std::vector<String> Cells;
  while (Cells.size() < 10 && Find("abc", ltmAnyPartKv, ltdUpKv, NoCase + ltoAllFieldsKv))
    Cells.push_back(Cell());
  EXPECT_EQ(Cells, (std::vector<String>{"5,1", "4,2", "3,1", "2,1", "1,1"}));
}

// Regression: a search over all columns stopped at once on a record reached
// by Last (or First) without looking at its other columns.
TEST_F(DbUtilsKvTextSearchTest, AllColumnsSearchTheRestOfTheFirstOrLastRecord) {
  DataSet->Last();
  Grid->SetSelectedIndex(NameCol);
  EXPECT_TRUE(Find("end", ltmFromBeginningKv, ltdDownKv, WithCase + ltoAllFieldsKv));
  EXPECT_EQ(Cell(), "5,2");
  DataSet->First();
  Grid->SetSelectedIndex(CityCol);
  EXPECT_TRUE(Find("1", ltmWholeKv, ltdUpKv, WithCase + ltoAllFieldsKv));
  EXPECT_EQ(Cell(), "1,0");
  DataSet->First();
  Grid->SetSelectedIndex(AmountCol);
  EXPECT_TRUE(Find("paris", ltmWholeKv, ltdAllKv, NoCase + ltoAllFieldsKv))
      << "all columns from the first record start at the first column";
  EXPECT_EQ(Cell(), "1,2");
  // One record: the grid's kept position leaves the dataset at its end or
  // its start, as Last or First left it.
  DataSet->SetFilter("ID = 5");
  DataSet->SetFiltered(true);
  DataSet->Last();
  Grid->SetSelectedIndex(NameCol);
  ASSERT_TRUE(DataSet->GetEof());
  EXPECT_TRUE(Find("end", ltmFromBeginningKv, ltdDownKv, WithCase + ltoAllFieldsKv));
  EXPECT_EQ(Cell(), "1,2");
  DataSet->First();
  Grid->SetSelectedIndex(AmountCol);
  ASSERT_TRUE(DataSet->GetBof());
  EXPECT_TRUE(Find("abcd", ltmWholeKv, ltdUpKv, WithCase + ltoAllFieldsKv));
  EXPECT_EQ(Cell(), "1,1");
}

// Regression: the column chosen by field name was ignored and the current
// column searched instead.
TEST_F(DbUtilsKvTextSearchTest, AFieldNameSearchesThatColumnAndMakesItCurrent) {
  GoTo(1, NameCol);
  EXPECT_TRUE(Find("TOWN", ltmAnyPartKv, ltdDownKv, NoCase, "city"));
  EXPECT_EQ(Cell(), "4,2");
  EXPECT_FALSE(Find("x", ltmAnyPartKv, ltdAllKv, NoCase, "Nowhere"));
  Grid->Column(CityCol)->SetVisible(false);
  EXPECT_FALSE(Find("Oslo", ltmWholeKv, ltdAllKv, NoCase, "City"))
      << "a hidden column is not searched";
  EXPECT_EQ(DataSet->GetRecNo(), 4);
}

TEST_F(DbUtilsKvTextSearchTest, TheDisplayFormatIsMatchedOnlyWhenAskedFor) {
  GoTo(5, IdCol);
  EXPECT_FALSE(Find("1,234", ltmAnyPartKv, ltdAllKv, NoCase + ltoAllFieldsKv));
  EXPECT_TRUE(Find("1,234.00", ltmWholeKv, ltdAllKv, NoCase + ltoAllFieldsKv + ltoMatchFormatKv));
  EXPECT_EQ(Cell(), "1,3");
  GoTo(5, IdCol);
  EXPECT_TRUE(Find("1234", ltmWholeKv, ltdAllKv, NoCase, "Amount"));
  EXPECT_EQ(Cell(), "1,3");
}

// Hidden columns between the visible ones: the column read is the column
// made current.
TEST_F(DbUtilsKvTextSearchTest, HiddenColumnsAreSkippedAndTheFoundColumnIsTheOneRead) {
  Grid->Column(CityCol)->SetVisible(false);
  GoTo(1, IdCol);
  EXPECT_FALSE(Find("town", ltmAnyPartKv, ltdDownKv, NoCase + ltoAllFieldsKv));
  EXPECT_EQ(Cell(), "1,0");
  EXPECT_TRUE(Find("99", ltmWholeKv, ltdDownKv, NoCase + ltoAllFieldsKv));
  EXPECT_EQ(Cell(), "5,3");
}

// Regression: only the columns fully on the screen were searched.
TEST_F(DbUtilsKvTextSearchTest, ColumnsScrolledOutOfSightAreSearchedToo) {
  Grid->SetWidth(120);
  GoTo(1, IdCol);
  ASSERT_LT(Grid->GetVisibleColCount(), 3);
  EXPECT_TRUE(Find("7.5", ltmWholeKv, ltdDownKv, NoCase + ltoAllFieldsKv));
  EXPECT_EQ(Cell(), "3,3");
}

TEST_F(DbUtilsKvTextSearchTest, NothingIsSearchedWithoutDataOrVisibleColumns) {
  EXPECT_FALSE(LocateDatasetText(nullptr, "", "abc", ltmAnyPartKv, ltdAllKv, NoCase));
  for (TColumnKv* Column : {Grid->Column(0), Grid->Column(1), Grid->Column(2), Grid->Column(3)})
    Column->SetVisible(false);
  EXPECT_FALSE(Find("abc", ltmAnyPartKv, ltdAllKv, NoCase + ltoAllFieldsKv));
  Grid->Column(NameCol)->SetVisible(true);
  EXPECT_TRUE(Find("abc", ltmAnyPartKv, ltdAllKv, NoCase));
  DataSet->Close();
  EXPECT_FALSE(Find("abc", ltmAnyPartKv, ltdAllKv, NoCase));
  DataSet->Open();
  Grid->SetDataSource(nullptr);
  EXPECT_FALSE(Find("abc", ltmAnyPartKv, ltdAllKv, NoCase));
}

// A search that finds nothing leaves the person looking at the same records
// in the same rows, on the same record, in memory and in an SQLite file.
class DbUtilsKvSearchViewTest : public DBGridNumbersTest {};

TEST_P(DbUtilsKvSearchViewTest, ASearchThatFindsNothingLeavesTheViewAsItWas) {
  OpenNumbers(GetParam(), 300);
  Grid->Update();
  DataSet->MoveBy(150);
  DataSet->MoveBy(-8);
  // The current record at each row of the window in turn.
  for (Integer Step = 0; Step < 10; ++Step) {
    DataSet->MoveBy(1);
    Grid->Update();
    const Integer TopRow = Grid->GetTopRow(), Row = Grid->GetRow(), RecNo = DataSet->GetRecNo();
    const Integer Active = Grid->GetDataLink()->GetActiveRecord();
    ASSERT_GT(TopRow, 0);
    for (const TLocateTextDirectionKv Direction : {ltdUpKv, ltdDownKv, ltdAllKv})
      for (const TLocateTextOptionsKv& Options :
           {TLocateTextOptionsKv{}, TLocateTextOptionsKv{ltoAllFieldsKv, ltoCaseInsensitiveKv}}) {
        SCOPED_TRACE(std::to_string(Step) + ":" + std::to_string(Direction) + "/" +
                     std::to_string(Options.GetBits()));
        EXPECT_FALSE(Grid->LocateText("", "no such text", ltmAnyPartKv, Direction, Options));
        EXPECT_EQ(DataSet->GetRecNo(), RecNo);
        EXPECT_EQ(Grid->GetTopRow(), TopRow);
        EXPECT_EQ(Grid->GetRow(), Row);
        EXPECT_EQ(Grid->GetDataLink()->GetActiveRecord(), Active);
        EXPECT_FALSE(DataSet->ControlsDisabled());
      }
  }
  EXPECT_TRUE(Grid->LocateText("name", "Row 290", ltmWholeKv, ltdDownKv, {}));
  EXPECT_EQ(DataSet->GetRecNo(), 290);
  EXPECT_EQ(Grid->GetSelectedIndex(), 1);
}

INSTANTIATE_TEST_SUITE_P(Stores, DbUtilsKvSearchViewTest,
                         ::testing::Values(TStore::Memory, TStore::SQLite), StoreName);

}  // namespace
}  // namespace korvel
