#include "host/http_download.h"

#include <curl/curl.h>

namespace pagerates::cli {
namespace {

// libcurl's process-wide set-up, paired with its clean-up.
class CurlGlobal {
 public:
  CurlGlobal() : ok_(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
  ~CurlGlobal() {
    if (ok_) curl_global_cleanup();
  }
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

struct EasyHandleDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
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
  // Declared first: the handle goes before the global clean-up.
  CurlGlobal global;
  std::unique_ptr<CURL, EasyHandleDeleter> handle;
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
  if (!session->global.ok()) {
    *error = "cannot initialise libcurl";
    return nullptr;
  }
  session->handle.reset(curl_easy_init());
  if (session->handle == nullptr) {
    *error = "cannot create a libcurl handle";
    return nullptr;
  }
  session->limits = limits;
  session->should_stop = should_stop;
  CURL* handle = session->handle.get();
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(handle, CURLOPT_USERAGENT, "pagerates");
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT,
                   limits.connect_timeout_seconds);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, limits.low_speed_bytes);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits.low_speed_seconds);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, session->error_text);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, CheckProgress);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  return std::unique_ptr<HttpClient>(new HttpClient(std::move(session)));
}

bool HttpClient::Get(const std::string& url, std::string* body,
                     std::string* error) {
  CURL* handle = session_->handle.get();
  body->clear();
  Transfer transfer{body, session_->limits.max_body_bytes, false,
                    session_->should_stop};
  session_->error_text[0] = '\0';
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
  CURLcode code = curl_easy_perform(handle);
  if (code != CURLE_OK) {
    if (transfer.too_large) {
      *error = "page larger than " +
               std::to_string(session_->limits.max_body_bytes) + " bytes";
    } else if (session_->error_text[0] != '\0') {
      *error = session_->error_text;
    } else {
      *error = curl_easy_strerror(code);
    }
    return false;
  }
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  if (status >= 400) {
    *error = "HTTP status " + std::to_string(status);
    return false;
  }
  return true;
}

}  // namespace pagerates::cli
