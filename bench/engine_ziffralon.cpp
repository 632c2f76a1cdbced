// ZIFFRALON in an interpreter of the benchmark's own, with the host variables
// bound: each formula compiled once and run (as machine code where the
// processor has a back-end, and on the bytecode machine), the same text
// evaluated (parsed again on every call), and the time compiling takes. Then interpreters of their own in one thread
// and in two, each running every compiled formula, for the throughput.
#include <ziffralon/ziffralon.h>

#include <memory>
#include <vector>

#include "engines.h"
#include "eval/program.h"

namespace ziffralon_bench {

namespace {

using InterpreterHandle = std::unique_ptr<ziffralon_interpreter, decltype(&ziffralon_interpreter_free)>;
using ProgramHandle = std::unique_ptr<ziffralon_program, decltype(&ziffralon_program_free)>;

InterpreterHandle interpreter_bound_to(HostVariables& values) {
  InterpreterHandle interpreter(ziffralon_interpreter_new(), ziffralon_interpreter_free);
  for (const HostVariable& variable : HOST_VARIABLES)
    ziffralon_interpreter_bind_variable(interpreter.get(), variable.name, &(values.*variable.member));
  return interpreter;
}

ProgramHandle compile(ziffralon_interpreter* interpreter, const Formula& formula) {
  long error_offset = 0;
  return ProgramHandle(ziffralon_compile(interpreter, formula.text, &error_offset), ziffralon_program_free);
}

void run_compiled(benchmark::State& state, const Formula& formula, bool bytecode) {
  HostVariables values = starting_variables();
  InterpreterHandle interpreter = interpreter_bound_to(values);
  ProgramHandle program = compile(interpreter.get(), formula);
  if (program && bytecode)
    ziffralon::program_drop_machine_code(*reinterpret_cast<ziffralon::CompiledProgram*>(program.get()));
  double result = 0.0;
  if (!program || !ziffralon_run(program.get(), &result)) return state.SkipWithError("does not compile or run");
  if (!matches_native(state, formula, result)) return;
  for (auto _ : state) {
    advance(values);
    int succeeded = ziffralon_run(program.get(), &result);
    benchmark::DoNotOptimize(succeeded);
    benchmark::DoNotOptimize(result);
  }
}

void compiled(benchmark::State& state, const Formula& formula) { run_compiled(state, formula, false); }
void bytecode(benchmark::State& state, const Formula& formula) { run_compiled(state, formula, true); }

// Compiling and freeing, machine code included; the table shows it in µs,
// and the bytes of machine code a program holds.
void compiling(benchmark::State& state, const Formula& formula) {
  HostVariables values = starting_variables();
  InterpreterHandle interpreter = interpreter_bound_to(values);
  std::size_t code_bytes = 0;
  for (auto _ : state) {
    ProgramHandle program = compile(interpreter.get(), formula);
    if (!program) return state.SkipWithError("does not compile");
    const auto& inside = *reinterpret_cast<ziffralon::CompiledProgram*>(program.get());
    code_bytes = inside.machine.block.size + inside.reading.block.size;
  }
  state.counters["code_bytes"] = static_cast<double>(code_bytes);
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

// Every thread has its own interpreter, variables and programs; one
// iteration runs every formula once.
void compiled_in_threads(benchmark::State& state) {
  HostVariables values = starting_variables();
  InterpreterHandle interpreter = interpreter_bound_to(values);
  std::vector<ProgramHandle> programs;
  for (const Formula& formula : FORMULAS) programs.push_back(compile(interpreter.get(), formula));
  for (auto _ : state) {
    advance(values);
    for (const ProgramHandle& program : programs) {
      double result = 0.0;
      int succeeded = ziffralon_run(program.get(), &result);
      benchmark::DoNotOptimize(succeeded);
      benchmark::DoNotOptimize(result);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(programs.size()));
}

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
  register_formula_benchmarks("compiled", compiled);
  register_formula_benchmarks("bytecode", bytecode);
  register_formula_benchmarks("compile", compiling);
  register_formula_benchmarks("uncompiled", uncompiled);
  benchmark::RegisterBenchmark("threads/compiled", compiled_in_threads)->Threads(1)->Threads(2)->UseRealTime();
  benchmark::RegisterBenchmark("threads/uncompiled", uncompiled_in_threads)->Threads(1)->Threads(2)->UseRealTime();
}

}  // namespace ziffralon_bench
