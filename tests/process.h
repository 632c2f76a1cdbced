// Runs the calculator binary as a child process, for tests that need the real
// program: golden transcripts, generated large inputs, pipes.
#pragma once

#include <string>

struct ProgramRun {
  std::string output;  // everything written to standard output
  int exit_status;     // -1 when the child did not exit normally
};

// Runs `binary` with `input` as its standard input (through a file, so any size
// works) and collects its standard output. `address_space_limit` (bytes, 0 for
// none) is applied to the child with setrlimit.
ProgramRun run_program(const std::string& binary, const std::string& input, unsigned long address_space_limit = 0);

std::string read_file(const std::string& path);
