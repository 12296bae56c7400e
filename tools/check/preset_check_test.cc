#include "check/preset_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace pagerates::cli {
namespace {

using testing::TempDir;

// The findings for `ini`, loaded as the module loads it.
std::vector<Finding> Check(const std::string& ini) {
  TempDir files;
  CollectedDiagnostics ignored;  // the load's reports are not under test here
  PluginConfig config;
  config.Load(files.Write("pagerates.ini", ini), &ignored);
  return CheckPresets(config);
}

// "[section] key" of each finding.
std::vector<std::string> Where(const std::vector<Finding>& findings) {
  std::vector<std::string> where;
  for (const Finding& f : findings) {
    where.push_back("[" + f.section + "] " + f.key);
  }
  return where;
}

std::string AllText(const std::vector<Finding>& findings) {
  return FormatFindings(findings);
}

constexpr char kGoodPreset[] =
    "HomeCurrencyCode=RUB\n"
    "PageURL=http://bank.example/d?%dd%.%mm%.%yyyy%\n"
    "Record=(?<code>[A-Z]{3}) (?<value2>[\\d.]+)\n";

// One preset [p]: `main` is added to [main], `preset` replaces the good
// preset's lines when it sets the same key first.
std::string OnePreset(const std::string& preset, const std::string& main = "") {
  return "[main]\nActivePreset=p\n" + main + "[p]\n" + preset + kGoodPreset;
}

TEST(CheckPresetsTest, FindsEachProblemAtItsKey) {
  struct Case {
    const char* what;
    std::string ini;
    std::vector<std::string> where;
  };
  const Case kCases[] = {
      {"a good preset", OnePreset(""), {}},
      {"no active preset", "[main]\n[p]\n", {"[main] ActivePreset"}},
      {"no section",
       "[main]\nActivePreset=q\n[p]\n" + std::string(kGoodPreset),
       {"[q] "}},
      {"no home currency",
       "[main]\nActivePreset=p\n[p]\nPageURL=http://a/b\n"
       "Record=x\n",
       {"[p] HomeCurrencyCode"}},
      {"empty primary PageURL", OnePreset("PageURL=\n"), {"[p] PageURL"}},
      {"extra decimals in range", OnePreset("ExtraDecimals=6\n"), {}},
      {"extra decimals zero in hex", OnePreset("ExtraDecimals=0x0\n"), {}},
      {"too many extra decimals",
       OnePreset("ExtraDecimals=7\n"),
       {"[p] ExtraDecimals"}},
      {"negative extra decimals",
       OnePreset("ExtraDecimals=-1\n"),
       {"[p] ExtraDecimals"}},
      {"extra decimals not a number",
       OnePreset("ExtraDecimals=two\n"),
       {"[p] ExtraDecimals"}},
      {"a misspelt key",
       OnePreset("DecimalSeperator=,\n"),
       {"[p] DecimalSeperator"}},
      {"a key [main] does not have",
       OnePreset("", "ActivePresets=p\n"),
       {"[main] ActivePresets"}},
      {"a numbered key of a key that has no numbers",
       OnePreset("Prologue2=x\n"),
       {"[p] Prologue2"}},
      {"numbered keys of every numbered kind",
       OnePreset("Record2=y\nOtherCurrencyCode2=USD\nRecordUnits2=100\n"),
       {}},
      {"currency codes as [currency-rename] keys",
       OnePreset("", "EnableCurrencyRename=1\n") +
           "[currency-rename]\nSDR=XDR\n",
       {}},
      {"units out of range", OnePreset("Units=0\n"), {"[p] Units"}},
      {"a record's units out of range",
       OnePreset("RecordUnits=1000000000\n"),
       {"[p] RecordUnits"}},
      {"eleven month names",
       OnePreset("MonthNames=a,b,c,d,e,f,g,h,i,j,k\n"),
       {"[p] MonthNames"}},
      {"twelve month names",
       OnePreset("MonthNames=a,b,c,d,e,f,g,h,i,j,k,l\n"),
       {}},
      {"a date count of hours",
       OnePreset("DateCount=hours\n"),
       {"[p] DateCount"}},
      {"a day and a year without a month",
       OnePreset("Record=(?<day>\\d+) (?<year>\\d+) (?<code>[A-Z]{3})\n"),
       {"[p] Record"}},
      {"a day and a month without a year",
       OnePreset("Record=(?<day>\\d+) (?<month>\\d+) (?<code>[A-Z]{3})\n"),
       {"[p] Record"}},
      {"the month and year from the Prologue",
       OnePreset("Prologue=(?<month>\\d+)/(?<year>\\d+)\n"
                 "Record=(?<day>\\d+) (?<code>[A-Z]{3})\n"),
       {}},
      {"a whole date from the Prologue",
       OnePreset("Prologue=(?<date>[\\d.]+)\n"
                 "Record=(?<day>\\d+) (?<code>[A-Z]{3})\n"),
       {}},
      {"a pattern in double quotes",
       OnePreset("Prologue=\"<h1>\"\n"),
       {"[p] Prologue"}},
      {"unknown tokens",
       OnePreset("PageURL=http://a/%DD%-%yyy%-%mm%\n"),
       {"[p] PageURL"}},
      {"tokens the module expands or leaves alone",
       OnePreset("PageURL=http://a/%d%m%/100%/a%20b%2F/%%dd%/%yy%\n"),
       {}},
      {"path without server",
       OnePreset("PageURL=/daily?d=%dd%\n"),
       {"[p] Server"}},
      {"path with server", OnePreset("PageURL=/d\nServer=bank.example\n"), {}},
      {"https is not split",
       OnePreset("PageURL=https://a/b\n"),
       {"[p] PageURL"}},
      {"upper-case scheme is not split",
       OnePreset("PageURL=HTTP://a/b\n"),
       {"[p] PageURL"}},
      {"no server after http://",
       OnePreset("PageURL=http:///b\n"),
       {"[p] PageURL"}},
      {"unknown code page", OnePreset("Codepage=4242\n"), {"[p] Codepage"}},
      {"known code pages", OnePreset("Codepage=28592\n"), {}},
      {"separator of two characters",
       OnePreset("DecimalSeparator=\",.\"\n"),
       {"[p] DecimalSeparator"}},
      {"separator of one character in two bytes",
       OnePreset("DecimalSeparator=\xD9\xAB\n"),
       {"[p] DecimalSeparator"}},
      {"Prologue does not compile",
       OnePreset("Prologue=(?<date>[\\d.]+\n"),
       {"[p] Prologue"}},
      {"Epilogue does not compile",
       OnePreset("Epilogue=[a\n"),
       {"[p] Epilogue"}},
      {"a pattern saved in windows-1251",
       OnePreset("Prologue=\xCA\xF3\xF0\xF1 (?<date>[\\d.]+)\n"),
       {"[p] Prologue"}},
      {"a pattern in UTF-8",
       OnePreset("Prologue=\xD0\x9A\xD1\x83 (?<date>[\\d.]+)\n"),
       {}},
      {"six groups",
       OnePreset("Record=(a)(b)(c)(d)(e)(?<code>f)\n"),
       {"[p] Record"}},
      {"five groups", OnePreset("Record=(a)(b)(c)(d)(?<code>f)\n"), {}},
      {"names the module does not read",
       OnePreset("Record=(?<Code>[A-Z]{3})(?<rate>\\d+)\n"),
       {"[p] Record"}},
      {"no record patterns",
       "[main]\nActivePreset=p\n[p]\nHomeCurrencyCode=RUB\n"
       "PageURL=http://a/b\n",
       {"[p] Record"}},
      {"a gap hides later patterns",
       OnePreset("Record2=b\nRecord4=d\nRecord7=g\n"),
       {"[p] Record4"}},
      {"Record1 beside Record", OnePreset("Record1=y\n"), {"[p] Record1"}},
      {"Record1 alone",
       "[main]\nActivePreset=p\n[p]\nHomeCurrencyCode=RUB\n"
       "PageURL=http://a/b\nRecord1=x\nRecord2=y\n",
       {}},
      {"OtherCurrencyCode1 beside OtherCurrencyCode",
       OnePreset("OtherCurrencyCode=USD\nOtherCurrencyCode1=EUR\n"
                 "OtherCurrencyName=a\nOtherCurrencyName1=b\n"),
       {"[p] OtherCurrencyCode1", "[p] OtherCurrencyName1"}},
      {"filter items with blanks or empty",
       OnePreset("", "CurrencyFilter=USD, EUR,,GBP\n"),
       {"[main] CurrencyFilter", "[main] CurrencyFilter"}},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(Where(Check(c.ini)), c.where) << c.what;
  }
}

TEST(CheckPresetsTest, SeveralPresetsExplainWhatTheModuleDrops) {
  std::string ini =
      "[main]\nActivePreset=a,ghost,b,c,d\n"
      "[a]\nHomeCurrencyCode=RUB\nPageURL=http://a.example/%dd%\nRecord=x\n"
      "[b]\nHomeCurrencyCode=rub\nPageURL=http://b.example/%dd%\nRecord=x\n"
      "[c]\nHomeCurrencyCode=RUB\nPageURL=/c/%dd%\nRecord=x\n"
      "[d]\nHomeCurrencyCode=RUB\nPageURL=c.example/%dd%\nRecord=x\n";
  std::vector<Finding> findings = Check(ini);
  EXPECT_EQ(Where(findings),
            (std::vector<std::string>{"[ghost] ", "[b] HomeCurrencyCode",
                                      "[c] PageURL", "[d] PageURL"}));
  std::string text = AllText(findings);
  EXPECT_NE(text.find("\"Preset [ghost] not found in "), std::string::npos);
  EXPECT_NE(text.find("'rub' differs from 'RUB' in [a] (letter case counts)"),
            std::string::npos);
  EXPECT_NE(text.find("is not a complete address"), std::string::npos);
}

TEST(CheckPresetsTest, AFirstPresetThatIsDroppedLeavesTheNextOnePrimary) {
  // [a] goes; [b] is then the primary preset, and a path with a Server is
  // fine for it.
  std::string ini =
      "[main]\nActivePreset=a,b\n"
      "[a]\nPageURL=http://a.example/x\nRecord=x\n"
      "[b]\nHomeCurrencyCode=RUB\nPageURL=/b\nServer=b.example\nRecord=x\n";
  EXPECT_EQ(Where(Check(ini)),
            (std::vector<std::string>{"[a] HomeCurrencyCode"}));
}

TEST(CheckPresetsTest, MessagesNameTheFix) {
  std::string text = AllText(Check(
      OnePreset("PageURL=http://a/%DD%\nRecord=(?<Value1>\\d+)(?<rate>x)\n"
                "Record3=z\n")));
  EXPECT_NE(text.find("%DD% is not a placeholder (did you mean %dd%?"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("'Value1' (group 1), 'rate' (group 2) are not read"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("did you mean value1?"), std::string::npos) << text;
  EXPECT_NE(text.find("[p] Record3: is never used: record patterns are read "
                      "in order up to the first missing number, and Record2 "
                      "is missing"),
            std::string::npos)
      << text;
  text = AllText(
      Check(OnePreset("DecimalSeperator=,\nRecord=(?<day>\\d+)/(?<year>\\d+) "
                      "(?<code>[A-Z]{3})\n")));
  EXPECT_NE(text.find("[p] DecimalSeperator: not a key the module reads; did "
                      "you mean DecimalSeparator?"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("[p] Record: captures the day but no month (nor does "
                      "the Prologue): every record takes the month of the date "
                      "asked for"),
            std::string::npos)
      << text;
}

TEST(CheckPresetsTest, CompileErrorsMarkTheOffset) {
  std::vector<Finding> findings =
      Check(OnePreset("Record=\xD0\x9A\xD1\x83\xD1\x80\xD1\x81 (?<code>x\n"));
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].message, "does not compile: missing ) (at offset 18)");
  // The four Cyrillic letters take eight bytes but four columns.
  EXPECT_EQ(findings[0].details,
            (std::vector<std::string>{
                "Record=\xD0\x9A\xD1\x83\xD1\x80\xD1\x81 (?<code>x",
                std::string(21, ' ') + "^"}));
}

TEST(MarkOffsetTest, CutsLongPatternsAroundTheOffset) {
  EXPECT_EQ(MarkOffset("K", "abc", 1),
            (std::vector<std::string>{"K=abc", "   ^"}));
  EXPECT_EQ(MarkOffset("K", "abc", 99),
            (std::vector<std::string>{"K=abc", "     ^"}));
  std::string pattern(100, 'a');
  pattern[70] = 'X';
  std::vector<std::string> lines = MarkOffset("Record", pattern, 70);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Record=..." + std::string(57, 'a') + "X" +
                          std::string(16, 'a') + "...");
  EXPECT_EQ(lines[1], std::string(7 + 60, ' ') + "^");
  // Tabs and invalid bytes take one column each, as shown.
  EXPECT_EQ(MarkOffset("K", "\t\xFF(", 2)[1], "    ^");
}

}  // namespace
}  // namespace pagerates::cli
