// The SQLite dataset's filter text is one condition on the columns: text that
// would reach past it into the statement, and a condition that fails on some
// row, are refused with the old filter kept and its rows still shown.

#include "SQLiteTestUtil.h"

namespace kvp::test {
namespace {

struct TSQLiteFilter : ::testing::Test {
  TTempDatabase Db{"filter"};
  TObjectPtr<TSQLiteDataSet> DS;
  void SetUp() override {
    RunSQL(Db.File,
           "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT, amount REAL);"
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
           "INSERT INTO items SELECT i, 'item ' || i, i * 1.5 FROM n;");
    DS = OpenSQLite(Db.File, "items");
    DS->SetFilter("amount > 150");
    DS->SetFiltered(true);
  }
  // The ids shown, walking at most Limit rows (a filter that escaped its
  // condition once gave rows without end).
  std::vector<Integer> Walk(Integer Limit = 1000) {
    std::vector<Integer> Ids;
    for (DS->First(); !DS->GetEof() && Integer(Ids.size()) < Limit; DS->Next())
      Ids.push_back(DS->FieldByName("id")->GetAsInteger());
    return Ids;
  }
};

TEST_F(TSQLiteFilter, TextThatWouldEscapeTheConditionIsRefusedAndTheOldFilterKept) {
  const std::vector<Integer> Shown = Walk();
  ASSERT_EQ(Shown.size(), 100u);
  EXPECT_EQ(Shown.front(), 101);
  DS->SetRecNo(7);
  struct {
    const char* Text;
    const char* Why;
  } Refused[] = {
      {"1) OR (1", "closes none"},
      {"amount > 1) ORDER BY id DESC --", "closes none"},
      {"amount > 1 -- ) OR (1", "comment"},
      {"amount > 1 /* x */", "comment"},
      {"1; DELETE FROM items", "end the statement"},
      {"(amount > 1", "not closed"},
      {"name = 'abc", "not closed"},
      {"\"name = 1", "not closed"},
      {"amount > 1 ORDER BY id", "syntax error"},
      {"amount > 1 LIMIT 5", "syntax error"},
      {"1 UNION SELECT 1", "syntax error"},
      {"id = ?", "parameters"},
      {"id = :id", "parameters"},
      {"id = @id OR id = $x", "parameters"},
      {"no_such_column = 1", "no such column"},
      {"abs(id - 200 - 9223372036854775807 - 1) >= 0", "integer overflow"},
      {"json(name) IS NOT NULL", "malformed JSON"},
      {"++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++"
       "abs(id - 40) / 8 > 0",
       "parser stack overflow"},
  };
  for (const auto& Case : Refused) {
    SCOPED_TRACE(Case.Text);
    try {
      DS->SetFilter(Case.Text);
      ADD_FAILURE() << "the filter was applied";
    } catch (const EDatabaseError& E) {
      EXPECT_NE(E.GetMessage().find("Cannot apply the filter '" + String(Case.Text) + "'"),
                String::npos)
          << E.GetMessage();
      EXPECT_NE(E.GetMessage().find(Case.Why), String::npos) << E.GetMessage();
    }
    EXPECT_EQ(DS->GetFilter(), "amount > 150");
    EXPECT_TRUE(DS->GetFiltered());
    EXPECT_EQ(DS->GetRecordCount(), 100);
  }
  EXPECT_EQ(DS->FieldByName("id")->GetAsInteger(), 107) << "the row shown stays";
  EXPECT_EQ(Walk(), Shown);
}

TEST_F(TSQLiteFilter, QuotesCommentsAndParenthesesInsideLiteralsAreText) {
  RunSQL(Db.File, "UPDATE items SET name = 'a;b -- (c' WHERE id = 3;"
                  "UPDATE items SET name = 'it''s /* ) */' WHERE id = 4;");
  DS->SetFilter("name IN ('a;b -- (c', 'it''s /* ) */') OR \"name\" = 'item 9' OR [id] = 10");
  EXPECT_EQ(Walk(), (std::vector<Integer>{3, 4, 9, 10}));
  DS->SetFilter("   ");
  EXPECT_EQ(Walk().size(), 200u) << "an empty condition passes every row";
  DS->SetFilter("id IN (SELECT id FROM items WHERE amount < (3 * (2)))");
  EXPECT_EQ(Walk(), (std::vector<Integer>{1, 2, 3}));
}

TEST_F(TSQLiteFilter, AFilterTurnedOnLaterIsCheckedThen) {
  DS->SetFiltered(false);
  DS->SetFilter("1) OR (1");  // not in force: nothing to check yet
  EXPECT_THROW(DS->SetFiltered(true), EDatabaseError);
  EXPECT_FALSE(DS->GetFiltered());
  EXPECT_EQ(Walk().size(), 200u);
}

TEST(SQLiteFilterOnQuery, AQueryDatasetRefusesEscapesToo) {
  TTempDatabase Db("filterquery");
  RunSQL(Db.File, "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1), (2), (3);");
  TObjectPtr<TSQLiteDataSet> DS = OpenSQLite(Db.File, "", "SELECT a FROM t ORDER BY a DESC");
  DS->SetFilter("a < 3");
  DS->SetFiltered(true);
  EXPECT_EQ(DS->GetRecordCount(), 2);
  EXPECT_EQ(DS->FieldByName("a")->GetAsInteger(), 2);
  EXPECT_THROW(DS->SetFilter("a < 3) UNION SELECT 9 --"), EDatabaseError);
  EXPECT_EQ(DS->GetRecordCount(), 2);
}

}  // namespace
}  // namespace kvp::test
