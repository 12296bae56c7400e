#include "parse/scan_trace.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/compiled_pattern.h"
#include "parse/page_scanner.h"
#include "tests/support/preset_builder.h"
#include "tests/support/test_support.h"

namespace pagerates {
namespace {

using testing::Date;
using testing::PresetBuilder;
using testing::Rate;
using testing::RecordingSink;
using testing::TakeMessageBoxes;

class ScanTraceTest : public ::testing::Test {
 protected:
  // Scans `page` with `preset` from 2016-09-07 and returns the trace; the
  // delivered rates land in rates_.
  ScanTrace Trace(const PresetBuilder& preset, const std::string& page) {
    std::unique_ptr<const PresetSet> set = preset.Build();
    RecordingSink sink;
    ScanTrace trace;
    ScanPage(*set->preset(0), page.c_str(), Date(2016, 9, 7), &sink,
             testing::BoxLog(), nullptr, &trace);
    rates_ = sink.rates();
    return trace;
  }

  static std::string_view At(const ScanTrace& trace, TextSpan span) {
    return std::string_view(trace.text)
        .substr(static_cast<size_t>(span.begin),
                static_cast<size_t>(span.end - span.begin));
  }

  std::vector<Rate> rates_;
};

TEST_F(ScanTraceTest, SpansPointAtTheConvertedText) {
  // In windows-1251 the Cyrillic word is one byte per letter; the trace's
  // offsets are into the UTF-8 text, two bytes per letter.
  ScanTrace trace = Trace(
      PresetBuilder()
          .CodePage(1251)
          .Separator(",")
          .Prologue("Rates on (?<date>[0-9.]+)")
          .Epilogue("</table>")
          .Record("<td>(?<code>[A-Z]{3})</td><td>(?<value1>[0-9]+)</td>"
                  "<td>(?<value2>[0-9,]+)</td>"),
      "\xCA\xF3\xF0\xF1 Rates on 08.09.2016 <table><td>USD</td><td>1</td>"
      "<td>64,9213</td></table> <td>JPY</td><td>100</td><td>63,5012</td>");
  EXPECT_TRUE(TakeMessageBoxes().empty());
  EXPECT_EQ(trace.text.substr(0, 8), "\xD0\x9A\xD1\x83\xD1\x80\xD1\x81");

  ASSERT_EQ(trace.prologue, ScanTrace::Bound::kMatched);
  ASSERT_EQ(trace.prologue_match.groups.size(), 2u);
  EXPECT_EQ(At(trace, trace.prologue_match.groups[1]), "08.09.2016");
  EXPECT_EQ(trace.start,
            static_cast<size_t>(trace.prologue_match.groups[0].end));
  EXPECT_EQ(trace.date_after_prologue.day, 8);

  ASSERT_EQ(trace.epilogue, ScanTrace::Bound::kMatched);
  EXPECT_EQ(At(trace, trace.epilogue_match.groups[0]), "</table>");
  EXPECT_EQ(trace.end, static_cast<size_t>(trace.epilogue_match.groups[0].end));

  // The search that starts before the bound finds the row after it: that
  // row is delivered, and is the last.
  ASSERT_EQ(trace.records.size(), 2u);
  const TracedRecord& usd = trace.records[0];
  EXPECT_EQ(usd.match.capture_count, 3);
  ASSERT_EQ(usd.match.groups.size(), 4u);
  EXPECT_EQ(At(trace, usd.match.groups[1]), "USD");
  EXPECT_EQ(At(trace, usd.match.groups[3]), "64,9213");
  const TracedRecord& jpy = trace.records[1];
  EXPECT_GE(jpy.match.groups[0].begin, static_cast<std::ptrdiff_t>(trace.end));
  EXPECT_TRUE(jpy.delivered);
  EXPECT_EQ(jpy.value1, 1000000);
  EXPECT_EQ(jpy.value2, 635012);
  EXPECT_EQ(jpy.date.day, 8);
  EXPECT_EQ(rates_.size(), 2u);
}

TEST_F(ScanTraceTest, AgreesWithTheSinkOnFilterAndRenaming) {
  ScanTrace trace = Trace(PresetBuilder()
                              .Filter({"USD", "RUR"})
                              .Rename("RUR", "RUB")
                              .Record("(?<code>[A-Z]{3})=(?<value2>\\d+)"),
                          "USD=64 EUR=73 RUR=1");
  ASSERT_EQ(trace.records.size(), 3u);
  EXPECT_TRUE(trace.records[0].delivered);
  EXPECT_EQ(trace.records[0].delivered_code, "USD");
  EXPECT_FALSE(trace.records[1].delivered);
  EXPECT_EQ(trace.records[1].code, "EUR");
  EXPECT_TRUE(trace.records[1].delivered_code.empty());
  EXPECT_TRUE(trace.records[2].delivered);
  EXPECT_EQ(trace.records[2].code, "RUR");
  EXPECT_EQ(trace.records[2].delivered_code, "RUB");

  std::vector<std::string> delivered;
  for (const TracedRecord& r : trace.records) {
    if (r.delivered) delivered.push_back(r.delivered_code);
  }
  ASSERT_EQ(rates_.size(), delivered.size());
  for (size_t i = 0; i < rates_.size(); ++i) {
    EXPECT_EQ(rates_[i].code, delivered[i]);
  }
}

TEST_F(ScanTraceTest,
       RecordsPatternNumbersDefaultsAndGroupsThatDidNotTakePart) {
  ScanTrace trace = Trace(PresetBuilder()
                              .Record("A(?<value1>\\d+)?(x)?;")
                              .Record("B;", "GBP", "pound"),
                          "A; Ax; B;");
  ASSERT_EQ(trace.record_count, 2);
  ASSERT_EQ(trace.records.size(), 3u);
  // "A;": nothing took part beyond the whole match.
  EXPECT_EQ(trace.records[0].pattern, 0);
  EXPECT_EQ(trace.records[0].match.groups.size(), 1u);
  EXPECT_EQ(trace.records[0].value1, 10000);
  // "Ax;": group 1 did not take part but group 2 did.
  ASSERT_EQ(trace.records[1].match.groups.size(), 3u);
  EXPECT_FALSE(trace.records[1].match.groups[1].took_part());
  EXPECT_TRUE(trace.records[1].match.groups[2].took_part());
  EXPECT_EQ(trace.records[1].value1, 0);
  EXPECT_EQ(trace.records[2].pattern, 1);
  EXPECT_EQ(trace.records[2].code, "GBP");
  EXPECT_EQ(trace.records[2].name, "pound");
}

TEST_F(ScanTraceTest, BoundsNotSetOrNotMatched) {
  ScanTrace trace = Trace(
      PresetBuilder().Epilogue("END").Record("(?<code>[A-Z]{3})"), "USD EUR");
  EXPECT_EQ(trace.prologue, ScanTrace::Bound::kNotSet);
  EXPECT_EQ(trace.epilogue, ScanTrace::Bound::kNoMatch);
  EXPECT_EQ(trace.start, 0u);
  EXPECT_EQ(trace.end, trace.text.size());
  EXPECT_EQ(trace.date_after_prologue.day, 7);
  EXPECT_EQ(trace.records.size(), 2u);
}

TEST_F(ScanTraceTest, MarksTheEmptyMatchThatEndsAPattern) {
  ScanTrace trace = Trace(
      PresetBuilder().Record("(?<code>[A-Z]*)").Record("(?<code>X)"), "AB;X");
  // "AB", then the empty match at ';' ends the first pattern.
  ASSERT_EQ(trace.records.size(), 3u);
  EXPECT_FALSE(trace.records[0].ended_at_start);
  EXPECT_TRUE(trace.records[1].ended_at_start);
  EXPECT_EQ(trace.records[1].match.groups[0].begin,
            trace.records[1].match.groups[0].end);
  EXPECT_EQ(trace.records[2].pattern, 1);
}

TEST_F(ScanTraceTest, ATraceIsStartedAfresh) {
  ScanTrace trace;
  trace.records.emplace_back();
  trace.prologue = ScanTrace::Bound::kMatched;
  std::unique_ptr<const PresetSet> set =
      PresetBuilder().Record("(?<code>Z)").Build();
  RecordingSink sink;
  ScanPage(*set->preset(0), "none", Date(2016, 9, 7), &sink, testing::BoxLog(),
           nullptr, &trace);
  EXPECT_EQ(trace.prologue, ScanTrace::Bound::kNotSet);
  EXPECT_TRUE(trace.records.empty());
  EXPECT_EQ(trace.text, "none");
}

TEST(CompiledPatternNamesTest, ListsEveryNamedGroupWithItsNumber) {
  CompiledPattern pattern("(?<value2>x)(y)(?<code>z)(?<Rate>w)");
  using Groups = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(pattern.NamedGroups(),
            (Groups{{4, "Rate"}, {3, "code"}, {1, "value2"}}));
  EXPECT_TRUE(CompiledPattern("(").NamedGroups().empty());
  EXPECT_TRUE(CompiledPattern("(a)").NamedGroups().empty());
}

}  // namespace
}  // namespace pagerates
