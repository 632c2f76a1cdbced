// The arithmetic of the operators that the hardware does not provide.
#pragma once

#include <cmath>
#include <cstdint>

#include "../platform/platform_math.h"

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

// The operators as every evaluation computes them: the parse loop, constant
// folding and compiled programs call these, so all give the same bits. When
// both operands of + - * / are NaNs, the first one's NaN is the result, not
// whichever the processor picks; a NaN result is always a quiet one, as the
// processor makes it of a single NaN operand.
// The test is a branch that is almost never taken, not a select: a select
// would put it on the path of every result.
[[gnu::cold, gnu::noinline]] double keep_nan(double a);
inline double first_nan_or(double a, double result) {
  if (std::isnan(a)) [[unlikely]]
    return keep_nan(a);
  return result;
}
inline double add_values(double a, double b) { return first_nan_or(a, a + b); }
inline double subtract_values(double a, double b) { return first_nan_or(a, a - b); }
inline double multiply_values(double a, double b) { return first_nan_or(a, a * b); }
inline double divide_values(double a, double b) { return first_nan_or(a, a / b); }
// x^n for 2 <= n <= LARGEST_WHOLE_POWER by multiplying (whole_powers.h):
// sets `power` to pow's bits and returns true, unless pow itself must decide.
constexpr int LARGEST_WHOLE_POWER = 8;
bool whole_power(double a, int n, double& power);

inline double power_values(double a, double b) {
  double power;
  if (b >= 2 && b <= LARGEST_WHOLE_POWER && b == static_cast<int>(b) && whole_power(a, static_cast<int>(b), power))
    return power;
  return platform_pow(a, b);
}
inline double binomial_values(double a, double b) { return binomial(to_int32(a), to_int32(b)); }
inline double negate_value(double a) { return -a; }
inline double percent_value(double a) { return a / 100; }
inline double factorial_value(double a) { return factorial(to_int32(a)); }

enum class Operator { ADD, SUBTRACT, MULTIPLY, DIVIDE, POWER, BINOMIAL, NEGATE, PERCENT, FACTORIAL };

template <Operator OP>
inline double apply_binary(double a, double b) {
  if constexpr (OP == Operator::ADD) return add_values(a, b);
  if constexpr (OP == Operator::SUBTRACT) return subtract_values(a, b);
  if constexpr (OP == Operator::MULTIPLY) return multiply_values(a, b);
  if constexpr (OP == Operator::DIVIDE) return divide_values(a, b);
  if constexpr (OP == Operator::POWER) return power_values(a, b);
  if constexpr (OP == Operator::BINOMIAL) return binomial_values(a, b);
}

// The same with an operand that is a constant and no NaN: then at most one
// operand is a NaN, and the processor's own rule makes that one the result,
// so no check is needed.
template <Operator OP>
inline double apply_binary_with_constant(double a, double b) {
  if constexpr (OP == Operator::ADD) return a + b;
  if constexpr (OP == Operator::SUBTRACT) return a - b;
  if constexpr (OP == Operator::MULTIPLY) return a * b;
  if constexpr (OP == Operator::DIVIDE) return a / b;
  if constexpr (OP == Operator::POWER || OP == Operator::BINOMIAL) return apply_binary<OP>(a, b);
}

template <Operator OP>
inline double apply_unary(double a) {
  if constexpr (OP == Operator::NEGATE) return negate_value(a);
  if constexpr (OP == Operator::PERCENT) return percent_value(a);
  if constexpr (OP == Operator::FACTORIAL) return factorial_value(a);
}

// The pi of the circle functions and of the preset variable pi: fixed, so that
// assigning to the variable changes neither function.
constexpr double FIXED_PI = 3.141592653589793;

// Circumference and area of a circle of radius r with the fixed pi; +0 for a
// negative or NaN radius.
double circle_circumference(double r);
double circle_area(double r);

}  // namespace ziffralon
