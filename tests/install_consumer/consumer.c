/* The same calls as consumer.cpp, from C, with the error offsets. */
#include <stdio.h>

#include <ziffralon/ziffralon.h>

int main(void) {
  const char* texts[] = {"ku(1)", "x = e; x * 2", "1 +", "sqrt(x) * width"};
  double result = 0, value = -1;
  long offset = 0;
  ziffralon_set_variable("width", 3);
  for (int i = 0; i < 4; ++i) {
    int ok = ziffralon_evaluate(texts[i], &result, &offset);
    printf("%d %.9g %ld\n", ok, result, offset);
  }
  int found = ziffralon_get_variable("x", &value);
  printf("x %d %.9g, sin %d, version %s\n", found, value, ziffralon_get_variable("sin", NULL), ziffralon_version());
  return 0;
}
