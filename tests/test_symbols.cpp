// The symbol index: names that share a hash must still be told apart, without
// reading past the end of the shorter one.
#include <gtest/gtest.h>

#include <string>
#include <unordered_map>

#include "core/symbols.h"

using namespace ziffralon;

namespace {

struct NamePair {
  std::string shorter;
  std::string longer;
};

// Two names with the same hash whose lengths differ by at least two, so that
// comparing the longer over the shorter's block would read past its end: the
// short names' hashes are kept, long names are tried against them.
NamePair colliding_names_of_different_length() {
  std::unordered_map<std::uint32_t, std::string> short_names;
  for (long i = 0; i < 10000; ++i) {
    std::string name = "v" + std::to_string(i);
    short_names.emplace(symbol_hash(name.data(), name.size()), name);
  }
  for (long i = 1000000;; ++i) {
    std::string name = "v" + std::to_string(i);
    auto found = short_names.find(symbol_hash(name.data(), name.size()));
    if (found != short_names.end()) return NamePair{found->second, name};
  }
}

TEST(SymbolIndexRegression, ReadPastStoredNameOnHashCollision) {
  NamePair pair = colliding_names_of_different_length();
  ASSERT_LT(pair.shorter.size(), pair.longer.size());
  Symbol* shorter = symbol_insert(pair.shorter.c_str(), TOK_VARIABLE);
  ASSERT_NE(shorter, nullptr);
  EXPECT_EQ(symbol_lookup(pair.longer.c_str()), nullptr);
  Symbol* longer = symbol_intern(pair.longer.data(), pair.longer.size());
  ASSERT_NE(longer, nullptr);
  EXPECT_NE(longer, shorter);
  EXPECT_EQ(symbol_lookup(pair.shorter.c_str()), shorter);
  EXPECT_EQ(symbol_lookup(pair.longer.c_str()), longer);
}

// Many names of lengths 2 to 7 each find their own record again; under the
// address sanitizer this also proves no comparison strays out of a name.
TEST(SymbolIndexRegression, ManyNamesOfVariedLengths) {
  const long COUNT = 300000;
  for (long i = 0; i < COUNT; ++i) {
    std::string name = "w" + std::to_string(i);
    Symbol* symbol = symbol_intern(name.data(), name.size());
    ASSERT_NE(symbol, nullptr);
    symbol->value.number = static_cast<double>(i);
  }
  for (long i = 0; i < COUNT; ++i) {
    Symbol* symbol = symbol_lookup(("w" + std::to_string(i)).c_str());
    ASSERT_NE(symbol, nullptr) << i;
    ASSERT_EQ(symbol->value.number, static_cast<double>(i)) << i;
  }
}

}  // namespace
