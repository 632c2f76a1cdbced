/* Included first in every file here: the functions take names of our own,
 * so that they neither meet the C runtime's functions of the same names nor
 * take the place of those in a program that links the static library. */
#ifndef ZIFFRALON_LIBM_NAMES_H
#define ZIFFRALON_LIBM_NAMES_H

#include "features.h"  /* musl's own build includes it through its wrapped headers */

#define acos ziffralon_libm_acos
#define asin ziffralon_libm_asin
#define atan ziffralon_libm_atan
#define cos ziffralon_libm_cos
#define cosh ziffralon_libm_cosh
#define exp ziffralon_libm_exp
#define expm1 ziffralon_libm_expm1
#define log ziffralon_libm_log
#define log10 ziffralon_libm_log10
#define pow ziffralon_libm_pow
#define sin ziffralon_libm_sin
#define sinh ziffralon_libm_sinh
#define sqrt ziffralon_libm_sqrt
#define tan ziffralon_libm_tan
#define tanh ziffralon_libm_tanh

#define __cos ziffralon_libm_cos_kernel
#define __sin ziffralon_libm_sin_kernel
#define __tan ziffralon_libm_tan_kernel
#define __rem_pio2 ziffralon_libm_rem_pio2
#define __rem_pio2_large ziffralon_libm_rem_pio2_large
#define __expo2 ziffralon_libm_expo2
#define __exp_data ziffralon_libm_exp_data
#define __log_data ziffralon_libm_log_data
#define __pow_log_data ziffralon_libm_pow_log_data
#define __math_divzero ziffralon_libm_math_divzero
#define __math_invalid ziffralon_libm_math_invalid
#define __math_oflow ziffralon_libm_math_oflow
#define __math_uflow ziffralon_libm_math_uflow
#define __math_xflow ziffralon_libm_math_xflow

#endif
