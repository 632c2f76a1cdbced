/* ZIFFRALON: quiet evaluation of the calculator language, for C and C++.
 *
 * A text of statements (expressions and assignments, separated by ';' or
 * newlines) is parsed and computed without printing anything; the caller gets
 * the value of the last expression and a success flag. There is one
 * interpreter per process: its variables are shared by all calls, all threads
 * and, inside the ziffralon program, its console session. The built-in
 * functions, pi and e are there from the first call on.
 *
 * Every call is serialized by one lock, so any number of threads may call.
 * Nothing here throws, allocates for the caller or keeps a caller's pointer.
 * The manual page ziffralon(3) describes the calls in full. */
#ifndef ZIFFRALON_ZIFFRALON_H
#define ZIFFRALON_ZIFFRALON_H

/* The build reads its version from these three lines. */
#define ZIFFRALON_VERSION_MAJOR 0
#define ZIFFRALON_VERSION_MINOR 32
#define ZIFFRALON_VERSION_STRING "0.32"

/* The longest text, in bytes, that an evaluation accepts. */
#define ZIFFRALON_MAX_TEXT 254

/* These calls alone are exported. On Windows the build sets
 * ZIFFRALON_BUILDING_DLL while it compiles the DLL, and the CMake target
 * ziffralon::ziffralon gives its users ZIFFRALON_DLL when it is the DLL; a
 * program linking the static library sets neither. Elsewhere the library is
 * built with hidden symbols, and these are made visible. */
#if defined(_WIN32) && defined(ZIFFRALON_BUILDING_DLL)
#define ZIFFRALON_API __declspec(dllexport)
#elif defined(_WIN32) && defined(ZIFFRALON_DLL)
#define ZIFFRALON_API __declspec(dllimport)
#elif defined(_WIN32)
#define ZIFFRALON_API
#elif defined(__GNUC__)
#define ZIFFRALON_API __attribute__((visibility("default")))
#else
#define ZIFFRALON_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Evaluates the NUL-terminated `text` quietly. Returns 1 when no error was
 * found, else 0. Evaluation stops at the first error; the statements before
 * it keep their effects (assignments, variables created by being mentioned).
 * `result`, when not null, receives the value of the last expression
 * evaluated, which may come from an earlier call (0.0 before any): so also
 * after a failure. It is left untouched when the text is refused.
 * `error_offset`, when not null, receives -1 after success, else the byte
 * offset in `text` where the token of the first error starts (blanks before
 * the token are not part of it); an error at the end of the text gives the
 * text's length. When memory runs out, the offset is that of the token being
 * read or computed at the time.
 * Refused, with 0 and nothing evaluated: a null text (offset 0), a text of
 * more than ZIFFRALON_MAX_TEXT bytes (offset ZIFFRALON_MAX_TEXT), and any text
 * while the built-in functions cannot be installed for lack of memory (offset
 * 0; the next call tries again). */
ZIFFRALON_API int ziffralon_evaluate(const char* text, double* result, long* error_offset);

/* Creates the variable `name` or sets it to `value`. Returns 0 and changes
 * nothing when `name` is null, is no identifier (a letter A-Z or a-z, then
 * letters and digits, at most 255 in all), names a built-in function, or
 * memory runs out; else 1. */
ZIFFRALON_API int ziffralon_set_variable(const char* name, double value);

/* Returns 1 and stores the variable's value in `*value` (when `value` is not
 * null); returns 0 for a null name, a function or a name that is not a
 * variable, which is not created. */
ZIFFRALON_API int ziffralon_get_variable(const char* name, double* value);

/* ZIFFRALON_VERSION_STRING of the library actually linked. */
ZIFFRALON_API const char* ziffralon_version(void);

#ifdef __cplusplus
}

#if __cplusplus < 201703L
#error "<ziffralon/ziffralon.h> needs C++17 or later"
#endif

#include <optional>
#include <string_view>

namespace ziffralon {

/* As ziffralon_evaluate without the error offset: true on success; `result`
 * as `*result` there. */
ZIFFRALON_API bool evaluate_string(const char* text, double& result);

/* As ziffralon_set_variable. */
ZIFFRALON_API bool set_variable(std::string_view name, double value);

/* As ziffralon_get_variable: the value, or empty. */
ZIFFRALON_API std::optional<double> get_variable(std::string_view name);

}  // namespace ziffralon
#endif

#endif
