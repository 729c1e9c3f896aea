// Window regions: a window may take any shape (SetWindowRgn). The shape
// decides which window a point belongs to (hit testing through WindowUnder,
// ChildWindowFromPoint) and where the window and its children may draw
// (VisibleRegion in Paint.cpp); outside it the windows beneath show.
#include "platform/graphics/Gdi.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

namespace winimpl {

bool InWindowShape(const TWnd* W, TPoint ParentClientPt) {
  if (!PtInRect(W->WindowRect, ParentClientPt)) return false;
  if (!W->Shape) return true;
  return W->Shape->Contains(
      {ParentClientPt.X - W->WindowRect.Left, ParentClientPt.Y - W->WindowRect.Top});
}

TRegion WindowShapeOnScreen(const TWnd* W) {
  const TRect R = WindowRectOnScreen(W);
  if (!W->Shape) return TRegion(R);
  TRegion Shape = *W->Shape;
  Shape.Offset(R.Left, R.Top);
  return Shape;
}

}  // namespace winimpl

Integer SetWindowRgn(HWND Wnd, HRGN Rgn, BOOL Redraw) {
  TWnd* W = FindWnd(Wnd);
  if (!W) return 0;
  const TRegion* Data = Rgn ? GetRegionData(Rgn) : nullptr;
  if (Rgn && !Data) return 0;
  // What the old shape covered on the parent is uncovered or covered anew.
  const bool Visible = (W->Style & WS_VISIBLE) != 0;
  if (Visible && W->Parent && W->Parent != Desktop()) MarkParentArea(W, W->WindowRect);
  W->Shape = Data ? std::make_unique<TRegion>(*Data) : nullptr;
  if (Rgn) DeleteObject(Rgn);
  if (Visible && Redraw) InvalidateWhole(W, true, true);
  return 1;
}

Integer GetWindowRgn(HWND Wnd, HRGN Rgn) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !W->Shape || !GetRegionData(Rgn)) return ERROR_REGION;
  HRGN Copy = CreateRegionFrom(*W->Shape);
  Integer Kind = CombineRgn(Rgn, Copy, nullptr, RGN_COPY);
  DeleteObject(Copy);
  return Kind;
}

}  // namespace kvp
