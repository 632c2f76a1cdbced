/* A host that uses, in C and (host_names.cpp) in C++, the very names the
 * interpreter uses inside itself, and links the library as well: nothing may
 * clash at link time, and each side keeps its own. Built as C99. */
#include <stdio.h>
#include <string.h>

#include <ziffralon/ziffralon.h>

int session = 7;
char string_buffer[8] = "host";
int string_pos = 3;
double last_result = -1;
int next_token(void) { return 11; }
int parse_input(void) { return 12; }
void report_error(const char* message) { (void)message; }
int install_initial_symbols(void) { return 13; }

int host_cxx_names_answer(void); /* host_names.cpp: its own names, called */

int main(void) {
  double result = 0;
  long offset = 0;
  int ok = ziffralon_evaluate("session = 5; session * 2 + )", &result, &offset);
  int host_intact = session == 7 && strcmp(string_buffer, "host") == 0 && string_pos == 3 &&
                    last_result == -1 && next_token() == 11 && parse_input() == 12 &&
                    install_initial_symbols() == 13 && host_cxx_names_answer() == 42;
  if (ok || result != 5 || offset != 27 || !host_intact) {
    printf("ok %d, result %g, offset %ld, host's own names intact %d\n", ok, result, offset, host_intact);
    return 1;
  }
  return 0;
}
