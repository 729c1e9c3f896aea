// Painting: update regions and the paint cycle's messages, what the default
// handlers draw on the top-level window's surface, clipping of children, and
// scrolling of window contents.
#include <filesystem>

#include "WinTestUtil.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"

namespace kvp::test {
namespace {

using PaintTest = WinTest;

COLORREF PixelOf(HWND Wnd, Integer X, Integer Y) {
  // Client coordinates of Wnd, read from its top-level window's surface.
  TPoint P = Point(X, Y);
  MapWindowPoints(Wnd, GetAncestor(Wnd, GA_ROOT), &P, 1);
  TRect Root;
  GetWindowRect(GetAncestor(Wnd, GA_ROOT), &Root);
  TPoint C = Point(0, 0);
  ClientToScreen(GetAncestor(Wnd, GA_ROOT), &C);
  return GetWindowSurface(Wnd)->GetPixel(P.X + C.X - Root.Left, P.Y + C.Y - Root.Top);
}

void FillClient(HWND Wnd, COLORREF Color) {
  HDC Dc = GetDC(Wnd);
  TRect R;
  GetClientRect(Wnd, &R);
  HBRUSH B = CreateSolidBrush(Color);
  FillRect(Dc, &R, B);
  DeleteObject(B);
  ReleaseDC(Wnd, Dc);
}

TEST_F(PaintTest, BeginPaintErasesAndValidates) {
  HWND H = MakeTop(Rect(0, 0, 100, 100));
  ProcessMessages();
  TRect Got;
  bool FErase = false;
  Rec().Answer = [&](HWND, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (Msg == WM_ERASEBKGND) return 0;  // leaves the erasing to the paint handler
    if (Msg != WM_PAINT) return std::nullopt;
    PAINTSTRUCT Ps;
    BeginPaint(H, &Ps);
    Got = Ps.rcPaint;
    FErase = Ps.fErase;
    EndPaint(H, &Ps);
    return 0;
  };
  TRect A = Rect(10, 10, 20, 20), B = Rect(30, 5, 40, 15);
  InvalidateRect(H, &A, FALSE);
  InvalidateRect(H, &B, TRUE);
  TRect U;
  EXPECT_TRUE(GetUpdateRect(H, &U, FALSE));
  EXPECT_EQ(U, Rect(10, 5, 40, 20));
  Rec().Clear();
  ProcessMessages();
  EXPECT_EQ(Got, Rect(10, 5, 40, 20));
  EXPECT_TRUE(FErase);
  EXPECT_EQ(Rec().Count(H, WM_PAINT), 1);
  EXPECT_FALSE(GetUpdateRect(H, &U, FALSE));

  ValidateRect(H, nullptr);
  InvalidateRect(H, &A, FALSE);
  ValidateRect(H, &A);
  Rec().Clear();
  ProcessMessages();
  EXPECT_EQ(Rec().Count(H, WM_PAINT), 0) << "validated before it was painted";
}

TEST_F(PaintTest, ErasingHappensOnlyWhenAnInvalidationAskedForIt) {
  HWND Top = MakeTop(Rect(0, 0, 200, 200));
  HWND Child = MakeChild(Top, Rect(50, 50, 150, 150));
  ProcessMessages();
  auto Cycle = [&](auto Invalidate) {
    Rec().Clear();
    Invalidate();
    ProcessMessages();
    return std::make_pair(Rec().Count(Top, WM_ERASEBKGND), Rec().Count(Top, WM_PAINT));
  };
  using P = std::pair<Integer, Integer>;
  EXPECT_EQ(Cycle([&] { InvalidateRect(Top, nullptr, FALSE); }), P(0, 1));
  EXPECT_EQ(Cycle([&] { InvalidateRect(Top, nullptr, TRUE); }), P(1, 1));
  // Validating all of it drops the erase it owed: the next paint without one
  // does not erase.
  EXPECT_EQ(Cycle([&] {
              InvalidateRect(Top, nullptr, TRUE);
              ValidateRect(Top, nullptr);
              InvalidateRect(Top, nullptr, FALSE);
            }),
            P(0, 1));
  // Validating part of it keeps the erase for the rest.
  TRect Part = Rect(0, 0, 10, 10);
  EXPECT_EQ(Cycle([&] {
              InvalidateRect(Top, nullptr, TRUE);
              ValidateRect(Top, &Part);
            }),
            P(1, 1));
  // Validating a parent leaves its children owing their paint.
  Rec().Clear();
  InvalidateRect(Top, nullptr, FALSE);
  RedrawWindow(Top, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  ValidateRect(Top, nullptr);
  ProcessMessages();
  EXPECT_EQ(Rec().Count(Top, WM_PAINT), 0);
  EXPECT_EQ(Rec().Count(Child, WM_PAINT), 1);
  // RDW_FRAME repaints the frame of the window asked, not only its children's.
  HWND Framed = MakeTop(Rect(300, 0, 400, 100), WS_POPUP | WS_VISIBLE | WS_BORDER);
  ProcessMessages();
  Rec().Clear();
  RedrawWindow(Framed, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  ProcessMessages();
  EXPECT_EQ(Rec().Count(Framed, WM_NCPAINT), 1);
  Rec().Clear();
  RedrawWindow(Framed, nullptr, nullptr, RDW_INVALIDATE);
  ProcessMessages();
  EXPECT_EQ(Rec().Count(Framed, WM_NCPAINT), 0);
}

TEST_F(PaintTest, DefaultErasingFillsWithTheClassBrush) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  HWND Child = MakeChild(Top, Rect(10, 10, 60, 60), WS_CHILD | WS_VISIBLE, WS_EX_CLIENTEDGE);
  ProcessMessages();
  EXPECT_EQ(PixelOf(Child, 5, 5), GetSysColor(COLOR_WINDOW));
  FillClient(Child, RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(Child, 5, 5), RGB(255, 0, 0));
  InvalidateRect(Child, nullptr, TRUE);
  UpdateWindow(Child);
  EXPECT_EQ(PixelOf(Child, 5, 5), GetSysColor(COLOR_WINDOW)) << "UpdateWindow paints at once";
  // The sunken client edge: shadow at the outer top-left.
  EXPECT_EQ(PixelOf(Child, -2, -2), GetSysColor(COLOR_BTNSHADOW));
}

TEST_F(PaintTest, ClipChildrenKeepsAParentOffItsChildren) {
  for (DWORD Clip : {DWORD(0), WS_CLIPCHILDREN}) {
    SCOPED_TRACE(Clip);
    HWND Top = MakeTop(Rect(0, 0, 100, 100), WS_POPUP | WS_VISIBLE | Clip);
    HWND Child = MakeChild(Top, Rect(10, 10, 50, 50));
    ProcessMessages();
    FillClient(Top, RGB(0, 0, 255));
    EXPECT_EQ(PixelOf(Child, 5, 5) == RGB(0, 0, 255), Clip == 0);
    EXPECT_EQ(PixelOf(Top, 5, 5), RGB(0, 0, 255));
    DestroyWindow(Top);
  }
}

TEST_F(PaintTest, AParentPaintedOverItsChildrenHasThemPaintedAgainFramesToo) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  HWND Child = MakeChild(Top, Rect(10, 10, 60, 60), WS_CHILD | WS_VISIBLE, WS_EX_CLIENTEDGE);
  ProcessMessages();
  Rec().Answer = [Top](HWND W, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (W != Top || Msg != WM_PAINT) return std::nullopt;
    PAINTSTRUCT Ps;
    HDC Dc = BeginPaint(Top, &Ps);
    HBRUSH B = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(Dc, &Ps.rcPaint, B);
    DeleteObject(B);
    EndPaint(Top, &Ps);
    return 0;
  };
  InvalidateRect(Top, nullptr, TRUE);
  ProcessMessages();
  EXPECT_EQ(PixelOf(Top, 5, 5), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(Child, 5, 5), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(PixelOf(Child, -2, -2), GetSysColor(COLOR_BTNSHADOW));
}

TEST_F(PaintTest, HidingAChildRepaintsWhatItCovered) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  HWND Child = MakeChild(Top, Rect(10, 10, 50, 50));
  ProcessMessages();
  ShowWindow(Child, SW_HIDE);
  TRect U;
  EXPECT_TRUE(GetUpdateRect(Top, &U, FALSE));
  EXPECT_EQ(U, Rect(10, 10, 50, 50));
}

TEST_F(PaintTest, ScrollWindowExMovesPixelsAndInvalidatesTheUncovered) {
  HWND H = MakeTop(Rect(0, 0, 100, 100));
  ProcessMessages();
  FillClient(H, RGB(0, 255, 0));
  HDC Dc = GetDC(H);
  TRect Band = Rect(0, 40, 100, 50);
  HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(Dc, &Band, Red);
  DeleteObject(Red);
  ReleaseDC(H, Dc);
  TRect Pending = Rect(0, 90, 10, 100);
  InvalidateRect(H, &Pending, FALSE);
  TRect Uncovered;
  HRGN Rgn = CreateRectRgn(0, 0, 0, 0);
  Integer Kind = ScrollWindowEx(H, 0, -20, nullptr, nullptr, Rgn, &Uncovered, SW_INVALIDATE);
  EXPECT_EQ(Kind, SIMPLEREGION);
  EXPECT_EQ(Uncovered, Rect(0, 80, 100, 100));
  TRect Box;
  GetRgnBox(Rgn, &Box);
  EXPECT_EQ(Box, Uncovered);
  DeleteObject(Rgn);
  EXPECT_EQ(PixelOf(H, 50, 25), RGB(255, 0, 0)) << "the band moved up by 20";
  EXPECT_EQ(PixelOf(H, 50, 45), RGB(0, 255, 0));
  HRGN Upd = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(H, Upd, FALSE);
  EXPECT_TRUE(PtInRegion(Upd, 5, 75)) << "the pending update moved with the pixels";
  EXPECT_TRUE(PtInRegion(Upd, 50, 85));
  EXPECT_FALSE(PtInRegion(Upd, 50, 75));
  DeleteObject(Upd);
}

TEST_F(PaintTest, ScrollingChildrenMovesThem) {
  HWND H = MakeTop(Rect(0, 0, 100, 100));
  HWND Inside = MakeChild(H, Rect(10, 50, 30, 70));
  HWND Outside = MakeChild(H, Rect(60, 0, 80, 20));
  TRect Area = Rect(0, 30, 50, 100);
  ProcessMessages();
  Rec().Clear();
  ScrollWindowEx(H, 0, -10, &Area, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN);
  TRect R;
  GetWindowRect(Inside, &R);
  EXPECT_EQ(R.TopLeft(), Point(10, 40));
  EXPECT_EQ(Rec().Count(Inside, WM_MOVE), 1);
  GetWindowRect(Outside, &R);
  EXPECT_EQ(R.TopLeft(), Point(60, 0)) << "outside the scrolled area";
  EXPECT_FALSE(GetUpdateRect(H, &R, FALSE)) << "nothing invalidated without SW_INVALIDATE";
}

TEST_F(PaintTest, ScrollBarsAndFramesAreDrawnAndTheSurfaceSaves) {
  TDrawingLogOn DrawingLog;
  HWND H = MakeTop(Rect(0, 0, 120, 100), WS_POPUP | WS_VISIBLE | WS_BORDER | WS_VSCROLL);
  SetScrollRange(H, SB_VERT, 0, 50, TRUE);
  ProcessMessages();
  TSurface* S = GetWindowSurface(H);
  ASSERT_TRUE(S);
  EXPECT_EQ(S->Width(), 120);
  EXPECT_EQ(S->GetPixel(0, 0), GetSysColor(COLOR_WINDOWFRAME));
  bool FrameControl = false;
  for (const TDrawRecord& R : S->Records())
    if (R.Kind == TDrawKind::FrameControl && R.Flags == DFC_SCROLL) FrameControl = true;
  EXPECT_TRUE(FrameControl) << "the arrows are frame controls";
  std::string File = (std::filesystem::temp_directory_path() / "kv_win_paint_test.png").string();
  SaveWindowPng(H, File);
  EXPECT_TRUE(std::filesystem::exists(File));
  std::filesystem::remove(File);
  EXPECT_EQ(GetLiveDCCount(), 0) << "every DC the window system made is gone";
}

TEST_F(PaintTest, TheFrameIsPaintedInsideBeginPaintBeforeTheBackground) {
  HWND H = MakeTop(Rect(0, 0, 100, 100), WS_POPUP | WS_VISIBLE | WS_BORDER);
  Rec().Clear();
  ProcessMessages();
  EXPECT_EQ(Rec().Of(H, {WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}),
            (std::vector<UINT>{WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}));
  // A frame alone comes without WM_PAINT.
  Rec().Clear();
  RedrawWindow(H, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  TRect Client = Rect(0, 0, 98, 98);
  ValidateRect(H, &Client);
  ProcessMessages();
  EXPECT_EQ(Rec().Of(H, {WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}), std::vector<UINT>{WM_NCPAINT});
}

TEST_F(PaintTest, RedrawWindowPaintsNowOrLaterAndReachesChildrenAsAsked) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND Child = MakeChild(Top, Rect(10, 10, 50, 50));
  ProcessMessages();
  struct TCase {
    UINT Flags;
    Integer TopPaints, ChildPaints;  // sent before RedrawWindow returns
    bool ChildOwes;                  // left for the queue
  };
  const TCase Cases[] = {
      {RDW_INVALIDATE, 0, 0, false},
      {RDW_INVALIDATE | RDW_UPDATENOW, 1, 0, false},
      {RDW_INVALIDATE | RDW_ALLCHILDREN, 0, 0, true},
      {RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW, 1, 1, false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << C.Flags);
    Rec().Clear();
    RedrawWindow(Top, nullptr, nullptr, C.Flags);
    EXPECT_EQ(Rec().Count(Top, WM_PAINT), C.TopPaints);
    EXPECT_EQ(Rec().Count(Child, WM_PAINT), C.ChildPaints);
    TRect U;
    EXPECT_EQ(GetUpdateRect(Child, &U, FALSE) != FALSE, C.ChildOwes);
    ProcessMessages();
  }
  // Validation takes back what was invalidated, children included.
  RedrawWindow(Top, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  RedrawWindow(Top, nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
  Rec().Clear();
  ProcessMessages();
  EXPECT_EQ(Rec().Of(nullptr, {WM_PAINT}), std::vector<UINT>{});
}

}  // namespace
}  // namespace kvp::test
