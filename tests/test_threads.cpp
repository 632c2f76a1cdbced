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
// bound doubles, a host function and compiled programs, and every answer must
// follow from its own statements alone. Under ThreadSanitizer any state the
// interpreters secretly share shows up as a race.
TEST(LibraryThreads, InterpretersOfTheirOwnRunSideBySide) {
  std::atomic<int> wrong{0};
  auto rounds = [&wrong](int thread) {
    ziffralon::Interpreter interpreter;
    double x = 0;
    interpreter.bind_variable("x", x);
    interpreter.set_variable("k", thread);
    interpreter.define_function("twice", [](double value) { return 2 * value; });
    ziffralon::Program counting(interpreter, "n = n + 1; k*x^2 + n");
    ziffralon::Program doubling(interpreter, "twice(x) + k");
    for (int round = 1; round <= 300; ++round) {
      x = round;
      double counted = 0, doubled = 0, evaluated = 0;
      wrong += !counting.run(counted) || counted != thread * round * round + round;
      wrong += !doubling.run(doubled) || doubled != 2 * round + thread;
      wrong += !interpreter.evaluate("x*k - n", evaluated) || evaluated != round * thread - round;
    }
    wrong += interpreter.get_variable("n") != 300;
  };
  std::vector<std::thread> threads;
  for (int thread = 1; thread <= 4; ++thread) threads.emplace_back(rounds, thread);
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
}
