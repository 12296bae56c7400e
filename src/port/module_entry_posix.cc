// Load and unload notifications of the module on ELF platforms.
//
// The loader runs the constructor when the module is mapped and the
// destructor when it is unmapped. A constructor cannot refuse the load: when
// the attach fails the module stays loaded without configuration and its
// exports answer with empty results.
#include <dlfcn.h>

#include <cstring>

#include "port/port.h"

namespace {

__attribute__((constructor)) void OnLoad() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&OnLoad), &info) == 0 ||
      info.dli_fname == nullptr ||
      std::strlen(info.dli_fname) >= pagerates::port::kModulePathLimit) {
    pagerates::port::ModuleAttach(nullptr);
    return;
  }
  pagerates::port::ModuleAttach(info.dli_fname);
}

__attribute__((destructor)) void OnUnload() { pagerates::port::ModuleDetach(); }

}  // namespace
