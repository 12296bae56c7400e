#include <algorithm>
#include <array>
#include <vector>

#include "output/formats.h"

namespace pagerates::cli {
namespace {

class TableFormatter final : public RecordFormatter {
 public:
  // Columns are as wide as their widest cell: nothing can be written
  // before the last record.
  void Write(const RecordView& record, std::string*) override {
    rows_.push_back({FormatDate(record.date), DisplayText(record.code),
                     DisplayText(record.name), FormatFixedPoint(record.value1),
                     FormatFixedPoint(record.value2)});
  }

  void WriteEnd(std::string* out) override {
    const Row header = {"date", "code", "name", "value1", "value2"};
    std::array<size_t, kColumns> widths{};
    auto measure = [&widths](const Row& row) {
      for (size_t i = 0; i < kColumns; ++i) {
        widths[i] = std::max(widths[i], DisplayWidth(row[i]));
      }
    };
    measure(header);
    for (const Row& row : rows_) measure(row);

    std::string text = Line(header, widths);
    Row rule;
    for (size_t i = 0; i < kColumns; ++i) rule[i].assign(widths[i], '-');
    text += Line(rule, widths);
    for (const Row& row : rows_) text += Line(row, widths);
    rows_.clear();
    out->append(text);
  }

 private:
  static constexpr size_t kColumns = 5;
  using Row = std::array<std::string, kColumns>;
  // Columns 3 and 4 hold numbers and are aligned to the right.
  static constexpr bool kRightAligned[kColumns] = {false, false, false, true,
                                                   true};
  static constexpr std::string_view kGap = "  ";

  static std::string Line(const Row& row,
                          const std::array<size_t, kColumns>& widths) {
    std::string line;
    for (size_t i = 0; i < kColumns; ++i) {
      if (i > 0) line += kGap;
      std::string padding(widths[i] - DisplayWidth(row[i]), ' ');
      if (kRightAligned[i]) {
        line += padding + row[i];
      } else if (i + 1 < kColumns) {
        line += row[i] + padding;
      } else {
        line += row[i];
      }
    }
    line += '\n';
    return line;
  }

  std::vector<Row> rows_;
};

}  // namespace

std::unique_ptr<RecordFormatter> MakeTableFormatter() {
  return std::make_unique<TableFormatter>();
}

}  // namespace pagerates::cli
