// System information: monitors and work areas, metrics, and TTimer on the
// virtual clock.
#include "WinTestUtil.h"
#include "platform/classes/Resources.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Timer.h"

namespace kvp::test {
namespace {

using SystemTest = WinTest;

TEST_F(SystemTest, TheDefaultScreenHasATaskBarAtTheBottom) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
  TRect Work;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &Work, 0));
  EXPECT_EQ(Work, Rect(0, 0, 1280, 994));
  UINT Lines = 0;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0);
  EXPECT_EQ(Lines, 3u);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
  SetSystemMetric(SM_CXVSCROLL, 20);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 20);
}

TEST_F(SystemTest, MonitorsAreFoundByPointRectAndWindow) {
  SetMonitors({{Rect(0, 0, 1024, 768), Rect(0, 0, 1024, 738)},
               {Rect(1024, 0, 2048, 768), Rect(1024, 30, 2048, 768)}});
  HMONITOR Left = MonitorFromPoint(Point(10, 10), MONITOR_DEFAULTTONULL);
  HMONITOR Right = MonitorFromPoint(Point(1030, 10), MONITOR_DEFAULTTONULL);
  ASSERT_TRUE(Left && Right);
  EXPECT_NE(Left, Right);
  EXPECT_EQ(MonitorFromPoint(Point(-50, 10), MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(MonitorFromPoint(Point(3000, 10), MONITOR_DEFAULTTONEAREST), Right);
  EXPECT_EQ(MonitorFromPoint(Point(3000, 10), MONITOR_DEFAULTTOPRIMARY), Left);
  TRect MostlyRight = Rect(1000, 0, 1100, 50);
  EXPECT_EQ(MonitorFromRect(&MostlyRight, MONITOR_DEFAULTTONEAREST), Right);
  MONITORINFO Info;
  ASSERT_TRUE(GetMonitorInfo(Right, &Info));
  EXPECT_EQ(Info.rcWork, Rect(1024, 30, 2048, 768));
  EXPECT_EQ(Info.dwFlags, 0u);
  HWND H = MakeTop(Rect(1500, 100, 1600, 200));
  EXPECT_EQ(MonitorFromWindow(H, MONITOR_DEFAULTTONEAREST), Right);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2048);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024) << "the primary monitor";
}

TEST_F(SystemTest, CursorsStandardNamedAndCurrent) {
  HCURSOR Beam = LoadCursor(nullptr, IDC_IBEAM);
  EXPECT_EQ(LoadCursor(nullptr, IDC_IBEAM), Beam) << "one shared handle per standard cursor";
  EXPECT_EQ(GetCursorName(Beam), "IDC_IBEAM");
  EXPECT_EQ(LoadCursor(nullptr, "NO_SUCH_CURSOR"), nullptr);
  RegisterResource("TESTHAND", "CURSOR", {1, 2, 3});
  HCURSOR Named = LoadCursor(nullptr, "TestHand");
  ASSERT_TRUE(Named);
  EXPECT_EQ(GetCursorName(Named), "TestHand");
  HCURSOR Old = SetCursor(Named);
  EXPECT_EQ(GetCursor(), Named);
  EXPECT_EQ(SetCursor(Beam), Named) << "each call answers the cursor it replaces";
  EXPECT_EQ(SetCursor(Old), Beam);
  EXPECT_EQ(GetCursor(), Old);
  HCURSOR Copy = CopyCursor(Named);
  EXPECT_NE(Copy, Named);
  EXPECT_TRUE(DestroyCursor(Copy));
  EXPECT_FALSE(DestroyCursor(Copy));
  EXPECT_TRUE(DestroyCursor(Named));
  UnregisterResource("TESTHAND", "CURSOR");
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_EQ(ShowCursor(TRUE), 0);
}

TEST_F(SystemTest, TheCaretIsHiddenByACountAndDuringPainting) {
  HWND H = MakeTop(Rect(0, 0, 100, 100));
  ProcessMessages();
  ASSERT_TRUE(CreateCaret(H, nullptr, 1, 13));
  EXPECT_FALSE(IsCaretVisible()) << "a new caret is hidden";
  ShowCaret(H);
  EXPECT_TRUE(IsCaretVisible());
  HideCaret(H);
  HideCaret(H);
  ShowCaret(H);
  EXPECT_FALSE(IsCaretVisible()) << "hidden twice, shown once";
  ShowCaret(H);
  EXPECT_TRUE(IsCaretVisible());
  ShowCaret(H);  // one show too many is not saved up for a later hide
  HideCaret(H);
  EXPECT_FALSE(IsCaretVisible()) << "hidden once after an extra show";
  ShowCaret(H);
  SetCaretPos(7, 3);
  bool VisibleWhilePainting = true;
  Rec().Answer = [&](HWND W, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (W == H && Msg == WM_ERASEBKGND) VisibleWhilePainting = IsCaretVisible();
    return std::nullopt;
  };
  InvalidateRect(H, nullptr, TRUE);
  ProcessMessages();
  EXPECT_FALSE(VisibleWhilePainting);
  EXPECT_TRUE(IsCaretVisible());
  TPoint P;
  GetCaretPos(&P);
  EXPECT_EQ(P, Point(7, 3));
  HWND Other = MakeTop(Rect(0, 0, 10, 10));
  EXPECT_FALSE(HideCaret(Other)) << "only the owner";
  DestroyWindow(H);
  EXPECT_EQ(GetCaretOwner(), nullptr);
  // Without a caret there is nothing to place or destroy.
  EXPECT_FALSE(SetCaretPos(1, 1));
  EXPECT_FALSE(DestroyCaret());
  ASSERT_TRUE(CreateCaret(Other, nullptr, 2, 10));
  EXPECT_TRUE(DestroyCaret());
  EXPECT_EQ(GetCaretOwner(), nullptr);
}

TEST_F(SystemTest, TimerTicksThroughThePumpAndRestartsOnChanges) {
  TObjectPtr<TTimer> T(TTimer::Create(nullptr));
  EXPECT_EQ(T->GetInterval(), 1000u);
  EXPECT_TRUE(T->GetEnabled());
  Integer Ticks = 0;
  EXPECT_EQ(T->GetWindowHandle(), nullptr) << "no timer without a handler";
  T->SetOnTimer(TNotifyEvent([&Ticks](TObject*) { ++Ticks; }));
  Advance(2500);
  EXPECT_EQ(Ticks, 2);
  T->SetInterval(300);  // restarts from now: ticks at +300 and +600
  Advance(700);
  EXPECT_EQ(Ticks, 4);
  T->SetEnabled(false);
  Advance(5000);
  EXPECT_EQ(Ticks, 4);
  T->SetEnabled(true);
  T->SetOnTimer(nullptr);
  Advance(5000);
  EXPECT_EQ(Ticks, 4);
}

TEST_F(SystemTest, AnExceptionInOnTimerGoesToTheApplication) {
  TObjectPtr<TTimer> T(TTimer::Create(nullptr));
  T->SetInterval(100);
  T->SetOnTimer(TNotifyEvent([](TObject*) { throw EConvertError("bad tick"); }));
  String Seen;
  ApplicationHandleException = [&Seen](TObject*) {
    try {
      throw;
    } catch (const Exception& E) {
      Seen = E.GetMessage();
    }
  };
  Advance(150);
  EXPECT_EQ(Seen, "bad tick");
  ApplicationHandleException = nullptr;
  EXPECT_THROW(Advance(100), EConvertError) << "without a handler it goes on";
}

TEST_F(SystemTest, AnNtFamilySystemWithoutInputMethods) {
  OSVERSIONINFO Info{};
  ASSERT_TRUE(GetVersionEx(&Info));
  EXPECT_EQ(Info.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
  EXPECT_GE(Info.dwMajorVersion, 5u);
  EXPECT_EQ(GetVersion() & 0xFFu, Info.dwMajorVersion);
  EXPECT_EQ(GetVersion() & 0x80000000u, 0u) << "the high bit marks the old family";
  HWND H = MakeTop(Rect(0, 0, 10, 10));
  HIMC Imc = ImmGetContext(H);
  EXPECT_EQ(Imc, nullptr);
  EXPECT_FALSE(ImmSetCompositionWindow(Imc, nullptr));
  EXPECT_FALSE(ImmIsIME(GetKeyboardLayout(0)));
  EXPECT_FALSE(SysLocale.FarEast);
  EXPECT_EQ(GetSystemMetrics(SM_DBCSENABLED), 0);
}

TEST_F(SystemTest, AnActivatedKeyboardLayoutHoldsUntilAnotherOrTheReset) {
  const HKL English = GetKeyboardLayout(0);
  EXPECT_EQ(English, reinterpret_cast<HKL>(std::uintptr_t(0x04090409)));
  const HKL Japanese = reinterpret_cast<HKL>(std::uintptr_t(0xE0010411));
  EXPECT_EQ(ActivateKeyboardLayout(Japanese, KLF_ACTIVATE), English) << "answers the one replaced";
  EXPECT_EQ(GetKeyboardLayout(0), Japanese);
  EXPECT_EQ(ActivateKeyboardLayout(nullptr, KLF_ACTIVATE), nullptr);
  EXPECT_EQ(GetKeyboardLayout(0), Japanese) << "no layout changes nothing";
  ResetWindowSystem();
  EXPECT_EQ(GetKeyboardLayout(0), English);
}

TEST_F(SystemTest, TheKeyboardStateTableFollowsTheKeysTaken) {
  HWND H = MakeTop(Rect(0, 0, 10, 10));
  SetFocus(H);
  Byte Keys[256];
  Input.KeyDown(VK_CONTROL);
  Input.MouseDown(mbRight, H, Point(2, 2));
  ASSERT_TRUE(GetKeyboardState(Keys));
  EXPECT_EQ(Keys[VK_CONTROL] & 0x80, 0x80);
  EXPECT_EQ(Keys[VK_RBUTTON] & 0x80, 0x80);
  EXPECT_LT(GetKeyState(VK_RBUTTON), 0);
  Input.MouseUp(mbRight, H, Point(2, 2));
  Input.KeyUp(VK_CONTROL);
  ASSERT_TRUE(GetKeyboardState(Keys));
  EXPECT_EQ(Keys[VK_CONTROL] & 0x80, 0);
  EXPECT_EQ(Keys[VK_RBUTTON] & 0x80, 0);
  // A program may set the table itself; the next keys start from it.
  Keys[VK_CAPITAL] = 0x01;
  ASSERT_TRUE(SetKeyboardState(Keys));
  EXPECT_EQ(GetKeyState(VK_CAPITAL), 1);
  Recorder().Clear();
  Input.KeyPress('Q');
  EXPECT_EQ(Recorder().Last(H, WM_CHAR).W, WPARAM('Q')) << "Caps Lock on";
}

}  // namespace
}  // namespace kvp::test
