// The C calls that compile texts into programs and free them.
#include <cstring>

#include "program.h"

ziffralon_program* ziffralon_compile(ziffralon_interpreter* interpreter, const char* text, long* error_offset) {
  ziffralon::TextOffset offset = 0;
  ziffralon::CompiledProgram* program = nullptr;
  if (interpreter && text)
    program = ziffralon::compile_program(*reinterpret_cast<ziffralon::InterpreterState*>(interpreter), text,
                                         std::strlen(text), offset);
  if (error_offset) *error_offset = ziffralon::offset_for_caller(offset);
  return reinterpret_cast<ziffralon_program*>(program);
}

namespace {

using ziffralon::CompiledProgram;

// A run that a host's function may re-enter: the interpreter and the program
// stay until it ends, and a run of the program inside its own run gets a
// stack of its own for the values that wait.
// Kept out of ziffralon_run, whose usual path then saves no registers.
[[gnu::noinline]] int run_reentrant(CompiledProgram& program, double* result) {
  ziffralon::InterpreterCall call;
  ziffralon::begin_call(*program.in, call, false);  // never fails: nothing is put aside
  // Machine code keeps its waiting values in its own frame; the bytecode
  // machine keeps a long program's in the program, which a nested run must
  // not share.
  bool shares_stack = !program.machine.function && program.own_stack && program.runs_under_way > 0;
  double* nested_stack =
      shares_stack ? static_cast<double*>(ziffralon::allocate_bytes(program.stack_size * sizeof(double))) : nullptr;
  bool ran = !shares_stack || nested_stack;
  if (ran) {
    ++program.runs_under_way;
    if (program.machine.function)
      ziffralon::run_machine_code(program, result);
    else
      ziffralon::run_code(program, shares_stack ? nested_stack : program.own_stack, result);
    --program.runs_under_way;
  }
  ziffralon::release_bytes(nested_stack);
  if (program.runs_under_way == 0 && program.free_when_idle) {
    program.free_when_idle = false;
    ziffralon::program_free(&program);
  }
  ziffralon::end_call(call);
  return ran;
}

}  // namespace

int ziffralon_run(ziffralon_program* handle, double* result) {
  if (!handle) return 0;
  auto& program = *reinterpret_cast<CompiledProgram*>(handle);
  // A program that calls no host function is never re-entered.
  if (program.calls_host) return run_reentrant(program, result);
  if (program.machine.function) [[likely]]
    return program.machine.function(&program, result);
  ziffralon::run_code(program, program.own_stack, result);
  return 1;
}

void ziffralon_program_free(ziffralon_program* program) {
  ziffralon::program_free(reinterpret_cast<ziffralon::CompiledProgram*>(program));
}
