// Compiling: the parse loop with actions that emit instructions instead of
// computing. A value on the parse stack is a constant, a variable not read
// yet, or code already emitted that leaves the value in the accumulator.
// Constants and variables are held back until an operator takes them, so
// that they become the operand of its instruction.
//
// Same bits as evaluation: an operator on two constants is folded by the very
// function evaluation calls, in the same order (x*2*3 is (x*2)*3 and folds
// nothing; 2*3*x folds 2*3). Built-in functions of a constant fold too; a
// host's functions are called at run time, since they may do more than
// compute. A variable held back is read where its operator stands, which is
// the moment evaluation reads it unless code in between may change it (an
// assignment or a host function): then its load goes in before that code.
#include <algorithm>
#include <cmath>
#include <functional>
#include <cstring>

#include "../core/builtins.h"
#include "../core/parse_loop.h"
#include "program.h"

namespace ziffralon {

namespace {

// A value on the parse stack. CONSTANT and VARIABLE are held back until an
// operator takes them, and so are a PAIR (an operator on two of them) and a
// CALL (a built-in function of a variable), which then become one
// instruction with their operands.
enum class ValueKind : std::uint8_t { OTHER, CONSTANT, VARIABLE, PAIR, CALL, CODE };

struct CompileValue {
  SemanticValue token;  // CONSTANT: the number; VARIABLE and OTHER: the symbol, if any
  Operand a, b;         // PAIR: its operands; CALL: the function and the variable's place
  std::uint32_t start;  // CODE: where its instructions begin
  ValueKind kind;
  std::uint8_t pair_operator;  // PAIR: an index into the pair operators
  OperandKinds pair_kinds;     // PAIR: which operands are constants
  bool effects;                // CODE: it assigns or calls a host's function
};

struct CodeBuffer {
  Instruction* code = nullptr;
  std::size_t size = 0;
  std::size_t capacity = 0;
  bool out_of_memory = false;
};

bool is_builtin(MathFunction function) {
  for (const BuiltinFunction* row = BUILTIN_FUNCTIONS; row->name; ++row)
    if (row->function == function) return true;
  return false;
}

bool is_simple(const CompileValue& v) { return v.kind == ValueKind::CONSTANT || v.kind == ValueKind::VARIABLE; }

Operand operand_of(const CompileValue& v) {
  Operand operand;
  if (v.kind == ValueKind::CONSTANT)
    operand.constant = v.token.number;
  else
    operand.cell = v.token.symbol->cell;
  return operand;
}

Opcode opcode_after(Opcode opcode, std::uint32_t steps) { return static_cast<Opcode>(opcode + steps); }

struct CompileActions {
  using Value = CompileValue;
  CodeBuffer& out;
  int live = 0;  // computed values: the accumulator's and those waiting on the stack
  Value last_line{};
  bool has_line = false;

  // Makes room for one more instruction at `at`; false when out of memory.
  bool open_gap(std::size_t at) {
    if (out.size == out.capacity) {
      std::size_t capacity = out.capacity ? out.capacity * 2 : 16;
      auto* code = static_cast<Instruction*>(allocate_bytes(capacity * sizeof(Instruction)));
      if (!code) {
        out.out_of_memory = true;
        return false;
      }
      if (out.size) std::memcpy(code, out.code, out.size * sizeof(Instruction));
      release_bytes(out.code);
      out.code = code;
      out.capacity = capacity;
    }
    std::memmove(out.code + at + 1, out.code + at, (out.size - at) * sizeof(Instruction));
    ++out.size;
    return true;
  }
  void insert(std::size_t at, Instruction instruction) {
    if (!out.out_of_memory && open_gap(at)) out.code[at] = instruction;
  }
  void emit(Opcode opcode, Operand a = {}, Operand b = {}) { insert(out.size, Instruction{opcode, a, b}); }

  static Value constant(double number) {
    Value v{};
    v.token.number = number;
    v.kind = ValueKind::CONSTANT;
    return v;
  }
  // A folded value is held back like a literal, except a NaN: that is loaded
  // at once, so that the operator taking it checks it like any computed
  // value. An instruction's constants are never NaNs, and the operators on
  // them need no check.
  Value folded(double number) { return std::isnan(number) ? materialise(constant(number)) : constant(number); }
  static Value code_from(std::size_t start, bool effects) {
    Value v{};
    v.start = static_cast<std::uint32_t>(start);
    v.kind = ValueKind::CODE;
    v.effects = effects;
    return v;
  }
  static Value pair(std::uint32_t op, const Value& a, const Value& b) {
    Value v{};
    v.kind = ValueKind::PAIR;
    v.a = operand_of(a);
    v.b = operand_of(b);
    v.pair_operator = static_cast<std::uint8_t>(op);
    v.pair_kinds = a.kind == ValueKind::CONSTANT ? KINDS_CV : b.kind == ValueKind::CONSTANT ? KINDS_VC : KINDS_VV;
    return v;
  }

  // The instruction that puts a held-back value into the accumulator,
  // pushing what is there first when `push`.
  static Instruction loading(const Value& v, bool push) {
    if (v.kind == ValueKind::CALL) return Instruction{opcode_after(OP_LOAD_CALL_V, push), v.a, v.b};
    if (v.kind == ValueKind::PAIR) return Instruction{pair_opcode(v.pair_operator, v.pair_kinds, push), v.a, v.b};
    Opcode load = v.kind == ValueKind::CONSTANT ? OP_LOAD_C : OP_LOAD_V;
    return Instruction{opcode_after(load, push), operand_of(v), {}};
  }

  // A held-back value into the accumulator, now.
  Value materialise(const Value& v) {
    if (v.kind == ValueKind::CODE) return v;
    std::size_t start = out.size;
    insert(start, loading(v, live > 0));
    ++live;
    return code_from(start, false);
  }

  // A held-back value loaded before the code of `later` runs, as evaluation
  // reads it. `later`'s first instruction loaded into a free accumulator if
  // no value was waiting; now this one is.
  void materialise_before(const Value& v, const Value& later) {
    bool alone = live == 1;
    if (alone && !out.out_of_memory) out.code[later.start].opcode = opcode_after(out.code[later.start].opcode, 1);
    insert(later.start, loading(v, !alone));
    ++live;
  }

  static Value shifted(int terminal, SemanticValue token) {
    Value v{};
    v.token = token;
    v.kind = terminal == T_NUMBER ? ValueKind::CONSTANT : ValueKind::OTHER;
    return v;
  }
  void help() {}
  void listing() {}
  void line(const Value& v) {
    last_line = v;
    has_line = true;
    if (v.kind == ValueKind::CODE) live = 0;  // its value stays in the accumulator until the next line's
  }
  static Value variable(Value token) {
    token.kind = ValueKind::VARIABLE;
    return token;
  }
  Value assign(const Value& target, const Value& v) {
    Value code = materialise(v);
    Operand place;
    place.cell = target.token.symbol->cell;
    emit(OP_STORE, place);
    code.effects = true;
    return code;
  }
  Value call(const Value& function, const Value& argument) {
    if (carries_data(function.token.symbol)) {
      Value code = materialise(argument);
      Operand host;
      host.host = function.token.symbol->value.host;
      emit(OP_CALL_DATA, host);
      code.effects = true;
      return code;
    }
    Operand f;
    f.function = function.token.symbol->value.function;
    bool builtin = is_builtin(f.function);
    if (builtin && argument.kind == ValueKind::CONSTANT) return folded(f.function(argument.token.number));
    if (builtin && argument.kind == ValueKind::VARIABLE) {
      Value held{};
      held.kind = ValueKind::CALL;
      held.a = f;
      held.b = operand_of(argument);
      return held;
    }
    if (argument.kind == ValueKind::VARIABLE) {
      std::size_t start = out.size;
      emit(opcode_after(OP_LOAD_CALL_V, live > 0), f, operand_of(argument));
      ++live;
      return code_from(start, !builtin);
    }
    Value code = materialise(argument);
    emit(OP_CALL, f);
    code.effects |= !builtin;
    return code;
  }
  template <Operator OP>
  Value unary(const Value& a) {
    if (a.kind == ValueKind::CONSTANT) return folded(apply_unary<OP>(a.token.number));
    Value code = materialise(a);
    emit(OP == Operator::NEGATE ? OP_NEGATE : OP == Operator::PERCENT ? OP_PERCENT : OP_FACTORIAL);
    return code;
  }
  template <Operator OP>
  Value binary(const Value& a, const Value& b) {
    constexpr auto INDEX = static_cast<std::uint32_t>(OP);  // in the order of the binary operators
    if (a.kind == ValueKind::CONSTANT && b.kind == ValueKind::CONSTANT)
      return folded(apply_binary<OP>(a.token.number, b.token.number));
    if (INDEX < PAIR_OPERATOR_COUNT && is_simple(a) && is_simple(b)) return pair(INDEX, a, b);
    if (is_simple(b)) {
      Value code = materialise(a);
      emit(form_opcode(INDEX, b.kind == ValueKind::CONSTANT ? FORM_C : FORM_V), operand_of(b));
      return code;
    }
    if (b.kind == ValueKind::PAIR || b.kind == ValueKind::CALL) {
      Value code = materialise(a);
      if (INDEX < STEP_OPERATOR_COUNT) {
        if (b.kind == ValueKind::CALL)
          emit(step_call_opcode(INDEX), b.a, b.b);
        else
          emit(step_opcode(INDEX, b.pair_operator, b.pair_kinds), b.a, b.b);
        return code;
      }
      materialise(b);
      emit(form_opcode(INDEX, FORM_S));
      --live;
      return code;
    }
    if (a.kind == ValueKind::CODE) {
      emit(form_opcode(INDEX, FORM_S));
      --live;
      return code_from(a.start, a.effects || b.effects);
    }
    if (a.kind == ValueKind::CONSTANT || (a.kind == ValueKind::VARIABLE && !b.effects)) {
      emit(form_opcode(INDEX, a.kind == ValueKind::CONSTANT ? FORM_CL : FORM_VL), operand_of(a));
      return b;
    }
    // A pair, a call, or a variable that b's code may change: read before that code.
    materialise_before(a, b);
    emit(form_opcode(INDEX, FORM_S));
    --live;
    return code_from(b.start, b.effects);
  }

  // The last expression line's value into the accumulator, then the end.
  void finish() {
    if (has_line && last_line.kind != ValueKind::CODE) {
      live = 0;
      materialise(last_line);
    }
    emit(OP_END);
  }
};

// How many values wait on the stack at most while `code` runs.
std::size_t stack_needed(const Instruction* code, std::size_t size) {
  long waiting = 0, most = 0;
  for (std::size_t i = 0; i < size; ++i) {
    Opcode op = code[i].opcode;
    if (op < OP_LOADING_END && op % 2 == 1) ++waiting;  // a PUSH twin
    if (op >= OP_ADD_S && op < OP_ADD_CALL_V && (op - OP_ADD_S) % FORM_COUNT == FORM_S) --waiting;  // pops
    if (waiting > most) most = waiting;
  }
  return static_cast<std::size_t>(most);
}

// Which of an instruction's operands are places of variables.
struct CellOperands {
  bool a, b;
};

CellOperands cells_of(Opcode op) {
  auto by_kinds = [](std::uint32_t kinds) { return CellOperands{kinds != KINDS_CV, kinds != KINDS_VC}; };
  if (op == OP_LOAD_V || op == OP_PUSH_V || op == OP_STORE) return {true, false};
  if (op == OP_LOAD_CALL_V || op == OP_PUSH_CALL_V) return {false, true};
  if (op >= OP_ADD_CALL_V && op < OP_ADD_ADD_CV) return {false, true};
  if (op >= OP_LOAD_ADD_CV && op < OP_LOADING_END) return by_kinds((op - OP_LOAD_ADD_CV) / 2 % KINDS_COUNT);
  if (op >= OP_ADD_S && op < OP_ADD_CALL_V) {
    std::uint32_t form = (op - OP_ADD_S) % FORM_COUNT;
    return {form == FORM_V || form == FORM_VL, false};
  }
  if (op >= OP_ADD_ADD_CV && op < OP_ADD_C_ADD_C) return by_kinds((op - OP_ADD_ADD_CV) % KINDS_COUNT);
  if (op >= OP_ADD_C_ADD_C) {
    std::uint32_t index = op - OP_ADD_C_ADD_C;
    return {index / (2 * STEP_OPERATOR_COUNT) % 2 == 1, index % 2 == 1};
  }
  return {false, false};
}

// Two steps in a row that each combine the accumulator with a constant or a
// variable become one double step: the same operations in the same order,
// one dispatch fewer.
void join_steps(CodeBuffer& out) {
  auto step_of = [](Opcode op, std::uint32_t& operator_index, std::uint32_t& kind) {
    if (op < OP_ADD_S || op >= OP_ADD_S + STEP_OPERATOR_COUNT * FORM_COUNT) return false;
    std::uint32_t form = (op - OP_ADD_S) % FORM_COUNT;
    if (form != FORM_C && form != FORM_V) return false;
    operator_index = (op - OP_ADD_S) / FORM_COUNT;
    kind = form == FORM_V;
    return true;
  };
  std::size_t kept = 0;
  for (std::size_t i = 0; i < out.size; ++i) {
    std::uint32_t first, first_kind, second, second_kind;
    if (i + 1 < out.size && step_of(out.code[i].opcode, first, first_kind) &&
        step_of(out.code[i + 1].opcode, second, second_kind)) {
      out.code[kept++] =
          Instruction{double_opcode(first, first_kind, second, second_kind), out.code[i].a, out.code[i + 1].a};
      ++i;
      continue;
    }
    out.code[kept++] = out.code[i];
  }
  out.size = kept;
}

// A name set aside while compiling: its place then, and its real one.
struct MovedCell {
  double* waiting;
  double* real;
  const Symbol* name;
};

// The names met for the first time become variables, in the order they were
// met; the instructions that name them get their real places, looked up in
// the moves sorted by their old places. False when out of memory.
bool make_deferred_names(InterpreterState& in, const DeferredNames& deferred, CodeBuffer& out) {
  std::size_t count = 0;
  for (const Symbol* waiting = newest_deferred_name(deferred); waiting; waiting = waiting->next) ++count;
  if (count == 0) return true;
  auto* moves = static_cast<MovedCell*>(allocate_bytes(count * sizeof(MovedCell)));
  if (!moves) return false;
  std::size_t index = count;
  for (const Symbol* waiting = newest_deferred_name(deferred); waiting; waiting = waiting->next)
    moves[--index] = MovedCell{waiting->cell, nullptr, waiting};
  std::size_t made = 0;
  for (; made < count; ++made) {
    Symbol* real = symbol_intern(in, symbol_name(moves[made].name), moves[made].name->length);
    if (!real) break;
    moves[made].real = real->cell;
  }
  if (made == count) {
    auto by_place = [](const MovedCell& a, const MovedCell& b) { return std::less<double*>()(a.waiting, b.waiting); };
    std::sort(moves, moves + count, by_place);
    auto moved = [&](double*& cell) {
      const MovedCell* found = std::lower_bound(moves, moves + count, MovedCell{cell, nullptr, nullptr}, by_place);
      if (found != moves + count && found->waiting == cell) cell = found->real;
    };
    for (std::size_t i = 0; i < out.size; ++i) {
      Instruction& instruction = out.code[i];
      CellOperands cells = cells_of(instruction.opcode);
      if (cells.a) moved(instruction.a.cell);
      if (cells.b) moved(instruction.b.cell);
    }
  }
  release_bytes(moves);
  return made == count;
}

// Whether `code` calls a host's function.
bool calls_host_function(const Instruction* code, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    Opcode op = code[i].opcode;
    if (op == OP_CALL_DATA) return true;
    if (op == OP_CALL && !is_builtin(code[i].a.function)) return true;
    if ((op == OP_LOAD_CALL_V || op == OP_PUSH_CALL_V) && !is_builtin(code[i].a.function)) return true;
  }
  return false;
}

CompiledProgram* new_program(InterpreterState& in, CodeBuffer& out, bool has_result) {
  auto* program = static_cast<CompiledProgram*>(allocate_bytes(sizeof(CompiledProgram)));
  if (!program) return nullptr;
  *program = CompiledProgram{&in,        out.code, out.size, stack_needed(out.code, out.size), nullptr, has_result,
                             calls_host_function(out.code, out.size), 0, false};
  if (program->stack_size > RUN_STACK_SIZE) {
    program->own_stack = static_cast<double*>(allocate_bytes(program->stack_size * sizeof(double)));
    if (!program->own_stack) {
      release_bytes(program);
      return nullptr;
    }
  }
  out.code = nullptr;  // the program owns it now
  return program;
}

}  // namespace

CompiledProgram* compile_program(InterpreterState& in, const char* text, std::size_t length, TextOffset& error_offset) {
  error_offset = 0;
  in.last_failure = OUT_OF_MEMORY_MESSAGE;
  InterpreterCall call;
  if (!begin_call(in, call, true)) return nullptr;
  enter_quiet_mode(in);
  if (!string_source_load_line(in, text, length)) {
    end_call(call);
    return nullptr;
  }
  CodeBuffer out;
  CompileActions actions{out};
  DeferredNames deferred;
  StackEntryOf<CompileValue> first_entries[PARSER_INITIAL_DEPTH];
  in.deferring = &deferred;
  int result = parse_with(in, actions, first_entries, PARSER_INITIAL_DEPTH);
  in.deferring = nullptr;
  const char* message = quiet_error_message(in);
  take_quiet_error(in);
  CompiledProgram* program = nullptr;
  if (!message && result == PARSE_ACCEPTED && !out.out_of_memory) {
    actions.finish();
    if (!out.out_of_memory && make_deferred_names(in, deferred, out)) {
      join_steps(out);
      program = new_program(in, out, actions.has_line);
    }
  }
  release_deferred_names(deferred);
  release_bytes(out.code);
  // Where the error lies, for a fault of the text's; running out of memory
  // is none, and its offset stays 0.
  if (program) {
    error_offset = NO_ERROR_OFFSET;
    in.last_failure = nullptr;
  } else if (message && !out.out_of_memory && std::strncmp(message, OUT_OF_MEMORY_MESSAGE, sizeof OUT_OF_MEMORY_MESSAGE - 1) != 0) {
    error_offset = static_cast<TextOffset>(std::min(string_source_token_start(in), length));
    in.last_failure = message;
  }
  end_call(call);
  return program;
}

void program_free(CompiledProgram* program) {
  if (!program) return;
  if (program->runs_under_way > 0) {
    program->free_when_idle = true;
    return;
  }
  release_bytes(program->code);
  release_bytes(program->own_stack);
  release_bytes(program);
}

}  // namespace ziffralon
