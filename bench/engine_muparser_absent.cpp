// Built instead of engine_muparser.cpp when muparser is not installed.
#include <cstdio>

#include "engines.h"

namespace ziffralon_bench {

void register_peer_benchmarks() {
  std::fprintf(stderr, "muparser was not found when this was built (libmuparser-dev): its column is left out\n");
}

}  // namespace ziffralon_bench
