#include "parser.h"

#include <cmath>
#include <initializer_list>
#include <cstdint>
#include <cstring>

#include "arithmetic.h"
#include "memory.h"
#include "lalr_construction.h"
#include "session.h"

namespace ziffralon {

namespace {

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

// The state and value stacks, parallel. The first blocks live in parse_input's
// frame; larger ones come from the heap.
struct ParseStack {
  std::uint16_t* states;
  SemanticValue* values;
  int capacity;
  bool on_heap;
};

// Everything the loop keeps between steps. The steps below are inlined into
// the loop and nothing outside it sees this record, so the compiler keeps it
// in registers.
struct Parser {
  ParseStack stack;
  int top;        // index of the topmost entry
  int state;      // the state at the top
  int lookahead;  // a terminal, or NO_LOOKAHEAD
  SemanticValue lookahead_value;
  int countdown;  // error recovery: shifts left before errors are reported again
};

void release_stack(ParseStack stack) {
  if (!stack.on_heap) return;
  release_bytes(stack.states);
  release_bytes(stack.values);
}

// Both stacks doubled, up to PARSER_MAX_DEPTH. When the stack is at its limit
// or memory runs out, reports so and returns the stack unchanged. (Taking and
// giving the stack by value keeps the parse loop's state out of memory.)
[[gnu::noinline, gnu::cold]] ParseStack grow_stack(ParseStack stack, int top) {
  if (stack.capacity >= PARSER_MAX_DEPTH) {
    report_error("parser stack overflow");
    return stack;
  }
  int capacity = stack.capacity * 2 > PARSER_MAX_DEPTH ? PARSER_MAX_DEPTH : stack.capacity * 2;
  auto* states = static_cast<std::uint16_t*>(allocate_bytes(sizeof(std::uint16_t) * capacity));
  auto* values = static_cast<SemanticValue*>(allocate_bytes(sizeof(SemanticValue) * capacity));
  if (!states || !values) {
    release_bytes(states);
    release_bytes(values);
    report_error("out of memory: the parser stack cannot grow");
    return stack;
  }
  std::memcpy(states, stack.states, sizeof(std::uint16_t) * (top + 1));
  std::memcpy(values, stack.values, sizeof(SemanticValue) * (top + 1));
  release_stack(stack);
  return ParseStack{states, values, capacity, true};
}

// Pushes a state and its value; false when the stack cannot take more.
[[gnu::always_inline]] inline bool push(Parser& p, int state, SemanticValue value) {
  ++p.top;
  p.stack.states[p.top] = static_cast<std::uint16_t>(state);
  p.stack.values[p.top] = value;
  p.state = state;
  if (p.top + 1 < p.stack.capacity) return true;
  int capacity = p.stack.capacity;
  p.stack = grow_stack(p.stack, p.top);
  return p.stack.capacity > capacity;
}

// When both operands are NaNs, the first one's NaN is the result.
double first_nan_or(double a, double result) { return std::isnan(a) ? a : result; }

// The parse loop's view of the tables. A state's empty action entries hold
// its default reduction, so that one look-up decides what a token does; a
// state whose only action is that reduction names it here, and takes it
// without reading a token.
struct LoopTables {
  std::int16_t action[MAX_PARSE_STATES][TERMINAL_COUNT];
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
    loop.rule_without_lookahead[s] = t.reduces_without_lookahead[s] ? t.default_rule[s] : std::int8_t{0};
  }
  return loop;
}();

// Every reduction the loop can meet is one of reduce's cases below.
constexpr bool reductions_are_known_rules(const LoopTables& loop) {
  for (int s = 0; s < MAX_PARSE_STATES; ++s) {
    if (loop.rule_without_lookahead[s] < 0 || loop.rule_without_lookahead[s] >= RULE_COUNT) return false;
    for (int terminal = 0; terminal < TERMINAL_COUNT; ++terminal)
      if (-loop.action[s][terminal] >= RULE_COUNT) return false;
  }
  return true;
}
static_assert(reductions_are_known_rules(LOOP_TABLES), "a reduction by a rule the parse loop does not know");

// $1 of RULE's right-hand side on the stack; $2 and on follow it.
template <int RULE>
[[gnu::always_inline]] inline const SemanticValue* right_side(const Parser& p) {
  return &p.stack.values[p.top - GRAMMAR_RULES[RULE].length + 1];
}

// Pops RULE's right-hand side and enters the state its left side leads to,
// with `value` for the left side. The rule's length and left side are
// constants here, so a reduction costs no look-up besides the goto.
template <int RULE>
[[gnu::always_inline]] inline void reduce_to(Parser& p, SemanticValue value) {
  constexpr int LENGTH = GRAMMAR_RULES[RULE].length;
  constexpr int LEFT_SIDE = GRAMMAR_RULES[RULE].lhs - TERMINAL_COUNT;
  static_assert(LENGTH > 0, "the empty rule pushes");
  int base = p.top - LENGTH + 1;
  int state = PARSE_TABLES.go_to[p.stack.states[base - 1]][LEFT_SIDE];
  p.top = base;
  p.stack.states[base] = static_cast<std::uint16_t>(state);
  p.stack.values[base] = value;
  p.state = state;
}

template <int RULE>
[[gnu::always_inline]] inline void reduce_to(Parser& p, double number) {
  SemanticValue value;
  value.number = number;
  reduce_to<RULE>(p, value);
}

// Runs the action of `rule` and reduces by it. No value of a line or of the
// input is ever read, so those keep $1. Only the empty rule makes the stack
// deeper; false when it cannot grow.
[[gnu::always_inline]] inline bool reduce(Parser& p, int rule) {
  const SemanticValue* rhs;
  switch (rule) {
    case 1:  // input: (empty)
      return push(p, PARSE_TABLES.go_to[p.state][N_INPUT - TERMINAL_COUNT], SemanticValue{});
    case 2:  // input: input line
      reduce_to<2>(p, right_side<2>(p)[0]);
      break;
    case 3:  // line: '\n'
      reduce_to<3>(p, right_side<3>(p)[0]);
      break;
    case 4:  // line: '?' '\n'
      show_help();
      reduce_to<4>(p, right_side<4>(p)[0]);
      break;
    case 5:  // line: '#' '\n'
      list_variables();
      reduce_to<5>(p, right_side<5>(p)[0]);
      break;
    case 6:  // line: expr '\n'
      rhs = right_side<6>(p);
      report_value(rhs[0].number);
      reduce_to<6>(p, rhs[0]);
      break;
    case 7:  // line: expr ';'
      rhs = right_side<7>(p);
      report_value(rhs[0].number);
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
      reduce_to<10>(p, right_side<10>(p)[0].symbol->value.number);
      break;
    case 11:  // expr: TOK_VARIABLE '=' expr
      rhs = right_side<11>(p);
      rhs[0].symbol->value.number = rhs[2].number;
      reduce_to<11>(p, rhs[2].number);
      break;
    case 12:  // expr: TOK_FUNCTION '(' expr ')'
      rhs = right_side<12>(p);
      reduce_to<12>(p, rhs[0].symbol->value.function(rhs[2].number));
      break;
    case 13:  // expr: expr '+' expr
      rhs = right_side<13>(p);
      reduce_to<13>(p, first_nan_or(rhs[0].number, rhs[0].number + rhs[2].number));
      break;
    case 14:  // expr: expr '-' expr
      rhs = right_side<14>(p);
      reduce_to<14>(p, first_nan_or(rhs[0].number, rhs[0].number - rhs[2].number));
      break;
    case 15:  // expr: expr '*' expr
      rhs = right_side<15>(p);
      reduce_to<15>(p, first_nan_or(rhs[0].number, rhs[0].number * rhs[2].number));
      break;
    case 16:  // expr: expr '/' expr
      rhs = right_side<16>(p);
      reduce_to<16>(p, first_nan_or(rhs[0].number, rhs[0].number / rhs[2].number));
      break;
    case 17:  // expr: '-' expr
      reduce_to<17>(p, -right_side<17>(p)[1].number);
      break;
    case 18:  // expr: expr '%'
      reduce_to<18>(p, right_side<18>(p)[0].number / 100);
      break;
    case 19:  // expr: expr '^' expr
      rhs = right_side<19>(p);
      reduce_to<19>(p, std::pow(rhs[0].number, rhs[2].number));
      break;
    case 20:  // expr: expr '~' expr
      rhs = right_side<20>(p);
      reduce_to<20>(p, binomial(to_int32(rhs[0].number), to_int32(rhs[2].number)));
      break;
    case 21:  // expr: expr '!'
      reduce_to<21>(p, factorial(to_int32(right_side<21>(p)[0].number)));
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
[[gnu::always_inline]] inline int recover(Parser& p) {
  if (p.countdown == 0) report_error("parse error");
  if (p.countdown == RECOVERY_SHIFTS) {
    if (p.lookahead == T_END) return PARSE_ABANDONED;
    p.lookahead = NO_LOOKAHEAD;
  }
  p.countdown = RECOVERY_SHIFTS;
  std::int16_t action;
  while ((action = PARSE_TABLES.action[p.stack.states[p.top]][T_ERROR]) <= 0) {
    if (p.top == 0) return PARSE_ABANDONED;
    --p.top;
  }
  return push(p, action - 1, SemanticValue{}) ? PARSE_GOES_ON : PARSE_EXHAUSTED;
}

// One step of the automaton: a shift, a reduction or a recovery. Returns a
// parse result when the parse ends, or PARSE_GOES_ON.
[[gnu::always_inline]] inline int parse_step(Parser& p) {
  int rule = LOOP_TABLES.rule_without_lookahead[p.state];
  if (rule == 0) {
    if (p.lookahead == NO_LOOKAHEAD) {
      int token = next_token();
      if (token == TOK_OUT_OF_MEMORY) return PARSE_EXHAUSTED;
      p.lookahead = terminal_of(PARSE_TABLES, token);
      p.lookahead_value = token_value;
    }
    int action = LOOP_TABLES.action[p.state][p.lookahead];
    if (action > 0) {
      if (action == ACTION_ACCEPT) return PARSE_ACCEPTED;
      if (p.countdown > 0) --p.countdown;
      p.lookahead = NO_LOOKAHEAD;
      return push(p, action - 1, p.lookahead_value) ? PARSE_GOES_ON : PARSE_EXHAUSTED;
    }
    if (action == 0) return recover(p);
    rule = -action;
  }
  return reduce(p, rule) ? PARSE_GOES_ON : PARSE_EXHAUSTED;
}

}  // namespace

int parse_input() {
  std::uint16_t first_states[PARSER_INITIAL_DEPTH];
  SemanticValue first_values[PARSER_INITIAL_DEPTH];
  first_states[0] = 0;
  first_values[0] = SemanticValue{};
  Parser p{ParseStack{first_states, first_values, PARSER_INITIAL_DEPTH, false}, 0, 0, NO_LOOKAHEAD, SemanticValue{}, 0};
  int result;
  while ((result = parse_step(p)) == PARSE_GOES_ON) {
  }
  release_stack(p.stack);
  return result;
}

}  // namespace ziffralon
