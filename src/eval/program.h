// Compiled programs: a text parsed once into a flat array of small
// instructions, run as often as the host likes with the interpreter's current
// variables.
//
// The machine keeps the value being computed in one register (the
// accumulator) and the values waiting for it on a stack whose size compiling
// worked out. An instruction is an operation and one operand: a constant, the
// place of a variable, or a function. Operations on a constant or a variable
// take it straight from the instruction, so that `x * 3 + 1` is three
// instructions: load x, multiply by 3, add 1.
#pragma once

#include <cstddef>
#include <cstdint>

#include <ziffralon/ziffralon.h>

#include "../core/interpreter.h"

namespace ziffralon {

// The binary operators, each in five operand forms:
//   _S  acc = pop() OP acc     (both operands computed)
//   _C  acc = acc OP constant
//   _V  acc = acc OP *cell
//   _CL acc = constant OP acc  (the constant is the left operand)
//   _VL acc = *cell OP acc
#define ZIFFRALON_BINARY_OPERATORS(X) \
  X(ADD, ADD)                         \
  X(SUBTRACT, SUBTRACT)               \
  X(MULTIPLY, MULTIPLY)               \
  X(DIVIDE, DIVIDE)                   \
  X(POWER, POWER)                     \
  X(BINOMIAL, BINOMIAL)

enum Opcode : std::uint32_t {
  OP_LOAD_C,  // acc = constant (no value is waiting)
  OP_LOAD_V,  // acc = *cell
  OP_PUSH_C,  // push(acc); acc = constant
  OP_PUSH_V,  // push(acc); acc = *cell
  OP_NEGATE,
  OP_PERCENT,
  OP_FACTORIAL,
  OP_CALL,   // acc = function(acc)
  OP_STORE,  // *cell = acc
  OP_END,    // the program's value is acc
#define ZIFFRALON_OPCODE_FORMS(NAME, OPERATOR) OP_##NAME##_S, OP_##NAME##_C, OP_##NAME##_V, OP_##NAME##_CL, OP_##NAME##_VL,
  ZIFFRALON_BINARY_OPERATORS(ZIFFRALON_OPCODE_FORMS)
#undef ZIFFRALON_OPCODE_FORMS
  OPCODE_COUNT
};

// The five forms of a binary operator follow each other from its _S form.
enum OperandForm : std::uint32_t { FORM_S, FORM_C, FORM_V, FORM_CL, FORM_VL };

struct Instruction {
  Opcode opcode;
  union {
    double constant;
    double* cell;
    MathFunction function;
  };
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
};

// Compiles the `length` bytes at `text` in `in`. On a syntax error (or when
// memory runs out) returns nullptr, sets `error_offset` as evaluation would,
// and leaves `in` as it was; else sets it to -1. Variables the text mentions
// come into being (with value 0) when it compiles.
CompiledProgram* compile_program(InterpreterState& in, const char* text, std::size_t length, long& error_offset);

// Runs `program`: the value of the text's last expression line, assignments
// made; without an expression line, the interpreter's last result. The
// interpreter's last result is then that value, as after evaluating the text.
double run_program(const CompiledProgram& program);

void program_free(CompiledProgram* program);

}  // namespace ziffralon
