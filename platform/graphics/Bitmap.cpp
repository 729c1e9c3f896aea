#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/classes/Filer.h"
#include "platform/classes/Resources.h"
#include "platform/classes/Streams.h"
#include "platform/graphics/Bmp.h"

namespace kvp {

// [SECTION] TGraphic

void TGraphic::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  Changed();
}

void TGraphic::SetModified(bool Value) {
  if (Value) {
    Changed();
    return;
  }
  FModified = false;
}

void TGraphic::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::DefineProperties(TFiler* Filer) {
  auto* Ancestor = DynCast<TGraphic>(Filer->GetAncestor());
  bool HasData = Ancestor ? !Equals(Ancestor) : !Empty();
  Filer->DefineBinaryProperty("Data", TStreamProc(this, &TGraphic::ReadData),
                              TStreamProc(this, &TGraphic::WriteData), HasData);
}

bool TGraphic::Equals(TGraphic* Graphic) {
  if (!Graphic || Graphic->ClassType() != ClassType()) return false;
  if (Empty() || Graphic->Empty()) return Empty() == Graphic->Empty();
  TObjectPtr<TMemoryStream> A(TMemoryStream::Create()), B(TMemoryStream::Create());
  WriteData(A.get());
  Graphic->WriteData(B.get());
  return A->GetSize() == B->GetSize() &&
         std::memcmp(A->GetMemory(), B->GetMemory(), std::size_t(A->GetSize())) == 0;
}

void TGraphic::ReadData(TStream* Stream) { LoadFromStream(Stream); }

void TGraphic::WriteData(TStream* Stream) { SaveToStream(Stream); }

// [SECTION] TBitmapCanvas

void TBitmapCanvas::CreateHandle() {
  HDC Dc = CreateCompatibleDC(nullptr);
  if (HBITMAP B = FBitmap->GetHandle()) FOldBitmap = SelectObject(Dc, B);
  SetHandle(Dc);
}

void TBitmapCanvas::FreeContext() {
  HDC Dc = PeekHandle();
  if (!Dc) return;
  SetHandle(nullptr);
  if (FOldBitmap) SelectObject(Dc, FOldBitmap);
  FOldBitmap = nullptr;
  DeleteDC(Dc);
}

void TBitmapCanvas::Destroy() {
  FreeContext();
  inherited::Destroy();
}

// [SECTION] TBitmap

void TBitmap::Destroy() {
  FCanvas.reset();
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
  inherited::Destroy();
}

void TBitmap::FreeContext() {
  if (FCanvas) FCanvas->FreeContext();
}

void TBitmap::NewImage(Integer Width, Integer Height, bool Mono, bool KeepContent) {
  if (Width < 0 || Height < 0)
    throw EInvalidArgument("Invalid bitmap size: " + std::to_string(Width) + " x " +
                           std::to_string(Height));
  FreeContext();
  HBITMAP New = nullptr;
  if (Width > 0 && Height > 0) {
    New = CreateBitmap(Width, Height, 1, Mono ? 1 : 32, nullptr);
    if (!New)
      throw EOutOfResources("Out of system resources: bitmap of " + std::to_string(Width) + " x " +
                            std::to_string(Height));
    TSurface* Dst = GetBitmapSurface(New);
    // A new image starts white, as a fresh canvas does.
    Dst->Fill(RGB(255, 255, 255));
    if (KeepContent && FHandle) {
      const TSurface* Src = GetBitmapSurface(FHandle);
      for (Integer Y = 0; Y < std::min(Height, Src->Height()); ++Y)
        for (Integer X = 0; X < std::min(Width, Src->Width()); ++X) {
          std::uint32_t P = Src->Scanline(Y)[X];
          Dst->Scanline(Y)[X] =
              Mono ? ((((P >> 16) & 0xFF) + ((P >> 8) & 0xFF) + (P & 0xFF)) >= 384 ? 0xFFFFFF : 0)
                   : P;
        }
    }
  }
  if (FHandle) DeleteObject(FHandle);
  FHandle = New;
  FWidth = Width;
  FHeight = Height;
}

void TBitmap::SetSize(Integer Width, Integer Height) {
  if (FWidth == Width && FHeight == Height) return;
  NewImage(Width, Height, GetMonochrome(), true);
  Changed();
}

void TBitmap::SetWidth(Integer Value) { SetSize(Value, FHeight); }
void TBitmap::SetHeight(Integer Value) { SetSize(FWidth, Value); }

TCanvas* TBitmap::GetCanvas() {
  if (!FCanvas) {
    FCanvas.reset(TBitmapCanvas::Create(this));
    FCanvas->OnChange = TNotifyEvent([this](TObject*) { Changed(); });
  }
  return FCanvas.get();
}

HBITMAP TBitmap::GetHandle() { return FHandle; }

TSurface* TBitmap::GetSurface() { return FHandle ? GetBitmapSurface(FHandle) : nullptr; }

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value == FHandle) return;
  BITMAP Info;
  if (Value && !GetObject(Value, &Info))
    throw EInvalidArgument("TBitmap.SetHandle: not a bitmap handle");
  FreeContext();
  if (FHandle) DeleteObject(FHandle);
  FHandle = Value;
  FWidth = Value ? Info.bmWidth : 0;
  FHeight = Value ? Info.bmHeight : 0;
  FPixelFormat =
      Value && Info.bmBitsPixel == 1 ? pf1bit : (FPixelFormat == pf1bit ? pfDevice : FPixelFormat);
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  FreeContext();
  HBITMAP H = FHandle;
  FHandle = nullptr;
  FWidth = FHeight = 0;
  return H;
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (FPixelFormat == Value) return;
  bool WasMono = GetMonochrome();
  FPixelFormat = Value;
  if (WasMono != GetMonochrome() && FHandle) NewImage(FWidth, FHeight, GetMonochrome(), true);
  Changed();
}

void TBitmap::SetMonochrome(bool Value) {
  if (Value == GetMonochrome()) return;
  SetPixelFormat(Value ? pf1bit : pfDevice);
}

TColor TBitmap::GetTransparentColor() {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (GetMonochrome()) return clWhite;
  // Automatic: the colour of the bottom-left pixel.
  if (TSurface* S = GetSurface()) return TColor(S->GetPixel(0, FHeight - 1));
  return clDefault;
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (FTransparentColor == Value) return;
  FTransparentColor = Value;
  FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (FTransparentMode == Value) return;
  FTransparentMode = Value;
  if (Value == tmAuto) FTransparentColor = clDefault;
  Changed();
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    NewImage(0, 0, false, false);
    Changed();
    return;
  }
  auto* B = DynCast<TBitmap>(Source);
  if (!B) return inherited::Assign(Source);
  if (B == this) return;
  NewImage(B->FWidth, B->FHeight, B->GetMonochrome(), false);
  if (FHandle && B->FHandle) *GetBitmapSurface(FHandle) = *GetBitmapSurface(B->FHandle);
  FPixelFormat = B->FPixelFormat;
  FTransparentColor = B->FTransparentColor;
  FTransparentMode = B->FTransparentMode;
  inherited::SetTransparent(B->GetTransparent());
  Changed();
}

void TBitmap::LoadFromStream(TStream* Stream) {
  // The file header tells how much of the stream is the bitmap.
  Byte Header[14];
  Stream->ReadBuffer(Header, 14);
  if (Header[0] != 'B' || Header[1] != 'M') throw EInvalidImage("Bitmap image is not valid");
  std::uint32_t Size = std::uint32_t(Header[2]) | std::uint32_t(Header[3]) << 8 |
                       std::uint32_t(Header[4]) << 16 | std::uint32_t(Header[5]) << 24;
  if (Size < 14 || Size > 0x40000000u)
    throw EInvalidImage("Bitmap image is not valid: size " + std::to_string(Size));
  // The rest is read a block at a time, so that a header claiming more than
  // the stream holds fails on the first short read instead of taking the
  // memory it claims first.
  constexpr std::uint32_t Block = 0x10000;
  std::vector<Byte> Data(Header, Header + 14);
  for (std::uint32_t Left = Size - 14; Left > 0;) {
    const std::uint32_t Count = std::min(Left, Block);
    const std::size_t Had = Data.size();
    Data.resize(Had + Count);
    Stream->ReadBuffer(Data.data() + Had, Integer(Count));
    Left -= Count;
  }
  TDibImage Img = ReadBmp(Data.data(), Data.size());
  HBITMAP H = CreateBitmapFromDib(Img);
  FPixelFormat = Img.Monochrome       ? pf1bit
                 : Img.BitCount == 24 ? pf24bit
                 : Img.BitCount == 32 ? pf32bit
                                      : pfDevice;
  SetHandle(H);
}

void TBitmap::SaveToStream(TStream* Stream) {
  TSurface Empty(0, 0);
  TSurface* S = GetSurface();
  std::vector<Byte> Data = WriteBmp(S ? *S : Empty, GetMonochrome());
  Stream->WriteBuffer(Data.data(), Integer(Data.size()));
}

void TBitmap::ReadData(TStream* Stream) {
  // Stored forms put the byte count first; a bare bitmap file is read as it is.
  Byte Head[2] = {};
  Int64 Start = Stream->GetPosition();
  Stream->ReadBuffer(Head, 2);
  Stream->SetPosition(Start);
  if (Head[0] != 'B' || Head[1] != 'M') {
    std::uint32_t Size = 0;
    Stream->ReadBuffer(&Size, 4);
    if (Size == 0) {
      SetHandle(nullptr);
      return;
    }
  }
  LoadFromStream(Stream);
}

void TBitmap::WriteData(TStream* Stream) {
  TObjectPtr<TMemoryStream> Image(TMemoryStream::Create());
  SaveToStream(Image.get());
  std::uint32_t Size = std::uint32_t(Image->GetSize());
  Stream->WriteBuffer(&Size, 4);
  Stream->WriteBuffer(Image->GetMemory(), Integer(Size));
}

void TBitmap::LoadFromResourceName(HINSTANCE Instance, const String& Name) {
  HBITMAP H = LoadBitmap(Instance, Name);
  if (!H) throw EResNotFound("Resource " + Name + " not found");
  SetHandle(H);
}

void TBitmap::Dormant() { FreeContext(); }

void TBitmap::Draw(TCanvas* Canvas, const TRect& R) {
  if (Empty() || !Canvas) return;
  HDC Dest = Canvas->GetHandle();
  // The source is the bitmap's own canvas, where the bitmap is selected.
  HDC Src = GetCanvas()->GetHandle();
  if (!GetTransparent()) {
    StretchBlt(Dest, R.Left, R.Top, R.Width(), R.Height(), Src, 0, 0, FWidth, FHeight,
               Canvas->GetCopyMode());
  } else {
    // Pixels of the transparent colour leave the destination as it was.
    COLORREF Key = ColorToRGB(GetTransparentColor());
    HBITMAP Mask = CreateBitmap(FWidth, FHeight, 1, 1, nullptr);
    TSurface* M = GetBitmapSurface(Mask);
    const TSurface* S = GetBitmapSurface(FHandle);
    for (Integer Y = 0; Y < FHeight; ++Y)
      for (Integer X = 0; X < FWidth; ++X)
        M->Scanline(Y)[X] = S->GetPixel(X, Y) == Key ? 0 : 0xFFFFFF;
    if (R.Width() == FWidth && R.Height() == FHeight) {
      MaskBlt(Dest, R.Left, R.Top, FWidth, FHeight, Src, 0, 0, Mask, 0, 0,
              MAKEROP4(SRCCOPY, 0x00AA0029));
    } else {
      // Stretch image and mask first, then mask the result in.
      HDC Tmp = CreateCompatibleDC(nullptr);
      HBITMAP Img = CreateBitmap(std::abs(R.Width()), std::abs(R.Height()), 1, 32, nullptr);
      HBITMAP StretchedMask =
          CreateBitmap(std::abs(R.Width()), std::abs(R.Height()), 1, 1, nullptr);
      HGDIOBJ TOld = SelectObject(Tmp, StretchedMask);
      HDC MaskDc = CreateCompatibleDC(nullptr);
      HGDIOBJ MOld = SelectObject(MaskDc, Mask);
      StretchBlt(Tmp, 0, 0, std::abs(R.Width()), std::abs(R.Height()), MaskDc, 0, 0, FWidth,
                 FHeight, SRCCOPY);
      SelectObject(Tmp, Img);
      StretchBlt(Tmp, 0, 0, std::abs(R.Width()), std::abs(R.Height()), Src, 0, 0, FWidth, FHeight,
                 SRCCOPY);
      MaskBlt(Dest, std::min(R.Left, R.Right), std::min(R.Top, R.Bottom), std::abs(R.Width()),
              std::abs(R.Height()), Tmp, 0, 0, StretchedMask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029));
      SelectObject(MaskDc, MOld);
      SelectObject(Tmp, TOld);
      DeleteDC(MaskDc);
      DeleteDC(Tmp);
      DeleteObject(Img);
      DeleteObject(StretchedMask);
    }
    DeleteObject(Mask);
  }
}

}  // namespace kvp
