// The X11 backend on an Xvfb server: top-level windows shown as X windows of
// the same place, size and caption; their pixels as the surfaces hold them,
// only painted parts sent again; the user's keys, buttons, moves and wheel
// arriving as the headless input driver makes them; the desktop moving,
// sizing, focusing and closing windows; timers on real time; the clipboard
// selection both ways.
//
// Ideas for tests: a selection larger than one request (sending it in pieces
// is not built; receiving is); a desktop with a window manager that frames
// the windows.

#include <cstring>

#include "X11TestUtil.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"

// Xlib after every header of ours: its macros (KeyPress, None, Status ...)
// must not reach them.
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#undef KeyPress  // the input driver's, not the X event's
// clang-format on

namespace kvp::test {
namespace {

using X11BackendTest = X11Test;

HWND MakeTop(const char* Class, const char* Caption, TRect R,
             DWORD Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME) {
  return CreateWindowEx(0, Class, Caption, Style, R.Left, R.Top, R.Width(), R.Height(), nullptr,
                        nullptr, nullptr, nullptr);
}

HWND MakeChild(const char* Class, HWND Parent, TRect R) {
  return CreateWindowEx(0, Class, "", WS_CHILD | WS_VISIBLE, R.Left, R.Top, R.Width(), R.Height(),
                        Parent, nullptr, nullptr, nullptr);
}

std::vector<TXRecorded> Only(std::initializer_list<UINT> Msgs) {
  std::vector<TXRecorded> Out;
  for (const TXRecorded& R : XLog())
    if (std::find(Msgs.begin(), Msgs.end(), R.Msg) != Msgs.end()) Out.push_back(R);
  return Out;
}

// [Windows] ---------------------------------------------------------------

TEST_F(X11BackendTest, TopLevelWindowsAppearWithTheirPlaceSizeAndCaption) {
  HWND Top = MakeTop("XRec", "Kunden – Größe", Bounds(100, 80, 320, 200));
  MakeChild("XRec", Top, Bounds(10, 10, 50, 50));
  EXPECT_EQ(XWin(Top), 0u) << "nothing shows before the window does";
  ShowWindow(Top, SW_SHOW);
  ASSERT_TRUE(RunUntil([&] { return Viewable(XWin(Top)); }));
  EXPECT_EQ(Geometry(XWin(Top)), Bounds(100, 80, 320, 200));
  EXPECT_EQ(Property(XWin(Top), "_NET_WM_NAME"), "Kunden – Größe");
  std::vector<unsigned long> Kids = RootChildren();
  EXPECT_EQ(Kids.size(), 2u) << "the window and the clipboard's; a child window is no X window";

  SetWindowText(Top, "Orders");
  SetWindowPos(Top, nullptr, 150, 90, 400, 250, SWP_NOZORDER);
  Sync();
  EXPECT_EQ(Property(XWin(Top), "_NET_WM_NAME"), "Orders");
  EXPECT_EQ(Property(XWin(Top), "WM_NAME"), "Orders");
  EXPECT_EQ(Geometry(XWin(Top)), Bounds(150, 90, 400, 250));

  ShowWindow(Top, SW_HIDE);
  ASSERT_TRUE(RunUntil([&] { return !Viewable(XWin(Top)); }));
  ShowWindow(Top, SW_SHOW);
  ASSERT_TRUE(RunUntil([&] { return Viewable(XWin(Top)); }));
  unsigned long Win = XWin(Top);
  DestroyWindow(Top);
  Sync();
  Kids = RootChildren();
  EXPECT_EQ(std::count(Kids.begin(), Kids.end(), Win), 0);
}

TEST_F(X11BackendTest, ShownPixelsAreTheSurfacesAndOnlyPaintedPartsAreSentAgain) {
  HWND Top = MakeTop("XPaint", "Pixels", Bounds(40, 30, 300, 220));
  HWND Kid = MakeChild("XPaint", Top, Bounds(20, 30, 150, 100));
  SetWindowLongPtr(Kid, GWLP_USERDATA, 60);
  ShowWindow(Top, SW_SHOW);
  ASSERT_TRUE(RunUntil([&] { return Viewable(XWin(Top)); }));
  RunFor(30);
  EXPECT_EQ(PixelsDiffering(Top), 0);
  EXPECT_NE(GetWindowSurface(Top)->GetPixel(30, 60), RGB(255, 255, 255)) << "painted, not blank";

  // A small change: only its rectangle goes to the server.
  Int64 Before = Backend->GetPixelsSent();
  SetWindowLongPtr(Kid, GWLP_USERDATA, 120);
  TRect Small = Bounds(5, 40, 30, 16);
  InvalidateRect(Kid, &Small, FALSE);
  RunFor(30);
  EXPECT_EQ(Backend->GetPixelsSent() - Before, 30 * 16);
  EXPECT_EQ(PixelsDiffering(Top), 0);

  // Another program's window over it and gone again: the uncovered part is
  // shown again from the surface, without any painting by the program.
  XSetWindowAttributes A{};
  A.override_redirect = True;
  A.background_pixel = 0x0000FF;
  Window Cover = XCreateWindow(Peer, DefaultRootWindow(Peer), 60, 50, 120, 90, 0, CopyFromParent,
                               InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &A);
  XMapRaised(Peer, Cover);
  Sync();
  XDestroyWindow(Peer, Cover);
  XLog().clear();
  Sync();
  RunFor(30);
  EXPECT_EQ(PixelsDiffering(Top), 0);
  EXPECT_TRUE(Only({WM_PAINT}).empty());
}

// [Input] -----------------------------------------------------------------

// The messages of the user's input, with handles numbered so that two runs compare.
std::vector<std::vector<std::uintptr_t>> InputMessages(HWND Top, HWND Kid) {
  auto Id = [&](std::uintptr_t V) -> std::uintptr_t {
    if (V == reinterpret_cast<std::uintptr_t>(Top)) return 1;
    if (V == reinterpret_cast<std::uintptr_t>(Kid)) return 2;
    return V;
  };
  std::vector<std::vector<std::uintptr_t>> Out;
  for (const TXRecorded& R :
       Only({WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
             WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MOUSEWHEEL, WM_CONTEXTMENU, WM_KEYDOWN,
             WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSCHAR, WM_SETCURSOR, WM_NCHITTEST,
             WM_MOUSEACTIVATE}))
    Out.push_back(
        {Id(reinterpret_cast<std::uintptr_t>(R.Wnd)), R.Msg, Id(R.W), std::uintptr_t(R.L)});
  return Out;
}

TEST_F(X11BackendTest, KeysButtonsMovesAndTheWheelArriveAsTheHeadlessDriverMakesThem) {
  const TRect TopR = Bounds(60, 40, 320, 240), KidR = Bounds(20, 20, 200, 150);
  const TPoint P1{30, 40}, P2{90, 70};
  unsigned EAcute = MapSpareKey(XK_eacute, XK_Eacute);
  unsigned Zhe = MapSpareKey(XK_Cyrillic_zhe, XK_Cyrillic_ZHE);
  // The key right of L types ö, as on a German keyboard.
  const unsigned OUmlaut = 39 + 8;
  MapKey(OUmlaut, XK_odiaeresis, XK_Odiaeresis);

  // [Phase 1] A person at the X server.
  HWND Top = MakeTop("XRec", "Input", TopR);
  HWND Kid = MakeChild("XRec", Top, KidR);
  ShowWindow(Top, SW_SHOW);
  ASSERT_TRUE(RunUntil([&] { return Viewable(XWin(Top)) && HasFocus(XWin(Top)); }))
      << "the active window has the X server's focus";
  SetFocus(Kid);
  auto At = [&](TPoint P) {
    ClientToScreen(Kid, &P);
    return P;
  };
  XLog().clear();
  MoveTo(At(P1));
  Click(At(P1));
  RunFor(600);
  Click(At(P2));
  Click(At(P2));
  RunFor(600);
  Click(At(P1), 3);
  Button(4, true);
  Button(4, false);
  Button(5, true);
  Button(5, false);
  Tap(XK_a);
  Key(XK_Shift_L, true);
  Tap(XK_a);
  Key(XK_Shift_L, false);
  Key(XK_Control_L, true);
  Tap(XK_c);
  Key(XK_Control_L, false);
  Tap(XK_Left);
  Tap(XK_Return);
  Tap(XK_BackSpace);
  Tap(XK_9);
  Tap(XK_KP_Add);
  KeyCode(EAcute, true);
  KeyCode(EAcute, false);
  Key(XK_Shift_L, true);
  KeyCode(EAcute, true);
  KeyCode(EAcute, false);
  Key(XK_Shift_L, false);
  KeyCode(Zhe, true);
  KeyCode(Zhe, false);
  Key(XK_Alt_L, true);
  Tap(XK_x);
  Key(XK_Alt_L, false);
  KeyCode(OUmlaut, true);
  KeyCode(OUmlaut, false);
  Key(XK_Alt_L, true);
  KeyCode(OUmlaut, true);
  KeyCode(OUmlaut, false);
  Key(XK_Alt_L, false);
  RunFor(30);
  auto FromX = InputMessages(Top, Kid);
  ASSERT_GT(FromX.size(), 60u);

  // [Phase 2] The same through the headless driver.
  Backend.reset();
  ResetWindowSystem();
  AdvanceTicks(10000);
  Top = MakeTop("XRec", "Input", TopR);
  Kid = MakeChild("XRec", Top, KidR);
  ShowWindow(Top, SW_SHOW);
  SetFocus(Kid);
  XLog().clear();
  Input.MouseMove(Kid, P1);
  Input.Click(Kid, P1);
  Advance(600);
  Input.DoubleClick(Kid, P2);
  Advance(600);
  Input.Click(Kid, P1, mbRight);
  Input.Wheel(Kid, 120, P1);
  Input.Wheel(Kid, -120, P1);
  Input.KeyPress('A');
  Input.KeyPress('A', {ssShift});
  Input.KeyPress('C', {ssCtrl});
  Input.KeyPress(VK_LEFT);
  Input.KeyPress(VK_RETURN);
  Input.KeyPress(VK_BACK);
  Input.KeyPress('9');
  Input.KeyPress(VK_ADD);
  Input.TypePacket(U'é');
  Input.KeyDown(VK_SHIFT);
  Input.TypePacket(U'É');
  Input.KeyUp(VK_SHIFT);
  Input.TypePacket(U'ж');
  Input.KeyPress('X', {ssAlt});
  Input.TypePacket(U'ö');
  Input.KeyPress(VK_OEM_1, {ssAlt});  // with Alt the key itself, for accelerators
  auto Headless = InputMessages(Top, Kid);
  ASSERT_EQ(FromX.size(), Headless.size());
  for (std::size_t I = 0; I < FromX.size(); ++I) {
    SCOPED_TRACE("message " + std::to_string(I) + " 0x" + IntToHex(Integer(FromX[I][1]), 4));
    EXPECT_EQ(FromX[I], Headless[I]);
  }
  ResetWindowSystem();
}

TEST_F(X11BackendTest, TheCursorShownFollowsTheWindowUnderTheMouse) {
  HWND Top = MakeTop("XRec", "Cursor", Bounds(60, 40, 320, 240));
  HWND Edit = MakeChild("XEdit", Top, Bounds(20, 20, 200, 40));
  ShowWindow(Top, SW_SHOW);
  ASSERT_TRUE(RunUntil([&] { return Viewable(XWin(Top)); }));
  TPoint P{10, 10};
  ClientToScreen(Edit, &P);
  MoveTo(P);
  EXPECT_EQ(Backend->GetCursorShape(Top), "xterm");
  P = {10, 150};
  ClientToScreen(Top, &P);
  MoveTo(P);
  EXPECT_EQ(Backend->GetCursorShape(Top), "left_ptr");
}

// [The desktop] -----------------------------------------------------------

TEST_F(X11BackendTest, MovingSizingFocusingAndClosingOnTheDesktopReachTheWindow) {
  HWND Top = MakeTop("XRec", "Desktop", Bounds(60, 40, 320, 240));
  ShowWindow(Top, SW_SHOW);
  ASSERT_TRUE(RunUntil([&] { return Viewable(XWin(Top)) && HasFocus(XWin(Top)); }));
  XLog().clear();

  // Moved and sized as a window manager does it.
  XMoveResizeWindow(Peer, XWin(Top), 200, 150, 400, 300);
  Sync();
  TRect R;
  GetWindowRect(Top, &R);
  EXPECT_EQ(R, Bounds(200, 150, 400, 300));
  auto Sizes = Only({WM_SIZE});
  ASSERT_EQ(Sizes.size(), 1u);
  TRect C;
  GetClientRect(Top, &C);
  EXPECT_EQ(Sizes[0].L, MAKELPARAM(C.Width(), C.Height()));
  EXPECT_EQ(Only({WM_MOVE}).size(), 1u);
  RunFor(30);
  EXPECT_EQ(PixelsDiffering(Top), 0) << "the larger window shown in full";

  // The focus given to another program's window and back.
  Window Other = XCreateSimpleWindow(Peer, DefaultRootWindow(Peer), 700, 500, 50, 50, 0, 0, 0);
  XMapWindow(Peer, Other);
  XSync(Peer, False);
  ASSERT_TRUE(RunUntil([&] { return Viewable(Other); }));
  XLog().clear();
  XSetInputFocus(Peer, Other, RevertToParent, CurrentTime);
  Sync();
  EXPECT_EQ(GetActiveWindow(), nullptr);
  ASSERT_EQ(Only({WM_ACTIVATE}).size(), 1u);
  EXPECT_EQ(LOWORD(Only({WM_ACTIVATE})[0].W), WA_INACTIVE);
  XSetInputFocus(Peer, XWin(Top), RevertToParent, CurrentTime);
  Sync();
  EXPECT_EQ(GetActiveWindow(), Top);
  EXPECT_EQ(GetFocus(), Top);

  // The close box: WM_DELETE_WINDOW is the window's own close command.
  XLog().clear();
  XEvent E{};
  E.xclient.type = ClientMessage;
  E.xclient.window = XWin(Top);
  E.xclient.message_type = XInternAtom(Peer, "WM_PROTOCOLS", False);
  E.xclient.format = 32;
  E.xclient.data.l[0] = long(XInternAtom(Peer, "WM_DELETE_WINDOW", False));
  E.xclient.data.l[1] = CurrentTime;
  unsigned long Win = XWin(Top);
  XSendEvent(Peer, Win, False, 0, &E);
  Sync();
  auto Close = Only({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY});
  ASSERT_EQ(Close.size(), 3u);
  EXPECT_EQ(Close[0].Msg, UINT(WM_SYSCOMMAND));
  EXPECT_EQ(Close[0].W, WPARAM(SC_CLOSE));
  EXPECT_EQ(Close[1].Msg, UINT(WM_CLOSE));
  EXPECT_FALSE(IsWindow(Top));
  auto Kids = RootChildren();
  EXPECT_EQ(std::count(Kids.begin(), Kids.end(), Win), 0);
}

TEST_F(X11BackendTest, MinimizingAndRestoringGoBothWaysBetweenDesktopAndProgram) {
  HWND Top = MakeTop("XRec", "Icon", Bounds(60, 40, 320, 240));
  ShowWindow(Top, SW_SHOW);
  ASSERT_TRUE(RunUntil([&] { return Viewable(XWin(Top)) && HasFocus(XWin(Top)); }));
  unsigned long Win = XWin(Top);
  Atom WmState = XInternAtom(Peer, "WM_STATE", False);
  auto SetState = [&](long State) {
    long Data[2] = {State, 0};
    XChangeProperty(Peer, Win, WmState, WmState, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(Data), 2);
  };
  // [Phase 1] The desktop iconifies the window, as a window manager does.
  XLog().clear();
  SetState(IconicState);
  XUnmapWindow(Peer, Win);
  Sync();
  EXPECT_TRUE(IsIconic(Top));
  auto Sizes = Only({WM_SIZE});
  ASSERT_FALSE(Sizes.empty());
  EXPECT_EQ(Sizes.back().W, WPARAM(SIZE_MINIMIZED));
  // [Phase 2] And maps it again.
  XLog().clear();
  SetState(NormalState);
  XMapWindow(Peer, Win);
  Sync();
  EXPECT_FALSE(IsIconic(Top));
  TRect R;
  GetWindowRect(Top, &R);
  EXPECT_EQ(R, Bounds(60, 40, 320, 240));
  Sizes = Only({WM_SIZE});
  ASSERT_FALSE(Sizes.empty());
  EXPECT_EQ(Sizes.back().W, WPARAM(SIZE_RESTORED));
  // [Phase 3] The program minimizes it: the desktop is asked to iconify it
  // where it is, not to move it away.
  XSelectInput(Peer, DefaultRootWindow(Peer), SubstructureNotifyMask);
  XSync(Peer, False);
  ShowWindow(Top, SW_MINIMIZE);
  Sync();
  XEvent E;
  bool Asked = false;
  while (XCheckTypedEvent(Peer, ClientMessage, &E))
    Asked = Asked || (E.xclient.window == Win &&
                      E.xclient.message_type == XInternAtom(Peer, "WM_CHANGE_STATE", False) &&
                      E.xclient.data.l[0] == IconicState);
  EXPECT_TRUE(Asked);
  EXPECT_EQ(Geometry(Win), Bounds(60, 40, 320, 240));
  ShowWindow(Top, SW_RESTORE);
  Sync();
  EXPECT_EQ(Geometry(Win), Bounds(60, 40, 320, 240));
  EXPECT_TRUE(Viewable(Win));
}

// [Time] ------------------------------------------------------------------

TEST_F(X11BackendTest, TimersRunOnRealTime) {
  HWND Top = MakeTop("XRec", "Timers", Bounds(60, 40, 200, 100));
  ShowWindow(Top, SW_SHOW);
  Backend->Step(0);  // the clock caught up with real time
  UInt64 Start = GetTickCount64();
  auto Begun = std::chrono::steady_clock::now();
  SetTimer(Top, 7, 50, nullptr);
  XLog().clear();
  RunFor(330);
  auto Real = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - Begun)
                  .count();
  UInt64 Moved = GetTickCount64() - Start;
  // A loaded machine may be late on each step, never early.
  EXPECT_GE(Moved + 200, UInt64(Real)) << "the virtual clock keeps up with real time";
  // Never ahead of real time beyond the rounding of the two readings and a
  // step's own catching up on a loaded machine.
  EXPECT_LE(Moved, UInt64(Real) + 20);
  EXPECT_GE(Moved, 330u);
  // Every interval that passed gave its tick, none more.
  EXPECT_EQ(Integer(Only({WM_TIMER}).size()), Integer(Moved / 50));
  // Nothing due and nothing coming: a step sleeps for its timeout.
  KillTimer(Top, 7);
  auto T0 = std::chrono::steady_clock::now();
  Backend->Step(120);
  EXPECT_GE(std::chrono::steady_clock::now() - T0, std::chrono::milliseconds(100));
}

// [The clipboard] ---------------------------------------------------------

// Asks the selection's owner for Target through the peer, stepping the
// backend meanwhile; answers the bytes and their type (for text sent in
// pieces, all of them and the pieces' type).
std::pair<String, Atom> Convert(X11Test& T, Display* Dpy, TX11Backend& B, const char* Target) {
  Window W = XCreateSimpleWindow(Dpy, DefaultRootWindow(Dpy), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(Dpy, W, PropertyChangeMask);
  Atom Prop = XInternAtom(Dpy, "PEER_PROP", False);
  XConvertSelection(Dpy, XInternAtom(Dpy, "CLIPBOARD", False), XInternAtom(Dpy, Target, False),
                    Prop, W, CurrentTime);
  XFlush(Dpy);
  XEvent E;
  bool Got = false;
  for (int I = 0; I < 200 && !Got; ++I) {
    B.Step(5);
    Got = XCheckTypedWindowEvent(Dpy, W, SelectionNotify, &E);
  }
  (void)T;
  std::pair<String, Atom> Out{"<no answer>", 0};
  if (Got && E.xselection.property) {
    int Format = 0;
    unsigned long N = 0, After = 0;
    unsigned char* Data = nullptr;
    XGetWindowProperty(Dpy, W, Prop, 0, 1 << 20, True, AnyPropertyType, &Out.second, &Format, &N,
                       &After, &Data);
    Out.first.assign(reinterpret_cast<const char*>(Data), Format == 32 ? N * sizeof(long) : N);
    if (Data) XFree(Data);
    if (Out.second == XInternAtom(Dpy, "INCR", False)) {
      // Deleting the property asked for the first piece; each piece read
      // and deleted asks for the next, until an empty one.
      Out.first.clear();
      for (int I = 0; I < 2000; ++I) {
        B.Step(2);
        if (!XCheckTypedWindowEvent(Dpy, W, PropertyNotify, &E)) continue;
        if (E.xproperty.atom != Prop || E.xproperty.state != PropertyNewValue) continue;
        Atom Type = 0;
        XGetWindowProperty(Dpy, W, Prop, 0, 1 << 20, True, AnyPropertyType, &Type, &Format, &N,
                           &After, &Data);
        String Piece(reinterpret_cast<const char*>(Data), N);
        if (Data) XFree(Data);
        if (!Type) continue;  // the notice of the INCR value, already taken
        Out.second = Type;
        if (Piece.empty()) break;
        Out.first += Piece;
      }
    }
  } else if (Got) {
    Out.first = "<refused>";
  }
  XDestroyWindow(Dpy, W);
  return Out;
}

TEST_F(X11BackendTest, TextCopiedInTheProgramIsOfferedToOtherPrograms) {
  Clipboard()->SetAsText("Größe\t12\r\nÄrger\t€5");
  auto Utf8 = Convert(*this, Peer, *Backend, "UTF8_STRING");
  EXPECT_EQ(Utf8.first, "Größe\t12\r\nÄrger\t€5");
  EXPECT_EQ(Utf8.second, XInternAtom(Peer, "UTF8_STRING", False));
  auto Latin1 = Convert(*this, Peer, *Backend, "STRING");
  EXPECT_EQ(Latin1.first,
            "Gr\xF6\xDF"
            "e\t12\r\n\xC4rger\t?5");
  auto Targets = Convert(*this, Peer, *Backend, "TARGETS");
  EXPECT_EQ(Targets.second, XA_ATOM);
  const Atom* List = reinterpret_cast<const Atom*>(Targets.first.data());
  std::vector<Atom> Offered(List, List + Targets.first.size() / sizeof(Atom));
  EXPECT_NE(std::find(Offered.begin(), Offered.end(), XInternAtom(Peer, "UTF8_STRING", False)),
            Offered.end());
  EXPECT_EQ(Convert(*this, Peer, *Backend, "image/png").first, "<refused>");

  // A large copy goes in pieces.
  String Big;
  for (int I = 0; I < 40000; ++I) Big += "Zeile " + std::to_string(I) + "\tÄrger\r\n";
  ASSERT_GT(Big.size(), 3 * 256 * 1024u);
  Clipboard()->SetAsText(Big);
  auto Pieces = Convert(*this, Peer, *Backend, "UTF8_STRING");
  EXPECT_EQ(Pieces.second, XInternAtom(Peer, "UTF8_STRING", False));
  EXPECT_EQ(Pieces.first.size(), Big.size());
  EXPECT_TRUE(Pieces.first == Big) << "every piece, in order";
}

TEST_F(X11BackendTest, TextCopiedInAnotherProgramIsWhatTheProgramPastes) {
  Clipboard()->SetAsText("ours");
  {
    TOtherProgram Other(Server.Name(), "Ünïcode\tzwei\r\n", false);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard()->GetAsText(), "Ünïcode\tzwei\r\n");
  }
  // Large text comes in pieces.
  String Big;
  for (int I = 0; I < 3000; ++I) Big += "Zeile " + std::to_string(I) + "\tüber\r\n";
  {
    TOtherProgram Other(Server.Name(), Big, true);
    String Pasted = Clipboard()->GetAsText();
    EXPECT_EQ(Pasted.size(), Big.size());
    EXPECT_TRUE(Pasted == Big) << "every piece, in order";
  }
  // Copied again in the program: the program's own text, offered to others.
  Clipboard()->SetAsText("again ours");
  EXPECT_EQ(Clipboard()->GetAsText(), "again ours");
  EXPECT_EQ(Convert(*this, Peer, *Backend, "UTF8_STRING").first, "again ours");
}

}  // namespace
}  // namespace kvp::test
