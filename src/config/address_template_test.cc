#include "config/address_template.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace pagerates {
namespace {

using testing::Date;

struct ExpandCase {
  const char* address_template;
  RateDate date;
  const char* expected;
};

class ExpandTest : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandTest, ReplacesPlaceholders) {
  const ExpandCase& c = GetParam();
  EXPECT_EQ(ExpandAddressTemplate(c.address_template, c.date).view(),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Placeholders, ExpandTest,
    ::testing::Values(ExpandCase{"/daily/%yyyy%-%mm%-%dd%.html",
                                 Date(2016, 9, 8), "/daily/2016-09-08.html"},
                      ExpandCase{"/q?d=%d%.%m%.%yy%", Date(2005, 1, 2),
                                 "/q?d=2.1.05"},
                      ExpandCase{"100%", Date(2016, 9, 8), "100%"},
                      ExpandCase{"a%b", Date(2016, 9, 8), "a%b"},
                      ExpandCase{"%%dd%", Date(2016, 9, 8), "%08"},
                      ExpandCase{"plain", Date(2016, 9, 8), "plain"},
                      ExpandCase{"", Date(2016, 9, 8), ""},
                      ExpandCase{"%DD%", Date(2016, 9, 8), "%DD%"},
                      // The closing '%' cannot open the next placeholder.
                      ExpandCase{"%d%m%", Date(2005, 1, 2), "2m%"},
                      ExpandCase{"/x/%dd", Date(2016, 9, 8), "/x/%dd"},
                      ExpandCase{"%yyy%", Date(2016, 9, 8), "%yyy%"},
                      ExpandCase{"%yy%", Date(2000, 1, 1), "00"},
                      ExpandCase{"%yyyy%", Date(99, 1, 1), "0099"},
                      ExpandCase{"Datefrom=%dd%/%mon%/%yyyy%", Date(2024, 1, 5),
                                 "Datefrom=05/Jan/2024"},
                      ExpandCase{"%mon%%m%", Date(2016, 12, 8), "Dec12"},
                      ExpandCase{"%MON%", Date(2016, 9, 8), "%MON%"}));

// Dates read from pages can hold any value: the result grows to fit.
INSTANTIATE_TEST_SUITE_P(
    OutOfRangeDates, ExpandTest,
    ::testing::Values(ExpandCase{"%yyyy%/%mm%/%dd%", Date(-32768, -128, -128),
                                 "-32768/-128/-128"},
                      ExpandCase{"%d%%m%", Date(2016, 127, 100), "100127"},
                      ExpandCase{"%yy%", Date(-2017, 1, 1), "-17"},
                      ExpandCase{"%yyyy%", Date(32767, 1, 1), "32767"},
                      ExpandCase{"%dd%", Date(2016, 1, -5), "-05"},
                      ExpandCase{"%mon%", Date(2016, 13, 1), "13"}));

TEST(ExpandTest, ManyPlaceholdersWithWideValues) {
  std::string address_template;
  std::string expected;
  for (int i = 0; i < 200; ++i) {
    address_template += "%yyyy%%m%";
    expected += "-32768-128";
  }
  EXPECT_EQ(
      ExpandAddressTemplate(address_template, Date(-32768, -128, 1)).view(),
      expected);
}

}  // namespace
}  // namespace pagerates
