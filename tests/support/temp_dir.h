// A temporary directory for the tests: made fresh under the system's
// temporary folder, removed with everything in it when its owner goes.
// Throws std::runtime_error when it cannot be made.
#ifndef PAGERATES_TESTS_SUPPORT_TEMP_DIR_H_
#define PAGERATES_TESTS_SUPPORT_TEMP_DIR_H_

#include <filesystem>
#include <string>

namespace pagerates::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to `name` inside the directory, replacing what was
  // there; returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

}  // namespace pagerates::testing

#endif  // PAGERATES_TESTS_SUPPORT_TEMP_DIR_H_
