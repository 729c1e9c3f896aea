// Editing flows as a user of the dataset and a control on it see them: the
// order of events, Modified, the implicit post on navigation, Edit on an
// empty dataset, required fields, DisableControls, and error handlers.

#include <functional>

#include "DbTestUtil.h"

namespace kvp::test {
namespace {

struct TEditing : ::testing::Test {
  TLog Log;  // declared first: the dataset's closing still writes into it
  TLinkedDataSet* T = nullptr;
  void SetUp() override {
    T = new TLinkedDataSet(5);
    HookDataSetEvents(T->DS, &Log);
    T->Log.clear();
  }
  void TearDown() override { delete T; }
  // Both logs, the dataset's events and the link's calls, in one order.
  void Mirror() { T->Link->Log = &Log; }
  TField* Name() { return T->DS->FieldByName("Name"); }
};

TEST_F(TEditing, EditChangesStateBeforeTheRecordChangeAndAfterEdit) {
  Mirror();
  T->DS->Edit();
  EXPECT_EQ(Join(Log),
            "CheckBrowseMode, BeforeEdit, EditingChanged(on), RecordChanged(nil), AfterEdit");
  EXPECT_EQ(T->DS->GetState(), dsEdit);
  EXPECT_FALSE(T->DS->GetModified());
  Log.clear();
  T->DS->Edit();
  EXPECT_TRUE(Log.empty()) << "Edit while editing does nothing";
}

TEST_F(TEditing, FieldChangeSetsModifiedAndReachesLinksBeforeOnChange) {
  Mirror();
  Name()->OnChange = [this](TField*) { Log.push_back("OnChange"); };
  T->DS->Edit();
  Log.clear();
  Name()->SetAsString("Changed");
  EXPECT_EQ(Join(Log), "RecordChanged(Name), OnChange");
  EXPECT_TRUE(T->DS->GetModified());
  Log.clear();
  T->DS->Post();
  EXPECT_EQ(Join(Log),
            "UpdateData, CheckBrowseMode, BeforePost, EditingChanged(off), DataSetChanged, "
            "AfterPost");
  EXPECT_EQ(Name()->GetAsString(), "Changed");
  EXPECT_FALSE(T->DS->GetModified());
}

TEST_F(TEditing, NavigationFiresScrollEventsOnlyWhenItMoves) {
  Mirror();
  T->DS->BeforeRefresh = [this](TDataSet*) { Log.push_back("BeforeRefresh"); };
  T->DS->AfterRefresh = [this](TDataSet*) { Log.push_back("AfterRefresh"); };
  const char* Jump = "CheckBrowseMode, BeforeScroll, DataSetChanged, AfterScroll";
  TBookmark Third;
  const struct {
    const char* What;
    std::function<void()> Act;
    const char* Events;
  } Cases[] = {
      {"First on the first record", [&] { T->DS->First(); }, Jump},
      {"Last", [&] { T->DS->Last(); }, Jump},
      {"Next at the end", [&] { T->DS->Next(); }, "CheckBrowseMode, BeforeScroll"},
      {"Locate found", [&] { EXPECT_TRUE(T->DS->Locate("ID", 3, {})); }, Jump},
      {"Locate not found", [&] { EXPECT_FALSE(T->DS->Locate("ID", 42, {})); },
       "CheckBrowseMode, BeforeScroll"},
      {"RecNo to the current record", [&] { T->DS->SetRecNo(3); }, "CheckBrowseMode"},
      {"RecNo elsewhere", [&] { T->DS->SetRecNo(1); }, Jump},
      {"GotoBookmark", [&] { T->DS->GotoBookmark(Third); }, Jump},
      {"GotoBookmark('')", [&] { T->DS->GotoBookmark(""); }, ""},
      {"Refresh", [&] { T->DS->Refresh(); },
       "BeforeRefresh, CheckBrowseMode, DataSetChanged, AfterRefresh"},
  };
  T->DS->SetRecNo(3);
  Third = T->DS->GetBookmark();
  T->DS->First();
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.What);
    Log.clear();
    C.Act();
    EXPECT_EQ(Join(Log), C.Events);
  }
  EXPECT_EQ(T->DS->GetRecNo(), 3) << "Refresh stays on the record";
}

TEST_F(TEditing, WritingOutsideEditStateIsRefused) {
  try {
    Name()->SetAsString("x");
    FAIL() << "a browse-state write must raise";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Table1: Dataset not in edit or insert mode");
  }
  EXPECT_THROW(T->DS->Post(), EDatabaseError);
  EXPECT_EQ(Name()->GetAsString(), "R1");
}

TEST_F(TEditing, NavigationPostsAModifiedRecordAndDropsAnUntouchedInsert) {
  T->DS->Edit();
  Name()->SetAsString("Posted by Next");
  T->DS->Next();
  EXPECT_EQ(T->DS->GetState(), dsBrowse);
  T->DS->Prior();
  EXPECT_EQ(Name()->GetAsString(), "Posted by Next");

  T->DS->Insert();
  T->DS->Next();
  EXPECT_EQ(T->DS->GetRecordCount(), 5) << "an untouched new record disappears";

  T->DS->Append();
  T->DS->FieldByName("ID")->SetAsInteger(6);
  T->DS->First();
  EXPECT_EQ(T->DS->GetRecordCount(), 6);
  T->DS->Last();
  EXPECT_EQ(T->DS->FieldByName("ID")->GetAsInteger(), 6);
  EXPECT_NO_THROW(T->DS->CheckConsistency());
}

TEST_F(TEditing, RecNoAssignmentPostsEvenOnTheSameRecord) {
  T->DS->Edit();
  Name()->SetAsString("kept");
  T->DS->SetRecNo(T->DS->GetRecNo());
  EXPECT_EQ(T->DS->GetState(), dsBrowse);
  EXPECT_EQ(Name()->GetAsString(), "kept");
}

TEST_F(TEditing, DefaultsSetInOnNewRecordLeaveTheRecordUnmodified) {
  T->DS->OnNewRecord = [](TDataSet* DS) { DS->FieldByName("Name")->SetAsString("default"); };
  T->DS->Append();
  EXPECT_EQ(Name()->GetAsString(), "default");
  EXPECT_FALSE(T->DS->GetModified());
  T->DS->Prior();
  EXPECT_EQ(T->DS->GetRecordCount(), 5);
}

TEST_F(TEditing, EditOnAnEmptyDatasetInserts) {
  TLinkedDataSet Empty(0);
  Empty.DS->Edit();
  EXPECT_EQ(Empty.DS->GetState(), dsInsert);
  EXPECT_FALSE(Empty.DS->IsEmpty());
  Empty.DS->FieldByName("ID")->SetAsInteger(1);
  Empty.DS->Post();
  EXPECT_EQ(Empty.DS->GetRecordCount(), 1);
  EXPECT_FALSE(Empty.DS->GetEof());
  EXPECT_NO_THROW(Empty.DS->CheckConsistency());
}

TEST_F(TEditing, CancelRestoresTheStoredValues) {
  T->DS->Next();
  T->DS->Edit();
  Name()->SetAsString("discarded");
  EXPECT_EQ(Name()->GetOldValue().AsString(), "R2");
  Mirror();
  Log.clear();
  T->DS->Cancel();
  EXPECT_EQ(Join(Log),
            "CheckBrowseMode, BeforeCancel, EditingChanged(off), DataSetChanged, AfterCancel");
  EXPECT_EQ(Name()->GetAsString(), "R2");
}

TEST_F(TEditing, DeleteSendsItsEventsAndRefusesAnEmptyDataset) {
  Mirror();
  T->DS->Delete();
  EXPECT_EQ(Join(Log),
            "CheckBrowseMode, BeforeDelete, BeforeScroll, DataSetChanged, AfterDelete, "
            "AfterScroll");
  EXPECT_EQ(T->DS->GetRecordCount(), 4);
  for (int I = 0; I < 4; ++I) T->DS->Delete();
  EXPECT_TRUE(T->DS->IsEmpty());
  EXPECT_TRUE(T->DS->GetBof() && T->DS->GetEof());
  try {
    T->DS->Delete();
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Table1: Cannot perform this operation on an empty dataset");
  }
}

TEST_F(TEditing, RequiredFieldStopsThePostAndAsksForFocus) {
  Mirror();
  T->DS->FieldByName("Name")->SetRequired(true);
  T->DS->Append();
  T->DS->FieldByName("ID")->SetAsInteger(9);
  Log.clear();
  try {
    T->DS->Post();
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Table1: Field 'Name' must have a value");
  }
  EXPECT_EQ(Join(Log), "UpdateData, CheckBrowseMode, BeforePost, FocusControl(Name)");
  EXPECT_EQ(T->DS->GetState(), dsInsert) << "a failed post keeps the record being edited";
  EXPECT_EQ(T->DS->FieldByName("ID")->GetAsInteger(), 9) << "and the values typed into it";
  EXPECT_TRUE(T->DS->GetModified());
  T->DS->FieldByName("Name")->SetAsString("now set");
  T->DS->Post();
  EXPECT_EQ(T->DS->GetRecordCount(), 6);
}

TEST_F(TEditing, ARequiredFieldThatCannotBeWrittenDoesNotStopThePost) {
  Name()->SetRequired(true);
  Name()->SetReadOnly(true);
  T->DS->Append();
  T->DS->FieldByName("ID")->SetAsInteger(9);
  T->DS->Post();
  EXPECT_EQ(T->DS->GetRecordCount(), 6) << "nobody could have filled it in";
  EXPECT_TRUE(Name()->IsNull());
}

TEST_F(TEditing, BeforeHandlerThatAbortsStopsTheOperation) {
  T->DS->BeforeEdit = [](TDataSet*) { Abort(); };
  EXPECT_THROW(T->DS->Edit(), EAbort);
  EXPECT_EQ(T->DS->GetState(), dsBrowse);
}

// A store that refuses the first posts, as a full disk would.
struct TFailingStore : TMemoryDataSet {
  explicit TFailingStore(TComponent* Owner) : TMemoryDataSet(Owner) {}
  Integer Failures = 0;
  void InternalPost() override {
    if (Failures > 0) {
      --Failures;
      DatabaseError("disk full", this);
    }
    TMemoryDataSet::InternalPost();
  }
};

TEST(DataSetErrors, PostErrorHandlerRetriesOrAbortsAndKeepsTheEdit) {
  TFailingStore* DS = NewObject<TFailingStore>(nullptr);
  DS->GetFieldDefs()->Add("Name", ftString, 10);
  DS->Open();
  std::vector<String> Seen;
  TDataAction Answer = daRetry;
  DS->OnPostError = [&](TDataSet*, EDatabaseError& E, TDataAction& Action) {
    Seen.push_back(E.GetMessage());
    Action = Answer;
  };
  DS->Failures = 2;
  DS->AppendRecord({"first"});
  EXPECT_EQ(Seen, (std::vector<String>{"disk full", "disk full"}));
  EXPECT_EQ(DS->GetRecordCount(), 1);

  Answer = daAbort;
  DS->Failures = 1;
  DS->Append();
  DS->FieldByName("Name")->SetAsString("second");
  EXPECT_THROW(DS->Post(), EAbort);
  EXPECT_EQ(DS->GetState(), dsInsert);
  EXPECT_EQ(DS->FieldByName("Name")->GetAsString(), "second") << "nothing typed is lost";

  Answer = daFail;
  DS->Failures = 1;
  EXPECT_THROW(DS->Post(), EDatabaseError);
  DS->Post();
  EXPECT_EQ(DS->GetRecordCount(), 2);
  DS->Free();
}

TEST_F(TEditing, DisabledControlsHearOneChangeWhenTheLastEnableRuns) {
  T->DS->DisableControls();
  T->DS->DisableControls();
  T->DS->Next();
  T->DS->Next();
  T->DS->EnableControls();
  EXPECT_EQ(Join(T->Log), "");
  T->DS->EnableControls();
  EXPECT_EQ(Join(T->Log), "DataSetChanged");
  EXPECT_EQ(T->Link->GetActiveRecord(), 2);
  EXPECT_FALSE(T->DS->ControlsDisabled());
}

TEST_F(TEditing, AStateChangedAndBackWhileDisabledGivesALayoutChange) {
  T->DS->DisableControls();
  T->DS->Edit();
  Name()->SetAsString("quiet");
  T->DS->Post();
  T->DS->EnableControls();
  EXPECT_EQ(Join(T->Log), "LayoutChanged");
  T->Log.clear();
  T->DS->DisableControls();
  T->DS->Edit();
  T->DS->EnableControls();
  EXPECT_EQ(Join(T->Log), "EditingChanged(on), LayoutChanged");
}

TEST_F(TEditing, ALayoutChangeWhileDisabledIsHeardAsOneLayoutChange) {
  T->DS->DisableControls();
  Name()->SetVisible(false);
  T->DS->Next();
  EXPECT_TRUE(T->Log.empty());
  T->DS->EnableControls();
  EXPECT_EQ(Join(T->Log), "LayoutChanged");
}

// Non-visual links hear each event first, then visual ones; within each group
// the last attached first.
TEST_F(TEditing, LinksHearEventsNonVisualFirstAndLastAttachedFirst) {
  TLog Order;
  std::vector<TRecordingLink*> Links;
  for (const char* Name : {"A", "B", "C", "D"}) {
    TRecordingLink* Link = TRecordingLink::Create(&Order, String(Name) + ":");
    Link->SetVisualControl(String(Name) == "A" || String(Name) == "C");
    Link->SetDataSource(T->Source);
    Links.push_back(Link);
  }
  T->Link->Log = &Order;
  T->Link->Prefix = "E:";
  Order.clear();
  T->DS->Edit();
  EXPECT_EQ(Join(Order),
            "D:CheckBrowseMode, B:CheckBrowseMode, E:CheckBrowseMode, C:CheckBrowseMode, "
            "A:CheckBrowseMode, D:EditingChanged(on), B:EditingChanged(on), "
            "E:EditingChanged(on), C:EditingChanged(on), A:EditingChanged(on), "
            "D:RecordChanged(nil), B:RecordChanged(nil), E:RecordChanged(nil), "
            "C:RecordChanged(nil), A:RecordChanged(nil)")
      << "E, the fixture's link, was attached before all of them";
  T->DS->Cancel();
  for (TRecordingLink* Link : Links) Link->Free();
  T->Link->Log = &T->Log;
}

TEST_F(TEditing, DisabledStateChangeReachesLinksAsEvent14) {
  struct TEventLink : TDataLink {
    std::vector<std::pair<TDataEvent, TDataEventInfo>> Seen;
    void DataEvent(TDataEvent Event, TDataEventInfo Info) override {
      Seen.emplace_back(Event, Info);
      TDataLink::DataEvent(Event, Info);
    }
  };
  TEventLink* Link = NewObject<TEventLink>();
  Link->SetDataSource(T->Source);
  T->DS->DisableControls();
  T->DS->Edit();
  T->DS->Cancel();
  T->DS->EnableControls();
  ASSERT_GE(Link->Seen.size(), 2u);
  EXPECT_EQ(Link->Seen[0].first, deDisabledStateChange);
  EXPECT_EQ(Link->Seen[0].second, 1);
  Link->Seen.clear();
  T->DS->DisableControls();
  T->DS->Close();
  ASSERT_EQ(Link->Seen.size(), 1u);
  EXPECT_EQ(Link->Seen[0].first, deDisabledStateChange);
  EXPECT_EQ(Link->Seen[0].second, 0) << "0: the dataset is no longer active";
  T->DS->EnableControls();
  Link->Free();
}

TEST_F(TEditing, OpeningAnEmptyDatasetDoesNotScroll) {
  TLinkedDataSet Empty(0);
  TLog Events;
  Empty.DS->Close();
  HookDataSetEvents(Empty.DS, &Events);
  Empty.DS->Open();
  EXPECT_EQ(Join(Events), "BeforeOpen, AfterOpen");
  Empty.DS->Close();
  Empty.DS->BeforeClose = nullptr;  // Events goes first
  Empty.DS->AfterClose = nullptr;
}

TEST_F(TEditing, AReadOnlyLinkDoesNotEditWithItsDataset) {
  T->Link->SetReadOnly(true);
  T->DS->Edit();
  EXPECT_EQ(T->DS->GetState(), dsEdit);
  EXPECT_FALSE(T->Link->GetEditing());
  T->DS->Cancel();
  T->Link->SetReadOnly(false);
  T->DS->Edit();
  EXPECT_TRUE(T->Link->GetEditing());
  T->DS->Cancel();
}

// A smaller link's rows are the buffers from its own first one.
TEST_F(TEditing, ASmallLinksActiveRecordCountsFromItsFirstBuffer) {
  TLog SmallLog;
  TRecordingLink* Small = TRecordingLink::Create(&SmallLog);
  Small->SetBufferCount(2);
  Small->SetDataSource(T->Source);
  T->DS->MoveBy(3);  // a = 3, the small link's rows are buffers 2 and 3
  ASSERT_EQ(Small->GetFirstRecord(), 2);
  Small->SetActiveRecord(0);
  EXPECT_EQ(T->DS->FieldByName("ID")->GetAsInteger(), 3);
  EXPECT_EQ(T->Link->GetActiveRecord(), 2);
  Small->SetActiveRecord(1);
  EXPECT_EQ(T->DS->FieldByName("ID")->GetAsInteger(), 4);
  EXPECT_THROW(Small->SetActiveRecord(3), EDatabaseError) << "past the filled buffers";
  EXPECT_EQ(T->DS->GetActiveRecord(), 3);
  Small->Free();
}

TEST_F(TEditing, DataSourceFiresItsEventsAndAutoEdits) {
  TLog SourceLog;
  T->Source->OnStateChange = [&SourceLog](TObject*) { SourceLog.push_back("StateChange"); };
  T->Source->OnDataChange = [&SourceLog](TObject*, TField* F) {
    SourceLog.push_back(F ? "DataChange(" + F->GetFieldName() + ")" : String("DataChange(nil)"));
  };
  EXPECT_TRUE(T->Link->Edit());
  Name()->SetAsString("y");
  EXPECT_EQ(Join(SourceLog), "StateChange, DataChange(nil), DataChange(Name)");
  T->DS->Cancel();
  T->Source->SetAutoEdit(false);
  EXPECT_FALSE(T->Link->Edit());
  T->Link->SetReadOnly(true);
  T->Source->SetAutoEdit(true);
  EXPECT_FALSE(T->Link->Edit());
  EXPECT_EQ(T->DS->GetState(), dsBrowse);
  T->Source->OnStateChange = nullptr;  // SourceLog goes before the dataset closes
  T->Source->OnDataChange = nullptr;
}

TEST_F(TEditing, DisabledSourceTurnsItsLinksOffAndBackOn) {
  T->DS->Next();
  T->Log.clear();
  T->Source->SetEnabled(false);
  EXPECT_EQ(Join(T->Log), "ActiveChanged(off)");
  EXPECT_EQ(T->Source->GetState(), dsInactive);
  EXPECT_EQ(T->Link->GetRecordCount(), 0);
  T->Log.clear();
  T->DS->Next();
  T->DS->Edit();
  EXPECT_TRUE(T->Log.empty()) << "a disabled source passes nothing on";
  T->Source->SetEnabled(true);
  EXPECT_EQ(Join(T->Log), "ActiveChanged(on), EditingChanged(on)");
  EXPECT_EQ(T->Link->GetActiveRecord(), 2);
  EXPECT_EQ(T->Link->GetRecordCount(), 5);
  T->DS->Cancel();
}

TEST(FieldProperties, ChangesReachLinksAsLayoutOrDataChanges) {
  struct TEventLink : TDataLink {
    std::vector<TDataEvent> Seen;
    void DataEvent(TDataEvent Event, TDataEventInfo Info) override {
      Seen.push_back(Event);
      TDataLink::DataEvent(Event, Info);
    }
  };
  TLinkedDataSet T(3);
  TEventLink* Link = NewObject<TEventLink>();
  Link->SetDataSource(T.Source);
  TField* Name = T.DS->FieldByName("Name");
  auto* ID = DynCast<TIntegerField>(T.DS->FieldByName("ID"));
  const struct {
    const char* What;
    std::function<void()> Change;
    std::vector<TDataEvent> Events;
  } Cases[] = {
      {"Visible", [&] { Name->SetVisible(false); }, {deLayoutChange}},
      {"DisplayLabel", [&] { Name->SetDisplayLabel("Title"); }, {deLayoutChange}},
      {"DisplayWidth", [&] { Name->SetDisplayWidth(30); }, {deLayoutChange}},
      {"ReadOnly", [&] { Name->SetReadOnly(true); }, {deLayoutChange}},
      {"Index", [&] { Name->SetIndex(0); }, {deLayoutChange, deFieldListChange}},
      {"Alignment", [&] { Name->SetAlignment(taCenter); }, {deDataSetChange}},
      {"EditMask", [&] { Name->SetEditMask("000"); }, {deDataSetChange}},
      {"DisplayFormat", [&] { ID->SetDisplayFormat("0000"); }, {deDataSetChange}},
      {"EditFormat", [&] { ID->SetEditFormat("0"); }, {deDataSetChange}},
      {"the same value again", [&] { Name->SetVisible(false); }, {}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.What);
    Link->Seen.clear();
    C.Change();
    EXPECT_EQ(Link->Seen, C.Events);
  }
  Link->Free();
}

TEST_F(TEditing, CloseDropsAPendingEditWithoutPostOrCancel) {
  T->DS->Edit();
  Name()->SetAsString("never stored");
  Log.clear();
  T->DS->Close();
  EXPECT_EQ(Join(Log), "BeforeClose, AfterClose");
  T->DS->Open();
  EXPECT_EQ(Name()->GetAsString(), "R1");
}

TEST_F(TEditing, DeleteWhileEditingDeletesTheRecordUnposted) {
  T->DS->Next();
  T->DS->Edit();
  Name()->SetAsString("gone anyway");
  T->Log.clear();
  T->DS->Delete();
  EXPECT_EQ(Join(T->Log), "CheckBrowseMode, EditingChanged(off), DataSetChanged");
  EXPECT_EQ(T->DS->GetRecordCount(), 4);
  EXPECT_EQ(Name()->GetAsString(), "R3");
}

TEST_F(TEditing, DeleteWhileInsertingCancelsTheNewRecord) {
  T->DS->Next();
  T->DS->Insert();
  T->DS->FieldByName("ID")->SetAsInteger(50);
  Log.clear();
  T->DS->Delete();
  EXPECT_EQ(Join(Log), "BeforeCancel, BeforeScroll, AfterCancel, AfterScroll");
  EXPECT_EQ(T->DS->GetState(), dsBrowse);
  EXPECT_EQ(T->DS->GetRecordCount(), 5) << "no stored record was deleted";
  EXPECT_EQ(T->DS->FieldByName("ID")->GetAsInteger(), 2);
}

// A second DisableControls after a first one that changed state starts clean:
// its EnableControls sends a data change, not the old layout change.
TEST_F(TEditing, EachDisableStartsWithADataChangeToSend) {
  T->DS->DisableControls();
  T->DS->Edit();
  T->DS->Cancel();
  T->DS->EnableControls();
  EXPECT_EQ(Join(T->Log), "LayoutChanged");
  T->Log.clear();
  T->DS->DisableControls();
  T->DS->Next();
  T->DS->EnableControls();
  EXPECT_EQ(Join(T->Log), "DataSetChanged");
}

// The link that writes a value while the record is updated does not hear its
// own change; the others do.
TEST_F(TEditing, ALinkWritingItsValueDoesNotHearItsOwnChange) {
  struct TWritingLink : TRecordingLink {
    using TRecordingLink::TRecordingLink;
    TField* Field = nullptr;
    void UpdateData() override {
      TRecordingLink::UpdateData();
      Field->SetAsString("typed");
    }
  };
  TLog WriterLog;
  TWritingLink* Writer = NewObject<TWritingLink>(&WriterLog);
  Writer->Field = Name();
  Writer->SetDataSource(T->Source);
  T->DS->Edit();
  WriterLog.clear();
  T->Log.clear();
  T->DS->Post();
  EXPECT_EQ(Join(WriterLog), "UpdateData, CheckBrowseMode, EditingChanged(off), DataSetChanged");
  EXPECT_EQ(Join(T->Log),
            "RecordChanged(Name), UpdateData, CheckBrowseMode, EditingChanged(off), "
            "DataSetChanged")
      << "the writer, attached last, updates first";
  EXPECT_EQ(Name()->GetAsString(), "typed");
  Writer->Free();
}

TEST_F(TEditing, ASourceTellsOfDataWhenItsDatasetOpens) {
  TLog SourceLog;
  T->Source->OnStateChange = [&SourceLog](TObject*) { SourceLog.push_back("StateChange"); };
  T->Source->OnDataChange = [&SourceLog](TObject*, TField*) {
    SourceLog.push_back("DataChange");
  };
  T->DS->Close();
  EXPECT_EQ(Join(SourceLog), "StateChange");
  SourceLog.clear();
  T->DS->Open();
  EXPECT_EQ(Join(SourceLog), "StateChange, DataChange");
  T->Source->OnStateChange = nullptr;
  T->Source->OnDataChange = nullptr;
}

TEST_F(TEditing, ReadOnlyDatasetRefusesChanges) {
  T->DS->SetReadOnly(true);
  EXPECT_FALSE(T->DS->GetCanModify());
  EXPECT_FALSE(Name()->GetCanModify());
  EXPECT_THROW(T->DS->Edit(), EDatabaseError);
  EXPECT_THROW(T->DS->Append(), EDatabaseError);
  EXPECT_THROW(T->DS->Delete(), EDatabaseError);
  EXPECT_EQ(T->DS->GetRecordCount(), 5);
}

TEST_F(TEditing, OpenAndCloseReachTheLinkAsActiveChanges) {
  T->DS->Close();
  EXPECT_EQ(Join(T->Log), "ActiveChanged(off)");
  EXPECT_FALSE(T->Link->GetActive());
  T->Log.clear();
  Log.clear();
  T->DS->Open();
  EXPECT_EQ(Join(T->Log), "ActiveChanged(on)");
  EXPECT_EQ(Join(Log), "BeforeOpen, AfterOpen, AfterScroll");
  EXPECT_EQ(T->Ids(), "1 2 3 4 5") << "records live on across close and reopen";
}

}  // namespace
}  // namespace kvp::test
