// Calls the evaluator first thing: the built-in functions, pi and e must be
// there without any set-up. Prints what it got, one line per text.
#include <cstdio>

#include "eval/evaluate.h"

using namespace ziffralon;

int main() {
  const char* texts[] = {"ku(1)", "x = e; x * 2", "1 +", "sqrt(x) * 0"};
  for (const char* text : texts) {
    double result = 0;
    bool ok = evaluate_string(text, result);
    std::printf("%s %.9g\n", ok ? "ok" : "failed", result);
  }
  return 0;
}
