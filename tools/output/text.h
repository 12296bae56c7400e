// The pieces every output format and report is made of: dates, fixed-point
// values, and strings made safe for JSON, CSV or a terminal. All append to
// or return std::string; nothing here calls printf.
#ifndef PAGERATES_TOOLS_OUTPUT_TEXT_H_
#define PAGERATES_TOOLS_OUTPUT_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pagerates/abi.h"
#include "port/utf8.h"

namespace pagerates::cli {

// "%04d-%02d-%02d" of the signed year, month and day, so odd dates stay
// visible ("-001-00-31").
void AppendDate(RateDate date, std::string* out);
std::string FormatDate(RateDate date);
// The same, written at `at`, which has room for kMaxDateLength characters;
// returns the end.
inline constexpr size_t kMaxDateLength = 18;  // "-32768--128--128"
char* DateTo(char* at, RateDate date);

// The fixed-point number (scaled by 10000) with exactly four decimals and a
// leading '-' when negative, INT64_MIN included.
void AppendFixedPoint(int64_t value, std::string* out);
std::string FormatFixedPoint(int64_t value);
inline constexpr size_t kMaxFixedPointLength = 24;  // "-922337203685477.5808"
char* FixedPointTo(char* at, int64_t value);

// `text` as a quoted JSON string: valid UTF-8 passes through; control
// characters (U+0000-U+001F, U+007F-U+009F) are escaped and every byte that
// is not part of valid UTF-8 becomes \u00XX.
void AppendJsonString(std::string_view text, std::string* out);
std::string JsonString(std::string_view text);
// The same, written at `at`, which has room for JsonStringRoom(text.size())
// characters; returns the end.
constexpr size_t JsonStringRoom(size_t size) { return 2 + 6 * size; }
char* JsonStringTo(char* at, std::string_view text);

// `text` as one CSV field: quoted, with its quotes doubled, when it holds a
// comma, a quote, CR or LF. Text that a spreadsheet would take for a
// formula (it begins with '=', '+', '-', '@', a tab or CR) is quoted with
// an apostrophe before it, so that it is read as the text it is.
void AppendCsvField(std::string_view text, std::string* out);
std::string CsvField(std::string_view text);

// `text` with control characters and invalid bytes replaced by U+FFFD.
std::string DisplayText(std::string_view text);

// Number of code points in valid UTF-8 `text` (continuation bytes are not
// counted).
size_t DisplayWidth(std::string_view text);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_OUTPUT_TEXT_H_
