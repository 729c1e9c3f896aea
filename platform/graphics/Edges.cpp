// Three-dimensional edges and the classic frame controls (check boxes, radio
// buttons, push buttons, scroll arrows, combo-box buttons, size grips), drawn
// in the system colours, and logged as one Edge or FrameControl entry each.
#include <algorithm>

#include "platform/graphics/Colors.h"
#include "platform/graphics/GdiImpl.h"

namespace kvp {

using namespace gdi;

namespace {

// Colours of one edge line: top-left and bottom-right.
struct TEdgeColors {
  COLORREF TopLeft;
  COLORREF BottomRight;
};

// The outer and inner edge colours for the given BDR_ bits and BF_ style.
void EdgeColors(UINT Edge, UINT Flags, std::optional<TEdgeColors>& Outer,
                std::optional<TEdgeColors>& Inner) {
  COLORREF Light = SysRGB(COLOR_3DLIGHT), Hi = SysRGB(COLOR_BTNHIGHLIGHT),
           Shadow = SysRGB(COLOR_BTNSHADOW), Dark = SysRGB(COLOR_3DDKSHADOW);
  bool Soft = Flags & BF_SOFT;
  if (Flags & BF_MONO) {
    if (Edge & BDR_OUTER) Outer = TEdgeColors{SysRGB(COLOR_WINDOWFRAME), SysRGB(COLOR_WINDOWFRAME)};
    if (Edge & BDR_INNER) Inner = TEdgeColors{SysRGB(COLOR_WINDOW), SysRGB(COLOR_WINDOW)};
    return;
  }
  if (Flags & BF_FLAT) {
    if (Edge & BDR_OUTER) Outer = TEdgeColors{Shadow, Shadow};
    if (Edge & BDR_INNER) Inner = TEdgeColors{SysRGB(COLOR_BTNFACE), SysRGB(COLOR_BTNFACE)};
    return;
  }
  if (Edge & BDR_RAISEDOUTER)
    Outer = TEdgeColors{Soft ? Hi : Light, Dark};
  else if (Edge & BDR_SUNKENOUTER)
    Outer = TEdgeColors{Soft ? Dark : Shadow, Hi};
  if (Edge & BDR_RAISEDINNER)
    Inner = TEdgeColors{Soft ? Light : Hi, Shadow};
  else if (Edge & BDR_SUNKENINNER)
    Inner = TEdgeColors{Soft ? Shadow : Dark, Light};
}

// One ring of an edge on the sides that Flags name; R shrinks by the sides drawn.
void DrawRing(const TDeviceContext& D, const TTarget& T, TRect& R, const TEdgeColors& C,
              UINT Flags) {
  if (IsRectEmpty(R)) return;
  if (Flags & BF_LEFT)
    FillDeviceRect(D, T, {R.Left, R.Top, R.Left + 1, R.Bottom - ((Flags & BF_BOTTOM) ? 1 : 0)},
                   C.TopLeft);
  if (Flags & BF_TOP)
    FillDeviceRect(D, T, {R.Left, R.Top, R.Right - ((Flags & BF_RIGHT) ? 1 : 0), R.Top + 1},
                   C.TopLeft);
  if (Flags & BF_RIGHT)
    FillDeviceRect(D, T, {R.Right - 1, R.Top, R.Right, R.Bottom}, C.BottomRight);
  if (Flags & BF_BOTTOM)
    FillDeviceRect(D, T, {R.Left, R.Bottom - 1, R.Right, R.Bottom}, C.BottomRight);
  if (Flags & BF_LEFT) ++R.Left;
  if (Flags & BF_TOP) ++R.Top;
  if (Flags & BF_RIGHT) --R.Right;
  if (Flags & BF_BOTTOM) --R.Bottom;
}

TRect EdgeInDevice(const TDeviceContext& D, TRect R, UINT Edge, UINT Flags, const TTarget& T) {
  std::optional<TEdgeColors> Outer, Inner;
  EdgeColors(Edge, Flags, Outer, Inner);
  if (Outer) DrawRing(D, T, R, *Outer, Flags);
  if (Inner) DrawRing(D, T, R, *Inner, Flags);
  if ((Flags & BF_MIDDLE) && !IsRectEmpty(R))
    FillDeviceRect(D, T, R, SysRGB((Flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  return R;
}

}  // namespace

BOOL DrawEdge(HDC Dc, TRect* R, UINT Edge, UINT Flags) {
  TDeviceContext* D = LookupDC(Dc);
  // Diagonal edges are not drawn here; refuse them rather than draw sides.
  if (!D || !R || (Flags & BF_DIAGONAL)) return FALSE;
  TTarget T = MakeTarget(*D);
  TRect Dev = ToDeviceRect(*D, *R);
  TRect Inside = EdgeInDevice(*D, Dev, Edge, Flags, T);
  TDrawRecord Rec = MakeRecord(TDrawKind::Edge, T, Dev);
  Rec.Flags = Edge;
  Rec.Flags2 = Flags;
  Record(T, std::move(Rec));
  if (Flags & BF_ADJUST) {
    // Move each adjusted side in by what was drawn on it, in logical terms.
    TPoint A = ToLogical(*D, Inside.TopLeft()), B = ToLogical(*D, Inside.BottomRight());
    *R = TRect{std::min(A.X, B.X), std::min(A.Y, B.Y), std::max(A.X, B.X), std::max(A.Y, B.Y)};
  }
  return TRUE;
}

// [SECTION] Frame controls

namespace {

// A square of side S centred in R.
TRect CentredSquare(const TRect& R, Integer S) {
  Integer L = R.Left + (R.Width() - S) / 2, T = R.Top + (R.Height() - S) / 2;
  return {L, T, L + S, T + S};
}

void Pixel(const TDeviceContext& D, const TTarget& T, Integer X, Integer Y, COLORREF C) {
  FillDeviceRect(D, T, {X, Y, X + 1, Y + 1}, C);
}

// The check mark: the classic 7x7 tick (columns three pixels tall, falling
// to the third column and rising to the seventh), scaled for big boxes.
void DrawCheckMark(const TDeviceContext& D, const TTarget& T, const TRect& Box, COLORREF C) {
  Integer K = std::max<Integer>(1, (Box.Width() - 4) / 9);
  Integer X0 = Box.Left + (Box.Width() - 7 * K) / 2, Y0 = Box.Top + (Box.Height() - 7 * K) / 2;
  for (Integer X = 0; X < 7; ++X) {
    Integer Top = X <= 2 ? 2 + X : 6 - X;
    FillDeviceRect(D, T, {X0 + X * K, Y0 + Top * K, X0 + (X + 1) * K, Y0 + (Top + 3) * K}, C);
  }
}

void DrawCheckBox(const TDeviceContext& D, const TTarget& T, const TRect& R, UINT State) {
  TRect Box = CentredSquare(R, std::min(R.Width(), R.Height()));
  bool Inactive = State & DFCS_INACTIVE;
  COLORREF Face = SysRGB((State & (DFCS_PUSHED | DFCS_INACTIVE)) ? COLOR_BTNFACE : COLOR_WINDOW);
  TRect Inner = Box;
  if (State & (DFCS_FLAT | DFCS_MONO)) {
    Inner = EdgeInDevice(D, Box, BDR_OUTER, BF_RECT | ((State & DFCS_MONO) ? BF_MONO : BF_FLAT), T);
  } else {
    Inner = EdgeInDevice(D, Box, EDGE_SUNKEN, BF_RECT, T);
  }
  FillDeviceRect(D, T, Inner, Face);
  if (State & DFCS_CHECKED) {
    bool Grey = Inactive || (State & DFCS_BUTTON3STATE);
    DrawCheckMark(D, T, Box, SysRGB(Grey ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
  }
}

// A filled disc of diameter S at (X, Y), in one colour, for the radio button.
void Disc(const TDeviceContext& D, const TTarget& T, double CX, double CY, double Radius,
          COLORREF C, std::optional<bool> UpperLeft = std::nullopt) {
  for (Integer Y = Integer(CY - Radius - 1); Y <= Integer(CY + Radius + 1); ++Y)
    for (Integer X = Integer(CX - Radius - 1); X <= Integer(CX + Radius + 1); ++X) {
      double DX = X + 0.5 - CX, DY = Y + 0.5 - CY;
      if (DX * DX + DY * DY > Radius * Radius) continue;
      if (UpperLeft && ((DX + DY < 0) != *UpperLeft)) continue;
      Pixel(D, T, X, Y, C);
    }
}

void DrawRadio(const TDeviceContext& D, const TTarget& T, const TRect& R, UINT State) {
  TRect Box = CentredSquare(R, std::min(R.Width(), R.Height()));
  double CX = Box.Left + Box.Width() / 2.0, CY = Box.Top + Box.Height() / 2.0,
         Rad = Box.Width() / 2.0;
  bool Flat = State & (DFCS_FLAT | DFCS_MONO);
  if (Flat) {
    Disc(D, T, CX, CY, Rad, SysRGB((State & DFCS_MONO) ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW));
  } else {
    Disc(D, T, CX, CY, Rad, SysRGB(COLOR_BTNSHADOW), true);
    Disc(D, T, CX, CY, Rad, SysRGB(COLOR_BTNHIGHLIGHT), false);
    Disc(D, T, CX, CY, Rad - 1, SysRGB(COLOR_3DDKSHADOW), true);
    Disc(D, T, CX, CY, Rad - 1, SysRGB(COLOR_3DLIGHT), false);
  }
  COLORREF Face = SysRGB((State & (DFCS_PUSHED | DFCS_INACTIVE)) ? COLOR_BTNFACE : COLOR_WINDOW);
  Disc(D, T, CX, CY, Rad - (Flat ? 1 : 2), Face);
  if (State & DFCS_CHECKED)
    Disc(D, T, CX, CY, std::max(1.5, Rad / 3),
         SysRGB((State & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
}

// The face of a button: raised, or sunk when pushed; flat faces get a frame.
TRect ButtonFace(const TDeviceContext& D, const TTarget& T, const TRect& R, UINT State) {
  if (State & (DFCS_FLAT | DFCS_MONO)) {
    UINT Style = (State & DFCS_MONO) ? BF_MONO : BF_FLAT;
    return EdgeInDevice(D, R, BDR_OUTER, BF_RECT | BF_MIDDLE | Style, T);
  }
  if (State & (DFCS_PUSHED | DFCS_CHECKED))
    return EdgeInDevice(D, R, BDR_OUTER, BF_RECT | BF_MIDDLE | BF_FLAT, T);
  return EdgeInDevice(D, R, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT, T);
}

// A solid triangle pointing in Dir (0 up, 1 down, 2 left, 3 right), centred in R.
void Arrow(const TDeviceContext& D, const TTarget& T, TRect R, Integer Dir, COLORREF C) {
  Integer Size =
      std::max<Integer>(1, (std::min(R.Width(), R.Height()) + 4) / 4);  // rows of the triangle
  Integer CX = R.Left + R.Width() / 2, CY = R.Top + R.Height() / 2;
  for (Integer I = 0; I < Size; ++I) {
    Integer Half = I;  // row I has 2*I+1 pixels
    Integer Off = I - Size / 2;
    switch (Dir) {
      case 0:
        FillDeviceRect(D, T, {CX - Half, CY + Off, CX + Half + 1, CY + Off + 1}, C);
        break;
      case 1:
        FillDeviceRect(D, T, {CX - Half, CY - Off, CX + Half + 1, CY - Off + 1}, C);
        break;
      case 2:
        FillDeviceRect(D, T, {CX + Off, CY - Half, CX + Off + 1, CY + Half + 1}, C);
        break;
      default:
        FillDeviceRect(D, T, {CX - Off, CY - Half, CX - Off + 1, CY + Half + 1}, C);
        break;
    }
  }
}

void DrawScroll(const TDeviceContext& D, const TTarget& T, const TRect& R, UINT State) {
  UINT Kind = State & 0xFF;
  if (Kind == DFCS_SCROLLSIZEGRIP || Kind == DFCS_SCROLLSIZEGRIPRIGHT) {
    FillDeviceRect(D, T, R, SysRGB(COLOR_BTNFACE));
    // Three diagonal ridges towards the bottom-right corner.
    Integer S = std::min(R.Width(), R.Height());
    for (Integer Ridge = 0; Ridge < 3; ++Ridge)
      for (Integer K = 0; K < S; ++K) {
        Integer D0 = S - 1 - Ridge * 4;  // distance from the corner along the diagonal
        Integer X = R.Right - 1 - (D0 - K), Y = R.Bottom - 1 - K;
        if (D0 - K < 0) break;
        Pixel(D, T, X, Y, SysRGB(COLOR_BTNHIGHLIGHT));
        if (X + 1 < R.Right) Pixel(D, T, X + 1, Y, SysRGB(COLOR_BTNSHADOW));
        if (X + 2 < R.Right) Pixel(D, T, X + 2, Y, SysRGB(COLOR_BTNSHADOW));
      }
    return;
  }
  TRect Inside = ButtonFace(D, T, R, State);
  Integer Dir = Kind == DFCS_SCROLLUP      ? 0
                : Kind == DFCS_SCROLLLEFT  ? 2
                : Kind == DFCS_SCROLLRIGHT ? 3
                                           : 1;
  if (State & DFCS_PUSHED) OffsetRect(Inside, 1, 1);
  if (State & DFCS_INACTIVE) {
    TRect Emboss = Inside;
    OffsetRect(Emboss, 1, 1);
    Arrow(D, T, Emboss, Dir, SysRGB(COLOR_BTNHIGHLIGHT));
    Arrow(D, T, Inside, Dir, SysRGB(COLOR_BTNSHADOW));
  } else {
    Arrow(D, T, Inside, Dir, SysRGB(COLOR_BTNTEXT));
  }
}

}  // namespace

BOOL DrawFrameControl(HDC Dc, TRect* R, UINT Kind, UINT State) {
  TDeviceContext* D = LookupDC(Dc);
  if (!D || !R) return FALSE;
  TTarget T = MakeTarget(*D);
  TRect Dev = ToDeviceRect(*D, *R);
  switch (Kind) {
    case DFC_BUTTON:
      if (State & DFCS_BUTTONPUSH) {
        TRect Inside = ButtonFace(*D, T, Dev, State);
        if (State & DFCS_ADJUSTRECT) {
          TPoint A = ToLogical(*D, Inside.TopLeft()), B = ToLogical(*D, Inside.BottomRight());
          *R =
              TRect{std::min(A.X, B.X), std::min(A.Y, B.Y), std::max(A.X, B.X), std::max(A.Y, B.Y)};
        }
      } else if (State & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE)) {
        DrawRadio(*D, T, Dev, State);
      } else {
        DrawCheckBox(*D, T, Dev, State);
      }
      break;
    case DFC_SCROLL:
      DrawScroll(*D, T, Dev, State);
      break;
    default:
      return FALSE;
  }
  TDrawRecord Rec = MakeRecord(TDrawKind::FrameControl, T, Dev);
  Rec.Flags = Kind;
  Rec.Flags2 = State;
  Record(T, std::move(Rec));
  return TRUE;
}

}  // namespace kvp
