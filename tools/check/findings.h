// What `pagerates check` reports: findings tied to INI keys, and the
// pieces its messages are made of.
#ifndef PAGERATES_TOOLS_CHECK_FINDINGS_H_
#define PAGERATES_TOOLS_CHECK_FINDINGS_H_

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pagerates::cli {

// One problem, tied to the key that causes it.
struct Finding {
  std::string section;  // "main" or the preset's section name
  std::string key;      // empty when the section as a whole is at fault
  std::string message;  // one line
  std::vector<std::string> details;  // lines shown under it, as they are
};

inline void AddFinding(std::vector<Finding>* findings, std::string_view section,
                       std::string key, std::string message,
                       std::vector<std::string> details = {}) {
  findings->push_back(Finding{std::string(section), std::move(key),
                              std::move(message), std::move(details)});
}

// Each finding as "[section] Key: message" with its details below it,
// indented by four spaces.
std::string FormatFindings(std::span<const Finding> findings);

// Two lines: "key=pattern" and a caret under the character at byte
// `offset` of the pattern (its end when `offset` is past it). Columns count
// code points; a long pattern is cut around the offset, with "..." where
// text was left out.
std::vector<std::string> MarkOffset(std::string_view key,
                                    std::string_view pattern, size_t offset);

// `text` in single quotes as it is, made safe for a terminal
// (DisplayText): for INI values such as patterns, which must read as they
// are written, backslashes included.
std::string Quoted(std::string_view text);
// A text of a page or a record, for the reports on a page: a JSON string
// (output/text.h: valid UTF-8 as it is; quote, backslash and control
// characters escaped; bytes that are not valid UTF-8 as \u00XX), cut after
// `max_code_points` code points with the number left out:
// "\"Дол\"... (4 more)".
std::string QuoteForReport(std::string_view text, size_t max_code_points = 80);
// The items with `separator` between them.
std::string Join(const std::vector<std::string>& items,
                 std::string_view separator);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_FINDINGS_H_
