// The line editor at a terminal.
//
// The user edits each line with the usual keys, walks the history with Up
// and Down, searches it backwards with Ctrl+R and completes names with Tab;
// the finished line, with its newline, becomes console input, so the parser
// and the token source read it as they read standard input, byte for byte as
// typed or pasted. The terminal is in raw mode while the editor holds it, so
// a line of any length arrives whole; a signal that ends the program gives
// the terminal back first. Where the system allows, the history is kept in a
// file between sessions (see cli/history_file.h).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace ziffralon {

// Starts the editor when standard input and standard output are terminals it
// can drive (TERM set, not "dumb", and known to the terminal database), and
// takes over SIGINT: Ctrl+C then cancels the line being typed and the session
// goes on. Returns false, having changed nothing, when it cannot start (or the
// program was built without it). Without `keep_history` no history file is
// read or written.
bool line_editor_start(bool keep_history);

// The console's input reader: the next edited line with its "\n", in pieces
// when it is longer than `room`. Returns 0 at the end of input: Ctrl+D on an
// empty line, a line holding only Ctrl+Z, a stop signal, or the terminal gone.
std::size_t line_editor_read(unsigned char* into, std::size_t room);

// Hands the finished `line` on to the console from byte `given` on, at most
// `room` bytes at a time, as both platforms' editors do; returns the count.
inline std::size_t hand_out_line(const std::string& line, std::size_t& given, unsigned char* into, std::size_t room) {
  std::size_t size = std::min(line.size() - given, room);
  std::memcpy(into, line.data() + given, size);
  given += size;
  return size;
}

// Leaves the terminal as it was found; does nothing when the editor never ran.
void line_editor_end();

}  // namespace ziffralon
