#include "parse/date_text.h"

#include <gtest/gtest.h>

#include <string>

#include "config/preset_set.h"

namespace pagerates {
namespace {

struct DateCase {
  const char* text;
  DateText::Kind kind;
  int year, month, day;
};

void ExpectRead(const DateText& read, const DateCase& c) {
  EXPECT_EQ(read.kind, c.kind) << c.text;
  if (c.kind != DateText::kDate) return;
  EXPECT_EQ(read.year, c.year) << c.text;
  EXPECT_EQ(read.month, c.month) << c.text;
  EXPECT_EQ(read.day, c.day) << c.text;
}

const CompiledPattern& DateParts() {
  static const CompiledPattern* parts = new CompiledPattern(kDatePattern);
  return *parts;
}

// Without MonthNames a word is no month: such texts keep their old meaning
// (no date), while numeric dates read as always.
TEST(DateTextTest, NumbersOnlyWithoutMonthNames) {
  const MonthNames none;
  for (const DateCase& c : {
           DateCase{"2016-09-08", DateText::kDate, 2016, 9, 8},
           DateCase{"rates on 08.09.16", DateText::kDate, 2016, 9, 8},
           DateCase{"18-Dec-2024", DateText::kNone, 0, 0, 0},
           DateCase{"30.02.2016", DateText::kImpossible, 0, 0, 0},
       }) {
    ExpectRead(ReadDateText(DateParts(), c.text, none), c);
  }
}

TEST(DateTextTest, MonthWordsInEnglishAndAListedLanguage) {
  MonthNames english = ReadMonthNames("english", nullptr);
  std::string problem;
  MonthNames russian = ReadMonthNames(
      "января, февраля, марта, апреля, мая, июня, июля, августа, "
      "сентября, октября, ноября, декабря",
      &problem);
  EXPECT_EQ(problem, "");
  for (const DateCase& c : {
           DateCase{"18-Dec-2024", DateText::kDate, 2024, 12, 18},
           DateCase{"19-May-26", DateText::kDate, 2026, 5, 19},
           DateCase{"Dec 18, 2024", DateText::kDate, 2024, 12, 18},
           DateCase{"18 December 2024", DateText::kDate, 2024, 12, 18},
           DateCase{"18 DECEMBER 2024", DateText::kDate, 2024, 12, 18},
           DateCase{"Sept 1, 2024", DateText::kDate, 2024, 9, 1},
           DateCase{"2024 Mar 05", DateText::kDate, 2024, 3, 5},
           DateCase{"Monday, Jun 6, 2011", DateText::kDate, 2011, 6, 6},
           DateCase{"31 Feb 2024", DateText::kImpossible, 0, 0, 0},
           DateCase{"Dec 2024", DateText::kNone, 0, 0, 0},    // no day
           DateCase{"18 Ju 2024", DateText::kNone, 0, 0, 0},  // too short
           // Numbers win: the text's meaning without MonthNames stays.
           DateCase{"2016-09-08 (Sep)", DateText::kDate, 2016, 9, 8},
       }) {
    ExpectRead(ReadDateText(DateParts(), c.text, english), c);
  }
  for (const DateCase& c : {
           DateCase{"18 декабря 2024", DateText::kDate, 2024, 12, 18},
           DateCase{"1 МАЯ 2025 г.", DateText::kDate, 2025, 5, 1},
           DateCase{"18 Dec 2024", DateText::kDate, 2024, 12, 18},
       }) {
    ExpectRead(ReadDateText(DateParts(), c.text, russian), c);
  }
  EXPECT_EQ(MonthOfName("Dec", english), 12);
  EXPECT_EQ(MonthOfName("december,", english), 12);
  EXPECT_EQ(MonthOfName("Decimal", english), 0);
  EXPECT_EQ(MonthOfName("9", english), 0);
  EXPECT_EQ(MonthOfName("февраля", russian), 2);
}

TEST(DateTextTest, MonthNamesThatAreNeitherEnglishNorTwelve) {
  std::string problem;
  MonthNames months = ReadMonthNames("jan,feb", &problem);
  EXPECT_TRUE(months.english);
  EXPECT_TRUE(months.listed.empty());
  EXPECT_NE(problem.find("lists 2 names"), std::string::npos) << problem;
  EXPECT_FALSE(ReadMonthNames("", nullptr).any());
}

TEST(DateTextTest, CountsOfSecondsAndMilliseconds) {
  for (auto [text, count, c] : {
           std::tuple{"1775721600", DateCount::kSeconds,
                      DateCase{"", DateText::kDate, 2026, 4, 9}},
           std::tuple{"\"1775721600000\"", DateCount::kMilliseconds,
                      DateCase{"", DateText::kDate, 2026, 4, 9}},
           std::tuple{"0", DateCount::kSeconds,
                      DateCase{"", DateText::kDate, 1970, 1, 1}},
           std::tuple{"951782400", DateCount::kSeconds,  // a leap day
                      DateCase{"", DateText::kDate, 2000, 2, 29}},
           std::tuple{"99999999999999999999", DateCount::kSeconds,
                      DateCase{"", DateText::kImpossible, 0, 0, 0}},
           std::tuple{"253402300800", DateCount::kSeconds,  // 10000-01-01
                      DateCase{"", DateText::kImpossible, 0, 0, 0}},
           std::tuple{"soon", DateCount::kSeconds,
                      DateCase{"", DateText::kNone, 0, 0, 0}},
       }) {
    ExpectRead(ReadDateCount(text, count), c);
  }
  bool known = false;
  EXPECT_EQ(ParseDateCount("Milliseconds", &known), DateCount::kMilliseconds);
  EXPECT_TRUE(known);
  EXPECT_EQ(ParseDateCount("hours", &known), DateCount::kNone);
  EXPECT_FALSE(known);
}

}  // namespace
}  // namespace pagerates
