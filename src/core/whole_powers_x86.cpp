// Whole powers on x86 processors: with the fused multiply-add where the
// processor has one (nearly all made since 2013), else by splitting.
#include "whole_powers.h"

namespace ziffralon {

bool whole_power_fused(double a, int n, double& power);  // whole_powers_fused.cpp

namespace {

bool has_fused_multiply_add() {
  __builtin_cpu_init();  // this may run before the constructor that would
  return __builtin_cpu_supports("fma");
}

const bool FUSED = has_fused_multiply_add();

}  // namespace

// Until FUSED is set, powers are split: the same bits, a little later.
bool whole_power(double a, int n, double& power) {
  return FUSED ? whole_power_fused(a, n, power) : whole_power_with(a, n, power, SplitProductError{});
}

}  // namespace ziffralon
