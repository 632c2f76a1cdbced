// The C calls: the C++ ones under the prefix ziffralon_, with pointers for
// references and ints for bools.
#include <cstring>

#include "../core/session.h"
#include "../core/token_source.h"
#include "evaluate.h"

// The banner shows the same version as the header announces.
static_assert(ZIFFRALON_VERSION_MAJOR + ZIFFRALON_VERSION_MINOR / 100.0 == ziffralon::PROGRAM_VERSION);

namespace {

// A NUL-terminated name as a view; a name too long to be an identifier is cut
// where it is already known to be too long, not read to its end.
std::string_view name_view(const char* name) {
  return std::string_view(name, strnlen(name, ziffralon::IDENTIFIER_LIMIT + 1));
}

}  // namespace

int ziffralon_evaluate(const char* text, double* result, long* error_offset) {
  double unwanted;
  ziffralon::TextOffset offset;
  bool succeeded = ziffralon::evaluate_text(text, result ? *result : unwanted, offset);
  if (error_offset) *error_offset = ziffralon::offset_for_caller(offset);
  return succeeded;
}

int ziffralon_set_variable(const char* name, double value) {
  return name && ziffralon::set_variable(name_view(name), value);
}

int ziffralon_get_variable(const char* name, double* value) {
  if (!name) return 0;
  std::optional<double> found = ziffralon::get_variable(name_view(name));
  if (found && value) *value = *found;
  return found.has_value();
}

const char* ziffralon_version(void) { return ZIFFRALON_VERSION_STRING; }
