// PresetBuilder: a preset made in code, for tests of what scans with one.
//
// The builder collects what an INI file would hold for one preset section
// and for [main]'s currency rules, and Build() hands them to PresetSet, so
// the preset is compiled by the same rules as one read from a file. Unlike
// a file, a builder's preset is UTF-8 (Codepage 65001) unless CodePage()
// says otherwise.
#ifndef PAGERATES_TESTS_SUPPORT_PRESET_BUILDER_H_
#define PAGERATES_TESTS_SUPPORT_PRESET_BUILDER_H_

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/preset_set.h"

namespace pagerates::testing {

class PresetBuilder {
 public:
  explicit PresetBuilder(std::string section = "p");

  // Any preset key, written as an INI file writes it; a numbered key
  // (RecordUnits, OtherCurrencyCode, ...) belongs to the last Record().
  // A key the schema does not declare fails the test.
  PresetBuilder& Set(std::string_view key, std::string_view value);

  PresetBuilder& CodePage(int code_page);
  PresetBuilder& Separator(std::string decimal_separator);
  PresetBuilder& ExtraDecimals(int value);
  PresetBuilder& Prologue(std::string pattern);
  PresetBuilder& Epilogue(std::string pattern);
  // The next record pattern (Record, then Record2, Record3, ...) with its
  // OtherCurrencyCode and OtherCurrencyName.
  PresetBuilder& Record(std::string pattern, std::string other_code = "",
                        std::string other_name = "");
  // CurrencyFilter's items.
  PresetBuilder& Filter(std::vector<std::string> codes);
  // One [currency-rename] entry; any entry turns renaming on.
  PresetBuilder& Rename(std::string from, std::string to);

  // A set holding the preset as its preset 0. The builder can build again.
  std::unique_ptr<const PresetSet> Build() const;

 private:
  PresetSettings settings_;
  std::vector<std::string> filter_;
  std::vector<std::pair<std::string, std::string>> renames_;
};

}  // namespace pagerates::testing

#endif  // PAGERATES_TESTS_SUPPORT_PRESET_BUILDER_H_
