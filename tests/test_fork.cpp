// A host that forks while another thread holds the library's lock (POSIX
// only; test_threads.cpp has the threads that need no fork).
#include <ziffralon/ziffralon.h>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// The host forks while another thread is inside a call and holds the lock.
// Each child makes one call and exits; a child still waiting on the lock
// after 20 seconds is ended by its alarm.
TEST(LibraryThreads, ForkWhileAnotherThreadHoldsTheLockLeavesTheChildUsable) {
  std::atomic<bool> done{false};
  std::thread busy([&done] {
    for (double result = 0; !done;) ziffralon_evaluate("busy = busy + 1", &result, nullptr);
  });
  int failed = 0;
  for (int child = 0; child < 50 && !failed; ++child) {
    pid_t pid = fork();
    if (pid == 0) {
      alarm(20);
      double result = 0;
      _exit(ziffralon_evaluate("6 * 7", &result, nullptr) && result == 42 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    failed += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  done = true;
  busy.join();
  EXPECT_EQ(failed, 0);
}
