// The command line through the real program: output, messages and exit
// status for each option and each kind of bad input.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "process.h"

namespace {

const std::string BANNER = "\n## ZIFFRALON V0.32 ##\r\n\r\n?<ENTER> fuer Hilfe\n\n";
const std::string HINT = "Try 'ziffralon --help' for more information.\n";

// Files the cases name as {dir}/NAME.
const struct {
  const char* name;
  const char* content;
} FILES[] = {
    {"x3", "x=3\n"},
    {"half", "1+"},  // ends in the middle of a line
    {"two", "2\n"},
};

struct CommandLineCase {
  std::vector<std::string> arguments;
  std::string input;  // standard input
  std::string output;
  std::string errors;
  int exit_status;
};

const CommandLineCase CASES[] = {
    {{"-e", "r=2", "-e", "kf(r)"}, "", "\t2\n\t12.56637061\n", "", 0},
    {{"--expression=1+1", "--expression", "2*3"}, "ignored\n", "\t2\n\t6\n", "", 0},
    {{"-e", "#"}, "", "e\t= 2.718282\npi\t= 3.141592654\n", "", 0},
    {{"-V"}, "1\n", "ziffralon 0.32\n", "", 0},
    {{"--version"}, "", "ziffralon 0.32\n", "", 0},
    {{"-q"}, "7\n", "\t7\n", "", 0},
    {{"--quiet"}, "1 2\n", "parse error\n", "", 0},  // without -e and FILE the status stays 0
    {{"--no-editor"}, "7\n", BANNER + "\t7\n", "", 0},
    // Sources are read in command-line order as one session.
    {{"{dir}/x3", "-e", "x*2"}, "", "\t3\n\t6\n", "", 0},
    {{"-e", "y=1", "-", "-e", "y+1"}, "y=y*10\n", "\t1\n\t10\n\t11\n", "", 0},
    {{"-"}, "1 2\n", "parse error\n", "", 1},
    // A FILE that ends mid-line continues in the next source.
    {{"{dir}/half", "{dir}/two"}, "", "\t3\n", "", 0},
    {{"{dir}/half"}, "", "parse error\n", "", 1},
    {{"-e", "1 2", "-e", "5"}, "", "parse error\n\t5\n", "", 1},
    {{"-e", std::string(256, 'w')}, "", "identifier length is limited to 255 chars\nparse error\n", "", 1},
    {{"-e", std::string(9996, '(') + "7" + std::string(9996, ')')}, "", "parser stack overflow\n", "", 1},
    {{"--", "-e"}, "", "", "ziffralon: cannot open '-e': No such file or directory\n", 2},
    {{"-e", "1", "{dir}/missing"}, "", "", "ziffralon: cannot open '{dir}/missing': No such file or directory\n", 2},
    {{"{dir}"}, "", "", "ziffralon: cannot open '{dir}': Is a directory\n", 2},
    {{"-e"}, "", "", "ziffralon: option requires an argument -- 'e'\n" + HINT, 2},
    {{"--expression"}, "", "", "ziffralon: option '--expression' requires an argument\n" + HINT, 2},
    {{"-x"}, "1\n", "", "ziffralon: invalid option -- 'x'\n" + HINT, 2},
    {{"--bogus", "-e", "1"}, "", "", "ziffralon: unrecognized option '--bogus'\n" + HINT, 2},
    {{"--version=2"}, "", "", "ziffralon: option '--version' doesn't allow an argument\n" + HINT, 2},
};

// Test names show the arguments, shortened.
void PrintTo(const CommandLineCase& test_case, std::ostream* out) {
  for (const std::string& argument : test_case.arguments) *out << " " << argument.substr(0, 20);
}

std::string with_dir(std::string text, const std::string& dir) {
  for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;) text.replace(at, 5, dir);
  return text;
}

class CommandLine : public testing::TestWithParam<CommandLineCase> {
 protected:
  static void SetUpTestSuite() {
    char path[] = "/tmp/ziffralon-files-XXXXXX";
    dir = mkdtemp(path);
    for (const auto& file : FILES) std::ofstream(dir + "/" + file.name, std::ios::binary) << file.content;
  }
  static void TearDownTestSuite() {
    for (const auto& file : FILES) unlink((dir + "/" + file.name).c_str());
    rmdir(dir.c_str());
  }
  static std::string dir;
};

std::string CommandLine::dir;

TEST_P(CommandLine, OutputMessagesAndStatus) {
  const CommandLineCase& test_case = GetParam();
  std::vector<std::string> arguments;
  for (const std::string& argument : test_case.arguments) arguments.push_back(with_dir(argument, dir));
  ProgramRun run = run_program(ZIFFRALON_BINARY, test_case.input, 0, arguments);
  EXPECT_EQ(run.output, with_dir(test_case.output, dir));
  EXPECT_EQ(run.errors, with_dir(test_case.errors, dir));
  EXPECT_EQ(run.exit_status, test_case.exit_status);
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLine, testing::ValuesIn(CASES));

TEST(CommandLineHelp, UsageOnStandardOutputNamesEveryOption) {
  for (const char* option : {"-h", "--help"}) {
    ProgramRun run = run_program(ZIFFRALON_BINARY, "1\n", 0, {option});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.output.rfind("Usage: ziffralon [OPTION]... [FILE]...\n", 0), 0u) << run.output;
    for (const char* name : {"--expression", "--quiet", "--no-editor", "--help", "--version"})
      EXPECT_NE(run.output.find(name), std::string::npos) << name;
  }
}

}  // namespace
