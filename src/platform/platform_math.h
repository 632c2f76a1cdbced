// The mathematics library behind the built-in functions and `^`: each result
// lies within about one unit in the last place of the true value, for every
// finite argument, on every system. Where the C library gives that (glibc),
// these are its functions (platform_math_posix.cpp). The Windows C runtime
// does not: it reduces large arguments of sin and cos inaccurately, so that
// from 10^12 on their digits are wrong and from 10^19 on often their sign,
// and its pow errs by up to 4 units. There these are musl's functions (libm/,
// whose README says what was taken; platform_math_windows.cpp).
#pragma once

// The functions of one argument, named once: X(name) for each.
#define ZIFFRALON_PLATFORM_MATH_FUNCTIONS(X) \
  X(acos) X(asin) X(atan) X(cos) X(cosh) X(exp) X(log) X(log10) X(sin) X(sinh) X(tan) X(tanh) X(sqrt)

namespace ziffralon {

#define ZIFFRALON_DECLARE_PLATFORM_MATH(NAME) double platform_##NAME(double x);
ZIFFRALON_PLATFORM_MATH_FUNCTIONS(ZIFFRALON_DECLARE_PLATFORM_MATH)
#undef ZIFFRALON_DECLARE_PLATFORM_MATH
double platform_pow(double x, double y);

}  // namespace ziffralon
