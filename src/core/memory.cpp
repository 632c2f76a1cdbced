#include "memory.h"

#include <cstddef>
#include <cstdlib>

#include "platform/platform.h"

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
  return platform_allocate_table(size);
}

namespace {

// Large enough that the C library maps it apart from its heap, small enough
// that a run with a few variables does not notice it.
constexpr std::size_t PERMANENT_BLOCK_SIZE = std::size_t{1} << 18;
constexpr std::size_t PERMANENT_ALIGNMENT = alignof(double) > alignof(void*) ? alignof(double) : alignof(void*);

struct PermanentBlock {
  char* next;
  std::size_t room;
};

PermanentBlock permanent;

}  // namespace

void* allocate_permanent_bytes(std::size_t size) {
  if (!allocation_allowed()) return nullptr;
  size = (size + PERMANENT_ALIGNMENT - 1) & ~(PERMANENT_ALIGNMENT - 1);
  if (size > permanent.room) {
    // The rest of the old block stays unused.
    std::size_t block_size = size > PERMANENT_BLOCK_SIZE ? size : PERMANENT_BLOCK_SIZE;
    auto* block = static_cast<char*>(std::malloc(block_size));
    if (!block) return nullptr;
    permanent = PermanentBlock{block, block_size};
  }
  void* piece = permanent.next;
  permanent.next += size;
  permanent.room -= size;
  return piece;
}

void release_bytes(void* block) { std::free(block); }

void fail_allocations_after(long successes) { allocations_until_failure = successes; }

}  // namespace ziffralon
