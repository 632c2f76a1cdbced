// The real program on inputs too large to store as transcripts, and driven
// line by line through pipes.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>

#include "process.h"

namespace {

const std::string BANNER = "\n## ZIFFRALON V0.32 ##\r\n\r\n?<ENTER> fuer Hilfe\n\n";
const std::string LISTING_AT_START = "e\t= 2.718282\npi\t= 3.141592654\n";
const std::string LENGTH_MESSAGE = "identifier length is limited to 255 chars\n";

// The output after banner and prompt; the exit status must be 0.
std::string session(const std::string& input) {
  ProgramRun run = run_program(ZIFFRALON_BINARY, input);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.output.substr(0, BANNER.size()), BANNER);
  return run.output.substr(BANNER.size());
}

std::string nested(int depth, const std::string& inner) {
  return std::string(static_cast<std::size_t>(depth), '(') + inner + std::string(static_cast<std::size_t>(depth), ')');
}

TEST(Limits, IdentifierOf255CharactersIsAccepted) {
  std::string name(255, 'a');
  EXPECT_EQ(session(name + "=4\n#\n"), "\t4\n" + name + "\t= 4\n" + LISTING_AT_START);
}

TEST(Limits, IdentifierOf256CharactersIsRefused) {
  EXPECT_EQ(session(std::string(256, 'b') + "\n#\n"), LENGTH_MESSAGE + "parse error\n" + LISTING_AT_START);
}

TEST(Limits, LettersAfterThe256thStartANewVariable) {
  std::string word = std::string(255, 'c') + "X" + std::string(44, 'd');
  EXPECT_EQ(session(word + "\n#\n"),
            LENGTH_MESSAGE + "parse error\n" + std::string(44, 'd') + "\t= 0\n" + LISTING_AT_START);
}

TEST(Limits, NinetyNinetyFiveParenthesesParse) {
  EXPECT_EQ(session(nested(9995, "7") + "\n" + nested(9995, "8") + "\n"), "\t7\n\t8\n");
}

TEST(Limits, NinetyNinetySixParenthesesOverflowAndEndTheSession) {
  EXPECT_EQ(session(nested(9996, "7") + "\n5\n"), "parser stack overflow\n");
}

TEST(Limits, NumberLiteralOf349CharactersIsOneNumber) {
  std::string digits(348, '0');
  EXPECT_EQ(session(digits + "1\n"), "\t1\n");
  EXPECT_EQ(session(digits + "12\n"), "parse error\n");  // 350 characters: two numbers
  EXPECT_EQ(session("1." + std::string(347, '0') + "e5\n"), "parse error\n");  // 'e' is the 350th
  EXPECT_EQ(session("1." + std::string(346, '0') + "e5\n"), "parse error\n");  // '5' is the 350th
  EXPECT_EQ(session("1." + std::string(345, '0') + "e5\n"), "\t100000\n");
}

TEST(Limits, HugeFactorialsAnswerAtOnce) {
  std::string input;
  for (int i = 0; i < 200; ++i) input += "2147483647!\n";
  std::string expected;
  for (int i = 0; i < 200; ++i) expected += "\t1.#INF\n";
  EXPECT_EQ(session(input), expected);
}

// A child with both ends of its standard streams on pipes held by the test.
struct PipedProgram {
  pid_t pid;
  int to_child;
  int from_child;
};

PipedProgram start_piped() {
  int in[2];
  int out[2];
  if (pipe(in) != 0 || pipe(out) != 0) std::abort();
  pid_t pid = start_program(ZIFFRALON_BINARY, {}, in[0], out[1]);
  close(in[0]);
  close(out[1]);
  return PipedProgram{pid, in[1], out[0]};
}

// Reads until `expected` has arrived whole, or gives up after a few seconds.
std::string read_answer(int fd, std::size_t expected_size) {
  std::string got;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (got.size() < expected_size && std::chrono::steady_clock::now() < deadline) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    char block[4096];
    ssize_t n = read(fd, block, sizeof block);
    if (n <= 0) break;
    got.append(block, static_cast<std::size_t>(n));
  }
  return got;
}

TEST(Pipes, EachAnswerArrivesBeforeTheNextLineIsSent) {
  PipedProgram program = start_piped();
  EXPECT_EQ(read_answer(program.from_child, BANNER.size()), BANNER);
  const struct {
    const char* line;
    const char* answer;
  } exchange[] = {
      {"1+1\n", "\t2\n"},
      {"a=pi/2\n", "\t1.570796327\n"},
      {"sin(a)\n", "\t1\n"},
      {"1 2\n", "parse error\n"},
      {"#\n", "a\t= 1.570796327\ne\t= 2.718282\npi\t= 3.141592654\n"},
      {"3;4;\n", "\t3\n\t4\n"},
  };
  for (const auto& step : exchange) {
    std::string line = step.line;
    ASSERT_EQ(write(program.to_child, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    EXPECT_EQ(read_answer(program.from_child, std::string(step.answer).size()), step.answer) << step.line;
  }
  close(program.to_child);
  EXPECT_EQ(read_answer(program.from_child, 1), "");  // the closing run prints nothing
  close(program.from_child);
  ProgramRun run{};
  wait_program(program.pid, run);
  EXPECT_EQ(run.exit_status, 0);
}

// Lines 1, 2, 3, ... as input; the answers of the first `count` of them.
std::string counting_lines(long count) {
  std::string text;
  for (long i = 1; i <= count; ++i) text += std::to_string(i) + "\n";
  return text;
}
std::string counting_answers(long count) {
  std::string text;
  for (long i = 1; i <= count; ++i) text += "\t" + std::to_string(i) + "\n";
  return text;
}

// True when `answers` is exactly the answers to lines 1 to some k.
bool whole_counting_answers(const std::string& answers) {
  std::size_t lines = static_cast<std::size_t>(std::count(answers.begin(), answers.end(), '\n'));
  return answers == counting_answers(static_cast<long>(lines));
}

// `yes 1+1 | ziffralon | head -2` must end: once standard output is gone for
// good, input ends, and a finite input is not computed to its end either.
TEST(FaultRegression, ClosedReaderNeverEndsTheProgram) {
  int in[2];
  int out[2];
  if (pipe(in) != 0 || pipe(out) != 0) std::abort();
  close(out[0]);  // the reader is gone before the first answer
  pid_t pid = start_program(ZIFFRALON_BINARY, {}, in[0], out[1]);
  close(in[0]);
  close(out[1]);
  std::signal(SIGPIPE, SIG_IGN);
  const std::string LINES = std::string(1000, ' ') + "1+1\n";
  long sent = 0;
  while (write(in[1], LINES.data(), LINES.size()) > 0) sent += static_cast<long>(LINES.size());
  EXPECT_EQ(errno, EPIPE);  // the calculator stopped reading
  EXPECT_LT(sent, 4L << 20);
  close(in[1]);
  ProgramRun run{};
  wait_program(pid, run);
  EXPECT_EQ(run.exit_status, 0);
}

// Another process may have made the output non-blocking; every answer must
// still arrive, waited for rather than dropped.
TEST(FaultRegression, NonBlockingOutputDropsAnswers) {
  const long LINES = 300000;
  int input = temporary_input(counting_lines(LINES));
  int out[2];
  if (pipe(out) != 0) std::abort();
  fcntl(out[1], F_SETFL, fcntl(out[1], F_GETFL) | O_NONBLOCK);
  pid_t pid = start_program(ZIFFRALON_BINARY, {}, input, out[1]);
  close(out[1]);
  close(input);
  usleep(200000);  // let the pipe fill, so that writes meet EAGAIN
  std::string output = read_all(out[0]);
  ProgramRun run{};
  wait_program(pid, run);
  EXPECT_EQ(run.exit_status, 0);
  ASSERT_EQ(output.substr(0, BANNER.size()), BANNER);
  EXPECT_TRUE(output.substr(BANNER.size()) == counting_answers(LINES)) << output.size() << " bytes";
}

// A batch stopped by a signal while answers wait in the output buffer: the
// answers of every line read are written, then the process ends by the signal.
TEST(FaultRegression, StopSignalLosesComputedAnswers) {
  for (int signal_number : {SIGINT, SIGTERM}) {
    int input = temporary_input(counting_lines(2000000));
    int out[2];
    if (pipe(out) != 0) std::abort();
    pid_t pid = start_program(ZIFFRALON_BINARY, {}, input, out[1]);
    close(out[1]);
    close(input);
    // Wait until the pipe is full, so that the program holds unwritten answers.
    const int NEARLY_FULL = 60000;  // of a 64 KiB pipe
    int in_pipe = 0;
    for (int tries = 0; in_pipe < NEARLY_FULL && tries < 500; ++tries) {
      usleep(20000);
      ioctl(out[0], FIONREAD, &in_pipe);
    }
    ASSERT_GE(in_pipe, NEARLY_FULL);
    kill(pid, signal_number);
    std::string output = read_all(out[0]);
    ProgramRun run{};
    wait_program(pid, run);
    EXPECT_EQ(run.signal, signal_number);
    EXPECT_GT(output.size(), static_cast<std::size_t>(in_pipe)) << "answers held at the signal were lost";
    ASSERT_EQ(output.substr(0, BANNER.size()), BANNER);
    std::string answers = output.substr(BANNER.size());
    EXPECT_TRUE(whole_counting_answers(answers)) << answers.size() << " bytes";
    EXPECT_LT(answers.size(), counting_answers(2000000).size());  // it did stop
  }
}

// A signal during a blocking read ends input at once.
TEST(FaultRegression, StopSignalDuringBlockingRead) {
  PipedProgram program = start_piped();
  EXPECT_EQ(read_answer(program.from_child, BANNER.size()), BANNER);
  ASSERT_EQ(write(program.to_child, "1+1\n", 4), 4);
  EXPECT_EQ(read_answer(program.from_child, 3), "\t2\n");
  kill(program.pid, SIGINT);
  ProgramRun run{};
  wait_program(program.pid, run);  // the test's input pipe is still open
  EXPECT_EQ(run.signal, SIGINT);
  close(program.to_child);
  close(program.from_child);
}

}  // namespace
