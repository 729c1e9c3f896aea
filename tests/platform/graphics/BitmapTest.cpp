// TBitmap and the bitmap file format.
#include <gtest/gtest.h>

#include "GraphicsTestUtil.h"
#include "platform/classes/Resources.h"
#include "platform/classes/Streams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Bmp.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;
using kvp::test::TLeakCheck;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A .bmp file built byte by byte: header, palette, rows as given.
std::vector<Byte> MakeBmp(int W, int H, int Bits, const std::vector<std::uint32_t>& Palette,
                          const std::vector<std::vector<Byte>>& Rows, DWORD Compression = 0,
                          const std::vector<std::uint32_t>& Masks = {}) {
  std::vector<Byte> Out;
  auto U32 = [&](std::uint32_t V) {
    for (int I = 0; I < 4; ++I) Out.push_back(Byte(V >> (8 * I)));
  };
  auto U16 = [&](std::uint16_t V) {
    Out.push_back(Byte(V));
    Out.push_back(Byte(V >> 8));
  };
  std::uint32_t Offset = 14 + 40 + 4 * std::uint32_t(Palette.size() + Masks.size());
  std::size_t RowBytes = 0;
  for (auto& R : Rows) RowBytes += R.size();
  Out.push_back('B');
  Out.push_back('M');
  U32(Offset + std::uint32_t(RowBytes));
  U32(0);
  U32(Offset);
  U32(40);
  U32(std::uint32_t(W));
  U32(std::uint32_t(H));
  U16(1);
  U16(std::uint16_t(Bits));
  U32(Compression);
  U32(0);
  U32(0);
  U32(0);
  U32(std::uint32_t(Palette.size()));
  U32(0);
  for (std::uint32_t M : Masks) U32(M);
  for (std::uint32_t P : Palette) U32(P);
  for (auto& R : Rows) Out.insert(Out.end(), R.begin(), R.end());
  return Out;
}

TEST(BmpFormat, ReadsEachDepthAndRowOrder) {
  // 2x2 images: top row red, blue; bottom row green, white.
  const std::uint32_t Red = 0xFF0000, Blue = 0x0000FF, Green = 0x00FF00, White = 0xFFFFFF;
  struct TCase {
    const char* Name;
    std::vector<Byte> Data;
  } Cases[] = {
      {"24 bit bottom-up",
       MakeBmp(2, 2, 24, {},
               {{0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0}, {0, 0, 0xFF, 0xFF, 0, 0, 0, 0}})},
      {"24 bit top-down",
       MakeBmp(2, -2, 24, {},
               {{0, 0, 0xFF, 0xFF, 0, 0, 0, 0}, {0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0}})},
      {"32 bit", MakeBmp(2, 2, 32, {},
                         {{0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0}, {0, 0, 0xFF, 0, 0xFF, 0, 0, 0}})},
      {"8 bit palette", MakeBmp(2, 2, 8, {Red, Blue, Green, White}, {{2, 3, 0, 0}, {0, 1, 0, 0}})},
      {"4 bit palette",
       MakeBmp(2, 2, 4, {Red, Blue, Green, White}, {{0x23, 0, 0, 0}, {0x01, 0, 0, 0}})},
      {"16 bit bitfields",
       MakeBmp(2, 2, 16, {}, {{0xE0, 0x07, 0xFF, 0xFF}, {0x00, 0xF8, 0x1F, 0x00}}, 3,
               {0xF800, 0x07E0, 0x001F})},
  };
  for (auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TDibImage Img = ReadBmp(C.Data.data(), C.Data.size());
    ASSERT_EQ(Img.Pixels.Width(), 2);
    EXPECT_EQ(Img.Pixels.GetPixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(Img.Pixels.GetPixel(1, 0), RGB(0, 0, 255));
    EXPECT_EQ(Img.Pixels.GetPixel(0, 1), RGB(0, 255, 0));
    EXPECT_EQ(Img.Pixels.GetPixel(1, 1), kWhite);
  }
  TDibImage Mono = ReadBmp(MakeBmp(3, 1, 1, {0, White}, {{0xA0, 0, 0, 0}}).data(), 14 + 40 + 8 + 4);
  EXPECT_TRUE(Mono.Monochrome);
  EXPECT_EQ(Mono.Pixels.GetPixel(0, 0), kWhite);
  EXPECT_EQ(Mono.Pixels.GetPixel(1, 0), RGB(0, 0, 0));
}

TEST(BmpFormat, RefusesDataItCannotRead) {
  std::vector<Byte> Good =
      MakeBmp(2, 2, 24, {}, {{0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}});
  std::vector<Byte> Truncated(Good.begin(), Good.end() - 4);
  EXPECT_THROW(ReadBmp(Truncated.data(), Truncated.size()), EInvalidImage);
  std::vector<Byte> Huge = MakeBmp(100000, 100000, 24, {}, {});
  EXPECT_THROW(ReadBmp(Huge.data(), Huge.size()), EInvalidImage);
  std::vector<Byte> Rle = MakeBmp(2, 2, 8, {0}, {{0, 0, 0, 0}, {0, 0, 0, 0}}, 1);
  EXPECT_THROW(ReadBmp(Rle.data(), Rle.size()), EInvalidImage);
  std::vector<Byte> BadPalette =
      MakeBmp(1, 1, 8, std::vector<std::uint32_t>(300, 0), {{0, 0, 0, 0}});
  EXPECT_THROW(ReadBmp(BadPalette.data(), BadPalette.size()), EInvalidImage);
  EXPECT_THROW(ReadBmp(Good.data(), 10), EInvalidImage);
}

TEST(Bitmap, CanvasResizeAndStreamRoundTrip) {
  TLeakCheck Leaks;
  TObjectPtr<TBitmap> B(TBitmap::Create());
  EXPECT_TRUE(B->Empty());
  EXPECT_EQ(B->GetHandle(), nullptr);
  B->SetSize(10, 8);
  B->GetCanvas()->GetBrush()->SetColor(clRed);
  B->GetCanvas()->FillRect({0, 0, 4, 4});
  EXPECT_EQ(B->GetCanvas()->GetPixels(1, 1), clRed);
  B->SetWidth(20);  // keeps the top-left
  EXPECT_EQ(B->GetCanvas()->GetPixels(1, 1), clRed);
  EXPECT_EQ(B->GetCanvas()->GetPixels(15, 1), TColor(kWhite));
  TObjectPtr<TMemoryStream> Stream(TMemoryStream::Create());
  B->SaveToStream(Stream.get());
  Stream->SetPosition(0);
  TObjectPtr<TBitmap> C(TBitmap::Create());
  C->LoadFromStream(Stream.get());
  EXPECT_EQ(C->GetWidth(), 20);
  EXPECT_EQ(C->GetHeight(), 8);
  EXPECT_EQ(C->GetSurface()->GetPixel(3, 3), RGB(255, 0, 0));
  EXPECT_EQ(C->GetSurface()->GetPixel(4, 4), kWhite);
  TObjectPtr<TBitmap> D(TBitmap::Create());
  D->Assign(C.get());
  EXPECT_EQ(D->GetSurface()->GetPixel(3, 3), RGB(255, 0, 0));
  EXPECT_NE(D->GetHandle(), C->GetHandle());
}

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#define KV_HEAP_BYTES() __sanitizer_get_current_allocated_bytes()
#else
#define KV_HEAP_BYTES() std::size_t(0)
#endif

// A memory stream that notes how much the heap held at its fullest while it
// was read from.
class TWatchedStream : public TMemoryStream {
  KV_CLASS(TWatchedStream, TMemoryStream)
 public:
  std::size_t Start = KV_HEAP_BYTES();
  std::size_t Peak = 0;
  Integer Read(void* Buffer, Integer Count) override {
    Peak = std::max(Peak, KV_HEAP_BYTES() - std::min(Start, KV_HEAP_BYTES()));
    return inherited::Read(Buffer, Count);
  }
};

// A header that claims more than the stream holds is a short read, found
// before the claimed memory is taken; a file larger than one read block loads
// whole.
TEST(Bitmap, AStreamShorterThanItsHeaderClaimsIsAReadErrorWithoutTakingTheClaim) {
  TLeakCheck Leaks;
  std::vector<Byte> Good = MakeBmp(1, 1, 24, {}, {{1, 2, 3, 0}});
  for (std::uint32_t Claim : {std::uint32_t(Good.size() + 1), 0x3FFFFFFFu}) {
    SCOPED_TRACE(Claim);
    std::vector<Byte> Bytes = Good;
    for (int I = 0; I < 4; ++I) Bytes[std::size_t(2 + I)] = Byte(Claim >> (8 * I));
    TObjectPtr<TWatchedStream> Stream(TWatchedStream::Create());
    Stream->WriteBuffer(Bytes.data(), Integer(Bytes.size()));
    Stream->SetPosition(0);
    Stream->Start = KV_HEAP_BYTES();
    TObjectPtr<TBitmap> B(TBitmap::Create());
    EXPECT_THROW(B->LoadFromStream(Stream.get()), EReadError);
    EXPECT_TRUE(B->Empty());
    EXPECT_LT(Stream->Peak, std::size_t(1) << 20) << "memory taken for what the header claims";
  }
  TObjectPtr<TBitmap> Big(TBitmap::Create());
  Big->SetSize(300, 200);  // 180,000 bytes of pixels
  Big->GetCanvas()->SetPixels(299, 0, clRed);
  Big->GetCanvas()->SetPixels(0, 199, clBlue);
  TObjectPtr<TMemoryStream> Stream(TMemoryStream::Create());
  Big->SaveToStream(Stream.get());
  Stream->WriteBuffer("tail", 4);
  Stream->SetPosition(0);
  TObjectPtr<TBitmap> Back(TBitmap::Create());
  Back->LoadFromStream(Stream.get());
  EXPECT_EQ(Back->GetWidth(), 300);
  EXPECT_EQ(Back->GetCanvas()->GetPixels(299, 0), clRed);
  EXPECT_EQ(Back->GetCanvas()->GetPixels(0, 199), clBlue);
  EXPECT_EQ(Stream->GetPosition(), Stream->GetSize() - 4) << "the stream is left after the bitmap";
}

// Reaches the stored-form data of a bitmap, as the form writer and reader do.
class TStoredBitmap : public TBitmap {
  KV_CLASS(TStoredBitmap, TBitmap)
 public:
  using TBitmap::ReadData;
  using TBitmap::WriteData;
};

TEST(Bitmap, StoredFormDataIsTheByteCountThenTheFile) {
  TLeakCheck Leaks;
  TObjectPtr<TStoredBitmap> B(TStoredBitmap::Create());
  B->SetSize(3, 2);
  B->GetCanvas()->SetPixels(2, 1, clRed);
  TObjectPtr<TMemoryStream> Data(TMemoryStream::Create());
  B->WriteData(Data.get());
  const Byte* Bytes = static_cast<const Byte*>(Data->GetMemory());
  std::uint32_t Count = Bytes[0] | Bytes[1] << 8 | Bytes[2] << 16 | std::uint32_t(Bytes[3]) << 24;
  EXPECT_EQ(Count + 4, Data->GetSize());
  EXPECT_EQ(Bytes[4], 'B');
  EXPECT_EQ(Bytes[5], 'M');
  Data->SetPosition(0);
  TObjectPtr<TStoredBitmap> C(TStoredBitmap::Create());
  C->ReadData(Data.get());
  EXPECT_EQ(C->GetWidth(), 3);
  EXPECT_EQ(C->GetSurface()->GetPixel(2, 1), RGB(255, 0, 0));
}

TEST(Bitmap, DrawsOpaqueOrWithoutItsTransparentColour) {
  TLeakCheck Leaks;
  TObjectPtr<TBitmap> B(TBitmap::Create());
  B->SetSize(4, 4);
  TCanvas* BC = B->GetCanvas();
  BC->GetBrush()->SetColor(clFuchsia);
  BC->FillRect({0, 0, 4, 4});
  BC->GetBrush()->SetColor(clBlue);
  BC->FillRect({1, 1, 3, 3});
  kvp::test::TPaintBox Box(20, 10);
  TObjectPtr<TBitmap> Target(TBitmap::Create());
  Target->SetSize(20, 10);
  TCanvas* T = Target->GetCanvas();
  T->Draw(0, 0, B.get());
  EXPECT_EQ(T->GetPixels(0, 0), clFuchsia);
  B->SetTransparent(true);  // the bottom-left pixel's colour
  EXPECT_EQ(B->GetTransparentColor(), clFuchsia);
  T->Draw(10, 0, B.get());
  EXPECT_EQ(T->GetPixels(10, 0), TColor(kWhite));
  EXPECT_EQ(T->GetPixels(11, 1), clBlue);
  T->StretchDraw({0, 5, 8, 9}, B.get());          // twice as wide
  EXPECT_EQ(T->GetPixels(0, 5), TColor(kWhite));  // the key colour stays out when stretched too
  EXPECT_EQ(T->GetPixels(3, 7), clBlue);
}

TEST(Bitmap, MonochromeAndSystemCheckBoxes) {
  TLeakCheck Leaks;
  HBITMAP Strip = LoadBitmap(nullptr, OBM_CHECKBOXES);
  BITMAP Info;
  ASSERT_TRUE(GetObject(Strip, &Info));
  EXPECT_EQ(Info.bmWidth, 52);
  EXPECT_EQ(Info.bmHeight, 39);
  EXPECT_TRUE(DeleteObject(Strip));
  EXPECT_EQ(LoadBitmap(nullptr, "NO SUCH BITMAP"), nullptr);
  TObjectPtr<TBitmap> B(TBitmap::Create());
  EXPECT_THROW(B->LoadFromResourceName(HInstance, "NO SUCH BITMAP"), EResNotFound);
  B->SetSize(2, 1);
  B->GetCanvas()->SetPixels(0, 0, clBlack);
  B->SetMonochrome(true);
  EXPECT_EQ(B->GetPixelFormat(), pf1bit);
  EXPECT_EQ(B->GetSurface()->GetPixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(B->GetSurface()->GetPixel(1, 0), kWhite);
  GetObject(B->GetHandle(), &Info);
  EXPECT_EQ(Info.bmBitsPixel, 1);
}

}  // namespace
