/* Targets without a byte-for-byte interface: one calling convention, and
 * records laid out by the compiler. Nothing to check. */
#include "tests/scenario/abi_checks.h"

void AbiWrapExports(GetLibraryInfoFn* get_library_info,
                    GetResourcesFn* get_resources, FetchRatesFn* fetch_rates) {
  (void)get_library_info;
  (void)get_resources;
  (void)fetch_rates;
}

unsigned AbiTakeStackFaults(void) { return 0; }

int AbiCheckRequest(const ResourceRequest* request, char* out, size_t size) {
  (void)request;
  if (size > 0) out[0] = '\0';
  return 0;
}

int AbiCheckRate(const RateRecord* record, char* out, size_t size) {
  (void)record;
  if (size > 0) out[0] = '\0';
  return 0;
}

int AbiCheckInfo(const LibraryInfo* info, char* out, size_t size) {
  (void)info;
  if (size > 0) out[0] = '\0';
  return 0;
}

int AbiDescribeLayout(char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  return -1;
}
