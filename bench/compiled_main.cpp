#include <string>

#include "engines.h"

namespace ziffralon_bench {

void register_formula_benchmarks(const char* engine, FormulaBenchmark benchmark, bool (*wanted)(const Formula&)) {
  for (std::size_t number = 0; number < FORMULAS.size(); ++number) {
    const Formula& formula = FORMULAS[number];
    if (wanted && !wanted(formula)) continue;
    std::string name = std::string(engine) + "/" + formula.group + "/" + std::to_string(number);
    benchmark::RegisterBenchmark(name.c_str(), [&formula, benchmark](benchmark::State& state) {
      state.SetLabel(formula.text);
      benchmark(state, formula);
    });
  }
}

bool matches_native(benchmark::State& state, const Formula& formula, double value) {
  double native = formula.native(starting_variables());
  if (agrees_with_native(value, native)) return true;
  std::string message = std::string(formula.text) + " gives " + std::to_string(value) + ", natively " +
                        std::to_string(native);
  state.SkipWithError(message.c_str());
  return false;
}

}  // namespace ziffralon_bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ziffralon_bench::register_native_benchmarks();
  ziffralon_bench::register_ziffralon_benchmarks();
  ziffralon_bench::register_peer_benchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
