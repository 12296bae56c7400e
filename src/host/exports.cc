// The module's three exports and its load and unload notifications.
//
// The exports keep the boundary promises: they never throw, and with no
// configuration (a failed attach) they answer with empty strings and
// deliver nothing.
#include <new>

#include "host/plugin_state.h"
#include "pagerates/abi.h"
#include "port/port.h"

namespace pagerates {
namespace {

PluginState* g_state = nullptr;

// Used when the state itself could not be made: empty but valid.
LibraryInfo g_empty_info = {
    sizeof(LibraryInfo), 65001, "", "", "", "", "", "", ""};

}  // namespace

namespace port {

bool ModuleAttach(const char* module_path) {
  try {
    delete g_state;
    g_state = new PluginState();
    return AttachState(g_state, module_path);
  } catch (...) {
    return false;
  }
}

void ModuleDetach() {
  delete g_state;
  g_state = nullptr;
}

}  // namespace port
}  // namespace pagerates

extern "C" {

LibraryInfo* PAGERATES_STDCALL GetLibraryInfo() {
  using pagerates::g_state;
  try {
    if (g_state != nullptr) return pagerates::GetLibraryInfoImpl(g_state);
  } catch (...) {
  }
  return &pagerates::g_empty_info;
}

void PAGERATES_STDCALL GetResources(RateDate date, RateSink* sink) {
  using pagerates::g_state;
  if (g_state == nullptr || sink == nullptr) return;
  try {
    pagerates::GetResourcesImpl(g_state, date, sink);
  } catch (...) {
  }
}

void PAGERATES_STDCALL FetchRates(const char* page_text, RateDate date,
                                  RateSink* sink) {
  using pagerates::g_state;
  if (g_state == nullptr || sink == nullptr) return;
  try {
    pagerates::FetchRatesImpl(g_state, page_text, date, sink);
  } catch (...) {
  }
}

}  // extern "C"
