#include "cli/calendar.h"

#include "parse/calendar.h"

namespace pagerates::cli {
namespace {

// The value of the ASCII digits `text`, or -1 when any is not a digit.
int Digits(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::optional<RateDate> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-')
    return std::nullopt;
  int year = Digits(text.substr(0, 4));
  int month = Digits(text.substr(5, 2));
  int day = Digits(text.substr(8, 2));
  if (!IsCalendarDay(year, month, day)) return std::nullopt;
  return RateDate{static_cast<int16_t>(year), static_cast<int8_t>(month),
                  static_cast<int8_t>(day)};
}

int64_t DayNumber(RateDate date) {
  // Counts from 0000-03-01 so that the leap day ends each year.
  int64_t year = date.year - (date.month <= 2 ? 1 : 0);
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  int64_t year_of_era = year - era * 400;
  int64_t month = date.month > 2 ? date.month - 3 : date.month + 9;
  int64_t day_of_year = (153 * month + 2) / 5 + date.day - 1;
  int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

RateDate NextDay(RateDate date) {
  if (date.day < DaysInMonth(date.year, date.month)) {
    ++date.day;
  } else if (date.month < 12) {
    ++date.month;
    date.day = 1;
  } else {
    ++date.year;
    date.month = 1;
    date.day = 1;
  }
  return date;
}

}  // namespace pagerates::cli
