// The program built without libedit reads a terminal plainly.
#include "line_editor.h"

namespace ziffralon {

bool line_editor_start(bool) { return false; }

std::size_t line_editor_read(unsigned char*, std::size_t) { return 0; }

void line_editor_end() {}

}  // namespace ziffralon
