// Window regions: a window shaped by SetWindowRgn draws only inside its shape,
// leaves the rest to its parent, and takes only the mouse that falls inside it.
#include "WinTestUtil.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Clock.h"

namespace kvp::test {
namespace {

using WindowRegionsTest = WinTest;

COLORREF SurfacePixel(HWND Top, Integer X, Integer Y) {
  // A client point of the top-level window Top (a popup without a frame).
  return GetWindowSurface(Top)->GetPixel(X, Y);
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

// A triangle with its right angle at the bottom right of a 20 x 20 window.
HRGN Triangle() {
  const TPoint Pts[] = {{0, 20}, {20, 20}, {20, 0}};
  return CreatePolygonRgn(Pts, 3, WINDING);
}

TEST_F(WindowRegionsTest, AShapedChildDrawsOnlyInsideItsShape) {
  HWND Top = MakeTop(Rect(100, 100, 200, 200), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND Child = MakeChild(Top, Rect(10, 10, 30, 30));
  EXPECT_NE(SetWindowRgn(Child, Triangle(), TRUE), 0);
  ProcessMessages();
  FillClient(Top, RGB(0, 0, 255));
  FillClient(Child, RGB(255, 0, 0));
  // Inside the triangle (bottom right) the child's red; outside it the parent's blue.
  EXPECT_EQ(SurfacePixel(Top, 28, 28), RGB(255, 0, 0));
  EXPECT_EQ(SurfacePixel(Top, 11, 11), RGB(0, 0, 255));
  EXPECT_EQ(SurfacePixel(Top, 12, 27), RGB(255, 0, 0));
  EXPECT_EQ(SurfacePixel(Top, 27, 12), RGB(255, 0, 0));
  EXPECT_EQ(SurfacePixel(Top, 18, 12), RGB(0, 0, 255));
}

TEST_F(WindowRegionsTest, PointsOutsideTheShapeBelongToTheWindowBeneath) {
  HWND Top = MakeTop(Rect(100, 100, 200, 200));
  HWND Child = MakeChild(Top, Rect(10, 10, 30, 30));
  SetWindowRgn(Child, Triangle(), TRUE);
  EXPECT_EQ(ChildWindowFromPoint(Top, {28, 28}), Child);
  EXPECT_EQ(ChildWindowFromPoint(Top, {11, 11}), Top);
  EXPECT_EQ(WindowFromPoint({128, 128}), Child);
  EXPECT_EQ(WindowFromPoint({111, 111}), Top);
  Rec().Clear();
  Input.Click(Top, {11, 11});
  EXPECT_EQ(Rec().Count(Top, WM_LBUTTONDOWN), 1);
  EXPECT_EQ(Rec().Count(Child, WM_LBUTTONDOWN), 0);
  Input.MouseMove(Top, {50, 50});
  AdvanceTicks(1000);
  Input.Click(Top, {28, 28});
  EXPECT_EQ(Rec().Count(Child, WM_LBUTTONDOWN), 1);
}

TEST_F(WindowRegionsTest, TheRegionCanBeReadBackAndTakenAway) {
  HWND Top = MakeTop(Rect(100, 100, 200, 200));
  HWND Child = MakeChild(Top, Rect(10, 10, 30, 30));
  HRGN Got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(Child, Got), ERROR_REGION);
  HRGN Want = Triangle();
  SetWindowRgn(Child, Triangle(), FALSE);
  EXPECT_EQ(GetWindowRgn(Child, Got), COMPLEXREGION);
  EXPECT_TRUE(EqualRgn(Got, Want));
  const Integer Live = GetLiveGdiObjectCount();
  EXPECT_NE(SetWindowRgn(Child, nullptr, TRUE), 0);
  EXPECT_EQ(GetWindowRgn(Child, Got), ERROR_REGION);
  EXPECT_EQ(ChildWindowFromPoint(Top, {11, 11}), Child);
  EXPECT_EQ(GetLiveGdiObjectCount(), Live);
  // A handle that is no region is refused and stays the caller's.
  EXPECT_EQ(SetWindowRgn(Child, reinterpret_cast<HRGN>(std::uintptr_t(0x7FFF0001)), TRUE), 0);
  EXPECT_EQ(SetWindowRgn(nullptr, Want, TRUE), 0);
  EXPECT_NE(GetRegionData(Want), nullptr);
  DeleteObject(Want);
  DeleteObject(Got);
}

}  // namespace
}  // namespace kvp::test
