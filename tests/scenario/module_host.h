// What the scenario runner needs from the platform beyond the host-support
// library's loader (tools/host): watching the calls into the module,
// checking the records it lays out, arranging the libcurl a case asks for,
// and a few file operations. One implementation per platform.
#ifndef PAGERATES_TESTS_SCENARIO_MODULE_HOST_H_
#define PAGERATES_TESTS_SCENARIO_MODULE_HOST_H_

#include <optional>
#include <string>
#include <vector>

#include "host/host_os.h"
#include "host/module_host.h"
#include "pagerates/abi.h"

namespace pagerates::scenario {

using cli::kModuleExtension;
using cli::kPathSeparator;

// Makes the calls into a freshly loaded `module` watched where the platform
// has a calling convention to hold them to (its exports are then wrapped;
// one module at a time).
void WatchCalls(cli::Module* module);

// Breaches of the platform's calling convention seen in calls into the
// watched module since the last call, one line each; empty where the host
// cannot see them or there were none.
std::string TakeConventionFaults();

// A fresh empty directory, made by the host library and given up by it;
// removed with its contents by RemoveTree. Empty when none can be made.
inline std::string MakeTempDir() {
  std::string error;
  std::optional<cli::TempDirectory> dir = cli::TempDirectory::Create(&error);
  return dir ? dir->Release() : std::string();
}
void RemoveTree(const std::string& dir);

// Places the module at `to`: a link where the platform has them, a copy
// otherwise. False on failure.
bool PlaceModule(const std::string& module, const std::string& to);

// Conditions a case can ask for with "requires WORD", besides the test
// server:
//   libcurl-missing     the module finds no libcurl to load
//   libcurl-incomplete  it finds a stand-in without curl_easy_perform
//   libcurl-recording   it finds a stand-in with all six functions that
//                       serves the body "abcdefg" for any address
// Both stand-ins record every call made into them.
// Arrange() prepares one for the next module load and returns false when
// this host cannot (the case is then skipped; a POSIX host cannot hide the
// system's libcurl); Reset() restores the platform's own libcurl.
bool ArrangeRequirement(const std::string& word);
void ResetRequirements();

// The calls the stand-in for libcurl received since the last call, one per
// line, in the stand-in's own words; empty without one.
std::string TakeLibcurlCalls();

// Differences between a record as the module laid it out and the contract's
// byte offsets, one line each; empty where the layout is the contract's or
// the platform has no fixed layout to check.
std::string CheckLayout(const ResourceRequest& request);
std::string CheckLayout(const RateRecord& record);
std::string CheckLayout(const LibraryInfo& info);

// Checks of the platform's loader that no case can express (for example
// its path-length limit), each on its own copy of `module`.
struct PlatformCheck {
  std::string name;
  bool passed = false;
  std::string report;  // lines on what was seen, shown with the result
};
std::vector<PlatformCheck> RunPlatformChecks(const std::string& module);

}  // namespace pagerates::scenario

#endif  // PAGERATES_TESTS_SCENARIO_MODULE_HOST_H_
