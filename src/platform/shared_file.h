// A small file that several sessions of the program read, append to and
// rewrite at the same time (the line editor's history): each step takes the
// file's lock, finds the file by its name again, does its work and lets go,
// so no session's lines are lost to another's. Only the program at a POSIX
// terminal keeps one.
//
// Failures give -1 with errno set; a file that is not a regular one fails
// with EISDIR (a folder) or EINVAL (a device, a pipe).
#pragma once

#include <cstddef>
#include <string>

namespace ziffralon {

// Makes `folder` and each missing folder above it, readable by their owner
// alone; an existing folder is left as it is.
int shared_file_make_folders(const std::string& folder);

// Opens the file `name` for reading and appending, creating it (readable and
// writable by its owner alone) if it is missing, and takes its lock. Waits
// for the lock at most about a second: a file held longer fails with
// EWOULDBLOCK.
int shared_file_open(const std::string& name);

// Reads the file's last `limit` bytes (all of them when it is shorter) and
// says whether the file held more.
int shared_file_read_end(int file, std::size_t limit, std::string& content, bool& cut);

// Appends `bytes` in one write.
int shared_file_append(int file, const std::string& bytes);

// Gives the file `name`, opened and locked as `file`, the new `content` in one
// step: a crash leaves the old content or the new one. The lock goes with the
// old file; `file` is closed.
int shared_file_replace(int file, const std::string& name, const std::string& content);

// Lets go of the lock and closes.
void shared_file_close(int file);

}  // namespace ziffralon
