// The grid unit's text and image drawing on a bitmap, read back from its
// drawing log and its pixels: texts cut to a width, one-line texts placed by
// alignment and layout, wrapped texts laid out in the cell, the palette
// display's detour through the shared bitmap, turned text and clipped images.
//
// Ideas for tests: a bold right-aligned text placed by its overhang-inclusive
// width; the shared bitmap under a failing text write.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/graphics/Surface.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

constexpr TColor Red = 0x0000FF;  // TColor is 0x00BBGGRR
constexpr TColor Cream = 0xD0F0F8;

// A 240 x 120 bitmap painted red, whose drawing log the tests read.
class DrawingRoutinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Bitmap.reset(TBitmap::Create());
    Bitmap->SetSize(240, 120);
    Canvas = Bitmap->GetCanvas();
    Canvas->GetBrush()->SetColor(Red);
    Canvas->FillRect({0, 0, 240, 120});
    Canvas->GetFont()->SetName("Courier New");  // every character equally wide
    Canvas->GetFont()->SetHeight(-12);
    Canvas->GetFont()->SetColor(clBlack);
    Canvas->GetBrush()->SetColor(Cream);
    Log()->ClearRecords();
  }
  void TearDown() override { SetDisplayColorDepth(32); }
  TSurface* Log() { return Bitmap->GetSurface(); }
  const TDrawRecord* Text(const String& S) {
    const TDrawRecord* R = Log()->FindText(S);
    EXPECT_NE(R, nullptr) << "no text \"" << S << "\" was drawn";
    return R;
  }
  COLORREF Pixel(Integer X, Integer Y) { return Canvas->GetPixel(X, Y); }
  Integer CharWidth() { return Canvas->TextWidth("W"); }
  Integer LineHeight() { return Canvas->TextHeight("Wg"); }

  TDrawingLogOn DrawingLog;
  TObjectPtr<TBitmap> Bitmap;
  TCanvas* Canvas = nullptr;
};

TEST_F(DrawingRoutinesTest, CutTextToWidthKeepsWhatFitsBeforeTheEllipsis) {
  const Integer W = CharWidth();
  ASSERT_EQ(Canvas->TextWidth("."), W);
  String R;
  CutTextToWidth("ABCDEFGHIJ", Canvas, W * 15 / 2, R);
  EXPECT_EQ(R, "ABCD...") << "seven characters fit in seven and a half";
  CutTextToWidth("ABCDEFGHIJ", Canvas, W * 10, R);
  EXPECT_EQ(R, "ABCDEFGHIJ");
  CutTextToWidth("ABCDEFGHIJ", Canvas, W * 9, R);
  EXPECT_EQ(R, "ABCDEF...");
  CutTextToWidth("ABCDEFGHIJ", Canvas, W * 9 - 1, R);
  EXPECT_EQ(R, "ABCDE...");
  CutTextToWidth("ABCDEFGHIJ", Canvas, W, R);
  EXPECT_EQ(R, "...");
  // Characters are cut whole, never in the middle of their bytes.
  CutTextToWidth("\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC", Canvas, W * 5, R);
  EXPECT_EQ(R, "\xC3\x84\xC3\x96...");
}

TEST_F(DrawingRoutinesTest, OneLineIsPlacedByAlignmentAndLayout) {
  const Integer W = CharWidth(), H = LineHeight();
  const TRect Cell{20, 10, 140, 10 + 3 * H};
  struct {
    TAlignment Alignment;
    TTextLayout Layout;
    Integer X, Y;
  } Cases[] = {
      {taLeftJustify, tlTop, Cell.Left + 2, Cell.Top + 1},
      {taRightJustify, tlTop, Cell.Right - 3 * W - 3, Cell.Top + 1},
      {taCenter, tlTop, Cell.Left + 60 - 3 * W / 2, Cell.Top + 1},
      {taLeftJustify, tlCenter, Cell.Left + 2, (Cell.Top + Cell.Bottom - H) / 2},
      {taLeftJustify, tlBottom, Cell.Left + 2, Cell.Bottom - H},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Alignment << "/" << C.Layout);
    Log()->ClearRecords();
    WriteCellText(Canvas, Cell, true, 2, 1, C.Alignment, C.Layout, false, false, 0, 0, false,
                  "abc");
    const TDrawRecord* R = Text("abc");
    ASSERT_NE(R, nullptr);
    EXPECT_EQ(R->Rect.Left, C.X);
    EXPECT_EQ(R->Rect.Top, C.Y);
  }
  // An odd number of spare pixels: the text stands a pixel nearer the top.
  Log()->ClearRecords();
  const TRect Odd{20, 10, 140, 10 + 3 * H + 1};
  WriteCellText(Canvas, Odd, true, 2, 1, taLeftJustify, tlCenter, false, false, 0, 0, false, "odd");
  EXPECT_EQ(Text("odd")->Rect.Top, Odd.Top + H);
  // A cell no taller than the text keeps it at the top whatever the layout.
  Log()->ClearRecords();
  WriteCellText(Canvas, {20, 60, 140, 60 + H}, true, 2, 1, taLeftJustify, tlBottom, false, false,
                0, 0, false, "low");
  EXPECT_EQ(Text("low")->Rect.Top, 61);
}

TEST_F(DrawingRoutinesTest, OneLineFillsTheCellOnlyWhenAsked) {
  const TRect Cell{20, 10, 140, 40};
  WriteCellText(Canvas, Cell, false, 2, 2, taLeftJustify, tlTop, false, false, 0, 0, false, "x");
  EXPECT_EQ(Pixel(130, 35), ColorToRGB(Red)) << "the cell keeps what it showed";
  EXPECT_EQ(Canvas->GetBrush()->GetStyle(), bsSolid) << "the brush is given back";
  WriteCellText(Canvas, Cell, true, 2, 2, taLeftJustify, tlTop, false, false, 0, 0, false, "x");
  EXPECT_EQ(Pixel(130, 35), ColorToRGB(Cream));
  EXPECT_EQ(Pixel(140, 35), ColorToRGB(Red)) << "and not a pixel beyond it";
  EXPECT_EQ(Pixel(130, 40), ColorToRGB(Red));
}

TEST_F(DrawingRoutinesTest, EndEllipsisCutsAOneLineTextToTheCell) {
  const Integer W = CharWidth();
  // Ten characters in a cell of eight less 2 x 2 pixels of margin.
  WriteCellText(Canvas, {0, 0, 8 * W, 20}, true, 2, 2, taLeftJustify, tlTop, false, true, 0, 0,
                false, "ABCDEFGHIJ");
  EXPECT_NE(Log()->FindText("ABCD..."), nullptr);
  // Two pixels more: eight characters would fill the cell up to its right
  // edge, leaving no margin there; the text stays as short.
  Log()->ClearRecords();
  WriteCellText(Canvas, {0, 60, 8 * W + 2, 80}, true, 2, 2, taLeftJustify, tlTop, false, true, 0,
                0, false, "ABCDEFGHIJ");
  EXPECT_NE(Log()->FindText("ABCD..."), nullptr);
  EXPECT_EQ(Log()->FindText("ABCDE..."), nullptr);
  // Without the option the text is only clipped.
  WriteCellText(Canvas, {0, 30, 8 * W, 50}, true, 2, 2, taLeftJustify, tlTop, false, false, 0, 0,
                false, "ABCDEFGHIJ");
  EXPECT_NE(Log()->FindText("ABCDEFGHIJ"), nullptr);
}

TEST_F(DrawingRoutinesTest, AWrappedTextIsLaidOutInTheCell) {
  const Integer W = CharWidth(), H = LineHeight();
  // Two words of four letters in a cell five letters wide and three lines high.
  const TRect Cell{10, 10, 10 + 5 * W + 4, 10 + 3 * H};
  WriteCellText(Canvas, Cell, true, 2, 1, taLeftJustify, tlCenter, true, false, 0, 0, false,
                "abcd efgh");
  const TDrawRecord* First = Text("abcd");
  const TDrawRecord* Second = Text("efgh");
  ASSERT_TRUE(First && Second);
  EXPECT_EQ(First->Rect.Left, Cell.Left + 2);
  EXPECT_EQ(Second->Rect.Top, First->Rect.Top + H) << "one word a line";
  const Integer Room = Cell.Bottom - Cell.Top - 2;
  EXPECT_EQ(First->Rect.Top, Cell.Top + 1 + Room / 2 - (2 * H) / 2) << "the block is centred";
  EXPECT_EQ(Pixel(Cell.Right - 1, Cell.Bottom - 1), ColorToRGB(Cream));

  Log()->ClearRecords();
  WriteCellText(Canvas, Cell, true, 0, 0, taLeftJustify, tlBottom, true, false, 0, 0, false,
                "abcd efgh");
  EXPECT_EQ(Text("efgh")->Rect.Top, Cell.Bottom - H);

  // A cell just tall enough for two lines inside its margins shows the
  // second line whole.
  Log()->ClearRecords();
  const TRect Tight{10, 60, 10 + 5 * W + 4, 60 + 2 * H + 1};
  Canvas->GetBrush()->SetColor(Cream);
  WriteCellText(Canvas, Tight, true, 2, 1, taLeftJustify, tlTop, true, false, 0, 0, false,
                "abcd efgh");
  ASSERT_NE(Text("efgh"), nullptr);
  EXPECT_EQ(Text("efgh")->Rect.Top, Tight.Top + 1 + H);
  EXPECT_EQ(Text("efgh")->Rect.Bottom, Tight.Top + 1 + 2 * H);

  // Margins push the text in; right alignment with a right margin.
  Log()->ClearRecords();
  const TRect Wide{10, 60, 10 + 20 * W, 60 + H};
  WriteCellText(Canvas, Wide, true, 0, 0, taRightJustify, tlTop, true, false, 0, 3, false, "ab");
  EXPECT_EQ(Text("ab")->Rect.Left, Wide.Right - 3 - 2 * W);
}

TEST_F(DrawingRoutinesTest, APaletteDisplayWritesFilledCellsThroughTheSharedBitmap) {
  AcquireSharedDrawBitmap();
  const TColor Odd = 0x2D6B91;  // not among the 256 colours of the palette
  SetDisplayColorDepth(8);
  ASSERT_NE(GetNearestColor(Canvas->GetHandle(), ColorToRGB(Odd)), ColorToRGB(Odd));
  Canvas->GetBrush()->SetColor(Odd);
  const TRect Cell{30, 20, 110, 50};
  WriteCellText(Canvas, Cell, true, 2, 1, taLeftJustify, tlTop, false, false, 0, 0, false,
                "Palette");
  ASSERT_NE(SharedDrawBitmap(), nullptr);
  EXPECT_GE(SharedDrawBitmap()->GetWidth(), 80);
  EXPECT_GE(SharedDrawBitmap()->GetHeight(), 30);
  EXPECT_EQ(Pixel(108, 48), ColorToRGB(Odd)) << "the cell shows its colour whole";
  EXPECT_EQ(Pixel(110, 48), ColorToRGB(Red));
  const TDrawRecord* R = Text("Palette");
  ASSERT_NE(R, nullptr);
  EXPECT_EQ(R->Rect.Left, Cell.Left + 2);
  EXPECT_EQ(R->Rect.Top, Cell.Top + 1);
  // The bitmap only grows.
  WriteCellText(Canvas, {0, 0, 10, 10}, true, 0, 0, taLeftJustify, tlTop, false, false, 0, 0,
                false, "s");
  EXPECT_GE(SharedDrawBitmap()->GetWidth(), 80);
  // An unfilled cell is written in place: the bitmap's pixels would hide
  // what the cell shows.
  Canvas->GetBrush()->SetColor(Odd);
  WriteCellText(Canvas, {120, 20, 200, 50}, false, 2, 1, taLeftJustify, tlTop, false, false, 0, 0,
                false, "Clear");
  EXPECT_EQ(Pixel(198, 48), ColorToRGB(Red));
  EXPECT_NE(Log()->FindText("Clear"), nullptr);
  ReleaseSharedDrawBitmap();
}

TEST(SharedDrawBitmapTest, LivesFromTheFirstUserToTheLast) {
  const Integer Users = SharedDrawBitmapUsers();
  if (Users == 0) EXPECT_EQ(SharedDrawBitmap(), nullptr);
  AcquireSharedDrawBitmap();
  TBitmap* B = SharedDrawBitmap();
  ASSERT_NE(B, nullptr);
  AcquireSharedDrawBitmap();
  EXPECT_EQ(SharedDrawBitmap(), B);
  ReleaseSharedDrawBitmap();
  EXPECT_EQ(SharedDrawBitmap(), B);
  ReleaseSharedDrawBitmap();
  EXPECT_EQ(SharedDrawBitmapUsers(), Users);
  if (Users == 0) EXPECT_EQ(SharedDrawBitmap(), nullptr);
}

TEST_F(DrawingRoutinesTest, RotatedFontsTurnByNinetyDegreesInAFaceThatCanTurn) {
  TObjectPtr<TFont> Font(TFont::Create());
  Font->SetName("Default");
  Font->SetHeight(-13);
  Font->SetStyle({fsBold, fsItalic});
  Font->SetPitch(fpFixed);
  Font->SetCharset(ANSI_CHARSET);
  const HFONT H = CreateRotatedFont(Font.get());
  LOGFONT LF;
  ASSERT_GT(GetObject(H, &LF), 0);
  EXPECT_EQ(LF.lfHeight, -13);
  EXPECT_EQ(LF.lfWidth, 0);
  EXPECT_EQ(LF.lfEscapement, 900);
  EXPECT_EQ(LF.lfOrientation, 900);
  EXPECT_EQ(LF.lfWeight, FW_BOLD);
  EXPECT_EQ(LF.lfItalic, 1);
  EXPECT_EQ(LF.lfUnderline, 0);
  EXPECT_EQ(LF.lfCharSet, ANSI_CHARSET);
  EXPECT_EQ(LF.lfOutPrecision, OUT_TT_ONLY_PRECIS);
  EXPECT_EQ(LF.lfPitchAndFamily, FIXED_PITCH);
  EXPECT_EQ(LF.lfFaceName, "MS Sans Serif") << "the platform's default face";
  DeleteObject(H);
  Font->SetStyle({});
  Font->SetPitch(fpVariable);
  Font->SetName("Arial");
  const HFONT H2 = CreateRotatedFont(Font.get());
  GetObject(H2, &LF);
  EXPECT_EQ(LF.lfWeight, FW_NORMAL);
  EXPECT_EQ(LF.lfPitchAndFamily, VARIABLE_PITCH);
  EXPECT_EQ(LF.lfFaceName, "Arial");
  DeleteObject(H2);
}

TEST_F(DrawingRoutinesTest, VerticalTextRunsUpTheCell) {
  Canvas->GetFont()->SetName("Arial");
  const Integer Width = Canvas->TextWidth("Title");
  const Integer H = Canvas->TextHeight("Title");
  Canvas->GetHandle();  // pen and brush selected too
  const Integer Objects = GetLiveGdiObjectCount();
  EXPECT_EQ(WriteVerticalCellText(Canvas, {10, 10, 40, 100}, true, 2, 3, "Title", taLeftJustify,
                                  taCenter, false, true),
            Width);
  EXPECT_TRUE(Log()->Records().empty()) << "measuring draws nothing";
  const TRect Cell{10, 10, 40, 100};
  struct {
    TAlignment Across, Along;
    TRect Box;  // where the turned text stands
  } Cases[] = {
      {taLeftJustify, taLeftJustify, {12, 10, 12 + H, 10 + Width}},
      {taRightJustify, taRightJustify, {40 - H, 97 - Width, 40, 97}},
      {taCenter, taCenter,
       {25 - H / 2, 55 + Width / 2 - Width, 25 - H / 2 + H, 55 + Width / 2}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Across << "/" << C.Along);
    Log()->ClearRecords();
    WriteVerticalCellText(Canvas, Cell, true, 2, 3, "Title", C.Across, C.Along, false, false);
    const TDrawRecord* R = Text("Title");
    ASSERT_NE(R, nullptr);
    EXPECT_EQ(R->Escapement, 900);
    EXPECT_EQ(R->Rect, C.Box);
  }
  EXPECT_EQ(Canvas->GetFont()->GetOrientation(), 0) << "the canvas font is given back";
  EXPECT_EQ(Canvas->GetFont()->GetName(), "Arial");
  Canvas->TextWidth("Title");
  EXPECT_EQ(GetLiveGdiObjectCount(), Objects) << "the turned font is freed";
  // A slanted face overhangs by its slope, and is centred across with it.
  Canvas->GetFont()->SetStyle({fsItalic});
  const Integer Slanted = WriteVerticalCellText(Canvas, Cell, true, 2, 3, "Title", taLeftJustify,
                                                taCenter, false, true);
  const Integer Overhang = Slanted - Canvas->TextWidth("Title");
  EXPECT_GT(Overhang, 0);
  Log()->ClearRecords();
  WriteVerticalCellText(Canvas, Cell, true, 2, 3, "Title", taCenter, taCenter, false, false);
  const Integer Tall = Canvas->TextHeight("Title");
  ASSERT_NE(Text("Title"), nullptr);
  EXPECT_EQ(Text("Title")->Rect.Left, 25 - (Tall + Overhang) / 2);
}

TEST_F(DrawingRoutinesTest, VerticalTextWithEllipsisIsCutToTheCellHeight) {
  const Integer W = CharWidth();
  Log()->ClearRecords();
  WriteVerticalCellText(Canvas, {10, 10, 30, 10 + 8 * W}, true, 2, 0, "ABCDEFGHIJ", taLeftJustify,
                        taRightJustify, true, false);
  EXPECT_NE(Log()->FindText("ABCDE..."), nullptr);
}

TEST_F(DrawingRoutinesTest, ImagesArePlacedInTheCellAndClippedOnlyWhenTheyStickOut) {
  TObjectPtr<TCustomImageList> Images(TCustomImageList::CreateSize(16, 16));
  TObjectPtr<TBitmap> Image(TBitmap::Create());
  Image->SetSize(16, 16);
  Image->GetCanvas()->GetBrush()->SetColor(clBlue);
  Image->GetCanvas()->FillRect({0, 0, 16, 16});
  Images->Add(Image.get(), nullptr);
  struct {
    TAlignment Alignment;
    Integer DX;
    Integer X;
  } Cases[] = {{taLeftJustify, 3, 23}, {taRightJustify, -2, 82}, {taCenter, 1, 53}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Alignment);
    Canvas->GetBrush()->SetColor(Red);
    Canvas->FillRect({0, 0, 240, 120});
    DrawClippedImage(Images.get(), Canvas, C.Alignment, C.DX, 0, {20, 10, 100, 40});
    EXPECT_EQ(Pixel(C.X, 17), ColorToRGB(clBlue));
    EXPECT_EQ(Pixel(C.X + 15, 32), ColorToRGB(clBlue));
    EXPECT_EQ(Pixel(C.X - 1, 17), ColorToRGB(Red));
    EXPECT_EQ(Pixel(C.X + 16, 17), ColorToRGB(Red));
  }
  // A cell lower than the image cuts it at the cell's edges, and the canvas
  // keeps the clipping it had.
  Canvas->FillRect({0, 0, 240, 120});
  HRGN Before = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetClipRgn(Canvas->GetHandle(), Before), 0);
  DrawClippedImage(Images.get(), Canvas, taLeftJustify, 0, 0, {20, 60, 60, 70});
  EXPECT_EQ(Pixel(20, 60), ColorToRGB(clBlue));
  EXPECT_EQ(Pixel(20, 69), ColorToRGB(clBlue));
  EXPECT_EQ(Pixel(20, 59), ColorToRGB(Red));
  EXPECT_EQ(Pixel(20, 70), ColorToRGB(Red));
  EXPECT_EQ(GetClipRgn(Canvas->GetHandle(), Before), 0) << "no clip is left behind";
  IntersectClipRect(Canvas->GetHandle(), 0, 0, 200, 100);
  DrawClippedImage(Images.get(), Canvas, taLeftJustify, 0, 0, {20, 60, 60, 70});
  ASSERT_EQ(GetClipRgn(Canvas->GetHandle(), Before), 1);
  TRect Box;
  GetRgnBox(Before, &Box);
  EXPECT_EQ(Box, (TRect{0, 0, 200, 100})) << "the clip it had comes back";
  DeleteObject(Before);
  // A graphic is placed like an image.
  Canvas->FillRect({0, 0, 240, 120});
  DrawClippedImage(Image.get(), Canvas, taRightJustify, 0, {20, 10, 100, 40});
  EXPECT_EQ(Pixel(84, 17), ColorToRGB(clBlue));
  EXPECT_EQ(Pixel(83, 17), ColorToRGB(Red));
}

TEST(DrawingSmallRoutinesTest, PointInRectCountsAllFourEdges) {
  const TRect R{10, 20, 30, 40};
  EXPECT_TRUE(PointInRect({10, 20}, R));
  EXPECT_TRUE(PointInRect({30, 40}, R));
  EXPECT_FALSE(PointInRect({31, 40}, R));
  EXPECT_FALSE(PointInRect({10, 19}, R));
  Integer A = 1, B = 2;
  SwapInt(A, B);
  EXPECT_EQ(A, 2);
  EXPECT_EQ(B, 1);
}

// [SECTION] The grid's drawing

// A tree the dataset interface reports for its current record: its level,
// which of its ancestors have a following sibling, its children.
class TFakeTree : public kvp::TObject, public IMemTableKv {
  KV_CLASS(TFakeTree, kvp::TObject)
 public:
  bool TreeMode = true;
  Integer Level = 3;
  std::vector<bool> NextSibling = {true, false, true};  // levels 1, 2, 3
  bool Children = true;
  bool Expanded = true;
  Integer NextLevel = 2;  // the next row goes on at level 2

  void FetchRecords(Integer) override {}
  Integer GetActiveRecord() override { return 0; }
  Integer GetRecordIndexByBookmark(const TBookmark&) override { return -1; }
  bool GetNodeExpanded() override { return Expanded; }
  bool GetNodeHasChildren() override { return Children; }
  Integer GetNodeLevel() override { return Level; }
  bool GetNodeHasNextSibling(Integer L) override { return NextSibling.at(std::size_t(L - 1)); }
  Integer GetNextNodeLevel() override { return NextLevel; }
  IMemTableDataFieldValueListKv* GetFieldValueList(const String&) override { return nullptr; }
  Integer GetTreeLevelLimit() override { return 10; }
  Integer GetRecordCount() override { return 1; }
  bool GetTreeViewMode() override { return TreeMode; }
  TBookmark GetBookmarkByRecordIndex(Integer) override { return {}; }
  Integer GetParentRecordIndex(Integer) override { return -1; }
  void SetNodeExpanded(Integer, bool) override {}
  Integer GetNodeChildCount() override { return Children ? 1 : 0; }
  bool MoveRecords(const std::vector<TBookmark>&, Integer, Integer, bool) override { return false; }
  void SetActiveRecord(Integer) override {}
  void RestoreActiveRecord() override {}
};

class TTreeGrid : public TTestDBGrid {
  KV_CLASS(TTreeGrid, TTestDBGrid)
 public:
  using TTestDBGrid::TTestDBGrid;
  void SetTree(IMemTableKv* Tree) { FMemTable = Tree; }
  using TCustomDBGridKv::DrawTreeCell;
};

class GridDrawingTest : public DBGridOnFormTest {
 protected:
  TDrawingLogOn DrawingLog;
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    TreeGrid = TTreeGrid::Create(Form);
    TreeGrid->SetParent(Form);
    Grids.push_back(TreeGrid);
    Tree.reset(TFakeTree::Create());
    Bitmap.reset(TBitmap::Create());
    Bitmap->SetSize(120, 40);
    Canvas = Bitmap->GetCanvas();
    Canvas->GetBrush()->SetColor(clRed);
    Canvas->FillRect({0, 0, 120, 40});
  }
  void TearDown() override {
    TreeGrid->SetTree(nullptr);
    DBGridOnFormTest::TearDown();
  }
  COLORREF Pixel(Integer X, Integer Y) { return Canvas->GetPixel(X, Y); }
  TTreeGrid* TreeGrid = nullptr;
  TObjectPtr<TFakeTree> Tree;
  TObjectPtr<TBitmap> Bitmap;
  TCanvas* Canvas = nullptr;
};

TEST_F(GridDrawingTest, TheTreeAreaHasASlotALevelWithItsConnectorsAndTheNodesBox) {
  TreeGrid->SetTree(Tree.get());
  EXPECT_EQ(TreeGrid->GetTreeIndent(), 54);
  // A row of 20 pixels at the top of the bitmap, its row line below it.
  Canvas->GetBrush()->SetColor(TColor(0xF0E0D0));
  TreeGrid->DrawTreeArea(Canvas, {0, 0, 100, 20}, true);
  const COLORREF Back = ColorToRGB(TColor(0xF0E0D0)), Shadow = ColorToRGB(clBtnShadow);
  auto Dotted = [&](Integer X, Integer Y0, Integer Y1) {
    for (Integer Y = Y0; Y < Y1; ++Y)
      if (Pixel(X, Y) == Shadow || Pixel(X, Y + 1) == Shadow) continue;
      else return false;
    return true;
  };
  // Level 1 has a following sibling: a vertical connector through its slot.
  EXPECT_TRUE(Dotted(9, 0, 19));
  // Level 2 has none: only the background.
  for (Integer Y = 0; Y < 20; ++Y) EXPECT_EQ(Pixel(27, Y), Back) << Y;
  // The node: an expanded box centred in the third slot.
  EXPECT_EQ(Pixel(36 + 9 - 4, 10), Shadow) << "the box's left side";
  EXPECT_EQ(Pixel(36 + 9 + 4, 10), Shadow) << "the box's right side";
  EXPECT_EQ(Pixel(36 + 9, 10), ColorToRGB(clWindowText)) << "the minus bar";
  EXPECT_NE(Pixel(36 + 9, 8), ColorToRGB(clWindowText)) << "no plus bar";
  // A silver line parts the tree from the text, up to the top.
  for (Integer Y = 0; Y < 20; ++Y) EXPECT_EQ(Pixel(53, Y), COLORREF(0xC0C0C0)) << Y;
  // The row line under the first slot and under the levels before the one
  // the next row goes on at is in the grid's colour; not under the rest.
  EXPECT_EQ(Pixel(9, 20), ColorToRGB(TreeGrid->GetColor()));
  EXPECT_EQ(Pixel(27, 20), ColorToRGB(clRed)) << "the next row goes on at level 2";
  EXPECT_EQ(Pixel(40, 20), ColorToRGB(clRed));
  // With no level reported for the next row, every ancestor's line is covered.
  Tree->NextLevel = -1;
  TreeGrid->DrawTreeArea(Canvas, {0, 0, 100, 20}, true);
  EXPECT_EQ(Pixel(27, 20), ColorToRGB(TreeGrid->GetColor()));
  EXPECT_EQ(Pixel(40, 20), ColorToRGB(clRed)) << "the node's own slot keeps its line";
  EXPECT_EQ(Pixel(60, 10), ColorToRGB(clRed)) << "nothing right of the area";
}

TEST_F(GridDrawingTest, ALeafAndACollapsedNodeTakeTheirOwnElements) {
  TreeGrid->SetTree(Tree.get());
  Tree->Level = 1;
  Tree->NextSibling = {false};
  Tree->Children = false;
  TreeGrid->DrawTreeArea(Canvas, {0, 0, 18, 20}, false);
  const COLORREF Shadow = ColorToRGB(clBtnShadow);
  // The last leaf: a connector from the top to the middle and to the right.
  bool Up = false, Down = false, Right = false;
  for (Integer Y = 0; Y < 9; ++Y) Up = Up || Pixel(9, Y) == Shadow;
  for (Integer Y = 12; Y < 20; ++Y) Down = Down || Pixel(9, Y) == Shadow;
  for (Integer X = 11; X < 18; ++X) Right = Right || Pixel(X, 10) == Shadow;
  EXPECT_TRUE(Up);
  EXPECT_FALSE(Down);
  EXPECT_TRUE(Right);
  // A collapsed node: the plus box.
  Tree->Children = true;
  Tree->Expanded = false;
  TreeGrid->DrawTreeArea(Canvas, {0, 0, 18, 20}, false);
  EXPECT_EQ(Pixel(9, 8), ColorToRGB(clWindowText)) << "the plus bar";
}

// A cell in the raised look gives the tree area back the pixel its frame
// took on the left: the tree stands where it stands in a plain cell.
TEST_F(GridDrawingTest, TheTreeOfARaisedCellStandsWhereAPlainCellsDoes) {
  TreeGrid->SetBounds(0, 205, 400, 60);
  TreeGrid->SetTree(Tree.get());
  Tree->NextLevel = -1;
  TSurface* Surface = GetWindowSurface(TreeGrid->GetHandle());
  const TPoint Origin = TreeGrid->ClientToScreen({0, 0});
  TRect F;
  GetWindowRect(Form->GetHandle(), &F);
  auto At = [&](Integer X, Integer Y) {
    return Surface->GetPixel(Origin.X - F.Left + X, Origin.Y - F.Top + Y);
  };
  TreeGrid->GetCanvas()->GetBrush()->SetColor(clRed);
  TreeGrid->GetCanvas()->FillRect({0, 0, 400, 40});
  TRect Plain{10, 10, 110, 30};
  TreeGrid->DrawTreeCell(0, 0, false, Plain, {});
  TRect Raised{201, 11, 299, 29};  // the cell {200, 10, 300, 30} within its frame
  TreeGrid->DrawTreeCell(0, 0, true, Raised, {gdFixed});
  Integer Differ = 0, Drawn = 0;
  for (Integer Y = 8; Y < 31; ++Y)
    for (Integer X = 0; X < 3 * 18; ++X) {
      if (At(10 + X, Y) != At(200 + X, Y)) ++Differ;
      if (At(10 + X, Y) != ColorToRGB(clRed)) ++Drawn;
    }
  EXPECT_GT(Drawn, 3 * 18 * 20 - 10) << "the area covers its three slots";
  EXPECT_EQ(Differ, 0);
}

TEST_F(GridDrawingTest, ATreeWithRowLinesWantsTheOffScreenBitmap) {
  EXPECT_FALSE(TreeGrid->WantsDoubleBuffer());
  EXPECT_EQ(TreeGrid->GetTreeIndent(), 0);
  TreeGrid->SetTree(Tree.get());
  EXPECT_TRUE(TreeGrid->WantsDoubleBuffer());
  TreeGrid->SetOptions(TreeGrid->GetOptions() - dgRowLinesKv);
  EXPECT_FALSE(TreeGrid->WantsDoubleBuffer());
  TreeGrid->SetOptions(TreeGrid->GetOptions() + dgRowLinesKv);
  Tree->TreeMode = false;
  EXPECT_FALSE(TreeGrid->WantsDoubleBuffer());
  EXPECT_EQ(TreeGrid->GetTreeIndent(), 0) << "not shown as a tree";
}

TEST_F(GridDrawingTest, AFlatGridWithABorderDrawsASunkenOne) {
  TreeGrid->SetBounds(405, 10, 80, 80);  // beside the fixture's grid
  TreeGrid->SetFlat(true);
  ASSERT_EQ(TreeGrid->GetBorderStyle(), bsSingle);
  ASSERT_TRUE(TreeGrid->GetCtl3D());
  ASSERT_TRUE(TreeGrid->HandleAllocated());
  TSurface* Surface = GetWindowSurface(TreeGrid->GetHandle());
  Surface->ClearRecords();
  TreeGrid->PaintFlatBorder();
  const TRect Window = GetWindowSurfaceRect(TreeGrid->GetHandle());
  std::vector<const TDrawRecord*> Edges;
  for (const TDrawRecord& R : Surface->Records())
    if (R.Kind == TDrawKind::Edge) Edges.push_back(&R);
  ASSERT_EQ(Edges.size(), 1u);
  EXPECT_EQ(Edges[0]->Flags, BDR_SUNKENINNER);
  EXPECT_EQ(Edges[0]->Flags2, BF_RECT);
  EXPECT_EQ(Edges[0]->Rect, Window);
  // Not flat, or without a border: nothing.
  Surface->ClearRecords();
  TreeGrid->SetFlat(false);
  TreeGrid->PaintFlatBorder();
  TreeGrid->SetFlat(true);
  TreeGrid->SetBorderStyle(bsNone);
  TreeGrid->PaintFlatBorder();
  for (const TDrawRecord& R : Surface->Records()) EXPECT_NE(R.Kind, TDrawKind::Edge);
}

}  // namespace
}  // namespace korvel
