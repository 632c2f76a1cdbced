// The mathematics library behind the built-in functions and `^`: each result
// lies within about one unit in the last place of the true value, for every
// finite argument, on every system. Where the C library gives that (glibc),
// these are its functions (platform_math_posix.cpp). The Windows C runtime
// does not: it reduces large arguments of sin and cos inaccurately, so that
// from 10^12 on their digits are wrong and from 10^19 on often their sign,
// and its pow errs by up to 4 units. There these are musl's functions (libm/,
// whose README says what was taken; platform_math_windows.cpp).
#pragma once

namespace ziffralon {

double platform_acos(double x);
double platform_asin(double x);
double platform_atan(double x);
double platform_cos(double x);
double platform_cosh(double x);
double platform_exp(double x);
double platform_log(double x);
double platform_log10(double x);
double platform_sin(double x);
double platform_sinh(double x);
double platform_tan(double x);
double platform_tanh(double x);
double platform_sqrt(double x);
double platform_pow(double x, double y);

}  // namespace ziffralon
