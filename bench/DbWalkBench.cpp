// Walking a dataset of a million records with its controls disabled and
// reading one field per record, as a footer total does. The core-only case
// runs the same walk over a store that does nothing but hand out a number,
// so its time per row is what the dataset itself adds; the in-memory case
// adds that store's own fetch. A grid-sized window (30 buffers) must cost no
// more per row than a single buffer.
#include <benchmark/benchmark.h>

#include "platform/db/DB.h"

using namespace kvp;

namespace {

constexpr Integer MillionRecords = 1000000;

// A store of Count records that hold their own number and nothing else: the
// dataset's cost per row without a store's.
class TCountingDataSet : public TDataSet {
  KV_CLASS(TCountingDataSet, TDataSet)
 public:
  explicit TCountingDataSet(TComponent* AOwner) : TDataSet(AOwner) {}
  Integer Count = MillionRecords;
  Integer GetRecordCount() override { return Count; }

 protected:
  void InternalOpen() override {
    GetFieldDefs()->Clear();
    GetFieldDefs()->Add("N", ftInteger);
  }
  void InternalClose() override {}
  void InternalFirst() override { FCursor = -1; }
  void InternalLast() override { FCursor = Count; }
  TGetResult GetRecord(TRecordBuffer& Buffer, TGetMode Mode) override {
    const TGetResult Result = StepCursor(FCursor, Count, Mode);
    if (Result != grOK) return Result;
    Buffer.Data[0] = Variant(FCursor + 1);
    Buffer.RecNo = FCursor + 1;
    Buffer.Bookmark.assign(reinterpret_cast<const char*>(&FCursor), sizeof FCursor);
    return grOK;
  }
  void InternalSetToRecord(const TRecordBuffer& Buffer) override { FCursor = Buffer.RecNo - 1; }
  bool InternalGotoBookmark(const TBookmark&) override { return false; }
  void InternalSetRecNo(Integer Value) override { FCursor = Value - 1; }
  void InternalPost() override {}
  void InternalDelete() override {}

 private:
  Integer FCursor = -1;
};

TMemoryDataSet* MakeMillion() {
  static TMemoryDataSet* DS = [] {
    TMemoryDataSet* Result = TMemoryDataSet::Create(nullptr);
    Result->GetFieldDefs()->Add("ID", ftInteger);
    Result->GetFieldDefs()->Add("Name", ftString, 30);
    Result->GetFieldDefs()->Add("Amount", ftFloat);
    Result->GetFieldDefs()->Add("Paid", ftBoolean);
    Result->Open();
    TField* ID = Result->FieldByName("ID");
    TField* Name = Result->FieldByName("Name");
    TField* Amount = Result->FieldByName("Amount");
    TField* Paid = Result->FieldByName("Paid");
    for (Integer I = 1; I <= MillionRecords; ++I) {
      Result->Append();
      ID->SetAsInteger(I);
      Name->SetAsString("Customer " + IntToStr(I % 997));
      Amount->SetAsFloat(I * 0.25);
      Paid->SetAsBoolean(I % 3 == 0);
      Result->Post();
    }
    return Result;
  }();
  return DS;
}

// The footer's loop: one field, found once, read on every record.
Double SumOf(TDataSet* DS, TField* Field) {
  TDisableControlsGuard Disabled(DS);
  Double Sum = 0;
  for (DS->First(); !DS->GetEof(); DS->Next()) Sum += Field->GetAsFloat();
  return Sum;
}

// The same loop written the short way, finding the field by name on every
// record.
Double SumByName(TDataSet* DS, const String& FieldName) {
  TDisableControlsGuard Disabled(DS);
  Double Sum = 0;
  for (DS->First(); !DS->GetEof(); DS->Next()) Sum += DS->FieldByName(FieldName)->GetAsFloat();
  return Sum;
}

// Walks DS with a window of Buffers records (a grid's link, its controls disabled).
void Walk(benchmark::State& State, TDataSet* DS, const char* FieldName, Integer Buffers,
          bool ByName = false) {
  TDataSource* Source = TDataSource::Create(nullptr);
  TDataLink* Link = TDataLink::Create();
  Link->SetBufferCount(Buffers);
  Link->SetDataSource(Source);
  Source->SetDataSet(DS);
  TField* Field = DS->FieldByName(FieldName);
  const Integer Rows = DS->GetRecordCount();
  for (auto _ : State)
    benchmark::DoNotOptimize(ByName ? SumByName(DS, FieldName) : SumOf(DS, Field));
  State.SetItemsProcessed(State.iterations() * Rows);
  State.counters["ns_per_row"] = benchmark::Counter(
      double(State.iterations()) * Rows, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  Link->Free();
  Source->Free();
}

void BM_WalkCoreOnly(benchmark::State& State) {
  TCountingDataSet* DS = TCountingDataSet::Create(nullptr);
  DS->Open();
  Walk(State, DS, "N", Integer(State.range(0)));
  DS->Free();
}

void BM_WalkMemory(benchmark::State& State) {
  Walk(State, MakeMillion(), "Amount", Integer(State.range(0)));
}

void BM_WalkMemoryByName(benchmark::State& State) {
  Walk(State, MakeMillion(), "Amount", 1, true);
}

}  // namespace

BENCHMARK(BM_WalkCoreOnly)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkMemory)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkMemoryByName)->Unit(benchmark::kMillisecond);
