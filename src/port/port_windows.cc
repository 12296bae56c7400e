// Windows implementation of the platform layer: the Win32 services
// themselves.
#include <windows.h>

#include <cstdarg>

#include "port/heap_string.h"
#include "port/port.h"

namespace pagerates::port {

void* HeapAllocate(size_t bytes) { return ::HeapAlloc(::GetProcessHeap(), 0, bytes); }
void HeapRelease(void* block) { ::HeapFree(::GetProcessHeap(), 0, block); }

const size_t kModulePathLimit = MAX_PATH;

// ---- Profile ----------------------------------------------------------
// The system reads the file itself at every call (and caches it as it sees
// fit): there is nothing for us to keep.

struct Profile::Snapshot {};

Profile::Profile(std::string path) : path_(std::move(path)) {}
Profile::~Profile() = default;
void Profile::Refresh() {}

HeapString Profile::ReadString(std::string_view section, std::string_view key) const {
  char buffer[kMaxProfileValue + 1];
  DWORD length = ::GetPrivateProfileStringA(std::string(section).c_str(),
                                            std::string(key).c_str(), "", buffer,
                                            sizeof buffer, path_.c_str());
  return HeapString::Copy(std::string_view(buffer, length));
}

int32_t Profile::ReadInt(std::string_view section, std::string_view key,
                         int32_t default_value) const {
  return static_cast<int32_t>(::GetPrivateProfileIntA(std::string(section).c_str(),
                                                      std::string(key).c_str(),
                                                      default_value, path_.c_str()));
}

// ---- Code pages -------------------------------------------------------

bool ConvertToUtf8(std::string_view text, int code_page, HeapString* out) {
  const int length = static_cast<int>(text.size());
  if (length == 0) return false;
  const UINT from = static_cast<UINT>(code_page);
  int wide_length = ::MultiByteToWideChar(from, 0, text.data(), length, nullptr, 0);
  if (wide_length == 0) return false;
  // The UTF-16 intermediate lives on the process heap only for this call.
  auto* wide = static_cast<wchar_t*>(HeapAllocate(sizeof(wchar_t) * wide_length));
  if (wide == nullptr) return false;
  bool ok = false;
  if (::MultiByteToWideChar(from, 0, text.data(), length, wide, wide_length) ==
      wide_length) {
    int utf8_length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide, wide_length, nullptr, 0, nullptr, nullptr);
    if (utf8_length != 0) {
      HeapString result = HeapString::WithCapacity(static_cast<size_t>(utf8_length));
      if (!result.null() &&
          ::WideCharToMultiByte(CP_UTF8, 0, wide, wide_length, result.data(), utf8_length,
                                nullptr, nullptr) == utf8_length) {
        result.SetSize(static_cast<size_t>(utf8_length));
        *out = std::move(result);
        ok = true;
      }
    }
  }
  HeapRelease(wide);
  return ok;
}

// ---- Run-time loading -------------------------------------------------

const char* const kCurlLibraryName = "libcurl.dll";

SharedLibrary::SharedLibrary(const char* file_name)
    : handle_(reinterpret_cast<void*>(::LoadLibraryA(file_name))) {}

void* SharedLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(
      ::GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
}

void SharedLibrary::Unload() {
  if (handle_ != nullptr) ::FreeLibrary(reinterpret_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

// ---- User interface ---------------------------------------------------

void ShowMessageBox(const char* text, const char* title) {
  ::MessageBoxA(nullptr, text, title, MB_OK);
}

// ---- Diagnostics ------------------------------------------------------
// Looked up in the host program's own export table at every use: the
// module never keeps a pointer into another module.

namespace {

using ReportDownloadFn = void(__cdecl*)(const char*, const char*);

ReportDownloadFn FindDownloadReporter() {
  HMODULE program = ::GetModuleHandleA(nullptr);
  if (program == nullptr) return nullptr;
  return reinterpret_cast<ReportDownloadFn>(reinterpret_cast<void*>(
      ::GetProcAddress(program, "PageratesReportDownload")));
}

}  // namespace

bool HasDownloadReporter() { return FindDownloadReporter() != nullptr; }

void ReportDownload(const char* address, const char* outcome) {
  if (ReportDownloadFn report = FindDownloadReporter())
    report(address, outcome);
}

// ---- Formatting -------------------------------------------------------

HeapString Format(const char* format, ...) {
  // The system formatter writes at most 1024 characters.
  char buffer[1025];
  va_list args;
  va_start(args, format);
  int length = ::wvsprintfA(buffer, format, args);
  va_end(args);
  return HeapString::Copy(std::string_view(buffer, length > 0 ? length : 0));
}

}  // namespace pagerates::port
