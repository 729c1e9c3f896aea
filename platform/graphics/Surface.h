// Pixel surfaces: the 32-bit pixel stores that windows, memory bitmaps and the
// screen draw on, and the drawing log a surface can keep so that a test can ask
// what was drawn where (which text, in which font and colour; which fills,
// lines, edges and bitmaps). Pixels are stored as 0x00RRGGBB; the pixel
// accessors take and give COLORREF (0x00BBGGRR) like the drawing calls do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/Types.h"

namespace kvp {

// What a drawing record describes.
enum class TDrawKind {
  Text,          // ExtTextOut / DrawText output: Rect is the text's cell box
  Fill,          // a rectangle or region filled with a brush colour
  Line,          // a polyline (Points) drawn with a pen
  Frame,         // FrameRect, Rectangle outline, DrawFocusRect
  Edge,          // DrawEdge: Flags = edge, Flags2 = BF_ flags
  FrameControl,  // DrawFrameControl: Flags = DFC_ kind, Flags2 = DFCS_ state
  Invert,        // InvertRect, PatBlt with an inverting code
  Bitmap,        // a blit of pixels that carried no records of their own
  ThemeElement,  // a theme element: Text holds the element name, Flags its state
};

// One entry of a surface's drawing log. Coordinates are surface pixels.
struct TDrawRecord {
  TDrawKind Kind = TDrawKind::Fill;
  TRect Rect;              // bounding box on the surface (clipped for blits)
  String Text;             // drawn text (prefix markers removed), or element name
  String FontName;         // face name asked for, e.g. "MS Sans Serif"
  Integer FontHeight = 0;  // lfHeight of the font (negative = character height)
  Integer FontSize = 0;    // points at 96 dpi
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  Integer Escapement = 0;      // tenths of a degree
  COLORREF Color = 0;          // text, brush or pen colour
  COLORREF BkColor = 0;        // text background colour when Opaque
  bool Opaque = false;         // text drawn with an opaque background
  std::vector<TPoint> Points;  // line vertices (surface pixels)
  Integer PenWidth = 0;
  Integer PenStyle = 0;
  Integer Rop = 0;  // R2_ mode for lines, raster code for blits
  UINT Flags = 0;   // text: DrawText format or ExtTextOut options; fills: brush style;
                    // edges and frame controls: BDR_ or DFC_
  UINT Flags2 = 0;  // edges and frame controls: BF_ or DFCS_
};

// TSurface: a Width x Height block of 32-bit pixels with a drawing log. Every
// device context on the surface writes its pixels here and logs its calls.
class TSurface {
 public:
  TSurface(Integer Width, Integer Height);
  TSurface(const TSurface&) = default;
  TSurface& operator=(const TSurface&) = default;

  Integer Width() const { return FWidth; }
  Integer Height() const { return FHeight; }
  std::uint32_t* Scanline(Integer Y) {
    return FPixels.data() + std::size_t(Y) * std::size_t(FWidth);
  }
  const std::uint32_t* Scanline(Integer Y) const {
    return FPixels.data() + std::size_t(Y) * std::size_t(FWidth);
  }
  // Outside the surface GetPixel answers CLR_INVALID and SetPixel does nothing.
  COLORREF GetPixel(Integer X, Integer Y) const;
  void SetPixel(Integer X, Integer Y, COLORREF Color);
  void Fill(COLORREF Color);
  // Keeps the top-left content; new pixels are white.
  void Resize(Integer Width, Integer Height);
  // Raises EFCreateError when the file cannot be written.
  void SavePng(const String& FileName) const;

  // The drawing log. It costs every drawing call time, so it is off unless
  // turned on: a surface starts with the process-wide default, which is off
  // until SetDefaultRecording (or a TDrawingLogOn) turns it on, as tests that
  // read the log do. While on, the log keeps the latest MaxRecords records:
  // when it is full, the oldest half goes.
  static constexpr std::size_t MaxRecords = 4096;
  static bool GetDefaultRecording();
  static void SetDefaultRecording(bool Value);
  bool GetRecording() const { return FRecording; }
  void SetRecording(bool Value) { FRecording = Value; }
  const std::vector<TDrawRecord>& Records() const { return FRecords; }
  void ClearRecords() { FRecords.clear(); }
  void AddRecord(TDrawRecord Record);
  // Drops the records lying wholly inside R: opaque painting covered them, so
  // the log keeps describing what can be seen (a reused back buffer does not
  // pile up old paints).
  void DiscardRecordsIn(const TRect& R);
  // The text records whose box lies inside R (entirely), in drawing order.
  std::vector<const TDrawRecord*> TextsIn(const TRect& R) const;
  // The text records whose box meets R, in drawing order.
  std::vector<const TDrawRecord*> TextsAt(const TRect& R) const;
  // The last text record whose text equals Text, or null.
  const TDrawRecord* FindText(const String& Text) const;
  // The concatenated texts drawn inside R, separated by "\n".
  String TextIn(const TRect& R) const;

 private:
  Integer FWidth = 0;
  Integer FHeight = 0;
  std::vector<std::uint32_t> FPixels;  // row-major, 0x00RRGGBB
  bool FRecording = GetDefaultRecording();
  std::vector<TDrawRecord> FRecords;  // at most MaxRecords, oldest first
};

// TDrawingLogOn: while it lives, surfaces made (windows, bitmaps) keep a
// drawing log; tests that read the log hold one, made before their windows.
class TDrawingLogOn {
 public:
  TDrawingLogOn() : FOld(TSurface::GetDefaultRecording()) { TSurface::SetDefaultRecording(true); }
  ~TDrawingLogOn() { TSurface::SetDefaultRecording(FOld); }
  TDrawingLogOn(const TDrawingLogOn&) = delete;
  TDrawingLogOn& operator=(const TDrawingLogOn&) = delete;

 private:
  bool FOld;
};

inline std::uint32_t ColorRefToPixel(COLORREF C) {
  return ((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF);
}
inline COLORREF PixelToColorRef(std::uint32_t P) {
  return ((P & 0xFF) << 16) | (P & 0xFF00) | ((P >> 16) & 0xFF);
}

}  // namespace kvp
