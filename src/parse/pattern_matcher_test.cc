#include "parse/pattern_matcher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "parse/number_text.h"
#include "tests/support/test_support.h"

namespace pagerates {
namespace {

using testing::TakeMessageBoxes;

// Runs `pattern` once over `text` and applies the match onto a record that
// starts at 2000-01-01 with code "OLD".
struct Applied {
  bool matched = false;
  ScanRecord record;
};

Applied MatchOnce(const char* pattern, const std::string& text,
                  char separator = '.') {
  const PresetPattern compiled = PresetPattern::Compile("p", "Record", pattern);
  TextRules rules;
  rules.separator = separator;
  PatternMatcher matcher(compiled, rules);
  Applied out;
  out.record.date = testing::Date(2000, 1, 1);
  out.record.code = HeapString::Copy("OLD");
  out.matched =
      matcher.Match(text.c_str(), text.c_str() + text.size()) != nullptr;
  if (out.matched) matcher.ApplyTo(&out.record);
  return out;
}

struct DateCase {
  const char* pattern;
  const char* text;
  int year, month, day;
};

class DateExtractionTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateExtractionTest, ReadsDate) {
  const DateCase& c = GetParam();
  Applied a = MatchOnce(c.pattern, c.text);
  ASSERT_TRUE(a.matched);
  EXPECT_EQ(a.record.date.year, c.year);
  EXPECT_EQ(a.record.date.month, c.month);
  EXPECT_EQ(a.record.date.day, c.day);
}

constexpr char kDateGroup[] = "(?<date>.+)";
constexpr char kParts[] = "(?<day>\\d+) (?<month>\\d+) (?<year>\\d+)";

INSTANTIATE_TEST_SUITE_P(
    Dates, DateExtractionTest,
    ::testing::Values(
        DateCase{kDateGroup, "2016-09-08", 2016, 9, 8},
        DateCase{kDateGroup, "08.09.2016", 2016, 9, 8},
        DateCase{kDateGroup, "8/9/16", 2016, 9, 8},
        DateCase{kDateGroup, "31.12.99", 1999, 12, 31},
        DateCase{kDateGroup, "05.01.80", 1980, 1, 5},
        DateCase{kDateGroup, "05.01.79", 2079, 1, 5},
        DateCase{kDateGroup, "Rates on 07/03-2016 (final)", 2016, 3, 7},
        // Not a date: the record keeps its date.
        DateCase{kDateGroup, "no date here", 2000, 1, 1},
        DateCase{kDateGroup, "Monday, Jun 6, 2011", 2000, 1, 1},
        // Impossible dates are not delivered either: the record keeps its
        // date.
        DateCase{kDateGroup, "13.13.2016", 2000, 1, 1},
        DateCase{kDateGroup, "12/24/2015", 2000, 1, 1},
        DateCase{kDateGroup, "2016-02-30", 2000, 1, 1},
        DateCase{kDateGroup, "00.09.2016", 2000, 1, 1},
        DateCase{kDateGroup, "08.09.20160", 2000, 1, 1},
        DateCase{kDateGroup, "29.02.2016", 2016, 2, 29},
        DateCase{kDateGroup, "29.02.00", 2000, 2, 29},
        DateCase{kDateGroup, "29.02.2100", 2000, 1, 1},
        DateCase{kParts, "7 3 2016", 2016, 3, 7},
        DateCase{kParts, "7 3 16", 2016, 3, 7},
        // Only some parts captured: the others stay.
        DateCase{"(?<day>\\d+)", "15", 2000, 1, 15},
        // No date groups at all.
        DateCase{"(?<code>[A-Z]+)", "USD", 2000, 1, 1},
        // Alternatives: date numbered first takes part as an empty text when
        // the other branch matches, and an empty text holds no date.
        DateCase{"(?<date>\\d+\\.\\d+\\.\\d+)|(?<day>\\d+)/(?<month>\\d+)/"
                 "(?<year>\\d+)",
                 "7/3/2016", 2000, 1, 1},
        DateCase{"(?<day>\\d+)/(?<month>\\d+)/"
                 "(?<year>\\d+)|(?<date>\\d+\\.\\d+\\.\\d+)",
                 "7/3/2016", 2016, 3, 7},
        DateCase{"(?<day>\\d+)/(?<month>\\d+)/"
                 "(?<year>\\d+)|(?<date>\\d+\\.\\d+\\.\\d+)",
                 "07.03.2016", 2016, 3, 7}));

TEST(PatternMatcherTest, ValuesAbsentEmptyAndCaptured) {
  // No value groups: both values are 1.
  Applied none = MatchOnce("(?<code>[A-Z]{3})", "USD");
  EXPECT_EQ(none.record.value1, kFixedPointOne);
  EXPECT_EQ(none.record.value2, kFixedPointOne);
  EXPECT_EQ(none.record.code.view(), "USD");

  // An optional value1 that does not take part: 0 when a later group did,
  // 1 when none did.
  Applied later = MatchOnce("(?:(?<value1>\\d+) )?(?<value2>[\\d.]+)", "28.5");
  EXPECT_EQ(later.record.value1, 0);
  EXPECT_EQ(later.record.value2, 285000);
  Applied last = MatchOnce("(?<code>[A-Z]+)(?: (?<value1>\\d+))?", "USD");
  EXPECT_EQ(last.record.value1, kFixedPointOne);

  Applied comma = MatchOnce("(?<value2>.+)", "28.4567 RUB", ',');
  EXPECT_EQ(comma.record.value2, 2845670000);
}

TEST(PatternMatcherTest, ExtraDecimalsScaleBothValuesDefaultsIncluded) {
  const PresetPattern scaled = PresetPattern::Compile(
      "p", "Record", "(?<code>[A-Z]{3}) (?<value2>[\\d.]+)");
  TextRules four;
  four.extra_decimals = 4;
  PatternMatcher matcher(scaled, four);
  std::string text = "IDR 0.000089";
  ASSERT_NE(matcher.Match(text.c_str(), text.c_str() + text.size()), nullptr);
  ScanRecord record;
  matcher.ApplyTo(&record);
  EXPECT_EQ(record.value1, 100000000);  // 10000 units
  EXPECT_EQ(record.value2, 8900);       // cost 0.89
  // Outside the range the values are not scaled.
  const PresetPattern plain =
      PresetPattern::Compile("p", "Record", "(?<value1>[\\d.]+)");
  TextRules too_many;
  too_many.extra_decimals = kMaxExtraDecimals + 1;
  PatternMatcher unscaled(plain, too_many);
  text = "0.000089";
  ASSERT_NE(unscaled.Match(text.c_str(), text.c_str() + text.size()), nullptr);
  unscaled.ApplyTo(&record);
  EXPECT_EQ(record.value1, 0);
  EXPECT_EQ(record.value2, kFixedPointOne);
}

TEST(PatternMatcherTest, KeepsRecordCodeWhenNoneCaptured) {
  Applied a = MatchOnce("(?<value1>\\d+)", "5");
  EXPECT_EQ(a.record.code.view(), "OLD");
  Applied b = MatchOnce("(?<name>\\w+)", "Dollar");
  EXPECT_EQ(b.record.name.view(), "Dollar");
}

TEST(PatternMatcherTest, SixGroupsThatTakePartNeverMatch) {
  EXPECT_FALSE(MatchOnce("(a)(b)(c)(d)(e)(f)", "abcdef").matched);
  EXPECT_TRUE(MatchOnce("(a)(b)(c)(d)(e)", "abcde").matched);
  // Six groups of which only five take part still fit.
  EXPECT_TRUE(MatchOnce("(a)(b)(c)(d)(e)(x)?", "abcde").matched);
}

TEST(PatternMatcherTest, CaretMatchesAtEverySearchPosition) {
  std::string text = "USD EUR";
  const PresetPattern compiled =
      PresetPattern::Compile("p", "Record", "^\\s*(?<code>[A-Z]{3})");
  const TextRules rules;
  PatternMatcher matcher(compiled, rules);
  const char* end = text.c_str() + text.size();
  const char* pos = matcher.Match(text.c_str(), end);
  ASSERT_NE(pos, nullptr);
  pos = matcher.Match(pos, end);
  ASSERT_NE(pos, nullptr);
  ScanRecord record;
  matcher.ApplyTo(&record);
  EXPECT_EQ(record.code.view(), "EUR");
}

TEST(PatternMatcherTest, NoMatchLeavesFieldsAsTheyWere) {
  std::string text = "01.02.2003 USD";
  const PresetPattern compiled =
      PresetPattern::Compile("p", "Record", "(?<date>[\\d.]+) (?<code>[A-Z]+)");
  const TextRules rules;
  PatternMatcher matcher(compiled, rules);
  const char* end = text.c_str() + text.size();
  ASSERT_NE(matcher.Match(text.c_str(), end), nullptr);
  EXPECT_EQ(matcher.Match(end, end), nullptr);
  ScanRecord record;
  matcher.ApplyTo(&record);
  EXPECT_EQ(record.code.view(), "USD");
  EXPECT_EQ(record.date.year, 2003);
}

TEST(PatternMatcherTest, BadPatternCarriesItsMessageAndNeverMatches) {
  TakeMessageBoxes();
  Applied a = MatchOnce("(?<code>[A-Z", "USD");
  EXPECT_FALSE(a.matched);
  EXPECT_TRUE(TakeMessageBoxes().empty());
  const PresetPattern bad =
      PresetPattern::Compile("p", "Record2", "(?<code>[A-Z");
  ASSERT_TRUE(bad.error);
  EXPECT_EQ(bad.error->section, "p");
  EXPECT_EQ(bad.error->key, "Record2");
  EXPECT_EQ(bad.error->title, "Regular expression error");
  EXPECT_EQ(bad.error->text,
            "missing terminating ] for character class at:\n(?<code>[A-Z");
}

TEST(PatternMatcherTest, DuplicateNamesReadTheGroupThatTookPart) {
  Applied a = MatchOnce("(?J)(?<code>[A-Z]{3})-|(?<code>[a-z]{3})", "usd");
  ASSERT_TRUE(a.matched);
  EXPECT_EQ(a.record.code.view(), "usd");
}

}  // namespace
}  // namespace pagerates
