// Several threads use the library at once, each with its own names, and every
// answer must be the one its own statements give. Also built with
// ThreadSanitizer (make check-tsan), which watches the interpreter's state.
#include <ziffralon/ziffralon.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int THREADS = 4;
constexpr int ROUNDS = 400;

// Counts the wrong answers one thread gets.
int run_rounds(int thread) {
  std::string name = "thread" + std::to_string(thread);
  std::string host_name = name + "host";
  int wrong = 0;
  for (int round = 0; round < ROUNDS; ++round) {
    std::string text = name + " = " + std::to_string(round) + "; " + host_name + " * " + name;
    ziffralon::set_variable(host_name, thread);
    double result = 0;
    long offset = 0;
    if (!ziffralon_evaluate(text.c_str(), &result, &offset) || result != thread * round || offset != -1) ++wrong;
    // A failure reports its own offset, and the value its text reduced last.
    std::string bad = name + " * 2; " + name + " +";
    if (ziffralon_evaluate(bad.c_str(), &result, &offset) || result != 2 * round ||
        offset != static_cast<long>(bad.size()))
      ++wrong;
    if (ziffralon::get_variable(name) != round) ++wrong;
  }
  return wrong;
}

TEST(LibraryThreads, EachThreadGetsItsOwnAnswers) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int thread = 1; thread <= THREADS; ++thread)
    threads.emplace_back([thread, &wrong] { wrong += run_rounds(thread); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
