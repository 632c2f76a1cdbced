// The -e texts and FILEs of the command line, read in order as one stream.
//
// The sources are concatenated byte for byte, as `cat` would join them: a
// FILE that ends in the middle of a line continues in the next source. So
// `ziffralon a b` reads what `cat a b | ziffralon -q` reads. Each -e text is
// one whole line (a newline is appended to it).
#pragma once

#include <cstddef>
#include <vector>

#include "command_line.h"

namespace ziffralon {

// Opens every FILE before anything is computed. On the first that cannot be
// read prints "ziffralon: cannot open 'NAME': REASON" on standard error and
// returns false.
bool open_input_sources(const std::vector<InputSource>& sources);

// The console's input reader over the opened sources: fills at most `room`
// bytes, returns 0 once every source is used up. A FILE that fails while it
// is read is reported on standard error and ends there.
std::size_t read_input_sources(unsigned char* into, std::size_t room);

// True when a FILE failed while it was read.
bool input_sources_failed();

}  // namespace ziffralon
