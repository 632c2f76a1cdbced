// Whole powers are multiplied out rather than handed to pow; they must still
// be pow's bits, near halfway points and at the edges of their range too.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "core/arithmetic.h"
#include "core/whole_powers.h"
#include "platform/platform_math.h"

namespace {

using ziffralon::power_values;

std::uint64_t bits_of(double value) { return std::bit_cast<std::uint64_t>(value); }

TEST(WholePowers, AgreeWithPowBitForBit) {
  constexpr double INF = std::numeric_limits<double>::infinity();
  std::vector<double> bases = {0.0,  -0.0,      1.0,          -1.0,         2.0,         0.5,    3.0,     -7.0,
                               1.5,  0.1,       1e-30,        -1e30,        0x1p-100,    0x1p100, 0x1.8p-100, 0x1.8p100,
                               INF,  -INF,      std::nan(""), 1e300,        -1e-300,     5e-324, 1e155,   1e-155};
  std::mt19937_64 random(20261207);
  // Random signs and digits at every scale, subnormals included, and many
  // more in the range where the power is multiplied out.
  for (int i = 0; i < 200000; ++i) bases.push_back(std::bit_cast<double>((random() & ~(0x7ffull << 52)) | (random() % 0x7ff) << 52));
  std::uniform_int_distribution<std::uint64_t> near_one(1023 - 120, 1023 + 120);
  for (int i = 0; i < 800000; ++i) bases.push_back(std::bit_cast<double>((random() & ~(0x7ffull << 52)) | near_one(random) << 52));
  // Where pow is not known to be accurate enough, it decides every power;
  // else 1.5^3 = 3.375, exact, is multiplied out.
  double exact = 0;
  bool multiplied = ziffralon::whole_power(1.5, 3, exact);
  int differences = 0;
  for (int n = 2; n <= ziffralon::LARGEST_WHOLE_POWER + 1; ++n)
    for (double base : bases) {
      // As the processor is asked (fused where it can), and split.
      double ours = power_values(base, n), theirs = ziffralon::platform_pow(base, n), split = 0;
      if (!multiplied || !ziffralon::whole_power_with(base, n, split, ziffralon::SplitProductError{})) split = theirs;
      if ((bits_of(ours) != bits_of(theirs) || bits_of(split) != bits_of(theirs)) && ++differences <= 10)
        ADD_FAILURE() << std::hexfloat << base << " ^ " << n << ": " << ours << " and " << split << " but pow gives "
                      << theirs;
    }
  EXPECT_EQ(differences, 0);
}

}  // namespace
