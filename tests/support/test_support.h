// Helpers shared by the unit tests: temporary files, and the host-support
// library's recording sink and hook capture in the shapes the tests
// compare against.
#ifndef PAGERATES_TESTS_SUPPORT_TEST_SUPPORT_H_
#define PAGERATES_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <string>
#include <vector>

#include "config/diagnostics.h"
#include "host/host_hooks.h"
#include "host/module_host.h"
#include "pagerates/abi.h"
#include "tests/support/temp_dir.h"

namespace pagerates::testing {

// A delivered rate, fields in the order the tests write them.
struct Rate {
  int64_t value1;
  int64_t value2;
  std::string code;
  std::string name;
  int year, month, day;
  bool operator==(const Rate&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rate& rate);

using Request = cli::PageRequest;

// The host-support sink (it makes the copies), with its records as Rates.
class RecordingSink : public cli::RecordingSink {
 public:
  std::vector<Rate> rates() const;
};

// Message boxes and download reports: every one the module raised since the
// last Take, in order.
using cli::DownloadReport;
using cli::TakeDownloadReports;
using cli::TakeMessageBoxes;
using MessageBox = cli::MessageBoxEntry;

// Diagnostics that land where message boxes do: in TakeMessageBoxes().
Diagnostics* BoxLog();

inline RateDate Date(int year, int month, int day) {
  return RateDate{static_cast<int16_t>(year), static_cast<int8_t>(month),
                  static_cast<int8_t>(day)};
}

}  // namespace pagerates::testing

#endif  // PAGERATES_TESTS_SUPPORT_TEST_SUPPORT_H_
