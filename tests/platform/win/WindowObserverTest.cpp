// The observer a desktop backend sets: what it is told (top-level windows
// made, placed, shown, hidden, renamed, activated, destroyed; painted parts of
// surfaces; the cursor; the clipboard's owner and readers), and that the
// window system sends exactly the same messages with one set as without.
#include <cstring>

#include "WinTestUtil.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/GlobalMemory.h"
#include "platform/rtl/VirtualKeys.h"

namespace kvp::test {
namespace {

// TObserverLog: writes each call as a line.
struct TObserverLog : TWindowObserver {
  std::vector<String> Lines;
  std::vector<std::pair<HWND, TRect>> Painted;
  std::function<void()> OnReading;  // runs inside ClipboardReading
  HWND Name(HWND H) const { return H; }
  static String R(const TRect& Rc) {
    return std::to_string(Rc.Left) + "," + std::to_string(Rc.Top) + "," + std::to_string(Rc.Right) +
           "," + std::to_string(Rc.Bottom);
  }
  void TopLevelCreated(HWND, const String& Text) override { Lines.push_back("created " + Text); }
  void TopLevelPlaced(HWND, const TRect& Rc) override { Lines.push_back("placed " + R(Rc)); }
  void TopLevelShown(HWND, bool Visible) override { Lines.push_back(Visible ? "shown" : "hidden"); }
  void TopLevelTextChanged(HWND, const String& Text) override { Lines.push_back("text " + Text); }
  void TopLevelActivated(HWND H) override { Lines.push_back(H ? "activated" : "deactivated"); }
  void TopLevelDestroyed(HWND) override { Lines.push_back("destroyed"); }
  void SurfacePainted(HWND H, const TRect& Area) override { Painted.push_back({H, Area}); }
  void CursorChanged(HCURSOR C) override { Lines.push_back("cursor " + GetCursorName(C)); }
  void ClipboardOwnerChanged(HWND) override { Lines.push_back("clipboard owner"); }
  void ClipboardReading() override {
    Lines.push_back("clipboard reading");
    if (OnReading) OnReading();
  }
};

class WindowObserverTest : public WinTest {
 protected:
  void TearDown() override {
    SetWindowObserver(nullptr);
    WinTest::TearDown();
  }
  // A scenario that touches every observed change of a top-level window and
  // its child: made, shown, moved, sized, renamed, painted, clicked, typed
  // into, hidden, destroyed.
  // Answers the two windows' handles.
  std::pair<HWND, HWND> Scenario() {
    HWND Top = CreateWindowEx(0, "Rec", "Caption", WS_OVERLAPPEDWINDOW, 100, 50, 300, 200, nullptr,
                              nullptr, nullptr, nullptr);
    HWND Kid = MakeChild(Top, Bounds(10, 10, 100, 50));
    ShowWindow(Top, SW_SHOW);
    UpdateWindow(Top);
    SetWindowPos(Top, nullptr, 120, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(Top, nullptr, 0, 0, 320, 220, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowText(Top, "Größe");
    ProcessMessages();
    TPoint P{20, 20};
    Input.Click(Kid, P);
    Input.Type("ab");
    ShowWindow(Top, SW_HIDE);
    DestroyWindow(Top);
    ProcessMessages();
    return {Top, Kid};
  }
};

TEST_F(WindowObserverTest, WindowSystemSendsTheSameMessagesWithAnObserver) {
  const auto [Top1, Kid1] = Scenario();
  const std::pair<HWND, HWND> First{Top1, Kid1};
  std::vector<TRecorded> Without = Rec().Log;
  ASSERT_GT(Without.size(), 50u);

  ResetWindowSystem();
  Recorder() = TRecorder{};
  AdvanceTicks(10000);
  TObserverLog Log;
  SetWindowObserver(&Log);
  const auto [Top2, Kid2] = Scenario();
  const std::pair<HWND, HWND> Second{Top2, Kid2};
  std::vector<TRecorded> With = Rec().Log;
  // Handles are new in each run: each run's windows count as the same.
  auto Same = [&](std::uintptr_t A, std::uintptr_t B) {
    auto Of = [](std::uintptr_t V, std::pair<HWND, HWND> Run) -> std::uintptr_t {
      if (V == reinterpret_cast<std::uintptr_t>(Run.first)) return 1;
      if (V == reinterpret_cast<std::uintptr_t>(Run.second)) return 2;
      return V;
    };
    return Of(A, Second) == Of(B, First);
  };
  ASSERT_EQ(With.size(), Without.size());
  for (std::size_t I = 0; I < With.size(); ++I) {
    SCOPED_TRACE(I);
    EXPECT_EQ(With[I].Msg, Without[I].Msg);
    EXPECT_TRUE(Same(reinterpret_cast<std::uintptr_t>(With[I].Wnd),
                     reinterpret_cast<std::uintptr_t>(Without[I].Wnd)));
    if (With[I].Msg != WM_CREATE && With[I].Msg != WM_NCCREATE && With[I].Msg != WM_NCCALCSIZE &&
        With[I].Msg != WM_WINDOWPOSCHANGING && With[I].Msg != WM_WINDOWPOSCHANGED &&
        With[I].Msg != WM_GETMINMAXINFO && With[I].Msg != WM_SETTEXT && With[I].Msg != WM_GETTEXT &&
        With[I].Msg != WM_ERASEBKGND && With[I].Msg != WM_NCPAINT) {
      // Pointers differ between runs; everything else is the same.
      EXPECT_TRUE(Same(With[I].W, Without[I].W)) << std::hex << With[I].Msg;
      EXPECT_TRUE(Same(With[I].L, Without[I].L)) << std::hex << With[I].Msg;
    }
  }
}

TEST_F(WindowObserverTest, ObserverHearsTheLifeOfTopLevelWindowsOnly) {
  TObserverLog Log;
  SetWindowObserver(&Log);
  Scenario();
  std::vector<String> Expected = {"created Caption",
                                  "shown",
                                  "activated",
                                  "placed 120,60,420,260",
                                  "placed 120,60,440,280",
                                  "text Größe",
                                  "hidden",
                                  "deactivated",
                                  "destroyed"};
  std::vector<String> Got;
  for (const String& L : Log.Lines)
    if (L.rfind("cursor", 0) != 0) Got.push_back(L);
  EXPECT_EQ(Got, Expected) << "the child's own changes are not told";
}

TEST_F(WindowObserverTest, PaintingTellsTheAreaOfTheTopLevelSurface) {
  HWND Top = MakeTop(Bounds(200, 100, 300, 200));
  HWND Kid = MakeChild(Top, Bounds(40, 30, 100, 50));
  ProcessMessages();
  TObserverLog Log;
  SetWindowObserver(&Log);
  TRect Small = Bounds(5, 6, 20, 10);
  InvalidateRect(Kid, &Small, TRUE);
  ProcessMessages();
  ASSERT_FALSE(Log.Painted.empty());
  for (auto& [H, Area] : Log.Painted) {
    EXPECT_EQ(H, Top) << "a child paints on its top-level window's surface";
    EXPECT_EQ(Area, Bounds(45, 36, 20, 10)) << "only the invalid part, on the surface";
  }
  // Drawing outside the paint cycle counts too.
  Log.Painted.clear();
  HDC Dc = GetDC(Kid);
  ReleaseDC(Kid, Dc);
  ASSERT_EQ(Log.Painted.size(), 1u);
  EXPECT_EQ(Log.Painted[0].second, Bounds(40, 30, 100, 50));
}

TEST_F(WindowObserverTest, CursorAndClipboardChangesAreTold) {
  HWND Top = MakeTop(Bounds(0, 0, 200, 100));
  TObserverLog Log;
  SetWindowObserver(&Log);
  SetCursor(LoadCursor(nullptr, IDC_IBEAM));
  SetCursor(LoadCursor(nullptr, IDC_IBEAM));
  EXPECT_EQ(Log.Lines, std::vector<String>{"cursor IDC_IBEAM"}) << "a change, not every call";

  Log.Lines.clear();
  Clipboard()->SetAsText("x");
  EXPECT_EQ(Log.Lines, (std::vector<String>{"clipboard reading", "clipboard owner"}));
  Log.Lines.clear();
  ASSERT_TRUE(OpenClipboard(Top));
  IsClipboardFormatAvailable(CF_TEXT);
  EXPECT_EQ(Log.Lines, std::vector<String>{"clipboard reading"})
      << "asked while open: nothing can be brought in then";
  CloseClipboard();
}

TEST_F(WindowObserverTest, TextBroughtInWhileReadingIsWhatTheReaderGets) {
  TObserverLog Log;
  SetWindowObserver(&Log);
  Clipboard()->SetAsText("ours");
  bool Inside = false;
  Log.OnReading = [&] {
    if (Inside) return;  // the observer's own opening
    Inside = true;
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL H = GlobalAlloc(GMEM_MOVEABLE, 7);
    std::memcpy(GlobalLock(H), "theirs", 7);
    GlobalUnlock(H);
    SetClipboardData(CF_TEXT, H);
    CloseClipboard();
    Inside = false;
  };
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->GetAsText(), "theirs");
}

// The entries a real-time backend uses besides the observer.
TEST_F(WindowObserverTest, BackendEntriesPacketsCharactersAndTheNextTimer) {
  HWND Top = MakeTop(Bounds(0, 0, 200, 100));
  SetFocus(Top);
  Rec().Clear();
  Input.TypePacket(U'@');
  ASSERT_EQ(Rec().Of(Top, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}),
            (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  EXPECT_EQ(Rec().Last(Top, WM_CHAR).W, WPARAM(U'@')) << "the packet, not Shift+2";
  EXPECT_EQ(Rec().Count(Top, WM_KEYDOWN), 1);

  EXPECT_EQ(KeyCharacter('A', false, false, false, false), U'a');
  EXPECT_EQ(KeyCharacter('A', true, false, false, false), U'A');
  EXPECT_EQ(KeyCharacter('A', true, true, false, false), U'a');
  EXPECT_EQ(KeyCharacter('C', false, false, true, false), Char(3));
  EXPECT_EQ(KeyCharacter('C', false, false, true, true), Char(0)) << "Ctrl+Alt types nothing";
  EXPECT_EQ(KeyCharacter(VK_LEFT, false, false, false, false), Char(0));

  EXPECT_EQ(NextTimerDue(), UINT64_MAX);
  UInt64 Now = GetTickCount64();
  SetTimer(Top, 1, 250, nullptr);
  SetTimer(Top, 2, 100, nullptr);
  EXPECT_EQ(NextTimerDue(), Now + 100);
  KillTimer(Top, 2);
  EXPECT_EQ(NextTimerDue(), Now + 250);
}

}  // namespace
}  // namespace kvp::test
