// Rendering: every result line the calculator prints goes through render_number.
#include <benchmark/benchmark.h>

#include "core/render.h"

using namespace ziffralon;

namespace {

constexpr int RESULT_DIGITS = 10;
// The kinds of results a session prints: short decimals, long fractions,
// large and tiny magnitudes, negatives.
const double SAMPLE_VALUES[] = {1.5, 3.141592653589793, -2.75e-7, 1234567.125, 0.1, 1e20, 42.0, 1.0 / 3.0};
constexpr std::size_t SAMPLE_COUNT = sizeof SAMPLE_VALUES / sizeof SAMPLE_VALUES[0];

void bench_render_number(benchmark::State& state) {
  char buffer[RENDER_BUFFER_SIZE];
  std::size_t i = 0;
  for (auto _ : state) {
    std::size_t length = render_number(SAMPLE_VALUES[i], RESULT_DIGITS, buffer);
    benchmark::DoNotOptimize(length);
    benchmark::DoNotOptimize(buffer);
    i = i + 1 == SAMPLE_COUNT ? 0 : i + 1;
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(bench_render_number);
