// Formulas of the kinds that embedding programs evaluate many times over
// (plotting, simulation, spreadsheets), each with the same computation written
// in C++ so that the compiler's own code sets the floor of the comparison.
#pragma once

#include <span>

namespace ziffralon_bench {

// The host's doubles that the formulas read. Every evaluation first moves all
// of them, so no engine can reuse a result from the call before.
struct HostVariables {
  double x, y, z, w, u, v, s, t;
};

struct HostVariable {
  const char* name;
  double HostVariables::*member;
  double start;
};

// Starting values keep every formula inside its functions' domains for far
// more calls than a benchmark run makes (acos and asin need |w|, |v| <= 1).
constexpr HostVariable HOST_VARIABLES[] = {
    {"x", &HostVariables::x, 0.31}, {"y", &HostVariables::y, 1.7},  {"z", &HostVariables::z, 2.9},
    {"w", &HostVariables::w, 0.61}, {"u", &HostVariables::u, 1.13}, {"v", &HostVariables::v, 0.47},
    {"s", &HostVariables::s, 3.3},  {"t", &HostVariables::t, 0.83},
};

constexpr double STEP_PER_CALL = 1e-9;

inline HostVariables starting_variables() {
  HostVariables values{};
  for (const HostVariable& variable : HOST_VARIABLES) values.*variable.member = variable.start;
  return values;
}

inline void advance(HostVariables& values) {
  for (const HostVariable& variable : HOST_VARIABLES) values.*variable.member += STEP_PER_CALL;
}

struct Formula {
  const char* group;
  const char* text;  // in the calculator's language
  double (*native)(const HostVariables&);
};

extern const std::span<const Formula> FORMULAS;

// Whether an engine's value agrees with the native one: equal, both NaN, or
// within the rounding that another order of the same operations may give.
bool agrees_with_native(double value, double native);

}  // namespace ziffralon_bench
