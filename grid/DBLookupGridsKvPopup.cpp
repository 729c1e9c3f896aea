// The drop-down data grid: the lookup grid as a popup window that floats
// under the grid's in-place editor. It never takes the focus or activates,
// follows the mouse while no button is held, is resized by its grip, and
// tells its owner through OnMouseCloseUp which release ends it.
//
// Index:
//   [SECTION] Construction   Construct, Destroy, CreateParams
//   [SECTION] Frame          PaintFlatBorder, CMCtl3DChanged
//   [SECTION] Window         WMEraseBkgnd, WMMouseActivate, WMSize, WMWindowPosChanging,
//                            WMSizeGripSide
//   [SECTION] User actions   KeyDown, KeyUp, KeyValueChanged, MouseDown, MouseMove, MouseUp
//   [SECTION] Column         TColumnKv::GetDataList, FindDataList, GetDropDownListDataSet
#include <algorithm>

#include "grid/DBLookupGridsKv.h"
#include "platform/db/Fields.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/FlagScope.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Construction

void TPopupDataGridKv::Construct() {
  inherited::Construct();
  FControlStyle += csNoDesignVisible;
  FControlStyle += csReplicatable;
  FPopup = true;
  FSizeGrip = TSizeGripKv::Create(this);
  FSizeGrip->SetParent(this);
  FSizeGrip->SetTriangleWindow(true);
  SetShowHint(true);
}

void TPopupDataGridKv::Destroy() {
  FreeAndNil(FSizeGrip);
  inherited::Destroy();
}

void TPopupDataGridKv::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_POPUP | WS_CLIPCHILDREN;
  if (!GetCtl3D()) Params.Style |= WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW;
  if (UseRightToLeftReading()) Params.ExStyle |= WS_EX_RTLREADING;
  if (UseRightToLeftScrollBar()) Params.ExStyle |= WS_EX_LEFTSCROLLBAR;
  if (UseRightToLeftAlignment()) Params.ExStyle |= WS_EX_RIGHT;
  Params.WindowClass.style = CS_SAVEBITS | CS_HREDRAW;
  FFlatBorderWidth = GetCtl3D() ? 1 : 0;
}

// [SECTION] Frame

// With Ctl3D a one-pixel raised frame; without it the window's own border.
void TPopupDataGridKv::PaintFlatBorder() {
  if (!GetCtl3D() || !HandleAllocated()) return;
  const HWND Wnd = GetHandle();
  const HDC DC = GetWindowDC(Wnd);
  if (!DC) return;
  TRect R;
  GetWindowRect(Wnd, &R);
  OffsetRect(R, -R.Left, -R.Top);
  DrawEdge(DC, &R, BDR_RAISEDOUTER, BF_RECT);
  ReleaseDC(Wnd, DC);
}

void TPopupDataGridKv::CMCtl3DChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  FFlatBorderWidth = GetCtl3D() ? 1 : 0;
  RecreateWnd();
}

// [SECTION] Window

void TPopupDataGridKv::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TPopupDataGridKv::WMMouseActivate(TMessage& Message) { Message.Result = MA_NOACTIVATE; }

void TPopupDataGridKv::WMSize(TWMSize& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (FSizeGrip) FSizeGrip->UpdatePosition();
  FSizedByUser = true;
}

// No size below a scroll bar's width and an arrow's height.
void TPopupDataGridKv::WMWindowPosChanging(TMessage& Message) {
  auto* Pos = reinterpret_cast<WINDOWPOS*>(Message.LParam);
  const TComponentState State = GetComponentState();
  if (Pos && !(Pos->flags & SWP_NOSIZE) && !State.Contains(csReading) &&
      !State.Contains(csDestroying)) {
    Pos->cx = std::max(Pos->cx, GetSystemMetrics(SM_CXVSCROLL));
    Pos->cy = std::max(Pos->cy, GetSystemMetrics(SM_CYVSCROLL));
  }
  inherited::Dispatch(Message);
}

void TPopupDataGridKv::WMSizeGripSide(TMessage& Message) {
  if (FSizeGrip) FSizeGrip->ChangePosition(TSizeGripSideKv(Message.WParam & 0xFF));
}

// [SECTION] User actions

void TPopupDataGridKv::KeyDown(Word& Key, TShiftState Shift) {
  TFlagScope Action(FUserAction);
  inherited::KeyDown(Key, Shift);
}

void TPopupDataGridKv::KeyUp(Word& Key, TShiftState Shift) { TCustomDBGridKv::KeyUp(Key, Shift); }

void TPopupDataGridKv::KeyValueChanged() {
  inherited::KeyValueChanged();
  if (FUserAction && OnUserKeyValueChange) OnUserKeyValueChange(this);
}

void TPopupDataGridKv::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TFlagScope Action(FUserAction);
  FPressInside = true;
  inherited::MouseDown(Button, Shift, X, Y);
  if (ToggleTreeNode(X, Y, true)) FPressInside = false;
}

// Hot tracking: the row under the mouse is the choice while no button is held.
void TPopupDataGridKv::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TFlagScope Action(FUserAction);
  inherited::MouseMove(Shift, X, Y);
  const bool Held = Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle);
  if (!Held && !FLookupLink->GetReadOnly()) SelectByMouse(X, Y);
}

// A release outside closes refusing; on a row or the special row, accepting;
// anywhere else inside (titles, the empty area) the list stays. A release
// that ends sizing or moving a column never closes.
void TPopupDataGridKv::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  const TGridState State = GetGridState();
  inherited::MouseUp(Button, Shift, X, Y);
  if (State != gsNormal || !FPressInside) return;
  if (X < 0 || Y < 0 || X >= GetWidth() || Y >= GetHeight()) {
    if (OnMouseCloseUp) OnMouseCloseUp(this, false);
    return;
  }
  const TGridCoord Cell = MouseCoord(X, Y);
  const bool OnRow = Cell.X >= GetIndicatorOffset() && Cell.X < GetColCount() &&
                     Cell.Y >= GetTitleOffset() && Cell.Y < GetRowCount();
  const bool OnSpecRow = FSpecRow->GetVisible() && Cell.Y >= 0 && Cell.Y == GetTitleOffset() - 1;
  if ((OnRow || OnSpecRow) && OnMouseCloseUp) OnMouseCloseUp(this, true);
}

// [SECTION] Column

namespace {

// Owns a column's drop-down data grid and hears of its freeing: the list's
// parent (the in-place editor) may free it before the column goes.
class TDataListHolder : public TComponent {
  KV_CLASS(TDataListHolder, TComponent)
 public:
  explicit TDataListHolder(TComponent* AOwner) : TComponent(AOwner) {}
  TPopupDataGridKv* List = nullptr;  // owned through the component list; null once freed

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == List) List = nullptr;
  }
};

}  // namespace

TPopupDataGridKv* TColumnKv::FindDataList() const {
  auto* Holder = static_cast<TDataListHolder*>(FDataListHolder);
  return Holder ? Holder->List : nullptr;
}

TPopupDataGridKv* TColumnKv::GetDataList() {
  if (TPopupDataGridKv* List = FindDataList()) return List;
  if (!FDataListHolder) FDataListHolder = TDataListHolder::Create(nullptr);
  auto* Holder = static_cast<TDataListHolder*>(FDataListHolder);
  Holder->List = TPopupDataGridKv::Create(Holder);
  Holder->List->FreeNotification(Holder);
  Holder->List->SetName("DataList");
  Holder->List->SetSpecRow(FDropDownSpecRow);
  return Holder->List;
}

TDataSet* TColumnKv::GetDropDownListDataSet() {
  if (TDataSource* Source = FDropDownBox->GetListSource())
    if (TDataSet* DataSet = Source->GetDataSet()) return DataSet;
  TField* Field = GetField();
  return Field && Field->GetFieldKind() == fkLookup ? Field->GetLookupDataSet() : nullptr;
}

}  // namespace korvel
