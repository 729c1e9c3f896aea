#include "platform/classes/Actions.h"

#include <algorithm>

namespace kvp {

TActionRoute& ActionRoute() {
  static TActionRoute Route;
  return Route;
}

namespace {

bool Offer(const TDelegate<bool(TBasicAction*)>& Handler, TBasicAction* Action) {
  return Handler && Handler(Action);
}

}  // namespace

// [SECTION] TBasicActionLink

void TBasicActionLink::Construct() {
  inherited::Construct();
  AssignClient(FClient);
}

void TBasicActionLink::Destroy() {
  *FAlive = false;
  if (FAction) FAction->UnRegisterChanges(this);
  inherited::Destroy();
}

void TBasicActionLink::SetAction(TBasicAction* Value) {
  if (FAction == Value) return;
  if (FAction) FAction->UnRegisterChanges(this);
  if (Value) Value->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* AComponent) {
  if (!FAction) return false;
  FAction->SetActionComponent(AComponent);
  struct TClearComponent {
    TBasicActionLink* Link;
    std::shared_ptr<bool> Alive;
    // The handler may have freed the action (which unlinks it) or this link
    // with its control (the action then forgets the component itself).
    ~TClearComponent() {
      if (*Alive && Link->FAction) Link->FAction->SetActionComponent(nullptr);
    }
  } Guard{this, FAlive};
  return FAction->Execute();
}

bool TBasicActionLink::Update() { return FAction && FAction->Update(); }

void TBasicActionLink::Change() {
  if (OnChange) OnChange(FAction);
}

// [SECTION] TBasicAction

void TBasicAction::Destroy() {
  while (!FClients.empty()) UnRegisterChanges(FClients.back());
  SetActionComponent(nullptr);
  inherited::Destroy();
}

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* Value) {
  if (!Value || Value->FAction == this) return;
  if (Value->FAction) Value->FAction->UnRegisterChanges(Value);
  Value->FAction = this;
  FClients.push_back(Value);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* Value) {
  auto It = std::find(FClients.begin(), FClients.end(), Value);
  if (It == FClients.end()) return;
  FClients.erase(It);
  Value->FAction = nullptr;
}

void TBasicAction::SetActionComponent(TComponent* Value) {
  if (FActionComponent == Value) return;
  if (FActionComponent) FActionComponent->RemoveFreeNotification(this);
  FActionComponent = Value;
  if (FActionComponent) FActionComponent->FreeNotification(this);
}

void TBasicAction::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FActionComponent) FActionComponent = nullptr;
}

void TBasicAction::SetOnExecute(const TNotifyEvent& Value) {
  if (OnExecute == Value) return;
  for (std::size_t I = 0; I < FClients.size(); ++I) FClients[I]->SetOnExecute(Value);
  OnExecute = Value;
  Change();
}

void TBasicAction::Change() {
  if (OnChange) OnChange(this);
  // A link's handler may unregister links: index, and re-check the bound.
  for (std::size_t I = 0; I < FClients.size(); ++I) FClients[I]->Change();
}

// [SECTION] TContainedAction

void TContainedAction::Destroy() {
  SetActionList(nullptr);
  inherited::Destroy();
}

bool TContainedAction::Execute() {
  return (FActionList && FActionList->ExecuteAction(this)) || inherited::Execute();
}

bool TContainedAction::Update() {
  return (FActionList && FActionList->UpdateAction(this)) || inherited::Update();
}

void TContainedAction::SetActionList(TCustomActionList* Value) {
  if (FActionList == Value) return;
  if (FActionList) FActionList->RemoveAction(this);
  if (Value) Value->AddAction(this);
}

void TContainedAction::SetCategory(const String& Value) {
  if (FCategory == Value) return;
  FCategory = Value;
  if (FActionList) FActionList->Change();
}

Integer TContainedAction::GetIndex() const {
  if (!FActionList) return -1;
  const auto& List = FActionList->FActions;
  return Integer(std::find(List.begin(), List.end(), this) - List.begin());
}

void TContainedAction::SetIndex(Integer Value) {
  if (!FActionList) return;
  auto& List = FActionList->FActions;
  const Integer Count = Integer(List.size());
  const Integer Current = GetIndex();
  if (Value < 0) Value = 0;
  if (Value >= Count) Value = Count - 1;
  if (Value == Current) return;
  List.erase(List.begin() + Current);
  List.insert(List.begin() + Value, this);
  FActionList->Change();
}

TComponent* TContainedAction::GetParentComponent() const {
  return FActionList ? FActionList : inherited::GetParentComponent();
}

bool TContainedAction::HasParent() const {
  return FActionList != nullptr || inherited::HasParent();
}

void TContainedAction::SetParentComponent(TComponent* AParent) {
  if (auto* List = DynCast<TCustomActionList>(AParent)) SetActionList(List);
}

// [SECTION] TCustomAction

bool TCustomAction::Execute() {
  Update();
  if (!FEnabled) return false;
  return (GetActionList() && GetActionList()->ExecuteAction(this)) ||
         Offer(ActionRoute().Execute, this) || TBasicAction::Execute() ||
         Offer(ActionRoute().ExecuteTarget, this);
}

bool TCustomAction::Update() {
  return (GetActionList() && GetActionList()->UpdateAction(this)) ||
         Offer(ActionRoute().Update, this) || TBasicAction::Update() ||
         Offer(ActionRoute().UpdateTarget, this);
}

// Hands Value to every action link before storing it, so that a link can tell
// whether its client still shows the old value, then notifies.
template <class T, class Setter>
void TCustomAction::SetLinked(T& Field, const T& Value, Setter Apply) {
  if (Field == Value) return;
  for (std::size_t I = 0; I < FClients.size(); ++I)
    if (auto* Link = DynCast<TActionLink>(FClients[I])) (Link->*Apply)(Value);
  Field = Value;
  Change();
}

void TCustomAction::SetCaption(const String& Value) {
  SetLinked<String>(FCaption, Value, &TActionLink::SetCaption);
}
void TCustomAction::SetChecked(bool Value) {
  SetLinked<bool>(FChecked, Value, &TActionLink::SetChecked);
}
void TCustomAction::SetEnabled(bool Value) {
  SetLinked<bool>(FEnabled, Value, &TActionLink::SetEnabled);
}
void TCustomAction::SetHelpContext(Integer Value) {
  SetLinked<Integer>(FHelpContext, Value, &TActionLink::SetHelpContext);
}
void TCustomAction::SetHint(const String& Value) {
  SetLinked<String>(FHint, Value, &TActionLink::SetHint);
}
void TCustomAction::SetImageIndex(Integer Value) {
  SetLinked<Integer>(FImageIndex, Value, &TActionLink::SetImageIndex);
}
void TCustomAction::SetShortCut(TShortCut Value) {
  SetLinked<TShortCut>(FShortCut, Value, &TActionLink::SetShortCut);
}
void TCustomAction::SetVisible(bool Value) {
  SetLinked<bool>(FVisible, Value, &TActionLink::SetVisible);
}

void TAction::KvPublish(TPublisher<TAction>& P) {
  P.Prop("Caption", &TAction::GetCaption, &TAction::SetCaption);
  P.Prop("Category", &TAction::GetCategory, &TAction::SetCategory);
  P.Prop("Checked", &TAction::GetChecked, &TAction::SetChecked).Default(false);
  P.Prop("Enabled", &TAction::GetEnabled, &TAction::SetEnabled).Default(true);
  P.Prop("HelpContext", &TAction::GetHelpContext, &TAction::SetHelpContext).Default(0);
  P.Prop("Hint", &TAction::GetHint, &TAction::SetHint);
  P.Prop("ImageIndex", &TAction::GetImageIndex, &TAction::SetImageIndex).Default(-1);
  P.Prop("ShortCut", &TAction::GetShortCut, &TAction::SetShortCut).Default(TShortCut(0));
  P.Prop("Visible", &TAction::GetVisible, &TAction::SetVisible).Default(true);
  P.Prop("OnExecute", &TAction::OnExecute);
  P.Prop("OnUpdate", &TAction::OnUpdate);
}

// [SECTION] TActionLink

bool TActionLink::IsCustomAction() const { return DynCast<TCustomAction>(FAction) != nullptr; }

bool TActionLink::IsCaptionLinked() { return IsCustomAction(); }
bool TActionLink::IsCheckedLinked() { return IsCustomAction(); }
bool TActionLink::IsEnabledLinked() { return IsCustomAction(); }
bool TActionLink::IsHelpContextLinked() { return IsCustomAction(); }
bool TActionLink::IsHintLinked() { return IsCustomAction(); }
bool TActionLink::IsImageIndexLinked() { return IsCustomAction(); }
bool TActionLink::IsShortCutLinked() { return IsCustomAction(); }
bool TActionLink::IsVisibleLinked() { return IsCustomAction(); }

// [SECTION] TCustomActionList

void TCustomActionList::Destroy() {
  // The actions go with their list.
  while (!FActions.empty()) FActions.back()->Free();
  inherited::Destroy();
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
  bool Handled = false;
  if (OnExecute) OnExecute(Action, Handled);
  return Handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
  bool Handled = false;
  if (OnUpdate) OnUpdate(Action, Handled);
  return Handled;
}

bool TCustomActionList::IsShortCut(TShortCut ShortCut) {
  if (ShortCut == scNone) return false;
  for (TContainedAction* Action : FActions)
    if (auto* Custom = DynCast<TCustomAction>(Action); Custom && Custom->GetShortCut() == ShortCut)
      return Custom->HandleShortCut();
  return false;
}

TContainedAction* TCustomActionList::GetAction(Integer Index) const {
  if (Index < 0 || Index >= GetActionCount())
    throw EListError("TCustomActionList::GetAction: index " + std::to_string(Index) +
                     " out of bounds (count " + std::to_string(GetActionCount()) + ")");
  return FActions[std::size_t(Index)];
}

void TCustomActionList::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (TContainedAction* Action : FActions)
    if (Action->GetOwner() == Root) Proc(Action);
}

void TCustomActionList::SetChildOrder(TComponent* Component, Integer Order) {
  if (auto* Action = DynCast<TContainedAction>(Component); Action && Action->FActionList == this)
    Action->SetIndex(Order);
}

void TCustomActionList::Change() {
  if (OnChange) OnChange(this);
}

void TCustomActionList::AddAction(TContainedAction* Action) {
  FActions.push_back(Action);
  Action->FActionList = this;
  Change();
}

void TCustomActionList::RemoveAction(TContainedAction* Action) {
  auto It = std::find(FActions.begin(), FActions.end(), Action);
  if (It == FActions.end()) return;
  FActions.erase(It);
  Action->FActionList = nullptr;
  Change();
}

void TActionList::KvPublish(TPublisher<TActionList>& P) {
  P.Prop("OnChange", &TActionList::OnChange);
  P.Prop("OnExecute", &TActionList::OnExecute);
  P.Prop("OnUpdate", &TActionList::OnUpdate);
}

// [SECTION] Standard edit actions

TEditActionHooks& EditActionHooks() {
  static TEditActionHooks Hooks;
  return Hooks;
}

namespace {

// The state of Target when it is an edit control.
bool QueryEdit(TObject* Target, TEditActionState& State) {
  const TEditActionHooks& Hooks = EditActionHooks();
  return Target && Hooks.Query && Hooks.Query(Target, State);
}

}  // namespace

void TEditAction::KvPublish(TPublisher<TEditAction>& P) {
  P.Prop("Control", &TEditAction::GetControl, &TEditAction::SetControl);
}

void TEditAction::SetControl(TComponent* Value) {
  if (Value == FControl) return;
  if (FControl) FControl->RemoveFreeNotification(this);
  FControl = Value;
  if (FControl) FControl->FreeNotification(this);
}

void TEditAction::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FControl) FControl = nullptr;
}

bool TEditAction::HandlesTarget(TObject* Target) {
  if (FControl && Target != FControl) return false;
  TEditActionState State;
  return QueryEdit(Target, State) && State.Focused;
}

void TEditAction::UpdateTarget(TObject* Target) {
  TEditCommand Command;
  TEditActionState State;
  if (!GetEditCommand(Command) || !QueryEdit(Target, State)) return;
  bool Enabled = false;
  switch (Command) {
    case TEditCommand::Cut:
    case TEditCommand::Delete:
      Enabled = State.SelLength > 0 && !State.ReadOnly;
      break;
    case TEditCommand::Copy:
      Enabled = State.SelLength > 0;
      break;
    case TEditCommand::Paste:
      Enabled = State.ClipboardHasText && !State.ReadOnly;
      break;
    case TEditCommand::SelectAll:
      Enabled = State.HasText;
      break;
    case TEditCommand::Undo:
      Enabled = State.CanUndo;
      break;
  }
  SetEnabled(Enabled);
}

// The action runs only while enabled (TCustomAction::Execute updates it
// first), and a read-only edit refuses changes on its own as well.
void TEditAction::ExecuteTarget(TObject* Target) {
  TEditCommand Command;
  TEditActionState State;
  if (!GetEditCommand(Command) || !QueryEdit(Target, State)) return;
  EditActionHooks().Run(Target, Command);
}

}  // namespace kvp
