// PatternMatcher: one preset pattern (Prologue, Epilogue or a record
// pattern) run against page text, its named groups read as the fields of a
// rate.
//
// Groups the module reads: value1, value2 (fixed point), code, name (text),
// date (a whole date) or day, month, year (leading digits, used only when
// there is no date group). Fields a match does not supply are unset, except
// the date fields when a date group is present but its text holds no date,
// or an impossible one (month 13): those keep what the previous match found.
#ifndef PAGERATES_PARSE_PATTERN_MATCHER_H_
#define PAGERATES_PARSE_PATTERN_MATCHER_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "config/fixed_point.h"
#include "config/preset_set.h"
#include "pagerates/abi.h"
#include "port/heap_string.h"

namespace pagerates {

// The record a scan builds up, match by match. Owns its strings.
struct ScanRecord {
  int64_t value1 = 0;
  int64_t value2 = 0;
  HeapString code;
  HeapString name;
  RateDate date{};
  bool has_code = false;
  bool has_name = false;
};

// What the text of a `date` capture reads as. The first three runs of
// digits are the date: year-month-day when the first is above 31, else
// day-month-year; years below 100 get the century (below 80: 20xx). kNone:
// no such runs; kImpossible: a month outside 1-12, a day the month does
// not have, or a year above 9999 (day, month and year as read, before the
// century). `date_pattern` is kDatePattern (config/preset_set.h), compiled.
struct DateText {
  enum Kind { kNone, kImpossible, kDate };
  Kind kind = kNone;
  int32_t day = 0;
  int32_t month = 0;
  int32_t year = 0;
};
DateText ReadDateText(const CompiledPattern& date_pattern,
                      std::string_view text);

class PatternMatcher {
 public:
  // Runs `pattern` (which must outlive the matcher; one that did not
  // compile never matches). `separator` splits the numbers' integer and
  // fraction parts. `extra_decimals` (0 to kMaxExtraDecimals; anything else
  // counts as 0) scales both values by 10^extra_decimals, the default of 1
  // included, so that digits past the fourth decimal are kept.
  PatternMatcher(const PresetPattern& pattern, char separator,
                 int extra_decimals = 0);

  // Searches the text from `position` to `text_end` (the text's terminating
  // NUL). On a match, reads its fields and returns the position just past
  // it; otherwise returns null and leaves every field as it was.
  const char* Match(const char* position, const char* text_end);

  // Copies the fields onto `record`: date fields that are set, the code and
  // name when held (moved, not copied), and both values (1, scaled, when
  // unset).
  void ApplyTo(ScanRecord* record);

  // For diagnostics: the match Match() just found, and its pattern.
  const MatchResult& last_match() const { return last_; }
  const CompiledPattern& pattern() const { return pattern_.compiled; }

  int day() const { return day_; }
  int month() const { return month_; }
  int year() const { return year_; }

 private:
  bool Named(const MatchResult& result, Field field,
             std::string_view* text) const;
  int32_t NamedInt(const MatchResult& result, Field field) const;
  int64_t NamedFixed(const MatchResult& result, Field field) const;
  HeapString NamedText(const MatchResult& result, Field field) const;
  void ExtractDate(const MatchResult& result);

  const PresetPattern& pattern_;
  char separator_;
  int extra_decimals_ = 0;
  int64_t one_ = kFixedPointOne;  // 1, scaled
  MatchResult last_;

  int8_t day_ = -1;
  int8_t month_ = -1;
  int16_t year_ = -1;
  std::string_view code_;
  std::string_view name_;
  bool has_code_ = false;
  bool has_name_ = false;
  int64_t value1_ = -1;
  int64_t value2_ = -1;
};

}  // namespace pagerates

#endif  // PAGERATES_PARSE_PATTERN_MATCHER_H_
