// The data-aware grid's construction and destruction, its options, its update
// and layout locks, the style link, and the part of the layout that turns the
// grid's settings into base-grid counts.
//
// Index:
//   [SECTION] Construction     Construct, Destroy, Notification, CreateScrollBar
//   [SECTION] Options          SetOptions, SetOptionsKv
//   [SECTION] Locks            BeginLayout, EndLayout, CancelLayout, AcquireLayoutLock, LayoutChanged
//   [SECTION] Layout           InternalLayout
//   [SECTION] Style and focus  SetStyle, IsFocused
//   [SECTION] Self-check       CheckConsistency
#include "grid/DBGridKv.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Construction

void TCustomDBGridKv::Construct() {
  inherited::Construct();
  SetStyle(nullptr);
  FHorzScrollBar = CreateScrollBar(false);
  FVertScrollBar = CreateScrollBar(true);
  // The base grid as the data-aware grid uses it: every cell drawn by
  // DrawCell, a full repaint on resizing, and only the horizontal bar its own.
  SetDefaultDrawing(false);
  FFullRepaintOnResize = true;
  SetColCount(2);
  SetRowCount(2);
  SetScrollBars(ssHorizontal);
  TCustomGridKv::SetOptions(TGridOptions::FromBits(0x0E8F));
}

void TCustomDBGridKv::Destroy() {
  if (FStyle) FStyle->RemoveGrid(this);
  FStyle = nullptr;
  FreeAndNil(FHorzScrollBar);
  FreeAndNil(FVertScrollBar);
  inherited::Destroy();
}

void TCustomDBGridKv::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  for (TDBGridKvScrollBar* Bar : {FHorzScrollBar, FVertScrollBar})
    if (Bar && Bar->GetExtScrollBar() == AComponent) Bar->SetExtScrollBar(nullptr);
}

TDBGridKvScrollBar* TCustomDBGridKv::CreateScrollBar(bool Vertical) {
  if (Vertical) return TVertDBGridKvScrollBar::Create(this, sbVertical);
  return TDBGridKvScrollBar::Create(this, sbHorizontal);
}

// [SECTION] Options

void TCustomDBGridKv::SetOptions(TDBGridKvOptions Value) {
  if (FOptions == Value) return;
  FOptions = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetOptionsKv(TDBGridKvOptionsKv Value) {
  if (FOptionsKv == Value) return;
  FOptionsKv = Value;
  LayoutChanged();
}

// [SECTION] Locks

void TCustomDBGridKv::EndUpdate() {
  if (FUpdateLock > 0) --FUpdateLock;
}

void TCustomDBGridKv::BeginLayout() {
  BeginUpdate();
  ++FLayoutLock;
}

void TCustomDBGridKv::EndLayout() {
  if (FLayoutLock == 0) return;
  // The lock is released whatever the layout does, so that a failed layout
  // never leaves the grid frozen.
  struct TRelease {
    TCustomDBGridKv* Grid;
    ~TRelease() {
      if (Grid->FLayoutLock > 0) --Grid->FLayoutLock;
      Grid->EndUpdate();
    }
  } Release{this};
  if (FLayoutLock == 1) InternalLayout();
}

void TCustomDBGridKv::CancelLayout() {
  if (FLayoutLock == 0) return;
  --FLayoutLock;
  EndUpdate();
}

bool TCustomDBGridKv::AcquireLayoutLock() {
  if (FUpdateLock != 0 || FLayoutLock != 0) return false;
  BeginLayout();
  return true;
}

void TCustomDBGridKv::LayoutChanged() {
  if (AcquireLayoutLock()) EndLayout();
}

// [SECTION] Layout

void TCustomDBGridKv::InternalLayout() {
  if (Loading()) return;
  FIndicatorOffset = FOptions.Contains(dgIndicatorKv) ? 1 : 0;
  FTitleOffset = (TitlesVisible() ? 1 : 0) + (FilterRowVisible() ? 1 : 0);
}

// [SECTION] Style and focus

void TCustomDBGridKv::SetStyle(TDBGridKvStyle* Value) {
  if (FStyle) FStyle->RemoveGrid(this);
  FStyle = Value ? Value : DefaultGridStyle();
  if (FStyle) FStyle->AddGrid(this);
}

bool TCustomDBGridKv::IsFocused() {
  if (!HandleAllocated()) return false;
  const HWND Focus = GetFocus();
  if (!Focus) return false;
  if (Focus == GetHandle()) return true;
  TInplaceEdit* Editor = GetInplaceEditor();
  return Editor && Editor->HandleAllocated() && Editor->GetHandle() == Focus;
}

// [SECTION] Self-check

void TCustomDBGridKv::CheckConsistency() {
  TCustomGridKv::CheckConsistency();
  KV_ASSERT(FLayoutLock >= 0 && FUpdateLock >= FLayoutLock,
            "every layout lock holds an update lock");
  KV_ASSERT(!FStyle || FStyle->IndexOf(this), "the grid is in its style's list");
}

}  // namespace korvel
