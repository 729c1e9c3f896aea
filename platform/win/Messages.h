// Numbers of the window system: messages, window and class styles, the flags
// of the window, scroll-bar, painting and activation calls, hit-test codes,
// system-metric and parameter indexes, cursor names and clipboard formats, and
// the records that travel with messages (CREATESTRUCT, WINDOWPOS, ...). Plain
// data only; the calls that use them are declared in Windows.h.
#pragma once

#include "platform/rtl/Types.h"

namespace kvp {

using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using UINT_PTR = std::uintptr_t;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// ---------------------------------------------------------------------------
// Window messages
inline constexpr UINT WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003,
                      WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007,
                      WM_KILLFOCUS = 0x0008, WM_ENABLE = 0x000A, WM_SETREDRAW = 0x000B,
                      WM_SETTEXT = 0x000C, WM_GETTEXT = 0x000D, WM_GETTEXTLENGTH = 0x000E,
                      WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_QUIT = 0x0012,
                      WM_ERASEBKGND = 0x0014, WM_SYSCOLORCHANGE = 0x0015, WM_SHOWWINDOW = 0x0018,
                      WM_SETTINGCHANGE = 0x001A, WM_ACTIVATEAPP = 0x001C, WM_CANCELMODE = 0x001F,
                      WM_SETCURSOR = 0x0020, WM_MOUSEACTIVATE = 0x0021, WM_GETMINMAXINFO = 0x0024,
                      WM_DRAWITEM = 0x002B, WM_MEASUREITEM = 0x002C, WM_DELETEITEM = 0x002D,
                      WM_SETFONT = 0x0030, WM_GETFONT = 0x0031, WM_WINDOWPOSCHANGING = 0x0046,
                      WM_WINDOWPOSCHANGED = 0x0047, WM_NOTIFY = 0x004E, WM_CONTEXTMENU = 0x007B,
                      WM_STYLECHANGING = 0x007C, WM_STYLECHANGED = 0x007D, WM_GETICON = 0x007F,
                      WM_NCCREATE = 0x0081, WM_NCDESTROY = 0x0082, WM_NCCALCSIZE = 0x0083,
                      WM_NCHITTEST = 0x0084, WM_NCPAINT = 0x0085, WM_NCACTIVATE = 0x0086,
                      WM_GETDLGCODE = 0x0087, WM_NCMOUSEMOVE = 0x00A0, WM_NCLBUTTONDOWN = 0x00A1,
                      WM_NCLBUTTONUP = 0x00A2, WM_NCLBUTTONDBLCLK = 0x00A3,
                      WM_NCRBUTTONDOWN = 0x00A4, WM_NCRBUTTONUP = 0x00A5,
                      WM_NCRBUTTONDBLCLK = 0x00A6, WM_NCMBUTTONDOWN = 0x00A7,
                      WM_NCMBUTTONUP = 0x00A8, WM_NCMBUTTONDBLCLK = 0x00A9, WM_KEYFIRST = 0x0100,
                      WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101, WM_CHAR = 0x0102,
                      WM_DEADCHAR = 0x0103, WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105,
                      WM_SYSCHAR = 0x0106, WM_SYSDEADCHAR = 0x0107, WM_KEYLAST = 0x0108,
                      WM_IME_STARTCOMPOSITION = 0x010D, WM_IME_ENDCOMPOSITION = 0x010E,
                      WM_IME_COMPOSITION = 0x010F, WM_INITDIALOG = 0x0110, WM_COMMAND = 0x0111,
                      WM_SYSCOMMAND = 0x0112, WM_TIMER = 0x0113, WM_HSCROLL = 0x0114,
                      WM_VSCROLL = 0x0115, WM_INITMENU = 0x0116, WM_INITMENUPOPUP = 0x0117,
                      WM_MENUSELECT = 0x011F, WM_MENUCHAR = 0x0120, WM_ENTERIDLE = 0x0121,
                      WM_CTLCOLORMSGBOX = 0x0132, WM_CTLCOLOREDIT = 0x0133,
                      WM_CTLCOLORLISTBOX = 0x0134, WM_CTLCOLORBTN = 0x0135, WM_CTLCOLORDLG = 0x0136,
                      WM_CTLCOLORSCROLLBAR = 0x0137, WM_CTLCOLORSTATIC = 0x0138,
                      WM_MOUSEFIRST = 0x0200, WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201,
                      WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203, WM_RBUTTONDOWN = 0x0204,
                      WM_RBUTTONUP = 0x0205, WM_RBUTTONDBLCLK = 0x0206, WM_MBUTTONDOWN = 0x0207,
                      WM_MBUTTONUP = 0x0208, WM_MBUTTONDBLCLK = 0x0209, WM_MOUSEWHEEL = 0x020A,
                      WM_MOUSELAST = 0x020A, WM_PARENTNOTIFY = 0x0210, WM_ENTERMENULOOP = 0x0211,
                      WM_EXITMENULOOP = 0x0212, WM_CAPTURECHANGED = 0x0215,
                      WM_ENTERSIZEMOVE = 0x0231, WM_EXITSIZEMOVE = 0x0232,
                      WM_IME_SETCONTEXT = 0x0281, WM_IME_NOTIFY = 0x0282, WM_MOUSEHOVER = 0x02A1,
                      WM_MOUSELEAVE = 0x02A3, WM_CUT = 0x0300, WM_COPY = 0x0301, WM_PASTE = 0x0302,
                      WM_CLEAR = 0x0303, WM_UNDO = 0x0304, WM_PRINT = 0x0317,
                      WM_PRINTCLIENT = 0x0318, WM_USER = 0x0400, WM_APP = 0x8000;

// ---------------------------------------------------------------------------
// Window styles
inline constexpr DWORD WS_OVERLAPPED = 0x00000000, WS_POPUP = 0x80000000, WS_CHILD = 0x40000000,
                       WS_MINIMIZE = 0x20000000, WS_VISIBLE = 0x10000000, WS_DISABLED = 0x08000000,
                       WS_CLIPSIBLINGS = 0x04000000, WS_CLIPCHILDREN = 0x02000000,
                       WS_MAXIMIZE = 0x01000000, WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000,
                       WS_DLGFRAME = 0x00400000, WS_VSCROLL = 0x00200000, WS_HSCROLL = 0x00100000,
                       WS_SYSMENU = 0x00080000, WS_THICKFRAME = 0x00040000, WS_GROUP = 0x00020000,
                       WS_TABSTOP = 0x00010000, WS_MINIMIZEBOX = 0x00020000,
                       WS_MAXIMIZEBOX = 0x00010000, WS_SIZEBOX = WS_THICKFRAME,
                       WS_CHILDWINDOW = WS_CHILD,
                       WS_OVERLAPPEDWINDOW = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU |
                                             WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                       WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;

inline constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001, WS_EX_NOPARENTNOTIFY = 0x00000004,
                       WS_EX_TOPMOST = 0x00000008, WS_EX_ACCEPTFILES = 0x00000010,
                       WS_EX_TRANSPARENT = 0x00000020, WS_EX_MDICHILD = 0x00000040,
                       WS_EX_TOOLWINDOW = 0x00000080, WS_EX_WINDOWEDGE = 0x00000100,
                       WS_EX_CLIENTEDGE = 0x00000200, WS_EX_CONTEXTHELP = 0x00000400,
                       WS_EX_RIGHT = 0x00001000, WS_EX_LEFT = 0x00000000,
                       WS_EX_RTLREADING = 0x00002000, WS_EX_LTRREADING = 0x00000000,
                       WS_EX_LEFTSCROLLBAR = 0x00004000, WS_EX_RIGHTSCROLLBAR = 0x00000000,
                       WS_EX_CONTROLPARENT = 0x00010000, WS_EX_STATICEDGE = 0x00020000,
                       WS_EX_APPWINDOW = 0x00040000, WS_EX_LAYERED = 0x00080000,
                       WS_EX_NOINHERITLAYOUT = 0x00100000, WS_EX_LAYOUTRTL = 0x00400000,
                       WS_EX_NOACTIVATE = 0x08000000,
                       WS_EX_OVERLAPPEDWINDOW = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;

// Class styles
inline constexpr UINT CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002, CS_DBLCLKS = 0x0008,
                      CS_OWNDC = 0x0020, CS_CLASSDC = 0x0040, CS_PARENTDC = 0x0080,
                      CS_NOCLOSE = 0x0200, CS_SAVEBITS = 0x0800, CS_BYTEALIGNCLIENT = 0x1000,
                      CS_BYTEALIGNWINDOW = 0x2000, CS_GLOBALCLASS = 0x4000,
                      CS_DROPSHADOW = 0x00020000;

// CreateWindowEx: let the system choose a position or size.
inline constexpr Integer CW_USEDEFAULT = Integer(0x80000000);

// ---------------------------------------------------------------------------
// GetWindowLongPtr / SetWindowLongPtr, GetClassLongPtr
inline constexpr Integer GWLP_WNDPROC = -4, GWLP_HINSTANCE = -6, GWLP_HWNDPARENT = -8,
                         GWLP_ID = -12, GWL_STYLE = -16, GWL_EXSTYLE = -20, GWLP_USERDATA = -21;
inline constexpr Integer GCLP_HCURSOR = -12, GCLP_HBRBACKGROUND = -10, GCLP_WNDPROC = -24,
                         GCL_STYLE = -26;

// GetWindow, GetAncestor
inline constexpr UINT GW_HWNDFIRST = 0, GW_HWNDLAST = 1, GW_HWNDNEXT = 2, GW_HWNDPREV = 3,
                      GW_OWNER = 4, GW_CHILD = 5, GW_ENABLEDPOPUP = 6;
inline constexpr UINT GA_PARENT = 1, GA_ROOT = 2, GA_ROOTOWNER = 3;

// ChildWindowFromPointEx
inline constexpr UINT CWP_ALL = 0x0000, CWP_SKIPINVISIBLE = 0x0001, CWP_SKIPDISABLED = 0x0002,
                      CWP_SKIPTRANSPARENT = 0x0004;

// ---------------------------------------------------------------------------
// SetWindowPos and WM_WINDOWPOSCHANGING / WM_WINDOWPOSCHANGED
inline constexpr UINT SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004,
                      SWP_NOREDRAW = 0x0008, SWP_NOACTIVATE = 0x0010, SWP_FRAMECHANGED = 0x0020,
                      SWP_SHOWWINDOW = 0x0040, SWP_HIDEWINDOW = 0x0080, SWP_NOCOPYBITS = 0x0100,
                      SWP_NOOWNERZORDER = 0x0200, SWP_NOSENDCHANGING = 0x0400,
                      SWP_DRAWFRAME = SWP_FRAMECHANGED, SWP_NOREPOSITION = SWP_NOOWNERZORDER,
                      SWP_DEFERERASE = 0x2000, SWP_ASYNCWINDOWPOS = 0x4000;
// Set by the system in WM_WINDOWPOSCHANGED when the client area kept its size
// or its place; DefWindowProc sends WM_SIZE and WM_MOVE only without them.
inline constexpr UINT SWP_NOCLIENTSIZE = 0x0800, SWP_NOCLIENTMOVE = 0x1000;

inline const HWND HWND_TOP = reinterpret_cast<HWND>(0);
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);
inline const HWND HWND_MESSAGE = reinterpret_cast<HWND>(-3);

// ShowWindow
inline constexpr Integer SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_NORMAL = 1, SW_SHOWMINIMIZED = 2,
                         SW_SHOWMAXIMIZED = 3, SW_MAXIMIZE = 3, SW_SHOWNOACTIVATE = 4, SW_SHOW = 5,
                         SW_MINIMIZE = 6, SW_SHOWMINNOACTIVE = 7, SW_SHOWNA = 8, SW_RESTORE = 9,
                         SW_SHOWDEFAULT = 10;
// WM_SHOWWINDOW lParam
inline constexpr LPARAM SW_PARENTCLOSING = 1, SW_OTHERZOOM = 2, SW_PARENTOPENING = 3,
                        SW_OTHERUNZOOM = 4;
// WM_SIZE wParam
inline constexpr WPARAM SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2, SIZE_MAXSHOW = 3,
                        SIZE_MAXHIDE = 4;

// WM_NCCALCSIZE answers
inline constexpr LRESULT WVR_ALIGNTOP = 0x0010, WVR_ALIGNLEFT = 0x0020, WVR_ALIGNBOTTOM = 0x0040,
                         WVR_ALIGNRIGHT = 0x0080, WVR_HREDRAW = 0x0100, WVR_VREDRAW = 0x0200,
                         WVR_VALIDRECTS = 0x0400, WVR_REDRAW = WVR_HREDRAW | WVR_VREDRAW;

// ---------------------------------------------------------------------------
// Hit-test codes (WM_NCHITTEST)
inline constexpr LRESULT HTERROR = -2, HTTRANSPARENT = -1, HTNOWHERE = 0, HTCLIENT = 1,
                         HTCAPTION = 2, HTSYSMENU = 3, HTGROWBOX = 4, HTSIZE = HTGROWBOX,
                         HTMENU = 5, HTHSCROLL = 6, HTVSCROLL = 7, HTMINBUTTON = 8, HTMAXBUTTON = 9,
                         HTLEFT = 10, HTRIGHT = 11, HTTOP = 12, HTTOPLEFT = 13, HTTOPRIGHT = 14,
                         HTBOTTOM = 15, HTBOTTOMLEFT = 16, HTBOTTOMRIGHT = 17, HTBORDER = 18,
                         HTCLOSE = 20, HTHELP = 21;

// WM_MOUSEACTIVATE answers
inline constexpr LRESULT MA_ACTIVATE = 1, MA_ACTIVATEANDEAT = 2, MA_NOACTIVATE = 3,
                         MA_NOACTIVATEANDEAT = 4;

// WM_ACTIVATE wParam (low word)
inline constexpr WORD WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2;

// Key flags of mouse messages
inline constexpr WPARAM MK_LBUTTON = 0x0001, MK_RBUTTON = 0x0002, MK_SHIFT = 0x0004,
                        MK_CONTROL = 0x0008, MK_MBUTTON = 0x0010;
inline constexpr Integer WHEEL_DELTA = 120;

// WM_PARENTNOTIFY, WM_SYSCOMMAND
inline constexpr WPARAM SC_SIZE = 0xF000, SC_MOVE = 0xF010, SC_MINIMIZE = 0xF020,
                        SC_MAXIMIZE = 0xF030, SC_CLOSE = 0xF060, SC_VSCROLL = 0xF070,
                        SC_HSCROLL = 0xF080, SC_KEYMENU = 0xF100, SC_RESTORE = 0xF120;

// WM_GETDLGCODE answers
inline constexpr LRESULT DLGC_WANTARROWS = 0x0001, DLGC_WANTTAB = 0x0002, DLGC_WANTALLKEYS = 0x0004,
                         DLGC_WANTMESSAGE = 0x0004, DLGC_HASSETSEL = 0x0008,
                         DLGC_DEFPUSHBUTTON = 0x0010, DLGC_UNDEFPUSHBUTTON = 0x0020,
                         DLGC_RADIOBUTTON = 0x0040, DLGC_WANTCHARS = 0x0080, DLGC_STATIC = 0x0100,
                         DLGC_BUTTON = 0x2000;

// ---------------------------------------------------------------------------
// Scroll bars
inline constexpr Integer SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3;
// Messages of a scroll-bar control; the scroll-bar routines send them for SB_CTL.
inline constexpr UINT SBM_SETPOS = 0x00E0, SBM_GETPOS = 0x00E1, SBM_SETRANGE = 0x00E2,
                      SBM_GETRANGE = 0x00E3, SBM_ENABLE_ARROWS = 0x00E4,
                      SBM_SETRANGEREDRAW = 0x00E6, SBM_SETSCROLLINFO = 0x00E9,
                      SBM_GETSCROLLINFO = 0x00EA;
inline constexpr WORD SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1,
                      SB_PAGEUP = 2, SB_PAGELEFT = 2, SB_PAGEDOWN = 3, SB_PAGERIGHT = 3,
                      SB_THUMBPOSITION = 4, SB_THUMBTRACK = 5, SB_TOP = 6, SB_LEFT = 6,
                      SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8;
inline constexpr UINT SIF_RANGE = 0x0001, SIF_PAGE = 0x0002, SIF_POS = 0x0004,
                      SIF_DISABLENOSCROLL = 0x0008, SIF_TRACKPOS = 0x0010,
                      SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
inline constexpr UINT ESB_ENABLE_BOTH = 0x0000, ESB_DISABLE_BOTH = 0x0003,
                      ESB_DISABLE_LEFT = 0x0001, ESB_DISABLE_RIGHT = 0x0002,
                      ESB_DISABLE_UP = 0x0001, ESB_DISABLE_DOWN = 0x0002,
                      ESB_DISABLE_LTUP = ESB_DISABLE_LEFT, ESB_DISABLE_RTDN = ESB_DISABLE_RIGHT;

// ScrollWindowEx
inline constexpr UINT SW_SCROLLCHILDREN = 0x0001, SW_INVALIDATE = 0x0002, SW_ERASE = 0x0004;

// ---------------------------------------------------------------------------
// Painting
inline constexpr UINT RDW_INVALIDATE = 0x0001, RDW_INTERNALPAINT = 0x0002, RDW_ERASE = 0x0004,
                      RDW_VALIDATE = 0x0008, RDW_NOINTERNALPAINT = 0x0010, RDW_NOERASE = 0x0020,
                      RDW_NOCHILDREN = 0x0040, RDW_ALLCHILDREN = 0x0080, RDW_UPDATENOW = 0x0100,
                      RDW_ERASENOW = 0x0200, RDW_FRAME = 0x0400, RDW_NOFRAME = 0x0800;
// GetDCEx
inline constexpr DWORD DCX_WINDOW = 0x0001, DCX_CACHE = 0x0002, DCX_NORESETATTRS = 0x0004,
                       DCX_CLIPCHILDREN = 0x0008, DCX_CLIPSIBLINGS = 0x0010,
                       DCX_PARENTCLIP = 0x0020, DCX_EXCLUDERGN = 0x0040, DCX_INTERSECTRGN = 0x0080,
                       DCX_LOCKWINDOWUPDATE = 0x0400, DCX_VALIDATE = 0x00200000;
// WM_PRINT / WM_PRINTCLIENT lParam
inline constexpr LPARAM PRF_CHECKVISIBLE = 0x0001, PRF_NONCLIENT = 0x0002, PRF_CLIENT = 0x0004,
                        PRF_ERASEBKGND = 0x0008, PRF_CHILDREN = 0x0010, PRF_OWNED = 0x0020;

// ---------------------------------------------------------------------------
// The message queue
inline constexpr UINT PM_NOREMOVE = 0x0000, PM_REMOVE = 0x0001, PM_NOYIELD = 0x0002;
inline constexpr UINT QS_KEY = 0x0001, QS_MOUSEMOVE = 0x0002, QS_MOUSEBUTTON = 0x0004,
                      QS_POSTMESSAGE = 0x0008, QS_TIMER = 0x0010, QS_PAINT = 0x0020,
                      QS_SENDMESSAGE = 0x0040, QS_MOUSE = QS_MOUSEMOVE | QS_MOUSEBUTTON,
                      QS_INPUT = QS_MOUSE | QS_KEY,
                      QS_ALLEVENTS = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT,
                      QS_ALLINPUT = QS_ALLEVENTS | QS_SENDMESSAGE;
inline const HWND HWND_BROADCAST = reinterpret_cast<HWND>(0xFFFF);

// Timers: intervals are raised to the minimum and cut to the maximum.
inline constexpr UINT USER_TIMER_MINIMUM = 10, USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// MessageBeep
inline constexpr UINT MB_OK = 0x0000, MB_ICONHAND = 0x0010, MB_ICONQUESTION = 0x0020,
                      MB_ICONEXCLAMATION = 0x0030, MB_ICONASTERISK = 0x0040;

// ---------------------------------------------------------------------------
// Cursors: the standard cursors are named by small numbers.
inline const char* MakeIntResource(Integer Id) {
  return reinterpret_cast<const char*>(std::uintptr_t(Id));
}
inline const char* const IDC_ARROW = MakeIntResource(32512);
inline const char* const IDC_IBEAM = MakeIntResource(32513);
inline const char* const IDC_WAIT = MakeIntResource(32514);
inline const char* const IDC_CROSS = MakeIntResource(32515);
inline const char* const IDC_UPARROW = MakeIntResource(32516);
inline const char* const IDC_SIZE = MakeIntResource(32640);
inline const char* const IDC_ICON = MakeIntResource(32641);
inline const char* const IDC_SIZENWSE = MakeIntResource(32642);
inline const char* const IDC_SIZENESW = MakeIntResource(32643);
inline const char* const IDC_SIZEWE = MakeIntResource(32644);
inline const char* const IDC_SIZENS = MakeIntResource(32645);
inline const char* const IDC_SIZEALL = MakeIntResource(32646);
inline const char* const IDC_NO = MakeIntResource(32648);
inline const char* const IDC_HAND = MakeIntResource(32649);
inline const char* const IDC_APPSTARTING = MakeIntResource(32650);
inline const char* const IDC_HELP = MakeIntResource(32651);

// ---------------------------------------------------------------------------
// System metrics (GetSystemMetrics)
inline constexpr Integer SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3,
                         SM_CYCAPTION = 4, SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CXDLGFRAME = 7,
                         SM_CYDLGFRAME = 8, SM_CYVTHUMB = 9, SM_CXHTHUMB = 10, SM_CXICON = 11,
                         SM_CYICON = 12, SM_CXCURSOR = 13, SM_CYCURSOR = 14, SM_CYMENU = 15,
                         SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17, SM_CYVSCROLL = 20,
                         SM_CXHSCROLL = 21, SM_DEBUG = 22, SM_SWAPBUTTON = 23, SM_CXMIN = 28,
                         SM_CYMIN = 29, SM_CXSIZE = 30, SM_CYSIZE = 31, SM_CXFRAME = 32,
                         SM_CYFRAME = 33, SM_CXMINTRACK = 34, SM_CYMINTRACK = 35,
                         SM_CXDOUBLECLK = 36, SM_CYDOUBLECLK = 37, SM_CXICONSPACING = 38,
                         SM_CYICONSPACING = 39, SM_MENUDROPALIGNMENT = 40, SM_DBCSENABLED = 42,
                         SM_CMOUSEBUTTONS = 43, SM_CXFIXEDFRAME = SM_CXDLGFRAME,
                         SM_CYFIXEDFRAME = SM_CYDLGFRAME, SM_CXSIZEFRAME = SM_CXFRAME,
                         SM_CYSIZEFRAME = SM_CYFRAME, SM_CXEDGE = 45, SM_CYEDGE = 46,
                         SM_CXSMICON = 49, SM_CYSMICON = 50, SM_CYSMCAPTION = 51,
                         SM_CXMENUCHECK = 71, SM_CYMENUCHECK = 72, SM_CXDRAG = 68, SM_CYDRAG = 69,
                         SM_MOUSEPRESENT = 19, SM_MOUSEWHEELPRESENT = 75, SM_XVIRTUALSCREEN = 76,
                         SM_YVIRTUALSCREEN = 77, SM_CXVIRTUALSCREEN = 78, SM_CYVIRTUALSCREEN = 79,
                         SM_CMONITORS = 80, SM_SAMEDISPLAYFORMAT = 81, SM_IMMENABLED = 82,
                         SM_CXFOCUSBORDER = 83, SM_CYFOCUSBORDER = 84, SM_REMOTESESSION = 0x1000,
                         SM_CMETRICS = 97;

// SystemParametersInfo
inline constexpr UINT SPI_GETBEEP = 0x0001, SPI_GETKEYBOARDSPEED = 0x000A,
                      SPI_GETKEYBOARDDELAY = 0x0016, SPI_GETWORKAREA = 0x0030,
                      SPI_SETWORKAREA = 0x002F, SPI_GETNONCLIENTMETRICS = 0x0029,
                      SPI_GETDRAGFULLWINDOWS = 0x0026, SPI_GETWHEELSCROLLLINES = 0x0068,
                      SPI_GETMENUANIMATION = 0x1002, SPI_GETCOMBOBOXANIMATION = 0x1004,
                      SPI_GETLISTBOXSMOOTHSCROLLING = 0x1006, SPI_GETGRADIENTCAPTIONS = 0x1008,
                      SPI_GETKEYBOARDCUES = 0x100A, SPI_GETHOTTRACKING = 0x100E,
                      SPI_GETMENUFADE = 0x1012, SPI_GETSELECTIONFADE = 0x1014,
                      SPI_GETTOOLTIPANIMATION = 0x1016, SPI_GETTOOLTIPFADE = 0x1018,
                      SPI_GETCURSORSHADOW = 0x101A, SPI_GETFLATMENU = 0x1022,
                      SPI_GETDROPSHADOW = 0x1024;

// Monitors
inline constexpr DWORD MONITOR_DEFAULTTONULL = 0, MONITOR_DEFAULTTOPRIMARY = 1,
                       MONITOR_DEFAULTTONEAREST = 2, MONITORINFOF_PRIMARY = 1;

// GetVersionEx
inline constexpr DWORD VER_PLATFORM_WIN32s = 0, VER_PLATFORM_WIN32_WINDOWS = 1,
                       VER_PLATFORM_WIN32_NT = 2;

// ---------------------------------------------------------------------------
// Clipboard formats
inline constexpr UINT CF_TEXT = 1, CF_BITMAP = 2, CF_METAFILEPICT = 3, CF_SYLK = 4, CF_DIF = 5,
                      CF_TIFF = 6, CF_OEMTEXT = 7, CF_DIB = 8, CF_PALETTE = 9, CF_PENDATA = 10,
                      CF_RIFF = 11, CF_WAVE = 12, CF_UNICODETEXT = 13, CF_ENHMETAFILE = 14,
                      CF_HDROP = 15, CF_LOCALE = 16, CF_DIBV5 = 17;

// ---------------------------------------------------------------------------
// Records that travel with messages

// WM_NCCREATE and WM_CREATE: lParam points at the creation arguments.
struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  Integer cy = 0;
  Integer cx = 0;
  Integer y = 0;
  Integer x = 0;
  LONG style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

// WM_WINDOWPOSCHANGING (changeable) and WM_WINDOWPOSCHANGED: lParam points here.
struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  Integer x = 0;
  Integer y = 0;
  Integer cx = 0;
  Integer cy = 0;
  UINT flags = 0;
};

// WM_NCCALCSIZE with wParam TRUE: rgrc[0] holds the new window rectangle on
// entry and the new client rectangle on return (both in parent coordinates).
struct NCCALCSIZE_PARAMS {
  TRect rgrc[3];
  WINDOWPOS* lppos = nullptr;
};

// WM_STYLECHANGING / WM_STYLECHANGED (wParam = GWL_STYLE or GWL_EXSTYLE).
struct STYLESTRUCT {
  DWORD styleOld = 0;
  DWORD styleNew = 0;
};

struct MINMAXINFO {
  TPoint ptReserved;
  TPoint ptMaxSize;
  TPoint ptMaxPosition;
  TPoint ptMinTrackSize;
  TPoint ptMaxTrackSize;
};

struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  Integer cbClsExtra = 0;
  Integer cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;  // a brush, or (HBRUSH)(COLOR_xxx + 1)
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
};

struct WNDCLASSEX {
  UINT cbSize = sizeof(WNDCLASSEX);
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  Integer cbClsExtra = 0;
  Integer cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
  HICON hIconSm = nullptr;
};

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // the background still needs erasing (WM_ERASEBKGND answered 0)
  TRect rcPaint;        // the update rectangle, in client coordinates
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  Integer nMin = 0;
  Integer nMax = 0;
  UINT nPage = 0;
  Integer nPos = 0;
  Integer nTrackPos = 0;
};

struct MONITORINFO {
  DWORD cbSize = sizeof(MONITORINFO);
  TRect rcMonitor;
  TRect rcWork;
  DWORD dwFlags = 0;
};

struct WINDOWPLACEMENT {
  UINT length = sizeof(WINDOWPLACEMENT);
  UINT flags = 0;
  UINT showCmd = 0;
  TPoint ptMinPosition;
  TPoint ptMaxPosition;
  TRect rcNormalPosition;
};

struct OSVERSIONINFO {
  DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  char szCSDVersion[128] = {};
};

// COMPOSITIONFORM styles: the composition window's top-left at ptCurrentPos.
inline constexpr DWORD CFS_POINT = 0x0002;

struct COMPOSITIONFORM {
  DWORD dwStyle = 0;
  TPoint ptCurrentPos;
  TRect rcArea;
};

}  // namespace kvp
