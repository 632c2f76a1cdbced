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
  ziffralon::TextOffset offset = 0;
  bool succeeded = in && text &&
                   ziffralon::evaluate_loaded_text(*in, text, std::strlen(text), result ? *result : unwanted, offset);
  if (error_offset) *error_offset = ziffralon::offset_for_caller(offset);
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

namespace {

// A new function record for `name`, or nullptr when `name` is no identifier,
// is known already, or memory runs out.
Symbol* new_function(InterpreterState* in, const char* name) {
  if (!in || !name) return nullptr;
  std::size_t length = strnlen(name, ziffralon::IDENTIFIER_LIMIT + 1);
  if (!ziffralon::is_identifier(name, length) || ziffralon::symbol_lookup_length(*in, name, length)) return nullptr;
  return ziffralon::symbol_insert(*in, name, ziffralon::TOK_FUNCTION);
}

}  // namespace

int ziffralon_interpreter_define_function(ziffralon_interpreter* interpreter, const char* name,
                                          double (*function)(double)) {
  Symbol* symbol = function ? new_function(record_of(interpreter), name) : nullptr;
  if (symbol) symbol->value.function = function;
  return symbol != nullptr;
}

int ziffralon_interpreter_define_function_with_data(ziffralon_interpreter* interpreter, const char* name,
                                                    double (*function)(double x, void* data), void* data,
                                                    void (*release)(void* data)) {
  InterpreterState* in = record_of(interpreter);
  if (!in || !function || !name) return 0;
  // The record comes first: the name's checks are then made once, and a
  // record that finds no room for its data is no worse than an unused name.
  auto* host = static_cast<ziffralon::HostFunction*>(ziffralon::allocate_bytes(sizeof(ziffralon::HostFunction)));
  if (!host) return 0;
  Symbol* symbol = new_function(in, name);
  if (!symbol) {
    ziffralon::release_bytes(host);
    return 0;
  }
  *host = ziffralon::HostFunction{function, data, release};
  symbol->cell = nullptr;
  symbol->value.host = host;
  return 1;
}

long ziffralon_interpreter_list_variables(ziffralon_interpreter* interpreter,
                                          void (*visit)(const char* name, double value, void* context),
                                          void* context) {
  InterpreterState* in = record_of(interpreter);
  if (!in) return 0;
  ziffralon::InterpreterCall call;
  ziffralon::begin_call(*in, call, false);  // visit may call back; a new name goes in before the one visited
  long count = 0;
  for (const Symbol* symbol = ziffralon::symbol_head(*in); symbol; symbol = symbol->next) {
    if (symbol->kind != ziffralon::TOK_VARIABLE) continue;
    if (visit) visit(ziffralon::symbol_name(symbol), *symbol->cell, context);
    ++count;
  }
  ziffralon::end_call(call);
  return count;
}

const char* ziffralon_interpreter_last_error(ziffralon_interpreter* interpreter) {
  InterpreterState* in = record_of(interpreter);
  return in ? in->last_failure : nullptr;
}
