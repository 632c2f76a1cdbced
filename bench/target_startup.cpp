#include "process_run.h"
#include "report.h"
#include "targets.h"
#include "workload_files.h"

namespace {

// A run is about a millisecond, so many rounds are needed for a steady median.
constexpr int STARTUP_ROUNDS = 301;
constexpr int WARM_UP_ROUNDS = 10;
constexpr double STARTUP_FACTOR_ALLOWED = 1.5;

}  // namespace

void bench_startup(BenchRun& run) {
  const BenchSetup& setup = run.setup;
  std::string empty_path = create_workload(setup, "startup_empty.txt", [](std::FILE*) {});
  int rounds = static_cast<int>(scaled(setup, STARTUP_ROUNDS, 31)) | 1;
  print_heading(format_text("(3) Start-up on empty input, %d interleaved rounds", rounds));

  const char* ziffralon_argv[] = {setup.ziffralon.c_str(), nullptr};
  const char* banner_argv[] = {setup.minimal_banner.c_str(), nullptr};
  for (int round = 0; round < WARM_UP_ROUNDS; ++round) {
    run_program(ziffralon_argv, empty_path);
    run_program(banner_argv, empty_path);
  }
  RunSeries ziffralon, banner;
  for (int round = 0; round < rounds; ++round) {
    add_run(ziffralon, run_program(ziffralon_argv, empty_path));
    add_run(banner, run_program(banner_argv, empty_path));
  }
  print_rate("ziffralon", ziffralon, 1, "runs");
  print_rate("minimal banner", banner, 1, "runs");
  double factor = median_seconds(ziffralon) / median_seconds(banner);
  record_target(run, "(3) start-up", ziffralon.all_succeeded && factor <= STARTUP_FACTOR_ALLOWED,
                format_text("%.3f ms vs %.3f ms: %.2f times the minimal banner program (need <= %.1f)",
                            median_seconds(ziffralon) * 1e3, median_seconds(banner) * 1e3, factor,
                            STARTUP_FACTOR_ALLOWED));
}
