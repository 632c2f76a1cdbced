#include "line_editor.h"

#include <termios.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/history_file.h"
#include "cli/libedit_calls.h"
#include "cli/line_editor_bytes.h"
#include "cli/line_editor_signals.h"
#include "cli/name_completion.h"
#include "core/console_io.h"
#include "core/interpreter.h"

namespace ziffralon {

namespace {

constexpr int HISTORY_SIZE = 1000;

// Ctrl+Z and Enter end the session, as the help text says.
constexpr char END_OF_INPUT_LINE[] = "\x1a\n";

constexpr char CANCEL_LINE[] = "ziffralon-cancel-line";
constexpr wchar_t CANCEL_LINE_WIDE[] = L"ziffralon-cancel-line";
constexpr char COMPLETE_NAME[] = "ziffralon-complete-name";
constexpr wchar_t COMPLETE_NAME_WIDE[] = L"ziffralon-complete-name";

constexpr int LISTING_WIDTH = 80;  // when the terminal does not say its width

// Key bindings beyond libedit's emacs defaults.
constexpr const char* KEY_BINDINGS[][2] = {
    {"^C", CANCEL_LINE},
    {"^Z", "ed-insert"},           // a character like any other, so that its line can end input
    {"^R", "em-inc-search-prev"},  // reverse search through the history
    {"^I", COMPLETE_NAME},
};

struct LineEditor {
  const LibeditCalls* libedit;
  EditLine* editor;
  HistoryW* history;
  TerminalBytes typed;
  std::string line;  // the edited line as bytes, handed to the console in pieces
  std::size_t line_given;
  HistoryFile kept;
  unsigned long characters_read;  // so far: tells a second Tab in a row from one typed later
  unsigned long tab_read;         // the count when the last Tab was read
};

LineEditor line_editor;
volatile std::sig_atomic_t line_interrupted;

void note_interrupt(int) { line_interrupted = 1; }

// Ctrl+C is a key while the editor has the terminal, read in turn with the
// keys typed before it, so it always cancels the line it ends. (A signal
// could come between the editor's check and its read, and go unnoticed.)
unsigned char cancel_line(EditLine*, int) {
  line_interrupted = 1;
  return CC_EOF;
}

// No prompt: apart from the echo of what is typed, the terminal shows what a
// pipe would.
const char* no_prompt(EditLine*) { return ""; }

bool usable_terminal() {
  const char* term = std::getenv("TERM");
  return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO) && term && *term && std::strcmp(term, "dumb") != 0;
}

// libedit would warn about a TERM its terminal library does not know and then
// edit blindly: such a terminal is read plainly instead, without a word.
bool known_terminal(const LibeditCalls& libedit) {
  char entry[4096];  // room for any termcap entry
  return libedit.tgetent(entry, std::getenv("TERM")) == 1;
}

bool reading_interrupted() { return line_interrupted || console_stop_signal; }

int read_character(EditLine*, wchar_t* into) {
  ++line_editor.characters_read;
  return read_terminal_character(line_editor.typed, into, reading_interrupted);
}

// SIGINT from elsewhere interrupts the read: no restart, so the editor gives
// up the line as for Ctrl+C.
void catch_interrupt() {
  struct sigaction action {};
  action.sa_handler = note_interrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
}

// libedit gives the terminal back in canonical mode after each line; keys typed
// or pasted while the line is computed would then meet the terminal's line
// limit and its special characters (Ctrl+C, Ctrl+R, Ctrl+Z). So the terminal
// stays as the editor set it (output is still translated) until the next line.
void keep_terminal_raw(EditLine* editor) { line_editor.libedit->el_set(editor, EL_PREP_TERM, 1); }

void echo(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

void remember_line(const wchar_t* text) {
  if (line_editor.line.find_first_not_of(" \t\n") == std::string::npos) return;
  HistEventW event;
  line_editor.libedit->history_w(line_editor.history, &event, H_ENTER, text);
  std::string line = line_editor.line;
  if (line.back() == '\n') line.pop_back();
  history_file_append(line_editor.kept, line);
}

// The candidates below the line, in rows as wide as the terminal; the editor
// then shows the line again.
void list_candidates(EditLine* editor, const std::vector<std::string>& candidates) {
  int width = 0;
  if (line_editor.libedit->el_get(editor, EL_GETTC, "co", &width, nullptr) != 0 || width <= 0) width = LISTING_WIDTH;
  std::string listing = "\n";
  std::size_t column = 0;
  for (const std::string& candidate : candidates) {
    if (column > 0 && column + 2 + candidate.size() >= static_cast<std::size_t>(width)) {
      listing += '\n';
      column = 0;
    }
    if (column > 0) listing += "  ";
    listing += candidate;
    column += (column > 0 ? 2 : 0) + candidate.size();
  }
  echo((listing + "\n").c_str());
}

// Tab: the name ending at the cursor grows by what all names that begin
// with it share; a second Tab in a row lists them when several do.
unsigned char complete_name(EditLine* editor, int) {
  bool again = line_editor.characters_read == line_editor.tab_read + 1;
  line_editor.tab_read = line_editor.characters_read;
  const LineInfoW* shown = line_editor.libedit->el_wline(editor);
  std::size_t cursor = static_cast<std::size_t>(shown->cursor - shown->buffer);
  std::size_t length = static_cast<std::size_t>(shown->lastchar - shown->buffer);
  std::size_t start = completed_name_start(shown->buffer, cursor, length);
  if (start == cursor) return CC_NORM;
  std::string prefix(shown->buffer + start, shown->buffer + cursor);  // a name's characters are ASCII
  std::vector<std::string> candidates = name_completions(default_interpreter, prefix);
  std::string common = common_beginning(candidates);
  if (common.size() > prefix.size()) {
    std::wstring added(common.begin() + static_cast<std::ptrdiff_t>(prefix.size()), common.end());
    line_editor.libedit->el_winsertstr(editor, added.c_str());
    return CC_REFRESH;
  }
  if (candidates.size() < 2 || !again) return CC_NORM;
  list_candidates(editor, candidates);
  return CC_REDISPLAY;
}

// Edits the next line; false at the end of input.
bool next_line() {
  while (!console_stop_signal) {
    // Ctrl+C, or SIGINT during the read or while the last line was computed:
    // a fresh line begins.
    if (line_interrupted) {
      line_interrupted = 0;
      echo("^C\n");
    }
    line_editor.libedit->el_resize(line_editor.editor);  // the window may have changed since the last line
    int count = 0;
    const wchar_t* text = line_editor.libedit->el_wgets(line_editor.editor, &count);
    std::fflush(stdout);  // libedit writes through stdio, the answers do not
    line_editor.line.clear();
    line_editor.line_given = 0;
    if (text) append_terminal_bytes(line_editor.line, text, count);
    if (text && line_editor.line != END_OF_INPUT_LINE) {
      keep_terminal_raw(line_editor.editor);
      remember_line(text);
      return true;
    }
    if (text || console_stop_signal) return false;
    if (line_interrupted) continue;
    // After libedit's "^D" the shell's prompt gets a line of its own.
    if (count == 0) echo("\n");
    return false;
  }
  return false;
}

// An editor that can edit on this terminal, or none.
EditLine* open_editor(const LibeditCalls& libedit) {
  EditLine* editor = libedit.el_init("ziffralon", stdin, stdout, stderr);
  int editing = 0;
  if (editor && libedit.el_get(editor, EL_EDITMODE, &editing) == 0 && editing) return editor;
  if (editor) libedit.el_end(editor);
  return nullptr;
}

// Wide, as the lines are: a narrow history would drop the escaped bytes.
HistoryW* session_history(const LibeditCalls& libedit) {
  HistoryW* list = libedit.history_winit();
  HistEventW event;
  libedit.history_w(list, &event, H_SETSIZE, HISTORY_SIZE);
  libedit.history_w(list, &event, H_SETUNIQUE, 1);
  return list;
}

void configure(const LibeditCalls& libedit, EditLine* editor, HistoryW* list) {
  libedit.el_wset(editor, EL_GETCFN, read_character);
  // el_set would take the history for a narrow one.
  libedit.el_wset(editor, EL_HIST, libedit.history_w, list);
  libedit.el_set(editor, EL_EDITOR, "emacs");
  libedit.el_set(editor, EL_PROMPT, no_prompt);
  // While the editor has the terminal, its INTR and SUSP characters raise no
  // signal: Ctrl+C and Ctrl+Z reach the editor as keys.
  libedit.el_set(editor, EL_SETTY, "-d", "-intr", "-susp", nullptr);
  // The wide form keeps our strings; the narrow one copies them and never
  // frees the copies.
  libedit.el_wset(editor, EL_ADDFN, CANCEL_LINE_WIDE, L"Drop the line being typed", cancel_line);
  libedit.el_wset(editor, EL_ADDFN, COMPLETE_NAME_WIDE, L"Complete the name before the cursor", complete_name);
  for (const auto& binding : KEY_BINDINGS) libedit.el_set(editor, EL_BIND, binding[0], binding[1], nullptr);
}

// The lines of earlier sessions, oldest first, as if typed in this one.
void recall_kept_lines(const LibeditCalls& libedit, HistoryW* list, bool keep_history) {
  std::vector<std::string> lines;
  console_flush();  // the banner first, then any word about the file
  line_editor.kept = history_file_open(keep_history, lines);
  HistEventW event;
  // With the newline, as the editor hands on the lines it enters itself.
  for (const std::string& line : lines)
    libedit.history_w(list, &event, H_ENTER, terminal_characters(line + '\n').c_str());
}

}  // namespace

bool line_editor_start(bool keep_history) {
  if (!usable_terminal()) return false;
  const LibeditCalls* libedit = libedit_load();
  termios found;
  if (!libedit || !known_terminal(*libedit) || tcgetattr(STDIN_FILENO, &found) != 0) return false;
  // Characters are shown as the terminal encodes them.
  std::setlocale(LC_CTYPE, "");
  EditLine* editor = open_editor(*libedit);
  if (!editor) {
    std::setlocale(LC_CTYPE, "C");
    return false;
  }
  line_editor.libedit = libedit;
  line_editor.editor = editor;
  line_editor.history = session_history(*libedit);
  recall_kept_lines(*libedit, line_editor.history, keep_history);
  configure(*libedit, editor, line_editor.history);
  catch_interrupt();
  restore_terminal_on_fatal_signals(found);
  keep_terminal_raw(editor);
  return true;
}

std::size_t line_editor_read(unsigned char* into, std::size_t room) {
  if (line_editor.line_given == line_editor.line.size() && !next_line()) return 0;
  return hand_out_line(line_editor.line, line_editor.line_given, into, room);
}

void line_editor_end() {
  if (!line_editor.editor) return;
  line_editor.libedit->el_end(line_editor.editor);
  line_editor.libedit->history_wend(line_editor.history);
  line_editor.editor = nullptr;
  release_fatal_signals();
}

}  // namespace ziffralon
