#include "host/module_host.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "host/host_hooks.h"

extern "C" void PageratesShowMessageBox(const char* text, const char* title);
extern "C" void PageratesReportDownload(const char* address,
                                        const char* outcome);

namespace pagerates::cli {
namespace {

RateDate Day(int day) { return RateDate{2016, 9, static_cast<int8_t>(day)}; }

TEST(RecordingSinkTest, CopiesWhatIsDeliveredAndTakeForgetsIt) {
  RecordingSink sink;
  std::string path = "/first";
  ResourceRequest request{sizeof(ResourceRequest), Day(7), 10, 1, path.c_str()};
  sink.RequestResource(&request);
  path = "/again";  // the module's strings die with the call
  request.path = path.c_str();
  request.date = Day(8);
  sink.RequestResource(&request);
  std::string code = "USD";
  RateRecord record{10000, 649213, code.c_str(), nullptr, Day(8)};
  sink.AddRate(&record);
  code = "EUR";
  sink.AddRate(&record);

  ASSERT_EQ(sink.requests().size(), 2u);
  EXPECT_EQ(sink.requests()[0].path, "/first");
  EXPECT_EQ(sink.requests()[0].size, sizeof(ResourceRequest));
  std::optional<PageRequest> latest = sink.TakeRequest();
  ASSERT_TRUE(latest.has_value());
  EXPECT_EQ(latest->path, "/again");
  EXPECT_EQ(latest->date.day, 8);
  EXPECT_FALSE(sink.TakeRequest().has_value());

  std::vector<Record> records = sink.TakeRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].code, "USD");
  EXPECT_EQ(records[1].code, "EUR");
  EXPECT_EQ(records[0].name, "");  // null
  EXPECT_EQ(records[1].value2, 649213);
  EXPECT_TRUE(sink.records().empty());
  EXPECT_FALSE(sink.failed());
}

TEST(HostHooksTest, BoxesAreKeptInOrderOrHandedToTheHandler) {
  TakeMessageBoxes();
  PageratesShowMessageBox("first", "Error");
  PageratesShowMessageBox(nullptr, nullptr);
  EXPECT_EQ(TakeMessageBoxes(), (std::vector<MessageBoxEntry>{
                                    {"Error", "first"}, {"(null)", "(null)"}}));
  EXPECT_TRUE(TakeMessageBoxes().empty());

  std::vector<std::string> seen;
  SetMessageBoxHandler([&seen](const MessageBoxEntry& box) {
    seen.push_back(box.title + ": " + box.text);
    throw std::runtime_error("the module must not see this");
  });
  PageratesShowMessageBox("text", "Title");
  MessageBoxHandler previous = SetMessageBoxHandler(nullptr);
  EXPECT_TRUE(previous);
  EXPECT_EQ(seen, std::vector<std::string>{"Title: text"});
  EXPECT_TRUE(TakeMessageBoxes().empty());
}

TEST(HostHooksTest, DownloadReportsAreKeptOrHandedToTheHandler) {
  TakeDownloadReports();
  PageratesReportDownload("http://a/", "ok");
  EXPECT_EQ(TakeDownloadReports(),
            (std::vector<DownloadReport>{{"http://a/", "ok"}}));
  int handled = 0;
  SetDownloadReportHandler([&handled](const DownloadReport&) { ++handled; });
  PageratesReportDownload(nullptr, nullptr);
  SetDownloadReportHandler(nullptr);
  EXPECT_EQ(handled, 1);
  EXPECT_TRUE(TakeDownloadReports().empty());
}

TEST(ModuleTest, LoadFailuresSayWhatFailed) {
  std::string error;
  EXPECT_EQ(Module::Load("/nonexistent/pagerates.so", "", &error), nullptr);
  EXPECT_TRUE(
      error.starts_with("cannot load module /nonexistent/pagerates.so: "))
      << error;
  // A library without the exports.
  EXPECT_EQ(Module::Load(PAGERATES_NOT_A_MODULE, "", &error), nullptr);
  EXPECT_NE(error.find("it does not export GetLibraryInfo"), std::string::npos)
      << error;
}

}  // namespace
}  // namespace pagerates::cli
