#include "output/record_format.h"

#include "output/formats.h"

namespace pagerates::cli {

std::string RecordFormatter::Add(std::span<const Record> records) {
  std::string text;
  for (const Record& record : records) Write(record.view(), &text);
  return text;
}

std::string RecordFormatter::Finish() {
  std::string text;
  WriteEnd(&text);
  return text;
}

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
      return MakeJsonLinesFormatter();
    case OutputFormat::kCsv:
      return MakeCsvFormatter();
    case OutputFormat::kTable:
      return MakeTableFormatter();
    case OutputFormat::kLedger:
    case OutputFormat::kBeancount:
      return MakePriceFormatter(format, options);
  }
  return MakeJsonLinesFormatter();
}

std::string FormatRecords(OutputFormat format, std::span<const Record> records,
                          const FormatOptions& options) {
  std::unique_ptr<RecordFormatter> formatter =
      MakeRecordFormatter(format, options);
  std::string text = formatter->Add(records);
  text += formatter->Finish();
  return text;
}

}  // namespace pagerates::cli
