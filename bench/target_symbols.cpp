#include <cstdio>

#include "process_run.h"
#include "report.h"
#include "targets.h"
#include "workload_files.h"
#include "workloads.h"

namespace {

constexpr long LARGE_SYMBOL_COUNT = 1'000'000;
constexpr long SIZE_STEP = 10;  // the small run has a tenth of the variables
constexpr int SYMBOL_ROUNDS = 9;
constexpr double TIME_FACTOR_ALLOWED = 12.0;
constexpr double BYTES_PER_VARIABLE_ALLOWED = 160.0;
constexpr long KIB = 1024;

// Peak memory beyond the empty run, per variable, less the name and its NUL.
double bytes_per_variable(const RunSeries& series, const RunSeries& empty, long count) {
  double grown = static_cast<double>((median_rss_kib(series) - median_rss_kib(empty)) * KIB);
  return grown / static_cast<double>(count) - (SYMBOL_NAME_LENGTH + 1);
}

}  // namespace

void bench_symbols(BenchRun& run) {
  const BenchSetup& setup = run.setup;
  long large = scaled(setup, LARGE_SYMBOL_COUNT, SIZE_STEP);
  long small = large / SIZE_STEP;
  std::string large_path = create_workload(setup, "symbols_large.txt", [&](std::FILE* out) { write_symbol_lines(out, large); });
  std::string small_path = create_workload(setup, "symbols_small.txt", [&](std::FILE* out) { write_symbol_lines(out, small); });
  std::string empty_path = create_workload(setup, "empty.txt", [](std::FILE*) {});
  print_heading(format_text("(2) Symbol table: %ld vs %ld new variables, %d interleaved rounds", small, large,
                            SYMBOL_ROUNDS));

  const char* argv[] = {setup.ziffralon.c_str(), nullptr};
  RunSeries small_runs, large_runs, empty_runs;
  for (int round = 0; round < SYMBOL_ROUNDS; ++round) {
    add_run(small_runs, run_program(argv, small_path));
    add_run(large_runs, run_program(argv, large_path));
    add_run(empty_runs, run_program(argv, empty_path));
  }
  print_rate("ziffralon (small)", small_runs, static_cast<double>(small), "vars");
  print_rate("ziffralon (large)", large_runs, static_cast<double>(large), "vars");
  std::printf("  max RSS: empty input %ld KiB, small %ld KiB, large %ld KiB\n", median_rss_kib(empty_runs),
              median_rss_kib(small_runs), median_rss_kib(large_runs));
  std::printf("  bytes per variable beyond its %d-byte name: small %.1f, large %.1f\n", SYMBOL_NAME_LENGTH + 1,
              bytes_per_variable(small_runs, empty_runs, small), bytes_per_variable(large_runs, empty_runs, large));

  bool ran = small_runs.all_succeeded && large_runs.all_succeeded && empty_runs.all_succeeded;
  double factor = median_seconds(large_runs) / median_seconds(small_runs);
  record_target(run, "(2) symbol time scaling", ran && factor <= TIME_FACTOR_ALLOWED,
                format_text("%ld variables take %.2f times as long as %ld (need <= %.0f)", large, factor, small,
                            TIME_FACTOR_ALLOWED));
  double bytes = bytes_per_variable(large_runs, empty_runs, large);
  record_target(run, "(2) symbol memory", ran && bytes <= BYTES_PER_VARIABLE_ALLOWED,
                format_text("%.1f bytes per variable beyond its name (need <= %.0f)", bytes,
                            BYTES_PER_VARIABLE_ALLOWED));
}
