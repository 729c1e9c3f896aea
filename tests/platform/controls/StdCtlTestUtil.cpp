#include "StdCtlTestUtil.h"

#include "platform/controls/StdClasses.h"

namespace kvp::testutil {

TParentLog& ParentLog() {
  static TParentLog L;
  return L;
}

LRESULT ParentProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  TParentLog& Log = ParentLog();
  switch (Msg) {
    case WM_COMMAND:
      Log.Notices.push_back(
          {Msg, Integer(LOWORD(W)), Integer(HIWORD(W)), 0, reinterpret_cast<HWND>(L)});
      return 0;
    case WM_NOTIFY: {
      auto* H = reinterpret_cast<const NMHDR*>(L);
      Log.Notices.push_back({Msg, Integer(H->idFrom), Integer(H->code), 0, H->hwndFrom});
      return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      Log.Notices.push_back({Msg, 0, Integer(LOWORD(W)), Integer(std::int16_t(HIWORD(W))),
                             reinterpret_cast<HWND>(L)});
      if (Log.OnScroll) Log.OnScroll(reinterpret_cast<HWND>(L), LOWORD(W));
      return 0;
    case WM_MEASUREITEM:
      if (Log.OnMeasure) Log.OnMeasure(reinterpret_cast<MEASUREITEMSTRUCT*>(L));
      return TRUE;
    case WM_DRAWITEM:
      if (Log.OnDraw) Log.OnDraw(reinterpret_cast<const DRAWITEMSTRUCT*>(L));
      return TRUE;
    default:
      return DefWindowProc(Wnd, Msg, W, L);
  }
}

void TStdCtlTest::SetUp() {
  ResetWindowSystem();
  ResetMessageBeepCount();
  ParentLog() = TParentLog();
  RegisterStandardClasses();
  WNDCLASS C;
  C.style = CS_DBLCLKS;
  C.lpfnWndProc = ParentProc;
  C.hbrBackground = reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_BTNFACE + 1));
  C.hCursor = LoadCursor(nullptr, IDC_ARROW);
  C.lpszClassName = "StdCtlTestParent";
  RegisterClass(&C);
  TRect R{0, 0, 400, 300};
  AdjustWindowRectEx(&R, WS_POPUP | WS_BORDER, FALSE, 0);
  Parent = CreateWindowEx(0, "StdCtlTestParent", "", WS_POPUP | WS_BORDER | WS_VISIBLE, 100, 100,
                          R.Width(), R.Height(), nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(Parent, nullptr);
  SetActiveWindow(Parent);
}

void TStdCtlTest::TearDown() {
  ResetWindowSystem();
  ParentLog() = TParentLog();
}

HWND TStdCtlTest::CreateChild(const char* Class, DWORD Style, TRect B, Integer Id,
                              const char* Text) {
  HWND H = CreateWindowEx(0, Class, Text, Style | WS_CHILD | WS_VISIBLE, B.Left, B.Top, B.Width(),
                          B.Height(), Parent, reinterpret_cast<HMENU>(std::intptr_t(Id)), nullptr,
                          nullptr);
  if (H) SendMessage(H, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  return H;
}

void TFormTest::SetUp() {
  ResetWindowSystem();
  ResetMessageBeepCount();
  Application()->Reset();
  Form = TForm::Create(nullptr);
  Form->SetName("Form1");
  Form->SetBounds(100, 100, 400, 300);
}

void TFormTest::TearDown() {
  FreeAndNil(Form);
  Application()->ClearHandledExceptions();
  ResetWindowSystem();
}

}  // namespace kvp::testutil
