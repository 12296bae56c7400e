// Pages and presets built to hurt: each must end with a sane result, no
// crash, nothing leaked (the sanitizer build runs these too).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/plugin_config.h"
#include "parse/page_scanner.h"
#include "tests/support/counting_sink.h"
#include "tests/support/preset_builder.h"
#include "tests/support/test_support.h"

namespace pagerates {
namespace {

using testing::CountingSink;
using testing::Date;
using testing::PresetBuilder;
using testing::TakeMessageBoxes;

class HostileInputTest : public ::testing::Test {
 protected:
  void SetUp() override { TakeMessageBoxes(); }
  size_t Scan(const PresetBuilder& preset, const std::string& page,
              CountingSink* sink = nullptr) {
    std::unique_ptr<const PresetSet> set = preset.Build();
    return ScanWith(*set->preset(0), page, sink);
  }
  // The same with preset 0 of the INI file `ini`, for what the reader does.
  size_t ScanIni(const std::string& ini, const std::string& page) {
    PluginConfig config;
    config.Load(dir_.Write("pagerates.ini", ini), testing::BoxLog());
    return ScanWith(*config.presets()->preset(0), page, nullptr);
  }
  testing::TempDir dir_;

 private:
  static size_t ScanWith(const CompiledPreset& preset, const std::string& page,
                         CountingSink* sink) {
    CountingSink local;
    CountingSink* s = sink != nullptr ? sink : &local;
    ScanPage(preset, page.c_str(), Date(2016, 9, 8), s, testing::BoxLog(),
             nullptr);
    return static_cast<size_t>(s->count);
  }
};

TEST_F(HostileInputTest, CatastrophicBacktrackingEndsAtTheMatchLimit) {
  std::string page(1 << 20, 'a');
  page += "!USD";
  // The first pattern gives up (no match); the scan goes on with the next.
  EXPECT_EQ(Scan(PresetBuilder().Record("(a+)+b").Record("(?<code>USD)"), page),
            1u);
}

TEST_F(HostileInputTest, DeepRecursionDoesNotExhaustTheStack) {
  // A million repetitions of a group: deeper than any stack we allow. The
  // match may fail, but it must fail cleanly and the scan go on.
  std::string page(1 << 20, 'a');
  page += "!Z";
  CountingSink sink;
  Scan(
      PresetBuilder().Record("(?:a|b)*c").Record("^(a)*!").Record("(?<code>Z)"),
      page, &sink);
  EXPECT_EQ(sink.last_code, "Z");
}

TEST_F(HostileInputTest, ManyPatterns) {
  PresetBuilder preset;
  for (int i = 0; i < 1000; ++i) {
    preset.Record("(?<code>X" + std::to_string(i) + ")\\b");
  }
  std::string page;
  for (int i = 0; i < 1000; i += 7) page += "X" + std::to_string(i) + " ";
  EXPECT_EQ(Scan(preset, page), 143u);
}

TEST_F(HostileInputTest, LongValuesInTheIniFile) {
  const std::string head = "[main]\nActivePreset=p\n[p]\nCodepage=65001\n";
  // A 600-byte pattern is cut at 511 bytes: an unclosed group, reported.
  std::string long_pattern = "(" + std::string(599, 'a');
  EXPECT_EQ(ScanIni(head + "Record=" + long_pattern + "\n", "aaa"), 0u);
  EXPECT_EQ(TakeMessageBoxes().size(), 1u);
  // A 2 MB line in the file is read like any other.
  EXPECT_EQ(ScanIni(head + "Junk=" + std::string(2 << 20, 'j') + "\nRecord=a\n",
                    "aa"),
            2u);
}

// A number past the fixed-point range, or one with an exponent, or a date
// part that cannot be one, would be delivered as another number or day:
// such a match makes no record. Each trap has a control that reads right.
TEST_F(HostileInputTest, UnreadableNumbersAndDatePartsMakeNoRecord) {
  struct Case {
    const char* pattern;
    const char* page;
    int extra_decimals;
    int64_t records;
  };
  const Case cases[] = {
      {"(?<value2>\\d+)", "123456789012345678901234567890", 0, 0},
      {"(?<value2>\\d+)", "1000000000000000", 0, 0},
      {"(?<value2>\\d+)", "922337203685477", 0, 1},  // the largest that fits
      {"(?<value2>\\d+)", "1000000000", 6, 0},
      {"(?<value2>\\d+)", "922337203", 6, 1},
      {"(?<value2>[\\d.e-]+)", "8.7068e-4", 0, 0},
      {"(?<value2>[\\d.]+)", "8.7068", 0, 1},
      {"(?<day>\\d+)/(?<month>\\d+)/(?<year>\\d+)", "300/1/2016", 0, 0},
      {"(?<day>\\d+)/(?<month>\\d+)/(?<year>\\d+)", "30/13/2016", 0, 0},
      {"(?<day>\\d+)/(?<month>\\d+)/(?<year>\\d+)", "30/1/70000", 0, 0},
      {"(?<day>\\d+)/(?<month>\\d+)/(?<year>\\d+)", "31/12/99", 0, 1},
  };
  for (const Case& c : cases) {
    CountingSink sink;
    Scan(PresetBuilder().ExtraDecimals(c.extra_decimals).Record(c.pattern),
         c.page, &sink);
    EXPECT_EQ(sink.count, c.records) << c.page;
  }
}

TEST_F(HostileInputTest, DateGroupOnGarbage) {
  CountingSink sink;
  std::string garbage;
  for (int i = 1; i < 256; ++i) garbage += static_cast<char>(i);
  EXPECT_EQ(Scan(PresetBuilder().Record("(?<date>.{1,40})"), garbage, &sink),
            7u);
}

TEST_F(HostileInputTest, LargePagesAndManyMatches) {
  // 50 MB without a match.
  EXPECT_EQ(Scan(PresetBuilder().CodePage(1251).Record("(?<code>NEVER)"),
                 std::string(50 << 20, 'x')),
            0u);
  // A million matches.
  std::string page;
  page.reserve(4 << 20);
  for (int i = 0; i < 1000000; ++i) page += "A1;";
  EXPECT_EQ(Scan(PresetBuilder().Record("A(?<value1>\\d);"), page), 1000000u);
}

TEST_F(HostileInputTest, EveryByteInEveryCodePage) {
  std::string page;
  for (int i = 1; i < 256; ++i) page += static_cast<char>(i);
  for (int code_page :
       {65001, 1250,  1251, 1252, 1253, 1254,  1255,  1256,  1257,
        1258,  437,   850,  866,  874,  20866, 21866, 28591, 28592,
        28595, 28605, 932,  936,  949,  950,   54936, 65000, 12345}) {
    CountingSink sink;
    EXPECT_EQ(Scan(PresetBuilder().CodePage(code_page).Record("(?<name>.+)"),
                   page, &sink),
              1u)
        << code_page;
  }
}

TEST_F(HostileInputTest, InvalidUtf8IsScannedAsBytes) {
  EXPECT_EQ(Scan(PresetBuilder().Record("(?<code>\\xC3)"), "\xC3\x28\xFF\xC3"),
            2u);
}

}  // namespace
}  // namespace pagerates

namespace pagerates {
namespace {

// INI files that are not what they should be read as files with no keys:
// no crash, no message, empty strings and defaults.
TEST_F(HostileInputTest, IniFilesThatAreNotIniFiles) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  std::string dir = dir_.path().string();
  std::string fifo = dir + "/fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directory(dir + "/folder.ini");
  for (const std::string& path :
       {dir + "/missing.ini", dir_.Write("empty.ini", ""),
        dir_.Write("garbage.ini", garbage), dir + "/folder.ini", fifo,
        dir_.Write("file", "") + "/below-a-file.ini"}) {
    PluginConfig config;
    config.Load(path, testing::BoxLog());
    config.Refresh(testing::BoxLog());
    EXPECT_EQ(config.name().view(), "") << path;
    EXPECT_EQ(config.presets()->size(), 0) << path;
    EXPECT_EQ(config.estimated_page_size(), 10u) << path;
  }
  EXPECT_TRUE(TakeMessageBoxes().empty());
}

TEST_F(HostileInputTest, PageEndsAtItsFirstNul) {
  std::string page = std::string("USD") + '\0' + "EUR";
  EXPECT_EQ(Scan(PresetBuilder().Record("(?<code>[A-Z]{3})"), page), 1u);
}

}  // namespace
}  // namespace pagerates
