// ASCII letters and their case, as the module's rules use them: only A-Z
// and a-z are letters and have a case; every other byte, UTF-8 included, is
// compared as it is.
#ifndef PAGERATES_PORT_ASCII_H_
#define PAGERATES_PORT_ASCII_H_

#include <string>
#include <string_view>

namespace pagerates {

inline bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace pagerates

#endif  // PAGERATES_PORT_ASCII_H_
