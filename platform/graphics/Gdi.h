// The drawing interface: device contexts on pixel surfaces, drawing objects
// with handles (pens, brushes, fonts, bitmaps, regions), clipping, mapping
// modes, raster operations, lines, fills, blits, text output and measuring,
// edges and frame controls. Calls take and give what the system's calls do;
// a bad handle makes a call fail the way the system's does (FALSE, 0, null).
#pragma once

#include <vector>

#include "platform/graphics/GdiTypes.h"
#include "platform/graphics/Region.h"
#include "platform/graphics/Surface.h"

namespace kvp {

// [SECTION] Device contexts
// A DC drawing on Surface with device point (0,0) at Origin (surface pixels),
// every drawing clipped to VisibleRegion (surface coordinates, copied; null
// means the whole surface). The window system makes window, client and paint
// DCs through this call.
HDC CreateSurfaceDC(TSurface* Surface, TPoint Origin, HRGN VisibleRegion);
// A memory DC like Dc (or like the screen for null), with a 1x1 monochrome
// bitmap selected until the caller selects its own.
HDC CreateCompatibleDC(HDC Dc);
BOOL DeleteDC(HDC Dc);
// The surface a DC draws on (a memory DC: its selected bitmap's), or null.
TSurface* GetDCSurface(HDC Dc);
TPoint GetDCOrigin(HDC Dc);
Integer SaveDC(HDC Dc);
BOOL RestoreDC(HDC Dc, Integer SavedDC);
Integer GetDeviceCaps(HDC Dc, Integer Index);

// The screen: a surface with the display's size, and the display colour depth
// (BITSPIXEL) that GetNearestColor and NUMCOLORS follow. Tests may change both.
TSurface* ScreenSurface();
void SetScreenSize(Integer Width, Integer Height);
Integer GetDisplayColorDepth();
void SetDisplayColorDepth(Integer BitsPerPixel);
// A DC on the whole screen surface; released with DeleteDC.
HDC CreateScreenDC();

// Solid fills, same-format copies, one-pixel solid lines and glyphs take
// direct routes that give exactly the pixels of the general per-pixel code.
// On by default; tests turn them off to compare the two.
bool GetRasterFastPaths();
void SetRasterFastPaths(bool Value);

// [SECTION] Objects
HGDIOBJ GetStockObject(Integer Index);
HGDIOBJ SelectObject(HDC Dc, HGDIOBJ Obj);  // a region: like SelectClipRgn; answers its kind
BOOL DeleteObject(HGDIOBJ Obj);             // stock objects: TRUE, nothing happens
HGDIOBJ GetCurrentObject(HDC Dc, UINT Kind);
DWORD GetObjectType(HGDIOBJ Obj);
Integer GetObject(HGDIOBJ Obj, LOGPEN* Out);
Integer GetObject(HGDIOBJ Obj, EXTLOGPEN* Out);
Integer GetObject(HGDIOBJ Obj, LOGBRUSH* Out);
Integer GetObject(HGDIOBJ Obj, LOGFONT* Out);
Integer GetObject(HGDIOBJ Obj, BITMAP* Out);
// Live objects and DCs, stock objects not counted: tests assert nothing leaks.
Integer GetLiveGdiObjectCount();
Integer GetLiveDCCount();

HPEN CreatePen(UINT Style, Integer Width, COLORREF Color);
HPEN CreatePenIndirect(const LOGPEN& Pen);
HPEN ExtCreatePen(DWORD Style, DWORD Width, const LOGBRUSH& Brush, DWORD StyleCount = 0,
                  const DWORD* StyleEntries = nullptr);
HBRUSH CreateSolidBrush(COLORREF Color);
HBRUSH CreateHatchBrush(Integer Hatch, COLORREF Color);
HBRUSH CreatePatternBrush(HBITMAP Bitmap);  // the brush keeps its own copy
HBRUSH CreateBrushIndirect(const LOGBRUSH& Brush);
HFONT CreateFontIndirect(const LOGFONT& Font);
HFONT CreateFont(Integer Height, Integer Width, Integer Escapement, Integer Orientation,
                 Integer Weight, DWORD Italic, DWORD Underline, DWORD StrikeOut, DWORD CharSet,
                 DWORD OutPrecision, DWORD ClipPrecision, DWORD Quality, DWORD PitchAndFamily,
                 const String& FaceName);
// Bitmaps are 32 bits a pixel, or 1 bit (monochrome: pixels black or white).
HBITMAP CreateBitmap(Integer Width, Integer Height, UINT Planes, UINT BitsPerPixel,
                     const void* Bits);
HBITMAP CreateCompatibleBitmap(HDC Dc, Integer Width, Integer Height);
// The pixels of a bitmap, or null.
TSurface* GetBitmapSurface(HBITMAP Bitmap);

// [SECTION] Regions
HRGN CreateRectRgn(Integer Left, Integer Top, Integer Right, Integer Bottom);
HRGN CreateRectRgnIndirect(const TRect& R);
HRGN CreatePolygonRgn(const TPoint* Points, Integer Count, Integer FillMode);
HRGN CreateRegionFrom(const TRegion& Region);
// The region behind a handle, or null.
const TRegion* GetRegionData(HRGN Rgn);
Integer CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, Integer Mode);
Integer OffsetRgn(HRGN Rgn, Integer DX, Integer DY);
Integer GetRgnBox(HRGN Rgn, TRect* Box);
BOOL SetRectRgn(HRGN Rgn, Integer Left, Integer Top, Integer Right, Integer Bottom);
BOOL PtInRegion(HRGN Rgn, Integer X, Integer Y);
BOOL RectInRegion(HRGN Rgn, const TRect* R);
BOOL EqualRgn(HRGN A, HRGN B);
BOOL FillRgn(HDC Dc, HRGN Rgn, HBRUSH Brush);
BOOL FrameRgn(HDC Dc, HRGN Rgn, HBRUSH Brush, Integer Width, Integer Height);
BOOL InvertRgn(HDC Dc, HRGN Rgn);
BOOL PaintRgn(HDC Dc, HRGN Rgn);

// [SECTION] Clipping (device coordinates)
Integer SelectClipRgn(HDC Dc, HRGN Rgn);  // null removes the clip
Integer ExtSelectClipRgn(HDC Dc, HRGN Rgn, Integer Mode);
Integer IntersectClipRect(HDC Dc, Integer Left, Integer Top, Integer Right, Integer Bottom);
Integer ExcludeClipRect(HDC Dc, Integer Left, Integer Top, Integer Right, Integer Bottom);
Integer OffsetClipRgn(HDC Dc, Integer DX, Integer DY);
// 1 and a copy of the clip in Rgn when the DC has one; 0 when it has none.
Integer GetClipRgn(HDC Dc, HRGN Rgn);
Integer GetClipBox(HDC Dc, TRect* R);  // logical coordinates
BOOL RectVisible(HDC Dc, const TRect* R);
BOOL PtVisible(HDC Dc, Integer X, Integer Y);

// [SECTION] State
COLORREF SetTextColor(HDC Dc, COLORREF Color);
COLORREF GetTextColor(HDC Dc);
COLORREF SetBkColor(HDC Dc, COLORREF Color);
COLORREF GetBkColor(HDC Dc);
Integer SetBkMode(HDC Dc, Integer Mode);
Integer GetBkMode(HDC Dc);
Integer SetROP2(HDC Dc, Integer Mode);
Integer GetROP2(HDC Dc);
UINT SetTextAlign(HDC Dc, UINT Align);
UINT GetTextAlign(HDC Dc);
Integer SetStretchBltMode(HDC Dc, Integer Mode);
Integer GetStretchBltMode(HDC Dc);
Integer SetPolyFillMode(HDC Dc, Integer Mode);
Integer GetPolyFillMode(HDC Dc);
BOOL SetBrushOrgEx(HDC Dc, Integer X, Integer Y, TPoint* Old);
BOOL GetBrushOrgEx(HDC Dc, TPoint* Org);
COLORREF GetNearestColor(HDC Dc, COLORREF Color);

// [SECTION] Mapping modes
Integer SetMapMode(HDC Dc, Integer Mode);
Integer GetMapMode(HDC Dc);
BOOL SetWindowOrgEx(HDC Dc, Integer X, Integer Y, TPoint* Old);
BOOL GetWindowOrgEx(HDC Dc, TPoint* Org);
BOOL SetWindowExtEx(HDC Dc, Integer X, Integer Y, TSize* Old);
BOOL GetWindowExtEx(HDC Dc, TSize* Ext);
BOOL SetViewportOrgEx(HDC Dc, Integer X, Integer Y, TPoint* Old);
BOOL GetViewportOrgEx(HDC Dc, TPoint* Org);
BOOL SetViewportExtEx(HDC Dc, Integer X, Integer Y, TSize* Old);
BOOL GetViewportExtEx(HDC Dc, TSize* Ext);
BOOL OffsetWindowOrgEx(HDC Dc, Integer DX, Integer DY, TPoint* Old);
BOOL OffsetViewportOrgEx(HDC Dc, Integer DX, Integer DY, TPoint* Old);
BOOL LPtoDP(HDC Dc, TPoint* Points, Integer Count);
BOOL DPtoLP(HDC Dc, TPoint* Points, Integer Count);

// [SECTION] Pixels, lines, shapes
COLORREF GetPixel(HDC Dc, Integer X, Integer Y);
COLORREF SetPixel(HDC Dc, Integer X, Integer Y, COLORREF Color);
BOOL MoveToEx(HDC Dc, Integer X, Integer Y, TPoint* Old);
BOOL GetCurrentPositionEx(HDC Dc, TPoint* Pos);
BOOL LineTo(HDC Dc, Integer X, Integer Y);  // the end point is not drawn
BOOL Polyline(HDC Dc, const TPoint* Points, Integer Count);
BOOL PolyPolyline(HDC Dc, const TPoint* Points, const DWORD* Counts, DWORD PolyCount);
BOOL Polygon(HDC Dc, const TPoint* Points, Integer Count);
BOOL Rectangle(HDC Dc, Integer Left, Integer Top, Integer Right, Integer Bottom);
Integer FillRect(HDC Dc, const TRect* R, HBRUSH Brush);
Integer FrameRect(HDC Dc, const TRect* R, HBRUSH Brush);
BOOL InvertRect(HDC Dc, const TRect* R);
BOOL DrawFocusRect(HDC Dc, const TRect* R);  // XOR: drawing it twice restores the pixels

// [SECTION] Blits
BOOL PatBlt(HDC Dc, Integer X, Integer Y, Integer Width, Integer Height, DWORD Rop);
BOOL BitBlt(HDC Dest, Integer X, Integer Y, Integer Width, Integer Height, HDC Src, Integer XSrc,
            Integer YSrc, DWORD Rop);
BOOL StretchBlt(HDC Dest, Integer X, Integer Y, Integer Width, Integer Height, HDC Src,
                Integer XSrc, Integer YSrc, Integer WidthSrc, Integer HeightSrc, DWORD Rop);
// Mask bits set take the foreground code (low 24 bits of Rop), clear ones the
// background code (high byte); see MAKEROP4.
BOOL MaskBlt(HDC Dest, Integer X, Integer Y, Integer Width, Integer Height, HDC Src, Integer XSrc,
             Integer YSrc, HBITMAP Mask, Integer XMask, Integer YMask, DWORD Rop);

// [SECTION] Edges and frame controls
BOOL DrawEdge(HDC Dc, TRect* R, UINT Edge, UINT Flags);
BOOL DrawFrameControl(HDC Dc, TRect* R, UINT Kind, UINT State);

// [SECTION] Text
BOOL GetTextMetrics(HDC Dc, TEXTMETRIC* Metrics);
UINT GetOutlineTextMetrics(HDC Dc, UINT Size, OUTLINETEXTMETRIC* Metrics);
BOOL GetTextExtentPoint32(HDC Dc, const String& Text, Integer Count, TSize* Size);
BOOL GetTextExtentPoint32(HDC Dc, const String& Text, TSize* Size);
// Fit: code points that fit MaxExtent; Dx: the extent after each code point.
BOOL GetTextExtentExPoint(HDC Dc, const String& Text, Integer Count, Integer MaxExtent,
                          Integer* Fit, Integer* Dx, TSize* Size);
BOOL GetCharWidth32(HDC Dc, UINT First, UINT Last, Integer* Widths);
BOOL TextOut(HDC Dc, Integer X, Integer Y, const String& Text, Integer Count = -1);
// Dx, when given, holds the advance of each code point.
BOOL ExtTextOut(HDC Dc, Integer X, Integer Y, UINT Options, const TRect* R, const String& Text,
                Integer Count = -1, const Integer* Dx = nullptr);
// Answers the height of the text drawn (or measured), 0 on failure. Count -1
// means the whole text. With DT_MODIFYSTRING, Text receives the shown text.
Integer DrawText(HDC Dc, const String& Text, Integer Count, TRect* R, UINT Format);
Integer DrawTextEx(HDC Dc, String& Text, Integer Count, TRect* R, UINT Format,
                   DRAWTEXTPARAMS* Params);
Integer DrawTextEx(HDC Dc, const String& Text, Integer Count, TRect* R, UINT Format,
                   DRAWTEXTPARAMS* Params);

}  // namespace kvp
