// The aggregate engine: exact currency sums, averages and counts through a
// full pass and through every change applied as a difference; the dataset's
// handlers taken over, chained and given back (also with two engines on one
// dataset); filters and master scrolls; record positions of an unsequenced
// dataset.
#include <gtest/gtest.h>

#include <cmath>

#include "grid/DBSumLst.h"
#include "platform/db/DataSource.h"
#include "platform/db/MemoryDataSet.h"

namespace korvel {
namespace {

using namespace kvp;

// An in-memory dataset that does not number its records.
class TUnsequencedDataSet : public TMemoryDataSet {
  KV_CLASS(TUnsequencedDataSet, TMemoryDataSet)
 public:
  using TMemoryDataSet::TMemoryDataSet;
  bool IsSequenced() override { return false; }
};

class DBSumLstTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Owner = TComponent::Create(nullptr);
    DS = MakeDataSet<TMemoryDataSet>();
    Producer = TDBSumListProducer::Create(Owner);
    Producer->OnRecalcAll = [this](TObject*) { ++Passes; };
    Producer->SumListChanged = [this](TObject*) { ++Changes; };
  }
  void TearDown() override {
    FreeObject(Producer);
    FreeObject(Owner);
  }
  template <class T>
  T* MakeDataSet() {
    T* D = T::Create(Owner);
    D->GetFieldDefs()->Add("ID", ftInteger);
    D->GetFieldDefs()->Add("V", ftFloat);
    D->GetFieldDefs()->Add("Name", ftString, 10);
    D->Open();
    return D;
  }
  void Fill(std::initializer_list<Variant> Values) {
    Integer Id = DS->GetRecordCount();
    for (const Variant& V : Values) DS->AppendRecord({++Id, V, "r" + std::to_string(Id)});
    DS->First();
  }
  TDBSum* AddSum(TGroupOperation Op, const String& FieldName) {
    TDBSum* Sum = Producer->GetSumCollection()->Add();
    Sum->SetGroupOperation(Op);
    Sum->SetFieldName(FieldName);
    return Sum;
  }
  // Sum, average, count of all and count of V, as raw ten-thousandths.
  void AddTheFour() {
    Sum = AddSum(goSum, "V");
    Avg = AddSum(goAvg, "V");
    All = AddSum(goCount, "");
    NonNull = AddSum(goCount, "V");
  }
  std::vector<Int64> Raws() {
    return {Sum->GetValue().GetRaw(), Avg->GetValue().GetRaw(), All->GetValue().GetRaw(),
            NonNull->GetValue().GetRaw()};
  }
  void EditV(const Variant& Value) {
    DS->Edit();
    DS->FieldByName("V")->SetValue(Value);
    DS->Post();
  }
  TComponent* Owner = nullptr;
  TMemoryDataSet* DS = nullptr;
  TDBSumListProducer* Producer = nullptr;
  TDBSum *Sum = nullptr, *Avg = nullptr, *All = nullptr, *NonNull = nullptr;
  Integer Passes = 0;
  Integer Changes = 0;
};

TEST_F(DBSumLstTest, AFullPassSumsAveragesAndCountsInCurrency) {
  Fill({1.5, Null(), 2.25});
  DS->Last();
  AddTheFour();
  Producer->SetDataSet(DS);
  EXPECT_TRUE(Producer->GetHooked());
  EXPECT_EQ(Raws(), (std::vector<Int64>{37500, 18750, 30000, 20000}));
  EXPECT_EQ(Avg->GetAvgCount(), 2);
  EXPECT_EQ(DS->FieldByName("ID")->GetAsInteger(), 1) << "the pass leaves the first record current";
  EXPECT_FALSE(DS->ControlsDisabled());
  EXPECT_FALSE(Producer->GetInRecalc());
}

TEST_F(DBSumLstTest, TenthsAddUpExactlyAndHalvesRoundToEven) {
  Fill({0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1});
  AddTheFour();
  Producer->SetDataSet(DS);
  EXPECT_EQ(Sum->GetValue(), Currency(1)) << "ten tenths are exactly one";
  EXPECT_EQ(Avg->GetValue().GetRaw(), 1000);

  TMemoryDataSet* Tiny = MakeDataSet<TMemoryDataSet>();
  Tiny->AppendRecord({1, 0.0001});
  Tiny->AppendRecord({2, 0.0002});
  Producer->SetDataSet(Tiny);
  EXPECT_EQ(Avg->GetValue().GetRaw(), 2) << "1.5 ten-thousandths: to the even 2";
  Tiny->Last();
  Tiny->Edit();
  Tiny->FieldByName("V")->SetAsFloat(0);
  Tiny->Post();
  EXPECT_EQ(Avg->GetValue().GetRaw(), 0) << "0.5 ten-thousandths: to the even 0";
}

// Whole numbers, reals, BCD amounts and numbers held as text are each read
// the way their field gives them; every total is the one AsFloat gives,
// rounded record by record, whether a pass counts it or the posts do.
TEST_F(DBSumLstTest, EveryKindOfNumberTotalsAsItsValueReads) {
  auto* Kinds = TMemoryDataSet::Create(Owner);
  const struct {
    const char* Name;
    TFieldType Type;
  } Fields[] = {{"I", ftInteger}, {"L", ftLargeint}, {"F", ftFloat}, {"B", ftBCD},
                {"S", ftString}};
  for (const auto& F : Fields) Kinds->GetFieldDefs()->Add(F.Name, F.Type, F.Type == ftString ? 20 : 0);
  Kinds->Open();
  const std::vector<std::vector<Variant>> Rows = {
      {7, Int64(922337203685477), 0.00005, Currency::FromRaw(1), "12.5"},
      {-3, Int64(-5), 1.0 / 3, Currency::FromRaw(-123456789012345), "-0.00015"},
      {Null(), Null(), Null(), Null(), Null()},
      {2147483647, Int64(4), 2.675, Currency::FromRaw(45), " 3 "},
  };
  // What the totals must be: AsFloat times 10000, rounded into the running
  // total one record at a time.
  auto Expected = [&](Integer Column) {
    Int64 Total = 0;
    for (Kinds->First(); !Kinds->GetEof(); Kinds->Next()) {
      TField* F = Kinds->GetFields()->GetField(Column);
      if (!F->IsNull()) Total = std::llrint(Extended(F->GetAsFloat()) * 10000.0L + Total);
    }
    return Total;
  };
  std::vector<TDBSum*> Sums;
  for (const auto& F : Fields) Sums.push_back(AddSum(goSum, F.Name));
  Producer->SetDataSet(Kinds);
  for (const auto& Row : Rows) {  // posted one by one: the differences count
    Kinds->Append();
    for (std::size_t C = 0; C < Row.size(); ++C) Kinds->GetFields()->GetField(Integer(C))->SetValue(Row[C]);
    Kinds->Post();
  }
  std::vector<Int64> Posted;
  for (TDBSum* S : Sums) Posted.push_back(S->GetValue().GetRaw());
  Producer->RecalcAll();  // and a pass
  for (std::size_t C = 0; C < Sums.size(); ++C) {
    SCOPED_TRACE(Fields[C].Name);
    EXPECT_FALSE(Sums[C]->GetOverflow());
    EXPECT_EQ(Sums[C]->GetValue().GetRaw(), Expected(Integer(C)));
    EXPECT_EQ(Posted[C], Sums[C]->GetValue().GetRaw());
  }
  EXPECT_EQ(Sums[1]->GetValue().GetRaw(), 9223372036854770000 - 50000 + 40000)
      << "whole numbers at the very end of the range";
  // One more whole number takes that past the range; text that is no number
  // cannot be totalled either.
  Kinds->AppendRecord({1, Int64(5), 0, Currency(0), "abc"});
  EXPECT_TRUE(Sums[1]->GetOverflow());
  EXPECT_TRUE(Sums[4]->GetOverflow());
  Producer->RecalcAll();
  EXPECT_TRUE(Sums[1]->GetOverflow());
  EXPECT_TRUE(Sums[4]->GetOverflow());
  EXPECT_FALSE(Sums[0]->GetOverflow());
  Kinds->Last();
  Kinds->Delete();
  EXPECT_FALSE(Sums[1]->GetOverflow());
  EXPECT_FALSE(Sums[4]->GetOverflow());
  EXPECT_EQ(Sums[4]->GetValue().GetRaw(), Expected(4));
  // Past the range half way and back: the total is exact again.
  Kinds->AppendRecord({0, Int64(922337203685477), 0, Currency(0), "0"});
  Kinds->AppendRecord({0, Int64(-922337203685477), 0, Currency(0), "0"});
  EXPECT_EQ(Sums[1]->GetValue().GetRaw(), 9223372036854760000);
  Producer->RecalcAll();
  EXPECT_FALSE(Sums[1]->GetOverflow());
  EXPECT_EQ(Sums[1]->GetValue().GetRaw(), 9223372036854760000);
  Producer->CheckConsistency();
}

TEST_F(DBSumLstTest, AnEmptyDatasetGivesZeroesAndNoDivisionByZero) {
  AddTheFour();
  Producer->SetDataSet(DS);
  EXPECT_EQ(Raws(), (std::vector<Int64>{0, 0, 0, 0}));
  Fill({Null()});
  EXPECT_EQ(Raws(), (std::vector<Int64>{0, 0, 10000, 0})) << "a null average is 0";
}

TEST_F(DBSumLstTest, EditsPostedApplyTheirDifference) {
  Fill({10, Null(), 4});
  AddTheFour();
  Producer->SetDataSet(DS);
  const Integer PassesBefore = Passes;
  EditV(15);  // the first record: 10 -> 15
  EXPECT_EQ(Sum->GetValue().GetRaw(), 190000);
  DS->Next();
  EditV(12.5);  // null -> 12.5
  EXPECT_EQ(Avg->GetAvgCount(), 3);
  EXPECT_EQ(Avg->GetAvgSum().GetRaw(), 315000);
  EXPECT_EQ(Avg->GetValue().GetRaw(), 105000);
  EXPECT_EQ(NonNull->GetValue().GetRaw(), 30000);
  EditV(Null());  // and back
  EXPECT_EQ(Avg->GetAvgCount(), 2);
  EXPECT_EQ(Avg->GetAvgSum().GetRaw(), 190000);
  EXPECT_EQ(Raws(), (std::vector<Int64>{190000, 95000, 30000, 20000}));
  EXPECT_EQ(Passes, PassesBefore) << "no pass: differences only";
}

TEST_F(DBSumLstTest, AnInsertCountsWhatIsPostedNotTheDefault) {
  Fill({1, 2});
  AddTheFour();
  DS->OnNewRecord = [](TDataSet* D) { D->FieldByName("V")->SetAsFloat(7); };
  Producer->SetDataSet(DS);
  DS->Append();
  DS->FieldByName("ID")->SetAsInteger(3);
  DS->FieldByName("V")->SetAsFloat(3);
  DS->Post();
  EXPECT_EQ(Raws(), (std::vector<Int64>{60000, 20000, 30000, 30000}));
  DS->Append();
  DS->FieldByName("V")->Clear();
  DS->Post();
  EXPECT_EQ(Raws(), (std::vector<Int64>{60000, 20000, 40000, 30000}));
}

TEST_F(DBSumLstTest, CancellingAnEditOrAnInsertChangesNothing) {
  Fill({1, 2});
  AddTheFour();
  Producer->SetDataSet(DS);
  const std::vector<Int64> Before = Raws();
  DS->Edit();
  DS->FieldByName("V")->SetAsFloat(100);
  DS->Cancel();
  DS->Insert();
  DS->FieldByName("V")->SetAsFloat(100);
  DS->Cancel();
  EXPECT_EQ(Raws(), Before);
}

TEST_F(DBSumLstTest, DeletingSubtractsTheRecordAndTellsOfIt) {
  Fill({1, Null(), 4});
  AddTheFour();
  Producer->SetDataSet(DS);
  const Integer ChangesBefore = Changes;
  DS->Delete();  // 1
  EXPECT_EQ(Raws(), (std::vector<Int64>{40000, 40000, 20000, 10000}));
  DS->Delete();  // null
  EXPECT_EQ(Raws(), (std::vector<Int64>{40000, 40000, 10000, 10000}));
  EXPECT_EQ(Changes, ChangesBefore + 2);
  DS->Delete();
  EXPECT_EQ(Raws(), (std::vector<Int64>{0, 0, 0, 0}));
}

TEST_F(DBSumLstTest, ARecordDeletedWhileEditedTakesItsStoredValueAway) {
  Fill({10, 20, Null()});
  AddTheFour();
  Producer->SetDataSet(DS);
  DS->Edit();
  DS->FieldByName("V")->SetAsFloat(50);  // not posted
  DS->Delete();
  EXPECT_EQ(Raws(), (std::vector<Int64>{200000, 200000, 20000, 10000}));
  DS->Last();
  DS->Edit();
  DS->FieldByName("V")->SetAsFloat(5);  // null, edited, never posted
  DS->Delete();
  EXPECT_EQ(Raws(), (std::vector<Int64>{200000, 200000, 10000, 10000}));
  Producer->RecalcAll();
  EXPECT_EQ(Raws(), (std::vector<Int64>{200000, 200000, 10000, 10000})) << "a pass agrees";
}

TEST_F(DBSumLstTest, OnlyANewFilterOnScrollingCostsAPass) {
  Fill({1, 2, 3, 4});
  AddTheFour();
  Producer->SetDataSet(DS);
  const Integer Start = Passes;
  DS->Next();
  DS->Last();
  EXPECT_EQ(Passes, Start) << "scrolling alone";
  DS->SetFilter("V > 2");
  EXPECT_EQ(Passes, Start) << "not filtered yet";
  DS->SetFiltered(true);
  EXPECT_EQ(Passes, Start + 1);
  EXPECT_EQ(Sum->GetValue(), Currency(7));
  DS->SetFilter("V > 1");
  EXPECT_EQ(Passes, Start + 2);
  EXPECT_EQ(Sum->GetValue(), Currency(9));
  DS->Next();
  EXPECT_EQ(Passes, Start + 2);
  DS->SetFiltered(false);
  EXPECT_EQ(Passes, Start + 3);
  EXPECT_EQ(Sum->GetValue(), Currency(10));
}

TEST_F(DBSumLstTest, AMastersScrollRecountsTheDetail) {
  TMemoryDataSet* Master = TMemoryDataSet::Create(Owner);
  Master->GetFieldDefs()->Add("ID", ftInteger);
  Master->Open();
  Master->AppendRecord({1});
  Master->AppendRecord({2});
  Master->First();
  TDataSource* MasterSource = TDataSource::Create(Owner);
  MasterSource->SetDataSet(Master);
  Fill({1, 2, 3});  // IDs 1, 2, 3
  DS->SetMasterFields("ID");
  DS->SetDetailFields("ID");
  DS->SetMasterSource(MasterSource);
  AddTheFour();
  Producer->SetDataSet(DS);
  EXPECT_EQ(Sum->GetValue(), Currency(1));
  EXPECT_TRUE(Master->AfterScroll) << "the master's scroll is the producer's too";
  Master->Next();
  EXPECT_EQ(Sum->GetValue(), Currency(2));
  Producer->SetActive(false);
  EXPECT_FALSE(Master->AfterScroll) << "given back";
  FreeObject(Producer);
  Producer = nullptr;
}

TEST_F(DBSumLstTest, AFreedMasterIsNeverWrittenInto) {
  TMemoryDataSet* Master = TMemoryDataSet::Create(Owner);
  Master->GetFieldDefs()->Add("ID", ftInteger);
  Master->Open();
  Master->AppendRecord({1});
  TDataSource* MasterSource = TDataSource::Create(Owner);
  MasterSource->SetDataSet(Master);
  Fill({1, 2});
  DS->SetMasterFields("ID");
  DS->SetDetailFields("ID");
  DS->SetMasterSource(MasterSource);
  AddTheFour();
  Producer->SetDataSet(DS);
  FreeObject(Master);
  Producer->SetActive(false);  // gives back the detail's handlers only
  EXPECT_FALSE(DS->AfterPost);
  EXPECT_FALSE(Producer->GetHooked());
}

TEST_F(DBSumLstTest, ExternalRecalcLeavesTheValuesToTheApplication) {
  Fill({1, 2});
  AddTheFour();
  Integer After = 0;
  Producer->OnAfterRecalcAll = [&](TObject*) { ++After; };
  Producer->SetDataSet(DS);
  EXPECT_EQ(After, 1);
  const Integer P = Passes, C = Changes;
  Producer->SetExternalRecalc(true);
  EXPECT_EQ(Raws(), (std::vector<Int64>{0, 0, 0, 0}));
  EXPECT_EQ(Passes, P + 1) << "OnRecalcAll fires";
  EXPECT_EQ(After, 1) << "OnAfterRecalcAll does not";
  EXPECT_GT(Changes, C);
}

TEST_F(DBSumLstTest, FindSumIgnoresCaseAndAFieldNameChangeRecounts) {
  Fill({1, 2});
  TDBSum* First = AddSum(goSum, "V");
  TDBSum* Second = AddSum(goSum, "v");
  AddSum(goAvg, "V");
  Producer->SetDataSet(DS);
  EXPECT_EQ(Producer->GetSumCollection()->FindSum(goSum, "v"), First);
  EXPECT_EQ(Producer->GetSumCollection()->FindSum(goCount, "V"), nullptr);
  const Integer Start = Passes;
  Second->SetFieldName("v");
  EXPECT_EQ(Passes, Start) << "the same name";
  Second->SetFieldName("V");
  EXPECT_EQ(Passes, Start + 1) << "another spelling is a change";
}

// An aggregate of a field the dataset lacks counts nothing and stops nothing;
// only a pass the program asks for says so.
TEST_F(DBSumLstTest, AnUnknownFieldCountsNothingUnlessAPassIsAskedFor) {
  Fill({1, 2});
  Producer->SetDataSet(DS);
  All = AddSum(goCount, "");
  const Integer C = Changes;
  TDBSum* Unknown = nullptr;
  EXPECT_NO_THROW(Unknown = AddSum(goSum, "Nope"));
  EXPECT_EQ(Unknown->GetValue().GetRaw(), 0);
  EXPECT_EQ(All->GetValue().GetRaw(), 20000);
  EXPECT_NO_THROW(DS->AppendRecord({3, 3, "c"}));
  EXPECT_EQ(All->GetValue().GetRaw(), 30000);
  EXPECT_THROW(Producer->RecalcAll(), EDatabaseError);
  EXPECT_FALSE(DS->ControlsDisabled()) << "the dataset's controls still follow it";
  EXPECT_FALSE(Producer->GetInRecalc());
  EXPECT_GT(Changes, C) << "the change is told on the way out";
  TDataSource* Source = TDataSource::Create(Owner);
  Source->SetDataSet(DS);
  Integer Heard = 0;
  Source->OnDataChange = [&](TObject*, TField*) { ++Heard; };
  DS->Next();
  EXPECT_EQ(Heard, 1);
}

TEST_F(DBSumLstTest, APassWhileARecordIsEditedCountsItOnce) {
  Fill({10.5, 20.25, 5, 7.75, 100});
  Sum = AddSum(goSum, "V");
  Producer->SetDataSet(DS);
  ASSERT_EQ(Sum->GetValue().GetRaw(), 1435000);
  DS->Edit();
  DS->FieldByName("V")->SetAsFloat(50);  // 10.5 -> 50, not posted
  // The application adds a count: the pass posts the edit with its first move.
  All = AddSum(goCount, "");
  EXPECT_EQ(DS->GetState(), dsBrowse);
  EXPECT_EQ(Sum->GetValue().GetRaw(), 1830000);
  EXPECT_EQ(All->GetValue().GetRaw(), 50000);
  // A new record being appended when the engine comes in counts once too.
  Producer->SetActive(false);
  DS->Append();
  DS->FieldByName("ID")->SetAsInteger(6);
  DS->FieldByName("V")->SetAsFloat(1.25);
  Producer->SetActive(true);
  EXPECT_EQ(DS->GetState(), dsBrowse);
  EXPECT_EQ(Sum->GetValue().GetRaw(), 1842500);
  EXPECT_EQ(All->GetValue().GetRaw(), 60000);
}

TEST_F(DBSumLstTest, TheApplicationHearsOfAPostWithTheNewTotals) {
  Fill({1, 2});
  Sum = AddSum(goSum, "V");
  Producer->SetDataSet(DS);
  std::vector<Int64> Heard;
  Producer->SumListChanged = [&](TObject* Sender) {
    EXPECT_EQ(Sender, Producer);
    Heard.push_back(Sum->GetValue().GetRaw());
  };
  EditV(5);  // 1 -> 5
  EXPECT_EQ(Heard, std::vector<Int64>{70000});
  Heard.clear();
  DS->Append();
  DS->FieldByName("V")->SetAsFloat(3);
  DS->Post();
  EXPECT_EQ(Heard, std::vector<Int64>{100000});
}

// An in-memory dataset filtered on V > 6: records posted out of the filter,
// or into a master's other key, leave the totals with the view.
TEST_F(DBSumLstTest, APostedRecordTheFilterHidesLeavesTheTotals) {
  Fill({10.5, 20.25, 5, 7.75, 100});
  AddTheFour();
  Producer->SetDataSet(DS);
  DS->SetFilter("V > 6");
  DS->SetFiltered(true);
  ASSERT_EQ(Raws(), (std::vector<Int64>{1385000, 346250, 40000, 40000}));
  DS->First();
  EditV(1);  // 10.5 -> 1: out of the view, the cursor on a neighbour
  EXPECT_EQ(DS->GetRecordCount(), 3);
  EXPECT_EQ(Raws(), (std::vector<Int64>{1280000, 426667, 30000, 30000}));
  EXPECT_EQ(Avg->GetAvgCount(), 3);
  // A new record the filter refuses never joins; one it takes does.
  DS->Append();
  DS->FieldByName("V")->SetAsFloat(2);
  DS->Post();
  EXPECT_EQ(Raws(), (std::vector<Int64>{1280000, 426667, 30000, 30000}));
  DS->Append();
  DS->FieldByName("V")->SetAsFloat(8);
  DS->Post();
  EXPECT_EQ(Raws(), (std::vector<Int64>{1360000, 340000, 40000, 40000}));
  // A null posted out of a filter of its own.
  DS->SetFilter("V > 6 or V = null");
  DS->First();
  EditV(Null());
  EXPECT_EQ(Raws(), (std::vector<Int64>{1157500, 385833, 40000, 30000}));
  EditV(3);  // the null record leaves too
  EXPECT_EQ(Raws(), (std::vector<Int64>{1157500, 385833, 30000, 30000}));
  // Unfiltered, every record is back.
  DS->SetFiltered(false);
  EXPECT_EQ(Raws(), (std::vector<Int64>{1267500, 181071, 70000, 70000}));
}

TEST_F(DBSumLstTest, ADetailRecordPostedUnderAnotherMasterLeavesTheTotals) {
  TMemoryDataSet* Master = TMemoryDataSet::Create(Owner);
  Master->GetFieldDefs()->Add("ID", ftInteger);
  Master->Open();
  Master->AppendRecord({1});
  Master->AppendRecord({2});
  Master->First();
  TDataSource* MasterSource = TDataSource::Create(Owner);
  MasterSource->SetDataSet(Master);
  for (Integer I = 1; I <= 4; ++I) DS->AppendRecord({I % 2 + 1, I, "r"});  // keys 2, 1, 2, 1
  DS->SetMasterFields("ID");
  DS->SetDetailFields("ID");
  DS->SetMasterSource(MasterSource);
  AddTheFour();
  Producer->SetDataSet(DS);
  ASSERT_EQ(Raws(), (std::vector<Int64>{60000, 30000, 20000, 20000}));  // 2 and 4
  DS->Edit();
  DS->FieldByName("ID")->SetAsInteger(2);  // moves to the other master
  DS->Post();
  EXPECT_EQ(DS->GetRecordCount(), 1);
  EXPECT_EQ(Raws(), (std::vector<Int64>{40000, 40000, 10000, 10000}));
  FreeObject(Producer);
  Producer = nullptr;
}

TEST_F(DBSumLstTest, AnEngineFreedWhileItsOwnerLoadsGivesTheHandlersBack) {
  Fill({1, 2});
  AddTheFour();
  const TDataSetNotifyEvent Application = [](TDataSet*) {};
  DS->AfterPost = Application;
  Producer->SetDataSet(DS);
  ASSERT_TRUE(Producer->GetHooked());
  Owner->Loading();
  FreeObject(Producer);
  Producer = nullptr;
  EXPECT_TRUE(DS->AfterPost == Application);
  EXPECT_FALSE(DS->AfterScroll);
  EXPECT_FALSE(DS->AfterRefresh);
  EditV(3);  // nothing freed is called
  DS->Next();
  DS->Refresh();
  Owner->Loaded();
}

// A total past currency's range is never wrapped around nor raised from the
// dataset's post: the aggregate overflows, and counts again exactly once the
// values that took it there go.
TEST_F(DBSumLstTest, ATotalBeyondCurrencyOverflowsUntilItsValuesGo) {
  Fill({5e14, 1});
  AddTheFour();
  Integer Posted = 0;
  DS->AfterPost = [&](TDataSet*) { ++Posted; };
  struct TLetGo {
    TDataSet* D;
    ~TLetGo() { D->AfterPost = nullptr; }
  } LetGo{DS};
  Producer->SetDataSet(DS);
  ASSERT_EQ(Sum->GetValue().GetRaw(), 5000000000000010000);
  // 10^15 in all is past the largest currency; 1e300 is past it alone.
  EXPECT_NO_THROW(DS->AppendRecord({3, 5e14}));
  EXPECT_NO_THROW(DS->AppendRecord({4, 1e300}));
  EXPECT_EQ(Posted, 2) << "the posts were not cut short";
  EXPECT_TRUE(Sum->GetOverflow());
  EXPECT_TRUE(Avg->GetOverflow());
  EXPECT_EQ(Sum->GetValue().GetRaw(), 0);
  EXPECT_EQ(All->GetValue().GetRaw(), 40000) << "counts are whole numbers of records";
  EXPECT_EQ(NonNull->GetValue().GetRaw(), 40000);
  EXPECT_NO_THROW(Producer->RecalcAll());
  EXPECT_TRUE(Sum->GetOverflow()) << "a pass finds the same";
  Producer->CheckConsistency();
  DS->Last();
  DS->Edit();
  DS->FieldByName("V")->SetAsFloat(2);  // 1e300 -> 2
  DS->Post();
  EXPECT_TRUE(Sum->GetOverflow()) << "5e14 twice is still too much";
  EXPECT_FALSE(Avg->GetOverflow()) << "their average is not";
  EXPECT_EQ(Avg->GetValue().GetRaw(), 2500000000000007500);
  DS->Locate("ID", 3, {});
  DS->Delete();
  EXPECT_FALSE(Sum->GetOverflow());
  EXPECT_EQ(Raws(), (std::vector<Int64>{5000000000000030000, 1666666666666676667, 30000, 30000}));
  Producer->CheckConsistency();
  DS->First();
  DS->Edit();
  DS->FieldByName("V")->SetAsFloat(-1e300);  // beyond downwards
  DS->Post();
  EXPECT_TRUE(Sum->GetOverflow());
  DS->Edit();
  DS->FieldByName("V")->Clear();
  DS->Post();
  EXPECT_EQ(Raws(), (std::vector<Int64>{30000, 15000, 30000, 20000}));
  EXPECT_EQ(Posted, 5);
}

// [SECTION] Handlers chained and given back

class DBSumLstHandlersTest : public DBSumLstTest {
 protected:
  void SetUp() override {
    DBSumLstTest::SetUp();
    Fill({1, 2, 3});
    AddTheFour();
    for (TDataSetNotifyEvent TDataSet::*Slot :
         {&TDataSet::AfterCancel, &TDataSet::AfterClose, &TDataSet::AfterEdit,
          &TDataSet::AfterInsert, &TDataSet::AfterOpen, &TDataSet::AfterPost,
          &TDataSet::AfterScroll, &TDataSet::BeforeDelete, &TDataSet::AfterRefresh})
      DS->*Slot = TDataSetNotifyEvent(this, &DBSumLstHandlersTest::App);
    Original = DS->AfterPost;
  }
  void TearDown() override {
    if (DS)
      for (TDataSetNotifyEvent TDataSet::*Slot :
           {&TDataSet::AfterCancel, &TDataSet::AfterClose, &TDataSet::AfterEdit,
            &TDataSet::AfterInsert, &TDataSet::AfterOpen, &TDataSet::AfterPost,
            &TDataSet::AfterScroll, &TDataSet::BeforeDelete, &TDataSet::AfterRefresh})
        DS->*Slot = nullptr;
    DBSumLstTest::TearDown();
  }
  void App(TDataSet* D) {
    EXPECT_EQ(D, DS);
    Seen.push_back(Sum->GetValue().GetRaw());
  }
  std::vector<Int64> Seen;  // the sum as the application's handler saw it
  TDataSetNotifyEvent Original;
};

TEST_F(DBSumLstHandlersTest, TheApplicationsHandlersRunBeforeOrAfterTheEnginesWork) {
  Producer->SetDataSet(DS);
  ASSERT_FALSE(DS->AfterPost == Original);
  Seen.clear();
  EditV(10);  // 1 -> 10: AfterEdit, AfterPost
  EXPECT_EQ(Seen, (std::vector<Int64>{60000, 150000})) << "the posted sum is new when it is told";
  Seen.clear();
  DS->Delete();  // BeforeDelete sees the sum before, then the scroll
  ASSERT_GE(Seen.size(), 1u);
  EXPECT_EQ(Seen[0], 150000);
  Seen.clear();
  DS->Close();
  EXPECT_EQ(Seen, std::vector<Int64>{0}) << "cleared before the application hears";
  // The application's AfterOpen comes after the pass (whose own walk the
  // application's AfterScroll hears too).
  Int64 AtOpen = -1;
  Producer->SetActive(false);
  DS->AfterOpen = [&](TDataSet*) { AtOpen = Sum->GetValue().GetRaw(); };
  Producer->SetActive(true);
  DS->Close();
  DS->Open();
  EXPECT_EQ(AtOpen, 50000);
}

TEST_F(DBSumLstHandlersTest, DetachingGivesBackTheExactHandlers) {
  Producer->SetDataSet(DS);
  Producer->SetActive(false);
  EXPECT_TRUE(DS->AfterPost == Original);
  EXPECT_TRUE(DS->AfterScroll == Original);
  EXPECT_TRUE(DS->BeforeDelete == Original);
  Producer->SetActive(true);
  Producer->SetDataSet(nullptr);
  EXPECT_TRUE(DS->AfterOpen == Original);
  EXPECT_FALSE(Producer->GetHooked());
}

TEST_F(DBSumLstHandlersTest, TwoEnginesOnOneDatasetComeAndGoInAnyOrder) {
  for (bool FirstLeavesFirst : {true, false}) {
    SCOPED_TRACE(FirstLeavesFirst ? "first leaves first" : "second leaves first");
    auto* Second = TDBSumListProducer::Create(Owner);
    TDBSum* SecondSum = Second->GetSumCollection()->Add();
    SecondSum->SetFieldName("V");
    Producer->SetDataSet(DS);
    Second->SetDataSet(DS);
    TDBSumListProducer* Leaves = FirstLeavesFirst ? Producer : Second;
    TDBSumListProducer* Stays = FirstLeavesFirst ? Second : Producer;
    TDBSum* Staying = FirstLeavesFirst ? SecondSum : Sum;
    Leaves->SetDataSet(nullptr);
    Seen.clear();
    DS->First();
    const Int64 Before = Staying->GetValue().GetRaw();
    EditV(DS->FieldByName("V")->GetAsFloat() + 1);
    EXPECT_EQ(Staying->GetValue().GetRaw(), Before + 10000) << "the one that stays follows";
    EXPECT_EQ(Seen.size(), 3u) << "the application hears each event once";
    Stays->SetDataSet(nullptr);
    EXPECT_TRUE(DS->AfterPost == Original);
    EXPECT_TRUE(DS->AfterEdit == Original);
    FreeObject(Second);
    EditV(1);  // nothing freed is called
    Producer->GetSumCollection()->Clear();
    AddTheFour();
  }
}

TEST_F(DBSumLstHandlersTest, AFreedEngineInTheMiddleOfAChainLeavesTheChainWhole) {
  auto* Second = TDBSumListProducer::Create(Owner);
  auto* Third = TDBSumListProducer::Create(Owner);
  Producer->SetDataSet(DS);
  Second->SetDataSet(DS);
  Third->SetDataSet(DS);
  FreeObject(Second);
  Seen.clear();
  DS->Next();
  EXPECT_EQ(Seen.size(), 1u);
  FreeObject(Third);
  Producer->SetDataSet(nullptr);
  EXPECT_TRUE(DS->AfterScroll == Original);
}

TEST_F(DBSumLstHandlersTest, AFreedDatasetIsLetGoAndNotTakenAgain) {
  Producer->SetDataSet(DS);
  FreeObject(DS);
  DS = nullptr;
  EXPECT_EQ(Producer->GetDataSet(), nullptr);
  EXPECT_FALSE(Producer->GetHooked());
  Producer->SetActive(false);
  Producer->SetActive(true);
  EXPECT_FALSE(Producer->GetHooked());
}

TEST_F(DBSumLstHandlersTest, AnEngineNotActiveStillPassesEditsToTheApplication) {
  Producer->SetDataSet(DS);
  Owner->Loading();  // while the owner loads, deactivating keeps the hooks
  Producer->SetActive(false);
  EXPECT_TRUE(Producer->GetHooked());
  Seen.clear();
  DS->Edit();
  EXPECT_EQ(Seen.size(), 1u) << "the application's AfterEdit";
  DS->Cancel();
  Owner->Loaded();
  Producer->SetActive(true);
}

// [SECTION] Record positions of an unsequenced dataset

class DBSumLstVirtualRecordsTest : public DBSumLstTest {
 protected:
  void SetUp() override {
    DBSumLstTest::SetUp();
    Loose = MakeDataSet<TUnsequencedDataSet>();
    Loose->SetIndexFieldNames("ID");
    for (Integer Id : {10, 20, 30}) Loose->AppendRecord({Id, Id});
    Producer->SetVirtualRecords(true);
    Sum = AddSum(goSum, "V");
  }
  TUnsequencedDataSet* Loose = nullptr;
};

TEST_F(DBSumLstVirtualRecordsTest, TheListGivesRecordNumbersAndCounts) {
  Producer->SetDataSet(Loose);
  EXPECT_TRUE(Producer->IsSequenced());
  EXPECT_EQ(Producer->RecordCount(), 3);
  Loose->Last();
  EXPECT_EQ(Producer->GetRecNo(), 3);
  Producer->SetRecNo(2);
  EXPECT_EQ(Loose->FieldByName("ID")->GetAsInteger(), 20);
  EXPECT_EQ(Producer->GetRecNo(), 2);
  EXPECT_EQ(Producer->FindBookmarkIndex("nonsense"), -1);
  // A record the list lacks, after all of them: the search runs off the end
  // and the next one starts again from the first entry.
  const TBookmark Stranger("\xE7\x03\x00\x00", 4);  // record 999
  ASSERT_GT(Loose->CompareBookmarks(Stranger, Producer->GetBookmarks(2)), 0);
  EXPECT_EQ(Producer->FindBookmarkIndex(Stranger), -1);
  EXPECT_EQ(Producer->FindBookmarkIndex(Producer->GetBookmarks(1)), 1);
  EXPECT_EQ(Producer->FindBookmarkIndex(Stranger), -1);
  EXPECT_EQ(Producer->FindBookmarkIndex(Producer->GetBookmarks(2)), 2);
}

TEST_F(DBSumLstVirtualRecordsTest, ACancelledInsertLeavesNoTraceForTheNextPost) {
  Producer->SetDataSet(Loose);
  Loose->Insert();
  Loose->FieldByName("ID")->SetAsInteger(15);
  Loose->Cancel();
  Loose->First();
  Loose->Edit();
  Loose->FieldByName("V")->SetAsFloat(11);
  Loose->Post();
  EXPECT_EQ(Producer->RecordCount(), 3);
  EXPECT_EQ(Producer->GetRecNo(), 1);
  EXPECT_EQ(Sum->GetValue(), Currency(61));
}

TEST_F(DBSumLstVirtualRecordsTest, AnInsertedRecordLandsInItsPlaceAndADeletedOneLeaves) {
  Producer->SetDataSet(Loose);
  Loose->Append();
  Loose->FieldByName("ID")->SetAsInteger(25);
  Loose->Post();
  ASSERT_EQ(Producer->RecordCount(), 4);
  EXPECT_EQ(Producer->GetRecNo(), 3) << "between 20 and 30";
  for (Integer Id : {15, 5, 40}) {
    Loose->Append();
    Loose->FieldByName("ID")->SetAsInteger(Id);
    Loose->Post();
  }
  ASSERT_EQ(Producer->RecordCount(), 7);
  for (Integer I = 1; I < 7; ++I)
    EXPECT_LT(Loose->CompareBookmarks(Producer->GetBookmarks(I - 1), Producer->GetBookmarks(I)), 0)
        << "in dataset order at " << I;
  Loose->Locate("ID", 15, {});
  EXPECT_EQ(Producer->GetRecNo(), 3);
  Loose->First();
  Loose->Delete();
  EXPECT_EQ(Producer->RecordCount(), 6);
  Loose->First();
  EXPECT_EQ(Producer->GetRecNo(), 1);
  Loose->Insert();
  Loose->Cancel();
  EXPECT_EQ(Producer->RecordCount(), 6);
}

TEST_F(DBSumLstVirtualRecordsTest, TheFirstRecordPostedIntoAnEmptyListIsListed) {
  TUnsequencedDataSet* Empty = MakeDataSet<TUnsequencedDataSet>();
  Producer->SetDataSet(Empty);
  EXPECT_TRUE(Producer->IsSequenced()) << "empty counts as numbered";
  EXPECT_EQ(Producer->RecordCount(), 0);
  Empty->Append();
  Empty->FieldByName("ID")->SetAsInteger(1);
  Empty->FieldByName("V")->SetAsFloat(2);
  Empty->Post();
  EXPECT_EQ(Producer->RecordCount(), 1);
  EXPECT_EQ(Producer->GetRecNo(), 1);
  EXPECT_EQ(Sum->GetValue(), Currency(2));
}

TEST_F(DBSumLstVirtualRecordsTest, RecordsPostedOutOfTheFilterLeaveTheList) {
  Producer->SetDataSet(Loose);
  Loose->SetFilter("V > 15");
  Loose->SetFiltered(true);
  ASSERT_EQ(Producer->RecordCount(), 2);
  Loose->First();  // 20
  Loose->Edit();
  Loose->FieldByName("V")->SetAsFloat(1);
  Loose->Post();
  EXPECT_EQ(Producer->RecordCount(), 1);
  EXPECT_EQ(Producer->GetRecNo(), 1) << "on 30, the one left";
  Loose->Append();
  Loose->FieldByName("ID")->SetAsInteger(40);
  Loose->FieldByName("V")->SetAsFloat(2);  // refused by the filter
  Loose->Post();
  EXPECT_EQ(Producer->RecordCount(), 1);
  EXPECT_EQ(Sum->GetValue(), Currency(30));
  Loose->SetFiltered(false);
  EXPECT_EQ(Producer->RecordCount(), 4);
}

TEST_F(DBSumLstVirtualRecordsTest, ASequencedDatasetAnswersForItself) {
  Fill({1, 2});
  Producer->SetDataSet(DS);
  EXPECT_EQ(Producer->GetBookmarkCount(), 0);
  EXPECT_EQ(Producer->RecordCount(), 2);
  DS->Last();
  EXPECT_EQ(Producer->GetRecNo(), 2);
  Producer->SetRecNo(1);
  EXPECT_EQ(DS->GetRecNo(), 1);
}

}  // namespace
}  // namespace korvel
