// Filling and changing a large in-memory dataset. Each post keeps the view in
// order instead of rebuilding it, so appending a million records costs about
// as much per record as appending a thousand; the indexed and filtered cases
// add one descent of the index order and one run of the filter per record.
#include <benchmark/benchmark.h>

#include <random>

#include "platform/db/DB.h"

using namespace kvp;

namespace {

constexpr Integer MillionRecords = 1000000;

// Customers with a number, a name, a key in random order and an amount.
TMemoryDataSet* MakeCustomers() {
  TMemoryDataSet* DS = TMemoryDataSet::Create(nullptr);
  DS->GetFieldDefs()->Add("ID", ftInteger);
  DS->GetFieldDefs()->Add("Name", ftString, 30);
  DS->GetFieldDefs()->Add("Key", ftInteger);
  DS->GetFieldDefs()->Add("Amount", ftFloat);
  return DS;
}

void Fill(TMemoryDataSet* DS, Integer Count) {
  std::mt19937 Random(1);
  TField* ID = DS->FieldByName("ID");
  TField* Name = DS->FieldByName("Name");
  TField* Key = DS->FieldByName("Key");
  TField* Amount = DS->FieldByName("Amount");
  for (Integer I = 1; I <= Count; ++I) {
    DS->Append();
    ID->SetAsInteger(I);
    Name->SetAsString("Customer " + IntToStr(I % 997));
    Key->SetAsInteger(Integer(Random() % 100000));
    Amount->SetAsFloat(I * 0.25);
    DS->Post();
  }
}

// Appends Count records to a dataset opened with Setup applied.
template <class TSetup>
void AppendRecords(benchmark::State& State, TSetup Setup) {
  const Integer Count = Integer(State.range(0));
  for (auto _ : State) {
    TMemoryDataSet* DS = MakeCustomers();
    Setup(DS);
    DS->Open();
    Fill(DS, Count);
    State.PauseTiming();
    if (DS->GetStoredRecordCount() != Count) State.SkipWithError("records were lost");
    DS->Free();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * Count);
}

void BM_MemoryAppend(benchmark::State& State) {
  AppendRecords(State, [](TMemoryDataSet*) {});
}

// Ordered by a key in random order, filtered by text: every post finds its
// place in the index order and runs the filter once.
void BM_MemoryAppendIndexedFiltered(benchmark::State& State) {
  AppendRecords(State, [](TMemoryDataSet* DS) {
    DS->SetIndexFieldNames("Key");
    DS->SetFilter("Key >= 100");
    DS->SetFiltered(true);
  });
}

// A grid of 30 rows on the dataset: each post re-reads the rows shown.
void BM_MemoryAppendUnderAGrid(benchmark::State& State) {
  TDataSource* Source = TDataSource::Create(nullptr);
  TDataLink* Link = TDataLink::Create();
  Link->SetDataSource(Source);
  Link->SetBufferCount(30);
  AppendRecords(State, [Source](TMemoryDataSet* DS) { Source->SetDataSet(DS); });
  Link->Free();
  Source->Free();
}

// Re-keying and deleting records of an indexed million: each moves or removes
// one record of the view.
void BM_MemoryEditKeyAndDelete(benchmark::State& State) {
  TMemoryDataSet* DS = MakeCustomers();
  DS->SetIndexFieldNames("Key");
  DS->Open();
  Fill(DS, MillionRecords);
  std::mt19937 Random(2);
  TField* Key = DS->FieldByName("Key");
  for (auto _ : State) {
    DS->SetRecNo(Integer(Random() % Random.max() % DS->GetRecordCount()) + 1);
    DS->Edit();
    Key->SetAsInteger(Integer(Random() % 100000));
    DS->Post();
    DS->SetRecNo(Integer(Random() % DS->GetRecordCount()) + 1);
    DS->Delete();
    DS->Append();
    Key->SetAsInteger(Integer(Random() % 100000));
    DS->Post();
  }
  State.SetItemsProcessed(State.iterations() * 3);
  DS->Free();
}

}  // namespace

BENCHMARK(BM_MemoryAppend)->Arg(1000)->Arg(MillionRecords)->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_MemoryAppendIndexedFiltered)->Arg(MillionRecords)->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_MemoryAppendUnderAGrid)->Arg(MillionRecords)->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_MemoryEditKeyAndDelete)->Unit(benchmark::kMicrosecond);
