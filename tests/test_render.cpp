// Number rendering, against an independent rendering of many values.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/render.h"

using namespace ziffralon;

namespace {

std::string render(double value, int digits = 10) {
  char buffer[RENDER_BUFFER_SIZE];
  return std::string(buffer, render_number(value, digits, buffer));
}

double from_bits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

// Values no program input reaches: NaNs with payloads, and a tie at 17 digits
// (2^-25 has 18 digits ending in 5), which goes to the even digit.
TEST(Render, NaNPayloadsAndSeventeenDigitTies) {
  EXPECT_EQ(render(from_bits(0xFFF8000000000001ULL)), "-1.#QNAN");  // a payload makes it no IND
  EXPECT_EQ(render(from_bits(0x7FF8000000000123ULL)), "1.#QNAN");
  EXPECT_EQ(render(std::ldexp(1.0, -25), 17), "2.9802322387695312e-008");
}

// An independent rendering of positive finite values at `precision` (1 to
// 17) digits: the C library's exact 17 digits, rounded half up at the next
// digit by hand (none is left at 17), then laid out by the C library's own
// "%.Ng" and given three-digit exponents. Empty when the rounded digits do not
// survive the trip through a double, which can happen at 16 digits.
std::string reference_render(double value, int precision) {
  char exact[40];
  std::snprintf(exact, sizeof exact, "%.16e", value);
  std::string digits = std::string(1, exact[0]) + std::string(exact + 2, 16);
  int exponent = std::atoi(exact + 19);
  std::string kept = digits.substr(0, precision);
  if (digits[precision] >= '5') {
    int i = precision - 1;
    while (i >= 0 && kept[i] == '9') kept[i--] = '0';
    if (i >= 0) {
      ++kept[i];
    } else {
      kept.insert(kept.begin(), '1');
      kept.pop_back();
      ++exponent;
    }
  }
  std::string decimal = kept.substr(0, 1) + "." + kept.substr(1) + "e" + std::to_string(exponent);
  double rounded = std::strtod(decimal.c_str(), nullptr);
  char back[40];
  std::snprintf(back, sizeof back, "%.*e", precision - 1, rounded);
  std::string back_digits = std::string(1, back[0]) + (precision > 1 ? std::string(back + 2, precision - 1) : "");
  if (back_digits != kept || std::atoi(std::strchr(back, 'e') + 1) != exponent) return "";
  char laid_out[40];
  std::snprintf(laid_out, sizeof laid_out, "%.*g", precision, rounded);
  std::string text = laid_out;
  std::size_t e = text.find('e');
  if (e != std::string::npos && text.size() - e == 4) text.insert(e + 2, "0");
  return text;
}

TEST(Render, AgreesWithAnIndependentRenderingOnManyValues) {
  std::mt19937_64 random(20261206);
  std::uniform_real_distribution<double> log_magnitude(-14, 20);
  for (int i = 0; i < 300000; ++i) {
    double value = std::pow(10.0, log_magnitude(random));
    if (i % 4 == 1) value = static_cast<double>(random() % 100000000) / 1000.0;  // short decimals
    if (i % 4 == 2) value = std::bit_cast<double>(random() >> 1);  // any positive bits
    if (i % 4 == 3) value = static_cast<double>(random() >> (random() % 64));  // integers of every length
    if (!std::isfinite(value) || value == 0) continue;
    // The program's 10 and 17 digits, and every rounding divisor in turn.
    for (int precision : {10, 17, static_cast<int>(random() % 16) + 1}) {
      std::string expected = reference_render(value, precision);
      if (expected.empty() && precision == 16) continue;  // the reference cannot tell
      ASSERT_EQ(render(value, precision), expected) << precision << " " << std::hexfloat << value;
    }
  }
}

}  // namespace
