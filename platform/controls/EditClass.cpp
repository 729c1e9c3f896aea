// The "EDIT" window class.
//
// Index
//   [SECTION] State            TEditState, StateOf, the measuring DC
//   [SECTION] Layout           lines, positions, scrolling, the caret
//   [SECTION] Changing text    ReplaceSel, undo, the clipboard, notifications
//   [SECTION] Keys and mouse   KeyDown, CharTyped, the mouse state machine
//   [SECTION] Painting         Paint
//   [SECTION] Procedure        EditWndProc, RegisterEditClass
#include "platform/controls/EditClass.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/controls/StdCtlImpl.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace kvp {

using stdctl::FromChars;
using stdctl::ToChars;

namespace {

// [SECTION] State

inline constexpr Integer DefaultLimit = 32767;  // what a user may type before EM_LIMITTEXT
inline constexpr Integer MaxLimit = 0x7FFFFFFE;

struct TLine {
  Integer Start = 0;   // index of the first character
  Integer Length = 0;  // characters shown, the line break left out
};

// TEditState: everything one edit window keeps. Anchor and Caret are the two
// ends of the selection; Caret is where the caret shows and where Shift+keys
// and mouse drags move.
struct TEditState {
  HWND Wnd = nullptr;
  std::u32string Text;
  Integer Anchor = 0;
  Integer Caret = 0;
  Integer Limit = DefaultLimit;  // code points a user may type or paste
  bool Modified = false;         // EM_GETMODIFY: changed by the user since WM_SETTEXT
  Char PasswordChar = 0;
  HFONT Font = nullptr;  // WM_SETFONT; null draws with the system font
  Integer LeftMargin = 0;
  Integer RightMargin = 0;
  bool HasRect = false;  // EM_SETRECT gave a formatting rectangle
  TRect Rect;            // that rectangle, client coordinates
  Integer ScrollX = 0;   // pixels of the text scrolled out at the left
  Integer TopLine = 0;   // multi-line: first line shown
  bool CanUndo = false;
  bool UndoTyping = false;  // the undo record may take more typed characters
  std::u32string UndoText;  // the text (and selection) an undo brings back
  Integer UndoAnchor = 0;
  Integer UndoCaret = 0;
  bool Tracking = false;     // the left button is down and the mouse selects
  std::vector<TLine> Lines;  // laid out by Layout after every change
};

stdctl::TWindowStates<TEditState>& Edits() {
  static stdctl::TWindowStates<TEditState> States;
  return States;
}

TEditState& StateOf(HWND Wnd) { return Edits().Of(Wnd); }

DWORD StyleOf(const TEditState& E) { return DWORD(GetWindowLong(E.Wnd, GWL_STYLE)); }
bool IsMulti(const TEditState& E) { return (StyleOf(E) & ES_MULTILINE) != 0; }
bool WordWraps(const TEditState& E) {
  return IsMulti(E) && !(StyleOf(E) & (ES_AUTOHSCROLL | WS_HSCROLL));
}
Integer Len(const TEditState& E) { return Integer(E.Text.size()); }
Integer SelStart(const TEditState& E) { return std::min(E.Anchor, E.Caret); }
Integer SelEnd(const TEditState& E) { return std::max(E.Anchor, E.Caret); }

// A client DC with the edit's font selected, given back when it goes.
class TMeasureDC : public stdctl::TFontDC {
 public:
  explicit TMeasureDC(const TEditState& E) : TFontDC(E.Wnd, E.Font, SYSTEM_FONT) {}
};

// [SECTION] Layout

Integer LineHeight(HDC Dc) {
  TEXTMETRIC Tm;
  GetTextMetrics(Dc, &Tm);
  return std::max<Integer>(Tm.tmHeight, 1);
}

TRect FormatRect(const TEditState& E) {
  if (E.HasRect) return E.Rect;
  TRect R;
  GetClientRect(E.Wnd, &R);
  R.Left += E.LeftMargin;
  R.Right = std::max(R.Left, R.Right - E.RightMargin);
  return R;
}

// What a run of the text shows: the password character in its place.
std::u32string Shown(const TEditState& E, Integer Start, Integer Count) {
  if (E.PasswordChar) return std::u32string(std::size_t(Count), E.PasswordChar);
  return E.Text.substr(std::size_t(Start), std::size_t(Count));
}

// X[i]: the width of the first i characters of S.
std::vector<Integer> Advances(HDC Dc, const std::u32string& S) {
  std::vector<Integer> X(S.size() + 1, 0);
  if (S.empty()) return X;
  std::vector<Integer> Dx(S.size(), 0);
  Integer Fit = 0;
  TSize Sz;
  GetTextExtentExPoint(Dc, FromChars(S), Integer(S.size()), 0x3FFFFFFF, &Fit, Dx.data(), &Sz);
  for (std::size_t I = 0; I < S.size(); ++I) X[I + 1] = Dx[I];
  return X;
}

Integer TextWidth(HDC Dc, const std::u32string& S) { return Advances(Dc, S).back(); }

// Splits the text into lines at line feeds (a CR before one is part of the
// break) and, when the edit wraps, at the last space that fits the width.
void Layout(TEditState& E) {
  E.Lines.clear();
  if (!IsMulti(E)) {
    E.Lines.push_back({0, Len(E)});
    return;
  }
  TMeasureDC M(E);
  Integer Width = FormatRect(E).Width();
  Integer Start = 0;
  while (true) {
    std::size_t Lf = E.Text.find(U'\n', std::size_t(Start));
    Integer End = Lf == std::u32string::npos ? Len(E) : Integer(Lf);
    Integer Shown = End;
    if (Shown > Start && E.Text[std::size_t(Shown - 1)] == U'\r') --Shown;
    // [Phase 1] Wrap the paragraph [Start, Shown) into lines of the width.
    while (WordWraps(E) && Shown > Start) {
      std::vector<Integer> X =
          Advances(M.Dc(), E.Text.substr(std::size_t(Start), std::size_t(Shown - Start)));
      Integer Fit = 0;
      while (Fit + 1 < Integer(X.size()) && X[std::size_t(Fit + 1)] <= Width) ++Fit;
      if (Fit >= Shown - Start) break;
      Integer Break = Fit;
      while (Break > 0 && E.Text[std::size_t(Start + Break)] != U' ') --Break;
      if (Break == 0)
        Break = std::max<Integer>(Fit, 1);
      else
        while (Start + Break < Shown && E.Text[std::size_t(Start + Break)] == U' ') ++Break;
      E.Lines.push_back({Start, Break});
      Start += Break;
    }
    // [Phase 2] The rest of the paragraph, then on past its break.
    E.Lines.push_back({Start, Shown - Start});
    if (Lf == std::u32string::npos) break;
    Start = End + 1;
  }
}

Integer LineOf(const TEditState& E, Integer Pos) {
  Integer L = 0;
  for (Integer I = 1; I < Integer(E.Lines.size()); ++I)
    if (E.Lines[std::size_t(I)].Start <= Pos) L = I;
  return L;
}

// The x offset of a line's text inside the formatting rectangle (alignment).
Integer AlignOffset(const TEditState& E, Integer LineWidth, Integer Width) {
  if (LineWidth >= Width) return 0;
  DWORD S = StyleOf(E);
  if (S & ES_CENTER) return (Width - LineWidth) / 2;
  if (S & ES_RIGHT) return Width - LineWidth;
  return 0;
}

// Client point of the top-left corner of the cell before character Pos.
TPoint PointOfChar(const TEditState& E, Integer Pos) {
  TMeasureDC M(E);
  TRect R = FormatRect(E);
  Integer L = LineOf(E, Pos);
  const TLine& Ln = E.Lines[std::size_t(L)];
  std::vector<Integer> X = Advances(M.Dc(), Shown(E, Ln.Start, Ln.Length));
  Integer Col = std::clamp(Pos - Ln.Start, 0, Ln.Length);
  Integer Off = AlignOffset(E, X.back(), R.Width());
  return {R.Left + Off + X[std::size_t(Col)] - E.ScrollX,
          R.Top + (L - E.TopLine) * LineHeight(M.Dc())};
}

// The character boundary nearest to a client point, and its line.
Integer CharFromPoint(const TEditState& E, TPoint P, Integer* LineOut = nullptr) {
  TMeasureDC M(E);
  TRect R = FormatRect(E);
  Integer H = LineHeight(M.Dc());
  Integer Dy = P.Y - R.Top;
  Integer L = E.TopLine + (Dy < 0 ? -1 : Dy / H);
  L = std::clamp<Integer>(L, 0, Integer(E.Lines.size()) - 1);
  const TLine& Ln = E.Lines[std::size_t(L)];
  std::vector<Integer> X = Advances(M.Dc(), Shown(E, Ln.Start, Ln.Length));
  Integer Px = P.X - R.Left - AlignOffset(E, X.back(), R.Width()) + E.ScrollX;
  Integer Col = 0;
  while (Col < Ln.Length && Px > (X[std::size_t(Col)] + X[std::size_t(Col + 1)]) / 2) ++Col;
  if (LineOut) *LineOut = L;
  return Ln.Start + Col;
}

Integer VisibleLines(const TEditState& E) {
  TMeasureDC M(E);
  return std::max<Integer>(FormatRect(E).Height() / LineHeight(M.Dc()), 1);
}

// Scrolls so that the caret shows: sideways unless the edit wraps, and
// down or up to its line in a multi-line edit.
void ScrollCaret(TEditState& E) {
  TRect R = FormatRect(E);
  if (!WordWraps(E)) {
    TMeasureDC M(E);
    const TLine& Ln = E.Lines[std::size_t(LineOf(E, E.Caret))];
    std::vector<Integer> X = Advances(M.Dc(), Shown(E, Ln.Start, Ln.Length));
    Integer Cx = X[std::size_t(std::clamp(E.Caret - Ln.Start, 0, Ln.Length))];
    if (X.back() <= R.Width())
      E.ScrollX = 0;
    else if (Cx < E.ScrollX)
      E.ScrollX = Cx;
    else if (Cx >= E.ScrollX + R.Width())
      E.ScrollX = Cx - R.Width() + 1;
  }
  if (IsMulti(E)) {
    Integer L = LineOf(E, E.Caret);
    Integer N = VisibleLines(E);
    if (L < E.TopLine)
      E.TopLine = L;
    else if (L >= E.TopLine + N)
      E.TopLine = L - N + 1;
  }
}

void UpdateCaret(TEditState& E) {
  if (GetFocus() != E.Wnd || GetCaretOwner() != E.Wnd) return;
  TPoint P = PointOfChar(E, E.Caret);
  SetCaretPos(P.X, P.Y);
}

// After any change of text, selection or scrolling: scroll the caret into
// view, repaint, move the caret.
void Refresh(TEditState& E) {
  ScrollCaret(E);
  InvalidateRect(E.Wnd, nullptr, TRUE);
  UpdateCaret(E);
}

void SetSel(TEditState& E, Integer Anchor, Integer Caret) {
  E.Anchor = std::clamp(Anchor, 0, Len(E));
  E.Caret = std::clamp(Caret, 0, Len(E));
  Refresh(E);
}

// [SECTION] Changing text

void Notify(const TEditState& E, WORD Code) { stdctl::NotifyParent(E.Wnd, Code); }

void Refused(const TEditState& E) {
  Notify(E, EN_MAXTEXT);
  MessageBeep(0);
}

void ApplyCase(const TEditState& E, std::u32string& S) {
  DWORD St = StyleOf(E);
  for (Char& C : S) {
    if (St & ES_UPPERCASE)
      C = CharUpper(C);
    else if (St & ES_LOWERCASE)
      C = CharLower(C);
  }
}

void TextChanged(TEditState& E) {
  Layout(E);
  Refresh(E);
  Notify(E, EN_UPDATE);
  Notify(E, EN_CHANGE);
}

void SaveUndo(TEditState& E, bool Typing) {
  if (Typing && E.UndoTyping && E.CanUndo) return;  // one undo takes back a run of typing
  E.UndoText = E.Text;
  E.UndoAnchor = E.Anchor;
  E.UndoCaret = E.Caret;
  E.CanUndo = true;
  E.UndoTyping = Typing;
}

// Replaces the selection with S. A user's change is cut to the text limit
// (EN_MAXTEXT and a beep when something is left out), marks the text modified
// and may be undone. Answers whether anything changed.
bool ReplaceSel(TEditState& E, std::u32string S, bool User, bool Undoable, bool Typing = false) {
  ApplyCase(E, S);
  Integer Start = SelStart(E), End = SelEnd(E);
  if (User) {
    Integer Room = E.Limit - (Len(E) - (End - Start));
    if (Integer(S.size()) > std::max(Room, 0)) {
      S.resize(std::size_t(std::max(Room, 0)));
      Refused(E);
      if (S.empty()) return false;
    }
  }
  if (S.empty() && Start == End) return false;
  std::u32string New = E.Text;
  New.replace(std::size_t(Start), std::size_t(End - Start), S);
  // A single-line edit that does not scroll takes only what fits its width.
  if (User && !IsMulti(E) && !(StyleOf(E) & ES_AUTOHSCROLL)) {
    TMeasureDC M(E);
    std::u32string Disp = E.PasswordChar ? std::u32string(New.size(), E.PasswordChar) : New;
    if (TextWidth(M.Dc(), Disp) > FormatRect(E).Width()) {
      Refused(E);
      return false;
    }
  }
  if (Undoable)
    SaveUndo(E, Typing);
  else if (!User)
    E.CanUndo = false;
  E.Text = std::move(New);
  E.Anchor = E.Caret = Start + Integer(S.size());
  if (User) E.Modified = true;
  TextChanged(E);
  return true;
}

void Undo(TEditState& E) {
  if (!E.CanUndo) return;
  std::swap(E.Text, E.UndoText);
  std::swap(E.Anchor, E.UndoAnchor);
  std::swap(E.Caret, E.UndoCaret);
  E.UndoTyping = false;
  E.Modified = true;
  TextChanged(E);
}

bool CanEdit(const TEditState& E) { return !(StyleOf(E) & ES_READONLY); }

void Copy(const TEditState& E) {
  if (E.PasswordChar || SelStart(E) == SelEnd(E)) return;
  Clipboard()->SetAsText(
      FromChars(E.Text.substr(std::size_t(SelStart(E)), std::size_t(SelEnd(E) - SelStart(E)))));
}

void Clear(TEditState& E) {
  if (CanEdit(E)) ReplaceSel(E, U"", true, true);
}

void Cut(TEditState& E) {
  if (!CanEdit(E) || E.PasswordChar) return;
  Copy(E);
  Clear(E);
}

void Paste(TEditState& E) {
  if (!CanEdit(E) || !IsClipboardFormatAvailable(CF_TEXT)) return;
  std::u32string S = ToChars(Clipboard()->GetAsText());
  // A single line takes the clipboard text up to its first line break.
  if (!IsMulti(E)) S = S.substr(0, std::min(S.find(U'\r'), S.find(U'\n')));
  ReplaceSel(E, S, true, true);
}

void SetText(TEditState& E, const char* Text) {
  E.Text = ToChars(Text ? Text : "");
  ApplyCase(E, E.Text);
  E.Anchor = E.Caret = 0;
  E.ScrollX = 0;
  E.TopLine = 0;
  E.Modified = false;
  E.CanUndo = false;
  TextChanged(E);
}

// [SECTION] Keys and mouse

bool KeyIsDown(Integer Vk) { return GetKeyState(Vk) < 0; }
bool IsBlank(Char C) { return C == U' ' || C == U'\t' || C == U'\r' || C == U'\n'; }

// One step left or right; a CR LF pair is one step.
Integer StepLeft(const TEditState& E, Integer P) {
  if (P <= 0) return 0;
  if (P >= 2 && E.Text[std::size_t(P - 1)] == U'\n' && E.Text[std::size_t(P - 2)] == U'\r')
    return P - 2;
  return P - 1;
}
Integer StepRight(const TEditState& E, Integer P) {
  if (P >= Len(E)) return Len(E);
  if (E.Text[std::size_t(P)] == U'\r' && P + 1 < Len(E) && E.Text[std::size_t(P + 1)] == U'\n')
    return P + 2;
  return P + 1;
}

// Ctrl+Right: past the rest of this word and the blanks after it.
Integer WordRight(const TEditState& E, Integer P) {
  while (P < Len(E) && !IsBlank(E.Text[std::size_t(P)])) ++P;
  while (P < Len(E) && IsBlank(E.Text[std::size_t(P)])) ++P;
  return P;
}
// Ctrl+Left: back over blanks, then to the start of the word.
Integer WordLeft(const TEditState& E, Integer P) {
  while (P > 0 && IsBlank(E.Text[std::size_t(P - 1)])) --P;
  while (P > 0 && !IsBlank(E.Text[std::size_t(P - 1)])) --P;
  return P;
}

// The position straight above or below the caret, Lines lines away.
Integer LineMove(const TEditState& E, Integer Lines) {
  Integer L = LineOf(E, E.Caret);
  Integer Target = std::clamp<Integer>(L + Lines, 0, Integer(E.Lines.size()) - 1);
  if (Target == L) return Lines < 0 ? E.Lines[std::size_t(L)].Start : E.Caret;
  TPoint P = PointOfChar(E, E.Caret);
  TMeasureDC M(E);
  P.Y += (Target - L) * LineHeight(M.Dc());
  return CharFromPoint(E, P);
}

// Where a movement key takes the caret; -1 for keys that do not move it.
Integer MoveTarget(const TEditState& E, Word Key, bool Ctrl) {
  const TLine& Ln = E.Lines[std::size_t(LineOf(E, E.Caret))];
  bool Multi = IsMulti(E);
  switch (Key) {
    case VK_LEFT:
      return Ctrl ? WordLeft(E, E.Caret) : StepLeft(E, E.Caret);
    case VK_RIGHT:
      return Ctrl ? WordRight(E, E.Caret) : StepRight(E, E.Caret);
    case VK_UP:
      return Multi ? LineMove(E, -1) : StepLeft(E, E.Caret);
    case VK_DOWN:
      return Multi ? LineMove(E, 1) : StepRight(E, E.Caret);
    case VK_PRIOR:
      return Multi ? LineMove(E, -VisibleLines(E)) : -1;
    case VK_NEXT:
      return Multi ? LineMove(E, VisibleLines(E)) : -1;
    case VK_HOME:
      return Ctrl || !Multi ? 0 : Ln.Start;
    case VK_END:
      return Ctrl || !Multi ? Len(E) : Ln.Start + Ln.Length;
    default:
      return -1;
  }
}

void KeyDown(TEditState& E, Word Key) {
  bool Shift = KeyIsDown(VK_SHIFT), Ctrl = KeyIsDown(VK_CONTROL);
  Integer To = MoveTarget(E, Key, Ctrl);
  if (To >= 0) {
    // Without Shift a selection collapses towards the key's side first.
    if (!Shift && SelStart(E) != SelEnd(E) && (Key == VK_LEFT || Key == VK_RIGHT) && !Ctrl)
      To = Key == VK_LEFT ? SelStart(E) : SelEnd(E);
    SetSel(E, Shift ? E.Anchor : To, To);
    return;
  }
  if (Key == VK_DELETE) {
    if (Shift)
      SendMessage(E.Wnd, WM_CUT, 0, 0);
    else if (CanEdit(E)) {
      if (SelStart(E) == SelEnd(E)) E.Anchor = StepRight(E, E.Caret);
      if (!ReplaceSel(E, U"", true, true)) SetSel(E, E.Caret, E.Caret);
    }
  } else if (Key == VK_INSERT) {
    if (Ctrl)
      SendMessage(E.Wnd, WM_COPY, 0, 0);
    else if (Shift)
      SendMessage(E.Wnd, WM_PASTE, 0, 0);
  }
}

void CharTyped(TEditState& E, Char C) {
  switch (C) {
    case 1:
      SetSel(E, 0, Len(E));
      return;  // Ctrl+A
    case 3:
      SendMessage(E.Wnd, WM_COPY, 0, 0);
      return;  // Ctrl+C
    case 22:
      SendMessage(E.Wnd, WM_PASTE, 0, 0);
      return;  // Ctrl+V
    case 24:
      SendMessage(E.Wnd, WM_CUT, 0, 0);
      return;  // Ctrl+X
    case 26:
      SendMessage(E.Wnd, WM_UNDO, 0, 0);
      return;  // Ctrl+Z
    default:
      break;
  }
  if (!CanEdit(E)) return;
  if (C == 8) {
    if (SelStart(E) == SelEnd(E)) E.Anchor = StepLeft(E, E.Caret);
    ReplaceSel(E, U"", true, true);
    return;
  }
  if (C == 13 || C == 10) {
    if (IsMulti(E))
      ReplaceSel(E, U"\r\n", true, true);
    else
      MessageBeep(0);
    return;
  }
  if (C == 9 && IsMulti(E)) {
    ReplaceSel(E, U"\t", true, true, true);
    return;
  }
  if (C < 32 || C == 127) return;
  if ((StyleOf(E) & ES_NUMBER) && !(C >= U'0' && C <= U'9')) {
    MessageBeep(0);
    return;
  }
  ReplaceSel(E, std::u32string(1, C), true, true, true);
}

TPoint PointOf(LPARAM L) { return {GET_X_LPARAM(L), GET_Y_LPARAM(L)}; }

void ButtonDown(TEditState& E, LPARAM L, bool Double) {
  if (GetFocus() != E.Wnd) SetFocus(E.Wnd);
  Integer P = CharFromPoint(E, PointOf(L));
  if (Double) {
    // A double click selects the word (or the run of blanks) under the mouse.
    Integer A = P, B = P;
    bool Blank = P < Len(E) && IsBlank(E.Text[std::size_t(P)]);
    while (A > 0 && IsBlank(E.Text[std::size_t(A - 1)]) == Blank &&
           E.Text[std::size_t(A - 1)] != U'\n')
      --A;
    while (B < Len(E) && IsBlank(E.Text[std::size_t(B)]) == Blank &&
           E.Text[std::size_t(B)] != U'\r')
      ++B;
    SetSel(E, A, B);
  } else {
    SetSel(E, KeyIsDown(VK_SHIFT) ? E.Anchor : P, P);
  }
  E.Tracking = true;
  SetCapture(E.Wnd);
}

void MouseMove(TEditState& E, LPARAM L) {
  if (!E.Tracking) return;
  Integer P = CharFromPoint(E, PointOf(L));
  if (P != E.Caret) SetSel(E, E.Anchor, P);
}

void ButtonUp(TEditState& E) {
  if (!E.Tracking) return;
  E.Tracking = false;
  if (GetCapture() == E.Wnd) ReleaseCapture();
}

// [SECTION] Painting

void DrawRun(HDC Dc, Integer X, Integer Y, Integer W, Integer H, const std::u32string& S,
             bool Selected, COLORREF Text) {
  if (Selected) {
    TRect R{X, Y, X + W, Y + H};
    FillRect(Dc, &R, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(Dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  } else {
    SetTextColor(Dc, Text);
  }
  if (!S.empty()) TextOut(Dc, X, Y, FromChars(S));
}

void Paint(TEditState& E, WPARAM W) {
  stdctl::TPaintDC PaintDc(E.Wnd, W);
  HDC Dc = PaintDc.Dc();
  // [Phase 1] Colours and background from the parent, as for every edit.
  bool Enabled = IsWindowEnabled(E.Wnd);
  UINT Msg = (!Enabled || !CanEdit(E)) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  HWND Parent = GetParent(E.Wnd);
  auto Brush =
      reinterpret_cast<HBRUSH>(Parent ? SendMessage(Parent, Msg, reinterpret_cast<WPARAM>(Dc),
                                                    reinterpret_cast<LPARAM>(E.Wnd))
                                      : DefWindowProc(E.Wnd, Msg, reinterpret_cast<WPARAM>(Dc),
                                                      reinterpret_cast<LPARAM>(E.Wnd)));
  if (!Brush) Brush = GetSysColorBrush(COLOR_WINDOW);
  COLORREF TextColor = Enabled ? GetTextColor(Dc) : GetSysColor(COLOR_GRAYTEXT);
  TRect Client;
  GetClientRect(E.Wnd, &Client);
  FillRect(Dc, &Client, Brush);
  // [Phase 2] The visible lines, the selection highlighted while it shows.
  HGDIOBJ OldFont = SelectObject(Dc, E.Font ? HGDIOBJ(E.Font) : GetStockObject(SYSTEM_FONT));
  SetBkMode(Dc, TRANSPARENT);
  TRect R = FormatRect(E);
  Integer Saved = SaveDC(Dc);
  IntersectClipRect(Dc, R.Left, R.Top, R.Right, R.Bottom);
  Integer H = LineHeight(Dc);
  bool ShowSel = GetFocus() == E.Wnd || (StyleOf(E) & ES_NOHIDESEL);
  Integer S0 = ShowSel ? SelStart(E) : 0, S1 = ShowSel ? SelEnd(E) : 0;
  for (Integer L = E.TopLine; L < Integer(E.Lines.size()); ++L) {
    Integer Y = R.Top + (L - E.TopLine) * H;
    if (Y >= R.Bottom) break;
    const TLine& Ln = E.Lines[std::size_t(L)];
    std::u32string S = Shown(E, Ln.Start, Ln.Length);
    std::vector<Integer> X = Advances(Dc, S);
    Integer X0 = R.Left + AlignOffset(E, X.back(), R.Width()) - E.ScrollX;
    Integer A = std::clamp(S0 - Ln.Start, 0, Ln.Length),
            B = std::clamp(S1 - Ln.Start, 0, Ln.Length);
    auto Run = [&](Integer From, Integer To, bool Sel) {
      if (To <= From) return;
      DrawRun(Dc, X0 + X[std::size_t(From)], Y, X[std::size_t(To)] - X[std::size_t(From)], H,
              S.substr(std::size_t(From), std::size_t(To - From)), Sel, TextColor);
    };
    Run(0, A, false);
    Run(A, B, true);
    Run(B, Ln.Length, false);
  }
  RestoreDC(Dc, Saved);
  SelectObject(Dc, OldFont);
}

// [SECTION] Procedure

// The margins a font asks for (EC_USEFONTINFO, and every WM_SETFONT): a
// quarter of its average character width, at least a pixel.
Integer FontMargin(const TEditState& E) {
  TMeasureDC M(E);
  TEXTMETRIC Tm;
  GetTextMetrics(M.Dc(), &Tm);
  return std::max<Integer>(Tm.tmAveCharWidth / 4, 1);
}

void SetFocusCaret(TEditState& E) {
  TMeasureDC M(E);
  CreateCaret(E.Wnd, nullptr, 1, LineHeight(M.Dc()));
  UpdateCaret(E);
  ShowCaret(E.Wnd);
  InvalidateRect(E.Wnd, nullptr, TRUE);
  Notify(E, EN_SETFOCUS);
}

void KillFocusCaret(TEditState& E) {
  if (GetCaretOwner() == E.Wnd) DestroyCaret();
  ButtonUp(E);
  InvalidateRect(E.Wnd, nullptr, TRUE);
  Notify(E, EN_KILLFOCUS);
}

void SetStyleBit(HWND Wnd, DWORD Bit, bool On) {
  DWORD S = DWORD(GetWindowLong(Wnd, GWL_STYLE));
  DWORD N = On ? (S | Bit) : (S & ~Bit);
  if (N != S) SetWindowLong(Wnd, GWL_STYLE, LONG(N));
}

LRESULT GetText(const TEditState& E, WPARAM Max, LPARAM L) {
  auto* Buf = reinterpret_cast<char*>(L);
  if (!Buf || Max == 0) return 0;
  // Whole characters only, and room for the terminating zero.
  String Out;
  for (Char C : E.Text) {
    String One = Utf8Encode(C);
    if (Out.size() + One.size() + 1 > Max) break;
    Out += One;
  }
  std::copy(Out.begin(), Out.end(), Buf);
  Buf[Out.size()] = 0;
  return LRESULT(Out.size());
}

LRESULT LineIndex(const TEditState& E, Integer Line) {
  if (Line < 0) Line = LineOf(E, E.Caret);
  if (Line >= Integer(E.Lines.size())) return -1;
  return E.Lines[std::size_t(Line)].Start;
}

LRESULT HandleEditMessage(TEditState& E, UINT Msg, WPARAM W, LPARAM L) {
  switch (Msg) {
    case EM_GETSEL:
      if (W) *reinterpret_cast<DWORD*>(W) = DWORD(SelStart(E));
      if (L) *reinterpret_cast<DWORD*>(L) = DWORD(SelEnd(E));
      return MAKELRESULT(std::min(SelStart(E), 0xFFFF), std::min(SelEnd(E), 0xFFFF));
    case EM_SETSEL: {
      auto A = Integer(LONG(W)), B = Integer(LONG(L));
      if (A < 0) {  // -1 removes the selection and leaves the caret
        SetSel(E, E.Caret, E.Caret);
        return 0;
      }
      if (B < 0) B = Len(E);
      SetSel(E, A, B);
      return 0;
    }
    case EM_GETRECT:
      if (L) *reinterpret_cast<TRect*>(L) = FormatRect(E);
      return 0;
    case EM_SETRECT:
    case EM_SETRECTNP:
      E.HasRect = L != 0;
      if (L) E.Rect = *reinterpret_cast<const TRect*>(L);
      Layout(E);
      ScrollCaret(E);
      if (Msg == EM_SETRECT) InvalidateRect(E.Wnd, nullptr, TRUE);
      UpdateCaret(E);
      return 0;
    case EM_SETMARGINS:
      if (W == EC_USEFONTINFO) {
        E.LeftMargin = E.RightMargin = FontMargin(E);
      } else {
        if (W & EC_LEFTMARGIN) E.LeftMargin = LOWORD(L);
        if (W & EC_RIGHTMARGIN) E.RightMargin = HIWORD(L);
      }
      Layout(E);
      Refresh(E);
      return 0;
    case EM_GETMARGINS:
      return MAKELRESULT(E.LeftMargin, E.RightMargin);
    case EM_GETMODIFY:
      return E.Modified;
    case EM_SETMODIFY:
      E.Modified = W != 0;
      return 0;
    case EM_GETLINECOUNT:
      return LRESULT(E.Lines.size());
    case EM_LINEINDEX:
      return LineIndex(E, Integer(LONG(W)));
    case EM_LINELENGTH: {
      Integer P = Integer(LONG(W));
      if (P < 0)
        return SelStart(E) == SelEnd(E) ? E.Lines[std::size_t(LineOf(E, E.Caret))].Length : 0;
      return E.Lines[std::size_t(LineOf(E, std::min(P, Len(E))))].Length;
    }
    case EM_LINEFROMCHAR: {
      Integer P = Integer(LONG(W));
      return LineOf(E, P < 0 ? SelStart(E) : std::min(P, Len(E)));
    }
    case EM_REPLACESEL: {
      std::u32string S = ToChars(L ? reinterpret_cast<const char*>(L) : "");
      if (!IsMulti(E)) S = S.substr(0, std::min(S.find(U'\r'), S.find(U'\n')));
      ReplaceSel(E, S, false, W != 0);
      E.Modified = true;
      return 0;
    }
    case EM_LIMITTEXT: {
      Integer N = Integer(LONG(W));
      E.Limit = N <= 0 ? MaxLimit : N;
      return 0;
    }
    case EM_GETLIMITTEXT:
      return E.Limit;
    case EM_CANUNDO:
      return E.CanUndo;
    case EM_UNDO:
    case WM_UNDO:
      Undo(E);
      return TRUE;
    case EM_EMPTYUNDOBUFFER:
      E.CanUndo = false;
      return 0;
    case EM_SETREADONLY:
      SetStyleBit(E.Wnd, ES_READONLY, W != 0);
      InvalidateRect(E.Wnd, nullptr, TRUE);
      return TRUE;
    case EM_SETPASSWORDCHAR:
      E.PasswordChar = Char(W);
      SetStyleBit(E.Wnd, ES_PASSWORD, W != 0);
      Layout(E);
      Refresh(E);
      return 0;
    case EM_GETPASSWORDCHAR:
      return LRESULT(E.PasswordChar);
    case EM_POSFROMCHAR: {
      Integer P = Integer(LONG(W));
      if (P < 0 || P >= Len(E)) return -1;
      TPoint Pt = PointOfChar(E, P);
      return MAKELRESULT(Pt.X & 0xFFFF, Pt.Y & 0xFFFF);
    }
    case EM_CHARFROMPOS: {
      Integer Line = 0;
      Integer P = CharFromPoint(E, PointOf(L), &Line);
      return MAKELRESULT(P & 0xFFFF, Line & 0xFFFF);
    }
    case EM_GETFIRSTVISIBLELINE:
      if (IsMulti(E)) return E.TopLine;
      return CharFromPoint(E, {FormatRect(E).Left, FormatRect(E).Top});
    case EM_LINESCROLL: {
      if (!IsMulti(E)) return FALSE;
      TMeasureDC M(E);
      TEXTMETRIC Tm;
      GetTextMetrics(M.Dc(), &Tm);
      if (!WordWraps(E))
        E.ScrollX = std::max<Integer>(0, E.ScrollX + Integer(LONG(W)) * Tm.tmAveCharWidth);
      E.TopLine = std::clamp<Integer>(E.TopLine + Integer(LONG(L)), 0, Integer(E.Lines.size()) - 1);
      InvalidateRect(E.Wnd, nullptr, TRUE);
      UpdateCaret(E);
      return TRUE;
    }
    case EM_SCROLLCARET:
      Refresh(E);
      return TRUE;
    default:
      return DefWindowProc(E.Wnd, Msg, W, L);
  }
}

}  // namespace

LRESULT EditWndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  if (Msg == WM_NCDESTROY) {
    Edits().Forget(Wnd);
    return DefWindowProc(Wnd, Msg, W, L);
  }
  TEditState& E = StateOf(Wnd);
  switch (Msg) {
    case WM_NCCREATE: {
      auto* Cs = reinterpret_cast<const CREATESTRUCT*>(L);
      if (Cs && (Cs->style & ES_PASSWORD)) E.PasswordChar = U'*';
      E.Text = ToChars(Cs && Cs->lpszName ? Cs->lpszName : "");
      ApplyCase(E, E.Text);
      Layout(E);
      return DefWindowProc(Wnd, Msg, W, L);
    }
    case WM_SIZE:
      Layout(E);
      Refresh(E);
      return 0;
    case WM_SETTEXT:
      DefWindowProc(Wnd, Msg, W, L);
      SetText(E, reinterpret_cast<const char*>(L));
      return TRUE;
    case WM_GETTEXT:
      return GetText(E, W, L);
    case WM_GETTEXTLENGTH:
      return LRESULT(FromChars(E.Text).size());
    case WM_SETFONT:
      E.Font = reinterpret_cast<HFONT>(W);
      E.LeftMargin = E.RightMargin = FontMargin(E);
      Layout(E);
      ScrollCaret(E);
      if (GetFocus() == Wnd) SetFocusCaret(E);
      if (LOWORD(L)) InvalidateRect(Wnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(E.Font);
    case WM_STYLECHANGED:
      Layout(E);
      Refresh(E);
      return 0;
    case WM_ENABLE:
      InvalidateRect(Wnd, nullptr, TRUE);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS |
             (IsMulti(E) ? DLGC_WANTALLKEYS : 0);
    case WM_SETFOCUS:
      SetFocusCaret(E);
      return 0;
    case WM_KILLFOCUS:
      KillFocusCaret(E);
      return 0;
    case WM_KEYDOWN:
      KeyDown(E, Word(W));
      return 0;
    case WM_CHAR:
      CharTyped(E, Char(W));
      return 0;
    case WM_LBUTTONDOWN:
      ButtonDown(E, L, false);
      return 0;
    case WM_LBUTTONDBLCLK:
      ButtonDown(E, L, true);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(E, L);
      return 0;
    case WM_LBUTTONUP:
      ButtonUp(E);
      return 0;
    case WM_CAPTURECHANGED:
      E.Tracking = false;
      return 0;
    case WM_CUT:
      Cut(E);
      return 0;
    case WM_COPY:
      Copy(E);
      return 0;
    case WM_PASTE:
      Paste(E);
      return 0;
    case WM_CLEAR:
      Clear(E);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the background with the parent's brush
    case WM_PAINT:
      Paint(E, W);
      return 0;
    default:
      return HandleEditMessage(E, Msg, W, L);
  }
}

void RegisterEditClass() {
  stdctl::RegisterStandardClass(EditClassName, EditWndProc, CS_DBLCLKS, IDC_IBEAM);
}

}  // namespace kvp
