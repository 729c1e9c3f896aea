// The "EDIT" class driven by the input driver: typing, keys, the mouse, the
// clipboard, undo and what the user sees painted.
//
// Ideas for tests: EM_LINESCROLL with a horizontal step; centred and
// right-aligned text.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/controls/EditClass.h"
#include "platform/graphics/Colors.h"
#include "platform/win/Clipboard.h"

namespace kvp {
namespace {

using testutil::ParentLog;

String TextOf(HWND Wnd) {
  char Buf[256] = {};
  GetWindowText(Wnd, Buf, sizeof Buf);
  return Buf;
}

std::pair<Integer, Integer> SelOf(HWND Wnd) {
  DWORD A = 0, B = 0;
  SendMessage(Wnd, EM_GETSEL, reinterpret_cast<WPARAM>(&A), reinterpret_cast<LPARAM>(&B));
  return {Integer(A), Integer(B)};
}

TPoint CharPoint(HWND Wnd, Integer Index) {
  auto R = SendMessage(Wnd, EM_POSFROMCHAR, WPARAM(Index), 0);
  return {GET_X_LPARAM(R), GET_Y_LPARAM(R)};
}

class EditClassTest : public testutil::TStdCtlTest {
 protected:
  HWND MakeEdit(DWORD Style = ES_AUTOHSCROLL, TRect B = {10, 10, 210, 31}) {
    HWND E = CreateChild(EditClassName, Style | WS_BORDER, B, 7);
    SetFocus(E);
    return E;
  }
  Integer Changes() const { return ParentLog().Count(WM_COMMAND, EN_CHANGE); }
};

TEST_F(EditClassTest, TypingBackspaceAndTheCaret) {
  HWND E = MakeEdit();
  EXPECT_EQ(GetCaretOwner(), E);
  Input.Type("Héllo");
  EXPECT_EQ(TextOf(E), "Héllo");
  EXPECT_EQ(SelOf(E), std::make_pair(5, 5));  // code points, not bytes
  EXPECT_EQ(Changes(), 5);
  EXPECT_TRUE(SendMessage(E, EM_GETMODIFY, 0, 0));

  Input.KeyPress(VK_BACK);
  EXPECT_EQ(TextOf(E), "Héll");
  TPoint Caret;
  GetCaretPos(&Caret);
  TPoint AfterLastL = CharPoint(E, 3);
  Input.KeyPress(VK_LEFT);
  GetCaretPos(&Caret);
  EXPECT_EQ(Caret.X, AfterLastL.X);  // the caret stands before the last character
  Input.KeyPress(VK_HOME);
  Input.KeyPress(VK_DELETE);
  EXPECT_EQ(TextOf(E), "éll");
  EXPECT_EQ(SelOf(E), std::make_pair(0, 0));
}

TEST_F(EditClassTest, ShiftArrowsExtendFromTheAnchor) {
  HWND E = MakeEdit();
  Input.Type("one two three");
  Input.KeyPress(VK_HOME);
  Input.KeyPress(VK_RIGHT, {ssShift});
  Input.KeyPress(VK_RIGHT, {ssShift});
  EXPECT_EQ(SelOf(E), std::make_pair(0, 2));
  Input.KeyPress(VK_END);
  Input.KeyPress(VK_LEFT, {ssShift, ssCtrl});
  EXPECT_EQ(SelOf(E), std::make_pair(8, 13));
  Input.KeyPress(VK_LEFT, {ssShift, ssCtrl});
  EXPECT_EQ(SelOf(E), std::make_pair(4, 13));
  // Shift+Right from the anchor at 13 shrinks the selection from the caret's end.
  Input.KeyPress(VK_RIGHT, {ssShift});
  EXPECT_EQ(SelOf(E), std::make_pair(5, 13));
  Input.Type("X");
  EXPECT_EQ(TextOf(E), "one tX");
  // EM_SETSEL keeps its start as the anchor: Shift+Left extends from there.
  SendMessage(E, EM_SETSEL, 2, 4);
  Input.KeyPress(VK_LEFT, {ssShift});
  Input.KeyPress(VK_LEFT, {ssShift});
  Input.KeyPress(VK_LEFT, {ssShift});
  EXPECT_EQ(SelOf(E), std::make_pair(1, 2));
  Input.KeyPress(VK_RIGHT);
  EXPECT_EQ(SelOf(E), std::make_pair(2, 2));
}

// A selection collapses towards the arrow's side: Left to its start, Right
// to its end, whichever end the caret stood at.
TEST_F(EditClassTest, ArrowsCollapseASelectionTowardsTheirSide) {
  HWND E = MakeEdit();
  Input.Type("abcdefgh");
  struct TCase {
    Integer Anchor, Caret;
    Word Key;
    Integer Expected;
  };
  const TCase Cases[] = {
      {2, 6, VK_LEFT, 2},  {6, 2, VK_LEFT, 2},   // forwards and backwards selections
      {2, 6, VK_RIGHT, 6}, {6, 2, VK_RIGHT, 6},  //
      {4, 4, VK_LEFT, 3},  {4, 4, VK_RIGHT, 5},  // nothing selected: one step
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Anchor) + "-" + std::to_string(C.Caret));
    SendMessage(E, EM_SETSEL, WPARAM(C.Anchor), LPARAM(C.Caret));
    Input.KeyPress(C.Key);
    EXPECT_EQ(SelOf(E), std::make_pair(C.Expected, C.Expected));
  }
}

TEST_F(EditClassTest, ClipboardAndUndo) {
  HWND E = MakeEdit();
  Input.Type("abc");
  Clipboard()->SetAsText("XYZ\r\nsecond line");
  Input.KeyPress('V', {ssCtrl});
  EXPECT_EQ(TextOf(E), "abcXYZ");  // a single line takes the first line only
  Input.KeyPress('Z', {ssCtrl});
  EXPECT_EQ(TextOf(E), "abc");
  EXPECT_EQ(SelOf(E), std::make_pair(3, 3));
  Input.KeyPress('A', {ssCtrl});
  Input.KeyPress('X', {ssCtrl});
  EXPECT_EQ(TextOf(E), "");
  EXPECT_EQ(Clipboard()->GetAsText(), "abc");
  Input.KeyPress(VK_INSERT, {ssShift});
  Input.KeyPress(VK_INSERT, {ssShift});
  EXPECT_EQ(TextOf(E), "abcabc");
  SendMessage(E, EM_SETSEL, 1, 2);
  Input.KeyPress(VK_INSERT, {ssCtrl});
  EXPECT_EQ(Clipboard()->GetAsText(), "b");
  // One undo takes back a whole run of typing.
  SendMessage(E, EM_SETSEL, WPARAM(-1), 0);
  Input.KeyPress(VK_END);
  Input.Type("123");
  EXPECT_TRUE(SendMessage(E, EM_CANUNDO, 0, 0));
  SendMessage(E, WM_UNDO, 0, 0);
  EXPECT_EQ(TextOf(E), "abcabc");
  SendMessage(E, EM_EMPTYUNDOBUFFER, 0, 0);
  EXPECT_FALSE(SendMessage(E, EM_CANUNDO, 0, 0));
}

TEST_F(EditClassTest, SetTextNotifiesAndClearsModified) {
  HWND E = MakeEdit();
  Input.Type("x");
  Integer Before = Changes();
  SetWindowText(E, "program");
  EXPECT_EQ(Changes(), Before + 1);
  EXPECT_FALSE(SendMessage(E, EM_GETMODIFY, 0, 0));
  EXPECT_FALSE(SendMessage(E, EM_CANUNDO, 0, 0));
  EXPECT_EQ(GetWindowTextLength(E), 7);
  const testutil::TNotice& Last = ParentLog().Notices.back();
  EXPECT_EQ(Last.Id, 7);
  EXPECT_EQ(Last.From, E);
}

TEST_F(EditClassTest, LimitReadOnlyPasswordAndCase) {
  HWND E = MakeEdit(ES_AUTOHSCROLL | ES_UPPERCASE);
  SendMessage(E, EM_LIMITTEXT, 3, 0);
  EXPECT_EQ(SendMessage(E, EM_GETLIMITTEXT, 0, 0), 3);
  Input.Type("abcd");
  EXPECT_EQ(TextOf(E), "ABC");
  EXPECT_EQ(GetMessageBeepCount(), 1);
  EXPECT_EQ(ParentLog().Count(WM_COMMAND, EN_MAXTEXT), 1);

  SendMessage(E, EM_SETREADONLY, TRUE, 0);
  EXPECT_TRUE(GetWindowLong(E, GWL_STYLE) & ES_READONLY);
  Input.KeyPress(VK_BACK);
  Input.KeyPress('V', {ssCtrl});
  EXPECT_EQ(TextOf(E), "ABC");
  SendMessage(E, EM_SETREADONLY, FALSE, 0);

  SendMessage(E, EM_SETPASSWORDCHAR, '*', 0);
  SendMessage(E, EM_SETSEL, 0, -1);
  Clipboard()->SetAsText("kept");
  Input.KeyPress('C', {ssCtrl});
  EXPECT_EQ(Clipboard()->GetAsText(), "kept");  // a password is never copied
  EXPECT_EQ(TextOf(E), "ABC");
}

TEST_F(EditClassTest, MouseClickDragAndDoubleClick) {
  HWND E = MakeEdit();
  SetWindowText(E, "alpha beta gamma");
  TPoint P6 = CharPoint(E, 6), P10 = CharPoint(E, 10);
  Input.Click(E, {P6.X + 1, P6.Y + 4});
  EXPECT_EQ(SelOf(E), std::make_pair(6, 6));
  Input.Click(E, {P10.X + 1, P10.Y + 4}, mbLeft, {ssShift});
  EXPECT_EQ(SelOf(E), std::make_pair(6, 10));
  Advance(1000);
  Input.Drag(E, {P10.X + 1, P10.Y + 4}, {P6.X + 1, P6.Y + 4});
  EXPECT_EQ(SelOf(E), std::make_pair(6, 10));
  EXPECT_EQ(GetCapture(), nullptr);
  Advance(1000);
  Input.DoubleClick(E, {CharPoint(E, 12).X, P6.Y + 4});
  EXPECT_EQ(SelOf(E), std::make_pair(11, 16));
}

TEST_F(EditClassTest, MultiLineLinesAndKeys) {
  HWND E = MakeEdit(ES_MULTILINE | ES_AUTOHSCROLL | ES_WANTRETURN, {10, 10, 210, 110});
  EXPECT_EQ(SendMessage(E, WM_GETDLGCODE, 0, 0),
            DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | DLGC_WANTALLKEYS);
  Input.Type("first");
  Input.KeyPress(VK_RETURN);
  Input.Type("second");
  EXPECT_EQ(TextOf(E), "first\r\nsecond");
  EXPECT_EQ(SendMessage(E, EM_GETLINECOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessage(E, EM_LINEINDEX, 1, 0), 7);
  EXPECT_EQ(SendMessage(E, EM_LINEFROMCHAR, 9, 0), 1);
  EXPECT_EQ(SendMessage(E, EM_LINELENGTH, 9, 0), 6);
  Input.KeyPress(VK_UP);
  EXPECT_EQ(SendMessage(E, EM_LINEFROMCHAR, WPARAM(-1), 0), 0);
  Input.KeyPress(VK_END);
  EXPECT_EQ(SelOf(E), std::make_pair(5, 5));
  Input.KeyPress(VK_DELETE);  // the line break goes as one
  EXPECT_EQ(TextOf(E), "firstsecond");
  auto Hit = SendMessage(E, EM_CHARFROMPOS, 0, MAKELPARAM(1000, 2));
  EXPECT_EQ(LOWORD(Hit), 11);
  EXPECT_EQ(HIWORD(Hit), 0);

  HWND Single = CreateChild(EditClassName, ES_AUTOHSCROLL, {10, 150, 100, 170}, 8);
  EXPECT_EQ(SendMessage(Single, WM_GETDLGCODE, 0, 0),
            DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
  SetFocus(Single);
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(GetMessageBeepCount(), 1);
  EXPECT_EQ(TextOf(Single), "");
}

TEST_F(EditClassTest, MultiLineWithoutHorizontalScrollWrapsWords) {
  HWND E = MakeEdit(ES_MULTILINE, {10, 10, 110, 110});
  SetWindowText(E, "one two three four five six seven eight");
  Integer Lines = Integer(SendMessage(E, EM_GETLINECOUNT, 0, 0));
  EXPECT_GT(Lines, 2);
  // Every line starts with a word and fits the width.
  for (Integer L = 1; L < Lines; ++L) {
    auto Start = Integer(SendMessage(E, EM_LINEINDEX, WPARAM(L), 0));
    char Buf[64] = {};
    GetWindowText(E, Buf, sizeof Buf);
    EXPECT_NE(Buf[Start], ' ') << L;
    EXPECT_EQ(Buf[Start - 1], ' ') << L;  // broken after a space
    EXPECT_LE(SendMessage(E, EM_LINELENGTH, WPARAM(Start), 0), 20);
  }
  // Down moves to the next wrapped line.
  SendMessage(E, EM_SETSEL, 0, 0);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(SendMessage(E, EM_LINEFROMCHAR, WPARAM(-1), 0), 1);
}

TEST_F(EditClassTest, MarginsAndFormattingRectangle) {
  HWND E = MakeEdit();
  auto FontMargins = SendMessage(E, EM_GETMARGINS, 0, 0);  // set by WM_SETFONT
  EXPECT_GT(LOWORD(FontMargins), 0);
  EXPECT_EQ(LOWORD(FontMargins), HIWORD(FontMargins));
  SendMessage(E, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(3, 4));
  EXPECT_EQ(SendMessage(E, EM_GETMARGINS, 0, 0), MAKELRESULT(3, 4));
  TRect Client, R;
  GetClientRect(E, &Client);
  SendMessage(E, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&R));
  EXPECT_EQ(R.Left, 3);
  EXPECT_EQ(R.Right, Client.Right - 4);
  SetWindowText(E, "ab");
  EXPECT_EQ(CharPoint(E, 0).X, 3);
  SendMessage(E, EM_SETMARGINS, EC_USEFONTINFO, 0);
  EXPECT_EQ(SendMessage(E, EM_GETMARGINS, 0, 0), FontMargins);
  SendMessage(E, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(3, 4));
  TRect Custom{20, 2, 150, 18};
  SendMessage(E, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&Custom));
  SendMessage(E, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&R));
  EXPECT_EQ(R, Custom);
  EXPECT_EQ(CharPoint(E, 0).X, 20);
  EXPECT_EQ(CharPoint(E, 0).Y, 2);
}

TEST_F(EditClassTest, LongTextScrollsToKeepTheCaretVisible) {
  HWND E = MakeEdit(ES_AUTOHSCROLL, {10, 10, 70, 31});
  Input.Type("a rather long line of text");
  TRect Client;
  GetClientRect(E, &Client);
  TPoint Caret;
  GetCaretPos(&Caret);
  EXPECT_GT(Caret.X, 0);
  EXPECT_LT(Caret.X, Client.Right);
  EXPECT_GT(SendMessage(E, EM_GETFIRSTVISIBLELINE, 0, 0), 0);  // first visible character
  Input.KeyPress(VK_HOME);
  EXPECT_EQ(SendMessage(E, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

  // Without ES_AUTOHSCROLL a single line takes only what fits.
  HWND Fixed = CreateChild(EditClassName, 0, {10, 50, 40, 71}, 9);
  SetFocus(Fixed);
  Input.Type("wwwwwwwwwwwwwwww");
  EXPECT_LT(GetWindowTextLength(Fixed), 16);
  EXPECT_GT(GetMessageBeepCount(), 0);
}

TEST_F(EditClassTest, PaintShowsTextAndHighlightedSelection) {
  HWND E = MakeEdit();
  SetWindowText(E, "Selected text");
  SendMessage(E, EM_SETSEL, 0, 8);
  TSurface* S = GetWindowSurface(E);
  S->ClearRecords();
  UpdateWindow(E);
  TRect Box = GetWindowSurfaceRect(E);
  EXPECT_EQ(S->TextIn(Box), "Selected\n text");
  const TDrawRecord* Sel = S->FindText("Selected");
  ASSERT_NE(Sel, nullptr);
  EXPECT_EQ(Sel->Color, GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(S->FindText(" text")->Color, GetSysColor(COLOR_WINDOWTEXT));
  TPoint P = CharPoint(E, 2);
  EXPECT_EQ(S->GetPixel(Box.Left + P.X, Box.Top + P.Y + 1), GetSysColor(COLOR_HIGHLIGHT));
  SaveWindowPng(Parent, "stdctl-edit.png");

  // Without the focus the selection is hidden; disabled text is grey.
  SetFocus(Parent);
  EnableWindow(E, FALSE);
  S->ClearRecords();
  UpdateWindow(E);
  EXPECT_EQ(S->FindText("Selected text")->Color, GetSysColor(COLOR_GRAYTEXT));
}

}  // namespace
}  // namespace kvp
