// The formats behind MakeRecordFormatter(), one file each.
#ifndef PAGERATES_TOOLS_OUTPUT_FORMATS_H_
#define PAGERATES_TOOLS_OUTPUT_FORMATS_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "output/record_format.h"

namespace pagerates::cli {

std::unique_ptr<RecordFormatter> MakeJsonLinesFormatter();
std::unique_ptr<RecordFormatter> MakeCsvFormatter();
std::unique_ptr<RecordFormatter> MakeTableFormatter();
// kLedger or kBeancount.
std::unique_ptr<RecordFormatter> MakePriceFormatter(
    OutputFormat format, const FormatOptions& options);

// `code` as the price format `format` writes a currency, or nullopt when it
// cannot.
std::optional<std::string> PriceCurrency(OutputFormat format,
                                         std::string_view code);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_OUTPUT_FORMATS_H_
