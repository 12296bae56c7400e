#include "host/http_download.h"

#include <curl/curl.h>

#include <optional>
#include <utility>

#include "port/port.h"

namespace pagerates::cli {
namespace {

// libcurl loaded at run time, so that every command but `fetch` runs
// without it and its dependencies; its functions are the module's lookup.
struct CurlApi : CurlFunctions {
  port::SharedLibrary library;

  // Loads the platform's libcurl. False with `*error` set when it cannot
  // be loaded or lacks one of the functions the client calls.
  bool Load(std::string* error) {
    std::string reason;
    library = port::SharedLibrary(port::kCurlLibraryName, &reason);
    if (!library.loaded()) {
      *error =
          std::string("cannot load ") + port::kCurlLibraryName + ": " + reason;
      return false;
    }
    static_cast<CurlFunctions&>(*this) = CurlFunctions(library);
    const char* missing = FirstMissing();
    if (missing == nullptr && easy_getinfo == nullptr) {
      missing = "curl_easy_getinfo";
    }
    if (missing == nullptr && easy_strerror == nullptr) {
      missing = "curl_easy_strerror";
    }
    if (missing != nullptr) {
      *error = std::string(port::kCurlLibraryName) + " lacks " + missing;
      return false;
    }
    return true;
  }
};

// libcurl's process-wide set-up, paired with its clean-up.
class CurlGlobal {
 public:
  explicit CurlGlobal(const CurlApi& curl)
      : curl_(curl), ok_(curl.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
  ~CurlGlobal() {
    if (ok_) curl_.global_cleanup();
  }
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;
  bool ok() const { return ok_; }

 private:
  const CurlApi& curl_;
  bool ok_;
};

class EasyHandle {
 public:
  explicit EasyHandle(const CurlApi& curl)
      : curl_(curl), handle_(curl.easy_init()) {}
  ~EasyHandle() {
    if (handle_ != nullptr) curl_.easy_cleanup(handle_);
  }
  EasyHandle(const EasyHandle&) = delete;
  EasyHandle& operator=(const EasyHandle&) = delete;
  CURL* get() const { return handle_; }

 private:
  const CurlApi& curl_;
  CURL* handle_;
};

// Where the write callback puts the body.
struct Transfer {
  std::string* body = nullptr;
  size_t limit = 0;
  bool too_large = false;
  bool (*should_stop)() = nullptr;
};

extern "C" size_t WriteBody(char* data, size_t item_size, size_t item_count,
                            void* target) {
  auto* transfer = static_cast<Transfer*>(target);
  size_t bytes = item_size * item_count;
  if (bytes > transfer->limit - transfer->body->size()) {
    transfer->too_large = true;
    return 0;  // anything but `bytes` fails the transfer
  }
  try {
    transfer->body->append(data, bytes);
  } catch (...) {
    return 0;
  }
  return bytes;
}

extern "C" int CheckProgress(void* target, curl_off_t, curl_off_t, curl_off_t,
                             curl_off_t) {
  auto* transfer = static_cast<Transfer*>(target);
  return transfer->should_stop != nullptr && transfer->should_stop() ? 1 : 0;
}

}  // namespace

struct HttpClient::Session {
  // In this order, so that they go in reverse: the handle, then the global
  // clean-up, then the library.
  CurlApi curl;
  std::optional<CurlGlobal> global;
  std::optional<EasyHandle> handle;
  DownloadLimits limits;
  bool (*should_stop)() = nullptr;
  char error_text[CURL_ERROR_SIZE] = {};
};

HttpClient::HttpClient(std::unique_ptr<Session> session)
    : session_(std::move(session)) {}

HttpClient::~HttpClient() = default;

std::unique_ptr<HttpClient> HttpClient::Create(const DownloadLimits& limits,
                                               bool (*should_stop)(),
                                               std::string* error) {
  auto session = std::make_unique<Session>();
  const CurlApi& curl = session->curl;
  if (!session->curl.Load(error)) return nullptr;
  if (!session->global.emplace(curl).ok()) {
    *error = "cannot initialise libcurl";
    return nullptr;
  }
  CURL* handle = session->handle.emplace(curl).get();
  if (handle == nullptr) {
    *error = "cannot create a libcurl handle";
    return nullptr;
  }
  session->limits = limits;
  session->should_stop = should_stop;
  curl.easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl.easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl.easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
  curl.easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
  curl.easy_setopt(handle, CURLOPT_USERAGENT, "pagerates");
  curl.easy_setopt(handle, CURLOPT_CONNECTTIMEOUT,
                   limits.connect_timeout_seconds);
  curl.easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, limits.low_speed_bytes);
  curl.easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits.low_speed_seconds);
  curl.easy_setopt(handle, CURLOPT_ERRORBUFFER, session->error_text);
  curl.easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteBody);
  curl.easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, CheckProgress);
  curl.easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  return std::unique_ptr<HttpClient>(new HttpClient(std::move(session)));
}

bool HttpClient::Get(const std::string& url, std::string* body,
                     std::string* error) {
  const CurlApi& curl = session_->curl;
  CURL* handle = session_->handle->get();
  body->clear();
  Transfer transfer{body, session_->limits.max_body_bytes, false,
                    session_->should_stop};
  session_->error_text[0] = '\0';
  curl.easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl.easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl.easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
  const int code = curl.easy_perform(handle);
  if (code != CURLE_OK) {
    if (transfer.too_large) {
      *error = "page larger than " +
               std::to_string(session_->limits.max_body_bytes) + " bytes";
    } else if (session_->error_text[0] != '\0') {
      *error = session_->error_text;
    } else {
      *error = curl.easy_strerror(code);
    }
    return false;
  }
  long status = 0;
  curl.easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  if (status >= 400) {
    *error = "HTTP status " + std::to_string(status);
    return false;
  }
  return true;
}

}  // namespace pagerates::cli
