// MessageDlg and ShowMessage: the test script, and the dialog a person at a
// desktop answers.
#include "platform/controls/Dialogs.h"

#include <algorithm>
#include <deque>

#include "platform/controls/StdCtrls.h"
#include "platform/win/WindowObserver.h"

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

// [SECTION] The dialog

namespace {

String CaptionOf(TMsgDlgType DlgType) {
  switch (DlgType) {
    case mtWarning:
      return "Warning";
    case mtError:
      return "Error";
    case mtInformation:
      return "Information";
    case mtConfirmation:
      return "Confirmation";
    default:
      return Application()->GetTitle();
  }
}

const char* ButtonCaption(TMsgDlgBtn Button) {
  static constexpr const char* Captions[] = {"&Yes",       "&No",         "OK",      "Cancel",
                                             "&Abort",     "&Retry",      "&Ignore", "&All",
                                             "N&o to All", "Yes to &All", "&Help"};
  return Captions[Button];
}

// The answer Escape gives, and that of a dialog closed without a button (the
// desktop's close box, the program ending): Cancel, else No, else the only
// button there is; mrCancel when none of these is offered (Escape then does
// nothing).
TModalResult CancelResultOf(TMsgDlgButtons Buttons) {
  if (Buttons.Contains(mbCancel)) return mrCancel;
  if (Buttons.Contains(mbNo)) return mrNo;
  Integer Count = 0;
  TMsgDlgBtn Only = mbOK;
  for (Integer B = mbYes; B <= mbHelp; ++B)
    if (Buttons.Contains(TMsgDlgBtn(B))) {
      ++Count;
      Only = TMsgDlgBtn(B);
    }
  // A dialog with a single answer (OK alone) gives it however it is closed.
  if (Count == 1 && Only != mbHelp) return ResultOf(Only);
  return mrCancel;
}

constexpr Integer Margin = 12, ButtonWidth = 75, ButtonHeight = 25, ButtonGap = 8;

// The dialog shown to a person: the text above a row of buttons, centred on
// the screen, the default button focused.
TModalResult ShowMessageDialog(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  TObjectPtr<TForm> Dlg(TForm::Create(nullptr));
  Dlg->SetName("MessageDialog");
  Dlg->SetBorderStyle(bsDialog);
  Dlg->SetCaption(CaptionOf(DlgType));
  Dlg->SetPosition(poScreenCenter);
  Dlg->HandleNeeded();
  auto* Text = TLabel::Create(Dlg.get());
  Text->SetName("Message");
  Text->SetShowAccelChar(false);
  Text->SetBounds(Margin, Margin, 0, 0);
  Text->SetParent(Dlg.get());
  Text->SetCaption(Msg);

  std::vector<TButton*> Row;
  TModalResult Escape = CancelResultOf(Buttons);
  TButton* Default = nullptr;
  for (Integer B = mbYes; B <= mbHelp; ++B) {
    if (!Buttons.Contains(TMsgDlgBtn(B))) continue;
    auto* Button = TButton::Create(Dlg.get());
    Button->SetCaption(ButtonCaption(TMsgDlgBtn(B)));
    Button->SetModalResult(ResultOf(TMsgDlgBtn(B)));
    if (B != mbHelp && ResultOf(TMsgDlgBtn(B)) == Escape) Button->SetCancel(true);
    if ((B == mbYes || B == mbOK) && !Default) Default = Button;
    Button->SetParent(Dlg.get());
    Row.push_back(Button);
  }
  if (!Default && !Row.empty()) Default = Row.front();

  Integer RowWidth =
      Integer(Row.size()) * ButtonWidth + std::max<Integer>(Integer(Row.size()) - 1, 0) * ButtonGap;
  Integer Width = std::max(Text->GetWidth(), RowWidth) + 2 * Margin;
  Integer Top = Text->GetTop() + Text->GetHeight() + Margin;
  Integer Left = (Width - RowWidth) / 2;
  for (TButton* Button : Row) {
    Button->SetBounds(Left, Top, ButtonWidth, ButtonHeight);
    Left += ButtonWidth + ButtonGap;
  }
  Dlg->SetClientWidth(Width);
  Dlg->SetClientHeight(Top + ButtonHeight + Margin);
  if (Default) {
    Default->SetDefault(true);
    Dlg->SetActiveControl(Default);
  }
  TModalResult Answer = Dlg->ShowModal();
  for (TButton* Button : Row)
    if (Button->GetModalResult() == Answer && Answer != mrNone) return Answer;
  return CancelResultOf(Buttons);
}

}  // namespace

// [SECTION] MessageDlg and ShowMessage

TModalResult MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                        Integer HelpCtx) {
  CancelCapture();
  Log().push_back({Msg, DlgType, Buttons, HelpCtx, mrNone});
  if (Answers().empty()) {
    if (!DesktopInteractive())
      throw EInvalidOperation("MessageDlg has no answer queued for \"" + Msg + "\"");
    std::size_t Asked = Log().size() - 1;  // the dialog may ask questions of its own
    TModalResult Answer = ShowMessageDialog(Msg, DlgType, Buttons);
    Log()[Asked].Answer = Answer;
    return Answer;
  }
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
