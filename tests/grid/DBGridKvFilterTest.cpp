// The column filter as the filter row will drive it: the text typed for a
// column, typed by its field, refused without losing the previous filter,
// pick-list texts turned into keys, lookup columns keeping the key of the
// typed text, the written form a features object reads, clearing, the list
// dataset's values, and the settings stored with the form.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvFilterTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetDataSource(Source);
  }
  TSTColumnFilterKv* FilterOf(const char* FieldName) {
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      if (Grid->Column(I)->GetFieldName() == FieldName) return Grid->Column(I)->GetSTFilter();
    ADD_FAILURE() << "no column for " << FieldName;
    return nullptr;
  }
};

bool SameStrings(const Variant& Operand, std::vector<String> Expected) {
  if (!VarIsArray(Operand)) return Expected.size() == 1 && VarToStr(Operand) == Expected[0];
  std::vector<String> Got;
  for (Integer I = VarArrayLowBound(Operand); I <= VarArrayHighBound(Operand); ++I)
    Got.push_back(VarToStr(VarArrayGet(Operand, I)));
  return Got == Expected;
}

TEST_F(DBGridKvFilterTest, TheTextIsTypedByTheColumnsFieldAndKeptAsTyped) {
  TSTColumnFilterKv* Name = FilterOf("Name");
  Name->SetExpressionStr("bob");
  EXPECT_EQ(Name->GetExpression().ExpressionType, fvtStringKv);
  EXPECT_EQ(Name->GetExpression().Operator1, foLike);
  EXPECT_EQ(Name->GetExpressionStr(), "bob");
  EXPECT_EQ(Name->ExpressionAsText(), "~ 'bob'");
  Variant Value;
  Name->GetFilterValue1(Value);
  EXPECT_EQ(VarToStr(Value), "bob");
  EXPECT_EQ(Name->DataFieldName(), "Name");

  TSTColumnFilterKv* Amount = FilterOf("Amount");
  Amount->SetExpressionStr(" >10 AND <= 20.5 ");
  EXPECT_EQ(Amount->GetExpression().ExpressionType, fvtNumberKv);
  EXPECT_EQ(Amount->GetExpression().Operator1, foGreater);
  EXPECT_EQ(Amount->GetExpression().Operand1.AsDouble(), 10);
  EXPECT_EQ(Amount->GetExpression().Relation, foAnd);
  Amount->GetFilterValue2(Value);
  EXPECT_EQ(Value.AsDouble(), 20.5);
  EXPECT_EQ(Amount->GetExpressionStr(), " >10 AND <= 20.5 ") << "the text stays as typed";
  EXPECT_EQ(Amount->ExpressionAsText(), "> 10 AND <= 20.5");

  TSTColumnFilterKv* Paid = FilterOf("Paid");
  Paid->SetExpressionStr("=True");
  EXPECT_EQ(Paid->GetExpression().ExpressionType, fvtBooleanKv);
  EXPECT_EQ(Paid->ExpressionAsText(), "= 'True'");
}

TEST_F(DBGridKvFilterTest, ARefusedTextKeepsThePreviousFilter) {
  TSTColumnFilterKv* Amount = FilterOf("Amount");
  Amount->SetExpressionStr(">10");
  const struct {
    const char* Text;
    const char* Message;
  } Refused[] = {
      {">", "Unexpected expression after operator: >"},
      {"=1 OR =2 OR =3", "Incorrect expression: =1 OR =2 OR =3"},
      {"ten", "'ten' is not a valid floating point value"},
  };
  for (const auto& R : Refused) {
    SCOPED_TRACE(R.Text);
    try {
      Amount->SetExpressionStr(R.Text);
      ADD_FAILURE() << "accepted";
    } catch (const Exception& E) {
      EXPECT_EQ(E.GetMessage(), R.Message);
    }
    EXPECT_EQ(Amount->GetExpressionStr(), ">10");
    EXPECT_EQ(Amount->GetExpression().Operator1, foGreater);
    EXPECT_EQ(Amount->GetExpression().Operand1.AsDouble(), 10);
  }
}

TEST_F(DBGridKvFilterTest, PickListTextsBecomeTheirKeys) {
  Grid->GetColumns()->Clear();
  TColumnKv* Column = Grid->GetColumns()->Add();
  Column->SetFieldName("ID");
  Column->GetKeyList()->SetText("1\n2\n3\n");
  Column->GetPickList()->SetText("one\ntwo\nthree\nfour\n");
  TSTColumnFilterKv* Filter = Column->GetSTFilter();
  Filter->SetExpressionStr("=TWO");
  EXPECT_EQ(Filter->GetExpression().ExpressionType, fvtStringKv)
      << "a column of keys and picks is filtered as text";
  EXPECT_TRUE(SameStrings(Filter->GetExpression().Operand1, {"2"}))
      << "the pick list finds texts without letter case";
  // Regression: a pick past the end of the key list read outside it.
  Filter->SetExpressionStr("In(one,three,four,five) OR <>two");
  EXPECT_TRUE(SameStrings(Filter->GetExpression().Operand1, {"1", "3", "four", "five"}));
  EXPECT_TRUE(SameStrings(Filter->GetExpression().Operand2, {"2"}));
  Filter->SetExpressionStr("=Null");
  EXPECT_EQ(Filter->GetExpression().Operator1, foIsNull);
}

// Orders with a lookup of their customer's name.
class DBGridKvLookupFilterTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    Customers = TMemoryDataSet::Create(Form);
    Customers->GetFieldDefs()->Add("CustID", ftInteger);
    Customers->GetFieldDefs()->Add("CustName", ftString, 20);
    Customers->Open();
    Customers->AppendRecord({7, "Ann"});
    Customers->AppendRecord({8, "Bob"});
    Orders = TMemoryDataSet::Create(Form);
    Orders->GetFieldDefs()->Add("OrderNo", ftInteger);
    Orders->GetFieldDefs()->Add("CustID", ftInteger);
    for (Integer I = 0; I < 2; ++I) Orders->GetFieldDefs()->GetItem(I)->CreateField(Orders, Orders);
    TStringField* Customer = TStringField::Create(Orders);
    Customer->SetFieldName("Customer");
    Customer->SetFieldKind(fkLookup);
    Customer->SetKeyFields("CustID");
    Customer->SetLookupDataSet(Customers);
    Customer->SetLookupKeyFields("CustID");
    Customer->SetLookupResultField("CustName");
    Customer->SetDataSet(Orders);
    Orders->Open();
    Orders->AppendRecord({100, 8});
    Orders->AppendRecord({101, 7});
    OrdersSource = TDataSource::Create(Form);
    OrdersSource->SetDataSet(Orders);
    Grid->SetDataSource(OrdersSource);
    Filter = Grid->Column(2)->GetSTFilter();
  }
  TMemoryDataSet* Customers = nullptr;
  TMemoryDataSet* Orders = nullptr;
  TDataSource* OrdersSource = nullptr;
  TSTColumnFilterKv* Filter = nullptr;
};

TEST_F(DBGridKvLookupFilterTest, ALookupFilterKeepsTheKeyOfTheTypedText) {
  ASSERT_EQ(Grid->Column(2)->GetFieldName(), "Customer");
  EXPECT_EQ(Filter->EffectiveKeyField(), "CustID");
  EXPECT_EQ(Filter->EffectiveListField(), "CustName");
  EXPECT_EQ(Filter->EffectiveListDataSet(), Customers);
  EXPECT_EQ(Filter->DataFieldName(), "CustID") << "the condition is on the key field";

  Filter->SetExpressionStr("Bob");
  EXPECT_EQ(Filter->GetExpression().Operator1, foIn);
  EXPECT_EQ(Filter->GetExpression().ExpressionType, fvtStringKv);
  EXPECT_EQ(VarToStr(Filter->GetExpression().Operand1), "Bob");
  Variant Key;
  Filter->GetFilterValue1(Key);
  EXPECT_EQ(Key.AsInteger(), 8);
  EXPECT_EQ(Filter->ExpressionAsText(), "In ('Bob')");

  Filter->SetExpressionStr("Nobody");
  EXPECT_EQ(Filter->GetExpression().Operator1, foIsNull) << "no customer shows that text";
  EXPECT_TRUE(VarIsNull(Filter->GetKeyValue()));

  Filter->SetExpressionStr("<>Null");
  EXPECT_EQ(Filter->GetExpression().Operator1, foIsNotNull);

  Filter->SetExpressionStr("Ann");
  Filter->SetExpressionStr("");
  EXPECT_EQ(Filter->GetExpression().Operator1, foNone) << "an empty text clears the filter";
  EXPECT_TRUE(VarIsNull(Filter->GetKeyValue()));
  EXPECT_EQ(Filter->ExpressionAsText(), "");
}

// Regression: a key field without a list dataset kept the key of an earlier
// text, so the condition told of the new text but filtered on the old key.
TEST_F(DBGridKvLookupFilterTest, AKeyFieldWithoutAListDatasetKeepsNoStaleKey) {
  TSTColumnFilterKv* OrderNo = Grid->Column(0)->GetSTFilter();
  OrderNo->SetKeyValue(Variant(100));
  OrderNo->SetKeyField("OrderNo");
  OrderNo->SetExpressionStr("101");
  EXPECT_TRUE(VarIsNull(OrderNo->GetKeyValue()));
  EXPECT_EQ(OrderNo->GetExpression().Operator1, foIsNull);
  Variant Key;
  OrderNo->GetFilterValue1(Key);
  EXPECT_TRUE(VarIsNull(Key));
}

TEST_F(DBGridKvLookupFilterTest, AListSourceFillsTheListValuesAndShowsTheFirstOperandAlone) {
  TDataSource* List = TDataSource::Create(Form);
  TSTColumnFilterKv* OrderNo = Grid->Column(0)->GetSTFilter();
  OrderNo->SetListField("CustName");
  OrderNo->SetKeyField("CustID");
  Customers->Last();
  List->SetDataSet(Customers);
  OrderNo->SetListSource(List);
  EXPECT_EQ(OrderNo->GetListValues()->GetText(), "Ann\r\nBob\r\n");
  EXPECT_EQ(OrderNo->GetKeyValues()->GetText(), "7\r\n8\r\n");
  EXPECT_TRUE(Customers->GetBof()) << "the list dataset is left on its first record";
  EXPECT_TRUE(OrderNo->HasListSource());
  EXPECT_FALSE(Grid->Column(1)->GetSTFilter()->HasListSource());

  OrderNo->SetKeyField("");  // an ordinary filter with a list: the list shows the values
  OrderNo->SetExpressionStr("In(100,101.5)");
  EXPECT_EQ(OrderNo->ExpressionAsText(), "'100','101.5'");
  OrderNo->SetExpressionStr(">100");
  EXPECT_EQ(OrderNo->ExpressionAsText(), "100");
}

TEST_F(DBGridKvFilterTest, ClearingAFilterLeavesNoConditionAndRepaintsTheGrid) {
  TSTColumnFilterKv* Name = FilterOf("Name");
  Name->SetExpressionStr("a,b");
  Name->SetKeyValue(Variant(1));
  Grid->Update();
  kvp::TRect Dirty;
  ASSERT_FALSE(GetUpdateRect(Grid->GetHandle(), &Dirty, false));
  Name->ClearFilter();
  EXPECT_EQ(Name->GetExpressionStr(), "");
  EXPECT_EQ(Name->GetExpression().Operator1, foNone);
  EXPECT_TRUE(VarIsNull(Name->GetExpression().Operand1));
  EXPECT_TRUE(VarIsNull(Name->GetKeyValue()));
  EXPECT_EQ(Name->GetExpression().ExpressionType, fvtStringKv) << "the type stays";
  EXPECT_TRUE(GetUpdateRect(Grid->GetHandle(), &Dirty, false));
}

TEST_F(DBGridKvFilterTest, HidingAColumnsFilterTellsTheGrid) {
  TTestColumns* Columns = Grid->Cols();
  TSTColumnFilterKv* Name = FilterOf("Name");
  Columns->Updates.clear();
  Name->SetVisible(true);
  EXPECT_TRUE(Columns->Updates.empty()) << "no change, no notification";
  Name->SetVisible(false);
  ASSERT_EQ(Columns->Updates.size(), 1u);
  EXPECT_EQ(Columns->Updates[0], Grid->Column(1));
}

TEST_F(DBGridKvFilterTest, TheSettingsAreStoredWithTheFormAndAssigned) {
  RegisterClass(TTestDBGrid::StaticClass());
  Grid->GetColumns()->Clear();
  TColumnKv* Column = Grid->GetColumns()->Add();
  Column->SetFieldName("Name");
  TSTColumnFilterKv* Filter = Column->GetSTFilter();
  Filter->SetDataField("NameKey");
  Filter->SetKeyField("ID");
  Filter->SetListField("Name");
  Filter->SetVisible(false);
  Filter->SetExpressionStr("abc");
  const String Text = ComponentToText(Grid);
  for (const char* Part : {"STFilter.DataField = 'NameKey'", "STFilter.KeyField = 'ID'",
                           "STFilter.ListField = 'Name'", "STFilter.Visible = False"})
    EXPECT_NE(Text.find(Part), String::npos) << Part << " in\n" << Text;
  EXPECT_EQ(Text.find("abc"), String::npos) << "the typed condition is not stored";
  TColumnKv* Plain = Grid->GetColumns()->Add();
  Plain->SetFieldName("ID");
  EXPECT_EQ(ComponentToText(Grid).find("STFilter", Text.rfind("FieldName = 'ID'")), String::npos)
      << "a filter with its defaults stores nothing";

  Plain->SetSTFilter(Filter);
  EXPECT_EQ(Plain->GetSTFilter()->GetOwnDataField(), "NameKey");
  EXPECT_EQ(Plain->GetSTFilter()->GetKeyField(), "ID");
  EXPECT_EQ(Plain->GetSTFilter()->GetListField(), "Name");
  EXPECT_FALSE(Plain->GetSTFilter()->GetVisible());
  EXPECT_EQ(Plain->GetSTFilter()->GetExpressionStr(), "") << "the condition is not assigned";
}

}  // namespace
}  // namespace korvel
