// Captures what the console session prints, in process, for unit tests.
#pragma once

#include <string>

#include "core/console_io.h"

// Everything console output receives while one of these lives; the sink is
// flushed and released when it goes.
class ConsoleCapture {
 public:
  ConsoleCapture() {
    printed().clear();
    ziffralon::console_set_output_sink(append);
  }
  ~ConsoleCapture() { ziffralon::console_set_output_sink(nullptr); }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  // What was printed so far.
  const std::string& text() {
    ziffralon::console_flush();
    return printed();
  }

 private:
  static std::string& printed() {
    static std::string bytes;
    return bytes;
  }
  static void append(const char* bytes, std::size_t size) { printed().append(bytes, size); }
};
