#include "evaluate.h"

#include <cstring>

#include "../core/parser.h"
#include "../core/session.h"
#include "../core/symbols.h"

namespace ziffralon {

bool evaluate_string(const char* text, double& result) {
  if (!text) return false;
  std::size_t length = strnlen(text, EVALUATE_MAX_TEXT + 1);
  if (length > EVALUATE_MAX_TEXT) return false;
  if (!install_initial_symbols()) return false;

  session.console_mode = false;
  // The newline lets a final expression without its own terminator form a line.
  char line[EVALUATE_MAX_TEXT + 1];
  std::memcpy(line, text, length);
  line[length] = '\n';
  string_source_load(line, length + 1);
  parse_input();
  result = session.last_result;
  bool succeeded = !session.quiet_error;
  session.quiet_error = false;
  return succeeded;
}

void run_closing_evaluations() {
  static const char* const CLOSING_TEXTS[] = {
      "pi",
      ",.-34590dfsmfs\xDF"
      "243+\xFC#+\xFC+\xFC+\xFC",
      "a = 3\n b = 4\n a * b",
      "r1=3; r2=6; r3=12; k3=kf(r3);",
      "r=12; f=kf(r); p=f*50%",
  };
  double result = 0.0;
  for (const char* text : CLOSING_TEXTS) evaluate_string(text, result);
}

}  // namespace ziffralon
