#include "host/secondary_presets.h"

#include <set>
#include <string>
#include <vector>

#include "config/address_template.h"
#include "fetch/http_fetcher.h"
#include "parse/page_scanner.h"
#include "port/port.h"

namespace pagerates {
namespace {

// One secondary preset on one pending date, in the order they are walked.
struct Visit {
  const CompiledPreset* preset;
  RateDate date;
  std::string address;
  bool downloads;  // the first visit of an address not downloaded before
};

// The walk over the visits: every skip is reported, every download scanned,
// in visit order, whichever order the downloads finish in.
class Walk {
 public:
  Walk(PluginState* state, RateSink* sink, bool reporting)
      : state_(state), sink_(sink), reporting_(reporting) {}

  // Takes the visits up to (not including) the next that downloads: each
  // is skipped, as downloaded before or as failed earlier in this call.
  // Returns that visit, or null at the end.
  const Visit* SkipTo(const std::vector<Visit>& visits) {
    for (; next_ < visits.size(); ++next_) {
      const Visit& visit = visits[next_];
      if (visit.downloads) return &visits[next_++];
      if (state_->fetched_addresses.count(visit.address) != 0) {
        port::ReportDownload(visit.address.c_str(), kSkippedDownloaded);
      } else {
        port::ReportDownload(visit.address.c_str(), kSkippedFailed);
      }
    }
    return nullptr;
  }

  // A download of `visit`'s address has ended: scanned and remembered when
  // it succeeded, remembered for this call only when it failed.
  void Downloaded(const Visit& visit, const Download& download) {
    if (reporting_) {
      port::ReportDownload(visit.address.c_str(), download.Outcome().c_str());
    }
    if (!download.ok()) return;
    ScanPage(*visit.preset, download.body() != nullptr ? download.body() : "",
             visit.date, sink_, state_->diagnostics.get(), nullptr);
    state_->fetched_addresses.insert(visit.address);
  }

 private:
  PluginState* state_;
  RateSink* sink_;
  bool reporting_;
  size_t next_ = 0;
};

}  // namespace

void ScanSecondaryPresets(PluginState* state, const PresetSet& presets,
                          RateSink* sink) {
  const bool reporting = port::HasDownloadReporter();
  HttpFetcher fetcher(state->fetch_limits);
  fetcher.Open(state->curl_library_name.c_str());
  if (!fetcher.ready()) {
    state->diagnostics->Report(Diagnostic{Diagnostic::Kind::kNoCurl, "", "",
                                          kConfigErrorTitle, kNoCurlMessage});
  } else {
    // Each address is downloaded at most once per call: by its first visit
    // when it was not downloaded before. A later visit of the same address
    // finds it downloaded, or failed earlier in this call (so a dead server
    // costs one time-out per call, and a server that recovers meanwhile is
    // not scanned by a later preset alone); a later call tries it again.
    std::vector<Visit> visits;
    std::vector<std::string> downloads;
    std::set<std::string> asked;
    for (int i = 1; i < presets.active(); ++i) {
      const CompiledPreset& preset = *presets.preset(i);
      for (const RateDate& date : state->pending_dates) {
        HeapString expanded =
            ExpandAddressTemplate(preset.page_template.view(), date);
        std::string address(expanded.view());
        const bool first = state->fetched_addresses.count(address) == 0 &&
                           asked.insert(address).second;
        if (first) downloads.push_back(address);
        visits.push_back(Visit{&preset, date, std::move(address), first});
      }
    }
    Walk walk(state, sink, reporting);
    fetcher.FetchEach(downloads, [&](size_t, const Download& download) {
      walk.Downloaded(*walk.SkipTo(visits), download);
      return true;
    });
    walk.SkipTo(visits);
  }
  state->pending_dates.clear();
}

}  // namespace pagerates
