// Code memory on POSIX systems: an anonymous memory file mapped twice.
#include <pthread.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include "executable_memory.h"

#ifndef __linux__
#include <fcntl.h>

#include <cstdio>
#endif

namespace ziffralon {

bool platform_code_memory_allowed() {
#ifdef __linux__
  // A process under PR_SET_MDWE has given up gaining executable memory; two
  // views of one file would still give it some, against its wish.
  constexpr int GET_MDWE = 66;  // PR_GET_MDWE, Linux 6.3 on
  int mdwe = prctl(GET_MDWE, 0L, 0L, 0L, 0L);
  return mdwe <= 0;
#else
  return true;
#endif
}

namespace {

int open_memory_file() {
#ifdef __linux__
  // Kernels that keep memory files from being executable unless asked need
  // MFD_EXEC; older kernels do not know the flag.
  constexpr unsigned EXEC_FLAG = 0x0010U;  // MFD_EXEC
  int fd = memfd_create("ziffralon-code", MFD_CLOEXEC | EXEC_FLAG);
  if (fd < 0) fd = memfd_create("ziffralon-code", MFD_CLOEXEC);
  return fd;
#else
  char name[64];
  std::snprintf(name, sizeof name, "/ziffralon-code-%ld", static_cast<long>(getpid()));
  int fd = shm_open(name, O_RDWR | O_CREAT | O_EXCL, 0600);
  if (fd >= 0) shm_unlink(name);
  return fd;
#endif
}

}  // namespace

bool platform_map_code_memory(std::size_t size, CodeMemoryViews& views) {
  std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  size = (size + page - 1) / page * page;
  int fd = open_memory_file();
  if (fd < 0) return false;
  void* writable = MAP_FAILED;
  void* executable = MAP_FAILED;
  if (ftruncate(fd, static_cast<off_t>(size)) == 0) {
    writable = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    executable = mmap(nullptr, size, PROT_READ | PROT_EXEC, MAP_SHARED, fd, 0);
  }
  close(fd);  // the mappings keep the file
  if (writable == MAP_FAILED || executable == MAP_FAILED) {
    if (writable != MAP_FAILED) munmap(writable, size);
    if (executable != MAP_FAILED) munmap(executable, size);
    return false;
  }
  views = CodeMemoryViews{static_cast<unsigned char*>(writable), static_cast<const unsigned char*>(executable),
                          size, nullptr};
  return true;
}

void platform_unmap_code_memory(const CodeMemoryViews& views) {
  munmap(views.writable, views.size);
  munmap(const_cast<unsigned char*>(views.executable), views.size);
}

void platform_on_fork(void (*prepare)(), void (*after)()) { pthread_atfork(prepare, after, after); }

void platform_register_code(const unsigned char*, const unsigned char*, void*& registration) { registration = nullptr; }

void platform_unregister_code(void*) {}

}  // namespace ziffralon

namespace ziffralon {

// System V: every xmm register may be changed by a call; integer and floating
// arguments are counted apart, so both pointers come in rdi.
CallingConvention platform_calling_convention() { return CallingConvention{0, 16, 7, 6, 7, false}; }

}  // namespace ziffralon
