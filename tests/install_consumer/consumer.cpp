// Calls the library first thing, through its C++ interface: the built-in
// functions, pi and e must be there without any set-up. Prints what it got.
#include <ziffralon/ziffralon.h>

#include <cstdio>

static_assert(__cplusplus == 201703L, "built as C++17, whatever the library itself uses");

int main() {
  ziffralon::set_variable("width", 3);
  for (const char* text : {"ku(1)", "x = e; x * 2", "1 +", "sqrt(x) * width"}) {
    double result = 0;
    bool ok = ziffralon::evaluate_string(text, result);
    std::printf("%s %.9g\n", ok ? "ok" : "failed", result);
  }
  std::printf("x %.9g, sin %s, version %s\n", ziffralon::get_variable("x").value_or(-1),
              ziffralon::get_variable("sin") ? "a variable" : "no variable", ziffralon_version());
}
