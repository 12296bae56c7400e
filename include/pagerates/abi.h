// Binary interface between a rate host and the pagerates module.
//
// A host loads the module, calls its three exports and receives rates through
// a RateSink object of its own. The records below are the module's side of
// that contract. On 32-bit x86 they are laid out byte for byte as hosts
// expect them (little-endian, 4-byte pointers, no gaps); on other targets the
// field order and the widths of the non-pointer fields stay the same and the
// `size` fields hold sizeof() of the record.
//
// Ownership: a ResourceRequest or RateRecord passed to the sink, and every
// string it points to, belongs to the module and is valid only until the sink
// operation returns. LibraryInfo and its strings stay valid while the module
// is loaded.
#ifndef PAGERATES_ABI_H_
#define PAGERATES_ABI_H_

#include <stddef.h>
#include <stdint.h>

// Calling conventions of 32-bit x86: exports are stdcall, the sink's
// operations are member functions (object in ECX, callee pops the argument),
// the host's optional hooks are plain C functions. Other targets have one
// convention and need no marker. MSVC spells them as keywords, GCC and
// clang (outside their MSVC mode) as attributes.
#if defined(_MSC_VER) && defined(_M_IX86)
#define PAGERATES_STDCALL __stdcall
#define PAGERATES_THISCALL __thiscall
#define PAGERATES_CDECL __cdecl
#elif defined(__i386__) && !defined(_MSC_VER)
#define PAGERATES_STDCALL __attribute__((stdcall))
#define PAGERATES_THISCALL __attribute__((thiscall))
#define PAGERATES_CDECL __attribute__((cdecl))
#else
#define PAGERATES_STDCALL
#define PAGERATES_THISCALL
#define PAGERATES_CDECL
#endif

#pragma pack(push, 4)

// A calendar day. As one 32-bit value: year in bits 0-15, month in 16-23,
// day in 24-31. Passed by value.
typedef struct RateDate {
  int16_t year;
  int8_t month;
  int8_t day;
} RateDate;

// One exchange rate. Values are fixed point scaled by 10000 (10000 means 1).
typedef struct RateRecord {
  int64_t value1;
  int64_t value2;
  const char* code;
  const char* name;
  RateDate date;
} RateRecord;

// The page the host is asked to download for one date.
typedef struct ResourceRequest {
  uint32_t size;  // sizeof(ResourceRequest): 20 on 32-bit x86
  RateDate date;
  uint32_t estimatedSize;
  uint32_t dateValue;  // day * 2^24 + month * 2^16 + year, modulo 2^32
  const char* path;
} ResourceRequest;

// What the module tells the host about itself.
typedef struct LibraryInfo {
  uint32_t size;      // sizeof(LibraryInfo): 36 on 32-bit x86
  uint32_t codePage;  // always 65001: every text handed over is UTF-8
  const char* name;
  const char* server;
  const char* homeCurrencyCode;
  const char* homeCurrencyName;
  const char* author;
  const char* email;
  const char* homePage;
} LibraryInfo;

#pragma pack(pop)

#ifdef __cplusplus
// The host's callback object. Only the first two slots of its table of
// virtual operations are used; their results are ignored.
class RateSink {
 public:
  virtual void PAGERATES_THISCALL
  RequestResource(const ResourceRequest* request) = 0;
  virtual void PAGERATES_THISCALL AddRate(const RateRecord* record) = 0;

 protected:
  ~RateSink() = default;
};

// The 32-bit x86 layouts hosts rely on.
#define PAGERATES_ON_X86_32 (sizeof(void*) == 4)
static_assert(sizeof(RateDate) == 4, "RateDate is 4 bytes");
static_assert(!PAGERATES_ON_X86_32 || sizeof(RateRecord) == 28,
              "RateRecord is 28 bytes");
static_assert(!PAGERATES_ON_X86_32 || offsetof(RateRecord, value2) == 8,
              "RateRecord layout");
static_assert(!PAGERATES_ON_X86_32 || offsetof(RateRecord, code) == 16,
              "RateRecord layout");
static_assert(!PAGERATES_ON_X86_32 || offsetof(RateRecord, name) == 20,
              "RateRecord layout");
static_assert(!PAGERATES_ON_X86_32 || offsetof(RateRecord, date) == 24,
              "RateRecord layout");
static_assert(!PAGERATES_ON_X86_32 || sizeof(ResourceRequest) == 20,
              "ResourceRequest is 20 bytes");
static_assert(!PAGERATES_ON_X86_32 || offsetof(ResourceRequest, date) == 4,
              "ResourceRequest layout");
static_assert(!PAGERATES_ON_X86_32 ||
                  offsetof(ResourceRequest, estimatedSize) == 8,
              "ResourceRequest layout");
static_assert(!PAGERATES_ON_X86_32 ||
                  offsetof(ResourceRequest, dateValue) == 12,
              "ResourceRequest layout");
static_assert(!PAGERATES_ON_X86_32 || offsetof(ResourceRequest, path) == 16,
              "ResourceRequest layout");
static_assert(!PAGERATES_ON_X86_32 || sizeof(LibraryInfo) == 36,
              "LibraryInfo is 36 bytes");
static_assert(!PAGERATES_ON_X86_32 || offsetof(LibraryInfo, homePage) == 32,
              "LibraryInfo layout");
#undef PAGERATES_ON_X86_32

extern "C" {
#else
typedef struct RateSink RateSink;
#endif

// Exported entry points, undecorated names.
typedef LibraryInfo*(PAGERATES_STDCALL* GetLibraryInfoFn)(void);
typedef void(PAGERATES_STDCALL* GetResourcesFn)(RateDate date, RateSink* sink);
typedef void(PAGERATES_STDCALL* FetchRatesFn)(const char* page_text,
                                              RateDate date, RateSink* sink);

// Optional diagnostic hook. A host may export a function of this type from
// its program under the undecorated name "PageratesReportDownload" (beside
// PageratesShowMessageBox where the platform has no message boxes). The
// module then calls it during FetchRates once for every secondary page
// address it considers, with the address and one line of outcome: "HTTP
// <status>", "failed: <libcurl's error text>", "skipped: already
// downloaded" or "skipped: failed earlier in this call". Both strings
// belong to the module and live until the hook returns. A host without the
// hook sees no difference.
typedef void(PAGERATES_CDECL* PageratesReportDownloadFn)(const char* address,
                                                         const char* outcome);

#ifdef __cplusplus
}
#endif

#endif  // PAGERATES_ABI_H_
