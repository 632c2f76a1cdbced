// Compiled programs as machine code for the processor the library runs on,
// made from the program's steps (program_steps.h). Where no back-end exists
// for the processor, or the build leaves it out, machine_code_build always
// fails and programs run on the bytecode machine.
#pragma once

#include <cstddef>

#include "code_memory.h"
#include "program.h"

namespace ziffralon {

// Machine code for the `size` instructions at `code`, which took the
// `folded_count` variables of `folded` as constants: it first checks that
// they still hold them. False when no machine code could be made (no
// back-end, no code memory, out of memory); `machine` is then untouched.
bool machine_code_build(const Instruction* code, std::size_t size, std::size_t stack_size,
                        const FoldedVariable* folded, std::size_t folded_count, MachineCode& machine);

void machine_code_free(MachineCode& machine);

}  // namespace ziffralon
