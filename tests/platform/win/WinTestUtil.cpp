#include "WinTestUtil.h"

#include "platform/graphics/Colors.h"
#include "platform/rtl/Clock.h"

namespace kvp::test {

TRecorder& Recorder() {
  static TRecorder R;
  return R;
}

std::vector<UINT> TRecorder::Of(HWND Wnd, std::initializer_list<UINT> Only) const {
  std::vector<UINT> Out;
  for (const TRecorded& R : Log)
    if ((!Wnd || R.Wnd == Wnd) && std::find(Only.begin(), Only.end(), R.Msg) != Only.end())
      Out.push_back(R.Msg);
  return Out;
}

std::vector<UINT> TRecorder::All(HWND Wnd) const {
  std::vector<UINT> Out;
  for (const TRecorded& R : Log)
    if (R.Wnd == Wnd) Out.push_back(R.Msg);
  return Out;
}

TRecorded TRecorder::Last(HWND Wnd, UINT Msg) const {
  for (auto It = Log.rbegin(); It != Log.rend(); ++It)
    if (It->Wnd == Wnd && It->Msg == Msg) return *It;
  ADD_FAILURE() << "message 0x" << std::hex << Msg << " not received";
  return {};
}

Integer TRecorder::Count(HWND Wnd, UINT Msg) const {
  Integer N = 0;
  for (const TRecorded& R : Log)
    if (R.Wnd == Wnd && R.Msg == Msg) ++N;
  return N;
}

LRESULT RecordingProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  TRecorder& R = Recorder();
  R.Log.push_back({Wnd, Msg, W, L});
  if (R.Answer)
    if (std::optional<LRESULT> A = R.Answer(Wnd, Msg, W, L)) return *A;
  return DefWindowProc(Wnd, Msg, W, L);
}

void RegisterRecordingClasses() {
  for (const char* Name : {"Rec", "RecNoDbl"}) {
    WNDCLASS C;
    if (GetClassInfo(nullptr, Name, &C)) continue;  // classes outlive ResetWindowSystem
    C = WNDCLASS{};
    C.style = std::string_view(Name) == "Rec" ? CS_DBLCLKS : 0;
    C.lpfnWndProc = RecordingProc;
    C.hCursor = LoadCursor(nullptr, IDC_ARROW);
    C.hbrBackground = reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_WINDOW + 1));
    C.lpszClassName = Name;
    ASSERT_NE(RegisterClass(&C), 0);
  }
}

void WinTest::SetUp() {
  ResetWindowSystem();
  Recorder() = TRecorder{};
  AdvanceTicks(10000);  // far from any earlier click
  RegisterRecordingClasses();
}

void WinTest::TearDown() {
  Recorder().Answer = nullptr;
  ResetWindowSystem();
  Recorder() = TRecorder{};
}

HWND WinTest::MakeTop(TRect R, DWORD Style, DWORD ExStyle, const char* Class) {
  HWND H = CreateWindowEx(ExStyle, Class, "top", Style, R.Left, R.Top, R.Width(), R.Height(),
                          nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(H);
  return H;
}

HWND WinTest::MakeChild(HWND Parent, TRect R, DWORD Style, DWORD ExStyle, const char* Class) {
  HWND H = CreateWindowEx(ExStyle, Class, "child", Style, R.Left, R.Top, R.Width(), R.Height(),
                          Parent, nullptr, nullptr, nullptr);
  EXPECT_TRUE(H);
  return H;
}

}  // namespace kvp::test
