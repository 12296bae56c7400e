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
Fn Lookup(const port::SharedLibrary& library, const char* name) {
  return reinterpret_cast<Fn>(library.Symbol(name));
}

}  // namespace

HttpFetcher::HttpFetcher(const FetchLimits& limits) : limits_(limits) {
  buffer_.limit = limits_.max_body_bytes;
}

HttpFetcher::~HttpFetcher() { Close(); }

void HttpFetcher::Open(const char* library_name, bool keep_error_text) {
  library_ = port::SharedLibrary(library_name);
  if (!library_.loaded()) return;
  global_init_ = Lookup<GlobalInitFn>(library_, "curl_global_init");
  global_cleanup_ = Lookup<GlobalCleanupFn>(library_, "curl_global_cleanup");
  easy_init_ = Lookup<EasyInitFn>(library_, "curl_easy_init");
  easy_setopt_ = Lookup<EasySetoptFn>(library_, "curl_easy_setopt");
  easy_perform_ = Lookup<EasyPerformFn>(library_, "curl_easy_perform");
  easy_cleanup_ = Lookup<EasyCleanupFn>(library_, "curl_easy_cleanup");
  easy_getinfo_ = Lookup<EasyGetinfoFn>(library_, "curl_easy_getinfo");
  ready_ = global_init_ && global_cleanup_ && easy_init_ && easy_setopt_ &&
           easy_perform_ && easy_cleanup_;
  if (!ready_) return;
  global_init_(kGlobalAll);
  handle_ = easy_init_();
  if (handle_ == nullptr) return;
  using WriteFn = size_t (*)(const char*, size_t, size_t, void*);
  WriteFn write = &HttpFetcher::WriteChunk;
  easy_setopt_(handle_, kOptWriteFunction, write);
  easy_setopt_(handle_, kOptWriteData, static_cast<void*>(&buffer_));
  easy_setopt_(handle_, kOptNoProgress, 1L);
  easy_setopt_(handle_, kOptUserAgent, kUserAgent);
  easy_setopt_(handle_, kOptConnectTimeout, limits_.connect_timeout_seconds);
  easy_setopt_(handle_, kOptLowSpeedLimit, limits_.low_speed_bytes);
  easy_setopt_(handle_, kOptLowSpeedTime, limits_.low_speed_seconds);
  if (keep_error_text) easy_setopt_(handle_, kOptErrorBuffer, error_text_);
}

bool HttpFetcher::Fetch(const char* address) {
  FreeBuffer();
  error_text_[0] = '\0';
  status_ = 0;
  result_ = kCurlNotReady;
  if (!ready_ || handle_ == nullptr) return false;
  easy_setopt_(handle_, kOptUrl, address);
  result_ = easy_perform_(handle_);
  if (result_ != kCurlOk) return false;
  if (easy_getinfo_ != nullptr &&
      easy_getinfo_(handle_, kInfoResponseCode, &status_) != kCurlOk) {
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
    if (handle_ != nullptr) easy_cleanup_(handle_);
    global_cleanup_();
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
