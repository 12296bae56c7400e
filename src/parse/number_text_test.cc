#include "parse/number_text.h"

#include <gtest/gtest.h>

namespace pagerates {
namespace {

struct FixedCase {
  const char* text;
  char separator;
  int64_t expected;
};

class FixedPointTest : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedPointTest, Reads) {
  EXPECT_EQ(ParseFixedPoint(GetParam().text, GetParam().separator),
            GetParam().expected)
      << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FixedPointTest,
    ::testing::Values(
        FixedCase{"12", '.', 120000}, FixedCase{"1 234.5", '.', 12345000},
        FixedCase{"1,234.56", '.', 12345600}, FixedCase{"0.12345", '.', 1234},
        FixedCase{".5", '.', 5000}, FixedCase{"-3.5", '.', 35000},
        FixedCase{"", '.', 0}, FixedCase{"abc", '.', 0},
        FixedCase{"28,1234", ',', 281234}, FixedCase{"1.234,5", ',', 12345000},
        FixedCase{"28.4567 RUB", '.', 284567},
        FixedCase{"28.4567 RUB", ',', 2845670000},
        FixedCase{"12.", '.', 120000}, FixedCase{"1.2x3", '.', 12000},
        // Bytes of 0x80 and above are never digits.
        FixedCase{"\xD9\xA1\xD9\xA2", '.', 0},
        // 30 digits wrap modulo 2^64 before scaling.
        FixedCase{"123456789012345678901234567890", '.',
                  -2413264399770408160}));

struct ScaledCase {
  const char* text;
  int extra_decimals;
  int64_t expected;
};

class ScaledFixedPointTest : public ::testing::TestWithParam<ScaledCase> {};

// 4 + k fraction digits are read and the number is scaled by 10^k; the
// digits after those are still dropped.
TEST_P(ScaledFixedPointTest, KeepsMoreDecimals) {
  EXPECT_EQ(ParseFixedPoint(GetParam().text, '.', GetParam().extra_decimals),
            GetParam().expected)
      << "'" << GetParam().text << "' with " << GetParam().extra_decimals;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ScaledFixedPointTest,
    ::testing::Values(
        ScaledCase{"0.000089", 0, 0}, ScaledCase{"0.000089", 2, 89},
        ScaledCase{"0.000089", 4, 8900}, ScaledCase{"0.000979", 4, 97900},
        ScaledCase{"12", 2, 12000000}, ScaledCase{"1 234.5", 1, 123450000},
        ScaledCase{"0.12345678", 2, 123456},
        ScaledCase{"18606.59", kMaxExtraDecimals, 186065900000000}));

struct DigitsCase {
  const char* text;
  int32_t expected;
};

class LeadingDigitsTest : public ::testing::TestWithParam<DigitsCase> {};

TEST_P(LeadingDigitsTest, Reads) {
  EXPECT_EQ(ParseLeadingDigits(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LeadingDigitsTest,
    ::testing::Values(DigitsCase{"2016", 2016}, DigitsCase{"07x", 7},
                      DigitsCase{"", 0}, DigitsCase{" 7", 0},
                      DigitsCase{"-7", 0}, DigitsCase{"4294967296", 0}));

}  // namespace
}  // namespace pagerates

namespace pagerates {
namespace {

// What keeps a number from being read right, at the edges of the range and
// of what an exponent looks like.
TEST(FlawOfTest, RangeEdgesAndExponents) {
  struct Case {
    const char* text;
    int extra_decimals;
    NumberFlaw flaw;
  };
  const Case kCases[] = {
      {"922337203685477.5807", 0, NumberFlaw::kNone},
      {"922337203685477.5808", 0, NumberFlaw::kTooLarge},
      {"922 337 203 685 477", 0, NumberFlaw::kNone},
      {"1000000000000000", 0, NumberFlaw::kTooLarge},
      {"123456789012345678901234567890", 0, NumberFlaw::kTooLarge},
      {"922337203.6854775807", 6, NumberFlaw::kNone},
      {"922337203.6854775808", 6, NumberFlaw::kTooLarge},
      {"922337204", 6, NumberFlaw::kTooLarge},
      {"0.00000000001", 6, NumberFlaw::kNone},
      {"8.7068e-4", 0, NumberFlaw::kExponent},
      {"1E5", 0, NumberFlaw::kExponent},
      {"12e+3", 2, NumberFlaw::kExponent},
      {"1.5 EUR", 0, NumberFlaw::kNone},
      {"e5", 0, NumberFlaw::kNone},
      {"5e", 0, NumberFlaw::kNone},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(FlawOf(c.text, '.', c.extra_decimals), c.flaw) << c.text;
  }
}

}  // namespace
}  // namespace pagerates
