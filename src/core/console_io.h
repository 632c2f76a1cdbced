// Block-buffered console input and output.
//
// Input is read in blocks and handed out one byte at a time with one byte of
// push-back. A CR immediately followed by LF is handed out as a single '\n', so
// files written with CR LF line ends read as they do on such platforms; a lone
// CR stays a CR. Before any read that may block, pending output is flushed, so
// whoever drives the calculator line by line sees each answer before the next
// line is asked for; while input is already buffered, output stays buffered.
#pragma once

#include <csignal>
#include <cstddef>

namespace ziffralon {

constexpr std::size_t CONSOLE_BLOCK_SIZE = 1 << 16;
constexpr int CONSOLE_END = -1;

struct ConsoleInput {
  // buffer[0] keeps the last byte of the previous block, so that a push-back
  // right after a refill can still step back one byte.
  unsigned char buffer[1 + CONSOLE_BLOCK_SIZE];
  std::size_t position;
  std::size_t end;
  bool at_end;
  const unsigned char* memory;  // when set, blocks come from here, not from standard input
  std::size_t memory_left;
  int read_error;  // errno of a failed read of standard input, which ended input; else 0
};

extern ConsoleInput console_input;

int console_get_after_cr();
int console_refill_and_get();

// The next byte (0 to 255), or CONSOLE_END at end of input.
inline int console_get() {
  if (console_input.position < console_input.end) {
    int byte = console_input.buffer[console_input.position++];
    return byte == '\r' ? console_get_after_cr() : byte;
  }
  return console_refill_and_get();
}

// Pushes back the byte console_get just returned; CONSOLE_END is ignored.
inline void console_unget(int byte) {
  if (byte != CONSOLE_END) --console_input.position;
}

// Ends input here, as if the file ended: the next console_get gives
// CONSOLE_END. Bytes already pushed back stay readable.
void console_stop_input();

// Stop signals (SIGINT, SIGTERM) on batch input: the handler only notes the
// signal. Input ends once the line at hand has printed what it prints (a
// value, a message, the help or the listing) when that line is already read
// in; when more of it would have to be read (a blocking read the signal
// interrupts, or the next block), input ends there and the line is dropped
// without a word: nothing printed after that point is written. So every
// answer of the complete lines read is written, and no line the signal cut
// reports an error. Afterwards console_end_by_stop_signal writes what is
// pending and ends the process by the same signal, so the shell sees it.
extern volatile std::sig_atomic_t console_stop_signal;
void console_catch_stop_signals();
void console_end_by_stop_signal();  // returns only when no stop signal came

// Called by the session each time it has printed a line's answer.
inline void console_line_answered() {
  if (console_stop_signal) console_stop_input();
}

// The bytes buffered from the current position on, raw: a CR LF pair is still
// two bytes here. A scanner may read them in place and then skip over what it
// took, instead of asking for one byte at a time.
struct ConsoleWindow {
  const unsigned char* bytes;
  std::size_t size;
};

inline ConsoleWindow console_window() {
  return ConsoleWindow{console_input.buffer + console_input.position, console_input.end - console_input.position};
}

// Steps over `count` bytes of the window.
inline void console_skip(std::size_t count) { console_input.position += count; }

// Makes the console read `size` bytes from `data` (which must outlive the
// reading) through the same buffering, instead of standard input.
void console_read_from_memory(const void* data, std::size_t size);

// Makes the console take its blocks from `reader` instead of standard input:
// it fills at most `room` bytes at `into` and returns how many, 0 at the end of
// input. Pending output is flushed before each call, as before any read.
using InputReader = std::size_t (*)(unsigned char* into, std::size_t room);
void console_read_from(InputReader reader);

// Reads at most `room` bytes from descriptor `fd` the way standard input is
// read: a stop signal that came before the read or interrupts it gives 0 (end
// of input). Returns the byte count, 0 at end of file, -1 on an error (errno).
long console_read_descriptor(int fd, unsigned char* into, std::size_t room);

// Output: bytes are collected and written in blocks to standard output, or
// handed to a sink when one is set. A write that cannot proceed now (a
// non-blocking descriptor) waits until it can; when standard output fails for
// good, output is dropped and console input ends as at end of file;
// console_write_error then says why (errno), unless the reader went away
// (EPIPE), which is no failure.
using OutputSink = void (*)(const char* bytes, std::size_t size);
void console_write(const char* bytes, std::size_t size);  // size at most CONSOLE_BLOCK_SIZE
void console_write_text(const char* text);
void console_flush();
void console_set_output_sink(OutputSink sink);  // nullptr: standard output
int console_write_error();  // 0 while standard output has not failed
// True once what is written goes nowhere: standard output failed for good or
// its reader went away, or a stop signal cut the input. A message written then
// is not printed, and so is not counted as one.
bool console_output_dropped();

}  // namespace ziffralon
