#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "process_run.h"
#include "report.h"
#include "targets.h"
#include "workload_files.h"
#include "workloads.h"

namespace {

constexpr long WRITE_TEST_LINES = 100'000;
// Block-buffered output writes once per 64 KiB or per input block, never per line.
constexpr long LINES_PER_WRITE_NEEDED = 100;

// The "calls" column of the write row of `strace -c`; -1 if there is none.
long write_calls(const std::string& summary_path) {
  std::FILE* in = std::fopen(summary_path.c_str(), "r");
  if (!in) return -1;
  char line[256];
  long calls = -1;
  while (std::fgets(line, sizeof line, in)) {
    std::istringstream fields(line);
    std::string field, columns[8];
    int count = 0;
    while (fields >> field && count < 8) columns[count++] = field;
    if (count >= 5 && columns[count - 1] == "write") calls = std::atol(columns[3].c_str());
  }
  std::fclose(in);
  return calls;
}

// Runs `command` (a shell line) and returns the write count strace left in `summary_path`.
long count_writes(const std::string& command, const std::string& summary_path) {
  std::printf("  $ %s\n", command.c_str());
  std::fflush(stdout);
  if (std::system(command.c_str()) != 0) return -1;
  return write_calls(summary_path);
}

void judge_writes(BenchRun& run, const char* name, long writes, long lines) {
  bool passed = writes >= 0 && writes * LINES_PER_WRITE_NEEDED <= lines;
  record_target(run, format_text("(5) writes, %s", name), passed,
                format_text("%ld write calls for %ld lines (need <= %ld)", writes, lines,
                            lines / LINES_PER_WRITE_NEEDED));
}

}  // namespace

void bench_writes(BenchRun& run) {
  const BenchSetup& setup = run.setup;
  long lines = scaled(setup, WRITE_TEST_LINES, LINES_PER_WRITE_NEEDED);
  print_heading(format_text("(5) Write syscalls for a %ld-line batch", lines));
  if (!program_available("strace")) {
    std::printf("  SKIP  (5) writes: strace is not installed (apt-get install strace)\n");
    return;
  }
  std::string batch = create_workload(setup, "writes_batch.txt", [&](std::FILE* out) { write_batch_lines(out, lines); });
  std::string file_summary = setup.work_dir + "/strace_file.txt";
  std::string pipe_summary = setup.work_dir + "/strace_pipe.txt";
  long from_file = count_writes("strace -f -c -e trace=write -o " + file_summary + " " + setup.ziffralon + " < " +
                                    batch + " > /dev/null",
                                file_summary);
  long through_pipes = count_writes("cat " + batch + " | strace -f -c -e trace=write -o " + pipe_summary + " " +
                                        setup.ziffralon + " | cat > /dev/null",
                                    pipe_summary);
  std::remove(file_summary.c_str());
  std::remove(pipe_summary.c_str());
  judge_writes(run, "file to /dev/null", from_file, lines);
  judge_writes(run, "pipe to pipe", through_pipes, lines);
}
