#include "config/preset_set.h"

#include <tuple>

#include "port/ascii.h"
#include "port/port.h"

namespace pagerates {

PresetPattern PresetPattern::Compile(std::string_view section, std::string key,
                                     std::string text) {
  PresetPattern out;
  out.compiled = CompiledPattern(text.c_str());
  if (out.compiled.null()) {
    HeapString message =
        port::Format("%s at:\n%s", out.compiled.error().c_str(), text.c_str());
    out.error =
        Diagnostic{Diagnostic::Kind::kPatternError, std::string(section), key,
                   kRegexErrorTitle, std::string(message.view())};
  }
  for (int f = 0; f < kFieldCount; ++f) {
    out.groups[f] = out.compiled.GroupNumbers(kGroupNames[f]);
  }
  for (Field f : {Field::kDate, Field::kDay, Field::kMonth, Field::kYear}) {
    out.reads_date = out.reads_date || !out.Groups(f).empty();
  }
  if (!out.Groups(Field::kDate).empty()) {
    out.date_parts = CompiledPattern(kDatePattern);
  }
  out.key = std::move(key);
  out.text = std::move(text);
  return out;
}

bool CurrencyRules::Listed(std::string_view code) const {
  for (const std::string& item : filter_) {
    if (EqualsIgnoringAsciiCase(item, code)) return true;
  }
  return false;
}

const std::string* CurrencyRules::Find(std::string_view code) const {
  for (const auto& [from, to] : renames_) {
    if (port::SameProfileName(from, code)) return &to;
  }
  return nullptr;
}

HeapString CurrencyRules::Rename(HeapString code) const {
  const std::string* replacement = Replacement(code.view());
  return replacement != nullptr ? HeapString::Copy(*replacement)
                                : std::move(code);
}

HeapString MissingRecordPatternsText(std::string_view section) {
  return port::Format("Missing record patterns for preset [%s]",
                      std::string(section).c_str());
}

void PresetSet::Add(PresetSettings settings) {
  CompiledPreset preset;
  preset.section = std::move(settings.section);
  const std::string& section = preset.section;
  preset.code_page = settings.code_page;
  preset.separator =
      settings.decimal_separator.empty() ? '.' : settings.decimal_separator[0];
  preset.extra_decimals = UsableExtraDecimals(settings.extra_decimals);
  preset.page_template = HeapString::Copy(settings.page_url);
  for (auto [key, text, slot] :
       {std::tuple{"Prologue", &settings.prologue, &preset.prologue},
        std::tuple{"Epilogue", &settings.epilogue, &preset.epilogue}}) {
    if (!text->empty()) {
      *slot = PresetPattern::Compile(section, key, std::move(*text));
    }
  }
  for (PresetSettings::Record& record : settings.records) {
    preset.records.push_back(
        RecordPattern{PresetPattern::Compile(section, std::move(record.key),
                                             std::move(record.text)),
                      currency_.Rename(HeapString::Copy(record.other_code)),
                      HeapString::Copy(record.other_name)});
  }
  if (preset.records.empty()) {
    preset.missing_records =
        Diagnostic{Diagnostic::Kind::kMissingRecordPatterns, section, "Record",
                   kConfigErrorTitle,
                   std::string(MissingRecordPatternsText(section).view())};
  }
  preset.currency = &currency_;
  presets_.push_back(std::move(preset));
}

}  // namespace pagerates
