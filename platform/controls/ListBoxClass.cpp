// The "LISTBOX" window class.
//
// Index
//   [SECTION] State            TListState, StateOf, item heights and geometry
//   [SECTION] Items            adding, inserting, deleting, searching
//   [SECTION] Selection        SetCurSel, scrolling, the scroll bar
//   [SECTION] Keys and mouse   KeyDown, CharTyped, the mouse state machine
//   [SECTION] Painting         Paint, DrawItem
//   [SECTION] Procedure        ListBoxWndProc, RegisterListBoxClass
#include "platform/controls/ListBoxClass.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/controls/StdClasses.h"
#include "platform/controls/StdCtlImpl.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace kvp {

namespace {

// [SECTION] State

struct TListItem {
  String Text;
  ULONG_PTR Data = 0;
  Integer Height = 0;  // variable-height lists only
};

// TListState: what one list box keeps. A virtual list (LBS_NODATA) keeps
// only Count; every other list keeps one TListItem an item.
struct TListState {
  HWND Wnd = nullptr;
  std::vector<TListItem> Items;
  Integer VirtualCount = 0;  // LBS_NODATA
  Integer CurSel = -1;       // the selected item, -1 for none
  Integer Caret = 0;         // the item with the focus rectangle
  Integer TopIndex = 0;
  Integer ItemHeight = 0;  // fixed height (0 until the font or the parent tells)
  HFONT Font = nullptr;
  bool HasScrollBar = false;  // created with WS_VSCROLL; the bar comes and goes with the items
  bool Tracking = false;      // the left button is down and the mouse selects
  Integer SelAtPress = -1;    // CurSel when the button went down
  // The parent at creation: notifications and owner-draw questions keep
  // going there when the window is given another parent later.
  HWND Parent = nullptr;
  bool HasFocus = false;  // between WM_SETFOCUS and WM_KILLFOCUS: draws the focus rectangle
};

stdctl::TWindowStates<TListState>& Lists() {
  static stdctl::TWindowStates<TListState> States;
  return States;
}

TListState& StateOf(HWND Wnd) { return Lists().Of(Wnd); }

DWORD StyleOf(const TListState& S) { return DWORD(GetWindowLong(S.Wnd, GWL_STYLE)); }
bool IsVirtual(const TListState& S) { return (StyleOf(S) & LBS_NODATA) != 0; }
bool IsVariable(const TListState& S) { return (StyleOf(S) & LBS_OWNERDRAWVARIABLE) != 0; }
bool IsOwnerDraw(const TListState& S) {
  return (StyleOf(S) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0;
}
// Whether items hold strings (an owner-drawn list without LBS_HASSTRINGS
// keeps the lParam of LB_ADDSTRING as the item's data instead).
bool HasStrings(const TListState& S) {
  return !IsVirtual(S) && (!IsOwnerDraw(S) || (StyleOf(S) & LBS_HASSTRINGS));
}
Integer Count(const TListState& S) {
  return IsVirtual(S) ? S.VirtualCount : Integer(S.Items.size());
}
bool Valid(const TListState& S, Integer I) { return I >= 0 && I < Count(S); }

// The window that hears the list's notifications, if it still exists.
HWND NotifyWindow(const TListState& S) { return IsWindow(S.Parent) ? S.Parent : nullptr; }

void Notify(const TListState& S, WORD Code) {
  bool Always = Code == LBN_SETFOCUS || Code == LBN_KILLFOCUS;
  if (!Always && !(StyleOf(S) & LBS_NOTIFY)) return;
  HWND Parent = NotifyWindow(S);
  if (!Parent) return;
  auto Id = Integer(GetWindowLongPtr(S.Wnd, GWLP_ID));
  SendMessage(Parent, WM_COMMAND, MAKEWPARAM(Id & 0xFFFF, Code), reinterpret_cast<LPARAM>(S.Wnd));
}

Integer FontHeight(const TListState& S) {
  stdctl::TFontDC Dc(S.Wnd, S.Font, SYSTEM_FONT);
  TEXTMETRIC Tm;
  GetTextMetrics(Dc.Dc(), &Tm);
  return std::max<Integer>(Tm.tmHeight, 1);
}

Integer HeightOf(const TListState& S, Integer I) {
  if (IsVariable(S) && Valid(S, I)) return S.Items[std::size_t(I)].Height;
  return S.ItemHeight;
}

// Asks the parent for an item's height (every item of a variable list, once
// for a fixed owner-drawn one).
Integer Measure(const TListState& S, Integer I, ULONG_PTR Data) {
  MEASUREITEMSTRUCT M;
  M.CtlType = ODT_LISTBOX;
  M.CtlID = UINT(GetWindowLongPtr(S.Wnd, GWLP_ID));
  M.itemID = UINT(I);
  M.itemHeight = UINT(FontHeight(S));
  M.itemData = Data;
  if (HWND Parent = NotifyWindow(S))
    SendMessage(Parent, WM_MEASUREITEM, M.CtlID, reinterpret_cast<LPARAM>(&M));
  return Integer(M.itemHeight);
}

Integer ClientHeight(const TListState& S) {
  TRect R;
  GetClientRect(S.Wnd, &R);
  return R.Height();
}

// The items that fit the client area from the top item on, at least one.
Integer ItemsPerPage(const TListState& S, Integer From) {
  Integer H = ClientHeight(S), N = 0, Y = 0;
  for (Integer I = From; I < Count(S); ++I) {
    Y += HeightOf(S, I);
    if (Y > H) break;
    ++N;
  }
  if (!IsVariable(S) && From >= Count(S)) N = S.ItemHeight > 0 ? H / S.ItemHeight : 1;
  return std::max<Integer>(N, 1);
}

// The item's rectangle in client coordinates, wherever it is scrolled to.
TRect ItemRect(const TListState& S, Integer I) {
  TRect C;
  GetClientRect(S.Wnd, &C);
  Integer Y = 0;
  if (IsVariable(S)) {
    for (Integer K = S.TopIndex; K < I; ++K) Y += HeightOf(S, K);
    for (Integer K = I; K < S.TopIndex; ++K) Y -= HeightOf(S, K);
  } else {
    Y = (I - S.TopIndex) * S.ItemHeight;
  }
  return {0, Y, C.Right, Y + HeightOf(S, I)};
}

// The item under a client point (the nearest one when none is), and whether
// the point lies outside every item.
Integer ItemAt(const TListState& S, TPoint P, bool& Outside) {
  TRect C;
  GetClientRect(S.Wnd, &C);
  Outside = !PtInRect(C, P);
  if (Count(S) == 0) {
    Outside = true;
    return 0;
  }
  if (P.Y < 0) return std::max<Integer>(S.TopIndex - 1, 0);
  Integer Y = 0;
  for (Integer I = S.TopIndex; I < Count(S); ++I) {
    Y += HeightOf(S, I);
    if (P.Y < Y) return I;
  }
  Outside = true;
  return Count(S) - 1;
}

// [SECTION] Selection

Integer MaxTop(const TListState& S) {
  Integer Top = Count(S);
  Integer H = ClientHeight(S), Y = 0;
  while (Top > 0 && Y + HeightOf(S, Top - 1) <= H) Y += HeightOf(S, --Top);
  return std::min(Top, std::max<Integer>(Count(S) - 1, 0));
}

void UpdateScrollBar(const TListState& S) {
  if (!S.HasScrollBar) return;
  SCROLLINFO Si;
  Si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (StyleOf(S) & LBS_DISABLENOSCROLL) Si.fMask |= SIF_DISABLENOSCROLL;
  Si.nMin = 0;
  Si.nMax = std::max<Integer>(Count(S) - 1, 0);
  Si.nPage = UINT(ItemsPerPage(S, S.TopIndex));
  Si.nPos = S.TopIndex;
  SetScrollInfo(S.Wnd, SB_VERT, &Si, TRUE);
}

void SetTop(TListState& S, Integer Top) {
  Top = std::clamp<Integer>(Top, 0, MaxTop(S));
  if (Top == S.TopIndex) return;
  S.TopIndex = Top;
  InvalidateRect(S.Wnd, nullptr, TRUE);
  UpdateScrollBar(S);
}

void ScrollIntoView(TListState& S, Integer I) {
  if (!Valid(S, I)) return;
  if (I < S.TopIndex)
    SetTop(S, I);
  else if (I >= S.TopIndex + ItemsPerPage(S, S.TopIndex)) {
    Integer Top = I, H = HeightOf(S, I);
    while (Top > 0 && H + HeightOf(S, Top - 1) <= ClientHeight(S)) H += HeightOf(S, --Top);
    SetTop(S, Top);
  }
}

void InvalidateItem(const TListState& S, Integer I) {
  if (!Valid(S, I)) return;
  TRect R = ItemRect(S, I);
  InvalidateRect(S.Wnd, &R, TRUE);
}

// Selects item I (-1: nothing) and makes it the caret item, in view.
void SetCurSel(TListState& S, Integer I) {
  if (!Valid(S, I)) I = -1;
  if (StyleOf(S) & LBS_NOSEL) I = -1;
  InvalidateItem(S, S.CurSel);
  InvalidateItem(S, S.Caret);
  S.CurSel = I;
  if (I >= 0) S.Caret = I;
  InvalidateItem(S, I);
  ScrollIntoView(S, I);
}

// A user's selection: moves it and tells the parent when it changed.
void UserSelect(TListState& S, Integer I, bool NotifyNow) {
  I = std::clamp<Integer>(I, 0, Count(S) - 1);
  if (Count(S) == 0) return;
  bool Changed = I != S.CurSel;
  SetCurSel(S, I);
  if (Changed && NotifyNow) Notify(S, LBN_SELCHANGE);
}

// [SECTION] Items

void ItemsChanged(TListState& S) {
  S.TopIndex = std::clamp<Integer>(S.TopIndex, 0, MaxTop(S));
  if (S.Caret >= Count(S)) S.Caret = std::max<Integer>(Count(S) - 1, 0);
  UpdateScrollBar(S);
  InvalidateRect(S.Wnd, nullptr, TRUE);
}

LRESULT InsertItem(TListState& S, Integer At, LPARAM L, bool Sorted) {
  if (IsVirtual(S)) return LB_ERR;
  TListItem It;
  if (HasStrings(S))
    It.Text = L ? reinterpret_cast<const char*>(L) : "";
  else
    It.Data = ULONG_PTR(L);
  if (Sorted && HasStrings(S)) {
    At = 0;
    while (At < Count(S) && AnsiCompareText(S.Items[std::size_t(At)].Text, It.Text) <= 0) ++At;
  } else if (At < 0 || At > Count(S)) {
    if (At != -1) return LB_ERR;
    At = Count(S);
  }
  if (IsVariable(S)) It.Height = Measure(S, At, It.Data);
  S.Items.insert(S.Items.begin() + At, std::move(It));
  if (S.CurSel >= At) ++S.CurSel;
  ItemsChanged(S);
  return At;
}

LRESULT DeleteItem(TListState& S, Integer I) {
  if (IsVirtual(S) || !Valid(S, I)) return LB_ERR;
  S.Items.erase(S.Items.begin() + I);
  if (S.CurSel == I)
    S.CurSel = -1;
  else if (S.CurSel > I)
    --S.CurSel;
  ItemsChanged(S);
  return Count(S);
}

void ResetContent(TListState& S) {
  S.Items.clear();
  S.VirtualCount = 0;
  S.CurSel = -1;
  S.Caret = 0;
  S.TopIndex = 0;
  ItemsChanged(S);
}

// LB_FINDSTRING(EXACT): from the item after Start round to Start, without
// regard to case; a prefix unless Exact. A start outside the list searches
// the whole list from the top.
LRESULT Find(const TListState& S, Integer Start, LPARAM L, bool Exact) {
  Integer N = Count(S);
  if (N == 0 || IsVirtual(S)) return LB_ERR;
  if (!Valid(S, Start)) Start = -1;
  String Key = HasStrings(S) && L ? reinterpret_cast<const char*>(L) : "";
  for (Integer K = 1; K <= N; ++K) {
    Integer I = (Start + K) % N;
    const TListItem& It = S.Items[std::size_t(I)];
    bool Hit = !HasStrings(S) ? It.Data == ULONG_PTR(L)
               : Exact        ? AnsiSameText(It.Text, Key)
                              : AnsiStartsText(Key, It.Text);
    if (Hit) return I;
  }
  return LB_ERR;
}

LRESULT GetText(const TListState& S, Integer I, LPARAM L) {
  if (!Valid(S, I) || IsVirtual(S)) return LB_ERR;
  const TListItem& It = S.Items[std::size_t(I)];
  if (!HasStrings(S)) {
    if (L) *reinterpret_cast<ULONG_PTR*>(L) = It.Data;
    return sizeof(ULONG_PTR);
  }
  if (L) {
    std::copy(It.Text.begin(), It.Text.end(), reinterpret_cast<char*>(L));
    reinterpret_cast<char*>(L)[It.Text.size()] = 0;
  }
  return LRESULT(It.Text.size());
}

// [SECTION] Keys and mouse

void KeyDown(TListState& S, Word Key) {
  if (Count(S) == 0) return;
  Integer From = S.CurSel >= 0 ? S.CurSel : S.Caret;
  Integer Page = ItemsPerPage(S, S.TopIndex);
  Integer To = -1;
  switch (Key) {
    case VK_UP:
      To = S.CurSel < 0 ? From : From - 1;
      break;
    case VK_DOWN:
      To = S.CurSel < 0 ? From : From + 1;
      break;
    case VK_PRIOR:
      To = From - (Page - 1 > 0 ? Page - 1 : 1);
      break;
    case VK_NEXT:
      To = From + (Page - 1 > 0 ? Page - 1 : 1);
      break;
    case VK_HOME:
      To = 0;
      break;
    case VK_END:
      To = Count(S) - 1;
      break;
    default:
      return;
  }
  UserSelect(S, To, true);
}

// A typed character jumps to the next item that starts with it.
void CharTyped(TListState& S, Char C) {
  if (C < 32 || !HasStrings(S)) return;
  String Key = Utf8Encode(C);
  LRESULT I = Find(S, S.CurSel >= 0 ? S.CurSel : -1, reinterpret_cast<LPARAM>(Key.c_str()), false);
  if (I != LB_ERR) UserSelect(S, Integer(I), true);
}

void ButtonDown(TListState& S, LPARAM L, bool Double) {
  if (GetFocus() != S.Wnd) SetFocus(S.Wnd);
  bool Outside = false;
  Integer I = ItemAt(S, {GET_X_LPARAM(L), GET_Y_LPARAM(L)}, Outside);
  if (Double) {
    if (!Outside) Notify(S, LBN_DBLCLK);
    return;
  }
  S.SelAtPress = S.CurSel;
  if (!Outside) SetCurSel(S, I);
  S.Tracking = true;
  SetCapture(S.Wnd);
}

void MouseMove(TListState& S, LPARAM L) {
  if (!S.Tracking || Count(S) == 0) return;
  bool Outside = false;
  Integer I = ItemAt(S, {GET_X_LPARAM(L), GET_Y_LPARAM(L)}, Outside);
  if (I != S.CurSel) SetCurSel(S, I);
}

void ButtonUp(TListState& S) {
  if (!S.Tracking) return;
  S.Tracking = false;
  if (GetCapture() == S.Wnd) ReleaseCapture();
  if (S.CurSel != S.SelAtPress) Notify(S, LBN_SELCHANGE);
}

void VScroll(TListState& S, WORD Code, Integer Pos) {
  Integer Page = ItemsPerPage(S, S.TopIndex);
  switch (Code) {
    case SB_LINEUP:
      SetTop(S, S.TopIndex - 1);
      break;
    case SB_LINEDOWN:
      SetTop(S, S.TopIndex + 1);
      break;
    case SB_PAGEUP:
      SetTop(S, S.TopIndex - Page);
      break;
    case SB_PAGEDOWN:
      SetTop(S, S.TopIndex + Page);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      SetTop(S, Pos);
      break;
    case SB_TOP:
      SetTop(S, 0);
      break;
    case SB_BOTTOM:
      SetTop(S, Count(S));
      break;
    default:
      break;
  }
}

// [SECTION] Painting

void DrawItem(const TListState& S, HDC Dc, Integer I, bool Focused) {
  TRect R = ItemRect(S, I);
  bool Selected = I == S.CurSel;
  bool HasFocusRect = Focused && I == S.Caret;
  if (IsOwnerDraw(S)) {
    DRAWITEMSTRUCT D;
    D.CtlType = ODT_LISTBOX;
    D.CtlID = UINT(GetWindowLongPtr(S.Wnd, GWLP_ID));
    D.itemID = UINT(I);
    D.itemAction = ODA_DRAWENTIRE;
    D.itemState = (Selected ? ODS_SELECTED : 0) | (HasFocusRect ? ODS_FOCUS : 0) |
                  (IsWindowEnabled(S.Wnd) ? 0 : ODS_DISABLED);
    D.hwndItem = S.Wnd;
    D.hDC = Dc;
    D.rcItem = R;
    D.itemData = IsVirtual(S) ? 0 : S.Items[std::size_t(I)].Data;
    if (HWND Parent = NotifyWindow(S))
      SendMessage(Parent, WM_DRAWITEM, D.CtlID, reinterpret_cast<LPARAM>(&D));
    return;
  }
  COLORREF Back = GetBkColor(Dc), Text = GetTextColor(Dc);
  if (Selected) {
    SetBkColor(Dc, GetSysColor(COLOR_HIGHLIGHT));
    SetTextColor(Dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  }
  if (!IsWindowEnabled(S.Wnd)) SetTextColor(Dc, GetSysColor(COLOR_GRAYTEXT));
  const String& T = S.Items[std::size_t(I)].Text;
  ExtTextOut(Dc, R.Left + 2, R.Top, ETO_OPAQUE | ETO_CLIPPED, &R, T);
  SetBkColor(Dc, Back);
  SetTextColor(Dc, Text);
  if (HasFocusRect) DrawFocusRect(Dc, &R);
}

void Paint(TListState& S, WPARAM W) {
  stdctl::TPaintDC PaintDc(S.Wnd, W);
  HDC Dc = PaintDc.Dc();
  HGDIOBJ OldFont = SelectObject(Dc, S.Font ? HGDIOBJ(S.Font) : GetStockObject(SYSTEM_FONT));
  HWND Parent = NotifyWindow(S);
  WPARAM DcArg = reinterpret_cast<WPARAM>(Dc);
  auto P = reinterpret_cast<LPARAM>(S.Wnd);
  auto Brush =
      reinterpret_cast<HBRUSH>(Parent ? SendMessage(Parent, WM_CTLCOLORLISTBOX, DcArg, P)
                                      : DefWindowProc(S.Wnd, WM_CTLCOLORLISTBOX, DcArg, P));
  if (!Brush) Brush = GetSysColorBrush(COLOR_WINDOW);
  TRect C;
  GetClientRect(S.Wnd, &C);
  FillRect(Dc, &C, Brush);
  bool Focused = S.HasFocus;
  for (Integer I = S.TopIndex; I < Count(S); ++I) {
    TRect R = ItemRect(S, I);
    if (R.Top >= C.Bottom) break;
    DrawItem(S, Dc, I, Focused);
  }
  SelectObject(Dc, OldFont);
}

// [SECTION] Procedure

// Without LBS_NOINTEGRALHEIGHT a fixed-height list shows only whole items:
// its client height is cut to a multiple of the item height.
void IntegralHeight(const TListState& S, WINDOWPOS* Pos) {
  if ((StyleOf(S) & LBS_NOINTEGRALHEIGHT) || IsVariable(S) || S.ItemHeight <= 0) return;
  if (Pos->flags & SWP_NOSIZE) return;
  TRect W, C;
  GetWindowRect(S.Wnd, &W);
  GetClientRect(S.Wnd, &C);
  Integer Frame = W.Height() - C.Height();
  Integer Client = Pos->cy - Frame;
  if (Client <= S.ItemHeight) return;
  Pos->cy = Frame + Client / S.ItemHeight * S.ItemHeight;
}

LRESULT HandleListMessage(TListState& S, UINT Msg, WPARAM W, LPARAM L) {
  auto I = Integer(LONG(W));
  switch (Msg) {
    case LB_ADDSTRING:
      return InsertItem(S, -1, L, (StyleOf(S) & LBS_SORT) != 0);
    case LB_INSERTSTRING:
      return InsertItem(S, I, L, false);
    case LB_DELETESTRING:
      return DeleteItem(S, I);
    case LB_RESETCONTENT:
      ResetContent(S);
      return 0;
    case LB_GETCOUNT:
      return Count(S);
    case LB_SETCOUNT:
      if (!IsVirtual(S)) return LB_ERR;
      S.VirtualCount = std::max<Integer>(I, 0);
      if (S.CurSel >= S.VirtualCount) S.CurSel = -1;
      ItemsChanged(S);
      return 0;
    case LB_GETTEXT:
      return GetText(S, I, L);
    case LB_GETTEXTLEN:
      if (!Valid(S, I) || IsVirtual(S)) return LB_ERR;
      return HasStrings(S) ? LRESULT(S.Items[std::size_t(I)].Text.size()) : sizeof(ULONG_PTR);
    case LB_SETCURSEL:
      SetCurSel(S, I);
      return S.CurSel < 0 ? LB_ERR : S.CurSel;
    case LB_GETCURSEL:
      return S.CurSel < 0 ? LB_ERR : S.CurSel;
    case LB_GETSEL:
      return Valid(S, I) ? LRESULT(I == S.CurSel) : LB_ERR;
    case LB_SETCARETINDEX:
      if (!Valid(S, I)) return LB_ERR;
      InvalidateItem(S, S.Caret);
      S.Caret = I;
      InvalidateItem(S, I);
      ScrollIntoView(S, I);
      return LB_OKAY;
    case LB_GETCARETINDEX:
      return S.Caret;
    case LB_GETTOPINDEX:
      return S.TopIndex;
    case LB_SETTOPINDEX:
      if (!Valid(S, I) && !(I == 0 && Count(S) == 0)) return LB_ERR;
      SetTop(S, I);
      return LB_OKAY;
    case LB_GETITEMHEIGHT:
      return HeightOf(S, IsVariable(S) ? I : 0);
    case LB_SETITEMHEIGHT: {
      Integer H = LOWORD(L);
      if (H <= 0 || H > 255) return LB_ERR;
      if (IsVariable(S)) {
        if (!Valid(S, I)) return LB_ERR;
        S.Items[std::size_t(I)].Height = H;
      } else {
        S.ItemHeight = H;
      }
      ItemsChanged(S);
      return LB_OKAY;
    }
    case LB_GETITEMRECT:
      if (!Valid(S, I) && !(I == 0 && Count(S) == 0)) return LB_ERR;
      if (L) *reinterpret_cast<TRect*>(L) = ItemRect(S, I);
      return LB_OKAY;
    case LB_ITEMFROMPOINT: {
      bool Outside = false;
      Integer Item = ItemAt(S, {GET_X_LPARAM(L), GET_Y_LPARAM(L)}, Outside);
      return MAKELRESULT(Item, Outside ? 1 : 0);
    }
    case LB_FINDSTRING:
      return Find(S, I, L, false);
    case LB_FINDSTRINGEXACT:
      return Find(S, I, L, true);
    case LB_SELECTSTRING: {
      LRESULT Hit = Find(S, I, L, false);
      if (Hit != LB_ERR) SetCurSel(S, Integer(Hit));
      return Hit;
    }
    case LB_GETITEMDATA:
      if (!Valid(S, I) || IsVirtual(S)) return LB_ERR;
      return LRESULT(S.Items[std::size_t(I)].Data);
    case LB_SETITEMDATA:
      if (!Valid(S, I) || IsVirtual(S)) return LB_ERR;
      S.Items[std::size_t(I)].Data = ULONG_PTR(L);
      return LB_OKAY;
    default:
      return DefWindowProc(S.Wnd, Msg, W, L);
  }
}

}  // namespace

LRESULT ListBoxWndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  if (Msg == WM_NCDESTROY) {
    Lists().Forget(Wnd);
    return DefWindowProc(Wnd, Msg, W, L);
  }
  TListState& S = StateOf(Wnd);
  switch (Msg) {
    case WM_CREATE:
      S.Parent = GetParent(Wnd);
      S.HasScrollBar = (StyleOf(S) & WS_VSCROLL) != 0;
      S.ItemHeight = FontHeight(S);
      if (StyleOf(S) & LBS_OWNERDRAWFIXED) S.ItemHeight = Measure(S, 0, 0);
      UpdateScrollBar(S);
      return 0;
    case WM_SETFONT:
      S.Font = reinterpret_cast<HFONT>(W);
      if (!IsOwnerDraw(S)) S.ItemHeight = FontHeight(S);
      ItemsChanged(S);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(S.Font);
    case WM_WINDOWPOSCHANGING:
      IntegralHeight(S, reinterpret_cast<WINDOWPOS*>(L));
      return 0;
    case WM_SIZE:
      ItemsChanged(S);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      S.HasFocus = true;
      InvalidateItem(S, S.Caret);
      Notify(S, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      S.HasFocus = false;
      InvalidateItem(S, S.Caret);
      ButtonUp(S);
      Notify(S, LBN_KILLFOCUS);
      return 0;
    case WM_KEYDOWN:
      KeyDown(S, Word(W));
      return 0;
    case WM_CHAR:
      CharTyped(S, Char(W));
      return 0;
    case WM_LBUTTONDOWN:
      ButtonDown(S, L, false);
      return 0;
    case WM_LBUTTONDBLCLK:
      ButtonDown(S, L, true);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(S, L);
      return 0;
    case WM_LBUTTONUP:
      ButtonUp(S);
      return 0;
    case WM_CAPTURECHANGED:
      S.Tracking = false;
      return 0;
    case WM_VSCROLL:
      VScroll(S, LOWORD(W), std::int16_t(HIWORD(W)));
      return 0;
    case WM_MOUSEWHEEL:
      SetTop(S, S.TopIndex - std::int16_t(HIWORD(W)) / WHEEL_DELTA * 3);
      return 0;
    case WM_ENABLE:
      InvalidateRect(Wnd, nullptr, TRUE);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the background with the parent's brush
    case WM_PAINT:
      Paint(S, W);
      return 0;
    default:
      return HandleListMessage(S, Msg, W, L);
  }
}

void RegisterListBoxClass() {
  stdctl::RegisterStandardClass(ListBoxClassName, ListBoxWndProc, CS_DBLCLKS, IDC_ARROW);
}

}  // namespace kvp
