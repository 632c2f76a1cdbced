// x^n for the small whole exponents of everyday formulas (x^2, x^3, ...),
// by multiplying, with exactly the bits the mathematics library's pow gives.
//
// glibc's pow errs by at most 0.509 units in the last place plus a part that
// grows with |n ln x|; for powers between 2^-64 and 2^64 that is under 0.514
// units (measured here: up to 0.5083). The power is multiplied out in two
// doubles, a rounded value and its exact remainder, so we know how far the
// true power lies from the rounded value. When that is at most 15/32 of the
// spacing of doubles there, every other double is more than 0.53 units away,
// and the rounded value is the only answer pow may give. Otherwise (near a
// halfway point, about one power in sixteen) and outside that range, pow
// itself answers. With a C library whose pow is not known to be that
// accurate, pow answers always (whole_powers_by_pow.cpp).
//
// The exact remainder of a product comes from the processor's fused
// multiply-add where it has one (chosen when the library starts) and
// otherwise from splitting the factors into halves, which needs each
// operation rounded on its own: the library is built without contracting
// a*b + c into one rounding. Both remainders are exact, and the rounded value
// is returned only where it is pow's, so both give pow's bits.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "arithmetic.h"

// One file here is compiled for processors with the fused multiply-add; what
// it shares with the others is forced inline, so that no copy of it made for
// those processors can serve the rest.
#define ZIFFRALON_INLINE [[gnu::always_inline]] inline

namespace ziffralon {

// The rounding error of the product `rounded` of a and b, exactly: each
// factor split into halves of 26 bits whose products a double holds.
struct SplitProductError {
  ZIFFRALON_INLINE double operator()(double a, double b, double rounded) const {
    constexpr double SPLITTER = 134217729.0;  // 2^27 + 1
    double a_scaled = SPLITTER * a, b_scaled = SPLITTER * b;
    double a_high = a_scaled - (a_scaled - a), b_high = b_scaled - (b_scaled - b);
    double a_low = a - a_high, b_low = b - b_high;
    return ((a_high * b_high - rounded) + a_high * b_low + a_low * b_high) + a_low * b_low;
  }
};

// A value as the sum of a rounded double and the remainder, which is far
// smaller.
struct TwoDoubles {
  double rounded, remainder;
};

// 15/32 of the spacing of the doubles just below |value|, a normal double:
// taking the spacing below keeps the margin where |value| is a power of two
// and the doubles under it lie twice as close.
ZIFFRALON_INLINE double safe_distance(double value) {
  constexpr std::uint64_t EXPONENT_BITS = 0x7ff0000000000000u;
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bits = ((bits & ~(std::uint64_t{1} << 63)) - 1) & EXPONENT_BITS;
  double scale;
  std::memcpy(&scale, &bits, sizeof scale);
  return scale * (15 * 0x1p-57);  // 2^-52 is one spacing
}

// whole_power with the given exact product error (a function object of a,
// b and their rounded product). The powers of two in n are taken from the top;
// each step's error is about 2^-104 of its result.
template <typename ProductError>
ZIFFRALON_INLINE bool whole_power_with(double a, int n, double& power, ProductError product_error) {
  double magnitude = std::fabs(a);
  // Within these bounds no product overflows, and even the remainder of a^8
  // is a normal double, so every error term is exact.
  if (!(magnitude >= 0x1p-100 && magnitude <= 0x1p100)) return false;
  auto renormalised = [](double product, double tail) {
    double rounded = product + tail;
    return TwoDoubles{rounded, tail - (rounded - product)};
  };
  auto times_a = [&](TwoDoubles v) {
    double product = v.rounded * a;
    return renormalised(product, product_error(v.rounded, a, product) + v.remainder * a);
  };
  auto squared = [&](TwoDoubles v) {
    double product = v.rounded * v.rounded;
    return renormalised(product, product_error(v.rounded, v.rounded, product) + 2 * v.rounded * v.remainder);
  };
  double square = a * a;
  TwoDoubles v{square, product_error(a, a, square)};
  int bit = n >= 8 ? 4 : n >= 4 ? 2 : 1;  // below the top bit of n, which the square took
  if (n & bit) v = times_a(v);
  for (bit >>= 1; bit; bit >>= 1) {
    v = squared(v);
    if (n & bit) v = times_a(v);
  }
  power = v.rounded;
  double size = std::fabs(v.rounded);
  return size >= 0x1p-64 && size <= 0x1p64 && std::fabs(v.remainder) <= safe_distance(v.rounded);
}

}  // namespace ziffralon
