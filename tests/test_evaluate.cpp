#include <gtest/gtest.h>

#include <string>

#include "core/console_io.h"
#include "core/session.h"
#include "core/symbols.h"
#include "eval/evaluate.h"

using namespace ziffralon;

namespace {

std::string printed;

void capture(const char* bytes, std::size_t size) { printed.append(bytes, size); }

// Every test watches standard output: quiet evaluation must print nothing.
class EvaluateString : public ::testing::Test {
 protected:
  void SetUp() override {
    install_initial_symbols();
    printed.clear();
    console_set_output_sink(capture);
  }
  void TearDown() override {
    console_flush();
    EXPECT_EQ(printed, "");
    console_set_output_sink(nullptr);
  }

  double value_of(const char* name) {
    Symbol* symbol = symbol_lookup(name);
    EXPECT_NE(symbol, nullptr) << name;
    return symbol ? symbol->value.number : 0;
  }

  // Evaluates `text` and expects `succeeds`; returns the result.
  double evaluate(const char* text, bool succeeds) {
    double result = -12345;
    EXPECT_EQ(evaluate_string(text, result), succeeds) << text;
    return result;
  }
};

TEST_F(EvaluateString, TheClosingRunsTexts) {
  EXPECT_EQ(evaluate("pi", true), 3.141592653589793);
  Symbol* head = symbol_head();
  EXPECT_EQ(evaluate(",.-34590dfsmfs\xDF" "243+\xFC#+\xFC+\xFC+\xFC", false), 3.141592653589793);
  EXPECT_EQ(symbol_head(), head);  // stopped at the ',' before any identifier
  EXPECT_EQ(evaluate("a = 3\n b = 4\n a * b", true), 12);
  EXPECT_NEAR(evaluate("r1=3; r2=6; r3=12; k3=kf(r3);", true), 452.3893421, 1e-7);
  EXPECT_EQ(value_of("r1") + value_of("r2") + value_of("r3"), 21);
  EXPECT_NEAR(evaluate("r=12; f=kf(r); p=f*50%", true), 226.1946711, 1e-7);
  EXPECT_NEAR(value_of("f"), 452.3893421, 1e-7);
}

TEST_F(EvaluateString, ClosingRunLeavesItsVariablesAndPrintsNothing) {
  run_closing_evaluations();
  EXPECT_EQ(value_of("a"), 3);
  EXPECT_EQ(value_of("b"), 4);
  EXPECT_NEAR(value_of("k3"), 452.3893421, 1e-7);
  EXPECT_NEAR(value_of("p"), 226.1946711, 1e-7);
}

TEST_F(EvaluateString, AnErrorStopsEvaluationButKeepsEarlierEffects) {
  EXPECT_EQ(evaluate("stopA=7; 1 2; stopB=8", false), 7);
  EXPECT_EQ(value_of("stopA"), 7);
  EXPECT_EQ(symbol_lookup("stopB"), nullptr);
  // The next call starts at the beginning of its own text.
  EXPECT_EQ(evaluate("stopA+1", true), 8);
}

TEST_F(EvaluateString, WithoutAnExpressionTheLastResultStays) {
  EXPECT_EQ(evaluate("40+2", true), 42);
  EXPECT_EQ(evaluate("1+", false), 42);
  EXPECT_EQ(evaluate("", true), 42);
  EXPECT_EQ(evaluate("#", true), 42);
  EXPECT_EQ(evaluate("?", true), 42);
  EXPECT_EQ(evaluate("\xFC", false), 42);
}

TEST_F(EvaluateString, SharesVariablesWithTheConsole) {
  EXPECT_EQ(evaluate("sharedFromString=5", true), 5);
  std::string console_input = "sharedFromString*2\nsharedFromConsole=9\n";
  console_read_from_memory(console_input.data(), console_input.size());
  EXPECT_TRUE(run_console_session());
  console_flush();
  EXPECT_EQ(printed, "\t10\n\t9\n");
  printed.clear();
  EXPECT_EQ(evaluate("sharedFromConsole+sharedFromString", true), 14);
}

TEST_F(EvaluateString, NumbersReadAsOnTheConsole) {
  Symbol* head = symbol_head();
  EXPECT_EQ(evaluate("1e3", true), 1000);
  EXPECT_EQ(evaluate("1.5e3", true), 1500);
  EXPECT_EQ(evaluate("2e", true), 2);
  EXPECT_EQ(symbol_head(), head);  // no variable "e3" or the like
  EXPECT_EQ(evaluate("1.2.3", false), 2);
  EXPECT_EQ(evaluate("2ex", false), 2);
  EXPECT_NE(symbol_lookup("x"), nullptr);
}

TEST_F(EvaluateString, TooLongOrNullTextIsRejectedUntouched) {
  EXPECT_EQ(evaluate("17", true), 17);
  std::string text = "rejected=1;";
  text.resize(EVALUATE_MAX_TEXT + 1, ' ');
  EXPECT_EQ(evaluate(text.c_str(), false), -12345);  // result untouched
  EXPECT_EQ(symbol_lookup("rejected"), nullptr);
  EXPECT_EQ(session.last_result, 17);
  EXPECT_EQ(evaluate(nullptr, false), -12345);

  std::string longest = "accepted=1";
  longest.resize(EVALUATE_MAX_TEXT, ' ');
  EXPECT_EQ(evaluate(longest.c_str(), true), 1);
}

}  // namespace
