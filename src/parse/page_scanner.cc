#include "parse/page_scanner.h"

#include <cstring>

#include "parse/pattern_matcher.h"
#include "port/port.h"

namespace pagerates {

HeapString ToUtf8(std::string_view text, int code_page) {
  HeapString converted;
  if (code_page != 65001 && port::ConvertToUtf8(text, code_page, &converted)) {
    return converted;
  }
  return HeapString::Copy(text);
}

void ScanPage(const PluginConfig& config, int preset_index, const char* page_text,
              RateDate date, RateSink* sink, const DeliveredDate& delivered) {
  ScanRecord record;
  record.date = date;
  HeapString text =
      ToUtf8(std::string_view(page_text, std::strlen(page_text)),
             config.Codepage(preset_index));
  if (text.null()) return;
  const char separator = config.DecimalSeparator(preset_index);
  const char* text_end = text.c_str() + text.size();

  // The records begin after the Prologue's match; only its date fields
  // reach the records (code, name and values are set by every match).
  const char* start = text.c_str();
  if (HeapString prologue = config.Prologue(preset_index); !prologue.empty()) {
    PatternMatcher matcher(prologue.c_str(), separator);
    if (const char* after = matcher.Match(start, text_end)) {
      start = after;
      matcher.ApplyTo(&record);
    }
  }

  // No search starts past the end of the Epilogue's match. A search that
  // starts before it still runs to the end of the text.
  const char* end = text_end;
  if (HeapString epilogue = config.Epilogue(preset_index); !epilogue.empty()) {
    PatternMatcher matcher(epilogue.c_str(), separator);
    if (const char* after = matcher.Match(start, text_end)) end = after;
  }

  const int count = config.RecordCount(preset_index);
  for (int k = 0; k < count; ++k) {
    HeapString pattern = config.RecordPattern(preset_index, k);
    // The file is not looked at again during a scan, so the pattern's
    // currency defaults are the same for all of its matches.
    const HeapString other_code = config.OtherCurrencyCode(preset_index, k);
    const HeapString other_name = config.OtherCurrencyName(preset_index, k);
    PatternMatcher matcher(pattern.c_str(), separator);
    for (const char* pos = start; pos < end;) {
      const char* next = matcher.Match(pos, text_end);
      if (next == nullptr) break;
      matcher.ApplyTo(&record);
      if (!record.has_code) record.code.Assign(other_code.view());
      if (!record.has_name) record.name.Assign(other_name.view());
      if (config.PassesFilter(record.code.view())) {
        record.code = config.Rename(std::move(record.code));
        RateRecord out{record.value1, record.value2, record.code.c_str(),
                       record.name.c_str(), record.date};
        sink->AddRate(&out);
        if (delivered) delivered(record.date);
      }
      // A match that ends where the search began would be found again and
      // again: that pattern is done.
      if (next == pos) break;
      pos = next;
    }
  }
}

}  // namespace pagerates
