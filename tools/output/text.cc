#include "output/text.h"

#include <algorithm>

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

void AppendUnicodeEscape(unsigned value, std::string* out) {
  out->append("\\u00");
  out->push_back(kHexDigits[(value >> 4) & 0xF]);
  out->push_back(kHexDigits[value & 0xF]);
}

// The decimal digits of `value`, at least `width` of them (zeros first),
// written at `at`; returns the end.
char* DigitsTo(char* at, uint64_t value, size_t width) {
  char digits[20];
  char* end = digits + sizeof digits;
  char* first = end;
  do {
    *--first = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (size_t count = static_cast<size_t>(end - first); count < width;
       ++count) {
    *at++ = '0';
  }
  while (first < end) *at++ = *first++;
  return at;
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

// Bytes a JSON string holds as they are: printable ASCII but the quote and
// the backslash, and the bytes of valid UTF-8 sequences of two or more
// bytes that are not C1 control characters.
size_t PlainJsonRun(std::string_view text) {
  size_t at = 0;
  while (at < text.size()) {
    const unsigned char c = Byte(text[at]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F || c == '"' || c == '\\') break;
      ++at;
      continue;
    }
    const size_t length = Utf8SequenceLength(text.substr(at));
    if (length == 0 || ControlCharacter(text.substr(at, length)) >= 0) break;
    at += length;
  }
  return at;
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
  return DigitsTo(at, magnitude % 10000, 4);
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

void AppendJsonString(std::string_view text, std::string* out) {
  out->push_back('"');
  while (!text.empty()) {
    const size_t plain = PlainJsonRun(text);
    out->append(text.data(), plain);
    text.remove_prefix(plain);
    if (text.empty()) break;
    size_t length = Utf8SequenceLength(text);
    if (length == 0) {
      AppendUnicodeEscape(Byte(text[0]), out);
      text.remove_prefix(1);
      continue;
    }
    std::string_view sequence = text.substr(0, length);
    text.remove_prefix(length);
    int control = ControlCharacter(sequence);
    switch (control) {
      case '\b':
        out->append("\\b");
        break;
      case '\f':
        out->append("\\f");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\r':
        out->append("\\r");
        break;
      case '\t':
        out->append("\\t");
        break;
      case -1:
        if (sequence == "\"" || sequence == "\\") out->push_back('\\');
        out->append(sequence);
        break;
      default:
        AppendUnicodeEscape(static_cast<unsigned>(control), out);
        break;
    }
  }
  out->push_back('"');
}

std::string JsonString(std::string_view text) {
  std::string out;
  AppendJsonString(text, &out);
  return out;
}

void AppendCsvField(std::string_view text, std::string* out) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out->append(text);
    return;
  }
  out->push_back('"');
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
