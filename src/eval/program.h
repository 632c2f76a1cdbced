// Compiled programs: a text parsed once into a flat array of small
// instructions, run as often as the host likes with the interpreter's current
// variables.
//
// The machine keeps the value being computed in one register (the
// accumulator) and the values waiting for it on a stack whose size compiling
// worked out. An instruction is an operation and up to two operands, each a
// constant or the place of a variable (or a function to call). Operations
// take constants and variables straight from the instruction, and the usual
// small pieces of a formula are one instruction each: `x*y` is one load,
// `acc + x*y` one step, so `x*y + z*w` is two instructions.
#pragma once

#include <ziffralon/ziffralon.h>

#include <cstddef>
#include <cstdint>

#include "../core/interpreter.h"
#include "evaluate.h"

namespace ziffralon {

// Operators that pair two operands taken from the instruction; BINOMIAL is
// only ever applied to the accumulator.
#define ZIFFRALON_PAIR_OPERATORS(X, ...) \
  X(ADD, __VA_ARGS__)                    \
  X(SUBTRACT, __VA_ARGS__)               \
  X(MULTIPLY, __VA_ARGS__)               \
  X(DIVIDE, __VA_ARGS__)                 \
  X(POWER, __VA_ARGS__)
#define ZIFFRALON_BINARY_OPERATORS(X) ZIFFRALON_PAIR_OPERATORS(X, ) X(BINOMIAL, )
// Operators that combine the accumulator with a pair in one step.
#define ZIFFRALON_STEP_OPERATORS(X, ...) \
  X(ADD, __VA_ARGS__)                    \
  X(SUBTRACT, __VA_ARGS__)               \
  X(MULTIPLY, __VA_ARGS__)               \
  X(DIVIDE, __VA_ARGS__)
// The same list again, for the second step of a double step (a macro cannot
// expand inside its own expansion).
#define ZIFFRALON_SECOND_STEP_OPERATORS(X, ...) \
  X(ADD, __VA_ARGS__)                           \
  X(SUBTRACT, __VA_ARGS__)                      \
  X(MULTIPLY, __VA_ARGS__)                      \
  X(DIVIDE, __VA_ARGS__)
// The kind of one step's operand, twice.
#define ZIFFRALON_STEP_KINDS(X, ...) X(C, __VA_ARGS__) X(V, __VA_ARGS__)
#define ZIFFRALON_SECOND_STEP_KINDS(X, ...) X(C, __VA_ARGS__) X(V, __VA_ARGS__)
// The kinds of a pair's two operands (C constant, V variable); two constants
// are folded when compiling.
#define ZIFFRALON_OPERAND_KINDS(X, ...) \
  X(C, V, __VA_ARGS__)                  \
  X(V, C, __VA_ARGS__)                  \
  X(V, V, __VA_ARGS__)

enum Opcode : std::uint32_t {
  // Loading: acc = a. The PUSH twin of each LOAD first pushes acc.
  OP_LOAD_C,
  OP_PUSH_C,
  OP_LOAD_V,
  OP_PUSH_V,
  OP_LOAD_CALL_V,  // acc = function(*b)
  OP_PUSH_CALL_V,
#define ZIFFRALON_PAIR_KIND_OPCODES(A, B, OPERATOR) OP_LOAD_##OPERATOR##_##A##B, OP_PUSH_##OPERATOR##_##A##B,
#define ZIFFRALON_PAIR_OPCODES(OPERATOR, ...) ZIFFRALON_OPERAND_KINDS(ZIFFRALON_PAIR_KIND_OPCODES, OPERATOR)
  ZIFFRALON_PAIR_OPERATORS(ZIFFRALON_PAIR_OPCODES, )  // acc = a OPERATOR b
#undef ZIFFRALON_PAIR_OPCODES
#undef ZIFFRALON_PAIR_KIND_OPCODES
  OP_LOADING_END,
  // On the accumulator.
  OP_NEGATE = OP_LOADING_END,
  OP_PERCENT,
  OP_FACTORIAL,
  OP_CALL,   // acc = function(acc)
  OP_CALL_DATA,  // acc = host->function(acc, host->data)
  OP_STORE,  // *a = acc
  OP_END,    // the program's value is acc
  // Each binary operator in five forms:
  //   _S  acc = pop() OP acc    _C  acc = acc OP a    _V  acc = acc OP *a
  //   _CL acc = a OP acc        _VL acc = *a OP acc
#define ZIFFRALON_FORM_OPCODES(OPERATOR, ...) \
  OP_##OPERATOR##_S, OP_##OPERATOR##_C, OP_##OPERATOR##_V, OP_##OPERATOR##_CL, OP_##OPERATOR##_VL,
  ZIFFRALON_BINARY_OPERATORS(ZIFFRALON_FORM_OPCODES)
#undef ZIFFRALON_FORM_OPCODES
  // One step with a built-in function of a variable: acc = acc STEP a(*b).
#define ZIFFRALON_STEP_CALL_OPCODES(STEP, ...) OP_##STEP##_CALL_V,
  ZIFFRALON_STEP_OPERATORS(ZIFFRALON_STEP_CALL_OPCODES, )
#undef ZIFFRALON_STEP_CALL_OPCODES
  // One step with a pair: acc = acc STEP (a PAIR b).
#define ZIFFRALON_STEP_KIND_OPCODES(A, B, STEP, PAIR) OP_##STEP##_##PAIR##_##A##B,
#define ZIFFRALON_STEP_PAIR_OPCODES(PAIR, STEP) ZIFFRALON_OPERAND_KINDS(ZIFFRALON_STEP_KIND_OPCODES, STEP, PAIR)
#define ZIFFRALON_STEP_OPCODES(STEP, ...) ZIFFRALON_PAIR_OPERATORS(ZIFFRALON_STEP_PAIR_OPCODES, STEP)
  ZIFFRALON_STEP_OPERATORS(ZIFFRALON_STEP_OPCODES, )
#undef ZIFFRALON_STEP_OPCODES
#undef ZIFFRALON_STEP_PAIR_OPCODES
#undef ZIFFRALON_STEP_KIND_OPCODES
  // Two steps in one: acc = (acc FIRST a) SECOND b, each operand a constant or a variable.
#define ZIFFRALON_DOUBLE_KIND_OPCODES(K2, SECOND, FIRST, K1) OP_##FIRST##_##K1##_##SECOND##_##K2,
#define ZIFFRALON_DOUBLE_SECOND_OPCODES(SECOND, FIRST, K1) \
  ZIFFRALON_SECOND_STEP_KINDS(ZIFFRALON_DOUBLE_KIND_OPCODES, SECOND, FIRST, K1)
#define ZIFFRALON_DOUBLE_FIRST_KIND_OPCODES(K1, FIRST) \
  ZIFFRALON_SECOND_STEP_OPERATORS(ZIFFRALON_DOUBLE_SECOND_OPCODES, FIRST, K1)
#define ZIFFRALON_DOUBLE_OPCODES(FIRST, ...) ZIFFRALON_STEP_KINDS(ZIFFRALON_DOUBLE_FIRST_KIND_OPCODES, FIRST)
  ZIFFRALON_STEP_OPERATORS(ZIFFRALON_DOUBLE_OPCODES, )
#undef ZIFFRALON_DOUBLE_OPCODES
#undef ZIFFRALON_DOUBLE_FIRST_KIND_OPCODES
#undef ZIFFRALON_DOUBLE_SECOND_OPCODES
#undef ZIFFRALON_DOUBLE_KIND_OPCODES
  OPCODE_COUNT
};

enum OperandForm : std::uint32_t { FORM_S, FORM_C, FORM_V, FORM_CL, FORM_VL, FORM_COUNT };
enum OperandKinds : std::uint32_t { KINDS_CV, KINDS_VC, KINDS_VV, KINDS_COUNT };
constexpr std::uint32_t PAIR_OPERATOR_COUNT = 5;  // ADD to POWER
constexpr std::uint32_t STEP_OPERATOR_COUNT = 4;  // ADD to DIVIDE

// The layout the compiler computes opcodes from.
constexpr Opcode pair_opcode(std::uint32_t pair, OperandKinds kinds, bool push) {
  return static_cast<Opcode>(OP_LOAD_ADD_CV + (pair * KINDS_COUNT + kinds) * 2 + push);
}
constexpr Opcode form_opcode(std::uint32_t binary, OperandForm form) {
  return static_cast<Opcode>(OP_ADD_S + binary * FORM_COUNT + form);
}
constexpr Opcode step_call_opcode(std::uint32_t step) { return static_cast<Opcode>(OP_ADD_CALL_V + step); }
constexpr Opcode step_opcode(std::uint32_t step, std::uint32_t pair, OperandKinds kinds) {
  return static_cast<Opcode>(OP_ADD_ADD_CV + (step * PAIR_OPERATOR_COUNT + pair) * KINDS_COUNT + kinds);
}
// `first` and `second` index the step operators; a kind is 0 for a constant, 1 for a variable.
constexpr Opcode double_opcode(std::uint32_t first, std::uint32_t first_kind, std::uint32_t second,
                               std::uint32_t second_kind) {
  return static_cast<Opcode>(OP_ADD_C_ADD_C + ((first * 2 + first_kind) * STEP_OPERATOR_COUNT + second) * 2 + second_kind);
}
static_assert(pair_opcode(4, KINDS_VV, true) == OP_PUSH_POWER_VV);
static_assert(double_opcode(2, 1, 3, 0) == OP_MULTIPLY_V_DIVIDE_C);
static_assert(double_opcode(3, 1, 3, 1) + 1 == OPCODE_COUNT);
static_assert(form_opcode(5, FORM_VL) + 1 == OP_ADD_CALL_V);
static_assert(step_call_opcode(3) + 1 == OP_ADD_ADD_CV);
static_assert(step_opcode(1, 2, KINDS_VC) == OP_SUBTRACT_MULTIPLY_VC);
static_assert(step_opcode(3, 4, KINDS_VV) + 1 == OP_ADD_C_ADD_C);

union Operand {
  double constant;
  double* cell;
  MathFunction function;
  const HostFunction* host;
};

struct Instruction {
  Opcode opcode;
  Operand a;
  Operand b;
};

// Room for this many waiting values is on the C stack of every run; a
// program that needs more brings its own.
constexpr std::size_t RUN_STACK_SIZE = 64;

struct CompiledProgram {
  InterpreterState* in;
  Instruction* code;  // ends with OP_END
  std::size_t size;
  std::size_t stack_size;  // waiting values at most
  double* own_stack;       // when stack_size exceeds RUN_STACK_SIZE
  bool has_result;         // the text has an expression line: the last one's value is the result
  // It calls a host's function, which may call back into the interpreter,
  // run this very program again or free it.
  bool calls_host;
  int runs_under_way;
  bool free_when_idle;  // freed inside its own run: given back when the run ends
};

// Runs `program`'s code once with `stack` for the values that wait (nullptr:
// the machine's own room on the C stack, which needs stack_size within
// RUN_STACK_SIZE), and stores its value in `*result` when not null.
void run_code(const CompiledProgram& program, double* stack, double* result);

// Compiles the `length` bytes at `text` in `in`. On a syntax error (or when
// memory runs out) returns nullptr, sets `error_offset` as evaluation would,
// and leaves `in` as it was; else sets it to -1. Variables the text mentions
// come into being (with value 0) when it compiles.
CompiledProgram* compile_program(InterpreterState& in, const char* text, std::size_t length, TextOffset& error_offset);

// Gives back `program`; inside a run of it (from a host function) the freeing
// waits until that run has ended.
void program_free(CompiledProgram* program);

}  // namespace ziffralon
