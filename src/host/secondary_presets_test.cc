#include "host/secondary_presets.h"

#include <gtest/gtest.h>

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
