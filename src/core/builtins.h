// The built-in functions, in the order they are installed.
#pragma once

#include <cstddef>

#include "symbols.h"

namespace ziffralon {

struct BuiltinFunction {
  const char* name;
  MathFunction function;
};

// Ends with a row whose name is nullptr.
constexpr std::size_t BUILTIN_FUNCTION_COUNT = 16;
extern const BuiltinFunction BUILTIN_FUNCTIONS[BUILTIN_FUNCTION_COUNT + 1];

constexpr double PRESET_E = 2.718282;  // seven digits, not the full constant

}  // namespace ziffralon
