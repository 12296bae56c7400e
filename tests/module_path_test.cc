// The module as a host loads it: by a relative path, after which the host
// changes its current directory.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "pagerates/abi.h"
#include "tests/support/test_support.h"

namespace pagerates {
namespace {

using testing::Date;
using testing::RecordingSink;

// Restores the current directory when it goes away.
class CurrentDirectory {
 public:
  CurrentDirectory() : saved_(std::filesystem::current_path()) {}
  ~CurrentDirectory() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

TEST(ModulePathTest, LoadedByARelativePathKeepsItsSettingsAfterAChdir) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.path() / "plugins");
  std::filesystem::copy_file(PAGERATES_MODULE_FILE,
                             dir.path() / "plugins" / "rates.so");
  dir.Write("plugins/rates.ini",
            "[main]\nActivePreset=p\n[p]\nName=Bank\nHomeCurrencyCode=RUB\n"
            "Codepage=65001\nRecord=(?<code>[A-Z]{3})\n");
  CurrentDirectory restore;
  std::filesystem::current_path(dir.path());
  void* module = dlopen("./plugins/rates.so", RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  auto fetch = reinterpret_cast<FetchRatesFn>(dlsym(module, "FetchRates"));
  auto info =
      reinterpret_cast<GetLibraryInfoFn>(dlsym(module, "GetLibraryInfo"));
  ASSERT_NE(fetch, nullptr);
  ASSERT_NE(info, nullptr);

  RecordingSink sink;
  fetch("USD EUR", Date(2016, 9, 8), &sink);
  EXPECT_EQ(sink.rates().size(), 2u);
  std::filesystem::current_path("/");
  // The INI file is looked at again at every scan: still found.
  fetch("USD EUR GBP", Date(2016, 9, 8), &sink);
  EXPECT_EQ(sink.rates().size(), 5u);
  EXPECT_STREQ(info()->name, "Bank");
  dlclose(module);
}

}  // namespace
}  // namespace pagerates
