#include "host/host_os.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "host/module_host.h"
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

using FileKindTest = MappedFileTest;

// Found without opening: a FIFO with no writer must not hold anyone up.
TEST_F(FileKindTest, KindOfFileLooksWithoutOpening) {
  const std::string fifo = (dir_.path() / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string error;
  EXPECT_EQ(KindOfFile(Write("x"), &error), FileKind::kRegular);
  EXPECT_EQ(KindOfFile(dir_.path().string(), &error), FileKind::kDirectory);
  EXPECT_EQ(KindOfFile(fifo, &error), FileKind::kPipe);
  EXPECT_EQ(KindOfFile("/dev/null", &error), FileKind::kOther);
  EXPECT_FALSE(KindOfFile((dir_.path() / "missing").string(), &error));
  EXPECT_FALSE(error.empty());
}

TEST_F(FileKindTest, IniFileProblemNamesTheFileAndWhatItIs) {
  struct Case {
    std::string bytes;
    std::string problem;  // in the message; empty: the file can serve
  };
  const Case kCases[] = {
      {"[main]\n", ""},
      {"\xEF\xBB\xBF[main]\n", ""},  // UTF-8 with its mark
      {"", ""},
      {"\xFF", ""},
      {std::string("\xFF\xFE[\0m\0", 6),
       " is UTF-16 (it starts with a UTF-16 byte-order mark); save it as "
       "UTF-8 or in the code page of its text"},
      {std::string("\xFE\xFF\0[\0m", 6), " is UTF-16 ("},
      {std::string("\xFF\xFE\0\0[\0\0\0", 8), " is UTF-32 ("},
      {std::string("\0\0\xFE\xFF", 4), " is UTF-32 ("},
  };
  for (const Case& c : kCases) {
    const std::string path = Write(c.bytes);
    const std::string problem = IniFileProblem(path);
    if (c.problem.empty()) {
      EXPECT_EQ(problem, "") << c.bytes;
    } else {
      EXPECT_TRUE(problem.starts_with(path + c.problem)) << problem;
    }
  }
  const std::string fifo = (dir_.path() / "fifo.ini").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(IniFileProblem(fifo), "cannot read INI file " + fifo +
                                      ": it is a pipe or FIFO, not a regular "
                                      "file");
  EXPECT_EQ(IniFileProblem(dir_.path().string()),
            "cannot read INI file " + dir_.path().string() +
                ": it is a directory, not a regular file");
  EXPECT_TRUE(IniFileProblem((dir_.path() / "missing").string())
                  .starts_with("cannot read INI file "));
}

}  // namespace
}  // namespace pagerates::cli
