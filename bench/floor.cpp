// The floor: the least work any line calculator must do. It reads the input
// in blocks, converts every number of each line with std::from_chars, and
// writes one result per line (the line's sum) with std::to_chars. The
// calculator's batch throughput is judged against this program's.
#include <unistd.h>

#include <charconv>
#include <cstring>

namespace {

constexpr std::size_t BLOCK_SIZE = 1 << 16;

struct Output {
  char buffer[BLOCK_SIZE];
  std::size_t used;
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_name_byte(char c) { return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void flush_output(Output& out) {
  std::size_t done = 0;
  while (done < out.used) {
    ssize_t written = write(STDOUT_FILENO, out.buffer + done, out.used - done);
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  out.used = 0;
}

void put_result(Output& out, double value) {
  if (BLOCK_SIZE - out.used < 64) flush_output(out);
  char* end = std::to_chars(out.buffer + out.used, out.buffer + BLOCK_SIZE, value).ptr;
  *end++ = '\n';
  out.used = static_cast<std::size_t>(end - out.buffer);
}

// Sums the numbers of one line; digits inside names (x1) are not numbers.
double sum_line(const char* p, const char* end) {
  double sum = 0;
  while (p < end) {
    if (is_digit(*p) || *p == '.') {
      double value = 0;
      const char* next = std::from_chars(p, end, value).ptr;
      sum += value;
      p = next > p ? next : p + 1;
    } else if (is_name_byte(*p)) {
      while (p < end && is_name_byte(*p)) ++p;
    } else {
      ++p;
    }
  }
  return sum;
}

// Handles the complete lines in [begin, end); returns where the unfinished one starts.
const char* process_lines(Output& out, const char* begin, const char* end) {
  for (;;) {
    const char* newline = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin)));
    if (!newline) return begin;
    put_result(out, sum_line(begin, newline));
    begin = newline + 1;
  }
}

}  // namespace

int main() {
  static char input[2 * BLOCK_SIZE];
  static Output out;
  std::size_t kept = 0;
  for (;;) {
    ssize_t got = read(STDIN_FILENO, input + kept, BLOCK_SIZE);
    if (got <= 0) break;
    const char* end = input + kept + got;
    const char* rest = process_lines(out, input, end);
    kept = static_cast<std::size_t>(end - rest);
    // A line longer than a block is cut; the floor need not read such input.
    if (kept > BLOCK_SIZE) kept = 0;
    std::memmove(input, rest, kept);
  }
  if (kept > 0) put_result(out, sum_line(input, input + kept));
  flush_output(out);
  return 0;
}
