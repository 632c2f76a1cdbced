// What the calculator asks of the operating system, and no more: the standard
// handles and FILEs as byte streams, stop signals, the terminal check and the
// blocks for large tables. The build picks one implementation
// (platform_posix.cpp or platform_windows.cpp); nothing above this header
// asks which system it runs on.
//
// Files are small integers (the standard ones are PLATFORM_STDIN and
// PLATFORM_STDOUT). Failures give -1 with errno set to the C library's code,
// so that messages read the same everywhere; EPIPE means that the reader of
// standard output went away.
#pragma once

#include <cstddef>

namespace ziffralon {

constexpr int PLATFORM_STDIN = 0;
constexpr int PLATFORM_STDOUT = 1;

// platform_read's answer when a stop signal interrupted the read.
constexpr long PLATFORM_INTERRUPTED = -2;

// Called first in main. The standard handles pass bytes unchanged (no line-end
// translation), a reader of standard output that goes away makes writes fail
// with EPIPE instead of ending the process, and argv holds the arguments in
// UTF-8 (on Windows taken from the wide command line, so that any name a
// console can type arrives whole).
void platform_start_program(int& argc, char**& argv);

// Reads at most `room` bytes: the count, 0 at the end of input, -1 on a
// failure, or PLATFORM_INTERRUPTED. Input that another process made
// non-blocking is waited for: having nothing yet is no failure.
long platform_read(int file, unsigned char* into, std::size_t room);

// Writes all `size` bytes, waiting as long as the file cannot take them now.
// Returns 0, or -1 on a failure.
int platform_write(int file, const char* bytes, std::size_t size);

// Opens the FILE `name` (UTF-8) for reading; a directory fails with EISDIR.
int platform_open_file(const char* name);
void platform_close_file(int file);

// True when `file` is a regular file, whose content can be read again later;
// a pipe's or a device's is gone once read or closed.
bool platform_is_regular_file(int file);

// True when `file` is an interactive terminal or console.
bool platform_is_terminal(int file);

// From now on a stop request (SIGINT and SIGTERM; on a Windows console Ctrl+C,
// Ctrl+Break and closing the window) calls `note` with SIGINT or SIGTERM,
// which must only note it, and interrupts a blocking platform_read. A closing
// console window waits (as long as Windows lets it) for the program to end
// itself through platform_end_by_signal, after its answers are written.
void platform_catch_stop_signals(void (*note)(int signal_number));

// Ends the process as `signal_number` ends it when nobody catches it.
[[noreturn]] void platform_end_by_signal(int signal_number);

// True while the process ends as a whole (not when the library alone is
// unloaded): the system may have stopped the other threads wherever they
// were, inside a library call too, and takes all memory back itself. On
// Windows that is the DLL's detach at exit; elsewhere the threads run on
// until the end, so it is always false.
bool platform_process_is_ending();

// A block of `size` bytes for a large table read at random places, laid out
// so the system can back it with large pages where it can; released with
// std::free. nullptr when out of memory.
void* platform_allocate_table(std::size_t size);

}  // namespace ziffralon
