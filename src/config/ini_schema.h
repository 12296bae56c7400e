// The keys of pagerates.ini, each declared once.
//
// Every key the module reads is an IniKey in kIniKeys: its section, name,
// type, default, the range of an integer, whether it is numbered (Record,
// Record2, ...) and what it means. The configuration reader, the settings a
// preset section holds (PresetSettings), the test preset builder and
// `pagerates check` all take their keys from this table, and a test
// compares it with the key tables of docs/presets.md. The keys of
// [currency-rename] are currency codes, not schema keys.
//
// Everything here is constant data; safe from any thread.
#ifndef PAGERATES_CONFIG_INI_SCHEMA_H_
#define PAGERATES_CONFIG_INI_SCHEMA_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "config/fixed_point.h"

namespace pagerates {

inline constexpr char kMainSection[] = "main";
inline constexpr char kRenameSection[] = "currency-rename";

// The code page of a preset that names none.
inline constexpr int kDefaultCodePage = 1251;

// One preset's values as its INI section holds them, nothing checked or
// compiled yet. Integers are read the INI reader's way (an optional sign
// and leading digits; the default when the key is missing or empty).
struct PresetSettings {
  struct Record {
    std::string key;         // Record, Record1, Record2, ...
    std::string text;        // the pattern
    std::string other_code;  // OtherCurrencyCode<n>, before renaming
    std::string other_name;  // OtherCurrencyName<n>
    std::string units;       // RecordUnits<n>, as written
  };
  std::string section;
  std::string name;                      // Name
  std::string page_url;                  // PageURL
  std::string server;                    // Server
  int32_t estimated_page_size = 10;      // EstimatedPageSize
  std::string home_currency_code;        // HomeCurrencyCode
  std::string home_currency_name;        // HomeCurrencyName
  int32_t code_page = kDefaultCodePage;  // Codepage
  std::string decimal_separator;         // DecimalSeparator
  int32_t extra_decimals = 0;            // ExtraDecimals
  int32_t units = 0;                     // Units; 0: not set
  std::string month_names;               // MonthNames
  std::string date_count;                // DateCount
  int32_t requested_date_only = 0;       // RequestedDateOnly
  int32_t json_escapes = 0;              // JsonEscapes
  std::string history;                   // History (for tools only)
  std::string prologue;                  // empty when there is none
  std::string epilogue;
  std::vector<Record> records;  // in key order; none of them empty
};

enum class IniSection { kMain, kPreset };

enum class KeyType {
  kText,
  kInteger,  // the INI reader's integer; `min`..`max` are used
  kFlag,     // an integer: 0 off, anything else on
  kList,     // comma list, items not trimmed
  kAddress,  // an address template
  kPattern,  // a PCRE pattern
};

// Where a preset key's value goes in PresetSettings.
using TextSlot = std::string PresetSettings::*;
using IntSlot = int32_t PresetSettings::*;
using RecordSlot = std::string PresetSettings::Record::*;
using KeySlot = std::variant<std::monostate, TextSlot, IntSlot, RecordSlot>;

struct IniKey {
  IniSection section;
  std::string_view name;
  KeyType type;
  std::string_view default_text;  // as docs/presets.md shows it; "" = empty
  int32_t default_int;            // integers and flags
  int32_t min;                    // integers: the values the module uses;
  int32_t max;                    // others read as the default
  bool numbered;                  // entry n is read by ReadIndexed(n)
  KeySlot slot;                   // preset keys only
  std::string_view description;   // one line, for docs/presets.md
};

// The keys in the order docs/presets.md lists them.
enum class Key {
  kActivePreset,
  kCurrencyFilter,
  kEnableCurrencyRename,
  kName,
  kPageUrl,
  kServer,
  kEstimatedPageSize,
  kHomeCurrencyCode,
  kHomeCurrencyName,
  kCodepage,
  kDecimalSeparator,
  kExtraDecimals,
  kUnits,
  kMonthNames,
  kDateCount,
  kRequestedDateOnly,
  kJsonEscapes,
  kHistory,
  kPrologue,
  kEpilogue,
  kRecord,
  kOtherCurrencyCode,
  kOtherCurrencyName,
  kRecordUnits,
};

// The largest fixed amount (Units, RecordUnits): scaled by 10^(4 + 6) it
// still fits a signed 64-bit value.
inline constexpr int32_t kMaxUnits = 100000000;

extern const IniKey kIniKeys[24];

inline const IniKey& Declared(Key key) {
  return kIniKeys[static_cast<int>(key)];
}
inline std::string_view KeyName(Key key) { return Declared(key).name; }

// The declaration `name` stands for in `section`, ignoring ASCII case: a
// key of the table, or a numbered key's form with a number (Record2,
// OtherCurrencyCode1). Null for a key the module does not read.
const IniKey* FindKey(IniSection section, std::string_view name);

// The known key nearest to `name` in `section` by edit distance, ignoring
// case (numbered keys by their base name); empty when the table has none.
std::string NearestKey(IniSection section, std::string_view name);

// An integer as the module uses it: `value` when the key has no range or
// `value` is in it, the key's default otherwise.
int32_t UsableInt(const IniKey& key, int32_t value);

// Sets the key `name` of `settings` from its text as an INI file writes it
// (integers parsed as the reader parses them). A numbered key sets the
// last record of `settings`, which must have one. False for a key that is
// not a preset key.
bool SetPresetKey(PresetSettings* settings, std::string_view name,
                  std::string_view text);

// The rows of docs/presets.md's key table for `section`, one per key:
// "| `Name` | default | description |".
std::vector<std::string> KeyTableRows(IniSection section);

}  // namespace pagerates

#endif  // PAGERATES_CONFIG_INI_SCHEMA_H_
