// One typical line through the whole console path: reader, scanner, parser,
// evaluation and rendering, with the output discarded. The line set comes
// from the batch workload, so the variables it creates are reused on every
// pass rather than accumulated.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/console_io.h"
#include "core/interpreter.h"
#include "core/symbols.h"
#include "workloads.h"

using namespace ziffralon;

namespace {

constexpr long LINES_PER_PASS = 1000;

void discard_output(const char*, std::size_t) {}

std::string batch_text(long lines) {
  char* data = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&data, &size);
  write_batch_lines(out, lines);
  std::fclose(out);
  std::string text(data, size);
  std::free(data);
  return text;
}

void bench_parse_line(benchmark::State& state) {
  static const std::string text = batch_text(LINES_PER_PASS);
  install_initial_symbols(default_interpreter);
  console_set_output_sink(discard_output);
  for (auto _ : state) {
    console_read_from_memory(text.data(), text.size());
    benchmark::DoNotOptimize(run_console_session(default_interpreter));
  }
  console_set_output_sink(nullptr);
  state.SetItemsProcessed(state.iterations() * LINES_PER_PASS);
  state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
}

}  // namespace

// Time is per pass of LINES_PER_PASS lines; items/s are lines per second.
BENCHMARK(bench_parse_line);
