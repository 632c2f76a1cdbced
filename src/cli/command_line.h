// The program's command line: what to do, and where console input comes from.
//
// With no arguments the program reads standard input as it always has. Options
// are read in command-line order, so that -e texts and FILE names keep their
// order as input sources, by the rules and with the messages of GNU programs
// (long names may be cut short), the same on every system.
#pragma once

#include <string>
#include <vector>

namespace ziffralon {

enum class ProgramAction { RUN, SHOW_USAGE, SHOW_VERSION, BAD_USAGE };

// One piece of console input: a -e text (read with a newline appended) or a
// FILE name ("-" is standard input).
struct InputSource {
  bool is_text;
  std::string text;  // the -e text, or the file name
};

struct CommandLine {
  ProgramAction action = ProgramAction::RUN;
  bool quiet = false;      // no banner and no help hint
  bool no_editor = false;  // read a terminal plainly
  bool no_history = false;  // the line editor keeps no history file
  std::vector<InputSource> sources;  // empty: standard input, as without arguments
};

// Reads the arguments. On BAD_USAGE a one-line message and a hint to --help
// have already gone to standard error.
CommandLine parse_command_line(int argc, char** argv);

// The text of --help.
extern const char* const USAGE_TEXT;

}  // namespace ziffralon
