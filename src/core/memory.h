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

// `size` bytes, aligned for pointers and doubles, that are never released: they are
// carved one after another from large blocks, so a piece costs no header and
// pieces made in turn lie side by side. Each call counts as one allocation
// for the fault injection. nullptr when out of memory.
void* allocate_permanent_bytes(std::size_t size);

// Releases a block from allocate_bytes; nullptr is ignored.
void release_bytes(void* block);

// Fault injection: after `successes` more successful allocations, every further
// allocation fails until the countdown is cleared with a negative value.
void fail_allocations_after(long successes);

}  // namespace ziffralon
