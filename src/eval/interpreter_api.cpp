// The C calls on interpreters of a host's own. None takes the library's lock:
// an interpreter is used by one thread at a time.
#include <cstring>

#include "../core/interpreter.h"
#include "evaluate.h"

using ziffralon::InterpreterState;
using ziffralon::Symbol;

namespace {

InterpreterState* record_of(ziffralon_interpreter* interpreter) { return reinterpret_cast<InterpreterState*>(interpreter); }

// The symbol `name` names, if it is an identifier: created as a variable when
// `create` and new. nullptr for no identifier, an unknown name not to be
// created, or when out of memory.
Symbol* named_symbol(InterpreterState& in, const char* name, bool create) {
  if (!name) return nullptr;
  std::size_t length = strnlen(name, ziffralon::IDENTIFIER_LIMIT + 1);
  if (!ziffralon::is_identifier(name, length)) return nullptr;
  return create ? ziffralon::symbol_intern(in, name, length) : ziffralon::symbol_lookup_length(in, name, length);
}

Symbol* named_variable(InterpreterState& in, const char* name, bool create) {
  Symbol* symbol = named_symbol(in, name, create);
  return symbol && symbol->kind == ziffralon::TOK_VARIABLE ? symbol : nullptr;
}

}  // namespace

ziffralon_interpreter* ziffralon_interpreter_new(void) {
  return reinterpret_cast<ziffralon_interpreter*>(ziffralon::interpreter_new());
}

void ziffralon_interpreter_free(ziffralon_interpreter* interpreter) { ziffralon::interpreter_free(record_of(interpreter)); }

int ziffralon_interpreter_evaluate(ziffralon_interpreter* interpreter, const char* text, double* result,
                                   long* error_offset) {
  InterpreterState* in = record_of(interpreter);
  double unwanted;
  long offset = 0;
  bool succeeded = in && text &&
                   ziffralon::evaluate_loaded_text(*in, text, std::strlen(text), result ? *result : unwanted, offset);
  if (error_offset) *error_offset = offset;
  return succeeded;
}

int ziffralon_interpreter_set_variable(ziffralon_interpreter* interpreter, const char* name, double value) {
  InterpreterState* in = record_of(interpreter);
  Symbol* symbol = in ? named_variable(*in, name, true) : nullptr;
  if (symbol) *symbol->cell = value;
  return symbol != nullptr;
}

int ziffralon_interpreter_get_variable(ziffralon_interpreter* interpreter, const char* name, double* value) {
  InterpreterState* in = record_of(interpreter);
  Symbol* symbol = in ? named_variable(*in, name, false) : nullptr;
  if (symbol && value) *value = *symbol->cell;
  return symbol != nullptr;
}

int ziffralon_interpreter_bind_variable(ziffralon_interpreter* interpreter, const char* name, double* where) {
  InterpreterState* in = record_of(interpreter);
  Symbol* symbol = in && where ? named_variable(*in, name, true) : nullptr;
  if (symbol) symbol->cell = where;
  return symbol != nullptr;
}

int ziffralon_interpreter_define_function(ziffralon_interpreter* interpreter, const char* name,
                                          double (*function)(double)) {
  InterpreterState* in = record_of(interpreter);
  if (!in || !function || !name) return 0;
  std::size_t length = strnlen(name, ziffralon::IDENTIFIER_LIMIT + 1);
  if (!ziffralon::is_identifier(name, length) || ziffralon::symbol_lookup_length(*in, name, length)) return 0;
  Symbol* symbol = ziffralon::symbol_insert(*in, name, ziffralon::TOK_FUNCTION);
  if (symbol) symbol->value.function = function;
  return symbol != nullptr;
}

long ziffralon_interpreter_list_variables(ziffralon_interpreter* interpreter,
                                          void (*visit)(const char* name, double value, void* context),
                                          void* context) {
  InterpreterState* in = record_of(interpreter);
  if (!in) return 0;
  long count = 0;
  for (const Symbol* symbol = ziffralon::symbol_head(*in); symbol; symbol = symbol->next) {
    if (symbol->kind != ziffralon::TOK_VARIABLE) continue;
    if (visit) visit(ziffralon::symbol_name(symbol), *symbol->cell, context);
    ++count;
  }
  return count;
}
