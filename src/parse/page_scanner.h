// The page scanner: one downloaded page and one preset in, rate records out.
#ifndef PAGERATES_PARSE_PAGE_SCANNER_H_
#define PAGERATES_PARSE_PAGE_SCANNER_H_

#include <functional>
#include <string_view>

#include "config/diagnostics.h"
#include "config/preset_set.h"
#include "pagerates/abi.h"
#include "parse/scan_trace.h"
#include "port/heap_string.h"

namespace pagerates {

// `text` converted from the Windows code page `code_page` to UTF-8; a byte
// copy when the page is 65001, the code page is unknown or the text cannot
// be converted.
HeapString ToUtf8(std::string_view text, int code_page);

// Called with the date of a record delivered to the sink, unless the record
// delivered before it in the same scan had the same date.
using DeliveredDate = std::function<void(const RateDate&)>;

// Scans the NUL-terminated `page_text` (in the preset's code page) with
// `preset`, starting from `date`, and hands every match that passes the
// currency filter to `sink->AddRate`, grouped by record pattern and in page
// order within one. `delivered`, when set, sees the delivered records'
// dates. What is wrong with the preset goes to `diagnostics` at the point
// the scan reaches it (a broken Prologue or Epilogue first, then missing
// record patterns, then each broken record pattern in its turn); the scan
// goes on with what works. No file is read and nothing is shown. `trace`,
// when not null, is overwritten with an account of the scan (see
// scan_trace.h).
//
// A page longer than the patterns can be run on (kMaxSubjectLength bytes,
// before or after conversion) is not scanned at all: one report says so
// and nothing is delivered, rather than a part of it.
void ScanPage(const CompiledPreset& preset, const char* page_text,
              RateDate date, RateSink* sink, Diagnostics* diagnostics,
              const DeliveredDate& delivered, ScanTrace* trace = nullptr);
// As ScanPage(), on the `page.size()` bytes of `page`.
void ScanPageText(const CompiledPreset& preset, std::string_view page,
                  RateDate date, RateSink* sink, Diagnostics* diagnostics,
                  const DeliveredDate& delivered, ScanTrace* trace = nullptr);

}  // namespace pagerates

#endif  // PAGERATES_PARSE_PAGE_SCANNER_H_
