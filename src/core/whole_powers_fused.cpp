// Whole powers with the fused multiply-add, which finds a product's
// remainder in one instruction instead of seventeen. This file alone is
// compiled for processors that have it; whole_powers_x86.cpp calls it only
// on those.
#include <cmath>

#include "whole_powers.h"

namespace ziffralon {

struct FusedProductError {
  ZIFFRALON_INLINE double operator()(double a, double b, double rounded) const { return std::fma(a, b, -rounded); }
};

bool whole_power_fused(double a, int n, double& power) { return whole_power_with(a, n, power, FusedProductError{}); }

}  // namespace ziffralon
