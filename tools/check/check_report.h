// `pagerates check`: the INI file's presets checked offline, and optionally
// one page scanned with one of them, all with the module's own code linked
// into this program. Nothing is loaded at run time and no message box is
// shown: the module's messages become part of the report.
#ifndef PAGERATES_TOOLS_CHECK_CHECK_REPORT_H_
#define PAGERATES_TOOLS_CHECK_CHECK_REPORT_H_

#include <optional>
#include <string>

#include "pagerates/abi.h"

namespace pagerates::cli {

struct PageToCheck {
  std::string name;    // how the user named it, for the report
  std::string bytes;   // the page as read; scanned up to its first NUL
  RateDate date{};     // the date the scan starts from
  std::string preset;  // an active preset's section; empty: the primary one
};

struct CheckOutcome {
  std::string report;     // the whole text for stdout
  bool problems = false;  // something was reported
};

// Checks the INI file at `ini_path` (which the caller has found readable)
// and, when `page` is set, scans it. Problems are: any finding of the
// offline check; with a page, also a preset that is not active, a message
// box during the scan, or a scan that delivers nothing.
CheckOutcome CheckIni(const std::string& ini_path,
                      const std::optional<PageToCheck>& page);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_CHECK_REPORT_H_
