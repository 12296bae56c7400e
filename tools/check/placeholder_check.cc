#include "check/placeholder_check.h"

#include <string>

#include "config/address_template.h"
#include "port/ascii.h"

namespace pagerates::cli {
namespace {

bool IsPlaceholder(std::string_view token) {
  return PlaceholderLength(token) == token.size();
}

}  // namespace

// %name% tokens that are not placeholders, walking the template the way
// the module expands it.
void CheckPlaceholders(std::string_view section, std::string_view url,
                       std::vector<Finding>* findings) {
  std::vector<std::string> unknown;
  std::vector<std::string> meant;
  for (size_t i = 0; i < url.size(); ++i) {
    if (url[i] != '%') continue;
    size_t j = i + 1;
    while (j < url.size() && IsAsciiLetter(url[j])) ++j;
    if (j == i + 1 || j == url.size() || url[j] != '%') continue;
    std::string_view token = url.substr(i, j - i + 1);
    if (IsPlaceholder(token)) {
      i = j;  // its closing '%' opens nothing
      continue;
    }
    unknown.emplace_back(token);
    if (IsPlaceholder(AsciiLower(token))) meant.push_back(AsciiLower(token));
  }
  if (unknown.empty()) return;
  std::string message =
      Join(unknown, ", ") +
      (unknown.size() == 1 ? " is not a placeholder" : " are not placeholders");
  if (!meant.empty()) {
    message += " (did you mean " + Join(meant, ", ") +
               "? placeholders are lower case)";
  }
  message += std::string(unknown.size() == 1 ? ": the module copies it"
                                             : ": the module copies them") +
             " unchanged; the placeholders are " + PlaceholderList();
  AddFinding(findings, section, "PageURL", message);
}

}  // namespace pagerates::cli
