/* A RateSink built by hand: a table of member-function-convention
 * functions and an object that points at it, with no help from a C++
 * compiler's class layout. Hosts written in C meet the module this way. */
#ifndef PAGERATES_TESTS_SCENARIO_C_SINK_H_
#define PAGERATES_TESTS_SCENARIO_C_SINK_H_

#include "pagerates/abi.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CSink CSink;

/* GCC notes that the member-function convention is meant for class
 * members; these plain functions take it on purpose. */
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
typedef struct CSinkTable {
  void(PAGERATES_THISCALL* request_resource)(CSink* self,
                                             const ResourceRequest* request);
  void(PAGERATES_THISCALL* add_rate)(CSink* self, const RateRecord* record);
} CSinkTable;
#pragma GCC diagnostic pop

struct CSink {
  const CSinkTable* table; /* must come first: the module reads it */
  void* context;
  void (*on_request)(void* context, const ResourceRequest* request);
  void (*on_rate)(void* context, const RateRecord* record);
};

/* Fills `sink` with the table; the callbacks receive `context`. The sink
 * initialised last is the one the operations expect to be called on. */
void CSinkInit(CSink* sink, void* context,
               void (*on_request)(void*, const ResourceRequest*),
               void (*on_rate)(void*, const RateRecord*));

/* How many operations were entered with an object other than that sink
 * since the last call (they were not passed on to the callbacks). */
unsigned CSinkTakeWrongObjectCalls(void);

#ifdef __cplusplus
}
#endif

#endif /* PAGERATES_TESTS_SCENARIO_C_SINK_H_ */
