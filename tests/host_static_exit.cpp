// A host's global object that uses the library in its destructor, with the
// library linked statically: the library's own clean-up must not run before
// it (the variables would be gone, and the evaluation would quietly give 0).
#include <ziffralon/ziffralon.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct UsesLibraryAtExit {
  ~UsesLibraryAtExit() {
    double result = 0;
    if (!ziffralon_evaluate("rate * 2", &result, nullptr) || result != 38) {
      std::fprintf(stderr, "after main: rate * 2 gave %g\n", result);
      std::_Exit(1);
    }
  }
} uses_library_at_exit;

}  // namespace

int main() { return ziffralon_set_variable("rate", 19) ? 0 : 1; }
