// The symbol index: names that share a hash must still be told apart, without
// reading past the end of the shorter one.
#include <gtest/gtest.h>

#include <string>
#include <unordered_map>

#include "core/interpreter.h"

using namespace ziffralon;

namespace {

// Two names with the same hash whose lengths differ by at least two, so that
// comparing the longer over the shorter's block would read past its end: the
// short names' hashes are kept, long names are tried against them.
TEST(SymbolIndexRegression, ReadPastStoredNameOnHashCollision) {
  std::unordered_map<std::uint32_t, std::string> short_names;
  for (long i = 0; i < 10000; ++i) {
    std::string name = "v" + std::to_string(i);
    short_names.emplace(symbol_hash(name.data(), name.size()), name);
  }
  std::string longer;
  auto found = short_names.end();
  for (long i = 1000000; found == short_names.end(); ++i) {
    longer = "v" + std::to_string(i);
    found = short_names.find(symbol_hash(longer.data(), longer.size()));
  }
  Symbol* shorter = symbol_insert(default_interpreter, found->second.c_str(), TOK_VARIABLE);
  ASSERT_NE(shorter, nullptr);
  EXPECT_EQ(symbol_lookup(default_interpreter, longer.c_str()), nullptr);
  Symbol* interned = symbol_intern(default_interpreter, longer.data(), longer.size());
  ASSERT_NE(interned, nullptr);
  EXPECT_NE(interned, shorter);
  EXPECT_EQ(symbol_lookup(default_interpreter, found->second.c_str()), shorter);
  EXPECT_EQ(symbol_lookup(default_interpreter, longer.c_str()), interned);
}

// Many names of lengths 2 to 7 each find their own record again; under the
// address sanitizer this also proves no comparison strays out of a name.
TEST(SymbolIndexRegression, ManyNamesOfVariedLengths) {
  auto name = [](long i) { return "w" + std::to_string(i); };
  for (long i = 0; i < 300000; ++i) symbol_intern(default_interpreter, name(i).data(), name(i).size())->value.number = double(i);
  for (long i = 0; i < 300000; ++i) ASSERT_EQ(symbol_lookup(default_interpreter, name(i).c_str())->value.number, double(i)) << i;
}

}  // namespace
