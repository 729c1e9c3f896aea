// The X11 backend: the connection, the loop on real time, the X windows that
// mirror the top-level windows, their pictures, cursors and activation.
//
// Index
//   [SECTION] Errors                RecordError
//   [SECTION] Opening and closing   TX11Backend, ~TX11Backend
//   [SECTION] The loop              Step, Run, SyncClock, Flush
//   [SECTION] Observing             the TWindowObserver calls
//   [SECTION] X windows             MakeXWindow, DropXWindow, SetCaption, SendSurface
//   [SECTION] Cursors               CursorShapeFor, ApplyCursor
//   [SECTION] Events                HandleEvent, PlaceFromX, CheckFocus
//   [SECTION] Tests                 GetXWindow, GetErrors, GetPixelsSent, GetCursorShape
#include <poll.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "platform/x11/X11Impl.h"

// Xlib after every header of ours: its macros (KeyPress, None, Status ...)
// must not reach them.
// clang-format off
#include <X11/XKBlib.h>
#include <X11/cursorfont.h>
// clang-format on

namespace kvp {

using namespace x11impl;

// [SECTION] Errors

namespace {

TX11State* Current = nullptr;          // the open backend: X errors are its own
XErrorHandler OtherHandler = nullptr;  // the handler before ours, for other connections

// Every error the server sends is recorded in words; none stops the program.
// Errors of other connections go to the handler that was there before.
int RecordError(Display* Dpy, XErrorEvent* E) {
  if (!Current || Current->Dpy != Dpy) return OtherHandler ? OtherHandler(Dpy, E) : 0;
  char Text[256] = {};
  XGetErrorText(Dpy, E->error_code, Text, sizeof Text);
  String Line = String("X error: ") + Text + " (request " + std::to_string(int(E->request_code)) +
                "." + std::to_string(int(E->minor_code)) + ", resource " +
                std::to_string(E->resourceid) + ")";
  Current->Errors.push_back(Line);
  return 0;
}

Integer Width(const TRect& R) { return std::max<Integer>(R.Width(), 1); }
Integer Height(const TRect& R) { return std::max<Integer>(R.Height(), 1); }

}  // namespace

// [SECTION] Opening and closing

bool TX11Backend::DisplayNamed() {
  const char* D = std::getenv("DISPLAY");
  return D && *D;
}

TX11Backend::TX11Backend(const char* DisplayName) : FState(std::make_unique<TX11State>()) {
  TX11State& S = *FState;
  if (GetWindowObserver())
    throw EX11Error("TX11Backend: the window system is already shown by another backend");
  // [Phase 1] The connection and what its screen takes.
  S.Dpy = XOpenDisplay(DisplayName);
  if (!S.Dpy) {
    const char* Named = DisplayName ? DisplayName : std::getenv("DISPLAY");
    if (!Named || !*Named) throw EX11Error("Cannot open an X display: DISPLAY is not set");
    throw EX11Error(String("Cannot open the X display \"") + Named + "\"");
  }
  Current = &S;
  OtherHandler = XSetErrorHandler(&RecordError);
  int Screen = DefaultScreen(S.Dpy);
  S.Root = RootWindow(S.Dpy, Screen);
  S.Vis = DefaultVisual(S.Dpy, Screen);
  S.Depth = DefaultDepth(S.Dpy, Screen);
  int Formats = 0;
  XPixmapFormatValues* F = XListPixmapFormats(S.Dpy, &Formats);
  int Bpp = 0;
  for (int I = 0; I < Formats; ++I)
    if (F[I].depth == S.Depth) Bpp = F[I].bits_per_pixel;
  if (F) XFree(F);
  S.DirectPixels = S.Vis->c_class == TrueColor && Bpp == 32 && S.Vis->red_mask == 0xFF0000 &&
                   S.Vis->green_mask == 0xFF00 && S.Vis->blue_mask == 0xFF;
  // [Phase 2] Atoms, the key repeat that sends no releases, the input method.
  auto Intern = [&S](const char* Name) { return XInternAtom(S.Dpy, Name, False); };
  S.WmProtocols = Intern("WM_PROTOCOLS");
  S.WmDeleteWindow = Intern("WM_DELETE_WINDOW");
  S.WmState = Intern("WM_STATE");
  S.NetWmName = Intern("_NET_WM_NAME");
  S.Utf8String = Intern("UTF8_STRING");
  S.Clipboard = Intern("CLIPBOARD");
  S.Targets = Intern("TARGETS");
  S.TextAtom = Intern("TEXT");
  S.TextPlainUtf8 = Intern("text/plain;charset=utf-8");
  S.Incr = Intern("INCR");
  S.KvSelection = Intern("KORVEL_SELECTION");
  XkbSetDetectableAutoRepeat(S.Dpy, True, nullptr);
  XSetLocaleModifiers("@im=none");  // the local input method: compose sequences, no server
  S.Im = XOpenIM(S.Dpy, nullptr, nullptr, nullptr);
  // [Phase 3] The window that holds the clipboard selection.
  XSetWindowAttributes A{};
  A.event_mask = PropertyChangeMask;
  S.SelectionWin = XCreateWindow(S.Dpy, S.Root, -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
                                 CopyFromParent, CWEventMask, &A);
  // [Phase 4] Real time starts now; the window system is watched from here,
  // and the windows it already shows appear.
  S.Start = std::chrono::steady_clock::now();
  S.StartTick = GetTickCount64();
  S.CurrentCursor = GetCursor();
  S.AutoPumpBefore = Input.GetAutoPump();
  Input.SetAutoPump(false);
  SetWindowObserver(&S);
  for (HWND H = GetTopWindow(nullptr); H; H = GetWindow(H, GW_HWNDNEXT)) {
    char Caption[1024] = {};
    GetWindowText(H, Caption, sizeof Caption);
    S.TopLevelCreated(H, Caption);
    if (IsWindowVisible(H)) S.TopLevelShown(H, true);
  }
  XFlush(S.Dpy);
}

TX11Backend::~TX11Backend() {
  TX11State& S = *FState;
  SetWindowObserver(nullptr);
  Input.SetAutoPump(S.AutoPumpBefore);
  for (auto& [H, W] : S.Windows) S.DropXWindow(W);
  S.Windows.clear();
  for (auto& [Name, C] : S.XCursors) XFreeCursor(S.Dpy, C);
  XDestroyWindow(S.Dpy, S.SelectionWin);
  if (S.Im) XCloseIM(S.Im);
  XSync(S.Dpy, False);
  XCloseDisplay(S.Dpy);
  Current = nullptr;
  XSetErrorHandler(OtherHandler);
  OtherHandler = nullptr;
}

// [SECTION] The loop

void TX11Backend::Step(Integer TimeoutMs) {
  TX11State& S = *FState;
  // [Phase 1] Sleep on the connection until an event comes or a timer falls due.
  if (!XPending(S.Dpy) && !(GetQueueStatus(QS_ALLINPUT) & 0xFFFF)) {
    UInt64 Now = S.RealTick(), Due = NextTimerDue();
    Int64 Wait = std::max<Integer>(TimeoutMs, 0);
    if (Due != UINT64_MAX) Wait = Due <= Now ? 0 : std::min<Int64>(Wait, Int64(Due - Now));
    pollfd P{ConnectionNumber(S.Dpy), POLLIN, 0};
    if (Wait > 0) poll(&P, 1, int(Wait));
  }
  // [Phase 2] Every event that came, each at its moment of real time.
  while (XPending(S.Dpy)) {
    XEvent E;
    XNextEvent(S.Dpy, &E);
    if (XFilterEvent(&E, 0)) continue;  // taken by the input method (a compose sequence)
    S.SyncClock();
    S.HandleEvent(E);
  }
  if (S.FocusChanged) S.CheckFocus();
  // [Phase 3] The timers due, then everything the events caused.
  S.SyncClock();
  ProcessMessages();
  // [Phase 4] What was painted goes to the display.
  Flush();
}

void TX11Backend::Run(const std::function<bool()>& Done, const std::function<void()>& Idle) {
  while (!Done()) {
    Step(1000);
    if (Idle && !(GetQueueStatus(QS_ALLINPUT) & 0xFFFF)) Idle();
  }
}

void TX11Backend::Flush() {
  TX11State& S = *FState;
  for (auto& [H, W] : S.Windows)
    if (W.Viewable && !W.Dirty.IsEmpty()) S.SendSurface(W);
  XFlush(S.Dpy);
}

namespace x11impl {

UInt64 TX11State::RealTick() const {
  auto Ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  Start);
  return StartTick + UInt64(Ms.count());
}

// The virtual clock is moved to the real time, each timer due on the way
// delivered at its moment.
void TX11State::SyncClock() {
  UInt64 Real = RealTick(), Now = GetTickCount64();
  if (Real > Now) Advance(Real - Now);
}

// [SECTION] Observing

TXWin* TX11State::Find(HWND Wnd) {
  auto It = Windows.find(Wnd);
  return It == Windows.end() ? nullptr : &It->second;
}

TXWin* TX11State::FindX(Window Win) {
  if (!Win) return nullptr;
  for (auto& [H, W] : Windows)
    if (W.Win == Win) return &W;
  return nullptr;
}

void TX11State::TopLevelCreated(HWND Wnd, const String& Text) {
  TXWin& W = Windows[Wnd];
  W.Wnd = Wnd;
  W.Text = Text;
  GetWindowRect(Wnd, &W.Rect);
}

void TX11State::TopLevelPlaced(HWND Wnd, const TRect& R) {
  TXWin* W = Find(Wnd);
  if (!W) return;
  // Minimized: the desktop iconifies the window where it is (the window
  // system's far-away place is no place on the screen); restored: it maps it.
  if (IsIconic(Wnd)) {
    if (!ApplyingFromX && W->Win && !W->Iconic) XIconifyWindow(Dpy, W->Win, DefaultScreen(Dpy));
    W->Iconic = true;
    return;
  }
  if (W->Iconic) {
    W->Iconic = false;
    if (!ApplyingFromX && W->Win && W->Shown) XMapWindow(Dpy, W->Win);
  }
  bool Sized = R.Width() != W->Rect.Width() || R.Height() != W->Rect.Height();
  if (Sized && W->Win) W->Dirty = TRegion(Rect(0, 0, R.Width(), R.Height()));
  if (ApplyingFromX || !W->Win) {
    W->Rect = R;
    return;
  }
  W->Rect = R;
  W->ConfigureSerial = NextRequest(Dpy);
  XMoveResizeWindow(Dpy, W->Win, R.Left, R.Top, unsigned(Width(R)), unsigned(Height(R)));
}

void TX11State::TopLevelShown(HWND Wnd, bool Visible) {
  TXWin* W = Find(Wnd);
  if (!W) return;
  if (!Visible) {
    W->Shown = W->Viewable = false;
    if (W->Win) XUnmapWindow(Dpy, W->Win);
    return;
  }
  if (!W->Win) MakeXWindow(*W);
  W->Shown = true;
  XMapRaised(Dpy, W->Win);
}

void TX11State::TopLevelTextChanged(HWND Wnd, const String& Text) {
  TXWin* W = Find(Wnd);
  if (!W) return;
  W->Text = Text;
  if (W->Win) SetCaption(*W);
}

void TX11State::TopLevelActivated(HWND Wnd) {
  // The desktop hands its focus to the window the program activates; when
  // the desktop did the activating, it has the focus already.
  TXWin* W = Find(Wnd);
  if (!W || !W->Win || ApplyingFromX) return;
  if (W->Viewable)
    XSetInputFocus(Dpy, W->Win, RevertToParent, CurrentTime);
  else
    W->FocusOnMap = true;
}

void TX11State::TopLevelDestroyed(HWND Wnd) {
  TXWin* W = Find(Wnd);
  if (!W) return;
  DropXWindow(*W);
  Windows.erase(Wnd);
}

void TX11State::SurfacePainted(HWND Wnd, const TRect& Area) {
  TXWin* W = Find(Wnd);
  if (!W || !W->Win) return;
  W->Dirty = TRegion::Combine(W->Dirty, TRegion(Area), RGN_OR);
}

void TX11State::CursorChanged(HCURSOR C) {
  CurrentCursor = C;
  for (auto& [H, W] : Windows)
    if (W.Win) ApplyCursor(W);
}

// [SECTION] X windows

void TX11State::MakeXWindow(TXWin& W) {
  // [Phase 1] The window, where the window system has it. A popup without a
  // caption (a drop-down, a hint) is placed by us alone, not by the desktop.
  GetWindowRect(W.Wnd, &W.Rect);
  DWORD Style = DWORD(GetWindowLongPtr(W.Wnd, GWL_STYLE));
  bool Bare = (Style & WS_POPUP) && (Style & WS_CAPTION) != WS_CAPTION;
  XSetWindowAttributes A{};
  A.background_pixmap = 0;  // nothing drawn by the server: the surface shows at once
  A.bit_gravity = NorthWestGravity;
  A.override_redirect = Bare ? True : False;
  A.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                 ButtonReleaseMask | PointerMotionMask | EnterWindowMask | StructureNotifyMask |
                 FocusChangeMask;
  W.Win = XCreateWindow(Dpy, Root, W.Rect.Left, W.Rect.Top, unsigned(Width(W.Rect)),
                        unsigned(Height(W.Rect)), 0, CopyFromParent, InputOutput, CopyFromParent,
                        CWBackPixmap | CWBitGravity | CWOverrideRedirect | CWEventMask, &A);
  // [Phase 2] What the desktop is told: place and size as asked, the close
  // box's protocol, the program's class, its owner.
  XSetWMProtocols(Dpy, W.Win, &WmDeleteWindow, 1);
  if (XSizeHints* H = XAllocSizeHints()) {
    // Static gravity: the desktop's frame goes round the window, which stays
    // where the program placed it.
    H->flags = USPosition | USSize | PPosition | PSize | PWinGravity;
    H->win_gravity = StaticGravity;
    H->x = W.Rect.Left;
    H->y = W.Rect.Top;
    H->width = Width(W.Rect);
    H->height = Height(W.Rect);
    XSetWMNormalHints(Dpy, W.Win, H);
    XFree(H);
  }
  if (XWMHints* H = XAllocWMHints()) {
    H->flags = InputHint | StateHint;
    H->input = True;
    H->initial_state = NormalState;
    XSetWMHints(Dpy, W.Win, H);
    XFree(H);
  }
  char ResName[] = "korvel", ResClass[] = "Korvel";
  XClassHint Class{ResName, ResClass};
  XSetClassHint(Dpy, W.Win, &Class);
  if (TXWin* Owner = Find(GetWindow(W.Wnd, GW_OWNER)); Owner && Owner->Win)
    XSetTransientForHint(Dpy, W.Win, Owner->Win);
  SetCaption(W);
  // [Phase 3] Keys through the input method; the cursor; all of it to be shown.
  if (Im)
    W.Ic = XCreateIC(Im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, W.Win,
                     XNFocusWindow, W.Win, nullptr);
  ApplyCursor(W);
  W.Dirty = TRegion(Rect(0, 0, W.Rect.Width(), W.Rect.Height()));
}

void TX11State::DropXWindow(TXWin& W) {
  if (W.Ic) XDestroyIC(W.Ic);
  if (W.Win) XDestroyWindow(Dpy, W.Win);
  W.Ic = nullptr;
  W.Win = 0;
  W.Shown = W.Viewable = false;
}

void TX11State::SetCaption(TXWin& W) {
  // _NET_WM_NAME in UTF-8 for the desktops that read it; WM_NAME in the
  // encoding the old ones read (Latin-1, else compound text).
  XChangeProperty(Dpy, W.Win, NetWmName, Utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(W.Text.data()), int(W.Text.size()));
  char* List[] = {const_cast<char*>(W.Text.c_str())};
  XTextProperty Prop{};
  if (Xutf8TextListToTextProperty(Dpy, List, 1, XStdICCTextStyle, &Prop) >= Success) {
    XSetWMName(Dpy, W.Win, &Prop);
    XFree(Prop.value);
  }
}

namespace {

// A channel of 8 bits scaled into the bits of Mask.
unsigned long Channel(std::uint32_t Value8, unsigned long Mask) {
  if (!Mask) return 0;
  int Shift = std::countr_zero(Mask);
  unsigned long Max = Mask >> Shift;
  return ((Value8 * Max + 127) / 255) << Shift;
}

}  // namespace

void TX11State::SendSurface(TXWin& W) {
  TSurface* Sf = GetWindowSurface(W.Wnd);
  TRegion Area = W.Dirty.Intersected(Rect(0, 0, Sf ? Sf->Width() : 0, Sf ? Sf->Height() : 0));
  W.Dirty = TRegion();
  if (!Sf || Area.IsEmpty()) return;
  GC Gc = DefaultGC(Dpy, DefaultScreen(Dpy));
  for (const TRect& R : Area.Rects()) {
    PixelsSent += Int64(R.Width()) * R.Height();
    if (DirectPixels) {
      // The surface's own memory, shown as it is.
      XImage* Img = XCreateImage(Dpy, Vis, unsigned(Depth), ZPixmap, 0,
                                 reinterpret_cast<char*>(Sf->Scanline(0)), unsigned(Sf->Width()),
                                 unsigned(Sf->Height()), 32, Sf->Width() * 4);
      Img->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
      XPutImage(Dpy, W.Win, Gc, Img, R.Left, R.Top, R.Left, R.Top, unsigned(R.Width()),
                unsigned(R.Height()));
      Img->data = nullptr;  // the surface keeps its memory
      XDestroyImage(Img);
      continue;
    }
    // Another visual: each pixel made in its format.
    XImage* Img = XCreateImage(Dpy, Vis, unsigned(Depth), ZPixmap, 0, nullptr, unsigned(R.Width()),
                               unsigned(R.Height()), 32, 0);
    Img->data = static_cast<char*>(std::malloc(std::size_t(Img->bytes_per_line) * R.Height()));
    for (Integer Y = 0; Y < R.Height(); ++Y) {
      const std::uint32_t* Row = Sf->Scanline(R.Top + Y) + R.Left;
      for (Integer X = 0; X < R.Width(); ++X) {
        std::uint32_t P = Row[X];
        XPutPixel(Img, X, Y,
                  Channel((P >> 16) & 0xFF, Vis->red_mask) |
                      Channel((P >> 8) & 0xFF, Vis->green_mask) |
                      Channel(P & 0xFF, Vis->blue_mask));
      }
    }
    XPutImage(Dpy, W.Win, Gc, Img, 0, 0, R.Left, R.Top, unsigned(R.Width()), unsigned(R.Height()));
    XDestroyImage(Img);
  }
}

// [SECTION] Cursors

namespace {

struct TCursorShape {
  const char* CursorName;  // as GetCursorName gives it
  const char* Shape;       // the X cursor font's name
  unsigned Glyph;
};
constexpr TCursorShape Shapes[] = {
    {"IDC_ARROW", "left_ptr", XC_left_ptr},
    {"IDC_IBEAM", "xterm", XC_xterm},
    {"IDC_WAIT", "watch", XC_watch},
    {"IDC_APPSTARTING", "watch", XC_watch},
    {"IDC_CROSS", "crosshair", XC_crosshair},
    {"IDC_UPARROW", "sb_up_arrow", XC_sb_up_arrow},
    {"IDC_SIZE", "fleur", XC_fleur},
    {"IDC_SIZEALL", "fleur", XC_fleur},
    {"IDC_SIZENWSE", "bottom_right_corner", XC_bottom_right_corner},
    {"IDC_SIZENESW", "bottom_left_corner", XC_bottom_left_corner},
    {"IDC_SIZEWE", "sb_h_double_arrow", XC_sb_h_double_arrow},
    {"IDC_SIZENS", "sb_v_double_arrow", XC_sb_v_double_arrow},
    {"IDC_NO", "circle", XC_circle},
    {"IDC_HAND", "hand2", XC_hand2},
    {"IDC_HELP", "question_arrow", XC_question_arrow},
    // The library's own cursors: the arrows that pick a column or a row.
    {"DOWNCURKV", "sb_down_arrow", XC_sb_down_arrow},
    {"LEFTCURKV", "sb_left_arrow", XC_sb_left_arrow},
    {"RIGHTCURKV", "sb_right_arrow", XC_sb_right_arrow},
};

const TCursorShape& ShapeFor(const String& CursorName) {
  for (const TCursorShape& S : Shapes)
    if (CursorName == S.CursorName) return S;
  return Shapes[0];
}

}  // namespace

const char* CursorShapeFor(const String& CursorName) { return ShapeFor(CursorName).Shape; }

void TX11State::ApplyCursor(TXWin& W) {
  const TCursorShape& Shape = ShapeFor(GetCursorName(CurrentCursor));
  if (W.XCursorName == Shape.Shape) return;
  auto It = XCursors.find(Shape.Shape);
  if (It == XCursors.end())
    It = XCursors.emplace(Shape.Shape, XCreateFontCursor(Dpy, Shape.Glyph)).first;
  XDefineCursor(Dpy, W.Win, It->second);
  W.XCursorName = Shape.Shape;
}

// [SECTION] Events

void TX11State::HandleEvent(XEvent& E) {
  if (E.type == MappingNotify) {
    XRefreshKeyboardMapping(&E.xmapping);
    return;
  }
  if (E.type == SelectionRequest) {
    AnswerSelectionRequest(E.xselectionrequest);
    return;
  }
  if (E.type == PropertyNotify && SendNextPiece(E.xproperty)) return;
  if (E.type == SelectionClear) {
    // Another program took the selection; the program reads its text from
    // now on. A notice that comes late, after the program took it back, is
    // no loss.
    if (E.xselectionclear.selection == Clipboard)
      Owning = XGetSelectionOwner(Dpy, Clipboard) == SelectionWin;
    return;
  }
  TXWin* W = FindX(E.xany.window);
  if (!W) return;
  switch (E.type) {
    case Expose:
      W->Dirty = TRegion::Combine(
          W->Dirty, TRegion(Bounds(E.xexpose.x, E.xexpose.y, E.xexpose.width, E.xexpose.height)),
          RGN_OR);
      break;
    case MapNotify:
      W->Viewable = W->Shown;
      if (W->Viewable && W->FocusOnMap && GetActiveWindow() == W->Wnd)
        XSetInputFocus(Dpy, W->Win, RevertToParent, CurrentTime);
      W->FocusOnMap = false;
      if (W->Viewable && W->Iconic && IsIconic(W->Wnd)) {
        // Restored on the desktop.
        TFlagScope Guard(ApplyingFromX);
        ShowWindow(W->Wnd, SW_RESTORE);
      }
      break;
    case UnmapNotify:
      W->Viewable = false;
      if (W->Shown && !W->Iconic && IconicOnDesktop(*W)) {
        // Minimized on the desktop.
        TFlagScope Guard(ApplyingFromX);
        HWND Wnd = W->Wnd;
        W->Iconic = true;
        ShowWindow(Wnd, SW_MINIMIZE);
      }
      break;
    case ConfigureNotify:
      PlaceFromX(*W, E.xconfigure);
      break;
    case ClientMessage:
      // The desktop's close box is the window's own close command.
      if (E.xclient.message_type == WmProtocols && Atom(E.xclient.data.l[0]) == WmDeleteWindow)
        PostMessage(W->Wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case KeyPress:
    case KeyRelease:
      LastEventTime = E.xkey.time;
      KeyEvent(E.xkey);
      break;
    case ButtonPress:
    case ButtonRelease:
      LastEventTime = E.xbutton.time;
      ButtonEvent(E.xbutton, *W);
      break;
    case MotionNotify:
      MotionTo(*W, E.xmotion.x, E.xmotion.y, E.xmotion.state);
      break;
    case EnterNotify:
      MotionTo(*W, E.xcrossing.x, E.xcrossing.y, E.xcrossing.state);
      break;
    case FocusIn:
    case FocusOut:
      FocusChanged = true;
      break;
    default:
      break;
  }
}

// The desktop moved or sized the window: the window system hears it as a
// SetWindowPos; what the program refuses (a size below its minimum) is sent
// back.
void TX11State::PlaceFromX(TXWin& W, const XConfigureEvent& E) {
  if (E.serial < W.ConfigureSerial) return;  // older than our last request: overtaken
  int X = E.x, Y = E.y;
  if (!E.send_event) {
    // A real event counts from the parent (a desktop's frame); ask where on the screen.
    Window Child = 0;
    XTranslateCoordinates(Dpy, W.Win, Root, 0, 0, &X, &Y, &Child);
  }
  TRect FromX = Bounds(X, Y, E.width, E.height);
  if (IsIconic(W.Wnd)) return;  // its restored place is the window system's to keep
  TRect Now;
  GetWindowRect(W.Wnd, &Now);
  if (FromX == Now) {
    W.Rect = Now;
    return;
  }
  UINT Flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (FromX.TopLeft() == Now.TopLeft()) Flags |= SWP_NOMOVE;
  if (FromX.Width() == Now.Width() && FromX.Height() == Now.Height()) Flags |= SWP_NOSIZE;
  HWND Wnd = W.Wnd;
  {
    TFlagScope Guard(ApplyingFromX);
    SetWindowPos(Wnd, nullptr, FromX.Left, FromX.Top, FromX.Width(), FromX.Height(), Flags);
  }
  TXWin* Still = Find(Wnd);
  if (!Still || !Still->Win) return;
  GetWindowRect(Wnd, &Now);
  Still->Rect = Now;
  if (Now != FromX) {
    Still->ConfigureSerial = NextRequest(Dpy);
    XMoveResizeWindow(Dpy, Still->Win, Now.Left, Now.Top, unsigned(Width(Now)),
                      unsigned(Height(Now)));
  }
}

// Whether the desktop keeps the window as an icon (its WM_STATE says so).
bool TX11State::IconicOnDesktop(const TXWin& W) {
  Atom Type = 0;
  int Format = 0;
  unsigned long N = 0, After = 0;
  unsigned char* Data = nullptr;
  bool Iconic = false;
  if (XGetWindowProperty(Dpy, W.Win, WmState, 0, 2, False, WmState, &Type, &Format, &N, &After,
                         &Data) == Success &&
      Data) {
    Iconic = Format == 32 && N >= 1 && reinterpret_cast<const long*>(Data)[0] == IconicState;
    XFree(Data);
  }
  return Iconic;
}

// After focus events: the window that has the desktop's focus is the active
// one; the focus gone elsewhere deactivates the program.
void TX11State::CheckFocus() {
  FocusChanged = false;
  Window Focus = 0;
  int Revert = 0;
  XGetInputFocus(Dpy, &Focus, &Revert);
  TXWin* W = FindX(Focus);
  HWND Active = GetActiveWindow();
  TFlagScope Guard(ApplyingFromX);
  if (W) {
    if (Active != W->Wnd && IsWindowVisible(W->Wnd)) SetActiveWindow(W->Wnd);
    return;
  }
  TXWin* A = Find(Active);
  // A window activated but not on the screen yet takes the focus when it is.
  if (A && A->Win && A->Viewable && !A->FocusOnMap) SetActiveWindow(nullptr);
}

}  // namespace x11impl

// [SECTION] Tests

_XDisplay* TX11Backend::GetDisplay() const { return FState->Dpy; }

unsigned long TX11Backend::GetXWindow(HWND Wnd) const {
  TXWin* W = FState->Find(Wnd);
  return W ? W->Win : 0;
}

const std::vector<String>& TX11Backend::GetErrors() const { return FState->Errors; }

Int64 TX11Backend::GetPixelsSent() const { return FState->PixelsSent; }

String TX11Backend::GetCursorShape(HWND Wnd) const {
  TXWin* W = FState->Find(Wnd);
  return W ? W->XCursorName : String();
}

}  // namespace kvp
