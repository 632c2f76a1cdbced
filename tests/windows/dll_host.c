/* A host that loads the DLL itself. `exit`: a worker thread evaluates again
 * and again, so that it is nearly always inside the library holding its
 * lock, while main returns; the process must end all the same. `unload`: the
 * DLL is loaded, given many variables and unloaded, many times; the C
 * runtime's heap, which the DLL shares, must not grow with the count.
 * `answers IN OUT`: each line of the transcript IN, evaluated and compiled
 * and run, gives the answer the program printed in OUT. */
#include <malloc.h>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ziffralon_evaluate's type. */
typedef int (*Evaluate)(const char*, double*, long*);

static void (*find(HMODULE library, const char* name))(void) {
  return (void (*)(void))GetProcAddress(library, name);
}

static Evaluate load(HMODULE* library) {
  *library = LoadLibraryA("ziffralon.dll");
  return *library ? (Evaluate)find(*library, "ziffralon_evaluate") : NULL;
}

static volatile LONG evaluations = 0;

static DWORD WINAPI evaluate_for_ever(LPVOID evaluate) {
  const char* text = "x = 1; x = x * 1.5 + sqrt(x) - sin(x) * cos(x) + tan(x) / 7 + exp(x / 9) - ln(x + 2)";
  double result;
  long offset;
  for (;;) {
    ((Evaluate)evaluate)(text, &result, &offset);
    InterlockedIncrement(&evaluations);
  }
  return 0;
}

static int exit_during_a_call(void) {
  HMODULE library;
  Evaluate evaluate = load(&library);
  if (!evaluate) return 1;
  CreateThread(NULL, 0, evaluate_for_ever, evaluate, 0, NULL);
  while (evaluations < 100) Sleep(1);
  return 0;
}

/* The bytes in use on the C runtime's heap, which the DLL shares. */
static size_t heap_in_use(void) {
  _HEAPINFO entry = {0};
  size_t used = 0;
  while (_heapwalk(&entry) == _HEAPOK)
    if (entry._useflag == _USEDENTRY) used += entry._size;
  return used;
}

/* Fills the default interpreter with VARIABLES variables (a few MB). */
enum { VARIABLES = 50000, PER_TEXT = 25, UNLOADS = 10 };

static int define_variables(Evaluate evaluate) {
  char text[256];
  double result;
  long offset;
  for (int first = 0; first < VARIABLES; first += PER_TEXT) {
    int length = 0;
    for (int v = first; v < first + PER_TEXT; ++v) length += sprintf(text + length, "v%d=1;", v);
    if (!evaluate(text, &result, &offset)) return 0;
  }
  return 1;
}

static int unload_again_and_again(void) {
  size_t before = heap_in_use(), held = 0, after_first = 0;
  for (int round = 0; round < UNLOADS; ++round) {
    HMODULE library;
    Evaluate evaluate = load(&library);
    if (!evaluate || !define_variables(evaluate)) {
      printf("round %d: the DLL did not evaluate\n", round);
      return 1;
    }
    if (round == 0) held = heap_in_use() - before;
    FreeLibrary(library);
    if (round == 0) after_first = heap_in_use();
  }
  size_t growth = heap_in_use() - after_first;
  printf("the variables held %lu KiB; %d loads and unloads after the first took %lu KiB\n",
         (unsigned long)(held >> 10), UNLOADS - 1, (unsigned long)(growth >> 10));
  return growth > held;
}

typedef void* (*New)(void);
typedef void* (*Compile)(void*, const char*, long*);
typedef int (*Run)(void*, double*);

static int answers_as_printed(const char* in_name, const char* out_name) {
  HMODULE library;
  Evaluate evaluate = load(&library);
  New interpreter_new = (New)find(library, "ziffralon_interpreter_new");
  Compile compile = (Compile)find(library, "ziffralon_compile");
  Run run = (Run)find(library, "ziffralon_run");
  FILE* in = fopen(in_name, "r");
  FILE* out = fopen(out_name, "r");
  if (!evaluate || !interpreter_new || !compile || !run || !in || !out) return 1;
  void* interpreter = interpreter_new();
  char line[256], printed[256], ours[32], theirs[32];
  int wrong = 0;
  while (fgets(line, sizeof line, in)) {
    do {
      if (!fgets(printed, sizeof printed, out)) return 1;
    } while (printed[0] != '\t');
    line[strcspn(line, "\n")] = '\0';
    double evaluated = 0, ran = 0;
    long offset;
    void* program = compile(interpreter, line, &offset);
    if (!evaluate(line, &evaluated, &offset) || !program || !run(program, &ran)) return 1;
    /* Ten digits, as printed; the exponents may be written otherwise. */
    snprintf(ours, sizeof ours, "%.9e", evaluated);
    snprintf(theirs, sizeof theirs, "%.9e", strtod(printed, NULL));
    if (strcmp(ours, theirs) != 0 || memcmp(&evaluated, &ran, sizeof ran) != 0) {
      printf("%s: evaluated %.17g, compiled %.17g; the program printed %s", line, evaluated, ran, printed);
      ++wrong;
    }
  }
  return wrong != 0;
}

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "exit") == 0) return exit_during_a_call();
  if (argc == 2 && strcmp(argv[1], "unload") == 0) return unload_again_and_again();
  if (argc == 4 && strcmp(argv[1], "answers") == 0) return answers_as_printed(argv[2], argv[3]);
  fprintf(stderr, "usage: dll_host exit|unload|answers IN OUT\n");
  return 2;
}
