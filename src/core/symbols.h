// The symbol table: every name the calculator knows.
//
// A singly linked list, newest first, that the help text and the variable
// listing walk; beside it a hash index so that a name is found in constant
// expected time however many variables exist. Records and names live as long
// as their interpreter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "memory.h"

namespace ziffralon {

using SymbolKind = int;
constexpr SymbolKind TOK_VARIABLE = 258;
constexpr SymbolKind TOK_FUNCTION = 259;

using MathFunction = double (*)(double);

// A host's function that carries the host's own data, passed back on every
// call; `release` (if any) gets the data when the interpreter is freed.
struct HostFunction {
  double (*function)(double x, void* data);
  void* data;
  void (*release)(void* data);
};

union SymbolValue {
  double number;
  MathFunction function;
  HostFunction* host;  // a function whose cell is nullptr
};

// The name's bytes follow the record, NUL-terminated (see symbol_name).
struct Symbol {
  // Where a variable's number lives: its own value, or a host's double bound
  // to it. A function has no number: nullptr marks one that carries data.
  double* cell;
  SymbolKind kind;
  std::uint32_t length;  // of the name: names are told apart by length before bytes
  SymbolValue value;
  Symbol* next;
};

inline const char* symbol_name(const Symbol* symbol) { return reinterpret_cast<const char*>(symbol + 1); }

inline bool carries_data(const Symbol* function) { return function->cell == nullptr; }

// The value of the function `symbol` at `x`.
inline double call_function(const Symbol* symbol, double x) {
  if (carries_data(symbol)) return symbol->value.host->function(x, symbol->value.host->data);
  return symbol->value.function(x);
}

// One interpreter's names: a list, newest first, and the open-addressing
// index over it (one record reference per slot, and beside the slots one tag
// byte per slot, 0 for a free slot and otherwise seven bits of the name's
// hash). Records and names are carved from `memory` and live as long as the
// interpreter.
struct SymbolTable {
  Symbol* head = nullptr;
  Symbol* newest_function = nullptr;
  Symbol** slots = nullptr;
  std::uint8_t* tags = nullptr;  // in the same block, after the slots
  std::size_t capacity = 0;      // a power of two, or 0 before the first insertion
  std::size_t count = 0;
  bool initialised = false;
  PermanentBlocks memory;
};

struct InterpreterState;

// Creates a record with a copy of `name`, value zero, at the head of the table.
// Does not check for an existing name. Returns nullptr when out of memory (the
// table is then unchanged).
Symbol* symbol_insert(InterpreterState& in, const char* name, SymbolKind kind);

// The hash the index files `name` under; for tests that need two names that
// share one.
std::uint32_t symbol_hash(const char* name, std::size_t length);

// The newest record named exactly `name`, or nullptr.
Symbol* symbol_lookup(InterpreterState& in, const char* name);
Symbol* symbol_lookup_length(InterpreterState& in, const char* name, std::size_t length);

// The record named by the `length` bytes at `name`, created as a variable if
// there is none (hashing the name once); nullptr when out of memory.
Symbol* symbol_intern(InterpreterState& in, const char* name, std::size_t length);

// The newest record, or nullptr for an empty table.
Symbol* symbol_head(InterpreterState& in);

// The newest function record: every function is found walking from here, so
// listing them does not cost a walk past every variable made since start-up.
Symbol* symbol_newest_function(InterpreterState& in);

// Fills the table with the built-in functions, then pi and e. Only the first
// successful call does anything, so the console and embedding programs may
// both call it. All or nothing: false when out of memory, and the table is
// then as it was, so a later call may try again.
bool install_initial_symbols(InterpreterState& in);

// While a text is compiled, names it meets for the first time are not put in
// the table but set aside in a table of their own, so that a text that fails
// to compile leaves no trace; the compiler makes them real once it has
// succeeded.
struct DeferredNames {
  SymbolTable names{.memory = {.block_size = FIRST_PERMANENT_BLOCK_SIZE}};
};

// As symbol_intern, but a new name becomes a record in `deferred` instead of
// the table (the same record each time the name comes again); nullptr when
// out of memory.
Symbol* symbol_intern_deferred(InterpreterState& in, DeferredNames& deferred, const char* name, std::size_t length);

// The newest name set aside; the others follow through next.
Symbol* newest_deferred_name(const DeferredNames& deferred);

// Gives back the records set aside.
void release_deferred_names(DeferredNames& deferred);

// Gives back the index and every record, and hands the data of the host's
// functions to their release calls; the table is then empty, not yet
// initialised.
void release_symbols(InterpreterState& in);

}  // namespace ziffralon
