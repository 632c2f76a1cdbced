// The console reader at its block boundaries, where push-back and CR LF
// pairing have to cross from one block into the next.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "core/console_io.h"
#include "core/session.h"
#include "core/symbols.h"
#include "core/token_source.h"

using namespace ziffralon;

namespace {

std::string captured;

void capture(const char* bytes, std::size_t size) { captured.append(bytes, size); }

// Only the output of the session, without banner or prompt.
std::string session_over(const std::string& input) {
  install_initial_symbols();
  captured.clear();
  console_set_output_sink(capture);
  console_read_from_memory(input.data(), input.size());
  run_console_session();
  console_flush();
  console_set_output_sink(nullptr);
  return captured;
}

// Blanks that put the rest of the input at `offset` bytes into the stream.
std::string blanks_up_to(std::size_t offset) { return std::string(offset, ' '); }

TEST(ConsoleReader, CrLfSplitAcrossBlocksIsOneNewline) {
  std::string input = blanks_up_to(CONSOLE_BLOCK_SIZE - 2) + "1\r\n2\n";
  EXPECT_EQ(session_over(input), "\t1\n\t2\n");
}

TEST(ConsoleReader, LoneCrAtTheEndOfABlockStaysACr) {
  std::string input = blanks_up_to(CONSOLE_BLOCK_SIZE - 2) + "1\r2\n3\n";
  EXPECT_EQ(session_over(input), "parse error\n\t3\n");
}

TEST(ConsoleReader, LoneCrAtTheEndOfInput) { EXPECT_EQ(session_over("4\n\r"), "\t4\nparse error\n"); }

TEST(ConsoleReader, TokensAcrossABlockBoundary) {
  std::string number = blanks_up_to(CONSOLE_BLOCK_SIZE - 3) + "12345\n";
  EXPECT_EQ(session_over(number), "\t12345\n");
  std::string name = blanks_up_to(CONSOLE_BLOCK_SIZE - 3) + "blockvar=7\nblockvar\n";
  EXPECT_EQ(session_over(name), "\t7\n\t7\n");
  // The byte after the number is the first of the next block and is pushed back.
  std::string edge = blanks_up_to(CONSOLE_BLOCK_SIZE - 3) + "1.5\n";
  EXPECT_EQ(session_over(edge), "\t1.5\n");
}

// A literal is scanned in place when all of it is surely in the block, and
// byte by byte near the end of the input: both must take the same characters.
TEST(ConsoleReader, LiteralsReadTheSameInPlaceAndByteByByte) {
  const char* lines[] = {"1.5e3", "1.2.3", "2e", "2e+", "2ex", "2E-1", "5.", ".5", ".", ".e5", "0x1A", "1e400",
                         "1e-400", "4.9e-324", "12345678901234567890123", "1e+05x", "3.e2"};
  std::string padding(NUMBER_LIMIT + 10, ' ');
  for (const char* line : lines) {
    std::string near_the_end = session_over(std::string(line) + "\n");
    EXPECT_EQ(session_over(std::string(line) + "\n" + padding + "\n"), near_the_end) << line;
  }
  std::string longest = "1." + std::string(NUMBER_LIMIT - 2, '0');
  EXPECT_EQ(session_over(longest + "5\n"), "parse error\n");
  EXPECT_EQ(session_over(longest + "5\n" + padding), "parse error\n");
}

// Every literal comes out correctly rounded, as the C library converts it,
// whether the quick exact path or the general conversion takes it.
TEST(ConsoleReader, LiteralsConvertCorrectlyRounded) {
  std::mt19937_64 random(20261207);
  session.console_mode = true;
  for (int i = 0; i < 200000; ++i) {
    std::string literal;
    int digits = 1 + static_cast<int>(random() % 24);
    int point = static_cast<int>(random() % (digits + 2));  // digits + 1: none
    for (int d = 0; d < digits; ++d) {
      if (d == point) literal += '.';
      literal += static_cast<char>('0' + random() % 10);
    }
    if (random() % 3 == 0) literal += "e" + std::to_string(static_cast<int>(random() % 80) - 40);
    console_read_from_memory(literal.data(), literal.size());
    ASSERT_EQ(next_token(), TOK_NUMBER) << literal;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(token_value.number),
              std::bit_cast<std::uint64_t>(std::strtod(literal.c_str(), nullptr)))
        << literal;
  }
}

TEST(ConsoleReader, OutputLargerThanTheBufferArrivesWhole) {
  std::string input;
  std::string expected;
  for (int i = 0; i < 30000; ++i) {
    input += std::to_string(i) + "\n";
    expected += "\t" + std::to_string(i) + "\n";
  }
  EXPECT_EQ(session_over(input), expected);
}

TEST(ConsoleSession, EndsNormallyOnlyAtTheStartOfALine) {
  console_set_output_sink(capture);
  for (const char* input : {"", "1\n", "1+\n2\n"}) {
    console_read_from_memory(input, std::char_traits<char>::length(input));
    EXPECT_TRUE(run_console_session()) << input;
  }
  console_read_from_memory("1+2", 3);
  EXPECT_FALSE(run_console_session());
  console_set_output_sink(nullptr);
}

TEST(SymbolTable, LookupIsExactAndNewestFirst) {
  install_initial_symbols();
  EXPECT_EQ(symbol_lookup("PI"), nullptr);
  ASSERT_NE(symbol_lookup("sin"), nullptr);
  EXPECT_EQ(symbol_lookup("sin")->kind, TOK_FUNCTION);
  Symbol* first = symbol_insert("twice", TOK_VARIABLE);
  Symbol* second = symbol_insert("twice", TOK_VARIABLE);
  EXPECT_EQ(symbol_lookup("twice"), second);
  EXPECT_EQ(symbol_head(), second);
  EXPECT_EQ(second->next, first);
  EXPECT_EQ(symbol_lookup_length("twicex", 5), second);
}

TEST(SymbolTable, InstallingTwiceDoesNotDuplicate) {
  install_initial_symbols();
  Symbol* head = symbol_head();
  install_initial_symbols();
  EXPECT_EQ(symbol_head(), head);
}

}  // namespace
