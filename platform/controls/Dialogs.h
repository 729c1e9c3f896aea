// Message dialogs. MessageDlg records every question (text, type, buttons)
// and answers with the next answer a test queued. With none queued, a person
// at a desktop (an interactive backend) answers it in a dialog window; with
// no such backend it raises, naming the question, so that a test never hangs
// on a dialog nobody answers. ShowMessage is recorded only.
#pragma once

#include <vector>

#include "platform/controls/Forms.h"

namespace kvp {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// Asks the question and answers the modal result of the button chosen.
TModalResult MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                        Integer HelpCtx);
void ShowMessage(const String& Msg);

// ---- The dialog script (tests) ----------------------------------------------
struct TMessageDlgRecord {
  String Msg;
  TMsgDlgType DlgType = mtCustom;
  TMsgDlgButtons Buttons;
  Integer HelpCtx = 0;
  TModalResult Answer = mrNone;  // mrNone for ShowMessage
};
// The answer to the next question; it must be one of that question's buttons.
void QueueMessageDlgAnswer(TModalResult Answer);
Integer GetQueuedMessageDlgAnswerCount();
const std::vector<TMessageDlgRecord>& GetMessageDlgLog();
// Clears the log and the queued answers.
void ResetMessageDlgScript();

}  // namespace kvp
