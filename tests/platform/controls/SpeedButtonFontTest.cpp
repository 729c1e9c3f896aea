// A speed button's own font is stored with it and read back; a font taken
// from the parent is not stored.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/controls/Buttons.h"

namespace kvp {
namespace {

using SpeedButtonFontTest = testutil::TFormTest;

TEST_F(SpeedButtonFontTest, AnOwnFontIsStoredAndReadBack) {
  Form->GetFont()->SetName("Arial");
  auto* Plain = Add<TSpeedButton>("Plain", {10, 10, 40, 30});
  auto* Blue = Add<TSpeedButton>("Blue", {50, 10, 80, 30});
  Blue->GetFont()->SetColor(clBlue);
  EXPECT_TRUE(Plain->GetParentFont());
  EXPECT_FALSE(Blue->GetParentFont());
  EXPECT_EQ(Blue->GetFont()->GetName(), "Arial");
  const String Text = ComponentToText(Form);
  const std::size_t PlainAt = Text.find("object Plain"), BlueAt = Text.find("object Blue");
  ASSERT_NE(BlueAt, String::npos);
  EXPECT_EQ(Text.substr(PlainAt, BlueAt - PlainAt).find("Font."), String::npos);
  EXPECT_NE(Text.find("Font.Color = clBlue", BlueAt), String::npos);
  EXPECT_NE(Text.find("ParentFont = False", BlueAt), String::npos);
  TForm* Copy = TForm::Create(nullptr);
  ReadComponentText(Text, Copy);
  auto* ReadBlue = static_cast<TSpeedButton*>(Copy->FindComponent("Blue"));
  ASSERT_NE(ReadBlue, nullptr);
  EXPECT_EQ(ReadBlue->GetFont()->GetColor(), clBlue);
  EXPECT_EQ(ReadBlue->GetFont()->GetName(), "Arial");
  EXPECT_FALSE(ReadBlue->GetParentFont());
  Copy->Free();
}

}  // namespace
}  // namespace kvp
