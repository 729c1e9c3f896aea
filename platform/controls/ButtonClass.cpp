// The "BUTTON" window class.
//
// Index
//   [SECTION] State            TButtonState, StateOf, kinds
//   [SECTION] Clicking         the press state machine, checks, radio groups
//   [SECTION] Painting         push buttons, check marks, group boxes, owner drawing
//   [SECTION] Procedure        ButtonWndProc, RegisterButtonClass
#include "platform/controls/ButtonClass.h"

#include "platform/controls/StdClasses.h"
#include "platform/controls/StdCtlImpl.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace kvp {

namespace {

// [SECTION] State

// How the button is being pressed: by the mouse (with the capture) or by Space.
enum class TPress { None, Mouse, Key };

struct TButtonState {
  HWND Wnd = nullptr;
  LRESULT Check = BST_UNCHECKED;
  bool Pushed = false;  // drawn pressed (BST_PUSHED)
  TPress Press = TPress::None;
  HFONT Font = nullptr;
};

stdctl::TWindowStates<TButtonState>& Buttons() {
  static stdctl::TWindowStates<TButtonState> States;
  return States;
}

TButtonState& StateOf(HWND Wnd) { return Buttons().Of(Wnd); }

DWORD StyleOf(HWND Wnd) { return DWORD(GetWindowLong(Wnd, GWL_STYLE)); }
DWORD KindOf(HWND Wnd) { return StyleOf(Wnd) & BS_TYPEMASK; }
bool IsCheck(DWORD K) {
  return K == BS_CHECKBOX || K == BS_AUTOCHECKBOX || K == BS_3STATE || K == BS_AUTO3STATE;
}
bool IsRadio(DWORD K) { return K == BS_RADIOBUTTON || K == BS_AUTORADIOBUTTON; }
bool IsPush(DWORD K) { return K == BS_PUSHBUTTON || K == BS_DEFPUSHBUTTON || K == BS_USERBUTTON; }

void Notify(HWND Wnd, WORD Code) { stdctl::NotifyParent(Wnd, Code); }

// [SECTION] Clicking

void SetPushed(TButtonState& B, bool Value) {
  if (B.Pushed == Value) return;
  B.Pushed = Value;
  InvalidateRect(B.Wnd, nullptr, FALSE);
}

void SetCheck(TButtonState& B, LRESULT Value) {
  if (B.Check == Value) return;
  B.Check = Value;
  InvalidateRect(B.Wnd, nullptr, FALSE);
}

// The siblings of an automatic radio button that share its group: from the
// nearest sibling at or before it with WS_GROUP up to the next one with WS_GROUP.
void UncheckGroup(HWND Wnd) {
  HWND First = Wnd;
  while (!(StyleOf(First) & WS_GROUP)) {
    HWND Prev = GetWindow(First, GW_HWNDPREV);
    if (!Prev) break;
    First = Prev;
  }
  for (HWND H = First; H; H = GetWindow(H, GW_HWNDNEXT)) {
    if (H != First && (StyleOf(H) & WS_GROUP)) break;
    if (H != Wnd && KindOf(H) == BS_AUTORADIOBUTTON) SendMessage(H, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

// What a click does to the check of an automatic button, then BN_CLICKED.
void Clicked(TButtonState& B) {
  switch (KindOf(B.Wnd)) {
    case BS_AUTOCHECKBOX:
      SetCheck(B, B.Check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
      break;
    case BS_AUTO3STATE:
      SetCheck(B, (B.Check + 1) % 3);
      break;
    case BS_AUTORADIOBUTTON:
      SetCheck(B, BST_CHECKED);
      UncheckGroup(B.Wnd);
      break;
    default:
      break;
  }
  Notify(B.Wnd, BN_CLICKED);
}

bool InClient(HWND Wnd, LPARAM L) {
  TRect R;
  GetClientRect(Wnd, &R);
  return PtInRect(R, TPoint{GET_X_LPARAM(L), GET_Y_LPARAM(L)});
}

void ButtonDown(TButtonState& B) {
  if (GetFocus() != B.Wnd) SetFocus(B.Wnd);
  B.Press = TPress::Mouse;
  SetCapture(B.Wnd);
  SetPushed(B, true);
}

void MouseMove(TButtonState& B, LPARAM L) {
  if (B.Press == TPress::Mouse) SetPushed(B, InClient(B.Wnd, L));
}

// The release decides: a click only when the button is still pressed, i.e.
// the mouse is inside it (or Space comes up after going down on it).
void Release(TButtonState& B, TPress How) {
  if (B.Press != How) return;
  bool Click = B.Pushed;
  B.Press = TPress::None;
  SetPushed(B, false);
  if (How == TPress::Mouse && GetCapture() == B.Wnd) ReleaseCapture();
  if (Click) Clicked(B);
}

void Cancel(TButtonState& B) {
  B.Press = TPress::None;
  SetPushed(B, false);
}

// [SECTION] Painting

HBRUSH Background(HWND Wnd, HDC Dc, bool Push) {
  UINT Msg = Push ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC;
  HWND Parent = GetParent(Wnd);
  WPARAM W = reinterpret_cast<WPARAM>(Dc);
  auto L = reinterpret_cast<LPARAM>(Wnd);
  auto Br = reinterpret_cast<HBRUSH>(Parent ? SendMessage(Parent, Msg, W, L)
                                            : DefWindowProc(Wnd, Msg, W, L));
  return Br ? Br : GetSysColorBrush(COLOR_BTNFACE);
}

String TextOf(HWND Wnd) {
  Integer N = GetWindowTextLength(Wnd);
  String S(std::size_t(N) + 1, '\0');
  GetWindowText(Wnd, S.data(), N + 1);
  S.resize(std::size_t(N));
  return S;
}

void DrawCaption(HWND Wnd, HDC Dc, TRect R, UINT Format, bool Focus) {
  String Text = TextOf(Wnd);
  SetBkMode(Dc, TRANSPARENT);
  SetTextColor(Dc, GetSysColor(IsWindowEnabled(Wnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  DrawText(Dc, Text, -1, &R, Format | DT_SINGLELINE | DT_VCENTER);
  if (Focus && !Text.empty()) {
    TRect F = R;
    DrawText(Dc, Text, -1, &F, Format | DT_SINGLELINE | DT_VCENTER | DT_CALCRECT);
    Integer H = F.Height();
    F.Top = R.Top + (R.Height() - H) / 2;
    F.Bottom = F.Top + H;
    InflateRect(F, 1, 1);
    DrawFocusRect(Dc, &F);
  }
}

void PaintPush(const TButtonState& B, HDC Dc, TRect R, bool Focus) {
  bool Default = KindOf(B.Wnd) == BS_DEFPUSHBUTTON;
  if (Default) {
    FrameRect(Dc, &R, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(R, -1, -1);
  }
  UINT State =
      DFCS_BUTTONPUSH | (B.Pushed ? DFCS_PUSHED : 0) | (IsWindowEnabled(B.Wnd) ? 0 : DFCS_INACTIVE);
  TRect Face = R;
  DrawFrameControl(Dc, &Face, DFC_BUTTON, State);
  TRect Text = R;
  if (B.Pushed) OffsetRect(Text, 1, 1);
  DrawCaption(B.Wnd, Dc, Text, DT_CENTER, false);
  if (Focus) {
    TRect F = R;
    InflateRect(F, -3, -3);
    DrawFocusRect(Dc, &F);
  }
}

void PaintCheck(const TButtonState& B, HDC Dc, TRect R, bool Focus) {
  constexpr Integer Box = 13;
  DWORD K = KindOf(B.Wnd);
  bool LeftText = (StyleOf(B.Wnd) & BS_LEFTTEXT) != 0;
  Integer Top = R.Top + (R.Height() - Box) / 2;
  TRect Mark = LeftText ? TRect{R.Right - Box, Top, R.Right, Top + Box}
                        : TRect{R.Left, Top, R.Left + Box, Top + Box};
  UINT State = (IsRadio(K) ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK) |
               (B.Check == BST_CHECKED ? DFCS_CHECKED : 0) |
               (B.Check == BST_INDETERMINATE ? DFCS_BUTTON3STATE | DFCS_CHECKED : 0) |
               (B.Pushed ? DFCS_PUSHED : 0) | (IsWindowEnabled(B.Wnd) ? 0 : DFCS_INACTIVE);
  DrawFrameControl(Dc, &Mark, DFC_BUTTON, State);
  TRect Text = R;
  if (LeftText)
    Text.Right -= Box + 4;
  else
    Text.Left += Box + 4;
  DrawCaption(B.Wnd, Dc, Text, LeftText ? DT_RIGHT : DT_LEFT, Focus);
}

void PaintGroup(HWND Wnd, HDC Dc, TRect R) {
  TEXTMETRIC Tm;
  GetTextMetrics(Dc, &Tm);
  TRect Frame = R;
  Frame.Top += Tm.tmHeight / 2;
  DrawEdge(Dc, &Frame, EDGE_ETCHED, BF_RECT);
  String Text = TextOf(Wnd);
  if (Text.empty()) return;
  TRect T{R.Left + 8, R.Top, R.Right - 8, R.Top + Tm.tmHeight};
  DrawText(Dc, Text, -1, &T, DT_SINGLELINE | DT_CALCRECT);
  SetBkMode(Dc, OPAQUE);
  SetBkColor(Dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(Dc, GetSysColor(IsWindowEnabled(Wnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  DrawText(Dc, Text, -1, &T, DT_SINGLELINE);
}

void PaintOwnerDraw(const TButtonState& B, HDC Dc, TRect R, bool Focus) {
  DRAWITEMSTRUCT D;
  D.CtlType = ODT_BUTTON;
  D.CtlID = UINT(GetWindowLongPtr(B.Wnd, GWLP_ID));
  D.itemAction = ODA_DRAWENTIRE;
  D.itemState = (B.Pushed ? ODS_SELECTED : 0) | (Focus ? ODS_FOCUS : 0) |
                (IsWindowEnabled(B.Wnd) ? 0 : ODS_DISABLED);
  D.hwndItem = B.Wnd;
  D.hDC = Dc;
  D.rcItem = R;
  if (HWND Parent = GetParent(B.Wnd))
    SendMessage(Parent, WM_DRAWITEM, D.CtlID, reinterpret_cast<LPARAM>(&D));
}

void Paint(TButtonState& B, WPARAM W) {
  stdctl::TPaintDC PaintDc(B.Wnd, W);
  HDC Dc = PaintDc.Dc();
  HGDIOBJ OldFont = SelectObject(Dc, B.Font ? HGDIOBJ(B.Font) : GetStockObject(SYSTEM_FONT));
  TRect R;
  GetClientRect(B.Wnd, &R);
  DWORD K = KindOf(B.Wnd);
  bool Focus = GetFocus() == B.Wnd;
  if (K == BS_OWNERDRAW) {
    PaintOwnerDraw(B, Dc, R, Focus);
  } else {
    FillRect(Dc, &R, Background(B.Wnd, Dc, IsPush(K)));
    if (IsPush(K))
      PaintPush(B, Dc, R, Focus);
    else if (K == BS_GROUPBOX)
      PaintGroup(B.Wnd, Dc, R);
    else
      PaintCheck(B, Dc, R, Focus);
  }
  SelectObject(Dc, OldFont);
}

// [SECTION] Procedure

LRESULT DialogCode(HWND Wnd) {
  DWORD K = KindOf(Wnd);
  if (K == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
  if (IsPush(K) || K == BS_OWNERDRAW) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
  if (IsRadio(K)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
  if (K == BS_GROUPBOX) return DLGC_STATIC;
  return DLGC_BUTTON;
}

LRESULT HandleButtonMessage(TButtonState& B, UINT Msg, WPARAM W, LPARAM L) {
  HWND Wnd = B.Wnd;
  switch (Msg) {
    case BM_GETCHECK:
      return B.Check;
    case BM_SETCHECK: {
      DWORD K = KindOf(Wnd);
      LRESULT V = LRESULT(W);
      if (V == BST_INDETERMINATE && K != BS_3STATE && K != BS_AUTO3STATE) V = BST_CHECKED;
      if (IsCheck(K) || IsRadio(K)) SetCheck(B, V);
      return 0;
    }
    case BM_GETSTATE:
      return B.Check | (B.Pushed ? BST_PUSHED : 0) | (GetFocus() == Wnd ? BST_FOCUS : 0);
    case BM_SETSTATE:
      SetPushed(B, W != 0);
      return 0;
    case BM_SETSTYLE: {
      DWORD S = (StyleOf(Wnd) & ~0xFFFFu) | (DWORD(W) & 0xFFFF);
      SetWindowLong(Wnd, GWL_STYLE, LONG(S));
      if (LOWORD(L)) InvalidateRect(Wnd, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      if (IsWindowEnabled(Wnd)) Clicked(B);
      return 0;
    default:
      return DefWindowProc(Wnd, Msg, W, L);
  }
}

}  // namespace

LRESULT ButtonWndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  if (Msg == WM_NCDESTROY) {
    Buttons().Forget(Wnd);
    return DefWindowProc(Wnd, Msg, W, L);
  }
  TButtonState& B = StateOf(Wnd);
  switch (Msg) {
    case WM_GETDLGCODE:
      return DialogCode(Wnd);
    case WM_SETFONT:
      B.Font = reinterpret_cast<HFONT>(W);
      if (LOWORD(L)) InvalidateRect(Wnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(B.Font);
    case WM_SETTEXT: {
      LRESULT R = DefWindowProc(Wnd, Msg, W, L);
      InvalidateRect(Wnd, nullptr, TRUE);
      return R;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (KindOf(Wnd) == BS_GROUPBOX) return 0;
      if (Msg == WM_LBUTTONDBLCLK && (IsRadio(KindOf(Wnd)) || KindOf(Wnd) == BS_OWNERDRAW))
        Notify(Wnd, BN_DOUBLECLICKED);
      ButtonDown(B);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(B, L);
      return 0;
    case WM_LBUTTONUP:
      Release(B, TPress::Mouse);
      return 0;
    case WM_KEYDOWN:
      if (W == VK_SPACE && B.Press == TPress::None && KindOf(Wnd) != BS_GROUPBOX) {
        B.Press = TPress::Key;
        SetPushed(B, true);
      }
      return 0;
    case WM_KEYUP:
      if (W == VK_SPACE) Release(B, TPress::Key);
      return 0;
    case WM_CAPTURECHANGED:
      if (B.Press == TPress::Mouse) Cancel(B);
      return 0;
    case WM_SETFOCUS:
      InvalidateRect(Wnd, nullptr, FALSE);
      if (StyleOf(Wnd) & BS_NOTIFY) Notify(Wnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (B.Press == TPress::Key)
        Cancel(B);
      else if (B.Press == TPress::Mouse && GetCapture() == Wnd)
        ReleaseCapture();
      InvalidateRect(Wnd, nullptr, FALSE);
      if (StyleOf(Wnd) & BS_NOTIFY) Notify(Wnd, BN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      InvalidateRect(Wnd, nullptr, TRUE);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the background
    case WM_PAINT:
      Paint(B, W);
      return 0;
    default:
      return HandleButtonMessage(B, Msg, W, L);
  }
}

void RegisterButtonClass() {
  stdctl::RegisterStandardClass(ButtonClassName, ButtonWndProc,
                                CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, IDC_ARROW);
}

}  // namespace kvp
