// The line editor's history kept between sessions: the lines entered at the
// terminal, one per line of a file, as the bytes that were typed.
//
// Each entered line goes to the file at once (a crash or kill loses nothing
// entered), appended under the file's lock, so sessions at several terminals
// lose none of each other's lines; the file keeps the newest
// HISTORY_FILE_LINES. A file that cannot be used is said once on standard
// error, and the session goes on keeping no file; nothing is ever waited for
// long.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ziffralon {

constexpr std::size_t HISTORY_FILE_LINES = 1000;
// A longer line stays in the session's history but not in the file; a file
// that holds one (or a NUL byte) is no history file and is left alone.
constexpr std::size_t HISTORY_LINE_LIMIT = 4096;

struct HistoryFile {
  std::string name;       // empty: no file is kept
  std::string last_line;  // the newest line in the file, as far as this session knows
  std::size_t lines = 0;  // in the file, as far as this session knows
};

// Chooses the file (ZIFFRALON_HISTORY, else $XDG_STATE_HOME/ziffralon/history,
// else ~/.local/state/ziffralon/history; none when `wanted` is false or
// ZIFFRALON_HISTORY is empty) and reads its lines, oldest first.
HistoryFile history_file_open(bool wanted, std::vector<std::string>& lines);

// Appends `line` (without its newline) unless it is blank, the same as the
// line before it, too long, or holds a NUL byte.
void history_file_append(HistoryFile& history, const std::string& line);

}  // namespace ziffralon
