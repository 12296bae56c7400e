#include "config/preset_set.h"

#include "port/ascii.h"
#include "port/port.h"

namespace pagerates {
namespace {}  // namespace

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

void PresetSet::Add(CompiledPreset preset) {
  preset.currency = &currency_;
  presets_.push_back(std::move(preset));
}

}  // namespace pagerates
