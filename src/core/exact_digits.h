// The exact 17 significant digits of a double, which every rendering starts
// from: rounded half to even from the value's exact binary expansion.
#pragma once

#include <cstdint>

namespace ziffralon {

constexpr int EXACT_DIGITS = 17;

// Significant digits as an integer, with the decimal exponent of the first.
struct Digits {
  std::uint64_t value;
  int exponent;
};

// The 17 digits of a finite, positive `magnitude`.
Digits exact_digits(double magnitude);

}  // namespace ziffralon
