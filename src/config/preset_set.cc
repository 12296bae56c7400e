#include "config/preset_set.h"

#include <algorithm>
#include <tuple>

#include "port/ascii.h"
#include "port/port.h"
#include "port/profile_text.h"

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

namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

}  // namespace

std::string FoldLetterCase(std::string_view word) {
  std::string out;
  out.reserve(word.size());
  for (size_t i = 0; i < word.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(word[i]);
    if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c + 32);
      continue;
    }
    if (i + 1 < word.size()) {
      const unsigned char next = static_cast<unsigned char>(word[i + 1]);
      if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
        out += static_cast<char>(c);  // U+00C0..U+00DE
        out += static_cast<char>(next + 0x20);
        ++i;
        continue;
      }
      if (c == 0xD0 && next >= 0x90 && next <= 0x9F) {  // А..П
        out += static_cast<char>(0xD0);
        out += static_cast<char>(next + 0x20);
        ++i;
        continue;
      }
      if (c == 0xD0 && next >= 0xA0 && next <= 0xAF) {  // Р..Я
        out += static_cast<char>(0xD1);
        out += static_cast<char>(next - 0x20);
        ++i;
        continue;
      }
      if (c == 0xD0 && next >= 0x80 && next <= 0x8F) {  // Ѐ..Џ
        out += static_cast<char>(0xD1);
        out += static_cast<char>(next + 0x10);
        ++i;
        continue;
      }
    }
    out += static_cast<char>(c);
  }
  return out;
}

MonthNames ReadMonthNames(std::string_view text, std::string* problem) {
  MonthNames months;
  if (text.empty()) return months;
  months.english = true;
  if (EqualsIgnoringAsciiCase(TrimBlanks(text), "English")) return months;
  std::vector<std::string> names;
  for (std::string_view item = text;;) {
    const size_t comma = item.find(',');
    names.emplace_back(TrimBlanks(item.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    item.remove_prefix(comma + 1);
  }
  const bool twelve =
      names.size() == 12 &&
      std::none_of(names.begin(), names.end(),
                   [](const std::string& name) { return name.empty(); });
  if (twelve) {
    for (std::string& name : names) name = FoldLetterCase(name);
    months.listed = std::move(names);
  } else if (problem != nullptr) {
    *problem = "lists " + std::to_string(names.size()) +
               " names: write English, or twelve names separated by commas, "
               "January first";
  }
  return months;
}

DateCount ParseDateCount(std::string_view text, bool* known) {
  DateCount count = DateCount::kNone;
  text = TrimBlanks(text);
  if (EqualsIgnoringAsciiCase(text, "seconds")) count = DateCount::kSeconds;
  if (EqualsIgnoringAsciiCase(text, "milliseconds"))
    count = DateCount::kMilliseconds;
  if (known != nullptr) *known = text.empty() || count != DateCount::kNone;
  return count;
}

void PresetSet::Add(PresetSettings settings) {
  CompiledPreset preset;
  preset.section = std::move(settings.section);
  const std::string& section = preset.section;
  preset.code_page = settings.code_page;
  TextRules& rules = preset.rules;
  rules.separator =
      settings.decimal_separator.empty() ? '.' : settings.decimal_separator[0];
  rules.extra_decimals =
      UsableInt(Declared(Key::kExtraDecimals), settings.extra_decimals);
  rules.months = ReadMonthNames(settings.month_names, nullptr);
  rules.date_count = ParseDateCount(settings.date_count, nullptr);
  rules.json_escapes = settings.json_escapes != 0;
  preset.requested_date_only = settings.requested_date_only != 0;
  // Units out of its range counts as not set: 1.
  const int32_t preset_units =
      std::max(1, UsableInt(Declared(Key::kUnits), settings.units));
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
                      record.other_code,
                      currency_.Rename(HeapString::Copy(record.other_code)),
                      HeapString::Copy(record.other_name), preset_units});
    if (!record.units.empty()) {
      preset.records.back().units =
          UsableInt(Declared(Key::kRecordUnits),
                    port::ProfileText::ParseInt(record.units));
      if (preset.records.back().units == 0)
        preset.records.back().units = preset_units;
    }
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

void PresetSet::ReportDecisions(Diagnostics* diagnostics) const {
  for (const PresetDecision& decision : decisions_) {
    if (decision.message) diagnostics->Report(*decision.message);
  }
}

}  // namespace pagerates
