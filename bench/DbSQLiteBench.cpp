// The SQLite dataset as a grid uses it, on the `orders` tables the Qt peer
// harness reads (bench/OrdersDb.h), at 1k, 100k and 1M rows: opening and
// showing the first 29 rows through a data link of 29 buffers, paging down,
// jumping to the last record, summing a column by walking with controls
// disabled, walking a query, and the peak memory of a process after Last. The
// dataset-side halves of the grid measures; SELECT SUM(amount) through the
// sqlite3 API is the reference for the walks.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "OrdersDb.h"
#include "platform/db/DB.h"

using namespace kvp;

namespace {

constexpr Integer ShownRows = 29;

// A dataset on the orders table (or a query) with a link of 29 rows, as the
// grid has.
struct TGrid {
  TSQLiteDataSet* DS = TSQLiteDataSet::Create(nullptr);
  TDataSource* Source = TDataSource::Create(nullptr);
  TDataLink* Link = TDataLink::Create();
  TGrid(const std::string& File, const String& SQL = String()) {
    DS->SetDatabaseName(File);
    if (SQL.empty())
      DS->SetTableName("orders");
    else
      DS->SetSQL(SQL);
    Source->SetDataSet(DS);
    Link->SetDataSource(Source);
    Link->SetBufferCount(ShownRows);
  }
  ~TGrid() {
    Link->Free();
    Source->Free();
    DS->Free();
  }
  TGrid(const TGrid&) = delete;
  TGrid& operator=(const TGrid&) = delete;
  // What painting the rows reads: every shown field's display text, the
  // record count and number for the scroll bar.
  void ReadShownRows() {
    const Integer Active = Link->GetActiveRecord();
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      for (TField* Field : *DS->GetFields()) benchmark::DoNotOptimize(Field->GetDisplayText());
    }
    Link->SetActiveRecord(Active);
    benchmark::DoNotOptimize(DS->GetRecordCount());
    benchmark::DoNotOptimize(DS->GetRecNo());
  }
};

void Sizes(benchmark::internal::Benchmark* B) {
  B->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
}

void BM_OpenAndShowFirst29(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  for (auto _ : State) {
    TGrid Grid(File);
    Grid.DS->Open();
    Grid.ReadShownRows();
  }
}
BENCHMARK(BM_OpenAndShowFirst29)->Apply(Sizes);

// One page down: MoveBy(29) from the last shown row, as the Page Down key
// does, then the rows read for painting; back to the top at the end.
void BM_PageDown(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  TGrid Grid(File);
  Grid.DS->Open();
  Grid.ReadShownRows();
  for (auto _ : State) {
    if (Grid.DS->GetEof()) Grid.DS->First();
    Grid.DS->MoveBy(ShownRows);
    Grid.ReadShownRows();
  }
}
BENCHMARK(BM_PageDown)->Apply(Sizes);

// Last on a freshly opened dataset, and the rows read for painting.
void BM_JumpToLast(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  for (auto _ : State) {
    State.PauseTiming();
    auto* Grid = new TGrid(File);
    Grid->DS->Open();
    Grid->ReadShownRows();
    State.ResumeTiming();
    Grid->DS->Last();
    Grid->ReadShownRows();
    State.PauseTiming();
    delete Grid;
    State.ResumeTiming();
  }
}
BENCHMARK(BM_JumpToLast)->Apply(Sizes);

Double SumAmount(TDataSet* DS) {
  TDisableControlsGuard Guard(DS);
  TField* Amount = DS->FieldByName("amount");
  Double Sum = 0;
  for (DS->First(); !DS->GetEof(); DS->Next()) Sum += Amount->GetAsFloat();
  return Sum;
}

// The footer total a grid computes: every row's amount, walking the dataset
// behind the grid with its controls disabled.
void BM_SumAmountByWalking(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  TGrid Grid(File);
  Grid.DS->Open();
  Double Sum = 0;
  for (auto _ : State) benchmark::DoNotOptimize(Sum = SumAmount(Grid.DS));
  State.counters["sum"] = Sum;
}
BENCHMARK(BM_SumAmountByWalking)->Apply(Sizes);

// The same walk on a dataset no control shows (one record buffer): what the
// dataset itself costs per row.
void BM_SumAmountByWalkingUnshown(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(File);
  DS->SetTableName("orders");
  DS->Open();
  Double Sum = 0;
  for (auto _ : State) benchmark::DoNotOptimize(Sum = SumAmount(DS.get()));
  State.counters["sum"] = Sum;
}
BENCHMARK(BM_SumAmountByWalkingUnshown)->Apply(Sizes);

// Opening a dataset on a query and walking it to the end.
void BM_WalkQuery(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  Integer Rows = 0;
  for (auto _ : State) {
    TGrid Grid(File, "SELECT * FROM orders WHERE qty > 10 ORDER BY id");
    Grid.DS->Open();
    Rows = 0;
    TDisableControlsGuard Guard(Grid.DS);
    for (Grid.DS->First(); !Grid.DS->GetEof(); Grid.DS->Next()) ++Rows;
  }
  State.counters["rows"] = Rows;
}
BENCHMARK(BM_WalkQuery)->Apply(Sizes);

// The reference: the database's own sum.
void BM_SelectSumReference(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  sqlite3* DB = nullptr;
  sqlite3_open_v2(File.c_str(), &DB, SQLITE_OPEN_READONLY, nullptr);
  double Sum = 0;
  for (auto _ : State) {
    sqlite3_stmt* Stmt = nullptr;
    sqlite3_prepare_v2(DB, "SELECT SUM(amount) FROM orders", -1, &Stmt, nullptr);
    if (sqlite3_step(Stmt) == SQLITE_ROW) Sum = sqlite3_column_double(Stmt, 0);
    sqlite3_finalize(Stmt);
  }
  sqlite3_close(DB);
  State.counters["sum"] = Sum;
}
BENCHMARK(BM_SelectSumReference)->Apply(Sizes);

// The floor of any walk that shows whole rows: stepping SELECT rowid, * and
// taking every column's value, with nothing kept.
void BM_StepAllColumnsReference(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  sqlite3* DB = nullptr;
  sqlite3_open_v2(File.c_str(), &DB, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  double Sum = 0;
  for (auto _ : State) {
    sqlite3_stmt* Stmt = nullptr;
    sqlite3_prepare_v2(DB, "SELECT rowid, * FROM orders ORDER BY rowid", -1, &Stmt, nullptr);
    Sum = 0;
    while (sqlite3_step(Stmt) == SQLITE_ROW) {
      for (int I = 0; I < sqlite3_column_count(Stmt); ++I) {
        sqlite3_value* Value = sqlite3_column_value(Stmt, I);
        if (sqlite3_value_type(Value) == SQLITE_TEXT)
          benchmark::DoNotOptimize(sqlite3_value_text(Value));
      }
      Sum += sqlite3_column_double(Stmt, 7);
    }
    sqlite3_finalize(Stmt);
  }
  sqlite3_close(DB);
  State.counters["sum"] = Sum;
}
BENCHMARK(BM_StepAllColumnsReference)->Apply(Sizes);

// [Peak memory] A process of its own opens the grid, goes to the last record,
// reads the shown rows and reports its VmHWM, and what it holds then of its
// own memory (RssAnon) and of the database file mapped into it (RssFile:
// pages of the system's file cache, shared and given back under pressure):
// this binary run again with KV_BENCH_PEAK_DB set, which registers only the
// benchmark that does that.
long StatusKiB(const char* Key) {
  std::ifstream Status("/proc/self/status");
  std::string Line;
  const std::size_t Length = std::strlen(Key);
  while (std::getline(Status, Line))
    if (Line.compare(0, Length, Key) == 0) return std::atol(Line.c_str() + Length);
  return -1;
}

void BM_PeakChild(benchmark::State& State) {
  for (auto _ : State) {
    TGrid Grid(std::getenv("KV_BENCH_PEAK_DB"));
    Grid.DS->Open();
    Grid.ReadShownRows();
    Grid.DS->Last();
    Grid.ReadShownRows();
    std::fprintf(stderr, "RSS %ld %ld\n", StatusKiB("RssAnon:"), StatusKiB("RssFile:"));
  }
  std::fprintf(stderr, "VMHWM %ld\n", StatusKiB("VmHWM:"));
}

const bool PeakChildRegistered = [] {
  const char* File = std::getenv("KV_BENCH_PEAK_DB");
  if (File && *File) benchmark::RegisterBenchmark("BM_PeakChild", BM_PeakChild)->Iterations(1);
  return true;
}();

void BM_PeakMemoryAfterLast(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  long KiB = -1, Anon = -1, Mapped = -1;
  for (auto _ : State) {
    const std::string Command = "KV_BENCH_PEAK_DB='" + File + "' /proc/" +
                                std::to_string(::getpid()) +
                                "/exe --benchmark_filter=BM_PeakChild 2>&1 >/dev/null";
    if (std::FILE* Child = ::popen(Command.c_str(), "r")) {
      char Line[512];
      while (std::fgets(Line, sizeof Line, Child)) {
        std::sscanf(Line, "RSS %ld %ld", &Anon, &Mapped);
        std::sscanf(Line, "VMHWM %ld", &KiB);
      }
      ::pclose(Child);
    }
  }
  State.counters["VmHWM_MiB"] = double(KiB) / 1024.0;
  State.counters["RssAnon_MiB"] = double(Anon) / 1024.0;
  State.counters["RssFile_MiB"] = double(Mapped) / 1024.0;
}
BENCHMARK(BM_PeakMemoryAfterLast)->Apply(Sizes)->Iterations(1);

}  // namespace
