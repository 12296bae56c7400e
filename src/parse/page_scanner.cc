#include "parse/page_scanner.h"

#include <cstring>
#include <string>

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

bool SameDate(const RateDate& a, const RateDate& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

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

// Reports a page too long to be scanned; true when it is.
bool RefusedAsTooLarge(const CompiledPreset& preset, std::string_view page,
                       bool converted, Diagnostics* diagnostics) {
  if (FitsSubjectLength(page.size())) return false;
  diagnostics->Report(Diagnostic{
      Diagnostic::Kind::kPageTooLarge, preset.section, "", kPageErrorTitle,
      "The page is " + std::to_string(page.size()) + " bytes long" +
          (converted ? " in UTF-8" : "") + ", more than the " +
          std::to_string(kMaxSubjectLength) +
          " the patterns can be run on. It is not scanned: no rates come "
          "from it."});
  return true;
}

}  // namespace

void ScanPage(const CompiledPreset& preset, const char* page_text,
              RateDate date, RateSink* sink, Diagnostics* diagnostics,
              const DeliveredDate& delivered, ScanTrace* trace) {
  ScanPageText(preset, std::string_view(page_text, std::strlen(page_text)),
               date, sink, diagnostics, delivered, trace);
}

void ScanPageText(const CompiledPreset& preset, std::string_view page,
                  RateDate date, RateSink* sink, Diagnostics* diagnostics,
                  const DeliveredDate& delivered, ScanTrace* trace) {
  if (trace != nullptr) *trace = ScanTrace();
  ScanRecord record;
  record.date = date;
  if (RefusedAsTooLarge(preset, page, false, diagnostics)) return;
  // A UTF-8 page, or one that does not convert, is scanned where it is.
  HeapString converted;
  if (preset.code_page != 65001 &&
      port::ConvertToUtf8(page, preset.code_page, &converted)) {
    page = converted.view();
    if (RefusedAsTooLarge(preset, page, true, diagnostics)) return;
  }
  const char* const text = page.data();
  const char* const text_end = text + page.size();
  if (trace != nullptr) trace->text.assign(page);
  const TextRules& rules = preset.rules;
  const CurrencyRules& currency = *preset.currency;
  // Records of one page mostly share a date: `delivered` hears of each
  // date once per run of records that carry it.
  bool any_delivered = false;
  RateDate last_delivered{};

  // The records begin after the Prologue's match; only its date fields
  // reach the records (code, name and values are set by every match).
  const char* start = text;
  if (preset.prologue) {
    if (preset.prologue->error) diagnostics->Report(*preset.prologue->error);
    PatternMatcher matcher(*preset.prologue, rules);
    if (trace != nullptr) trace->prologue = ScanTrace::Bound::kNoMatch;
    if (const char* after = matcher.Match(start, text_end)) {
      start = after;
      // Date parts that cannot be are not taken.
      if (matcher.flaw() != MatchFlaw::kImpossibleDate)
        matcher.ApplyTo(&record);
      if (trace != nullptr) {
        trace->prologue = ScanTrace::Bound::kMatched;
        trace->prologue_match = TraceOf(matcher, text);
      }
    }
  }
  if (trace != nullptr) trace->date_after_prologue = record.date;

  // No search starts past the end of the Epilogue's match. A search that
  // starts before it still runs to the end of the text.
  const char* end = text_end;
  if (preset.epilogue) {
    if (preset.epilogue->error) diagnostics->Report(*preset.epilogue->error);
    PatternMatcher matcher(*preset.epilogue, rules);
    if (trace != nullptr) trace->epilogue = ScanTrace::Bound::kNoMatch;
    if (const char* after = matcher.Match(start, text_end)) {
      end = after;
      if (trace != nullptr) {
        trace->epilogue = ScanTrace::Bound::kMatched;
        trace->epilogue_match = TraceOf(matcher, text);
      }
    }
  }

  if (preset.missing_records) diagnostics->Report(*preset.missing_records);
  const int count = static_cast<int>(preset.records.size());
  if (trace != nullptr) {
    trace->start = static_cast<size_t>(start - text);
    trace->end = static_cast<size_t>(end - text);
    trace->record_count = count;
  }
  for (int k = 0; k < count; ++k) {
    const RecordPattern& pattern = preset.records[k];
    if (pattern.pattern.error) diagnostics->Report(*pattern.pattern.error);
    PatternMatcher matcher(pattern.pattern, rules, pattern.units);
    for (const char* pos = start; pos < end;) {
      const char* next = matcher.Match(pos, text_end);
      if (next == nullptr) break;
      matcher.ApplyTo(&record);
      if (!record.has_code) record.code.Assign(pattern.other_code.view());
      if (!record.has_name) record.name.Assign(pattern.other_name.view());
      TracedRecord* traced = nullptr;
      if (trace != nullptr) {
        traced = &trace->records.emplace_back();
        traced->pattern = k;
        traced->match = TraceOf(matcher, text);
        traced->date = record.date;
        traced->value1 = record.value1;
        traced->value2 = record.value2;
        traced->code.assign(record.code.view());
        traced->name.assign(record.name.view());
        traced->flaw = matcher.flaw();
      }
      // A match whose numbers or date cannot be read right makes no
      // record, nor does one of another day when only the day asked for
      // is wanted.
      const bool other_date =
          preset.requested_date_only && !SameDate(record.date, date);
      if (traced != nullptr) traced->other_date = other_date;
      if (matcher.flaw() == MatchFlaw::kNone && !other_date &&
          currency.Passes(record.code.view())) {
        // Every match sets the code afresh, so renaming need not touch it.
        const std::string* renamed = currency.Replacement(record.code.view());
        const char* code =
            renamed != nullptr ? renamed->c_str() : record.code.c_str();
        if (traced != nullptr) {
          traced->delivered = true;
          traced->delivered_code.assign(code);
        }
        RateRecord out{record.value1, record.value2, code, record.name.c_str(),
                       record.date};
        sink->AddRate(&out);
        if (delivered &&
            (!any_delivered || !SameDate(record.date, last_delivered))) {
          delivered(record.date);
          any_delivered = true;
          last_delivered = record.date;
        }
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
