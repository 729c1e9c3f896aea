// The aggregate engine over the `orders` table read through the SQLite
// dataset: a full pass summing `amount` beside SQLite's own
// SELECT SUM(amount) on the same file, the footers' usual pass (a count and
// two sums), the bare walk of the dataset (what the pass costs without the
// engine), and the cost of one post that updates a sum, which must not grow
// with the table.
//
// Each case runs at 1k, 100k and 1M rows. The post cases write into a copy of
// the database, so the shared files are never changed.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "bench/OrdersDb.h"
#include "grid/DBSumLst.h"
#include "platform/db/DB.h"

using namespace kvp;
using korvel::TDBSum;
using korvel::TDBSumListProducer;

namespace {

// The orders table opened through the SQLite dataset.
struct TOrders {
  TSQLiteDataSet* DS = TSQLiteDataSet::Create(nullptr);
  explicit TOrders(const std::string& Path) {
    DS->SetDatabaseName(Path);
    DS->SetTableName("orders");
  }
  ~TOrders() { DS->Free(); }
  TOrders(const TOrders&) = delete;
  TOrders& operator=(const TOrders&) = delete;
};

// A producer summing amount (and, with Count, counting the records).
struct TSumOfAmount {
  TDBSumListProducer* Producer = TDBSumListProducer::Create(nullptr);
  TDBSum* Sum = nullptr;
  explicit TSumOfAmount(bool Count = false) {
    Sum = Producer->GetSumCollection()->Add();
    Sum->SetFieldName("amount");
    if (Count) Producer->GetSumCollection()->Add()->SetGroupOperation(korvel::goCount);
  }
  ~TSumOfAmount() { Producer->Free(); }
  TSumOfAmount(const TSumOfAmount&) = delete;
  TSumOfAmount& operator=(const TSumOfAmount&) = delete;
};

// SQLite's own sum of the column, as a check and as the yardstick.
double SqlSum(const std::string& Path) {
  sqlite3* DB = nullptr;
  sqlite3_open_v2(Path.c_str(), &DB, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* Stmt = nullptr;
  sqlite3_prepare_v2(DB, "SELECT SUM(amount) FROM orders", -1, &Stmt, nullptr);
  double Result = sqlite3_step(Stmt) == SQLITE_ROW ? sqlite3_column_double(Stmt, 0) : 0;
  sqlite3_finalize(Stmt);
  sqlite3_close(DB);
  return Result;
}

void Rows(benchmark::State& State) { State.counters["rows"] = double(State.range(0)); }

// [1] SQLite alone: the yardstick.
void BM_SqlSumOfAmount(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Path.empty()) return;
  for (auto _ : State) benchmark::DoNotOptimize(SqlSum(Path));
  Rows(State);
}

// [2] Open the dataset and let the engine make its pass (which reads every
// row through the dataset).
void BM_EnginePassOnOpening(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Path.empty()) return;
  Currency Result;
  for (auto _ : State) {
    TOrders Orders(Path);
    TSumOfAmount Sum;
    Orders.DS->Open();
    Sum.Producer->SetDataSet(Orders.DS);
    Result = Sum.Sum->GetValue();
  }
  State.counters["sum"] = double(Result.ToDouble());
  State.counters["sql_sum"] = SqlSum(Path);
  Rows(State);
}

// [3] The pass again over a dataset that has read its rows: the engine and
// the dataset's walk, without the reading.
void BM_EnginePassOverReadRows(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Path.empty()) return;
  TOrders Orders(Path);
  TSumOfAmount Sum;
  Orders.DS->Open();
  Sum.Producer->SetDataSet(Orders.DS);
  for (auto _ : State) Sum.Producer->RecalcAll();
  Rows(State);
}

// [3b] The footers' usual pass: a count of the records and the sums of qty
// (whole numbers) and amount (reals), over a dataset that has read its rows.
void BM_EnginePassCountAndTwoSums(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Path.empty()) return;
  TOrders Orders(Path);
  TDBSumListProducer* Producer = TDBSumListProducer::Create(nullptr);
  Producer->GetSumCollection()->Add()->SetGroupOperation(korvel::goCount);
  Producer->GetSumCollection()->Add()->SetFieldName("qty");
  TDBSum* Amount = Producer->GetSumCollection()->Add();
  Amount->SetFieldName("amount");
  Orders.DS->Open();
  Producer->SetDataSet(Orders.DS);
  for (auto _ : State) Producer->RecalcAll();
  State.counters["sum"] = double(Amount->GetValue().ToDouble());
  Producer->Free();
  Rows(State);
}

// [4] The same walk without the engine: First, Next to the end, reading the
// field, inside DisableControls as the pass does. [3] less [4] is the engine.
void BM_WalkOverReadRows(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Path.empty()) return;
  TOrders Orders(Path);
  Orders.DS->Open();
  Orders.DS->Last();  // every row read once
  TField* Amount = Orders.DS->FieldByName("amount");
  for (auto _ : State) {
    TDisableControlsGuard Hold(Orders.DS);
    double Total = 0;
    for (Orders.DS->First(); !Orders.DS->GetEof(); Orders.DS->Next())
      if (!Amount->IsNull()) Total += Amount->GetAsFloat();
    Orders.DS->First();
    benchmark::DoNotOptimize(Total);
  }
  Rows(State);
}

// [4a] The walk that reads what the footers' usual pass reads (qty and
// amount) without the engine: [3b] less [4a] is the engine's own work.
void BM_WalkReadingQtyAndAmount(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Path.empty()) return;
  TOrders Orders(Path);
  Orders.DS->Open();
  Orders.DS->Last();  // every row read once
  TField* Qty = Orders.DS->FieldByName("qty");
  TField* Amount = Orders.DS->FieldByName("amount");
  for (auto _ : State) {
    TDisableControlsGuard Hold(Orders.DS);
    Int64 Quantity = 0;
    double Total = 0;
    for (Orders.DS->First(); !Orders.DS->GetEof(); Orders.DS->Next()) {
      Quantity += Qty->GetAsLargeInt();
      Total += Amount->GetAsFloat();
    }
    Orders.DS->First();
    benchmark::DoNotOptimize(Quantity);
    benchmark::DoNotOptimize(Total);
  }
  Rows(State);
}

// [4b] The walk alone, reading nothing: what any pass through the dataset
// costs, however little it does per record.
void BM_BareWalkOverReadRows(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Path.empty()) return;
  TOrders Orders(Path);
  Orders.DS->Open();
  Orders.DS->Last();  // every row read once
  for (auto _ : State) {
    TDisableControlsGuard Hold(Orders.DS);
    Integer Records = 0;
    for (Orders.DS->First(); !Orders.DS->GetEof(); Orders.DS->Next()) ++Records;
    Orders.DS->First();
    benchmark::DoNotOptimize(Records);
  }
  Rows(State);
}

// A private copy of the orders database for the cases that write, in memory
// where the system offers a memory file system: a post's cost is then the
// dataset's and the engine's, not the disk's.
std::filesystem::path ScratchFolder() {
  return std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                   : std::filesystem::temp_directory_path();
}

const std::string& WritableCopy(long Rows) {
  static std::map<long, std::string> Copies;
  struct TCleanup {
    ~TCleanup() {
      for (auto& [Rows, Path] : Copies) std::remove(Path.c_str());
    }
  };
  static TCleanup Cleanup;
  auto It = Copies.find(Rows);
  if (It != Copies.end()) return It->second;
  const std::string Path = (ScratchFolder() /
                            ("kv_bench_orders_" + std::to_string(::getpid()) + "_" +
                             std::to_string(Rows) + ".db"))
                               .string();
  std::filesystem::copy_file(kvbench::OrdersDbPath(Rows), Path,
                             std::filesystem::copy_options::overwrite_existing);
  return Copies[Rows] = Path;
}

// [5] One edit of amount posted, with the engine keeping the sum current;
// [6] the same post with no engine attached. Neither may grow with the table.
void PostOneAmount(benchmark::State& State, bool WithEngine) {
  if (kvbench::OrdersDbOrSkip(State, State.range(0)).empty()) return;
  TOrders Orders(WritableCopy(State.range(0)));
  TSumOfAmount Sum(true);
  Orders.DS->Open();
  if (WithEngine) Sum.Producer->SetDataSet(Orders.DS);
  Orders.DS->MoveBy(Integer(State.range(0) / 2));  // a record in the middle
  TField* Amount = Orders.DS->FieldByName("amount");
  double Step = 0.25;
  for (auto _ : State) {
    Orders.DS->Edit();
    Amount->SetAsFloat(Amount->GetAsFloat() + Step);
    Orders.DS->Post();
    Step = -Step;  // back and forth, so the data stays as it was
  }
  if (WithEngine) State.counters["sum"] = double(Sum.Sum->GetValue().ToDouble());
  Rows(State);
}

void BM_PostWithEngine(benchmark::State& State) { PostOneAmount(State, true); }
void BM_PostWithoutEngine(benchmark::State& State) { PostOneAmount(State, false); }

// [7] The engine's own share of a post: what its AfterEdit and AfterPost
// handlers do for the record in the middle of the table (store its share,
// apply the difference), without the store's write.
class TExposedProducer : public TDBSumListProducer {
  KV_CLASS(TExposedProducer, TDBSumListProducer)
 public:
  using TDBSumListProducer::TDBSumListProducer;
  using TDBSumListProducer::DataSetAfterEdit;
  using TDBSumListProducer::DataSetAfterPost;
};

void BM_EngineShareOfAPost(benchmark::State& State) {
  const std::string Path = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Path.empty()) return;
  TOrders Orders(Path);
  auto* Producer = TExposedProducer::Create(nullptr);
  Producer->GetSumCollection()->Add()->SetFieldName("amount");
  Producer->GetSumCollection()->Add()->SetGroupOperation(korvel::goCount);
  Orders.DS->Open();
  Producer->SetDataSet(Orders.DS);
  Orders.DS->MoveBy(Integer(State.range(0) / 2));
  for (auto _ : State) {
    Producer->DataSetAfterEdit(Orders.DS);
    Producer->DataSetAfterPost(Orders.DS);
  }
  Producer->Free();
  Rows(State);
}

void Sizes(benchmark::internal::Benchmark* B) {
  B->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_SqlSumOfAmount)->Apply(Sizes);
BENCHMARK(BM_EnginePassOnOpening)->Apply(Sizes);
BENCHMARK(BM_EnginePassOverReadRows)->Apply(Sizes);
BENCHMARK(BM_EnginePassCountAndTwoSums)->Apply(Sizes);
BENCHMARK(BM_WalkOverReadRows)->Apply(Sizes);
BENCHMARK(BM_WalkReadingQtyAndAmount)->Apply(Sizes);
BENCHMARK(BM_BareWalkOverReadRows)->Apply(Sizes);
BENCHMARK(BM_PostWithEngine)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PostWithoutEngine)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineShareOfAPost)->Apply(Sizes)->Unit(benchmark::kMicrosecond);

}  // namespace
