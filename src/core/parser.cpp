#include "parser.h"

#include <array>
#include <cmath>
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

// Runs the action of `rule` over its right-hand side ($1 is rhs[0]) into
// `result`, which holds $1 on entry.
[[gnu::always_inline]] inline void run_action(Parser& p, int rule, const SemanticValue* rhs, SemanticValue& result) {
  switch (rule) {
    case 4:  // line: '?' '\n'
      show_help();
      break;
    case 5:  // line: '#' '\n'
      list_variables();
      break;
    case 6:  // line: expr '\n'
    case 7:  // line: expr ';'
      report_value(rhs[0].number);
      break;
    case 8:  // line: error '\n'
      p.countdown = 0;
      break;
    case 10:  // expr: TOK_VARIABLE
      result.number = rhs[0].symbol->value.number;
      break;
    case 11:  // expr: TOK_VARIABLE '=' expr
      rhs[0].symbol->value.number = rhs[2].number;
      result.number = rhs[2].number;
      break;
    case 12:  // expr: TOK_FUNCTION '(' expr ')'
      result.number = rhs[0].symbol->value.function(rhs[2].number);
      break;
    case 13:  // expr: expr '+' expr
      result.number = first_nan_or(rhs[0].number, rhs[0].number + rhs[2].number);
      break;
    case 14:  // expr: expr '-' expr
      result.number = first_nan_or(rhs[0].number, rhs[0].number - rhs[2].number);
      break;
    case 15:  // expr: expr '*' expr
      result.number = first_nan_or(rhs[0].number, rhs[0].number * rhs[2].number);
      break;
    case 16:  // expr: expr '/' expr
      result.number = first_nan_or(rhs[0].number, rhs[0].number / rhs[2].number);
      break;
    case 17:  // expr: '-' expr
      result.number = -rhs[1].number;
      break;
    case 18:  // expr: expr '%'
      result.number = rhs[0].number / 100;
      break;
    case 19:  // expr: expr '^' expr
      result.number = std::pow(rhs[0].number, rhs[2].number);
      break;
    case 20:  // expr: expr '~' expr
      result.number = binomial(to_int32(rhs[0].number), to_int32(rhs[2].number));
      break;
    case 21:  // expr: expr '!'
      result.number = factorial(to_int32(rhs[0].number));
      break;
    case 22:  // expr: '(' expr ')'
      result.number = rhs[1].number;
      break;
    default:  // 9, expr: TOK_NUMBER, keeps $1; the other rules have no action
      break;
  }
}

// The length and left side of each rule, packed for the reduction step.
struct Reduction {
  std::uint8_t length;
  std::uint8_t lhs;  // column in go_to
};

constexpr auto REDUCTIONS = [] {
  std::array<Reduction, RULE_COUNT> reductions{};
  for (int rule = 0; rule < RULE_COUNT; ++rule)
    reductions[rule] = Reduction{static_cast<std::uint8_t>(GRAMMAR_RULES[rule].length),
                                 static_cast<std::uint8_t>(GRAMMAR_RULES[rule].lhs - TERMINAL_COUNT)};
  return reductions;
}();

// Only the empty rule makes the stack deeper than it was.
[[gnu::always_inline]] inline bool reduce(Parser& p, int rule) {
  Reduction r = REDUCTIONS[rule];
  int base = p.top - r.length + 1;
  const SemanticValue* rhs = &p.stack.values[base];
  SemanticValue result = r.length ? rhs[0] : SemanticValue{};
  run_action(p, rule, rhs, result);
  int state = PARSE_TABLES.go_to[p.stack.states[base - 1]][r.lhs];
  if (r.length == 0) return push(p, state, result);
  p.top = base;
  p.stack.states[base] = static_cast<std::uint16_t>(state);
  p.stack.values[base] = result;
  p.state = state;
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
// parse result when the parse ends, or PARSE_GOES_ON. A state whose only
// action is a reduction takes it without reading a token.
[[gnu::always_inline]] inline int parse_step(Parser& p) {
  const ParseTables& t = PARSE_TABLES;
  if (t.reduces_without_lookahead[p.state]) return reduce(p, t.default_rule[p.state]) ? PARSE_GOES_ON : PARSE_EXHAUSTED;
  if (p.lookahead == NO_LOOKAHEAD) {
    int token = next_token();
    if (token == TOK_OUT_OF_MEMORY) return PARSE_EXHAUSTED;
    p.lookahead = terminal_of(t, token);
    p.lookahead_value = token_value;
  }
  int action = t.action[p.state][p.lookahead];
  if (action == 0) action = -t.default_rule[p.state];
  if (action == ACTION_ACCEPT) return PARSE_ACCEPTED;
  if (action > 0) {
    if (p.countdown > 0) --p.countdown;
    p.lookahead = NO_LOOKAHEAD;
    return push(p, action - 1, p.lookahead_value) ? PARSE_GOES_ON : PARSE_EXHAUSTED;
  }
  if (action < 0) return reduce(p, -action) ? PARSE_GOES_ON : PARSE_EXHAUSTED;
  return recover(p);
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
