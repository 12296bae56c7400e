#include "tests/support/test_support.h"

#include <stdlib.h>

#include <fstream>
#include <ostream>
#include <stdexcept>

namespace {
std::vector<pagerates::testing::MessageBox>& Boxes() {
  static std::vector<pagerates::testing::MessageBox> boxes;
  return boxes;
}
std::vector<pagerates::testing::DownloadReport>& Reports() {
  static std::vector<pagerates::testing::DownloadReport> reports;
  return reports;
}
}  // namespace

// The platform layer shows message boxes through this when the program
// supplies it: the tests record them instead.
extern "C" __attribute__((visibility("default"))) void PageratesShowMessageBox(
    const char* text, const char* title) {
  Boxes().push_back({title, text});
}

// The same for the download reports.
extern "C" __attribute__((visibility("default"))) void PageratesReportDownload(
    const char* address, const char* outcome) {
  Reports().push_back({address, outcome});
}

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

std::ostream& operator<<(std::ostream& out, const MessageBox& box) {
  return out << "[" << box.title << ": " << box.text << "]";
}

std::ostream& operator<<(std::ostream& out, const DownloadReport& report) {
  return out << "[" << report.address << " " << report.outcome << "]";
}

void RecordingSink::RequestResource(const ResourceRequest* request) {
  requests.push_back({request->size, request->date, request->estimatedSize,
                      request->dateValue, request->path});
}

void RecordingSink::AddRate(const RateRecord* record) {
  rates.push_back({record->value1, record->value2, record->code, record->name,
                   record->date.year, record->date.month, record->date.day});
}

Diagnostics* BoxLog() {
  class Log final : public Diagnostics {
   public:
    void Report(const Diagnostic& d) override {
      Boxes().push_back({d.title, d.text});
    }
  };
  static Log log;
  return &log;
}

std::vector<MessageBox> TakeMessageBoxes() {
  std::vector<MessageBox> taken;
  taken.swap(Boxes());
  return taken;
}

std::vector<DownloadReport> TakeDownloadReports() {
  std::vector<DownloadReport> taken;
  taken.swap(Reports());
  return taken;
}

}  // namespace pagerates::testing
