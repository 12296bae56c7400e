// Rate records as a host keeps and passes them on: a copy of what the
// module delivered, a view of one for whoever reads it, and a stream that
// takes records one by one as they arrive. Every program that hosts the
// module uses these; the output formats read them.
#ifndef PAGERATES_TOOLS_HOST_RECORDS_H_
#define PAGERATES_TOOLS_HOST_RECORDS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "pagerates/abi.h"

namespace pagerates::cli {

// One rate as a reader sees it; the strings belong to the caller.
struct RecordView {
  RateDate date{};
  std::string_view code;
  std::string_view name;
  int64_t value1 = 0;
  int64_t value2 = 0;
};

// One rate as the host keeps it: a copy of a RateRecord.
struct Record {
  RateDate date{};
  std::string code;
  std::string name;
  int64_t value1 = 0;
  int64_t value2 = 0;

  RecordView view() const { return {date, code, name, value1, value2}; }
};

// Where records go one at a time, in delivery order, when they are not
// kept. Take() may throw (memory running out); the caller catches.
class RecordStream {
 public:
  virtual ~RecordStream() = default;
  // `record`'s strings are valid only during the call.
  virtual void Take(const RecordView& record) = 0;
};

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_HOST_RECORDS_H_
