// The start-up yardstick: a C++ program that does nothing but print the
// calculator's banner, built with the same compiler and flags.
#include <cstdio>

int main() {
  std::fputs("\n## ZIFFRALON V0.32 ##\r\n\r\n?<ENTER> fuer Hilfe\n\n", stdout);
  return 0;
}
