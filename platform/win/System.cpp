// System metrics and parameters, monitors and work areas, the beep count, the
// version, and the input-method stand-ins.
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/graphics/Gdi.h"
#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

namespace {

constexpr UINT DefaultDoubleClickTime = 500;

struct TSystemState {
  std::map<Integer, Integer> Overrides;  // metrics set by tests
  UINT DoubleClickTime = DefaultDoubleClickTime;
  std::vector<TMonitorSetup> Monitors{{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 994)}};
  Integer Beeps = 0;
  HKL KeyboardLayout = reinterpret_cast<HKL>(std::uintptr_t(0x04090409));  // the active one
};

TSystemState& Sys() {
  static TSystemState S;
  return S;
}

const TMonitorSetup& Primary() { return Sys().Monitors.front(); }

TRect VirtualScreen() {
  TRect U = Primary().Monitor;
  for (const TMonitorSetup& M : Sys().Monitors) UnionRect(U, U, M.Monitor);
  return U;
}

// The classic metrics of a 96-dpi display.
Integer DefaultMetric(Integer Index) {
  switch (Index) {
    case SM_CXSCREEN:
      return Primary().Monitor.Width();
    case SM_CYSCREEN:
      return Primary().Monitor.Height();
    case SM_CXFULLSCREEN:
      return Primary().Work.Width();
    case SM_CYFULLSCREEN:
      return Primary().Work.Height() - GetSystemMetrics(SM_CYCAPTION);
    case SM_XVIRTUALSCREEN:
      return VirtualScreen().Left;
    case SM_YVIRTUALSCREEN:
      return VirtualScreen().Top;
    case SM_CXVIRTUALSCREEN:
      return VirtualScreen().Width();
    case SM_CYVIRTUALSCREEN:
      return VirtualScreen().Height();
    case SM_CMONITORS:
      return Integer(Sys().Monitors.size());
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYCAPTION:
    case SM_CYMENU:
      return 19;
    case SM_CYSMCAPTION:
      return 15;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER:
      return 1;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return 4;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return 18;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING:
      return 75;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return 13;
    case SM_CMOUSEBUTTONS:
      return 3;
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_SAMEDISPLAYFORMAT:
      return 1;
    default:
      return 0;  // SM_SWAPBUTTON, SM_DBCSENABLED, SM_IMMENABLED, SM_DEBUG ...
  }
}

HMONITOR MonitorHandle(std::size_t Index) {
  return reinterpret_cast<HMONITOR>(std::uintptr_t(0x20000 + Index));
}

const TMonitorSetup* MonitorOf(HMONITOR H) {
  std::uintptr_t V = reinterpret_cast<std::uintptr_t>(H);
  if (V < 0x20000 || V - 0x20000 >= Sys().Monitors.size()) return nullptr;
  return &Sys().Monitors[V - 0x20000];
}

Int64 DistanceSq(const TRect& R, TPoint P) {
  Int64 DX = P.X < R.Left ? R.Left - P.X : P.X >= R.Right ? P.X - R.Right + 1 : 0;
  Int64 DY = P.Y < R.Top ? R.Top - P.Y : P.Y >= R.Bottom ? P.Y - R.Bottom + 1 : 0;
  return DX * DX + DY * DY;
}

}  // namespace

namespace winimpl {

void ResetMetrics() {
  Sys() = TSystemState{};
  RefreshDesktopRect();
}

}  // namespace winimpl

// ---- Metrics and parameters ------------------------------------------------

Integer GetSystemMetrics(Integer Index) {
  auto It = Sys().Overrides.find(Index);
  return It != Sys().Overrides.end() ? It->second : DefaultMetric(Index);
}

void SetSystemMetric(Integer Index, Integer Value) {
  Sys().Overrides[Index] = Value;
  RefreshDesktopRect();
}

UINT GetDoubleClickTime() { return Sys().DoubleClickTime; }

BOOL SetDoubleClickTime(UINT Ms) {
  Sys().DoubleClickTime = Ms ? Ms : DefaultDoubleClickTime;
  return TRUE;
}

BOOL SystemParametersInfo(UINT Action, UINT, void* PvParam, UINT) {
  auto PutInt = [PvParam](Integer V) {
    if (PvParam) *static_cast<Integer*>(PvParam) = V;
    return PvParam ? TRUE : FALSE;
  };
  switch (Action) {
    case SPI_GETWORKAREA:
      if (!PvParam) return FALSE;
      *static_cast<TRect*>(PvParam) = Primary().Work;
      return TRUE;
    case SPI_SETWORKAREA:
      if (!PvParam) return FALSE;
      Sys().Monitors.front().Work = *static_cast<const TRect*>(PvParam);
      return TRUE;
    case SPI_GETWHEELSCROLLLINES:
      return PutInt(3);
    case SPI_GETKEYBOARDDELAY:
      return PutInt(1);
    case SPI_GETKEYBOARDSPEED:
      return PutInt(31);
    case SPI_GETDRAGFULLWINDOWS:
      return PutInt(TRUE);
    case SPI_GETBEEP:
      return PutInt(TRUE);
    case SPI_GETKEYBOARDCUES:
      return PutInt(TRUE);
    case SPI_GETMENUANIMATION:
    case SPI_GETCOMBOBOXANIMATION:
    case SPI_GETLISTBOXSMOOTHSCROLLING:
    case SPI_GETGRADIENTCAPTIONS:
    case SPI_GETHOTTRACKING:
    case SPI_GETMENUFADE:
    case SPI_GETSELECTIONFADE:
    case SPI_GETTOOLTIPANIMATION:
    case SPI_GETTOOLTIPFADE:
    case SPI_GETCURSORSHADOW:
    case SPI_GETFLATMENU:
    case SPI_GETDROPSHADOW:
      return PutInt(FALSE);
    default:
      return FALSE;
  }
}

// ---- Monitors ------------------------------------------------------------------

void SetMonitors(const std::vector<TMonitorSetup>& Monitors) {
  if (Monitors.empty()) throw EInvalidArgument("SetMonitors: at least one monitor is needed");
  Sys().Monitors = Monitors;
  RefreshDesktopRect();
}

HMONITOR MonitorFromPoint(TPoint P, DWORD Flags) {
  const auto& L = Sys().Monitors;
  for (std::size_t I = 0; I < L.size(); ++I)
    if (PtInRect(L[I].Monitor, P)) return MonitorHandle(I);
  if (Flags == MONITOR_DEFAULTTONULL) return nullptr;
  if (Flags == MONITOR_DEFAULTTOPRIMARY) return MonitorHandle(0);
  std::size_t Best = 0;
  for (std::size_t I = 1; I < L.size(); ++I)
    if (DistanceSq(L[I].Monitor, P) < DistanceSq(L[Best].Monitor, P)) Best = I;
  return MonitorHandle(Best);
}

// The monitor sharing the largest area with R; with none shared, as the flags say.
HMONITOR MonitorFromRect(const TRect* R, DWORD Flags) {
  if (!R) return nullptr;
  const auto& L = Sys().Monitors;
  Int64 BestArea = 0;
  std::size_t Best = 0;
  for (std::size_t I = 0; I < L.size(); ++I) {
    TRect Common;
    if (!IntersectRect(Common, L[I].Monitor, *R)) continue;
    Int64 Area = Int64(Common.Width()) * Common.Height();
    if (Area > BestArea) {
      BestArea = Area;
      Best = I;
    }
  }
  if (BestArea > 0) return MonitorHandle(Best);
  TPoint Centre = Point(R->Left + R->Width() / 2, R->Top + R->Height() / 2);
  return MonitorFromPoint(Centre, Flags);
}

HMONITOR MonitorFromWindow(HWND Wnd, DWORD Flags) {
  TRect R;
  if (!GetWindowRect(Wnd, &R)) return Flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorHandle(0);
  return MonitorFromRect(&R, Flags);
}

BOOL GetMonitorInfo(HMONITOR Monitor, MONITORINFO* Info) {
  const TMonitorSetup* M = MonitorOf(Monitor);
  if (!M || !Info) return FALSE;
  Info->rcMonitor = M->Monitor;
  Info->rcWork = M->Work;
  Info->dwFlags = M == &Sys().Monitors.front() ? MONITORINFOF_PRIMARY : 0;
  return TRUE;
}

BOOL EnumDisplayMonitors(HDC, const TRect* Clip, MONITORENUMPROC Proc, LPARAM Data) {
  if (!Proc) return FALSE;
  const auto Monitors = Sys().Monitors;  // the callback may change them
  for (std::size_t I = 0; I < Monitors.size(); ++I) {
    TRect R = Monitors[I].Monitor;
    if (Clip && !IntersectRect(R, R, *Clip)) continue;
    if (!Proc(MonitorHandle(I), nullptr, &R, Data)) break;
  }
  return TRUE;
}

// ---- Beeps ------------------------------------------------------------------------

BOOL MessageBeep(UINT) {
  ++Sys().Beeps;
  return TRUE;
}

Integer GetMessageBeepCount() { return Sys().Beeps; }
void ResetMessageBeepCount() { Sys().Beeps = 0; }

// ---- Version and input methods ------------------------------------------------------

DWORD GetVersion() {
  return DWORD(Win32MajorVersion) | (DWORD(Win32MinorVersion) << 8) | (2600u << 16);
}

BOOL GetVersionEx(OSVERSIONINFO* Info) {
  if (!Info) return FALSE;
  Info->dwMajorVersion = DWORD(Win32MajorVersion);
  Info->dwMinorVersion = DWORD(Win32MinorVersion);
  Info->dwBuildNumber = 2600;
  Info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::strcpy(Info->szCSDVersion, "Service Pack 3");
  return TRUE;
}

HIMC ImmGetContext(HWND) { return nullptr; }
BOOL ImmReleaseContext(HWND, HIMC) { return TRUE; }
BOOL ImmSetCompositionWindow(HIMC Imc, const COMPOSITIONFORM*) { return Imc ? TRUE : FALSE; }
BOOL ImmSetCompositionFont(HIMC Imc, const void*) { return Imc ? TRUE : FALSE; }
BOOL ImmIsIME(HKL) { return FALSE; }
HKL GetKeyboardLayout(DWORD) { return Sys().KeyboardLayout; }

HKL ActivateKeyboardLayout(HKL Layout, UINT /*Flags*/) {
  if (!Layout) return nullptr;
  const HKL Previous = Sys().KeyboardLayout;
  Sys().KeyboardLayout = Layout;
  return Previous;
}

}  // namespace kvp
