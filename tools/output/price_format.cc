#include <algorithm>
#include <utility>
#include <vector>

#include "output/formats.h"
#include "parse/calendar.h"
#include "port/ascii.h"

namespace pagerates::cli {
namespace {

// `code` as a ledger commodity: bare when it is all ASCII letters, quoted
// otherwise. nullopt when no quoting can carry it.
std::optional<std::string> LedgerCommodity(std::string_view code) {
  if (code.empty()) return std::nullopt;
  if (std::all_of(code.begin(), code.end(), IsAsciiLetter)) {
    return std::string(code);
  }
  if (code.find('"') != std::string_view::npos || DisplayText(code) != code) {
    return std::nullopt;
  }
  return "\"" + std::string(code) + "\"";
}

class PriceFormatter final : public RecordFormatter {
 public:
  PriceFormatter(OutputFormat format, const FormatOptions& options)
      : format_(format),
        invert_(options.invert),
        home_(PriceCurrency(format, options.home_currency)
                  .value_or(options.home_currency)) {}

  void Write(const RecordView& record, std::string* out) override {
    {
      std::string date = FormatDate(record.date);
      std::string skipped = "skipped " + date + " " + DisplayText(record.code);
      if (!IsCalendarDay(record.date.year, record.date.month,
                         record.date.day)) {
        notes_.push_back(skipped + ": not a day of the calendar");
        return;
      }
      std::optional<std::string> currency = PriceCurrency(format_, record.code);
      if (!currency) {
        notes_.push_back(skipped + ": the code is not a " +
                         (format_ == OutputFormat::kLedger
                              ? "ledger commodity"
                              : "beancount currency"));
        return;
      }
      int64_t foreign = invert_ ? record.value2 : record.value1;
      int64_t home = invert_ ? record.value1 : record.value2;
      std::optional<std::string> price = FormatQuotient(home, foreign);
      if (!price) {
        notes_.push_back(skipped + ": " + (invert_ ? "value2" : "value1") +
                         " is 0, so there is no price");
        return;
      }
      if (format_ == OutputFormat::kLedger) {
        out->append("P " + date + " " + *currency + " " + *price + " " + home_ +
                    "\n");
      } else {
        out->append(date + " price " + *currency + " " + *price + " " + home_ +
                    "\n");
      }
    }
  }

  std::vector<std::string> TakeNotes() override {
    return std::exchange(notes_, {});
  }

 private:
  OutputFormat format_;
  bool invert_;
  std::string home_;
  std::vector<std::string> notes_;
};

}  // namespace

std::optional<std::string> PriceCurrency(OutputFormat format,
                                         std::string_view code) {
  if (format == OutputFormat::kLedger) return LedgerCommodity(code);
  if (IsBeancountCurrency(code)) return std::string(code);
  return std::nullopt;
}

std::unique_ptr<RecordFormatter> MakePriceFormatter(
    OutputFormat format, const FormatOptions& options) {
  return std::make_unique<PriceFormatter>(format, options);
}

bool IsBeancountCurrency(std::string_view code) {
  auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (code.empty() || code.size() > 24 || !upper(code.front())) return false;
  if (code.size() == 1) return true;
  if (!upper(code.back()) && !digit(code.back())) return false;
  for (char c : code.substr(1, code.size() - 2)) {
    if (!upper(c) && !digit(c) && c != '\'' && c != '.' && c != '_' &&
        c != '-') {
      return false;
    }
  }
  return true;
}

}  // namespace pagerates::cli
