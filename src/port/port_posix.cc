// POSIX implementation of the platform layer.
#include <dlfcn.h>
#include <iconv.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "port/ascii.h"
#include "port/heap_string.h"
#include "port/port.h"
#include "port/profile_text.h"
#include "port/utf8.h"

// A host on a platform without message boxes may show them itself by
// defining this function (exported from its executable). The module only
// imports it, weakly: without it, boxes become lines on stderr.
extern "C" __attribute__((weak, visibility("default"))) void
PageratesShowMessageBox(const char* text, const char* title);
// The same for the optional download report (abi.h).
extern "C" __attribute__((weak, visibility("default"))) void
PageratesReportDownload(const char* address, const char* outcome);

namespace pagerates::port {

void* HeapAllocate(size_t bytes) { return std::malloc(bytes); }
void HeapRelease(void* block) { std::free(block); }

const size_t kModulePathLimit = PATH_MAX;

// ---- Profile ----------------------------------------------------------

struct Profile::Snapshot {
  bool present = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};
  ProfileText text;

  bool Matches(const struct stat& st) const {
    return present && device == st.st_dev && inode == st.st_ino &&
           size == st.st_size && modified.tv_sec == st.st_mtim.tv_sec &&
           modified.tv_nsec == st.st_mtim.tv_nsec &&
           changed.tv_sec == st.st_ctim.tv_sec &&
           changed.tv_nsec == st.st_ctim.tv_nsec;
  }
};

Profile::Profile(std::string path)
    : path_(std::move(path)), snapshot_(std::make_unique<Snapshot>()) {
  Refresh();
}

Profile::~Profile() = default;

bool Profile::Refresh() {
  struct stat st;
  if (stat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    // Missing, or something that is not a file: nothing to read.
    if (!snapshot_->present && looked_) return false;
    *snapshot_ = Snapshot();
    looked_ = true;
    return true;
  }
  if (looked_ && snapshot_->Matches(st)) return false;
  looked_ = true;
  auto fresh = std::make_unique<Snapshot>();
  std::ifstream in(path_, std::ios::binary);
  if (in) {
    std::string bytes((std::istreambuf_iterator<char>(in)),
                      std::istreambuf_iterator<char>());
    if (!in.bad()) {
      fresh->present = true;
      fresh->device = st.st_dev;
      fresh->inode = st.st_ino;
      fresh->size = st.st_size;
      fresh->modified = st.st_mtim;
      fresh->changed = st.st_ctim;
      fresh->text = ProfileText(bytes);
    }
  }
  snapshot_ = std::move(fresh);
  return true;
}

HeapString Profile::ReadString(std::string_view section,
                               std::string_view key) const {
  const std::string* value = snapshot_->text.Find(section, key);
  return HeapString::Copy(value != nullptr ? std::string_view(*value)
                                           : std::string_view());
}

int32_t Profile::ReadInt(std::string_view section, std::string_view key,
                         int32_t default_value) const {
  const std::string* value = snapshot_->text.Find(section, key);
  if (value == nullptr || value->empty()) return default_value;
  return ProfileText::ParseInt(*value);
}

std::vector<std::string> Profile::KeyNames(std::string_view section) const {
  return snapshot_->text.Keys(section);
}

bool SameProfileName(std::string_view a, std::string_view b) {
  return EqualsIgnoringAsciiCase(a, b);
}

// ---- Code pages -------------------------------------------------------

namespace {

// Single-byte Windows code pages: what the Windows conversion service makes
// of each byte, taken from the service itself, so that pages read the same
// here, undefined bytes included (some pages leave them as the control
// character of the same value, others give a private-use character).
struct SingleBytePage {
  int code_page;
  char16_t units[256];
};

constexpr SingleBytePage kSingleBytePages[] = {
#include "port/code_page_tables.inc"
};

const SingleBytePage* FindSingleBytePage(int code_page) {
  for (const SingleBytePage& page : kSingleBytePages) {
    if (page.code_page == code_page) return &page;
  }
  return nullptr;
}

// Multi-byte Windows code pages and the names iconv knows them by.
struct MultiBytePage {
  int code_page;
  const char* iconv_name;
};

constexpr MultiBytePage kMultiBytePages[] = {
    {932, "CP932"},    {936, "CP936"},     {949, "CP949"},
    {950, "CP950"},    {20932, "EUC-JP"},  {51932, "EUC-JP"},
    {51949, "EUC-KR"}, {54936, "GB18030"}, {65000, "UTF-7"},
};

const MultiBytePage* FindMultiBytePage(int code_page) {
  for (const MultiBytePage& page : kMultiBytePages) {
    if (page.code_page == code_page) return &page;
  }
  return nullptr;
}

class Iconv {
 public:
  explicit Iconv(const char* from) : cd_(iconv_open("UTF-8", from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// UTF-8 for every byte of a single-byte code page, built once per page.
struct ByteTable {
  char utf8[256][4];
  unsigned char length[256];
  bool ascii_as_is;  // bytes below 0x80 map to themselves
};

std::unique_ptr<ByteTable> BuildByteTable(const SingleBytePage& page) {
  auto table = std::make_unique<ByteTable>();
  table->ascii_as_is = true;
  for (unsigned byte = 0; byte < 256; ++byte) {
    table->length[byte] = static_cast<unsigned char>(
        EncodeUtf8(page.units[byte], table->utf8[byte]));
    if (byte < 0x80)
      table->ascii_as_is = table->ascii_as_is && page.units[byte] == byte;
  }
  return table;
}

const ByteTable& ByteTableFor(const SingleBytePage& page) {
  static std::mutex mutex;
  static std::unique_ptr<ByteTable> tables[std::size(kSingleBytePages)];
  size_t index = static_cast<size_t>(&page - kSingleBytePages);
  std::lock_guard<std::mutex> lock(mutex);
  if (tables[index] == nullptr) tables[index] = BuildByteTable(page);
  return *tables[index];
}

// Pages are mostly ASCII, which nearly every single-byte Windows code page
// maps to itself: there, eight bytes without a high bit are copied as they
// are. Every
// other byte is stored as its table entry's four bytes and the output
// advances by the entry's length, so a buffer three bytes past the converted
// length is enough.
constexpr uint64_t kHighBits = 0x8080808080808080u;

bool ConvertWithTable(std::string_view text, const ByteTable& table,
                      HeapString* out) {
  const auto* const begin = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = begin + text.size();
  // No byte of a single-byte page takes more than three UTF-8 bytes.
  size_t high = 0;
  const unsigned char* s = begin;
  for (uint64_t word; end - s >= 8; s += 8) {
    std::memcpy(&word, s, 8);
    high += static_cast<size_t>(
        (((word & kHighBits) >> 7) * 0x0101010101010101u) >> 56);
  }
  for (; s < end; ++s) high += *s >> 7;
  const size_t length =
      table.ascii_as_is ? text.size() + 2 * high : 3 * text.size();

  HeapString result = HeapString::WithCapacity(length + 3);
  if (result.null()) return false;
  char* p = result.data();
  s = begin;
  for (uint64_t word; end - s >= 8; s += 8) {
    std::memcpy(&word, s, 8);
    if ((word & kHighBits) == 0 && table.ascii_as_is) {
      std::memcpy(p, &word, 8);
      p += 8;
      continue;
    }
    for (int i = 0; i < 8; ++i) {
      std::memcpy(p, table.utf8[s[i]], 4);
      p += table.length[s[i]];
    }
  }
  for (; s < end; ++s) {
    std::memcpy(p, table.utf8[*s], 4);
    p += table.length[*s];
  }
  result.SetSize(static_cast<size_t>(p - result.data()));
  *out = std::move(result);
  return true;
}

bool ConvertWithIconv(std::string_view text, const char* iconv_name,
                      HeapString* out) {
  Iconv cd(iconv_name);
  if (!cd.ok()) return false;
  // Four UTF-8 bytes per input byte is enough for every multi-byte page.
  size_t capacity = text.size() * 4;
  HeapString result = HeapString::WithCapacity(capacity);
  if (result.null()) return false;
  char* in_ptr = const_cast<char*>(text.data());
  size_t in_left = text.size();
  char* out_ptr = result.data();
  size_t out_left = capacity;
  if (iconv(cd.get(), &in_ptr, &in_left, &out_ptr, &out_left) ==
          static_cast<size_t>(-1) ||
      iconv(cd.get(), nullptr, nullptr, &out_ptr, &out_left) ==
          static_cast<size_t>(-1)) {
    return false;
  }
  result.SetSize(capacity - out_left);
  *out = std::move(result);
  return true;
}

}  // namespace

bool ConvertToUtf8(std::string_view text, int code_page, HeapString* out) {
  if (text.empty()) return false;  // nothing converts to a length of zero
  if (code_page == 65001) {
    *out = HeapString::Copy(text);
    return !out->null();
  }
  if (const SingleBytePage* page = FindSingleBytePage(code_page)) {
    return ConvertWithTable(text, ByteTableFor(*page), out);
  }
  const MultiBytePage* page = FindMultiBytePage(code_page);
  return page != nullptr && ConvertWithIconv(text, page->iconv_name, out);
}

// ---- Run-time loading -------------------------------------------------

const char* const kCurlLibraryName = "libcurl.so.4";

SharedLibrary::SharedLibrary(const char* file_name, std::string* error) {
  dlerror();  // forget any earlier failure
  handle_ = dlopen(file_name, RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr && error != nullptr) {
    const char* reason = dlerror();
    *error = reason != nullptr ? reason : "unknown loader error";
  }
}

void* SharedLibrary::Symbol(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

void SharedLibrary::Unload() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

// ---- User interface ---------------------------------------------------

void ShowMessageBox(const char* text, const char* title) {
  if (PageratesShowMessageBox != nullptr) {
    PageratesShowMessageBox(text, title);
    return;
  }
  std::fprintf(stderr, "%s: %s\n", title, text);
  std::fflush(stderr);
}

// ---- Diagnostics ------------------------------------------------------

bool HasDownloadReporter() { return PageratesReportDownload != nullptr; }

void ReportDownload(const char* address, const char* outcome) {
  if (PageratesReportDownload != nullptr)
    PageratesReportDownload(address, outcome);
}

// ---- Formatting -------------------------------------------------------

HeapString Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  HeapString result;
  if (length >= 0) {
    result = HeapString::WithCapacity(static_cast<size_t>(length));
    if (!result.null()) {
      std::vsnprintf(result.data(), static_cast<size_t>(length) + 1, format,
                     args);
      result.SetSize(static_cast<size_t>(length));
    }
  }
  va_end(args);
  return result;
}

}  // namespace pagerates::port
