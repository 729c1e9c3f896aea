// The data service and the features registry: each request of a grid goes
// to the service's own event, else to the features object registered for the
// nearest ancestor of its dataset's class, else to the library's search and
// find dialog; the global service can be replaced.
#include <gtest/gtest.h>

#include "grid/DBGridKvFindDlgs.h"
#include "grid/DbUtilsKv.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {

// Dataset classes for the registry; two of them share a name, as classes of
// two units may.
class TTestBaseDataSet : public kvp::TMemoryDataSet {
  KV_CLASS(TTestBaseDataSet, kvp::TMemoryDataSet)
 public:
  using kvp::TMemoryDataSet::TMemoryDataSet;
};
class TTestDerivedDataSet : public TTestBaseDataSet {
  KV_CLASS(TTestDerivedDataSet, TTestBaseDataSet)
 public:
  using TTestBaseDataSet::TTestBaseDataSet;
};
class TTestDerived2DataSet : public TTestDerivedDataSet {
  KV_CLASS(TTestDerived2DataSet, TTestDerivedDataSet)
 public:
  using TTestDerivedDataSet::TTestDerivedDataSet;
};
namespace other {
class TTestBaseDataSet : public korvel::TTestDerivedDataSet {
  KV_CLASS(TTestBaseDataSet, korvel::TTestDerivedDataSet)
 public:
  using korvel::TTestDerivedDataSet::TTestDerivedDataSet;
};
}  // namespace other

namespace {

using namespace kvp;

std::vector<String> Calls;  // what the recording features objects were asked

// A features object that records each call with its arguments.
class TRecordingFeatures : public TDatasetFeaturesKv {
  KV_CLASS(TRecordingFeatures, TDatasetFeaturesKv)
 public:
  explicit TRecordingFeatures(const char* Name = "features") : FName(Name) {}
  bool LocateText(TCustomDBGridKv* Grid, const String& FieldName, const String& Text,
                  TLocateTextMatchingKv Matching, TLocateTextDirectionKv Direction,
                  TLocateTextOptionsKv Options, TLocateTextTreeRangeKv TreeRange) override {
    Calls.push_back(FName + ".LocateText(" + Grid->GetName() + "," + FieldName + "," + Text + "," +
                    std::to_string(Matching) + "," + std::to_string(Direction) + "," +
                    std::to_string(Options.GetBits()) + "," + std::to_string(TreeRange) + ")");
    return true;
  }
  bool MoveRecords(TCustomDBGridKv* Grid, TStrings* Bookmarks, Integer Target,
                   bool TestOnly) override {
    Calls.push_back(FName + ".MoveRecords(" + Grid->GetName() + "," +
                    std::to_string(Bookmarks->GetCount()) + "," + std::to_string(Target) + "," +
                    (TestOnly ? "test" : "move") + ")");
    return true;
  }
  void ApplySorting(TCustomDBGridKv* Grid, TDataSet* DataSet, bool IsReopen) override {
    Calls.push_back(FName + ".ApplySorting(" + Grid->GetName() + "," + DataSet->GetName() + "," +
                    (IsReopen ? "reopen" : "") + ")");
  }
  void ApplyFilter(TCustomDBGridKv* Grid, TDataSet* DataSet, bool IsReopen) override {
    Calls.push_back(FName + ".ApplyFilter(" + Grid->GetName() + "," + DataSet->GetName() + "," +
                    (IsReopen ? "reopen" : "") + "," + (Grid->PaintLocked() ? "locked" : "") + ")");
  }
  void ExecuteFindDialog(TCustomDBGridKv* Grid, const String& Text, bool Modal,
                         const String& ColumnName) override {
    Calls.push_back(FName + ".ExecuteFindDialog(" + Grid->GetName() + "," + Text + "," +
                    (Modal ? "modal" : "") + "," + ColumnName + ")");
  }

 private:
  String FName;
};

void RecordingFindDialog(TCustomDBGridKv* Grid, const String& Text, const String& ColumnName,
                         bool Modal, const TColumnCaptionsKv* Columns) {
  Calls.push_back("routine(" + Grid->GetName() + "," + Text + "," + ColumnName + "," +
                  (Modal ? "modal" : "") + "," + (Columns ? "list" : "nil") + ")");
}

// [SECTION] The registry

class DbUtilsKvRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (TClass C : {TTestBaseDataSet::StaticClass(), TTestDerivedDataSet::StaticClass(),
                     other::TTestBaseDataSet::StaticClass(), TDataSet::StaticClass(),
                     TMemoryDataSet::StaticClass()})
      UnregisterDatasetFeaturesKv(C);
  }
};

TEST_F(DbUtilsKvRegistryTest, TheNearestRegisteredAncestorServesADataset) {
  auto* Base = TRecordingFeatures::Create("base");
  auto* Derived = TRecordingFeatures::Create("derived");
  RegisterDatasetFeaturesKv(TTestDerivedDataSet::StaticClass(), Derived);
  RegisterDatasetFeaturesKv(TTestBaseDataSet::StaticClass(), Base);
  EXPECT_EQ(Derived->GetDataSetClass(), TTestDerivedDataSet::StaticClass());
  EXPECT_EQ(GetDatasetFeaturesForClass(TTestBaseDataSet::StaticClass()), Base);
  EXPECT_EQ(GetDatasetFeaturesForClass(TTestDerivedDataSet::StaticClass()), Derived);
  EXPECT_EQ(GetDatasetFeaturesForClass(TTestDerived2DataSet::StaticClass()), Derived)
      << "the nearest ancestor wins, whatever the order of registration";
  EXPECT_EQ(GetDatasetFeaturesForClass(TDataSet::StaticClass()), nullptr);
  EXPECT_EQ(GetDatasetFeaturesForClass(nullptr), nullptr);
  EXPECT_EQ(GetDatasetFeaturesForDataSet(nullptr), nullptr);
  TObjectPtr<TTestDerived2DataSet> DataSet(TTestDerived2DataSet::Create(nullptr));
  EXPECT_EQ(GetDatasetFeaturesForDataSet(DataSet.get()), Derived);

  // The registry starts empty: the platform's datasets have entries only
  // when the application registers the library's features objects for them.
  EXPECT_EQ(GetDatasetFeaturesForClass(TMemoryDataSet::StaticClass()), nullptr);
  EXPECT_EQ(GetDatasetFeaturesForClass(TSQLiteDataSet::StaticClass()), nullptr);
  RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), TMemoryDataSetFeaturesKv::Create());

  // An entry for a class that has one replaces it.
  auto* Again = TRecordingFeatures::Create("again");
  RegisterDatasetFeaturesKv(TTestBaseDataSet::StaticClass(), Again);
  EXPECT_EQ(GetDatasetFeaturesForClass(TTestBaseDataSet::StaticClass()), Again);
  UnregisterDatasetFeaturesKv(TTestDerivedDataSet::StaticClass());
  EXPECT_EQ(GetDatasetFeaturesForClass(TTestDerived2DataSet::StaticClass()), Again);
  UnregisterDatasetFeaturesKv(TTestBaseDataSet::StaticClass());
  EXPECT_TRUE(GetDatasetFeaturesForClass(TTestDerived2DataSet::StaticClass())
                  ->Is<TMemoryDataSetFeaturesKv>());
}

TEST_F(DbUtilsKvRegistryTest, AncestorsAreFoundByNameAndTheEarlierOfTwoAsNearWins) {
  EXPECT_EQ(ClassNameDistance(TTestDerived2DataSet::StaticClass(), "TTestDerived2DataSet"), 0);
  EXPECT_EQ(ClassNameDistance(TTestDerived2DataSet::StaticClass(), "ttestbasedataset"), 2);
  EXPECT_EQ(ClassNameDistance(TTestDerived2DataSet::StaticClass(), "TObject"), 7);
  EXPECT_EQ(ClassNameDistance(TTestDerived2DataSet::StaticClass(), "TSQLiteDataSet"), 2147483647);
  // other::TTestBaseDataSet inherits from a class of the same name: both
  // entries are at distance 0 from it, and the one registered first wins.
  auto* First = TRecordingFeatures::Create("first");
  auto* Second = TRecordingFeatures::Create("second");
  RegisterDatasetFeaturesKv(TTestBaseDataSet::StaticClass(), First);
  RegisterDatasetFeaturesKv(other::TTestBaseDataSet::StaticClass(), Second);
  EXPECT_EQ(GetDatasetFeaturesForClass(other::TTestBaseDataSet::StaticClass()), First);
}

// [SECTION] Where the requests go

class DbUtilsKvServiceTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    Calls.clear();
    DataSet = TTestDerivedDataSet::Create(Form);
    DataSet->SetName("Things");
    DataSet->GetFieldDefs()->Add("ID", ftInteger);
    DataSet->GetFieldDefs()->Add("Name", ftString, 20);
    DataSet->Open();
    DataSet->AppendRecord({1, "one"});
    DataSet->AppendRecord({2, "two"});
    DataSet->First();
    Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid->SetDataSource(Source);
    RegisterDatasetFeaturesKv(TTestDerivedDataSet::StaticClass(), TRecordingFeatures::Create());
    SavedRoutine = ExecuteDBGridKvFindDialogProc;
    ExecuteDBGridKvFindDialogProc = &RecordingFindDialog;
  }
  void TearDown() override {
    ExecuteDBGridKvFindDialogProc = SavedRoutine;
    UnregisterDatasetFeaturesKv(TTestDerivedDataSet::StaticClass());
    UnregisterDatasetFeaturesKv(TDataSet::StaticClass());
    UnregisterDatasetFeaturesKv(TMemoryDataSet::StaticClass());
    SetDBGridKvDataService(TDBGridKvDataService::Create());
    DBGridOnFormTest::TearDown();
  }
  TDBGridKvDataService* Service() { return DBGridKvDataService(); }
  TTestDerivedDataSet* DataSet = nullptr;
  TDataSource* Source = nullptr;
  TExecuteFindDialogProcKv SavedRoutine = nullptr;
};

TEST_F(DbUtilsKvServiceTest, FilteringAndSortingGoToTheServicesEventThenTheFeaturesObject) {
  Grid->DoApplyFilter();
  Grid->ApplySorting();
  EXPECT_EQ(Calls, (std::vector<String>{"features.ApplyFilter(Grid1,Things,reopen,locked)",
                                        "features.ApplySorting(Grid1,Things,reopen)"}));
  EXPECT_FALSE(Grid->PaintLocked()) << "painting goes on after the filter was applied";

  Calls.clear();
  Service()->OnApplyFilter = [](TCustomDBGridKv* G) {
    Calls.push_back("event.Filter(" + G->GetName() + ")");
  };
  Service()->OnApplySorting = [](TCustomDBGridKv* G) {
    Calls.push_back("event.Sort(" + G->GetName() + ")");
  };
  Grid->DoApplyFilter();
  Grid->ApplySorting();
  EXPECT_EQ(Calls, (std::vector<String>{"event.Filter(Grid1)", "event.Sort(Grid1)"}));

  // The default ones go to the features object even with the events set.
  Calls.clear();
  Service()->DefaultApplyFilter(Grid);
  Service()->DefaultApplySorting(Grid);
  EXPECT_EQ(Calls.size(), 2u);

  // A dataset class nobody serves: nothing happens.
  Calls.clear();
  Service()->OnApplyFilter = nullptr;
  Service()->OnApplySorting = nullptr;
  Grid->SetDataSource(nullptr);
  Grid->DoApplyFilter();
  Grid->ApplySorting();
  EXPECT_TRUE(Calls.empty());
}

TEST_F(DbUtilsKvServiceTest, MovingRecordsNeedsADatasetAndAFeaturesObject) {
  TObjectPtr<TStringList> Marks(TStringList::Create());
  Marks->Add(DataSet->GetBookmark());
  EXPECT_TRUE(Service()->DoMoveRecords(Grid, Marks.get(), 2, true));
  EXPECT_EQ(Calls, (std::vector<String>{"features.MoveRecords(Grid1,1,2,test)"}));
  UnregisterDatasetFeaturesKv(TTestDerivedDataSet::StaticClass());
  EXPECT_FALSE(Service()->MoveRecords(Grid, Marks.get(), 2, false))
      << "the in-memory dataset's features move nothing";
  Grid->SetDataSource(nullptr);
  EXPECT_FALSE(Service()->MoveRecords(Grid, Marks.get(), 2, false));
  EXPECT_FALSE(Service()->MoveRecords(nullptr, Marks.get(), 2, false));
}

TEST_F(DbUtilsKvServiceTest, TextSearchGoesToTheFeaturesObjectElseTheLibrarysOwn) {
  EXPECT_TRUE(Grid->LocateText("Name", "zz", ltmWholeKv, ltdUpKv,
                               {ltoCaseInsensitiveKv, ltoMatchFormatKv}, ltrCurrentLevelKv));
  EXPECT_EQ(Calls, (std::vector<String>{"features.LocateText(Grid1,Name,zz,1,0,5,2)"}));
  EXPECT_EQ(DataSet->GetRecNo(), 1);

  // Without a features object the library's own search walks the records.
  Calls.clear();
  UnregisterDatasetFeaturesKv(TTestDerivedDataSet::StaticClass());
  UnregisterDatasetFeaturesKv(TMemoryDataSet::StaticClass());
  EXPECT_EQ(GetDatasetFeaturesForDataSet(DataSet), nullptr);
  const bool Found = Grid->LocateText("Name", "TWO", ltmWholeKv, ltdDownKv, {ltoCaseInsensitiveKv});
  RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), TMemoryDataSetFeaturesKv::Create());
  EXPECT_TRUE(Found);
  EXPECT_TRUE(Calls.empty());
  EXPECT_EQ(DataSet->GetRecNo(), 2);
  // A features object that leaves the search alone searches as the library does.
  EXPECT_TRUE(Grid->LocateText("Name", "one", ltmWholeKv, ltdAllKv, {}));
  EXPECT_EQ(DataSet->GetRecNo(), 1);
}

TEST_F(DbUtilsKvServiceTest, TheFindDialogOpensThroughTheFeaturesObjectElseTheRoutine) {
  Grid->ExecuteFindDialog("needle", "Name", true);
  UnregisterDatasetFeaturesKv(TTestDerivedDataSet::StaticClass());
  UnregisterDatasetFeaturesKv(TMemoryDataSet::StaticClass());
  Grid->ExecuteFindDialog("needle", "Name", false);
  RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), TMemoryDataSetFeaturesKv::Create());
  Grid->ExecuteFindDialog("hay", "Name", true);  // the library's features: the routine too
  Grid->SetDataSource(nullptr);
  Grid->ExecuteFindDialog("x", "ID", false);
  EXPECT_EQ(Calls,
            (std::vector<String>{"features.ExecuteFindDialog(Grid1,needle,modal,Name)",
                                 "routine(Grid1,needle,,,nil)", "routine(Grid1,hay,Name,modal,nil)",
                                 "routine(Grid1,x,,,nil)"}));
  // With no routine installed there is nothing to open, and nothing fails.
  Calls.clear();
  ExecuteDBGridKvFindDialogProc = nullptr;
  Grid->ExecuteFindDialog("x", "ID", false);
  EXPECT_TRUE(Calls.empty());
}

// A service of the application's own, put in place of the library's.
class TCountingService : public TDBGridKvDataService {
  KV_CLASS(TCountingService, TDBGridKvDataService)
 public:
  bool LocateTextByFeatures(TCustomDBGridKv* Grid, const String& FieldName, const String& Text,
                            TLocateTextMatchingKv Matching, TLocateTextDirectionKv Direction,
                            TLocateTextOptionsKv Options,
                            TLocateTextTreeRangeKv TreeRange) override {
    Calls.push_back("own search " + Text);
    return TDBGridKvDataService::LocateTextByFeatures(Grid, FieldName, Text, Matching, Direction,
                                                      Options, TreeRange);
  }
};

TEST_F(DbUtilsKvServiceTest, TheGlobalServiceCanBeReplacedOrGone) {
  SetDBGridKvDataService(TCountingService::Create());
  EXPECT_TRUE(Grid->LocateText("", "x", ltmAnyPartKv, ltdDownKv, {}));
  EXPECT_EQ(Calls.front(), "own search x");

  // Without a service the grid searches itself and opens the routine's dialog.
  SetDBGridKvDataService(nullptr);
  EXPECT_EQ(DBGridKvDataService(), nullptr) << "freed, it is not made again";
  Calls.clear();
  UnregisterDatasetFeaturesKv(TTestDerivedDataSet::StaticClass());
  EXPECT_TRUE(Grid->LocateText("Name", "two", ltmWholeKv, ltdDownKv, {}));
  EXPECT_EQ(DataSet->GetRecNo(), 2);
  Grid->ExecuteFindDialog("t", "Name", true);
  Grid->DoApplyFilter();
  Grid->ApplySorting();
  EXPECT_EQ(Calls, (std::vector<String>{"routine(Grid1,t,,modal,nil)"}));
}

TEST(DbUtilsKvFindDialogRoutine, TheFindDialogUnitInstallsItsRoutineAtStartUp) {
  EXPECT_EQ(ExecuteDBGridKvFindDialogProc, &ExecuteDBGridKvFindDialog);
}

}  // namespace
}  // namespace korvel
