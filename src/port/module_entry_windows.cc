// Load and unload notifications of the DLL.
#include <windows.h>

#include "port/port.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH: {
      char path[MAX_PATH];
      DWORD length = ::GetModuleFileNameA(instance, path, MAX_PATH);
      // A path that fills the buffer did not fit: refuse the load.
      if (length == 0 || length >= MAX_PATH) return FALSE;
      return pagerates::port::ModuleAttach(path) ? TRUE : FALSE;
    }
    case DLL_PROCESS_DETACH:
      pagerates::port::ModuleDetach();
      return TRUE;
    default:
      return TRUE;
  }
}
