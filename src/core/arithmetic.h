// The arithmetic of the operators that the hardware does not provide.
#pragma once

#include <cstdint>

namespace ziffralon {

// Truncates toward zero to 64 bits and keeps the low 32 bits, wrapping in two's
// complement (3e9 gives -1294967296). NaN, infinities and values outside the
// signed 64-bit range give 0.
std::int32_t to_int32(double value);

// n! as a product of doubles, n, n-1, ..., 1, each partial product rounded;
// 1 for n < 1, +infinity from 171 on.
double factorial(std::int32_t n);

// n! / ((n-k)! k!); 1 when k > n, n < 0 or k < 0. The denominator never
// overflows (it keeps an extended exponent), so n of 171 or more gives
// +infinity when both n-k and k are at most 170 and NaN otherwise.
double binomial(std::int32_t n, std::int32_t k);

// The pi of the circle functions and of the preset variable pi: fixed, so that
// assigning to the variable changes neither function.
constexpr double FIXED_PI = 3.141592653589793;

// Circumference and area of a circle of radius r with the fixed pi; +0 for a
// negative or NaN radius.
double circle_circumference(double r);
double circle_area(double r);

}  // namespace ziffralon
