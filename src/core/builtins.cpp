#include "builtins.h"

#include <cmath>

#include "../platform/platform_math.h"
#include "arithmetic.h"

namespace ziffralon {

// The platform's functions (platform_math.h) but for fabs, which is exact
// everywhere. Alphabetical but for sqrt, which comes last. Head insertion
// reverses the order, so the help text lists sqrt first.
constexpr BuiltinFunction BUILTIN_FUNCTIONS[BUILTIN_FUNCTION_COUNT + 1] = {
    {"acos", platform_acos},
    {"asin", platform_asin},
    {"atan", platform_atan},
    {"cos", platform_cos},
    {"cosh", platform_cosh},
    {"exp", platform_exp},
    {"fabs", [](double x) { return std::fabs(x); }},
    {"kf", circle_area},
    {"ku", circle_circumference},
    {"ln", platform_log},
    {"log10", platform_log10},
    {"sin", platform_sin},
    {"sinh", platform_sinh},
    {"tan", platform_tan},
    {"tanh", platform_tanh},
    {"sqrt", platform_sqrt},
    {nullptr, nullptr},
};
static_assert(BUILTIN_FUNCTIONS[BUILTIN_FUNCTION_COUNT - 1].name, "BUILTIN_FUNCTION_COUNT counts the rows");

}  // namespace ziffralon
