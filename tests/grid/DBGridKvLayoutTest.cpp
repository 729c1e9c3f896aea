// The grid's construction and layout: defaults a stored form relies on, row
// and title heights from the fonts, the locks that fold changes into one
// layout (and survive a failing one), changes under the update lock laid
// out at its end, the deferred layout, frozen columns, widths fitted to the
// grid, the user sizing a column or a row, and scaling.
//
// Ideas for tests: multi-level titles with vertical captions measured by the
// drawing helpers; an external horizontal bar's position while scrolling.
#include <gtest/gtest.h>

#include <functional>

#include "grid/DBGridKv.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/Numbers.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvLayoutTest : public DBGridWithDataTest {
 protected:
  // Text metrics of a font, measured as the grid measures.
  struct TMeasure {
    Integer TextHeight = 0;  // of "Wg"
    TEXTMETRIC Metrics{};
  };
  TMeasure Measure(TFont* Font) {
    TMeasure M;
    TCanvas* Canvas = Grid->GetCanvas();
    Canvas->SetFont(Font);
    M.TextHeight = Canvas->TextHeight("Wg");
    GetTextMetrics(Canvas->GetHandle(), &M.Metrics);
    Canvas->SetFont(Grid->GetFont());
    return M;
  }
  // The room the columns take: indicator, widths and their lines.
  Integer ColumnsExtent() {
    Integer Sum = Grid->GetColWidths(0) + 1;
    for (Integer I = 0; I < Grid->GetVisibleColumns()->GetCount(); ++I)
      Sum += Grid->GetVisibleColumns()->GetColumn(I)->GetWidth() + 1;
    return Sum;
  }
};

TEST_F(DBGridOnFormTest, AFreshGridHasTheDefaultsAStoredFormLeavesOut) {
  EXPECT_EQ(Grid->GetOptions(), TDBGridKvOptions::FromBits(0x0CFD));
  EXPECT_EQ(Grid->GetOptionsKv(), TDBGridKvOptionsKv::FromBits(0x00010061));
  EXPECT_EQ(static_cast<TCustomGridKv*>(Grid)->GetOptions(), TGridOptions::FromBits(0x0E8F));
  EXPECT_EQ(Grid->GetAllowedOperations(), TDBGridKvAllowedOperations::FromBits(0x0F));
  EXPECT_EQ(Grid->GetAllowedSelections(), TDBGridKvAllowedSelections::FromBits(0x1E));
  EXPECT_EQ(Grid->GetEditActions(), TDBGridKvEditActions{});
  EXPECT_EQ(Grid->GetTextMargin(), 4);
  EXPECT_EQ(Grid->GetMultiTitleMargin(), 10);
  EXPECT_TRUE(Grid->GetDefaultDrawing());
  EXPECT_FALSE(static_cast<TCustomGridKv*>(Grid)->GetDefaultDrawing())
      << "the grid draws every cell";
  // No dataset: one empty column beside the indicator, one empty row.
  EXPECT_EQ(Grid->GetColCount(), 2);
  EXPECT_EQ(Grid->GetRowCount(), 2);
  EXPECT_EQ(Grid->GetFixedRows(), 1);
  Grid->SetFlat(true);
  EXPECT_EQ(Grid->GetTextMargin(), 2);
  Grid->SetFlat(false);
  EXPECT_EQ(Grid->GetTextMargin(), 4);
}

TEST_F(DBGridKvLayoutTest, RowHeightsComeFromTheFontAndRoundToWholeLines) {
  Grid->SetDataSource(Source);
  const TMeasure M = Measure(Grid->GetFont());
  const Integer T = M.TextHeight;
  const Integer E = 3 + 1;  // raised look, row lines
  EXPECT_EQ(Grid->GetDefaultRowHeight(), T + E);
  EXPECT_FALSE(Grid->GetWordWrapAllowed());
  Grid->SetRowLines(2);
  EXPECT_EQ(Grid->GetDefaultRowHeight(), (M.Metrics.tmHeight + M.Metrics.tmExternalLeading) * 2);
  EXPECT_TRUE(Grid->GetWordWrapAllowed());
  Grid->SetRowLines(0);
  // Rounded to whole lines: 1.4 lines give one, 1.6 two, a third of a line
  // one, exactly a line and a half one. Each result is rewritten as whole
  // lines and the extra pixels.
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgFitRowHeightToTextKv);
  EXPECT_EQ(Grid->GetDefaultRowHeight(), T + E);
  EXPECT_EQ(Grid->GetRowLines(), 1);
  const struct {
    Integer Height;
    Integer Lines;
  } Cases[] = {{E + T * 14 / 10, 1}, {E + T * 16 / 10, 2}, {E + T / 3, 1}, {E + 3 * T, 3},
                 {E + T + T / 2, 1}};
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Height);
    Grid->BeginLayout();
    Grid->SetRowLines(0);
    Grid->SetRowHeight(Case.Height);
    Grid->EndLayout();
    EXPECT_EQ(Grid->GetDefaultRowHeight(), Case.Lines * T + E);
    EXPECT_EQ(Grid->GetRowLines(), Case.Lines);
    EXPECT_EQ(Grid->GetRowHeight(), E);
  }
  // The title row kept its own height through all of it.
  EXPECT_EQ(Grid->GetRowHeights(0), Measure(Grid->GetTitleFont()).TextHeight + 4);
}

TEST_F(DBGridKvLayoutTest, ANegativeLineCountNeverGivesRowsWithoutHeight) {
  Grid->SetDataSource(Source);
  Grid->SetRowHeight(3);
  Grid->SetRowLines(-5);
  EXPECT_EQ(Grid->GetRowLines(), 0);
  EXPECT_EQ(Grid->GetDefaultRowHeight(), 3);
  Grid->SetRowHeight(0);
  Grid->SetTitleLines(-2);
  EXPECT_EQ(Grid->GetTitleLines(), 0);
  EXPECT_GT(Grid->GetRowHeights(0), 0);
  EXPECT_GE(Grid->GetDataLink()->GetBufferCount(), 1);
}

TEST_F(DBGridKvLayoutTest, TheTitleRowIsAsTallAsItsTallestTitleFont) {
  Grid->SetDataSource(Source);
  Grid->Column(1)->GetTitle()->GetFont()->SetSize(16);
  EXPECT_EQ(Grid->GetRowHeights(0), Measure(Grid->Column(1)->GetTitle()->GetFont()).TextHeight + 4);
  // Lines and pixels of the user's.
  Grid->SetTitleLines(2);
  Grid->SetTitleHeight(3);
  const TEXTMETRIC Tall = Measure(Grid->Column(1)->GetTitle()->GetFont()).Metrics;
  EXPECT_EQ(Grid->GetRowHeights(0), 2 * Tall.tmHeight + Tall.tmExternalLeading + 2 + 3 + 1);
  // The data rows follow: fewer fit under a taller title.
  const Integer Pitch = Grid->GetDefaultRowHeight() + 1;
  EXPECT_EQ(Grid->GetDataLink()->GetRecordCount(),
            std::min<Integer>(5, (Grid->GetClientHeight() - Grid->GetRowHeights(0) - 1) / Pitch));
}

TEST_F(DBGridKvLayoutTest, WithoutTitlesTheFirstRowIsADataRowLikeTheOthers) {
  Grid->SetDataSource(Source);
  Grid->GetTitleFont()->SetSize(20);
  ASSERT_NE(Grid->GetRowHeights(0), Grid->GetDefaultRowHeight());
  Grid->SetOptions(Grid->GetOptions() - dgTitlesKv);
  EXPECT_EQ(Grid->GetTitleOffset(), 0);
  EXPECT_EQ(Grid->GetFixedRows(), 0);
  EXPECT_EQ(Grid->GetRowHeights(0), Grid->GetDefaultRowHeight());
  EXPECT_EQ(Grid->GetRow(), 0) << "the first record in the first row";
  Grid->SetOptions(Grid->GetOptions() + dgTitlesKv);
  EXPECT_EQ(Grid->GetRowHeights(0), Measure(Grid->GetTitleFont()).TextHeight + 4);
}

TEST_F(DBGridKvLayoutTest, EditButtonsAreAsTallAsTheRowsAllow) {
  Grid->SetDataSource(Source);
  const Integer Width = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(Grid->GetButtonWidth(), Width);
  EXPECT_EQ(Grid->GetButtonHeight(), Grid->GetDefaultRowHeight()) << "a row of one line";
  Grid->SetRowLines(3);
  EXPECT_EQ(Grid->GetButtonHeight(), Width) << "taller rows: the button keeps its own height";
}

TEST_F(DBGridKvLayoutTest, ChangesInsideALayoutLockMakeOneLayout) {
  Grid->SetDataSource(Source);
  Grid->Layouts = 0;
  Grid->BeginLayout();
  Grid->SetRowLines(2);
  Grid->SetTitleHeight(4);
  Grid->SetOptions(Grid->GetOptions() - dgIndicatorKv);
  EXPECT_EQ(Grid->Layouts, 0);
  Grid->BeginLayout();
  Grid->EndLayout();
  EXPECT_EQ(Grid->Layouts, 0) << "only the outer lock lays out";
  Grid->EndLayout();
  EXPECT_EQ(Grid->Layouts, 1);
  EXPECT_EQ(Grid->GetIndicatorOffset(), 0);
  EXPECT_EQ(Grid->GetColCount(), 4);
}

TEST_F(DBGridKvLayoutTest, AFailingLayoutLeavesNoLockBehind) {
  Grid->SetDataSource(Source);
  Grid->ThrowOnRowCount = true;
  EXPECT_THROW(Grid->SetRowLines(2), EInvalidOperation);
  Grid->ThrowOnRowCount = false;
  EXPECT_FALSE(Grid->PaintLocked()) << "the grid still paints";
  EXPECT_EQ(Grid->GetLayoutLock(), 0);
  EXPECT_EQ(Grid->GetUpdateLock(), 0);
  EXPECT_EQ(Grid->GetColumns()->GetUpdateCount(), 0);
  Grid->Layouts = 0;
  Grid->SetRowLines(3);
  EXPECT_EQ(Grid->Layouts, 1) << "and lays out again";
}

// Two grids over the same orders side by side, neither focused: one is
// changed inside BeginUpdate / EndUpdate, its twin the same way without a
// lock. After the unlock both must paint alike.
class DBGridKvUpdateLockTest : public DBGridKvLayoutTest {
 protected:
  TDrawingLogOn DrawingLog;
  void SetUp() override {
    DBGridKvLayoutTest::SetUp();
    Form->SetBounds(100, 100, 900, 300);
  }
  // A fresh pair of grids with the columns ID, Name and Amount.
  void MakePair() {
    for (TTestDBGrid* G : Grids) G->Free();
    Grids.clear();
    Grid = MakeGrid("Grid1");
    Twin = MakeGrid("Twin");
    Twin->SetLeft(450);
    for (TTestDBGrid* G : {Grid, Twin}) {
      for (const char* Name : {"ID", "Name", "Amount"}) G->GetColumns()->Add()->SetFieldName(Name);
      G->GetSumList()->SetActive(true);
      G->SetDataSource(Source);
    }
  }
  TSurface* Surface() { return GetWindowSurface(Form->GetHandle()); }
  // Grid G's client rectangle on the form's surface.
  TRect OnSurface(TTestDBGrid* G, TRect R) {
    const TPoint P = G->ClientToScreen({0, 0});
    TRect F;
    GetWindowRect(Form->GetHandle(), &F);
    OffsetRect(R, P.X - F.Left, P.Y - F.Top);
    return R;
  }
  // Paints G afresh and reads its client area back.
  std::vector<COLORREF> Paint(TTestDBGrid* G) {
    G->Invalidate();
    Surface()->ClearRecords();
    UpdateWindow(G->GetHandle());
    const TRect C = OnSurface(G, G->GetClientRect());
    std::vector<COLORREF> P;
    for (Integer Y = C.Top; Y < C.Bottom; ++Y)
      for (Integer X = C.Left; X < C.Right; ++X) P.push_back(Surface()->GetPixel(X, Y));
    return P;
  }
  // The text drawn in a cell of the grid under test, as it was last painted.
  String CellText(Integer Col, Integer Row) {
    return Surface()->TextIn(OnSurface(Grid, Grid->CellRect(Col, Row)));
  }
  TTestDBGrid* Twin = nullptr;
};

TEST_F(DBGridKvUpdateLockTest, EndUpdateLaysOutWhatChangedUnderTheLock) {
  using TStep = std::function<void(TTestDBGrid*)>;
  const TStep Nothing = [](TTestDBGrid*) {};
  const struct {
    const char* What;
    TStep Before;  // both grids, no lock
    TStep Change;  // the grid under a lock, its twin without
    std::function<void()> Sees;
  } Cases[] = {
      {"titles off", Nothing, [](TTestDBGrid* G) { G->SetOptions(G->GetOptions() - dgTitlesKv); },
       [&] {
         EXPECT_EQ(Surface()->FindText("Name"), nullptr);
         EXPECT_EQ(CellText(2, 0), "Ann") << "the first record in the top row";
       }},
      {"filter row shown", Nothing, [](TTestDBGrid* G) { G->GetSTFilter()->SetVisible(true); },
       [&] {
         EXPECT_EQ(CellText(2, 0), "Name");
         EXPECT_EQ(CellText(2, 1), "");
         EXPECT_EQ(CellText(2, 2), "Ann");
       }},
      {"filter row hidden", [](TTestDBGrid* G) { G->GetSTFilter()->SetVisible(true); },
       [](TTestDBGrid* G) { G->GetSTFilter()->SetVisible(false); },
       [&] { EXPECT_EQ(CellText(2, 1), "Ann"); }},
      {"indicator off", Nothing,
       [](TTestDBGrid* G) { G->SetOptions(G->GetOptions() - dgIndicatorKv); },
       [&] {
         EXPECT_EQ(CellText(0, 1), "1");
         EXPECT_EQ(Grid->CellRect(0, 1).Left, 0);
       }},
      {"a footer row", Nothing,
       [](TTestDBGrid* G) {
         G->SetFooterRowCount(1);
         G->Column(2)->GetFooter()->SetValueType(fvtSum);
       },
       [&] { EXPECT_EQ(CellText(3, Grid->GetRowCount()), "143.5"); }},
      {"titles on two levels", Nothing,
       [](TTestDBGrid* G) {
         G->Column(1)->GetTitle()->SetCaption("Order|Name");
         G->Column(2)->GetTitle()->SetCaption("Order|Amount");
         G->SetUseMultiTitle(true);
       },
       [&] { EXPECT_NE(Surface()->FindText("Order"), nullptr); }},
      {"a frozen column", [](TTestDBGrid* G) { G->Column(1)->SetWidth(300); },
       [](TTestDBGrid* G) { G->SetFrozenCols(1); },
       [&] {
         // Scrolled to the last column, the ID column stays in place.
         Grid->SetLeftCol(3);
         Paint(Grid);
         EXPECT_EQ(CellText(1, 1), "1");
         EXPECT_EQ(CellText(3, 1), "10.5");
       }},
      {"two lines a row", Nothing, [](TTestDBGrid* G) { G->SetRowLines(2); },
       [&] {
         EXPECT_EQ(Grid->CellRect(2, 2).Height(), Twin->GetDefaultRowHeight());
         EXPECT_EQ(CellText(2, 2), "Bob");
       }},
      {"taller rows", Nothing, [](TTestDBGrid* G) { G->SetRowHeight(40); },
       [&] { EXPECT_EQ(Grid->CellRect(2, 2).Height(), 40); }},
      {"a column added", Nothing, [](TTestDBGrid* G) { G->GetColumns()->Add()->SetFieldName("Paid"); },
       [&] { EXPECT_EQ(CellText(4, 0), "Paid"); }},
      {"a column removed", Nothing, [](TTestDBGrid* G) { G->Column(1)->Free(); },
       [&] {
         EXPECT_EQ(Surface()->FindText("Name"), nullptr);
         EXPECT_EQ(CellText(2, 0), "Amount");
       }},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.What);
    MakePair();
    Case.Before(Grid);
    Case.Before(Twin);
    Paint(Grid);
    Grid->BeginUpdate();
    Grid->BeginUpdate();
    Case.Change(Grid);
    Grid->EndUpdate();
    Grid->EndUpdate();
    Case.Change(Twin);
    EXPECT_EQ(Grid->GetTitleOffset(), Twin->GetTitleOffset());
    EXPECT_TRUE(Paint(Grid) == Paint(Twin)) << "the grid paints as its twin";
    Paint(Grid);
    Case.Sees();
    EXPECT_TRUE(Application()->GetHandledExceptions().empty());
  }
}

class DBGridKvDeferredLayoutTest : public DBGridKvLayoutTest {
 protected:
  Integer Waiting() {
    Integer N = 0;
    MSG Msg;
    std::vector<MSG> Taken;
    while (PeekMessage(&Msg, Grid->GetHandle(), WM_USER + 100, WM_USER + 100, PM_REMOVE)) {
      Taken.push_back(Msg);
      ++N;
    }
    for (const MSG& M : Taken) PostMessage(M.hwnd, M.message, M.wParam, M.lParam);
    return N;
  }
  // Delivers the one waiting deferred layout.
  void DeliverOne() {
    MSG Msg;
    ASSERT_TRUE(PeekMessage(&Msg, Grid->GetHandle(), WM_USER + 100, WM_USER + 100, PM_REMOVE));
    DispatchMessage(&Msg);
  }
};

TEST_F(DBGridKvDeferredLayoutTest, ItIsPostedOnceAndReleasesNobodysLocks) {
  Grid->SetDataSource(Source);
  while (Waiting() > 0) DeliverOne();
  Grid->DeferLayout();
  Grid->DeferLayout();
  EXPECT_EQ(Waiting(), 1);
  // The application holds a lock: deferring leaves it held, and the message
  // waits for it.
  Grid->BeginUpdate();
  Grid->BeginLayout();
  Grid->DeferLayout();
  EXPECT_EQ(Grid->GetUpdateLock(), 2);
  EXPECT_EQ(Grid->GetLayoutLock(), 1);
  Grid->Layouts = 0;
  DeliverOne();
  EXPECT_EQ(Grid->Layouts, 0);
  EXPECT_EQ(Waiting(), 1) << "posted again while the lock is held";
  EXPECT_EQ(Grid->GetUpdateLock(), 2);
  Grid->CancelLayout();
  Grid->EndUpdate();
  DeliverOne();
  EXPECT_EQ(Grid->Layouts, 1);
  EXPECT_EQ(Waiting(), 0);
}

TEST_F(DBGridKvDeferredLayoutTest, AFieldFreedWhileControlsAreDisabledIsLaidOutLater) {
  TField* Amount = Field("Amount");
  DataSet->Close();
  DataSet->GetFieldDefs()->Clear();
  DataSet->GetFieldDefs()->Add("ID", ftInteger);
  DataSet->GetFieldDefs()->Add("Amount", ftFloat);
  (void)Amount;
  TField* Id = TIntegerField::Create(DataSet);
  Id->SetFieldName("ID");
  Id->SetDataSet(DataSet);
  TField* Sum = TFloatField::Create(DataSet);
  Sum->SetFieldName("Amount");
  Sum->SetDataSet(DataSet);
  DataSet->Open();
  Grid->SetDataSource(Source);
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 2);
  while (Waiting() > 0) DeliverOne();
  {
    TDisableControlsGuard Disabled(DataSet);
    DataSet->Close();
    FreeObject(Sum);
    EXPECT_EQ(Grid->GetLayoutLock(), 0);
    EXPECT_EQ(Grid->GetUpdateLock(), 0);
    EXPECT_EQ(Waiting(), 1) << "the layout waits";
    DataSet->Open();
  }
  while (Waiting() > 0) DeliverOne();
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 1);
  EXPECT_EQ(Grid->Column(0)->GetField(), Id);
}

// Columns ID, Name (hidden), Amount of the user's, the first frozen.
class DBGridKvFrozenTest : public DBGridKvLayoutTest {
 protected:
  void SetUp() override {
    DBGridKvLayoutTest::SetUp();
    for (const char* Name : {"ID", "Name", "Amount"}) Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->Column(1)->SetVisible(false);
    Grid->SetDataSource(Source);
    Grid->SetFrozenCols(1);
  }
};

TEST_F(DBGridKvFrozenTest, AHiddenColumnAfterTheFrozenOneLeavesTheFrozenOneReachable) {
  EXPECT_EQ(Grid->GetFixedCols(), 3) << "indicator, frozen ID and hidden Name";
  EXPECT_EQ(Grid->GetFrozenColCount(), 2) << "the hidden column counts among the frozen";
  Grid->SetFocus();
  const TRect Cell = Grid->CellRect(1, 2);
  Input.Click(Grid->GetHandle(), {(Cell.Left + Cell.Right) / 2, (Cell.Top + Cell.Bottom) / 2});
  EXPECT_EQ(Grid->GetCol(), 1) << "the frozen ID column takes the click";
  EXPECT_EQ(Grid->GetSelectedField(), Field("ID"));
  const TRect Last = Grid->CellRect(3, 2);
  Input.Click(Grid->GetHandle(), {(Last.Left + Last.Right) / 2, (Last.Top + Last.Bottom) / 2});
  EXPECT_EQ(Grid->GetSelectedField(), Field("Amount"));
}

class DBGridKvAutoFitTest : public DBGridKvLayoutTest {
 protected:
  void SetUp() override {
    DBGridKvLayoutTest::SetUp();
    for (const char* Name : {"ID", "Name", "Amount"}) Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->SetDataSource(Source);
  }
};

TEST_F(DBGridKvAutoFitTest, ColumnsShareTheWidthAndALimitedOneKeepsItsLimit) {
  Grid->Column(0)->SetWidth(100);
  Grid->Column(1)->SetWidth(100);
  Grid->Column(2)->SetWidth(50);
  Grid->Column(1)->SetMaxWidth(80);
  Grid->SetAutoFitColWidths(true);
  EXPECT_EQ(Grid->GetScrollBars(), ssNone) << "nothing to scroll sideways";
  EXPECT_EQ(Grid->Column(1)->GetWidth(), 80) << "stopped by its limit";
  EXPECT_EQ(ColumnsExtent(), Grid->GetClientWidth()) << "the columns fill the grid exactly";
  // The other two share the rest in proportion to their widths (2 : 1), the
  // rounding remainder going to the last.
  const Integer Rest = Grid->GetClientWidth() - Grid->GetColWidths(0) - 4 - 80;
  EXPECT_EQ(Grid->Column(0)->GetWidth(), MulDiv(100, Rest, 150));
  EXPECT_EQ(Grid->Column(2)->GetWidth(), Rest - MulDiv(100, Rest, 150));
  // A narrower grid: the columns follow.
  Grid->SetWidth(Grid->GetWidth() - 60);
  EXPECT_EQ(ColumnsExtent(), Grid->GetClientWidth());
  // Off: every column its own width again.
  Grid->SetAutoFitColWidths(false);
  EXPECT_EQ(Grid->Column(0)->GetWidth(), 100);
  EXPECT_EQ(Grid->Column(2)->GetWidth(), 50);
  EXPECT_EQ(Grid->GetScrollBars(), ssHorizontal);
}

TEST_F(DBGridKvAutoFitTest, ColumnsWithoutWidthStillFillTheGrid) {
  for (Integer I = 0; I < 3; ++I) Grid->Column(I)->SetWidth(0);
  Grid->SetAutoFitColWidths(true);
  for (Integer I = 0; I < 3; ++I) EXPECT_GE(Grid->Column(I)->GetWidth(), 0) << I;
  EXPECT_EQ(ColumnsExtent(), Grid->GetClientWidth()) << "the last column takes the room";
}

TEST_F(DBGridKvAutoFitTest, TheUserSizingAColumnTakesTheRoomFromTheNext) {
  Grid->Column(0)->SetWidth(100);
  Grid->Column(1)->SetWidth(100);
  Grid->Column(2)->SetWidth(100);
  Grid->SetAutoFitColWidths(true);
  const Integer First = Grid->Column(0)->GetWidth();
  const Integer Third = Grid->Column(2)->GetWidth();
  // Drag the border between ID and Name 30 pixels to the right.
  const TRect Title = Grid->CellRect(1, 0);
  const Integer Y = (Title.Top + Title.Bottom) / 2;
  Input.Drag(Grid->GetHandle(), {Title.Right, Y}, {Title.Right + 30, Y});
  EXPECT_EQ(Grid->Column(0)->GetWidth(), First + 30);
  // Only the next column gives; the last one still takes the rounding
  // remainder of the shares.
  EXPECT_NEAR(Grid->Column(2)->GetWidth(), Third, 1);
  EXPECT_EQ(ColumnsExtent(), Grid->GetClientWidth());
}

// Dragged past its maximum width, a fitted column stops at its limit and its
// neighbour gives up only what the column took.
TEST_F(DBGridKvAutoFitTest, AColumnDraggedPastItsLimitTakesOnlyUpToItFromTheNext) {
  for (Integer I = 0; I < 3; ++I) Grid->Column(I)->SetWidth(100);
  Grid->SetAutoFitColWidths(true);
  const Integer First = Grid->Column(0)->GetWidth();
  const Integer Second = Grid->Column(1)->GetWidth();
  Grid->Column(0)->SetMaxWidth(First + 10);
  const TRect Title = Grid->CellRect(1, 0);
  const Integer Y = (Title.Top + Title.Bottom) / 2;
  Input.Drag(Grid->GetHandle(), {Title.Right, Y}, {Title.Right + 40, Y});
  EXPECT_NEAR(Grid->Column(0)->GetWidth(), First + 10, 1);
  EXPECT_NEAR(Grid->Column(1)->GetWidth(), Second - 10, 1);
  EXPECT_EQ(ColumnsExtent(), Grid->GetClientWidth());
}

// Switched on while the grid is scrolled sideways, fitting shows the grid
// from its first column again.
TEST_F(DBGridKvAutoFitTest, FittingAScrolledGridShowsItFromTheFirstColumn) {
  for (Integer I = 0; I < 3; ++I) Grid->Column(I)->SetWidth(250);
  Grid->SetLeftCol(3);
  ASSERT_EQ(Grid->GetLeftCol(), 3);
  Grid->SetAutoFitColWidths(true);
  TSurface* Surface = GetWindowSurface(Grid->GetHandle());
  Surface->SetRecording(true);
  Grid->Invalidate();
  Surface->ClearRecords();
  UpdateWindow(Grid->GetHandle());
  const TDrawRecord* Id = Surface->FindText("ID");
  ASSERT_NE(Id, nullptr) << "the first column is in sight";
  const TDrawRecord* Amount = Surface->FindText("Amount");
  ASSERT_NE(Amount, nullptr);
  EXPECT_LT(Id->Rect.Left, Amount->Rect.Left);
  EXPECT_EQ(Grid->GetLeftCol(), 1);
}

TEST_F(DBGridKvLayoutTest, TheUserSizesAColumnWithTheMouse) {
  Grid->SetDataSource(Source);
  Integer Calls = 0;
  Grid->OnColWidthsChanged = [&](TObject*) { ++Calls; };
  const Integer Width = Grid->Column(1)->GetWidth();
  const TRect Title = Grid->CellRect(2, 0);
  const Integer Y = (Title.Top + Title.Bottom) / 2;
  Input.Drag(Grid->GetHandle(), {Title.Right, Y}, {Title.Right + 25, Y});
  EXPECT_EQ(Grid->Column(1)->GetWidth(), Width + 25);
  EXPECT_EQ(Grid->GetColWidths(2), Width + 25);
  EXPECT_GE(Calls, 1);
  // A limit of the column holds against the mouse.
  Grid->Column(1)->SetMaxWidth(Width + 30);
  Input.Drag(Grid->GetHandle(), {Title.Right + 25, Y}, {Title.Right + 80, Y});
  EXPECT_EQ(Grid->Column(1)->GetWidth(), Width + 30);
  EXPECT_EQ(Grid->GetColWidths(2), Width + 30);
}

// A user drags a row's lower line up until the row is exactly RowHeight
// high while RowLines is set: every data row takes that height at once.
TEST_F(DBGridKvLayoutTest, ARowDraggedToExactlyRowHeightSizesEveryRow) {
  Grid->SetDataSource(Source);
  Grid->SetRowSizingAllowed(true);
  Grid->SetRowHeight(20);
  Grid->SetRowLines(1);
  const Integer Tall = Grid->GetDefaultRowHeight();
  ASSERT_GT(Tall, 25);
  UpdateWindow(Grid->GetHandle());
  const TRect Indicator = Grid->CellRect(0, 2);
  Input.Drag(Grid->GetHandle(), {Indicator.Left + 4, Indicator.Bottom},
             {Indicator.Left + 4, Indicator.Bottom - (Tall - 20)});
  EXPECT_EQ(Grid->GetRowLines(), 0);
  EXPECT_EQ(Grid->GetRowHeight(), 20);
  for (Integer Row = 1; Row < Grid->GetRowCount(); ++Row)
    EXPECT_EQ(Grid->CellRect(1, Row).Height(), 20) << "row " << Row;
  EXPECT_EQ(Grid->CellRect(1, 3).Top, Grid->GetRowHeights(0) + 1 + 2 * 21);
}

// The grid's options reach the base grid: lines, sizing and moving, tabs,
// row selection and the editor, so that what the user may do follows them.
TEST_F(DBGridKvLayoutTest, OptionsDecideWhatTheBaseGridLetsTheUserDo) {
  Grid->SetDataSource(Source);
  auto Base = [&] { return static_cast<TCustomGridKv*>(Grid)->GetOptions(); };
  const struct {
    TDBGridKvOption Option;
    TGridOptions Gives;
  } Cases[] = {
      {dgColLinesKv, {goFixedVertLine, goVertLine}},
      {dgRowLinesKv, {goFixedHorzLine, goHorzLine}},
      {dgColumnResizeKv, {goColSizing, goColMoving}},
      {dgTabsKv, {goTabs}},
      {dgEditingKv, {goEditing}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(int(C.Option));
    Grid->SetOptions(Grid->GetOptions() - C.Option);
    EXPECT_EQ(Base() * C.Gives, TGridOptions{});
    Grid->SetOptions(Grid->GetOptions() + C.Option);
    EXPECT_EQ(Base() * C.Gives, C.Gives);
  }
  EXPECT_EQ(Base(), TGridOptions::FromBits(0x0E8F)) << "the defaults as the constructor set them";

  // Without column sizing a dragged title border sizes nothing.
  const Integer Width = Grid->Column(1)->GetWidth();
  const TRect Title = Grid->CellRect(2, 0);
  const Integer Y = (Title.Top + Title.Bottom) / 2;
  Grid->SetOptions(Grid->GetOptions() - dgColumnResizeKv);
  Input.Drag(Grid->GetHandle(), {Title.Right, Y}, {Title.Right + 25, Y});
  EXPECT_EQ(Grid->Column(1)->GetWidth(), Width);
  Grid->SetOptions(Grid->GetOptions() + dgColumnResizeKv);

  // Without editing a typed character opens no editor and changes nothing.
  Grid->SetFocus();
  Grid->SetOptions(Grid->GetOptions() - dgEditingKv);
  Input.Type("x");
  EXPECT_FALSE(Grid->GetEditorMode());
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  Grid->SetOptions(Grid->GetOptions() + dgEditingKv);

  // Row selection takes editing and the always-shown editor away.
  Grid->SetOptions(Grid->GetOptions() + dgAlwaysShowEditorKv);
  EXPECT_TRUE(Base().Contains(goAlwaysShowEditor));
  Grid->SetOptions(Grid->GetOptions() + dgRowSelectKv);
  EXPECT_TRUE(Base().Contains(goRowSelect));
  EXPECT_FALSE(Grid->GetOptions().Contains(dgEditingKv));
  EXPECT_FALSE(Grid->GetOptions().Contains(dgAlwaysShowEditorKv));
  EXPECT_FALSE(Base().Contains(goEditing));
  EXPECT_FALSE(Base().Contains(goAlwaysShowEditor));

  // Rows are sized by the user only where the grid allows it.
  EXPECT_FALSE(Base().Contains(goRowSizing));
  Grid->SetRowSizingAllowed(true);
  EXPECT_TRUE(Base().Contains(goRowSizing));
  Grid->SetOptions(Grid->GetOptions() - dgRowSelectKv);
  EXPECT_TRUE(Base().Contains(goRowSizing)) << "kept through other option changes";
  Grid->SetRowSizingAllowed(false);
  EXPECT_FALSE(Base().Contains(goRowSizing));
}

// Dropping multi-select clears the selection; dropping multi-column sorting
// leaves the first sorted column its marker and no other.
TEST_F(DBGridKvLayoutTest, DroppingSeveralAtOnceKeepsOne) {
  Grid->SetDataSource(Source);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  Grid->GetSelection()->SelectAll();
  ASSERT_NE(Grid->GetSelection()->GetSelectionType(), gskNone);
  Grid->SetOptions(Grid->GetOptions() - dgMultiSelectKv);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gskNone);

  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgMultiSortMarkingKv);
  Grid->Column(2)->GetTitle()->SetSortMarker(smDownKv);
  Grid->Column(0)->GetTitle()->SetSortMarker(smUpKv);
  Grid->Column(1)->GetTitle()->SetSortMarker(smDownKv);
  ASSERT_EQ(Grid->GetSortMarkedColumns()->GetCount(), 3);
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgMultiSortMarkingKv);
  ASSERT_EQ(Grid->GetSortMarkedColumns()->GetCount(), 1);
  EXPECT_EQ(Grid->GetSortMarkedColumns()->GetColumn(0), Grid->Column(2));
  EXPECT_EQ(Grid->Column(2)->GetTitle()->GetSortMarker(), smDownKv);
  EXPECT_EQ(Grid->Column(2)->GetTitle()->GetSortIndex(), 1);
  EXPECT_EQ(Grid->Column(0)->GetTitle()->GetSortMarker(), smNoneKv);
  EXPECT_EQ(Grid->Column(1)->GetTitle()->GetSortIndex(), 0);
}

TEST_F(DBGridKvLayoutTest, ScalingKeepsTheSumOfTheWidths) {
  for (const char* Name : {"ID", "Name", "Amount"}) Grid->GetColumns()->Add()->SetFieldName(Name);
  Grid->SetDataSource(Source);
  for (Integer I = 0; I < 3; ++I) Grid->Column(I)->SetWidth(33);
  Grid->SetParentFont(false);
  Grid->GetFont()->SetSize(8);
  Grid->ScaleBy(3, 2);
  EXPECT_EQ(Grid->Column(0)->GetWidth() + Grid->Column(1)->GetWidth() + Grid->Column(2)->GetWidth(),
            MulDiv(99, 3, 2))
      << "no rounding error adds up";
  EXPECT_EQ(Grid->GetTitleFont()->GetSize(), MulDiv(8, 3, 2));
}

}  // namespace
}  // namespace korvel
