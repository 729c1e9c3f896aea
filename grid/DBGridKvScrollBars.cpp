// The scroll-bar settings objects: visibility, tracking, and an external
// scroll bar that is subclassed so that its scroll notifications reach the
// grid as the grid's own scroll messages.
#include "grid/DBGridKv.h"
#include "platform/controls/ControlMessages.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

void TDBGridKvScrollBar::KvPublish(TPublisher<TDBGridKvScrollBar>& P) {
  P.Prop("ExtScrollBar", &TDBGridKvScrollBar::GetExtScrollBar,
         &TDBGridKvScrollBar::SetExtScrollBar);
  P.Prop("Tracking", &TDBGridKvScrollBar::GetTracking, &TDBGridKvScrollBar::SetTracking)
      .Default(false);
  P.Prop("Visible", &TDBGridKvScrollBar::GetVisible, &TDBGridKvScrollBar::SetVisible)
      .Default(true);
}

void TVertDBGridKvScrollBar::KvPublish(TPublisher<TVertDBGridKvScrollBar>& P) {
  // VisibleMode carries Visible for the vertical bar.
  P.Prop("Visible", &TVertDBGridKvScrollBar::GetVisible, &TVertDBGridKvScrollBar::SetVisible)
      .Stored(false);
  P.Prop("VisibleMode", &TVertDBGridKvScrollBar::GetVisibleMode,
         &TVertDBGridKvScrollBar::SetVisibleMode)
      .Default(sbAutoShowKv);
}

void TDBGridKvScrollBar::Destroy() {
  SetExtScrollBar(nullptr);
  inherited::Destroy();
}

TPersistent* TDBGridKvScrollBar::GetOwner() { return FDBGrid; }

bool TDBGridKvScrollBar::Designing() const {
  return FDBGrid && FDBGrid->GetComponentState().Contains(csDesigning);
}

void TDBGridKvScrollBar::Assign(TPersistent* Source) {
  auto* Other = DynCast<TDBGridKvScrollBar>(Source);
  if (!Other) return inherited::Assign(Source);
  SetVisible(Other->GetVisible());
  SetTracking(Other->GetTracking());
  SetExtScrollBar(Other->GetExtScrollBar());
}

void TDBGridKvScrollBar::SetVisible(bool Value) {
  SetVisibleMode(Value ? sbAutoShowKv : sbNeverShowKv);
  if (FExtScrollBar) FExtScrollBar->SetVisible(GetVisible());
}

void TDBGridKvScrollBar::SetVisibleMode(TScrollBarVisibleModeKv Value) {
  if (FVisibleMode == Value) return;
  FVisibleMode = Value;
  if (!FDBGrid) return;
  if (FKind == sbVertical) FDBGrid->UpdateRowCount();
  FDBGrid->LayoutChanged();
}

void TDBGridKvScrollBar::SetExtScrollBar(TScrollBar* Value) {
  if (FExtScrollBar == Value) return;
  const bool Design = Designing();
  // [Phase 1] A bar whose window procedure is no longer its own already
  // serves another control: refuse it before anything changes.
  if (Value && !Design && !(Value->WindowProc == TWndMethod(Value, &TControl::WndProc)))
    throw Exception("Possible " + Value->GetName() + " already attached to the other control.");
  // [Phase 2] The old bar gets its own procedure back; the new one is hooked.
  if (FExtScrollBar && !Design) FExtScrollBar->WindowProc = TWndMethod(FExtScrollBar, &TControl::WndProc);
  FExtScrollBar = Value;
  if (FExtScrollBar) {
    if (FDBGrid) FExtScrollBar->FreeNotification(FDBGrid);
    if (!Design) FExtScrollBar->WindowProc = TWndMethod(this, &TDBGridKvScrollBar::ExtScrollBarWndProc);
    FExtScrollBar->SetVisible(GetVisible());
  }
  // [Phase 3] The grid lays itself out for its new bar.
  if (!FDBGrid || FDBGrid->GetComponentState().Contains(csDestroying)) return;
  if (FDBGrid->HandleAllocated() && FKind == sbVertical) FDBGrid->UpdateRowCount();
  FDBGrid->LayoutChanged();
}

void TDBGridKvScrollBar::ExtScrollBarWndProc(TMessage& Message) {
  if (FDBGrid && (Message.Msg == CN_HSCROLL || Message.Msg == CN_VSCROLL)) {
    const UINT GridMsg = FKind == sbHorizontal ? WM_HSCROLL : WM_VSCROLL;
    if (FDBGrid->HandleAllocated())
      SendMessage(FDBGrid->GetHandle(), GridMsg, Message.WParam, Message.LParam);
    else
      FDBGrid->Perform(GridMsg, Message.WParam, Message.LParam);
  }
  FExtScrollBar->WndProc(Message);
}

bool TDBGridKvScrollBar::IsScrollBarShowing() {
  if (FExtScrollBar) return FExtScrollBar->GetVisible();
  if (!GetVisible() || !FDBGrid || !FDBGrid->HandleAllocated()) return false;
  const LONG Style = GetWindowLong(FDBGrid->GetHandle(), GWL_STYLE);
  return (Style & (FKind == sbHorizontal ? WS_HSCROLL : WS_VSCROLL)) != 0;
}

bool TDBGridKvScrollBar::GetScrollInfo(SCROLLINFO& Info) {
  if (FExtScrollBar) return kvp::GetScrollInfo(FExtScrollBar->GetHandle(), SB_CTL, &Info);
  if (!FDBGrid) return false;
  return kvp::GetScrollInfo(FDBGrid->GetHandle(), FKind == sbHorizontal ? SB_HORZ : SB_VERT,
                            &Info);
}

}  // namespace korvel
