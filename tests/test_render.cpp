#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/render.h"

namespace {

std::string render(double value, int digits = 10) {
  char buffer[RENDER_BUFFER_SIZE];
  return std::string(buffer, render_number(value, digits, buffer));
}

double from_bits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

struct Case {
  double value;
  const char* expected;
};

TEST(Render, FixedAndExponentFormsAtTheirBoundaries) {
  const Case cases[] = {
      {12, "12"},
      {1.0 / 3, "0.3333333333"},
      {3.141592653589793, "3.141592654"},
      {1e20, "1e+020"},
      {1.5e-7, "1.5e-007"},
      {0.0001, "0.0001"},
      {0.00001, "1e-005"},
      {9999999999.0, "9999999999"},
      {12345678901.0, "1.23456789e+010"},
      {-1234.5, "-1234.5"},
      {1e100, "1e+100"},
      {1.7976931348623157e308, "1.797693135e+308"},
      {4.9406564584124654e-324, "4.940656458e-324"},
      {100, "100"},
      {0.5, "0.5"},
  };
  for (const Case& c : cases) EXPECT_EQ(render(c.value), c.expected) << c.value;
}

TEST(Render, RoundsHalfUpFromSeventeenDigits) {
  const Case cases[] = {
      {1234567892.5, "1234567893"},   // half-even would give ...892
      {1234567891.5, "1234567892"},
      {9999999999.5, "1e+010"},       // the carry moves the exponent and the form
      {999999999.95, "1000000000"},
      {0.99999999995, "1"},
      {1.0000000185, "1.000000019"},  // exactly ...01849999..., but 17 digits say ...0185
      {-1234567892.5, "-1234567893"},
  };
  for (const Case& c : cases) EXPECT_EQ(render(c.value), c.expected) << c.value;
}

TEST(Render, ZeroHasNoSign) {
  EXPECT_EQ(render(0.0), "0");
  EXPECT_EQ(render(-0.0), "0");
}

TEST(Render, InfinitiesAndNaNsByTheirBits) {
  EXPECT_EQ(render(std::numeric_limits<double>::infinity()), "1.#INF");
  EXPECT_EQ(render(-std::numeric_limits<double>::infinity()), "-1.#INF");
  EXPECT_EQ(render(from_bits(0xFFF8000000000000ULL)), "-1.#IND");  // what 0/0 and sqrt(-1) give
  EXPECT_EQ(render(from_bits(0x7FF8000000000000ULL)), "1.#QNAN");  // its negation
  EXPECT_EQ(render(from_bits(0xFFF8000000000001ULL)), "-1.#QNAN");  // a payload makes it no IND
  EXPECT_EQ(render(from_bits(0x7FF8000000000123ULL)), "1.#QNAN");
}

TEST(Render, OtherPrecisions) {
  EXPECT_EQ(render(0.32, 3), "0.32");
  EXPECT_EQ(render(2.718282, 7), "2.718282");
  EXPECT_EQ(render(0.0005, 1), "0.0005");
  EXPECT_EQ(render(123456, 3), "1.23e+005");
  EXPECT_EQ(render(0.1, 17), "0.10000000000000001");
}

TEST(Render, ConstantsFromTheirBits) {
  EXPECT_EQ(render(from_bits(0x4005BF0AA21A719BULL)), "2.718282");
  EXPECT_EQ(render(from_bits(0x400921FB54442D18ULL)), "3.141592654");
}

}  // namespace
