// The whole-process benchmarks behind `make bench`:
//   bench_driver [--quick] [batch] [symbols] [startup] [odd] [writes]
// With no names every benchmark runs. --quick shrinks every workload to a
// tenth, for trying the driver out; its figures are not the targets' figures.
// Exits 1 when a target fails.
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "report.h"
#include "targets.h"
#include "workload_files.h"

namespace {

constexpr double QUICK_SCALE = 0.1;

struct NamedBench {
  const char* name;
  void (*run)(BenchRun& run);
};

// In this order: the odd inputs compare themselves with the batch figures.
constexpr NamedBench BENCHES[] = {
    {"batch", bench_batch},     {"symbols", bench_symbols}, {"startup", bench_startup},
    {"odd", bench_pathological}, {"writes", bench_writes},
};

std::string cpu_model() {
  std::FILE* in = std::fopen("/proc/cpuinfo", "r");
  if (!in) return "unknown";
  char line[512];
  std::string model = "unknown";
  while (std::fgets(line, sizeof line, in)) {
    const char* colon = std::strchr(line, ':');
    if (std::strncmp(line, "model name", 10) == 0 && colon) {
      model = colon + 2;
      model.erase(model.find_last_not_of("\n ") + 1);
      break;
    }
  }
  std::fclose(in);
  return model;
}

void print_machine() {
  utsname system{};
  uname(&system);
  std::printf("machine: %ld cores online, CPU %s, %s %s; compiler of the driver: g++ %s\n",
              sysconf(_SC_NPROCESSORS_ONLN), cpu_model().c_str(), system.sysname, system.release, __VERSION__);
}

std::string make_work_dir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ziffralon-bench.XXXXXX";
  if (!mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::exit(2);
  }
  return pattern;
}

bool selected(const NamedBench& bench, int argc, char** argv) {
  bool any_name = false;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') continue;
    any_name = true;
    if (std::strcmp(argv[i], bench.name) == 0) return true;
  }
  return !any_name;
}

bool quick_requested(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--quick") == 0) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  BenchRun run{BenchSetup{ZIFFRALON_BINARY, FLOOR_BINARY, MINIMAL_BANNER_BINARY, make_work_dir(),
                          quick_requested(argc, argv) ? QUICK_SCALE : 1.0},
               {}, {}};
  print_machine();
  std::printf("programs: %s\n          %s\n          %s\nworkloads in %s (removed at the end)%s\n",
              run.setup.ziffralon.c_str(), run.setup.floor.c_str(), run.setup.minimal_banner.c_str(),
              run.setup.work_dir.c_str(), run.setup.scale < 1 ? "; QUICK: sizes cut to a tenth" : "");
  for (const NamedBench& bench : BENCHES)
    if (selected(bench, argc, argv)) bench.run(run);
  remove_workloads(run.setup);
  return print_summary(run) ? 0 : 1;
}
