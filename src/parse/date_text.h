// Reading dates out of captured page text: a whole `date` capture, a
// `month` group that may be a word, and counts of seconds since 1970.
//
// Pure functions of their arguments; safe from any thread.
#ifndef PAGERATES_PARSE_DATE_TEXT_H_
#define PAGERATES_PARSE_DATE_TEXT_H_

#include <cstdint>
#include <string_view>

#include "config/compiled_pattern.h"
#include "config/preset_set.h"

namespace pagerates {

// What the text of a `date` capture reads as. kNone: no date in it;
// kImpossible: a month outside 1-12, a day the month does not have, or a
// year above 9999 (day, month and year as read, before the century).
struct DateText {
  enum Kind { kNone, kImpossible, kDate };
  Kind kind = kNone;
  int32_t day = 0;
  int32_t month = 0;
  int32_t year = 0;
};

// The first three runs of digits joined by '.', '/' or '-' are the date
// (`date_pattern` is kDatePattern, compiled): year-month-day when the first
// is above 31, else day-month-year; years below 100 get the century (below
// 80: 20xx). When there are no such runs and `months` has names, a month
// written as a word with the first two runs of digits around it is the
// date: "18-Dec-2024", "Dec 18, 2024", "18 декабря 2024" (day, then year),
// "2024 Dec 18" (a first run of three or more digits is the year).
DateText ReadDateText(const CompiledPattern& date_pattern,
                      std::string_view text, const MonthNames& months);

// What a `date` capture's text reads as under a preset's rules: a count
// when the rules have a DateCount, else a written date (ReadDateText).
DateText ReadDateCapture(const CompiledPattern& date_pattern,
                         std::string_view text, const TextRules& rules);

// The UTC day of the first run of digits in `text`, a count of seconds or
// of milliseconds since 1970-01-01 00:00 UTC; kNone without digits.
DateText ReadDateCount(std::string_view text, DateCount count);

// The month (1-12) a word at the start of `text` names, ignoring case;
// 0 when it names none. A word matches a name when either begins with the
// other and the shorter has three letters or more ("Sep", "Sept",
// "September"; a listed "янв" matches "января").
int MonthOfName(std::string_view text, const MonthNames& months);

// Years below 80 are 20xx, from 80 to 99 19xx, others as they are.
int32_t FullYear(int32_t year);

// True for a day that exists, with a year from 0 to 9999.
bool PossibleDate(int32_t day, int32_t month, int32_t year);

}  // namespace pagerates

#endif  // PAGERATES_PARSE_DATE_TEXT_H_
