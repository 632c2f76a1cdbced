// The console reader at its block boundaries, where push-back and CR LF
// pairing have to cross from one block into the next, and its literals (the
// transcripts literals_in_place and numbers read them in place and byte by byte).
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "console_capture.h"
#include "core/interpreter.h"

using namespace ziffralon;

namespace {

// Only the output of the session, without banner or prompt.
std::string session_over(const std::string& input) {
  install_initial_symbols(default_interpreter);
  ConsoleCapture capture;
  console_read_from_memory(input.data(), input.size());
  run_console_session(default_interpreter);
  return capture.text();
}

TEST(ConsoleReader, BlockBoundaries) {
  const std::string to_edge(CONSOLE_BLOCK_SIZE - 3, ' ');  // the next 3 bytes end the first block
  const struct {
    std::string input, output;
  } cases[] = {
      {to_edge + " 1\r\n2\n", "\t1\n\t2\n"},              // CR LF split across blocks is one newline
      {to_edge + " 1\r2\n3\n", "parse error\n\t3\n"},     // a lone CR at a block's end stays a CR
      {to_edge + "12345\n", "\t12345\n"},                 // a number across the boundary
      {to_edge + "blockvar=7\nblockvar\n", "\t7\n\t7\n"},  // a name across it
      {to_edge + "1.5\n", "\t1.5\n"},  // the byte after the number is the next block's first, pushed back
  };
  for (const auto& c : cases) EXPECT_EQ(session_over(c.input), c.output) << c.input.substr(to_edge.size());
}

// Every literal comes out correctly rounded, as the C library converts it,
// whether the quick exact path or the general conversion takes it.
TEST(ConsoleReader, LiteralsConvertCorrectlyRounded) {
  std::mt19937_64 random(20261207);
  default_interpreter.session.console_mode = true;
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
    ASSERT_EQ(next_token(default_interpreter), TOK_NUMBER) << literal;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(default_interpreter.tokens.token_value.number),
              std::bit_cast<std::uint64_t>(std::strtod(literal.c_str(), nullptr)))
        << literal;
  }
}

}  // namespace
