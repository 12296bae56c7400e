#include "tests/support/preset_builder.h"

#include <gtest/gtest.h>

#include "config/ini_schema.h"
#include "config/plugin_config.h"

namespace pagerates::testing {

PresetBuilder::PresetBuilder(std::string section) {
  settings_.section = std::move(section);
  settings_.code_page = 65001;
}

PresetBuilder& PresetBuilder::Set(std::string_view key,
                                  std::string_view value) {
  EXPECT_TRUE(SetPresetKey(&settings_, key, value))
      << key << " is not a preset key (or needs a Record first)";
  return *this;
}

PresetBuilder& PresetBuilder::CodePage(int code_page) {
  return Set(KeyName(Key::kCodepage), std::to_string(code_page));
}

PresetBuilder& PresetBuilder::Separator(std::string decimal_separator) {
  return Set(KeyName(Key::kDecimalSeparator), decimal_separator);
}

PresetBuilder& PresetBuilder::ExtraDecimals(int value) {
  return Set(KeyName(Key::kExtraDecimals), std::to_string(value));
}

PresetBuilder& PresetBuilder::Prologue(std::string pattern) {
  return Set(KeyName(Key::kPrologue), pattern);
}

PresetBuilder& PresetBuilder::Epilogue(std::string pattern) {
  return Set(KeyName(Key::kEpilogue), pattern);
}

PresetBuilder& PresetBuilder::Record(std::string pattern,
                                     std::string other_code,
                                     std::string other_name) {
  const int n = static_cast<int>(settings_.records.size());
  settings_.records.push_back({IndexedKey(KeyName(Key::kRecord), n, true),
                               std::move(pattern), std::move(other_code),
                               std::move(other_name), ""});
  return *this;
}

PresetBuilder& PresetBuilder::Filter(std::vector<std::string> codes) {
  filter_ = std::move(codes);
  return *this;
}

PresetBuilder& PresetBuilder::Rename(std::string from, std::string to) {
  renames_.emplace_back(std::move(from), std::move(to));
  return *this;
}

std::unique_ptr<const PresetSet> PresetBuilder::Build() const {
  auto set = std::make_unique<PresetSet>(
      CurrencyRules(filter_, !renames_.empty(), renames_));
  set->Add(settings_);
  return set;
}

}  // namespace pagerates::testing
