// ScanTrace: a step-by-step account of one page scan, for diagnostics.
//
// ScanPage fills one when the caller passes it; the scan itself behaves
// exactly the same with or without it. The trace holds copies and offsets,
// never pointers into the scan's own buffers, so it outlives the scan.
#ifndef PAGERATES_PARSE_SCAN_TRACE_H_
#define PAGERATES_PARSE_SCAN_TRACE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pagerates/abi.h"
#include "parse/match_flaw.h"

namespace pagerates {

// Byte offsets into ScanTrace::text, end exclusive. Both are -1 for a group
// that did not take part in the match.
struct TextSpan {
  std::ptrdiff_t begin = -1;
  std::ptrdiff_t end = -1;
  bool took_part() const { return begin >= 0; }
};

struct TracedMatch {
  // groups[0] is the whole match, then groups 1 up to the highest one that
  // took part; groups beyond the end of the vector did not take part either.
  std::vector<TextSpan> groups;
  int capture_count = 0;  // capturing groups the pattern defines
};

// One record pattern match and what became of it.
struct TracedRecord {
  int pattern = 0;  // n of RecordPattern(i, n): 0 is Record (or Record1)
  TracedMatch match;
  // The scan's record after this match was applied: before the currency
  // filter and before the final renaming.
  RateDate date{};
  int64_t value1 = 0;
  int64_t value2 = 0;
  std::string code;
  std::string name;
  // Why the match made no record: its numbers or date parts cannot be read
  // right (kNone: they can), or it is dated another day than the one asked
  // for and the preset delivers only that day.
  MatchFlaw flaw = MatchFlaw::kNone;
  bool other_date = false;
  bool delivered = false;      // passed the filter and went to the sink
  std::string delivered_code;  // the code the sink got (after renaming)
  // The match ended where its search began; the pattern is done after it.
  bool ended_at_start = false;
};

struct ScanTrace {
  enum class Bound { kNotSet, kNoMatch, kMatched };

  std::string text;  // the page as the patterns saw it (UTF-8 unless the
                     // code page could not convert it)
  Bound prologue = Bound::kNotSet;
  TracedMatch prologue_match;  // set when kMatched
  Bound epilogue = Bound::kNotSet;
  TracedMatch epilogue_match;  // set when kMatched
  size_t start = 0;  // where every record pattern's first search starts
  size_t end = 0;    // no search starts at or after this offset
  RateDate date_after_prologue{};     // the date the first record starts from
  int record_count = 0;               // record patterns the scan ran
  std::vector<TracedRecord> records;  // every match, in scan order
};

}  // namespace pagerates

#endif  // PAGERATES_PARSE_SCAN_TRACE_H_
