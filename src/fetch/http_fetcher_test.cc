#include "fetch/http_fetcher.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace pagerates {
namespace {

// Reads the call log of a fake libcurl, loaded a second time by the test.
class FakeCurl {
 public:
  explicit FakeCurl(const char* path) : handle_(dlopen(path, RTLD_NOW)) {}
  ~FakeCurl() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  bool ok() const { return handle_ != nullptr; }
  std::string Calls() const {
    auto calls =
        reinterpret_cast<const char* (*)()>(dlsym(handle_, "fake_curl_calls"));
    return calls();
  }
  void Reset() const {
    reinterpret_cast<void (*)()>(dlsym(handle_, "fake_curl_reset"))();
  }

 private:
  void* handle_;
};

TEST(HttpFetcherTest, WriteChunkAppendsAndTerminates) {
  DownloadBuffer buffer;
  buffer.limit = 100;
  EXPECT_EQ(HttpFetcher::WriteChunk("abcd", 1, 4, &buffer), 4u);
  EXPECT_EQ(HttpFetcher::WriteChunk("", 1, 0, &buffer), 0u);
  EXPECT_EQ(HttpFetcher::WriteChunk("efg", 3, 1, &buffer), 3u);
  EXPECT_EQ(buffer.size, 7u);
  EXPECT_STREQ(buffer.data, "abcdefg");
  std::free(buffer.data);
}

TEST(HttpFetcherTest, WriteChunkRefusesToGrowPastTheLimit) {
  DownloadBuffer buffer;
  buffer.limit = 10;
  EXPECT_EQ(HttpFetcher::WriteChunk("0123456789", 1, 10, &buffer), 10u);
  EXPECT_NE(HttpFetcher::WriteChunk("x", 1, 1, &buffer), 1u);
  EXPECT_EQ(buffer.size, 10u);
  EXPECT_NE(HttpFetcher::WriteChunk("x", SIZE_MAX, 2, &buffer), SIZE_MAX * 2);
  std::free(buffer.data);
}

TEST(HttpFetcherTest, MissingLibraryIsNotReady) {
  HttpFetcher fetcher;
  fetcher.Open("libcurl-that-is-not-there.so.4");
  EXPECT_FALSE(fetcher.ready());
  EXPECT_FALSE(fetcher.Fetch("http://127.0.0.1:1/"));
  EXPECT_EQ(fetcher.body(), nullptr);
}

TEST(HttpFetcherTest, LibraryLackingAnyOneFunctionIsNeverCalled) {
  for (const char* lacking : {"global_init", "global_cleanup", "easy_init",
                              "setopt", "perform", "easy_cleanup"}) {
    std::string path =
        std::string(FAKE_CURL_DIR) + "/fake_curl_no_" + lacking + ".so";
    FakeCurl fake(path.c_str());
    ASSERT_TRUE(fake.ok()) << path;
    fake.Reset();
    {
      HttpFetcher fetcher;
      fetcher.Open(path.c_str());
      EXPECT_FALSE(fetcher.ready()) << lacking;
      EXPECT_FALSE(fetcher.Fetch("http://x/")) << lacking;
    }
    EXPECT_EQ(fake.Calls(), "") << lacking;
  }
}

TEST(HttpFetcherTest, NoHandleMeansNoDownload) {
  const std::string path =
      std::string(FAKE_CURL_DIR) + "/fake_curl_no_handle.so";
  FakeCurl fake(path.c_str());
  ASSERT_TRUE(fake.ok());
  fake.Reset();
  {
    HttpFetcher fetcher;
    fetcher.Open(path.c_str());
    EXPECT_FALSE(fetcher.Fetch("http://x/"));
    EXPECT_EQ(fetcher.body(), nullptr);
    EXPECT_EQ(fetcher.Outcome(), "failed: no libcurl handle");
  }
  // Set up and cleaned up; no option set, nothing performed.
  EXPECT_EQ(fake.Calls(), "global_init 3\neasy_init\nglobal_cleanup\n");
}

TEST(HttpFetcherTest, CallsLibcurlInOrderAndCleansUp) {
  FakeCurl fake(FAKE_CURL_FULL);
  ASSERT_TRUE(fake.ok());
  fake.Reset();
  {
    FetchLimits limits;
    limits.connect_timeout_seconds = 7;
    HttpFetcher fetcher(limits);
    fetcher.Open(FAKE_CURL_FULL);
    ASSERT_TRUE(fetcher.ready());
    ASSERT_TRUE(fetcher.Fetch("http://host/a"));
    EXPECT_STREQ(fetcher.body(), "abcdefg");
    // The second page replaces the first.
    ASSERT_TRUE(fetcher.Fetch("http://host/b"));
    EXPECT_EQ(fetcher.size(), 7u);
    EXPECT_STREQ(fetcher.body(), "abcdefg");
  }
  EXPECT_EQ(fake.Calls(),
            "global_init 3\n"
            "easy_init\n"
            "setopt 20011 function\n"
            "setopt 10001 data\n"
            "setopt 43 1\n"
            "setopt 10018 \"libcurl-agent/1.0\"\n"
            "setopt 78 7\n"
            "setopt 19 1\n"
            "setopt 20 60\n"
            "setopt 13 120\n"
            "setopt 52 1\n"
            "setopt 68 5\n"
            "setopt 181 3\n"
            "setopt 182 3\n"
            "setopt 99 1\n"
            "setopt 10102 \"\"\n"
            "setopt 10010 \"\"\n"
            "setopt 10002 \"http://host/a\"\n"
            "perform\n"
            "setopt 10002 \"http://host/b\"\n"
            "perform\n"
            "easy_cleanup\n"
            "global_cleanup\n");
}

// The rest talk to the loopback test server (tests/http/with_server.sh).
class HttpFetcherServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("PAGERATES_TEST_HTTP");
    if (base == nullptr) GTEST_SKIP() << "no test server";
    base_ = base;
    limits_.connect_timeout_seconds = 5;
    limits_.low_speed_bytes = 100;
    limits_.low_speed_seconds = 2;
    limits_.max_body_bytes = 1 << 20;
  }
  // Fetches `path`; returns whether it succeeded and how long it took.
  bool FetchTimed(const std::string& path, double* seconds,
                  size_t* size = nullptr) {
    HttpFetcher fetcher(limits_);
    fetcher.Open();
    if (!fetcher.ready()) {
      ADD_FAILURE() << "libcurl not loaded";
      return false;
    }
    auto start = std::chrono::steady_clock::now();
    bool ok = fetcher.Fetch((base_ + path).c_str());
    *seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
            .count();
    if (size != nullptr) *size = fetcher.size();
    return ok;
  }

  std::string base_;
  FetchLimits limits_;
};

TEST_F(HttpFetcherServerTest, OnlyA2xxAnswerIsAPageAndEveryFailureIsBounded) {
  struct Case {
    const char* path;
    bool ok;
  } cases[] = {
      {"/status/404/x", false},
      {"/status/500/x", false},
      {"/stall/x", false},
      {"/drip/x", false},
      {"/endless/x", false},
      {"/reset/x", false},
      {"/empty/x", true},
      // Redirects are followed, a few hops at most, to http and https only;
      // a redirect status that is the final answer is no page.
      {"/redirect/301/empty/x", true},
      {"/redirect/302/redirect/307/redirect/308/empty/x", true},
      {"/redirect-loop/x", false},
      {"/redirect-file/x", false},
      {"/redirect-bare/301/x", false},
      {"/redirect-bare/304/x", false},
      {"/redirect/301/status/404/x", false},
  };
  for (const Case& c : cases) {
    double seconds = 0;
    size_t size = 0;
    EXPECT_EQ(FetchTimed(c.path, &seconds, &size), c.ok) << c.path;
    // The limits above end every bad transfer within a few seconds.
    EXPECT_LT(seconds, 30.0) << c.path;
    EXPECT_LE(size, limits_.max_body_bytes) << c.path;
  }
}

TEST_F(HttpFetcherServerTest, TheTotalTimeLimitEndsASlowButSteadyPage) {
  // Two bytes a second stay above the low-speed limit for ever.
  limits_.low_speed_bytes = 1;
  limits_.low_speed_seconds = 60;
  limits_.total_seconds = 3;
  HttpFetcher fetcher(limits_);
  fetcher.Open();
  ASSERT_TRUE(fetcher.ready());
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(fetcher.Fetch((base_ + "/trickle/x").c_str()));
  EXPECT_LT(
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count(),
      30.0);
  EXPECT_NE(fetcher.Outcome().find("timed out"), std::string::npos)
      << fetcher.Outcome();
}

TEST_F(HttpFetcherServerTest, OnlyHttpAndHttpsAddressesAreAskedFor) {
  HttpFetcher fetcher(limits_);
  fetcher.Open();
  ASSERT_TRUE(fetcher.ready());
  for (const char* address :
       {"file:///etc/hostname", "FILE:///etc/hostname", "ftp://127.0.0.1/x",
        "dict://127.0.0.1:1/x", "/etc/hostname", ""}) {
    EXPECT_FALSE(fetcher.Fetch(address)) << address;
    EXPECT_EQ(fetcher.body(), nullptr) << address;
    EXPECT_EQ(fetcher.Outcome(),
              "failed: only http and https addresses are downloaded")
        << address;
  }
  EXPECT_TRUE(fetcher.Fetch(("HTTP" + base_.substr(4) + "/empty/x").c_str()));
}

TEST_F(HttpFetcherServerTest, RefusedAndUnresolvableAddressesFail) {
  HttpFetcher fetcher(limits_);
  fetcher.Open();
  ASSERT_TRUE(fetcher.ready());
  EXPECT_FALSE(fetcher.Fetch("http://127.0.0.1:1/"));
  EXPECT_FALSE(fetcher.Fetch("http://no-such-host.invalid/"));
}

TEST_F(HttpFetcherServerTest, OutcomeNamesTheStatusOrLibcurlsReason) {
  HttpFetcher fetcher(limits_);
  fetcher.Open();
  ASSERT_TRUE(fetcher.ready());
  EXPECT_TRUE(fetcher.Fetch((base_ + "/empty/x").c_str()));
  EXPECT_EQ(fetcher.Outcome(), "HTTP 200");
  EXPECT_FALSE(fetcher.Fetch((base_ + "/status/404/x").c_str()));
  EXPECT_EQ(fetcher.Outcome(), "HTTP 404");
  EXPECT_FALSE(fetcher.Fetch((base_ + "/redirect-bare/302/x").c_str()));
  EXPECT_EQ(fetcher.Outcome(), "HTTP 302");
  EXPECT_FALSE(fetcher.Fetch("http://127.0.0.1:1/"));
  // libcurl's own text, e.g. "Failed to connect to 127.0.0.1 port 1 ...".
  EXPECT_NE(fetcher.Outcome().find("failed: Failed to connect"),
            std::string::npos)
      << fetcher.Outcome();
  limits_.max_body_bytes = 1000;
  HttpFetcher small(limits_);
  small.Open();
  EXPECT_FALSE(small.Fetch((base_ + "/endless/x").c_str()));
  EXPECT_EQ(small.Outcome(), "failed: page larger than 1000 bytes");
}

// FetchEach: every address once, delivered in the order given, whatever
// order the transfers end in; and the transfers really run at once.
TEST_F(HttpFetcherServerTest, FetchEachDeliversInOrderWhileDownloadingAtOnce) {
  limits_.low_speed_seconds = 10;  // the server makes some wait 5 s
  for (int parallel : {1, 4}) {
    limits_.max_parallel = parallel;
    HttpFetcher fetcher(limits_);
    fetcher.Open();
    ASSERT_TRUE(fetcher.ready());
    EXPECT_EQ(fetcher.concurrent(), parallel > 1);
    // Four that must meet at the server (asked for one after another,
    // each would wait 5 s alone: only where they run at once), then a
    // failure and a refusal in the middle of pages that answer at once,
    // and more than a window.
    std::vector<std::string> addresses;
    for (int i = 0; i < 4; ++i) {
      addresses.push_back(base_ +
                          (parallel > 1 ? "/together/4/x" : "/empty/x"));
    }
    addresses.push_back(base_ + "/status/404/x");
    addresses.push_back("file:///etc/hostname");
    for (int i = 0; i < 6; ++i) {
      addresses.push_back(base_ + "/redirect/302/status/20" +
                          std::to_string(i % 2) + "/x");
    }
    std::vector<std::string> seen;
    fetcher.FetchEach(addresses, [&](size_t index, const Download& download) {
      seen.push_back(std::to_string(index) + " " + download.Outcome());
      return true;
    });
    const std::string met = "HTTP 200";
    EXPECT_EQ(seen,
              (std::vector<std::string>{
                  "0 " + met, "1 " + met, "2 " + met, "3 " + met, "4 HTTP 404",
                  "5 failed: only http and https addresses are downloaded",
                  "6 HTTP 200", "7 HTTP 201", "8 HTTP 200", "9 HTTP 201",
                  "10 HTTP 200", "11 HTTP 201"}))
        << "parallel " << parallel;
  }
}

TEST_F(HttpFetcherServerTest, FetchEachStopsWhenTheCallerSaysSo) {
  HttpFetcher fetcher(limits_);
  fetcher.Open();
  std::vector<std::string> addresses(20, base_ + "/empty/x");
  size_t delivered = 0;
  fetcher.FetchEach(addresses,
                    [&](size_t, const Download&) { return ++delivered < 3; });
  EXPECT_EQ(delivered, 3u);
}

}  // namespace
}  // namespace pagerates
