#include "arithmetic.h"

#include <cmath>

namespace ziffralon {

double keep_nan(double a) { return a + a; }  // quiet, with its sign and payload

std::int32_t to_int32(double value) {
  // Checked before the cast: NaN and anything outside int64 would be undefined.
  if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return 0;
  auto truncated = static_cast<std::int64_t>(value);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(truncated)));
}

double factorial(std::int32_t n) {
  double product = 1.0;
  // Once the product is infinite it stays so; stopping there keeps 2147483647! instant.
  for (std::int32_t factor = n; factor >= 1 && !std::isinf(product); --factor) product *= factor;
  return product;
}

double binomial(std::int32_t n, std::int32_t k) {
  if (k > n || n < 0 || k < 0) return 1.0;
  double numerator = factorial(n);
  // The denominator as fraction * 2^exponent: the fractions' product is rounded
  // exactly as the full product would be, but cannot overflow.
  int exponent_a = 0;
  int exponent_b = 0;
  double fraction = std::frexp(factorial(n - k), &exponent_a) * std::frexp(factorial(k), &exponent_b);
  if (std::isinf(fraction)) return numerator / fraction;
  // The quotient is at least about 1, so scaling it back is exact.
  return std::ldexp(numerator / fraction, -(exponent_a + exponent_b));
}

double circle_circumference(double r) {
  if (r < 0 || std::isnan(r)) return 0.0;
  return (r + r) * FIXED_PI;
}

double circle_area(double r) {
  if (r < 0 || std::isnan(r)) return 0.0;
  return (r * r) * FIXED_PI;
}

}  // namespace ziffralon
