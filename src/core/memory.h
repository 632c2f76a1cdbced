// Heap allocation for symbols and parser stacks.
//
// Every allocation the interpreter makes goes through here so that running out
// of memory is a return value, never an exception or a crash, and so that tests
// can make the Nth allocation fail on purpose.
#pragma once

#include <cstddef>

namespace ziffralon {

// Returns a block of `size` bytes, or nullptr when no memory can be had (or an
// injected fault fires).
void* allocate_bytes(std::size_t size);

// A block for a large table that is read at random places. Large blocks are
// aligned so that the system may back them with huge pages, which spares most
// lookups a TLB miss. nullptr when out of memory; released with release_bytes.
void* allocate_table_bytes(std::size_t size);

// Where the small, long-lived pieces of one interpreter (its symbols) are
// carved from: large blocks, chained so that they can all be given back at
// once. Pieces are never released one by one.
// The block size a busy interpreter settles at: large enough that the C
// library maps it apart from its heap, small enough that a run with a few
// variables does not notice it.
constexpr std::size_t PERMANENT_BLOCK_SIZE = std::size_t{1} << 18;
// Where an interpreter that may hold only a few names starts.
constexpr std::size_t FIRST_PERMANENT_BLOCK_SIZE = std::size_t{1} << 12;

struct PermanentBlocks {
  char* next = nullptr;   // the free rest of the newest block
  std::size_t room = 0;   // bytes left there
  void* newest = nullptr; // the newest block; each begins with a link to the one before
  std::size_t block_size = PERMANENT_BLOCK_SIZE;  // of the next block to take; doubles up to PERMANENT_BLOCK_SIZE
};

// `size` bytes from `blocks`, aligned for pointers and doubles: pieces made in
// turn lie side by side and cost no header. Each call counts as one
// allocation for the fault injection. nullptr when out of memory.
void* allocate_permanent_bytes(PermanentBlocks& blocks, std::size_t size);

// Gives back every block of `blocks`, which is then empty and ready for use again.
void release_permanent_blocks(PermanentBlocks& blocks);

// Releases a block from allocate_bytes; nullptr is ignored.
void release_bytes(void* block);

// Fault injection: after `successes` more successful allocations, every further
// allocation fails until the countdown is cleared with a negative value.
void fail_allocations_after(long successes);

}  // namespace ziffralon
