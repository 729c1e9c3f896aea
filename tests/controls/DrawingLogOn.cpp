// The toolkit's tests read what was drawn (faces, frame controls, edges and
// texts) from the drawing log, so every surface these tests make keeps one.
#include <gtest/gtest.h>

#include "platform/graphics/Surface.h"

namespace {

class TDrawingLogEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    FOld = kvp::TSurface::GetDefaultRecording();
    kvp::TSurface::SetDefaultRecording(true);
  }
  void TearDown() override { kvp::TSurface::SetDefaultRecording(FOld); }

 private:
  bool FOld = false;
};

const auto* const DrawingLog = ::testing::AddGlobalTestEnvironment(new TDrawingLogEnvironment);

}  // namespace
