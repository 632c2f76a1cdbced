/* A parent that gives the calculator a pipe in no-wait mode (PIPE_NOWAIT) as
 * standard input and writes its lines slowly: an empty pipe is no broken one,
 * so each line must be answered and the status be 0.
 * Usage: no_wait_pipe_parent PROGRAM */
#include <windows.h>

#include <stdio.h>
#include <string.h>

static HANDLE start_program(const char* program, HANDLE input, HANDLE output) {
  STARTUPINFOA start;
  PROCESS_INFORMATION started;
  char command[MAX_PATH + 16];
  memset(&start, 0, sizeof start);
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = input;
  start.hStdOutput = output;
  start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  snprintf(command, sizeof command, "\"%s\" -q", program);
  if (!CreateProcessA(NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &start, &started)) return NULL;
  CloseHandle(started.hThread);
  return started.hProcess;
}

/* Appends what the program writes to `got` until `size` bytes or its end. */
static void read_answers(HANDLE from, char* got, DWORD* used, DWORD size) {
  DWORD count = 0;
  while (*used < size && ReadFile(from, got + *used, size - *used, &count, NULL) && count > 0) *used += count;
}

int main(int argc, char** argv) {
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
  HANDLE to_child, child_input, from_child, child_output, child;
  DWORD no_wait = PIPE_READMODE_BYTE | PIPE_NOWAIT, written, used = 0, status = 1;
  char got[64];
  if (argc != 2 || !CreatePipe(&child_input, &to_child, &inherited, 0) ||
      !CreatePipe(&from_child, &child_output, &inherited, 0))
    return 2;
  SetHandleInformation(to_child, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(from_child, HANDLE_FLAG_INHERIT, 0);
  if (!SetNamedPipeHandleState(child_input, &no_wait, NULL, NULL)) return 2;
  child = start_program(argv[1], child_input, child_output);
  if (!child) return 2;
  CloseHandle(child_input);
  CloseHandle(child_output);
  WriteFile(to_child, "1+1\n", 4, &written, NULL);
  read_answers(from_child, got, &used, 3);
  Sleep(200); /* the program meets the empty pipe */
  WriteFile(to_child, "2+2\n", 4, &written, NULL);
  CloseHandle(to_child);
  read_answers(from_child, got, &used, sizeof got);
  WaitForSingleObject(child, INFINITE);
  GetExitCodeProcess(child, &status);
  if (used == 6 && memcmp(got, "\t2\n\t4\n", 6) == 0 && status == 0) return 0;
  printf("printed %lu bytes [%.*s] with status %lu; expected \"\\t2\\n\\t4\\n\" and 0\n", (unsigned long)used, (int)used,
         got, (unsigned long)status);
  return 1;
}
