#include "host/secondary_presets.h"

#include <set>
#include <string>

#include "config/address_template.h"
#include "fetch/http_fetcher.h"
#include "parse/page_scanner.h"
#include "port/port.h"

namespace pagerates {

void ScanSecondaryPresets(PluginState* state, const PresetSet& presets,
                          RateSink* sink) {
  const bool reporting = port::HasDownloadReporter();
  HttpFetcher fetcher(state->fetch_limits);
  fetcher.Open(state->curl_library_name.c_str(), reporting);
  if (!fetcher.ready()) {
    state->diagnostics->Report(Diagnostic{Diagnostic::Kind::kNoCurl, "", "",
                                          kConfigErrorTitle, kNoCurlMessage});
  } else {
    // Addresses that failed during this call: not tried again before it
    // ends, so a dead server costs one time-out per call, and a server that
    // recovers meanwhile is not scanned by a later preset alone.
    std::set<std::string> failed;
    for (int i = 1; i < presets.active(); ++i) {
      const CompiledPreset& preset = *presets.preset(i);
      for (const RateDate& date : state->pending_dates) {
        HeapString address =
            ExpandAddressTemplate(preset.page_template.view(), date);
        std::string key(address.view());
        if (state->fetched_addresses.count(key) != 0) {
          port::ReportDownload(address.c_str(), kSkippedDownloaded);
          continue;
        }
        if (failed.count(key) != 0) {
          port::ReportDownload(address.c_str(), kSkippedFailed);
          continue;
        }
        const bool ok = fetcher.Fetch(address.c_str());
        if (reporting)
          port::ReportDownload(address.c_str(), fetcher.Outcome().c_str());
        if (!ok) {
          failed.insert(std::move(key));
          continue;
        }
        ScanPage(preset, fetcher.body() != nullptr ? fetcher.body() : "", date,
                 sink, state->diagnostics.get(), nullptr);
        state->fetched_addresses.emplace(address.view());
      }
    }
  }
  state->pending_dates.clear();
}

}  // namespace pagerates
