// Parsed contents of an INI file, with the rules of the Windows profile
// reader that users rely on:
// - section and key names match without regard to (ASCII) case;
// - blanks around keys and values are dropped, blanks inside a value stay;
// - lines whose first non-blank character is ';' are comments;
// - the first of repeated sections, and the first of repeated keys within
//   it, is the one that is read;
// - a value wrapped in one pair of matching quotes (' or ") loses them;
// - values are cut at kMaxProfileValue bytes.
// Used by the POSIX platform layer; on every platform, by `check` for what
// the Windows reader does not tell (which values lost a pair of quotes) and
// for integers the module reads as text. Pure code, no I/O.
#ifndef PAGERATES_PORT_PROFILE_TEXT_H_
#define PAGERATES_PORT_PROFILE_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pagerates::port {

class ProfileText {
 public:
  ProfileText() = default;
  explicit ProfileText(std::string_view file_bytes);

  // The value as the reader hands it out (quotes removed, cut), or null when
  // the section or key is missing.
  const std::string* Find(std::string_view section, std::string_view key) const;

  // The key names of `section` as the file writes them, in file order.
  std::vector<std::string> Keys(std::string_view section) const;

  // The quote (' or ") whose pair the reader removed from the value, or 0
  // when it removed none or the key is missing.
  char RemovedQuote(std::string_view section, std::string_view key) const;

  // Integer reading of a value: blanks, an optional sign, then digits,
  // decimal unless "0b", "0o" or "0x" comes first, wrapping modulo 2^32;
  // no digits read as 0. Only the first 29 characters count.
  static int32_t ParseInt(std::string_view value);

 private:
  struct Value {
    std::string text;
    char removed_quote = 0;
    std::string name;  // the key as written
    size_t order = 0;  // its place among the section's keys
  };
  using Section = std::unordered_map<std::string, Value>;
  const Value* FindValue(std::string_view section, std::string_view key) const;

  std::unordered_map<std::string, Section> sections_;
};

}  // namespace pagerates::port

#endif  // PAGERATES_PORT_PROFILE_TEXT_H_
