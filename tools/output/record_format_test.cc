#include "output/record_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace pagerates::cli {
namespace {

Record MakeRecord(std::string code, std::string name, int64_t value1,
                  int64_t value2, RateDate date = {2016, 9, 8}) {
  return Record{date, std::move(code), std::move(name), value1, value2};
}

TEST(FormatFixedPointTest, FourDecimalsWithSign) {
  struct Case {
    int64_t value;
    const char* text;
  };
  const Case kCases[] = {
      {0, "0.0000"},
      {1, "0.0001"},
      {-1, "-0.0001"},
      {9999, "0.9999"},
      {10000, "1.0000"},
      {-10000, "-1.0000"},
      {649213, "64.9213"},
      {-649213, "-64.9213"},
      {std::numeric_limits<int64_t>::max(), "922337203685477.5807"},
      {std::numeric_limits<int64_t>::min(), "-922337203685477.5808"},
      {std::numeric_limits<int64_t>::min() + 1, "-922337203685477.5807"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(FormatFixedPoint(c.value), c.text) << c.value;
  }
}

TEST(FormatDateTest, SignedFieldsPadded) {
  EXPECT_EQ(FormatDate({2016, 9, 8}), "2016-09-08");
  EXPECT_EQ(FormatDate({1, 1, 1}), "0001-01-01");
  EXPECT_EQ(FormatDate({-1, 0, 31}), "-001-00-31");
  EXPECT_EQ(FormatDate({-32768, -128, -1}), "-32768--128--1");
}

TEST(Utf8SequenceLengthTest, AcceptsOnlyShortestWellFormedSequences) {
  struct Case {
    const char* bytes;
    size_t length;
  };
  const Case kCases[] = {
      {"A", 1},
      {"\xC2\x80", 2},          // U+0080
      {"\xD0\x94", 2},          // Cyrillic De
      {"\xE2\x82\xAC", 3},      // euro sign
      {"\xEF\xBF\xBD", 3},      // U+FFFD
      {"\xF0\x9F\x92\xB6", 4},  // U+1F4B6
      {"\xF4\x8F\xBF\xBF", 4},  // U+10FFFF
      {"\x80", 0},              // stray continuation byte
      {"\xC0\xAF", 0},          // overlong '/'
      {"\xC1\xBF", 0},          // overlong
      {"\xE0\x9F\xBF", 0},      // overlong three-byte form
      {"\xED\xA0\x80", 0},      // surrogate
      {"\xF0\x8F\xBF\xBF", 0},  // overlong four-byte form
      {"\xF4\x90\x80\x80", 0},  // above U+10FFFF
      {"\xF5\x80\x80\x80", 0},
      {"\xFF", 0},
      {"\xE2\x82", 0},  // cut short
      {"\xE2\x41\xAC", 0},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(Utf8SequenceLength(c.bytes), c.length) << c.bytes;
  }
}

TEST(JsonStringTest, EscapesWhatJsonNeedsAndInvalidBytes) {
  struct Case {
    std::string_view in;
    const char* out;
  };
  const Case kCases[] = {
      {"", R"("")"},
      {"USD", R"("USD")"},
      {"a\"b\\c/", R"("a\"b\\c/")"},
      {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
      {std::string_view("\x00\x01\x1F", 3), R"("\u0000\u0001\u001f")"},
      {"\x7F", R"("\u007f")"},
      {"\xC2\x85", R"("\u0085")"},   // C1 control NEL
      {"\xC2\xA0", "\"\xC2\xA0\""},  // no-break space passes
      {"\xD0\x94\xD0\xBE\xD0\xBB\xD0\xBB\xD0\xB0\xD1\x80",
       "\"\xD0\x94\xD0\xBE\xD0\xBB\xD0\xBB\xD0\xB0\xD1\x80\""},
      {"\xF0\x9F\x92\xB6", "\"\xF0\x9F\x92\xB6\""},
      {"\xFF", R"("\u00ff")"},
      {"a\xC0\xAF"
       "b",
       R"("a\u00c0\u00afb")"},
      {"\xE2\x82", R"("\u00e2\u0082")"},
      // A broken sequence does not swallow the valid character after it.
      {"\xE2\xD0\x94", "\"\\u00e2\xD0\x94\""},
      {"\xED\xA0\x80", R"("\u00ed\u00a0\u0080")"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(JsonString(c.in), c.out) << c.in;
  }
}

TEST(CsvFieldTest, QuotesOnlyWhenNeeded) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case kCases[] = {
      {"", ""},
      {"US Dollar", "US Dollar"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"line\nbreak", "\"line\nbreak\""},
      {"cr\r", "\"cr\r\""},
      {"semi;colon 'x'", "semi;colon 'x'"},
      // What a spreadsheet would take for a formula is kept as text.
      {"=HYPERLINK(\"http://x\",\"US Dollar\")",
       "\"'=HYPERLINK(\"\"http://x\"\",\"\"US Dollar\"\")\""},
      {"+1", "\"'+1\""},
      {"-1+1", "\"'-1+1\""},
      {"@SUM(A1)", "\"'@SUM(A1)\""},
      {"\t=1", "\"'\t=1\""},
      {"\r=1", "\"'\r=1\""},
      {"a=1", "a=1"},
      {"'=1", "'=1"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(CsvField(c.in), c.out) << c.in;
  }
}

TEST(DisplayTextTest, ReplacesControlsAndInvalidBytes) {
  EXPECT_EQ(DisplayText("Euro \xE2\x82\xAC"), "Euro \xE2\x82\xAC");
  EXPECT_EQ(DisplayText("a\tb\n"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  EXPECT_EQ(DisplayText("\xC2\x85\x7F"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(DisplayText("\xFF"
                        "A\xE2\x82"),
            "\xEF\xBF\xBD"
            "A\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(DisplayWidth("\xD0\x94\xD0\xBE\xD0\xBB"), 3u);
  EXPECT_EQ(DisplayWidth("\xF0\x9F\x92\xB6x"), 2u);
}

TEST(ParseOutputFormatTest, KnownNamesOnly) {
  EXPECT_EQ(ParseOutputFormat("jsonl"), OutputFormat::kJsonl);
  EXPECT_EQ(ParseOutputFormat("csv"), OutputFormat::kCsv);
  EXPECT_EQ(ParseOutputFormat("table"), OutputFormat::kTable);
  EXPECT_FALSE(ParseOutputFormat("JSONL"));
  EXPECT_FALSE(ParseOutputFormat("json"));
  EXPECT_FALSE(ParseOutputFormat(""));
}

TEST(JsonLinesTest, OneObjectPerRecordKeysInOrder) {
  const std::vector<Record> records = {
      MakeRecord("USD", "", 10000, 649213),
      MakeRecord("EUR", "Euro \"common\"", -5,
                 std::numeric_limits<int64_t>::min(), {-1, 0, 31}),
  };
  EXPECT_EQ(FormatRecords(OutputFormat::kJsonl, records),
            "{\"date\":\"2016-09-08\",\"code\":\"USD\",\"name\":\"\","
            "\"value1\":\"1.0000\",\"value2\":\"64.9213\"}\n"
            "{\"date\":\"-001-00-31\",\"code\":\"EUR\",\"name\":"
            "\"Euro \\\"common\\\"\",\"value1\":\"-0.0005\","
            "\"value2\":\"-922337203685477.5808\"}\n");
  EXPECT_EQ(FormatRecords(OutputFormat::kJsonl, {}), "");

  // A change of date; a name whose escapes outgrow a short line.
  std::string escaped;
  for (int i = 0; i < 100; ++i) escaped += "\\u0001";
  const std::vector<Record> more = {
      records[1], MakeRecord("X", std::string(100, '\x01'), 1, 2)};
  EXPECT_EQ(FormatRecords(OutputFormat::kJsonl, more),
            "{\"date\":\"-001-00-31\",\"code\":\"EUR\",\"name\":"
            "\"Euro \\\"common\\\"\",\"value1\":\"-0.0005\","
            "\"value2\":\"-922337203685477.5808\"}\n"
            "{\"date\":\"2016-09-08\",\"code\":\"X\",\"name\":\"" +
                escaped + "\",\"value1\":\"0.0001\",\"value2\":\"0.0002\"}\n");
}

TEST(CsvTest, HeaderOnceAcrossBatchesAndWithoutRecords) {
  EXPECT_EQ(FormatRecords(OutputFormat::kCsv, {}),
            "date,code,name,value1,value2\n");

  std::unique_ptr<RecordFormatter> formatter =
      MakeRecordFormatter(OutputFormat::kCsv);
  const std::vector<Record> first = {
      MakeRecord("USD", "US dollar, cash", 10000, 1)};
  const std::vector<Record> second = {MakeRecord("JPY", "", 1000000, -635012)};
  std::string text = formatter->Add(first);
  text += formatter->Add({});
  text += formatter->Add(second);
  text += formatter->Finish();
  EXPECT_EQ(text,
            "date,code,name,value1,value2\n"
            "2016-09-08,USD,\"US dollar, cash\",1.0000,0.0001\n"
            "2016-09-08,JPY,,100.0000,-63.5012\n");
}

// Codes and names come from the page: one that a spreadsheet would run as a
// formula is written as text; the values stay numbers, negative or not.
TEST(CsvTest, PageTextIsNeverAFormulaAndValuesStayNumbers) {
  const std::vector<Record> records = {MakeRecord("=X", "@cmd", -10000, 649213),
                                       MakeRecord("+USD", "-cash", 10000, -5)};
  EXPECT_EQ(FormatRecords(OutputFormat::kCsv, records),
            "date,code,name,value1,value2\n"
            "2016-09-08,\"'=X\",\"'@cmd\",-1.0000,64.9213\n"
            "2016-09-08,\"'+USD\",\"'-cash\",1.0000,-0.0005\n");
}

TEST(TableTest, ColumnsAlignedByCodePoints) {
  // "Доллар США" is 10 code points but 19 bytes.
  const std::vector<Record> records = {
      MakeRecord("USD",
                 "\xD0\x94\xD0\xBE\xD0\xBB\xD0\xBB\xD0\xB0\xD1\x80 "
                 "\xD0\xA1\xD0\xA8\xD0\x90",
                 10000, 649213),
      MakeRecord("JPY", "Yen", 1000000, -635012),
  };
  EXPECT_EQ(
      FormatRecords(OutputFormat::kTable, records),
      "date        code  name          value1    value2\n"
      "----------  ----  ----------  --------  --------\n"
      "2016-09-08  USD   \xD0\x94\xD0\xBE\xD0\xBB\xD0\xBB\xD0\xB0\xD1\x80 "
      "\xD0\xA1\xD0\xA8\xD0\x90    1.0000   64.9213\n"
      "2016-09-08  JPY   Yen         100.0000  -63.5012\n");
}

TEST(TableTest, ControlCharactersDoNotBreakTheLayout) {
  const std::vector<Record> records = {MakeRecord("X\tY", "a\nb\xFF", 0, 0)};
  EXPECT_EQ(FormatRecords(OutputFormat::kTable, records),
            "date        code  name  value1  value2\n"
            "----------  ----  ----  ------  ------\n"
            "2016-09-08  X\xEF\xBF\xBDY   a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD  0.0000  0.0000\n");
}

TEST(TableTest, HeaderAloneWithoutRecordsAndBatchesCollected) {
  EXPECT_EQ(FormatRecords(OutputFormat::kTable, {}),
            "date  code  name  value1  value2\n"
            "----  ----  ----  ------  ------\n");

  std::unique_ptr<RecordFormatter> formatter =
      MakeRecordFormatter(OutputFormat::kTable);
  const std::vector<Record> first = {MakeRecord("A", "", 1, 2)};
  const std::vector<Record> second = {MakeRecord("LONGER", "", 3, 4)};
  EXPECT_EQ(formatter->Add(first), "");
  EXPECT_EQ(formatter->Add(second), "");
  EXPECT_EQ(formatter->Finish(),
            "date        code    name  value1  value2\n"
            "----------  ------  ----  ------  ------\n"
            "2016-09-08  A             0.0001  0.0002\n"
            "2016-09-08  LONGER        0.0003  0.0004\n");
}

TEST(FormatQuotientTest, ExactDecimalsRoundedHalfToEvenAtTheTenthOrLater) {
  struct Case {
    int64_t dividend;
    int64_t divisor;
    const char* text;
  };
  const Case kCases[] = {
      {649213, 10000, "64.9213"},
      {635012, 1000000, "0.635012"},   // 63.5012 for 100 units
      {10000, 10876, "0.9194556822"},  // ...822 36: down
      {20000, 30000, "0.6666666667"},  // ...666 67: up
      {10000, 10000, "1.0000"},
      {10000, 80000, "0.1250"},
      {1, 10000, "0.0001"},
      {0, 7, "0.0000"},
      {-10000, 30000, "-0.3333333333"},
      {10000, -40000, "-0.2500"},
      {-10000, -40000, "0.2500"},
      {1, 20000000000, "0.00000000005"},  // exact below 1: not cut
      {3, 20000000000, "0.00000000015"},
      {-1, 20000000000000, "-0.00000000000005"},
      // Below 1, ten significant digits: the price of a tiny unit keeps
      // them (VND: 1 / 16067 RUB), rounded half to even after the last.
      {10000, 160670000, "0.00006223937263"},  // ...7262 71: up
      {2, 3000000000000, "0.0000000000006666666667"},
      {1, 20000000000000000, "0.00000000000000005"},
      {1, int64_t{2} * 123456789012345678, "0.000000000000000004050000036"},
      {1, std::numeric_limits<int64_t>::min(),
       "-0.0000000000000000001084202172"},  // ...172 485: down
      {-1, std::numeric_limits<int64_t>::max(),
       "-0.0000000000000000001084202172"},
      {12345678905, 100000000000000, "0.000123456789"},   // ...890 5: even
      {12345678915, 100000000000000, "0.0001234567892"},  // ...891 5: up
      {99999999999996, 1000000000000000000, "0.0001"},    // carried
      {99999999999, 10000000000, "9.9999999999"},
      {199999999999, 20000000000, "10.0000"},  // 9.99999999995: up, carried
      {std::numeric_limits<int64_t>::max(), 1, "9223372036854775807.0000"},
      {std::numeric_limits<int64_t>::min(), -1, "9223372036854775808.0000"},
      {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(),
       "-1.0000"},  // 1 + 1.08e-19,
      // Remainders close to 2^63: no intermediate step may overflow.
      {std::numeric_limits<int64_t>::max(), 3,
       "3074457345618258602.3333333333"},
      {std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min(),
       "-1.0000"},
      {std::numeric_limits<int64_t>::max() - 1,
       std::numeric_limits<int64_t>::max(), "1.0000"},
      {std::numeric_limits<int64_t>::max(), (int64_t{1} << 62) + 7, "2.0000"},
      {(int64_t{1} << 62) + 3, std::numeric_limits<int64_t>::max(), "0.5000"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(FormatQuotient(c.dividend, c.divisor), c.text)
        << c.dividend << " / " << c.divisor;
  }
  EXPECT_FALSE(FormatQuotient(10000, 0));
}

TEST(IsBeancountCurrencyTest, Grammar) {
  for (const char* good : {"USD", "X", "XAU", "VACHR", "A1", "NT.TO", "RDS_B",
                           "BRK-B", "ABCDEFGHIJKLMNOPQRSTUVWX"}) {
    EXPECT_TRUE(IsBeancountCurrency(good)) << good;
  }
  for (const char* bad : {"", "usd", "Usd", "1USD", "US D", "USD-", "AB'",
                          "ABCDEFGHIJKLMNOPQRSTUVWXY", "\xD0\xA0"}) {
    EXPECT_FALSE(IsBeancountCurrency(bad)) << bad;
  }
}

TEST(PriceFormatTest, PriceOfOneUnitInTheHomeCurrency) {
  const std::vector<Record> records = {
      MakeRecord("USD", "US dollar", 10000, 649213),
      MakeRecord("JPY", "", 1000000, 635012),
  };
  FormatOptions rub{"RUB", false};
  EXPECT_EQ(FormatRecords(OutputFormat::kLedger, records, rub),
            "P 2016-09-08 USD 64.9213 RUB\n"
            "P 2016-09-08 JPY 0.635012 RUB\n");
  EXPECT_EQ(FormatRecords(OutputFormat::kBeancount, records, rub),
            "2016-09-08 price USD 64.9213 RUB\n"
            "2016-09-08 price JPY 0.635012 RUB\n");
  EXPECT_EQ(FormatRecords(OutputFormat::kLedger, {}, rub), "");
}

TEST(PriceFormatTest, InvertSwapsTheValues) {
  // A feed quoted per unit of the home currency: 1 EUR = 1.0876 USD.
  const std::vector<Record> records = {MakeRecord("USD", "", 10000, 10876)};
  EXPECT_EQ(FormatRecords(OutputFormat::kLedger, records, {"EUR", true}),
            "P 2016-09-08 USD 0.9194556822 EUR\n");
  EXPECT_EQ(FormatRecords(OutputFormat::kLedger, records, {"EUR", false}),
            "P 2016-09-08 USD 1.0876 EUR\n");
}

TEST(PriceFormatTest, SkipsWhatItCannotWriteWithANote) {
  const std::vector<Record> records = {
      MakeRecord("USD", "", 0, 649213),
      MakeRecord("EUR", "", 10000, 0),
      MakeRecord("usd", "", 10000, 649213),
      MakeRecord("X 1", "", 10000, 20000),
      MakeRecord("A\"B", "", 10000, 20000),
      MakeRecord("GBP", "", 10000, 866185, {2016, 2, 30}),
  };
  std::unique_ptr<RecordFormatter> ledger =
      MakeRecordFormatter(OutputFormat::kLedger, {"RUB", false});
  EXPECT_EQ(ledger->Add(records),
            "P 2016-09-08 EUR 0.0000 RUB\n"
            "P 2016-09-08 usd 64.9213 RUB\n"
            "P 2016-09-08 \"X 1\" 2.0000 RUB\n");
  EXPECT_EQ(ledger->TakeNotes(),
            (std::vector<std::string>{
                "skipped 2016-09-08 USD: value1 is 0, so there is no price",
                "skipped 2016-09-08 A\"B: the code is not a ledger commodity",
                "skipped 2016-02-30 GBP: not a day of the calendar"}));
  EXPECT_TRUE(ledger->TakeNotes().empty());

  std::unique_ptr<RecordFormatter> beancount =
      MakeRecordFormatter(OutputFormat::kBeancount, {"RUB", true});
  EXPECT_EQ(beancount->Add(records), "2016-09-08 price USD 0.0000 RUB\n");
  std::vector<std::string> notes = beancount->TakeNotes();
  ASSERT_EQ(notes.size(), 5u);
  EXPECT_EQ(notes[0],
            "skipped 2016-09-08 EUR: value2 is 0, so there is no price");
  EXPECT_EQ(notes[1],
            "skipped 2016-09-08 usd: the code is not a beancount currency");
}

TEST(CheckFormatOptionsTest, PriceFormatsNeedAHomeCurrencyTheyCanWrite) {
  EXPECT_EQ(CheckFormatOptions(OutputFormat::kTable, {}), "");
  EXPECT_EQ(CheckFormatOptions(OutputFormat::kLedger, {"RUB", false}), "");
  EXPECT_EQ(CheckFormatOptions(OutputFormat::kLedger,
                               {"\xD1\x80\xD1\x83\xD0\xB1", false}),
            "");
  EXPECT_NE(CheckFormatOptions(OutputFormat::kLedger, {}), "");
  EXPECT_NE(CheckFormatOptions(OutputFormat::kBeancount, {"rub", false}), "");
  EXPECT_TRUE(PrintsPrices(OutputFormat::kBeancount));
  EXPECT_FALSE(PrintsPrices(OutputFormat::kCsv));
  EXPECT_EQ(ParseOutputFormat("ledger"), OutputFormat::kLedger);
  EXPECT_EQ(ParseOutputFormat("beancount"), OutputFormat::kBeancount);
}

}  // namespace
}  // namespace pagerates::cli
