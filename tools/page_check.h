// What one scan of a real page shows to be wrong with a preset, beyond
// what the offline check can see: values that lose digits, value groups
// that read as 0, dates the module cannot read or that cannot be, and a
// Codepage that disagrees with the page.
#ifndef PAGERATES_TOOLS_PAGE_CHECK_H_
#define PAGERATES_TOOLS_PAGE_CHECK_H_

#include <string_view>
#include <vector>

#include "config/plugin_config.h"
#include "parse/scan_trace.h"
#include "preset_check.h"

namespace pagerates::cli {

// The findings for a scan of `page_bytes` (as read, before conversion)
// with preset `preset_index` of `config`, whose trace is `trace`. Each
// names the preset's section, the key at fault and a one-line fix; one
// finding per key and kind of problem, with the number of matches it
// concerns and the first of them.
std::vector<Finding> CheckScannedPage(const PluginConfig& config,
                                      int preset_index,
                                      std::string_view page_bytes,
                                      const ScanTrace& trace);

// The code pages that read a page whose declared charset is `charset`
// (any letter case) correctly, the usual one first; empty for a name this
// does not know, and for us-ascii, which any of them reads.
std::vector<int> CodePagesForCharset(std::string_view charset);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_PAGE_CHECK_H_
