// The caret: one for the program, owned by a window, shown when its hide
// count is zero.
#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

namespace {

constexpr UINT CaretBlinkTime = 530;

bool Owns(HWND Wnd) {
  const TCaret& C = State().Caret;
  return C.Owner && (!Wnd || Wnd == C.Owner);
}

}  // namespace

BOOL CreateCaret(HWND Wnd, HBITMAP, Integer Width, Integer Height) {
  if (!IsWindow(Wnd)) return FALSE;
  TCaret& C = State().Caret;
  C = TCaret{};
  C.Owner = Wnd;
  C.Width = Width > 0 ? Width : GetSystemMetrics(SM_CXBORDER);
  C.Height = Height > 0 ? Height : GetSystemMetrics(SM_CYBORDER);
  return TRUE;
}

BOOL DestroyCaret() {
  TCaret& C = State().Caret;
  if (!C.Owner) return FALSE;
  C = TCaret{};
  return TRUE;
}

BOOL ShowCaret(HWND Wnd) {
  if (!Owns(Wnd)) return FALSE;
  TCaret& C = State().Caret;
  if (C.HideCount > 0) --C.HideCount;
  return TRUE;
}

BOOL HideCaret(HWND Wnd) {
  if (!Owns(Wnd)) return FALSE;
  ++State().Caret.HideCount;
  return TRUE;
}

BOOL SetCaretPos(Integer X, Integer Y) {
  TCaret& C = State().Caret;
  if (!C.Owner) return FALSE;
  C.Pos = Point(X, Y);
  return TRUE;
}

BOOL GetCaretPos(TPoint* P) {
  if (!P) return FALSE;
  *P = State().Caret.Pos;
  return TRUE;
}

UINT GetCaretBlinkTime() { return CaretBlinkTime; }

HWND GetCaretOwner() { return State().Caret.Owner; }

bool IsCaretVisible() {
  const TCaret& C = State().Caret;
  return C.Owner && C.HideCount == 0 && IsWindowVisible(C.Owner);
}

TSize GetCaretSize() { return {State().Caret.Width, State().Caret.Height}; }

}  // namespace kvp
