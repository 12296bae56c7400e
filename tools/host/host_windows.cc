// Windows implementation of the command-line host's operating-system
// services.
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/host_os.h"
#include "host/removal_list.h"
#include "port/ascii.h"

namespace pagerates::cli {
namespace {

// The signal number a console event stands for: 2 for Ctrl-C, 15 for the
// others (a termination request).
std::atomic<int> g_interrupted{0};
std::atomic<bool> g_catching{false};
RemovalList g_removals;

void RemoveTemporaryFiles() {
  g_removals.RemoveAll([](const char* path) { ::DeleteFileA(path); },
                       [](const char* path) { ::RemoveDirectoryA(path); });
}

// Runs on a thread of its own, which the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT &&
      event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  const int signal = event == CTRL_C_EVENT ? 2 : 15;
  int none = 0;
  if (g_catching && g_interrupted.compare_exchange_strong(none, signal)) {
    // The run has kInterruptGraceSeconds to stop by itself.
    ::Sleep(kInterruptGraceSeconds * 1000);
  }
  RemoveTemporaryFiles();
  ::ExitProcess(128 + signal);
}

// The system's text for a Win32 error code, without the trailing line break.
std::string SystemErrorText(DWORD code) {
  char* text = nullptr;
  DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length != 0 && text != nullptr
                           ? std::string(text, length)
                           : "error " + std::to_string(code);
  if (text != nullptr) ::LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  return result;
}

// The ANSI path functions stop at MAX_PATH characters; the wide ones go on.
// `path` is read in, and the result written out in, the ANSI code page.
std::string AbsoluteLongPath(const std::string& path, std::string* error) {
  int size = static_cast<int>(path.size());
  std::wstring wide(static_cast<size_t>(::MultiByteToWideChar(
                        CP_ACP, 0, path.data(), size, nullptr, 0)),
                    L'\0');
  DWORD needed = 0;
  if (!wide.empty() &&
      ::MultiByteToWideChar(CP_ACP, 0, path.data(), size, wide.data(),
                            static_cast<int>(wide.size())) > 0) {
    needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  }
  std::wstring full(needed, L'\0');
  DWORD length = needed == 0 ? 0
                             : ::GetFullPathNameW(wide.c_str(), needed,
                                                  full.data(), nullptr);
  int bytes = length == 0 || length >= needed
                  ? 0
                  : ::WideCharToMultiByte(CP_ACP, 0, full.data(),
                                          static_cast<int>(length), nullptr, 0,
                                          nullptr, nullptr);
  std::string result(static_cast<size_t>(bytes), '\0');
  if (bytes == 0 ||
      ::WideCharToMultiByte(CP_ACP, 0, full.data(), static_cast<int>(length),
                            result.data(), bytes, nullptr, nullptr) != bytes) {
    *error = "cannot make " + path +
             " absolute: " + SystemErrorText(::GetLastError());
    return std::string();
  }
  return result;
}

}  // namespace

const char* const kModuleExtension = ".dll";
const char kPathSeparator = '\\';

// ---- TempDirectory ------------------------------------------------------

std::optional<TempDirectory> TempDirectory::Create(std::string* error) {
  char base[MAX_PATH + 1];
  DWORD length = ::GetTempPathA(sizeof base, base);
  if (length == 0 || length > MAX_PATH) {
    *error = "cannot find the temporary folder: " +
             SystemErrorText(::GetLastError());
    return std::nullopt;
  }
  // No '.' in the name we add: the module looks for the last '.' of the
  // paths it is given, and those must end inside the entry names.
  std::string prefix = std::string(base, length) + "pagerates-" +
                       std::to_string(::GetCurrentProcessId()) + "-";
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    std::string path = prefix + std::to_string(::GetTickCount() + attempt);
    if (::CreateDirectoryA(path.c_str(), nullptr)) {
      g_removals.Add(path, /*directory=*/true);
      return TempDirectory(std::move(path));
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  *error = "cannot create a temporary folder under " +
           std::string(base, length) + ": " + SystemErrorText(::GetLastError());
  return std::nullopt;
}

// Links need privileges that ordinary accounts lack; the entry is a copy.
// Opening it reads the target's bytes as they were when it was made, and
// the loader reports the entry's own path, which is what the module needs.
std::string TempDirectory::Link(const std::string& name,
                                const std::string& target, std::string* error) {
  std::string entry = path_ + kPathSeparator + name;
  if (!::CopyFileA(target.c_str(), entry.c_str(), TRUE)) {
    *error = "cannot copy " + target + " to " + entry + ": " +
             SystemErrorText(::GetLastError());
    return std::string();
  }
  g_removals.Add(entry, /*directory=*/false);
  entries_.push_back(entry);
  return entry;
}

std::string TempDirectory::Release() {
  for (const std::string& entry : entries_) g_removals.Drop(entry);
  entries_.clear();
  g_removals.Drop(path_);
  return std::exchange(path_, std::string());
}

void TempDirectory::Remove() {
  if (path_.empty()) return;
  for (const std::string& entry : entries_) ::DeleteFileA(entry.c_str());
  ::RemoveDirectoryA(path_.c_str());
  Release();
}

// ---- Paths, consoles, interrupts ----------------------------------------

std::string AbsolutePath(const std::string& path, std::string* error) {
  auto failed = [&]() {
    *error = "cannot make " + path +
             " absolute: " + SystemErrorText(::GetLastError());
    return std::string();
  };
  if (path.size() >= MAX_PATH) return AbsoluteLongPath(path, error);
  DWORD needed = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return failed();
  std::string full(needed, '\0');
  DWORD length = ::GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return failed();
  full.resize(length);
  return full;
}

std::string ExecutableDirectory() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameA(nullptr, path.data(),
                                        static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return std::string();
  return path.substr(0, separator);
}

bool IsTerminal(std::FILE* stream) {
  intptr_t handle = _get_osfhandle(_fileno(stream));
  if (handle == -1) return false;
  DWORD mode;
  return ::GetFileType(reinterpret_cast<HANDLE>(handle)) == FILE_TYPE_CHAR &&
         ::GetConsoleMode(reinterpret_cast<HANDLE>(handle), &mode) != 0;
}

void EndCleanlyOnSignals() {
  // Once: a handler added twice would run twice for one event.
  static const bool installed =
      ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
  (void)installed;
}

void CatchInterrupts() {
  g_catching = true;
  EndCleanlyOnSignals();
}

bool Interrupted() { return g_interrupted != 0; }

int InterruptedStatus() { return 128 + g_interrupted; }

std::string ErrorText(int code) { return std::strerror(code); }

std::optional<FileKind> KindOfFile(const std::string& path,
                                   std::string* error) {
  // A named pipe is known by its name: asking the file system about it
  // would connect to it.
  std::string lower = AsciiLower(std::string_view(path).substr(0, 9));
  std::replace(lower.begin(), lower.end(), '/', '\\');
  if (lower == "\\\\.\\pipe\\") return FileKind::kPipe;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *error = SystemErrorText(::GetLastError());
    return std::nullopt;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::kDirectory;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return FileKind::kOther;
  return FileKind::kRegular;
}

// Pages are read rather than mapped here: a view ends at the file's end,
// with no room promised for the NUL the module needs.
std::optional<MappedFile> MappedFile::Open(const std::string&) {
  return std::nullopt;
}

void MappedFile::Unmap() {}

}  // namespace pagerates::cli
