// MessageDlg and ShowMessage over the test script.
#include "platform/controls/Dialogs.h"

#include <deque>

namespace kvp {

namespace {
std::deque<TModalResult>& Answers() {
  static std::deque<TModalResult> Queue;
  return Queue;
}
std::vector<TMessageDlgRecord>& Log() {
  static std::vector<TMessageDlgRecord> Records;
  return Records;
}

TModalResult ResultOf(TMsgDlgBtn Button) {
  static constexpr TModalResult Results[] = {mrYes,     mrNo,       mrOk,     mrCancel,
                                             mrAbort,   mrRetry,    mrIgnore, mrAll,
                                             mrNoToAll, mrYesToAll, mrNone};
  return Results[Button];
}

// A dialog takes the mouse away from whoever holds it, as a modal window does.
void CancelCapture() {
  if (HWND Capture = GetCapture()) {
    SendMessage(Capture, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
  }
}
}  // namespace

TModalResult MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                        Integer HelpCtx) {
  CancelCapture();
  Log().push_back({Msg, DlgType, Buttons, HelpCtx, mrNone});
  if (Answers().empty())
    throw EInvalidOperation("MessageDlg has no answer queued for \"" + Msg + "\"");
  TModalResult Answer = Answers().front();
  Answers().pop_front();
  bool Offered = false;
  for (Integer B = mbYes; B <= mbYesToAll; ++B)
    if (Buttons.Contains(TMsgDlgBtn(B)) && ResultOf(TMsgDlgBtn(B)) == Answer) Offered = true;
  if (!Offered)
    throw EInvalidOperation("MessageDlg answer " + std::to_string(Answer) +
                            " is not one of the buttons of \"" + Msg + "\"");
  Log().back().Answer = Answer;
  return Answer;
}

void ShowMessage(const String& Msg) {
  CancelCapture();
  Log().push_back({Msg, mtCustom, TMsgDlgButtons{mbOK}, 0, mrNone});
}

void QueueMessageDlgAnswer(TModalResult Answer) { Answers().push_back(Answer); }
Integer GetQueuedMessageDlgAnswerCount() { return Integer(Answers().size()); }
const std::vector<TMessageDlgRecord>& GetMessageDlgLog() { return Log(); }
void ResetMessageDlgScript() {
  Answers().clear();
  Log().clear();
}

}  // namespace kvp
