/* Loads libcurl.dll at run time and fetches a URL; also checks that the
 * statically linked PCRE really JIT-compiles on this target, and that a
 * statically linked C++ DLL (cxxcheck.dll) runs threads and exceptions.
 * Usage: depcheck.exe URL EXPECTED_BODY */
#include <stdio.h>
#include <string.h>
#include <curl/curl.h> /* before windows.h: it pulls in winsock2.h */
#include <pcre.h>
#include <windows.h>

typedef CURL *(*easy_init_fn)(void);
typedef CURLcode (*easy_setopt_fn)(CURL *, CURLoption, ...);
typedef CURLcode (*easy_perform_fn)(CURL *);
typedef CURLcode (*easy_getinfo_fn)(CURL *, CURLINFO, ...);
typedef void (*easy_cleanup_fn)(CURL *);
typedef const char *(*version_fn)(void);

static char body[4096];
static size_t body_len;

static size_t on_data(char *p, size_t size, size_t n, void *ud)
{
    size_t len = size * n;
    (void)ud;
    if (body_len + len >= sizeof body)
        return 0;
    memcpy(body + body_len, p, len);
    body_len += len;
    return len;
}

static int check_pcre(void)
{
    const char *err;
    int erroff, jit = 0, ov[9];
    pcre *re = pcre_compile("([A-Z]{3})/([A-Z]{3})", 0, &err, &erroff, NULL);
    pcre_extra *ex;
    if (!re) {
        fprintf(stderr, "pcre_compile: %s\n", err);
        return 1;
    }
    ex = pcre_study(re, PCRE_STUDY_JIT_COMPILE, &err);
    if (!ex || pcre_fullinfo(re, ex, PCRE_INFO_JIT, &jit) != 0 || !jit) {
        fprintf(stderr, "pcre: no JIT code\n");
        return 1;
    }
    if (pcre_exec(re, ex, "rate EUR/USD", 12, 0, 0, ov, 9) != 3 || ov[2] != 5) {
        fprintf(stderr, "pcre_exec: wrong match\n");
        return 1;
    }
    pcre_free_study(ex);
    pcre_free(re);
    printf("pcre %s jit ok\n", pcre_version());
    return 0;
}

static int check_cxx(void)
{
    HMODULE dll = LoadLibraryA("cxxcheck.dll");
    int (*fn)(void) = dll ? (int (*)(void))(void (*)(void))GetProcAddress(dll, "cxx_check") : NULL;
    int got = fn ? fn() : -1;
    if (got != 10) {
        fprintf(stderr, "cxxcheck.dll: got %d, want 10\n", got);
        return 1;
    }
    printf("c++ dll ok\n");
    return 0;
}

int main(int argc, char **argv)
{
    HMODULE dll;
    easy_init_fn init;
    easy_setopt_fn setopt;
    easy_perform_fn perform;
    easy_getinfo_fn getinfo;
    easy_cleanup_fn cleanup;
    version_fn version;
    CURL *h;
    CURLcode rc;
    long status = 0;

    if (argc != 3) {
        fprintf(stderr, "usage: depcheck URL EXPECTED_BODY\n");
        return 2;
    }
    if (check_pcre() || check_cxx())
        return 1;
    dll = LoadLibraryA("libcurl.dll");
    if (!dll) {
        fprintf(stderr, "LoadLibrary(libcurl.dll) failed: %lu\n", GetLastError());
        return 1;
    }
    init = (easy_init_fn)(void (*)(void))GetProcAddress(dll, "curl_easy_init");
    setopt = (easy_setopt_fn)(void (*)(void))GetProcAddress(dll, "curl_easy_setopt");
    perform = (easy_perform_fn)(void (*)(void))GetProcAddress(dll, "curl_easy_perform");
    getinfo = (easy_getinfo_fn)(void (*)(void))GetProcAddress(dll, "curl_easy_getinfo");
    cleanup = (easy_cleanup_fn)(void (*)(void))GetProcAddress(dll, "curl_easy_cleanup");
    version = (version_fn)(void (*)(void))GetProcAddress(dll, "curl_version");
    if (!init || !setopt || !perform || !getinfo || !cleanup || !version) {
        fprintf(stderr, "libcurl.dll lacks an expected export\n");
        return 1;
    }
    h = init();
    if (!h)
        return 1;
    setopt(h, CURLOPT_URL, argv[1]);
    setopt(h, CURLOPT_WRITEFUNCTION, on_data);
    setopt(h, CURLOPT_TIMEOUT, 30L);
    rc = perform(h);
    getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    cleanup(h);
    if (rc != CURLE_OK || status != 200) {
        fprintf(stderr, "fetch failed: curl code %d, HTTP %ld\n", (int)rc, status);
        return 1;
    }
    if (body_len != strlen(argv[2]) || memcmp(body, argv[2], body_len) != 0) {
        fprintf(stderr, "unexpected body (%u bytes)\n", (unsigned)body_len);
        return 1;
    }
    printf("%s: HTTP %ld, %u bytes ok\n", version(), status, (unsigned)body_len);
    return 0;
}
