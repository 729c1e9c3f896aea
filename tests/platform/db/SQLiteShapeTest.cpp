// The SQLite dataset over tables of random shapes, changed by the dataset and
// by another connection between its steps, compared with the file after every
// step (SQLiteShapeDriver.h; the fuzz target SQLiteShapeFuzz runs the same
// driver on inputs it evolves).

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "SQLiteShapeDriver.h"
#include "SQLiteTestUtil.h"

namespace kvp::test {
namespace {

TEST(SQLiteShapes, RandomTablesAndStepsKeepTheDatasetAndTheFileAlike) {
  TTempDatabase Db("shapes");
  std::mt19937 Random(20261207);
  for (int Run = 0; Run < 250; ++Run) {
    std::vector<std::uint8_t> Bytes(300);
    for (auto& Byte : Bytes) Byte = std::uint8_t(Random());
    const String Fault = shape_test::TShapeRun(Db.File, Bytes.data(), Bytes.size()).Run();
    ASSERT_EQ(Fault, "") << "run " << Run;
  }
}

// The fuzz target's seeds, among them inputs that found faults.
TEST(SQLiteShapes, TheFuzzSeedsKeepTheDatasetAndTheFileAlike) {
  const char* Source = std::getenv("KV_SOURCE_DIR");
  ASSERT_NE(Source, nullptr) << "ctest sets KV_SOURCE_DIR";
  TTempDatabase Db("shapeseeds");
  Integer Seeds = 0;
  for (const auto& Entry :
       std::filesystem::directory_iterator(String(Source) + "/fuzz/seeds/SQLiteShapeFuzz")) {
    const String Bytes = FileBytes(Entry.path().string());
    const String Fault =
        shape_test::TShapeRun(Db.File, reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                              Bytes.size())
            .Run();
    EXPECT_EQ(Fault, "") << Entry.path().filename();
    ++Seeds;
  }
  EXPECT_GE(Seeds, 5);
}

}  // namespace
}  // namespace kvp::test
