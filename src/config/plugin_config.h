// PluginConfig: the module's view of its INI file.
//
// Load() reads the module-wide settings ([main]: ActivePreset,
// CurrencyFilter, EnableCurrencyRename) and the primary preset's identity
// once, validating the list of active presets (with a message box for each
// preset it drops). Every other per-preset value is read from the file each
// time it is asked for, so edits take effect at the next scan; Refresh()
// decides when the file is looked at again.
//
// Presets are addressed by index into the validated list (0 is the primary
// preset). An index outside the list reads as a preset with no keys. A
// default-constructed config has no file and no presets: every string is
// empty and every number its default.
#ifndef PAGERATES_CONFIG_PLUGIN_CONFIG_H_
#define PAGERATES_CONFIG_PLUGIN_CONFIG_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "port/heap_string.h"
#include "port/port.h"

namespace pagerates {

inline constexpr char kConfigErrorTitle[] = "Configuration error";

class PluginConfig {
 public:
  PluginConfig();
  ~PluginConfig();
  PluginConfig(const PluginConfig&) = delete;
  PluginConfig& operator=(const PluginConfig&) = delete;

  // Reads the file at `ini_path` as described above. Shows configuration
  // messages; never fails (a missing file is a file with no keys).
  void Load(std::string ini_path);

  // Looks at the file again; per-preset reads after this see its current
  // contents.
  void Refresh();

  // The INI path derived from the module's path: the text before the last
  // '.' (when that is not the first character) with ".ini" appended.
  static std::string ConfigFilePath(std::string_view module_path);

  // ---- Read at load ----
  const std::string& ini_path() const { return ini_path_; }
  int preset_count() const { return preset_count_; }
  // True when ActivePreset listed anything: there is a preset 0 to scan,
  // even if validation dropped every preset.
  bool has_primary() const { return !presets_.empty(); }
  const HeapString& name() const { return name_; }
  const HeapString& server() const { return server_; }
  const HeapString& page_path() const { return page_path_; }
  uint32_t estimated_page_size() const { return estimated_page_size_; }
  const HeapString& home_currency_code() const { return home_currency_code_; }
  const HeapString& home_currency_name() const { return home_currency_name_; }

  // ---- Module-wide helpers ----
  HeapString ReadString(std::string_view section, std::string_view key) const;
  // Numbered keys: entry 0 is `base` (or `base`1 when that is empty), entry
  // n >= 1 is `base`(n+1).
  HeapString ReadIndexed(std::string_view section, std::string_view base,
                         int n) const;
  // The code to use instead of `code` per [currency-rename] when renaming is
  // on; `code` itself otherwise.
  HeapString Rename(HeapString code) const;
  // True when there is no filter or `code` is listed (ignoring ASCII case).
  bool PassesFilter(std::string_view code) const;

  // ---- Per preset, read from the file at every call ----
  std::string_view PresetName(int i) const;
  int Codepage(int i) const;
  char DecimalSeparator(int i) const;
  // ExtraDecimals: how many decimals past the fourth the values keep, both
  // values then scaled by 10^k. 0 when unset or outside 0 to `max`.
  int ExtraDecimals(int i, int max) const;
  HeapString Prologue(int i) const;
  HeapString Epilogue(int i) const;
  HeapString PageTemplate(int i) const;
  // Number of consecutive record patterns; 0 shows "Missing record patterns
  // for preset [...]".
  int RecordCount(int i) const;
  HeapString RecordPattern(int i, int n) const;
  HeapString OtherCurrencyCode(int i, int n) const;  // already renamed
  HeapString OtherCurrencyName(int i, int n) const;

 private:
  void ValidatePresets();
  HeapString ReadPresetKey(int i, std::string_view key) const;

  std::string ini_path_;
  std::unique_ptr<port::Profile> profile_;
  std::vector<std::string> presets_;  // compacted; see ValidatePresets()
  int preset_count_ = 0;
  HeapString name_;
  HeapString server_;
  HeapString page_path_;
  uint32_t estimated_page_size_ = 10;
  HeapString home_currency_code_;
  HeapString home_currency_name_;
  bool rename_enabled_ = false;
  std::vector<std::string> filter_codes_;
};

// Splits a comma list: every comma separates, items are not trimmed and
// empty items stay. An empty text gives no items.
std::vector<std::string> SplitList(std::string_view text);

}  // namespace pagerates

#endif  // PAGERATES_CONFIG_PLUGIN_CONFIG_H_
