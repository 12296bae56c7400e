#include "port/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace pagerates {
namespace {

// Where the first byte that starts no valid sequence is: the check command
// names that offset when a page declared UTF-8 is not.
TEST(IsUtf8Test, FindsTheFirstBadByte) {
  struct Case {
    std::string text;
    bool valid;
    size_t bad_offset;
  };
  const Case kCases[] = {
      {"", true, 0},
      {"USD \xD0\x94\xD0\xBE\xD0\xBB \xE2\x82\xAC \xF0\x9F\x92\xB1", true, 0},
      {"ab\xFF", false, 2},
      {"a\xC0\x80", false, 1},             // overlong NUL
      {"\xD0\x94\xED\xA0\x80", false, 2},  // a surrogate
      {"ok\xF4\x90\x80\x80", false, 2},    // above U+10FFFF
      {"abc\xE2\x82", false, 3},           // cut short
      {"\xD0\x94\x80", false, 2},          // a lone continuation byte
  };
  for (const Case& c : kCases) {
    size_t bad = 99;
    EXPECT_EQ(IsUtf8(c.text, &bad), c.valid) << c.text;
    EXPECT_EQ(IsUtf8(c.text), c.valid) << c.text;
    // A valid text leaves the offset alone.
    EXPECT_EQ(bad, c.valid ? 99u : c.bad_offset) << c.text;
  }
}

}  // namespace
}  // namespace pagerates
