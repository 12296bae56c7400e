/* Run-time checks of the binary interface between a host and the module on
 * targets where it is fixed byte for byte (32-bit x86): the calling
 * conventions of the exports and the records' field offsets. One
 * implementation per target family, chosen by the build; where nothing is
 * fixed the checks do nothing. */
#ifndef PAGERATES_TESTS_SCENARIO_ABI_CHECKS_H_
#define PAGERATES_TESTS_SCENARIO_ABI_CHECKS_H_

#include <stddef.h>

#include "pagerates/abi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Replaces the three export pointers with wrappers of the same type that
 * call the originals and compare the stack pointer and the callee-saved
 * EBX before and after each call. One module at a time. */
void AbiWrapExports(GetLibraryInfoFn* get_library_info,
                    GetResourcesFn* get_resources, FetchRatesFn* fetch_rates);

/* Calls through the wrappers whose stack pointer or EBX came back changed,
 * since the last call. */
unsigned AbiTakeStackFaults(void);

/* Reads a record the module handed over at the contract's byte offsets and
 * writes a line to `out` for every field that is not where the contract
 * puts it. Returns the number of such fields. */
int AbiCheckRequest(const ResourceRequest* request, char* out, size_t size);
int AbiCheckRate(const RateRecord* record, char* out, size_t size);
int AbiCheckInfo(const LibraryInfo* info, char* out, size_t size);

/* Describes the records' sizes and field offsets as this program was built
 * with them, in one line. Returns the number of differences from the
 * contract, or -1 when this target has no fixed layout. */
int AbiDescribeLayout(char* out, size_t size);

#ifdef __cplusplus
}
#endif

#endif /* PAGERATES_TESTS_SCENARIO_ABI_CHECKS_H_ */
