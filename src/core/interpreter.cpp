#include "interpreter.h"

#include <new>

#include "memory.h"

namespace ziffralon {

constinit InterpreterState default_interpreter{};

InterpreterState* interpreter_new() {
  void* block = allocate_bytes(sizeof(InterpreterState));
  if (!block) return nullptr;
  auto* in = new (block) InterpreterState{};
  in->session.console_mode = false;
  in->symbols.memory.block_size = FIRST_PERMANENT_BLOCK_SIZE;
  if (install_initial_symbols(*in)) return in;
  interpreter_free(in);
  return nullptr;
}

void interpreter_free(InterpreterState* in) {
  if (!in) return;
  release_symbols(*in);
  release_token_source(*in);
  release_bytes(in);
}

}  // namespace ziffralon
