/* A stand-in for libcurl that records every call and "downloads" a fixed
 * body in three chunks of 4, 0 and 3 bytes. Built with all of the functions
 * the module needs, and in variants that lack one of them
 * (FAKE_CURL_OMIT_<NAME>, e.g. FAKE_CURL_OMIT_PERFORM) or whose curl_easy_init
 * fails (FAKE_CURL_NO_HANDLE). */
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

/* How a function is exported; the build overrides it where the default
 * visibility attribute does not mean exported. */
#ifndef FAKE_CURL_EXPORT
#define FAKE_CURL_EXPORT __attribute__((visibility("default")))
#endif
#define EXPORT FAKE_CURL_EXPORT

static char calls[8192];

static void Record(const char* format, ...) {
  size_t used = strlen(calls);
  va_list args;
  va_start(args, format);
  vsnprintf(calls + used, sizeof calls - used, format, args);
  va_end(args);
}

typedef size_t (*WriteFn)(const char*, size_t, size_t, void*);
static WriteFn write_fn;
static void* write_data;
static int handle;

EXPORT const char* fake_curl_calls(void) { return calls; }
EXPORT void fake_curl_reset(void) { calls[0] = '\0'; }

#ifndef FAKE_CURL_OMIT_GLOBAL_INIT
EXPORT int curl_global_init(long flags) {
  Record("global_init %ld\n", flags);
  return 0;
}
#endif

#ifndef FAKE_CURL_OMIT_GLOBAL_CLEANUP
EXPORT void curl_global_cleanup(void) { Record("global_cleanup\n"); }
#endif

#ifndef FAKE_CURL_OMIT_EASY_INIT
EXPORT void* curl_easy_init(void) {
  Record("easy_init\n");
#ifdef FAKE_CURL_NO_HANDLE
  return NULL;
#else
  return &handle;
#endif
}
#endif

#ifndef FAKE_CURL_OMIT_SETOPT
EXPORT int curl_easy_setopt(void* h, int option, ...) {
  va_list args;
  va_start(args, option);
  if (option >= 20000) {
    write_fn = va_arg(args, WriteFn);
    Record("setopt %d function\n", option);
  } else if (option >= 10000) {
    void* value = va_arg(args, void*);
    if (option == 10001) write_data = value;
    if (option == 10001)
      Record("setopt %d data\n", option);
    else
      Record("setopt %d \"%s\"\n", option, (const char*)value);
  } else {
    Record("setopt %d %ld\n", option, va_arg(args, long));
  }
  va_end(args);
  return h == &handle ? 0 : 43;
}
#endif

#ifndef FAKE_CURL_OMIT_PERFORM
EXPORT int curl_easy_perform(void* h) {
  Record("perform\n");
  if (h != &handle) return 43;
  size_t taken = write_fn("abcd", 1, 4, write_data);
  taken += write_fn("", 1, 0, write_data);
  taken += write_fn("efg", 1, 3, write_data);
  return taken == 7 ? 0 : 23;
}
#endif

#ifndef FAKE_CURL_OMIT_EASY_CLEANUP
EXPORT void curl_easy_cleanup(void* h) {
  (void)h;
  Record("easy_cleanup\n");
}
#endif
