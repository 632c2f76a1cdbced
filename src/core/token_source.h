// The token source: turns the console stream or the string buffer into tokens.
//
// Both sources share one scanner for numbers and identifiers; they differ only
// in where bytes come from and in how the end is signalled. The console
// consumes the byte that makes an identifier too long; the string source would
// leave it in place, but no text it is given is long enough to get there.
#pragma once

#include <cstddef>

#include "symbols.h"

namespace ziffralon {

// Token codes besides the character codes and the two symbol kinds.
constexpr int TOK_END = 0;
constexpr int TOK_OVERLONG_IDENTIFIER = 1;  // no symbol of the grammar: always a syntax error
constexpr int TOK_NUMBER = 257;
constexpr int TOK_UMINUS = 260;             // never returned; names a precedence level
constexpr int TOK_OUT_OF_MEMORY = -2;       // a new symbol could not be allocated

constexpr std::size_t IDENTIFIER_LIMIT = 255;
constexpr std::size_t NUMBER_LIMIT = 349;
constexpr std::size_t STRING_BUFFER_SIZE = 256;

union SemanticValue {
  double number;
  Symbol* symbol;
};

// The value of the token next_token returned last.
extern SemanticValue token_value;

// Whether the `length` bytes at `name` are one identifier as the token source
// reads it: a letter, then letters or digits, IDENTIFIER_LIMIT at most.
bool is_identifier(const char* name, std::size_t length);

// Gives the string source `length` bytes of `text` (at most
// STRING_BUFFER_SIZE - 1) to read from the start. Its scan position returns
// to the start whenever it reports end of input.
void string_source_load(const char* text, std::size_t length);

// Where in the loaded text the token the string source returned last begins,
// blanks skipped: the place an embedding caller is told an error was found at.
int string_source_token_start();

// The next token from the console (console mode) or the string buffer (quiet
// mode); sets token_value. New identifiers are created as variables at once.
int next_token();

}  // namespace ziffralon
