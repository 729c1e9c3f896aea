// The `orders` databases the benchmarks share with the Qt peer harness: made by
// its generator (../shared/peers/qt/gen_orders.cpp), so that both sides read
// byte-identical files. scripts/bench-vs-qt makes them; a benchmark whose file
// is missing skips with a message naming the command.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kvbench {

// The folder of orders_N.db: $KV_ORDERS_DIR, else the peer harness's default.
inline std::string OrdersDir() {
  const char* Dir = std::getenv("KV_ORDERS_DIR");
  return Dir && *Dir ? Dir : "/tmp/peers";
}

inline std::string OrdersDbPath(long Rows) {
  return OrdersDir() + "/orders_" + std::to_string(Rows) + ".db";
}

// The path of orders_N.db, or empty after telling the state to skip.
inline std::string OrdersDbOrSkip(benchmark::State& State, long Rows) {
  std::string Path = OrdersDbPath(Rows);
  if (!std::filesystem::exists(Path)) {
    State.SkipWithError(("missing " + Path + ": run scripts/bench-vs-qt, or set KV_ORDERS_DIR").c_str());
    return {};
  }
  return Path;
}

}  // namespace kvbench
