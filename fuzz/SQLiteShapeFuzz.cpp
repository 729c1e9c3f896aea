// Fuzz target: bytes choose an SQLite table of any shape (declared types, keys,
// columns named like the row id, without row ids), its rows, and steps of the
// dataset and of another connection on the same file; after every step the
// dataset is compared with the file (tests/platform/db/SQLiteShapeDriver.h).
// A difference traps. Built and run by scripts/run-fuzz.
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "tests/platform/db/SQLiteShapeDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size > 4096) return 0;
  static const kvp::String File =
      (std::filesystem::temp_directory_path() /
       ("kv_fuzz_shape_" + std::to_string(::getpid()) + ".sqlite"))
          .string();
  const kvp::String Fault = kvp::shape_test::TShapeRun(File, Data, Size).Run();
  if (!Fault.empty()) {
    std::fprintf(stderr, "%s\n", Fault.c_str());
    __builtin_trap();
  }
  return 0;
}
