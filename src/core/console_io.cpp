#include "console_io.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/platform.h"

namespace ziffralon {

ConsoleInput console_input;
volatile std::sig_atomic_t console_stop_signal;

namespace {

struct ConsoleOutput {
  char buffer[CONSOLE_BLOCK_SIZE];
  std::size_t used;
  OutputSink sink;
  bool broken;  // standard output failed for good; later output is dropped
  int error;    // why it failed (errno), 0 when the reader went away
  bool cut;     // a stop signal cut the input; what is printed after that is dropped
};

ConsoleOutput console_output;

// Nobody can see what the calculator computes any more (the reader went away,
// the disk is full, the descriptor is gone): input ends here, as at end of
// file, rather than being computed to its end for nothing. A reader that went
// away is no failure: `ziffralon | head -1` has done what it should.
void output_lost_for_good(int error) {
  console_output.broken = true;
  console_output.error = error == EPIPE ? 0 : error;
  console_stop_input();
}

void write_to_stdout(const char* bytes, std::size_t size) {
  if (!console_output.broken && platform_write(PLATFORM_STDOUT, bytes, size) != 0) output_lost_for_good(errno);
}

void note_stop_signal(int signal_number) { console_stop_signal = signal_number; }

InputReader input_reader;  // when set, blocks come from here, not from standard input

std::size_t read_block(unsigned char* into, std::size_t room) {
  if (console_input.memory) {
    std::size_t size = console_input.memory_left < room ? console_input.memory_left : room;
    std::memcpy(into, console_input.memory, size);
    console_input.memory += size;
    console_input.memory_left -= size;
    return size;
  }
  if (input_reader) return input_reader(into, room);
  long got = console_read_descriptor(PLATFORM_STDIN, into, room);
  if (got < 0) console_input.read_error = errno;  // ends input
  return got > 0 ? static_cast<std::size_t>(got) : 0;
}

// Starts a new block, keeping the last byte of the old one in front of it.
// Returns false at end of input.
bool refill() {
  console_flush();  // may find standard output gone, which ends input
  if (console_input.at_end) return false;
  if (console_input.end > 0) console_input.buffer[0] = console_input.buffer[console_input.end - 1];
  console_input.position = 1;
  console_input.end = 1 + read_block(console_input.buffer + 1, CONSOLE_BLOCK_SIZE);
  if (console_input.end == 1) {
    console_input.at_end = true;
    // Input that a stop signal cut may end in the middle of a line; all that
    // can still be printed is a "parse error" for that line, which the user
    // never finished typing.
    if (console_stop_signal) console_output.cut = true;
  }
  return !console_input.at_end;
}

void reset_input(const unsigned char* memory, std::size_t size, InputReader reader) {
  console_input.position = 0;
  console_input.end = 0;
  console_input.at_end = false;
  console_input.memory = memory;
  console_input.memory_left = size;
  input_reader = reader;
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

void console_stop_input() {
  console_input.end = console_input.position;
  console_input.at_end = true;
}

void console_catch_stop_signals() { platform_catch_stop_signals(note_stop_signal); }

void console_end_by_stop_signal() {
  int signal_number = console_stop_signal;
  if (!signal_number) return;
  console_flush();
  platform_end_by_signal(signal_number);
}

void console_read_from_memory(const void* data, std::size_t size) {
  reset_input(static_cast<const unsigned char*>(data), size, nullptr);
}

void console_read_from(InputReader reader) { reset_input(nullptr, 0, reader); }

long console_read_descriptor(int fd, unsigned char* into, std::size_t room) {
  // A stop signal that interrupts the read, or came before it, ends input.
  while (!console_stop_signal) {
    long got = platform_read(fd, into, room);
    if (got != PLATFORM_INTERRUPTED) return got;
  }
  return 0;
}

void console_flush() {
  if (console_output.cut) console_output.used = 0;
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

int console_write_error() { return console_output.error; }

bool console_output_dropped() { return console_output.broken || console_output.cut; }

void console_set_output_sink(OutputSink sink) {
  console_flush();
  console_output.sink = sink;
}

}  // namespace ziffralon
