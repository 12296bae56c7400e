#include "record_format.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <vector>

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

}  // namespace

std::optional<OutputFormat> ParseOutputFormat(std::string_view name) {
  if (name == "jsonl") return OutputFormat::kJsonl;
  if (name == "csv") return OutputFormat::kCsv;
  if (name == "table") return OutputFormat::kTable;
  return std::nullopt;
}

std::unique_ptr<RecordFormatter> MakeRecordFormatter(OutputFormat format) {
  switch (format) {
    case OutputFormat::kJsonl:
      return std::make_unique<JsonLinesFormatter>();
    case OutputFormat::kCsv:
      return std::make_unique<CsvFormatter>();
    case OutputFormat::kTable:
      return std::make_unique<TableFormatter>();
  }
  return std::make_unique<JsonLinesFormatter>();
}

std::string FormatRecords(OutputFormat format,
                          std::span<const Record> records) {
  std::unique_ptr<RecordFormatter> formatter = MakeRecordFormatter(format);
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

}  // namespace pagerates::cli
