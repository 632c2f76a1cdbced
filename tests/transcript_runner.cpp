// Runs the calculator on NAME.in and compares its standard output byte for
// byte with NAME.out; on a difference, shows where it starts.
#include <algorithm>
#include <cstdio>

#include "process.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s BINARY INPUT EXPECTED\n", argv[0]);
    return 2;
  }
  ProgramRun run = run_program(argv[1], read_file(argv[2]));
  std::string expected = read_file(argv[3]);
  if (run.exit_status != 0) {
    std::printf("exit status %d, expected 0\n", run.exit_status);
    return 1;
  }
  if (run.output == expected) return 0;
  auto [at, unused] = std::mismatch(run.output.begin(), run.output.end(), expected.begin(), expected.end());
  std::size_t offset = static_cast<std::size_t>(at - run.output.begin());
  std::size_t from = offset > 40 ? offset - 40 : 0;
  std::printf("output differs at byte %zu (got %zu bytes, expected %zu)\n", offset, run.output.size(), expected.size());
  std::printf("got:      [%s]\n", run.output.substr(from, 80).c_str());
  std::printf("expected: [%s]\n", expected.substr(from, 80).c_str());
  return 1;
}
