#include "session.h"

#include <cstring>

#include "console_io.h"
#include "help_text.h"
#include "parser.h"
#include "render.h"
#include "symbols.h"

namespace ziffralon {

SessionState session;

namespace {

constexpr int RESULT_DIGITS = 10;
constexpr int VERSION_DIGITS = 3;

unsigned long console_errors;  // messages printed; the program's exit status reads it

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
std::size_t build_help_text(char* buffer, std::size_t size) {
  if (size == 0) return 0;
  buffer[0] = '\0';
  std::size_t length = 0;
  for (const char* paragraph : HELP_PARAGRAPHS) length = append_text(buffer, size, length, paragraph);
  for (const Symbol* symbol = symbol_newest_function(); symbol; symbol = symbol->next) {
    if (symbol->kind != TOK_FUNCTION) continue;
    length = append_text(buffer, size, length, symbol->name);
    length = append_text(buffer, size, length, "() ");
  }
  return length;
}

}  // namespace

void report_value(double number) {
  if (!session.console_mode) {
    session.last_result = number;
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

void report_error(const char* message) {
  if (!session.console_mode) {
    session.quiet_error = true;
    return;
  }
  ++console_errors;
  console_write_text(message);
  console_write("\n", 1);
  console_line_answered();
}

unsigned long console_error_count() { return console_errors; }

void print_banner() {
  if (!session.console_mode) return;
  console_write_text("\n## ZIFFRALON V");
  write_number(PROGRAM_VERSION, VERSION_DIGITS);
  console_write_text(" ##\r\n\r\n");
}

void show_help() {
  if (!session.console_mode) return;
  print_banner();
  char text[HELP_BUFFER_SIZE];
  console_write(text, build_help_text(text, sizeof text));
  console_write_text("\r\n\r\n");
  console_line_answered();
}

void list_variables() {
  if (!session.console_mode) return;
  for (const Symbol* symbol = symbol_head(); symbol; symbol = symbol->next) {
    if (symbol->kind != TOK_VARIABLE) continue;
    console_write_text(symbol->name);
    console_write("\t= ", 3);
    write_number(symbol->value.number, RESULT_DIGITS);
    console_write("\n", 1);
  }
  console_line_answered();
}

void enter_quiet_mode() { session.console_mode = false; }

bool take_quiet_error() {
  bool raised = session.quiet_error;
  session.quiet_error = false;
  return raised;
}

bool run_console_session() {
  session.console_mode = true;
  return parse_input() == 0;
}

}  // namespace ziffralon
