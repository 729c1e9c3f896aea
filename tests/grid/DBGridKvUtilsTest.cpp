// The grid unit's routines: colour blending, field conversions, rectangle and
// queue helpers, text measuring and canvas mirroring.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/graphics/Bitmap.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

TEST(DBGridKvUtilsTest, BlendColorsMovesTheMeanTowardsLightGreyAndDarkensOnRequest) {
  struct TCase {
    TColor A, B;
    bool Darker;
    TColor Expected;
  } const Cases[] = {
      {TColor(RGB(255, 255, 255)), TColor(RGB(0, 0, 128)), true, TColor(RGB(202, 202, 234))},
      {TColor(RGB(255, 255, 255)), TColor(RGB(0, 0, 128)), false, TColor(RGB(186, 186, 212))},
      // White on white: 237 darkened is 265.75, held at 255.
      {clWhite, clWhite, true, clWhite},
      {clBlack, clBlack, false, TColor(RGB(135, 135, 135))},
      // System colours are resolved first: button face (192) with black.
      {clBtnFace, clBlack, false, TColor(RGB(173, 173, 173))},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(ColorToString(C.A) + " + " + ColorToString(C.B));
    EXPECT_EQ(BlendColors(C.A, C.B, C.Darker), C.Expected);
  }
}

class FieldAsIntegerDefTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DS = TMemoryDataSet::Create(nullptr);
    DS->GetFieldDefs()->Add("I", ftInteger);
    DS->GetFieldDefs()->Add("F", ftFloat);
    DS->GetFieldDefs()->Add("L", ftLargeint);
    DS->GetFieldDefs()->Add("C", ftCurrency);
    DS->GetFieldDefs()->Add("B", ftBCD);
    DS->GetFieldDefs()->Add("S", ftString, 10);
    DS->Open();
    DS->Append();
  }
  void TearDown() override { FreeObject(DS); }
  Integer Of(const char* Name, const Variant& Value) {
    DS->FieldByName(Name)->SetValue(Value);
    return FieldAsIntegerDef(DS->FieldByName(Name), -7);
  }
  TMemoryDataSet* DS = nullptr;
};

TEST_F(FieldAsIntegerDefTest, NumbersThatFitGiveTheirValueAndAllElseTheDefault) {
  EXPECT_EQ(Of("I", 42), 42);
  EXPECT_EQ(Of("F", 2147483647.0), 2147483647);
  EXPECT_EQ(Of("F", 3000000000.0), -7);
  EXPECT_EQ(Of("F", -2147483648.0), -2147483647 - 1);
  EXPECT_EQ(Of("F", 2.5), 2) << "floats round half to even";
  EXPECT_EQ(Of("L", Int64(5)), 5);
  EXPECT_EQ(Of("L", Int64(-2147483649LL)), -7);
  EXPECT_EQ(Of("C", Currency(123)), 123);
  EXPECT_EQ(Of("C", Currency(Int64(3000000000LL))), -7);
  EXPECT_EQ(Of("B", Currency(-9)), -9);
  EXPECT_EQ(Of("S", "12"), -7) << "text is no number";
  EXPECT_EQ(FieldAsIntegerDef(nullptr, -7), -7);
}

TEST_F(FieldAsIntegerDefTest, NullOfAnyNumberKindGivesTheDefaultNotZero) {
  for (const char* Name : {"I", "F", "L", "C", "B"}) {
    SCOPED_TRACE(Name);
    EXPECT_EQ(Of(Name, Null()), -7);
  }
}

TEST(DBGridKvUtilsTest, RectangleAndIntegerHelpers) {
  TRect R{10, 20, 110, 50};
  TransposeRectSize(R);
  EXPECT_EQ(R, (TRect{10, 20, 40, 120}));
  MakeRect(1, 2, 3, 4, R);
  EXPECT_EQ(R, (TRect{1, 2, 3, 4}));
  EXPECT_EQ(IntMax(-3, 2), 2);
  EXPECT_EQ(IntMin(-3, 2), -3);
  EXPECT_EQ(IntIfThen(true, 1, 2), 1);
  EXPECT_EQ(IntIfThen(false, 1, 2), 2);
  try {
    RaiseGridError("bad thing");
    FAIL();
  } catch (const EInvalidGridOperationKv& E) {
    EXPECT_EQ(E.GetMessage(), "bad thing");
  }
}

class KillMessageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    WNDCLASS C;
    C.lpfnWndProc = &DefWindowProc;
    C.lpszClassName = "KillMessageTestWindow";
    RegisterClass(&C);
    Wnd = CreateWindowEx(0, "KillMessageTestWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         nullptr, nullptr);
  }
  void TearDown() override { ResetWindowSystem(); }
  std::vector<UINT> Queued() {
    std::vector<UINT> Ids;
    MSG Msg;
    while (PeekMessage(&Msg, nullptr, 0, 0, PM_REMOVE)) {
      Ids.push_back(Msg.message);
      if (Msg.message == WM_QUIT) {
        EXPECT_EQ(Msg.wParam, WPARAM(3));
        break;
      }
    }
    return Ids;
  }
  HWND Wnd = nullptr;
};

TEST_F(KillMessageTest, RemovesOneMessageOfThatIdForThatWindow) {
  PostMessage(Wnd, WM_USER + 5, 0, 0);
  PostMessage(Wnd, WM_USER + 6, 0, 0);
  PostMessage(Wnd, WM_USER + 5, 0, 0);
  KillMessage(Wnd, WM_USER + 5);
  EXPECT_EQ(Queued(), (std::vector<UINT>{WM_USER + 6, WM_USER + 5}));
}

TEST_F(KillMessageTest, AQuitTakenOnTheWayIsPostedAgain) {
  PostQuitMessage(3);
  KillMessage(Wnd, WM_USER + 5);
  EXPECT_EQ(Queued(), (std::vector<UINT>{WM_QUIT}));
  KillMessage(Wnd, WM_USER + 5);  // an empty queue: nothing happens
  EXPECT_TRUE(Queued().empty());
}

class TextMeasureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Bitmap = TBitmap::Create();
    Bitmap->SetSize(200, 100);
    Canvas = Bitmap->GetCanvas();
  }
  void TearDown() override { FreeObject(Bitmap); }
  TBitmap* Bitmap = nullptr;
  TCanvas* Canvas = nullptr;
};

TEST_F(TextMeasureTest, IsTextClippedAtTheExactWidthAndHeightBoundaries) {
  const String Text = "Hello world";
  const Integer W = TextWidthCalc(Canvas, Text);
  const Integer H = Canvas->TextHeight(Text);
  ASSERT_GT(W, 0);
  Integer TW = 0, TH = 0;
  // Room for the text is the width less 2 and the horizontal margin.
  EXPECT_FALSE(IsTextClipped(0, Canvas, 4, 0, Text, TRect{0, 0, W + 6, H}, false, TW, TH));
  EXPECT_EQ(TW, W);
  EXPECT_EQ(TH, H);
  EXPECT_TRUE(IsTextClipped(0, Canvas, 4, 0, Text, TRect{0, 0, W + 5, H}, false, TW, TH));
  // Height: clipped once it exceeds the height less the margin plus 1.
  EXPECT_FALSE(IsTextClipped(0, Canvas, 0, 3, Text, TRect{0, 0, W + 2, H + 2}, false, TW, TH));
  EXPECT_TRUE(IsTextClipped(0, Canvas, 0, 3, Text, TRect{0, 0, W + 2, H + 1}, false, TW, TH));
}

TEST_F(TextMeasureTest, WordWrapBreaksInsteadOfClippingTheWidth) {
  const String Text = "Hello world";
  const Integer W = TextWidthCalc(Canvas, Text);
  const Integer H = Canvas->TextHeight(Text);
  Integer TW = 0, TH = 0;
  const TRect Narrow{0, 0, W, 4 * H};
  EXPECT_TRUE(IsTextClipped(0, Canvas, 0, 0, Text, Narrow, false, TW, TH));
  EXPECT_FALSE(IsTextClipped(0, Canvas, 0, 0, Text, Narrow, true, TW, TH));
  EXPECT_EQ(TH, 2 * H) << "two lines";
  // No room at all still measures in a rectangle one pixel wide.
  EXPECT_TRUE(IsTextClipped(0, Canvas, 0, 0, Text, TRect{0, 0, 1, H}, true, TW, TH));
  EXPECT_GT(TW, 0);
}

TEST_F(TextMeasureTest, MirrorCanvasRunsXFromTheRightEdge) {
  MirrorCanvas(Canvas, true, 200, 100);
  TPoint P{10, 5};
  LPtoDP(Canvas->GetHandle(), &P, 1);
  EXPECT_EQ(P, (TPoint{190, 5}));
  MirrorCanvas(Canvas, false, 200, 100);
  P = {10, 5};
  LPtoDP(Canvas->GetHandle(), &P, 1);
  EXPECT_EQ(P, (TPoint{10, 5}));
}

TEST_F(DBGridOnFormTest, InvalidateGridRowReachesFixedAndContraColumns) {
  Grid->SetContraColCount(1);
  UpdateWindow(Grid->GetHandle());
  ValidateRect(Grid->GetHandle(), nullptr);
  InvalidateGridRow(Grid, 1);
  TRect Update;
  ASSERT_TRUE(GetUpdateRect(Grid->GetHandle(), &Update, FALSE));
  const TRect First = Grid->CellRect(0, 1);
  const TRect Contra = Grid->CellRect(Grid->GetFullColCount() - 1, 1);
  EXPECT_EQ(Update.Left, First.Left);
  EXPECT_GE(Update.Right, Contra.Right);
  EXPECT_EQ(Update.Top, First.Top);
  EXPECT_GE(Update.Bottom, First.Bottom);
  EXPECT_LE(Update.Bottom, First.Bottom + Grid->GetGridLineWidth()) << "the next row stays valid";
}

}  // namespace
}  // namespace korvel
