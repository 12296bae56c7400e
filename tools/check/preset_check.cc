#include "check/preset_check.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>

#include "check/charsets.h"
#include "check/pattern_check.h"
#include "check/placeholder_check.h"
#include "config/address_template.h"
#include "config/compiled_pattern.h"
#include "config/fixed_point.h"
#include "config/ini_schema.h"
#include "config/preset_set.h"
#include "output/record_format.h"
#include "port/ascii.h"
#include "port/port.h"
#include "port/profile_text.h"

namespace pagerates::cli {
namespace {

std::string RecordKey(int n, bool unnumbered_first) {
  return IndexedKey("Record", n, unnumbered_first);
}

// scheme "://" and a server name before any '/', '?' or '#'.
bool IsCompleteAddress(std::string_view address) {
  size_t colon = address.find("://");
  if (colon == std::string_view::npos || colon == 0 ||
      !IsAsciiLetter(address[0])) {
    return false;
  }
  for (char c : address.substr(0, colon)) {
    bool ok = IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' ||
              c == '-' || c == '.';
    if (!ok) return false;
  }
  std::string_view rest = address.substr(colon + 3);
  return !rest.empty() && rest.find_first_of("/?#") != 0;
}

struct ListedPreset {
  std::string section;
  const PresetDecision* decision = nullptr;
  bool kept = false;     // survived the module's validation
  bool primary = false;  // served through the host
  int index = -1;        // in the validated list, when kept
};

// The INI file's text as the reader parses it, or an empty one.
port::ProfileText ReadProfileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)),
                    std::istreambuf_iterator<char>());
  return port::ProfileText(bytes);
}

class Checker {
 public:
  explicit Checker(const PluginConfig& config)
      : config_(config), text_(ReadProfileText(config.ini_path())) {}

  std::vector<Finding> Run() {
    std::vector<ListedPreset> presets = ListPresets();
    CheckMain(presets);
    const bool several = presets.size() > 1;
    for (const ListedPreset& preset : presets) CheckPreset(preset, several);
    return std::move(findings_);
  }

 private:
  std::string Read(std::string_view section, std::string_view key) const {
    return std::string(config_.ReadString(section, key).view());
  }

  void Add(std::string_view section, std::string key, std::string message,
           std::vector<std::string> details = {}) {
    AddFinding(&findings_, section, std::move(key), std::move(message),
               std::move(details));
  }

  // The listed presets with what the module's validation decided.
  std::vector<ListedPreset> ListPresets() const {
    std::vector<ListedPreset> presets;
    for (const PresetDecision& decision : config_.presets()->decisions()) {
      ListedPreset preset;
      preset.section = decision.section;
      preset.decision = &decision;
      preset.kept = decision.outcome == PresetDecision::Outcome::kKept;
      preset.index = decision.index;
      // A dropped preset: its role is the one its place in the list gives.
      preset.primary = preset.kept ? preset.index == 0 : presets.empty();
      presets.push_back(std::move(preset));
    }
    return presets;
  }

  // Every key of `section` the module does not read, with the nearest one
  // it does.
  void CheckKeyNames(const std::string& section, IniSection kind) {
    for (const std::string& key : config_.KeyNames(section)) {
      if (FindKey(kind, key) != nullptr) continue;
      std::string nearest = NearestKey(kind, key);
      Add(section, key,
          "not a key the module reads" +
              (nearest.empty() ? std::string()
                               : "; did you mean " + nearest + "?"));
    }
  }

  void CheckMain(const std::vector<ListedPreset>& presets) {
    CheckKeyNames(kMainSection, IniSection::kMain);
    if (presets.empty()) {
      Add(kMainSection, "ActivePreset",
          "is empty: no preset is active, so the module has nothing to scan "
          "with");
    }
    for (const std::string& code :
         SplitList(config_.ReadString(kMainSection, "CurrencyFilter").view())) {
      if (code.empty()) {
        Add(kMainSection, "CurrencyFilter",
            "has an empty item: look for a doubled or trailing comma");
      } else if (code.front() == ' ' || code.back() == ' ') {
        Add(kMainSection, "CurrencyFilter",
            "item " + Quoted(code) +
                " has blanks around it: items are not trimmed, so it never "
                "lets a code through");
      }
    }
  }

  // The INI reader cannot tell a missing section from an empty one: a
  // section that sets none of the preset keys is missing.
  bool SectionHasKeys(std::string_view section) const {
    for (const std::string& key : config_.KeyNames(section)) {
      if (FindKey(IniSection::kPreset, key) != nullptr &&
          !config_.ReadString(section, key).empty()) {
        return true;
      }
    }
    return false;
  }

  void CheckPreset(const ListedPreset& preset, bool several) {
    const std::string& section = preset.section;
    current_ = section;
    const std::string dropped =
        several
            ? ": the module drops this preset and shows \"" +
                  std::string(
                      PresetNotFoundText(section, config_.ini_path()).view()) +
                  "\""
            : "";
    if (!SectionHasKeys(section)) {
      std::string hint;
      if (section.empty()) {
        hint = " (ActivePreset has an empty item)";
      } else if (section.front() == ' ' || section.back() == ' ') {
        hint =
            " (the name has blanks around it: ActivePreset items are not "
            "trimmed)";
      }
      Add(section, "",
          "there is no such section, or it sets none of the preset keys" +
              hint +
              (several ? dropped : ": the module has nothing to scan with"));
      return;
    }
    CheckKeyNames(section, IniSection::kPreset);
    CheckHomeCurrency(preset, several, dropped);
    CheckAddress(preset);
    CheckNumbers(preset);
    CheckDateKeys(section);
    // The patterns the module compiled for the preset, when it scans with it.
    const CompiledPreset* compiled =
        preset.kept ? config_.presets()->preset(preset.index) : nullptr;
    if (compiled != nullptr) {
      if (compiled->prologue) CheckPattern(*compiled->prologue);
      if (compiled->epilogue) CheckPattern(*compiled->epilogue);
    } else {
      CheckPattern(section, "Prologue", Read(section, "Prologue"));
      CheckPattern(section, "Epilogue", Read(section, "Epilogue"));
    }
    CheckRecords(section, compiled);
    CheckUnnumberedFirst(section, "OtherCurrencyCode");
    CheckUnnumberedFirst(section, "OtherCurrencyName");
  }

  void CheckHomeCurrency(const ListedPreset& preset, bool several,
                         const std::string& dropped) {
    const std::string& section = preset.section;
    std::string home = Read(section, "HomeCurrencyCode");
    if (home.empty()) {
      Add(section, "HomeCurrencyCode",
          "is empty" +
              (several ? dropped : ": the host is told no home currency"));
      return;
    }
    const PresetDecision& decision = *preset.decision;
    if (decision.outcome != PresetDecision::Outcome::kOtherHomeCurrency) {
      return;
    }
    std::string why = AsciiLower(home) == AsciiLower(decision.reference_code)
                          ? " (letter case counts)"
                          : "";
    Add(section, "HomeCurrencyCode",
        Quoted(home) + " differs from " + Quoted(decision.reference_code) +
            " in [" + decision.reference + "]" + why +
            ": the module drops this preset and shows \"" +
            decision.message->text + "\"");
  }

  void CheckAddress(const ListedPreset& preset) {
    const std::string& section = preset.section;
    std::string url = Read(section, "PageURL");
    if (url.empty()) {
      Add(section, "PageURL",
          preset.primary ? "is empty: the host is asked for an empty page path"
                         : "is empty: there is no page to download");
      return;
    }
    CheckPlaceholders(section, url, &findings_);
    if (!preset.primary) {
      if (!IsCompleteAddress(url)) {
        Add(section, "PageURL",
            Quoted(url) +
                " is not a complete address (scheme://server/path): a "
                "secondary preset's page is downloaded from exactly this "
                "address");
      }
      return;
    }
    if (std::optional<SplitAddress> split = SplitHttpAddress(url)) {
      if (split->server.empty()) {
        Add(section, "PageURL", "names no server after 'http://'");
      }
      return;
    }
    std::string server = Read(section, "Server");
    std::string lower = AsciiLower(url);
    if (lower.starts_with("http://") || lower.starts_with("https://")) {
      Add(section, "PageURL",
          "begins with " + Quoted(url.substr(0, url.find("://") + 3)) +
              ", which is not split into server and path (only 'http://' "
              "is): the host is asked for the whole address as a path" +
              (server.empty() ? ", with no server"
                              : " on the server " + Quoted(server)));
    } else if (server.empty()) {
      Add(section, "Server",
          "is empty and PageURL is not an 'http://' address, so the host "
          "has no server to ask for " +
              Quoted(url));
    }
  }

  void CheckNumbers(const ListedPreset& preset) {
    const std::string& section = preset.section;
    if (preset.kept) {
      int code_page = config_.presets()->preset(preset.index)->code_page;
      if (!ModuleConvertsCodePage(code_page)) {
        Add(section, "Codepage",
            std::to_string(code_page) +
                " is not a code page the module can convert from: pages are "
                "scanned as they are");
      }
    }
    CheckIntegers(section);
    std::string separator = Read(section, "DecimalSeparator");
    if (separator.size() <= 1) return;
    size_t first = Utf8SequenceLength(separator);
    if (first == separator.size()) {
      Add(section, "DecimalSeparator",
          Quoted(separator) + " is one character but " +
              std::to_string(separator.size()) +
              " bytes: only its first byte is used, so it never matches");
    } else {
      Add(section, "DecimalSeparator",
          Quoted(separator) + " is " + std::to_string(DisplayWidth(separator)) +
              " characters long: only the first, " +
              Quoted(separator.substr(0, std::max<size_t>(first, 1))) +
              ", is used");
    }
  }

  // Integer keys with a range: the module reads a value outside it (or
  // one without digits) as the key's default.
  void CheckIntegers(const std::string& section) {
    for (const std::string& key_name : config_.KeyNames(section)) {
      const IniKey* key = FindKey(IniSection::kPreset, key_name);
      if (key == nullptr || key->type != KeyType::kInteger ||
          key->min == INT32_MIN) {
        continue;
      }
      std::string text = Read(section, key_name);
      if (text.empty()) continue;
      int32_t value = port::ProfileText::ParseInt(text);
      bool digits = text.find_first_of("0123456789") != std::string::npos;
      if (digits && value >= key->min && value <= key->max) continue;
      std::string fallback = key->default_text.empty()
                                 ? std::string("empty")
                                 : std::string(key->default_text);
      if (fallback.front() != '`') fallback = "'" + fallback + "'";
      const std::string shown =
          std::string(key->name) + key_name.substr(key->name.size());
      Add(section, shown,
          Quoted(text) + " is not a number from " + std::to_string(key->min) +
              " to " + std::to_string(key->max) + ": the module reads it as " +
              fallback);
    }
  }

  // MonthNames and DateCount texts the module does not understand.
  void CheckDateKeys(const std::string& section) {
    std::string problem;
    std::string months = Read(section, std::string(KeyName(Key::kMonthNames)));
    ReadMonthNames(months, &problem);
    if (!problem.empty()) {
      Add(section, std::string(KeyName(Key::kMonthNames)),
          problem + "; until then only English names are read");
    }
    std::string count = Read(section, std::string(KeyName(Key::kDateCount)));
    bool known = true;
    ParseDateCount(count, &known);
    if (!known) {
      Add(section, std::string(KeyName(Key::kDateCount)),
          Quoted(count) +
              " is neither 'seconds' nor 'milliseconds': date captures are "
              "read as written dates");
    }
  }

  // A pattern the module does not scan with (one of a dropped preset, or
  // one it never reads): compiled here the module's way.
  void CheckPattern(std::string_view section, const std::string& key,
                    const std::string& pattern) {
    if (pattern.empty()) return;
    CheckPattern(PresetPattern::Compile(section, key, pattern));
  }

  void CheckPattern(const PresetPattern& pattern) {
    CheckPatternText(pattern, current_,
                     text_.RemovedQuote(current_, pattern.key), &findings_);
  }

  // The record patterns the module reads come from `compiled` when it
  // scans with the preset.
  void CheckRecords(const std::string& section,
                    const CompiledPreset* compiled) {
    const bool unnumbered_first = !Read(section, "Record").empty();
    int count = 0;
    if (compiled != nullptr) {
      for (const RecordPattern& record : compiled->records) {
        CheckPattern(record.pattern);
        CheckDateParts(*compiled, record.pattern);
      }
      count = static_cast<int>(compiled->records.size());
    } else {
      for (; !config_.ReadIndexed(section, "Record", count).empty(); ++count) {
        CheckPattern(
            section, RecordKey(count, unnumbered_first),
            std::string(config_.ReadIndexed(section, "Record", count).view()));
      }
    }
    if (count == 0) {
      Add(section, "Record",
          "no record patterns (Record or Record1): the module finds nothing "
          "on the page and shows \"" +
              std::string(MissingRecordPatternsText(section).view()) + "\"");
    }
    std::vector<std::string> hidden;
    for (int n = std::max(count + 1, 1); n < kRecordKeysProbed; ++n) {
      std::string pattern(config_.ReadIndexed(section, "Record", n).view());
      if (pattern.empty()) continue;
      std::string key = RecordKey(n, unnumbered_first);
      hidden.push_back(key);
      CheckPattern(section, key, pattern);
    }
    CheckUnnumberedFirst(section, "Record");
    if (hidden.empty()) return;
    std::string missing =
        count == 0 ? "Record (or Record1)" : RecordKey(count, unnumbered_first);
    std::string others(hidden.size() > 1 ? ", and neither are " : "");
    for (size_t i = 1; i < hidden.size(); ++i) {
      others += (i > 1 ? ", " : "") + hidden[i];
    }
    Add(section, hidden.front(),
        "is never used" + others +
            ": record patterns are read in order up to the first missing "
            "number, and " +
            missing + " is missing");
  }

  // A record pattern with a day group reads its month and year too, or
  // gets them from the Prologue: otherwise they silently come from the
  // date asked for.
  void CheckDateParts(const CompiledPreset& preset,
                      const PresetPattern& pattern) {
    if (!pattern.Groups(Field::kDate).empty() ||
        pattern.Groups(Field::kDay).empty()) {
      return;
    }
    auto supplied = [&](Field part) {
      if (!pattern.Groups(part).empty()) return true;
      if (!preset.prologue) return false;
      return !preset.prologue->Groups(Field::kDate).empty() ||
             !preset.prologue->Groups(part).empty();
    };
    std::vector<std::string> missing;
    if (!supplied(Field::kMonth)) missing.push_back("month");
    if (!supplied(Field::kYear)) missing.push_back("year");
    if (missing.empty()) return;
    const std::string parts = Join(missing, " and ");
    Add(current_, pattern.key,
        "captures the day but no " + parts +
            " (nor does the Prologue): every record takes the " + parts +
            " of the date asked for; capture the " + parts +
            " too, or the whole date as a date group");
  }

  // Entry 0 of a numbered key is the unnumbered key, or the key with '1'
  // when that is empty; both set leaves the '1' one unread.
  void CheckUnnumberedFirst(std::string_view section, const std::string& base) {
    if (Read(section, base).empty() || Read(section, base + "1").empty()) {
      return;
    }
    Add(section, base + "1",
        "is never read: " + base + " is set, and " + base +
            "1 is read only when " + base + " is empty");
  }

  const PluginConfig& config_;
  const port::ProfileText text_;
  std::vector<Finding> findings_;
  std::string current_;  // the section being checked
};

}  // namespace

std::vector<Finding> CheckPresets(const PluginConfig& config) {
  return Checker(config).Run();
}

}  // namespace pagerates::cli
