// Closing the console window: the system ends the process as soon as the
// handler of CTRL_CLOSE_EVENT returns, so the handler must hold it until the
// main thread has answered what was read and written it out (the main thread
// then ends the process itself). Wine sends no CTRL_CLOSE_EVENT, so the
// handler is called here as the system calls it, on a thread of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "platform/platform.h"

namespace ziffralon {
BOOL WINAPI platform_on_console_event(DWORD event);
}

namespace {

std::atomic<int> noted;

void note(int signal_number) { noted = signal_number; }

TEST(FaultRegression, ClosingWindowLosesAnswers) {
  ziffralon::platform_catch_stop_signals(note);
  std::atomic<bool> returned{false};
  std::thread system([&] {
    ziffralon::platform_on_console_event(CTRL_CLOSE_EVENT);
    returned = true;
  });
  system.detach();  // held until this process ends, as the handler holds the closing program
  while (!noted) Sleep(1);
  EXPECT_EQ(noted, SIGTERM);
  Sleep(1000);  // the main thread answers and writes meanwhile
  EXPECT_FALSE(returned) << "the handler let the system end the process before the answers were written";
}

}  // namespace
