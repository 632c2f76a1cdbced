#include "builtins.h"

#include <cmath>

#include "arithmetic.h"

namespace ziffralon {

// Alphabetical but for sqrt, which comes last. Head insertion reverses the
// order, so the help text lists sqrt first.
constexpr BuiltinFunction BUILTIN_FUNCTIONS[BUILTIN_FUNCTION_COUNT + 1] = {
    {"acos", [](double x) { return std::acos(x); }},
    {"asin", [](double x) { return std::asin(x); }},
    {"atan", [](double x) { return std::atan(x); }},
    {"cos", [](double x) { return std::cos(x); }},
    {"cosh", [](double x) { return std::cosh(x); }},
    {"exp", [](double x) { return std::exp(x); }},
    {"fabs", [](double x) { return std::fabs(x); }},
    {"kf", circle_area},
    {"ku", circle_circumference},
    {"ln", [](double x) { return std::log(x); }},
    {"log10", [](double x) { return std::log10(x); }},
    {"sin", [](double x) { return std::sin(x); }},
    {"sinh", [](double x) { return std::sinh(x); }},
    {"tan", [](double x) { return std::tan(x); }},
    {"tanh", [](double x) { return std::tanh(x); }},
    {"sqrt", [](double x) { return std::sqrt(x); }},
    {nullptr, nullptr},
};
static_assert(BUILTIN_FUNCTIONS[BUILTIN_FUNCTION_COUNT - 1].name, "BUILTIN_FUNCTION_COUNT counts the rows");

}  // namespace ziffralon
