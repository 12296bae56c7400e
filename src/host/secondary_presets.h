// Multi-preset loading: the secondary presets' pages, downloaded by the
// module itself for every pending date.
#ifndef PAGERATES_HOST_SECONDARY_PRESETS_H_
#define PAGERATES_HOST_SECONDARY_PRESETS_H_

#include "host/plugin_state.h"

namespace pagerates {

inline constexpr char kNoCurlMessage[] =
    "Multi-preset loading needs libcurl.dll which couldn't be loaded";

// Download reports (port::ReportDownload) for addresses not downloaded.
inline constexpr char kSkippedDownloaded[] = "skipped: already downloaded";
inline constexpr char kSkippedFailed[] = "skipped: failed earlier in this call";

// For each secondary preset of `presets` (the set of the current call) in
// list order and each pending date in date order: expands the preset's
// PageURL, downloads the address unless it was downloaded before, and
// scans the page with that preset. Then empties the
// pending dates. A download that fails is neither scanned nor remembered
// beyond this call: later dates and presets of the same call skip it, a
// later call tries it again. Every address is reported to the host's
// download hook when it has one (the outcome, or why it was skipped).
// Without a usable libcurl, shows kNoCurlMessage and scans nothing.
void ScanSecondaryPresets(PluginState* state, const PresetSet& presets,
                          RateSink* sink);

}  // namespace pagerates

#endif  // PAGERATES_HOST_SECONDARY_PRESETS_H_
