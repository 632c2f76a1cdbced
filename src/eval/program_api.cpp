// The C calls that compile texts into programs and free them.
#include <cstring>

#include "program.h"

ziffralon_program* ziffralon_compile(ziffralon_interpreter* interpreter, const char* text, long* error_offset) {
  long offset = 0;
  ziffralon::CompiledProgram* program = nullptr;
  if (interpreter && text)
    program = ziffralon::compile_program(*reinterpret_cast<ziffralon::InterpreterState*>(interpreter), text,
                                         std::strlen(text), offset);
  if (error_offset) *error_offset = offset;
  return reinterpret_cast<ziffralon_program*>(program);
}

void ziffralon_program_free(ziffralon_program* program) {
  ziffralon::program_free(reinterpret_cast<ziffralon::CompiledProgram*>(program));
}
