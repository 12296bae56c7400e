// Exact decimal quotients of two fixed-point values, for the price formats.
#ifndef PAGERATES_TOOLS_OUTPUT_DECIMAL_H_
#define PAGERATES_TOOLS_OUTPUT_DECIMAL_H_

#include <cstdint>
#include <optional>
#include <string>

namespace pagerates::cli {

// Decimals a price is written with: at least kMinPriceDecimals, at most
// kMaxPriceDecimals.
inline constexpr int kMinPriceDecimals = 4;
inline constexpr int kMaxPriceDecimals = 10;

// `dividend` / `divisor` as an exact decimal (two fixed-point values: their
// scale cancels). A quotient with at most kMaxPriceDecimals decimals is
// written exactly, with zeros after the fourth decimal dropped; a longer or
// endless one is rounded half to even at the tenth decimal. '-' leads a
// negative result. nullopt when `divisor` is 0.
std::optional<std::string> FormatQuotient(int64_t dividend, int64_t divisor);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_OUTPUT_DECIMAL_H_
