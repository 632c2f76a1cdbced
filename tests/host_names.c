/* A host whose own names, in C here and in C++ in host_names.cpp, are the ones
 * the interpreter uses inside itself, linked with the library: nothing may
 * clash, and each side keeps its own. Built as C99. */
#include <stdio.h>
#include <string.h>

#include <ziffralon/ziffralon.h>

int session = 7;
char string_buffer[8] = "host";
int next_token(void) { return 11; }
int parse_input(void) { return 12; }
void report_error(const char* message) { (void)message; }
int install_initial_symbols(void) { return 13; }
int host_cxx_names_answer(void);

int main(void) {
  double result = 0;
  long offset = 0;
  int ok = ziffralon_evaluate("session = 5; session * 2 + )", &result, &offset);
  int own = session == 7 && strcmp(string_buffer, "host") == 0 && next_token() == 11 && parse_input() == 12 &&
            install_initial_symbols() == 13 && host_cxx_names_answer() == 42;
  printf("ok %d, result %g, offset %ld, the host's own names answer %d\n", ok, result, offset, own);
  return ok || result != 5 || offset != 27 || !own;
}
