#include "fetch/http_fetcher.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>

#include "port/ascii.h"

namespace pagerates {
namespace {

// libcurl's option, information and message numbers (stable parts of its
// ABI).
constexpr long kGlobalAll = 3;
constexpr int kOptWriteData = 10001;
constexpr int kOptErrorBuffer = 10010;
constexpr int kOptUrl = 10002;
constexpr int kOptUserAgent = 10018;
constexpr int kOptTimeout = 13;
constexpr int kOptLowSpeedLimit = 19;
constexpr int kOptLowSpeedTime = 20;
constexpr int kOptNoProgress = 43;
constexpr int kOptFollowLocation = 52;
constexpr int kOptMaxRedirs = 68;
constexpr int kOptConnectTimeout = 78;
constexpr int kOptNoSignal = 99;
constexpr int kOptProtocols = 181;
constexpr int kOptRedirProtocols = 182;
constexpr int kOptXferInfoData = 10057;
constexpr int kOptAcceptEncoding = 10102;
constexpr int kOptWriteFunction = 20011;
constexpr int kOptXferInfoFunction = 20219;
constexpr long kProtoHttpAndHttps = 1 | 2;
constexpr int kInfoResponseCode = 0x200000 + 2;
constexpr int kCurlOk = 0;
constexpr int kCurlMsgDone = 1;
// Not libcurl's codes: no transfer was attempted.
constexpr int kNotReady = -1;
constexpr int kNotHttp = -2;
constexpr int kNotStarted = -3;

constexpr char kUserAgent[] = "libcurl-agent/1.0";

// libcurl's CURLMsg.
struct CurlMessage {
  int msg;
  void* easy_handle;
  union {
    void* whatever;
    int result;
  } data;
};

template <typename Fn>
void Lookup(const port::SharedLibrary& library, const char* name, Fn* fn) {
  *fn = reinterpret_cast<Fn>(library.Symbol(name));
}

extern "C" int CheckStop(void* should_stop, int64_t, int64_t, int64_t,
                         int64_t) {
  auto fn = reinterpret_cast<bool (*)()>(should_stop);
  return fn() ? 1 : 0;
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
  Lookup(library, "curl_multi_init", &multi_init);
  Lookup(library, "curl_multi_add_handle", &multi_add_handle);
  Lookup(library, "curl_multi_remove_handle", &multi_remove_handle);
  Lookup(library, "curl_multi_perform", &multi_perform);
  Lookup(library, "curl_multi_wait", &multi_wait);
  Lookup(library, "curl_multi_info_read", &multi_info_read);
  Lookup(library, "curl_multi_cleanup", &multi_cleanup);
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

bool CurlFunctions::HasMulti() const {
  return multi_init != nullptr && multi_add_handle != nullptr &&
         multi_remove_handle != nullptr && multi_perform != nullptr &&
         multi_wait != nullptr && multi_info_read != nullptr &&
         multi_cleanup != nullptr;
}

bool IsHttpAddress(std::string_view address) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (address.size() >= scheme.size() &&
        EqualsIgnoringAsciiCase(address.substr(0, scheme.size()), scheme)) {
      return true;
    }
  }
  return false;
}

// ---- Download -----------------------------------------------------------

Download::Download() : result_(kNotReady) {}

Download::~Download() { Reset(); }

void Download::Reset() {
  std::free(buffer_.data);
  buffer_.data = nullptr;
  buffer_.size = 0;
  buffer_.capacity = 0;
  buffer_.too_large = false;
  error_text_[0] = '\0';
  status_ = 0;
  result_ = kNotReady;
}

bool Download::ok() const {
  return result_ == kCurlOk &&
         (status_ == 0 || (status_ >= 200 && status_ < 300));
}

std::string Download::Outcome() const {
  if (result_ == kCurlOk) {
    return status_ != 0 ? "HTTP " + std::to_string(status_) : "downloaded";
  }
  if (result_ == kNotReady) return "failed: no libcurl handle";
  if (result_ == kNotHttp) {
    return "failed: only http and https addresses are downloaded";
  }
  if (result_ == kNotStarted) return "failed: not started";
  if (buffer_.too_large) {
    return "failed: page larger than " + std::to_string(buffer_.limit) +
           " bytes";
  }
  if (error_text_[0] != '\0') return std::string("failed: ") + error_text_;
  return "failed: libcurl error " + std::to_string(result_);
}

// ---- HttpFetcher --------------------------------------------------------

HttpFetcher::HttpFetcher(const FetchLimits& limits) : limits_(limits) {
  if (limits_.max_parallel < 1) limits_.max_parallel = 1;
}

HttpFetcher::~HttpFetcher() { Close(); }

void HttpFetcher::Open(const char* library_name) {
  library_ = port::SharedLibrary(library_name);
  if (!library_.loaded()) return;
  curl_ = CurlFunctions(library_);
  ready_ = curl_.FirstMissing() == nullptr;
  if (!ready_) return;
  curl_.global_init(kGlobalAll);
  SetUp(&single_);
}

bool HttpFetcher::concurrent() const {
  return ready_ && curl_.HasMulti() && limits_.max_parallel > 1;
}

// Gives `download` an easy handle with every option of a download. False
// when libcurl gives no handle.
bool HttpFetcher::SetUp(Download* download) {
  void* handle = curl_.easy_init();
  download->handle_ = handle;
  download->buffer_.limit = limits_.max_body_bytes;
  if (handle == nullptr) return false;
  using WriteFn = size_t (*)(const char*, size_t, size_t, void*);
  WriteFn write = &HttpFetcher::WriteChunk;
  curl_.easy_setopt(handle, kOptWriteFunction, write);
  curl_.easy_setopt(handle, kOptWriteData,
                    static_cast<void*>(&download->buffer_));
  curl_.easy_setopt(handle, kOptNoProgress, 1L);
  curl_.easy_setopt(handle, kOptUserAgent, kUserAgent);
  curl_.easy_setopt(handle, kOptConnectTimeout,
                    limits_.connect_timeout_seconds);
  curl_.easy_setopt(handle, kOptLowSpeedLimit, limits_.low_speed_bytes);
  curl_.easy_setopt(handle, kOptLowSpeedTime, limits_.low_speed_seconds);
  curl_.easy_setopt(handle, kOptTimeout, limits_.total_seconds);
  curl_.easy_setopt(handle, kOptFollowLocation, 1L);
  curl_.easy_setopt(handle, kOptMaxRedirs, limits_.max_redirects);
  curl_.easy_setopt(handle, kOptProtocols, kProtoHttpAndHttps);
  curl_.easy_setopt(handle, kOptRedirProtocols, kProtoHttpAndHttps);
  // No signals: the time limits must not disturb the host's own handlers.
  curl_.easy_setopt(handle, kOptNoSignal, 1L);
  curl_.easy_setopt(handle, kOptAcceptEncoding, "");
  curl_.easy_setopt(handle, kOptErrorBuffer, download->error_text_);
  if (should_stop_ != nullptr) {
    using ProgressFn = int (*)(void*, int64_t, int64_t, int64_t, int64_t);
    ProgressFn progress = &CheckStop;
    curl_.easy_setopt(handle, kOptXferInfoFunction, progress);
    curl_.easy_setopt(handle, kOptXferInfoData,
                      reinterpret_cast<void*>(should_stop_));
    curl_.easy_setopt(handle, kOptNoProgress, 0L);
  }
  return true;
}

// Prepares `download` for `address`. False, with the reason kept, when it
// cannot be asked for.
bool HttpFetcher::Start(Download* download, const char* address) {
  download->Reset();
  void* handle = download->handle_;
  if (!ready_ || handle == nullptr) return false;
  if (!IsHttpAddress(address)) {
    download->result_ = kNotHttp;
    return false;
  }
  curl_.easy_setopt(handle, kOptUrl, address);
  return true;
}

void HttpFetcher::Finish(Download* download, int result) {
  download->result_ = result;
  if (result == kCurlOk && curl_.easy_getinfo != nullptr &&
      curl_.easy_getinfo(download->handle_, kInfoResponseCode,
                         &download->status_) != kCurlOk) {
    download->status_ = 0;
  }
}

void HttpFetcher::Perform(Download* download, const char* address) {
  if (!Start(download, address)) return;
  Finish(download, curl_.easy_perform(download->handle_));
}

bool HttpFetcher::Fetch(const char* address) {
  Perform(&single_, address);
  return single_.ok();
}

void HttpFetcher::FetchEach(
    const std::vector<std::string>& addresses,
    const std::function<bool(size_t, const Download&)>& deliver) {
  if (concurrent() && addresses.size() > 1) {
    FetchConcurrently(addresses, deliver);
  } else {
    FetchOneByOne(addresses, deliver);
  }
}

void HttpFetcher::FetchOneByOne(
    const std::vector<std::string>& addresses,
    const std::function<bool(size_t, const Download&)>& deliver) {
  for (size_t i = 0; i < addresses.size(); ++i) {
    if (should_stop_ != nullptr && should_stop_()) return;
    Perform(&single_, addresses[i].c_str());
    const bool go_on = deliver(i, single_);
    single_.Reset();
    if (!go_on) return;
  }
}

// The downloads run in a window of max_parallel slots over `addresses`:
// the oldest undelivered one and those after it. A slot is freed when its
// download is delivered, so at most max_parallel pages are held.
void HttpFetcher::FetchConcurrently(
    const std::vector<std::string>& addresses,
    const std::function<bool(size_t, const Download&)>& deliver) {
  struct Slot {
    Download* download;
    size_t index;
    bool running;
  };
  void* multi = curl_.multi_init();
  if (multi == nullptr) {
    FetchOneByOne(addresses, deliver);
    return;
  }
  // Slot downloads: the fetcher's own first, then handles made for this
  // call. A failed easy_init leaves fewer slots.
  std::vector<std::unique_ptr<Download>> extra;
  std::vector<Download*> free_downloads{&single_};
  const size_t wanted =
      std::min(addresses.size(), static_cast<size_t>(limits_.max_parallel));
  while (free_downloads.size() < wanted) {
    auto download = std::make_unique<Download>();
    if (!SetUp(download.get())) break;
    free_downloads.push_back(download.get());
    extra.push_back(std::move(download));
  }
  const size_t slots = free_downloads.size();
  std::deque<Slot> window;  // in address order
  size_t next = 0;
  bool stop = false;
  while (!stop && (next < addresses.size() || !window.empty())) {
    while (next < addresses.size() && window.size() < slots) {
      Download* download = free_downloads.back();
      free_downloads.pop_back();
      bool started = Start(download, addresses[next].c_str());
      if (started &&
          curl_.multi_add_handle(multi, download->handle_) != kCurlOk) {
        download->result_ = kNotStarted;
        started = false;
      }
      window.push_back(Slot{download, next, started});
      ++next;
    }
    // Deliver what is done at the front.
    while (!window.empty() && !window.front().running) {
      Slot slot = window.front();
      window.pop_front();
      if (!deliver(slot.index, *slot.download)) stop = true;
      slot.download->Reset();
      free_downloads.push_back(slot.download);
      if (stop) break;
    }
    if (stop || window.empty()) continue;
    if (should_stop_ != nullptr && should_stop_()) break;
    int running = 0;
    curl_.multi_perform(multi, &running);
    int queued = 0;
    while (void* raw = curl_.multi_info_read(multi, &queued)) {
      const auto* message = static_cast<const CurlMessage*>(raw);
      if (message->msg != kCurlMsgDone) continue;
      for (Slot& slot : window) {
        if (slot.running && slot.download->handle_ == message->easy_handle) {
          curl_.multi_remove_handle(multi, slot.download->handle_);
          Finish(slot.download, message->data.result);
          slot.running = false;
          break;
        }
      }
    }
    if (!window.front().running) continue;
    int ready_fds = 0;
    curl_.multi_wait(multi, nullptr, 0, 1000, &ready_fds);
  }
  // Abandoned transfers leave the multi handle before it goes.
  for (Slot& slot : window) {
    if (slot.running) curl_.multi_remove_handle(multi, slot.download->handle_);
    slot.download->Reset();
  }
  curl_.multi_cleanup(multi);
  for (auto& download : extra) {
    if (download->handle_ != nullptr) curl_.easy_cleanup(download->handle_);
    download->handle_ = nullptr;
  }
}

void HttpFetcher::Close() {
  void* handle = std::exchange(single_.handle_, nullptr);
  single_.Reset();
  if (ready_) {
    if (handle != nullptr) curl_.easy_cleanup(handle);
    curl_.global_cleanup();
  }
  ready_ = false;
  library_.Unload();
}

size_t HttpFetcher::WriteChunk(const char* data, size_t item_size,
                               size_t item_count, void* target) {
  auto* buffer = static_cast<DownloadBuffer*>(target);
  const size_t n = item_size * item_count;
  // Refusing a chunk means answering with a count other than its size.
  if (item_count != 0 && n / item_count != item_size) return 0;
  if (n > buffer->limit || buffer->size > buffer->limit - n) {
    buffer->too_large = true;
    return 0;
  }
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
