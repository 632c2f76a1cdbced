// Runs the calculator as transcript NAME says and compares byte for byte:
// NAME.in is its standard input, NAME.args its arguments (one a line), NAME.out
// its standard output, NAME.err its standard error and NAME.status its exit
// status. A missing file means none, empty, or status 0. It runs in the
// transcripts' directory, so arguments can name the files there.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "process.h"

namespace {

// On a difference, shows where it starts.
bool same(const char* stream, const std::string& got, const std::string& expected) {
  if (got == expected) return true;
  auto at = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end()).first;
  std::size_t offset = static_cast<std::size_t>(at - got.begin());
  std::size_t from = offset > 40 ? offset - 40 : 0;
  std::printf("%s differs at byte %zu (got %zu bytes, expected %zu)\ngot:      [%s]\nexpected: [%s]\n", stream, offset,
              got.size(), expected.size(), got.substr(from, 80).c_str(), expected.substr(from, 80).c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || chdir(argv[2]) != 0) {
    std::fprintf(stderr, "usage: %s BINARY DIRECTORY NAME\n", argv[0]);
    return 2;
  }
  std::string name = argv[3];
  std::vector<std::string> arguments;
  std::istringstream lines(read_file(name + ".args"));
  for (std::string line; std::getline(lines, line);) arguments.push_back(line);
  ProgramRun run = run_program(argv[1], read_file(name + ".in"), 0, arguments);
  std::string status = read_file(name + ".status");
  bool passed = same("standard output", run.output, read_file(name + ".out"));
  passed &= same("standard error", run.errors, read_file(name + ".err"));
  passed &= same("exit status", std::to_string(run.exit_status) + "\n", status.empty() ? "0\n" : status);
  return passed ? 0 : 1;
}
