#include "config/address_template.h"

#include <string>

#include "port/port.h"

namespace pagerates {
namespace {

struct Placeholder {
  std::string_view text;
  int (*value)(RateDate);
};

// Tried in this order; the first that the text starts with wins.
constexpr Placeholder kPlaceholders[] = {
    {"%dd%", [](RateDate d) { return static_cast<int>(d.day); }},
    {"%d%", [](RateDate d) { return static_cast<int>(d.day); }},
    {"%mm%", [](RateDate d) { return static_cast<int>(d.month); }},
    {"%m%", [](RateDate d) { return static_cast<int>(d.month); }},
    {"%yyyy%", [](RateDate d) { return static_cast<int>(d.year); }},
    {"%yy%", [](RateDate d) { return d.year % 100; }},
    // The English three-letter month; '%mo' is no percent-escape, so no
    // address could have meant these bytes before.
    {"%mon%", [](RateDate d) { return static_cast<int>(d.month); }},
};

constexpr std::string_view kMonthAbbreviations[12] = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The width of the placeholder decides the format: 4 characters pad to two
// digits, 6 characters to four, others are plain.
const char* FormatFor(std::string_view placeholder) {
  switch (placeholder.size()) {
    case 4:
      return "%2.2d";
    case 6:
      return "%4.4d";
    default:
      return "%d";
  }
}

const Placeholder* PlaceholderAt(std::string_view text) {
  for (const Placeholder& p : kPlaceholders) {
    if (text.substr(0, p.text.size()) == p.text) return &p;
  }
  return nullptr;
}

}  // namespace

size_t PlaceholderLength(std::string_view text) {
  const Placeholder* hit = PlaceholderAt(text);
  return hit != nullptr ? hit->text.size() : 0;
}

std::string PlaceholderList() {
  std::string list;
  for (const Placeholder& p : kPlaceholders) {
    if (!list.empty()) list += ' ';
    list += p.text;
  }
  return list;
}

HeapString ExpandAddressTemplate(std::string_view address_template,
                                 RateDate date) {
  std::string out;
  out.reserve(address_template.size());
  std::string_view rest = address_template;
  for (;;) {
    size_t percent = rest.find('%');
    out.append(rest.substr(0, percent));
    if (percent == std::string_view::npos) break;
    rest.remove_prefix(percent);
    const Placeholder* hit = PlaceholderAt(rest);
    if (hit == nullptr) {
      out.push_back('%');
      rest.remove_prefix(1);
      continue;
    }
    const int value = hit->value(date);
    if (hit->text == "%mon%") {
      // A month outside 1-12 is written as a number.
      if (value >= 1 && value <= 12) {
        out.append(kMonthAbbreviations[value - 1]);
      } else {
        out.append(port::Format("%d", value).view());
      }
    } else {
      out.append(port::Format(FormatFor(hit->text), value).view());
    }
    rest.remove_prefix(hit->text.size());
  }
  return HeapString::Copy(out);
}

}  // namespace pagerates
