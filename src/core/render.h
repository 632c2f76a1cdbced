// Number rendering for everything the calculator prints.
//
// The console shows numbers as "%g" with a given number of significant digits,
// but by its own fixed rules, independent of the C library: the value is first
// rounded to 17 significant digits, that digit string is rounded half up to the
// requested digits (looking only at the next digit), exponents always carry a
// sign and three digits ("1e+020"), zero never shows a sign, and infinities and
// NaNs read "1.#INF", "-1.#INF", "-1.#IND", "1.#QNAN" and "-1.#QNAN".
#pragma once

#include <cstddef>

namespace ziffralon {

// Room enough for any rendering: sign, 17 digits, point, exponent.
constexpr std::size_t RENDER_BUFFER_SIZE = 32;

// Writes `value` with `significant_digits` (1 to 17) into `buffer`, which must
// hold RENDER_BUFFER_SIZE bytes. Returns the length; no NUL is written.
std::size_t render_number(double value, int significant_digits, char* buffer);

}  // namespace ziffralon
