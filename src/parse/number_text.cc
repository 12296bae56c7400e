#include "parse/number_text.h"

#include <iterator>

namespace pagerates {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int64_t PowerOfTen(int k) {
  static constexpr int64_t kPowers[] = {
      1,       10,       100,       1000,       10000,      100000,
      1000000, 10000000, 100000000, 1000000000, 10000000000};
  if (k >= 0 && k < static_cast<int>(std::size(kPowers))) return kPowers[k];
  int64_t power = 1;
  for (; k > 0; --k) power *= 10;
  return power;
}

int64_t ParseFixedPoint(std::string_view text, char separator,
                        int extra_decimals) {
  const int decimals = 4 + extra_decimals;
  uint64_t whole = 0;
  size_t i = 0;
  for (; i < text.size() && text[i] != separator; ++i) {
    if (IsDigit(text[i]))
      whole = whole * 10u + static_cast<uint64_t>(text[i] - '0');
  }
  uint64_t fraction = 0;
  if (i < text.size()) {
    int places = 0;
    for (++i; places < decimals && i < text.size() && IsDigit(text[i]);
         ++i, ++places) {
      fraction = fraction * 10u + static_cast<uint64_t>(text[i] - '0');
    }
    for (; places < decimals; ++places) fraction *= 10u;
  }
  return static_cast<int64_t>(
      whole * static_cast<uint64_t>(PowerOfTen(decimals)) + fraction);
}

int32_t ParseLeadingDigits(std::string_view text) {
  uint32_t value = 0;
  for (size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10u + static_cast<uint32_t>(text[i] - '0');
  }
  return static_cast<int32_t>(value);
}

}  // namespace pagerates
