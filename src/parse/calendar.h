// The proleptic Gregorian calendar as the module reads dates and the tools
// check them: leap years, month lengths, whether a day exists.
//
// Pure constexpr functions; safe from any thread.
#ifndef PAGERATES_PARSE_CALENDAR_H_
#define PAGERATES_PARSE_CALENDAR_H_

#include <cstdint>

namespace pagerates {

constexpr bool IsLeapYear(int32_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days in `month` (1-12) of `year`.
constexpr int DaysInMonth(int32_t year, int32_t month) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// True for a day that exists in the years 1 to 9999.
constexpr bool IsCalendarDay(int32_t year, int32_t month, int32_t day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

}  // namespace pagerates

#endif  // PAGERATES_PARSE_CALENDAR_H_
