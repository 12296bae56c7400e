// PluginConfig: the module's view of its INI file.
//
// Load() reads the module-wide settings ([main]: ActivePreset,
// CurrencyFilter, EnableCurrencyRename) and the primary preset's identity
// once. The presets themselves are validated and built into a PresetSet
// from the file as it is at Load(), and again, validated the same way,
// whenever Refresh() finds the file changed, so edits take effect at the
// next scan. What validation decided travels with the set
// (PresetSet::decisions()); Load() and Refresh() report the message of
// every preset it drops.
//
// Presets are addressed by index into the validated list (0 is the primary
// preset). A default-constructed config has no file and no presets: every
// string is empty and every number its default.
#ifndef PAGERATES_CONFIG_PLUGIN_CONFIG_H_
#define PAGERATES_CONFIG_PLUGIN_CONFIG_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/diagnostics.h"
#include "config/preset_set.h"
#include "port/heap_string.h"
#include "port/port.h"

namespace pagerates {

class PluginConfig {
 public:
  PluginConfig();
  ~PluginConfig();
  PluginConfig(const PluginConfig&) = delete;
  PluginConfig& operator=(const PluginConfig&) = delete;

  // Reads the file at `ini_path` as described above, reporting to
  // `diagnostics` each preset validation drops; never fails (a missing file
  // is a file with no keys).
  void Load(std::string ini_path, Diagnostics* diagnostics);

  // Looks at the file again; when it changed, validates and rebuilds the
  // presets as Load() does, reporting each preset validation drops to
  // `diagnostics`. The set taken before stays valid for whoever holds it.
  void Refresh(Diagnostics* diagnostics);

  // The presets as of the last Load() or Refresh(); never null.
  const std::shared_ptr<const PresetSet>& presets() const {
    return presets_set_;
  }

  // The INI path derived from the module's path: the text before the last
  // '.' (when that is not the first character) with ".ini" appended.
  static std::string ConfigFilePath(std::string_view module_path);

  // ---- Read at load ----
  const std::string& ini_path() const { return ini_path_; }
  // Presets kept by the last validation (the current set's active()).
  int preset_count() const { return presets_set_->active(); }
  // True when ActivePreset listed anything: there is a preset 0 to scan,
  // even if validation dropped every preset.
  bool has_primary() const { return !presets_.empty(); }
  const HeapString& name() const { return name_; }
  const HeapString& server() const { return server_; }
  const HeapString& page_path() const { return page_path_; }
  uint32_t estimated_page_size() const { return estimated_page_size_; }
  const HeapString& home_currency_code() const { return home_currency_code_; }
  const HeapString& home_currency_name() const { return home_currency_name_; }

  // ---- The file as of the last look ----
  HeapString ReadString(std::string_view section, std::string_view key) const;
  // Numbered keys: entry 0 is `base` (or `base`1 when that is empty), entry
  // n >= 1 is `base`(n+1).
  HeapString ReadIndexed(std::string_view section, std::string_view base,
                         int n) const;
  // The section name of preset `i` of the current set; empty outside it.
  std::string_view PresetName(int i) const;
  // The names of the keys `section` holds, as the file writes them.
  std::vector<std::string> KeyNames(std::string_view section) const;

 private:
  HeapString ReadPresetKey(int i, std::string_view key) const;
  void BuildPresets();
  PresetSettings ReadPresetSettings(const std::string& section) const;

  std::string ini_path_;
  std::unique_ptr<port::Profile> profile_;
  std::vector<std::string> listed_;   // ActivePreset as read at load
  std::vector<std::string> presets_;  // the current set's sections
  HeapString name_;
  HeapString server_;
  HeapString page_path_;
  uint32_t estimated_page_size_ = 10;
  HeapString home_currency_code_;
  HeapString home_currency_name_;
  bool rename_enabled_ = false;
  std::vector<std::string> filter_codes_;
  std::shared_ptr<const PresetSet> presets_set_;
};

// The name of entry `n` of the numbered key `base` (ReadIndexed's
// numbering): `base` or `base`1 for 0, as `unnumbered_set` says which of the
// two is read, then `base`(n+1).
std::string IndexedKey(std::string_view base, int n, bool unnumbered_set);

// What the module finds in the address PageURL: with "http://", the server
// and the path after it (the path "/" when there is none); otherwise
// nothing, and the Server key names the server.
struct SplitAddress {
  std::string_view server;
  std::string_view path;
};
std::optional<SplitAddress> SplitHttpAddress(std::string_view url);

// The texts of the module's configuration messages.
HeapString PresetNotFoundText(std::string_view section,
                              std::string_view ini_path);
inline constexpr char kHomeCurrencyMismatchText[] =
    "All active presets must have the same home currency";

// Splits a comma list: every comma separates, items are not trimmed and
// empty items stay. An empty text gives no items.
std::vector<std::string> SplitList(std::string_view text);

}  // namespace pagerates

#endif  // PAGERATES_CONFIG_PLUGIN_CONFIG_H_
