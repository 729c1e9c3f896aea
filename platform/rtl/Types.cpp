#include "platform/rtl/Types.h"

#include <algorithm>

namespace kvp {

bool IsRectEmpty(const TRect& R) { return R.Right <= R.Left || R.Bottom <= R.Top; }

bool PtInRect(const TRect& R, TPoint P) {
  return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}

bool IntersectRect(TRect& Dest, const TRect& A, const TRect& B) {
  TRect R{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
          std::min(A.Bottom, B.Bottom)};
  if (IsRectEmpty(R)) {
    Dest = TRect{};
    return false;
  }
  Dest = R;
  return true;
}

bool UnionRect(TRect& Dest, const TRect& A, const TRect& B) {
  if (IsRectEmpty(A)) {
    Dest = IsRectEmpty(B) ? TRect{} : B;
  } else if (IsRectEmpty(B)) {
    Dest = A;
  } else {
    Dest = TRect{std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                 std::max(A.Bottom, B.Bottom)};
  }
  return !IsRectEmpty(Dest);
}

void OffsetRect(TRect& R, Integer DX, Integer DY) {
  R.Left += DX;
  R.Right += DX;
  R.Top += DY;
  R.Bottom += DY;
}

void InflateRect(TRect& R, Integer DX, Integer DY) {
  R.Left -= DX;
  R.Right += DX;
  R.Top -= DY;
  R.Bottom += DY;
}

}  // namespace kvp
