// The symbol table: every name the calculator knows.
//
// A singly linked list, newest first, that the help text and the variable
// listing walk; beside it a hash index so that a name is found in constant
// expected time however many variables exist. Records and names live until
// the process ends.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ziffralon {

using SymbolKind = int;
constexpr SymbolKind TOK_VARIABLE = 258;
constexpr SymbolKind TOK_FUNCTION = 259;

using MathFunction = double (*)(double);

union SymbolValue {
  double number;
  MathFunction function;
};

struct Symbol {
  char* name;
  SymbolKind kind;
  std::uint32_t length;  // of the name: names are told apart by length before bytes
  SymbolValue value;
  Symbol* next;
};

// Creates a record with a copy of `name`, value zero, at the head of the table.
// Does not check for an existing name. Returns nullptr when out of memory (the
// table is then unchanged).
Symbol* symbol_insert(const char* name, SymbolKind kind);

// The hash the index files `name` under; for tests that need two names that
// share one.
std::uint32_t symbol_hash(const char* name, std::size_t length);

// The newest record named exactly `name`, or nullptr.
Symbol* symbol_lookup(const char* name);
Symbol* symbol_lookup_length(const char* name, std::size_t length);

// The record named by the `length` bytes at `name`, created as a variable if
// there is none (hashing the name once); nullptr when out of memory.
Symbol* symbol_intern(const char* name, std::size_t length);

// The newest record, or nullptr for an empty table.
Symbol* symbol_head();

// The newest function record: every function is found walking from here, so
// listing them does not cost a walk past every variable made since start-up.
Symbol* symbol_newest_function();

// Fills the table with the built-in functions, then pi and e. Only the first
// successful call does anything, so the console and embedding programs may
// both call it. All or nothing: false when out of memory, and the table is
// then as it was, so a later call may try again.
bool install_initial_symbols();

}  // namespace ziffralon
