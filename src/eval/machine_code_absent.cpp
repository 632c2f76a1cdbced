// Builds without a machine-code back-end: every program runs on the bytecode
// machine.
#include "machine_code.h"

namespace ziffralon {

bool machine_code_build(const Instruction*, std::size_t, std::size_t, const MachineCodeContext&, MachineCode&) {
  return false;
}

void machine_code_free(MachineCode& machine) {
  code_memory_release(machine.block);
  machine.registration = nullptr;
  machine.function = nullptr;
}

}  // namespace ziffralon
