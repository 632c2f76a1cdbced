// A host's locale must not change a number: GUI hosts call setlocale(LC_ALL,
// ""), and a decimal comma there once turned 1.5e400 into 1.
#include <unistd.h>
#include <ziffralon/ziffralon.h>

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "process.h"

namespace {

using Limits = std::numeric_limits<double>;

// Literals inside, at and beyond the edges of the double range.
const std::pair<const char*, double> LITERALS[] = {
    {"1.5e400", Limits::infinity()}, {"1.7976931348623159e308", Limits::infinity()},
    {"1797.6931348623159e305", Limits::infinity()}, {"1.7976931348623157e308", Limits::max()},
    {"0.000017976931348623157e313", Limits::max()}, {"2.2250738585072014e-308", Limits::min()},
    {"4.9e-324", Limits::denorm_min()}, {"2.4703282292062328e-324", Limits::denorm_min()},
    {"2.4703282292062327e-324", 0}, {"0.00000247032822920623272e-318", 0}, {"2.5e-400", 0},
    {"12.375", 12.375}, {"1234567890.123456789012345", 1234567890.123456789012345},
};

// What the C API, the C++ API and the program give for each literal.
std::vector<std::string> outcomes() {
  std::vector<std::string> seen;
  std::vector<std::string> arguments;
  for (const auto& [text, expected] : LITERALS) {
    double c_result = -1;
    double cpp_result = -1;
    int succeeded = ziffralon_evaluate(text, &c_result, nullptr) + ziffralon::evaluate_string(text, cpp_result);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(c_result), std::bit_cast<std::uint64_t>(expected)) << text;
    seen.push_back(std::to_string(succeeded) + " " + std::to_string(std::bit_cast<std::uint64_t>(cpp_result)));
    arguments.insert(arguments.end(), {"-e", text});
  }
  ProgramRun run = run_program(ZIFFRALON_BINARY, "", 0, arguments);
  seen.push_back(run.output + run.errors);
  return seen;
}

TEST(FaultRegression, HostLocaleChangesLiteralValues) {
  std::vector<std::string> in_c_locale = outcomes();
  if (std::system("command -v localedef >/dev/null") != 0) GTEST_SKIP() << "no localedef to build a decimal-comma locale";
  // The machine's de_DE.UTF-8, or one built for the test (LOCPATH).
  auto folder = std::filesystem::temp_directory_path() / ("ziffralon-locale-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::string build = "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() + "' 2>/dev/null";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && std::system(build.c_str()) == 0) {
    setenv("LOCPATH", folder.c_str(), 1);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
  }
  bool german = std::string(std::localeconv()->decimal_point) == ",";
  setenv("LC_ALL", "de_DE.UTF-8", 1);  // for the program too
  std::vector<std::string> in_german_locale = german ? outcomes() : in_c_locale;
  std::setlocale(LC_ALL, "C");
  unsetenv("LC_ALL");
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(german) << "de_DE.UTF-8 with its decimal comma could not be set (localedef failed)";
  EXPECT_EQ(in_german_locale, in_c_locale);
}

}  // namespace
