// Why a pattern's match must not become a record.
#ifndef PAGERATES_PARSE_MATCH_FLAW_H_
#define PAGERATES_PARSE_MATCH_FLAW_H_

namespace pagerates {

// A value the fixed-point range does not hold, or one written with an
// exponent, or a day, month or year group whose number cannot be that part
// of a date (a day of 300, a month of 13 or a word that names none, a year
// past 9999). Each would be delivered as another number or another day.
enum class MatchFlaw { kNone, kValueTooLarge, kValueExponent, kImpossibleDate };

}  // namespace pagerates

#endif  // PAGERATES_PARSE_MATCH_FLAW_H_
