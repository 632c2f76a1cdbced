// Interpreters of a host's own: each alone with its variables, with no limit
// on a text's length, and otherwise answering exactly as the process's
// default interpreter does; host functions, bound variables, the listing, and
// memory given back (ASan/LSan watch the frees, the unload case the process).
#include <ziffralon/ziffralon.h>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "console_capture.h"

#ifndef __has_feature
#define __has_feature(feature) 0
#endif

namespace {

// Every line of every golden transcript's input.
std::vector<std::string> transcript_lines() {
  std::vector<std::string> lines;
  for (const auto& entry : std::filesystem::directory_iterator(ZIFFRALON_TRANSCRIPTS)) {
    if (entry.path().extension() != ".in") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
  }
  return lines;
}

// Texts of the language's tokens, blanks and a few undefined bytes, in random order.
std::vector<std::string> random_texts(int count) {
  static const char* const PIECES[] = {"1", "2.5", "0", "170", "3e2", ".", "x", "y", "pi", "e", "sin", "kf", "(",
                                       ")", "+", "-", "*", "/", "^", "%", "!", "~", "=", ";", "\n", " ", "#", "?",
                                       ",", "\xFC", "1e", "x1"};
  std::mt19937 random(17);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) {
    std::string text;
    for (int n = random() % 14; n > 0; --n) text += PIECES[random() % std::size(PIECES)];
    texts.push_back(text);
  }
  return texts;
}

struct Outcome {
  int succeeded;
  long offset;
  std::uint64_t bits;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  return out << o.succeeded << " at " << o.offset << " bits " << std::hex << o.bits << std::dec;
}

TEST(Interpreters, AnswerAsTheDefaultInterpreterDoes) {
  ConsoleCapture quiet;
  ziffralon::Interpreter own;
  ASSERT_TRUE(own);
  std::vector<std::string> texts = transcript_lines();
  for (const std::string& text : random_texts(20000)) texts.push_back(text);
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

// A host that loads the shared library, uses it and unloads it again and
// again must not grow: the default interpreter's memory goes back each time.
TEST(InterpretersRegression, UnloadingTheLibraryGivesItsMemoryBack) {
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
  GTEST_SKIP() << "the sanitizer's allocator keeps freed memory; LeakSanitizer checks the release instead";
#endif
  auto heap_in_use = [] {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
  };
  auto cycle = [] {
    void* library = dlopen(ZIFFRALON_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto evaluate = reinterpret_cast<int (*)(const char*, double*, long*)>(dlsym(library, "ziffralon_evaluate"));
    double result = 0;
    ASSERT_TRUE(evaluate && evaluate("unloaded = 6 * 7", &result, nullptr) && result == 42);
    ASSERT_EQ(dlclose(library), 0);
    ASSERT_EQ(dlopen(ZIFFRALON_MODULE, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library stayed loaded";
  };
  for (int i = 0; i < 20; ++i) cycle();
  std::size_t before = heap_in_use();
  for (int i = 0; i < 2000; ++i) cycle();
  EXPECT_LT(heap_in_use(), before + (1u << 20));
}

}  // namespace
