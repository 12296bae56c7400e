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
                        int extra_decimals, NumberFlaw* flaw) {
  const int decimals = 4 + extra_decimals;
  const char* at = text.data();
  const char* const end = at + text.size();
  uint64_t whole = 0;
  bool other = false;  // a byte that is neither a digit nor the separator
  for (; at < end && *at != separator; ++at) {
    const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
    if (digit <= 9) {
      whole = whole * 10u + digit;
    } else {
      other = true;
    }
  }
  const size_t whole_bytes = static_cast<size_t>(at - text.data());
  uint64_t fraction = 0;
  int places = 0;
  if (at < end) {
    for (++at; places < decimals && at < end; ++at, ++places) {
      const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
      if (digit > 9) break;
      fraction = fraction * 10u + digit;
    }
    while (at < end && IsDigit(*at)) ++at;  // digits past those kept
    other = other || at < end;
  }
  if (flaw != nullptr) {
    // Plain digits with at most a separator, too few to pass 2^63 scaled,
    // read right: only other numbers need a second look.
    *flaw = NumberFlaw::kNone;
    if (other || whole_bytes + static_cast<size_t>(decimals) > 18)
        [[unlikely]] {
      *flaw = FlawOf(text, separator, extra_decimals);
    }
  }
  // The fraction padded to `decimals` digits; both products wrap as the
  // digit-by-digit sums do.
  return static_cast<int64_t>(
      whole * static_cast<uint64_t>(PowerOfTen(decimals)) +
      fraction * static_cast<uint64_t>(PowerOfTen(decimals - places)));
}

NumberFlaw FlawOf(std::string_view text, char separator, int extra_decimals) {
  const int decimals = 4 + extra_decimals;
  // The usual value: too few digits to reach 2^63 even scaled, no 'e'.
  size_t digits = 0;
  bool letter_e = false;
  for (char c : text) {
    digits += IsDigit(c) ? 1 : 0;
    letter_e = letter_e || (c | 0x20) == 'e';
  }
  if (!letter_e && digits + static_cast<size_t>(decimals) <= 18) {
    return NumberFlaw::kNone;
  }
  size_t at = 0;
  // Integer digits, scaled as they come, with overflow checked.
  int64_t value = 0;
  bool too_large = false;
  for (; at < text.size() && text[at] != separator; ++at) {
    if (!IsDigit(text[at])) continue;
    too_large = too_large ||
                __builtin_mul_overflow(value, int64_t{10}, &value) ||
                __builtin_add_overflow(value, int64_t{text[at] - '0'}, &value);
  }
  if (!too_large &&
      __builtin_mul_overflow(value, PowerOfTen(decimals), &value)) {
    too_large = true;
  }
  if (!too_large && at < text.size()) {
    int64_t fraction = 0;
    int places = 0;
    for (size_t i = at + 1;
         i < text.size() && places < decimals && IsDigit(text[i]);
         ++i, ++places) {
      fraction = fraction * 10 + (text[i] - '0');
    }
    too_large = __builtin_add_overflow(
        value, fraction * PowerOfTen(decimals - places), &value);
  }
  if (too_large) return NumberFlaw::kTooLarge;
  // A digit, 'e' or 'E', an optional sign and a digit: an exponent.
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    if ((text[i] | 0x20) != 'e' || !IsDigit(text[i - 1])) continue;
    size_t next = i + 1;
    if (text[next] == '-' || text[next] == '+') ++next;
    if (next < text.size() && IsDigit(text[next])) return NumberFlaw::kExponent;
  }
  return NumberFlaw::kNone;
}

int32_t ParseLeadingDigits(std::string_view text) {
  uint32_t value = 0;
  for (size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10u + static_cast<uint32_t>(text[i] - '0');
  }
  return static_cast<int32_t>(value);
}

}  // namespace pagerates
