#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/arithmetic.h"

using namespace ziffralon;

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

TEST(ToInt32, WrapsTheLow32BitsOfTheTruncationAndRejectsTheRest) {
  const struct {
    double value;
    std::int32_t expected;
  } cases[] = {
      {3.7, 3}, {-3.7, -3}, {4294967301.0, 5}, {1e10, 1410065408}, {3e9, -1294967296},
      {2147483648.0, INT32_MIN}, {-9223372036854773760.0, 2048}, {-9223372036854775808.0, 0},
      {9223372036854775808.0, 0}, {1e19, 0}, {-1e19, 0}, {INF, 0}, {-INF, 0}, {std::nan(""), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(to_int32(c.value), c.expected) << c.value;
}

TEST(Factorial, MultipliesDownwardAndOverflowsAt171) {
  EXPECT_EQ(factorial(-5), 1);
  EXPECT_EQ(factorial(0), 1);
  EXPECT_EQ(factorial(20), 2432902008176640000.0);
  double product = 1.0;  // the order of the roundings shows in the last bits
  for (int i = 170; i >= 1; --i) product *= i;
  EXPECT_EQ(factorial(170), product);
  EXPECT_EQ(factorial(171), INF);
  EXPECT_EQ(factorial(2147483647), INF);
}

TEST(Binomial, OutOfRangeGivesOneAndTheDenominatorNeverOverflows) {
  EXPECT_EQ(binomial(2, 5), 1);
  EXPECT_EQ(binomial(-1, 0), 1);
  EXPECT_EQ(binomial(5, -1), 1);
  EXPECT_EQ(binomial(5, 2), 10);
  EXPECT_DOUBLE_EQ(binomial(52, 5), 2598960);  // rounded factorials: not always an integer
  EXPECT_NEAR(binomial(170, 85) / 9.144841845e49, 1.0, 1e-9);  // 85! * 85! exceeds a double
  EXPECT_EQ(binomial(171, 1), INF);
  EXPECT_EQ(binomial(340, 170), INF);
  EXPECT_TRUE(std::isnan(binomial(172, 1)));
  EXPECT_TRUE(std::isnan(binomial(171, 0)));
}

TEST(CircleFunctions, UseTheFixedPiAndRejectNegativeRadii) {
  EXPECT_EQ(circle_circumference(1), 2 * 3.141592653589793);
  EXPECT_EQ(circle_area(12), 144 * 3.141592653589793);
  EXPECT_EQ(circle_circumference(-1), 0);
  EXPECT_EQ(circle_area(std::nan("")), 0);
  EXPECT_TRUE(std::signbit(circle_circumference(-0.0)));
  EXPECT_FALSE(std::signbit(circle_area(-0.0)));
  EXPECT_EQ(circle_area(-INF), 0);
}

}  // namespace
