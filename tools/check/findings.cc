#include "check/findings.h"

#include <algorithm>

#include "output/text.h"

namespace pagerates::cli {
namespace {

// The first `count` code points of `text` (a byte outside valid UTF-8
// counts as one).
std::string FirstCodePoints(std::string_view text, size_t count) {
  size_t at = 0;
  for (size_t n = 0; n < count && at < text.size(); ++n) {
    at += std::max<size_t>(1, Utf8SequenceLength(text.substr(at)));
  }
  return std::string(text.substr(0, at));
}

// The last `count` code points of valid UTF-8 `text`.
std::string LastCodePoints(std::string_view text, size_t count) {
  size_t width = DisplayWidth(text);
  if (width <= count) return std::string(text);
  std::string head = FirstCodePoints(text, width - count);
  return std::string(text.substr(head.size()));
}

}  // namespace

std::string Quoted(std::string_view text) {
  return "'" + DisplayText(text) + "'";
}

std::string QuoteForReport(std::string_view text, size_t max_code_points) {
  const size_t shown = FirstCodePoints(text, max_code_points).size();
  std::string out = JsonString(text.substr(0, shown));
  if (shown < text.size()) {
    out +=
        "... (" + std::to_string(DisplayWidth(text.substr(shown))) + " more)";
  }
  return out;
}

std::string Join(const std::vector<std::string>& items,
                 std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += separator;
    out += items[i];
  }
  return out;
}

std::string FormatFindings(std::span<const Finding> findings) {
  std::string text;
  for (const Finding& finding : findings) {
    text += "[" + DisplayText(finding.section) + "]";
    if (!finding.key.empty()) text += " " + DisplayText(finding.key);
    text += ": " + finding.message + "\n";
    for (const std::string& line : finding.details) {
      text += "    " + line + "\n";
    }
  }
  return text;
}

std::vector<std::string> MarkOffset(std::string_view key,
                                    std::string_view pattern, size_t offset) {
  constexpr size_t kShownBefore = 60;  // code points left of the caret
  constexpr size_t kShownAfter = 20;   // and right of it
  constexpr std::string_view kCut = "...";
  offset = std::min(offset, pattern.size());
  std::string before = DisplayText(pattern.substr(0, offset));
  std::string after = DisplayText(pattern.substr(offset));
  if (DisplayWidth(before) > kShownBefore) {
    before =
        std::string(kCut) + LastCodePoints(before, kShownBefore - kCut.size());
  }
  if (DisplayWidth(after) > kShownAfter) {
    after =
        FirstCodePoints(after, kShownAfter - kCut.size()) + std::string(kCut);
  }
  std::string head = DisplayText(key) + "=" + before;
  return {head + after, std::string(DisplayWidth(head), ' ') + "^"};
}

}  // namespace pagerates::cli
