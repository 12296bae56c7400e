// Exact decimal quotients of two fixed-point values, for the price formats.
#ifndef PAGERATES_TOOLS_OUTPUT_DECIMAL_H_
#define PAGERATES_TOOLS_OUTPUT_DECIMAL_H_

#include <cstdint>
#include <optional>
#include <string>

namespace pagerates::cli {

// Decimals a price is written with: at least kMinPriceDecimals; up to
// kPriceDecimals, or more for a price below 1, so that it keeps
// kPriceSignificantDigits significant digits (the price of a tiny unit,
// 0.00006223935993, as much as that of a large one).
inline constexpr int kMinPriceDecimals = 4;
inline constexpr int kPriceDecimals = 10;
inline constexpr int kPriceSignificantDigits = 10;

// `dividend` / `divisor` as an exact decimal (two fixed-point values: their
// scale cancels), in integer arithmetic. A quotient that ends within the
// decimals above is written exactly, with zeros after the fourth decimal
// dropped; a longer or endless one is rounded half to even at the last of
// them: the tenth decimal, or the tenth significant digit when that comes
// later. '-' leads a negative result. nullopt when `divisor` is 0.
std::optional<std::string> FormatQuotient(int64_t dividend, int64_t divisor);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_OUTPUT_DECIMAL_H_
