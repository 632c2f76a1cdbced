#include "cli/command_line.h"
#include "cli/input_sources.h"
#include "cli/line_editor.h"
#include "core/console_io.h"
#include "core/session.h"
#include "core/symbols.h"
#include "eval/evaluate.h"  // also the public header, with the version
#include "platform/platform.h"

using namespace ziffralon;

namespace {

constexpr int EXIT_MESSAGES_PRINTED = 1;  // with -e or FILE: some line gave a message
constexpr int EXIT_BAD_USAGE = 2;         // bad arguments, or a FILE that cannot be read

void print_version() {
  console_write_text("ziffralon " ZIFFRALON_VERSION_STRING "\n");
  console_flush();
}

// Without -e and FILE the status is always 0, as it has always been.
int exit_status(const CommandLine& command_line) {
  if (command_line.sources.empty()) return 0;
  if (input_sources_failed()) return EXIT_BAD_USAGE;
  return console_error_count() > 0 ? EXIT_MESSAGES_PRINTED : 0;
}

// Standard input, at a terminal through the line editor; or the -e texts and
// FILEs of the command line.
void choose_input(const CommandLine& command_line) {
  if (!command_line.sources.empty())
    console_read_from(read_input_sources);
  else if (!command_line.no_editor && line_editor_start())
    console_read_from(line_editor_read);
}

int run_calculator(const CommandLine& command_line) {
  if (!install_initial_symbols()) {
    // Without its functions the calculator cannot run a session worth having.
    report_error("out of memory: the built-in functions cannot be installed");
    console_flush();
    return exit_status(command_line);
  }
  if (command_line.sources.empty() && !command_line.quiet) {
    print_banner();
    console_write_text("?<ENTER> fuer Hilfe\n\n");
  }
  console_catch_stop_signals();
  choose_input(command_line);  // the editor, once started, answers SIGINT itself
  run_console_session();
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
    case ProgramAction::SHOW_USAGE:
      console_write_text(USAGE_TEXT);
      console_flush();
      return 0;
    case ProgramAction::SHOW_VERSION: print_version(); return 0;
    case ProgramAction::BAD_USAGE: return EXIT_BAD_USAGE;
    case ProgramAction::RUN: break;
  }
  // Every FILE must open before anything is computed or printed.
  if (!open_input_sources(command_line.sources)) return EXIT_BAD_USAGE;
  return run_calculator(command_line);
}
