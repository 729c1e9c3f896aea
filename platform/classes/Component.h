// TComponent: the base of everything that lives in a form or a data module.
// A component has an owner that frees it, a name unique among its owner's
// components, a state (loading, designing, destroying ...), and takes part in
// free notification, so that references to a freed component can be dropped.
// It is also the unit of form streaming (ReadState, WriteState, GetChildren).
#pragma once

#include <vector>

#include "platform/classes/Persistent.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/Set.h"

namespace kvp {

class TComponent;
class TReader;
class TWriter;
class TBasicAction;

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance,
};
using TComponentState = TSet<TComponentStateItem>;

enum TComponentStyleItem { csInheritable, csCheckPropAvail, csSubComponent, csTransient };
using TComponentStyle = TSet<TComponentStyleItem>;

using TComponentClass = TClass;
// Receives each child that a component streams (GetChildren).
using TGetChildProc = TDelegate<void(TComponent* Child)>;

// True for a non-empty ASCII identifier: a letter or underscore, then letters,
// digits and underscores.
bool IsValidIdent(const String& Ident);

// TComponent: ownership, naming, state and notifications.
//
// Lifetime contract: the owner inserts the component when it is created
// (Notification(opInsert) to the owner and all its components) and frees it
// after the owner's own Destroy body has run. Freeing a component first marks
// it and its owned components csDestroying (Destroying), then tells everyone
// that asked for its free notification (Notification(this, opRemove)), then
// frees its own components, then leaves its owner, whose components are told
// in turn.
class TComponent : public TPersistent {
  KV_CLASS(TComponent, TPersistent)
 public:
  using TCreateArg = TComponent*;
  explicit TComponent(TComponent* AOwner);

  TComponent* GetOwner() override { return FOwner; }
  Integer GetComponentCount() const { return Integer(FComponents.size()); }
  TComponent* GetComponents(Integer Index) const;
  Integer GetComponentIndex() const;
  void SetComponentIndex(Integer Value);
  // The owned component of that name, compared without case, or null.
  TComponent* FindComponent(const String& AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // Frees every owned component, last first.
  void DestroyComponents();
  void Destroying();

  const String& GetName() const { return FName; }
  virtual void SetName(const String& NewName);
  Integer GetTag() const { return FTag; }
  void SetTag(Integer Value) { FTag = Value; }
  TComponentState GetComponentState() const { return FComponentState; }
  TComponentStyle GetComponentStyle() const { return FComponentStyle; }
  // A sub-component is streamed in place as a property of its owner.
  void SetSubComponent(bool Value);

  // Asks AComponent to call this component's Notification(AComponent,
  // opRemove) when it is freed, and the other way round.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Marks this component (and, with SetChildren, its owned components) as
  // being edited in a designer.
  void SetDesigning(bool Value, bool SetChildren = true);
  // csLoading on: the reader calls it before reading a component; tests that
  // stand in for a load call it and then Loaded.
  void Loading() { FComponentState += csLoading; }
  // Called once every component of a stored form has been read and its
  // references fixed up; clears csLoading. Overrides call inherited first.
  virtual void Loaded();
  void Updating() { FComponentState += csUpdating; }
  void Updated() { FComponentState -= csUpdating; }

  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* /*Value*/) {}
  // The owner of the children a stored form gives this component (null: the
  // root), and the component they become children of.
  virtual TComponent* GetChildOwner() { return nullptr; }
  virtual TComponent* GetChildParent() { return this; }

  // Actions ask the components they target to handle them; false: not handled.
  // An action offered to this component: when the action handles it as a
  // target, the action runs (or updates) on it and the answer is true.
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);

  String GetNamePath() override { return FName; }
  void BeforeDestruction() override;

  // Name (kept in a stored form's object header, not as a property) and Tag.
  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;

  // The owner and its components hear of every component inserted into or
  // removed from the owner; opRemove also reaches everything that asked for
  // this component's free notification. Overrides call inherited.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Raises EComponentError when NewName is taken under this owner.
  virtual void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName);
  virtual void ValidateContainer(TComponent* AComponent);
  virtual void ValidateInsert(TComponent* /*AComponent*/) {}
  virtual void ChangeName(const String& NewName) { FName = NewName; }
  // Streams the children of this component: calls Proc for each.
  virtual void GetChildren(TGetChildProc /*Proc*/, TComponent* /*Root*/) {}
  virtual void SetChildOrder(TComponent* /*Child*/, Integer /*Order*/) {}
  virtual void ReadState(TReader* Reader);
  virtual void WriteState(TWriter* Writer);
  void SetComponentState(TComponentState Value) { FComponentState = Value; }

 private:
  friend class TReader;
  friend class TWriter;
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  // Puts this component into (or takes it out of) the owner's published field
  // of the same name.
  void SetReference(bool Enable);
  void RemoveNotification(TComponent* AComponent);

  TComponent* FCreateOwner = nullptr;  // the owner given to the constructor; inserted by Construct
  TComponent* FOwner = nullptr;
  String FName;
  Integer FTag = 0;
  std::vector<TComponent*> FComponents;    // owned components, in insertion order
  std::vector<TComponent*> FFreeNotifies;  // components linked by FreeNotification, both ways
  TComponentState FComponentState;
  TComponentStyle FComponentStyle{csInheritable};
};

namespace detail {
// Creates a component of Class with Owner, csLoading already set when its
// constructors run, as the reader creates the components of a stored form.
TObject* CreateLoading(TClass Class, TComponent* Owner);
}  // namespace detail

}  // namespace kvp
