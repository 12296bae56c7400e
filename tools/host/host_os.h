// The operating-system services the host programs need (the command, and
// with it the scenario runner and the tests): a private temporary
// directory, file links, paths, the program's own location, terminal
// detection and Ctrl-C. (Loading a shared library is port::SharedLibrary.)
//
// One implementation per platform (host_posix.cc, host_windows.cc);
// nothing else in tools/ calls the OS for these. No function here throws except
// where std::string allocation does; failures come back as a false result or an
// empty value together with a one-line reason.
#ifndef PAGERATES_TOOLS_HOST_HOST_OS_H_
#define PAGERATES_TOOLS_HOST_HOST_OS_H_

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pagerates::cli {

// File name extension of a loadable module on this platform (".so", ".dll").
extern const char* const kModuleExtension;

// A fresh directory only this process uses. The destructor deletes the
// entries made through it (see Link()) and then the directory itself.
class TempDirectory {
 public:
  // Creates the directory under the system's temporary folder. Null with
  // `*error` set when that fails.
  static std::optional<TempDirectory> Create(std::string* error);

  ~TempDirectory() { Remove(); }
  TempDirectory(TempDirectory&& other) noexcept
      : path_(std::exchange(other.path_, std::string())),
        entries_(std::exchange(other.entries_, {})) {}
  TempDirectory& operator=(TempDirectory&& other) noexcept {
    if (this != &other) {
      Remove();
      path_ = std::exchange(other.path_, std::string());
      entries_ = std::exchange(other.entries_, {});
    }
    return *this;
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  // Absolute path, without a trailing separator.
  const std::string& path() const { return path_; }
  // Gives the directory up to the caller, who removes it: returns its path
  // and leaves this owner empty.
  std::string Release();

  // Makes an entry `name` in the directory that refers to the existing file
  // `target` (an absolute path): opening the entry opens the target, and
  // the entry's own path is what a loader reports. Returns the entry's full
  // path, or an empty string with `*error` set.
  std::string Link(const std::string& name, const std::string& target,
                   std::string* error);

 private:
  explicit TempDirectory(std::string path) : path_(std::move(path)) {}
  void Remove();

  std::string path_;  // empty once moved from
  std::vector<std::string> entries_;
};

// A regular file's bytes mapped read-only into memory, followed by a NUL,
// without copying them. Unmapped on destruction. The file must not shrink
// while it is mapped: reading a vanished part ends the process (SIGBUS).
class MappedFile {
 public:
  // Maps `path` when it is a non-empty regular file and the platform maps
  // files; otherwise nullopt (read the file instead).
  static std::optional<MappedFile> Open(const std::string& path);

  ~MappedFile() { Unmap(); }
  MappedFile(MappedFile&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)) {}
  MappedFile& operator=(MappedFile&& other) noexcept {
    if (this != &other) {
      Unmap();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const char* data() const { return data_; }  // NUL at data()[size()]
  size_t size() const { return size_; }

 private:
  MappedFile(const char* data, size_t size) : data_(data), size_(size) {}
  void Unmap();

  const char* data_ = nullptr;
  size_t size_ = 0;
};

// What a path names, links followed.
enum class FileKind { kRegular, kDirectory, kPipe, kOther };

// What `path` is, found without opening it (opening a FIFO with no writer
// would wait for one). nullopt with `*error` set to the system's reason
// when it cannot be looked at (missing, no permission).
std::optional<FileKind> KindOfFile(const std::string& path, std::string* error);

// "a directory", "a pipe or FIFO", "a device or other special file";
// "a regular file" for kRegular.
inline const char* DescribeFileKind(FileKind kind) {
  switch (kind) {
    case FileKind::kRegular:
      return "a regular file";
    case FileKind::kDirectory:
      return "a directory";
    case FileKind::kPipe:
      return "a pipe or FIFO";
    case FileKind::kOther:
      break;
  }
  return "a device or other special file";
}

// `path` made absolute against the current directory; links are not
// resolved. Empty with `*error` set when the current directory is unknown.
std::string AbsolutePath(const std::string& path, std::string* error);

// The directory holding the running executable, or empty when unknown.
std::string ExecutableDirectory();

// Path separator used when joining paths ('/', or '\\' on Windows).
extern const char kPathSeparator;

// True when `stream` is attached to an interactive terminal.
bool IsTerminal(std::FILE* stream);

// Every program: SIGINT, SIGTERM, SIGHUP and SIGPIPE (Ctrl-C, Ctrl-Break
// and a closing console on Windows) end the process at once, after removing
// the temporary directories, with the status 128 + the signal's number.
void EndCleanlyOnSignals();

// For a run that stops at its own checks: from now on SIGINT and SIGTERM
// set a flag instead, which Interrupted() reads, so that the run can finish
// its output and clean up. A second signal, or a run that has not ended
// kInterruptGraceSeconds after the first (it may be inside the module),
// ends the process as above.
inline constexpr unsigned kInterruptGraceSeconds = 2;
void CatchInterrupts();
bool Interrupted();
// The exit status of an interrupted run: 128 + the signal's number (130
// for Ctrl-C, 143 for SIGTERM).
int InterruptedStatus();

// The system's text for the error number `code`.
std::string ErrorText(int code);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_HOST_HOST_OS_H_
