// POSIX implementation of the command-line host's operating-system services.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "host/host_os.h"
#include "host/removal_list.h"

namespace pagerates::cli {
namespace {

// The first interrupting signal, 0 before one arrives.
volatile std::sig_atomic_t g_interrupted = 0;
RemovalList g_removals;

[[noreturn]] void EndNow(int signal) {
  g_removals.RemoveAll([](const char* path) { unlink(path); },
                       [](const char* path) { rmdir(path); });
  _exit(128 + signal);
}

extern "C" void OnEndingSignal(int signal) { EndNow(signal); }

extern "C" void OnInterrupt(int signal) {
  if (g_interrupted != 0) EndNow(g_interrupted);
  g_interrupted = signal;
  alarm(kInterruptGraceSeconds);
}

extern "C" void OnGraceOver(int) { EndNow(g_interrupted); }

void Handle(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: blocking calls return early
  sigaction(signal, &action, nullptr);
}

}  // namespace

const char* const kModuleExtension = ".so";
const char kPathSeparator = '/';

// ---- TempDirectory ------------------------------------------------------

std::optional<TempDirectory> TempDirectory::Create(std::string* error) {
  const char* base = std::getenv("TMPDIR");
  if (base == nullptr || *base == '\0') base = "/tmp";
  std::string absolute_base = AbsolutePath(base, error);
  if (absolute_base.empty()) return std::nullopt;
  // No '.' in the name we add: the module looks for the last '.' of the
  // paths it is given, and those must end inside the entry names.
  std::string pattern = absolute_base + "/pagerates-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "cannot create a temporary directory under " + absolute_base +
             ": " + ErrorText(errno);
    return std::nullopt;
  }
  g_removals.Add(pattern, /*directory=*/true);
  return TempDirectory(std::move(pattern));
}

std::string TempDirectory::Link(const std::string& name,
                                const std::string& target, std::string* error) {
  std::string entry = path_ + kPathSeparator + name;
  if (symlink(target.c_str(), entry.c_str()) != 0) {
    *error = "cannot link " + entry + " to " + target + ": " + ErrorText(errno);
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
  for (const std::string& entry : entries_) unlink(entry.c_str());
  rmdir(path_.c_str());
  Release();
}

// ---- Paths, terminals, signals ------------------------------------------

std::string AbsolutePath(const std::string& path, std::string* error) {
  if (!path.empty() && path.front() == '/') return path;
  std::string directory(256, '\0');
  while (getcwd(directory.data(), directory.size()) == nullptr) {
    if (errno != ERANGE) {
      *error = "cannot determine the current directory: " + ErrorText(errno);
      return std::string();
    }
    directory.resize(directory.size() * 2);
  }
  directory.resize(std::strlen(directory.c_str()));
  if (directory.back() != '/') directory += '/';
  return directory + path;
}

std::string ExecutableDirectory() {
  std::string target(256, '\0');
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
    if (length < 0) return std::string();
    if (static_cast<size_t>(length) < target.size()) {
      target.resize(static_cast<size_t>(length));
      break;
    }
    target.resize(target.size() * 2);
  }
  size_t slash = target.rfind('/');
  if (slash == std::string::npos) return std::string();
  return target.substr(0, slash == 0 ? 1 : slash);
}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

void EndCleanlyOnSignals() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    Handle(signal, OnEndingSignal);
  }
}

void CatchInterrupts() {
  Handle(SIGALRM, OnGraceOver);
  Handle(SIGINT, OnInterrupt);
  Handle(SIGTERM, OnInterrupt);
}

bool Interrupted() { return g_interrupted != 0; }

int InterruptedStatus() { return 128 + g_interrupted; }

std::string ErrorText(int code) { return std::strerror(code); }

std::optional<FileKind> KindOfFile(const std::string& path,
                                   std::string* error) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    *error = ErrorText(errno);
    return std::nullopt;
  }
  if (S_ISREG(status.st_mode)) return FileKind::kRegular;
  if (S_ISDIR(status.st_mode)) return FileKind::kDirectory;
  if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
    return FileKind::kPipe;
  }
  return FileKind::kOther;
}

std::optional<MappedFile> MappedFile::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat status {};
  std::optional<MappedFile> mapped;
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      status.st_size > 0) {
    const auto size = static_cast<size_t>(status.st_size);
    // Zero pages one byte longer than the file, the file mapped over them:
    // past its end, in its last page or the next one, a zero follows.
    void* area = ::mmap(nullptr, size + 1, PROT_READ,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area != MAP_FAILED) {
      if (::mmap(area, size, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE,
                 fd, 0) == area) {
        mapped = MappedFile(static_cast<const char*>(area), size);
      } else {
        ::munmap(area, size + 1);
      }
    }
  }
  ::close(fd);
  return mapped;
}

void MappedFile::Unmap() {
  if (data_ != nullptr) ::munmap(const_cast<char*>(data_), size_ + 1);
  data_ = nullptr;
}

}  // namespace pagerates::cli
