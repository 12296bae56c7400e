#include "host/plugin_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace pagerates {
namespace {

using testing::Date;
using testing::RecordingSink;
using testing::TakeMessageBoxes;

class PluginStateTest : public ::testing::Test {
 protected:
  void Attach(const std::string& ini) {
    dir_.Write("pagerates.ini", ini);
    state_ = std::make_unique<PluginState>();
    ASSERT_TRUE(
        AttachState(state_.get(), (dir_.path() / "pagerates.so").c_str()));
    TakeMessageBoxes();
  }
  std::vector<RateDate> Pending() const {
    return {state_->pending_dates.begin(), state_->pending_dates.end()};
  }

  testing::TempDir dir_;
  std::unique_ptr<PluginState> state_;
};

constexpr char kIni[] =
    "[main]\nActivePreset=p\n[p]\nName=Bank\nPageURL=http://bank:81/"
    "d?%dd%.%mm%.%yyyy%\n"
    "HomeCurrencyCode=RUB\nHomeCurrencyName=Rouble\nEstimatedPageSize=42\n"
    "Codepage=65001\nRecord=(?<code>[A-Z]{3}) (?<date>[\\d.]+)\n";

TEST_F(PluginStateTest, LibraryInfoDescribesThePrimaryPreset) {
  Attach(kIni);
  LibraryInfo* info = GetLibraryInfoImpl(state_.get());
  EXPECT_EQ(info->size, sizeof(LibraryInfo));
  EXPECT_EQ(info->codePage, 65001u);
  EXPECT_STREQ(info->name, "Bank");
  EXPECT_STREQ(info->server, "bank:81");
  EXPECT_STREQ(info->homeCurrencyCode, "RUB");
  EXPECT_STREQ(info->homeCurrencyName, "Rouble");
  EXPECT_EQ(GetLibraryInfoImpl(state_.get()), info);
}

TEST_F(PluginStateTest, LibraryInfoStringsOutliveCallsScansAndEdits) {
  Attach(kIni);
  const LibraryInfo first = *GetLibraryInfoImpl(state_.get());
  RecordingSink sink;
  GetResourcesImpl(state_.get(), Date(2016, 9, 8), &sink);
  FetchRatesImpl(state_.get(), "USD 08.09.2016", Date(2016, 9, 8), &sink);
  // An edit that changes every value the record shows, in a file of
  // another size, so that it is read again.
  dir_.Write("pagerates.ini",
             "[main]\nActivePreset=q\n[q]\nName=Other bank with a longer "
             "name\nPageURL=http://other:82/x\nHomeCurrencyCode=EUR\n"
             "HomeCurrencyName=Euro\n");
  FetchRatesImpl(state_.get(), "USD 08.09.2016", Date(2016, 9, 8), &sink);
  const LibraryInfo& again = *GetLibraryInfoImpl(state_.get());
  const char* const LibraryInfo::*const fields[] = {
      &LibraryInfo::name,
      &LibraryInfo::server,
      &LibraryInfo::homeCurrencyCode,
      &LibraryInfo::homeCurrencyName,
      &LibraryInfo::author,
      &LibraryInfo::email,
      &LibraryInfo::homePage};
  for (auto field : fields) EXPECT_EQ(again.*field, first.*field);
  // The identity is read once, at load.
  EXPECT_STREQ(again.name, "Bank");
  EXPECT_STREQ(again.server, "bank:81");
}

TEST_F(PluginStateTest, LibraryInfoOfAMissingPresetHasEmptyStrings) {
  Attach("[main]\nActivePreset=nowhere\n");
  LibraryInfo* info = GetLibraryInfoImpl(state_.get());
  for (const char* s : {info->name, info->server, info->homeCurrencyCode,
                        info->homeCurrencyName}) {
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "");
  }
}

TEST_F(PluginStateTest, ResourceRequestForADate) {
  Attach(kIni);
  RecordingSink sink;
  GetResourcesImpl(state_.get(), Date(2016, 9, 8), &sink);
  ASSERT_EQ(sink.requests().size(), 1u);
  const testing::Request& r = sink.requests()[0];
  EXPECT_EQ(r.size, sizeof(ResourceRequest));
  EXPECT_EQ(r.estimated_size, 42u);
  EXPECT_EQ(r.date_value, 0x080907E0u);
  uint32_t bits;
  std::memcpy(&bits, &r.date, sizeof bits);
  EXPECT_EQ(bits, 0x080907E0u);
  EXPECT_EQ(r.path, "/d?08.09.2016");
}

TEST_F(PluginStateTest, DateValueOfNegativeParts) {
  Attach(kIni);
  RecordingSink sink;
  GetResourcesImpl(state_.get(), Date(-1, -1, -1), &sink);
  // Each part is taken as a signed value before the sum, modulo 2^32.
  EXPECT_EQ(sink.requests()[0].date_value,
            static_cast<uint32_t>(-0x1000000LL - 0x10000LL - 1LL));
}

TEST_F(PluginStateTest, PendingDatesCollectRequestsAndDeliveredDatesOnce) {
  Attach(kIni);
  RecordingSink sink;
  GetResourcesImpl(state_.get(), Date(2016, 10, 1), &sink);
  GetResourcesImpl(state_.get(), Date(2016, 10, 1), &sink);
  FetchRatesImpl(state_.get(), "USD 30.09.2016 EUR 30.09.2016 GBP 29.09.2016",
                 Date(2016, 10, 1), &sink);
  EXPECT_EQ(sink.rates().size(), 3u);
  std::vector<RateDate> pending = Pending();
  ASSERT_EQ(pending.size(), 3u);
  EXPECT_EQ(pending[0].day, 29);
  EXPECT_EQ(pending[1].day, 30);
  EXPECT_EQ(pending[2].month, 10);
  // One preset: nothing ever empties the set.
  FetchRatesImpl(state_.get(), "", Date(2016, 10, 2), &sink);
  EXPECT_EQ(Pending().size(), 3u);
  EXPECT_TRUE(TakeMessageBoxes().empty());
}

TEST_F(PluginStateTest, NoActivePresetDeliversNothing) {
  Attach("[main]\n");
  RecordingSink sink;
  FetchRatesImpl(state_.get(), "USD 01.01.2016", Date(2016, 1, 1), &sink);
  GetResourcesImpl(state_.get(), Date(2016, 1, 1), &sink);
  EXPECT_TRUE(sink.rates().empty());
  ASSERT_EQ(sink.requests().size(), 1u);
  EXPECT_EQ(sink.requests()[0].path, "");
  EXPECT_TRUE(TakeMessageBoxes().empty());
}

TEST_F(PluginStateTest, PathThatDoesNotFitFailsTheAttach) {
  PluginState state;
  std::string too_long(port::kModulePathLimit, 'a');
  EXPECT_FALSE(AttachState(&state, too_long.c_str()));
  EXPECT_FALSE(AttachState(&state, nullptr));
  RecordingSink sink;
  FetchRatesImpl(&state, "x", Date(2016, 1, 1), &sink);
  EXPECT_STREQ(GetLibraryInfoImpl(&state)->name, "");
}

TEST(DateOrderTest, ComparesSignedFieldsInOrder) {
  DateOrder less;
  EXPECT_TRUE(less(Date(2016, 9, 30), Date(2016, 10, 1)));
  EXPECT_TRUE(less(Date(-5, 12, 31), Date(0, 1, 1)));
  EXPECT_TRUE(less(Date(2016, -1, 1), Date(2016, 1, 1)));
  EXPECT_FALSE(less(Date(2016, 1, 1), Date(2016, 1, 1)));
}

}  // namespace
}  // namespace pagerates
