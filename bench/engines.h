// The compiled-formula benchmark: every formula of formulas.cpp, evaluated by
// each engine under the name ENGINE/GROUP/NUMBER, with the host variables
// moving before every call. bench/compiled_table.py turns the results into
// the comparison table.
#pragma once

#include <benchmark/benchmark.h>

#include "formulas.h"

namespace ziffralon_bench {

using FormulaBenchmark = void (*)(benchmark::State&, const Formula&);

// One benchmark per formula for which `wanted` holds (all when it is null).
void register_formula_benchmarks(const char* engine, FormulaBenchmark benchmark,
                                 bool (*wanted)(const Formula&) = nullptr);

// Marks the benchmark failed, and returns false, when an engine's value at the
// starting variables is not the native one: a column that computes something
// else must not count.
bool matches_native(benchmark::State& state, const Formula& formula, double value);

void register_native_benchmarks();
void register_ziffralon_benchmarks();
// muparser when the build found it; otherwise a message that its column is missing.
void register_peer_benchmarks();

}  // namespace ziffralon_bench
