// What the scenario runner needs from the operating system: loading the
// module from a folder of its own, catching its message boxes, and a few
// file operations. One implementation per platform.
#ifndef PAGERATES_TESTS_SCENARIO_MODULE_HOST_H_
#define PAGERATES_TESTS_SCENARIO_MODULE_HOST_H_

#include <functional>
#include <memory>
#include <string>

#include "pagerates/abi.h"

namespace pagerates::scenario {

// Receives every message box the loaded module shows.
using BoxHandler = std::function<void(const std::string& title, const std::string& text)>;

class LoadedModule {
 public:
  virtual ~LoadedModule() = default;
  GetLibraryInfoFn get_library_info = nullptr;
  GetResourcesFn get_resources = nullptr;
  FetchRatesFn fetch_rates = nullptr;
};

// Loads the module file at `path`; null with `error` set when it cannot be
// loaded or lacks an export. Unloaded when the result is destroyed.
// Message boxes go to `boxes` while it is loaded.
std::unique_ptr<LoadedModule> LoadModule(const std::string& path, BoxHandler boxes,
                                         std::string* error);

// A fresh empty directory; removed with its contents by RemoveTree.
std::string MakeTempDir();
void RemoveTree(const std::string& dir);

// Places the module at `to`: a link where the platform has them, a copy
// otherwise. False on failure.
bool PlaceModule(const std::string& module, const std::string& to);

// The separator the platform uses in the paths the module reports.
extern const char kPathSeparator;
// The module's file name extension, with the dot.
extern const char kModuleExtension[];

}  // namespace pagerates::scenario

#endif  // PAGERATES_TESTS_SCENARIO_MODULE_HOST_H_
