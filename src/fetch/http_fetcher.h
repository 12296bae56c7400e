// HttpFetcher: the one HTTP client of the module and of the programs that
// host it. It downloads pages into memory through libcurl, loaded at run
// time by file name so that the module works without it.
//
// One fetcher serves one call of the module (or one run of a command):
// Open() loads libcurl and sets up a handle, Fetch() downloads one page at a
// time and FetchEach() several at once, Close() (or the destructor) frees
// the pages and cleans up and unloads libcurl. Nothing of libcurl survives
// the fetcher. Every download follows redirects to http and https only,
// counts only a 2xx answer as a page, and is bounded by FetchLimits.
//
// A fetcher belongs to one thread; it starts none of its own.
#ifndef PAGERATES_FETCH_HTTP_FETCHER_H_
#define PAGERATES_FETCH_HTTP_FETCHER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "port/port.h"

namespace pagerates {

// Bounds on one download. A transfer that breaks one of them fails.
struct FetchLimits {
  long connect_timeout_seconds = 30;
  // Abort when fewer than low_speed_bytes per second arrive for
  // low_speed_seconds.
  long low_speed_bytes = 1;
  long low_speed_seconds = 60;
  // The whole transfer, redirects included, from its start.
  long total_seconds = 120;
  long max_redirects = 5;
  size_t max_body_bytes = 64u << 20;
  // Transfers FetchEach() runs at once (so also at most this many to one
  // server), and pages it holds at once; 1 downloads one after another.
  int max_parallel = 8;
};

// The page received so far: the object libcurl's write callback fills.
struct DownloadBuffer {
  char* data = nullptr;    // NUL-terminated when not null; malloc'd
  size_t size = 0;         // bytes in data, without the NUL
  size_t capacity = 0;     // bytes allocated, the NUL included
  size_t limit = 0;        // largest accepted size
  bool too_large = false;  // a chunk was refused for the limit
};

// libcurl's entry points, looked up by name in a loaded library; each is
// null where the library lacks it. libcurl's enums and codes are passed as
// int, its handles as void*.
struct CurlFunctions {
  using GlobalInitFn = int (*)(long);
  using GlobalCleanupFn = void (*)();
  using EasyInitFn = void* (*)();
  using EasySetoptFn = int (*)(void*, int, ...);
  using EasyPerformFn = int (*)(void*);
  using EasyCleanupFn = void (*)(void*);
  using EasyGetinfoFn = int (*)(void*, int, ...);
  using MultiInitFn = void* (*)();
  using MultiHandleFn = int (*)(void*, void*);  // add_handle, remove_handle
  using MultiPerformFn = int (*)(void*, int*);
  using MultiWaitFn = int (*)(void*, void*, unsigned, int, int*);
  using MultiInfoReadFn = void* (*)(void*, int*);
  using MultiCleanupFn = int (*)(void*);

  CurlFunctions() = default;
  explicit CurlFunctions(const port::SharedLibrary& library);

  // The first of the six functions every download needs that the library
  // lacks, or null when it has them all. The others are optional.
  const char* FirstMissing() const;
  // True when the library offers what several downloads at once need.
  bool HasMulti() const;

  GlobalInitFn global_init = nullptr;
  GlobalCleanupFn global_cleanup = nullptr;
  EasyInitFn easy_init = nullptr;
  EasySetoptFn easy_setopt = nullptr;
  EasyPerformFn easy_perform = nullptr;
  EasyCleanupFn easy_cleanup = nullptr;
  EasyGetinfoFn easy_getinfo = nullptr;
  MultiInitFn multi_init = nullptr;
  MultiHandleFn multi_add_handle = nullptr;
  MultiHandleFn multi_remove_handle = nullptr;
  MultiPerformFn multi_perform = nullptr;
  MultiWaitFn multi_wait = nullptr;
  MultiInfoReadFn multi_info_read = nullptr;
  MultiCleanupFn multi_cleanup = nullptr;
};

// True when `address` starts with "http://" or "https://" (any case): the
// only addresses a fetcher asks libcurl for.
bool IsHttpAddress(std::string_view address);

// One download: the page it received and what became of it. Owned by the
// fetcher; valid until the fetcher's next download or Close().
class Download {
 public:
  Download();
  ~Download();
  Download(const Download&) = delete;
  Download& operator=(const Download&) = delete;

  // True when the transfer completed with a 2xx answer (or, with a libcurl
  // that cannot tell the status, completed).
  bool ok() const;
  // The page: null when nothing arrived. After a failed transfer, whatever
  // arrived.
  const char* body() const { return buffer_.data; }
  size_t size() const { return buffer_.size; }
  // What became of it, in one line: "HTTP <status>" when an answer arrived
  // (or "downloaded" when the status is unknown), else "failed: " and the
  // reason (libcurl's error text, or its number when it gave none).
  std::string Outcome() const;

 private:
  friend class HttpFetcher;
  void Reset();

  void* handle_ = nullptr;  // libcurl's easy handle
  DownloadBuffer buffer_;
  int result_;                 // libcurl's code for the transfer
  long status_ = 0;            // its HTTP status, 0 when unknown
  char error_text_[256] = {};  // libcurl's CURL_ERROR_SIZE
};

class HttpFetcher {
 public:
  explicit HttpFetcher(const FetchLimits& limits = FetchLimits());
  ~HttpFetcher();
  HttpFetcher(const HttpFetcher&) = delete;
  HttpFetcher& operator=(const HttpFetcher&) = delete;

  // Polled during transfers (at least once a second); a true result aborts
  // them. Set before Open().
  void set_should_stop(bool (*should_stop)()) { should_stop_ = should_stop; }

  // Loads libcurl (`library_name`, the platform's file name by default) and
  // prepares a handle. Afterwards ready() tells whether downloads are
  // possible; when it is false no libcurl function has been called.
  void Open(const char* library_name = port::kCurlLibraryName);
  bool ready() const { return ready_; }
  // True when FetchEach() runs downloads at once: the library offers
  // libcurl's multi interface and the limits allow more than one.
  bool concurrent() const;

  // Downloads `address`, replacing the previous page. Returns ok() of the
  // download, whose page and outcome body(), size() and Outcome() give.
  bool Fetch(const char* address);
  const char* body() const { return single_.body(); }
  size_t size() const { return single_.size(); }
  std::string Outcome() const { return single_.Outcome(); }

  // Downloads `addresses`, up to FetchLimits::max_parallel at once, and
  // hands each download to `deliver` in the order of `addresses`, as soon
  // as it and all before it are done. The download is valid during the
  // call only. When `deliver` returns false, or should_stop says so, the
  // transfers still running are abandoned and nothing more is delivered.
  // Without concurrent(), downloads one after another.
  void FetchEach(const std::vector<std::string>& addresses,
                 const std::function<bool(size_t index,
                                          const Download& download)>& deliver);

  void Close();

  // libcurl's write callback: appends `item_size * item_count` bytes to the
  // DownloadBuffer at `target`. Returns a different count (which makes
  // libcurl abort) when the buffer would pass its limit or cannot grow.
  static size_t WriteChunk(const char* data, size_t item_size,
                           size_t item_count, void* target);

 private:
  bool SetUp(Download* download);
  void Perform(Download* download, const char* address);
  bool Start(Download* download, const char* address);
  void Finish(Download* download, int result);
  void FetchOneByOne(
      const std::vector<std::string>& addresses,
      const std::function<bool(size_t, const Download&)>& deliver);
  void FetchConcurrently(
      const std::vector<std::string>& addresses,
      const std::function<bool(size_t, const Download&)>& deliver);

  FetchLimits limits_;
  bool (*should_stop_)() = nullptr;
  bool ready_ = false;
  Download single_;
  port::SharedLibrary library_;
  CurlFunctions curl_;
};

}  // namespace pagerates

#endif  // PAGERATES_FETCH_HTTP_FETCHER_H_
