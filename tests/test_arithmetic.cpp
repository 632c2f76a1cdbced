#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/arithmetic.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
const double NOT_A_NUMBER = std::nan("");

TEST(ToInt32, WrapsTheLow32BitsOfTheTruncation) {
  EXPECT_EQ(to_int32(3.7), 3);
  EXPECT_EQ(to_int32(-3.7), -3);
  EXPECT_EQ(to_int32(4294967301.0), 5);
  EXPECT_EQ(to_int32(1e10), 1410065408);
  EXPECT_EQ(to_int32(3e9), -1294967296);
  EXPECT_EQ(to_int32(2147483648.0), -2147483647 - 1);
  EXPECT_EQ(to_int32(-9223372036854775808.0), 0);  // -2^63: low bits are zero
  EXPECT_EQ(to_int32(-9223372036854773760.0), 2048);
}

TEST(ToInt32, GivesZeroOutsideTheSigned64BitRange) {
  EXPECT_EQ(to_int32(9223372036854775808.0), 0);
  EXPECT_EQ(to_int32(1e19), 0);
  EXPECT_EQ(to_int32(-1e19), 0);
  EXPECT_EQ(to_int32(INF), 0);
  EXPECT_EQ(to_int32(-INF), 0);
  EXPECT_EQ(to_int32(NOT_A_NUMBER), 0);
}

TEST(Factorial, MultipliesDownwardAndOverflowsAt171) {
  EXPECT_EQ(factorial(-5), 1);
  EXPECT_EQ(factorial(0), 1);
  EXPECT_EQ(factorial(1), 1);
  EXPECT_EQ(factorial(5), 120);
  EXPECT_EQ(factorial(20), 2432902008176640000.0);
  EXPECT_NEAR(factorial(170) / 7.257415615307994e306, 1.0, 1e-14);
  EXPECT_EQ(factorial(171), INF);
  EXPECT_EQ(factorial(2147483647), INF);
  // The order of the products matters in the last bits: n first, down to 1.
  double product = 1.0;
  for (int i = 100; i >= 1; --i) product *= i;
  EXPECT_EQ(factorial(100), product);
}

TEST(Binomial, OutOfRangeArgumentsGiveOne) {
  EXPECT_EQ(binomial(2, 5), 1);
  EXPECT_EQ(binomial(-1, 0), 1);
  EXPECT_EQ(binomial(5, -1), 1);
}

TEST(Binomial, UsualValues) {
  EXPECT_EQ(binomial(5, 2), 10);
  EXPECT_EQ(binomial(5, 0), 1);
  EXPECT_EQ(binomial(5, 5), 1);
  EXPECT_DOUBLE_EQ(binomial(52, 5), 2598960);  // rounded factorials: not always an integer
}

TEST(Binomial, DenominatorKeepsAnExtendedExponent) {
  // 85! * 85! overflows a double; the quotient does not.
  EXPECT_NEAR(binomial(170, 85) / 9.144841845e49, 1.0, 1e-9);
  EXPECT_EQ(binomial(171, 1), INF);
  EXPECT_EQ(binomial(340, 170), INF);
  EXPECT_TRUE(std::isnan(binomial(172, 1)));
  EXPECT_TRUE(std::isnan(binomial(171, 0)));
  EXPECT_TRUE(std::isnan(binomial(2147483647, 1073741823)));
}

TEST(CircleFunctions, UseTheFixedPiAndRejectNegativeRadii) {
  EXPECT_EQ(circle_circumference(1), 2 * 3.141592653589793);
  EXPECT_EQ(circle_area(12), 144 * 3.141592653589793);
  EXPECT_EQ(circle_circumference(-1), 0);
  EXPECT_EQ(circle_area(-1), 0);
  EXPECT_EQ(circle_area(NOT_A_NUMBER), 0);
  EXPECT_TRUE(std::signbit(circle_circumference(-0.0)));
  EXPECT_FALSE(std::signbit(circle_area(-0.0)));
  EXPECT_EQ(circle_circumference(INF), INF);
  EXPECT_EQ(circle_area(-INF), 0);
}

}  // namespace
