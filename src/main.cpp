#include <cstdio>
#include <cstring>

#include "cli/command_line.h"
#include "cli/input_sources.h"
#include "cli/line_editor.h"
#include "core/console_io.h"
#include "core/interpreter.h"
#include "eval/evaluate.h"  // also the public header, with the version
#include "platform/platform.h"

using namespace ziffralon;

namespace {

constexpr int EXIT_MESSAGES_PRINTED = 1;  // with -e or FILE: some line gave a message
constexpr int EXIT_FAILED = 2;            // bad arguments, unreadable input or failed output

// Says once on standard error what failed on standard input or output, which
// a script must learn from the status: `ziffralon f > out || handle`.
bool input_or_output_failed() {
  if (int error = console_input.read_error) std::fprintf(stderr, "ziffralon: read error: %s\n", std::strerror(error));
  if (int error = console_write_error()) std::fprintf(stderr, "ziffralon: write error: %s\n", std::strerror(error));
  return console_input.read_error || console_write_error() || input_sources_failed();
}

// Prints one of the fixed texts of -h and -V.
int print_and_exit(const char* text) {
  console_write_text(text);
  console_flush();
  return input_or_output_failed() ? EXIT_FAILED : 0;
}

// Without -e and FILE the status is 0 unless input or output failed.
int exit_status(const CommandLine& command_line) {
  if (input_or_output_failed()) return EXIT_FAILED;
  if (command_line.sources.empty()) return 0;
  return console_error_count(default_interpreter) > 0 ? EXIT_MESSAGES_PRINTED : 0;
}

// Standard input, at a terminal through the line editor; or the -e texts and
// FILEs of the command line.
void choose_input(const CommandLine& command_line) {
  if (!command_line.sources.empty())
    console_read_from(read_input_sources);
  else if (!command_line.no_editor && line_editor_start(!command_line.no_history))
    console_read_from(line_editor_read);
}

int run_calculator(const CommandLine& command_line) {
  if (!install_initial_symbols(default_interpreter)) {
    // Without its functions the calculator cannot run a session worth having.
    report_error(default_interpreter, "out of memory: the built-in functions cannot be installed");
    console_flush();
    return exit_status(command_line);
  }
  if (command_line.sources.empty() && !command_line.quiet) {
    print_banner(default_interpreter);
    console_write_text("?<ENTER> fuer Hilfe\n\n");
  }
  console_catch_stop_signals();
  choose_input(command_line);  // the editor, once started, answers SIGINT itself
  run_console_session(default_interpreter);
  run_closing_evaluations();
  console_flush();
  line_editor_end();
  console_end_by_stop_signal();
  return exit_status(command_line);
}

}  // namespace

int main(int argc, char** argv) {
  platform_start_program(argc, argv);
  CommandLine command_line = parse_command_line(argc, argv);
  switch (command_line.action) {
    case ProgramAction::SHOW_USAGE: return print_and_exit(USAGE_TEXT);
    case ProgramAction::SHOW_VERSION: return print_and_exit("ziffralon " ZIFFRALON_VERSION_STRING "\n");
    case ProgramAction::BAD_USAGE: return EXIT_FAILED;
    case ProgramAction::RUN: break;
  }
  // Every FILE must open before anything is computed or printed.
  if (!open_input_sources(command_line.sources)) return EXIT_FAILED;
  return run_calculator(command_line);
}
