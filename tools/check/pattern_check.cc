#include "check/pattern_check.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "config/compiled_pattern.h"
#include "port/ascii.h"
#include "port/utf8.h"

namespace pagerates::cli {
namespace {

bool IsModuleGroupName(std::string_view name) {
  return std::find(std::begin(kGroupNames), std::end(kGroupNames), name) !=
         std::end(kGroupNames);
}

std::string GroupNameList() {
  std::string list;
  for (std::string_view name : kGroupNames) {
    if (!list.empty()) list += ", ";
    list += name;
  }
  return list;
}

// A pattern written in one pair of quotes loses them to the reader. A
// value with blanks at either end inside the quotes is taken to be
// quoted to keep them, as the reader drops blanks around a value.
void CheckQuotes(std::string_view section, const std::string& key,
                 const std::string& pattern, char quote,
                 std::vector<Finding>* findings) {
  if (quote == 0 || pattern.front() == ' ' || pattern.back() == ' ' ||
      pattern.front() == '\t' || pattern.back() == '\t') {
    return;
  }
  const std::string pair(2, quote);
  AddFinding(findings, section, key,
             "is wrapped in a pair of " + pair +
                 " quotes, which the INI reader "
                 "removes: the module sees " +
                 Quoted(pattern) +
                 "; to match the quotes, write the first one as [" + quote +
                 "]");
}

}  // namespace

void CheckPatternText(const PresetPattern& checked, std::string_view section,
                      char removed_quote, std::vector<Finding>* findings) {
  const std::string& key = checked.key;
  const std::string& pattern = checked.text;
  const CompiledPattern& compiled = checked.compiled;
  if (!IsUtf8(pattern)) {
    AddFinding(findings, section, key,
               "holds bytes that are not UTF-8: pages are converted to UTF-8 "
               "before the patterns see them, so save the INI file as UTF-8");
  }
  CheckQuotes(section, key, pattern, removed_quote, findings);
  if (compiled.null()) {
    size_t offset = compiled.error_offset() < 0
                        ? 0
                        : static_cast<size_t>(compiled.error_offset());
    AddFinding(findings, section, key,
               "does not compile: " + compiled.error() + " (at offset " +
                   std::to_string(offset) + ")",
               MarkOffset(key, pattern, offset));
    return;
  }
  int groups = compiled.capture_count();
  if (groups > kMaxCapturingGroups) {
    AddFinding(
        findings, section, key,
        "has " + std::to_string(groups) +
            " capturing groups: the module keeps " +
            std::to_string(kMaxCapturingGroups) +
            ", and a match in which a later group takes part counts as no "
            "match; write the groups you do not read as (?:...)");
  }
  std::vector<std::string> unknown;
  std::vector<std::string> meant;
  for (const auto& [number, name] : compiled.NamedGroups()) {
    if (IsModuleGroupName(name)) continue;
    unknown.push_back(Quoted(name) + " (group " + std::to_string(number) + ")");
    std::string lower = AsciiLower(name);
    if (IsModuleGroupName(lower)) meant.push_back(lower);
  }
  if (!unknown.empty()) {
    std::string message =
        "group name" + std::string(unknown.size() == 1 ? " " : "s ") +
        Join(unknown, ", ") + (unknown.size() == 1 ? " is" : " are") +
        " not read by the module";
    if (!meant.empty()) {
      message +=
          " (did you mean " + Join(meant, ", ") + "? names are case-sensitive)";
    }
    message += "; it reads " + GroupNameList();
    AddFinding(findings, section, key, message);
  }
}

}  // namespace pagerates::cli
