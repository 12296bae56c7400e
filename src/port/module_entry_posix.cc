// Load and unload notifications of the module on ELF platforms.
//
// The loader runs the constructor when the module is mapped and the
// destructor when it is unmapped. A constructor cannot refuse the load: when
// the attach fails the module stays loaded without configuration and its
// exports answer with empty results.
#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "port/port.h"

namespace {

// The loader reports the module by the path it was opened with, which may
// be relative to the directory current at that time. The INI file beside
// the module is read long after, so the path is made absolute now (links
// are kept: the module's own folder is the one it was opened from). Empty
// when the current directory is unknown.
std::string AbsoluteModulePath(const char* path) {
  if (path[0] == '/') return path;
  std::string directory(pagerates::port::kModulePathLimit, '\0');
  if (getcwd(directory.data(), directory.size()) == nullptr) return {};
  directory.resize(std::strlen(directory.c_str()));
  while (path[0] == '.' && path[1] == '/') {
    path += 2;
    while (path[0] == '/') ++path;
  }
  if (directory.back() != '/') directory += '/';
  return directory + path;
}

__attribute__((constructor)) void OnLoad() {
  Dl_info info;
  std::string path;
  if (dladdr(reinterpret_cast<void*>(&OnLoad), &info) != 0 &&
      info.dli_fname != nullptr) {
    try {
      path = AbsoluteModulePath(info.dli_fname);
    } catch (...) {
      path.clear();
    }
  }
  if (path.empty() || path.size() >= pagerates::port::kModulePathLimit) {
    pagerates::port::ModuleAttach(nullptr);
    return;
  }
  pagerates::port::ModuleAttach(path.c_str());
}

__attribute__((destructor)) void OnUnload() { pagerates::port::ModuleDetach(); }

}  // namespace
