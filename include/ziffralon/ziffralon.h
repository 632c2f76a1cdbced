/* ZIFFRALON: quiet evaluation of the calculator language, for C and C++.
 *
 * A text of statements (expressions and assignments, separated by ';' or
 * newlines) is parsed and computed without printing anything; the caller gets
 * the value of the last expression and a success flag.
 *
 * The first calls below work on the process's default interpreter: its
 * variables are shared by all calls, all threads and, inside the ziffralon
 * program, its console session. The built-in functions, pi and e are there
 * from the first call on. Every such call is serialized by one lock, so any
 * number of threads may call.
 *
 * A host may also make interpreters of its own (ziffralon_interpreter_new)
 * and compile texts into programs run many times (ziffralon_compile). Those
 * take NO lock: one thread uses an interpreter and its programs at a time,
 * and distinct interpreters run in parallel.
 *
 * Nothing here throws or allocates for the caller; only bound variables and
 * host functions keep a caller's pointers. Computing assumes the default
 * floating-point environment (rounding to nearest): compiled programs fold
 * constants when they are compiled, so a run under another rounding mode
 * need not give what evaluating the text under it gives. The manual page
 * ziffralon(3) describes the calls in full. */
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
 * text's length, and an offset too large for a long is given as LONG_MAX.
 * When memory runs out, the offset is that of the token being read or
 * computed at the time. Parentheses and other pending operations nest to a
 * depth of about 9,990 ("parser stack overflow" past it, see
 * ziffralon_interpreter_last_error).
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

/* Interpreters of a host's own.
 *
 * Each has its own variables and starts with the built-in functions, pi and
 * e. It takes no lock: one thread uses an interpreter at a time (several
 * threads may take turns with one if the host orders their calls), and
 * distinct interpreters run in parallel. It shares nothing with the calls
 * above or with other interpreters. A text of any length is evaluated. Every
 * call below accepts a null interpreter and then does nothing and returns 0.
 *
 * An interpreter is re-entrant: a host function (or anything it calls) may
 * evaluate, compile, run, set, get, bind and list in the interpreter that
 * called it, to any depth, and the outer evaluation or run goes on as if the
 * inner calls had been made before it. */
typedef struct ziffralon_interpreter ziffralon_interpreter;

/* A new interpreter, or null when out of memory. */
ZIFFRALON_API ziffralon_interpreter* ziffralon_interpreter_new(void);

/* Frees the interpreter and all its memory; null is ignored. Programs
 * compiled in it must be freed first. Variables bound to a host's doubles
 * leave those doubles alone. Called from inside a call on the interpreter (by
 * a host function), the freeing waits until the outermost call has ended;
 * the interpreter must not be used after that. */
ZIFFRALON_API void ziffralon_interpreter_free(ziffralon_interpreter* interpreter);

/* As ziffralon_evaluate, in `interpreter`, with no limit on the text's
 * length: the same result, success and error-offset rules. Refused, with 0,
 * offset 0 and nothing evaluated: a null text, and a text over
 * ZIFFRALON_MAX_TEXT bytes when no memory can be had to hold it. */
ZIFFRALON_API int ziffralon_interpreter_evaluate(ziffralon_interpreter* interpreter, const char* text, double* result,
                                               long* error_offset);

/* As ziffralon_set_variable and ziffralon_get_variable, in `interpreter`. */
ZIFFRALON_API int ziffralon_interpreter_set_variable(ziffralon_interpreter* interpreter, const char* name,
                                                   double value);
ZIFFRALON_API int ziffralon_interpreter_get_variable(ziffralon_interpreter* interpreter, const char* name,
                                                   double* value);

/* Binds the variable `name` (created if new) to the host's double at
 * `where`: from now on evaluation and programs compiled afterwards read and
 * assign `*where` itself, and the variable's earlier value is dropped. A
 * program keeps the place the variable had when it was compiled, so the
 * double must stay valid while it is bound and while any program compiled
 * during that time exists: to free a double, rebind the variable and free
 * (or recompile) the programs compiled before. Returns 0 and changes nothing
 * for a null `where`, a name that is no identifier or names a function, or
 * when memory runs out. */
ZIFFRALON_API int ziffralon_interpreter_bind_variable(ziffralon_interpreter* interpreter, const char* name,
                                                    double* where);

/* Makes `function` callable as `name(x)`, like a built-in function. Returns 0
 * and changes nothing when `function` is null, `name` is no identifier or is
 * known already (a function, or a variable, even one only mentioned), or
 * memory runs out. */
ZIFFRALON_API int ziffralon_interpreter_define_function(ziffralon_interpreter* interpreter, const char* name,
                                                      double (*function)(double));

/* As ziffralon_interpreter_define_function, for a function that carries data
 * of the host's: `name(x)` calls function(x, data). `release`, when not
 * null, is called with `data` once, when the interpreter is freed; when the
 * call returns 0 it is not called, and the data stays the caller's. */
ZIFFRALON_API int ziffralon_interpreter_define_function_with_data(ziffralon_interpreter* interpreter,
                                                                const char* name,
                                                                double (*function)(double x, void* data),
                                                                void* data, void (*release)(void* data));

/* Calls `visit` with the name and value of every variable, newest first (as
 * the console's '#' lists them), and `context` as given; returns how many
 * there were. Variables that `visit` creates are not visited. */
ZIFFRALON_API long ziffralon_interpreter_list_variables(ziffralon_interpreter* interpreter,
                                                      void (*visit)(const char* name, double value, void* context),
                                                      void* context);

/* Why the last ziffralon_interpreter_evaluate or ziffralon_compile in
 * `interpreter` failed, in the calculator's own words: "parse error",
 * "parser stack overflow", "identifier length is limited to 255 chars", or a
 * text that begins with "out of memory". Null when that call succeeded (and
 * before any), and for a null interpreter. A refused null text leaves it as
 * it was. The text is static: it stays valid. */
ZIFFRALON_API const char* ziffralon_interpreter_last_error(ziffralon_interpreter* interpreter);

/* Compiled formulas: a text compiled once in an interpreter and run many
 * times, each run computing the text's statements in order with the
 * interpreter's current variables, exactly as evaluating the text at that
 * moment would (the same result bits, the same assignments). */
typedef struct ziffralon_program ziffralon_program;

/* Compiles `text` (of any length) in `interpreter`. Returns null on a syntax
 * error, with `*error_offset` (when not null) where the error's token starts,
 * as ziffralon_interpreter_evaluate reports it; nothing of the text takes
 * effect then. Also null, offset 0, for a null interpreter or text, and when
 * memory runs out (names the text mentions may have been made then;
 * ziffralon_interpreter_last_error tells this from a syntax error). On
 * success `*error_offset` is -1, and every variable the text mentions exists
 * from now on (a new one with the value 0), as after evaluating the text;
 * nothing else changes and nothing is computed. A program reads the places
 * its variables had when it was compiled: bind variables first. */
ZIFFRALON_API ziffralon_program* ziffralon_compile(ziffralon_interpreter* interpreter, const char* text,
                                                 long* error_offset);

/* Runs `program` in the thread that owns its interpreter: assigns what the
 * text assigns and stores in `*result` (when not null) the value of its last
 * expression, or, for a text without one, the interpreter's last result, as
 * evaluating it would; that value is then the interpreter's last result.
 * Returns 1; 0 for a null program. A run takes no lock and allocates
 * nothing, but for a run of a program inside its own run (from a host
 * function) that needs a stack of its own: when no memory can be had for it,
 * that run returns 0 and leaves `*result` alone. */
ZIFFRALON_API int ziffralon_run(ziffralon_program* program, double* result);

/* Frees `program`; null is ignored. Called from inside a run of it (by a
 * host function), the freeing waits until that run has ended. */
ZIFFRALON_API void ziffralon_program_free(ziffralon_program* program);

#ifdef __cplusplus
}
#endif

/* The C++ calls need C++17; below it, C++ programs get the C calls alone.
 * (MSVC reports its language level in _MSVC_LANG.) */
#if defined(__cplusplus) && (__cplusplus >= 201703L || (defined(_MSVC_LANG) && _MSVC_LANG >= 201703L))
#include <new>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

namespace ziffralon {

/* As ziffralon_evaluate without the error offset: true on success; `result`
 * as `*result` there. */
ZIFFRALON_API bool evaluate_string(const char* text, double& result);

/* As ziffralon_set_variable. */
ZIFFRALON_API bool set_variable(std::string_view name, double value);

/* As ziffralon_get_variable: the value, or empty. */
ZIFFRALON_API std::optional<double> get_variable(std::string_view name);

/* An interpreter of the host's own (see ziffralon_interpreter): move-only,
 * freed with its object; one thread at a time. An interpreter for which no
 * memory was found (and one moved from) is false, and its calls return
 * false. */
class Interpreter {
 public:
  Interpreter() noexcept : handle_(ziffralon_interpreter_new()) {}
  ~Interpreter() { ziffralon_interpreter_free(handle_); }
  Interpreter(Interpreter&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Interpreter& operator=(Interpreter&& other) noexcept {
    if (this != &other) {
      ziffralon_interpreter_free(handle_);
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  explicit operator bool() const noexcept { return handle_ != nullptr; }
  ziffralon_interpreter* handle() const noexcept { return handle_; }

  /* As ziffralon_interpreter_evaluate. */
  bool evaluate(const char* text, double& result, long* error_offset = nullptr) noexcept {
    return ziffralon_interpreter_evaluate(handle_, text, &result, error_offset) != 0;
  }
  bool set_variable(const char* name, double value) noexcept {
    return ziffralon_interpreter_set_variable(handle_, name, value) != 0;
  }
  std::optional<double> get_variable(const char* name) const noexcept {
    double value;
    if (!ziffralon_interpreter_get_variable(handle_, name, &value)) return std::nullopt;
    return value;
  }
  bool bind_variable(const char* name, double& where) noexcept {
    return ziffralon_interpreter_bind_variable(handle_, name, &where) != 0;
  }
  bool define_function(const char* name, double (*function)(double)) noexcept {
    return ziffralon_interpreter_define_function(handle_, name, function) != 0;
  }
  /* Any callable `double(double)` (a lambda with its captures, say), kept by
   * the interpreter until it is freed. It must not throw. */
  template <class Function, class = std::enable_if_t<!std::is_convertible_v<Function, double (*)(double)>>>
  bool define_function(const char* name, Function function) {
    using Kept = std::decay_t<Function>;
    Kept* kept = new (std::nothrow) Kept(std::move(function));
    if (!kept) return false;
    auto call = [](double x, void* data) -> double { return (*static_cast<Kept*>(data))(x); };
    auto release = [](void* data) { delete static_cast<Kept*>(data); };
    if (ziffralon_interpreter_define_function_with_data(handle_, name, call, kept, release)) return true;
    delete kept;
    return false;
  }
  /* As ziffralon_interpreter_last_error: nullptr after a success. */
  const char* last_error() const noexcept { return ziffralon_interpreter_last_error(handle_); }
  /* Calls visit(name, value) for every variable, newest first. */
  template <class Visit>
  long list_variables(Visit&& visit) const {
    using Target = std::remove_reference_t<Visit>;
    return ziffralon_interpreter_list_variables(
        handle_, [](const char* name, double value, void* context) { (*static_cast<Target*>(context))(name, value); },
        const_cast<void*>(static_cast<const void*>(&visit)));
  }

 private:
  ziffralon_interpreter* handle_;
};

/* A compiled formula (see ziffralon_compile): move-only, freed with its
 * object, which must go before its interpreter. A text that did not compile
 * (and a program moved from) is false; running it gives false. */
class Program {
 public:
  Program() noexcept : handle_(nullptr) {}
  Program(Interpreter& interpreter, const char* text, long* error_offset = nullptr) noexcept
      : handle_(ziffralon_compile(interpreter.handle(), text, error_offset)) {}
  ~Program() { ziffralon_program_free(handle_); }
  Program(Program&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Program& operator=(Program&& other) noexcept {
    if (this != &other) {
      ziffralon_program_free(handle_);
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  explicit operator bool() const noexcept { return handle_ != nullptr; }
  ziffralon_program* handle() const noexcept { return handle_; }

  /* As ziffralon_run. */
  bool run(double& result) noexcept { return ziffralon_run(handle_, &result) != 0; }
  /* The value of one run; 0.0 for a program that did not compile. */
  double operator()() noexcept {
    double result = 0.0;
    ziffralon_run(handle_, &result);
    return result;
  }

 private:
  ziffralon_program* handle_;
};

}  // namespace ziffralon
#endif

#endif
