// A small LALR(1) construction: the LR(0) automaton, then lookaheads spread
// through it to a fixed point (the merged-LR(1) lookaheads, which are the
// LALR(1) ones), then actions with shift-reduce conflicts settled by the
// precedence table and the most frequent reduction of each state made its
// default. The grammar is tiny, so plain fixed-size arrays do.
//
// Everything here is constexpr: the compiler runs the construction, so the
// program starts with finished tables, and tests can run it again.
#pragma once

#include "parse_tables.h"

namespace ziffralon {

namespace lalr {

using TerminalSet = std::uint32_t;
static_assert(TERMINAL_COUNT <= 32, "terminal sets are 32-bit masks");

constexpr int item_count() {
  int count = 0;
  for (const GrammarRule& rule : GRAMMAR_RULES) count += rule.length + 1;
  return count;
}

constexpr int ITEM_COUNT = item_count();

// An LR(0) item: a rule and the position of the dot in it.
struct Item {
  int rule;
  int dot;
};

struct Construction {
  int first_item_of_rule[RULE_COUNT];
  Item items[ITEM_COUNT];
  TerminalSet first[SYMBOL_COUNT];
  bool nullable[SYMBOL_COUNT];
  // Each state as the set of items in its closure; kernels decide identity.
  bool kernel[MAX_PARSE_STATES][ITEM_COUNT];
  bool closure[MAX_PARSE_STATES][ITEM_COUNT];
  int transition[MAX_PARSE_STATES][SYMBOL_COUNT];  // -1: none
  TerminalSet lookahead[MAX_PARSE_STATES][ITEM_COUNT];
  int state_count;
};

constexpr bool is_terminal(int symbol) { return symbol < TERMINAL_COUNT; }

constexpr int item_id(const Construction& c, int rule, int dot) { return c.first_item_of_rule[rule] + dot; }

// The symbol after the dot, or NO_SYMBOL at the end of the rule.
constexpr int next_symbol(const Item& item) {
  const GrammarRule& rule = GRAMMAR_RULES[item.rule];
  return item.dot < rule.length ? rule.rhs[item.dot] : NO_SYMBOL;
}

constexpr void number_items(Construction& c) {
  int id = 0;
  for (int rule = 0; rule < RULE_COUNT; ++rule) {
    c.first_item_of_rule[rule] = id;
    for (int dot = 0; dot <= GRAMMAR_RULES[rule].length; ++dot) c.items[id++] = Item{rule, dot};
  }
}

constexpr void compute_first_sets(Construction& c) {
  for (int t = 0; t < TERMINAL_COUNT; ++t) c.first[t] = TerminalSet{1} << t;
  for (bool changed = true; changed;) {
    changed = false;
    for (const GrammarRule& rule : GRAMMAR_RULES) {
      TerminalSet first = c.first[rule.lhs];
      bool nullable = true;
      for (int i = 0; i < rule.length && nullable; ++i) {
        first |= c.first[rule.rhs[i]];
        nullable = c.nullable[rule.rhs[i]];
      }
      if (first != c.first[rule.lhs] || (nullable && !c.nullable[rule.lhs])) changed = true;
      c.first[rule.lhs] = first;
      c.nullable[rule.lhs] = c.nullable[rule.lhs] || nullable;
    }
  }
}

constexpr void close_state(Construction& c, int state) {
  for (int id = 0; id < ITEM_COUNT; ++id) c.closure[state][id] = c.kernel[state][id];
  for (bool changed = true; changed;) {
    changed = false;
    for (int id = 0; id < ITEM_COUNT; ++id) {
      int symbol = next_symbol(c.items[id]);
      if (!c.closure[state][id] || symbol == NO_SYMBOL || is_terminal(symbol)) continue;
      for (int rule = 0; rule < RULE_COUNT; ++rule) {
        int start = item_id(c, rule, 0);
        if (GRAMMAR_RULES[rule].lhs != symbol || c.closure[state][start]) continue;
        c.closure[state][start] = changed = true;
      }
    }
  }
}

constexpr bool same_items(const bool a[ITEM_COUNT], const bool b[ITEM_COUNT]) {
  for (int id = 0; id < ITEM_COUNT; ++id)
    if (a[id] != b[id]) return false;
  return true;
}

// The state with this kernel, created if new; -1 when there is no room.
constexpr int find_or_add_state(Construction& c, const bool kernel[ITEM_COUNT]) {
  for (int state = 0; state < c.state_count; ++state)
    if (same_items(c.kernel[state], kernel)) return state;
  if (c.state_count == MAX_PARSE_STATES) return -1;
  int state = c.state_count++;
  for (int id = 0; id < ITEM_COUNT; ++id) c.kernel[state][id] = kernel[id];
  close_state(c, state);
  return state;
}

// The LR(0) automaton. Shifting $end accepts, so it leads to no state.
constexpr bool build_lr0_automaton(Construction& c) {
  bool start[ITEM_COUNT] = {};
  start[item_id(c, 0, 0)] = true;
  find_or_add_state(c, start);
  for (int state = 0; state < c.state_count; ++state) {
    for (int symbol = 0; symbol < SYMBOL_COUNT; ++symbol) {
      c.transition[state][symbol] = -1;
      if (symbol == T_END) continue;
      bool kernel[ITEM_COUNT] = {};
      bool any = false;
      for (int id = 0; id < ITEM_COUNT; ++id) {
        if (!c.closure[state][id] || next_symbol(c.items[id]) != symbol) continue;
        kernel[id + 1] = any = true;
      }
      if (!any) continue;
      int target = find_or_add_state(c, kernel);
      if (target < 0) return false;
      c.transition[state][symbol] = target;
    }
  }
  return true;
}

// Spreads lookaheads within each state's closure and along its transitions
// until nothing changes.
constexpr void compute_lookaheads(Construction& c) {
  for (bool changed = true; changed;) {
    changed = false;
    auto add = [&changed](TerminalSet& into, TerminalSet more) {
      if ((into | more) != into) changed = true;
      into |= more;
    };
    for (int state = 0; state < c.state_count; ++state) {
      for (int id = 0; id < ITEM_COUNT; ++id) {
        if (!c.closure[state][id]) continue;
        const Item& item = c.items[id];
        int symbol = next_symbol(item);
        if (symbol == NO_SYMBOL) continue;
        TerminalSet here = c.lookahead[state][id];
        if (symbol != T_END) add(c.lookahead[c.transition[state][symbol]][id + 1], here);
        if (is_terminal(symbol)) continue;
        const GrammarRule& rule = GRAMMAR_RULES[item.rule];
        TerminalSet follow = 0;
        bool rest_nullable = true;
        for (int i = item.dot + 1; i < rule.length && rest_nullable; ++i) {
          follow |= c.first[rule.rhs[i]];
          rest_nullable = c.nullable[rule.rhs[i]];
        }
        if (rest_nullable) follow |= here;
        for (int r = 0; r < RULE_COUNT; ++r)
          if (GRAMMAR_RULES[r].lhs == symbol) add(c.lookahead[state][item_id(c, r, 0)], follow);
      }
    }
  }
}

struct PrecedenceOf {
  int level;  // 0: none
  Grouping grouping;
};

constexpr PrecedenceOf terminal_precedence(int terminal) {
  int level = 0;
  for (const PrecedenceLevel& entry : PRECEDENCE_LEVELS) {
    ++level;
    for (GrammarSymbol op : entry.operators)
      if (op == terminal) return PrecedenceOf{level, entry.grouping};
  }
  return PrecedenceOf{0, Grouping::LEFT};
}

constexpr PrecedenceOf rule_precedence(int rule_number) {
  const GrammarRule& rule = GRAMMAR_RULES[rule_number];
  if (rule.precedence != NO_SYMBOL) return terminal_precedence(rule.precedence);
  PrecedenceOf result{0, Grouping::LEFT};
  for (int i = 0; i < rule.length; ++i) {
    PrecedenceOf p = terminal_precedence(rule.rhs[i]);
    if (is_terminal(rule.rhs[i]) && p.level) result = p;
  }
  return result;
}

// A reduction proposed where a shift already stands.
constexpr std::int16_t settle_shift_reduce(ParseTables& tables, std::int16_t shift, int rule, int terminal) {
  PrecedenceOf reduce_side = rule_precedence(rule);
  PrecedenceOf shift_side = terminal_precedence(terminal);
  bool tie = reduce_side.level == shift_side.level;
  bool grouped = shift_side.grouping == Grouping::LEFT || shift_side.grouping == Grouping::RIGHT;
  if (!reduce_side.level || !shift_side.level || (tie && !grouped)) {
    ++tables.unresolved_conflicts;
    return shift;
  }
  ++tables.resolved_conflicts;
  auto reduce = static_cast<std::int16_t>(-rule);
  if (!tie) return reduce_side.level > shift_side.level ? reduce : shift;
  return shift_side.grouping == Grouping::LEFT ? reduce : shift;
}

constexpr void propose_reduction(ParseTables& tables, int state, int terminal, int rule) {
  std::int16_t& entry = tables.action[state][terminal];
  if (entry == 0) {
    entry = static_cast<std::int16_t>(-rule);
  } else if (entry > 0) {
    entry = settle_shift_reduce(tables, entry, rule, terminal);
  } else {
    ++tables.unresolved_conflicts;  // reduce-reduce: the grammar has none, and the build stops at one
  }
}

constexpr void fill_actions(const Construction& c, ParseTables& tables) {
  for (int state = 0; state < c.state_count; ++state) {
    for (int id = 0; id < ITEM_COUNT; ++id) {
      int symbol = next_symbol(c.items[id]);
      if (!c.closure[state][id] || symbol == NO_SYMBOL || !is_terminal(symbol)) continue;
      tables.action[state][symbol] =
          symbol == T_END ? ACTION_ACCEPT : static_cast<std::int16_t>(c.transition[state][symbol] + 1);
    }
    for (int id = 0; id < ITEM_COUNT; ++id) {
      if (!c.closure[state][id] || next_symbol(c.items[id]) != NO_SYMBOL) continue;
      for (int terminal = 0; terminal < TERMINAL_COUNT; ++terminal)
        if (c.lookahead[state][id] >> terminal & 1) propose_reduction(tables, state, terminal, c.items[id].rule);
    }
    for (int n = 0; n < NONTERMINAL_COUNT; ++n) {
      int target = c.transition[state][TERMINAL_COUNT + n];
      tables.go_to[state][n] = static_cast<std::uint8_t>(target < 0 ? 0 : target);
    }
  }
}

// The most frequent reduction of a state becomes its default and leaves the
// row. A state that can shift the error token keeps its row whole, so that
// recovery is not preempted by a reduction.
constexpr void choose_default_reductions(ParseTables& tables) {
  for (int state = 0; state < tables.state_count; ++state) {
    std::int16_t* row = tables.action[state];
    int count[RULE_COUNT] = {};
    for (int t = 0; t < TERMINAL_COUNT; ++t)
      if (row[t] < 0) ++count[-row[t]];
    int best = 0;
    for (int rule = 1; rule < RULE_COUNT; ++rule)
      if (count[rule] > count[best]) best = rule;
    bool shifts_error = row[T_ERROR] > 0;
    if (best == 0 || shifts_error) continue;
    tables.default_rule[state] = static_cast<std::int8_t>(best);
    bool only_default = true;
    for (int t = 0; t < TERMINAL_COUNT; ++t) {
      if (row[t] == -best) row[t] = 0;
      if (row[t] != 0) only_default = false;
    }
    tables.reduces_without_lookahead[state] = only_default;
  }
}

constexpr void fill_token_translation(ParseTables& tables) {
  for (std::uint8_t& terminal : tables.terminal_of_token) terminal = T_UNDEFINED;
  for (int t = 0; t < TERMINAL_COUNT; ++t)
    if (TERMINAL_TOKEN_CODES[t] != NO_TOKEN_CODE) tables.terminal_of_token[TERMINAL_TOKEN_CODES[t]] = static_cast<std::uint8_t>(t);
}

}  // namespace lalr

constexpr bool build_parse_tables(ParseTables& tables) {
  using namespace lalr;
  Construction c{};
  number_items(c);
  compute_first_sets(c);
  if (!build_lr0_automaton(c)) return false;
  compute_lookaheads(c);
  tables = ParseTables{};
  tables.state_count = c.state_count;
  fill_actions(c, tables);
  choose_default_reductions(tables);
  fill_token_translation(tables);
  return true;
}

constexpr ParseTables make_parse_tables() {
  ParseTables tables{};
  if (!build_parse_tables(tables)) tables.state_count = 0;
  return tables;
}

// The tables of the running program, built by the compiler from the grammar
// data; a constant, so that the parse loop's static checks can read them.
inline constexpr ParseTables PARSE_TABLES = make_parse_tables();

}  // namespace ziffralon
