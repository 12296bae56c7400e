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

typedef struct CSinkTable {
  void(PAGERATES_THISCALL* request_resource)(CSink* self, const ResourceRequest* request);
  void(PAGERATES_THISCALL* add_rate)(CSink* self, const RateRecord* record);
} CSinkTable;

struct CSink {
  const CSinkTable* table; /* must come first: the module reads it */
  void* context;
  void (*on_request)(void* context, const ResourceRequest* request);
  void (*on_rate)(void* context, const RateRecord* record);
};

/* Fills `sink` with the table; the callbacks receive `context`. */
void CSinkInit(CSink* sink, void* context,
               void (*on_request)(void*, const ResourceRequest*),
               void (*on_rate)(void*, const RateRecord*));

#ifdef __cplusplus
}
#endif

#endif /* PAGERATES_TESTS_SCENARIO_C_SINK_H_ */
