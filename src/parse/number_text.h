// Reading numbers out of captured page text.
#ifndef PAGERATES_PARSE_NUMBER_TEXT_H_
#define PAGERATES_PARSE_NUMBER_TEXT_H_

#include <cstdint>
#include <string_view>

#include "config/fixed_point.h"

namespace pagerates {

// Fixed point scaled by 10000. Digits before `separator` form the integer
// part; every other character there (blanks, thousands separators, signs,
// currency symbols) is skipped. Up to four digits after the separator form
// the fraction; later digits are dropped, not rounded. Accumulates without
// sign, wrapping modulo 2^64; the bits are returned unchanged.
//
// With `extra_decimals` k > 0, 4 + k fraction digits are read and the
// result is the number times 10^k, still scaled by 10000: "0.000089" with
// k = 4 gives 8900 (0.89). kMaxExtraDecimals is the largest k.
//
// `flaw`, when not null, is set to what keeps the number from being read
// right (FlawOf), at little cost for the usual short number.
enum class NumberFlaw {
  kNone,
  kTooLarge,  // scaled, it is past a signed 64-bit value: it would wrap
  kExponent,  // written with an exponent (8.7068e-4), which is not read
};
int64_t ParseFixedPoint(std::string_view text, char separator,
                        int extra_decimals = 0, NumberFlaw* flaw = nullptr);

// What keeps a captured number from being read right.
NumberFlaw FlawOf(std::string_view text, char separator, int extra_decimals);

// 10^k for 0 <= k <= kMaxExtraDecimals + 4.
int64_t PowerOfTen(int k);

// The leading decimal digits of `text` (0 when there are none), wrapping
// modulo 2^32.
int32_t ParseLeadingDigits(std::string_view text);

}  // namespace pagerates

#endif  // PAGERATES_PARSE_NUMBER_TEXT_H_
