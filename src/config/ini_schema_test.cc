#include "config/ini_schema.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pagerates {
namespace {

// The rows of the Markdown table that follows `heading` in `text`.
std::vector<std::string> TableAfter(const std::string& text,
                                    const std::string& heading) {
  std::vector<std::string> rows;
  size_t at = text.find("\n" + heading + "\n");
  if (at == std::string::npos) return rows;
  std::istringstream lines(text.substr(at + heading.size() + 2));
  std::string line;
  bool in_table = false;
  while (std::getline(lines, line)) {
    if (line.starts_with("| `")) {
      rows.push_back(line);
      in_table = true;
    } else if (in_table && !line.starts_with("|")) {
      break;
    }
  }
  return rows;
}

// docs/presets.md lists every key as the module declares it: its
// default and its meaning. When a key changes, paste the rows printed
// here.
TEST(IniSchemaTest, DocsTablesAreTheDeclaredKeys) {
  std::ifstream file(std::string(PAGERATES_SOURCE_DIR) + "/docs/presets.md");
  ASSERT_TRUE(file) << "docs/presets.md";
  std::stringstream text;
  text << file.rdbuf();
  for (auto [heading, section] :
       {std::pair{"## `[main]`", IniSection::kMain},
        std::pair{"## A preset's section", IniSection::kPreset}}) {
    std::vector<std::string> expected = KeyTableRows(section);
    std::string all;
    for (const std::string& row : expected) all += row + "\n";
    EXPECT_EQ(TableAfter(text.str(), heading), expected)
        << "the table after " << heading << " should be:\n"
        << all;
  }
}

TEST(IniSchemaTest, FindsKeysInAnyCaseAndNumberedKeysWithTheirNumbers) {
  struct Case {
    IniSection section;
    const char* name;
    const char* found;  // null: not a key
  };
  const Case kCases[] = {
      {IniSection::kPreset, "decimalseparator", "DecimalSeparator"},
      {IniSection::kPreset, "Record", "Record"},
      {IniSection::kPreset, "Record12", "Record"},
      {IniSection::kPreset, "otherCurrencyCode2", "OtherCurrencyCode"},
      {IniSection::kPreset, "RecordUnits3", "RecordUnits"},
      {IniSection::kPreset, "Units", "Units"},
      {IniSection::kPreset, "Units2", nullptr},  // not numbered
      {IniSection::kPreset, "Record02", nullptr},
      {IniSection::kPreset, "Record2x", nullptr},
      {IniSection::kPreset, "ActivePreset", nullptr},  // a [main] key
      {IniSection::kMain, "activepreset", "ActivePreset"},
      {IniSection::kMain, "Codepage", nullptr},
  };
  for (const Case& c : kCases) {
    const IniKey* key = FindKey(c.section, c.name);
    if (c.found == nullptr) {
      EXPECT_EQ(key, nullptr) << c.name;
    } else {
      ASSERT_NE(key, nullptr) << c.name;
      EXPECT_EQ(key->name, c.found);
    }
  }
}

TEST(IniSchemaTest, NearestKeyKeepsTheNumber) {
  EXPECT_EQ(NearestKey(IniSection::kPreset, "DecimalSeperator"),
            "DecimalSeparator");
  EXPECT_EQ(NearestKey(IniSection::kPreset, "Recrod2"), "Record2");
  EXPECT_EQ(NearestKey(IniSection::kPreset, "homecurrency"),
            "HomeCurrencyCode");
  EXPECT_EQ(NearestKey(IniSection::kMain, "ActivePresets"), "ActivePreset");
}

TEST(IniSchemaTest, SetPresetKeyReadsTextAsTheFileReaderDoes) {
  PresetSettings settings;
  EXPECT_TRUE(SetPresetKey(&settings, "codepage", "65001"));
  EXPECT_TRUE(SetPresetKey(&settings, "ExtraDecimals", " 3"));
  EXPECT_TRUE(SetPresetKey(&settings, "Units", ""));  // empty: the default
  EXPECT_TRUE(SetPresetKey(&settings, "MonthNames", "English"));
  EXPECT_FALSE(SetPresetKey(&settings, "RecordUnits", "100"));  // no record
  settings.records.emplace_back();
  EXPECT_TRUE(SetPresetKey(&settings, "RecordUnits2", "100"));
  EXPECT_FALSE(SetPresetKey(&settings, "NoSuchKey", "1"));
  EXPECT_EQ(settings.code_page, 65001);
  EXPECT_EQ(settings.extra_decimals, 3);
  EXPECT_EQ(settings.units, Declared(Key::kUnits).default_int);
  EXPECT_EQ(settings.month_names, "English");
  EXPECT_EQ(settings.records.back().units, "100");
}

}  // namespace
}  // namespace pagerates
