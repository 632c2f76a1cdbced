#include "session.h"

#include <cstring>

#include "console_io.h"
#include "help_text.h"
#include "interpreter.h"
#include "parser.h"
#include "render.h"
#include "symbols.h"

namespace ziffralon {

namespace {

constexpr int RESULT_DIGITS = 10;
constexpr int VERSION_DIGITS = 3;

void write_number(double number, int digits) {
  char text[RENDER_BUFFER_SIZE];
  console_write(text, render_number(number, digits, text));
}

// Appends `text` to a bounded, NUL-terminated buffer; returns the new length.
std::size_t append_text(char* buffer, std::size_t size, std::size_t length, const char* text) {
  std::size_t room = size - 1 - length;
  std::size_t count = std::strlen(text);
  if (count > room) count = room;
  std::memcpy(buffer + length, text, count);
  buffer[length + count] = '\0';
  return length + count;
}

// Fills `buffer` (of `size` bytes, NUL-terminated, truncated if too small) with
// the help text; returns its length.
std::size_t build_help_text(InterpreterState& in, char* buffer, std::size_t size) {
  if (size == 0) return 0;
  buffer[0] = '\0';
  std::size_t length = 0;
  for (const char* paragraph : HELP_PARAGRAPHS) length = append_text(buffer, size, length, paragraph);
  for (const Symbol* symbol = symbol_newest_function(in); symbol; symbol = symbol->next) {
    if (symbol->kind != TOK_FUNCTION) continue;
    length = append_text(buffer, size, length, symbol_name(symbol));
    length = append_text(buffer, size, length, "() ");
  }
  return length;
}

}  // namespace

void report_value(InterpreterState& in, double number) {
  if (!in.session.console_mode) {
    in.session.last_result = number;
    return;
  }
  // One write per value: a batch spends much of its time here.
  char line[1 + RENDER_BUFFER_SIZE + 1];
  line[0] = '\t';
  std::size_t length = 1 + render_number(number, RESULT_DIGITS, line + 1);
  line[length++] = '\n';
  console_write(line, length);
  console_line_answered();
}

void report_error(InterpreterState& in, const char* message) {
  if (!in.session.console_mode) {
    if (!in.session.quiet_error) in.session.quiet_error_message = message;
    in.session.quiet_error = true;
    return;
  }
  // Once output is gone the input ends, maybe inside a line that then reads
  // as a "parse error": that message reaches nobody and is not one the user
  // made, so `ziffralon FILE | head -1` ends with status 0.
  if (!console_output_dropped()) ++in.session.console_errors;
  console_write_text(message);
  console_write("\n", 1);
  console_line_answered();
}

std::uint64_t console_error_count(const InterpreterState& in) { return in.session.console_errors; }

void print_banner(InterpreterState& in) {
  if (!in.session.console_mode) return;
  console_write_text("\n## ZIFFRALON V");
  write_number(PROGRAM_VERSION, VERSION_DIGITS);
  console_write_text(" ##\r\n\r\n");
}

void show_help(InterpreterState& in) {
  if (!in.session.console_mode) return;
  print_banner(in);
  char text[HELP_BUFFER_SIZE];
  console_write(text, build_help_text(in, text, sizeof text));
  console_write_text("\r\n\r\n");
  console_line_answered();
}

void list_variables(InterpreterState& in) {
  if (!in.session.console_mode) return;
  for (const Symbol* symbol = symbol_head(in); symbol; symbol = symbol->next) {
    if (symbol->kind != TOK_VARIABLE) continue;
    console_write_text(symbol_name(symbol));
    console_write("\t= ", 3);
    write_number(*symbol->cell, RESULT_DIGITS);
    console_write("\n", 1);
  }
  console_line_answered();
}

void enter_quiet_mode(InterpreterState& in) { in.session.console_mode = false; }

bool take_quiet_error(InterpreterState& in) {
  bool raised = in.session.quiet_error;
  in.session.quiet_error = false;
  return raised;
}

const char* quiet_error_message(const InterpreterState& in) {
  return in.session.quiet_error ? in.session.quiet_error_message : nullptr;
}

bool run_console_session(InterpreterState& in) {
  in.session.console_mode = true;
  return parse_input(in) == 0;
}

}  // namespace ziffralon
