// The built-in functions, in the order they are installed.
#pragma once

#include "symbols.h"

namespace ziffralon {

struct BuiltinFunction {
  const char* name;
  MathFunction function;
};

// Ends with a row whose name is nullptr.
extern const BuiltinFunction BUILTIN_FUNCTIONS[];

constexpr double FIXED_PI = 3.141592653589793;
constexpr double PRESET_E = 2.718282;  // seven digits, not the full constant

}  // namespace ziffralon
