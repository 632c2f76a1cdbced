// The platform on Windows: the standard handles through ReadFile/WriteFile
// (bytes pass unchanged, whatever mode the C runtime keeps), console control
// events as stop signals, and wide file names.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform.h"

namespace ziffralon {

namespace {

// The largest piece one ReadFile or WriteFile call is given.
constexpr std::size_t LARGEST_TRANSFER = std::size_t{1} << 30;

// What Windows itself gives a process that Ctrl+C or Ctrl+Break ends.
constexpr UINT EXIT_BY_CONSOLE_EVENT = 0xC000013A;

// How long the handler of a closing console window holds the process: the
// system ends it once the handler returns, or about 5 seconds after the event.
constexpr DWORD CLOSING_WAIT_MS = 5000;

// How often a pipe in no-wait mode that is empty (or full) is looked at again.
constexpr DWORD NO_WAIT_PIPE_POLL_MS = 1;

struct StopEvents {
  void (*note)(int);
  HANDLE main_thread;  // whose blocking read a stop event cancels, and whose end a closing window awaits
  volatile LONG stopped;  // a stop event came: a read waiting on a no-wait pipe gives up
};

StopEvents stop_events;

// The C library's code for a Windows error, so that messages read as they do
// on other systems.
int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:                            // the reader closed the pipe
    case ERROR_PIPE_NOT_CONNECTED: return EPIPE;  // how Wine says the same
    default: return EIO;
  }
}

HANDLE handle_of(int file) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file));
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) errno = EBADF;
  return handle;
}

std::string utf8_of(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.resize(std::char_traits<char>::length(utf8.c_str()));
  return utf8;
}

std::wstring wide_of(const char* utf8) {
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring wide(size > 0 ? static_cast<std::size_t>(size) : 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), size);
  wide.resize(std::char_traits<wchar_t>::length(wide.c_str()));
  return wide;
}

// The arguments live as long as the process, as argv does.
struct Arguments {
  std::vector<std::string> texts;
  std::vector<char*> pointers;
};

Arguments arguments;

void take_wide_command_line(int& argc, char**& argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return;  // the C runtime's own argv then
  for (int i = 0; i < count; ++i) arguments.texts.push_back(utf8_of(wide[i]));
  LocalFree(wide);
  for (std::string& text : arguments.texts) arguments.pointers.push_back(text.data());
  arguments.pointers.push_back(nullptr);
  argc = count;
  argv = arguments.pointers.data();
}

// A pipe that its writer put in no-wait mode answers a read with ERROR_NO_DATA
// while it is empty: that is no end and no failure, so the read is tried again
// until bytes come, the writer goes away or a stop event comes.
bool is_empty_no_wait_pipe(HANDLE handle, DWORD error) {
  DWORD state = 0;
  return error == ERROR_NO_DATA && GetFileType(handle) == FILE_TYPE_PIPE &&
         GetNamedPipeHandleStateW(handle, &state, nullptr, nullptr, nullptr, nullptr, 0) && (state & PIPE_NOWAIT);
}

// A read that failed with `error`.
long failed_read(DWORD error) {
  // The writer of a pipe went away: that is its end, not a failure.
  if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
  if (error == ERROR_OPERATION_ABORTED) return PLATFORM_INTERRUPTED;
  errno = errno_of(error);
  return -1;
}

}  // namespace

// The console's events on a thread of their own (outside the unnamed
// namespace so that the Windows suite can call it as the system does: Wine
// sends no CTRL_CLOSE_EVENT).
BOOL WINAPI platform_on_console_event(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT: stop_events.note(SIGINT); break;
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT: stop_events.note(SIGTERM); break;
    default: return FALSE;
  }
  // The event arrives on a thread of its own; a read the main thread is
  // blocked in returns now, as a read interrupted by a signal does.
  InterlockedExchange(&stop_events.stopped, 1);
  CancelSynchronousIo(stop_events.main_thread);
  // The system ends the process as soon as this returns for a closing window:
  // the main thread must first answer what was read and write it out, and it
  // then ends the process itself (platform_end_by_signal).
  if (event == CTRL_CLOSE_EVENT) WaitForSingleObject(stop_events.main_thread, CLOSING_WAIT_MS);
  return TRUE;
}

void platform_start_program(int& argc, char**& argv) {
  // Messages written through the C runtime keep their "\n" as well.
  for (int file : {0, 1, 2}) _setmode(file, _O_BINARY);
  take_wide_command_line(argc, argv);
}

long platform_read(int file, unsigned char* into, std::size_t room) {
  HANDLE handle = handle_of(file);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return -1;
  DWORD size = static_cast<DWORD>(room < LARGEST_TRANSFER ? room : LARGEST_TRANSFER);
  for (;;) {
    DWORD got = 0;
    if (ReadFile(handle, into, size, &got, nullptr)) return static_cast<long>(got);
    DWORD error = GetLastError();
    if (!is_empty_no_wait_pipe(handle, error)) return failed_read(error);
    if (stop_events.stopped) return PLATFORM_INTERRUPTED;
    Sleep(NO_WAIT_PIPE_POLL_MS);
  }
}

int platform_write(int file, const char* bytes, std::size_t size) {
  HANDLE handle = handle_of(file);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return -1;
  while (size > 0) {
    DWORD written = 0;
    DWORD piece = static_cast<DWORD>(size < LARGEST_TRANSFER ? size : LARGEST_TRANSFER);
    if (!WriteFile(handle, bytes, piece, &written, nullptr)) {
      errno = errno_of(GetLastError());
      return -1;
    }
    if (written == 0) Sleep(NO_WAIT_PIPE_POLL_MS);  // a pipe in no-wait mode that is full: wait for its reader
    bytes += written;
    size -= written;
  }
  return 0;
}

int platform_open_file(const char* name) {
  std::wstring wide = wide_of(name);
  // Unlike _wstat64, this takes a directory's name with a separator at its end
  // ("dir\\", as Tab completion writes it), which _wopen would refuse as denied.
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    errno = EISDIR;
    return -1;
  }
  return _wopen(wide.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

void platform_close_file(int file) { _close(file); }

bool platform_is_regular_file(int file) {
  struct _stat64 status;
  return _fstat64(file, &status) == 0 && (status.st_mode & _S_IFREG);
}

bool platform_is_terminal(int file) {
  DWORD mode = 0;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file));
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void platform_catch_stop_signals(void (*note)(int)) {
  stop_events.note = note;
  stop_events.main_thread = OpenThread(THREAD_TERMINATE | SYNCHRONIZE, FALSE, GetCurrentThreadId());
  SetConsoleCtrlHandler(platform_on_console_event, TRUE);
}

void platform_end_by_signal(int) { ExitProcess(EXIT_BY_CONSOLE_EVENT); }

// Large pages need a privilege ordinary users lack; the C runtime's heap
// serves, and std::free releases its blocks.
void* platform_allocate_table(std::size_t size) { return std::malloc(size); }

}  // namespace ziffralon
