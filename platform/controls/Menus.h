// Menus: TMenuItem (a tree of captioned commands with shortcuts, check marks
// and radio groups), TMenu and TPopupMenu. There is no menu window: Popup
// records each popup and carries out the choice a test queued beforehand
// (an item by caption or index, or a dismissal), so that code which pops a
// menu runs to the end as it would after the user's choice.
#pragma once

#include <vector>

#include "platform/controls/Controls.h"

namespace kvp {

class TMenu;

// TMenuItem: one command of a menu, and the items of its submenu. An item
// frees its subitems; freeing an item takes it out of its parent.
class TMenuItem : public TComponent {
  KV_CLASS(TMenuItem, TComponent)
 public:
  explicit TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

  Integer GetCount() const { return Integer(FItems.size()); }
  TMenuItem* GetItems(Integer Index) const;
  void Add(TMenuItem* Item);
  void Insert(Integer Index, TMenuItem* Item);
  // Takes the item out (it is not freed); Delete by index, Remove by item.
  void Delete(Integer Index);
  void Remove(TMenuItem* Item);
  // Frees every subitem.
  void Clear();
  Integer IndexOf(TMenuItem* Item) const;
  // The subitem with that caption (ignoring '&' and case), or null.
  TMenuItem* Find(const String& ACaption) const;
  TMenuItem* GetParent() const { return FParent; }
  Integer GetMenuIndex() const;
  TMenu* GetMenu() const;

  const String& GetCaption() const { return FCaption; }
  void SetCaption(const String& Value) { FCaption = Value; }
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value) { FShortCut = Value; }
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool GetRadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value);
  Byte GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Byte Value);
  bool GetAutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }

  // Runs the command: toggles an AutoCheck item, then OnClick.
  virtual void Click();

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

  TNotifyEvent OnClick;

  KV_PUBLISHED;

 protected:
  void Destroy() override;
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;

 private:
  friend class TMenu;
  void UncheckGroup();
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on the root item of a menu
  String FCaption;
  String FHint;
  TShortCut FShortCut = 0;
  bool FChecked = false;
  bool FEnabled = true;
  bool FVisible = true;
  bool FRadioItem = false;
  bool FAutoCheck = false;
  Byte FGroupIndex = 0;
};

// TMenu: a component holding a tree of items under Items.
class TMenu : public TComponent {
  KV_CLASS(TMenu, TComponent)
 public:
  explicit TMenu(TComponent* AOwner) : TComponent(AOwner) {}
  TMenuItem* GetItems() const { return FItems; }
  // The enabled, visible item (at any depth) with the key's shortcut is
  // clicked; answers whether there was one.
  bool IsShortCut(TWMKey& Message);
  TMenuItem* FindItemByShortCut(TShortCut ShortCut) const;

 protected:
  void Construct() override;
  void Destroy() override;
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;

 private:
  TMenuItem* FItems = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };
KV_ENUM_INFO(TPopupAlignment, paLeft, paRight, paCenter)

// TPopupMenu: a menu shown at a screen point (from a control's context menu
// or by code).
class TPopupMenu : public TMenu {
  KV_CLASS(TPopupMenu, TMenu)
 public:
  explicit TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

  // Fires OnPopup, records the popup and runs the queued choice, if any.
  virtual void Popup(Integer X, Integer Y);
  TPoint GetPopupPoint() const { return FPopupPoint; }
  TComponent* GetPopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value);
  bool GetAutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }
  TPopupAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }

  TNotifyEvent OnPopup;

  KV_PUBLISHED;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void DoPopup(TObject* Sender);

 private:
  TPoint FPopupPoint;
  TComponent* FPopupComponent = nullptr;
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = paLeft;
};

// ---- The popup script (tests) --------------------------------------------
// What the user does with the next popups, in order: choose the item with a
// caption (as shown, '&' ignored) or at an index among the visible items, or
// dismiss the menu. A popup with nothing queued is dismissed.
struct TPopupRecord {
  TPopupMenu* Menu = nullptr;
  TPoint Pos;  // screen point asked for
  TComponent* PopupComponent = nullptr;
  std::vector<String> Items;  // captions of the visible items
  String Chosen;              // the caption of the item chosen, empty when dismissed
};
void QueuePopupChoice(const String& Caption);
void QueuePopupChoice(Integer VisibleIndex);
void QueuePopupDismiss();
const std::vector<TPopupRecord>& GetPopupLog();
// Clears the log and the queued choices.
void ResetPopupScript();

// The caption without its accelerator marks ("&File" -> "File", "&&" -> "&").
String StripHotkey(const String& Text);

}  // namespace kvp
