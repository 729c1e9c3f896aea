// Modal forms and message dialogs in a real window: the modal loop waits for
// the person at the server, whose click or key (XTest) answers it. Each
// answer is sent while the loop is idle and the backend is not stepped, so
// only the loop's own wait can bring it in.

#include "X11TestUtil.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/Forms.h"
#include "platform/controls/StdCtrls.h"

// Xlib after every header of ours: its macros (KeyPress, None, Status ...)
// must not reach them.
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

namespace kvp::test {
namespace {

class X11DialogTest : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (!Backend) return;
    Application()->Reset();
    Application()->InstallMessageFilter();
    ResetMessageDlgScript();
    Application()->SetTitle("Ledger");
    Main = TForm::Create(nullptr);
    Main->SetCaption("Main");
    Main->SetBounds(40, 40, 400, 300);
    Application()->SetMainForm(Main);
    Main->Show();
    ASSERT_TRUE(RunUntil([&] { return Viewable(XWin(Main->GetHandle())); }));
  }
  void TearDown() override {
    if (Main) {
      Application()->CheckNoExceptions();
      Application()->SetMainForm(nullptr);
      FreeAndNil(Main);
    }
    ResetMessageDlgScript();
    X11Test::TearDown();
  }

  // Once the modal loop is idle with Form shown and focused on the server,
  // Answer sends the person's input to the server only.
  void WhenShown(std::function<void(TCustomForm* Form)> Answer) {
    Application()->QueueModalAction([this, Answer](TCustomForm* Form) {
      HWND Wnd = Form->GetHandle();
      if (!RunUntil([&] {
            return Viewable(XWin(Wnd)) && HasFocus(XWin(Wnd)) && GetActiveWindow() == Wnd;
          })) {
        ADD_FAILURE() << "the modal form is not shown: viewable " << Viewable(XWin(Wnd))
                      << ", focused " << HasFocus(XWin(Wnd)) << ", active "
                      << (GetActiveWindow() == Wnd);
        Form->SetModalResult(mrAbort);
        return;
      }
      Shown = Form;
      ShownRect = Geometry(XWin(Form->GetHandle()));
      ShownCaption = Property(XWin(Form->GetHandle()), "_NET_WM_NAME");
      Answer(Form);
      XSync(Peer, False);
    });
  }
  void SendTap(unsigned long Sym) {
    ::KeyCode Code = XKeysymToKeycode(Peer, Sym);
    XTestFakeKeyEvent(Peer, Code, True, CurrentTime);
    XTestFakeKeyEvent(Peer, Code, False, CurrentTime);
  }
  void SendClick(TControl* Control) {
    TPoint P{Control->GetWidth() / 2, Control->GetHeight() / 2};
    ClientToScreen(static_cast<TWinControl*>(Control)->GetHandle(), &P);
    XTestFakeMotionEvent(Peer, -1, P.X, P.Y, CurrentTime);
    XTestFakeButtonEvent(Peer, 1, True, CurrentTime);
    XTestFakeButtonEvent(Peer, 1, False, CurrentTime);
  }
  // The dialog's buttons, left to right.
  static std::vector<TButton*> ButtonsOf(TCustomForm* Form) {
    std::vector<TButton*> Buttons;
    for (Integer I = 0; I < Form->GetControlCount(); ++I)
      if (auto* B = DynCast<TButton>(Form->GetControls(I))) Buttons.push_back(B);
    std::sort(Buttons.begin(), Buttons.end(),
              [](TButton* A, TButton* B) { return A->GetLeft() < B->GetLeft(); });
    return Buttons;
  }
  static String CaptionsOf(TCustomForm* Form) {
    String All;
    for (TButton* B : ButtonsOf(Form)) All += (All.empty() ? "" : "|") + B->GetCaption();
    return All;
  }
  static TButton* ButtonNamed(TCustomForm* Form, const String& Caption) {
    for (TButton* B : ButtonsOf(Form))
      if (B->GetCaption() == Caption) return B;
    ADD_FAILURE() << "no button " << Caption << " in " << CaptionsOf(Form);
    return nullptr;
  }

  TForm* Main = nullptr;
  TCustomForm* Shown = nullptr;
  TRect ShownRect;
  String ShownCaption;
};

TEST_F(X11DialogTest, AModalFormWaitsForTheClickOnItsButtonOrTheCloseOfTheMainWindow) {
  TObjectPtr<TForm> Dlg(TForm::Create(nullptr));
  Dlg->SetCaption("Choose");
  Dlg->SetBounds(200, 150, 240, 120);
  auto* Ok = TButton::Create(Dlg.get());
  Ok->SetCaption("OK");
  Ok->SetModalResult(mrOk);
  Ok->SetBounds(80, 40, 75, 25);
  Ok->SetParent(Dlg.get());

  // [Phase 1] A click on the button, seen only once the loop waits for it.
  WhenShown([&](TCustomForm*) { SendClick(Ok); });
  EXPECT_EQ(Dlg->ShowModal(), mrOk);
  EXPECT_EQ(Shown, Dlg.get());
  RunFor(50);
  EXPECT_FALSE(Viewable(XWin(Dlg->GetHandle()))) << "the form went from the screen";
  EXPECT_TRUE(IsWindowEnabled(Main->GetHandle()));

  // [Phase 2] The desktop closes the main window: the program ends, and so
  // does the loop, answering Cancel.
  WhenShown([&](TCustomForm*) {
    XEvent Close{};
    Close.xclient.type = ClientMessage;
    Close.xclient.window = XWin(Main->GetHandle());
    Close.xclient.message_type = XInternAtom(Peer, "WM_PROTOCOLS", False);
    Close.xclient.format = 32;
    Close.xclient.data.l[0] = long(XInternAtom(Peer, "WM_DELETE_WINDOW", False));
    XSendEvent(Peer, Close.xclient.window, False, 0, &Close);
  });
  EXPECT_EQ(Dlg->ShowModal(), mrCancel);
  EXPECT_TRUE(Application()->GetTerminated());
}

TEST_F(X11DialogTest, AMessageDialogIsAnsweredByEnterEscapeOrAClick) {
  // [Phase 1] Enter presses the default button, Yes; the dialog shows the
  // type's caption, the buttons in order, and is centred on the screen.
  String Captions;
  bool DefaultFocused = false;
  WhenShown([&](TCustomForm* Form) {
    Captions = CaptionsOf(Form);
    DefaultFocused = Form->GetActiveControl() == ButtonNamed(Form, "&Yes");
    SendTap(XK_Return);
  });
  EXPECT_EQ(MessageDlg("Save the changes?", mtConfirmation, mbYesNoCancel, 0), mrYes);
  EXPECT_EQ(ShownCaption, "Confirmation");
  EXPECT_EQ(Captions, "&Yes|&No|Cancel");
  EXPECT_TRUE(DefaultFocused);
  EXPECT_LE(std::abs(ShownRect.Left + ShownRect.Width() / 2 - 640), 1) << ShownRect.Left;
  EXPECT_LE(std::abs(ShownRect.Top + ShownRect.Height() / 2 - 512), 1) << ShownRect.Top;
  ASSERT_EQ(GetMessageDlgLog().size(), 1u);
  EXPECT_EQ(GetMessageDlgLog()[0].Answer, mrYes) << "the answer is recorded";
  RunFor(50);
  EXPECT_EQ(GetActiveWindow(), Main->GetHandle()) << "the main window is active again";

  // [Phase 2] Escape answers Cancel, or No when there is no Cancel.
  WhenShown([&](TCustomForm*) { SendTap(XK_Escape); });
  EXPECT_EQ(MessageDlg("Save the changes?", mtWarning, mbYesNoCancel, 0), mrCancel);
  EXPECT_EQ(ShownCaption, "Warning");
  WhenShown([&](TCustomForm*) { SendTap(XK_Escape); });
  EXPECT_EQ(MessageDlg("Overwrite?", mtWarning, {mbYes, mbNo}, 0), mrNo);
  WhenShown([&](TCustomForm*) { SendTap(XK_Escape); });
  EXPECT_EQ(MessageDlg("Copied.", mtInformation, {mbOK}, 0), mrOk) << "OK alone takes Escape";

  // [Phase 3] A click on a button that is not the default; OK is the
  // default where there is no Yes; a custom dialog bears the title.
  WhenShown([&](TCustomForm* Form) {
    Captions = CaptionsOf(Form);
    SendClick(ButtonNamed(Form, "&Retry"));
  });
  EXPECT_EQ(MessageDlg("The disk is busy.", mtError, mbAbortRetryIgnore, 0), mrRetry);
  EXPECT_EQ(Captions, "&Abort|&Retry|&Ignore");
  EXPECT_EQ(ShownCaption, "Error");
  WhenShown([&](TCustomForm* Form) {
    Captions = CaptionsOf(Form);
    SendTap(XK_Return);
  });
  EXPECT_EQ(
      MessageDlg("Go on?", mtCustom, {mbHelp, mbYesToAll, mbNoToAll, mbAll, mbCancel, mbOK}, 0),
      mrOk);
  EXPECT_EQ(Captions, "OK|Cancel|&All|N&o to All|Yes to &All|&Help");
  EXPECT_EQ(ShownCaption, "Ledger");
  WhenShown([&](TCustomForm*) { SendTap(XK_Return); });
  EXPECT_EQ(MessageDlg("Keep it?", mtConfirmation, {mbNo, mbOK}, 0), mrOk)
      << "OK is the default even after No";

  // [Phase 4] A scripted answer still comes first: no window is shown.
  QueueMessageDlgAnswer(mrNo);
  Shown = nullptr;
  EXPECT_EQ(MessageDlg("Overwrite?", mtWarning, {mbYes, mbNo}, 0), mrNo);
  EXPECT_EQ(Shown, nullptr);
  EXPECT_EQ(Application()->GetModalActionCount(), 0);
}

TEST_F(X11DialogTest, AMessageDialogFitsItsText) {
  auto SizeFor = [&](const String& Msg) {
    TRect Text, Client;
    WhenShown([&](TCustomForm* Form) {
      for (Integer I = 0; I < Form->GetControlCount(); ++I)
        if (auto* L = DynCast<TLabel>(Form->GetControls(I))) Text = L->GetBoundsRect();
      Client = Form->GetClientRect();
      for (TButton* B : ButtonsOf(Form)) {
        EXPECT_GE(B->GetTop(), Text.Bottom) << "the buttons are below the text";
        EXPECT_LE(B->GetBoundsRect().Right, Client.Right);
      }
      SendTap(XK_Return);
    });
    MessageDlg(Msg, mtInformation, {mbOK}, 0);
    EXPECT_GT(Text.Width(), 0);
    EXPECT_GE(Text.Left, 8);
    EXPECT_LE(Text.Right, Client.Right - 8) << "the text fits with a margin";
    return ShownRect;
  };
  TRect Short = SizeFor("Done.");
  TRect Long = SizeFor("The customers of all the branches were copied to the archive & sorted.");
  TRect TwoLines = SizeFor("First line\nSecond line");
  EXPECT_GT(Long.Width(), Short.Width() + 200);
  EXPECT_GT(TwoLines.Height(), Short.Height());
}

}  // namespace
}  // namespace kvp::test
