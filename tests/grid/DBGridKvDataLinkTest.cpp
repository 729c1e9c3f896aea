// The grid data link: its field map (growth, missing names, the limit,
// positions that outlived their field list), every dataset notification
// reaching the grid in order, the pending-edit flag, focus requests, and
// automatic columns following the dataset's fields.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// A link of its own on the grid, whose map can be set up directly.
class TProbeLink : public TGridDataLinkKv {
  KV_CLASS(TProbeLink, TGridDataLinkKv)
 public:
  using TGridDataLinkKv::TGridDataLinkKv;
  void FillTo(Integer Count) {
    FFieldMap.assign(std::size_t(Count), 0);
    FFieldMapSize = Count;
    FFieldCount = Count;
  }
};

class DBGridKvDataLinkTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    // A second link on the grid, for the map tests alone (attached, it
    // reports to the grid as well).
    Probe = TProbeLink::Create(Grid);
  }
  void TearDown() override {
    FreeObject(Probe);
    DBGridWithDataTest::TearDown();
  }
  std::vector<String> MappedNames(TGridDataLinkKv* Link) {
    std::vector<String> Names;
    for (Integer I = 0; I < Link->GetFieldCount(); ++I)
      Names.push_back(Link->GetFields(I) ? Link->GetFields(I)->GetFieldName() : "-");
    return Names;
  }
  std::vector<String> ColumnNames() {
    std::vector<String> Names;
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      Names.push_back(Grid->Column(I)->GetFieldName());
    return Names;
  }
  TProbeLink* Probe = nullptr;
};

TEST_F(DBGridKvDataLinkTest, TheMapGrowsFromEightByDoubling) {
  Probe->SetDataSource(Source);
  Probe->SetSparseMap(true);
  std::vector<Integer> Sizes;
  for (Integer I = 0; I < 17; ++I) {
    Probe->AddMapping("ID");
    Sizes.push_back(Probe->GetFieldMapSize());
  }
  EXPECT_EQ(Sizes[0], 8);
  EXPECT_EQ(Sizes[7], 8);
  EXPECT_EQ(Sizes[8], 16);
  EXPECT_EQ(Sizes[16], 32);
  EXPECT_EQ(Probe->GetFieldCount(), 17);
  Probe->ClearMapping();
  EXPECT_EQ(Probe->GetFieldCount(), 0);
  EXPECT_EQ(Probe->GetFieldMapSize(), 0);
}

TEST_F(DBGridKvDataLinkTest, AMissingNameMapsToNoFieldInASparseMapAndRaisesOtherwise) {
  Probe->SetDataSource(Source);
  Probe->SetSparseMap(true);
  Probe->AddMapping("Amount");
  Probe->AddMapping("Nope");
  EXPECT_EQ(MappedNames(Probe), (std::vector<String>{"Amount", "-"}));
  EXPECT_EQ(Probe->GetFields(-1), nullptr);
  EXPECT_EQ(Probe->GetFields(2), nullptr);
  EXPECT_FALSE(Probe->GetDefaultFields()) << "a name the automatic fields lack";
  Probe->ClearMapping();
  Probe->AddMapping("Amount");
  EXPECT_TRUE(Probe->GetDefaultFields());

  Probe->SetSparseMap(false);
  try {
    Probe->AddMapping("Nope");
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Orders: Field 'Nope' not found");
  }
  EXPECT_EQ(Probe->GetFieldCount(), 1) << "the map is unchanged";
  Probe->SetDataSource(nullptr);
  EXPECT_TRUE(Probe->GetDefaultFields()) << "without a dataset";
  EXPECT_EQ(Probe->GetFields(0), nullptr);
}

TEST_F(DBGridKvDataLinkTest, TheMapsLimitRaisesTheGridErrorAndKeepsTheMap) {
  Probe->SetDataSource(Source);
  Probe->FillTo(TGridDataLinkKv::MaxMapSize);
  try {
    Probe->AddMapping("ID");
    FAIL();
  } catch (const EInvalidGridOperationKv& E) {
    EXPECT_EQ(E.GetMessage(), "Grid requested to display more than 256 columns");
  }
  EXPECT_EQ(Probe->GetFieldCount(), TGridDataLinkKv::MaxMapSize);
  Probe->ClearMapping();
}

TEST_F(DBGridKvDataLinkTest, APositionFromAnOlderFieldListNamesNoField) {
  Grid->SetDataSource(Source);
  ASSERT_EQ(Grid->GetDataLink()->GetFieldCount(), 4);
  Grid->BeginLayout();  // the map is rebuilt only when the lock goes
  DataSet->Close();
  DataSet->GetFieldDefs()->Delete(3);
  DataSet->Open();
  EXPECT_EQ(Grid->GetDataLink()->GetFields(3), nullptr);
  EXPECT_EQ(Grid->GetDataLink()->GetFields(0), Field("ID"));
  Grid->EndLayout();
  EXPECT_EQ(MappedNames(Grid->GetDataLink()), (std::vector<String>{"ID", "Name", "Amount"}));
}

TEST_F(DBGridKvDataLinkTest, AutomaticColumnsFollowFieldsHiddenReorderedAddedAndRemoved) {
  Grid->SetDataSource(Source);
  EXPECT_EQ(ColumnNames(), (std::vector<String>{"ID", "Name", "Amount", "Paid"}));
  EXPECT_FALSE(Grid->Column(0)->GetStored());
  EXPECT_EQ(Grid->GetColCount(), 5);

  Field("Amount")->SetVisible(false);
  EXPECT_EQ(ColumnNames(), (std::vector<String>{"ID", "Name", "Paid"}));
  EXPECT_EQ(MappedNames(Grid->GetDataLink()), ColumnNames());
  Field("Paid")->SetIndex(0);
  EXPECT_EQ(ColumnNames(), (std::vector<String>{"Paid", "ID", "Name"}));
  Field("Amount")->SetVisible(true);
  EXPECT_EQ(ColumnNames(), (std::vector<String>{"Paid", "ID", "Name", "Amount"}));
  EXPECT_EQ(MappedNames(Grid->GetDataLink()), ColumnNames());

  DataSet->Close();
  DataSet->GetFieldDefs()->Add("Note", ftString, 30);
  DataSet->Open();
  EXPECT_EQ(ColumnNames(), (std::vector<String>{"ID", "Name", "Amount", "Paid", "Note"}));
  DataSet->Close();
  DataSet->GetFieldDefs()->Delete(1);
  DataSet->Open();
  EXPECT_EQ(ColumnNames(), (std::vector<String>{"ID", "Amount", "Paid", "Note"}));
  for (Integer I = 0; I < 4; ++I) EXPECT_EQ(Grid->Column(I)->GetField(), DataSet->GetFields()->GetField(I));
  Grid->CheckConsistency();
}

TEST_F(DBGridKvDataLinkTest, AnAutomaticColumnsValuesGoToItsField) {
  Grid->SetDataSource(Source);
  TColumnKv* Amount = Grid->Column(2);
  Amount->SetAlignment(taCenter);
  Amount->SetReadOnly(true);
  Amount->GetTitle()->SetCaption("Total");
  EXPECT_EQ(Field("Amount")->GetAlignment(), taCenter);
  EXPECT_TRUE(Field("Amount")->GetReadOnly());
  EXPECT_EQ(Field("Amount")->GetDisplayLabel(), "Total");
  EXPECT_TRUE(Amount->GetAssignedValues().Empty()) << "the column keeps following its field";
  // Moving it moves its field.
  Grid->Column(3)->SetIndex(0);
  EXPECT_EQ(DataSet->GetFields()->GetField(0), Field("Paid"));
  EXPECT_EQ(ColumnNames(), (std::vector<String>{"Paid", "ID", "Name", "Amount"}));
  // Its width goes to the field's display width too.
  Grid->HandleNeeded();
  const Integer Before = Field("Name")->GetDisplayWidth();
  const Integer Wider = Grid->Column(2)->GetWidth() * 2 + 1;
  Grid->Column(2)->SetWidth(Wider);
  EXPECT_GT(Field("Name")->GetDisplayWidth(), Before);
  EXPECT_EQ(Grid->Column(2)->GetWidth(), Wider);
  // Without write-back only the column keeps it.
  Grid->SetColumnWidthWriteBack(false);
  const Integer Kept = Field("Name")->GetDisplayWidth();
  Grid->Column(2)->SetWidth(Wider + 30);
  EXPECT_EQ(Field("Name")->GetDisplayWidth(), Kept);
  EXPECT_EQ(Grid->Column(2)->GetWidth(), Wider + 30);
}

TEST_F(DBGridKvDataLinkTest, UserColumnsMapTheirNamesAndMissingOnesShowNoField) {
  TColumnKv* Odd = Grid->GetColumns()->Add();
  Odd->SetFieldName("Nothing");
  Grid->GetColumns()->Add()->SetFieldName("Name");
  Grid->SetDataSource(Source);
  EXPECT_TRUE(Grid->GetDataLink()->GetSparseMap());
  EXPECT_EQ(MappedNames(Grid->GetDataLink()), (std::vector<String>{"-", "Name"}));
  EXPECT_EQ(Odd->GetField(), nullptr);
  EXPECT_FALSE(Grid->GetDataLink()->GetDefaultFields());
}

TEST_F(DBGridKvDataLinkTest, AClosedDatasetWithItsOwnFieldsLeavesOneEmptyColumn) {
  TMemoryDataSet* Own = TMemoryDataSet::Create(Form);
  TIntegerField* Id = TIntegerField::Create(Own);
  Id->SetFieldName("ID");
  Id->SetDataSet(Own);
  TDataSource* OwnSource = TDataSource::Create(Form);
  OwnSource->SetDataSet(Own);
  Own->Open();
  Grid->SetDataSource(OwnSource);
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 1);
  EXPECT_EQ(Grid->Column(0)->GetField(), Id);
  Own->Close();  // the application's fields stay, but show nothing
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 1);
  EXPECT_EQ(Grid->Column(0)->GetField(), nullptr);
  EXPECT_EQ(Grid->GetColCount(), 2);
  EXPECT_EQ(Grid->GetFixedCols(), 1);
}

TEST_F(DBGridKvDataLinkTest, EveryDataEventReachesTheGridInOrder) {
  Grid->SetDataSource(Source);
  // The link reports the open dataset; the grid then takes the new source
  // as active itself (a source swapped for another open one reports nothing).
  EXPECT_EQ(Grid->Calls(), (std::vector<String>{"LinkActive(true)", "LinkActive(true)"}));
  struct TStep {
    const char* Name;
    std::function<void()> Act;
    std::vector<String> Expected;
  } const Steps[] = {
      {"Next", [&] { DataSet->Next(); }, {"Scroll(0)"}},  // inside the visible rows
      {"Edit", [&] { DataSet->Edit(); }, {"InvalidateIndicatorCell", "RecordChanged(nil)"}},
      {"a field", [&] { Field("Name")->SetAsString("Zed"); }, {"RecordChanged(Name)"}},
      {"Post",
       [&] { DataSet->Post(); },
       {"InvalidateIndicatorCell", "RefreshAfterDataChange"}},
      {"Last", [&] { DataSet->Last(); }, {"RefreshAfterDataChange"}},
      {"a layout", [&] { Field("Name")->SetDisplayLabel("Who"); }, {"RefreshAfterDataChange"}},
      {"Close", [&] { DataSet->Close(); }, {"LinkActive(false)"}},
      {"Open", [&] { DataSet->Open(); }, {"LinkActive(true)"}},
  };
  for (const TStep& Step : Steps) {
    SCOPED_TRACE(Step.Name);
    Grid->Log.clear();
    Step.Act();
    EXPECT_EQ(Grid->Calls(), Step.Expected);
  }
}

TEST_F(DBGridKvDataLinkTest, APendingEditIsWrittenOnceAndStaysWhenRefused) {
  Grid->SetDataSource(Source);
  TGridDataLinkKv* Link = Grid->GetDataLink();
  DataSet->Edit();
  DataSet->Post();
  EXPECT_EQ(Grid->UpdateDataCalls, 0) << "nothing pending, nothing written";

  DataSet->Edit();
  Link->Modified();
  Grid->ThrowOnUpdateData = true;
  EXPECT_THROW(DataSet->Post(), EDatabaseError);
  EXPECT_EQ(Grid->UpdateDataCalls, 1);
  EXPECT_TRUE(Link->GetModified()) << "the refused text stays pending";
  Grid->ThrowOnUpdateData = false;
  DataSet->Post();
  EXPECT_EQ(Grid->UpdateDataCalls, 2) << "written again, once (the nested request did nothing)";
  EXPECT_FALSE(Link->GetModified());
}

TEST_F(DBGridKvDataLinkTest, ThePendingFlagClearsOnEveryReReadOfTheData) {
  Grid->SetDataSource(Source);
  TGridDataLinkKv* Link = Grid->GetDataLink();
  struct TCase {
    const char* Name;
    std::function<void()> Act;
  } const Cases[] = {
      {"a record change", [&] { DataSet->Edit(); Field("ID")->SetAsInteger(9); }},
      {"a data set change", [&] { DataSet->Cancel(); DataSet->Last(); }},
      {"inactive", [&] { DataSet->Close(); }},
      {"active", [&] { DataSet->Open(); }},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Link->Modified();
    C.Act();
    EXPECT_FALSE(Link->GetModified());
  }
}

TEST_F(DBGridKvDataLinkTest, ResetReReadsAPendingEditOrCancelsTheDataset) {
  Grid->SetDataSource(Source);
  TGridDataLinkKv* Link = Grid->GetDataLink();
  DataSet->Edit();
  Field("Name")->SetAsString("Changed");
  Link->Modified();
  Grid->Log.clear();
  Link->Reset();
  EXPECT_EQ(Grid->Calls(), std::vector<String>{"RecordChanged(nil)"});
  EXPECT_FALSE(Link->GetModified());
  EXPECT_EQ(DataSet->GetState(), dsEdit) << "the edit goes on";
  Link->Reset();
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  EXPECT_EQ(Field("Name")->GetAsString(), "Ann");
}

TEST_F(DBGridKvDataLinkTest, AFocusRequestIsTakenByTheColumnShowingTheField) {
  Grid->SetDataSource(Source);
  Grid->Log.clear();
  Field("Amount")->FocusControl();
  EXPECT_EQ(Grid->GetSelectedField(), Field("Amount"));
  EXPECT_EQ(Grid->Calls(), (std::vector<String>{"AcquireFocus", "ShowCellEditor"}));

  // A field no column shows leaves the request to others.
  Field("Paid")->SetVisible(false);
  TField* Request = Field("Paid");
  Grid->Log.clear();
  DataSet->DataEvent(deFocusControl, reinterpret_cast<TDataEventInfo>(&Request));
  EXPECT_EQ(Request, Field("Paid"));
  EXPECT_TRUE(Grid->Calls().empty());
  // Without the focus the request stays open too.
  Grid->FocusAnswer = false;
  Request = Field("ID");
  DataSet->DataEvent(deFocusControl, reinterpret_cast<TDataEventInfo>(&Request));
  EXPECT_EQ(Request, Field("ID"));
  EXPECT_EQ(Grid->GetSelectedField(), Field("ID"));
  Request = nullptr;
  DataSet->DataEvent(deFocusControl, reinterpret_cast<TDataEventInfo>(&Request));
  DataSet->DataEvent(deFocusControl, 0);
}

TEST_F(DBGridKvDataLinkTest, ARequiredFieldInAFrozenColumnBringsTheUserToIt) {
  Grid->SetDataSource(Source);
  Grid->SetFrozenCols(2);  // ID and Name stay when the rest scrolls
  Grid->SetCol(3);         // Amount
  Field("Name")->SetRequired(true);
  DataSet->Append();
  Field("ID")->SetAsInteger(6);
  Grid->Log.clear();
  EXPECT_THROW(DataSet->Post(), EDatabaseError);
  EXPECT_EQ(Grid->GetSelectedField(), Field("Name"));
  EXPECT_EQ(Grid->GetCol(), 2);
  EXPECT_EQ(Grid->Calls(), (std::vector<String>{"AcquireFocus", "ShowCellEditor"}));
  DataSet->Cancel();
}

TEST_F(DBGridKvDataLinkTest, ALayoutChangeFlagsTheGridOnlyWhileItLasts) {
  Grid->SetDataSource(Source);
  Grid->SawDataLinkLayout = false;
  Grid->Log.clear();
  Field("Name")->SetVisible(false);
  EXPECT_TRUE(Grid->SawDataLinkLayout);
  EXPECT_FALSE(Grid->GetDataLinkLayout());
  EXPECT_EQ(Grid->Calls(), std::vector<String>{"RefreshAfterDataChange"})
      << "the platform's own handling follows";
  Grid->ThrowOnLayoutRequest = true;
  EXPECT_THROW(Field("Name")->SetVisible(true), EInvalidOperation);
  Grid->ThrowOnLayoutRequest = false;
  EXPECT_FALSE(Grid->GetDataLinkLayout()) << "down again after a failure";
  Grid->SawDataLinkLayout = false;
  Grid->LayoutChanged();
  EXPECT_FALSE(Grid->SawDataLinkLayout);
}

TEST_F(DBGridKvDataLinkTest, DisablingControlsMakesTheColumnsLookTheirFieldsUpAgain) {
  Grid->SetDataSource(Source);
  Grid->Column(1)->GetField();
  ASSERT_EQ(Grid->TestColumn(1)->CachedField(), Field("Name"));
  DataSet->DisableControls();
  DataSet->Edit();  // a state change while disabled
  EXPECT_EQ(Grid->TestColumn(1)->CachedField(), nullptr);
  DataSet->Cancel();
  DataSet->EnableControls();
  EXPECT_EQ(Grid->Column(1)->GetField(), Field("Name"));
}

}  // namespace
}  // namespace korvel
