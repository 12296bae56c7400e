// Calendar days for the command line: strict parsing of YYYY-MM-DD and
// stepping through ranges of days in the proleptic Gregorian calendar
// (month lengths from parse/calendar.h, the module's).
#ifndef PAGERATES_TOOLS_CLI_CALENDAR_H_
#define PAGERATES_TOOLS_CLI_CALENDAR_H_

#include <cstdint>
#include <optional>
#include <string_view>

#include "pagerates/abi.h"

namespace pagerates::cli {

// Exactly four digits, '-', two digits, '-', two digits, naming a real day
// of the years 1 to 9999. Anything else is nullopt.
std::optional<RateDate> ParseDate(std::string_view text);

// Days from 1970-01-01 to `date` (negative before it). `date` must be
// valid.
int64_t DayNumber(RateDate date);

// The day after a valid `date`; 9999-12-31 is followed by 10000-01-01.
RateDate NextDay(RateDate date);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CLI_CALENDAR_H_
