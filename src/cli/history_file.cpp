#include "history_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/shared_file.h"

namespace ziffralon {

namespace {

// Newer lines than these may wait in the file (from this session and others)
// before a session trims it, so that trimming, which rewrites the file, is rare.
constexpr std::size_t LINES_BEFORE_TRIMMING = 100;
// Enough for the newest lines at their longest; a longer file is read from
// here on, however large it has grown, so that reading it takes no time worth
// noticing.
constexpr std::size_t READ_LIMIT = HISTORY_FILE_LINES * (HISTORY_LINE_LIMIT + 1);

constexpr char FILE_IN_STATE_FOLDER[] = "/ziffralon/history";

struct FileChoice {
  std::string name;
  bool make_folders;  // the default place: its folders are made when missing
};

FileChoice choose_file(bool wanted) {
  if (!wanted) return {"", false};
  if (const char* named = std::getenv("ZIFFRALON_HISTORY")) return {named, false};
  // Only an absolute path is a state folder; anything else is to be ignored.
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return {state + std::string(FILE_IN_STATE_FOLDER), true};
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return {home + std::string("/.local/state") + FILE_IN_STATE_FOLDER, true};
  return {"", false};
}

// Says what is wrong, once: the session goes on without the file.
void give_up(HistoryFile& history, const char* reason) {
  std::fprintf(stderr, "ziffralon: history is not kept: '%s': %s\n", history.name.c_str(), reason);
  std::fflush(stderr);
  history.name.clear();
}

// The lines of the file's end, oldest first; blank lines are no history. The
// first line of an end that begins within a line is not whole and is dropped.
// nullptr, or what makes the file no history file.
const char* split_lines(const std::string& content, bool cut, std::vector<std::string>& lines) {
  if (content.find('\0') != std::string::npos) return "holds a NUL byte: not a history file";
  std::size_t at = cut ? content.find('\n') : 0;
  if (at == std::string::npos) return "holds a line too long for a history file";
  if (cut) ++at;
  while (at < content.size()) {
    std::size_t end = content.find('\n', at);
    if (end == std::string::npos) end = content.size();
    if (end - at > HISTORY_LINE_LIMIT) return "holds a line too long for a history file";
    if (content.find_first_not_of(" \t\r", at) < end) lines.push_back(content.substr(at, end - at));
    at = end + 1;
  }
  return nullptr;
}

// Reads the locked file's lines; on a failure says so, closes it, and returns false.
bool read_lines(HistoryFile& history, int file, std::vector<std::string>& lines, bool& cut) {
  std::string content;
  const char* trouble = nullptr;
  if (shared_file_read_end(file, READ_LIMIT, content, cut) != 0)
    trouble = std::strerror(errno);
  else
    trouble = split_lines(content, cut, lines);
  if (!trouble) return true;
  shared_file_close(file);
  give_up(history, trouble);
  return false;
}

// Rewrites the locked file with its newest lines, and closes it.
void trim(HistoryFile& history, int file, std::vector<std::string>& lines) {
  if (lines.size() > HISTORY_FILE_LINES) lines.erase(lines.begin(), lines.end() - HISTORY_FILE_LINES);
  std::string content;
  for (const std::string& line : lines) content += line + '\n';
  history.lines = lines.size();
  if (shared_file_replace(file, history.name, content) != 0) give_up(history, std::strerror(errno));
}

int open_file(HistoryFile& history) {
  int file = shared_file_open(history.name);
  if (file < 0) give_up(history, errno == EINVAL ? "not a regular file" : std::strerror(errno));
  return file;
}

bool worth_keeping(const HistoryFile& history, const std::string& line) {
  return line.find_first_not_of(" \t\r") != std::string::npos && line != history.last_line &&
         line.size() <= HISTORY_LINE_LIMIT && line.find('\0') == std::string::npos;
}

}  // namespace

HistoryFile history_file_open(bool wanted, std::vector<std::string>& lines) {
  FileChoice choice = choose_file(wanted);
  HistoryFile history{choice.name, "", 0};
  if (history.name.empty()) return history;
  std::size_t folder_end = history.name.rfind('/');
  if (choice.make_folders && shared_file_make_folders(history.name.substr(0, folder_end)) != 0) {
    give_up(history, std::strerror(errno));
    return history;
  }
  int file = open_file(history);
  bool cut = false;
  if (file < 0 || !read_lines(history, file, lines, cut)) return history;
  history.lines = lines.size();
  if (!lines.empty()) history.last_line = lines.back();
  if (cut || lines.size() > HISTORY_FILE_LINES)
    trim(history, file, lines);
  else
    shared_file_close(file);
  return history;
}

void history_file_append(HistoryFile& history, const std::string& line) {
  if (history.name.empty() || !worth_keeping(history, line)) return;
  int file = open_file(history);
  if (file < 0) return;
  if (shared_file_append(file, line + '\n') != 0) {
    shared_file_close(file);
    give_up(history, std::strerror(errno));
    return;
  }
  history.last_line = line;
  std::vector<std::string> lines;
  bool cut = false;
  if (++history.lines <= HISTORY_FILE_LINES + LINES_BEFORE_TRIMMING)
    shared_file_close(file);
  else if (read_lines(history, file, lines, cut))
    trim(history, file, lines);
}

}  // namespace ziffralon
