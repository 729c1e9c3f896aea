// Fuzz target: arbitrary text applied as the filter of a small in-memory
// dataset (text, numbers, dates, Booleans, nulls, a quote inside a value). The
// first byte chooses the filter options. A filter is either refused with a
// database error, and then the old filter still applies unchanged, or applied,
// and then a walk over the dataset sees exactly the records it counts. Any
// other exception, a crash, a hang or a leak is a fault.
// Built and run by scripts/run-fuzz (not by the test command).
#include <cstddef>
#include <cstdint>

#include "platform/db/DB.h"

using namespace kvp;

namespace {

TMemoryDataSet* MakeDataSet() {
  TMemoryDataSet* DS = TMemoryDataSet::Create(nullptr);
  DS->SetName("Fuzz");
  TFieldDefs* Defs = DS->GetFieldDefs();
  Defs->Add("ID", ftInteger);
  Defs->Add("Name", ftString, 20);
  Defs->Add("City", ftString, 20);
  Defs->Add("Amount", ftFloat);
  Defs->Add("Born", ftDate);
  Defs->Add("Paid", ftBoolean);
  Defs->Add("Any", ftVariant);
  DS->Open();
  DS->AppendRecord({1, "O'Brien", "Dublin", 12.5, VarFromDateTime(30000), true, "abc"});
  DS->AppendRecord({2, "Émile", "Paris", -3, VarFromDateTime(40000), false, 7});
  DS->AppendRecord({3, "anna", Null(), 0, Null(), Null(), Null()});
  DS->AppendRecord({4, "Bob*", "Paris", 1e300, VarFromDateTime(1), true, 2.5});
  DS->AppendRecord({5, Null(), "Wien", Null(), VarFromDateTime(-700), false, "7"});
  return DS;
}

Integer Walk(TDataSet* DS) {
  Integer Count = 0;
  for (DS->First(); !DS->GetEof(); DS->Next()) ++Count;
  return Count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  TFilterOptions Options;
  if (Data[0] & 1) Options.Include(foCaseInsensitive);
  if (Data[0] & 2) Options.Include(foNoPartialCompare);
  const String Text(reinterpret_cast<const char*>(Data + 1), Size - 1);
  TMemoryDataSet* DS = MakeDataSet();
  DS->SetFilterOptions(Options);
  DS->SetFilter("City = 'Paris'");
  DS->SetFiltered(true);
  const Integer Before = DS->GetRecordCount();
  try {
    DS->SetFilter(Text);
    if (DS->GetFilter() != Text) __builtin_trap();
  } catch (const EDatabaseError&) {
    if (DS->GetFilter() != "City = 'Paris'" || DS->GetRecordCount() != Before) __builtin_trap();
  } catch (...) {
    __builtin_trap();  // only the parser's error may escape
  }
  if (Walk(DS) != DS->GetRecordCount()) __builtin_trap();
  DS->CheckConsistency();
  DS->Free();
  return 0;
}
