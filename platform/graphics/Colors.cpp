#include "platform/graphics/Colors.h"

#include <array>
#include <cstdio>

#include "platform/graphics/GdiImpl.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace kvp {

namespace {

constexpr Integer kSysColorCount = 31;

// The classic "Windows Standard" scheme.
constexpr std::array<COLORREF, kSysColorCount> kClassicScheme = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(0, 128, 128),    // COLOR_BACKGROUND
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),        // COLOR_3DDKSHADOW
    RGB(192, 192, 192),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(192, 192, 192),  // 25: unused
    RGB(0, 0, 255),      // COLOR_HOTLIGHT
    RGB(16, 132, 208),   // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 0, 128),      // COLOR_MENUHILIGHT
    RGB(192, 192, 192),  // COLOR_MENUBAR
};

std::array<COLORREF, kSysColorCount>& Scheme() {
  static std::array<COLORREF, kSysColorCount> S = kClassicScheme;
  return S;
}

// One brush per system colour, made on first use and recoloured with the scheme.
std::array<HBRUSH, kSysColorCount>& SysBrushes() {
  static std::array<HBRUSH, kSysColorCount> B{};
  return B;
}

struct TColorName {
  TColor Value;
  const char* Name;
};

constexpr TColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

// The 20 static colours of the system palette.
constexpr COLORREF kStaticColors[20] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192),
    RGB(192, 220, 192), RGB(166, 202, 240), RGB(255, 251, 240), RGB(160, 160, 164),
    RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),     RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255),
};

}  // namespace

COLORREF GetSysColor(Integer Index) {
  if (Index < 0 || Index >= kSysColorCount) return 0;
  return Scheme()[std::size_t(Index)];
}

HBRUSH GetSysColorBrush(Integer Index) {
  if (Index < 0 || Index >= kSysColorCount) return nullptr;
  HBRUSH& B = SysBrushes()[std::size_t(Index)];
  if (!B) B = gdi::MakeStockBrush(GetSysColor(Index));
  return B;
}

BOOL SetSysColors(Integer Count, const Integer* Indexes, const COLORREF* Colors) {
  if (Count < 0 || (Count > 0 && (!Indexes || !Colors))) return FALSE;
  for (Integer I = 0; I < Count; ++I) {
    Integer Index = Indexes[I];
    if (Index < 0 || Index >= kSysColorCount) continue;
    Scheme()[std::size_t(Index)] = Colors[I] & 0xFFFFFF;
    if (HBRUSH B = SysBrushes()[std::size_t(Index)])
      gdi::RecolorStockBrush(B, Colors[I] & 0xFFFFFF);
  }
  return TRUE;
}

void ResetSysColors() {
  for (Integer I = 0; I < kSysColorCount; ++I) {
    Scheme()[std::size_t(I)] = kClassicScheme[std::size_t(I)];
    if (HBRUSH B = SysBrushes()[std::size_t(I)])
      gdi::RecolorStockBrush(B, kClassicScheme[std::size_t(I)]);
  }
}

COLORREF ColorToRGB(TColor Color) {
  if (Color < 0) return GetSysColor(Integer(std::uint32_t(Color) & 0xFF));
  return COLORREF(Color) & 0xFFFFFF;
}

COLORREF NearestDisplayColor(COLORREF Color, Integer Depth) {
  Color &= 0xFFFFFF;
  if (Depth <= 8) {
    COLORREF Best = kStaticColors[0];
    long BestDist = -1;
    for (COLORREF C : kStaticColors) {
      long DR = long(GetRValue(C)) - GetRValue(Color), DG = long(GetGValue(C)) - GetGValue(Color),
           DB = long(GetBValue(C)) - GetBValue(Color);
      long Dist = DR * DR + DG * DG + DB * DB;
      if (BestDist < 0 || Dist < BestDist) {
        Best = C;
        BestDist = Dist;
      }
    }
    return Best;
  }
  if (Depth == 16) {
    auto Expand = [](BYTE V, int Bits) {
      int Q = V >> (8 - Bits);
      return BYTE((Q << (8 - Bits)) | (Q >> (2 * Bits - 8)));
    };
    return RGB(Expand(GetRValue(Color), 5), Expand(GetGValue(Color), 6),
               Expand(GetBValue(Color), 5));
  }
  return Color;
}

bool ColorToIdent(TColor Color, String& Ident) {
  for (const TColorName& N : kColorNames)
    if (N.Value == Color) {
      Ident = N.Name;
      return true;
    }
  return false;
}

bool IdentToColor(const String& Ident, TColor& Color) {
  for (const TColorName& N : kColorNames)
    if (SameText(Ident, N.Name)) {
      Color = N.Value;
      return true;
    }
  return false;
}

String ColorToString(TColor Color) {
  String Ident;
  if (ColorToIdent(Color, Ident)) return Ident;
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "$%.8X", unsigned(std::uint32_t(Color)));
  return Buf;
}

TColor StringToColor(const String& S) {
  TColor C = 0;
  if (IdentToColor(S, C)) return C;
  return TColor(StrToInt(S));
}

void GetColorValues(const std::function<void(const String&)>& Proc) {
  for (const TColorName& N : kColorNames) Proc(N.Name);
}

}  // namespace kvp
