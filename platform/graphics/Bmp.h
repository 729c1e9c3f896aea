// The platform's bitmap file format: reading .bmp data (1, 4, 8, 16, 24 and
// 32 bits a pixel, bottom-up or top-down, BI_RGB and BI_BITFIELDS, with or
// without the file header) into pixels, writing pixels back, and loading
// bitmaps by resource name or system bitmap number.
#pragma once

#include <vector>

#include "platform/graphics/Gdi.h"

namespace kvp {

// Pixels read from bitmap data.
struct TDibImage {
  TSurface Pixels{0, 0};
  Integer BitCount = 0;     // bits a pixel in the data
  bool Monochrome = false;  // 1 bit a pixel with a black and white palette
};

// Reads bitmap data; raises EInvalidGraphic-like EInvalidImage "Bitmap image
// is not valid" (with the reason) for data it cannot read.
TDibImage ReadBmp(const Byte* Data, std::size_t Size);
// A complete .bmp file: 1 bit a pixel for monochrome images, else 24 bits.
std::vector<Byte> WriteBmp(const TSurface& Pixels, bool Monochrome);

// The system bitmaps LoadBitmap knows by number.
inline constexpr Integer OBM_CHECKBOXES = 32759;
inline constexpr Integer OBM_COMBO = 32738;
// A bitmap from the resource table (type "BITMAP"), or null.
HBITMAP LoadBitmap(HINSTANCE Instance, const String& Name);
// A system bitmap by number (OBM_CHECKBOXES: a 4 x 3 strip of 13 x 13 boxes:
// columns unchecked, checked, pushed, pushed checked; rows check box, radio
// button, three-state box), or null.
HBITMAP LoadBitmap(HINSTANCE Instance, Integer Id);
// Makes a bitmap handle from read pixels.
HBITMAP CreateBitmapFromDib(const TDibImage& Image);

}  // namespace kvp
