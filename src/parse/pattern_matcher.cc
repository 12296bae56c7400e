#include "parse/pattern_matcher.h"

#include "parse/number_text.h"

namespace pagerates {
// A named group's text, with the rules of PCRE's substring functions: a
// name carried by several groups reads the first that took part.
inline bool PatternMatcher::Named(const MatchResult& result, Field field,
                                  std::string_view* text) const {
  const std::vector<int>& numbers = pattern_.Groups(field);
  if (numbers.empty()) return false;
  int chosen = numbers.front();
  if (numbers.size() > 1) [[unlikely]] {
    for (int n : numbers) {
      if (n < result.count && result.ovector[2 * n] >= 0) {
        chosen = n;
        break;
      }
    }
  }
  return result.Group(chosen, text);
}

int32_t PatternMatcher::NamedInt(const MatchResult& result, Field field) const {
  std::string_view text;
  return Named(result, field, &text) ? ParseLeadingDigits(text) : -1;
}

int64_t PatternMatcher::NamedFixed(const MatchResult& result,
                                   Field field) const {
  std::string_view text;
  return Named(result, field, &text) ? ParseFixedPoint(text, separator_) : -1;
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
    MatchResult parts;
    if (pattern_.date_parts.Exec(date_text.data(), date_text.size(), &parts)) {
      std::string_view a, b, c;
      parts.Group(1, &a);
      parts.Group(2, &b);
      parts.Group(3, &c);
      int32_t first = ParseLeadingDigits(a);
      int32_t middle = ParseLeadingDigits(b);
      int32_t last = ParseLeadingDigits(c);
      if (first > 31) {  // year first
        year_ = static_cast<int16_t>(first);
        month_ = static_cast<int8_t>(middle);
        day_ = static_cast<int8_t>(last);
      } else {
        day_ = static_cast<int8_t>(first);
        month_ = static_cast<int8_t>(middle);
        year_ = static_cast<int16_t>(last);
      }
    }
  } else {
    day_ = static_cast<int8_t>(NamedInt(result, Field::kDay));
    month_ = static_cast<int8_t>(NamedInt(result, Field::kMonth));
    year_ = static_cast<int16_t>(NamedInt(result, Field::kYear));
  }
  if (year_ != -1) {
    if (year_ < 80) {
      year_ = static_cast<int16_t>(year_ + 2000);
    } else if (year_ < 100) {
      year_ = static_cast<int16_t>(year_ + 1900);
    }
  }
}

void PatternMatcher::ApplyTo(ScanRecord* record) {
  if (day_ != -1) record->date.day = day_;
  if (month_ != -1) record->date.month = month_;
  if (year_ != -1) record->date.year = year_;
  if (has_code_) record->code.Assign(code_);
  if (has_name_) record->name.Assign(name_);
  record->has_code = has_code_;
  record->has_name = has_name_;
  record->value1 = value1_ == -1 ? kFixedPointOne : value1_;
  record->value2 = value2_ == -1 ? kFixedPointOne : value2_;
}

}  // namespace pagerates
