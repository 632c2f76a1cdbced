// The program at a terminal: a pseudo-terminal stands in for the user, types
// keys and reads the screen. Answers are awaited in order; how the editor
// echoes and redraws what is typed is its own business.
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "process.h"

namespace {

// The banner as a terminal shows it: every "\n" leaves as "\r\n".
const std::string BANNER = "\r\n## ZIFFRALON V0.32 ##\r\r\n\r\r\n?<ENTER> fuer Hilfe\r\n\r\n";

// No case touches the history file of whoever runs the tests: those about
// the file name one of their own.
class NoHistoryFile : public testing::Environment {
  void SetUp() override { setenv("ZIFFRALON_HISTORY", "", 1); }
};
const testing::Environment* const NO_HISTORY_FILE = testing::AddGlobalTestEnvironment(new NoHistoryFile);

struct TerminalCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* term;
  bool editor;  // the line editor is expected to take the terminal
  std::vector<std::pair<std::string, std::string>> keys_and_answers;  // the last keys end the session
  int ending_signal = 0;  // sent after the keys instead, to end the program by it
  const char* locale = "C.UTF-8";
};

std::string ones_summed(int count) {
  std::string sum = "1";
  while (--count) sum += "+1";
  return sum;
}

const TerminalCase CASES[] = {
    {"up_arrow_repeats_a_line", {}, "xterm", true, {{"n=n+1\r", "\t1\r\n"}, {"\x1b[A\r", "\t2\r\n"}, {"\x04", ""}}},
    {"ctrl_r_finds_a_line", {}, "xterm", true,
     {{"k=7*6\r", "\t42\r\n"}, {"1\r", "\t1\r\n"}, {"\x12k=\r", "\t42\r\n"}, {"\x04", ""}}},
    // 6,000 characters, past the 4,095 a terminal's canonical mode would keep.
    {"long_line_is_read_whole", {"-q"}, "xterm", true, {{" " + ones_summed(3000) + "\r", "\t3000\r\n"}, {"\x04", ""}}},
    // Pasted at once: the second line waits while the first is computed.
    {"pasted_lines_are_read_whole", {"-q"}, "xterm", true,
     {{"2*2\r" + ones_summed(3000) + "\r", "\t4\r\n"}, {"", "\t3000\r\n"}, {"\x04", ""}}},
    {"ctrl_c_cancels_the_line_and_keeps_the_session", {}, "xterm", true,
     {{"v=5\r", "\t5\r\n"}, {"1+", ""}, {"\x03", "^C\r\n"}, {"v\r", "\t5\r\n"}, {"\x04", ""}}},
    {"ctrl_z_and_enter_end_the_session", {}, "xterm", true, {{"2*3\r", "\t6\r\n"}, {"\x1a\r", ""}}},
    {"ctrl_z_among_other_characters_is_no_end", {}, "xterm", true, {{"\x1a\x1a\r", "parse error\r\n"}, {"\x04", ""}}},
    // Without the editor the terminal reads plainly: an arrow key is no history.
    {"no_editor_option", {"--no-editor"}, "xterm", false, {{"\x1b[A\r", "parse error\r\n"}, {"\x04", ""}}},
    {"dumb_terminal", {}, "dumb", false, {{"\x1b[A\r", "parse error\r\n"}, {"\x04", ""}}},
    // A TERM without a terminal description: read plainly, and without a warning before the banner.
    {"unknown_terminal_is_read_plainly", {}, "no-such-terminal", false, {{"\x1b[A\r", "parse error\r\n"}, {"\x04", ""}}},
    // A signal that ends the program, in the middle of a line, gives the terminal back first.
    {"quit_signal_restores_the_terminal", {}, "xterm", true, {{"1+1\r", "\t2\r\n"}, {"2*", ""}}, SIGQUIT},
    {"hangup_signal_restores_the_terminal", {}, "xterm", true, {{"1+1\r", "\t2\r\n"}, {"2*", ""}}, SIGHUP},
    {"user_signal_restores_the_terminal", {}, "xterm", true, {{"1+1\r", "\t2\r\n"}, {"2*", ""}}, SIGUSR1},
    {"terminate_signal_restores_the_terminal", {}, "xterm", true, {{"1+1\r", "\t2\r\n"}, {"2*", ""}}, SIGTERM},
    // Tab: one name fits (a function gets its parenthesis), and a variable made in the session.
    {"tab_completes_the_name_that_fits", {"-q"}, "xterm", true,
     {{"sq\t9)\r", "\t3\r\n"}, {"velocity=3\r", "\t3\r\n"}, {"vel\t*2\r", "\t6\r\n"}, {"\x04", ""}}},
    // Several fit: the first Tab completes what they share, the second lists them and shows the line again.
    {"tab_twice_lists_the_names_that_fit", {"-q"}, "xterm", true,
     {{"si\t", "sin"}, {"\t", "\r\nsin(  sinh(\r\n"}, {"h(0)\r", "\t0\r\n"}, {"\x04", ""}}},
    // No name fits, or the cursor is inside one: the Tab changes nothing (were it a blank, both
    // lines would be parse errors).
    {"tab_where_no_name_fits_does_nothing", {"-q"}, "xterm", true,
     {{"q\t1\r", "\t0\r\n"}, {"sqr\x02\t\r", "\t0\r\n"}, {"\x04", ""}}},
};

// Reads the screen until `done` holds; false after 20 seconds without.
template <typename Condition>
bool read_screen_until(int master, std::string& screen, Condition done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (char block[4096]; !done();) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    pollfd ready{master, POLLIN, 0};
    ssize_t n = poll(&ready, 1, 10) > 0 ? read(master, block, sizeof block) : 0;
    if (n > 0) screen.append(block, static_cast<std::size_t>(n));
  }
  return true;
}

// A program at a pseudo-terminal, and what its screen has shown so far.
struct Terminal {
  int master = -1, device = -1;  // the keyboard and screen; the program's side
  pid_t pid = -1;
  termios found{};
  std::string screen;
  std::size_t seen = 0;  // how far the screen has been matched
};

// Reads the screen until `text` shows past what was matched before.
bool shows(Terminal& t, const std::string& text) {
  bool shown = read_screen_until(t.master, t.screen, [&] { return t.screen.find(text, t.seen) != std::string::npos; });
  t.seen = shown ? t.screen.find(text, t.seen) + text.size() : t.seen;
  return shown;
}

// Starts the program of `c` at a terminal in its locale, and awaits its banner.
void start_at_terminal(Terminal& t, const TerminalCase& c) {
  winsize size{24, 80, 0, 0};
  ASSERT_EQ(openpty(&t.master, &t.device, nullptr, nullptr, &size), 0);
  termios now{};
  tcgetattr(t.device, &t.found);
  setenv("TERM", c.term, 1);
  setenv("LC_ALL", c.locale, 1);
  rlimit no_core{0, 0};  // SIGQUIT leaves no core file behind
  setrlimit(RLIMIT_CORE, &no_core);
  t.pid = start_program_on_terminal(ZIFFRALON_BINARY, c.arguments, t.device);
  // No key may meet the terminal's own line editing before the editor has it.
  auto editor_has_it = [&] { return tcgetattr(t.master, &now) == 0 && !(now.c_lflag & ICANON); };
  EXPECT_TRUE(!c.editor || read_screen_until(t.master, t.screen, editor_has_it));
  std::string banner = c.arguments.empty() ? BANNER : "";
  EXPECT_TRUE(shows(t, banner) && t.screen.compare(0, banner.size(), banner) == 0);
}

void type_and_await(Terminal& t, const std::string& keys, const std::string& answer) {
  for (std::size_t at = 0; at < keys.size(); at += 256) {  // in pieces, the screen read in between
    std::string piece = keys.substr(at, 256);
    ASSERT_EQ(write(t.master, piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
    read_screen_until(t.master, t.screen, [once = true]() mutable { return !std::exchange(once, false); });
  }
  EXPECT_TRUE(shows(t, answer)) << testing::PrintToString(answer) << " after " << testing::PrintToString(keys)
                                << " on " << testing::PrintToString(t.screen);
}

// The program must end as `c` says, with the terminal as found.
void end_at_terminal(Terminal& t, const TerminalCase& c) {
  if (c.ending_signal) kill(t.pid, c.ending_signal);
  siginfo_t info{};
  auto exited = [&] { return waitid(P_PID, t.pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == t.pid; };
  EXPECT_TRUE(read_screen_until(t.master, t.screen, exited));
  if (info.si_pid != t.pid) kill(t.pid, SIGKILL);
  ProgramRun run{};
  wait_program(t.pid, run);
  EXPECT_EQ(run.exit_status, c.ending_signal ? -1 : 0);
  EXPECT_EQ(run.signal, c.ending_signal);
  termios now{};
  tcgetattr(t.device, &now);
  EXPECT_EQ(std::tie(now.c_iflag, now.c_oflag, now.c_cflag, now.c_lflag),
            std::tie(t.found.c_iflag, t.found.c_oflag, t.found.c_cflag, t.found.c_lflag));
  EXPECT_EQ(std::memcmp(now.c_cc, t.found.c_cc, sizeof now.c_cc), 0);
  close(t.device);
  close(t.master);
}

// Types the keys of `c` and awaits each answer; returns the screen.
std::string run_at_terminal(const TerminalCase& c) {
  Terminal t;
  start_at_terminal(t, c);
  for (const auto& [keys, answer] : c.keys_and_answers) type_and_await(t, keys, answer);
  end_at_terminal(t, c);
  return t.screen;
}

void PrintTo(const TerminalCase& test_case, std::ostream* out) { *out << test_case.name; }

class AtTerminal : public testing::TestWithParam<TerminalCase> {};

TEST_P(AtTerminal, AnswersInOrderEndsAsExpectedAndRestoresTheTerminal) {
  if (GetParam().editor && !ZIFFRALON_LINE_EDITOR_BUILT) GTEST_SKIP() << "built without libedit: no line editor";
  run_at_terminal(GetParam());
}

// Typed or pasted bytes reach the calculator as they are, whether they form
// characters of the locale or not (in C none but ASCII do): every line
// answers as through a pipe.
TEST(AtTerminal, EveryByteAnswersAsThroughAPipe) {
  if (!ZIFFRALON_LINE_EDITOR_BUILT) GTEST_SKIP() << "built without libedit: no line editor";
  for (const char* locale : {"C.UTF-8", "C"}) {
    TerminalCase c{"bytes", {"-q"}, "xterm", true, {}, 0, locale};
    for (std::string line : {"1\xFC+2", "\xFF", "2*\xC3\xBC", "3+\xC3", "\xE2\x82\xAC", "4*\xF0\x9F\x98\x80+1",
                             "\xED\xB2\x80 \xC0\xAF \xF4\x90\x80\x80", "5+5"}) {
      std::string answer = run_program(ZIFFRALON_BINARY, line + "\n", 0, {"-q"}).output;
      for (std::size_t at = 0; (at = answer.find('\n', at)) != std::string::npos; at += 2) answer.insert(at, "\r");
      c.keys_and_answers.emplace_back(line + "\r", answer);
    }
    c.keys_and_answers.emplace_back("\x04", "");
    run_at_terminal(c);
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, AtTerminal, testing::ValuesIn(CASES),
                         [](const testing::TestParamInfo<TerminalCase>& info) { return info.param.name; });


// The history file: each test gets a folder of its own, and the variables
// that name the file are put back afterwards.
class KeptHistory : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/ziffralon-history-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    folder = name;
  }
  void TearDown() override {
    setenv("ZIFFRALON_HISTORY", "", 1);
    unsetenv("XDG_STATE_HOME");
    std::filesystem::remove_all(folder);
  }
  std::string folder;
};

void write_file(const std::string& name, const std::string& content) {
  std::ofstream(name, std::ios::binary) << content;
}

int mode_of(const std::string& name) {
  struct stat status {};
  return stat(name.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

// What the terminal shows for `line` typed and entered.
std::string answer_of(const std::string& line) {
  std::string answer = run_program(ZIFFRALON_BINARY, line + "\n", 0, {"-q"}).output;
  for (std::size_t at = 0; (at = answer.find('\n', at)) != std::string::npos; at += 2) answer.insert(at, "\r");
  return answer;
}

const TerminalCase SESSION{"session", {"-q"}, "xterm", true, {}};

TerminalCase session_typing(std::vector<std::pair<std::string, std::string>> keys_and_answers) {
  TerminalCase c = SESSION;
  c.keys_and_answers = std::move(keys_and_answers);
  c.keys_and_answers.emplace_back("\x04", "");
  return c;
}

// In its default place, made for its owner alone; every entered line once,
// blank ones and repeats not, bytes as typed; the next session starts with them.
TEST_F(KeptHistory, ASecondSessionRecallsTheFirstOnesLines) {
  if (!ZIFFRALON_LINE_EDITOR_BUILT) GTEST_SKIP() << "built without libedit: no line editor";
  unsetenv("ZIFFRALON_HISTORY");
  setenv("XDG_STATE_HOME", (folder + "/state").c_str(), 1);
  std::string bytes = "2*\xFC";  // no character of the locale
  run_at_terminal(session_typing({{"k=6*7\r", "\t42\r\n"}, {"1+1\r", "\t2\r\n"}, {"1+1\r", "\t2\r\n"},
                                  {" \r", ""}, {bytes + "\r", answer_of(bytes)}}));
  std::string file = folder + "/state/ziffralon/history";
  EXPECT_EQ(read_file(file), "k=6*7\n1+1\n" + bytes + "\n");
  EXPECT_EQ(mode_of(folder + "/state"), 0700);
  EXPECT_EQ(mode_of(folder + "/state/ziffralon"), 0700);
  EXPECT_EQ(mode_of(file), 0600);
  run_at_terminal(session_typing({{"\x1b[A\r", answer_of(bytes)}, {"\x1b[A\x1b[A\x1b[A\r", "\t42\r\n"}}));
  std::string kept = "k=6*7\n1+1\n" + bytes + "\nk=6*7\n";
  EXPECT_EQ(read_file(file), kept);
  // Without the editor, or told so, no session writes it.
  run_program(ZIFFRALON_BINARY, "5*5\n");
  const TerminalCase WITHOUT_FILE[] = {{"no_history", {"-q", "--no-history"}, "xterm", true, {}},
                                      {"no_editor", {"-q", "--no-editor"}, "xterm", false, {}},
                                      {"dumb", {"-q"}, "dumb", false, {}}};
  for (TerminalCase c : WITHOUT_FILE) {
    c.keys_and_answers = {{"5*5\r", "\t25\r\n"}, {"\x04", ""}};
    run_at_terminal(c);
  }
  EXPECT_EQ(read_file(file), kept);
}

// Two sessions paste lines at the same time into a full file, so that both
// trim it meanwhile: every line of both is kept, in the order typed.
TEST_F(KeptHistory, TwoSessionsAtOnceLoseNoLine) {
  if (!ZIFFRALON_LINE_EDITOR_BUILT) GTEST_SKIP() << "built without libedit: no line editor";
  std::string file = folder + "/history", full;
  for (int n = 1; n <= 1000; ++n) full += "z=" + std::to_string(n) + "\n";
  write_file(file, full);
  setenv("ZIFFRALON_HISTORY", file.c_str(), 1);
  const int LINES = 150;
  Terminal sessions[2];
  std::string pasted[2];
  for (int n = 1; n <= LINES; ++n)
    for (int s = 0; s < 2; ++s) pasted[s] += std::string(1, "ab"[s]) + "=" + std::to_string(n) + "\r";
  for (Terminal& t : sessions) start_at_terminal(t, SESSION);
  for (int s = 0; s < 2; ++s)
    ASSERT_EQ(write(sessions[s].master, pasted[s].data(), pasted[s].size()), static_cast<ssize_t>(pasted[s].size()));
  for (int s = 0; s < 2; ++s) type_and_await(sessions[s], "", "\t" + std::to_string(LINES) + "\r\n");
  for (Terminal& t : sessions) type_and_await(t, "\x04", "");
  for (Terminal& t : sessions) end_at_terminal(t, SESSION);
  std::string kept = read_file(file);
  EXPECT_LE(std::count(kept.begin(), kept.end(), '\n'), 1100);
  for (char session : {'a', 'b'}) {
    std::size_t at = 0;
    for (int n = 1; n <= LINES && at != std::string::npos; ++n)
      at = kept.find(std::string("\n") + session + "=" + std::to_string(n) + "\n", at);
    EXPECT_NE(at, std::string::npos) << session << " lost a line: " << kept;
  }
}

struct BadHistoryFile {
  const char* name;
  // Makes the fault in `folder`; returns the file that must stay as it is.
  std::function<std::string(const std::string& folder)> make;
};

rlimit file_size_found;

const BadHistoryFile BAD_HISTORY_FILES[] = {
    {"folder_cannot_be_made", [](const std::string& folder) {
       write_file(folder + "/file", "1\n");
       unsetenv("ZIFFRALON_HISTORY");
       setenv("XDG_STATE_HOME", (folder + "/file/state").c_str(), 1);
       return folder + "/file";
     }},
    {"read_only", [](const std::string& folder) {
       write_file(folder + "/history", "1\n");
       chmod((folder + "/history").c_str(), 0400);
       setenv("ZIFFRALON_HISTORY", (folder + "/history").c_str(), 1);
       return folder + "/history";
     }},
    // The file cannot grow (as on a full disk): its first append fails.
    {"full", [](const std::string& folder) {
       write_file(folder + "/history", "1\n");
       setenv("ZIFFRALON_HISTORY", (folder + "/history").c_str(), 1);
       rlimit full{2, file_size_found.rlim_max};
       setrlimit(RLIMIT_FSIZE, &full);
       std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead
       return folder + "/history";
     }},
    {"folder", [](const std::string& folder) {
       setenv("ZIFFRALON_HISTORY", folder.c_str(), 1);
       return folder + "/nothing";
     }},
    {"nul_bytes", [](const std::string& folder) {
       write_file(folder + "/history", std::string("1\n\0\0\n", 5));
       setenv("ZIFFRALON_HISTORY", (folder + "/history").c_str(), 1);
       return folder + "/history";
     }},
    {"over_long_line", [](const std::string& folder) {
       write_file(folder + "/history", "1\n" + std::string(5000, '1') + "\n");
       setenv("ZIFFRALON_HISTORY", (folder + "/history").c_str(), 1);
       return folder + "/history";
     }},
};

// The session goes on with the history of its own lines, says one line on
// standard error, and leaves the file as it was.
TEST_F(KeptHistory, BadFileNeverStopsTheSession) {
  if (!ZIFFRALON_LINE_EDITOR_BUILT) GTEST_SKIP() << "built without libedit: no line editor";
  getrlimit(RLIMIT_FSIZE, &file_size_found);
  for (const BadHistoryFile& bad : BAD_HISTORY_FILES) {
    SCOPED_TRACE(bad.name);
    if (bad.name == std::string("read_only") && geteuid() == 0) continue;  // root may write it all the same
    std::string kept = bad.make(folder);
    std::string before = read_file(kept);
    std::string screen = run_at_terminal(session_typing({{"1+1\r", "\t2\r\n"}, {"2+2\r", "\t4\r\n"},
                                                         {"\x1b[A\x1b[A\r", "\t2\r\n"}}));
    setrlimit(RLIMIT_FSIZE, &file_size_found);
    std::signal(SIGXFSZ, SIG_DFL);
    std::size_t said = screen.find("ziffralon: history is not kept: ");
    EXPECT_NE(said, std::string::npos) << screen;
    EXPECT_EQ(screen.find("ziffralon:", said + 1), std::string::npos) << screen;
    EXPECT_EQ(read_file(kept), before);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
  }
}

}  // namespace
