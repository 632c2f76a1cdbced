#include "input_sources.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/console_io.h"
#include "platform/platform.h"

namespace ziffralon {

namespace {

// A -e text (with its newline) or a FILE, opened when its turn comes.
struct Source {
  std::string text;
  std::size_t text_read;
  bool is_file;
  std::string name;
  int held_fd;  // a FILE that cannot be opened twice (a pipe, standard input): open since it was checked; else -1
};

struct SourceList {
  std::vector<Source> sources;
  std::size_t current;
  int fd;             // the FILE being read, or -1
  bool ends_mid_line;  // the last byte handed out was no newline
  bool failed;
};

SourceList source_list{{}, 0, -1, false, false};

constexpr char HEX_DIGITS[] = "0123456789ABCDEF";

// An open descriptor for NAME ("-" is standard input), or -1 with errno set.
int open_file(const std::string& name) {
  if (name == "-") return PLATFORM_STDIN;
  return platform_open_file(name.c_str());
}

// NAME as a shell user would type it: in single quotes, or, when it holds
// control bytes, in $'...' with those escaped, so that no escape sequence
// reaches the terminal and no newline splits the one-line message.
std::string shell_quoted(const std::string& name) {
  bool control = std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < ' ' || c == 0x7F; });
  std::string quoted = control ? "$'" : "'";
  for (unsigned char c : name) {
    if (!control && c == '\'')
      quoted += "'\\''";
    else if (control && (c == '\\' || c == '\''))
      quoted += {'\\', static_cast<char>(c)};
    else if (control && c == '\n')
      quoted += "\\n";
    else if (c < ' ' || c == 0x7F)
      quoted += {'\\', 'x', HEX_DIGITS[c >> 4], HEX_DIGITS[c & 0xF]};
    else
      quoted += static_cast<char>(c);
  }
  return quoted + "'";
}

std::size_t read_text(Source& source, unsigned char* into, std::size_t room) {
  std::size_t left = source.text.size() - source.text_read;
  std::size_t size = left < room ? left : room;
  std::memcpy(into, source.text.data() + source.text_read, size);
  source.text_read += size;
  return size;
}

// A FILE that fails is said on standard error and ends there.
std::size_t read_file(const Source& source, unsigned char* into, std::size_t room) {
  if (source_list.fd < 0) source_list.fd = source.held_fd >= 0 ? source.held_fd : open_file(source.name);
  if (source_list.fd < 0) {
    // It opened when it was checked; it was removed or changed since.
    std::fprintf(stderr, "ziffralon: cannot open %s: %s\n", shell_quoted(source.name).c_str(), std::strerror(errno));
    source_list.failed = true;
    return 0;
  }
  long got = console_read_descriptor(source_list.fd, into, room);
  if (got >= 0) return static_cast<std::size_t>(got);
  std::string name = source.name == "-" ? "" : shell_quoted(source.name) + ": ";
  std::fprintf(stderr, "ziffralon: read error: %s%s\n", name.c_str(), std::strerror(errno));
  source_list.failed = true;
  return 0;
}

void next_source() {
  if (source_list.fd > PLATFORM_STDIN) platform_close_file(source_list.fd);
  source_list.fd = -1;
  ++source_list.current;
}

}  // namespace

// Only one FILE is open at a time, so that any number of them can be read;
// each is opened here once to learn that it can be. A pipe stays open: what
// its writer wrote would be lost with it, and the writer may not open it again.
bool open_input_sources(const std::vector<InputSource>& sources) {
  for (const InputSource& source : sources) {
    if (source.is_text) {
      source_list.sources.push_back(Source{source.text + "\n", 0, false, "-e", -1});
      continue;
    }
    int fd = open_file(source.text);
    if (fd < 0) {
      std::fprintf(stderr, "ziffralon: cannot open %s: %s\n", shell_quoted(source.text).c_str(), std::strerror(errno));
      return false;
    }
    bool held = fd == PLATFORM_STDIN || !platform_is_regular_file(fd);
    if (!held) platform_close_file(fd);
    source_list.sources.push_back(Source{"", 0, true, source.text, held ? fd : -1});
  }
  return true;
}

std::size_t read_input_sources(unsigned char* into, std::size_t room) {
  while (source_list.current < source_list.sources.size()) {
    Source& source = source_list.sources[source_list.current];
    std::size_t got = source.is_file ? read_file(source, into, room) : read_text(source, into, room);
    if (got > 0) {
      source_list.ends_mid_line = into[got - 1] != '\n';
      return got;
    }
    // A stop signal ends the whole input, not just this source.
    if (console_stop_signal) return 0;
    next_source();
    // A source that ends in the middle of a line ends that line before the
    // next source starts; the last one ends as input ends.
    if (source_list.ends_mid_line && source_list.current < source_list.sources.size()) {
      source_list.ends_mid_line = false;
      into[0] = '\n';
      return 1;
    }
  }
  return 0;
}

bool input_sources_failed() { return source_list.failed; }

}  // namespace ziffralon
