// The -e texts and FILEs of the command line, read in order as one stream.
//
// Each -e text is one whole line (a newline is appended to it), and a FILE
// or - that ends in the middle of a line is followed by a newline before the
// next source starts, so that no line is glued across sources. The last
// source ends as input ends: a final line without its newline is a parse
// error, as it is on standard input.
#pragma once

#include <cstddef>
#include <vector>

#include "command_line.h"

namespace ziffralon {

// Checks that every FILE opens, before anything is computed; only one regular
// file is open at a time, so any number of FILEs can be read (a pipe is held
// open from the check, as its content cannot be read again). On the first that
// cannot be opened prints "ziffralon: cannot open 'NAME': REASON" on standard
// error and returns false.
bool open_input_sources(const std::vector<InputSource>& sources);

// The console's input reader over the opened sources: fills at most `room`
// bytes, returns 0 once every source is used up. A FILE that fails while it
// is read is reported on standard error ("ziffralon: read error: 'NAME':
// REASON") and ends there.
std::size_t read_input_sources(unsigned char* into, std::size_t room);

// True when a FILE failed while it was read.
bool input_sources_failed();

}  // namespace ziffralon
