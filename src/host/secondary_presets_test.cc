#include "host/secondary_presets.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tests/support/test_support.h"

namespace pagerates {
namespace {

using testing::Date;
using testing::DownloadReport;
using testing::MessageBox;
using testing::RecordingSink;
using testing::TakeDownloadReports;
using testing::TakeMessageBoxes;

class SecondaryPresetsTest : public ::testing::Test {
 protected:
  void Attach(const std::string& ini, const char* curl) {
    dir_.Write("pagerates.ini", ini);
    state_ = std::make_unique<PluginState>();
    state_->curl_library_name = curl;
    ASSERT_TRUE(
        AttachState(state_.get(), (dir_.path() / "pagerates.so").c_str()));
    TakeMessageBoxes();
    TakeDownloadReports();
  }
  testing::TempDir dir_;
  std::unique_ptr<PluginState> state_;
};

constexpr char kTwoPresets[] =
    "[main]\nActivePreset=a,b\n[a]\nHomeCurrencyCode=RUB\nCodepage=65001\n"
    "Record=(?<code>[A-Z]{3})\n[b]\nHomeCurrencyCode=RUB\nPageURL=http://"
    "127.0.0.1:1/%dd%\n";

TEST_F(SecondaryPresetsTest,
       WithoutLibcurlEveryCallSaysSoAfterThePrimaryRecords) {
  Attach(kTwoPresets, "libcurl-that-is-not-there.so.4");
  RecordingSink sink;
  GetResourcesImpl(state_.get(), Date(2016, 9, 7), &sink);
  FetchRatesImpl(state_.get(), "USD EUR", Date(2016, 9, 8), &sink);
  EXPECT_EQ(sink.rates().size(), 2u);
  EXPECT_EQ(TakeMessageBoxes(),
            (std::vector<MessageBox>{{"Configuration error", kNoCurlMessage}}));
  EXPECT_TRUE(state_->pending_dates.empty());
  // Also with nothing pending.
  FetchRatesImpl(state_.get(), "", Date(2016, 9, 8), &sink);
  EXPECT_EQ(TakeMessageBoxes().size(), 1u);
  EXPECT_TRUE(state_->fetched_addresses.empty());
}

TEST_F(SecondaryPresetsTest, OnePresetNeverLoadsLibcurl) {
  Attach(
      "[main]\nActivePreset=a\n[a]\nCodepage=65001\nRecord=(?<code>[A-Z]{3})\n",
      "libcurl-that-is-not-there.so.4");
  RecordingSink sink;
  FetchRatesImpl(state_.get(), "USD", Date(2016, 9, 8), &sink);
  EXPECT_TRUE(TakeMessageBoxes().empty());
  EXPECT_EQ(state_->pending_dates.size(), 1u);
}

TEST_F(SecondaryPresetsTest, IncompleteLibcurlCountsAsMissing) {
  Attach(kTwoPresets, FAKE_CURL_FIVE);
  RecordingSink sink;
  FetchRatesImpl(state_.get(), "USD", Date(2016, 9, 8), &sink);
  EXPECT_EQ(TakeMessageBoxes().size(), 1u);
  EXPECT_TRUE(state_->pending_dates.empty());
}

TEST_F(SecondaryPresetsTest, DownloadedPagesAreScannedAndRemembered) {
  std::string ini = kTwoPresets;
  ini += "Codepage=65001\nRecord=(?<code>[a-g]+)\n";
  Attach(ini, FAKE_CURL_FULL);
  RecordingSink sink;
  FetchRatesImpl(state_.get(), "USD", Date(2016, 9, 8), &sink);
  ASSERT_EQ(sink.rates().size(), 2u);
  EXPECT_EQ(sink.rates()[1].code, "abcdefg");
  EXPECT_EQ(state_->fetched_addresses.count("http://127.0.0.1:1/08"), 1u);
  FetchRatesImpl(state_.get(), "USD", Date(2016, 9, 8), &sink);
  EXPECT_EQ(sink.rates().size(), 3u);  // the page is not fetched again
  // The stand-in has no curl_easy_getinfo: no status to tell.
  EXPECT_EQ(TakeDownloadReports(),
            (std::vector<DownloadReport>{
                {"http://127.0.0.1:1/08", "downloaded"},
                {"http://127.0.0.1:1/08", kSkippedDownloaded}}));
}

// Two presets sharing an address that cannot be reached, two pending
// dates: one attempt per call, every other turn skipped.
constexpr char kSharedDeadAddress[] =
    "[main]\nActivePreset=a,b,c\n[a]\nHomeCurrencyCode=RUB\nCodepage=65001\n"
    "Record=(?<code>[A-Z]{3})\n[b]\nHomeCurrencyCode=RUB\nPageURL=%s\n"
    "Record=(?<code>[A-Z]{3})\n[c]\nHomeCurrencyCode=RUB\nPageURL=%s\n"
    "Record=(?<code>[A-Z]{3})\n";

std::string SharedAddressIni(const std::string& address) {
  std::string ini = kSharedDeadAddress;
  for (size_t at; (at = ini.find("%s")) != std::string::npos;)
    ini.replace(at, 2, address);
  return ini;
}

TEST_F(SecondaryPresetsTest, FailedAddressIsTriedOncePerCall) {
  const std::string dead = "http://127.0.0.1:1/rates.txt";
  Attach(SharedAddressIni(dead), port::kCurlLibraryName);
  for (int call = 1; call <= 2; ++call) {
    RecordingSink sink;
    GetResourcesImpl(state_.get(), Date(2016, 9, 7), &sink);
    FetchRatesImpl(state_.get(), "USD", Date(2016, 9, 8), &sink);
    EXPECT_EQ(sink.rates().size(), 1u);
    std::vector<DownloadReport> reports = TakeDownloadReports();
    ASSERT_EQ(reports.size(), 4u);  // two presets times two dates
    EXPECT_EQ(reports[0].address, dead);
    EXPECT_EQ(reports[0].outcome.rfind("failed: ", 0), 0u)
        << reports[0].outcome;
    for (size_t i = 1; i < reports.size(); ++i)
      EXPECT_EQ(reports[i], (DownloadReport{dead, kSkippedFailed}));
    EXPECT_TRUE(state_->fetched_addresses.empty());
    EXPECT_TRUE(state_->pending_dates.empty());
  }
}

TEST_F(SecondaryPresetsTest, NoHandleDownloadsNothingAndDeliversThePrimary) {
  const std::string curl =
      std::string(FAKE_CURL_DIR) + "/fake_curl_no_handle.so";
  Attach(kTwoPresets, curl.c_str());
  RecordingSink sink;
  FetchRatesImpl(state_.get(), "USD EUR", Date(2016, 9, 8), &sink);
  EXPECT_EQ(sink.rates().size(), 2u);
  EXPECT_TRUE(TakeMessageBoxes().empty());
  EXPECT_TRUE(state_->fetched_addresses.empty());
  EXPECT_TRUE(state_->pending_dates.empty());
}

// Throws once the secondary page's record arrives.
class ThrowingSink : public RecordingSink {
 public:
  void PAGERATES_THISCALL AddRate(const RateRecord* record) override {
    if (!records().empty()) throw std::runtime_error("host gave up");
    RecordingSink::AddRate(record);
  }
};

bool StillLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

TEST_F(SecondaryPresetsTest, LibcurlIsUnloadedOnEveryWayOut) {
  std::string ini = kTwoPresets;
  ini += "Codepage=65001\nRecord=(?<code>[a-g]+)\n";
  const std::string dir = FAKE_CURL_DIR;
  struct Case {
    std::string library;
    bool throwing_sink;
  } cases[] = {
      {FAKE_CURL_FULL, false},  // downloads and scans
      {FAKE_CURL_FULL, true},   // the host's sink throws mid-scan
      {FAKE_CURL_FIVE, false},  // incomplete: not ready
      {dir + "/fake_curl_no_global_cleanup.so", false},
      {dir + "/fake_curl_no_handle.so", false},  // no easy handle
  };
  for (const Case& c : cases) {
    ASSERT_FALSE(StillLoaded(c.library)) << c.library;
    Attach(ini, c.library.c_str());
    ThrowingSink throwing;
    RecordingSink recording;
    RecordingSink* sink = c.throwing_sink ? &throwing : &recording;
    bool threw = false;
    try {
      FetchRatesImpl(state_.get(), "USD", Date(2016, 9, 8), sink);
    } catch (const std::runtime_error&) {
      threw = true;
    }
    EXPECT_EQ(threw, c.throwing_sink) << c.library;
    EXPECT_FALSE(StillLoaded(c.library)) << c.library;
    TakeMessageBoxes();
  }
}

}  // namespace
}  // namespace pagerates

namespace pagerates {
namespace {

// Every kind of bad server, as secondary presets of one module, against the
// loopback test server (tests/http/with_server.sh) with short limits.
class SecondaryFaultsTest : public SecondaryPresetsTest {
 protected:
  void SetUp() override {
    const char* base = std::getenv("PAGERATES_TEST_HTTP");
    const char* log = std::getenv("PAGERATES_TEST_HTTP_LOG");
    if (base == nullptr || log == nullptr) GTEST_SKIP() << "no test server";
    base_ = base;
    log_ = log;
  }
  size_t Requests(const std::string& path) const {
    std::ifstream in(log_);
    size_t n = 0;
    for (std::string line; std::getline(in, line);) n += line == "GET " + path;
    return n;
  }
  std::string base_, log_;
};

TEST_F(SecondaryFaultsTest, FailingServerIsAskedOncePerCall) {
  const std::string path = "/status/500/shared-rates.txt";
  Attach(SharedAddressIni(base_ + path), port::kCurlLibraryName);
  for (int call = 1; call <= 2; ++call) {
    RecordingSink sink;
    GetResourcesImpl(state_.get(), Date(2016, 9, 7), &sink);
    FetchRatesImpl(state_.get(), "USD", Date(2016, 9, 8), &sink);
    EXPECT_EQ(Requests(path), static_cast<size_t>(call));
    std::vector<DownloadReport> reports = TakeDownloadReports();
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0], (DownloadReport{base_ + path, "HTTP 500"}));
  }
}

TEST_F(SecondaryFaultsTest, FailedDownloadsAreBoundedAndTriedAgain) {
  const std::vector<std::string> faults = {
      "/status/404/", "/status/500/", "/reset/",
      "/stall/",      "/drip/",       "/endless/",
  };
  std::string ini = "[main]\nActivePreset=p";
  for (size_t i = 0; i < faults.size() + 2; ++i)
    ini += ",s" + std::to_string(i);
  ini +=
      "\n[p]\nHomeCurrencyCode=RUB\nCodepage=65001\nRecord=(?<code>[A-Z]{3})\n";
  std::vector<std::string> urls;
  for (const std::string& f : faults) urls.push_back(base_ + f + "fault-%dd%");
  urls.push_back("http://127.0.0.1:1/refused-%dd%");
  urls.push_back("http://no-such-host.invalid/%dd%");
  for (size_t i = 0; i < urls.size(); ++i) {
    ini += "[s" + std::to_string(i) +
           "]\nHomeCurrencyCode=RUB\nPageURL=" + urls[i] +
           "\nCodepage=65001\nRecord=(?<code>[A-Z]{3})\n";
  }
  Attach(ini, port::kCurlLibraryName);
  state_->fetch_limits.connect_timeout_seconds = 5;
  state_->fetch_limits.low_speed_bytes = 100;
  state_->fetch_limits.low_speed_seconds = 2;
  state_->fetch_limits.max_body_bytes = 1 << 20;

  for (int call = 1; call <= 2; ++call) {
    RecordingSink sink;
    auto start = std::chrono::steady_clock::now();
    FetchRatesImpl(state_.get(), "USD EUR", Date(2016, 9, 8), &sink);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
            .count();
    // Three stalling servers at two seconds each, and some slack.
    EXPECT_LT(seconds, 40.0);
    ASSERT_EQ(sink.rates().size(),
              2u);  // the primary page's records, nothing else
    EXPECT_TRUE(state_->fetched_addresses.empty());
    for (const std::string& f : faults)
      EXPECT_EQ(Requests(f + "fault-08"), call) << f;
  }
  EXPECT_TRUE(TakeMessageBoxes().empty());
}

// Pages of several pending dates are downloaded at once and scanned in the
// order of a walk one after another: each preset's dates in date order,
// presets in list order. Redirects are followed to http only.
TEST_F(SecondaryFaultsTest, PagesAreDownloadedAtOnceAndScannedInOrder) {
  const std::string refused = base_ + "/redirect-file/%dd%";
  Attach(
      "[main]\nActivePreset=p,s0,s1,s2\n"
      "[p]\nHomeCurrencyCode=RUB\nCodepage=65001\nRecord=(?<code>[A-Z]{3})\n"
      "[s0]\nHomeCurrencyCode=RUB\nCodepage=65001\nPageURL=" +
          base_ + "/together/3/%dd%\nRecord=(?<code>tog)ether\n" +
          "[s1]\nHomeCurrencyCode=RUB\nCodepage=65001\nPageURL=" + refused +
          "\nRecord=(?<code>[a-z]{3})\n" +
          "[s2]\nHomeCurrencyCode=RUB\nCodepage=65001\nPageURL=" + base_ +
          "/redirect/301/status/200/%dd%\nRecord=(?<code>sta)tus\n",
      port::kCurlLibraryName);
  RecordingSink sink;
  GetResourcesImpl(state_.get(), Date(2016, 9, 9), &sink);
  GetResourcesImpl(state_.get(), Date(2016, 9, 7), &sink);
  FetchRatesImpl(state_.get(), "USD", Date(2016, 9, 8), &sink);
  std::vector<std::string> seen;
  for (const testing::Rate& rate : sink.rates()) {
    seen.push_back(rate.code + " " + std::to_string(rate.day));
  }
  // Alone, each of s0's pages would wait at the server and fail.
  EXPECT_EQ(seen, (std::vector<std::string>{"USD 8", "tog 7", "tog 8", "tog 9",
                                            "sta 7", "sta 8", "sta 9"}));
  std::vector<std::string> outcomes;
  for (const DownloadReport& report : TakeDownloadReports()) {
    outcomes.push_back(report.address.substr(base_.size()) + " " +
                       report.outcome);
  }
  const std::string file_refused =
      " failed: only http and https addresses are downloaded";
  EXPECT_EQ(outcomes.size(), 9u);
  EXPECT_EQ(outcomes[0], "/together/3/07 HTTP 200");
  EXPECT_EQ(outcomes[2], "/together/3/09 HTTP 200");
  EXPECT_EQ(outcomes[3].rfind("/redirect-file/07 failed: ", 0), 0u)
      << outcomes[3];
  EXPECT_EQ(outcomes[8], "/redirect/301/status/200/09 HTTP 200");
  // The refused pages are not remembered: the next call asks again.
  EXPECT_EQ(state_->fetched_addresses.size(), 6u);
  EXPECT_EQ(state_->fetched_addresses.count(base_ + "/redirect-file/07"), 0u);
}

}  // namespace
}  // namespace pagerates
