// Test helper for the check command's tests: an INI file (and more files
// beside it) in a fresh temporary directory, removed with it.
#ifndef PAGERATES_TOOLS_CHECK_CHECK_TEST_UTIL_H_
#define PAGERATES_TOOLS_CHECK_CHECK_TEST_UTIL_H_

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace pagerates::cli {

class TempFiles {
 public:
  TempFiles() {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && directory_.empty(); ++attempt) {
      std::filesystem::path path =
          std::filesystem::temp_directory_path() /
          ("pagerates-check-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(path, error)) {
        directory_ = path.string();
      }
    }
  }
  ~TempFiles() {
    if (!directory_.empty()) std::filesystem::remove_all(directory_);
  }
  TempFiles(const TempFiles&) = delete;
  TempFiles& operator=(const TempFiles&) = delete;

  // Writes `bytes` to `name` in the directory; returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::string path = directory_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

 private:
  std::string directory_;
};

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_CHECK_TEST_UTIL_H_
