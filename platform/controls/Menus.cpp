// TMenuItem, TMenu, TPopupMenu and the popup script.
#include "platform/controls/Menus.h"

#include <algorithm>
#include <deque>

#include "platform/rtl/Strings.h"

namespace kvp {

namespace {
// Stored forms create menus and their items by class name.
const bool MenuClassesRegistered = [] {
  RegisterClass(TMenuItem::StaticClass());
  RegisterClass(TPopupMenu::StaticClass());
  return true;
}();
}  // namespace

String StripHotkey(const String& Text) {
  String Result;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '&') {
      if (I + 1 < Text.size() && Text[I + 1] == '&')
        Result += '&';
      else
        continue;
      ++I;
      continue;
    }
    Result += Text[I];
  }
  return Result;
}

// [SECTION] TMenuItem

void TMenuItem::Destroy() {
  while (!FItems.empty()) {
    TMenuItem* Item = FItems.back();
    FItems.pop_back();
    Item->FParent = nullptr;
    Item->Free();
  }
  if (FParent) FParent->Remove(this);
  inherited::Destroy();
}

void TMenuItem::KvPublish(TPublisher<TMenuItem>& P) {
  P.Prop("AutoCheck", &TMenuItem::GetAutoCheck, &TMenuItem::SetAutoCheck).Default(false);
  P.Prop("Caption", &TMenuItem::GetCaption, &TMenuItem::SetCaption);
  P.Prop("Checked", &TMenuItem::GetChecked, &TMenuItem::SetChecked).Default(false);
  P.Prop("Enabled", &TMenuItem::GetEnabled, &TMenuItem::SetEnabled).Default(true);
  P.Prop("GroupIndex", &TMenuItem::GetGroupIndex, &TMenuItem::SetGroupIndex).Default(0);
  P.Prop("Hint", &TMenuItem::GetHint, &TMenuItem::SetHint);
  P.Prop("RadioItem", &TMenuItem::GetRadioItem, &TMenuItem::SetRadioItem).Default(false);
  P.Prop("ShortCut", &TMenuItem::GetShortCut, &TMenuItem::SetShortCut).Default(0);
  P.Prop("Visible", &TMenuItem::GetVisible, &TMenuItem::SetVisible).Default(true);
  P.Prop("OnClick", &TMenuItem::OnClick);
}

TMenuItem* TMenuItem::GetItems(Integer Index) const {
  if (Index < 0 || std::size_t(Index) >= FItems.size())
    throw EListError("Menu index out of range (" + std::to_string(Index) + ")");
  return FItems[std::size_t(Index)];
}

void TMenuItem::Add(TMenuItem* Item) { Insert(GetCount(), Item); }

void TMenuItem::Insert(Integer Index, TMenuItem* Item) {
  if (!Item) throw EInvalidOperation("Cannot insert a nil menu item");
  if (Item->FParent)
    throw EInvalidOperation("Menu item '" + Item->GetName() + "' is already inserted");
  for (TMenuItem* P = this; P; P = P->FParent)
    if (P == Item) throw EInvalidOperation("Menu item cannot contain itself");
  if (Index < 0 || Index > GetCount())
    throw EListError("Menu index out of range (" + std::to_string(Index) + ")");
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
  if (Item->FRadioItem && Item->FChecked) Item->UncheckGroup();
}

void TMenuItem::Delete(Integer Index) {
  TMenuItem* Item = GetItems(Index);
  FItems.erase(FItems.begin() + Index);
  Item->FParent = nullptr;
}

void TMenuItem::Remove(TMenuItem* Item) {
  Integer I = IndexOf(Item);
  if (I < 0) throw EListError("Menu item '" + Item->GetName() + "' is not in this menu");
  Delete(I);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) FItems.back()->Free();
}

Integer TMenuItem::IndexOf(TMenuItem* Item) const {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : Integer(It - FItems.begin());
}

TMenuItem* TMenuItem::Find(const String& ACaption) const {
  String Wanted = AnsiUpperCase(StripHotkey(ACaption));
  for (TMenuItem* Item : FItems)
    if (AnsiUpperCase(StripHotkey(Item->FCaption)) == Wanted) return Item;
  return nullptr;
}

Integer TMenuItem::GetMenuIndex() const {
  return FParent ? FParent->IndexOf(const_cast<TMenuItem*>(this)) : -1;
}

TMenu* TMenuItem::GetMenu() const {
  const TMenuItem* Root = this;
  while (Root->FParent) Root = Root->FParent;
  return Root->FMenu;
}

void TMenuItem::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  if (Value && FRadioItem) UncheckGroup();
}

void TMenuItem::SetRadioItem(bool Value) {
  if (FRadioItem == Value) return;
  FRadioItem = Value;
  if (FChecked && FRadioItem) UncheckGroup();
}

void TMenuItem::SetGroupIndex(Byte Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  if (FChecked && FRadioItem) UncheckGroup();
}

void TMenuItem::UncheckGroup() {
  // One checked radio item per group among the siblings.
  if (!FParent) return;
  for (TMenuItem* Sibling : FParent->FItems)
    if (Sibling != this && Sibling->FRadioItem && Sibling->FGroupIndex == FGroupIndex)
      Sibling->FChecked = false;
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (FAutoCheck) SetChecked(!FChecked);
  if (OnClick) OnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (FParent && FParent->FMenu) return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (FParent) FParent->Remove(this);
  if (auto* Menu = DynCast<TMenu>(Value))
    Menu->GetItems()->Add(this);
  else if (auto* Item = DynCast<TMenuItem>(Value))
    Item->Add(this);
}

void TMenuItem::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (TMenuItem* Item : FItems)
    if (Item->GetOwner() == Root) Proc(Item);
}

// [SECTION] TMenu

void TMenu::Construct() {
  inherited::Construct();
  FItems = TMenuItem::Create(nullptr);
  FItems->FMenu = this;
}

void TMenu::Destroy() {
  TMenuItem* Items = FItems;
  FItems = nullptr;
  if (Items) Items->Free();
  inherited::Destroy();
}

void TMenu::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (Integer I = 0; I < FItems->GetCount(); ++I)
    if (FItems->GetItems(I)->GetOwner() == Root) Proc(FItems->GetItems(I));
}

namespace {
TMenuItem* FindShortCut(TMenuItem* Parent, TShortCut ShortCut) {
  for (Integer I = 0; I < Parent->GetCount(); ++I) {
    TMenuItem* Item = Parent->GetItems(I);
    if (!Item->GetVisible() || !Item->GetEnabled()) continue;
    if (Item->GetShortCut() == ShortCut) return Item;
    if (TMenuItem* Found = FindShortCut(Item, ShortCut)) return Found;
  }
  return nullptr;
}
}  // namespace

TMenuItem* TMenu::FindItemByShortCut(TShortCut ShortCut) const {
  return ShortCut == 0 ? nullptr : FindShortCut(FItems, ShortCut);
}

bool TMenu::IsShortCut(TWMKey& Message) {
  TShortCut Key = kvp::ShortCut(Message.CharCode, KeyDataToShiftState(Message.KeyData));
  TMenuItem* Item = FindItemByShortCut(Key);
  if (!Item) return false;
  Item->Click();
  return true;
}

// [SECTION] TPopupMenu and the script

namespace {
struct TPopupChoice {
  enum TKind { ByCaption, ByIndex, Dismiss } Kind = Dismiss;
  String Caption;
  Integer Index = -1;
};
std::deque<TPopupChoice>& Choices() {
  static std::deque<TPopupChoice> Queue;
  return Queue;
}
std::vector<TPopupRecord>& Log() {
  static std::vector<TPopupRecord> Records;
  return Records;
}
}  // namespace

void QueuePopupChoice(const String& Caption) {
  Choices().push_back({TPopupChoice::ByCaption, Caption, -1});
}
void QueuePopupChoice(Integer VisibleIndex) {
  Choices().push_back({TPopupChoice::ByIndex, String(), VisibleIndex});
}
void QueuePopupDismiss() { Choices().push_back({}); }
const std::vector<TPopupRecord>& GetPopupLog() { return Log(); }
void ResetPopupScript() {
  Choices().clear();
  Log().clear();
}

void TPopupMenu::KvPublish(TPublisher<TPopupMenu>& P) {
  P.Prop("Alignment", &TPopupMenu::GetAlignment, &TPopupMenu::SetAlignment).Default(paLeft);
  P.Prop("AutoPopup", &TPopupMenu::GetAutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
  P.Prop("OnPopup", &TPopupMenu::OnPopup);
}

void TPopupMenu::SetPopupComponent(TComponent* Value) {
  if (FPopupComponent == Value) return;
  FPopupComponent = Value;
  if (Value) Value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::DoPopup(TObject* Sender) {
  if (OnPopup) OnPopup(Sender);
}

void TPopupMenu::Popup(Integer X, Integer Y) {
  FPopupPoint = Point(X, Y);
  DoPopup(this);
  TPopupRecord Record;
  Record.Menu = this;
  Record.Pos = FPopupPoint;
  Record.PopupComponent = FPopupComponent;
  std::vector<TMenuItem*> Shown;
  for (Integer I = 0; I < GetItems()->GetCount(); ++I)
    if (GetItems()->GetItems(I)->GetVisible()) {
      Shown.push_back(GetItems()->GetItems(I));
      Record.Items.push_back(StripHotkey(Shown.back()->GetCaption()));
    }
  TMenuItem* Chosen = nullptr;
  if (!Choices().empty()) {
    TPopupChoice Choice = Choices().front();
    Choices().pop_front();
    if (Choice.Kind == TPopupChoice::ByIndex) {
      if (Choice.Index < 0 || std::size_t(Choice.Index) >= Shown.size())
        throw EListError("Popup menu has no visible item " + std::to_string(Choice.Index));
      Chosen = Shown[std::size_t(Choice.Index)];
    } else if (Choice.Kind == TPopupChoice::ByCaption) {
      String Wanted = StripHotkey(Choice.Caption);
      for (TMenuItem* Item : Shown)
        if (StripHotkey(Item->GetCaption()) == Wanted) Chosen = Item;
      if (!Chosen) throw EListError("Popup menu has no item \"" + Choice.Caption + "\"");
    }
  }
  // A disabled item cannot be chosen: the menu closes without a command.
  if (Chosen && Chosen->GetEnabled())
    Record.Chosen = StripHotkey(Chosen->GetCaption());
  else
    Chosen = nullptr;
  Log().push_back(Record);
  if (Chosen) Chosen->Click();
}

}  // namespace kvp
