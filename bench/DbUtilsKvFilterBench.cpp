// Column filters over the `orders` table (bench/OrdersDb.h) at 1k, 100k and
// 1M rows, applied as the filter row will apply them: the typed conditions go
// through the grid's data service to the features object of the dataset.
//
//   BM_FilterRow_SQLite    the SQLite dataset gets one SQL condition as its
//                          filter; timed: applying it (the database counts the
//                          rows) and reading the 29 rows a grid shows first
//   BM_FilterRow_Sqlite3   the same WHERE run by sqlite3 in the same process:
//                          the count, then the first 29 rows
//   BM_FilterRow_Memory    the same conditions as the in-memory dataset's own
//                          filter text over the table loaded into memory
//                          (1k and 100k rows)
//   BM_FilterRow_Editor    the filter row's own path over the SQLite dataset:
//                          the city condition typed into the filter-row editor
//                          and applied as Enter applies it (the text parsed,
//                          the data service, the editor prepared again), then
//                          the grid painted with the rows it now shows
//
// The conditions: city contains "Gen", amount > 10000, not paid. The window
// registers the library's features objects for the platform's datasets, as an
// application does.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>

#include "OrdersDb.h"
#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/win/Win.h"

using namespace kvp;
using namespace korvel;

namespace {

constexpr Integer ShownRows = 29;

// A form holding a grid over a dataset (which it frees), the grid's columns
// those of the table.
struct TFilterWindow {
  TForm* Form = nullptr;
  TCustomDBGridKv* Grid = nullptr;
  TDataSet* DS = nullptr;

  explicit TFilterWindow(TDataSet* DataSet) : DS(DataSet) {
    ResetWindowSystem();
    Application()->Reset();
    Form = TForm::Create(nullptr);
    Form->SetBounds(0, 0, 1200, 700);
    auto* Source = TDataSource::Create(Form);
    Source->SetDataSet(DS);
    Grid = TCustomDBGridKv::Create(Form);
    Grid->SetBounds(0, 0, 1200, 700);
    Grid->SetParent(Form);
    Grid->SetDataSource(Source);
    Form->Show();
    RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), TMemoryDataSetFeaturesKv::Create());
    RegisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass(), TSQLiteDataSetFeaturesKv::Create());
  }
  ~TFilterWindow() {
    UnregisterDatasetFeaturesKv(TMemoryDataSet::StaticClass());
    UnregisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass());
    FreeAndNil(Form);
    FreeAndNil(DS);
    ResetWindowSystem();
  }
  TFilterWindow(const TFilterWindow&) = delete;
  TFilterWindow& operator=(const TFilterWindow&) = delete;

  Integer ColumnOf(const char* FieldName) {
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      if (Grid->GetColumns()->GetColumn(I)->GetFieldName() == FieldName) return I;
    return -1;
  }
  TSTColumnFilterKv* Filter(const char* FieldName) {
    const Integer I = ColumnOf(FieldName);
    return I < 0 ? nullptr : Grid->GetColumns()->GetColumn(I)->GetSTFilter();
  }
  // Types the conditions into the column filters.
  void Type(bool On) {
    Filter("city")->SetExpressionStr(On ? "Gen" : "");
    Filter("amount")->SetExpressionStr(On ? ">10000" : "");
    Filter("paid")->SetExpressionStr(On ? "=0" : "");
  }
  // What a grid reads first: the count and the shown rows' texts.
  Integer ReadShown() {
    Integer Rows = 0;
    for (DS->First(); !DS->GetEof() && Rows < ShownRows; DS->Next(), ++Rows)
      for (TField* Field : *DS->GetFields()) benchmark::DoNotOptimize(Field->GetDisplayText());
    return DS->GetRecordCount();
  }
};

TSQLiteDataSet* OrdersTable(const std::string& File) {
  auto* DS = TSQLiteDataSet::Create(nullptr);
  DS->SetDatabaseName(File);
  DS->SetTableName("orders");
  DS->Open();
  return DS;
}

void Sizes(benchmark::internal::Benchmark* B) {
  B->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
}

void BM_FilterRow_SQLite(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  TFilterWindow W(OrdersTable(File));
  Integer Matched = 0;
  for (auto _ : State) {
    State.PauseTiming();
    W.Type(false);
    W.Grid->DoApplyFilter();
    W.Type(true);
    State.ResumeTiming();
    W.Grid->DoApplyFilter();
    Matched = W.ReadShown();
  }
  State.counters["rows"] = double(Matched);
  State.SetLabel(W.DS->GetFilter());
}
BENCHMARK(BM_FilterRow_SQLite)->Apply(Sizes);

void BM_FilterRow_Sqlite3(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  String Condition;
  {
    TFilterWindow W(OrdersTable(File));
    W.Type(true);
    Condition = static_cast<TSQLiteDataSetFeaturesKv*>(GetDatasetFeaturesForDataSet(W.DS))
                    ->FilterCondition(W.Grid, W.DS);
  }
  sqlite3* Db = nullptr;
  if (sqlite3_open_v2(File.c_str(), &Db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    State.SkipWithError("cannot open the database");
    return;
  }
  const std::string Count = "SELECT COUNT(*) FROM orders WHERE (" + Condition + ")";
  const std::string Rows = "SELECT * FROM orders WHERE (" + Condition + ") ORDER BY rowid LIMIT " +
                           std::to_string(ShownRows);
  Int64 Matched = 0;
  for (auto _ : State) {
    sqlite3_stmt* Stmt = nullptr;
    sqlite3_prepare_v2(Db, Count.c_str(), -1, &Stmt, nullptr);
    if (sqlite3_step(Stmt) == SQLITE_ROW) Matched = sqlite3_column_int64(Stmt, 0);
    sqlite3_finalize(Stmt);
    sqlite3_prepare_v2(Db, Rows.c_str(), -1, &Stmt, nullptr);
    while (sqlite3_step(Stmt) == SQLITE_ROW)
      for (int C = 0; C < sqlite3_column_count(Stmt); ++C)
        benchmark::DoNotOptimize(sqlite3_column_text(Stmt, C));
    sqlite3_finalize(Stmt);
  }
  sqlite3_close(Db);
  if (Condition.empty()) State.SkipWithError("no SQL condition for the column filters");
  State.counters["rows"] = double(Matched);
  State.SetLabel(Condition);
}
BENCHMARK(BM_FilterRow_Sqlite3)->Apply(Sizes);

// The table copied into an in-memory dataset with the same fields.
TMemoryDataSet* OrdersInMemory(const std::string& File) {
  TObjectPtr<TSQLiteDataSet> Table(OrdersTable(File));
  auto* DS = TMemoryDataSet::Create(nullptr);
  for (TField* Field : *Table->GetFields())
    DS->GetFieldDefs()->Add(Field->GetFieldName(), Field->GetDataType(), Field->GetSize());
  DS->Open();
  {
    TDisableControlsGuard Quiet(Table.get());
    for (Table->First(); !Table->GetEof(); Table->Next()) {
      DS->Append();
      for (Integer I = 0; I < Table->GetFieldCount(); ++I)
        DS->GetFields()->GetField(I)->SetValue(Table->GetFields()->GetField(I)->GetValue());
      DS->Post();
    }
  }
  DS->First();
  return DS;
}

void BM_FilterRow_Memory(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  TFilterWindow W(OrdersInMemory(File));
  Integer Matched = 0;
  for (auto _ : State) {
    State.PauseTiming();
    W.Type(false);
    W.Grid->DoApplyFilter();
    W.Type(true);
    State.ResumeTiming();
    W.Grid->DoApplyFilter();
    Matched = W.ReadShown();
  }
  State.counters["rows"] = double(Matched);
  State.SetLabel(W.DS->GetFilter());
}
BENCHMARK(BM_FilterRow_Memory)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FilterRow_Editor(benchmark::State& State) {
  const std::string File = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (File.empty()) return;
  TFilterWindow W(OrdersTable(File));
  W.Grid->GetSTFilter()->SetVisible(true);
  W.Grid->SetFocus();
  W.Type(true);
  W.Filter("city")->SetExpressionStr("");
  W.Grid->ShowFilterEditor(W.ColumnOf("city"));
  TInplaceFilterEditKv* Editor = W.Grid->GetFilterEditor();
  if (!Editor || !Editor->GetVisible()) {
    State.SkipWithError("the filter-row editor did not open");
    return;
  }
  for (auto _ : State) {
    State.PauseTiming();
    Editor->SetText("");
    W.Grid->ApplyFilter();
    UpdateWindow(W.Grid->GetHandle());
    Editor->SetText("Gen");
    State.ResumeTiming();
    W.Grid->ApplyFilter();
    UpdateWindow(W.Grid->GetHandle());
  }
  State.counters["rows"] = double(W.DS->GetRecordCount());
  State.SetLabel(W.DS->GetFilter());
}
BENCHMARK(BM_FilterRow_Editor)->Apply(Sizes);

}  // namespace
