// One quiet evaluation as an embedding program makes it: the call's own cost
// (taking the library's lock included) on top of parsing a short text.
#include <benchmark/benchmark.h>

#include "eval/evaluate.h"

using namespace ziffralon;

namespace {

void bench_evaluate_string(benchmark::State& state) {
  double result = 0.0;
  evaluate_string("x = 2", result);
  for (auto _ : state) {
    bool succeeded = evaluate_string("x * 3 + 1", result);
    benchmark::DoNotOptimize(succeeded);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(bench_evaluate_string);
