// Window classes and windows: the state object, handle lookup, creation and
// destruction, the window tree, window longs and text, and geometry.
//
// Index
//   [SECTION] State and lookups     State, FindWnd, Desktop, CallProc, CollectGraveyard
//   [SECTION] Window classes        RegisterClass(Ex), UnregisterClass, GetClassInfo ...
//   [SECTION] Creation              CreateWindowEx
//   [SECTION] Destruction           DestroyWindow
//   [SECTION] The window tree       GetParent, SetParent, GetWindow, IsChild ...
//   [SECTION] Longs and text        GetWindowLongPtr, SetWindowLongPtr, window text
//   [SECTION] Geometry              rectangles, point mapping, hit search, frames
//   [SECTION] Reset                 ResetWindowSystem
#include <algorithm>
#include <cstring>

#include "platform/graphics/Gdi.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

// [SECTION] State and lookups

namespace winimpl {

TWinState& State() {
  static TWinState S;
  return S;
}

static std::uintptr_t Key(HWND Wnd) { return reinterpret_cast<std::uintptr_t>(Wnd); }

TWnd* Desktop() {
  TWinState& S = State();
  if (!S.Desktop) {
    S.Desktop = std::make_unique<TWnd>();
    S.Desktop->Handle = reinterpret_cast<HWND>(std::uintptr_t(0x10010));
    S.Desktop->Style = WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    RefreshDesktopRect();
  }
  return S.Desktop.get();
}

// The desktop covers the primary monitor, whatever the tests made it.
void RefreshDesktopRect() {
  TWnd* D = State().Desktop.get();
  if (!D) return;
  D->WindowRect = D->ClientRect =
      Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

TWnd* FindWnd(HWND Wnd) {
  if (!Wnd) return nullptr;
  TWnd* D = Desktop();
  if (Wnd == D->Handle) return D;
  auto It = State().Windows.find(Key(Wnd));
  return It == State().Windows.end() ? nullptr : It->second.get();
}

bool IsTopLevel(const TWnd* W) { return W && W->Parent == Desktop(); }

namespace {
TWindowObserver* TheObserver = nullptr;  // not owned; outlives no reset, belongs to the program
}  // namespace

TWnd* RootOf(TWnd* W) {
  while (W && W->Parent && W->Parent != Desktop()) W = W->Parent;
  return W == Desktop() ? nullptr : W;
}

bool IsDescendant(const TWnd* Ancestor, const TWnd* W) {
  for (; W; W = W->Parent)
    if (W == Ancestor) return true;
  return false;
}

LRESULT CallProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  TWnd* Win = FindWnd(Wnd);
  if (!Win || !Win->Proc) return 0;
  WNDPROC Proc = Win->Proc;
  TWinState& S = State();
  ++S.CallDepth;
  struct TDepthGuard {
    TWinState& S;
    ~TDepthGuard() { --S.CallDepth; }
  } Guard{S};
  return Proc(Wnd, Msg, W, L);
}

void CollectGraveyard() {
  TWinState& S = State();
  if (S.CallDepth == 0) S.Graveyard.clear();
}

// The window that takes the activation when the active one goes away: its
// owner when that can be activated, else the topmost other visible, enabled
// window that may be activated.
HWND NextActivation(TWnd* Going) {
  TWnd* O = FindWnd(Going->Owner);
  if (O && !O->Destroying && (O->Style & WS_VISIBLE) && !(O->Style & WS_DISABLED)) return O->Handle;
  for (TWnd* T : Desktop()->Children) {
    if (T == Going || T->Destroying || !(T->Style & WS_VISIBLE) || (T->Style & WS_DISABLED))
      continue;
    if (T->ExStyle & WS_EX_NOACTIVATE) continue;
    return T->Handle;
  }
  return nullptr;
}

}  // namespace winimpl

void SetWindowObserver(TWindowObserver* Observer) { TheObserver = Observer; }
TWindowObserver* GetWindowObserver() { return TheObserver; }

// [SECTION] Window classes

namespace {

TWndClassRec* FindClassRec(const char* Name) {
  if (!Name) return nullptr;
  std::uintptr_t AsAtom = reinterpret_cast<std::uintptr_t>(Name);
  for (auto& C : State().Classes) {
    if (AsAtom < 0x10000 ? C->Atom == AsAtom : SameText(C->Name, Name)) return C.get();
  }
  return nullptr;
}

ATOM AddClass(UINT Style, WNDPROC Proc, Integer WndExtra, HINSTANCE Instance, HICON Icon,
              HCURSOR Cursor, HBRUSH Background, const char* Name) {
  if (!Name || !Proc || reinterpret_cast<std::uintptr_t>(Name) < 0x10000 || !*Name) return 0;
  if (FindClassRec(Name)) return 0;
  auto C = std::make_unique<TWndClassRec>();
  C->Name = Name;
  C->Style = Style;
  C->Proc = Proc;
  C->WndExtra = std::max(WndExtra, 0);
  C->Instance = Instance;
  C->Icon = Icon;
  C->Cursor = Cursor;
  C->Background = Background;
  C->Atom = State().NextAtom++;
  ATOM Atom = C->Atom;
  State().Classes.push_back(std::move(C));
  return Atom;
}

}  // namespace

ATOM RegisterClass(const WNDCLASS* C) {
  if (!C) return 0;
  return AddClass(C->style, C->lpfnWndProc, C->cbWndExtra, C->hInstance, C->hIcon, C->hCursor,
                  C->hbrBackground, C->lpszClassName);
}

ATOM RegisterClassEx(const WNDCLASSEX* C) {
  if (!C) return 0;
  return AddClass(C->style, C->lpfnWndProc, C->cbWndExtra, C->hInstance, C->hIcon, C->hCursor,
                  C->hbrBackground, C->lpszClassName);
}

BOOL UnregisterClass(const char* ClassName, HINSTANCE) {
  TWndClassRec* C = FindClassRec(ClassName);
  if (!C || C->WindowCount > 0) return FALSE;
  auto& List = State().Classes;
  List.erase(std::find_if(List.begin(), List.end(), [C](auto& P) { return P.get() == C; }));
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE, const char* ClassName, WNDCLASS* Class) {
  TWndClassRec* C = FindClassRec(ClassName);
  if (!C || !Class) return FALSE;
  Class->style = C->Style;
  Class->lpfnWndProc = C->Proc;
  Class->cbClsExtra = 0;
  Class->cbWndExtra = C->WndExtra;
  Class->hInstance = C->Instance;
  Class->hIcon = C->Icon;
  Class->hCursor = C->Cursor;
  Class->hbrBackground = C->Background;
  Class->lpszMenuName = nullptr;
  Class->lpszClassName = C->Name.c_str();
  return TRUE;
}

Integer GetClassName(HWND Wnd, char* Buffer, Integer MaxCount) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !W->Class || !Buffer || MaxCount <= 0) return 0;
  Integer N = std::min<Integer>(Integer(W->Class->Name.size()), MaxCount - 1);
  std::memcpy(Buffer, W->Class->Name.data(), std::size_t(N));
  Buffer[N] = 0;
  return N;
}

ULONG_PTR GetClassLongPtr(HWND Wnd, Integer Index) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !W->Class) return 0;
  TWndClassRec* C = W->Class;
  switch (Index) {
    case GCL_STYLE:
      return C->Style;
    case GCLP_HCURSOR:
      return reinterpret_cast<ULONG_PTR>(C->Cursor);
    case GCLP_HBRBACKGROUND:
      return reinterpret_cast<ULONG_PTR>(C->Background);
    case GCLP_WNDPROC:
      return reinterpret_cast<ULONG_PTR>(C->Proc);
    default:
      return 0;
  }
}

ULONG_PTR SetClassLongPtr(HWND Wnd, Integer Index, LONG_PTR Value) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !W->Class) return 0;
  TWndClassRec* C = W->Class;
  ULONG_PTR Old = GetClassLongPtr(Wnd, Index);
  switch (Index) {
    case GCL_STYLE:
      C->Style = UINT(Value);
      break;
    case GCLP_HCURSOR:
      C->Cursor = reinterpret_cast<HCURSOR>(Value);
      break;
    case GCLP_HBRBACKGROUND:
      C->Background = reinterpret_cast<HBRUSH>(Value);
      break;
    case GCLP_WNDPROC:
      C->Proc = reinterpret_cast<WNDPROC>(Value);
      break;
    default:
      return 0;
  }
  return Old;
}

// [SECTION] Creation

namespace {

// Places W among its parent's children: top-level windows above their
// non-topmost siblings (or above all when topmost), children at the bottom,
// so that the first child made is the first of GW_CHILD.
void LinkIntoParent(TWnd* W, TWnd* Parent) {
  W->Parent = Parent;
  auto& Kids = Parent->Children;
  if (Parent != Desktop()) {
    Kids.push_back(W);
    return;
  }
  auto Pos = Kids.begin();
  if (!(W->ExStyle & WS_EX_TOPMOST))
    while (Pos != Kids.end() && ((*Pos)->ExStyle & WS_EX_TOPMOST)) ++Pos;
  Kids.insert(Pos, W);
}

void UnlinkFromParent(TWnd* W) {
  if (!W->Parent) return;
  auto& Kids = W->Parent->Children;
  Kids.erase(std::remove(Kids.begin(), Kids.end(), W), Kids.end());
  W->Parent = nullptr;
}

// The styles the system adds: an overlapped window always has a caption and
// clips its siblings; a window with a dialog or sizing frame has a raised edge.
void AdjustCreationStyles(DWORD& Style, DWORD& ExStyle) {
  if (!(Style & (WS_CHILD | WS_POPUP))) Style |= WS_CAPTION | WS_CLIPSIBLINGS;
  if ((Style & (WS_DLGFRAME | WS_THICKFRAME)) || (ExStyle & WS_EX_DLGMODALFRAME))
    ExStyle |= WS_EX_WINDOWEDGE;
}

void SendParentNotify(HWND Wnd, WORD Event) {
  for (TWnd* W = FindWnd(Wnd); W && (W->Style & WS_CHILD) && !(W->ExStyle & WS_EX_NOPARENTNOTIFY);
       W = W->Parent) {
    TWnd* P = W->Parent;
    if (!P || P == Desktop()) break;
    HWND PH = P->Handle;
    SendMessage(PH, WM_PARENTNOTIFY, MAKEWPARAM(Event, Integer(FindWnd(Wnd)->Id)),
                reinterpret_cast<LPARAM>(Wnd));
    W = FindWnd(PH);
    if (!W || !FindWnd(Wnd)) break;
  }
}

}  // namespace

HWND CreateWindowEx(DWORD ExStyle, const char* ClassName, const char* WindowName, DWORD Style,
                    Integer X, Integer Y, Integer Width, Integer Height, HWND Parent, HMENU Menu,
                    HINSTANCE Instance, void* Param) {
  // [Phase 1] Class, parent and owner.
  TWndClassRec* C = FindClassRec(ClassName);
  if (!C) return nullptr;
  TWnd* ParentW = nullptr;
  HWND Owner = nullptr;
  if (Style & WS_CHILD) {
    ParentW = FindWnd(Parent);
    if (!ParentW) return nullptr;
  } else {
    ParentW = Desktop();
    if (Parent && Parent != HWND_MESSAGE) {
      TWnd* O = RootOf(FindWnd(Parent));
      if (!O) return nullptr;
      Owner = O->Handle;
    }
  }
  // [Phase 2] The record, linked into the tree with the system's styles.
  bool Show = (Style & WS_VISIBLE) != 0;
  Style &= ~WS_VISIBLE;
  AdjustCreationStyles(Style, ExStyle);
  if (X == CW_USEDEFAULT) X = Y = 0;
  if (Width == CW_USEDEFAULT) Width = Height = 0;
  TWinState& S = State();

  auto Owned = std::make_unique<TWnd>();
  TWnd* W = Owned.get();
  W->Handle = reinterpret_cast<HWND>(S.NextHandle);
  S.NextHandle += 4;
  W->Class = C;
  W->Proc = C->Proc;
  W->Style = Style;
  W->ExStyle = ExStyle;
  W->Owner = Owner;
  W->Instance = Instance;
  W->Id = (Style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(Menu) : 0;
  W->Extra.assign(std::size_t(C->WndExtra), 0);
  W->WindowRect = Bounds(X, Y, std::max(Width, 0), std::max(Height, 0));
  W->ClientRect = W->WindowRect;
  if (Style & WS_VSCROLL) W->Bars[SB_VERT].Max = 100;
  if (Style & WS_HSCROLL) W->Bars[SB_HORZ].Max = 100;
  ++C->WindowCount;
  HWND H = W->Handle;
  S.Windows.emplace(reinterpret_cast<std::uintptr_t>(H), std::move(Owned));
  LinkIntoParent(W, ParentW);
  // [Phase 3] WM_GETMINMAXINFO (windows that have it), WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE.
  // The size asked for is kept inside the tracking limits the window gives.
  if (HasMinMax(Style)) {
    MINMAXINFO Mm = GetMinMaxInfo(H);
    if (!(W = FindWnd(H))) return nullptr;
    Width = std::clamp(std::max(Width, 0), Mm.ptMinTrackSize.X,
                       std::max(Mm.ptMinTrackSize.X, Mm.ptMaxTrackSize.X));
    Height = std::clamp(std::max(Height, 0), Mm.ptMinTrackSize.Y,
                        std::max(Mm.ptMinTrackSize.Y, Mm.ptMaxTrackSize.Y));
    W->WindowRect = W->ClientRect = Bounds(X, Y, Width, Height);
  }
  CREATESTRUCT Cs;
  Cs.lpCreateParams = Param;
  Cs.hInstance = Instance;
  Cs.hMenu = Menu;
  Cs.hwndParent = (Style & WS_CHILD) ? Parent : Owner;
  Cs.x = X;
  Cs.y = Y;
  Cs.cx = Width;
  Cs.cy = Height;
  Cs.style = LONG(Style | (Show ? WS_VISIBLE : 0));
  Cs.lpszName = WindowName;
  Cs.lpszClass = ClassName;
  Cs.dwExStyle = ExStyle;
  if (!SendMessage(H, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&Cs))) {
    if (TWnd* Dead = FindWnd(H)) Dead->Created = true;
    DestroyWindow(H);
    return nullptr;
  }
  if (TWnd* Live = FindWnd(H))
    Live->Created = true;
  else
    return nullptr;
  TRect Calc = FindWnd(H)->WindowRect;
  SendMessage(H, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&Calc));
  if (TWnd* Live = FindWnd(H))
    Live->ClientRect = Calc;
  else
    return nullptr;
  if (SendMessage(H, WM_CREATE, 0, reinterpret_cast<LPARAM>(&Cs)) == -1) {
    DestroyWindow(H);
    return nullptr;
  }
  // [Phase 4] Size and place known, then shown and announced.
  W = FindWnd(H);
  if (!W) return nullptr;
  ResizeSurface(W);
  if (TWindowObserver* O = GetWindowObserver(); O && IsTopLevel(W)) O->TopLevelCreated(H, W->Text);
  SendMessage(H, WM_SIZE, SIZE_RESTORED, MAKELPARAM(W->ClientRect.Width(), W->ClientRect.Height()));
  if (!(W = FindWnd(H))) return nullptr;
  SendMessage(H, WM_MOVE, 0, MAKELPARAM(W->ClientRect.Left, W->ClientRect.Top));
  if (!FindWnd(H)) return nullptr;
  if (Show) ShowWindow(H, SW_SHOW);
  if (FindWnd(H)) SendParentNotify(H, WORD(WM_CREATE));
  return FindWnd(H) ? H : nullptr;
}

HWND CreateWindow(const char* ClassName, const char* WindowName, DWORD Style, Integer X, Integer Y,
                  Integer Width, Integer Height, HWND Parent, HMENU Menu, HINSTANCE Instance,
                  void* Param) {
  return CreateWindowEx(0, ClassName, WindowName, Style, X, Y, Width, Height, Parent, Menu,
                        Instance, Param);
}

// [SECTION] Destruction

namespace {

void CollectTree(TWnd* W, std::vector<HWND>& Out) {
  Out.push_back(W->Handle);
  for (TWnd* C : W->Children) CollectTree(C, Out);
}

void SendNcDestroy(HWND H) {
  TWnd* W = FindWnd(H);
  if (!W) return;
  std::vector<HWND> Kids;
  for (TWnd* C : W->Children) Kids.push_back(C->Handle);
  for (HWND K : Kids) SendNcDestroy(K);
  if (!(W = FindWnd(H))) return;
  if (W->Created) SendMessage(H, WM_NCDESTROY, 0, 0);
  if (!(W = FindWnd(H))) return;
  if (TWindowObserver* O = GetWindowObserver(); O && IsTopLevel(W)) O->TopLevelDestroyed(H);
  ForgetWindow(W);
  for (TWnd* C : W->Children) C->Parent = nullptr;
  W->Children.clear();
  UnlinkFromParent(W);
  if (W->Class) --W->Class->WindowCount;
  TWinState& S = State();
  auto It = S.Windows.find(reinterpret_cast<std::uintptr_t>(H));
  S.Graveyard.push_back(std::move(It->second));
  S.Windows.erase(It);
}

}  // namespace

BOOL DestroyWindow(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  if (!W || W == Desktop() || W->Destroying) return FALSE;
  // [Phase 1] Announce, hide, and destroy the windows it owns.
  if (W->Created) SendParentNotify(Wnd, WORD(WM_DESTROY));
  if (!(W = FindWnd(Wnd))) return TRUE;
  W->Destroying = true;
  if (W->Style & WS_VISIBLE)
    SetWindowPos(Wnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  if (!(W = FindWnd(Wnd))) return TRUE;
  if (IsTopLevel(W)) {
    std::vector<HWND> Owned;
    for (TWnd* T : Desktop()->Children)
      if (T->Owner == Wnd) Owned.push_back(T->Handle);
    for (HWND O : Owned) DestroyWindow(O);
  }
  // [Phase 2] Activation, focus and capture leave the tree.
  TWinState& S = State();
  if (!(W = FindWnd(Wnd))) return TRUE;
  if (IsTopLevel(W) && S.Active == Wnd) ActivateTopLevel(NextActivation(W), WA_ACTIVE);
  if (!(W = FindWnd(Wnd))) return TRUE;
  if (TWnd* F = FindWnd(S.Focus); F && IsDescendant(W, F)) {
    TWnd* P = W->Parent;
    HWND To =
        (P && P != Desktop() && !P->Destroying && IsWindowVisible(P->Handle)) ? P->Handle : nullptr;
    SetFocus(To);
    if (FindWnd(S.Focus) && IsDescendant(FindWnd(Wnd), FindWnd(S.Focus))) {
      HWND Old = S.Focus;
      S.Focus = nullptr;
      SendMessage(Old, WM_KILLFOCUS, 0, 0);
    }
  }
  if (!(W = FindWnd(Wnd))) return TRUE;
  if (TWnd* C = FindWnd(S.Capture); C && IsDescendant(W, C)) ReleaseCapture();
  if (TWnd* T = FindWnd(S.Track.Wnd); T && IsDescendant(FindWnd(Wnd), T)) EndScrollTrack(true);
  // [Phase 3] WM_DESTROY to the window, then its children; WM_NCDESTROY children first.
  if (!(W = FindWnd(Wnd))) return TRUE;
  std::vector<HWND> Tree;
  CollectTree(W, Tree);
  for (HWND H : Tree) {
    TWnd* T = FindWnd(H);
    if (!T) continue;
    T->Destroying = true;
    if (T->Created) SendMessage(H, WM_DESTROY, 0, 0);
  }
  if (W = FindWnd(Wnd); W && W->Parent && W->Parent != Desktop()) MarkParentArea(W, W->WindowRect);
  SendNcDestroy(Wnd);
  return TRUE;
}

BOOL IsWindow(HWND Wnd) { return FindWnd(Wnd) != nullptr; }

BOOL IsWindowVisible(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  if (!W) return FALSE;
  for (; W && W != Desktop(); W = W->Parent)
    if (!(W->Style & WS_VISIBLE)) return FALSE;
  return W == Desktop();
}

BOOL IsWindowEnabled(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  return W && !(W->Style & WS_DISABLED);
}

BOOL EnableWindow(HWND Wnd, BOOL Enable) {
  TWnd* W = FindWnd(Wnd);
  if (!W) return FALSE;
  BOOL WasDisabled = (W->Style & WS_DISABLED) ? TRUE : FALSE;
  if (bool(Enable) == !WasDisabled) return WasDisabled;
  if (!Enable) {
    SendMessage(Wnd, WM_CANCELMODE, 0, 0);
    if (!(W = FindWnd(Wnd))) return WasDisabled;
    W->Style |= WS_DISABLED;
  } else {
    W->Style &= ~WS_DISABLED;
  }
  SendMessage(Wnd, WM_ENABLE, Enable ? TRUE : FALSE, 0);
  return WasDisabled;
}

BOOL IsIconic(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  return W && (W->Style & WS_MINIMIZE);
}

BOOL IsZoomed(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  return W && (W->Style & WS_MAXIMIZE);
}

// [SECTION] The window tree

BOOL IsChild(HWND Parent, HWND Wnd) {
  TWnd* P = FindWnd(Parent);
  TWnd* W = FindWnd(Wnd);
  if (!P || !W) return FALSE;
  while ((W->Style & WS_CHILD) && W->Parent && W->Parent != Desktop()) {
    W = W->Parent;
    if (W == P) return TRUE;
  }
  return FALSE;
}

HWND GetParent(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  if (!W || W == Desktop()) return nullptr;
  if (W->Style & WS_CHILD) return W->Parent == Desktop() ? nullptr : W->Parent->Handle;
  if (W->Style & WS_POPUP) return W->Owner;
  return nullptr;
}

HWND SetParent(HWND Wnd, HWND NewParent) {
  TWnd* W = FindWnd(Wnd);
  TWnd* P = NewParent ? FindWnd(NewParent) : Desktop();
  if (!W || !P || W == Desktop() || IsDescendant(W, P)) return nullptr;
  TWnd* Old = W->Parent;
  HWND OldHandle = Old ? Old->Handle : nullptr;
  if (Old == P) return OldHandle;
  bool Visible = (W->Style & WS_VISIBLE) != 0;
  if (Visible && Old && Old != Desktop()) MarkParentArea(W, W->WindowRect);
  UnlinkFromParent(W);
  W->Owner = nullptr;
  LinkIntoParent(W, P);
  if (P == Desktop()) {
    // Keeps its rectangles' numbers, which are now screen coordinates.
    auto It = std::find(P->Children.begin(), P->Children.end(), W);
    P->Children.erase(It);
    P->Children.insert(P->Children.begin(), W);
  } else {
    W->Surface.reset();
  }
  ResizeSurface(W);
  if (Visible) InvalidateWhole(W, true, true);
  return OldHandle;
}

HWND GetWindow(HWND Wnd, UINT Cmd) {
  TWnd* W = FindWnd(Wnd);
  if (!W) return nullptr;
  if (Cmd == GW_CHILD) return W->Children.empty() ? nullptr : W->Children.front()->Handle;
  if (Cmd == GW_OWNER) return IsTopLevel(W) ? W->Owner : nullptr;
  if (!W->Parent) return nullptr;
  auto& Sib = W->Parent->Children;
  auto It = std::find(Sib.begin(), Sib.end(), W);
  switch (Cmd) {
    case GW_HWNDFIRST:
      return Sib.front()->Handle;
    case GW_HWNDLAST:
      return Sib.back()->Handle;
    case GW_HWNDNEXT:
      return (It + 1) == Sib.end() ? nullptr : (*(It + 1))->Handle;
    case GW_HWNDPREV:
      return It == Sib.begin() ? nullptr : (*(It - 1))->Handle;
    default:
      return nullptr;
  }
}

HWND GetNextWindow(HWND Wnd, UINT Cmd) { return GetWindow(Wnd, Cmd); }

HWND GetTopWindow(HWND Wnd) {
  TWnd* W = Wnd ? FindWnd(Wnd) : Desktop();
  if (!W || W->Children.empty()) return nullptr;
  return W->Children.front()->Handle;
}

HWND GetDesktopWindow() { return Desktop()->Handle; }

HWND GetAncestor(HWND Wnd, UINT Flags) {
  TWnd* W = FindWnd(Wnd);
  if (!W || W == Desktop()) return nullptr;
  switch (Flags) {
    case GA_PARENT:
      return W->Parent ? W->Parent->Handle : nullptr;
    case GA_ROOT:
      return RootOf(W)->Handle;
    case GA_ROOTOWNER: {
      HWND H = RootOf(W)->Handle;
      while (HWND Up = GetParent(H)) H = RootOf(FindWnd(Up))->Handle;
      return H;
    }
    default:
      return nullptr;
  }
}

// [SECTION] Longs and text

LONG_PTR GetWindowLongPtr(HWND Wnd, Integer Index) {
  TWnd* W = FindWnd(Wnd);
  if (!W) return 0;
  switch (Index) {
    case GWL_STYLE:
      return LONG_PTR(W->Style);
    case GWL_EXSTYLE:
      return LONG_PTR(W->ExStyle);
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(W->Proc);
    case GWLP_USERDATA:
      return W->UserData;
    case GWLP_ID:
      return W->Id;
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(W->Instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(IsTopLevel(W) ? W->Owner : W->Parent->Handle);
    default:
      break;
  }
  if (Index < 0 || std::size_t(Index) + sizeof(LONG_PTR) > W->Extra.size()) return 0;
  LONG_PTR V = 0;
  std::memcpy(&V, W->Extra.data() + Index, sizeof V);
  return V;
}

namespace {

LONG_PTR SetStyleLong(HWND Wnd, Integer Index, DWORD Value) {
  TWnd* W = FindWnd(Wnd);
  DWORD Old = Index == GWL_STYLE ? W->Style : W->ExStyle;
  STYLESTRUCT Ss{Old, Value};
  SendMessage(Wnd, WM_STYLECHANGING, WPARAM(Index), reinterpret_cast<LPARAM>(&Ss));
  if (!(W = FindWnd(Wnd))) return LONG_PTR(Old);
  (Index == GWL_STYLE ? W->Style : W->ExStyle) = Ss.styleNew;
  if (Index == GWL_EXSTYLE && ((Old ^ Ss.styleNew) & WS_EX_TOPMOST) && IsTopLevel(W)) {
    auto& Kids = Desktop()->Children;
    Kids.erase(std::find(Kids.begin(), Kids.end(), W));
    LinkIntoParent(W, Desktop());
  }
  SendMessage(Wnd, WM_STYLECHANGED, WPARAM(Index), reinterpret_cast<LPARAM>(&Ss));
  return LONG_PTR(Old);
}

}  // namespace

LONG_PTR SetWindowLongPtr(HWND Wnd, Integer Index, LONG_PTR Value) {
  TWnd* W = FindWnd(Wnd);
  if (!W || W == Desktop()) return 0;
  LONG_PTR Old = GetWindowLongPtr(Wnd, Index);
  switch (Index) {
    case GWL_STYLE:
    case GWL_EXSTYLE:
      return SetStyleLong(Wnd, Index, DWORD(Value));
    case GWLP_WNDPROC:
      W->Proc = reinterpret_cast<WNDPROC>(Value);
      return Old;
    case GWLP_USERDATA:
      W->UserData = Value;
      return Old;
    case GWLP_ID:
      W->Id = Value;
      return Old;
    case GWLP_HINSTANCE:
      W->Instance = reinterpret_cast<HINSTANCE>(Value);
      return Old;
    case GWLP_HWNDPARENT: {
      if (!IsTopLevel(W)) return Old;
      TWnd* O = RootOf(FindWnd(reinterpret_cast<HWND>(Value)));
      W->Owner = O ? O->Handle : nullptr;
      return Old;
    }
    default:
      break;
  }
  if (Index < 0 || std::size_t(Index) + sizeof(LONG_PTR) > W->Extra.size()) return 0;
  std::memcpy(W->Extra.data() + Index, &Value, sizeof Value);
  return Old;
}

LONG GetWindowLong(HWND Wnd, Integer Index) { return LONG(GetWindowLongPtr(Wnd, Index)); }
LONG SetWindowLong(HWND Wnd, Integer Index, LONG Value) {
  return LONG(SetWindowLongPtr(Wnd, Index, Value));
}

BOOL SetWindowText(HWND Wnd, const char* Text) {
  if (!IsWindow(Wnd)) return FALSE;
  return SendMessage(Wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text ? Text : "")) ? TRUE : FALSE;
}

Integer GetWindowText(HWND Wnd, char* Buffer, Integer MaxCount) {
  if (!Buffer || MaxCount <= 0) return 0;
  Buffer[0] = 0;
  return Integer(SendMessage(Wnd, WM_GETTEXT, WPARAM(MaxCount), reinterpret_cast<LPARAM>(Buffer)));
}

Integer GetWindowTextLength(HWND Wnd) { return Integer(SendMessage(Wnd, WM_GETTEXTLENGTH, 0, 0)); }

// [SECTION] Geometry

namespace winimpl {

TPoint ClientOriginOnScreen(const TWnd* W) {
  TPoint P;
  for (; W && W != Desktop(); W = W->Parent) {
    P.X += W->ClientRect.Left;
    P.Y += W->ClientRect.Top;
  }
  return P;
}

TRect WindowRectOnScreen(const TWnd* W) {
  TRect R = W->WindowRect;
  if (W->Parent && W != Desktop()) {
    TPoint O = ClientOriginOnScreen(W->Parent);
    OffsetRect(R, O.X, O.Y);
  }
  return R;
}

TRect ClientRectOnScreen(const TWnd* W) {
  TPoint O = ClientOriginOnScreen(W);
  return Bounds(O.X, O.Y, W->ClientRect.Width(), W->ClientRect.Height());
}

// The deepest visible window under the screen point, skipping the windows in
// Skip (those that answered HTTRANSPARENT). A disabled child gives way to its
// nearest enabled ancestor.
TWnd* WindowUnder(TPoint P, const std::vector<TWnd*>& Skip) {
  auto Skipped = [&Skip](TWnd* W) { return std::find(Skip.begin(), Skip.end(), W) != Skip.end(); };
  TWnd* Found = nullptr;
  for (TWnd* T : Desktop()->Children)
    if ((T->Style & WS_VISIBLE) && !Skipped(T) && InWindowShape(T, P)) {
      Found = T;
      break;
    }
  if (!Found) return nullptr;
  for (;;) {
    if (!PtInRect(ClientRectOnScreen(Found), P)) break;
    TPoint O = ClientOriginOnScreen(Found);
    TPoint C = Point(P.X - O.X, P.Y - O.Y);
    TWnd* Next = nullptr;
    for (TWnd* K : Found->Children)
      if ((K->Style & WS_VISIBLE) && !Skipped(K) && InWindowShape(K, C)) {
        Next = K;
        break;
      }
    if (!Next || (Next->Style & WS_DISABLED)) break;
    Found = Next;
  }
  return Found;
}

TRect NonClientInsets(DWORD Style, DWORD ExStyle, bool WithScrollBars) {
  TRect In;
  auto Add = [&In](Integer X, Integer Y) {
    In.Left += X;
    In.Right += X;
    In.Top += Y;
    In.Bottom += Y;
  };
  if (Style & WS_THICKFRAME)
    Add(GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
  else if ((Style & WS_DLGFRAME) || (ExStyle & WS_EX_DLGMODALFRAME))
    Add(GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME));
  else if (Style & WS_BORDER)
    Add(GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
  if ((Style & WS_CAPTION) == WS_CAPTION)
    In.Top += GetSystemMetrics((ExStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  if (ExStyle & WS_EX_CLIENTEDGE) Add(GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE));
  if (ExStyle & WS_EX_STATICEDGE) Add(GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
  if (WithScrollBars && (Style & WS_VSCROLL)) {
    if (ExStyle & WS_EX_LEFTSCROLLBAR)
      In.Left += GetSystemMetrics(SM_CXVSCROLL);
    else
      In.Right += GetSystemMetrics(SM_CXVSCROLL);
  }
  if (WithScrollBars && (Style & WS_HSCROLL)) In.Bottom += GetSystemMetrics(SM_CYHSCROLL);
  return In;
}

}  // namespace winimpl

BOOL GetWindowRect(HWND Wnd, TRect* R) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !R) return FALSE;
  *R = WindowRectOnScreen(W);
  return TRUE;
}

BOOL GetClientRect(HWND Wnd, TRect* R) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !R) return FALSE;
  *R = Rect(0, 0, W->ClientRect.Width(), W->ClientRect.Height());
  return TRUE;
}

BOOL ClientToScreen(HWND Wnd, TPoint* P) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !P) return FALSE;
  TPoint O = ClientOriginOnScreen(W);
  P->X += O.X;
  P->Y += O.Y;
  return TRUE;
}

BOOL ScreenToClient(HWND Wnd, TPoint* P) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !P) return FALSE;
  TPoint O = ClientOriginOnScreen(W);
  P->X -= O.X;
  P->Y -= O.Y;
  return TRUE;
}

Integer MapWindowPoints(HWND From, HWND To, TPoint* Points, UINT Count) {
  TWnd* F = From ? FindWnd(From) : Desktop();
  TWnd* T = To ? FindWnd(To) : Desktop();
  if (!F || !T) return 0;
  TPoint A = ClientOriginOnScreen(F), B = ClientOriginOnScreen(T);
  Integer DX = A.X - B.X, DY = A.Y - B.Y;
  for (UINT I = 0; I < Count; ++I) {
    Points[I].X += DX;
    Points[I].Y += DY;
  }
  return Integer(MAKELPARAM(DX, DY));
}

namespace {

bool Skip(const TWnd* C, UINT Flags) {
  if ((Flags & CWP_SKIPINVISIBLE) && !(C->Style & WS_VISIBLE)) return true;
  if ((Flags & CWP_SKIPDISABLED) && (C->Style & WS_DISABLED)) return true;
  if ((Flags & CWP_SKIPTRANSPARENT) && (C->ExStyle & WS_EX_TRANSPARENT)) return true;
  return false;
}

}  // namespace

HWND ChildWindowFromPointEx(HWND Parent, TPoint P, UINT Flags) {
  TWnd* W = FindWnd(Parent);
  if (!W) return nullptr;
  if (!PtInRect(Rect(0, 0, W->ClientRect.Width(), W->ClientRect.Height()), P)) return nullptr;
  for (TWnd* C : W->Children)
    if (!Skip(C, Flags) && InWindowShape(C, P)) return C->Handle;
  return Parent;
}

HWND ChildWindowFromPoint(HWND Parent, TPoint P) {
  return ChildWindowFromPointEx(Parent, P, CWP_ALL);
}

HWND WindowFromPoint(TPoint P) {
  TWnd* Found = WindowUnder(P, {});
  return Found ? Found->Handle : nullptr;
}

BOOL AdjustWindowRectEx(TRect* R, DWORD Style, BOOL Menu, DWORD ExStyle) {
  if (!R) return FALSE;
  TRect In = NonClientInsets(Style, ExStyle, false);
  R->Left -= In.Left;
  R->Top -= In.Top;
  R->Right += In.Right;
  R->Bottom += In.Bottom;
  if (Menu) R->Top -= GetSystemMetrics(SM_CYMENU);
  return TRUE;
}

BOOL AdjustWindowRect(TRect* R, DWORD Style, BOOL Menu) {
  return AdjustWindowRectEx(R, Style, Menu, 0);
}

// [SECTION] Reset

void ResetWindowSystem() {
  TWinState& S = State();
  EndScrollTrack(true);
  std::vector<HWND> Tops;
  for (TWnd* T : Desktop()->Children) Tops.push_back(T->Handle);
  for (HWND H : Tops) DestroyWindow(H);
  KV_ASSERT(S.Windows.empty(), "every window goes with its top-level window");
  S.Graveyard.clear();
  S.Focus = S.Active = S.Capture = nullptr;
  S.Posted.clear();
  S.Input.clear();
  S.QuitPending = false;
  S.QuitCode = 0;
  SysLocale = TSysLocale{};
  S.LastMsgTime = 0;
  S.LastMsgPos = {};
  std::fill(std::begin(S.AsyncKeys), std::end(S.AsyncKeys), Byte(0));
  std::fill(std::begin(S.Keys), std::end(S.Keys), Byte(0));
  S.CursorPos = {};
  S.AltAlone = false;
  S.LastDownValid = false;
  S.Track = {};
  S.Caret = {};
  ResetTimers();
  ResetClipboard();
  ResetCursors();
  ResetMetrics();
  S.Desktop.reset();
}

}  // namespace kvp
