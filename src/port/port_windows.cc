// Windows implementation of the platform layer: the Win32 services
// themselves.
#include <windows.h>

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "port/heap_string.h"
#include "port/port.h"

namespace pagerates::port {

void* HeapAllocate(size_t bytes) {
  return ::HeapAlloc(::GetProcessHeap(), 0, bytes);
}
void HeapRelease(void* block) { ::HeapFree(::GetProcessHeap(), 0, block); }

const size_t kModulePathLimit = MAX_PATH;

// ---- Profile ----------------------------------------------------------
// The system reads the file itself at every call (and caches it as it sees
// fit). What is kept is only how the file looked, to tell a change.

struct Profile::Snapshot {
  bool present = false;
  DWORD attributes = 0;
  DWORD size_high = 0;
  DWORD size_low = 0;
  FILETIME created{};
  FILETIME written{};

  bool operator==(const Snapshot& other) const {
    return present == other.present && attributes == other.attributes &&
           size_high == other.size_high && size_low == other.size_low &&
           ::CompareFileTime(&created, &other.created) == 0 &&
           ::CompareFileTime(&written, &other.written) == 0;
  }
};

Profile::Profile(std::string path)
    : path_(std::move(path)), snapshot_(std::make_unique<Snapshot>()) {
  Refresh();
}
Profile::~Profile() = default;

bool Profile::Refresh() {
  Snapshot now;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (::GetFileAttributesExA(path_.c_str(), GetFileExInfoStandard, &data) &&
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    now.present = true;
    now.attributes = data.dwFileAttributes;
    now.size_high = data.nFileSizeHigh;
    now.size_low = data.nFileSizeLow;
    now.created = data.ftCreationTime;
    now.written = data.ftLastWriteTime;
  }
  if (looked_ && now == *snapshot_) return false;
  looked_ = true;
  *snapshot_ = now;
  return true;
}

std::vector<std::string> Profile::KeyNames(std::string_view section) const {
  // With no key name the system lists the section's keys, each ended by a
  // NUL, the list by another; a list that does not fit comes back cut, two
  // characters short of the buffer.
  std::vector<std::string> keys;
  std::string buffer(4096, '\0');
  for (;;) {
    DWORD length = ::GetPrivateProfileStringA(
        std::string(section).c_str(), nullptr, "", buffer.data(),
        static_cast<DWORD>(buffer.size()), path_.c_str());
    if (length + 2 < buffer.size() || buffer.size() >= (1u << 24)) {
      buffer.resize(length);
      break;
    }
    buffer.assign(buffer.size() * 2, '\0');
  }
  for (size_t at = 0; at < buffer.size();) {
    size_t end = buffer.find('\0', at);
    if (end == std::string::npos) end = buffer.size();
    if (end > at) keys.emplace_back(buffer, at, end - at);
    at = end + 1;
  }
  return keys;
}

bool SameProfileName(std::string_view a, std::string_view b) {
  return ::lstrcmpiA(std::string(a).c_str(), std::string(b).c_str()) == 0;
}

HeapString Profile::ReadString(std::string_view section,
                               std::string_view key) const {
  char buffer[kMaxProfileValue + 1];
  DWORD length = ::GetPrivateProfileStringA(
      std::string(section).c_str(), std::string(key).c_str(), "", buffer,
      sizeof buffer, path_.c_str());
  return HeapString::Copy(std::string_view(buffer, length));
}

int32_t Profile::ReadInt(std::string_view section, std::string_view key,
                         int32_t default_value) const {
  return static_cast<int32_t>(::GetPrivateProfileIntA(
      std::string(section).c_str(), std::string(key).c_str(), default_value,
      path_.c_str()));
}

// ---- Code pages -------------------------------------------------------

bool ConvertToUtf8(std::string_view text, int code_page, HeapString* out) {
  const int length = static_cast<int>(text.size());
  if (length == 0) return false;
  const UINT from = static_cast<UINT>(code_page);
  int wide_length =
      ::MultiByteToWideChar(from, 0, text.data(), length, nullptr, 0);
  if (wide_length == 0) return false;
  // The UTF-16 intermediate lives on the process heap only for this call.
  auto* wide =
      static_cast<wchar_t*>(HeapAllocate(sizeof(wchar_t) * wide_length));
  if (wide == nullptr) return false;
  bool ok = false;
  if (::MultiByteToWideChar(from, 0, text.data(), length, wide, wide_length) ==
      wide_length) {
    int utf8_length = ::WideCharToMultiByte(CP_UTF8, 0, wide, wide_length,
                                            nullptr, 0, nullptr, nullptr);
    if (utf8_length != 0) {
      HeapString result =
          HeapString::WithCapacity(static_cast<size_t>(utf8_length));
      if (!result.null() &&
          ::WideCharToMultiByte(CP_UTF8, 0, wide, wide_length, result.data(),
                                utf8_length, nullptr, nullptr) == utf8_length) {
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

namespace {

HMODULE LoadLibraryAnyLength(const char* file_name);

// A bare file name is looked up in the program's folder, the system
// folders and the folders the program added for libraries, never in the
// current directory nor on PATH, where anybody may have planted a library
// of that name. Systems without those search flags load it from the
// program's folder, then the system folder, by full path.
HMODULE LoadLibraryFromSafeFolders(const char* file_name) {
  HMODULE module =
      ::LoadLibraryExA(file_name, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER) {
    return module;
  }
  char folder[MAX_PATH];
  DWORD length = ::GetModuleFileNameA(nullptr, folder, MAX_PATH);
  std::string program(folder, length < MAX_PATH ? length : 0);
  const size_t slash = program.find_last_of("\\/");
  if (slash != std::string::npos) {
    module = LoadLibraryAnyLength(
        (program.substr(0, slash + 1) + file_name).c_str());
    if (module != nullptr) return module;
  }
  length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return LoadLibraryAnyLength(
      (std::string(folder, length) + "\\" + file_name).c_str());
}

// LoadLibraryA takes names of up to MAX_PATH - 1 characters; a longer one
// goes through the wide function, read in the ANSI code page, and the
// loader decides whether it is too long.
HMODULE LoadLibraryAnyLength(const char* file_name) {
  if (std::strpbrk(file_name, "\\/:") == nullptr) {
    return LoadLibraryFromSafeFolders(file_name);
  }
  if (std::strlen(file_name) < MAX_PATH) return ::LoadLibraryA(file_name);
  int length = ::MultiByteToWideChar(CP_ACP, 0, file_name, -1, nullptr, 0);
  if (length <= 0) return nullptr;
  auto* wide = static_cast<wchar_t*>(
      HeapAllocate(sizeof(wchar_t) * static_cast<size_t>(length)));
  if (wide == nullptr) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  HMODULE module = nullptr;
  if (::MultiByteToWideChar(CP_ACP, 0, file_name, -1, wide, length) == length)
    module = ::LoadLibraryW(wide);
  const DWORD code = ::GetLastError();
  HeapRelease(wide);
  ::SetLastError(code);
  return module;
}

}  // namespace

SharedLibrary::SharedLibrary(const char* file_name, std::string* error)
    : handle_(reinterpret_cast<void*>(LoadLibraryAnyLength(file_name))) {
  if (handle_ != nullptr || error == nullptr) return;
  const DWORD code = ::GetLastError();
  char* text = nullptr;
  DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  *error = length != 0 && text != nullptr ? std::string(text, length)
                                          : "error " + std::to_string(code);
  if (text != nullptr) ::LocalFree(text);
  while (!error->empty() && (error->back() == '\n' || error->back() == '\r')) {
    error->pop_back();
  }
}

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

// The host program's optional hooks (abi.h), looked up in its own export
// table at every use: the module never keeps a pointer into another
// module. A host may show the boxes itself by exporting
// `void PageratesShowMessageBox(const char* text, const char* title)`
// (C linkage, the C calling convention), as it may on POSIX; otherwise the
// system shows them.

namespace {

using HostHookFn = void(__cdecl*)(const char*, const char*);

HostHookFn FindHostHook(const char* name) {
  HMODULE program = ::GetModuleHandleA(nullptr);
  if (program == nullptr) return nullptr;
  return reinterpret_cast<HostHookFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(program, name)));
}

}  // namespace

void ShowMessageBox(const char* text, const char* title) {
  if (HostHookFn host_show = FindHostHook("PageratesShowMessageBox")) {
    host_show(text, title);
    return;
  }
  ::MessageBoxA(nullptr, text, title, MB_OK);
}

// ---- Diagnostics ------------------------------------------------------

bool HasDownloadReporter() {
  return FindHostHook("PageratesReportDownload") != nullptr;
}

void ReportDownload(const char* address, const char* outcome) {
  if (HostHookFn report = FindHostHook("PageratesReportDownload"))
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
