// Painting: update regions, the paint cycle (WM_NCPAINT, WM_ERASEBKGND,
// WM_PAINT), device contexts on the top-level window's surface with the
// visible region that WS_CLIPCHILDREN and WS_CLIPSIBLINGS shape, scrolling of
// window contents, and the drawing of frames and scroll bars.
//
// Index
//   [SECTION] Surfaces and visible regions   ResizeSurface, VisibleRegion, MakeDC
//   [SECTION] Update regions                 InvalidateRect/Rgn, ValidateRect/Rgn, RedrawWindow
//   [SECTION] The paint cycle                FindWindowToPaint, BeginPaint, EndPaint, UpdateWindow
//   [SECTION] Device contexts                GetDC, GetDCEx, GetWindowDC, ReleaseDC
//   [SECTION] Scrolling                      ScrollWindowEx, ScrollWindow
//   [SECTION] The non-client area            PaintNonClient
//   [SECTION] Tests                          GetWindowSurface, SaveWindowPng
#include <algorithm>

#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

// [SECTION] Surfaces and visible regions

namespace winimpl {

void ResizeSurface(TWnd* W) {
  if (!IsTopLevel(W)) {
    W->Surface.reset();
    return;
  }
  Integer Wd = W->WindowRect.Width(), Ht = W->WindowRect.Height();
  if (!W->Surface)
    W->Surface = std::make_unique<TSurface>(Wd, Ht);
  else if (W->Surface->Width() != Wd || W->Surface->Height() != Ht)
    W->Surface->Resize(Wd, Ht);
}

}  // namespace winimpl

namespace {

TRect ClientRectLocal(const TWnd* W) {
  return Rect(0, 0, W->ClientRect.Width(), W->ClientRect.Height());
}

// A rectangle in screen coordinates moved onto the surface of W's top-level window.
TRect OnSurface(const TWnd* W, TRect ScreenR) {
  TRect RootR = WindowRectOnScreen(RootOf(const_cast<TWnd*>(W)));
  OffsetRect(ScreenR, -RootR.Left, -RootR.Top);
  return ScreenR;
}

// A window's shape (its region, or its rectangle) moved onto the surface.
TRegion ShapeOnSurface(const TWnd* W) {
  TRegion Shape = WindowShapeOnScreen(W);
  TRect RootR = WindowRectOnScreen(RootOf(const_cast<TWnd*>(W)));
  Shape.Offset(-RootR.Left, -RootR.Top);
  return Shape;
}

// The part of the surface that a DC of W may touch: its client area (or whole
// window), inside every parent's client area, less the higher siblings of the
// windows on the way that clip their siblings, less its own children when it
// clips them. Window regions cut every window on the way to its shape.
TRegion VisibleRegion(TWnd* W, bool Whole) {
  TRegion Vis(OnSurface(W, Whole ? WindowRectOnScreen(W) : ClientRectOnScreen(W)));
  for (TWnd* A = W; A && A != Desktop(); A = A->Parent) {
    if (A->Shape) Vis = TRegion::Combine(Vis, ShapeOnSurface(A), RGN_AND);
    if (!A->Parent || A->Parent == Desktop()) break;
    Vis = Vis.Intersected(OnSurface(A, ClientRectOnScreen(A->Parent)));
    if (!(A->Style & WS_CLIPSIBLINGS)) continue;
    for (TWnd* Sib : A->Parent->Children) {
      if (Sib == A) break;
      if (Sib->Style & WS_VISIBLE) Vis = TRegion::Combine(Vis, ShapeOnSurface(Sib), RGN_DIFF);
    }
  }
  if (W->Style & WS_CLIPCHILDREN)
    for (TWnd* C : W->Children)
      if (C->Style & WS_VISIBLE) Vis = TRegion::Combine(Vis, ShapeOnSurface(C), RGN_DIFF);
  return Vis;
}

// A DC on W's surface with its origin at the client (or window) corner, drawing
// only inside Vis (surface coordinates).
HDC MakeDC(TWnd* W, bool Whole, const TRegion& Vis) {
  TWnd* Root = RootOf(W);
  if (!Root) return nullptr;
  ResizeSurface(Root);
  TRect R = OnSurface(W, Whole ? WindowRectOnScreen(W) : ClientRectOnScreen(W));
  HRGN Clip = CreateRegionFrom(Vis);
  HDC Dc = CreateSurfaceDC(Root->Surface.get(), R.TopLeft(), Clip);
  DeleteObject(Clip);
  if (TWindowObserver* O = GetWindowObserver(); O && !Vis.IsEmpty())
    O->SurfacePainted(Root->Handle, Vis.Box());
  return Dc;
}

// The update region (client coordinates) as surface coordinates.
TRegion UpdateOnSurface(TWnd* W) {
  TRegion U = W->Update;
  TRect C = OnSurface(W, ClientRectOnScreen(W));
  U.Offset(C.Left, C.Top);
  return U;
}

}  // namespace

// [SECTION] Update regions

namespace {

bool IncludeChildren(const TWnd* W, UINT Flags) {
  if (Flags & RDW_ALLCHILDREN) return true;
  if (Flags & RDW_NOCHILDREN) return false;
  return !(W->Style & WS_CLIPCHILDREN);
}

// Applies RedrawWindow's invalidation and validation flags to W for Area
// (client coordinates; null = the whole client area), then to its children.
void ApplyRedraw(TWnd* W, const TRegion* Area, UINT Flags) {
  if (!(W->Style & WS_VISIBLE)) return;
  TRegion Whole(ClientRectLocal(W));
  TRegion A = Area ? TRegion::Combine(*Area, Whole, RGN_AND) : Whole;
  if (Flags & RDW_INVALIDATE) {
    W->Update = TRegion::Combine(W->Update, A, RGN_OR);
    if ((Flags & RDW_ERASE) && !A.IsEmpty()) W->ErasePending = true;
    if (Flags & RDW_FRAME) W->NcPaintPending = true;
    if (Flags & RDW_INTERNALPAINT) W->InternalPaint = true;
  } else if (Flags & RDW_VALIDATE) {
    W->Update = TRegion::Combine(W->Update, A, RGN_DIFF);
    if ((Flags & RDW_NOERASE) || W->Update.IsEmpty()) W->ErasePending = false;
    if (Flags & RDW_NOFRAME) W->NcPaintPending = false;
    if (Flags & RDW_NOINTERNALPAINT) W->InternalPaint = false;
  }
  if (!IncludeChildren(W, Flags)) return;
  for (TWnd* C : W->Children) {
    // A child's frame lies in its parent's client area and is painted again with it.
    if ((Flags & RDW_INVALIDATE) && (C->Style & WS_VISIBLE) && C->WindowRect != C->ClientRect &&
        A.Intersects(C->WindowRect))
      C->NcPaintPending = true;
    TRegion Sub = A;
    Sub.Offset(-C->ClientRect.Left, -C->ClientRect.Top);
    ApplyRedraw(C, &Sub, Flags);
  }
}

const TRegion* RegionOf(HRGN Rgn) { return Rgn ? GetRegionData(Rgn) : nullptr; }

}  // namespace

namespace winimpl {

void InvalidateWhole(TWnd* W, bool Erase, bool Frame) {
  UINT Flags = RDW_INVALIDATE | RDW_ALLCHILDREN | (Erase ? RDW_ERASE : 0);
  ApplyRedraw(W, nullptr, Flags);
  if (!Frame) return;
  W->NcPaintPending = true;
  std::vector<TWnd*> Stack(W->Children.begin(), W->Children.end());
  while (!Stack.empty()) {
    TWnd* C = Stack.back();
    Stack.pop_back();
    C->NcPaintPending = true;
    Stack.insert(Stack.end(), C->Children.begin(), C->Children.end());
  }
}

// What W covered in its parent (RectInParent, parent client coordinates) is
// to be painted again by the parent and the siblings it showed.
void MarkParentArea(TWnd* W, const TRect& RectInParent) {
  TWnd* P = W->Parent;
  if (!P || P == Desktop()) return;
  TRegion Area(RectInParent);
  ApplyRedraw(P, &Area, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
  for (TWnd* Sib : P->Children) {
    TRect Common;
    if (Sib == W || !(Sib->Style & WS_VISIBLE) ||
        !IntersectRect(Common, Sib->WindowRect, RectInParent))
      continue;
    TRegion Sub(Common);
    Sub.Offset(-Sib->ClientRect.Left, -Sib->ClientRect.Top);
    ApplyRedraw(Sib, &Sub, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    Sib->NcPaintPending = true;
  }
}

}  // namespace winimpl

BOOL RedrawWindow(HWND Wnd, const TRect* Update, HRGN UpdateRgn, UINT Flags) {
  TWnd* W = Wnd ? FindWnd(Wnd) : nullptr;
  if (Wnd && !W) return FALSE;
  std::vector<TWnd*> Targets;
  if (W)
    Targets.push_back(W);
  else
    Targets.assign(Desktop()->Children.begin(), Desktop()->Children.end());
  std::vector<HWND> Handles;
  for (TWnd* T : Targets) {
    TRegion Area;
    const TRegion* A = nullptr;
    if (const TRegion* R = RegionOf(UpdateRgn))
      A = R;
    else if (Update)
      A = &(Area = TRegion(*Update));
    ApplyRedraw(T, A, Flags);
    if ((Flags & RDW_INVALIDATE) && (Flags & RDW_FRAME)) T->NcPaintPending = true;
    Handles.push_back(T->Handle);
  }
  for (HWND H : Handles) {
    if (Flags & RDW_UPDATENOW) {
      UpdateWindow(H);
    } else if ((Flags & RDW_ERASENOW) && FindWnd(H)) {
      TWnd* T = FindWnd(H);
      if (T->NcPaintPending) {
        T->NcPaintPending = false;
        SendMessage(H, WM_NCPAINT, 1, 0);
      }
      if ((T = FindWnd(H)) && T->ErasePending && !T->Update.IsEmpty()) {
        HDC Dc = MakeDC(T, false,
                        TRegion::Combine(VisibleRegion(T, false), UpdateOnSurface(T), RGN_AND));
        if (SendMessage(H, WM_ERASEBKGND, reinterpret_cast<WPARAM>(Dc), 0))
          if ((T = FindWnd(H))) T->ErasePending = false;
        DeleteDC(Dc);
      }
    }
  }
  return TRUE;
}

BOOL InvalidateRect(HWND Wnd, const TRect* R, BOOL Erase) {
  return RedrawWindow(Wnd, R, nullptr, RDW_INVALIDATE | (Erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND Wnd, HRGN Rgn, BOOL Erase) {
  if (Rgn && !GetRegionData(Rgn)) return FALSE;
  return RedrawWindow(Wnd, nullptr, Rgn, RDW_INVALIDATE | (Erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND Wnd, const TRect* R) {
  if (!Wnd) return FALSE;
  return RedrawWindow(Wnd, R, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL ValidateRgn(HWND Wnd, HRGN Rgn) {
  if (!Wnd || (Rgn && !GetRegionData(Rgn))) return FALSE;
  return RedrawWindow(Wnd, nullptr, Rgn, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL GetUpdateRect(HWND Wnd, TRect* R, BOOL Erase) {
  TWnd* W = FindWnd(Wnd);
  if (!W) return FALSE;
  if (Erase && W->ErasePending && !W->Update.IsEmpty())
    RedrawWindow(Wnd, nullptr, nullptr, RDW_ERASENOW);
  if (!(W = FindWnd(Wnd))) return FALSE;
  if (R) *R = W->Update.Box();
  return W->Update.IsEmpty() ? FALSE : TRUE;
}

Integer GetUpdateRgn(HWND Wnd, HRGN Rgn, BOOL Erase) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !Rgn || !GetRegionData(Rgn)) return ERROR_REGION;
  if (Erase && W->ErasePending && !W->Update.IsEmpty())
    RedrawWindow(Wnd, nullptr, nullptr, RDW_ERASENOW);
  if (!(W = FindWnd(Wnd))) return ERROR_REGION;
  HRGN Copy = CreateRegionFrom(W->Update);
  Integer Kind = CombineRgn(Rgn, Copy, nullptr, RGN_COPY);
  DeleteObject(Copy);
  return Kind;
}

// [SECTION] The paint cycle

namespace {

bool OwesPaint(const TWnd* W) { return !W->Update.IsEmpty() || W->InternalPaint; }

HWND FindPaint(TWnd* W, HWND Filter) {
  if (!(W->Style & WS_VISIBLE)) return nullptr;
  HWND H = W->Handle;
  bool Matches = !Filter || H == Filter || IsChild(Filter, H);
  if (Matches && W->NcPaintPending && !OwesPaint(W)) {
    // A frame alone is painted here, without a WM_PAINT.
    W->NcPaintPending = false;
    SendMessage(H, WM_NCPAINT, 1, 0);
    if (!(W = FindWnd(H)) || !(W->Style & WS_VISIBLE)) return nullptr;
  }
  if (Matches && OwesPaint(W)) return H;
  std::vector<HWND> Kids;
  for (TWnd* C : W->Children) Kids.push_back(C->Handle);
  for (HWND K : Kids)
    if (TWnd* C = FindWnd(K))
      if (HWND P = FindPaint(C, Filter)) return P;
  return nullptr;
}

}  // namespace

namespace winimpl {

bool AnythingToPaint() {
  std::vector<TWnd*> Stack(Desktop()->Children.begin(), Desktop()->Children.end());
  while (!Stack.empty()) {
    TWnd* W = Stack.back();
    Stack.pop_back();
    if (!(W->Style & WS_VISIBLE)) continue;
    if (OwesPaint(W) || W->NcPaintPending) return true;
    Stack.insert(Stack.end(), W->Children.begin(), W->Children.end());
  }
  return false;
}

HWND FindWindowToPaint(HWND Filter) {
  std::vector<HWND> Tops;
  for (TWnd* T : Desktop()->Children) Tops.push_back(T->Handle);
  for (HWND T : Tops)
    if (TWnd* W = FindWnd(T))
      if (HWND P = FindPaint(W, Filter)) return P;
  return nullptr;
}

}  // namespace winimpl

HDC BeginPaint(HWND Wnd, PAINTSTRUCT* Paint) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !Paint) return nullptr;
  TWinState& S = State();
  if (S.Caret.Owner == Wnd) HideCaret(Wnd);
  if (W->NcPaintPending) {
    W->NcPaintPending = false;
    SendMessage(Wnd, WM_NCPAINT, 1, 0);
    if (!(W = FindWnd(Wnd))) return nullptr;
  }
  TRegion Region = W->Update;
  TRegion OnSurf = UpdateOnSurface(W);
  bool Erase = W->ErasePending;
  W->Update = TRegion();
  W->ErasePending = false;
  W->InternalPaint = false;
  HDC Dc = MakeDC(W, false, TRegion::Combine(VisibleRegion(W, false), OnSurf, RGN_AND));
  *Paint = PAINTSTRUCT{};
  Paint->hdc = Dc;
  Paint->rcPaint = Region.Box();
  if (Erase)
    Paint->fErase = SendMessage(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(Dc), 0) ? FALSE : TRUE;
  return Dc;
}

BOOL EndPaint(HWND Wnd, const PAINTSTRUCT* Paint) {
  if (Paint && Paint->hdc) DeleteDC(Paint->hdc);
  if (State().Caret.Owner == Wnd && IsWindow(Wnd)) ShowCaret(Wnd);
  return TRUE;
}

BOOL UpdateWindow(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  if (!W) return FALSE;
  if (!IsWindowVisible(Wnd)) return TRUE;
  // The window first, then its children, each painted at once.
  for (Integer Guard = 0; Guard < 1000; ++Guard) {
    HWND P = FindPaint(W, Wnd);
    if (!P) break;
    SendMessage(P, WM_PAINT, 0, 0);
    TWnd* Painted = FindWnd(P);
    if (Painted && OwesPaint(Painted)) {
      // Not validated by its handler: the queue will ask again.
      break;
    }
    if (!(W = FindWnd(Wnd))) break;
  }
  return TRUE;
}

// [SECTION] Device contexts

HDC GetDCEx(HWND Wnd, HRGN Clip, DWORD Flags) {
  bool OwnsClip = Clip && Clip != reinterpret_cast<HRGN>(1);
  TRegion Extra;
  bool HasExtra = false;
  if (OwnsClip && (Flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    if (const TRegion* R = GetRegionData(Clip)) {
      Extra = *R;
      HasExtra = true;
    }
  }
  if (OwnsClip && (Flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) DeleteObject(Clip);
  if (!Wnd) return CreateScreenDC();
  TWnd* W = FindWnd(Wnd);
  if (!W) return nullptr;
  bool Whole = (Flags & DCX_WINDOW) != 0;
  TRegion Vis = VisibleRegion(W, Whole);
  if (HasExtra) {
    // The clip region is in screen coordinates.
    TRect RootR = WindowRectOnScreen(RootOf(W));
    Extra.Offset(-RootR.Left, -RootR.Top);
    Vis = TRegion::Combine(Vis, Extra, (Flags & DCX_INTERSECTRGN) ? RGN_AND : RGN_DIFF);
  }
  return MakeDC(W, Whole, Vis);
}

HDC GetDC(HWND Wnd) { return GetDCEx(Wnd, nullptr, 0); }
HDC GetWindowDC(HWND Wnd) { return GetDCEx(Wnd, nullptr, DCX_WINDOW); }

Integer ReleaseDC(HWND, HDC Dc) { return DeleteDC(Dc) ? 1 : 0; }

// [SECTION] Scrolling

namespace {

void ScrollChildren(TWnd* W, const TRect* Scroll, Integer DX, Integer DY) {
  std::vector<HWND> Kids;
  TRect Common;
  for (TWnd* C : W->Children)
    if (!Scroll || IntersectRect(Common, C->WindowRect, *Scroll)) Kids.push_back(C->Handle);
  for (HWND K : Kids) {
    TWnd* C = FindWnd(K);
    if (!C) continue;
    SetWindowPos(K, nullptr, C->WindowRect.Left + DX, C->WindowRect.Top + DY, 0, 0,
                 SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

}  // namespace

Integer ScrollWindowEx(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip,
                       HRGN UpdateRgn, TRect* UpdateRect, UINT Flags) {
  TWnd* W = FindWnd(Wnd);
  if (!W) return ERROR_REGION;
  // [Phase 1] The area that scrolls, where pixels may land, and what stays valid.
  TRect Client = ClientRectLocal(W), Area, Limit;
  IntersectRect(Area, Scroll ? *Scroll : Client, Client);
  if (!Clip || !IntersectRect(Limit, *Clip, Client)) Limit = Clip ? TRect{} : Client;
  TRect Dest = Area;
  OffsetRect(Dest, DX, DY);
  TRect Kept, Reach;
  IntersectRect(Reach, Area, Limit);
  IntersectRect(Kept, Dest, Reach);
  TRegion Uncovered = TRegion::Combine(TRegion(Reach), TRegion(Kept), RGN_DIFF);
  // [Phase 2] The pixels move on the surface.
  if (IsWindowVisible(Wnd) && !IsRectEmpty(Kept)) {
    HDC Dc = GetDCEx(Wnd, nullptr, 0);
    BitBlt(Dc, Kept.Left, Kept.Top, Kept.Width(), Kept.Height(), Dc, Kept.Left - DX, Kept.Top - DY,
           SRCCOPY);
    ReleaseDC(Wnd, Dc);
  }
  // [Phase 3] The pending update region inside the area moves with them.
  TRegion Moved = W->Update.Intersected(Area);
  Moved.Offset(DX, DY);
  Moved = Moved.Intersected(Reach);
  W->Update =
      TRegion::Combine(TRegion::Combine(W->Update, TRegion(Reach), RGN_DIFF), Moved, RGN_OR);
  if (Flags & SW_INVALIDATE) {
    W->Update = TRegion::Combine(W->Update, Uncovered, RGN_OR);
    if ((Flags & SW_ERASE) && !Uncovered.IsEmpty()) W->ErasePending = true;
  }
  if (Flags & SW_SCROLLCHILDREN) ScrollChildren(W, Scroll, DX, DY);
  // [Phase 4] Tell the caller what was uncovered.
  if (UpdateRgn && GetRegionData(UpdateRgn)) {
    HRGN Tmp = CreateRegionFrom(Uncovered);
    CombineRgn(UpdateRgn, Tmp, nullptr, RGN_COPY);
    DeleteObject(Tmp);
  }
  if (UpdateRect) *UpdateRect = Uncovered.Box();
  return Uncovered.Kind();
}

BOOL ScrollWindow(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip) {
  UINT Flags = SW_INVALIDATE | SW_ERASE | (Scroll ? 0 : SW_SCROLLCHILDREN);
  return ScrollWindowEx(Wnd, DX, DY, Scroll, Clip, nullptr, nullptr, Flags) != ERROR_REGION;
}

// [SECTION] The non-client area

namespace {

void PaintScrollBar(HDC Dc, TWnd* W, Integer Bar) {
  TRect R = ScrollBarRect(W, Bar);
  if (IsRectEmpty(R)) return;
  const TScrollBarRec& B = W->Bars[Bar];
  bool Vert = Bar == SB_VERT;
  Integer TrackStart, TrackEnd, ThumbStart, ThumbEnd;
  ScrollBarParts(W, Bar, TrackStart, TrackEnd, ThumbStart, ThumbEnd);
  auto Span = [&](Integer A, Integer Z) {
    return Vert ? Rect(R.Left, A, R.Right, Z) : Rect(A, R.Top, Z, R.Bottom);
  };
  TRect Track = Span(TrackStart, TrackEnd);
  FillRect(Dc, &Track, GetSysColorBrush(COLOR_SCROLLBAR));
  TRect Up = Span(Vert ? R.Top : R.Left, TrackStart);
  TRect Down = Span(TrackEnd, Vert ? R.Bottom : R.Right);
  UINT UpKind = Vert ? DFCS_SCROLLUP : DFCS_SCROLLLEFT;
  UINT DownKind = Vert ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT;
  DrawFrameControl(Dc, &Up, DFC_SCROLL,
                   UpKind | ((B.Disabled & ESB_DISABLE_LTUP) ? DFCS_INACTIVE : 0));
  DrawFrameControl(Dc, &Down, DFC_SCROLL,
                   DownKind | ((B.Disabled & ESB_DISABLE_RTDN) ? DFCS_INACTIVE : 0));
  if (ThumbEnd > ThumbStart) {
    TRect Thumb = Span(ThumbStart, ThumbEnd);
    FillRect(Dc, &Thumb, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(Dc, &Thumb, EDGE_RAISED, BF_RECT);
  }
}

void PaintCaption(HDC Dc, TWnd* W, TRect& R) {
  // The caption bar, with a one-pixel line under it that belongs to the caption height.
  Integer Height =
      GetSystemMetrics((W->ExStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  TRect Cap = Rect(R.Left, R.Top, R.Right, R.Top + Height - 1);
  bool Active = State().Active == W->Handle;
  FillRect(Dc, &Cap, GetSysColorBrush(Active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
  SetBkMode(Dc, TRANSPARENT);
  SetTextColor(Dc, GetSysColor(Active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  TRect Text = Cap;
  Text.Left += 4;
  DrawText(Dc, W->Text, -1, &Text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  R.Top = Cap.Bottom + 1;
}

}  // namespace

namespace winimpl {

void PaintNonClient(TWnd* W) {
  if (!IsWindowVisible(W->Handle)) return;
  TRect Client = W->ClientRect;
  OffsetRect(Client, -W->WindowRect.Left, -W->WindowRect.Top);
  TRegion Frame(Rect(0, 0, W->WindowRect.Width(), W->WindowRect.Height()));
  TRegion NonClient = TRegion::Combine(Frame, TRegion(Client), RGN_DIFF);
  if (NonClient.IsEmpty()) return;
  TRegion Vis = VisibleRegion(W, true);
  TRect WinOnSurf = OnSurface(W, WindowRectOnScreen(W));
  NonClient.Offset(WinOnSurf.Left, WinOnSurf.Top);
  HDC Dc = MakeDC(W, true, TRegion::Combine(Vis, NonClient, RGN_AND));
  TRect R = Rect(0, 0, W->WindowRect.Width(), W->WindowRect.Height());
  // [Phase 1] The outer frame.
  if ((W->Style & (WS_THICKFRAME | WS_DLGFRAME)) || (W->ExStyle & WS_EX_DLGMODALFRAME)) {
    Integer Thick =
        (W->Style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME) : GetSystemMetrics(SM_CXDLGFRAME);
    FillRect(Dc, &R, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(Dc, &R, EDGE_RAISED, BF_RECT);
    InflateRect(R, -Thick, -Thick);
  } else if (W->Style & WS_BORDER) {
    FrameRect(Dc, &R, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(R, -1, -1);
  }
  if ((W->Style & WS_CAPTION) == WS_CAPTION) PaintCaption(Dc, W, R);
  // [Phase 2] The 3-D edges around the client area.
  if (W->ExStyle & WS_EX_CLIENTEDGE) {
    DrawEdge(Dc, &R, EDGE_SUNKEN, BF_RECT);
    InflateRect(R, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
  }
  if (W->ExStyle & WS_EX_STATICEDGE) {
    DrawEdge(Dc, &R, BDR_SUNKENOUTER, BF_RECT);
    InflateRect(R, -1, -1);
  }
  // [Phase 3] Scroll bars and the box between them.
  PaintScrollBar(Dc, W, SB_VERT);
  PaintScrollBar(Dc, W, SB_HORZ);
  TRect V = ScrollBarRect(W, SB_VERT), H = ScrollBarRect(W, SB_HORZ);
  if (!IsRectEmpty(V) && !IsRectEmpty(H)) {
    TRect Box = Rect(V.Left, H.Top, V.Right, H.Bottom);
    FillRect(Dc, &Box, GetSysColorBrush(COLOR_BTNFACE));
  }
  DeleteDC(Dc);
}

}  // namespace winimpl

// [SECTION] Tests

TSurface* GetWindowSurface(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  TWnd* Root = W ? RootOf(W) : nullptr;
  if (!Root) return nullptr;
  ResizeSurface(Root);
  return Root->Surface.get();
}

TRect GetWindowSurfaceRect(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !RootOf(W)) return {};
  return OnSurface(W, WindowRectOnScreen(W));
}

void SaveWindowPng(HWND Wnd, const String& FileName) {
  TSurface* S = GetWindowSurface(Wnd);
  if (!S)
    throw EInvalidArgument("SaveWindowPng: no window with handle " +
                           std::to_string(reinterpret_cast<std::uintptr_t>(Wnd)));
  S->SavePng(FileName);
}

}  // namespace kvp
