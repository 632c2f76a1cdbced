// The x86-64 back-end: a program's steps as one function that makes a whole
// run, `int f(CompiledProgram*, double* result)`, assembled with xbyak.
//
// The accumulator is xmm0. Waiting values live in xmm6 up (the value
// waiting at depth d in xmm(6+d)) and, past the registers, in the frame's
// slot d; xmm1 to xmm5, rax, rcx, r8 and r10 are scratch, and r9 holds the
// place of one variable, so that the others near it are reached from there.
// Before a call the waiting values in registers the call may change go to
// their slots and come back after it. Constants sit after the code and are
// read relative to the instruction pointer; other variables and functions
// are addressed by their absolute places.
//
// The same bits as the bytecode machine: the SSE2 arithmetic instructions
// return their first operand's NaN, quietened, when both operands are NaNs,
// which is the rule of + - * / (arithmetic.h), so each operation is one
// instruction with its first operand in the destination. Powers, binomials,
// factorials and functions are calls of the very functions evaluation uses.
#define XBYAK_NO_EXCEPTION
#include <xbyak/xbyak.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <new>

#include "../platform/executable_memory.h"
#include "../platform/platform_math.h"
#include "machine_code.h"
#include "program_steps.h"

namespace ziffralon {

namespace {

double call_power(double a, double b) { return power_values(a, b); }
// Where the code found that a whole power needs pow, or x^0 and x^1 have a
// NaN: power_values would call pow itself.
double call_pow(double a, double b) { return platform_pow(a, b); }
double call_binomial(double a, double b) { return binomial_values(a, b); }
double call_factorial(double a) { return factorial_value(a); }

constexpr int FIRST_WAITING_REGISTER = 6;
constexpr int WAITING_REGISTERS = 16 - FIRST_WAITING_REGISTER;
// A frame under a page, so that no system needs it probed page by page;
// deeper programs run on the bytecode machine.
constexpr std::size_t MOST_WAITING = 400;
constexpr std::uint64_t SIGN_BIT = std::uint64_t{1} << 63;

// Whole powers multiplied out as whole_power does (whole_powers.h), with the
// fused multiply-add, where the library multiplies them and the processor
// has it; elsewhere the call decides.
bool inline_whole_powers() {
  double power = 0;
  __builtin_cpu_init();
  return __builtin_cpu_supports("fma") && whole_power(1.5, 2, power) && power == 2.25;
}
const bool INLINE_WHOLE_POWERS = inline_whole_powers();

constexpr std::uint64_t bits_of(double value) { return std::bit_cast<std::uint64_t>(value); }

// What the whole powers' code reads, in the library rather than after each
// program's code: the checks on the bits shifted left by one (which drops
// the sign, so that positive doubles compare as their bits do), 2, and the
// exponents for pow.
constexpr std::uint64_t EXPONENT_BITS = 0x7ff0000000000000;
// 15/32 of the spacing below a power of two: 1.875 * 2^-55 of it.
constexpr std::uint64_t FIFTEEN_THIRTYSECONDS = (std::uint64_t{57 - 3} << 52) - 0x000E000000000000;
enum PowerConstant { SMALLEST_POWER, POWER_RANGE, EXPONENT_FIELD, SAFE_DISTANCE, TWO, EXPONENTS };
const std::uint64_t POWER_CONSTANTS[] = {
    bits_of(0x1p-64) << 1,
    (bits_of(0x1p64) - bits_of(0x1p-64)) << 1,
    EXPONENT_BITS << 1,
    FIFTEEN_THIRTYSECONDS << 1,
    bits_of(2.0),
    bits_of(0.0), bits_of(1.0), bits_of(2.0), bits_of(3.0), bits_of(4.0), bits_of(5.0), bits_of(6.0), bits_of(7.0),
    bits_of(8.0),
};

// Decides whether x^c for a constant c can be had without calling pow.
bool is_exponent(const Step& step, double value) {
  return step.op == Operator::POWER && step.second == Source::CONSTANT && step.b.constant == value;
}

// x^c for a constant c computed here, calling pow only for the rare x that
// needs it (out of line).
bool is_inline_power(const Step& step) {
  if (step.op != Operator::POWER || step.second != Source::CONSTANT) return false;
  double c = step.b.constant;
  return c == 0 || c == 1 || (INLINE_WHOLE_POWERS && c >= 2 && c <= LARGEST_WHOLE_POWER && c == static_cast<int>(c));
}

// How the prologue built the frame, as Windows' x64 unwind data says it
// (UNWIND_INFO version 1: codes of two bytes, the last instruction first).
struct UnwindDescription {
  static constexpr std::uint8_t ALLOC_LARGE = 1, ALLOC_SMALL = 2, SAVE_XMM128 = 8;
  struct Code {
    std::uint8_t offset, op, info;
    std::uint16_t extra;
    bool has_extra;
  } entries[16] = {};
  int count = 0;
  std::size_t prologue_end = 0;
  void note_allocation(std::size_t end, unsigned bytes) {
    if (bytes <= 128)
      entries[count++] = Code{static_cast<std::uint8_t>(end), ALLOC_SMALL, static_cast<std::uint8_t>((bytes - 8) / 8), 0, false};
    else
      entries[count++] = Code{static_cast<std::uint8_t>(end), ALLOC_LARGE, 0, static_cast<std::uint16_t>(bytes / 8), true};
    prologue_end = end;
  }
  void note_saved_xmm(std::size_t end, int xmm, unsigned at) {
    entries[count++] = Code{static_cast<std::uint8_t>(end), SAVE_XMM128, static_cast<std::uint8_t>(xmm),
                            static_cast<std::uint16_t>(at / 16), true};
    prologue_end = end;
  }
};

// A call on the code's own path (pow's rare ones are out of line).
bool is_call(const Step& step) {
  switch (step.kind) {
    case StepKind::CALL:
    case StepKind::CALL_DATA:
    case StepKind::STEP_CALL:
    case StepKind::UNARY: return step.kind != StepKind::UNARY || step.op == Operator::FACTORIAL;
    case StepKind::BINARY: return step.op == Operator::BINOMIAL || (step.op == Operator::POWER && !is_inline_power(step));
    case StepKind::STEP_PAIR:
      return step.pair == Operator::POWER &&
             !is_inline_power(Step{StepKind::BINARY, step.pair, step.pair, step.first, step.second, step.a, step.b});
    default: return false;
  }
}

struct Assembler : Xbyak::CodeGenerator {
  using Xmm = Xbyak::Xmm;
  CallingConvention convention;
  std::size_t stack_size;
  int depth = 0;
  int registers_used;  // waiting-value registers
  // Calls of pow taken only for the rare operand that needs them, out of line
  // after the code, with the number of values waiting at their place.
  struct ColdCall {
    Xbyak::Label entry, back;
    double exponent;
    int depth;
  };
  std::deque<ColdCall> cold;
  UnwindDescription unwind;
  unsigned saved_xmm_offset = 0;
  struct Constant {
    std::uint64_t bits;
    Xbyak::Label label;
  };
  std::deque<Constant> constants;
  const MachineCodeContext& context;
  bool has_frame = false;  // the frame stands from the prologue on; else the calls out of line make it
  unsigned full_frame = 0;
  const double* base = nullptr;  // the place r9 holds, if any
  unsigned result_slot = 0;      // where the result pointer waits during calls

  Assembler(std::size_t capacity, void* buffer, CallingConvention c, std::size_t waiting,
            const MachineCodeContext& program)
      : Xbyak::CodeGenerator(capacity, buffer), convention(c), stack_size(waiting), context(program) {
    registers_used = static_cast<int>(waiting < WAITING_REGISTERS ? waiting : WAITING_REGISTERS);
  }

  Xmm waiting_register(int d) const { return Xmm(FIRST_WAITING_REGISTER + d); }
  Xbyak::Address slot(int d) { return qword[rsp + convention.shadow_space + 8 * d]; }
  bool saved_by_callee(int d) const {
    return FIRST_WAITING_REGISTER + d >= static_cast<int>(convention.first_saved_xmm);
  }

  Xbyak::Label& constant(double value) { return constant_bits(bits_of(value)); }
  Xbyak::Label& constant_bits(std::uint64_t bits) {
    for (Constant& c : constants)
      if (c.bits == bits) return c.label;
    constants.push_back(Constant{bits, {}});
    return constants.back().label;
  }
  Xbyak::Address constant_at(double value) { return qword[rip + constant(value)]; }
  Xbyak::Address variable_at(const double* cell) {
    std::intptr_t distance = reinterpret_cast<std::intptr_t>(cell) - reinterpret_cast<std::intptr_t>(base);
    if (base && distance >= INT32_MIN && distance <= INT32_MAX) return qword[r9 + static_cast<std::int32_t>(distance)];
    mov(rax, reinterpret_cast<std::uintptr_t>(cell));
    return qword[rax];
  }
  void load_base() {
    if (base) mov(r9, reinterpret_cast<std::uintptr_t>(base));
  }
  Xbyak::Address operand_at(Source source, const Operand& operand) {
    return source == Source::CONSTANT ? constant_at(operand.constant) : variable_at(operand.cell);
  }

  // Right after the prologue, while the arguments are still in their
  // registers: every variable taken as a constant must still hold it, or the
  // frame goes and the run is handed over with those arguments.
  void check_folded() {
    if (context.folded_count == 0) return;
    Xbyak::Label changed;
    for (std::size_t i = 0; i < context.folded_count; ++i) {
      mov(rax, reinterpret_cast<std::uintptr_t>(context.folded[i].cell));
      mov(r8, context.folded[i].bits);
      cmp(qword[rax], r8);
      jne(changed, T_NEAR);
    }
    Xbyak::Label hold;
    jmp(hold, T_NEAR);
    L(changed);
    leave_frame();
    mov(rax, reinterpret_cast<std::uintptr_t>(context.after_change));
    jmp(rax);
    L(hold);
  }

  // The frame: slots for every waiting value, the shadow space when calling,
  // the callee-saved registers used; 16-byte aligned at every call.
  // Where a system unwinds through run-time code by tables, any call at all
  // (even one out of line) makes the frame stand from the prologue on, so
  // that one description fits the whole function.
  void prologue(bool calls, bool calls_out_of_line) {
    unsigned saved = 0;
    for (int d = 0; d < registers_used; ++d) saved += saved_by_callee(d);
    result_slot = convention.shadow_space + static_cast<unsigned>(stack_size) * 8;
    saved_xmm_offset = (result_slot + 8 + 15) / 16 * 16;
    full_frame = saved_xmm_offset + 16 * saved + 8;
    has_frame = calls || stack_size > WAITING_REGISTERS || saved > 0 ||
                (convention.unwind_tables && calls_out_of_line);
    if (!has_frame) return load_base();
    sub(rsp, full_frame);
    unwind.note_allocation(getSize(), full_frame);
    unsigned at = saved_xmm_offset;
    for (int d = 0; d < registers_used; ++d)
      if (saved_by_callee(d)) {
        movdqu(xword[rsp + at], waiting_register(d));
        unwind.note_saved_xmm(getSize(), FIRST_WAITING_REGISTER + d, at);
        at += 16;
      }
    mov(qword[rsp + result_slot], Xbyak::Reg64(static_cast<int>(convention.second_pointer)));
    load_base();
  }
  ColdCall& cold_call(double exponent) {
    cold.push_back(ColdCall{{}, {}, exponent, depth});
    return cold.back();
  }
  void cold_calls() {
    const Xbyak::Reg64 result(static_cast<int>(convention.second_pointer));
    for (ColdCall& c : cold) {
      L(c.entry);
      if (!has_frame) {
        sub(rsp, full_frame);
        mov(qword[rsp + result_slot], result);
      }
      int kept = depth;
      depth = c.depth;
      mov(rax, reinterpret_cast<std::uintptr_t>(&POWER_CONSTANTS[EXPONENTS + static_cast<int>(c.exponent)]));
      movsd(xmm1, qword[rax]);
      call_function(reinterpret_cast<const void*>(&call_pow));
      depth = kept;
      if (!has_frame) {
        mov(result, qword[rsp + result_slot]);
        add(rsp, full_frame);
      }
      jmp(c.back, T_NEAR);
    }
  }
  // The value as the interpreter's last result and in *result, then 1; a
  // text without an expression line gives the last result as it was.
  void finish() {
    mov(rax, reinterpret_cast<std::uintptr_t>(context.last_result));
    if (context.has_result)
      movsd(qword[rax], xmm0);
    else
      movsd(xmm0, qword[rax]);
    if (has_frame)
      mov(rax, qword[rsp + result_slot]);
    else
      mov(rax, Xbyak::Reg64(static_cast<int>(convention.second_pointer)));
    Xbyak::Label no_result;
    test(rax, rax);
    jz(no_result);
    movsd(qword[rax], xmm0);
    L(no_result);
    mov(eax, 1);
    epilogue();
  }
  void leave_frame() {
    if (!has_frame) return;
    unsigned at = saved_xmm_offset;
    for (int d = 0; d < registers_used; ++d)
      if (saved_by_callee(d)) movdqu(waiting_register(d), xword[rsp + at]), at += 16;
    add(rsp, full_frame);
  }
  void epilogue() {
    leave_frame();
    ret();
  }

  void push_accumulator() {
    if (depth < WAITING_REGISTERS)
      movapd(waiting_register(depth), xmm0);
    else
      movsd(slot(depth), xmm0);
    ++depth;
  }
  // The popped value into `into` (which may be left alone when it is in a register).
  Xmm pop_into(const Xmm& into) {
    --depth;
    if (depth < WAITING_REGISTERS) return waiting_register(depth);
    movsd(into, slot(depth));
    return into;
  }
  void load(const Xmm& into, Source source, const Operand& operand) {
    if (source == Source::ACCUMULATOR) {
      if (into.getIdx() != 0) movapd(into, xmm0);
    } else if (source == Source::POPPED) {
      Xmm from = pop_into(into);
      if (from.getIdx() != into.getIdx()) movapd(into, from);
    } else {
      movsd(into, operand_at(source, operand));
    }
  }

  // Calls `function`, or the host function at `host` with its data; the
  // waiting values in registers the call may change wait in their slots.
  void call_function(const void* function, const HostFunction* host = nullptr) {
    int live = depth < WAITING_REGISTERS ? depth : WAITING_REGISTERS;
    for (int d = 0; d < live; ++d)
      if (!saved_by_callee(d)) movsd(slot(d), waiting_register(d));
    if (host) {
      mov(rax, reinterpret_cast<std::uintptr_t>(host));
      mov(Xbyak::Reg64(static_cast<int>(convention.pointer_after_double)), qword[rax + offsetof(HostFunction, data)]);
      call(qword[rax + offsetof(HostFunction, function)]);
    } else {
      mov(rax, reinterpret_cast<std::uintptr_t>(function));
      call(rax);
    }
    for (int d = 0; d < live; ++d)
      if (!saved_by_callee(d)) movsd(waiting_register(d), slot(d));
    load_base();
  }

  void arithmetic(Operator op, const Xmm& into, const Xbyak::Operand& second) {
    switch (op) {
      case Operator::ADD: addsd(into, second); break;
      case Operator::SUBTRACT: subsd(into, second); break;
      case Operator::MULTIPLY: mulsd(into, second); break;
      default: divsd(into, second); break;
    }
  }
  static bool is_arithmetic(Operator op) { return op <= Operator::DIVIDE; }
  // `into` OP the second operand. Dividing by a power of two is multiplying
  // by its reciprocal when both are normal: either scales exactly and rounds
  // once, the same way.
  void arithmetic_with(Operator op, const Xmm& into, Source second, const Operand& operand) {
    if (op == Operator::DIVIDE && second == Source::CONSTANT) {
      int exponent = 0;
      double c = operand.constant;
      bool power_of_two = std::fabs(std::frexp(c, &exponent)) == 0.5;
      double reciprocal = 1 / c;
      if (power_of_two && std::isnormal(c) && std::isnormal(reciprocal))
        return arithmetic(Operator::MULTIPLY, into, constant_at(reciprocal));
    }
    arithmetic(op, into, operand_at(second, operand));
  }

  // acc = first OP second.
  void binary(const Step& step) {
    Operator op = step.op;
    if (is_arithmetic(op)) {
      if (step.first == Source::ACCUMULATOR) return arithmetic_with(op, xmm0, step.second, step.b);
      Xmm first = step.first == Source::POPPED ? pop_into(xmm1) : xmm1;
      if (step.first != Source::POPPED) load(xmm1, step.first, step.a);
      if (step.second == Source::ACCUMULATOR)
        arithmetic(op, first, xmm0);
      else
        arithmetic_with(op, first, step.second, step.b);
      movapd(xmm0, first);
      return;
    }
    if (is_exponent(step, 0) || is_exponent(step, 1)) {
      // pow gives 1 for x^0 and x for x^1 when x is no NaN; a NaN it answers itself.
      load(xmm0, step.first, step.a);
      ColdCall& general = cold_call(step.b.constant);
      ucomisd(xmm0, xmm0);
      jp(general.entry, T_NEAR);
      if (step.b.constant == 0) movsd(xmm0, constant_at(1.0));
      L(general.back);
      return;
    }
    if (INLINE_WHOLE_POWERS && op == Operator::POWER && step.second == Source::CONSTANT) {
      double exponent = step.b.constant;
      if (exponent >= 2 && exponent <= LARGEST_WHOLE_POWER && exponent == static_cast<int>(exponent)) {
        load(xmm0, step.first, step.a);
        return whole_power(static_cast<int>(exponent));
      }
    }
    if (step.second == Source::ACCUMULATOR) {
      movapd(xmm1, xmm0);
      load(xmm0, step.first, step.a);
    } else {
      load(xmm0, step.first, step.a);
      load(xmm1, step.second, step.b);
    }
    call_function(reinterpret_cast<const void*>(op == Operator::POWER ? &call_power : &call_binomial));
  }

  // acc = acc^n, 2 <= n <= LARGEST_WHOLE_POWER: whole_power_with and the
  // fused product error, step by step in the same order, with pow called
  // where it would be. xmm1 and xmm2 hold the power as a rounded value and
  // its remainder.
  //
  // whole_power_with first asks for 2^-100 <= |x| <= 2^100 and at the end
  // for 2^-64 <= |x^n| <= 2^64; the second holds only when the first does,
  // and asking it alone gives the same answers.
  void whole_power(int n) {
    ColdCall& call = cold_call(n);
    Xbyak::Label& general = call.entry;
    mov(r10, reinterpret_cast<std::uintptr_t>(POWER_CONSTANTS));
    movapd(xmm1, xmm0);
    mulsd(xmm1, xmm0);
    movapd(xmm2, xmm0);
    vfmsub213sd(xmm2, xmm0, xmm1);
    auto renormalise = [&] {  // product xmm3, tail xmm4
      movapd(xmm1, xmm3);
      addsd(xmm1, xmm4);
      movapd(xmm5, xmm1);
      subsd(xmm5, xmm3);
      movapd(xmm2, xmm4);
      subsd(xmm2, xmm5);
    };
    auto times_a = [&] {
      movapd(xmm3, xmm1);
      mulsd(xmm3, xmm0);
      movapd(xmm4, xmm1);
      vfmsub213sd(xmm4, xmm0, xmm3);
      movapd(xmm5, xmm2);
      mulsd(xmm5, xmm0);
      addsd(xmm4, xmm5);
      renormalise();
    };
    auto squared = [&] {
      movapd(xmm3, xmm1);
      mulsd(xmm3, xmm1);
      movapd(xmm4, xmm1);
      vfmsub213sd(xmm4, xmm1, xmm3);
      movsd(xmm5, qword[r10 + 8 * TWO]);
      mulsd(xmm5, xmm1);
      mulsd(xmm5, xmm2);
      addsd(xmm4, xmm5);
      renormalise();
    };
    int bit = n >= 8 ? 4 : n >= 4 ? 2 : 1;
    if (n & bit) times_a();
    for (bit >>= 1; bit; bit >>= 1) {
      squared();
      if (n & bit) times_a();
    }
    movq(rax, xmm1);
    add(rax, rax);
    mov(rcx, rax);  // |x^n| outside [2^-64, 2^64]
    sub(rcx, qword[r10 + 8 * SMALLEST_POWER]);
    cmp(rcx, qword[r10 + 8 * POWER_RANGE]);
    ja(general, T_NEAR);
    // safe_distance: the spacing of the doubles below |x^n| (its exponent
    // bits), times 15/32 (1.875 * 2^-55 of the value it is the spacing of).
    sub(rax, 2);
    and_(rax, qword[r10 + 8 * EXPONENT_FIELD]);
    sub(rax, qword[r10 + 8 * SAFE_DISTANCE]);
    movq(rcx, xmm2);
    add(rcx, rcx);
    cmp(rcx, rax);
    ja(general, T_NEAR);
    movapd(xmm0, xmm1);
    L(call.back);
  }

  void step(const Step& s) {
    switch (s.kind) {
      case StepKind::PUSH: push_accumulator(); break;
      case StepKind::LOAD:
        if (s.first == Source::CONSTANT && s.a.constant == 0 && !std::signbit(s.a.constant))
          xorpd(xmm0, xmm0);
        else
          load(xmm0, s.first, s.a);
        break;
      case StepKind::CALL:
        if (s.first == Source::VARIABLE) movsd(xmm0, variable_at(s.a.cell));
        call_function(reinterpret_cast<const void*>(s.b.function));
        break;
      case StepKind::CALL_DATA: call_function(nullptr, s.a.host); break;
      case StepKind::BINARY: binary(s); break;
      case StepKind::STEP_PAIR:
        if (is_arithmetic(s.pair)) {
          load(xmm1, s.first, s.a);
          arithmetic_with(s.pair, xmm1, s.second, s.b);
          arithmetic(s.op, xmm0, xmm1);
        } else {
          push_accumulator();
          binary(Step{StepKind::BINARY, s.pair, s.pair, s.first, s.second, s.a, s.b});
          binary(Step{StepKind::BINARY, s.op, s.op, Source::POPPED, Source::ACCUMULATOR, {}, {}});
        }
        break;
      case StepKind::STEP_CALL:
        push_accumulator();
        movsd(xmm0, variable_at(s.a.cell));
        call_function(reinterpret_cast<const void*>(s.b.function));
        binary(Step{StepKind::BINARY, s.op, s.op, Source::POPPED, Source::ACCUMULATOR, {}, {}});
        break;
      case StepKind::UNARY:
        if (s.op == Operator::NEGATE) {
          mov(rax, SIGN_BIT);
          movq(xmm1, rax);
          xorpd(xmm0, xmm1);
        } else if (s.op == Operator::PERCENT) {
          divsd(xmm0, constant_at(100.0));
        } else {
          call_function(reinterpret_cast<const void*>(&call_factorial));
        }
        break;
      case StepKind::STORE: movsd(variable_at(s.a.cell), xmm0); break;
      case StepKind::END: finish(); break;
    }
  }

  void constant_pool() {
    align(8);
    for (Constant& c : constants) {
      L(c.label);
      dq(c.bits);
    }
  }

  // The unwind data and the function's table entry (RUNTIME_FUNCTION: start,
  // end and unwind data as offsets from the block's start), after the
  // constants; returns the entry's offset, or 0 when none is needed (no frame:
  // the return address is on top of the stack throughout).
  std::size_t unwind_table(std::size_t code_end) {
    if (!convention.unwind_tables || !has_frame) return 0;
    align(4);
    std::size_t info = getSize();
    int slots = 0;
    for (int i = 0; i < unwind.count; ++i) slots += unwind.entries[i].has_extra ? 2 : 1;
    db(1);  // version 1, no flags
    db(static_cast<std::uint8_t>(unwind.prologue_end));
    db(static_cast<std::uint8_t>(slots));
    db(0);  // no frame register
    for (int i = unwind.count - 1; i >= 0; --i) {
      const UnwindDescription::Code& c = unwind.entries[i];
      db(c.offset);
      db(static_cast<std::uint8_t>(c.op | c.info << 4));
      if (c.has_extra) dw(c.extra);
    }
    if (slots % 2) dw(0);
    std::size_t entry = getSize();
    dd(0);
    dd(static_cast<std::uint32_t>(code_end));
    dd(static_cast<std::uint32_t>(info));
    return entry;
  }
};

// Room enough for any step: a call that saves and restores every register.
constexpr std::size_t BYTES_PER_INSTRUCTION = 2 * (MOST_STEPS * 16 * 12 + 64);

// The first place of a variable the code names: r9 holds it.
const double* first_cell(const Instruction* code, std::size_t size) {
  Step steps[MOST_STEPS];
  for (std::size_t i = 0; i < size; ++i) {
    int count = instruction_steps(code[i], steps);
    for (int s = 0; s < count; ++s) {
      const Step& step = steps[s];
      if (step.kind == StepKind::STEP_CALL || step.kind == StepKind::STORE ||
          (step.kind == StepKind::CALL && step.first == Source::VARIABLE))
        return step.a.cell;
      if (step.kind == StepKind::CALL || step.kind == StepKind::CALL_DATA || step.kind == StepKind::UNARY) continue;
      if (step.first == Source::VARIABLE) return step.a.cell;
      if (step.second == Source::VARIABLE) return step.b.cell;
    }
  }
  return nullptr;
}

bool assemble(const Instruction* code, std::size_t size, std::size_t stack_size, const MachineCodeContext& context,
              std::unique_ptr<unsigned char[]>& bytes, std::size_t& length, std::size_t& table) {
  // Whether anything calls, and how many values wait at most: a step with a
  // call or a power of its own keeps the accumulator waiting during it.
  Step steps[MOST_STEPS];
  bool calls = false, calls_out_of_line = false;
  std::size_t depth = 0;
  for (std::size_t i = 0; i < size; ++i) {
    int count = instruction_steps(code[i], steps);
    for (int s = 0; s < count; ++s) {
      const Step& step = steps[s];
      calls = calls || is_call(step);
      calls_out_of_line = calls_out_of_line || (step.kind == StepKind::BINARY && step.op == Operator::POWER) ||
                          (step.kind == StepKind::STEP_PAIR && step.pair == Operator::POWER);
      if (step.kind == StepKind::PUSH) ++depth;
      if (step.kind == StepKind::BINARY && step.first == Source::POPPED) --depth;
      bool holds_accumulator =
          step.kind == StepKind::STEP_CALL || (step.kind == StepKind::STEP_PAIR && step.pair > Operator::DIVIDE);
      if (depth + holds_accumulator > stack_size) stack_size = depth + holds_accumulator;
    }
  }
  if (stack_size > MOST_WAITING) return false;
  std::size_t capacity = 256 + size * BYTES_PER_INSTRUCTION + 16 * size;
  bytes.reset(new unsigned char[capacity]);  // not cleared: the assembler writes before anything reads
  Xbyak::ClearError();
  Assembler assembler(capacity, bytes.get(), platform_calling_convention(), stack_size, context);
  assembler.base = first_cell(code, size);
  assembler.prologue(calls, calls_out_of_line);
  assembler.check_folded();
  for (std::size_t i = 0; i < size; ++i) {
    int count = instruction_steps(code[i], steps);
    for (int s = 0; s < count; ++s) assembler.step(steps[s]);
  }
  assembler.cold_calls();
  std::size_t code_end = assembler.getSize();
  assembler.constant_pool();
  table = assembler.unwind_table(code_end);
  length = assembler.getSize();
  bool assembled = Xbyak::GetError() == 0 && !assembler.hasUndefinedLabel();
  Xbyak::ClearError();
  return assembled;
}

}  // namespace

bool machine_code_build(const Instruction* code, std::size_t size, std::size_t stack_size,
                        const MachineCodeContext& context, MachineCode& machine) {
  if (!machine_code_wanted() || stack_size > MOST_WAITING) return false;
  try {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t length = 0, table = 0;
    if (!assemble(code, size, stack_size, context, bytes, length, table)) return false;
    CodeBlock block;
    if (!code_memory_allocate(length, block)) return false;
    std::memcpy(block.writable, bytes.get(), length);
    machine.registration = nullptr;
    if (table) platform_register_code(block.executable, block.executable + table, machine.registration);
    machine.block = block;
    machine.function =
        reinterpret_cast<int (*)(CompiledProgram*, double*)>(const_cast<unsigned char*>(block.executable));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void machine_code_free(MachineCode& machine) {
  platform_unregister_code(machine.registration);
  machine.registration = nullptr;
  code_memory_release(machine.block);
  machine.function = nullptr;
}

}  // namespace ziffralon
