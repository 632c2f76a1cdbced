// Where the C library's pow is not known to err by less than 0.514 units in
// the last place, no power can be multiplied out with its bits: the Windows
// runtime's pow, for one, multiplies whole powers out in plain doubles,
// rounding at every step. There pow decides every power.
#include "arithmetic.h"

namespace ziffralon {

bool whole_power(double, int, double&) { return false; }

}  // namespace ziffralon
