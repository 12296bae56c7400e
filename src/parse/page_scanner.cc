#include "parse/page_scanner.h"

#include <cstring>

#include "parse/number_text.h"
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

namespace {

// The matcher's last match as offsets into `text`.
TracedMatch TraceOf(const PatternMatcher& matcher, const char* text) {
  const MatchResult& result = matcher.last_match();
  const std::ptrdiff_t base = result.subject - text;
  TracedMatch traced;
  traced.capture_count = matcher.pattern().capture_count();
  for (int g = 0; g < result.count; ++g) {
    TextSpan span;
    if (result.ovector[2 * g] >= 0) {
      span.begin = base + result.ovector[2 * g];
      span.end = base + result.ovector[2 * g + 1];
    }
    traced.groups.push_back(span);
  }
  return traced;
}

}  // namespace

void ScanPage(const PluginConfig& config, int preset_index, const char* page_text,
              RateDate date, RateSink* sink, const DeliveredDate& delivered,
              ScanTrace* trace) {
  if (trace != nullptr) *trace = ScanTrace();
  ScanRecord record;
  record.date = date;
  HeapString text =
      ToUtf8(std::string_view(page_text, std::strlen(page_text)),
             config.Codepage(preset_index));
  if (text.null()) return;
  if (trace != nullptr) trace->text.assign(text.view());
  const char separator = config.DecimalSeparator(preset_index);
  const int extra_decimals =
      config.ExtraDecimals(preset_index, kMaxExtraDecimals);
  const char* text_end = text.c_str() + text.size();

  // The records begin after the Prologue's match; only its date fields
  // reach the records (code, name and values are set by every match).
  const char* start = text.c_str();
  if (HeapString prologue = config.Prologue(preset_index); !prologue.empty()) {
    PatternMatcher matcher(prologue.c_str(), separator);
    if (trace != nullptr) trace->prologue = ScanTrace::Bound::kNoMatch;
    if (const char* after = matcher.Match(start, text_end)) {
      start = after;
      matcher.ApplyTo(&record);
      if (trace != nullptr) {
        trace->prologue = ScanTrace::Bound::kMatched;
        trace->prologue_match = TraceOf(matcher, text.c_str());
      }
    }
  }
  if (trace != nullptr) trace->date_after_prologue = record.date;

  // No search starts past the end of the Epilogue's match. A search that
  // starts before it still runs to the end of the text.
  const char* end = text_end;
  if (HeapString epilogue = config.Epilogue(preset_index); !epilogue.empty()) {
    PatternMatcher matcher(epilogue.c_str(), separator);
    if (trace != nullptr) trace->epilogue = ScanTrace::Bound::kNoMatch;
    if (const char* after = matcher.Match(start, text_end)) {
      end = after;
      if (trace != nullptr) {
        trace->epilogue = ScanTrace::Bound::kMatched;
        trace->epilogue_match = TraceOf(matcher, text.c_str());
      }
    }
  }

  const int count = config.RecordCount(preset_index);
  if (trace != nullptr) {
    trace->start = static_cast<size_t>(start - text.c_str());
    trace->end = static_cast<size_t>(end - text.c_str());
    trace->record_count = count;
  }
  for (int k = 0; k < count; ++k) {
    HeapString pattern = config.RecordPattern(preset_index, k);
    // The file is not looked at again during a scan, so the pattern's
    // currency defaults are the same for all of its matches.
    const HeapString other_code = config.OtherCurrencyCode(preset_index, k);
    const HeapString other_name = config.OtherCurrencyName(preset_index, k);
    PatternMatcher matcher(pattern.c_str(), separator, extra_decimals);
    for (const char* pos = start; pos < end;) {
      const char* next = matcher.Match(pos, text_end);
      if (next == nullptr) break;
      matcher.ApplyTo(&record);
      if (!record.has_code) record.code.Assign(other_code.view());
      if (!record.has_name) record.name.Assign(other_name.view());
      TracedRecord* traced = nullptr;
      if (trace != nullptr) {
        traced = &trace->records.emplace_back();
        traced->pattern = k;
        traced->match = TraceOf(matcher, text.c_str());
        traced->date = record.date;
        traced->value1 = record.value1;
        traced->value2 = record.value2;
        traced->code.assign(record.code.view());
        traced->name.assign(record.name.view());
      }
      if (config.PassesFilter(record.code.view())) {
        record.code = config.Rename(std::move(record.code));
        if (traced != nullptr) {
          traced->delivered = true;
          traced->delivered_code.assign(record.code.view());
        }
        RateRecord out{record.value1, record.value2, record.code.c_str(),
                       record.name.c_str(), record.date};
        sink->AddRate(&out);
        if (delivered) delivered(record.date);
      }
      // A match that ends where the search began would be found again and
      // again: that pattern is done.
      if (next == pos) {
        if (traced != nullptr) traced->ended_at_start = true;
        break;
      }
      pos = next;
    }
  }
}

}  // namespace pagerates
