// The platform on POSIX systems: descriptors, signals and mmap'd tables.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "platform.h"

namespace ziffralon {

namespace {

constexpr std::size_t HUGE_PAGE_SIZE = std::size_t{1} << 21;

// A descriptor that another process made non-blocking is waited for, not
// given up on. Returns poll's answer: -1 with EINTR when a signal came.
int wait_until_ready(int file, short events) {
  pollfd ready{file, events, 0};
  return poll(&ready, 1, -1);
}

}  // namespace

void platform_start_program(int&, char**&) { std::signal(SIGPIPE, SIG_IGN); }

long platform_read(int file, unsigned char* into, std::size_t room) {
  ssize_t got;
  while ((got = read(file, into, room)) < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
    if (wait_until_ready(file, POLLIN) < 0) break;
  if (got < 0 && errno == EINTR) return PLATFORM_INTERRUPTED;
  return static_cast<long>(got);
}

int platform_write(int file, const char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t written = write(file, bytes, size);
    if (written > 0) {
      bytes += written;
      size -= static_cast<std::size_t>(written);
    } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      wait_until_ready(file, POLLOUT);
    } else if (written == 0) {
      errno = EIO;
      return -1;
    } else if (errno != EINTR) {
      return -1;
    }
  }
  return 0;
}

int platform_open_file(const char* name) {
  int file = open(name, O_RDONLY | O_CLOEXEC);
  struct stat status;
  if (file >= 0 && fstat(file, &status) == 0 && S_ISDIR(status.st_mode)) {
    close(file);
    errno = EISDIR;
    return -1;
  }
  return file;
}

void platform_close_file(int file) { close(file); }

bool platform_is_regular_file(int file) {
  struct stat status;
  return fstat(file, &status) == 0 && S_ISREG(status.st_mode);
}

bool platform_is_terminal(int file) { return isatty(file); }

void platform_catch_stop_signals(void (*note)(int)) {
  struct sigaction action {};
  action.sa_handler = note;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a blocking read returns at once
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void platform_end_by_signal(int signal_number) {
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
  std::_Exit(128 + signal_number);  // only if the signal was blocked
}

void* platform_allocate_table(std::size_t size) {
  void* block = std::aligned_alloc(HUGE_PAGE_SIZE, (size + HUGE_PAGE_SIZE - 1) / HUGE_PAGE_SIZE * HUGE_PAGE_SIZE);
#ifdef MADV_HUGEPAGE
  if (block) madvise(block, size, MADV_HUGEPAGE);
#endif
  return block;
}

bool platform_process_is_ending() { return false; }

}  // namespace ziffralon
