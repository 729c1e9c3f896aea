// Constants and records of the drawing interface: raster codes, pen, brush and
// font descriptions, text metrics, edge and frame-control flags, DrawText
// flags and the device-capability indexes, with the system's values so that
// code written against the system reads and behaves the same here.
#pragma once

#include "platform/rtl/Types.h"

namespace kvp {

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
inline constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
inline constexpr COLORREF CLR_DEFAULT = 0xFF000000;

// Ternary raster operations (BitBlt, StretchBlt, PatBlt, MaskBlt).
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD SRCPAINT = 0x00EE0086;
inline constexpr DWORD SRCAND = 0x008800C6;
inline constexpr DWORD SRCINVERT = 0x00660046;
inline constexpr DWORD SRCERASE = 0x00440328;
inline constexpr DWORD NOTSRCCOPY = 0x00330008;
inline constexpr DWORD NOTSRCERASE = 0x001100A6;
inline constexpr DWORD MERGECOPY = 0x00C000CA;
inline constexpr DWORD MERGEPAINT = 0x00BB0226;
inline constexpr DWORD PATCOPY = 0x00F00021;
inline constexpr DWORD PATPAINT = 0x00FB0A09;
inline constexpr DWORD PATINVERT = 0x005A0049;
inline constexpr DWORD DSTINVERT = 0x00550009;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;
// The "DSPDxax" code: copies the pattern where the source is black and keeps
// the destination where it is white (transparent drawing through a mask).
inline constexpr DWORD ROP_DSPDxax = 0x00E20746;
inline constexpr DWORD ROP_PSDPxax = 0x00B8074A;
inline constexpr DWORD MAKEROP4(DWORD Fore, DWORD Back) {
  return ((Back << 8) & 0xFF000000) | Fore;
}

// Binary raster operations (SetROP2).
inline constexpr Integer R2_BLACK = 1;
inline constexpr Integer R2_NOTMERGEPEN = 2;
inline constexpr Integer R2_MASKNOTPEN = 3;
inline constexpr Integer R2_NOTCOPYPEN = 4;
inline constexpr Integer R2_MASKPENNOT = 5;
inline constexpr Integer R2_NOT = 6;
inline constexpr Integer R2_XORPEN = 7;
inline constexpr Integer R2_NOTMASKPEN = 8;
inline constexpr Integer R2_MASKPEN = 9;
inline constexpr Integer R2_NOTXORPEN = 10;
inline constexpr Integer R2_NOP = 11;
inline constexpr Integer R2_MERGENOTPEN = 12;
inline constexpr Integer R2_COPYPEN = 13;
inline constexpr Integer R2_MERGEPENNOT = 14;
inline constexpr Integer R2_MERGEPEN = 15;
inline constexpr Integer R2_WHITE = 16;

// Background modes.
inline constexpr Integer TRANSPARENT = 1;
inline constexpr Integer OPAQUE = 2;

// Mapping modes.
inline constexpr Integer MM_TEXT = 1;
inline constexpr Integer MM_ISOTROPIC = 7;
inline constexpr Integer MM_ANISOTROPIC = 8;

// Stretch modes (accepted; stretching always picks the nearest pixel).
inline constexpr Integer BLACKONWHITE = 1;
inline constexpr Integer WHITEONBLACK = 2;
inline constexpr Integer COLORONCOLOR = 3;
inline constexpr Integer HALFTONE = 4;

// Pen styles.
inline constexpr UINT PS_SOLID = 0;
inline constexpr UINT PS_DASH = 1;
inline constexpr UINT PS_DOT = 2;
inline constexpr UINT PS_DASHDOT = 3;
inline constexpr UINT PS_DASHDOTDOT = 4;
inline constexpr UINT PS_NULL = 5;
inline constexpr UINT PS_INSIDEFRAME = 6;
inline constexpr UINT PS_USERSTYLE = 7;
inline constexpr UINT PS_ALTERNATE = 8;
inline constexpr UINT PS_STYLE_MASK = 0x0000000F;
inline constexpr UINT PS_ENDCAP_ROUND = 0x00000000;
inline constexpr UINT PS_ENDCAP_SQUARE = 0x00000100;
inline constexpr UINT PS_ENDCAP_FLAT = 0x00000200;
inline constexpr UINT PS_ENDCAP_MASK = 0x00000F00;
inline constexpr UINT PS_JOIN_ROUND = 0x00000000;
inline constexpr UINT PS_JOIN_BEVEL = 0x00001000;
inline constexpr UINT PS_JOIN_MITER = 0x00002000;
inline constexpr UINT PS_JOIN_MASK = 0x0000F000;
inline constexpr UINT PS_COSMETIC = 0x00000000;
inline constexpr UINT PS_GEOMETRIC = 0x00010000;
inline constexpr UINT PS_TYPE_MASK = 0x000F0000;

// Brush styles and hatches.
inline constexpr UINT BS_SOLID = 0;
inline constexpr UINT BS_NULL = 1;
inline constexpr UINT BS_HOLLOW = BS_NULL;
inline constexpr UINT BS_HATCHED = 2;
inline constexpr UINT BS_PATTERN = 3;
inline constexpr Integer HS_HORIZONTAL = 0;
inline constexpr Integer HS_VERTICAL = 1;
inline constexpr Integer HS_FDIAGONAL = 2;
inline constexpr Integer HS_BDIAGONAL = 3;
inline constexpr Integer HS_CROSS = 4;
inline constexpr Integer HS_DIAGCROSS = 5;

// Stock objects.
inline constexpr Integer WHITE_BRUSH = 0;
inline constexpr Integer LTGRAY_BRUSH = 1;
inline constexpr Integer GRAY_BRUSH = 2;
inline constexpr Integer DKGRAY_BRUSH = 3;
inline constexpr Integer BLACK_BRUSH = 4;
inline constexpr Integer NULL_BRUSH = 5;
inline constexpr Integer HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr Integer WHITE_PEN = 6;
inline constexpr Integer BLACK_PEN = 7;
inline constexpr Integer NULL_PEN = 8;
inline constexpr Integer OEM_FIXED_FONT = 10;
inline constexpr Integer ANSI_FIXED_FONT = 11;
inline constexpr Integer ANSI_VAR_FONT = 12;
inline constexpr Integer SYSTEM_FONT = 13;
inline constexpr Integer DEVICE_DEFAULT_FONT = 14;
inline constexpr Integer DEFAULT_PALETTE = 15;
inline constexpr Integer SYSTEM_FIXED_FONT = 16;
inline constexpr Integer DEFAULT_GUI_FONT = 17;
inline constexpr Integer DC_BRUSH = 18;
inline constexpr Integer DC_PEN = 19;

// Object kinds answered by GetObjectType.
inline constexpr DWORD OBJ_PEN = 1;
inline constexpr DWORD OBJ_BRUSH = 2;
inline constexpr DWORD OBJ_DC = 3;
inline constexpr DWORD OBJ_FONT = 6;
inline constexpr DWORD OBJ_BITMAP = 7;
inline constexpr DWORD OBJ_REGION = 8;
inline constexpr DWORD OBJ_MEMDC = 10;
inline constexpr DWORD OBJ_EXTPEN = 11;

// Device capabilities.
inline constexpr Integer HORZSIZE = 4;
inline constexpr Integer VERTSIZE = 6;
inline constexpr Integer HORZRES = 8;
inline constexpr Integer VERTRES = 10;
inline constexpr Integer BITSPIXEL = 12;
inline constexpr Integer PLANES = 14;
inline constexpr Integer NUMBRUSHES = 16;
inline constexpr Integer NUMPENS = 18;
inline constexpr Integer NUMFONTS = 22;
inline constexpr Integer NUMCOLORS = 24;
inline constexpr Integer RASTERCAPS = 38;
inline constexpr Integer LOGPIXELSX = 88;
inline constexpr Integer LOGPIXELSY = 90;
inline constexpr Integer SIZEPALETTE = 104;
inline constexpr Integer NUMRESERVED = 106;
inline constexpr Integer COLORRES = 108;
inline constexpr Integer RC_PALETTE = 0x0100;
inline constexpr Integer RC_BITBLT = 0x0001;
inline constexpr Integer RC_STRETCHBLT = 0x0800;

// Text alignment (SetTextAlign).
inline constexpr UINT TA_NOUPDATECP = 0;
inline constexpr UINT TA_UPDATECP = 1;
inline constexpr UINT TA_LEFT = 0;
inline constexpr UINT TA_RIGHT = 2;
inline constexpr UINT TA_CENTER = 6;
inline constexpr UINT TA_TOP = 0;
inline constexpr UINT TA_BOTTOM = 8;
inline constexpr UINT TA_BASELINE = 24;
inline constexpr UINT TA_RTLREADING = 256;

// ExtTextOut options.
inline constexpr UINT ETO_OPAQUE = 0x0002;
inline constexpr UINT ETO_CLIPPED = 0x0004;
inline constexpr UINT ETO_RTLREADING = 0x0080;

// DrawText formats.
inline constexpr UINT DT_TOP = 0x00000000;
inline constexpr UINT DT_LEFT = 0x00000000;
inline constexpr UINT DT_CENTER = 0x00000001;
inline constexpr UINT DT_RIGHT = 0x00000002;
inline constexpr UINT DT_VCENTER = 0x00000004;
inline constexpr UINT DT_BOTTOM = 0x00000008;
inline constexpr UINT DT_WORDBREAK = 0x00000010;
inline constexpr UINT DT_SINGLELINE = 0x00000020;
inline constexpr UINT DT_EXPANDTABS = 0x00000040;
inline constexpr UINT DT_TABSTOP = 0x00000080;
inline constexpr UINT DT_NOCLIP = 0x00000100;
inline constexpr UINT DT_EXTERNALLEADING = 0x00000200;
inline constexpr UINT DT_CALCRECT = 0x00000400;
inline constexpr UINT DT_NOPREFIX = 0x00000800;
inline constexpr UINT DT_INTERNAL = 0x00001000;
inline constexpr UINT DT_EDITCONTROL = 0x00002000;
inline constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
inline constexpr UINT DT_END_ELLIPSIS = 0x00008000;
inline constexpr UINT DT_MODIFYSTRING = 0x00010000;
inline constexpr UINT DT_RTLREADING = 0x00020000;
inline constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
inline constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
inline constexpr UINT DT_HIDEPREFIX = 0x00100000;
inline constexpr UINT DT_PREFIXONLY = 0x00200000;

// DrawEdge.
inline constexpr UINT BDR_RAISEDOUTER = 0x0001;
inline constexpr UINT BDR_SUNKENOUTER = 0x0002;
inline constexpr UINT BDR_RAISEDINNER = 0x0004;
inline constexpr UINT BDR_SUNKENINNER = 0x0008;
inline constexpr UINT BDR_OUTER = 0x0003;
inline constexpr UINT BDR_INNER = 0x000C;
inline constexpr UINT BDR_RAISED = 0x0005;
inline constexpr UINT BDR_SUNKEN = 0x000A;
inline constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
inline constexpr UINT BF_LEFT = 0x0001;
inline constexpr UINT BF_TOP = 0x0002;
inline constexpr UINT BF_RIGHT = 0x0004;
inline constexpr UINT BF_BOTTOM = 0x0008;
inline constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr UINT BF_TOPRIGHT = BF_TOP | BF_RIGHT;
inline constexpr UINT BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
inline constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr UINT BF_DIAGONAL = 0x0010;
inline constexpr UINT BF_MIDDLE = 0x0800;
inline constexpr UINT BF_SOFT = 0x1000;
inline constexpr UINT BF_ADJUST = 0x2000;
inline constexpr UINT BF_FLAT = 0x4000;
inline constexpr UINT BF_MONO = 0x8000;

// DrawFrameControl.
inline constexpr UINT DFC_CAPTION = 1;
inline constexpr UINT DFC_MENU = 2;
inline constexpr UINT DFC_SCROLL = 3;
inline constexpr UINT DFC_BUTTON = 4;
inline constexpr UINT DFCS_SCROLLUP = 0x0000;
inline constexpr UINT DFCS_SCROLLDOWN = 0x0001;
inline constexpr UINT DFCS_SCROLLLEFT = 0x0002;
inline constexpr UINT DFCS_SCROLLRIGHT = 0x0003;
inline constexpr UINT DFCS_SCROLLCOMBOBOX = 0x0005;
inline constexpr UINT DFCS_SCROLLSIZEGRIP = 0x0008;
inline constexpr UINT DFCS_SCROLLSIZEGRIPRIGHT = 0x0010;
inline constexpr UINT DFCS_BUTTONCHECK = 0x0000;
inline constexpr UINT DFCS_BUTTONRADIOIMAGE = 0x0001;
inline constexpr UINT DFCS_BUTTONRADIOMASK = 0x0002;
inline constexpr UINT DFCS_BUTTONRADIO = 0x0004;
inline constexpr UINT DFCS_BUTTON3STATE = 0x0008;
inline constexpr UINT DFCS_BUTTONPUSH = 0x0010;
inline constexpr UINT DFCS_INACTIVE = 0x0100;
inline constexpr UINT DFCS_PUSHED = 0x0200;
inline constexpr UINT DFCS_CHECKED = 0x0400;
inline constexpr UINT DFCS_TRANSPARENT = 0x0800;
inline constexpr UINT DFCS_HOT = 0x1000;
inline constexpr UINT DFCS_ADJUSTRECT = 0x2000;
inline constexpr UINT DFCS_FLAT = 0x4000;
inline constexpr UINT DFCS_MONO = 0x8000;

// Font weights, charsets, pitch and family, precision.
inline constexpr Integer FW_DONTCARE = 0;
inline constexpr Integer FW_THIN = 100;
inline constexpr Integer FW_LIGHT = 300;
inline constexpr Integer FW_NORMAL = 400;
inline constexpr Integer FW_MEDIUM = 500;
inline constexpr Integer FW_SEMIBOLD = 600;
inline constexpr Integer FW_BOLD = 700;
inline constexpr Integer FW_HEAVY = 900;
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE SYMBOL_CHARSET = 2;
inline constexpr BYTE OEM_CHARSET = 255;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_ROMAN = 0x10;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE OUT_TT_PRECIS = 4;
inline constexpr BYTE OUT_TT_ONLY_PRECIS = 7;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE ANTIALIASED_QUALITY = 4;
// tmPitchAndFamily bits: TMPF_FIXED_PITCH is set for *variable* pitch fonts.
inline constexpr BYTE TMPF_FIXED_PITCH = 0x01;
inline constexpr BYTE TMPF_VECTOR = 0x02;
inline constexpr BYTE TMPF_TRUETYPE = 0x04;

inline constexpr Integer LF_FACESIZE = 32;

struct LOGPEN {
  UINT lopnStyle = PS_SOLID;
  TPoint lopnWidth;  // X is the width
  COLORREF lopnColor = 0;
};

struct LOGBRUSH {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  std::uintptr_t lbHatch = 0;  // hatch style, or the HBITMAP of a pattern brush
};

struct EXTLOGPEN {
  DWORD elpPenStyle = 0;
  DWORD elpWidth = 0;
  UINT elpBrushStyle = BS_SOLID;
  COLORREF elpColor = 0;
  std::uintptr_t elpHatch = 0;
};

struct LOGFONT {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = FW_NORMAL;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = OUT_DEFAULT_PRECIS;
  BYTE lfClipPrecision = CLIP_DEFAULT_PRECIS;
  BYTE lfQuality = DEFAULT_QUALITY;
  BYTE lfPitchAndFamily = DEFAULT_PITCH;
  String lfFaceName;  // at most LF_FACESIZE - 1 characters are kept
};

struct TEXTMETRIC {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 96;
  LONG tmDigitizedAspectY = 96;
  Char tmFirstChar = 0x20;
  Char tmLastChar = 0xFFFC;
  Char tmDefaultChar = 0x1F;
  Char tmBreakChar = 0x20;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};

struct OUTLINETEXTMETRIC {
  UINT otmSize = sizeof(OUTLINETEXTMETRIC);
  TEXTMETRIC otmTextMetrics;
  UINT otmEMSquare = 0;
  Integer otmsCharSlopeRise = 1;  // the italic slope: rise over run
  Integer otmsCharSlopeRun = 0;
  Integer otmItalicAngle = 0;  // tenths of a degree, negative leaning right
  Integer otmAscent = 0;
  Integer otmDescent = 0;  // negative below the baseline
  UINT otmLineGap = 0;
  UINT otmsCapEmHeight = 0;
  UINT otmsXHeight = 0;
  TRect otmrcFontBox;
  Integer otmMacAscent = 0;
  Integer otmMacDescent = 0;
  UINT otmMacLineGap = 0;
  Integer otmsStrikeoutSize = 0;
  Integer otmsStrikeoutPosition = 0;
  Integer otmsUnderscoreSize = 0;
  Integer otmsUnderscorePosition = 0;  // negative below the baseline
  String otmpFamilyName;
  String otmpFaceName;
  String otmpStyleName;
  String otmpFullName;
};

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};

struct DRAWTEXTPARAMS {
  UINT cbSize = 20;
  Integer iTabLength = 0;  // in average character widths
  Integer iLeftMargin = 0;
  Integer iRightMargin = 0;
  UINT uiLengthDrawn = 0;  // code points processed, set on return
};

}  // namespace kvp
