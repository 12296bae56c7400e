#include "port/profile_text.h"

#include <gtest/gtest.h>

#include <string>

#include "port/port.h"

namespace pagerates::port {
namespace {

struct LookupCase {
  const char* file;
  const char* section;
  const char* key;
  const char* expected;  // null: missing
};

class ProfileLookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(ProfileLookupTest, ReadsAsTheWindowsReaderDoes) {
  const LookupCase& c = GetParam();
  ProfileText text(c.file);
  const std::string* value = text.Find(c.section, c.key);
  if (c.expected == nullptr) {
    EXPECT_EQ(value, nullptr) << "got '" << *value << "'";
  } else {
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(*value, c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileLookupTest,
    ::testing::Values(
        // Names match without regard to case.
        LookupCase{"[Main]\nActivePreset=a\n", "main", "activepreset", "a"},
        LookupCase{"[main]\nkey=v\n", "MAIN", "KEY", "v"},
        // Blanks around keys and values go, blanks inside stay.
        LookupCase{"[s]\n  key \t=  two words \t\n", "s", "key", "two words"},
        LookupCase{"  [s]\nkey=v\r\nnext=w\r\n", "s", "next", "w"},
        // Comments.
        LookupCase{"[s]\n;key=v\n", "s", "key", nullptr},
        LookupCase{"[s]\n  ; key=v\nkey=w\n", "s", "key", "w"},
        // One pair of matching quotes goes.
        LookupCase{"[s]\nk=\"quoted value\"\n", "s", "k", "quoted value"},
        LookupCase{"[s]\nk='x'\n", "s", "k", "x"},
        LookupCase{"[s]\nk=\"x'\n", "s", "k", "\"x'"},
        LookupCase{"[s]\nk=\"\n", "s", "k", "\""},
        LookupCase{"[s]\nk=\"\"\n", "s", "k", ""},
        LookupCase{"[s]\nk=\"\"x\"\"\n", "s", "k", "\"x\""},
        // First key and first section win.
        LookupCase{"[s]\nk=1\nk=2\n", "s", "k", "1"},
        LookupCase{"[s]\nk=1\n[s]\nk=2\nj=3\n", "s", "j", nullptr},
        // Keys before any section, missing sections and keys.
        LookupCase{"k=1\n[s]\n", "s", "k", nullptr},
        LookupCase{"[s]\nk=1\n", "t", "k", nullptr},
        LookupCase{"", "s", "k", nullptr},
        // A value may hold '=' and ';'.
        LookupCase{"[s]\nRecord=a=(?<x>b);c\n", "s", "record", "a=(?<x>b);c"},
        // A line without '=' is a key with no value.
        LookupCase{"[s]\nflag\n", "s", "flag", ""},
        // A byte-order mark before the first section is not part of it.
        LookupCase{"\xEF\xBB\xBF[s]\nk=v\n", "s", "k", "v"},
        // Section names are taken up to the last ']'.
        LookupCase{"[a]b]\nk=v\n", "a]b", "k", "v"}));

TEST(ProfileTextTest, CutsValuesAt511Bytes) {
  std::string file = "[s]\nk=" + std::string(600, 'x') + "\n";
  ProfileText text(file);
  ASSERT_NE(text.Find("s", "k"), nullptr);
  EXPECT_EQ(text.Find("s", "k")->size(), kMaxProfileValue);
}

struct IntCase {
  const char* value;
  int32_t expected;
};

class ProfileIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ProfileIntTest, ReadsSignAndLeadingDigits) {
  EXPECT_EQ(ProfileText::ParseInt(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileIntTest,
    ::testing::Values(IntCase{"1251", 1251}, IntCase{"-5", -5}, IntCase{"+7", 7},
                      IntCase{"12abc", 12}, IntCase{"abc", 0}, IntCase{"4294967297", 1},
                      IntCase{"-", 0},
                      // Prefixes as the Windows reader takes them: lower case
                      // only, and a sign before them.
                      IntCase{"0x10", 16}, IntCase{"0x1Az", 26}, IntCase{"-0x10", -16},
                      IntCase{"0b101", 5}, IntCase{"0o17", 15}, IntCase{"0o19", 1},
                      IntCase{"0X10", 0}, IntCase{"0x", 0}, IntCase{"0012", 12},
                      IntCase{"  0x1A zz", 26},
                      IntCase{"12345678901234567890123456789012", 1849262357}));

}  // namespace
}  // namespace pagerates::port
