// The two optional hooks the module looks for in the program that loads it
// (see abi.h), defined once for every host program: PageratesShowMessageBox
// and PageratesReportDownload. Linking this library exports them from the
// executable (a weak import on POSIX, GetModuleHandle(NULL) plus
// GetProcAddress on Windows), so the module calls them instead of showing
// a box or keeping quiet.
//
// What arrives goes to the handler set for it, at once and in order; with
// no handler it is kept until taken. The state is process-wide, like the
// hooks. Nothing here throws into the module: a handler's exception or a
// failed copy is dropped.
#ifndef PAGERATES_TOOLS_HOST_HOST_HOOKS_H_
#define PAGERATES_TOOLS_HOST_HOST_HOOKS_H_

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace pagerates::cli {

// A message box as the module raised it (not named MessageBox, which
// <windows.h> defines as a macro); a null title or text reads
// "(null)".
struct MessageBoxEntry {
  std::string title;
  std::string text;
  bool operator==(const MessageBoxEntry&) const = default;
};
std::ostream& operator<<(std::ostream& out, const MessageBoxEntry& box);

using MessageBoxHandler = std::function<void(const MessageBoxEntry& box)>;

// Sends every box from now on to `handler`, or keeps them when it is empty.
// Returns the handler it replaces.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The boxes kept since the last call, in the order they were raised.
std::vector<MessageBoxEntry> TakeMessageBoxes();

// Treats `box` as if the module had raised it: for code linked into the
// program that reports where boxes go.
void RaiseMessageBox(MessageBoxEntry box);

// One secondary download as the module reported it.
struct DownloadReport {
  std::string address;
  std::string outcome;
  bool operator==(const DownloadReport&) const = default;
};
std::ostream& operator<<(std::ostream& out, const DownloadReport& report);

using DownloadReportHandler = std::function<void(const DownloadReport& report)>;

// The same pair for download reports. A program that uses neither does not
// export PageratesReportDownload, and the module then skips describing
// its downloads.
DownloadReportHandler SetDownloadReportHandler(DownloadReportHandler handler);
std::vector<DownloadReport> TakeDownloadReports();

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_HOST_HOST_HOOKS_H_
