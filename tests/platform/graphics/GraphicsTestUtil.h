// Helpers shared by the drawing tests: a surface with a DC on it, a font
// selected for the duration of a test, and a check that no handle leaks.
// Every test of the executable is also watched by TLeakListener: a test that
// ends with more or fewer live handles, DCs or image lists than it began with
// fails.
#pragma once

#include <gtest/gtest.h>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/ImageList.h"

namespace kvp::test {

// Compares the live handle counts at the end of each test with its start.
class TLeakListener : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo&) override {
    FObjects = GetLiveGdiObjectCount();
    FDcs = GetLiveDCCount();
    FLists = GetLiveImageListCount();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    EXPECT_EQ(GetLiveGdiObjectCount(), FObjects) << "the test leaked GDI objects";
    EXPECT_EQ(GetLiveDCCount(), FDcs) << "the test leaked DCs";
    EXPECT_EQ(GetLiveImageListCount(), FLists) << "the test leaked image lists";
  }

 private:
  Integer FObjects = 0;
  Integer FDcs = 0;
  Integer FLists = 0;
};

inline bool InstallLeakListener() {
  testing::UnitTest::GetInstance()->listeners().Append(new TLeakListener);
  return true;
}
inline const bool LeakListenerInstalled = InstallLeakListener();

// Fails the test if live handles or DCs differ at the end from the start.
struct TLeakCheck {
  Integer Objects = GetLiveGdiObjectCount();
  Integer Dcs = GetLiveDCCount();
  ~TLeakCheck() {
    EXPECT_EQ(GetLiveGdiObjectCount(), Objects) << "GDI objects leaked";
    EXPECT_EQ(GetLiveDCCount(), Dcs) << "DCs leaked";
  }
};

// A white surface with a DC drawing on all of it.
struct TPaintBox {
  TSurface Surface;
  HDC Dc;
  HGDIOBJ OldFont = nullptr;
  HFONT Font = nullptr;
  TPaintBox(Integer W, Integer H) : Surface(W, H), Dc(CreateSurfaceDC(&Surface, {0, 0}, nullptr)) {}
  ~TPaintBox() {
    UseFont(nullptr);
    DeleteDC(Dc);
  }
  TPaintBox(const TPaintBox&) = delete;
  TPaintBox& operator=(const TPaintBox&) = delete;
  // Selects a new font (null: back to the DC's own), deleting the previous one.
  void UseFont(HFONT F) {
    if (Font) {
      SelectObject(Dc, OldFont);
      DeleteObject(Font);
      Font = nullptr;
    }
    if (F) {
      OldFont = SelectObject(Dc, F);
      Font = F;
    }
  }
  void UseFont(const char* Face, Integer Height, Integer Weight = FW_NORMAL,
               Integer Escapement = 0) {
    UseFont(CreateFont(Height, 0, Escapement, Escapement, Weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0,
                       0, Face));
  }
  // Pixels that differ from white inside R.
  int Ink(const TRect& R) const {
    int N = 0;
    for (int Y = std::max(R.Top, 0); Y < std::min(R.Bottom, Surface.Height()); ++Y)
      for (int X = std::max(R.Left, 0); X < std::min(R.Right, Surface.Width()); ++X)
        N += Surface.GetPixel(X, Y) != RGB(255, 255, 255);
    return N;
  }
  const TDrawRecord* LastText() const {
    for (auto It = Surface.Records().rbegin(); It != Surface.Records().rend(); ++It)
      if (It->Kind == TDrawKind::Text) return &*It;
    return nullptr;
  }
};

}  // namespace kvp::test
