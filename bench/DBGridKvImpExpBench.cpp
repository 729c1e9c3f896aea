// The grid's exchange formats on the `orders` table (../shared/peers/qt):
//
//   BM_GridExport_Csv        every record written as separated values through
//                            the grid's writer into a file (the whole table,
//                            titles included), beside
//   BM_Sqlite3Shell_Csv      `sqlite3 -csv DB "select * from orders" > FILE`,
//                            run from the same process, on the same file
//   BM_GridCopy_Text         N selected rows (select all) copied as
//                            tab-separated text to the clipboard: the text
//                            writer, then the clipboard's Unicode block, as
//                            the Qt harness's "copy TSV" measures its copy
//   BM_GridWalk_Floor        the floors under both: the same grid's dataset
//                            walked from first to last with its controls
//                            disabled, bare (range 0) and reading every
//                            field's display text (range 1)
//
// Each iteration is timed with steady_clock and reported as manual time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "OrdersDb.h"
#include "grid/DBGridKvImpExp.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Win.h"

using namespace kvp;

namespace {

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point T0) {
  return std::chrono::duration<double>(TClock::now() - T0).count();
}

// A form with the grid over the orders table, its TEXT columns shown as text.
struct TOrdersGrid {
  TForm* Form = nullptr;
  TSQLiteDataSet* DS = nullptr;
  korvel::TCustomDBGridKv* Grid = nullptr;
  explicit TOrdersGrid(const std::string& Db) {
    ResetWindowSystem();
    Application()->Reset();
    Form = TForm::Create(nullptr);
    Form->SetBounds(0, 0, 1600, 900);
    DS = TSQLiteDataSet::Create(Form);
    DS->SetDatabaseName(Db);
    DS->SetTableName("orders");
    auto* Source = TDataSource::Create(Form);
    Source->SetDataSet(DS);
    Grid = korvel::TCustomDBGridKv::Create(Form);
    Grid->SetBounds(0, 0, 1600, 900);
    Grid->SetParent(Form);
    Grid->SetMemoEditing(true);
    Grid->SetDataSource(Source);
    DS->Open();
    Form->Show();
  }
  ~TOrdersGrid() { FreeAndNil(Form); }
};

std::string TempFile(const char* Tag) {
  return (std::filesystem::temp_directory_path() /
          ("kv_bench_" + std::string(Tag) + "_" + std::to_string(::getpid()) + ".csv"))
      .string();
}

void BM_GridExport_Csv(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  TOrdersGrid W(Db);
  korvel::CsvSeparatorChar = U',';
  const std::string File = TempFile("grid");
  for (auto _ : State) {
    const TClock::time_point T0 = TClock::now();
    TObjectPtr<korvel::TDBGridKvExportAsCSV> Exporter(korvel::TDBGridKvExportAsCSV::Create());
    Exporter->SetDBGrid(W.Grid);
    Exporter->ExportToFile(File, true);
    State.SetIterationTime(SecondsSince(T0));
  }
  State.counters["MB"] = double(std::filesystem::file_size(File)) / 1e6;
  std::remove(File.c_str());
  korvel::CsvSeparatorChar = U';';
}

void BM_Sqlite3Shell_Csv(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  const std::string File = TempFile("shell");
  const std::string Command = "sqlite3 -csv '" + Db + "' 'select * from orders' > '" + File + "'";
  for (auto _ : State) {
    const TClock::time_point T0 = TClock::now();
    if (std::system(Command.c_str()) != 0) {
      State.SkipWithError("the sqlite3 shell failed (is it installed?)");
      break;
    }
    State.SetIterationTime(SecondsSince(T0));
  }
  if (std::filesystem::exists(File)) {
    State.counters["MB"] = double(std::filesystem::file_size(File)) / 1e6;
    std::remove(File.c_str());
  }
}

void BM_GridCopy_Text(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  TOrdersGrid W(Db);
  W.Grid->SetOptions(W.Grid->GetOptions() + korvel::dgMultiSelectKv);
  W.Grid->GetSelection()->SelectAll();
  for (auto _ : State) {
    const TClock::time_point T0 = TClock::now();
    TObjectPtr<korvel::TMemoryStreamKv> Stream(korvel::TMemoryStreamKv::Create());
    Stream->SetMemoryDelta(0x10000);
    korvel::ExportGridToStream(korvel::TDBGridKvExportAsText::StaticClass(), W.Grid, Stream.get(),
                               false);
    const char Zero = 0;
    Stream->WriteBuffer(&Zero, 1);
    Clipboard()->Open();
    korvel::PutStreamToClipboardAsUnicode(Stream.get());
    Clipboard()->Close();
    State.SetIterationTime(SecondsSince(T0));
    State.counters["MB"] = double(Stream->GetSize()) / 1e6;
  }
}

void BM_GridWalk_Floor(benchmark::State& State) {
  const std::string Db = kvbench::OrdersDbOrSkip(State, State.range(0));
  if (Db.empty()) return;
  TOrdersGrid W(Db);
  const bool ReadText = State.range(1) != 0;
  std::size_t Bytes = 0;
  for (auto _ : State) {
    const TClock::time_point T0 = TClock::now();
    Bytes = 0;
    {
      TDisableControlsGuard Disabled(W.DS);
      TFields* Fields = W.DS->GetFields();
      const Integer Count = W.DS->GetFieldCount();
      for (W.DS->First(); !W.DS->GetEof(); W.DS->Next())
        if (ReadText)
          for (Integer I = 0; I < Count; ++I) Bytes += Fields->GetField(I)->GetDisplayText().size();
    }
    State.SetIterationTime(SecondsSince(T0));
  }
  State.counters["MB"] = double(Bytes) / 1e6;
}

}  // namespace

BENCHMARK(BM_GridExport_Csv)->Arg(1000000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sqlite3Shell_Csv)->Arg(1000000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridCopy_Text)->Arg(100000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridWalk_Floor)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Args({100000, 1})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
