// ZIFFRALON in an interpreter of the benchmark's own, with the host variables
// bound: each text evaluated (parsed again on every call). Then interpreters of
// their own in one thread and in two, each evaluating every formula, for the
// throughput.
#include <ziffralon/ziffralon.h>

#include <memory>

#include "engines.h"

namespace ziffralon_bench {

namespace {

using InterpreterHandle = std::unique_ptr<ziffralon_interpreter, decltype(&ziffralon_interpreter_free)>;

InterpreterHandle interpreter_bound_to(HostVariables& values) {
  InterpreterHandle interpreter(ziffralon_interpreter_new(), ziffralon_interpreter_free);
  for (const HostVariable& variable : HOST_VARIABLES)
    ziffralon_interpreter_bind_variable(interpreter.get(), variable.name, &(values.*variable.member));
  return interpreter;
}

void uncompiled(benchmark::State& state, const Formula& formula) {
  HostVariables values = starting_variables();
  InterpreterHandle interpreter = interpreter_bound_to(values);
  double result = 0.0;
  if (!ziffralon_interpreter_evaluate(interpreter.get(), formula.text, &result, nullptr))
    return state.SkipWithError("does not evaluate");
  if (!matches_native(state, formula, result)) return;
  for (auto _ : state) {
    advance(values);
    int succeeded = ziffralon_interpreter_evaluate(interpreter.get(), formula.text, &result, nullptr);
    benchmark::DoNotOptimize(succeeded);
    benchmark::DoNotOptimize(result);
  }
}

// Every thread has its own interpreter and variables; one iteration evaluates
// every formula once.
void uncompiled_in_threads(benchmark::State& state) {
  HostVariables values = starting_variables();
  InterpreterHandle interpreter = interpreter_bound_to(values);
  for (auto _ : state) {
    advance(values);
    for (const Formula& formula : FORMULAS) {
      double result = 0.0;
      int succeeded = ziffralon_interpreter_evaluate(interpreter.get(), formula.text, &result, nullptr);
      benchmark::DoNotOptimize(succeeded);
      benchmark::DoNotOptimize(result);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(FORMULAS.size()));
}

}  // namespace

void register_ziffralon_benchmarks() {
  register_formula_benchmarks("uncompiled", uncompiled);
  benchmark::RegisterBenchmark("threads/uncompiled", uncompiled_in_threads)->Threads(1)->Threads(2)->UseRealTime();
}

}  // namespace ziffralon_bench
