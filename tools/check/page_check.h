// What one scan of a real page shows to be wrong with a preset, beyond
// what the offline check can see: values that lose digits, value groups
// that read as 0, dates the module cannot read or that cannot be, and a
// Codepage that disagrees with the page.
#ifndef PAGERATES_TOOLS_CHECK_PAGE_CHECK_H_
#define PAGERATES_TOOLS_CHECK_PAGE_CHECK_H_

#include <string_view>
#include <vector>

#include "check/charsets.h"
#include "check/preset_check.h"
#include "config/plugin_config.h"
#include "parse/scan_trace.h"

namespace pagerates::cli {

// The findings for a scan of `page_bytes` (as read, before conversion)
// with `preset`, whose trace is `trace`. Each
// names the preset's section, the key at fault and a one-line fix; one
// finding per key and kind of problem, with the number of matches it
// concerns and the first of them.
std::vector<Finding> CheckScannedPage(const CompiledPreset& preset,
                                      std::string_view page_bytes,
                                      const ScanTrace& trace);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_PAGE_CHECK_H_
