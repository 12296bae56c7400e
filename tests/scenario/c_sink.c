#include "tests/scenario/c_sink.h"

static void PAGERATES_THISCALL RequestResource(CSink* self,
                                               const ResourceRequest* request) {
  self->on_request(self->context, request);
}

static void PAGERATES_THISCALL AddRate(CSink* self, const RateRecord* record) {
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
}
