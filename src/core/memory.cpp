#include "memory.h"

#include <cstdlib>

namespace {
long allocations_until_failure = -1;  // negative: no fault injected
}

void* allocate_bytes(std::size_t size) {
  if (allocations_until_failure == 0) return nullptr;
  if (allocations_until_failure > 0) --allocations_until_failure;
  return std::malloc(size);
}

void release_bytes(void* block) { std::free(block); }

void fail_allocations_after(long successes) { allocations_until_failure = successes; }
