// The bare loop the benchmarks hold the module against: a record pattern
// compiled and studied for the JIT as the module does it, run with
// pcre_exec from the end of each match, one named group read per match.
#ifndef PAGERATES_BENCH_BARE_PATTERN_H_
#define PAGERATES_BENCH_BARE_PATTERN_H_

#include <pcre.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/compiled_pattern.h"

namespace pagerates {

[[noreturn]] inline void BareDie(const std::string& message) {
  std::fprintf(stderr, "bench: %s\n", message.c_str());
  std::abort();
}

// The record pattern compiled with the module's options and studied for the
// JIT with the module's stack sizes (see parse/compiled_pattern.cc).
class BarePattern {
 public:
  explicit BarePattern(const char* pattern) {
    const char* error = nullptr;
    int offset = 0;
    code_ = pcre_compile(pattern, PCRE_DOTALL | PCRE_NEWLINE_ANYCRLF, &error,
                         &offset, nullptr);
    if (code_ == nullptr)
      BareDie(std::string("pcre_compile: ") + (error ? error : "failed"));
    extra_ = pcre_study(code_, PCRE_STUDY_JIT_COMPILE | PCRE_STUDY_EXTRA_NEEDED,
                        &error);
    if (extra_ == nullptr)
      BareDie(std::string("pcre_study: ") + (error ? error : "failed"));
    int jit = 0;
    if (pcre_fullinfo(code_, extra_, PCRE_INFO_JIT, &jit) == 0 && jit != 0) {
      jit_stack_ = pcre_jit_stack_alloc(32 * 1024, 8 * 1024 * 1024);
      if (jit_stack_ != nullptr)
        pcre_assign_jit_stack(extra_, nullptr, jit_stack_);
    }
  }
  ~BarePattern() {
    pcre_free_study(extra_);
    if (jit_stack_ != nullptr) pcre_jit_stack_free(jit_stack_);
    pcre_free(code_);
  }
  BarePattern(const BarePattern&) = delete;
  BarePattern& operator=(const BarePattern&) = delete;

  // Matches in the `size` bytes at `text`, each search handed the rest of
  // the text from the end of the previous match. `checksum` gathers the
  // first byte of every value2 so the reads cannot be dropped.
  int64_t Scan(const char* text, size_t size, unsigned* checksum) const {
    int ovector[kOvectorSize];
    int64_t matches = 0;
    const char* const end = text + size;
    for (const char* pos = text; pos < end;) {
      const int count =
          pcre_exec(code_, extra_, pos, static_cast<int>(end - pos), 0, 0,
                    ovector, kOvectorSize);
      if (count <= 0) break;
      const char* value = nullptr;
      if (pcre_get_named_substring(code_, pos, ovector, count, "value2",
                                   &value) >= 0) {
        *checksum += static_cast<unsigned char>(value[0]);
        pcre_free_substring(value);
      }
      ++matches;
      if (ovector[1] == 0) break;
      pos += ovector[1];
    }
    return matches;
  }

 private:
  pcre* code_ = nullptr;
  pcre_extra* extra_ = nullptr;
  pcre_jit_stack* jit_stack_ = nullptr;
};

}  // namespace pagerates

#endif  // PAGERATES_BENCH_BARE_PATTERN_H_
