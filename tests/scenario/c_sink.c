#include "tests/scenario/c_sink.h"

/* The sink handed to the module last, and how often an operation was
 * entered with another object: the object travels in a register on 32-bit
 * x86, so a caller that pushes it instead hands over whatever the register
 * held. */
static const CSink* current_sink;
static unsigned wrong_object_calls;

#pragma GCC diagnostic ignored "-Wattributes" /* see c_sink.h */

static void PAGERATES_THISCALL RequestResource(CSink* self,
                                               const ResourceRequest* request) {
  if (self != current_sink) {
    ++wrong_object_calls;
    return;
  }
  self->on_request(self->context, request);
}

static void PAGERATES_THISCALL AddRate(CSink* self, const RateRecord* record) {
  if (self != current_sink) {
    ++wrong_object_calls;
    return;
  }
  self->on_rate(self->context, record);
}

static const CSinkTable kTable = {RequestResource, AddRate};

void CSinkInit(CSink* sink, void* context,
               void (*on_request)(void*, const ResourceRequest*),
               void (*on_rate)(void*, const RateRecord*)) {
  sink->table = &kTable;
  sink->context = context;
  sink->on_request = on_request;
  sink->on_rate = on_rate;
  current_sink = sink;
}

unsigned CSinkTakeWrongObjectCalls(void) {
  unsigned calls = wrong_object_calls;
  wrong_object_calls = 0;
  return calls;
}
