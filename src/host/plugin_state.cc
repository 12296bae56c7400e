#include "host/plugin_state.h"

#include <cstring>

#include "config/address_template.h"
#include "host/secondary_presets.h"
#include "parse/page_scanner.h"
#include "port/port.h"

namespace pagerates {
namespace {

constexpr char kAuthor[] = "The pagerates developers";
constexpr char kEmail[] = "pagerates@example.org";
constexpr char kHomePage[] = "https://pagerates.example.org/";

// day * 2^24 + month * 2^16 + year, each part signed, modulo 2^32.
uint32_t DateValue(RateDate date) {
  return static_cast<uint32_t>(date.day) * 0x1000000u +
         static_cast<uint32_t>(date.month) * 0x10000u +
         static_cast<uint32_t>(date.year);
}

}  // namespace

bool AttachState(PluginState* state, const char* module_path) {
  if (module_path == nullptr ||
      std::strlen(module_path) >= port::kModulePathLimit) {
    return false;
  }
  state->config->Load(PluginConfig::ConfigFilePath(module_path),
                      state->diagnostics.get());
  return true;
}

LibraryInfo* GetLibraryInfoImpl(PluginState* state) {
  state->config->Refresh(state->diagnostics.get());
  const PluginConfig& config = *state->config;
  LibraryInfo& info = state->library_info;
  info.size = sizeof(LibraryInfo);
  info.codePage = 65001;
  info.name = config.name().c_str();
  info.server = config.server().c_str();
  info.homeCurrencyCode = config.home_currency_code().c_str();
  info.homeCurrencyName = config.home_currency_name().c_str();
  info.author = kAuthor;
  info.email = kEmail;
  info.homePage = kHomePage;
  return &info;
}

void GetResourcesImpl(PluginState* state, RateDate date, RateSink* sink) {
  state->config->Refresh(state->diagnostics.get());
  const PluginConfig& config = *state->config;
  HeapString path = ExpandAddressTemplate(config.page_path().view(), date);
  ResourceRequest request{sizeof(ResourceRequest), date,
                          config.estimated_page_size(), DateValue(date),
                          path.c_str()};
  sink->RequestResource(&request);
  state->pending_dates.insert(date);
}

void FetchRatesImpl(PluginState* state, const char* page_text, RateDate date,
                    RateSink* sink) {
  PluginConfig& config = *state->config;
  config.Refresh(state->diagnostics.get());
  // Every page of this call, primary and secondary, is scanned with this
  // one set, even if the file changes meanwhile.
  std::shared_ptr<const PresetSet> presets = config.presets();
  // No ActivePreset: nothing to scan with.
  const CompiledPreset* primary = presets->preset(0);
  if (primary == nullptr) return;
  ScanPage(*primary, page_text != nullptr ? page_text : "", date, sink,
           state->diagnostics.get(),
           [state](const RateDate& d) { state->pending_dates.insert(d); });
  if (presets->active() < 2) return;
  ScanSecondaryPresets(state, *presets, sink);
}

}  // namespace pagerates
