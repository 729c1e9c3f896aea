// TFont, TPen, TBrush and TCanvas: what a control's painting code sees, and
// that no handle outlives its use.
#include <gtest/gtest.h>

#include <functional>

#include "GraphicsTestUtil.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;
using kvp::test::TLeakCheck;

namespace {

// A canvas on a surface DC, as a control canvas is on a window DC.
class TSurfaceCanvas : public TCanvas {
  KV_CLASS(TSurfaceCanvas, TCanvas)
 public:
  explicit TSurfaceCanvas(TSurface* Surface) : FSurface(Surface) {}
  int HandlesMade = 0;

 protected:
  void CreateHandle() override {
    ++HandlesMade;
    SetHandle(CreateSurfaceDC(FSurface, {0, 0}, nullptr));
  }
  void Destroy() override {
    HDC Dc = PeekHandle();
    SetHandle(nullptr);
    DeleteDC(Dc);
    inherited::Destroy();
  }

 private:
  TSurface* FSurface;
};

TEST(Font, SizeHeightAndSharedHandles) {
  TLeakCheck Leaks;
  TObjectPtr<TFont> A(TFont::Create()), B(TFont::Create());
  EXPECT_EQ(A->GetName(), "MS Sans Serif");
  EXPECT_EQ(A->GetHeight(), -11);
  EXPECT_EQ(A->GetSize(), 8);
  A->SetSize(10);
  EXPECT_EQ(A->GetHeight(), -13);
  B->SetHeight(-13);
  EXPECT_EQ(A->GetHandle(), B->GetHandle());  // equal fonts, one handle
  B->SetStyle({fsBold});
  EXPECT_NE(A->GetHandle(), B->GetHandle());
  LOGFONT L;
  GetObject(B->GetHandle(), &L);
  EXPECT_EQ(L.lfWeight, FW_BOLD);
  EXPECT_EQ(L.lfHeight, -13);
}

// Sizes in points are heights in pixels at the font's resolution; a height
// halfway between two sizes rounds away from zero, both ways, and across
// resolutions the size in points carries over.
TEST(Font, SizesHalfwayBetweenPointsRoundAwayFromZero) {
  TLeakCheck Leaks;
  TObjectPtr<TFont> F(TFont::Create());
  const struct {
    Integer Height, Size;
  } Cases[] = {{-14, 11}, {-10, 8}, {-2, 2}, {-13, 10}, {-15, 11}, {14, -11}, {10, -8}, {-1, 1}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Height);
    F->SetHeight(C.Height);
    EXPECT_EQ(F->GetSize(), C.Size);
  }
  TObjectPtr<TFont> Printer(TFont::Create());
  Printer->SetPixelsPerInch(120);
  F->SetHeight(-14);  // 10.5 points: 11
  Printer->Assign(F.get());
  EXPECT_EQ(Printer->GetHeight(), -18);  // 11 points at 120 pixels an inch: 18.33
  Printer->SetSize(9);                   // 15 pixels exactly
  EXPECT_EQ(Printer->GetHeight(), -15);
  Printer->SetSize(10);  // 16.67 pixels
  EXPECT_EQ(Printer->GetHeight(), -17);
}

// Every attribute that shapes the glyphs gives the font a handle that has it,
// once, with one OnChange; the colour is drawn with any handle and keeps it.
TEST(Font, EachShapingAttributeGivesANewHandleAndTheColourKeepsIt) {
  TLeakCheck Leaks;
  TObjectPtr<TFont> F(TFont::Create());
  int Changes = 0;
  F->OnChange = TNotifyEvent([&](TObject*) { ++Changes; });
  auto Log = [&] {
    LOGFONT L;
    EXPECT_NE(GetObject(F->GetHandle(), &L), 0);
    return L;
  };
  const struct {
    const char* Name;
    std::function<void()> Set;
    std::function<bool(const LOGFONT&)> Has;
  } Cases[] = {
      {"name", [&] { F->SetName("Courier New"); },
       [](const LOGFONT& L) { return L.lfFaceName == "Courier New"; }},
      {"height", [&] { F->SetHeight(-17); }, [](const LOGFONT& L) { return L.lfHeight == -17; }},
      {"bold", [&] { F->SetStyle({fsBold}); },
       [](const LOGFONT& L) { return L.lfWeight == FW_BOLD && !L.lfItalic; }},
      {"italic", [&] { F->SetStyle({fsItalic}); },
       [](const LOGFONT& L) { return L.lfWeight == FW_NORMAL && L.lfItalic; }},
      {"underline", [&] { F->SetStyle({fsUnderline}); },
       [](const LOGFONT& L) { return L.lfUnderline && !L.lfItalic; }},
      {"strike-out", [&] { F->SetStyle({fsStrikeOut}); },
       [](const LOGFONT& L) { return L.lfStrikeOut && !L.lfUnderline; }},
      {"character set", [&] { F->SetCharset(204); },
       [](const LOGFONT& L) { return L.lfCharSet == 204; }},
      {"fixed pitch", [&] { F->SetPitch(fpFixed); },
       [](const LOGFONT& L) { return (L.lfPitchAndFamily & 3) == FIXED_PITCH; }},
      {"variable pitch", [&] { F->SetPitch(fpVariable); },
       [](const LOGFONT& L) { return (L.lfPitchAndFamily & 3) == VARIABLE_PITCH; }},
      {"orientation", [&] { F->SetOrientation(450); },
       [](const LOGFONT& L) { return L.lfEscapement == 450 && L.lfOrientation == 450; }},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const LOGFONT Before = Log();
    EXPECT_FALSE(C.Has(Before));
    Changes = 0;
    C.Set();
    EXPECT_EQ(Changes, 1);
    EXPECT_TRUE(C.Has(Log()));
    C.Set();
    EXPECT_EQ(Changes, 1) << "setting the same value again changes nothing";
  }
  HFONT Handle = F->GetHandle();
  Changes = 0;
  F->SetColor(clRed);
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(F->GetHandle(), Handle);
}

TEST(Font, AssignCopiesAndNotifiesOnce) {
  TLeakCheck Leaks;
  TObjectPtr<TFont> A(TFont::Create()), B(TFont::Create());
  int Changes = 0;
  B->OnChange = TNotifyEvent([&](TObject*) { ++Changes; });
  A->SetName("Arial");
  A->SetColor(clRed);
  A->SetStyle({fsItalic, fsUnderline});
  B->Assign(A.get());
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(B->GetName(), "Arial");
  EXPECT_EQ(B->GetColor(), clRed);
  EXPECT_EQ(B->GetStyle(), (TFontStyles{fsItalic, fsUnderline}));
  B->Assign(A.get());
  EXPECT_EQ(Changes, 1);  // nothing changed
  TObjectPtr<TPen> P(TPen::Create());
  EXPECT_THROW(B->Assign(P.get()), EConvertError);
  // A handle given to the font brings its attributes.
  B->SetHandle(
      CreateFont(-20, 0, 900, 900, FW_BOLD, 0, 0, 1, 0, 0, 0, 0, FIXED_PITCH, "Courier New"));
  EXPECT_EQ(B->GetHeight(), -20);
  EXPECT_EQ(B->GetOrientation(), 900);
  EXPECT_EQ(B->GetPitch(), fpFixed);
  EXPECT_EQ(B->GetStyle(), (TFontStyles{fsBold, fsStrikeOut}));
}

TEST(Canvas, DrawsWithItsObjectsAndGivesTheDCBackItsOwn) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TSurface S(100, 50);
  TObjectPtr<TSurfaceCanvas> C(TSurfaceCanvas::Create(&S));
  C->GetBrush()->SetColor(clYellow);
  C->FillRect({0, 0, 10, 10});
  EXPECT_EQ(S.GetPixel(5, 5), RGB(255, 255, 0));
  C->GetPen()->SetColor(clRed);
  C->MoveTo(0, 20);
  C->LineTo(10, 20);
  EXPECT_EQ(S.GetPixel(9, 20), RGB(255, 0, 0));
  EXPECT_EQ(S.GetPixel(10, 20), RGB(255, 255, 255));
  EXPECT_EQ(C->GetPenPos(), (TPoint{10, 20}));
  C->GetFont()->SetColor(clBlue);
  C->GetBrush()->SetStyle(bsClear);
  C->TextOut(20, 20, "Text");
  const TDrawRecord* Rec = S.FindText("Text");
  ASSERT_NE(Rec, nullptr);
  EXPECT_EQ(Rec->Color, RGB(0, 0, 255));
  EXPECT_FALSE(Rec->Opaque);
  EXPECT_EQ(Rec->FontName, "MS Sans Serif");
  EXPECT_EQ(C->TextHeight("0"), 13);
  EXPECT_EQ(C->TextWidth("Text"), Rec->Rect.Width());
  // Releasing the handle selects the DC's own objects again.
  HDC Dc = C->GetHandle();
  C->SetHandle(nullptr);
  EXPECT_EQ(GetCurrentObject(Dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(GetCurrentObject(Dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(Dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  DeleteDC(Dc);
}

TEST(Canvas, ChangingObjectsWhileSelectedLeaksNothing) {
  TLeakCheck Leaks;
  TSurface S(60, 30);
  TObjectPtr<TSurfaceCanvas> C(TSurfaceCanvas::Create(&S));
  for (int I = 0; I < 3; ++I) {
    C->GetFont()->SetSize(8 + I);
    C->GetPen()->SetWidth(1 + I);
    C->GetBrush()->SetColor(TColor(RGB(I * 10, 0, 0)));
    C->Rectangle(0, 0, 10, 10);
    C->TextOut(0, 12, "x");
  }
  // The pen mode reaches the DC as its ROP2.
  C->GetPen()->SetMode(pmXor);
  C->LineTo(5, 5);
  EXPECT_EQ(GetROP2(C->GetHandle()), R2_XORPEN);
  // An ExtCreatePen pen handed to the canvas pen is owned by it.
  LOGBRUSH LB{BS_SOLID, RGB(0, 0, 0), 0};
  C->GetPen()->SetHandle(ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_SOLID, 3, LB));
  C->LineTo(20, 5);
}

TEST(Canvas, TextRectClipsAndFillsWithTheBrush) {
  TLeakCheck Leaks;
  TSurface S(100, 30);
  TObjectPtr<TSurfaceCanvas> C(TSurfaceCanvas::Create(&S));
  C->GetBrush()->SetColor(clLime);
  C->TextRect({10, 5, 40, 20}, 12, 6, "Clipped long text");
  EXPECT_EQ(S.GetPixel(10, 5), RGB(0, 255, 0));
  EXPECT_EQ(S.GetPixel(39, 19), RGB(0, 255, 0));
  EXPECT_EQ(S.GetPixel(40, 10), RGB(255, 255, 255));
  TRect R{0, 0, 200, 0};
  String Text = "Two\nlines";
  C->TextRect(R, Text, {tfCalcRect});
  EXPECT_EQ(R.Height(), 26);
  EXPECT_EQ(C->GetClipRect(), (TRect{0, 0, 100, 30}));
}

TEST(Canvas, WithoutAHandleDrawingFails) {
  TLeakCheck Leaks;
  TObjectPtr<TCanvas> C(TCanvas::Create());
  EXPECT_THROW(C->FillRect({0, 0, 1, 1}), EInvalidOperation);
  EXPECT_FALSE(C->HandleAllocated());
}

TEST(Canvas, OnChangeFiresAroundDrawing) {
  TLeakCheck Leaks;
  TSurface S(10, 10);
  TObjectPtr<TSurfaceCanvas> C(TSurfaceCanvas::Create(&S));
  std::vector<String> Log;
  C->OnChanging = TNotifyEvent([&](TObject*) { Log.push_back("changing"); });
  C->OnChange = TNotifyEvent([&](TObject*) { Log.push_back("change"); });
  C->FillRect({0, 0, 2, 2});
  EXPECT_EQ(Log, (std::vector<String>{"changing", "change"}));
  C->TextWidth("measure only");
  EXPECT_EQ(Log.size(), 2u);
}

TEST(Canvas, CopyRectStretchesFromAnotherCanvasWithTheCopyMode) {
  TLeakCheck Leaks;
  TObjectPtr<TBitmap> Bmp(TBitmap::Create());
  Bmp->SetSize(4, 2);
  TCanvas* Src = Bmp->GetCanvas();
  Src->GetBrush()->SetColor(clRed);
  Src->FillRect({0, 0, 2, 2});
  Src->GetBrush()->SetColor(clBlue);
  Src->FillRect({2, 0, 4, 2});
  TSurface S(20, 10);
  TObjectPtr<TSurfaceCanvas> C(TSurfaceCanvas::Create(&S));
  C->CopyRect({0, 0, 8, 4}, Src, {0, 0, 4, 2});  // twice as big
  EXPECT_EQ(S.GetPixel(3, 3), RGB(255, 0, 0));
  EXPECT_EQ(S.GetPixel(4, 0), RGB(0, 0, 255));
  EXPECT_EQ(S.GetPixel(8, 0), RGB(255, 255, 255));
  EXPECT_EQ(S.GetPixel(0, 4), RGB(255, 255, 255));
  C->SetCopyMode(cmSrcInvert);  // XOR with what is there
  C->CopyRect({10, 0, 14, 2}, Src, {0, 0, 4, 2});
  EXPECT_EQ(S.GetPixel(10, 0), RGB(0, 255, 255));
  EXPECT_EQ(S.GetPixel(13, 1), RGB(255, 255, 0));
  C->Lock();
  C->Lock();
  C->Unlock();
  EXPECT_EQ(C->GetLockCount(), 1);
  C->Unlock();
  EXPECT_EQ(C->GetLockCount(), 0);
}

}  // namespace
