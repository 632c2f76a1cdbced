#include "console_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ziffralon {

ConsoleInput console_input;

namespace {

struct ConsoleOutput {
  char buffer[CONSOLE_BLOCK_SIZE];
  std::size_t used;
  OutputSink sink;
  bool broken;  // standard output refused a write; later output is dropped
};

ConsoleOutput console_output;

void write_to_stdout(const char* bytes, std::size_t size) {
  while (size > 0 && !console_output.broken) {
    ssize_t written = write(STDOUT_FILENO, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      console_output.broken = true;
      return;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
}

std::size_t read_block(unsigned char* into, std::size_t room) {
  if (console_input.memory) {
    std::size_t size = console_input.memory_left < room ? console_input.memory_left : room;
    std::memcpy(into, console_input.memory, size);
    console_input.memory += size;
    console_input.memory_left -= size;
    return size;
  }
  for (;;) {
    ssize_t got = read(STDIN_FILENO, into, room);
    if (got < 0 && errno == EINTR) continue;
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }
}

// Starts a new block, keeping the last byte of the old one in front of it.
// Returns false at end of input.
bool refill() {
  if (console_input.at_end) return false;
  console_flush();
  if (console_input.end > 0) console_input.buffer[0] = console_input.buffer[console_input.end - 1];
  console_input.position = 1;
  console_input.end = 1 + read_block(console_input.buffer + 1, CONSOLE_BLOCK_SIZE);
  if (console_input.end == 1) console_input.at_end = true;
  return !console_input.at_end;
}

void reset_input(const unsigned char* memory, std::size_t size) {
  console_input.position = 0;
  console_input.end = 0;
  console_input.at_end = false;
  console_input.memory = memory;
  console_input.memory_left = size;
}

}  // namespace

int console_get_after_cr() {
  if (console_input.position == console_input.end && !refill()) return '\r';
  if (console_input.buffer[console_input.position] != '\n') return '\r';
  ++console_input.position;
  return '\n';
}

int console_refill_and_get() {
  if (!refill()) return CONSOLE_END;
  return console_get();
}

void console_read_from_memory(const void* data, std::size_t size) {
  reset_input(static_cast<const unsigned char*>(data), size);
}

void console_flush() {
  if (console_output.used == 0) return;
  if (console_output.sink)
    console_output.sink(console_output.buffer, console_output.used);
  else
    write_to_stdout(console_output.buffer, console_output.used);
  console_output.used = 0;
}

void console_write(const char* bytes, std::size_t size) {
  if (size > sizeof console_output.buffer - console_output.used) console_flush();
  std::memcpy(console_output.buffer + console_output.used, bytes, size);
  console_output.used += size;
}

void console_write_text(const char* text) { console_write(text, std::strlen(text)); }

void console_set_output_sink(OutputSink sink) {
  console_flush();
  console_output.sink = sink;
}

}  // namespace ziffralon
