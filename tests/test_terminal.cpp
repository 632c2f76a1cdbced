// The program at a terminal: a pseudo-terminal stands in for the user, types
// keys and reads the screen. Answers are awaited in order; the echo of what is
// typed (and how the editor redraws it) is the editor's own business.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "process.h"

namespace {

// The banner as a terminal shows it: every "\n" leaves as "\r\n".
const std::string BANNER_ON_SCREEN = "\r\n## ZIFFRALON V0.32 ##\r\r\n\r\r\n?<ENTER> fuer Hilfe\r\n\r\n";

struct Terminal {
  pid_t pid;
  int keyboard_and_screen;  // the master side
  int device;               // the program's side, kept open to read its settings
  termios found;            // its settings before the program started
  std::string screen;       // everything shown so far
  std::size_t seen;         // how far the screen has been matched
};

Terminal start_terminal(const std::vector<std::string>& arguments, const char* term) {
  int master = -1;
  int slave = -1;
  winsize size{24, 80, 0, 0};
  if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) std::abort();
  setenv("TERM", term, 1);
  termios found{};
  tcgetattr(slave, &found);
  pid_t pid = start_program_on_terminal(ZIFFRALON_BINARY, arguments, slave);
  return Terminal{pid, master, slave, found, "", 0};
}

// Reads what the program shows for up to `wait`; false once nothing more can come.
bool read_screen(Terminal& terminal, std::chrono::milliseconds wait) {
  pollfd ready{terminal.keyboard_and_screen, POLLIN, 0};
  if (poll(&ready, 1, static_cast<int>(wait.count())) <= 0) return true;
  char block[4096];
  ssize_t n = read(terminal.keyboard_and_screen, block, sizeof block);
  if (n <= 0) return false;
  terminal.screen.append(block, static_cast<std::size_t>(n));
  return true;
}

// Types `keys` a piece at a time, reading the screen in between, so that a
// long line never stalls on a full screen buffer.
void type(Terminal& terminal, const std::string& keys) {
  for (std::size_t at = 0; at < keys.size(); at += 256) {
    std::string piece = keys.substr(at, 256);
    ASSERT_EQ(write(terminal.keyboard_and_screen, piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
    read_screen(terminal, std::chrono::milliseconds(1));
  }
}

// Waits until `text` appears after everything matched so far.
bool await(Terminal& terminal, const std::string& text) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (terminal.screen.find(text, terminal.seen) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline || !read_screen(terminal, std::chrono::milliseconds(50)))
      return false;
  }
  terminal.seen = terminal.screen.find(text, terminal.seen) + text.size();
  return true;
}

// Waits until the editor has the terminal (it leaves canonical mode), so that
// no key meets the terminal's own line editing.
bool await_editor(Terminal& terminal) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (termios settings{}; std::chrono::steady_clock::now() < deadline;) {
    if (tcgetattr(terminal.keyboard_and_screen, &settings) == 0 && !(settings.c_lflag & ICANON)) return true;
    read_screen(terminal, std::chrono::milliseconds(10));
  }
  return false;
}

bool has_exited(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Reads the screen until the program has ended, then its exit.
ProgramRun finish(Terminal& terminal) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!has_exited(terminal.pid) && std::chrono::steady_clock::now() < deadline)
    read_screen(terminal, std::chrono::milliseconds(10));
  for (std::size_t shown = 0; shown != terminal.screen.size();) {  // what is left to read
    shown = terminal.screen.size();
    read_screen(terminal, std::chrono::milliseconds(10));
  }
  if (!has_exited(terminal.pid)) kill(terminal.pid, SIGKILL);
  ProgramRun run{};
  wait_program(terminal.pid, run);
  return run;
}

// The program must leave the terminal as it found it.
bool settings_restored(const Terminal& terminal) {
  termios now{};
  tcgetattr(terminal.device, &now);
  const termios& found = terminal.found;
  return now.c_iflag == found.c_iflag && now.c_oflag == found.c_oflag && now.c_cflag == found.c_cflag &&
         now.c_lflag == found.c_lflag && std::memcmp(now.c_cc, found.c_cc, sizeof now.c_cc) == 0;
}

struct Exchange {
  std::string keys;
  std::string answer;  // awaited on the screen after the keys
};

struct TerminalCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* term;
  bool editor;  // the line editor is expected to take the terminal
  std::vector<Exchange> exchanges;  // the last one's keys end the session
};

std::string ones_summed(int count) {
  std::string sum = "1";
  for (int i = 1; i < count; ++i) sum += "+1";
  return sum;
}

const TerminalCase CASES[] = {
    {"answer", {}, "xterm", true, {{"1+1\r", "\t2\r\n"}, {"\x04", ""}}},
    {"up_arrow_repeats_a_line", {}, "xterm", true, {{"n=n+1\r", "\t1\r\n"}, {"\x1b[A\r", "\t2\r\n"}, {"\x04", ""}}},
    {"ctrl_r_finds_a_line", {}, "xterm", true, {{"k=7*6\r", "\t42\r\n"}, {"1\r", "\t1\r\n"}, {"\x12k=\r", "\t42\r\n"},
                                          {"\x04", ""}}},
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
};

void PrintTo(const TerminalCase& test_case, std::ostream* out) { *out << test_case.name; }

class AtTerminal : public testing::TestWithParam<TerminalCase> {};

TEST_P(AtTerminal, AnswersInOrderAndEndsWithStatusZero) {
  const TerminalCase& test_case = GetParam();
  if (test_case.editor && !ZIFFRALON_LINE_EDITOR_BUILT) GTEST_SKIP() << "built without libedit: no line editor";
  Terminal terminal = start_terminal(test_case.arguments, test_case.term);
  if (test_case.editor) {
    ASSERT_TRUE(await_editor(terminal));
  }
  std::string banner = test_case.arguments.empty() ? BANNER_ON_SCREEN : "";
  EXPECT_TRUE(await(terminal, banner));
  for (const Exchange& exchange : test_case.exchanges) {
    type(terminal, exchange.keys);
    EXPECT_TRUE(await(terminal, exchange.answer)) << "no " << testing::PrintToString(exchange.answer) << " after "
                                                  << testing::PrintToString(exchange.keys.substr(0, 40))
                                                  << " on " << testing::PrintToString(terminal.screen.substr(0, 300));
  }
  ProgramRun run = finish(terminal);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_TRUE(settings_restored(terminal));
  close(terminal.device);
  close(terminal.keyboard_and_screen);
  if (!banner.empty()) {
    EXPECT_EQ(terminal.screen.substr(0, banner.size()), banner);
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, AtTerminal, testing::ValuesIn(CASES),
                         [](const testing::TestParamInfo<TerminalCase>& info) { return info.param.name; });

}  // namespace
