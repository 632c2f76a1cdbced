#include <csignal>

#include "core/console_io.h"
#include "core/session.h"
#include "core/symbols.h"
#include "eval/evaluate.h"

using namespace ziffralon;

int main() {
  // A reader that goes away must not kill us mid-run: writes then just fail.
  std::signal(SIGPIPE, SIG_IGN);
  if (!install_initial_symbols()) {
    // Without its functions the calculator cannot run a session worth having.
    report_error("out of memory: the built-in functions cannot be installed");
    console_flush();
    return 0;
  }
  print_banner();
  console_write_text("?<ENTER> fuer Hilfe\n\n");
  console_catch_stop_signals();
  run_console_session();
  run_closing_evaluations();
  console_flush();
  console_end_by_stop_signal();
  return 0;
}
