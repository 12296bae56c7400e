// Rate records as text: for other programs (jsonl, csv), for people
// (table) and for plain-text accounting (ledger, beancount).
//
// Everything here is pure: records go in, text comes out, nothing is read
// or written. A new format is one more RecordFormatter (a file of its own
// in this folder) behind MakeRecordFormatter() and one more name in
// ParseOutputFormat().
//
// Common rules:
//   - a date is "%04d-%02d-%02d" of the signed year, month and day, so odd
//     dates stay visible ("-001-00-31");
//   - a value is the fixed-point number (scaled by 10000) with exactly four
//     decimals and a leading '-' when negative, INT64_MIN included;
//   - strings are the module's UTF-8 bytes; how bytes that are not valid
//     UTF-8 come out is up to each format (see below).
//
// What the values mean: value1 is an amount of the foreign currency named by
// the code (1, or 100 for a rate quoted per 100 units) and value2 is what
// that amount costs in the module's home currency. The price formats print
// the price of one unit, value2 / value1; with FormatOptions::invert the
// roles swap (value1 is the home-currency amount, value2 the foreign one)
// and the price is value1 / value2.
#ifndef PAGERATES_TOOLS_OUTPUT_RECORD_FORMAT_H_
#define PAGERATES_TOOLS_OUTPUT_RECORD_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/records.h"
#include "output/decimal.h"
#include "output/text.h"
#include "pagerates/abi.h"

namespace pagerates::cli {

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
  // Ledger price directives, "P 2016-09-08 USD 64.9213 RUB": the date, the
  // code, the price of one unit (FormatQuotient) and the home currency. A
  // code of ASCII letters is written as it is, any other code in double
  // quotes.
  kLedger,
  // Beancount price directives, "2016-09-08 price USD 64.9213 RUB", under
  // the same rules; codes must be beancount currencies (IsBeancountCurrency).
  kBeancount,
};

// "jsonl", "csv", "table", "ledger" or "beancount"; nullopt for any other
// name.
std::optional<OutputFormat> ParseOutputFormat(std::string_view name);

// What the price formats (ledger, beancount) need beyond the records; the
// other formats ignore it.
struct FormatOptions {
  std::string home_currency;  // the module's home currency code
  bool invert = false;        // value1 is the home amount, value2 the foreign
};

// True for the formats that print prices: ledger and beancount.
bool PrintsPrices(OutputFormat format);

// Empty when `options` suit `format`; otherwise why not, in one line (a
// price format without a home currency it can write).
std::string CheckFormatOptions(OutputFormat format,
                               const FormatOptions& options);

// Turns a stream of records into text, record by record.
class RecordFormatter {
 public:
  virtual ~RecordFormatter() = default;
  // Appends the text for `record`, which follows those written before, to
  // `out`. Appends nothing when the format needs every record before it
  // can write any (it then keeps a copy).
  virtual void Write(const RecordView& record, std::string* out) = 0;
  // Appends the rest of the text. Call once, after the last record; the
  // output is complete (a header included) even when there was none.
  virtual void WriteEnd(std::string* /*out*/) {}
  // One line for each record that could not be written (a price format
  // and a value of 0, a code it cannot write, a day that does not exist),
  // since the last call. Formats that write every record return none.
  virtual std::vector<std::string> TakeNotes() { return {}; }

  // Write() for each of `records`, and WriteEnd(), as returned text.
  std::string Add(std::span<const Record> records);
  std::string Finish();
};

std::unique_ptr<RecordFormatter> MakeRecordFormatter(
    OutputFormat format, const FormatOptions& options = FormatOptions());

// The whole text for `records` in one call; notes are dropped.
std::string FormatRecords(OutputFormat format, std::span<const Record> records,
                          const FormatOptions& options = FormatOptions());

// True for a beancount currency: an upper-case ASCII letter, then up to 22
// of A-Z 0-9 ' . _ -, then an upper-case letter or digit (or nothing more).
bool IsBeancountCurrency(std::string_view code);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_OUTPUT_RECORD_FORMAT_H_
