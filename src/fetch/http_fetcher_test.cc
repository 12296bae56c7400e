#include "fetch/http_fetcher.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

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

TEST_F(HttpFetcherServerTest, FailuresAreReportedAndBounded) {
  struct Case {
    const char* path;
    bool ok;
  } cases[] = {
      {"/status/404/x", false}, {"/status/500/x", false},   {"/stall/x", false},
      {"/drip/x", false},       {"/endless/x", false},      {"/reset/x", false},
      {"/empty/x", true},       {"/redirect-loop/x", true},
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

TEST_F(HttpFetcherServerTest, RefusedAndUnresolvableAddressesFail) {
  HttpFetcher fetcher(limits_);
  fetcher.Open();
  ASSERT_TRUE(fetcher.ready());
  EXPECT_FALSE(fetcher.Fetch("http://127.0.0.1:1/"));
  EXPECT_FALSE(fetcher.Fetch("http://no-such-host.invalid/"));
}

TEST_F(HttpFetcherServerTest, OutcomeNamesTheStatusOrLibcurlsReason) {
  HttpFetcher fetcher(limits_);
  fetcher.Open(port::kCurlLibraryName, /*keep_error_text=*/true);
  ASSERT_TRUE(fetcher.ready());
  EXPECT_TRUE(fetcher.Fetch((base_ + "/empty/x").c_str()));
  EXPECT_EQ(fetcher.Outcome(), "HTTP 200");
  EXPECT_FALSE(fetcher.Fetch((base_ + "/status/404/x").c_str()));
  EXPECT_EQ(fetcher.Outcome(), "HTTP 404");
  EXPECT_FALSE(fetcher.Fetch("http://127.0.0.1:1/"));
  // libcurl's own text, e.g. "Failed to connect to 127.0.0.1 port 1 ...".
  EXPECT_NE(fetcher.Outcome().find("failed: Failed to connect"),
            std::string::npos)
      << fetcher.Outcome();
  // Without the buffer: libcurl's error number.
  HttpFetcher plain(limits_);
  plain.Open();
  EXPECT_FALSE(plain.Fetch("http://127.0.0.1:1/"));
  EXPECT_EQ(plain.Outcome(), "failed: libcurl error 7");
}

}  // namespace
}  // namespace pagerates
