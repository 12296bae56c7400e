#include "parse/page_scanner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/compiled_pattern.h"
#include "tests/support/preset_builder.h"
#include "tests/support/test_support.h"

namespace pagerates {
namespace {

using testing::Date;
using testing::PresetBuilder;
using testing::Rate;
using testing::RecordingSink;
using testing::TakeMessageBoxes;

class PageScannerTest : public ::testing::Test {
 protected:
  // Scans `page` with `preset` from 2016-09-07.
  std::vector<Rate> Scan(const PresetBuilder& preset, const std::string& page,
                         RateDate date = Date(2016, 9, 7)) {
    std::unique_ptr<const PresetSet> set = preset.Build();
    RecordingSink sink;
    delivered_.clear();
    ScanPage(*set->preset(0), page.c_str(), date, &sink, testing::BoxLog(),
             [this](const RateDate& d) { delivered_.push_back(d); });
    return sink.rates();
  }

  static std::vector<std::string> Codes(const std::vector<Rate>& rates) {
    std::vector<std::string> codes;
    for (const Rate& r : rates) codes.push_back(r.code);
    return codes;
  }

  std::vector<RateDate> delivered_;
};

TEST_F(PageScannerTest, WorkedExample) {
  std::vector<Rate> rates = Scan(
      PresetBuilder()
          .Separator(",")
          .Prologue("Rates on (?<date>[0-9.]+)")
          .Record("<tr><td>(?<code>[A-Z]{3})</td><td>(?<value1>[0-9]+)</td>"
                  "<td>(?<value2>[0-9,]+)</td></tr>"),
      "Rates on 08.09.2016 <table><tr><td>USD</td><td>1</td><td>64,9213</td>"
      "</tr><tr><td>JPY</td><td>100</td><td>63,5012</td></tr></table>");
  EXPECT_EQ(rates,
            (std::vector<Rate>{{10000, 649213, "USD", "", 2016, 9, 8},
                               {1000000, 635012, "JPY", "", 2016, 9, 8}}));
  // Both records carry the same date: it is heard of once.
  ASSERT_EQ(delivered_.size(), 1u);
  EXPECT_EQ(delivered_[0].day, 8);
  EXPECT_TRUE(TakeMessageBoxes().empty());
}

TEST_F(PageScannerTest, DatesCarryOverAcrossMatchesAndPatterns) {
  std::vector<Rate> rates =
      Scan(PresetBuilder()
               .Record("(?<code>[A-Z]{3})(?: (?<date>\\d+\\.\\d+\\.\\d+))?;")
               .Record("(?<code>[a-z]{3});"),
           "USD 01.02.2015;EUR;usd;");
  ASSERT_EQ(rates.size(), 3u);
  EXPECT_EQ(rates[0], (Rate{10000, 10000, "USD", "", 2015, 2, 1}));
  EXPECT_EQ(rates[1], (Rate{10000, 10000, "EUR", "", 2015, 2, 1}));
  EXPECT_EQ(rates[2], (Rate{10000, 10000, "usd", "", 2015, 2, 1}));
}

TEST_F(PageScannerTest, RecordsComeGroupedByPattern) {
  std::vector<Rate> rates =
      Scan(PresetBuilder().Record("A(?<value1>\\d)").Record("B(?<value1>\\d)"),
           "A1 B1 A2 B2");
  std::vector<int64_t> values;
  for (const Rate& r : rates) values.push_back(r.value1);
  EXPECT_EQ(values, (std::vector<int64_t>{10000, 20000, 10000, 20000}));
  EXPECT_EQ(rates[1].value1, 20000);  // A2 before B1
}

TEST_F(PageScannerTest, OtherCurrencyDefaultsAndCapturedOverrides) {
  std::vector<Rate> rates =
      Scan(PresetBuilder()
               .Record("X=(?<value2>\\d+)(?<code>[A-Z]{3})?", "EUR", "Euro")
               .Record("Y(?<code>[A-Z]{3})?=(?<value2>\\d+)", "GBP"),
           "X=1USD X=2 Y=3");
  ASSERT_EQ(rates.size(), 3u);
  EXPECT_EQ(rates[0].code, "USD");
  EXPECT_EQ(rates[0].name, "Euro");
  EXPECT_EQ(rates[1].code, "EUR");  // set afresh, not carried from USD
  // A code group that did not take part before one that did captures an
  // empty text, and that replaces the preset's code.
  EXPECT_EQ(rates[2].code, "");
}

TEST_F(PageScannerTest, FilterComesBeforeRenamingAndKeepsDatesOut) {
  std::vector<Rate> rates =
      Scan(PresetBuilder()
               .Filter({"usd", "RUR"})
               .Rename("RUR", "RUB")
               .Rename("RUB", "XXX")
               .Record("(?<code>[A-Z]{3}) (?<date>[\\d.]+)"),
           "USD 01.01.2016 EUR 02.01.2016 RUR 03.01.2016");
  // RUR is renamed once, not on to XXX.
  EXPECT_EQ(Codes(rates), (std::vector<std::string>{"USD", "RUB"}));
  ASSERT_EQ(delivered_.size(), 2u);
  EXPECT_EQ(delivered_[1].day, 3);  // EUR's date never delivered
}

TEST_F(PageScannerTest, OtherCurrencyCodeIsRenamedTwice) {
  std::vector<Rate> rates = Scan(
      PresetBuilder().Rename("A", "B").Rename("B", "C").Record("x", "A"), "x");
  EXPECT_EQ(Codes(rates), (std::vector<std::string>{"C"}));
}

TEST_F(PageScannerTest, EpilogueBoundsOnlyWhereSearchesStart) {
  std::vector<Rate> rates = Scan(PresetBuilder()
                                     .Epilogue("</table>")
                                     .Record("<td>(?<code>[A-Z]{3})</td>")
                                     .Record("<b>(?<code>[A-Z]{3})</b>"),
                                 "<td>USD</td><td>EUR</td></table> footer "
                                 "<td>GBP</td><td>JPY</td><b>CHF</b>");
  // Each pattern may deliver one record beyond the bound.
  EXPECT_EQ(Codes(rates),
            (std::vector<std::string>{"USD", "EUR", "GBP", "CHF"}));
}

TEST_F(PageScannerTest, PrologueSetsStartAndOnlyItsDateReachesRecords) {
  std::vector<Rate> rates =
      Scan(PresetBuilder()
               .Prologue("(?<code>[A-Z]{3}) (?<name>\\w+) (?<date>[\\d.]+)")
               .Record("<(?<value1>\\d)>"),
           "<1> GBP Pound 08.09.2016 <2>");
  EXPECT_EQ(rates, (std::vector<Rate>{{20000, 10000, "", "", 2016, 9, 8}}));
}

TEST_F(PageScannerTest, EmptyMatchesDoNotLoop) {
  std::vector<Rate> rates =
      Scan(PresetBuilder().Record("x*").Record("(?=b)").Record("(?<code>Z)"),
           "abab Z");
  // x* once at the start; (?=b) once moving on to the 'b', once standing.
  ASSERT_EQ(rates.size(), 4u);
  EXPECT_EQ(rates[3].code, "Z");
}

TEST_F(PageScannerTest, ConvertsTheCodePageBeforeMatching) {
  // "Доллар" in windows-1251, and a byte 0x98 that the code page leaves
  // undefined: it must not spoil the conversion of the rest.
  std::vector<Rate> rates = Scan(PresetBuilder().CodePage(1251).Record(
                                     "(?<name>\xD0\x94\\S+) (?<code>[A-Z]{3})"),
                                 "\xC4\xEE\xEB\xEB\xE0\xF0 USD \x98");
  ASSERT_EQ(rates.size(), 1u);
  EXPECT_EQ(rates[0].name, "\xD0\x94\xD0\xBE\xD0\xBB\xD0\xBB\xD0\xB0\xD1\x80");
}

TEST_F(PageScannerTest, UnknownCodePageScansBytes) {
  std::vector<Rate> rates = Scan(
      PresetBuilder().CodePage(12345).Record("(?<name>\\xC4+)"), "\xC4\xC4");
  ASSERT_EQ(rates.size(), 1u);
  EXPECT_EQ(rates[0].name, "\xC4\xC4");
}

TEST_F(PageScannerTest, ProblemsAreReportedAndTheScanGoesOn) {
  TakeMessageBoxes();
  EXPECT_TRUE(Scan(PresetBuilder(), "x").empty());
  EXPECT_EQ(
      TakeMessageBoxes(),
      (std::vector<testing::MessageBox>{
          {"Configuration error", "Missing record patterns for preset [p]"}}));

  // A pattern that does not compile is reported, and the next one runs.
  std::vector<Rate> rates =
      Scan(PresetBuilder().Record("(").Record("(?<code>B)"), "B");
  EXPECT_EQ(Codes(rates), (std::vector<std::string>{"B"}));
  auto boxes = TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "Regular expression error");
}

struct CodePageCase {
  int code_page;
  std::string bytes;
  std::string utf8;
};

class ToUtf8Test : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(ToUtf8Test, Converts) {
  EXPECT_EQ(ToUtf8(GetParam().bytes, GetParam().code_page).view(),
            GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, ToUtf8Test,
    ::testing::Values(CodePageCase{1251, "\xC4", "\xD0\x94"},
                      CodePageCase{1251, "\x98", "\xC2\x98"},
                      CodePageCase{1252, "\x80\x81", "\xE2\x82\xAC\xC2\x81"},
                      CodePageCase{866, "\x80", "\xD0\x90"},
                      CodePageCase{20866, "\xE1", "\xD0\x90"},
                      CodePageCase{28592, "\xA3", "\xC5\x81"},
                      CodePageCase{65001, "\xFF", "\xFF"},
                      CodePageCase{932, "\x82\xA0", "\xE3\x81\x82"},
                      // Not convertible: the bytes as they are.
                      CodePageCase{932, "\x82", "\x82"},
                      CodePageCase{0, "\xC4", "\xC4"},
                      CodePageCase{1251, "", ""}));

TEST(SubjectLengthTest, PatternsRunOnNothingLongerThanAnInt) {
  EXPECT_TRUE(FitsSubjectLength(0));
  EXPECT_TRUE(FitsSubjectLength(0x7FFFFFFF));
  EXPECT_FALSE(FitsSubjectLength(size_t{0x80000000}));
  // Lengths past the limit are refused before a byte is read, so the
  // subject need not be that long.
  CompiledPattern pattern("abc");
  MatchResult match;
  EXPECT_TRUE(pattern.Exec("abc", 3, &match));
  EXPECT_FALSE(pattern.Exec("abc", size_t{0x80000000}, &match));
  if constexpr (sizeof(size_t) > 4) {
    // Cut to 32 bits this would be 3: the first bytes taken for the page.
    EXPECT_FALSE(pattern.Exec("abc", (uint64_t{1} << 32) + 3, &match));
  }
}

// A page the patterns cannot run on is refused whole, with a message box:
// never a part of it scanned as if it were the page.
TEST_F(PageScannerTest, PageTooLongIsRefusedWhole) {
  const char kPage[] = "USD 1 64";
  std::vector<size_t> lengths = {size_t{0x80000000}};
  if constexpr (sizeof(size_t) > 4) {
    lengths.push_back(static_cast<size_t>((uint64_t{1} << 32) + 8));
  }
  for (int code_page : {65001, 1251}) {
    std::unique_ptr<const PresetSet> set =
        PresetBuilder()
            .CodePage(code_page)
            .Record("(?<code>[A-Z]{3}) (?<value1>\\d+) (?<value2>\\d+)")
            .Build();
    for (size_t length : lengths) {
      RecordingSink sink;
      ScanPageText(*set->preset(0), std::string_view(kPage, length),
                   Date(2016, 9, 7), &sink, testing::BoxLog(), nullptr);
      EXPECT_TRUE(sink.rates().empty()) << length;
      std::vector<testing::MessageBox> boxes = TakeMessageBoxes();
      ASSERT_EQ(boxes.size(), 1u) << length;
      EXPECT_EQ(boxes[0].title, kPageErrorTitle);
      EXPECT_NE(boxes[0].text.find(std::to_string(length) + " bytes long"),
                std::string::npos)
          << boxes[0].text;
    }
  }
  // Its first bytes alone scan as they should.
  EXPECT_EQ(Scan(PresetBuilder().Record(
                     "(?<code>[A-Z]{3}) (?<value1>\\d+) (?<value2>\\d+)"),
                 kPage)
                .size(),
            1u);
}

}  // namespace
}  // namespace pagerates

namespace pagerates {
namespace {

// A code page that does not keep ASCII as it is (EBCDIC): its byte 'A'
// is the no-break space, and the output must grow to hold it.
TEST(ToUtf8Test, CodePageThatChangesAscii) {
  std::string page(1000, 'A');
  HeapString out = ToUtf8(page, 37);
  ASSERT_EQ(out.size(), 2000u);
  EXPECT_EQ(out.view().substr(0, 2), "\xC2\xA0");
}

}  // namespace
}  // namespace pagerates

namespace pagerates {
namespace {

// Sink and diagnostics writing to one log, to see when reports come.
class EventLog final : public RateSink, public Diagnostics {
 public:
  void PAGERATES_THISCALL RequestResource(const ResourceRequest*) override {}
  void PAGERATES_THISCALL AddRate(const RateRecord* record) override {
    events.push_back(std::string("rate ") + record->code);
  }
  void Report(const Diagnostic& diagnostic) override {
    events.push_back("report " + diagnostic.key);
  }
  std::vector<std::string> events;
};

TEST(PageScannerReportsTest, EveryScanReportsWhereItReachesTheProblem) {
  std::unique_ptr<const PresetSet> set = PresetBuilder()
                                             .Prologue("(")
                                             .Record("(?<code>A)")
                                             .Record("(")
                                             .Record("(?<code>B)")
                                             .Build();
  EventLog log;
  for (int scan = 1; scan <= 2; ++scan) {
    ScanPage(*set->preset(0), "A B", testing::Date(2016, 9, 8), &log, &log,
             nullptr);
  }
  const std::vector<std::string> one_scan = {"report Prologue", "rate A",
                                             "report Record2", "rate B"};
  std::vector<std::string> expected = one_scan;
  expected.insert(expected.end(), one_scan.begin(), one_scan.end());
  EXPECT_EQ(log.events, expected);
}

// A history page: only the day asked for is delivered, and only its date
// is heard of, so secondary presets are not sent to every day of the file.
TEST_F(PageScannerTest, RequestedDateOnlyDeliversTheDayAskedFor) {
  const PresetBuilder history =
      PresetBuilder()
          .Set("RequestedDateOnly", "1")
          .Record("(?<date>[\\d-]+),(?<code>[A-Z]{3}),(?<value2>[\\d.]+)");
  const std::string page =
      "2016-09-06,USD,64.1\n2016-09-07,USD,64.5\n2016-09-07,EUR,72.6\n"
      "2016-09-08,USD,65.0\n";
  std::vector<Rate> rates = Scan(history, page, Date(2016, 9, 7));
  EXPECT_EQ(Codes(rates), (std::vector<std::string>{"USD", "EUR"}));
  ASSERT_EQ(delivered_.size(), 1u);
  EXPECT_EQ(delivered_[0].day, 7);
  EXPECT_TRUE(Scan(history, page, Date(2016, 9, 9)).empty());
  // Without the key every day is delivered, as before.
  EXPECT_EQ(Scan(PresetBuilder().Record(
                     "(?<date>[\\d-]+),(?<code>[A-Z]{3}),(?<value2>[\\d.]+)"),
                 page)
                .size(),
            4u);
}

// A fixed amount for patterns without value1, per preset and per record
// pattern, scaled with ExtraDecimals; a captured value1 wins.
TEST_F(PageScannerTest, UnitsAndRecordUnits) {
  std::vector<Rate> rates =
      Scan(PresetBuilder()
               .Set("Units", "100")
               .ExtraDecimals(2)
               .Record("<a (?<code>[A-Z]{3}) (?<value2>[\\d.]+)>")
               .Record("<b (?<code>[A-Z]{3}) (?<value2>[\\d.]+)>")
               .Set("RecordUnits", "1000")
               .Record("<c (?<code>[A-Z]{3}) (?<value2>[\\d.]+)(?: "
                       "(?<value1>\\d+))?>"),
           "<a EUR 745.56><b JPY 4.5><c HUF 2.5 10><c USD 6.1>");
  EXPECT_EQ(rates,
            (std::vector<Rate>{{100000000, 745560000, "EUR", "", 2016, 9, 7},
                               {1000000000, 4500000, "JPY", "", 2016, 9, 7},
                               {10000000, 2500000, "HUF", "", 2016, 9, 7},
                               {100000000, 6100000, "USD", "", 2016, 9, 7}}));
}

}  // namespace
}  // namespace pagerates
