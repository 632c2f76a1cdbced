// The C library's functions, which are accurate enough as they are.
#include "platform_math.h"

#include <cmath>

namespace ziffralon {

double platform_acos(double x) { return std::acos(x); }
double platform_asin(double x) { return std::asin(x); }
double platform_atan(double x) { return std::atan(x); }
double platform_cos(double x) { return std::cos(x); }
double platform_cosh(double x) { return std::cosh(x); }
double platform_exp(double x) { return std::exp(x); }
double platform_log(double x) { return std::log(x); }
double platform_log10(double x) { return std::log10(x); }
double platform_sin(double x) { return std::sin(x); }
double platform_sinh(double x) { return std::sinh(x); }
double platform_tan(double x) { return std::tan(x); }
double platform_tanh(double x) { return std::tanh(x); }
double platform_sqrt(double x) { return std::sqrt(x); }
double platform_pow(double x, double y) { return std::pow(x, y); }

}  // namespace ziffralon
