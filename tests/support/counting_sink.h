// A sink for the tests, the fuzzers and the benchmarks that keeps almost
// nothing: it counts the records delivered, folds their value2 into a
// checksum (so that an optimiser cannot drop the work) and keeps the last
// record's code and value2. Requests are ignored. A record without a code
// or a name ends the process, as the binary interface promises both.
//
// Header only: the fuzzers and benchmarks link no test library.
#ifndef PAGERATES_TESTS_SUPPORT_COUNTING_SINK_H_
#define PAGERATES_TESTS_SUPPORT_COUNTING_SINK_H_

#include <cstdint>
#include <cstdlib>
#include <string>

#include "pagerates/abi.h"

namespace pagerates::testing {

class CountingSink final : public RateSink {
 public:
  void PAGERATES_THISCALL RequestResource(const ResourceRequest*) override {}
  void PAGERATES_THISCALL AddRate(const RateRecord* record) override {
    if (record->code == nullptr || record->name == nullptr) std::abort();
    ++count;
    checksum += static_cast<uint64_t>(record->value2);
    last_value2 = record->value2;
    last_code = record->code;
  }

  int64_t count = 0;
  uint64_t checksum = 0;
  int64_t last_value2 = 0;
  std::string last_code;
};

}  // namespace pagerates::testing

#endif  // PAGERATES_TESTS_SUPPORT_COUNTING_SINK_H_
