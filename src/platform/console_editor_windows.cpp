// Line input at a Windows console: the console edits the line itself (arrows,
// F7 for the history, Esc), and the finished line becomes console input as
// from a pipe, in UTF-8. A line holding only Ctrl+Z ends the session, as the
// help text says; Ctrl+C drops the line being typed and the session goes on;
// Ctrl+Break and closing the window stop it as SIGTERM does elsewhere.
#include <windows.h>

#include <csignal>
#include <cstring>
#include <string>

#include "cli/line_editor.h"
#include "core/console_io.h"
#include "platform/platform.h"

namespace ziffralon {

namespace {

constexpr DWORD READ_UNITS = 4096;  // UTF-16 units asked for at a time; longer lines come in pieces
constexpr char END_OF_INPUT_LINE[] = "\x1a\n";

struct ConsoleEditor {
  HANDLE input;
  bool running;
  std::string line;  // the finished line, handed to the console in pieces
  std::size_t line_given;
};

ConsoleEditor console_editor;
volatile LONG line_interrupted;

// Registered after the stop handler, so asked first: Ctrl+C is the editor's,
// every other event goes on to the stop handler.
BOOL WINAPI on_interrupt(DWORD event) {
  if (event != CTRL_C_EVENT) return FALSE;
  InterlockedExchange(&line_interrupted, 1);
  return TRUE;
}

void echo(const char* text) { platform_write(PLATFORM_STDOUT, text, std::strlen(text)); }

// Appends `units` to `line` in UTF-8; a high surrogate at the end waits in
// `pending` for its partner from the next read.
void append_utf8(std::string& line, std::wstring& pending, const wchar_t* units, DWORD count) {
  pending.append(units, count);
  std::size_t whole = pending.size();
  if (whole > 0 && IS_HIGH_SURROGATE(pending[whole - 1])) --whole;
  if (whole == 0) return;
  int size = WideCharToMultiByte(CP_UTF8, 0, pending.data(), static_cast<int>(whole), nullptr, 0, nullptr, nullptr);
  std::size_t at = line.size();
  line.resize(at + static_cast<std::size_t>(size));
  WideCharToMultiByte(CP_UTF8, 0, pending.data(), static_cast<int>(whole), line.data() + at, size, nullptr, nullptr);
  pending.erase(0, whole);
}

enum class LineRead { LINE, INTERRUPTED, END };

// A read that Ctrl+C or Ctrl+Break cut short returns before the event's
// handler, which runs on a thread of its own, has noted it.
LineRead after_interruption() {
  for (int waited = 0; waited < 100 && !line_interrupted && !console_stop_signal; ++waited) Sleep(10);
  if (console_stop_signal) return LineRead::END;
  InterlockedExchange(&line_interrupted, 0);
  return LineRead::INTERRUPTED;
}

// Reads until the line's end.
LineRead read_whole_line(std::string& line) {
  std::wstring pending;
  wchar_t units[READ_UNITS];
  line.clear();
  while (line.empty() || line.back() != '\n') {
    DWORD count = 0;
    if (!ReadConsoleW(console_editor.input, units, READ_UNITS, &count, nullptr)) {
      if (GetLastError() == ERROR_OPERATION_ABORTED) return after_interruption();
      return LineRead::END;  // the console is gone
    }
    if (count == 0 || line_interrupted || console_stop_signal) return after_interruption();
    append_utf8(line, pending, units, count);
  }
  // The console ends each line with CR LF; the calculator sees one "\n".
  if (line.size() >= 2 && line[line.size() - 2] == '\r') line.erase(line.size() - 2, 1);
  return LineRead::LINE;
}

// Reads the next line; false at the end of input.
bool next_line() {
  for (;;) {
    // A Ctrl+C that came while the last line was computed is shown, as it
    // is at a terminal, and cancels nothing yet to be typed: only one that
    // comes during the read drops the line that read gives.
    if (InterlockedExchange(&line_interrupted, 0)) echo("^C\n");
    switch (read_whole_line(console_editor.line)) {
      case LineRead::LINE:
        console_editor.line_given = 0;
        return console_editor.line != END_OF_INPUT_LINE;
      case LineRead::INTERRUPTED: echo("^C\n"); break;  // a fresh line begins
      case LineRead::END: return false;
    }
  }
}

}  // namespace

// Only when both are consoles: the editor's echo (its "^C") belongs on the
// screen, never in a file that standard output was redirected to, where plain
// reading leaves Ctrl+C a stop event as on a pipe.
bool line_editor_start() {
  if (!platform_is_terminal(PLATFORM_STDIN) || !platform_is_terminal(PLATFORM_STDOUT)) return false;
  console_editor.input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  GetConsoleMode(console_editor.input, &mode);
  // The console's own line editing, with echo, and Ctrl+C as an event.
  SetConsoleMode(console_editor.input, mode | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
  SetConsoleCtrlHandler(on_interrupt, TRUE);
  console_editor.running = true;
  return true;
}

std::size_t line_editor_read(unsigned char* into, std::size_t room) {
  if (console_editor.line_given == console_editor.line.size() && !next_line()) return 0;
  return hand_out_line(console_editor.line, console_editor.line_given, into, room);
}

void line_editor_end() {
  if (!console_editor.running) return;
  // After a stop event the process ends next, and the handler of a closing
  // window may be waiting for that while the system holds the list of
  // handlers, which removing one would wait for in turn.
  if (!console_stop_signal) SetConsoleCtrlHandler(on_interrupt, FALSE);
  console_editor.running = false;
}

}  // namespace ziffralon
