// THintWindow: the small top-level window a hint shows in. The application
// makes one (of the class its hint information names), sizes it with
// CalcHintRect and shows it with ActivateHintData; key presses, clicks and
// activation messages (IsHintMsg) take it away again.
#pragma once

#include "platform/controls/Controls.h"

namespace kvp {

// THintWindow: a popup tool window that never activates, in the info colours.
// It measures and paints its text in its canvas font, which starts as the
// screen's hint font and which a descendant may change (in CalcHintRect, for
// the hint it is about to show); painting only sets the hint font's colour.
class THintWindow : public TCustomControl {
  KV_CLASS(THintWindow, TCustomControl)
 public:
  explicit THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {}

  // The window rectangle (at 0, 0) the hint text needs: the text measured
  // with word breaks within MaxWidth, plus the margins.
  virtual TRect CalcHintRect(Integer MaxWidth, const String& AHint, void* AData);
  // Shows Hint at the screen rectangle Rect, topmost, without activating.
  virtual void ActivateHint(TRect Rect, const String& AHint);
  virtual void ActivateHintData(TRect Rect, const String& AHint, void* AData);
  // Messages that end a hint: keys, button presses, activation, commands.
  virtual bool IsHintMsg(const MSG& Msg);
  void ReleaseHandle() { DestroyHandle(); }

 protected:
  void Construct() override;
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void WMNCHitTest(TWMNCHitTest& Message);
  void CMTextChanged(TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_NCHITTEST, WMNCHitTest)
  KV_MESSAGE(CM_TEXTCHANGED, CMTextChanged)
  KV_END_MESSAGE_MAP
};

}  // namespace kvp
