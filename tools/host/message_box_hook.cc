// PageratesShowMessageBox for every host program (see host_hooks.h).
#include "host/hook_route.h"
#include "host/host_hooks.h"

namespace pagerates::cli {
namespace {

HookRoute<MessageBoxEntry>& Boxes() {
  static HookRoute<MessageBoxEntry> route;
  return route;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const MessageBoxEntry& box) {
  return out << "[" << box.title << ": " << box.text << "]";
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return Boxes().Set(std::move(handler));
}

std::vector<MessageBoxEntry> TakeMessageBoxes() { return Boxes().Take(); }

void RaiseMessageBox(MessageBoxEntry box) { Boxes().Deliver(std::move(box)); }

}  // namespace pagerates::cli

extern "C" PAGERATES_HOST_EXPORT void PageratesShowMessageBox(
    const char* text, const char* title) {
  try {
    pagerates::cli::RaiseMessageBox({title != nullptr ? title : "(null)",
                                     text != nullptr ? text : "(null)"});
  } catch (...) {
    // Out of memory for the copy: the box is lost.
  }
}
