// Faults found by embedding the library, one regression case each: host
// functions that call back into their interpreter, programs run inside
// themselves, freeing inside a call, moved-from objects, why a text failed,
// host functions with data, and texts longer than a long reaches on some
// systems.
#include <ziffralon/ziffralon.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <map>
#include <string>

#include "console_capture.h"
#include "core/interpreter.h"
#include "core/memory.h"
#include "core/session.h"

namespace {

ziffralon_interpreter* calling_back;

// Evaluates, compiles and runs in the interpreter that called it.
double calls_back(double x) {
  double inner = 0;
  ziffralon_interpreter_evaluate(calling_back, "y = 10", &inner, nullptr);
  ziffralon_program* program = ziffralon_compile(calling_back, "z = y + 1; ", nullptr);
  ziffralon_run(program, nullptr);
  ziffralon_program_free(program);
  return x + inner;
}

TEST(FaultRegression, HostFunctionCallingBackCorruptsTheOuterEvaluation) {
  for (bool compiled : {false, true}) {
    ziffralon::Interpreter in;
    calling_back = in.handle();
    ASSERT_TRUE(in.define_function("f", calls_back));
    // A long text too: the outer one is read from the interpreter's own buffer.
    const std::string text = "a = f(1) + 2; b = 3" + std::string(300, ' ');
    double result = 0;
    long offset = 0;
    if (compiled) {
      ziffralon::Program program(in, text.c_str());
      ASSERT_TRUE(program.run(result));
    } else {
      ASSERT_TRUE(in.evaluate(text.c_str(), result, &offset));
      EXPECT_EQ(offset, -1);
    }
    EXPECT_EQ(result, 3) << compiled;
    EXPECT_EQ(in.get_variable("a"), 13);
    EXPECT_EQ(in.get_variable("b"), 3);
    EXPECT_EQ(in.get_variable("z"), 11);
    // An error after the inner calls is still found where it is.
    EXPECT_FALSE(in.evaluate("c = f(2) 4", result, &offset));
    EXPECT_EQ(offset, 9);
    EXPECT_STREQ(in.last_error(), "parse error");
  }
}

// The first call sets x to 2 and runs the program that called it once more;
// later calls only give their argument back.
ziffralon::Interpreter* nesting;
ziffralon::Program* nested_program;
int again_calls;
double again(double x) {
  if (again_calls++ == 0) {
    nesting->set_variable("x", 2);
    (*nested_program)();
  }
  return x;
}

TEST(FaultRegression, ProgramRunInsideItselfPast64WaitingValues) {
  for (int n : {64, 65, 1000}) {
    ziffralon::Interpreter in;
    nesting = &in;
    ASSERT_TRUE(in.define_function("again", again));
    std::string text;
    for (int i = 0; i < n; ++i) text += "x*3 + (";
    text += "again(1)" + std::string(n, ')');
    ziffralon::Program program(in, text.c_str());
    ASSERT_TRUE(program);
    nested_program = &program;
    again_calls = 0;
    in.set_variable("x", 1);
    // The outer run read x as 1 n times before the inner run set it to 2.
    EXPECT_EQ(program(), 3.0 * n + 1) << n;
  }
}

// Frees the interpreter (and the program) that called it: the freeing waits
// until the outermost call has ended (AddressSanitizer watches).
ziffralon_interpreter* freed_interpreter;
ziffralon_program* freed_program;
double frees_its_caller(double x) {
  ziffralon_program_free(freed_program);
  ziffralon_interpreter_free(freed_interpreter);
  return x + 1;
}

TEST(FaultRegression, HostFunctionFreeingItsInterpreterIsUsedAfterFree) {
  for (bool compiled : {false, true}) {
    freed_interpreter = ziffralon_interpreter_new();
    ASSERT_TRUE(ziffralon_interpreter_define_function(freed_interpreter, "g", frees_its_caller));
    freed_program = compiled ? ziffralon_compile(freed_interpreter, "a = g(1); b = a * 2", nullptr) : nullptr;
    double result = 0;
    if (compiled)
      EXPECT_EQ(ziffralon_run(freed_program, &result), 1);
    else
      EXPECT_EQ(ziffralon_interpreter_evaluate(freed_interpreter, "a = g(1); b = a * 2", &result, nullptr), 1);
    EXPECT_EQ(result, 4);
  }
}

TEST(FaultRegression, MovedFromProgramStillRuns) {
  ziffralon::Interpreter in, other;
  ziffralon::Program current(in, "1"), next(in, "2");
  current = std::move(next);
  double result = 0;
  EXPECT_FALSE(next.run(result));
  EXPECT_FALSE(next);
  EXPECT_EQ(current(), 2);
  other = std::move(in);
  EXPECT_FALSE(in);
  EXPECT_FALSE(in.evaluate("1", result));
  EXPECT_EQ(current(), 2);  // its interpreter lives on in `other`
}

TEST(FaultRegression, WhyATextFailedCannotBeTold) {
  const std::string too_deep = "1+" + std::string(9995, '(') + "1" + std::string(9995, ')');
  const std::string too_long = "1;" + std::string(300, 'w');
  const struct {
    std::string text;
    const char* reason;
  } cases[] = {{"1 + 2", nullptr}, {"1+", "parse error"}, {too_deep, "parser stack overflow"},
               {too_long, "identifier length is limited to 255 chars"}};
  ziffralon::Interpreter in;
  EXPECT_EQ(in.last_error(), nullptr);
  for (const auto& c : cases) {
    double result = 0;
    in.evaluate(c.text.c_str(), result);
    EXPECT_STREQ(in.last_error(), c.reason) << c.text.substr(0, 20);
    in.evaluate("0", result);
    ziffralon::Program program(in, c.text.c_str());
    EXPECT_STREQ(in.last_error(), c.reason) << c.text.substr(0, 20);
  }
  // Out of memory while compiling is no fault of the text's: offset 0.
  for (long n = 0;; ++n) {
    ASSERT_LT(n, 100);
    long offset = -5;
    ziffralon::fail_allocations_after(n);
    ziffralon_program* program = ziffralon_compile(in.handle(), "newA = 2*x; newB = sin(newA) + newA", &offset);
    ziffralon::fail_allocations_after(-1);
    if (program) {
      ziffralon_program_free(program);
      break;
    }
    EXPECT_EQ(offset, 0) << n;
    EXPECT_EQ(std::string(in.last_error()).rfind("out of memory", 0), 0u) << n;
  }
}

TEST(FaultRegression, HostFunctionCannotCarryItsOwnData) {
  int released = 0;
  {
    ziffralon::Interpreter first, second;
    std::map<double, double> table_one{{1, 10}}, table_two{{1, 20}};
    auto look_up_in = [](std::map<double, double>& table) { return [&table](double x) { return table[x]; }; };
    ASSERT_TRUE(first.define_function("table", look_up_in(table_one)));
    ASSERT_TRUE(second.define_function("table", look_up_in(table_two)));
    EXPECT_FALSE(first.define_function("table", look_up_in(table_two)));  // a known name
    double result = 0;
    ASSERT_TRUE(first.evaluate("table(1) + 1", result));
    EXPECT_EQ(result, 11);
    ziffralon::Program program(second, "t = table(1) + 1");
    EXPECT_EQ(program(), 21);
    auto count_release = [](void* data) { ++*static_cast<int*>(data); };
    auto scale = [](double x, void* data) { return x * *static_cast<int*>(data) + 100; };
    ASSERT_EQ(ziffralon_interpreter_define_function_with_data(first.handle(), "scaled", scale, &released, count_release), 1);
    ASSERT_TRUE(first.evaluate("scaled(3)", result));
    EXPECT_EQ(result, 100);  // 3 * 0 + 100: nothing released yet
  }
  EXPECT_EQ(released, 1);  // handed to its release once, when the interpreter went
}

// A program keeps the place a variable had when it was compiled; the host may
// free a double once nothing compiled while it was bound is left.
TEST(FaultRegression, RebindingLeavesProgramsWithAFreedDouble) {
  ziffralon::Interpreter in;
  auto* first = new double(1);
  double second = 2;
  ASSERT_TRUE(in.bind_variable("x", *first));
  auto* before = new ziffralon::Program(in, "x * 10");
  ASSERT_TRUE(in.bind_variable("x", second));
  ziffralon::Program after(in, "x * 10");
  EXPECT_EQ((*before)(), 10);
  EXPECT_EQ(after(), 20);
  delete before;
  delete first;
  double result = 0;
  ASSERT_TRUE(in.evaluate("x * 10", result));
  EXPECT_EQ(result, 20);
}

// Positions past 2^31 (a long's limit on Windows): evaluated as any other
// text, and an offset too large for a long is LONG_MAX.
TEST(FaultRegression, TextsPastTwoGibibytesEvaluateWrongly) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's shadow memory for two copies of 2 GiB";
#endif
  const std::size_t blanks = (std::size_t{1} << 31) + 8;
  std::string text = "6" + std::string(blanks, ' ') + "*7";
  ziffralon::Interpreter in;
  double result = 0;
  long offset = 0;
  EXPECT_TRUE(in.evaluate(text.c_str(), result, &offset));
  EXPECT_EQ(result, 42);
  text.back() = ')';
  EXPECT_FALSE(in.evaluate(text.c_str(), result, &offset));
  const std::size_t at = text.size() - 1;
  EXPECT_EQ(offset, at > static_cast<std::size_t>(LONG_MAX) ? LONG_MAX : static_cast<long>(at));
}

// The count of messages printed, which makes the exit status 1, must not
// wrap to 0 after 2^32 of them.
TEST(FaultRegression, MessageCountWrapsAfterTwoToTheThirtyTwo) {
  ziffralon::InterpreterState& in = ziffralon::default_interpreter;
  ConsoleCapture capture;
  const bool console_mode = in.session.console_mode;
  const auto count = in.session.console_errors;
  in.session.console_mode = true;
  in.session.console_errors = UINT32_MAX;
  ziffralon::report_error(in, "parse error");
  EXPECT_EQ(ziffralon::console_error_count(in), std::uint64_t{1} << 32);
  EXPECT_EQ(capture.text(), "parse error\n");
  in.session.console_mode = console_mode;
  in.session.console_errors = count;
}

}  // namespace
