// UTF-8 as the module's tools read it: shortest forms only, no surrogates,
// nothing above U+10FFFF.
#ifndef PAGERATES_PORT_UTF8_H_
#define PAGERATES_PORT_UTF8_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pagerates {

inline bool IsUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence starting at `text[0]`, or 0 when there
// is none.
inline size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto first = static_cast<unsigned char>(text[0]);
  if (first < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80;  // allowed range of the second byte
  unsigned char high = 0xBF;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    if (first == 0xE0) low = 0xA0;   // no overlong forms
    if (first == 0xED) high = 0x9F;  // no surrogates
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    if (first == 0xF0) low = 0x90;   // no overlong forms
    if (first == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  const auto second = static_cast<unsigned char>(text[1]);
  if (second < low || second > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!IsUtf8Continuation(text[i])) return 0;
  }
  return length;
}

// True when all of `text` is valid UTF-8; otherwise false, with the offset
// of the first byte that starts no valid sequence in `*bad_offset` when
// that is not null.
inline bool IsUtf8(std::string_view text, size_t* bad_offset = nullptr) {
  for (size_t at = 0; at < text.size();) {
    const size_t length = Utf8SequenceLength(text.substr(at));
    if (length == 0) {
      if (bad_offset != nullptr) *bad_offset = at;
      return false;
    }
    at += length;
  }
  return true;
}

// Writes `code_point` (at most U+10FFFF) as UTF-8 to `out`, which has room
// for four bytes; returns the number written.
inline size_t EncodeUtf8(uint32_t code_point, char* out) {
  if (code_point < 0x80) {
    out[0] = static_cast<char>(code_point);
    return 1;
  }
  if (code_point < 0x800) {
    out[0] = static_cast<char>(0xC0 | (code_point >> 6));
    out[1] = static_cast<char>(0x80 | (code_point & 0x3F));
    return 2;
  }
  if (code_point < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (code_point >> 12));
    out[1] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code_point & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (code_point >> 18));
  out[1] = static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (code_point & 0x3F));
  return 4;
}

}  // namespace pagerates

#endif  // PAGERATES_PORT_UTF8_H_
