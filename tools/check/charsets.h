// Charsets pages declare, and the Windows code pages that read them.
#ifndef PAGERATES_TOOLS_CHECK_CHARSETS_H_
#define PAGERATES_TOOLS_CHECK_CHARSETS_H_

#include <string_view>
#include <vector>

namespace pagerates::cli {

// The code pages that read a page whose declared charset is `charset`
// (any letter case) correctly, the usual one first; empty for a name this
// does not know, and for us-ascii, which any of them reads.
std::vector<int> CodePagesForCharset(std::string_view charset);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_CHARSETS_H_
