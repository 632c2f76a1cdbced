#include "exact_digits.h"

#include <array>
#include <charconv>
#include <cstring>

namespace ziffralon {

namespace {

constexpr std::uint64_t TEN_TO_17 = 100000000000000000ULL;
constexpr std::uint64_t TEN_TO_16 = TEN_TO_17 / 10;

// A double is m * 2^q with a 53-bit integer m.
constexpr int MANTISSA_BITS = 52;  // stored; the leading 1 is implied
constexpr std::uint64_t MANTISSA_MASK = (std::uint64_t{1} << MANTISSA_BITS) - 1;
constexpr int EXPONENT_BIAS = 1023;
constexpr int INTEGER_MANTISSA_SHIFT = EXPONENT_BIAS + MANTISSA_BITS;  // q = biased exponent - this

// floor(log10(2^e)) is (e * LOG10_2_NUMERATOR) >> LOG10_2_SHIFT for every
// double exponent e: 78913 / 2^18 is log10(2) closely enough.
constexpr int LOG10_2_NUMERATOR = 78913;
constexpr int LOG10_2_SHIFT = 18;

// Scaling by 10^s = 5^s * 2^s keeps m * 5^s within 128 bits while 5^s fits in
// 64: s at most 27. With 17 digits wanted, that covers magnitudes from about
// 1e-11 to 1e17.
constexpr int MAX_QUICK_SCALE = 27;

constexpr auto POWERS_OF_FIVE = [] {
  std::array<std::uint64_t, MAX_QUICK_SCALE + 1> powers{};
  powers[0] = 1;
  for (int n = 1; n <= MAX_QUICK_SCALE; ++n) powers[n] = powers[n - 1] * 5;
  return powers;
}();

using Wide = unsigned __int128;

// m * 2^shift as an integer, rounded half to even when shift is negative.
std::uint64_t shifted_rounded(Wide product, int shift) {
  if (shift >= 0) return static_cast<std::uint64_t>(product << shift);
  int right = -shift;
  auto whole = static_cast<std::uint64_t>(product >> right);
  Wide rest = product & ((Wide{1} << right) - 1);
  Wide half = Wide{1} << (right - 1);
  if (rest > half || (rest == half && (whole & 1))) ++whole;
  return whole;
}

// The quick way, exact in 128-bit integers; says no outside its range.
bool exact_digits_quickly(double magnitude, Digits& digits) {
  std::uint64_t bits;
  std::memcpy(&bits, &magnitude, sizeof bits);
  int biased_exponent = static_cast<int>(bits >> MANTISSA_BITS);
  if (biased_exponent == 0) return false;  // subnormal
  std::uint64_t mantissa = (bits & MANTISSA_MASK) | (MANTISSA_MASK + 1);
  int binary_exponent = biased_exponent - INTEGER_MANTISSA_SHIFT;
  // floor(log10(magnitude)) is this estimate or one more.
  int exponent = ((binary_exponent + MANTISSA_BITS) * LOG10_2_NUMERATOR) >> LOG10_2_SHIFT;
  for (int attempt = 0; attempt < 2; ++attempt, ++exponent) {
    int scale = EXACT_DIGITS - 1 - exponent;
    if (scale < 0 || scale > MAX_QUICK_SCALE) return false;
    std::uint64_t whole = shifted_rounded(Wide{mantissa} * POWERS_OF_FIVE[scale], binary_exponent + scale);
    if (whole > TEN_TO_17) continue;  // the estimate was one too small
    if (whole == TEN_TO_17) {         // rounding carried into an 18th digit
      whole = TEN_TO_16;
      ++exponent;
    }
    digits = Digits{whole, exponent};
    return true;
  }
  return false;
}

// The general way: the library's exact conversion to 17 digits.
Digits exact_digits_by_library(double magnitude) {
  char text[32];
  char* end = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, EXACT_DIGITS - 1).ptr;
  // "d.dddddddddddddddde+x": the digits around the point, then the exponent.
  Digits digits{static_cast<std::uint64_t>(text[0] - '0'), 0};
  for (int i = 2; i < EXACT_DIGITS + 1; ++i) digits.value = digits.value * 10 + static_cast<std::uint64_t>(text[i] - '0');
  const char* exponent = text + EXACT_DIGITS + 2;
  std::from_chars(exponent + (*exponent == '+'), end, digits.exponent);
  return digits;
}

}  // namespace

Digits exact_digits(double magnitude) {
  Digits digits;
  return exact_digits_quickly(magnitude, digits) ? digits : exact_digits_by_library(magnitude);
}

}  // namespace ziffralon
