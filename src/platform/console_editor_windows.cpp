// Line input at a Windows console: the console edits the line itself (arrows,
// F7 for the history, Esc), and the finished line becomes console input as
// from a pipe, in UTF-8. Tab completes names as at a terminal: the console's
// read returns at it and starts again with the completed text. A line holding only Ctrl+Z ends the session, as the
// help text says; Ctrl+C drops the line being typed and the session goes on;
// Ctrl+Break and closing the window stop it as SIGTERM does elsewhere.
#include <windows.h>

#include <csignal>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/line_editor.h"
#include "cli/name_completion.h"
#include "core/console_io.h"
#include "core/interpreter.h"
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
  std::wstring after_tab;  // the line as the last Tab left it, to tell a second Tab in a row
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

std::string in_utf8(const std::wstring& text) {
  std::string bytes;
  std::wstring pending;
  append_utf8(bytes, pending, text.data(), static_cast<DWORD>(text.size()));
  return bytes;
}

// The candidates below the line, which is then shown again up to the cursor.
void list_candidates(const std::vector<std::string>& candidates, const std::wstring& before) {
  std::string listing = "\n";
  for (const std::string& candidate : candidates) listing += candidate + (&candidate == &candidates.back() ? "\n" : "  ");
  echo((listing + in_utf8(before)).c_str());
}

void add_key(std::vector<INPUT_RECORD>& keys, wchar_t character, WORD virtual_key) {
  for (BOOL down : {TRUE, FALSE}) {
    INPUT_RECORD key{};
    key.EventType = KEY_EVENT;
    key.Event.KeyEvent.bKeyDown = down;
    key.Event.KeyEvent.wRepeatCount = 1;
    key.Event.KeyEvent.wVirtualKeyCode = virtual_key;
    key.Event.KeyEvent.uChar.UnicodeChar = character;
    keys.push_back(key);
  }
}

// The read starts again with the text before the cursor only: what stood
// after it is typed once more, and the cursor walks back to where it was.
// Keys typed after the Tab, already waiting, come after those.
void type_again(const std::wstring& rest) {
  std::vector<INPUT_RECORD> keys;
  for (wchar_t character : rest) add_key(keys, character, 0);
  for (std::size_t left = 0; left < rest.size(); ++left) add_key(keys, 0, VK_LEFT);
  DWORD waiting = 0, taken = 0, written = 0;
  GetNumberOfConsoleInputEvents(console_editor.input, &waiting);
  std::size_t ours = keys.size();
  keys.resize(ours + waiting);
  if (waiting == 0 || !ReadConsoleInputW(console_editor.input, keys.data() + ours, waiting, &taken)) taken = 0;
  keys.resize(ours + taken);
  WriteConsoleInputW(console_editor.input, keys.data(), static_cast<DWORD>(keys.size()), &written);
}

// The console's read returned at a Tab, with the line so far and the Tab
// where the cursor stood. Completes the name before it as at a terminal,
// shows what was added, and leaves in `units` the text the read starts again
// with; returns its length.
DWORD complete_at_tab(wchar_t* units, DWORD count) {
  std::wstring line(units, count);
  std::size_t cursor = line.find(L'\t');
  line.erase(cursor, 1);
  bool again = line == console_editor.after_tab;
  std::size_t start = completed_name_start(line.data(), cursor, line.size());
  std::string prefix;  // a name's characters are ASCII
  for (std::size_t at = start; at < cursor; ++at) prefix += static_cast<char>(line[at]);
  std::vector<std::string> candidates;
  if (start < cursor) candidates = name_completions(default_interpreter, prefix);
  std::string common = common_beginning(candidates);
  std::wstring rest = line.substr(cursor);
  std::wstring before = line.substr(0, cursor);
  if (common.size() > prefix.size()) {
    std::string added = common.substr(prefix.size());
    echo(added.c_str());
    before.append(added.begin(), added.end());
  } else if (candidates.size() > 1 && again) {
    list_candidates(candidates, before);
  }
  console_editor.after_tab = before + rest;
  if (!rest.empty()) type_again(rest);
  std::memcpy(units, before.data(), before.size() * sizeof(wchar_t));
  return static_cast<DWORD>(before.size());
}

// A read with a Tab in it and no end of line returned at that Tab.
bool returned_at_tab(const wchar_t* units, DWORD count) {
  return std::wstring_view(units, count).find(L'\t') != std::wstring_view::npos &&
         std::wstring_view(units, count).find(L'\n') == std::wstring_view::npos;
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
  console_editor.after_tab.clear();
  // Until the line is entered the read returns at each Tab too.
  CONSOLE_READCONSOLE_CONTROL at_tab{sizeof at_tab, 0, 1UL << L'\t', 0};
  while (line.empty() || line.back() != '\n') {
    DWORD count = 0;
    bool editing = line.empty() && pending.empty();
    if (!ReadConsoleW(console_editor.input, units, READ_UNITS, &count, editing ? &at_tab : nullptr)) {
      if (GetLastError() == ERROR_OPERATION_ABORTED) return after_interruption();
      return LineRead::END;  // the console is gone
    }
    if (count == 0 || line_interrupted || console_stop_signal) return after_interruption();
    if (editing && returned_at_tab(units, count)) {
      at_tab.nInitialChars = complete_at_tab(units, count);
      continue;
    }
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
bool line_editor_start(bool) {
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
