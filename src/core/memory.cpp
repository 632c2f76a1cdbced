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

constexpr std::size_t PERMANENT_ALIGNMENT = alignof(double) > alignof(void*) ? alignof(double) : alignof(void*);
constexpr std::size_t LINK_SIZE = (sizeof(void*) + PERMANENT_ALIGNMENT - 1) & ~(PERMANENT_ALIGNMENT - 1);

}  // namespace

void* allocate_permanent_bytes(PermanentBlocks& blocks, std::size_t size) {
  if (!allocation_allowed()) return nullptr;
  size = (size + PERMANENT_ALIGNMENT - 1) & ~(PERMANENT_ALIGNMENT - 1);
  if (size > blocks.room) {
    // The rest of the old block stays unused.
    std::size_t block_size = blocks.block_size < LINK_SIZE + size ? LINK_SIZE + size : blocks.block_size;
    auto* block = static_cast<char*>(std::malloc(block_size));
    if (!block) return nullptr;
    *reinterpret_cast<void**>(block) = blocks.newest;
    blocks.newest = block;
    blocks.next = block + LINK_SIZE;
    blocks.room = block_size - LINK_SIZE;
    if (blocks.block_size < PERMANENT_BLOCK_SIZE) blocks.block_size *= 2;
  }
  void* piece = blocks.next;
  blocks.next += size;
  blocks.room -= size;
  return piece;
}

void release_permanent_blocks(PermanentBlocks& blocks) {
  for (void* block = blocks.newest; block;) {
    void* older = *static_cast<void**>(block);
    std::free(block);
    block = older;
  }
  blocks = PermanentBlocks{nullptr, 0, nullptr, blocks.block_size};
}

void release_bytes(void* block) { std::free(block); }

void fail_allocations_after(long successes) { allocations_until_failure = successes; }

}  // namespace ziffralon
