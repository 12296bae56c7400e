#include "port/profile_text.h"

#include <algorithm>
#include <utility>

#include "port/ascii.h"
#include "port/port.h"

namespace pagerates::port {
namespace {

// The reader's notion of a blank: C whitespace and the old end-of-file mark.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' ||
         c == '\f' || c == '\x1a';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The value as it is handed out: one pair of matching quotes removed, then
// cut to what the caller's 512-byte buffer holds. `*quote` is the quote
// removed, or 0.
std::string Unquote(std::string_view value, char* quote) {
  *quote = 0;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    *quote = value.front();
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() > kMaxProfileValue)
    value = value.substr(0, kMaxProfileValue);
  return std::string(value);
}

}  // namespace

ProfileText::ProfileText(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  Section* current = nullptr;  // null: before any section, or a repeated one
  while (!bytes.empty()) {
    size_t eol = bytes.find_first_of("\r\n");
    std::string_view line = bytes.substr(0, eol);
    bytes.remove_prefix(eol == std::string_view::npos ? bytes.size() : eol + 1);
    line = Trim(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        auto [it, inserted] =
            sections_.try_emplace(AsciiLower(line.substr(1, close - 1)));
        current = inserted ? &it->second : nullptr;
        continue;
      }
    }
    if (current == nullptr) continue;
    size_t eq = line.find('=');
    std::string_view key = Trim(line.substr(0, eq));
    std::string_view value = eq == std::string_view::npos
                                 ? std::string_view()
                                 : Trim(line.substr(eq + 1));
    if (key.empty()) continue;
    Value entry;
    entry.text = Unquote(value, &entry.removed_quote);
    entry.name = std::string(key);
    entry.order = current->size();
    current->try_emplace(AsciiLower(key), std::move(entry));
  }
}

const ProfileText::Value* ProfileText::FindValue(std::string_view section,
                                                 std::string_view key) const {
  auto s = sections_.find(AsciiLower(section));
  if (s == sections_.end()) return nullptr;
  auto k = s->second.find(AsciiLower(key));
  return k == s->second.end() ? nullptr : &k->second;
}

std::vector<std::string> ProfileText::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  auto s = sections_.find(AsciiLower(section));
  if (s == sections_.end()) return keys;
  std::vector<const Value*> values;
  for (const auto& entry : s->second) values.push_back(&entry.second);
  std::sort(values.begin(), values.end(),
            [](const Value* a, const Value* b) { return a->order < b->order; });
  for (const Value* value : values) keys.push_back(value->name);
  return keys;
}

const std::string* ProfileText::Find(std::string_view section,
                                     std::string_view key) const {
  const Value* value = FindValue(section, key);
  return value == nullptr ? nullptr : &value->text;
}

char ProfileText::RemovedQuote(std::string_view section,
                               std::string_view key) const {
  const Value* value = FindValue(section, key);
  return value == nullptr ? 0 : value->removed_quote;
}

int32_t ProfileText::ParseInt(std::string_view value) {
  // The reader looks at no more than the first 29 characters.
  value = value.substr(0, 29);
  size_t i = 0;
  while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  // "0b", "0o" and "0x" (lower case only) switch to binary, octal and hex.
  uint32_t base = 10;
  if (i + 1 < value.size() && value[i] == '0') {
    switch (value[i + 1]) {
      case 'b':
        base = 2;
        break;
      case 'o':
        base = 8;
        break;
      case 'x':
        base = 16;
        break;
      default:
        break;
    }
    if (base != 10) i += 2;
  }
  uint32_t total = 0;
  for (; i < value.size(); ++i) {
    char c = value[i];
    uint32_t digit =
        c >= '0' && c <= '9'   ? static_cast<uint32_t>(c - '0')
        : c >= 'a' && c <= 'z' ? static_cast<uint32_t>(c - 'a' + 10)
        : c >= 'A' && c <= 'Z' ? static_cast<uint32_t>(c - 'A' + 10)
                               : base;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return static_cast<int32_t>(negative ? 0u - total : total);
}

}  // namespace pagerates::port
