// The field data link: its unbound mode and the moves between the modes,
// editing and the modified flag in both modes, writing text and values (one
// field, several fields, wrong shapes), field look-up errors, the dataset's
// disabled-state changes, focusing a field's control; and the edit image's
// settings.
//
// Ideas for tests: a control whose window's right alignment no longer fits
// its field makes its window again (needs a right-to-left field alignment
// rule beyond the control's own).
#include <gtest/gtest.h>

#include "tests/controls/DBCtrlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

// A link with its events counted, as a control wires it.
struct TLinkProbe {
  TObjectPtr<TFieldDataLinkKv> Link{TFieldDataLinkKv::Create()};
  TNotifyLog DataChanges, EditingChanges, UpdateDatas, ActiveChanges;
  std::vector<bool> ModifiedAtUpdate;  // the link's flag when OnUpdateData ran
  TLinkProbe() {
    Link->OnDataChange = DataChanges.Event();
    Link->OnEditingChange = EditingChanges.Event();
    Link->OnActiveChange = ActiveChanges.Event();
    Link->OnUpdateData = [this](TObject* S) {
      UpdateDatas.Fire(S);
      ModifiedAtUpdate.push_back(Link->GetModified());
    };
  }
};

class DBCtrlsKvDataLinkTest : public TDBFormFixture {};

TEST_F(DBCtrlsKvDataLinkTest, ANewLinkIsUnboundActiveAndModifiableWithANullValue) {
  TLinkProbe P;
  EXPECT_TRUE(P.Link->GetDataIndependent());
  EXPECT_TRUE(P.Link->IsActive());
  EXPECT_TRUE(P.Link->CanModify());
  EXPECT_TRUE(VarIsNull(P.Link->GetValue()));
  EXPECT_FALSE(P.Link->GetEditing());
  EXPECT_FALSE(P.Link->GetModified());
  EXPECT_EQ(P.Link->GetField(), nullptr);
  EXPECT_TRUE(P.Link->GetVisualControl());
}

TEST_F(DBCtrlsKvDataLinkTest, BindingLeavesTheUnboundModeAndClearingBothEntersItAgain) {
  TLinkProbe P;
  P.Link->SetText("kept");
  EXPECT_EQ(VarToStr(P.Link->GetValue()), "kept");
  TDataSource* Closed = TDataSource::Create(Form);
  P.Link->SetDataSource(Closed);
  EXPECT_FALSE(P.Link->GetDataIndependent());
  EXPECT_TRUE(VarIsNull(P.Link->GetValue()));  // the unbound value is dropped
  EXPECT_FALSE(P.Link->IsActive());            // no dataset
  EXPECT_FALSE(P.Link->CanModify());
  P.Link->SetDataSource(Source);
  EXPECT_FALSE(P.Link->IsActive());  // open, but no field yet
  P.Link->SetFieldName("Name");
  EXPECT_TRUE(P.Link->IsActive());
  EXPECT_EQ(P.Link->GetField(), Field("Name"));
  People->Close();
  EXPECT_FALSE(P.Link->IsActive());
  EXPECT_EQ(P.Link->GetField(), nullptr);
  People->Open();
  EXPECT_EQ(P.Link->GetField(), Field("Name"));
  // Back to nothing: the field name goes last and the empty value shows once.
  P.Link->SetDataSource(nullptr);
  EXPECT_FALSE(P.Link->GetDataIndependent());
  const std::size_t Before = P.DataChanges.Count();
  P.Link->SetFieldName("");
  EXPECT_TRUE(P.Link->GetDataIndependent());
  EXPECT_TRUE(VarIsNull(P.Link->GetValue()));
  EXPECT_EQ(P.DataChanges.Count() - Before, 1u);
}

TEST_F(DBCtrlsKvDataLinkTest, UnboundEditingStartsOnEditAndEndsWithEachWrite) {
  TLinkProbe P;
  EXPECT_TRUE(P.Link->Edit());
  EXPECT_TRUE(P.Link->GetEditing());
  EXPECT_EQ(P.EditingChanges.Count(), 1u);
  EXPECT_TRUE(P.Link->Edit());  // already editing: nothing more
  EXPECT_EQ(P.EditingChanges.Count(), 1u);
  // Nothing changed: the write asks the control for nothing, but ends editing.
  P.Link->UpdateRecord();
  EXPECT_EQ(P.UpdateDatas.Count(), 0u);
  EXPECT_FALSE(P.Link->GetEditing());
  P.Link->Edit();
  P.Link->SetModified();
  P.Link->UpdateRecord();
  EXPECT_EQ(P.UpdateDatas.Count(), 1u);
  EXPECT_EQ(P.ModifiedAtUpdate, std::vector<bool>{true});
  EXPECT_FALSE(P.Link->GetModified());
  EXPECT_FALSE(P.Link->GetEditing());
  // A read-only link never edits and says nothing.
  TLinkProbe R;
  R.Link->SetReadOnly(true);
  EXPECT_FALSE(R.Link->Edit());
  EXPECT_EQ(R.EditingChanges.Count(), 0u);
}

TEST_F(DBCtrlsKvDataLinkTest, BoundEditPutsTheDatasetIntoEditUnlessTheFieldCannotChange) {
  TLinkProbe P;
  P.Link->SetDataSource(Source);
  P.Link->SetFieldName("Name");
  EXPECT_FALSE(P.Link->GetEditing());
  EXPECT_TRUE(P.Link->Edit());
  EXPECT_EQ(People->GetState(), dsEdit);
  EXPECT_EQ(P.EditingChanges.Count(), 1u);
  People->Cancel();
  EXPECT_FALSE(P.Link->GetEditing());
  Field("Name")->SetReadOnly(true);
  EXPECT_FALSE(P.Link->CanModify());
  EXPECT_FALSE(P.Link->Edit());
  EXPECT_EQ(People->GetState(), dsBrowse);
  // Another control's edit of a read-only field's record does not let it edit.
  People->Edit();
  EXPECT_FALSE(P.Link->GetEditing());
}

TEST_F(DBCtrlsKvDataLinkTest, TextIsWrittenAsTheUnboundValueTheMemoTextOrTheFieldsEditText) {
  TLinkProbe P;
  P.Link->SetText("abc");
  EXPECT_EQ(VarType(P.Link->GetValue()), varString);
  EXPECT_EQ(VarToStr(P.Link->GetValue()), "abc");
  EXPECT_EQ(P.DataChanges.Count(), 1u);

  TLinkProbe Notes, Price;
  Notes.Link->SetDataSource(Source);
  Notes.Link->SetFieldName("Notes");
  Price.Link->SetDataSource(Source);
  Price.Link->SetFieldName("Price");
  People->Edit();
  Notes.Link->SetText("two\r\nlines");
  Price.Link->SetText("12.5");  // the edit text is parsed, not the display format
  EXPECT_EQ(Field("Notes")->GetAsString(), "two\r\nlines");
  EXPECT_DOUBLE_EQ(Field("Price")->GetAsFloat(), 12.5);
  EXPECT_THROW(Price.Link->SetText("12,x"), Exception);
  EXPECT_DOUBLE_EQ(Field("Price")->GetAsFloat(), 12.5);
}

TEST_F(DBCtrlsKvDataLinkTest, ABoundLinkWithoutAFieldWritesNothingAndDoesNotFail) {
  TLinkProbe P;
  P.Link->SetFieldName("Name");  // bound, but no data source
  EXPECT_NO_THROW(P.Link->SetText("x"));
  EXPECT_NO_THROW(P.Link->SetValue(Variant("x")));
  EXPECT_TRUE(VarIsNull(P.Link->GetValue()));
  P.Link->SetDataSource(Source);
  People->Close();
  EXPECT_NO_THROW(P.Link->SetText("x"));
  People->Open();
  EXPECT_EQ(Field("Name")->GetAsString(), "Ann");
}

TEST_F(DBCtrlsKvDataLinkTest, SeveralFieldsTakeNullOrOneArrayElementEachAndRefuseOtherShapes) {
  TLinkProbe P;
  P.Link->SetMultiFields(true);
  P.Link->SetControl(Form);
  P.Link->SetDataSource(Source);
  P.Link->SetFieldName("Name;Code");
  ASSERT_EQ(P.Link->GetFields().size(), 2u);
  People->Edit();
  P.Link->SetValue(VarArrayOf({"Zoe", "Z-9"}));
  EXPECT_EQ(Field("Name")->GetAsString(), "Zoe");
  EXPECT_EQ(Field("Code")->GetAsString(), "Z-9");
  // An array with its own bounds gives its elements in order.
  Variant Shifted = VarArrayCreate({5, 7}, varVariant);
  VarArrayPut(Shifted, "Yan", 5);
  VarArrayPut(Shifted, "Y-1", 6);
  VarArrayPut(Shifted, "extra", 7);
  P.Link->SetValue(Shifted);
  EXPECT_EQ(Field("Name")->GetAsString(), "Yan");
  EXPECT_EQ(Field("Code")->GetAsString(), "Y-1");
  // Too few elements or a single value: a clear error and both fields kept.
  for (const Variant& Wrong : {VarArrayOf({"only"}), Variant("scalar"), Variant(7)}) {
    try {
      P.Link->SetValue(Wrong);
      ADD_FAILURE() << "no error";
    } catch (const EVariantError& E) {
      EXPECT_EQ(E.GetMessage(), "The value of the fields 'Name;Code' must be Null or an array of 2 values");
    }
    EXPECT_EQ(Field("Name")->GetAsString(), "Yan");
    EXPECT_EQ(Field("Code")->GetAsString(), "Y-1");
  }
  P.Link->SetValue(Null());
  EXPECT_TRUE(Field("Name")->IsNull());
  EXPECT_TRUE(Field("Code")->IsNull());
}

TEST_F(DBCtrlsKvDataLinkTest, AFieldListWithoutAControlUsesTheDatasetsOwnLookUp) {
  TLinkProbe P;
  P.Link->SetMultiFields(true);
  P.Link->SetDataSource(Source);
  P.Link->SetFieldName("ID;Price");
  ASSERT_EQ(P.Link->GetFields().size(), 2u);
  EXPECT_EQ(P.Link->GetFields()[1], Field("Price"));
  EXPECT_THROW(P.Link->SetFieldName("ID;Nope"), EDatabaseError);
}

TEST_F(DBCtrlsKvDataLinkTest, OnlyAReloadOfItsOwnFieldsClearsThePendingChange) {
  TLinkProbe P;
  P.Link->SetDataSource(Source);
  P.Link->SetFieldName("Name");
  P.Link->OnUpdateData = [&](TObject*) { P.Link->SetText("Typed"); };
  P.Link->Edit();
  P.Link->SetModified();
  const std::size_t Loads = P.DataChanges.Count();
  Field("Code")->SetAsString("changed by a handler");  // another field of the record
  EXPECT_EQ(P.DataChanges.Count(), Loads);
  EXPECT_TRUE(P.Link->GetModified());
  People->Post();  // the typed text is written, not lost
  EXPECT_EQ(Field("Name")->GetAsString(), "Typed");
  EXPECT_EQ(Field("Code")->GetAsString(), "changed by a handler");
  // A change of its own field reloads the control and clears the flag.
  People->Edit();
  P.Link->SetModified();
  const std::size_t Reloads = P.DataChanges.Count();
  Field("Name")->SetAsString("Other");
  EXPECT_EQ(P.DataChanges.Count(), Reloads + 1);
  EXPECT_FALSE(P.Link->GetModified());
  People->Cancel();
}

TEST_F(DBCtrlsKvDataLinkTest, AnUnknownFieldRaisesInTheControlsNameAndKeepsTheFields) {
  TLinkProbe P;
  TEdit* Edit = TEdit::Create(Form);
  Edit->SetName("Edit1");
  P.Link->SetControl(Edit);
  P.Link->SetDataSource(Source);
  P.Link->SetFieldName("Name");
  try {
    P.Link->SetFieldName("Missing");
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Edit1: Field 'Missing' not found");
  }
  EXPECT_EQ(P.Link->GetField(), Field("Name"));
}

TEST_F(DBCtrlsKvDataLinkTest, ClosingAndOpeningWhileControlsAreDisabledDropsAndFindsTheFields) {
  TLinkProbe P;
  P.Link->SetDataSource(Source);
  P.Link->SetFieldName("Name");
  People->DisableControls();
  People->Close();
  EXPECT_TRUE(P.Link->GetFields().empty());
  People->Open();
  EXPECT_EQ(P.Link->GetField(), Field("Name"));
  People->EnableControls();
  EXPECT_EQ(P.Link->GetField(), Field("Name"));
}

TEST_F(DBCtrlsKvDataLinkTest, AFieldAsksItsControlToTakeTheFocus) {
  ShowForm();
  TEdit* Other = TEdit::Create(Form);
  Other->SetParent(Form);
  TEdit* Edit = TEdit::Create(Form);
  Edit->SetParent(Form);
  Edit->SetTop(40);
  Other->SetFocus();
  TLinkProbe P;
  P.Link->SetControl(Edit);
  P.Link->SetDataSource(Source);
  P.Link->SetFieldName("Name");
  Field("Code")->FocusControl();  // not its field
  EXPECT_TRUE(Other->Focused());
  Field("Name")->FocusControl();
  EXPECT_TRUE(Edit->Focused());
}

// A control that counts the messages its edit image sends.
class TImageOwner : public TCustomControl {
  KV_CLASS(TImageOwner, TCustomControl)
 public:
  explicit TImageOwner(TComponent* AOwner) : TCustomControl(AOwner) {}
  std::vector<WPARAM> Changes;
  Integer Invalidates = 0;
  void Invalidate() override {
    ++Invalidates;
    inherited::Invalidate();
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && Image && AComponent == Image->GetImages()) Image->SetImages(nullptr);
  }
  TEditImageKv* Image = nullptr;

 protected:
  void WMImageChanged(TMessage& Message) { Changes.push_back(Message.WParam); }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_EDITIMAGECHANGEDKV, WMImageChanged)
  KV_END_MESSAGE_MAP
};

TEST_F(DBCtrlsKvDataLinkTest, EditImageSettingsTellTheirControlAndAssignLeavesTheHeightRule) {
  TImageOwner* Owner = TImageOwner::Create(Form);
  TObjectPtr<TEditImageKv> Image(TEditImageKv::Create(static_cast<TWinControl*>(Owner)));
  Owner->Image = Image.get();
  EXPECT_EQ(Image->GetImageIndex(), -1);
  EXPECT_EQ(Image->GetImages(), nullptr);
  EXPECT_TRUE(Image->GetUseImageHeight());
  EXPECT_FALSE(Image->GetVisible());
  EXPECT_EQ(Image->GetWidth(), 0);
  EXPECT_EQ(Image->GetOwner(), Owner);

  TImageList* List = TImageList::Create(Form);
  Image->SetImages(List);
  Image->SetVisible(true);
  Image->SetWidth(20);
  Image->SetWidth(20);
  Image->SetUseImageHeight(false);
  const WPARAM Self = reinterpret_cast<WPARAM>(Image.get());
  EXPECT_EQ(Owner->Changes, (std::vector<WPARAM>{Self, Self, Self, Self}));
  Owner->Invalidates = 0;
  Image->SetImageIndex(3);
  EXPECT_EQ(Owner->Changes.size(), 4u);  // a new index only repaints
  EXPECT_EQ(Owner->Invalidates, 1);

  TObjectPtr<TEditImageKv> Copy(TEditImageKv::Create(static_cast<TWinControl*>(Owner)));
  Copy->SetUseImageHeight(true);
  Copy->Assign(Image.get());
  EXPECT_EQ(Copy->GetImages(), List);
  EXPECT_EQ(Copy->GetImageIndex(), 3);
  EXPECT_TRUE(Copy->GetVisible());
  EXPECT_EQ(Copy->GetWidth(), 20);
  EXPECT_TRUE(Copy->GetUseImageHeight());
  EXPECT_THROW(Copy->Assign(Form->GetFont()), Exception);

  List->Free();  // the owner hears of it and the image lets go
  EXPECT_EQ(Image->GetImages(), nullptr);
}

TEST(DBCtrlsKvUnitTest, VariantTextAndFlatButtonWidth) {
  EXPECT_EQ(VariantToText(Null()), "");
  EXPECT_EQ(VariantToText(Variant(12)), "12");
  EXPECT_EQ(VariantToText(VarArrayOf({1, 2})), "");
  EXPECT_EQ(FlatButtonWidth(), DefaultEditButtonWidth());
}

}  // namespace
}  // namespace korvel
