#include "command_line.h"

#include <cstdio>
#include <cstring>
#include <string_view>

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

// The messages name the program by its own name, however it was started, and
// read the same on every system.
constexpr char PROGRAM_NAME[] = "ziffralon";

enum class OptionArgument { NONE, REQUIRED };

struct LongOption {
  const char* name;
  OptionArgument argument;
  char short_name;  // the short option it is the long form of
};

constexpr LongOption LONG_OPTIONS[] = {
    {"expression", OptionArgument::REQUIRED, 'e'},
    {"help", OptionArgument::NONE, 'h'},
    {"quiet", OptionArgument::NONE, 'q'},
    {"version", OptionArgument::NONE, 'V'},
    {"no-editor", OptionArgument::NONE, 'N'},  // long only: 'N' is not in SHORT_OPTIONS
    {"no-history", OptionArgument::NONE, 'H'},  // long only
};
constexpr char SHORT_OPTIONS[] = "ehqV";

// What reading one argument leads to.
enum class Step { GO_ON, DONE, BAD_USAGE };

// One line saying what is wrong, then the hint.
Step complain(const std::string& what) {
  std::fprintf(stderr, "%s: %s\nTry 'ziffralon --help' for more information.\n", PROGRAM_NAME, what.c_str());
  return Step::BAD_USAGE;
}

// The long option `name` stands for: an exact name, else the only one it
// begins. nullptr when none or several.
const LongOption* find_long_option(std::string_view name) {
  const LongOption* found = nullptr;
  for (const LongOption& option : LONG_OPTIONS) {
    std::string_view full = option.name;
    if (full == name) return &option;
    if (full.starts_with(name)) {
      if (found) return nullptr;
      found = &option;
    }
  }
  return found;
}

Step apply(CommandLine& command_line, char short_name, const char* argument) {
  switch (short_name) {
    case 'e': command_line.sources.push_back(InputSource{true, argument}); return Step::GO_ON;
    case 'q': command_line.quiet = true; return Step::GO_ON;
    case 'N': command_line.no_editor = true; return Step::GO_ON;
    case 'H': command_line.no_history = true; return Step::GO_ON;
    case 'h': command_line.action = ProgramAction::SHOW_USAGE; return Step::DONE;
    default: command_line.action = ProgramAction::SHOW_VERSION; return Step::DONE;
  }
}

struct ArgumentScan {
  int count;
  char** arguments;
  int next;  // the argument to look at next
};

// "--name", "--name=value" or "--name value"; the name may be cut to any
// beginning that only one option has.
Step parse_long_option(ArgumentScan& scan, CommandLine& command_line) {
  std::string_view text = scan.arguments[scan.next++] + 2;
  std::size_t equals = text.find('=');
  const LongOption* option = find_long_option(text.substr(0, equals));
  if (!option) return complain("unrecognized option '--" + std::string(text) + "'");
  std::string name = option->name;
  bool attached = equals != std::string_view::npos;
  if (option->argument == OptionArgument::NONE) {
    if (attached) return complain("option '--" + name + "' doesn't allow an argument");
    return apply(command_line, option->short_name, nullptr);
  }
  if (attached) return apply(command_line, option->short_name, text.data() + equals + 1);
  if (scan.next == scan.count) return complain("option '--" + name + "' requires an argument");
  return apply(command_line, option->short_name, scan.arguments[scan.next++]);
}

// "-q", "-qe TEXT", "-eTEXT": letters in a row; -e takes the rest of its
// argument, or the next one.
Step parse_short_options(ArgumentScan& scan, CommandLine& command_line) {
  for (const char* letters = scan.arguments[scan.next++] + 1; *letters; ++letters) {
    if (!std::strchr(SHORT_OPTIONS, *letters)) return complain(std::string("invalid option -- '") + *letters + "'");
    if (*letters == 'e') {
      if (letters[1]) return apply(command_line, 'e', letters + 1);
      if (scan.next == scan.count) return complain("option requires an argument -- 'e'");
      return apply(command_line, 'e', scan.arguments[scan.next++]);
    }
    if (apply(command_line, *letters, nullptr) == Step::DONE) return Step::DONE;
  }
  return Step::GO_ON;
}

Step parse_argument(ArgumentScan& scan, CommandLine& command_line) {
  std::string_view argument = scan.arguments[scan.next];
  if (argument == "--") {
    // After "--" everything is a FILE.
    for (++scan.next; scan.next < scan.count; ++scan.next)
      command_line.sources.push_back(InputSource{false, scan.arguments[scan.next]});
    return Step::DONE;
  }
  if (argument.starts_with("--")) return parse_long_option(scan, command_line);
  if (argument.size() > 1 && argument[0] == '-') return parse_short_options(scan, command_line);
  command_line.sources.push_back(InputSource{false, scan.arguments[scan.next++]});  // a FILE; "-" too
  return Step::GO_ON;
}

}  // namespace

CommandLine parse_command_line(int argc, char** argv) {
  CommandLine command_line;
  ArgumentScan scan{argc, argv, 1};
  Step step = Step::GO_ON;
  while (step == Step::GO_ON && scan.next < argc) step = parse_argument(scan, command_line);
  if (step == Step::BAD_USAGE) {
    command_line = CommandLine{};
    command_line.action = ProgramAction::BAD_USAGE;
  }
  return command_line;
}

}  // namespace ziffralon
