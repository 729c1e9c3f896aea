// The text engine: FreeType faces of the DejaVu fonts behind the platform's
// font names, with the metrics and integer glyph advances that both measuring
// and drawing use, so that text measured to fit is drawn exactly in its box.
// Glyphs are rendered as 8-bit coverage masks, deterministic from run to run.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/graphics/GdiTypes.h"

namespace kvp {

// A rendered glyph: coverage 0..255, placed relative to the pen position on
// the baseline (Left to the right, Top upwards).
struct TGlyphImage {
  Integer Left = 0;
  Integer Top = 0;
  Integer Width = 0;
  Integer Height = 0;
  std::vector<std::uint8_t> Coverage;  // Width * Height, row-major
};

// TFontInstance: one face at one pixel size with its style synthesis. Shared
// by every font handle that resolves to the same face, size and style.
class TFontInstance {
 public:
  ~TFontInstance();
  TFontInstance(const TFontInstance&) = delete;
  TFontInstance& operator=(const TFontInstance&) = delete;

  // The instance for a logical font: face chosen from the name and pitch,
  // size from lfHeight (negative: character height, positive: cell height).
  static std::shared_ptr<TFontInstance> ForLogFont(const LOGFONT& Font);
  // The file a face name and pitch resolve to (without style).
  static String ResolveFile(const String& FaceName, BYTE PitchAndFamily, bool Bold, bool Italic);

  const TEXTMETRIC& Metrics() const { return FMetrics; }
  const OUTLINETEXTMETRIC& OutlineMetrics() const { return FOutline; }
  Integer Advance(Char C);
  const TGlyphImage& Glyph(Char C);
  Integer TextWidth(const std::u32string& Text);
  Integer EmSize() const { return FEm; }
  bool FixedPitch() const { return FFixedPitch; }
  const String& FamilyName() const { return FFamily; }
  Integer UnderlinePos() const { return FUnderlinePos; }  // pixels below the baseline
  Integer UnderlineSize() const { return FUnderlineSize; }
  Integer StrikeOutPos() const { return FStrikeOutPos; }  // pixels above the baseline
  Integer StrikeOutSize() const { return FStrikeOutSize; }

 private:
  TFontInstance() = default;
  void Load(const String& File, Integer CellOrEm, bool Cell, bool SynthBold, bool SynthItalic,
            LONG Weight, bool Italic);
  void LoadGlyph(Char C);

  void* FFace = nullptr;  // FT_Face
  Integer FEm = 0;        // pixels per em
  bool FSynthBold = false;
  bool FSynthItalic = false;
  bool FFixedPitch = false;
  String FFamily;
  TEXTMETRIC FMetrics;
  OUTLINETEXTMETRIC FOutline;
  Integer FUnderlinePos = 0;
  Integer FUnderlineSize = 1;
  Integer FStrikeOutPos = 0;
  Integer FStrikeOutSize = 1;
  std::map<Char, Integer> FAdvances;
  std::map<Char, TGlyphImage> FGlyphs;
};

namespace gdi {
// UTF-8 to code points and back; invalid bytes become U+FFFD.
std::u32string DecodeUtf8(const String& Text);
String EncodeUtf8(const std::u32string& Text);
}  // namespace gdi

}  // namespace kvp
