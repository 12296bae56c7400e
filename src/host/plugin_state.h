// The module-wide state shared by the entry points, and the entry points'
// implementations on an explicit state (the exports bind them to the one
// instance; tests make their own).
#ifndef PAGERATES_HOST_PLUGIN_STATE_H_
#define PAGERATES_HOST_PLUGIN_STATE_H_

#include <memory>
#include <set>
#include <string>

#include "config/plugin_config.h"
#include "fetch/http_fetcher.h"
#include "host/message_boxes.h"
#include "pagerates/abi.h"

namespace pagerates {

// Dates by year, then month, then day, each compared as a signed number.
struct DateOrder {
  bool operator()(const RateDate& a, const RateDate& b) const {
    if (a.year != b.year) return a.year < b.year;
    if (a.month != b.month) return a.month < b.month;
    return a.day < b.day;
  }
};

// Dates awaiting the secondary presets.
using PendingDates = std::set<RateDate, DateOrder>;
// Secondary page addresses downloaded since attach, in byte order.
using FetchedAddresses = std::set<std::string>;

struct PluginState {
  // Never null: a module whose attach failed has an unloaded configuration,
  // with no presets and empty strings.
  std::unique_ptr<PluginConfig> config = std::make_unique<PluginConfig>();
  // Where the configuration's and the scans' problems go: message boxes.
  std::unique_ptr<Diagnostics> diagnostics = std::make_unique<MessageBoxes>();
  FetchedAddresses fetched_addresses;
  PendingDates pending_dates;
  LibraryInfo library_info{};
  // How secondary pages are downloaded; tests shorten the limits and swap
  // the library.
  FetchLimits fetch_limits;
  std::string curl_library_name = port::kCurlLibraryName;
};

// Loads the configuration beside the module at `module_path`. False when
// there is no path or it does not fit the platform's limit; the state then
// keeps its empty configuration.
bool AttachState(PluginState* state, const char* module_path);

// Refills and returns state->library_info.
LibraryInfo* GetLibraryInfoImpl(PluginState* state);

// Asks the sink to download the primary preset's page for `date`, and adds
// the date to the pending dates.
void GetResourcesImpl(PluginState* state, RateDate date, RateSink* sink);

// Scans the primary page; with several active presets, then downloads and
// scans the secondary presets' pages for every pending date.
void FetchRatesImpl(PluginState* state, const char* page_text, RateDate date,
                    RateSink* sink);

}  // namespace pagerates

#endif  // PAGERATES_HOST_PLUGIN_STATE_H_
