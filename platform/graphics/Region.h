// Regions as values: a set of pixels kept as a canonical list of disjoint
// rectangles in y-x bands. Device contexts clip with them, windows keep their
// update regions in them (through the HRGN calls of Gdi.h), and polygon
// regions are rasterised into them.
#pragma once

#include <vector>

#include "platform/rtl/Types.h"

namespace kvp {

// Combination modes and region kinds, with the system's values.
inline constexpr Integer RGN_AND = 1;
inline constexpr Integer RGN_OR = 2;
inline constexpr Integer RGN_XOR = 3;
inline constexpr Integer RGN_DIFF = 4;
inline constexpr Integer RGN_COPY = 5;
inline constexpr Integer ERROR_REGION = 0;  // the system's ERROR
inline constexpr Integer NULLREGION = 1;
inline constexpr Integer SIMPLEREGION = 2;
inline constexpr Integer COMPLEXREGION = 3;
// Polygon fill modes.
inline constexpr Integer ALTERNATE = 1;
inline constexpr Integer WINDING = 2;

// TRegion: a pixel set. Rectangles are sorted by band (top) then by left; the
// rectangles of one band share top and bottom, do not touch in x, and two
// vertically adjacent bands never have the same x spans (so equal pixel sets
// have equal lists).
class TRegion {
 public:
  TRegion() = default;
  explicit TRegion(const TRect& R);
  static TRegion FromPolygon(const std::vector<TPoint>& Points, Integer FillMode);
  static TRegion Combine(const TRegion& A, const TRegion& B, Integer Mode);

  const std::vector<TRect>& Rects() const { return FRects; }
  bool IsEmpty() const { return FRects.empty(); }
  Integer Kind() const;  // NULLREGION, SIMPLEREGION or COMPLEXREGION
  TRect Box() const;     // empty rectangle for an empty region
  bool Contains(TPoint P) const;
  bool Intersects(const TRect& R) const;
  void Offset(Integer DX, Integer DY);
  TRegion Intersected(const TRect& R) const;
  friend bool operator==(const TRegion&, const TRegion&) = default;

  // Checks the canonical form; raises EAssertionFailed through KV_ASSERT.
  void CheckConsistency() const;

 private:
  std::vector<TRect> FRects;
};

}  // namespace kvp
