// `pagerates check` on the %...% tokens of a page address.
#ifndef PAGERATES_TOOLS_CHECK_PLACEHOLDER_CHECK_H_
#define PAGERATES_TOOLS_CHECK_PLACEHOLDER_CHECK_H_

#include <string_view>
#include <vector>

#include "check/findings.h"

namespace pagerates::cli {

// Adds a finding on PageURL when `url` holds %name% tokens that are not
// placeholders (with the placeholder meant, when one differs only in case).
void CheckPlaceholders(std::string_view section, std::string_view url,
                       std::vector<Finding>* findings);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_PLACEHOLDER_CHECK_H_
