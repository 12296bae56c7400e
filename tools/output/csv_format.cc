#include "output/formats.h"

namespace pagerates::cli {
namespace {

class CsvFormatter final : public RecordFormatter {
 public:
  void Write(const RecordView& record, std::string* out) override {
    Header(out);
    AppendDate(record.date, out);
    out->push_back(',');
    AppendCsvField(record.code, out);
    out->push_back(',');
    AppendCsvField(record.name, out);
    out->push_back(',');
    AppendFixedPoint(record.value1, out);
    out->push_back(',');
    AppendFixedPoint(record.value2, out);
    out->push_back('\n');
  }
  void WriteEnd(std::string* out) override { Header(out); }

 private:
  // The header the first time, nothing afterwards.
  void Header(std::string* out) {
    if (header_written_) return;
    header_written_ = true;
    out->append("date,code,name,value1,value2\n");
  }

  bool header_written_ = false;
};

}  // namespace

std::unique_ptr<RecordFormatter> MakeCsvFormatter() {
  return std::make_unique<CsvFormatter>();
}

}  // namespace pagerates::cli
