// The published properties of TFont, as stored forms give a font: "Font.Name
// = 'Arial'", "Font.Style = [fsBold]" ...
#include "platform/graphics/Canvas.h"

namespace kvp {

void TFont::KvPublish(TPublisher<TFont>& P) {
  P.Prop("Charset", &TFont::GetCharset, &TFont::SetCharset).Default(TFontCharset(DEFAULT_CHARSET));
  P.Prop("Color", &TFont::GetColor, &TFont::SetColor).TypeName("TColor").Default(clWindowText);
  P.Prop("Height", &TFont::GetHeight, &TFont::SetHeight);
  P.Prop("Name", &TFont::GetName, &TFont::SetName);
  P.Prop("Pitch", &TFont::GetPitch, &TFont::SetPitch).Default(fpDefault);
  P.Prop("Size", &TFont::GetSize, &TFont::SetSize).Stored(false);
  P.Prop("Style", &TFont::GetStyle, &TFont::SetStyle).Default(TFontStyles());
}

}  // namespace kvp
