#include "line_editor_bytes.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <cwchar>

namespace ziffralon {

namespace {

constexpr wchar_t ESCAPED_BYTES = 0xDC00;  // + the byte

bool is_escaped_byte(wchar_t character) { return character >= ESCAPED_BYTES && character <= ESCAPED_BYTES + 0xFF; }

bool encodes_back(wchar_t character, const unsigned char* bytes, std::size_t size) {
  char encoded[MB_LEN_MAX];
  std::mbstate_t state{};
  return std::wcrtomb(encoded, character, &state) == size && std::memcmp(encoded, bytes, size) == 0;
}

// Takes the character the pending bytes begin with; false while they may
// still become one with more bytes.
bool take_character(TerminalBytes& bytes, wchar_t* into, bool at_end) {
  std::mbstate_t state{};
  wchar_t character = 0;
  std::size_t used = std::mbrtowc(&character, reinterpret_cast<const char*>(bytes.pending), bytes.count, &state);
  if (used == static_cast<std::size_t>(-2) && !at_end && bytes.count < sizeof bytes.pending) return false;
  if (used == 0) used = 1;  // a NUL byte
  if (used > bytes.count || is_escaped_byte(character) || !encodes_back(character, bytes.pending, used)) {
    character = ESCAPED_BYTES + bytes.pending[0];
    used = 1;
  }
  *into = character;
  bytes.count -= used;
  std::memmove(bytes.pending, bytes.pending + used, bytes.count);
  return true;
}

// Waits until the terminal has a byte to read; false when a stop signal came
// before or during the wait. SIGINT and SIGTERM are blocked from the check of
// `interrupted` until ppoll lets them in together with the wait, so a signal
// that lands just before the wait still ends it instead of being noticed only
// at the next key.
bool wait_for_byte(bool (*interrupted)()) {
  sigset_t stop_signals, before;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &stop_signals, &before);
  pollfd terminal{STDIN_FILENO, POLLIN, 0};
  bool stopped = interrupted();
  while (!stopped && ppoll(&terminal, 1, nullptr, &before) < 0 && errno == EINTR) stopped = interrupted();
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return !stopped;
}

}  // namespace

int read_terminal_character(TerminalBytes& bytes, wchar_t* into, bool (*interrupted)()) {
  for (bool at_end = false;;) {
    if (bytes.count > 0 && take_character(bytes, into, at_end)) return 1;
    if (at_end) return 0;
    if (!wait_for_byte(interrupted)) return -1;
    ssize_t got = read(STDIN_FILENO, bytes.pending + bytes.count, 1);
    if (got == 1)
      ++bytes.count;
    else if (got == 0)
      at_end = true;
    else if (errno != EINTR || interrupted())
      return -1;
  }
}

void append_terminal_bytes(std::string& line, const wchar_t* text, int count) {
  std::mbstate_t state{};
  char encoded[MB_LEN_MAX];
  for (int at = 0; at < count; ++at) {
    if (is_escaped_byte(text[at])) {
      line += static_cast<char>(text[at] - ESCAPED_BYTES);
      continue;
    }
    std::size_t size = std::wcrtomb(encoded, text[at], &state);
    if (size != static_cast<std::size_t>(-1)) line.append(encoded, size);
  }
}

namespace {

// Whether every ASCII byte is the same character in the locale, as it is in
// every locale the C library offers: such bytes then need no decoding.
bool ascii_is_itself() {
  for (unsigned char byte = 1; byte < 0x80; ++byte) {
    wchar_t character = 0;
    std::mbstate_t state{};
    char text = static_cast<char>(byte);
    if (std::mbrtowc(&character, &text, 1, &state) != 1 || character != byte || !encodes_back(character, &byte, 1))
      return false;
  }
  return true;
}

}  // namespace

std::wstring terminal_characters(const std::string& bytes) {
  std::wstring characters;
  TerminalBytes pending{{}, 0};
  // The locale is set once, before the editor starts: a thousand lines of
  // history are decoded then.
  static const bool plain_ascii = ascii_is_itself();
  for (std::size_t at = 0; at < bytes.size() || pending.count > 0;) {
    if (plain_ascii && pending.count == 0 && static_cast<unsigned char>(bytes[at]) - 1u < 0x7Fu) {
      characters += static_cast<wchar_t>(bytes[at++]);
      continue;
    }
    while (at < bytes.size() && pending.count < sizeof pending.pending) pending.pending[pending.count++] = bytes[at++];
    wchar_t character;
    take_character(pending, &character, at == bytes.size());
    characters += character;
  }
  return characters;
}

}  // namespace ziffralon
