// Mouse cursors: the standard cursors named by IDC_ numbers, named cursors
// from the resource table, the current cursor that WM_SETCURSOR handlers set,
// the cursor position and the show count.
#pragma once

#include "platform/win/Messages.h"

namespace kvp {

// A standard cursor (Instance null, Name an IDC_ value: one shared handle per
// cursor), or a cursor of the resource table ("CURSOR" type); null when there
// is none.
HCURSOR LoadCursor(HINSTANCE Instance, const char* Name);
// Answers the previous cursor.
HCURSOR SetCursor(HCURSOR Cursor);
HCURSOR GetCursor();
BOOL GetCursorPos(TPoint* P);
// Moves the cursor without making any message.
BOOL SetCursorPos(Integer X, Integer Y);
// Answers the new show count; the cursor shows while it is >= 0.
Integer ShowCursor(BOOL Show);
HICON CopyIcon(HICON Icon);
HCURSOR CopyCursor(HCURSOR Cursor);
// A copied or loaded resource cursor is freed; the standard ones stay.
BOOL DestroyCursor(HCURSOR Cursor);
BOOL DestroyIcon(HICON Icon);

// Tests: the name of a cursor ("IDC_IBEAM", a resource name), empty for null.
String GetCursorName(HCURSOR Cursor);

}  // namespace kvp
