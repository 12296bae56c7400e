#include "config/plugin_config.h"

#include <algorithm>
#include <utility>
#include <variant>

#include "config/ini_schema.h"

namespace pagerates {
namespace {

constexpr char kMain[] = "main";

}  // namespace

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
      profile_->ReadInt(kMain, KeyName(Key::kEnableCurrencyRename), 0) != 0;
  filter_codes_ =
      SplitList(ReadString(kMain, KeyName(Key::kCurrencyFilter)).view());
  presets_ = SplitList(ReadString(kMain, KeyName(Key::kActivePreset)).view());
  preset_count_ = static_cast<int>(presets_.size());
  if (preset_count_ > 1) ValidatePresets(diagnostics);
  BuildPresets();

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
      has_primary()
          ? profile_->ReadInt(presets_[0], page_size.name, page_size.default_int)
          : page_size.default_int);
  home_currency_code_ = presets_set_->currency().Rename(
      ReadPresetKey(0, KeyName(Key::kHomeCurrencyCode)));
  home_currency_name_ = ReadPresetKey(0, KeyName(Key::kHomeCurrencyName));
}

// Drops listed presets that are missing (no HomeCurrencyCode) or whose home
// currency differs from the first one found, keeping the order of the rest.
// Each drop is reported. Every entry is moved down over the dropped ones
// before it is examined, so when all are dropped slot 0 holds the last one.
void PluginConfig::ValidatePresets(Diagnostics* diagnostics) {
  int removed = 0;
  HeapString reference;
  for (int i = 0; i < static_cast<int>(presets_.size()); ++i) {
    if (removed > 0) presets_[i - removed] = presets_[i];
    const std::string& section = presets_[i - removed];
    HeapString code = ReadString(section, KeyName(Key::kHomeCurrencyCode));
    if (code.empty()) {
      diagnostics->Report(Diagnostic{
          Diagnostic::Kind::kPresetNotFound, section, "HomeCurrencyCode",
          kConfigErrorTitle,
          std::string(PresetNotFoundText(section, ini_path_).view())});
      ++removed;
    } else if (reference.null()) {
      reference = std::move(code);
    } else if (code.view() != reference.view()) {
      diagnostics->Report(Diagnostic{
          Diagnostic::Kind::kHomeCurrencyMismatch, section, "HomeCurrencyCode",
          kConfigErrorTitle, kHomeCurrencyMismatchText});
      ++removed;
    }
  }
  preset_count_ -= removed;
}

void PluginConfig::Refresh() {
  if (profile_ != nullptr && profile_->Refresh()) BuildPresets();
}

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
  const int count = has_primary() ? std::max(preset_count_, 1) : 0;
  for (int i = 0; i < count; ++i) set->Add(ReadPresetSettings(i));
  presets_set_ = std::move(set);
}

PresetSettings PluginConfig::ReadPresetSettings(int i) const {
  PresetSettings settings;
  settings.section = presets_[i];
  const std::string& section = settings.section;
  for (const IniKey& key : kIniKeys) {
    if (key.section != IniSection::kPreset) continue;
    if (const TextSlot* slot = std::get_if<TextSlot>(&key.slot)) {
      settings.**slot = ReadString(section, key.name).view();
    } else if (const IntSlot* slot = std::get_if<IntSlot>(&key.slot)) {
      settings.**slot = profile_->ReadInt(section, key.name, key.default_int);
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
        record.**slot = ReadIndexed(section, key.name, n).view();
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
