#include "X11TestUtil.h"

#include <chrono>
#include <thread>

#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Clock.h"

// Xlib after every header of ours: its macros (KeyPress, None, Status ...)
// must not reach them.
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
// clang-format on

namespace kvp::test {

std::vector<TXRecorded>& XLog() {
  static std::vector<TXRecorded> L;
  return L;
}

namespace {

LRESULT RecordingProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  XLog().push_back({Wnd, Msg, W, L});
  return DefWindowProc(Wnd, Msg, W, L);
}

// Paints its client area in bands of colour with a caption in the middle, so
// that every pixel row of it says where it is.
LRESULT PaintingProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  XLog().push_back({Wnd, Msg, W, L});
  if (Msg != WM_PAINT) return DefWindowProc(Wnd, Msg, W, L);
  PAINTSTRUCT Ps;
  HDC Dc = BeginPaint(Wnd, &Ps);
  TRect R;
  GetClientRect(Wnd, &R);
  LONG_PTR Shade = GetWindowLongPtr(Wnd, GWLP_USERDATA);
  for (Integer Y = 0; Y < R.Height(); Y += 8) {
    TRect Band = Rect(0, Y, R.Width(), Y + 8);
    HBRUSH B = CreateSolidBrush(RGB(Byte(Y * 3 + Shade), Byte(200 - Y), Byte(90 + Shade)));
    FillRect(Dc, &Band, B);
    DeleteObject(B);
  }
  SetBkMode(Dc, TRANSPARENT);
  TextOut(Dc, 10, 10, "Größe ÄÖÜ", Integer(strlen("Größe ÄÖÜ")));
  EndPaint(Wnd, &Ps);
  return 0;
}

void Register(const char* Name, WNDPROC Proc, const char* Cursor) {
  WNDCLASS C;
  if (GetClassInfo(nullptr, Name, &C)) return;
  C = WNDCLASS{};
  C.style = CS_DBLCLKS;
  C.lpfnWndProc = Proc;
  C.hCursor = LoadCursor(nullptr, Cursor);
  C.hbrBackground = reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_WINDOW + 1));
  C.lpszClassName = Name;
  RegisterClass(&C);
}

}  // namespace

// [Another program]

TOtherProgram::TOtherProgram(const std::string& Display, String Text, bool Pieces)
    : FText(std::move(Text)), FPieces(Pieces) {
  FDpy = XOpenDisplay(Display.c_str());
  FWin = XCreateSimpleWindow(FDpy, DefaultRootWindow(FDpy), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(FDpy, XInternAtom(FDpy, "CLIPBOARD", False), FWin, CurrentTime);
  XSync(FDpy, False);
  FThread = std::thread([this] { Serve(); });
}

TOtherProgram::~TOtherProgram() {
  FStop = true;
  FThread.join();
  XCloseDisplay(FDpy);
}

void TOtherProgram::Serve() {
  Atom Utf8 = XInternAtom(FDpy, "UTF8_STRING", False), Incr = XInternAtom(FDpy, "INCR", False);
  while (!FStop) {
    if (!XPending(FDpy)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    XEvent E;
    XNextEvent(FDpy, &E);
    if (E.type != SelectionRequest) continue;
    XSelectionRequestEvent& R = E.xselectionrequest;
    XSelectionEvent Reply{};
    Reply.type = SelectionNotify;
    Reply.requestor = R.requestor;
    Reply.selection = R.selection;
    Reply.target = R.target;
    Reply.time = R.time;
    Reply.property = R.target == Utf8 ? R.property : 0;
    if (R.target == Utf8 && !FPieces)
      XChangeProperty(FDpy, R.requestor, R.property, Utf8, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(FText.data()), int(FText.size()));
    if (R.target == Utf8 && FPieces) {
      long Size = long(FText.size());
      XSelectInput(FDpy, R.requestor, PropertyChangeMask);
      XChangeProperty(FDpy, R.requestor, R.property, Incr, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&Size), 1);
    }
    XSendEvent(FDpy, R.requestor, False, 0, reinterpret_cast<XEvent*>(&Reply));
    XFlush(FDpy);
    if (R.target == Utf8 && FPieces) SendPieces(R.requestor, R.property, Utf8);
  }
}

// Each piece once the reader deleted the one before; an empty one ends.
void TOtherProgram::SendPieces(unsigned long To, unsigned long Prop, unsigned long Type) {
  std::size_t Pos = 0;
  for (;;) {
    XEvent E;
    do {
      if (FStop) return;
      XNextEvent(FDpy, &E);
    } while (!(E.type == PropertyNotify && E.xproperty.window == To && E.xproperty.atom == Prop &&
               E.xproperty.state == PropertyDelete));
    std::size_t N = std::min<std::size_t>(4000, FText.size() - Pos);
    XChangeProperty(FDpy, To, Prop, Type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(FText.data() + Pos), int(N));
    XFlush(FDpy);
    Pos += N;
    if (N == 0) break;
  }
  XSelectInput(FDpy, To, 0);
}

// [The fixture]

void X11Test::SetUpTestSuite() {
  // The clipboard tests run another program's side on a thread of its own.
  static const bool Threads = XInitThreads() != 0;
  (void)Threads;
}

void X11Test::SetUp() {
  std::string Why;
  if (!Server.Start(Why)) GTEST_SKIP() << "The X11 backend's tests need Xvfb: " << Why;
  ResetWindowSystem();
  AdvanceTicks(10000);
  XLog().clear();
  Register("XRec", RecordingProc, IDC_ARROW);
  Register("XEdit", RecordingProc, IDC_IBEAM);
  Register("XPaint", PaintingProc, IDC_ARROW);
  Backend = std::make_unique<TX11Backend>(Server.Name().c_str());
  Peer = XOpenDisplay(Server.Name().c_str());
  ASSERT_TRUE(Peer) << "the peer cannot reach " << Server.Name();
}

void X11Test::TearDown() {
  if (Backend) {
    ResetWindowSystem();
    Backend->Step(0);
    std::string Errors;
    for (const String& E : Backend->GetErrors()) Errors += E + "\n";
    EXPECT_TRUE(Backend->GetErrors().empty()) << Errors;
    Backend.reset();
  }
  if (Peer) XCloseDisplay(Peer);
  Peer = nullptr;
  XLog().clear();
  Server.Stop();
}

void X11Test::RunFor(int Ms) {
  auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (std::chrono::steady_clock::now() < End) Backend->Step(5);
}

bool X11Test::RunUntil(const std::function<bool()>& Cond, int TimeoutMs) {
  auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    if (Cond()) return true;
    if (std::chrono::steady_clock::now() >= End) return false;
    XSync(Peer, False);
    Backend->Step(10);
  }
}

void X11Test::Sync() {
  XSync(Peer, False);
  // The events the requests caused are on their way to the backend now.
  XSync(Backend->GetDisplay(), False);
  Backend->Step(0);
  Backend->Step(0);
}

bool X11Test::Viewable(unsigned long Win) {
  XWindowAttributes A{};
  return Win && XGetWindowAttributes(Peer, Win, &A) && A.map_state == IsViewable;
}

TRect X11Test::Geometry(unsigned long Win) {
  XWindowAttributes A{};
  if (!XGetWindowAttributes(Peer, Win, &A)) return {};
  int X = 0, Y = 0;
  Window Child = 0;
  XTranslateCoordinates(Peer, Win, DefaultRootWindow(Peer), 0, 0, &X, &Y, &Child);
  return Bounds(X, Y, A.width, A.height);
}

String X11Test::Property(unsigned long Win, const char* Name) {
  Atom Type = 0;
  int Format = 0;
  unsigned long N = 0, After = 0;
  unsigned char* Data = nullptr;
  String Out;
  if (XGetWindowProperty(Peer, Win, XInternAtom(Peer, Name, False), 0, 65536, False,
                         AnyPropertyType, &Type, &Format, &N, &After, &Data) == Success &&
      Data) {
    Out.assign(reinterpret_cast<const char*>(Data), N);
    XFree(Data);
  }
  return Out;
}

bool X11Test::HasFocus(unsigned long Win) {
  Window F = 0;
  int Revert = 0;
  XGetInputFocus(Peer, &F, &Revert);
  return Win && F == Win;
}

std::vector<unsigned long> X11Test::RootChildren() {
  Window Root = 0, Parent = 0, *Kids = nullptr;
  unsigned N = 0;
  std::vector<unsigned long> Out;
  if (XQueryTree(Peer, DefaultRootWindow(Peer), &Root, &Parent, &Kids, &N)) {
    Out.assign(Kids, Kids + N);
    if (Kids) XFree(Kids);
  }
  return Out;
}

void X11Test::MoveTo(TPoint P) {
  XTestFakeMotionEvent(Peer, -1, P.X, P.Y, CurrentTime);
  Sync();
}

void X11Test::Button(unsigned B, bool Down) {
  XTestFakeButtonEvent(Peer, B, Down ? True : False, CurrentTime);
  Sync();
}

void X11Test::Click(TPoint P, unsigned B) {
  MoveTo(P);
  Button(B, true);
  Button(B, false);
}

void X11Test::KeyCode(unsigned Code, bool Down) {
  XTestFakeKeyEvent(Peer, Code, Down ? True : False, CurrentTime);
  Sync();
}

void X11Test::Key(unsigned long Sym, bool Down) {
  ::KeyCode Code = XKeysymToKeycode(Peer, Sym);
  ASSERT_NE(Code, 0) << "no key types keysym " << Sym;
  KeyCode(Code, Down);
}

void X11Test::Tap(unsigned long Sym) {
  Key(Sym, true);
  Key(Sym, false);
}

unsigned X11Test::MapSpareKey(unsigned long Lower, unsigned long Upper) {
  int Min = 0, Max = 0, PerCode = 0;
  XDisplayKeycodes(Peer, &Min, &Max);
  KeySym* Map = XGetKeyboardMapping(Peer, ::KeyCode(Min), Max - Min + 1, &PerCode);
  unsigned Spare = 0;
  for (int C = Max; C >= Min && !Spare; --C) {
    bool Empty = true;
    for (int I = 0; I < PerCode; ++I) Empty = Empty && Map[(C - Min) * PerCode + I] == NoSymbol;
    if (Empty) Spare = unsigned(C);
  }
  XFree(Map);
  EXPECT_NE(Spare, 0u) << "no free key code";
  MapKey(Spare, Lower, Upper);
  return Spare;
}

void X11Test::MapKey(unsigned Code, unsigned long Lower, unsigned long Upper) {
  KeySym Syms[2] = {Lower, Upper};
  XChangeKeyboardMapping(Peer, int(Code), 2, Syms, 1);
  Sync();
  RunFor(50);
}

Int64 X11Test::PixelsDiffering(HWND Wnd) {
  TSurface* S = GetWindowSurface(Wnd);
  unsigned long Win = XWin(Wnd);
  if (!S || !Win) return -1;
  XImage* Img =
      XGetImage(Peer, Win, 0, 0, unsigned(S->Width()), unsigned(S->Height()), AllPlanes, ZPixmap);
  if (!Img) return -1;
  Int64 Differ = 0;
  for (Integer Y = 0; Y < S->Height(); ++Y)
    for (Integer X = 0; X < S->Width(); ++X)
      if ((XGetPixel(Img, X, Y) & 0xFFFFFF) != (S->Scanline(Y)[X] & 0xFFFFFF)) ++Differ;
  XDestroyImage(Img);
  return Differ;
}

}  // namespace kvp::test
