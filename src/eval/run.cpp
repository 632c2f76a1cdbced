// The machine that runs compiled programs, in the one function a host calls:
// a run costs that call and nothing more. It dispatches every instruction
// through a table of labels, each instruction jumping straight to the next
// one's code. The cases are generated from the operator lists of program.h,
// one short case per opcode.
#include "../core/arithmetic.h"
#include "program.h"

using namespace ziffralon;

#define ZIFFRALON_VALUE_C(slot) ip->slot.constant
#define ZIFFRALON_VALUE_V(slot) (*ip->slot.cell)
// An operator with a constant operand (never a NaN) needs no NaN check.
#define ZIFFRALON_APPLY_C apply_binary_with_constant
#define ZIFFRALON_APPLY_V apply_binary
#define ZIFFRALON_APPLY_CV apply_binary_with_constant
#define ZIFFRALON_APPLY_VC apply_binary_with_constant
#define ZIFFRALON_APPLY_VV apply_binary

void ziffralon::run_code(const CompiledProgram& program, double* own_stack, double* result) {
#define ZIFFRALON_PAIR_KIND_LABELS(A, B, OPERATOR) &&LOAD_##OPERATOR##_##A##B, &&PUSH_##OPERATOR##_##A##B,
#define ZIFFRALON_PAIR_LABELS(OPERATOR, ...) ZIFFRALON_OPERAND_KINDS(ZIFFRALON_PAIR_KIND_LABELS, OPERATOR)
#define ZIFFRALON_FORM_LABELS(OPERATOR, ...) \
  &&OPERATOR##_S, &&OPERATOR##_C, &&OPERATOR##_V, &&OPERATOR##_CL, &&OPERATOR##_VL,
#define ZIFFRALON_STEP_CALL_LABELS(STEP, ...) &&STEP##_CALL_V,
#define ZIFFRALON_STEP_KIND_LABELS(A, B, STEP, PAIR) &&STEP##_##PAIR##_##A##B,
#define ZIFFRALON_STEP_PAIR_LABELS(PAIR, STEP) ZIFFRALON_OPERAND_KINDS(ZIFFRALON_STEP_KIND_LABELS, STEP, PAIR)
#define ZIFFRALON_STEP_LABELS(STEP, ...) ZIFFRALON_PAIR_OPERATORS(ZIFFRALON_STEP_PAIR_LABELS, STEP)
#define ZIFFRALON_DOUBLE_KIND_LABELS(K2, SECOND, FIRST, K1) &&FIRST##_##K1##_##SECOND##_##K2,
#define ZIFFRALON_DOUBLE_SECOND_LABELS(SECOND, FIRST, K1) \
  ZIFFRALON_SECOND_STEP_KINDS(ZIFFRALON_DOUBLE_KIND_LABELS, SECOND, FIRST, K1)
#define ZIFFRALON_DOUBLE_FIRST_KIND_LABELS(K1, FIRST) \
  ZIFFRALON_SECOND_STEP_OPERATORS(ZIFFRALON_DOUBLE_SECOND_LABELS, FIRST, K1)
#define ZIFFRALON_DOUBLE_LABELS(FIRST, ...) ZIFFRALON_STEP_KINDS(ZIFFRALON_DOUBLE_FIRST_KIND_LABELS, FIRST)
  static const void* const LABELS[OPCODE_COUNT] = {
      &&LOAD_C, &&PUSH_C, &&LOAD_V, &&PUSH_V, &&LOAD_CALL_V, &&PUSH_CALL_V,
      ZIFFRALON_PAIR_OPERATORS(ZIFFRALON_PAIR_LABELS, )
      &&NEGATE, &&PERCENT, &&FACTORIAL, &&CALL, &&CALL_DATA, &&STORE, &&END,
      ZIFFRALON_BINARY_OPERATORS(ZIFFRALON_FORM_LABELS)
      ZIFFRALON_STEP_OPERATORS(ZIFFRALON_STEP_CALL_LABELS, )
      ZIFFRALON_STEP_OPERATORS(ZIFFRALON_STEP_LABELS, )
      ZIFFRALON_STEP_OPERATORS(ZIFFRALON_DOUBLE_LABELS, )};
  double stack[RUN_STACK_SIZE];
  const Instruction* ip = program.code;
  double* sp = own_stack ? own_stack : stack;  // the next free place
  double acc = 0.0;
#define NEXT goto* LABELS[(++ip)->opcode]
  goto* LABELS[ip->opcode];
LOAD_C:
  acc = ip->a.constant;
  NEXT;
PUSH_C:
  *sp++ = acc;
  acc = ip->a.constant;
  NEXT;
LOAD_V:
  acc = *ip->a.cell;
  NEXT;
PUSH_V:
  *sp++ = acc;
  acc = *ip->a.cell;
  NEXT;
LOAD_CALL_V:
  acc = ip->a.function(*ip->b.cell);
  NEXT;
PUSH_CALL_V:
  *sp++ = acc;
  acc = ip->a.function(*ip->b.cell);
  NEXT;
#define ZIFFRALON_PAIR_KIND_CASES(A, B, OPERATOR)                                                   \
  LOAD_##OPERATOR##_##A##B : acc =                                                                  \
      ZIFFRALON_APPLY_##A##B<Operator::OPERATOR>(ZIFFRALON_VALUE_##A(a), ZIFFRALON_VALUE_##B(b));   \
  NEXT;                                                                                             \
  PUSH_##OPERATOR##_##A##B : *sp++ = acc;                                                           \
  acc = ZIFFRALON_APPLY_##A##B<Operator::OPERATOR>(ZIFFRALON_VALUE_##A(a), ZIFFRALON_VALUE_##B(b)); \
  NEXT;
#define ZIFFRALON_PAIR_CASES(OPERATOR, ...) ZIFFRALON_OPERAND_KINDS(ZIFFRALON_PAIR_KIND_CASES, OPERATOR)
  ZIFFRALON_PAIR_OPERATORS(ZIFFRALON_PAIR_CASES, )
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
  acc = ip->a.function(acc);
  NEXT;
CALL_DATA:
  acc = ip->a.host->function(acc, ip->a.host->data);
  NEXT;
STORE:
  *ip->a.cell = acc;
  NEXT;
#define ZIFFRALON_FORM_CASES(OPERATOR, ...)                                  \
  OPERATOR##_S : --sp;                                                       \
  acc = apply_binary<Operator::OPERATOR>(*sp, acc);                          \
  NEXT;                                                                      \
  OPERATOR##_C : acc = apply_binary_with_constant<Operator::OPERATOR>(acc, ip->a.constant); \
  NEXT;                                                                      \
  OPERATOR##_V : acc = apply_binary<Operator::OPERATOR>(acc, *ip->a.cell);    \
  NEXT;                                                                      \
  OPERATOR##_CL : acc = apply_binary_with_constant<Operator::OPERATOR>(ip->a.constant, acc); \
  NEXT;                                                                      \
  OPERATOR##_VL : acc = apply_binary<Operator::OPERATOR>(*ip->a.cell, acc);   \
  NEXT;
  ZIFFRALON_BINARY_OPERATORS(ZIFFRALON_FORM_CASES)
#define ZIFFRALON_STEP_CALL_CASES(STEP, ...)                                       \
  STEP##_CALL_V : acc = apply_binary<Operator::STEP>(acc, ip->a.function(*ip->b.cell)); \
  NEXT;
  ZIFFRALON_STEP_OPERATORS(ZIFFRALON_STEP_CALL_CASES, )
#define ZIFFRALON_STEP_KIND_CASES(A, B, STEP, PAIR)                                                              \
  STEP##_##PAIR##_##A##B : acc = apply_binary<Operator::STEP>(                                                   \
                               acc, ZIFFRALON_APPLY_##A##B<Operator::PAIR>(ZIFFRALON_VALUE_##A(a), ZIFFRALON_VALUE_##B(b))); \
  NEXT;
#define ZIFFRALON_STEP_PAIR_CASES(PAIR, STEP) ZIFFRALON_OPERAND_KINDS(ZIFFRALON_STEP_KIND_CASES, STEP, PAIR)
#define ZIFFRALON_STEP_CASES(STEP, ...) ZIFFRALON_PAIR_OPERATORS(ZIFFRALON_STEP_PAIR_CASES, STEP)
  ZIFFRALON_STEP_OPERATORS(ZIFFRALON_STEP_CASES, )
#define ZIFFRALON_DOUBLE_KIND_CASES(K2, SECOND, FIRST, K1)                                             \
  FIRST##_##K1##_##SECOND##_##K2 : acc = ZIFFRALON_APPLY_##K2<Operator::SECOND>(                       \
                                       ZIFFRALON_APPLY_##K1<Operator::FIRST>(acc, ZIFFRALON_VALUE_##K1(a)), \
                                       ZIFFRALON_VALUE_##K2(b));                                     \
  NEXT;
#define ZIFFRALON_DOUBLE_SECOND_CASES(SECOND, FIRST, K1) \
  ZIFFRALON_SECOND_STEP_KINDS(ZIFFRALON_DOUBLE_KIND_CASES, SECOND, FIRST, K1)
#define ZIFFRALON_DOUBLE_FIRST_KIND_CASES(K1, FIRST) \
  ZIFFRALON_SECOND_STEP_OPERATORS(ZIFFRALON_DOUBLE_SECOND_CASES, FIRST, K1)
#define ZIFFRALON_DOUBLE_CASES(FIRST, ...) ZIFFRALON_STEP_KINDS(ZIFFRALON_DOUBLE_FIRST_KIND_CASES, FIRST)
  ZIFFRALON_STEP_OPERATORS(ZIFFRALON_DOUBLE_CASES, )
#undef NEXT
END:
  // As after evaluating the text: its last expression's value is the
  // interpreter's last result; a text without one leaves that as it was.
  if (program.has_result)
    program.in->session.last_result = acc;
  else
    acc = program.in->session.last_result;
  if (result) *result = acc;
}
