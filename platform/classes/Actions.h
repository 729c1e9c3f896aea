// Actions: commands kept apart from the controls that invoke them. An action
// (TBasicAction, TCustomAction) holds what a command needs (its handler, and
// the caption, enabled state, shortcut ... that its clients show); clients
// follow it through action links (TBasicActionLink, TActionLink) that copy
// its changes to the client while the client's value is still the action's.
// An action list groups actions and may handle them first. The standard edit
// actions (TEditCut, TEditCopy ...) are told apart by class.
#pragma once

#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/ShortCuts.h"
#include "platform/classes/TypInfo.h"

namespace kvp {

class TBasicAction;
class TBasicActionLink;
class TCustomActionList;

// The handlers an action list and the application offer an action to first;
// setting Handled stops the action's own handler.
using TActionEvent = TDelegate<void(TBasicAction* Action, bool& Handled)>;

// [SECTION] The application's part in running actions

// How a custom action that its list did not handle reaches the application
// and the controls. The application sets these when it starts and clears them
// when it goes; until then they are empty and an action runs only its own
// handler. TCustomAction::Execute tries, in order: its list, Execute, its own
// OnExecute, ExecuteTarget.
//   - Execute: the application's OnActionExecute;
//   - ExecuteTarget: for an action without an OnExecute, the focused control,
//     the active form and the main form are offered it (their
//     ExecuteAction), and run it on themselves when it handles them.
// Update and UpdateTarget do the same for TCustomAction::Update. Each answers
// whether the action was handled.
struct TActionRoute {
  TDelegate<bool(TBasicAction* Action)> Execute;
  TDelegate<bool(TBasicAction* Action)> ExecuteTarget;
  TDelegate<bool(TBasicAction* Action)> Update;
  TDelegate<bool(TBasicAction* Action)> UpdateTarget;
};
TActionRoute& ActionRoute();

// [SECTION] TBasicActionLink

// TBasicActionLink: a client's tie to an action. It registers with the action,
// hears every change of it (OnChange, called with the action) and runs and
// updates it for the client. Freeing the link unregisters it; freeing the
// action leaves the link with no action.
class TBasicActionLink : public TObject {
  KV_CLASS(TBasicActionLink, TObject)
 public:
  // A link class is created from its class reference with its client.
  using TCreateArg = TObject*;
  explicit TBasicActionLink(TObject* AClient = nullptr) : FClient(AClient) {}

  TBasicAction* GetAction() const { return FAction; }
  virtual void SetAction(TBasicAction* Value);
  // Runs the action with AComponent as its ActionComponent for the call;
  // answers whether it was handled. False when there is no action.
  virtual bool Execute(TComponent* AComponent = nullptr);
  // Asks the action to update itself; false when there is no action.
  virtual bool Update();
  virtual bool IsOnExecuteLinked() { return true; }
  virtual void SetOnExecute(const TNotifyEvent& /*Value*/) {}

  TNotifyEvent OnChange;  // called with the action on each of its changes

 protected:
  void Construct() override;
  void Destroy() override;
  // Takes the client given at creation; a descendant keeps it typed.
  virtual void AssignClient(TObject* /*AClient*/) {}
  virtual void Change();

  TBasicAction* FAction = nullptr;  // the linked action, or null

 private:
  friend class TBasicAction;
  TObject* FClient = nullptr;  // only handed to AssignClient
  // False once the link is freed; Execute holds a copy, because the action's
  // handler may free the control that owns this link.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// [SECTION] TBasicAction

// TBasicAction: a command with its OnExecute and OnUpdate handlers and the
// links of its clients.
//
// Protocol. Execute runs the action: a descendant first offers it to its list
// and the application (TContainedAction, TCustomAction), then OnExecute; it
// answers whether anyone handled it. Update does the same with OnUpdate. A
// control that is offered an action (TComponent::ExecuteAction) asks
// HandlesTarget(itself) and then calls ExecuteTarget or UpdateTarget on
// itself. Every change of the action reaches its links through Change.
class TBasicAction : public TComponent {
  KV_CLASS(TBasicAction, TComponent)
 public:
  explicit TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

  virtual bool Execute();
  virtual bool Update();
  virtual bool HandlesTarget(TObject* /*Target*/) { return false; }
  virtual void UpdateTarget(TObject* /*Target*/) {}
  virtual void ExecuteTarget(TObject* /*Target*/) {}
  // The action's handling of its shortcut: runs it.
  virtual bool HandleShortCut() { return Execute(); }

  void RegisterChanges(TBasicActionLink* Value);
  void UnRegisterChanges(TBasicActionLink* Value);
  Integer GetClientCount() const { return Integer(FClients.size()); }
  TBasicActionLink* GetClient(Integer Index) const { return FClients.at(std::size_t(Index)); }

  // The component that invoked the action, while its link runs it.
  TComponent* GetActionComponent() const { return FActionComponent; }
  void SetActionComponent(TComponent* Value);
  // Sets OnExecute and hands the handler to every link first (a link whose
  // client shares the action's handler follows it). Assigning OnExecute
  // directly tells nobody.
  void SetOnExecute(const TNotifyEvent& Value);

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

 protected:
  void Destroy() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Tells OnChange and every link that the action changed.
  virtual void Change();

  TNotifyEvent OnChange;
  std::vector<TBasicActionLink*> FClients{};  // registered links, not owned

 private:
  TComponent* FActionComponent = nullptr;  // held with a free notification
};

// [SECTION] TContainedAction

// TContainedAction: an action that may belong to an action list, which is
// offered the action before its own handlers.
class TContainedAction : public TBasicAction {
  KV_CLASS(TContainedAction, TBasicAction)
 public:
  explicit TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}

  bool Execute() override;
  bool Update() override;

  TCustomActionList* GetActionList() const { return FActionList; }
  void SetActionList(TCustomActionList* Value);
  const String& GetCategory() const { return FCategory; }
  void SetCategory(const String& Value);
  // The position in the action list; -1 outside a list.
  Integer GetIndex() const;
  void SetIndex(Integer Value);

  TComponent* GetParentComponent() const override;
  bool HasParent() const override;

 protected:
  void Destroy() override;
  void SetParentComponent(TComponent* AParent) override;

 private:
  friend class TCustomActionList;
  TCustomActionList* FActionList = nullptr;  // the list holding the action, or null
  String FCategory;
};

// [SECTION] TCustomAction

// TCustomAction: an action with what its clients show: caption, checked and
// enabled state, help context, hint, image, shortcut and visibility. Each
// setter hands the new value to every action link (which passes it on to a
// client still showing the old one) before storing it, then calls Change.
class TCustomAction : public TContainedAction {
  KV_CLASS(TCustomAction, TContainedAction)
 public:
  explicit TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}

  // Updates the action first; runs only when it is then enabled.
  bool Execute() override;
  bool Update() override;

  const String& GetCaption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  Integer GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(Integer Value);
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value);
  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);

 private:
  template <class T, class Setter>
  void SetLinked(T& Field, const T& Value, Setter Apply);

  String FCaption;
  bool FChecked = false;
  bool FEnabled = true;
  Integer FHelpContext = 0;
  String FHint;
  Integer FImageIndex = -1;  // -1: no image
  TShortCut FShortCut = scNone;
  bool FVisible = true;
};

// TAction: the action placed on forms and in action lists, with its
// properties published for stored forms.
class TAction : public TCustomAction {
  KV_CLASS(TAction, TCustomAction)
 public:
  explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
  KV_PUBLISHED;
};

// [SECTION] TActionLink

// TActionLink: the link of a client that shows an action's properties. A
// client's link overrides the Is...Linked predicates (linked while the client's
// value equals the action's) and the setters (write the value to the client
// when linked). The base answers "linked" for every property of a custom
// action and its setters do nothing.
class TActionLink : public TBasicActionLink {
  KV_CLASS(TActionLink, TBasicActionLink)
 public:
  explicit TActionLink(TObject* AClient = nullptr) : TBasicActionLink(AClient) {}

  virtual bool IsCaptionLinked();
  virtual bool IsCheckedLinked();
  virtual bool IsEnabledLinked();
  virtual bool IsHelpContextLinked();
  virtual bool IsHintLinked();
  virtual bool IsImageIndexLinked();
  virtual bool IsShortCutLinked();
  virtual bool IsVisibleLinked();

  virtual void SetCaption(const String& /*Value*/) {}
  virtual void SetChecked(bool /*Value*/) {}
  virtual void SetEnabled(bool /*Value*/) {}
  virtual void SetHelpContext(Integer /*Value*/) {}
  virtual void SetHint(const String& /*Value*/) {}
  virtual void SetImageIndex(Integer /*Value*/) {}
  virtual void SetShortCut(TShortCut /*Value*/) {}
  virtual void SetVisible(bool /*Value*/) {}

 protected:
  bool IsCustomAction() const;
};

// [SECTION] TActionList

// TCustomActionList: a component holding actions (which it frees with
// itself). It is offered each of its actions first, through OnExecute and
// OnUpdate, and runs the action whose shortcut is pressed.
class TCustomActionList : public TComponent {
  KV_CLASS(TCustomActionList, TComponent)
 public:
  explicit TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {}

  // OnExecute / OnUpdate with Handled starting false; answers Handled.
  bool ExecuteAction(TBasicAction* Action) override;
  bool UpdateAction(TBasicAction* Action) override;
  // Runs the first custom action with this shortcut; false when none has it.
  bool IsShortCut(TShortCut ShortCut);

  Integer GetActionCount() const { return Integer(FActions.size()); }
  TContainedAction* GetAction(Integer Index) const;

  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  TNotifyEvent OnChange;

 protected:
  void Destroy() override;
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  void SetChildOrder(TComponent* Component, Integer Order) override;
  virtual void Change();

 private:
  friend class TContainedAction;
  void AddAction(TContainedAction* Action);
  void RemoveAction(TContainedAction* Action);

  std::vector<TContainedAction*> FActions{};  // in list order; each names this list
};

// TActionList: the action list placed on forms, its events published.
class TActionList : public TCustomActionList {
  KV_CLASS(TActionList, TCustomActionList)
 public:
  explicit TActionList(TComponent* AOwner) : TCustomActionList(AOwner) {}
  KV_PUBLISHED;
};

// [SECTION] Standard edit actions

// What an edit action needs to know of an edit control, and may ask it to do.
struct TEditActionState {
  bool Focused = false;            // the edit window has the keyboard focus
  bool ReadOnly = false;           // the window refuses changes
  bool CanUndo = false;            // there is a change to take back
  bool HasText = false;            // the text is not empty
  bool ClipboardHasText = false;   // the clipboard offers text
  Integer SelLength = 0;           // the selected characters
};
enum class TEditCommand { Cut, Copy, Paste, SelectAll, Undo, Delete };

// The edit control's side of the edit actions. The edit control (TCustomEdit)
// lives above this module, so the controls module sets these where it defines
// it; until then no target is an edit control and the actions handle none.
//   - Query: whether Target is an edit control, and then its state;
//   - Run: does Command in the edit control Target.
struct TEditActionHooks {
  TDelegate<bool(TObject* Target, TEditActionState& State)> Query;
  TDelegate<void(TObject* Target, TEditCommand Command)> Run;
};
TEditActionHooks& EditActionHooks();

// TEditAction: the common base of the edit actions. Each acts on the edit
// control that has the focus, or only on its Control when that is set (and
// then only while it has the focus). Controls that answer edit actions
// themselves (a grid) tell them apart by class in their ExecuteAction and
// UpdateAction.
class TEditAction : public TAction {
  KV_CLASS(TEditAction, TAction)
 public:
  explicit TEditAction(TComponent* AOwner) : TAction(AOwner) {}

  // The edit control the action is tied to, or null for any focused one;
  // forgotten when it is freed.
  TComponent* GetControl() const { return FControl; }
  void SetControl(TComponent* Value);

  bool HandlesTarget(TObject* Target) override;
  void UpdateTarget(TObject* Target) override;
  void ExecuteTarget(TObject* Target) override;

  KV_PUBLISHED;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The command of this kind of action; the base class has none and
  // changes nothing.
  virtual bool GetEditCommand(TEditCommand& /*Command*/) const { return false; }

 private:
  TComponent* FControl = nullptr;  // held with a free notification
};

// Cuts the selection: enabled with a selection in an edit that takes changes.
class TEditCut : public TEditAction {
  KV_CLASS(TEditCut, TEditAction)
 public:
  explicit TEditCut(TComponent* AOwner) : TEditAction(AOwner) {}

 protected:
  bool GetEditCommand(TEditCommand& Command) const override {
    Command = TEditCommand::Cut;
    return true;
  }
};

// Copies the selection: enabled with a selection.
class TEditCopy : public TEditAction {
  KV_CLASS(TEditCopy, TEditAction)
 public:
  explicit TEditCopy(TComponent* AOwner) : TEditAction(AOwner) {}

 protected:
  bool GetEditCommand(TEditCommand& Command) const override {
    Command = TEditCommand::Copy;
    return true;
  }
};

// Pastes the clipboard's text: enabled when it has text and the edit takes
// changes.
class TEditPaste : public TEditAction {
  KV_CLASS(TEditPaste, TEditAction)
 public:
  explicit TEditPaste(TComponent* AOwner) : TEditAction(AOwner) {}

 protected:
  bool GetEditCommand(TEditCommand& Command) const override {
    Command = TEditCommand::Paste;
    return true;
  }
};

// Selects the whole text: enabled when there is text.
class TEditSelectAll : public TEditAction {
  KV_CLASS(TEditSelectAll, TEditAction)
 public:
  explicit TEditSelectAll(TComponent* AOwner) : TEditAction(AOwner) {}

 protected:
  bool GetEditCommand(TEditCommand& Command) const override {
    Command = TEditCommand::SelectAll;
    return true;
  }
};

// Takes the last change back: enabled when the edit can undo.
class TEditUndo : public TEditAction {
  KV_CLASS(TEditUndo, TEditAction)
 public:
  explicit TEditUndo(TComponent* AOwner) : TEditAction(AOwner) {}

 protected:
  bool GetEditCommand(TEditCommand& Command) const override {
    Command = TEditCommand::Undo;
    return true;
  }
};

// Deletes the selection: enabled with a selection in an edit that takes
// changes.
class TEditDelete : public TEditAction {
  KV_CLASS(TEditDelete, TEditAction)
 public:
  explicit TEditDelete(TComponent* AOwner) : TEditAction(AOwner) {}

 protected:
  bool GetEditCommand(TEditCommand& Command) const override {
    Command = TEditCommand::Delete;
    return true;
  }
};

}  // namespace kvp
