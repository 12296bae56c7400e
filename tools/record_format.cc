#include "record_format.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <utility>
#include <vector>

#include "calendar.h"

namespace pagerates::cli {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD
constexpr char kHexDigits[] = "0123456789abcdef";

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

bool IsContinuation(char c) { return (Byte(c) & 0xC0) == 0x80; }

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

// ---- jsonl ----

class JsonLinesFormatter final : public RecordFormatter {
 public:
  std::string Add(std::span<const Record> records) override {
    std::string text;
    for (const Record& record : records) {
      text += "{\"date\":\"" + FormatDate(record.date) +
              "\",\"code\":" + JsonString(record.code) +
              ",\"name\":" + JsonString(record.name) + ",\"value1\":\"" +
              FormatFixedPoint(record.value1) + "\",\"value2\":\"" +
              FormatFixedPoint(record.value2) + "\"}\n";
    }
    return text;
  }
  std::string Finish() override { return std::string(); }
};

// ---- csv ----

class CsvFormatter final : public RecordFormatter {
 public:
  std::string Add(std::span<const Record> records) override {
    std::string text = Header();
    for (const Record& record : records) {
      text += FormatDate(record.date) + ',' + CsvField(record.code) + ',' +
              CsvField(record.name) + ',' + FormatFixedPoint(record.value1) +
              ',' + FormatFixedPoint(record.value2) + '\n';
    }
    return text;
  }
  std::string Finish() override { return Header(); }

 private:
  // The header the first time, nothing afterwards.
  std::string Header() {
    if (header_written_) return std::string();
    header_written_ = true;
    return "date,code,name,value1,value2\n";
  }

  bool header_written_ = false;
};

// ---- table ----

class TableFormatter final : public RecordFormatter {
 public:
  std::string Add(std::span<const Record> records) override {
    for (const Record& record : records) {
      rows_.push_back({FormatDate(record.date), DisplayText(record.code),
                       DisplayText(record.name),
                       FormatFixedPoint(record.value1),
                       FormatFixedPoint(record.value2)});
    }
    return std::string();
  }

  std::string Finish() override {
    const Row header = {"date", "code", "name", "value1", "value2"};
    std::array<size_t, kColumns> widths{};
    auto measure = [&widths](const Row& row) {
      for (size_t i = 0; i < kColumns; ++i) {
        widths[i] = std::max(widths[i], DisplayWidth(row[i]));
      }
    };
    measure(header);
    for (const Row& row : rows_) measure(row);

    std::string text = Line(header, widths);
    Row rule;
    for (size_t i = 0; i < kColumns; ++i) rule[i].assign(widths[i], '-');
    text += Line(rule, widths);
    for (const Row& row : rows_) text += Line(row, widths);
    rows_.clear();
    return text;
  }

 private:
  static constexpr size_t kColumns = 5;
  using Row = std::array<std::string, kColumns>;
  // Columns 3 and 4 hold numbers and are aligned to the right.
  static constexpr bool kRightAligned[kColumns] = {false, false, false, true,
                                                   true};
  static constexpr std::string_view kGap = "  ";

  static std::string Line(const Row& row,
                          const std::array<size_t, kColumns>& widths) {
    std::string line;
    for (size_t i = 0; i < kColumns; ++i) {
      if (i > 0) line += kGap;
      std::string padding(widths[i] - DisplayWidth(row[i]), ' ');
      if (kRightAligned[i]) {
        line += padding + row[i];
      } else if (i + 1 < kColumns) {
        line += row[i] + padding;
      } else {
        line += row[i];
      }
    }
    line += '\n';
    return line;
  }

  std::vector<Row> rows_;
};

// ---- ledger and beancount ----

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// `code` as a ledger commodity: bare when it is all ASCII letters, quoted
// otherwise. nullopt when no quoting can carry it.
std::optional<std::string> LedgerCommodity(std::string_view code) {
  if (code.empty()) return std::nullopt;
  if (std::all_of(code.begin(), code.end(), IsAsciiLetter)) {
    return std::string(code);
  }
  if (code.find('"') != std::string_view::npos || DisplayText(code) != code) {
    return std::nullopt;
  }
  return "\"" + std::string(code) + "\"";
}

// `code` as the format writes a currency, or nullopt.
std::optional<std::string> PriceCurrency(OutputFormat format,
                                         std::string_view code) {
  if (format == OutputFormat::kLedger) return LedgerCommodity(code);
  if (IsBeancountCurrency(code)) return std::string(code);
  return std::nullopt;
}

bool IsCalendarDay(RateDate date) {
  return date.year >= 1 && date.year <= 9999 && date.month >= 1 &&
         date.month <= 12 && date.day >= 1 &&
         date.day <= DaysInMonth(date.year, date.month);
}

class PriceFormatter final : public RecordFormatter {
 public:
  PriceFormatter(OutputFormat format, const FormatOptions& options)
      : format_(format),
        invert_(options.invert),
        home_(PriceCurrency(format, options.home_currency)
                  .value_or(options.home_currency)) {}

  std::string Add(std::span<const Record> records) override {
    std::string text;
    for (const Record& record : records) {
      std::string date = FormatDate(record.date);
      std::string skipped = "skipped " + date + " " + DisplayText(record.code);
      if (!IsCalendarDay(record.date)) {
        notes_.push_back(skipped + ": not a day of the calendar");
        continue;
      }
      std::optional<std::string> currency = PriceCurrency(format_, record.code);
      if (!currency) {
        notes_.push_back(skipped + ": the code is not a " +
                         (format_ == OutputFormat::kLedger
                              ? "ledger commodity"
                              : "beancount currency"));
        continue;
      }
      int64_t foreign = invert_ ? record.value2 : record.value1;
      int64_t home = invert_ ? record.value1 : record.value2;
      std::optional<std::string> price = FormatQuotient(home, foreign);
      if (!price) {
        notes_.push_back(skipped + ": " + (invert_ ? "value2" : "value1") +
                         " is 0, so there is no price");
        continue;
      }
      if (format_ == OutputFormat::kLedger) {
        text +=
            "P " + date + " " + *currency + " " + *price + " " + home_ + "\n";
      } else {
        text +=
            date + " price " + *currency + " " + *price + " " + home_ + "\n";
      }
    }
    return text;
  }

  std::string Finish() override { return std::string(); }

  std::vector<std::string> TakeNotes() override {
    return std::exchange(notes_, {});
  }

 private:
  OutputFormat format_;
  bool invert_;
  std::string home_;
  std::vector<std::string> notes_;
};

}  // namespace

std::optional<OutputFormat> ParseOutputFormat(std::string_view name) {
  if (name == "jsonl") return OutputFormat::kJsonl;
  if (name == "csv") return OutputFormat::kCsv;
  if (name == "table") return OutputFormat::kTable;
  if (name == "ledger") return OutputFormat::kLedger;
  if (name == "beancount") return OutputFormat::kBeancount;
  return std::nullopt;
}

bool PrintsPrices(OutputFormat format) {
  return format == OutputFormat::kLedger || format == OutputFormat::kBeancount;
}

std::string CheckFormatOptions(OutputFormat format,
                               const FormatOptions& options) {
  if (!PrintsPrices(format)) return std::string();
  if (options.home_currency.empty()) {
    return "the module names no home currency, which prices need (set "
           "HomeCurrencyCode in the INI file)";
  }
  if (!PriceCurrency(format, options.home_currency)) {
    return "the home currency " + DisplayText(options.home_currency) +
           " is not a " +
           (format == OutputFormat::kLedger ? "ledger commodity"
                                            : "beancount currency");
  }
  return std::string();
}

std::unique_ptr<RecordFormatter> MakeRecordFormatter(
    OutputFormat format, const FormatOptions& options) {
  switch (format) {
    case OutputFormat::kJsonl:
      return std::make_unique<JsonLinesFormatter>();
    case OutputFormat::kCsv:
      return std::make_unique<CsvFormatter>();
    case OutputFormat::kTable:
      return std::make_unique<TableFormatter>();
    case OutputFormat::kLedger:
    case OutputFormat::kBeancount:
      return std::make_unique<PriceFormatter>(format, options);
  }
  return std::make_unique<JsonLinesFormatter>();
}

std::string FormatRecords(OutputFormat format, std::span<const Record> records,
                          const FormatOptions& options) {
  std::unique_ptr<RecordFormatter> formatter =
      MakeRecordFormatter(format, options);
  std::string text = formatter->Add(records);
  text += formatter->Finish();
  return text;
}

std::string FormatDate(RateDate date) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month,
                date.day);
  return text;
}

std::string FormatFixedPoint(int64_t value) {
  // The magnitude in unsigned arithmetic: -INT64_MIN does not fit int64_t.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value)
                                 : static_cast<uint64_t>(value);
  char text[32];
  std::snprintf(text, sizeof text, "%s%" PRIu64 ".%04" PRIu64,
                value < 0 ? "-" : "", magnitude / 10000, magnitude % 10000);
  return text;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  while (!text.empty()) {
    size_t length = Utf8SequenceLength(text);
    if (length == 0) {
      AppendUnicodeEscape(Byte(text[0]), &out);
      text.remove_prefix(1);
      continue;
    }
    std::string_view sequence = text.substr(0, length);
    text.remove_prefix(length);
    int control = ControlCharacter(sequence);
    switch (control) {
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case -1:
        if (sequence == "\"" || sequence == "\\") out += '\\';
        out += sequence;
        break;
      default:
        AppendUnicodeEscape(static_cast<unsigned>(control), &out);
        break;
    }
  }
  out += '"';
  return out;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    return std::string(text);
  }
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
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
      text.begin(), text.end(), [](char c) { return !IsContinuation(c); }));
}

size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  unsigned char first = Byte(text[0]);
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
  unsigned char second = Byte(text[1]);
  if (second < low || second > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!IsContinuation(text[i])) return 0;
  }
  return length;
}

std::optional<std::string> FormatQuotient(int64_t dividend, int64_t divisor) {
  if (divisor == 0) return std::nullopt;
  auto magnitude = [](int64_t v) {
    return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  };
  const uint64_t a = magnitude(dividend);
  const uint64_t b = magnitude(divisor);
  uint64_t whole = a / b;
  uint64_t remainder = a % b;
  // Long division, digit by digit, in 64 bits (no wider type on every
  // target): ten times the remainder is built up by adding it ten times
  // modulo b. Both terms are below b <= 2^63, so no sum overflows.
  std::array<int, kMaxPriceDecimals> digits{};
  for (int& digit : digits) {
    uint64_t scaled = 0;
    digit = 0;
    for (int i = 0; i < 10; ++i) {
      scaled += remainder;
      if (scaled >= b) {
        scaled -= b;
        ++digit;
      }
    }
    remainder = scaled;
  }
  // Round half to even on what is left after the last decimal.
  if (remainder != 0) {
    const uint64_t rest = b - remainder;  // remainder vs. half of b
    bool up = remainder > rest || (remainder == rest && digits.back() % 2 == 1);
    for (int i = kMaxPriceDecimals - 1; up && i >= 0; --i) {
      up = ++digits[static_cast<size_t>(i)] == 10;
      if (up) digits[static_cast<size_t>(i)] = 0;
    }
    if (up) ++whole;  // a <= 2^63 and b >= 1: whole + 1 still fits
  }
  int decimals = kMaxPriceDecimals;
  while (decimals > kMinPriceDecimals &&
         digits[static_cast<size_t>(decimals - 1)] == 0) {
    --decimals;
  }
  bool zero = whole == 0 && std::all_of(digits.begin(), digits.end(),
                                        [](int d) { return d == 0; });
  bool negative = !zero && ((dividend < 0) != (divisor < 0));
  std::string text = (negative ? "-" : "") + std::to_string(whole) + ".";
  for (int i = 0; i < decimals; ++i) {
    text += static_cast<char>('0' + digits[static_cast<size_t>(i)]);
  }
  return text;
}

bool IsBeancountCurrency(std::string_view code) {
  auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (code.empty() || code.size() > 24 || !upper(code.front())) return false;
  if (code.size() == 1) return true;
  if (!upper(code.back()) && !digit(code.back())) return false;
  for (char c : code.substr(1, code.size() - 2)) {
    if (!upper(c) && !digit(c) && c != '\'' && c != '.' && c != '_' &&
        c != '-') {
      return false;
    }
  }
  return true;
}

}  // namespace pagerates::cli
