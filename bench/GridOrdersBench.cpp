// The whole grid as a user meets it: a base-grid descendant on a 1600x900 form
// showing the `orders` table through a data link over the SQLite dataset (a
// title row and 29 record rows; an indicator column and the ten fields), moved
// with the keyboard through the input driver. Each benchmark runs one fixed
// protocol per iteration, the one the Qt peer harness runs
// (../shared/peers/qt/RESULTS.md), times its steps with steady_clock and
// reports the median step as the manual time, with p90, max and the number of
// steps as counters. scripts/bench-vs-qt runs these beside the Qt harness.
//
//   BM_GridOrders_PageDown      Page Down + paint, per page, up to 200 pages
//   BM_GridOrders_FullRepaint   invalidate + UpdateWindow of the grid, 50 times
//   BM_GridOrders_Open          dataset + source + link + form + grid, shown and
//                               painted; the first in the process, then 5 more
//   BM_GridOrders_JumpToLast    Ctrl+End + paint on a freshly opened grid
//   BM_GridOrders_PeakMemory    VmHWM after Ctrl+End; alone in its process
//   BM_GridOrders_SumWalk       sum of `amount`, walking the dataset with
//                               controls disabled
//   BM_GridOrders_QueryWalk     the same walk over a dataset opened on a query
//
// KV_GRID_ORDERS_PNG=FILE makes BM_GridOrders_Open save a picture of the
// first window it opens.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "OrdersDb.h"
#include "base/GridsKv.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

using namespace kvp;

namespace {

// [SECTION] Timing

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point T0) {
  return std::chrono::duration<double, std::milli>(TClock::now() - T0).count();
}

template <class F>
double TimeMs(F&& Step) {
  const TClock::time_point T0 = TClock::now();
  Step();
  return MsSince(T0);
}

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  const std::size_t N = V.size();
  return N % 2 ? V[N / 2] : (V[N / 2 - 1] + V[N / 2]) / 2.0;
}

// Reports the steps of one protocol run: the median step is the iteration's
// time; p90, max and the count are counters (p90 as the Qt harness takes it).
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

class TOrdersGrid;

// TOrdersLink: the grid's view of the dataset; every change of the records
// shown repaints the grid.
class TOrdersLink : public TDataLink {
  KV_CLASS(TOrdersLink, TDataLink)
 public:
  explicit TOrdersLink(TOrdersGrid* AGrid) : FGrid(AGrid) {}

 protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(Integer Distance) override;

 private:
  TOrdersGrid* FGrid;
};

// TOrdersGrid: one title row and one row per buffered record; column 0 is the
// record indicator, the others the dataset's fields. Page Up/Down, the
// arrows and Ctrl+Home/End move the dataset, as a data-aware grid does; the
// vertical scroll bar shows the record number against the record count.
class TOrdersGrid : public korvel::TCustomGridKv {
  KV_CLASS(TOrdersGrid, korvel::TCustomGridKv)
 public:
  static constexpr Integer DataRows = 29;

  explicit TOrdersGrid(TComponent* AOwner) : TCustomGridKv(AOwner) {}

  void SetDataSource(TDataSource* Source) { FLink->SetDataSource(Source); }
  Integer GetPaintCount() const { return FPaintCount; }

  // The link's records changed: the current cell follows the active record,
  // the scroll bar the record number, and everything is painted again.
  void LinkChanged() {
    if (!HandleAllocated()) return;
    UpdateVertBar();
    if (FLink->GetActive()) MoveColRow(GetCol(), FLink->GetActiveRecord() + 1, true, false);
    Invalidate();
  }

 protected:
  void Construct() override {
    inherited::Construct();
    FLink = TOrdersLink::Create(this);
    FLink->SetVisualControl(true);
    FLink->SetBufferCount(DataRows);
    SetScrollBars(korvel::ssHorizontal);
    SetDefaultRowHeight(28);
    SetColCount(11);
    SetRowCount(DataRows + 1);
    static const Integer Widths[11] = {12, 80, 220, 150, 120, 80, 120, 130, 100, 80, 476};
    for (Integer C = 0; C < 11; ++C) SetColWidths(C, Widths[C]);
  }
  void Destroy() override {
    if (FLink) FLink->Free();
    FLink = nullptr;
    inherited::Destroy();
  }

  // A window made after the dataset opened shows its records and bar at once.
  void CreateWnd() override {
    inherited::CreateWnd();
    LinkChanged();
  }

  void Paint() override {
    ++FPaintCount;
    inherited::Paint();
  }

  void DrawCell(Integer ACol, Integer ARow, TRect ARect, korvel::TGridDrawState AState) override {
    TCanvas* C = GetCanvas();
    const bool Fixed = AState.Contains(korvel::gdFixed);
    const bool Selected = AState.Contains(korvel::gdSelected) && !Fixed;
    C->GetBrush()->SetColor(Fixed ? clBtnFace : Selected ? clHighlight : clWindow);
    C->GetFont()->SetColor(Selected ? clHighlightText : clWindowText);
    TDataSet* DS = FLink->GetDataSet();
    const Integer Record = ARow - 1;
    if (!FLink->GetActive() || Record >= FLink->GetRecordCount()) {
      C->FillRect(ARect);
      return;
    }
    if (ACol == 0) {
      C->FillRect(ARect);
      if (Record == FLink->GetActiveRecord()) DrawIndicator(ARect);
      return;
    }
    TField* Field = DS->GetFields()->GetField(ACol - 1);
    if (ARow == 0) {
      C->TextRect(ARect, ARect.Left + 3, ARect.Top + 7, Field->GetDisplayLabel());
      return;
    }
    const Integer OldActive = FLink->GetActiveRecord();
    FLink->SetActiveRecord(Record);
    // A memo's display text is "(MEMO)"; the Qt peer shows the text of the
    // TEXT columns, so for the same picture these cells show theirs.
    const String Text =
        Field->GetDataType() == ftMemo ? Field->GetAsString() : Field->GetDisplayText();
    const TAlignment Align = Field->GetAlignment();
    FLink->SetActiveRecord(OldActive);
    const Integer X =
        Align == taRightJustify ? ARect.Right - 3 - C->TextWidth(Text) : ARect.Left + 3;
    C->TextRect(ARect, X, ARect.Top + 7, Text);
  }

  void KeyDown(Word& Key, TShiftState Shift) override {
    TDataSet* DS = FLink->GetActive() ? FLink->GetDataSet() : nullptr;
    if (DS) {
      const bool Ctrl = Shift.Contains(ssCtrl);
      switch (Key) {
        case VK_NEXT:
          DS->MoveBy(DataRows);
          Key = 0;
          return;
        case VK_PRIOR:
          DS->MoveBy(-DataRows);
          Key = 0;
          return;
        case VK_DOWN:
          DS->Next();
          Key = 0;
          return;
        case VK_UP:
          DS->Prior();
          Key = 0;
          return;
        case VK_END:
          if (Ctrl) {
            DS->Last();
            Key = 0;
            return;
          }
          break;
        case VK_HOME:
          if (Ctrl) {
            DS->First();
            Key = 0;
            return;
          }
          break;
        default:
          break;
      }
    }
    inherited::KeyDown(Key, Shift);
  }

 private:
  // The arrow of the current record.
  void DrawIndicator(const TRect& R) {
    TCanvas* C = GetCanvas();
    const Integer Mid = (R.Top + R.Bottom) / 2;
    C->GetPen()->SetColor(clWindowText);
    C->GetBrush()->SetColor(clWindowText);
    C->Polygon({{R.Left + 3, Mid - 4}, {R.Left + 7, Mid}, {R.Left + 3, Mid + 4}});
  }

  void UpdateVertBar() {
    SCROLLINFO Info{};
    Info.cbSize = sizeof(Info);
    Info.fMask = SIF_ALL;
    TDataSet* DS = FLink->GetActive() ? FLink->GetDataSet() : nullptr;
    if (DS) {
      Info.nMax = std::max<Integer>(DS->GetRecordCount() - 1, 0);
      Info.nPage = UINT(DataRows);
      Info.nPos = std::max<Integer>(DS->GetRecNo() - 1, 0);
    }
    SetScrollInfo(GetHandle(), SB_VERT, &Info, TRUE);
  }

  TOrdersLink* FLink = nullptr;  // owned
  Integer FPaintCount = 0;       // Paint calls so far: a timed step must paint
};

void TOrdersLink::ActiveChanged() { FGrid->LinkChanged(); }
void TOrdersLink::DataSetChanged() { FGrid->LinkChanged(); }
void TOrdersLink::DataSetScrolled(Integer) { FGrid->LinkChanged(); }

// The whole window: dataset, source and grid belong to the form; opening it
// shows the form and paints it, as a user's first look would.
struct TOrdersWindow {
  TForm* Form = nullptr;
  TSQLiteDataSet* DS = nullptr;
  TOrdersGrid* Grid = nullptr;

  explicit TOrdersWindow(const String& DbPath) {
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
    Grid = TOrdersGrid::Create(Form);
    Grid->SetBounds(0, 0, Form->GetClientWidth(), Form->GetClientHeight());
    Grid->SetParent(Form);
    Grid->SetDataSource(Source);
    DS->Open();
    Form->Show();
    Grid->SetFocus();
    PaintNow();
  }
  ~TOrdersWindow() { FreeAndNil(Form); }
  TOrdersWindow(const TOrdersWindow&) = delete;
  TOrdersWindow& operator=(const TOrdersWindow&) = delete;

  // Lets the application handle what is waiting, paints the form and the grid.
  void PaintNow() {
    Application()->ProcessMessages();
    UpdateWindow(Form->GetHandle());
    UpdateWindow(Grid->GetHandle());
  }
  // One key as the user presses it, then the paint it causes.
  void Press(Word Key, TShiftState Shift = {}) {
    Input.KeyPress(Key, Shift);
    UpdateWindow(Grid->GetHandle());
  }
};

// Checks that a timed step painted the grid; skips the benchmark otherwise.
bool Painted(benchmark::State& State, const TOrdersWindow& W, Integer PaintsBefore) {
  if (W.Grid->GetPaintCount() > PaintsBefore) return true;
  State.SkipWithError("a timed step did not paint the grid");
  return false;
}

// SUM(amount) as SQLite computes it: what every walk must arrive at.
double SqlSumOfAmount(const std::string& DbPath) {
  sqlite3* Db = nullptr;
  double Sum = NAN;
  if (sqlite3_open_v2(DbPath.c_str(), &Db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* Stmt = nullptr;
    if (sqlite3_prepare_v2(Db, "SELECT SUM(amount) FROM orders", -1, &Stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(Stmt) == SQLITE_ROW)
      Sum = sqlite3_column_double(Stmt, 0);
    sqlite3_finalize(Stmt);
  }
  sqlite3_close(Db);
  return Sum;
}

bool SumsAgree(double A, double B) {
  return std::fabs(A - B) <= 1e-9 * std::max(1.0, std::fabs(B));
}

// Sums `amount` by walking DS from the first record; stops early (answering
// false) once Budget milliseconds have passed.
bool WalkSum(TDataSet* DS, double& Sum, Integer& Rows, double BudgetMs) {
  const TClock::time_point T0 = TClock::now();
  TField* Amount = DS->FieldByName("amount");
  Sum = 0;
  Rows = 0;
  for (DS->First(); !DS->GetEof(); DS->Next()) {
    Sum += Amount->GetAsFloat();
    if (++Rows % 4096 == 0 && MsSince(T0) > BudgetMs) return false;
  }
  return true;
}

// A screen large enough for the 1600x900 form.
void Prepare() {
  ResetWindowSystem();
  Application()->Reset();
  SetMonitors({{Rect(0, 0, 1920, 1200), Rect(0, 0, 1920, 1170)}});
}

// [SECTION] Benchmarks

void BM_GridOrders_PageDown(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  for (auto _ : State) {
    TOrdersWindow W(Db);
    std::vector<double> Pages;
    for (int P = 0; P < 200 && !W.DS->GetEof(); ++P) {
      const Integer Before = W.Grid->GetPaintCount();
      Pages.push_back(TimeMs([&] { W.Press(VK_NEXT); }));
      if (!Painted(State, W, Before)) return;
    }
    ReportSteps(State, Pages);
  }
}

void BM_GridOrders_FullRepaint(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  for (auto _ : State) {
    TOrdersWindow W(Db);
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

void BM_GridOrders_Open(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  for (auto _ : State) {
    std::vector<double> Opens;
    double FirstMs = 0;
    for (int I = 0; I < 6; ++I) {
      std::unique_ptr<TOrdersWindow> W;
      const double Ms = TimeMs([&] { W = std::make_unique<TOrdersWindow>(Db); });
      if (!Painted(State, *W, 0)) return;
      if (I == 0) {
        FirstMs = Ms;
        // A picture of what was timed, like the Qt harness's --save-png.
        if (const char* Png = std::getenv("KV_GRID_ORDERS_PNG"); Png && *Png)
          SaveWindowPng(W->Form->GetHandle(), Png);
      } else {
        Opens.push_back(Ms);
      }
    }
    ReportSteps(State, Opens);
    State.counters["first_ms"] = FirstMs;
  }
}

void BM_GridOrders_JumpToLast(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  for (auto _ : State) {
    std::vector<double> Jumps;
    for (int I = 0; I < 3; ++I) {
      TOrdersWindow W(Db);
      const Integer Before = W.Grid->GetPaintCount();
      Jumps.push_back(TimeMs([&] { W.Press(VK_END, {ssCtrl}); }));
      if (!Painted(State, W, Before)) return;
      if (!W.DS->GetEof() || W.DS->GetRecNo() != State.range(0)) {
        State.SkipWithError("Ctrl+End did not reach the last record");
        return;
      }
    }
    ReportSteps(State, Jumps);
  }
}

// The process's peak memory after opening the grid and pressing Ctrl+End.
// Meaningful only as the one benchmark of its process (scripts/bench-vs-qt
// runs it so); the peak is reset first, which helps when it is not.
void BM_GridOrders_PeakMemory(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  std::ofstream("/proc/self/clear_refs") << "5";
  for (auto _ : State) {
    TOrdersWindow W(Db);
    const Integer Before = W.Grid->GetPaintCount();
    const double Ms = TimeMs([&] { W.Press(VK_END, {ssCtrl}); });
    if (!Painted(State, W, Before)) return;
    State.SetIterationTime(Ms / 1000.0);
    State.counters["VmHWM_MiB"] = ProcStatusKb("VmHWM") / 1024.0;
    State.counters["VmRSS_MiB"] = ProcStatusKb("VmRSS") / 1024.0;
  }
}

void BM_GridOrders_SumWalk(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  const double Expected = SqlSumOfAmount(Db);
  for (auto _ : State) {
    TOrdersWindow W(Db);
    std::vector<double> Walks;
    for (int I = 0; I < 5; ++I) {
      double Sum = 0;
      Integer Rows = 0;
      Walks.push_back(TimeMs([&] {
        W.DS->DisableControls();
        WalkSum(W.DS, Sum, Rows, 1e12);
        W.DS->EnableControls();
      }));
      if (!SumsAgree(Sum, Expected) || Rows != State.range(0)) {
        State.SkipWithError("the walk's sum is not SUM(amount)");
        return;
      }
      W.PaintNow();
    }
    ReportSteps(State, Walks);
  }
}

// A walk over SELECT amount FROM orders, open included, as a report would run
// it. A walk that takes more than 30 seconds is stopped: finished = 0, and
// rows_per_s says how far it got.
void BM_GridOrders_QueryWalk(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  const double Expected = SqlSumOfAmount(Db);
  constexpr double BudgetMs = 30000;
  for (auto _ : State) {
    std::vector<double> Walks;
    bool Finished = true;
    for (int I = 0; I < 5 && Finished; ++I) {
      TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
      double Sum = 0;
      Integer Rows = 0;
      const double Ms = TimeMs([&] {
        DS->SetDatabaseName(Db);
        DS->SetSQL("SELECT amount FROM orders");
        DS->Open();
        Finished = WalkSum(DS.get(), Sum, Rows, BudgetMs);
      });
      if (!Finished) {
        State.SetIterationTime(Ms / 1000.0);
        State.counters["rows_per_s"] = double(Rows) / (Ms / 1000.0);
      } else if (!SumsAgree(Sum, Expected) || Rows != State.range(0)) {
        State.SkipWithError("the walk's sum is not SUM(amount)");
        return;
      } else {
        Walks.push_back(Ms);
      }
    }
    if (Finished) ReportSteps(State, Walks);
    State.counters["finished"] = Finished ? 1 : 0;
  }
}

#define KV_GRID_ORDERS_BENCH(Fn)                                                             \
  BENCHMARK(Fn)->Arg(1000)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit( \
      benchmark::kMillisecond)

KV_GRID_ORDERS_BENCH(BM_GridOrders_PageDown);
KV_GRID_ORDERS_BENCH(BM_GridOrders_FullRepaint);
KV_GRID_ORDERS_BENCH(BM_GridOrders_Open);
KV_GRID_ORDERS_BENCH(BM_GridOrders_JumpToLast);
KV_GRID_ORDERS_BENCH(BM_GridOrders_PeakMemory);
KV_GRID_ORDERS_BENCH(BM_GridOrders_SumWalk);
KV_GRID_ORDERS_BENCH(BM_GridOrders_QueryWalk);

}  // namespace
