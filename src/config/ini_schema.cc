#include "config/ini_schema.h"

#include <algorithm>
#include <climits>
#include <iterator>

#include "port/ascii.h"
#include "port/profile_text.h"

namespace pagerates {
namespace {

using S = PresetSettings;
using R = PresetSettings::Record;
constexpr IniSection kMain = IniSection::kMain;
constexpr IniSection kPreset = IniSection::kPreset;
constexpr int32_t kNoMin = INT32_MIN;
constexpr int32_t kNoMax = INT32_MAX;

}  // namespace

// In the order of enum Key: section, name, type, default as shown, default
// integer, range, numbered, where it goes, meaning.
// clang-format off
constinit const IniKey kIniKeys[24] = {
    {kMain, "ActivePreset", KeyType::kList, "", 0, kNoMin, kNoMax, false, {},
     "the presets in use, as a comma list of section names; the first is the "
     "*primary* preset"},
    {kMain, "CurrencyFilter", KeyType::kList, "", 0, kNoMin, kNoMax, false, {},
     "a comma list of codes; when set, only rates whose code is listed (in "
     "any letter case) are delivered"},
    {kMain, "EnableCurrencyRename", KeyType::kFlag, "0", 0, kNoMin, kNoMax,
     false, {}, "not 0: the codes in `[currency-rename]` are replaced"},
    {kPreset, "Name", KeyType::kText, "", 0, kNoMin, kNoMax, false, &S::name,
     "the name the host shows (primary preset only)"},
    {kPreset, "PageURL", KeyType::kAddress, "", 0, kNoMin, kNoMax, false,
     &S::page_url, "the page's address, with date placeholders (below)"},
    {kPreset, "Server", KeyType::kText, "", 0, kNoMin, kNoMax, false,
     &S::server, "the server, when the primary preset's `PageURL` is a path"},
    {kPreset, "EstimatedPageSize", KeyType::kInteger, "10", 10, kNoMin, kNoMax,
     false, &S::estimated_page_size,
     "handed to the host with every page request (primary preset only)"},
    {kPreset, "HomeCurrencyCode", KeyType::kText, "", 0, kNoMin, kNoMax, false,
     &S::home_currency_code,
     "the currency the rates are in; a preset without one is treated as "
     "missing"},
    {kPreset, "HomeCurrencyName", KeyType::kText, "", 0, kNoMin, kNoMax, false,
     &S::home_currency_name, "its name, for the host (primary preset only)"},
    {kPreset, "Codepage", KeyType::kInteger, "1251", kDefaultCodePage, kNoMin,
     kNoMax, false, &S::code_page,
     "the page's Windows code page: `1251` windows-1251, `1250` "
     "windows-1250, `28592` ISO-8859-2, `65001` UTF-8, ... (see [Code "
     "pages](#code-pages))"},
    {kPreset, "DecimalSeparator", KeyType::kText, ".", 0, kNoMin, kNoMax, false,
     &S::decimal_separator,
     "the character between a number's integer and fraction digits; only the "
     "first character counts"},
    {kPreset, "ExtraDecimals", KeyType::kInteger, "0", 0, 0, kMaxExtraDecimals,
     false, &S::extra_decimals,
     "0 to 6: keep this many decimals past the fourth, scaling both values of "
     "every record by 10^k (see [Numbers](#numbers))"},
    {kPreset, "Units", KeyType::kInteger, "1", 0, 1, kMaxUnits, false,
     &S::units,
     "1 to 100000000: the amount every rate is for when its pattern has no "
     "`value1` group (see [Fixed amounts](#fixed-amounts-units-and-recordunits))"},
    {kPreset, "MonthNames", KeyType::kText, "", 0, kNoMin, kNoMax, false,
     &S::month_names,
     "`English`, or twelve comma-separated month names: dates may write the "
     "month as a word (see [Dates](#dates))"},
    {kPreset, "DateCount", KeyType::kText, "", 0, kNoMin, kNoMax, false,
     &S::date_count,
     "`seconds` or `milliseconds`: a `date` capture is a count since "
     "1970-01-01 UTC (see [Dates](#dates))"},
    {kPreset, "RequestedDateOnly", KeyType::kFlag, "0", 0, kNoMin, kNoMax,
     false, &S::requested_date_only,
     "not 0: only records dated the day asked for are delivered (pages that "
     "hold several days)"},
    {kPreset, "JsonEscapes", KeyType::kFlag, "0", 0, kNoMin, kNoMax, false,
     &S::json_escapes,
     "not 0: `\\uXXXX` and the other JSON escapes in a captured `code` or "
     "`name` are decoded"},
    {kPreset, "History", KeyType::kText, "", 0, kNoMin, kNoMax, false,
     &S::history,
     "which days the source serves, for `pagerates sources`; the module does "
     "not read it"},
    {kPreset, "Prologue", KeyType::kPattern, "", 0, kNoMin, kNoMax, false,
     &S::prologue, "a pattern; records are searched for after its match"},
    {kPreset, "Epilogue", KeyType::kPattern, "", 0, kNoMin, kNoMax, false,
     &S::epilogue, "a pattern; no search for records starts after its match"},
    {kPreset, "Record", KeyType::kPattern, "", 0, kNoMin, kNoMax, true,
     &R::text,
     "the record patterns; the first may also be written `Record1`"},
    {kPreset, "OtherCurrencyCode", KeyType::kText, "", 0, kNoMin, kNoMax, true,
     &R::other_code,
     "the code for the record pattern of the same number when it captures no "
     "`code`"},
    {kPreset, "OtherCurrencyName", KeyType::kText, "", 0, kNoMin, kNoMax, true,
     &R::other_name,
     "the name likewise, when it captures no `name`"},
    {kPreset, "RecordUnits", KeyType::kInteger, "`Units`", 0, 1, kMaxUnits,
     true, &R::units,
     "the amount for the record pattern of the same number when it captures "
     "no `value1`, in place of `Units`"},
};
// clang-format on

static_assert(std::size(kIniKeys) ==
              static_cast<size_t>(Key::kRecordUnits) + 1);

const IniKey* FindKey(IniSection section, std::string_view name) {
  for (const IniKey& key : kIniKeys) {
    if (key.section != section) continue;
    if (EqualsIgnoringAsciiCase(key.name, name)) return &key;
    if (!key.numbered || name.size() <= key.name.size()) continue;
    if (!EqualsIgnoringAsciiCase(key.name, name.substr(0, key.name.size())))
      continue;
    std::string_view number = name.substr(key.name.size());
    if (number[0] != '0' &&
        std::all_of(number.begin(), number.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
      return &key;
    }
  }
  return nullptr;
}

namespace {

size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      const bool same = AsciiLower(a[i - 1]) == AsciiLower(b[j - 1]);
      row[j] =
          std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string NearestKey(IniSection section, std::string_view name) {
  // A numbered key is compared without its number.
  std::string_view base = name;
  while (!base.empty() && base.back() >= '0' && base.back() <= '9')
    base.remove_suffix(1);
  const IniKey* best = nullptr;
  size_t best_distance = 0;
  for (const IniKey& key : kIniKeys) {
    if (key.section != section) continue;
    size_t distance = EditDistance(key.numbered ? base : name, key.name);
    if (best == nullptr || distance < best_distance) {
      best = &key;
      best_distance = distance;
    }
  }
  if (best == nullptr) return {};
  std::string nearest(best->name);
  if (best->numbered && base.size() < name.size()) {
    nearest += name.substr(base.size());
  }
  return nearest;
}

int32_t UsableInt(const IniKey& key, int32_t value) {
  return value >= key.min && value <= key.max ? value : key.default_int;
}

bool SetPresetKey(PresetSettings* settings, std::string_view name,
                  std::string_view text) {
  const IniKey* key = FindKey(IniSection::kPreset, name);
  if (key == nullptr) return false;
  if (const TextSlot* text_slot = std::get_if<TextSlot>(&key->slot)) {
    settings->*(*text_slot) = std::string(text);
  } else if (const IntSlot* int_slot = std::get_if<IntSlot>(&key->slot)) {
    settings->*(*int_slot) =
        text.empty() ? key->default_int : port::ProfileText::ParseInt(text);
  } else if (const RecordSlot* record_slot =
                 std::get_if<RecordSlot>(&key->slot)) {
    if (settings->records.empty()) return false;
    settings->records.back().*(*record_slot) = std::string(text);
  } else {
    return false;
  }
  return true;
}

std::vector<std::string> KeyTableRows(IniSection section) {
  std::vector<std::string> rows;
  for (const IniKey& key : kIniKeys) {
    if (key.section != section) continue;
    std::string name = "`" + std::string(key.name) + "`";
    if (key.numbered) {
      name += ", `" + std::string(key.name) + "2`, ...";
    }
    std::string fallback = key.default_text.empty() ? std::string("empty")
                           : key.default_text.front() == '`'
                               ? std::string(key.default_text)
                               : "`" + std::string(key.default_text) + "`";
    rows.push_back("| " + name + " | " + fallback + " | " +
                   std::string(key.description) + " |");
  }
  return rows;
}

}  // namespace pagerates
