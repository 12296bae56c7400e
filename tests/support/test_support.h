// Helpers shared by the unit tests: temporary files, a sink that records
// what the module delivers, and a log of the message boxes it shows.
#ifndef PAGERATES_TESTS_SUPPORT_TEST_SUPPORT_H_
#define PAGERATES_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <filesystem>
#include <string>
#include <vector>

#include "config/diagnostics.h"
#include "pagerates/abi.h"

namespace pagerates::testing {

// A directory removed with everything in it when the owner goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to `name` inside the directory; returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

struct Rate {
  int64_t value1;
  int64_t value2;
  std::string code;
  std::string name;
  int year, month, day;
  bool operator==(const Rate&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rate& rate);

struct Request {
  uint32_t size;
  RateDate date;
  uint32_t estimated_size;
  uint32_t date_value;
  std::string path;
};

// Copies every request and rate at once: their strings die with the call.
class RecordingSink : public RateSink {
 public:
  void PAGERATES_THISCALL
  RequestResource(const ResourceRequest* request) override;
  void PAGERATES_THISCALL AddRate(const RateRecord* record) override;
  std::vector<Request> requests;
  std::vector<Rate> rates;
};

struct MessageBox {
  std::string title;
  std::string text;
  bool operator==(const MessageBox&) const = default;
};
std::ostream& operator<<(std::ostream& out, const MessageBox& box);

// Every message box shown since the last Take(), in order.
std::vector<MessageBox> TakeMessageBoxes();

// Diagnostics that land where message boxes do: in TakeMessageBoxes().
Diagnostics* BoxLog();

struct DownloadReport {
  std::string address;
  std::string outcome;
  bool operator==(const DownloadReport&) const = default;
};
std::ostream& operator<<(std::ostream& out, const DownloadReport& report);

// Every download the module reported since the last Take(), in order.
std::vector<DownloadReport> TakeDownloadReports();

inline RateDate Date(int year, int month, int day) {
  return RateDate{static_cast<int16_t>(year), static_cast<int8_t>(month),
                  static_cast<int8_t>(day)};
}

}  // namespace pagerates::testing

#endif  // PAGERATES_TESTS_SUPPORT_TEST_SUPPORT_H_
