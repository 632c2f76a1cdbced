// Where the machine code of compiled programs lives: blocks carved from
// shared chunks of code memory (src/platform/executable_memory.h), so that
// many small programs share pages, and a freed block serves the next program
// of its size.
//
// A fork shares every chunk's memory between parent and child. From a fork on,
// neither of them carves anything from the chunks that existed then: a
// program of the parent's could otherwise be overwritten by the child's next
// compile and the other way round. Such a chunk is given back once its last
// program is freed.
#pragma once

#include <cstddef>

namespace ziffralon {

struct CodeChunk;

struct CodeBlock {
  CodeChunk* chunk = nullptr;
  unsigned char* writable = nullptr;
  const unsigned char* executable = nullptr;
  std::size_t size = 0;
};

// False when machine code is off: turned off for this process by the
// environment variable ZIFFRALON_MACHINE_CODE=0 (read once, at the first
// compile), or refused by the system.
bool machine_code_wanted();

// A block of at least `size` bytes; false when no code memory can be had.
bool code_memory_allocate(std::size_t size, CodeBlock& block);

void code_memory_release(CodeBlock& block);

// Bytes of code memory mapped now, for the tests that watch it stay flat.
std::size_t code_memory_mapped();

}  // namespace ziffralon
