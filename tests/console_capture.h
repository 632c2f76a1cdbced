// Captures what the console session prints, in process, for unit tests.
#pragma once

#include <string>

#include "core/console_io.h"

// Everything console output receives while one of these lives.
class ConsoleCapture {
 public:
  ConsoleCapture() {
    printed.clear();
    ziffralon::console_set_output_sink([](const char* bytes, std::size_t size) { printed.append(bytes, size); });
  }
  ~ConsoleCapture() { ziffralon::console_set_output_sink(nullptr); }

  // What was printed so far.
  const std::string& text() {
    ziffralon::console_flush();
    return printed;
  }

 private:
  static inline std::string printed;
};
