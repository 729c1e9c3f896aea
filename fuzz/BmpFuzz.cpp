// Fuzz target: bytes read as bitmap data, bare (ReadBmp, with or without the
// file header) and as a stream into a TBitmap. Properties checked:
//   - nothing crashes, leaks or reads out of bounds; bad data raises
//     EInvalidImage (or a stream's EReadError when it ends too soon);
//   - an image read is within the size limits and writes out as a bitmap
//     file that reads back to the same pixels;
//   - a TBitmap loaded from a stream has the size ReadBmp found.
// Built and run by scripts/run-fuzz (not by the test command).
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "platform/classes/Streams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Bmp.h"

using namespace kvp;

namespace {

bool SamePixels(const TSurface& A, const TSurface& B) {
  if (A.Width() != B.Width() || A.Height() != B.Height()) return false;
  for (Integer Y = 0; Y < A.Height(); ++Y)
    if (std::memcmp(A.Scanline(Y), B.Scanline(Y), std::size_t(A.Width()) * 4) != 0) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // [1] The bare reader.
  bool Read = false;
  TDibImage Img;
  try {
    Img = ReadBmp(Data, Size);
    Read = true;
  } catch (const EInvalidImage&) {
  }
  if (Read) {
    Integer W = Img.Pixels.Width(), H = Img.Pixels.Height();
    FUZZ_CHECK(W > 0 && H > 0 && W <= 32768 && H <= 32768, "an image read has a size within the limits");
    std::vector<Byte> File = WriteBmp(Img.Pixels, Img.Monochrome);
    TDibImage Back = ReadBmp(File.data(), File.size());
    FUZZ_CHECK(SamePixels(Back.Pixels, Img.Pixels), "an image written reads back to the same pixels");
    FUZZ_CHECK(Back.Monochrome == Img.Monochrome, "a monochrome image stays monochrome");
    HBITMAP Handle = CreateBitmapFromDib(Img);
    FUZZ_CHECK(Handle != nullptr, "an image read makes a bitmap");
    DeleteObject(Handle);
  }
  // [2] Through a stream into a TBitmap, as a file or a stored form loads it.
  TObjectPtr<TMemoryStream> Stream(TMemoryStream::Create());
  if (Size) Stream->WriteBuffer(Data, Integer(Size));
  Stream->SetPosition(0);
  TObjectPtr<TBitmap> Bitmap(TBitmap::Create());
  try {
    Bitmap->LoadFromStream(Stream.get());
    FUZZ_CHECK(Read && Bitmap->GetWidth() == Img.Pixels.Width() &&
              Bitmap->GetHeight() == Img.Pixels.Height(),
          "a bitmap loaded has the size of the image read");
  } catch (const EInvalidImage&) {
  } catch (const EReadError&) {
  }
  return 0;
}
