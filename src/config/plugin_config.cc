#include "config/plugin_config.h"

#include <utility>

namespace pagerates {
namespace {

constexpr char kMain[] = "main";
constexpr char kRenameSection[] = "currency-rename";
constexpr int kDefaultCodepage = 1251;
constexpr int32_t kDefaultEstimatedPageSize = 10;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

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
      home_currency_name_(HeapString::Empty()) {}

PluginConfig::~PluginConfig() = default;

std::string PluginConfig::ConfigFilePath(std::string_view module_path) {
  size_t dot = module_path.rfind('.');
  std::string path(module_path.substr(
      0, dot != std::string_view::npos && dot > 0 ? dot : module_path.size()));
  path += ".ini";
  return path;
}

void PluginConfig::Load(std::string ini_path) {
  ini_path_ = std::move(ini_path);
  profile_ = std::make_unique<port::Profile>(ini_path_);
  rename_enabled_ = profile_->ReadInt(kMain, "EnableCurrencyRename", 0) != 0;
  filter_codes_ = SplitList(ReadString(kMain, "CurrencyFilter").view());
  presets_ = SplitList(ReadString(kMain, "ActivePreset").view());
  preset_count_ = static_cast<int>(presets_.size());
  if (preset_count_ > 1) ValidatePresets();

  name_ = ReadPresetKey(0, "Name");
  HeapString url = ReadPresetKey(0, "PageURL");
  constexpr std::string_view kHttp = "http://";
  if (url.view().substr(0, kHttp.size()) == kHttp) {
    std::string_view rest = url.view().substr(kHttp.size());
    size_t slash = rest.find('/');
    if (slash == std::string_view::npos) {
      // No path after the host: the whole remainder is the host.
      server_ = HeapString::Copy(rest);
      page_path_ = HeapString::Copy("/");
    } else {
      server_ = HeapString::Copy(rest.substr(0, slash));
      page_path_ = HeapString::Copy(rest.substr(slash));
    }
  } else {
    server_ = ReadPresetKey(0, "Server");
    page_path_ = std::move(url);
  }
  estimated_page_size_ = static_cast<uint32_t>(
      has_primary() ? profile_->ReadInt(presets_[0], "EstimatedPageSize",
                                        kDefaultEstimatedPageSize)
                    : kDefaultEstimatedPageSize);
  home_currency_code_ = Rename(ReadPresetKey(0, "HomeCurrencyCode"));
  home_currency_name_ = ReadPresetKey(0, "HomeCurrencyName");
}

// Drops listed presets that are missing (no HomeCurrencyCode) or whose home
// currency differs from the first one found, keeping the order of the rest.
// Each drop is reported. Every entry is moved down over the dropped ones
// before it is examined, so when all are dropped slot 0 holds the last one.
void PluginConfig::ValidatePresets() {
  int removed = 0;
  HeapString reference;
  for (int i = 0; i < static_cast<int>(presets_.size()); ++i) {
    if (removed > 0) presets_[i - removed] = presets_[i];
    const std::string& section = presets_[i - removed];
    HeapString code = ReadString(section, "HomeCurrencyCode");
    if (code.empty()) {
      HeapString text = port::Format("Preset [%s] not found in %s",
                                     section.c_str(), ini_path_.c_str());
      port::ShowMessageBox(text.c_str(), kConfigErrorTitle);
      ++removed;
    } else if (reference.null()) {
      reference = std::move(code);
    } else if (code.view() != reference.view()) {
      port::ShowMessageBox(
          "All active presets must have the same home currency",
          kConfigErrorTitle);
      ++removed;
    }
  }
  preset_count_ -= removed;
}

void PluginConfig::Refresh() {
  if (profile_ != nullptr) profile_->Refresh();
}

HeapString PluginConfig::ReadString(std::string_view section,
                                    std::string_view key) const {
  if (profile_ == nullptr) return HeapString::Empty();
  return profile_->ReadString(section, key);
}

HeapString PluginConfig::ReadIndexed(std::string_view section,
                                     std::string_view base, int n) const {
  std::string key(base);
  if (n == 0) {
    HeapString value = ReadString(section, key);
    if (!value.empty()) return value;
    key += '1';
  } else {
    key += std::to_string(n + 1);
  }
  return ReadString(section, key);
}

HeapString PluginConfig::Rename(HeapString code) const {
  if (!rename_enabled_) return code;
  HeapString replacement = ReadString(kRenameSection, code.view());
  return replacement.empty() ? std::move(code) : std::move(replacement);
}

bool PluginConfig::PassesFilter(std::string_view code) const {
  if (filter_codes_.empty()) return true;
  for (const std::string& item : filter_codes_) {
    if (EqualsIgnoringCase(item, code)) return true;
  }
  return false;
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

int PluginConfig::Codepage(int i) const {
  if (profile_ == nullptr || i < 0 || i >= static_cast<int>(presets_.size())) {
    return kDefaultCodepage;
  }
  return profile_->ReadInt(presets_[i], "Codepage", kDefaultCodepage);
}

char PluginConfig::DecimalSeparator(int i) const {
  HeapString value = ReadPresetKey(i, "DecimalSeparator");
  return value.empty() ? '.' : value.c_str()[0];
}

int PluginConfig::ExtraDecimals(int i, int max) const {
  if (profile_ == nullptr || i < 0 || i >= static_cast<int>(presets_.size())) {
    return 0;
  }
  int value = profile_->ReadInt(presets_[i], "ExtraDecimals", 0);
  return value >= 0 && value <= max ? value : 0;
}

HeapString PluginConfig::Prologue(int i) const {
  return ReadPresetKey(i, "Prologue");
}
HeapString PluginConfig::Epilogue(int i) const {
  return ReadPresetKey(i, "Epilogue");
}
HeapString PluginConfig::PageTemplate(int i) const {
  return ReadPresetKey(i, "PageURL");
}

int PluginConfig::RecordCount(int i) const {
  int count = 0;
  while (!RecordPattern(i, count).empty()) ++count;
  if (count == 0) {
    std::string section(PresetName(i));
    HeapString text = port::Format("Missing record patterns for preset [%s]",
                                   section.c_str());
    port::ShowMessageBox(text.c_str(), kConfigErrorTitle);
  }
  return count;
}

HeapString PluginConfig::RecordPattern(int i, int n) const {
  return ReadIndexed(PresetName(i), "Record", n);
}

HeapString PluginConfig::OtherCurrencyCode(int i, int n) const {
  return Rename(ReadIndexed(PresetName(i), "OtherCurrencyCode", n));
}

HeapString PluginConfig::OtherCurrencyName(int i, int n) const {
  return ReadIndexed(PresetName(i), "OtherCurrencyName", n);
}

}  // namespace pagerates
