// The host's own downloads of the pages the module asks for, through the
// platform's libcurl, loaded at run time when the first client is created
// (so that only `fetch` needs it). Independent of the module's downloads.
#ifndef PAGERATES_TOOLS_HOST_HTTP_DOWNLOAD_H_
#define PAGERATES_TOOLS_HOST_HTTP_DOWNLOAD_H_

#include <cstddef>
#include <memory>
#include <string>

#include "fetch/http_fetcher.h"

namespace pagerates::cli {

// Bounds on one download, the module's own: a transfer that breaks one of
// them fails.
using DownloadLimits = FetchLimits;

// One libcurl session, reused for every download of a run. Redirects are
// followed.
class HttpClient {
 public:
  // `should_stop` (may be null) is polled during transfers; a true result
  // aborts the transfer. Null with `*error` set when libcurl cannot be
  // loaded or set up. libcurl stays loaded as long as the client.
  static std::unique_ptr<HttpClient> Create(const DownloadLimits& limits,
                                            bool (*should_stop)(),
                                            std::string* error);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Downloads `url` into `*body`. True when the transfer completed with an
  // HTTP status below 400 (or a scheme without status); otherwise false
  // with `*error` set to one line such as "HTTP status 404" or libcurl's
  // reason.
  bool Get(const std::string& url, std::string* body, std::string* error);

 private:
  struct Session;
  explicit HttpClient(std::unique_ptr<Session> session);

  std::unique_ptr<Session> session_;
};

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_HOST_HTTP_DOWNLOAD_H_
