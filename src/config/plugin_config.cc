#include "config/plugin_config.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <variant>

#include "config/ini_schema.h"

namespace pagerates {
std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  for (;;) {
    size_t comma = text.find(',');
    items.emplace_back(text.substr(0, comma));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return items;
}

PluginConfig::PluginConfig()
    : name_(HeapString::Empty()),
      server_(HeapString::Empty()),
      page_path_(HeapString::Empty()),
      home_currency_code_(HeapString::Empty()),
      home_currency_name_(HeapString::Empty()),
      presets_set_(std::make_shared<PresetSet>(CurrencyRules())) {}

PluginConfig::~PluginConfig() = default;

std::string PluginConfig::ConfigFilePath(std::string_view module_path) {
  size_t dot = module_path.rfind('.');
  std::string path(module_path.substr(
      0, dot != std::string_view::npos && dot > 0 ? dot : module_path.size()));
  path += ".ini";
  return path;
}

std::string IndexedKey(std::string_view base, int n, bool unnumbered_set) {
  std::string key(base);
  if (n == 0) {
    if (!unnumbered_set) key += '1';
  } else {
    key += std::to_string(n + 1);
  }
  return key;
}

std::optional<SplitAddress> SplitHttpAddress(std::string_view url) {
  constexpr std::string_view kHttp = "http://";
  if (url.substr(0, kHttp.size()) != kHttp) return std::nullopt;
  std::string_view rest = url.substr(kHttp.size());
  size_t slash = rest.find('/');
  // No path after the host: the whole remainder is the host.
  if (slash == std::string_view::npos) return SplitAddress{rest, "/"};
  return SplitAddress{rest.substr(0, slash), rest.substr(slash)};
}

HeapString PresetNotFoundText(std::string_view section,
                              std::string_view ini_path) {
  return port::Format("Preset [%s] not found in %s",
                      std::string(section).c_str(),
                      std::string(ini_path).c_str());
}

void PluginConfig::Load(std::string ini_path, Diagnostics* diagnostics) {
  ini_path_ = std::move(ini_path);
  profile_ = std::make_unique<port::Profile>(ini_path_);
  rename_enabled_ =
      profile_->ReadInt(kMainSection, KeyName(Key::kEnableCurrencyRename), 0) !=
      0;
  filter_codes_ =
      SplitList(ReadString(kMainSection, KeyName(Key::kCurrencyFilter)).view());
  listed_ =
      SplitList(ReadString(kMainSection, KeyName(Key::kActivePreset)).view());
  BuildPresets();
  presets_set_->ReportDecisions(diagnostics);

  name_ = ReadPresetKey(0, KeyName(Key::kName));
  HeapString url = ReadPresetKey(0, KeyName(Key::kPageUrl));
  if (std::optional<SplitAddress> split = SplitHttpAddress(url.view())) {
    server_ = HeapString::Copy(split->server);
    page_path_ = HeapString::Copy(split->path);
  } else {
    server_ = ReadPresetKey(0, KeyName(Key::kServer));
    page_path_ = std::move(url);
  }
  const IniKey& page_size = Declared(Key::kEstimatedPageSize);
  estimated_page_size_ = static_cast<uint32_t>(
      has_primary() ? profile_->ReadInt(presets_[0], page_size.name,
                                        page_size.default_int)
                    : page_size.default_int);
  home_currency_code_ = presets_set_->currency().Rename(
      ReadPresetKey(0, KeyName(Key::kHomeCurrencyCode)));
  home_currency_name_ = ReadPresetKey(0, KeyName(Key::kHomeCurrencyName));
}

void PluginConfig::Refresh(Diagnostics* diagnostics) {
  if (profile_ == nullptr || !profile_->Refresh()) return;
  BuildPresets();
  presets_set_->ReportDecisions(diagnostics);
}

namespace {

// Validates the listed presets with the home currency each has in the file
// now: a preset without one is dropped as missing, the first with one is
// the reference, and one whose code differs from it byte for byte is
// dropped. Fills `kept` with the sections kept, in list order; every entry
// is moved down over the dropped ones before it is examined, so when all
// are dropped `kept` names the last one listed (the slot the module still
// scans with). A lone preset is not validated.
std::vector<PresetDecision> Validate(
    const std::vector<std::string>& listed, const std::string& ini_path,
    const std::function<std::string(const std::string&)>& home_code,
    std::vector<std::string>* kept, int* active) {
  std::vector<PresetDecision> decisions;
  kept->clear();
  *active = 0;
  const bool validated = listed.size() > 1;
  const std::string key(KeyName(Key::kHomeCurrencyCode));
  int reference = -1;  // index into `decisions`
  for (const std::string& section : listed) {
    PresetDecision decision;
    decision.section = section;
    decision.home_currency_code = home_code(section);
    if (validated && decision.home_currency_code.empty()) {
      decision.outcome = PresetDecision::Outcome::kNotFound;
      decision.message = Diagnostic{
          Diagnostic::Kind::kPresetNotFound, section, key, kConfigErrorTitle,
          std::string(PresetNotFoundText(section, ini_path).view())};
    } else if (validated && reference >= 0 &&
               decision.home_currency_code !=
                   decisions[reference].home_currency_code) {
      decision.outcome = PresetDecision::Outcome::kOtherHomeCurrency;
      decision.reference = decisions[reference].section;
      decision.reference_code = decisions[reference].home_currency_code;
      decision.message =
          Diagnostic{Diagnostic::Kind::kHomeCurrencyMismatch, section, key,
                     kConfigErrorTitle, kHomeCurrencyMismatchText};
    } else {
      decision.index = (*active)++;
      if (reference < 0) reference = static_cast<int>(decisions.size());
      kept->push_back(section);
    }
    decisions.push_back(std::move(decision));
  }
  if (kept->empty() && !listed.empty()) kept->push_back(listed.back());
  return decisions;
}

}  // namespace

// The presets scanned: slot 0 whenever ActivePreset listed anything (even
// when validation dropped every preset), and the rest of the validated list.
void PluginConfig::BuildPresets() {
  std::vector<std::pair<std::string, std::string>> renames;
  if (rename_enabled_ && profile_ != nullptr) {
    for (std::string& key : profile_->KeyNames(kRenameSection)) {
      HeapString value = ReadString(kRenameSection, key);
      if (!value.empty()) renames.emplace_back(std::move(key), value.view());
    }
  }
  auto set = std::make_shared<PresetSet>(
      CurrencyRules(filter_codes_, rename_enabled_, std::move(renames)));
  int active = 0;
  std::vector<PresetDecision> decisions = Validate(
      listed_, ini_path_,
      [this](const std::string& section) {
        return std::string(
            ReadString(section, KeyName(Key::kHomeCurrencyCode)).view());
      },
      &presets_, &active);
  for (const std::string& section : presets_) {
    set->Add(ReadPresetSettings(section));
  }
  set->SetDecisions(std::move(decisions), active);
  presets_set_ = std::move(set);
}

PresetSettings PluginConfig::ReadPresetSettings(
    const std::string& section_name) const {
  PresetSettings settings;
  settings.section = section_name;
  const std::string& section = settings.section;
  for (const IniKey& key : kIniKeys) {
    if (key.section != IniSection::kPreset) continue;
    if (const TextSlot* text_slot = std::get_if<TextSlot>(&key.slot)) {
      settings.*(*text_slot) = ReadString(section, key.name).view();
    } else if (const IntSlot* int_slot = std::get_if<IntSlot>(&key.slot)) {
      settings.*(*int_slot) =
          profile_->ReadInt(section, key.name, key.default_int);
    }
  }
  // Record, Record1, Record2, ... up to the first one missing; each with
  // the other numbered keys of its number.
  const std::string_view record_key = KeyName(Key::kRecord);
  const bool unnumbered_set = !ReadString(section, record_key).empty();
  for (int n = 0;; ++n) {
    HeapString text = ReadIndexed(section, record_key, n);
    if (text.empty()) break;
    PresetSettings::Record& record = settings.records.emplace_back();
    record.key = IndexedKey(record_key, n, unnumbered_set);
    for (const IniKey& key : kIniKeys) {
      if (const RecordSlot* slot = std::get_if<RecordSlot>(&key.slot)) {
        record.*(*slot) = ReadIndexed(section, key.name, n).view();
      }
    }
  }
  return settings;
}

HeapString PluginConfig::ReadString(std::string_view section,
                                    std::string_view key) const {
  if (profile_ == nullptr) return HeapString::Empty();
  return profile_->ReadString(section, key);
}

HeapString PluginConfig::ReadIndexed(std::string_view section,
                                     std::string_view base, int n) const {
  if (n == 0) {
    HeapString value = ReadString(section, base);
    if (!value.empty()) return value;
  }
  return ReadString(section, IndexedKey(base, n, false));
}

std::vector<std::string> PluginConfig::KeyNames(
    std::string_view section) const {
  if (profile_ == nullptr) return {};
  return profile_->KeyNames(section);
}

std::string_view PluginConfig::PresetName(int i) const {
  if (i < 0 || i >= static_cast<int>(presets_.size())) return {};
  return presets_[i];
}

HeapString PluginConfig::ReadPresetKey(int i, std::string_view key) const {
  if (i < 0 || i >= static_cast<int>(presets_.size()))
    return HeapString::Empty();
  return ReadString(presets_[i], key);
}

}  // namespace pagerates
