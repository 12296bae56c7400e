#include "tests/support/test_support.h"

#include <ostream>

namespace pagerates::testing {

std::ostream& operator<<(std::ostream& out, const Rate& rate) {
  return out << "{" << rate.code << " '" << rate.name << "' " << rate.value1
             << " " << rate.value2 << " " << rate.year << "-" << rate.month
             << "-" << rate.day << "}";
}

std::vector<Rate> RecordingSink::rates() const {
  std::vector<Rate> rates;
  for (const cli::Record& r : records()) {
    rates.push_back({r.value1, r.value2, r.code, r.name, r.date.year,
                     r.date.month, r.date.day});
  }
  return rates;
}

Diagnostics* BoxLog() {
  class Log final : public Diagnostics {
   public:
    void Report(const Diagnostic& d) override {
      cli::RaiseMessageBox({d.title, d.text});
    }
  };
  static Log log;
  return &log;
}

}  // namespace pagerates::testing
