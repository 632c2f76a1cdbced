// Long texts in an interpreter of a host's own: evaluating and compiling must
// grow with the text, not with its square. Each case runs at two sizes, ten
// times apart, so that the time per byte can be compared.
#include <ziffralon/ziffralon.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

// `v0+v1+...`: every name new.
std::string new_names(long count) {
  std::string text;
  for (long i = 0; i < count; ++i) text += (i ? "+v" : "v") + std::to_string(i);
  return text;
}

// `1+1+...+1`.
std::string literals(long count) {
  std::string text = "1";
  for (long i = 1; i < count; ++i) text += "+1";
  return text;
}

void bench_compile_new_names(benchmark::State& state) {
  std::string text = new_names(state.range(0));
  for (auto _ : state) {
    ziffralon::Interpreter in;  // fresh, so that every name is new
    ziffralon::Program program(in, text.c_str());
    benchmark::DoNotOptimize(program.handle());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
}

void bench_evaluate_new_names(benchmark::State& state) {
  std::string text = new_names(state.range(0));
  for (auto _ : state) {
    ziffralon::Interpreter in;
    double result = 0;
    benchmark::DoNotOptimize(in.evaluate(text.c_str(), result));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
}

void bench_evaluate_literals(benchmark::State& state) {
  std::string text = literals(state.range(0));
  ziffralon::Interpreter in;
  for (auto _ : state) {
    double result = 0;
    benchmark::DoNotOptimize(in.evaluate(text.c_str(), result));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
}

void bench_compile_literals(benchmark::State& state) {
  std::string text = literals(state.range(0));
  ziffralon::Interpreter in;
  for (auto _ : state) {
    ziffralon::Program program(in, text.c_str());
    benchmark::DoNotOptimize(program.handle());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
}

}  // namespace

BENCHMARK(bench_compile_new_names)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(bench_evaluate_new_names)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(bench_evaluate_literals)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(bench_compile_literals)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
