#include "parse/pattern_matcher.h"

#include "parse/number_text.h"

namespace pagerates {
namespace {

// Years below 80 are 20xx, from 80 to 99 19xx, others as they are.
int32_t FullYear(int32_t year) {
  if (year < 80) return year + 2000;
  if (year < 100) return year + 1900;
  return year;
}

int DaysInMonth(int32_t year, int32_t month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30,
                                  31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

DateText ReadDateText(const CompiledPattern& date_pattern,
                      std::string_view text) {
  DateText read;
  MatchResult parts;
  if (!date_pattern.Exec(text.data(), text.size(), &parts)) return read;
  std::string_view a, b, c;
  parts.Group(1, &a);
  parts.Group(2, &b);
  parts.Group(3, &c);
  const int32_t first = ParseLeadingDigits(a);
  const int32_t middle = ParseLeadingDigits(b);
  const int32_t last = ParseLeadingDigits(c);
  const bool year_first = first > 31;
  read.day = year_first ? last : first;
  read.month = middle;
  read.year = year_first ? first : last;
  // Runs of ten or more digits wrap negative: impossible as well.
  const bool possible = read.year >= 0 && read.year <= 9999 &&
                        read.month >= 1 && read.month <= 12 && read.day >= 1;
  if (possible) read.year = FullYear(read.year);
  read.kind = possible && read.day <= DaysInMonth(read.year, read.month)
                  ? DateText::kDate
                  : DateText::kImpossible;
  return read;
}

PatternMatcher::PatternMatcher(const PresetPattern& pattern, char separator,
                               int extra_decimals)
    : pattern_(pattern), separator_(separator) {
  if (extra_decimals > 0 && extra_decimals <= kMaxExtraDecimals) {
    extra_decimals_ = extra_decimals;
    one_ = kFixedPointOne * PowerOfTen(extra_decimals);
  }
}

// A named group's text, with the rules of PCRE's substring functions.
inline bool PatternMatcher::Named(const MatchResult& result, Field field,
                                  std::string_view* text) const {
  const int chosen = ChosenGroup(pattern_.Groups(field), [&result](int n) {
    return n < result.count && result.ovector[2 * n] >= 0;
  });
  if (chosen < 0) return false;
  return result.Group(chosen, text);
}

int32_t PatternMatcher::NamedInt(const MatchResult& result, Field field) const {
  std::string_view text;
  return Named(result, field, &text) ? ParseLeadingDigits(text) : -1;
}

int64_t PatternMatcher::NamedFixed(const MatchResult& result,
                                   Field field) const {
  std::string_view text;
  return Named(result, field, &text)
             ? ParseFixedPoint(text, separator_, extra_decimals_)
             : -1;
}

HeapString PatternMatcher::NamedText(const MatchResult& result,
                                     Field field) const {
  std::string_view text;
  return Named(result, field, &text) ? HeapString::Copy(text) : HeapString();
}

const char* PatternMatcher::Match(const char* position, const char* text_end) {
  MatchResult& result = last_;
  if (!pattern_.compiled.Exec(
          position, static_cast<size_t>(text_end - position), &result)) {
    return nullptr;
  }
  ExtractDate(result);
  value1_ = NamedFixed(result, Field::kValue1);
  value2_ = NamedFixed(result, Field::kValue2);
  has_code_ = Named(result, Field::kCode, &code_);
  has_name_ = Named(result, Field::kName, &name_);
  return position + result.end_offset();
}

void PatternMatcher::ExtractDate(const MatchResult& result) {
  if (!pattern_.reads_date) {
    day_ = month_ = -1;
    year_ = -1;
    return;
  }
  std::string_view date_text;
  if (Named(result, Field::kDate, &date_text)) {
    // Text that holds no date, or an impossible one, leaves the date as it
    // was.
    DateText read = ReadDateText(pattern_.date_parts, date_text);
    if (read.kind == DateText::kDate) {
      day_ = static_cast<int8_t>(read.day);
      month_ = static_cast<int8_t>(read.month);
      year_ = static_cast<int16_t>(read.year);
    }
    return;
  }
  day_ = static_cast<int8_t>(NamedInt(result, Field::kDay));
  month_ = static_cast<int8_t>(NamedInt(result, Field::kMonth));
  year_ = static_cast<int16_t>(NamedInt(result, Field::kYear));
  if (year_ != -1) year_ = static_cast<int16_t>(FullYear(year_));
}

void PatternMatcher::ApplyTo(ScanRecord* record) {
  if (day_ != -1) record->date.day = day_;
  if (month_ != -1) record->date.month = month_;
  if (year_ != -1) record->date.year = year_;
  if (has_code_) record->code.Assign(code_);
  if (has_name_) record->name.Assign(name_);
  record->has_code = has_code_;
  record->has_name = has_name_;
  record->value1 = value1_ == -1 ? one_ : value1_;
  record->value2 = value2_ == -1 ? one_ : value2_;
}

}  // namespace pagerates
