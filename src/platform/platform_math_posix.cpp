// The C library's functions, which are accurate enough as they are.
#include "platform_math.h"

#include <cmath>

namespace ziffralon {

#define ZIFFRALON_DEFINE_PLATFORM_MATH(NAME) \
  double platform_##NAME(double x) { return std::NAME(x); }
ZIFFRALON_PLATFORM_MATH_FUNCTIONS(ZIFFRALON_DEFINE_PLATFORM_MATH)
#undef ZIFFRALON_DEFINE_PLATFORM_MATH
double platform_pow(double x, double y) { return std::pow(x, y); }

}  // namespace ziffralon
