// LALR(1) parse tables, derived from the grammar and precedence data.
#pragma once

#include <cstdint>

#include "grammar.h"

namespace ziffralon {

constexpr int MAX_PARSE_STATES = 64;
constexpr int TOKEN_CODE_COUNT = 261;  // every code next_token can return, 0 to 260

// Action entries: 0 means "no entry" (take the state's default reduction, or
// report a syntax error); a positive value s shifts and goes to state s - 1; a
// negative value -r reduces rule r.
constexpr std::int16_t ACTION_ACCEPT = INT16_MAX;

struct ParseTables {
  int state_count;
  std::int16_t action[MAX_PARSE_STATES][TERMINAL_COUNT];
  std::uint8_t go_to[MAX_PARSE_STATES][NONTERMINAL_COUNT];
  std::int8_t default_rule[MAX_PARSE_STATES];  // 0: none
  // The state's only action is its default reduction: it reduces without reading.
  bool reduces_without_lookahead[MAX_PARSE_STATES];
  std::uint8_t terminal_of_token[TOKEN_CODE_COUNT];
  int resolved_conflicts;    // shift-reduce conflicts settled by precedence
  int unresolved_conflicts;  // anything the precedence table does not settle
};

// The terminal a token code stands for; unknown codes are T_UNDEFINED and any
// code of 0 or less is T_END (code 0 is in the table as T_END).
inline GrammarSymbol terminal_of(const ParseTables& tables, int token) {
  if (static_cast<unsigned>(token) < TOKEN_CODE_COUNT) return static_cast<GrammarSymbol>(tables.terminal_of_token[token]);
  return token <= 0 ? T_END : T_UNDEFINED;
}

}  // namespace ziffralon
