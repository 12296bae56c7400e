#include "output/decimal.h"

#include <algorithm>
#include <array>

namespace pagerates::cli {

std::optional<std::string> FormatQuotient(int64_t dividend, int64_t divisor) {
  if (divisor == 0) return std::nullopt;
  auto magnitude = [](int64_t v) {
    return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  };
  const uint64_t a = magnitude(dividend);
  const uint64_t b = magnitude(divisor);
  uint64_t whole = a / b;
  uint64_t remainder = a % b;
  // Long division, digit by digit, in 64 bits (no wider type on every
  // target): ten times the remainder is built up by adding it ten times
  // modulo b. Both terms are below b <= 2^63, so no sum overflows. The
  // smallest quotient that is not 0 is 1 / 2^63, about 1.1e-19: its first
  // significant digit is at most the 19th decimal.
  constexpr int kMostDecimals = 19 + kPriceSignificantDigits - 1;
  std::array<int, kMostDecimals> digits{};
  // Below 1, the decimals go on to the last significant digit kept.
  int wanted = whole == 0 ? kMostDecimals : kPriceDecimals;
  bool significant = whole != 0;
  int count = 0;
  for (; count < wanted && (remainder != 0 || count < kMinPriceDecimals);
       ++count) {
    uint64_t scaled = 0;
    int digit = 0;
    for (int i = 0; i < 10; ++i) {
      scaled += remainder;
      if (scaled >= b) {
        scaled -= b;
        ++digit;
      }
    }
    remainder = scaled;
    digits[static_cast<size_t>(count)] = digit;
    if (!significant && digit != 0) {
      significant = true;
      wanted = std::max(kPriceDecimals, count + kPriceSignificantDigits);
    }
  }
  // Round half to even on what is left after the last decimal.
  if (remainder != 0) {
    const uint64_t rest = b - remainder;  // remainder vs. half of b
    const int last = digits[static_cast<size_t>(count - 1)];
    bool up = remainder > rest || (remainder == rest && last % 2 == 1);
    for (int i = count - 1; up && i >= 0; --i) {
      up = ++digits[static_cast<size_t>(i)] == 10;
      if (up) digits[static_cast<size_t>(i)] = 0;
    }
    if (up) ++whole;  // a <= 2^63 and b >= 1: whole + 1 still fits
  }
  int decimals = count;
  while (decimals > kMinPriceDecimals &&
         digits[static_cast<size_t>(decimals - 1)] == 0) {
    --decimals;
  }
  bool zero = whole == 0 && std::all_of(digits.begin(), digits.end(),
                                        [](int d) { return d == 0; });
  bool negative = !zero && ((dividend < 0) != (divisor < 0));
  std::string text = (negative ? "-" : "") + std::to_string(whole) + ".";
  for (int i = 0; i < decimals; ++i) {
    text += static_cast<char>('0' + digits[static_cast<size_t>(i)]);
  }
  return text;
}

}  // namespace pagerates::cli
