// Running out of memory: every allocation that can fail is made to fail, in
// process through the fault injection in memory.h and in the real program
// under an address-space limit. The calculator must say so in one line, end
// the parse, and never crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "console_capture.h"
#include "core/memory.h"
#include "core/parser.h"
#include "core/session.h"
#include "core/symbols.h"
#include "eval/evaluate.h"
#include "process.h"

using namespace ziffralon;

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

const std::string NO_SYMBOL = "out of memory: no room for a new symbol\n";
const std::string NO_STACK = "out of memory: the parser stack cannot grow\n";

// A console session over `input` with the Nth allocation from now failing
// (negative: none fails).
struct ConsoleRun {
  int result;
  std::string output;
};
ConsoleRun console_run(const std::string& input, long failing_allocation = -1) {
  install_initial_symbols();
  ConsoleCapture capture;
  console_read_from_memory(input.data(), input.size());
  session.console_mode = true;
  fail_allocations_after(failing_allocation);
  int result = parse_input();
  fail_allocations_after(-1);
  return ConsoleRun{result, capture.text()};
}

std::string nested(int depth, const std::string& inner) {
  return std::string(static_cast<std::size_t>(depth), '(') + inner + std::string(static_cast<std::size_t>(depth), ')');
}

class OutOfMemory : public ::testing::Test {
  void TearDown() override { fail_allocations_after(-1); }
};

TEST_F(OutOfMemory, NewSymbolInQuietModeFailsSilently) {
  install_initial_symbols();
  ConsoleCapture capture;
  double result = 0.0;
  fail_allocations_after(0);
  EXPECT_FALSE(evaluate_string("4; quietfresh + 1", result));
  fail_allocations_after(-1);
  EXPECT_EQ(result, 4.0);  // the statement before the failure kept its effect
  EXPECT_EQ(symbol_lookup("quietfresh"), nullptr);
  EXPECT_EQ(capture.text(), "");
  EXPECT_TRUE(evaluate_string("quietfresh + 1", result));  // and the next call works again
  EXPECT_EQ(result, 1.0);
}

// A session whose lines alternate between allocating symbols and growing the
// stack; whichever allocation fails, the answers before it stand and exactly
// the message of the line that needed the memory follows.
TEST_F(OutOfMemory, EveryAllocationOfASessionMayFail) {
  auto session_input = [](const std::string& prefix) {
    return prefix + "a=3\n" + nested(300, prefix + "a") + "\n" + prefix + "c=" + prefix + "a+1\n" +
           nested(500, prefix + "c") + "\n" + prefix + "a\n";
  };
  const std::string messages[] = {NO_SYMBOL, NO_STACK, NO_SYMBOL, NO_STACK};
  ConsoleRun reference = console_run(session_input("sweepref"));
  ASSERT_EQ(reference.result, PARSE_ACCEPTED);
  ASSERT_EQ(reference.output, "\t3\n\t3\n\t4\n\t4\n\t3\n");
  bool failed_in_line[4] = {};
  const long LAST = 24;
  for (long n = 0; n <= LAST; ++n) {
    ConsoleRun run = console_run(session_input("sweep" + std::to_string(n) + "x"), n);
    if (run.result == PARSE_ACCEPTED) {
      EXPECT_EQ(run.output, reference.output) << n;
      continue;
    }
    ASSERT_EQ(run.result, PARSE_EXHAUSTED) << n;
    std::size_t message_start = run.output.rfind('\n', run.output.size() - 2) + 1;  // npos + 1 is 0
    std::string answered = run.output.substr(0, message_start);
    std::size_t line = static_cast<std::size_t>(std::count(answered.begin(), answered.end(), '\n'));
    ASSERT_LT(line, 4u) << n;
    EXPECT_EQ(answered, reference.output.substr(0, answered.size())) << n;
    EXPECT_EQ(run.output.substr(message_start), messages[line]) << n;
    failed_in_line[line] = true;
  }
  for (bool failed : failed_in_line) EXPECT_TRUE(failed);
  EXPECT_EQ(console_run(session_input("sweeplast"), LAST).result, PARSE_ACCEPTED);
}

// Needs a table not yet filled: ctest runs every test in a process of its own.
TEST_F(OutOfMemory, InstallTwiceAfterPartialInstall) {
  if (symbol_head()) GTEST_SKIP() << "the symbol table was filled by an earlier test in this process";
  double result = 0.0;
  long failures = 0;
  for (long n = 0;; ++n) {
    fail_allocations_after(n);
    bool ok = evaluate_string("pi", result);
    fail_allocations_after(-1);
    if (ok) break;
    ++failures;
    ASSERT_EQ(symbol_head(), nullptr) << "a failed install left records behind, allocation " << n;
  }
  EXPECT_GE(failures, 18);  // each of the 18 start-up records could fail
  EXPECT_EQ(result, 3.141592653589793);
  std::string names;
  for (const Symbol* symbol = symbol_head(); symbol; symbol = symbol->next) names += std::string(symbol->name) + " ";
  EXPECT_EQ(names, "e pi sqrt tanh tan sinh sin log10 ln ku kf fabs exp cosh cos atan asin acos ");
}

// Under a tight address-space limit the start-up install fails: the program
// says so in its one line and runs no session. The limit that lets the
// program load but not install is searched, since it depends on the libraries.
TEST(OutOfMemoryProgram, StartupInstallFailureStartsNoSession) {
#ifdef UNDER_ADDRESS_SANITIZER
  GTEST_SKIP() << "AddressSanitizer reserves far more address space than any small limit allows";
#endif
  const std::string MESSAGE = "out of memory: the built-in functions cannot be installed\n";
  bool seen = false;
  for (unsigned long kib = 2000; kib <= 12000 && !seen; kib += 20) {
    ProgramRun run = run_program(ZIFFRALON_BINARY, "1+1\n", kib << 10);
    if (run.output.find(MESSAGE) == std::string::npos) continue;
    seen = true;
    EXPECT_EQ(run.output, MESSAGE) << kib << " KiB";
    EXPECT_EQ(run.exit_status, 0);
  }
  EXPECT_TRUE(seen) << "no limit made the start-up install fail";
}

TEST(OutOfMemoryProgram, AddressSpaceLimitEndsTheSessionAndTheProgramExitsNormally) {
#ifdef UNDER_ADDRESS_SANITIZER
  GTEST_SKIP() << "AddressSanitizer reserves far more address space than any small limit allows";
#endif
  const int LINES = 1500000;
  std::string input;
  for (int i = 0; i < LINES; ++i) input += "v" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  ProgramRun run = run_program(ZIFFRALON_BINARY, input, 64ul << 20);
  EXPECT_EQ(run.exit_status, 0);
  std::size_t message = run.output.find(NO_SYMBOL);
  ASSERT_NE(message, std::string::npos) << "the limit was never reached";
  EXPECT_EQ(message + NO_SYMBOL.size(), run.output.size());  // nothing after it
  std::string expected = "\n## ZIFFRALON V0.32 ##\r\n\r\n?<ENTER> fuer Hilfe\n\n";
  for (int i = 0; expected.size() < message; ++i) expected += "\t" + std::to_string(i) + "\n";
  EXPECT_EQ(run.output.substr(0, message), expected);
  EXPECT_GT(message, 1000u);  // many lines were answered first
}

}  // namespace
