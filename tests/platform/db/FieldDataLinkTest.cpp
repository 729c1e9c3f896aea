// TFieldDataLink as a single-field control (an edit box) drives it: finding
// its field, showing each record, writing typed text on post, and the focus
// request of a required field.

#include "DbTestUtil.h"
#include "platform/classes/Actions.h"

namespace kvp::test {
namespace {

// A stand-in for an edit control: it shows the field's text and writes back
// what the user typed when asked.
struct TFakeEdit {
  TFieldDataLink* Link = nullptr;
  String Text;
  TLog Log;
  explicit TFakeEdit(TDataSource* Source, const String& FieldName) {
    Link = TFieldDataLink::Create();
    Link->OnDataChange = [this](TObject*) {
      Text = Link->GetField() ? Link->GetField()->GetText() : String();
      Log.push_back("DataChange(" + Text + ")");
    };
    Link->OnEditingChange = [this](TObject*) {
      Log.push_back(Link->GetEditing() ? "Editing(on)" : "Editing(off)");
    };
    Link->OnUpdateData = [this](TObject*) { Link->GetField()->SetText(Text); };
    Link->OnActiveChange = [this](TObject*) {
      Log.push_back(Link->GetActive() ? "Active(on)" : "Active(off)");
    };
    Link->SetFieldName(FieldName);
    Link->SetDataSource(Source);
  }
  ~TFakeEdit() { Link->Free(); }
  TFakeEdit(const TFakeEdit&) = delete;
  TFakeEdit& operator=(const TFakeEdit&) = delete;
  void Type(const String& S) {
    if (!Link->Edit()) return;
    Text = S;
    Link->Modified();
  }
};

TEST(FieldDataLink, ShowsTheFieldOfEachRecordAndWritesTypedTextOnPost) {
  TLinkedDataSet T(3);
  TFakeEdit Edit(T.Source, "Name");
  EXPECT_EQ(Join(Edit.Log), "DataChange(R1), Active(on)");
  EXPECT_EQ(Edit.Link->GetField(), T.DS->FieldByName("Name"));
  Edit.Log.clear();
  T.DS->Next();
  EXPECT_EQ(Edit.Text, "R2");
  Edit.Type("typed");
  EXPECT_EQ(T.DS->GetState(), dsEdit) << "typing puts the dataset into edit state";
  EXPECT_TRUE(Edit.Link->GetModified());
  T.DS->FieldByName("ID")->SetAsInteger(22);
  EXPECT_TRUE(Edit.Link->GetModified()) << "another field's change keeps the typed text";
  T.DS->Next();  // the implicit post writes the typed text first
  T.DS->Prior();
  EXPECT_EQ(T.DS->FieldByName("Name")->GetAsString(), "typed");
  EXPECT_EQ(T.DS->FieldByName("ID")->GetAsInteger(), 22);
  EXPECT_FALSE(Edit.Link->GetModified());
}

TEST(FieldDataLink, LeavingEditStateForgetsWhatWasTyped) {
  TLinkedDataSet T(3);
  TFakeEdit Edit(T.Source, "Name");
  Edit.Type("dropped");
  EXPECT_TRUE(Edit.Link->GetModified());
  Edit.Link->Modified();
  T.DS->Cancel();
  EXPECT_FALSE(Edit.Link->GetEditing());
  EXPECT_FALSE(Edit.Link->GetModified()) << "a cancelled edit leaves nothing to write";
  EXPECT_EQ(Edit.Text, "R1");
}

TEST(FieldDataLink, ResetDropsTheTypedTextAndReadOnlyFieldsDoNotEdit) {
  TLinkedDataSet T(3);
  TFakeEdit Edit(T.Source, "Name");
  Edit.Type("oops");
  Edit.Link->Reset();
  EXPECT_EQ(Edit.Text, "R1");
  EXPECT_FALSE(Edit.Link->GetModified());
  T.DS->Cancel();
  T.DS->FieldByName("Name")->SetReadOnly(true);
  EXPECT_FALSE(Edit.Link->GetCanModify());
  T.DS->Edit();
  EXPECT_FALSE(Edit.Link->GetEditing()) << "a read-only field's control does not edit";
  T.DS->Cancel();
}

TEST(FieldDataLink, ClosingDropsTheFieldAndAnUnknownNameRaises) {
  TLinkedDataSet T(3);
  TFakeEdit Edit(T.Source, "Name");
  T.DS->Close();
  EXPECT_EQ(Edit.Link->GetField(), nullptr);
  EXPECT_EQ(Edit.Text, "");
  T.DS->Open();
  EXPECT_NE(Edit.Link->GetField(), nullptr) << "default fields are found again after reopening";
  try {
    Edit.Link->SetFieldName("Missing");
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Table1: Field 'Missing' not found");
  }
}

TEST(FieldDataLink, RequiredFieldFocusesTheControlThatShowsIt) {
  TLinkedDataSet T(3);
  TFakeEdit Edit(T.Source, "Name");
  TComponent* Control = TComponent::Create(nullptr);
  Control->SetName("NameEdit");
  Edit.Link->SetControl(Control);
  std::vector<TComponent*> Focused;
  FieldDataLinkFocusProc = [&Focused](TComponent* C) {
    Focused.push_back(C);
    return true;
  };
  T.DS->FieldByName("Name")->SetRequired(true);
  T.DS->Append();
  T.Log.clear();
  EXPECT_THROW(T.DS->Post(), EDatabaseError);
  EXPECT_EQ(Focused, std::vector<TComponent*>{Control});
  EXPECT_EQ(Join(T.Log), "UpdateData, CheckBrowseMode, FocusControl(nil)")
      << "the request, once taken, reaches the next link as nil";
  FieldDataLinkFocusProc = nullptr;
  T.DS->Cancel();
  Control->Free();
}

TEST(DataLinks, FreeingASourceOrDatasetDetachesWhatHangsOnIt) {
  TLog Log;
  TMemoryDataSet* DS = MakeNumbers(3);
  TDataSource* Source = TDataSource::Create(nullptr);
  Source->SetDataSet(DS);
  TRecordingLink* Link = TRecordingLink::Create(&Log);
  Link->SetDataSource(Source);
  Link->SetBufferCount(3);
  DS->Free();
  EXPECT_EQ(Source->GetDataSet(), nullptr);
  EXPECT_FALSE(Link->GetActive());
  Source->Free();
  EXPECT_EQ(Link->GetDataSource(), nullptr);
  Link->Free();
}

// An action that works on data sources, like a "post" button's action.
class TSourceAction : public TBasicAction {
  KV_CLASS(TSourceAction, TBasicAction)
 public:
  explicit TSourceAction(TComponent* AOwner) : TBasicAction(AOwner) {}
  TObject* Executed = nullptr;
  TObject* Updated = nullptr;
  bool HandlesTarget(TObject* Target) override { return Target && Target->Is<TDataSource>(); }
  void ExecuteTarget(TObject* Target) override { Executed = Target; }
  void UpdateTarget(TObject* Target) override { Updated = Target; }
};

TEST(DataLinks, ActionsForDataSourcesRunOnTheLinksSource) {
  TLinkedDataSet T(2);
  TSourceAction* Action = TSourceAction::Create(nullptr);
  EXPECT_TRUE(T.Link->ExecuteAction(Action));
  EXPECT_EQ(Action->Executed, T.Source);
  EXPECT_TRUE(T.Link->UpdateAction(Action));
  EXPECT_EQ(Action->Updated, T.Source);
  TBasicAction* Other = TBasicAction::Create(nullptr);
  EXPECT_FALSE(T.Link->ExecuteAction(Other)) << "an action for other targets is left alone";
  EXPECT_FALSE(T.Link->UpdateAction(Other));
  T.Link->SetDataSource(nullptr);
  Action->Executed = nullptr;
  EXPECT_FALSE(T.Link->ExecuteAction(Action)) << "a link without a source has no target";
  EXPECT_EQ(Action->Executed, nullptr);
  Other->Free();
  Action->Free();
}

}  // namespace
}  // namespace kvp::test
