// Opening a large SQLite table behind a grid: the cost of showing the first
// screen of rows stays small however many rows the table holds, while a walk
// to the last row reads them all. The counter "rows_read" shows the
// difference.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/db/DB.h"
#include "platform/db/SampleDatabase.h"

using namespace kvp;

namespace {

constexpr Integer MillionRows = 1000000;

// The numbers database, written once per run and removed at exit.
const String& MillionRowFile() {
  struct TFile {
    String Name;
    TFile() {
      Name = (std::filesystem::temp_directory_path() /
              ("kv_bench_numbers_" + std::to_string(::getpid()) + ".sqlite"))
                 .string();
      CreateNumbersDatabase(Name, MillionRows);
    }
    ~TFile() { std::remove(Name.c_str()); }
  };
  static TFile File;
  return File.Name;
}

// A dataset on the numbers table with a link of 50 rows, like a grid's.
struct TGridOnTable {
  TSQLiteDataSet* DS = TSQLiteDataSet::Create(nullptr);
  TDataSource* Source = TDataSource::Create(nullptr);
  TDataLink* Link = TDataLink::Create();
  TGridOnTable() {
    DS->SetDatabaseName(MillionRowFile());
    DS->SetTableName("numbers");
    Source->SetDataSet(DS);
    Link->SetDataSource(Source);
    Link->SetBufferCount(50);
  }
  ~TGridOnTable() {
    Link->Free();
    Source->Free();
    DS->Free();
  }
  TGridOnTable(const TGridOnTable&) = delete;
  TGridOnTable& operator=(const TGridOnTable&) = delete;
  // Reads every shown row's fields, as painting would.
  void ReadShownRows() {
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      for (TField* Field : *DS->GetFields()) benchmark::DoNotOptimize(Field->GetDisplayText());
    }
    Link->SetActiveRecord(0);
  }
};

void BM_OpenMillionRowTableAndShowFirst50(benchmark::State& State) {
  MillionRowFile();
  Integer RowsRead = 0;
  for (auto _ : State) {
    TGridOnTable Grid;
    Grid.DS->Open();
    Grid.ReadShownRows();
    benchmark::DoNotOptimize(Grid.DS->GetRecordCount());
    RowsRead = Grid.DS->GetFetchedCount();
  }
  State.counters["rows_read"] = RowsRead;
}
BENCHMARK(BM_OpenMillionRowTableAndShowFirst50)->Unit(benchmark::kMillisecond);

void BM_OpenMillionRowTableAndGoToLast(benchmark::State& State) {
  MillionRowFile();
  Integer RowsRead = 0;
  for (auto _ : State) {
    TGridOnTable Grid;
    Grid.DS->Open();
    Grid.DS->Last();
    Grid.ReadShownRows();
    RowsRead = Grid.DS->GetFetchedCount();
  }
  State.counters["rows_read"] = RowsRead;
}
BENCHMARK(BM_OpenMillionRowTableAndGoToLast)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
