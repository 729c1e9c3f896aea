// The popup protocol: drop-down windows placed next to their owner on a
// monitor's work area, the size grip in its corner (its shape, cursor,
// ridges and dragging with the mouse), and the drop-down month calendar
// driven by keys, clicks, the wheel and the focus.
//
// Ideas for tests: a grip at the top left dragged up and left on a monitor
// whose work area does not start at 0.
#include <gtest/gtest.h>

#include "platform/controls/MonthCalClass.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/VirtualKeys.h"
#include "tests/controls/ControlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

// A drop-down window with a size grip: a frameless top-level tool window
// that hears the placement's side messages.
class TGripWindow : public TCustomControl {
  KV_CLASS(TGripWindow, TCustomControl)
 public:
  explicit TGripWindow(TComponent* AOwner) : TCustomControl(AOwner) {}
  TSizeGripKv* Grip = nullptr;
  std::vector<Integer> Sides;  // WM_SIZEGRIPSIDEKV in the order received

 protected:
  void Construct() override {
    inherited::Construct();
    SetColor(clYellow);
    Grip = TSizeGripKv::Create(this);
    Grip->SetParent(this);
  }
  void CreateParams(TCreateParams& Params) override {
    inherited::CreateParams(Params);
    Params.Style = WS_POPUP | WS_CLIPCHILDREN;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  }
  void WMGripSide(TMessage& Message) {
    Sides.push_back(Integer(Message.WParam));
    Grip->ChangePosition(TSizeGripSideKv(Message.WParam));
  }
  void WMSize(TWMSize& Message) {
    inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
    Grip->UpdatePosition();
  }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_SIZEGRIPSIDEKV, WMGripSide)
  KV_MESSAGE(WM_SIZE, WMSize)
  KV_END_MESSAGE_MAP
};

class ToolCtrlsKvPlacementTest : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    SetMonitors({{Rect(0, 0, 1024, 768), Rect(0, 0, 1024, 768)}});
    Win = TGripWindow::Create(Form);
    Win->SetBounds(0, 0, 200, 150);
    Win->SetParent(Form);
  }
  TPoint Place(TRect Master, TAlignment Align = taLeftJustify) {
    Win->Sides.clear();
    return AlignDropDownWindowRect(Master, Win, Align);
  }
  TGripWindow* Win = nullptr;
};

TEST_F(ToolCtrlsKvPlacementTest, BelowWhenItFitsAboveWhenItDoesNot) {
  EXPECT_EQ(Place(Rect(100, 100, 300, 120)), Point(100, 120));
  EXPECT_EQ(Win->Sides, (std::vector<Integer>{sgsBottomKv, sgsRightKv}));
  EXPECT_EQ(Place(Rect(100, 598, 300, 618)), Point(100, 618));  // exactly fits below
  EXPECT_EQ(Place(Rect(100, 700, 300, 720)), Point(100, 550));
  EXPECT_EQ(Win->Sides, (std::vector<Integer>{sgsTopKv, sgsRightKv}));
  EXPECT_EQ(Win->Grip->GetPosition(), sgpTopRightKv);
  EXPECT_EQ(Win->GetHeight(), 150);
}

TEST_F(ToolCtrlsKvPlacementTest, WithRoomOnNeitherSideTheRoomierSideCutsTheHeight) {
  SetMonitors({{Rect(0, 0, 1024, 300), Rect(0, 0, 1024, 300)}});
  EXPECT_EQ(Place(Rect(100, 140, 300, 160)), Point(100, 160));  // equal rooms: below
  EXPECT_EQ(Win->GetHeight(), 140);
  Win->SetHeight(150);
  EXPECT_EQ(Place(Rect(100, 200, 300, 220)), Point(100, 50));  // fits above
  Win->SetHeight(250);
  EXPECT_EQ(Place(Rect(100, 200, 300, 220)), Point(100, 0));
  EXPECT_EQ(Win->GetHeight(), 200);
  Win->SetHeight(250);
  EXPECT_EQ(Place(Rect(100, 40, 300, 60)), Point(100, 60));
  EXPECT_EQ(Win->GetHeight(), 240);
}

TEST_F(ToolCtrlsKvPlacementTest, AlignedLeftRightOrCentredAndKeptOnTheWorkArea) {
  EXPECT_EQ(Place(Rect(400, 100, 500, 120), taRightJustify), Point(300, 120));
  EXPECT_EQ(Win->Sides.back(), sgsLeftKv);
  EXPECT_EQ(Win->Grip->GetPosition(), sgpBottomLeftKv);
  EXPECT_EQ(Place(Rect(400, 100, 500, 120), taCenter), Point(350, 120));
  EXPECT_EQ(Win->Sides.back(), sgsRightKv);
  EXPECT_EQ(Win->Grip->GetPosition(), sgpBottomRightKv);
  // Off the right edge: pushed back, its right edge held: the grip goes left.
  EXPECT_EQ(Place(Rect(950, 100, 1000, 120)), Point(824, 120));
  EXPECT_EQ(Win->Sides.back(), sgsLeftKv);
  // Off the left edge: pushed right.
  EXPECT_EQ(Place(Rect(10, 100, 100, 120), taRightJustify), Point(0, 120));
  EXPECT_EQ(Win->Sides.back(), sgsRightKv);
  // Wider than the work area: narrowed to it, at its left.
  Win->SetWidth(1100);
  EXPECT_EQ(Place(Rect(100, 100, 300, 120)), Point(0, 120));
  EXPECT_EQ(Win->GetWidth(), 1024);
}

TEST_F(ToolCtrlsKvPlacementTest, TheMonitorNearestTheMasterGivesTheWorkArea) {
  SetMonitors({{Rect(0, 0, 1024, 768), Rect(0, 0, 1024, 738)},
               {Rect(1024, 0, 2048, 768), Rect(1024, 0, 2048, 768)}});
  EXPECT_EQ(Place(Rect(1900, 100, 2000, 120)), Point(1848, 120));
  EXPECT_EQ(Place(Rect(1100, 700, 1200, 720)), Point(1100, 550));
  EXPECT_EQ(Place(Rect(100, 600, 200, 620)), Point(100, 450));  // the task bar's room is not used
  // A master in a text box of a form: its bounds through its parent.
  TPopupOwnerEdit* Edit = TPopupOwnerEdit::Create(Form);
  Edit->SetBounds(30, 40, 120, 21);
  Edit->SetParent(Form);
  Form->Show();
  Win->Sides.clear();
  const TPoint Origin = Form->ClientToScreen(Point(0, 0));
  EXPECT_EQ(AlignDropDownWindow(Edit, Win, taLeftJustify), Point(Origin.X + 30, Origin.Y + 61));
}

TEST_F(ToolCtrlsKvPlacementTest, TheGripMovesToTheCornerAwayFromTheMaster) {
  struct {
    TSizeGripSideKv Side;
    TSizeGripPositionKv From, To;
  } Moves[] = {
      {sgsLeftKv, sgpTopRightKv, sgpTopLeftKv},
      {sgsLeftKv, sgpBottomRightKv, sgpBottomLeftKv},
      {sgsRightKv, sgpTopLeftKv, sgpTopRightKv},
      {sgsRightKv, sgpBottomLeftKv, sgpBottomRightKv},
      {sgsTopKv, sgpBottomRightKv, sgpTopRightKv},
      {sgsTopKv, sgpBottomLeftKv, sgpTopLeftKv},
      {sgsBottomKv, sgpTopRightKv, sgpBottomRightKv},
      {sgsBottomKv, sgpTopLeftKv, sgpBottomLeftKv},
  };
  TSizeGripKv* G = Win->Grip;
  for (Integer Side = sgsLeftKv; Side <= sgsBottomKv; ++Side)
    for (Integer From = sgpTopLeftKv; From <= sgpBottomLeftKv; ++From) {
      SCOPED_TRACE(testing::Message() << Side << " from " << From);
      G->SetPosition(TSizeGripPositionKv(From));
      G->ChangePosition(TSizeGripSideKv(Side));
      TSizeGripPositionKv Want = TSizeGripPositionKv(From);
      for (const auto& M : Moves)
        if (M.Side == Side && M.From == From) Want = M.To;
      EXPECT_EQ(G->GetPosition(), Want);
    }
}

class ToolCtrlsKvGripTest : public ToolCtrlsKvPlacementTest {
 protected:
  void SetUp() override {
    ToolCtrlsKvPlacementTest::SetUp();
    Win->SetBounds(100, 100, 200, 150);
    Form->Show();
    SetWindowPos(Win->GetHandle(), HWND_TOP, 100, 100, 0, 0, SWP_SHOWPOPUPKV);
    ProcessMessages();
  }
  HWND GripWnd() { return Win->Grip->GetHandle(); }
  // Presses the grip near its corner and drags it by (DX, DY) in screen points.
  void DragGrip(Integer DX, Integer DY) {
    TRect R;
    GetWindowRect(GripWnd(), &R);
    const bool Right =
        Win->Grip->GetPosition() == sgpTopRightKv || Win->Grip->GetPosition() == sgpBottomRightKv;
    const bool Bottom =
        Win->Grip->GetPosition() == sgpBottomLeftKv || Win->Grip->GetPosition() == sgpBottomRightKv;
    const TPoint From = {Right ? R.Right - 3 : R.Left + 2, Bottom ? R.Bottom - 3 : R.Top + 2};
    Input.MouseMoveAt(From);
    Input.ButtonDownAt(mbLeft, From);
    Input.MouseMoveAt({From.X + DX / 2, From.Y + DY / 2});
    Input.MouseMoveAt({From.X + DX, From.Y + DY});
    Input.ButtonUpAt(mbLeft, {From.X + DX, From.Y + DY});
  }
  TRect WinRect() {
    TRect R;
    GetWindowRect(Win->GetHandle(), &R);
    return R;
  }
};

TEST_F(ToolCtrlsKvGripTest, TheGripIsAScrollBarArrowsSizeTriangleInItsCorner) {
  TSizeGripKv* G = Win->Grip;
  EXPECT_EQ(G->GetWidth(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(G->GetHeight(), GetSystemMetrics(SM_CYVSCROLL));
  EXPECT_TRUE(G->GetControlStyle().Contains(csCaptureMouse));
  const Integer W = G->GetWidth(), H = G->GetHeight();
  struct {
    TSizeGripPositionKv Pos;
    TPoint At;
    std::vector<TPoint> Triangle;
    TCursor Cursor;
  } Cases[] = {
      {sgpBottomRightKv, {200 - W, 150 - H}, {{0, H}, {W, H}, {W, 0}}, crSizeNWSE},
      {sgpBottomLeftKv, {0, 150 - H}, {{W, H}, {0, H}, {0, 0}}, crSizeNESW},
      {sgpTopRightKv, {200 - W, 0}, {{W, H - 1}, {W, 0}, {0, 0}}, crSizeNESW},
      {sgpTopLeftKv, {0, 0}, {{W - 1, 0}, {0, 0}, {0, H - 1}}, crSizeNWSE},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Pos);
    G->SetPosition(C.Pos);
    EXPECT_EQ(Point(G->GetLeft(), G->GetTop()), C.At);
    EXPECT_EQ(G->GetCursor(), C.Cursor);
    HRGN Got = CreateRectRgn(0, 0, 0, 0);
    HRGN Want = CreatePolygonRgn(C.Triangle.data(), 3, WINDING);
    ASSERT_NE(GetWindowRgn(GripWnd(), Got), ERROR_REGION);
    EXPECT_TRUE(EqualRgn(Got, Want));
    DeleteObject(Got);
    DeleteObject(Want);
  }
  G->SetTriangleWindow(false);
  HRGN None = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(GripWnd(), None), ERROR_REGION);
  DeleteObject(None);
  // Moved by someone else, it goes back into its corner.
  G->SetBounds(50, 50, W, H);
  EXPECT_EQ(Point(G->GetLeft(), G->GetTop()), Point(0, 0));
}

TEST_F(ToolCtrlsKvGripTest, RidgesRunFromTheLongSideToTheCornerAndTheRestShowsTheParent) {
  UpdateWindow(Win->GetHandle());
  UpdateWindow(GripWnd());
  SaveWindowPng(Win->GetHandle(), "toolkit-grip.png");
  const TSurface* S = GetWindowSurface(Win->GetHandle());
  const Integer W = Win->Grip->GetWidth(), H = Win->Grip->GetHeight();
  const Integer X0 = 200 - W, Y0 = 150 - H;  // the grip on the window's surface
  // Along the right column, from the long side down to the corner.
  const TColor Want[] = {clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace,
                         clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace};
  for (Integer D = 1; D <= 8; ++D) {
    SCOPED_TRACE(D);
    EXPECT_EQ(S->GetPixel(X0 + W - 1, Y0 + D), Rgb(Want[D - 1]));
    EXPECT_EQ(S->GetPixel(X0 + D, Y0 + H - 1), Rgb(Want[D - 1]));  // the same line at the bottom
  }
  // Outside the triangle the window under the grip shows.
  EXPECT_EQ(S->GetPixel(X0 + 1, Y0 + 1), Rgb(clYellow));
  EXPECT_EQ(S->GetPixel(X0 + W - 5, Y0 + 2), Rgb(clYellow));
}

TEST_F(ToolCtrlsKvGripTest, DraggingTheGripResizesTheWindowFromItsCorner) {
  Integer Resized = 0;
  Win->Grip->OnParentResized = [&Resized](TObject*) { ++Resized; };
  DragGrip(30, 20);
  EXPECT_EQ(WinRect(), Rect(100, 100, 330, 270));
  EXPECT_EQ(Resized, 2);  // once for each step of the drag
  EXPECT_EQ(Point(Win->Grip->GetLeft(), Win->Grip->GetTop()),
            Point(230 - Win->Grip->GetWidth(), 170 - Win->Grip->GetHeight()));
  // Shrinking works the same way, and stops at nothing.
  DragGrip(-500, -500);
  EXPECT_EQ(WinRect().TopLeft(), Point(100, 100));
  EXPECT_GE(WinRect().Width(), 0);
  EXPECT_LE(WinRect().Width(), 16);
}

TEST_F(ToolCtrlsKvGripTest, TheRightEdgeStopsAtTheWorkArea) {
  DragGrip(2000, 0);
  EXPECT_EQ(WinRect(), Rect(100, 100, 1024, 250));
  DragGrip(0, 2000);
  EXPECT_EQ(WinRect().Bottom, 768);
}

TEST_F(ToolCtrlsKvGripTest, ALeftGripMovesTheLeftEdgeAndKeepsTheRightOne) {
  Win->Grip->SetPosition(sgpBottomLeftKv);
  DragGrip(-40, 10);
  EXPECT_EQ(WinRect(), Rect(60, 100, 300, 260));
  DragGrip(-1000, 0);  // the left edge stops at the work area
  EXPECT_EQ(WinRect(), Rect(0, 100, 300, 260));
  Win->Grip->SetPosition(sgpTopLeftKv);
  DragGrip(10, -30);
  EXPECT_EQ(WinRect(), Rect(10, 70, 300, 260));
}

// Regression: the drag kept the window on the primary monitor's work area, so
// a drop-down on a second monitor collapsed on the first move.
TEST_F(ToolCtrlsKvGripTest, OnASecondMonitorTheWindowGrowsOnThatMonitor) {
  SetMonitors({{Rect(0, 0, 1024, 768), Rect(0, 0, 1024, 738)},
               {Rect(1024, 0, 2048, 768), Rect(1024, 0, 2048, 768)}});
  Win->SetBounds(1200, 100, 200, 150);
  DragGrip(30, 20);
  EXPECT_EQ(WinRect(), Rect(1200, 100, 1430, 270));
  DragGrip(2000, 0);
  EXPECT_EQ(WinRect().Right, 2048);
}

// [SECTION] The month calendar

class ToolCtrlsKvCalendarTest : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    Edit = TPopupOwnerEdit::Create(Form);
    Edit->SetBounds(20, 20, 120, 21);
    Edit->SetParent(Form);
    Other = TEdit::Create(Form);
    Other->SetBounds(20, 240, 120, 21);  // below the calendar
    Other->SetParent(Form);
    Form->Show();
    Cal = TPopupMonthCalendarKv::Create(Edit);
    Cal->SetDate(EncodeDate(2024, 5, 15));
    Edit->SetPopup(Cal);
    Edit->SetFocus();
  }
  HWND CalWnd() { return Cal->GetHandle(); }
  // A client point of the calendar where the hit test answers Code.
  TPoint Where(UINT Code, TDateTime Day = 0) {
    for (Integer Y = 0; Y < Cal->GetClientHeight(); ++Y)
      for (Integer X = 0; X < Cal->GetClientWidth(); ++X) {
        MCHITTESTINFO Hit;
        Hit.pt = Point(X, Y);
        SendMessage(CalWnd(), MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&Hit));
        if (Hit.uHit != Code) continue;
        if (Day != 0 && SystemTimeToDateTime(Hit.st) != Day) continue;
        return Hit.pt;
      }
    ADD_FAILURE() << "no point with hit code " << Code;
    return {0, 0};
  }
  void ClickAt(TPoint P) {
    AdvanceTicks(1000);  // never a double click
    Input.Click(CalWnd(), P);
  }
  TPopupOwnerEdit* Edit = nullptr;
  TEdit* Other = nullptr;
  TPopupMonthCalendarKv* Cal = nullptr;
};

TEST_F(ToolCtrlsKvCalendarTest, APopupToolWindowSizedToTheCalendarAndItsFrame) {
  EXPECT_FALSE(Edit->DroppedDown());
  Edit->DropDown();
  ASSERT_TRUE(Edit->DroppedDown());
  const LONG_PTR Style = GetWindowLongPtr(CalWnd(), GWL_STYLE);
  EXPECT_TRUE(Style & WS_POPUP);
  EXPECT_FALSE(Style & WS_CHILD);
  EXPECT_FALSE(Style & WS_BORDER);
  EXPECT_EQ(GetWindowLongPtr(CalWnd(), GWL_EXSTYLE), LONG_PTR(WS_EX_TOOLWINDOW));
  EXPECT_EQ(GetClassLongPtr(CalWnd(), GCL_STYLE), ULONG_PTR(CS_SAVEBITS));
  TRect Min;
  SendMessage(CalWnd(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&Min));
  EXPECT_EQ(Cal->GetWidth(), Min.Width() + 4);
  EXPECT_EQ(Cal->GetHeight(), Min.Height() + 4);
  EXPECT_EQ(Cal->GetClientWidth(), Min.Width());
  // Below the edit box, left-aligned.
  const TPoint Origin = Form->ClientToScreen(Point(20, 41));
  EXPECT_EQ(Point(Cal->GetLeft(), Cal->GetTop()), Origin);
  // The frame: a raised outer and a raised inner edge.
  UpdateWindow(CalWnd());
  SaveWindowPng(CalWnd(), "toolkit-calendar.png");
  std::vector<UINT> Edges;
  for (const TDrawRecord& R : RecordsOf(GetWindowSurface(CalWnd()), TDrawKind::Edge))
    Edges.push_back(R.Flags);
  EXPECT_NE(std::find(Edges.begin(), Edges.end(), BDR_RAISEDOUTER), Edges.end());
  EXPECT_NE(std::find(Edges.begin(), Edges.end(), BDR_RAISEDINNER), Edges.end());
  // The focus stayed with the owner.
  EXPECT_TRUE(Edit->Focused());
}

TEST_F(ToolCtrlsKvCalendarTest, WithoutCtl3DAPlainBorderAndNoFrameOfItsOwn) {
  Cal->SetCtl3D(false);
  EXPECT_EQ(Cal->GetBorderWidth(), 0);
  Edit->DropDown();
  EXPECT_TRUE(GetWindowLongPtr(CalWnd(), GWL_STYLE) & WS_BORDER);
  Cal->SetCtl3D(true);
  EXPECT_EQ(Cal->GetBorderWidth(), 2);
  EXPECT_FALSE(GetWindowLongPtr(CalWnd(), GWL_STYLE) & WS_BORDER);
}

TEST_F(ToolCtrlsKvCalendarTest, NextMonthKeepsItOpenAndADayClosesItWithThatDay) {
  Edit->DropDown();
  ClickAt(Where(MCHT_TITLEBTNNEXT));
  EXPECT_TRUE(Edit->CloseUps.empty());
  EXPECT_TRUE(Edit->DroppedDown());
  ClickAt(Where(MCHT_TITLEBTNNEXT));
  ClickAt(Where(MCHT_TITLEBTNPREV));
  Word Y = 0, M = 0, D = 0;
  DecodeDate(Cal->GetDate(), Y, M, D);
  EXPECT_EQ(M, 6);
  // Browsing parts of the calendar do not close it either.
  for (UINT Code : {MCHT_TITLEYEAR, MCHT_CALENDARDAY, MCHT_TITLEBK}) {
    SCOPED_TRACE(Code);
    ClickAt(Where(Code));
    EXPECT_TRUE(Edit->CloseUps.empty());
  }
  ClickAt(Where(MCHT_CALENDARDATE, EncodeDate(2024, 6, 20)));
  EXPECT_EQ(Edit->CloseUps, std::vector<bool>{true});
  EXPECT_FALSE(Edit->DroppedDown());
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2024, 6, 20));
}

TEST_F(ToolCtrlsKvCalendarTest, ADayOfTheNextMonthAndTheMonthNameAcceptToo) {
  Edit->DropDown();
  ClickAt(Where(MCHT_CALENDARDATENEXT));
  EXPECT_EQ(Edit->CloseUps, std::vector<bool>{true});
  Edit->DropDown();
  ClickAt(Where(MCHT_TITLEMONTH));
  EXPECT_EQ(Edit->CloseUps, (std::vector<bool>{true, true}));
}

// Every part of the calendar that names a day (or a month) closes it with
// the choice; the parts that only browse keep it open.
TEST_F(ToolCtrlsKvCalendarTest, EachPartThatNamesADayAcceptsTheOthersKeepItOpen) {
  Cal->SetWeekNumbers(true);
  struct TCase {
    UINT Code;
    bool Closes;
  };
  const TCase Cases[] = {
      {MCHT_CALENDARBK, false},     {MCHT_TITLEBK, false},         {MCHT_TITLEYEAR, false},
      {MCHT_CALENDARDAY, false},    {MCHT_TITLEBTNPREV, false},    {MCHT_TITLEBTNNEXT, false},
      {MCHT_CALENDARDATE, true},    {MCHT_CALENDARDATEPREV, true}, {MCHT_CALENDARDATENEXT, true},
      {MCHT_CALENDARWEEKNUM, true}, {MCHT_TITLEMONTH, true},       {MCHT_TODAYLINK, true},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << std::hex << C.Code);
    Edit->CloseUps.clear();
    Cal->SetDate(EncodeDate(2024, 5, 15));
    Edit->DropDown();
    ClickAt(Where(C.Code));
    EXPECT_EQ(Edit->CloseUps, C.Closes ? std::vector<bool>{true} : std::vector<bool>{});
    EXPECT_EQ(Edit->DroppedDown(), !C.Closes);
    Edit->CloseUp(false);
    ProcessMessages();  // the close-up the calendar posted when it lost the focus
    Edit->SetFocus();
  }
}

TEST_F(ToolCtrlsKvCalendarTest, EnterAcceptsAndEscapeRefuses) {
  Edit->DropDown();
  kvp::SetFocus(CalWnd());
  Input.KeyPress(VK_RIGHT);
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2024, 5, 16));
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Edit->CloseUps, std::vector<bool>{true});
  Edit->DropDown();
  kvp::SetFocus(CalWnd());
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Edit->CloseUps, (std::vector<bool>{true, false}));
  EXPECT_TRUE(Cal->Perform(WM_GETDLGCODE) & DLGC_WANTCHARS);
  EXPECT_TRUE(Cal->Perform(WM_GETDLGCODE) & DLGC_WANTTAB);
}

TEST_F(ToolCtrlsKvCalendarTest, LosingTheFocusClosesItOnceTheFocusHasMoved) {
  Edit->DropDown();
  kvp::SetFocus(CalWnd());
  kvp::SetFocus(Other->GetHandle());
  EXPECT_TRUE(Edit->CloseUps.empty());  // posted, not yet handled
  EXPECT_TRUE(Edit->DroppedDown());
  ProcessMessages();
  EXPECT_EQ(Edit->CloseUps, std::vector<bool>{false});
  EXPECT_EQ(GetFocus(), Other->GetHandle());
  // The focus moving to a window inside the calendar keeps it open.
  Edit->DropDown();
  kvp::SetFocus(CalWnd());
  HWND Inner = CreateWindowEx(0, "Edit", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, CalWnd(), nullptr,
                              nullptr, nullptr);
  kvp::SetFocus(Inner);
  ProcessMessages();
  EXPECT_EQ(Edit->CloseUps.size(), 1u);
  DestroyWindow(Inner);
}

TEST_F(ToolCtrlsKvCalendarTest, ClickingAnotherControlClosesItRefusing) {
  Edit->DropDown();
  AdvanceTicks(1000);
  Input.Click(CalWnd(), Where(MCHT_TITLEBK));
  ASSERT_EQ(GetFocus(), CalWnd());
  Input.MouseMove(Other->GetHandle(), {5, 5});
  AdvanceTicks(1000);
  Input.Click(Other->GetHandle(), {5, 5});
  EXPECT_EQ(Edit->CloseUps, std::vector<bool>{false});
}

TEST_F(ToolCtrlsKvCalendarTest, APressOutsideWhileItHoldsTheMouseRefuses) {
  Edit->DropDown();
  SetCapture(CalWnd());
  AdvanceTicks(1000);
  Input.Click(CalWnd(), {-20, 30});
  EXPECT_EQ(Edit->CloseUps, std::vector<bool>{false});
}

TEST_F(ToolCtrlsKvCalendarTest, TheWheelMovesTheDateADayANotch) {
  Edit->DropDown();
  kvp::SetFocus(CalWnd());
  Input.Wheel(CalWnd(), -120, {20, 20});
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2024, 5, 16));
  Input.Wheel(CalWnd(), 240, {20, 20});
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2024, 5, 14));
  // A handler that takes the wheel leaves the date alone.
  Cal->OnMouseWheelUp = [](TObject*, TShiftState, TPoint, bool& Handled) { Handled = true; };
  Input.Wheel(CalWnd(), 120, {20, 20});
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2024, 5, 14));
}

TEST_F(ToolCtrlsKvCalendarTest,
       PostCloseUpKeepsItsAnswerAndAnOwnerWithoutTheInterfaceClosesNothing) {
  Edit->DropDown();
  Cal->PostCloseUp(true);
  EXPECT_TRUE(Edit->CloseUps.empty());
  ProcessMessages();
  EXPECT_EQ(Edit->CloseUps, std::vector<bool>{true});
  TEdit* Plain = TEdit::Create(Form);
  Plain->SetParent(Form);
  auto* Orphan = TPopupMonthCalendarKv::Create(Plain);
  Orphan->SetParent(Plain);
  SetWindowPos(Orphan->GetHandle(), HWND_TOP, 0, 0, 0, 0, SWP_SHOWPOPUPKV);
  Orphan->SetFocus();
  Input.KeyPress(VK_RETURN);
  Input.KeyPress(VK_ESCAPE);
  EXPECT_TRUE(IsWindowVisible(Orphan->GetHandle()));
  EXPECT_EQ(PopupOwnerOf(Orphan), nullptr);
  EXPECT_EQ(PopupOwnerOf(Cal), static_cast<IPopupOwnerKv*>(Edit));
}

}  // namespace
}  // namespace korvel
