// The shared file on POSIX systems: flock, and rename for a rewrite.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "shared_file.h"

namespace ziffralon {

namespace {

constexpr int LOCK_TRIES = 1000;
constexpr long LOCK_PAUSE_NANOSECONDS = 1000000;  // a millisecond between tries
constexpr int REOPEN_TRIES = 100;                  // another session may replace the file this often meanwhile

// The lock, waited for a bounded time: a session stuck while holding it
// must not stop this one.
bool take_lock(int file) {
  for (int tries = 0; tries < LOCK_TRIES; ++tries) {
    if (flock(file, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    timespec pause{0, LOCK_PAUSE_NANOSECONDS};
    nanosleep(&pause, nullptr);
  }
  errno = EWOULDBLOCK;
  return false;
}

// Whether the locked `file` is still the one its name leads to: a session
// that rewrote the file while this one waited for the lock put a new file
// in its place.
bool still_named(int file, const std::string& name) {
  struct stat opened, named;
  return fstat(file, &opened) == 0 && stat(name.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

int fail(int file, int error) {
  close(file);
  errno = error;
  return -1;
}

bool write_all(int file, const char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t written = write(file, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

int shared_file_make_folders(const std::string& folder) {
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    std::string part = folder.substr(0, end);
    struct stat status;
    if (stat(part.c_str(), &status) != 0 && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return -1;
    if (end == std::string::npos) return 0;
  }
}

int shared_file_open(const std::string& name) {
  for (int tries = 0; tries < REOPEN_TRIES; ++tries) {
    int file = open(name.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
    if (file < 0) return -1;
    struct stat status;
    if (fstat(file, &status) != 0) return fail(file, errno);
    if (!S_ISREG(status.st_mode)) return fail(file, S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
    if (!take_lock(file)) return fail(file, errno);
    if (still_named(file, name)) return file;
    close(file);
  }
  errno = EWOULDBLOCK;
  return -1;
}

int shared_file_read_end(int file, std::size_t limit, std::string& content, bool& cut) {
  struct stat status;
  if (fstat(file, &status) != 0) return -1;
  std::size_t size = static_cast<std::size_t>(status.st_size);
  cut = size > limit;
  off_t at = cut ? static_cast<off_t>(size - limit) : 0;
  content.resize(cut ? limit : size);
  std::size_t got = 0;
  while (got < content.size()) {
    ssize_t n = pread(file, content.data() + got, content.size() - got, at + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;  // shortened meanwhile by someone who took no lock
    got += static_cast<std::size_t>(n);
  }
  content.resize(got);
  return 0;
}

int shared_file_append(int file, const std::string& bytes) {
  return write_all(file, bytes.data(), bytes.size()) ? 0 : -1;
}

int shared_file_replace(int file, const std::string& name, const std::string& content) {
  // A name that is a symbolic link keeps it: the file it leads to is replaced.
  std::string target = name;
  if (char* resolved = realpath(name.c_str(), nullptr)) {
    target = resolved;
    std::free(resolved);
  }
  std::string temporary = target + ".XXXXXX";
  int fresh = mkostemp(temporary.data(), O_CLOEXEC);  // readable and writable by its owner alone
  if (fresh < 0) return fail(file, errno);
  bool written = write_all(fresh, content.data(), content.size()) && fsync(fresh) == 0;
  int error = errno;
  if (close(fresh) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && rename(temporary.c_str(), target.c_str()) == 0) {
    close(file);
    return 0;
  }
  if (written) error = errno;
  unlink(temporary.c_str());
  return fail(file, error);
}

void shared_file_close(int file) { close(file); }

}  // namespace ziffralon
