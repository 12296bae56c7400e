// Rate records as text: for other programs (jsonl, csv) and for people
// (table).
//
// Everything here is pure: records go in, text comes out, nothing is read
// or written. A new format is one more RecordFormatter behind
// MakeRecordFormatter() and one more name in ParseOutputFormat().
//
// Common rules:
//   - a date is "%04d-%02d-%02d" of the signed year, month and day, so odd
//     dates stay visible ("-001-00-31");
//   - a value is the fixed-point number (scaled by 10000) with exactly four
//     decimals and a leading '-' when negative, INT64_MIN included;
//   - strings are the module's UTF-8 bytes; how bytes that are not valid
//     UTF-8 come out is up to each format (see below).
#ifndef PAGERATES_TOOLS_RECORD_FORMAT_H_
#define PAGERATES_TOOLS_RECORD_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "pagerates/abi.h"

namespace pagerates::cli {

// One rate as the host keeps it: a copy of a RateRecord.
struct Record {
  RateDate date{};
  std::string code;
  std::string name;
  int64_t value1 = 0;
  int64_t value2 = 0;
};

enum class OutputFormat {
  // One JSON object per line: {"date":..,"code":..,"name":..,"value1":..,
  // "value2":..} in that key order, values as strings. Valid UTF-8 passes
  // through; control characters (U+0000-U+001F, U+007F-U+009F) are escaped
  // and every byte that is not part of valid UTF-8 becomes \u00XX.
  kJsonl,
  // Header "date,code,name,value1,value2", then one line per record; LF
  // line ends. A field holding a comma, a quote, CR or LF is quoted with
  // its quotes doubled. Bytes are written as they are.
  kCsv,
  // Aligned columns under a header row and a rule; text left-aligned,
  // values right-aligned, widths counted in code points. Control characters
  // and bytes that are not valid UTF-8 are shown as U+FFFD.
  kTable,
};

// "jsonl", "csv" or "table"; nullopt for any other name.
std::optional<OutputFormat> ParseOutputFormat(std::string_view name);

// Turns a stream of records into text, batch by batch.
class RecordFormatter {
 public:
  virtual ~RecordFormatter() = default;

  // Text for `records`, which follow those of the earlier calls. May be
  // empty when the format needs every record before it can write any.
  virtual std::string Add(std::span<const Record> records) = 0;

  // The rest of the text. Call once, after the last Add(); the output is
  // complete (a header included) even when no record was added.
  virtual std::string Finish() = 0;
};

std::unique_ptr<RecordFormatter> MakeRecordFormatter(OutputFormat format);

// The whole text for `records` in one call.
std::string FormatRecords(OutputFormat format, std::span<const Record> records);

// ---- Building blocks shared by the formats -------------------------------

std::string FormatDate(RateDate date);
std::string FormatFixedPoint(int64_t value);

// `text` as a quoted JSON string under the kJsonl rules.
std::string JsonString(std::string_view text);

// `text` as one CSV field under the kCsv rules.
std::string CsvField(std::string_view text);

// `text` with control characters and invalid bytes replaced by U+FFFD.
std::string DisplayText(std::string_view text);

// Number of code points in valid UTF-8 `text` (continuation bytes are not
// counted).
size_t DisplayWidth(std::string_view text);

// Length of the valid UTF-8 sequence starting at `text[0]` (shortest form,
// no surrogates, at most U+10FFFF), or 0 when there is none.
size_t Utf8SequenceLength(std::string_view text);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_RECORD_FORMAT_H_
