// The C++ half of host_names.c: more of the interpreter's names, as C++
// definitions in the global namespace.
struct SessionState { int mode; };
SessionState token_value{4};
double factorial(int n) { return n; }
int next_token() { return 20; }
bool evaluate_string(const char*, double& result) { return (result = 1) == 0; }
void run_closing_evaluations() {}

extern "C" int host_cxx_names_answer() {
  double result = 0;
  bool own = !evaluate_string("1+1", result) && result == 1;
  return own ? static_cast<int>(factorial(18) + next_token() + token_value.mode) : 0;
}
