// The machine that runs compiled programs, and the C call that starts it. One
// function dispatches every instruction through a table of labels: each
// instruction jumps straight to the next one's code.
#include "../core/arithmetic.h"
#include "program.h"

namespace ziffralon {

namespace {

double run_code(const Instruction* ip, double* stack) {
#define ZIFFRALON_FORM_LABELS(NAME, OPERATOR) &&NAME##_S, &&NAME##_C, &&NAME##_V, &&NAME##_CL, &&NAME##_VL,
  static const void* const LABELS[OPCODE_COUNT] = {
      &&LOAD_C, &&LOAD_V, &&PUSH_C, &&PUSH_V, &&NEGATE, &&PERCENT, &&FACTORIAL, &&CALL, &&STORE, &&END,
      ZIFFRALON_BINARY_OPERATORS(ZIFFRALON_FORM_LABELS)};
#undef ZIFFRALON_FORM_LABELS
  double acc = 0.0;
  double* sp = stack;  // the next free place
#define NEXT goto* LABELS[(++ip)->opcode]
  goto* LABELS[ip->opcode];
LOAD_C:
  acc = ip->constant;
  NEXT;
LOAD_V:
  acc = *ip->cell;
  NEXT;
PUSH_C:
  *sp++ = acc;
  acc = ip->constant;
  NEXT;
PUSH_V:
  *sp++ = acc;
  acc = *ip->cell;
  NEXT;
NEGATE:
  acc = negate_value(acc);
  NEXT;
PERCENT:
  acc = percent_value(acc);
  NEXT;
FACTORIAL:
  acc = factorial_value(acc);
  NEXT;
CALL:
  acc = ip->function(acc);
  NEXT;
STORE:
  *ip->cell = acc;
  NEXT;
#define ZIFFRALON_FORM_CASES(NAME, OPERATOR)                          \
  NAME##_S : --sp;                                                    \
  acc = apply_binary<Operator::OPERATOR>(*sp, acc);                   \
  NEXT;                                                               \
  NAME##_C : acc = apply_binary<Operator::OPERATOR>(acc, ip->constant); \
  NEXT;                                                               \
  NAME##_V : acc = apply_binary<Operator::OPERATOR>(acc, *ip->cell);    \
  NEXT;                                                               \
  NAME##_CL : acc = apply_binary<Operator::OPERATOR>(ip->constant, acc); \
  NEXT;                                                               \
  NAME##_VL : acc = apply_binary<Operator::OPERATOR>(*ip->cell, acc);   \
  NEXT;
  ZIFFRALON_BINARY_OPERATORS(ZIFFRALON_FORM_CASES)
#undef ZIFFRALON_FORM_CASES
#undef NEXT
END:
  return acc;
}

}  // namespace

double run_program(const CompiledProgram& program) {
  double stack[RUN_STACK_SIZE];
  double value = run_code(program.code, program.own_stack ? program.own_stack : stack);
  if (!program.has_result) return program.in->session.last_result;
  program.in->session.last_result = value;
  return value;
}

}  // namespace ziffralon

int ziffralon_run(ziffralon_program* program, double* result) {
  if (!program) return 0;
  double value = ziffralon::run_program(*reinterpret_cast<ziffralon::CompiledProgram*>(program));
  if (result) *result = value;
  return 1;
}
