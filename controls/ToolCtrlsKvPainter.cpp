// The button-face painter: each face is drawn once per size and state into a
// bitmap of the unit's cache and copied onto the target afterwards; the
// default edit-button width; the unit's start-up and shut-down.
//
//   [SECTION] Face drawing     ThemedState, DrawButtonBackground, DrawMarks,
//                              PaintEllipsis, PaintSign, PaintCheckBoxFace,
//                              PaintFaceDirect
//   [SECTION] The cache        TButtonsBitmapCache, ButtonsBitmapCache
//   [SECTION] PaintButtonControl
//   [SECTION] Widths and start-up
#include <algorithm>
#include <optional>

#include "controls/ToolCtrlsKv.h"
#include "controls/ToolCtrlsKvImpl.h"
#include "platform/graphics/Bmp.h"
#include "platform/graphics/Themes.h"
#include "platform/rtl/Numbers.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using toolctrls::TClipSaver;
using toolctrls::TSolidBrush;

// [SECTION] Face drawing

namespace {

bool ThemesOn() { return ThemeServices()->ThemesEnabled(); }

// The four looks of a themed element, in the order the element tables list
// them: normal, hot, pressed, disabled.
Integer ThemedState(bool Enabled, bool Active, bool Pressed) {
  if (!Enabled) return 3;
  if (Pressed) return 2;
  if (Active) return 1;
  return 0;
}

void FillColor(HDC DC, const TRect& R, TColor Color) {
  TSolidBrush Brush(ColorToRGB(Color));
  FillRect(DC, &R, Brush.Get());
}

void FrameColor(HDC DC, const TRect& R, TColor Color) {
  TSolidBrush Brush(ColorToRGB(Color));
  FrameRect(DC, &R, Brush.Get());
}

// The background of the ellipsis and sign faces; answers the rectangle inside
// it where the marks go.
TRect DrawButtonBackground(HDC DC, TRect R, const TButtonBitmapInfoKv& K) {
  const Integer State = ThemedState(K.Enabled, K.Active, K.Pressed);
  if (ThemesOn()) {
    TThemeServices* T = ThemeServices();
    if (K.Flat) {
      T->DrawElement(DC, T->GetElementDetails(TThemedToolBar(ttbButtonNormal + State)), R);
      InflateRect(R, -1, -1);
    } else {
      T->DrawElement(DC, T->GetElementDetails(TThemedButton(tbPushButtonNormal + State)), R);
      InflateRect(R, -2, -2);
    }
    return R;
  }
  if (K.Flat) {
    FillColor(DC, R, clBtnFace);
    InflateRect(R, -1, -1);
    return R;
  }
  TRect Edge = R;
  DrawEdge(DC, &Edge, K.Pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
  InflateRect(R, -2, -2);
  return R;
}

// Filled marks (dots, bars) in the button-text colour; disabled ones are
// embossed: all highlights one pixel right and down first, then the shadows
// in place, so that crossing bars keep their shadow on top.
void DrawMarks(HDC DC, const std::vector<TRect>& Marks, bool Enabled) {
  if (Enabled) {
    for (const TRect& M : Marks) FillColor(DC, M, clBtnText);
    return;
  }
  for (TRect M : Marks) {
    OffsetRect(M, 1, 1);
    FillColor(DC, M, clBtnHighlight);
  }
  for (const TRect& M : Marks) FillColor(DC, M, clBtnShadow);
}

// Three square dots centred in the face: 1-pixel dots below an inner width of
// 8, 1-pixel gaps below 12, moved one pixel right and down while pressed.
void PaintEllipsis(HDC DC, const TRect& Face, const TButtonBitmapInfoKv& K) {
  const TRect In = DrawButtonBackground(DC, Face, K);
  const Integer W = In.Width(), H = In.Height();
  const Integer Dot = W < 8 ? 1 : 2;
  const Integer Gap = W < 12 ? 1 : 2;
  const Integer Shift = K.Pressed ? 1 : 0;
  const Integer X = In.Left + W / 2 - Dot / 2 + Shift;
  const Integer Y = In.Top + H / 2 - Dot / 2 + Shift;
  std::vector<TRect> Dots;
  for (Integer I = -1; I <= 1; ++I) {
    const Integer Left = X + I * (Gap + Dot);
    Dots.push_back(Rect(Left, Y, Left + Dot, Y + Dot));
  }
  DrawMarks(DC, Dots, K.Enabled);
}

// A plus or minus sign: a bar of 4/7 of the shorter inner side, a third as
// thick, one pixel shorter on a flat face. Its length takes the parity of the
// side so that it is centred; the plus sign's thickness takes the parity of
// the length so that the two bars cross in the middle of each other.
void PaintSign(HDC DC, const TRect& Face, const TButtonBitmapInfoKv& K) {
  const TRect In = DrawButtonBackground(DC, Face, K);
  const Integer W = In.Width(), H = In.Height();
  const Integer Side = std::min(W, H);
  if (Side <= 0) return;
  Integer L = std::max(1, Side * 4 / 7);
  Integer T = std::max(1, L / 3);
  if (K.Flat) L = std::max(1, L - 1);
  const Integer Step = Side < 12 ? 1 : -1;
  if (L % 2 != Side % 2) L = std::max(1, L + Step);
  const bool Plus = K.Style == bcsPlusKv;
  if (Plus && T % 2 != L % 2) T = std::max(1, T + Step);
  const Integer Shift = K.Pressed ? 1 : 0;
  std::vector<TRect> Bars;
  const Integer HX = In.Left + (W - L) / 2 + Shift, HY = In.Top + (H - T) / 2 + Shift;
  Bars.push_back(Rect(HX, HY, HX + L, HY + T));
  if (Plus) {
    const Integer VX = In.Left + (W - T) / 2 + Shift, VY = In.Top + (H - L) / 2 + Shift;
    Bars.push_back(Rect(VX, VY, VX + T, VY + L));
  }
  DrawMarks(DC, Bars, K.Enabled);
}

// A check box: the themed element, or the classic frame control. A flat box
// is clipped one pixel inside and framed in the face colour when active, in
// the shadow colour otherwise.
void PaintCheckBoxFace(HDC DC, const TRect& R, const TButtonBitmapInfoKv& K) {
  std::optional<TClipSaver> Clip;
  if (K.Flat) {
    Clip.emplace(DC);
    IntersectClipRect(DC, R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1);
  }
  if (ThemesOn()) {
    TThemedButton Base = K.CheckState == cbChecked  ? tbCheckBoxCheckedNormal
                         : K.CheckState == cbGrayed ? tbCheckBoxMixedNormal
                                                    : tbCheckBoxUncheckedNormal;
    // Each look has normal, hot, pressed and disabled variants; the face
    // shows normal or disabled.
    TThemedButton Look = K.Enabled ? Base : TThemedButton(Base + 3);
    ThemeServices()->DrawElement(DC, ThemeServices()->GetElementDetails(Look), R);
  } else {
    UINT Flags = DFCS_BUTTONCHECK;
    if (K.CheckState == cbChecked) Flags |= DFCS_CHECKED;
    if (K.CheckState == cbGrayed) Flags |= DFCS_BUTTON3STATE | DFCS_CHECKED;
    if (!K.Enabled) Flags |= DFCS_INACTIVE;
    if (K.Pressed) Flags |= DFCS_PUSHED;
    TRect F = R;
    DrawFrameControl(DC, &F, DFC_BUTTON, Flags);
  }
  if (K.Flat) {
    Clip.reset();
    FrameColor(DC, R, K.Active ? clBtnFace : clBtnShadow);
  }
}

// Draws the face of K into R without the cache.
void PaintFaceDirect(HDC DC, const TRect& R, const TButtonBitmapInfoKv& K) {
  if (K.Style == bcsCheckBoxKv) {
    PaintCheckBoxFace(DC, R, K);
    return;
  }
  const bool Themed = ThemesOn();
  const Integer State = ThemedState(K.Enabled, K.Active, K.Pressed);
  // [Phase 1] A hot flat classic face gets its own thin edge: the face is
  // clipped one pixel inside it.
  const bool OwnEdge = K.Active && K.Flat && !Themed;
  std::optional<TClipSaver> Clip;
  if (OwnEdge) {
    Clip.emplace(DC);
    IntersectClipRect(DC, R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1);
  }
  // [Phase 2] A flat classic arrow face pushes the frame control's border
  // outside; the other faces draw their own flat background.
  TRect Face = R;
  const bool FrameControl = K.Style == bcsDropDownKv || K.Style == bcsUpDownKv;
  if (K.Flat && !Themed && FrameControl) {
    const Integer Grow = K.Active ? 1 : 2;
    InflateRect(Face, Grow, Grow);
  }
  // [Phase 3] The face.
  UINT Modifiers = 0;
  if (K.Pressed) Modifiers |= DFCS_PUSHED;
  if (K.Flat) Modifiers |= DFCS_FLAT;
  if (!K.Enabled) Modifiers |= DFCS_INACTIVE;
  TThemeServices* T = ThemeServices();
  switch (K.Style) {
    case bcsDropDownKv:
      if (Themed)
        T->DrawElement(DC, T->GetElementDetails(TThemedComboBox(tcDropDownButtonNormal + State)),
                       Face);
      else
        DrawFrameControl(DC, &Face, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | Modifiers);
      break;
    case bcsUpDownKv:
      if (Themed)
        T->DrawElement(
            DC,
            T->GetElementDetails(TThemedSpin((K.BottomButton ? tsDownNormal : tsUpNormal) + State)),
            Face);
      else
        DrawFrameControl(DC, &Face, DFC_SCROLL,
                         (K.BottomButton ? DFCS_SCROLLDOWN : DFCS_SCROLLUP) | Modifiers);
      break;
    case bcsEllipsisKv:
      PaintEllipsis(DC, Face, K);
      break;
    case bcsPlusKv:
    case bcsMinusKv:
      PaintSign(DC, Face, K);
      break;
    case bcsCheckBoxKv:
      break;
  }
  // [Phase 4] The hot flat face's edge, round the whole rectangle.
  if (OwnEdge) {
    Clip.reset();
    TRect E = R;
    DrawEdge(DC, &E, K.Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  }
}

}  // namespace

// [SECTION] The cache

namespace {
TButtonsBitmapCache* TheCache = nullptr;  // made at start-up, freed at shut-down
}

TBitmap* TButtonsBitmapCache::GetButtonBitmap(const TButtonBitmapInfoKv& Info) {
  for (Integer I = 0; I < GetCount(); ++I) {
    auto* Entry = static_cast<TButtonBitmapInfoBitmapKv*>(GetItems(I));
    if (Entry->BitmapInfo == Info) return Entry->Bitmap;
  }
  TObjectPtr<TButtonBitmapInfoBitmapKv> Entry(TButtonBitmapInfoBitmapKv::Create());
  Entry->BitmapInfo = Info;
  Entry->Bitmap = TBitmap::Create();
  TObjectPtr<TBitmap> Bitmap(Entry->Bitmap);
  Bitmap->SetSize(Info.Width, Info.Height);
  if (!Bitmap->Empty()) {
    HDC DC = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Bitmap->GetHandle());
    try {
      PaintFaceDirect(DC, Rect(0, 0, Info.Width, Info.Height), Info);
    } catch (...) {
      SelectObject(DC, Old);
      DeleteDC(DC);
      throw;
    }
    SelectObject(DC, Old);
    DeleteDC(DC);
  }
  Add(Entry.get());
  Bitmap.release();
  return Entry.release()->Bitmap;
}

void TButtonsBitmapCache::Clear() {
  for (Integer I = 0; I < GetCount(); ++I) {
    auto* Entry = static_cast<TButtonBitmapInfoBitmapKv*>(GetItems(I));
    FreeObject(Entry->Bitmap);
    FreeObject(Entry);
  }
  inherited::Clear();
}

void TButtonsBitmapCache::Destroy() {
  Clear();
  inherited::Destroy();
}

TButtonsBitmapCache* ButtonsBitmapCache() {
  if (!TheCache) TheCache = TButtonsBitmapCache::Create();
  return TheCache;
}

void ClearButtonsBitmapCache() { ButtonsBitmapCache()->Clear(); }

// [SECTION] PaintButtonControl

namespace {

// Copies the cached face of Key onto R of DC.
void DrawCachedFace(HDC DC, const TRect& R, TButtonBitmapInfoKv Key) {
  Key.Width = std::max(0, R.Width());
  Key.Height = std::max(0, R.Height());
  TBitmap* Face = ButtonsBitmapCache()->GetButtonBitmap(Key);
  if (Face->Empty()) return;
  HDC Mem = CreateCompatibleDC(DC);
  HGDIOBJ Old = SelectObject(Mem, Face->GetHandle());
  StretchBlt(DC, R.Left, R.Top, R.Width(), R.Height(), Mem, 0, 0, Face->GetWidth(),
             Face->GetHeight(), SRCCOPY);
  SelectObject(Mem, Old);
  DeleteDC(Mem);
}

void PaintCheckBox(HDC DC, TRect R, TColor ParentColor, const TButtonBitmapInfoKv& Key) {
  // A square in the middle of the rectangle; the odd pixel goes to the far side.
  const Integer W = R.Width(), H = R.Height();
  if (W > H) {
    R.Left += (W - H) / 2;
    R.Right = R.Left + H;
  } else if (H > W) {
    R.Top += (H - W) / 2;
    R.Bottom = R.Top + W;
  }
  const TRect Square = R;
  if (Key.Flat) InflateRect(R, -1, -1);
  DrawCachedFace(DC, R, Key);
  if (!Key.Flat) return;
  if (Key.Active) {
    TRect E = Square;
    DrawEdge(DC, &E, BDR_SUNKENOUTER, BF_RECT);
  } else {
    FrameColor(DC, Square, ParentColor);
  }
}

}  // namespace

void PaintButtonControl(HDC DC, TRect ARect, TColor ParentColor, TCheckBoxState CheckState,
                        bool Enabled, bool Active, bool Flat, TButtonDownStateKv DownState,
                        TDrawButtonControlStyleKv Style) {
  TButtonBitmapInfoKv Key;
  Key.Style = Style;
  Key.Flat = Flat;
  Key.Active = Active;
  Key.Enabled = Enabled;
  if (Style == bcsCheckBoxKv) {
    Key.CheckState = CheckState;
    Key.Pressed = DownState != bdsUpKv;
    PaintCheckBox(DC, ARect, ParentColor, Key);
    return;
  }
  // [Phase 1] Frame mode: a flat face that is not hot sits one pixel inside a
  // frame of the background colour.
  const bool FrameMode = Flat && !Active && !ThemesOn();
  TRect R = ARect;
  if (FrameMode) InflateRect(R, -1, -1);
  // [Phase 2] The face, or the two halves of an up-down pair.
  if (Style == bcsUpDownKv) {
    const Integer Half = R.Height() / 2;
    TButtonBitmapInfoKv Top = Key, Bottom = Key;
    Top.Pressed = DownState == bdsDownKv;
    Bottom.Pressed = DownState == bdsBottomDownKv;
    Bottom.BottomButton = true;
    DrawCachedFace(DC, Rect(R.Left, R.Top, R.Right, R.Top + Half), Top);
    DrawCachedFace(DC, Rect(R.Left, R.Bottom - Half, R.Right, R.Bottom), Bottom);
    if (R.Height() % 2 == 1 || FrameMode) {
      TRect Line = Rect(R.Left, R.Top + Half, R.Right, R.Bottom - Half);
      if (FrameMode) InflateRect(Line, 0, 1);
      FillColor(DC, Line, ParentColor);
    }
  } else {
    Key.Pressed = DownState != bdsUpKv;
    DrawCachedFace(DC, R, Key);
  }
  // [Phase 3] The frame round a face in frame mode.
  if (FrameMode) FrameColor(DC, ARect, ParentColor);
}

// [SECTION] Widths and start-up

namespace {

Integer TheDefaultEditButtonWidth = 0;  // worked out at start-up
Integer TheCheckBoxWidth = 0;           // read from the system's strip at start-up
Integer TheCheckBoxHeight = 0;

void ReadCheckBoxSize() {
  HBITMAP Strip = LoadBitmap(nullptr, OBM_CHECKBOXES);
  BITMAP Info;
  if (Strip && GetObject(Strip, &Info)) {
    TheCheckBoxWidth = Info.bmWidth / 4;
    TheCheckBoxHeight = Info.bmHeight / 3;
  }
  if (Strip) DeleteObject(Strip);
}

void ReadDefaultEditButtonWidth() {
  HDC DC = GetDC(nullptr);
  TEXTMETRIC TM;
  GetTextMetrics(DC, &TM);
  ReleaseDC(nullptr, DC);
  TheDefaultEditButtonWidth = CalcEditButtonWidth(TM.tmHeight, GetSystemMetrics(SM_CXVSCROLL));
}

// The unit's start-up and shut-down. The values are read on first use rather
// than during static initialisation, so that the graphics and window modules
// are ready; they are read once and never change.
struct TToolCtrlsKvUnit {
  // The drawing layer's table of objects is made before the unit, so that
  // it is still there when the unit frees the cache's bitmaps at shut-down.
  TToolCtrlsKvUnit() { DeleteObject(CreateRectRgn(0, 0, 0, 0)); }
  bool Started = false;
  void Start() {
    if (Started) return;
    Started = true;
    ReadCheckBoxSize();
    ReadDefaultEditButtonWidth();
  }
  ~TToolCtrlsKvUnit() {
    if (TheCache) TheCache->Free();
    TheCache = nullptr;
  }
};
TToolCtrlsKvUnit ToolCtrlsKvUnit;

}  // namespace

Integer CalcEditButtonWidth(Integer TextHeight, Integer ScrollBarWidth) {
  Integer W = Integer(Round(Extended(TextHeight) * 2 / 3));
  if (W % 2 == 0) ++W;
  return std::min(W, ScrollBarWidth);
}

Integer DefaultEditButtonWidth() {
  ToolCtrlsKvUnit.Start();
  return TheDefaultEditButtonWidth;
}

Integer DefaultCheckBoxWidth() {
  ToolCtrlsKvUnit.Start();
  return TheCheckBoxWidth;
}

Integer DefaultCheckBoxHeight() {
  ToolCtrlsKvUnit.Start();
  return TheCheckBoxHeight;
}

Integer ScaledButtonWidth(Integer Width, bool Scaled) {
  return Scaled ? Integer(Round(Extended(Width) * 3 / 2)) : Width;
}

}  // namespace korvel
