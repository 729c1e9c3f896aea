// Edit buttons: the button description (TEditButtonKv), its action link and
// collection, and the painted control that shows one button with its
// up-down halves and auto-repeat.
//
//   [SECTION] TEditButtonActionLinkKv
//   [SECTION] TEditButtonKv            life, properties, action, click
//   [SECTION] TVisibleEditButtonKv, TEditButtonsKv
//   [SECTION] TEditButtonControlKv     properties, mouse, auto-repeat, paint
#include <algorithm>
#include <optional>

#include "controls/ToolCtrlsKv.h"
#include "controls/ToolCtrlsKvImpl.h"
#include "platform/graphics/Themes.h"

namespace korvel {

using namespace kvp;
using toolctrls::TClipSaver;
using toolctrls::TSolidBrush;

TDrawButtonControlStyleKv EditButtonStyleToDrawStyle(TEditButtonStyleKv Style) {
  switch (Style) {
    case ebsEllipsisKv:
      return bcsEllipsisKv;
    case ebsUpDownKv:
      return bcsUpDownKv;
    case ebsPlusKv:
      return bcsPlusKv;
    case ebsMinusKv:
      return bcsMinusKv;
    case ebsDropDownKv:
    case ebsGlyphKv:
      break;
  }
  return bcsDropDownKv;
}

// TEditButtonMenuWatchKv: hears of the freeing of a button's drop-down menu
// and clears the button's reference, so that a later press never pops up a
// freed menu. A collection item cannot take part in free notification itself.
class TEditButtonMenuWatchKv : public TComponent {
  KV_CLASS(TEditButtonMenuWatchKv, TComponent)
 public:
  explicit TEditButtonMenuWatchKv(TEditButtonKv* AButton) : TComponent(nullptr), FButton(AButton) {}

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && FButton && AComponent == FButton->FDropdownMenu)
      FButton->FDropdownMenu = nullptr;
  }

 private:
  TEditButtonKv* FButton = nullptr;
};

// [SECTION] TEditButtonActionLinkKv

void TEditButtonActionLinkKv::AssignClient(TObject* AClient) {
  FClient = As<TEditButtonKv>(AClient);
}

bool TEditButtonActionLinkKv::IsEnabledLinked() {
  return inherited::IsEnabledLinked() &&
         FClient->GetEnabled() == static_cast<TCustomAction*>(FAction)->GetEnabled();
}

bool TEditButtonActionLinkKv::IsHintLinked() {
  return inherited::IsHintLinked() &&
         FClient->GetHint() == static_cast<TCustomAction*>(FAction)->GetHint();
}

bool TEditButtonActionLinkKv::IsShortCutLinked() {
  return inherited::IsShortCutLinked() &&
         FClient->GetShortCut() == static_cast<TCustomAction*>(FAction)->GetShortCut();
}

bool TEditButtonActionLinkKv::IsVisibleLinked() {
  return inherited::IsVisibleLinked() &&
         FClient->GetVisible() == static_cast<TCustomAction*>(FAction)->GetVisible();
}

void TEditButtonActionLinkKv::SetEnabled(bool Value) {
  if (IsEnabledLinked()) FClient->SetEnabled(Value);
}

void TEditButtonActionLinkKv::SetHint(const String& Value) {
  if (IsHintLinked()) FClient->SetHint(Value);
}

void TEditButtonActionLinkKv::SetShortCut(TShortCut Value) {
  if (IsShortCutLinked()) FClient->FShortCut = Value;
}

void TEditButtonActionLinkKv::SetVisible(bool Value) {
  if (IsVisibleLinked()) FClient->SetVisible(Value);
}

// [SECTION] TEditButtonKv

void TEditButtonKv::KvPublish(TPublisher<TEditButtonKv>& P) {
  P.Prop("Action", &TEditButtonKv::GetAction, &TEditButtonKv::SetAction);
  P.Prop("DropdownMenu", &TEditButtonKv::GetDropdownMenu, &TEditButtonKv::SetDropdownMenu);
  P.Prop("Enabled", &TEditButtonKv::GetEnabled, &TEditButtonKv::SetEnabled)
      .Default(true)
      .Stored(&TEditButtonKv::IsEnabledStored);
  P.Prop("Glyph", &TEditButtonKv::GetGlyph, &TEditButtonKv::SetGlyph);
  P.Prop("Hint", &TEditButtonKv::GetHint, &TEditButtonKv::SetHint)
      .Stored(&TEditButtonKv::IsHintStored);
  P.Prop("NumGlyphs", &TEditButtonKv::GetNumGlyphs, &TEditButtonKv::SetNumGlyphs).Default(1);
  P.Prop("ShortCut", &TEditButtonKv::GetShortCut, &TEditButtonKv::SetShortCut)
      .Default(0)
      .Stored(&TEditButtonKv::IsShortCutStored);
  P.Prop("Style", &TEditButtonKv::GetStyle, &TEditButtonKv::SetStyle).Default(ebsDropDownKv);
  P.Prop("Visible", &TEditButtonKv::GetVisible, &TEditButtonKv::SetVisible)
      .Default(false)
      .Stored(&TEditButtonKv::IsVisibleStored);
  P.Prop("Width", &TEditButtonKv::GetWidth, &TEditButtonKv::SetWidth).Default(0);
  P.Prop("OnClick", &TEditButtonKv::OnClick);
  P.Prop("OnDown", &TEditButtonKv::OnDown);
}

void TEditButtonKv::Construct() {
  // The collection hears of the new item once, when it is complete.
  if (FCreateCollection) FCreateCollection->BeginUpdate();
  try {
    inherited::Construct();
    FGlyph.reset(TBitmap::Create());
  } catch (...) {
    if (FCreateCollection) FCreateCollection->EndUpdate();
    throw;
  }
  if (FCreateCollection) FCreateCollection->EndUpdate();
}

void TEditButtonKv::Destroy() {
  FActionLink.reset();
  if (FMenuWatch) FMenuWatch->Free();
  FMenuWatch = nullptr;
  FGlyph.reset();
  inherited::Destroy();
}

void TEditButtonKv::Assign(TPersistent* Source) {
  auto* Src = DynCast<TEditButtonKv>(Source);
  if (!Src) {
    inherited::Assign(Source);
    return;
  }
  SetAction(Src->GetAction());
  SetDropdownMenu(Src->GetDropdownMenu());
  SetEnabled(Src->GetEnabled());
  SetGlyph(Src->GetGlyph());
  SetHint(Src->GetHint());
  SetNumGlyphs(Src->GetNumGlyphs());
  SetShortCut(Src->GetShortCut());
  SetStyle(Src->GetStyle());
  SetVisible(Src->GetVisible());
  SetWidth(Src->GetWidth());
  OnClick = Src->OnClick;
  OnDown = Src->OnDown;
}

void TEditButtonKv::Changed() {
  if (OnChange)
    OnChange(this);
  else if (GetCollection())
    inherited::Changed(false);
}

TWinControl* TEditButtonKv::GetEditControl() const {
  if (FEditControl) return FEditControl;
  if (auto* Buttons = DynCast<TEditButtonsKv>(GetCollection())) return Buttons->GetEditControl();
  return nullptr;
}

void TEditButtonKv::SetDropdownMenu(TPopupMenu* Value) {
  if (FDropdownMenu == Value) return;
  if (!FMenuWatch) FMenuWatch = TEditButtonMenuWatchKv::Create(this);
  if (FDropdownMenu) FMenuWatch->RemoveFreeNotification(FDropdownMenu);
  FDropdownMenu = Value;
  if (Value) FMenuWatch->FreeNotification(Value);
}

void TEditButtonKv::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Changed();
}

void TEditButtonKv::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Changed();
}

void TEditButtonKv::SetHint(const String& Value) {
  if (FHint == Value) return;
  FHint = Value;
  Changed();
}

void TEditButtonKv::SetNumGlyphs(Integer Value) {
  Value = std::clamp<Integer>(Value, 1, 4);
  if (FNumGlyphs == Value) return;
  FNumGlyphs = Value;
  Changed();
}

void TEditButtonKv::SetShortCut(TShortCut Value) { FShortCut = Value; }

void TEditButtonKv::SetStyle(TEditButtonStyleKv Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TEditButtonKv::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Changed();
}

void TEditButtonKv::SetWidth(Integer Value) {
  if (FWidth == Value) return;
  FWidth = Value;
  Changed();
}

bool TEditButtonKv::IsEnabledStored() const {
  return !FActionLink || !FActionLink->IsEnabledLinked();
}
bool TEditButtonKv::IsHintStored() const { return !FActionLink || !FActionLink->IsHintLinked(); }
bool TEditButtonKv::IsShortCutStored() const {
  return !FActionLink || !FActionLink->IsShortCutLinked();
}
bool TEditButtonKv::IsVisibleStored() const {
  return !FActionLink || !FActionLink->IsVisibleLinked();
}

TBasicAction* TEditButtonKv::GetAction() const {
  return FActionLink ? FActionLink->GetAction() : nullptr;
}

void TEditButtonKv::SetAction(TBasicAction* Value) {
  if (!Value) {
    FActionLink.reset();
    return;
  }
  if (!FActionLink) {
    TClass LinkClass = GetActionLinkClass();
    if (!LinkClass || !LinkClass->Factory ||
        !LinkClass->InheritsFrom(TEditButtonActionLinkKv::StaticClass()))
      throw EInvalidCast("Invalid class typecast");
    FActionLink.reset(static_cast<TEditButtonActionLinkKv*>(LinkClass->Factory(this)));
  }
  FActionLink->SetAction(Value);
  FActionLink->OnChange = TNotifyEvent(this, &TEditButtonKv::DoActionChange);
  ActionChange(Value, Value->GetComponentState().Contains(csLoading));
}

void TEditButtonKv::DoActionChange(TObject* Sender) {
  if (Sender == GetAction()) ActionChange(Sender, false);
}

// While the action is being loaded the button keeps what a stored form gave
// it: only properties that still hold this class's own defaults (not those of
// another class) take the action's values, so that a value a stored form left
// out because it came from the action comes back from the action.
void TEditButtonKv::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* Action = DynCast<TCustomAction>(Sender);
  if (!Action) return;
  if (!CheckDefaults || FEnabled) SetEnabled(Action->GetEnabled());
  if (!CheckDefaults || FHint.empty()) SetHint(Action->GetHint());
  if (!CheckDefaults || FShortCut == DefaultShortCut()) SetShortCut(Action->GetShortCut());
  if (!CheckDefaults || FVisible == DefaultVisible()) SetVisible(Action->GetVisible());
}

TEditButtonControlKv* TEditButtonKv::CreateEditButtonControl() {
  TWinControl* Control = GetEditControl();
  TEditButtonControlKv* Button = TEditButtonControlKv::Create(Control);
  Button->SetControlStyle(Button->GetControlStyle() + csReplicatable);
  Button->SetBounds(0, 0, 10, 17);
  Button->SetVisible(true);
  Button->SetTransparent(false);
  Button->SetParent(Control);
  return Button;
}

void TEditButtonKv::Click(TObject* Sender, bool& Handled) {
  if (OnClick) {
    OnClick(Sender, Handled);
    return;
  }
  if (!FActionLink || !GetAction()) return;
  TComponent* Target = FEditControl;
  if (!Target && GetCollection()) Target = DynCast<TComponent>(GetCollection()->GetOwner());
  FActionLink->Execute(Target);
  Handled = true;
}

void TEditButtonKv::InitiateAction() {
  if (FActionLink) FActionLink->Update();
}

// [SECTION] TVisibleEditButtonKv, TEditButtonsKv

void TVisibleEditButtonKv::KvPublish(TPublisher<TVisibleEditButtonKv>& P) {
  P.Prop("ShortCut", &TVisibleEditButtonKv::GetShortCut, &TVisibleEditButtonKv::SetShortCut)
      .Default(AltDownShortCut)
      .Stored(&TVisibleEditButtonKv::IsShortCutStored);
  P.Prop("Visible", &TVisibleEditButtonKv::GetVisible, &TVisibleEditButtonKv::SetVisible)
      .Default(true)
      .Stored(&TVisibleEditButtonKv::IsVisibleStored);
}

void TVisibleEditButtonKv::Construct() {
  FShortCut = AltDownShortCut;
  FVisible = true;
  inherited::Construct();
}

TEditButtonKv* TEditButtonsKv::GetItems(Integer Index) const {
  return static_cast<TEditButtonKv*>(TCollection::GetItems(Index));
}

TPersistent* TEditButtonsKv::GetOwner() { return FEditControl; }

void TEditButtonsKv::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  if (OnChange) OnChange(this);
}

// [SECTION] TEditButtonControlKv

void TEditButtonControlKv::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  Invalidate();
}

void TEditButtonControlKv::SetStyle(TEditButtonStyleKv Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Invalidate();
}

void TEditButtonControlKv::SetAlwaysDown(bool Value) {
  FAlwaysDown = Value;
  if (Value) {
    SetGroupIndex(1);
    SetDown(true);
    SetAllowAllUp(false);
    FDownButton = 1;
  } else {
    SetAllowAllUp(true);
    SetDown(false);
    SetGroupIndex(0);
    FDownButton = 0;
  }
  Invalidate();
}

void TEditButtonControlKv::UpdateDownButton(Integer X, Integer Y) {
  (void)X;
  Integer Half = 0;
  if (FState == bsDown || FState == bsExclusive) {
    if (FStyle != ebsUpDownKv) {
      Half = 1;
    } else {
      const Integer H = GetHeight();
      if (Y < H / 2)
        Half = 1;
      else if (Y >= H - H / 2)
        Half = 2;
    }
  }
  if (FDownButton == Half) return;
  FDownButton = Half;
  Invalidate();
}

void TEditButtonControlKv::DoButtonDown(bool IsTopButton, bool& AutoRepeat) {
  bool Handled = false;
  if (OnDown) OnDown(this, IsTopButton, AutoRepeat, Handled);
}

void TEditButtonControlKv::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  UpdateDownButton(X, Y);
  if (FDownButton == 0) return;
  bool AutoRepeat = FStyle == ebsUpDownKv;
  DoButtonDown(FDownButton == 1, AutoRepeat);
  if (!AutoRepeat) return;
  if (!FTimer) {
    FTimer = TTimer::Create(this);
    FTimer->SetEnabled(false);
    FTimer->SetOnTimer(TNotifyEvent(this, &TEditButtonControlKv::TimerEvent));
  }
  FTimer->SetInterval(400);
  FTimer->SetEnabled(true);
}

void TEditButtonControlKv::TimerEvent(TObject*) {
  if (FState != bsDown || FDownButton == 0) return;
  if (FTimer->GetInterval() == 400) FTimer->SetInterval(100);
  bool AutoRepeat = FStyle == ebsUpDownKv;
  DoButtonDown(FDownButton == 1, AutoRepeat);
  if (FStyle != ebsUpDownKv) StopTimer();
}

void TEditButtonControlKv::StopTimer() {
  if (FTimer) FTimer->SetEnabled(false);
}

void TEditButtonControlKv::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (FStyle != ebsUpDownKv || FState != bsDown || !GetMouseCapture()) return;
  // Sliding onto the other half lets the button up: an up-down press
  // belongs to the half it started on.
  const Integer H = GetHeight();
  if ((FDownButton == 2 && Y < H / 2) || (FDownButton == 1 && Y >= H - H / 2)) {
    FState = bsUp;
    Invalidate();
  }
}

void TEditButtonControlKv::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  StopTimer();
  FNoDoClick = FStyle == ebsUpDownKv && FState != bsDown;
  inherited::MouseUp(Button, Shift, X, Y);
  FNoDoClick = false;
  UpdateDownButton(X, Y);
}

void TEditButtonControlKv::Click() {
  if (FNoDoClick) return;
  inherited::Click();
}

void TEditButtonControlKv::Paint() {
  HDC DC = GetCanvas()->GetHandle();
  const TRect R = GetClientRect();
  const TColor ParentColor = GetParent() ? GetParent()->GetColor() : clBtnFace;
  const bool Down = FState == bsDown || FState == bsExclusive;
  if (FStyle != ebsGlyphKv) {
    PaintButtonControl(DC, R, ParentColor, cbUnchecked, GetEnabled(), FActive, GetFlat(),
                       Down ? TButtonDownStateKv(FDownButton) : bdsUpKv,
                       EditButtonStyleToDrawStyle(FStyle));
    return;
  }
  if (ThemeServices()->ThemesEnabled() || !GetFlat()) {
    inherited::Paint();
    return;
  }
  {
    TClipSaver Clip(DC);
    IntersectClipRect(DC, R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1);
    inherited::Paint();
  }
  DC = GetCanvas()->GetHandle();
  if (FActive) {
    TRect E = R;
    DrawEdge(DC, &E, Down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  } else {
    TSolidBrush Brush(ColorToRGB(ParentColor));
    FrameRect(DC, &R, Brush.Get());
  }
}

void TSpeedButtonKv::KvPublish(TPublisher<TSpeedButtonKv>& P) {
  P.Prop("Active", &TSpeedButtonKv::GetActive, &TSpeedButtonKv::SetActive).Default(false);
  P.Prop("Style", &TSpeedButtonKv::GetStyle, &TSpeedButtonKv::SetStyle).Default(ebsDropDownKv);
}

}  // namespace korvel
