// Image lists: the handle calls and TCustomImageList.
//
// Index
//   [SECTION] Image list objects   ImageList_Create, ImageList_Add, ImageList_AddMasked, ...
//   [SECTION] Drawing              Blend, ImageList_DrawEx
//   [SECTION] TCustomImageList
#include "platform/graphics/ImageList.h"

#include <algorithm>
#include <unordered_set>

#include "platform/graphics/GdiImpl.h"

namespace kvp {

// [SECTION] Image list objects

namespace {

struct TImageListObj {
  Integer Width = 0;
  Integer Height = 0;
  bool Masked = false;
  COLORREF BkColor = CLR_NONE;
  std::vector<TSurface> Images;
  std::vector<TSurface> Masks;  // white where the image is transparent
};

std::unordered_set<TImageListObj*>& LiveLists() {
  static std::unordered_set<TImageListObj*> Set;
  return Set;
}

TImageListObj* Lookup(HIMAGELIST H) {
  auto* P = reinterpret_cast<TImageListObj*>(H);
  return P && LiveLists().count(P) ? P : nullptr;
}

// Cuts a strip into images; MaskOf says which pixels are transparent.
template <class F>
Integer AddStrip(TImageListObj& L, const TSurface& Strip, F MaskOf) {
  Integer Count = L.Width > 0 ? Strip.Width() / L.Width : 0;
  if (Count == 0) return -1;
  Integer First = Integer(L.Images.size());
  for (Integer I = 0; I < Count; ++I) {
    TSurface Img(L.Width, L.Height), Mask(L.Width, L.Height);
    Img.SetRecording(false);
    Mask.SetRecording(false);
    Img.Fill(0);
    Mask.Fill(0);
    for (Integer Y = 0; Y < std::min(L.Height, Strip.Height()); ++Y)
      for (Integer X = 0; X < L.Width; ++X) {
        std::uint32_t P = Strip.Scanline(Y)[I * L.Width + X];
        bool Clear = L.Masked && MaskOf(I * L.Width + X, Y, P);
        Img.Scanline(Y)[X] = Clear ? 0 : P;  // masked-out pixels are black in the image
        Mask.Scanline(Y)[X] = Clear ? 0xFFFFFF : 0;
      }
    L.Images.push_back(std::move(Img));
    L.Masks.push_back(std::move(Mask));
  }
  return First;
}

// Transparent where a mask bitmap (may be null: nothing is) is not black.
auto MaskBitmap(const TSurface* M) {
  return [M](Integer X, Integer Y, std::uint32_t) {
    return M && X < M->Width() && Y < M->Height() && M->Scanline(Y)[X] != 0;
  };
}

}  // namespace

HIMAGELIST ImageList_Create(Integer Width, Integer Height, UINT Flags, Integer, Integer) {
  if (Width <= 0 || Height <= 0) return nullptr;
  auto* L = new TImageListObj();
  L->Width = Width;
  L->Height = Height;
  L->Masked = Flags & ILC_MASK;
  LiveLists().insert(L);
  return reinterpret_cast<HIMAGELIST>(L);
}

BOOL ImageList_Destroy(HIMAGELIST List) {
  TImageListObj* L = Lookup(List);
  if (!L) return FALSE;
  LiveLists().erase(L);
  delete L;
  return TRUE;
}

Integer GetLiveImageListCount() { return Integer(LiveLists().size()); }

Integer ImageList_GetImageCount(HIMAGELIST List) {
  TImageListObj* L = Lookup(List);
  return L ? Integer(L->Images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST List, Integer* Width, Integer* Height) {
  TImageListObj* L = Lookup(List);
  if (!L) return FALSE;
  if (Width) *Width = L->Width;
  if (Height) *Height = L->Height;
  return TRUE;
}

Integer ImageList_Add(HIMAGELIST List, HBITMAP Image, HBITMAP Mask) {
  TImageListObj* L = Lookup(List);
  TSurface* Img = GetBitmapSurface(Image);
  if (!L || !Img) return -1;
  return AddStrip(*L, *Img, MaskBitmap(GetBitmapSurface(Mask)));
}

Integer ImageList_AddMasked(HIMAGELIST List, HBITMAP Image, COLORREF MaskColor) {
  TImageListObj* L = Lookup(List);
  TSurface* Img = GetBitmapSurface(Image);
  if (!L || !Img) return -1;
  std::uint32_t Key = ColorRefToPixel(MaskColor & 0xFFFFFF);
  return AddStrip(*L, *Img, [Key](Integer, Integer, std::uint32_t P) { return P == Key; });
}

BOOL ImageList_Replace(HIMAGELIST List, Integer Index, HBITMAP Image, HBITMAP Mask) {
  TImageListObj* L = Lookup(List);
  if (!L || Index < 0 || Index >= Integer(L->Images.size())) return FALSE;
  TSurface* Img = GetBitmapSurface(Image);
  if (!Img) return FALSE;
  TImageListObj Tmp;  // an empty list of the same shape to cut the new image into
  Tmp.Width = L->Width;
  Tmp.Height = L->Height;
  Tmp.Masked = L->Masked;
  if (AddStrip(Tmp, *Img, MaskBitmap(GetBitmapSurface(Mask))) < 0) return FALSE;
  L->Images[std::size_t(Index)] = Tmp.Images[0];
  L->Masks[std::size_t(Index)] = Tmp.Masks[0];
  return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST List, Integer Index) {
  TImageListObj* L = Lookup(List);
  if (!L) return FALSE;
  if (Index == -1) {
    L->Images.clear();
    L->Masks.clear();
    return TRUE;
  }
  if (Index < 0 || Index >= Integer(L->Images.size())) return FALSE;
  L->Images.erase(L->Images.begin() + Index);
  L->Masks.erase(L->Masks.begin() + Index);
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST List, COLORREF Color) {
  TImageListObj* L = Lookup(List);
  if (!L) return CLR_NONE;
  return std::exchange(L->BkColor, Color);
}

COLORREF ImageList_GetBkColor(HIMAGELIST List) {
  TImageListObj* L = Lookup(List);
  return L ? L->BkColor : CLR_NONE;
}

// [SECTION] Drawing

namespace {

std::uint32_t Blend(std::uint32_t P, std::uint32_t Fg, unsigned FgPercent) {
  std::uint32_t Out = 0;
  for (int Shift = 0; Shift <= 16; Shift += 8) {
    unsigned A = (P >> Shift) & 0xFF, B = (Fg >> Shift) & 0xFF;
    Out |= ((A * (100 - FgPercent) + B * FgPercent + 50) / 100) << Shift;
  }
  return Out;
}

}  // namespace

BOOL ImageList_DrawEx(HIMAGELIST List, Integer Index, HDC Dc, Integer X, Integer Y, Integer DX,
                      Integer DY, COLORREF Bk, COLORREF Fg, UINT Style) {
  TImageListObj* L = Lookup(List);
  if (!L || Index < 0 || Index >= Integer(L->Images.size()) || !gdi::LookupDC(Dc)) return FALSE;
  Integer W = DX > 0 ? std::min(DX, L->Width) : L->Width,
          H = DY > 0 ? std::min(DY, L->Height) : L->Height;
  const TSurface& Img = L->Images[std::size_t(Index)];
  const TSurface& Mask = L->Masks[std::size_t(Index)];
  // [Phase 1] Decide what shows: the mask, or the image over a background or
  // through its mask.
  if (Bk == CLR_DEFAULT) Bk = L->BkColor;
  bool Transparent = L->Masked && ((Style & ILD_TRANSPARENT) || Bk == CLR_NONE);
  unsigned FgPercent = (Style & ILD_BLEND50) ? 50 : (Style & ILD_BLEND25) ? 25 : 0;
  std::uint32_t FgPx =
      ColorRefToPixel(Fg == CLR_DEFAULT || Fg == CLR_NONE ? GetSysColor(COLOR_HIGHLIGHT) : Fg);
  // [Phase 2] Compose the pixels and the mask of what is drawn.
  HBITMAP Pixels = CreateBitmap(W, H, 1, 32, nullptr);
  HBITMAP Shape = CreateBitmap(W, H, 1, 1, nullptr);
  TSurface* P = GetBitmapSurface(Pixels);
  TSurface* S = GetBitmapSurface(Shape);
  for (Integer Row = 0; Row < H; ++Row)
    for (Integer Col = 0; Col < W; ++Col) {
      bool Clear = L->Masked && Mask.Scanline(Row)[Col] != 0;
      std::uint32_t Px;
      if (Style & ILD_MASK) {
        Px = Clear ? 0xFFFFFF : 0;
        Clear = false;
      } else if (Clear && !Transparent) {
        Px = ColorRefToPixel(Bk & 0xFFFFFF);
        Clear = false;
      } else {
        Px = FgPercent ? Blend(Img.Scanline(Row)[Col], FgPx, FgPercent) : Img.Scanline(Row)[Col];
      }
      P->Scanline(Row)[Col] = Px;
      S->Scanline(Row)[Col] = Clear ? 0 : 0xFFFFFF;
    }
  // [Phase 3] Put it on the DC through the mask, so clipping and logging apply.
  HDC Mem = CreateCompatibleDC(Dc);
  HGDIOBJ Old = SelectObject(Mem, Pixels);
  BOOL Ok = MaskBlt(Dc, X, Y, W, H, Mem, 0, 0, Shape, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029));
  SelectObject(Mem, Old);
  DeleteDC(Mem);
  DeleteObject(Pixels);
  DeleteObject(Shape);
  return Ok;
}

BOOL ImageList_Draw(HIMAGELIST List, Integer Index, HDC Dc, Integer X, Integer Y, UINT Style) {
  return ImageList_DrawEx(List, Index, Dc, X, Y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, Style);
}

// [SECTION] TCustomImageList

TCustomImageList* TCustomImageList::CreateSize(Integer Width, Integer Height) {
  TCustomImageList* L = Create(nullptr);
  L->FWidth = Width;
  L->FHeight = Height;
  return L;
}

void TCustomImageList::Destroy() {
  if (FHandle) ImageList_Destroy(FHandle);
  FHandle = nullptr;
  FLinks.Clear();
  inherited::Destroy();
}

HIMAGELIST TCustomImageList::GetHandle() {
  if (!FHandle) {
    FHandle = ImageList_Create(FWidth, FHeight, (FMasked ? ILC_MASK : 0) | ILC_COLOR32, 4, 4);
    if (FHandle)
      ImageList_SetBkColor(FHandle, FBkColor == clNone ? CLR_NONE : ColorToRGB(FBkColor));
  }
  return FHandle;
}

void TCustomImageList::Recreate() {
  if (FHandle) ImageList_Destroy(FHandle);
  FHandle = nullptr;
}

Integer TCustomImageList::GetCount() const {
  return FHandle ? ImageList_GetImageCount(FHandle) : 0;
}

void TCustomImageList::SetWidth(Integer Value) {
  if (FWidth == Value) return;
  if (Value <= 0) throw EInvalidOperation("Invalid image size: width " + std::to_string(Value));
  FWidth = Value;
  Recreate();
  Change();
}

void TCustomImageList::SetHeight(Integer Value) {
  if (FHeight == Value) return;
  if (Value <= 0) throw EInvalidOperation("Invalid image size: height " + std::to_string(Value));
  FHeight = Value;
  Recreate();
  Change();
}

void TCustomImageList::SetBkColor(TColor Value) {
  if (FBkColor == Value) return;
  FBkColor = Value;
  if (FHandle) ImageList_SetBkColor(FHandle, Value == clNone ? CLR_NONE : ColorToRGB(Value));
  Change();
}

void TCustomImageList::SetBlendColor(TColor Value) {
  if (FBlendColor == Value) return;
  FBlendColor = Value;
  Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle Value) {
  if (FDrawingStyle == Value) return;
  FDrawingStyle = Value;
  Change();
}

void TCustomImageList::SetImageType(TImageType Value) {
  if (FImageType == Value) return;
  FImageType = Value;
  Change();
}

void TCustomImageList::SetMasked(bool Value) {
  if (FMasked == Value) return;
  FMasked = Value;
  Recreate();
  Change();
}

void TCustomImageList::Change() {
  if (OnChange) OnChange(this);
  FLinks.Notify();
}

void TCustomImageList::CheckIndex(Integer Index, const char* Operation) const {
  if (Index < 0 || Index >= GetCount())
    throw EInvalidOperation(String(Operation) + ": image index " + std::to_string(Index) +
                            " out of bounds");
}

Integer TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (!Image || Image->Empty()) return -1;
  Integer Index =
      ImageList_Add(GetHandle(), Image->GetHandle(), Mask ? Mask->GetHandle() : nullptr);
  if (Index < 0)
    throw EInvalidOperation("Failed to add an image of width " + std::to_string(Image->GetWidth()));
  Change();
  return Index;
}

Integer TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (!Image || Image->Empty()) return -1;
  HIMAGELIST H = GetHandle();
  Integer Index = FMasked ? ImageList_AddMasked(H, Image->GetHandle(), ColorToRGB(MaskColor))
                          : ImageList_Add(H, Image->GetHandle(), nullptr);
  if (Index < 0)
    throw EInvalidOperation("Failed to add an image of width " + std::to_string(Image->GetWidth()));
  Change();
  return Index;
}

void TCustomImageList::Replace(Integer Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index, "Replace");
  if (!Image ||
      !ImageList_Replace(FHandle, Index, Image->GetHandle(), Mask ? Mask->GetHandle() : nullptr))
    throw EInvalidOperation("Failed to replace image " + std::to_string(Index));
  Change();
}

void TCustomImageList::Delete(Integer Index) {
  CheckIndex(Index, "Delete");
  ImageList_Remove(FHandle, Index);
  Change();
}

void TCustomImageList::Clear() {
  if (FHandle) ImageList_Remove(FHandle, -1);
  Change();
}

void TCustomImageList::Assign(TPersistent* Source) {
  auto* L = DynCast<TCustomImageList>(Source);
  if (!L) return inherited::Assign(Source);
  Recreate();
  FWidth = L->FWidth;
  FHeight = L->FHeight;
  FBkColor = L->FBkColor;
  FBlendColor = L->FBlendColor;
  FDrawingStyle = L->FDrawingStyle;
  FImageType = L->FImageType;
  FMasked = L->FMasked;
  if (L->FHandle) {
    HIMAGELIST H = GetHandle();
    *Lookup(H) = *Lookup(L->FHandle);
  }
  Change();
}

void TCustomImageList::GetBitmap(Integer Index, TBitmap* Image) {
  if (!Image || Index < 0 || Index >= GetCount()) return;
  Image->SetSize(FWidth, FHeight);
  TCanvas* C = Image->GetCanvas();
  C->GetBrush()->SetColor(FBkColor == clNone ? clBlack : FBkColor);
  C->FillRect({0, 0, FWidth, FHeight});
  ImageList_Draw(FHandle, Index, C->GetHandle(), 0, 0, ILD_NORMAL);
}

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled) {
  Draw(Canvas, X, Y, Index, FDrawingStyle, FImageType, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index,
                            TDrawingStyle Style, TImageType Type, bool Enabled) {
  if (!Canvas || !HandleAllocated() || Index < 0 || Index >= GetCount()) return;
  static const UINT kStyles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
  UINT Flags = kStyles[Style] | (Type == itMask ? ILD_MASK : 0);
  DoDraw(Index, Canvas, X, Y, Flags, Enabled);
}

void TCustomImageList::DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, UINT Style,
                              bool Enabled) {
  HDC Dc = Canvas->GetHandle();
  COLORREF Bk = FBkColor == clNone ? CLR_NONE : ColorToRGB(FBkColor);
  COLORREF Fg = FBlendColor == clNone      ? CLR_NONE
                : FBlendColor == clDefault ? CLR_DEFAULT
                                           : ColorToRGB(FBlendColor);
  if (Enabled) {
    ImageList_DrawEx(FHandle, Index, Dc, X, Y, 0, 0, Bk, Fg, Style);
    return;
  }
  // The disabled look: the image's dark opaque pixels embossed, in the
  // highlight colour one pixel down and right, then in the shadow colour.
  TImageListObj* L = Lookup(FHandle);
  const TSurface& Img = L->Images[std::size_t(Index)];
  const TSurface& Mask = L->Masks[std::size_t(Index)];
  HBITMAP Ink = CreateBitmap(FWidth, FHeight, 1, 1, nullptr);
  TSurface* I = GetBitmapSurface(Ink);
  for (Integer Row = 0; Row < FHeight; ++Row)
    for (Integer Col = 0; Col < FWidth; ++Col) {
      bool Opaque = !L->Masked || Mask.Scanline(Row)[Col] == 0;
      I->Scanline(Row)[Col] = Opaque && gdi::ToMono(Img.Scanline(Row)[Col]) == 0 ? 0xFFFFFF : 0;
    }
  HDC Mem = CreateCompatibleDC(Dc);
  HBITMAP Solid = CreateBitmap(FWidth, FHeight, 1, 32, nullptr);
  HGDIOBJ Old = SelectObject(Mem, Solid);
  for (auto [Offset, Color] : {std::pair{1, COLOR_BTNHIGHLIGHT}, std::pair{0, COLOR_BTNSHADOW}}) {
    GetBitmapSurface(Solid)->Fill(GetSysColor(Color));
    MaskBlt(Dc, X + Offset, Y + Offset, FWidth, FHeight, Mem, 0, 0, Ink, 0, 0,
            MAKEROP4(SRCCOPY, 0x00AA0029));
  }
  SelectObject(Mem, Old);
  DeleteDC(Mem);
  DeleteObject(Solid);
  DeleteObject(Ink);
}

}  // namespace kvp
