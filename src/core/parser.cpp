#include "parser.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "arithmetic.h"
#include "memory.h"
#include "parse_tables.h"
#include "session.h"

namespace ziffralon {

namespace {

constexpr int NO_LOOKAHEAD = -1;
constexpr int ACTION_NO_MEMORY = INT16_MIN - 1;  // beyond every table entry
constexpr int RECOVERY_SHIFTS = 3;
constexpr int PARSE_GOES_ON = -1;  // tokens to shift before errors are reported again

// The state and value stacks, parallel. The first blocks live in parse_input's
// frame; larger ones come from the heap.
struct ParseStack {
  std::uint16_t* states;
  SemanticValue* values;
  int capacity;
  int top;  // index of the topmost entry
  bool on_heap;
};

struct Parser {
  const ParseTables& tables;
  ParseStack stack;
  int state;
  int lookahead;  // a terminal, or NO_LOOKAHEAD
  SemanticValue lookahead_value;
  int countdown;  // error recovery: shifts left before errors are reported again
};

void release_stack(ParseStack& stack) {
  if (!stack.on_heap) return;
  release_bytes(stack.states);
  release_bytes(stack.values);
}

// Doubles both stacks, up to PARSER_MAX_DEPTH; reports and returns false when
// the stack is at its limit or memory runs out.
[[gnu::noinline, gnu::cold]] bool grow_stack(ParseStack& stack) {
  if (stack.capacity >= PARSER_MAX_DEPTH) {
    report_error("parser stack overflow");
    return false;
  }
  int capacity = stack.capacity * 2 > PARSER_MAX_DEPTH ? PARSER_MAX_DEPTH : stack.capacity * 2;
  auto* states = static_cast<std::uint16_t*>(allocate_bytes(sizeof(std::uint16_t) * capacity));
  auto* values = static_cast<SemanticValue*>(allocate_bytes(sizeof(SemanticValue) * capacity));
  if (!states || !values) {
    release_bytes(states);
    release_bytes(values);
    report_error("out of memory: the parser stack cannot grow");
    return false;
  }
  std::memcpy(states, stack.states, sizeof(std::uint16_t) * (stack.top + 1));
  std::memcpy(values, stack.values, sizeof(SemanticValue) * (stack.top + 1));
  release_stack(stack);
  stack = ParseStack{states, values, capacity, stack.top, true};
  return true;
}

inline bool push(Parser& p, int state, SemanticValue value) {
  ParseStack& stack = p.stack;
  ++stack.top;
  stack.states[stack.top] = static_cast<std::uint16_t>(state);
  stack.values[stack.top] = value;
  p.state = state;
  return stack.top + 1 < stack.capacity || grow_stack(stack);
}

// When both operands are NaNs, the first one's NaN is the result.
double first_nan_or(double a, double result) { return std::isnan(a) ? a : result; }

// Runs the action of `rule` over its right-hand side ($1 is rhs[0]) into `result`.
void run_action(Parser& p, int rule, const SemanticValue* rhs, SemanticValue& result) {
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

bool reduce(Parser& p, int rule) {
  int length = GRAMMAR_RULES[rule].length;
  ParseStack& stack = p.stack;
  const SemanticValue* rhs = &stack.values[stack.top - length + 1];
  SemanticValue result = length ? rhs[0] : SemanticValue{};
  run_action(p, rule, rhs, result);
  stack.top -= length;
  int lhs = GRAMMAR_RULES[rule].lhs - TERMINAL_COUNT;
  return push(p, p.tables.go_to[stack.states[stack.top]][lhs], result);
}

// Returns false when the token source ran out of memory.
bool read_lookahead(Parser& p) {
  int token = next_token();
  if (token == TOK_OUT_OF_MEMORY) return false;
  p.lookahead = terminal_of(p.tables, token);
  p.lookahead_value = token_value;
  return true;
}

// The classic error-token recovery. Returns a parse result when the parse
// must end, or PARSE_GOES_ON.
int recover(Parser& p) {
  if (p.countdown == 0) report_error("parse error");
  if (p.countdown == RECOVERY_SHIFTS) {
    if (p.lookahead == T_END) return PARSE_ABANDONED;
    p.lookahead = NO_LOOKAHEAD;
  }
  p.countdown = RECOVERY_SHIFTS;
  ParseStack& stack = p.stack;
  std::int16_t action;
  while ((action = p.tables.action[stack.states[stack.top]][T_ERROR]) <= 0) {
    if (stack.top == 0) return PARSE_ABANDONED;
    --stack.top;
  }
  return push(p, action - 1, SemanticValue{}) ? PARSE_GOES_ON : PARSE_EXHAUSTED;
}

// The action for the current state, reading a lookahead only when it matters.
int next_action(Parser& p) {
  const ParseTables& t = p.tables;
  if (t.reduces_without_lookahead[p.state]) return -t.default_rule[p.state];
  if (p.lookahead == NO_LOOKAHEAD && !read_lookahead(p)) return ACTION_NO_MEMORY;
  int action = t.action[p.state][p.lookahead];
  return action == 0 ? -t.default_rule[p.state] : action;
}

int run_parser(Parser& p) {
  p.stack.states[0] = 0;
  p.stack.values[0] = SemanticValue{};
  for (;;) {
    int action = next_action(p);
    if (action == ACTION_ACCEPT) return PARSE_ACCEPTED;
    if (action == ACTION_NO_MEMORY) return PARSE_EXHAUSTED;
    if (action > 0) {
      if (p.countdown > 0) --p.countdown;
      p.lookahead = NO_LOOKAHEAD;
      if (!push(p, action - 1, p.lookahead_value)) return PARSE_EXHAUSTED;
    } else if (action < 0 && action != ACTION_ERROR) {
      if (!reduce(p, -action)) return PARSE_EXHAUSTED;
    } else {
      int result = recover(p);
      if (result != PARSE_GOES_ON) return result;
    }
  }
}

}  // namespace

int parse_input() {
  std::uint16_t first_states[PARSER_INITIAL_DEPTH];
  SemanticValue first_values[PARSER_INITIAL_DEPTH];
  Parser p{PARSE_TABLES, ParseStack{first_states, first_values, PARSER_INITIAL_DEPTH, 0, false}, 0, NO_LOOKAHEAD,
           SemanticValue{}, 0};
  int result = run_parser(p);
  release_stack(p.stack);
  return result;
}

}  // namespace ziffralon
