// Sorting the `orders` table from the data-aware grid's titles: a
// TCustomDBGridKv on a 1600x900 form over the SQLite dataset, the features
// objects registered as an application registers them, automatic sort
// marking on. One protocol per iteration, each step timed with steady_clock:
//
//   walk     before any sort: the sum of `amount` over every row in row id
//            order, walked with the controls disabled (what the sorted walk
//            is measured against)
//   click    a click on the title of `amount`: the table is ordered by the
//            database and the grid painted around its record
//   first    Ctrl+Home and the paint of the first screen in that order
//   last     Ctrl+End and the paint of the last screen, still in that order
//   desc     a second click on the title (descending) and the paint
//   sum      the sum of `amount` over every row in that order, walked with
//            the controls disabled (what footer totals do)
//
// The iteration's time is the click; every step is a counter (ms).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "OrdersDb.h"
#include "grid/DBGridKv.h"
#include "grid/DbUtilsKv.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

using namespace kvp;

namespace {

using TClock = std::chrono::steady_clock;

template <class F>
double TimeMs(F&& Step) {
  const TClock::time_point T0 = TClock::now();
  Step();
  return std::chrono::duration<double, std::milli>(TClock::now() - T0).count();
}

class TSortGrid : public korvel::TCustomDBGridKv {
  KV_CLASS(TSortGrid, korvel::TCustomDBGridKv)
 public:
  explicit TSortGrid(TComponent* AOwner) : TCustomDBGridKv(AOwner) {}
};

void BM_DBGridOrders_SortByTitle(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  ResetWindowSystem();
  Application()->Reset();
  SetMonitors({{Rect(0, 0, 1920, 1200), Rect(0, 0, 1920, 1170)}});
  korvel::RegisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass(),
                                    korvel::TSQLiteDataSetFeaturesKv::Create());
  for (auto _ : State) {
    TForm* Form = TForm::Create(nullptr);
    Form->SetBounds(0, 0, 1600, 900);
    auto* DS = TSQLiteDataSet::Create(Form);
    DS->SetDatabaseName(Db);
    DS->SetTableName("orders");
    auto* Source = TDataSource::Create(Form);
    Source->SetDataSet(DS);
    auto* Grid = TSortGrid::Create(Form);
    Grid->SetBounds(0, 0, 1580, 860);
    Grid->SetParent(Form);
    Grid->SetMemoEditing(true);
    Grid->SetOptionsKv(Grid->GetOptionsKv() + korvel::dgAutoSortMarkingKv);
    Grid->GetColumnDefValues()->GetTitle()->SetTitleButton(true);
    Grid->SetDataSource(Source);
    DS->Open();
    Form->Show();
    Grid->SetFocus();
    UpdateWindow(Grid->GetHandle());
    Integer Col = -1;
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      if (Grid->GetColumns()->GetColumn(I)->GetFieldName() == "amount") Col = I + 1;
    const TRect R = Grid->CellRect(Col, 0);
    if (Col < 0 || R.Right <= R.Left) {
      State.SkipWithError("the amount column is not on the screen");
      FreeAndNil(Form);
      return;
    }
    const TPoint Title{(R.Left + R.Right) / 2, R.Top + 3};
    double Plain = 0;
    const double Unsorted = TimeMs([&] {
      DS->DisableControls();
      for (DS->First(); !DS->GetEof(); DS->Next()) Plain += DS->FieldByName("amount")->GetAsFloat();
      DS->EnableControls();
    });
    benchmark::DoNotOptimize(Plain);
    auto Paint = [&] { UpdateWindow(Grid->GetHandle()); };
    const double Click = TimeMs([&] {
      Input.Click(Grid->GetHandle(), Title);
      Paint();
    });
    const double First = TimeMs([&] {
      Input.KeyPress(VK_HOME, {ssCtrl});
      Paint();
    });
    const double Last = TimeMs([&] {
      Input.KeyPress(VK_END, {ssCtrl});
      Paint();
    });
    if (DS->GetIndexFieldNames() != "amount" || DS->GetRecNo() != State.range(0)) {
      State.SkipWithError("the grid did not sort or did not reach the last record");
      FreeAndNil(Form);
      return;
    }
    Advance(1000);  // not a double click
    const double Desc = TimeMs([&] {
      Input.Click(Grid->GetHandle(), Title);
      Paint();
    });
    double Sum = 0;
    const double Walk = TimeMs([&] {
      DS->DisableControls();
      for (DS->First(); !DS->GetEof(); DS->Next()) Sum += DS->FieldByName("amount")->GetAsFloat();
      DS->EnableControls();
    });
    benchmark::DoNotOptimize(Sum);
    State.SetIterationTime(Click / 1000.0);
    State.counters["walk_ms"] = Unsorted;
    State.counters["sum_ms"] = Walk;
    State.counters["sum_to_walk"] = Walk / Unsorted;
    State.counters["click_ms"] = Click;
    State.counters["first_ms"] = First;
    State.counters["last_ms"] = Last;
    State.counters["desc_ms"] = Desc;
    State.counters["rows_read"] = double(DS->GetReadCount());
    FreeAndNil(Form);
  }
  korvel::UnregisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass());
}

BENCHMARK(BM_DBGridOrders_SortByTitle)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
