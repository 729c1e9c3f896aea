// The theme service: whether visual styles are in use (off unless a test
// turns it on), and the drawing of themed elements. There are no visual
// styles here: each element is drawn in its classic look, and every request
// is kept so that a test can see which element, state and rectangle painting
// code asked for. Each drawing is also logged on the surface as a
// ThemeElement entry named "Element.Part" with the state in Flags.
#pragma once

#include <optional>
#include <vector>

#include "platform/classes/Object.h"
#include "platform/graphics/Gdi.h"

namespace kvp {

enum TThemedElement { teButton, teComboBox, teHeader, teSpin, teToolBar };

enum TThemedButton {
  tbButtonDontCare,
  tbButtonRoot,
  tbPushButtonNormal,
  tbPushButtonHot,
  tbPushButtonPressed,
  tbPushButtonDisabled,
  tbPushButtonDefaulted,
  tbRadioButtonUncheckedNormal,
  tbRadioButtonUncheckedHot,
  tbRadioButtonUncheckedPressed,
  tbRadioButtonUncheckedDisabled,
  tbRadioButtonCheckedNormal,
  tbRadioButtonCheckedHot,
  tbRadioButtonCheckedPressed,
  tbRadioButtonCheckedDisabled,
  tbCheckBoxUncheckedNormal,
  tbCheckBoxUncheckedHot,
  tbCheckBoxUncheckedPressed,
  tbCheckBoxUncheckedDisabled,
  tbCheckBoxCheckedNormal,
  tbCheckBoxCheckedHot,
  tbCheckBoxCheckedPressed,
  tbCheckBoxCheckedDisabled,
  tbCheckBoxMixedNormal,
  tbCheckBoxMixedHot,
  tbCheckBoxMixedPressed,
  tbCheckBoxMixedDisabled
};
enum TThemedComboBox {
  tcComboBoxDontCare,
  tcComboBoxRoot,
  tcDropDownButtonNormal,
  tcDropDownButtonHot,
  tcDropDownButtonPressed,
  tcDropDownButtonDisabled
};
enum TThemedHeader {
  thHeaderDontCare,
  thHeaderRoot,
  thHeaderItemNormal,
  thHeaderItemHot,
  thHeaderItemPressed
};
enum TThemedSpin {
  tsSpinDontCare,
  tsSpinRoot,
  tsUpNormal,
  tsUpHot,
  tsUpPressed,
  tsUpDisabled,
  tsDownNormal,
  tsDownHot,
  tsDownPressed,
  tsDownDisabled
};
enum TThemedToolBar {
  ttbToolBarDontCare,
  ttbToolBarRoot,
  ttbButtonNormal,
  ttbButtonHot,
  ttbButtonPressed,
  ttbButtonDisabled,
  ttbButtonChecked,
  ttbButtonCheckedHot
};

// Which element, part and state to draw; Part and State count from 1 within
// the element as the visual-style tables do (0: any).
struct TThemedElementDetails {
  TThemedElement Element = teButton;
  Integer Part = 0;
  Integer State = 0;
  friend bool operator==(const TThemedElementDetails&, const TThemedElementDetails&) = default;
};

// One drawing request made to the service.
struct TThemeRequest {
  TThemedElementDetails Details;
  String Name;  // "ComboBox.DropDownButton", ...
  TRect Rect;   // as given, logical coordinates of the DC
  std::optional<TRect> Clip;
  String Text;  // DrawText requests only
};

// TThemeServices: reached through ThemeServices().
class TThemeServices : public TObject {
  KV_CLASS(TThemeServices, TObject)
 public:
  bool GetThemesEnabled() const { return FThemesEnabled; }
  bool ThemesEnabled() const { return FThemesEnabled; }
  void SetThemesEnabled(bool Value) { FThemesEnabled = Value; }
  bool ThemesAvailable() const { return true; }

  TThemedElementDetails GetElementDetails(TThemedButton Detail) const;
  TThemedElementDetails GetElementDetails(TThemedComboBox Detail) const;
  TThemedElementDetails GetElementDetails(TThemedHeader Detail) const;
  TThemedElementDetails GetElementDetails(TThemedSpin Detail) const;
  TThemedElementDetails GetElementDetails(TThemedToolBar Detail) const;

  void DrawElement(HDC Dc, const TThemedElementDetails& Details, const TRect& R,
                   const TRect* Clip = nullptr);
  void DrawText(HDC Dc, const TThemedElementDetails& Details, const String& Text, const TRect& R,
                UINT Flags, UINT Flags2 = 0);
  // The rectangle inside the element's border.
  TRect ContentRect(HDC Dc, const TThemedElementDetails& Details, const TRect& R) const;
  // The element's name as requests and logs give it.
  static String ElementName(const TThemedElementDetails& Details);

  const std::vector<TThemeRequest>& Requests() const { return FRequests; }
  void ClearRequests() { FRequests.clear(); }

 private:
  bool FThemesEnabled = false;
  std::vector<TThemeRequest> FRequests;
};

TThemeServices* ThemeServices();

}  // namespace kvp
