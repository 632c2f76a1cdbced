// Writes one benchmark workload to standard output, for profiling or for
// trying an input by hand:  gen_workload KIND COUNT
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "workloads.h"

namespace {

constexpr int NESTING_DEPTH = 9995;

void print_usage() {
  std::fputs(
      "usage: gen_workload KIND COUNT\n"
      "  batch LINES | symbols LINES | sum BYTES | listing LINES | help LINES | nested LINES\n"
      "  literals LINES | factorial LINES | binomial LINES\n",
      stderr);
}

bool write_workload(const char* kind, long count) {
  if (!std::strcmp(kind, "batch")) write_batch_lines(stdout, count);
  else if (!std::strcmp(kind, "symbols")) write_symbol_lines(stdout, count);
  else if (!std::strcmp(kind, "sum")) write_long_sum(stdout, count);
  else if (!std::strcmp(kind, "listing")) write_listing_lines(stdout, count);
  else if (!std::strcmp(kind, "help")) write_help_lines(stdout, count);
  else if (!std::strcmp(kind, "nested")) write_nested_lines(stdout, count, NESTING_DEPTH);
  else if (!std::strcmp(kind, "literals")) write_long_literal_lines(stdout, count);
  else if (!std::strcmp(kind, "factorial")) write_repeated_lines(stdout, count, "2147483647!");
  else if (!std::strcmp(kind, "binomial")) write_repeated_lines(stdout, count, "2147483647~1073741823");
  else return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || !write_workload(argv[1], std::atol(argv[2]))) {
    print_usage();
    return 2;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
