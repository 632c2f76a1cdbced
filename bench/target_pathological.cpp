#include <cstdio>

#include "process_run.h"
#include "report.h"
#include "targets.h"
#include "workload_files.h"
#include "workloads.h"

namespace {

constexpr int PATHOLOGICAL_ROUNDS = 5;
constexpr long SIZE_STEP = 4;  // each input is also run at a quarter of its size
constexpr int NESTING_DEPTH = 9995;
constexpr long LISTING_PRELUDE_LINES = 10;
constexpr long REFERENCE_BATCH_LINES = 500'000;
// Linear work keeps time / size flat between the quarter and the full input.
constexpr double GROWTH_ALLOWED = 1.5;
// Per byte read or written, an odd input may cost this many times a typical
// batch. Bytes written count too: a two-byte '#' line rightly prints a dozen
// lines, and is slow per byte read only for that.
constexpr double SLOWNESS_ALLOWED = 10.0;

struct OddInput {
  const char* name;
  long full_count;  // bytes for the long sum, lines otherwise
  void (*write)(std::FILE* out, long count);
  long (*line_count)(long count);
};

long one_line(long) { return 1; }
long same_lines(long count) { return count; }
long listing_lines(long count) { return count + LISTING_PRELUDE_LINES; }
long help_lines(long count) { return count + HELP_PRELUDE_VARIABLES; }

const OddInput ODD_INPUTS[] = {
    {"one long sum line", 100'000'000, write_long_sum, one_line},
    {"'#' lines after ten variables", 1'000'000, write_listing_lines, listing_lines},
    {"'?' lines after 100,000 variables", 20'000, write_help_lines, help_lines},
    {"9995 nested parentheses", 2'000, [](std::FILE* out, long n) { write_nested_lines(out, n, NESTING_DEPTH); },
     same_lines},
    {"literals of 300-349 chars", 50'000, write_long_literal_lines, same_lines},
    {"2147483647!", 1'000'000, [](std::FILE* out, long n) { write_repeated_lines(out, n, "2147483647!"); },
     same_lines},
    {"2147483647~1073741823", 1'000'000,
     [](std::FILE* out, long n) { write_repeated_lines(out, n, "2147483647~1073741823"); }, same_lines},
};

struct OddTiming {
  RunSeries full;
  RunSeries quarter;
  long full_bytes;
  long quarter_bytes;
  long output_bytes;  // written for the full input
};

OddTiming time_odd_input(const BenchRun& run, const OddInput& input, int index) {
  const BenchSetup& setup = run.setup;
  long full = scaled(setup, input.full_count, SIZE_STEP);
  long quarter = full / SIZE_STEP;
  std::string full_path = create_workload(setup, format_text("odd%d_full.txt", index),
                                          [&](std::FILE* out) { input.write(out, full); });
  std::string quarter_path = create_workload(setup, format_text("odd%d_quarter.txt", index),
                                             [&](std::FILE* out) { input.write(out, quarter); });
  const char* argv[] = {setup.ziffralon.c_str(), nullptr};
  OddTiming timing{{}, {}, file_size(full_path), file_size(quarter_path), count_output_bytes(argv, full_path)};
  for (int round = 0; round < PATHOLOGICAL_ROUNDS; ++round) {
    add_run(timing.full, run_program(argv, full_path));
    add_run(timing.quarter, run_program(argv, quarter_path));
  }
  return timing;
}

void judge_odd_input(BenchRun& run, const OddInput& input, const OddTiming& timing) {
  double full_seconds = median_seconds(timing.full);
  double growth = (full_seconds / median_seconds(timing.quarter)) /
                  (static_cast<double>(timing.full_bytes) / static_cast<double>(timing.quarter_bytes));
  double per_byte = full_seconds / static_cast<double>(timing.full_bytes);
  double per_io_byte = full_seconds / static_cast<double>(timing.full_bytes + timing.output_bytes);
  const BenchFigures& batch = run.figures;
  double read_slowness = batch.batch_seconds_per_byte > 0 ? per_byte / batch.batch_seconds_per_byte : 0;
  double slowness = batch.batch_seconds_per_io_byte > 0 ? per_io_byte / batch.batch_seconds_per_io_byte : 0;
  long lines = input.line_count(scaled(run.setup, input.full_count, SIZE_STEP));
  std::printf("  %s: %ld B in, %ld B out, %ld lines, median %.4f s\n", input.name, timing.full_bytes,
              timing.output_bytes, lines, full_seconds);
  std::printf("      %sB/s read, %slines/s; growth %.2f; time per byte read %.2fx batch, per byte read+written %.2fx\n",
              si_amount(1 / per_byte).c_str(), si_amount(static_cast<double>(lines) / full_seconds).c_str(), growth,
              read_slowness, slowness);
  bool ran = timing.full.all_succeeded && timing.quarter.all_succeeded && timing.output_bytes >= 0;
  bool passed = ran && growth <= GROWTH_ALLOWED && slowness <= SLOWNESS_ALLOWED;
  std::string verdict = !ran ? "a run failed or timed out"
                        : growth > GROWTH_ALLOWED ? "SUPERLINEAR"
                        : slowness > SLOWNESS_ALLOWED ? "SLOW PER BYTE"
                                                      : "linear, not slow";
  record_target(run, format_text("(4) %s", input.name), passed,
                format_text("%s (growth %.2f <= %.1f; per byte read+written %.2f <= %.0f times batch)", verdict.c_str(), growth,
                            GROWTH_ALLOWED, slowness, SLOWNESS_ALLOWED));
}

// When the batch benchmark did not run, a smaller typical batch gives the
// per-byte yardstick instead.
void measure_reference_batch(BenchRun& run) {
  const BenchSetup& setup = run.setup;
  long lines = scaled(setup, REFERENCE_BATCH_LINES);
  std::string path = create_workload(setup, "odd_reference.txt", [&](std::FILE* out) { write_batch_lines(out, lines); });
  const char* argv[] = {setup.ziffralon.c_str(), nullptr};
  RunSeries series;
  for (int round = 0; round < PATHOLOGICAL_ROUNDS; ++round) add_run(series, run_program(argv, path));
  print_rate("reference batch", series, static_cast<double>(lines), "lines");
  double input_bytes = static_cast<double>(file_size(path));
  double output_bytes = static_cast<double>(count_output_bytes(argv, path));
  run.figures.batch_seconds_per_byte = median_seconds(series) / input_bytes;
  run.figures.batch_seconds_per_io_byte = median_seconds(series) / (input_bytes + output_bytes);
}

}  // namespace

void bench_pathological(BenchRun& run) {
  print_heading(format_text("(4) Odd inputs, full and quarter size, %d interleaved rounds; growth = "
                            "(time per byte at full size) / (time per byte at a quarter)",
                            PATHOLOGICAL_ROUNDS));
  if (run.figures.batch_seconds_per_io_byte <= 0) measure_reference_batch(run);
  int index = 0;
  for (const OddInput& input : ODD_INPUTS) {
    judge_odd_input(run, input, time_odd_input(run, input, index));
    ++index;
  }
}
