// Session state and everything the console user reads.
//
// The calculator runs in console mode (results, messages, help and listing are
// printed) or quiet mode (a result is kept in last_result and an error only
// raises quiet_error). Every printing operation checks the mode here, so the
// rest of the interpreter never decides where output goes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ziffralon {

struct SessionState {
  bool console_mode = true;
  bool quiet_error = false;
  double last_result = 0.0;
  const char* quiet_error_message = nullptr;  // the first error's, while quiet_error is raised
  std::uint64_t console_errors = 0;  // messages printed; the program's exit status reads it
};

// The start of every message about running out of memory.
constexpr char OUT_OF_MEMORY_MESSAGE[] = "out of memory";

struct InterpreterState;

constexpr double PROGRAM_VERSION = 0.32;
constexpr std::size_t HELP_BUFFER_SIZE = 2048;

// Console: prints a tab, the number and a newline. Quiet: stores it in last_result.
void report_value(InterpreterState& in, double number);

// Console: prints the message and a newline. Quiet: raises quiet_error.
void report_error(InterpreterState& in, const char* message);

// How many messages report_error has printed in console mode so far.
std::uint64_t console_error_count(const InterpreterState& in);

// Console only: the banner line with the program version.
void print_banner(InterpreterState& in);

// Console only: the banner, then the help text.
void show_help(InterpreterState& in);

// Console only: every variable with its value, newest first.
void list_variables(InterpreterState& in);

// Switches to quiet mode, as the string evaluator runs: results are kept in
// last_result, errors only raise quiet_error.
void enter_quiet_mode(InterpreterState& in);

// Whether an error was reported in quiet mode since the last call; lowers
// quiet_error.
bool take_quiet_error(InterpreterState& in);

// The message of the first error reported in quiet mode, while quiet_error is
// raised; nullptr otherwise.
const char* quiet_error_message(const InterpreterState& in);

// Switches to console mode and parses standard input to its end; true when the
// parse ended normally.
bool run_console_session(InterpreterState& in);

}  // namespace ziffralon
