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

#include "check/findings.h"
#include "config/plugin_config.h"

namespace pagerates::cli {

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

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_PRESET_CHECK_H_
