// What the system tells about itself: metrics, parameters, monitors and their
// work areas, the keyboard state table, the beep count, the version, and the
// stand-ins for input methods and far-east locales. Tests may change the
// metrics, the double-click time and the monitors.
//
// The default screen is one monitor of 1280 x 1024 whose work area leaves out
// a 30-pixel task bar at the bottom (0, 0, 1280, 994). The system reports
// itself as NT 5.1.
#pragma once

#include <vector>

#include "platform/win/Messages.h"

namespace kvp {

// ---- Metrics and parameters ------------------------------------------------
Integer GetSystemMetrics(Integer Index);
// Tests: sets one metric until ResetWindowSystem.
void SetSystemMetric(Integer Index, Integer Value);
UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT Ms);  // 0 restores 500
BOOL SystemParametersInfo(UINT Action, UINT UiParam, void* PvParam, UINT WinIni);

// ---- Monitors -------------------------------------------------------------------
struct TMonitorSetup {
  TRect Monitor;  // screen coordinates
  TRect Work;     // the part not taken by task bars
};
// Tests: replaces the monitors; the first one is the primary (it should have
// (0, 0) as its top-left corner).
void SetMonitors(const std::vector<TMonitorSetup>& Monitors);
HMONITOR MonitorFromPoint(TPoint P, DWORD Flags);
HMONITOR MonitorFromRect(const TRect* R, DWORD Flags);
HMONITOR MonitorFromWindow(HWND Wnd, DWORD Flags);
BOOL GetMonitorInfo(HMONITOR Monitor, MONITORINFO* Info);
using MONITORENUMPROC = BOOL (*)(HMONITOR, HDC, TRect*, LPARAM);
BOOL EnumDisplayMonitors(HDC Dc, const TRect* Clip, MONITORENUMPROC Proc, LPARAM Data);

// ---- The keyboard state table ---------------------------------------------------
// Bit 15: down; bit 0: toggled. As of the input message last taken from the queue.
std::int16_t GetKeyState(Integer VirtKey);
// As the input driver has left the keys, whatever the queue holds.
std::int16_t GetAsyncKeyState(Integer VirtKey);
BOOL GetKeyboardState(Byte* KeyState);  // 256 bytes: 0x80 down, 0x01 toggled
BOOL SetKeyboardState(const Byte* KeyState);

// ---- Beeps ----------------------------------------------------------------------
BOOL MessageBeep(UINT Type);
// Tests: the number of beeps since the last reset.
Integer GetMessageBeepCount();
void ResetMessageBeepCount();

// ---- Version, input methods, locale ---------------------------------------------
DWORD GetVersion();
BOOL GetVersionEx(OSVERSIONINFO* Info);
inline constexpr Integer Win32Platform = Integer(VER_PLATFORM_WIN32_NT);
inline constexpr Integer Win32MajorVersion = 5;
inline constexpr Integer Win32MinorVersion = 1;

HIMC ImmGetContext(HWND Wnd);  // always null: there are no input methods
BOOL ImmReleaseContext(HWND Wnd, HIMC Imc);
BOOL ImmSetCompositionWindow(HIMC Imc, const COMPOSITIONFORM* Form);
BOOL ImmSetCompositionFont(HIMC Imc, const void* LogFont);
BOOL ImmIsIME(HKL Layout);
// The keyboard layout of the input: one for the whole system, US English
// until a layout is activated (resetting the window system brings it back).
HKL GetKeyboardLayout(DWORD ThreadId);
inline constexpr UINT KLF_ACTIVATE = 0x00000001;
// Makes Layout the active one and answers the one it replaces; null for a
// null layout.
HKL ActivateKeyboardLayout(HKL Layout, UINT Flags);

struct TSysLocale {
  Integer DefaultLCID = 0x0409;
  Integer PriLangID = 0x09;
  Integer SubLangID = 0x01;
  bool FarEast = false;
  bool MiddleEast = false;  // right-to-left reading is offered; tests may switch it on
};
inline TSysLocale SysLocale{};

// There is no double-byte character set: no byte leads a two-byte character.
inline BOOL IsDBCSLeadByte(BYTE /*TestChar*/) { return FALSE; }

}  // namespace kvp
