// PresetSet: the active presets as the scanner uses them, built from one
// state of the INI file and never changed after.
//
// Every pattern is compiled once per file state, with the group numbers the
// module reads looked up. What is wrong with a preset is kept with it as
// the Diagnostic the scanner reports each time it scans with that preset.
// A set is shared (std::shared_ptr<const PresetSet>): a scan keeps the set
// it started with even when the file changes meanwhile.
//
// A preset goes in as PresetSettings, the values its INI section holds as
// written; PresetSet::Add() applies the rules that turn them into a
// CompiledPreset, so a preset made in code is built as one read from a file.
#ifndef PAGERATES_CONFIG_PRESET_SET_H_
#define PAGERATES_CONFIG_PRESET_SET_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/compiled_pattern.h"
#include "config/diagnostics.h"
#include "config/fixed_point.h"
#include "config/ini_schema.h"
#include "port/heap_string.h"

namespace pagerates {

// The fields a match supplies, by the group names the module reads; any
// other group name is ignored.
enum class Field { kValue1, kValue2, kCode, kName, kDate, kDay, kMonth, kYear };
inline constexpr int kFieldCount = 8;
inline constexpr std::string_view kGroupNames[kFieldCount] = {
    "value1", "value2", "code", "name", "date", "day", "month", "year"};

// Three runs of digits joined by '.', '/' or '-', anywhere in a text: the
// date a `date` capture holds.
inline constexpr char kDatePattern[] = "(\\d+)[./-](\\d+)[./-](\\d+)";

// One Prologue, Epilogue or record pattern.
struct PresetPattern {
  std::string key;   // the INI key it was read from
  std::string text;  // as written
  CompiledPattern compiled;
  std::vector<int> groups[kFieldCount];  // numbers carrying each field's name
  CompiledPattern date_parts;            // set when there is a date group
  bool reads_date = false;          // a date, day, month or year group exists
  std::optional<Diagnostic> error;  // set when `compiled` is null

  // Compiles `text` (the value of `key` in `section`).
  static PresetPattern Compile(std::string_view section, std::string key,
                               std::string text);
  const std::vector<int>& Groups(Field field) const {
    return groups[static_cast<int>(field)];
  }
};

// The group a name carried by `numbers` reads in a match, by PCRE's
// substring rule: the first of them that took part, else the first (which
// then reads as empty). -1 when `numbers` is empty. `took_part(n)` tells
// whether group n took part in the match.
template <typename TookPart>
int ChosenGroup(const std::vector<int>& numbers, TookPart took_part) {
  if (numbers.empty()) return -1;
  if (numbers.size() > 1) [[unlikely]] {
    for (int n : numbers) {
      if (took_part(n)) return n;
    }
  }
  return numbers.front();
}

struct RecordPattern {
  PresetPattern pattern;
  std::string written_code;  // OtherCurrencyCode<n> as written
  HeapString other_code;     // OtherCurrencyCode<n>, already renamed
  HeapString other_name;     // OtherCurrencyName<n>
  int32_t units = 1;         // RecordUnits<n>, else Units: value1 when unset
};

// The module-wide currency rules: the filter and the renaming table.
class CurrencyRules {
 public:
  CurrencyRules() = default;
  // `renames` holds [currency-rename]'s non-empty entries; with
  // `rename_enabled` false nothing is renamed.
  CurrencyRules(std::vector<std::string> filter, bool rename_enabled,
                std::vector<std::pair<std::string, std::string>> renames)
      : filter_(std::move(filter)),
        rename_enabled_(rename_enabled),
        renames_(std::move(renames)) {}

  // True when there is no filter or `code` is listed (ignoring ASCII case).
  bool Passes(std::string_view code) const {
    return filter_.empty() || Listed(code);
  }
  // The code to deliver instead of `code`, or null to keep it.
  const std::string* Replacement(std::string_view code) const {
    return rename_enabled_ && !renames_.empty() ? Find(code) : nullptr;
  }
  HeapString Rename(HeapString code) const;
  bool rename_enabled() const { return rename_enabled_; }

 private:
  bool Listed(std::string_view code) const;
  const std::string* Find(std::string_view code) const;

  std::vector<std::string> filter_;
  bool rename_enabled_ = false;
  std::vector<std::pair<std::string, std::string>> renames_;
};

// Month names a preset's dates may use (MonthNames).
struct MonthNames {
  bool english = false;  // January ... December and Jan ... Dec
  // Twelve more names, January first, in lower case (FoldLetterCase).
  std::vector<std::string> listed;
  bool any() const { return english || !listed.empty(); }
};

// What a `date` capture counts when DateCount is set.
enum class DateCount { kNone, kSeconds, kMilliseconds };

// How a preset reads the text its patterns capture.
struct TextRules {
  char separator = '.';    // DecimalSeparator's first byte
  int extra_decimals = 0;  // ExtraDecimals, 0 to kMaxExtraDecimals
  MonthNames months;       // none: dates are numbers only
  DateCount date_count = DateCount::kNone;
  bool json_escapes = false;  // JsonEscapes: decode captured code and name
};

// `word` in lower case: ASCII, Latin-1 letters and Cyrillic (U+0400 to
// U+042F) folded; other bytes as they are.
std::string FoldLetterCase(std::string_view word);

// The MonthNames a preset gets from the key's text: "English" (any case),
// or twelve comma-separated names (blanks around each dropped), which come
// with the English ones. Anything else gives English names only; an empty
// text gives none. `problem`, when not null, is set to what is wrong with
// a text that is neither.
MonthNames ReadMonthNames(std::string_view text, std::string* problem);

// The DateCount of DateCount's text, "seconds" or "milliseconds" in any
// case; kNone for anything else (`known` says whether the text was one).
DateCount ParseDateCount(std::string_view text, bool* known);

struct CompiledPreset {
  std::string section;
  int code_page = kDefaultCodePage;
  TextRules rules;
  bool requested_date_only = false;                // RequestedDateOnly
  HeapString page_template = HeapString::Empty();  // PageURL
  std::optional<PresetPattern> prologue;  // set when Prologue is not empty
  std::optional<PresetPattern> epilogue;
  // Record, Record1, Record2, ... up to the first one missing.
  std::vector<RecordPattern> records;
  std::optional<Diagnostic> missing_records;  // set when `records` is empty
  const CurrencyRules* currency = nullptr;    // the owning set's
};

// What validating the active presets decided about one listed preset.
// Only a list of two or more is validated: a lone preset is kept whatever
// its home currency.
struct PresetDecision {
  enum class Outcome {
    kKept,
    kNotFound,           // no HomeCurrencyCode: missing, or empty
    kOtherHomeCurrency,  // another home currency than the reference
  };
  std::string section;
  Outcome outcome = Outcome::kKept;
  int index = -1;                  // in the validated list, when kept
  std::string home_currency_code;  // as written
  // For kOtherHomeCurrency: the first listed preset with a home currency,
  // whose code every other one must equal byte for byte.
  std::string reference;
  std::string reference_code;
  std::optional<Diagnostic> message;  // the message a drop shows
};

class PresetSet {
 public:
  explicit PresetSet(CurrencyRules currency) : currency_(std::move(currency)) {}
  PresetSet(const PresetSet&) = delete;
  PresetSet& operator=(const PresetSet&) = delete;

  // Compiles `settings` into the next preset: the separator is the first
  // byte of DecimalSeparator ('.' when empty), an integer out of its
  // declared range is the key's default, an empty Prologue or Epilogue is
  // none, each OtherCurrencyCode is renamed by this set's rules, a record's
  // amount is its RecordUnits, else Units, else 1, and a preset without
  // record patterns keeps the diagnostic that says so. Never fails: a pattern
  // that does not compile keeps its error (see PresetPattern).
  void Add(PresetSettings settings);

  // Preset `i` of the validated list, or null outside it.
  const CompiledPreset* preset(int i) const {
    return i >= 0 && i < static_cast<int>(presets_.size()) ? &presets_[i]
                                                           : nullptr;
  }
  int size() const { return static_cast<int>(presets_.size()); }
  const CurrencyRules& currency() const { return currency_; }

  // The presets validation kept: preset 0 serves the host and 1 up to
  // active() - 1 are downloaded by the module. When it kept none the set
  // may still hold a preset 0 (the slot the module scans the host's page
  // with), so size() can exceed active().
  int active() const { return active_; }
  // One decision per listed preset, in list order.
  const std::vector<PresetDecision>& decisions() const { return decisions_; }
  void SetDecisions(std::vector<PresetDecision> decisions, int active) {
    decisions_ = std::move(decisions);
    active_ = active;
  }

  // Reports, in list order, the message of every preset validation dropped.
  void ReportDecisions(Diagnostics* diagnostics) const;

 private:
  CurrencyRules currency_;
  std::vector<CompiledPreset> presets_;
  std::vector<PresetDecision> decisions_;
  int active_ = 0;
};

// The text of the diagnostic for a preset without record patterns.
HeapString MissingRecordPatternsText(std::string_view section);

}  // namespace pagerates

#endif  // PAGERATES_CONFIG_PRESET_SET_H_
