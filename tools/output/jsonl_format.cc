#include <cstring>
#include <string_view>

#include "output/formats.h"

namespace pagerates::cli {
namespace {

class JsonLinesFormatter final : public RecordFormatter {
 public:
  void Write(const RecordView& record, std::string* out) override {
    // The whole line is written in one piece: on the stack, unless the
    // texts are long enough to need more room.
    const size_t room = kFixedRoom + JsonStringRoom(record.code.size()) +
                        JsonStringRoom(record.name.size());
    char local[512];
    std::string large;
    char* const line =
        room <= sizeof local ? local : (large.resize(room), large.data());
    char* at = Put(line, "{\"date\":\"");
    at = Put(at, DateText(record.date));
    at = Put(at, "\",\"code\":");
    at = Put(JsonStringTo(at, record.code), ",\"name\":");
    at = Put(JsonStringTo(at, record.name), ",\"value1\":\"");
    at = Put(FixedPointTo(at, record.value1), "\",\"value2\":\"");
    at = Put(FixedPointTo(at, record.value2), "\"}\n");
    out->append(line, static_cast<size_t>(at - line));
  }

 private:
  // Room for everything in a line but the code and the name.
  static constexpr size_t kFixedRoom =
      sizeof "{\"date\":\"" + kMaxDateLength +
      sizeof "\",\"code\":" + sizeof ",\"name\":" + sizeof ",\"value1\":\"" +
      kMaxFixedPointLength + sizeof "\",\"value2\":\"" + kMaxFixedPointLength +
      sizeof "\"}\n";

  template <size_t N>
  static char* Put(char* at, const char (&text)[N]) {
    std::memcpy(at, text, N - 1);
    return at + N - 1;
  }
  static char* Put(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
  }

  // The records of a page mostly share one date: its text is kept.
  std::string_view DateText(RateDate date) {
    if (date_length_ == 0 || date.year != date_.year ||
        date.month != date_.month || date.day != date_.day) {
      date_ = date;
      date_length_ = static_cast<size_t>(DateTo(date_text_, date) - date_text_);
    }
    return {date_text_, date_length_};
  }

  RateDate date_{};
  char date_text_[kMaxDateLength];
  size_t date_length_ = 0;
};

}  // namespace

std::unique_ptr<RecordFormatter> MakeJsonLinesFormatter() {
  return std::make_unique<JsonLinesFormatter>();
}

}  // namespace pagerates::cli
