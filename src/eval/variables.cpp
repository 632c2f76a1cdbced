// Host access to the interpreter's variables, by name.
#include "../core/interpreter.h"
#include "../core/token_source.h"
#include "evaluate.h"

namespace ziffralon {

bool set_variable(std::string_view name, double value) {
  if (!is_identifier(name.data(), name.size())) return false;
  std::lock_guard<std::mutex> lock(library_mutex);
  // The start-up symbols come first, so that a host's "pi" is the calculator's
  // pi and "sin" is already known as a function.
  if (!install_initial_symbols(default_interpreter)) return false;
  Symbol* symbol = symbol_intern(default_interpreter, name.data(), name.size());
  if (!symbol || symbol->kind != TOK_VARIABLE) return false;
  *symbol->cell = value;
  return true;
}

std::optional<double> get_variable(std::string_view name) {
  if (!is_identifier(name.data(), name.size())) return std::nullopt;
  std::lock_guard<std::mutex> lock(library_mutex);
  if (!install_initial_symbols(default_interpreter)) return std::nullopt;
  Symbol* symbol = symbol_lookup_length(default_interpreter, name.data(), name.size());
  if (!symbol || symbol->kind != TOK_VARIABLE) return std::nullopt;
  return *symbol->cell;
}

}  // namespace ziffralon
