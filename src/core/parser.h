// The expression parser: an LALR(1) automaton whose reductions compute values
// at once (there is no syntax tree). Values and errors leave only through
// report_value and report_error; '?' and '#' lines show help and variables.
#pragma once

#include <cstdint>

#include "token_source.h"

namespace ziffralon {

constexpr int PARSE_ACCEPTED = 0;   // end of input at the start of a line
constexpr int PARSE_ABANDONED = 1;  // end of input while recovering from an error
constexpr int PARSE_EXHAUSTED = 2;  // parser stack overflow, or out of memory

constexpr int PARSER_INITIAL_DEPTH = 200;
constexpr int PARSER_MAX_DEPTH = 10000;

// One entry of the parse stack: a state and the value of the symbol that led
// to it.
template <class Value>
struct StackEntryOf {
  Value value;
  std::uint16_t state;
};
using StackEntry = StackEntryOf<SemanticValue>;

// The first block of the parse stack belongs to the interpreter; a parse that
// needs more takes larger blocks from the heap and gives them back when it
// returns.
struct ParserStack {
  StackEntry first_entries[PARSER_INITIAL_DEPTH];
};

struct InterpreterState;

// Parses one whole input: the console to its end in console mode, the string
// buffer in quiet mode.
int parse_input(InterpreterState& in);

}  // namespace ziffralon
