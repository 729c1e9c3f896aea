// Pictures: TGraphic, the abstract image a canvas can draw, and TBitmap, a
// pixel image with its own canvas, loaded from and saved to the bitmap file
// format, drawn opaque or with a transparent colour.
#pragma once

#include "platform/graphics/Canvas.h"

namespace kvp {

class TStream;

// TGraphic: an image of some kind. Draw is called by TCanvas::Draw and
// StretchDraw; Changed fires OnChange and marks the image modified.
class TGraphic : public TPersistent {
  KV_CLASS(TGraphic, TPersistent)
 public:
  virtual bool GetEmpty() const = 0;
  bool Empty() const { return GetEmpty(); }
  virtual Integer GetWidth() const = 0;
  virtual Integer GetHeight() const = 0;
  virtual void SetWidth(Integer Value) = 0;
  virtual void SetHeight(Integer Value) = 0;
  virtual bool GetTransparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);
  bool GetModified() const { return FModified; }
  void SetModified(bool Value);
  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  virtual void Draw(TCanvas* Canvas, const TRect& R) = 0;

  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
  // Streams the image as the binary property "Data", unless it equals the
  // ancestor's image.
  void DefineProperties(TFiler* Filer) override;
  virtual bool Equals(TGraphic* Graphic);
  virtual void ReadData(TStream* Stream);
  virtual void WriteData(TStream* Stream);

 private:
  bool FTransparent = false;
  bool FModified = false;
};

enum TPixelFormat {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap;

// TBitmapCanvas: a canvas drawing into a bitmap through a memory DC that it
// makes when drawing starts and gives up when the bitmap changes.
class TBitmapCanvas : public TCanvas {
  KV_CLASS(TBitmapCanvas, TCanvas)
 public:
  explicit TBitmapCanvas(TBitmap* Bitmap) : FBitmap(Bitmap) {}
  // Releases the memory DC, giving the bitmap back.
  void FreeContext();

 protected:
  void CreateHandle() override;
  void Destroy() override;

 private:
  TBitmap* FBitmap = nullptr;
  HGDIOBJ FOldBitmap = nullptr;  // the DC's own bitmap while ours is selected
};

// TBitmap: a Width x Height pixel image (32 bits a pixel, or monochrome).
class TBitmap : public TGraphic {
  KV_CLASS(TBitmap, TGraphic)
 public:
  void Assign(TPersistent* Source) override;

  bool GetEmpty() const override { return FWidth == 0 || FHeight == 0; }
  Integer GetWidth() const override { return FWidth; }
  Integer GetHeight() const override { return FHeight; }
  // Resizing keeps the top-left of the image.
  void SetWidth(Integer Value) override;
  void SetHeight(Integer Value) override;
  void SetSize(Integer Width, Integer Height);
  TCanvas* GetCanvas();
  // The bitmap handle, made on demand; null for an empty bitmap.
  HBITMAP GetHandle();
  // Takes over Value as the image; the bitmap deletes it when done.
  void SetHandle(HBITMAP Value);
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Gives up the handle to the caller, leaving the bitmap empty.
  HBITMAP ReleaseHandle();
  TPixelFormat GetPixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat Value);
  bool GetMonochrome() const { return FPixelFormat == pf1bit; }
  void SetMonochrome(bool Value);
  TColor GetTransparentColor();
  void SetTransparentColor(TColor Value);
  TTransparentMode GetTransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode Value);
  // The pixels, or null for an empty bitmap.
  TSurface* GetSurface();

  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void LoadFromResourceName(HINSTANCE Instance, const String& Name);
  // Frees the drawing context; the image stays.
  void Dormant();
  void FreeImage() { Dormant(); }
  void Draw(TCanvas* Canvas, const TRect& R) override;

 protected:
  void Destroy() override;
  // The stored form: the image's byte count, then the bitmap file.
  void ReadData(TStream* Stream) override;
  void WriteData(TStream* Stream) override;

 private:
  friend class TBitmapCanvas;
  void NewImage(Integer Width, Integer Height, bool Mono, bool KeepContent);
  void FreeContext();
  HBITMAP FHandle = nullptr;
  Integer FWidth = 0;
  Integer FHeight = 0;
  TPixelFormat FPixelFormat = pfDevice;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
  TObjectPtr<TBitmapCanvas> FCanvas;
};

}  // namespace kvp
