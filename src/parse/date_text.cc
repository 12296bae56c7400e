#include "parse/date_text.h"

#include <string>

#include "parse/calendar.h"
#include "parse/number_text.h"
#include "port/ascii.h"

namespace pagerates {
namespace {

constexpr std::string_view kEnglishMonths[12] = {
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A letter of a word: ASCII letters and every byte of a UTF-8 sequence.
bool IsWordByte(char c) {
  return IsAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80;
}

size_t Letters(std::string_view text) {
  size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

// Either begins with the other, the shorter three letters or more.
bool Names(std::string_view word, std::string_view name) {
  if (word == name) return true;
  std::string_view shorter = word.size() < name.size() ? word : name;
  std::string_view longer = word.size() < name.size() ? name : word;
  return Letters(shorter) >= 3 && longer.substr(0, shorter.size()) == shorter;
}

int MonthOfWord(std::string_view word, const MonthNames& months) {
  const std::string folded = FoldLetterCase(word);
  for (int m = 0; m < 12 && !months.listed.empty(); ++m) {
    if (Names(folded, months.listed[m])) return m + 1;
  }
  if (months.english) {
    for (int m = 0; m < 12; ++m) {
      if (Names(folded, kEnglishMonths[m])) return m + 1;
    }
  }
  return 0;
}

DateText Checked(int32_t day, int32_t month, int32_t year) {
  DateText read;
  read.day = day;
  read.month = month;
  read.year = year;
  const bool possible =
      year >= 0 && year <= 9999 && month >= 1 && month <= 12 && day >= 1;
  if (possible) read.year = FullYear(year);
  read.kind = possible && day <= DaysInMonth(read.year, month)
                  ? DateText::kDate
                  : DateText::kImpossible;
  return read;
}

// A month word and the first two runs of digits.
DateText ReadWordDate(std::string_view text, const MonthNames& months) {
  int month = 0;
  std::string_view runs[2];
  int found = 0;
  for (size_t i = 0; i < text.size();) {
    size_t j = i;
    if (IsDigit(text[i])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      if (found < 2) runs[found++] = text.substr(i, j - i);
    } else if (IsWordByte(text[i])) {
      while (j < text.size() && IsWordByte(text[j])) ++j;
      if (month == 0) month = MonthOfWord(text.substr(i, j - i), months);
    } else {
      ++j;
    }
    i = j;
  }
  if (month == 0 || found < 2) return DateText();
  // Ten or more digits wrap negative: impossible as well.
  const bool year_first = runs[0].size() >= 3;
  const int32_t day = ParseLeadingDigits(runs[year_first ? 1 : 0]);
  const int32_t year = ParseLeadingDigits(runs[year_first ? 0 : 1]);
  return Checked(day, month, year);
}

}  // namespace

int32_t FullYear(int32_t year) {
  if (year < 80) return year + 2000;
  if (year < 100) return year + 1900;
  return year;
}

bool PossibleDate(int32_t day, int32_t month, int32_t year) {
  return year >= 0 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

DateText ReadDateText(const CompiledPattern& date_pattern,
                      std::string_view text, const MonthNames& months) {
  MatchResult parts;
  if (!date_pattern.Exec(text.data(), text.size(), &parts)) {
    return months.any() ? ReadWordDate(text, months) : DateText();
  }
  std::string_view a, b, c;
  parts.Group(1, &a);
  parts.Group(2, &b);
  parts.Group(3, &c);
  const int32_t first = ParseLeadingDigits(a);
  const int32_t middle = ParseLeadingDigits(b);
  const int32_t last = ParseLeadingDigits(c);
  const bool year_first = first > 31;
  return Checked(year_first ? last : first, middle, year_first ? first : last);
}

DateText ReadDateCapture(const CompiledPattern& date_pattern,
                         std::string_view text, const TextRules& rules) {
  return rules.date_count != DateCount::kNone
             ? ReadDateCount(text, rules.date_count)
             : ReadDateText(date_pattern, text, rules.months);
}

DateText ReadDateCount(std::string_view text, DateCount count) {
  size_t at = 0;
  while (at < text.size() && !IsDigit(text[at])) ++at;
  if (at == text.size() || count == DateCount::kNone) return DateText();
  uint64_t value = 0;
  bool too_large = false;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    too_large = too_large || value > (UINT64_MAX - 9) / 10;
    value = value * 10 + static_cast<uint64_t>(text[at] - '0');
  }
  DateText read;
  read.kind = DateText::kImpossible;
  if (too_large) return read;
  if (count == DateCount::kMilliseconds) value /= 1000;
  // Days since 1970-01-01 to a civil date (proleptic Gregorian).
  const int64_t days = static_cast<int64_t>(value / 86400);
  if (days > 3000000) return read;  // past the year 9999
  const int64_t z = days + 719468;
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  read.day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
  read.month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
  read.year = static_cast<int32_t>(yoe + era * 400 + (read.month <= 2));
  if (read.year <= 9999) read.kind = DateText::kDate;
  return read;
}

int MonthOfName(std::string_view text, const MonthNames& months) {
  size_t end = 0;
  while (end < text.size() && IsWordByte(text[end])) ++end;
  return end == 0 ? 0 : MonthOfWord(text.substr(0, end), months);
}

}  // namespace pagerates
