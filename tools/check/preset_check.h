// The offline preset checker behind `pagerates check`: what in an INI file
// keeps its active presets from working as their author meant, found with
// the module's own configuration, address and pattern code.
#ifndef PAGERATES_TOOLS_CHECK_PRESET_CHECK_H_
#define PAGERATES_TOOLS_CHECK_PRESET_CHECK_H_

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/plugin_config.h"

namespace pagerates::cli {

// One problem, tied to the key that causes it.
struct Finding {
  std::string section;  // "main" or the preset's section name
  std::string key;      // empty when the section as a whole is at fault
  std::string message;  // one line
  std::vector<std::string> details;  // lines shown under it, as they are
};

// Record pattern keys past a numbering gap are looked for up to
// Record<kRecordKeysProbed>.
inline constexpr int kRecordKeysProbed = 99;

// Checks [main] and every preset that ActivePreset lists, in `config` as
// loaded (Load() has run; what it reported is the caller's). Reports, for
// each preset: a missing section or home currency; home currencies that
// differ; an empty PageURL; %...% tokens that are not placeholders; a
// secondary PageURL that is not a complete address (a primary one without
// a server); an unknown Codepage; a DecimalSeparator longer than one
// character; patterns that do not compile or have more than five capturing
// groups; group names the module does not read; no record patterns;
// record patterns a numbering gap hides; a numbered key that is never read
// because its unnumbered form is set. Findings come section by section,
// [main] first, then the presets in list order.
std::vector<Finding> CheckPresets(const PluginConfig& config);

// Each finding as "[section] Key: message" with its details below it,
// indented by four spaces.
std::string FormatFindings(std::span<const Finding> findings);

// Two lines: "key=pattern" and a caret under the character at byte
// `offset` of the pattern (its end when `offset` is past it). Columns count
// code points; a long pattern is cut around the offset, with "..." where
// text was left out.
std::vector<std::string> MarkOffset(std::string_view key,
                                    std::string_view pattern, size_t offset);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_PRESET_CHECK_H_
