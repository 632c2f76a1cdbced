#include <cstdio>

#include "process_run.h"
#include "report.h"
#include "targets.h"
#include "workload_files.h"
#include "workloads.h"

namespace {

constexpr long BATCH_LINES = 2'000'000;
// bc is far slower; it gets the first tenth of the same lines.
constexpr long BC_LINES = 200'000;
constexpr int BATCH_ROUNDS = 7;
constexpr double FLOOR_SHARE_NEEDED = 0.5;
constexpr double BC_FACTOR_NEEDED = 6.0;

}  // namespace

void bench_batch(BenchRun& run) {
  const BenchSetup& setup = run.setup;
  long lines = scaled(setup, BATCH_LINES);
  long bc_lines = scaled(setup, BC_LINES);
  std::string batch = create_workload(setup, "batch.txt", [&](std::FILE* out) { write_batch_lines(out, lines); });
  std::string bc_batch = create_workload(setup, "batch_bc.txt", [&](std::FILE* out) { write_batch_lines(out, bc_lines); });
  bool have_bc = program_available("bc");
  print_heading(format_text("(1) Batch throughput: %ld typical lines (%ld bytes), %d interleaved rounds", lines,
                            file_size(batch), BATCH_ROUNDS));

  const char* ziffralon_argv[] = {setup.ziffralon.c_str(), nullptr};
  const char* floor_argv[] = {setup.floor.c_str(), nullptr};
  const char* bc_argv[] = {"bc", "-l", nullptr};
  RunSeries ziffralon, floor, bc;
  for (int round = 0; round < BATCH_ROUNDS; ++round) {
    add_run(ziffralon, run_program(ziffralon_argv, batch));
    add_run(floor, run_program(floor_argv, batch));
    if (have_bc) add_run(bc, run_program(bc_argv, bc_batch));
  }
  print_rate("ziffralon", ziffralon, static_cast<double>(lines), "lines");
  print_rate("floor", floor, static_cast<double>(lines), "lines");
  if (have_bc) print_rate("bc -l", bc, static_cast<double>(bc_lines), "lines");

  double ziffralon_rate = static_cast<double>(lines) / median_seconds(ziffralon);
  double floor_rate = static_cast<double>(lines) / median_seconds(floor);
  double input_bytes = static_cast<double>(file_size(batch));
  double output_bytes = static_cast<double>(count_output_bytes(ziffralon_argv, batch));
  run.figures.batch_seconds_per_byte = median_seconds(ziffralon) / input_bytes;
  run.figures.batch_seconds_per_io_byte = median_seconds(ziffralon) / (input_bytes + output_bytes);
  double share = ziffralon_rate / floor_rate;
  record_target(run, "(1) batch vs floor", ziffralon.all_succeeded && share >= FLOOR_SHARE_NEEDED,
                format_text("%.3f of the floor's lines/s (need >= %.2f)", share, FLOOR_SHARE_NEEDED));
  if (!have_bc) {
    std::printf("  SKIP  (1) batch vs bc -l: bc is not installed (apt-get install bc)\n");
    return;
  }
  double factor = ziffralon_rate / (static_cast<double>(bc_lines) / median_seconds(bc));
  record_target(run, "(1) batch vs bc -l", ziffralon.all_succeeded && bc.all_succeeded && factor >= BC_FACTOR_NEEDED,
                format_text("%.1f times bc's lines/s (need >= %.0f)", factor, BC_FACTOR_NEEDED));
}
