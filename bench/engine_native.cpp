// The floor: each formula as C++ the compiler optimised. It is called through
// the table's function pointer, as the other engines are called through theirs,
// and reads the variables from memory that moved since the last call, so it
// cannot keep anything from one call to the next.
#include "engines.h"

namespace ziffralon_bench {

namespace {

void native(benchmark::State& state, const Formula& formula) {
  HostVariables values = starting_variables();
  for (auto _ : state) {
    advance(values);
    double result = formula.native(values);
    benchmark::DoNotOptimize(result);
  }
}

}  // namespace

void register_native_benchmarks() { register_formula_benchmarks("native", native); }

}  // namespace ziffralon_bench
