#include "config/compiled_pattern.h"

#include <cstring>
#include <utility>

namespace pagerates {
namespace {

constexpr int kCompileOptions = PCRE_DOTALL | PCRE_NEWLINE_ANYCRLF;

// The JIT stack grows on demand up to this size; a match that needs more is
// run again by the interpreter, so the JIT never fails where the
// interpreter would match.
constexpr int kJitStackStart = 32 * 1024;
constexpr int kJitStackMax = 8 * 1024 * 1024;

// The interpreter recurses on the caller's stack. Hosts run us on their own
// threads, whose stacks may be as small as 1 MiB: keep the depth within
// this budget and let deeper matches fail like the match limit does.
constexpr long kInterpreterStackBudget = 512 * 1024;

unsigned long InterpreterRecursionLimit() {
  static const unsigned long limit = [] {
    // A null pattern with length -999 makes PCRE report its frame size.
    int frame =
        -pcre_exec(nullptr, nullptr, nullptr, -999, -999, 0, nullptr, 0);
    if (frame <= 0) frame = 1024;
    return static_cast<unsigned long>(kInterpreterStackBudget / frame);
  }();
  return limit;
}

}  // namespace

CompiledPattern::CompiledPattern(const char* pattern) {
  const char* message = nullptr;
  code_ =
      pcre_compile(pattern, kCompileOptions, &message, &error_offset_, nullptr);
  if (code_ == nullptr) {
    error_ = message != nullptr ? message : "";
    return;
  }
  error_offset_ = -1;
  const char* study_error = nullptr;
  extra_ = pcre_study(code_, PCRE_STUDY_JIT_COMPILE | PCRE_STUDY_EXTRA_NEEDED,
                      &study_error);
  if (extra_ == nullptr) return;  // out of memory: run without study data
  extra_->flags |= PCRE_EXTRA_MATCH_LIMIT_RECURSION;
  extra_->match_limit_recursion = InterpreterRecursionLimit();
  int jit = 0;
  if (pcre_fullinfo(code_, extra_, PCRE_INFO_JIT, &jit) == 0 && jit != 0) {
    jit_stack_ = pcre_jit_stack_alloc(kJitStackStart, kJitStackMax);
    if (jit_stack_ != nullptr)
      pcre_assign_jit_stack(extra_, nullptr, jit_stack_);
  }
}

CompiledPattern::~CompiledPattern() { Reset(); }

CompiledPattern::CompiledPattern(CompiledPattern&& other) noexcept
    : code_(std::exchange(other.code_, nullptr)),
      extra_(std::exchange(other.extra_, nullptr)),
      jit_stack_(std::exchange(other.jit_stack_, nullptr)),
      error_(std::move(other.error_)),
      error_offset_(other.error_offset_) {}

CompiledPattern& CompiledPattern::operator=(CompiledPattern&& other) noexcept {
  if (this != &other) {
    Reset();
    code_ = std::exchange(other.code_, nullptr);
    extra_ = std::exchange(other.extra_, nullptr);
    jit_stack_ = std::exchange(other.jit_stack_, nullptr);
    error_ = std::move(other.error_);
    error_offset_ = other.error_offset_;
  }
  return *this;
}

void CompiledPattern::Reset() {
  if (extra_ != nullptr) pcre_free_study(extra_);
  if (jit_stack_ != nullptr) pcre_jit_stack_free(jit_stack_);
  if (code_ != nullptr) pcre_free(code_);
  code_ = nullptr;
  extra_ = nullptr;
  jit_stack_ = nullptr;
}

int CompiledPattern::capture_count() const {
  int count = 0;
  if (code_ != nullptr)
    pcre_fullinfo(code_, nullptr, PCRE_INFO_CAPTURECOUNT, &count);
  return count;
}

bool CompiledPattern::Exec(const char* subject, size_t length,
                           MatchResult* result) const {
  result->subject = subject;
  result->count = 0;
  if (code_ == nullptr || !FitsSubjectLength(length)) return false;
  // JIT-compiled code runs through PCRE's fast path, which skips the
  // argument checks pcre_exec would repeat at every match; it answers as
  // pcre_exec does.
  int count =
      jit_stack_ != nullptr
          ? pcre_jit_exec(code_, extra_, subject, static_cast<int>(length), 0,
                          0, result->ovector, kOvectorSize, jit_stack_)
          : PCRE_ERROR_JIT_BADOPTION;
  if (count == PCRE_ERROR_JIT_BADOPTION) {
    count = pcre_exec(code_, extra_, subject, static_cast<int>(length), 0, 0,
                      result->ovector, kOvectorSize);
  }
  if (count == PCRE_ERROR_JIT_STACKLIMIT && extra_ != nullptr) {
    pcre_extra interpreter = *extra_;
    interpreter.flags &= ~PCRE_EXTRA_EXECUTABLE_JIT;
    count = pcre_exec(code_, &interpreter, subject, static_cast<int>(length), 0,
                      0, result->ovector, kOvectorSize);
  }
  if (count <= 0) return false;
  result->count = count;
  return true;
}

std::vector<int> CompiledPattern::GroupNumbers(std::string_view name) const {
  std::vector<int> numbers;
  for (const auto& [number, entry_name] : NamedGroups()) {
    if (entry_name == name) numbers.push_back(number);
  }
  return numbers;
}

std::vector<std::pair<int, std::string>> CompiledPattern::NamedGroups() const {
  std::vector<std::pair<int, std::string>> groups;
  if (code_ == nullptr) return groups;
  int entries = 0, entry_size = 0;
  unsigned char* table = nullptr;
  if (pcre_fullinfo(code_, nullptr, PCRE_INFO_NAMECOUNT, &entries) != 0 ||
      pcre_fullinfo(code_, nullptr, PCRE_INFO_NAMEENTRYSIZE, &entry_size) !=
          0 ||
      pcre_fullinfo(code_, nullptr, PCRE_INFO_NAMETABLE, &table) != 0) {
    return groups;
  }
  for (int i = 0; i < entries; ++i) {
    const unsigned char* entry = table + i * entry_size;
    groups.emplace_back((entry[0] << 8) | entry[1],
                        reinterpret_cast<const char*>(entry + 2));
  }
  return groups;
}

}  // namespace pagerates
