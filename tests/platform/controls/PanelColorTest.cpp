// A panel's colour is stored by name and read back by name.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/classes/Filer.h"
#include "platform/controls/ExtCtrls.h"

namespace kvp {
namespace {

TEST(PanelColorTest, APanelsColourIsStoredByName) {
  RegisterClass(TPanel::StaticClass());
  TObjectPtr<TPanel> Panel(TPanel::Create(nullptr));
  Panel->SetName("Panel1");
  Panel->SetColor(clWindow);
  const String Text = ComponentToText(Panel.get());
  EXPECT_NE(Text.find("Color = clWindow"), String::npos);
  TObjectPtr<TComponent> Read(ReadComponentFromText(Text, nullptr));
  EXPECT_EQ(static_cast<TPanel*>(Read.get())->GetColor(), clWindow);
}

}  // namespace
}  // namespace kvp
