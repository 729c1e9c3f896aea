#include "platform/graphics/Bmp.h"

#include <cstring>

#include "platform/classes/Resources.h"
#include "platform/rtl/Exceptions.h"

namespace kvp {

namespace {

constexpr DWORD kBiRgb = 0;
constexpr DWORD kBiBitfields = 3;
constexpr Integer kMaxSide = 32768;

[[noreturn]] void Bad(const String& Why) {
  throw EInvalidImage("Bitmap image is not valid: " + Why);
}

// Little-endian reads that check the bounds.
struct TReader {
  const Byte* Data;
  std::size_t Size;
  std::uint32_t U32(std::size_t At) const {
    if (At + 4 > Size) Bad("truncated header");
    return std::uint32_t(Data[At]) | std::uint32_t(Data[At + 1]) << 8 |
           std::uint32_t(Data[At + 2]) << 16 | std::uint32_t(Data[At + 3]) << 24;
  }
  std::uint16_t U16(std::size_t At) const {
    if (At + 2 > Size) Bad("truncated header");
    return std::uint16_t(Data[At] | Data[At + 1] << 8);
  }
};

// Expands a masked channel to eight bits.
Byte Channel(std::uint32_t Pixel, std::uint32_t Mask) {
  if (!Mask) return 0;
  int Shift = 0;
  while (!(Mask & 1)) {
    Mask >>= 1;
    ++Shift;
  }
  std::uint64_t V = (Pixel >> Shift) & Mask;
  return Byte((V * 255 + Mask / 2) / Mask);
}

void Put32(std::vector<Byte>& Out, std::uint32_t V) {
  for (int I = 0; I < 4; ++I) Out.push_back(Byte(V >> (8 * I)));
}
void Put16(std::vector<Byte>& Out, std::uint16_t V) {
  Out.push_back(Byte(V));
  Out.push_back(Byte(V >> 8));
}

}  // namespace

TDibImage ReadBmp(const Byte* Data, std::size_t Size) {
  if (!Data) Bad("no data");
  TReader R{Data, Size};
  // [Phase 1] Headers: the optional file header, then the info header.
  bool HasFile = Size >= 2 && Data[0] == 'B' && Data[1] == 'M';
  std::size_t Info = HasFile ? 14 : 0;
  std::uint32_t HeaderSize = R.U32(Info);
  Integer Width, Height, BitCount;
  DWORD Compression = kBiRgb;
  std::uint32_t ColorsUsed = 0;
  bool Core = HeaderSize == 12;
  if (Core) {
    Width = R.U16(Info + 4);
    Height = std::int16_t(R.U16(Info + 6));
    BitCount = R.U16(Info + 10);
  } else if (HeaderSize >= 40) {
    Width = Integer(R.U32(Info + 4));
    Height = Integer(R.U32(Info + 8));
    BitCount = R.U16(Info + 14);
    Compression = R.U32(Info + 16);
    ColorsUsed = R.U32(Info + 32);
  } else {
    Bad("unknown header size " + std::to_string(HeaderSize));
  }
  bool TopDown = Height < 0;
  if (Height == INT32_MIN) Bad("bad height");
  Height = TopDown ? -Height : Height;
  if (Width <= 0 || Height <= 0 || Width > kMaxSide || Height > kMaxSide)
    Bad("size " + std::to_string(Width) + " x " + std::to_string(Height));
  if (BitCount != 1 && BitCount != 4 && BitCount != 8 && BitCount != 16 && BitCount != 24 &&
      BitCount != 32)
    Bad(std::to_string(BitCount) + " bits a pixel");
  if (Compression != kBiRgb && !(Compression == kBiBitfields && (BitCount == 16 || BitCount == 32)))
    Bad("compression " + std::to_string(Compression));
  // [Phase 2] Channel masks and palette.
  std::size_t After = Info + HeaderSize;
  std::uint32_t Masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
  if (BitCount == 16) Masks[0] = 0x7C00, Masks[1] = 0x03E0, Masks[2] = 0x001F;
  if (Compression == kBiBitfields) {
    std::size_t At = HeaderSize >= 52 ? Info + 40 : After;
    for (int I = 0; I < 3; ++I) Masks[I] = R.U32(At + std::size_t(I) * 4);
    if (HeaderSize < 52) After += 12;
  }
  std::vector<std::uint32_t> Palette;
  if (BitCount <= 8) {
    std::uint32_t Count = ColorsUsed ? ColorsUsed : (1u << BitCount);
    if (Count > 256) Bad("palette of " + std::to_string(Count) + " colours");
    std::size_t Entry = Core ? 3 : 4;
    for (std::uint32_t I = 0; I < Count; ++I) {
      std::size_t At = After + I * Entry;
      if (At + 3 > Size) Bad("truncated palette");
      Palette.push_back(std::uint32_t(Data[At + 2]) << 16 | std::uint32_t(Data[At + 1]) << 8 |
                        Data[At]);
    }
    After += Count * Entry;
  }
  // [Phase 3] Pixels, rows padded to four bytes.
  std::size_t Offset = HasFile ? R.U32(10) : After;
  std::size_t Stride = ((std::size_t(Width) * std::size_t(BitCount) + 31) / 32) * 4;
  if (Offset > Size || Stride * std::size_t(Height) > Size - Offset) Bad("truncated pixel data");
  TDibImage Img;
  Img.BitCount = BitCount;
  Img.Pixels = TSurface(Width, Height);
  Img.Monochrome =
      BitCount == 1 && Palette.size() == 2 &&
      ((Palette[0] == 0 && Palette[1] == 0xFFFFFF) || (Palette[0] == 0xFFFFFF && Palette[1] == 0));
  for (Integer Y = 0; Y < Height; ++Y) {
    const Byte* Row = Data + Offset + Stride * std::size_t(TopDown ? Y : Height - 1 - Y);
    std::uint32_t* Out = Img.Pixels.Scanline(Y);
    for (Integer X = 0; X < Width; ++X) {
      std::uint32_t P = 0;
      switch (BitCount) {
        case 1:
        case 4:
        case 8: {
          std::size_t Bit = std::size_t(X) * std::size_t(BitCount);
          unsigned Index = (Row[Bit / 8] >> (8 - BitCount - Bit % 8)) & ((1u << BitCount) - 1);
          P = Index < Palette.size() ? Palette[Index] : 0;
          break;
        }
        case 16:
        case 32: {
          std::uint32_t V = BitCount == 16 ? std::uint32_t(Row[X * 2] | Row[X * 2 + 1] << 8)
                                           : std::uint32_t(Row[X * 4] | Row[X * 4 + 1] << 8 |
                                                           Row[X * 4 + 2] << 16 |
                                                           std::uint32_t(Row[X * 4 + 3]) << 24);
          P = std::uint32_t(Channel(V, Masks[0])) << 16 | std::uint32_t(Channel(V, Masks[1])) << 8 |
              Channel(V, Masks[2]);
          break;
        }
        default:  // 24
          P = std::uint32_t(Row[X * 3 + 2]) << 16 | std::uint32_t(Row[X * 3 + 1]) << 8 | Row[X * 3];
      }
      Out[X] = P;
    }
  }
  return Img;
}

std::vector<Byte> WriteBmp(const TSurface& Pixels, bool Monochrome) {
  Integer W = Pixels.Width(), H = Pixels.Height(), Bits = Monochrome ? 1 : 24;
  std::uint32_t Stride = std::uint32_t(((W * Bits + 31) / 32) * 4);
  std::uint32_t PaletteSize = Monochrome ? 8 : 0;
  std::uint32_t Offset = 14 + 40 + PaletteSize, ImageSize = Stride * std::uint32_t(H);
  std::vector<Byte> Out;
  Out.push_back('B');
  Out.push_back('M');
  Put32(Out, Offset + ImageSize);
  Put32(Out, 0);
  Put32(Out, Offset);
  Put32(Out, 40);
  Put32(Out, std::uint32_t(W));
  Put32(Out, std::uint32_t(H));
  Put16(Out, 1);
  Put16(Out, std::uint16_t(Bits));
  Put32(Out, kBiRgb);
  Put32(Out, ImageSize);
  Put32(Out, 3780);  // 96 dpi in pixels per metre
  Put32(Out, 3780);
  Put32(Out, Monochrome ? 2 : 0);
  Put32(Out, 0);
  if (Monochrome) {
    Put32(Out, 0);
    Put32(Out, 0x00FFFFFF);
  }
  for (Integer Y = H - 1; Y >= 0; --Y) {
    std::vector<Byte> Row(Stride, 0);
    const std::uint32_t* In = Pixels.Scanline(Y);
    for (Integer X = 0; X < W; ++X) {
      if (Monochrome) {
        if (In[X] & 0xFFFFFF) Row[std::size_t(X / 8)] |= Byte(0x80 >> (X % 8));
      } else {
        Row[std::size_t(X) * 3] = Byte(In[X]);
        Row[std::size_t(X) * 3 + 1] = Byte(In[X] >> 8);
        Row[std::size_t(X) * 3 + 2] = Byte(In[X] >> 16);
      }
    }
    Out.insert(Out.end(), Row.begin(), Row.end());
  }
  return Out;
}

HBITMAP CreateBitmapFromDib(const TDibImage& Image) {
  HBITMAP B = CreateBitmap(Image.Pixels.Width(), Image.Pixels.Height(), 1,
                           Image.Monochrome ? 1 : 32, nullptr);
  TSurface* S = GetBitmapSurface(B);
  if (!S) return nullptr;
  for (Integer Y = 0; Y < S->Height(); ++Y)
    std::memcpy(S->Scanline(Y), Image.Pixels.Scanline(Y), std::size_t(S->Width()) * 4);
  return B;
}

HBITMAP LoadBitmap(HINSTANCE, const String& Name) {
  const TResourceEntry* Res = FindResource(Name, "BITMAP");
  if (!Res) return nullptr;
  return CreateBitmapFromDib(ReadBmp(Res->Data, Res->Size));
}

HBITMAP LoadBitmap(HINSTANCE, Integer Id) {
  if (Id != OBM_CHECKBOXES) return nullptr;
  constexpr Integer Box = 13;
  HBITMAP Strip = CreateBitmap(4 * Box, 3 * Box, 1, 32, nullptr);
  HDC Dc = CreateCompatibleDC(nullptr);
  HGDIOBJ Old = SelectObject(Dc, Strip);
  TRect All{0, 0, 4 * Box, 3 * Box};
  FillRect(Dc, &All, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const UINT Kinds[3] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
  const UINT States[4] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
  for (Integer Row = 0; Row < 3; ++Row)
    for (Integer Col = 0; Col < 4; ++Col) {
      TRect R = Bounds(Col * Box, Row * Box, Box, Box);
      DrawFrameControl(Dc, &R, DFC_BUTTON, Kinds[Row] | States[Col]);
    }
  SelectObject(Dc, Old);
  DeleteDC(Dc);
  GetBitmapSurface(Strip)->ClearRecords();
  return Strip;
}

}  // namespace kvp
