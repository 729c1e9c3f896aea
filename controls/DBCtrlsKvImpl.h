// Implementation detail of DBCtrlsKv, not API: helpers shared by the unit's
// source files.
#pragma once

#include "controls/DBCtrlsKv.h"
#include "platform/controls/HintWindow.h"

namespace korvel::dbctrls {

// The system's controls are of the new style (version 4 or later): an edit
// box's margins and heights follow its border and 3D look.
inline bool NewStyleControls() { return kvp::Win32MajorVersion >= 4; }

// TToolTipsWindow: the hint window an edit box shows its clipped text in,
// measured in the edit's own font (the hint data).
class TToolTipsWindow : public kvp::THintWindow {
  KV_CLASS(TToolTipsWindow, kvp::THintWindow)
 public:
  explicit TToolTipsWindow(kvp::TComponent* AOwner) : kvp::THintWindow(AOwner) {}
  kvp::TRect CalcHintRect(kvp::Integer MaxWidth, const kvp::String& AHint, void* AData) override;
};

// The text metrics of a font (the system font for null) on the screen.
kvp::TEXTMETRIC ScreenTextMetrics(kvp::TFont* Font);

// Whether a character is one a user types into the text (not a control code).
inline bool IsTypedChar(kvp::Char C) { return C >= 32 && C != 127; }

}  // namespace korvel::dbctrls
