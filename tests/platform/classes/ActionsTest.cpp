// Actions as controls use them: links that follow an action while the client
// still shows its values, the order in which an action is offered to its
// list, the application, its own handler and the focused control, and the
// lifetimes of actions, links, lists and the invoking component.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Actions.h"
#include "platform/classes/Filer.h"
#include "platform/rtl/VirtualKeys.h"

using namespace kvp;

namespace {

std::vector<std::string> Log;

// A button-like client with the properties an action drives.
class TFakeButton : public TComponent {
  KV_CLASS(TFakeButton, TComponent)
 public:
  explicit TFakeButton(TComponent* AOwner) : TComponent(AOwner) {}
  String Caption;
  bool Enabled = true;
};

// Its link: linked while the button shows the action's value.
class TFakeButtonLink : public TActionLink {
  KV_CLASS(TFakeButtonLink, TActionLink)
 public:
  explicit TFakeButtonLink(TObject* AClient) : TActionLink(AClient) {}
  TCustomAction* Custom() { return DynCast<TCustomAction>(GetAction()); }
  bool IsCaptionLinked() override {
    return inherited::IsCaptionLinked() && FClient->Caption == Custom()->GetCaption();
  }
  bool IsEnabledLinked() override {
    return inherited::IsEnabledLinked() && FClient->Enabled == Custom()->GetEnabled();
  }
  void SetCaption(const String& Value) override {
    if (IsCaptionLinked()) FClient->Caption = Value;
  }
  void SetEnabled(bool Value) override {
    if (IsEnabledLinked()) FClient->Enabled = Value;
  }

 protected:
  void AssignClient(TObject* AClient) override { FClient = As<TFakeButton>(AClient); }

 private:
  TFakeButton* FClient = nullptr;
};

// A control that knows the copy action by its class, as a grid does.
class TFakeGrid : public TComponent {
  KV_CLASS(TFakeGrid, TComponent)
 public:
  explicit TFakeGrid(TComponent* AOwner) : TComponent(AOwner) {}
  bool CanCopy = true;
  int Copies = 0;
  bool ExecuteAction(TBasicAction* Action) override {
    if (!Action->Is<TEditCopy>()) return false;
    ++Copies;
    return true;
  }
  bool UpdateAction(TBasicAction* Action) override {
    if (!Action->Is<TEditCopy>()) return false;
    static_cast<TCustomAction*>(Action)->SetEnabled(CanCopy);
    return true;
  }
};

// Installs a route like the application's and removes it again.
struct TRouteScope {
  explicit TRouteScope(TFakeGrid* Focused) {
    ActionRoute().Execute = [](TBasicAction*) {
      Log.push_back("app");
      return false;
    };
    ActionRoute().ExecuteTarget = [Focused](TBasicAction* A) {
      Log.push_back("target");
      return Focused->ExecuteAction(A);
    };
    ActionRoute().UpdateTarget = [Focused](TBasicAction* A) { return Focused->UpdateAction(A); };
  }
  ~TRouteScope() { ActionRoute() = TActionRoute(); }
};

class ActionsTest : public ::testing::Test {
 protected:
  void SetUp() override { Log.clear(); }
  TObjectPtr<TComponent> Form{TComponent::Create(nullptr)};
};

}  // namespace

TEST_F(ActionsTest, ALinkedClientFollowsTheActionUntilItShowsItsOwnValue) {
  auto* Action = TAction::Create(Form.get());
  auto* Button = TFakeButton::Create(Form.get());
  TObjectPtr<TFakeButtonLink> Link(TFakeButtonLink::Create(Button));
  std::vector<TObject*> Changes;
  Link->OnChange = [&](TObject* Sender) { Changes.push_back(Sender); };
  Link->SetAction(Action);
  EXPECT_EQ(Action->GetClientCount(), 1);

  Action->SetCaption("&Copy");  // the button still shows the old, empty caption
  EXPECT_EQ(Button->Caption, "&Copy");
  EXPECT_EQ(Changes, std::vector<TObject*>{Action});

  Button->Caption = "Mine";
  Action->SetCaption("Copy all");
  EXPECT_EQ(Button->Caption, "Mine");

  Action->SetEnabled(false);
  EXPECT_FALSE(Button->Enabled);

  Changes.clear();
  Action->SetEnabled(false);  // no change, no notification
  EXPECT_TRUE(Changes.empty());
}

// A link that records each value it is handed, with what the action held at
// that moment (a link decides from the old value whether its client follows).
class TRecordingLink : public TActionLink {
  KV_CLASS(TRecordingLink, TActionLink)
 public:
  explicit TRecordingLink(TObject* AClient) : TActionLink(AClient) {}
  std::vector<std::string> Seen;
  TCustomAction* Custom() { return DynCast<TCustomAction>(GetAction()); }
  void SetCaption(const String& V) override { Note("Caption " + V + " was " + Custom()->GetCaption()); }
  void SetChecked(bool V) override { Note("Checked " + Bool(V) + " was " + Bool(Custom()->GetChecked())); }
  void SetEnabled(bool V) override { Note("Enabled " + Bool(V) + " was " + Bool(Custom()->GetEnabled())); }
  void SetHelpContext(Integer V) override {
    Note("HelpContext " + std::to_string(V) + " was " + std::to_string(Custom()->GetHelpContext()));
  }
  void SetHint(const String& V) override { Note("Hint " + V + " was " + Custom()->GetHint()); }
  void SetImageIndex(Integer V) override {
    Note("ImageIndex " + std::to_string(V) + " was " + std::to_string(Custom()->GetImageIndex()));
  }
  void SetShortCut(TShortCut V) override {
    Note("ShortCut " + std::to_string(V) + " was " + std::to_string(Custom()->GetShortCut()));
  }
  void SetVisible(bool V) override { Note("Visible " + Bool(V) + " was " + Bool(Custom()->GetVisible())); }
  void SetOnExecute(const TNotifyEvent& V) override {
    Note(std::string("OnExecute ") + (V ? "set" : "cleared") + " was " +
         (GetAction()->OnExecute ? "set" : "cleared"));
  }

 private:
  static std::string Bool(bool B) { return B ? "true" : "false"; }
  void Note(const std::string& S) { Seen.push_back(S); }
};

TEST_F(ActionsTest, EveryLinkedPropertyReachesTheLinksBeforeTheActionTakesIt) {
  auto* Action = TAction::Create(Form.get());
  TObjectPtr<TRecordingLink> Link(TRecordingLink::Create(nullptr));
  Link->SetAction(Action);
  int Changes = 0;
  Link->OnChange = [&](TObject*) { ++Changes; };
  Action->SetCaption("Go");
  Action->SetChecked(true);
  Action->SetEnabled(false);
  Action->SetHelpContext(7);
  Action->SetHint("Runs it");
  Action->SetImageIndex(3);
  Action->SetShortCut(ShortCut('G', {ssCtrl}));
  Action->SetVisible(false);
  Action->SetOnExecute([](TObject*) {});
  EXPECT_EQ(Link->Seen, (std::vector<std::string>{
                            "Caption Go was ", "Checked true was false", "Enabled false was true",
                            "HelpContext 7 was 0", "Hint Runs it was ", "ImageIndex 3 was -1",
                            "ShortCut " + std::to_string(ShortCut('G', {ssCtrl})) + " was 0",
                            "Visible false was true", "OnExecute set was cleared"}));
  EXPECT_EQ(Changes, 9);
  // Setting what it already has tells nobody.
  Link->Seen.clear();
  Action->SetCaption("Go");
  Action->SetChecked(true);
  Action->SetHint("Runs it");
  Action->SetImageIndex(3);
  Action->SetVisible(false);
  EXPECT_TRUE(Link->Seen.empty());
  EXPECT_EQ(Changes, 9);
}

TEST_F(ActionsTest, ExecuteOffersTheActionToListApplicationHandlerAndTargetInThatOrder) {
  TObjectPtr<TFakeGrid> Grid(TFakeGrid::Create(nullptr));
  TRouteScope Route(Grid.get());
  auto* List = TActionList::Create(Form.get());
  auto* Copy = TEditCopy::Create(Form.get());
  Copy->SetActionList(List);
  List->OnExecute = [](TBasicAction*, bool&) { Log.push_back("list"); };

  // Nobody but the focused grid handles it.
  EXPECT_TRUE(Copy->Execute());
  EXPECT_EQ(Log, (std::vector<std::string>{"list", "app", "target"}));
  EXPECT_EQ(Grid->Copies, 1);

  // The action's own handler comes before the target.
  Log.clear();
  Copy->OnExecute = [](TObject*) { Log.push_back("own"); };
  EXPECT_TRUE(Copy->Execute());
  EXPECT_EQ(Log, (std::vector<std::string>{"list", "app", "own"}));

  // A list that handles it stops everything else.
  Log.clear();
  List->OnExecute = [](TBasicAction*, bool& Handled) {
    Log.push_back("list");
    Handled = true;
  };
  EXPECT_TRUE(Copy->Execute());
  EXPECT_EQ(Log, std::vector<std::string>{"list"});
}

TEST_F(ActionsTest, ExecuteUpdatesFirstAndADisabledActionDoesNotRun) {
  TObjectPtr<TFakeGrid> Grid(TFakeGrid::Create(nullptr));
  TRouteScope Route(Grid.get());
  auto* Copy = TEditCopy::Create(Form.get());
  Grid->CanCopy = false;
  EXPECT_FALSE(Copy->Execute());
  EXPECT_FALSE(Copy->GetEnabled());
  EXPECT_EQ(Grid->Copies, 0);

  Grid->CanCopy = true;
  EXPECT_TRUE(Copy->Execute());
  EXPECT_EQ(Grid->Copies, 1);

  // Without any route and any handler nothing handles it.
  ActionRoute() = TActionRoute();
  EXPECT_FALSE(Copy->Execute());
  auto* Paste = TEditPaste::Create(Form.get());
  EXPECT_FALSE(Paste->Update());
}

TEST_F(ActionsTest, EditActionsAreToldApartByClass) {
  TObjectPtr<TFakeGrid> Grid(TFakeGrid::Create(nullptr));
  TEditAction* Actions[] = {TEditCut::Create(Form.get()),   TEditCopy::Create(Form.get()),
                            TEditPaste::Create(Form.get()), TEditSelectAll::Create(Form.get()),
                            TEditUndo::Create(Form.get()),  TEditDelete::Create(Form.get())};
  int Handled = 0;
  for (TEditAction* A : Actions) {
    EXPECT_TRUE(A->Is<TCustomAction>()) << A->ClassName();
    Handled += Grid->ExecuteAction(A);
  }
  EXPECT_EQ(Handled, 1);
  EXPECT_STREQ(Actions[3]->ClassName(), "TEditSelectAll");
}

TEST_F(ActionsTest, InvokerAndActionMayGoAwayWithoutLeavingALinkDangling) {
  auto* Action = TAction::Create(Form.get());
  auto* Button = TFakeButton::Create(Form.get());
  TObjectPtr<TBasicActionLink> Link(TBasicActionLink::Create());
  Link->SetAction(Action);
  TComponent* Seen = nullptr;
  Action->OnExecute = [&](TObject*) { Seen = Action->GetActionComponent(); };
  EXPECT_TRUE(Link->Execute(Button));
  EXPECT_EQ(Seen, Button);
  EXPECT_EQ(Action->GetActionComponent(), nullptr);

  // The component freed while it is the action's invoker is forgotten.
  Action->SetActionComponent(Button);
  Button->Free();
  EXPECT_EQ(Action->GetActionComponent(), nullptr);

  auto* Dropped = TBasicActionLink::Create();
  Dropped->SetAction(Action);
  Dropped->Free();
  EXPECT_EQ(Action->GetClientCount(), 1);
  // A handler that frees its own action: the link survives without one.
  Action->OnExecute = [&](TObject*) { Action->Free(); };
  EXPECT_TRUE(Link->Execute(Form.get()));
  EXPECT_EQ(Link->GetAction(), nullptr);
  EXPECT_FALSE(Link->Execute());
  EXPECT_FALSE(Link->Update());

  // A handler that frees the link itself, as freeing the control that owns
  // it does.
  auto* Closing = TAction::Create(Form.get());
  auto* Owned = TBasicActionLink::Create();
  Owned->SetAction(Closing);
  Closing->OnExecute = [&](TObject*) { Owned->Free(); };
  EXPECT_TRUE(Owned->Execute(Form.get()));
  EXPECT_EQ(Closing->GetClientCount(), 0);
}

TEST_F(ActionsTest, ActionListHoldsItsActionsInOrderAndRunsShortCuts) {
  auto* List = TActionList::Create(Form.get());
  auto* A = TAction::Create(Form.get());
  auto* B = TAction::Create(Form.get());
  auto* C = TAction::Create(Form.get());
  for (TAction* X : {A, B, C}) X->SetActionList(List);
  C->SetIndex(0);
  EXPECT_EQ(List->GetActionCount(), 3);
  EXPECT_EQ(List->GetAction(0), C);
  EXPECT_EQ(A->GetIndex(), 1);
  EXPECT_EQ(B->GetParentComponent(), List);
  EXPECT_TRUE(B->HasParent());
  EXPECT_THROW(List->GetAction(3), EListError);

  int Ran = 0;
  B->SetShortCut(ShortCut(VK_F2, {}));
  B->OnExecute = [&](TObject*) { ++Ran; };
  EXPECT_TRUE(List->IsShortCut(ShortCut(VK_F2, {})));
  EXPECT_EQ(Ran, 1);
  EXPECT_FALSE(List->IsShortCut(ShortCut(VK_F3, {})));
  EXPECT_FALSE(List->IsShortCut(scNone));
  // Two actions with one shortcut: the first in the list has it.
  int RanC = 0;
  C->SetShortCut(ShortCut(VK_F2, {}));
  C->OnExecute = [&](TObject*) { ++RanC; };
  EXPECT_TRUE(List->IsShortCut(ShortCut(VK_F2, {})));
  EXPECT_EQ(RanC, 1);
  EXPECT_EQ(Ran, 1);
  C->SetShortCut(scNone);
  B->SetEnabled(false);
  EXPECT_FALSE(List->IsShortCut(ShortCut(VK_F2, {})));
  EXPECT_EQ(Ran, 1);

  B->Free();
  EXPECT_EQ(List->GetActionCount(), 2);
  A->SetActionList(nullptr);
  EXPECT_EQ(A->GetIndex(), -1);
  EXPECT_EQ(List->GetActionCount(), 1);
}

TEST_F(ActionsTest, FreeingAListFreesItsActionsAndTheirOwnerStaysSound) {
  auto* List = TActionList::Create(Form.get());
  auto* A = TAction::Create(Form.get());
  A->SetName("Action1");
  A->SetActionList(List);
  auto* Keep = TAction::Create(Form.get());
  Keep->SetName("Action2");
  EXPECT_EQ(Form->GetComponentCount(), 3);
  List->Free();
  EXPECT_EQ(Form->GetComponentCount(), 1);
  EXPECT_EQ(Form->FindComponent("Action1"), nullptr);
  EXPECT_EQ(Form->FindComponent("Action2"), Keep);
  // The owner frees the rest (ASan would report a second free).
}

namespace {

// A data-module-like root: streams the components it owns that have no parent.
class TActionsHolder : public TComponent {
  KV_CLASS(TActionsHolder, TComponent)
 public:
  explicit TActionsHolder(TComponent* AOwner) : TComponent(AOwner) {}

 protected:
  void GetChildren(TGetChildProc Proc, TComponent* /*Root*/) override {
    for (Integer I = 0; I < GetComponentCount(); ++I)
      if (!GetComponents(I)->HasParent()) Proc(GetComponents(I));
  }
};

}  // namespace

// Also pins the published properties and their defaults: Enabled, Visible
// and ImageIndex -1 are not written.
TEST_F(ActionsTest, StoredFormsKeepActionsInsideTheirList) {
  TObjectPtr<TActionsHolder> Holder(TActionsHolder::Create(nullptr));
  Holder->SetName("Holder");
  auto* List = TActionList::Create(Holder.get());
  List->SetName("ActionList1");
  auto* Copy = TAction::Create(Holder.get());
  Copy->SetName("CopyAction");
  Copy->SetCaption("&Copy");
  Copy->SetShortCut(ShortCut('C', {ssCtrl}));
  Copy->SetActionList(List);
  auto* Loose = TAction::Create(Holder.get());
  Loose->SetName("Loose");
  EXPECT_EQ(ComponentToText(Holder.get()),
            "object Holder: TActionsHolder\n"
            "  object ActionList1: TActionList\n"
            "    object CopyAction: TAction\n"
            "      Caption = '&Copy'\n"
            "      ShortCut = 16451\n"
            "    end\n"
            "  end\n"
            "  object Loose: TAction\n"
            "  end\n"
            "end\n");

  // Read back, the action joins its list again and the loose one stays loose.
  RegisterClass(TActionsHolder::StaticClass());
  RegisterClass(TActionList::StaticClass());
  RegisterClass(TAction::StaticClass());
  TObjectPtr<TComponent> Read(ReadComponentFromText(ComponentToText(Holder.get()), nullptr));
  auto* ReadList = DynCast<TActionList>(Read->FindComponent("ActionList1"));
  auto* ReadCopy = DynCast<TAction>(Read->FindComponent("CopyAction"));
  auto* ReadLoose = DynCast<TAction>(Read->FindComponent("Loose"));
  ASSERT_TRUE(ReadList && ReadCopy && ReadLoose);
  EXPECT_EQ(ReadCopy->GetActionList(), ReadList);
  EXPECT_EQ(ReadList->GetActionCount(), 1);
  EXPECT_EQ(ReadLoose->GetActionList(), nullptr);
  EXPECT_EQ(ReadCopy->GetShortCut(), ShortCut('C', {ssCtrl}));
}
