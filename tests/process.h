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

// Starts `binary` on the given standard input and output (and error, if >= 0),
// limited to `address_space_limit` bytes when that is not 0.
pid_t start_program(const std::string& binary, const std::vector<std::string>& arguments, int stdin_fd,
                    int stdout_fd, int stderr_fd = -1, unsigned long address_space_limit = 0);

// Starts `binary` in a session of its own whose controlling terminal is the
// pseudo-terminal `terminal_fd` (its standard input, output and error), so
// that keys such as Ctrl+C act as they do for a user.
pid_t start_program_on_terminal(const std::string& binary, const std::vector<std::string>& arguments,
                                int terminal_fd);

void wait_program(pid_t child, ProgramRun& run);  // fills exit_status and signal

// Runs `binary` on `input` (through a file, so any size works) to its end.
ProgramRun run_program(const std::string& binary, const std::string& input, unsigned long address_space_limit = 0,
                       const std::vector<std::string>& arguments = {});

int temporary_input(const std::string& content);  // open on an unlinked file holding `content`
std::string read_all(int fd);                     // up to end of file; closes `fd`
std::string read_file(const std::string& path);   // empty when it cannot be read
