#include "platform/graphics/FontEngine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <deque>
#include <tuple>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace kvp {

namespace {

constexpr const char* kFontDir = "/usr/share/fonts/truetype/dejavu/";

// The FreeType library, alive for the program.
FT_Library Library() {
  static FT_Library Lib = [] {
    FT_Library L = nullptr;
    if (FT_Init_FreeType(&L) != 0) throw EOutOfResources("Cannot start the font engine");
    return L;
  }();
  return Lib;
}

bool IsFixedName(const String& Name) {
  static const char* const kFixed[] = {"courier new", "courier",  "lucida console", "consolas",
                                       "fixedsys",    "terminal", "system fixed"};
  String L = LowerCase(Name);
  for (const char* F : kFixed)
    if (L == F) return true;
  return false;
}

bool FileExists(const String& Path) {
  FILE* F = std::fopen(Path.c_str(), "rb");
  if (F) std::fclose(F);
  return F != nullptr;
}

Integer RoundDiv(long long Num, long long Den) {
  if (Den == 0) return 0;
  double V = double(Num) / double(Den);
  return Integer(std::lround(V));
}

// Instances by (file, size in pixels, cell or em, synthesis).
using TInstanceKey = std::tuple<String, Integer, bool, bool, bool, LONG, bool>;
std::map<TInstanceKey, std::weak_ptr<TFontInstance>>& InstanceCache() {
  static std::map<TInstanceKey, std::weak_ptr<TFontInstance>> Cache;
  return Cache;
}

// The instances used last stay alive with their rendered glyphs after their
// last font goes, so that a form opened again does not render them again.
constexpr std::size_t kKeptInstances = 16;
std::deque<std::shared_ptr<TFontInstance>>& KeptInstances() {
  static std::deque<std::shared_ptr<TFontInstance>> Kept;
  return Kept;
}

void Keep(const std::shared_ptr<TFontInstance>& Inst) {
  auto& Kept = KeptInstances();
  auto It = std::find(Kept.begin(), Kept.end(), Inst);
  if (It != Kept.end()) Kept.erase(It);
  Kept.push_front(Inst);
  if (Kept.size() > kKeptInstances) Kept.pop_back();
}

}  // namespace

namespace gdi {

std::u32string DecodeUtf8(const String& Text) {
  std::u32string Out;
  for (std::size_t I = 0; I < Text.size();) Out.push_back(Utf8Decode(Text, I));
  return Out;
}

String EncodeUtf8(const std::u32string& Text) {
  String Out;
  for (char32_t C : Text) Utf8Append(Out, C);
  return Out;
}

}  // namespace gdi

TFontInstance::~TFontInstance() {
  if (FFace) FT_Done_Face(static_cast<FT_Face>(FFace));
}

String TFontInstance::ResolveFile(const String& FaceName, BYTE PitchAndFamily, bool Bold,
                                  bool Italic) {
  bool Mono = (PitchAndFamily & 0x03) == FIXED_PITCH || IsFixedName(FaceName);
  String Base = Mono ? "DejaVuSansMono" : "DejaVuSans";
  String Suffix = Bold && Italic ? "-BoldOblique" : Bold ? "-Bold" : Italic ? "-Oblique" : "";
  return String(kFontDir) + Base + Suffix + ".ttf";
}

std::shared_ptr<TFontInstance> TFontInstance::ForLogFont(const LOGFONT& Font) {
  bool Bold = Font.lfWeight >= FW_SEMIBOLD;
  bool Italic = Font.lfItalic != 0;
  // Prefer the styled file; synthesise the style from the regular face when
  // the styled file is not installed.
  String File = ResolveFile(Font.lfFaceName, Font.lfPitchAndFamily, Bold, Italic);
  bool SynthBold = false, SynthItalic = false;
  if (!FileExists(File)) {
    String Partial = ResolveFile(Font.lfFaceName, Font.lfPitchAndFamily, Bold, false);
    if (Italic && FileExists(Partial)) {
      File = Partial;
      SynthItalic = true;
    } else {
      File = ResolveFile(Font.lfFaceName, Font.lfPitchAndFamily, false, false);
      SynthBold = Bold;
      SynthItalic = Italic;
    }
  }
  bool Cell = Font.lfHeight >= 0;
  Integer Size = Font.lfHeight == 0 ? 16 : std::abs(Font.lfHeight);
  TInstanceKey Key{File, Size, Cell, SynthBold, SynthItalic, Font.lfWeight, Italic};
  auto& Cache = InstanceCache();
  if (auto Found = Cache[Key].lock()) {
    Keep(Found);
    return Found;
  }
  std::shared_ptr<TFontInstance> Inst(new TFontInstance());
  Inst->Load(File, Size, Cell, SynthBold, SynthItalic, Font.lfWeight, Italic);
  Cache[Key] = Inst;
  Keep(Inst);
  return Inst;
}

void TFontInstance::Load(const String& File, Integer CellOrEm, bool Cell, bool SynthBold,
                         bool SynthItalic, LONG Weight, bool Italic) {
  FT_Face Face = nullptr;
  if (FT_New_Face(Library(), File.c_str(), 0, &Face) != 0)
    throw EOutOfResources("Cannot open font file \"" + File + "\"");
  FFace = Face;
  FSynthBold = SynthBold;
  FSynthItalic = SynthItalic;
  FFamily = Face->family_name ? Face->family_name : "";
  FFixedPitch = FT_IS_FIXED_WIDTH(Face);
  const long Upem = Face->units_per_EM;
  const TT_OS2* Os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(Face, FT_SFNT_OS2));
  long WinAscent = Os2 ? Os2->usWinAscent : Face->ascender;
  long WinDescent = Os2 ? Os2->usWinDescent : -Face->descender;
  // [Phase 1] Size: a cell height scales the ascent plus descent to it.
  FEm = Cell ? RoundDiv(CellOrEm * Upem, WinAscent + WinDescent) : CellOrEm;
  FEm = std::max(FEm, 1);
  FT_Set_Pixel_Sizes(Face, 0, FT_UInt(FEm));
  // [Phase 2] Vertical metrics, rounded from the font units.
  TEXTMETRIC& M = FMetrics;
  M.tmAscent = RoundDiv(WinAscent * FEm, Upem);
  M.tmDescent = RoundDiv(WinDescent * FEm, Upem);
  M.tmHeight = M.tmAscent + M.tmDescent;
  M.tmInternalLeading = std::max<LONG>(0, M.tmHeight - FEm);
  long HheaSpan =
      Face->ascender - Face->descender + (Face->height - (Face->ascender - Face->descender));
  M.tmExternalLeading =
      std::max<LONG>(0, RoundDiv((HheaSpan - (WinAscent + WinDescent)) * FEm, Upem));
  // [Phase 3] Horizontal metrics.
  M.tmAveCharWidth = Os2 ? std::max(1, RoundDiv(Os2->xAvgCharWidth * FEm, Upem)) : Advance(U'x');
  if (FSynthBold) M.tmAveCharWidth += 1;
  M.tmMaxCharWidth = RoundDiv(Face->max_advance_width * FEm, Upem) + (FSynthBold ? 1 : 0);
  M.tmWeight = Weight == FW_DONTCARE ? FW_NORMAL : Weight;
  M.tmOverhang = 0;
  M.tmItalic = Italic ? 1 : 0;
  M.tmPitchAndFamily = BYTE((FFixedPitch ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE |
                            (FFixedPitch ? FF_MODERN : FF_SWISS));
  M.tmCharSet = ANSI_CHARSET;
  M.tmDefaultChar = 0x1F;
  // [Phase 4] Lines: underline and strike-out from the font's own tables.
  FUnderlineSize = std::max(1, RoundDiv(Face->underline_thickness * FEm, Upem));
  FUnderlinePos = std::max(1, RoundDiv(-Face->underline_position * FEm, Upem));
  FStrikeOutSize = Os2 ? std::max(1, RoundDiv(Os2->yStrikeoutSize * FEm, Upem)) : FUnderlineSize;
  FStrikeOutPos = Os2 ? RoundDiv(Os2->yStrikeoutPosition * FEm, Upem) : M.tmAscent / 3;
  // [Phase 5] The outline metrics.
  OUTLINETEXTMETRIC& O = FOutline;
  O.otmTextMetrics = M;
  O.otmEMSquare = UINT(Upem);
  O.otmAscent = M.tmAscent;
  O.otmDescent = -M.tmDescent;
  O.otmLineGap = UINT(M.tmExternalLeading);
  O.otmMacAscent = RoundDiv(Face->ascender * FEm, Upem);
  O.otmMacDescent = RoundDiv(Face->descender * FEm, Upem);
  O.otmsCapEmHeight = Os2 ? UINT(RoundDiv(Os2->sCapHeight * FEm, Upem)) : 0;
  O.otmsXHeight = Os2 ? UINT(RoundDiv(Os2->sxHeight * FEm, Upem)) : 0;
  O.otmrcFontBox = {RoundDiv(Face->bbox.xMin * FEm, Upem), RoundDiv(Face->bbox.yMax * FEm, Upem),
                    RoundDiv(Face->bbox.xMax * FEm, Upem), RoundDiv(Face->bbox.yMin * FEm, Upem)};
  O.otmsUnderscoreSize = FUnderlineSize;
  O.otmsUnderscorePosition = -FUnderlinePos;
  O.otmsStrikeoutSize = FStrikeOutSize;
  O.otmsStrikeoutPosition = FStrikeOutPos;
  // Italic faces lean by the post table's angle; a synthesised slant is 12 degrees.
  const TT_Postscript* Post =
      static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(Face, FT_SFNT_POST));
  double Angle = Post ? double(Post->italicAngle) / 65536.0 : 0.0;
  if (FSynthItalic) Angle = -12.0;
  O.otmItalicAngle = Integer(std::lround(Angle * 10));
  if (Angle != 0.0) {
    O.otmsCharSlopeRise = 100;
    O.otmsCharSlopeRun = Integer(std::lround(-std::tan(Angle * 3.14159265358979 / 180.0) * 100));
  }
  O.otmpFamilyName = FFamily;
  O.otmpStyleName = Face->style_name ? Face->style_name : "";
  O.otmpFaceName = FFamily + (O.otmpStyleName == "Book" ? "" : " " + O.otmpStyleName);
  O.otmpFullName = O.otmpFaceName;
}

void TFontInstance::LoadGlyph(Char C) {
  FT_Face Face = static_cast<FT_Face>(FFace);
  FT_UInt Index = FT_Get_Char_Index(Face, FT_ULong(C));  // 0 is the notdef box
  TGlyphImage Img;
  Integer Adv = 0;
  if (FT_Load_Glyph(Face, Index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) == 0) {
    if (FSynthItalic) FT_GlyphSlot_Oblique(Face->glyph);
    if (FSynthBold) FT_GlyphSlot_Embolden(Face->glyph);
    Adv = Integer((Face->glyph->advance.x + 32) >> 6);
    if (FT_Render_Glyph(Face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
      const FT_Bitmap& B = Face->glyph->bitmap;
      Img.Left = Face->glyph->bitmap_left;
      Img.Top = Face->glyph->bitmap_top;
      Img.Width = Integer(B.width);
      Img.Height = Integer(B.rows);
      Img.Coverage.resize(std::size_t(Img.Width) * std::size_t(Img.Height));
      for (Integer Y = 0; Y < Img.Height; ++Y)
        for (Integer X = 0; X < Img.Width; ++X)
          Img.Coverage[std::size_t(Y) * std::size_t(Img.Width) + std::size_t(X)] =
              B.buffer[std::ptrdiff_t(Y) * B.pitch + X];
    }
  }
  FAdvances[C] = Adv;
  FGlyphs[C] = std::move(Img);
}

Integer TFontInstance::Advance(Char C) {
  auto It = FAdvances.find(C);
  if (It != FAdvances.end()) return It->second;
  LoadGlyph(C);
  return FAdvances[C];
}

const TGlyphImage& TFontInstance::Glyph(Char C) {
  auto It = FGlyphs.find(C);
  if (It != FGlyphs.end()) return It->second;
  LoadGlyph(C);
  return FGlyphs[C];
}

Integer TFontInstance::TextWidth(const std::u32string& Text) {
  Integer W = 0;
  for (Char C : Text) W += Advance(C);
  return W;
}

}  // namespace kvp
