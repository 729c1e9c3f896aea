// Colours: the TColor values (RGB colours, system colours and the standard
// named colours), the system colour table with its brushes, conversion to
// RGB, the nearest colour the display can show at its depth, and colour names
// as stored forms write them ("clBtnFace", "$00FF00FF").
//
// The system colours start as the classic "Windows Standard" grey scheme:
// button faces RGB(192,192,192), shadows RGB(128,128,128), navy highlight.
#pragma once

#include <functional>

#include "platform/rtl/Types.h"

namespace kvp {

// System colour indexes (GetSysColor).
inline constexpr Integer COLOR_SCROLLBAR = 0;
inline constexpr Integer COLOR_BACKGROUND = 1;
inline constexpr Integer COLOR_ACTIVECAPTION = 2;
inline constexpr Integer COLOR_INACTIVECAPTION = 3;
inline constexpr Integer COLOR_MENU = 4;
inline constexpr Integer COLOR_WINDOW = 5;
inline constexpr Integer COLOR_WINDOWFRAME = 6;
inline constexpr Integer COLOR_MENUTEXT = 7;
inline constexpr Integer COLOR_WINDOWTEXT = 8;
inline constexpr Integer COLOR_CAPTIONTEXT = 9;
inline constexpr Integer COLOR_ACTIVEBORDER = 10;
inline constexpr Integer COLOR_INACTIVEBORDER = 11;
inline constexpr Integer COLOR_APPWORKSPACE = 12;
inline constexpr Integer COLOR_HIGHLIGHT = 13;
inline constexpr Integer COLOR_HIGHLIGHTTEXT = 14;
inline constexpr Integer COLOR_BTNFACE = 15;
inline constexpr Integer COLOR_BTNSHADOW = 16;
inline constexpr Integer COLOR_GRAYTEXT = 17;
inline constexpr Integer COLOR_BTNTEXT = 18;
inline constexpr Integer COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr Integer COLOR_BTNHIGHLIGHT = 20;
inline constexpr Integer COLOR_3DDKSHADOW = 21;
inline constexpr Integer COLOR_3DLIGHT = 22;
inline constexpr Integer COLOR_INFOTEXT = 23;
inline constexpr Integer COLOR_INFOBK = 24;
inline constexpr Integer COLOR_HOTLIGHT = 26;
inline constexpr Integer COLOR_GRADIENTACTIVECAPTION = 27;
inline constexpr Integer COLOR_GRADIENTINACTIVECAPTION = 28;
inline constexpr Integer COLOR_MENUHILIGHT = 29;
inline constexpr Integer COLOR_MENUBAR = 30;
inline constexpr Integer COLOR_3DFACE = COLOR_BTNFACE;
inline constexpr Integer COLOR_3DSHADOW = COLOR_BTNSHADOW;
inline constexpr Integer COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
inline constexpr Integer COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
inline constexpr Integer COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT;
inline constexpr Integer COLOR_DESKTOP = COLOR_BACKGROUND;

inline constexpr TColor SystemColor(Integer Index) {
  return TColor(0x80000000u | std::uint32_t(Index));
}

inline constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
inline constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
inline constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
inline constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
inline constexpr TColor clMenu = SystemColor(COLOR_MENU);
inline constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
inline constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
inline constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
inline constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
inline constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
inline constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
inline constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
inline constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
inline constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
inline constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
inline constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
inline constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
inline constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
inline constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
inline constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
inline constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
inline constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
inline constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
inline constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
inline constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clLtGray = 0xC0C0C0;
inline constexpr TColor clDkGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

COLORREF GetSysColor(Integer Index);  // 0 for an unknown index
// A stock brush of the system colour (follows SetSysColors); never delete it.
HBRUSH GetSysColorBrush(Integer Index);
// Changes system colours (tests); Indexes and Colors have Count entries.
BOOL SetSysColors(Integer Count, const Integer* Indexes, const COLORREF* Colors);
// Restores the classic scheme.
void ResetSysColors();

// The RGB value of a colour: system colours through the table; clNone and
// clDefault keep their low 24 bits as the platform does.
COLORREF ColorToRGB(TColor Color);
// The colour the display shows for Color at a depth in bits per pixel: the
// 20 static palette colours at 8 bits or fewer, 5-6-5 at 16, itself above.
COLORREF NearestDisplayColor(COLORREF Color, Integer Depth);

// Names: "clBtnFace" for named colours, "$00BBGGRR" for others.
String ColorToString(TColor Color);
// Accepts names and numbers ("$FF", "255", "-16777201"); raises EConvertError.
TColor StringToColor(const String& S);
bool ColorToIdent(TColor Color, String& Ident);
bool IdentToColor(const String& Ident, TColor& Color);
// Calls Proc with every colour name, standard colours first.
void GetColorValues(const std::function<void(const String&)>& Proc);

}  // namespace kvp
