// The parse loop, shared by every use of the parser: an LALR(1) automaton
// whose reductions hand their right-hand sides to an Actions record, which
// computes values at once (evaluation) or emits instructions (compiling). The
// actions are a template parameter, so each use gets a loop of its own with
// its actions inlined and pays for no other.
//
// Actions provides: a Value type for the stack (a token's value is turned
// into one by shifted(terminal, token_value)); help() and listing() for the
// '?' and '#' lines; line(value) for an expression line; variable(token),
// assign(variable_token, value), call(function_token, value), and
// binary<Operator>(a, b) and unary<Operator>(a) for the operators.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "arithmetic.h"
#include "interpreter.h"
#include "lalr_construction.h"
#include "memory.h"
#include "session.h"

namespace ziffralon {

namespace parse_loop {

constexpr int NO_LOOKAHEAD = -1;
// Error recovery: after the error token, this many tokens must be shifted
// before the next syntax error is reported again.
constexpr int RECOVERY_SHIFTS = 3;
constexpr int PARSE_GOES_ON = -1;  // recover's answer when the parse continues

// A line's value is reported, and '?' and '#' act, before the next byte is
// asked for, because every state entered by shifting '\n' or ';' reduces
// without reading a lookahead (see parse_step below). The tables are derived
// from the grammar; this keeps the derivation honest.
constexpr bool line_ends_reduce_without_reading(const ParseTables& t) {
  for (int s = 0; s < t.state_count; ++s) {
    for (int terminal : {T_NEWLINE, T_SEMICOLON}) {
      int action = t.action[s][terminal];
      if (action > 0 && action != ACTION_ACCEPT && !t.reduces_without_lookahead[action - 1]) return false;
    }
  }
  return true;
}
static_assert(line_ends_reduce_without_reading(PARSE_TABLES), "a line's end would wait for the next line");

// Everything the loop keeps between steps; the steps below are inlined into
// the loop. The state at the top is top->state. The lookahead's value stays in
// token_value until it is shifted: no step in between reads a token.
template <class Actions>
struct Parser {
  using Entry = StackEntryOf<typename Actions::Value>;
  InterpreterState& in;
  Actions& actions;
  Entry* top;     // the topmost entry
  Entry* bottom;  // the first entry
  Entry* last;    // the last entry there is room for
  bool on_heap;
  int lookahead;  // a terminal, or NO_LOOKAHEAD
  int countdown;  // error recovery: shifts left before errors are reported again
};

// The stack is full: it doubles, up to PARSER_MAX_DEPTH. When it is at its
// limit or memory runs out, reports so and returns false, the stack as it was.
template <class Actions>
[[gnu::noinline, gnu::cold]] bool grow_stack(Parser<Actions>& p) {
  using Entry = typename Parser<Actions>::Entry;
  int capacity = static_cast<int>(p.last - p.bottom) + 1;
  if (capacity >= PARSER_MAX_DEPTH) {
    report_error(p.in, "parser stack overflow");
    return false;
  }
  int grown = capacity * 2 > PARSER_MAX_DEPTH ? PARSER_MAX_DEPTH : capacity * 2;
  auto* entries = static_cast<Entry*>(allocate_bytes(sizeof(Entry) * grown));
  if (!entries) {
    report_error(p.in, "out of memory: the parser stack cannot grow");
    return false;
  }
  std::memcpy(static_cast<void*>(entries), p.bottom, sizeof(Entry) * capacity);
  if (p.on_heap) release_bytes(p.bottom);
  p.top = entries + (p.top - p.bottom);
  p.bottom = entries;
  p.last = entries + grown - 1;
  p.on_heap = true;
  return true;
}

// Pushes a state and its value; false when the stack cannot take more.
template <class Actions>
[[gnu::always_inline]] inline bool push(Parser<Actions>& p, int state, const typename Actions::Value& value) {
  ++p.top;
  p.top->value = value;
  p.top->state = static_cast<std::uint16_t>(state);
  return p.top != p.last || grow_stack(p);
}

// The parse loop's view of the tables, in one block. A state's empty action
// entries hold its default reduction, so that one look-up decides what a
// token does; a state whose only action is that reduction names it here, and
// takes it without reading a token. Rows are a power of two wide.
constexpr int ACTION_ROW = 32;
static_assert(TERMINAL_COUNT <= ACTION_ROW);

struct LoopTables {
  std::int16_t action[MAX_PARSE_STATES][ACTION_ROW];
  std::uint8_t go_to[MAX_PARSE_STATES][NONTERMINAL_COUNT];
  std::int8_t rule_without_lookahead[MAX_PARSE_STATES];  // 0: the state reads a token first
};

constexpr LoopTables LOOP_TABLES = [] {
  const ParseTables& t = PARSE_TABLES;
  LoopTables loop{};
  for (int s = 0; s < t.state_count; ++s) {
    for (int terminal = 0; terminal < TERMINAL_COUNT; ++terminal) {
      std::int16_t action = t.action[s][terminal];
      loop.action[s][terminal] = action != 0 ? action : static_cast<std::int16_t>(-t.default_rule[s]);
    }
    for (int n = 0; n < NONTERMINAL_COUNT; ++n) loop.go_to[s][n] = t.go_to[s][n];
    loop.rule_without_lookahead[s] = t.reduces_without_lookahead[s] ? t.default_rule[s] : std::int8_t{0};
  }
  return loop;
}();

// Every reduction the loop can meet is one of reduce's cases below.
constexpr bool reductions_are_known_rules(const LoopTables& loop) {
  for (int s = 0; s < MAX_PARSE_STATES; ++s) {
    if (loop.rule_without_lookahead[s] < 0 || loop.rule_without_lookahead[s] >= RULE_COUNT) return false;
    for (int terminal = 0; terminal < ACTION_ROW; ++terminal)
      if (-loop.action[s][terminal] >= RULE_COUNT) return false;
  }
  return true;
}
static_assert(reductions_are_known_rules(LOOP_TABLES), "a reduction by a rule the parse loop does not know");

// A number, once shifted, is always reduced at once (expr: TOK_NUMBER), so the
// loop does both in one step.
constexpr int NUMBER_RULE = 9;  // expr: TOK_NUMBER
static_assert(GRAMMAR_RULES[NUMBER_RULE].length == 1 && GRAMMAR_RULES[NUMBER_RULE].rhs[0] == T_NUMBER);

constexpr bool numbers_reduce_at_once(const LoopTables& loop) {
  for (int s = 0; s < MAX_PARSE_STATES; ++s) {
    int action = loop.action[s][T_NUMBER];
    if (action > 0 && loop.rule_without_lookahead[action - 1] != NUMBER_RULE) return false;
  }
  return true;
}
static_assert(numbers_reduce_at_once(LOOP_TABLES), "a shifted number waits for a token");

// RULE's right-hand side on the stack: rhs[0] is $1.
template <class Actions>
struct RightSide {
  typename Parser<Actions>::Entry* first;
  typename Actions::Value& operator[](int i) const { return first[i].value; }
};

template <int RULE, class Actions>
[[gnu::always_inline]] inline RightSide<Actions> right_side(const Parser<Actions>& p) {
  return RightSide<Actions>{p.top - (GRAMMAR_RULES[RULE].length - 1)};
}

// Pops RULE's right-hand side and enters the state its left side leads to,
// with `value` for the left side. The rule's length and left side are
// constants here, so a reduction costs no look-up besides the goto.
template <int RULE, class Actions>
[[gnu::always_inline]] inline void reduce_to(Parser<Actions>& p, const typename Actions::Value& value) {
  constexpr int LENGTH = GRAMMAR_RULES[RULE].length;
  constexpr int LEFT_SIDE = GRAMMAR_RULES[RULE].lhs - TERMINAL_COUNT;
  static_assert(LENGTH > 0, "the empty rule pushes");
  auto* base = p.top - (LENGTH - 1);
  base->state = LOOP_TABLES.go_to[base[-1].state][LEFT_SIDE];
  base->value = value;
  p.top = base;
}

// Runs the action of `rule` and reduces by it. No value of a line or of the
// input is ever read, so those keep $1. Only the empty rule makes the stack
// deeper; false when it cannot grow.
template <class Actions>
[[gnu::always_inline]] inline bool reduce(Parser<Actions>& p, int rule) {
  using Value = typename Actions::Value;
  Actions& a = p.actions;
  RightSide<Actions> rhs;
  switch (rule) {
    case 1:  // input: (empty)
      return push(p, LOOP_TABLES.go_to[p.top->state][N_INPUT - TERMINAL_COUNT], Value{});
    case 2:  // input: input line
      reduce_to<2>(p, right_side<2>(p)[0]);
      break;
    case 3:  // line: '\n'
      reduce_to<3>(p, right_side<3>(p)[0]);
      break;
    case 4:  // line: '?' '\n'
      a.help();
      reduce_to<4>(p, right_side<4>(p)[0]);
      break;
    case 5:  // line: '#' '\n'
      a.listing();
      reduce_to<5>(p, right_side<5>(p)[0]);
      break;
    case 6:  // line: expr '\n'
      rhs = right_side<6>(p);
      a.line(rhs[0]);
      reduce_to<6>(p, rhs[0]);
      break;
    case 7:  // line: expr ';'
      rhs = right_side<7>(p);
      a.line(rhs[0]);
      reduce_to<7>(p, rhs[0]);
      break;
    case 8:  // line: error '\n'
      p.countdown = 0;
      reduce_to<8>(p, right_side<8>(p)[0]);
      break;
    case 9:  // expr: TOK_NUMBER
      reduce_to<9>(p, right_side<9>(p)[0]);
      break;
    case 10:  // expr: TOK_VARIABLE
      reduce_to<10>(p, a.variable(right_side<10>(p)[0]));
      break;
    case 11:  // expr: TOK_VARIABLE '=' expr
      rhs = right_side<11>(p);
      reduce_to<11>(p, a.assign(rhs[0], rhs[2]));
      break;
    case 12:  // expr: TOK_FUNCTION '(' expr ')'
      rhs = right_side<12>(p);
      reduce_to<12>(p, a.call(rhs[0], rhs[2]));
      break;
    case 13:  // expr: expr '+' expr
      rhs = right_side<13>(p);
      reduce_to<13>(p, a.template binary<Operator::ADD>(rhs[0], rhs[2]));
      break;
    case 14:  // expr: expr '-' expr
      rhs = right_side<14>(p);
      reduce_to<14>(p, a.template binary<Operator::SUBTRACT>(rhs[0], rhs[2]));
      break;
    case 15:  // expr: expr '*' expr
      rhs = right_side<15>(p);
      reduce_to<15>(p, a.template binary<Operator::MULTIPLY>(rhs[0], rhs[2]));
      break;
    case 16:  // expr: expr '/' expr
      rhs = right_side<16>(p);
      reduce_to<16>(p, a.template binary<Operator::DIVIDE>(rhs[0], rhs[2]));
      break;
    case 17:  // expr: '-' expr
      reduce_to<17>(p, a.template unary<Operator::NEGATE>(right_side<17>(p)[1]));
      break;
    case 18:  // expr: expr '%'
      reduce_to<18>(p, a.template unary<Operator::PERCENT>(right_side<18>(p)[0]));
      break;
    case 19:  // expr: expr '^' expr
      rhs = right_side<19>(p);
      reduce_to<19>(p, a.template binary<Operator::POWER>(rhs[0], rhs[2]));
      break;
    case 20:  // expr: expr '~' expr
      rhs = right_side<20>(p);
      reduce_to<20>(p, a.template binary<Operator::BINOMIAL>(rhs[0], rhs[2]));
      break;
    case 21:  // expr: expr '!'
      reduce_to<21>(p, a.template unary<Operator::FACTORIAL>(right_side<21>(p)[0]));
      break;
    case 22:  // expr: '(' expr ')'
      reduce_to<22>(p, right_side<22>(p)[1]);
      break;
    default:
      __builtin_unreachable();  // the tables reduce by no other rule
  }
  return true;
}

// The classic error-token recovery. Returns a parse result when the parse
// must end, or PARSE_GOES_ON.
template <class Actions>
[[gnu::always_inline]] inline int recover(Parser<Actions>& p) {
  if (p.countdown == 0) report_error(p.in, "parse error");
  if (p.countdown == RECOVERY_SHIFTS) {
    if (p.lookahead == T_END) return PARSE_ABANDONED;
    p.lookahead = NO_LOOKAHEAD;
  }
  p.countdown = RECOVERY_SHIFTS;
  std::int16_t action;
  while ((action = PARSE_TABLES.action[p.top->state][T_ERROR]) <= 0) {
    if (p.top == p.bottom) return PARSE_ABANDONED;
    --p.top;
  }
  return push(p, action - 1, typename Actions::Value{}) ? PARSE_GOES_ON : PARSE_EXHAUSTED;
}

// One step of the automaton: a shift, a reduction or a recovery. Returns a
// parse result when the parse ends, or PARSE_GOES_ON.
template <class Actions>
[[gnu::always_inline]] inline int parse_step(Parser<Actions>& p) {
  int state = p.top->state;
  int rule = LOOP_TABLES.rule_without_lookahead[state];
  if (rule == 0) {
    if (p.lookahead == NO_LOOKAHEAD) {
      int token = next_token(p.in);
      if (token == TOK_OUT_OF_MEMORY) return PARSE_EXHAUSTED;
      p.lookahead = terminal_of(PARSE_TABLES, token);
    }
    int action = LOOP_TABLES.action[state][p.lookahead];
    if (action > 0) {
      if (action == ACTION_ACCEPT) return PARSE_ACCEPTED;
      if (p.countdown > 0) --p.countdown;
      int terminal = p.lookahead;
      if (terminal == T_NUMBER) state = LOOP_TABLES.go_to[state][N_EXPR - TERMINAL_COUNT];  // expr: TOK_NUMBER
      else state = action - 1;
      p.lookahead = NO_LOOKAHEAD;
      return push(p, state, p.actions.shifted(terminal, p.in.tokens.token_value)) ? PARSE_GOES_ON : PARSE_EXHAUSTED;
    }
    if (action == 0) return recover(p);
    rule = -action;
  }
  return reduce(p, rule) ? PARSE_GOES_ON : PARSE_EXHAUSTED;
}

}  // namespace parse_loop

// Parses one whole input of `in` (the console or the string source, as its
// mode says) with `actions`; the stack's first `first_capacity` entries are
// at `first_entries`.
template <class Actions>
int parse_with(InterpreterState& in, Actions& actions, StackEntryOf<typename Actions::Value>* first_entries,
               int first_capacity) {
  using namespace parse_loop;
  first_entries[0] = StackEntryOf<typename Actions::Value>{typename Actions::Value{}, 0};
  Parser<Actions> p{in, actions, first_entries, first_entries, first_entries + first_capacity - 1, false,
                    NO_LOOKAHEAD, 0};
  int result;
  while ((result = parse_step(p)) == PARSE_GOES_ON) {
  }
  if (p.on_heap) release_bytes(p.bottom);
  return result;
}

}  // namespace ziffralon
