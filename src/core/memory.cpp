#include "memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace ziffralon {

namespace {
long allocations_until_failure = -1;  // negative: no fault injected

constexpr std::size_t HUGE_PAGE_SIZE = std::size_t{1} << 21;

// Counts down the injected fault; false when this allocation is to fail.
bool allocation_allowed() {
  if (allocations_until_failure == 0) return false;
  if (allocations_until_failure > 0) --allocations_until_failure;
  return true;
}

}  // namespace

void* allocate_bytes(std::size_t size) { return allocation_allowed() ? std::malloc(size) : nullptr; }

void* allocate_table_bytes(std::size_t size) {
  if (size < HUGE_PAGE_SIZE) return allocate_bytes(size);
  if (!allocation_allowed()) return nullptr;
  void* block = std::aligned_alloc(HUGE_PAGE_SIZE, (size + HUGE_PAGE_SIZE - 1) / HUGE_PAGE_SIZE * HUGE_PAGE_SIZE);
#ifdef MADV_HUGEPAGE
  if (block) madvise(block, size, MADV_HUGEPAGE);
#endif
  return block;
}

void release_bytes(void* block) { std::free(block); }

void fail_allocations_after(long successes) { allocations_until_failure = successes; }

}  // namespace ziffralon
