// The grid's commands that write many records, as a user runs them on a copy
// of the `orders` database (bench/OrdersDb.h): the data-aware grid on a
// 1600x900 form with the configuration a user of footers has (two-level
// titles, the indicator, multi-select, a footer row with the count of id and
// the sums of qty and amount).
//
//   BM_DBGridOrders_DeleteAll/N  Ctrl+A, Ctrl+Delete, OK to "Delete all
//                                selected records?", the grid painted: every
//                                record of orders_N.db deleted
//   BM_DBGridOrders_Paste/N      N lines of text (customer, city) pasted
//                                with Ctrl+V from the first record's
//                                customer on, the grid painted
//
// Each iteration works on a fresh copy of the file (made outside the timing)
// and checks the file afterwards. The Qt peer's measure of the same delete:
//   qt_grid_bench COPY_OF_orders_N.db --delete N --delete-way submitall
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "OrdersDb.h"
#include "grid/DBGridKv.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

using namespace kvp;

namespace {

using TClock = std::chrono::steady_clock;

// A copy of orders_N.db that the iteration may change.
std::string CopyOf(const std::string& Db) {
  const std::string Copy = (std::filesystem::temp_directory_path() /
                            ("kv_bench_writes_" + std::to_string(::getpid()) + ".db"))
                               .string();
  std::filesystem::copy_file(Db, Copy, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::remove(Copy + "-journal");
  return Copy;
}

long long Scalar(const std::string& File, const char* SQL) {
  sqlite3* DB = nullptr;
  sqlite3_open_v2(File.c_str(), &DB, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* Stmt = nullptr;
  long long Result = -1;
  if (sqlite3_prepare_v2(DB, SQL, -1, &Stmt, nullptr) == SQLITE_OK && sqlite3_step(Stmt) == SQLITE_ROW)
    Result = sqlite3_column_int64(Stmt, 0);
  sqlite3_finalize(Stmt);
  sqlite3_close(DB);
  return Result;
}

class TWritesGrid : public korvel::TCustomDBGridKv {
  KV_CLASS(TWritesGrid, korvel::TCustomDBGridKv)
 public:
  explicit TWritesGrid(TComponent* AOwner) : TCustomDBGridKv(AOwner) {}
};

// The window: the grid as a user of footers configures it.
struct TWindow {
  TForm* Form = nullptr;
  TSQLiteDataSet* DS = nullptr;
  TWritesGrid* Grid = nullptr;

  explicit TWindow(const std::string& File) {
    Form = TForm::Create(nullptr);
    Form->SetBounds(0, 0, 1600, 900);
    Form->SetClientWidth(1600);
    Form->SetClientHeight(900);
    DS = TSQLiteDataSet::Create(Form);
    DS->SetDatabaseName(File);
    DS->SetTableName("orders");
    auto* Source = TDataSource::Create(Form);
    Source->SetDataSet(DS);
    Grid = TWritesGrid::Create(Form);
    Grid->SetBounds(0, 0, 1600, 900);
    Grid->SetParent(Form);
    Grid->SetMemoEditing(true);
    Grid->SetOptions(Grid->GetOptions() + korvel::dgMultiSelectKv + korvel::dgConfirmDeleteKv);
    Grid->SetEditActions({korvel::geaCopyKv, korvel::geaCutKv, korvel::geaPasteKv,
                          korvel::geaDeleteKv, korvel::geaSelectAllKv});
    Grid->SetUseMultiTitle(true);
    Grid->SetFooterRowCount(1);
    Grid->GetSumList()->SetActive(true);
    Grid->SetDataSource(Source);
    DS->Open();
    korvel::TDBGridColumnsKv* Columns = Grid->GetColumns();
    for (Integer I = 0; I < Columns->GetCount(); ++I) {
      korvel::TColumnKv* Column = Columns->GetColumn(I);
      const String Name = Column->GetFieldName();
      const char* Group = I < 4 ? "Order|" : I < 8 ? "Money|" : "State|";
      Column->GetTitle()->SetCaption(Group + Name);
      if (Name == "id") Column->GetFooter()->SetValueType(korvel::fvtCount);
      if (Name == "qty" || Name == "amount") Column->GetFooter()->SetValueType(korvel::fvtSum);
    }
    Form->Show();
    Grid->SetFocus();
    Paint();
  }
  ~TWindow() { FreeAndNil(Form); }
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;
  void Paint() {
    Application()->ProcessMessages();
    UpdateWindow(Form->GetHandle());
    UpdateWindow(Grid->GetHandle());
  }
};

// The median time and the time per record, as counters.
void Report(benchmark::State& State, std::vector<double> Times) {
  if (Times.empty()) return;
  std::sort(Times.begin(), Times.end());
  const double Median = Times[Times.size() / 2];
  State.counters["median_ms"] = Median * 1000.0;
  State.counters["per_record_us"] = Median * 1e6 / double(State.range(0));
}

void Prepare() {
  ResetWindowSystem();
  Application()->Reset();
  SetMonitors({{Rect(0, 0, 1920, 1200), Rect(0, 0, 1920, 1170)}});
}

void BM_DBGridOrders_DeleteAll(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  Prepare();
  std::vector<double> Times;
  for (auto _ : State) {
    const std::string Copy = CopyOf(Db);
    {
      TWindow W(Copy);
      ResetMessageDlgScript();
      QueueMessageDlgAnswer(mrOk);
      const TClock::time_point T0 = TClock::now();
      Input.KeyPress('A', {ssCtrl});
      Input.KeyPress(VK_DELETE, {ssCtrl});
      W.Paint();
      Times.push_back(std::chrono::duration<double>(TClock::now() - T0).count());
      State.SetIterationTime(Times.back());
      if (GetMessageDlgLog().empty() || !W.DS->IsEmpty())
        State.SkipWithError("the records were not all deleted");
    }
    if (Scalar(Copy, "SELECT COUNT(*) FROM orders") != 0)
      State.SkipWithError("the file still holds records");
    std::filesystem::remove(Copy);
  }
  Report(State, Times);
}

void BM_DBGridOrders_Paste(benchmark::State& State) {
  const Integer Rows = Integer(State.range(0));
  const std::string Db = kvbench::OrdersDbOrSkip(State, Rows);
  if (Db.empty()) return;
  Prepare();
  String Text;
  for (Integer I = 1; I <= Rows; ++I)
    Text += "pasted " + IntToStr(I) + "\tcity " + IntToStr(I % 97) + "\r\n";
  std::vector<double> Times;
  for (auto _ : State) {
    const std::string Copy = CopyOf(Db);
    {
      TWindow W(Copy);
      Clipboard()->SetAsText(Text);
      W.DS->First();
      W.Grid->SetSelectedIndex(1);  // customer, then city
      const TClock::time_point T0 = TClock::now();
      Input.KeyPress('V', {ssCtrl});
      W.Paint();
      Times.push_back(std::chrono::duration<double>(TClock::now() - T0).count());
      State.SetIterationTime(Times.back());
    }
    if (Scalar(Copy, "SELECT COUNT(*) FROM orders WHERE customer LIKE 'pasted %'") != Rows)
      State.SkipWithError("the records were not all pasted");
    std::filesystem::remove(Copy);
  }
  Report(State, Times);
}

}  // namespace

BENCHMARK(BM_DBGridOrders_DeleteAll)
    ->Arg(5000)
    ->Arg(20000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DBGridOrders_Paste)
    ->Arg(5000)
    ->Arg(20000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
