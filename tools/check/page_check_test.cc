#include "check/page_check.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "check/check_report.h"
#include "tests/support/temp_dir.h"

namespace pagerates::cli {
namespace {

using testing::TempDir;

// `check --page` on `page` with a one-preset INI file whose preset [p]
// holds `preset`.
CheckOutcome CheckPage(const std::string& preset, const std::string& page) {
  TempDir files;
  std::string ini =
      files.Write("pagerates.ini",
                  "[main]\nActivePreset=p\n[p]\nHomeCurrencyCode=CAD\n"
                  "PageURL=http://bank.example/r\n" +
                      preset);
  return CheckIni(ini, PageToCheck{"page", page, {2016, 9, 8}, ""});
}

// The report's problem lines, "[p] Key: ..." (the scan's own lines are
// indented or start otherwise).
std::vector<std::string> ProblemLines(const std::string& report) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < report.size()) {
    size_t end = report.find('\n', at);
    std::string line = report.substr(at, end - at);
    if (line.starts_with("[p] ") || line.starts_with("[p]: ")) {
      lines.push_back(line);
    }
    at = end == std::string::npos ? report.size() : end + 1;
  }
  return lines;
}

struct TrapCase {
  const char* what;
  std::string preset;
  std::string page;
  // Texts the one problem line must hold, the key first.
  std::vector<std::string> says;
};

// Test names and failure messages show what the case is about, not its bytes.
void PrintTo(const TrapCase& c, std::ostream* os) { *os << c.what; }

class PageTrapTest : public ::testing::TestWithParam<TrapCase> {};

// Each trap is one problem at its key, with a fix, and fails the check;
// records are still delivered, so nothing else is reported.
TEST_P(PageTrapTest, IsReportedAtItsKeyWithAFix) {
  const TrapCase& c = GetParam();
  SCOPED_TRACE(c.what);
  CheckOutcome outcome = CheckPage(c.preset, c.page);
  EXPECT_TRUE(outcome.problems);
  std::vector<std::string> lines = ProblemLines(outcome.report);
  ASSERT_EQ(lines.size(), 1u) << outcome.report;
  for (const std::string& text : c.says) {
    EXPECT_NE(lines[0].find(text), std::string::npos)
        << "'" << text << "' not in\n"
        << lines[0];
  }
}

constexpr char kRows[] =
    "<r c=\"USD\" v=\"1.3035\"/>\n<r c=\"IDR\" v=\"0.000089\"/>\n"
    "<r c=\"KRW\" v=\"0.000979\"/>\n";
constexpr char kRowPattern[] =
    "Record=<r c=\"(?<code>[A-Z]{3})\" v=\"(?<value2>[\\d.]+)\"/>\n";

INSTANTIATE_TEST_SUITE_P(
    Traps, PageTrapTest,
    ::testing::Values(
        TrapCase{"digits past the fourth decimal, one value read as 0",
                 std::string("Codepage=65001\n") + kRowPattern,
                 kRows,
                 {"[p] Record: value2 loses digits past the 4 decimals",
                  "in 2 of 3 matches", "\"0.000089\" at 2:15 is read as 0",
                  "set ExtraDecimals=2 to keep 6 decimals"}},
        TrapCase{"still too few extra decimals",
                 std::string("Codepage=65001\nExtraDecimals=1\n") + kRowPattern,
                 kRows,
                 {"[p] Record: value2 loses digits past the 5 decimals",
                  "is read as 0.00008", "set ExtraDecimals=2"}},
        TrapCase{"a value too large for its extra decimals",
                 std::string("Codepage=65001\nExtraDecimals=6\n") + kRowPattern,
                 "<r c=\"VND\" v=\"922337204.5\"/>\n<r c=\"IDR\" "
                 "v=\"922337203.6\"/>\n",
                 {"[p] Record: value2 is past the largest value the module "
                  "delivers with ExtraDecimals=6, so the match makes no record",
                  "in 1 of 2 matches", "\"922337204.5\" in the match at 1:1",
                  "set a smaller ExtraDecimals"}},
        TrapCase{"a value past the fixed-point range",
                 std::string("Codepage=65001\n") + kRowPattern,
                 "<r c=\"VND\" v=\"1000000000000000\"/>\n<r c=\"USD\" "
                 "v=\"1.30\"/>\n",
                 {"[p] Record: value2 is past the largest value the module "
                  "delivers, so the match makes no record",
                  "\"1000000000000000\" in the match at 1:1",
                  "check that the pattern reads the right column"}},
        TrapCase{"a value with an exponent",
                 "Codepage=65001\nRecord=<r c=\"(?<code>[A-Z]{3})\" "
                 "v=\"(?<value2>[\\d.eE-]+)\"/>\n",
                 "<r c=\"IDR\" v=\"8.7068e-4\"/>\n<r c=\"USD\" v=\"1.30\"/>\n",
                 {"[p] Record: value2 is written with an exponent, which the "
                  "module does not read",
                  "\"8.7068e-4\" in the match at 1:1",
                  "make the pattern pass such values over"}},
        TrapCase{"comma decimals read with the default separator",
                 "Codepage=65001\nRecord=<r c=\"(?<code>[A-Z]{3})\" "
                 "v=\"(?<value2>[\\d,.]+)\"/>\n",
                 "<r c=\"USD\" v=\"64,9213\"/>\n<r c=\"EUR\" "
                 "v=\"72,6327\"/>\n",
                 {"[p] DecimalSeparator: \".\" is in none of the values, but "
                  "2 of them have \",\" before their decimals",
                  "\"64,9213\" at 1:15 is read as 649213",
                  "set DecimalSeparator=,"}},
        TrapCase{"a day group of 300",
                 "Codepage=65001\nRecord=(?<day>\\d+)/(?<month>\\d+)/"
                 "(?<year>\\d+) (?<code>[A-Z]{3}) (?<value2>[\\d.]+)\n",
                 "300/9/2016 USD 1.30\n08/09/2016 EUR 1.45\n",
                 {"[p] Record: day, month and year groups read as no possible "
                  "date, so the match makes no record",
                  "in 1 of 2 matches", "day \"300\", month \"9\"",
                  "capture only each part's digits"}},
        TrapCase{"a month written as a word without MonthNames",
                 "Codepage=65001\nRecord=(?<day>\\d+)-(?<month>\\w+)-"
                 "(?<year>\\d+) (?<code>[A-Z]{3}) (?<value2>[\\d.]+)\n",
                 "18-Dec-2024 USD 1.30\n18-12-2024 EUR 1.45\n",
                 {"[p] Record: day, month and year groups read as no possible",
                  "month \"Dec\"", "needs MonthNames"}},
        TrapCase{"an amount of 0",
                 "Codepage=65001\nRecord=<r c=\"(?<code>[A-Z]{3})\" "
                 "u=\"(?<value1>\\d+)\" v=\"(?<value2>[\\d.]+)\"/>\n",
                 "<r c=\"USD\" u=\"1\" v=\"1.30\"/>\n<r c=\"REF\" u=\"0\" "
                 "v=\"1.00\"/>\n",
                 {"[p] Record: value1 reads as 0: the host divides by it",
                  "in 1 of 2 matches", "(?<value1>0*[1-9]\\d*)"}},
        TrapCase{"a page that nothing matches",
                 std::string("Codepage=65001\n") + kRowPattern,
                 "<rates updated=\"soon\"/>\n",
                 {"[p]: nothing is delivered: no record pattern matches the "
                  "page"}},
        TrapCase{"an optional value1 before value2",
                 "Codepage=65001\nRecord=<r c=\"(?<code>[A-Z]{3})\"(?: "
                 "m=\"(?<value1>\\d+)\")? v=\"(?<value2>[\\d.]+)\"/>\n",
                 "<r c=\"USD\" v=\"1.30\"/>\n<r c=\"JPY\" m=\"100\" "
                 "v=\"0.93\"/>\n",
                 {"[p] Record: value1 (group 2) did not take part while a "
                  "later group did, so the module delivers value1 0",
                  "in 1 of 2 matches", "the match at 1:1",
                  "make it the last capturing group, write two record "
                  "patterns"}},
        TrapCase{"a date written with a month name",
                 "Codepage=65001\nPrologue=Rates of (?<date>[^<]+)<\n" +
                     std::string(kRowPattern),
                 "Rates of Monday, Jun 6, 2011<br>" + std::string(kRows, 24),
                 {"[p] Prologue: date is not a date the module can read, so "
                  "records keep the date asked for",
                  "\"Monday, Jun 6, 2011\" at 1:10",
                  "capture only the date's digits"}},
        TrapCase{"a month-first date",
                 "Codepage=65001\nRecord=(?<date>[\\d/]+) "
                 "(?<code>[A-Z]{3}) (?<value2>[\\d.]+)\n",
                 "12/04/2015 USD 1.30\n12/24/2015 EUR 1.45\n",
                 {"[p] Record: date reads as a day that does not exist",
                  "in 1 of 2 matches",
                  "\"12/24/2015\" at 2:1 is day 12, month 24, year 2015",
                  "capture day, month and year groups"}},
        TrapCase{"a pattern in quotes",
                 "Codepage=65001\nRecord='(?<code>[A-Z]{3})': "
                 "(?<value2>[\\d.]+)'\n",
                 "'USD': 1.30'\n",
                 {"[p] Record: is wrapped in a pair of '' quotes, which the "
                  "INI reader removes: the module sees '(?<code>[A-Z]{3})': "
                  "(?<value2>[\\d.]+)'",
                  "write the first one as [']"}},
        TrapCase{"an XML declaration of another charset",
                 std::string("Codepage=1251\n") + kRowPattern,
                 "<?xml version=\"1.0\" encoding=\"ISO-8859-9\"?>\n" +
                     std::string(kRows, 24),
                 {"[p] Codepage: 1251 disagrees with the page, which "
                  "declares encoding=\"ISO-8859-9\" (code page 28599): set "
                  "Codepage=28599"}},
        TrapCase{"an HTML meta charset",
                 std::string("Codepage=65001\n") + kRowPattern,
                 "<html><head><meta http-equiv=\"Content-Type\" "
                 "content=\"text/html; charset=windows-1251\"></head>" +
                     std::string(kRows, 24),
                 {"[p] Codepage: 65001 disagrees with the page, which "
                  "declares charset=\"windows-1251\" (code page 1251)"}},
        TrapCase{"ISO-8859-8-I: advice the module can follow",
                 std::string("Codepage=1255\n") + kRowPattern,
                 "<?xml version=\"1.0\" encoding=\"ISO-8859-8-I\"?>\n" +
                     std::string(kRows, 24),
                 {"[p] Codepage: 1255 disagrees with the page, which "
                  "declares encoding=\"ISO-8859-8-I\" (code page 28598): "
                  "set Codepage=28598"}},
        TrapCase{"a byte-order mark",
                 std::string("Codepage=1252\n") + kRowPattern,
                 "\xEF\xBB\xBF" + std::string(kRows, 24),
                 {"[p] Codepage: 1252 disagrees with the page, which starts "
                  "with a UTF-8 byte-order mark (code page 65001)"}},
        TrapCase{"65001 for bytes that are not UTF-8",
                 std::string("Codepage=65001\n") + kRowPattern,
                 "\xCA\xF3\xF0\xF1\n" + std::string(kRows, 24),
                 {"[p] Codepage: 65001 reads the page as UTF-8, but its byte "
                  "0xCA at offset 0 is not UTF-8"}},
        TrapCase{"UTF-8 bytes read as windows-1251",
                 std::string("Codepage=1251\n") + kRowPattern,
                 "\xD0\x9A\xD1\x83\xD1\x80\xD1\x81\n" + std::string(kRows, 24),
                 {"[p] Codepage: 1251 converts the page, but it declares no "
                  "charset and its bytes are UTF-8: set Codepage=65001"}}),
    [](const ::testing::TestParamInfo<TrapCase>& param) {
      return "Case" + std::to_string(param.index);
    });

// Pages a preset reads right: values that keep their digits, an optional
// value group left out at the end (1), an optional date group left out
// (no date text), a declaration the code page agrees with (ISO-8859-9 is
// read right by windows-1254 too).
TEST(PageCheckTest, CleanScansReportNothing) {
  const std::string rows = "2016-09-08 " + std::string(kRows) +
                           "<r c=\"JPY\" v=\"0.93\" m=\"100\"/>\n";
  const std::string declared =
      "<?xml version='1.0' encoding='iso-8859-9'?>\n" + rows;
  const struct {
    const char* preset;
    std::string page;
  } kCases[] = {
      {"Codepage=65001\nExtraDecimals=2\n"
       "Record=(?:(?<date>\\d{4}-\\d\\d-\\d\\d) )?<r c=\"(?<code>[A-Z]{3})\" "
       "v=\"(?<value2>[\\d.]+)\"(?: m=\"(?<value1>\\d+)\")?/>\n",
       rows},
      {"Codepage=28599\nRecord=<r c=\"(?<code>[A-Z]{3})\"\n", declared},
      {"Codepage=1254\nRecord=<r c=\"(?<code>[A-Z]{3})\"\n", declared},
      // Quotes kept for the blank they hold.
      {"Codepage=1251\nRecord=' (?<code>USD)'\n", "x USD"},
      // Controls of the traps: parts that make dates, a month word read
      // with MonthNames, thousands with the default separator, an amount
      // that skips 0, a value at the edge of the range.
      {"Codepage=65001\nRecord=(?<day>\\d+)/(?<month>\\d+)/(?<year>\\d+) "
       "(?<code>[A-Z]{3}) (?<value2>[\\d.]+)\n",
       "30/9/2016 USD 1.30\n08/09/2016 EUR 1.45\n"},
      {"Codepage=65001\nMonthNames=English\nRecord=(?<day>\\d+)-"
       "(?<month>\\w+)-(?<year>\\d+) (?<code>[A-Z]{3}) (?<value2>[\\d.]+)\n",
       "18-Dec-2024 USD 1.30\n19-May-26 EUR 1.45\n"},
      {"Codepage=65001\nRecord=<r c=\"(?<code>[A-Z]{3})\" "
       "v=\"(?<value2>[\\d,]+)\"/>\n",
       "<r c=\"VND\" v=\"1,234\"/>\n<r c=\"KRW\" v=\"12,345,678\"/>\n"},
      {"Codepage=65001\nRecord=<r c=\"(?<code>[A-Z]{3})\" "
       "u=\"(?<value1>0*[1-9]\\d*)\" v=\"(?<value2>[\\d.]+)\"/>\n",
       "<r c=\"USD\" u=\"1\" v=\"1.30\"/>\n<r c=\"REF\" u=\"0\" "
       "v=\"1.00\"/>\n"},
      {"Codepage=65001\nRecord=<r c=\"(?<code>[A-Z]{3})\" "
       "v=\"(?<value2>[\\d.]+)\"/>\n",
       "<r c=\"VND\" v=\"922337203685477\"/>\n"},
  };
  for (const auto& c : kCases) {
    CheckOutcome outcome = CheckPage(c.preset, c.page);
    EXPECT_FALSE(outcome.problems) << outcome.report;
  }
}

// No Codepage is offered for a UTF-16 page, declared or not: it is said
// plainly that it cannot be scanned.
TEST(PageCheckTest, Utf16PageIsSaidToBeUnscannable) {
  for (const std::string& page :
       {std::string("\xFF\xFE<\0r\0", 6), std::string("\xFE\xFF\0<\0r", 6),
        std::string("\xFF\xFE<\0?\0x\0m\0l\0", 12)}) {
    CheckOutcome outcome =
        CheckPage(std::string("Codepage=1251\n") + kRowPattern, page);
    EXPECT_TRUE(outcome.problems);
    EXPECT_EQ(outcome.report.find("set Codepage"), std::string::npos)
        << outcome.report;
    std::vector<std::string> lines = ProblemLines(outcome.report);
    ASSERT_FALSE(lines.empty()) << outcome.report;
    EXPECT_TRUE(lines[0].starts_with(
        "[p] Codepage: no code page reads the page: it is UTF-16 or UTF-32"))
        << lines[0];
    EXPECT_NE(lines[0].find("the page cannot be scanned"), std::string::npos);
  }
  // A declaration of UTF-16 in a page whose bytes are 8-bit text is not
  // followed to a code page the module cannot convert.
  CheckOutcome declared =
      CheckPage(std::string("Codepage=65001\n") + kRowPattern,
                "<meta charset=\"utf-16\">" + std::string(kRows, 24));
  EXPECT_FALSE(declared.problems) << declared.report;
}

TEST(CodePagesForCharsetTest, KnowsCommonNamesInAnyCase) {
  EXPECT_EQ(CodePagesForCharset("UTF-8"), std::vector<int>{65001});
  EXPECT_EQ(CodePagesForCharset("iso_8859-2"), std::vector<int>{28592});
  EXPECT_EQ(CodePagesForCharset("ISO8859-9"), (std::vector<int>{28599, 1254}));
  EXPECT_EQ(CodePagesForCharset("Windows-1251"), std::vector<int>{1251});
  EXPECT_EQ(CodePagesForCharset("KOI8-R"), std::vector<int>{20866});
  EXPECT_TRUE(CodePagesForCharset("us-ascii").empty());
  // Only code pages the module converts are offered.
  EXPECT_EQ(CodePagesForCharset("ISO-8859-8-I"), std::vector<int>{28598});
  EXPECT_TRUE(CodePagesForCharset("UTF-16").empty());
  EXPECT_TRUE(CodePagesForCharset("utf-16le").empty());
  EXPECT_TRUE(CodePagesForCharset("x-unknown").empty());
}

}  // namespace
}  // namespace pagerates::cli
