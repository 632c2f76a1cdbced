// Interpreters of a host's own and their compiled programs. An interpreter
// answers exactly as the process's default interpreter does, alone with its
// variables and with no limit on a text's length; running a program is
// evaluating its text at that moment (the same success, error offset, result
// bits and variables afterwards) over every golden transcript's input and
// random texts, and a text that does not compile leaves its interpreter as it
// was. Also host functions, bound variables, the listing, running out of
// memory, and memory given back (ASan/LSan watch the frees, the unload case
// the process).
#include <ziffralon/ziffralon.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "console_capture.h"
#include "core/memory.h"

namespace {

double host_function(double x) { return x * 3 + 1; }

// An interpreter with a few variables set, one bound to a host double, and a
// host function; two of these start equal.
volatile double zero = 0;

struct Prepared {
  ziffralon::Interpreter in;
  double bound = 0.25;
  Prepared() {
    in.set_variable("x", 1.5);
    in.set_variable("y", -2);
    // NaNs unlike the one 0/0 makes: quiet with the other sign, and signaling.
    in.set_variable("q", std::copysign(std::numeric_limits<double>::quiet_NaN(), -std::copysign(1.0, 0.0 / zero)));
    in.set_variable("s", std::numeric_limits<double>::signaling_NaN());
    in.bind_variable("b", bound);
    in.define_function("h", host_function);
  }
  std::string variables() const {
    std::ostringstream listing;
    in.list_variables([&listing](const char* name, double value) {
      listing << name << '=' << std::bit_cast<std::uint64_t>(value) << ' ';
    });
    return listing.str();
  }
};

struct Outcome {
  bool succeeded;
  long offset;
  std::uint64_t bits;
  std::string variables;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  return out << o.succeeded << " at " << o.offset << " bits " << std::hex << o.bits << std::dec << " vars "
             << o.variables;
}

// Evaluates `text` twice in one interpreter, compiles and runs it twice in
// another, and compares each round; when it does not compile, the offset must
// be evaluation's and the compiling interpreter untouched.
void expect_run_equals_evaluate(const std::string& text) {
  Prepared evaluating, compiling;
  const std::string untouched = compiling.variables();
  long offset = 0;
  ziffralon::Program program(compiling.in, text.c_str(), &offset);
  for (int round = 0; round < 2; ++round) {
    Outcome expected{}, got{};
    double result = 0;
    expected.succeeded = evaluating.in.evaluate(text.c_str(), result, &expected.offset);
    expected.bits = std::bit_cast<std::uint64_t>(result);
    expected.variables = evaluating.variables();
    if (!program) {
      ASSERT_FALSE(expected.succeeded) << text;
      ASSERT_EQ(offset, expected.offset) << text;
      ASSERT_EQ(compiling.variables(), untouched) << text;
      return;
    }
    got.succeeded = program.run(result);
    got.offset = offset;
    got.bits = std::bit_cast<std::uint64_t>(result);
    got.variables = compiling.variables();
    ASSERT_EQ(got, expected) << text << " round " << round;
  }
}

std::vector<std::string> transcript_inputs() {
  std::vector<std::string> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(ZIFFRALON_TRANSCRIPTS)) {
    if (entry.path().extension() != ".in") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return inputs;
}

TEST(Programs, RunAsEvaluatingOverTheTranscripts) {
  for (const std::string& input : transcript_inputs()) {
    expect_run_equals_evaluate(input);
    std::istringstream lines(input);
    for (std::string line; std::getline(lines, line);) expect_run_equals_evaluate(line);
  }
}

// Random statements of the language, some with a piece cut out or put in.
class RandomTexts {
 public:
  std::string text() {
    std::string text = statement();
    for (int n = random_() % 3; n > 0; --n) text += (random_() % 2 ? ";" : "\n") + statement();
    if (random_() % 4 == 0) text.insert(random_() % (text.size() + 1), pick(NOISE));
    if (random_() % 4 == 0 && !text.empty()) text.erase(random_() % text.size(), 1 + random_() % 3);
    return text;
  }

 private:
  template <std::size_t N>
  const char* pick(const char* const (&choices)[N]) {
    return choices[random_() % N];
  }
  std::string statement() { return random_() % 8 == 0 ? pick(LINES) : expression(4); }
  std::string expression(int depth) {
    switch (depth <= 0 ? random_() % 2 : random_() % 9) {
      case 0: return pick(NUMBERS);
      case 1: return pick(VARIABLES);
      case 2: return std::string(pick(VARIABLES)) + "=" + expression(depth - 1);
      case 3: return std::string(pick(FUNCTIONS)) + "(" + expression(depth - 1) + ")";
      case 4: return "-" + expression(depth - 1);
      case 5: return expression(depth - 1) + pick(POSTFIX);
      case 6: return "(" + expression(depth - 1) + ")";
      default: return expression(depth - 1) + pick(OPERATORS) + expression(depth - 1);
    }
  }
  static constexpr const char* NUMBERS[] = {"0", "1", "2.5", "3", "170", "171", "1e3", "0.1", ".", "4294967301"};
  static constexpr const char* VARIABLES[] = {"x", "y", "b", "z", "pi", "e", "q", "s"};
  static constexpr const char* FUNCTIONS[] = {"sin", "ln", "sqrt", "h", "kf", "fabs"};
  static constexpr const char* POSTFIX[] = {"%", "!"};
  static constexpr const char* OPERATORS[] = {"+", "-", "*", "/", "^", "~", " + ", "*"};
  static constexpr const char* LINES[] = {"#", "?", "", " "};
  static constexpr const char* NOISE[] = {"(", ")", "=", "+", "1", "x", ",", "\xFC", "\n", "0/0", " 2"};
  std::mt19937 random_{1717};
};

TEST(Interpreters, AnswerAsTheDefaultInterpreterDoes) {
  ConsoleCapture quiet;
  ziffralon::Interpreter own;
  ASSERT_TRUE(own);
  std::vector<std::string> texts;
  for (const std::string& input : transcript_inputs()) {
    std::istringstream lines(input);
    for (std::string line; std::getline(lines, line);) texts.push_back(line);
  }
  RandomTexts random;
  for (int i = 0; i < 20000; ++i) texts.push_back(random.text());
  for (const std::string& text : texts) {
    if (text.size() > ZIFFRALON_MAX_TEXT) continue;
    Outcome expected{}, got{};
    double result = 0;
    expected.succeeded = ziffralon_evaluate(text.c_str(), &result, &expected.offset);
    expected.bits = std::bit_cast<std::uint64_t>(result);
    got.succeeded = ziffralon_interpreter_evaluate(own.handle(), text.c_str(), &result, &got.offset);
    got.bits = std::bit_cast<std::uint64_t>(result);
    ASSERT_EQ(got, expected) << text;
  }
  EXPECT_EQ(quiet.text(), "");
}

TEST(Programs, RunAsEvaluatingOverRandomTexts) {
  // Constants that fold to NaNs, met by NaN variables on either side.
  for (const char* text : {"q*(0/0)", "(0/0)*q", "s-sqrt(-1)", "-(0/0)+s", "s/2", "2-s", "(0/0)^q", "q~(0/0)"})
    expect_run_equals_evaluate(text);
  RandomTexts texts;
  for (int i = 0; i < 30000; ++i) {
    expect_run_equals_evaluate(texts.text());
    if (HasFatalFailure()) return;
  }
}

TEST(Programs, CompileErrorsAtTheirTokens) {
  const struct {
    const char* text;
    long offset;
  } cases[] = {{"1+", 2},          {"x = 3 4", 6},       {"sin 1", 4}, {"  )", 2},  {"5%3", 2},
               {"newName + 1 2", 12}, {"1.5e", -1},        {"a=1; ?;", 6}, {"", -1},  {"x\n#\n?\n", -1}};
  ziffralon::Interpreter in;
  for (const auto& c : cases) {
    long offset = 0;
    ziffralon::Program program(in, c.text, &offset);
    EXPECT_EQ(bool(program), c.offset < 0) << c.text;
    EXPECT_EQ(offset, c.offset) << c.text;
  }
  EXPECT_EQ(in.get_variable("newName"), std::nullopt);  // a failed compile makes no names
  EXPECT_EQ(in.get_variable("a"), std::nullopt);
  long offset = 0;
  EXPECT_EQ(ziffralon_compile(nullptr, "1", &offset), nullptr);
  EXPECT_EQ(ziffralon_compile(in.handle(), nullptr, &offset), nullptr);
  EXPECT_EQ(offset, 0);
}

TEST(Programs, ReadAndWriteBoundDoublesDirectly) {
  ziffralon::Interpreter in;
  double x = 0, total = 0, sum = 0;
  ASSERT_TRUE(in.bind_variable("x", x) && in.bind_variable("total", total));
  ziffralon::Program step(in, "total = total + x*2*3; x^2");
  ASSERT_TRUE(step);
  for (x = 0; x < 1; x += 0.125) sum += step();
  EXPECT_EQ(total, (0 + 0.125 + 0.25 + 0.375 + 0.5 + 0.625 + 0.75 + 0.875) * 6);
  EXPECT_EQ(sum, 140.0 / 64);  // the squares of the eighths
  ziffralon::Program fresh(in, "later + 1");  // `later` exists from the compile on, at 0
  EXPECT_EQ(in.get_variable("later"), 0);
  in.set_variable("later", 41);
  EXPECT_EQ(fresh(), 42);
  std::string nested = "1";
  for (int i = 0; i < 2000; ++i) nested = "x+(" + nested + ")";
  ziffralon::Program tall(in, nested.c_str());  // more waiting values than a run keeps on its C stack
  x = 1;
  EXPECT_EQ(tall(), 2001);
  ziffralon::Program empty;
  double result = 5;
  EXPECT_FALSE(empty.run(result));
}

// Every allocation that making an interpreter and compiling need may fail:
// each failure is a null, nothing leaks (LeakSanitizer watches), and the
// next try works.
TEST(Programs, SurviveRunningOutOfMemory) {
  ziffralon_interpreter* in = nullptr;
  for (long n = 0; !in; ++n) {
    ASSERT_LT(n, 100);
    ziffralon::fail_allocations_after(n);
    in = ziffralon_interpreter_new();
    ziffralon::fail_allocations_after(-1);
  }
  double x = 2, result = 0;
  ASSERT_TRUE(ziffralon_interpreter_bind_variable(in, "x", &x));
  std::string text = "newA = x*2; newB = sin(newA) + 1; " + std::string(300, ' ') + "newB";  // a long text too
  ziffralon_program* program = nullptr;
  for (long n = 0; !program; ++n) {
    ASSERT_LT(n, 100);
    long offset = -5;
    ziffralon::fail_allocations_after(n);
    program = ziffralon_compile(in, text.c_str(), &offset);
    ziffralon::fail_allocations_after(-1);
    EXPECT_GE(offset, program ? -1 : 0);
  }
  EXPECT_EQ(ziffralon_run(program, &result), 1);
  EXPECT_EQ(result, std::sin(4.0) + 1);
  ziffralon_program_free(program);
  ziffralon_interpreter_free(in);
}

TEST(Interpreters, KeepTheirVariablesApartAndTakeTextsOfAnyLength) {
  ziffralon::Interpreter first, second;
  double result = 0;
  long offset = 0;
  ASSERT_TRUE(first.evaluate("apart = 2; pi = 3", result));
  EXPECT_EQ(first.get_variable("apart"), 2);
  EXPECT_EQ(second.get_variable("apart"), std::nullopt);
  EXPECT_EQ(ziffralon::get_variable("apart"), std::nullopt);
  EXPECT_EQ(second.get_variable("pi"), 3.141592653589793);
  std::string sum = "0";
  for (int i = 0; i < 100000; ++i) sum += " + 1";
  ASSERT_TRUE(second.evaluate(sum.c_str(), result, &offset));
  EXPECT_EQ(result, 100000);
  EXPECT_EQ(offset, -1);
  std::string nested = std::string(9995, '(') + "1" + std::string(9995, ')');
  EXPECT_TRUE(second.evaluate(nested.c_str(), result));
  EXPECT_FALSE(second.evaluate(("1+" + nested).c_str(), result, &offset));  // the stack's limit stays
  const std::string word(300, 'w');
  EXPECT_FALSE(second.evaluate(("1;" + word).c_str(), result, &offset));
  EXPECT_EQ(offset, 2);
  EXPECT_EQ(second.get_variable(word.substr(0, 255).c_str()), std::nullopt);
  EXPECT_EQ(ziffralon_interpreter_evaluate(nullptr, "1", &result, &offset) + first.evaluate(nullptr, result), 0);
  ziffralon::Interpreter moved = std::move(first);
  EXPECT_FALSE(first);
  EXPECT_EQ(moved.get_variable("apart"), 2);
  EXPECT_FALSE(first.set_variable("apart", 1));
}

double twice(double x) { return 2 * x; }

TEST(Interpreters, HostFunctionsUnderNewNamesOnly) {
  ziffralon::Interpreter in;
  double result = 0;
  ASSERT_TRUE(in.evaluate("mentioned + 1", result));
  const struct {
    const char* name;
    bool accepted;
  } cases[] = {{"twice", true}, {"twice", false}, {"sin", false}, {"pi", false}, {"mentioned", false},
               {"2x", false},   {"", false},      {"t_w", false}, {"T2", true}};
  for (const auto& c : cases) EXPECT_EQ(in.define_function(c.name, twice), c.accepted) << c.name;
  EXPECT_FALSE(in.define_function("noFunction", nullptr));
  ASSERT_TRUE(in.evaluate("twice(3)^2 + T2(twice(1))", result));
  EXPECT_EQ(result, 40);
  EXPECT_FALSE(in.evaluate("twice 3", result));
  EXPECT_FALSE(in.set_variable("twice", 1));
  ziffralon::Interpreter other;
  EXPECT_FALSE(other.evaluate("twice(3)", result));  // another interpreter does not know it
}

TEST(Interpreters, BoundVariablesAreTheHostsDoubles) {
  ziffralon::Interpreter in;
  double x = 4, y = 0, result = 0;
  ASSERT_TRUE(in.evaluate("x = 1", result));
  ASSERT_TRUE(in.bind_variable("x", x));
  ASSERT_TRUE(in.bind_variable("y", y));  // created by binding
  EXPECT_EQ(x, 4);                        // the host's value wins
  ASSERT_TRUE(in.evaluate("y = x * 3", result));
  EXPECT_EQ(y, 12);
  x = 5;
  EXPECT_EQ(in.get_variable("x"), 5);
  EXPECT_TRUE(in.set_variable("x", 6));
  EXPECT_EQ(x, 6);
  EXPECT_FALSE(in.bind_variable("sqrt", x));
  EXPECT_EQ(ziffralon_interpreter_bind_variable(in.handle(), "z", nullptr), 0);
  std::vector<std::pair<std::string, double>> listed;
  long count = in.list_variables([&listed](const char* name, double value) { listed.emplace_back(name, value); });
  const std::vector<std::pair<std::string, double>> EXPECTED = {
      {"y", 12}, {"x", 6}, {"e", 2.718282}, {"pi", 3.141592653589793}};
  EXPECT_EQ(listed, EXPECTED);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(ziffralon_interpreter_list_variables(in.handle(), nullptr, nullptr), 4);
}

}  // namespace
