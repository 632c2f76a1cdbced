// Where the platform's pow (platform_math.h) is not known to err by less
// than 0.514 units in the last place, no power can be multiplied out with its
// bits. There pow decides every power; so on Windows, whose musl pow has not
// been measured against that bound here.
#include "arithmetic.h"

namespace ziffralon {

bool whole_power(double, int, double&) { return false; }

}  // namespace ziffralon
