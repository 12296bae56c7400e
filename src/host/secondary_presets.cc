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
    state->diagnostics->Report(Diagnostic{Diagnostic::Kind::kNoCurl, "", "",
                                          kConfigErrorTitle, kNoCurlMessage});
  } else {
    for (int i = 1; i < config.preset_count(); ++i) {
      for (const RateDate& date : state->pending_dates) {
        HeapString address = ExpandAddressTemplate(
            config.presets()->preset(i)->page_template.view(), date);
        if (state->fetched_addresses.count(std::string(address.view())) != 0)
          continue;
        if (!fetcher.Fetch(address.c_str())) continue;
        config.Refresh();
        // The page is scanned with the preset as the file now has it.
        std::shared_ptr<const PresetSet> presets = config.presets();
        ScanPage(*presets->preset(i),
                 fetcher.body() != nullptr ? fetcher.body() : "", date, sink,
                 state->diagnostics.get(), nullptr);
        state->fetched_addresses.emplace(address.view());
      }
    }
  }
  state->pending_dates.clear();
}

}  // namespace pagerates
