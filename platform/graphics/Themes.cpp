#include "platform/graphics/Themes.h"

#include "platform/graphics/Colors.h"

namespace kvp {

namespace {

// Part numbers within an element.
enum : Integer { kPushButton = 1, kRadioButton = 2, kCheckBox = 3 };
enum : Integer { kDropDownButton = 1 };
enum : Integer { kHeaderItem = 1 };
enum : Integer { kSpinUp = 1, kSpinDown = 2 };
enum : Integer { kToolButton = 1 };

TThemedElementDetails Details(TThemedElement E, Integer Part, Integer State) {
  return {E, Part, State};
}

// Splits an enumeration value after its two leading entries into part and
// state, for elements whose parts have StatesPerPart states each.
TThemedElementDetails Split(TThemedElement E, Integer Value, Integer StatesPerPart,
                            Integer FirstPart = 1) {
  if (Value < 2) return Details(E, 0, 0);
  Integer I = Value - 2;
  return Details(E, FirstPart + I / StatesPerPart, 1 + I % StatesPerPart);
}

void FrameControl(HDC Dc, TRect R, UINT Kind, UINT State) { DrawFrameControl(Dc, &R, Kind, State); }

}  // namespace

TThemeServices* ThemeServices() {
  static TObjectPtr<TThemeServices> Service(TThemeServices::Create());
  return Service.get();
}

TThemedElementDetails TThemeServices::GetElementDetails(TThemedButton Detail) const {
  if (Detail < tbRadioButtonUncheckedNormal) return Split(teButton, Detail, 5, kPushButton);
  if (Detail < tbCheckBoxUncheckedNormal) return Split(teButton, Detail - 5, 8, kRadioButton);
  return Split(teButton, Detail - 13, 12, kCheckBox);
}

TThemedElementDetails TThemeServices::GetElementDetails(TThemedComboBox Detail) const {
  return Split(teComboBox, Detail, 4, kDropDownButton);
}

TThemedElementDetails TThemeServices::GetElementDetails(TThemedHeader Detail) const {
  return Split(teHeader, Detail, 3, kHeaderItem);
}

TThemedElementDetails TThemeServices::GetElementDetails(TThemedSpin Detail) const {
  return Split(teSpin, Detail, 4, kSpinUp);
}

TThemedElementDetails TThemeServices::GetElementDetails(TThemedToolBar Detail) const {
  return Split(teToolBar, Detail, 6, kToolButton);
}

String TThemeServices::ElementName(const TThemedElementDetails& D) {
  switch (D.Element) {
    case teButton:
      return D.Part == kRadioButton ? "Button.RadioButton"
             : D.Part == kCheckBox  ? "Button.CheckBox"
                                    : "Button.PushButton";
    case teComboBox:
      return "ComboBox.DropDownButton";
    case teHeader:
      return "Header.HeaderItem";
    case teSpin:
      return D.Part == kSpinDown ? "Spin.Down" : "Spin.Up";
    case teToolBar:
      return "ToolBar.Button";
  }
  return "";
}

void TThemeServices::DrawElement(HDC Dc, const TThemedElementDetails& D, const TRect& R,
                                 const TRect* Clip) {
  TThemeRequest Req{D, ElementName(D), R, Clip ? std::optional<TRect>(*Clip) : std::nullopt, {}};
  FRequests.push_back(Req);
  Integer Saved = SaveDC(Dc);
  if (Clip) IntersectClipRect(Dc, Clip->Left, Clip->Top, Clip->Right, Clip->Bottom);
  // The classic look of each element: states 1 normal, 2 hot, 3 pressed, 4 disabled.
  bool Pressed = D.State == 3, Disabled = D.State == 4;
  UINT Inactive = Disabled ? DFCS_INACTIVE : 0, Push = Pressed ? DFCS_PUSHED : 0;
  switch (D.Element) {
    case teButton:
      if (D.Part == kCheckBox) {
        Integer Check = (D.State - 1) / 4;  // unchecked, checked, mixed
        Integer S = 1 + (D.State - 1) % 4;
        UINT Flags = DFCS_BUTTONCHECK | (Check ? DFCS_CHECKED : 0) |
                     (Check == 2 ? DFCS_BUTTON3STATE : 0) | (S == 3 ? DFCS_PUSHED : 0) |
                     (S == 4 ? DFCS_INACTIVE : 0);
        FrameControl(Dc, R, DFC_BUTTON, Flags);
      } else if (D.Part == kRadioButton) {
        Integer S = 1 + (D.State - 1) % 4;
        FrameControl(Dc, R, DFC_BUTTON,
                     DFCS_BUTTONRADIO | (D.State > 4 ? DFCS_CHECKED : 0) |
                         (S == 3 ? DFCS_PUSHED : 0) | (S == 4 ? DFCS_INACTIVE : 0));
      } else {
        FrameControl(Dc, R, DFC_BUTTON, DFCS_BUTTONPUSH | Push | Inactive);
      }
      break;
    case teComboBox:
      FrameControl(Dc, R, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | Push | Inactive);
      break;
    case teSpin:
      FrameControl(Dc, R, DFC_SCROLL,
                   (D.Part == kSpinDown ? DFCS_SCROLLDOWN : DFCS_SCROLLUP) | Push | Inactive);
      break;
    case teHeader: {
      TRect E = R;
      DrawEdge(Dc, &E, Pressed ? BDR_SUNKENOUTER : EDGE_RAISED,
               BF_RECT | BF_MIDDLE | (Pressed ? BF_FLAT : BF_SOFT));
      break;
    }
    case teToolBar: {
      TRect E = R;
      FillRect(Dc, &E, GetSysColorBrush(COLOR_BTNFACE));
      if (D.State == 2 || D.State == 6) DrawEdge(Dc, &E, BDR_RAISEDINNER, BF_RECT);
      if (D.State == 3 || D.State == 5) DrawEdge(Dc, &E, BDR_SUNKENOUTER, BF_RECT);
      break;
    }
  }
  RestoreDC(Dc, Saved);
  if (TSurface* S = GetDCSurface(Dc)) {
    TPoint A = R.TopLeft(), B = R.BottomRight();
    LPtoDP(Dc, &A, 1);
    LPtoDP(Dc, &B, 1);
    TPoint O = GetDCOrigin(Dc);
    TDrawRecord Rec;
    Rec.Kind = TDrawKind::ThemeElement;
    Rec.Rect = {std::min(A.X, B.X) + O.X, std::min(A.Y, B.Y) + O.Y, std::max(A.X, B.X) + O.X,
                std::max(A.Y, B.Y) + O.Y};
    Rec.Text = Req.Name;
    Rec.Flags = UINT(D.State);
    Rec.Flags2 = UINT(D.Part);
    S->AddRecord(std::move(Rec));
  }
}

void TThemeServices::DrawText(HDC Dc, const TThemedElementDetails& D, const String& Text,
                              const TRect& R, UINT Flags, UINT) {
  FRequests.push_back({D, ElementName(D), R, std::nullopt, Text});
  TRect Box = R;
  COLORREF Old = SetTextColor(Dc, GetSysColor(D.State == 4 ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  Integer OldMode = SetBkMode(Dc, TRANSPARENT);
  kvp::DrawText(Dc, Text, -1, &Box, Flags);
  SetBkMode(Dc, OldMode);
  SetTextColor(Dc, Old);
}

TRect TThemeServices::ContentRect(HDC, const TThemedElementDetails&, const TRect& R) const {
  TRect C = R;
  InflateRect(C, -2, -2);
  return C;
}

}  // namespace kvp
