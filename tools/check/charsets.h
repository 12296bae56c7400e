// Charsets pages declare, and the Windows code pages that read them.
#ifndef PAGERATES_TOOLS_CHECK_CHARSETS_H_
#define PAGERATES_TOOLS_CHECK_CHARSETS_H_

#include <string_view>
#include <vector>

namespace pagerates::cli {

// True when the module converts pages from `code_page` (65001 needs no
// conversion): the module's converter is asked, so this is its own list.
bool ModuleConvertsCodePage(int code_page);

// The code pages that read a page whose declared charset is `charset`
// (any letter case) correctly and that the module converts, the usual one
// first; empty for a name this does not know, for us-ascii, which any of
// them reads, and for a charset no such code page reads (UTF-16, UTF-32).
std::vector<int> CodePagesForCharset(std::string_view charset);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_CHARSETS_H_
