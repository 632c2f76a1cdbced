// A compiled program's instructions (program.h) read as a few plain steps:
// the form a machine-code back-end translates. The bytecode machine runs the
// instructions themselves; a back-end for another processor reads the same
// steps, so that it needs only its own file.
//
// Every step leaves its value in the accumulator. A BINARY step's operands
// come from the accumulator, the top of the waiting values (which it pops),
// a constant or a variable's place; its first operand's NaN wins when both
// are NaNs (arithmetic.h).
#pragma once

#include "../core/arithmetic.h"
#include "program.h"

namespace ziffralon {

enum class StepKind : std::uint8_t {
  PUSH,       // the accumulator joins the waiting values
  LOAD,       // acc = first
  CALL,       // acc = function(first), first the accumulator or a variable
  CALL_DATA,  // acc = a.host->function(acc, a.host->data), both read at the call
  BINARY,     // acc = first OP second
  STEP_PAIR,  // acc = acc OP (first PAIR second), first and second constants or variables
  STEP_CALL,  // acc = acc OP function(first), first a variable
  UNARY,      // acc = OP acc (NEGATE, PERCENT, FACTORIAL)
  STORE,      // *cell = acc
  END,
};

enum class Source : std::uint8_t { ACCUMULATOR, POPPED, CONSTANT, VARIABLE };

struct Step {
  StepKind kind;
  Operator op;    // BINARY, STEP_PAIR and STEP_CALL: the operator with the accumulator; UNARY
  Operator pair;  // STEP_PAIR
  Source first, second;
  Operand a, b;  // first's and second's value (a constant or a place), or a: the function, b: its variable
};

// At most this many steps per instruction.
constexpr int MOST_STEPS = 2;

inline Operator binary_operator(std::uint32_t index) { return static_cast<Operator>(index); }  // ADD to BINOMIAL

inline Source kind_source(bool variable) { return variable ? Source::VARIABLE : Source::CONSTANT; }

// The steps of `instruction` into `steps`; returns how many.
inline int instruction_steps(const Instruction& instruction, Step* steps) {
  Opcode op = instruction.opcode;
  const Operand& a = instruction.a;
  const Operand& b = instruction.b;
  int count = 0;
  auto add = [&](StepKind kind, Operator o, Source first, Source second, Operand x, Operand y,
                 Operator pair = Operator::ADD) { steps[count++] = Step{kind, o, pair, first, second, x, y}; };
  if (op < OP_LOADING_END) {
    if (op % 2 == 1) add(StepKind::PUSH, Operator::ADD, Source::ACCUMULATOR, Source::ACCUMULATOR, {}, {});
    Opcode load = static_cast<Opcode>(op - op % 2);
    if (load == OP_LOAD_C || load == OP_LOAD_V)
      add(StepKind::LOAD, Operator::ADD, kind_source(load == OP_LOAD_V), Source::ACCUMULATOR, a, {});
    else if (load == OP_LOAD_CALL_V)
      add(StepKind::CALL, Operator::ADD, Source::VARIABLE, Source::ACCUMULATOR, b, {}), steps[count - 1].b = a;
    else {
      std::uint32_t index = (op - OP_LOAD_ADD_CV) / 2;
      auto kinds = static_cast<OperandKinds>(index % KINDS_COUNT);
      add(StepKind::BINARY, binary_operator(index / KINDS_COUNT), kind_source(kinds != KINDS_CV),
          kind_source(kinds != KINDS_VC), a, b);
    }
    return count;
  }
  switch (op) {
    case OP_NEGATE: add(StepKind::UNARY, Operator::NEGATE, Source::ACCUMULATOR, Source::ACCUMULATOR, {}, {}); return count;
    case OP_PERCENT: add(StepKind::UNARY, Operator::PERCENT, Source::ACCUMULATOR, Source::ACCUMULATOR, {}, {}); return count;
    case OP_FACTORIAL:
      add(StepKind::UNARY, Operator::FACTORIAL, Source::ACCUMULATOR, Source::ACCUMULATOR, {}, {});
      return count;
    case OP_CALL: add(StepKind::CALL, Operator::ADD, Source::ACCUMULATOR, Source::ACCUMULATOR, {}, a); return count;
    case OP_CALL_DATA:
      add(StepKind::CALL_DATA, Operator::ADD, Source::ACCUMULATOR, Source::ACCUMULATOR, a, {});
      return count;
    case OP_STORE: add(StepKind::STORE, Operator::ADD, Source::VARIABLE, Source::ACCUMULATOR, a, {}); return count;
    case OP_END: add(StepKind::END, Operator::ADD, Source::ACCUMULATOR, Source::ACCUMULATOR, {}, {}); return count;
    default: break;
  }
  if (op < OP_ADD_CALL_V) {
    std::uint32_t index = op - OP_ADD_S;
    Operator o = binary_operator(index / FORM_COUNT);
    switch (static_cast<OperandForm>(index % FORM_COUNT)) {
      case FORM_S: add(StepKind::BINARY, o, Source::POPPED, Source::ACCUMULATOR, {}, {}); break;
      case FORM_C: add(StepKind::BINARY, o, Source::ACCUMULATOR, Source::CONSTANT, {}, a); break;
      case FORM_V: add(StepKind::BINARY, o, Source::ACCUMULATOR, Source::VARIABLE, {}, a); break;
      case FORM_CL: add(StepKind::BINARY, o, Source::CONSTANT, Source::ACCUMULATOR, a, {}); break;
      default: add(StepKind::BINARY, o, Source::VARIABLE, Source::ACCUMULATOR, a, {}); break;
    }
    return count;
  }
  if (op < OP_ADD_ADD_CV) {
    add(StepKind::STEP_CALL, binary_operator(op - OP_ADD_CALL_V), Source::VARIABLE, Source::ACCUMULATOR, b, {});
    steps[count - 1].b = a;
    return count;
  }
  if (op < OP_ADD_C_ADD_C) {
    std::uint32_t index = op - OP_ADD_ADD_CV;
    auto kinds = static_cast<OperandKinds>(index % KINDS_COUNT);
    add(StepKind::STEP_PAIR, binary_operator(index / KINDS_COUNT / PAIR_OPERATOR_COUNT),
        kind_source(kinds != KINDS_CV), kind_source(kinds != KINDS_VC), a, b,
        binary_operator(index / KINDS_COUNT % PAIR_OPERATOR_COUNT));
    return count;
  }
  std::uint32_t index = op - OP_ADD_C_ADD_C;
  add(StepKind::BINARY, binary_operator(index / 16), Source::ACCUMULATOR, kind_source(index / 8 % 2 == 1), {}, a);
  add(StepKind::BINARY, binary_operator(index / 2 % 4), Source::ACCUMULATOR, kind_source(index % 2 == 1), {}, b);
  return count;
}

}  // namespace ziffralon
