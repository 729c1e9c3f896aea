// Fuzz target: arbitrary text as the filter of an SQLite dataset on a small
// table. The filter is refused with EDatabaseError (the old one kept, its rows
// still shown) or applied as one condition: never more rows than the table
// holds, each once, as many as RecordCount says. Never a crash or a leak.
// Built and run by scripts/run-fuzz (not by the test command).
#include <sqlite3.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>

#include "platform/db/DB.h"

using namespace kvp;

namespace {

constexpr Integer TableRows = 40;

// The table, written once per run into a file of this process.
const String& TableFile() {
  static const String File = [] {
    const String Name = (std::filesystem::temp_directory_path() /
                         ("kv_fuzz_filter_" + std::to_string(::getpid()) + ".sqlite"))
                            .string();
    std::remove(Name.c_str());
    sqlite3* DB = nullptr;
    sqlite3_open(Name.c_str(), &DB);
    sqlite3_exec(DB,
                 "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT, amount REAL, "
                 "day DATE, flag BOOLEAN);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
                 "INSERT INTO items SELECT i, 'item ' || i, i * 1.5, '2024-01-' || (10 + i % 20), "
                 "i % 2 FROM n;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(DB);
    // A runaway condition ends as an out-of-memory error, not a killed run.
    sqlite3_hard_heap_limit64(64 << 20);
    return Name;
  }();
  return File;
}

// Conditions that only cost time (a recursive query, a join of the table with
// itself many times) are the user's to write and are left out here.
bool TooSlowToRun(const String& Text) {
  const String Upper = UpperCase(Text);
  Integer Selects = 0;
  for (std::size_t At = Upper.find("SELECT"); At != String::npos; At = Upper.find("SELECT", At + 1))
    ++Selects;
  return Selects > 2 || Upper.find("WITH") != String::npos || Upper.find("BLOB") != String::npos ||
         Upper.find("PRINTF") != String::npos || Upper.find("FORMAT") != String::npos ||
         Upper.find("REPLACE") != String::npos || Upper.find("CHAR(") != String::npos;
}

struct TWalk {
  Integer Rows = 0;
  bool Repeated = false;
};

TWalk Walk(TSQLiteDataSet* DS) {
  TWalk Result;
  std::set<Integer> Seen;
  for (DS->First(); !DS->GetEof() && Result.Rows <= TableRows; DS->Next()) {
    ++Result.Rows;
    if (!Seen.insert(DS->FieldByName("id")->GetAsInteger()).second) Result.Repeated = true;
  }
  return Result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size > 300) return 0;
  const String Text(reinterpret_cast<const char*>(Data), Size);
  if (TooSlowToRun(Text)) return 0;
  TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(TableFile());
  DS->SetTableName("items");
  DS->Open();
  DS->SetFilter("amount > 30");
  DS->SetFiltered(true);
  bool Applied = true;
  try {
    DS->SetFilter(Text);
  } catch (const EDatabaseError&) {
    Applied = false;
  }
  if (!Applied && DS->GetFilter() != "amount > 30") __builtin_trap();
  const TWalk Shown = Walk(DS.get());
  if (Shown.Rows > TableRows || Shown.Repeated) __builtin_trap();
  if (Shown.Rows != DS->GetRecordCount()) __builtin_trap();
  if (!Applied && Shown.Rows != 20) __builtin_trap();
  DS->Last();
  if (Shown.Rows > 0 && DS->GetRecNo() != Shown.Rows) __builtin_trap();
  return 0;
}
