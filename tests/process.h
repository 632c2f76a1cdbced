// Runs the calculator binary as a child process, for tests that need the real
// program: golden transcripts, generated large inputs, pipes, signals.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ProgramRun {
  std::string output;  // everything written to standard output
  std::string errors;  // everything written to standard error
  int exit_status;     // -1 when the child did not exit normally
  int signal;          // the signal that ended the child, or 0
};

// Starts `binary` with `arguments` and the given descriptors as its standard
// input and output (standard error stays the test's unless `stderr_fd` >= 0).
// `address_space_limit` (bytes, 0 for none) is applied with setrlimit.
pid_t start_program(const std::string& binary, const std::vector<std::string>& arguments, int stdin_fd,
                    int stdout_fd, int stderr_fd = -1, unsigned long address_space_limit = 0);

// Starts `binary` in a session of its own whose controlling terminal is the
// pseudo-terminal `terminal_fd` (its standard input, output and error), so
// that keys such as Ctrl+C act as they do for a user.
pid_t start_program_on_terminal(const std::string& binary, const std::vector<std::string>& arguments,
                                int terminal_fd);

// Waits for a started child; fills exit_status and signal.
void wait_program(pid_t child, ProgramRun& run);

// Runs `binary` with `input` as its standard input (through a file, so any size
// works) and collects its standard output and standard error.
ProgramRun run_program(const std::string& binary, const std::string& input, unsigned long address_space_limit = 0,
                       const std::vector<std::string>& arguments = {});

// A descriptor open for reading and writing on a temporary file holding `content`.
int temporary_input(const std::string& content);

// Everything `fd` yields up to end of file; closes it.
std::string read_all(int fd);

// The file's bytes; empty when it cannot be read.
std::string read_file(const std::string& path);
