// Scanning a number literal through the console reader, as batch input is read.
#include <benchmark/benchmark.h>

#include <string>

#include "core/console_io.h"
#include "core/interpreter.h"
#include "core/token_source.h"

using namespace ziffralon;

namespace {

constexpr int LITERALS_PER_PASS = 4096;

std::string literal_text() {
  std::string text;
  const char* const literals[] = {"12.375 ", "604 ", "0.5 ", "987.25 "};
  for (int i = 0; i < LITERALS_PER_PASS; ++i) text += literals[i % 4];
  return text;
}

void bench_scan_number(benchmark::State& state) {
  static const std::string text = literal_text();
  default_interpreter.session.console_mode = true;
  console_read_from_memory(text.data(), text.size());
  for (auto _ : state) {
    int token = next_token(default_interpreter);
    if (token == TOK_END) {
      console_read_from_memory(text.data(), text.size());
      token = next_token(default_interpreter);
    }
    benchmark::DoNotOptimize(token);
    benchmark::DoNotOptimize(default_interpreter.tokens.token_value.number);
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(bench_scan_number);
