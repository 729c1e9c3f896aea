// Number text throughput: footers and exports format thousands of values per
// repaint, and imports read them back.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/rtl/FloatFormat.h"

using namespace kvp;

namespace {

std::vector<double> SampleValues() {
  std::vector<double> Values;
  double V = 0.37;
  for (int I = 0; I < 1000; ++I) {
    Values.push_back(I % 2 ? V : -V);
    V = V * 1.7 + 0.013;
    if (V > 1e9) V /= 1e9;
  }
  return Values;
}

void BM_FormatFloatGrouped(benchmark::State& State) {
  std::vector<double> Values = SampleValues();
  for (auto _ : State)
    for (double V : Values) benchmark::DoNotOptimize(FormatFloat("#,##0.00;(#,##0.00)", V));
  State.SetItemsProcessed(State.iterations() * Values.size());
}
BENCHMARK(BM_FormatFloatGrouped);

void BM_FloatToStr(benchmark::State& State) {
  std::vector<double> Values = SampleValues();
  for (auto _ : State)
    for (double V : Values) benchmark::DoNotOptimize(FloatToStr(V));
  State.SetItemsProcessed(State.iterations() * Values.size());
}
BENCHMARK(BM_FloatToStr);

void BM_StrToFloat(benchmark::State& State) {
  std::vector<String> Texts;
  for (double V : SampleValues()) Texts.push_back(FloatToStr(V));
  for (auto _ : State)
    for (const String& S : Texts) benchmark::DoNotOptimize(StrToFloat(S));
  State.SetItemsProcessed(State.iterations() * Texts.size());
}
BENCHMARK(BM_StrToFloat);

}  // namespace
