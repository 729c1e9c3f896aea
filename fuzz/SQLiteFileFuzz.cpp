// Fuzz target: arbitrary bytes written as an SQLite database file and opened by
// the dataset on table "t", then walked both ways, counted, searched and
// edited. A damaged file raises clean exceptions of the library; it never
// crashes, hangs or leaks, and the dataset can always be closed.
// Built and run by scripts/run-fuzz (not by the test command).
#include <sqlite3.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "platform/db/DB.h"

using namespace kvp;

namespace {

const String& ScratchFile() {
  static const String File = [] {
    sqlite3_hard_heap_limit64(64 << 20);
    return (std::filesystem::temp_directory_path() /
            ("kv_fuzz_file_" + std::to_string(::getpid()) + ".sqlite"))
        .string();
  }();
  return File;
}

void ReadShown(TDataSet* DS) {
  for (TField* Field : *DS->GetFields()) {
    try {
      (void)Field->GetDisplayText();
      (void)Field->GetAsString();
    } catch (const Exception&) {
      // A value its field cannot show: the field says so.
    }
  }
}

void Exercise(TSQLiteDataSet* DS) {
  DS->Open();
  Integer Rows = 0;
  for (DS->First(); !DS->GetEof() && Rows < 300; DS->Next(), ++Rows) ReadShown(DS);
  DS->Last();
  ReadShown(DS);
  DS->MoveBy(-5);
  const TBookmark Mark = DS->GetBookmark();
  (void)DS->GetRecordCount();
  (void)DS->GetRecNo();
  DS->First();
  if (!Mark.empty()) DS->GotoBookmark(Mark);
  if (!DS->IsEmpty() && DS->GetCanModify() && DS->GetFieldCount() > 0) {
    DS->Edit();
    DS->GetFields()->GetField(0)->SetAsString("1");
    DS->Post();
  }
  DS->Refresh();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size > 64 * 1024) return 0;
  const String& File = ScratchFile();
  if (std::FILE* Out = std::fopen(File.c_str(), "wb")) {
    std::fwrite(Data, 1, Size, Out);
    std::fclose(Out);
  }
  std::remove((File + "-journal").c_str());
  TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
  DS->SetDatabaseName(File);
  DS->SetTableName("t");
  try {
    Exercise(DS.get());
  } catch (const Exception&) {
    // A damaged file: a clean error, and the dataset closes below.
  }
  DS->Close();
  if (DS->GetActive()) __builtin_trap();
  return 0;
}
