#include "platform/graphics/Surface.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

#include "platform/rtl/Exceptions.h"

namespace kvp {

namespace {

// libpng's errors come back to SavePng's setjmp, which raises; its own
// handlers would also print to stderr.
[[noreturn]] void PngError(png_structp Png, png_const_charp) { png_longjmp(Png, 1); }
void PngWarning(png_structp, png_const_charp) {}

constexpr COLORREF kInvalidColor = 0xFFFFFFFF;  // CLR_INVALID

Integer CheckedExtent(Integer Value, const char* What) {
  if (Value < 0)
    throw EInvalidArgument(String("Invalid surface ") + What + ": " + std::to_string(Value));
  return Value;
}

bool Contains(const TRect& Outer, const TRect& Inner) {
  return Inner.Left >= Outer.Left && Inner.Top >= Outer.Top && Inner.Right <= Outer.Right &&
         Inner.Bottom <= Outer.Bottom;
}

bool Meets(const TRect& A, const TRect& B) {
  TRect Dummy;
  return IntersectRect(Dummy, A, B);
}

bool& DefaultRecording() {
  static bool Value = false;
  return Value;
}

}  // namespace

bool TSurface::GetDefaultRecording() { return DefaultRecording(); }
void TSurface::SetDefaultRecording(bool Value) { DefaultRecording() = Value; }

TSurface::TSurface(Integer Width, Integer Height)
    : FWidth(CheckedExtent(Width, "width")),
      FHeight(CheckedExtent(Height, "height")),
      FPixels(std::size_t(Width) * std::size_t(Height), 0x00FFFFFF) {}

COLORREF TSurface::GetPixel(Integer X, Integer Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return kInvalidColor;
  return PixelToColorRef(Scanline(Y)[X]);
}

void TSurface::SetPixel(Integer X, Integer Y, COLORREF Color) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
  Scanline(Y)[X] = ColorRefToPixel(Color);
}

void TSurface::Fill(COLORREF Color) {
  std::fill(FPixels.begin(), FPixels.end(), ColorRefToPixel(Color));
}

void TSurface::Resize(Integer Width, Integer Height) {
  CheckedExtent(Width, "width");
  CheckedExtent(Height, "height");
  if (Width == FWidth && Height == FHeight) return;
  std::vector<std::uint32_t> Pixels(std::size_t(Width) * std::size_t(Height), 0x00FFFFFF);
  Integer CopyW = std::min(Width, FWidth);
  Integer CopyH = std::min(Height, FHeight);
  for (Integer Y = 0; Y < CopyH; ++Y)
    std::copy_n(Scanline(Y), CopyW, Pixels.data() + std::size_t(Y) * std::size_t(Width));
  FPixels.swap(Pixels);
  FWidth = Width;
  FHeight = Height;
}

void TSurface::SavePng(const String& FileName) const {
  FILE* File = std::fopen(FileName.c_str(), "wb");
  if (!File) throw EFCreateError("Cannot create file \"" + FileName + "\"");
  // The row lives outside the setjmp scope: libpng reports a write error by
  // jumping back there, which must not skip a destructor.
  std::vector<png_byte> Row(std::size_t(std::max(FWidth, 1)) * 3, 0xFF);
  png_structp Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop Info = Png ? png_create_info_struct(Png) : nullptr;
  if (!Png || !Info || setjmp(png_jmpbuf(Png))) {
    png_destroy_write_struct(&Png, Info ? &Info : nullptr);
    std::fclose(File);
    throw EFCreateError("Cannot write PNG file \"" + FileName + "\"");
  }
  png_init_io(Png, File);
  png_set_IHDR(Png, Info, png_uint_32(std::max(FWidth, 1)), png_uint_32(std::max(FHeight, 1)), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(Png, Info);
  for (Integer Y = 0; Y < std::max(FHeight, 1); ++Y) {
    for (Integer X = 0; X < FWidth && Y < FHeight; ++X) {
      std::uint32_t P = Scanline(Y)[X];
      Row[std::size_t(X) * 3] = png_byte(P >> 16);
      Row[std::size_t(X) * 3 + 1] = png_byte(P >> 8);
      Row[std::size_t(X) * 3 + 2] = png_byte(P);
    }
    png_write_row(Png, Row.data());
  }
  png_write_end(Png, nullptr);
  png_destroy_write_struct(&Png, &Info);
  if (std::fclose(File) != 0) throw EFCreateError("Cannot write PNG file \"" + FileName + "\"");
}

void TSurface::AddRecord(TDrawRecord Record) {
  if (!FRecording) return;
  if (FRecords.size() >= MaxRecords)
    FRecords.erase(FRecords.begin(), FRecords.begin() + std::ptrdiff_t(MaxRecords / 2));
  FRecords.push_back(std::move(Record));
}

void TSurface::DiscardRecordsIn(const TRect& R) {
  std::erase_if(FRecords, [&R](const TDrawRecord& Rec) { return Contains(R, Rec.Rect); });
}

std::vector<const TDrawRecord*> TSurface::TextsIn(const TRect& R) const {
  std::vector<const TDrawRecord*> Result;
  for (const TDrawRecord& Rec : FRecords)
    if (Rec.Kind == TDrawKind::Text && Contains(R, Rec.Rect)) Result.push_back(&Rec);
  return Result;
}

std::vector<const TDrawRecord*> TSurface::TextsAt(const TRect& R) const {
  std::vector<const TDrawRecord*> Result;
  for (const TDrawRecord& Rec : FRecords)
    if (Rec.Kind == TDrawKind::Text && Meets(R, Rec.Rect)) Result.push_back(&Rec);
  return Result;
}

const TDrawRecord* TSurface::FindText(const String& Text) const {
  for (auto It = FRecords.rbegin(); It != FRecords.rend(); ++It)
    if (It->Kind == TDrawKind::Text && It->Text == Text) return &*It;
  return nullptr;
}

String TSurface::TextIn(const TRect& R) const {
  String Result;
  for (const TDrawRecord* Rec : TextsIn(R)) {
    if (!Result.empty()) Result += "\n";
    Result += Rec->Text;
  }
  return Result;
}

}  // namespace kvp
