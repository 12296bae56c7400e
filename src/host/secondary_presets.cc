#include "host/secondary_presets.h"

#include "config/address_template.h"
#include "fetch/http_fetcher.h"
#include "parse/page_scanner.h"
#include "port/port.h"

namespace pagerates {

void ScanSecondaryPresets(PluginState* state, RateSink* sink) {
  PluginConfig& config = *state->config;
  HttpFetcher fetcher(state->fetch_limits);
  fetcher.Open(state->curl_library_name.c_str());
  if (!fetcher.ready()) {
    port::ShowMessageBox(kNoCurlMessage, kConfigErrorTitle);
  } else {
    for (int i = 1; i < config.preset_count(); ++i) {
      for (const RateDate& date : state->pending_dates) {
        HeapString address =
            ExpandAddressTemplate(config.PageTemplate(i).view(), date);
        if (state->fetched_addresses.count(std::string(address.view())) != 0)
          continue;
        if (!fetcher.Fetch(address.c_str())) continue;
        config.Refresh();
        ScanPage(config, i, fetcher.body() != nullptr ? fetcher.body() : "",
                 date, sink, nullptr);
        state->fetched_addresses.emplace(address.view());
      }
    }
  }
  state->pending_dates.clear();
}

}  // namespace pagerates
