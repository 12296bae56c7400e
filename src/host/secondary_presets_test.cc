#include "host/secondary_presets.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/test_support.h"

namespace pagerates {
namespace {

using testing::Date;
using testing::MessageBox;
using testing::RecordingSink;
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
  EXPECT_EQ(sink.rates.size(), 2u);
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
  ASSERT_EQ(sink.rates.size(), 2u);
  EXPECT_EQ(sink.rates[1].code, "abcdefg");
  EXPECT_EQ(state_->fetched_addresses.count("http://127.0.0.1:1/08"), 1u);
  FetchRatesImpl(state_.get(), "USD", Date(2016, 9, 8), &sink);
  EXPECT_EQ(sink.rates.size(), 3u);  // the page is not fetched again
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

TEST_F(SecondaryFaultsTest, FailedDownloadsAreBoundedAndTriedAgain) {
  const std::vector<std::string> faults = {
      "/status/404/", "/status/500/", "/reset/", "/stall/", "/drip/", "/endless/",
  };
  std::string ini = "[main]\nActivePreset=p";
  for (size_t i = 0; i < faults.size() + 2; ++i) ini += ",s" + std::to_string(i);
  ini += "\n[p]\nHomeCurrencyCode=RUB\nCodepage=65001\nRecord=(?<code>[A-Z]{3})\n";
  std::vector<std::string> urls;
  for (const std::string& f : faults) urls.push_back(base_ + f + "fault-%dd%");
  urls.push_back("http://127.0.0.1:1/refused-%dd%");
  urls.push_back("http://no-such-host.invalid/%dd%");
  for (size_t i = 0; i < urls.size(); ++i) {
    ini += "[s" + std::to_string(i) + "]\nHomeCurrencyCode=RUB\nPageURL=" + urls[i] +
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
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Three stalling servers at two seconds each, and some slack.
    EXPECT_LT(seconds, 40.0);
    ASSERT_EQ(sink.rates.size(), 2u);  // the primary page's records, nothing else
    EXPECT_TRUE(state_->fetched_addresses.empty());
    for (const std::string& f : faults) EXPECT_EQ(Requests(f + "fault-08"), call) << f;
  }
  EXPECT_TRUE(TakeMessageBoxes().empty());
}

}  // namespace
}  // namespace pagerates
