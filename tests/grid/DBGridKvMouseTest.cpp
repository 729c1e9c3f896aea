// The data-aware grid under the mouse, as its user drives it through the
// input driver on the virtual clock: title buttons and the pressed look,
// sort markers and the one sorting request after Ctrl-clicks, a title
// dragged into a column move with its drop line, column borders sized with
// the sizing line or live, a row sized from the indicator, drags that
// scroll on the timer, check boxes and double clicks, the cursors that
// show what a press would do, a cell's edit button pressed in one click,
// automatic drag and the wheel.
//
// Ideas for tests: right-to-left live sizing; the title borders of frozen
// columns at the grid's right edge; a multi-level title's shared caption.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "grid/DbUtilsKv.h"
#include "platform/controls/Forms.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// A focused grid over numbered records (id 1..Count) in memory, with Cols
// columns of Width pixels over id, name and amount in turn.
class DBGridKvMouseTest : public DBGridNumbersTest {
 protected:
  void Open(Integer Count = 30, Integer Cols = 3, Integer Width = 64) {
    OpenNumbers(TStore::Memory, Count);
    const char* Names[] = {"id", "name", "amount"};
    for (Integer I = 0; I < Cols; ++I) {
      Grid->GetColumns()->Add()->SetFieldName(Names[I % 3]);
      Grid->Column(I)->SetWidth(Width);
    }
    Grid->SetFocus();
    UpdateWindow(Grid->GetHandle());
  }
  HWND H() { return Grid->GetHandle(); }
  TPoint Centre(Integer Col, Integer Row) {
    const TRect R = Grid->CellRect(Col, Row);
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
  }
  // A point in the upper part of a title, away from the column-selection
  // strip at its bottom.
  TPoint Title(Integer Col) {
    const TRect R = Grid->CellRect(Col, 0);
    return {(R.Left + R.Right) / 2, R.Top + 3};
  }
  Integer Id() { return DataSet->FieldByName("id")->GetAsInteger(); }
  // The pixels of the window in a rectangle of client coordinates.
  std::vector<COLORREF> Pixels(const TRect& R) {
    UpdateWindow(H());
    TSurface* S = GetWindowSurface(H());
    TPoint Origin{0, 0};
    ClientToScreen(H(), &Origin);
    TRect W;
    GetWindowRect(Form->GetHandle(), &W);
    std::vector<COLORREF> P;
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left; X < R.Right; ++X)
        P.push_back(S->GetPixel(Origin.X - W.Left + X, Origin.Y - W.Top + Y));
    return P;
  }
  // The data box's pixel edges.
  TRect Box() { return Grid->GetDataBoxRect(); }
};

// [SECTION] Titles

TEST_F(DBGridKvMouseTest, ATitleButtonClicksOnlyWhenReleasedOnItselfAndLooksPressedMeanwhile) {
  Open();
  for (Integer I = 0; I < 3; ++I) Grid->Column(I)->GetTitle()->SetTitleButton(true);
  std::vector<Integer> Clicks;
  Grid->OnTitleClick = TTitleKvClickEvent([&](TObject* Sender, Integer ACol, TColumnKv* Column) {
    EXPECT_EQ(Sender, Grid);
    EXPECT_EQ(Column, Grid->Column(ACol));
    Clicks.push_back(ACol);
  });
  Integer CellClicks = 0;
  Grid->OnTitleCellClick = TDBGridKvClickEvent([&](TColumnKv*) { ++CellClicks; });
  const TRect Cell = Grid->CellRect(2, 0);
  const std::vector<COLORREF> Up = Pixels(Cell);
  Input.MouseDown(mbLeft, H(), Title(2));
  EXPECT_TRUE(Grid->GetTitlePressed());
  EXPECT_NE(Pixels(Cell), Up) << "the pressed title is drawn pressed";
  // Off the title (less than the drag distance away, on the next row) and
  // back on it.
  Input.MouseMove(H(), {Title(2).X + 2, Centre(2, 2).Y});
  EXPECT_FALSE(Grid->GetTitlePressed());
  EXPECT_EQ(Pixels(Cell), Up);
  Input.MouseMove(H(), Title(2));
  EXPECT_TRUE(Grid->GetTitlePressed());
  Input.MouseUp(mbLeft, H(), Title(2));
  EXPECT_EQ(Clicks, std::vector<Integer>{1});
  EXPECT_EQ(CellClicks, 1);
  EXPECT_FALSE(Grid->GetTitlePressed());
  EXPECT_EQ(Pixels(Cell), Up);
  // Released elsewhere: no click.
  Advance(1000);
  Input.MouseDown(mbLeft, H(), Title(2));
  EXPECT_TRUE(Grid->GetTitlePressed());
  Input.MouseMove(H(), {Title(2).X, Centre(2, 3).Y});
  Input.MouseUp(mbLeft, H(), {Title(2).X, Centre(2, 3).Y});
  EXPECT_EQ(Clicks.size(), 1u);
  // A title the application turns off is no button.
  Grid->OnCheckTitleBtn =
      TCheckTitleKvBtnEvent([](TObject*, Integer ACol, TColumnKv*, bool& On) { On = ACol != 0; });
  Advance(1000);
  Input.Click(H(), Title(1));
  EXPECT_EQ(Clicks.size(), 1u);
  EXPECT_FALSE(Grid->GetTitlePressed());
  Advance(1000);
  Input.Click(H(), Title(3));
  EXPECT_EQ(Clicks, (std::vector<Integer>{1, 2}));
}

TEST_F(DBGridKvMouseTest, TitleClicksCycleSortMarkersAndCtrlClicksAskForOneSortingAtCtrlsRelease) {
  Open();
  for (Integer I = 0; I < 3; ++I) Grid->Column(I)->GetTitle()->SetTitleButton(true);
  Integer Requests = 0;
  Grid->OnSortMarkingChanged = TNotifyEvent([&](TObject* Sender) {
    EXPECT_EQ(Sender, Grid);
    ++Requests;
  });
  auto Marker = [&](Integer I) { return Grid->Column(I)->GetTitle()->GetSortMarker(); };
  auto Click = [&](Integer Col) {
    Advance(1000);  // never a double click
    Input.Click(H(), Title(Col));
  };
  // Without automatic marking a click changes no marker and asks nothing.
  Click(1);
  EXPECT_EQ(Marker(0), smNoneKv);
  EXPECT_EQ(Requests, 0);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgAutoSortMarkingKv);
  Click(1);
  EXPECT_EQ(Marker(0), smDownKv);
  EXPECT_EQ(Requests, 1);
  Click(1);
  EXPECT_EQ(Marker(0), smUpKv);
  Click(2);
  EXPECT_EQ(Marker(0), smNoneKv) << "a plain click sorts by one column";
  EXPECT_EQ(Marker(1), smDownKv);
  EXPECT_EQ(Requests, 3);
  // Ctrl held over three clicks: three markers, one request when Ctrl goes up.
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgMultiSortMarkingKv);
  Input.KeyDown(VK_CONTROL);
  for (Integer Col : {3, 1, 2}) Click(Col);
  EXPECT_EQ(Requests, 3);
  EXPECT_TRUE(Grid->GetSortingPending());
  Input.KeyUp(VK_CONTROL);
  EXPECT_EQ(Requests, 4);
  EXPECT_FALSE(Grid->GetSortingPending());
  EXPECT_EQ(Grid->GetSortMarkedColumns()->GetCount(), 3);
  EXPECT_EQ(Grid->Column(1)->GetTitle()->GetSortIndex(), 1);
  EXPECT_EQ(Grid->Column(2)->GetTitle()->GetSortIndex(), 2);
  EXPECT_EQ(Grid->Column(0)->GetTitle()->GetSortIndex(), 3);
  EXPECT_EQ(Marker(1), smUpKv) << "cycled on, keeping the others";
  // Ctrl+click on an ascending marker takes the column out of the sorting.
  Input.KeyDown(VK_CONTROL);
  Click(2);
  Input.KeyUp(VK_CONTROL);
  EXPECT_EQ(Requests, 5);
  EXPECT_EQ(Marker(1), smNoneKv);
  EXPECT_EQ(Grid->GetSortMarkedColumns()->GetCount(), 2);
}

TEST_F(DBGridKvMouseTest, AGridThatRefusesAutomaticSortMarkingKeepsItsMarkersOnTitleClicks) {
  Open();
  for (Integer I = 0; I < 3; ++I) Grid->Column(I)->GetTitle()->SetTitleButton(true);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgAutoSortMarkingKv + dgMultiSortMarkingKv);
  Grid->AutoSortMarking = false;
  Integer Requests = 0, TitleClicks = 0;
  Grid->OnSortMarkingChanged = TNotifyEvent([&](TObject*) { ++Requests; });
  Grid->OnTitleClick =
      TTitleKvClickEvent([&](TObject*, Integer, TColumnKv*) { ++TitleClicks; });
  Input.Click(H(), Title(1));
  Advance(1000);
  Input.KeyDown(VK_CONTROL);
  Input.Click(H(), Title(2));
  Input.KeyUp(VK_CONTROL);
  EXPECT_EQ(TitleClicks, 2) << "the titles still click";
  EXPECT_EQ(Grid->Column(0)->GetTitle()->GetSortMarker(), smNoneKv);
  EXPECT_EQ(Grid->Column(1)->GetTitle()->GetSortMarker(), smNoneKv);
  EXPECT_EQ(Requests, 0);
  // Allowed again, the same click marks and asks.
  Grid->AutoSortMarking = true;
  Advance(1000);
  Input.Click(H(), Title(1));
  EXPECT_EQ(Grid->Column(0)->GetTitle()->GetSortMarker(), smDownKv);
  EXPECT_EQ(Requests, 1);
}

// Without an application handler the sorting request goes to the data
// service, which has the dataset's features object order it (the in-memory
// dataset's does).
class DBGridKvSortTest : public DBGridKvMouseTest {
 protected:
  void SetUp() override {
    DBGridKvMouseTest::SetUp();
    RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), TMemoryDataSetFeaturesKv::Create());
    RegisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass(), TSQLiteDataSetFeaturesKv::Create());
  }
  void TearDown() override {
    UnregisterDatasetFeaturesKv(TMemoryDataSet::StaticClass());
    UnregisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass());
    DBGridKvMouseTest::TearDown();
  }
};

TEST_P(DBGridKvSortTest, ATitleClickHasTheDataServiceSortTheRecords) {
  OpenNumbers(GetParam(), 12);
  for (const char* Name : {"id", "name", "amount"}) Grid->GetColumns()->Add()->SetFieldName(Name);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgAutoSortMarkingKv);
  Grid->Column(0)->GetTitle()->SetTitleButton(true);
  Grid->SetFocus();
  Integer Asked = 0;
  DBGridKvDataService()->OnApplySorting = TDBGridKvDataServiceEvent([&](TCustomDBGridKv* G) {
    ++Asked;
    DBGridKvDataService()->DefaultApplySorting(G);
  });
  struct TClear {
    ~TClear() { DBGridKvDataService()->OnApplySorting = {}; }
  } Clear;
  Input.Click(H(), Title(1));
  Advance(1000);
  Input.Click(H(), Title(1));
  EXPECT_EQ(Asked, 2);
  EXPECT_EQ(Grid->Column(0)->GetTitle()->GetSortMarker(), smUpKv);
  // The SQLite dataset's features object filters but does not order.
  if (GetParam() == TStore::SQLite) return;
  // The top row now shows the highest number.
  DataSet->First();
  EXPECT_EQ(Id(), 12);
  Grid->SetActiveRecordIndex(0);
  EXPECT_EQ(Id(), 12);
  Grid->RestoreActiveRecordIndex();
}

INSTANTIATE_TEST_SUITE_P(Stores, DBGridKvSortTest,
                         ::testing::Values(TStore::Memory, TStore::SQLite), StoreName);

TEST_F(DBGridKvMouseTest, ATitleDraggedSidewaysMovesItsColumnWithTheDropLineShown) {
  Open();
  for (Integer I = 0; I < 3; ++I) Grid->Column(I)->GetTitle()->SetTitleButton(true);
  std::vector<std::pair<Integer, Integer>> Moves;
  Grid->OnColumnMoved = TMovedKvEvent([&](TObject*, Integer From, Integer To) {
    Moves.push_back({From, To});
  });
  Integer Clicks = 0;
  Grid->OnTitleClick = TTitleKvClickEvent([&](TObject*, Integer, TColumnKv*) { ++Clicks; });
  // The drop line stands at the far edge of the column it would land on.
  const TRect Target = Grid->CellRect(3, 0);
  const TRect Line{Target.Right - 1, Centre(3, 3).Y, Target.Right + 1, Centre(3, 3).Y + 1};
  const std::vector<COLORREF> Before = Pixels(Line);
  Input.MouseDown(mbLeft, H(), Title(1));
  Input.MouseMove(H(), {Title(1).X + 2, Title(1).Y});
  EXPECT_EQ(Grid->GetGridState(), gsNormal) << "two pixels are still a click";
  Input.MouseMove(H(), {Title(1).X + 8, Title(1).Y});
  EXPECT_EQ(Grid->GetGridState(), gsColMoving);
  EXPECT_FALSE(Grid->GetTitlePressed());
  Input.MouseMove(H(), Title(3));
  Advance(60);  // the drop place follows the mouse on the timer
  EXPECT_NE(Pixels(Line), Before) << "the drop line";
  Input.MouseUp(mbLeft, H(), Title(3));
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  EXPECT_EQ(Moves, (std::vector<std::pair<Integer, Integer>>{{0, 2}}));
  EXPECT_EQ(Grid->Column(2)->GetFieldName(), "id");
  EXPECT_EQ(Clicks, 0);
  EXPECT_EQ(Pixels(Line), Before) << "the line is gone";
}

TEST_F(DBGridKvMouseTest, BordersSizeColumnsAtTheReleaseOrLiveAndEscapeLetsGo) {
  Open();
  const TRect Title1 = Grid->CellRect(1, 0);
  const TPoint Border{Title1.Right, Title1.Top + 4};
  const TRect Line{Border.X + 20, Centre(2, 3).Y, Border.X + 21, Centre(2, 3).Y + 1};
  const std::vector<COLORREF> Before = Pixels(Line);
  // With the base grid: a sizing line follows the mouse, the release sizes.
  Input.MouseDown(mbLeft, H(), Border);
  EXPECT_EQ(Grid->GetGridState(), gsColSizing);
  Input.MouseMove(H(), {Border.X + 20, Border.Y});
  EXPECT_NE(Pixels(Line), Before) << "the sizing line";
  EXPECT_EQ(Grid->Column(0)->GetWidth(), 64);
  Input.MouseUp(mbLeft, H(), {Border.X + 20, Border.Y});
  EXPECT_EQ(Grid->Column(0)->GetWidth(), 84);
  // Escape while the border is held lets it go unchanged.
  const TPoint Border2{Grid->CellRect(2, 0).Right, Border.Y};
  Advance(1000);
  Input.MouseDown(mbLeft, H(), Border2);
  Input.MouseMove(H(), {Border2.X + 30, Border2.Y});
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  Input.MouseUp(mbLeft, H(), {Border2.X + 30, Border2.Y});
  EXPECT_EQ(Grid->Column(1)->GetWidth(), 64);
  // Live: every move sizes at once, never below a pixel.
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgLiveColSizingKv);
  Integer Changes = 0;
  Grid->OnColWidthsChanged = TNotifyEvent([&](TObject*) { ++Changes; });
  Advance(1000);
  Input.MouseDown(mbLeft, H(), Border2);
  EXPECT_EQ(Grid->GetGridState(), gsColSizing);
  Input.MouseMove(H(), {Border2.X + 10, Border2.Y});
  EXPECT_EQ(Grid->Column(1)->GetWidth(), 74);
  EXPECT_EQ(Changes, 1);
  Input.MouseMove(H(), {Border2.X - 200, Border2.Y});
  EXPECT_EQ(Grid->Column(1)->GetWidth(), 1);
  Input.MouseMove(H(), {Border2.X - 4, Border2.Y});
  Input.MouseUp(mbLeft, H(), {Border2.X - 4, Border2.Y});
  EXPECT_EQ(Grid->Column(1)->GetWidth(), 60);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
}

TEST_F(DBGridKvMouseTest, ARowSizedFromTheIndicatorGivesEveryDataRowItsHeight) {
  Open();
  Grid->TCustomGridKv::SetOptions(Grid->TCustomGridKv::GetOptions() + goRowSizing);
  const Integer Row = Grid->GetTitleOffset() + 1;
  const TRect R = Grid->CellRect(0, Row);
  const Integer Old = Grid->GetRowHeights(Row);
  Input.MouseMove(H(), {R.Left + 5, R.Bottom});
  EXPECT_EQ(GetCursor(), Screen()->GetCursors(crVSplit));
  Input.Drag(H(), {R.Left + 5, R.Bottom}, {R.Left + 5, R.Bottom + 9}, 3);
  EXPECT_EQ(Grid->GetRowHeights(Row), Old + 9);
  EXPECT_EQ(Grid->GetRowHeights(Grid->GetTitleOffset() + 4), Old + 9) << "every data row";
  EXPECT_EQ(Grid->GetRowHeights(0), Grid->GetRowHeights(0)) << "the title keeps its own";
}

// [SECTION] Selecting and scrolling

TEST_F(DBGridKvMouseTest, ADragBelowTheGridScrollsFasterAndFurtherTheFartherTheMouseIs) {
  Open(200);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  Input.MouseDown(mbLeft, H(), Centre(2, Grid->GetTitleOffset() + 2));
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(Grid->GetMouseState(), 3);
  // 12 pixels below the data: 2 records a tick, every 20 ms.
  const Integer X = Centre(2, 1).X;
  Input.MouseMove(H(), {X, Box().Bottom + 11});
  const Integer First = Id();
  Advance(19);
  EXPECT_EQ(Id(), First);
  Advance(1);
  EXPECT_EQ(Id(), First + 2);
  Advance(40);
  EXPECT_EQ(Id(), First + 6);
  // Far below: at most 8 records a tick, as often as the timer goes.
  Input.MouseMove(H(), {X, Box().Bottom + 150});
  const Integer Far = Id();
  Advance(10);
  EXPECT_EQ(Id(), Far + 8);
  Advance(10);
  EXPECT_EQ(Id(), Far + 16);
  // Back inside the timer stops; the rectangle reaches the record current.
  Input.MouseMove(H(), Centre(2, Grid->GetTitleOffset() + 1));
  const Integer Stop = Id();
  Advance(200);
  EXPECT_EQ(Id(), Stop);
  Input.MouseUp(mbLeft, H(), Centre(2, Grid->GetTitleOffset() + 1));
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gskRectangle);
  TDBGridKvSelectionRect* Rect = Grid->GetSelection()->GetRect();
  EXPECT_EQ(Rect->GetAnchorCol(), 1);
  DataSet->SetBookmark(Rect->GetShiftBookmark());
  EXPECT_EQ(Id(), Stop);
  DataSet->SetBookmark(Rect->GetAnchorBookmark());
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(Grid->GetMouseState(), 0);
}

TEST_F(DBGridKvMouseTest, ADragAlongTheTitleStripPastTheRightEdgeSelectsTheColumnsComingIntoView) {
  Open(10, 9, 80);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  const TRect Title2 = Grid->CellRect(2, 0);
  const TPoint Strip{(Title2.Left + Title2.Right) / 2, Title2.Bottom - 2};
  Input.MouseMove(H(), Strip);
  ASSERT_EQ(GetCursor(), GridDownCursor);
  Input.MouseDown(mbLeft, H(), Strip);
  EXPECT_EQ(Grid->GetMouseState(), 2);
  const Integer Left = Grid->GetLeftCol();
  Input.MouseMove(H(), {Box().Right + 5, Strip.Y});
  EXPECT_EQ(Grid->GetLeftCol(), Left + 1);
  // The selection ends at the column that has just come into view.
  TDBGridKvSelectionCols* Cols = Grid->GetSelection()->GetColumns();
  const Integer Shown = Grid->GetLeftCol() + Grid->GetVisibleColCount();
  EXPECT_EQ(Cols->GetColumn(Cols->GetCount() - 1)->GetIndex(), Grid->RawToDataColumn(Shown));
  EXPECT_EQ(Cols->GetColumn(0)->GetIndex(), 1);
  // 5 pixels beyond: a column every 150 ms.
  Advance(149);
  EXPECT_EQ(Grid->GetLeftCol(), Left + 1);
  Advance(1);
  EXPECT_EQ(Grid->GetLeftCol(), Left + 2);
  Input.MouseUp(mbLeft, H(), {Box().Right + 5, Strip.Y});
  EXPECT_EQ(Grid->GetMouseState(), 0);
  Advance(1000);
  EXPECT_EQ(Grid->GetLeftCol(), Left + 2) << "the release stops the timer";
}

TEST_F(DBGridKvMouseTest, TheCursorShowsWhatAPressWouldDo) {
  Open();
  const HCURSOR Arrow = Screen()->GetCursors(crArrow);
  const TRect Title1 = Grid->CellRect(1, 0);
  const TPoint Indicator = Centre(0, Grid->GetTitleOffset() + 2);
  const TPoint Strip{Centre(1, 0).X, Title1.Bottom - 2};
  Input.MouseMove(H(), Indicator);
  EXPECT_EQ(GetCursor(), Arrow) << "without multi-select nothing is selected there";
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  Input.MouseMove(H(), Centre(1, 3));
  Input.MouseMove(H(), Indicator);
  EXPECT_EQ(GetCursor(), GridRightCursor);
  Input.MouseMove(H(), Strip);
  EXPECT_EQ(GetCursor(), GridDownCursor);
  Input.MouseMove(H(), {Strip.X, Title1.Bottom - 9});
  EXPECT_EQ(GetCursor(), Arrow) << "above the strip";
  Input.MouseMove(H(), {Title1.Right, Title1.Top + 3});
  EXPECT_EQ(GetCursor(), Screen()->GetCursors(crHSplit));
  Grid->SetOptions(Grid->GetOptions() + dgRowSelectKv);
  Input.MouseMove(H(), Strip);
  EXPECT_EQ(GetCursor(), Arrow) << "no columns are selected in row-select mode";
  Input.MouseMove(H(), Indicator);
  EXPECT_EQ(GetCursor(), GridRightCursor);
}

// [SECTION] Cells

TEST_F(DBGridKvMouseTest, DoubleClicksFireOnDblClickExceptOnATitleBorderThatFitsWidths) {
  Open();
  Integer Double = 0;
  Grid->OnDblClick = TNotifyEvent([&](TObject*) { ++Double; });
  Input.DoubleClick(H(), Centre(2, Grid->GetTitleOffset() + 1));
  EXPECT_EQ(Double, 1);
  const TRect Title1 = Grid->CellRect(1, 0);
  Advance(1000);
  Input.DoubleClick(H(), {Title1.Right, Title1.Top + 3});
  EXPECT_EQ(Double, 2);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgDblClickFitColWidthKv);
  Advance(1000);
  Input.DoubleClick(H(), {Title1.Right, Title1.Top + 3});
  EXPECT_EQ(Double, 2) << "the border's double click fits the widths instead";
}

class DBGridKvMouseCheckTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetDataSource(Source);
    for (const char* Name : {"Name", "Paid"}) Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->Column(1)->SetCheckboxes(true);
    Grid->SetFocus();
    UpdateWindow(Grid->GetHandle());
  }
  TPoint Centre(Integer Col, Integer Row) {
    const TRect R = Grid->CellRect(Col, Row);
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
  }
  bool Paid(Integer Id) {
    DataSet->Locate("ID", Variant(Id), {});
    return Field("Paid")->GetAsBoolean();
  }
};

TEST_F(DBGridKvMouseCheckTest, AClickOnACheckBoxStepsItAtTheReleaseAndOnlyThere) {
  const HWND H = Grid->GetHandle();
  const TPoint Box2 = Centre(2, Grid->GetTitleOffset() + 1);
  Input.MouseDown(mbLeft, H, Box2);
  EXPECT_FALSE(Field("Paid")->GetAsBoolean()) << "not before the release";
  EXPECT_EQ(Field("ID")->GetAsInteger(), 2);
  Input.MouseUp(mbLeft, H, Box2);
  EXPECT_TRUE(Field("Paid")->GetAsBoolean());
  // Released on another cell: nothing steps.
  Advance(1000);
  Input.MouseDown(mbLeft, H, Box2);
  Input.MouseMove(H, Centre(2, Grid->GetTitleOffset() + 2));
  Input.MouseUp(mbLeft, H, Centre(2, Grid->GetTitleOffset() + 2));
  EXPECT_TRUE(Paid(2));
  EXPECT_TRUE(Paid(3)) << "nor the box it was released on";
  DataSet->Locate("ID", Variant(2), {});
  // With DblClickNextVal only a double click steps, Shift backwards.
  Grid->Column(1)->SetDblClickNextVal(true);
  Advance(1000);
  Input.Click(H, Box2);
  EXPECT_TRUE(Field("Paid")->GetAsBoolean());
  Advance(1000);
  Input.DoubleClick(H, Box2);
  EXPECT_FALSE(Field("Paid")->GetAsBoolean());
  Input.KeyPress(VK_DOWN);
  EXPECT_FALSE(Paid(2)) << "posted";
}

TEST_F(DBGridKvMouseCheckTest, APressOnACellsEditButtonOpensTheEditorAndPressesTheButton) {
  Grid->Column(0)->GetEditButtons()->Add();
  const Integer Row = Grid->GetTitleOffset() + 3;
  const TRect Cell = Grid->CellRect(1, Row);
  const Integer Width = Grid->Column(0)->EditButtonsWidth();
  ASSERT_GT(Width, 0);
  const TPoint OnButton{Cell.Right - Width / 2 - 1, (Cell.Top + Cell.Bottom) / 2};
  Input.MouseDown(mbLeft, Grid->GetHandle(), OnButton);
  EXPECT_EQ(Field("ID")->GetAsInteger(), 4);
  TDBGridInplaceEdit* Editor = Grid->GetDBInplaceEditor();
  ASSERT_TRUE(Editor && Editor->Visible());
  ASSERT_EQ(Editor->GetEditButtonCount(), 2);
  EXPECT_EQ(Editor->GetEditButtonControl(1)->GetDownButton(), 1)
      << "one press opens the editor and presses its button";
  Input.MouseUp(mbLeft, Grid->GetHandle(), OnButton);
  EXPECT_EQ(Editor->GetEditButtonControl(1)->GetDownButton(), 0);
  // A press on the text of another cell moves there without opening it.
  Advance(1000);
  Input.Click(Grid->GetHandle(), {Cell.Left + 4, Centre(1, Row + 1).Y});
  EXPECT_FALSE(Editor->Visible());
  EXPECT_EQ(Field("ID")->GetAsInteger(), 5);
}

TEST_F(DBGridKvMouseCheckTest, InAutomaticDragModeAPressOnASelectedRecordThenAMoveStartsADrag) {
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv + dgRowSelectKv);
  Grid->SetDragMode(dmAutomatic);
  Integer Started = 0;
  Grid->OnStartDrag = TStartDragEvent([&](TObject*) { ++Started; });
  const HWND H = Grid->GetHandle();
  const Integer Row = Grid->GetTitleOffset() + 2;
  Input.Click(H, Centre(1, Row));
  EXPECT_EQ(Grid->GetSelectedRows()->GetCount(), 1) << "a press elsewhere selects";
  EXPECT_EQ(Started, 0);
  Advance(1000);
  Input.MouseDown(mbLeft, H, Centre(1, Row));
  Input.MouseMove(H, {Centre(1, Row).X + 10, Centre(1, Row).Y});
  Input.MouseMove(H, {Centre(1, Row).X + 20, Centre(1, Row).Y});
  EXPECT_EQ(Started, 1);
  EXPECT_TRUE(Grid->Dragging());
  Input.MouseUp(mbLeft, H, {Centre(1, Row).X + 20, Centre(1, Row).Y});
  EXPECT_FALSE(Grid->Dragging());
  EXPECT_EQ(Grid->GetSelectedRows()->GetCount(), 1);
  // A press on the selected record released without a move drops the
  // selection.
  Advance(1000);
  Input.Click(H, Centre(1, Row));
  EXPECT_EQ(Grid->GetSelectedRows()->GetCount(), 0);
}

TEST_F(DBGridKvMouseCheckTest, TheWheelMovesTheRecord) {
  Input.Wheel(Grid->GetHandle(), -120, Centre(1, 2));
  EXPECT_EQ(Field("ID")->GetAsInteger(), 2);
  Input.Wheel(Grid->GetHandle(), -240, Centre(1, 2));
  EXPECT_EQ(Field("ID")->GetAsInteger(), 4);
  Input.Wheel(Grid->GetHandle(), 120, Centre(1, 2));
  EXPECT_EQ(Field("ID")->GetAsInteger(), 3);
}

}  // namespace
}  // namespace korvel
