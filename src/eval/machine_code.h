// Compiled programs as machine code for the processor the library runs on,
// made from the program's steps (program_steps.h). Where no back-end exists
// for the processor, or the build leaves it out, machine_code_build always
// fails and programs run on the bytecode machine.
#pragma once

#include <cstddef>

#include "code_memory.h"
#include "program.h"

namespace ziffralon {

struct MachineCodeContext {
  const FoldedVariable* folded;  // the variables the instructions took as constants
  std::size_t folded_count;
  double* last_result;  // the interpreter's
  bool has_result;
  int (*after_change)(CompiledProgram* program, double* result);  // the run when a folded variable changed
};

// Machine code for the `size` instructions at `code`; it first checks that
// the folded variables still hold their values. False when no machine code
// could be made (no back-end, no code memory, out of memory); `machine` is
// then untouched.
bool machine_code_build(const Instruction* code, std::size_t size, std::size_t stack_size,
                        const MachineCodeContext& context, MachineCode& machine);

void machine_code_free(MachineCode& machine);

}  // namespace ziffralon
