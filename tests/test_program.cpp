// The real program on inputs too large to store as transcripts, and driven
// through pipes: answers as lines arrive, readers that go away, signals.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "process.h"

namespace {

const std::string BANNER = "\n## ZIFFRALON V0.32 ##\r\n\r\n?<ENTER> fuer Hilfe\n\n";

std::string nested(int depth, const std::string& inner) {
  return std::string(static_cast<std::size_t>(depth), '(') + inner + std::string(static_cast<std::size_t>(depth), ')');
}

// The deepest nesting the parser takes, and one more; names and literals at
// their limits are in the transcript "limits".
TEST(Limits, NinetyNinetyFiveParentheses) {
  auto outcome = [](const std::string& input, const std::vector<std::string>& arguments = {}) {
    ProgramRun run = run_program(ZIFFRALON_BINARY, input, 0, arguments);
    return run.output + "exit " + std::to_string(run.exit_status);
  };
  EXPECT_EQ(outcome(nested(9995, "7") + "\n" + nested(9995, "8") + "\n"), BANNER + "\t7\n\t8\nexit 0");
  EXPECT_EQ(outcome(nested(9996, "7") + "\n5\n"), BANNER + "parser stack overflow\nexit 0");  // the session ends
  EXPECT_EQ(outcome("", {"-e", nested(9996, "7")}), "parser stack overflow\nexit 1");
}

// The program with its standard output on a pipe the test reads, and its
// standard input from a file holding `input` or, without one, from a pipe
// the test writes; `flags` are set on the child's ends of both pipes.
struct PipedProgram {
  pid_t pid;
  int to_child;
  int from_child;
};
PipedProgram start_piped(const std::optional<std::string>& input = std::nullopt, int flags = 0,
                         const std::vector<std::string>& arguments = {}) {
  int in[2] = {-1, -1};
  int out[2];
  if (pipe(out) != 0 || (!input && pipe(in) != 0)) std::abort();
  if (input) in[0] = temporary_input(*input);
  for (int end : {in[0], out[1]}) fcntl(end, F_SETFL, fcntl(end, F_GETFL) | flags);
  pid_t pid = start_program(ZIFFRALON_BINARY, arguments, in[0], out[1]);
  close(in[0]);
  close(out[1]);
  return PipedProgram{pid, in[1], out[0]};
}

ProgramRun finish(pid_t pid) {
  ProgramRun run{};
  wait_program(pid, run);
  return run;
}

// Reads `size` bytes, or what arrives before end of file.
std::string read_answer(int fd, std::size_t size) {
  std::string got;
  char block[4096];
  for (ssize_t n; got.size() < size && (n = read(fd, block, std::min(sizeof block, size - got.size()))) > 0;)
    got.append(block, static_cast<std::size_t>(n));
  return got;
}

TEST(Pipes, EachAnswerArrivesBeforeTheNextLineIsSent) {
  PipedProgram program = start_piped();
  EXPECT_EQ(read_answer(program.from_child, BANNER.size()), BANNER);
  const std::string exchange[][2] = {
      {"1+1\n", "\t2\n"}, {"1 2\n", "parse error\n"}, {"#\n", "e\t= 2.718282\npi\t= 3.141592654\n"},
  };
  for (const auto& [line, answer] : exchange) {
    ASSERT_EQ(write(program.to_child, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    EXPECT_EQ(read_answer(program.from_child, answer.size()), answer) << line;
  }
  close(program.to_child);
  EXPECT_EQ(read_all(program.from_child), "");  // the closing run prints nothing
  EXPECT_EQ(finish(program.pid).exit_status, 0);
}

// Lines 1, 2, 3, ... as input, or the answers to them.
std::string counting(long count, const char* before = "") {
  std::string text;
  for (long i = 1; i <= count; ++i) text += before + std::to_string(i) + "\n";
  return text;
}

// `yes 1+1 | ziffralon | head -2` must end, normally: once standard output is
// gone for good, input ends, and a finite input is not computed to its end.
TEST(FaultRegression, ClosedReaderNeverEndsTheProgram) {
  PipedProgram program = start_piped();
  close(program.from_child);  // the reader is gone before the first answer
  std::signal(SIGPIPE, SIG_IGN);
  const std::string LINES = std::string(1000, ' ') + "1+1\n";
  long sent = 0;
  while (write(program.to_child, LINES.data(), LINES.size()) > 0) sent += static_cast<long>(LINES.size());
  EXPECT_EQ(errno, EPIPE);  // the calculator stopped reading
  EXPECT_LT(sent, 4L << 20);
  close(program.to_child);
  EXPECT_EQ(finish(program.pid).exit_status, 0);
}

// `ziffralon FILE | head -1`: when the reader is found gone at the end of an
// input block, input ends inside a line; that cut line is no message, and the
// status stays 0. Lines of 99 bytes without blanks: no block of 64 KiB ends
// at a line's end, and any line cut short is a parse error.
TEST(FaultRegression, ReaderGoneMakesStatusOne) {
  std::string line = "10";
  while (line.size() < 98) line += "+1";
  std::string input;
  for (int i = 0; i < 2000; ++i) input += line + "\n";
  PipedProgram program = start_piped(input, 0, {"-"});
  close(program.from_child);
  EXPECT_EQ(finish(program.pid).exit_status, 0);
}

// Another process may have made the output non-blocking; every answer must
// still arrive, waited for rather than dropped.
TEST(FaultRegression, NonBlockingOutputDropsAnswers) {
  const long LINES = 300000;
  PipedProgram program = start_piped(counting(LINES), O_NONBLOCK);
  usleep(200000);  // let the pipe fill, so that writes meet EAGAIN
  std::string output = read_all(program.from_child);
  EXPECT_EQ(finish(program.pid).exit_status, 0);
  EXPECT_TRUE(output == BANNER + counting(LINES, "\t")) << output.size() << " bytes";
}

// Non-blocking input that has nothing yet is waited for, not taken for a
// read error that ends the session.
TEST(FaultRegression, NonBlockingInputEndsWithReadError) {
  PipedProgram program = start_piped(std::nullopt, O_NONBLOCK);
  EXPECT_EQ(read_answer(program.from_child, BANNER.size()), BANNER);
  usleep(50000);  // the program meets the empty pipe
  std::signal(SIGPIPE, SIG_IGN);
  ASSERT_EQ(write(program.to_child, "1+1\n", 4), 4);
  close(program.to_child);
  EXPECT_EQ(read_all(program.from_child), "\t2\n");
  EXPECT_EQ(finish(program.pid).exit_status, 0);
}

// A batch stopped by a signal while answers wait in the output buffer: the
// answers of every line read are written, then the process ends by the signal.
TEST(FaultRegression, StopSignalLosesComputedAnswers) {
  const long LINES = 2000000;
  for (int signal_number : {SIGINT, SIGTERM}) {
    PipedProgram program = start_piped(counting(LINES));
    // Wait until the pipe is full, so that the program holds unwritten answers.
    const int NEARLY_FULL = 60000;  // of a 64 KiB pipe
    int in_pipe = 0;
    for (int tries = 0; in_pipe < NEARLY_FULL && tries < 500; ++tries) {
      usleep(20000);
      ioctl(program.from_child, FIONREAD, &in_pipe);
    }
    ASSERT_GE(in_pipe, NEARLY_FULL);
    kill(program.pid, signal_number);
    std::string output = read_all(program.from_child);
    EXPECT_EQ(finish(program.pid).signal, signal_number);
    EXPECT_GT(output.size(), static_cast<std::size_t>(in_pipe)) << "answers held at the signal were lost";
    ASSERT_EQ(output.substr(0, BANNER.size()), BANNER);
    std::string answers = output.substr(BANNER.size());
    long whole_lines = std::count(answers.begin(), answers.end(), '\n');
    EXPECT_TRUE(answers == counting(whole_lines, "\t")) << answers.size() << " bytes";
    EXPECT_LT(whole_lines, LINES);  // it did stop
  }
}

// A signal during a blocking read ends input at once; a line it cut is
// dropped without a word, after the answers of the lines before it.
TEST(FaultRegression, StopSignalMidLinePrintsParseError) {
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{}, std::vector<std::string>{"-"}})
    for (const char* cut_line : {"", "2+"})
      for (int signal_number : {SIGINT, SIGTERM}) {
        PipedProgram program = start_piped(std::nullopt, 0, arguments);
        if (arguments.empty()) {
          EXPECT_EQ(read_answer(program.from_child, BANNER.size()), BANNER);
        }
        std::string input = std::string("1+1\n") + cut_line;
        ASSERT_EQ(write(program.to_child, input.data(), input.size()), static_cast<ssize_t>(input.size()));
        EXPECT_EQ(read_answer(program.from_child, 3), "\t2\n");
        usleep(20000);  // until the program waits in its read, where the signal is to find it
        kill(program.pid, signal_number);
        EXPECT_EQ(read_all(program.from_child), "") << cut_line;
        EXPECT_EQ(finish(program.pid).signal, signal_number);  // the test's input pipe is still open while it waits
        close(program.to_child);
      }
}

// The program's messages and status with standard input from `input_fd`
// (closed here) and standard output into the file `output_path`.
ProgramRun run_into(const std::vector<std::string>& arguments, int input_fd, const char* output_path) {
  int output_fd = open(output_path, O_WRONLY);
  int errors_fd = temporary_input("");
  pid_t pid = start_program(ZIFFRALON_BINARY, arguments, input_fd, output_fd, errors_fd);
  close(input_fd);
  close(output_fd);
  ProgramRun run = finish(pid);
  lseek(errors_fd, 0, SEEK_SET);
  run.errors = read_all(errors_fd);
  return run;
}

// `ziffralon f > out || handle` must learn that `out` is incomplete, in every
// mode; a reader that went away is no failure (see the closed-reader cases).
TEST(FaultRegression, FailedWriteOrReadReportedAsSuccess) {
  const std::string WRITE_ERROR = "ziffralon: write error: " + std::string(std::strerror(ENOSPC)) + "\n";
  const std::string READ_ERROR = "ziffralon: read error: ";
  const std::string IS_DIRECTORY = std::strerror(EISDIR) + std::string("\n");
  const struct {
    std::vector<std::string> arguments;
    bool input_is_directory;  // else "1\n"
    const char* output;
    std::string errors;
  } cases[] = {
      {{}, false, "/dev/full", WRITE_ERROR},
      {{"-e", "1"}, false, "/dev/full", WRITE_ERROR},
      {{"-"}, false, "/dev/full", WRITE_ERROR},
      {{"-V"}, false, "/dev/full", WRITE_ERROR},
      {{"-h"}, false, "/dev/full", WRITE_ERROR},
      {{}, true, "/dev/null", READ_ERROR + IS_DIRECTORY},
      {{"-e", "1", "-"}, true, "/dev/null", READ_ERROR + IS_DIRECTORY},
      {{"/proc/self/mem"}, false, "/dev/null", READ_ERROR + "'/proc/self/mem': " + std::strerror(EIO) + "\n"},
  };
  for (const auto& c : cases) {
    int input_fd = c.input_is_directory ? open("/", O_RDONLY) : temporary_input("1\n");
    ProgramRun run = run_into(c.arguments, input_fd, c.output);
    std::string called = c.arguments.empty() ? "no arguments" : c.arguments.back();
    EXPECT_EQ(run.errors, c.errors) << called;
    EXPECT_EQ(run.exit_status, 2) << called;
  }
}

// A file name reaches the terminal as the shell would need it typed: no escape
// sequence acts, no newline splits the one-line message.
TEST(FaultRegression, FileNamesInMessagesPrintedRaw) {
  const std::string MISSING = std::string(": ") + std::strerror(ENOENT) + "\n";
  const std::pair<std::string, std::string> names[] = {
      {"plain missing", "'plain missing'"},
      {"it's", "'it'\\''s'"},
      {"\x1B[2Jcleared", "$'\\x1B[2Jcleared'"},
      {"two\nlines\t'\\", "$'two\\nlines\\x09\\'\\\\'"},
  };
  for (const auto& [name, quoted] : names) {
    ProgramRun run = run_program(ZIFFRALON_BINARY, "", 0, {"-e", "1", name});
    EXPECT_EQ(run.errors, "ziffralon: cannot open " + quoted + MISSING);
  }
}

// `ziffralon dir/*.calc` over more files than descriptors may be open: each
// is checked before anything is computed, but only one is held open.
TEST(FaultRegression, ManyFilesExhaustDescriptors) {
  const int FILES = 1100;
  const rlim_t DESCRIPTORS = 64;
  std::filesystem::path folder = std::filesystem::temp_directory_path() / ("ziffralon-files-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::vector<std::string> arguments;
  for (int i = 0; i < FILES; ++i) {
    arguments.push_back((folder / ("f" + std::to_string(i) + ".calc")).string());
    std::ofstream(arguments.back()) << "count=count+1\n";
  }
  arguments.insert(arguments.end(), {"-e", "count"});
  rlimit before{};
  getrlimit(RLIMIT_NOFILE, &before);
  rlimit lowered{DESCRIPTORS, before.rlim_max};
  setrlimit(RLIMIT_NOFILE, &lowered);  // the child inherits it
  ProgramRun run = run_program(ZIFFRALON_BINARY, "", 0, arguments);
  setrlimit(RLIMIT_NOFILE, &before);
  std::filesystem::remove_all(folder);
  EXPECT_EQ(run.errors, "");
  EXPECT_TRUE(run.output == counting(FILES, "\t") + "\t" + std::to_string(FILES) + "\n") << run.output.substr(0, 200);
  EXPECT_EQ(run.exit_status, 0);
}

// A named pipe as FILE: closed after its check, its writer's lines were lost
// and the FILE's turn waited for a writer that never came.
TEST(FaultRegression, NamedPipeFileLosesItsLines) {
  std::string fifo = std::filesystem::temp_directory_path() / ("ziffralon-fifo-" + std::to_string(getpid()));
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::signal(SIGPIPE, SIG_IGN);
  std::atomic<bool> ended{false};
  std::thread writer([&] {
    int fd = open(fifo.c_str(), O_WRONLY);  // once the program opens it
    EXPECT_EQ(write(fd, "1+1\n", 4), 4);
    close(fd);
    // A program still waiting for a writer gets one that writes nothing.
    for (; !ended; usleep(10000)) close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
  });
  std::string empty = fifo + ".calc";
  std::ofstream{empty};
  std::vector<std::string> arguments{fifo, "-e", "3"};
  arguments.resize(arguments.size() + 300, empty);  // checked after the pipe, before its turn
  ProgramRun run = run_program(ZIFFRALON_BINARY, "", 0, arguments);
  ended = true;
  writer.join();
  unlink(fifo.c_str());
  unlink(empty.c_str());
  EXPECT_EQ(run.output + run.errors, "\t2\n\t3\n");
}

}  // namespace
