#include "message_capture.h"

#include <cstdio>
#include <utility>

namespace pagerates::cli {
namespace {

MessageCapture* g_active = nullptr;

}  // namespace

MessageCapture::MessageCapture() : previous_(g_active) { g_active = this; }

MessageCapture::~MessageCapture() { g_active = previous_; }

std::vector<CapturedMessage> MessageCapture::Take() {
  return std::exchange(messages_, {});
}

void MessageCapture::Deliver(const char* text, const char* title) {
  const char* safe_text = text != nullptr ? text : "";
  const char* safe_title = title != nullptr ? title : "";
  if (g_active != nullptr) {
    try {
      g_active->messages_.push_back({safe_title, safe_text});
      return;
    } catch (...) {
      // Out of memory: show it the plain way.
    }
  }
  std::fprintf(stderr, "%s: %s\n", safe_title, safe_text);
  std::fflush(stderr);
}

}  // namespace pagerates::cli

// Resolves the platform layer's weak reference at link time. Hidden: the
// executable must not offer it to modules it loads.
#if defined(__ELF__)
#define PAGERATES_NOT_EXPORTED __attribute__((visibility("hidden")))
#else
#define PAGERATES_NOT_EXPORTED
#endif
extern "C" PAGERATES_NOT_EXPORTED void PageratesShowMessageBox(
    const char* text, const char* title) {
  pagerates::cli::MessageCapture::Deliver(text, title);
}
