#include "tests/support/preset_builder.h"

#include "config/plugin_config.h"

namespace pagerates::testing {

PresetBuilder::PresetBuilder(std::string section) {
  settings_.section = std::move(section);
  settings_.code_page = 65001;
}

PresetBuilder& PresetBuilder::CodePage(int code_page) {
  settings_.code_page = code_page;
  return *this;
}

PresetBuilder& PresetBuilder::Separator(std::string decimal_separator) {
  settings_.decimal_separator = std::move(decimal_separator);
  return *this;
}

PresetBuilder& PresetBuilder::ExtraDecimals(int value) {
  settings_.extra_decimals = value;
  return *this;
}

PresetBuilder& PresetBuilder::Prologue(std::string pattern) {
  settings_.prologue = std::move(pattern);
  return *this;
}

PresetBuilder& PresetBuilder::Epilogue(std::string pattern) {
  settings_.epilogue = std::move(pattern);
  return *this;
}

PresetBuilder& PresetBuilder::Record(std::string pattern,
                                     std::string other_code,
                                     std::string other_name) {
  const int n = static_cast<int>(settings_.records.size());
  settings_.records.push_back({IndexedKey("Record", n, true),
                               std::move(pattern), std::move(other_code),
                               std::move(other_name)});
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
