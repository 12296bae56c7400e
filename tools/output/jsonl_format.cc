#include <string_view>

#include "output/formats.h"

namespace pagerates::cli {
namespace {

class JsonLinesFormatter final : public RecordFormatter {
 public:
  void Write(const RecordView& record, std::string* out) override {
    constexpr std::string_view kDate = "{\"date\":\"";
    constexpr std::string_view kCode = "\",\"code\":";
    constexpr std::string_view kValue1 = ",\"value1\":\"";
    constexpr std::string_view kValue2 = "\",\"value2\":\"";
    constexpr std::string_view kEnd = "\"}\n";
    char head[kDate.size() + kMaxDateLength + kCode.size()];
    char* at = Put(head, kDate);
    at = Put(DateTo(at, record.date), kCode);
    out->append(head, static_cast<size_t>(at - head));
    AppendJsonString(record.code, out);
    out->append(",\"name\":");
    AppendJsonString(record.name, out);
    char tail[kValue1.size() + kValue2.size() + 2 * kMaxFixedPointLength +
              kEnd.size()];
    at = FixedPointTo(Put(tail, kValue1), record.value1);
    at = Put(FixedPointTo(Put(at, kValue2), record.value2), kEnd);
    out->append(tail, static_cast<size_t>(at - tail));
  }

 private:
  static char* Put(char* at, std::string_view text) {
    for (char c : text) *at++ = c;
    return at;
  }
};

}  // namespace

std::unique_ptr<RecordFormatter> MakeJsonLinesFormatter() {
  return std::make_unique<JsonLinesFormatter>();
}

}  // namespace pagerates::cli
