#include "check/scan_report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "check/check_report.h"
#include "check/findings.h"
#include "port/port.h"
#include "tests/support/temp_dir.h"

namespace pagerates::cli {
namespace {

using testing::TempDir;

TEST(TextPositionsTest, LinesEndAtLfCrOrCrlfAndColumnsCountCharacters) {
  const std::string text =
      "ab\ncd\r\nef\rg\xD0\x94h";  // lines "ab", "cd", "ef", "gДh"
  TextPositions positions(text);
  struct Case {
    size_t offset;
    const char* at;
  };
  const Case kCases[] = {
      {0, "1:1"},
      {2, "1:3"},
      {3, "2:1"},
      {5, "2:3"},
      {7, "3:1"},
      {10, "4:1"},
      {11, "4:2"},
      {13, "4:3"},
      {14, "4:4"},
      {99, "4:4"},
      // Backwards on the same line, and to an earlier one.
      {11, "4:2"},
      {1, "1:2"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(positions.At(c.offset), c.at) << c.offset;
  }
}

// One long line of two-byte characters, asked backwards from its end (as a
// pattern that names value2 before value1 makes the report do): the answers
// are those of a count from the start of the line, and they come in time
// linear in the line, not in the line times the questions.
TEST(TextPositionsTest, AnyOrderOnALongLineIsRightAndCheap) {
  std::string text = "x\n";
  for (int i = 0; i < 1 << 20; ++i) text += i % 3 == 0 ? "\xD0\x94" : "a";
  TextPositions positions(text);
  auto counted = [&text](size_t offset) {
    size_t column = 1;
    for (size_t i = 2; i < offset; ++i) {
      if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++column;
    }
    return "2:" + std::to_string(column);
  };
  for (size_t offset : {size_t{2}, size_t{3}, size_t{64}, size_t{65},
                        size_t{127}, size_t{128}, size_t{129}, text.size(),
                        text.size() - 1, size_t{4097}, size_t{1000}}) {
    EXPECT_EQ(positions.At(offset), counted(offset)) << offset;
  }
  const auto start = std::chrono::steady_clock::now();
  size_t total = 0;
  for (size_t offset = text.size(); offset > 50; offset -= 50) {
    total += positions.At(offset).size();
  }
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GT(total, 0u);
  // About a millisecond; recounting from the line's start takes minutes.
  EXPECT_LT(took, std::chrono::seconds(2));
}

// The JSON escapes, so that a control character or a stray byte of a page
// cannot reach the terminal.
TEST(QuoteForReportTest, EscapesAndCuts) {
  struct Case {
    std::string text;
    size_t max;
    const char* quoted;
  };
  const Case kCases[] = {
      {"USD", 80, "\"USD\""},
      {"", 80, "\"\""},
      {"a\"b\\c", 80, "\"a\\\"b\\\\c\""},
      {"1\t2\r\n3", 80, "\"1\\t2\\r\\n3\""},
      {std::string("\x01\x7F\xFF", 3), 80, "\"\\u0001\\u007f\\u00ff\""},
      {"\xC2\x9B"
       "1m",
       80, "\"\\u009b1m\""},  // C1: a terminal's CSI
      {"\xED\xA0\x80", 80, "\"\\u00ed\\u00a0\\u0080\""},  // a surrogate
      {"ab\xFF", 2, "\"ab\"... (1 more)"},
      {"\xD0\x94\xD0\xBE\xD0\xBB", 80, "\"\xD0\x94\xD0\xBE\xD0\xBB\""},
      {"\xD0\x94\xD0\xBE\xD0\xBB\xD0\xBB\xD0\xB0\xD1\x80", 2,
       "\"\xD0\x94\xD0\xBE\"... (4 more)"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(QuoteForReport(c.text, c.max), c.quoted) << c.text;
  }
}

constexpr char kIni[] =
    "[main]\nActivePreset=bank,feed\nCurrencyFilter=USD,RUR\n"
    "EnableCurrencyRename=1\n"
    "[currency-rename]\nRUR=RUB\n"
    "[bank]\nHomeCurrencyCode=RUB\nPageURL=http://bank.example/%dd%\n"
    "Codepage=1251\nDecimalSeparator=,\n"
    "Prologue=\xD0\x9A\xD1\x83\xD1\x80\xD1\x81\xD1\x8B "
    "\xD0\xBD\xD0\xB0 (?<date>[\\d.]+)\n"  // UTF-8: "Курсы на"
    "Epilogue=</table>\n"
    "Record=<td>(?<code>[A-Z]{3})</td><td>(?<value2>[\\d,]+)</td>\n"
    "Record2=<b>(?<value2>[\\d,]+)</b>\nOtherCurrencyCode2=RUR\n"
    "[feed]\nHomeCurrencyCode=RUB\nPageURL=http://feed.example/%dd%\n"
    "Codepage=65001\nRecord=(?<code>[A-Z]{3}) (?<value1>\\d+)\n";

// Cyrillic "Курсы на" in windows-1251.
constexpr char kPage[] =
    "<h1>\xCA\xF3\xF0\xF1\xFB \xED\xE0 08.09.2016</h1><table>\n"
    "<td>USD</td><td>64,9213</td>\n"
    "<td>EUR</td><td>73,0124</td>\n"
    "</table> <td>CNY</td><td>9,7315</td> <b>1,5</b>";

TEST(CheckIniTest, ReportsTheScanStepByStep) {
  TempDir files;
  std::string ini = files.Write("pagerates.ini", kIni);
  CheckOutcome outcome =
      CheckIni(ini, PageToCheck{"page.html", kPage, {2016, 9, 7}, ""});
  // One record is delivered and nothing else is wrong: filtering is not a
  // problem.
  EXPECT_FALSE(outcome.problems);
  EXPECT_EQ(outcome.report,
            "Checking " + ini +
                ": active presets [bank], [feed]\n"
                "No problems found in the presets.\n"
                "\n"
                "Page page.html, preset [bank], from 2016-09-07\n"
                "Codepage 1251, DecimalSeparator \",\"; 141 bytes, 148 after "
                "conversion to UTF-8\n"
                "\n"
                "Prologue  1:5 to 1:24: the first search starts there, on "
                "2016-09-08\n"
                "    1 date     \"08.09.2016\"\n"
                "Epilogue  4:1 to 4:9: no search starts after 4:9\n"
                "\n"
                "Record  2:1\n"
                "    1 code     \"USD\"\n"
                "    2 value2   \"64,9213\"\n"
                "  -> delivered: code \"USD\", date 2016-09-08, name \"\" "
                "(OtherCurrencyName), value1 1.0000, value2 64.9213\n"
                "Record  3:1\n"
                "    1 code     \"EUR\"\n"
                "    2 value2   \"73,0124\"\n"
                "  -> filtered out: CurrencyFilter does not list the code "
                "\"EUR\"; date 2016-09-08, name \"\" (OtherCurrencyName), "
                "value1 1.0000, value2 73.0124\n"
                // The search that starts before the bound finds one more.
                "Record  4:10, after the Epilogue (its search started before "
                "it)\n"
                "    1 code     \"CNY\"\n"
                "    2 value2   \"9,7315\"\n"
                "  -> filtered out: CurrencyFilter does not list the code "
                "\"CNY\"; date 2016-09-08, name \"\" (OtherCurrencyName), "
                "value1 1.0000, value2 9.7315\n"
                "\n"
                // The preset's code is renamed before the filter sees it.
                "Record2  4:38, after the Epilogue (its search started before "
                "it)\n"
                "    1 value2   \"1,5\"\n"
                "  -> filtered out: CurrencyFilter does not list the code "
                "\"RUB\" (OtherCurrencyCode2 \"RUR\", renamed); date "
                "2016-09-08, name \"\" (OtherCurrencyName2), value1 1.0000, "
                "value2 1.5000\n"
                "\n"
                "Summary: 4 matches of 2 record patterns, 1 delivered, 3 "
                "filtered out.\n");
}

TEST(CheckIniTest, TheSecondPresetAndItsMessages) {
  TempDir files;
  std::string ini = files.Write(
      "pagerates.ini",
      std::string(kIni) + "Record2=(?<code>x\n");  // [feed] gets a bad one
  CheckOutcome outcome = CheckIni(
      ini, PageToCheck{"feed.txt", "USD 1 EUR 2", {2016, 9, 7}, "FEED"});
  EXPECT_TRUE(outcome.problems);
  const std::string& report = outcome.report;
  EXPECT_NE(report.find("[feed] Record2: does not compile"), std::string::npos)
      << report;
  // The box the scan raised is part of the report.
  EXPECT_NE(report.find("The module shows:\n  Regular expression error: "
                        "missing ) at:\n    (?<code>x\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("Record2  does not compile, so it finds nothing\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("Summary: 2 matches of 2 record patterns, 1 delivered, "
                        "1 filtered out, 1 message box.\n"),
            std::string::npos)
      << report;
}

TEST(CheckIniTest, NothingDeliveredOrNoSuchPresetIsAProblem) {
  TempDir files;
  std::string ini = files.Write("pagerates.ini", kIni);
  CheckOutcome outcome = CheckIni(ini, std::nullopt);
  EXPECT_FALSE(outcome.problems);
  EXPECT_EQ(outcome.report, "Checking " + ini +
                                ": active presets [bank], [feed]\n"
                                "No problems found.\n");

  outcome = CheckIni(ini, PageToCheck{"p", "no rates", {2016, 9, 7}, ""});
  EXPECT_TRUE(outcome.problems);
  EXPECT_NE(outcome.report.find("Record  no match from 1:1\n"),
            std::string::npos)
      << outcome.report;

  outcome = CheckIni(ini, PageToCheck{"p", "USD 1", {2016, 9, 7}, "ghost"});
  EXPECT_TRUE(outcome.problems);
  EXPECT_NE(outcome.report.find("Cannot scan p: [ghost] is not an active "
                                "preset (active: [bank], [feed])\n"),
            std::string::npos)
      << outcome.report;
}

}  // namespace
}  // namespace pagerates::cli
