// musl's functions (libm/), under the names libm/names.h gives them. They
// also make the NaN of an invalid operation as the processor does, sign set
// and no payload, so that ln and sqrt of a negative number print -1.#IND as
// on Linux.
#include "platform_math.h"

extern "C" {
double ziffralon_libm_acos(double);
double ziffralon_libm_asin(double);
double ziffralon_libm_atan(double);
double ziffralon_libm_cos(double);
double ziffralon_libm_cosh(double);
double ziffralon_libm_exp(double);
double ziffralon_libm_log(double);
double ziffralon_libm_log10(double);
double ziffralon_libm_sin(double);
double ziffralon_libm_sinh(double);
double ziffralon_libm_tan(double);
double ziffralon_libm_tanh(double);
double ziffralon_libm_sqrt(double);
double ziffralon_libm_pow(double, double);
}

namespace ziffralon {

double platform_acos(double x) { return ziffralon_libm_acos(x); }
double platform_asin(double x) { return ziffralon_libm_asin(x); }
double platform_atan(double x) { return ziffralon_libm_atan(x); }
double platform_cos(double x) { return ziffralon_libm_cos(x); }
double platform_cosh(double x) { return ziffralon_libm_cosh(x); }
double platform_exp(double x) { return ziffralon_libm_exp(x); }
double platform_log(double x) { return ziffralon_libm_log(x); }
double platform_log10(double x) { return ziffralon_libm_log10(x); }
double platform_sin(double x) { return ziffralon_libm_sin(x); }
double platform_sinh(double x) { return ziffralon_libm_sinh(x); }
double platform_tan(double x) { return ziffralon_libm_tan(x); }
double platform_tanh(double x) { return ziffralon_libm_tanh(x); }
double platform_sqrt(double x) { return ziffralon_libm_sqrt(x); }
double platform_pow(double x, double y) { return ziffralon_libm_pow(x, y); }

}  // namespace ziffralon
