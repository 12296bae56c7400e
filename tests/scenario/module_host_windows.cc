// Windows implementation of the scenario runner's host services.
//
// libcurl. The module loads "libcurl.dll" by name. This program's folder,
// which the loader searches first, holds none; SetDllDirectoryA points the
// search at the folder of the libcurl a case asks for (see
// windows_tests.cmake for the layout).
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <filesystem>

#include "host/host_hooks.h"
#include "tests/scenario/abi_checks.h"
#include "tests/scenario/module_host.h"

namespace pagerates::scenario {
namespace {

std::wstring Widen(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

// The stand-in for libcurl a case asked for, loaded for the whole case.
HMODULE g_fake_curl = nullptr;

using CallsFn = const char* (*)();
using ResetFn = void (*)();

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

std::string Lines(const char* text, int faults) {
  return faults > 0 && text != nullptr ? std::string(text) : std::string();
}

}  // namespace

void WatchCalls(cli::Module* module) {
  cli::Module::Exports& exports = module->exports();
  AbiWrapExports(&exports.get_library_info, &exports.get_resources,
                 &exports.fetch_rates);
}

std::string TakeConventionFaults() {
  unsigned faults = AbiTakeStackFaults();
  if (faults == 0) return std::string();
  return std::to_string(faults) +
         " calls returned with another stack pointer or EBX\n";
}

void RemoveTree(const std::string& dir) {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(Widen(dir)), ignored);
}

bool PlaceModule(const std::string& module, const std::string& to) {
  // No links: a copy, so that the loader reports the case's own path.
  return ::CopyFileW(Widen(module).c_str(), Widen(to).c_str(), FALSE) != 0;
}

// ---- libcurl conditions -------------------------------------------------

// The current folder before a case changed it, or empty.
std::string g_saved_current_folder;

bool ArrangeRequirement(const std::string& word) {
  std::string tests = cli::ExecutableDirectory();
  if (word == "libcurl-missing") {
    // This folder holds no libcurl.dll, and neither do the system folders.
    return ::SetDllDirectoryA(tests.c_str()) != 0;
  }
  if (word == "libcurl-planted-in-current-folder") {
    // A libcurl.dll in the current folder, and the loader's default order,
    // which searches it: the module must not load that one.
    char current[MAX_PATH];
    DWORD length = ::GetCurrentDirectoryA(MAX_PATH, current);
    if (length == 0 || length >= MAX_PATH) return false;
    g_saved_current_folder.assign(current, length);
    return ::SetDllDirectoryA(nullptr) != 0 &&
           ::SetCurrentDirectoryA((tests + "\\fake-curl-recording").c_str()) !=
               0;
  }
  std::string dir;
  if (word == "libcurl-incomplete") {
    dir = tests + "\\fake-curl-incomplete";
  } else if (word == "libcurl-recording") {
    dir = tests + "\\fake-curl-recording";
  } else {
    return false;
  }
  // Loaded here first, the stand-in is the one the module's LoadLibraryA
  // finds by name, and its record of calls outlives the module's
  // FreeLibrary.
  if (g_fake_curl == nullptr)
    g_fake_curl = ::LoadLibraryA((dir + "\\libcurl.dll").c_str());
  auto reset = g_fake_curl != nullptr
                   ? Export<ResetFn>(g_fake_curl, "fake_curl_reset")
                   : nullptr;
  if (reset == nullptr) return false;
  reset();
  return ::SetDllDirectoryA(dir.c_str()) != 0;
}

void ResetRequirements() {
  if (!g_saved_current_folder.empty()) {
    ::SetCurrentDirectoryA(g_saved_current_folder.c_str());
    g_saved_current_folder.clear();
  }
  if (g_fake_curl != nullptr) ::FreeLibrary(g_fake_curl);
  g_fake_curl = nullptr;
  ::SetDllDirectoryA((cli::ExecutableDirectory() + "\\curl").c_str());
}

std::string TakeLibcurlCalls() {
  if (g_fake_curl == nullptr) return std::string();
  auto calls = Export<CallsFn>(g_fake_curl, "fake_curl_calls");
  auto reset = Export<ResetFn>(g_fake_curl, "fake_curl_reset");
  if (calls == nullptr || reset == nullptr) return std::string();
  std::string text = calls();
  reset();
  return text;
}

// ---- Layout -------------------------------------------------------------

std::string CheckLayout(const ResourceRequest& request) {
  char text[512];
  return Lines(text, AbiCheckRequest(&request, text, sizeof text));
}

std::string CheckLayout(const RateRecord& record) {
  char text[512];
  return Lines(text, AbiCheckRate(&record, text, sizeof text));
}

std::string CheckLayout(const LibraryInfo& info) {
  char text[512];
  return Lines(text, AbiCheckInfo(&info, text, sizeof text));
}

// ---- Platform checks ----------------------------------------------------

namespace {

// Creates the folders of `dir` one by one (they may be longer than the
// ANSI functions take).
bool MakeDirectories(const std::string& base, const std::string& below) {
  std::string dir = base;
  size_t start = 0;
  while (start < below.size()) {
    size_t end = below.find('\\', start);
    if (end == std::string::npos) end = below.size();
    dir += "\\" + below.substr(start, end - start);
    if (!::CreateDirectoryW(Widen(dir).c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

// Loads a copy of `module` whose full path is exactly `length` characters,
// with an INI file beside it, and reports whether the load succeeded; `name`
// is then the Name the module read from that INI file.
bool LoadAtPathLength(const std::string& module, size_t length,
                      std::string* name, std::string* report) {
  std::string base = MakeTempDir();
  if (base.empty()) {
    *report = "cannot make a temporary folder\n";
    return false;
  }
  const std::string file = "pagerates.dll";
  // base \ folders \ file, the folders in pieces of at most 100 characters.
  size_t fixed = base.size() + 1 + 1 + file.size();
  std::string below;
  if (length > fixed) {
    size_t left = length - fixed;
    while (left > 0) {
      size_t piece = left > 101 ? 100 : left;
      if (left - piece == 1) --piece;  // never leave a lone separator
      below += std::string(piece, 'd');
      left -= piece;
      if (left > 0) {
        below += '\\';
        --left;
      }
    }
  }
  std::string dir = base + "\\" + below;
  std::string path = dir + "\\" + file;
  bool loaded = false;
  if (below.empty() || path.size() != length || !MakeDirectories(base, below)) {
    *report += "cannot make a folder for a path of " + std::to_string(length) +
               " characters\n";
  } else if (!PlaceModule(module, path)) {
    *report += "cannot copy the module to " + path + "\n";
  } else {
    HANDLE ini =
        ::CreateFileW(Widen(dir + "\\pagerates.ini").c_str(), GENERIC_WRITE, 0,
                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const char kIni[] =
        "[main]\r\nActivePreset=deep\r\n[deep]\r\nName=deep folder\r\n";
    DWORD written = 0;
    if (ini != INVALID_HANDLE_VALUE) {
      ::WriteFile(ini, kIni, sizeof kIni - 1, &written, nullptr);
      ::CloseHandle(ini);
    }
    std::string error;
    cli::MessageBoxHandler previous =
        cli::SetMessageBoxHandler([report](const cli::MessageBoxEntry& box) {
          *report += "box " + box.title + ": " + box.text + "\n";
        });
    auto loaded_module = cli::Module::Load(path, "", &error);
    loaded = loaded_module != nullptr;
    if (loaded) {
      *name = loaded_module->Info().name;
      *report +=
          "  " + std::to_string(length) + " characters: loaded, INI read\n";
    } else {
      // The reason names the path, which the length already describes.
      if (size_t at = error.find(path); at != std::string::npos)
        error.replace(at, path.size(), "<path>");
      *report += "  " + std::to_string(length) + " characters: " + error + "\n";
    }
    loaded_module.reset();
    cli::SetMessageBoxHandler(std::move(previous));
  }
  RemoveTree(base);
  return loaded;
}

}  // namespace

std::vector<PlatformCheck> RunPlatformChecks(const std::string& module) {
  std::vector<PlatformCheck> checks;

  char layout[2048];
  int differences = AbiDescribeLayout(layout, sizeof layout);
  if (differences >= 0) {
    checks.push_back(
        {"record-layout", differences == 0, std::string("  ") + layout + "\n"});
  }

  // The module's path must fit, with its NUL, into a buffer of MAX_PATH.
  for (size_t length :
       {size_t{MAX_PATH - 1}, size_t{MAX_PATH}, size_t{MAX_PATH + 40}}) {
    PlatformCheck check;
    bool should_load = length < MAX_PATH;
    check.name = "module-path-" + std::to_string(length) +
                 (should_load ? "-attaches" : "-is-refused");
    std::string name;
    bool loaded = LoadAtPathLength(module, length, &name, &check.report);
    check.passed = loaded == should_load && (!loaded || name == "deep folder");
    if (loaded && name != "deep folder") {
      check.report +=
          "read the name \"" + name + "\" instead of \"deep folder\"\n";
    }
    if (loaded != should_load) {
      check.report += std::string(loaded ? "loaded" : "was refused") + "\n";
    }
    checks.push_back(std::move(check));
  }
  return checks;
}

}  // namespace pagerates::scenario
