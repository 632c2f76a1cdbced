// The terminal given back when a signal ends the program while the line
// editor holds it in raw mode; a shell that does not repair its terminal
// would otherwise be left without echo and line editing.
#pragma once

#include <termios.h>

namespace ziffralon {

// From now on, every signal whose default action ends the program, and that
// is neither caught nor ignored yet, first restores `found` on the terminal
// of standard input, then ends the program by that same signal.
void restore_terminal_on_fatal_signals(const termios& found);

// Gives those signals their default action back.
void release_fatal_signals();

}  // namespace ziffralon
