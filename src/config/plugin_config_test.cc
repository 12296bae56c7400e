#include "config/plugin_config.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace pagerates {
namespace {

using testing::MessageBox;
using testing::TakeMessageBoxes;

class PluginConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { TakeMessageBoxes(); }
  PluginConfig& Load(const std::string& ini) {
    path_ = dir_.Write("pagerates.ini", ini);
    config_ = std::make_unique<PluginConfig>();
    config_->Load(path_, testing::BoxLog());
    return *config_;
  }
  std::string NotFound(const std::string& section) {
    return "Preset [" + section + "] not found in " + path_;
  }

  testing::TempDir dir_;
  std::string path_;
  std::unique_ptr<PluginConfig> config_;
};

constexpr char kSameCurrency[] =
    "All active presets must have the same home currency";

TEST_F(PluginConfigTest, DropsMissingAndForeignPresets) {
  PluginConfig& c = Load(
      "[main]\nActivePreset=A,B,C\n[A]\nHomeCurrencyCode=RUB\nName=a\n"
      "[B]\nName=b\n[C]\nHomeCurrencyCode=EUR\n");
  EXPECT_EQ(TakeMessageBoxes(),
            (std::vector<MessageBox>{{"Configuration error", NotFound("B")},
                                     {"Configuration error", kSameCurrency}}));
  EXPECT_EQ(c.preset_count(), 1);
  EXPECT_EQ(c.PresetName(0), "A");
  EXPECT_EQ(c.name().view(), "a");
}

// What validation decided travels with the set as data: the same drops
// and messages as the boxes, with the reference a mismatch was judged by.
TEST_F(PluginConfigTest, DecisionsNameEachListedPreset) {
  PluginConfig& c = Load(
      "[main]\nActivePreset=B,A,C,D\n[A]\nHomeCurrencyCode=RUB\n"
      "[C]\nHomeCurrencyCode=rub\n[D]\nHomeCurrencyCode=RUB\n");
  const std::vector<PresetDecision>& d = c.presets()->decisions();
  ASSERT_EQ(d.size(), 4u);
  using Outcome = PresetDecision::Outcome;
  EXPECT_EQ(d[0].outcome, Outcome::kNotFound);
  ASSERT_TRUE(d[0].message);
  EXPECT_EQ(d[0].message->text, NotFound("B"));
  EXPECT_EQ(d[1].outcome, Outcome::kKept);
  EXPECT_EQ(d[1].index, 0);
  EXPECT_EQ(d[2].outcome, Outcome::kOtherHomeCurrency);
  EXPECT_EQ(d[2].reference, "A");
  EXPECT_EQ(d[2].reference_code, "RUB");
  EXPECT_EQ(d[2].home_currency_code, "rub");
  EXPECT_EQ(d[3].outcome, Outcome::kKept);
  EXPECT_EQ(d[3].index, 1);
  EXPECT_EQ(c.presets()->active(), 2);
  // The boxes are the decisions' messages, in list order.
  EXPECT_EQ(TakeMessageBoxes(),
            (std::vector<MessageBox>{{"Configuration error", NotFound("B")},
                                     {"Configuration error", kSameCurrency}}));
}

// An edit is validated as a load of the edited file would be: a
// secondary preset whose home currency changed is dropped, with the
// message, and comes back when the edit is undone.
TEST_F(PluginConfigTest, RefreshValidatesTheEditedFileAsALoadWould) {
  const std::string head =
      "[main]\nActivePreset=A,B\n[A]\nHomeCurrencyCode=RUB\n";
  PluginConfig& c = Load(head + "[B]\nHomeCurrencyCode=RUB\n");
  EXPECT_EQ(c.preset_count(), 2);
  std::shared_ptr<const PresetSet> before = c.presets();
  dir_.Write("pagerates.ini", head + "[B]\nHomeCurrencyCode=EUR\nCodepage=1\n");
  c.Refresh(testing::BoxLog());
  EXPECT_EQ(TakeMessageBoxes(),
            (std::vector<MessageBox>{{"Configuration error", kSameCurrency}}));
  EXPECT_EQ(c.preset_count(), 1);
  // Whoever took the set before the edit keeps it whole.
  EXPECT_EQ(before->active(), 2);
  dir_.Write("pagerates.ini", head + "[B]\nHomeCurrencyCode=RUB\n");
  c.Refresh(testing::BoxLog());
  EXPECT_TRUE(TakeMessageBoxes().empty());
  EXPECT_EQ(c.preset_count(), 2);
}

TEST_F(PluginConfigTest, FirstPresetWithCurrencyBecomesPrimary) {
  PluginConfig& c = Load(
      "[main]\nActivePreset=B,A\n[A]\nHomeCurrencyCode=RUB\nName=a\n"
      "PageURL=http://host/daily?d=%dd%\n");
  EXPECT_EQ(TakeMessageBoxes().size(), 1u);
  EXPECT_EQ(c.preset_count(), 1);
  EXPECT_EQ(c.name().view(), "a");
  EXPECT_EQ(c.server().view(), "host");
  EXPECT_EQ(c.page_path().view(), "/daily?d=%dd%");
}

TEST_F(PluginConfigTest, WhenAllAreDroppedTheLastListedFillsTheFirstSlot) {
  PluginConfig& c = Load("[main]\nActivePreset=A,B\n[B]\nName=b\n");
  EXPECT_EQ(TakeMessageBoxes(),
            (std::vector<MessageBox>{{"Configuration error", NotFound("A")},
                                     {"Configuration error", NotFound("B")}}));
  EXPECT_EQ(c.preset_count(), 0);
  EXPECT_TRUE(c.has_primary());
  EXPECT_EQ(c.name().view(), "b");
}

TEST_F(PluginConfigTest, HomeCurrenciesCompareByteForByteBeforeRenaming) {
  PluginConfig& c = Load(
      "[main]\nActivePreset=A,B,C\nEnableCurrencyRename=1\n"
      "[currency-rename]\nRUR=RUB\n"
      "[A]\nHomeCurrencyCode=RUB\n[B]\nHomeCurrencyCode=rub\n[C]"
      "\nHomeCurrencyCode=RUR\n");
  EXPECT_EQ(TakeMessageBoxes().size(), 2u);
  EXPECT_EQ(c.preset_count(), 1);
}

TEST_F(PluginConfigTest, SinglePresetIsNotValidated) {
  PluginConfig& c = Load("[main]\nActivePreset=Missing\n");
  EXPECT_TRUE(TakeMessageBoxes().empty());
  EXPECT_EQ(c.preset_count(), 1);
  EXPECT_EQ(c.name().view(), "");
  EXPECT_EQ(c.estimated_page_size(), 10u);
}

TEST_F(PluginConfigTest, EmptyActivePresetLeavesNoPrimary) {
  PluginConfig& c = Load("[main]\n");
  EXPECT_FALSE(c.has_primary());
  EXPECT_EQ(c.preset_count(), 0);
  EXPECT_NE(c.server().c_str(), nullptr);
  EXPECT_EQ(c.presets()->size(), 0);
}

struct UrlCase {
  const char* page_url;
  const char* server_key;
  const char* server;
  const char* path;
};

class PageUrlTest : public PluginConfigTest,
                    public ::testing::WithParamInterface<UrlCase> {};

TEST_P(PageUrlTest, SplitsServerAndPath) {
  const UrlCase& u = GetParam();
  PluginConfig& c = Load(std::string("[main]\nActivePreset=p\n[p]\nPageURL=") +
                         u.page_url + "\nServer=" + u.server_key + "\n");
  EXPECT_EQ(c.server().view(), u.server);
  EXPECT_EQ(c.page_path().view(), u.path);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, PageUrlTest,
    ::testing::Values(
        UrlCase{"http://host/daily?d=%dd%", "x", "host", "/daily?d=%dd%"},
        UrlCase{"http://host:8080/r?d=%dd%", "x", "host:8080", "/r?d=%dd%"},
        UrlCase{"http://host", "x", "host", "/"},
        UrlCase{"HTTP://host/a", "srv", "srv", "HTTP://host/a"},
        UrlCase{"https://host/a", "srv", "srv", "https://host/a"},
        UrlCase{"/plain/%yyyy%", "srv", "srv", "/plain/%yyyy%"}));

TEST_F(PluginConfigTest, NumberedKeys) {
  PluginConfig& c = Load(
      "[main]\nActivePreset=p\n[p]\nRecord1=one\nRecord2=two\nRecord4=four\n"
      "OtherCurrencyCode1=USD\nOtherCurrencyCode2=EUR\n");
  const CompiledPreset* p = c.presets()->preset(0);
  ASSERT_EQ(p->records.size(), 2u);
  EXPECT_EQ(p->records[0].pattern.key, "Record1");
  EXPECT_EQ(p->records[0].pattern.text, "one");
  EXPECT_EQ(p->records[1].pattern.key, "Record2");
  EXPECT_EQ(p->records[0].other_code.view(), "USD");
  EXPECT_EQ(p->records[1].other_code.view(), "EUR");

  PluginConfig& d =
      Load("[main]\nActivePreset=p\n[p]\nRecord=zero\nRecord1=one\n");
  p = d.presets()->preset(0);
  ASSERT_EQ(p->records.size(), 1u);  // Record2 is next, not Record1
  EXPECT_EQ(p->records[0].pattern.key, "Record");
  EXPECT_EQ(p->records[0].pattern.text, "zero");

  // Without a first record the others are not read.
  p = Load("[main]\nActivePreset=p\n[p]\nRecord2=two\n").presets()->preset(0);
  EXPECT_TRUE(p->records.empty());
  EXPECT_TRUE(p->missing_records);
}

TEST_F(PluginConfigTest, PresetValuesAndTheirDefaults) {
  const CompiledPreset* p =
      Load(
          "[main]\nActivePreset=p\n[p]\nDecimalSeparator=\", \"\n"
          "Codepage=65001\nPrologue=(?<date>\nEpilogue=end\n")
          .presets()
          ->preset(0);
  EXPECT_EQ(p->rules.separator, ',');  // the first byte
  EXPECT_EQ(p->code_page, 65001);
  ASSERT_TRUE(p->prologue && p->epilogue);
  ASSERT_TRUE(p->prologue->error);
  EXPECT_EQ(p->prologue->error->title, "Regular expression error");
  EXPECT_EQ(
      p->prologue->error->text.substr(p->prologue->error->text.find(" at:")),
      " at:\n(?<date>");
  EXPECT_FALSE(p->epilogue->error);
  ASSERT_TRUE(p->missing_records);
  EXPECT_EQ(p->missing_records->text, "Missing record patterns for preset [p]");

  p = Load("[main]\nActivePreset=p\n[p]\n").presets()->preset(0);
  EXPECT_EQ(p->rules.separator, '.');
  EXPECT_EQ(p->code_page, 1251);
  EXPECT_FALSE(p->prologue || p->epilogue);
  // Building the presets shows nothing: the scans report what is wrong.
  EXPECT_TRUE(TakeMessageBoxes().empty());
}

TEST_F(PluginConfigTest, ExtraDecimalsOutsideTheRangeReadAsZero) {
  auto read = [&](const std::string& line) {
    return Load("[main]\nActivePreset=p\n[p]\n" + line)
        .presets()
        ->preset(0)
        ->rules.extra_decimals;
  };
  EXPECT_EQ(read(""), 0);
  EXPECT_EQ(read("ExtraDecimals=4\n"), 4);
  EXPECT_EQ(read("ExtraDecimals=6\n"), 6);
  EXPECT_EQ(read("ExtraDecimals=7\n"), 0);
  EXPECT_EQ(read("ExtraDecimals=-2\n"), 0);
  EXPECT_EQ(read("ExtraDecimals=two\n"), 0);
}

struct FilterCase {
  const char* filter;
  const char* code;
  bool passes;
};

class FilterTest : public PluginConfigTest,
                   public ::testing::WithParamInterface<FilterCase> {};

TEST_P(FilterTest, Filters) {
  PluginConfig& c =
      Load(std::string("[main]\nCurrencyFilter=") + GetParam().filter + "\n");
  EXPECT_EQ(c.presets()->currency().Passes(GetParam().code), GetParam().passes);
}

INSTANTIATE_TEST_SUITE_P(Lists, FilterTest,
                         ::testing::Values(FilterCase{"", "ANY", true},
                                           FilterCase{"usd,EUR", "USD", true},
                                           FilterCase{"usd,EUR", "eur", true},
                                           FilterCase{"usd,EUR", "GBP", false},
                                           // Items are not trimmed.
                                           FilterCase{"USD, EUR", "EUR", false},
                                           FilterCase{"USD, EUR", " EUR", true},
                                           FilterCase{",USD", "USD", true},
                                           FilterCase{",USD", "", true},
                                           FilterCase{"USD", "", false}));

TEST(SplitListTest, KeepsEmptyItems) {
  EXPECT_EQ(SplitList(",A"), (std::vector<std::string>{"", "A"}));
  EXPECT_EQ(SplitList(","), (std::vector<std::string>{"", ""}));
  EXPECT_TRUE(SplitList("").empty());
}

TEST_F(PluginConfigTest, RenamingAppliesToHomeCurrencyOnlyWhenOn) {
  std::string rename =
      "[currency-rename]\nRUR=RUB\n[p]\nHomeCurrencyCode=RUR\n";
  EXPECT_EQ(Load("[main]\nActivePreset=p\nEnableCurrencyRename=1\n" + rename)
                .home_currency_code()
                .view(),
            "RUB");
  EXPECT_EQ(
      Load("[main]\nActivePreset=p\n" + rename).home_currency_code().view(),
      "RUR");
}

TEST_F(PluginConfigTest, PerPresetValuesFollowEditsAfterRefresh) {
  PluginConfig& c = Load("[main]\nActivePreset=p\n[p]\nName=old\nRecord=a\n");
  dir_.Write("pagerates.ini",
             "[main]\nActivePreset=p\n[p]\nName=new\nRecord=bb\nRecord2=c\n");
  c.Refresh(testing::BoxLog());
  EXPECT_EQ(c.presets()->preset(0)->records.size(), 2u);
  EXPECT_EQ(c.name().view(), "old");  // read once, at load
}

TEST_F(PluginConfigTest, AnUnchangedFileKeepsItsCompiledPresets) {
  PluginConfig& c = Load("[main]\nActivePreset=p\n[p]\nRecord=a\n");
  std::shared_ptr<const PresetSet> first = c.presets();
  c.Refresh(testing::BoxLog());
  EXPECT_EQ(c.presets(), first);
}

TEST_F(PluginConfigTest, RenamingTableFollowsEditsButNotTheSwitch) {
  PluginConfig& c = Load(
      "[main]\nActivePreset=p\nEnableCurrencyRename=1\n"
      "[currency-rename]\nRUR=RUB\nold=\n[p]\nRecord=a\nOtherCurrencyCode="
      "rur\n");
  const CurrencyRules* rules = &c.presets()->currency();
  EXPECT_EQ(*rules->Replacement("rur"), "RUB");  // names ignore case
  EXPECT_EQ(rules->Replacement("old"),
            nullptr);  // an empty value renames nothing
  EXPECT_EQ(c.presets()->preset(0)->records[0].other_code.view(), "RUB");
  dir_.Write("pagerates.ini",
             "[main]\nActivePreset=p\n[currency-rename]\nUSD=US dollar\n"
             "[p]\nRecord=a\n");
  c.Refresh(testing::BoxLog());
  rules = &c.presets()->currency();
  EXPECT_EQ(rules->Replacement("RUR"), nullptr);
  EXPECT_EQ(*rules->Replacement("USD"), "US dollar");  // still on: read at load
}

struct PathCase {
  const char* module;
  const char* ini;
};

class ConfigFilePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ConfigFilePathTest, Derives) {
  EXPECT_EQ(PluginConfig::ConfigFilePath(GetParam().module), GetParam().ini);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ConfigFilePathTest,
    ::testing::Values(
        PathCase{"C:\\Plugins\\rates.dll", "C:\\Plugins\\rates.ini"},
        PathCase{"C:\\Plugins\\noext", "C:\\Plugins\\noext.ini"},
        PathCase{".hidden", ".hidden.ini"},
        PathCase{"C:\\a.b\\plugin", "C:\\a.ini"},
        PathCase{"/usr/lib/pagerates.so", "/usr/lib/pagerates.ini"}));

}  // namespace
}  // namespace pagerates
