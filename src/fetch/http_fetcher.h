// HttpFetcher: downloads pages into memory through libcurl, loaded at run
// time by file name so that the module works without it.
//
// One fetcher serves one call of the module: Open() loads libcurl and sets
// up one easy handle, Fetch() downloads one page at a time, Close() (or the
// destructor) frees the page and cleans up and unloads libcurl. Nothing of
// libcurl survives the fetcher.
#ifndef PAGERATES_FETCH_HTTP_FETCHER_H_
#define PAGERATES_FETCH_HTTP_FETCHER_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "port/port.h"

namespace pagerates {

// Bounds on one download. A transfer that breaks one of them fails.
struct FetchLimits {
  long connect_timeout_seconds = 30;
  // Abort when fewer than low_speed_bytes per second arrive for
  // low_speed_seconds.
  long low_speed_bytes = 1;
  long low_speed_seconds = 60;
  size_t max_body_bytes = 64u << 20;
};

// The page received so far: the object libcurl's write callback fills.
struct DownloadBuffer {
  char* data = nullptr;  // NUL-terminated when not null; malloc'd
  size_t size = 0;       // bytes in data, without the NUL
  size_t capacity = 0;   // bytes allocated, the NUL included
  size_t limit = 0;      // largest accepted size
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
  using EasyStrerrorFn = const char* (*)(int);

  CurlFunctions() = default;
  explicit CurlFunctions(const port::SharedLibrary& library);

  // The first of the six functions every download needs that the library
  // lacks, or null when it has them all. curl_easy_getinfo and
  // curl_easy_strerror are not among them.
  const char* FirstMissing() const;

  GlobalInitFn global_init = nullptr;
  GlobalCleanupFn global_cleanup = nullptr;
  EasyInitFn easy_init = nullptr;
  EasySetoptFn easy_setopt = nullptr;
  EasyPerformFn easy_perform = nullptr;
  EasyCleanupFn easy_cleanup = nullptr;
  EasyGetinfoFn easy_getinfo = nullptr;
  EasyStrerrorFn easy_strerror = nullptr;
};

class HttpFetcher {
 public:
  explicit HttpFetcher(const FetchLimits& limits = FetchLimits());
  ~HttpFetcher();
  HttpFetcher(const HttpFetcher&) = delete;
  HttpFetcher& operator=(const HttpFetcher&) = delete;

  // Loads libcurl (`library_name`, the platform's file name by default) and
  // prepares a handle. Afterwards ready() tells whether downloads are
  // possible; when it is false no libcurl function has been called. With
  // `keep_error_text`, libcurl is also given a buffer for its error texts,
  // which Outcome() then reports.
  void Open(const char* library_name = port::kCurlLibraryName,
            bool keep_error_text = false);
  bool ready() const { return ready_; }

  // Downloads `address`, replacing the previous page. True when the
  // transfer completed with an HTTP status below 400; the page is then
  // body() (null when the body was empty). After a failed transfer body()
  // holds whatever arrived.
  bool Fetch(const char* address);
  const char* body() const { return buffer_.data; }
  // What became of the last Fetch(), in one line: "HTTP <status>" when a
  // response arrived (or "downloaded" when the status is unknown), else
  // "failed: " and libcurl's error text (its error number without the text
  // buffer; "no libcurl handle" when curl_easy_init failed).
  std::string Outcome() const;
  size_t size() const { return buffer_.size; }

  void Close();

  // libcurl's write callback: appends `item_size * item_count` bytes to the
  // DownloadBuffer at `target`. Returns a different count (which makes
  // libcurl abort) when the buffer would pass its limit or cannot grow.
  static size_t WriteChunk(const char* data, size_t item_size,
                           size_t item_count, void* target);

 private:
  void FreeBuffer();

  FetchLimits limits_;
  void* handle_ = nullptr;
  DownloadBuffer buffer_;
  bool ready_ = false;
  int result_ = 0;             // libcurl's code for the last transfer
  long status_ = 0;            // its HTTP status, 0 when unknown
  char error_text_[256] = {};  // libcurl's CURL_ERROR_SIZE
  port::SharedLibrary library_;
  CurlFunctions curl_;  // curl_easy_getinfo optional
};

}  // namespace pagerates

#endif  // PAGERATES_FETCH_HTTP_FETCHER_H_
