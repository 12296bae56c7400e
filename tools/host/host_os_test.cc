#include "host/host_os.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace pagerates::cli {
namespace {

class MappedFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) {
    return dir_.Write("page", bytes);
  }

  testing::TempDir dir_;
};

// The module reads up to the NUL: it must follow the bytes whatever the
// size, a whole number of pages included.
TEST_F(MappedFileTest, BytesThenNulAtEverySize) {
  const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  for (size_t size : {size_t{1}, page - 1, page, page + 1, 3 * page}) {
    std::string bytes(size, 'x');
    bytes.front() = '<';
    bytes.back() = '>';
    std::optional<MappedFile> mapped = MappedFile::Open(Write(bytes));
    ASSERT_TRUE(mapped) << size;
    ASSERT_EQ(mapped->size(), size);
    EXPECT_EQ(std::string(mapped->data(), size), bytes);
    EXPECT_EQ(mapped->data()[size], '\0') << size;
  }
}

TEST_F(MappedFileTest, NothingToMapIsLeftToReading) {
  EXPECT_FALSE(MappedFile::Open(Write("")));
  EXPECT_FALSE(MappedFile::Open(dir_.path().string()));
  EXPECT_FALSE(MappedFile::Open((dir_.path() / "missing").string()));
}

TEST_F(MappedFileTest, MoveHandsOverTheMapping) {
  std::optional<MappedFile> first = MappedFile::Open(Write("abc"));
  ASSERT_TRUE(first);
  MappedFile second = std::move(*first);
  EXPECT_EQ(first->data(), nullptr);
  EXPECT_STREQ(second.data(), "abc");
}

}  // namespace
}  // namespace pagerates::cli
