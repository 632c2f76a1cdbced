// Whole powers where the library knows no fused multiply-add: by splitting.
#include "whole_powers.h"

namespace ziffralon {

bool whole_power(double a, int n, double& power) { return whole_power_with(a, n, power, SplitProductError{}); }

}  // namespace ziffralon
