// What `pagerates check --page` says about one scan of a page. The report
// is built from the module scanner's own trace (parse/scan_trace.h), so it
// shows what the module did, not a second opinion.
#ifndef PAGERATES_TOOLS_CHECK_SCAN_REPORT_H_
#define PAGERATES_TOOLS_CHECK_SCAN_REPORT_H_

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/diagnostics.h"
#include "config/plugin_config.h"
#include "pagerates/abi.h"
#include "parse/scan_trace.h"

namespace pagerates::cli {

// Line and column, both counted from 1, of byte offsets into a text. Lines
// end at LF, CR or CRLF, as they do for the patterns; columns count
// characters of the UTF-8 text (every byte but UTF-8 continuation bytes).
//
// Built in one pass over the text; each answer then costs a binary search
// and a walk of at most 2 * kBlock bytes, in whatever order offsets come
// (a page of one long line, asked at every match, stays linear).
class TextPositions {
 public:
  // `text` must outlive the object.
  explicit TextPositions(std::string_view text);

  // "line:column" of `offset` (at most the text's size).
  std::string At(size_t offset) const;

 private:
  static constexpr size_t kBlock = 64;
  // Characters in the text before `offset`.
  size_t CharactersBefore(size_t offset) const;

  std::string_view text_;
  std::vector<size_t> line_starts_;
  // Characters before each multiple of kBlock bytes.
  std::vector<size_t> block_characters_;
};

struct ScannedPage {
  std::string_view name;   // as the user gave it
  std::string_view bytes;  // as read, before any conversion
  RateDate date{};         // the date the scan started from
};

struct ScanCounts {
  size_t matches = 0;
  size_t delivered = 0;
  size_t other_day = 0;   // dated another day than the one asked for
  size_t unreadable = 0;  // numbers or date parts the module cannot read
};

// The report on a scan of `page` with `preset` of `config`, whose trace is
// `trace`; `messages` are what the scan reported. Ends with a summary
// line. Fills `*counts`.
std::string DescribeScan(const PluginConfig& config,
                         const CompiledPreset& preset, const ScannedPage& page,
                         const ScanTrace& trace,
                         std::span<const Diagnostic> messages,
                         ScanCounts* counts);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CHECK_SCAN_REPORT_H_
