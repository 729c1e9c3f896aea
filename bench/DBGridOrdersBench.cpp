// The data-aware grid as a user meets it: a TCustomDBGridKv on a 1600x900
// form showing the `orders` table of the SQLite dataset with the grid's own
// layout (indicator, one title row, its default font and row height, every
// field an automatic column), driven through the input driver on its
// vertical scroll bar. Each benchmark runs one fixed protocol per iteration,
// the one the Qt peer harness runs (../shared/peers/qt/RESULTS.md), times its
// steps with steady_clock and reports the median step as the manual time,
// with p90, max and the number of steps as counters. scripts/bench-vs-qt
// runs these beside the Qt harness.
//
//   BM_DBGridOrders_Open         dataset + source + form + grid, shown and
//                                painted; the first in the process, then 5 more
//   BM_DBGridOrders_FullRepaint  invalidate + UpdateWindow of the grid with a
//                                footer row of totals shown, 50 times
//   BM_DBGridOrders_PageDown     a click on the scroll bar below the thumb
//                                (a page of records) + paint, up to 200 pages
//   BM_DBGridOrders_JumpToLast   the thumb dragged to the bottom (the last
//                                record) + paint, on a freshly opened grid
//   BM_DBGridOrders_PeakMemory   VmHWM after that jump; alone in its process
//
// KV_DBGRID_ORDERS_PNG=FILE makes BM_DBGridOrders_FullRepaint save a picture
// of its window.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "OrdersDb.h"
#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

using namespace kvp;

namespace {

// [SECTION] Timing

using TClock = std::chrono::steady_clock;

template <class F>
double TimeMs(F&& Step) {
  const TClock::time_point T0 = TClock::now();
  Step();
  return std::chrono::duration<double, std::milli>(TClock::now() - T0).count();
}

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  const std::size_t N = V.size();
  return N % 2 ? V[N / 2] : (V[N / 2 - 1] + V[N / 2]) / 2.0;
}

// The median step is the iteration's time; p90, max and the count are
// counters (p90 as the Qt harness takes it).
void ReportSteps(benchmark::State& State, std::vector<double> Ms) {
  if (Ms.empty()) {
    State.SkipWithError("no step was timed");
    return;
  }
  std::sort(Ms.begin(), Ms.end());
  const std::size_t N = Ms.size();
  const std::size_t P90 = std::min(N - 1, std::size_t(std::ceil(0.9 * double(N))) - 1);
  State.SetIterationTime(Median(Ms) / 1000.0);
  State.counters["median_ms"] = Median(Ms);
  State.counters["p90_ms"] = Ms[P90];
  State.counters["max_ms"] = Ms.back();
  State.counters["steps"] = double(N);
}

// A line of /proc/self/status in kB ("VmHWM", "VmRSS"), or -1.
double ProcStatusKb(const std::string& Key) {
  std::ifstream File("/proc/self/status");
  std::string Line;
  while (std::getline(File, Line))
    if (Line.compare(0, Key.size() + 1, Key + ":") == 0)
      return std::atof(Line.c_str() + Key.size() + 1);
  return -1;
}

// [SECTION] The grid

// TOrdersDBGrid: the data-aware grid as an application's form holds it; it
// counts its paints, so that a timed step can be checked to have painted.
class TOrdersDBGrid : public korvel::TCustomDBGridKv {
  KV_CLASS(TOrdersDBGrid, korvel::TCustomDBGridKv)
 public:
  explicit TOrdersDBGrid(TComponent* AOwner) : TCustomDBGridKv(AOwner) {}
  Integer GetPaintCount() const { return FPaintCount; }

 protected:
  void Paint() override {
    ++FPaintCount;
    inherited::Paint();
  }

 private:
  Integer FPaintCount = 0;
};

// The whole window: dataset, source and grid belong to the form; opening it
// shows the form and paints it, as a user's first look would. With Footers,
// a footer row shows the count of orders and the sums of qty and amount.
struct TDBOrdersWindow {
  TForm* Form = nullptr;
  TSQLiteDataSet* DS = nullptr;
  TOrdersDBGrid* Grid = nullptr;

  TDBOrdersWindow(const String& DbPath, bool Footers) {
    Form = TForm::Create(nullptr);
    Form->SetCaption("Orders");
    Form->SetBounds(0, 0, 1600, 900);
    Form->SetClientWidth(1600);
    Form->SetClientHeight(900);
    DS = TSQLiteDataSet::Create(Form);
    DS->SetDatabaseName(DbPath);
    DS->SetTableName("orders");
    auto* Source = TDataSource::Create(Form);
    Source->SetDataSet(DS);
    Grid = TOrdersDBGrid::Create(Form);
    Grid->SetBounds(0, 0, Form->GetClientWidth(), Form->GetClientHeight());
    Grid->SetParent(Form);
    // The TEXT columns are memo fields: shown as their text, as the Qt peer
    // shows them.
    Grid->SetMemoEditing(true);
    if (Footers) {
      Grid->SetFooterRowCount(1);
      Grid->GetSumList()->SetActive(true);
    }
    Grid->SetDataSource(Source);
    DS->Open();
    if (Footers) {
      korvel::TDBGridColumnsKv* Columns = Grid->GetColumns();
      for (Integer I = 0; I < Columns->GetCount(); ++I) {
        korvel::TColumnKv* Column = Columns->GetColumn(I);
        const String Name = Column->GetFieldName();
        if (Name == "id") Column->GetFooter()->SetValueType(korvel::fvtCount);
        if (Name == "qty" || Name == "amount") Column->GetFooter()->SetValueType(korvel::fvtSum);
      }
    }
    Form->Show();
    Grid->SetFocus();
    PaintNow();
  }
  ~TDBOrdersWindow() { FreeAndNil(Form); }
  TDBOrdersWindow(const TDBOrdersWindow&) = delete;
  TDBOrdersWindow& operator=(const TDBOrdersWindow&) = delete;

  void PaintNow() {
    Application()->ProcessMessages();
    UpdateWindow(Form->GetHandle());
    UpdateWindow(Grid->GetHandle());
  }
  // A client point of the grid on its vertical bar (which stands right of
  // the client area, as high as it), Y down from the bar's top.
  TPoint OnBar(Integer Y) {
    return {Grid->GetClientWidth() + GetSystemMetrics(SM_CXVSCROLL) / 2, Y};
  }
  // A click on the bar just above its down arrow: a page down while the
  // thumb has not reached the bottom.
  void PageDown() {
    const Integer Arrow = GetSystemMetrics(SM_CYVSCROLL);
    Input.Click(Grid->GetHandle(), OnBar(Grid->GetClientHeight() - Arrow - 2));
    UpdateWindow(Grid->GetHandle());
  }
  // The thumb dragged from the top of the bar to its bottom.
  void ThumbToBottom() {
    const Integer Arrow = GetSystemMetrics(SM_CYVSCROLL);
    Input.Drag(Grid->GetHandle(), OnBar(Arrow + 2), OnBar(Grid->GetClientHeight() + 40), 2);
    UpdateWindow(Grid->GetHandle());
  }
};

bool Painted(benchmark::State& State, const TDBOrdersWindow& W, Integer PaintsBefore) {
  if (W.Grid->GetPaintCount() > PaintsBefore) return true;
  State.SkipWithError("a timed step did not paint the grid");
  return false;
}

// A screen large enough for the 1600x900 form.
void Prepare() {
  ResetWindowSystem();
  Application()->Reset();
  SetMonitors({{Rect(0, 0, 1920, 1200), Rect(0, 0, 1920, 1170)}});
}

// [SECTION] Benchmarks

void BM_DBGridOrders_Open(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  for (auto _ : State) {
    std::vector<double> Opens;
    double FirstMs = 0;
    for (int I = 0; I < 6; ++I) {
      std::unique_ptr<TDBOrdersWindow> W;
      const double Ms = TimeMs([&] { W = std::make_unique<TDBOrdersWindow>(Db, false); });
      if (!Painted(State, *W, 0)) return;
      if (I == 0)
        FirstMs = Ms;
      else
        Opens.push_back(Ms);
    }
    ReportSteps(State, Opens);
    State.counters["first_ms"] = FirstMs;
  }
}

void BM_DBGridOrders_FullRepaint(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  for (auto _ : State) {
    TDBOrdersWindow W(Db, true);
    if (const char* Png = std::getenv("KV_DBGRID_ORDERS_PNG"); Png && *Png)
      SaveWindowPng(W.Form->GetHandle(), Png);
    std::vector<double> Frames;
    for (int F = 0; F < 50; ++F) {
      const Integer Before = W.Grid->GetPaintCount();
      Frames.push_back(TimeMs([&] {
        InvalidateRect(W.Grid->GetHandle(), nullptr, TRUE);
        UpdateWindow(W.Grid->GetHandle());
      }));
      if (!Painted(State, W, Before)) return;
    }
    ReportSteps(State, Frames);
  }
}

void BM_DBGridOrders_PageDown(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  for (auto _ : State) {
    TDBOrdersWindow W(Db, false);
    std::vector<double> Pages;
    for (int P = 0; P < 200 && !W.DS->GetEof(); ++P) {
      const Integer Before = W.Grid->GetPaintCount();
      const Integer RecNo = W.DS->GetRecNo();
      Pages.push_back(TimeMs([&] { W.PageDown(); }));
      if (!Painted(State, W, Before)) return;
      if (W.DS->GetRecNo() == RecNo) break;  // the last page was reached
    }
    ReportSteps(State, Pages);
    State.counters["rows_per_page"] = double(W.Grid->GetRowCount() - W.Grid->GetTitleOffset());
  }
}

void BM_DBGridOrders_JumpToLast(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  for (auto _ : State) {
    std::vector<double> Jumps;
    for (int I = 0; I < 3; ++I) {
      TDBOrdersWindow W(Db, false);
      const Integer Before = W.Grid->GetPaintCount();
      Jumps.push_back(TimeMs([&] { W.ThumbToBottom(); }));
      if (!Painted(State, W, Before)) return;
      if (W.DS->GetRecNo() != State.range(0)) {
        State.SkipWithError("the thumb did not reach the last record");
        return;
      }
    }
    ReportSteps(State, Jumps);
  }
}

// The process's peak memory after opening the grid and dragging the thumb to
// the last record. Meaningful only as the one benchmark of its process
// (scripts/bench-vs-qt runs it so).
void BM_DBGridOrders_PeakMemory(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  std::ofstream("/proc/self/clear_refs") << "5";
  State.counters["base_RssAnon_MiB"] = ProcStatusKb("RssAnon") / 1024.0;
  State.counters["base_RssFile_MiB"] = ProcStatusKb("RssFile") / 1024.0;
  for (auto _ : State) {
    TDBOrdersWindow W(Db, false);
    State.counters["open_VmHWM_MiB"] = ProcStatusKb("VmHWM") / 1024.0;
    const Integer Before = W.Grid->GetPaintCount();
    const double Ms = TimeMs([&] { W.ThumbToBottom(); });
    if (!Painted(State, W, Before)) return;
    if (W.DS->GetRecNo() != State.range(0)) {
      State.SkipWithError("the thumb did not reach the last record");
      return;
    }
    State.SetIterationTime(Ms / 1000.0);
    // Besides the peak, what the process holds of its own memory and of the
    // database file mapped into it (pages of the system's file cache).
    State.counters["VmHWM_MiB"] = ProcStatusKb("VmHWM") / 1024.0;
    State.counters["VmRSS_MiB"] = ProcStatusKb("VmRSS") / 1024.0;
    State.counters["RssAnon_MiB"] = ProcStatusKb("RssAnon") / 1024.0;
    State.counters["RssFile_MiB"] = ProcStatusKb("RssFile") / 1024.0;
  }
}

#define KV_DBGRID_ORDERS_BENCH(Fn)                                                           \
  BENCHMARK(Fn)->Arg(1000)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit( \
      benchmark::kMillisecond)

KV_DBGRID_ORDERS_BENCH(BM_DBGridOrders_Open);
KV_DBGRID_ORDERS_BENCH(BM_DBGridOrders_FullRepaint);
KV_DBGRID_ORDERS_BENCH(BM_DBGridOrders_PageDown);
KV_DBGRID_ORDERS_BENCH(BM_DBGridOrders_JumpToLast);
KV_DBGRID_ORDERS_BENCH(BM_DBGridOrders_PeakMemory);

}  // namespace
