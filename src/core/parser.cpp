#include "parser.h"

#include "arithmetic.h"
#include "parse_loop.h"

namespace ziffralon {

namespace {

// Each reduction computes its value at once.
struct EvaluateActions {
  using Value = SemanticValue;
  InterpreterState& in;

  static Value number(double n) {
    Value v;
    v.number = n;
    return v;
  }
  static Value shifted(int, SemanticValue token) { return token; }
  void help() { show_help(in); }
  void listing() { list_variables(in); }
  void line(Value v) { report_value(in, v.number); }
  static Value variable(Value token) { return number(*token.symbol->cell); }
  static Value assign(Value target, Value v) {
    *target.symbol->cell = v.number;
    return v;
  }
  static Value call(Value function, Value argument) { return number(call_function(function.symbol, argument.number)); }
  template <Operator OP>
  static Value binary(Value a, Value b) {
    return number(apply_binary<OP>(a.number, b.number));
  }
  template <Operator OP>
  static Value unary(Value a) {
    return number(apply_unary<OP>(a.number));
  }
};

}  // namespace

int parse_input(InterpreterState& in) {
  EvaluateActions actions{in};
  return parse_with(in, actions, in.parser.first_entries, PARSER_INITIAL_DEPTH);
}

}  // namespace ziffralon
