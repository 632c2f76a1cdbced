#include "formulas.h"

#include <cmath>

#include "core/arithmetic.h"

namespace ziffralon_bench {

namespace {

using std::pow;
using V = const HostVariables&;
using ziffralon::binomial;
using ziffralon::circle_area;
using ziffralon::circle_circumference;
using ziffralon::factorial;
using ziffralon::FIXED_PI;
using ziffralon::to_int32;

// Each native version does what the calculator does with the text: the same
// operations in the same order, `^` as pow, `%` as a division by 100, the
// preset pi as the double it holds. Where the C++ compiler folds constants or
// turns pow(x, 2) into x * x, that is the floor's right.
constexpr Formula TABLE[] = {
    {"polynomial", "x*x + 2*x + 1", [](V v) { return v.x * v.x + 2 * v.x + 1; }},
    {"polynomial", "3*x^3 - 2*x^2 + x - 5", [](V v) { return 3 * pow(v.x, 3) - 2 * pow(v.x, 2) + v.x - 5; }},
    {"polynomial", "x^4 + x^3 + x^2 + x + 1",
     [](V v) { return pow(v.x, 4) + pow(v.x, 3) + pow(v.x, 2) + v.x + 1; }},
    {"polynomial", "2.5*x^5 - 1.25*x^4 + 0.5*x^3 - x^2 + 3*x - 7",
     [](V v) { return 2.5 * pow(v.x, 5) - 1.25 * pow(v.x, 4) + 0.5 * pow(v.x, 3) - pow(v.x, 2) + 3 * v.x - 7; }},
    {"polynomial", "(x - 1)*(x - 2)*(x - 3)*(x - 4)", [](V v) { return (v.x - 1) * (v.x - 2) * (v.x - 3) * (v.x - 4); }},
    {"polynomial", "x*x*x - 3*x*y*y", [](V v) { return v.x * v.x * v.x - 3 * v.x * v.y * v.y; }},
    {"polynomial", "x^2 + y^2 + z^2 - 2*x*y - 2*y*z",
     [](V v) { return pow(v.x, 2) + pow(v.y, 2) + pow(v.z, 2) - 2 * v.x * v.y - 2 * v.y * v.z; }},
    {"polynomial", "0.5*x^6 - 3*x^4 + 2*x^2 - 1", [](V v) { return 0.5 * pow(v.x, 6) - 3 * pow(v.x, 4) + 2 * pow(v.x, 2) - 1; }},
    {"polynomial", "(x + y)^3 - (x - y)^3", [](V v) { return pow(v.x + v.y, 3) - pow(v.x - v.y, 3); }},
    {"polynomial", "1 + x + x^2/2 + x^3/6 + x^4/24 + x^5/120",
     [](V v) { return 1 + v.x + pow(v.x, 2) / 2 + pow(v.x, 3) / 6 + pow(v.x, 4) / 24 + pow(v.x, 5) / 120; }},

    {"horner", "((x + 2)*x + 3)*x + 4", [](V v) { return ((v.x + 2) * v.x + 3) * v.x + 4; }},
    {"horner", "(((2.5*x - 1.25)*x + 0.5)*x - 1)*x + 3",
     [](V v) { return (((2.5 * v.x - 1.25) * v.x + 0.5) * v.x - 1) * v.x + 3; }},
    {"horner", "((((x - 1)*x + 2)*x - 3)*x + 4)*x - 5",
     [](V v) { return ((((v.x - 1) * v.x + 2) * v.x - 3) * v.x + 4) * v.x - 5; }},
    {"horner", "(((((0.1*x + 0.2)*x + 0.3)*x + 0.4)*x + 0.5)*x + 0.6)*x + 0.7",
     [](V v) { return (((((0.1 * v.x + 0.2) * v.x + 0.3) * v.x + 0.4) * v.x + 0.5) * v.x + 0.6) * v.x + 0.7; }},
    {"horner", "((y*x + z)*x + w)*x + u", [](V v) { return ((v.y * v.x + v.z) * v.x + v.w) * v.x + v.u; }},
    {"horner", "1 + x*(1 + x/2*(1 + x/3*(1 + x/4*(1 + x/5))))",
     [](V v) { return 1 + v.x * (1 + v.x / 2 * (1 + v.x / 3 * (1 + v.x / 4 * (1 + v.x / 5)))); }},
    {"horner", "((((((1.5*y - 2)*y + 2.5)*y - 3)*y + 3.5)*y - 4)*y + 4.5)*y - 5",
     [](V v) { return ((((((1.5 * v.y - 2) * v.y + 2.5) * v.y - 3) * v.y + 3.5) * v.y - 4) * v.y + 4.5) * v.y - 5; }},
    {"horner", "(((x*t + s)*t + v)*t + u)*t + w", [](V v) { return (((v.x * v.t + v.s) * v.t + v.v) * v.t + v.u) * v.t + v.w; }},

    {"functions", "sin(cos(x))", [](V v) { return std::sin(std::cos(v.x)); }},
    {"functions", "sqrt(sin(x)^2 + cos(y)^2)",
     [](V v) { return std::sqrt(pow(std::sin(v.x), 2) + pow(std::cos(v.y), 2)); }},
    {"functions", "exp(-x*x/2)", [](V v) { return std::exp(-v.x * v.x / 2); }},
    {"functions", "ln(1 + exp(x))", [](V v) { return std::log(1 + std::exp(v.x)); }},
    {"functions", "atan(tan(x/2)) + asin(sin(w))",
     [](V v) { return std::atan(std::tan(v.x / 2)) + std::asin(std::sin(v.w)); }},
    {"functions", "sqrt(fabs(sin(x) - cos(y)))", [](V v) { return std::sqrt(std::fabs(std::sin(v.x) - std::cos(v.y))); }},
    {"functions", "tanh(sinh(x) - cosh(w))", [](V v) { return std::tanh(std::sinh(v.x) - std::cosh(v.w)); }},
    {"functions", "exp(sin(x))*ln(y + 1) + sqrt(z)",
     [](V v) { return std::exp(std::sin(v.x)) * std::log(v.y + 1) + std::sqrt(v.z); }},
    {"functions", "log10(1 + x^2)*cos(sqrt(y))", [](V v) { return std::log10(1 + pow(v.x, 2)) * std::cos(std::sqrt(v.y)); }},
    {"functions", "sin(x)*cos(y) + cos(x)*sin(y) - sin(x + y)",
     [](V v) { return std::sin(v.x) * std::cos(v.y) + std::cos(v.x) * std::sin(v.y) - std::sin(v.x + v.y); }},
    {"functions", "acos(w)*asin(v)/atan(z)", [](V v) { return std::acos(v.w) * std::asin(v.v) / std::atan(v.z); }},

    {"powers", "x^2", [](V v) { return pow(v.x, 2); }},
    {"powers", "x^0.5 + y^1.5", [](V v) { return pow(v.x, 0.5) + pow(v.y, 1.5); }},
    {"powers", "2^x", [](V v) { return pow(2, v.x); }},
    {"powers", "x^y", [](V v) { return pow(v.x, v.y); }},
    {"powers", "(x + 1)^(y - 0.5)", [](V v) { return pow(v.x + 1, v.y - 0.5); }},
    {"powers", "z^2^0.5", [](V v) { return pow(v.z, pow(2, 0.5)); }},
    {"powers", "y^3 + z^4 + u^5", [](V v) { return pow(v.y, 3) + pow(v.z, 4) + pow(v.u, 5); }},
    {"powers", "sqrt(x^2 + y^2)^3", [](V v) { return pow(std::sqrt(pow(v.x, 2) + pow(v.y, 2)), 3); }},

    {"long-sums", "x + y + z + w + u + v + s + t", [](V v) { return v.x + v.y + v.z + v.w + v.u + v.v + v.s + v.t; }},
    {"long-sums", "x + 1 + x + 2 + x + 3 + x + 4 + x + 5 + x + 6 + x + 7 + x + 8",
     [](V v) { return v.x + 1 + v.x + 2 + v.x + 3 + v.x + 4 + v.x + 5 + v.x + 6 + v.x + 7 + v.x + 8; }},
    {"long-sums", "x - y + z - w + u - v + s - t + x - y + z - w + u - v + s - t",
     [](V v) { return v.x - v.y + v.z - v.w + v.u - v.v + v.s - v.t + v.x - v.y + v.z - v.w + v.u - v.v + v.s - v.t; }},
    {"long-sums", "x*y + y*z + z*w + w*u + u*v + v*s + s*t + t*x",
     [](V v) { return v.x * v.y + v.y * v.z + v.z * v.w + v.w * v.u + v.u * v.v + v.v * v.s + v.s * v.t + v.t * v.x; }},
    {"long-sums", "1/x + 1/y + 1/z + 1/w + 1/u + 1/v + 1/s + 1/t",
     [](V v) { return 1 / v.x + 1 / v.y + 1 / v.z + 1 / v.w + 1 / v.u + 1 / v.v + 1 / v.s + 1 / v.t; }},
    {"long-sums", "sin(x) + sin(y) + sin(z) + sin(w) + sin(u) + sin(v)",
     [](V v) {
       return std::sin(v.x) + std::sin(v.y) + std::sin(v.z) + std::sin(v.w) + std::sin(v.u) + std::sin(v.v);
     }},
    {"long-sums", "x + 2*y + 3*z + 4*w + 5*u + 6*v + 7*s + 8*t + 9*x + 10*y + 11*z + 12*w + 13*u + 14*v + 15*s + 16*t",
     [](V v) {
       return v.x + 2 * v.y + 3 * v.z + 4 * v.w + 5 * v.u + 6 * v.v + 7 * v.s + 8 * v.t + 9 * v.x + 10 * v.y +
              11 * v.z + 12 * v.w + 13 * v.u + 14 * v.v + 15 * v.s + 16 * v.t;
     }},
    {"long-sums", "(x + y)*(z + w) + (u + v)*(s + t) + (x - y)*(z - w) + (u - v)*(s - t)",
     [](V v) {
       return (v.x + v.y) * (v.z + v.w) + (v.u + v.v) * (v.s + v.t) + (v.x - v.y) * (v.z - v.w) +
              (v.u - v.v) * (v.s - v.t);
     }},

    {"variables", "x*y*z*w*u*v*s*t", [](V v) { return v.x * v.y * v.z * v.w * v.u * v.v * v.s * v.t; }},
    {"variables", "(x + y)/(z + w) - (u - v)/(s + t)", [](V v) { return (v.x + v.y) / (v.z + v.w) - (v.u - v.v) / (v.s + v.t); }},
    {"variables", "x*y - z*w + u*v - s*t", [](V v) { return v.x * v.y - v.z * v.w + v.u * v.v - v.s * v.t; }},
    {"variables", "(x - y)^2 + (z - w)^2 + (u - v)^2 + (s - t)^2",
     [](V v) { return pow(v.x - v.y, 2) + pow(v.z - v.w, 2) + pow(v.u - v.v, 2) + pow(v.s - v.t, 2); }},
    {"variables", "x/y/z/w", [](V v) { return v.x / v.y / v.z / v.w; }},
    {"variables", "(x*y + z)/(w*u + v)*s - t", [](V v) { return (v.x * v.y + v.z) / (v.w * v.u + v.v) * v.s - v.t; }},
    {"variables", "sqrt((x - u)^2 + (y - v)^2 + (z - s)^2)",
     [](V v) { return std::sqrt(pow(v.x - v.u, 2) + pow(v.y - v.v, 2) + pow(v.z - v.s, 2)); }},
    {"variables", "x*(y + z*(w + u*(v + s*t)))", [](V v) { return v.x * (v.y + v.z * (v.w + v.u * (v.v + v.s * v.t))); }},

    {"constants", "3.5*x + 2.25*(1.5 + 4.75) - 16/2", [](V v) { return 3.5 * v.x + 2.25 * (1.5 + 4.75) - 16.0 / 2; }},
    {"constants", "2*pi*x", [](V v) { return 2 * FIXED_PI * v.x; }},
    {"constants", "x*(1.5 + 2.5)*(3.5 - 0.5)/(2*2)", [](V v) { return v.x * (1.5 + 2.5) * (3.5 - 0.5) / (2 * 2); }},
    {"constants", "(1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9 + 10)*x",
     [](V v) { return (1.0 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9 + 10) * v.x; }},
    {"constants", "sqrt(2)*x + sin(0.5)*y - cos(0.25)*z",
     [](V v) { return std::sqrt(2.0) * v.x + std::sin(0.5) * v.y - std::cos(0.25) * v.z; }},
    {"constants", "x + 1.5*2.5*3.5*4.5 - (10 - 3)^2/7", [](V v) { return v.x + 1.5 * 2.5 * 3.5 * 4.5 - pow(10 - 3, 2) / 7; }},
    {"constants", "exp(1)*x^2 + ln(10)*x - log10(1000)",
     [](V v) { return std::exp(1.0) * pow(v.x, 2) + std::log(10.0) * v.x - std::log10(1000.0); }},
    {"constants", "(4*pi/3)*x^3", [](V v) { return (4 * FIXED_PI / 3) * pow(v.x, 3); }},

    // Variables that hold constants, and powers that are no powers: each
    // pair as fast as its second.
    {"folding", "sin(pi/6) + cos(2*pi/6)", [](V) { return std::sin(FIXED_PI / 6) + std::cos(2 * FIXED_PI / 6); }},
    {"folding", "1.1", [](V) { return 1.1; }},
    {"folding", "2.2*x^1 + 1.1", [](V v) { return 2.2 * pow(v.x, 1) + 1.1; }},
    {"folding", "2.2*x + 1.1", [](V v) { return 2.2 * v.x + 1.1; }},

    // The calculator's own operators and functions, and statements: no peer
    // writes these the same way.
    {"calculator", "x*50%", [](V v) { return v.x * (50.0 / 100); }},
    {"calculator", "x*12% + y%", [](V v) { return v.x * (12.0 / 100) + v.y / 100; }},
    {"calculator", "ku(y) + kf(z)", [](V v) { return circle_circumference(v.y) + circle_area(v.z); }},
    {"calculator", "(y*3)!/2", [](V v) { return factorial(to_int32(v.y * 3)) / 2; }},
    {"calculator", "(s + 5)~2*x", [](V v) { return binomial(to_int32(v.s + 5), to_int32(2)) * v.x; }},
    {"calculator", "kf(x)*(z + 2)! - ku(w)",
     [](V v) { return circle_area(v.x) * factorial(to_int32(v.z + 2)) - circle_circumference(v.w); }},
    {"calculator", "a = x*y; a*a + a",
     [](V v) {
       double a = v.x * v.y;
       return a * a + a;
     }},
    {"calculator", "r = sqrt(x*x + y*y); c = r*z; c*c - r",
     [](V v) {
       double r = std::sqrt(v.x * v.x + v.y * v.y);
       double c = r * v.z;
       return c * c - r;
     }},
};

}  // namespace

const std::span<const Formula> FORMULAS{TABLE};

bool agrees_with_native(double value, double native) {
  constexpr double RELATIVE_TOLERANCE = 1e-12;
  if (std::isnan(value) || std::isnan(native)) return std::isnan(value) && std::isnan(native);
  return value == native || std::fabs(value - native) <= RELATIVE_TOLERANCE * std::fabs(native);
}

}  // namespace ziffralon_bench
