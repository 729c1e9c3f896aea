// A sheet of every drawing primitive, for comparing two ways of drawing the
// same thing pixel for pixel: fills, frames, inversions, regions, PatBlt and
// BitBlt/StretchBlt/MaskBlt with many raster codes, lines of every pen style
// and width (with overlaps and every ROP2), rectangles, polygons, text and
// edges, each with every brush kind, over a background of noise (so that
// raster operations show), under one of several clip shapes and mapping
// modes, on a 32-bit or a monochrome bitmap or on a window-like surface DC
// (an origin and a visible region).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/ImageList.h"

namespace kvp::test {

inline constexpr Integer SheetWidth = 300;
inline constexpr Integer SheetHeight = 300;

// One way of setting up the DC: clip shape, mapping mode, target kind.
struct TSheetConfig {
  const char* Name;
  int Clip;    // 0 none, 1 rectangle, 2 two rectangles and a hole, 3 a polygon
  int Map;     // 0 MM_TEXT with origins, 1 scaled, 2 mirrored in x
  int Target;  // 0 a 32-bit bitmap, 1 a monochrome bitmap, 2 a surface DC
};

inline const std::vector<TSheetConfig>& SheetConfigs() {
  static const std::vector<TSheetConfig> Configs = {
      {"plain", 0, 0, 0},
      {"rect clip", 1, 0, 0},
      {"complex clip", 2, 0, 0},
      {"polygon clip", 3, 0, 0},
      {"scaled", 0, 1, 0},
      {"scaled, complex clip", 2, 1, 0},
      {"mirrored", 0, 2, 0},
      {"mirrored, rect clip", 1, 2, 0},
      {"mirrored, polygon clip", 3, 2, 0},
      {"mono", 0, 0, 1},
      {"mono, complex clip", 2, 0, 1},
      {"mono, mirrored", 0, 2, 1},
      {"window", 0, 0, 2},
      {"window, complex clip", 2, 0, 2},
      {"window, mirrored", 1, 2, 2},
  };
  return Configs;
}

// Pseudo-random pixels, the same every time.
inline void FillNoise(TSurface& S, std::uint32_t Seed) {
  std::uint32_t X = Seed * 2654435761u + 1;
  for (Integer Y = 0; Y < S.Height(); ++Y)
    for (Integer I = 0; I < S.Width(); ++I) {
      X ^= X << 13;
      X ^= X >> 17;
      X ^= X << 5;
      S.Scanline(Y)[I] = X & 0xFFFFFF;
    }
}

namespace sheet {

// Brushes of every kind; the caller deletes them.
inline std::vector<HBRUSH> MakeBrushes(HBITMAP ColorPattern, HBITMAP MonoPattern) {
  std::vector<HBRUSH> B;
  B.push_back(CreateSolidBrush(RGB(200, 40, 90)));
  B.push_back(CreateSolidBrush(RGB(0, 0, 0)));
  B.push_back(CreateSolidBrush(RGB(255, 255, 255)));
  for (Integer H : {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS})
    B.push_back(CreateHatchBrush(H, RGB(20, 120, 220)));
  B.push_back(CreatePatternBrush(ColorPattern));
  B.push_back(CreatePatternBrush(MonoPattern));
  LOGBRUSH Null{BS_NULL, 0, 0};
  B.push_back(CreateBrushIndirect(Null));
  return B;
}

// Pens of every style and several widths; the caller deletes them.
inline std::vector<HPEN> MakePens() {
  std::vector<HPEN> P;
  for (UINT Style : {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_INSIDEFRAME})
    P.push_back(CreatePen(Style, 1, RGB(10, 160, 40)));
  LOGBRUSH Lb{BS_SOLID, RGB(90, 30, 200), 0};
  P.push_back(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, Lb));
  P.push_back(CreatePen(PS_SOLID, 0, RGB(255, 255, 255)));
  P.push_back(CreatePen(PS_SOLID, 2, RGB(240, 200, 0)));
  P.push_back(CreatePen(PS_SOLID, 3, RGB(0, 0, 0)));
  P.push_back(CreatePen(PS_INSIDEFRAME, 4, RGB(130, 0, 0)));
  P.push_back(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_MITER, 5, Lb));
  P.push_back(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_BEVEL, 4, Lb));
  P.push_back(CreatePen(PS_NULL, 1, 0));
  return P;
}

inline void SetUpMapping(HDC Dc, int Map) {
  switch (Map) {
    case 0:
      SetViewportOrgEx(Dc, 3, -2, nullptr);
      SetWindowOrgEx(Dc, -1, 1, nullptr);
      break;
    case 1:
      SetMapMode(Dc, MM_ANISOTROPIC);
      SetWindowExtEx(Dc, 4, 3, nullptr);
      SetViewportExtEx(Dc, 5, 4, nullptr);
      SetViewportOrgEx(Dc, 2, 1, nullptr);
      break;
    default:
      // Right to left: x runs from the right edge leftwards.
      SetMapMode(Dc, MM_ANISOTROPIC);
      SetWindowExtEx(Dc, 1, 1, nullptr);
      SetViewportExtEx(Dc, -1, 1, nullptr);
      SetViewportOrgEx(Dc, SheetWidth - 1, 0, nullptr);
      break;
  }
}

inline void SetUpClip(HDC Dc, int Clip) {
  HRGN R = nullptr;
  switch (Clip) {
    case 1:
      R = CreateRectRgn(7, 5, SheetWidth - 11, SheetHeight - 9);
      break;
    case 2: {
      R = CreateRectRgn(0, 0, 170, 150);
      HRGN B = CreateRectRgn(120, 90, SheetWidth - 3, SheetHeight);
      HRGN Hole = CreateRectRgn(40, 30, 90, 70);
      CombineRgn(R, R, B, RGN_OR);
      CombineRgn(R, R, Hole, RGN_DIFF);
      DeleteObject(B);
      DeleteObject(Hole);
      break;
    }
    case 3: {
      const TPoint Pts[] = {{10, 4},
                            {SheetWidth - 20, 30},
                            {SheetWidth - 5, SheetHeight - 10},
                            {140, 120},
                            {20, SheetHeight - 4}};
      R = CreatePolygonRgn(Pts, 5, ALTERNATE);
      break;
    }
    default:
      return;
  }
  SelectClipRgn(Dc, R);
  DeleteObject(R);
}

}  // namespace sheet

// The text phase of the sheet.
inline void DrawSheetText(HDC Dc, HFONT Font, HFONT Turned) {
  SetBkMode(Dc, OPAQUE);
  const TRect Cell{150, 70, 230, 86};
  ExtTextOut(Dc, 152, 71, ETO_OPAQUE | ETO_CLIPPED, &Cell, "Korvel Wg|&j", -1, nullptr);
  SetBkMode(Dc, TRANSPARENT);
  SetTextColor(Dc, RGB(0, 40, 250));
  TextOut(Dc, 100, 2, "Grid 0123");
  SetTextAlign(Dc, TA_RIGHT | TA_BASELINE);
  TextOut(Dc, 290, 110, "right");
  SetTextAlign(Dc, TA_LEFT | TA_TOP);
  TRect Box{10, 40, 120, 70};
  DrawText(Dc, "a &prefixed, wrapped line of words", -1, &Box, DT_WORDBREAK | DT_CENTER);
  SelectObject(Dc, Turned);
  TextOut(Dc, 270, 215, "up");
  SelectObject(Dc, Font);
}

// Draws the sheet on Dc, a DC whose target is SheetWidth x SheetHeight; with
// Text false, the text phase is left out.
inline void DrawPrimitiveSheet(HDC Dc, const TSheetConfig& Config, bool Text = true) {
  using namespace sheet;
  // [Phase 1] Objects: patterns, brushes, pens, a source bitmap with a mask.
  HBITMAP ColorPattern = CreateBitmap(5, 3, 1, 32, nullptr);
  HBITMAP MonoPattern = CreateBitmap(8, 8, 1, 1, nullptr);
  HBITMAP Source = CreateBitmap(40, 30, 1, 32, nullptr);
  HBITMAP MonoSource = CreateBitmap(40, 30, 1, 1, nullptr);
  HBITMAP Mask = CreateBitmap(40, 30, 1, 1, nullptr);
  FillNoise(*GetBitmapSurface(ColorPattern), 7);
  FillNoise(*GetBitmapSurface(Source), 11);
  TSurface* MP = GetBitmapSurface(MonoPattern);
  for (Integer Y = 0; Y < 8; ++Y)
    for (Integer X = 0; X < 8; ++X) MP->Scanline(Y)[X] = ((X * 3 + Y) % 5) < 2 ? 0xFFFFFF : 0;
  TSurface* MS = GetBitmapSurface(MonoSource);
  TSurface* MK = GetBitmapSurface(Mask);
  for (Integer Y = 0; Y < 30; ++Y)
    for (Integer X = 0; X < 40; ++X) {
      MS->Scanline(Y)[X] = (X / 3 + Y / 4) % 2 ? 0xFFFFFF : 0;
      MK->Scanline(Y)[X] = (X - 20) * (X - 20) + (Y - 15) * (Y - 15) < 150 ? 0xFFFFFF : 0;
    }
  std::vector<HBRUSH> Brushes = MakeBrushes(ColorPattern, MonoPattern);
  std::vector<HPEN> Pens = MakePens();
  HDC SrcDc = CreateCompatibleDC(Dc);
  HGDIOBJ OldSrc = SelectObject(SrcDc, Source);
  HDC MonoDc = CreateCompatibleDC(Dc);
  HGDIOBJ OldMono = SelectObject(MonoDc, MonoSource);
  HFONT Font = CreateFont(-13, 0, 0, 0, FW_BOLD, 0, 1, 1, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HFONT Turned =
      CreateFont(-11, 0, 900, 900, FW_NORMAL, 1, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");

  const Integer Saved = SaveDC(Dc);
  SetUpMapping(Dc, Config.Map);
  SetUpClip(Dc, Config.Clip);
  HGDIOBJ OldPen = SelectObject(Dc, Pens[0]);
  HGDIOBJ OldBrush = SelectObject(Dc, Brushes[0]);
  HGDIOBJ OldFont = SelectObject(Dc, Font);
  SetTextColor(Dc, RGB(250, 120, 0));
  SetBkColor(Dc, RGB(30, 60, 90));

  // [Phase 2] Fills, frames, inversions with every brush; BkMode alternates.
  for (std::size_t I = 0; I < Brushes.size(); ++I) {
    const Integer X = Integer(I % 6) * 46, Y = Integer(I / 6) * 22;
    SetBkMode(Dc, I % 2 ? TRANSPARENT : OPAQUE);
    SetBrushOrgEx(Dc, Integer(I % 3), Integer(I % 2), nullptr);
    const TRect R{X + 1, Y + 1, X + 44, Y + 20};
    FillRect(Dc, &R, Brushes[I]);
    const TRect F{X + 5, Y + 4, X + 30, Y + 16};
    FrameRect(Dc, &F, Brushes[(I + 3) % Brushes.size()]);
  }
  SetBrushOrgEx(Dc, 0, 0, nullptr);
  const TRect Inv{4, 3, 60, 40};
  InvertRect(Dc, &Inv);
  const TRect Focus{20, 10, 130, 50};
  DrawFocusRect(Dc, &Focus);
  const TRect Face{140, 20, 180, 34};
  FillRect(Dc, &Face, HBRUSH(std::uintptr_t(COLOR_BTNFACE + 1)));

  // [Phase 3] Regions.
  HRGN Rgn = CreateRectRgn(200, 5, 260, 60);
  HRGN Other = CreateRectRgn(230, 40, 290, 90);
  CombineRgn(Rgn, Rgn, Other, RGN_XOR);
  FillRgn(Dc, Rgn, Brushes[3]);
  FrameRgn(Dc, Rgn, Brushes[0], 2, 3);
  InvertRgn(Dc, Other);
  SelectObject(Dc, Brushes[9]);
  PaintRgn(Dc, Other);
  DeleteObject(Rgn);
  DeleteObject(Other);

  // [Phase 4] Blits with many raster codes, stretches and a mask.
  const DWORD Rops[] = {SRCCOPY,     SRCPAINT,  SRCAND,     SRCINVERT,  SRCERASE, NOTSRCCOPY,
                        NOTSRCERASE, MERGECOPY, MERGEPAINT, PATCOPY,    PATPAINT, PATINVERT,
                        DSTINVERT,   BLACKNESS, WHITENESS,  ROP_DSPDxax};
  for (std::size_t I = 0; I < std::size(Rops); ++I) {
    const Integer X = Integer(I % 8) * 37, Y = 70 + Integer(I / 8) * 26;
    SelectObject(Dc, Brushes[I % Brushes.size()]);
    BitBlt(Dc, X, Y, 34, 24, I % 5 == 4 ? MonoDc : SrcDc, Integer(I % 4), Integer(I % 3), Rops[I]);
  }
  SelectObject(Dc, Brushes[0]);
  PatBlt(Dc, 10, 125, 50, 12, PATINVERT);
  PatBlt(Dc, 70, 125, -30, 14, PATCOPY);
  PatBlt(Dc, 120, 125, 30, 14, DSTINVERT);
  StretchBlt(Dc, 160, 122, 70, 20, SrcDc, 2, 3, 30, 20, SRCCOPY);
  StretchBlt(Dc, 290, 122, -50, 18, SrcDc, 0, 0, 40, 30, SRCCOPY);
  StretchBlt(Dc, 5, 140, 30, 20, SrcDc, 39, 29, -40, -30, SRCINVERT);
  BitBlt(Dc, 40, 140, 40, 30, SrcDc, 0, 0, SRCCOPY);
  BitBlt(Dc, 60, 150, 40, 30, SrcDc, -5, -4, SRCCOPY);  // partly outside the source
  BitBlt(Dc, 90, 145, 30, 20, Dc, 20, 10, SRCCOPY);     // from itself, overlapping
  BitBlt(Dc, 95, 150, 30, 20, Dc, 90, 145, SRCCOPY);
  MaskBlt(Dc, 125, 145, 40, 30, SrcDc, 0, 0, Mask, 0, 0, MAKEROP4(SRCCOPY, PATCOPY));
  MaskBlt(Dc, 165, 145, 40, 30, MonoDc, 0, 0, Mask, 2, 1, MAKEROP4(SRCINVERT, 0x00AA0029));

  // [Phase 5] Lines: every pen with several ROP2 codes, with overlaps.
  for (std::size_t I = 0; I < Pens.size(); ++I) {
    SelectObject(Dc, Pens[I]);
    SetBkMode(Dc, I % 3 ? OPAQUE : TRANSPARENT);
    const Integer X = 5 + Integer(I) * 20;
    for (int R = 0; R < 16; R += 5) {
      SetROP2(Dc, R2_BLACK + (R + Integer(I)) % 16);
      MoveToEx(Dc, X, 175 + R, nullptr);
      LineTo(Dc, X + 18, 175 + R);      // horizontal
      LineTo(Dc, X + 18, 195 + R / 3);  // vertical
      LineTo(Dc, X + 2, 180 + R);       // diagonal, back over the first
      LineTo(Dc, X + 9, 215);           // steep
    }
    const TPoint Zig[] = {{X, 200}, {X + 15, 203}, {X + 3, 210}, {X + 17, 216}, {X, 200}};
    Polyline(Dc, Zig, 5);
  }
  SetROP2(Dc, R2_COPYPEN);
  SelectObject(Dc, Pens[0]);
  const TPoint Poly[] = {{5, 60}, {40, 62}, {44, 64}, {80, 60}, {80, 61}, {5, 61}};
  const DWORD Counts[] = {3, 3};
  PolyPolyline(Dc, Poly, Counts, 2);
  for (Integer R = R2_BLACK; R <= R2_WHITE; ++R) {
    SetROP2(Dc, R);
    SelectObject(Dc, R % 2 ? Pens[7] : Pens[0]);
    const Integer X = 5 + (R - 1) * 18;
    MoveToEx(Dc, X, 164, nullptr);
    LineTo(Dc, X + 15, 164);
    LineTo(Dc, X + 15, 172);
    LineTo(Dc, X, 164);
  }

  // [Phase 6] Shapes with every ROP2, brush and pen.
  for (Integer R = R2_BLACK; R <= R2_WHITE; ++R) {
    SetROP2(Dc, R);
    SelectObject(Dc, Brushes[std::size_t(R) % Brushes.size()]);
    SelectObject(Dc, Pens[std::size_t(R) % Pens.size()]);
    SetPolyFillMode(Dc, R % 2 ? ALTERNATE : WINDING);
    const Integer X = 190 + ((R - 1) % 4) * 27, Y = 95 + ((R - 1) / 4) * 30;
    Rectangle(Dc, X, Y, X + 24, Y + 14);
    const TPoint Star[] = {
        {X + 12, Y + 10}, {X + 20, Y + 28}, {X + 2, Y + 16}, {X + 24, Y + 16}, {X + 4, Y + 28}};
    Polygon(Dc, Star, 5);
  }
  SetROP2(Dc, R2_COPYPEN);
  SelectObject(Dc, Pens[10]);  // a wide inside-frame pen round rectangles smaller than it
  Rectangle(Dc, 284, 60, 287, 63);
  Rectangle(Dc, 290, 60, 296, 62);
  for (Integer I = 0; I < 12; ++I) SetPixel(Dc, 150 + I * 3, 60 + I, RGB(I * 20, 255 - I * 20, 7));

  // [Phase 7] Text: opaque, transparent, clipped, turned, DrawText.
  if (Text) DrawSheetText(Dc, Font, Turned);

  // [Phase 8] Edges and frame controls.
  TRect E{240, 150, 290, 175};
  DrawEdge(Dc, &E, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  TRect E2{245, 180, 295, 200};
  DrawEdge(Dc, &E2, EDGE_SUNKEN, BF_RECT | BF_SOFT);
  TRect C{220, 180, 236, 196};
  DrawFrameControl(Dc, &C, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  TRect S{220, 198, 236, 214};
  DrawFrameControl(Dc, &S, DFC_SCROLL, DFCS_SCROLLDOWN);

  // [Phase 9] Frame controls in every state, more edges, an image list.
  const UINT Buttons[] = {DFCS_BUTTONRADIO,
                          DFCS_BUTTONRADIO | DFCS_CHECKED,
                          DFCS_BUTTONRADIO | DFCS_FLAT | DFCS_CHECKED,
                          DFCS_BUTTONRADIO | DFCS_MONO,
                          DFCS_BUTTONRADIO | DFCS_INACTIVE | DFCS_CHECKED,
                          DFCS_BUTTONCHECK | DFCS_INACTIVE | DFCS_CHECKED,
                          DFCS_BUTTONCHECK | DFCS_FLAT,
                          DFCS_BUTTON3STATE | DFCS_CHECKED,
                          DFCS_BUTTONPUSH,
                          DFCS_BUTTONPUSH | DFCS_PUSHED,
                          DFCS_BUTTONPUSH | DFCS_FLAT,
                          DFCS_BUTTONPUSH | DFCS_MONO | DFCS_CHECKED};
  for (std::size_t I = 0; I < std::size(Buttons); ++I) {
    const Integer X = 4 + Integer(I) * 24;
    TRect B{X, 222, X + 15 + Integer(I % 3), 222 + 15 + Integer(I % 2)};
    DrawFrameControl(Dc, &B, DFC_BUTTON, Buttons[I]);
  }
  const UINT Scrolls[] = {DFCS_SCROLLUP,
                          DFCS_SCROLLDOWN | DFCS_PUSHED,
                          DFCS_SCROLLLEFT | DFCS_INACTIVE,
                          DFCS_SCROLLRIGHT | DFCS_FLAT,
                          DFCS_SCROLLCOMBOBOX,
                          DFCS_SCROLLSIZEGRIP,
                          DFCS_SCROLLUP | DFCS_MONO};
  for (std::size_t I = 0; I < std::size(Scrolls); ++I) {
    const Integer X = 4 + Integer(I) * 22;
    TRect B{X, 242, X + 17 + Integer(I % 2), 259};
    DrawFrameControl(Dc, &B, DFC_SCROLL, Scrolls[I]);
  }
  const std::pair<UINT, UINT> Edges[] = {{EDGE_SUNKEN, BF_RECT | BF_SOFT | BF_MIDDLE},
                                         {EDGE_ETCHED, BF_RECT},
                                         {EDGE_BUMP, BF_RECT | BF_MIDDLE},
                                         {BDR_RAISEDOUTER, BF_LEFT | BF_TOP},
                                         {BDR_SUNKENINNER, BF_RIGHT | BF_BOTTOM},
                                         {EDGE_RAISED, BF_RECT | BF_FLAT},
                                         {EDGE_SUNKEN, BF_RECT | BF_MONO | BF_MIDDLE},
                                         {EDGE_RAISED, BF_RECT | BF_ADJUST}};
  for (std::size_t I = 0; I < std::size(Edges); ++I) {
    const Integer X = 160 + Integer(I % 4) * 35, Y = 242 + Integer(I / 4) * 20;
    TRect E3{X, Y, X + 30, Y + 17};
    DrawEdge(Dc, &E3, Edges[I].first, Edges[I].second);
    if (Edges[I].second & BF_ADJUST) FillRect(Dc, &E3, Brushes[1]);
  }
  HIMAGELIST List = ImageList_Create(8, 8, ILC_MASK, 2, 0);
  HBITMAP Strip = CreateBitmap(16, 8, 1, 32, nullptr);
  FillNoise(*GetBitmapSurface(Strip), 13);
  for (Integer Y = 0; Y < 8; ++Y)
    for (Integer X = 0; X < 16; ++X)
      if ((X % 8 + Y) % 5 == 0 || X % 8 == 0)
        GetBitmapSurface(Strip)->SetPixel(X, Y, RGB(255, 0, 255));
  ImageList_AddMasked(List, Strip, RGB(255, 0, 255));
  const std::pair<UINT, COLORREF> Draws[] = {{ILD_NORMAL, CLR_NONE},
                                             {ILD_NORMAL, RGB(0, 128, 0)},
                                             {ILD_TRANSPARENT, RGB(0, 128, 0)},
                                             {ILD_BLEND25, CLR_NONE},
                                             {ILD_BLEND50, CLR_DEFAULT},
                                             {ILD_MASK, CLR_NONE},
                                             {ILD_BLEND50 | ILD_TRANSPARENT, RGB(10, 20, 30)}};
  for (std::size_t I = 0; I < std::size(Draws); ++I)
    ImageList_DrawEx(List, Integer(I % 2), Dc, 4 + Integer(I) * 12, 265, 0, 0, Draws[I].second,
                     I % 3 ? CLR_DEFAULT : RGB(250, 200, 0), Draws[I].first);
  ImageList_DrawEx(List, 1, Dc, 100, 265, 5, 6, CLR_NONE, CLR_NONE, ILD_NORMAL);
  ImageList_Destroy(List);
  DeleteObject(Strip);

  // [Phase 10] Back to how the DC was; objects go.
  SelectObject(Dc, OldPen);
  SelectObject(Dc, OldBrush);
  SelectObject(Dc, OldFont);
  RestoreDC(Dc, Saved);
  SelectObject(SrcDc, OldSrc);
  SelectObject(MonoDc, OldMono);
  DeleteDC(SrcDc);
  DeleteDC(MonoDc);
  for (HBRUSH B : Brushes) DeleteObject(B);
  for (HPEN P : Pens) DeleteObject(P);
  for (HGDIOBJ O : {HGDIOBJ(ColorPattern), HGDIOBJ(MonoPattern), HGDIOBJ(Source),
                    HGDIOBJ(MonoSource), HGDIOBJ(Mask), HGDIOBJ(Font), HGDIOBJ(Turned)})
    DeleteObject(O);
}

// Draws the sheet for Config on a fresh noisy target and answers its pixels.
inline std::vector<std::uint32_t> SheetPixels(const TSheetConfig& Config, bool Text = true) {
  std::vector<std::uint32_t> Out;
  if (Config.Target == 2) {
    // A window's DC: its client area starts at (4, 3) of the surface and a
    // sibling covers part of it.
    TSurface S(SheetWidth + 8, SheetHeight + 6);
    FillNoise(S, 3);
    HRGN Visible = CreateRectRgn(4, 3, SheetWidth + 4, SheetHeight + 3);
    HRGN Sibling = CreateRectRgn(150, 100, 230, 160);
    CombineRgn(Visible, Visible, Sibling, RGN_DIFF);
    HDC Dc = CreateSurfaceDC(&S, {4, 3}, Visible);
    DrawPrimitiveSheet(Dc, Config, Text);
    DeleteDC(Dc);
    DeleteObject(Visible);
    DeleteObject(Sibling);
    for (Integer Y = 0; Y < S.Height(); ++Y)
      Out.insert(Out.end(), S.Scanline(Y), S.Scanline(Y) + S.Width());
    return Out;
  }
  HDC Screen = CreateScreenDC();
  HDC Dc = CreateCompatibleDC(Screen);
  HBITMAP Target = CreateBitmap(SheetWidth, SheetHeight, 1, Config.Target == 1 ? 1 : 32, nullptr);
  TSurface* S = GetBitmapSurface(Target);
  FillNoise(*S, 3);
  if (Config.Target == 1)
    for (Integer Y = 0; Y < S->Height(); ++Y)
      for (Integer X = 0; X < S->Width(); ++X)
        S->Scanline(Y)[X] = (S->Scanline(Y)[X] & 0x800000) ? 0xFFFFFF : 0;
  HGDIOBJ Old = SelectObject(Dc, Target);
  DrawPrimitiveSheet(Dc, Config, Text);
  for (Integer Y = 0; Y < S->Height(); ++Y)
    Out.insert(Out.end(), S->Scanline(Y), S->Scanline(Y) + S->Width());
  SelectObject(Dc, Old);
  DeleteObject(Target);
  DeleteDC(Dc);
  DeleteDC(Screen);
  return Out;
}

}  // namespace kvp::test
