// The data-aware grid's selection over the `orders` table of a million rows
// (../shared/peers/qt/gen_orders.cpp makes it): selecting everything, and
// the question painting asks of every data cell it draws, whether the cell's
// record is selected, under each kind of selection. The grid is a
// TCustomDBGridKv on a 1600x900 form over the SQLite dataset.
//
//   BM_Selection_SelectAllKey     Ctrl+A through the input driver, then the
//                                 whole selection dropped again (per pair)
//   BM_Selection_AskAll           DataCellSelected for every cell of the rows
//                                 shown, everything selected (per question)
//   BM_Selection_AskRows          the same with 1000 records selected, spread
//                                 over the table (a binary search each)
//   BM_Selection_AskRectangle     the same inside a rectangle from the 10th
//                                 to the 900000th record (two comparisons)
//   BM_Selection_ShiftPageDown    Shift+Page Down through the input driver,
//                                 growing a rectangle a page at a time
#include <benchmark/benchmark.h>

#include <vector>

#include "OrdersDb.h"
#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

using namespace kvp;
using korvel::TCustomDBGridKv;

namespace {

constexpr long Rows = 1000000;

// A form with the grid over the table, shown and painted, the grid focused.
struct TSelectionWindow {
  TForm* Form = nullptr;
  TSQLiteDataSet* DataSet = nullptr;
  TCustomDBGridKv* Grid = nullptr;

  explicit TSelectionWindow(const std::string& Path) {
    ResetWindowSystem();
    Application()->Reset();
    Form = TForm::Create(nullptr);
    Form->SetBounds(0, 0, 1600, 900);
    DataSet = TSQLiteDataSet::Create(Form);
    DataSet->SetDatabaseName(Path);
    DataSet->SetTableName("orders");
    auto* Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid = TCustomDBGridKv::Create(Form);
    Grid->SetBounds(0, 0, 1580, 880);
    Grid->SetParent(Form);
    Grid->SetDataSource(Source);
    Grid->SetOptions(Grid->GetOptions() + korvel::dgMultiSelectKv);
    Grid->SetEditActions(korvel::TDBGridKvEditActions{korvel::geaSelectAllKv});
    DataSet->Open();
    Form->Show();
    Grid->SetFocus();
    UpdateWindow(Form->GetHandle());
  }
  ~TSelectionWindow() {
    FreeAndNil(Form);
    ResetWindowSystem();
  }
  TSelectionWindow(const TSelectionWindow&) = delete;
  TSelectionWindow& operator=(const TSelectionWindow&) = delete;

  // The bookmarks of the rows shown.
  std::vector<TBookmark> ShownBookmarks() {
    std::vector<TBookmark> R;
    TDataLink* Link = Grid->GetDataLink();
    const Integer Saved = Link->GetActiveRecord();
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      R.push_back(DataSet->GetBookmark());
    }
    Link->SetActiveRecord(Saved);
    return R;
  }

  // Asks for every data cell of the rows shown, as a paint does; counts the
  // cells selected.
  Integer AskShown(const std::vector<TBookmark>& Shown) {
    korvel::TDBGridKvSelection* Selection = Grid->GetSelection();
    const Integer Columns = Grid->GetColumns()->GetCount();
    Integer Selected = 0;
    for (const TBookmark& B : Shown)
      for (Integer C = 0; C < Columns; ++C) Selected += Selection->DataCellSelected(C, B);
    return Selected;
  }
};

void Ask(benchmark::State& State, TSelectionWindow& W) {
  const std::vector<TBookmark> Shown = W.ShownBookmarks();
  const Integer Cells = Integer(Shown.size()) * W.Grid->GetColumns()->GetCount();
  Integer Selected = 0;
  for (auto _ : State) {
    Selected = W.AskShown(Shown);
    benchmark::DoNotOptimize(Selected);
  }
  State.SetItemsProcessed(State.iterations() * Cells);
  State.counters["selected_cells"] = double(Selected);
  State.counters["cells"] = double(Cells);
}

void BM_Selection_SelectAllKey(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, Rows);
  if (Path.empty()) return;
  TSelectionWindow W(Path);
  for (auto _ : State) {
    Input.KeyPress('A', TShiftState{ssCtrl});
    if (W.Grid->GetSelection()->GetSelectionType() != korvel::gskAll)
      State.SkipWithError("Ctrl+A selected nothing");
    W.Grid->GetSelection()->Clear();
  }
}
BENCHMARK(BM_Selection_SelectAllKey)->Unit(benchmark::kMicrosecond);

void BM_Selection_AskAll(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, Rows);
  if (Path.empty()) return;
  TSelectionWindow W(Path);
  W.Grid->GetSelection()->SelectAll();
  W.DataSet->MoveBy(Rows / 2);
  Ask(State, W);
}
BENCHMARK(BM_Selection_AskAll);

void BM_Selection_AskRows(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, Rows);
  if (Path.empty()) return;
  TSelectionWindow W(Path);
  for (Integer I = 1; I <= 1000; ++I) {
    W.DataSet->SetRecNo(I * 997);
    W.Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  }
  W.DataSet->SetRecNo(502 * 997);  // a selected record among the rows shown
  Ask(State, W);
  State.counters["records_selected"] = double(W.Grid->GetSelectedRows()->GetCount());
}
BENCHMARK(BM_Selection_AskRows);

void BM_Selection_AskRectangle(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, Rows);
  if (Path.empty()) return;
  TSelectionWindow W(Path);
  korvel::TDBGridKvSelectionRect* Rect = W.Grid->GetSelection()->GetRect();
  W.DataSet->SetRecNo(10);
  Rect->Select(1, W.DataSet->GetBookmark(), false);
  W.DataSet->SetRecNo(900000);
  Rect->Select(4, W.DataSet->GetBookmark(), true);
  W.DataSet->SetRecNo(500000);
  Ask(State, W);
}
BENCHMARK(BM_Selection_AskRectangle);

void BM_Selection_ShiftPageDown(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, Rows);
  if (Path.empty()) return;
  TSelectionWindow W(Path);
  W.DataSet->SetRecNo(Rows / 2);
  for (auto _ : State) {
    Input.KeyPress(VK_NEXT, TShiftState{ssShift});
    UpdateWindow(W.Grid->GetHandle());
  }
  if (W.Grid->GetSelection()->GetSelectionType() != korvel::gskRectangle)
    State.SkipWithError("Shift+Page Down made no rectangle");
}
BENCHMARK(BM_Selection_ShiftPageDown)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
