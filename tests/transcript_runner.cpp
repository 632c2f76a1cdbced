// Runs the calculator as transcript NAME says and compares byte for byte:
// NAME.in is its standard input, NAME.args its arguments (one a line), NAME.out
// its standard output, NAME.err its standard error and NAME.status its exit
// status. A missing file means none, empty, or status 0. It runs in the
// transcripts' directory, so arguments can name the files there.
// Given a PLATFORM and the EMULATOR command that runs its programs (Wine), it
// starts BINARY through it and prefers NAME.out.PLATFORM (and .err, .status)
// where the platform's mathematics library legitimately differs; the file
// PLATFORM.reasons beside the transcripts says why, a line for each.
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
  if (argc == 5 || argc < 4 || chdir(argv[2]) != 0) {
    std::fprintf(stderr, "usage: %s BINARY DIRECTORY NAME [PLATFORM EMULATOR...]\n", argv[0]);
    return 2;
  }
  std::string name = argv[3];
  std::string binary = argv[1];
  std::vector<std::string> arguments;
  for (int i = 6; i < argc; ++i) arguments.push_back(argv[i]);  // the emulator's own arguments
  if (argc > 5) {
    arguments.push_back(binary);
    binary = argv[5];
  }
  std::istringstream lines(read_file(name + ".args"));
  for (std::string line; std::getline(lines, line);) arguments.push_back(line);
  ProgramRun run = run_program(binary, read_file(name + ".in"), 0, arguments);
  auto expected = [&](const std::string& suffix) {
    std::string own = argc > 5 ? read_file(name + suffix + "." + argv[4]) : "";
    return own.empty() ? read_file(name + suffix) : own;
  };
  std::string status = expected(".status");
  bool passed = same("standard output", run.output, expected(".out"));
  passed &= same("standard error", run.errors, expected(".err"));
  passed &= same("exit status", std::to_string(run.exit_status) + "\n", status.empty() ? "0\n" : status);
  return passed ? 0 : 1;
}
