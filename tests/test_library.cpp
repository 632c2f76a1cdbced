// The public calls of <ziffralon/ziffralon.h>: error offsets and the host's
// access to variables.
#include <ziffralon/ziffralon.h>

#include <gtest/gtest.h>

#include <string>

#include "core/memory.h"
#include "core/symbols.h"

namespace {

struct OffsetCase {
  const char* text;
  long offset;  // -1: succeeds
};

TEST(LibraryErrorOffset, IsWhereTheOffendingTokenStarts) {
  const OffsetCase cases[] = {
      {"1+*2", 2},     {"offA=7; 1 2", 10}, {"1+", 2},     {"  )", 2},       {"1 +  ", 5},
      {"sin 1", 4},    {"5%3", 2},         {"?;", 1},     {"offB offC", 5}, {"\xFC", 0},
      {"offD(3)", 4},  {"1\n2\n3 +\n", 7}, {"3*4", -1},   {"", -1},         {"1e3; 2ex", 7},
  };
  for (const OffsetCase& c : cases) {
    double result = 0;
    long offset = -12345;
    EXPECT_EQ(ziffralon_evaluate(c.text, &result, &offset), c.offset < 0) << c.text;
    EXPECT_EQ(offset, c.offset) << c.text;
  }
}

TEST(LibraryErrorOffset, RefusedTextsAndNullPointers) {
  std::string too_long(ZIFFRALON_MAX_TEXT + 1, '1');
  double result = 17;
  long offset = 0;
  EXPECT_EQ(ziffralon_evaluate(too_long.c_str(), &result, &offset), 0);
  EXPECT_EQ(offset, ZIFFRALON_MAX_TEXT);
  EXPECT_EQ(ziffralon_evaluate(nullptr, &result, &offset), 0);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(result, 17);  // untouched
  EXPECT_EQ(ziffralon_evaluate("nullResult = 4", nullptr, nullptr), 1);
  EXPECT_EQ(ziffralon_evaluate("nullResult +", nullptr, nullptr), 0);
  EXPECT_EQ(ziffralon_evaluate("nullResult * 2", &result, nullptr), 1);
  EXPECT_EQ(result, 8);
}

TEST(LibraryErrorOffset, OutOfMemoryIsAtTheTokenBeingRead) {
  double result = 0;
  long offset = 0;
  ASSERT_EQ(ziffralon_evaluate("0", &result, &offset), 1);  // the start-up symbols are in
  ziffralon::fail_allocations_after(0);
  EXPECT_EQ(ziffralon_evaluate("1 + oomNewName", &result, &offset), 0);
  ziffralon::fail_allocations_after(-1);
  EXPECT_EQ(offset, 4);
  EXPECT_EQ(ziffralon::symbol_lookup("oomNewName"), nullptr);
}

struct NameCase {
  std::string name;
  bool accepted;
};

TEST(LibraryVariables, OnlyIdentifiersThatAreNoFunctionsCanBeSet) {
  const NameCase cases[] = {
      {"hostA", true},      {"h2", true},     {std::string(255, 'v'), true}, {"Z", true},
      {"", false},          {"2x", false},    {"a_b", false},                {"a b", false},
      {"\xFCx", false},     {"x\xFC", false}, {std::string(256, 'w'), false}, {std::string("ab\0c", 4), false},
      {"sin", false},       {"kf", false},    {"log10", false},
  };
  double value = 1.25;
  for (const NameCase& c : cases) {
    value += 1;
    EXPECT_EQ(ziffralon::set_variable(c.name, value), c.accepted) << c.name;
    EXPECT_EQ(ziffralon::get_variable(c.name), c.accepted ? std::optional(value) : std::nullopt) << c.name;
    bool created = ziffralon::symbol_lookup_length(c.name.data(), c.name.size()) != nullptr;
    EXPECT_EQ(created, c.accepted || c.name == "sin" || c.name == "kf" || c.name == "log10") << c.name;
  }
}

TEST(LibraryVariables, AreTheEvaluatorsVariables) {
  ASSERT_TRUE(ziffralon::set_variable("hostWidth", 6));
  double result = 0;
  EXPECT_TRUE(ziffralon::evaluate_string("hostArea = hostWidth * 7", result));
  EXPECT_EQ(ziffralon::get_variable("hostArea"), 42);
  EXPECT_EQ(ziffralon::get_variable("pi"), 3.141592653589793);
  EXPECT_EQ(ziffralon::get_variable("neverMentioned"), std::nullopt);
  EXPECT_EQ(ziffralon::symbol_lookup("neverMentioned"), nullptr);  // asking creates nothing

  EXPECT_EQ(ziffralon_set_variable("hostDepth", 2.5), 1);
  EXPECT_EQ(ziffralon_set_variable(nullptr, 1), 0);
  double value = 0;
  EXPECT_EQ(ziffralon_get_variable("hostDepth", &value), 1);
  EXPECT_EQ(value, 2.5);
  EXPECT_EQ(ziffralon_get_variable("hostDepth", nullptr), 1);
  EXPECT_EQ(ziffralon_get_variable("sqrt", &value), 0);
  EXPECT_EQ(ziffralon_get_variable(nullptr, &value), 0);
  EXPECT_EQ(value, 2.5);
}

TEST(LibraryVariables, OutOfMemoryChangesNothing) {
  ASSERT_TRUE(ziffralon::get_variable("pi"));  // the start-up symbols are in
  ziffralon::fail_allocations_after(0);
  EXPECT_FALSE(ziffralon::set_variable("oomHostName", 1));
  ziffralon::fail_allocations_after(-1);
  EXPECT_EQ(ziffralon::get_variable("oomHostName"), std::nullopt);
}

TEST(LibraryVersion, IsTheHeadersVersion) {
  EXPECT_STREQ(ziffralon_version(), ZIFFRALON_VERSION_STRING);
  EXPECT_STREQ(ziffralon_version(), "0.32");
  EXPECT_EQ(ZIFFRALON_VERSION_MAJOR, 0);
  EXPECT_EQ(ZIFFRALON_VERSION_MINOR, 32);
}

}  // namespace
