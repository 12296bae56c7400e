// MessageBoxes: the module's diagnostics as the user sees them, one message
// box per report, shown at once with the report's title and text.
#ifndef PAGERATES_HOST_MESSAGE_BOXES_H_
#define PAGERATES_HOST_MESSAGE_BOXES_H_

#include "config/diagnostics.h"
#include "port/port.h"

namespace pagerates {

class MessageBoxes final : public Diagnostics {
 public:
  void Report(const Diagnostic& diagnostic) override {
    port::ShowMessageBox(diagnostic.text.c_str(), diagnostic.title.c_str());
  }
};

}  // namespace pagerates

#endif  // PAGERATES_HOST_MESSAGE_BOXES_H_
