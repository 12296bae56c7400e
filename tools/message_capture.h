// Message boxes raised by the module's code linked into this program (the
// check command links the configuration and matcher code directly).
//
// The platform layer hands every box to PageratesShowMessageBox when the
// program defines it; message_capture.cc defines it for this program only.
// It is not exported, so a module loaded at run time (scan, fetch) does not
// see it and keeps writing its boxes to stderr.
#ifndef PAGERATES_TOOLS_MESSAGE_CAPTURE_H_
#define PAGERATES_TOOLS_MESSAGE_CAPTURE_H_

#include <string>
#include <vector>

namespace pagerates::cli {

struct CapturedMessage {
  std::string title;
  std::string text;
};

// While an instance lives, boxes are kept instead of shown; without one
// they are lines "<title>: <text>" on stderr. One instance at a time, on
// one thread.
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  // The boxes since the last call, in order.
  std::vector<CapturedMessage> Take();

  // Keeps the box in the active capture, or writes it to stderr when there
  // is none. What the platform layer's hook calls.
  static void Deliver(const char* text, const char* title);

 private:
  std::vector<CapturedMessage> messages_;
  MessageCapture* previous_;
};

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_MESSAGE_CAPTURE_H_
