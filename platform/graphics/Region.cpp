#include "platform/graphics/Region.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/Exceptions.h"

namespace kvp {

namespace {

struct TSpan {
  Integer Left;
  Integer Right;
};

// The x spans of Rects in the band that contains row Y. Rows are asked for in
// increasing order: I, the first rectangle not yet passed, only moves on.
void SpansAt(const std::vector<TRect>& Rects, std::size_t& I, Integer Y,
             std::vector<TSpan>& Spans) {
  Spans.clear();
  while (I < Rects.size() && Rects[I].Bottom <= Y) ++I;
  for (std::size_t J = I; J < Rects.size() && Rects[J].Top <= Y; ++J)
    if (Y < Rects[J].Bottom) Spans.push_back({Rects[J].Left, Rects[J].Right});
}

bool Member(bool InA, bool InB, Integer Mode) {
  switch (Mode) {
    case RGN_AND:
      return InA && InB;
    case RGN_OR:
      return InA || InB;
    case RGN_XOR:
      return InA != InB;
    case RGN_DIFF:
      return InA && !InB;
    default:
      return InA;
  }
}

// Combines two sorted span lists with a boolean operation.
std::vector<TSpan> CombineSpans(const std::vector<TSpan>& A, const std::vector<TSpan>& B,
                                Integer Mode) {
  std::vector<Integer> Xs;
  for (const TSpan& S : A) Xs.insert(Xs.end(), {S.Left, S.Right});
  for (const TSpan& S : B) Xs.insert(Xs.end(), {S.Left, S.Right});
  std::sort(Xs.begin(), Xs.end());
  Xs.erase(std::unique(Xs.begin(), Xs.end()), Xs.end());
  auto Inside = [](const std::vector<TSpan>& Spans, Integer X) {
    for (const TSpan& S : Spans)
      if (X >= S.Left && X < S.Right) return true;
    return false;
  };
  std::vector<TSpan> Result;
  for (std::size_t I = 0; I + 1 < Xs.size(); ++I) {
    if (!Member(Inside(A, Xs[I]), Inside(B, Xs[I]), Mode)) continue;
    if (!Result.empty() && Result.back().Right == Xs[I])
      Result.back().Right = Xs[I + 1];
    else
      Result.push_back({Xs[I], Xs[I + 1]});
  }
  return Result;
}

// Appends a band, merging it into the previous band when that one ends at Top
// with the same spans.
void AppendBand(std::vector<TRect>& Out, Integer Top, Integer Bottom,
                const std::vector<TSpan>& Spans) {
  if (Spans.empty()) return;
  if (!Out.empty() && Out.back().Bottom == Top) {
    Integer PrevTop = Out.back().Top;
    std::size_t First = Out.size();
    while (First > 0 && Out[First - 1].Top == PrevTop) --First;
    bool Same = Out.size() - First == Spans.size();
    for (std::size_t I = 0; Same && I < Spans.size(); ++I)
      Same = Out[First + I].Left == Spans[I].Left && Out[First + I].Right == Spans[I].Right;
    if (Same) {
      for (std::size_t I = First; I < Out.size(); ++I) Out[I].Bottom = Bottom;
      return;
    }
  }
  for (const TSpan& S : Spans) Out.push_back({S.Left, Top, S.Right, Bottom});
}

}  // namespace

TRegion::TRegion(const TRect& R) {
  if (!IsRectEmpty(R)) FRects.push_back(R);
}

TRegion TRegion::Combine(const TRegion& A, const TRegion& B, Integer Mode) {
  if (Mode == RGN_COPY) return A;
  if (Mode == RGN_AND && (A.FRects.size() == 1 || B.FRects.size() == 1)) {
    // A rectangle cuts the other region band by band.
    const TRegion& Other = A.FRects.size() == 1 ? B : A;
    return Other.Intersected(A.FRects.size() == 1 ? A.FRects[0] : B.FRects[0]);
  }
  std::vector<Integer> Ys;
  for (const TRect& R : A.FRects) Ys.insert(Ys.end(), {R.Top, R.Bottom});
  for (const TRect& R : B.FRects) Ys.insert(Ys.end(), {R.Top, R.Bottom});
  std::sort(Ys.begin(), Ys.end());
  Ys.erase(std::unique(Ys.begin(), Ys.end()), Ys.end());
  TRegion Result;
  std::size_t IA = 0, IB = 0;
  std::vector<TSpan> SA, SB;
  for (std::size_t I = 0; I + 1 < Ys.size(); ++I) {
    SpansAt(A.FRects, IA, Ys[I], SA);
    SpansAt(B.FRects, IB, Ys[I], SB);
    AppendBand(Result.FRects, Ys[I], Ys[I + 1], CombineSpans(SA, SB, Mode));
  }
  return Result;
}

TRegion TRegion::FromPolygon(const std::vector<TPoint>& Points, Integer FillMode) {
  TRegion Result;
  if (Points.size() < 3) return Result;
  Integer MinY = Points[0].Y, MaxY = Points[0].Y;
  for (const TPoint& P : Points) {
    MinY = std::min(MinY, P.Y);
    MaxY = std::max(MaxY, P.Y);
  }
  struct TCross {
    double X;
    int Dir;
  };
  // Each pixel row is sampled at its centre; a pixel is inside when its centre is.
  for (Integer Y = MinY; Y < MaxY; ++Y) {
    double SampleY = Y + 0.5;
    std::vector<TCross> Crossings;
    for (std::size_t I = 0; I < Points.size(); ++I) {
      TPoint P0 = Points[I], P1 = Points[(I + 1) % Points.size()];
      if (P0.Y == P1.Y) continue;
      int Dir = P1.Y > P0.Y ? 1 : -1;
      if (Dir < 0) std::swap(P0, P1);
      if (SampleY < P0.Y || SampleY >= P1.Y) continue;
      double X = P0.X + (SampleY - P0.Y) * double(P1.X - P0.X) / double(P1.Y - P0.Y);
      Crossings.push_back({X, Dir});
    }
    std::sort(Crossings.begin(), Crossings.end(),
              [](const TCross& A, const TCross& B) { return A.X < B.X; });
    std::vector<TSpan> Spans;
    int Winding = 0;
    for (std::size_t I = 0; I + 1 < Crossings.size(); ++I) {
      Winding += Crossings[I].Dir;
      bool In = FillMode == WINDING ? Winding != 0 : (I % 2) == 0;
      if (!In) continue;
      Integer L = Integer(std::ceil(Crossings[I].X - 0.5));
      Integer R = Integer(std::ceil(Crossings[I + 1].X - 0.5));
      if (R <= L) continue;
      if (!Spans.empty() && Spans.back().Right >= L)
        Spans.back().Right = std::max(Spans.back().Right, R);
      else
        Spans.push_back({L, R});
    }
    AppendBand(Result.FRects, Y, Y + 1, Spans);
  }
  return Result;
}

Integer TRegion::Kind() const {
  if (FRects.empty()) return NULLREGION;
  return FRects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

TRect TRegion::Box() const {
  if (FRects.empty()) return TRect{};
  TRect Box = FRects.front();
  for (const TRect& R : FRects) UnionRect(Box, Box, R);
  return Box;
}

bool TRegion::Contains(TPoint P) const {
  for (const TRect& R : FRects)
    if (PtInRect(R, P)) return true;
  return false;
}

bool TRegion::Intersects(const TRect& R) const {
  TRect Dummy;
  for (const TRect& Own : FRects)
    if (IntersectRect(Dummy, Own, R)) return true;
  return false;
}

void TRegion::Offset(Integer DX, Integer DY) {
  for (TRect& R : FRects) OffsetRect(R, DX, DY);
}

TRegion TRegion::Intersected(const TRect& R) const {
  TRegion Result;
  if (IsRectEmpty(R)) return Result;
  if (FRects.size() == 1) {
    TRect Cut;
    if (IntersectRect(Cut, FRects[0], R)) Result.FRects.push_back(Cut);
    return Result;
  }
  // Band by band: each band cut to R's rows, its spans to R's columns. Two
  // bands left with the same spans merge, as the canonical form wants.
  std::vector<TSpan> Spans;
  for (std::size_t I = 0; I < FRects.size();) {
    const Integer Top = std::max(FRects[I].Top, R.Top);
    const Integer Bottom = std::min(FRects[I].Bottom, R.Bottom);
    Spans.clear();
    std::size_t J = I;
    for (; J < FRects.size() && FRects[J].Top == FRects[I].Top; ++J) {
      const Integer L = std::max(FRects[J].Left, R.Left), Rt = std::min(FRects[J].Right, R.Right);
      if (L < Rt) Spans.push_back({L, Rt});
    }
    if (Top < Bottom) AppendBand(Result.FRects, Top, Bottom, Spans);
    I = J;
  }
  return Result;
}

void TRegion::CheckConsistency() const {
  for (std::size_t I = 0; I < FRects.size(); ++I) {
    const TRect& R = FRects[I];
    KV_ASSERT(!IsRectEmpty(R), "a region holds an empty rectangle");
    if (I == 0) continue;
    const TRect& P = FRects[I - 1];
    if (P.Top == R.Top) {
      KV_ASSERT(P.Bottom == R.Bottom, "rectangles of one band differ in height");
      KV_ASSERT(P.Right < R.Left, "rectangles of one band overlap or touch");
    } else {
      KV_ASSERT(P.Bottom <= R.Top, "bands overlap or are out of order");
    }
  }
}

}  // namespace kvp
