// Running out of memory: every allocation that can fail is made to fail, in
// process through the fault injection in memory.h and in the real program
// under an address-space limit. The calculator must say so in one line, end
// the parse, and never crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "console_capture.h"
#include "core/memory.h"
#include "core/interpreter.h"
#include "eval/evaluate.h"
#include "process.h"

using namespace ziffralon;

#ifndef __has_feature
#define __has_feature(feature) 0
#endif

namespace {

const std::string NO_SYMBOL = "out of memory: no room for a new symbol\n";
const std::string NO_STACK = "out of memory: the parser stack cannot grow\n";

class OutOfMemory : public ::testing::Test {
  void TearDown() override { fail_allocations_after(-1); }
};

// A console session whose lines alternate between allocating symbols and
// growing the stack, with the Nth allocation failing (negative: none);
// whichever fails, the answers before it stand and exactly the message of the
// line that needed the memory follows, and the parse ends.
TEST_F(OutOfMemory, EveryAllocationOfASessionMayFail) {
  auto run = [](const std::string& prefix, long failing_allocation) {
    const std::string open(300, '('), close(300, ')');
    std::string input = prefix + "a=3\n" + open + prefix + "a" + close + "\n" + prefix + "c=" + prefix + "a+1\n" +
                        open + open + prefix + "c" + close + close + "\n" + prefix + "a\n";
    install_initial_symbols(default_interpreter);
    ConsoleCapture capture;
    console_read_from_memory(input.data(), input.size());
    default_interpreter.session.console_mode = true;
    fail_allocations_after(failing_allocation);
    int result = parse_input(default_interpreter);
    fail_allocations_after(-1);
    return std::pair(result, capture.text());
  };
  const std::string REFERENCE = "\t3\n\t3\n\t4\n\t4\n\t3\n";
  ASSERT_EQ(run("sweepref", -1), std::pair(int{PARSE_ACCEPTED}, REFERENCE));
  const std::string messages[] = {NO_SYMBOL, NO_STACK, NO_SYMBOL, NO_STACK};
  bool failed_in_line[4] = {};
  const long LAST = 24;
  for (long n = 0; n <= LAST; ++n) {
    auto [result, output] = run("sweep" + std::to_string(n) + "x", n);
    EXPECT_EQ(result == PARSE_ACCEPTED, output == REFERENCE) << n;
    if (result == PARSE_ACCEPTED) continue;
    ASSERT_EQ(result, PARSE_EXHAUSTED) << n;
    std::size_t message_start = output.rfind('\n', output.size() - 2) + 1;  // npos + 1 is 0
    std::size_t line = static_cast<std::size_t>(std::count(output.begin(), output.begin() + message_start, '\n'));
    ASSERT_LT(line, 4u) << n;
    EXPECT_EQ(output.substr(0, message_start), REFERENCE.substr(0, message_start)) << n;
    EXPECT_EQ(output.substr(message_start), messages[line]) << n;
    failed_in_line[line] = true;
  }
  for (bool failed : failed_in_line) EXPECT_TRUE(failed);
  EXPECT_EQ(run("sweeplast", LAST).first, PARSE_ACCEPTED);  // the session makes fewer allocations
}

// Needs a table not yet filled: ctest runs every test in a process of its own.
TEST_F(OutOfMemory, InstallTwiceAfterPartialInstall) {
  if (symbol_head(default_interpreter)) GTEST_SKIP() << "the symbol table was filled by an earlier test in this process";
  double result = 0.0;
  long failures = 0;
  for (long n = 0;; ++n, ++failures) {
    fail_allocations_after(n);
    bool ok = evaluate_string("pi", result);
    fail_allocations_after(-1);
    if (ok) break;
    ASSERT_EQ(symbol_head(default_interpreter), nullptr) << "a failed install left records behind, allocation " << n;
  }
  EXPECT_GE(failures, 18);  // each of the 18 start-up records could fail
  EXPECT_EQ(result, 3.141592653589793);
  std::string names;
  for (const Symbol* symbol = symbol_head(default_interpreter); symbol; symbol = symbol->next) names += std::string(symbol_name(symbol)) + " ";
  EXPECT_EQ(names, "e pi sqrt tanh tan sinh sin log10 ln ku kf fabs exp cosh cos atan asin acos ");
}

// The real program under an address-space limit; AddressSanitizer reserves
// far more address space than any small limit allows.
class OutOfMemoryProgram : public ::testing::Test {
  void SetUp() override {
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
    GTEST_SKIP() << "under AddressSanitizer";
#endif
  }
};

// The start-up install fails: the program says so in its one line and runs
// no session. The limit that lets the program load but not install is
// searched, since it depends on the libraries.
TEST_F(OutOfMemoryProgram, StartupInstallFailureStartsNoSession) {
  const std::string MESSAGE = "out of memory: the built-in functions cannot be installed\n";
  bool seen = false;
  for (unsigned long kib = 2000; kib <= 12000 && !seen; kib += 20) {
    ProgramRun run = run_program(ZIFFRALON_BINARY, "1+1\n", kib << 10);
    if (run.output.find(MESSAGE) == std::string::npos) continue;
    seen = true;
    EXPECT_EQ(run.output + std::to_string(run.exit_status), MESSAGE + "0") << kib << " KiB";
  }
  EXPECT_TRUE(seen) << "no limit made the start-up install fail";
}

TEST_F(OutOfMemoryProgram, AddressSpaceLimitEndsTheSessionAndTheProgramExitsNormally) {
  std::string input;
  for (int i = 0; i < 1500000; ++i) input += "v" + std::to_string(i) + "=" + std::to_string(i) + "\n";
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
