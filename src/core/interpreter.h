// One interpreter: everything a session of the calculator language needs, in
// one record. Free functions take it first. The console and the library's
// process-wide calls use default_interpreter; a host may make interpreters of
// its own, each used by one thread at a time, which never share anything but
// read-only tables (the grammar's, the built-in functions').
#pragma once

#include "parser.h"
#include "session.h"
#include "symbols.h"
#include "token_source.h"

namespace ziffralon {

struct InterpreterState {
  SessionState session;
  SymbolTable symbols;
  TokenSource tokens;
  ParserStack parser;
  DeferredNames* deferring = nullptr;  // set while a text is compiled: new names wait there
  // Calls on it under way: a host function may call back into the
  // interpreter that called it, to any depth.
  int calls_under_way = 0;
  int parses_under_way = 0;  // of those, evaluations and compilations
  bool free_when_idle = false;  // freed inside a call: given back when the last call ends
  // Why the last evaluation or compilation failed, in the console's words;
  // nullptr after one that succeeded.
  const char* last_failure = nullptr;
};

// The console's interpreter, in console mode from the start. Its symbols are
// given back only when the program ends or the library is unloaded.
extern InterpreterState default_interpreter;

// A quiet interpreter with the built-in functions, pi and e; nullptr when out
// of memory.
InterpreterState* interpreter_new();

// Gives back `in` and everything it owns; nullptr is ignored. Inside a call
// on it (from a host function) the freeing waits until that call has ended.
void interpreter_free(InterpreterState* in);

// A parse put aside while a host function parses another text in the same
// interpreter.
struct SetAsideParse;

// One call on an interpreter that a host function may re-enter. While it
// lasts the interpreter is not freed; a call that parses while another
// parse is under way puts that one's token source, parse stack and error
// state aside and gives them back when it ends, so that the outer parse goes
// on as if the inner call had been made before it.
struct InterpreterCall {
  InterpreterState* in;
  SetAsideParse* set_aside;
  bool parses;
};

// Begins a call on `in`; `parses` when it will read a text. False, with
// nothing begun, when an outer parse cannot be put aside for lack of memory.
bool begin_call(InterpreterState& in, InterpreterCall& call, bool parses);

// Ends the call: gives an outer parse back, and frees the interpreter when
// that was asked for during the call and no call is left.
void end_call(InterpreterCall& call);

}  // namespace ziffralon
