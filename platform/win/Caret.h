// The caret: one per program, owned by a window, hidden by a count (a new
// caret is hidden until ShowCaret; BeginPaint hides it and EndPaint shows it
// again). Positions are client coordinates of the owner.
#pragma once

#include "platform/win/Messages.h"

namespace kvp {

BOOL CreateCaret(HWND Wnd, HBITMAP Bitmap, Integer Width, Integer Height);
BOOL DestroyCaret();
// Null names the caret's owner; another window fails.
BOOL ShowCaret(HWND Wnd);
BOOL HideCaret(HWND Wnd);
BOOL SetCaretPos(Integer X, Integer Y);
BOOL GetCaretPos(TPoint* P);
UINT GetCaretBlinkTime();

// Tests: the caret's owner (null without a caret) and whether it shows.
HWND GetCaretOwner();
bool IsCaretVisible();
TSize GetCaretSize();

}  // namespace kvp
