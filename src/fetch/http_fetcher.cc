#include "fetch/http_fetcher.h"

#include <cstdlib>
#include <cstring>

namespace pagerates {
namespace {

// libcurl's option and information numbers (stable parts of its ABI).
constexpr long kGlobalAll = 3;
constexpr int kOptWriteData = 10001;
constexpr int kOptErrorBuffer = 10010;
constexpr int kOptUrl = 10002;
constexpr int kOptUserAgent = 10018;
constexpr int kOptLowSpeedLimit = 19;
constexpr int kOptLowSpeedTime = 20;
constexpr int kOptNoProgress = 43;
constexpr int kOptConnectTimeout = 78;
constexpr int kOptWriteFunction = 20011;
constexpr int kInfoResponseCode = 0x200000 + 2;
constexpr int kCurlOk = 0;
// Not one of libcurl's codes: no transfer was attempted.
constexpr int kCurlNotReady = -1;

constexpr char kUserAgent[] = "libcurl-agent/1.0";

template <typename Fn>
void Lookup(const port::SharedLibrary& library, const char* name, Fn* fn) {
  *fn = reinterpret_cast<Fn>(library.Symbol(name));
}

}  // namespace

CurlFunctions::CurlFunctions(const port::SharedLibrary& library) {
  Lookup(library, "curl_global_init", &global_init);
  Lookup(library, "curl_global_cleanup", &global_cleanup);
  Lookup(library, "curl_easy_init", &easy_init);
  Lookup(library, "curl_easy_setopt", &easy_setopt);
  Lookup(library, "curl_easy_perform", &easy_perform);
  Lookup(library, "curl_easy_cleanup", &easy_cleanup);
  Lookup(library, "curl_easy_getinfo", &easy_getinfo);
  Lookup(library, "curl_easy_strerror", &easy_strerror);
}

const char* CurlFunctions::FirstMissing() const {
  if (global_init == nullptr) return "curl_global_init";
  if (global_cleanup == nullptr) return "curl_global_cleanup";
  if (easy_init == nullptr) return "curl_easy_init";
  if (easy_setopt == nullptr) return "curl_easy_setopt";
  if (easy_perform == nullptr) return "curl_easy_perform";
  if (easy_cleanup == nullptr) return "curl_easy_cleanup";
  return nullptr;
}

HttpFetcher::HttpFetcher(const FetchLimits& limits) : limits_(limits) {
  buffer_.limit = limits_.max_body_bytes;
}

HttpFetcher::~HttpFetcher() { Close(); }

void HttpFetcher::Open(const char* library_name, bool keep_error_text) {
  library_ = port::SharedLibrary(library_name);
  if (!library_.loaded()) return;
  curl_ = CurlFunctions(library_);
  ready_ = curl_.FirstMissing() == nullptr;
  if (!ready_) return;
  curl_.global_init(kGlobalAll);
  handle_ = curl_.easy_init();
  if (handle_ == nullptr) return;
  using WriteFn = size_t (*)(const char*, size_t, size_t, void*);
  WriteFn write = &HttpFetcher::WriteChunk;
  curl_.easy_setopt(handle_, kOptWriteFunction, write);
  curl_.easy_setopt(handle_, kOptWriteData, static_cast<void*>(&buffer_));
  curl_.easy_setopt(handle_, kOptNoProgress, 1L);
  curl_.easy_setopt(handle_, kOptUserAgent, kUserAgent);
  curl_.easy_setopt(handle_, kOptConnectTimeout,
                    limits_.connect_timeout_seconds);
  curl_.easy_setopt(handle_, kOptLowSpeedLimit, limits_.low_speed_bytes);
  curl_.easy_setopt(handle_, kOptLowSpeedTime, limits_.low_speed_seconds);
  if (keep_error_text) curl_.easy_setopt(handle_, kOptErrorBuffer, error_text_);
}

bool HttpFetcher::Fetch(const char* address) {
  FreeBuffer();
  error_text_[0] = '\0';
  status_ = 0;
  result_ = kCurlNotReady;
  if (!ready_ || handle_ == nullptr) return false;
  curl_.easy_setopt(handle_, kOptUrl, address);
  result_ = curl_.easy_perform(handle_);
  if (result_ != kCurlOk) return false;
  if (curl_.easy_getinfo != nullptr &&
      curl_.easy_getinfo(handle_, kInfoResponseCode, &status_) != kCurlOk) {
    status_ = 0;
  }
  return status_ < 400;
}

std::string HttpFetcher::Outcome() const {
  if (result_ == kCurlOk) {
    return status_ != 0 ? "HTTP " + std::to_string(status_) : "downloaded";
  }
  if (result_ == kCurlNotReady) return "failed: no libcurl handle";
  if (error_text_[0] != '\0') return std::string("failed: ") + error_text_;
  return "failed: libcurl error " + std::to_string(result_);
}

void HttpFetcher::Close() {
  FreeBuffer();
  if (ready_) {
    if (handle_ != nullptr) curl_.easy_cleanup(handle_);
    curl_.global_cleanup();
  }
  handle_ = nullptr;
  ready_ = false;
  library_.Unload();
}

void HttpFetcher::FreeBuffer() {
  std::free(buffer_.data);
  buffer_.data = nullptr;
  buffer_.size = 0;
  buffer_.capacity = 0;
}

size_t HttpFetcher::WriteChunk(const char* data, size_t item_size,
                               size_t item_count, void* target) {
  auto* buffer = static_cast<DownloadBuffer*>(target);
  const size_t n = item_size * item_count;
  // Refusing a chunk means answering with a count other than its size.
  if (item_count != 0 && n / item_count != item_size) return 0;
  if (n > buffer->limit || buffer->size > buffer->limit - n) return 0;
  const size_t needed = buffer->size + n + 1;
  if (needed > buffer->capacity) {
    size_t capacity = buffer->capacity < 4096 ? 4096 : buffer->capacity;
    while (capacity < needed) capacity *= 2;
    char* grown = static_cast<char*>(std::realloc(buffer->data, capacity));
    if (grown == nullptr) return 0;
    buffer->data = grown;
    buffer->capacity = capacity;
  }
  if (n != 0) std::memcpy(buffer->data + buffer->size, data, n);
  buffer->size += n;
  buffer->data[buffer->size] = '\0';
  return n;
}

}  // namespace pagerates
