/* The 32-bit x86 interface, checked at run time.
 *
 * The exports are called through wrappers that push the arguments and make
 * the call in inline assembly, recording ESP (and the callee-saved EBX)
 * just before the arguments are pushed and just after the call returns: a
 * stdcall callee removes its own arguments, so the two must be equal (ESP
 * is then put back, so that a faulty callee is reported, not fatal). The
 * records are read at the contract's byte offsets with plain loads, not
 * through the structure declarations. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "tests/scenario/abi_checks.h"

static void* real_get_library_info;
static void* real_get_resources;
static void* real_fetch_rates;
static unsigned stack_faults;

static void Compare(uint32_t before, uint32_t after, const void* fn,
                    const void* ebx) {
  if (before != after || fn != ebx) ++stack_faults;
}

static uint32_t Call0(void* fn) {
  const void* target = fn;
  uint32_t result, before, after;
  __asm__ volatile(
      "movl %%esp, %[before]\n\t"
      "call *%[fn]\n\t"
      "movl %%esp, %[after]\n\t"
      "movl %[before], %%esp\n\t"
      : "=a"(result), [before] "=&S"(before), [after] "=D"(after), [fn] "+b"(fn)
      :
      : "ecx", "edx", "memory", "cc");
  Compare(before, after, target, fn);
  return result;
}

static void Call2(void* fn, uint32_t a, uint32_t b) {
  const void* target = fn;
  uint32_t result, before, after;
  __asm__ volatile(
      "movl %%esp, %[before]\n\t"
      "pushl %[b]\n\t"
      "pushl %[a]\n\t"
      "call *%[fn]\n\t"
      "movl %%esp, %[after]\n\t"
      "movl %[before], %%esp\n\t"
      : "=a"(result), [before] "=&S"(before), [after] "=D"(after),
        [fn] "+b"(fn), [a] "+c"(a), [b] "+d"(b)
      :
      : "memory", "cc");
  (void)result;
  Compare(before, after, target, fn);
}

static void Call3(void* fn, uint32_t a, uint32_t b, uint32_t c) {
  const void* target = fn;
  uint32_t before, after;
  __asm__ volatile(
      "movl %%esp, %[before]\n\t"
      "pushl %[c]\n\t"
      "pushl %[b]\n\t"
      "pushl %[a]\n\t"
      "call *%[fn]\n\t"
      "movl %%esp, %[after]\n\t"
      "movl %[before], %%esp\n\t"
      : [before] "=&S"(before), [after] "=D"(after), [fn] "+b"(fn), [a] "+c"(a),
        [b] "+d"(b), [c] "+a"(c)
      :
      : "memory", "cc");
  Compare(before, after, target, fn);
}

static uint32_t DateBits(RateDate date) {
  uint32_t bits;
  memcpy(&bits, &date, sizeof bits);
  return bits;
}

static LibraryInfo* PAGERATES_STDCALL CheckedGetLibraryInfo(void) {
  return (LibraryInfo*)(uintptr_t)Call0(real_get_library_info);
}

static void PAGERATES_STDCALL CheckedGetResources(RateDate date,
                                                  RateSink* sink) {
  Call2(real_get_resources, DateBits(date), (uint32_t)(uintptr_t)sink);
}

static void PAGERATES_STDCALL CheckedFetchRates(const char* page_text,
                                                RateDate date, RateSink* sink) {
  Call3(real_fetch_rates, (uint32_t)(uintptr_t)page_text, DateBits(date),
        (uint32_t)(uintptr_t)sink);
}

void AbiWrapExports(GetLibraryInfoFn* get_library_info,
                    GetResourcesFn* get_resources, FetchRatesFn* fetch_rates) {
  real_get_library_info = (void*)(uintptr_t)*get_library_info;
  real_get_resources = (void*)(uintptr_t)*get_resources;
  real_fetch_rates = (void*)(uintptr_t)*fetch_rates;
  *get_library_info = CheckedGetLibraryInfo;
  *get_resources = CheckedGetResources;
  *fetch_rates = CheckedFetchRates;
}

unsigned AbiTakeStackFaults(void) {
  unsigned faults = stack_faults;
  stack_faults = 0;
  return faults;
}

/* ---- Records at the contract's offsets ------------------------------- */

static uint32_t Word(const void* record, size_t offset) {
  uint32_t word;
  memcpy(&word, (const char*)record + offset, sizeof word);
  return word;
}

typedef struct Report {
  char* out;
  size_t size;
  size_t used;
  int faults;
} Report;

static void Expect(Report* report, int ok, const char* what, size_t offset,
                   uint32_t seen) {
  if (ok) return;
  ++report->faults;
  if (report->used < report->size) {
    int n = snprintf(report->out + report->used, report->size - report->used,
                     "%s at offset %u reads 0x%08x\n", what, (unsigned)offset,
                     seen);
    if (n > 0) report->used += (size_t)n;
  }
}

static Report Begin(char* out, size_t size) {
  Report report = {out, size, 0, 0};
  if (size > 0) out[0] = '\0';
  return report;
}

int AbiCheckRequest(const ResourceRequest* request, char* out, size_t size) {
  Report r = Begin(out, size);
  Expect(&r, Word(request, 0) == 20, "size", 0, Word(request, 0));
  Expect(&r, Word(request, 4) == DateBits(request->date), "date", 4,
         Word(request, 4));
  Expect(&r, Word(request, 8) == request->estimatedSize, "estimatedSize", 8,
         Word(request, 8));
  Expect(&r, Word(request, 12) == request->dateValue, "dateValue", 12,
         Word(request, 12));
  Expect(&r,
         Word(request, 16) == (uint32_t)(uintptr_t)request->path &&
             request->path != NULL,
         "path", 16, Word(request, 16));
  return r.faults;
}

int AbiCheckRate(const RateRecord* record, char* out, size_t size) {
  Report r = Begin(out, size);
  uint64_t value1 = (uint64_t)Word(record, 0) | (uint64_t)Word(record, 4) << 32;
  uint64_t value2 = (uint64_t)Word(record, 8) | (uint64_t)Word(record, 12)
                                                    << 32;
  Expect(&r, value1 == (uint64_t)record->value1, "value1", 0, Word(record, 0));
  Expect(&r, value2 == (uint64_t)record->value2, "value2", 8, Word(record, 8));
  Expect(&r,
         Word(record, 16) == (uint32_t)(uintptr_t)record->code &&
             record->code != NULL,
         "code", 16, Word(record, 16));
  Expect(&r,
         Word(record, 20) == (uint32_t)(uintptr_t)record->name &&
             record->name != NULL,
         "name", 20, Word(record, 20));
  Expect(&r, Word(record, 24) == DateBits(record->date), "date", 24,
         Word(record, 24));
  return r.faults;
}

int AbiCheckInfo(const LibraryInfo* info, char* out, size_t size) {
  static const char* const kTexts[] = {
      "name",   "server", "homeCurrencyCode", "homeCurrencyName",
      "author", "email",  "homePage"};
  Report r = Begin(out, size);
  Expect(&r, Word(info, 0) == 36, "size", 0, Word(info, 0));
  Expect(&r, Word(info, 4) == 65001, "codePage", 4, Word(info, 4));
  const char* const* texts = &info->name;
  for (size_t i = 0; i < sizeof kTexts / sizeof kTexts[0]; ++i) {
    size_t offset = 8 + 4 * i;
    Expect(
        &r,
        Word(info, offset) == (uint32_t)(uintptr_t)texts[i] && texts[i] != NULL,
        kTexts[i], offset, Word(info, offset));
  }
  return r.faults;
}

int AbiDescribeLayout(char* out, size_t size) {
  struct Field {
    const char* name;
    size_t seen, contract;
  } const fields[] = {
      {"RateDate", sizeof(RateDate), 4},
      {"RateRecord", sizeof(RateRecord), 28},
      {"RateRecord.value1", offsetof(RateRecord, value1), 0},
      {"RateRecord.value2", offsetof(RateRecord, value2), 8},
      {"RateRecord.code", offsetof(RateRecord, code), 16},
      {"RateRecord.name", offsetof(RateRecord, name), 20},
      {"RateRecord.date", offsetof(RateRecord, date), 24},
      {"ResourceRequest", sizeof(ResourceRequest), 20},
      {"ResourceRequest.size", offsetof(ResourceRequest, size), 0},
      {"ResourceRequest.date", offsetof(ResourceRequest, date), 4},
      {"ResourceRequest.estimatedSize",
       offsetof(ResourceRequest, estimatedSize), 8},
      {"ResourceRequest.dateValue", offsetof(ResourceRequest, dateValue), 12},
      {"ResourceRequest.path", offsetof(ResourceRequest, path), 16},
      {"LibraryInfo", sizeof(LibraryInfo), 36},
      {"LibraryInfo.size", offsetof(LibraryInfo, size), 0},
      {"LibraryInfo.codePage", offsetof(LibraryInfo, codePage), 4},
      {"LibraryInfo.name", offsetof(LibraryInfo, name), 8},
      {"LibraryInfo.server", offsetof(LibraryInfo, server), 12},
      {"LibraryInfo.homeCurrencyCode", offsetof(LibraryInfo, homeCurrencyCode),
       16},
      {"LibraryInfo.homeCurrencyName", offsetof(LibraryInfo, homeCurrencyName),
       20},
      {"LibraryInfo.author", offsetof(LibraryInfo, author), 24},
      {"LibraryInfo.email", offsetof(LibraryInfo, email), 28},
      {"LibraryInfo.homePage", offsetof(LibraryInfo, homePage), 32},
  };
  int differences = 0;
  size_t used = 0;
  if (size > 0) out[0] = '\0';
  for (size_t i = 0; i < sizeof fields / sizeof fields[0]; ++i) {
    const struct Field* f = &fields[i];
    int differs = f->seen != f->contract;
    differences += differs;
    if (used < size) {
      int n = snprintf(out + used, size - used, "%s%s %u%s", i == 0 ? "" : ", ",
                       f->name, (unsigned)f->seen,
                       differs ? " (contract differs)" : "");
      if (n > 0) used += (size_t)n;
    }
  }
  return differences;
}
