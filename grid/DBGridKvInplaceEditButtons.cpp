// The grid's in-place editor around its text: the row of edit buttons laid
// out at its edge each time the editor is placed over a cell, the rectangle
// left for the text beside the buttons, the image and the tree area, what
// the editor paints over its text (tree area, required-field underline,
// image), and the mouse outside the text (the arrow cursor, clicks that do
// not move the caret).
//
// Index:
//   [SECTION] Button row       CreateEditButtonControl, BoundsChanged
//   [SECTION] Text rectangle   CalcEditRect, TextArea, ShowsImage, InTreeArea, TreeIndent
//   [SECTION] Painting         PaintWindow, DrawRequiredState
//   [SECTION] Mouse            WMSetCursor, DefaultHandler (and the text's changes)
#include <algorithm>
#include <climits>

#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKvImpl.h"
#include "platform/controls/EditClass.h"
#include "platform/rtl/Numbers.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Button row

TEditButtonControlKv* TDBGridInplaceEdit::CreateEditButtonControl() {
  TEditButtonControlKv* Button = TEditButtonControlKv::Create(this);
  Button->SetBounds(0, 0, 10, 17);
  Button->SetVisible(true);
  Button->SetTransparent(false);
  Button->SetControlStyle(Button->GetControlStyle() + csNoDesignVisible);
  Button->SetParent(this);
  return Button;
}

// The main button (pair 0) stands innermost, next to the text; the column's
// buttons follow it outwards in their order. All visible buttons get the
// height of the smallest proposal.
void TDBGridInplaceEdit::BoundsChanged() {
  if (!HandleAllocated()) return;
  // [Phase 1] A re-open guard left from a menu of an earlier cell is dropped.
  KillMessage(GetHandle(), WM_DROPDOWNMENUUPKV);
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  TEditButtonsKv* Items = Column ? Column->GetEditButtons() : nullptr;
  const bool Flat = Grid && Grid->GetFlat();
  const Integer DefaultWidth = Flat ? FlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
  const Integer ClientHeight = GetClientHeight();
  // [Phase 2] One pair a button; surplus pairs are hidden and kept owned.
  const Integer N = 1 + (Items ? Items->GetCount() : 0);
  while (Integer(FEditButtonControls.size()) > N) {
    const TEditButtonPair& Pair = FEditButtonControls.back();
    Pair.Button->SetVisible(false);
    Pair.Separator->SetVisible(false);
    FEditButtonControls.pop_back();
  }
  while (Integer(FEditButtonControls.size()) < N) {
    TEditButtonPair Pair;
    Pair.Button = CreateEditButtonControl();
    Pair.Separator = TShape::Create(this);
    Pair.Separator->SetParent(this);
    FEditButtonControls.push_back(Pair);
  }
  // [Phase 3] Looks, widths and height proposals. The main button shows the
  // style's face; each other button its edit button's.
  std::vector<Integer> Widths(std::size_t(N), 0);
  Integer Height = INT_MAX;
  for (Integer I = 0; I < N; ++I) {
    TEditButtonControlKv* Button = FEditButtonControls[std::size_t(I)].Button;
    Integer Width = 0;
    if (I == 0) {
      const bool Shown = FEditStyle != cesPlainKv;
      Button->SetVisible(Shown);
      Button->SetStyle(FEditStyle == cesEllipsisKv ? ebsEllipsisKv
                       : FEditStyle == cesUpDownKv ? ebsUpDownKv
                                                   : ebsDropDownKv);
      Button->SetGlyph(nullptr);
      Button->SetHint({});
      Button->SetFlat(Flat);
      if (Shown) {
        Width = DefaultWidth;
        const Integer Scaled = Integer(Round(3.0L * Width / 2));
        Height = std::min(Height, Scaled >= ClientHeight ? ClientHeight : Flat ? Scaled : Width);
      }
    } else {
      TEditButtonKv* Item = Items->GetItems(I - 1);
      Button->SetVisible(Item->GetVisible());
      Button->SetEnabled(Item->GetEnabled());
      Button->SetStyle(Item->GetStyle());
      Button->SetGlyph(Item->GetGlyph());
      Button->SetNumGlyphs(Item->GetNumGlyphs());
      Button->SetHint(Item->GetHint());
      Button->SetFlat(Flat);
      if (Item->GetVisible()) {
        Width = Item->GetWidth() >= 1 ? Item->GetWidth() : DefaultWidth;
        const Integer Scaled = Integer(Round(3.0L * Width / 2));
        Height = std::min(Height, ClientHeight > Scaled ? Width : ClientHeight);
      }
    }
    Widths[std::size_t(I)] = Width;
  }
  if (Height == INT_MAX) Height = ClientHeight;
  // [Phase 4] Separators, events and tags (a button's tag is its pair).
  for (Integer I = 0; I < N; ++I) {
    TEditButtonPair& Pair = FEditButtonControls[std::size_t(I)];
    Pair.Separator->SetVisible(Flat && Pair.Button->GetVisible());
    Pair.Button->OnDown = TButtonDownEventKv(this, &TDBGridInplaceEdit::EditButtonDown);
    Pair.Button->OnClick = TNotifyEvent(this, &TDBGridInplaceEdit::EditButtonClick);
    Pair.Button->OnMouseMove = TMouseMoveEvent(this, &TDBGridInplaceEdit::EditButtonMouseMove);
    Pair.Button->OnMouseUp = TMouseEvent(this, &TDBGridInplaceEdit::EditButtonMouseUp);
    Pair.Button->SetTag(I);
  }
  // [Phase 5] From the outer edge in: each button, then its separator.
  const bool RightToLeft = Column && Column->UseRightToLeftAlignment();
  const Integer Width = GetClientWidth();
  Integer X = RightToLeft ? 0 : Width;
  for (Integer I = N - 1; I >= 0; --I) {
    TEditButtonPair& Pair = FEditButtonControls[std::size_t(I)];
    const Integer ButtonWidth = Widths[std::size_t(I)];
    const Integer LineWidth = Pair.Separator->GetVisible() ? 1 : 0;
    if (RightToLeft) {
      Pair.Button->SetBounds(X, 0, ButtonWidth, Height);
      X += ButtonWidth;
      Pair.Separator->SetBounds(X, 0, LineWidth, Height);
      X += LineWidth;
    } else {
      X -= ButtonWidth;
      Pair.Button->SetBounds(X, 0, ButtonWidth, Height);
      X -= LineWidth;
      Pair.Separator->SetBounds(X, 0, LineWidth, Height);
    }
  }
  FButtonWidth = RightToLeft ? X : Width - X;
  // [Phase 6] Every button active; the main one always enabled.
  for (Integer I = 0; I < N; ++I) {
    TEditButtonPair& Pair = FEditButtonControls[std::size_t(I)];
    Pair.Button->SetActive(true);
    Pair.Button->SetEnabled(I == 0 || Items->GetItems(I - 1)->GetEnabled());
    Pair.Separator->GetPen()->SetColor(clBtnFace);
  }
  // [Phase 7] The text beside them.
  TRect R = CalcEditRect();
  SendMessage(GetHandle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
  SendMessage(GetHandle(), EM_SCROLLCARET, 0, 0);
  if (SysLocale.FarEast) {
    if (HIMC Imc = ImmGetContext(GetHandle())) {
      COMPOSITIONFORM Form;
      Form.dwStyle = CFS_POINT;
      Form.ptCurrentPos = TPoint{R.Left, R.Top};
      ImmSetCompositionWindow(Imc, &Form);
      ImmReleaseContext(GetHandle(), Imc);
    }
  }
}

// [SECTION] Text rectangle

bool TDBGridInplaceEdit::ShowsImage(TColumnKv* Column) const {
  return Column && Column->GetImageList() && Column->GetShowImageAndText();
}

bool TDBGridInplaceEdit::InTreeArea(TColumnKv* Column) const {
  TCustomDBGridKv* Grid = GetGrid();
  if (!Grid || !Column || !Grid->GetMemTable() || !Grid->GetMemTable()->GetTreeViewMode())
    return false;
  TColumnsKvList* Visible = Grid->GetVisibleColumns();
  return Visible->GetCount() > 0 && Visible->GetColumn(0) == Column;
}

// The editor stands on the current record: its node's indent.
Integer TDBGridInplaceEdit::TreeIndent() const {
  TCustomDBGridKv* Grid = GetGrid();
  return Grid ? Grid->GetTreeIndent() : 0;
}

TRect TDBGridInplaceEdit::CalcEditRect() {
  const Integer Width = GetWidth();
  const Integer Height = GetHeight();
  TCustomDBGridKv* Grid = GetGrid();
  // [Phase 1] Margins.
  TRect R =
      Grid && Grid->GetFlat() ? TRect{2, 1, Width - 2, Height - 1} : TRect{2, 2, Width - 2, Height};
  // [Phase 2] A font taller than the room gets the last pixel row.
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, GetFont()->GetHandle());
  TEXTMETRIC Metrics{};
  GetTextMetrics(DC, &Metrics);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  if (Metrics.tmHeight > R.Height() && R.Bottom < Height) ++R.Bottom;
  // [Phase 3] The buttons, the image and the tree area take their room.
  TColumnKv* Column = GetColumn();
  const bool RightToLeft = Column && Column->UseRightToLeftAlignment();
  auto TakeNear = [&](Integer Room) {  // at the side the text starts from
    if (RightToLeft)
      R.Right -= Room;
    else
      R.Left += Room;
  };
  if (RightToLeft)
    R.Left += FButtonWidth;
  else
    R.Right -= FButtonWidth;
  if (ShowsImage(Column)) TakeNear(Column->GetImageList()->GetWidth() + 5);
  if (InTreeArea(Column)) TakeNear(TreeIndent() + 1);
  return R;
}

TRect TDBGridInplaceEdit::TextArea() {
  TRect R{};
  if (HandleAllocated()) SendMessage(GetHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&R));
  R.Top = 0;
  R.Bottom = GetClientHeight();
  return R;
}

// [SECTION] Painting

// The edit window paints its whole client area: what the editor adds goes
// over it. The image stands where the text rectangle left room for it: at
// the left, or at the right in a right-to-left column (its buttons are at
// the left there).
void TDBGridInplaceEdit::PaintWindow(HDC DC) {
  inherited::PaintWindow(DC);
  TColumnKv* Column = GetColumn();
  FCanvas->PaintOn(DC, [&] {
    if (InTreeArea(Column)) {
      // The node area of the current record, in the editor's colour; right
      // to left it is drawn mirrored, at the right edge, where the text
      // rectangle leaves its room.
      TCustomDBGridKv* Grid = GetGrid();
      const bool Mirrored = Column->UseRightToLeftAlignment();
      const Integer Width = GetClientWidth(), Height = GetClientHeight();
      FCanvas->GetBrush()->SetStyle(bsSolid);
      FCanvas->GetBrush()->SetColor(GetColor());
      if (Mirrored) MirrorCanvas(FCanvas, true, Width, Height);
      Grid->DrawTreeArea(FCanvas, TRect{0, 0, Width, Height}, false);
      if (Mirrored) MirrorCanvas(FCanvas, false, Width, Height);
    }
    DrawRequiredState(FCanvas);
    if (ShowsImage(Column) && FImageIndex >= 0 && Visible()) {
      TCustomImageList* Images = Column->GetImageList();
      const Integer Indent = (InTreeArea(Column) ? TreeIndent() : 0) + 2;
      const Integer Left = Column->UseRightToLeftAlignment()
                               ? GetClientWidth() - Indent - Images->GetWidth()
                               : Indent;
      DrawImageCentered(FCanvas->GetHandle(),
                        TRect{Left, 0, Left + Images->GetWidth(), GetHeight()}, Images, false,
                        FImageIndex);
    }
  });
}

void TDBGridInplaceEdit::DrawRequiredState(TCanvas* ACanvas) {
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  if (!Grid || !Column) return;
  TGridDataLinkKv* Link = Grid->GetDataLink();
  TField* Field = Column->GetField();
  bool Due = Column->GetHighlightRequired() && Link->GetActive() && Field && Field->GetRequired() &&
             Field->IsNull();
  if (Due) {
    const TDataSetState State = Link->GetDataSet()->GetState();
    Due = State == dsEdit || State == dsInsert;
  }
  if (Column->OnCheckDrawRequiredState) Column->OnCheckDrawRequiredState(this, GetText(), Due);
  if (!Due) return;
  const TRect R = CalcEditRect();
  const Integer Y = GetClientHeight() - 1;
  ACanvas->GetPen()->SetColor(clRed);
  ACanvas->GetPen()->SetStyle(psDot);
  ACanvas->MoveTo(R.Left + 2, Y);
  ACanvas->LineTo(R.Right - 3, Y);
}

// [SECTION] Mouse

// Over the text the edit's own cursor; over the buttons, the image and the
// tree area the arrow.
void TDBGridInplaceEdit::WMSetCursor(TMessage& Message) {
  if (HandleAllocated() && reinterpret_cast<HWND>(Message.WParam) == GetHandle()) {
    TPoint P;
    GetCursorPos(&P);
    if (!PtInRect(TextArea(), ScreenToClient(P))) {
      kvp::SetCursor(LoadCursor(nullptr, IDC_ARROW));
      Message.Result = 1;
      return;
    }
  }
  inherited::Dispatch(Message);
}

// A press beside the text (on the image or the tree area) does not move the
// caret, unless the editor holds the mouse (a selection being dragged). A
// message that changed the text lets the most-recently-used list follow.
void TDBGridInplaceEdit::DefaultHandler(TMessage& Message) {
  if (Message.Msg >= WM_LBUTTONDOWN && Message.Msg <= WM_MBUTTONDBLCLK && HandleAllocated() &&
      GetCapture() != GetHandle()) {
    const TPoint P{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    if (!PtInRect(TextArea(), P)) return;
  }
  inherited::DefaultHandler(Message);
  UpdateMRUDropDown();
}

}  // namespace korvel
