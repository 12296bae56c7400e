// CompiledPattern: one PCRE pattern, compiled with the module's options
// (dot matches line breaks, any of CR, LF, CRLF ends a line, bytes rather
// than UTF-8), studied for the JIT where the library has one.
//
// Move-only owner of the compiled code, its study data and its JIT stack.
// A pattern that did not compile is "null": it never matches.
#ifndef PAGERATES_PARSE_COMPILED_PATTERN_H_
#define PAGERATES_PARSE_COMPILED_PATTERN_H_

#include <pcre.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pagerates {

// Offset vector size handed to PCRE: the whole match and five groups fit.
inline constexpr int kOvectorSize = 20;
// Capturing groups a match may use: PCRE keeps a third of the vector as
// workspace, and a match in which a later group takes part fails.
inline constexpr int kMaxCapturingGroups = kOvectorSize / 3 - 1;

struct MatchResult {
  const char* subject = nullptr;
  int ovector[kOvectorSize];  // only the first `count` pairs are set
  int count = 0;              // > 0: the number of pairs set in ovector

  // Text of group `number`: absent (false) when the group is beyond the
  // highest one that took part; empty when it exists but did not take part.
  bool Group(int number, std::string_view* text) const {
    if (number < 0 || number >= count) return false;
    const int start = ovector[2 * number];
    *text = start < 0
                ? std::string_view()
                : std::string_view(
                      subject + start,
                      static_cast<size_t>(ovector[2 * number + 1] - start));
    return true;
  }
  size_t end_offset() const { return static_cast<size_t>(ovector[1]); }
};

// The longest subject a pattern runs on: PCRE takes lengths and offsets
// as int. True when `length` bytes fit.
inline constexpr size_t kMaxSubjectLength = 0x7FFFFFFF;
constexpr bool FitsSubjectLength(size_t length) {
  return length <= kMaxSubjectLength;
}

class CompiledPattern {
 public:
  CompiledPattern() = default;
  // Compiles `pattern`. On failure yields a null pattern with PCRE's message
  // and the offset it names.
  explicit CompiledPattern(const char* pattern);
  ~CompiledPattern();
  CompiledPattern(CompiledPattern&& other) noexcept;
  CompiledPattern& operator=(CompiledPattern&& other) noexcept;
  CompiledPattern(const CompiledPattern&) = delete;
  CompiledPattern& operator=(const CompiledPattern&) = delete;

  bool null() const { return code_ == nullptr; }
  const std::string& error() const { return error_; }
  int error_offset() const { return error_offset_; }
  int capture_count() const;

  // Runs the pattern on `length` bytes at `subject`, from their start. True
  // only for a positive count: no match, errors (the match limit among them)
  // and a vector too small for the groups that took part are all false. A
  // subject longer than kMaxSubjectLength is not looked at: false (no part
  // of it is searched as if it were the whole).
  bool Exec(const char* subject, size_t length, MatchResult* result) const;

  // Group numbers carrying `name`, in name-table order (several only with
  // duplicate names).
  std::vector<int> GroupNumbers(std::string_view name) const;

  // For diagnostics: every named group as {number, name}, in name-table
  // order (by name). Empty for a null pattern.
  std::vector<std::pair<int, std::string>> NamedGroups() const;

 private:
  void Reset();

  pcre* code_ = nullptr;
  pcre_extra* extra_ = nullptr;
  pcre_jit_stack* jit_stack_ = nullptr;
  std::string error_;
  int error_offset_ = -1;
};

}  // namespace pagerates

#endif  // PAGERATES_PARSE_COMPILED_PATTERN_H_
