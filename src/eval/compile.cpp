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
#include <cstring>

#include "../core/builtins.h"
#include "../core/parse_loop.h"
#include "program.h"

namespace ziffralon {

namespace {

enum class ValueKind : std::uint8_t { OTHER, CONSTANT, VARIABLE, CODE };

struct CompileValue {
  SemanticValue token;  // CONSTANT: the number; VARIABLE and OTHER: the symbol, if any
  std::uint32_t start;  // CODE: where its instructions begin
  ValueKind kind;
  bool effects;  // CODE: it assigns or calls a host's function
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

constexpr Opcode first_form(Operator op) {
  switch (op) {
    case Operator::ADD: return OP_ADD_S;
    case Operator::SUBTRACT: return OP_SUBTRACT_S;
    case Operator::MULTIPLY: return OP_MULTIPLY_S;
    case Operator::DIVIDE: return OP_DIVIDE_S;
    case Operator::POWER: return OP_POWER_S;
    case Operator::BINOMIAL: return OP_BINOMIAL_S;
    case Operator::NEGATE: return OP_NEGATE;
    case Operator::PERCENT: return OP_PERCENT;
    case Operator::FACTORIAL: return OP_FACTORIAL;
  }
  return OP_END;
}

constexpr Opcode form(Operator op, OperandForm operand) { return static_cast<Opcode>(static_cast<std::uint32_t>(first_form(op)) + static_cast<std::uint32_t>(operand)); }

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
  void emit(Instruction instruction) { insert(out.size, instruction); }
  static Instruction with_constant(Opcode opcode, double constant) {
    Instruction i{opcode, {}};
    i.constant = constant;
    return i;
  }
  static Instruction with_cell(Opcode opcode, double* cell) {
    Instruction i{opcode, {}};
    i.cell = cell;
    return i;
  }
  static Instruction with_operand(Opcode constant_form, const Value& v) {
    return v.kind == ValueKind::CONSTANT ? with_constant(constant_form, v.token.number)
                                         : with_cell(static_cast<Opcode>(constant_form + 1), v.token.symbol->cell);
  }
  static Value constant(double number) {
    Value v{};
    v.token.number = number;
    v.kind = ValueKind::CONSTANT;
    return v;
  }
  static Value code_from(std::size_t start, bool effects) {
    Value v{};
    v.start = static_cast<std::uint32_t>(start);
    v.kind = ValueKind::CODE;
    v.effects = effects;
    return v;
  }

  // A constant or variable into the accumulator, the value there (if any)
  // going onto the stack.
  Value materialise(const Value& v) {
    if (v.kind == ValueKind::CODE) return v;
    std::size_t start = out.size;
    emit(with_operand(live > 0 ? OP_PUSH_C : OP_LOAD_C, v));
    ++live;
    return code_from(start, false);
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
    emit(with_cell(OP_STORE, target.token.symbol->cell));
    code.effects = true;
    return code;
  }
  Value call(const Value& function, const Value& argument) {
    MathFunction f = function.token.symbol->value.function;
    bool builtin = is_builtin(f);
    if (builtin && argument.kind == ValueKind::CONSTANT) return constant(f(argument.token.number));
    Value code = materialise(argument);
    Instruction i{OP_CALL, {}};
    i.function = f;
    emit(i);
    code.effects |= !builtin;
    return code;
  }
  template <Operator OP>
  Value unary(const Value& a) {
    if (a.kind == ValueKind::CONSTANT) return constant(apply_unary<OP>(a.token.number));
    Value code = materialise(a);
    emit(Instruction{first_form(OP), {}});
    return code;
  }
  template <Operator OP>
  Value binary(const Value& a, const Value& b) {
    if (a.kind == ValueKind::CONSTANT && b.kind == ValueKind::CONSTANT)
      return constant(apply_binary<OP>(a.token.number, b.token.number));
    if (b.kind != ValueKind::CODE) {
      Value code = materialise(a);
      emit(with_operand(form(OP, FORM_C), b));
      return code;
    }
    if (a.kind == ValueKind::CODE) {
      emit(Instruction{form(OP, FORM_S), {}});
      --live;
      return code_from(a.start, a.effects || b.effects);
    }
    if (a.kind == ValueKind::CONSTANT || !b.effects) {
      emit(with_operand(form(OP, FORM_CL), a));
      return b;
    }
    // b's code may change the variable: read it before that code runs. b's
    // first instruction loaded into a free accumulator if no value was
    // waiting; now a's value is.
    if (live == 1) out.code[b.start].opcode = static_cast<Opcode>(out.code[b.start].opcode + (OP_PUSH_C - OP_LOAD_C));
    insert(b.start, with_cell(live == 1 ? OP_LOAD_V : OP_PUSH_V, a.token.symbol->cell));
    emit(Instruction{form(OP, FORM_S), {}});
    return code_from(b.start, true);
  }

  // The last expression line's value into the accumulator, then the end.
  void finish() {
    if (has_line && last_line.kind != ValueKind::CODE) {
      live = 0;
      materialise(last_line);
    }
    emit(Instruction{OP_END, {}});
  }
};

// How many values wait on the stack at most while `code` runs.
std::size_t stack_needed(const Instruction* code, std::size_t size) {
  long waiting = 0, most = 0;
  for (std::size_t i = 0; i < size; ++i) {
    Opcode op = code[i].opcode;
    if (op == OP_PUSH_C || op == OP_PUSH_V) ++waiting;
    if (op >= OP_ADD_S && (op - OP_ADD_S) % 5 == FORM_S) --waiting;
    if (waiting > most) most = waiting;
  }
  return static_cast<std::size_t>(most);
}

bool has_cell(Opcode op) {
  if (op == OP_LOAD_V || op == OP_PUSH_V || op == OP_STORE) return true;
  if (op < OP_ADD_S) return false;
  unsigned operand = (op - OP_ADD_S) % 5;
  return operand == FORM_V || operand == FORM_VL;
}

// The names met for the first time become variables; the instructions that
// name them get their real places. False when out of memory.
bool make_deferred_names(InterpreterState& in, DeferredNames& deferred, CodeBuffer& out) {
  for (std::size_t d = 0; d < deferred.count; ++d) {
    Symbol* waiting = deferred.records[d];
    Symbol* real = symbol_intern(in, symbol_name(waiting), waiting->length);
    if (!real) return false;
    for (std::size_t i = 0; i < out.size; ++i)
      if (has_cell(out.code[i].opcode) && out.code[i].cell == waiting->cell) out.code[i].cell = real->cell;
  }
  return true;
}

CompiledProgram* new_program(InterpreterState& in, CodeBuffer& out, bool has_result) {
  auto* program = static_cast<CompiledProgram*>(allocate_bytes(sizeof(CompiledProgram)));
  if (!program) return nullptr;
  *program = CompiledProgram{&in, out.code, out.size, stack_needed(out.code, out.size), nullptr, has_result};
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

CompiledProgram* compile_program(InterpreterState& in, const char* text, std::size_t length, long& error_offset) {
  error_offset = 0;
  enter_quiet_mode(in);
  if (!string_source_load_line(in, text, length)) return nullptr;
  CodeBuffer out;
  CompileActions actions{out};
  DeferredNames deferred;
  StackEntryOf<CompileValue> first_entries[PARSER_INITIAL_DEPTH];
  in.deferring = &deferred;
  int result = parse_with(in, actions, first_entries, PARSER_INITIAL_DEPTH);
  in.deferring = nullptr;
  bool failed = take_quiet_error(in) || result != PARSE_ACCEPTED || out.out_of_memory;
  CompiledProgram* program = nullptr;
  if (!failed) {
    actions.finish();
    if (!out.out_of_memory && make_deferred_names(in, deferred, out)) program = new_program(in, out, actions.has_line);
  }
  release_deferred_names(deferred);
  release_bytes(out.code);
  long offset = std::min<long>(string_source_token_start(in), static_cast<long>(length));
  error_offset = program ? -1 : offset;
  return program;
}

void program_free(CompiledProgram* program) {
  if (!program) return;
  release_bytes(program->code);
  release_bytes(program->own_stack);
  release_bytes(program);
}

}  // namespace ziffralon
