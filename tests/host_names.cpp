// The C++ half of host_names.c: the interpreter's names once more, as C++
// declarations in the global namespace.
struct SessionState {
  int mode;
};
SessionState token_value{4};

double factorial(int n) { return n; }
double binomial(int n, int k) { return n - k; }
void report_value(double) {}
int next_token() { return 20; }
bool evaluate_string(const char*, double& result) {
  result = 1;
  return false;
}
void run_closing_evaluations() {}

extern "C" int host_cxx_names_answer() {
  double result = 0;
  bool ok = evaluate_string("1+1", result);
  return ok || result != 1 ? 0 : static_cast<int>(factorial(30) + binomial(12, 4) + next_token() + token_value.mode - 20);
}
