// Threads use the library at once, each with its own names, and every answer
// must be the one its own statements give. `make check-tsan` runs this under
// ThreadSanitizer, which watches the interpreter's state.
#include <ziffralon/ziffralon.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

TEST(LibraryThreads, EachThreadGetsItsOwnAnswers) {
  std::atomic<int> wrong{0};
  auto rounds = [&wrong](int thread) {
    std::string name = "thread" + std::to_string(thread);
    for (int round = 0; round < 400; ++round) {
      ziffralon::set_variable(name + "host", thread);
      std::string text = name + " = " + std::to_string(round) + "; " + name + "host * " + name;
      std::string bad = name + " * 2; " + name + " +";  // fails at its end, after a value
      double result = 0, failed_result = 0;
      long offset = 0, failed_offset = 0;
      wrong += !ziffralon_evaluate(text.c_str(), &result, &offset) || result != thread * round || offset != -1;
      wrong += ziffralon_evaluate(bad.c_str(), &failed_result, &failed_offset) || failed_result != 2 * round ||
               failed_offset != static_cast<long>(bad.size()) || ziffralon::get_variable(name) != round;
    }
  };
  std::vector<std::thread> threads;
  for (int thread = 1; thread <= 4; ++thread) threads.emplace_back(rounds, thread);
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
}

// Interpreters of their own take no lock: each thread has its interpreter,
// bound doubles and a host function, and every answer must follow from its
// own statements alone. Under ThreadSanitizer any state the interpreters
// secretly share shows up as a race.
TEST(LibraryThreads, InterpretersOfTheirOwnRunSideBySide) {
  std::atomic<int> wrong{0};
  auto rounds = [&wrong](int thread) {
    ziffralon_interpreter* interpreter = ziffralon_interpreter_new();
    double x = 0;
    long offset = 0;
    ziffralon_interpreter_bind_variable(interpreter, "x", &x);
    ziffralon_interpreter_set_variable(interpreter, "k", thread);
    ziffralon_interpreter_define_function(interpreter, "twice", [](double value) { return 2 * value; });
    for (int round = 1; round <= 300; ++round) {
      x = round;
      double counted = 0, doubled = 0, evaluated = 0;
      wrong += !ziffralon_interpreter_evaluate(interpreter, "n = n + 1; k*x^2 + n", &counted, &offset) ||
               counted != thread * round * round + round;
      wrong += !ziffralon_interpreter_evaluate(interpreter, "twice(x) + k", &doubled, &offset) ||
               doubled != 2 * round + thread;
      wrong += !ziffralon_interpreter_evaluate(interpreter, "x*k - n", &evaluated, &offset) ||
               evaluated != round * thread - round;
    }
    double counted = 0;
    wrong += !ziffralon_interpreter_get_variable(interpreter, "n", &counted) || counted != 300;
    ziffralon_interpreter_free(interpreter);
  };
  std::vector<std::thread> threads;
  for (int thread = 1; thread <= 4; ++thread) threads.emplace_back(rounds, thread);
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
}
