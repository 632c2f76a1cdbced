// Memory for machine code made at run time. No page is ever writable and
// executable at once: each block of code memory is mapped twice, once for
// writing and once, elsewhere, for running, and the two views show the same
// bytes. Where the system refuses that (a process that asked never to gain
// executable memory, a security policy), these calls say so and the caller
// does without machine code.
#pragma once

#include <cstddef>

namespace ziffralon {

struct CodeMemoryViews {
  unsigned char* writable;
  const unsigned char* executable;
  std::size_t size;
  void* system;  // what the system needs to give the block back (Windows: its mapping)
};

// False when this process may not make memory executable at all (on Linux a
// process under PR_SET_MDWE): then no block is even tried.
bool platform_code_memory_allowed();

// Maps a block of at least `size` bytes (rounded up to whole pages) twice.
// False when the system refuses; `views` is then untouched.
bool platform_map_code_memory(std::size_t size, CodeMemoryViews& views);

void platform_unmap_code_memory(const CodeMemoryViews& views);

// Calls `prepare` just before this process forks, and `after` in both the
// parent and the child right after. Both views of a block are shared with the
// child, so neither side may write into a block that existed at the fork.
void platform_on_fork(void (*prepare)(), void (*after)());

// Tells the system's stack walkers (debuggers, crash reports) how to step
// through run-time code: `table` is a function's entry in the system's format,
// its offsets counted from `base`. Only Windows keeps such tables for
// run-time code; elsewhere these do nothing.
void platform_register_code(const unsigned char* base, const unsigned char* table, void*& registration);
void platform_unregister_code(void* registration);

}  // namespace ziffralon

namespace ziffralon {

// What machine code must know of the system's calling convention on x86-64.
// Integer registers go by their encoding numbers (rcx 1, rdx 2, rdi 7).
struct CallingConvention {
  unsigned shadow_space;     // bytes a caller leaves free just above the return address for the callee
  unsigned first_saved_xmm;  // xmm registers from this one up keep their value across calls (16: none)
  unsigned first_pointer;    // the registers of a function's first two arguments, pointers
  unsigned second_pointer;
  unsigned pointer_after_double;  // the register of the pointer in f(double, void*)
  bool unwind_tables;             // run-time code is registered with the system's unwind tables
};

CallingConvention platform_calling_convention();

}  // namespace ziffralon
