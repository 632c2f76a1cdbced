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
};

// The console's interpreter, in console mode from the start. Its symbols are
// given back only when the program ends or the library is unloaded.
extern InterpreterState default_interpreter;

// A quiet interpreter with the built-in functions, pi and e; nullptr when out
// of memory.
InterpreterState* interpreter_new();

// Gives back `in` and everything it owns; nullptr is ignored.
void interpreter_free(InterpreterState* in);

}  // namespace ziffralon
