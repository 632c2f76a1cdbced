#include "bench_setup.h"

long scaled(const BenchSetup& setup, long count, long minimum) {
  long result = static_cast<long>(static_cast<double>(count) * setup.scale);
  return result < minimum ? minimum : result;
}
