// musl's functions (libm/), under the names libm/names.h gives them. They
// also make the NaN of an invalid operation as the processor does, sign set
// and no payload, so that ln and sqrt of a negative number print -1.#IND as
// on Linux.
#include "platform_math.h"

extern "C" {
#define ZIFFRALON_DECLARE_LIBM(NAME) double ziffralon_libm_##NAME(double);
ZIFFRALON_PLATFORM_MATH_FUNCTIONS(ZIFFRALON_DECLARE_LIBM)
#undef ZIFFRALON_DECLARE_LIBM
double ziffralon_libm_pow(double, double);
}

namespace ziffralon {

#define ZIFFRALON_DEFINE_PLATFORM_MATH(NAME) \
  double platform_##NAME(double x) { return ziffralon_libm_##NAME(x); }
ZIFFRALON_PLATFORM_MATH_FUNCTIONS(ZIFFRALON_DEFINE_PLATFORM_MATH)
#undef ZIFFRALON_DEFINE_PLATFORM_MATH
double platform_pow(double x, double y) { return ziffralon_libm_pow(x, y); }

}  // namespace ziffralon
