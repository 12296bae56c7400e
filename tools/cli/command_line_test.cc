#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "cli/calendar.h"

namespace pagerates::cli {
namespace {

bool SameDate(RateDate a, RateDate b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

ParsedCommandLine Parse(std::initializer_list<std::string_view> args) {
  std::vector<std::string_view> list(args);
  return ParseCommandLine(list);
}

// Each command line is refused with a message.
void ExpectUsageErrors(
    const std::vector<std::vector<std::string_view>>& cases) {
  for (const auto& args : cases) {
    ParsedCommandLine parsed = ParseCommandLine(args);
    std::string joined;
    for (std::string_view arg : args) (joined += arg) += ' ';
    EXPECT_FALSE(parsed.command_line) << joined;
    EXPECT_FALSE(parsed.error.empty()) << joined;
  }
}

// ---- Calendar ----

TEST(ParseDateTest, AcceptsRealDaysOnly) {
  struct Case {
    const char* text;
    bool valid;
  };
  const Case kCases[] = {
      {"2016-09-08", true},   {"0001-01-01", true},
      {"9999-12-31", true},   {"2016-02-29", true},
      {"2000-02-29", true},   {"1900-02-29", false},
      {"2015-02-29", false},  {"2016-02-30", false},
      {"2016-04-31", false},  {"2016-13-01", false},
      {"2016-00-10", false},  {"2016-01-00", false},
      {"0000-01-01", false},  {"2016-9-08", false},
      {"16-09-08", false},    {"2016/09/08", false},
      {"2016-09-08 ", false}, {"+016-09-08", false},
      {"2016-0a-08", false},  {"", false},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(ParseDate(c.text).has_value(), c.valid) << c.text;
  }
  std::optional<RateDate> date = ParseDate("2016-09-08");
  ASSERT_TRUE(date);
  EXPECT_TRUE(SameDate(*date, {2016, 9, 8}));
}

TEST(CalendarTest, NextDayAndDayNumberAgree) {
  struct Case {
    RateDate day;
    RateDate next;
  };
  const Case kCases[] = {
      {{2016, 9, 7}, {2016, 9, 8}},   {{2016, 9, 30}, {2016, 10, 1}},
      {{2016, 2, 28}, {2016, 2, 29}}, {{2016, 2, 29}, {2016, 3, 1}},
      {{2015, 2, 28}, {2015, 3, 1}},  {{1900, 2, 28}, {1900, 3, 1}},
      {{2016, 12, 31}, {2017, 1, 1}}, {{1, 1, 1}, {1, 1, 2}},
  };
  for (const Case& c : kCases) {
    RateDate next = NextDay(c.day);
    EXPECT_TRUE(SameDate(next, c.next)) << FormatDate(c.day);
    EXPECT_EQ(DayNumber(next), DayNumber(c.day) + 1) << FormatDate(c.day);
  }
  EXPECT_EQ(DayNumber({1970, 1, 1}), 0);
  EXPECT_EQ(DayNumber({2000, 3, 1}), 11017);
  EXPECT_EQ(DayNumber({1969, 12, 31}), -1);
  EXPECT_EQ(DayNumber({2017, 1, 1}) - DayNumber({2016, 1, 1}), 366);
}

// ---- Command line ----

TEST(CommandLineTest, HelpRequests) {
  for (auto args : std::vector<std::vector<std::string_view>>{
           {}, {"--help"}, {"-h"}, {"help"}, {"scan", "--bogus", "-h"}}) {
    ParsedCommandLine parsed = ParseCommandLine(args);
    ASSERT_TRUE(parsed.command_line) << parsed.error;
    EXPECT_EQ(parsed.command_line->command, Command::kHelp);
  }
}

// A command's --help asks for that command's usage, and so does
// "help COMMAND"; without a command, the general one.
TEST(CommandLineTest, HelpTopics) {
  struct Case {
    std::vector<std::string_view> args;
    Command topic;
  };
  const Case kCases[] = {
      {{"--help"}, Command::kHelp},
      {{"help"}, Command::kHelp},
      {{"scan", "--help"}, Command::kScan},
      {{"--module", "m.so", "check", "-h"}, Command::kCheck},
      {{"fetch", "--bogus", "--date", "x", "-h"}, Command::kFetch},
      {{"-h", "sources"}, Command::kSources},
      {{"help", "info"}, Command::kInfo},
      {{"help", "--ini", "x.ini"}, Command::kHelp},
      {{"frobnicate", "--help"}, Command::kHelp},
  };
  for (const Case& c : kCases) {
    ParsedCommandLine parsed = ParseCommandLine(c.args);
    ASSERT_TRUE(parsed.command_line) << parsed.error;
    EXPECT_EQ(parsed.command_line->command, Command::kHelp);
    EXPECT_EQ(parsed.command_line->help_topic, c.topic) << c.args[0];
  }
  ExpectUsageErrors({{"help", "frobnicate"}, {"help", "scan", "info"}});
}

// The option names of a usage text's "Options:" lines.
std::vector<std::string> OptionsListed(const std::string& usage) {
  std::vector<std::string> names;
  size_t at = usage.find("\nOptions:\n");
  while ((at = usage.find("\n  -", at)) != std::string::npos) {
    at += 3;
    if (usage.compare(at, 2, "--") != 0) at += 4;  // "-v, --verbose"
    std::string name = usage.substr(at, usage.find_first_of(" \n", at) - at);
    if (name != "--help" && name != "--version") names.push_back(name);
  }
  return names;
}

// Each command's usage lists exactly the options the parser lets it take,
// and the general usage every one.
TEST(CommandLineTest, EachCommandsUsageListsTheOptionsItTakes) {
  const std::vector<std::string> all = OptionsListed(UsageText(Command::kHelp));
  EXPECT_EQ(all.size(), 13u) << testing::PrintToString(all);
  const struct {
    Command command;
    const char* name;
  } kCommands[] = {{Command::kSources, "sources"},
                   {Command::kInfo, "info"},
                   {Command::kScan, "scan"},
                   {Command::kFetch, "fetch"},
                   {Command::kCheck, "check"}};
  for (const auto& c : kCommands) {
    const std::string usage = UsageText(c.command);
    EXPECT_TRUE(usage.starts_with(std::string("Usage: pagerates [--module "
                                              "PATH] ") +
                                  c.name))
        << usage;
    const std::vector<std::string> listed = OptionsListed(usage);
    for (const std::string& option : all) {
      const bool shown =
          std::find(listed.begin(), listed.end(), option) != listed.end();
      // A flag leaves "x" as an operand, which is looked at later.
      ParsedCommandLine parsed =
          ParseCommandLine(std::vector<std::string_view>{c.name, option, "x"});
      const bool refused =
          parsed.error.find("does not apply") != std::string::npos;
      EXPECT_NE(shown, refused)
          << c.name << " " << option << ": " << parsed.error;
    }
  }
}

// --version anywhere before "--", whatever else is on the line; help wins.
TEST(CommandLineTest, VersionRequests) {
  for (auto args : std::vector<std::vector<std::string_view>>{
           {"--version"},
           {"info", "--version"},
           {"scan", "--bogus", "--version"}}) {
    ParsedCommandLine parsed = ParseCommandLine(args);
    ASSERT_TRUE(parsed.command_line) << parsed.error;
    EXPECT_EQ(parsed.command_line->command, Command::kVersion);
  }
  ParsedCommandLine both = Parse({"--version", "--help"});
  ASSERT_TRUE(both.command_line) << both.error;
  EXPECT_EQ(both.command_line->command, Command::kHelp);
  ParsedCommandLine operand =
      Parse({"scan", "--date", "2016-09-07", "--", "--version"});
  ASSERT_TRUE(operand.command_line) << operand.error;
  EXPECT_EQ(operand.command_line->page_path, "--version");
}

TEST(CommandLineTest, ScanWithEverything) {
  ParsedCommandLine parsed =
      Parse({"--module", "m.so", "scan", "--ini=x.ini", "-v", "--date",
             "2016-09-07", "--format", "csv", "page.html"});
  ASSERT_TRUE(parsed.command_line) << parsed.error;
  const CommandLine& line = *parsed.command_line;
  EXPECT_EQ(line.command, Command::kScan);
  EXPECT_EQ(line.module_path, "m.so");
  EXPECT_EQ(line.ini_path, "x.ini");
  EXPECT_TRUE(line.verbose);
  EXPECT_TRUE(SameDate(line.first_date, {2016, 9, 7}));
  EXPECT_EQ(line.format, OutputFormat::kCsv);
  EXPECT_EQ(line.page_path, "page.html");
}

TEST(CommandLineTest, ScanDefaultsAndDashPage) {
  ParsedCommandLine parsed = Parse({"scan", "--date", "2016-09-07", "-"});
  ASSERT_TRUE(parsed.command_line) << parsed.error;
  EXPECT_EQ(parsed.command_line->page_path, "-");
  EXPECT_FALSE(parsed.command_line->format);
  EXPECT_FALSE(parsed.command_line->verbose);
  EXPECT_TRUE(parsed.command_line->module_path.empty());

  parsed = Parse({"scan", "--date", "2016-09-07", "--", "-v"});
  ASSERT_TRUE(parsed.command_line) << parsed.error;
  EXPECT_EQ(parsed.command_line->page_path, "-v");
}

TEST(CommandLineTest, FetchSingleDayAndRange) {
  ParsedCommandLine parsed = Parse({"fetch", "--date", "2016-09-07"});
  ASSERT_TRUE(parsed.command_line) << parsed.error;
  EXPECT_EQ(parsed.command_line->scheme, "http");
  EXPECT_TRUE(SameDate(parsed.command_line->first_date, {2016, 9, 7}));
  EXPECT_TRUE(SameDate(parsed.command_line->last_date, {2016, 9, 7}));

  parsed = Parse({"fetch", "--to", "2016-03-01", "--from", "2016-02-28",
                  "--scheme", "https", "--format", "table"});
  ASSERT_TRUE(parsed.command_line) << parsed.error;
  EXPECT_EQ(parsed.command_line->scheme, "https");
  EXPECT_EQ(parsed.command_line->format, OutputFormat::kTable);
  EXPECT_TRUE(SameDate(parsed.command_line->first_date, {2016, 2, 28}));
  EXPECT_TRUE(SameDate(parsed.command_line->last_date, {2016, 3, 1}));

  parsed = Parse({"fetch", "--from", "2016-03-01", "--to", "2016-03-01"});
  EXPECT_TRUE(parsed.command_line) << parsed.error;
  EXPECT_EQ(parsed.command_line->connections, kDefaultConnections);

  for (int count : {1, 16}) {
    parsed = Parse({"fetch", "--date", "2016-09-07", "--connections",
                    count == 1 ? "1" : "16"});
    ASSERT_TRUE(parsed.command_line) << parsed.error;
    EXPECT_EQ(parsed.command_line->connections, count);
  }
}

TEST(CommandLineTest, UsageErrors) {
  const std::vector<std::vector<std::string_view>> kCases = {
      {"--module", "m.so"},                        // no command
      {"frobnicate"},                              // unknown command
      {"info", "--bogus"},                         // unknown option
      {"info", "--date", "2016-09-07"},            // not for info
      {"info", "extra"},                           // no operands
      {"info", "--ini"},                           // missing value
      {"info", "--ini", ""},                       // empty value
      {"info", "--ini", "a", "--ini", "b"},        // repeated
      {"scan"},                                    // no date
      {"scan", "--date", "2016-02-30"},            // not a day
      {"scan", "--date", "2016-09-07", "a", "b"},  // two pages
      {"scan", "--from", "2016-09-07", "--to", "2016-09-08"},
      {"scan", "--date", "2016-09-07", "--scheme", "https"},
      {"scan", "--date", "2016-09-07", "--format", "xml"},
      {"scan", "--date", "2016-09-07", "--verbose=yes"},
      {"fetch"},                          // no dates
      {"fetch", "--from", "2016-09-07"},  // half a range
      {"fetch", "--to", "2016-09-07"},
      {"fetch", "--date", "2016-09-07", "--from", "2016-09-07", "--to",
       "2016-09-08"},
      {"fetch", "--from", "2016-09-08", "--to", "2016-09-07"},  // backwards
      {"fetch", "--from", "2016-09-08", "--to", "2016-9-9"},
      {"fetch", "--date", "2016-09-07", "--scheme", "ftp"},
      {"fetch", "--date", "2016-09-07", "--connections", "0"},
      {"fetch", "--date", "2016-09-07", "--connections", "17"},
      {"fetch", "--date", "2016-09-07", "--connections", "4x"},
      {"fetch", "--date", "2016-09-07", "--connections", "99999999999"},
      {"scan", "--date", "2016-09-07", "--connections", "2"},
  };
  ExpectUsageErrors(kCases);
}

TEST(CommandLineTest, PriceFormatsAndInvert) {
  ParsedCommandLine parsed = Parse(
      {"fetch", "--date", "2016-09-07", "--format", "ledger", "--invert"});
  ASSERT_TRUE(parsed.command_line) << parsed.error;
  EXPECT_EQ(parsed.command_line->format, OutputFormat::kLedger);
  EXPECT_TRUE(parsed.command_line->invert);

  parsed = Parse({"scan", "--date", "2016-09-07", "--format=beancount"});
  ASSERT_TRUE(parsed.command_line) << parsed.error;
  EXPECT_EQ(parsed.command_line->format, OutputFormat::kBeancount);
  EXPECT_FALSE(parsed.command_line->invert);
}

TEST(CommandLineTest, CheckWithAndWithoutAPage) {
  ParsedCommandLine parsed = Parse({"check", "--ini", "x.ini"});
  ASSERT_TRUE(parsed.command_line) << parsed.error;
  EXPECT_EQ(parsed.command_line->command, Command::kCheck);
  EXPECT_EQ(parsed.command_line->ini_path, "x.ini");
  EXPECT_TRUE(parsed.command_line->page_path.empty());

  parsed = Parse(
      {"check", "--page", "-", "--date", "2016-09-07", "--preset", "feed"});
  ASSERT_TRUE(parsed.command_line) << parsed.error;
  EXPECT_EQ(parsed.command_line->page_path, "-");
  EXPECT_EQ(parsed.command_line->preset, "feed");
  EXPECT_TRUE(SameDate(parsed.command_line->first_date, {2016, 9, 7}));
}

TEST(CommandLineTest, CheckAndPriceUsageErrors) {
  const std::vector<std::vector<std::string_view>> kCases = {
      {"check", "--page", "p.html"},                    // no date
      {"check", "--date", "2016-09-07"},                // no page
      {"check", "--preset", "feed"},                    // no page
      {"check", "--page", "", "--date", "2016-09-07"},  // empty page
      {"check", "--page", "p", "--date", "2016-09-07", "--preset", ""},
      {"check", "--page", "p", "--date", "2016-02-30"},  // not a day
      {"check", "--format", "table"},                    // not for check
      {"check", "page.html"},                            // no operands
      {"check", "--from", "2016-09-07", "--to", "2016-09-08"},
      {"scan", "--date", "2016-09-07", "--page", "p"},  // check only
      {"fetch", "--date", "2016-09-07", "--invert"},    // no format
      {"fetch", "--date", "2016-09-07", "--format", "csv", "--invert"},
      {"info", "--invert"},
  };
  ExpectUsageErrors(kCases);
}

TEST(CommandLineTest, SourcesAndSourceIds) {
  ParsedCommandLine parsed = Parse({"sources"});
  ASSERT_TRUE(parsed.command_line) << parsed.error;
  EXPECT_EQ(parsed.command_line->command, Command::kSources);
  for (std::vector<std::string_view> args :
       {std::vector<std::string_view>{"info", "--source", "ecb-eurofxref"},
        {"scan", "--source=ecb-eurofxref", "--date", "2016-09-07"},
        {"fetch", "--date", "2016-09-07", "--source", "ecb-eurofxref"},
        {"check", "--source", "ecb-eurofxref"}}) {
    parsed = ParseCommandLine(args);
    ASSERT_TRUE(parsed.command_line) << parsed.error;
    EXPECT_EQ(parsed.command_line->source, "ecb-eurofxref");
    EXPECT_EQ(parsed.command_line->ini_path, "");
  }
  const std::vector<std::vector<std::string_view>> kErrors = {
      {"sources", "--ini", "x.ini"},
      {"sources", "--source", "ecb-eurofxref"},
      {"sources", "extra"},
      {"info", "--source", ""},
      {"info", "--source", "a", "--ini", "x.ini"},  // one or the other
      {"check", "--source", "a", "--source", "b"},
  };
  ExpectUsageErrors(kErrors);
}

}  // namespace
}  // namespace pagerates::cli
