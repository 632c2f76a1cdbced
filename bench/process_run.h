// Runs one program as the benchmarks need it: standard input from a file,
// standard output and error to /dev/null, and returns how long it took and
// how much memory it held at most.
#pragma once

#include <string>

struct RunResult {
  double seconds;     // wall-clock time from start to reaped exit
  long max_rss_kib;   // the child's peak resident set (getrusage ru_maxrss)
  bool succeeded;     // exited normally with status 0, within the time limit
};

constexpr int RUN_TIME_LIMIT_SECONDS = 300;

// `argv` is the program and its arguments; the program is looked up in PATH.
RunResult run_program(const char* const* argv, const std::string& input_path);

// Runs the program once more with its output going into a pipe, and counts
// the bytes; -1 if it did not succeed. Not timed: reading the pipe costs time.
long count_output_bytes(const char* const* argv, const std::string& input_path);

// True when `name` is an executable found in PATH.
bool program_available(const char* name);
