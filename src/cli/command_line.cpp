#include "command_line.h"

#include <getopt.h>

#include <cstdio>

namespace ziffralon {

const char* const USAGE_TEXT =
    "Usage: ziffralon [OPTION]... [FILE]...\n"
    "Console calculator. Without -e and FILE it reads standard input, at a\n"
    "terminal with line editing; with them it reads each in the order given, as\n"
    "one session, and prints no banner.\n"
    "\n"
    "  -e, --expression=TEXT  read TEXT as one line of input (may be repeated)\n"
    "  -q, --quiet            print no banner and no help hint\n"
    "      --no-editor        read a terminal plainly, without line editing\n"
    "  -h, --help             show this help and exit\n"
    "  -V, --version          show the version and exit\n"
    "\n"
    "A FILE of - is standard input; -- ends the options. Type ? and Enter for the\n"
    "calculator's own help. Exit status with -e or FILE: 0, or 1 when a message\n"
    "(such as \"parse error\") was printed; 2 for bad usage or an unreadable FILE.\n"
    "In every mode 2 when input cannot be read or output cannot be written.\n";

namespace {

// getopt_long's messages name the program by its own name, however it was
// started.
char PROGRAM_NAME[] = "ziffralon";

constexpr int OPTION_NO_EDITOR = 256;
constexpr int NOT_AN_OPTION = 1;  // what getopt_long gives for a FILE in "-" mode

// The leading '-' keeps FILE names in place among the options.
constexpr char SHORT_OPTIONS[] = "-e:hqV";

const option LONG_OPTIONS[] = {
    {"expression", required_argument, nullptr, 'e'},
    {"help", no_argument, nullptr, 'h'},
    {"quiet", no_argument, nullptr, 'q'},
    {"version", no_argument, nullptr, 'V'},
    {"no-editor", no_argument, nullptr, OPTION_NO_EDITOR},
    {nullptr, 0, nullptr, 0},
};

// getopt_long has already said what is wrong, in one line.
CommandLine bad_usage() {
  std::fputs("Try 'ziffralon --help' for more information.\n", stderr);
  CommandLine command_line;
  command_line.action = ProgramAction::BAD_USAGE;
  return command_line;
}

}  // namespace

CommandLine parse_command_line(int argc, char** argv) {
  if (argc <= 1) return CommandLine{};  // no arguments: nothing to allocate or parse
  std::vector<char*> args(argv, argv + argc);
  args[0] = PROGRAM_NAME;
  args.push_back(nullptr);
  CommandLine command_line;
  optind = 0;  // a fresh scan, also when called more than once
  for (int c; (c = getopt_long(argc, args.data(), SHORT_OPTIONS, LONG_OPTIONS, nullptr)) != -1;) {
    switch (c) {
      case NOT_AN_OPTION: command_line.sources.push_back(InputSource{false, optarg}); break;
      case 'e': command_line.sources.push_back(InputSource{true, optarg}); break;
      case 'q': command_line.quiet = true; break;
      case OPTION_NO_EDITOR: command_line.no_editor = true; break;
      case 'h': command_line.action = ProgramAction::SHOW_USAGE; return command_line;
      case 'V': command_line.action = ProgramAction::SHOW_VERSION; return command_line;
      default: return bad_usage();
    }
  }
  // After "--" everything is a FILE.
  for (int i = optind; i < argc; ++i) command_line.sources.push_back(InputSource{false, args[i]});
  return command_line;
}

}  // namespace ziffralon
