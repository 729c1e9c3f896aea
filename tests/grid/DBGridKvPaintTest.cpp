// The data-aware grid as a person sees it, read back from the pixels and the
// drawing log of its window: the indicator of the current record in each
// state, titles (captions, pressed look, sort markers and their numbers,
// images, vertical and multi-level titles), data rows, footers with their
// totals, the filter row, frames of fixed cells, the focus frame, the header
// face with visual styles, right-to-left reading, and painting through an
// off-screen bitmap.
//
// Ideas for tests: a bold right-aligned footer placed by its overhang; the
// glyph face of an edit button in a cell; data cells of a dataset shown as a
// tree.
#include <gtest/gtest.h>

#include <filesystem>

#include "grid/DBGridKv.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SampleDatabase.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "platform/graphics/Surface.h"
#include "platform/graphics/Themes.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// The grid with the filter row shown and the title tracking reachable.
class TPaintGrid : public TTestDBGrid {
  KV_CLASS(TPaintGrid, TTestDBGrid)
 public:
  using TTestDBGrid::TTestDBGrid;
  bool ShowFilterRow = false;
  bool FilterRowVisible() override { return ShowFilterRow; }
  // Presses the title of grid column Col with the pointer at (X, Y).
  void PressTitle(Integer Col, Integer X, Integer Y) {
    FTitleTracking.Tracking = true;
    FTitleTracking.Col = Col;
    UpdateTitleTracking(X, Y);
  }
  using TCustomDBGridKv::DrawButtonFrame;
};

// Five orders in a grid of 400 x 200 pixels on a shown form, with the focus.
class GridPaintTest : public DBGridWithDataTest {
 protected:
  TDrawingLogOn DrawingLog;
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->Free();
    Grids.clear();
    PGrid = TPaintGrid::Create(Form);
    PGrid->SetName("PaintGrid");
    PGrid->SetBounds(0, 0, 400, 200);
    PGrid->SetParent(Form);
    Grid = PGrid;
    Grids.push_back(PGrid);
  }
  void TearDown() override {
    ThemeServices()->SetThemesEnabled(false);
    ThemeServices()->ClearRequests();
    DisableDoubleBuffer = false;
    DBGridWithDataTest::TearDown();
  }
  void Open() {
    Grid->SetDataSource(Source);
    Grid->SetFocus();
    RepaintAll();
  }
  void RepaintAll() {
    Grid->Invalidate();
    Surface()->ClearRecords();
    UpdateWindow(Grid->GetHandle());
  }
  // Repaints over spoiled pixels, so that every pixel checked is one this
  // paint made.
  void RepaintAfresh() {
    Surface()->Fill(RGB(255, 0, 255));
    RepaintAll();
  }
  TSurface* Surface() { return GetWindowSurface(Grid->GetHandle()); }
  // The grid's client point (0, 0) on the surface.
  TPoint Origin() {
    const TPoint P = Grid->ClientToScreen({0, 0});
    TRect F;
    GetWindowRect(Form->GetHandle(), &F);
    return {P.X - F.Left, P.Y - F.Top};
  }
  TRect OnSurface(TRect R) {
    OffsetRect(R, Origin().X, Origin().Y);
    return R;
  }
  TRect Cell(Integer Col, Integer Row) { return OnSurface(Grid->CellRect(Col, Row)); }
  COLORREF Pixel(Integer X, Integer Y) {
    return Surface()->GetPixel(Origin().X + X, Origin().Y + Y);
  }
  // The texts drawn in a cell, in drawing order.
  std::vector<const TDrawRecord*> Texts(Integer Col, Integer Row) {
    return Surface()->TextsAt(Cell(Col, Row));
  }
  const TDrawRecord* Text(Integer Col, Integer Row, const String& S) {
    for (const TDrawRecord* R : Texts(Col, Row))
      if (R->Text == S) return R;
    return nullptr;
  }
  // Whether image Index of the indicator list stands at (X, Y) of the
  // client: every pixel the image covers is as drawing it there gives.
  bool ImageAt(TCustomImageList* Images, Integer Index, Integer X, Integer Y, TColor Back) {
    TObjectPtr<TBitmap> B(TBitmap::Create());
    B->SetSize(Images->GetWidth(), Images->GetHeight());
    B->GetCanvas()->GetBrush()->SetColor(Back);
    B->GetCanvas()->FillRect({0, 0, Images->GetWidth(), Images->GetHeight()});
    Images->Draw(B->GetCanvas(), 0, 0, Index, true);
    for (Integer IY = 0; IY < Images->GetHeight(); ++IY)
      for (Integer IX = 0; IX < Images->GetWidth(); ++IX)
        if (Pixel(X + IX, Y + IY) != B->GetCanvas()->GetPixel(IX, IY)) return false;
    return true;
  }
  // Where the indicator image of a data row stands in the fixed look.
  TPoint IndicatorImage(Integer Row) {
    const TRect R = Grid->CellRect(0, Row);
    return {R.Right - 1 - GridIndicatorImages->GetWidth() - 1,
            (R.Top + 1 + R.Bottom - 1 - GridIndicatorImages->GetHeight()) / 2};
  }
  bool Indicator(Integer Row, Integer Index) {
    const TPoint P = IndicatorImage(Row);
    return ImageAt(GridIndicatorImages, Index, P.X, P.Y, Grid->GetFixedColor());
  }
  TPaintGrid* PGrid = nullptr;
};

// [SECTION] Classification

TEST_F(GridPaintTest, CellsAreClassifiedByArea) {
  PGrid->ShowFilterRow = true;
  Grid->SetFooterRowCount(2);
  Open();
  ASSERT_EQ(Grid->GetTitleOffset(), 2);
  const Integer Rows = Grid->GetRowCount();
  struct {
    Integer Col, Row;
    TCellColTypeKv ColType;
    TCellRowTypeKv RowType;
    Integer DataCol, Index;
  } Cases[] = {
      {0, 0, cctIndicatorKv, crtTitleKv, -1, 0},
      {2, 0, cctDataKv, crtTitleKv, 1, 0},
      {1, 1, cctDataKv, crtFilterKv, 0, 0},
      {1, 2, cctDataKv, crtDataKv, 0, 0},
      {3, Rows - 1, cctDataKv, crtDataKv, 2, Rows - 3},
      {0, Rows, cctIndicatorKv, crtFooterKv, -1, 0},
      {1, Rows + 1, cctDataKv, crtFooterKv, 0, 1},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Col << "," << C.Row);
    Integer DataCol = 99, Index = 99;
    const TCellAreaKv Area = Grid->GetCellType(C.Col, C.Row, DataCol, Index);
    EXPECT_EQ(Area.ColType, C.ColType);
    EXPECT_EQ(Area.RowType, C.RowType);
    EXPECT_EQ(DataCol, C.DataCol);
    EXPECT_EQ(Index, C.Index);
  }
}

TEST_F(GridPaintTest, CellsAreDrawnFixedByTheThreeDOptions) {
  Grid->SetFooterRowCount(1);
  Grid->SetFrozenCols(1);
  Open();
  const Integer Footer = Grid->GetRowCount();
  auto Fixed = [&](Integer Col, Integer Row, TGridDrawState State) {
    return Grid->CellIsDrawnFixed(Col, Row, State, {});
  };
  // By default the indicator and the titles are raised, nothing else.
  EXPECT_TRUE(Fixed(0, 1, {gdFixed}));
  EXPECT_TRUE(Fixed(2, 0, {gdFixed}));
  EXPECT_FALSE(Fixed(1, 1, {gdFixed})) << "a frozen data cell";
  EXPECT_FALSE(Fixed(2, 1, {}));
  EXPECT_FALSE(Fixed(2, Footer, {}));
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgFixed3DKv + dgFrozen3DKv + dgFooter3DKv);
  EXPECT_FALSE(Fixed(0, 1, {gdFixed}));
  EXPECT_FALSE(Fixed(2, 0, {gdFixed}));
  EXPECT_TRUE(Fixed(1, 1, {gdFixed}));
  EXPECT_TRUE(Fixed(2, Footer, {}));
  EXPECT_FALSE(Fixed(2, 1, {}));
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgData3DKv);
  EXPECT_TRUE(Fixed(2, 1, {}));
  // A filter cell that shows its condition is never raised.
  PGrid->ShowFilterRow = true;
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgFixed3DKv);
  Grid->LayoutChanged();
  EXPECT_FALSE(Fixed(2, 1, {gdFixed}));
  EXPECT_TRUE(Fixed(0, 1, {gdFixed}));
}

TEST_F(GridPaintTest, FrozenDataCellsAreRaisedOnlyWithTheFrozenThreeDOption) {
  Grid->SetFrozenCols(1);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgFrozen3DKv);
  Grid->SetColor(TColor(0xD0E8F0));  // no edge colour
  const COLORREF Back = ColorToRGB(TColor(0xD0E8F0));
  Open();
  DataSet->Last();
  RepaintAfresh();
  // The rows of records other than the current one: the frozen ID cell in
  // the raised look, its number kept inside the frame; the Name cell beside
  // it plain.
  for (Integer Row = 1; Row <= 4; ++Row) {
    SCOPED_TRACE(Row);
    const TRect R = Grid->CellRect(1, Row);
    EXPECT_EQ(Pixel(R.Left + 4, R.Top), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Pixel(R.Left, R.Top + 4), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Pixel(R.Left + 4, R.Bottom - 1), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(R.Right - 1, R.Top + 4), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(R.Left + 1, R.Top + 1), Back);
  }
  const TRect Id = Grid->CellRect(1, 3), Name = Grid->CellRect(2, 3);
  const TDrawRecord* Three = Text(1, 3, "3");
  ASSERT_NE(Three, nullptr);
  EXPECT_EQ(Three->Rect.Right, Cell(1, 3).Right - 1 - 3);
  EXPECT_EQ(Three->Rect.Top, Cell(1, 3).Top + 1 + 1);
  EXPECT_EQ(Pixel(Name.Left + 4, Name.Top), Back);
  EXPECT_EQ(Pixel(Name.Right - 1, Name.Top + 4), Back);
  // Without the option the frozen cell is as plain as its neighbour.
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgFrozen3DKv);
  RepaintAfresh();
  EXPECT_EQ(Pixel(Id.Left + 4, Id.Top), Back);
  EXPECT_EQ(Pixel(Id.Left + 4, Id.Bottom - 1), Back);
  EXPECT_EQ(Pixel(Id.Right - 1, Id.Top + 4), Back);
  EXPECT_EQ(Text(1, 3, "3")->Rect.Right, Cell(1, 3).Right - 3);
}

TEST_F(GridPaintTest, ColumnsPinnedRightLeaveNoEmptyColumnAtTheEdgeWithoutTheIndicator) {
  Grid->SetOptions(Grid->GetOptions() - dgIndicatorKv);
  Open();
  for (Integer Pinned : {4, 9}) {
    SCOPED_TRACE(Pinned);
    Grid->SetContraCols(Pinned);
    RepaintAll();
    // ID scrolls at the left; Name, Amount and Paid stand at the right edge,
    // Paid's raised title ending at the grid's last line.
    const Integer W = Grid->GetClientWidth();
    EXPECT_NE(Text(0, 0, "ID"), nullptr);
    ASSERT_EQ(Grid->GetColCount() + Grid->GetContraColCount(), 4);
    const TRect Last = Grid->CellRect(3, 0);
    EXPECT_EQ(Last.Right, W - 1);
    EXPECT_EQ(Surface()->TextIn(OnSurface(Last)), "Paid");
    EXPECT_EQ(Pixel(W - 2, Last.Top + 4), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(W - 2, Grid->CellRect(3, 2).Top + 4), ColorToRGB(clWindow));
    const TRect Right = {Grid->CellRect(1, 0).Left, 0, W, Last.Bottom};
    EXPECT_EQ(Surface()->TextIn(OnSurface(Right)), "Name\nAmount\nPaid");
  }
}

// [SECTION] Indicator

TEST_F(GridPaintTest, TheIndicatorFollowsTheCurrentRecordAndItsState) {
  Open();
  EXPECT_TRUE(Indicator(1, 0));
  EXPECT_FALSE(Indicator(2, 0));
  EXPECT_EQ(Grid->GetIndicatorRow(), 1);
  DataSet->Next();
  DataSet->Next();
  UpdateWindow(Grid->GetHandle());
  EXPECT_TRUE(Indicator(3, 0));
  EXPECT_FALSE(Indicator(1, 0)) << "the old row's arrow is gone";
  EXPECT_EQ(Grid->GetIndicatorRow(), 3);
  DataSet->Edit();
  UpdateWindow(Grid->GetHandle());
  EXPECT_TRUE(Indicator(3, 1)) << "editing";
  DataSet->Cancel();
  DataSet->Insert();
  UpdateWindow(Grid->GetHandle());
  EXPECT_TRUE(Indicator(Grid->GetRow(), 2)) << "inserting";
  DataSet->Cancel();
}

TEST_F(GridPaintTest, TheIndicatorStaysInARowLowerThanItsImage) {
  Grid->SetOptions(Grid->GetOptions() - dgTitlesKv);
  Open();
  Grid->SetRowHeights(0, 7);
  RepaintAll();
  const TRect R = Grid->CellRect(0, 0);
  ASSERT_LT(R.Bottom - R.Top - 2, GridIndicatorImages->GetHeight());
  // Some of the arrow's black shows inside the first row's cell.
  bool Black = false;
  for (Integer Y = R.Top; Y < R.Bottom; ++Y)
    for (Integer X = R.Left; X < R.Right; ++X) Black = Black || Pixel(X, Y) == 0;
  EXPECT_TRUE(Black);
}

TEST_F(GridPaintTest, WithoutADatasetTheIndicatorIsPlain) {
  Grid->SetFocus();
  RepaintAll();
  const TRect R = Grid->CellRect(0, 1);
  EXPECT_EQ(Pixel(R.Left + 5, (R.Top + R.Bottom) / 2), ColorToRGB(Grid->GetFixedColor()));
}

// [SECTION] Titles and data

TEST_F(GridPaintTest, TitlesAndRecordsShowInTheirCells) {
  Open();
  const TDrawRecord* Title = Text(2, 0, "Name");
  ASSERT_NE(Title, nullptr);
  EXPECT_EQ(Title->Rect.Left, Cell(2, 0).Left + 1 + 1) << "the fixed look's margin";
  for (Integer Row = 1; Row <= 5; ++Row) {
    SCOPED_TRACE(Row);
    const char* Names[] = {"Ann", "Bob", "Cid", "Dee", "Eve"};
    const TDrawRecord* R = Text(2, Row, Names[Row - 1]);
    ASSERT_NE(R, nullptr);
    EXPECT_EQ(R->Rect.Left, Cell(2, Row).Left + 2);
    EXPECT_EQ(R->Rect.Top, Cell(2, Row).Top + 2);
  }
  // A right-aligned number ends 3 pixels inside its cell.
  const TDrawRecord* Amount = Text(3, 2, "20.25");
  ASSERT_NE(Amount, nullptr);
  EXPECT_EQ(Amount->Rect.Right, Cell(3, 2).Right - 3);
}

TEST_F(GridPaintTest, ARowWithoutARecordTakesItsColumnsColour) {
  DataSet->OnFilterRecord = [](TDataSet*, bool& Accept) { Accept = false; };
  DataSet->SetFiltered(true);
  Open();
  Grid->Column(1)->SetColor(TColor(0xE0FFE0));
  RepaintAll();
  ASSERT_EQ(Grid->GetRowCount(), 2);
  const TRect Empty = Grid->CellRect(2, 1);
  EXPECT_TRUE(Texts(2, 1).empty());
  EXPECT_EQ(Pixel(Empty.Left + 3, Empty.Top + 3), ColorToRGB(TColor(0xE0FFE0)));
  EXPECT_EQ(Pixel(Empty.Right - 1, Empty.Bottom - 1), ColorToRGB(TColor(0xE0FFE0)));
  EXPECT_TRUE(Indicator(1, 0) == false) << "no record, no arrow";
}

TEST_F(GridPaintTest, TheCurrentCellIsHighlightedAndFramedForFocus) {
  Open();
  const TRect R = Grid->CellRect(1, 1);
  EXPECT_EQ(Pixel(R.Left + 4, R.Bottom - 3), ColorToRGB(clHighlight));
  const TDrawRecord* Id = Text(1, 1, "1");
  ASSERT_NE(Id, nullptr);
  EXPECT_EQ(Id->Color, ColorToRGB(clHighlightText));
  bool Frame = false;
  for (const TDrawRecord& Rec : Surface()->Records())
    Frame = Frame || (Rec.Kind == TDrawKind::Frame && Rec.Rect == Cell(1, 1));
  EXPECT_TRUE(Frame) << "the focus frame around the current cell";
  auto Framed = [&] {
    for (const TDrawRecord& Rec : Surface()->Records())
      if (Rec.Kind == TDrawKind::Frame && Rec.Rect == Cell(1, 1)) return true;
    return false;
  };
  // Another window with the focus: the grid is still its form's active
  // control, but without the focus there is no frame.
  TObjectPtr<TForm> Other(TForm::Create(nullptr));
  Other->SetBounds(600, 100, 100, 100);
  Other->Show();
  ::kvp::SetFocus(Other->GetHandle());
  ASSERT_EQ(Form->GetActiveControl(), Grid);
  RepaintAll();
  EXPECT_FALSE(Framed());
  ::kvp::SetFocus(Grid->GetHandle());
  RepaintAll();
  EXPECT_TRUE(Framed()) << "the focus back: the frame back";
  // While the application holds the grid's updates, a paint shows no frame.
  Grid->BeginUpdate();
  RepaintAll();
  EXPECT_FALSE(Framed());
  Grid->EndUpdate();
  RepaintAll();
  EXPECT_TRUE(Framed());
}

// [SECTION] Titles

TEST_F(GridPaintTest, APressedTitleMovesItsCaptionInByOneOrTwoPixels) {
  Open();
  const Integer Left = Text(2, 0, "Name")->Rect.Left;
  const Integer Top = Text(2, 0, "Name")->Rect.Top;
  const TRect R = Grid->CellRect(2, 0);
  PGrid->PressTitle(2, R.Left + 5, R.Top + 5);
  ASSERT_TRUE(Grid->GetTitlePressed());
  RepaintAll();
  EXPECT_EQ(Text(2, 0, "Name")->Rect.Left, Left + 1);
  EXPECT_EQ(Text(2, 0, "Name")->Rect.Top, Top + 1);
  // The pressed title is sunken: its top edge is the dark one.
  EXPECT_EQ(Pixel(R.Left + 4, R.Top), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(Pixel(R.Left + 4, R.Bottom - 1), GetSysColor(COLOR_3DLIGHT));
  const TRect Other = Grid->CellRect(3, 0);
  EXPECT_EQ(Pixel(Other.Left + 4, Other.Top), GetSysColor(COLOR_BTNHIGHLIGHT)) << "raised";
  EXPECT_EQ(Pixel(Other.Left + 4, Other.Bottom - 1), GetSysColor(COLOR_BTNSHADOW));
  // A title of several lines moves by two.
  Grid->SetTitleLines(2);
  RepaintAll();
  const Integer Left2 = Text(2, 0, "Name")->Rect.Left;
  PGrid->PressTitle(2, -1, -1);
  RepaintAll();
  ASSERT_FALSE(Grid->GetTitlePressed());
  EXPECT_EQ(Text(2, 0, "Name")->Rect.Left, Left2 - 2);
}

TEST_F(GridPaintTest, SortMarkersAndTheirNumbersStandAtTheTitlesRight) {
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgMultiSortMarkingKv);
  Open();
  const Integer W = GridSortMarkerImages->GetWidth(), H = GridSortMarkerImages->GetHeight();
  Grid->Column(1)->GetTitle()->SetSortMarker(smDownKv);
  RepaintAll();
  // One sorted column: the marker alone, 2 pixels from the right edge.
  TRect R = Grid->CellRect(2, 0);
  InflateRect(R, -1, -1);
  const Integer Y = (R.Top + R.Bottom - H) / 2;
  EXPECT_TRUE(ImageAt(GridSortMarkerImages, 0, R.Right - W - 2, Y, clBtnFace));
  EXPECT_EQ(Texts(2, 0).size(), 1u) << "no number for a single sorted column";
  // Two sorted columns: each shows its number after its marker.
  Grid->Column(2)->GetTitle()->SetSortMarker(smUpKv);
  ASSERT_EQ(Grid->Column(2)->GetTitle()->GetSortIndex(), 2);
  RepaintAll();
  const TDrawRecord* One = Text(2, 0, "1");
  ASSERT_NE(One, nullptr);
  EXPECT_EQ(One->FontName, "Arial");
  EXPECT_EQ(One->FontHeight, 1 - H);
  EXPECT_EQ(One->Rect.Right, OnSurface(R).Right - 2);
  EXPECT_EQ(One->Rect.Top, Origin().Y + Y - 1);
  const Integer Digit = One->Rect.Right - One->Rect.Left;
  EXPECT_TRUE(ImageAt(GridSortMarkerImages, 0, R.Right - W - 2 - Digit, Y, clBtnFace));
  TRect R3 = Grid->CellRect(3, 0);
  InflateRect(R3, -1, -1);
  EXPECT_NE(Text(3, 0, "2"), nullptr);
  EXPECT_TRUE(ImageAt(GridSortMarkerImages, 1, R3.Right - W - 2 - Digit, Y, clBtnFace));
  // Pressed, marker and number move right and down by a pixel.
  PGrid->PressTitle(2, R.Left + 5, R.Top + 5);
  RepaintAll();
  const TDrawRecord* Pressed = Text(2, 0, "1");
  ASSERT_NE(Pressed, nullptr);
  EXPECT_EQ(Pressed->Rect.Right, OnSurface(R).Right - 2 + 1);
  EXPECT_EQ(Pressed->Rect.Top, Origin().Y + Y - 1 + 1);
  EXPECT_TRUE(ImageAt(GridSortMarkerImages, 0, R.Right - W - 2 - Digit + 1, Y + 1, clBtnFace));
  PGrid->PressTitle(2, -1, -1);
  // A narrow title gives up the marker first, then the number: the marker
  // shows while 16 pixels and the number's width are free inside the frame,
  // the number while its width and 2 are (no caption covers them here).
  Grid->Column(1)->GetTitle()->SetCaption(" ");
  auto MarkerShown = [&] {
    TRect C = Grid->CellRect(2, 0);
    InflateRect(C, -1, -1);
    return ImageAt(GridSortMarkerImages, 0, C.Right - W - 2 - Digit, Y, clBtnFace);
  };
  Grid->Column(1)->SetWidth(2 + 16 + Digit);
  RepaintAll();
  EXPECT_TRUE(MarkerShown());
  Grid->Column(1)->SetWidth(2 + 16 + Digit - 1);
  RepaintAll();
  EXPECT_FALSE(MarkerShown());
  EXPECT_NE(Text(2, 0, "1"), nullptr);
  Grid->Column(1)->SetWidth(2 + Digit + 2);
  RepaintAll();
  EXPECT_NE(Text(2, 0, "1"), nullptr);
  Grid->Column(1)->SetWidth(2 + Digit + 2 - 1);
  RepaintAll();
  EXPECT_EQ(Text(2, 0, "1"), nullptr);
}

TEST_F(GridPaintTest, TitleParamsColourTheTitleAndTheirFontReachesTheCaption) {
  Open();
  Integer Calls = 0;
  PGrid->OnGetTitleParams = [&](TObject*, TColumnKv* Column, TFont* Font, TColor& Background,
                                TSortMarkerKv& Marker, bool) {
    if (Column->GetFieldName() != "Name") return;
    ++Calls;
    if (Calls % 2 == 1) {
      Background = TColor(0x80E0FF);
      Marker = smUpKv;
    } else {
      Background = clRed;  // the second call's colour and marker are not used
      Marker = smNoneKv;
      Font->SetStyle({fsBold});
      Font->SetColor(clNavy);
    }
  };
  RepaintAll();
  EXPECT_EQ(Calls, 2);
  const TRect R = Grid->CellRect(2, 0);
  EXPECT_EQ(Pixel(R.Left + 3, R.Bottom - 3), ColorToRGB(TColor(0x80E0FF)));
  const TDrawRecord* Caption = Text(2, 0, "Name");
  ASSERT_NE(Caption, nullptr);
  EXPECT_TRUE(Caption->Bold);
  EXPECT_EQ(Caption->Color, ColorToRGB(clNavy));
  EXPECT_TRUE(ImageAt(GridSortMarkerImages, 1, R.Right - 1 - GridSortMarkerImages->GetWidth() - 2,
                      (R.Top + R.Bottom - GridSortMarkerImages->GetHeight()) / 2,
                      TColor(0x80E0FF)));
  // A column without a field is not asked.
  Calls = 0;
  Grid->GetColumns()->Add()->SetFieldName("Nothing");
  RepaintAll();
  EXPECT_EQ(Calls, 0);
}

TEST_F(GridPaintTest, AVerticalTitleRunsUpItsCell) {
  Open();
  Grid->Column(1)->GetTitle()->SetOrientation(tohVertical);
  Grid->SetTitleHeight(40);
  RepaintAll();
  const TDrawRecord* Caption = Text(2, 0, "Name");
  ASSERT_NE(Caption, nullptr);
  EXPECT_EQ(Caption->Escapement, 900);
  const TRect C = Cell(2, 0);
  EXPECT_EQ(Caption->Rect.Left, C.Left + 1 + 1) << "across: the title's left alignment";
  const Integer Middle = (Caption->Rect.Top + Caption->Rect.Bottom) / 2;
  EXPECT_NEAR(Middle, (C.Top + C.Bottom) / 2, 1) << "along: centred";
}

TEST_F(GridPaintTest, ATitleImageTakesThePlaceOfTheCaptionAndMovesWhenPressed) {
  TObjectPtr<TCustomImageList> Images(TCustomImageList::CreateSize(10, 10));
  TObjectPtr<TBitmap> Image(TBitmap::Create());
  Image->SetSize(10, 10);
  Image->GetCanvas()->GetBrush()->SetColor(clLime);
  Image->GetCanvas()->FillRect({0, 0, 10, 10});
  Images->Add(Image.get(), nullptr);
  Grid->SetTitleImages(Images.get());
  Open();
  Grid->Column(1)->GetTitle()->SetImageIndex(0);
  Grid->Column(1)->GetTitle()->SetAlignment(taCenter);
  RepaintAll();
  EXPECT_EQ(Text(2, 0, "Name"), nullptr);
  TRect R = Grid->CellRect(2, 0);
  InflateRect(R, -1, -1);
  const Integer X = (R.Left + R.Right - 10) / 2, Y = (R.Top + R.Bottom - 10) / 2;
  EXPECT_EQ(Pixel(X, Y), ColorToRGB(clLime));
  EXPECT_EQ(Pixel(X + 9, Y + 9), ColorToRGB(clLime));
  EXPECT_EQ(Pixel(X - 1, Y + 5), ColorToRGB(clBtnFace));
  // Pressed, the image moves right with the caption in every alignment: by a
  // pixel on a title of one line, by two on a title of several.
  for (const Integer Lines : {0, 2}) {
    Grid->SetTitleLines(Lines);
    const Integer Offset = Lines == 0 ? 1 : 2;
    TRect C = Grid->CellRect(2, 0);
    InflateRect(C, -1, -1);
    const Integer Middle = (C.Top + C.Bottom - 10) / 2 + 5;
    auto ImageLeft = [&] {
      for (Integer PX = C.Left; PX < C.Right; ++PX)
        if (Pixel(PX, Middle) == ColorToRGB(clLime)) return PX;
      return Integer(-1);
    };
    const struct {
      TAlignment Alignment;
      Integer Left;
    } Cases[] = {{taLeftJustify, C.Left}, {taCenter, (C.Left + C.Right - 10) / 2},
                 {taRightJustify, C.Right - 10}};
    for (const auto& Case : Cases) {
      SCOPED_TRACE(testing::Message() << Lines << " lines, alignment " << int(Case.Alignment));
      Grid->Column(1)->GetTitle()->SetAlignment(Case.Alignment);
      PGrid->PressTitle(2, -1, -1);
      RepaintAll();
      EXPECT_EQ(ImageLeft(), Case.Left);
      PGrid->PressTitle(2, C.Left + 5, C.Top + 5);
      ASSERT_TRUE(Grid->GetTitlePressed());
      RepaintAll();
      EXPECT_EQ(ImageLeft(), Case.Left + Offset);
      EXPECT_EQ(Pixel(Case.Left + Offset - 1, Middle), ColorToRGB(clBtnFace));
    }
  }
  PGrid->PressTitle(2, -1, -1);
  // The grid lets go of the images when they are freed.
  Images.reset();
  EXPECT_EQ(Grid->GetTitleImages(), nullptr);
  RepaintAll();
  EXPECT_NE(Text(2, 0, "Name"), nullptr);
}

TEST_F(GridPaintTest, AMultiLevelTitleSpansTheColumnsItGroups) {
  Open();
  Grid->Column(1)->GetTitle()->SetCaption("Order|Name");
  Grid->Column(2)->GetTitle()->SetCaption("Order|Amount");
  Grid->Column(1)->SetWidth(70);
  Grid->Column(2)->SetWidth(70);
  Grid->SetUseMultiTitle(true);
  RepaintAll();
  // Each leaf shows its own caption in the lower part of its cell.
  const TDrawRecord* Name = Text(2, 0, "Name");
  const TDrawRecord* Amount = Text(3, 0, "Amount");
  ASSERT_TRUE(Name && Amount);
  THeadTreeNode* Leaf = Grid->GetLeaf(1)->FLeaf;
  ASSERT_NE(Leaf->Parent, Grid->GetHeadTree());
  const TRect C2 = Cell(2, 0), C3 = Cell(3, 0);
  EXPECT_GE(Name->Rect.Top, C2.Bottom - Leaf->Height);
  // "Order" is painted by both leaves, each its own part, centred over both:
  // its halves meet at the line between them.
  std::vector<const TDrawRecord*> Parts;
  for (const TDrawRecord* R : Surface()->TextsAt({C2.Left, C2.Top, C3.Right, C3.Bottom}))
    if (R->Text == "Order") Parts.push_back(R);
  ASSERT_EQ(Parts.size(), 2u);
  const Integer Left = std::min(Parts[0]->Rect.Left, Parts[1]->Rect.Left);
  const Integer Right = std::max(Parts[0]->Rect.Right, Parts[1]->Rect.Right);
  EXPECT_EQ(Parts[0]->Rect.Top, Parts[1]->Rect.Top);
  EXPECT_NEAR((Left + Right) / 2, (C2.Left + C3.Right) / 2, 1);
  EXPECT_LT(Parts[0]->Rect.Bottom, Name->Rect.Top);
  // No column line crosses the group: the line pixel between the two leaves
  // is the title's colour above them and the line below.
  const Integer Line = Grid->CellRect(2, 0).Right;
  const TRect Above = Grid->CellRect(2, 0);
  EXPECT_EQ(Pixel(Line, Above.Top + 3), ColorToRGB(clBtnFace));
  EXPECT_NE(Pixel(Line, Above.Bottom - 3), ColorToRGB(clBtnFace));
  // The ungrouped ID title keeps the whole height, its caption centred.
  const TDrawRecord* Id = Text(1, 0, "ID");
  ASSERT_NE(Id, nullptr);
  EXPECT_NEAR((Id->Rect.Top + Id->Rect.Bottom) / 2, (Cell(1, 0).Top + Cell(1, 0).Bottom) / 2, 2);
  // The line under the group: black, or grey like every fixed line on a flat
  // grid.
  auto LineUnderGroup = [&] {
    const TDrawRecord* Group = Text(2, 0, "Order");
    const TDrawRecord* Leaf = Text(2, 0, "Name");
    std::vector<COLORREF> Lines;
    const Integer X = Grid->CellRect(2, 0).Left + 3;
    for (Integer Y = Group->Rect.Bottom - Origin().Y; Y < Leaf->Rect.Top - Origin().Y; ++Y)
      if (Pixel(X, Y) == 0 || Pixel(X, Y) == ColorToRGB(clGray)) Lines.push_back(Pixel(X, Y));
    return Lines;
  };
  EXPECT_EQ(LineUnderGroup(), (std::vector<COLORREF>{ColorToRGB(clGray), 0}))
      << "the group's lower edge, then the line";
  Grid->SetFlat(true);
  RepaintAfresh();
  EXPECT_EQ(LineUnderGroup(), (std::vector<COLORREF>{ColorToRGB(clGray)}))
      << "no lower edge on a flat grid, and a grey line";
}

// [SECTION] Footers

TEST_F(GridPaintTest, FootersShowTheirTotalsAndTheApplicationsChanges) {
  Grid->SetFooterRowCount(2);
  Grid->GetSumList()->SetActive(true);
  Open();
  Grid->Column(2)->GetFooters()->Add()->SetValueType(fvtSum);
  Grid->Column(2)->GetFooters()->Add()->SetValueType(fvtCount);
  Grid->Column(1)->GetFooter()->SetValueType(fvtStaticText);
  Grid->Column(1)->GetFooter()->SetValue("Total");
  RepaintAll();
  const Integer First = Grid->GetRowCount();
  EXPECT_NE(Text(3, First, "143.5"), nullptr);
  EXPECT_NE(Text(3, First + 1, "5"), nullptr);
  EXPECT_NE(Text(2, First, "Total"), nullptr) << "a column's single footer serves every row";
  EXPECT_NE(Text(2, First + 1, "Total"), nullptr);
  // The application changes text, alignment and colour, and paints after.
  std::vector<Integer> Drawn;
  PGrid->OnGetFooterParams = [](TObject*, Integer DataCol, Integer Row, TColumnKv*, TFont*,
                                TColor& Background, TAlignment& Alignment, TGridDrawState,
                                String& Text) {
    if (DataCol != 2 || Row != 1) return;
    Text = "n=" + Text;
    Alignment = taLeftJustify;
    Background = TColor(0xD0FFD0);
  };
  PGrid->OnDrawFooterCell = [&](TObject*, Integer DataCol, Integer Row, TColumnKv*,
                                const TRect&, TGridDrawState) {
    if (DataCol == 2) Drawn.push_back(Row);
  };
  RepaintAll();
  const TDrawRecord* Count = Text(3, First + 1, "n=5");
  ASSERT_NE(Count, nullptr);
  EXPECT_EQ(Count->Rect.Left, Cell(3, First + 1).Left + 2);
  const TRect R = Grid->CellRect(3, First + 1);
  EXPECT_EQ(Pixel(R.Right - 2, R.Bottom - 2), ColorToRGB(TColor(0xD0FFD0)));
  EXPECT_EQ(Drawn, (std::vector<Integer>{0, 1}));
  // A posted change reaches the footer.
  DataSet->Edit();
  Field("Amount")->SetAsFloat(110.5);
  DataSet->Post();
  UpdateWindow(Grid->GetHandle());
  EXPECT_NE(Text(3, First, "243.5"), nullptr);
}

// Without a style object the grid's own rule highlights a selected column:
// its title dark grey with white text, its footer in the highlight colours
// while the grid has the focus and in the button face while it has not.
TEST_F(GridPaintTest, WithoutAStyleASelectedColumnsTitleAndFooterTakeTheGridsOwnHighlight) {
  Grid->SetFooterRowCount(1);
  Open();
  Grid->Column(1)->GetFooter()->SetValueType(fvtStaticText);
  Grid->Column(1)->GetFooter()->SetValue("All");
  Grid->Column(1)->GetFooter()->SetColor(TColor(0xE0FFE0));
  FreeDefaultGridStyle();
  struct TStyleBack {
    TCustomDBGridKv* Grid;
    ~TStyleBack() {
      CreateDefaultGridStyle();
      Grid->SetStyle(nullptr);
    }
  } StyleBack{Grid};
  ASSERT_EQ(Grid->GetStyle(), nullptr);
  Grid->GetSelection()->GetColumns()->Select(Grid->Column(1), false);
  RepaintAfresh();
  const TRect Title = Grid->CellRect(2, 0);
  EXPECT_EQ(Pixel(Title.Left + 3, Title.Bottom - 3), COLORREF(RGB(64, 64, 64)));
  EXPECT_EQ(Text(2, 0, "Name")->Color, COLORREF(0xFFFFFF));
  const Integer Row = Grid->GetRowCount();
  const TRect Footer = Grid->CellRect(2, Row);
  EXPECT_EQ(Pixel(Footer.Right - 2, Footer.Bottom - 2), ColorToRGB(clHighlight));
  EXPECT_EQ(Text(2, Row, "All")->Color, ColorToRGB(clHighlightText));
  const TRect Plain = Grid->CellRect(3, Row);
  EXPECT_EQ(Pixel(Plain.Right - 2, Plain.Bottom - 2), ColorToRGB(clWindow)) << "not selected";
  TObjectPtr<TForm> Other(TForm::Create(nullptr));
  Other->SetBounds(600, 100, 100, 100);
  Other->Show();
  ::kvp::SetFocus(Other->GetHandle());
  RepaintAfresh();
  EXPECT_EQ(Pixel(Footer.Right - 2, Footer.Bottom - 2), ColorToRGB(clBtnFace));
  EXPECT_EQ(Pixel(Title.Left + 3, Title.Bottom - 3), COLORREF(RGB(64, 64, 64)));
}

TEST_F(GridPaintTest, FooterTextsWrapOnlyInRowsTallerThanALine) {
  Grid->SetFooterRowCount(1);
  Open();
  TColumnFooterKv* Footer = Grid->Column(1)->GetFooter();
  Footer->SetValueType(fvtStaticText);
  Footer->SetValue("Grand total");
  Footer->SetWordWrap(true);
  Grid->Column(1)->SetWidth(40);
  RepaintAll();
  const Integer Row = Grid->GetRowCount();
  ASSERT_FALSE(Grid->GetWordWrapAllowed());
  EXPECT_NE(Text(2, Row, "Grand total"), nullptr) << "one line, clipped";
  Grid->SetRowLines(2);
  RepaintAll();
  ASSERT_TRUE(Grid->GetWordWrapAllowed());
  EXPECT_NE(Text(2, Row, "Grand"), nullptr);
  EXPECT_NE(Text(2, Row, "total"), nullptr);
}

// [SECTION] Filter row

TEST_F(GridPaintTest, AFilterCellShowsItsConditionInBlueWithItsDropDownButton) {
  PGrid->ShowFilterRow = true;
  Open();
  // Amount's condition, with a list to drop down.
  Grid->Column(2)->GetSTFilter()->SetExpressionStr("> 5");
  Grid->Column(2)->GetSTFilter()->SetListSource(Source);
  RepaintAll();
  ASSERT_EQ(Grid->GetTitleOffset(), 2);
  const TDrawRecord* Condition = Text(3, 1, "> 5");
  ASSERT_NE(Condition, nullptr);
  EXPECT_EQ(Condition->Color, ColorToRGB(clBlue));
  EXPECT_EQ(Condition->Rect.Left, Cell(3, 1).Left + 1);
  const TRect R = Grid->CellRect(3, 1);
  const COLORREF Light = ColorToRGB(LightenColor(clBtnFace, 8));
  EXPECT_EQ(Pixel(R.Left + 1, R.Bottom - 1), Light);
  // The button stands at the top right, ButtonWidth wide and ButtonHeight high.
  const Integer BW = Grid->GetButtonWidth(), BH = Grid->GetButtonHeight();
  ASSERT_GT(BW, 0);
  EXPECT_NE(Pixel(R.Right - BW / 2, R.Top + BH / 2), Light);
  EXPECT_EQ(Pixel(R.Right - BW - 2, R.Top + BH / 2), Light);
  // The indicator's filter cell is a plain fixed cell.
  EXPECT_EQ(Pixel(Grid->CellRect(0, 1).Left + 5, R.Top + 3), ColorToRGB(clBtnFace));
  // In rows up to one and a half buttons high the button is as tall as the
  // row; in taller ones it keeps its own height over a strip of the cell.
  const Integer Edge = Integer(::kvp::Round(Extended(BW) * 3 / 2));
  const struct {
    Integer RowHeight;
    bool Fills;
  } Cases[] = {{Edge, true}, {Edge + 1, false}};
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.RowHeight);
    Grid->SetRowHeight(Case.RowHeight);
    RepaintAfresh();
    const TRect F = Grid->CellRect(3, 1);
    ASSERT_EQ(F.Height(), Case.RowHeight);
    EXPECT_EQ(Pixel(F.Right - BW / 2, F.Bottom - 3) != Light, Case.Fills);
    EXPECT_NE(Pixel(F.Right - BW / 2, F.Top + BW - 3), Light);
  }
}

TEST(LightenColorTest, EachChannelGrowsByItsEighthRoundedAndStopsAtWhite) {
  EXPECT_EQ(LightenColor(TColor(RGB(192, 192, 192)), 8), TColor(RGB(216, 216, 216)));
  EXPECT_EQ(LightenColor(TColor(RGB(240, 240, 240)), 8), TColor(RGB(255, 255, 255)));
  EXPECT_EQ(LightenColor(TColor(RGB(12, 20, 4)), 8), TColor(RGB(14, 22, 4)));  // 1.5 -> 2, 2.5 -> 2
  EXPECT_EQ(LightenColor(clBtnFace, 8), TColor(RGB(216, 216, 216))) << "system colours resolved";
}

// [SECTION] Frames and visual styles

TEST_F(GridPaintTest, AFlatGridRaisesOnlyTheTopAndLeftOfItsFixedCells) {
  Grid->SetFlat(true);
  Open();
  RepaintAfresh();
  const TRect R = Grid->CellRect(2, 0);
  const COLORREF Face = ColorToRGB(clBtnFace);
  EXPECT_EQ(Pixel(R.Left + 4, R.Top), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(Pixel(R.Left, R.Top + 4), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(Pixel(R.Left + 4, R.Bottom - 1), Face) << "the bottom is covered in the face colour";
  EXPECT_EQ(Pixel(R.Right - 1, R.Top + 4), Face);
  // Texts stand a pixel nearer the left edge than on a raised grid.
  EXPECT_EQ(Text(2, 0, "Name")->Rect.Left, Cell(2, 0).Left + 1);
  EXPECT_EQ(Text(2, 2, "Bob")->Rect.Left, Cell(2, 2).Left + 1);
  // Not flat: all four sides.
  Grid->SetFlat(false);
  RepaintAfresh();
  const TRect S = Grid->CellRect(2, 0);
  EXPECT_EQ(Pixel(S.Left + 4, S.Bottom - 1), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(Pixel(S.Right - 1, S.Top + 4), GetSysColor(COLOR_BTNSHADOW));
}

TEST_F(GridPaintTest, AFrameOpenAtOneSideLeavesThatSideOut) {
  Open();
  TCanvas* Canvas = Grid->GetCanvas();
  Canvas->GetBrush()->SetColor(clBtnFace);
  Surface()->ClearRecords();
  PGrid->DrawButtonFrame(Canvas, {10, 10, 60, 30}, false, false, true, false);
  PGrid->DrawButtonFrame(Canvas, {70, 10, 120, 30}, false, true, false, true);
  std::vector<std::pair<UINT, UINT>> Edges;
  for (const TDrawRecord& R : Surface()->Records())
    if (R.Kind == TDrawKind::Edge) Edges.push_back({R.Flags, R.Flags2});
  const std::vector<std::pair<UINT, UINT>> Want = {
      {BDR_RAISEDINNER, BF_TOP | BF_LEFT},
      {BDR_RAISEDINNER, BF_BOTTOM},
      {BDR_SUNKENINNER, BF_TOP},
      {BDR_SUNKENINNER, BF_BOTTOM | BF_RIGHT},
  };
  EXPECT_EQ(Edges, Want);
}

TEST_F(GridPaintTest, WithVisualStylesFixedCellsTakeTheHeaderFace) {
  ThemeServices()->SetThemesEnabled(true);
  Open();
  ASSERT_TRUE(Grid->ThemedDrawingEnabled());
  ThemeServices()->ClearRequests();
  RepaintAll();
  Integer Normal = 0, Pressed = 0;
  for (const TThemeRequest& R : ThemeServices()->Requests()) {
    if (R.Name == "Header.HeaderItem" && R.Details.State == 1) ++Normal;
    if (R.Name == "Header.HeaderItem" && R.Details.State == 3) ++Pressed;
  }
  EXPECT_GE(Normal, 5) << "the titles and the indicator cells";
  EXPECT_EQ(Pressed, 0);
  // No raised frame is drawn over the face.
  for (const TDrawRecord& Rec : Surface()->Records())
    EXPECT_FALSE(Rec.Kind == TDrawKind::Edge && Rec.Rect == Cell(2, 0));
  const TRect R = Grid->CellRect(2, 0);
  PGrid->PressTitle(2, R.Left + 5, R.Top + 5);
  ThemeServices()->ClearRequests();
  RepaintAll();
  for (const TThemeRequest& Q : ThemeServices()->Requests())
    if (Q.Details.State == 3) ++Pressed;
  EXPECT_EQ(Pressed, 1);
  // Any one of: flat, styles off, no fixed 3-D look, a line kind missing,
  // turns the face off.
  Grid->SetOptions(Grid->GetOptions() - dgRowLinesKv);
  EXPECT_FALSE(Grid->ThemedDrawingEnabled());
  Grid->SetOptions(Grid->GetOptions() + dgRowLinesKv);
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgFixed3DKv);
  EXPECT_FALSE(Grid->ThemedDrawingEnabled());
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgFixed3DKv);
  Grid->SetFlat(true);
  EXPECT_FALSE(Grid->ThemedDrawingEnabled());
}

TEST_F(GridPaintTest, DoubleBufferedPaintingGivesTheSamePixelsAndLeaksNothing) {
  ThemeServices()->SetThemesEnabled(true);
  DisableDoubleBuffer = true;
  Grid->SetFooterRowCount(1);
  Grid->GetSumList()->SetActive(true);
  Open();
  Grid->Column(2)->GetFooter()->SetValueType(fvtSum);
  RepaintAll();
  ASSERT_TRUE(Grid->WantsDoubleBuffer());
  EXPECT_FALSE(Grid->GetDoubleBuffered()) << "switched off for all grids";
  const TRect Client = OnSurface(Grid->GetClientRect());
  auto Pixels = [&] {
    std::vector<COLORREF> P;
    for (Integer Y = Client.Top; Y < Client.Bottom; ++Y)
      for (Integer X = Client.Left; X < Client.Right; ++X) P.push_back(Surface()->GetPixel(X, Y));
    return P;
  };
  const std::vector<COLORREF> Direct = Pixels();
  // Spoil the window's pixels, so that the next paint must make them all.
  Surface()->Fill(RGB(255, 0, 255));
  DisableDoubleBuffer = false;
  const Integer Objects = GetLiveGdiObjectCount(), DCs = GetLiveDCCount();
  RepaintAll();
  EXPECT_TRUE(Grid->GetDoubleBuffered());
  EXPECT_TRUE(Pixels() == Direct) << "the same pixels through the off-screen bitmap";
  EXPECT_EQ(GetLiveGdiObjectCount(), Objects);
  EXPECT_EQ(GetLiveDCCount(), DCs);
  // Once on, it stays on.
  ThemeServices()->SetThemesEnabled(false);
  RepaintAll();
  EXPECT_TRUE(Grid->GetDoubleBuffered());
  EXPECT_EQ(Pixel(Grid->CellRect(2, 1).Left + 3, Grid->CellRect(2, 1).Top + 3),
            ColorToRGB(clWindow));
}

TEST_F(GridPaintTest, APaintWhileLockedWaitsForTheLock) {
  Open();
  const TRect R = Grid->CellRect(2, 2);
  Surface()->Fill(RGB(255, 0, 255));
  Grid->LockPaint();
  Grid->Invalidate();
  UpdateWindow(Grid->GetHandle());
  EXPECT_EQ(Pixel(R.Left + 3, R.Top + 3), COLORREF(RGB(255, 0, 255)));
  Grid->UnlockPaint();
  UpdateWindow(Grid->GetHandle());
  EXPECT_EQ(Pixel(R.Left + 3, R.Top + 3), ColorToRGB(clWindow)) << "the region waited";
}

// [SECTION] Right to left

TEST_F(GridPaintTest, RightToLeftTheIndicatorAndTextsStandMirrored) {
  SysLocale.MiddleEast = true;
  Grid->SetBiDiMode(bdRightToLeft);
  Open();
  // Outside painting, cell rectangles are where the cells stand on the
  // screen: the indicator at the right edge.
  const Integer W = Grid->GetClientWidth();
  const TRect Ind = Grid->CellRect(0, 1);
  EXPECT_EQ(Ind.Right, W);
  bool Arrow = false;
  for (Integer Y = Ind.Top; Y < Ind.Bottom; ++Y)
    for (Integer X = Ind.Left; X < Ind.Right; ++X) Arrow = Arrow || Pixel(X, Y) == 0;
  EXPECT_TRUE(Arrow) << "the current record's arrow";
  // A left-aligned text reads from its cell's right edge.
  const TRect Name = Cell(2, 2);
  const TDrawRecord* Bob = Surface()->FindText("Bob");
  ASSERT_NE(Bob, nullptr);
  EXPECT_EQ(Bob->Rect.Right, Name.Right - 3);
  EXPECT_GT(Bob->Rect.Left, Name.Left + 10);
  // A right-aligned number stands at its cell's left.
  const TRect Amount = Cell(3, 2);
  const TDrawRecord* Value = Surface()->FindText("20.25");
  ASSERT_NE(Value, nullptr);
  EXPECT_EQ(Value->Rect.Left, Amount.Left + 2);
  // Titles too; and the canvas is plain again after the paint.
  const TDrawRecord* Title = Text(2, 0, "Name");
  ASSERT_NE(Title, nullptr);
  EXPECT_EQ(Title->Rect.Right, Cell(2, 0).Right - 1 - 3);
  EXPECT_FALSE(Grid->GetCanvasMirrored());
}

// [SECTION] Over the sample database

// The customers of the sample database in a grid of 620 x 300 pixels, with
// titles on two levels and a footer row, moved with the wheel and the
// scroll bar as a user moves it.
class SampleDatabasePaintTest : public ::testing::Test {
 protected:
  TDrawingLogOn DrawingLog;
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    DbFile = (std::filesystem::temp_directory_path() /
              ("korvel-grid-paint-" + std::to_string(::getpid()) + ".db"))
                 .string();
    CreateSampleDatabase(DbFile);
    Form = TForm::Create(nullptr);
    Form->SetBounds(20, 20, 660, 360);
    DataSet = TSQLiteDataSet::Create(Form);
    DataSet->SetDatabaseName(DbFile);
    DataSet->SetTableName("customers");
    auto* Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid = TTestDBGrid::Create(Form);
    Grid->SetBounds(8, 8, 620, 300);
    Grid->SetParent(Form);
    Grid->SetUseMultiTitle(true);
    Grid->SetFooterRowCount(1);
    struct {
      const char* Field;
      const char* Caption;
      Integer Width;
    } Columns[] = {{"id", "Id", 40},
                   {"name", "Customer|Name", 150},
                   {"city", "Address|City", 110},
                   {"country", "Address|Country", 110},
                   {"credit", "Credit", 110}};
    for (const auto& C : Columns) {
      TColumnKv* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(C.Field);
      Column->GetTitle()->SetCaption(C.Caption);
      Column->SetWidth(C.Width);
    }
    Grid->Column(4)->GetFooter()->SetValueType(fvtSum);
    Grid->GetSumList()->SetActive(true);
    Grid->SetDataSource(Source);
    DataSet->Open();
    Form->Show();
    Grid->SetFocus();
    UpdateWindow(Form->GetHandle());
  }
  void TearDown() override {
    Grid->CheckConsistency();
    FreeAndNil(Form);
    Application()->CheckNoExceptions();
    ResetWindowSystem();
    std::filesystem::remove(DbFile);
  }
  TSurface* Surface() { return GetWindowSurface(Grid->GetHandle()); }
  TRect Cell(Integer Col, Integer Row) {
    TRect R = Grid->CellRect(Col, Row);
    const TPoint P = Grid->ClientToScreen({0, 0});
    TRect F;
    GetWindowRect(Form->GetHandle(), &F);
    OffsetRect(R, P.X - F.Left, P.Y - F.Top);
    return R;
  }
  // What the row of the current record shows, cell by cell.
  String CurrentRowText() {
    String S;
    for (Integer Col = 1; Col < Grid->GetColCount(); ++Col)
      S += Surface()->TextIn(Cell(Col, Grid->GetRow())) + "|";
    return S;
  }
  String Expected() {
    String S;
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      S += Grid->Column(I)->GetField()->GetDisplayText() + "|";
    return S;
  }
  String DbFile;
  TForm* Form = nullptr;
  TSQLiteDataSet* DataSet = nullptr;
  TTestDBGrid* Grid = nullptr;
};

TEST_F(SampleDatabasePaintTest, TheRowsFollowTheWheelAndTheScrollBarAndTheFooterTotalsTheFile) {
  EXPECT_EQ(CurrentRowText(), Expected());
  EXPECT_EQ(DataSet->GetRecNo(), 1);
  // The wheel: three records down, the arrow with them.
  Input.Wheel(Grid->GetHandle(), -3 * 120, {100, 100});
  UpdateWindow(Grid->GetHandle());
  EXPECT_EQ(DataSet->GetRecNo(), 4);
  EXPECT_EQ(CurrentRowText(), Expected());
  // A click on the scroll bar below its thumb: a page of records on.
  Input.Click(Grid->GetHandle(),
              {Grid->GetClientWidth() + GetSystemMetrics(SM_CXVSCROLL) / 2,
               Grid->GetClientHeight() - GetSystemMetrics(SM_CYVSCROLL) - 4});
  UpdateWindow(Grid->GetHandle());
  EXPECT_GT(DataSet->GetRecNo(), 4 + 5);
  EXPECT_EQ(CurrentRowText(), Expected());
  // Both title levels and the total of the whole table.
  EXPECT_NE(Surface()->FindText("Customer"), nullptr);
  EXPECT_NE(Surface()->FindText("Address"), nullptr);
  EXPECT_NE(Surface()->FindText("Country"), nullptr);
  const String Total = Surface()->TextIn(Cell(5, Grid->GetRowCount()));
  EXPECT_EQ(Total, Grid->FooterText(0, Grid->Column(4)));
  EXPECT_EQ(Total, "$2,857,665.26");
  SaveWindowPng(Form->GetHandle(), "grid-over-the-sample-database.png");
}

}  // namespace
}  // namespace korvel
