#include "platform/classes/Component.h"

#include <algorithm>

#include "platform/classes/Actions.h"
#include "platform/classes/TypInfo.h"

namespace kvp {

namespace {
thread_local bool GNextComponentLoading = false;  // the next TComponent made starts csLoading
}

TObject* detail::CreateLoading(TClass Class, TComponent* Owner) {
  GNextComponentLoading = true;
  try {
    TObject* Obj = Class->Factory(Owner);
    GNextComponentLoading = false;
    return Obj;
  } catch (...) {
    GNextComponentLoading = false;
    throw;
  }
}

bool IsValidIdent(const String& Ident) {
  if (Ident.empty()) return false;
  auto IsAlpha = [](char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
  };
  if (!IsAlpha(Ident[0])) return false;
  return std::all_of(Ident.begin() + 1, Ident.end(),
                     [&](char C) { return IsAlpha(C) || (C >= '0' && C <= '9'); });
}

TComponent::TComponent(TComponent* AOwner) : FCreateOwner(AOwner) {
  if (GNextComponentLoading) {
    FComponentState += csLoading;
    GNextComponentLoading = false;
  }
}

void TComponent::Construct() {
  inherited::Construct();
  if (FCreateOwner) FCreateOwner->InsertComponent(this);
}

void TComponent::Destroy() {
  Destroying();
  // Each link is dropped on both sides before the other component hears of
  // the removal, so that no list keeps a pointer to this component.
  while (!FFreeNotifies.empty()) {
    TComponent* Other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    Other->RemoveNotification(this);
    Other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
  inherited::Destroy();
}

void TComponent::BeforeDestruction() {
  if (!FComponentState.Contains(csDestroying)) Destroying();
  inherited::BeforeDestruction();
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState += csDestroying;
  for (TComponent* C : FComponents) C->Destroying();
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* Instance = FComponents.back();
    // Only a component that someone asked to hear about needs the owner's
    // removal broadcast; the rest leave quietly.
    if (Instance->FComponentState.Contains(csFreeNotification)) {
      RemoveComponent(Instance);
    } else {
      Instance->SetReference(false);
      Remove(Instance);
    }
    Instance->Free();
  }
}

TComponent* TComponent::GetComponents(Integer Index) const {
  if (Index < 0 || Index >= GetComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FComponents[std::size_t(Index)];
}

Integer TComponent::GetComponentIndex() const {
  if (!FOwner) return -1;
  auto& List = FOwner->FComponents;
  auto It = std::find(List.begin(), List.end(), this);
  return It == List.end() ? -1 : Integer(It - List.begin());
}

void TComponent::SetComponentIndex(Integer Value) {
  Integer I = GetComponentIndex();
  if (I < 0) return;
  auto& List = FOwner->FComponents;
  Value = std::clamp(Value, 0, Integer(List.size()) - 1);
  if (Value == I) return;
  List.erase(List.begin() + I);
  List.insert(List.begin() + Value, this);
}

TComponent* TComponent::FindComponent(const String& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* C : FComponents)
    if (SameIdent(C->FName, AName)) return C;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent) return;
  AComponent->ValidateContainer(this);
  if (FindComponent(AComponent->FName) && FindComponent(AComponent->FName) != AComponent)
    throw EComponentError("A component named " + AComponent->FName + " already exists");
  ValidateRename(AComponent, "", AComponent->FName);
  // A component has one owner: it leaves the old one first.
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  AComponent->SetReference(true);
  if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  ValidateRename(AComponent, AComponent->FName, "");
  Notification(AComponent, opRemove);
  AComponent->SetReference(false);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  AComponent->FOwner = nullptr;
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), AComponent),
                    FComponents.end());
}

void TComponent::ValidateContainer(TComponent* AComponent) { AComponent->ValidateInsert(this); }

void TComponent::ValidateRename(TComponent* AComponent, const String& CurName,
                                const String& NewName) {
  if (AComponent && !SameIdent(CurName, NewName) && AComponent->FOwner == this &&
      FindComponent(NewName))
    throw EComponentError("A component named " + NewName + " already exists");
  if (FComponentState.Contains(csDesigning) && FOwner)
    FOwner->ValidateRename(AComponent, CurName, NewName);
}

void TComponent::SetName(const String& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("\"" + NewName + "\" is not a valid component name.");
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  SetReference(false);
  ChangeName(NewName);
  SetReference(true);
}

void TComponent::SetReference(bool Enable) {
  if (!FOwner) return;
  const TFieldInfo* Field = FindPublishedField(FOwner->ClassType(), FName);
  // A field of another class is left alone rather than made to point at an
  // object of the wrong type.
  if (!Field || !InheritsFrom(Field->FieldClass)) return;
  if (Enable)
    Field->Set(FOwner, this);
  else if (Field->Get(FOwner) == this)
    Field->Set(FOwner, nullptr);
}

void TComponent::SetSubComponent(bool Value) {
  if (Value)
    FComponentStyle += csSubComponent;
  else
    FComponentStyle -= csSubComponent;
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  // Components of one owner hear of each other's removal from the owner.
  if (!FOwner || AComponent->FOwner != FOwner) {
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
      FFreeNotifies.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  FComponentState += csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent),
                      FFreeNotifies.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // A handler may free components of this owner: walk down and re-clamp.
  Integer I = GetComponentCount() - 1;
  while (I >= 0) {
    FComponents[std::size_t(I)]->Notification(AComponent, Operation);
    --I;
    if (I >= GetComponentCount()) I = GetComponentCount() - 1;
  }
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value)
    FComponentState += csDesigning;
  else
    FComponentState -= csDesigning;
  if (SetChildren)
    for (TComponent* C : FComponents) C->SetDesigning(Value);
}

void TComponent::Loaded() { FComponentState -= csLoading; }

void TComponent::KvPublish(TPublisher<TComponent>& P) {
  P.Prop("Name", &TComponent::GetName, &TComponent::SetName).Stored(false);
  P.Prop("Tag", &TComponent::GetTag, &TComponent::SetTag).Default(0);
}

bool TComponent::ExecuteAction(TBasicAction* Action) {
  if (!Action->HandlesTarget(this)) return false;
  Action->ExecuteTarget(this);
  return true;
}

bool TComponent::UpdateAction(TBasicAction* Action) {
  if (!Action->HandlesTarget(this)) return false;
  Action->UpdateTarget(this);
  return true;
}

}  // namespace kvp
