// Image lists: rows of same-sized images with optional masks, drawn opaque,
// transparent, as a mask, blended with a highlight, or in the disabled look.
// The handle calls (ImageList_*) hold the images; TCustomImageList is the
// component that owns such a handle and tells registered links of changes.
#pragma once

#include "platform/classes/ChangeLink.h"
#include "platform/classes/Component.h"
#include "platform/graphics/Bitmap.h"

namespace kvp {

// Creation flags and drawing styles, with the system's values.
inline constexpr UINT ILC_MASK = 0x0001;
inline constexpr UINT ILC_COLOR = 0x0000;
inline constexpr UINT ILC_COLOR32 = 0x0020;
inline constexpr UINT ILD_NORMAL = 0x0000;
inline constexpr UINT ILD_TRANSPARENT = 0x0001;
inline constexpr UINT ILD_BLEND25 = 0x0002;
inline constexpr UINT ILD_FOCUS = ILD_BLEND25;
inline constexpr UINT ILD_BLEND50 = 0x0004;
inline constexpr UINT ILD_SELECTED = ILD_BLEND50;
inline constexpr UINT ILD_BLEND = ILD_BLEND50;
inline constexpr UINT ILD_MASK = 0x0010;
inline constexpr UINT ILD_IMAGE = 0x0020;

HIMAGELIST ImageList_Create(Integer Width, Integer Height, UINT Flags, Integer Initial,
                            Integer Grow);
BOOL ImageList_Destroy(HIMAGELIST List);
Integer ImageList_GetImageCount(HIMAGELIST List);
BOOL ImageList_GetIconSize(HIMAGELIST List, Integer* Width, Integer* Height);
// Adds the images of a strip (as many as fit its width); Mask (monochrome, set
// bits transparent) may be null. Answers the first new index or -1.
Integer ImageList_Add(HIMAGELIST List, HBITMAP Image, HBITMAP Mask);
// Pixels of MaskColor become transparent.
Integer ImageList_AddMasked(HIMAGELIST List, HBITMAP Image, COLORREF MaskColor);
BOOL ImageList_Replace(HIMAGELIST List, Integer Index, HBITMAP Image, HBITMAP Mask);
BOOL ImageList_Remove(HIMAGELIST List, Integer Index);  // -1 removes all
COLORREF ImageList_SetBkColor(HIMAGELIST List, COLORREF Color);
COLORREF ImageList_GetBkColor(HIMAGELIST List);
// Draws image Index at (X, Y), DX x DY of it (0: all). Bk: the background for
// masked-out pixels (CLR_NONE: transparent, CLR_DEFAULT: the list's); Fg: the
// blend colour (CLR_DEFAULT: the highlight colour).
BOOL ImageList_DrawEx(HIMAGELIST List, Integer Index, HDC Dc, Integer X, Integer Y, Integer DX,
                      Integer DY, COLORREF Bk, COLORREF Fg, UINT Style);
BOOL ImageList_Draw(HIMAGELIST List, Integer Index, HDC Dc, Integer X, Integer Y, UINT Style);
Integer GetLiveImageListCount();

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

// TCustomImageList: an image list component. Changing Width or Height
// empties it. Every change calls Change, which fires OnChange and notifies the
// registered change links.
class TCustomImageList : public TComponent {
  KV_CLASS(TCustomImageList, TComponent)
 public:
  explicit TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}
  // An image list of the given image size, as CreateSize makes it.
  static TCustomImageList* CreateSize(Integer Width, Integer Height);

  void Assign(TPersistent* Source) override;

  HIMAGELIST GetHandle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value);
  Integer GetHeight() const { return FHeight; }
  void SetHeight(Integer Value);
  Integer GetCount() const;
  TColor GetBkColor() const { return FBkColor; }
  void SetBkColor(TColor Value);
  TColor GetBlendColor() const { return FBlendColor; }
  void SetBlendColor(TColor Value);
  TDrawingStyle GetDrawingStyle() const { return FDrawingStyle; }
  void SetDrawingStyle(TDrawingStyle Value);
  TImageType GetImageType() const { return FImageType; }
  void SetImageType(TImageType Value);
  bool GetMasked() const { return FMasked; }
  void SetMasked(bool Value);

  Integer Add(TBitmap* Image, TBitmap* Mask);
  Integer AddMasked(TBitmap* Image, TColor MaskColor);
  void Replace(Integer Index, TBitmap* Image, TBitmap* Mask);
  void Delete(Integer Index);
  void Clear();
  void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled = true);
  void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, TDrawingStyle Style,
            TImageType Type, bool Enabled = true);
  // Copies image Index into Image (resized to the image size).
  void GetBitmap(Integer Index, TBitmap* Image);

  void RegisterChanges(TChangeLink* Link) { FLinks.Register(Link); }
  void UnRegisterChanges(TChangeLink* Link) { FLinks.UnRegister(Link); }

  TNotifyEvent OnChange;

 protected:
  void Destroy() override;
  virtual void Change();
  virtual void DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, UINT Style,
                      bool Enabled);

 private:
  void CheckIndex(Integer Index, const char* Operation) const;
  void Recreate();
  HIMAGELIST FHandle = nullptr;
  Integer FWidth = 16;
  Integer FHeight = 16;
  TColor FBkColor = clNone;
  TColor FBlendColor = clNone;
  TDrawingStyle FDrawingStyle = dsNormal;
  TImageType FImageType = itImage;
  bool FMasked = true;
  TChangeLinkList FLinks{this};
};

// TImageList: the image list component placed on forms.
class TImageList : public TCustomImageList {
  KV_CLASS(TImageList, TCustomImageList)
 public:
  explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
};

}  // namespace kvp
