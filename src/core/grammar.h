// The calculator's grammar and operator precedence, as data.
//
// The parse tables are derived from these two tables by the compiler; nothing else
// in the program knows the shape of the grammar. The rule numbers are the ones
// the parse loop's reductions are labelled with.
#pragma once

#include <cstdint>

#include "symbols.h"
#include "token_source.h"

namespace ziffralon {

// Terminals first, then nonterminals.
enum GrammarSymbol : std::uint8_t {
  T_END,
  T_ERROR,
  T_UNDEFINED,  // any token no rule accepts
  T_NEWLINE,
  T_SEMICOLON,
  T_QUESTION,
  T_HASH,
  T_EQUALS,
  T_PLUS,
  T_MINUS,
  T_TIMES,
  T_DIVIDE,
  T_PERCENT,
  T_POWER,
  T_TILDE,
  T_BANG,
  T_LPAREN,
  T_RPAREN,
  T_NUMBER,
  T_VARIABLE,
  T_FUNCTION,
  T_UMINUS,
  TERMINAL_COUNT,
  N_ACCEPT = TERMINAL_COUNT,
  N_INPUT,
  N_LINE,
  N_EXPR,
  SYMBOL_COUNT,
  NO_SYMBOL = SYMBOL_COUNT,
};

constexpr int NONTERMINAL_COUNT = SYMBOL_COUNT - TERMINAL_COUNT;
constexpr int NO_TOKEN_CODE = -1;

// The token code next_token returns for each terminal.
constexpr int TERMINAL_TOKEN_CODES[TERMINAL_COUNT] = {
    TOK_END, NO_TOKEN_CODE, NO_TOKEN_CODE, '\n', ';', '?', '#', '=', '+', '-', '*',
    '/', '%', '^', '~', '!', '(', ')', TOK_NUMBER, TOK_VARIABLE, TOK_FUNCTION, TOK_UMINUS,
};

constexpr const char* SYMBOL_NAMES[SYMBOL_COUNT] = {
    "$end", "error", "$undefined", "'\\n'", "';'", "'?'", "'#'", "'='", "'+'",
    "'-'", "'*'", "'/'", "'%'", "'^'", "'~'", "'!'", "'('", "')'",
    "TOK_NUMBER", "TOK_VARIABLE", "TOK_FUNCTION", "TOK_UMINUS", "$accept", "input", "line", "expr",
};

constexpr int MAX_RULE_LENGTH = 4;

struct GrammarRule {
  GrammarSymbol lhs;
  int length;
  GrammarSymbol rhs[MAX_RULE_LENGTH];
  // The terminal whose precedence the rule takes; NO_SYMBOL: its last terminal that has one.
  GrammarSymbol precedence = NO_SYMBOL;
};

constexpr GrammarRule GRAMMAR_RULES[] = {
    {N_ACCEPT, 2, {N_INPUT, T_END}},                               // 0  $accept: input $end
    {N_INPUT, 0, {}},                                              // 1  input: (empty)
    {N_INPUT, 2, {N_INPUT, N_LINE}},                               // 2  input: input line
    {N_LINE, 1, {T_NEWLINE}},                                      // 3  line: '\n'
    {N_LINE, 2, {T_QUESTION, T_NEWLINE}},                          // 4  line: '?' '\n'
    {N_LINE, 2, {T_HASH, T_NEWLINE}},                              // 5  line: '#' '\n'
    {N_LINE, 2, {N_EXPR, T_NEWLINE}},                              // 6  line: expr '\n'
    {N_LINE, 2, {N_EXPR, T_SEMICOLON}},                            // 7  line: expr ';'
    {N_LINE, 2, {T_ERROR, T_NEWLINE}},                             // 8  line: error '\n'
    {N_EXPR, 1, {T_NUMBER}},                                       // 9  expr: TOK_NUMBER
    {N_EXPR, 1, {T_VARIABLE}},                                     // 10 expr: TOK_VARIABLE
    {N_EXPR, 3, {T_VARIABLE, T_EQUALS, N_EXPR}},                   // 11 expr: TOK_VARIABLE '=' expr
    {N_EXPR, 4, {T_FUNCTION, T_LPAREN, N_EXPR, T_RPAREN}},         // 12 expr: TOK_FUNCTION '(' expr ')'
    {N_EXPR, 3, {N_EXPR, T_PLUS, N_EXPR}},                         // 13 expr: expr '+' expr
    {N_EXPR, 3, {N_EXPR, T_MINUS, N_EXPR}},                        // 14 expr: expr '-' expr
    {N_EXPR, 3, {N_EXPR, T_TIMES, N_EXPR}},                        // 15 expr: expr '*' expr
    {N_EXPR, 3, {N_EXPR, T_DIVIDE, N_EXPR}},                       // 16 expr: expr '/' expr
    {N_EXPR, 2, {T_MINUS, N_EXPR}, T_UMINUS},                      // 17 expr: '-' expr
    {N_EXPR, 2, {N_EXPR, T_PERCENT}},                              // 18 expr: expr '%'
    {N_EXPR, 3, {N_EXPR, T_POWER, N_EXPR}},                        // 19 expr: expr '^' expr
    {N_EXPR, 3, {N_EXPR, T_TILDE, N_EXPR}},                        // 20 expr: expr '~' expr
    {N_EXPR, 2, {N_EXPR, T_BANG}},                                 // 21 expr: expr '!'
    {N_EXPR, 3, {T_LPAREN, N_EXPR, T_RPAREN}},                     // 22 expr: '(' expr ')'
};

constexpr int RULE_COUNT = sizeof GRAMMAR_RULES / sizeof GRAMMAR_RULES[0];

// Prefix and postfix levels never meet an equal level in a conflict; if they
// did, the conflict would count as unsettled and the build would stop.
enum class Grouping { LEFT, RIGHT, PREFIX, POSTFIX };

struct PrecedenceLevel {
  Grouping grouping;
  GrammarSymbol operators[2];
};

// Lowest first.
constexpr PrecedenceLevel PRECEDENCE_LEVELS[] = {
    {Grouping::RIGHT, {T_EQUALS, NO_SYMBOL}},
    {Grouping::LEFT, {T_MINUS, T_PLUS}},
    {Grouping::LEFT, {T_TIMES, T_DIVIDE}},
    {Grouping::PREFIX, {T_UMINUS, NO_SYMBOL}},
    {Grouping::RIGHT, {T_POWER, NO_SYMBOL}},
    {Grouping::POSTFIX, {T_PERCENT, NO_SYMBOL}},
    {Grouping::RIGHT, {T_TILDE, NO_SYMBOL}},
    {Grouping::POSTFIX, {T_BANG, NO_SYMBOL}},
};

}  // namespace ziffralon
