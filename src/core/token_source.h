// The token source: turns the console stream or the string buffer into tokens.
//
// Both sources share one scanner for numbers and identifiers; they differ only
// in where bytes come from, in how the end is signalled, and in whether the
// byte that makes an identifier too long is consumed (console) or left in
// place (string).
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

// The text of the string source, NUL-terminated, and the scan position in it.
// The position returns to 0 whenever the string source reports end of input.
extern char string_buffer[STRING_BUFFER_SIZE];
extern int string_pos;
// Where the token the string source returned last begins, blanks skipped: the
// place an embedding caller is told an error was found at.
extern int string_token_start;

// The next token from the console (console mode) or the string buffer (quiet
// mode); sets token_value. New identifiers are created as variables at once.
int next_token();

}  // namespace ziffralon
