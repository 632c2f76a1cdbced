#include "line_editor_signals.h"

#include <unistd.h>

#include <csignal>

namespace ziffralon {

namespace {

// The signals whose default action ends the program (and that can be
// caught), besides the real-time ones. Job control, SIGCHLD, SIGURG and
// SIGWINCH stop, continue or are ignored by default.
constexpr int FATAL_SIGNALS[] = {
    SIGABRT, SIGALRM, SIGBUS,  SIGFPE,  SIGHUP,  SIGILL,    SIGINT,  SIGPIPE, SIGQUIT, SIGSEGV,
    SIGSYS,  SIGTERM, SIGTRAP, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ,
#ifdef SIGPOLL
    SIGPOLL,
#endif
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

termios terminal_found;
sigset_t signals_taken;

void restore_terminal_and_end(int signal_number) {
  tcsetattr(STDIN_FILENO, TCSANOW, &terminal_found);
  std::signal(signal_number, SIG_DFL);
  // Blocked while this handler runs: delivered, with its default action, as
  // soon as the handler returns.
  std::raise(signal_number);
}

void take_if_default(int signal_number, const struct sigaction& action) {
  struct sigaction current {};
  if (sigaction(signal_number, nullptr, &current) != 0) return;
  if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) return;
  if (sigaction(signal_number, &action, nullptr) == 0) sigaddset(&signals_taken, signal_number);
}

}  // namespace

void restore_terminal_on_fatal_signals(const termios& found) {
  terminal_found = found;
  sigemptyset(&signals_taken);
  struct sigaction action {};
  action.sa_handler = restore_terminal_and_end;
  // Nothing else runs meanwhile; and SIGTTOU, blocked, lets a program that
  // is no longer in the foreground set the terminal all the same.
  sigfillset(&action.sa_mask);
  for (int signal_number : FATAL_SIGNALS) take_if_default(signal_number, action);
#ifdef SIGRTMIN
  for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number)
    take_if_default(signal_number, action);
#endif
}

void release_fatal_signals() {
  for (int signal_number = 1; signal_number < NSIG; ++signal_number)
    if (sigismember(&signals_taken, signal_number) == 1) std::signal(signal_number, SIG_DFL);
  sigemptyset(&signals_taken);
}

}  // namespace ziffralon
