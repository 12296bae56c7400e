#include "tests/support/test_support.h"

#include <stdlib.h>

#include <fstream>
#include <ostream>
#include <stdexcept>

namespace pagerates::testing {

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "pagerates-test-XXXXXX")
          .string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& name,
                           const std::string& bytes) const {
  std::filesystem::path file = path_ / name;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  return file.string();
}

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
