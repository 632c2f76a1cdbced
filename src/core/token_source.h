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

// One interpreter's token source: the value of the token returned last, the
// text the string source reads, and the identifier buffers. A text that fits
// STRING_BUFFER_SIZE with its newline and NUL is copied into short_text;
// longer ones (only interpreters of a host's own get them) into long_text,
// which grows as needed and is kept for the next text.
struct TokenSource {
  SemanticValue token_value;
  const char* text;        // short_text or long_text
  std::size_t text_size;   // bytes readable at text: the text, its newline and its NUL
  std::size_t pos;          // the string source's scan position in text
  std::size_t token_begin;  // where the token it returned last begins, blanks skipped
  char* long_text;
  std::size_t long_capacity;
  char short_text[STRING_BUFFER_SIZE];
  char console_identifier[IDENTIFIER_LIMIT + 1];
  char string_identifier[IDENTIFIER_LIMIT + 1];
};

struct InterpreterState;

// Whether the `length` bytes at `name` are one identifier as the token source
// reads it: a letter, then letters or digits, IDENTIFIER_LIMIT at most.
bool is_identifier(const char* name, std::size_t length);

// Gives the string source the `length` bytes of `text` and a newline after
// them, to read from the start; the newline lets a final expression without
// its own terminator form a line. Its scan position returns to the start
// whenever it reports end of input. False when a long text finds no memory.
bool string_source_load_line(InterpreterState& in, const char* text, std::size_t length);

// Where in the loaded text the token the string source returned last begins,
// blanks skipped: the place an embedding caller is told an error was found at.
std::size_t string_source_token_start(const InterpreterState& in);

// Gives back the memory of long texts.
void release_token_source(InterpreterState& in);

// The next token from the console (console mode) or the string buffer (quiet
// mode); sets the token source's token_value. New identifiers are created as
// variables at once.
int next_token(InterpreterState& in);

}  // namespace ziffralon
