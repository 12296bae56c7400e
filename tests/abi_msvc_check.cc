// Compiled (not run) for MSVC targets by the test suite: the public header
// must be usable by a host built with MSVC, with the conventions and the
// 32-bit layouts hosts expect.
#include <stddef.h>
#include <stdint.h>

// MSVC knows no GCC attributes; clang in MSVC mode would accept them.
#define __attribute__(x) msvc_has_no_gcc_attributes
#include "pagerates/abi.h"
#undef __attribute__

template <typename A, typename B>
struct Same {
  static constexpr bool value = false;
};
template <typename A>
struct Same<A, A> {
  static constexpr bool value = true;
};

#if defined(_M_IX86)
static_assert(sizeof(RateRecord) == 28, "RateRecord");
static_assert(sizeof(ResourceRequest) == 20, "ResourceRequest");
static_assert(sizeof(LibraryInfo) == 36, "LibraryInfo");
static_assert(offsetof(RateRecord, date) == 24, "RateRecord.date");
static_assert(offsetof(ResourceRequest, path) == 16, "ResourceRequest.path");
static_assert(offsetof(LibraryInfo, homePage) == 32, "LibraryInfo.homePage");
static_assert(Same<GetLibraryInfoFn, LibraryInfo*(__stdcall*)(void)>::value,
              "GetLibraryInfo is stdcall");
static_assert(
    Same<GetResourcesFn, void(__stdcall*)(RateDate, RateSink*)>::value,
    "GetResources is stdcall");
static_assert(Same<FetchRatesFn,
                   void(__stdcall*)(const char*, RateDate, RateSink*)>::value,
              "FetchRates is stdcall");
static_assert(Same<PageratesReportDownloadFn,
                   void(__cdecl*)(const char*, const char*)>::value,
              "the download hook is cdecl");
static_assert(Same<decltype(&RateSink::AddRate),
                   void (__thiscall RateSink::*)(const RateRecord*)>::value,
              "sink operations are thiscall");
#else
static_assert(sizeof(RateDate) == 4, "RateDate");
#endif

// A host's sink, as an MSVC host would write it.
class HostSink : public RateSink {
 public:
  void PAGERATES_THISCALL RequestResource(const ResourceRequest*) override {}
  void PAGERATES_THISCALL AddRate(const RateRecord* record) override {
    last_ = record->value2;
  }
  int64_t last_ = 0;
};
