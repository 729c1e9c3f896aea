// The column collection and the grid's reaction to its changes: grid column
// widths, auto-fit base widths, the current column, the layout of counts;
// the grid-wide column, title and footer defaults; column lists.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvColumnListTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetDataSource(Source);
    for (const char* Name : {"ID", "Name", "Amount"}) Grid->GetColumns()->Add()->SetFieldName(Name);
  }
  // Whether the grid's window has an invalid region (after a clean paint).
  bool Invalidated() {
    TRect R;
    return GetUpdateRect(Grid->GetHandle(), &R, FALSE);
  }
  void Validate() {
    UpdateWindow(Grid->GetHandle());
    ValidateRect(Grid->GetHandle(), nullptr);
  }
  TSurface* Surface() { return GetWindowSurface(Grid->GetHandle()); }
  // Point (X, Y) of the grid's client area on the surface.
  TPoint OnSurface(Integer X, Integer Y) {
    const TPoint P = Grid->ClientToScreen({X, Y});
    TRect F;
    GetWindowRect(Form->GetHandle(), &F);
    return {P.X - F.Left, P.Y - F.Top};
  }
  COLORREF Pixel(Integer X, Integer Y) {
    const TPoint P = OnSurface(X, Y);
    return Surface()->GetPixel(P.X, P.Y);
  }
  // Paints the grid afresh over spoiled pixels.
  void RepaintAfresh() {
    Surface()->Fill(RGB(255, 0, 255));
    Grid->Invalidate();
    UpdateWindow(Grid->GetHandle());
  }
};

TEST_F(DBGridKvColumnListTest, TheUsersColumnsMakeTheGridColumns) {
  EXPECT_TRUE(Grid->GetColumns()->IsCustomized());
  EXPECT_EQ(Grid->GetColCount(), 4) << "indicator and three columns";
  EXPECT_EQ(Grid->GetFixedCols(), 1);
  EXPECT_EQ(Grid->GetColWidths(2), Grid->Column(1)->GetWidth());
  EXPECT_EQ(Grid->GetVisibleColumns()->GetCount(), 3);
  Grid->SetOptions(Grid->GetOptions() - dgIndicatorKv);
  EXPECT_EQ(Grid->GetIndicatorOffset(), 0);
  EXPECT_EQ(Grid->GetColCount(), 3);
  EXPECT_EQ(Grid->GetFixedCols(), 0);
  Grid->SetOptions(Grid->GetOptions() - dgTitlesKv);
  EXPECT_EQ(Grid->GetTitleOffset(), 0);
}

TEST_F(DBGridKvColumnListTest, ManyChangesInOneUpdateLayTheGridOutOnce) {
  const Integer Before = Grid->Layouts;
  Grid->GetColumns()->BeginUpdate();
  Grid->Column(0)->SetWidth(33);
  Grid->Column(1)->SetVisible(false);
  Grid->Column(2)->GetTitle()->SetCaption("Sum");
  Grid->GetColumns()->Add()->SetFieldName("Paid");
  EXPECT_EQ(Grid->Layouts, Before + 1) << "only the new column's own arrival";
  Grid->GetColumns()->EndUpdate();
  EXPECT_EQ(Grid->Layouts, Before + 2);
  EXPECT_EQ(Grid->GetColWidths(1), 33);
  EXPECT_EQ(Grid->GetColWidths(2), -1);
  EXPECT_EQ(Grid->GetColCount(), 5);
}

TEST_F(DBGridKvColumnListTest, AColumnsWidthReachesItsGridColumn) {
  TColumnKv* Name = Grid->Column(1);
  Name->SetWidth(90);
  EXPECT_EQ(Grid->GetColWidths(2), 90);
  Name->SetVisible(false);
  EXPECT_EQ(Grid->GetColWidths(2), -1) << "hidden, with column lines";
  Name->SetWidth(70);
  EXPECT_EQ(Grid->GetColWidths(2), -1) << "a hidden column's new width stays out of sight";
  Grid->SetOptions(Grid->GetOptions() - dgColLinesKv);
  EXPECT_EQ(Grid->GetColWidths(2), 0) << "hidden, without lines";
  Name->SetWidth(80);
  EXPECT_EQ(Grid->GetColWidths(2), 0);
  EXPECT_EQ(Grid->GetVisibleColumns()->GetCount(), 2);
  Name->SetVisible(true);
  EXPECT_EQ(Grid->GetColWidths(2), 80) << "shown again with its latest width";
}

// The application recolours every column under BeginUpdate, the hidden one
// too: that one still takes no room, so ID and Amount stand one column line
// apart (none without column lines).
TEST_F(DBGridKvColumnListTest, AHiddenColumnRecolouredUnderALockStaysOutOfSight) {
  const TColor IdColour = TColor(0xD0F0F8), AmountColour = TColor(0xF8E0D0);
  Grid->Column(1)->SetVisible(false);
  const struct {
    bool ColLines, RowLines;
  } Cases[] = {{true, true}, {true, false}, {false, true}, {false, false}};
  for (const auto& Case : Cases) {
    SCOPED_TRACE(testing::Message() << "column lines " << Case.ColLines << ", row lines "
                                    << Case.RowLines);
    TDBGridKvOptions Options = Grid->GetOptions() - dgColLinesKv - dgRowLinesKv;
    if (Case.ColLines) Options += dgColLinesKv;
    if (Case.RowLines) Options += dgRowLinesKv;
    Grid->SetOptions(Options);
    Grid->BeginUpdate();
    Grid->Column(0)->SetColor(IdColour);
    Grid->Column(1)->SetColor(clYellow);
    Grid->Column(2)->SetColor(AmountColour);
    Grid->EndUpdate();
    RepaintAfresh();
    const TRect Id = Grid->CellRect(1, 2);
    const Integer Y = Id.Top + 1;
    Integer X = Id.Left;
    while (Pixel(X, Y) == ColorToRGB(IdColour)) ++X;
    EXPECT_EQ(X - Id.Left, Grid->Column(0)->GetWidth()) << "ID's cell whole";
    const Integer LineEnd = X;
    while (X < Id.Left + 400 && Pixel(X, Y) != ColorToRGB(AmountColour)) ++X;
    EXPECT_EQ(X - LineEnd, Case.ColLines ? 1 : 0) << "between ID and Amount";
    Grid->Column(1)->SetColor(clWindow);
  }
}

// A change of the column under the open editor shows in the editor at once.
TEST_F(DBGridKvColumnListTest, TheOpenEditorTakesItsColumnsNewColour) {
  Grid->SetFocus();
  Grid->SetCol(2);
  Input.KeyPress(VK_F2);
  ASSERT_TRUE(Grid->GetEditorMode());
  UpdateWindow(Form->GetHandle());
  const TRect Cell = Grid->CellRect(2, Grid->GetRow());
  ASSERT_EQ(Pixel(Cell.Right - 4, Cell.Bottom - 3), ColorToRGB(clWindow));
  Grid->Column(1)->SetColor(TColor(0xC0FFFF));
  UpdateWindow(Form->GetHandle());
  EXPECT_TRUE(Grid->GetEditorMode());
  EXPECT_EQ(Pixel(Cell.Right - 4, Cell.Bottom - 3), ColorToRGB(TColor(0xC0FFFF)));
}

TEST_F(DBGridKvColumnListTest, AnUnchangedWidthLaysOutOnlyForMultiLevelTitles) {
  TColumnKv* Name = Grid->Column(1);
  const Integer Before = Grid->Layouts;
  Name->SetColor(clRed);  // the grid column keeps its width
  EXPECT_EQ(Grid->Layouts, Before);
  Grid->SetUseMultiTitle(true);
  const Integer After = Grid->Layouts;
  Name->SetColor(clBlue);
  EXPECT_EQ(Grid->Layouts, After + 1);
}

TEST_F(DBGridKvColumnListTest, HidingTheCurrentColumnMovesToTheFirstVisibleOne) {
  Grid->SetCol(3);
  Grid->Column(2)->SetVisible(false);
  EXPECT_EQ(Grid->GetCol(), 1) << "ID, the first visible";
  Grid->SetCol(2);
  Grid->Column(0)->SetVisible(false);
  Grid->SetCol(2);
  Grid->Column(1)->SetVisible(true);
  EXPECT_EQ(Grid->GetCol(), 2) << "a visible current column stays";
  Grid->Column(1)->SetVisible(false);
  EXPECT_EQ(Grid->GetFixedCols(), 3) << "with none visible one grid column still scrolls";
  EXPECT_EQ(Grid->GetCol(), 3);
}

TEST_F(DBGridKvColumnListTest, HiddenColumnsAtTheFrozenBoundaryJoinTheFixedColumns) {
  Grid->GetColumns()->Add()->SetFieldName("Paid");
  Grid->SetFrozenCols(1);
  EXPECT_EQ(Grid->GetFixedCols(), 2);
  EXPECT_EQ(Grid->GetFrozenColCount(), 1);
  Grid->Column(1)->SetVisible(false);  // right after the frozen column
  EXPECT_EQ(Grid->GetFixedCols(), 3) << "the first scrolling column is a visible one";
  // The frozen one itself: the frozen area reaches on to the first visible
  // column, Amount, and the hidden ones before it.
  Grid->Column(0)->SetVisible(false);
  EXPECT_EQ(Grid->GetFixedCols(), 4);
  Grid->SetFrozenCols(10);
  EXPECT_LT(Grid->GetFixedCols(), Grid->GetColCount()) << "one column still scrolls";
}

TEST_F(DBGridKvColumnListTest, ContraColumnsAreTheLastColumns) {
  Grid->SetContraCols(1);
  EXPECT_EQ(Grid->GetContraColCount(), 1);
  EXPECT_EQ(Grid->GetColCount(), 3);
  EXPECT_EQ(Grid->GetColWidths(3), Grid->Column(2)->GetWidth());
  Grid->SetContraCols(9);
  EXPECT_EQ(Grid->GetContraColCount(), 2);
}

TEST_F(DBGridKvColumnListTest, AutoFitScalesTheBaseWidthAndPassesTheDifferenceOn) {
  TColumnKv* Id = Grid->Column(0);
  TColumnKv* Name = Grid->Column(1);
  TColumnKv* Amount = Grid->Column(2);
  Id->SetWidth(100);
  Name->SetWidth(30);
  Amount->SetWidth(40);
  Grid->SetAutoFitColWidths(true);
  EXPECT_EQ(Id->GetInitWidth(), 100);
  // The column becomes half as wide again as its fitted grid column: its
  // base grows by half.
  const Integer Fitted = Grid->GetColWidths(1);
  Id->SetWidth(Fitted * 3 / 2);
  const Integer Base = MulDiv(100, Fitted * 3 / 2, Fitted);
  EXPECT_EQ(Id->GetInitWidth(), Base);
  EXPECT_EQ(Name->GetInitWidth(), std::max(0, 50 - (Base - 100)))
      << "the next column gives up what it gained, not below 0";
  // The last column passes nothing on.
  const Integer AmountBase = Amount->GetInitWidth();
  const Integer AmountFitted = Grid->GetColWidths(3);
  Amount->SetWidth(AmountFitted / 2);
  EXPECT_EQ(Amount->GetInitWidth(), MulDiv(AmountBase, AmountFitted / 2, AmountFitted));
  EXPECT_EQ(Id->GetInitWidth(), Base);
}

TEST_F(DBGridKvColumnListTest, AutoFitOfAHiddenColumnWithoutLinesLeavesItsBaseAlone) {
  TColumnKv* Name = Grid->Column(1);
  Name->SetWidth(50);
  Grid->SetOptions(Grid->GetOptions() - dgColLinesKv);
  Name->SetVisible(false);
  ASSERT_EQ(Grid->GetColWidths(2), 0);
  Grid->SetAutoFitColWidths(true);
  Name->SetWidth(70);
  EXPECT_EQ(Name->GetInitWidth(), 50) << "no proportion of a zero width";
  EXPECT_GE(Grid->Column(2)->GetInitWidth(), 0);
}

TEST_F(DBGridKvColumnListTest, AutoFitOffGivesEveryColumnItsBaseWidthBack) {
  TColumnKv* Id = Grid->Column(0);
  Id->SetWidth(100);
  Grid->SetAutoFitColWidths(true);
  Id->SetInitWidth(60);
  Grid->SetAutoFitColWidths(false);
  EXPECT_EQ(Id->GetWidth(), 60);
}

TEST_F(DBGridKvColumnListTest, AFirstAutomaticColumnMeansNotCustomized) {
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  Grid->BeginLayout();
  Columns->Clear();
  Columns->AddDefaultColumn()->SetFieldName("ID");
  Columns->Add()->SetFieldName("Name");
  EXPECT_FALSE(Columns->IsCustomized());
  Grid->EndLayout();
  // The layout keeps the user's columns only.
  EXPECT_EQ(Columns->GetCount(), 1);
  EXPECT_EQ(Columns->GetColumn(0)->GetFieldName(), "Name");
  EXPECT_TRUE(Columns->IsCustomized());
}

TEST_F(DBGridKvColumnListTest, WithoutTheUsersColumnsTheGridShowsTheFieldsOrOneEmptyColumn) {
  Grid->GetColumns()->Clear();
  EXPECT_FALSE(Grid->GetColumns()->IsCustomized());
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 4);
  EXPECT_EQ(Grid->Column(3)->GetField(), Field("Paid"));
  EXPECT_EQ(Grid->GetColCount(), 5);
  Grid->SetDataSource(nullptr);
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 1);
  EXPECT_EQ(Grid->Column(0)->GetField(), nullptr);
  EXPECT_EQ(Grid->GetColCount(), 2);
  Grid->CheckConsistency();
}

TEST_F(DBGridKvColumnListTest, TitleDefaultsFollowTheGridUntilAssigned) {
  TColumnTitleDefValuesKv* Title = Grid->GetColumnDefValues()->GetTitle();
  EXPECT_EQ(Title->GetAlignment(), taLeftJustify);
  Grid->SetUseMultiTitle(true);
  EXPECT_EQ(Title->GetAlignment(), taCenter);
  EXPECT_EQ(Grid->Column(0)->GetTitle()->GetAlignment(), taCenter);
  Grid->SetFixedColor(clTeal);
  EXPECT_EQ(Title->GetColor(), clTeal);
  EXPECT_EQ(Grid->Column(0)->GetTitle()->GetColor(), clTeal);
  Title->SetColor(clTeal);
  EXPECT_TRUE(Title->IsColorAssigned());
  Grid->SetFixedColor(clGray);
  EXPECT_EQ(Title->GetColor(), clTeal);

  // Copying an assigned colour makes it assigned in the copy.
  TTestDBGrid* Other = MakeGrid("Other");
  Other->GetColumnDefValues()->GetTitle()->Assign(Title);
  EXPECT_TRUE(Other->GetColumnDefValues()->GetTitle()->IsColorAssigned());
  EXPECT_FALSE(Other->GetColumnDefValues()->GetTitle()->IsAlignmentAssigned());
  EXPECT_EQ(Other->GetColumnDefValues()->GetTitle()->GetColor(), clTeal);
  // Copying defaults that follow their grid leaves the copy following its own.
  TTestDBGrid* Third = MakeGrid("Third");
  Third->GetColumnDefValues()->GetTitle()->Assign(MakeGrid("Fresh")->GetColumnDefValues()->GetTitle());
  EXPECT_FALSE(Third->GetColumnDefValues()->GetTitle()->IsColorAssigned());
  Third->SetFixedColor(clOlive);
  EXPECT_EQ(Third->GetColumnDefValues()->GetTitle()->GetColor(), clOlive);
}

// Title defaults reach the titles on the screen: an alignment moves the
// captions, a vertical orientation makes a title of several levels as tall
// as its turned captions.
TEST_F(DBGridKvColumnListTest, TitleDefaultsShowInThePaintedTitles) {
  TDrawingLogOn Log;
  Surface()->SetRecording(true);
  Validate();
  Surface()->ClearRecords();
  Grid->GetColumnDefValues()->GetTitle()->SetAlignment(taRightJustify);
  UpdateWindow(Grid->GetHandle());
  const TDrawRecord* Name = Surface()->FindText("Name");
  ASSERT_NE(Name, nullptr);
  const TRect Cell = Grid->CellRect(2, 0);
  EXPECT_EQ(Name->Rect.Right, OnSurface(Cell.Right, 0).X - 1 - 3);

  Grid->SetUseMultiTitle(true);
  const Integer Flat = Grid->GetRowHeights(0);
  Validate();
  Surface()->ClearRecords();
  Grid->GetColumnDefValues()->GetTitle()->SetOrientation(tohVertical);
  UpdateWindow(Grid->GetHandle());
  const TDrawRecord* Amount = Surface()->FindText("Amount");
  ASSERT_NE(Amount, nullptr);
  EXPECT_EQ(Amount->Escapement, 900);
  EXPECT_GT(Grid->GetRowHeights(0), Flat);
  EXPECT_GE(Amount->Rect.Top, OnSurface(0, 0).Y) << "the turned caption fits the title";
}

TEST_F(DBGridKvColumnListTest, ColumnDefaultsCopyAllButLayoutHighlightAndFooter) {
  TColumnDefValuesKv* From = Grid->GetColumnDefValues();
  From->SetAlwaysShowEditButton(true);
  From->SetEndEllipsis(true);
  From->SetAutoDropDown(true);
  From->SetDblClickNextVal(true);
  From->SetToolTips(true);
  From->SetDropDownSizing(true);
  From->SetDropDownShowTitles(true);
  From->SetLayout(tlBottom);
  From->SetHighlightRequired(true);
  From->GetFooter()->SetToolTips(true);
  From->GetTitle()->SetOrientation(tohVertical);
  TTestDBGrid* Other = MakeGrid("Other");
  TColumnDefValuesKv* To = Other->GetColumnDefValues();
  To->Assign(From);
  EXPECT_TRUE(To->GetAlwaysShowEditButton() && To->GetEndEllipsis() && To->GetAutoDropDown() &&
              To->GetDblClickNextVal() && To->GetToolTips() && To->GetDropDownSizing() &&
              To->GetDropDownShowTitles());
  EXPECT_EQ(To->GetTitle()->GetOrientation(), tohVertical);
  EXPECT_EQ(To->GetLayout(), tlTop);
  EXPECT_FALSE(To->GetHighlightRequired());
  EXPECT_FALSE(To->GetFooter()->GetToolTips());
  To->GetFooter()->Assign(From->GetFooter());
  EXPECT_TRUE(To->GetFooter()->GetToolTips());
  EXPECT_THROW(To->Assign(Grid->GetTitleFont()), EConvertError);
  EXPECT_THROW(To->GetTitle()->Assign(Grid->GetTitleFont()), EConvertError);
}

TEST_F(DBGridKvColumnListTest, DefaultsThatShowRepaintTheGridAndTheOthersDoNot) {
  TColumnDefValuesKv* Defaults = Grid->GetColumnDefValues();
  struct TCase {
    const char* Name;
    std::function<void()> Set;
    bool Repaints;
  } const Cases[] = {
      {"AlwaysShowEditButton", [&] { Defaults->SetAlwaysShowEditButton(true); }, true},
      {"EndEllipsis", [&] { Defaults->SetEndEllipsis(true); }, true},
      {"Layout", [&] { Defaults->SetLayout(tlCenter); }, true},
      {"HighlightRequired", [&] { Defaults->SetHighlightRequired(true); }, true},
      {"AutoDropDown", [&] { Defaults->SetAutoDropDown(true); }, false},
      {"DblClickNextVal", [&] { Defaults->SetDblClickNextVal(true); }, false},
      {"DropDownShowTitles", [&] { Defaults->SetDropDownShowTitles(true); }, false},
      {"DropDownSizing", [&] { Defaults->SetDropDownSizing(true); }, false},
      {"ToolTips", [&] { Defaults->SetToolTips(true); }, false},
      {"Layout again", [&] { Defaults->SetLayout(tlCenter); }, false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Validate();
    C.Set();
    EXPECT_EQ(Invalidated(), C.Repaints);
  }
}

TEST_F(DBGridKvColumnListTest, AColumnListDoesNotOwnItsColumns) {
  TObjectPtr<TColumnsKvList> List(TColumnsKvList::Create());
  List->Add(Grid->Column(0));
  List->Add(Grid->Column(2));
  EXPECT_EQ(List->GetColumn(1), Grid->Column(2));
  List->SetColumn(1, Grid->Column(1));
  List.reset();
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 3);
  EXPECT_EQ(Grid->Column(2)->GetFieldName(), "Amount");
}

}  // namespace
}  // namespace korvel
