#include "output/text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pagerates::cli {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD
constexpr char kHexDigits[] = "0123456789abcdef";

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

// The code point of a C0 or C1 control character or DEL encoded at the
// start of `sequence` (a valid UTF-8 sequence), or -1.
int ControlCharacter(std::string_view sequence) {
  unsigned char first = Byte(sequence[0]);
  if (sequence.size() == 1) return first < 0x20 || first == 0x7F ? first : -1;
  if (sequence.size() == 2 && first == 0xC2 && Byte(sequence[1]) < 0xA0) {
    return Byte(sequence[1]);  // U+0080-U+009F
  }
  return -1;
}

// "00" to "99", two characters each.
constexpr auto kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[static_cast<size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    pairs[static_cast<size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// Writes the two digits of `value` (below 100) at `at`.
char* PairTo(char* at, unsigned value) {
  std::memcpy(at, &kDigitPairs[2 * value], 2);
  return at + 2;
}

// The number of decimal digits of `value`.
size_t DigitCount(uint64_t value) {
  size_t count = 1;
  for (; value >= 10000; value /= 10000) count += 4;
  return count + (value >= 10) + (value >= 100) + (value >= 1000);
}

// The decimal digits of `value`, at least `width` of them (zeros first),
// written at `at`; returns the end.
char* DigitsTo(char* at, uint64_t value, size_t width) {
  if (value < 100 && width <= 2) {  // the usual case, without the loops
    if (value >= 10 || width == 2)
      return PairTo(at, static_cast<unsigned>(value));
    *at = static_cast<char>('0' + value);
    return at + 1;
  }
  const size_t count = DigitCount(value);
  for (size_t zeros = count; zeros < width; ++zeros) *at++ = '0';
  char* const end = at + count;
  char* first = end;
  while (value >= 100) {
    first -= 2;
    PairTo(first, static_cast<unsigned>(value % 100));
    value /= 100;
  }
  if (value >= 10) {
    PairTo(first - 2, static_cast<unsigned>(value));
  } else {
    first[-1] = static_cast<char>('0' + value);
  }
  return end;
}

uint64_t Magnitude(int64_t value) {
  // In unsigned arithmetic: -INT64_MIN does not fit int64_t.
  return value < 0 ? 0 - static_cast<uint64_t>(value)
                   : static_cast<uint64_t>(value);
}

// printf's "%0<width>d": the sign counts towards the width.
char* PaddedTo(char* at, int value, size_t width) {
  if (value < 0) {
    *at++ = '-';
    width = width > 0 ? width - 1 : 0;
  }
  return DigitsTo(at, Magnitude(value), width);
}

char* UnicodeEscapeTo(char* at, unsigned value) {
  std::memcpy(at, "\\u00", 4);
  at[4] = kHexDigits[(value >> 4) & 0xF];
  at[5] = kHexDigits[value & 0xF];
  return at + 6;
}

}  // namespace

char* DateTo(char* at, RateDate date) {
  at = PaddedTo(at, date.year, 4);
  *at++ = '-';
  at = PaddedTo(at, date.month, 2);
  *at++ = '-';
  return PaddedTo(at, date.day, 2);
}

char* FixedPointTo(char* at, int64_t value) {
  const uint64_t magnitude = Magnitude(value);
  if (value < 0) *at++ = '-';
  at = DigitsTo(at, magnitude / 10000, 1);
  *at++ = '.';
  const auto fraction = static_cast<unsigned>(magnitude % 10000);
  return PairTo(PairTo(at, fraction / 100), fraction % 100);
}

void AppendDate(RateDate date, std::string* out) {
  char text[kMaxDateLength];
  out->append(text, static_cast<size_t>(DateTo(text, date) - text));
}

std::string FormatDate(RateDate date) {
  std::string text;
  AppendDate(date, &text);
  return text;
}

void AppendFixedPoint(int64_t value, std::string* out) {
  char text[kMaxFixedPointLength];
  out->append(text, static_cast<size_t>(FixedPointTo(text, value) - text));
}

std::string FormatFixedPoint(int64_t value) {
  std::string text;
  AppendFixedPoint(value, &text);
  return text;
}

namespace {

// How JsonStringTo treats a byte: kept as it is (printable ASCII but the
// quote and the backslash), escaped (the other ASCII bytes), the lead of a
// two-byte UTF-8 sequence, or anything else (decoded in full).
enum JsonByte : unsigned char {
  kJsonPlain,
  kJsonEscape,
  kJsonLeadOfTwo,
  kJsonOther
};

constexpr auto kJsonBytes = [] {
  std::array<JsonByte, 256> kinds{};
  for (size_t c = 0; c < 256; ++c) {
    kinds[c] = c < 0x20 || c == 0x7F || c == '"' || c == '\\' ? kJsonEscape
               : c < 0x80                                     ? kJsonPlain
               : c >= 0xC2 && c <= 0xDF                       ? kJsonLeadOfTwo
                                                              : kJsonOther;
  }
  return kinds;
}();

char* JsonEscapeTo(char* at, unsigned char c) {
  const char* short_form = nullptr;
  switch (c) {
    case '\b':
      short_form = "\\b";
      break;
    case '\f':
      short_form = "\\f";
      break;
    case '\n':
      short_form = "\\n";
      break;
    case '\r':
      short_form = "\\r";
      break;
    case '\t':
      short_form = "\\t";
      break;
    case '"':
      short_form = "\\\"";
      break;
    case '\\':
      short_form = "\\\\";
      break;
    default:
      return UnicodeEscapeTo(at, c);
  }
  at[0] = short_form[0];
  at[1] = short_form[1];
  return at + 2;
}

}  // namespace

char* JsonStringTo(char* at, std::string_view text) {
  *at++ = '"';
  const char* next = text.data();
  const char* const end = next + text.size();
  while (next < end) {
    const unsigned char c = Byte(*next);
    const JsonByte kind = kJsonBytes[c];
    if (kind == kJsonPlain) {
      *at++ = *next++;
      continue;
    }
    // Two-byte sequences (Latin, Greek, Cyrillic, ...) are copied without
    // the general decoding, unless they are C1 controls.
    if (kind == kJsonLeadOfTwo && end - next >= 2 &&
        IsUtf8Continuation(next[1]) &&
        ControlCharacter(std::string_view(next, 2)) < 0) {
      at[0] = next[0];
      at[1] = next[1];
      at += 2;
      next += 2;
      continue;
    }
    if (kind == kJsonEscape) {
      at = JsonEscapeTo(at, c);
      ++next;
      continue;
    }
    const size_t length = Utf8SequenceLength(
        std::string_view(next, static_cast<size_t>(end - next)));
    if (length == 0) {
      at = UnicodeEscapeTo(at, c);  // a byte outside valid UTF-8
      ++next;
      continue;
    }
    const std::string_view sequence(next, length);
    next += length;
    const int control = ControlCharacter(sequence);
    if (control >= 0) {
      at = UnicodeEscapeTo(at, static_cast<unsigned>(control));  // C1
    } else {
      for (char byte : sequence) *at++ = byte;
    }
  }
  *at++ = '"';
  return at;
}

void AppendJsonString(std::string_view text, std::string* out) {
  const size_t start = out->size();
  out->resize(start + JsonStringRoom(text.size()));
  char* const begin = out->data() + start;
  out->resize(start + static_cast<size_t>(JsonStringTo(begin, text) - begin));
}

std::string JsonString(std::string_view text) {
  std::string out;
  AppendJsonString(text, &out);
  return out;
}

void AppendCsvField(std::string_view text, std::string* out) {
  const bool formula =
      !text.empty() &&
      std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
  if (!formula && text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out->append(text);
    return;
  }
  out->push_back('"');
  if (formula) out->push_back('\'');
  for (char c : text) {
    if (c == '"') out->push_back('"');
    out->push_back(c);
  }
  out->push_back('"');
}

std::string CsvField(std::string_view text) {
  std::string out;
  AppendCsvField(text, &out);
  return out;
}

std::string DisplayText(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    size_t length = Utf8SequenceLength(text);
    if (length == 0 || ControlCharacter(text.substr(0, length)) >= 0) {
      out += kReplacementCharacter;
      text.remove_prefix(length == 0 ? 1 : length);
      continue;
    }
    out += text.substr(0, length);
    text.remove_prefix(length);
  }
  return out;
}

size_t DisplayWidth(std::string_view text) {
  return static_cast<size_t>(std::count_if(
      text.begin(), text.end(), [](char c) { return !IsUtf8Continuation(c); }));
}

}  // namespace pagerates::cli
