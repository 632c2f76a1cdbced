// The evaluator as hosts see it through <ziffralon/ziffralon.h>. One
// interpreter serves every call, so the cases run in order and each expects
// the result an earlier one left; none of them may print anything.
#include <ziffralon/ziffralon.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_capture.h"
#include "core/memory.h"
#include "core/interpreter.h"
#include "eval/evaluate.h"

namespace {

using ziffralon::get_variable;
constexpr double PI = 3.141592653589793;
constexpr std::nullopt_t ABSENT = std::nullopt;

struct EvaluateCase {
  std::string text;
  double result;  // what the caller gets, even after a failure
  long offset;    // where the first error's token starts; -1: succeeds
  std::vector<std::pair<const char*, std::optional<double>>> variables;  // afterwards
};

const EvaluateCase CASES[] = {
    // The program's closing texts; the second stops at its ',' before any name.
    {"pi", PI, -1, {}},
    {",.-34590dfsmfs\xDF" "243+\xFC#+\xFC+\xFC+\xFC", PI, 0, {{"dfsmfs", ABSENT}}},
    {"a = 3\n b = 4\n a * b", 12, -1, {}},
    {"r1=3; r2=6; r3=12; k3=kf(r3);", 144 * PI, -1, {{"r1", 3}, {"r2", 6}, {"r3", 12}}},
    {"r=12; f=kf(r); p=f*50%", 72 * PI, -1, {{"f", 144 * PI}}},
    // An error stops evaluation; what came before it stays done.
    {"stopA=7; 1 2; stopB=8", 7, 11, {{"stopA", 7}, {"stopB", ABSENT}}}, {"stopA+1", 8, -1, {}},
    // Without a new expression the last result stays.
    {"40+2", 42, -1, {}}, {"1+", 42, 2, {}}, {"", 42, -1, {}}, {"#", 42, -1, {}}, {"?", 42, -1, {}},
    {"\xFC", 42, 0, {}},
    // A carriage return is an undefined token; an assignment before it is made,
    // but its value is no result.
    {"1+1\r\n", 42, 3, {}}, {"crA=1\r", 42, 5, {{"crA", 1}}}, {"crB=2;\rcrC=3", 2, 6, {{"crC", ABSENT}}},
    // Numbers read as on the console: "e" without digits is no exponent.
    {"1e3", 1000, -1, {{"e3", ABSENT}}}, {"1.5e3", 1500, -1, {}}, {"2e", 2, -1, {}}, {"1.2.3", 2, 3, {}},
    {"2ex", 2, 2, {{"x", 0}}}, {"1e3; 2ex", 1000, 7, {}},
    // Blanks before a token are not part of it.
    {"1+*2", 1000, 2, {}}, {"  )", 1000, 2, {}}, {"1 +  ", 1000, 5, {}}, {"sin 1", 1000, 4, {}},
    {"5%3", 1000, 2, {}}, {"?;", 1000, 1, {}}, {"offB offC", 1000, 5, {{"offC", 0}}}, {"offD(3)", 1000, 4, {}},
    {"1\n2\n3 +\n", 2, 7, {}}, {"3*4", 12, -1, {}},
};

TEST(Library, EvaluatesQuietlyWithErrorOffsets) {
  ConsoleCapture console;
  for (const EvaluateCase& c : CASES) {
    double result = -1;
    long offset = -2;
    EXPECT_EQ(ziffralon_evaluate(c.text.c_str(), &result, &offset), c.offset < 0) << c.text;
    EXPECT_DOUBLE_EQ(result, c.result) << c.text;
    EXPECT_EQ(offset, c.offset) << c.text;
    for (const auto& [name, value] : c.variables) EXPECT_EQ(get_variable(name), value) << c.text;
  }
  const std::pair<const char*, double> closed[] = {{"a", 3}, {"b", 4}, {"k3", 144 * PI}, {"p", 72 * PI}};
  for (const auto& variable : closed) ziffralon::set_variable(variable.first, 0);
  ziffralon::run_closing_evaluations();
  for (const auto& [name, value] : closed) EXPECT_DOUBLE_EQ(get_variable(name).value_or(0), value) << name;
  EXPECT_EQ(console.text(), "");
}

TEST(Library, RefusesTooLongAndNullTextsWithTheResultUntouched) {
  double result = -1;
  long offset = 0;
  std::string text = "refused=1;";
  text.resize(ZIFFRALON_MAX_TEXT + 1, ' ');
  EXPECT_EQ(ziffralon_evaluate(text.c_str(), &result, &offset), 0);
  EXPECT_EQ(offset, ZIFFRALON_MAX_TEXT);
  EXPECT_EQ(ziffralon_evaluate(nullptr, &result, &offset), 0);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(result, -1);  // untouched
  EXPECT_EQ(get_variable("refused"), ABSENT);
  text.replace(0, 10, "accepted=1").pop_back();  // the longest text accepted
  EXPECT_EQ(ziffralon_evaluate(text.c_str(), nullptr, nullptr), 1);
  EXPECT_EQ(ziffralon_evaluate("accepted * 8", &result, nullptr), 1);
  EXPECT_EQ(result, 8);
  EXPECT_STREQ(ziffralon_version(), ZIFFRALON_VERSION_STRING);
}

TEST(Library, SharesVariablesWithTheConsole) {
  ConsoleCapture console;
  double result = 0;
  ASSERT_TRUE(ziffralon::evaluate_string("sharedFromString=5", result));
  std::string input = "sharedFromString*2\nsharedFromConsole=9\n";
  ziffralon::console_read_from_memory(input.data(), input.size());
  EXPECT_TRUE(ziffralon::run_console_session(ziffralon::default_interpreter));
  EXPECT_EQ(console.text(), "\t10\n\t9\n");
  EXPECT_TRUE(ziffralon::evaluate_string("sharedFromConsole+sharedFromString", result));
  EXPECT_EQ(result, 14);
}

TEST(Library, SetsOnlyIdentifiersThatAreNoFunctions) {
  const std::pair<std::string, bool> cases[] = {
      {"hostA", true}, {"h2", true}, {std::string(255, 'v'), true}, {"Z", true}, {"", false}, {"2x", false},
      {"a_b", false}, {"a b", false}, {"\xFCx", false}, {"x\xFC", false}, {std::string(256, 'w'), false},
      {std::string("ab\0c", 4), false}, {"sin", false}, {"kf", false}, {"log10", false},
  };
  double value = 1.25;
  for (const auto& [name, accepted] : cases) {
    EXPECT_EQ(ziffralon::set_variable(name, ++value), accepted) << name;
    EXPECT_EQ(get_variable(name), accepted ? std::optional(value) : ABSENT) << name;
  }
  EXPECT_EQ(get_variable("neverMentioned"), ABSENT);
  EXPECT_EQ(ziffralon::symbol_lookup(ziffralon::default_interpreter, "neverMentioned"), nullptr);  // asking created nothing
  EXPECT_TRUE(ziffralon::set_variable("hostWidth", 6));
  EXPECT_TRUE(ziffralon::evaluate_string("hostArea = hostWidth * 7", value));
  EXPECT_EQ(get_variable("hostArea"), 42);
  EXPECT_EQ(ziffralon_set_variable(nullptr, 1), 0);
  EXPECT_EQ(ziffralon_get_variable("hostArea", nullptr), 1);
  EXPECT_EQ(ziffralon_get_variable("sqrt", &value) + ziffralon_get_variable(nullptr, &value), 0);
  EXPECT_EQ(value, 42);
}

TEST(Library, OutOfMemoryChangesNothing) {
  double result = 0;
  long offset = 0;
  ASSERT_EQ(ziffralon_evaluate("0", &result, &offset), 1);  // the start-up symbols are in
  ziffralon::fail_allocations_after(0);
  EXPECT_EQ(ziffralon_evaluate("4; 1 + oomNewName", &result, &offset), 0);
  EXPECT_FALSE(ziffralon::set_variable("oomHostName", 1));
  ziffralon::fail_allocations_after(-1);
  EXPECT_EQ(offset, 7);  // at the token being read
  EXPECT_EQ(result, 4);  // the statement before it kept its effect
  EXPECT_EQ(get_variable("oomNewName"), get_variable("oomHostName"));
  EXPECT_EQ(get_variable("oomNewName"), ABSENT);
  EXPECT_EQ(ziffralon_evaluate("oomNewName + 1", &result, &offset), 1);  // the next call works again
  EXPECT_EQ(result, 1);
}

}  // namespace
