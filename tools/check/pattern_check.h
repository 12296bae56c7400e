// `pagerates check` on one pattern as the module compiled it.
#ifndef PAGERATES_TOOLS_CHECK_PATTERN_CHECK_H_
#define PAGERATES_TOOLS_CHECK_PATTERN_CHECK_H_

#include <string_view>
#include <vector>

#include "check/findings.h"
#include "config/preset_set.h"

namespace pagerates::cli {

// Adds to `findings` what keeps `pattern` (in `section`) from working: bytes
// that are not UTF-8, a pair of quotes the INI reader removed
// (`removed_quote`, or 0), a compile error with its offset marked, more
// capturing groups than the module keeps, group names it does not read.
void CheckPatternText(const PresetPattern& pattern, std::string_view section,
                      char removed_quote, std::vector<Finding>* findings);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_PATTERN_CHECK_H_
