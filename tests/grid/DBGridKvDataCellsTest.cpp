// The grid's data cells as a person sees them, read back from the pixels and
// the drawing log of its window: the colours of odd and even records, what
// the application's parameter events make of a cell, the highlight of the
// selection and of the current cell, hidden duplicates, check boxes, images,
// edit buttons kept shown, the mark of an empty required field, the
// type-ahead search's highlight, the drawing events, and the tip of a cell
// whose text is cut off.
//
// Ideas for tests: a right-to-left check-box column; the tree area in the
// first column of a dataset shown as a tree.
#include <gtest/gtest.h>

#include "controls/ToolCtrlsKv.h"
#include "grid/DBGridKv.h"
#include "platform/controls/HintWindow.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// A grid whose type-ahead search a test can start.
class TSearchGrid : public TTestDBGrid {
  KV_CLASS(TSearchGrid, TTestDBGrid)
 public:
  using TTestDBGrid::TTestDBGrid;
  String Searched;  // non-empty: a search runs and has matched this

 protected:
  bool InplaceSearching() override { return !Searched.empty(); }
  String InplaceSearchText() override { return Searched; }
};

// Five orders (ID, Name, Amount, Paid) in a grid of 400 x 200 pixels on a
// shown form, with an edit beside it to take the focus away.
class DBGridKvDataCellsTest : public DBGridWithDataTest {
 protected:
  TDrawingLogOn DrawingLog;
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->Free();
    Grids.clear();
    SGrid = TSearchGrid::Create(Form);
    SGrid->SetBounds(0, 0, 400, 200);
    SGrid->SetParent(Form);
    Grid = SGrid;
    Grids.push_back(SGrid);
    Other = TEdit::Create(Form);
    Other->SetBounds(410, 10, 60, 20);
    Other->SetParent(Form);
  }
  void TearDown() override {
    if (!DefaultGridStyle()) CreateDefaultGridStyle();
    DBGridWithDataTest::TearDown();
  }
  // Columns for the four fields (the user's), the grid bound, unfocused.
  void Open() {
    for (const char* Name : {"ID", "Name", "Amount", "Paid"})
      Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->SetDataSource(Source);
    Other->SetFocus();
    RepaintAll();
  }
  void RepaintAll() {
    Grid->Invalidate();
    Surface()->ClearRecords();
    UpdateWindow(Grid->GetHandle());
  }
  TSurface* Surface() { return GetWindowSurface(Grid->GetHandle()); }
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
  COLORREF Pixel(Integer X, Integer Y) {
    return Surface()->GetPixel(Origin().X + X, Origin().Y + Y);
  }
  // A point well inside a cell, away from its text.
  COLORREF Inside(Integer Col, Integer Row) {
    const TRect R = Grid->CellRect(Col, Row);
    return Pixel(R.Right - 3, R.Bottom - 2);
  }
  const TDrawRecord* Text(Integer Col, Integer Row, const String& S) {
    for (const TDrawRecord* R : Surface()->TextsAt(OnSurface(Grid->CellRect(Col, Row))))
      if (R->Text == S) return R;
    return nullptr;
  }
  bool AnyText(Integer Col, Integer Row) {
    return !Surface()->TextsAt(OnSurface(Grid->CellRect(Col, Row))).empty();
  }
  // Every pixel of client rectangle R is the same as in Expected, a bitmap
  // as large as R.
  ::testing::AssertionResult PixelsAre(const TRect& R, TBitmap* Expected) {
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left; X < R.Right; ++X)
        if (Pixel(X, Y) != Expected->GetCanvas()->GetPixel(X - R.Left, Y - R.Top))
          return ::testing::AssertionFailure() << "differs at " << X << "," << Y;
    return ::testing::AssertionSuccess();
  }
  // A bitmap of Size filled with Color.
  TObjectPtr<TBitmap> Sheet(Integer Width, Integer Height, TColor Color) {
    TObjectPtr<TBitmap> B(TBitmap::Create());
    B->SetSize(Width, Height);
    B->GetCanvas()->GetBrush()->SetColor(Color);
    B->GetCanvas()->FillRect({0, 0, Width, Height});
    return B;
  }
  void GoTo(Integer Id) { DataSet->Locate("ID", Id, {}); }
  Integer RowOf(Integer Id) {
    for (Integer R = 0; R < Grid->GetDataLink()->GetRecordCount(); ++R) {
      Grid->SetActiveRecordIndex(R);
      const Integer Found = Field("ID")->GetAsInteger();
      Grid->RestoreActiveRecordIndex();
      if (Found == Id) return Grid->GetTitleOffset() + R;
    }
    return -1;
  }
  TSearchGrid* SGrid = nullptr;
  TEdit* Other = nullptr;
};

// [SECTION] Row colours and cell parameters

TEST_F(DBGridKvDataCellsTest, OddAndEvenRecordsTakeTheirColoursWhereTheColumnHasTheGrids) {
  Open();
  EXPECT_EQ(Grid->GetOddRowColor(), Grid->GetColor()) << "unset, both follow Color";
  EXPECT_EQ(Grid->GetEvenRowColor(), Grid->GetColor());
  EXPECT_EQ(Inside(2, RowOf(2)), ColorToRGB(clWindow));
  Grid->Column(2)->SetColor(clYellow);
  ValidateRect(Grid->GetHandle(), nullptr);
  Grid->SetOddRowColor(TColor(0xE0FFE0));
  TRect Box;
  GetUpdateRect(Grid->GetHandle(), &Box, FALSE);
  EXPECT_EQ(Box, Grid->GetClientRect()) << "the grid repaints";
  Grid->SetEvenRowColor(TColor(0xFFE0E0));
  RepaintAll();
  for (Integer Id = 1; Id <= 5; ++Id) {
    SCOPED_TRACE(Id);
    EXPECT_EQ(Inside(2, RowOf(Id)), Id % 2 ? COLORREF(0xE0FFE0) : COLORREF(0xFFE0E0));
    EXPECT_EQ(Inside(3, RowOf(Id)), ColorToRGB(clYellow)) << "a column of its own colour";
  }
  Grid->SetColor(clAqua);
  EXPECT_EQ(Grid->GetOddRowColor(), TColor(0xE0FFE0)) << "set, it stays";
}

TEST_F(DBGridKvDataCellsTest, TheParameterEventsDecideWhatACellShows) {
  std::vector<String> Log;
  Grid->OnGetCellParams = [&](TObject* Sender, TColumnKv* Column, TFont* AFont, TColor& Background,
                              TGridDrawState) {
    EXPECT_EQ(Sender, Grid);
    if (Column->GetFieldName() != "Name") return;
    Log.push_back("grid " + Grid->GetColCellParams()->GetText());
    EXPECT_EQ(AFont, Grid->GetCanvas()->GetFont());
    Background = clAqua;
  };
  Open();
  Grid->Column(1)->SetOnGetCellParams([&](TObject*, bool EditMode, TColCellParamsKv* Params) {
    EXPECT_FALSE(EditMode);
    Log.push_back("column " + Params->GetText());
    EXPECT_EQ(Params->GetBackground(), clAqua) << "after the grid's event";
    Params->SetText(UpperCase(Params->GetText()));
    Params->SetAlignment(taRightJustify);
    if (Params->GetText() == "CID") Params->GetFont()->SetColor(clRed);
  });
  Log.clear();
  RepaintAll();
  ASSERT_GE(Log.size(), 2u);
  EXPECT_EQ(Log[0], "grid Ann");
  EXPECT_EQ(Log[1], "column Ann");
  const TDrawRecord* Bob = Text(2, RowOf(2), "BOB");
  ASSERT_NE(Bob, nullptr);
  const TRect Cell = OnSurface(Grid->CellRect(2, RowOf(2)));
  EXPECT_EQ(Bob->Rect.Right, Cell.Right - 3) << "right aligned by the event";
  EXPECT_EQ(Inside(2, RowOf(2)), ColorToRGB(clAqua));
  EXPECT_EQ(Text(2, RowOf(3), "CID")->Color, ColorToRGB(clRed));
  EXPECT_EQ(Text(2, RowOf(4), "DEE")->Color, ColorToRGB(clWindowText))
      << "each cell starts from its column's font";
}

// [SECTION] Highlight

TEST_F(DBGridKvDataCellsTest, TheSelectionAndTheCurrentCellAreHighlighted) {
  Open();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  TGridDrawState Drawn;
  Grid->OnDrawColumnCell = [&](TObject*, const TRect&, Integer DataCol, TColumnKv*,
                               TGridDrawState State) {
    if (DataCol == 2 && Grid->GetColCellParams()->GetRow() == RowOf(3)) Drawn = State;
  };
  // Amount and Paid of records 2 and 3, the current cell at ID of record 1.
  DataSet->First();
  TBookmark From, To;
  GoTo(2);
  From = DataSet->GetBookmark();
  GoTo(3);
  To = DataSet->GetBookmark();
  DataSet->First();
  Grid->GetSelection()->GetRect()->Select(2, From, false);
  Grid->GetSelection()->GetRect()->Select(3, To, true);
  Grid->SetFocus();
  RepaintAll();
  const COLORREF Blend = ColorToRGB(BlendColors(clWindow, clHighlight, true));
  EXPECT_EQ(Inside(3, RowOf(2)), Blend);
  EXPECT_EQ(Inside(4, RowOf(3)), Blend);
  EXPECT_EQ(Inside(2, RowOf(3)), ColorToRGB(clWindow)) << "outside the rectangle";
  EXPECT_EQ(Text(3, RowOf(2), "20.25")->Color, ColorToRGB(clWindowText))
      << "a blended cell keeps its text colour";
  EXPECT_TRUE(Drawn.Contains(gdSelected)) << "the drawing events see the highlight";
  EXPECT_EQ(Inside(1, RowOf(1)), ColorToRGB(clHighlight)) << "the current cell";
  EXPECT_EQ(Text(1, RowOf(1), "1")->Color, ColorToRGB(clHighlightText));
  // Without the focus the selection fades and the current cell goes plain.
  Other->SetFocus();
  RepaintAll();
  EXPECT_EQ(Inside(3, RowOf(2)), ColorToRGB(BlendColors(clWindow, clBtnShadow, false)));
  EXPECT_EQ(Inside(1, RowOf(1)), ColorToRGB(clWindow));
  Grid->SetOptions(Grid->GetOptions() + dgAlwaysShowSelectionKv);
  RepaintAll();
  EXPECT_EQ(Inside(1, RowOf(1)), ColorToRGB(clBtnShadow));
}

TEST_F(DBGridKvDataCellsTest, RowSelectAndRowHighlightLightTheCurrentRow) {
  Open();
  GoTo(3);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelectKv);
  Grid->SetFocus();
  RepaintAll();
  for (Integer Col = 1; Col <= 4; ++Col) EXPECT_EQ(Inside(Col, RowOf(3)), ColorToRGB(clHighlight));
  EXPECT_EQ(Inside(2, RowOf(2)), ColorToRGB(clWindow));
  Other->SetFocus();
  RepaintAll();
  EXPECT_EQ(Inside(2, RowOf(3)), ColorToRGB(clWindow)) << "no focus, no always-show";
  // Row highlight lights the other cells of the row while nothing is selected.
  // (Row selection took editing away; it comes back with the option.)
  EXPECT_FALSE(Grid->GetOptions().Contains(dgEditingKv));
  Grid->SetOptions(Grid->GetOptions() - dgRowSelectKv + dgMultiSelectKv + dgEditingKv);
  // The base grid's range still spans the row until the current cell moves.
  const Integer Col = Grid->GetCol();
  Grid->SetCol(Col + 1);
  Grid->SetCol(Col);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgRowHighlightKv);
  Grid->SetFocus();
  RepaintAll();
  const COLORREF Blend = ColorToRGB(BlendColors(clWindow, clHighlight, true));
  EXPECT_EQ(Inside(3, RowOf(3)), Blend);
  EXPECT_EQ(Inside(3, RowOf(4)), ColorToRGB(clWindow));
  Grid->GetSelection()->SelectAll();
  Grid->GetSelection()->Clear();
  Grid->GetSelection()->GetColumns()->Add(Grid->Column(0));
  RepaintAll();
  EXPECT_EQ(Inside(3, RowOf(3)), ColorToRGB(clWindow)) << "a selection exists";
  EXPECT_EQ(Inside(1, RowOf(5)), Blend) << "the selected column";
}

// Without a style object the grid's own rule colours the cells.
TEST_F(DBGridKvDataCellsTest, WithoutAStyleSelectedCellsTakeThePlainHighlight) {
  Open();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  FreeDefaultGridStyle();
  ASSERT_EQ(Grid->GetStyle(), nullptr);
  GoTo(2);
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  DataSet->First();
  Grid->SetFocus();
  RepaintAll();
  EXPECT_EQ(Inside(3, RowOf(2)), ColorToRGB(clHighlight));
  EXPECT_EQ(Text(3, RowOf(2), "20.25")->Color, ColorToRGB(clHighlightText));
  Other->SetFocus();
  RepaintAll();
  EXPECT_EQ(Inside(3, RowOf(2)), ColorToRGB(clBtnFace));
  CreateDefaultGridStyle();
  Grid->SetStyle(nullptr);
  EXPECT_EQ(Grid->GetStyle(), DefaultGridStyle());
}

TEST_F(DBGridKvDataCellsTest, SelectedRecordsDarkenTheirIndicatorAndSelectedColumnsTheirTitle) {
  Open();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  GoTo(2);
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  DataSet->First();
  RepaintAll();
  const TRect Indicator = Grid->CellRect(0, RowOf(2));
  EXPECT_EQ(Pixel(Indicator.Left + 3, Indicator.Top + 3), COLORREF(RGB(64, 64, 64)));
  const TRect Plain = Grid->CellRect(0, RowOf(3));
  EXPECT_EQ(Pixel(Plain.Left + 3, Plain.Top + 3), ColorToRGB(Grid->GetFixedColor()));
  Grid->GetSelection()->GetColumns()->Add(Grid->Column(1));
  RepaintAll();
  const TRect Title = Grid->CellRect(2, 0);
  EXPECT_EQ(Pixel(Title.Right - 3, Title.Top + 3), COLORREF(RGB(64, 64, 64)));
  EXPECT_EQ(Text(2, 0, "Name")->Color, COLORREF(0xFFFFFF));
}

// [SECTION] Contents

TEST_F(DBGridKvDataCellsTest, AHiddenDuplicateShowsNothingAndJoinsTheCellAbove) {
  DataSet->First();
  DataSet->Next();
  DataSet->Edit();
  Field("Name")->SetAsString("Ann");
  DataSet->Post();
  Open();
  Grid->Column(1)->SetHideDuplicates(true);
  RepaintAll();
  EXPECT_NE(Text(2, RowOf(1), "Ann"), nullptr);
  EXPECT_FALSE(AnyText(2, RowOf(2))) << "the same text as above";
  EXPECT_NE(Text(2, RowOf(3), "Cid"), nullptr);
  // The row line between the two is the column's colour; elsewhere it stays.
  const TRect Second = Grid->CellRect(2, RowOf(2));
  EXPECT_EQ(Pixel(Second.Left + 5, Second.Top - 1), ColorToRGB(Grid->Column(1)->GetColor()));
  const TRect Third = Grid->CellRect(2, RowOf(3));
  EXPECT_NE(Pixel(Third.Left + 5, Third.Top - 1), ColorToRGB(Grid->Column(1)->GetColor()));
  const TRect Id = Grid->CellRect(1, RowOf(2));
  EXPECT_NE(Pixel(Id.Left + 5, Id.Top - 1), ColorToRGB(clWindow)) << "other columns keep it";
}

TEST_F(DBGridKvDataCellsTest, TheFirstRowShownIsNeverADuplicate) {
  for (Integer I = 6; I <= 40; ++I) DataSet->AppendRecord({I, "Same", 1.0, false});
  Open();
  Grid->Column(1)->SetHideDuplicates(true);
  DataSet->Last();
  RepaintAll();
  const Integer Top = Grid->GetTitleOffset();
  EXPECT_NE(Text(2, Top, "Same"), nullptr);
  EXPECT_FALSE(AnyText(2, Top + 1));
}

TEST_F(DBGridKvDataCellsTest, CheckBoxesAreCentredAndALowRowGivesThemItsHeight) {
  Open();
  Grid->Column(3)->SetCheckboxes(true);
  const TColor Back = TColor(0xC0E0FF);
  Grid->Column(3)->SetColor(Back);
  RepaintAll();
  const Integer W = DefaultCheckBoxWidth(), H = DefaultCheckBoxHeight();
  for (Integer Id : {1, 2}) {
    SCOPED_TRACE(Id);
    const TRect Cell = Grid->CellRect(4, RowOf(Id));
    TObjectPtr<TBitmap> Expected = Sheet(Cell.Width(), Cell.Height(), Back);
    const Integer X = Cell.Width() / 2 - W / 2, Y = Cell.Height() / 2 - H / 2;
    PaintButtonControl(Expected->GetCanvas()->GetHandle(), {X, Y, X + W, Y + H}, Back,
                       Id % 2 ? cbChecked : cbUnchecked, true, false, false, bdsUpKv,
                       bcsCheckBoxKv);
    EXPECT_TRUE(PixelsAre(Cell, Expected.get()));
  }
  // Rows lower than the box: it takes the row's whole height.
  Grid->GetFont()->SetSize(5);
  Grid->LayoutChanged();
  RepaintAll();
  const TRect Cell = Grid->CellRect(4, RowOf(1));
  ASSERT_LT(Cell.Height(), H);
  TObjectPtr<TBitmap> Expected = Sheet(Cell.Width(), Cell.Height(), Back);
  const Integer X = Cell.Width() / 2 - W / 2;
  PaintButtonControl(Expected->GetCanvas()->GetHandle(), {X, 0, X + W, Cell.Height()}, Back,
                     cbChecked, true, false, false, bdsUpKv, bcsCheckBoxKv);
  EXPECT_TRUE(PixelsAre(Cell, Expected.get()));
}

TEST_F(DBGridKvDataCellsTest, ImagesStandBesideTheTextOrInsteadOfIt) {
  TObjectPtr<TCustomImageList> Images(TCustomImageList::CreateSize(10, 10));
  for (TColor C : {clRed, clLime, clBlue, clFuchsia, clTeal, clOlive}) {
    TObjectPtr<TBitmap> Image = Sheet(10, 10, C);
    Images->Add(Image.get(), nullptr);
  }
  Open();
  // Images of the ID's value (ID 1 is image 1), beside the text.
  TColumnKv* Column = Grid->Column(0);
  Column->SetImageList(Images.get());
  Column->SetShowImageAndText(true);
  Column->SetColor(clYellow);
  Column->SetAlignment(taLeftJustify);
  GoTo(5);
  RepaintAll();
  const TRect Cell = Grid->CellRect(1, RowOf(2));
  const Integer Strip = 10 + 4;
  const Integer Top = (Cell.Top + Cell.Bottom - 10) / 2;
  const Integer Left = Cell.Left + (Strip - 10) / 2;
  EXPECT_EQ(Pixel(Left, Top), ColorToRGB(clBlue)) << "image 2 centred in its strip";
  EXPECT_EQ(Pixel(Left + 9, Top + 9), ColorToRGB(clBlue));
  EXPECT_EQ(Pixel(Left - 1, Top), ColorToRGB(clYellow)) << "the strip in the column's colour";
  EXPECT_EQ(Pixel(Left + 10, Top + 9), ColorToRGB(clYellow));
  const TDrawRecord* Two = Text(1, RowOf(2), "2");
  ASSERT_NE(Two, nullptr);
  EXPECT_EQ(Two->Rect.Left, OnSurface(Cell).Left + Strip + 1 + 2) << "after the strip and margin";
  // A key list turns the cell into its image alone.
  Column->SetShowImageAndText(false);
  for (const char* Key : {"9", "1", "2", "3", "4", "5"}) Column->GetKeyList()->Add(Key);
  RepaintAll();
  EXPECT_EQ(Grid->Column(0)->GetColumnType(), ctKeyImageListKv);
  EXPECT_FALSE(AnyText(1, RowOf(3)));
  const TRect Whole = Grid->CellRect(1, RowOf(3));
  const Integer IX = Whole.Left + (Whole.Width() - 10) / 2;
  EXPECT_EQ(Pixel(IX, Top + (Whole.Top - Cell.Top)), ColorToRGB(clFuchsia)) << "key 3: image 3";
  EXPECT_EQ(Pixel(IX - 1, Top + (Whole.Top - Cell.Top)), ColorToRGB(clYellow));
}

// The main button and the extra ones stand right of the text, each as wide
// as the room the column keeps for it; on a flat grid too, where the last
// one ends exactly at the cell's edge.
TEST_F(DBGridKvDataCellsTest, EditButtonsKeptShownStandInTheRoomTheColumnKeeps) {
  Open();
  TColumnKv* Column = Grid->Column(1);
  Column->SetWidth(150);
  const TColor Back = TColor(0xC0E0FF);
  Column->SetColor(Back);
  Column->GetPickList()->Add("Ann");
  Column->SetAlwaysShowEditButton(true);
  TEditButtonsKv* Extra = Column->GetEditButtons();
  Extra->Add()->SetWidth(10);
  Extra->Add()->SetStyle(ebsEllipsisKv);  // width 0: the default
  Extra->Add()->SetVisible(false);
  TEditButtonKv* Last = Extra->Add();
  Last->SetWidth(15);
  Last->SetStyle(ebsPlusKv);
  for (bool Flat : {false, true}) {
    SCOPED_TRACE(Flat);
    Grid->SetFlat(Flat);
    Other->SetFocus();
    RepaintAll();
    const TRect Cell = Grid->CellRect(2, RowOf(2));
    const Integer BW = Grid->GetButtonWidth(), BH = Grid->GetButtonHeight();
    const Integer Line = Flat ? 1 : 0;
    ASSERT_EQ(Column->EditButtonsWidth(), BW + 10 + BW + 15 + 4 * Line);
    const Integer Start = Cell.Right - Column->EditButtonsWidth();
    // What the buttons should look like, drawn alone.
    TObjectPtr<TBitmap> Expected = Sheet(Cell.Right - Start, BH, Back);
    Integer X = 0;
    for (auto [W, Face] : {std::pair{BW, bcsDropDownKv},
                           {10, bcsDropDownKv},
                           {BW, bcsEllipsisKv},
                           {15, bcsPlusKv}}) {
      PaintButtonControl(Expected->GetCanvas()->GetHandle(), {X + Line, 0, X + W + Line, BH}, Back,
                         cbUnchecked, true, false, Flat, bdsUpKv, Face);
      X += W + Line;
    }
    EXPECT_EQ(X, Cell.Right - Start) << "the last button ends at the cell's edge";
    EXPECT_TRUE(PixelsAre({Start, Cell.Top, Cell.Right, Cell.Top + BH}, Expected.get()));
  }
}

TEST_F(DBGridKvDataCellsTest, AnEmptyRequiredFieldOfTheEditedRecordIsUnderlinedInRedDots) {
  Field("Name")->SetRequired(true);
  Open();
  Grid->Column(1)->SetHighlightRequired(true);
  bool Veto = false;
  Grid->Column(1)->OnCheckDrawRequiredState = [&](TObject*, const String&, bool& DrawState) {
    if (Veto) DrawState = false;
  };
  auto RedLine = [&](Integer Row) -> const TDrawRecord* {
    const TRect Cell = OnSurface(Grid->CellRect(2, Row));
    for (const TDrawRecord& R : Surface()->Records())
      if (R.Kind == TDrawKind::Line && R.Color == COLORREF(0x0000FF) && R.Points.size() == 2 &&
          R.Points[0].Y == Cell.Bottom - 1 && R.Points[0].X >= Cell.Left &&
          R.Points[0].X < Cell.Right)
        return &R;
    return nullptr;
  };
  DataSet->Insert();
  RepaintAll();
  const Integer Row = Grid->GetRow();
  const TDrawRecord* Line = RedLine(Row);
  ASSERT_NE(Line, nullptr);
  const TRect Cell = OnSurface(Grid->CellRect(2, Row));
  EXPECT_EQ(Line->Points[0].X, Cell.Left + 2);
  EXPECT_EQ(Line->Points[1].X, Cell.Right - 3);
  EXPECT_EQ(Line->PenStyle, Integer(psDot));
  EXPECT_EQ(Grid->GetCanvas()->GetPen()->GetStyle(), psSolid) << "the pen is given back";
  EXPECT_EQ(RedLine(Row + 1), nullptr) << "only the record being edited";
  Veto = true;
  RepaintAll();
  EXPECT_EQ(RedLine(Row), nullptr) << "the column's event says no";
  Veto = false;
  Field("Name")->SetAsString("Zed");
  RepaintAll();
  EXPECT_EQ(RedLine(Row), nullptr) << "filled";
  DataSet->Cancel();
}

TEST_F(DBGridKvDataCellsTest, TheSearchedTextIsPaintedOverTheCurrentCell) {
  Open();
  GoTo(2);
  Grid->SetCol(2);
  Grid->SetFocus();
  SGrid->Searched = "bo";
  RepaintAll();
  const TDrawRecord* Whole = Text(2, RowOf(2), "Bob");
  const TDrawRecord* Part = Text(2, RowOf(2), "Bo");
  ASSERT_NE(Whole, nullptr);
  ASSERT_NE(Part, nullptr);
  EXPECT_TRUE(Part->Opaque);
  EXPECT_EQ(Part->BkColor, ColorToRGB(InplaceSearchHighlightColor));
  EXPECT_EQ(Part->Color, ColorToRGB(InplaceSearchHighlightFontColor));
  EXPECT_EQ(Part->Rect.Left, Whole->Rect.Left) << "over the start of the text";
  EXPECT_EQ(Text(2, RowOf(3), "Ci"), nullptr) << "only the current cell";
  // A right-aligned value: the searched part ends where the rest begins.
  Grid->SetCol(3);
  SGrid->Searched = "20.";
  RepaintAll();
  const TDrawRecord* Number = Text(3, RowOf(2), "20.25");
  const TDrawRecord* Start = Text(3, RowOf(2), "20.");
  ASSERT_NE(Number, nullptr);
  ASSERT_NE(Start, nullptr);
  EXPECT_EQ(Start->Rect.Left, Number->Rect.Left);
  // Without the focus nothing is searched on screen.
  Other->SetFocus();
  RepaintAll();
  EXPECT_EQ(Text(3, RowOf(2), "20."), nullptr);
}

TEST_F(DBGridKvDataCellsTest, TheDataCellEventOnlyForDefaultColumnsTheColumnCellEventAlways) {
  Integer DataCells = 0, ColumnCells = 0;
  Grid->OnDrawDataCell = [&](TObject*, const TRect&, TField*, TGridDrawState) { ++DataCells; };
  Grid->OnDrawColumnCell = [&](TObject*, const TRect&, Integer, TColumnKv*, TGridDrawState) {
    ++ColumnCells;
  };
  Grid->SetDataSource(Source);
  RepaintAll();
  EXPECT_EQ(DataCells, 20) << "four default columns, five records";
  EXPECT_EQ(ColumnCells, 20);
  Grid->GetColumns()->Add()->SetFieldName("Name");  // the user's columns now
  DataCells = ColumnCells = 0;
  RepaintAll();
  EXPECT_EQ(DataCells, 0);
  EXPECT_EQ(ColumnCells, 5);
}

// [SECTION] Tool tips

TEST_F(DBGridKvDataCellsTest, AClippedCellShowsItsWholeTextInTheCellsFontAtOnce) {
  Open();
  Grid->SetShowHint(true);
  TColumnKv* Column = Grid->Column(1);
  Column->SetWidth(40);
  Column->SetToolTips(true);
  Column->GetFont()->SetStyle(TFontStyles{fsBold});
  Column->GetFont()->SetColor(clRed);
  DataSet->First();
  DataSet->Edit();
  Field("Name")->SetAsString("A rather long name");
  DataSet->Post();
  RepaintAll();
  auto Shown = [] {
    THintWindow* W = Application()->GetHintWindow();
    return W && W->HandleAllocated() && IsWindowVisible(W->GetHandle()) ? W : nullptr;
  };
  // The text that fits shows nothing.
  const TRect Fits = Grid->CellRect(2, RowOf(2));
  Input.MouseMove(Grid->GetHandle(), {Fits.Left + 5, Fits.Top + 5});
  Advance(3000);
  EXPECT_EQ(Shown(), nullptr);
  // The clipped one shows at once, over the cell, in its bold font.
  const TRect Cut = Grid->CellRect(2, RowOf(1));
  Input.MouseMove(Grid->GetHandle(), {Cut.Left + 5, Cut.Top + 5});
  THintWindow* W = Shown();
  ASSERT_NE(W, nullptr);
  EXPECT_EQ(W->ClassType(), dbgrid::TToolTipsWindow::StaticClass());
  EXPECT_EQ(W->GetCaption(), "A rather long name");
  EXPECT_TRUE(W->GetCanvas()->GetFont()->GetStyle().Contains(fsBold));
  EXPECT_EQ(W->GetCanvas()->GetFont()->GetColor(), clInfoText) << "painted in the hint colour";
  TRect Window;
  GetWindowRect(W->GetHandle(), &Window);
  const TPoint CellOnScreen = Grid->ClientToScreen({Cut.Left, Cut.Top});
  // The tip writes its text 3 pixels inside its window (border and inset),
  // and the cell 2 pixels inside the cell: the two texts coincide.
  EXPECT_EQ(Window.Left + 3, CellOnScreen.X + 2);
  EXPECT_EQ(Window.Top + 3, CellOnScreen.Y + 2);
  TObjectPtr<TCanvas> Measure(TCanvas::Create());
  HDC DC = GetDC(nullptr);
  Measure->SetHandle(DC);
  Measure->SetFont(Column->GetFont());
  const Integer Wide = Measure->TextWidth("A rather long name");
  Measure->SetHandle(nullptr);
  ReleaseDC(nullptr, DC);
  EXPECT_GE(Window.Right - Window.Left, Wide) << "as wide as the bold text";
  // It goes when the mouse leaves the cell, and never comes with Ctrl held.
  Input.MouseMove(Grid->GetHandle(), {Fits.Left + 5, Fits.Top + 5});
  EXPECT_EQ(Shown(), nullptr);
  Input.KeyDown(VK_CONTROL);
  Input.MouseMove(Grid->GetHandle(), {Cut.Left + 6, Cut.Top + 5});
  Advance(3000);
  EXPECT_EQ(Shown(), nullptr);
  Input.KeyUp(VK_CONTROL);
}

TEST_F(DBGridKvDataCellsTest, ACheckBoxCellNamesItsStateInATip) {
  Open();
  Grid->SetShowHint(true);
  TColumnKv* Column = Grid->Column(3);
  Column->SetCheckboxes(true);
  Column->SetToolTips(true);
  for (const char* Name : {"Unpaid", "Paid", "Unknown"}) Column->GetPickList()->Add(Name);
  RepaintAll();
  const TRect Cell = Grid->CellRect(4, RowOf(1));
  Input.MouseMove(Grid->GetHandle(), {Cell.Left + 3, Cell.Top + 3});
  THintWindow* W = Application()->GetHintWindow();
  ASSERT_NE(W, nullptr);
  ASSERT_TRUE(IsWindowVisible(W->GetHandle()));
  EXPECT_EQ(W->GetCaption(), "Paid");
}

// [SECTION] A picture

TEST_F(DBGridKvDataCellsTest, APictureOfTheDataCells) {
  Form->SetBounds(100, 100, 560, 260);
  Grid->SetBounds(0, 0, 540, 220);
  Other->SetBounds(545, 10, 10, 20);
  DataSet->First();
  DataSet->Next();
  DataSet->Edit();
  Field("Name")->SetAsString("Ann");
  DataSet->Post();
  Open();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  Grid->SetOddRowColor(TColor(0xE8FFE8));
  Grid->Column(1)->SetHideDuplicates(true);
  Grid->Column(3)->SetCheckboxes(true);
  TColumnKv* Buttons = Grid->GetColumns()->Add();
  Buttons->SetFieldName("Name");
  Buttons->SetWidth(130);
  Buttons->GetPickList()->Add("Ann");
  Buttons->SetAlwaysShowEditButton(true);
  Buttons->GetEditButtons()->Add()->SetStyle(ebsEllipsisKv);
  GoTo(3);
  TBookmark From = DataSet->GetBookmark();
  GoTo(4);
  Grid->GetSelection()->GetRect()->Select(1, From, false);
  Grid->GetSelection()->GetRect()->Select(2, DataSet->GetBookmark(), true);
  DataSet->First();
  Grid->SetFocus();
  RepaintAll();
  SaveWindowPng(Form->GetHandle(), "grid-data-cells.png");
  EXPECT_EQ(Inside(2, RowOf(3)), ColorToRGB(BlendColors(TColor(0xE8FFE8), clHighlight, true)));
}

}  // namespace
}  // namespace korvel
