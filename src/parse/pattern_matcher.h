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
#include <string>
#include <string_view>
#include <vector>

#include "config/fixed_point.h"
#include "config/preset_set.h"
#include "pagerates/abi.h"
#include "parse/date_text.h"
#include "parse/match_flaw.h"
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

class PatternMatcher {
 public:
  // Runs `pattern` with the preset's `rules` (both must outlive the
  // matcher; a pattern that did not compile never matches). The rules'
  // separator splits the numbers' integer and fraction parts; their
  // extra_decimals (0 to kMaxExtraDecimals; anything else counts as 0)
  // scales both values by 10^extra_decimals, the default of 1 included, so
  // that digits past the fourth decimal are kept. `units` is value1 when a
  // match supplies none (1 when below 1).
  PatternMatcher(const PresetPattern& pattern, const TextRules& rules,
                 int32_t units = 1);

  // Searches the text from `position` to `text_end` (the text's terminating
  // NUL). On a match, reads its fields and returns the position just past
  // it; otherwise returns null and leaves every field as it was.
  const char* Match(const char* position, const char* text_end);

  // Copies the fields onto `record`: date fields that are set, the code and
  // name when held, and both values (`units` and 1, scaled, when unset).
  void ApplyTo(ScanRecord* record);

  // What is wrong with the last match's numbers or date parts; kNone for
  // a match that reads right. A record with a flaw must not be delivered.
  MatchFlaw flaw() const { return flaw_; }

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
  int64_t NamedFixed(const MatchResult& result, Field field);
  // `*text` with its JSON escapes decoded into `*buffer` (JsonEscapes).
  void Decode(std::string* buffer, std::string_view* text) const;
  void ExtractDate(const MatchResult& result);

  const PresetPattern& pattern_;
  const TextRules& rules_;
  int extra_decimals_ = 0;
  int64_t one_ = kFixedPointOne;    // 1, scaled
  int64_t units_ = kFixedPointOne;  // value1 when unset, scaled
  MatchResult last_;
  MatchFlaw flaw_ = MatchFlaw::kNone;
  std::string code_buffer_;  // decoded JSON escapes
  std::string name_buffer_;

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
