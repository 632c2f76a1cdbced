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
  if (in->calls_under_way > 0) {
    in->free_when_idle = true;
    return;
  }
  release_symbols(*in);
  release_token_source(*in);
  release_bytes(in);
}

struct SetAsideParse {
  TokenSource tokens;
  ParserStack parser;
  DeferredNames* deferring;
  SessionState session;
};

bool begin_call(InterpreterState& in, InterpreterCall& call, bool parses) {
  call = InterpreterCall{&in, nullptr, parses};
  if (parses && in.parses_under_way > 0) {
    auto* set_aside = static_cast<SetAsideParse*>(allocate_bytes(sizeof(SetAsideParse)));
    if (!set_aside) return false;
    *set_aside = SetAsideParse{in.tokens, in.parser, in.deferring, in.session};
    // The inner text gets buffers of its own: the outer one still reads its text.
    in.tokens.long_text = nullptr;
    in.tokens.long_capacity = 0;
    in.deferring = nullptr;
    in.session.quiet_error = false;
    call.set_aside = set_aside;
  }
  ++in.calls_under_way;
  if (parses) ++in.parses_under_way;
  return true;
}

void end_call(InterpreterCall& call) {
  InterpreterState& in = *call.in;
  if (SetAsideParse* set_aside = call.set_aside) {
    release_token_source(in);
    in.tokens = set_aside->tokens;
    in.parser = set_aside->parser;
    in.deferring = set_aside->deferring;
    // What the inner call computed last stays the last result, as if it had
    // been called before the outer one.
    double last_result = in.session.last_result;
    in.session = set_aside->session;
    in.session.last_result = last_result;
    release_bytes(set_aside);
  }
  if (call.parses) --in.parses_under_way;
  if (--in.calls_under_way == 0 && in.free_when_idle) {
    in.free_when_idle = false;
    interpreter_free(&in);
  }
}

}  // namespace ziffralon
