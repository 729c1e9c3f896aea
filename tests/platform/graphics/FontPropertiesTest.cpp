// A font stored with its owner: every property but a default pitch is
// written (the size as its height), and reading gives the same font back.
#include <gtest/gtest.h>

#include "platform/classes/Filer.h"
#include "platform/graphics/Canvas.h"

namespace kvp {
namespace {

// A component with a published font, as controls have.
class TFontHolder : public TComponent {
  KV_CLASS(TFontHolder, TComponent)
 public:
  explicit TFontHolder(TComponent* AOwner) : TComponent(AOwner) {}
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  KV_PUBLISHED { P.Prop("Font", &TFontHolder::GetFont, &TFontHolder::SetFont); }

 protected:
  void Construct() override {
    inherited::Construct();
    FFont.reset(TFont::Create());
  }
  TObjectPtr<TFont> FFont;
};

TEST(FontPropertiesTest, AStoredFontReadsBackTheSame) {
  RegisterClass(TFontHolder::StaticClass());
  TObjectPtr<TFontHolder> Holder(TFontHolder::Create(nullptr));
  Holder->SetName("Holder1");
  EXPECT_EQ(ComponentToText(Holder.get()),
            "object Holder1: TFontHolder\n"
            "  Font.Charset = DEFAULT_CHARSET\n"
            "  Font.Color = clWindowText\n"
            "  Font.Height = -11\n"
            "  Font.Name = 'MS Sans Serif'\n"
            "  Font.Style = []\n"
            "end\n");
  TFont* F = Holder->GetFont();
  F->SetName("Arial");
  F->SetSize(12);
  F->SetColor(clRed);
  F->SetStyle(TFontStyles{fsBold, fsItalic});
  F->SetPitch(fpFixed);
  F->SetCharset(0);
  const String Text = ComponentToText(Holder.get());
  EXPECT_EQ(Text,
            "object Holder1: TFontHolder\n"
            "  Font.Charset = ANSI_CHARSET\n"
            "  Font.Color = clRed\n"
            "  Font.Height = -16\n"
            "  Font.Name = 'Arial'\n"
            "  Font.Pitch = fpFixed\n"
            "  Font.Style = [fsBold, fsItalic]\n"
            "end\n");
  TObjectPtr<TComponent> Read(ReadComponentFromText(Text, nullptr));
  TFont* G = static_cast<TFontHolder*>(Read.get())->GetFont();
  EXPECT_EQ(G->GetName(), "Arial");
  EXPECT_EQ(G->GetSize(), 12);
  EXPECT_EQ(G->GetColor(), clRed);
  EXPECT_EQ(G->GetStyle(), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(G->GetPitch(), fpFixed);
  EXPECT_EQ(G->GetCharset(), 0);
  // A size in points reads too.
  TObjectPtr<TComponent> Sized(
      ReadComponentFromText("object Holder1: TFontHolder\n  Font.Size = 10\nend\n", nullptr));
  EXPECT_EQ(static_cast<TFontHolder*>(Sized.get())->GetFont()->GetHeight(), -13);
  // A character set stored as a number, or by a name of another case, reads too.
  TObjectPtr<TComponent> Numbered(ReadComponentFromText(
      "object Holder1: TFontHolder\n  Font.Charset = 204\n  Font.Color = clblue\nend\n", nullptr));
  EXPECT_EQ(static_cast<TFontHolder*>(Numbered.get())->GetFont()->GetCharset(), 204);
  EXPECT_EQ(static_cast<TFontHolder*>(Numbered.get())->GetFont()->GetColor(), clBlue);
  UnRegisterClass(TFontHolder::StaticClass());
}

}  // namespace
}  // namespace kvp
