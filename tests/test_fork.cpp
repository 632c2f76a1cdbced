// A host that forks while another thread holds the library's lock (POSIX
// only; test_threads.cpp has the threads that need no fork).
#include <ziffralon/ziffralon.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

// The host forks while another thread is inside a call and holds the lock.
// Each child makes one call and exits; a child that has not exited within 20
// seconds hangs on the lock.
TEST(LibraryThreads, ForkWhileAnotherThreadHoldsTheLockLeavesTheChildUsable) {
  std::atomic<bool> done{false};
  std::thread busy([&done] {
    for (double result = 0; !done;) ziffralon_evaluate("busy = busy + 1", &result, nullptr);
  });
  int hung = 0, wrong = 0;
  for (int child = 0; child < 50 && !hung; ++child) {
    pid_t pid = fork();
    if (pid == 0) {
      double result = 0;
      _exit(ziffralon_evaluate("6 * 7", &result, nullptr) && result == 42 ? 0 : 1);
    }
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (waitpid(pid, &status, WNOHANG) == 0 && !hung) {
      hung = std::chrono::steady_clock::now() > deadline;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (hung) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    wrong += !hung && !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  done = true;
  busy.join();
  EXPECT_EQ(hung, 0);
  EXPECT_EQ(wrong, 0);
}
