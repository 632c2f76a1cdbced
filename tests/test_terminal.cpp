// The program at a terminal: a pseudo-terminal stands in for the user, types
// keys and reads the screen. Answers are awaited in order; how the editor
// echoes and redraws what is typed is its own business.
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "process.h"

namespace {

// The banner as a terminal shows it: every "\n" leaves as "\r\n".
const std::string BANNER = "\r\n## ZIFFRALON V0.32 ##\r\r\n\r\r\n?<ENTER> fuer Hilfe\r\n\r\n";

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

// Types the keys of `c` at a terminal in its locale and awaits each
// answer; the program must end as the case says, with the terminal as found.
void run_at_terminal(const TerminalCase& c) {
  int master = -1, device = -1;  // the keyboard and screen; the program's side
  winsize size{24, 80, 0, 0};
  ASSERT_EQ(openpty(&master, &device, nullptr, nullptr, &size), 0);
  termios found{}, now{};
  tcgetattr(device, &found);
  setenv("TERM", c.term, 1);
  setenv("LC_ALL", c.locale, 1);
  rlimit no_core{0, 0};  // SIGQUIT leaves no core file behind
  setrlimit(RLIMIT_CORE, &no_core);
  pid_t pid = start_program_on_terminal(ZIFFRALON_BINARY, c.arguments, device);
  std::string screen;
  std::size_t seen = 0;  // how far the screen has been matched
  auto shows = [&](const std::string& text) {
    bool shown = read_screen_until(master, screen, [&] { return screen.find(text, seen) != std::string::npos; });
    seen = shown ? screen.find(text, seen) + text.size() : seen;
    return shown;
  };
  // No key may meet the terminal's own line editing before the editor has it.
  auto editor_has_it = [&] { return tcgetattr(master, &now) == 0 && !(now.c_lflag & ICANON); };
  EXPECT_TRUE(!c.editor || read_screen_until(master, screen, editor_has_it));
  std::string banner = c.arguments.empty() ? BANNER : "";
  EXPECT_TRUE(shows(banner) && screen.compare(0, banner.size(), banner) == 0);
  for (const auto& [keys, answer] : c.keys_and_answers) {
    for (std::size_t at = 0; at < keys.size(); at += 256) {  // in pieces, the screen read in between
      std::string piece = keys.substr(at, 256);
      ASSERT_EQ(write(master, piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
      read_screen_until(master, screen, [once = true]() mutable { return !std::exchange(once, false); });
    }
    EXPECT_TRUE(shows(answer)) << testing::PrintToString(answer) << " after " << testing::PrintToString(keys)
                               << " on " << testing::PrintToString(screen);
  }
  if (c.ending_signal) kill(pid, c.ending_signal);
  siginfo_t info{};
  auto exited = [&] { return waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid; };
  EXPECT_TRUE(read_screen_until(master, screen, exited));
  if (info.si_pid != pid) kill(pid, SIGKILL);
  ProgramRun run{};
  wait_program(pid, run);
  EXPECT_EQ(run.exit_status, c.ending_signal ? -1 : 0);
  EXPECT_EQ(run.signal, c.ending_signal);
  tcgetattr(device, &now);
  EXPECT_EQ(std::tie(now.c_iflag, now.c_oflag, now.c_cflag, now.c_lflag),
            std::tie(found.c_iflag, found.c_oflag, found.c_cflag, found.c_lflag));
  EXPECT_EQ(std::memcmp(now.c_cc, found.c_cc, sizeof now.c_cc), 0);
  close(device);
  close(master);
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

}  // namespace
