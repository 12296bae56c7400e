// POSIX implementation of the scenario runner's host services.
#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>

#include "tests/scenario/module_host.h"

namespace pagerates::scenario {

// No convention to watch: each target here has one, and the compiler keeps
// to it.
void WatchCalls(cli::Module*) {}
std::string TakeConventionFaults() { return std::string(); }

void RemoveTree(const std::string& dir) {
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

bool PlaceModule(const std::string& module, const std::string& to) {
  std::error_code error;
  std::filesystem::create_symlink(std::filesystem::absolute(module), to, error);
  return !error;
}

namespace {

// The stand-in for libcurl a case asked for, loaded for the whole case.
void* g_fake_curl = nullptr;

template <typename Fn>
Fn Export(void* library, const char* name) {
  return reinterpret_cast<Fn>(dlsym(library, name));
}

}  // namespace

// The module loads libcurl by its soname, and the loader hands out an
// object already loaded under that soname: the stand-ins (built with it,
// see tests/CMakeLists.txt) are loaded here first. The system's libcurl
// cannot be hidden, so there is no libcurl-missing here.
bool ArrangeRequirement(const std::string& word) {
  std::string dir;
  if (word == "libcurl-incomplete") {
    dir = cli::ExecutableDirectory() + "/fake-curl-incomplete";
  } else if (word == "libcurl-recording") {
    dir = cli::ExecutableDirectory() + "/fake-curl-recording";
  } else {
    return false;
  }
  if (g_fake_curl == nullptr) {
    g_fake_curl =
        dlopen((dir + "/libcurl.so.4").c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  auto reset = g_fake_curl != nullptr
                   ? Export<void (*)()>(g_fake_curl, "fake_curl_reset")
                   : nullptr;
  if (reset == nullptr) return false;
  reset();
  return true;
}

void ResetRequirements() {
  if (g_fake_curl != nullptr) dlclose(g_fake_curl);
  g_fake_curl = nullptr;
}

std::string TakeLibcurlCalls() {
  if (g_fake_curl == nullptr) return std::string();
  auto calls = Export<const char* (*)()>(g_fake_curl, "fake_curl_calls");
  auto reset = Export<void (*)()>(g_fake_curl, "fake_curl_reset");
  if (calls == nullptr || reset == nullptr) return std::string();
  std::string text = calls();
  reset();
  return text;
}

// Records here are laid out by the compiler for this target; there are no
// fixed offsets to hold them to.
std::string CheckLayout(const ResourceRequest&) { return std::string(); }
std::string CheckLayout(const RateRecord&) { return std::string(); }
std::string CheckLayout(const LibraryInfo&) { return std::string(); }

std::vector<PlatformCheck> RunPlatformChecks(const std::string&) { return {}; }

}  // namespace pagerates::scenario
