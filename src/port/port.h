// The platform layer: every operating-system service the module uses.
//
// One implementation per platform (port_posix.cc, port_windows.cc), chosen
// by the build. Nothing above this folder calls the OS directly. No function
// here throws; failures are reported through the results described below.
#ifndef PAGERATES_PORT_PORT_H_
#define PAGERATES_PORT_PORT_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pagerates {
class HeapString;
}

namespace pagerates::port {

// ---- Heap -------------------------------------------------------------
// Raw blocks for HeapString. Null when the heap is exhausted.
void* HeapAllocate(size_t bytes);
void HeapRelease(void* block);

// ---- Module lifecycle -------------------------------------------------
// The longest module path the platform hands out, terminating NUL included.
// A path that does not fit makes the attach fail.
extern const size_t kModulePathLimit;

// Called by the platform's load and unload notifications of the module;
// defined by the module, not by this layer. A false result from Attach
// refuses the load where the platform allows it; where it does not (an ELF
// constructor), the module stays loaded without configuration.
bool ModuleAttach(const char* module_path);
void ModuleDetach();

// ---- Configuration files ----------------------------------------------
// Reads values from one INI file with the platform's profile rules: section
// and key names match without regard to case, blanks around keys and values
// are dropped, values are cut at kMaxProfileValue bytes, a missing file,
// section or key reads as empty (strings) or as the default (integers).
inline constexpr size_t kMaxProfileValue = 511;

class Profile {
 public:
  explicit Profile(std::string path);
  ~Profile();
  Profile(const Profile&) = delete;
  Profile& operator=(const Profile&) = delete;

  const std::string& path() const { return path_; }

  // Looks at the file again and reloads it if it changed since the last
  // look. Reads between two Refresh() calls see one state of the file.
  // True when the file (or its absence) differs from the last look; the
  // first look, made by the constructor, counts as a change.
  bool Refresh();

  // The value, or an empty string. Never null unless the heap is exhausted.
  HeapString ReadString(std::string_view section, std::string_view key) const;

  // An optional sign and the leading decimal digits of the value (0 when
  // there are none); `default_value` when the key is missing or empty.
  int32_t ReadInt(std::string_view section, std::string_view key,
                  int32_t default_value) const;

  // The names of the keys in `section`, each as ReadString() finds it; a
  // repeated key may be listed twice.
  std::vector<std::string> KeyNames(std::string_view section) const;

 private:
  struct Snapshot;
  std::string path_;
  std::unique_ptr<Snapshot> snapshot_;
  bool looked_ = false;
};

// True when two section or key names are the same name to the profile
// reader.
bool SameProfileName(std::string_view a, std::string_view b);

// ---- Code pages -------------------------------------------------------
// Converts NUL-free `text` from the Windows code page `code_page` to UTF-8.
// Returns false when the code page is unknown or the text cannot be
// converted; `out` is then untouched. Bytes a single-byte code page leaves
// undefined become the Unicode control character of the same value.
bool ConvertToUtf8(std::string_view text, int code_page, HeapString* out);

// ---- Run-time loading -------------------------------------------------
// A library loaded by file name, unloaded when the owner goes away.
class SharedLibrary {
 public:
  SharedLibrary() = default;
  // Loads `file_name`, its symbols resolved at once; check loaded(). A path
  // may be as long as the platform's loader takes, beyond MAX_PATH on
  // Windows. When `error` is given, a failure leaves the loader's reason
  // there.
  explicit SharedLibrary(const char* file_name, std::string* error = nullptr);
  ~SharedLibrary() { Unload(); }
  SharedLibrary(SharedLibrary&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)) {}
  SharedLibrary& operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
      Unload();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  // The address of an exported symbol, or null.
  void* Symbol(const char* name) const;
  void Unload();

 private:
  void* handle_ = nullptr;
};

// File name under which the platform's libcurl is loaded.
extern const char* const kCurlLibraryName;

// ---- User interface ---------------------------------------------------
// Shows `text` under `title` with an OK button and no owner, and returns
// when the user has closed it. Where there is no such service the host may
// supply one (see port_posix.cc); otherwise it becomes a line on stderr.
void ShowMessageBox(const char* text, const char* title);

// ---- Diagnostics ------------------------------------------------------
// The host program's optional PageratesReportDownload (see abi.h): a line
// about one secondary download. HasDownloadReporter() tells whether the
// host exports one, so callers can skip describing outcomes nobody reads;
// ReportDownload() does nothing without it.
bool HasDownloadReporter();
void ReportDownload(const char* address, const char* outcome);

// ---- Formatting -------------------------------------------------------
// printf-style formatting for %s and %d with flags, width and precision:
// the subset the platform's user-interface formatter understands.
HeapString Format(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

}  // namespace pagerates::port

#endif  // PAGERATES_PORT_PORT_H_
